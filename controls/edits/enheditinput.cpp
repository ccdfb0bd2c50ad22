// The enhanced edit's input: clipboard, typed characters and keys, focus, mouse, drag and drop.
#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>

#include "controls/edits/enhedit.h"
#include "platform/shell.h"
#include "platform/sysutils.h"

// ---- Clipboard -----------------------------------------------------------------------------

void TEnhEdit::CopyToClipboard() {
    bool allow = true;
    if (OnClipboardCopy)
        OnClipboardCopy(this, selectedText().toStdString(), allow);
    if (allow)
        copy();
}

void TEnhEdit::CutToClipboard() {
    bool allow = true;
    if (OnClipboardCut)
        OnClipboardCut(this, selectedText().toStdString(), allow);
    if (allow && !isReadOnly()) {
        cut();
        SetModified(true);
    }
}

bool TEnhEdit::PasteFromClipboard() {
    if (isReadOnly())
        return false;
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data || !data->hasText()) {
        UpdateLookup();
        return false;
    }
    return PasteText(data->text().toStdString());
}

bool TEnhEdit::PasteText(const std::string& t) {
    if (isReadOnly())
        return false;
    QString pasted = QString::fromStdString(t);
    TEditState st = State();
    TValueSpan v = ValueSpan(st.Text, typing_);
    int a = st.SelLength > 0 ? st.SelStart : st.Caret;
    int b = a + st.SelLength;
    a = std::clamp(a, v.Start, v.End);
    b = std::clamp(b, v.Start, v.End);
    QString value = st.Text.mid(v.Start, v.End - v.Start);
    QString wouldBe = value.left(a - v.Start) + pasted + value.mid(b - v.Start);
    bool allow = true;
    if (OnClipboardPaste)
        OnClipboardPaste(this, wouldBe.toStdString(), allow);
    if (!allow)
        return false;
    int limit = typing_.MaxLength;
    if (limit > 0 && typing_.Prefix.size() + wouldBe.size() + typing_.Suffix.size() > limit)
        return false;
    std::optional<QString> result = PasteValue(wouldBe, pasted, typing_);
    if (!result)
        return false;
    setText(typing_.Prefix + *result + typing_.Suffix);
    if (typing_.EditType == etMoney && result->size() > 3) {
        SelectAll();
    } else {
        int caret = a + pasted.size() + static_cast<int>(result->size() - wouldBe.size());
        setCursorPosition(
            std::clamp(caret, v.Start, static_cast<int>(typing_.Prefix.size() + result->size())));
    }
    SetModified(true);
    UpdateLookup();
    return true;
}

// ---- Typing --------------------------------------------------------------------------------

TEditState TEnhEdit::State() const {
    TEditState st;
    st.Text = text();
    st.Caret = cursorPosition();
    if (hasSelectedText()) {
        st.SelStart = selectionStart();
        st.SelLength = selectionLength();
    } else {
        st.SelStart = st.Caret;
    }
    return st;
}

void TEnhEdit::ApplyState(const TEditState& st) {
    if (st.Text != text())
        setText(st.Text);
    if (st.SelLength > 0)
        setSelection(st.SelStart, st.SelLength);
    else
        setCursorPosition(st.Caret);
}

void TEnhEdit::MoneyReformatNow() {
    TEditState st = MoneyReformat(State(), typing_);
    if (st.Text == text())
        return;
    swallowChange_ = true;
    ApplyState(st);
    swallowChange_ = false;
}

void TEnhEdit::HandleChar(QKeyEvent* e, QChar ch) {
    e->accept();
    if (isReadOnly())
        return;
    TTypedKey key{ch, (e->modifiers() & Qt::ControlModifier) != 0,
                  (e->modifiers() & Qt::KeypadModifier) != 0};
    TTypeResult r = TypeChar(State(), key, typing_);
    bool modified = isModified();
    switch (r.Action) {
    case taDrop:
        return;
    case taInsert:
        if (r.Char == QChar(chBackspace))
            backspace();
        else
            insert(QString(r.Char));
        modified = modified || isModified();
        break;
    case taSet:
        // A rule that only moves the caret (a decimal separator typed where the value has
        // one) leaves the text, and so the modified state, as it was.
        modified = modified || r.State.Text != text();
        ApplyState(r.State);
        break;
    }
    SetModified(modified || r.Modified);
    if (r.PostTab)
        focusNextChild();
    UpdateLookup();
}

void TEnhEdit::keyPressEvent(QKeyEvent* e) {
    int key = e->key();
    if (OnKeyDown) {
        OnKeyDown(this, key, e->modifiers());
        if (key == 0) {
            e->accept();
            return;
        }
    }
    KeyDown(e, key);
}

void TEnhEdit::KeyDown(QKeyEvent* e, int key) {
    Qt::KeyboardModifiers mods = e->modifiers();
    bool ctrl = mods & Qt::ControlModifier, shift = mods & Qt::ShiftModifier;
    bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (LookupKey(key)) {
        e->accept();
        return;
    }
    if (enter && ctrl) {
        e->accept(); // dropped
        return;
    }
    if (enter && ReturnIsTab) {
        focusNextChild();
        e->accept();
        return;
    }
    if (enter) {
        QChar ch(chEnter);
        if (OnKeyPress)
            OnKeyPress(this, ch);
        e->ignore(); // goes on to the window (its default button)
        return;
    }
    if (key == Qt::Key_Escape) {
        if (CanUndo()) {
            setText(QString::fromStdString(focusText_));
            SelectAll();
            SetModified(false);
        }
        e->ignore(); // goes on to the window
        return;
    }
    TValueSpan v = ValueSpan(text(), typing_);
    int caret = cursorPosition();
    if (!typing_.Suffix.isEmpty()) {
        if (key == Qt::Key_Right && caret >= v.End) { // Shift too: the suffix stays unselected
            e->accept();
            return;
        }
        if (key == Qt::Key_End) {
            if (shift)
                setSelection(caret, v.End - caret);
            else
                setCursorPosition(v.End);
            e->accept();
            return;
        }
        if (key == Qt::Key_Delete && caret >= v.End && !hasSelectedText()) {
            e->accept();
            return;
        }
    }
    if (!typing_.Prefix.isEmpty()) {
        if (key == Qt::Key_Left && caret <= v.Start) { // dropped: a selection stays
            if (caret < v.Start)
                setCursorPosition(v.Start);
            e->accept();
            return;
        }
        if (key == Qt::Key_Home) {
            if (shift)
                setSelection(caret, v.Start - caret);
            else
                setCursorPosition(v.Start);
            e->accept();
            return;
        }
    }
    if (key == Qt::Key_Delete && typing_.LengthLimit > 0) {
        TEditState st = State();
        if (st.SelLength > 0)
            st.Text.remove(st.SelStart, st.SelLength);
        else if (st.Caret < v.End)
            st.Text.remove(st.Caret, 1);
        QString value = ValueOf(st.Text, typing_);
        int digits = 0;
        for (QChar c : value) {
            if (c == typing_.DecimalSeparator)
                break;
            if (c.isDigit())
                ++digits;
        }
        if (digits > typing_.LengthLimit) {
            e->accept();
            return;
        }
    }
    if (e->matches(QKeySequence::Copy)) {
        CopyToClipboard();
        e->accept();
        return;
    }
    if (e->matches(QKeySequence::Cut)) {
        CutToClipboard();
        e->accept();
        return;
    }
    if (e->matches(QKeySequence::Paste)) {
        PasteFromClipboard();
        e->accept();
        return;
    }
    if (key == Qt::Key_Backspace) {
        HandleChar(e, QChar(chBackspace));
        return;
    }
    QString t = e->text();
    if (!t.isEmpty() && t.front().isPrint()) {
        QChar ch = t.front();
        if (OnKeyPress) {
            OnKeyPress(this, ch);
            if (ch.isNull()) {
                e->accept();
                return;
            }
        }
        HandleChar(e, ch);
        return;
    }
    bool wasModified = isModified();
    QLineEdit::keyPressEvent(e);
    if (key == Qt::Key_Delete) {
        SetModified(wasModified || isModified());
        if (typing_.EditType == etMoney)
            MoneyReformatNow();
    }
    v = ValueSpan(text(), typing_);
    if (!hasSelectedText() && cursorPosition() < v.Start)
        setCursorPosition(v.Start);
}

void TEnhEdit::inputMethodEvent(QInputMethodEvent* e) {
    int limit = typing_.MaxLength;
    QString commit = e->commitString();
    if (limit <= 0 || commit.isEmpty())
        return QLineEdit::inputMethodEvent(e);
    // The committed text replaces the selection (or the span the input method names).
    int replaced = e->replacementLength() != 0 ? e->replacementLength() : selectedText().size();
    int room = std::max(0, limit - static_cast<int>(text().size()) + replaced);
    if (commit.size() <= room)
        return QLineEdit::inputMethodEvent(e);
    QInputMethodEvent cut(e->preeditString(), e->attributes());
    cut.setCommitString(commit.left(room), e->replacementStart(), e->replacementLength());
    QLineEdit::inputMethodEvent(&cut);
    e->setAccepted(cut.isAccepted());
}

void TEnhEdit::keyReleaseEvent(QKeyEvent* e) {
    if (OnKeyUp) {
        int key = e->key();
        OnKeyUp(this, key, e->modifiers());
    }
    QLineEdit::keyReleaseEvent(e);
}

// ---- Focus ---------------------------------------------------------------------------------

void TEnhEdit::focusInEvent(QFocusEvent* e) {
    QLineEdit::focusInEvent(e);
    if (e->reason() == Qt::PopupFocusReason)
        return;
    focusText_ = WindowText();
    ApplyColors();
    if (AutoSelect && e->reason() != Qt::MouseFocusReason) {
        SelectAll();
    } else if (IsFloatType(typing_.EditType)) {
        TValueSpan v = ValueSpan(text(), typing_);
        int dec = text().indexOf(typing_.DecimalSeparator, v.Start);
        setCursorPosition(dec >= 0 && dec < v.End ? dec : v.End);
    }
    if (FocusLabel && label_) {
        QFont f = label_->font();
        f.setBold(true);
        label_->setFont(f);
    }
    if (FocusWidthInc > 0) {
        focusWidthAdded_ = FocusWidthInc;
        resize(width() + FocusWidthInc, height());
    }
    alignBeforeFocus_ = editAlign_;
    if (FocusAlign != TEditAlign::eaDefault && FocusAlign != editAlign_)
        setAlignment(AlignmentOf(FocusAlign));
    update();
    if (OnEnter)
        OnEnter(this);
}

void TEnhEdit::focusOutEvent(QFocusEvent* e) {
    if (e->reason() == Qt::PopupFocusReason) {
        QLineEdit::focusOutEvent(e);
        return;
    }
    if (lookupWindow_ && !lookupWindow_->isAncestorOf(QApplication::focusWidget()))
        lookupWindow_->hide();
    if (FocusLabel && label_) {
        QFont f = label_->font();
        f.setBold(false);
        label_->setFont(f);
    }
    bool modified = isModified();
    QString value = ValueOf(text(), typing_);
    if (IsFloatType(typing_.EditType) && value.isEmpty()) {
        SetValueAsFloat(0);
        SetModified(modified);
    } else if (IsFloatType(typing_.EditType) && typing_.Precision > 0) {
        try {
            double n = ValueAsFloat();
            SetValueAsFloat(n);
        } catch (const EConvertError&) {
            // Malformed text stays as typed for the user to see.
        }
        SetModified(modified);
    } else if (typing_.EditType == etNumeric && value.isEmpty()) {
        setText(typing_.Prefix + "0" + typing_.Suffix);
        SetModified(modified);
    }
    IsValid(Text());
    QLineEdit::focusOutEvent(e);
    if (focusWidthAdded_ > 0) {
        resize(width() - focusWidthAdded_, height());
        focusWidthAdded_ = 0;
    }
    setAlignment(AlignmentOf(alignBeforeFocus_));
    if (lookup_.Enabled && lookup_.History)
        LearnHistory(lookup_, Text());
    ApplyColors();
    update();
    if (OnExit)
        OnExit(this);
}

// ---- Mouse ---------------------------------------------------------------------------------

int TEnhEdit::CharAt(const QPoint& pt) const {
    return const_cast<TEnhEdit*>(this)->cursorPositionAt(pt);
}

int TEnhEdit::CharX(int pos) const {
    QString shown = displayText();
    QFontMetrics fm(font());
    int caret = cursorPosition();
    int caretX = cursorRect().center().x();
    return caretX + fm.horizontalAdvance(shown.left(pos)) - fm.horizontalAdvance(shown.left(caret));
}

void TEnhEdit::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && OleDropSource && hasFocus() && hasSelectedText()) {
        int at = CharAt(e->position().toPoint());
        if (at >= selectionStart() && at < selectionStart() + selectionLength()) {
            dragArmed_ = true;
            dragArmPos_ = e->position().toPoint();
            e->accept();
            return;
        }
    }
    bool hadFocus = hasFocus();
    QLineEdit::mousePressEvent(e);
    if (e->button() == Qt::LeftButton && hadFocus && urlLook_) {
        bool show = true;
        std::string url = Text();
        if (OnURLClick)
            OnURLClick(this, url, show);
        if (show)
            ShellOpen(url);
    }
}

void TEnhEdit::mouseMoveEvent(QMouseEvent* e) {
    if (dragArmed_) {
        if ((e->position().toPoint() - dragArmPos_).manhattanLength() >=
                QApplication::startDragDistance() &&
            hasSelectedText())
            StartDrag();
        return;
    }
    QLineEdit::mouseMoveEvent(e);
}

void TEnhEdit::mouseReleaseEvent(QMouseEvent* e) {
    if (dragArmed_) {
        dragArmed_ = false;
        setCursorPosition(CharAt(e->position().toPoint()));
        e->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(e);
    if (e->button() == Qt::LeftButton && OnClick)
        OnClick(this);
}

void TEnhEdit::mouseDoubleClickEvent(QMouseEvent* e) {
    QLineEdit::mouseDoubleClickEvent(e);
    if (OnDblClick)
        OnDblClick(this);
}

void TEnhEdit::enterEvent(QEnterEvent* e) {
    QLineEdit::enterEvent(e);
    if (AutoFocus)
        setFocus(Qt::MouseFocusReason);
    if (isEnabled())
        hot_ = true;
    if (FocusBorder)
        update();
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TEnhEdit::leaveEvent(QEvent* e) {
    QLineEdit::leaveEvent(e);
    hot_ = false;
    if (FocusBorder)
        update();
    if (OnMouseLeave)
        OnMouseLeave(this);
}

// ---- Drag and drop -------------------------------------------------------------------------

Qt::DropAction TEnhEdit::ExecDrag(const std::string& text, Qt::DropActions allowed) {
    return StartDoDragDrop(this, text, std::string(), allowed);
}

void TEnhEdit::StartDrag() {
    dragArmed_ = false;
    int start = selectionStart(), length = selectionLength();
    QString before = text();
    dragStartedHere_ = true;
    Qt::DropAction action = Qt::IgnoreAction;
    try {
        action = ExecDrag(selectedText().toStdString(), Qt::CopyAction | Qt::MoveAction);
    } catch (...) {
        dragStartedHere_ = false;
        throw;
    }
    dragStartedHere_ = false;
    // A move takes the text away, but only from where it was dragged: when the edit's text
    // changed meanwhile (a drop into this edit moved it already) nothing more is deleted.
    if (action == Qt::MoveAction && text() == before) {
        setSelection(start, length);
        del();
        SetModified(true);
    }
    SetDropCaret(-1);
}

void TEnhEdit::SetOleDropTarget(bool v) {
    if (v == OleDropTarget())
        return;
    if (v)
        dropTarget_ = std::make_unique<TEditDropTarget>(*this);
    else
        dropTarget_.reset();
    setAcceptDrops(v);
}

void TEnhEdit::SetDropCaret(int pos) {
    if (dropCaret_ == pos)
        return;
    dropCaret_ = pos;
    update();
}

void TEnhEdit::dragEnterEvent(QDragEnterEvent* e) {
    if (dropTarget_)
        dropTarget_->DragEnter(e);
    else
        e->ignore();
}

void TEnhEdit::dragMoveEvent(QDragMoveEvent* e) {
    if (dropTarget_)
        dropTarget_->DragOver(e);
    else
        e->ignore();
}

void TEnhEdit::dragLeaveEvent(QDragLeaveEvent*) {
    if (dropTarget_)
        dropTarget_->DragLeave();
    SetDropCaret(-1);
}

void TEnhEdit::dropEvent(QDropEvent* e) {
    if (dropTarget_)
        dropTarget_->Drop(e);
    else
        e->ignore();
    SetDropCaret(-1);
}

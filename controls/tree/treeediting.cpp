// The in-place editors and the line-edit link (the tree's side of editing: treeedit.cpp).
#include "controls/tree/treeediting.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTimer>
#include <limits>

#include "controls/tree/treeheader.h"

using enum TLeanTreeState;
using enum TLTMiscOption;
using enum TLTPaintOption;
using enum TLTSelectionOption;
using enum TLTAutoOption;

// ---- the editors ----

template <typename TBase>
TLTEditor<TBase>::TLTEditor(TBaseLeanTree* Tree, bool AutoAccept)
    : TBase(Tree->viewport()), tree_(Tree), autoAccept_(AutoAccept) {}

template <typename TBase> bool TLTEditor<TBase>::event(QEvent* e) {
    if (e->type() == QEvent::ShortcutOverride) {
        e->accept(); // every key is the editor's
        return true;
    }
    if (e->type() == QEvent::KeyPress) {
        int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
            e->accept(); // swallowed: neither a tab character nor a focus move
            return true;
        }
    }
    return TBase::event(e);
}

template <typename TBase> void TLTEditor<TBase>::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (MultiLine && !(e->modifiers() & Qt::ControlModifier)) {
            TBase::keyPressEvent(e); // a new line
            return;
        }
        if (tree_ && !Stopped) {
            QPointer<TBaseLeanTree> tree = tree_;
            tree->InvalidateNode(tree->FocusedNode());
            tree->EndEditNode();
            if (tree && !tree->IsEditing())
                tree->setFocus();
        }
        e->accept();
        return;
    case Qt::Key_Escape:
        if (tree_ && !Stopped) {
            QPointer<TBaseLeanTree> tree = tree_;
            tree->CancelEditNode();
            if (tree && !tree->IsEditing())
                tree->setFocus();
        }
        e->accept();
        return;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (!MultiLine) {
            QKeyEvent moved(e->type(), e->key() == Qt::Key_Up ? Qt::Key_Left : Qt::Key_Right,
                            e->modifiers(), e->text(), e->isAutoRepeat(), e->count());
            TBase::keyPressEvent(&moved);
            e->setAccepted(moved.isAccepted());
            return;
        }
        break;
    default:
        break;
    }
    TBase::keyPressEvent(e);
}

template <typename TBase> void TLTEditor<TBase>::focusOutEvent(QFocusEvent* e) {
    TBase::focusOutEvent(e);
    // A popup (the edit's own menu) takes the focus only for a moment.
    if (Stopped || !tree_ || e->reason() == Qt::PopupFocusReason || !tree_->IsEditing())
        return;
    if (autoAccept_)
        tree_->EndEditNode();
    else
        tree_->CancelEditNode();
}

template class TLTEditor<QLineEdit>;
template class TLTEditor<QPlainTextEdit>;

TLTEdit::TLTEdit(TBaseLeanTree* Tree, bool AutoAccept) : TLTEditor(Tree, AutoAccept) {
    setFrame(true);
}

TLTMultiLineEdit::TLTMultiLineEdit(TBaseLeanTree* Tree, bool AutoAccept)
    : TLTEditor(Tree, AutoAccept) {
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTabChangesFocus(false);
    setFrameStyle(QFrame::Box | QFrame::Plain);
}

// ---- the line-edit link ----

TLTLineEditLink::~TLTLineEditLink() {
    Release();
}

QWidget* TLTLineEditLink::Editor() const {
    if (edit_)
        return edit_;
    return memo_;
}

QString TLTLineEditLink::EditorText() const {
    if (edit_)
        return edit_->text();
    if (memo_)
        return memo_->text();
    return QString::fromStdString(original_);
}

bool TLTLineEditLink::EditorModified() const {
    if (edit_)
        return edit_->isModified();
    if (memo_)
        return memo_->document()->isModified();
    return false;
}

void TLTLineEditLink::StopEditor() {
    if (edit_)
        edit_->Stopped = true;
    if (memo_)
        memo_->Stopped = true;
    if (QWidget* w = Editor())
        w->hide();
}

void TLTLineEditLink::Release() {
    if (QWidget* w = Editor()) {
        StopEditor();
        w->deleteLater(); // it may be inside one of its own handlers
    }
    edit_ = nullptr;
    memo_ = nullptr;
}

bool TLTLineEditLink::PrepareEdit(TBaseLeanTree* Tree, PLeanNode Node, TColumnIndex Column) {
    if (!Tree || !Node)
        return false;
    Release();
    tree_ = Tree;
    node_ = Node;
    column_ = Column;
    stopped_ = false;
    original_ = OnGetText ? OnGetText(Node, Column) : std::string();
    QString text = QString::fromStdString(original_);
    if (Node->States & vsMultiline) {
        memo_ = new TLTMultiLineEdit(Tree, AutoAcceptEditChange);
        memo_->setPlainText(text);
        memo_->document()->setModified(false);
    } else {
        edit_ = new TLTEdit(Tree, AutoAcceptEditChange);
        // A line editor cuts its text at 32767 characters unless told otherwise: what was cut
        // would be lost with the edit.
        edit_->setMaxLength(std::numeric_limits<int>::max());
        edit_->setText(text);
    }
    Editor()->hide();
    return true;
}

bool TLTLineEditLink::BeginEdit() {
    QWidget* w = Editor();
    if (stopped_ || !w)
        return false;
    w->show();
    if (edit_)
        edit_->selectAll();
    else
        memo_->selectAll();
    w->setFocus(Qt::OtherFocusReason);
    return true;
}

bool TLTLineEditLink::EndEdit() {
    if (stopped_)
        return true; // ended before: nothing is committed twice
    stopped_ = true;
    bool modified = EditorModified();
    std::string text = EditorText().toStdString();
    // Hidden before the host hears of it, so the focus moving away ends nothing more.
    StopEditor();
    if (modified && OnNewText)
        OnNewText(node_, column_, text);
    return true;
}

bool TLTLineEditLink::CancelEdit() {
    if (!stopped_) {
        stopped_ = true;
        StopEditor();
    }
    return true;
}

QRect TLTLineEditLink::GetBounds() const {
    QWidget* w = Editor();
    return w ? w->geometry() : QRect();
}

void TLTLineEditLink::ProcessMessage(QEvent* Event) {
    if (QWidget* w = Editor(); w && Event)
        QCoreApplication::sendEvent(w, Event);
}

void TLTLineEditLink::SetBounds(QRect R) {
    QWidget* w = Editor();
    if (stopped_ || !w || !tree_)
        return;
    int client = tree_->ClientWidth();
    bool rtl = tree_->BiDiMode() != bdLeftToRight; // the column's, with columns
    auto& cols = tree_->Header().Columns();
    if (tree_->Header().UseColumns() && cols.IsValidColumn(column_))
        rtl = cols.Items(column_).BiDiMode() != bdLeftToRight;
    if (R.left() < 0)
        R.setLeft(0);
    if (R.width() < MinWidth) {
        if (rtl)
            R.setLeft(R.right() + 1 - MinWidth);
        else
            R.setWidth(MinWidth);
    }
    if (R.right() >= client)
        R.setRight(client - 1);
    // Clamping must not undo the minimum: move the left edge back instead.
    if (R.width() < MinWidth)
        R.setLeft(std::max(0, R.right() + 1 - MinWidth));
    w->setGeometry(R);
}

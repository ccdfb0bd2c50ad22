#include "controls/edits/enhedbtn.h"

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QPainter>

#include "controls/edits/themelib.h"
#include "platform/gui/canvas.h"
#include "platform/gui/qtcolors.h"

// ---- Speed button --------------------------------------------------------------------------

TEnhSpeedButton::TEnhSpeedButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    themesUsable_ = LoadThemeLibrary();
}

void TEnhSpeedButton::SetEtched(bool v) {
    etched_ = v;
    update();
}

void TEnhSpeedButton::SetFocused(bool v) {
    if (focused_ != v) {
        focused_ = v;
        update();
    }
}

void TEnhSpeedButton::SetFlat(bool v) {
    flat_ = v;
    update();
}

void TEnhSpeedButton::SetGlyph(const QImage& g) {
    glyph_ = g;
    update();
}

void TEnhSpeedButton::enterEvent(QEnterEvent* e) {
    QAbstractButton::enterEvent(e);
    hot_ = true;
    update();
}

void TEnhSpeedButton::leaveEvent(QEvent* e) {
    QAbstractButton::leaveEvent(e);
    hot_ = false;
    update();
}

int TEnhSpeedButton::ThemeState() const {
    if (!isEnabled())
        return 4;
    if (isDown())
        return 3;
    return hot_ ? 2 : 1;
}

void TEnhSpeedButton::PaintGlyphAndCaption(QPainter& p, const QRect& r, bool glyphLeft) {
    int shift = isDown() ? 1 : 0;
    QString caption = text();
    int x = r.left();
    if (!glyph_.isNull()) {
        QImage g = MakeTransparent(glyph_, glyph_.pixelColor(0, 0));
        int gx =
            glyphLeft && !caption.isEmpty() ? r.left() + 2 : r.left() + (r.width() - g.width()) / 2;
        int gy = r.top() + (r.height() - g.height()) / 2;
        p.drawImage(QPoint(gx + shift, gy + shift), g);
        x = gx + g.width();
    }
    if (!caption.isEmpty()) {
        p.setFont(CaptionFont);
        p.setPen(ColorToQColor(isEnabled() ? clBtnText : clGrayText));
        QRect tr = glyph_.isNull() ? r : QRect(x + 2, r.top(), r.right() - x - 1, r.height());
        p.drawText(tr.translated(shift, shift), Qt::AlignCenter, caption);
    }
}

void TEnhSpeedButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QRect r = rect();
    bool themed = themesUsable_ && IsThemeActive();
    if (Style == bsDropDown) {
        if (themed) {
            HTHEME theme = OpenThemeData(this, "combobox");
            DrawThemeBackground(theme, p, 1, ThemeState(), r);
            CloseThemeData(theme);
            return;
        }
        QRect face = r;
        DrawEdge(p, face, isDown() ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE);
        PaintGlyphAndCaption(p, r, false);
        int w = width(), h = height();
        p.setPen(ColorToQColor(clBtnFace));
        p.drawPolyline(QPolygon({QPoint(w - 2, 0), QPoint(0, 0), QPoint(0, h - 1)}));
        p.setPen(Qt::white);
        p.drawPolyline(QPolygon({QPoint(w - 3, 1), QPoint(1, 1), QPoint(1, h - 2)}));
        return;
    }
    if (themed) {
        HTHEME theme = OpenThemeData(this, "button");
        DrawThemeBackground(theme, p, 1, ThemeState(), r.adjusted(-1, -1, 1, 1));
        CloseThemeData(theme);
        PaintGlyphAndCaption(p, r, true);
        return;
    }
    if (!flat_) {
        QRect face = r;
        DrawEdge(p, face, isDown() ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE);
        PaintGlyphAndCaption(p, r, false);
        return;
    }
    FillRect(p, r, clBtnFace);
    QRect edge = r;
    if (isDown())
        DrawEdge(p, edge, BDR_SUNKENOUTER, BF_RECT | BF_FLAT);
    else
        DrawEdge(p, edge, etched_ ? EDGE_ETCHED : EDGE_RAISED, BF_RECT);
    PaintGlyphAndCaption(p, r.adjusted(3, 3, -3, -3), false);
}

// ---- Button part ---------------------------------------------------------------------------

TEditButton::TEditButton(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    resize(16, 25);
    button_ = new TEnhSpeedButton(this);
    button_->setGeometry(rect());
    connect(button_, &QAbstractButton::clicked, this, [this] { ButtonClicked(); });
}

void TEditButton::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    button_->setGeometry(rect());
}

void TEditButton::ButtonClicked() {
    QPointer<TEditButton> self(this);
    if (OnClick)
        OnClick(this);
    if (!self)
        return;
    QWidget* target = FocusControl.data();
    if (target && (target->focusPolicy() & Qt::TabFocus) && target->isEnabled() &&
        target->isVisible() && !target->hasFocus())
        target->setFocus(Qt::MouseFocusReason);
    else if (!target && (focusPolicy() & Qt::TabFocus) && !hasFocus())
        setFocus(Qt::MouseFocusReason);
}

// ---- Edit with button ----------------------------------------------------------------------

TEnhEditBtn::TEnhEditBtn(QWidget* parent) : TEnhEdit(parent) {
    button_ = new TEditButton(this);
    button_->setCursor(Qt::ArrowCursor);
    button_->FocusControl = this;
    button_->OnClick = [this](QObject*) { ClickButton(); };
    button_->Button()->CaptionFont = font();
    ResizeButton();
}

void TEnhEditBtn::SetButtonStyle(TButtonStyle s) {
    button_->Button()->Style = s;
    button_->Button()->update();
}

void TEnhEditBtn::SetButtonWidth(int w) {
    buttonWidth_ = w;
    ResizeButton();
}

void TEnhEditBtn::SetButtonHint(const std::string& h) {
    if (h == buttonHint_)
        return;
    buttonHint_ = h;
    button_->Button()->setToolTip(QString::fromStdString(h));
}

void TEnhEditBtn::SetButtonCaption(const std::string& c) {
    button_->Button()->setText(QString::fromStdString(c));
}

void TEnhEditBtn::SetFlat(bool v) {
    button_->Button()->SetFlat(v);
    TEnhEdit::SetFlat(v);
    ResizeButton();
}

void TEnhEditBtn::ClickButton() {
    if (OnClickBtn)
        OnClickBtn(this);
}

int TEnhEditBtn::MinHeight() const {
    int own = QFontMetrics(font()).height();
    int system = QFontMetrics(QApplication::font()).height();
    return own + std::min(own, system) / 4;
}

void TEnhEditBtn::ResizeButton() {
    SetRightInset(buttonWidth_ + 1);
    int minHeight = MinHeight();
    if (height() < minHeight) {
        resize(width(), minHeight); // lays out again through the resize event
        return;
    }
    int w = width(), h = height();
    QRect r;
    if (Flat())
        r = QRect(w - buttonWidth_ - 3, 2, buttonWidth_, h - 3);
    else if (hasFrame())
        r = QRect(w - buttonWidth_ - 2, 2, buttonWidth_, h - 4);
    else
        r = QRect(w - buttonWidth_ - 2, 0, buttonWidth_, h - 2);
    button_->setGeometry(r);
    update();
}

void TEnhEditBtn::Loaded() {
    TEnhEdit::Loaded();
    ResizeButton();
}

void TEnhEditBtn::CutToClipboard() {
    if (EditorEnabled && !isReadOnly())
        TEnhEdit::CutToClipboard();
}

bool TEnhEditBtn::PasteFromClipboard() {
    if (!EditorEnabled || isReadOnly())
        return false;
    return TEnhEdit::PasteFromClipboard();
}

void TEnhEditBtn::KeyDown(QKeyEvent* e, int key) {
    Qt::KeyboardModifiers mods = e->modifiers();
    bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (enter && (mods & Qt::ControlModifier)) {
        QCoreApplication::postEvent(this,
                                    new QKeyEvent(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier));
        e->accept();
        return;
    }
    TEnhEdit::KeyDown(e, key);
    if (key == Qt::Key_F4 && !(mods & (Qt::ControlModifier | Qt::AltModifier))) {
        e->accept();
        ClickButton();
    }
}

void TEnhEditBtn::resizeEvent(QResizeEvent* e) {
    TEnhEdit::resizeEvent(e);
    ResizeButton();
}

void TEnhEditBtn::changeEvent(QEvent* e) {
    TEnhEdit::changeEvent(e);
    if (e->type() == QEvent::FontChange) {
        button_->Button()->CaptionFont = font();
        ResizeButton();
    }
}

void TEnhEditBtn::UpdateButtonLook() {
    if (Flat())
        button_->Button()->SetFocused(IsHot() || hasFocus());
}

void TEnhEditBtn::focusInEvent(QFocusEvent* e) {
    TEnhEdit::focusInEvent(e);
    UpdateButtonLook();
}

void TEnhEditBtn::focusOutEvent(QFocusEvent* e) {
    TEnhEdit::focusOutEvent(e);
    UpdateButtonLook();
}

void TEnhEditBtn::enterEvent(QEnterEvent* e) {
    TEnhEdit::enterEvent(e);
    UpdateButtonLook();
}

void TEnhEditBtn::leaveEvent(QEvent* e) {
    TEnhEdit::leaveEvent(e);
    UpdateButtonLook();
}

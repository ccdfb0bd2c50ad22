#include "core/windows/speedbuttonenh.h"

#include <QEnterEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QToolTip>
#include <algorithm>

#include "platform/gui/canvas.h"
#include "platform/gui/qtcolors.h"
#include "platform/gui/themes.h"

namespace {

int instances = 0;

// Pixels of a glyph drawn in the disabled look: the dark ones that are not transparent.
QImage DisabledImage(const QImage& source) {
    QImage out(source.size(), QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    QColor light = ColorToQColor(clBtnHighlight), dark = ColorToQColor(clBtnShadow);
    auto ink = [&](int x, int y) {
        QRgb px = source.pixel(x, y);
        return qAlpha(px) > 0 && qGray(px) < 192;
    };
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            if (ink(x, y) && x + 1 < out.width() && y + 1 < out.height())
                out.setPixelColor(x + 1, y + 1, light);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            if (ink(x, y))
                out.setPixelColor(x, y, dark);
    return out;
}

} // namespace

TSpeedButtonEnh::TSpeedButtonEnh(QWidget* owner) : QWidget(owner) {
    ++instances;
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover);
    resize(sizeHint());
}

TSpeedButtonEnh::~TSpeedButtonEnh() {
    --instances;
}

int TSpeedButtonEnh::InstanceCount() {
    return instances;
}

void TSpeedButtonEnh::SetAllowAllUp(bool value) {
    if (allowAllUp_ == value)
        return;
    allowAllUp_ = value;
    UpdateExclusive();
}

void TSpeedButtonEnh::SetDown(bool value) {
    if (groupIndex_ == 0)
        value = false;
    if (value == down_)
        return;
    if (down_ && !allowAllUp_)
        return;
    down_ = value;
    state_ = value ? bsExclusive : bsUp;
    if (!isEnabled())
        state_ = bsDisabled;
    update();
    if (value)
        UpdateExclusive();
    Changed();
}

void TSpeedButtonEnh::SetDropDownArrowColor(TColor value) {
    dropDownArrowColor_ = value;
    update();
}

void TSpeedButtonEnh::SetDropDownWidth(int value) {
    dropDownWidth_ = std::max(value, 0);
    update();
}

void TSpeedButtonEnh::SetFlat(bool value) {
    flat_ = value;
    update();
}

void TSpeedButtonEnh::SetGlyph(const QImage& value) {
    glyph_ = value;
    update();
}

void TSpeedButtonEnh::SetGroupIndex(int value) {
    if (groupIndex_ == value)
        return;
    groupIndex_ = value;
    UpdateExclusive();
}

void TSpeedButtonEnh::SetIndicatorBorder(TIndicatorBorder value) {
    indicatorBorder_ = value;
    update();
}

void TSpeedButtonEnh::SetLayout(TButtonLayout value) {
    layout_ = value;
    update();
}

void TSpeedButtonEnh::SetMargin(int value) {
    margin_ = std::max(value, -1);
    update();
}

void TSpeedButtonEnh::SetNumGlyphs(int value) {
    numGlyphs_ = std::clamp(value, 1, 4);
    update();
}

void TSpeedButtonEnh::SetSpacing(int value) {
    spacing_ = value;
    update();
}

void TSpeedButtonEnh::SetTransparent(bool value) {
    transparent_ = value;
    setAttribute(Qt::WA_OpaquePaintEvent, !value);
    update();
}

void TSpeedButtonEnh::SetCaption(const std::string& value) {
    caption_ = value;
    update();
}

void TSpeedButtonEnh::SetDroppedDown(bool value) {
    if (droppedDown_ == value)
        return;
    bool allowed = true;
    if (OnDropChanging)
        OnDropChanging(*this, allowed);
    if (!allowed)
        return;
    droppedDown_ = value;
    state_ = value ? bsDown : bsUp;
    if (OnDropChanged)
        OnDropChanged(*this);
    update();
}

void TSpeedButtonEnh::Click() {
    if (OnClick)
        OnClick(*this);
}

void TSpeedButtonEnh::DefaultSelect() {
    if (OnDefaultSelect)
        OnDefaultSelect(*this);
}

void TSpeedButtonEnh::Changed() {
    if (OnChange)
        OnChange(*this);
}

QList<TSpeedButtonEnh*> TSpeedButtonEnh::GroupMembers() const {
    QList<TSpeedButtonEnh*> members;
    if (!parentWidget() || groupIndex_ == 0)
        return members;
    for (auto* b : parentWidget()->findChildren<TSpeedButtonEnh*>(Qt::FindDirectChildrenOnly))
        if (b != this && b->groupIndex_ == groupIndex_)
            members << b;
    return members;
}

void TSpeedButtonEnh::UpdateExclusive() {
    for (TSpeedButtonEnh* b : GroupMembers())
        b->ButtonPressed(*this);
}

void TSpeedButtonEnh::ButtonPressed(TSpeedButtonEnh& sender) {
    if (sender.down_ && down_) {
        down_ = false;
        state_ = isEnabled() ? bsUp : bsDisabled;
        update();
        Changed();
    }
    allowAllUp_ = sender.allowAllUp_;
}

bool TSpeedButtonEnh::Inside(int x, int y) const {
    return x >= 0 && x < width() && y >= 0 && y <= height();
}

void TSpeedButtonEnh::UpdateTracking() {
    if (!isEnabled())
        return;
    bool inside = rect().contains(mapFromGlobal(QCursor::pos())) && underMouse();
    if (inside != mouseInControl_) {
        mouseInControl_ = inside;
        update();
    }
}

bool TSpeedButtonEnh::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip && OnHint) {
        auto* help = static_cast<QHelpEvent*>(e);
        int cell = dropDownWidth_ > 0 && help->pos().x() > width() - dropDownWidth_ ? 1 : 0;
        std::string hint = toolTip().toStdString();
        OnHint(*this, cell, hint);
        if (hint.empty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), QString::fromStdString(hint), this, QRect(),
                               toolTipDuration());
        return true;
    }
    return QWidget::event(e);
}

void TSpeedButtonEnh::mousePressEvent(QMouseEvent* e) {
    int x = e->position().toPoint().x(), y = e->position().toPoint().y();
    if (OnMouseDown)
        OnMouseDown(*this, e->button(), e->modifiers(), x, y);
    if (e->button() != Qt::LeftButton || !isEnabled())
        return;
    if (dropDownWidth_ > 0 && x > width() - dropDownWidth_) {
        dropPressed_ = true;
        repaint();
        if (!droppedDown_)
            SetDroppedDown(true);
        return;
    }
    if (!down_) {
        state_ = bsDown;
        update();
    }
    dragging_ = true;
}

void TSpeedButtonEnh::mouseMoveEvent(QMouseEvent* e) {
    int x = e->position().toPoint().x(), y = e->position().toPoint().y();
    if (OnMouseMove)
        OnMouseMove(*this, Qt::NoButton, e->modifiers(), x, y);
    if (dragging_) {
        TButtonState next = down_ ? bsExclusive : bsUp;
        if (Inside(x, y))
            next = down_ ? bsExclusive : bsDown;
        if (next != state_) {
            state_ = next;
            update();
        }
    } else if (!mouseInControl_) {
        UpdateTracking();
    }
}

void TSpeedButtonEnh::mouseReleaseEvent(QMouseEvent* e) {
    int x = e->position().toPoint().x(), y = e->position().toPoint().y();
    QPointer<TSpeedButtonEnh> self(this);
    if (OnMouseUp)
        OnMouseUp(*this, e->button(), e->modifiers(), x, y);
    if (!self || e->button() != Qt::LeftButton)
        return;
    if (dropPressed_) {
        dropPressed_ = false;
        return;
    }
    if (!dragging_)
        return;
    dragging_ = false;
    bool doClick = Inside(x, y);
    if (groupIndex_ == 0) {
        state_ = bsUp;
        mouseInControl_ = false;
        update();
    } else if (doClick) {
        SetDown(!down_);
        update();
    } else {
        if (down_)
            state_ = bsExclusive;
        update();
    }
    if (doClick)
        Click();
    if (self)
        UpdateTracking();
}

void TSpeedButtonEnh::mouseDoubleClickEvent(QMouseEvent* e) {
    mousePressEvent(e);
    if (e->button() == Qt::LeftButton && OnDblClick)
        OnDblClick(*this);
}

void TSpeedButtonEnh::enterEvent(QEnterEvent* e) {
    QWidget::enterEvent(e);
    if (!mouseInControl_ && isEnabled() && !QWidget::mouseGrabber()) {
        mouseInControl_ = true;
        update();
    }
}

void TSpeedButtonEnh::leaveEvent(QEvent* e) {
    QWidget::leaveEvent(e);
    if (mouseInControl_ && isEnabled() && !dragging_) {
        mouseInControl_ = false;
        update();
    }
}

void TSpeedButtonEnh::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() != QEvent::EnabledChange)
        return;
    if (!isEnabled()) {
        state_ = bsDisabled;
        dragging_ = false;
        mouseInControl_ = false;
    } else if (state_ == bsDisabled) {
        state_ = down_ && groupIndex_ != 0 ? bsExclusive : bsUp;
    }
    update();
}

QImage TSpeedButtonEnh::StateImage(TButtonState state) const {
    if (glyph_.isNull())
        return QImage();
    int count = std::min(numGlyphs_, std::max(glyph_.width(), 1));
    int w = glyph_.width() / count;
    QImage strip = glyph_.hasAlphaChannel() ? glyph_.convertToFormat(QImage::Format_ARGB32)
                                            : MakeTransparent(glyph_, AutoTransparentColor(glyph_));
    int index = state;
    if (state == bsExclusive && count < 4)
        index = count >= 3 ? bsDown : bsUp;
    else if (state == bsDown && count < 3)
        index = bsUp;
    else if (state == bsDisabled && count < 2)
        return DisabledImage(strip.copy(0, 0, w, strip.height()));
    return strip.copy(index * w, 0, w, strip.height());
}

void TSpeedButtonEnh::DrawGlyphAndCaption(QPainter& p, const QRect& client, QPoint offset) {
    QImage image = StateImage(state_);
    QSize glyphSize = image.size(); // 0 x 0 without a glyph
    QString caption = QString::fromStdString(caption_);
    QSize textSize(0, 0);
    if (!caption.isEmpty()) {
        QRect textBounds(0, 0, client.width(), 0);
        DrawText(p, caption, textBounds, DT_CALCRECT | DT_SINGLELINE);
        textSize = textBounds.size();
    }

    // Glyph and caption side by side (or stacked), centred across the other direction.
    bool horizontal = layout_ == blGlyphLeft || layout_ == blGlyphRight;
    QPoint glyphPos, textPos;
    if (horizontal) {
        glyphPos.setY((client.height() - glyphSize.height() + 1) / 2);
        textPos.setY((client.height() - textSize.height() + 1) / 2);
    } else {
        glyphPos.setX((client.width() - glyphSize.width() + 1) / 2);
        textPos.setX((client.width() - textSize.width() + 1) / 2);
    }
    int spacing = spacing_, margin = margin_;
    if (textSize.width() == 0 || glyphSize.width() == 0)
        spacing = 0;
    int clientExtent = horizontal ? client.width() : client.height();
    int glyphExtent = horizontal ? glyphSize.width() : glyphSize.height();
    int textExtent = horizontal ? textSize.width() : textSize.height();
    if (margin == -1) {
        if (spacing == -1) {
            margin = (clientExtent - glyphExtent - textExtent) / 3;
            spacing = margin;
        } else {
            margin = (clientExtent - (glyphExtent + spacing + textExtent) + 1) / 2;
        }
    } else if (spacing == -1) {
        spacing = (clientExtent - (margin + glyphExtent) - textExtent) / 2;
    }
    switch (layout_) {
    case blGlyphLeft:
        glyphPos.setX(margin);
        textPos.setX(glyphPos.x() + glyphSize.width() + spacing);
        break;
    case blGlyphRight:
        glyphPos.setX(client.width() - margin - glyphSize.width());
        textPos.setX(glyphPos.x() - spacing - textSize.width());
        break;
    case blGlyphTop:
        glyphPos.setY(margin);
        textPos.setY(glyphPos.y() + glyphSize.height() + spacing);
        break;
    case blGlyphBottom:
        glyphPos.setY(client.height() - margin - glyphSize.height());
        textPos.setY(glyphPos.y() - spacing - textSize.height());
        break;
    }
    QPoint origin = client.topLeft() + offset;
    if (!image.isNull())
        p.drawImage(origin + glyphPos, image);
    if (caption.isEmpty())
        return;
    QRect text(origin + textPos, textSize);
    if (state_ == bsDisabled) {
        QRect shadow = text.translated(1, 1);
        p.setPen(ColorToQColor(clBtnHighlight));
        DrawText(p, caption, shadow, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        p.setPen(ColorToQColor(clBtnShadow));
    } else {
        p.setPen(ColorToQColor(clBtnText));
    }
    DrawText(p, caption, text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void TSpeedButtonEnh::PaintDropDownStrip(QPainter& p, const QRect& strip) {
    bool show =
        !flat_ || mouseInControl_ || droppedDown_ || state_ == bsDown || state_ == bsExclusive;
    if (show && indicatorBorder_ != ibNone) {
        QRect r = strip;
        if (droppedDown_)
            DrawEdge(p, r, BDR_SUNKENOUTER, BF_RECT);
        else if (indicatorBorder_ == ibSunken)
            DrawEdge(p, r, flat_ ? BDR_SUNKENOUTER : EDGE_SUNKEN, BF_RECT);
        else if (indicatorBorder_ == ibRaised)
            DrawEdge(p, r, flat_ ? BDR_RAISEDINNER : EDGE_RAISED, BF_RECT);
        else if (flat_)
            DrawEdge(p, r, BDR_RAISEDINNER, BF_RECT);
        else
            DrawToolButtonFace(p, r, TThemeState::Normal, false, false);
    }
    if (state_ == bsDisabled)
        return;
    // A downward triangle, one pixel lower and to the right while dropped down.
    int shift = droppedDown_ ? 1 : 0;
    DrawDownArrow(p, strip.translated(shift, shift), ColorToQColor(dropDownArrowColor_, Qt::black),
                  strip.width() >= 12 ? 7 : 5);
}

void TSpeedButtonEnh::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setFont(font());
    if (!transparent_)
        FillRect(p, rect(), clBtnFace);
    int ddw = std::clamp(dropDownWidth_, 0, width());
    QRect main(0, 0, width() - ddw, height());
    bool pressed = state_ == bsDown || state_ == bsExclusive;
    TThemeState look = state_ == bsDisabled ? TThemeState::Disabled
                       : pressed            ? TThemeState::Pressed
                       : mouseInControl_    ? TThemeState::Hot
                                            : TThemeState::Normal;
    DrawToolButtonFace(p, main, look, flat_, state_ == bsExclusive);
    QRect client = main.adjusted(flat_ ? 1 : 2, flat_ ? 1 : 2, flat_ ? -1 : -2, flat_ ? -1 : -2);
    if (!ThemesEnabled() && state_ == bsExclusive && (!flat_ || !mouseInControl_)) {
        // The checked look: the face dithered with the highlight colour.
        p.fillRect(client, ColorToQColor(clBtnFace));
        p.fillRect(client, QBrush(ColorToQColor(clBtnHighlight), Qt::Dense4Pattern));
    }
    QPoint offset = pressed ? QPoint(1, 1) : QPoint(0, 0);
    DrawGlyphAndCaption(p, client, offset);
    if (ddw > 0)
        PaintDropDownStrip(p, QRect(width() - ddw, 0, ddw, height()));
}

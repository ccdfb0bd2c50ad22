#include "app/gradientcaption.h"

#include <QPainter>

#include "app/flypanelcontroller.h"
#include "platform/gui/canvas.h"
#include "platform/gui/qtcolors.h"

TGradientCaption::TGradientCaption(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TGradientCaption::SetCaptionPainter(const TFlyPanelController* painter) {
    painter_ = painter;
    update();
}

void TGradientCaption::SetCaption(const QString& text) {
    if (text == caption_)
        return;
    caption_ = text;
    if (!painter_)
        update();
}

void TGradientCaption::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    if (painter_) {
        painter_->PaintCaption(p, size());
        return;
    }
    QRect r = rect();
    Frame3D(p, r, clBtnHighlight, clBtnShadow, 1);
    p.setPen(palette().color(QPalette::WindowText));
    p.setFont(font());
    DrawText(p, caption_, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

#include "app/flypanelcontroller.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QWindow>

#include "platform/gui/qtcolors.h"

namespace {

Qt::Edges EdgesOf(THitTest hit) {
    switch (hit) {
    case HTLEFT:
        return Qt::LeftEdge;
    case HTRIGHT:
        return Qt::RightEdge;
    case HTTOP:
        return Qt::TopEdge;
    case HTBOTTOM:
        return Qt::BottomEdge;
    case HTTOPLEFT:
        return Qt::TopEdge | Qt::LeftEdge;
    case HTTOPRIGHT:
        return Qt::TopEdge | Qt::RightEdge;
    case HTBOTTOMLEFT:
        return Qt::BottomEdge | Qt::LeftEdge;
    case HTBOTTOMRIGHT:
        return Qt::BottomEdge | Qt::RightEdge;
    default:
        return {};
    }
}

// Resizes a window with the mouse where the window system offers no resize of its own: an
// application-wide filter that moves the dragged edges until the left button goes up.
class TManualSizer : public QObject {
public:
    TManualSizer(QWidget* window, Qt::Edges edges)
        : QObject(qApp), window_(window), edges_(edges), start_(QCursor::pos()),
          startGeometry_(window->geometry()) {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != QEvent::MouseMove && e->type() != QEvent::MouseButtonRelease)
            return false;
        auto* m = static_cast<QMouseEvent*>(e);
        if (window_) {
            QPoint d = m->globalPosition().toPoint() - start_;
            QRect g = startGeometry_;
            QSize min = window_->minimumSize();
            if (edges_ & Qt::LeftEdge)
                g.setLeft(std::min(g.left() + d.x(), g.right() + 1 - min.width()));
            if (edges_ & Qt::RightEdge)
                g.setRight(std::max(g.right() + d.x(), g.left() - 1 + min.width()));
            if (edges_ & Qt::TopEdge)
                g.setTop(std::min(g.top() + d.y(), g.bottom() + 1 - min.height()));
            if (edges_ & Qt::BottomEdge)
                g.setBottom(std::max(g.bottom() + d.y(), g.top() - 1 + min.height()));
            window_->setGeometry(g);
        }
        if (e->type() == QEvent::MouseButtonRelease || !(m->buttons() & Qt::LeftButton) ||
            !window_) {
            qApp->removeEventFilter(this);
            deleteLater();
        }
        return true;
    }

private:
    QPointer<QWidget> window_;
    Qt::Edges edges_;
    QPoint start_;
    QRect startGeometry_;
};

} // namespace

// Keeps the laid-out widgets anchored to the form: renews the layout on every resize.
class TFlyPanelController::TAnchors : public QObject {
public:
    TAnchors(TFlyPanelController& owner) : owner_(owner) {}
    QPointer<QWidget> Form, Caption, Container, Content, BottomBar;

    void Watch(QWidget* form) {
        if (Form == form)
            return;
        if (Form)
            Form->removeEventFilter(this);
        Form = form;
        form->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == Form && e->type() == QEvent::Resize)
            owner_.Realign();
        return false;
    }

private:
    TFlyPanelController& owner_;
};

TFlyPanelController::TFlyPanelController() : anchors_(std::make_unique<TAnchors>(*this)) {}

TFlyPanelController::~TFlyPanelController() = default;

void TFlyPanelController::Layout(QWidget* form, QWidget* caption, QWidget* container,
                                 QWidget* content, QWidget* bottomBar) {
    anchors_->Caption = caption;
    anchors_->Container = container;
    anchors_->Content = content;
    anchors_->BottomBar = bottomBar;
    anchors_->Watch(form);
    container->setGeometry(Geometry.ContainerRect(form->size()));
    caption->setGeometry(Geometry.CaptionRect(container->size(), caption->height()));
    PlaceContent(container, bottomBar, content, caption);
    FitForm(form, content, bottomBar, caption);
    Realign();
}

void TFlyPanelController::PlaceContent(QWidget* container, QWidget* bottomBar, QWidget* content,
                                       QWidget* caption) const {
    content->setGeometry(
        Geometry.ContentRect(container->size(), caption->height(), bottomBar->height()));
}

void TFlyPanelController::PlaceBottomBar(QWidget* container, QWidget* bottomBar) const {
    bottomBar->setGeometry(Geometry.BottomBarRect(container->size(), bottomBar->height()));
}

void TFlyPanelController::FitForm(QWidget* form, QWidget* content, QWidget* bottomBar,
                                  QWidget* caption) const {
    QSize fit = Geometry.FittedClientSize(content->size(), bottomBar->height(), caption->height());
    form->resize(fit.width(), collapsed_ ? form->height() : fit.height());
}

void TFlyPanelController::Realign() {
    TAnchors& a = *anchors_;
    if (!a.Form || !a.Container)
        return;
    a.Container->setGeometry(Geometry.ContainerRect(a.Form->size()));
    if (a.Caption)
        a.Caption->setGeometry(Geometry.CaptionRect(a.Container->size(), a.Caption->height()));
    // While collapsed the content and bottom bar keep their expanded places.
    if (!collapsed_ && a.Caption && a.Content && a.BottomBar) {
        PlaceContent(a.Container, a.BottomBar, a.Content, a.Caption);
        PlaceBottomBar(a.Container, a.BottomBar);
    }
    SetWindowRegion(a.Form);
}

void TFlyPanelController::ToggleCollapse(QWidget* form, QWidget* caption, QWidget* hidden1,
                                         QWidget* hidden2) {
    if (!hidden2->isHidden()) {
        hidden2->hide();
        hidden1->hide();
        savedHeight_ = form->height();
        collapsed_ = true;
        form->resize(form->width(), Geometry.CollapsedClientHeight(caption->height()));
    } else {
        collapsed_ = false;
        if (savedHeight_ > 0)
            form->resize(form->width(), savedHeight_);
        hidden1->show();
        hidden2->show();
    }
    Realign();
}

int TFlyPanelController::ExpandedHeight(const QWidget* form) const {
    return collapsed_ ? savedHeight_ : form->height();
}

void TFlyPanelController::SetExpandedHeight(QWidget* form, int height) {
    if (collapsed_)
        savedHeight_ = height;
    else
        form->resize(form->width(), height);
}

void TFlyPanelController::SetWindowRegion(QWidget* form) const {
    form->setMask(QRegion(TFlyPanelLayout::WindowRegion(form->size()), Qt::OddEvenFill));
}

THitTest TFlyPanelController::HitTest(const QWidget* form, QPoint globalPos, bool sizeHorz,
                                      bool sizeVert) const {
    return Geometry.HitTest(form->mapFromGlobal(globalPos), form->size(), sizeHorz, sizeVert);
}

Qt::CursorShape TFlyPanelController::HitCursor(THitTest hit) {
    switch (hit) {
    case HTLEFT:
    case HTRIGHT:
        return Qt::SizeHorCursor;
    case HTTOP:
    case HTBOTTOM:
        return Qt::SizeVerCursor;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
        return Qt::SizeFDiagCursor;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT:
        return Qt::SizeBDiagCursor;
    default:
        return Qt::ArrowCursor;
    }
}

bool TFlyPanelController::StartSizing(QWidget* form, THitTest hit) {
    Qt::Edges edges = EdgesOf(hit);
    if (!edges)
        return false;
    QWidget* window = form->window();
    QWindow* handle = window->windowHandle();
    if (!handle || !handle->startSystemResize(edges))
        new TManualSizer(window, edges); // owned by the application; frees itself
    return true;
}

bool TFlyPanelController::HandleMouse(QWidget* form, QMouseEvent* e, bool sizeHorz,
                                      bool sizeVert) const {
    THitTest hit = HitTest(form, e->globalPosition().toPoint(), sizeHorz, sizeVert);
    if (e->type() == QEvent::MouseMove && e->buttons() == Qt::NoButton) {
        if (hit == HTCLIENT)
            form->unsetCursor();
        else
            form->setCursor(HitCursor(hit));
        return hit != HTCLIENT;
    }
    if (e->type() == QEvent::MouseButtonPress && e->button() == Qt::LeftButton)
        return StartSizing(form, hit);
    return false;
}

void DrawFrameLines(QPainter& p, const std::vector<TFrameLine>& lines) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    for (const TFrameLine& l : lines) {
        QPoint d = l.To - l.From;
        int steps = std::max(std::abs(d.x()), std::abs(d.y()));
        if (steps == 0)
            continue;
        QPoint step((d.x() > 0) - (d.x() < 0), (d.y() > 0) - (d.y() < 0));
        QPolygon pixels;
        pixels.reserve(steps);
        for (int i = 0; i < steps; ++i)
            pixels << l.From + step * i;
        p.setPen(QPen(ColorToQColor(l.Color), 0));
        p.drawPoints(pixels);
    }
    p.restore();
}

void TFlyPanelController::DrawFormFrame(QPainter& p, QSize size) const {
    DrawFrameLines(
        p, TFlyPanelLayout::FrameLines(size, 3, true, true, FormFrameColors, FormFrameColors));
}

void TFlyPanelController::DrawPanelFrame(QPainter& p, QSize size, bool withTop) const {
    DrawFrameLines(p, TFlyPanelLayout::FrameLines(size, 3, false, withTop, PanelFrameColors,
                                                  PanelFrameColors));
}

void TFlyPanelController::PaintCaption(QPainter& p, QSize size) const {
    DrawFrameLines(p, TFlyPanelLayout::FrameLines(size, Geometry.CaptionRingCount, false, true,
                                                  CaptionTopColors, CaptionColors));
}

void TFlyPanelController::DrawCaptionSeparator(QPainter& p, QSize size) const {
    DrawFrameLines(p, {{QPoint(3, 2), QPoint(size.width() - 3, 2), SeparatorColor}});
}

// Scrolling: scroll bar actions as scroll codes, the mouse wheel, auto-scroll at the edges on
// the scroll timer, wheel panning with the middle button, and the scroll bars' notices.
#include <QApplication>
#include <QBitmap>
#include <QCursor>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>

#include "controls/tree/leantree.h"
#include "controls/tree/treedrag.h"
#include "controls/tree/treeheader.h"
#include "controls/tree/treehint.h"

using enum TLeanTreeState;
using enum TLTAutoOption;
using enum TLTMiscOption;

namespace {

constexpr int PanningDeadZone = 8;
constexpr int PanningInterval = 20; // milliseconds between wheel-panning steps
constexpr uint32_t MinimumTimerInterval = 10;

// The panning window: a 32 x 32 frameless tool window shaped by its image.
class TLTPanningWindow : public QWidget {
public:
    TLTPanningWindow(QWidget* parent, QImage image)
        : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint), image_(std::move(image)) {
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFixedSize(image_.size());
        setMask(QBitmap::fromImage(image_.createAlphaMask()));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.drawImage(0, 0, image_);
    }

private:
    QImage image_;
};

void Arrow(QPainter& p, QPointF tip, QPointF dir) {
    QPointF side(-dir.y(), dir.x());
    QPolygonF tri{tip, tip - dir * 5 + side * 4, tip - dir * 5 - side * 4};
    p.drawPolygon(tri);
}

} // namespace

QImage PanningImage(TLTPanningImage Kind) {
    QImage img(32, 32, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(0.5, 0.5, 31, 31));
    p.setBrush(Qt::black);
    p.drawEllipse(QRectF(14, 14, 4, 4));
    QPointF c(16, 16);
    const QPointF N(0, -1), S(0, 1), E(1, 0), W(-1, 0);
    auto arrows = [&](std::initializer_list<QPointF> dirs) {
        for (QPointF d : dirs) {
            qreal len = std::hypot(d.x(), d.y());
            QPointF u = d / len;
            Arrow(p, c + u * 13, u);
        }
    };
    switch (Kind) {
    case piMoveAll:
        arrows({N, S, E, W});
        break;
    case piMoveEW:
        arrows({E, W});
        break;
    case piMoveNS:
        arrows({N, S});
        break;
    case piMoveN:
        arrows({N});
        break;
    case piMoveS:
        arrows({S});
        break;
    case piMoveE:
        arrows({E});
        break;
    case piMoveW:
        arrows({W});
        break;
    case piMoveNE:
        arrows({N + E});
        break;
    case piMoveNW:
        arrows({N + W});
        break;
    case piMoveSE:
        arrows({S + E});
        break;
    case piMoveSW:
        arrows({S + W});
        break;
    }
    return img;
}

// ---- scroll bars ----

bool TBaseLeanTree::WireScrollBars() {
    FScrollTimer = new QTimer(this);
    connect(FScrollTimer, &QTimer::timeout, this, [this] { OnScrollTimer(); });
    for (auto bar : {Qt::Vertical, Qt::Horizontal}) {
        QScrollBar* sb = bar == Qt::Vertical ? verticalScrollBar() : horizontalScrollBar();
        connect(sb, &QAbstractSlider::actionTriggered, this, [this, sb, bar](int action) {
            TLTScrollCode code;
            switch (action) {
            case QAbstractSlider::SliderSingleStepAdd:
                code = scLineDown;
                break;
            case QAbstractSlider::SliderSingleStepSub:
                code = scLineUp;
                break;
            case QAbstractSlider::SliderPageStepAdd:
                code = scPageDown;
                break;
            case QAbstractSlider::SliderPageStepSub:
                code = scPageUp;
                break;
            case QAbstractSlider::SliderToMinimum:
                code = scTop;
                break;
            case QAbstractSlider::SliderToMaximum:
                code = scBottom;
                break;
            case QAbstractSlider::SliderMove:
                code = scThumbTrack;
                break;
            default:
                return;
            }
            HandleScrollCode(bar, code, sb->sliderPosition());
            // The bar's own arithmetic is replaced by the offset just set.
            sb->setSliderPosition(bar == Qt::Vertical ? -FOffsetY : -FOffsetX);
        });
        connect(sb, &QAbstractSlider::sliderReleased, this,
                [this, bar] { HandleScrollCode(bar, scEndScroll); });
    }
    return true;
}

void TBaseLeanTree::HandleScrollCode(Qt::Orientation Bar, TLTScrollCode Code, int TrackPos) {
    bool vertical = Bar == Qt::Vertical;
    int offset = vertical ? FOffsetY : FOffsetX;
    int increment =
        vertical ? FScrollBarOptions->VerticalIncrement : FScrollBarOptions->HorizontalIncrement;
    int extent = vertical ? ClientHeight() : ClientWidth();
    switch (Code) {
    case scLineUp:
        offset += increment;
        break;
    case scLineDown:
        offset -= increment;
        break;
    case scPageUp:
        offset += extent;
        break;
    case scPageDown:
        offset -= extent;
        break;
    case scThumbPosition:
    case scThumbTrack:
        DoStateChange(tsThumbTracking);
        offset = -TrackPos;
        break;
    case scTop:
        offset = 0;
        break;
    case scBottom:
        offset = vertical ? -int(FRoot->TotalHeight) : -FRangeX;
        break;
    case scEndScroll:
        DoStateChange({}, tsThumbTracking);
        UpdateScrollBars(true);
        return;
    }
    if (vertical)
        SetOffsetY(offset);
    else
        SetOffsetX(offset);
}

void TBaseLeanTree::wheelEvent(QWheelEvent* e) {
    StopWheelPanning();
    QPoint angle = e->angleDelta();
    int delta = angle.y() ? angle.y() : angle.x();
    bool shift = e->modifiers() & Qt::ShiftModifier;
    // A notch is 120; finer wheels and touch pads send parts of one, which scroll their share
    // in pixels (the remainder kept for the next) instead of rounding down to nothing.
    if (RangeY() <= ClientHeight()) {
        int step = shift ? ClientWidth() : int(FIndent);
        int64_t total = int64_t(delta) * step + FWheelRemainderX;
        FWheelRemainderX = int(total % 120);
        SetOffsetX(FOffsetX + int(total / 120));
    } else {
        int rowHeight = int(FDefaultNodeHeight);
        int lines = shift ? ClientHeight() / rowHeight : QApplication::wheelScrollLines();
        int64_t total = int64_t(delta) * lines * rowHeight + FWheelRemainderY;
        FWheelRemainderY = int(total % 120);
        SetOffsetY(FOffsetY + int(total / 120));
    }
    e->accept();
}

// ---- auto-scroll ----

bool TBaseLeanTree::CanAutoScroll() const {
    bool wheel = FStates.Intersects({tsWheelPanning, tsWheelScrolling});
    if (!HasAuto(toAutoScroll) && !wheel)
        return false;
    if (FHeader && FHeader->States().Contains(THeaderState::hsDragging))
        return false;
    return wheel ||
           FStates.Intersects({tsDrawSelPending, tsDrawSelecting, tsOLEDragging, tsVCLDragging}) ||
           (FDragManager && FDragManager->IsDropTarget());
}

TLTScrollDirections TBaseLeanTree::DetermineScrollDirections(int X, int Y, uint64_t Now) {
    TLTScrollDirections dirs = 0;
    if (!CanAutoScroll()) {
        FDirectionsSince = 0;
        return 0;
    }
    if (FStates.Intersects({tsWheelPanning, tsWheelScrolling})) {
        if (X < FPanningStart.x() - PanningDeadZone)
            dirs |= sdLeft;
        else if (X > FPanningStart.x() + PanningDeadZone)
            dirs |= sdRight;
        if (Y < FPanningStart.y() - PanningDeadZone)
            dirs |= sdUp;
        else if (Y > FPanningStart.y() + PanningDeadZone)
            dirs |= sdDown;
        return dirs;
    }
    int zone = int(FDefaultNodeHeight);
    if (X < zone && FOffsetX < 0)
        dirs |= sdLeft;
    if (ClientWidth() - FOffsetX < FRangeX && X >= ClientWidth() - zone)
        dirs |= sdRight;
    if (Y < zone && FOffsetY < 0)
        dirs |= sdUp;
    if (ClientHeight() - FOffsetY < RangeY() && Y >= ClientHeight() - zone)
        dirs |= sdDown;
    if (!dirs)
        FDirectionsSince = 0;
    else if (FDirectionsSince == 0)
        FDirectionsSince = Now ? Now : 1;
    return dirs;
}

void TBaseLeanTree::DoAutoScroll(int X, int Y, uint64_t Now) {
    FScrollDirections = DetermineScrollDirections(X, Y, Now);
    if (FStates.Intersects({tsWheelPanning, tsWheelScrolling}))
        return;
    bool running = FStates.Intersects({tsScrolling, tsScrollPending});
    if (FScrollDirections && !running) {
        // Scrolling starts once the mouse has stayed AutoScrollDelay in an edge zone.
        uint64_t waited = Now >= FDirectionsSince ? Now - FDirectionsSince : 0;
        int delay = int(AutoScrollDelay > waited ? AutoScrollDelay - waited : 0);
        DoStateChange(tsScrollPending);
        FScrollTimer->start(delay);
    } else if (!FScrollDirections && running) {
        FScrollTimer->stop();
        DoStateChange({}, {tsScrolling, tsScrollPending});
    }
}

bool TBaseLeanTree::ScrollTimerActive() const {
    return FScrollTimer->isActive();
}

int TBaseLeanTree::ScrollTimerInterval() const {
    return FScrollTimer->interval();
}

void TBaseLeanTree::OnScrollTimer() {
    ScrollTimerTick(viewport()->mapFromGlobal(QCursor::pos()));
}

void TBaseLeanTree::ScrollTimerTick(QPoint Cursor) {
    if (FStates.Intersects({tsWheelPanning, tsWheelScrolling})) {
        FScrollDirections = DetermineScrollDirections(Cursor.x(), Cursor.y(), 0);
    } else if (FStates.Contains(tsScrollPending)) {
        CancelHint();
        // Like the system timers the interval was chosen for, no faster than every 10 ms
        // (at 1 ms a band or drag would cross a long list in a blink).
        FScrollTimer->start(int(std::max<uint32_t>(AutoScrollInterval, MinimumTimerInterval)));
        DoStateChange(tsScrolling, tsScrollPending);
    }
    DoTimerScroll(Cursor);
}

void TBaseLeanTree::DoTimerScroll(QPoint Cursor) {
    bool wheel = FStates.Intersects({tsWheelPanning, tsWheelScrolling});
    QRect client(0, 0, ClientWidth(), ClientHeight());
    bool inside = client.contains(Cursor);
    auto step = [&](TLTScrollDirections d) {
        bool vertical = d == sdUp || d == sdDown;
        if (wheel) {
            int dist = vertical ? std::abs(Cursor.y() - FPanningStart.y())
                                : std::abs(Cursor.x() - FPanningStart.x());
            return std::max(0, dist - PanningDeadZone);
        }
        int s = vertical ? std::min(FScrollBarOptions->VerticalIncrement, client.height())
                         : std::min(FScrollBarOptions->HorizontalIncrement, client.width());
        if (!inside) {
            int outside = 0;
            if (d == sdUp)
                outside = -Cursor.y();
            else if (d == sdDown)
                outside = Cursor.y() - client.bottom();
            else if (d == sdLeft)
                outside = -Cursor.x();
            else
                outside = Cursor.x() - client.right();
            s *= std::max(1, outside);
        }
        return s;
    };
    QPoint offset(FOffsetX, FOffsetY);
    if (FScrollDirections & sdUp)
        offset.ry() += step(sdUp);
    if (FScrollDirections & sdDown)
        offset.ry() -= step(sdDown);
    if (FScrollDirections & sdLeft)
        offset.rx() += step(sdLeft);
    if (FScrollDirections & sdRight)
        offset.rx() -= step(sdRight);
    DoSetOffsetXY(offset);
    // A rubber band grows with the content that scrolls in under the mouse.
    if (IsMouseSelecting() && CalculateSelectionRect(Cursor.x(), Cursor.y()))
        HandleDrawSelection(FNewSelRect, FLastSelRect,
                            QGuiApplication::keyboardModifiers() & Qt::ControlModifier);
    // Directions that reached their end are dropped.
    if (FOffsetY == 0)
        FScrollDirections &= ~sdUp;
    if (FOffsetY <= ClientHeight() - RangeY())
        FScrollDirections &= ~sdDown;
    if (FOffsetX == 0)
        FScrollDirections &= ~sdLeft;
    if (FOffsetX <= ClientWidth() - FRangeX)
        FScrollDirections &= ~sdRight;
}

// ---- wheel panning ----

void TBaseLeanTree::StartWheelPanning(QPoint Position) {
    FScrollTimer->stop();
    DoStateChange(tsWheelPanning, {tsScrolling, tsScrollPending});
    FPanningStart = Position;
    bool v = RangeY() > ClientHeight(), h = FRangeX > ClientWidth();
    FPanningCursor = v && h ? piMoveAll : v ? piMoveNS : piMoveEW;
    delete FPanningWindow;
    auto* w = new TLTPanningWindow(this, PanningImage(FPanningCursor));
    FPanningWindow = w;
    w->move(viewport()->mapToGlobal(Position) - QPoint(16, 16));
    w->show();
    viewport()->setCursor(QCursor(QPixmap::fromImage(PanningImage(FPanningCursor))));
    viewport()->grabMouse();
    FScrollTimer->start(PanningInterval);
}

void TBaseLeanTree::StopWheelPanning() {
    if (!FStates.Intersects({tsWheelPanning, tsWheelScrolling}))
        return;
    delete FPanningWindow;
    FPanningWindow = nullptr;
    DoStateChange({}, {tsWheelPanning, tsWheelScrolling});
    viewport()->releaseMouse();
    viewport()->unsetCursor();
    FScrollTimer->stop();
    FScrollDirections = 0;
}

void TBaseLeanTree::AdjustPanningCursor(int X, int Y) {
    bool v = RangeY() > ClientHeight(), h = FRangeX > ClientWidth();
    int dx = X - FPanningStart.x(), dy = Y - FPanningStart.y();
    bool east = dx > PanningDeadZone, west = dx < -PanningDeadZone;
    bool south = dy > PanningDeadZone, north = dy < -PanningDeadZone;
    if (!h)
        east = west = false;
    if (!v)
        north = south = false;
    TLTPanningImage kind = v && h ? piMoveAll : v ? piMoveNS : piMoveEW;
    if (north)
        kind = east ? piMoveNE : west ? piMoveNW : piMoveN;
    else if (south)
        kind = east ? piMoveSE : west ? piMoveSW : piMoveS;
    else if (east)
        kind = piMoveE;
    else if (west)
        kind = piMoveW;
    if (kind != FPanningCursor) {
        FPanningCursor = kind;
        viewport()->setCursor(QCursor(QPixmap::fromImage(PanningImage(kind))));
    }
}

bool TBaseLeanTree::viewportEvent(QEvent* e) {
    bool wheelState = FStates.Intersects({tsWheelPanning, tsWheelScrolling});
    switch (e->type()) {
    case QEvent::MouseButtonPress: {
        auto* m = static_cast<QMouseEvent*>(e);
        if (wheelState) {
            StopWheelPanning();
            return true;
        }
        bool larger = RangeY() > ClientHeight() || FRangeX > ClientWidth();
        if (m->button() == Qt::MiddleButton && HasMisc(toWheelPanning) && larger) {
            CancelHint();
            StartWheelPanning(m->position().toPoint());
            return true;
        }
        break;
    }
    case QEvent::MouseMove: {
        if (!wheelState)
            break;
        auto* m = static_cast<QMouseEvent*>(e);
        QPoint p = m->position().toPoint();
        if ((m->buttons() & Qt::MiddleButton) &&
            (p - FPanningStart).manhattanLength() >= QApplication::startDragDistance())
            DoStateChange(tsWheelScrolling);
        AdjustPanningCursor(p.x(), p.y());
        return true;
    }
    case QEvent::MouseButtonRelease: {
        if (!wheelState)
            break;
        // Holding the button and moving pans until it is released; a click keeps panning.
        if (FStates.Contains(tsWheelScrolling))
            StopWheelPanning();
        return true;
    }
    case QEvent::ToolTip:
        ShowHintAt(static_cast<QHelpEvent*>(e)->pos());
        return true;
    case QEvent::Leave:
        FLastHintRect = QRect();
        CancelHint();
        if (!wheelState) {
            FScrollTimer->stop();
            DoStateChange({}, {tsScrolling, tsScrollPending});
        }
        MouseLeft();
        break;
    default:
        break;
    }
    return QAbstractScrollArea::viewportEvent(e);
}

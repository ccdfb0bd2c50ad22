// Scrolling: scroll bar actions as scroll codes, the mouse wheel, auto-scroll at the edges on
// the scroll timer, wheel panning with the middle button, and the scroll bars' notices.
#include "controls/tree/treescroll.h"

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

TBaseLeanTree& TLeanTreeScrolling::ScrollTree() {
    return static_cast<TBaseLeanTree&>(*this);
}

const TBaseLeanTree& TLeanTreeScrolling::ScrollTree() const {
    return static_cast<const TBaseLeanTree&>(*this);
}

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

void TLeanTreeScrolling::HandleScrollCode(Qt::Orientation Bar, TLTScrollCode Code, int TrackPos) {
    auto& tree = ScrollTree();
    bool vertical = Bar == Qt::Vertical;
    int offset = vertical ? tree.FOffsetY : tree.FOffsetX;
    int increment = vertical ? tree.FScrollBarOptions->VerticalIncrement
                             : tree.FScrollBarOptions->HorizontalIncrement;
    int extent = vertical ? tree.ClientHeight() : tree.ClientWidth();
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
        tree.DoStateChange(tsThumbTracking);
        offset = -TrackPos;
        break;
    case scTop:
        offset = 0;
        break;
    case scBottom:
        offset = vertical ? -int(tree.FRoot->TotalHeight) : -tree.FRangeX;
        break;
    case scEndScroll:
        tree.DoStateChange({}, tsThumbTracking);
        tree.UpdateScrollBars(true);
        return;
    }
    if (vertical)
        tree.SetOffsetY(offset);
    else
        tree.SetOffsetX(offset);
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

bool TLeanTreeScrolling::CanAutoScroll() const {
    auto& tree = ScrollTree();
    bool wheel = tree.FStates.Intersects({tsWheelPanning, tsWheelScrolling});
    if (!tree.HasAuto(toAutoScroll) && !wheel)
        return false;
    if (tree.FHeader && tree.FHeader->States().Contains(THeaderState::hsDragging))
        return false;
    return wheel ||
           tree.FStates.Intersects(
               {tsDrawSelPending, tsDrawSelecting, tsOLEDragging, tsVCLDragging}) ||
           (tree.FDragManager && tree.FDragManager->IsDropTarget());
}

TLTScrollDirections TLeanTreeScrolling::DetermineScrollDirections(int X, int Y, uint64_t Now) {
    auto& tree = ScrollTree();
    TLTScrollDirections dirs = 0;
    if (!CanAutoScroll()) {
        FDirectionsSince = 0;
        return 0;
    }
    if (tree.FStates.Intersects({tsWheelPanning, tsWheelScrolling})) {
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
    int zone = int(tree.FDefaultNodeHeight);
    if (X < zone && tree.FOffsetX < 0)
        dirs |= sdLeft;
    if (tree.ClientWidth() - tree.FOffsetX < tree.FRangeX && X >= tree.ClientWidth() - zone)
        dirs |= sdRight;
    if (Y < zone && tree.FOffsetY < 0)
        dirs |= sdUp;
    if (tree.ClientHeight() - tree.FOffsetY < tree.RangeY() && Y >= tree.ClientHeight() - zone)
        dirs |= sdDown;
    if (!dirs)
        FDirectionsSince = 0;
    else if (FDirectionsSince == 0)
        FDirectionsSince = Now ? Now : 1;
    return dirs;
}

void TLeanTreeScrolling::DoAutoScroll(int X, int Y, uint64_t Now) {
    auto& tree = ScrollTree();
    FScrollDirections = DetermineScrollDirections(X, Y, Now);
    if (tree.FStates.Intersects({tsWheelPanning, tsWheelScrolling}))
        return;
    bool running = tree.FStates.Intersects({tsScrolling, tsScrollPending});
    if (FScrollDirections && !running) {
        // Scrolling starts once the mouse has stayed AutoScrollDelay in an edge zone.
        uint64_t waited = Now >= FDirectionsSince ? Now - FDirectionsSince : 0;
        int delay = int(AutoScrollDelay > waited ? AutoScrollDelay - waited : 0);
        tree.DoStateChange(tsScrollPending);
        FScrollTimer->start(delay);
    } else if (!FScrollDirections && running) {
        FScrollTimer->stop();
        tree.DoStateChange({}, {tsScrolling, tsScrollPending});
    }
}

bool TLeanTreeScrolling::ScrollTimerActive() const {
    return FScrollTimer->isActive();
}

int TLeanTreeScrolling::ScrollTimerInterval() const {
    return FScrollTimer->interval();
}

void TLeanTreeScrolling::OnScrollTimer() {
    auto& tree = ScrollTree();
    ScrollTimerTick(tree.viewport()->mapFromGlobal(QCursor::pos()));
}

void TLeanTreeScrolling::ScrollTimerTick(QPoint Cursor) {
    auto& tree = ScrollTree();
    if (tree.FStates.Intersects({tsWheelPanning, tsWheelScrolling})) {
        FScrollDirections = DetermineScrollDirections(Cursor.x(), Cursor.y(), 0);
    } else if (tree.FStates.Contains(tsScrollPending)) {
        tree.CancelHint();
        // Like the system timers the interval was chosen for, no faster than every 10 ms
        // (at 1 ms a band or drag would cross a long list in a blink).
        FScrollTimer->start(int(std::max<uint32_t>(AutoScrollInterval, MinimumTimerInterval)));
        tree.DoStateChange(tsScrolling, tsScrollPending);
    }
    DoTimerScroll(Cursor);
}

void TLeanTreeScrolling::DoTimerScroll(QPoint Cursor) {
    auto& tree = ScrollTree();
    bool wheel = tree.FStates.Intersects({tsWheelPanning, tsWheelScrolling});
    QRect client(0, 0, tree.ClientWidth(), tree.ClientHeight());
    bool inside = client.contains(Cursor);
    auto step = [&](TLTScrollDirections d) {
        bool vertical = d == sdUp || d == sdDown;
        if (wheel) {
            int dist = vertical ? std::abs(Cursor.y() - FPanningStart.y())
                                : std::abs(Cursor.x() - FPanningStart.x());
            return std::max(0, dist - PanningDeadZone);
        }
        int s = vertical ? std::min(tree.FScrollBarOptions->VerticalIncrement, client.height())
                         : std::min(tree.FScrollBarOptions->HorizontalIncrement, client.width());
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
    QPoint offset(tree.FOffsetX, tree.FOffsetY);
    if (FScrollDirections & sdUp)
        offset.ry() += step(sdUp);
    if (FScrollDirections & sdDown)
        offset.ry() -= step(sdDown);
    if (FScrollDirections & sdLeft)
        offset.rx() += step(sdLeft);
    if (FScrollDirections & sdRight)
        offset.rx() -= step(sdRight);
    tree.DoSetOffsetXY(offset);
    // A rubber band grows with the content that scrolls in under the mouse.
    if (tree.IsMouseSelecting() && tree.CalculateSelectionRect(Cursor.x(), Cursor.y()))
        tree.HandleDrawSelection(tree.FNewSelRect, tree.FLastSelRect,
                                 QGuiApplication::keyboardModifiers() & Qt::ControlModifier);
    // Directions that reached their end are dropped.
    if (tree.FOffsetY == 0)
        FScrollDirections &= ~sdUp;
    if (tree.FOffsetY <= tree.ClientHeight() - tree.RangeY())
        FScrollDirections &= ~sdDown;
    if (tree.FOffsetX == 0)
        FScrollDirections &= ~sdLeft;
    if (tree.FOffsetX <= tree.ClientWidth() - tree.FRangeX)
        FScrollDirections &= ~sdRight;
}

// ---- wheel panning ----

void TLeanTreeScrolling::StartWheelPanning(QPoint Position) {
    auto& tree = ScrollTree();
    FScrollTimer->stop();
    tree.DoStateChange(tsWheelPanning, {tsScrolling, tsScrollPending});
    FPanningStart = Position;
    bool v = tree.RangeY() > tree.ClientHeight(), h = tree.FRangeX > tree.ClientWidth();
    FPanningCursor = v && h ? piMoveAll : v ? piMoveNS : piMoveEW;
    delete FPanningWindow;
    auto* w = new TLTPanningWindow(&tree, PanningImage(FPanningCursor));
    FPanningWindow = w;
    w->move(tree.viewport()->mapToGlobal(Position) - QPoint(16, 16));
    w->show();
    tree.viewport()->setCursor(QCursor(QPixmap::fromImage(PanningImage(FPanningCursor))));
    tree.viewport()->grabMouse();
    FScrollTimer->start(PanningInterval);
}

void TLeanTreeScrolling::StopWheelPanning() {
    auto& tree = ScrollTree();
    if (!tree.FStates.Intersects({tsWheelPanning, tsWheelScrolling}))
        return;
    delete FPanningWindow;
    FPanningWindow = nullptr;
    tree.DoStateChange({}, {tsWheelPanning, tsWheelScrolling});
    tree.viewport()->releaseMouse();
    tree.viewport()->unsetCursor();
    FScrollTimer->stop();
    FScrollDirections = 0;
}

void TLeanTreeScrolling::AdjustPanningCursor(int X, int Y) {
    auto& tree = ScrollTree();
    bool v = tree.RangeY() > tree.ClientHeight(), h = tree.FRangeX > tree.ClientWidth();
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
        tree.viewport()->setCursor(QCursor(QPixmap::fromImage(PanningImage(kind))));
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

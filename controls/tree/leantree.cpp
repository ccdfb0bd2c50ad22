// TBaseLeanTree as a Qt widget: construction and destruction, the private state-change
// event, invalidation, scroll bars and offsets, the header's place and option reactions.
#include "controls/tree/leantree.h"

#include <QCoreApplication>
#include <QCursor>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <cstdlib>

#include "controls/tree/nodepool.h"
#include "controls/tree/treeaccessible.h"
#include "controls/tree/treecolumns.h"
#include "controls/tree/treedrag.h"
#include "controls/tree/treeheader.h"
#include "controls/tree/treehelpers.h"
#include "controls/tree/treeworker.h"
#include "platform/gui/helprequests.h"
#include "platform/gui/qtcolors.h"
#include "platform/gui/themes.h"

using enum TLeanTreeState;
using enum TLTMiscOption;
using enum TLTSelectionOption;
using enum TLTPaintOption;
using enum TLTAutoOption;

std::unique_ptr<TLTHeader> TBaseLeanTree::GetHeaderClass(TBaseLeanTree* Owner) {
    return std::make_unique<TLTHeader>(Owner);
}

std::unique_ptr<TCustomLeanTreeOptions> TBaseLeanTree::GetOptionsClass(TBaseLeanTree* Owner) {
    return std::make_unique<TCustomLeanTreeOptions>(Owner);
}

TBaseLeanTree::TBaseLeanTree(QWidget* parent)
    : TBaseLeanTree(parent, &TBaseLeanTree::GetHeaderClass, &TBaseLeanTree::GetOptionsClass) {}

TBaseLeanTree::TBaseLeanTree(QWidget* parent, TLTHeaderClass HeaderClass,
                             TLTOptionsClass OptionsClass)
    : QAbstractScrollArea(parent), FPool(std::make_unique<TNodePool>()) {
    LTAssert(HeaderClass && OptionsClass, "Invalid parameters.");
    FOptions = OptionsClass(this);
    FColors = std::make_unique<TLTColors>(this);
    FScrollBarOptions = std::make_unique<TScrollBarOptions>(this);
    FHeader = HeaderClass(this);
    LTAssert(FOptions && FHeader, "Invalid parameters.");
    InitRootNode();
    FCheckImages.Set(GetCheckImageListFor(FCheckImageKind));
    SingleShotTimer(FChangeTimer, this, [this] { DoChange(FLastChangedNode); });
    SingleShotTimer(FStructureChangeTimer, this, [this] {
        DoStructureChange(FLastStructureChangeNode, FLastStructureChangeReason);
    });
    setFocusPolicy(Qt::StrongFocus);
    resize(200, 100);
    viewport()->setAutoFillBackground(false);
    viewport()->setMouseTracking(true); // hot tracking follows the mouse without a button
    viewport()->setAcceptDrops(HasMisc(TLTMiscOption::toAcceptOLEDrop));
    if (HasPaint(toThemeAware) && ThemesEnabled())
        DoStateChange(tsUseThemes);
    TWorkerThread::AddThreadReference();
    InstallTreeAccessibility();
    setProperty(OwnHelpKeyProperty, true); // F1 asks the nodes first (DoHelpRequest)
}

TBaseLeanTree::~TBaseLeanTree() {
    auto misc = FOptions->MiscOptions();
    misc -= toReadOnly;
    FOptions->SetMiscOptions(misc);
    TWorkerThread::ReleaseThreadReference(this);
    FDestroying = true;
    Clear();
    FHeader.reset();
    std::free(reinterpret_cast<char*>(FRoot) - 16);
    FRoot = nullptr;
}

bool TBaseLeanTree::event(QEvent* e) {
    HandOffAcquire(e);
    if (e->type() == TChangeStateEvent::EventType()) {
        auto* ev = static_cast<TChangeStateEvent*>(e);
        ApplyCacheResult(ev->Generation, std::move(ev->Cache), ev->Enter.Contains(tsUseCache));
        return true;
    }
    return QAbstractScrollArea::event(e);
}

int TBaseLeanTree::ClientWidth() const {
    return viewport()->width();
}

int TBaseLeanTree::ClientHeight() const {
    return viewport()->height();
}

void TBaseLeanTree::UpdateHeaderRect() {
    int h = FHeader->VisibleHeight();
    setViewportMargins(0, h, 0, 0);
    QRect vp = viewport()->geometry();
    FHeader->Area()->setGeometry(vp.left(), vp.top() - h, vp.width(), h);
    FHeader->Area()->setVisible(h > 0);
}

void TBaseLeanTree::resizeEvent(QResizeEvent* e) {
    // Comes for the tree and, through the scroll area, for its client area (the viewport),
    // which a scroll bar that comes or goes resizes too.
    QAbstractScrollArea::resizeEvent(e);
    if (FStates.Intersects({tsSizing, tsWindowCreating}))
        return;
    DoStateChange(tsSizing);
    // Fitting the columns may make a scroll bar come or go, which changes the client area
    // again: the scroll area lays its bars out at once, and the fit is repeated until the
    // client area holds (each bar changes at most once).
    for (int pass = 0; pass < 3; ++pass) {
        const QSize client = viewport()->size();
        UpdateHeaderRect();
        if (FHeader->Options().Contains(TLTHeaderOption::hoAutoResize))
            FHeader->Columns().AdjustAutoSize(InvalidColumn);
        FHeader->ResizeColumns();
        UpdateScrollBars(true);
        QEvent layout(QEvent::LayoutRequest);
        QCoreApplication::sendEvent(this, &layout);
        if (viewport()->size() == client)
            break;
    }
    UpdateEditBounds();
    DoStateChange({}, tsSizing);
}

void TBaseLeanTree::scrollContentsBy(int, int) {
    // A bar moved by other means than its actions (which set the offsets themselves).
    DoSetOffsetXY(QPoint(-horizontalScrollBar()->value(), -verticalScrollBar()->value()));
}

bool TBaseLeanTree::DoSetOffsetXY(QPoint value) {
    int maxY = std::max(0, RangeY() - ClientHeight());
    int maxX = std::max(0, FRangeX - ClientWidth());
    value.setX(std::clamp(value.x(), -maxX, 0));
    value.setY(std::clamp(value.y(), -maxY, 0));
    if (value.x() == FOffsetX && value.y() == FOffsetY)
        return false;
    int dx = value.x() - FOffsetX, dy = value.y() - FOffsetY;
    FOffsetX = value.x();
    FOffsetY = value.y();
    CancelHint();
    DropPendingEdit(); // the clicked label moved away
    // Without columns the width to scroll is that of the rows now on screen (not while the
    // thumb is dragged or the window sized, nor under a rubber band).
    if (dy && !FHeader->UseColumns() && !IsMouseSelecting() &&
        !FStates.Intersects({tsSizing, tsThumbTracking})) {
        UpdateHorizontalScrollBar(true);
        int minX = std::min(0, ClientWidth() - FRangeX);
        if (FOffsetX < minX) {
            dx += minX - FOffsetX;
            FOffsetX = minX;
        }
    }
    {
        QSignalBlocker bh(horizontalScrollBar()), bv(verticalScrollBar());
        horizontalScrollBar()->setValue(-FOffsetX);
        verticalScrollBar()->setValue(-FOffsetY);
    }
    viewport()->update();
    FHeader->Invalidate(nullptr);
    // Another row may lie under the mouse now.
    if (isVisible()) {
        QPoint mouse = viewport()->mapFromGlobal(QCursor::pos());
        if (viewport()->rect().contains(mouse))
            HandleHotTrack(mouse.x(), mouse.y());
    }
    DoScroll(dx, dy);
    return true;
}

void TBaseLeanTree::SetOffsetX(int value) {
    DoSetOffsetXY(QPoint(value, FOffsetY));
}

void TBaseLeanTree::SetOffsetY(int value) {
    DoSetOffsetXY(QPoint(FOffsetX, value));
}

void TBaseLeanTree::UpdateHorizontalScrollBar(bool) {
    FRangeX = FHeader->UseColumns() ? FHeader->Columns().TotalWidth()
                                    : (isVisible() ? GetMaxRightExtent() : 0);
    QScrollBar* h = horizontalScrollBar();
    QSignalBlocker bh(h);
    h->setRange(0, std::max(0, FRangeX - ClientWidth()));
    h->setPageStep(ClientWidth());
    h->setSingleStep(FScrollBarOptions->HorizontalIncrement);
}

void TBaseLeanTree::UpdateScrollBars(bool DoRepaint) {
    if (FUpdateCount > 0 || FDestroying)
        return;
    QScrollBar* v = verticalScrollBar();
    QScrollBar* h = horizontalScrollBar();
    const int oldMaxV = v->maximum(), oldMaxH = h->maximum();
    UpdateHorizontalScrollBar(DoRepaint);
    QSignalBlocker bh(h), bv(v);
    v->setRange(0, std::max(0, RangeY() - ClientHeight()));
    v->setPageStep(ClientHeight());
    v->setSingleStep(FScrollBarOptions->VerticalIncrement);
    // The blocked range signals would have let the scroll area show or hide its bars (a
    // hidden tree lays them out when it shows).
    if (isVisible() && (v->maximum() != oldMaxV || h->maximum() != oldMaxH))
        QCoreApplication::postEvent(this, new QEvent(QEvent::LayoutRequest));
    // Offsets follow a range that shrank.
    DoSetOffsetXY(QPoint(FOffsetX, FOffsetY));
    v->setValue(-FOffsetY);
    h->setValue(-FOffsetX);
    // The bars show as their policies say (ScrollBarOptionsChanged); the host hears of changes.
    TScrollStyle style = FScrollBarOptions->ScrollBars();
    bool always = FScrollBarOptions->AlwaysVisible();
    bool shown[2];
    shown[SB_HORZ] =
        (style == ssHorizontal || style == ssBoth) && (always || FRangeX > ClientWidth());
    shown[SB_VERT] =
        (style == ssVertical || style == ssBoth) && (always || RangeY() > ClientHeight());
    for (int bar : {SB_VERT, SB_HORZ})
        if (shown[bar] != FScrollBarShown[bar]) {
            FScrollBarShown[bar] = shown[bar];
            DoShowScrollbar(bar, shown[bar]);
        }
}

void TBaseLeanTree::ScrollBarOptionsChanged() {
    auto policy = [this](bool shown) {
        if (!shown)
            return Qt::ScrollBarAlwaysOff;
        return FScrollBarOptions->AlwaysVisible() ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded;
    };
    TScrollStyle s = FScrollBarOptions->ScrollBars();
    setHorizontalScrollBarPolicy(policy(s == ssHorizontal || s == ssBoth));
    setVerticalScrollBarPolicy(policy(s == ssVertical || s == ssBoth));
}

bool TBaseLeanTree::ScrollIntoView(PLeanNode Node, bool Center, bool Horizontally) {
    if (!Node || Node == FRoot)
        return false;
    for (PLeanNode p = Node->Parent; p && p != FRoot; p = p->Parent)
        if (!(p->States & vsExpanded))
            ToggleNode(p);
    if (!GetFullyVisible(Node))
        return false;
    auto& cols = FHeader->Columns();
    bool columns = FHeader->UseColumns();
    TColumnIndex column = columns && cols.IsValidColumn(FFocusedColumn) ? FFocusedColumn : NoColumn;
    QRect r = GetDisplayRect(Node, column, !HasMisc(toGridExtensions));
    int h = ClientHeight();
    int bottom = r.top() + r.height(); // just below the row
    QPoint offset(FOffsetX, FOffsetY);
    if (r.top() < 0) {
        // From above: to the top edge, or centred with its top at the middle.
        offset.ry() -= r.top() - (Center ? h / 2 : 0);
    } else if (bottom > h || Center) {
        // From below (or centred): its bottom to the bottom edge or the middle.
        offset.ry() += (Center ? h / 2 : h) - bottom;
        // Without columns a horizontal bar may be about to appear over the row.
        TScrollStyle style = FScrollBarOptions->ScrollBars();
        if (!columns && !horizontalScrollBar()->isVisible() && FRangeX > ClientWidth() &&
            (style == ssHorizontal || style == ssBoth))
            offset.ry() -= this->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr,
                                                      horizontalScrollBar());
    }
    if (Horizontally) {
        int fixed = columns ? cols.GetVisibleFixedWidth() : 0;
        if (fixed == 0) {
            // Centred when it sticks out on either side.
            if (r.left() < 0 || r.left() + r.width() > ClientWidth())
                offset.setX(ClientWidth() / 2 - ((r.left() + r.right() + 1) / 2 - FOffsetX));
        } else if (column == NoColumn ||
                   !cols.Items(column).Options().Contains(TLTColumnOption::coFixed)) {
            // Placed just right of the fixed columns.
            if (std::abs(r.left() - fixed) > 1)
                offset.rx() -= r.left() - fixed;
        }
    }
    return DoSetOffsetXY(offset);
}

PLeanNode TBaseLeanTree::TopNode() {
    int top;
    return GetNodeAt(0, 0, true, top);
}

void TBaseLeanTree::InvalidateTree() {
    if (FUpdateCount == 0 && !FDestroying && isVisible()) {
        viewport()->update();
        FHeader->Invalidate(nullptr);
    }
}

void TBaseLeanTree::InvalidateNode(PLeanNode Node) {
    if (FUpdateCount == 0 && !FDestroying && isVisible() && Node && Node != FRoot)
        viewport()->update(GetDisplayRect(Node, NoColumn, false));
}

void TBaseLeanTree::InvalidateToBottom(PLeanNode Node) {
    if (FUpdateCount > 0 || FDestroying || !isVisible())
        return;
    if (!Node || Node == FRoot) {
        viewport()->update();
        return;
    }
    if ((Node->States & vsInitialized) && (Node->States & vsVisible)) {
        QRect r = GetDisplayRect(Node, NoColumn, false);
        if (r.top() < ClientHeight())
            viewport()->update(QRect(0, std::max(0, r.top()), ClientWidth(), ClientHeight()));
    }
}

void TBaseLeanTree::InvalidateColumn(TColumnIndex Column) {
    if (FUpdateCount > 0 || !isVisible() || !FHeader->Columns().IsValidColumn(Column))
        return;
    const auto& c = FHeader->Columns().Items(Column);
    viewport()->update(QRect(c.GetLeft(), 0, c.Width(), ClientHeight()));
}

void TBaseLeanTree::OptionsChanged(TLTOptionKind Kind, uint32_t OldBits, uint32_t NewBits) {
    uint32_t changed = OldBits ^ NewBits;
    auto bit = [](auto member) { return uint32_t(1) << unsigned(member); };
    switch (Kind) {
    case TLTOptionKind::Paint:
        if (changed & bit(toThemeAware)) {
            if ((NewBits & bit(toThemeAware)) && ThemesEnabled())
                DoStateChange(tsUseThemes);
            else
                DoStateChange({}, tsUseThemes);
            if (!FLoading)
                PrepareBitmaps(true, false);
        }
        InvalidateTree();
        break;
    case TLTOptionKind::Auto:
        if (changed & bit(toAutoSpanColumns))
            InvalidateTree();
        break;
    case TLTOptionKind::Selection: {
        uint32_t added = NewBits & ~OldBits;
        if ((changed & bit(toMultiSelect)) ||
            (added & (bit(toLevelSelectConstraint) | bit(toSiblingSelectConstraint))))
            ClearSelection();
        if (!(NewBits & bit(toExtendedFocus))) {
            if ((changed & bit(toExtendedFocus)) && FFocusedColumn >= 1)
                InvalidateTree();
            FFocusedColumn = FHeader->MainColumn();
        }
        break;
    }
    case TLTOptionKind::Misc:
        if (changed & bit(toCheckSupport))
            InvalidateTree();
        if (changed & bit(toAcceptOLEDrop))
            viewport()->setAcceptDrops(NewBits & bit(toAcceptOLEDrop));
        // Without a full repaint a resize paints only the area it uncovers.
        if (changed & bit(toFullRepaintOnResize))
            for (QWidget* w : {static_cast<QWidget*>(this), viewport()})
                w->setAttribute(Qt::WA_StaticContents, !(NewBits & bit(toFullRepaintOnResize)));
        break;
    case TLTOptionKind::Animation:
        break;
    }
}

// TBaseLeanTree as a Qt widget: construction and destruction, the private state-change
// event, invalidation, scroll bars and offsets, the header's place and option reactions.
#include "controls/tree/leantree.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <cstdlib>

#include "controls/tree/nodepool.h"
#include "controls/tree/treeaccessible.h"
#include "controls/tree/treeheader.h"
#include "controls/tree/treeworker.h"
#include "platform/gui/helprequests.h"
#include "platform/gui/qtcolors.h"

using enum TLeanTreeState;
using enum TLTMiscOption;
using enum TLTSelectionOption;
using enum TLTPaintOption;
using enum TLTAutoOption;

TBaseLeanTree::TBaseLeanTree(QWidget* parent)
    : QAbstractScrollArea(parent), FPool(std::make_unique<TNodePool>()) {
    InitRootNode();
    FOptions = std::make_unique<TCustomLeanTreeOptions>(this);
    FColors = std::make_unique<TLTColors>(this);
    FScrollBarOptions = std::make_unique<TScrollBarOptions>(this);
    FHeader = std::make_unique<TLTHeader>(this);
    FChangeTimer = new QTimer(this);
    FChangeTimer->setSingleShot(true);
    connect(FChangeTimer, &QTimer::timeout, this, [this] { DoChange(FLastChangedNode); });
    FStructureChangeTimer = new QTimer(this);
    FStructureChangeTimer->setSingleShot(true);
    connect(FStructureChangeTimer, &QTimer::timeout, this,
            [this] { DoStructureChange(FLastStructureChangeNode, FLastStructureChangeReason); });
    setFocusPolicy(Qt::StrongFocus);
    resize(200, 100);
    viewport()->setAutoFillBackground(false);
    viewport()->setMouseTracking(true); // hot tracking follows the mouse without a button
    viewport()->setAcceptDrops(HasMisc(TLTMiscOption::toAcceptOLEDrop));
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
    QAbstractScrollArea::resizeEvent(e);
    if (FStates.Intersects({tsSizing, tsWindowCreating}))
        return;
    DoStateChange(tsSizing);
    UpdateHeaderRect();
    if (FHeader->Options().Contains(TLTHeaderOption::hoAutoResize))
        FHeader->Columns().AdjustAutoSize(InvalidColumn);
    FHeader->ResizeColumns();
    UpdateScrollBars(true);
    UpdateEditBounds();
    DoStateChange({}, tsSizing);
}

void TBaseLeanTree::scrollContentsBy(int, int) {
    int x = -horizontalScrollBar()->value(), y = -verticalScrollBar()->value();
    int dx = x - FOffsetX, dy = y - FOffsetY;
    if (!dx && !dy)
        return;
    FOffsetX = x;
    FOffsetY = y;
    viewport()->update();
    FHeader->Invalidate(nullptr);
    DoScroll(dx, dy);
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
    {
        QSignalBlocker bh(horizontalScrollBar()), bv(verticalScrollBar());
        horizontalScrollBar()->setValue(-FOffsetX);
        verticalScrollBar()->setValue(-FOffsetY);
    }
    viewport()->update();
    FHeader->Invalidate(nullptr);
    DoScroll(dx, dy);
    return true;
}

void TBaseLeanTree::SetOffsetX(int value) {
    DoSetOffsetXY(QPoint(value, FOffsetY));
}

void TBaseLeanTree::SetOffsetY(int value) {
    DoSetOffsetXY(QPoint(FOffsetX, value));
}

void TBaseLeanTree::UpdateScrollBars(bool) {
    if (FUpdateCount > 0 || FDestroying)
        return;
    FRangeX = FHeader->UseColumns() ? FHeader->Columns().TotalWidth()
                                    : (isVisible() ? GetMaxRightExtent() : 0);
    QScrollBar* v = verticalScrollBar();
    QScrollBar* h = horizontalScrollBar();
    QSignalBlocker bh(h), bv(v);
    v->setRange(0, std::max(0, RangeY() - ClientHeight()));
    v->setPageStep(ClientHeight());
    v->setSingleStep(FScrollBarOptions->VerticalIncrement);
    h->setRange(0, std::max(0, FRangeX - ClientWidth()));
    h->setPageStep(ClientWidth());
    h->setSingleStep(FScrollBarOptions->HorizontalIncrement);
    // Offsets follow a range that shrank.
    DoSetOffsetXY(QPoint(FOffsetX, FOffsetY));
    v->setValue(-FOffsetY);
    h->setValue(-FOffsetX);
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
    if (!Node || Node == FRoot || FUpdateCount > 0 || !GetFullyVisible(Node))
        return false;
    QRect r = GetDisplayRect(Node, NoColumn, !Horizontally);
    int h = ClientHeight();
    QPoint offset(FOffsetX, FOffsetY);
    if (Center && (r.top() < 0 || r.bottom() >= h))
        offset.ry() += h / 2 - (r.top() + r.height() / 2);
    else if (r.top() < 0)
        offset.ry() -= r.top();
    else if (r.bottom() >= h)
        offset.ry() -= std::min(r.bottom() + 1 - h, r.top());
    if (Horizontally) {
        if (r.left() < 0)
            offset.rx() -= r.left();
        else if (r.right() >= ClientWidth())
            offset.rx() -= std::min(r.right() + 1 - ClientWidth(), r.left());
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
            if (NewBits & bit(toThemeAware))
                DoStateChange(tsUseThemes);
            else
                DoStateChange({}, tsUseThemes);
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
        break;
    case TLTOptionKind::Animation:
        break;
    }
}

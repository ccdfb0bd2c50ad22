// The event dispatchers: defaults, the handler call and what the tree adds around it.
#include <QTimer>

#include "controls/tree/leantree.h"
#include "controls/tree/treeaccessible.h"
#include "controls/tree/treeheader.h"

using enum TLeanTreeState;
using enum TLTMiscOption;
using enum TLTAutoOption;

void TBaseLeanTree::DoChange(PLeanNode Node) {
    FChangeTimer->stop();
    if (OnChange)
        OnChange(this, Node);
    DoStateChange({}, tsChangePending);
    FLastChangedNode = nullptr;
}

void TBaseLeanTree::DoStructureChange(PLeanNode Node, TChangeReason Reason) {
    FStructureChangeTimer->stop();
    if (OnStructureChange)
        OnStructureChange(this, Node, Reason);
    DoStateChange({}, tsStructureChangePending);
    FLastStructureChangeNode = nullptr;
    FLastStructureChangeReason = crIgnore;
}

void TBaseLeanTree::DoInitChildren(PLeanNode Node, uint32_t& ChildCount) {
    if (OnInitChildren)
        OnInitChildren(this, Node, ChildCount);
}

void TBaseLeanTree::DoInitNode(PLeanNode Parent, PLeanNode Node, TLeanNodeInitStates& InitStates) {
    if (OnInitNode)
        OnInitNode(this, Parent, Node, InitStates);
}

void TBaseLeanTree::DoFreeNode(PLeanNode Node) {
    if (OnFreeNode && !FSilentFree && (Node->States & (vsInitialized | vsTransient)))
        OnFreeNode(this, Node);
    // No reference of the tree may outlive the node.
    if (FLastChangedNode == Node)
        FLastChangedNode = nullptr;
    if (FLastStructureChangeNode == Node)
        FLastStructureChangeNode = nullptr;
    if (FDropTargetNode == Node)
        FDropTargetNode = nullptr;
    if (!FDragSelection.empty())
        std::erase(FDragSelection, Node);
    if (FCurrentHotNode == Node)
        FCurrentHotNode = nullptr;
    if (FLastSearchNode == Node)
        FLastSearchNode = nullptr;
    if (FCheckNode == Node) {
        FCheckNode = nullptr;
        DoStateChange({}, tsMouseCheckPending);
    }
    FreeNodeMemory(Node);
}

bool TBaseLeanTree::DoExpanding(PLeanNode Node) {
    bool allowed = true;
    if (OnExpanding)
        OnExpanding(this, Node, allowed);
    return allowed;
}

bool TBaseLeanTree::DoCollapsing(PLeanNode Node) {
    bool allowed = true;
    if (OnCollapsing)
        OnCollapsing(this, Node, allowed);
    return allowed;
}

bool TBaseLeanTree::DoChecking(PLeanNode Node, TCheckState& NewCheckState) {
    if (HasMisc(toReadOnly))
        return false;
    bool allowed = true;
    if (OnChecking)
        OnChecking(this, Node, NewCheckState, allowed);
    return allowed;
}

void TBaseLeanTree::DoExpanded(PLeanNode Node) {
    if (OnExpanded)
        OnExpanded(this, Node);
}

void TBaseLeanTree::DoCollapsed(PLeanNode Node) {
    if (OnCollapsed)
        OnCollapsed(this, Node);
}

void TBaseLeanTree::DoChecked(PLeanNode Node) {
    if (OnChecked)
        OnChecked(this, Node);
}

void TBaseLeanTree::DoResetNode(PLeanNode Node) {
    if (OnResetNode)
        OnResetNode(this, Node);
}

bool TBaseLeanTree::DoNodeMoving(PLeanNode Node, PLeanNode Target) {
    bool allowed = true;
    if (OnNodeMoving)
        OnNodeMoving(this, Node, Target, allowed);
    return allowed;
}

bool TBaseLeanTree::DoNodeCopying(PLeanNode Node, PLeanNode Target) {
    bool allowed = true;
    if (OnNodeCopying)
        OnNodeCopying(this, Node, Target, allowed);
    return allowed;
}

void TBaseLeanTree::DoNodeMoved(PLeanNode Node) {
    if (OnNodeMoved)
        OnNodeMoved(this, Node);
}

bool TBaseLeanTree::DoFocusChanging(PLeanNode OldNode, PLeanNode NewNode, TColumnIndex OldColumn,
                                    TColumnIndex NewColumn) {
    bool allowed = true;
    if (OnFocusChanging)
        OnFocusChanging(this, OldNode, NewNode, OldColumn, NewColumn, allowed);
    return allowed;
}

void TBaseLeanTree::DoFocusChanged(PLeanNode Node, TColumnIndex Column) {
    if (OnFocusChanged)
        OnFocusChanged(this, Node, Column);
    if (hasFocus())
        AccessibleItems().NotifyFocus(Node);
}

QMenu* TBaseLeanTree::DoGetPopupMenu(PLeanNode Node, TColumnIndex Column, QPoint Position) {
    if (!OnGetPopupMenu)
        return nullptr;
    QMenu* menu = nullptr;
    bool askParent = true;
    if (!Node || Node == FRoot) {
        OnGetPopupMenu(this, nullptr, NoColumn, Position, askParent, menu);
        return menu;
    }
    for (PLeanNode n = Node; n != FRoot && !menu && askParent; n = n->Parent)
        OnGetPopupMenu(this, n, Column, Position, askParent, menu);
    return menu;
}

void TBaseLeanTree::DoHeaderClick(TColumnIndex Column, TMouseButton Button, TShiftState Shift,
                                  int X, int Y) {
    if (OnHeaderClick)
        OnHeaderClick(FHeader.get(), Column, Button, Shift, X, Y);
}

void TBaseLeanTree::DoHeaderDblClick(TColumnIndex Column, TMouseButton Button, TShiftState Shift,
                                     int X, int Y) {
    if (OnHeaderDblClick)
        OnHeaderDblClick(FHeader.get(), Column, Button, Shift, X, Y);
}

void TBaseLeanTree::DoHeaderMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnHeaderMouseDown)
        OnHeaderMouseDown(FHeader.get(), Button, Shift, X, Y);
}

void TBaseLeanTree::DoHeaderMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnHeaderMouseUp)
        OnHeaderMouseUp(FHeader.get(), Button, Shift, X, Y);
}

void TBaseLeanTree::DoHeaderMouseMove(TShiftState Shift, int X, int Y) {
    if (OnHeaderMouseMove)
        OnHeaderMouseMove(FHeader.get(), Shift, X, Y);
}

void TBaseLeanTree::DoColumnResize(TColumnIndex Column) {
    if (FLoading)
        return;
    // Multi-line rows are measured again for the new width.
    for (PLeanNode n = GetFirstNoInit(); n; n = GetNextNoInit(n))
        if ((n->States & vsMultiline) && (n->States & vsHeightMeasured)) {
            StopValidation();
            n->States &= ~vsHeightMeasured;
        }
    UpdateScrollBars(true);
    if (FHeader->Columns().IsValidColumn(Column)) {
        if (HasAuto(toAutoSpanColumns))
            InvalidateTree();
        else if (isVisible()) {
            const auto& c = FHeader->Columns().Items(Column);
            viewport()->update(QRect(c.GetLeft(), 0, ClientWidth(), ClientHeight()));
        }
        FHeader->Invalidate(&FHeader->Columns().Items(Column));
    }
    UpdateEditBounds();
    if (OnColumnResize)
        OnColumnResize(FHeader.get(), Column);
}

bool TBaseLeanTree::DoHeaderDragging(TColumnIndex Column) {
    bool allowed = true;
    if (OnHeaderDragging)
        OnHeaderDragging(FHeader.get(), Column, allowed);
    return allowed;
}

void TBaseLeanTree::DoHeaderDragged(TColumnIndex Column, int OldPosition) {
    if (OnHeaderDragged)
        OnHeaderDragged(FHeader.get(), Column, OldPosition);
}

void TBaseLeanTree::DoHeaderDraggedOut(TColumnIndex Column, QPoint DropPosition) {
    if (OnHeaderDraggedOut)
        OnHeaderDraggedOut(FHeader.get(), Column, DropPosition);
}

void TBaseLeanTree::DoGetHeaderCursor(Qt::CursorShape& Cursor) {
    if (OnGetHeaderCursor)
        OnGetHeaderCursor(FHeader.get(), Cursor);
}

void TBaseLeanTree::DoHeaderDraw(QPainter& Canvas, TLeanTreeColumn* Column, QRect R, bool Hover,
                                 bool Pressed, TLTDropMarkMode DropMark) {
    if (OnHeaderDraw)
        OnHeaderDraw(FHeader.get(), Canvas, Column, R, Hover, Pressed, DropMark);
}

void TBaseLeanTree::DoHeaderDrawQueryElements(THeaderPaintInfo& PaintInfo,
                                              THeaderPaintElements& Elements) {
    if (OnHeaderDrawQueryElements)
        OnHeaderDrawQueryElements(FHeader.get(), PaintInfo, Elements);
}

void TBaseLeanTree::DoAdvancedHeaderDraw(THeaderPaintInfo& PaintInfo,
                                         const THeaderPaintElements& Elements) {
    if (OnAdvancedHeaderDraw)
        OnAdvancedHeaderDraw(FHeader.get(), PaintInfo, Elements);
}

void TBaseLeanTree::DoMeasureItem(QPainter* Canvas, PLeanNode Node, int& NodeHeight) {
    if (OnMeasureItem)
        OnMeasureItem(this, Canvas, Node, NodeHeight);
}

int TBaseLeanTree::DoGetNodeDataSize() {
    int size = 0;
    if (OnGetNodeDataSize)
        OnGetNodeDataSize(this, size);
    return size;
}

void TBaseLeanTree::DoUpdating(TLTUpdateState State) {
    if (OnUpdating)
        OnUpdating(this, State);
}

void TBaseLeanTree::DoScroll(int DeltaX, int DeltaY) {
    UpdateEditBounds();
    if (OnScroll)
        OnScroll(this, DeltaX, DeltaY);
}

bool TBaseLeanTree::DoGetCellIsEmpty(PLeanNode Node, TColumnIndex Column) {
    bool empty = true;
    if (OnGetCellIsEmpty)
        OnGetCellIsEmpty(this, Node, Column, empty);
    return empty;
}

int TBaseLeanTree::DoCompareNodes(PLeanNode Node1, PLeanNode Node2, TColumnIndex Column) {
    int result = 0;
    if (OnCompareNodes)
        OnCompareNodes(this, Node1, Node2, Column, result);
    return result;
}

int TBaseLeanTree::DoGetImageIndex(PLeanNode Node, TLTImageKind Kind, TColumnIndex Column,
                                   bool& Ghosted) {
    int index = -1;
    if (OnGetImageIndex)
        OnGetImageIndex(this, Node, Kind, Column, Ghosted, index);
    return index;
}

int TBaseLeanTree::DoGetNodeWidth(PLeanNode, TColumnIndex, QPainter*) {
    return 0;
}

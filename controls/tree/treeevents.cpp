// The event dispatchers: the tree's, which add work of their own around the handler call, and
// the plain ones of TLeanTreeEvents, which call the handler or give the default.
#include <QTimer>

#include "controls/tree/leantree.h"
#include "controls/tree/treeaccessible.h"
#include "controls/tree/treedrag.h"
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

void TBaseLeanTree::DoFocusChanged(PLeanNode Node, TColumnIndex Column) {
    if (OnFocusChanged)
        OnFocusChanged(this, Node, Column);
    if (hasFocus())
        AccessibleItems().NotifyFocus(Node);
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

void TBaseLeanTree::DoScroll(int DeltaX, int DeltaY) {
    UpdateEditBounds();
    if (OnScroll)
        OnScroll(this, DeltaX, DeltaY);
}

// ---- the plain dispatchers ----

TBaseLeanTree* TLeanTreeEvents::EventSender() {
    return static_cast<TBaseLeanTree*>(this);
}

TLTHeader* TLeanTreeEvents::HeaderSender() {
    return &EventSender()->Header();
}

void TLeanTreeEvents::DoInitChildren(PLeanNode Node, uint32_t& ChildCount) {
    if (OnInitChildren)
        OnInitChildren(EventSender(), Node, ChildCount);
}

void TLeanTreeEvents::DoInitNode(PLeanNode Parent, PLeanNode Node,
                                 TLeanNodeInitStates& InitStates) {
    if (OnInitNode)
        OnInitNode(EventSender(), Parent, Node, InitStates);
}

bool TLeanTreeEvents::DoExpanding(PLeanNode Node) {
    bool allowed = true;
    if (OnExpanding)
        OnExpanding(EventSender(), Node, allowed);
    return allowed;
}

bool TLeanTreeEvents::DoCollapsing(PLeanNode Node) {
    bool allowed = true;
    if (OnCollapsing)
        OnCollapsing(EventSender(), Node, allowed);
    return allowed;
}

bool TLeanTreeEvents::DoChecking(PLeanNode Node, TCheckState& NewCheckState) {
    if (EventSender()->HasMisc(TLTMiscOption::toReadOnly))
        return false;
    bool allowed = true;
    if (OnChecking)
        OnChecking(EventSender(), Node, NewCheckState, allowed);
    return allowed;
}

void TLeanTreeEvents::DoExpanded(PLeanNode Node) {
    if (OnExpanded)
        OnExpanded(EventSender(), Node);
}

void TLeanTreeEvents::DoCollapsed(PLeanNode Node) {
    if (OnCollapsed)
        OnCollapsed(EventSender(), Node);
}

void TLeanTreeEvents::DoChecked(PLeanNode Node) {
    if (OnChecked)
        OnChecked(EventSender(), Node);
}

void TLeanTreeEvents::DoResetNode(PLeanNode Node) {
    if (OnResetNode)
        OnResetNode(EventSender(), Node);
}

bool TLeanTreeEvents::DoNodeMoving(PLeanNode Node, PLeanNode Target) {
    bool allowed = true;
    if (OnNodeMoving)
        OnNodeMoving(EventSender(), Node, Target, allowed);
    return allowed;
}

bool TLeanTreeEvents::DoNodeCopying(PLeanNode Node, PLeanNode Target) {
    bool allowed = true;
    if (OnNodeCopying)
        OnNodeCopying(EventSender(), Node, Target, allowed);
    return allowed;
}

void TLeanTreeEvents::DoNodeMoved(PLeanNode Node) {
    if (OnNodeMoved)
        OnNodeMoved(EventSender(), Node);
}

bool TLeanTreeEvents::DoFocusChanging(PLeanNode OldNode, PLeanNode NewNode, TColumnIndex OldColumn,
                                      TColumnIndex NewColumn) {
    bool allowed = true;
    if (OnFocusChanging)
        OnFocusChanging(EventSender(), OldNode, NewNode, OldColumn, NewColumn, allowed);
    return allowed;
}

QMenu* TLeanTreeEvents::DoGetPopupMenu(PLeanNode Node, TColumnIndex Column, QPoint Position) {
    if (!OnGetPopupMenu)
        return nullptr;
    QMenu* menu = nullptr;
    bool askParent = true;
    PLeanNode root = EventSender()->RootNode();
    if (!Node || Node == root) {
        OnGetPopupMenu(EventSender(), nullptr, NoColumn, Position, askParent, menu);
        return menu;
    }
    for (PLeanNode n = Node; n != root && !menu && askParent; n = n->Parent)
        OnGetPopupMenu(EventSender(), n, Column, Position, askParent, menu);
    return menu;
}

void TLeanTreeEvents::DoHeaderClick(TColumnIndex Column, TMouseButton Button, TShiftState Shift,
                                    int X, int Y) {
    if (OnHeaderClick)
        OnHeaderClick(HeaderSender(), Column, Button, Shift, X, Y);
}

void TLeanTreeEvents::DoHeaderDblClick(TColumnIndex Column, TMouseButton Button, TShiftState Shift,
                                       int X, int Y) {
    if (OnHeaderDblClick)
        OnHeaderDblClick(HeaderSender(), Column, Button, Shift, X, Y);
}

void TLeanTreeEvents::DoHeaderMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnHeaderMouseDown)
        OnHeaderMouseDown(HeaderSender(), Button, Shift, X, Y);
}

void TLeanTreeEvents::DoHeaderMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnHeaderMouseUp)
        OnHeaderMouseUp(HeaderSender(), Button, Shift, X, Y);
}

void TLeanTreeEvents::DoHeaderMouseMove(TShiftState Shift, int X, int Y) {
    if (OnHeaderMouseMove)
        OnHeaderMouseMove(HeaderSender(), Shift, X, Y);
}

bool TLeanTreeEvents::DoHeaderDragging(TColumnIndex Column) {
    bool allowed = true;
    if (OnHeaderDragging)
        OnHeaderDragging(HeaderSender(), Column, allowed);
    return allowed;
}

void TLeanTreeEvents::DoHeaderDragged(TColumnIndex Column, int OldPosition) {
    if (OnHeaderDragged)
        OnHeaderDragged(HeaderSender(), Column, OldPosition);
}

void TLeanTreeEvents::DoHeaderDraggedOut(TColumnIndex Column, QPoint DropPosition) {
    if (OnHeaderDraggedOut)
        OnHeaderDraggedOut(HeaderSender(), Column, DropPosition);
}

void TLeanTreeEvents::DoGetHeaderCursor(Qt::CursorShape& Cursor) {
    if (OnGetHeaderCursor)
        OnGetHeaderCursor(HeaderSender(), Cursor);
}

void TLeanTreeEvents::DoHeaderDraw(QPainter& Canvas, TLeanTreeColumn* Column, QRect R, bool Hover,
                                   bool Pressed, TLTDropMarkMode DropMark) {
    if (OnHeaderDraw)
        OnHeaderDraw(HeaderSender(), Canvas, Column, R, Hover, Pressed, DropMark);
}

void TLeanTreeEvents::DoHeaderDrawQueryElements(THeaderPaintInfo& PaintInfo,
                                                THeaderPaintElements& Elements) {
    if (OnHeaderDrawQueryElements)
        OnHeaderDrawQueryElements(HeaderSender(), PaintInfo, Elements);
}

void TLeanTreeEvents::DoAdvancedHeaderDraw(THeaderPaintInfo& PaintInfo,
                                           const THeaderPaintElements& Elements) {
    if (OnAdvancedHeaderDraw)
        OnAdvancedHeaderDraw(HeaderSender(), PaintInfo, Elements);
}

void TLeanTreeEvents::DoMeasureItem(QPainter* Canvas, PLeanNode Node, int& NodeHeight) {
    if (OnMeasureItem)
        OnMeasureItem(EventSender(), Canvas, Node, NodeHeight);
}

int TLeanTreeEvents::DoGetNodeDataSize() {
    int size = 0;
    if (OnGetNodeDataSize)
        OnGetNodeDataSize(EventSender(), size);
    return size;
}

void TLeanTreeEvents::DoUpdating(TLTUpdateState State) {
    if (OnUpdating)
        OnUpdating(EventSender(), State);
}

bool TLeanTreeEvents::DoGetCellIsEmpty(PLeanNode Node, TColumnIndex Column) {
    bool empty = true;
    if (OnGetCellIsEmpty)
        OnGetCellIsEmpty(EventSender(), Node, Column, empty);
    return empty;
}

int TLeanTreeEvents::DoCompareNodes(PLeanNode Node1, PLeanNode Node2, TColumnIndex Column) {
    int result = 0;
    if (OnCompareNodes)
        OnCompareNodes(EventSender(), Node1, Node2, Column, result);
    return result;
}

int TLeanTreeEvents::DoGetImageIndex(PLeanNode Node, TLTImageKind Kind, TColumnIndex Column,
                                     bool& Ghosted) {
    int index = -1;
    if (OnGetImageIndex)
        OnGetImageIndex(EventSender(), Node, Kind, Column, Ghosted, index);
    return index;
}

int TLeanTreeEvents::DoGetNodeWidth(PLeanNode, TColumnIndex, QPainter*) {
    return 0;
}

void TLeanTreeEvents::DoHotChange(PLeanNode OldNode, PLeanNode NewNode) {
    if (OnHotChange)
        OnHotChange(EventSender(), OldNode, NewNode);
}

void TLeanTreeEvents::DoColumnClick(TColumnIndex Column, TShiftState Shift) {
    if (OnColumnClick)
        OnColumnClick(EventSender(), Column, Shift);
}

void TLeanTreeEvents::DoColumnDblClick(TColumnIndex Column, TShiftState Shift) {
    if (OnColumnDblClick)
        OnColumnDblClick(EventSender(), Column, Shift);
}

bool TLeanTreeEvents::DoDragAllowed(PLeanNode Node, TColumnIndex Column) {
    bool allowed = false;
    if (OnDragAllowed)
        OnDragAllowed(EventSender(), Node, Column, allowed);
    return allowed;
}

bool TLeanTreeEvents::DoKeyAction(int& Key, TShiftState& Shift) {
    bool doDefault = true;
    if (OnKeyAction)
        OnKeyAction(EventSender(), Key, Shift, doDefault);
    return doDefault;
}

int TLeanTreeEvents::DoIncrementalSearch(PLeanNode Node, const std::u16string& Text) {
    int result = 0; // a match unless the host says otherwise
    if (OnIncrementalSearch)
        OnIncrementalSearch(EventSender(), Node, Text, result);
    return result;
}

void TLeanTreeEvents::DoSaveNode(PLeanNode Node, TStream& Stream) {
    if (OnSaveNode)
        OnSaveNode(EventSender(), Node == EventSender()->RootNode() ? nullptr : Node, Stream);
}

void TLeanTreeEvents::DoLoadNode(PLeanNode Node, TStream& Stream) {
    if (OnLoadNode)
        OnLoadNode(EventSender(), Node == EventSender()->RootNode() ? nullptr : Node, Stream);
}

void TLeanTreeEvents::DoNodeCopied(PLeanNode Node) {
    if (OnNodeCopied)
        OnNodeCopied(EventSender(), Node);
}

void TLeanTreeEvents::DoShowScrollbar(int Bar, bool Show) {
    if (OnShowScrollbar)
        OnShowScrollbar(EventSender(), Bar, Show);
}

std::unique_ptr<TLTDragManager> TLeanTreeEvents::DoCreateDragManager() {
    std::unique_ptr<TLTDragManager> manager;
    if (OnCreateDragManager)
        OnCreateDragManager(EventSender(), manager);
    return manager;
}

std::unique_ptr<QMimeData> TLeanTreeEvents::DoCreateDataObject() {
    std::unique_ptr<QMimeData> data;
    if (OnCreateDataObject)
        OnCreateDataObject(EventSender(), data);
    return data;
}

std::unique_ptr<QMimeData> TLeanTreeEvents::DoStartDrag() {
    std::unique_ptr<QMimeData> data;
    if (OnStartDrag)
        OnStartDrag(EventSender(), data);
    return data;
}

void TLeanTreeEvents::DoEndDrag(QObject* Target, QPoint P) {
    if (OnEndDrag)
        OnEndDrag(EventSender(), Target, P.x(), P.y());
}

bool TLeanTreeEvents::DoRenderOLEData(int Format, QByteArray& Medium, bool ForClipboard) {
    bool result = false;
    if (OnRenderOLEData)
        OnRenderOLEData(EventSender(), Format, Medium, ForClipboard, result);
    return result;
}

bool TLeanTreeEvents::DoDragOver(TBaseLeanTree* Source, Qt::KeyboardModifiers Keys,
                                 TDragState State, QPoint Pt, TDropMode Mode,
                                 Qt::DropAction& Effect) {
    bool accept = false;
    if (OnDragOver)
        OnDragOver(EventSender(), Source, Keys, State, Pt, Mode, Effect, accept);
    return accept;
}

void TLeanTreeEvents::DoDragDrop(TBaseLeanTree* Source, const QMimeData* DataObject,
                                 const TFormatArray& Formats, Qt::KeyboardModifiers Keys, QPoint Pt,
                                 Qt::DropAction& Effect, TDropMode Mode) {
    if (OnDragDrop)
        OnDragDrop(EventSender(), Source, DataObject, Formats, Keys, Pt, Effect, Mode);
}

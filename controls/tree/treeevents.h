#pragma once
// The tree's events: one std::function per event with the names and argument lists the host
// knows. "var" arguments are references the handler may change. An event is assigned when the
// function is not empty. The tree fires them through its Do<Event> dispatchers.

#include <QPoint>
#include <QRect>
#include <functional>
#include <memory>
#include <vector>

#include "controls/tree/treeinput.h"
#include "controls/tree/treepainthelpers.h"
#include "controls/tree/treetypes.h"
#include "platform/colors.h"

class QPainter;
class QMenu;
class TLTHeader;
class TLeanTreeColumn;
class TLTImageList;
class TLTDragManager;
class QMimeData;
class QObject;
class QByteArray;

enum TItemEraseAction { eaColor, eaDefault, eaNone };

using TLTChangeEvent = std::function<void(TBaseLeanTree* Sender, PLeanNode Node)>;
using TLTStructureChangeEvent =
    std::function<void(TBaseLeanTree* Sender, PLeanNode Node, TChangeReason Reason)>;
using TLTInitChildrenEvent =
    std::function<void(TBaseLeanTree* Sender, PLeanNode Node, uint32_t& ChildCount)>;
using TLTInitNodeEvent = std::function<void(TBaseLeanTree* Sender, PLeanNode ParentNode,
                                            PLeanNode Node, TLeanNodeInitStates& InitialStates)>;
using TLTFreeNodeEvent = std::function<void(TBaseLeanTree* Sender, PLeanNode Node)>;
using TLTGetImageEvent =
    std::function<void(TBaseLeanTree* Sender, PLeanNode Node, TLTImageKind Kind,
                       TColumnIndex Column, bool& Ghosted, int& ImageIndex)>;
// As TLTGetImageEvent; a list set in ImageList is used in place of the tree's.
using TLTGetImageExEvent = std::function<void(
    TBaseLeanTree* Sender, PLeanNode Node, TLTImageKind Kind, TColumnIndex Column, bool& Ghosted,
    int& ImageIndex, std::shared_ptr<TLTImageList>& ImageList)>;
using TLTHotNodeChangeEvent =
    std::function<void(TBaseLeanTree* Sender, PLeanNode OldNode, PLeanNode NewNode)>;
using TLTChangingEvent = std::function<void(TBaseLeanTree* Sender, PLeanNode Node, bool& Allowed)>;
using TLTCheckChangingEvent = std::function<void(TBaseLeanTree* Sender, PLeanNode Node,
                                                 TCheckState& NewState, bool& Allowed)>;
using TLTNodeMovingEvent =
    std::function<void(TBaseLeanTree* Sender, PLeanNode Node, PLeanNode Target, bool& Allowed)>;
using TLTNodeMovedEvent = std::function<void(TBaseLeanTree* Sender, PLeanNode Node)>;
using TLTEditChangingEvent =
    std::function<void(TBaseLeanTree* Sender, PLeanNode Node, TColumnIndex Column, bool& Allowed)>;
using TLTEditCancelEvent = std::function<void(TBaseLeanTree* Sender, TColumnIndex Column)>;
using TLTEditChangeEvent =
    std::function<void(TBaseLeanTree* Sender, PLeanNode Node, TColumnIndex Column)>;
using TLTFocusChangingEvent =
    std::function<void(TBaseLeanTree* Sender, PLeanNode OldNode, PLeanNode NewNode,
                       TColumnIndex OldColumn, TColumnIndex NewColumn, bool& Allowed)>;
using TLTFocusChangeEvent =
    std::function<void(TBaseLeanTree* Sender, PLeanNode Node, TColumnIndex Column)>;
using TLTPopupEvent = std::function<void(TBaseLeanTree* Sender, PLeanNode Node, TColumnIndex Column,
                                         const QPoint& P, bool& AskParent, QMenu*& PopupMenu)>;
using TLTHelpContextEvent = std::function<void(TBaseLeanTree* Sender, PLeanNode Node,
                                               TColumnIndex Column, int& HelpContext)>;
using TLTHeaderClickEvent = std::function<void(
    TLTHeader* Sender, TColumnIndex Column, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TLTHeaderMouseEvent =
    std::function<void(TLTHeader* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TLTHeaderMouseMoveEvent =
    std::function<void(TLTHeader* Sender, TShiftState Shift, int X, int Y)>;
using TLTColumnClickEvent =
    std::function<void(TBaseLeanTree* Sender, TColumnIndex Column, TShiftState Shift)>;
using TLTHeaderNotifyEvent = std::function<void(TLTHeader* Sender, TColumnIndex Column)>;
using TLTGetHeaderCursorEvent = std::function<void(TLTHeader* Sender, Qt::CursorShape& Cursor)>;
using TLTPaintEvent = std::function<void(TBaseLeanTree* Sender, QPainter& TargetCanvas)>;
using TLTAfterItemPaintEvent = std::function<void(TBaseLeanTree* Sender, QPainter& TargetCanvas,
                                                  PLeanNode Node, QRect ItemRect)>;
using TLTBeforeItemPaintEvent =
    std::function<void(TBaseLeanTree* Sender, QPainter& TargetCanvas, PLeanNode Node,
                       QRect ItemRect, bool& CustomDraw)>;
using TLTBeforeItemEraseEvent =
    std::function<void(TBaseLeanTree* Sender, QPainter& TargetCanvas, PLeanNode Node,
                       QRect ItemRect, TColor& ItemColor, TItemEraseAction& EraseAction)>;
using TLTAfterItemEraseEvent = std::function<void(TBaseLeanTree* Sender, QPainter& TargetCanvas,
                                                  PLeanNode Node, QRect ItemRect)>;
using TLTCellPaintEvent = std::function<void(TBaseLeanTree* Sender, QPainter& TargetCanvas,
                                             PLeanNode Node, TColumnIndex Column, QRect CellRect)>;
using TLTHeaderPaintEvent =
    std::function<void(TLTHeader* Sender, QPainter& HeaderCanvas, TLeanTreeColumn* Column, QRect R,
                       bool Hover, bool Pressed, TLTDropMarkMode DropMark)>;
// The pieces of a header cell (or of the background right of the last column) that the host
// may paint itself through OnAdvancedHeaderDraw.
enum class THeaderPaintElement {
    hpeBackground,
    hpeDropMark,
    hpeHeaderGlyph,
    hpeSortGlyph,
    hpeText
};
using THeaderPaintElements = TFlags<THeaderPaintElement, uint8_t>;
// What the header is painting (header coordinates). Column is nil for the background right of
// the last column; the positions are those the header lays the cell out with.
struct THeaderPaintInfo {
    QPainter* TargetCanvas = nullptr;
    TLeanTreeColumn* Column = nullptr;
    QRect PaintRectangle;
    QRect TextRectangle;
    bool IsHoverIndex = false;
    bool IsDownIndex = false;
    bool IsEnabled = true;
    bool ShowHeaderGlyph = false;
    bool ShowSortGlyph = false;
    bool ShowRightBorder = true;
    TLTDropMarkMode DropMark = dmmNone;
    QPoint GlyphPos;
    QPoint SortGlyphPos;
};
// The host names in Elements the pieces it paints itself (none at first).
using TLTHeaderPaintQueryElementsEvent = std::function<void(
    TLTHeader* Sender, THeaderPaintInfo& PaintInfo, THeaderPaintElements& Elements)>;
// The host paints Elements: the background before the header paints the rest of the cell, the
// other pieces afterwards in place of the header's own.
using TLTAdvancedHeaderPaintEvent = std::function<void(
    TLTHeader* Sender, THeaderPaintInfo& PaintInfo, const THeaderPaintElements& Elements)>;
using TLTBackgroundPaintEvent =
    std::function<void(TBaseLeanTree* Sender, QPainter& TargetCanvas, QRect R, bool& Handled)>;
using TLTMeasureItemEvent = std::function<void(TBaseLeanTree* Sender, QPainter* TargetCanvas,
                                               PLeanNode Node, int& NodeHeight)>;
using TLTDragAllowedEvent =
    std::function<void(TBaseLeanTree* Sender, PLeanNode Node, TColumnIndex Column, bool& Allowed)>;
using TLTHeaderDraggedEvent =
    std::function<void(TLTHeader* Sender, TColumnIndex Column, int OldPosition)>;
using TLTHeaderDraggedOutEvent =
    std::function<void(TLTHeader* Sender, TColumnIndex Column, QPoint DropPosition)>;
using TLTHeaderDraggingEvent =
    std::function<void(TLTHeader* Sender, TColumnIndex Column, bool& Allowed)>;
using TLTGetNodeDataSizeEvent = std::function<void(TBaseLeanTree* Sender, int& NodeDataSize)>;
using TLTKeyActionEvent =
    std::function<void(TBaseLeanTree* Sender, int& CharCode, TShiftState& Shift, bool& DoDefault)>;
using TLTScrollEvent = std::function<void(TBaseLeanTree* Sender, int DeltaX, int DeltaY)>;
using TLTUpdatingEvent = std::function<void(TBaseLeanTree* Sender, TLTUpdateState State)>;
using TLTGetCursorEvent = std::function<void(TBaseLeanTree* Sender, Qt::CursorShape& Cursor)>;
using TLTStateChangeEvent =
    std::function<void(TBaseLeanTree* Sender, TLeanTreeStates Enter, TLeanTreeStates Leave)>;
using TLTGetCellIsEmptyEvent =
    std::function<void(TBaseLeanTree* Sender, PLeanNode Node, TColumnIndex Column, bool& IsEmpty)>;
using TLTScrollbarShowEvent = std::function<void(TBaseLeanTree* Sender, int Bar, bool Show)>;
using TLTCompareEvent = std::function<void(TBaseLeanTree* Sender, PLeanNode Node1, PLeanNode Node2,
                                           TColumnIndex Column, int& Result)>;
using TLTIncrementalSearchEvent = std::function<void(
    TBaseLeanTree* Sender, PLeanNode Node, const std::u16string& SearchText, int& Result)>;
using TLTGetButtonBitmapEvent = std::function<void(TBaseLeanTree* Sender, class QImage& Bitmap)>;
// The host's drag manager or data object; left empty, the tree makes its own.
using TLTCreateDragManagerEvent =
    std::function<void(TBaseLeanTree* Sender, std::unique_ptr<TLTDragManager>& DragManager)>;
using TLTCreateDataObjectEvent =
    std::function<void(TBaseLeanTree* Sender, std::unique_ptr<QMimeData>& DataObject)>;
// Renders a format that the tree does not know (one the host offers) into Medium; Result
// starts false and says whether it did.
using TLTRenderOLEDataEvent = std::function<void(
    TBaseLeanTree* Sender, int Format, QByteArray& Medium, bool ForClipboard, bool& Result)>;
// Formats the host adds to those the tree offers.
using TLTGetUserClipboardFormatsEvent =
    std::function<void(TBaseLeanTree* Sender, std::vector<int>& Formats)>;
// A drag over Sender; Source is the tree the data comes from (nil for foreign data). Accept
// starts false.
using TLTDragOverEvent = std::function<void(TBaseLeanTree* Sender, TBaseLeanTree* Source,
                                            Qt::KeyboardModifiers Keys, TDragState State, QPoint Pt,
                                            TDropMode Mode, Qt::DropAction& Effect, bool& Accept)>;
// The format numbers (treeclipboard.h) of a dropped data object, in the order it offers them.
using TFormatArray = std::vector<int>;
using TLTDragDropEvent =
    std::function<void(TBaseLeanTree* Sender, TBaseLeanTree* Source, const QMimeData* DataObject,
                       const TFormatArray& Formats, Qt::KeyboardModifiers Keys, QPoint Pt,
                       Qt::DropAction& Effect, TDropMode Mode)>;
// A drag from Sender begins; a data object the handler sets in DragObject (nil at first) is
// dragged in place of the tree's own.
using TStartDragEvent =
    std::function<void(TBaseLeanTree* Sender, std::unique_ptr<QMimeData>& DragObject)>;
// A drag from Sender has ended: Target is the widget of this program it was dropped on (nil
// when none took it), X and Y the mouse position in Sender's client coordinates.
using TEndDragEvent = std::function<void(TBaseLeanTree* Sender, QObject* Target, int X, int Y)>;
using TLTGetLineStyleEvent = std::function<void(TBaseLeanTree* Sender, TLTLinePattern& Bits)>;

// The event fields of a tree and their plain dispatchers (treeevents.cpp). A dispatcher
// Do<Event> calls the handler with the tree (or its header) as sender and gives what it
// answered, or the default when none is assigned; descendants override them to add their own.
// The tree's dispatchers that do more than that are its own.
struct TLeanTreeEvents {
    virtual ~TLeanTreeEvents() = default;

    TLTChangeEvent OnChange;
    TLTStructureChangeEvent OnStructureChange;
    TLTInitChildrenEvent OnInitChildren;
    TLTInitNodeEvent OnInitNode;
    TLTFreeNodeEvent OnFreeNode;
    TLTGetImageEvent OnGetImageIndex; // not asked when OnGetImageIndexEx is assigned
    TLTGetImageExEvent OnGetImageIndexEx;
    TLTHotNodeChangeEvent OnHotChange;
    TLTChangingEvent OnExpanding;
    TLTChangingEvent OnCollapsing;
    TLTCheckChangingEvent OnChecking;
    TLTChangeEvent OnExpanded;
    TLTChangeEvent OnCollapsed;
    TLTChangeEvent OnChecked;
    TLTChangeEvent OnResetNode;
    TLTNodeMovingEvent OnNodeMoving;
    TLTNodeMovedEvent OnNodeMoved;
    TLTNodeMovingEvent OnNodeCopying;
    TLTNodeMovedEvent OnNodeCopied;
    TLTEditChangingEvent OnEditing;
    TLTEditCancelEvent OnEditCancelled;
    TLTEditChangeEvent OnEdited;
    TLTFocusChangingEvent OnFocusChanging;
    TLTFocusChangeEvent OnFocusChanged;
    TLTPopupEvent OnGetPopupMenu;
    TLTHelpContextEvent OnGetHelpContext;
    TLTHeaderClickEvent OnHeaderClick;
    TLTHeaderClickEvent OnHeaderDblClick;
    TLTHeaderMouseEvent OnHeaderMouseDown;
    TLTHeaderMouseEvent OnHeaderMouseUp;
    TLTHeaderMouseMoveEvent OnHeaderMouseMove;
    TLTColumnClickEvent OnColumnClick;
    TLTColumnClickEvent OnColumnDblClick;
    TLTHeaderNotifyEvent OnColumnResize;
    TLTGetHeaderCursorEvent OnGetHeaderCursor;
    TLTPaintEvent OnAfterPaint;
    TLTPaintEvent OnBeforePaint;
    TLTAfterItemPaintEvent OnAfterItemPaint;
    TLTBeforeItemPaintEvent OnBeforeItemPaint;
    TLTBeforeItemEraseEvent OnBeforeItemErase;
    TLTAfterItemEraseEvent OnAfterItemErase;
    TLTCellPaintEvent OnAfterCellPaint;
    TLTCellPaintEvent OnBeforeCellPaint;
    TLTHeaderPaintEvent OnHeaderDraw; // with hoOwnerDraw, unless the advanced drawing is in use
    // Advanced header drawing: with hoOwnerDraw when both are assigned.
    TLTHeaderPaintQueryElementsEvent OnHeaderDrawQueryElements;
    TLTAdvancedHeaderPaintEvent OnAdvancedHeaderDraw;
    TLTBackgroundPaintEvent OnPaintBackground;
    TLTMeasureItemEvent OnMeasureItem;
    TLTDragAllowedEvent OnDragAllowed;
    TLTCreateDragManagerEvent OnCreateDragManager;
    TLTCreateDataObjectEvent OnCreateDataObject;
    TLTRenderOLEDataEvent OnRenderOLEData;
    TLTGetUserClipboardFormatsEvent OnGetUserClipboardFormats;
    // OnDragOver decides whether a drop is accepted (refused without it), OnDragDrop takes it
    // (ProcessDrop does the usual).
    TLTDragOverEvent OnDragOver;
    TLTDragDropEvent OnDragDrop;
    // Before a drag from the tree starts and after it ended, for both drag types.
    TStartDragEvent OnStartDrag;
    TEndDragEvent OnEndDrag;
    TLTHeaderDraggedEvent OnHeaderDragged;
    TLTHeaderDraggedOutEvent OnHeaderDraggedOut;
    TLTHeaderDraggingEvent OnHeaderDragging;
    TLTGetNodeDataSizeEvent OnGetNodeDataSize;
    TLTKeyActionEvent OnKeyAction;
    TLTScrollEvent OnScroll;
    TLTUpdatingEvent OnUpdating;
    TLTGetCursorEvent OnGetCursor;
    TLTStateChangeEvent OnStateChange;
    TLTGetCellIsEmptyEvent OnGetCellIsEmpty;
    TLTScrollbarShowEvent OnShowScrollbar;
    TLTCompareEvent OnCompareNodes;
    TLTIncrementalSearchEvent OnIncrementalSearch;
    // Hooks on the button bitmaps, called after the tree has built them.
    TLTGetButtonBitmapEvent OnGetPlusBitmap;
    TLTGetButtonBitmapEvent OnGetMinusBitmap;
    // Lets the host change the 8 pattern rows of lsCustomStyle (they start dotted).
    TLTGetLineStyleEvent OnGetLineStyle;
    TLTCreateEditorEvent OnCreateEditor;
    TLTSaveNodeEvent OnSaveNode;
    TLTSaveNodeEvent OnLoadNode;

    // ---- nodes ----
    virtual void DoInitChildren(PLeanNode Node, uint32_t& ChildCount);
    virtual void DoInitNode(PLeanNode Parent, PLeanNode Node, TLeanNodeInitStates& InitStates);
    // Whether freeing a node has to be reported (OnFreeNode, or a descendant's DoFreeNode);
    // when not, Clear drops all nodes at once.
    virtual bool NeedsFreeNotification() const { return bool(OnFreeNode); }
    virtual bool DoExpanding(PLeanNode Node); // true: allowed (the default)
    virtual bool DoCollapsing(PLeanNode Node);
    virtual bool DoChecking(PLeanNode Node, TCheckState& NewCheckState); // false under toReadOnly
    virtual void DoExpanded(PLeanNode Node);
    virtual void DoCollapsed(PLeanNode Node);
    virtual void DoChecked(PLeanNode Node);
    virtual void DoResetNode(PLeanNode Node);
    virtual bool DoNodeMoving(PLeanNode Node, PLeanNode Target);
    virtual bool DoNodeCopying(PLeanNode Node, PLeanNode Target); // Target nil for the root
    virtual void DoNodeMoved(PLeanNode Node);
    virtual void DoNodeCopied(PLeanNode Node);
    virtual bool DoFocusChanging(PLeanNode OldNode, PLeanNode NewNode, TColumnIndex OldColumn,
                                 TColumnIndex NewColumn);
    virtual void DoHotChange(PLeanNode OldNode, PLeanNode NewNode);
    // Node's menu: asked for Node, then its parents while the handler lets them; nil for none.
    virtual QMenu* DoGetPopupMenu(PLeanNode Node, TColumnIndex Column, QPoint Position);
    virtual void DoMeasureItem(QPainter* Canvas, PLeanNode Node, int& NodeHeight);
    virtual int DoGetNodeDataSize(); // 0 without a handler
    virtual void DoUpdating(TLTUpdateState State);
    virtual bool DoGetCellIsEmpty(PLeanNode Node, TColumnIndex Column); // true without a handler
    virtual int DoCompareNodes(PLeanNode Node1, PLeanNode Node2, TColumnIndex Column);
    virtual int DoGetImageIndex(PLeanNode Node, TLTImageKind Kind, TColumnIndex Column,
                                bool& Ghosted); // -1 without a handler
    // Width of Node's label in Column (0 here; descendants measure their text).
    virtual int DoGetNodeWidth(PLeanNode Node, TColumnIndex Column, QPainter* Canvas);
    // 0 when Node matches Text; without OnIncrementalSearch every node matches.
    virtual int DoIncrementalSearch(PLeanNode Node, const std::u16string& Text);
    // OnKeyAction may change the key or cancel it (false).
    virtual bool DoKeyAction(int& Key, TShiftState& Shift);
    // The host's part of a node in a node stream (nil stands for the root).
    virtual void DoSaveNode(PLeanNode Node, TStream& Stream);
    virtual void DoLoadNode(PLeanNode Node, TStream& Stream);
    // Fires OnShowScrollbar for Bar (SB_HORZ or SB_VERT) that was just shown or hidden.
    virtual void DoShowScrollbar(int Bar, bool Show);

    // ---- header and columns ----
    virtual void DoHeaderClick(TColumnIndex Column, TMouseButton Button, TShiftState Shift, int X,
                               int Y);
    virtual void DoHeaderDblClick(TColumnIndex Column, TMouseButton Button, TShiftState Shift,
                                  int X, int Y);
    virtual void DoHeaderMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void DoHeaderMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void DoHeaderMouseMove(TShiftState Shift, int X, int Y);
    virtual void DoColumnClick(TColumnIndex Column, TShiftState Shift);
    virtual void DoColumnDblClick(TColumnIndex Column, TShiftState Shift);
    virtual bool DoHeaderDragging(TColumnIndex Column);
    virtual void DoHeaderDragged(TColumnIndex Column, int OldPosition);
    virtual void DoHeaderDraggedOut(TColumnIndex Column, QPoint DropPosition);
    // The cursor over the header (the split cursor over a split zone); the host may change it.
    virtual void DoGetHeaderCursor(Qt::CursorShape& Cursor);
    virtual void DoHeaderDraw(QPainter& Canvas, TLeanTreeColumn* Column, QRect R, bool Hover,
                              bool Pressed, TLTDropMarkMode DropMark);
    virtual void DoHeaderDrawQueryElements(THeaderPaintInfo& PaintInfo,
                                           THeaderPaintElements& Elements);
    virtual void DoAdvancedHeaderDraw(THeaderPaintInfo& PaintInfo,
                                      const THeaderPaintElements& Elements);

    // ---- drag and drop ----
    virtual bool DoDragAllowed(PLeanNode Node, TColumnIndex Column); // false without a handler
    // OnCreateDataObject's data object for a drag, or nil.
    virtual std::unique_ptr<QMimeData> DoCreateDataObject();
    // OnStartDrag: the host's own data object for the drag, or nil.
    virtual std::unique_ptr<QMimeData> DoStartDrag();
    // OnEndDrag with the drop target (nil when none) and the mouse in client coordinates.
    virtual void DoEndDrag(QObject* Target, QPoint P);

protected:
    virtual bool DoDragOver(TBaseLeanTree* Source, Qt::KeyboardModifiers Keys, TDragState State,
                            QPoint Pt, TDropMode Mode, Qt::DropAction& Effect);
    virtual void DoDragDrop(TBaseLeanTree* Source, const QMimeData* DataObject,
                            const TFormatArray& Formats, Qt::KeyboardModifiers Keys, QPoint Pt,
                            Qt::DropAction& Effect, TDropMode Mode);
    // OnCreateDragManager's manager, or nil.
    virtual std::unique_ptr<TLTDragManager> DoCreateDragManager();
    // OnRenderOLEData's answer (false without a handler).
    virtual bool DoRenderOLEData(int Format, QByteArray& Medium, bool ForClipboard);

private:
    // The tree these events belong to (TBaseLeanTree derives from this class), and its header.
    TBaseLeanTree* EventSender();
    TLTHeader* HeaderSender();
};

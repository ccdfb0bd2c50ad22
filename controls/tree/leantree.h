#pragma once
// TBaseLeanTree: a virtual tree-list control whose nodes hold no content of their own. The
// host supplies everything through events; each node is one allocation with the tree's links,
// counts and heights followed by NodeDataSize host bytes. The node store itself is the model:
// totals per subtree make the row at a position and the position of a row cheap to find.
//
// Node operations run on the GUI thread. A process-wide worker thread builds the position
// cache (a mark every CacheMarkSpacing visible nodes) and hands it back through a posted event.
// Node arguments: nullptr stands for the root where an operation says so ("nil = root").
//
// Besides the core declared here (node store, operations, iteration, selection, painting,
// input) the tree is made of bases, one a feature, each in its own header:
//   TLeanTreeEvents    the events and their plain dispatchers (treeevents.h)
//   TLeanTreeNodes     the read side of the node store: walks that initialise nothing, tree
//                      order, cache look-ups (treenodes.h)
//   TLeanTreeLook      buttons, lines, colour, background and image lists (treelook.h)
//   TLeanTreeHints     the tree's side of its hints (treehints.h)
//   TLeanTreeSearch    the incremental search (treesearch.h)
//   TLeanTreeScrolling scroll codes, auto-scroll and wheel panning (treescroll.h)
//   TLeanTreeEditing   the tree's side of in-place editing (treeedit.h)
//   TLeanTreeDragDrop  drag source, drop target and clipboard (treedragdrop.h)

#include <QAbstractScrollArea>
#include <QMenu>
#include <QPointer>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "controls/tree/treecheckimages.h"
#include "controls/tree/treeclipboard.h"
#include "controls/tree/treedragdrop.h"
#include "controls/tree/treeedit.h"
#include "controls/tree/treeevents.h"
#include "controls/tree/treehints.h"
#include "controls/tree/treeimages.h"
#include "controls/tree/treeinput.h"
#include "controls/tree/treelook.h"
#include "controls/tree/treenodes.h"
#include "controls/tree/treeoptions.h"
#include "controls/tree/treepainthelpers.h"
#include "controls/tree/treescroll.h"
#include "controls/tree/treesearch.h"
#include "controls/tree/treetypes.h"

class TLTDragManager;
struct TLTDragInfo;
class TLTDragImage;
class TLTHeader;
class TLeanTreeColumn;
class TLeanTreeColumns;
class TMemoryStream;
class TNodePool;
class QTimer;
class TLTAnimationTimer;
class TLTToggleAnimation;
class TLTAccessibleItems;

// Class references: each makes a tree's object of its kind (the tree as owner).
using TLTHeaderClass = std::unique_ptr<TLTHeader> (*)(TBaseLeanTree* Owner);
using TLTOptionsClass = std::unique_ptr<TCustomLeanTreeOptions> (*)(TBaseLeanTree* Owner);

class TBaseLeanTree : public QAbstractScrollArea,
                      public TLeanTreeEvents,
                      public TLeanTreeNodes,
                      public TLeanTreeLook,
                      public TLeanTreeHints,
                      public TLeanTreeSearch,
                      public TLeanTreeScrolling,
                      public TLeanTreeEditing,
                      public TLeanTreeDragDrop {
public:
    explicit TBaseLeanTree(QWidget* parent = nullptr);
    ~TBaseLeanTree() override;
    TBaseLeanTree(const TBaseLeanTree&) = delete;
    TBaseLeanTree& operator=(const TBaseLeanTree&) = delete;
    // The classes the tree makes its header and options object from. A descendant that needs
    // its own kinds hides these with its own and hands them to the protected constructor:
    // the objects exist before any descendant's constructor runs.
    static std::unique_ptr<TLTHeader> GetHeaderClass(TBaseLeanTree* Owner);
    static std::unique_ptr<TCustomLeanTreeOptions> GetOptionsClass(TBaseLeanTree* Owner);

protected:
    // Makes the tree with its header and options object from the given classes (non-nil).
    TBaseLeanTree(QWidget* parent, TLTHeaderClass HeaderClass, TLTOptionsClass OptionsClass);

public:
    // ---- properties (nodestore.cpp) ----
    uint32_t RootNodeCount() const {
        return FStates.Contains(TLeanTreeState::tsNeedRootCountUpdate) ? FLoadedRootCount
                                                                       : FRoot->ChildCount;
    }
    void SetRootNodeCount(uint32_t value);
    // Values below -1 become -1 (ask OnGetNodeDataSize when the first node is made); a change
    // clears the tree and makes the old number of top-level nodes again (none under toReadOnly
    // while nodes exist). While loading it is only stored: nodes present keep the size they
    // were made with until Loaded.
    void SetNodeDataSize(int value);
    uint32_t DefaultNodeHeight() const { return FDefaultNodeHeight; }
    void SetDefaultNodeHeight(uint32_t value); // 0 becomes 18
    uint32_t Indent() const { return FIndent; }
    void SetIndent(uint32_t value);
    int Margin() const { return FMargin; }
    void SetMargin(int value);
    int TextMargin() const { return FTextMargin; }
    void SetTextMargin(int value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    uint32_t AnimationDuration() const { return FAnimationDuration; }
    void SetAnimationDuration(uint32_t value); // non-zero switches toAnimatedToggle on
    uint32_t ChangeDelay = 0;                  // milliseconds before OnChange fires
    uint8_t SelectionBlendFactor = 128;
    TLTNodeAlignment NodeAlignment() const { return FNodeAlignment; }
    void SetNodeAlignment(TLTNodeAlignment value);
    TLeanTreeStates TreeStates() const { return FStates; }
    TCustomLeanTreeOptions& TreeOptions() { return *FOptions; }
    TLTColors& Colors() { return *FColors; }
    TScrollBarOptions& ScrollBarOptions() { return *FScrollBarOptions; }
    TLTHeader& Header() { return *FHeader; }
    int OffsetX() const { return FOffsetX; }
    int OffsetY() const { return FOffsetY; }
    void SetOffsetX(int value);
    void SetOffsetY(int value);
    // Moves the scroll offsets (each at most 0); fires OnScroll when they moved.
    bool DoSetOffsetXY(QPoint value);

    // ---- node store (nodestore.cpp) ----
    // Grows or shrinks Node's children to NewCount (nil = root); nothing under toReadOnly.
    void SetChildCount(PLeanNode Node, uint32_t NewCount);
    // Height of Node's row: 0 for nil and the root; measured once with toVariableNodeHeight.
    uint32_t GetNodeHeight(PLeanNode Node);
    void SetNodeHeight(PLeanNode Node, uint32_t Value);
    bool GetVisible(PLeanNode Node); // nil = root; initialises the node first
    void SetSelected(PLeanNode Node, bool Value);
    PLeanNode FocusedNode() const { return FFocusedNode; }
    void SetFocusedNode(PLeanNode Node);
    TColumnIndex FocusedColumn() const { return FFocusedColumn; }
    void SetFocusedColumn(TColumnIndex Column);
    void SetCheckState(PLeanNode Node, TCheckState Value);
    void SetCheckType(PLeanNode Node, TCheckType Value);
    void SetDisabled(PLeanNode Node, bool Value);
    void SetExpanded(PLeanNode Node, bool Value);
    // Reserves Size bytes (rounded up to 8) in every node before the host's data; returns the
    // offset of the area inside a node. Fails once nodes exist.
    size_t AllocateInternalDataArea(size_t Size);

    // ---- tree states, cache, worker (treecache.cpp) ----
    void DoStateChange(TLeanTreeStates Enter, TLeanTreeStates Leave = {});
    void InvalidateCache();
    virtual void ValidateCache();
    // Stops a running or queued validation of this tree and waits until the worker has left it.
    void InterruptValidation();
    bool UsesCache() const { return FStates.Contains(TLeanTreeState::tsUseCache); }
    // An in-place edit runs (TLeanTreeEditing runs it).
    bool IsEditing() const { return FStates.Contains(TLeanTreeState::tsEditing); }

    // ---- node operations (nodeoperations.cpp, nodemove.cpp) ----
    void BeginUpdate();
    void EndUpdate();
    uint32_t UpdateCount() const { return FUpdateCount; }
    virtual void ReinitNode(PLeanNode Node, bool Recursive);
    virtual void ReinitChildren(PLeanNode Node, bool Recursive);
    virtual void ResetNode(PLeanNode Node);
    void InitAllChildren(PLeanNode Node, bool Recursive);
    void DeleteNode(PLeanNode Node, bool Reindex = true);
    void DeleteChildren(PLeanNode Node, bool ResetHasChildren = false);
    virtual void DeleteSelectedNodes();
    virtual void Clear();
    void ToggleNode(PLeanNode Node);
    virtual void FullExpand(PLeanNode Node = nullptr);
    virtual void FullCollapse(PLeanNode Node = nullptr);
    // Moves Source (or only its children) to Target by Mode (a root: as a child of it; nil: as
    // the first child of this tree's root), also into another tree; nothing under this tree's
    // toReadOnly. Error 2001 for a target inside Source. A failure on the way (the hosts' stream
    // events) leaves every node not yet moved in place and ends the update brackets of both trees.
    void MoveTo(PLeanNode Source, PLeanNode Target, TLTNodeAttachMode Mode, bool ChildrenOnly);
    // The same with Tree's root as Target (nil Tree: this tree's root).
    void MoveTo(PLeanNode Source, TBaseLeanTree* Tree, TLTNodeAttachMode Mode, bool ChildrenOnly);
    void MeasureItemHeight(QPainter* Canvas, PLeanNode Node);
    void RepaintNode(PLeanNode Node);
    void CancelCutOrCopy();
    // Adds a node before/after Node or as its first/last child (nil = root); returns it.
    PLeanNode InsertNode(PLeanNode Node, TLTNodeAttachMode Mode);
    PLeanNode AddChild(PLeanNode Parent) { return InsertNode(Parent, amAddChildLast); }

    // ---- iteration (treeiteration.cpp): walks that initialise the nodes they return ----
    PLeanNode GetFirst();
    PLeanNode GetFirstChild(PLeanNode Node);
    PLeanNode GetFirstSelected();
    PLeanNode GetFirstCutCopy();
    PLeanNode GetFirstVisible();
    PLeanNode GetFirstVisibleChild(PLeanNode Node);
    PLeanNode GetLastChild(PLeanNode Node);
    PLeanNode GetLast(PLeanNode Node = nullptr);
    PLeanNode GetLastVisibleChild(PLeanNode Node);
    PLeanNode GetLastVisible(PLeanNode Node = nullptr);
    PLeanNode GetNext(PLeanNode Node);
    PLeanNode GetNextSelected(PLeanNode Node);
    PLeanNode GetNextCutCopy(PLeanNode Node);
    PLeanNode GetNextSibling(PLeanNode Node);
    PLeanNode GetNextVisible(PLeanNode Node);
    PLeanNode GetNextVisibleSibling(PLeanNode Node);
    PLeanNode GetPrevious(PLeanNode Node);
    PLeanNode GetPreviousSibling(PLeanNode Node);
    PLeanNode GetPreviousVisible(PLeanNode Node);
    PLeanNode GetPreviousVisibleSibling(PLeanNode Node);
    virtual uint32_t CountVisibleChildren(PLeanNode Node) const;
    virtual void DetermineHiddenChildrenFlag(PLeanNode Node);
    void DetermineHiddenChildrenFlagAllNodes();
    // Nodes in tree order; Resolve leaves out the descendants of listed nodes.
    std::vector<PLeanNode> GetSortedSelection(bool Resolve) const;
    std::vector<PLeanNode> GetSortedCutCopySet(bool Resolve) const;

    // ---- lookup (treelookup.cpp) ----
    // The visible row at vertical position Y (tree coordinates unless Relative); NodeTop gets
    // its top. Nil below the last row; negative Y counts as 0.
    PLeanNode GetNodeAt(int X, int Y, bool Relative, int& NodeTop);
    PLeanNode GetNodeAt(int X, int Y);
    THitInfo GetHitTestInfoAt(int X, int Y, bool Relative);
    QRect GetDisplayRect(PLeanNode Node, TColumnIndex Column, bool TextOnly,
                         bool Unclipped = false);
    int GetMaxColumnWidth(TColumnIndex Column);
    virtual int GetMaxRightExtent();
    int RangeX() const { return FRangeX; }
    int RangeY() const { return int(FRoot->TotalHeight) - int(FRoot->NodeHeight); }

    // ---- assistive tools and help (treeaccessible.cpp) ----
    // The item queries of assistive tools. GetItemRect: initialises Node, false when it is not
    // visible, else R = its row (TextOnly: its text) in client coordinates (empty under a
    // collapsed parent). GetNextItem: the node a TTreeViewNextItem code names from Node, nil
    // when none. GetItemText: the text of Node's cell (NoColumn: the main column); empty
    // here, text trees give theirs.
    bool GetItemRect(PLeanNode Node, bool TextOnly, QRect& R);
    PLeanNode GetNextItem(int Code, PLeanNode Node);
    virtual QString GetItemText(PLeanNode Node, TColumnIndex Column);
    // The row and cell items handed to assistive tools (made on first use).
    TLTAccessibleItems& AccessibleItems();
    // F1: OnGetHelpContext for the focused node, then its ancestors, until one gives a context;
    // else the context of the tree or its nearest parent with one. Shows it through the
    // application's help; false when there is none or nobody took it.
    bool DoHelpRequest();

    // ---- mouse handling (treemouse.cpp; the incremental search is TLeanTreeSearch) ----
    // Mouse handlers: Message carries the buttons, keys and position (client coordinates),
    // HitInfo the hit test at that position.
    virtual void HandleMouseDown(const TLTMouseMessage& Message, const THitInfo& HitInfo);
    virtual void HandleMouseUp(const TLTMouseMessage& Message, const THitInfo& HitInfo);
    virtual void HandleMouseDblClick(const TLTMouseMessage& Message, const THitInfo& HitInfo);
    // Makes the node under (X, Y) (client coordinates) the hot node.
    virtual void HandleHotTrack(int X, int Y);
    // Moves the far corner of the selection rectangle to (X, Y) (client); true when it changed.
    virtual bool CalculateSelectionRect(int X, int Y);
    // Starts a drag of DragType now (Immediate) or once the mouse moved Threshold pixels
    // (negative: the system's drag distance).
    void BeginDrag(bool Immediate, int Threshold = -1);
    bool IsMouseSelecting() const;
    PLeanNode HotNode() const { return FCurrentHotNode; }
    QRect SelectionRect() const { return FNewSelRect; }

    // ---- sorting (treesort.cpp) ----
    // Sorts Node's children (nil = root) by OnCompareNodes, stable; with DoInit the children
    // are initialised first. Nothing when a running edit cannot be ended.
    virtual void Sort(PLeanNode Node, TColumnIndex Column, TSortDirection Direction,
                      bool DoInit = true);
    // Sorts every initialised level; Column -2 sorts nothing.
    void SortTree(TColumnIndex Column, TSortDirection Direction, bool DoInit = true);

    // ---- node streams (treestream.cpp) ----
    // Writes Node with its subtree (nil: every top-level node) in the node stream format.
    virtual void SaveToStream(TStream& Stream, PLeanNode Node = nullptr);
    // Replaces the tree with the nodes in Stream. A malformed stream raises ELeanTreeError
    // (codes 2002 to 2006) and leaves the tree unchanged; nothing under toReadOnly.
    virtual void LoadFromStream(TStream& Stream);
    virtual void LoadFromFile(const std::string& FileName);
    // Adds the nodes in Stream (after its header) as the last children of Node (nil = root);
    // all or nothing. Returns the number of top-level nodes added.
    uint32_t AddFromStream(TStream& Stream, PLeanNode Node);
    virtual void WriteNode(TStream& Stream, PLeanNode Node);
    // Moves Stream past the node chunk at its position (2005 when none starts there, 2004 when
    // the stream ends inside it).
    virtual void SkipNode(TStream& Stream);
    // Writes what follows Node's base chunk (which holds the children) into the writer's
    // buffer: the host's user chunk. Descendants add chunks of their own after it.
    virtual void WriteChunks(TMemoryStream& Stream, PLeanNode Node);
    // A chunk of another type inside Node's node chunk; Stream holds its bytes. Descendants
    // read their own chunks; false means skipped (the default).
    virtual bool ReadChunk(TStream& Stream, int Version, PLeanNode Node, uint32_t ChunkType);

    // ---- selection (treeselection.cpp) ----
    uint32_t SelectedCount() const { return FSelectionCount; }
    PLeanNode RangeAnchor() const { return FRangeAnchor; }
    virtual void AddToSelection(PLeanNode Node);
    virtual void AddNodesToSelection(std::vector<PLeanNode>& Nodes, bool ForceInsert);
    virtual void RemoveFromSelection(PLeanNode Node);
    virtual void InternalRemoveFromSelection(PLeanNode Node);
    virtual void InternalClearSelection();
    void ClearSelection();
    virtual void SelectNodes(PLeanNode StartNode, PLeanNode EndNode, bool AddOnly);
    virtual void UnselectNodes(PLeanNode StartNode, PLeanNode EndNode);
    virtual void ToggleSelection(PLeanNode StartNode, PLeanNode EndNode);
    void SelectAll(bool VisibleOnly);
    // Binary search by address over [LowBound, HighBound] (negative: the whole array); Index
    // gets the position found or the insert position.
    virtual bool FindNodeInSelection(PLeanNode Node, int& Index, int LowBound, int HighBound) const;
    virtual void ResetRangeAnchor();
    // Moves the focus to Node (Ask: the host may refuse) after ending a running edit (the focus
    // stays when the edit cannot end); outside an update the focused node is scrolled into
    // view, its collapsed parents expanded.
    virtual void DoFocusNode(PLeanNode Node, bool Ask);
    virtual void SetFocusedNodeAndColumn(PLeanNode Node, TColumnIndex Column);
    virtual void Change(PLeanNode Node);
    virtual void StructureChange(PLeanNode Node, TChangeReason Reason);

    // ---- check boxes, click and rubber-band selection (checkselection.cpp) ----
    // Changes Node's check state with tri-state tracking; false when refused.
    bool DoCheckClick(PLeanNode Node, TCheckState NewCheckState);
    static TCheckState DetermineNextCheckState(TCheckType CheckType, TCheckState CheckState);
    virtual bool CheckParentCheckState(PLeanNode Node, TCheckState NewCheckState);
    void HandleClickSelection(PLeanNode LastFocused, PLeanNode NewNode, TShiftState Shift,
                              bool DragPending);
    // Rubber band: Rect and OldRect in tree coordinates; Toggle inverts instead of setting.
    bool HandleDrawSelection(QRect Rect, QRect OldRect, bool Toggle);

    // ---- invalidation and scrolling (leantree.cpp) ----
    virtual void InvalidateNode(PLeanNode Node);
    void InvalidateToBottom(PLeanNode Node);
    void InvalidateColumn(TColumnIndex Column);
    void InvalidateTree();
    // Sets the bars' ranges to the content; OnShowScrollbar hears when a bar shows or hides.
    virtual void UpdateScrollBars(bool DoRepaint);
    // The horizontal range and bar alone (the offset is left to the caller).
    void UpdateHorizontalScrollBar(bool DoRepaint);
    // Opens Node's collapsed parents, then scrolls its row (the focused column's text, or the
    // whole cell with toGridExtensions) into view: centred vertically with Center (a row
    // above the top with its top at the middle, any other with its bottom there); with
    // Horizontally centred when it sticks out (or placed right of fixed columns). True when
    // it scrolled (inside an update too); false for nil, the root or a hidden node.
    bool ScrollIntoView(PLeanNode Node, bool Center, bool Horizontally = false);
    PLeanNode TopNode();
    int ClientWidth() const;
    int ClientHeight() const;
    void UpdateHeaderRect();
    bool IsLoading() const { return FLoading; }
    bool IsDestroying() const { return FDestroying; }
    // The options' reactions (called by the option objects).
    void OptionsChanged(TLTOptionKind Kind, uint32_t OldBits, uint32_t NewBits);
    void ScrollBarOptionsChanged();
    bool HasPaint(TLTPaintOption o) const { return FOptions->PaintOptions().Contains(o); }
    bool HasAuto(TLTAutoOption o) const { return FOptions->AutoOptions().Contains(o); }
    bool HasSelection(TLTSelectionOption o) const {
        return FOptions->SelectionOptions().Contains(o);
    }
    bool HasMisc(TLTMiscOption o) const { return FOptions->MiscOptions().Contains(o); }

    // ---- control integration, cancel mode, cursor and printing (treeintegration.cpp) ----
    // Loading of stored settings: between BeginLoading and Loaded a root node count, a node
    // data size and a main column are only recorded (the nodes present stay as they are);
    // Loaded makes the top-level nodes again when the data size changed or a count was
    // recorded (also under toReadOnly), brings the main column into range and recalculates
    // the header.
    void BeginLoading();
    virtual void Loaded();
    // Copies Source's settings (options, colours, heights, margins, styles, delays, header and
    // its columns); not its nodes, node data size or events. Nothing for itself.
    virtual void Assign(const TBaseLeanTree& Source);
    // Scales sizes from D to M dots per inch with toAutoChangeScale (while loading only when a
    // scale is pending): DefaultNodeHeight, the header height, column widths and pixel-sized
    // fonts, rounded to the nearest pixel. Nothing when M equals D or either is not positive.
    virtual void ChangeScale(int M, int D);
    // Index of Node's check image in a check image list: -1 without a check box; otherwise
    // radio buttons 1-8, check boxes 9-16 (unchecked, then checked), buttons 17-20, mixed
    // 21-24, each four as normal, hot, pressed, disabled. Disabled for a disabled node or
    // control.
    int GetCheckImage(PLeanNode Node) const;
    // The font, text rectangle (client coordinates) and text of a cell, for an editor: here the
    // control's font, an empty rectangle and no text (text trees give theirs).
    virtual void GetTextInfo(PLeanNode Node, TColumnIndex Column, QFont& Font, QRect& R,
                             QString& Text);
    // Ends every pending mouse action: drags waiting to start, the rubber band, auto-scrolling,
    // auto-expansion, wheel panning, a pending edit, the search and header tracking.
    virtual void CancelMode();
    // The cursor for the client point P: HotCursor over the hot node with toHotTrack, else
    // Cursor; OnGetCursor may change it. The header area sets its own (split) cursor.
    virtual Qt::CursorShape DoGetCursor(QPoint P);
    // Applies DoGetCursor to the viewport (not while panning).
    void UpdateCursor(QPoint P);
    // The mouse left the client area: the hot node is given up (OnHotChange to nil) and repainted.
    void MouseLeft();
    Qt::CursorShape Cursor = Qt::ArrowCursor;
    std::optional<Qt::CursorShape> HotCursor; // none: Cursor over hot nodes too
    // Renders Window (tree coordinates; empty: the whole tree, at least the client width) into
    // a new image through the tree painting. Null image when an extent exceeds 32767 pixels.
    QImage PaintToImage(QRect Window = {}, bool WithHeader = false);
    // Renders the visible rows from First to Last (in display order, either way round).
    QImage PaintToImage(PLeanNode First, PLeanNode Last, bool WithHeader = false);

    // ---- keyboard (treekeys.cpp) ----
    // One key press (Qt key code): navigation, Ctrl scrolling, expanding and collapsing,
    // Space checking, select all and the menu key. False when the key is not the tree's (it
    // then goes to the incremental search or the parent).
    virtual bool HandleKeyDown(int Key, Qt::KeyboardModifiers Modifiers);
    // Shows the menu DoGetPopupMenu gives for Node and Column at Position (client), else the
    // tree's own PopupMenu.
    virtual void DoPopupMenu(PLeanNode Node, TColumnIndex Column, QPoint Position);
    // Whether a menu would show for Node and Column at Position: the tree's own, else the
    // host's (DoGetPopupMenu).
    bool HasPopupMenu(PLeanNode Node, TColumnIndex Column, QPoint Position);
    QPointer<QMenu> PopupMenu; // the tree's own menu (owned elsewhere)
    // The tree takes Tab and Shift+Tab instead of moving the focus to the next control.
    bool WantTabs = false;

    // ---- event dispatchers with work of their own (treeevents.cpp; the plain ones are in
    // TLeanTreeEvents) ----
    virtual void DoChange(PLeanNode Node);
    virtual void DoStructureChange(PLeanNode Node, TChangeReason Reason);
    virtual void DoFreeNode(PLeanNode Node);
    virtual void DoFocusChanged(PLeanNode Node, TColumnIndex Column);
    virtual void DoColumnResize(TColumnIndex Column);
    virtual void DoScroll(int DeltaX, int DeltaY);
    // The header's main column changed: a running edit is cancelled; descendants forget what
    // they measured for the old one.
    virtual void MainColumnChanged();

    // ---- frame, reading order and top node (treepaint.cpp; the look is TLeanTreeLook) ----
    TBorderStyle BorderStyle() const { return frameShape() == NoFrame ? bsNone : bsSingle; }
    void SetBorderStyle(TBorderStyle Value); // the frame, bsSingle by default
    // The reading order, from the layout direction: bdRightToLeft for Qt::RightToLeft.
    TBiDiMode BiDiMode() const {
        return layoutDirection() == Qt::RightToLeft ? bdRightToLeft : bdLeftToRight;
    }
    // Expands Node's collapsed ancestors and scrolls its row to the top. Nothing for nil.
    void SetTopNode(PLeanNode Node);

    // ---- painting (treepaint.cpp) ----
    // Draws the tree rectangle Window (tree coordinates) with its top-left corner at Target of
    // TargetCanvas. Only the rows meeting Window are visited (the first found by position).
    void PaintTree(QPainter& TargetCanvas, QRect Window, QPoint Target,
                   TLTInternalPaintOptions PaintOptions);
    // Draws the first IndentSize levels of PaintInfo.LineImage in the cell: tree lines in the
    // line pattern, or under lmBands the band lines in GridLineColor.
    virtual void PaintTreeLines(const TLTPaintInfo& PaintInfo, int IndentSize);
    virtual void PaintNodeButton(QPainter& Canvas, PLeanNode Node, bool RightToLeft,
                                 const QRect& CellRect, int ButtonX, int ButtonY);
    // Node's check image from CheckImages at PaintInfo.CheckX from the cell's leading edge (the
    // right one in right-to-left cells).
    virtual void PaintCheckImage(const TLTPaintInfo& PaintInfo);
    // Where a drop above or below Node lands: a bar with arrow ends in DropMarkColor along the
    // top or bottom edge of R (the row, tree coordinates). Nothing for the other drop modes.
    virtual void PaintDropMark(QPainter& Canvas, PLeanNode Node, const QRect& R);
    // Column spanning: with toAutoSpanColumns a left-to-right cell (PaintInfo.CellRect) grows
    // over the following visible columns whose cells are empty, up to a non-empty or a
    // right-to-left one. NextNonEmpty gets the first visible column after the cell (-1: none).
    virtual void AdjustPaintCellRect(TLTPaintInfo& PaintInfo, TColumnIndex& NextNonEmpty);
    // Whether a selected row shows its selection in Column: the focused column (the main one
    // while none is focused), every column under toFullRowSelect, the one cell without columns.
    bool IsSelectionColumn(TColumnIndex Column) const;
    // The cell content (nothing here; descendants draw their text).
    virtual void DoPaintNode(TLTPaintInfo& PaintInfo);
    // The rubber band's share of Rect (tree coordinates) that lies in VisibleRect.
    virtual void PaintSelectionRectangle(QPainter& Canvas, int StartX, const QRect& Rect,
                                         const QRect& VisibleRect);
    // One-pixel lines with the current line brush, both ends included.
    virtual void DrawHorizontalLine(QPainter& Canvas, int Left, int Right, int Y);
    virtual void DrawVerticalLine(QPainter& Canvas, int Top, int Bottom, int X);
    // The rubber band in tree coordinates while the mouse selects, else an empty rectangle.
    virtual QRect CurrentSelectionRect() const {
        return IsMouseSelecting() ? FNewSelRect : QRect();
    }
    // Fills LineImage with the line types of Node's row, one per indentation level (all ltNone
    // without toShowTreeLines), and returns how many of Node's ancestors are selected.
    int DetermineLineImageAndSelectLevel(PLeanNode Node, std::vector<TLTLineType>& LineImage) const;

    // ---- state and normal images (treeimages.cpp; the lists are TLeanTreeLook's) ----
    // Node's image of Kind in Column from OnGetImageIndexEx, else DoGetImageIndex; the index
    // is -1 when the list in force has no such image.
    TLTImageInfo GetImageIndexInfo(PLeanNode Node, TLTImageKind Kind, TColumnIndex Column);
    // Node's state and normal image in Column (the selected image first for a selected node),
    // ghosted as the paint options ask.
    void GetNodeImages(PLeanNode Node, TColumnIndex Column, TLTImageInfo& State,
                       TLTImageInfo& Normal);
    // Pixels from the cell's leading edge to Node's label in Column: indentation, margin and
    // check box (main column), then the state and normal images.
    int TextOffset(PLeanNode Node, TColumnIndex Column, bool MainColumn);
    // Draws one of the cell's images at its place (mirrored in right-to-left cells).
    virtual void PaintImage(const TLTPaintInfo& PaintInfo, const TLTImageInfo& Image);
    // Whether Node has an image of Kind in Column (the host gives an index above -1).
    bool HasImage(PLeanNode Node, TLTImageKind Kind, TColumnIndex Column);
    // Pixels Node's check box takes before its images: the check list's width + 2 with
    // toCheckSupport and a check type, else 0.
    int CheckImageRoom(PLeanNode Node) const;

    // ---- animations (treeanimation.cpp) ----
    // Runs Callback(Step, StepSize) over Steps in Duration milliseconds (Step is the position
    // reached, 1 to Steps); false stops it. At most one step per millisecond; a loop that falls
    // behind takes larger steps. Nothing while another animation runs or for no steps or time.
    // Events are handled between steps, user input only with UserInput.
    virtual void Animate(uint32_t Steps, uint32_t Duration,
                         const std::function<bool(uint32_t Step, uint32_t StepSize)>& Callback,
                         bool UserInput = true);
    // The timer the animations use (nil: the default clock and pause).
    void SetAnimationTimer(std::shared_ptr<TLTAnimationTimer> Timer);

    // ---- columns (treecolumns.cpp) ----
    // Makes a column for Owner's collection; descendants may make their own kind.
    virtual std::unique_ptr<TLeanTreeColumn> GetColumnClass(TLeanTreeColumns* Owner);

protected:
    // Left of Node's content (after indentation, margin and check image) in its cell, pixels.
    int NodeContentLeft(PLeanNode Node) const;
    // ---- node store internals ----
    void InitRootNode(size_t OldSize = 0);
    PLeanNode MakeNewNode();
    void FreeNodeMemory(PLeanNode Node);
    void AdjustTotalCount(PLeanNode Node, int64_t Value, bool Relative);
    void AdjustTotalHeight(PLeanNode Node, int64_t Value, bool Relative);
    virtual void InitNode(PLeanNode Node);
    virtual void InitChildren(PLeanNode Node);
    void InitIfNeeded(PLeanNode Node) {
        if (!(Node->States & vsInitialized))
            InitNode(Node);
    }
    virtual void InternalConnectNode(PLeanNode Node, PLeanNode Destination, TLTNodeAttachMode Mode,
                                     TBaseLeanTree* Target);
    virtual void InternalDisconnectNode(PLeanNode Node, bool KeepFocus, bool Reindex = true);
    // Copies Source's subtree into new nodes attached to Destination in Target.
    PLeanNode CopySubtreeTo(PLeanNode Source, TBaseLeanTree* Target, PLeanNode Destination,
                            TLTNodeAttachMode Mode);
    bool InternalAddToSelection(std::vector<PLeanNode>& Nodes, bool ForceInsert);
    void PackSelection();
    // Stops the worker before a change of anything it reads (links, heights, state bits).
    void StopValidation() {
        if (FCacheQueued)
            InterruptValidation();
    }

    // ---- mouse and keyboard: Qt input (treemouse.cpp) ----
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    bool focusNextPrevChild(bool Next) override;
    void focusOutEvent(QFocusEvent* e) override;
    // ---- focus, fonts, colours, enabling (treemessages.cpp) ----
    void focusInEvent(QFocusEvent* e) override;
    void changeEvent(QEvent* e) override;
    // Repaints what the focus shows: the whole tree, or with toGhostedIfUnfocused and no
    // selection only the focused node. Gaining it also stops timers of a drag that ended.
    void FocusChanged(bool Gained);

    // ---- Qt integration ----
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    // ---- scrolling and hints: wheel, middle button and tool-tip events ----
    void wheelEvent(QWheelEvent* e) override;
    bool viewportEvent(QEvent* e) override;

private:
    // The bases that run a feature of the tree reach into its state.
    friend class TLeanTreeScrolling;
    friend class TLeanTreeEditing;
    friend class TLeanTreeDragDrop;
    friend class TWorkerThread;
    friend class TLTHeader;
    friend class TLeanTreeColumns;
    friend class TCacheResultEvent;
    friend struct TTreeInvariants;
    void ApplyCacheResult(uint64_t Generation, std::vector<TCacheEntry>&& Cache, bool Ok);
    void PostChangeNotice(bool Structure, PLeanNode Node, TChangeReason Reason);
    void CollectNodesInBand(const QRect& R, std::vector<PLeanNode>& Out);

    uint32_t FDefaultNodeHeight = 18;
    uint32_t FIndent = 18;
    int FMargin = 4;
    int FTextMargin = 4;
    TAlignment FAlignment = taLeftJustify;
    uint32_t FAnimationDuration = 200;
    TLTNodeAlignment FNodeAlignment = naProportional;
    uint32_t FUpdateCount = 0;
    TLeanTreeStates FStates;
    PLeanNode FFocusedNode = nullptr;
    TColumnIndex FFocusedColumn = NoColumn;
    uint32_t FStartIndex = 0;
    bool FCacheQueued = false;     // the worker may be walking this tree
    uint64_t FCacheGeneration = 0; // bumped by every interruption; stale results are dropped
    std::atomic<bool> FStopFlag{false};
    std::vector<PLeanNode> FSelection; // address order; low bit set = marked for removal
    uint32_t FSelectionCount = 0;
    PLeanNode FRangeAnchor = nullptr;
    int FLastSelectionLevel = -1;
    int FCheckPropagationCount = 0;
    PLeanNode FLastChangedNode = nullptr;
    PLeanNode FLastStructureChangeNode = nullptr;
    TChangeReason FLastStructureChangeReason = crIgnore;
    int FOffsetX = 0, FOffsetY = 0, FRangeX = 0;
    bool FLoading = false, FDestroying = false;
    uint32_t FLoadedRootCount = 0; // root count recorded while loading
    // A data size recorded while loading that the nodes present were not made with.
    std::optional<int> FLoadedNodeDataSize;
    bool FSilentFree = false; // nodes moved to another tree leave without OnFreeNode
    // Mouse handling.
    PLeanNode FCurrentHotNode = nullptr;
    PLeanNode FCheckNode = nullptr;
    TCheckState FPendingCheckState = csUncheckedNormal;
    QPoint FLastClickPos;
    int FDragThreshold = 5;
    QRect FLastSelRect, FNewSelRect;
    TColumnIndex FSelRectStartColumn = NoColumn;
    void HandleCheckPress(PLeanNode Node);
    // Node streams: reads a stream's nodes as the last children of Target, all or nothing
    // (nothing under toReadOnly). With Moved, the stream must hold one node, which is linked
    // at Target by Mode, unselected and also under toReadOnly, and stored into *Moved.
    friend struct TNodeStreamBuilder;
    uint32_t ReadStreamNodes(TStream& Stream, PLeanNode Target, bool ClearFirst,
                             TLTNodeAttachMode Mode = amAddChildLast, PLeanNode* Moved = nullptr);
    // Writes First's subtree, and with Siblings those of the siblings after it.
    void WriteNodes(TStream& Stream, PLeanNode First, bool Siblings);
    QTimer* FChangeTimer = nullptr;
    QTimer* FStructureChangeTimer = nullptr;
    std::unique_ptr<TCustomLeanTreeOptions> FOptions;
    std::unique_ptr<TLTColors> FColors;
    std::unique_ptr<TScrollBarOptions> FScrollBarOptions;
    std::unique_ptr<TLTHeader> FHeader;
    std::unique_ptr<TNodePool> FPool;
    std::unique_ptr<TLTAccessibleItems> FAccessibleItems;

    // ---- clipboard formats, drag manager and image, Qt drag events (treeclipboard.cpp,
    // treedrag.cpp, treedragdrop.cpp; the rest of drag and drop is TLeanTreeDragDrop) ----
public:
    // The class whose clipboard formats the tree offers; descendants return their own.
    virtual const TLTTreeClass& LeanTreeClass() const { return BaseLeanTreeClass; }
    TClipboardFormats& ClipboardFormats() { return FClipboardFormats; }
    // Process-unique id of this tree (never reused), named by its tree references.
    uint64_t TreeId() const { return FTreeRegistration.Id(); }
    // The registered formats for the tree's class, filtered by ClipboardFormats when that is
    // not empty, then whatever OnGetUserClipboardFormats adds.
    virtual std::vector<int> GetNativeClipboardFormats();
    // Renders Format into Data for a data object; false when the tree cannot. The base tree
    // renders "Lean Tree Data" through WriteClipboardNodes and asks OnRenderOLEData for others.
    virtual bool RenderOLEData(int Format, bool ForClipboard, QByteArray& Data);
    // The tree's drag manager (OnCreateDragManager's, else a TLTDragManager) and drag image,
    // made on first use.
    TLTDragManager& DragManager();
    TLTDragImage& DragImage();
    // Ends a drag of DragType dtVCL: the button release that ended it (taken by the drag loop)
    // is handled at the mouse position, and the VCL drag states are left.
    virtual void DragFinished();

protected:
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dragLeaveEvent(QDragLeaveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    // The release of Message's button, as the tree's mouse-up handling takes it.
    void MouseButtonReleased(const TLTMouseMessage& Message);
    // Finishes every button recorded as down as if it were released at P (client coordinates):
    // an open popup menu takes those releases.
    void ReleaseHeldButtons(QPoint P);
    // DragFinished with the mouse at P (client coordinates).
    void DragFinishedAt(QPoint P);
    TClipboardFormats FClipboardFormats{this};
    TLTTreeRegistration FTreeRegistration{this};
    std::unique_ptr<TLTDragManager> FDragManager;
    std::unique_ptr<TLTDragImage> FDragImage;

    // ---- painting and images ----
    void ItemErase(QPainter& Canvas, PLeanNode Node, const QRect& R, bool Selected, bool Focused,
                   const QRect& Window);
    void PaintBackgroundArea(QPainter& Canvas, const QRect& R);
    // Fills PaintInfo's state and normal image with their places from ImagesLeft on.
    void PlaceNodeImages(TLTPaintInfo& PaintInfo, int ImagesLeft);

    // ---- scrolling (treescroll.cpp; auto-scroll and panning are TLeanTreeScrolling's) ----
    bool WireScrollBars(); // makes the scroll timer and maps the bars' actions to scroll codes
    int FWheelRemainderX = 0, FWheelRemainderY = 0; // wheel deltas not yet scrolled, x 120
    bool FScrollBarShown[2] = {false, false};       // by SB_HORZ, SB_VERT
    // ---- animations (treeanimation.cpp) ----
    friend class TLTToggleAnimation;
    TLTToggleAnimation* FToggleAnimation = nullptr; // the one running, which paints the rows
    std::shared_ptr<TLTAnimationTimer> FAnimationTimer;
    TLTAnimationTimer& AnimationTimer();
    bool FScrollWired = WireScrollBars();
};

// The tree that owns Node (walks up to the hidden root). Fails for nil.
TBaseLeanTree* TreeFromNode(PLeanNode Node);

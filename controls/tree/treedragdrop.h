#pragma once
// TLeanTreeDragDrop: a tree as drag source, drop target and clipboard user: the node stream of
// the transferred nodes, cut, copy and paste, the steps of a drag over the tree with
// auto-expand and auto-scroll, and the insertion of dropped or pasted nodes (moved directly
// between trees of this process, else read from the node stream with every check).
// TBaseLeanTree derives from it (treedragdrop.cpp); the tree keeps its clipboard formats, drag
// manager and drag image, and the Qt drag events.

#include <QKeySequence>
#include <QPoint>
#include <Qt>
#include <cstdint>
#include <memory>
#include <vector>

#include "controls/tree/treeinput.h"

class QByteArray;
class QMimeData;
class QTimer;
struct TLTDragInfo;

class TLeanTreeDragDrop {
public:
    // The drop modes and drag states (treeinput.h), also as TBaseLeanTree::dmOnNode and the like.
    using TDropMode = ::TDropMode;
    using TDragState = ::TDragState;
    using enum ::TDropMode;
    using enum ::TDragState;

    // ---- settings ----
    TLTDragType DragType = dtOLE;
    TLTDragMode DragMode = dmManual;
    // The effects a drag from this tree allows; none allows copy, move and link.
    Qt::DropActions DragOperations = Qt::CopyAction | Qt::MoveAction;
    // The picture of dragged nodes: what it shows, and the area around the mouse (pixels) from
    // which the selected rows are taken.
    TLTDragImageKind DragImageKind = diComplete;
    int DragWidth = 200;
    int DragHeight = 350;
    uint32_t AutoExpandDelay = 1000; // milliseconds over a collapsed node before it opens
    TLTNodeAttachMode DefaultPasteMode = amAddChildLast;

    // ---- clipboard ----
    // Writes the node stream of the nodes being transferred (marked for cut or copy when
    // ForClipboard, else the selection); false when there is none.
    virtual bool WriteClipboardNodes(QByteArray& Data, bool ForClipboard);
    // Puts a data object of this tree on the clipboard and marks the selected nodes (sorted,
    // descendants of selected nodes and disabled nodes left out) for copy or cut.
    virtual void CopyToClipboard();
    virtual void CutToClipboard();
    // Inserts the clipboard's nodes at the focused node by DefaultPasteMode: moved directly when
    // they were cut in a live tree of this process, else read from the node stream (all or
    // nothing). False when nothing was inserted; ELeanTreeError 2007 without a clipboard.
    virtual bool PasteFromClipboard();
    // Deletes the nodes marked for a cut (after a paste elsewhere) and leaves the cut state.
    void FinishCutOrCopy();
    // A host's standard edit action on the tree: select all, copy, and unless read-only cut,
    // paste and delete (the selected nodes). False for other actions and refused ones.
    virtual bool ExecuteAction(QKeySequence::StandardKey Action);
    // Inserts DataObject's nodes at TargetNode (nil = root) by Mode. Optimized: Source (a live
    // tree of this process) moves its cut set or drag selection itself. False when the data
    // holds no tree nodes, the stream is damaged (nothing is added) or under toReadOnly.
    bool ProcessOLEData(TBaseLeanTree* Source, const QMimeData* DataObject, PLeanNode TargetNode,
                        TLTNodeAttachMode Mode, bool Optimized);

    // ---- drop target ----
    PLeanNode DropTargetNode() const { return FDropTargetNode; }
    TDropMode LastDropMode() const { return FLastDropMode; }
    // ProcessOLEData at the drop target node by the last drop mode; Optimized for a move
    // between trees of this process. Effect becomes none after a direct move.
    bool ProcessDrop(TBaseLeanTree* Source, const QMimeData* DataObject, Qt::DropAction& Effect);
    // The effect for the keys: Shift moves, Ctrl copies, Alt or Ctrl+Shift links (when allowed);
    // else a move within this tree and a copy from elsewhere.
    virtual Qt::DropAction SuggestDropEffect(TBaseLeanTree* Source, Qt::KeyboardModifiers Keys,
                                             QPoint Pt, Qt::DropActions Allowed);
    // The steps of a drag over this tree (client coordinates; NowMs for auto-scrolling).
    bool DragEnter(TBaseLeanTree* Source, const QMimeData* DataObject, TLTDragInfo& Info);
    void DragOver(TBaseLeanTree* Source, TLTDragInfo& Info, uint64_t NowMs);
    void DragLeave();
    bool DragDrop(TBaseLeanTree* Source, const QMimeData* DataObject, TLTDragInfo& Info);
    // Opens the drop target node when it is collapsed (the expand timer's expiry).
    virtual void DoDragExpand();
    bool ExpandTimerActive() const;

    // ---- drag source ----
    // Runs a drag of the selected nodes held at P (client coordinates) through QDrag, with the
    // tree's data object and drag image; OnEndDrag follows the drag, then a move deletes the
    // dragged nodes under toAutoDeleteMovedNodes. A drag of DragType dtVCL ends with
    // DragFinished.
    virtual void DoDragging(QPoint P);
    // A drag from this tree in two halves around QDrag::exec: BeginOLEDrag takes the drag
    // selection, fires OnStartDrag (when there is one) and makes the data object (the host's
    // from OnStartDrag, when it gave one); EndOLEDrag deletes the dragged nodes after a move
    // with toAutoDeleteMovedNodes (those a target moved away are not deleted again).
    std::unique_ptr<QMimeData> BeginOLEDrag();
    void EndOLEDrag(Qt::DropAction Result);
    // Prepares the drag image: the selected rows in a DragWidth x DragHeight area centred on
    // HotSpot (client coordinates), painted by PaintTree over the tree colour, which stays
    // see-through; the picture is cut to the painted part. Nothing under diNoImage or when no
    // selected row lies in the area.
    virtual void PrepareDragImage(QPoint HotSpot, const QMimeData* DataObject);
    const std::vector<PLeanNode>& DragSelection() const { return FDragSelection; }

protected:
    TLeanTreeDragDrop() = default;
    virtual ~TLeanTreeDragDrop() = default;
    TLeanTreeDragDrop(const TLeanTreeDragDrop&) = delete;
    TLeanTreeDragDrop& operator=(const TLeanTreeDragDrop&) = delete;

    // Puts the tree's data object on the clipboard and marks the sorted selection (disabled
    // nodes left out) for a cut or a copy; nothing without a selection.
    void SetCutOrCopy(bool Cut);
    // The drop mode at Pt (client coordinates) and the node there (nil: dmNowhere).
    TDropMode DropModeAt(QPoint Pt, PLeanNode& Node);
    // Reads "Lean Tree Data" into TargetNode by Mode; false for damaged data (nothing added).
    bool InsertClipboardNodes(const QByteArray& Data, PLeanNode TargetNode, TLTNodeAttachMode Mode,
                              bool FromThisTree);
    QTimer* ExpandTimer(); // made on first use, a child of the tree

    PLeanNode FDropTargetNode = nullptr;
    TDropMode FLastDropMode = dmNowhere;
    std::vector<PLeanNode> FDragSelection;
    QTimer* FExpandTimer = nullptr;
    uint64_t FDragNow = 0; // milliseconds; the time a drag step of the drag manager runs at

private:
    // The tree this belongs to (TBaseLeanTree derives from this class).
    TBaseLeanTree& DragTree();
    const TBaseLeanTree& DragTree() const;
};

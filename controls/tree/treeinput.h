#pragma once
// Types of the tree's input side: the decoded mouse message, the incremental search and drag
// settings, the drop modes, the edit link interface through which the tree drives an in-place
// editor, and the host events of editing and node streams.

#include <QPoint>
#include <QRect>
#include <functional>
#include <memory>

#include "controls/tree/treetypes.h"

class TStream;
class QEvent;

// A mouse message as the tree's handlers see it: the button that changed (or mbLeft for a
// move), the keys and buttons held, and the position in client (viewport) coordinates.
struct TLTMouseMessage {
    TMouseButton Button = mbLeft;
    TShiftState Keys; // ssShift, ssCtrl, ssAlt
    QPoint Pos;
};

enum TLTIncrementalSearch { isAll, isNone, isInitializedOnly, isVisibleOnly };
enum TLTSearchDirection { sdForward, sdBackward };
enum TLTSearchStart { ssAlwaysStartOver, ssLastHit, ssFocusedNode };
enum TLTDragType { dtOLE, dtVCL };
enum TLTDragMode { dmManual, dmAutomatic };
// What the picture of dragged nodes shows: every column, the main column only, or nothing.
enum TLTDragImageKind { diComplete, diMainColumnOnly, diNoImage };
// Where a drop lands relative to the drop target node.
enum TDropMode { dmNowhere, dmAbove, dmOnNode, dmBelow };
// The steps of a drag over a tree.
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };

// The tree holds one link while an edit runs. PrepareEdit readies the editor for a cell,
// BeginEdit shows and focuses it; EndEdit accepts (and commits) the edit, CancelEdit drops
// it: each returns false to keep the edit open. SetBounds gets the cell in client coordinates.
class ILTEditLink {
public:
    virtual ~ILTEditLink() = default;
    virtual bool BeginEdit() = 0;
    virtual bool CancelEdit() = 0;
    virtual bool EndEdit() = 0;
    virtual bool PrepareEdit(class TBaseLeanTree* Tree, PLeanNode Node, TColumnIndex Column) = 0;
    virtual QRect GetBounds() const = 0;
    virtual void ProcessMessage(QEvent* Event) = 0;
    virtual void SetBounds(QRect R) = 0;
};

using TLTCreateEditorEvent =
    std::function<void(TBaseLeanTree* Sender, PLeanNode Node, TColumnIndex Column,
                       std::shared_ptr<ILTEditLink>& EditLink)>;
using TLTSaveNodeEvent =
    std::function<void(TBaseLeanTree* Sender, PLeanNode Node, TStream& Stream)>;

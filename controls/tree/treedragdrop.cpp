// Drag source, drop target and clipboard data of the tree: the node stream of the transferred
// nodes, cut, copy and paste, the steps of a drag over the tree with auto-expand and
// auto-scroll, and the insertion of dropped or pasted nodes (moved directly between trees of
// this process, else read from the node stream with every check).
#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <cstring>

#include "controls/tree/leantree.h"
#include "controls/tree/treedrag.h"
#include "controls/tree/treeheader.h"
#include "controls/tree/treestreamformat.h"
#include "platform/classes.h"
#include "platform/gui/qtcolors.h"

using enum TLeanTreeState;
using namespace NodeStream;
using enum TLTMiscOption;
using enum TLTAutoOption;
using enum TLTPaintOption;
using enum THitPosition;
using enum TLTInternalPaintOption;

// ---- the transferred nodes ----

bool TBaseLeanTree::WriteClipboardNodes(QByteArray& Data, bool ForClipboard) {
    std::vector<PLeanNode> nodes;
    if (ForClipboard)
        nodes = GetSortedCutCopySet(true);
    else if (!FDragSelection.empty())
        nodes = FDragSelection;
    else
        nodes = GetSortedSelection(true);
    if (nodes.empty())
        return false;
    TMemoryStream stream;
    const uint32_t placeholder = 0;
    stream.Write(&placeholder, 4);
    for (PLeanNode n : nodes)
        WriteNode(stream, n);
    int64_t size = stream.Size() - 4;
    if (size <= 0 || size > int64_t(UINT32_MAX))
        return false;
    uint32_t n32 = uint32_t(size);
    std::memcpy(stream.Memory(), &n32, 4);
    Data = QByteArray(reinterpret_cast<const char*>(stream.Memory()), qsizetype(stream.Size()));
    return true;
}

bool TBaseLeanTree::InsertClipboardNodes(const QByteArray& Data, PLeanNode TargetNode,
                                         TLTNodeAttachMode Mode, bool FromThisTree) {
    const uint8_t* chunks = nullptr;
    size_t n = 0;
    uint32_t count = ClipboardNodeChunks(reinterpret_cast<const uint8_t*>(Data.constData()),
                                         size_t(Data.size()), chunks, n);
    if (count == 0)
        return false;
    TMemoryStream stream;
    WriteHeader(stream);
    stream.WriteValue<uint32_t>(count);
    stream.Write(chunks, int64_t(n));
    stream.Seek(0, TSeekOrigin::soBeginning);

    PLeanNode parent =
        (Mode == amInsertBefore || Mode == amInsertAfter) ? TargetNode->Parent : TargetNode;
    uint32_t added = 0;
    try {
        added = AddFromStream(stream, parent); // checks the whole stream first
    } catch (const ELeanTreeError&) {
        return false;
    }
    if (added == 0)
        return false;
    std::vector<PLeanNode> nodes;
    PLeanNode c = parent->LastChild;
    for (uint32_t i = 0; i < added && c; ++i, c = c->PrevSibling)
        nodes.push_back(c);
    std::reverse(nodes.begin(), nodes.end()); // in stream order
    if (Mode != amAddChildLast) {
        StopValidation();
        if (Mode == amAddChildFirst || Mode == amInsertAfter)
            std::reverse(nodes.begin(), nodes.end());
        for (PLeanNode node : nodes) {
            InternalDisconnectNode(node, true, true);
            InternalConnectNode(node, TargetNode, Mode, this);
        }
        InvalidateCache();
    }
    for (PLeanNode node : nodes) {
        if (!DoNodeCopying(node, TargetNode == FRoot ? nullptr : TargetNode)) {
            DeleteNode(node, true);
            continue;
        }
        node->States &= ~vsCutOrCopy;
        DoNodeCopied(node);
        StructureChange(node, FromThisTree ? crNodeCopied : crNodeAdded);
    }
    return true;
}

bool TBaseLeanTree::ProcessOLEData(TBaseLeanTree* Source, const QMimeData* DataObject,
                                   PLeanNode TargetNode, TLTNodeAttachMode Mode, bool Optimized) {
    if (!DataObject || !DataObject->hasFormat(MimeLeanTreeData) || HasMisc(toReadOnly))
        return false;
    if (!TargetNode)
        TargetNode = FRoot;
    if (TargetNode == FRoot) {
        if (Mode == amInsertBefore)
            Mode = amAddChildFirst;
        else if (Mode == amInsertAfter)
            Mode = amAddChildLast;
    }
    if (Mode == amNoWhere)
        return false;
    bool result = false;
    BeginUpdate();
    try {
        if (Optimized && Source) {
            std::vector<PLeanNode> nodes =
                Source->FStates.Intersects({tsOLEDragging, tsVCLDragging})
                    ? Source->FDragSelection
                    : Source->GetSortedCutCopySet(true);
            // The nodes are moved now: the source must not delete them once more when its drag
            // ends or its cut finishes.
            Source->FDragSelection.clear();
            if (Source != this)
                for (PLeanNode n : nodes)
                    n->States &= ~vsCutOrCopy;
            if (Mode == amAddChildFirst || Mode == amInsertAfter)
                std::reverse(nodes.begin(), nodes.end());
            bool sameTree = Source == this;
            for (PLeanNode n : nodes) {
                if (sameTree && (n == TargetNode || HasAsParent(TargetNode, n)))
                    continue; // not into itself
                if (TargetNode == FRoot)
                    Source->MoveTo(n, this, Mode, false);
                else
                    Source->MoveTo(n, TargetNode, Mode, false);
            }
            result = true;
        } else {
            result = InsertClipboardNodes(DataObject->data(MimeLeanTreeData), TargetNode, Mode,
                                          Source == this);
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
    return result;
}

bool TBaseLeanTree::ProcessDrop(TBaseLeanTree* Source, const QMimeData* DataObject,
                                Qt::DropAction& Effect) {
    TLTNodeAttachMode mode = amAddChildLast;
    PLeanNode target = FDropTargetNode;
    switch (FLastDropMode) {
    case dmAbove:
        mode = amInsertBefore;
        break;
    case dmBelow:
        mode = amInsertAfter;
        break;
    case dmOnNode:
        mode = amAddChildLast;
        break;
    case dmNowhere:
        target = nullptr;
        break;
    }
    bool optimized = Source && Effect == Qt::MoveAction;
    bool result = ProcessOLEData(Source, DataObject, target, mode, optimized);
    if (result && optimized)
        Effect = Qt::IgnoreAction; // moved here: nothing for the source to delete
    return result;
}

// ---- clipboard ----

void TBaseLeanTree::SetCutOrCopy(bool Cut) {
    if (FSelectionCount == 0)
        return;
    // The clipboard owns the object; replacing an older one of ours cancels its marks first.
    QApplication::clipboard()->setMimeData(new TLTDataObject(this, true));
    CancelCutOrCopy();
    StopValidation();
    for (PLeanNode n : GetSortedSelection(true))
        if (!(n->States & vsDisabled))
            n->States |= vsCutOrCopy;
    if (Cut)
        DoStateChange(tsCutPending, tsCopyPending);
    else
        DoStateChange(tsCopyPending, tsCutPending);
    InvalidateTree();
}

void TBaseLeanTree::CopyToClipboard() {
    SetCutOrCopy(false);
}

void TBaseLeanTree::CutToClipboard() {
    SetCutOrCopy(true);
}

void TBaseLeanTree::FinishCutOrCopy() {
    if (FStates.Contains(tsCutPending)) {
        BeginUpdate();
        // Descendants of marked nodes go with them.
        std::vector<PLeanNode> tops = GetSortedCutCopySet(true);
        for (auto it = tops.rbegin(); it != tops.rend(); ++it)
            DeleteNode(*it, true);
        EndUpdate();
    }
    CancelCutOrCopy();
}

bool TBaseLeanTree::ExecuteAction(QKeySequence::StandardKey Action) {
    switch (Action) {
    case QKeySequence::SelectAll:
        SelectAll(false);
        return true;
    case QKeySequence::Copy:
        CopyToClipboard();
        return true;
    case QKeySequence::Cut:
    case QKeySequence::Paste:
    case QKeySequence::Delete:
        if (HasMisc(toReadOnly))
            return false;
        if (Action == QKeySequence::Cut)
            CutToClipboard();
        else if (Action == QKeySequence::Delete)
            DeleteSelectedNodes();
        else if (QApplication::clipboard()->mimeData())
            PasteFromClipboard();
        return true;
    default:
        return false;
    }
}

bool TBaseLeanTree::PasteFromClipboard() {
    if (HasMisc(toReadOnly))
        return false;
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data)
        throw ELeanTreeError("Clipboard operation failed.", 2007);
    TBaseLeanTree* source = GetTreeFromDataObject(data);
    bool optimized = source && source->FStates.Contains(tsCutPending);
    bool result = ProcessOLEData(source, data, FFocusedNode, DefaultPasteMode, optimized);
    if (source) {
        if (source == this)
            CancelCutOrCopy();
        else
            source->FinishCutOrCopy();
    }
    return result;
}

// ---- drag source ----

std::unique_ptr<QMimeData> TBaseLeanTree::BeginOLEDrag() {
    CancelEditNode();
    if (FCurrentHotNode) {
        InvalidateNode(FCurrentHotNode);
        FCurrentHotNode = nullptr;
    }
    if (FFocusedNode && !(FFocusedNode->States & vsSelected)) {
        std::vector<PLeanNode> one{FFocusedNode};
        InternalAddToSelection(one, false);
        InvalidateNode(FFocusedNode);
    }
    FDragSelection = GetSortedSelection(true);
    // A VCL drag runs the same way but keeps tsVCLDragging.
    if (FStates.Contains(tsVCLDragging))
        DoStateChange({}, {tsOLEDragPending, tsClearPending});
    else
        DoStateChange(tsOLEDragging, {tsOLEDragPending, tsClearPending});
    FLastDropMode = dmOnNode;
    return DragManager().CreateDataObject();
}

void TBaseLeanTree::EndOLEDrag(Qt::DropAction Result) {
    if (Result == Qt::MoveAction && HasAuto(toAutoDeleteMovedNodes) && !FDragSelection.empty()) {
        std::vector<PLeanNode> nodes = std::move(FDragSelection);
        FDragSelection.clear();
        BeginUpdate();
        for (auto it = nodes.rbegin(); it != nodes.rend(); ++it)
            DeleteNode(*it, true);
        EndUpdate();
    }
    DoStateChange({}, tsOLEDragging);
    FDragSelection.clear();
}

void TBaseLeanTree::PrepareDragImage(QPoint HotSpot, const QMimeData*) {
    TLTDragImage& image = DragImage();
    image.EndDrag();
    if (DragImageKind == diNoImage || DragWidth <= 0 || DragHeight <= 0)
        return;
    QPoint hot = HotSpot - QPoint(FOffsetX, FOffsetY); // tree coordinates
    QRect area(hot.x() - DragWidth / 2, hot.y() - DragHeight / 2, DragWidth, DragHeight);
    area &= QRect(0, 0, std::max(FRangeX, ClientWidth()), std::max(RangeY(), ClientHeight()));
    if (area.isEmpty())
        return;
    QImage picture(area.size(), QImage::Format_ARGB32_Premultiplied);
    const QRgb background = ColorToQColor(FColor).rgba();
    picture.fill(background);
    {
        QPainter p(&picture);
        TLTInternalPaintOptions options{poDrawSelection, poSelectedOnly};
        if (DragImageKind == diMainColumnOnly)
            options |= poMainOnly;
        PaintTree(p, area, QPoint(0, 0), options);
    }
    // Cut to what the rows painted, so that the picture's fade centres on them.
    int top = picture.height(), bottom = -1, left = picture.width(), right = -1;
    for (int y = 0; y < picture.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            if (line[x] != background) {
                top = std::min(top, y);
                bottom = y;
                left = std::min(left, x);
                right = std::max(right, x);
            }
    }
    if (bottom < 0)
        return;
    QRect used(QPoint(left, top), QPoint(right, bottom));
    // The tree colour around and between the rows is see-through.
    image.ColorKey = FColor;
    image.PrepareDrag(picture.copy(used),
                      area.topLeft() + used.topLeft() + QPoint(FOffsetX, FOffsetY), HotSpot);
}

void TBaseLeanTree::DoDragging(QPoint P) {
    bool vcl = FStates.Contains(tsVCLDragging);
    DoStateChange({}, {tsOLEDragPending, tsClearPending, tsEditPending});
    std::unique_ptr<QMimeData> data = BeginOLEDrag();
    if (FDragSelection.empty()) {
        EndOLEDrag(Qt::IgnoreAction);
        DoStateChange({}, {tsUserDragObject, tsVCLDragging});
        return;
    }
    PrepareDragImage(P, data.get());
    Qt::DropActions allowed = DragOperations;
    if (!allowed)
        allowed = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDrag* drag = DragManager().PrepareDrag(std::move(data), &DragImage());
    Qt::DropAction result = drag->exec(allowed, Qt::CopyAction);
    delete drag;
    DragImage().EndDrag();
    EndOLEDrag(result);
    if (vcl) {
        DragFinished();
    } else {
        // The release that ended the drag went to the drag loop.
        Qt::MouseButtons down = QGuiApplication::mouseButtons();
        TLeanTreeStates up;
        if (!(down & Qt::LeftButton))
            up |= tsLeftButtonDown;
        if (!(down & Qt::RightButton))
            up |= tsRightButtonDown;
        if (!(down & Qt::MiddleButton))
            up |= tsMiddleButtonDown;
        DoStateChange({}, up);
    }
}

// ---- drop target ----

Qt::DropAction TBaseLeanTree::SuggestDropEffect(TBaseLeanTree* Source, Qt::KeyboardModifiers Keys,
                                                QPoint, Qt::DropActions Allowed) {
    Qt::DropAction result = Qt::IgnoreAction;
    if (Source != this && (Allowed & Qt::CopyAction))
        result = Qt::CopyAction;
    else if (Source == this && (Allowed & Qt::MoveAction))
        result = Qt::MoveAction;
    else if (Allowed & Qt::MoveAction)
        result = Qt::MoveAction;
    else if (Allowed & Qt::CopyAction)
        result = Qt::CopyAction;
    else if (Allowed & Qt::LinkAction)
        result = Qt::LinkAction;
    bool shift = Keys & Qt::ShiftModifier, ctrl = Keys & Qt::ControlModifier,
         alt = Keys & Qt::AltModifier;
    Qt::DropAction wish = Qt::IgnoreAction;
    if (alt || (ctrl && shift))
        wish = Qt::LinkAction;
    else if (shift)
        wish = Qt::MoveAction;
    else if (ctrl)
        wish = Qt::CopyAction;
    if (wish != Qt::IgnoreAction && (Allowed & wish))
        result = wish;
    return result;
}

TBaseLeanTree::TDropMode TBaseLeanTree::DropModeAt(QPoint Pt, PLeanNode& Node) {
    THitInfo hit = GetHitTestInfoAt(Pt.x(), Pt.y(), true);
    Node = hit.HitNode;
    // Beside a short label counts as beside it, not on it.
    bool onLabel = hit.HitPositions.Intersects({hiOnItemLabel, hiOnNormalIcon, hiOnStateIcon}) &&
                   !hit.HitPositions.Intersects({hiOnItemLeft, hiOnItemRight});
    // In a report only the main column's label or images take a drop.
    if (Node && HasMisc(toReportMode) &&
        (!onLabel || (FHeader->UseColumns() && hit.HitColumn != FHeader->MainColumn())))
        Node = nullptr;
    if (!Node)
        return dmNowhere;
    if (onLabel || !HasPaint(toShowDropmark))
        return dmOnNode;
    int top = 0;
    GetNodeAt(Pt.x(), Pt.y(), true, top);
    return Pt.y() - top < int(Node->NodeHeight) / 2 ? dmAbove : dmBelow;
}

bool TBaseLeanTree::DragEnter(TBaseLeanTree* Source, const QMimeData*, TLTDragInfo& Info) {
    FDirectionsSince = 0;
    Info.Effect = SuggestDropEffect(Source, Info.Keys, Info.Pt, Info.Allowed);
    if (!DoDragOver(Source, Info.Keys, dsDragEnter, Info.Pt, FLastDropMode, Info.Effect)) {
        Info.Effect = Qt::IgnoreAction;
        return false;
    }
    PLeanNode node = nullptr;
    FLastDropMode = DropModeAt(Info.Pt, node);
    FDropTargetNode = node;
    if (node) {
        InvalidateNode(node);
        if (HasAuto(toAutoDropExpand) && (node->States & vsHasChildren) &&
            !(node->States & vsExpanded))
            ExpandTimer()->start(int(AutoExpandDelay));
    }
    return true;
}

QTimer* TBaseLeanTree::ExpandTimer() {
    if (!FExpandTimer) {
        FExpandTimer = new QTimer(this);
        FExpandTimer->setSingleShot(true);
        connect(FExpandTimer, &QTimer::timeout, this, [this] { DoDragExpand(); });
    }
    return FExpandTimer;
}

bool TBaseLeanTree::ExpandTimerActive() const {
    return FExpandTimer && FExpandTimer->isActive();
}

void TBaseLeanTree::DoDragExpand() {
    if (FDropTargetNode && !(FDropTargetNode->States & vsExpanded) &&
        (FDropTargetNode->States & vsHasChildren))
        ToggleNode(FDropTargetNode);
}

void TBaseLeanTree::DragOver(TBaseLeanTree* Source, TLTDragInfo& Info, uint64_t NowMs) {
    DoAutoScroll(Info.Pt.x(), Info.Pt.y(), NowMs);
    PLeanNode node = nullptr;
    TDropMode mode = DropModeAt(Info.Pt, node);
    if (node != FDropTargetNode) {
        if (FExpandTimer)
            FExpandTimer->stop();
        if (FFocusedColumn == NoColumn && FHeader->UseColumns())
            FFocusedColumn = FHeader->MainColumn();
        if (FDropTargetNode)
            InvalidateNode(FDropTargetNode);
        FDropTargetNode = node;
        if (node) {
            InvalidateNode(node);
            if (HasAuto(toAutoDropExpand) && (node->States & vsHasChildren) &&
                !(node->States & vsExpanded))
                ExpandTimer()->start(int(AutoExpandDelay));
        }
    } else if (mode != FLastDropMode && node) {
        InvalidateNode(node);
    }
    FLastDropMode = mode;
    Info.Effect = SuggestDropEffect(Source, Info.Keys, Info.Pt, Info.Allowed);
    if (!DoDragOver(Source, Info.Keys, dsDragMove, Info.Pt, FLastDropMode, Info.Effect))
        Info.Effect = Qt::IgnoreAction;
}

void TBaseLeanTree::DragLeave() {
    if (FExpandTimer)
        FExpandTimer->stop();
    if (FDropTargetNode)
        InvalidateNode(FDropTargetNode);
    FDropTargetNode = nullptr;
    FScrollDirections = 0;
    FScrollTimer->stop();
    DoStateChange({}, {tsScrollPending, tsScrolling});
    Qt::DropAction none = Qt::IgnoreAction;
    DoDragOver(nullptr, {}, dsDragLeave, QPoint(0, 0), FLastDropMode, none);
}

bool TBaseLeanTree::DragDrop(TBaseLeanTree* Source, const QMimeData* DataObject,
                             TLTDragInfo& Info) {
    if (FExpandTimer)
        FExpandTimer->stop();
    FScrollDirections = 0;
    FScrollTimer->stop();
    DoStateChange({}, {tsScrollPending, tsScrolling});
    bool result = false;
    if (Info.Effect != Qt::IgnoreAction) {
        DoDragDrop(Source, DataObject, Info.Keys, Info.Pt, Info.Effect, FLastDropMode);
        result = true;
    }
    if (FDropTargetNode)
        InvalidateNode(FDropTargetNode);
    FDropTargetNode = nullptr;
    return result;
}

// ---- Qt drag events: through the drag manager to the steps above ----

namespace {

uint64_t DragClockMs() {
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return uint64_t(clock.elapsed()) + 1;
}

TLTDragInfo InfoOf(const QDropEvent* e) {
    TLTDragInfo info;
    info.Keys = e->modifiers();
    info.Buttons = e->buttons();
    info.Pt = e->position().toPoint();
    info.Allowed = e->possibleActions();
    return info;
}

} // namespace

void TBaseLeanTree::dragEnterEvent(QDragEnterEvent* e) {
    TLTDragInfo info = InfoOf(e);
    if (DragManager().DragEnter(e->mimeData(), info) && info.Effect != Qt::IgnoreAction) {
        e->setDropAction(info.Effect);
        e->accept();
    } else {
        e->ignore();
    }
}

void TBaseLeanTree::dragMoveEvent(QDragMoveEvent* e) {
    TLTDragInfo info = InfoOf(e);
    FDragNow = DragClockMs();
    DragManager().DragOver(info);
    if (info.Effect != Qt::IgnoreAction) {
        e->setDropAction(info.Effect);
        e->accept();
    } else {
        e->ignore();
    }
}

void TBaseLeanTree::dragLeaveEvent(QDragLeaveEvent*) {
    DragManager().DragLeave();
}

void TBaseLeanTree::dropEvent(QDropEvent* e) {
    TLTDragInfo info = InfoOf(e);
    info.Effect = e->dropAction();
    if (DragManager().Drop(e->mimeData(), info)) {
        e->setDropAction(info.Effect);
        e->accept();
    } else {
        e->ignore();
    }
}

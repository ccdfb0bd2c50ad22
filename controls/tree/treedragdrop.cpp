// Drag source, drop target and clipboard data of the tree: the node stream of the transferred
// nodes, cut, copy and paste, the steps of a drag over the tree with auto-expand and
// auto-scroll, and the insertion of dropped or pasted nodes (moved directly between trees of
// this process, else read from the node stream with every check); then the tree's Qt drag
// events, which go through its drag manager.
#include "controls/tree/treedragdrop.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDrag>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <cstring>

#include "controls/tree/leantree.h"
#include "controls/tree/treeclipboard.h"
#include "controls/tree/treedrag.h"
#include "controls/tree/treeheader.h"
#include "controls/tree/treehelpers.h"
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

TBaseLeanTree& TLeanTreeDragDrop::DragTree() {
    return static_cast<TBaseLeanTree&>(*this);
}

const TBaseLeanTree& TLeanTreeDragDrop::DragTree() const {
    return static_cast<const TBaseLeanTree&>(*this);
}

// ---- the transferred nodes ----

bool TLeanTreeDragDrop::WriteClipboardNodes(QByteArray& Data, bool ForClipboard) {
    auto& tree = DragTree();
    std::vector<PLeanNode> nodes;
    if (ForClipboard)
        nodes = tree.GetSortedCutCopySet(true);
    else if (!FDragSelection.empty())
        nodes = FDragSelection;
    else
        nodes = tree.GetSortedSelection(true);
    if (nodes.empty())
        return false;
    TMemoryStream stream;
    const uint32_t placeholder = 0;
    stream.Write(&placeholder, 4);
    for (PLeanNode n : nodes)
        tree.WriteNode(stream, n);
    int64_t size = stream.Size() - 4;
    if (size <= 0 || size > int64_t(UINT32_MAX))
        return false;
    uint32_t n32 = uint32_t(size);
    std::memcpy(stream.Memory(), &n32, 4);
    Data = QByteArray(reinterpret_cast<const char*>(stream.Memory()), qsizetype(stream.Size()));
    return true;
}

bool TLeanTreeDragDrop::InsertClipboardNodes(const QByteArray& Data, PLeanNode TargetNode,
                                             TLTNodeAttachMode Mode, bool FromThisTree) {
    auto& tree = DragTree();
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
        added = tree.AddFromStream(stream, parent); // checks the whole stream first
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
        tree.StopValidation();
        if (Mode == amAddChildFirst || Mode == amInsertAfter)
            std::reverse(nodes.begin(), nodes.end());
        for (PLeanNode node : nodes) {
            tree.InternalDisconnectNode(node, true, true);
            tree.InternalConnectNode(node, TargetNode, Mode, &tree);
        }
        tree.InvalidateCache();
    }
    for (PLeanNode node : nodes) {
        if (!tree.DoNodeCopying(node, TargetNode == tree.FRoot ? nullptr : TargetNode)) {
            tree.DeleteNode(node, true);
            continue;
        }
        node->States &= ~vsCutOrCopy;
        tree.DoNodeCopied(node);
        tree.StructureChange(node, FromThisTree ? crNodeCopied : crNodeAdded);
    }
    return true;
}

bool TLeanTreeDragDrop::ProcessOLEData(TBaseLeanTree* Source, const QMimeData* DataObject,
                                       PLeanNode TargetNode, TLTNodeAttachMode Mode,
                                       bool Optimized) {
    auto& tree = DragTree();
    if (!DataObject || !DataObject->hasFormat(MimeLeanTreeData) || tree.HasMisc(toReadOnly))
        return false;
    if (!TargetNode)
        TargetNode = tree.FRoot;
    if (TargetNode == tree.FRoot) {
        if (Mode == amInsertBefore)
            Mode = amAddChildFirst;
        else if (Mode == amInsertAfter)
            Mode = amAddChildLast;
    }
    if (Mode == amNoWhere)
        return false;
    bool result = false;
    tree.BeginUpdate();
    try {
        if (Optimized && Source) {
            std::vector<PLeanNode> nodes =
                Source->FStates.Intersects({tsOLEDragging, tsVCLDragging})
                    ? Source->FDragSelection
                    : Source->GetSortedCutCopySet(true);
            // The nodes are moved now: the source must not delete them once more when its drag
            // ends or its cut finishes.
            Source->FDragSelection.clear();
            if (Source != &tree)
                for (PLeanNode n : nodes)
                    n->States &= ~vsCutOrCopy;
            if (Mode == amAddChildFirst || Mode == amInsertAfter)
                std::reverse(nodes.begin(), nodes.end());
            bool sameTree = Source == &tree;
            for (PLeanNode n : nodes) {
                if (sameTree && (n == TargetNode || tree.HasAsParent(TargetNode, n)))
                    continue; // not into itself
                if (TargetNode == tree.FRoot)
                    Source->MoveTo(n, &tree, Mode, false);
                else
                    Source->MoveTo(n, TargetNode, Mode, false);
            }
            result = true;
        } else {
            result = InsertClipboardNodes(DataObject->data(MimeLeanTreeData), TargetNode, Mode,
                                          Source == &tree);
        }
    } catch (...) {
        tree.EndUpdate();
        throw;
    }
    tree.EndUpdate();
    return result;
}

bool TLeanTreeDragDrop::ProcessDrop(TBaseLeanTree* Source, const QMimeData* DataObject,
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

void TLeanTreeDragDrop::SetCutOrCopy(bool Cut) {
    auto& tree = DragTree();
    if (tree.FSelectionCount == 0)
        return;
    // The clipboard owns the object; replacing an older one of ours cancels its marks first.
    QApplication::clipboard()->setMimeData(new TLTDataObject(&tree, true));
    tree.CancelCutOrCopy();
    tree.StopValidation();
    for (PLeanNode n : tree.GetSortedSelection(true))
        if (!(n->States & vsDisabled))
            n->States |= vsCutOrCopy;
    if (Cut)
        tree.DoStateChange(tsCutPending, tsCopyPending);
    else
        tree.DoStateChange(tsCopyPending, tsCutPending);
    tree.InvalidateTree();
}

void TLeanTreeDragDrop::CopyToClipboard() {
    SetCutOrCopy(false);
}

void TLeanTreeDragDrop::CutToClipboard() {
    SetCutOrCopy(true);
}

void TLeanTreeDragDrop::FinishCutOrCopy() {
    auto& tree = DragTree();
    if (tree.FStates.Contains(tsCutPending)) {
        tree.BeginUpdate();
        // Descendants of marked nodes go with them.
        std::vector<PLeanNode> tops = tree.GetSortedCutCopySet(true);
        for (auto it = tops.rbegin(); it != tops.rend(); ++it)
            tree.DeleteNode(*it, true);
        tree.EndUpdate();
    }
    tree.CancelCutOrCopy();
}

bool TLeanTreeDragDrop::ExecuteAction(QKeySequence::StandardKey Action) {
    auto& tree = DragTree();
    switch (Action) {
    case QKeySequence::SelectAll:
        tree.SelectAll(false);
        return true;
    case QKeySequence::Copy:
        CopyToClipboard();
        return true;
    case QKeySequence::Cut:
    case QKeySequence::Paste:
    case QKeySequence::Delete:
        if (tree.HasMisc(toReadOnly))
            return false;
        if (Action == QKeySequence::Cut)
            CutToClipboard();
        else if (Action == QKeySequence::Delete)
            tree.DeleteSelectedNodes();
        else if (QApplication::clipboard()->mimeData())
            PasteFromClipboard();
        return true;
    default:
        return false;
    }
}

bool TLeanTreeDragDrop::PasteFromClipboard() {
    auto& tree = DragTree();
    if (tree.HasMisc(toReadOnly))
        return false;
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data)
        throw ELeanTreeError("Clipboard operation failed.", 2007);
    TBaseLeanTree* source = GetTreeFromDataObject(data);
    bool optimized = source && source->FStates.Contains(tsCutPending);
    bool result = ProcessOLEData(source, data, tree.FFocusedNode, DefaultPasteMode, optimized);
    if (source) {
        if (source == &tree)
            tree.CancelCutOrCopy();
        else
            source->FinishCutOrCopy();
    }
    return result;
}

// ---- drag source ----

namespace {

// Applies the drag manager's rule on going on with a drag to the buttons of a running QDrag:
// the left and right buttons down together cancel it (Escape the drag loop cancels itself).
// Installed on the application from within the drag loop, after the loop's own filter, so
// that it sees a press first: the loop swallows a second button.
class TDragContinueFilter : public QObject {
public:
    // Installs the filter once the drag loop that follows runs.
    TDragContinueFilter() {
        QTimer::singleShot(0, this, [this] { qApp->installEventFilter(this); });
    }
    ~TDragContinueFilter() override {
        if (qApp)
            qApp->removeEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != QEvent::MouseButtonPress && e->type() != QEvent::MouseButtonDblClick)
            return false;
        const Qt::MouseButtons buttons = static_cast<QMouseEvent*>(e)->buttons();
        if (TLTDragManager::QueryContinueDrag(false, buttons) != dqCancel)
            return false;
        QDrag::cancel();
        return true;
    }
};

// The widget a drop went to; a scroll area (a tree) rather than its viewport.
QObject* DropTargetOf(QObject* Target) {
    if (auto* area = Target ? qobject_cast<QAbstractScrollArea*>(Target->parent()) : nullptr)
        if (area->viewport() == Target)
            return area;
    return Target;
}

} // namespace

std::unique_ptr<QMimeData> TLeanTreeDragDrop::BeginOLEDrag() {
    auto& tree = DragTree();
    tree.CancelEditNode();
    if (tree.FCurrentHotNode) {
        tree.InvalidateNode(tree.FCurrentHotNode);
        tree.FCurrentHotNode = nullptr;
    }
    if (tree.FFocusedNode && !(tree.FFocusedNode->States & vsSelected)) {
        std::vector<PLeanNode> one{tree.FFocusedNode};
        tree.InternalAddToSelection(one, false);
        tree.InvalidateNode(tree.FFocusedNode);
    }
    FDragSelection = tree.GetSortedSelection(true);
    // A VCL drag runs the same way but keeps tsVCLDragging.
    if (tree.FStates.Contains(tsVCLDragging))
        tree.DoStateChange({}, {tsOLEDragPending, tsClearPending});
    else
        tree.DoStateChange(tsOLEDragging, {tsOLEDragPending, tsClearPending});
    FLastDropMode = dmOnNode;
    // The host may hand data of its own to drag (a user drag object).
    if (!FDragSelection.empty())
        if (std::unique_ptr<QMimeData> own = tree.DoStartDrag()) {
            tree.DoStateChange(tsUserDragObject);
            return own;
        }
    return tree.DragManager().CreateDataObject();
}

void TLeanTreeDragDrop::EndOLEDrag(Qt::DropAction Result) {
    auto& tree = DragTree();
    if (Result == Qt::MoveAction && tree.HasAuto(toAutoDeleteMovedNodes) &&
        !FDragSelection.empty()) {
        std::vector<PLeanNode> nodes = std::move(FDragSelection);
        FDragSelection.clear();
        tree.BeginUpdate();
        for (auto it = nodes.rbegin(); it != nodes.rend(); ++it)
            tree.DeleteNode(*it, true);
        tree.EndUpdate();
    }
    tree.DoStateChange({}, tsOLEDragging);
    FDragSelection.clear();
}

void TLeanTreeDragDrop::PrepareDragImage(QPoint HotSpot, const QMimeData*) {
    auto& tree = DragTree();
    TLTDragImage& image = tree.DragImage();
    image.EndDrag();
    if (DragImageKind == diNoImage || DragWidth <= 0 || DragHeight <= 0)
        return;
    QPoint hot = HotSpot - QPoint(tree.FOffsetX, tree.FOffsetY); // tree coordinates
    QRect area(hot.x() - DragWidth / 2, hot.y() - DragHeight / 2, DragWidth, DragHeight);
    area &= QRect(0, 0, std::max(tree.FRangeX, tree.ClientWidth()),
                  std::max(tree.RangeY(), tree.ClientHeight()));
    if (area.isEmpty())
        return;
    QImage picture(area.size(), QImage::Format_ARGB32_Premultiplied);
    const QRgb background = ColorToQColor(tree.FColor).rgba();
    picture.fill(background);
    {
        QPainter p(&picture);
        TLTInternalPaintOptions options{poDrawSelection, poSelectedOnly};
        if (DragImageKind == diMainColumnOnly)
            options |= poMainOnly;
        tree.PaintTree(p, area, QPoint(0, 0), options);
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
    image.ColorKey = tree.FColor;
    image.PrepareDrag(picture.copy(used),
                      area.topLeft() + used.topLeft() + QPoint(tree.FOffsetX, tree.FOffsetY),
                      HotSpot);
}

void TLeanTreeDragDrop::DoDragging(QPoint P) {
    auto& tree = DragTree();
    bool vcl = tree.FStates.Contains(tsVCLDragging);
    tree.DoStateChange({}, {tsOLEDragPending, tsClearPending, tsEditPending});
    std::unique_ptr<QMimeData> data = BeginOLEDrag();
    if (FDragSelection.empty()) {
        EndOLEDrag(Qt::IgnoreAction);
        tree.DoStateChange({}, {tsUserDragObject, tsVCLDragging});
        return;
    }
    PrepareDragImage(P, data.get());
    Qt::DropActions allowed = DragOperations;
    if (!allowed)
        allowed = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDrag* drag = tree.DragManager().PrepareDrag(std::move(data), &tree.DragImage());
    // The target is followed while the drag runs: one deleted before the drag returns (by its
    // drop handler, say) is none.
    QPointer<QObject> dropTarget;
    QObject::connect(drag, &QDrag::targetChanged, drag,
                     [&dropTarget](QObject* target) { dropTarget = target; });
    Qt::DropAction result;
    {
        TDragContinueFilter rule;
        result = drag->exec(allowed, Qt::CopyAction);
    }
    QObject* target = DropTargetOf(dropTarget.data());
    delete drag;
    tree.DoEndDrag(target, tree.viewport()->mapFromGlobal(QCursor::pos()));
    tree.DragImage().EndDrag();
    EndOLEDrag(result);
    if (vcl) {
        tree.DragFinished();
    } else {
        // The release that ended the drag went to the drag loop.
        Qt::MouseButtons down = QGuiApplication::mouseButtons();
        TLeanTreeStates up{tsUserDragObject};
        if (!(down & Qt::LeftButton))
            up |= tsLeftButtonDown;
        if (!(down & Qt::RightButton))
            up |= tsRightButtonDown;
        if (!(down & Qt::MiddleButton))
            up |= tsMiddleButtonDown;
        tree.DoStateChange({}, up);
    }
}

// ---- drop target ----

Qt::DropAction TLeanTreeDragDrop::SuggestDropEffect(TBaseLeanTree* Source,
                                                    Qt::KeyboardModifiers Keys, QPoint,
                                                    Qt::DropActions Allowed) {
    const TBaseLeanTree* tree = &DragTree();
    Qt::DropAction result = Qt::IgnoreAction;
    if (Source != tree && (Allowed & Qt::CopyAction))
        result = Qt::CopyAction;
    else if (Source == tree && (Allowed & Qt::MoveAction))
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

TLeanTreeDragDrop::TDropMode TLeanTreeDragDrop::DropModeAt(QPoint Pt, PLeanNode& Node) {
    auto& tree = DragTree();
    THitInfo hit = tree.GetHitTestInfoAt(Pt.x(), Pt.y(), true);
    Node = hit.HitNode;
    // The label's whole room (beside a short text too) and the images take a drop onto the
    // node; the indentation, margin and check box drop above or below it.
    bool onLabel = hit.HitPositions.Intersects({hiOnItemLabel, hiOnNormalIcon, hiOnStateIcon});
    // In a report only the main column's label or images take a drop.
    if (Node && tree.HasMisc(toReportMode) &&
        (!onLabel || (tree.FHeader->UseColumns() && hit.HitColumn != tree.FHeader->MainColumn())))
        Node = nullptr;
    if (!Node)
        return dmNowhere;
    if (onLabel || !tree.HasPaint(toShowDropmark))
        return dmOnNode;
    int top = 0;
    tree.GetNodeAt(Pt.x(), Pt.y(), true, top);
    return Pt.y() - top < int(Node->NodeHeight) / 2 ? dmAbove : dmBelow;
}

bool TLeanTreeDragDrop::DragEnter(TBaseLeanTree* Source, const QMimeData*, TLTDragInfo& Info) {
    auto& tree = DragTree();
    tree.FDirectionsSince = 0;
    Info.Effect = SuggestDropEffect(Source, Info.Keys, Info.Pt, Info.Allowed);
    if (!tree.DoDragOver(Source, Info.Keys, dsDragEnter, Info.Pt, FLastDropMode, Info.Effect)) {
        Info.Effect = Qt::IgnoreAction;
        return false;
    }
    PLeanNode node = nullptr;
    FLastDropMode = DropModeAt(Info.Pt, node);
    FDropTargetNode = node;
    if (node) {
        tree.InvalidateNode(node);
        if (tree.HasAuto(toAutoDropExpand) && (node->States & vsHasChildren) &&
            !(node->States & vsExpanded))
            ExpandTimer()->start(int(AutoExpandDelay));
    }
    return true;
}

QTimer* TLeanTreeDragDrop::ExpandTimer() {
    return SingleShotTimer(FExpandTimer, &DragTree(), [this] { DoDragExpand(); });
}

bool TLeanTreeDragDrop::ExpandTimerActive() const {
    return FExpandTimer && FExpandTimer->isActive();
}

void TLeanTreeDragDrop::DoDragExpand() {
    auto& tree = DragTree();
    if (FDropTargetNode && !(FDropTargetNode->States & vsExpanded) &&
        (FDropTargetNode->States & vsHasChildren))
        tree.ToggleNode(FDropTargetNode);
}

void TLeanTreeDragDrop::DragOver(TBaseLeanTree* Source, TLTDragInfo& Info, uint64_t NowMs) {
    auto& tree = DragTree();
    tree.DoAutoScroll(Info.Pt.x(), Info.Pt.y(), NowMs);
    PLeanNode node = nullptr;
    TDropMode mode = DropModeAt(Info.Pt, node);
    if (node != FDropTargetNode) {
        if (FExpandTimer)
            FExpandTimer->stop();
        if (tree.FFocusedColumn == NoColumn && tree.FHeader->UseColumns())
            tree.FFocusedColumn = tree.FHeader->MainColumn();
        if (FDropTargetNode)
            tree.InvalidateNode(FDropTargetNode);
        FDropTargetNode = node;
        if (node) {
            tree.InvalidateNode(node);
            if (tree.HasAuto(toAutoDropExpand) && (node->States & vsHasChildren) &&
                !(node->States & vsExpanded))
                ExpandTimer()->start(int(AutoExpandDelay));
        }
    } else if (mode != FLastDropMode && node) {
        tree.InvalidateNode(node);
    }
    FLastDropMode = mode;
    Info.Effect = SuggestDropEffect(Source, Info.Keys, Info.Pt, Info.Allowed);
    if (!tree.DoDragOver(Source, Info.Keys, dsDragMove, Info.Pt, FLastDropMode, Info.Effect))
        Info.Effect = Qt::IgnoreAction;
}

void TLeanTreeDragDrop::DragLeave() {
    auto& tree = DragTree();
    if (FExpandTimer)
        FExpandTimer->stop();
    if (FDropTargetNode)
        tree.InvalidateNode(FDropTargetNode);
    FDropTargetNode = nullptr;
    tree.FScrollDirections = 0;
    tree.FScrollTimer->stop();
    tree.DoStateChange({}, {tsScrollPending, tsScrolling});
    Qt::DropAction none = Qt::IgnoreAction;
    tree.DoDragOver(nullptr, {}, dsDragLeave, QPoint(0, 0), FLastDropMode, none);
}

bool TLeanTreeDragDrop::DragDrop(TBaseLeanTree* Source, const QMimeData* DataObject,
                                 TLTDragInfo& Info) {
    auto& tree = DragTree();
    if (FExpandTimer)
        FExpandTimer->stop();
    tree.FScrollDirections = 0;
    tree.FScrollTimer->stop();
    tree.DoStateChange({}, {tsScrollPending, tsScrolling});
    bool result = false;
    if (Info.Effect != Qt::IgnoreAction) {
        tree.DoDragDrop(Source, DataObject, DataObjectFormats(DataObject), Info.Keys, Info.Pt,
                        Info.Effect, FLastDropMode);
        result = true;
    }
    if (FDropTargetNode)
        tree.InvalidateNode(FDropTargetNode);
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

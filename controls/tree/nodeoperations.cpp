// Node operations: update brackets, initialisation on first use, deletion, linking and
// unlinking, expanding and collapsing.
#include <QApplication>
#include <QClipboard>

#include "controls/tree/leantree.h"
#include "controls/tree/nodepool.h"
#include "controls/tree/treeaccessible.h"
#include "controls/tree/treeanimation.h"
#include "controls/tree/treeheader.h"

using enum TLeanTreeState;
using enum TLTMiscOption;
using enum TLTAutoOption;
using enum TLTSelectionOption;
using enum TLeanNodeInitState;

void TBaseLeanTree::BeginUpdate() {
    if (FDestroying)
        return;
    if (FUpdateCount == 0) {
        DoUpdating(usBegin);
        setUpdatesEnabled(false);
    } else {
        DoUpdating(usUpdate);
    }
    ++FUpdateCount;
    DoStateChange(tsUpdating);
}

void TBaseLeanTree::EndUpdate() {
    if (FUpdateCount > 0)
        --FUpdateCount;
    if (FDestroying)
        return;
    if (FUpdateCount == 0 && FStates.Contains(tsUpdating)) {
        if (FStates.Contains(tsUpdateHiddenChildrenNeeded)) {
            DetermineHiddenChildrenFlagAllNodes();
            DoStateChange({}, tsUpdateHiddenChildrenNeeded);
        }
        DoStateChange({}, tsUpdating);
        // Painting comes back before the host's events, so that one that raises leaves it on.
        setUpdatesEnabled(true);
        PackSelection();
        ValidateCache();
        UpdateScrollBars(true);
        InvalidateTree();
        if (FStates.Contains(tsStructureChangePending))
            DoStructureChange(FLastStructureChangeNode, FLastStructureChangeReason);
        if (FStates.Contains(tsChangePending))
            DoChange(FLastChangedNode);
        if (HasAuto(toAutoSort)) {
            SortTree(FHeader->SortColumn(), FHeader->SortDirection(), true);
            UpdateScrollBars(true); // nodes initialised for the sort may have changed heights
        }
    }
    DoUpdating(FUpdateCount == 0 ? usEnd : usUpdate);
}

void TBaseLeanTree::InitNode(PLeanNode Node) {
    StopValidation();
    Node->States |= vsInitialized;
    TLeanNodeInitStates init;
    DoInitNode(Node->Parent == FRoot ? nullptr : Node->Parent, Node, init);
    if (init.Contains(ivsDisabled))
        Node->States |= vsDisabled;
    if (init.Contains(ivsHasChildren))
        Node->States |= vsHasChildren;
    if (init.Contains(ivsMultiline))
        Node->States |= vsMultiline;
    if (init.Contains(ivsSelected) && !(Node->States & vsSelected)) {
        std::vector<PLeanNode> one{Node};
        InternalAddToSelection(one, false);
    }
    if (bool(Node->States & vsExpanded) != init.Contains(ivsExpanded)) {
        if (init.Contains(ivsExpanded))
            ToggleNode(Node);
        else if (Node->States & vsHasChildren)
            InitChildren(Node);
    }
}

void TBaseLeanTree::InitChildren(PLeanNode Node) {
    if (!Node || Node == FRoot || !(Node->States & vsHasChildren))
        return;
    uint32_t count = Node->ChildCount;
    DoInitChildren(Node, count);
    if (count == 0) {
        DeleteChildren(Node, false);
        StopValidation();
        Node->States &= ~vsHasChildren;
    } else {
        SetChildCount(Node, count);
    }
}

void TBaseLeanTree::ReinitNode(PLeanNode Node, bool Recursive) {
    if (Node && Node != FRoot) {
        StopValidation();
        Node->States &= ReinitStatesMask;
        InitNode(Node);
    }
    if (Recursive)
        ReinitChildren(Node, true);
}

void TBaseLeanTree::ReinitChildren(PLeanNode Node, bool Recursive) {
    if (!Node)
        Node = FRoot;
    InitChildren(Node);
    for (PLeanNode c = Node->FirstChild; c;) {
        PLeanNode next = c->NextSibling;
        ReinitNode(c, Recursive);
        c = next;
    }
}

void TBaseLeanTree::ResetNode(PLeanNode Node) {
    if (!Node || Node == FRoot) {
        Clear();
        return;
    }
    CancelEditNode();
    DoResetNode(Node);
    DeleteChildren(Node, false);
    StopValidation();
    Node->States &= ResetStatesMask; // childless now, so collapsing changes no total
    InvalidateNode(Node);
}

void TBaseLeanTree::InitAllChildren(PLeanNode Node, bool Recursive) {
    if (!Node)
        Node = FRoot;
    if ((Node->States & vsHasChildren) && Node->ChildCount == 0)
        InitChildren(Node);
    for (PLeanNode c = Node->FirstChild; c; c = c->NextSibling) {
        InitIfNeeded(c);
        if (Recursive)
            InitAllChildren(c, true);
    }
}

void TBaseLeanTree::DeleteChildren(PLeanNode Node, bool ResetHasChildren) {
    if (!Node)
        Node = FRoot;
    if (Node->ChildCount == 0 || (HasMisc(toReadOnly) && !FDestroying))
        return;
    LTAssert(!FStates.Contains(tsIterating),
             "Deleting nodes during tree iteration leads to invalid pointers.");
    ++FUpdateCount;
    InterruptValidation();
    int oldX = FOffsetX, oldY = FOffsetY;
    bool onScreen = Node == FRoot || (GetFullyVisible(Node) && (Node->States & vsExpanded));
    Node->States |= vsClearing;
    for (PLeanNode run = Node->LastChild; run;) {
        PLeanNode prev = run->PrevSibling;
        if (onScreen && (run->States & vsVisible))
            --FVisibleCount;
        run->States |= vsDeleting;
        if (prev)
            prev->NextSibling = nullptr;
        DeleteNode(run, true);
        run = prev;
    }
    Node->States &= ~vsClearing;
    if (ResetHasChildren)
        Node->States &= ~vsHasChildren;
    Node->ChildCount = 0;
    if (Node != FRoot && !(Node->States & vsDeleting)) {
        // Still expanded here, so the ancestors lose exactly the children's heights.
        AdjustTotalHeight(Node, Node->NodeHeight, false);
        AdjustTotalCount(Node, 1, false);
        Node->States &= ~vsExpanded;
    } else if (Node == FRoot) {
        FRoot->TotalHeight = FRoot->NodeHeight;
        FRoot->TotalCount = 1;
    }
    Node->FirstChild = Node->LastChild = nullptr;
    --FUpdateCount;
    InvalidateCache();
    if (FUpdateCount == 0) {
        PackSelection();
        ValidateCache();
        UpdateScrollBars(true);
        if (oldX == FOffsetX && oldY == FOffsetY)
            InvalidateToBottom(Node);
        else
            InvalidateTree();
    }
    StructureChange(Node == FRoot ? nullptr : Node, crChildDeleted);
}

void TBaseLeanTree::DeleteNode(PLeanNode Node, bool Reindex) {
    if (!Node || Node == FRoot || (HasMisc(toReadOnly) && !FDestroying))
        return;
    LTAssert(!FStates.Contains(tsIterating),
             "Deleting nodes during tree iteration leads to invalid pointers.");
    PLeanNode parent = Node->Parent;
    bool parentClearing = parent->States & vsClearing;
    if (!parentClearing)
        StructureChange(parent == FRoot ? nullptr : parent, crChildDeleted);
    int oldX = FOffsetX, oldY = FOffsetY;
    if (Node->States & vsSelected) {
        if (FUpdateCount == 0) {
            bool synch = FStates.Contains(tsSynchMode);
            DoStateChange(tsSynchMode);
            RemoveFromSelection(Node);
            if (!synch)
                DoStateChange({}, tsSynchMode);
        } else {
            InternalRemoveFromSelection(Node);
        }
    }
    InvalidateToBottom(Node);
    if (HintShowing())
        CancelHint();
    DeleteChildren(Node, false);
    InternalDisconnectNode(Node, false, Reindex);
    DoFreeNode(Node);
    if (!parentClearing) {
        DetermineHiddenChildrenFlag(parent);
        InvalidateCache();
        if (FUpdateCount == 0) {
            ValidateCache();
            UpdateScrollBars(true);
            if (oldX != FOffsetX || oldY != FOffsetY)
                InvalidateTree();
        }
    }
}

void TBaseLeanTree::DeleteSelectedNodes() {
    if (FSelectionCount == 0 || HasMisc(toReadOnly))
        return;
    std::vector<PLeanNode> nodes = GetSortedSelection(true);
    if (nodes.empty())
        return; // only entries marked for removal inside an update
    BeginUpdate();
    for (size_t i = nodes.size() - 1; i > 0; --i)
        DeleteNode(nodes[i], nodes[i]->Parent != nodes[i - 1]->Parent);
    DeleteNode(nodes[0], true);
    EndUpdate();
}

void TBaseLeanTree::Clear() {
    if (HasMisc(toReadOnly) && !FDestroying)
        return;
    // A running edit is cancelled (its node goes); one the host will not let go is abandoned.
    if (FDestroying || !CancelEditNode())
        AbandonEdit();
    BeginUpdate();
    InterruptValidation();
    if (HintShowing())
        CancelHint(); // it may show one of the nodes
    if (FStates.Intersects({tsCutPending, tsCopyPending})) {
        // The clipboard's nodes are going: it is emptied.
        auto* data = QCoreApplication::instance()
                         ? dynamic_cast<const TLTDataObject*>(QApplication::clipboard()->mimeData())
                         : nullptr;
        if (data && data->Owner() == this)
            QApplication::clipboard()->clear();
        DoStateChange({}, {tsCutPending, tsCopyPending});
    }
    ClearSelection();
    FFocusedNode = nullptr;
    FRangeAnchor = nullptr;
    FDropTargetNode = nullptr;
    FDragSelection.clear();
    FLastChangedNode = nullptr;
    FLastStructureChangeNode = nullptr;
    FCurrentHotNode = FCheckNode = FLastSearchNode = nullptr;
    DoStateChange({}, tsMouseCheckPending);
    if (!NeedsFreeNotification() && FRoot->ChildCount > 0) {
        // Nobody is told about single nodes: drop them all with their blocks.
        InvalidateCache();
        FRoot->FirstChild = FRoot->LastChild = nullptr;
        FRoot->ChildCount = 0;
        FRoot->TotalCount = 1;
        FRoot->TotalHeight = FRoot->NodeHeight;
        FRoot->States &= ~vsHasChildren;
        if (FAccessibleItems)
            FAccessibleItems->ForgetAll();
        FPool->Reset(); // the blocks stay for the next nodes; the tree's end releases them
        StructureChange(nullptr, crChildDeleted);
    } else {
        DeleteChildren(FRoot, true);
    }
    FVisibleCount = 0;
    FOffsetX = FOffsetY = 0;
    EndUpdate();
}

void TBaseLeanTree::InternalConnectNode(PLeanNode Node, PLeanNode Destination,
                                        TLTNodeAttachMode Mode, TBaseLeanTree* Target) {
    StopValidation();
    PLeanNode parent = nullptr;
    switch (Mode) {
    case amInsertBefore: {
        parent = Destination->Parent;
        Node->PrevSibling = Destination->PrevSibling;
        Node->NextSibling = Destination;
        Destination->PrevSibling = Node;
        if (Node->PrevSibling)
            Node->PrevSibling->NextSibling = Node;
        else
            parent->FirstChild = Node;
        Node->Index = Destination->Index;
        for (PLeanNode run = Destination; run; run = run->NextSibling)
            ++run->Index;
        break;
    }
    case amInsertAfter: {
        parent = Destination->Parent;
        Node->NextSibling = Destination->NextSibling;
        Node->PrevSibling = Destination;
        Destination->NextSibling = Node;
        if (Node->NextSibling)
            Node->NextSibling->PrevSibling = Node;
        else
            parent->LastChild = Node;
        Node->Index = Destination->Index;
        for (PLeanNode run = Node; run; run = run->NextSibling)
            ++run->Index;
        break;
    }
    case amAddChildFirst: {
        parent = Destination;
        Node->PrevSibling = nullptr;
        Node->NextSibling = parent->FirstChild;
        if (parent->FirstChild)
            parent->FirstChild->PrevSibling = Node;
        else
            parent->LastChild = Node;
        parent->FirstChild = Node;
        Node->Index = 0;
        for (PLeanNode run = Node->NextSibling; run; run = run->NextSibling)
            ++run->Index;
        break;
    }
    case amAddChildLast: {
        parent = Destination;
        Node->NextSibling = nullptr;
        Node->PrevSibling = parent->LastChild;
        Node->Index = parent->LastChild ? parent->LastChild->Index + 1 : 0;
        if (parent->LastChild)
            parent->LastChild->NextSibling = Node;
        else
            parent->FirstChild = Node;
        parent->LastChild = Node;
        break;
    }
    case amNoWhere:
        return;
    }
    Node->Parent = parent;
    ++parent->ChildCount;
    parent->States |= vsHasChildren;
    AdjustTotalCount(parent, Node->TotalCount, true);
    if ((parent->States & vsExpanded) && (Node->States & vsVisible))
        AdjustTotalHeight(parent, Node->TotalHeight, true);
    if (GetFullyVisible(Node))
        Target->FVisibleCount += 1 + CountVisibleChildren(Node);
    Node->States &= ConnectStatesMask;
    if (parent != FRoot) {
        if (Node->States & vsVisible)
            parent->States &= ~vsAllChildrenHidden;
        else if (parent->ChildCount == 1)
            parent->States |= vsAllChildrenHidden;
    }
}

void TBaseLeanTree::InternalDisconnectNode(PLeanNode Node, bool KeepFocus, bool Reindex) {
    LTAssert(Node && Node != FRoot, "Node must neither be nil nor the root node.");
    StopValidation();
    if (Node == FFocusedNode && !KeepFocus) {
        AbandonEdit(); // the edited node goes away
        DoFocusNode(nullptr, false);
        DoFocusChanged(FFocusedNode, FFocusedColumn);
    }
    if (Node == FRangeAnchor)
        ResetRangeAnchor();
    PLeanNode parent = Node->Parent;
    if (Node->States & vsDeleting)
        return; // the parent's DeleteChildren resets its counts itself
    Node->States &= ~vsChecking;
    bool wasFullyVisible = GetFullyVisible(Node);
    uint32_t visibleRows = wasFullyVisible ? 1 + CountVisibleChildren(Node) : 0;
    bool removeHeight = (parent->States & vsExpanded) && (Node->States & vsVisible);
    --parent->ChildCount;
    AdjustTotalCount(parent, -int64_t(Node->TotalCount), true);
    if (removeHeight)
        AdjustTotalHeight(parent, -int64_t(Node->TotalHeight), true);
    if (parent->ChildCount == 0) {
        parent->States &= ~(vsAllChildrenHidden | vsHasChildren);
        if (parent != FRoot)
            parent->States &= ~vsExpanded;
        else
            parent->States |= vsHasChildren;
    }
    FVisibleCount -= visibleRows;
    if (Node->PrevSibling)
        Node->PrevSibling->NextSibling = Node->NextSibling;
    else
        parent->FirstChild = Node->NextSibling;
    if (Node->NextSibling) {
        Node->NextSibling->PrevSibling = Node->PrevSibling;
        if (Reindex) {
            uint32_t index = Node->Index;
            for (PLeanNode run = Node->NextSibling; run; run = run->NextSibling)
                run->Index = index++;
        }
    } else {
        parent->LastChild = Node->PrevSibling;
    }
    Node->PrevSibling = Node->NextSibling = nullptr;
    // Decided once the node is out of the list, so that the flag matches what remains.
    if (parent != FRoot && !(parent->States & vsClearing)) {
        if (FUpdateCount > 0)
            DoStateChange(tsUpdateHiddenChildrenNeeded);
        else
            DetermineHiddenChildrenFlag(parent);
    }
}

void TBaseLeanTree::ToggleNode(PLeanNode Node) {
    LTAssert(Node != nullptr, "Node must not be nil.");
    if (Node == FRoot || (Node->States & (vsToggling | vsDeleting)))
        return;
    StopValidation();
    Node->States |= vsToggling;
    PLeanNode oldTop = FUpdateCount == 0 ? TopNode() : nullptr;
    bool changed = false;
    bool animated = FUpdateCount == 0 &&
                    FOptions->AnimationOptions().Contains(TLTAnimationOption::toAnimatedToggle);
    if (!(Node->States & vsExpanded)) {
        if (DoExpanding(Node)) {
            InitIfNeeded(Node);
            if ((Node->States & vsHasChildren) && Node->ChildCount == 0)
                InitChildren(Node);
            if (Node->ChildCount > 0 && !(Node->States & vsExpanded)) {
                uint64_t add = 0;
                for (PLeanNode c = Node->FirstChild; c; c = c->NextSibling)
                    if (c->States & vsVisible)
                        add += c->TotalHeight;
                if (animated && !FStates.Intersects({tsPainting, tsExpanding}) &&
                    GetNextVisibleNoInit(Node))
                    TLTToggleAnimation::Run(*this, Node, int(std::min<uint64_t>(add, INT32_MAX)),
                                            true);
                StopValidation();
                Node->States |= vsExpanded;
                AdjustTotalHeight(Node, int64_t(add), true);
                if (GetFullyVisible(Node))
                    FVisibleCount += CountVisibleChildren(Node);
                changed = true;
                DoExpanded(Node);
            }
        }
    } else if (DoCollapsing(Node)) {
        if (animated && !FStates.Contains(tsCollapsing))
            TLTToggleAnimation::Run(*this, Node, int(Node->TotalHeight) - int(Node->NodeHeight),
                                    false);
        StopValidation();
        if (GetFullyVisible(Node))
            FVisibleCount -= CountVisibleChildren(Node);
        AdjustTotalHeight(Node, Node->NodeHeight, false);
        Node->States &= ~vsExpanded;
        changed = true;
        DoCollapsed(Node);
        if (HasAuto(toAutoFreeOnCollapse) && Node->ChildCount > 0) {
            DeleteChildren(Node, false);
            Node->States |= vsHasChildren;
        }
    }
    if (changed) {
        InvalidateCache();
        if (FUpdateCount == 0) {
            // The worker may walk the nodes once validation starts: the last write comes first.
            Node->States &= ~vsToggling;
            ValidateCache();
            if (Node->ChildCount > 0) {
                UpdateScrollBars(true);
                // Only a node on show is brought into view (opening one inside a collapsed
                // parent, as initialisation may, opens nothing else).
                if (HasAuto(toAutoScrollOnExpand) && (Node->States & vsExpanded) &&
                    GetFullyVisible(Node)) {
                    // A subtree taller than the client area starts at the top; a shorter one
                    // is shown down to its last child.
                    if (int64_t(Node->TotalHeight) > ClientHeight()) {
                        SetTopNode(Node);
                    } else if (PLeanNode last = GetLastVisibleChildNoInit(Node)) {
                        ScrollIntoView(last, HasSelection(toCenterScrollIntoView), false);
                    }
                }
                if (TopNode() != oldTop)
                    InvalidateTree();
                else
                    InvalidateToBottom(Node);
            } else {
                InvalidateNode(Node);
            }
        }
    } else if (Node->ChildCount == 0) {
        InvalidateNode(Node);
    }
    if (Node->States & vsToggling) // only read when cleared above: the worker may be walking
        Node->States &= ~vsToggling;
}

void TBaseLeanTree::FullExpand(PLeanNode Node) {
    if (FRoot->TotalCount < 2)
        return;
    if (Node == FRoot)
        Node = nullptr;
    DoStateChange(tsExpanding);
    BeginUpdate();
    PLeanNode stop = nullptr;
    PLeanNode run = Node ? Node : GetFirst();
    if (Node) {
        for (PLeanNode n = Node; n != FRoot && !stop; n = n->Parent)
            stop = n->NextSibling;
        InitIfNeeded(Node);
    }
    while (run && run != stop) {
        // Every closed node is asked (OnExpanding may give a leaf its children).
        if (!(run->States & vsExpanded))
            ToggleNode(run);
        run = GetNext(run);
    }
    EndUpdate();
    DoStateChange({}, tsExpanding);
}

void TBaseLeanTree::FullCollapse(PLeanNode Node) {
    if (FRoot->TotalCount < 2)
        return;
    if (Node == FRoot)
        Node = nullptr;
    DoStateChange(tsCollapsing);
    BeginUpdate();
    PLeanNode run = GetLastVisibleNoInit(Node);
    if (!run)
        run = Node;
    while (run) {
        PLeanNode prev = run == Node ? nullptr : GetPreviousNoInit(run);
        if ((run->States & vsExpanded) && run->ChildCount > 0)
            ToggleNode(run);
        run = prev;
    }
    EndUpdate();
    DoStateChange({}, tsCollapsing);
}

void TBaseLeanTree::MeasureItemHeight(QPainter* Canvas, PLeanNode Node) {
    if (Node->States & vsHeightMeasured)
        return;
    StopValidation();
    Node->States |= vsHeightMeasured;
    int height = Node->NodeHeight;
    DoMeasureItem(Canvas, Node, height);
    if (height >= 0 && uint32_t(height) != Node->NodeHeight)
        SetNodeHeight(Node, uint32_t(height));
}

void TBaseLeanTree::RepaintNode(PLeanNode Node) {
    if (Node && Node != FRoot)
        viewport()->repaint(GetDisplayRect(Node, NoColumn, false));
}

void TBaseLeanTree::CancelCutOrCopy() {
    if (!FStates.Intersects({tsCutPending, tsCopyPending}))
        return;
    StopValidation();
    for (PLeanNode n = GetFirstNoInit(); n; n = GetNextNoInit(n))
        n->States &= ~vsCutOrCopy;
    DoStateChange({}, {tsCutPending, tsCopyPending});
}

PLeanNode TBaseLeanTree::InsertNode(PLeanNode Node, TLTNodeAttachMode Mode) {
    if (HasMisc(toReadOnly) || Mode == amNoWhere)
        return nullptr;
    if (!Node)
        Node = FRoot;
    if (Node == FRoot && Mode == amInsertBefore)
        Mode = amAddChildFirst;
    else if (Node == FRoot && Mode == amInsertAfter)
        Mode = amAddChildLast;
    PLeanNode result = MakeNewNode();
    InternalConnectNode(result, Node, Mode, this);
    InvalidateCache();
    if (FUpdateCount == 0) {
        ValidateCache();
        UpdateScrollBars(true);
        InvalidateTree();
    }
    StructureChange(result, crNodeAdded);
    return result;
}

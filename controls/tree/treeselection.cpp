// Selection and focus: the address-ordered selection array, ranges, the range anchor, the
// focused node and the (possibly delayed) change notices.
#include <QTimer>
#include <algorithm>

#include "controls/tree/leantree.h"
#include "controls/tree/treeheader.h"

using enum TLeanTreeState;
using enum TLTSelectionOption;
using enum TLTAutoOption;

namespace {

// Entries marked for removal carry the lowest address bit (nodes are at least 8-aligned).
inline uintptr_t Key(PLeanNode p) {
    return reinterpret_cast<uintptr_t>(p) & ~uintptr_t(1);
}
inline bool IsMarked(PLeanNode p) {
    return reinterpret_cast<uintptr_t>(p) & 1;
}
inline PLeanNode Marked(PLeanNode p) {
    return reinterpret_cast<PLeanNode>(reinterpret_cast<uintptr_t>(p) | 1);
}

// Turns StartNode..EndNode into a range of rows in display order: a nil start is the first
// row, a hidden start the row before its place (or the first), a hidden end the row before
// its place. False when no row is left.
bool VisibleRowRange(TBaseLeanTree& Tree, PLeanNode& StartNode, PLeanNode& EndNode) {
    if (!StartNode)
        StartNode = Tree.GetFirstVisible();
    else if (!Tree.GetFullyVisible(StartNode)) {
        StartNode = Tree.GetPreviousVisible(StartNode);
        if (!StartNode)
            StartNode = Tree.GetFirstVisible();
    }
    if (!Tree.GetFullyVisible(EndNode))
        EndNode = Tree.GetPreviousVisible(EndNode);
    if (!StartNode || !EndNode)
        return false;
    if (Tree.CompareNodePositions(StartNode, EndNode) > 0)
        std::swap(StartNode, EndNode);
    return true;
}

} // namespace

bool TBaseLeanTree::FindNodeInSelection(PLeanNode Node, int& Index, int LowBound,
                                        int HighBound) const {
    if (LowBound < 0)
        LowBound = 0;
    if (HighBound < 0)
        HighBound = int(FSelectionCount) - 1;
    uintptr_t key = Key(Node);
    bool found = false;
    int lo = LowBound, hi = HighBound;
    while (lo <= hi) {
        int mid = lo + (hi - lo) / 2;
        uintptr_t k = Key(FSelection[size_t(mid)]);
        if (k >= key) {
            if (k == key)
                found = true;
            hi = mid - 1;
        } else {
            lo = mid + 1;
        }
    }
    Index = lo;
    return found;
}

void TBaseLeanTree::PackSelection() {
    auto end = std::remove_if(FSelection.begin(), FSelection.end(), IsMarked);
    FSelection.erase(end, FSelection.end());
    FSelectionCount = uint32_t(FSelection.size());
}

bool TBaseLeanTree::InternalAddToSelection(std::vector<PLeanNode>& Nodes, bool ForceInsert) {
    StopValidation();
    if (!ForceInsert) {
        if (HasSelection(toLevelSelectConstraint) && FLastSelectionLevel < 0 && !Nodes.empty())
            FLastSelectionLevel = int(GetNodeLevel(Nodes[0]));
        if (HasSelection(toSiblingSelectConstraint) && !FRangeAnchor && !Nodes.empty())
            FRangeAnchor = Nodes[0];
    }
    for (PLeanNode& n : Nodes) {
        bool take = !(n->States & vsSelected);
        if (take && !ForceInsert) {
            take = !(n->States & vsDisabled);
            if (take && HasSelection(toLevelSelectConstraint))
                take = int(GetNodeLevel(n)) == FLastSelectionLevel;
            if (take && HasSelection(toSiblingSelectConstraint) && FRangeAnchor)
                take = n->Parent == FRangeAnchor->Parent;
        }
        if (take)
            n->States |= vsSelected;
        else
            n = Marked(n);
    }
    Nodes.erase(std::remove_if(Nodes.begin(), Nodes.end(), IsMarked), Nodes.end());
    if (Nodes.empty())
        return false;
    // Full-width address order, so that the binary search holds on 64-bit.
    std::sort(Nodes.begin(), Nodes.end(), [](PLeanNode a, PLeanNode b) { return Key(a) < Key(b); });
    PackSelection();
    std::vector<PLeanNode> merged;
    merged.reserve(FSelection.size() + Nodes.size());
    std::merge(FSelection.begin(), FSelection.end(), Nodes.begin(), Nodes.end(),
               std::back_inserter(merged),
               [](PLeanNode a, PLeanNode b) { return Key(a) < Key(b); });
    FSelection = std::move(merged);
    FSelectionCount = uint32_t(FSelection.size());
    return true;
}

void TBaseLeanTree::AddToSelection(PLeanNode Node) {
    LTAssert(Node != nullptr, "Node must not be nil!");
    std::vector<PLeanNode> one{Node};
    if (InternalAddToSelection(one, false)) {
        InvalidateNode(Node);
        Change(Node);
    }
}

void TBaseLeanTree::AddNodesToSelection(std::vector<PLeanNode>& Nodes, bool ForceInsert) {
    if (!InternalAddToSelection(Nodes, ForceInsert))
        return;
    if (Nodes.size() == 1) {
        InvalidateNode(Nodes[0]);
        Change(Nodes[0]);
    } else {
        InvalidateTree();
        Change(nullptr);
    }
}

void TBaseLeanTree::RemoveFromSelection(PLeanNode Node) {
    LTAssert(Node != nullptr, "Node must not be nil!");
    if (!(Node->States & vsSelected))
        return;
    StopValidation();
    Node->States &= ~vsSelected;
    int index;
    if (FindNodeInSelection(Node, index, -1, -1)) {
        FSelection.erase(FSelection.begin() + index);
        FSelectionCount = uint32_t(FSelection.size());
    }
    if (FSelectionCount == 0)
        ResetRangeAnchor();
    InvalidateNode(Node);
    Change(Node);
}

void TBaseLeanTree::InternalRemoveFromSelection(PLeanNode Node) {
    int index;
    if (FindNodeInSelection(Node, index, -1, -1) && !IsMarked(FSelection[size_t(index)])) {
        StopValidation();
        Node->States &= ~vsSelected;
        FSelection[size_t(index)] = Marked(Node);
    }
}

void TBaseLeanTree::InternalClearSelection() {
    if (FUpdateCount > 0)
        PackSelection();
    StopValidation();
    for (auto it = FSelection.rbegin(); it != FSelection.rend(); ++it)
        if (!IsMarked(*it))
            (*it)->States &= ~vsSelected;
    FSelection.clear();
    FSelection.shrink_to_fit();
    FSelectionCount = 0;
    ResetRangeAnchor();
    DoStateChange({}, tsClearPending);
}

void TBaseLeanTree::ClearSelection() {
    if (FSelectionCount == 0 || FDestroying)
        return;
    InvalidateTree();
    InternalClearSelection();
    Change(nullptr);
}

void TBaseLeanTree::SelectNodes(PLeanNode StartNode, PLeanNode EndNode, bool AddOnly) {
    LTAssert(EndNode != nullptr, "EndNode must not be nil!");
    if (!VisibleRowRange(*this, StartNode, EndNode))
        return;
    PLeanNode anchor = FRangeAnchor;
    if (!AddOnly)
        InternalClearSelection();
    std::vector<PLeanNode> cache;
    for (PLeanNode n = StartNode; n; n = n == EndNode ? nullptr : GetNextVisible(n))
        cache.push_back(n);
    AddNodesToSelection(cache, false);
    if (anchor && (anchor->States & vsSelected))
        FRangeAnchor = anchor;
}

void TBaseLeanTree::UnselectNodes(PLeanNode StartNode, PLeanNode EndNode) {
    LTAssert(EndNode != nullptr, "EndNode must not be nil!");
    if (!VisibleRowRange(*this, StartNode, EndNode))
        return;
    for (PLeanNode n = StartNode; n; n = n == EndNode ? nullptr : GetNextVisible(n))
        InternalRemoveFromSelection(n);
    PackSelection();
    if (FSelectionCount == 0)
        ResetRangeAnchor();
    InvalidateTree();
    Change(nullptr);
}

void TBaseLeanTree::ToggleSelection(PLeanNode StartNode, PLeanNode EndNode) {
    LTAssert(EndNode != nullptr, "EndNode must not be nil!");
    if (!VisibleRowRange(*this, StartNode, EndNode))
        return;
    std::vector<PLeanNode> cache;
    auto toggle = [&](PLeanNode n) {
        if (n->States & vsSelected)
            InternalRemoveFromSelection(n);
        else
            cache.push_back(n);
    };
    PLeanNode anchor = FRangeAnchor;
    if (!anchor || CompareNodePositions(StartNode, anchor) < 0)
        toggle(StartNode);
    for (PLeanNode n = GetNextVisible(StartNode); n && n != EndNode; n = GetNextVisible(n))
        toggle(n);
    if (EndNode != StartNode && (!anchor || CompareNodePositions(EndNode, anchor) > 0))
        toggle(EndNode);
    PackSelection();
    if (anchor && !(anchor->States & vsSelected) &&
        std::find(cache.begin(), cache.end(), anchor) == cache.end())
        cache.push_back(anchor);
    AddNodesToSelection(cache, false);
    InvalidateTree();
}

void TBaseLeanTree::SelectAll(bool VisibleOnly) {
    if (!HasSelection(toMultiSelect))
        return;
    std::vector<PLeanNode> cache;
    if (VisibleOnly) {
        for (PLeanNode n = GetFirstVisible(); n; n = GetNextVisible(n))
            if (!(n->States & vsSelected))
                cache.push_back(n);
    } else {
        for (PLeanNode n = GetFirst(); n; n = GetNext(n))
            if (!(n->States & vsSelected))
                cache.push_back(n);
    }
    if (!cache.empty())
        AddNodesToSelection(cache, false);
    InvalidateTree();
}

void TBaseLeanTree::ResetRangeAnchor() {
    FRangeAnchor = FFocusedNode;
    FLastSelectionLevel = -1;
}

void TBaseLeanTree::DoFocusNode(PLeanNode Node, bool Ask) {
    if (Node == FRoot)
        Node = nullptr;
    // A running edit ends first, on the focused node too; a pending one when the focus moves.
    // When it cannot end, the focus stays.
    bool endEdit =
        FStates.Contains(tsEditing) || (Node != FFocusedNode && FStates.Contains(tsEditPending));
    if (endEdit && !EndEditNode())
        return;
    if (Node != FFocusedNode) {
        if (Ask && !DoFocusChanging(FFocusedNode, Node, FFocusedColumn, FFocusedColumn))
            return;
        PLeanNode old = FFocusedNode;
        if (old && HasAuto(toAutoExpand) && Node && old->Parent == Node->Parent &&
            (old->States & vsExpanded))
            ToggleNode(old);
        else if (old)
            InvalidateNode(old);
        FFocusedNode = Node;
    }
    if (FFocusedNode) {
        if (FHeader->UseColumns() && !FHeader->Columns().IsValidColumn(FFocusedColumn))
            FFocusedColumn = 0;
        if (HasAuto(toAutoExpand) && !(FFocusedNode->States & vsExpanded))
            ToggleNode(FFocusedNode);
        InvalidateNode(FFocusedNode);
        // Brought into view, its collapsed parents opened.
        if (FUpdateCount == 0)
            ScrollIntoView(
                FFocusedNode,
                HasSelection(toCenterScrollIntoView) &&
                    !FStates.Intersects({tsLeftButtonDown, tsMiddleButtonDown, tsRightButtonDown}),
                !HasAuto(toDisableAutoscrollOnFocus));
    }
    if (FSelectionCount == 0)
        ResetRangeAnchor();
}

void TBaseLeanTree::SetFocusedNodeAndColumn(PLeanNode Node, TColumnIndex Column) {
    if (Node == FRoot)
        Node = nullptr;
    bool differs = Node != FFocusedNode || Column != FFocusedColumn;
    TColumnIndex oldColumn = FFocusedColumn;
    FFocusedColumn = Column;
    DoFocusNode(Node, true);
    if (FFocusedNode == Node) {
        CancelEditNode(); // an editor stays over neither the old node nor the old column
        if (differs)
            DoFocusChanged(FFocusedNode, FFocusedColumn);
    } else {
        FFocusedColumn = oldColumn;
    }
}

void TBaseLeanTree::PostChangeNotice(bool Structure, PLeanNode Node, TChangeReason Reason) {
    if (Structure) {
        if (FStates.Contains(tsStructureChangePending))
            FStructureChangeTimer->stop();
        else
            DoStateChange(tsStructureChangePending);
        FLastStructureChangeNode = Node;
        if (FLastStructureChangeReason == crIgnore)
            FLastStructureChangeReason = Reason;
        else if (Reason != crIgnore)
            FLastStructureChangeReason = crAccumulated;
    } else {
        if (FStates.Contains(tsChangePending))
            FChangeTimer->stop();
        else
            DoStateChange(tsChangePending);
        FLastChangedNode = Node;
    }
}

void TBaseLeanTree::Change(PLeanNode Node) {
    if (FDestroying)
        return;
    PostChangeNotice(false, Node, crIgnore);
    if (FUpdateCount > 0)
        return;
    if (ChangeDelay > 0 && !FStates.Contains(tsSynchMode))
        FChangeTimer->start(int(ChangeDelay));
    else
        DoChange(Node);
}

void TBaseLeanTree::StructureChange(PLeanNode Node, TChangeReason Reason) {
    if (FDestroying)
        return;
    PostChangeNotice(true, Node, Reason);
    if (FUpdateCount > 0)
        return;
    if (ChangeDelay > 0 && !FStates.Contains(tsSynchMode))
        FStructureChangeTimer->start(int(ChangeDelay));
    else
        DoStructureChange(FLastStructureChangeNode, FLastStructureChangeReason);
}

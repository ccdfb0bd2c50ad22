// The node store: node allocation, the hidden root, child counts, heights and the per-subtree
// totals, and the tree's simple node properties.
#include <cstdlib>
#include <cstring>

#include "controls/tree/leantree.h"
#include "controls/tree/nodepool.h"
#include "controls/tree/treeaccessible.h"
#include "controls/tree/treecolumns.h"
#include "controls/tree/treeheader.h"

using enum TLeanTreeState;
using enum TLTMiscOption;
using enum TLTAutoOption;
using enum TLTSelectionOption;
using enum TLTAnimationOption;

namespace {

// The root's block starts with the owning tree; the root node follows at this offset.
constexpr size_t RootPrefix = 16;

} // namespace

TBaseLeanTree* TreeFromNode(PLeanNode Node) {
    LTAssert(Node != nullptr, "Node must not be nil.");
    while (Node->NextSibling != Node)
        Node = Node->Parent;
    TBaseLeanTree* tree;
    std::memcpy(&tree, reinterpret_cast<char*>(Node) - RootPrefix, sizeof tree);
    return tree;
}

void TBaseLeanTree::InitRootNode(size_t OldSize) {
    size_t size = RootPrefix + sizeof(TLeanNode) + FInternalDataSize;
    char* block;
    if (!FRoot) {
        block = static_cast<char*>(std::calloc(1, size));
        if (!block)
            throw std::bad_alloc();
        FRoot = reinterpret_cast<PLeanNode>(block + RootPrefix);
        FRoot->TotalCount = 1;
    } else {
        char* old = reinterpret_cast<char*>(FRoot) - RootPrefix;
        block = static_cast<char*>(std::realloc(old, size));
        if (!block)
            throw std::bad_alloc();
        size_t from = RootPrefix + OldSize;
        if (size > from)
            std::memset(block + from, 0, size - from);
        FRoot = reinterpret_cast<PLeanNode>(block + RootPrefix);
        // The children point at the old address.
        for (PLeanNode c = FRoot->FirstChild; c; c = c->NextSibling)
            c->Parent = FRoot;
    }
    TBaseLeanTree* self = this;
    std::memcpy(block, &self, sizeof self);
    FRoot->Parent = nullptr;
    FRoot->PrevSibling = FRoot;
    FRoot->NextSibling = FRoot;
    FRoot->States = vsInitialized | vsExpanded | vsHasChildren | vsVisible;
    if (!OldSize) {
        FRoot->TotalHeight = FDefaultNodeHeight;
        FRoot->NodeHeight = uint16_t(FDefaultNodeHeight);
    }
    FRoot->Align = 50;
}

PLeanNode TBaseLeanTree::MakeNewNode() {
    if (FNodeDataSize == -1) {
        FNodeDataSize = DoGetNodeDataSize();
        if (FNodeDataSize < 0)
            FNodeDataSize = 0;
    }
    FPool->SetNodeSize(sizeof(TLeanNode) + FInternalDataSize + size_t(std::max(FNodeDataSize, 0)));
    auto node = static_cast<PLeanNode>(FPool->Allocate());
    node->TotalCount = 1;
    node->TotalHeight = FDefaultNodeHeight;
    node->NodeHeight = uint16_t(FDefaultNodeHeight);
    node->States = vsVisible;
    node->Align = 50;
    return node;
}

void TBaseLeanTree::FreeNodeMemory(PLeanNode Node) {
    if (FAccessibleItems)
        FAccessibleItems->Forget(Node);
    FPool->Free(Node);
}

size_t TBaseLeanTree::AllocateInternalDataArea(size_t Size) {
    if (FRoot->ChildCount > 0)
        throw EAssertionFailed("Internal data allocation must be done before any node is created.");
    size_t offset = sizeof(TLeanNode) + FInternalDataSize;
    size_t old = sizeof(TLeanNode) + FInternalDataSize;
    FInternalDataSize += (Size + 7) & ~size_t(7);
    InitRootNode(old);
    return offset;
}

void TBaseLeanTree::AdjustTotalCount(PLeanNode Node, int64_t Value, bool Relative) {
    int64_t delta = Relative ? Value : Value - int64_t(Node->TotalCount);
    if (delta == 0)
        return;
    StopValidation();
    for (; Node; Node = Node == FRoot ? nullptr : Node->Parent)
        Node->TotalCount = uint32_t(int64_t(Node->TotalCount) + delta);
}

void TBaseLeanTree::AdjustTotalHeight(PLeanNode Node, int64_t Value, bool Relative) {
    int64_t delta = Relative ? Value : Value - int64_t(Node->TotalHeight);
    if (delta == 0)
        return;
    StopValidation();
    Node->TotalHeight = uint32_t(int64_t(Node->TotalHeight) + delta);
    while ((Node->States & vsVisible) && Node != FRoot && Node->Parent &&
           (Node->Parent->States & vsExpanded)) {
        Node = Node->Parent;
        Node->TotalHeight = uint32_t(int64_t(Node->TotalHeight) + delta);
    }
}

void TBaseLeanTree::SetChildCount(PLeanNode Node, uint32_t NewCount) {
    if (HasMisc(toReadOnly))
        return;
    if (!Node)
        Node = FRoot;
    if (NewCount == 0) {
        DeleteChildren(Node, false);
        return;
    }
    int64_t delta = int64_t(NewCount) - int64_t(Node->ChildCount);
    if (delta == 0)
        return;
    InterruptValidation();
    if (delta > 0) {
        uint32_t index = 0;
        if (Node->LastChild)
            index = Node->LastChild->Index + 1;
        else
            Node->States |= vsHasChildren;
        Node->States &= ~vsAllChildrenHidden;
        uint64_t heights = 0;
        bool measure = HasMisc(toVariableNodeHeight);
        std::vector<PLeanNode> fresh;
        for (int64_t i = 0; i < delta; ++i) {
            PLeanNode child = MakeNewNode();
            child->Index = index++;
            child->PrevSibling = Node->LastChild;
            if (Node->LastChild)
                Node->LastChild->NextSibling = child;
            else
                Node->FirstChild = child;
            Node->LastChild = child;
            child->Parent = Node;
            heights += child->NodeHeight;
            if (measure)
                fresh.push_back(child);
        }
        Node->ChildCount = NewCount;
        AdjustTotalCount(Node, delta, true);
        if (Node->States & vsExpanded) {
            AdjustTotalHeight(Node, int64_t(heights), true);
            if (GetFullyVisible(Node))
                FVisibleCount += uint32_t(delta);
        }
        // Measured heights replace the default through SetNodeHeight, which keeps the totals.
        for (PLeanNode child : fresh)
            GetNodeHeight(child);
        InvalidateCache();
        if (FUpdateCount == 0 && HasAuto(toAutoSort))
            Sort(Node, FHeader->SortColumn(), FHeader->SortDirection(), true);
    } else {
        BeginUpdate();
        for (int64_t i = 0; i < -delta; ++i)
            DeleteNode(Node->LastChild, true);
        EndUpdate();
    }
    if (FUpdateCount == 0) {
        ValidateCache();
        UpdateScrollBars(true);
        InvalidateTree();
    }
    StructureChange(Node == FRoot ? nullptr : Node, crChildAdded);
}

void TBaseLeanTree::SetRootNodeCount(uint32_t value) {
    if (FLoading) {
        // The nodes are made by Loaded; the count of those present must stay true meanwhile.
        FLoadedRootCount = value;
        DoStateChange(tsNeedRootCountUpdate);
        return;
    }
    if (value == FRoot->ChildCount)
        return;
    BeginUpdate();
    InterruptValidation();
    SetChildCount(FRoot, value);
    EndUpdate();
}

void TBaseLeanTree::SetNodeDataSize(int value) {
    if (value < -1)
        value = -1;
    if (FLoading) {
        // Nodes present keep their size until Loaded makes them again; new ones take it now.
        FLoadedNodeDataSize.reset();
        if (FRoot->ChildCount == 0)
            FNodeDataSize = value;
        else if (value != FNodeDataSize)
            FLoadedNodeDataSize = value;
        return;
    }
    // Nodes cannot keep another size than the one they were made with: a tree that may not be
    // cleared keeps its size.
    if (value == FNodeDataSize || (FRoot->ChildCount > 0 && HasMisc(toReadOnly)))
        return;
    uint32_t count = FRoot->ChildCount;
    Clear();
    FNodeDataSize = value;
    SetRootNodeCount(count);
}

void TBaseLeanTree::SetDefaultNodeHeight(uint32_t value) {
    if (value == 0)
        value = 18;
    value = std::min<uint32_t>(value, 0xFFFF);
    if (value == FDefaultNodeHeight)
        return;
    StopValidation();
    int64_t diff = int64_t(value) - int64_t(FDefaultNodeHeight);
    FDefaultNodeHeight = value;
    DoStateChange(tsNeedScale);
    FRoot->TotalHeight = uint32_t(int64_t(FRoot->TotalHeight) + diff);
    FRoot->NodeHeight = uint16_t(int64_t(FRoot->NodeHeight) + diff);
    InvalidateCache();
    if (FUpdateCount == 0 && !FLoading) {
        ValidateCache();
        UpdateScrollBars(true);
        if (FFocusedNode)
            ScrollIntoView(FFocusedNode, HasSelection(toCenterScrollIntoView), true);
        InvalidateTree();
    }
}

void TBaseLeanTree::SetIndent(uint32_t value) {
    if (value == FIndent)
        return;
    FIndent = value;
    if (!FLoading && FUpdateCount == 0) {
        UpdateScrollBars(true);
        InvalidateTree();
    }
}

void TBaseLeanTree::SetMargin(int value) {
    if (value != FMargin) {
        FMargin = value;
        InvalidateTree();
    }
}

void TBaseLeanTree::SetTextMargin(int value) {
    if (value != FTextMargin) {
        FTextMargin = value;
        InvalidateTree();
    }
}

void TBaseLeanTree::SetAlignment(TAlignment value) {
    if (value != FAlignment) {
        FAlignment = value;
        if (!FLoading)
            InvalidateTree();
    }
}

void TBaseLeanTree::SetAnimationDuration(uint32_t value) {
    FAnimationDuration = value;
    auto anim = FOptions->AnimationOptions();
    if (value)
        anim |= toAnimatedToggle;
    else
        anim -= toAnimatedToggle;
    FOptions->SetAnimationOptions(anim);
}

void TBaseLeanTree::SetNodeAlignment(TLTNodeAlignment value) {
    if (value != FNodeAlignment) {
        FNodeAlignment = value;
        InvalidateTree();
    }
}

uint32_t TBaseLeanTree::GetNodeHeight(PLeanNode Node) {
    if (!Node || Node == FRoot)
        return 0;
    if (HasMisc(toVariableNodeHeight) && !(Node->States & vsHeightMeasured))
        MeasureItemHeight(nullptr, Node);
    return Node->NodeHeight;
}

void TBaseLeanTree::SetNodeHeight(PLeanNode Node, uint32_t Value) {
    if (!Node || Node == FRoot || Value == Node->NodeHeight || HasMisc(toReadOnly))
        return;
    Value = std::min<uint32_t>(Value, 0xFFFF);
    StopValidation();
    int64_t diff = int64_t(Value) - int64_t(Node->NodeHeight);
    Node->NodeHeight = uint16_t(Value);
    AdjustTotalHeight(Node, diff, true);
    if (!FStates.Contains(tsValidating) && GetFullyVisible(Node)) {
        InvalidateCache();
        if (FUpdateCount == 0) {
            ValidateCache();
            InvalidateToBottom(Node);
            UpdateScrollBars(true);
        }
    }
    UpdateEditBounds();
}

bool TLeanTreeNodes::GetFullyVisible(PLeanNode Node) const {
    LTAssert(Node != nullptr, "Invalid parameter.");
    return (Node->States & vsVisible) && (Node == FRoot || HasVisibleParents(Node));
}

bool TLeanTreeNodes::HasVisibleParents(PLeanNode Node) const {
    LTAssert(Node && Node != FRoot, "Invalid parameters.");
    Node = Node->Parent;
    while (Node != FRoot && (Node->States & vsExpanded) && (Node->States & vsVisible))
        Node = Node->Parent;
    return Node == FRoot;
}

bool TBaseLeanTree::GetVisible(PLeanNode Node) {
    if (!Node)
        Node = FRoot;
    InitIfNeeded(Node);
    return Node->States & vsVisible;
}

void TBaseLeanTree::SetSelected(PLeanNode Node, bool Value) {
    if (!Node || Node == FRoot || Value == bool(Node->States & vsSelected))
        return;
    if (Value) {
        if (FSelectionCount == 0)
            FRangeAnchor = Node;
        else if (!HasSelection(toMultiSelect))
            ClearSelection();
        AddToSelection(Node);
        auto& cols = FHeader->Columns();
        TColumnIndex main = FHeader->MainColumn();
        if ((FFocusedColumn < 0 || !cols.IsValidColumn(FFocusedColumn) ||
             !cols.Items(FFocusedColumn).Visible()) &&
            cols.IsValidColumn(main)) {
            FFocusedColumn = cols.Items(main).Visible() ? main : cols.GetFirstVisibleColumn();
        }
        if (!FRangeAnchor)
            FRangeAnchor = Node;
    } else {
        RemoveFromSelection(Node);
        if (FSelectionCount == 0)
            ResetRangeAnchor();
    }
    if (GetFullyVisible(Node))
        InvalidateNode(Node);
}

void TBaseLeanTree::SetFocusedNode(PLeanNode Node) {
    PLeanNode was = FFocusedNode;
    DoFocusNode(Node, true);
    if (FFocusedNode != was && FFocusedNode == (Node == FRoot ? nullptr : Node))
        DoFocusChanged(FFocusedNode, FFocusedColumn);
}

void TBaseLeanTree::SetFocusedColumn(TColumnIndex Column) {
    if (Column == FFocusedColumn)
        return;
    if (!DoFocusChanging(FFocusedNode, FFocusedNode, FFocusedColumn, Column))
        return;
    CancelEditNode();
    FFocusedColumn = Column;
    if (FFocusedNode) {
        ScrollIntoView(FFocusedNode, HasSelection(toCenterScrollIntoView),
                       !HasAuto(toDisableAutoscrollOnFocus));
        InvalidateNode(FFocusedNode);
    }
    if (FDropTargetNode)
        InvalidateNode(FDropTargetNode);
    DoFocusChanged(FFocusedNode, Column);
}

void TBaseLeanTree::SetCheckState(PLeanNode Node, TCheckState Value) {
    if (!Node || Node == FRoot || Node->CheckState == Value || (Node->States & vsDisabled))
        return;
    if (DoChecking(Node, Value))
        DoCheckClick(Node, Value);
}

void TBaseLeanTree::SetCheckType(PLeanNode Node, TCheckType Value) {
    if (!Node || Node == FRoot || Node->CheckType == Value)
        return;
    Node->CheckType = Value;
    InvalidateNode(Node);
}

void TBaseLeanTree::SetDisabled(PLeanNode Node, bool Value) {
    if (!Node || Node == FRoot || Value == bool(Node->States & vsDisabled))
        return;
    StopValidation();
    if (Value)
        Node->States |= vsDisabled;
    else
        Node->States &= ~vsDisabled;
    InvalidateNode(Node);
}

void TBaseLeanTree::SetExpanded(PLeanNode Node, bool Value) {
    if (Node && Node != FRoot && Value != bool(Node->States & vsExpanded))
        ToggleNode(Node);
}

int TLeanTreeNodes::CompareNodePositions(PLeanNode Node1, PLeanNode Node2) const {
    LTAssert(Node1 && Node2, "Nodes must never be nil.");
    if (Node1 == Node2)
        return 0;
    if (HasAsParent(Node1, Node2))
        return 1;
    if (HasAsParent(Node2, Node1))
        return -1;
    uint32_t l1 = GetNodeLevel(Node1), l2 = GetNodeLevel(Node2);
    while (l1 > l2) {
        Node1 = Node1->Parent;
        --l1;
    }
    while (l2 > l1) {
        Node2 = Node2->Parent;
        --l2;
    }
    while (Node1->Parent != Node2->Parent) {
        Node1 = Node1->Parent;
        Node2 = Node2->Parent;
    }
    // Indexes are unsigned: compare, never subtract.
    return (Node1->Index > Node2->Index) - (Node1->Index < Node2->Index);
}

bool TLeanTreeNodes::IsFirstVisibleChild(PLeanNode Parent, PLeanNode Node) const {
    PLeanNode c = Parent->FirstChild;
    while (c && !(c->States & vsVisible))
        c = c->NextSibling;
    return c == Node;
}

bool TLeanTreeNodes::IsLastVisibleChild(PLeanNode Parent, PLeanNode Node) const {
    PLeanNode c = Parent->LastChild;
    while (c && !(c->States & vsVisible))
        c = c->PrevSibling;
    return c == Node;
}

bool TLeanTreeNodes::HasVisibleNextSibling(PLeanNode Node) const {
    for (PLeanNode n = Node->NextSibling; n; n = n->NextSibling)
        if (n->States & vsVisible)
            return true;
    return false;
}

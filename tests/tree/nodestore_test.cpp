// The node store and node operations: totals, counts, indexes, visible counts, deletion,
// moves, expanding and the faults mended on the way.
#include "treetestutil.h"

namespace {

using enum TLeanTreeState;
using enum TLTMiscOption;

// A root with Count top-level nodes, each with Children children.
void Build(TTestTree& t, uint32_t count, uint32_t children) {
    t.SetRootNodeCount(count);
    for (PLeanNode n = t.GetFirstNoInit(); n; n = n->NextSibling)
        t.SetChildCount(n, children);
}

TEST(NodeStore, NodeLayoutIsSmallAndAligned) {
    EXPECT_EQ(sizeof(TLeanNode), 64u);
    TTestTree t;
    t.SetRootNodeCount(3);
    PLeanNode n = t.GetFirstNoInit();
    auto data = reinterpret_cast<uintptr_t>(t.GetNodeData(n));
    EXPECT_EQ(data, reinterpret_cast<uintptr_t>(n) + sizeof(TLeanNode));
    EXPECT_EQ(data % 8, 0u);
    EXPECT_EQ(t.GetNodeData(nullptr), nullptr);
    EXPECT_EQ(t.GetNodeData(t.RootNode()), nullptr);
    EXPECT_EQ(TreeFromNode(n), &t);
    EXPECT_EQ(TreeFromNode(t.RootNode()), &t);
}

TEST(NodeStore, PropertyDefaultsAndClamps) {
    TTestTree t;
    t.SetDefaultNodeHeight(0);
    EXPECT_EQ(t.DefaultNodeHeight(), 18u);
    t.SetNodeDataSize(-5);
    EXPECT_EQ(t.NodeDataSize(), -1);
    int asked = 0;
    t.OnGetNodeDataSize = [&](TBaseLeanTree*, int& size) {
        ++asked;
        size = 12;
    };
    t.SetRootNodeCount(2);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(t.NodeDataSize(), 12);
    EXPECT_TREE_VALID(t);
}

TEST(NodeStore, ChildCountsAndTotals) {
    TTestTree t;
    Build(t, 3, 4);
    EXPECT_EQ(t.TotalCount(), 15u);
    EXPECT_EQ(t.VisibleCount(), 3u); // children of collapsed nodes are not shown
    EXPECT_EQ(t.RangeY(), 3 * 18);
    PLeanNode first = t.GetFirstNoInit();
    EXPECT_TRUE(first->States & vsHasChildren);
    t.ToggleNode(first);
    EXPECT_EQ(t.VisibleCount(), 7u);
    EXPECT_EQ(t.RangeY(), 7 * 18);
    // Growing a collapsed node changes counts up to the root but no height.
    t.SetChildCount(first->NextSibling, 10);
    EXPECT_EQ(t.TotalCount(), 21u);
    EXPECT_EQ(t.RangeY(), 7 * 18);
    t.SetNodeHeight(first->FirstChild, 40);
    EXPECT_EQ(t.RangeY(), 6 * 18 + 40);
    t.SetChildCount(first, 0);
    EXPECT_FALSE(first->States & vsExpanded);
    EXPECT_EQ(t.VisibleCount(), 3u);
    EXPECT_TREE_VALID(t);
}

TEST(NodeStore, ClearResetsTheRootTotals) {
    TTestTree t;
    Build(t, 5, 3);
    t.FullExpand();
    t.Clear();
    EXPECT_EQ(t.RootNode()->TotalHeight, t.RootNode()->NodeHeight);
    EXPECT_EQ(t.RangeY(), 0);
    EXPECT_EQ(t.TotalCount(), 0u);
    EXPECT_TREE_VALID(t);
    t.SetRootNodeCount(2);
    EXPECT_EQ(t.RangeY(), 36);
    EXPECT_TREE_VALID(t);
}

TEST(NodeStore, IndexesCompareSigned) {
    TTestTree t;
    t.SetRootNodeCount(6);
    PLeanNode first = t.GetFirstNoInit(), last = t.RootNode()->LastChild;
    EXPECT_LT(t.CompareNodePositions(first, last), 0);
    EXPECT_GT(t.CompareNodePositions(last, first), 0);
    t.SetChildCount(first, 2);
    EXPECT_LT(t.CompareNodePositions(first, first->FirstChild), 0);
    EXPECT_GT(t.CompareNodePositions(last, first->LastChild), 0);
    EXPECT_EQ(t.AbsoluteIndex(last), 7u);
    EXPECT_EQ(t.GetNodeLevel(first->LastChild), 1u);
}

TEST(NodeStore, DeletingKeepsFocusAnchorAndCountsRight) {
    TTestTree t;
    Build(t, 4, 3);
    t.FullExpand();
    PLeanNode second = t.GetFirstNoInit()->NextSibling;
    int focusChanges = 0;
    t.SetFocusedNode(second->FirstChild);
    t.OnFocusChanged = [&](TBaseLeanTree*, PLeanNode n, TColumnIndex) {
        ++focusChanges;
        EXPECT_EQ(n, nullptr);
    };
    t.DeleteNode(second);
    EXPECT_EQ(t.FocusedNode(), nullptr);
    EXPECT_EQ(focusChanges, 1);
    EXPECT_EQ(t.VisibleCount(), 12u);
    EXPECT_EQ(t.GetFirstNoInit()->NextSibling->Index, 1u);
    EXPECT_TREE_VALID(t);
    // Deleting the only child collapses the parent and clears vsHasChildren.
    PLeanNode p = t.GetFirstNoInit();
    t.SetChildCount(p, 1);
    t.DeleteNode(p->FirstChild);
    EXPECT_FALSE(p->States & (vsExpanded | vsHasChildren));
    EXPECT_TREE_VALID(t);
}

TEST(NodeStore, DeleteSelectedNodesDeletesASubtreeOnce) {
    TTestTree t;
    t.TreeOptions().SetSelectionOptions({TLTSelectionOption::toMultiSelect});
    Build(t, 3, 3);
    PLeanNode p = t.GetFirstNoInit();
    t.SetSelected(p, true);
    t.SetSelected(p->FirstChild, true);
    t.SetSelected(p->NextSibling->LastChild, true);
    EXPECT_EQ(t.GetSortedSelection(true).size(), 2u);
    int freed = 0;
    t.OnInitNode = [](TBaseLeanTree*, PLeanNode, PLeanNode, TLeanNodeInitStates&) {};
    t.OnFreeNode = [&](TBaseLeanTree*, PLeanNode) { ++freed; };
    for (PLeanNode n : AllNodes(t))
        t.GetVisible(n); // initialise all: only initialised nodes report OnFreeNode
    t.DeleteSelectedNodes();
    EXPECT_EQ(freed, 5);
    EXPECT_EQ(t.SelectedCount(), 0u);
    EXPECT_EQ(t.TotalCount(), 7u);
    EXPECT_TREE_VALID(t);
}

TEST(NodeStore, UninitialisedNodesAreFreedSilently) {
    TTestTree t;
    int freed = 0;
    t.OnFreeNode = [&](TBaseLeanTree*, PLeanNode) { ++freed; };
    t.SetRootNodeCount(10);
    t.GetFirst(); // initialises one node
    t.Clear();
    EXPECT_EQ(freed, 1);
}

TEST(NodeStore, InitialStatesFromTheHost) {
    TTestTree t;
    t.TreeOptions().SetSelectionOptions({TLTSelectionOption::toMultiSelect});
    t.OnInitNode = [](TBaseLeanTree*, PLeanNode parent, PLeanNode, TLeanNodeInitStates& s) {
        if (!parent)
            s = {TLeanNodeInitState::ivsHasChildren, TLeanNodeInitState::ivsExpanded,
                 TLeanNodeInitState::ivsSelected};
    };
    t.OnInitChildren = [](TBaseLeanTree*, PLeanNode, uint32_t& count) { count = 2; };
    t.SetRootNodeCount(2);
    t.ReinitNode(nullptr, true);
    EXPECT_EQ(t.TotalCount(), 6u);
    EXPECT_EQ(t.VisibleCount(), 6u);
    EXPECT_EQ(t.SelectedCount(), 2u);
    EXPECT_TREE_VALID(t);
    // A toggle whose children come back as 0 stays collapsed without children.
    t.OnInitChildren = [](TBaseLeanTree*, PLeanNode, uint32_t& count) { count = 0; };
    PLeanNode first = t.GetFirstNoInit();
    t.ToggleNode(first);
    t.ResetNode(first);
    t.ToggleNode(first);
    EXPECT_FALSE(first->States & (vsExpanded | vsHasChildren));
    EXPECT_TREE_VALID(t);
}

TEST(NodeStore, MoveKeepsOrderAndRefusesCycles) {
    TTestTree t;
    Build(t, 3, 4);
    PLeanNode a = t.GetFirstNoInit(), b = a->NextSibling;
    for (PLeanNode c = a->FirstChild; c; c = c->NextSibling)
        t.Data(c) = int(c->Index);
    // Several nodes placed "after" one node keep their order.
    t.MoveTo(a, b, amInsertAfter, true);
    std::vector<int> order;
    for (PLeanNode n = b->NextSibling; n && n != t.RootNode()->LastChild; n = n->NextSibling)
        order.push_back(t.Data(n));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_TREE_VALID(t);
    EXPECT_THROW(t.MoveTo(b, b->FirstChild, amAddChildLast, false), ELeanTreeError);
    EXPECT_THROW(t.MoveTo(b, b, amAddChildLast, false), ELeanTreeError);
    t.MoveTo(b, b, amInsertBefore, false); // onto itself: nothing
    t.MoveTo(b->FirstChild, a, amAddChildFirst, false);
    EXPECT_EQ(a->ChildCount, 1u);
    EXPECT_TREE_VALID(t);
    // No target: the first top-level node, whatever the mode.
    PLeanNode last = t.RootNode()->LastChild;
    t.MoveTo(last, static_cast<PLeanNode>(nullptr), amAddChildLast, false);
    EXPECT_EQ(t.RootNode()->FirstChild, last);
    EXPECT_TREE_VALID(t);
    // No tree: this tree's root, where the mode says.
    t.MoveTo(last, static_cast<TBaseLeanTree*>(nullptr), amAddChildLast, false);
    EXPECT_EQ(t.RootNode()->LastChild, last);
    EXPECT_TREE_VALID(t);
    t.OnNodeMoving = [](TBaseLeanTree*, PLeanNode, PLeanNode, bool& allowed) { allowed = false; };
    t.MoveTo(b, a, amAddChildLast, false);
    EXPECT_EQ(a->ChildCount, 1u);
}

TEST(NodeStore, MoveIntoAnotherTreeUnderANode) {
    TTestTree from, to;
    Build(from, 2, 3);
    Build(to, 2, 2);
    to.FullExpand();
    PLeanNode src = from.GetFirstNoInit();
    from.FullExpand();
    from.TreeOptions().SetSelectionOptions({TLTSelectionOption::toMultiSelect});
    from.SetSelected(src->FirstChild, true);
    from.Data(src->LastChild) = 77;
    PLeanNode target = to.GetFirstNoInit()->FirstChild;
    int freed = 0;
    from.OnFreeNode = [&](TBaseLeanTree*, PLeanNode) { ++freed; };
    from.MoveTo(src, target, amAddChildLast, false);
    EXPECT_EQ(freed, 0); // moved, not freed: the host's bytes travel with the node
    EXPECT_EQ(from.TotalCount(), 4u);
    EXPECT_EQ(to.TotalCount(), 10u);
    PLeanNode moved = target->FirstChild;
    EXPECT_EQ(to.Data(moved->LastChild), 77);
    EXPECT_EQ(to.SelectedCount(), 0u);
    EXPECT_FALSE(moved->FirstChild->States & (vsSelected | vsChecking | vsDeleting));
    EXPECT_TREE_VALID(from);
    EXPECT_TREE_VALID(to);
}

TEST(NodeStore, InsertModesAndHiddenNodes) {
    TTestTree t;
    t.SetRootNodeCount(2);
    PLeanNode a = t.GetFirstNoInit();
    PLeanNode before = t.InsertNode(a, amInsertBefore);
    PLeanNode after = t.InsertNode(a, amInsertAfter);
    EXPECT_EQ(t.GetFirstNoInit(), before);
    EXPECT_EQ(a->NextSibling, after);
    EXPECT_TREE_VALID(t);
    t.ToggleNode(a); // no children: stays collapsed
    EXPECT_FALSE(a->States & vsExpanded);
    t.SetChildCount(a, 1);
    t.ToggleNode(a);
    int height = t.RangeY();
    PLeanNode hidden = t.AddHidden(a, amAddChildLast);
    EXPECT_EQ(t.RangeY(), height);
    EXPECT_FALSE(a->States & vsAllChildrenHidden);
    PLeanNode lone = t.AddHidden(after, amAddChildFirst);
    EXPECT_TRUE(after->States & vsAllChildrenHidden);
    EXPECT_TREE_VALID(t);
    t.DeleteNode(a->FirstChild);
    EXPECT_TRUE(a->States & vsAllChildrenHidden); // decided on what remains
    EXPECT_TREE_VALID(t);
    (void)hidden;
    (void)lone;
}

TEST(NodeStore, VisibleWalksFromHiddenNodes) {
    TTestTree t;
    Build(t, 3, 3);
    PLeanNode p = t.GetFirstNoInit()->NextSibling; // collapsed
    EXPECT_EQ(t.GetNextVisible(p->FirstChild), p->NextSibling);
    EXPECT_EQ(t.GetPreviousVisible(p->LastChild), p);
    t.ToggleNode(p);
    PLeanNode hidden = t.AddHidden(p->FirstChild, amInsertAfter);
    EXPECT_EQ(t.GetNextVisible(hidden), hidden->NextSibling);
    EXPECT_EQ(t.GetPreviousVisible(hidden), p->FirstChild);
    // A walk started anywhere ends.
    size_t steps = 0;
    for (PLeanNode n = hidden; n && steps < 100; n = t.GetNextVisible(n))
        ++steps;
    EXPECT_LT(steps, 100u);
    EXPECT_TREE_VALID(t);
}

TEST(NodeStore, UpdateBracketsAndNotices) {
    TTestTree t;
    std::vector<TLTUpdateState> states;
    t.OnUpdating = [&](TBaseLeanTree*, TLTUpdateState s) { states.push_back(s); };
    int structure = 0;
    t.OnStructureChange = [&](TBaseLeanTree*, PLeanNode, TChangeReason r) {
        ++structure;
        EXPECT_EQ(r, crAccumulated);
    };
    t.BeginUpdate();
    t.BeginUpdate();
    t.SetRootNodeCount(3);
    t.DeleteNode(t.GetFirstNoInit());
    t.EndUpdate();
    EXPECT_EQ(structure, 0);
    t.EndUpdate();
    EXPECT_EQ(structure, 1);
    ASSERT_GE(states.size(), 4u);
    EXPECT_EQ(states.front(), usBegin);
    EXPECT_EQ(states[1], usUpdate);
    EXPECT_EQ(states.back(), usEnd);
    EXPECT_TREE_VALID(t);
}

TEST(NodeStore, FullExpandAsksEveryClosedNode) {
    TTestTree t;
    Build(t, 3, 0);
    PLeanNode leaf = t.GetFirstNoInit();
    std::vector<PLeanNode> asked;
    // The host gives a node its children when it is about to open.
    t.OnExpanding = [&](TBaseLeanTree* tree, PLeanNode n, bool&) {
        asked.push_back(n);
        if (n == leaf)
            tree->SetChildCount(n, 2);
    };
    t.FullExpand();
    EXPECT_EQ(asked.size(), 5u); // the three leaves, then the two new children
    EXPECT_EQ(asked[1], leaf->FirstChild);
    EXPECT_TRUE(t.GetExpanded(leaf));
    EXPECT_EQ(t.VisibleCount(), 5u);
    EXPECT_TREE_VALID(t);
}

TEST(NodeStore, ReadOnlyRefusesChanges) {
    TTestTree t;
    t.SetRootNodeCount(3);
    t.TreeOptions().SetMiscOptions(t.TreeOptions().MiscOptions() | toReadOnly);
    t.DeleteNode(t.GetFirstNoInit());
    t.Clear();
    t.SetRootNodeCount(8);
    EXPECT_EQ(t.TotalCount(), 3u);
    // Nodes that cannot be made again keep the data size they were made with.
    t.SetNodeDataSize(64);
    EXPECT_EQ(t.NodeDataSize(), int(sizeof(int)));
    int checking = 0;
    t.OnChecking = [&](TBaseLeanTree*, PLeanNode, TCheckState&, bool&) { ++checking; };
    t.SetCheckType(t.GetFirstNoInit(), ctCheckBox);
    t.SetCheckState(t.GetFirstNoInit(), csCheckedNormal);
    EXPECT_EQ(checking, 0);
    EXPECT_EQ(t.GetFirstNoInit()->CheckState, csUncheckedNormal);
}

TEST(NodeStore, StateChangesReportOnlyRealChanges) {
    TTestTree t;
    int fired = 0;
    t.OnStateChange = [&](TBaseLeanTree*, TLeanTreeStates, TLeanTreeStates) { ++fired; };
    t.DoStateChange(tsHint);
    t.DoStateChange(tsHint, tsEditing);
    EXPECT_EQ(fired, 1);
    t.DoStateChange(tsEditing, tsEditing); // in both: ends cleared
    EXPECT_FALSE(t.TreeStates().Contains(tsEditing));
    // The hosts see the states as bits.
    EXPECT_EQ(TLeanTreeStates(tsEditing).Bits(), uint64_t(1) << 11);
    EXPECT_EQ(TLeanTreeStates(tsUseCache).Bits(), uint64_t(1) << 39);
    EXPECT_EQ(TLeanTreeStates(tsUserDragObject).Bits(), uint64_t(1) << 40);
    EXPECT_EQ(TLeanTreeStates(tsUseThemes).Bits(), uint64_t(1) << 41);
    EXPECT_EQ(TLeanTreeStates(tsWindowCreating).Bits(), uint64_t(1) << 48);
}

} // namespace

// Selection (ranges, constraints, clicks, rubber band, delayed notices) and the check-box
// rules with tri-state propagation.
#include <QTest>

#include "treetestutil.h"

namespace {

using enum TLTSelectionOption;
using enum TShiftStateMember;

class SelectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree.TreeOptions().SetSelectionOptions({toMultiSelect});
        tree.SetRootNodeCount(4);
        for (PLeanNode n = tree.GetFirstNoInit(); n; n = n->NextSibling)
            tree.SetChildCount(n, 3);
        tree.FullExpand();
        rows = ShownRows(tree);
    }
    std::vector<PLeanNode> Selected() { return tree.GetSortedSelection(false); }
    TTestTree tree;
    std::vector<PLeanNode> rows; // 16 rows: parent, 3 children, ...
};

TEST_F(SelectionTest, RangesSelectTheRowsBetween) {
    tree.SelectNodes(rows[6], rows[2], false);
    EXPECT_EQ(Selected(), std::vector<PLeanNode>(rows.begin() + 2, rows.begin() + 7));
    tree.UnselectNodes(rows[3], rows[4]);
    EXPECT_EQ(tree.SelectedCount(), 3u);
    tree.SelectNodes(rows[10], rows[11], true);
    EXPECT_EQ(tree.SelectedCount(), 5u);
    EXPECT_TREE_VALID(tree);
    int found;
    EXPECT_TRUE(tree.FindNodeInSelection(rows[10], found, -1, -1));
    EXPECT_FALSE(tree.FindNodeInSelection(rows[3], found, -1, -1));
    tree.ClearSelection();
    EXPECT_EQ(tree.SelectedCount(), 0u);
    tree.SelectAll(true);
    EXPECT_EQ(tree.SelectedCount(), 16u);
    EXPECT_TREE_VALID(tree);
}

TEST_F(SelectionTest, ToggleKeepsTheAnchorSelected) {
    tree.SetSelected(rows[5], true); // the anchor
    EXPECT_EQ(tree.RangeAnchor(), rows[5]);
    tree.ToggleSelection(rows[3], rows[8]);
    EXPECT_TRUE(tree.GetSelected(rows[5]));
    EXPECT_TRUE(tree.GetSelected(rows[3]));
    EXPECT_TRUE(tree.GetSelected(rows[8]));
    EXPECT_TREE_VALID(tree);
}

TEST_F(SelectionTest, Constraints) {
    tree.TreeOptions().SetSelectionOptions({toMultiSelect, toSiblingSelectConstraint});
    tree.SetSelected(rows[1], true);
    tree.SelectNodes(rows[1], rows[6], true);
    for (PLeanNode n : Selected())
        EXPECT_EQ(n->Parent, rows[0]);
    EXPECT_EQ(tree.SelectedCount(), 3u);
    tree.TreeOptions().SetSelectionOptions({toMultiSelect, toLevelSelectConstraint});
    EXPECT_EQ(tree.SelectedCount(), 0u); // switching a constraint on clears the selection
    tree.SelectNodes(rows[0], rows[9], false);
    for (PLeanNode n : Selected())
        EXPECT_EQ(tree.GetNodeLevel(n), 0u);
    tree.ClearSelection();
    tree.ResetRangeAnchor();
    tree.SetSelected(rows[2], true); // level 1 this time
    tree.AddToSelection(rows[4]);
    EXPECT_FALSE(tree.GetSelected(rows[4]));
    tree.AddToSelection(rows[6]);
    EXPECT_TRUE(tree.GetSelected(rows[6]));
    // Disabled nodes are never selected.
    tree.SetDisabled(rows[7], true);
    tree.AddToSelection(rows[7]);
    EXPECT_FALSE(tree.GetSelected(rows[7]));
    tree.TreeOptions().SetSelectionOptions({});
    EXPECT_EQ(tree.SelectedCount(), 0u);
    EXPECT_TREE_VALID(tree);
}

TEST_F(SelectionTest, ClicksWithShiftAndCtrl) {
    tree.HandleClickSelection(nullptr, rows[2], {}, false);
    EXPECT_EQ(Selected(), (std::vector<PLeanNode>{rows[2]}));
    tree.HandleClickSelection(rows[2], rows[5], {ssShift}, false);
    EXPECT_EQ(tree.SelectedCount(), 4u);
    tree.HandleClickSelection(rows[5], rows[3], {ssCtrl}, false);
    EXPECT_FALSE(tree.GetSelected(rows[3]));
    tree.HandleClickSelection(rows[3], rows[4], {ssCtrl}, true); // drag pending: later
    EXPECT_TRUE(tree.GetSelected(rows[4]));
    EXPECT_TRUE(tree.TreeStates().Contains(TLeanTreeState::tsToggleFocusedSelection));
    tree.HandleClickSelection(rows[4], rows[9], {ssCtrl, ssShift}, false);
    EXPECT_TRUE(tree.GetSelected(rows[9]));
    EXPECT_TRUE(tree.GetSelected(rows[2]));
    EXPECT_TREE_VALID(tree);
}

TEST_F(SelectionTest, RubberBand) {
    tree.LabelWidth = 40;
    // Top-level labels start at one indent plus the margin; children one indent further.
    int childLeft = 2 * int(tree.Indent()) + tree.Margin();
    QRect band(childLeft + 5, 18 + 2, 10, 2 * 18); // over rows 1 to 3
    EXPECT_TRUE(tree.HandleDrawSelection(band, QRect(), false));
    EXPECT_EQ(Selected(), (std::vector<PLeanNode>{rows[1], rows[2], rows[3]}));
    // Shrinking the band takes the rows it left out again.
    QRect smaller(childLeft + 5, 18 + 2, 10, 5);
    EXPECT_TRUE(tree.HandleDrawSelection(smaller, band, false));
    EXPECT_EQ(Selected(), (std::vector<PLeanNode>{rows[1]}));
    // A band left of the labels touches nothing.
    EXPECT_FALSE(tree.HandleDrawSelection(QRect(1, 0, 3, 200), QRect(), false));
    EXPECT_TREE_VALID(tree);
}

TEST_F(SelectionTest, FocusingANodeBringsItIntoView) {
    tree.resize(200, 100);
    tree.show();
    tree.SetChildCount(rows[15], 1);
    PLeanNode deep = tree.GetFirstChild(rows[15]);
    tree.FullCollapse();
    // Inside an update the focus only moves.
    tree.BeginUpdate();
    tree.SetFocusedNode(deep);
    tree.EndUpdate();
    EXPECT_FALSE(tree.GetFullyVisible(deep));
    // Outside one the collapsed parents open and the node is scrolled into view.
    tree.SetFocusedNode(deep);
    ASSERT_TRUE(tree.GetFullyVisible(deep));
    QRect r = tree.GetDisplayRect(deep, NoColumn, false);
    EXPECT_GE(r.top(), 0);
    EXPECT_LT(r.bottom(), tree.ClientHeight());
    // Centred with toCenterScrollIntoView.
    tree.FullCollapse();
    tree.TreeOptions().SetSelectionOptions({toMultiSelect, toCenterScrollIntoView});
    tree.SetFocusedNode(rows[6]);
    ASSERT_TRUE(tree.GetFullyVisible(rows[6]));
    EXPECT_EQ(tree.GetDisplayRect(rows[6], NoColumn, false).bottom() + 1, tree.ClientHeight() / 2);
}

TEST_F(SelectionTest, FocusIsNotCentredWhileAButtonIsDownNorScrolledSidewaysWhenDisabled) {
    tree.resize(200, 100);
    tree.show();
    tree.TreeOptions().SetSelectionOptions({toMultiSelect, toCenterScrollIntoView});
    tree.DoStateChange(TLeanTreeState::tsLeftButtonDown);
    tree.SetFocusedNode(rows[12]); // brought in from below, to the bottom edge
    EXPECT_EQ(tree.GetDisplayRect(rows[12], NoColumn, false).bottom() + 1, tree.ClientHeight());
    tree.DoStateChange({}, TLeanTreeState::tsLeftButtonDown);
    // A label wider than the client sticks out and is centred, but not with the option.
    tree.LabelWidth = 1000;
    tree.UpdateScrollBars(true);
    tree.SetOffsetX(-300);
    ASSERT_EQ(tree.OffsetX(), -300);
    tree.TreeOptions().SetAutoOptions(tree.TreeOptions().AutoOptions() |
                                      TLTAutoOption::toDisableAutoscrollOnFocus);
    tree.SetFocusedNode(rows[13]);
    EXPECT_EQ(tree.OffsetX(), -300);
    tree.TreeOptions().SetAutoOptions(tree.TreeOptions().AutoOptions() -
                                      TLTAutoOption::toDisableAutoscrollOnFocus);
    tree.SetFocusedNode(rows[14]);
    EXPECT_NE(tree.OffsetX(), -300);
}

TEST_F(SelectionTest, DelayedChangeFiresOnceWithTheLastNode) {
    std::vector<PLeanNode> changes;
    tree.OnChange = [&](TBaseLeanTree*, PLeanNode n) { changes.push_back(n); };
    tree.ChangeDelay = 30;
    tree.SetSelected(rows[1], true);
    tree.SetSelected(rows[2], true);
    EXPECT_TRUE(changes.empty());
    QTest::qWait(100);
    EXPECT_EQ(changes, (std::vector<PLeanNode>{rows[2]}));
    tree.ClearSelection();
    QTest::qWait(60);
    changes.clear();
    tree.ClearSelection(); // empty: nothing
    QTest::qWait(60);
    EXPECT_TRUE(changes.empty());
}

class CheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree.SetRootNodeCount(1);
        root = tree.GetFirstNoInit();
        tree.SetChildCount(root, 3);
        for (PLeanNode c = root->FirstChild; c; c = c->NextSibling)
            tree.SetChildCount(c, 2);
        for (PLeanNode n : AllNodes(tree))
            tree.SetCheckType(n, ctTriStateCheckBox);
    }
    TTestTree tree;
    PLeanNode root = nullptr;
};

TEST_F(CheckTest, CheckingAParentChecksItsSubtree) {
    tree.SetCheckState(root, csCheckedNormal);
    for (PLeanNode n : AllNodes(tree))
        EXPECT_EQ(n->CheckState, csCheckedNormal);
    tree.SetCheckState(root->FirstChild->FirstChild, csUncheckedNormal);
    EXPECT_EQ(root->FirstChild->CheckState, csMixedNormal);
    EXPECT_EQ(root->CheckState, csMixedNormal);
    tree.SetCheckState(root->FirstChild->FirstChild, csCheckedNormal);
    EXPECT_EQ(root->CheckState, csCheckedNormal);
    EXPECT_FALSE(tree.TreeStates().Contains(TLeanTreeState::tsCheckPropagation));
}

TEST_F(CheckTest, OneUncheckedChildAmongCheckedOnesMakesItsParentMixed) {
    // Wherever the unchecked child stands among its checked siblings.
    for (int unchecked = 0; unchecked < 4; ++unchecked) {
        SCOPED_TRACE(unchecked);
        PLeanNode parent = root->FirstChild;
        tree.SetChildCount(parent, 4);
        for (PLeanNode c = parent->FirstChild; c; c = c->NextSibling) {
            tree.SetCheckType(c, ctTriStateCheckBox);
            tree.SetCheckState(c, csUncheckedNormal);
        }
        for (PLeanNode c = parent->FirstChild; c; c = c->NextSibling)
            if (int(c->Index) != unchecked)
                tree.SetCheckState(c, csCheckedNormal);
        EXPECT_EQ(parent->CheckState, csMixedNormal);
        EXPECT_EQ(root->CheckState, csMixedNormal);
    }
}

TEST_F(CheckTest, DisabledAndPlainNodesStopPropagation) {
    PLeanNode mid = root->FirstChild;
    tree.SetDisabled(root, true);
    tree.SetCheckState(mid->FirstChild, csCheckedNormal);
    EXPECT_EQ(mid->CheckState, csMixedNormal);
    EXPECT_EQ(root->CheckState, csUncheckedNormal); // disabled: never changes
    tree.SetDisabled(root, false);
    tree.SetCheckType(mid, ctCheckBox); // not tri-state: propagation stops here
    tree.SetCheckState(mid->LastChild, csCheckedNormal);
    EXPECT_EQ(mid->CheckState, csMixedNormal);
    EXPECT_EQ(root->CheckState, csUncheckedNormal);
    EXPECT_FALSE(tree.DoCheckClick(nullptr, csCheckedNormal));
}

TEST_F(CheckTest, RadioButtonsAndTheHostsVeto) {
    PLeanNode a = root->FirstChild, b = a->NextSibling, c = b->NextSibling;
    tree.SetCheckType(a, ctRadioButton);
    tree.SetCheckType(b, ctRadioButton);
    tree.SetCheckState(c, csCheckedNormal);
    tree.SetCheckState(a, csCheckedNormal);
    tree.SetCheckState(b, csCheckedNormal);
    EXPECT_EQ(a->CheckState, csUncheckedNormal);
    EXPECT_EQ(c->CheckState, csCheckedNormal); // a check box, not a radio sibling
    tree.OnChecking = [](TBaseLeanTree*, PLeanNode, TCheckState&, bool& allowed) {
        allowed = false;
    };
    tree.SetCheckState(b, csUncheckedNormal);
    EXPECT_EQ(b->CheckState, csCheckedNormal);
    EXPECT_EQ(TBaseLeanTree::DetermineNextCheckState(ctCheckBox, csCheckedNormal),
              csUncheckedNormal);
    EXPECT_EQ(TBaseLeanTree::DetermineNextCheckState(ctTriStateCheckBox, csMixedNormal),
              csCheckedNormal);
    EXPECT_EQ(TBaseLeanTree::DetermineNextCheckState(ctRadioButton, csUncheckedNormal),
              csCheckedNormal);
}

} // namespace

// The keyboard: focus moves with the selection, Shift ranges, Ctrl scrolls, the expand and
// collapse keys, Space checking on release, select all and the context menu.
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>
#include <QWindow>

#include "controls/tree/treecolumns.h"
#include "controls/tree/treeheader.h"
#include "treetestutil.h"

namespace {

using enum TLTSelectionOption;
using enum TLTMiscOption;

class KeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree.LabelWidth = 40;
        tree.resize(200, 120);
        tree.SetRootNodeCount(20);
        PLeanNode first = tree.GetFirst();
        tree.SetChildCount(first, 2);
        tree.SetChildCount(tree.GetFirstChild(first), 2);
        tree.show();
        QApplication::setActiveWindow(&tree);
        tree.setFocus();
        QTest::qWait(1);
    }
    void Key(int key, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(&tree, Qt::Key(key), m);
    }
    PLeanNode Top(int i) {
        PLeanNode n = tree.GetFirst();
        while (i-- > 0)
            n = tree.GetNextSibling(n);
        return n;
    }
    TTestTree tree;
};

TEST_F(KeysTest, ArrowsMoveFocusAndSelectionTogether) {
    Key(Qt::Key_Down); // nothing focused: the first visible node
    EXPECT_EQ(tree.FocusedNode(), Top(0));
    Key(Qt::Key_Down); // the first node is collapsed: the next top-level node
    EXPECT_EQ(tree.FocusedNode(), Top(1));
    EXPECT_TRUE(tree.GetSelected(Top(1)));
    EXPECT_FALSE(tree.GetSelected(Top(0)));
    EXPECT_EQ(tree.SelectedCount(), 1u);
    Key(Qt::Key_Up);
    Key(Qt::Key_Up); // nothing above: stays
    EXPECT_EQ(tree.FocusedNode(), Top(0));
    Key(Qt::Key_End);
    EXPECT_EQ(tree.FocusedNode(), Top(19));
    EXPECT_LT(tree.OffsetY(), 0); // scrolled into view
    Key(Qt::Key_Home);
    EXPECT_EQ(tree.FocusedNode(), Top(0));
    EXPECT_EQ(tree.OffsetY(), 0);
    Key(Qt::Key_PageDown); // as many rows as fit (120 / 18 = 6)
    EXPECT_EQ(tree.FocusedNode(), Top(tree.ClientHeight() / 18));
    EXPECT_EQ(tree.SelectedCount(), 1u);
}

TEST_F(KeysTest, ShiftExtendsAndShrinksTheRangeWithMultiSelect) {
    tree.TreeOptions().SetSelectionOptions(tree.TreeOptions().SelectionOptions() | toMultiSelect);
    Key(Qt::Key_Down);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(tree.SelectedCount(), 3u);
    EXPECT_TRUE(tree.GetSelected(Top(0)) && tree.GetSelected(Top(1)) && tree.GetSelected(Top(2)));
    Key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(tree.FocusedNode(), Top(1));
    EXPECT_EQ(tree.SelectedCount(), 2u);
    EXPECT_FALSE(tree.GetSelected(Top(2)));
    Key(Qt::Key_Down); // no modifier: a single selection again
    EXPECT_EQ(tree.SelectedCount(), 1u);
    Key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(tree.SelectedCount(), 20u); // the visible nodes
    EXPECT_TREE_VALID(tree);
}

TEST_F(KeysTest, LeftAndRightOpenCloseAndWalkTheLevels) {
    tree.SetFocusedNode(Top(0));
    Key(Qt::Key_Right); // expands
    EXPECT_TRUE(tree.GetExpanded(Top(0)));
    EXPECT_EQ(tree.FocusedNode(), Top(0));
    Key(Qt::Key_Right); // to the first child
    PLeanNode child = tree.GetFirstChild(Top(0));
    EXPECT_EQ(tree.FocusedNode(), child);
    Key(Qt::Key_Left); // back to the parent (the child is collapsed)
    EXPECT_EQ(tree.FocusedNode(), Top(0));
    Key(Qt::Key_Left); // collapses
    EXPECT_FALSE(tree.GetExpanded(Top(0)));
    Key(Qt::Key_Asterisk); // the whole subtree
    EXPECT_TRUE(tree.GetExpanded(Top(0)) && tree.GetExpanded(child));
    Key(Qt::Key_Slash);
    EXPECT_FALSE(tree.GetExpanded(Top(0)) || tree.GetExpanded(child));
    Key(Qt::Key_Plus);
    EXPECT_TRUE(tree.GetExpanded(Top(0)));
    Key(Qt::Key_Minus);
    EXPECT_FALSE(tree.GetExpanded(Top(0)));
    Key(Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(tree.GetExpanded(child));
    tree.SetFocusedNode(child);
    Key(Qt::Key_Backspace); // to the parent
    EXPECT_EQ(tree.FocusedNode(), Top(0));
}

TEST_F(KeysTest, HomeAndEndFocusTheOuterColumnsTheHostAllows) {
    auto& columns = tree.Header().Columns();
    for (int i = 0; i < 4; ++i)
        columns.Add().SetWidth(40);
    columns.Items(3).SetOptions(columns.Items(3).Options() - TLTColumnOption::coVisible);
    tree.Header().SetOptions(tree.Header().Options() | TLTHeaderOption::hoVisible);
    tree.SetFocusedNode(Top(2));
    // The outermost visible columns are refused: the next ones inward take the focus.
    tree.OnFocusChanging = [](TBaseLeanTree*, PLeanNode, PLeanNode, TColumnIndex,
                              TColumnIndex column,
                              bool& allowed) { allowed = column != 0 && column != 2; };
    Key(Qt::Key_End);
    EXPECT_EQ(tree.FocusedNode(), Top(19));
    EXPECT_EQ(tree.FocusedColumn(), 1);
    tree.OnFocusChanging = [](TBaseLeanTree*, PLeanNode, PLeanNode, TColumnIndex,
                              TColumnIndex column, bool& allowed) { allowed = column != 1; };
    Key(Qt::Key_Home);
    EXPECT_EQ(tree.FocusedNode(), Top(0));
    EXPECT_EQ(tree.FocusedColumn(), 0);
    columns.Items(1).SetPosition(0); // display order 1, 0, 2
    Key(Qt::Key_End);
    EXPECT_EQ(tree.FocusedColumn(), 2);
    Key(Qt::Key_Home);
    EXPECT_EQ(tree.FocusedColumn(), 0); // 1 comes first but is refused
}

TEST_F(KeysTest, CtrlScrollsWithoutMovingTheFocus) {
    tree.SetFocusedNode(Top(3));
    Key(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(tree.OffsetY(), -18);
    EXPECT_EQ(tree.FocusedNode(), Top(3));
    Key(Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(tree.OffsetY(), 0);
}

TEST_F(KeysTest, SpaceChecksWhenTheKeyGoesUp) {
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() | toCheckSupport);
    PLeanNode n = Top(1);
    tree.SetCheckType(n, ctCheckBox);
    tree.SetFocusedNode(n);
    QTest::keyPress(&tree, Qt::Key_Space);
    EXPECT_EQ(tree.GetCheckState(n), csUncheckedPressed);
    QTest::keyRelease(&tree, Qt::Key_Space);
    EXPECT_EQ(tree.GetCheckState(n), csCheckedNormal);
    // Another key while Space is down gives the check up.
    QTest::keyPress(&tree, Qt::Key_Space);
    EXPECT_EQ(tree.GetCheckState(n), csCheckedPressed);
    QTest::keyPress(&tree, Qt::Key_Down);
    EXPECT_EQ(tree.GetCheckState(n), csCheckedNormal);
    QTest::keyRelease(&tree, Qt::Key_Space);
    EXPECT_EQ(tree.GetCheckState(n), csCheckedNormal);
    QTest::keyRelease(&tree, Qt::Key_Down);
}

TEST_F(KeysTest, TheContextMenuIsAskedForTheNodeUnderTheMouse) {
    PLeanNode asked = nullptr;
    int calls = 0;
    QMenu menu;
    tree.OnGetPopupMenu = [&](TBaseLeanTree*, PLeanNode n, TColumnIndex, const QPoint&, bool&,
                              QMenu*& m) {
        asked = n;
        ++calls;
        m = &menu;
    };
    QPoint p(20, 18 + 5);
    QContextMenuEvent ev(QContextMenuEvent::Mouse, p, tree.viewport()->mapToGlobal(p));
    QApplication::sendEvent(tree.viewport(), &ev);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(asked, Top(1));
    menu.close();
    EXPECT_FALSE(tree.TreeStates().Contains(TLeanTreeState::tsPopupMenuShown));
    QApplication::sendEvent(tree.viewport(), &ev); // a closed menu opens again
    EXPECT_EQ(calls, 2);
    menu.close();
    tree.SetFocusedNode(Top(2));
    Key(Qt::Key_Menu);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(asked, Top(2));
    menu.close();
    // Whether a menu would show: the host's, else the tree's own.
    EXPECT_TRUE(tree.HasPopupMenu(Top(1), NoColumn, p));
    tree.OnGetPopupMenu = nullptr;
    EXPECT_FALSE(tree.HasPopupMenu(Top(1), NoColumn, p));
    QMenu own;
    tree.PopupMenu = &own;
    EXPECT_TRUE(tree.HasPopupMenu(Top(1), NoColumn, p));
    Key(Qt::Key_Menu);
    EXPECT_TRUE(own.isVisible());
    own.close();
    EXPECT_FALSE(tree.TreeStates().Contains(TLeanTreeState::tsPopupMenuShown));
}

TEST_F(KeysTest, EveryRightClickGivesAMenu) {
    QMenu menu;
    QAction* open = menu.addAction("Open");
    int shown = 0;
    QObject::connect(&menu, &QMenu::aboutToShow, [&] { ++shown; });
    tree.OnGetPopupMenu = [&](TBaseLeanTree*, PLeanNode, TColumnIndex, const QPoint&, bool&,
                              QMenu*& m) { m = &menu; };
    // Clicks as the window system delivers them: the menu comes with the press and takes the
    // release.
    QWindow* window = tree.windowHandle();
    QPoint at = tree.viewport()->mapTo(&tree, QPoint(20, 18 + 5));
    auto rightClick = [&] {
        QTest::mouseClick(window, Qt::RightButton, {}, at);
        QCoreApplication::processEvents();
    };
    rightClick();
    ASSERT_TRUE(menu.isVisible());
    QTest::keyClick(&menu, Qt::Key_Escape);
    ASSERT_FALSE(menu.isVisible());
    rightClick();
    EXPECT_EQ(shown, 2);
    ASSERT_TRUE(menu.isVisible());
    QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.actionGeometry(open).center());
    ASSERT_FALSE(menu.isVisible());
    rightClick();
    EXPECT_EQ(shown, 3);
    // A press outside an open menu only closes it (as popups do); the next one opens it.
    rightClick();
    EXPECT_FALSE(menu.isVisible());
    rightClick();
    EXPECT_EQ(shown, 4);
    EXPECT_TRUE(menu.isVisible());
    menu.close();
}

TEST_F(KeysTest, WantTabsKeepsTabInTheTree) {
    QWidget other;
    EXPECT_TRUE(tree.hasFocus());
    tree.WantTabs = true;
    Key(Qt::Key_Tab);
    EXPECT_TRUE(tree.hasFocus());
}

} // namespace

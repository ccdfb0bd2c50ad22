// Scrolling: the scroll bar codes, keys and the wheel, auto-scroll at the edges with the timer
// driven by hand, and wheel panning with its cursor images.
#include <QApplication>
#include <QCursor>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include "controls/tree/treecolumns.h"
#include "controls/tree/treeheader.h"
#include "controls/tree/treehint.h"
#include "treetestutil.h"

namespace {

using enum TLeanTreeState;
using enum TLTAutoOption;

class ScrollTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree.resize(300, 200);
        tree.SetRootNodeCount(1000); // 18,000 pixels high
        tree.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
        tree.UpdateScrollBars(true);
        ch = tree.ClientHeight();
    }
    void Wheel(int delta, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QPoint p(50, 50);
        QWheelEvent e(p, tree.viewport()->mapToGlobal(p), QPoint(), QPoint(0, delta), Qt::NoButton,
                      mods, Qt::NoScrollPhase, false);
        QApplication::sendEvent(tree.viewport(), &e);
    }
    TTestTree tree;
    int ch = 0;
};

TEST_F(ScrollTest, ScrollCodesMoveTheOffset) {
    tree.HandleScrollCode(Qt::Vertical, scLineDown);
    EXPECT_EQ(tree.OffsetY(), -20);
    tree.HandleScrollCode(Qt::Vertical, scPageDown);
    EXPECT_EQ(tree.OffsetY(), -20 - ch);
    tree.HandleScrollCode(Qt::Vertical, scLineUp);
    tree.HandleScrollCode(Qt::Vertical, scPageUp);
    EXPECT_EQ(tree.OffsetY(), 0);
    tree.HandleScrollCode(Qt::Vertical, scLineUp); // clamped at the top
    EXPECT_EQ(tree.OffsetY(), 0);
    tree.HandleScrollCode(Qt::Vertical, scBottom);
    EXPECT_EQ(tree.OffsetY(), ch - 18000);
    tree.HandleScrollCode(Qt::Vertical, scThumbTrack, 500);
    EXPECT_EQ(tree.OffsetY(), -500);
    EXPECT_TRUE(tree.TreeStates().Contains(tsThumbTracking));
    tree.HandleScrollCode(Qt::Vertical, scEndScroll);
    EXPECT_FALSE(tree.TreeStates().Contains(tsThumbTracking));
    tree.HandleScrollCode(Qt::Vertical, scTop);
    EXPECT_EQ(tree.OffsetY(), 0);
    EXPECT_EQ(tree.verticalScrollBar()->value(), 0);
}

TEST_F(ScrollTest, BarActionsAndKeysGoThroughTheCodes) {
    tree.ScrollBarOptions().VerticalIncrement = 7;
    tree.UpdateScrollBars(true);
    tree.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(tree.OffsetY(), -7);
    tree.verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(tree.OffsetY(), ch - 18000);
    EXPECT_EQ(tree.verticalScrollBar()->value(), 18000 - ch);
    tree.verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(tree.OffsetY(), 0);

    tree.setFocus();
    // With Ctrl the keys scroll the view (pages, default rows) and leave the focus alone.
    QTest::keyClick(&tree, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(tree.OffsetY(), -ch);
    QTest::keyClick(&tree, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(tree.OffsetY(), -ch - 18);
    QTest::keyClick(&tree, Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(tree.OffsetY(), -18);
    EXPECT_EQ(tree.FocusedNode(), nullptr);
}

TEST_F(ScrollTest, WheelScrollsLinesPagesOrSideways) {
    int lines = QApplication::wheelScrollLines();
    Wheel(-120);
    EXPECT_EQ(tree.OffsetY(), -lines * 18);
    Wheel(120);
    EXPECT_EQ(tree.OffsetY(), 0);
    Wheel(-120, Qt::ShiftModifier); // a page of whole rows
    EXPECT_EQ(tree.OffsetY(), -(ch / 18) * 18);
    // Parts of a notch (fine wheels, touch pads) add up to what a notch does.
    tree.SetOffsetY(0);
    for (int i = 0; i < 4; ++i)
        Wheel(-30);
    EXPECT_EQ(tree.OffsetY(), -lines * 18);

    // Content no higher than the client: the wheel scrolls sideways by the indent.
    tree.SetRootNodeCount(2);
    tree.LabelWidth = 2000;
    tree.UpdateScrollBars(true);
    ASSERT_GT(tree.RangeX(), tree.ClientWidth());
    Wheel(-240);
    EXPECT_EQ(tree.OffsetY(), 0);
    EXPECT_EQ(tree.OffsetX(), -2 * int(tree.Indent()));
}

TEST_F(ScrollTest, AutoScrollWaitsForTheDelayAndStepsOnTheTimer) {
    tree.DoStateChange(tsDrawSelecting); // a rubber band is being drawn
    int x = 100, bottom = ch - 3;
    // Without toAutoScroll nothing happens.
    tree.DoAutoScroll(x, bottom, 1000);
    EXPECT_FALSE(tree.ScrollTimerActive());
    tree.TreeOptions().SetAutoOptions(tree.TreeOptions().AutoOptions() | toAutoScroll);

    // At the top there is nothing to scroll up to.
    tree.DoAutoScroll(x, 2, 1000);
    EXPECT_EQ(tree.ScrollDirections(), 0);
    EXPECT_FALSE(tree.ScrollTimerActive());

    tree.DoAutoScroll(x, bottom, 1000);
    EXPECT_EQ(tree.ScrollDirections(), sdDown);
    EXPECT_TRUE(tree.TreeStates().Contains(tsScrollPending));
    EXPECT_TRUE(tree.ScrollTimerActive());
    EXPECT_EQ(tree.ScrollTimerInterval(), 1000); // not before the delay
    EXPECT_EQ(tree.OffsetY(), 0);

    tree.ScrollTimerTick(QPoint(x, bottom)); // the delay has passed
    EXPECT_TRUE(tree.TreeStates().Contains(tsScrolling));
    EXPECT_FALSE(tree.TreeStates().Contains(tsScrollPending));
    EXPECT_EQ(tree.ScrollTimerInterval(), 10); // AutoScrollInterval 1, as fast as system timers
    EXPECT_EQ(tree.OffsetY(), -20);
    // Below the client area the step grows with the distance.
    tree.ScrollTimerTick(QPoint(x, ch - 1 + 3));
    EXPECT_EQ(tree.OffsetY(), -20 - 60);

    // Leaving the edge zone stops it.
    tree.DoAutoScroll(x, ch / 2, 3000);
    EXPECT_FALSE(tree.ScrollTimerActive());
    EXPECT_FALSE(tree.TreeStates().Intersects({tsScrolling, tsScrollPending}));

    // Back into the top zone after part of the delay: the timer waits only the rest.
    tree.DoAutoScroll(x, 2, 5000);
    tree.DoAutoScroll(x, ch / 2, 5100); // out again, the time is forgotten
    tree.DoAutoScroll(x, 2, 6000);
    EXPECT_EQ(tree.ScrollTimerInterval(), 1000);
    tree.ScrollTimerTick(QPoint(x, 2));
    tree.ScrollTimerTick(QPoint(x, 2));
    tree.ScrollTimerTick(QPoint(x, 2));
    tree.ScrollTimerTick(QPoint(x, 2));
    EXPECT_EQ(tree.OffsetY(), 0);
    EXPECT_EQ(tree.ScrollDirections(), 0); // the top ended the upward direction
}

TEST_F(ScrollTest, ARubberBandAtTheEdgeScrollsAndGrowsWithTheContent) {
    tree.TreeOptions().SetAutoOptions(tree.TreeOptions().AutoOptions() | toAutoScroll);
    tree.TreeOptions().SetSelectionOptions({TLTSelectionOption::toMultiSelect});
    tree.LabelWidth = 40;
    auto move = [&](QPoint p) {
        QMouseEvent e(QEvent::MouseMove, QPointF(p), tree.viewport()->mapToGlobal(QPointF(p)),
                      Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(tree.viewport(), &e);
    };
    QTest::mousePress(tree.viewport(), Qt::LeftButton, {}, QPoint(9, 18 + 9)); // indentation
    move(QPoint(40, 60));
    ASSERT_TRUE(tree.TreeStates().Contains(tsDrawSelecting));
    QPoint edge(40, ch - 3);
    move(edge);
    EXPECT_TRUE(tree.ScrollTimerActive());
    tree.ScrollTimerTick(edge);
    tree.ScrollTimerTick(edge);
    EXPECT_EQ(tree.OffsetY(), -40);
    EXPECT_EQ(tree.SelectionRect().bottom(), ch - 3 + 40);
    int top;
    EXPECT_TRUE(tree.GetSelected(tree.GetNodeAt(0, ch - 3 + 40, false, top)));
    QTest::mouseRelease(tree.viewport(), Qt::LeftButton, {}, edge);
    EXPECT_FALSE(tree.ScrollTimerActive());
    EXPECT_EQ(tree.ScrollDirections(), 0);
}

TEST_F(ScrollTest, WheelPanningScrollsByTheDistanceFromTheStart) {
    QPoint start(100, 100);
    QTest::mousePress(tree.viewport(), Qt::MiddleButton, {}, start);
    ASSERT_TRUE(tree.TreeStates().Contains(tsWheelPanning));
    ASSERT_NE(tree.PanningWindow(), nullptr);
    EXPECT_TRUE(tree.PanningWindow()->isVisible());
    EXPECT_EQ(tree.PanningCursor(), piMoveNS); // only vertical scrolling is possible
    QTest::mouseRelease(tree.viewport(), Qt::MiddleButton, {}, start);
    EXPECT_TRUE(tree.TreeStates().Contains(tsWheelPanning)); // a click keeps panning

    tree.AdjustPanningCursor(100, 130);
    EXPECT_EQ(tree.PanningCursor(), piMoveS);
    tree.AdjustPanningCursor(160, 130); // no horizontal range: still south
    EXPECT_EQ(tree.PanningCursor(), piMoveS);
    tree.AdjustPanningCursor(104, 95); // inside the dead zone
    EXPECT_EQ(tree.PanningCursor(), piMoveNS);

    tree.ScrollTimerTick(QPoint(100, 130));
    EXPECT_EQ(tree.OffsetY(), -(30 - 8));
    tree.ScrollTimerTick(QPoint(100, 105)); // dead zone: no step
    EXPECT_EQ(tree.OffsetY(), -(30 - 8));

    QTest::mousePress(tree.viewport(), Qt::LeftButton, {}, start); // any click ends it
    EXPECT_FALSE(tree.TreeStates().Intersects({tsWheelPanning, tsWheelScrolling}));
    EXPECT_EQ(tree.PanningWindow(), nullptr);
    EXPECT_FALSE(tree.ScrollTimerActive());
}

TEST(PanningImages, AreRoundWithArrows) {
    for (int k = piMoveAll; k <= piMoveSW; ++k) {
        QImage img = PanningImage(TLTPanningImage(k));
        ASSERT_EQ(img.size(), QSize(32, 32));
        EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0);     // outside the plate
        EXPECT_EQ(qAlpha(img.pixel(16, 16)), 255); // the centre dot
    }
    EXPECT_NE(PanningImage(piMoveN), PanningImage(piMoveS));
}

TEST_F(ScrollTest, TopNodeExpandsItsParents) {
    PLeanNode n = tree.GetFirstNoInit()->NextSibling->NextSibling;
    tree.SetChildCount(n, 3);
    PLeanNode child = n->LastChild;
    tree.SetTopNode(child);
    EXPECT_TRUE(tree.GetExpanded(n));
    EXPECT_EQ(tree.TopNode(), child);
    EXPECT_EQ(tree.OffsetY(), -18 * 5); // rows: 3 parents, then the children
}

TEST_F(ScrollTest, ExpandingShowsTheOpenedSubtree) {
    auto nth = [&](int i) {
        PLeanNode n = tree.GetFirstNoInit();
        while (i--)
            n = n->NextSibling;
        return n;
    };
    // A short subtree near the bottom is shown down to its last child.
    int rows = ch / 18;
    PLeanNode low = nth(rows - 1);
    tree.SetChildCount(low, 3);
    tree.ToggleNode(low);
    EXPECT_EQ(tree.GetDisplayRect(low->LastChild, NoColumn, false).bottom() + 1, ch);
    // A subtree taller than the client area starts at the top instead.
    PLeanNode tall = nth(20);
    tree.SetChildCount(tall, 50);
    tree.ToggleNode(tall);
    EXPECT_EQ(tree.TopNode(), tall);
    // A node inside a collapsed parent opens without showing itself.
    PLeanNode parent = nth(40);
    tree.SetChildCount(parent, 1);
    tree.SetChildCount(parent->FirstChild, 50);
    int y = tree.OffsetY();
    tree.ToggleNode(parent->FirstChild);
    EXPECT_TRUE(tree.GetExpanded(parent->FirstChild));
    EXPECT_FALSE(tree.GetExpanded(parent));
    EXPECT_EQ(tree.OffsetY(), y);
}

TEST_F(ScrollTest, AScrollCancelsTheHintAndFollowsTheRowsNowOnScreen) {
    tree.Hint = "Hint";
    tree.HintAnimation = hatNone;
    ASSERT_TRUE(tree.ShowHintAt(QPoint(50, 50)));
    tree.SetOffsetY(-18 * 10);
    EXPECT_FALSE(tree.HintWindow()->isVisible());
    EXPECT_FALSE(tree.TreeStates().Contains(tsHint));
    // The row under a resting mouse becomes the hot node.
    tree.LabelWidth = 250;
    QCursor::setPos(tree.viewport()->mapToGlobal(QPoint(30, 9)));
    tree.SetOffsetY(-18 * 20);
    EXPECT_EQ(tree.HotNode(), tree.GetNodeAt(30, 9));
    // Without columns the horizontal range is that of the rows on screen: deeper rows further
    // down can be scrolled to.
    int top;
    PLeanNode deep = tree.GetNodeAt(0, 18 * 500, false, top);
    PLeanNode n = deep;
    for (int level = 0; level < 3; ++level, n = n->FirstChild)
        tree.SetChildCount(n, 1);
    tree.FullExpand(deep);
    tree.SetOffsetY(0);
    tree.SetOffsetX(-40);
    EXPECT_EQ(tree.OffsetX(), 0); // the top rows fit
    tree.SetOffsetY(-18 * 500);
    tree.SetOffsetX(-40);
    EXPECT_EQ(tree.OffsetX(), -40);
    tree.SetOffsetY(0); // narrow rows again: back to the left edge
    EXPECT_EQ(tree.OffsetX(), 0);
}

TEST_F(ScrollTest, ScrollIntoViewScrollsInsideAnUpdate) {
    // Nodes added inside the bracket are reached before the bars know of them.
    tree.BeginUpdate();
    tree.SetRootNodeCount(2000);
    PLeanNode last = tree.GetLastNoInit();
    EXPECT_TRUE(tree.ScrollIntoView(last, false));
    EXPECT_EQ(tree.OffsetY(), ch - 2000 * 18);
    tree.EndUpdate();
    EXPECT_EQ(tree.GetDisplayRect(last, NoColumn, false).bottom() + 1, ch);
    EXPECT_EQ(tree.verticalScrollBar()->value(), -tree.OffsetY());
}

TEST_F(ScrollTest, ScrollIntoViewOpensParentsAndCentres) {
    // Opening a node would scroll by itself otherwise.
    tree.TreeOptions().SetAutoOptions(tree.TreeOptions().AutoOptions() - toAutoScrollOnExpand);
    std::vector<std::pair<int, bool>> bars;
    tree.OnShowScrollbar = [&](TBaseLeanTree*, int bar, bool show) { bars.push_back({bar, show}); };
    PLeanNode parent = tree.GetFirstNoInit();
    for (int i = 0; i < 500; ++i)
        parent = parent->NextSibling;
    tree.SetChildCount(parent, 4);
    PLeanNode inner = parent->FirstChild;
    tree.SetChildCount(inner, 2);
    PLeanNode deep = inner->LastChild;
    ASSERT_FALSE(tree.GetFullyVisible(deep));
    EXPECT_TRUE(tree.ScrollIntoView(deep, false));
    EXPECT_TRUE(tree.GetExpanded(parent));
    EXPECT_TRUE(tree.GetExpanded(inner));
    EXPECT_EQ(tree.GetDisplayRect(deep, NoColumn, false).bottom() + 1, ch); // at the bottom edge
    EXPECT_FALSE(tree.ScrollIntoView(deep, false));                         // in view already
    EXPECT_TRUE(tree.ScrollIntoView(deep, true));
    EXPECT_EQ(tree.GetDisplayRect(deep, NoColumn, false).bottom() + 1, ch / 2);
    // A row above the top comes to the top edge; centred, its top goes to the middle.
    PLeanNode above = tree.GetFirstNoInit();
    for (int i = 0; i < 100; ++i)
        above = above->NextSibling;
    for (bool centre : {false, true}) {
        tree.SetOffsetY(-(1 << 24)); // the end
        ASSERT_LT(tree.GetDisplayRect(above, NoColumn, false).top(), 0);
        EXPECT_TRUE(tree.ScrollIntoView(above, centre));
        EXPECT_EQ(tree.GetDisplayRect(above, NoColumn, false).top(), centre ? ch / 2 : 0);
    }

    // Horizontally the focused column's text is centred when it sticks out.
    tree.LabelWidth = 100;
    auto& header = tree.Header();
    for (int w : {200, 250, 300})
        header.Columns().Add().SetWidth(w);
    header.SetOptions(header.Options() | TLTHeaderOption::hoVisible);
    tree.UpdateScrollBars(true);
    EXPECT_EQ(bars.back(), std::make_pair(SB_HORZ, true));
    tree.SetFocusedColumn(2);
    EXPECT_TRUE(tree.ScrollIntoView(deep, false, true));
    QRect text = tree.GetDisplayRect(deep, 2, true);
    EXPECT_NEAR((text.left() + text.right() + 1) / 2, tree.ClientWidth() / 2, 1);
    tree.SetFocusedColumn(0);
    EXPECT_TRUE(tree.ScrollIntoView(deep, false, true));
    EXPECT_GE(tree.GetDisplayRect(deep, 0, true).left(), 0);

    // Rows that fit hide the vertical bar, and the host hears it.
    tree.SetRootNodeCount(2);
    EXPECT_EQ(bars.back(), std::make_pair(SB_VERT, false));
    tree.SetRootNodeCount(100);
    EXPECT_EQ(bars.back(), std::make_pair(SB_VERT, true));
}

} // namespace

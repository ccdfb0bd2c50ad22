// Control integration: loading stored settings, copying settings between trees, scaling for a
// new resolution, the check image index, cancel mode, the cursor and rendering into an image.
#include <QApplication>
#include <QTest>

#include "controls/tree/treecolumns.h"
#include "controls/tree/treeheader.h"
#include "gui/guitestutil.h"
#include "treetestutil.h"

namespace {

using enum TLTPaintOption;
using enum TLTMiscOption;
using enum TLTAutoOption;
using enum TLeanTreeState;

TEST(IntegrationTest, LoadingMakesTheRecordedRootNodesAndKeepsTheTreeSound) {
    TTestTree tree;
    tree.SetRootNodeCount(2); // nodes already there before loading
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() | toReadOnly);
    tree.BeginLoading();
    tree.SetRootNodeCount(5);
    EXPECT_EQ(tree.RootNodeCount(), 5u);
    // Until Loaded the nodes present are untouched and the store stays consistent.
    EXPECT_EQ(AllNodes(tree).size(), 2u);
    EXPECT_EQ(tree.RootNode()->ChildCount, 2u);
    EXPECT_TREE_VALID(tree);
    tree.Loaded();
    EXPECT_EQ(tree.RootNodeCount(), 5u);
    EXPECT_EQ(AllNodes(tree).size(), 5u);
    EXPECT_FALSE(tree.TreeStates().Contains(tsNeedRootCountUpdate));
    EXPECT_TRUE(tree.TreeOptions().MiscOptions().Contains(toReadOnly));
    EXPECT_TREE_VALID(tree);
    // A second Loaded changes nothing; fewer nodes recorded shrink the tree.
    tree.Loaded();
    EXPECT_EQ(AllNodes(tree).size(), 5u);
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() - toReadOnly);
    tree.BeginLoading();
    tree.SetRootNodeCount(1);
    tree.Loaded();
    EXPECT_EQ(AllNodes(tree).size(), 1u);
    EXPECT_TREE_VALID(tree);
}

TEST(IntegrationTest, LoadingOnlyStoresTheNodeDataSizeAndTheMainColumn) {
    TTestTree tree;
    tree.BeginLoading();
    tree.SetRootNodeCount(5);
    tree.SetNodeDataSize(8);
    tree.Header().SetMainColumn(1); // before the columns exist
    tree.Header().Columns().Add();
    tree.Header().Columns().Add();
    tree.Loaded();
    EXPECT_EQ(AllNodes(tree).size(), 5u);
    EXPECT_EQ(tree.NodeDataSize(), 8);
    EXPECT_EQ(tree.Header().MainColumn(), 1);
    EXPECT_TREE_VALID(tree);

    // Nodes present keep their size while loading; Loaded makes them again with the new one,
    // also under toReadOnly, and clamps a main column beyond the columns.
    for (PLeanNode n : AllNodes(tree))
        tree.Data(n) = 3;
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() | toReadOnly);
    tree.BeginLoading();
    tree.SetNodeDataSize(16);
    tree.Header().SetMainColumn(7);
    tree.Header().Columns().Add();
    EXPECT_EQ(tree.NodeDataSize(), 8);
    EXPECT_EQ(tree.Data(tree.GetFirstNoInit()), 3);
    tree.Loaded();
    EXPECT_EQ(tree.NodeDataSize(), 16);
    ASSERT_EQ(AllNodes(tree).size(), 5u);
    EXPECT_EQ(tree.Data(tree.GetFirstNoInit()), 0);
    EXPECT_EQ(tree.Header().MainColumn(), 2);
    EXPECT_TRUE(tree.TreeOptions().MiscOptions().Contains(toReadOnly));
    EXPECT_TREE_VALID(tree);

    // A size set and set back while loading changes nothing: the nodes keep their data.
    tree.Data(tree.GetFirstNoInit()) = 5;
    tree.BeginLoading();
    tree.SetNodeDataSize(4);
    tree.SetNodeDataSize(16);
    tree.Loaded();
    EXPECT_EQ(tree.NodeDataSize(), 16);
    ASSERT_EQ(AllNodes(tree).size(), 5u);
    EXPECT_EQ(tree.Data(tree.GetFirstNoInit()), 5);
}

TEST(IntegrationTest, AssignCopiesSettingsButNoNodes) {
    TTestTree source, target;
    source.SetIndent(30);
    source.SetDefaultNodeHeight(24);
    source.SetMargin(7);
    source.SetLineStyle(lsSolid);
    source.HotCursor = Qt::CrossCursor;
    source.TreeOptions().SetPaintOptions(source.TreeOptions().PaintOptions() | toHotTrack);
    source.Header().Columns().Add().SetWidth(120);
    source.Header().Columns().Add().SetWidth(60);
    source.SetRootNodeCount(4);
    target.SetRootNodeCount(2);
    target.Assign(source);
    EXPECT_EQ(target.Indent(), 30u);
    EXPECT_EQ(target.DefaultNodeHeight(), 24u);
    EXPECT_EQ(target.Margin(), 7);
    EXPECT_EQ(target.LineStyle(), lsSolid);
    EXPECT_EQ(target.HotCursor, Qt::CrossCursor);
    EXPECT_TRUE(target.TreeOptions().PaintOptions().Contains(toHotTrack));
    ASSERT_EQ(target.Header().Columns().Count(), 2);
    EXPECT_EQ(target.Header().Columns().Items(0).Width(), 120);
    EXPECT_EQ(target.RootNodeCount(), 2u);
    EXPECT_TREE_VALID(target);
    target.Assign(target); // itself: nothing
    EXPECT_EQ(target.Indent(), 30u);
    // The copied format list still belongs to the target (it outlives the source).
    {
        auto temp = std::make_unique<TTestTree>();
        temp->ClipboardFormats().Assign({QStringLiteral("Lean Tree Data")});
        target.Assign(*temp);
    }
    EXPECT_EQ(target.ClipboardFormats().Names(), QStringList{"Lean Tree Data"});
    target.ClipboardFormats().Clear();
    EXPECT_EQ(target.ClipboardFormats().Add(QStringLiteral("Lean Tree Data")), 0);
}

TEST(IntegrationTest, ChangeScaleScalesHeightsHeaderAndPixelFonts) {
    TTestTree tree;
    TLeanTreeColumn& c = tree.Header().Columns().Add();
    c.SetWidth(100);
    QFont f = tree.font();
    f.setPixelSize(12);
    tree.setFont(f);
    // Without toAutoChangeScale nothing changes.
    tree.ChangeScale(144, 96);
    EXPECT_EQ(tree.DefaultNodeHeight(), 18u);
    tree.TreeOptions().SetAutoOptions(tree.TreeOptions().AutoOptions() | toAutoChangeScale);
    tree.ChangeScale(96, 96);
    tree.ChangeScale(144, 0);
    tree.ChangeScale(0, 96);
    EXPECT_EQ(tree.DefaultNodeHeight(), 18u);
    tree.ChangeScale(144, 96);
    EXPECT_EQ(tree.DefaultNodeHeight(), 27u);
    EXPECT_EQ(tree.Header().Height(), 26); // 25.5 rounded
    EXPECT_EQ(c.Width(), 150);
    EXPECT_EQ(tree.font().pixelSize(), 18);
    tree.ChangeScale(96, 144);
    EXPECT_EQ(tree.DefaultNodeHeight(), 18u);
    EXPECT_EQ(c.Width(), 100);
    EXPECT_EQ(tree.font().pixelSize(), 12);
}

TEST(IntegrationTest, CheckImageIndexFollowsTypeStateEnablingAndHotNode) {
    TTestTree tree;
    tree.resize(200, 100);
    tree.LabelWidth = 40;
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() | toCheckSupport);
    tree.TreeOptions().SetPaintOptions(tree.TreeOptions().PaintOptions() | toHotTrack);
    tree.SetRootNodeCount(3);
    PLeanNode a = tree.GetFirst(), b = a->NextSibling, r = b->NextSibling;
    EXPECT_EQ(tree.GetCheckImage(a), -1);
    EXPECT_EQ(tree.GetCheckImage(nullptr), -1);
    tree.SetCheckType(a, ctCheckBox);
    tree.SetCheckType(b, ctTriStateCheckBox);
    tree.SetCheckType(r, ctRadioButton);
    EXPECT_EQ(tree.GetCheckImage(a), 9);
    tree.SetCheckState(a, csCheckedNormal);
    EXPECT_EQ(tree.GetCheckImage(a), 13);
    tree.SetCheckState(b, csMixedPressed); // the tri-state box looks like a check box
    EXPECT_EQ(tree.GetCheckImage(b), 23);
    tree.SetCheckState(r, csCheckedNormal);
    EXPECT_EQ(tree.GetCheckImage(r), 5);
    tree.SetDisabled(a, true);
    EXPECT_EQ(tree.GetCheckImage(a), 16);
    tree.setEnabled(false); // a disabled control disables every box
    EXPECT_EQ(tree.GetCheckImage(r), 8);
    tree.setEnabled(true);
    tree.show();
    QTest::qWait(1);
    int top;
    ASSERT_EQ(tree.GetNodeAt(0, 2 * 18 + 5, true, top), r); // third row
    tree.HandleHotTrack(30, 2 * 18 + 5);
    ASSERT_EQ(tree.HotNode(), r);
    EXPECT_EQ(tree.GetCheckImage(r), 6);
}

TEST(IntegrationTest, TriStateParentFollowsItsChildren) {
    TTestTree tree;
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() | toCheckSupport);
    tree.SetRootNodeCount(1);
    PLeanNode p = tree.GetFirst();
    tree.SetCheckType(p, ctTriStateCheckBox);
    tree.SetChildCount(p, 2);
    PLeanNode c1 = tree.GetFirstChild(p), c2 = c1->NextSibling;
    tree.SetCheckType(c1, ctCheckBox);
    tree.SetCheckType(c2, ctCheckBox);
    EXPECT_TRUE(tree.DoCheckClick(c1, csCheckedNormal));
    EXPECT_EQ(tree.GetCheckState(p), csMixedNormal);
    EXPECT_TRUE(tree.DoCheckClick(c2, csCheckedNormal));
    EXPECT_EQ(tree.GetCheckState(p), csCheckedNormal);
    EXPECT_TRUE(tree.DoCheckClick(c1, csUncheckedNormal));
    EXPECT_EQ(tree.GetCheckState(p), csMixedNormal);
}

TEST(IntegrationTest, CancelModeEndsEveryPendingMouseAction) {
    TTestTree tree;
    tree.SetRootNodeCount(3);
    tree.SetIncrementalSearch(isAll);
    tree.HandleIncrementalSearch(u'x', 1);
    tree.DoStateChange({tsOLEDragPending, tsDrawSelPending, tsDrawSelecting, tsEditPending,
                        tsClearPending, tsLeftButtonDown, tsScrollPending});
    tree.CancelMode();
    EXPECT_TRUE(tree.SearchBuffer().empty());
    EXPECT_FALSE(tree.TreeStates().Intersects({tsOLEDragPending, tsDrawSelPending, tsDrawSelecting,
                                               tsEditPending, tsClearPending, tsLeftButtonDown,
                                               tsScrollPending, tsIncrementalSearching}));
    EXPECT_FALSE(tree.ScrollTimerActive());
    EXPECT_FALSE(tree.EditTimerActive());
    // Losing the active window (another application) cancels as well.
    tree.DoStateChange(tsOLEDragPending);
    QEvent ev(QEvent::ActivationChange);
    QApplication::sendEvent(&tree, &ev);
    EXPECT_FALSE(tree.TreeStates().Contains(tsOLEDragPending));
    EXPECT_EQ(AllNodes(tree).size(), 3u);
}

TEST(IntegrationTest, CursorShowsTheHandOverTheHotNode) {
    TTestTree tree;
    tree.LabelWidth = 40;
    tree.resize(200, 100);
    tree.SetRootNodeCount(2);
    tree.show();
    QTest::qWait(1);
    QWidget* vp = tree.viewport();
    QTest::mouseMove(vp, QPoint(30, 5));
    EXPECT_EQ(vp->cursor().shape(), Qt::ArrowCursor); // no hot tracking
    tree.TreeOptions().SetPaintOptions(tree.TreeOptions().PaintOptions() | toHotTrack);
    QTest::mouseMove(vp, QPoint(30, 23));
    ASSERT_NE(tree.HotNode(), nullptr);
    EXPECT_EQ(vp->cursor().shape(), Qt::ArrowCursor); // no HotCursor set
    tree.HotCursor = Qt::PointingHandCursor;
    QTest::mouseMove(vp, QPoint(31, 23));
    ASSERT_NE(tree.HotNode(), nullptr);
    EXPECT_EQ(vp->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(vp, QPoint(31, 80)); // below the rows: no hot node
    EXPECT_EQ(tree.HotNode(), nullptr);
    EXPECT_EQ(vp->cursor().shape(), Qt::ArrowCursor);
    // Leaving the client area gives the hot node up and reports it.
    QTest::mouseMove(vp, QPoint(31, 23));
    ASSERT_NE(tree.HotNode(), nullptr);
    PLeanNode reported = tree.HotNode();
    tree.OnHotChange = [&](TBaseLeanTree*, PLeanNode, PLeanNode n) { reported = n; };
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(vp, &leave);
    EXPECT_EQ(tree.HotNode(), nullptr);
    EXPECT_EQ(reported, nullptr);
    EXPECT_EQ(vp->cursor().shape(), Qt::ArrowCursor);
    tree.OnGetCursor = [](TBaseLeanTree*, Qt::CursorShape& c) { c = Qt::WaitCursor; };
    QTest::mouseMove(vp, QPoint(30, 5));
    EXPECT_EQ(vp->cursor().shape(), Qt::WaitCursor);
}

TEST(IntegrationTest, PaintToImageRendersTheTreeLikeTheScreen) {
    ThemesGuard classic{false};
    TTestTree tree;
    tree.LabelWidth = 40;
    tree.resize(200, 100);
    tree.SetRootNodeCount(10);
    tree.SetSelected(tree.GetFirst()->NextSibling, true);
    tree.show();
    QTest::qWait(1);
    QImage whole = tree.PaintToImage();
    ASSERT_FALSE(whole.isNull());
    EXPECT_EQ(whole.height(), 10 * 18);
    EXPECT_EQ(whole.width(), tree.ClientWidth());
    // The visible part equals what the viewport shows.
    QImage screen = tree.viewport()->grab().toImage().convertToFormat(whole.format());
    int rows = screen.height() / 18 * 18;
    EXPECT_EQ(whole.copy(0, 0, screen.width(), rows), screen.copy(0, 0, screen.width(), rows));
    // A range: rows 2 to 4 in either order, also below the visible area.
    PLeanNode n2 = tree.GetFirst()->NextSibling->NextSibling;
    PLeanNode n4 = n2->NextSibling->NextSibling;
    QImage range = tree.PaintToImage(n4, n2);
    ASSERT_EQ(range.height(), 3 * 18);
    EXPECT_EQ(range, whole.copy(0, 2 * 18, whole.width(), 3 * 18));
    PLeanNode last = tree.GetLast();
    EXPECT_EQ(tree.PaintToImage(last, last), whole.copy(0, 9 * 18, whole.width(), 18));
    // Too tall for an image: none rather than a failure.
    tree.SetRootNodeCount(2000);
    EXPECT_TRUE(tree.PaintToImage().isNull());
    EXPECT_TRUE(tree.PaintToImage(nullptr, last).isNull());
}

TEST(IntegrationTest, LosingTheFocusStopsPanningAndAutoScrolling) {
    TTestTree tree;
    tree.resize(200, 100);
    tree.SetRootNodeCount(100);
    QWidget other;
    tree.show();
    QApplication::setActiveWindow(&tree);
    tree.setFocus();
    QTest::qWait(1);
    tree.StartWheelPanning(QPoint(50, 50));
    ASSERT_TRUE(tree.TreeStates().Contains(tsWheelPanning));
    tree.DoAutoScroll(50, 99, 1);
    tree.clearFocus();
    EXPECT_FALSE(tree.TreeStates().Intersects({tsWheelPanning, tsWheelScrolling}));
    EXPECT_FALSE(tree.ScrollTimerActive());
    EXPECT_EQ(tree.PanningWindow(), nullptr);
}

} // namespace

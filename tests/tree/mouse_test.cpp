// Mouse handling through real clicks at every hit position (button, indent, check box, label,
// right of the label, nowhere), selection by click, deferred clearing for a drag, double
// clicks, hot tracking and the rubber band; and the incremental search.
#include <QMenu>
#include <QScrollBar>
#include <QTest>

#include "controls/tree/treeheader.h"
#include "platform/gui/qtcolors.h"
#include "treetestutil.h"

namespace {

using enum TLTMiscOption;
using enum TLTSelectionOption;
using enum TLTPaintOption;
using enum THitPosition;

// Level 0 rows: button in [0, 18), margin [18, 22), check box [22, 40) when shown, then the
// 40 pixels of the label. Rows are 18 pixels high.
constexpr int RowH = 18;
QPoint Button(int row) {
    return {9, row * RowH + 9};
}
QPoint Label(int row, bool check = false) {
    return {(check ? 40 : 22) + 10, row * RowH + 9};
}

class MouseTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree.resize(300, 300);
        tree.LabelWidth = 40;
        tree.SetRootNodeCount(6);
        tree.SetChildCount(tree.GetFirst(), 3); // row 0 has children (collapsed)
        tree.show();
        tree.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&tree));
    }
    PLeanNode Top(int i) {
        PLeanNode n = tree.GetFirst();
        while (i-- > 0)
            n = n->NextSibling;
        return n;
    }
    THitPositions HitAt(QPoint p) { return tree.GetHitTestInfoAt(p.x(), p.y(), true).HitPositions; }
    // A move delivered directly (no cursor position involved).
    void Move(QPoint p, Qt::MouseButtons buttons = Qt::NoButton) {
        QMouseEvent move(QEvent::MouseMove, QPointF(p), tree.viewport()->mapToGlobal(QPointF(p)),
                         Qt::NoButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(tree.viewport(), &move);
    }
    void Click(QPoint p, Qt::KeyboardModifiers m = {}) {
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, m, p);
    }
    TTestTree tree;
};

TEST_F(MouseTest, ClicksAtEveryHitPosition) {
    // Button: toggles, focus and selection stay as they were.
    ASSERT_TRUE(HitAt(Button(0)).Contains(hiOnItemButton));
    Click(Button(0));
    EXPECT_TRUE(tree.GetExpanded(Top(0)));
    EXPECT_EQ(tree.FocusedNode(), nullptr);
    EXPECT_EQ(tree.SelectedCount(), 0u);
    Click(Button(0));
    EXPECT_FALSE(tree.GetExpanded(Top(0)));
    // Indent of a leaf: nothing is focused or selected.
    ASSERT_TRUE(HitAt(Button(1)).Contains(hiOnItemIndent));
    Click(Button(1));
    EXPECT_EQ(tree.FocusedNode(), nullptr);
    // Label: focus and selection.
    ASSERT_TRUE(HitAt(Label(2)).Contains(hiOnItemLabel));
    Click(Label(2));
    EXPECT_EQ(tree.FocusedNode(), Top(2));
    EXPECT_TRUE(tree.GetSelected(Top(2)));
    // Right of a short label: still the label, the side of the text noted.
    QPoint right(22 + 40 + 30, 3 * RowH + 9);
    ASSERT_EQ(HitAt(right), THitPositions({hiOnItem, hiOnItemLabel, hiOnItemRight}));
    Click(right);
    EXPECT_EQ(tree.FocusedNode(), Top(3));
    EXPECT_EQ(tree.SelectedCount(), 1u);
    // Left of a right-aligned label likewise; on its text without a side.
    tree.SetAlignment(taRightJustify);
    QPoint left(30, 4 * RowH + 9);
    ASSERT_EQ(HitAt(left), THitPositions({hiOnItem, hiOnItemLabel, hiOnItemLeft}));
    Click(left);
    EXPECT_EQ(tree.FocusedNode(), Top(4));
    QPoint onText(tree.ClientWidth() - 10, 5 * RowH + 9);
    ASSERT_EQ(HitAt(onText), THitPositions({hiOnItem, hiOnItemLabel}));
    Click(onText);
    EXPECT_EQ(tree.FocusedNode(), Top(5));
    tree.SetAlignment(taLeftJustify);
    Click(Label(3));
    // Nowhere (below the last row): a single-selection tree keeps its selection.
    QPoint below(30, 8 * RowH + 9);
    ASSERT_TRUE(HitAt(below).Contains(hiNowhere));
    Click(below);
    EXPECT_EQ(tree.FocusedNode(), Top(3));
    // ... a multi-selection tree clears it.
    tree.TreeOptions().SetSelectionOptions({toMultiSelect});
    Click(Label(1));
    Click(below);
    EXPECT_EQ(tree.SelectedCount(), 0u);
    EXPECT_TREE_VALID(tree);
}

TEST_F(MouseTest, AClickBesideAShortLabelFocusesSelectsEditsAndDrags) {
    using enum TLeanTreeState;
    tree.TreeOptions().SetSelectionOptions({toMultiSelect});
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() | toEditable);
    tree.DragMode = dmAutomatic;
    auto beside = [](int row) { return QPoint(22 + 40 + 30, row * RowH + 9); };
    Click(beside(1));
    Click(beside(3), Qt::ShiftModifier);
    EXPECT_EQ(tree.FocusedNode(), Top(3));
    EXPECT_EQ(tree.SelectedCount(), 3u);
    // On a selected node: no rubber band; the clearing and the edit wait for the release, a
    // drag for the mouse to move.
    QTest::mousePress(tree.viewport(), Qt::LeftButton, {}, beside(2));
    EXPECT_EQ(tree.FocusedNode(), Top(2));
    const TLeanTreeStates pending{tsClearPending, tsEditPending, tsOLEDragPending};
    EXPECT_EQ(tree.TreeStates() & pending, pending);
    EXPECT_FALSE(tree.TreeStates().Contains(tsDrawSelPending));
    QTest::mouseRelease(tree.viewport(), Qt::LeftButton, {}, beside(2));
    EXPECT_EQ(tree.GetSortedSelection(false), std::vector<PLeanNode>{Top(2)});
    EXPECT_TRUE(tree.EditTimerActive());
    // Pressed and moved: the node is dragged.
    std::vector<PLeanNode> dragged;
    tree.OnStateChange = [&](TBaseLeanTree*, TLeanTreeStates enter, TLeanTreeStates) {
        if (enter.Contains(tsOLEDragging))
            dragged = tree.DragSelection();
    };
    QTest::mousePress(tree.viewport(), Qt::LeftButton, {}, beside(4));
    Move(beside(4) + QPoint(0, 20), Qt::LeftButton);
    EXPECT_EQ(dragged, std::vector<PLeanNode>{Top(4)});
}

TEST_F(MouseTest, CheckBoxTakesEffectOnRelease) {
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() | toCheckSupport);
    for (int i = 0; i < 3; ++i)
        tree.SetCheckType(Top(i), ctCheckBox);
    QPoint box(30, RowH + 9);
    ASSERT_TRUE(HitAt(box).Contains(hiOnItemCheckbox));
    QTest::mousePress(tree.viewport(), Qt::LeftButton, {}, box);
    EXPECT_EQ(Top(1)->CheckState, csUncheckedPressed);
    QTest::mouseRelease(tree.viewport(), Qt::LeftButton, {}, box);
    EXPECT_EQ(Top(1)->CheckState, csCheckedNormal);
    EXPECT_EQ(tree.FocusedNode(), nullptr); // a check click does not focus
    // Released on another row: the state shows normal again and does not change.
    QTest::mousePress(tree.viewport(), Qt::LeftButton, {}, box);
    EXPECT_EQ(Top(1)->CheckState, csCheckedPressed);
    QTest::mouseRelease(tree.viewport(), Qt::LeftButton, {}, box + QPoint(0, 2 * RowH));
    EXPECT_EQ(Top(1)->CheckState, csCheckedNormal);
    // A label click beside a check box.
    Click(Label(2, true));
    EXPECT_EQ(tree.FocusedNode(), Top(2));
    EXPECT_EQ(Top(2)->CheckState, csUncheckedNormal);
}

TEST_F(MouseTest, ModifierClicksAndDeferredClearing) {
    tree.TreeOptions().SetSelectionOptions({toMultiSelect});
    Click(Label(1));
    Click(Label(3), Qt::ShiftModifier);
    EXPECT_EQ(tree.SelectedCount(), 3u);
    Click(Label(2), Qt::ControlModifier);
    EXPECT_FALSE(tree.GetSelected(Top(2)));
    EXPECT_EQ(tree.SelectedCount(), 2u);
    // With a drag possible, pressing a selected node keeps the selection until release.
    tree.DragMode = dmAutomatic;
    QTest::mousePress(tree.viewport(), Qt::LeftButton, {}, Label(3));
    EXPECT_EQ(tree.SelectedCount(), 2u);
    EXPECT_TRUE(tree.TreeStates().Contains(TLeanTreeState::tsClearPending));
    QTest::mouseRelease(tree.viewport(), Qt::LeftButton, {}, Label(3));
    EXPECT_EQ(tree.SelectedCount(), 1u);
    EXPECT_TRUE(tree.GetSelected(Top(3)));
    EXPECT_EQ(tree.FocusedNode(), Top(3));
    EXPECT_TREE_VALID(tree);
}

TEST_F(MouseTest, ARightClickKeepsTheSelectionForTheTreesOwnMenu) {
    tree.TreeOptions().SetSelectionOptions({toMultiSelect, toRightClickSelect});
    Click(Label(1));
    Click(Label(3), Qt::ShiftModifier);
    QMenu own;
    tree.PopupMenu = &own;
    QTest::mousePress(tree.viewport(), Qt::RightButton, {}, Label(2));
    QTest::mouseRelease(tree.viewport(), Qt::RightButton, {}, Label(2));
    EXPECT_EQ(tree.SelectedCount(), 3u);
    // Without a menu to come the click selects the node alone.
    tree.PopupMenu = nullptr;
    QTest::mousePress(tree.viewport(), Qt::RightButton, {}, Label(2));
    EXPECT_EQ(tree.SelectedCount(), 1u);
    QTest::mouseRelease(tree.viewport(), Qt::RightButton, {}, Label(2));
}

TEST_F(MouseTest, AMenuTakesTheReleaseOfTheButtonThatOpenedIt) {
    using enum TLeanTreeState;
    tree.TreeOptions().SetSelectionOptions({toCenterScrollIntoView});
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() | toCheckSupport);
    tree.SetCheckType(Top(1), ctCheckBox);
    tree.SetCheckType(Top(2), ctCheckBox);
    QMenu menu;
    tree.OnGetPopupMenu = [&](TBaseLeanTree*, PLeanNode, TColumnIndex, const QPoint&, bool&,
                              QMenu*& m) { m = &menu; };
    // As the window system delivers it: the menu opens with the press and takes the release.
    auto rightClick = [&](QPoint p) {
        QTest::mouseClick(tree.windowHandle(), Qt::RightButton, {},
                          tree.viewport()->mapTo(&tree, p));
        QCoreApplication::processEvents();
        ASSERT_TRUE(menu.isVisible());
        menu.close();
    };
    // On a tree that does not take the focus (the menu's focus change does not reach it).
    tree.clearFocus();
    tree.setFocusPolicy(Qt::NoFocus);
    ASSERT_NO_FATAL_FAILURE(rightClick(Label(3)));
    EXPECT_FALSE(tree.TreeStates().Contains(tsRightButtonDown));
    tree.setFocusPolicy(Qt::StrongFocus);
    // No button is down: a far focused node is centred.
    tree.SetRootNodeCount(100);
    tree.SetFocusedNode(Top(50));
    QRect r = tree.GetDisplayRect(Top(50), NoColumn, false);
    EXPECT_NEAR(r.center().y(), tree.viewport()->height() / 2, RowH);
    tree.SetFocusedNode(nullptr);
    tree.SetOffsetY(0);
    // A right click on a check box checks it on the release the menu took; the next box works.
    tree.TreeOptions().SetSelectionOptions({toRightClickSelect});
    QPoint box(30, RowH + 9);
    ASSERT_NO_FATAL_FAILURE(rightClick(box));
    EXPECT_FALSE(tree.TreeStates().Contains(tsMouseCheckPending));
    EXPECT_EQ(Top(1)->CheckState, csCheckedNormal);
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, box + QPoint(0, RowH));
    EXPECT_EQ(Top(2)->CheckState, csCheckedNormal);
}

TEST_F(MouseTest, AClickInAnotherColumnOrOnAScrollBarFocuses) {
    tree.LabelWidth = 150;
    tree.TreeOptions().SetSelectionOptions({toExtendedFocus});
    tree.Header().SetOptions({TLTHeaderOption::hoVisible});
    for (int i = 0; i < 3; ++i)
        tree.Header().Columns().Add().SetWidth(200);
    tree.UpdateScrollBars(true);
    Click(Label(1));
    ASSERT_EQ(tree.FocusedColumn(), 0);
    ASSERT_EQ(tree.OffsetX(), 0);
    // The same node in the next column, whose label runs past the right edge: it comes into
    // view.
    Click(QPoint(250, Label(1).y()));
    EXPECT_EQ(tree.FocusedColumn(), 1);
    EXPECT_LT(tree.OffsetX(), 0);
    QRect text = tree.GetDisplayRect(Top(1), 1, true);
    EXPECT_GE(text.left(), 0);
    EXPECT_LE(text.right(), tree.ClientWidth());
    // A press on a scroll bar focuses the tree as well (Qt's click focus of the scroll area).
    tree.clearFocus();
    ASSERT_FALSE(tree.hasFocus());
    QTest::mousePress(tree.horizontalScrollBar(), Qt::LeftButton, {}, QPoint(30, 5));
    QTest::mouseRelease(tree.horizontalScrollBar(), Qt::LeftButton, {}, QPoint(30, 5));
    EXPECT_TRUE(tree.hasFocus());
}

TEST_F(MouseTest, AStaleDeferredClearingGivesWayToAClick) {
    tree.TreeOptions().SetSelectionOptions({toMultiSelect});
    tree.DragMode = dmAutomatic;
    Click(Label(1));
    Click(Label(2), Qt::ShiftModifier);
    // The press defers the clearing; its release never comes.
    THitInfo hit = tree.GetHitTestInfoAt(Label(2).x(), Label(2).y(), true);
    tree.HandleMouseDown({mbLeft, {}, Label(2)}, hit);
    ASSERT_TRUE(tree.TreeStates().Contains(TLeanTreeState::tsClearPending));
    hit = tree.GetHitTestInfoAt(Label(4).x(), Label(4).y(), true);
    EXPECT_NO_THROW(tree.HandleMouseDown({mbLeft, {}, Label(4)}, hit));
    EXPECT_EQ(tree.SelectedCount(), 1u);
    EXPECT_TRUE(tree.GetSelected(Top(4)));
    EXPECT_TREE_VALID(tree);
}

TEST_F(MouseTest, APressWhilePanningOnlyStopsThePanning) {
    tree.StartWheelPanning(QPoint(50, 50));
    ASSERT_NE(tree.PanningWindow(), nullptr);
    THitInfo hit = tree.GetHitTestInfoAt(Label(2).x(), Label(2).y(), true);
    tree.HandleMouseDown({mbLeft, {}, Label(2)}, hit);
    EXPECT_FALSE(tree.TreeStates().Intersects(
        {TLeanTreeState::tsWheelPanning, TLeanTreeState::tsWheelScrolling}));
    EXPECT_EQ(tree.PanningWindow(), nullptr);
    EXPECT_FALSE(tree.ScrollTimerActive());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(tree.FocusedNode(), nullptr);
}

TEST_F(MouseTest, DoubleClicksToggleOnlyWhenAsked) {
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() - toToggleOnDblClick);
    QTest::mouseDClick(tree.viewport(), Qt::LeftButton, {}, Label(0));
    EXPECT_FALSE(tree.GetExpanded(Top(0)));
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() | toToggleOnDblClick);
    QTest::mouseDClick(tree.viewport(), Qt::LeftButton, {}, Label(0));
    EXPECT_TRUE(tree.GetExpanded(Top(0)));
    // Columns: a click and a double click on a cell tell the column.
    TColumnIndex clicked = -5, dblClicked = -5;
    tree.OnColumnClick = [&](TBaseLeanTree*, TColumnIndex c, TShiftState) { clicked = c; };
    tree.OnColumnDblClick = [&](TBaseLeanTree*, TColumnIndex c, TShiftState) { dblClicked = c; };
    tree.Header().Columns().Add();
    tree.Header().Columns().Add();
    tree.Header().SetOptions(tree.Header().Options() | TLTHeaderOption::hoVisible);
    THitInfo hit = tree.GetHitTestInfoAt(70, 9, true);
    EXPECT_EQ(hit.HitColumn, 1);
    TLTMouseMessage m{mbLeft, {}, {70, 9}};
    tree.HandleMouseDown(m, hit);
    tree.HandleMouseUp(m, hit);
    EXPECT_EQ(clicked, 1);
    tree.HandleMouseDblClick(m, hit);
    EXPECT_EQ(dblClicked, 1);
}

TEST_F(MouseTest, HotTrackingAndRubberBand) {
    std::vector<std::pair<PLeanNode, PLeanNode>> changes;
    tree.OnHotChange = [&](TBaseLeanTree*, PLeanNode o, PLeanNode n) { changes.push_back({o, n}); };
    Move(Label(2));
    EXPECT_EQ(tree.HotNode(), Top(2));
    Move(Button(2));
    EXPECT_EQ(tree.HotNode(), nullptr);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[1].first, Top(2));
    // Deleting the hot node leaves no dangling hot node.
    Move(Label(4));
    tree.DeleteNode(Top(4));
    EXPECT_EQ(tree.HotNode(), nullptr);
    // A band drawn from the indentation over rows 1 to 3 selects them.
    tree.TreeOptions().SetSelectionOptions({toMultiSelect});
    QTest::mousePress(tree.viewport(), Qt::LeftButton, {}, Button(1));
    EXPECT_TRUE(tree.IsMouseSelecting());
    Move(QPoint(40, 3 * RowH + 9), Qt::LeftButton);
    QTest::mouseRelease(tree.viewport(), Qt::LeftButton, {}, QPoint(40, 3 * RowH + 9));
    EXPECT_FALSE(tree.IsMouseSelecting());
    EXPECT_EQ(tree.SelectedCount(), 3u);
    EXPECT_TRUE(tree.GetSelected(Top(2)));
    EXPECT_TREE_VALID(tree);
}

TEST_F(MouseTest, RubberBandIsPaintedWhileDragging) {
    tree.TreeOptions().SetSelectionOptions({toMultiSelect});
    tree.SetDrawSelectionMode(smBlendedRectangle);
    auto render = [&] {
        QImage img(300, 300, QImage::Format_ARGB32_Premultiplied);
        QPainter p(&img);
        tree.PaintTree(p, QRect(0, 0, 300, 300), QPoint(0, 0), AllPaintOptions);
        return img;
    };
    QColor border = ColorToQColor(tree.Colors().Get(TLTColors::SelectionRectangleBorderColor));
    QColor window = ColorToQColor(clWindow);
    // From the indentation of row 1 to the right of row 3's label (tree lines off, so the
    // indentation is plain background).
    tree.TreeOptions().SetPaintOptions(tree.TreeOptions().PaintOptions() - toShowTreeLines);
    QTest::mousePress(tree.viewport(), Qt::LeftButton, {}, Button(1));
    Move(QPoint(80, 3 * RowH + 9), Qt::LeftButton);
    ASSERT_TRUE(tree.IsMouseSelecting());
    EXPECT_EQ(tree.CurrentSelectionRect().normalized(), QRect(QPoint(9, 27), QPoint(80, 63)));
    QImage img = render();
    EXPECT_EQ(QColor(img.pixel(9, 40)), border);   // left edge
    EXPECT_EQ(QColor(img.pixel(80, 40)), border);  // right edge
    EXPECT_EQ(QColor(img.pixel(40, 27)), border);  // top edge, over row 1
    EXPECT_NE(QColor(img.pixel(14, 50)), window);  // the inside is blended
    EXPECT_EQ(QColor(img.pixel(100, 50)), window); // outside untouched
    QTest::mouseRelease(tree.viewport(), Qt::LeftButton, {}, QPoint(80, 3 * RowH + 9));
    EXPECT_TRUE(tree.CurrentSelectionRect().isEmpty());
    img = render();
    EXPECT_EQ(QColor(img.pixel(9, 40)), window);
    EXPECT_EQ(QColor(img.pixel(14, 50)), window);
}

// ---- incremental search ----

class SearchTree : public TTestTree {
public:
    int beeps = 0;

protected:
    void Beep() override { ++beeps; }
};

class SearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* names[] = {"apple", "banana", "berry", "cherry", "blue", "apricot"};
        tree.SetRootNodeCount(6);
        int i = 0;
        for (PLeanNode n = tree.GetFirst(); n; n = n->NextSibling)
            tree.Data(n) = i++;
        tree.OnIncrementalSearch = [names](TBaseLeanTree* t, PLeanNode n, const std::u16string& s,
                                           int& r) {
            std::string name = names[*t->GetNodeData<int>(n)];
            std::u16string w(name.begin(), name.end());
            r = w.compare(0, s.size(), s) == 0 ? 0 : 1;
        };
        tree.SetIncrementalSearch(isAll);
    }
    int Focused() { return tree.FocusedNode() ? tree.Data(tree.FocusedNode()) : -1; }
    void Type(const char16_t* s, uint64_t& t) {
        for (; *s; ++s)
            tree.HandleIncrementalSearch(*s, t += 100);
    }
    SearchTree tree;
};

TEST_F(SearchTest, TypingFindsRepeatingCyclesBackspaceShortens) {
    uint64_t t = 1000;
    Type(u"b", t);
    EXPECT_EQ(Focused(), 1);
    EXPECT_TRUE(tree.GetSelected(tree.FocusedNode()));
    Type(u"e", t);
    EXPECT_EQ(Focused(), 2); // "be"
    EXPECT_EQ(tree.SearchBuffer(), u"be");
    tree.HandleIncrementalSearch(8, t += 100); // "b", from the node after the focused one
    EXPECT_EQ(tree.SearchBuffer(), u"b");
    EXPECT_EQ(Focused(), 4);
    EXPECT_EQ(tree.SelectedCount(), 1u);
    // The same letter again cycles through the nodes that start with it.
    tree.StopIncrementalSearch();
    Type(u"b", t);
    EXPECT_EQ(Focused(), 1);
    Type(u"b", t);
    EXPECT_EQ(Focused(), 2);
    Type(u"b", t);
    EXPECT_EQ(Focused(), 4);
    EXPECT_EQ(tree.SearchBuffer(), u"b");
    EXPECT_EQ(tree.beeps, 0);
    // Backwards.
    tree.StopIncrementalSearch();
    tree.IncrementalSearchDirection = sdBackward;
    Type(u"a", t);
    EXPECT_EQ(Focused(), 0);
    Type(u"a", t);
    EXPECT_EQ(Focused(), 5);
}

TEST_F(SearchTest, TheBufferIsForgottenAfterTheTimeout) {
    tree.IncrementalSearchTimeout = 1000;
    tree.HandleIncrementalSearch(u'c', 5000);
    EXPECT_EQ(Focused(), 3);
    EXPECT_TRUE(tree.SearchTimerActive());
    tree.HandleIncrementalSearch(u'h', 5999); // within the time-out: "ch"
    EXPECT_EQ(tree.SearchBuffer(), u"ch");
    tree.HandleIncrementalSearch(u'a', 7000); // after it: a new search for "a"
    EXPECT_EQ(tree.SearchBuffer(), u"a");
    EXPECT_EQ(Focused(), 5);
    tree.StopIncrementalSearch(); // the timer's expiry
    EXPECT_TRUE(tree.SearchBuffer().empty());
    EXPECT_FALSE(tree.TreeStates().Contains(TLeanTreeState::tsIncrementalSearching));
}

TEST_F(SearchTest, NoMatchEndsAfterOneRound) {
    uint64_t t = 0;
    Type(u"z", t);
    EXPECT_EQ(tree.beeps, 1);
    EXPECT_EQ(tree.FocusedNode(), nullptr);
    // Every node hidden: the search stops in every mode.
    for (PLeanNode n = tree.GetFirst(); n; n = n->NextSibling)
        n->States &= ~vsVisible;
    for (TLTIncrementalSearch mode : {isAll, isVisibleOnly, isInitializedOnly}) {
        tree.StopIncrementalSearch();
        tree.SetIncrementalSearch(mode);
        Type(u"q", t);
        Type(u"q", t);
    }
    EXPECT_EQ(tree.beeps, 7);
    // With a start node that is not part of the walk (hidden), too.
    tree.StopIncrementalSearch();
    tree.SetIncrementalSearch(isVisibleOnly);
    tree.IncrementalSearchStart = ssLastHit;
    Type(u"x", t);
    EXPECT_EQ(tree.beeps, 8);
}

TEST_F(SearchTest, AHandlerThatLeavesTheResultAloneMatches) {
    tree.OnIncrementalSearch = [](TBaseLeanTree*, PLeanNode, const std::u16string&, int&) {};
    uint64_t t = 0;
    Type(u"z", t);
    EXPECT_EQ(tree.beeps, 0);
    EXPECT_EQ(Focused(), 0);
    // Without a handler every node matches as well: the search goes on to the next one.
    tree.OnIncrementalSearch = nullptr;
    tree.StopIncrementalSearch();
    Type(u"a", t);
    EXPECT_EQ(tree.beeps, 0);
    EXPECT_EQ(Focused(), 1);
}

TEST_F(SearchTest, KeysReachTheSearch) {
    tree.show();
    tree.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&tree));
    QTest::keyClicks(&tree, "ch");
    EXPECT_EQ(Focused(), 3);
    EXPECT_EQ(tree.SearchBuffer(), u"ch");
    tree.SetIncrementalSearch(isNone);
    tree.StopIncrementalSearch();
    QTest::keyClicks(&tree, "a");
    EXPECT_EQ(Focused(), 3);
}

} // namespace

namespace {

TEST_F(MouseTest, AVCLDragLeavesClicksWorking) {
    using enum TLeanTreeState;
    tree.TreeOptions().SetSelectionOptions({toMultiSelect});
    tree.DragType = dtVCL;
    tree.DragMode = dmAutomatic;
    int drags = 0;
    tree.OnStateChange = [&](TBaseLeanTree*, TLeanTreeStates enter, TLeanTreeStates) {
        if (enter.Contains(tsVCLDragging))
            ++drags;
    };
    Click(Label(1));
    Click(Label(3), Qt::ShiftModifier);
    ASSERT_EQ(tree.SelectedCount(), 3u);
    // Pressed on a selected node and released without moving: no drag, the release clears.
    QTest::mousePress(tree.viewport(), Qt::LeftButton, {}, Label(2));
    EXPECT_TRUE(tree.TreeStates().Contains(tsVCLDragPending));
    QTest::mouseRelease(tree.viewport(), Qt::LeftButton, {}, Label(2));
    EXPECT_FALSE(tree.TreeStates().Contains(tsVCLDragPending));
    EXPECT_EQ(tree.SelectedCount(), 1u);
    EXPECT_TRUE(tree.GetSelected(Top(2)));
    // Moved past the threshold: the drag runs (the offscreen platform ends it at once).
    QTest::mousePress(tree.viewport(), Qt::LeftButton, {}, Label(4));
    Move(Label(4) + QPoint(0, 20), Qt::LeftButton);
    EXPECT_EQ(drags, 1);
    EXPECT_FALSE(tree.TreeStates().Intersects({tsVCLDragging, tsVCLDragPending, tsLeftButtonDown}));
    // Clicks work as before.
    Click(Label(5));
    EXPECT_EQ(tree.FocusedNode(), Top(5));
    EXPECT_EQ(tree.SelectedCount(), 1u);
    Click(Label(1), Qt::ShiftModifier);
    EXPECT_EQ(tree.SelectedCount(), 5u);
}

} // namespace

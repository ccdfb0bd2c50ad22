// Columns and header: positions, widths, auto-size, moves, references on deletion, and the
// header's mouse rules (resize, double-click fit, column drag, clicks).
#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

#include "controls/tree/treedrag.h"
#include "controls/tree/treeheader.h"
#include "controls/tree/treehint.h"
#include "treetestutil.h"

namespace {

using enum TLTHeaderOption;
using enum TLTColumnOption;
using enum THitPosition;

class HeaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree.resize(400, 200);
        tree.Header().SetOptions({hoColumnResize, hoDrag, hoVisible, hoDblClickResize});
        for (int w : {20, 120, 100, 20}) {
            TLeanTreeColumn& c = tree.Header().Columns().Add();
            c.SetWidth(w);
        }
    }
    TLeanTreeColumns& Cols() { return tree.Header().Columns(); }
    TTestTree tree;
};

TEST_F(HeaderTest, PositionsAndLeftEdges) {
    EXPECT_EQ(Cols().Count(), 4);
    EXPECT_EQ(Cols().Items(2).Left(), 140);
    EXPECT_EQ(Cols().TotalWidth(), 260);
    Cols().Items(1).SetOptions(Cols().Items(1).Options() - coVisible);
    EXPECT_EQ(Cols().Items(2).Left(), 20);
    EXPECT_EQ(Cols().GetNextVisibleColumn(0), 2);
    EXPECT_EQ(Cols().GetPreviousVisibleColumn(2), 0);
    EXPECT_EQ(Cols().ColumnFromPosition(QPoint(30, 5)), 2);
    EXPECT_EQ(Cols().ColumnFromPosition(QPoint(500, 5)), InvalidColumn);
    EXPECT_EQ(Cols().ColumnFromPosition(QPoint(-1, 5)), InvalidColumn);
    Cols().Items(1).SetOptions(Cols().Items(1).Options() | coVisible);
    // Moving a column changes the display order only.
    Cols().Items(3).SetPosition(0);
    EXPECT_EQ(Cols().PositionToIndex(), (std::vector<int>{3, 0, 1, 2}));
    EXPECT_EQ(Cols().Items(0).Left(), 20);
    EXPECT_EQ(Cols().GetFirstVisibleColumn(), 3);
    Cols().Items(3).SetPosition(99);
    EXPECT_EQ(Cols().Items(3).Position(), 3u);
}

TEST_F(HeaderTest, WidthLimitsAndAutoSize) {
    TLeanTreeColumn& c = Cols().Items(1);
    c.SetMaxWidth(200);
    c.SetWidth(500);
    EXPECT_EQ(c.Width(), 200);
    c.SetMinWidth(300); // above MaxWidth: limited
    EXPECT_EQ(c.MinWidth(), 200);
    c.SetMargin(-1);
    EXPECT_EQ(c.Margin(), 4);
    int resized = 0;
    tree.OnColumnResize = [&](TLTHeader*, TColumnIndex) { ++resized; };
    tree.Header().SetAutoSizeIndex(2);
    tree.Header().SetOptions(tree.Header().Options() | hoAutoResize);
    int client = tree.ClientWidth();
    EXPECT_EQ(Cols().TotalWidth(), client);
    EXPECT_GT(resized, 0);
    Cols().Items(2).SetMaxWidth(50);
    Cols().AdjustAutoSize(InvalidColumn, true);
    EXPECT_EQ(Cols().Items(2).Width(), 50); // never beyond MaxWidth
}

TEST_F(HeaderTest, DeletingColumnsFixesReferences) {
    tree.Header().SetMainColumn(1);
    tree.Header().SetSortColumn(3);
    Cols().DropTarget = 2; // a column drag over column 2
    Cols().Delete(1);
    EXPECT_EQ(tree.Header().MainColumn(), 0);
    EXPECT_EQ(tree.Header().SortColumn(), 2);
    EXPECT_EQ(Cols().DropTarget, 1);
    tree.Header().SetSortColumn(-7);
    EXPECT_EQ(tree.Header().SortColumn(), -1);
    tree.Header().SetSortColumn(40);
    EXPECT_EQ(tree.Header().SortColumn(), 2);
    Cols().Delete(1);
    EXPECT_EQ(Cols().DropTarget, NoColumn);
    Cols().DropTarget = 0;
    Cols().Clear();
    EXPECT_EQ(tree.Header().MainColumn(), NoColumn);
    EXPECT_EQ(Cols().DropTarget, NoColumn);
}

TEST_F(HeaderTest, MovingAColumnInTheCollectionKeepsTheDisplayAndTheReferences) {
    for (int i = 0; i < 4; ++i)
        Cols().Items(i).SetText(std::string(1, char('A' + i)));
    Cols().Items(3).SetPosition(1);
    tree.Header().SetMainColumn(1);
    tree.Header().SetSortColumn(2);
    tree.Header().SetAutoSizeIndex(3);
    tree.SetFocusedColumn(0);
    Cols().DropTarget = 3;
    // The texts in collection order, then in display order with their left edges.
    auto texts = [&] {
        std::string s;
        for (int i = 0; i < Cols().Count(); ++i)
            s += Cols().Items(i).Text();
        for (int i : Cols().PositionToIndex())
            s += " " + Cols().Items(i).Text() + std::to_string(Cols().Items(i).Left());
        return s;
    };
    auto name = [&](TColumnIndex i) { return i >= 0 ? Cols().Items(i).Text() : "-"; };
    Cols().Items(0).SetIndex(2); // up: B and C move down by one
    EXPECT_EQ(texts(), "BCAD A0 D20 B40 C160");
    Cols().Items(3).SetIndex(0); // down: the others move up by one
    EXPECT_EQ(texts(), "DBCA A0 D20 B40 C160");
    EXPECT_EQ(name(tree.Header().MainColumn()), "B");
    EXPECT_EQ(name(tree.Header().SortColumn()), "C");
    EXPECT_EQ(name(tree.Header().AutoSizeIndex()), "D");
    EXPECT_EQ(name(tree.FocusedColumn()), "A");
    EXPECT_EQ(name(Cols().DropTarget), "D");
}

TEST_F(HeaderTest, DisplayNames) {
    Cols().Items(2).SetText("Next Alert Time");
    EXPECT_EQ(Cols().Items(2).GetDisplayName(), "Next Alert Time");
    Cols().Items(2).SetText("\xC4\x80 wide");
    EXPECT_EQ(Cols().Items(2).GetDisplayName(), "Column 2");
}

TEST_F(HeaderTest, ResizeWithTheMouse) {
    // The split zone of column 1 lies around its right edge at x = 140.
    EXPECT_EQ(tree.Header().DetermineSplitterIndex(QPoint(139, 5)), 1);
    EXPECT_EQ(tree.Header().DetermineSplitterIndex(QPoint(137, 5)), InvalidColumn);
    tree.Header().MousePress(QPoint(140, 5), mbLeft, {});
    tree.Header().MouseMove(QPoint(180, 5), {}, true);
    EXPECT_EQ(Cols().Items(1).Width(), 160);
    tree.Header().MouseRelease(QPoint(180, 5), tree.mapToGlobal(QPoint(180, 5)), mbLeft, {});
    EXPECT_TRUE(tree.Header().States().Empty());
    // A column without coResizable has no split zone.
    Cols().Items(1).SetOptions(Cols().Items(1).Options() - coResizable);
    EXPECT_EQ(tree.Header().DetermineSplitterIndex(QPoint(180, 5)), InvalidColumn);
}

TEST_F(HeaderTest, DoubleClickFitsTheContent) {
    tree.LabelWidth = 60;
    tree.SetRootNodeCount(3);
    tree.Header().SetMainColumn(1);
    int fit = tree.GetMaxColumnWidth(1);
    EXPECT_EQ(fit, int(tree.Indent()) + tree.Margin() + 60); // top level, with the root indent
    tree.Header().DoubleClick(QPoint(140, 5), mbLeft, {});
    EXPECT_EQ(Cols().Items(1).Width(), fit);
}

TEST_F(HeaderTest, ClicksAndColumnDrags) {
    std::vector<TColumnIndex> clicks;
    tree.OnHeaderClick = [&](TLTHeader*, TColumnIndex c, TMouseButton, TShiftState, int, int) {
        clicks.push_back(c);
    };
    QPoint global = tree.mapToGlobal(QPoint(60, 5));
    tree.Header().MousePress(QPoint(60, 5), mbLeft, {});
    tree.Header().MouseRelease(QPoint(60, 5), global, mbLeft, {});
    EXPECT_EQ(clicks, (std::vector<TColumnIndex>{1}));
    // Drag column 1 onto the right half of column 2: it follows column 2.
    int dragged = -1, oldPosition = -1;
    tree.OnHeaderDragged = [&](TLTHeader*, TColumnIndex c, int old) {
        dragged = c;
        oldPosition = old;
    };
    tree.Header().MousePress(QPoint(60, 5), mbLeft, {});
    tree.Header().MouseMove(QPoint(90, 5), {}, true);
    tree.Header().MouseMove(QPoint(220, 5), {}, true);
    EXPECT_EQ(Cols().DropTarget, 2);
    EXPECT_FALSE(Cols().DropBefore);
    tree.Header().MouseRelease(QPoint(220, 5), tree.mapToGlobal(QPoint(220, 5)), mbLeft, {});
    EXPECT_EQ(dragged, 1);
    EXPECT_EQ(oldPosition, 1);
    EXPECT_EQ(Cols().PositionToIndex(), (std::vector<int>{0, 2, 1, 3}));
    EXPECT_EQ(clicks.size(), 1u); // a drag is no click
    // Escape ends a drag without moving.
    tree.Header().MousePress(QPoint(10, 5), mbLeft, {});
    tree.Header().MouseMove(QPoint(40, 5), {}, true);
    EXPECT_TRUE(tree.Header().CancelMouseAction());
    EXPECT_EQ(Cols().PositionToIndex(), (std::vector<int>{0, 2, 1, 3}));
}

TEST_F(HeaderTest, HeaderSitsAboveTheViewport) {
    tree.show();
    EXPECT_EQ(tree.Header().Area()->height(), 17);
    EXPECT_EQ(tree.Header().Area()->geometry().bottom() + 1, tree.viewport()->geometry().top());
    tree.Header().SetOptions(tree.Header().Options() - hoVisible);
    EXPECT_FALSE(tree.Header().Area()->isVisible());
    EXPECT_EQ(tree.Header().VisibleHeight(), 0);
}

TEST_F(HeaderTest, HitTestsInColumns) {
    tree.show(); // lays out the viewport
    tree.LabelWidth = 30;
    tree.SetRootNodeCount(2);
    tree.SetChildCount(tree.GetFirstNoInit(), 1);
    tree.Header().SetMainColumn(1);
    int indent = int(tree.Indent()), margin = tree.Margin();
    // Column 1 spans x 20..140; the top-level row's button sits in its first indent.
    THitInfo hit = tree.GetHitTestInfoAt(20 + 5, 5, true);
    EXPECT_EQ(hit.HitNode, tree.GetFirstNoInit());
    EXPECT_EQ(hit.HitColumn, 1);
    EXPECT_TRUE(hit.HitPositions.Contains(THitPosition::hiOnItemButton));
    hit = tree.GetHitTestInfoAt(20 + indent + margin + 5, 5, true);
    EXPECT_TRUE(hit.HitPositions.Contains(THitPosition::hiOnItemLabel));
    hit = tree.GetHitTestInfoAt(20 + indent + margin + 50, 5, true);
    EXPECT_TRUE(hit.HitPositions.Contains(THitPosition::hiOnItemRight));
    // No button for a node without children: the indent.
    hit = tree.GetHitTestInfoAt(20 + 5, 18 + 5, true);
    EXPECT_EQ(hit.HitNode, tree.GetFirstNoInit()->NextSibling);
    EXPECT_TRUE(hit.HitPositions.Contains(THitPosition::hiOnItemIndent));
    // Mirrored for a right-to-left column.
    Cols().Items(1).SetBiDiMode(bdRightToLeft);
    hit = tree.GetHitTestInfoAt(140 - 5, 5, true);
    EXPECT_TRUE(hit.HitPositions.Contains(THitPosition::hiOnItemButton));
    hit = tree.GetHitTestInfoAt(30, 100, true);
    EXPECT_TRUE(hit.HitPositions.Contains(THitPosition::hiNowhere));
    EXPECT_EQ(hit.HitNode, nullptr);
}

TEST_F(HeaderTest, LabelZonesMatchTheTextRectangle) {
    tree.show();
    tree.LabelWidth = 30;
    tree.SetRootNodeCount(1);
    tree.Header().SetMainColumn(1);
    PLeanNode node = tree.GetFirst();
    auto at = [&](int x) { return tree.GetHitTestInfoAt(x, 5, true).HitPositions; };
    const int columnLeft = Cols().Items(1).GetLeft(),
              columnRight = columnLeft + Cols().Items(1).Width();
    auto inColumn = [&](int x) {
        return x >= columnLeft && x < columnRight ? at(x) : THitPositions();
    };
    for (TBiDiMode bidi : {bdLeftToRight, bdRightToLeft})
        for (TAlignment align : {taLeftJustify, taCenter, taRightJustify}) {
            SCOPED_TRACE(int(bidi) * 10 + int(align));
            Cols().Items(1).SetBiDiMode(bidi);
            Cols().Items(1).SetAlignment(align);
            QRect text = tree.GetDisplayRect(node, 1, true);
            ASSERT_EQ(text.width(), 30);
            EXPECT_EQ(at(text.center().x()), THitPositions({hiOnItem, hiOnItemLabel}));
            // Beside the text, in the label's room: the label, with the side of the text.
            THitPositions left = inColumn(text.left() - 1), right = inColumn(text.right() + 1);
            EXPECT_EQ(left.Contains(hiOnItemLeft), left.Contains(hiOnItemLabel));
            EXPECT_EQ(right.Contains(hiOnItemRight), right.Contains(hiOnItemLabel));
            EXPECT_FALSE(left.Contains(hiOnItemRight));
            EXPECT_FALSE(right.Contains(hiOnItemLeft));
            EXPECT_EQ(left.Contains(hiOnItemLeft) + right.Contains(hiOnItemRight),
                      align == taCenter ? 2 : 1);
        }
}

TEST_F(HeaderTest, StreamRoundTripAndOlderVersions) {
    Cols().Items(1).SetText("Next Alert Time");
    Cols().Items(2).SetAlignment(taRightJustify);
    Cols().Items(3).SetPosition(0);
    tree.Header().SetMainColumn(1);
    tree.Header().SetSortColumn(2);
    tree.Header().SetSortDirection(sdDescending);
    QFont font = tree.Header().Font();
    font.setPixelSize(11);
    tree.Header().SetFont(font);
    TMemoryStream stream;
    tree.Header().SaveToStream(stream);
    TTestTree other;
    stream.SetPosition(0);
    other.Header().LoadFromStream(stream);
    TLeanTreeColumns& copy = other.Header().Columns();
    ASSERT_EQ(copy.Count(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(copy.Items(i).Equals(Cols().Items(i))) << i;
    EXPECT_EQ(copy.PositionToIndex(), Cols().PositionToIndex());
    EXPECT_EQ(other.Header().MainColumn(), 1);
    EXPECT_EQ(other.Header().SortColumn(), 2);
    EXPECT_EQ(other.Header().SortDirection(), sdDescending);
    EXPECT_EQ(other.Header().Font().pixelSize(), 11);
    EXPECT_EQ(other.Header().Options(), tree.Header().Options());

    // Without the marker: version -1, no tag, alignment, colour, main or sort column; the
    // options of a version below 2 move bits 4 to 6 up by one.
    TMemoryStream old;
    old.WriteValue<int32_t>(1); // one column
    old.WriteValue<int32_t>(1);
    old.WriteValue<char16_t>(u'A');
    old.WriteValue<int32_t>(0);
    for (int32_t v : {80, 10, 10000, 0, -1, 0, 4, 4, 0})
        old.WriteValue<int32_t>(v);
    old.WriteValue<int32_t>(0x1F); // options: bits 0 to 4
    old.WriteValue<int32_t>(0);    // position array
    for (int32_t v : {-1, int32_t(clBtnFace), 17, 0x408, 0, 0, -11})
        old.WriteValue<int32_t>(v);
    old.WriteValue<int32_t>(0); // empty font name
    old.WriteValue<int32_t>(0);
    old.WriteValue<int32_t>(0);
    old.SetPosition(0);
    TTestTree third;
    third.Header().LoadFromStream(old);
    ASSERT_EQ(third.Header().Columns().Count(), 1);
    EXPECT_EQ(third.Header().Columns().Items(0).Text(), "A");
    EXPECT_EQ(third.Header().Columns().Items(0).Options().Bits(), 0x2F);
    EXPECT_EQ(third.Header().Columns().Items(0).Width(), 80);
    EXPECT_EQ(old.Remaining(), 0);
}

TEST_F(HeaderTest, DamagedStreamsRaiseAndKeepTheHeaderUsable) {
    TMemoryStream stream;
    tree.Header().SaveToStream(stream);
    std::string bytes(reinterpret_cast<const char*>(stream.Memory()), size_t(stream.Size()));
    for (size_t cut = 0; cut < bytes.size(); cut += 7) {
        TMemoryStream part(std::string_view(bytes).substr(0, cut));
        TTestTree t;
        EXPECT_THROW(t.Header().LoadFromStream(part), EReadError) << cut;
        t.Header().Columns().Add(); // still usable
        EXPECT_TRUE(t.Header().States().Empty());
    }
    TMemoryStream huge;
    huge.WriteValue<int32_t>(-1);
    huge.WriteValue<int32_t>(3);
    huge.WriteValue<int32_t>(0x7FFFFFFF); // column count far beyond the data
    huge.SetPosition(0);
    TTestTree t;
    EXPECT_THROW(t.Header().LoadFromStream(huge), EReadError);
}

// Mouse events straight to the header area (QTest keeps no button state across moves).
void SendMouse(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButtons buttons) {
    Qt::MouseButton b = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(p), QPointF(w->mapToGlobal(p)), b, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

TEST_F(HeaderTest, PressFocusesTheTreeAndEscapeOrFocusLossEndDragAndResize) {
    tree.show();
    QApplication::setActiveWindow(&tree);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&tree));
    tree.clearFocus();
    QWidget* area = tree.Header().Area();
    int clicks = 0;
    tree.OnHeaderClick = [&](TLTHeader*, TColumnIndex, TMouseButton, TShiftState, int, int) {
        ++clicks;
    };
    SendMouse(area, QEvent::MouseButtonPress, QPoint(60, 5), Qt::LeftButton);
    EXPECT_TRUE(tree.hasFocus());
    EXPECT_EQ(area->focusPolicy(), Qt::NoFocus);
    SendMouse(area, QEvent::MouseMove, QPoint(90, 12), Qt::LeftButton);
    ASSERT_TRUE(tree.Header().States().Contains(THeaderState::hsDragging));
    // The dragged column's picture follows the mouse.
    const TLTDragImage& image = tree.Header().DragImage();
    ASSERT_TRUE(image.Visible());
    EXPECT_EQ(image.Picture().size(), QSize(120, 17));
    EXPECT_EQ(image.GetDragImageRect().topLeft(), QPoint(20 + 30, 7));
    SendMouse(area, QEvent::MouseMove, QPoint(220, 5), Qt::LeftButton);
    QTest::keyClick(&tree, Qt::Key_Escape);
    EXPECT_TRUE(tree.Header().States().Empty());
    EXPECT_FALSE(image.Visible());
    // The release of the cancelled drag neither moves nor clicks a column.
    SendMouse(area, QEvent::MouseButtonRelease, QPoint(220, 5), Qt::NoButton);
    EXPECT_EQ(Cols().PositionToIndex(), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(clicks, 0);
    // With hoRestrictDrag the picture moves only sideways.
    tree.Header().SetOptions(tree.Header().Options() | hoRestrictDrag);
    SendMouse(area, QEvent::MouseButtonPress, QPoint(60, 5), Qt::LeftButton);
    SendMouse(area, QEvent::MouseMove, QPoint(90, 40), Qt::LeftButton);
    EXPECT_EQ(image.GetDragImageRect().topLeft(), QPoint(50, 0));
    SendMouse(area, QEvent::MouseButtonRelease, QPoint(90, 40), Qt::NoButton);
    // Losing the focus ends a resize; the width stays where the mouse left it.
    SendMouse(area, QEvent::MouseButtonPress, QPoint(140, 5), Qt::LeftButton);
    SendMouse(area, QEvent::MouseMove, QPoint(150, 5), Qt::LeftButton);
    ASSERT_TRUE(tree.Header().States().Contains(THeaderState::hsTracking));
    tree.clearFocus();
    EXPECT_TRUE(tree.Header().States().Empty());
    SendMouse(area, QEvent::MouseMove, QPoint(190, 5), Qt::LeftButton);
    EXPECT_EQ(Cols().Items(1).Width(), 130);
}

TEST_F(HeaderTest, SortColumnAndDirectionSortUnderAutoSort) {
    tree.SetRootNodeCount(4);
    std::vector<PLeanNode> nodes = ShownRows(tree);
    for (int i = 0; i < 4; ++i)
        tree.Data(nodes[size_t(i)]) = (i * 3) % 4; // 0 3 2 1
    std::vector<TColumnIndex> columns;
    tree.OnCompareNodes = [&](TBaseLeanTree*, PLeanNode a, PLeanNode b, TColumnIndex c, int& r) {
        columns.push_back(c);
        r = tree.Data(a) - tree.Data(b);
    };
    auto order = [&] {
        std::vector<int> v;
        for (PLeanNode n : ShownRows(tree))
            v.push_back(tree.Data(n));
        return v;
    };
    tree.Header().SetSortColumn(2); // without toAutoSort nothing moves
    EXPECT_EQ(order(), (std::vector<int>{0, 3, 2, 1}));
    auto& o = tree.TreeOptions();
    o.SetAutoOptions(o.AutoOptions() | TLTAutoOption::toAutoSort);
    tree.Header().SetSortColumn(1);
    EXPECT_EQ(order(), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(columns.back(), 1);
    tree.BeginUpdate(); // inside an update only the last EndUpdate sorts
    tree.Header().SetSortDirection(sdDescending);
    EXPECT_EQ(order(), (std::vector<int>{0, 1, 2, 3}));
    tree.EndUpdate();
    EXPECT_EQ(order(), (std::vector<int>{3, 2, 1, 0}));
    tree.Header().SetSortDirection(sdAscending);
    EXPECT_EQ(order(), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_TREE_VALID(tree);
}

TEST_F(HeaderTest, ColumnHintsShowOverTheHeader) {
    tree.show();
    tree.Header().SetOptions(tree.Header().Options() | hoShowHint);
    Cols().Items(1).SetHint("When the reminder alerts next");
    QWidget* area = tree.Header().Area();
    SendMouse(area, QEvent::MouseMove, QPoint(60, 5), Qt::NoButton);
    ASSERT_TRUE(tree.HintWindow()->isVisible());
    EXPECT_EQ(tree.HintWindow()->HintData().HintText, "When the reminder alerts next");
    SendMouse(area, QEvent::MouseMove, QPoint(200, 5), Qt::NoButton); // a column without one
    EXPECT_FALSE(tree.HintWindow()->isVisible());
    tree.ShowHint = false; // the tree's switch holds over its header too
    SendMouse(area, QEvent::MouseMove, QPoint(60, 5), Qt::NoButton);
    EXPECT_FALSE(tree.HintWindow()->isVisible());
}

TEST(HeaderAutoSize, FollowsAVerticalScrollBarThatComesAndGoes) {
    // Filled inside a hidden window, as a list window is, then shown.
    QWidget window;
    auto* tree = new TTestTree;
    (new QVBoxLayout(&window))->addWidget(tree);
    for (int w : {20, 120, 100, 20})
        tree->Header().Columns().Add().SetWidth(w);
    tree->Header().SetAutoSizeIndex(1);
    tree->Header().SetOptions({hoAutoResize, hoVisible});
    tree->SetRootNodeCount(100); // higher than the tree
    window.resize(400, 200);
    window.show();
    QScrollBar* h = tree->horizontalScrollBar();
    QScrollBar* v = tree->verticalScrollBar();
    // No empty band beside the columns and no horizontal bar.
    auto fits = [&] {
        return tree->Header().Columns().TotalWidth() == tree->viewport()->width() &&
               h->maximum() == 0 && !h->isVisible();
    };
    EXPECT_TRUE(v->isVisible());
    EXPECT_TRUE(fits());
    const int narrow = tree->viewport()->width();
    tree->Clear(); // the vertical bar goes
    EXPECT_TRUE(QTest::qWaitFor([&] { return !v->isVisible(); }));
    EXPECT_GT(tree->viewport()->width(), narrow);
    EXPECT_TRUE(fits());
    tree->SetRootNodeCount(100); // and comes again
    EXPECT_TRUE(QTest::qWaitFor([&] { return v->isVisible(); }));
    EXPECT_EQ(tree->viewport()->width(), narrow);
    EXPECT_TRUE(fits());
}

} // namespace

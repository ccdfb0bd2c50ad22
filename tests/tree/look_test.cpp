// The tree's look settings: line colour, selection over a background picture, vertical
// placement of buttons and images, the frame, column moves from code and the reading order.
#include "controls/tree/stringtree.h"
#include "controls/tree/treeheader.h"
#include "treepainttest.h"

namespace {

using enum TLTPaintOption;
using enum TLTSelectionOption;

class LookTest : public TreePaintTest {};

TEST_F(LookTest, TreeLineColourRepaintsLinesAndButtonFrames) {
    QImage img = Render();
    EXPECT_EQ(CountColor(img.copy(9, h, 1, h), Q(clBtnShadow)), h / 2);
    tree.Colors().Set(TLTColors::TreeLineColor, clRed);
    img = Render();
    EXPECT_EQ(CountColor(img.copy(9, h, 1, h), Q(clRed)), h / 2); // the dotted line
    EXPECT_EQ(CountColor(img.copy(9, h, 1, h), Q(clBtnShadow)), 0);
    EXPECT_EQ(At(img, 5, 5), Q(clRed)); // the minus button's frame
    // A copied colour set brings its line colour along.
    TTestTree other;
    tree.Colors().Assign(other.Colors());
    EXPECT_EQ(CountColor(Render().copy(9, h, 1, h), Q(clBtnShadow)), h / 2);
}

TEST_F(LookTest, FullRowSelectionShowsOverTheBackgroundPicture) {
    TLeanStringTree st;
    st.resize(300, 100);
    st.SetRootNodeCount(3);
    st.OnGetText = [](TBaseLeanTree*, PLeanNode, TColumnIndex, TVSTTextType, QString& text) {
        text = QStringLiteral("WWWWWWWW");
    };
    QImage picture(8, 8, QImage::Format_ARGB32);
    picture.fill(Qt::green);
    st.SetBackground(picture);
    st.TreeOptions().SetPaintOptions(st.TreeOptions().PaintOptions() | toShowBackground);
    st.TreeOptions().SetSelectionOptions({toFullRowSelect});
    Focus(st);
    PLeanNode second = st.GetFirst()->NextSibling;
    st.SetSelected(second, true);
    QImage img = Render(st, QRect(0, 0, 300, 100));
    EXPECT_EQ(At(img, 250, h + h / 2), Q(clHighlight)); // the band over the picture
    EXPECT_EQ(At(img, 250, h / 2), QColor(Qt::green));  // an unselected row shows the picture
    // The text stays readable: highlight-text pixels on the band.
    EXPECT_GT(CountColor(img.copy(20, h, 120, h), Q(clHighlightText)), 10);
}

TEST_F(LookTest, NodeAlignmentPlacesImagesAndButtons) {
    auto list = std::make_shared<TLTImageList>(16, 16);
    QImage red(16, 16, QImage::Format_ARGB32);
    red.fill(Qt::red);
    list->Add(red);
    tree.SetImages(list);
    tree.OnGetImageIndex = [&](TBaseLeanTree*, PLeanNode n, TLTImageKind, TColumnIndex, bool&,
                               int& index) { index = n == rows[4] ? 0 : -1; };
    tree.SetNodeHeight(rows[4], 40);
    tree.SetNodeHeight(rows[3], 40);
    const int top4 = 3 * h + 40, imageX = 18 + 4 + 8;
    auto imageTop = [&] {
        QImage img = Render();
        for (int y = top4; y < top4 + 40; ++y)
            if (At(img, imageX, y) == QColor(Qt::red))
                return y - top4;
        return -1;
    };
    EXPECT_EQ(imageTop(), 12); // proportional at 50: centred
    tree.SetNodeAlignment(naFromTop);
    rows[4]->Align = 10;
    EXPECT_EQ(imageTop(), 2); // centre 10 pixels from the top
    tree.SetNodeAlignment(naFromBottom);
    EXPECT_EQ(imageTop(), 22); // centre 10 pixels from the bottom
    tree.SetNodeAlignment(naProportional);
    rows[4]->Align = 100;
    EXPECT_EQ(imageTop(), 24);
    // The button follows: row 3 (no image) with its centre 8 from the top.
    tree.SetNodeAlignment(naFromTop);
    rows[3]->Align = 8;
    tree.TreeOptions().SetPaintOptions(tree.TreeOptions().PaintOptions() - toShowTreeLines);
    QImage img = Render();
    const int top3 = 3 * h;
    EXPECT_EQ(At(img, 5, top3 + 4), Q(clBtnShadow)); // frame top at 8 - 4
    EXPECT_EQ(At(img, 5 + 4, top3 + 8), tree.palette().color(QPalette::WindowText));
    EXPECT_EQ(At(img, 5 + 4, top3 + 20), Q(clWindow)); // nothing at the row's middle
}

TEST_F(LookTest, ShadedButtonsDarkenDownwards) {
    tree.TreeOptions().SetPaintOptions(tree.TreeOptions().PaintOptions() - toShowTreeLines);
    tree.SetButtonFillMode(fmShaded);
    QImage img = Render();                           // the minus of row 0 at x 5..13, y 5..13
    EXPECT_EQ(At(img, 6, 5), QColor(120, 152, 181)); // the frame
    EXPECT_EQ(At(img, 6, 6), QColor(Qt::white));
    EXPECT_EQ(At(img, 6, 12), QColor(198, 198, 186));
    EXPECT_EQ(At(img, 9, 9), QColor(Qt::black)); // the sign
}

TEST_F(LookTest, BorderStyleSetsTheFrame) {
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    EXPECT_EQ(tree.BorderStyle(), bsSingle);
    EXPECT_GT(tree.frameWidth(), 0);
    int width = tree.viewport()->width();
    tree.SetBorderStyle(bsNone);
    EXPECT_EQ(tree.BorderStyle(), bsNone);
    EXPECT_EQ(tree.frameWidth(), 0);
    EXPECT_GT(tree.viewport()->width(), width);
}

TEST_F(LookTest, PositionFromCodeRepaintsRowsAndWaitsForLoading) {
    TLTHeader& header = tree.Header();
    header.SetOptions(header.Options() | TLTHeaderOption::hoVisible);
    auto& cols = header.Columns();
    for (int i = 0; i < 3; ++i)
        cols.Add().SetWidth(80);
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    QTest::qWait(20);
    int painted = 0;
    tree.OnBeforeItemPaint = [&](TBaseLeanTree*, QPainter&, PLeanNode, QRect, bool&) { ++painted; };
    cols.Items(0).SetPosition(2);
    QTest::qWait(20);
    EXPECT_GT(painted, 0);
    EXPECT_EQ(cols.PositionToIndex(), (std::vector<int>{1, 2, 0}));
    // While loading a position is only stored; loading's end orders the columns by them.
    tree.BeginLoading();
    cols.Items(2).SetPosition(0);
    cols.Items(1).SetPosition(1);
    EXPECT_EQ(cols.PositionToIndex(), (std::vector<int>{1, 2, 0}));
    tree.Loaded();
    EXPECT_EQ(cols.PositionToIndex(), (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(cols.Items(2).Left(), 0);
    EXPECT_EQ(cols.Items(0).Left(), 160);
}

TEST_F(LookTest, RightToLeftTreePaintsTheCellWithoutColumnsFromTheRight) {
    tree.TreeOptions().SetPaintOptions(tree.TreeOptions().PaintOptions() - toShowTreeLines);
    QImage ltr = Render();
    tree.setLayoutDirection(Qt::RightToLeft);
    EXPECT_EQ(tree.BiDiMode(), bdRightToLeft);
    QImage rtl = Render();
    EXPECT_EQ(At(ltr, 5, 5), Q(clBtnShadow));
    EXPECT_EQ(At(rtl, 5, 5), Q(clWindow));
    EXPECT_EQ(At(rtl, 300 - 1 - 5, 5), Q(clBtnShadow)); // the button mirrored
    // The hit test agrees: the button is found at the right.
    EXPECT_TRUE(tree.GetHitTestInfoAt(300 - 1 - 9, 9, true)
                    .HitPositions.Contains(THitPosition::hiOnItemButton));
    // Columns that take the tree's reading order follow it; one set on its own keeps it.
    auto& cols = tree.Header().Columns();
    TLeanTreeColumn& a = cols.Add();
    TLeanTreeColumn& b = cols.Add();
    EXPECT_EQ(a.BiDiMode(), bdRightToLeft);
    b.SetBiDiMode(bdLeftToRight);
    tree.setLayoutDirection(Qt::LeftToRight);
    EXPECT_EQ(a.BiDiMode(), bdLeftToRight);
    tree.setLayoutDirection(Qt::RightToLeft);
    EXPECT_EQ(a.BiDiMode(), bdRightToLeft);
    EXPECT_EQ(b.BiDiMode(), bdLeftToRight);
    b.SetOptions(b.Options() | TLTColumnOption::coParentBidiMode);
    EXPECT_EQ(b.BiDiMode(), bdRightToLeft);
}

} // namespace

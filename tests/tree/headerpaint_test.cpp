// The header's cell layout (image, text and sort glyph by Layout, Alignment and reading order)
// and fixed columns staying in place, in the rows and in the header, while the rest scrolls.
#include <QApplication>
#include <QTest>

#include "controls/tree/treeheader.h"
#include "controls/tree/treehelpers.h"
#include "gui/guitestutil.h"
#include "platform/gui/qtcolors.h"
#include "treetestutil.h"

namespace {

using enum TLTHeaderOption;
using enum TLTColumnOption;

TEST(HeaderLayout, ImageTextAndSortGlyphByLayoutAlignmentAndReadingOrder) {
    TTestTree tree;
    tree.Header().SetImages(std::make_shared<TLTImageList>(16, 16));
    TLeanTreeColumn& c = tree.Header().Columns().Add();
    c.SetText("Name");
    QFontMetrics fm(tree.Header().Font());
    int tw = fm.horizontalAdvance("Name"), th = fm.height();
    QRect cell(100, 0, 120, 17);
    THeaderLayout l = c.ComputeHeaderLayout(fm, cell, true, false);
    EXPECT_EQ(l.GlyphPos, QPoint(104, 0)); // margin 4; (17 - 16) / 2 rounds toward zero
    EXPECT_EQ(l.TextBounds, QRect(124, (17 - th) / 2, tw, th));
    c.SetLayout(blGlyphRight);
    l = c.ComputeHeaderLayout(fm, cell, true, false);
    EXPECT_EQ(l.TextBounds.left(), 104);
    EXPECT_EQ(l.GlyphPos.x(), 104 + tw + 4);
    // Right-justified with the sort glyph: the glyph ends Margin from the right edge, the
    // content Spacing before it.
    c.SetLayout(blGlyphLeft);
    c.SetAlignment(taRightJustify);
    l = c.ComputeHeaderLayout(fm, cell, true, true);
    EXPECT_EQ(l.SortGlyphPos.x(), 220 - 4 - SortGlyphSize.width());
    EXPECT_EQ(l.TextBounds.right() + 1, l.SortGlyphPos.x() - 4);
    EXPECT_EQ(l.GlyphPos.x(), l.TextBounds.left() - 4 - 16);
    // Centred, image above the text, in a taller cell.
    c.SetAlignment(taCenter);
    c.SetLayout(blGlyphTop);
    QRect tall(100, 0, 120, 40);
    l = c.ComputeHeaderLayout(fm, tall, true, false);
    int top = (40 - (16 + 4 + th)) / 2;
    int block = std::max(16, tw), x = 100 + (120 - block) / 2;
    EXPECT_EQ(l.GlyphPos, QPoint(x + (block - 16) / 2, top));
    EXPECT_EQ(l.TextBounds.left(), x + (block - tw) / 2);
    EXPECT_EQ(l.TextBounds.top(), top + 16 + 4);
    c.SetLayout(blGlyphBottom);
    l = c.ComputeHeaderLayout(fm, tall, true, false);
    EXPECT_EQ(l.TextBounds.top(), top);
    EXPECT_EQ(l.GlyphPos.y(), top + th + 4);
    // Right-to-left reading mirrors the cell: image at the right, text left of it.
    c.SetLayout(blGlyphLeft);
    c.SetAlignment(taLeftJustify);
    c.SetBiDiMode(bdRightToLeft);
    l = c.ComputeHeaderLayout(fm, cell, true, true);
    EXPECT_EQ(l.GlyphPos.x(), 220 - 4 - 16);
    EXPECT_EQ(l.TextBounds.right() + 1, 220 - 4 - 16 - 4);
    EXPECT_EQ(l.SortGlyphPos.x() + SortGlyphSize.width(), l.TextBounds.left() - 4);
    // A narrow cell: the text takes what is left.
    c.SetBiDiMode(bdLeftToRight);
    l = c.ComputeHeaderLayout(fm, QRect(0, 0, 40, 17), true, false);
    EXPECT_EQ(l.TextBounds.width(), 40 - 2 * 4 - 16 - 4);
}

// A caption far wider than Qt's coordinates reach is measured only as far as the cell has room:
// it takes that room.
TEST(HeaderLayout, AHugeCaptionTakesTheRoomThereIs) {
    TTestTree tree;
    TLeanTreeColumn& c = tree.Header().Columns().Add();
    c.SetText(std::string(500'000, 'W'));
    QFont big = tree.Header().Font();
    big.setPixelSize(100);
    const QFontMetrics fm(big);
    EXPECT_EQ(c.ComputeHeaderLayout(fm, QRect(0, 0, 120, 17), false, false).TextBounds.width(),
              120 - 2 * 4);
}

TEST(HeaderFaces, TheThemeFaceComesBeforeTheOwnXPFace) {
    TTestTree tree;
    tree.Header().SetOptions({hoVisible});
    tree.Header().SetStyle(hsXPStyle);
    tree.Header().Columns().Add().SetWidth(100);
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    const int h = tree.Header().Height();
    for (bool themed : {true, false}) {
        ThemesGuard guard(themed);
        QImage img = Render(*tree.Header().Area(), themed ? "xpheader_themed" : "xpheader");
        QImage face(img.size(), QImage::Format_RGB32);
        face.fill(QColor(235, 234, 219));
        QPainter p(&face);
        if (themed) {
            DrawHeaderItem(p, QRect(0, 0, 100, h), TThemeState::Normal);
            DrawHeaderItem(p, QRect(100, 0, img.width() - 100, h), TThemeState::Normal);
        }
        for (int x : {50, 100 + (img.width() - 100) / 2}) // in the cell and right of it
            EXPECT_EQ(img.pixel(x, h / 2), face.pixel(x, h / 2)) << themed << " " << x;
    }
}

TEST(HeaderFaces, TheOwnXPFaceRightOfTheLastColumnHasItsShadedBottom) {
    ThemesGuard classic(false);
    TTestTree tree;
    tree.Header().SetOptions({hoVisible});
    tree.Header().SetStyle(hsXPStyle);
    tree.Header().Columns().Add().SetWidth(100);
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    QImage img = Render(*tree.Header().Area(), "xpheader_rest");
    QImage face(img.size(), QImage::Format_RGB32);
    QPainter p(&face);
    QRect rest(100, 0, img.width() - 100, img.height());
    DrawXPButton(p, rest, false, false, false);
    int x = 100 + rest.width() / 2;
    for (int y = img.height() - 3; y < img.height(); ++y) {
        EXPECT_NE(QColor(img.pixel(x, y)), QColor(235, 234, 219)) << y;
        EXPECT_EQ(img.pixel(x, y), face.pixel(x, y)) << y;
    }
}

// Columns 0 (60, fixed, yellow), 1 (300, cyan), 2 (150, magenta), 3 (40, fixed, green) in a
// client about 300 pixels wide; the header paints each cell's background in its colour.
class FixedColumnsTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree.resize(304, 150);
        tree.Header().SetOptions({hoVisible, hoOwnerDraw, hoShowImages});
        const TColor colours[] = {clYellow, clAqua, clFuchsia, clLime};
        const int widths[] = {60, 300, 150, 40};
        for (int i = 0; i < 4; ++i) {
            TLeanTreeColumn& c = tree.Header().Columns().Add();
            c.SetWidth(widths[i]);
            c.SetColor(colours[i]);
            if (i == 0 || i == 3)
                c.SetOptions(c.Options() | coFixed);
        }
        auto images = std::make_shared<TLTImageList>(16, 16);
        QImage red(16, 16, QImage::Format_ARGB32);
        red.fill(Qt::red);
        images->Add(red);
        tree.Header().SetImages(images);
        tree.Header().Columns().Items(0).SetImageIndex(0);
        tree.OnHeaderDrawQueryElements = [](TLTHeader*, THeaderPaintInfo&,
                                            THeaderPaintElements& e) {
            e |= THeaderPaintElement::hpeBackground;
        };
        tree.OnAdvancedHeaderDraw = [](TLTHeader*, THeaderPaintInfo& info,
                                       const THeaderPaintElements& e) {
            if (e.Contains(THeaderPaintElement::hpeBackground))
                info.TargetCanvas->fillRect(info.PaintRectangle,
                                            info.Column ? ColorToQColor(info.Column->Color())
                                                        : QColor(Qt::gray));
        };
        tree.SetRootNodeCount(3);
        tree.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
        tree.UpdateScrollBars(true);
    }
    QColor Row(int x) { return QColor(rows.pixel(x, 5)); }
    QColor Below(int x) { return QColor(rows.pixel(x, rows.height() - 5)); }
    QColor Head(int x, int y = 16) { return QColor(header.pixel(x, y)); }
    void Grab() {
        rows = Render(*tree.viewport());
        header = Render(*tree.Header().Area(), "fixedcolumns_header");
    }
    ThemesGuard classic{false};
    TTestTree tree;
    QImage rows, header;
};

TEST_F(FixedColumnsTest, FixedColumnsKeepTheirPixelsWhileTheRestScrolls) {
    int client = tree.ClientWidth();
    ASSERT_LT(client, 550);
    TLeanTreeColumns& cols = tree.Header().Columns();
    tree.SetOffsetX(-200);
    ASSERT_EQ(tree.OffsetX(), -200);
    Grab();
    QColor yellow = ColorToQColor(clYellow), aqua = ColorToQColor(clAqua),
           fuchsia = ColorToQColor(clFuchsia), lime = ColorToQColor(clLime);
    // Column 1 starts 140 pixels left of the client, under the fixed column 0.
    for (auto [x, colour] : {std::pair{5, yellow},
                             {59, yellow},
                             {60, aqua},
                             {159, aqua},
                             {160, fuchsia},
                             {client - 41, fuchsia},
                             {client - 40, lime},
                             {client - 1, lime}}) {
        EXPECT_EQ(Row(x), colour) << x;
        EXPECT_EQ(Below(x), colour) << x;
        EXPECT_EQ(Head(x), colour) << x;
    }
    EXPECT_EQ(Head(4 + 8, 8), QColor(Qt::red)); // column 0's image stays too
    // Hit tests agree with the painting.
    for (auto [x, column] : {std::pair{30, 0}, {100, 1}, {200, 2}, {client - 10, 3}})
        EXPECT_EQ(cols.ColumnFromPosition(QPoint(x, 5)), column) << x;
    EXPECT_EQ(tree.GetHitTestInfoAt(client - 10, 5, true).HitColumn, 3);
    EXPECT_EQ(tree.GetHitTestInfoAt(30, 5, true).HitColumn, 0);
    // Scrolled to the end, column 2 ends where the fixed column 3 begins.
    tree.SetOffsetX(-100000);
    EXPECT_EQ(tree.OffsetX(), client - 550);
    EXPECT_EQ(cols.Items(2).GetLeft() + 150, client - 40);
    EXPECT_EQ(cols.ColumnFromPosition(QPoint(client - 41, 5)), 2);
    // Columns narrower than the client: nothing is pinned, column 3 follows column 2.
    cols.Items(1).SetWidth(20);
    tree.SetOffsetX(0);
    EXPECT_EQ(cols.Items(3).GetLeft(), 60 + 20 + 150);
    Grab();
    EXPECT_EQ(Row(60 + 20 + 150 + 5), lime);
    EXPECT_EQ(Head(60 + 20 + 150 + 45), QColor(Qt::gray)); // the host's background after it
}

} // namespace

// Fixed columns staying in place, in the rows and in the header, while the rest scrolls.
#include <QApplication>
#include <QTest>

#include "controls/tree/treeheader.h"
#include "gui/guitestutil.h"
#include "platform/gui/qtcolors.h"
#include "treetestutil.h"

namespace {

using enum TLTHeaderOption;
using enum TLTColumnOption;

// Columns 0 (60, fixed, yellow), 1 (300, cyan), 2 (150, magenta), 3 (40, fixed, green) in a
// client about 300 pixels wide; the host paints each header cell in its colour.
class FixedColumnsTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree.resize(304, 150);
        tree.Header().SetOptions({hoVisible, hoOwnerDraw});
        const TColor colours[] = {clYellow, clAqua, clFuchsia, clLime};
        const int widths[] = {60, 300, 150, 40};
        for (int i = 0; i < 4; ++i) {
            TLeanTreeColumn& c = tree.Header().Columns().Add();
            c.SetWidth(widths[i]);
            c.SetColor(colours[i]);
            if (i == 0 || i == 3)
                c.SetOptions(c.Options() | coFixed);
        }
        tree.OnHeaderDraw = [](TLTHeader*, QPainter& p, TLeanTreeColumn* c, QRect r, bool, bool,
                               TLTDropMarkMode) { p.fillRect(r, ColorToQColor(c->Color())); };
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
    EXPECT_EQ(Head(60 + 20 + 150 + 5), lime);
}

} // namespace

// The tree's look settings: line colour, selection over a background picture.
#include <QApplication>
#include <QTest>

#include "controls/tree/stringtree.h"
#include "controls/tree/treeheader.h"
#include "gui/guitestutil.h"
#include "platform/gui/qtcolors.h"
#include "treetestutil.h"

namespace {

using enum TLTPaintOption;
using enum TLTSelectionOption;

QColor Q(TColor c) {
    return ColorToQColor(c);
}

QColor At(const QImage& img, int x, int y) {
    return QColor(img.pixel(x, y));
}

// Rows 18 high: 0 parent (expanded), 1-2 its children, 3 a collapsed parent, 4 a leaf.
class LookTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree.LabelWidth = 40;
        tree.resize(300, 200);
        tree.SetRootNodeCount(3);
        PLeanNode first = tree.GetFirstNoInit();
        tree.SetChildCount(first, 2);
        tree.SetChildCount(first->NextSibling, 2);
        tree.ToggleNode(first);
        rows = ShownRows(tree);
    }
    QImage Render(TBaseLeanTree& t, QRect window = QRect(0, 0, 300, 200)) {
        QImage img(window.size(), QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::magenta);
        QPainter p(&img);
        t.PaintTree(p, window, QPoint(0, 0), AllPaintOptions);
        return img;
    }
    QImage Render() { return Render(tree); }
    void Focus(QWidget& w) {
        w.show();
        QApplication::setActiveWindow(&w);
        w.setFocus();
        QTest::qWait(1);
        ASSERT_TRUE(w.hasFocus());
    }
    ThemesGuard classic{false};
    TTestTree tree;
    std::vector<PLeanNode> rows;
    const int h = 18;
};

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

} // namespace

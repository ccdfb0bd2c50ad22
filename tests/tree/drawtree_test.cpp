// The draw tree: the host paints the cells, sizes the labels and supplies the cells' hints.
#include <QPainter>

#include "controls/tree/drawtree.h"
#include "controls/tree/treehint.h"
#include "treetestutil.h"

namespace {

TEST(DrawTree, TheHostDrawsSizesAndHintsTheCells) {
    TLeanDrawTree tree;
    tree.SetNodeDataSize(4);
    tree.resize(300, 200);
    tree.SetRootNodeCount(2);
    PLeanNode first = tree.GetFirst(), second = first->NextSibling;
    // Labels are 2 x TextMargin wide unless the host says otherwise.
    EXPECT_EQ(tree.GetDisplayRect(first, NoColumn, true).width(), 2 * tree.TextMargin());
    tree.OnGetNodeWidth = [&](TBaseLeanTree*, QPainter& c, PLeanNode n, TColumnIndex, int& width) {
        if (n == second)
            width = QFontMetrics(c.font()).horizontalAdvance("wide label");
    };
    tree.InvalidateNode(second);
    EXPECT_EQ(tree.GetDisplayRect(second, NoColumn, true).width(),
              QFontMetrics(tree.font()).horizontalAdvance("wide label"));
    std::vector<PLeanNode> drawn;
    tree.OnDrawNode = [&](TBaseLeanTree*, const TLTPaintInfo& info) {
        drawn.push_back(info.Node);
        info.Canvas->fillRect(info.ContentRect, Qt::green);
    };
    QImage img(300, 200, QImage::Format_RGB32);
    QPainter p(&img);
    tree.PaintTree(p, img.rect(), QPoint(0, 0), AllPaintOptions);
    EXPECT_EQ(drawn, (std::vector<PLeanNode>{first, second}));
    EXPECT_EQ(QColor(img.pixel(30, 18 + 9)), QColor(Qt::green));
    // A cell's hint: its rectangle from the host, used as it is.
    tree.OnGetHintSize = [](TBaseLeanTree*, PLeanNode, TColumnIndex, QRect& r) {
        r = QRect(0, 0, 80, 30);
    };
    TLTHintData data;
    data.Node = first;
    data.HintRect = tree.DoGetHintSize(first, NoColumn);
    EXPECT_EQ(tree.HintWindow()->CalcHintRect(200, {}, data), QRect(0, 0, 80, 30));
}

} // namespace

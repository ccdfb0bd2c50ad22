#pragma once
// The fixture of the tests that check the tree's painting at the pixels: five rows 18 high
// (0 a parent, expanded; 1-2 its children; 3 a collapsed parent; 4 a leaf) with labels 40
// wide, in a 300 x 200 tree painted without themes, and the helpers to render and look.

#include <QApplication>
#include <QPainter>
#include <QTest>

#include "gui/guitestutil.h"
#include "platform/gui/qtcolors.h"
#include "treetestutil.h"

inline QColor Q(TColor c) {
    return ColorToQColor(c);
}

inline QColor At(const QImage& img, int x, int y) {
    return QColor(img.pixel(x, y));
}

class TreePaintTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree.LabelWidth = 40;
        tree.resize(300, 200);
        tree.SetRootNodeCount(3);
        PLeanNode first = tree.GetFirstNoInit();
        tree.SetChildCount(first, 2);
        tree.SetChildCount(first->NextSibling, 2); // stays collapsed
        tree.ToggleNode(first);
        rows = ShownRows(tree);
    }
    // Renders the rectangle Window of t (tree coordinates) at (0, 0) of a new image that starts
    // magenta.
    QImage Render(TBaseLeanTree& t, QRect window = QRect(0, 0, 300, 200),
                  TLTInternalPaintOptions options = AllPaintOptions) {
        QImage img(window.size(), QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::magenta);
        QPainter p(&img);
        t.PaintTree(p, window, QPoint(0, 0), options);
        return img;
    }
    QImage Render(QRect window = QRect(0, 0, 300, 200),
                  TLTInternalPaintOptions options = AllPaintOptions) {
        return Render(tree, window, options);
    }
    // Shows w in the active window and gives it the focus.
    void Focus(QWidget& w) {
        w.show();
        QApplication::setActiveWindow(&w);
        w.setFocus();
        QTest::qWait(1);
        ASSERT_TRUE(w.hasFocus());
    }
    void Focus() { Focus(tree); }
    ThemesGuard classic{false};
    TTestTree tree;
    std::vector<PLeanNode> rows;
    const int h = 18; // row height
};

// State and normal images: where they are painted, where hit tests find them, how far they
// push the label, and which list and index the events choose.
#include <QApplication>

#include "gui/guitestutil.h"
#include "platform/gui/qtcolors.h"
#include "treetestutil.h"

namespace {

using enum THitPosition;

std::shared_ptr<TLTImageList> Solid(int size, std::initializer_list<QColor> colors) {
    auto list = std::make_shared<TLTImageList>(size, size);
    for (const QColor& c : colors) {
        QImage img(size, size, QImage::Format_ARGB32);
        img.fill(c);
        list->Add(img);
    }
    return list;
}

// Rows 18 high at level 0 behind the root's indentation: images start at 18 + 4 = 22.
class ImagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree.LabelWidth = 40;
        tree.resize(300, 200);
        tree.SetRootNodeCount(3);
        for (PLeanNode n = tree.GetFirst(); n; n = n->NextSibling)
            rows.push_back(n);
        tree.SetImages(Solid(16, {Qt::red, Qt::blue}));
        tree.SetStateImages(Solid(12, {Qt::yellow}));
        // Row 0: state and normal image; row 1: a normal image only; row 2: none.
        tree.OnGetImageIndex = [this](TBaseLeanTree*, PLeanNode n, TLTImageKind kind, TColumnIndex,
                                      bool& ghosted, int& index) {
            ++asked;
            ghosted = ghost;
            if (n == rows[0])
                index = kind == ikState ? 0 : kind == ikNormal ? 0 : -1;
            else if (n == rows[1] && kind == ikNormal)
                index = 1;
            else if (n == rows[1] && kind == ikSelected)
                index = 0;
        };
    }
    QImage Render() {
        QImage img(300, 200, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::magenta);
        QPainter p(&img);
        tree.PaintTree(p, QRect(0, 0, 300, 200), QPoint(0, 0), AllPaintOptions);
        return img;
    }
    THitPositions HitAt(int x, int row) {
        return tree.GetHitTestInfoAt(x, row * 18 + 9, true).HitPositions;
    }
    ThemesGuard classic{false};
    TTestTree tree;
    std::vector<PLeanNode> rows;
    bool ghost = false;
    int asked = 0;
};

TEST_F(ImagesTest, ImagesArePaintedBeforeTheLabel) {
    QImage img = Render();
    QColor window = ColorToQColor(clWindow);
    // Row 0: the 12 x 12 state image at x 22..33 (centred: y 3..14), then the normal image
    // at 36..51 (y 1..16).
    EXPECT_EQ(QColor(img.pixel(22, 3)), QColor(Qt::yellow));
    EXPECT_EQ(QColor(img.pixel(33, 14)), QColor(Qt::yellow));
    EXPECT_EQ(QColor(img.pixel(34, 9)), window); // the 2 pixels between
    EXPECT_EQ(QColor(img.pixel(36, 1)), QColor(Qt::red));
    EXPECT_EQ(QColor(img.pixel(51, 16)), QColor(Qt::red));
    EXPECT_EQ(QColor(img.pixel(52, 9)), window);
    // Row 1: only the normal image, at 22..37.
    EXPECT_EQ(QColor(img.pixel(22, 18 + 1)), QColor(Qt::blue));
    EXPECT_EQ(QColor(img.pixel(38, 18 + 9)), window);
    // Row 2: nothing.
    EXPECT_EQ(QColor(img.pixel(30, 36 + 9)), window);
}

TEST_F(ImagesTest, GhostedAndSelectedImages) {
    ghost = true;
    QImage img = Render();
    // Half of the blue over the window colour.
    QColor c(img.pixel(30, 18 + 9)), w = ColorToQColor(clWindow);
    EXPECT_NEAR(c.red(), w.red() / 2, 2);
    EXPECT_NEAR(c.blue(), (255 + w.blue()) / 2, 2);
    ghost = false;
    // A selected node shows its selected image (row 1: image 0).
    tree.SetSelected(rows[1], true);
    img = Render();
    EXPECT_EQ(QColor(img.pixel(30, 18 + 9)), QColor(Qt::red));
    // Row 0 has no selected image: its normal one stays.
    tree.SetSelected(rows[0], true);
    img = Render();
    EXPECT_EQ(QColor(img.pixel(40, 9)), QColor(Qt::red));
}

TEST_F(ImagesTest, HitTestsFindTheImages) {
    EXPECT_TRUE(HitAt(22, 0).Contains(hiOnStateIcon));
    EXPECT_TRUE(HitAt(35, 0).Contains(hiOnStateIcon)); // its 2 extra pixels
    EXPECT_TRUE(HitAt(36, 0).Contains(hiOnNormalIcon));
    EXPECT_TRUE(HitAt(53, 0).Contains(hiOnNormalIcon));
    EXPECT_TRUE(HitAt(54, 0).Contains(hiOnItemLabel));
    EXPECT_TRUE(HitAt(54 + 40, 0).Contains(hiOnItemRight));
    EXPECT_FALSE(HitAt(36, 0).Contains(hiOnItemLabel));
    EXPECT_TRUE(HitAt(22, 1).Contains(hiOnNormalIcon));
    EXPECT_TRUE(HitAt(40, 1).Contains(hiOnItemLabel));
    EXPECT_TRUE(HitAt(22, 2).Contains(hiOnItemLabel));
    // Check boxes come first.
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() |
                                      TLTMiscOption::toCheckSupport);
    tree.SetCheckType(rows[0], ctCheckBox);
    EXPECT_TRUE(HitAt(22, 0).Contains(hiOnItemCheckbox));
    EXPECT_TRUE(HitAt(40, 0).Contains(hiOnStateIcon));
    EXPECT_TRUE(HitAt(54, 0).Contains(hiOnNormalIcon));
}

TEST_F(ImagesTest, TheLabelMovesByTheImages) {
    EXPECT_EQ(tree.GetDisplayRect(rows[0], NoColumn, true).left(), 22 + 14 + 18);
    EXPECT_EQ(tree.GetDisplayRect(rows[1], NoColumn, true).left(), 22 + 18);
    EXPECT_EQ(tree.GetDisplayRect(rows[2], NoColumn, true).left(), 22);
    EXPECT_EQ(tree.GetMaxColumnWidth(NoColumn), 22 + 14 + 18 + 40);
    // Without the lists nothing is shown and the label goes back.
    tree.SetImages(nullptr);
    tree.SetStateImages(nullptr);
    EXPECT_EQ(tree.GetDisplayRect(rows[0], NoColumn, true).left(), 22);
    EXPECT_EQ(tree.GetMaxColumnWidth(NoColumn), 22 + 40);
    // An index past the list's end shows nothing either.
    tree.SetImages(Solid(16, {}));
    EXPECT_EQ(tree.GetDisplayRect(rows[0], NoColumn, true).left(), 22);
}

TEST_F(ImagesTest, TheExtendedEventTakesPrecedenceAndMayNameAList) {
    auto green = Solid(20, {Qt::green});
    tree.OnGetImageIndexEx = [&](TBaseLeanTree*, PLeanNode n, TLTImageKind kind, TColumnIndex,
                                 bool&, int& index, std::shared_ptr<TLTImageList>& list) {
        if (n == rows[2] && kind == ikNormal) {
            index = 0;
            list = green;
        } else if (n == rows[1] && kind == ikNormal) {
            index = 1; // the tree's list
        }
    };
    asked = 0;
    QImage img = Render();
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(QColor(img.pixel(22, 36 + 9)), QColor(Qt::green));
    EXPECT_EQ(QColor(img.pixel(22, 18 + 9)), QColor(Qt::blue));
    EXPECT_EQ(tree.GetDisplayRect(rows[2], NoColumn, true).left(), 22 + 22);
    EXPECT_TRUE(HitAt(22, 0).Contains(hiOnItemLabel)); // row 0 has none now
    EXPECT_TRUE(tree.HasImage(rows[2], ikNormal, NoColumn));
    EXPECT_FALSE(tree.HasImage(rows[0], ikNormal, NoColumn));
    tree.OnGetImageIndexEx = nullptr;
    EXPECT_TRUE(tree.HasImage(rows[0], ikState, NoColumn));
    EXPECT_FALSE(tree.HasImage(rows[2], ikNormal, NoColumn));
}

TEST_F(ImagesTest, ListsAreSharedAndScaled) {
    auto list = std::make_shared<TLTImageList>(0, -3);
    EXPECT_EQ(list->Width(), 16);
    EXPECT_EQ(list->Height(), 16);
    QImage big(40, 40, QImage::Format_ARGB32);
    big.fill(Qt::cyan);
    EXPECT_EQ(list->Add(big), 0);
    EXPECT_EQ(list->Image(0).size(), QSize(16, 16));
    EXPECT_EQ(list->Add(QImage()), 1); // a blank image
    EXPECT_EQ(qAlpha(list->Image(1).pixel(3, 3)), 0);
    EXPECT_TRUE(list->Image(2).isNull());
    EXPECT_FALSE(list->Replace(5, big));
    {
        // A second tree shares the list; its end leaves the list usable for the first.
        TTestTree other;
        other.SetImages(list);
        tree.SetImages(list);
    }
    EXPECT_EQ(list->Add(big), 2);
    EXPECT_EQ(tree.Images(), list);
}

} // namespace

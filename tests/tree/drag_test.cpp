// The drag manager's steps and the drag image: the picture's transparency and fade, moves
// under a restriction, and the pictures of dragged nodes and header columns.
#include <QDrag>
#include <QPainter>

#include "controls/tree/treecolumns.h"
#include "controls/tree/treedrag.h"
#include "controls/tree/treeheader.h"
#include "treetestutil.h"

namespace {

TEST(TreeDrag, QueryContinueDrag) {
    EXPECT_EQ(TLTDragManager::QueryContinueDrag(true, Qt::LeftButton), dqCancel);
    EXPECT_EQ(TLTDragManager::QueryContinueDrag(false, Qt::LeftButton | Qt::RightButton), dqCancel);
    EXPECT_EQ(TLTDragManager::QueryContinueDrag(false, Qt::RightButton), dqContinue);
    EXPECT_EQ(TLTDragManager::QueryContinueDrag(false, Qt::NoButton), dqDrop);
}

TEST(TreeDrag, ManagerFindsTheSourceTree) {
    uint64_t seed = 42;
    InitializeTreeReferenceToken([&] { return seed++ * 0x9E3779B97F4A7C15ull; });
    TTestTree source, target;
    TLTDragManager& manager = target.DragManager();
    EXPECT_EQ(&manager, &target.DragManager());
    std::vector<TBaseLeanTree*> seen;
    manager.OnDragEnter = [&](TBaseLeanTree* s, const QMimeData*, TLTDragInfo& info) {
        seen.push_back(s);
        info.Effect = Qt::MoveAction;
        return true;
    };
    manager.OnDragOver = [&](TBaseLeanTree* s, TLTDragInfo&) { seen.push_back(s); };
    manager.OnDragDrop = [&](TBaseLeanTree* s, const QMimeData*, TLTDragInfo&) {
        seen.push_back(s);
        return true;
    };
    std::unique_ptr<QMimeData> data = source.DragManager().CreateDataObject();
    TLTDragInfo info{Qt::NoModifier, Qt::LeftButton, QPoint(5, 5), Qt::MoveAction};
    EXPECT_TRUE(manager.DragEnter(data.get(), info));
    EXPECT_EQ(info.Effect, Qt::MoveAction);
    EXPECT_TRUE(manager.IsDropTarget());
    EXPECT_EQ(manager.DragSource(), &source);
    EXPECT_EQ(manager.DataObject(), data.get());
    manager.DragOver(info);
    EXPECT_TRUE(manager.Drop(data.get(), info));
    EXPECT_FALSE(manager.IsDropTarget());
    EXPECT_EQ(manager.DataObject(), nullptr);
    EXPECT_EQ(seen, (std::vector<TBaseLeanTree*>{&source, &source, &source}));

    // Foreign data has no source tree.
    QMimeData foreign;
    foreign.setText("x");
    manager.DragEnter(&foreign, info);
    EXPECT_EQ(manager.DragSource(), nullptr);
    manager.DragLeave();
    EXPECT_FALSE(manager.IsDropTarget());

    // The host may make the data object.
    source.DragManager().OnCreateDataObject = [](TBaseLeanTree*) {
        auto d = std::make_unique<QMimeData>();
        d->setText("host");
        return d;
    };
    EXPECT_EQ(source.DragManager().CreateDataObject()->text(), "host");
}

QImage Solid(QSize size, QColor color) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(color);
    return img;
}

TEST(TreeDrag, PictureTransparencyAndFade) {
    TLTDragImage image;
    image.PrepareDrag(Solid({40, 20}, QColor(200, 100, 50)), QPoint(10, 10), QPoint(15, 12));
    ASSERT_TRUE(image.Prepared());
    EXPECT_FALSE(image.Visible()); // shown by the owner when the drag starts
    const QImage& plain = image.Picture();
    EXPECT_EQ(plain.format(), QImage::Format_ARGB32_Premultiplied);
    QRgb px = qUnpremultiply(plain.pixel(0, 0));
    EXPECT_EQ(qAlpha(px), 128);
    EXPECT_NEAR(qRed(px), 200, 3);
    EXPECT_NEAR(qBlue(px), 50, 3);
    EXPECT_EQ(image.HotSpot(), QPoint(5, 2));

    // The tree's fade: opaque in the middle, fading toward the edges.
    TLTDragImage faded;
    faded.SetTreeDefaults();
    faded.PrepareDrag(Solid({40, 20}, Qt::blue), QPoint(0, 0), QPoint(0, 0));
    EXPECT_EQ(qAlpha(faded.Picture().pixel(20, 10)), 255);
    EXPECT_LT(qAlpha(faded.Picture().pixel(0, 0)), 40);
    EXPECT_LT(qAlpha(faded.Picture().pixel(0, 10)), qAlpha(faded.Picture().pixel(10, 10)));

    // The colour key is see-through; the header's bias darkens.
    TLTDragImage keyed;
    keyed.ColorKey = RGB(0, 255, 0);
    QImage two = Solid({10, 10}, Qt::green);
    two.setPixel(5, 5, qRgb(255, 0, 0));
    keyed.PrepareDrag(two, QPoint(0, 0), QPoint(0, 0));
    EXPECT_EQ(qAlpha(keyed.Picture().pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(keyed.Picture().pixel(5, 5)), 128);
    TLTDragImage header;
    header.SetHeaderDefaults();
    header.PrepareDrag(Solid({10, 10}, QColor(100, 100, 100)), QPoint(0, 0), QPoint(0, 0));
    EXPECT_EQ(qAlpha(header.Picture().pixel(1, 1)), 140);
    EXPECT_NEAR(qRed(qUnpremultiply(header.Picture().pixel(1, 1))), 50, 3);

    image.EndDrag();
    EXPECT_FALSE(image.Prepared());
    image.PrepareDrag(QImage(), QPoint(), QPoint());
    EXPECT_FALSE(image.Prepared());
}

TEST(TreeDrag, MovesFollowTheMouseWithinTheRestriction) {
    TLTDragImage image;
    image.MoveRestriction = dmrHorizontalOnly;
    image.PrepareDrag(Solid({30, 10}, Qt::red), QPoint(100, 50), QPoint(110, 55));
    image.ShowDragImage();
    ASSERT_TRUE(image.Visible());
    EXPECT_FALSE(image.WillMove(QPoint(110, 90)));
    EXPECT_FALSE(image.DragTo(QPoint(110, 90)));
    EXPECT_EQ(image.GetDragImageRect(), QRect(100, 50, 30, 10));
    EXPECT_TRUE(image.WillMove(QPoint(120, 90)));
    EXPECT_TRUE(image.DragTo(QPoint(120, 90)));
    EXPECT_EQ(image.GetDragImageRect(), QRect(110, 50, 30, 10));
    image.HideDragImage();
    EXPECT_TRUE(image.GetDragImageRect().isEmpty());
    EXPECT_FALSE(image.WillMove(QPoint(200, 90)));
    // The overlay paints only while visible.
    QImage canvas = Solid({200, 100}, Qt::white);
    {
        QPainter p(&canvas);
        image.Paint(p);
    }
    EXPECT_EQ(canvas.pixel(115, 55), qRgb(255, 255, 255));
    image.ShowDragImage();
    {
        QPainter p(&canvas);
        image.Paint(p);
    }
    EXPECT_NE(canvas.pixel(115, 55), qRgb(255, 255, 255));
}

TEST(TreeDrag, PicturesOfNodesAndColumns) {
    TTestTree tree;
    tree.resize(300, 200);
    tree.SetRootNodeCount(100);
    std::vector<PLeanNode> nodes{tree.GetFirst(), tree.GetNext(tree.GetNext(tree.GetFirst())),
                                 tree.GetLast()}; // the last one lies below the window
    QPoint at;
    QImage plain = CreateNodesDragPicture(tree, nodes, {}, at);
    ASSERT_FALSE(plain.isNull());
    EXPECT_EQ(at, QPoint(0, 0));
    EXPECT_EQ(plain.height(), 3 * 18);
    EXPECT_EQ(plain.width(), tree.ClientWidth());

    int calls = 0;
    QImage painted = CreateNodesDragPicture(
        tree, nodes,
        [&](TBaseLeanTree& t, QPainter& p, const QRect& area, const std::vector<PLeanNode>& n) {
            ++calls;
            EXPECT_EQ(&t, &tree);
            EXPECT_EQ(area.height(), 3 * 18);
            EXPECT_EQ(n.size(), 3u);
            p.fillRect(QRect(QPoint(0, 0), area.size()), Qt::red);
        },
        at);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(painted.pixel(1, 1), qRgb(255, 0, 0));
    EXPECT_TRUE(CreateNodesDragPicture(tree, {tree.GetLast()}, {}, at).isNull());

    // A header column as the header paints it, handed to QDrag with its hot spot.
    tree.Header().SetOptions(tree.Header().Options() | TLTHeaderOption::hoVisible);
    tree.Header().Columns().Add().SetWidth(80);
    tree.Header().Columns().Add().SetWidth(60);
    QImage column = CreateColumnDragPicture(tree, 1, at);
    ASSERT_FALSE(column.isNull());
    EXPECT_EQ(column.size(), QSize(60, tree.Header().Height()));
    EXPECT_EQ(at, QPoint(80, 0));
    EXPECT_TRUE(CreateColumnDragPicture(tree, 5, at).isNull());
    TLTDragImage& image = tree.DragImage();
    image.PrepareDrag(column, at, at + QPoint(7, 3));
    QDrag* drag = tree.DragManager().PrepareDrag(tree.DragManager().CreateDataObject(), &image);
    EXPECT_EQ(drag->pixmap().size(), QSize(60, tree.Header().Height()));
    EXPECT_EQ(drag->hotSpot(), QPoint(7, 3));
    EXPECT_NE(dynamic_cast<TLTDataObject*>(drag->mimeData()), nullptr);
    delete drag;
}

} // namespace

namespace {

// Rows filled with a colour of their own, so that pictures show which rows they hold.
class TColourRows : public TTestTree {
public:
    static QColor Colour(PLeanNode n) {
        return QColor::fromHsv(int(n->Index) * 45 % 360, 255, 200);
    }
    void DoPaintNode(TLTPaintInfo& info) override {
        info.Canvas->fillRect(info.ContentRect, Colour(info.Node));
    }
};

TEST(TreeDrag, PictureHoldsTheSelectedRowsPixels) {
    TColourRows tree;
    tree.resize(300, 200);
    tree.TreeOptions().SetSelectionOptions({TLTSelectionOption::toMultiSelect});
    tree.SetRootNodeCount(8);
    PLeanNode row1 = tree.GetFirst()->NextSibling, row3 = row1->NextSibling->NextSibling;
    tree.SetSelected(row1, true);
    tree.SetSelected(row3, true);
    tree.DragWidth = 120;
    tree.DragHeight = 90;
    tree.DragImage().Fade = false; // plain transparency, to read the colours back
    tree.PrepareDragImage(QPoint(60, 2 * 18 + 9), nullptr);
    TLTDragImage& image = tree.DragImage();
    ASSERT_TRUE(image.Prepared());
    // Rows 0 to 4 lie in the area around the mouse; the picture is cut to rows 1 to 3.
    const QImage& picture = image.Picture();
    EXPECT_EQ(picture.height(), 3 * 18);
    EXPECT_EQ(image.HotSpot().y(), 45 - 18);
    QPoint origin = QPoint(60, 45) - image.HotSpot(); // the picture's place in the tree
    auto at = [&](int row) {
        return qUnpremultiply(picture.pixel(QPoint(80, row * 18 + 9) - origin));
    };
    for (PLeanNode n : {row1, row3}) {
        QRgb px = at(int(n->Index));
        EXPECT_EQ(qAlpha(px), 200);
        EXPECT_NEAR(qRed(px), TColourRows::Colour(n).red(), 2);
        EXPECT_NEAR(qGreen(px), TColourRows::Colour(n).green(), 2);
        EXPECT_NEAR(qBlue(px), TColourRows::Colour(n).blue(), 2);
    }
    EXPECT_EQ(qAlpha(at(2)), 0); // the unselected row between is the see-through tree colour
    tree.DragImageKind = diNoImage;
    tree.PrepareDragImage(QPoint(60, 45), nullptr);
    EXPECT_FALSE(tree.DragImage().Prepared());
}

TEST(TreeDrag, HostMakesTheManagerAndRendersItsOwnFormat) {
    static const TLTTreeClass hostClass{"THostTree", &BaseLeanTreeClass};
    const int notes =
        RegisterLTClipboardFormat("Host Notes", "application/x-host-notes", hostClass, 500);
    class TCountingManager : public TLTDragManager {
    public:
        using TLTDragManager::TLTDragManager;
        bool DragEnter(const QMimeData* Data, TLTDragInfo& Info) override {
            ++Enters;
            return TLTDragManager::DragEnter(Data, Info);
        }
        int Enters = 0;
    };
    TTestTree tree;
    TCountingManager* made = nullptr;
    tree.OnCreateDragManager = [&](TBaseLeanTree* sender, std::unique_ptr<TLTDragManager>& m) {
        auto own = std::make_unique<TCountingManager>(sender);
        made = own.get();
        m = std::move(own);
    };
    ASSERT_EQ(&tree.DragManager(), made);
    tree.OnGetUserClipboardFormats = [&](TBaseLeanTree*, std::vector<int>& f) {
        f.push_back(notes);
    };
    tree.OnRenderOLEData = [&](TBaseLeanTree*, int format, QByteArray& medium, bool, bool& done) {
        if (format == notes) {
            medium = "noted";
            done = true;
        }
    };
    tree.SetRootNodeCount(2);
    tree.SetSelected(tree.GetFirst(), true);
    std::unique_ptr<QMimeData> data = tree.DragManager().CreateDataObject();
    EXPECT_EQ(data->data("application/x-host-notes"), "noted");
    EXPECT_FALSE(data->data(MimeLeanTreeData).isEmpty()); // the tree's own format as before
    TLTDragInfo info{Qt::NoModifier, Qt::LeftButton, QPoint(5, 5), Qt::CopyAction};
    tree.DragManager().DragEnter(data.get(), info);
    EXPECT_EQ(made->Enters, 1);
    tree.DragManager().DragLeave();
    // The tree's OnCreateDataObject makes the data object of a drag.
    tree.OnCreateDataObject = [](TBaseLeanTree*, std::unique_ptr<QMimeData>& object) {
        object = std::make_unique<QMimeData>();
        object->setText("host");
    };
    EXPECT_EQ(tree.DragManager().CreateDataObject()->text(), "host");
}

} // namespace

// The shared helpers: blending arithmetic, text shortening, rectangles, buffers, and the
// option objects' reactions.
#include <QFont>

#include "controls/tree/nodepool.h"
#include "controls/tree/treehelpers.h"
#include "treetestutil.h"

namespace {

QImage Filled(int w, int h, QRgb pixel) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(pixel);
    return img;
}

TEST(AlphaBlend, ModesFollowTheFormulas) {
    QImage src = Filled(4, 4, qRgba(200, 100, 0, 128));
    QImage dst = Filled(4, 4, qRgba(0, 100, 200, 255));
    // Constant alpha 128: D + (S - D) / 2.
    AlphaBlend(&src, dst, QRect(0, 0, 2, 2), QPoint(0, 0), bmConstantAlpha, 128, 0);
    QRgb p = dst.pixel(1, 1);
    EXPECT_EQ(qRed(p), 100);
    EXPECT_EQ(qGreen(p), 100);
    EXPECT_EQ(qBlue(p), 100);
    EXPECT_EQ(dst.pixel(2, 2), qRgba(0, 100, 200, 255)); // outside R untouched
    // A bias saturates.
    QImage d2 = Filled(2, 2, qRgba(250, 250, 250, 255));
    AlphaBlend(&src, d2, QRect(0, 0, 2, 2), QPoint(0, 0), bmConstantAlpha, 0, 20);
    EXPECT_EQ(qRed(d2.pixel(0, 0)), 255);
    // Per-pixel alpha uses the source's own alpha (128 here); master alpha scales it.
    QImage d3 = Filled(2, 2, qRgba(0, 0, 0, 255));
    AlphaBlend(&src, d3, QRect(0, 0, 2, 2), QPoint(0, 0), bmPerPixelAlpha, 0, 0);
    EXPECT_EQ(qRed(d3.pixel(0, 0)), 100);
    QImage d4 = Filled(2, 2, qRgba(0, 0, 0, 255));
    AlphaBlend(&src, d4, QRect(0, 0, 2, 2), QPoint(0, 0), bmMasterAlpha, 128, 0);
    EXPECT_EQ(qRed(d4.pixel(0, 0)), 50);
    // Constant colour: blended toward black at 64 / 256.
    QImage d5 = Filled(2, 2, qRgba(200, 200, 200, 255));
    AlphaBlend(nullptr, d5, QRect(0, 0, 2, 2), QPoint(), bmConstantAlphaAndColor, 64, 0);
    EXPECT_EQ(qRed(d5.pixel(0, 0)), 150);
    // ... every byte of it, the alpha byte too (toward the colour's high byte, 0 here).
    QImage d6(1, 1, QImage::Format_ARGB32);
    d6.fill(qRgba(100, 50, 150, 200));
    AlphaBlend(nullptr, d6, d6.rect(), QPoint(), bmConstantAlphaAndColor, 128, 0x00FFFFFF);
    EXPECT_EQ(d6.pixel(0, 0), qRgba(177, 152, 202, 100));
    // Clipped at the destination's edge, and an empty rectangle does nothing.
    AlphaBlend(&src, dst, QRect(0, 0, 4, 4), QPoint(3, 3), bmConstantAlpha, 256, 0);
    EXPECT_EQ(qRed(dst.pixel(3, 3)), 200);
    AlphaBlend(&src, dst, QRect(), QPoint(), bmConstantAlpha, 256, 0);
    QImage mono(2, 2, QImage::Format_Mono);
    EXPECT_THROW(AlphaBlend(&src, mono, QRect(0, 0, 1, 1), QPoint(), bmConstantAlpha, 1, 0),
                 EAssertionFailed);
}

TEST(TreeHelpers, ShortenStringKeepsTheLongestPrefix) {
    QFont f("DejaVu Sans");
    f.setPixelSize(11);
    QFontMetrics m(f);
    QString s = "Reminder caption";
    EXPECT_EQ(ShortenString(m, s, 1000), s);
    int width = m.horizontalAdvance("Remin...");
    EXPECT_EQ(ShortenString(m, s, width), "Remin...");
    EXPECT_EQ(ShortenString(m, s, 0), "...");
}

// The font-metrics version measures no more characters than can fit, whatever the length.
TEST(TreeHelpers, ShortenStringMeasuresOnlyWhatCanFit) {
    struct TCountingMetrics {
        QFontMetrics Metrics{QFont()};
        mutable qsizetype Measured = 0;
        int horizontalAdvance(const QString& s) const {
            Measured += s.size();
            return Metrics.horizontalAdvance(s);
        }
    } m;
    EXPECT_TRUE(ShortenString(m, QString(1'000'000, QLatin1Char('x')), 200).endsWith("..."));
    EXPECT_LT(m.Measured, 10'000);
}

TEST(TreeHelpers, RectanglesColoursAndBuffers) {
    QRect r = OrderRect(QRect(QPoint(10, 10), QPoint(2, 3)));
    EXPECT_LE(r.left(), r.right());
    EXPECT_LE(r.top(), r.bottom());
    EXPECT_EQ(GetRGBColor(clNone), 0xFFFFFFFFu);
    EXPECT_EQ(GetRGBColor(clDefault), 0xFF000000u);
    EXPECT_EQ(GetRGBColor(RGB(1, 2, 3)), uint32_t(RGB(1, 2, 3)));
    TBufferedString b;
    b.AddNewLine();
    b.AddNewLine();
    EXPECT_EQ(b.AsString(), "\r\n\r\n");
    TWideBufferedString w;
    std::u16string big(10000, u'x');
    w.Add(big);
    w.Add(u"y");
    EXPECT_EQ(w.AsString().size(), 10001u);
}

TEST(NodePool, ReusesFreedNodesAndKeptBlocks) {
    TNodePool pool;
    pool.SetNodeSize(68);
    EXPECT_EQ(pool.NodeSize(), 72u);
    std::vector<void*> nodes;
    for (int i = 0; i < 30000; ++i) // more than one block
        nodes.push_back(pool.Allocate());
    EXPECT_EQ(pool.LiveCount(), 30000u);
    pool.Free(nodes[5]);
    EXPECT_EQ(pool.Allocate(), nodes[5]);
    pool.SetNodeSize(100); // ignored while nodes live
    EXPECT_EQ(pool.NodeSize(), 72u);
    pool.Reset();
    void* again = pool.Allocate();
    EXPECT_EQ(again, nodes[0]);
    EXPECT_EQ(static_cast<char*>(again)[10], 0); // zero-filled
    for (int i = 1; i < 30000; ++i)
        EXPECT_EQ(pool.Allocate(), nodes[size_t(i)]);
    pool.ReleaseAll();
    EXPECT_EQ(pool.LiveCount(), 0u);
}

TEST(TreeOptions, DefaultsAndReactions) {
    TTestTree t;
    using enum TLTPaintOption;
    EXPECT_EQ(t.TreeOptions().PaintOptions().Bits(), 7008u);
    EXPECT_EQ(t.TreeOptions().AutoOptions().Bits(), 329u);
    EXPECT_EQ(t.TreeOptions().MiscOptions().Bits(), 425u);
    EXPECT_EQ(t.Colors().Get(TLTColors::HotColor), clWindowText);
    TLTColors other(&t);
    other.Set(TLTColors::GridLineColor, clRed);
    t.Colors().Assign(other);
    EXPECT_EQ(t.Colors().Get(TLTColors::GridLineColor), clRed);
    EXPECT_THROW(t.ScrollBarOptions().SetScrollBarStyle(sbmFlat), EAssertionFailed);
    t.TreeOptions().SetSelectionOptions({TLTSelectionOption::toMultiSelect});
    t.SetRootNodeCount(3);
    for (PLeanNode n = t.GetFirstNoInit(); n; n = n->NextSibling)
        t.SetSelected(n, true);
    EXPECT_EQ(t.SelectedCount(), 3u);
    t.TreeOptions().SetSelectionOptions({});
    EXPECT_EQ(t.SelectedCount(), 0u);
    t.SetAnimationDuration(0);
    EXPECT_FALSE(t.TreeOptions().AnimationOptions().Contains(TLTAnimationOption::toAnimatedToggle));
    t.SetAnimationDuration(100);
    EXPECT_TRUE(t.TreeOptions().AnimationOptions().Contains(TLTAnimationOption::toAnimatedToggle));
}

TEST(TreeEvents, PopupMenuAsksTheParents) {
    TTestTree t;
    t.SetRootNodeCount(1);
    t.SetChildCount(t.GetFirstNoInit(), 1);
    PLeanNode child = t.GetFirstNoInit()->FirstChild;
    std::vector<PLeanNode> asked;
    t.OnGetPopupMenu = [&](TBaseLeanTree*, PLeanNode n, TColumnIndex, const QPoint&, bool&,
                           QMenu*&) { asked.push_back(n); };
    EXPECT_EQ(t.DoGetPopupMenu(child, 0, QPoint()), nullptr);
    EXPECT_EQ(asked, (std::vector<PLeanNode>{child, t.GetFirstNoInit()}));
    asked.clear();
    t.DoGetPopupMenu(nullptr, 0, QPoint());
    EXPECT_EQ(asked, (std::vector<PLeanNode>{nullptr}));
}

} // namespace

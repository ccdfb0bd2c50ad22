#include <QFontMetrics>
#include <QImage>
#include <gtest/gtest.h>

#include "gui/guitestutil.h"
#include "platform/gui/canvas.h"
#include "platform/gui/qtcolors.h"

namespace {

QImage Blank(int w, int h, QColor c = Qt::magenta) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

QColor At(const QImage& img, int x, int y) {
    return QColor(img.pixel(x, y));
}

} // namespace

TEST(Canvas, RaisedEdgeLightAboveDarkBelowAndAdjusts) {
    QImage img = Blank(10, 8);
    QRect r(0, 0, 10, 8);
    {
        QPainter p(&img);
        DrawEdge(p, r, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
    }
    EXPECT_EQ(r, QRect(2, 2, 6, 4));
    EXPECT_EQ(At(img, 0, 0), ColorToQColor(cl3DLight));
    EXPECT_EQ(At(img, 1, 1), ColorToQColor(clBtnHighlight));
    EXPECT_EQ(At(img, 9, 7), ColorToQColor(cl3DDkShadow));
    EXPECT_EQ(At(img, 8, 6), ColorToQColor(clBtnShadow));
    // The bottom-right ring owns the top-right and bottom-left corners.
    EXPECT_EQ(At(img, 9, 0), ColorToQColor(cl3DDkShadow));
    EXPECT_EQ(At(img, 0, 7), ColorToQColor(cl3DDkShadow));
    EXPECT_EQ(At(img, 5, 4), ColorToQColor(clBtnFace));

    // Sunken outer only, on the top and left sides, without filling.
    QImage img2 = Blank(6, 6);
    QRect r2(0, 0, 6, 6);
    {
        QPainter p(&img2);
        DrawEdge(p, r2, BDR_SUNKENOUTER, BF_TOPLEFT | BF_ADJUST);
    }
    EXPECT_EQ(r2, QRect(1, 1, 5, 5));
    EXPECT_EQ(At(img2, 3, 0), ColorToQColor(clBtnShadow));
    EXPECT_EQ(At(img2, 5, 5), QColor(Qt::magenta));
    EXPECT_EQ(At(img2, 3, 3), QColor(Qt::magenta));
}

TEST(Canvas, Frame3DShrinksByItsWidth) {
    QImage img = Blank(8, 8);
    QRect r(0, 0, 8, 8);
    {
        QPainter p(&img);
        Frame3D(p, r, clWhite, clBlack, 2);
    }
    EXPECT_EQ(r, QRect(2, 2, 4, 4));
    EXPECT_EQ(At(img, 0, 3), QColor(Qt::white));
    EXPECT_EQ(At(img, 1, 3), QColor(Qt::white));
    EXPECT_EQ(At(img, 7, 3), QColor(Qt::black));
    EXPECT_EQ(At(img, 6, 3), QColor(Qt::black));
    EXPECT_EQ(At(img, 3, 3), QColor(Qt::magenta));
}

TEST(Canvas, FocusRectIsDottedAndUndoneByASecondCall) {
    QImage img = Blank(9, 5, Qt::white);
    {
        QPainter p(&img);
        DrawFocusRect(p, QRect(0, 0, 9, 5));
    }
    EXPECT_EQ(At(img, 0, 0), QColor(Qt::black));
    EXPECT_EQ(At(img, 1, 0), QColor(Qt::white));
    EXPECT_EQ(At(img, 2, 0), QColor(Qt::black));
    EXPECT_EQ(At(img, 4, 2), QColor(Qt::white)); // inside untouched
    {
        QPainter p(&img);
        DrawFocusRect(p, QRect(0, 0, 9, 5));
    }
    EXPECT_EQ(CountInk(img, Qt::white), 0);
}

TEST(Canvas, GradientBands) {
    QImage img = Blank(100, 10);
    {
        QPainter p(&img);
        DrawGradient(p, clBlack, clWhite, 4, QRect(0, 0, 100, 10), true);
    }
    // Four bands of 25 pixels: 0, 64, 128, 191 (steps of 255/4 rounded).
    EXPECT_EQ(At(img, 0, 5), QColor(0, 0, 0));
    EXPECT_EQ(At(img, 24, 5), QColor(0, 0, 0));
    EXPECT_EQ(At(img, 25, 5), QColor(64, 64, 64));
    EXPECT_EQ(At(img, 60, 5), QColor(128, 128, 128));
    EXPECT_EQ(At(img, 99, 9), QColor(191, 191, 191));

    QImage v = Blank(10, 30);
    {
        QPainter p(&v);
        DrawGradient(p, clRed, clBlue, 0, QRect(0, 10, 10, 10), false);
    }
    EXPECT_EQ(At(v, 5, 9), QColor(Qt::magenta)); // clipped to the rectangle
    EXPECT_EQ(At(v, 5, 10), QColor(255, 0, 0));
    EXPECT_EQ(At(v, 5, 19), QColor(255, 0, 0)); // 0 steps count as 1
    EXPECT_EQ(At(v, 5, 20), QColor(Qt::magenta));
}

TEST(Canvas, TransparentBlitLeavesTheKeyOut) {
    QImage glyph = Blank(4, 4, Qt::green);
    glyph.setPixel(1, 1, qRgb(255, 0, 0));
    EXPECT_EQ(AutoTransparentColor(glyph), QColor(Qt::green));
    QImage target = Blank(6, 6, Qt::blue);
    {
        QPainter p(&target);
        DrawTransparent(p, QPoint(1, 1), glyph, AutoTransparentColor(glyph));
    }
    EXPECT_EQ(At(target, 2, 2), QColor(255, 0, 0));
    EXPECT_EQ(CountInk(target, Qt::blue), 1);
}

TEST(Canvas, TextMeasureAndLayout) {
    QImage img = Blank(200, 100, Qt::white);
    QPainter p(&img);
    QFontMetrics fm(p.font(), &img);
    QRect r(10, 10, 0, 0);
    int h = DrawText(p, QString("Hello"), r, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(h, fm.height());
    EXPECT_EQ(r.topLeft(), QPoint(10, 10));
    EXPECT_EQ(r.width(), fm.horizontalAdvance("Hello"));

    // Line breaks (CR LF counts once) and word wrap.
    QRect lines(0, 0, 0, 0);
    EXPECT_EQ(DrawText(p, std::string("one\r\ntwo\nthree"), lines, DT_CALCRECT), 3 * fm.height());
    QRect wrap(0, 0, fm.horizontalAdvance("alpha beta") + 2, 0);
    DrawText(p, QString("alpha beta alpha beta"), wrap, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_EQ(wrap.height(), 2 * fm.height());
    EXPECT_LE(wrap.width(), fm.horizontalAdvance("alpha beta") + 2);

    // The prefix character is not measured; "&&" is one ampersand.
    QRect pre(0, 0, 0, 0);
    DrawText(p, QString("&Open"), pre, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(pre.width(), fm.horizontalAdvance("Open"));
    QRect raw(0, 0, 0, 0);
    DrawText(p, QString("&Open"), raw, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(raw.width(), fm.horizontalAdvance("&Open"));
    int index = 0;
    EXPECT_EQ(StripPrefixes("Save && &Close", &index), "Save & Close");
    EXPECT_EQ(index, 7);
    EXPECT_EQ(StripPrefixes("no prefix", &index), "no prefix");
    EXPECT_EQ(index, -1);
}

TEST(Canvas, TextIsDrawnAlignedClippedAndEllipsized) {
    auto inkColumns = [](const QImage& img) {
        int first = -1, last = -1;
        for (int x = 0; x < img.width(); ++x)
            for (int y = 0; y < img.height(); ++y)
                if (QColor(img.pixel(x, y)) != QColor(Qt::white)) {
                    if (first < 0)
                        first = x;
                    last = x;
                    break;
                }
        return std::make_pair(first, last);
    };
    QImage left = Blank(200, 20, Qt::white), right = left;
    {
        QPainter p(&left);
        QRect r(0, 0, 200, 20);
        DrawText(p, QString("Text"), r, DT_SINGLELINE | DT_VCENTER);
    }
    {
        QPainter p(&right);
        QRect r(0, 0, 200, 20);
        DrawText(p, QString("Text"), r, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
    }
    auto [l1, l2] = inkColumns(left);
    auto [r1, r2] = inkColumns(right);
    EXPECT_GE(l1, 0);
    EXPECT_LT(l1, 5);
    EXPECT_GT(r2, 190);
    EXPECT_NEAR(l2 - l1, r2 - r1, 1);

    // Too long for 60 pixels: clipped without ellipsis, shortened with it.
    QImage clipped = Blank(100, 20, Qt::white), ellipsis = clipped;
    QString longText = "A rather long reminder caption";
    {
        QPainter p(&clipped);
        QRect r(0, 0, 60, 20);
        DrawText(p, longText, r, DT_SINGLELINE);
    }
    {
        QPainter p(&ellipsis);
        QRect r(0, 0, 60, 20);
        DrawText(p, longText, r, DT_SINGLELINE | DT_END_ELLIPSIS);
    }
    EXPECT_LT(inkColumns(clipped).second, 60);
    EXPECT_LT(inkColumns(ellipsis).second, 60);
    EXPECT_NE(clipped, ellipsis);

    // Word-wrapped text that does not fit in height ends its last line with an ellipsis.
    QImage wrapped = Blank(80, 40, Qt::white);
    QPainter p(&wrapped);
    QFontMetrics fm(p.font(), &wrapped);
    QRect box(0, 0, 80, fm.height() * 2);
    int h = DrawText(p, QString("one two three four five six seven eight nine ten"), box,
                     DT_WORDBREAK | DT_END_ELLIPSIS);
    EXPECT_EQ(h, 2 * fm.height());
}

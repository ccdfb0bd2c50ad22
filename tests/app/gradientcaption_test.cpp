#include <QImage>
#include <QLabel>
#include <gtest/gtest.h>

#include "app/flypanelcontroller.h"
#include "app/gradientcaption.h"
#include "platform/gui/qtcolors.h"

namespace {

QImage Render(QWidget& w) {
    QImage img(w.size(), QImage::Format_RGB32);
    img.fill(Qt::black);
    w.render(&img);
    // Set TOCKWELL_RENDER_DIR to look at the renders.
    if (QString dir = qEnvironmentVariable("TOCKWELL_RENDER_DIR"); !dir.isEmpty())
        img.scaled(img.size() * 4).save(dir + "/" + w.objectName() + ".png");
    return img;
}

TColor At(const QImage& img, int x, int y) {
    return QColorToColor(QColor(img.pixel(x, y)));
}

int Ink(const QImage& img, const QRect& r, TColor background) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += At(img, x, y) != background;
    return n;
}

} // namespace

TEST(GradientCaption, PlainPanelUntilAPainterIsAttached) {
    TFlyPanelController fc;
    TGradientCaption caption;
    caption.resize(160, 24);
    QPalette pal = caption.palette();
    pal.setColor(QPalette::Window, ColorToQColor(fc.CaptionColor));
    pal.setColor(QPalette::WindowText, Qt::black);
    caption.setPalette(pal);
    caption.SetCaption("Tockwell");

    caption.setObjectName("caption-plain");
    QImage plain = Render(caption);
    EXPECT_EQ(At(plain, 0, 0), ColorToRGB(clBtnHighlight)); // raised bevel
    EXPECT_EQ(At(plain, 159, 23), ColorToRGB(clBtnShadow));
    QRect middle(40, 8, 80, 8);
    EXPECT_GT(Ink(plain, middle, clWhite), 20); // the caption text

    caption.SetCaptionPainter(&fc);
    caption.setObjectName("caption-rings");
    QImage rings = Render(caption);
    // Eight rings fading from the outer grey to white; the text is not drawn.
    EXPECT_EQ(At(rings, 80, 0), 0xDFDFD7);
    EXPECT_EQ(At(rings, 0, 12), 0xE2E2DA);
    EXPECT_EQ(At(rings, 80, 23), 0xE2E2DA);
    EXPECT_EQ(At(rings, 159, 12), 0xE2E2DA);
    EXPECT_EQ(At(rings, 80, 3), 0xF0F0ED);
    EXPECT_EQ(At(rings, 80, 7), 0xFDFDFD);
    EXPECT_EQ(At(rings, 7, 12), 0xFDFDFD);
    EXPECT_EQ(At(rings, 80, 8), clWhite);
    EXPECT_EQ(Ink(rings, middle, clWhite), 0);

    // Child labels draw over the rings as usual.
    auto* label = new QLabel("Tockwell", &caption);
    label->setGeometry(10, 4, 100, 16);
    caption.setObjectName("caption-label");
    QImage labelled = Render(caption);
    EXPECT_GT(Ink(labelled, QRect(10, 8, 100, 10), clWhite), 20);
}

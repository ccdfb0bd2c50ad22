// Button bitmaps, the tree-line brush, background pictures and the small fills of the tree's
// painting.
#include "controls/tree/treepainthelpers.h"

#include <QBitmap>

#include "platform/gui/themes.h"

QBrush MakeLineBrush(const TLTLinePattern& Pattern, const QColor& Color) {
    QImage img(8, 8, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            if (!(Pattern[size_t(y)] & (0x80u >> x)))
                img.setPixelColor(x, y, Color);
    return QBrush(img);
}

QImage MakeClassicButton(bool Expanded, TLTButtonStyle Style, const QColor& Fill,
                         const QColor& Frame, const QColor& Ink) {
    QImage img(ButtonSize, ButtonSize, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    if (Style == bsTriangle) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        if (Expanded)
            p.drawPolygon(QPolygon({QPoint(0, 2), QPoint(8, 2), QPoint(4, 6)}));
        else
            p.drawPolygon(QPolygon({QPoint(2, 0), QPoint(6, 4), QPoint(2, 8)}));
        return img;
    }
    if (Fill.isValid())
        p.fillRect(0, 0, ButtonSize, ButtonSize, Fill);
    p.fillRect(0, 0, ButtonSize, 1, Frame);
    p.fillRect(0, ButtonSize - 1, ButtonSize, 1, Frame);
    p.fillRect(0, 0, 1, ButtonSize, Frame);
    p.fillRect(ButtonSize - 1, 0, 1, ButtonSize, Frame);
    int half = ButtonSize / 2;
    p.fillRect(2, half, ButtonSize - 4, 1, Ink);
    if (!Expanded)
        p.fillRect(half, 2, 1, ButtonSize - 4, Ink);
    return img;
}

QImage MakeShadedButton(bool Expanded) {
    QImage img(ButtonSize, ButtonSize, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    const int last = ButtonSize - 1;
    // The face: one colour per row, from white down to a light grey-green.
    const QColor top(255, 255, 255), bottom(198, 198, 186);
    for (int y = 1; y < last; ++y) {
        auto mix = [&](int a, int b) { return a + (b - a) * (y - 1) / (last - 2); };
        p.fillRect(1, y, ButtonSize - 2, 1,
                   QColor(mix(top.red(), bottom.red()), mix(top.green(), bottom.green()),
                          mix(top.blue(), bottom.blue())));
    }
    // The frame with its corners left out, which rounds it off.
    const QColor frame(120, 152, 181);
    p.fillRect(1, 0, ButtonSize - 2, 1, frame);
    p.fillRect(1, last, ButtonSize - 2, 1, frame);
    p.fillRect(0, 1, 1, ButtonSize - 2, frame);
    p.fillRect(last, 1, 1, ButtonSize - 2, frame);
    int half = ButtonSize / 2;
    p.fillRect(2, half, ButtonSize - 4, 1, Qt::black);
    if (!Expanded)
        p.fillRect(half, 2, 1, ButtonSize - 4, Qt::black);
    return img;
}

QImage MakeThemedButton(bool Expanded) {
    QImage img(ButtonSize, ButtonSize, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    DrawTreeGlyph(p, QRect(0, 0, ButtonSize, ButtonSize), Expanded);
    return img;
}

namespace {

// a * m / d rounded to the nearest integer, halves away from zero.
int MulDivRound(int a, int m, int d) {
    int64_t p = int64_t(a) * m;
    return int(p >= 0 ? (p + d / 2) / d : (p - d / 2) / d);
}

} // namespace

int NodeItemCentre(TLTNodeAlignment Mode, int Align, int RowHeight, int ItemHeight) {
    switch (Mode) {
    case naFromBottom:
        return RowHeight - Align;
    case naFromTop:
        return Align;
    case naProportional:
        break;
    }
    if (ItemHeight > 0)
        return MulDivRound(RowHeight - ItemHeight, Align, 100) + ItemHeight / 2;
    return MulDivRound(RowHeight, Align, 100);
}

namespace {

int FloorMod(int a, int b) {
    int r = a % b;
    return r < 0 ? r + b : r;
}

} // namespace

void PaintTiledBackground(QPainter& P, const QRect& Target, const QImage& Picture, int OffsetX,
                          int OffsetY) {
    if (Picture.isNull() || Target.isEmpty())
        return;
    int w = Picture.width(), h = Picture.height();
    int x0 = Target.left() - FloorMod(Target.left() - OffsetX, w);
    int y0 = Target.top() - FloorMod(Target.top() - OffsetY, h);
    P.save();
    P.setClipRect(Target, Qt::IntersectClip);
    for (int y = y0; y <= Target.bottom(); y += h)
        for (int x = x0; x <= Target.right(); x += w)
            P.drawImage(x, y, Picture);
    P.restore();
}

void PaintStaticBackground(QPainter& P, const QRect& Target, const QImage& Picture, QPoint Origin,
                           const QColor& Color) {
    P.fillRect(Target, Color);
    if (Picture.isNull())
        return;
    QRect placed(Origin, Picture.size());
    QRect part = placed & Target;
    if (!part.isEmpty())
        P.drawImage(part.topLeft(), Picture, part.translated(-Origin));
}

void BlendRect(QPainter& P, const QRect& R, const QColor& Color, int Factor) {
    QColor c = Color;
    c.setAlpha(std::clamp(Factor, 0, 255));
    P.fillRect(R, c);
}

void DrawDottedFrame(QPainter& P, const QRect& R, const QColor& Color) {
    if (R.isEmpty())
        return;
    QBrush b = MakeLineBrush(DottedLinePattern, Color);
    P.fillRect(QRect(R.left(), R.top(), R.width(), 1), b);
    P.fillRect(QRect(R.left(), R.bottom(), R.width(), 1), b);
    P.fillRect(QRect(R.left(), R.top() + 1, 1, R.height() - 2), b);
    P.fillRect(QRect(R.right(), R.top() + 1, 1, R.height() - 2), b);
}

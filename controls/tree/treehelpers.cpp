// Blending, timers and the drawn faces shared by every tree.
#include "controls/tree/treehelpers.h"

#include <algorithm>
#include <cmath>
#include <sys/mman.h>

#include "platform/gui/qtcolors.h"
#include "platform/gui/themes.h"

QTimer* SingleShotTimer(QTimer*& Timer, QObject* Owner, std::function<void()> OnTimeout) {
    if (!Timer) {
        Timer = new QTimer(Owner);
        Timer->setSingleShot(true);
        QObject::connect(Timer, &QTimer::timeout, Owner, std::move(OnTimeout));
    }
    return Timer;
}

namespace {

inline uint8_t Saturate(int v) {
    return uint8_t(std::clamp(v, 0, 255));
}

// One channel: D + (S - D) * alpha / 256 + bias, saturated.
inline uint8_t BlendChannel(int s, int d, int alpha, int bias) {
    return Saturate(d + ((s - d) * alpha >> 8) + bias);
}

bool Is32Bit(const QImage& img) {
    auto f = img.format();
    return f == QImage::Format_ARGB32_Premultiplied || f == QImage::Format_ARGB32 ||
           f == QImage::Format_RGB32;
}

} // namespace

void AlphaBlend(const QImage* Source, QImage& Destination, QRect R, QPoint Target, TBlendMode Mode,
                int ConstantAlpha, int Bias) {
    if (R.isEmpty())
        return;
    LTAssert(Is32Bit(Destination) &&
                 (Mode == bmConstantAlphaAndColor || (Source && Is32Bit(*Source))),
             "Alpha blending error: bitmap must use 32 bpp.");
    if (Mode == bmConstantAlphaAndColor) {
        R = R.intersected(Destination.rect());
        if (R.isEmpty())
            return;
        // Every byte of the pixel, alpha included, toward the colour's byte.
        const int color[4] = {Bias & 0xFF, (Bias >> 8) & 0xFF, (Bias >> 16) & 0xFF,
                              int((uint32_t(Bias) >> 24) & 0xFF)};
        for (int y = R.top(); y <= R.bottom(); ++y) {
            auto* d = reinterpret_cast<uint8_t*>(Destination.scanLine(y)) + R.left() * 4;
            for (int x = 0; x < R.width(); ++x, d += 4)
                for (int c = 0; c < 4; ++c)
                    d[c] = BlendChannel(color[c], d[c], ConstantAlpha, 0);
        }
        return;
    }
    // Clip the source rectangle and the target to both images.
    R = R.intersected(Source->rect());
    QRect dst(Target, R.size());
    QRect clipped = dst.intersected(Destination.rect());
    if (clipped.isEmpty())
        return;
    R.translate(clipped.topLeft() - dst.topLeft());
    R.setSize(clipped.size());
    for (int row = 0; row < R.height(); ++row) {
        auto* s =
            reinterpret_cast<const uint8_t*>(Source->constScanLine(R.top() + row)) + R.left() * 4;
        auto* d = reinterpret_cast<uint8_t*>(Destination.scanLine(clipped.top() + row)) +
                  clipped.left() * 4;
        for (int x = 0; x < R.width(); ++x, s += 4, d += 4) {
            int alpha = ConstantAlpha;
            if (Mode == bmPerPixelAlpha)
                alpha = s[3];
            else if (Mode == bmMasterAlpha)
                alpha = s[3] * ConstantAlpha >> 8;
            for (int c = 0; c < 4; ++c)
                d[c] = BlendChannel(s[c], d[c], alpha, Bias);
        }
    }
}

void AdviseLargeBuffer(void* Data, size_t Size) {
#ifdef MADV_HUGEPAGE
    constexpr size_t Large = size_t(2) << 20; // the large page
    if (Size < 16 * Large)
        return;
    // The whole large pages inside the buffer.
    auto begin = (reinterpret_cast<uintptr_t>(Data) + Large - 1) & ~(Large - 1);
    auto end = (reinterpret_cast<uintptr_t>(Data) + Size) & ~(Large - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)Data;
    (void)Size;
#endif
}

QRect OrderRect(const QRect& R) {
    int l = std::min(R.left(), R.right() + 1), r = std::max(R.left(), R.right() + 1);
    int t = std::min(R.top(), R.bottom() + 1), b = std::max(R.top(), R.bottom() + 1);
    return QRect(QPoint(l, t), QPoint(r - 1, b - 1));
}

uint32_t GetRGBColor(TColor Value) {
    if (Value == clNone)
        return 0xFFFFFFFF;
    if (Value == clDefault)
        return 0xFF000000;
    return uint32_t(QColorToColor(ColorToQColor(Value))) & 0x00FFFFFF;
}

void DrawXPButton(QPainter& p, const QRect& r, bool DrawSplitter, bool Down, bool Hover) {
    QColor face = Down    ? QColor(222, 223, 216)
                  : Hover ? QColor(250, 248, 243)
                          : QColor(235, 234, 219);
    p.fillRect(r, face);
    if (Down) {
        p.setPen(QColor(165, 165, 151));
        p.drawLine(r.left(), r.top(), r.right(), r.top());
        p.drawLine(r.left(), r.top(), r.left(), r.bottom());
        p.setPen(QColor(193, 194, 184));
        p.drawLine(r.left() + 1, r.top() + 1, r.right(), r.top() + 1);
        p.setPen(QColor(208, 209, 201));
        p.drawLine(r.left() + 1, r.top() + 2, r.right(), r.top() + 2);
        return;
    }
    if (Hover) {
        p.fillRect(QRect(r.left(), r.bottom() - 2, r.width(), 3), QColor(248, 169, 0));
        return;
    }
    if (DrawSplitter) {
        p.setPen(QColor(199, 197, 178));
        p.drawLine(r.right() - 1, r.top() + 3, r.right() - 1, r.bottom() - 5);
        p.setPen(Qt::white);
        p.drawLine(r.right(), r.top() + 3, r.right(), r.bottom() - 5);
    }
    // Three lines at the bottom, each darker than the one above.
    const double steps[3] = {32.0 / 3, 35.0 / 3, 35.0 / 3};
    QColor c = face;
    for (int i = 0; i < 3; ++i) {
        int d = int(std::lround(steps[i]));
        c = QColor(std::max(0, c.red() - d), std::max(0, c.green() - d), std::max(0, c.blue() - d));
        p.setPen(c);
        p.drawLine(r.left(), r.bottom() - 2 + i, r.right(), r.bottom() - 2 + i);
    }
}

void DrawHeaderEdge(QPainter& p, const QRect& r, TLTHeaderStyle Style, bool Down, bool Hover,
                    bool RightEdge) {
    // Pressed cells and resting plates are framed all round; the others only get a right edge
    // when a cell follows.
    bool right = RightEdge || Down || (Style == hsPlates && !Hover);
    p.fillRect(r, ColorToQColor(clBtnFace));
    QColor light = ColorToQColor(clBtnHighlight), shadow = ColorToQColor(clBtnShadow),
           dark = ColorToQColor(cl3DDkShadow);
    bool raised = !Down;
    if (Style == hsPlates && !Down && !Hover)
        raised = true;
    QColor tl = raised ? light : shadow,
           br = raised ? (Style == hsThickButtons ? dark : shadow) : light;
    p.setPen(tl);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(br);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    if (right)
        p.drawLine(r.topRight(), r.bottomRight());
    if (Style == hsThickButtons && raised) {
        p.setPen(shadow);
        p.drawLine(r.left() + 1, r.bottom() - 1, r.right() - (right ? 1 : 0), r.bottom() - 1);
        if (right)
            p.drawLine(r.right() - 1, r.top() + 1, r.right() - 1, r.bottom() - 1);
    }
}

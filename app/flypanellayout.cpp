#include "app/flypanellayout.h"

#include <algorithm>

QRect TFlyPanelLayout::ContainerRect(QSize client) const {
    return QRect(OuterMargin, OuterMargin, client.width() - 2 * OuterMargin,
                 client.height() - 2 * OuterMargin);
}

QRect TFlyPanelLayout::CaptionRect(QSize container, int captionHeight) const {
    return QRect(0, 0, container.width(), captionHeight);
}

QRect TFlyPanelLayout::ContentRect(QSize container, int captionHeight, int bottomBarHeight) const {
    int height = container.height() - captionHeight - bottomBarHeight - InnerMargin;
    return QRect(InnerMargin, captionHeight, container.width() - 2 * InnerMargin,
                 std::max(0, height));
}

QRect TFlyPanelLayout::BottomBarRect(QSize container, int bottomBarHeight) const {
    return QRect(InnerMargin, container.height() - bottomBarHeight - InnerMargin,
                 container.width() - 2 * InnerMargin, bottomBarHeight);
}

QSize TFlyPanelLayout::FittedClientSize(QSize content, int bottomBarHeight,
                                        int captionHeight) const {
    // Vertically one inner margin only: the content starts right below the caption and the
    // bottom bar right below the content.
    return QSize(content.width() + 2 * (OuterMargin + InnerMargin),
                 content.height() + bottomBarHeight + captionHeight + 2 * OuterMargin +
                     InnerMargin);
}

int TFlyPanelLayout::CollapsedClientHeight(int captionHeight) const {
    return captionHeight + 2 * OuterMargin;
}

QPolygon TFlyPanelLayout::WindowRegion(QSize size) {
    int w = size.width(), h = size.height();
    return QPolygon({QPoint(0, 2), QPoint(2, 0), QPoint(w - 2, 0), QPoint(w, 2), QPoint(w, h - 3),
                     QPoint(w - 2, h - 1), QPoint(3, h), QPoint(0, h - 3)});
}

THitTest TFlyPanelLayout::HitTest(QPoint p, QSize client, bool sizeHorz, bool sizeVert) const {
    int x = p.x(), y = p.y(), m = OuterMargin;
    int r = client.width(), b = client.height();
    bool both = sizeHorz && sizeVert;
    if (both) {
        if (x <= m && y <= m)
            return HTTOPLEFT;
        if (x >= r - m && y <= m)
            return HTTOPRIGHT;
        if (x >= r - m && y >= b - m)
            return HTBOTTOMRIGHT;
        if (x <= m && y >= b - m)
            return HTBOTTOMLEFT;
    }
    if (sizeHorz && x <= m)
        return HTLEFT;
    if (sizeHorz && x > r - m)
        return HTRIGHT;
    if (sizeVert && y > b - m)
        return HTBOTTOM;
    if (sizeVert && y <= m)
        return HTTOP;
    return HTCLIENT;
}

std::vector<TFrameLine> TFlyPanelLayout::FrameLines(QSize size, int count, bool chamfer,
                                                    bool withTop, std::span<const TColor> topColors,
                                                    std::span<const TColor> otherColors) {
    std::vector<TFrameLine> lines;
    int w = size.width(), h = size.height();
    count = std::min<int>(count, int(std::min(topColors.size(), otherColors.size())));
    for (int i = 0; i < count; ++i) {
        int r = chamfer && i < 2 ? 2 - i : 0;
        QPoint pos;
        auto lineTo = [&](QPoint to, TColor c) {
            lines.push_back({pos, to, c});
            pos = to;
        };
        if (withTop) {
            TColor c = topColors[i];
            pos = QPoint(i, i + r);
            lineTo(QPoint(i + r, i), c);
            lineTo(QPoint(w - 1 - i - r, i), c);
            lineTo(QPoint(w - 1 - i, i + r), c);
        } else {
            pos = QPoint(w - 1 - i - r, i + r);
        }
        TColor c = otherColors[i];
        int x = pos.x();
        lineTo(QPoint(x, h - 1 - i - r), c);
        lineTo(QPoint(x - r, h - 1 - i), c);
        lineTo(QPoint(i + r, h - 1 - i), c);
        lineTo(QPoint(i, h - 1 - i - r), c);
        lineTo(QPoint(i, i + r), c);
    }
    return lines;
}

#pragma once
// The geometry of the borderless main window, without widgets or painting: where the container,
// caption, content and bottom bar go, the size that fits the content, the collapsed height, the
// window's outline, the resize hit test and the ring frames as lines. Sizes and positions in
// pixels; form positions are client coordinates, child positions those of the container.

#include <QPoint>
#include <QPolygon>
#include <QRect>
#include <QSize>
#include <array>
#include <span>
#include <vector>

#include "platform/colors.h"

// Hit-test answers, numbered as the window system's non-client codes.
enum THitTest : int {
    HTCLIENT = 1,
    HTLEFT = 10,
    HTRIGHT = 11,
    HTTOP = 12,
    HTTOPLEFT = 13,
    HTTOPRIGHT = 14,
    HTBOTTOM = 15,
    HTBOTTOMLEFT = 16,
    HTBOTTOMRIGHT = 17,
};

// One line of a frame ring: from From towards To in Color; the pixel at To itself is not
// drawn (so a zero-length line draws nothing).
struct TFrameLine {
    QPoint From, To;
    TColor Color;
};

class TFlyPanelLayout {
public:
    int OuterMargin = 3; // form edge to container; also the width of the resize band
    int InnerMargin = 3; // container edge to its children
    int CaptionRingCount = 8;

    // The container inside a form of client size client.
    QRect ContainerRect(QSize client) const;
    // The caption, aligned to the top of the container.
    QRect CaptionRect(QSize container, int captionHeight) const;
    // The content below the caption, above the bottom bar; its height is never below 0.
    QRect ContentRect(QSize container, int captionHeight, int bottomBarHeight) const;
    // The bottom bar, one inner margin above the container's bottom.
    QRect BottomBarRect(QSize container, int bottomBarHeight) const;
    // The client size whose container holds caption, content and bottom bar exactly as the
    // three rectangles above place them.
    QSize FittedClientSize(QSize content, int bottomBarHeight, int captionHeight) const;
    // The client height of a form collapsed to its caption.
    int CollapsedClientHeight(int captionHeight) const;

    // The window's outline for a form of size size: corners cut by 2 to 3 pixels.
    static QPolygon WindowRegion(QSize size);

    // What the point p (client coordinates) of a form with client size client answers: the
    // corners need both flags, the left and right bands sizeHorz, the top and bottom sizeVert;
    // anything else is HTCLIENT.
    THitTest HitTest(QPoint p, QSize client, bool sizeHorz, bool sizeVert) const;

    // The lines of count rings (outermost first) round a control of size size: the top part
    // in topColors (skipped when withTop is false), the other three sides in otherColors;
    // chamfered rings cut their corners by 2 - ring pixels for the first two rings.
    static std::vector<TFrameLine> FrameLines(QSize size, int count, bool chamfer, bool withTop,
                                              std::span<const TColor> topColors,
                                              std::span<const TColor> otherColors);
};

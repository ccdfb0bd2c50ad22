#pragma once
// Drawing helpers over QPainter for what the windows draw: 3-D edges and frames, focus
// rectangles, banded gradients, colour-keyed transparent images and text laid out by the
// classic alignment, word-break, prefix and ellipsis rules.
//
// Rectangles follow Qt (QRect); the edge routines treat a rectangle as the pixels it covers.

#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>
#include <string>

#include "platform/colors.h"

// A control's frame: none, or a single (sunken) border.
enum TBorderStyle { bsNone, bsSingle };

// Edge kinds: an outer and an inner one-pixel border, raised or sunken.
enum : unsigned {
    BDR_RAISEDOUTER = 0x1,
    BDR_SUNKENOUTER = 0x2,
    BDR_RAISEDINNER = 0x4,
    BDR_SUNKENINNER = 0x8,
    EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER,
    EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
    EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER,
    EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER,
};

// Which sides DrawEdge draws, and how.
enum : unsigned {
    BF_LEFT = 0x1,
    BF_TOP = 0x2,
    BF_RIGHT = 0x4,
    BF_BOTTOM = 0x8,
    BF_TOPLEFT = BF_TOP | BF_LEFT,
    BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT,
    BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM,
    BF_MIDDLE = 0x800,  // fill the interior with the button face
    BF_SOFT = 0x1000,   // lighter inner/outer shading
    BF_ADJUST = 0x2000, // shrink the rectangle to the interior
    BF_FLAT = 0x4000,   // flat look: shadow outline
    BF_MONO = 0x8000,   // one-colour look: window-frame outline
};

// Draws the borders of edge on the chosen sides of rect. With BF_ADJUST, rect becomes the
// interior left inside the drawn borders.
void DrawEdge(QPainter& p, QRect& rect, unsigned edge, unsigned flags);

// Frames rect width times: top and left in topColor, bottom and right in bottomColor, each
// ring one pixel inside the last. Rect is shrunk by width on every side.
void Frame3D(QPainter& p, QRect& rect, TColor topColor, TColor bottomColor, int width);

// The dotted focus rectangle, drawn by inverting every second pixel of the border (drawing it
// twice removes it).
void DrawFocusRect(QPainter& p, const QRect& rect);

// Fills rect with a colour (system colours resolved; clNone fills nothing).
void FillRect(QPainter& p, const QRect& rect, TColor color);

// Banded gradient: steps (0 counts as 1) bands from fromColor to toColor, each channel
// stepping by the difference / steps; band i starts at round(i * size / steps) from the left
// (horizontal) or top edge and is one band plus one pixel wide, clipped to rect.
void DrawGradient(QPainter& p, TColor fromColor, TColor toColor, int steps, const QRect& rect,
                  bool horizontal);

// The colour a bitmap without alpha is transparent in: its bottom-left pixel.
QColor AutoTransparentColor(const QImage& image);
// A copy of image in which every pixel of the colour key (alpha ignored) is fully transparent.
QImage MakeTransparent(const QImage& image, const QColor& key);
// Draws image at pos with the pixels of the colour key left out.
void DrawTransparent(QPainter& p, const QPoint& pos, const QImage& image, const QColor& key);

// Text flags of DrawText.
enum : unsigned {
    DT_TOP = 0x0,
    DT_LEFT = 0x0,
    DT_CENTER = 0x1,
    DT_RIGHT = 0x2,
    DT_VCENTER = 0x4, // single line only
    DT_BOTTOM = 0x8,  // single line only
    DT_WORDBREAK = 0x10,
    DT_SINGLELINE = 0x20,
    DT_NOCLIP = 0x100,
    DT_CALCRECT = 0x400,
    DT_NOPREFIX = 0x800,
    DT_EDITCONTROL = 0x2000, // with DT_WORDBREAK: words longer than a line are broken
    DT_PATH_ELLIPSIS = 0x4000,
    DT_END_ELLIPSIS = 0x8000,
    DT_RTLREADING = 0x20000,
    DT_WORD_ELLIPSIS = 0x40000,
    DT_HIDEPREFIX = 0x100000,
};

// Draws text in rect with the painter's font and pen. Lines break at CR LF, LF and CR unless
// DT_SINGLELINE; DT_WORDBREAK wraps at words to the rectangle's width. Unless DT_NOPREFIX, '&'
// underlines the next character and "&&" shows one '&'. Ellipsis flags shorten a line that does
// not fit (with DT_WORDBREAK: the last line that fits, when text is left over). Output is
// clipped to rect unless DT_NOCLIP. With DT_CALCRECT nothing is drawn: rect keeps its top-left
// corner and gets the text's size (with DT_WORDBREAK: the widest wrapped line, so narrower text
// shrinks it and a word wider than it widens it). Returns the height of the text in pixels.
int DrawText(QPainter& p, const QString& text, QRect& rect, unsigned flags);
int DrawText(QPainter& p, const std::string& text, QRect& rect, unsigned flags);

// The text with its '&' prefixes resolved; mnemonicIndex (when given) gets the position of the
// underlined character, -1 when there is none.
QString StripPrefixes(const QString& text, int* mnemonicIndex = nullptr);

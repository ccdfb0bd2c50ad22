#pragma once
// What the tree's painting draws with: the expand/collapse button bitmaps, the tree-line
// pattern, the background picture (tiled or static) and the per-cell paint information.

#include <QBrush>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <array>
#include <cstdint>
#include <vector>

#include "controls/tree/treeimages.h"
#include "controls/tree/treetypes.h"
#include "platform/colors.h"
#include "platform/gui/canvas.h"

enum TLTButtonStyle { bsRectangle, bsTriangle };
enum TLTButtonFillMode { fmTreeColor, fmWindowColor, fmShaded, fmTransparent };
enum TLTLineStyle { lsCustomStyle, lsDotted, lsSolid };
enum TLTLineMode { lmNormal, lmBands };
enum TLTDrawSelectionMode { smDottedRectangle, smBlendedRectangle };
// Tree-line shape of one indentation level of a row.
enum TLTLineType {
    ltNone,
    ltBottomRight,
    ltTopDown,
    ltTopDownRight,
    ltRight,
    ltTopRight,
    ltLeft,
    ltLeftBottom
};

// Options of one PaintTree call, in bit order.
enum class TLTInternalPaintOption {
    poBackground,
    poColumnColor,
    poDrawFocusRect,
    poDrawSelection,
    poDrawDropMark,
    poGridLines,
    poMainOnly,
    poSelectedOnly
};
using TLTInternalPaintOptions = TFlags<TLTInternalPaintOption, uint8_t>;
constexpr TLTInternalPaintOptions AllPaintOptions = TLTInternalPaintOptions::FromBits(0x3F);

// The 8 rows of an 8 x 8 line pattern, read as a monochrome pattern brush: bit 7 of a row is
// its left pixel, a 0 bit draws the line colour and a 1 bit leaves the background.
using TLTLinePattern = std::array<uint8_t, 8>;
// Single pixels in a checkerboard, starting with a drawn one at the top left.
constexpr TLTLinePattern DottedLinePattern{0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
// A solid line: every pixel drawn.
constexpr TLTLinePattern SolidLinePattern{0, 0, 0, 0, 0, 0, 0, 0};

// A brush of Color that draws the 0 bits of Pattern and is transparent at the 1 bits, aligned
// to the painter's origin.
QBrush MakeLineBrush(const TLTLinePattern& Pattern, const QColor& Color);

constexpr int ButtonSize = 9; // the plus and minus bitmaps are ButtonSize x ButtonSize

// Draws a classic plus (Expanded false) or minus button into a transparent 9 x 9 image.
// Fill is the face colour (invalid: transparent face), Frame the border, Ink the sign.
QImage MakeClassicButton(bool Expanded, TLTButtonStyle Style, const QColor& Fill,
                         const QColor& Frame, const QColor& Ink);
// The shaded plus or minus button: a blue-grey frame around a face that darkens from white at
// the top, and a black sign (9 x 9, transparent corners).
QImage MakeShadedButton(bool Expanded);
// The themed tree-view glyph (closed for the plus, opened for the minus) as a 9 x 9 image.
QImage MakeThemedButton(bool Expanded);

// Fills Target (painter coordinates) with Picture repeated from the tree origin moved by
// (OffsetX, OffsetY) and the scroll position: the picture's left edge lies at OffsetX + ScrollX
// taken modulo its width (the same vertically). Nothing for a null picture.
void PaintTiledBackground(QPainter& P, const QRect& Target, const QImage& Picture, int OffsetX,
                          int OffsetY);
// Fills Target with Color and copies the part of Picture placed at Origin that meets it.
void PaintStaticBackground(QPainter& P, const QRect& Target, const QImage& Picture, QPoint Origin,
                           const QColor& Color);

// Blends R toward Color with constant alpha Factor (0..255): D += (C - D) * Factor / 255.
void BlendRect(QPainter& P, const QRect& R, const QColor& Color, int Factor);
// A one-pixel dotted frame along the border of R (every other pixel, aligned to the origin).
void DrawDottedFrame(QPainter& P, const QRect& R, const QColor& Color);

// Centre of a row's button and images, in pixels from the row's top, by NodeAlignment:
// naFromBottom RowHeight - Align, naFromTop Align; naProportional the centre of an item
// ItemHeight high placed Align percent down the free height (ItemHeight 0: Align percent of
// the row). Percentages round to the nearest pixel.
int NodeItemCentre(TLTNodeAlignment Mode, int Align, int RowHeight, int ItemHeight);

struct TLTPaintInfo {
    QPainter* Canvas = nullptr;
    PLeanNode Node = nullptr;
    TColumnIndex Column = NoColumn;
    TBiDiMode BidiMode = bdLeftToRight;
    TAlignment Alignment = taLeftJustify;
    QRect CellRect;    // tree coordinates
    QRect ContentRect; // the cell without margin, indentation and check image
    int NodeWidth = 0;
    int CheckX = -1;                      // left of the check image in the cell, -1 without one
    TLTImageInfo StateImage, NormalImage; // index -1 when the row has none
    int ButtonX = 0; // button offset from the cell's left edge (or right for right-to-left)
    int ButtonY = 0; // from the cell's top
    int CentreY = 0; // centre of the button and images from the cell's top (NodeItemCentre)
    TLTInternalPaintOptions PaintOptions;
    std::vector<TLTLineType> LineImage; // one entry per indentation level
};

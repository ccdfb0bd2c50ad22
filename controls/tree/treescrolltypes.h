#pragma once
// The scroll codes of the tree's scroll bars, the auto-scroll directions and the images of
// wheel panning.

#include <QImage>
#include <cstdint>

// What a scroll bar asks for (line, page, thumb, ends).
enum TLTScrollCode {
    scLineUp,
    scLineDown,
    scPageUp,
    scPageDown,
    scThumbPosition,
    scThumbTrack,
    scTop,
    scBottom,
    scEndScroll
};

// The scroll bars as OnShowScrollbar names them.
constexpr int SB_HORZ = 0, SB_VERT = 1;

// Auto-scroll directions as bits.
using TLTScrollDirections = uint8_t;
constexpr TLTScrollDirections sdLeft = 1, sdUp = 2, sdRight = 4, sdDown = 8;

// Wheel-panning images: the neutral ones (all, east-west, north-south) and the directions.
enum TLTPanningImage {
    piMoveAll,
    piMoveEW,
    piMoveNS,
    piMoveN,
    piMoveS,
    piMoveE,
    piMoveW,
    piMoveNE,
    piMoveNW,
    piMoveSE,
    piMoveSW
};

// The 32 x 32 image of Kind, drawn in code: a round plate with arrows, transparent outside.
QImage PanningImage(TLTPanningImage Kind);

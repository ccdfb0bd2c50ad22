#pragma once
// The check image kinds: one process-wide list per kind of check box, radio button and button
// images, drawn in code and laid out the way GetCheckImage indexes them.

#include <memory>

#include "controls/tree/treeimages.h"

enum TCheckImageKind {
    ckLightCheck,
    ckDarkCheck,
    ckLightTick,
    ckDarkTick,
    ckFlat,
    ckXP,
    ckCustom,
    ckSystem,
    ckSystemFlat
};

// Images of a check image list: 0 empty; radio buttons 1-8 (unchecked, then checked), check
// boxes 9-16 (unchecked, then checked), buttons 17-20, mixed check boxes 21-24; each group of
// four is normal, hot, pressed, disabled.
constexpr int CheckImageCount = 25;

// The process-wide list of Kind, drawn on first use (a Qt GUI application must exist); the
// kinds drawn by the style are as large as its check indicator + 3 pixels, the others 16 x 16,
// and are drawn anew once the application's style changed.
// Nil for ckCustom and for values outside the kinds.
std::shared_ptr<TLTImageList> CheckImageListFor(TCheckImageKind Kind);

#pragma once
// Hint modes, hint animations and the data the tree hands to its hint window.

#include <QRect>
#include <QString>

#include "controls/tree/treetypes.h"

enum TLTHintMode { hmDefault, hmHint, hmHintAndDefault, hmTooltip };
enum TLTHintAnimationType { hatNone, hatFade, hatSlide, hatSystemDefault };
enum TLTTooltipLineBreakStyle { hlbDefault, hlbForceSingleLine, hlbForceMultiLine };

struct TLTHintData {
    TBaseLeanTree* Tree = nullptr;
    PLeanNode Node = nullptr;
    TColumnIndex Column = NoColumn;
    QRect HintRect;
    QString DefaultHint; // given by the caller; empty: ask the tree
    QString HintText;    // what is shown
    TBiDiMode BidiMode = bdLeftToRight;
    TAlignment Alignment = taLeftJustify;
    TLTTooltipLineBreakStyle LineBreakStyle = hlbDefault;
};

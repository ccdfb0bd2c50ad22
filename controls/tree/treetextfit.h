#pragma once
// The tree's fitting of texts into the room they have, on the shared routines of
// platform/gui/textfit.h: a caption of megabytes costs about what a short one does.

#include <QFont>
#include <QFontMetrics>
#include <QString>

#include "platform/gui/textfit.h"

// Text widths are told apart up to this many pixels: a text as wide or wider is wider than any
// cell or screen shows, and its width counts as this. Far below Qt's coordinate range.
constexpr int MaxTextWidth = 1 << 15;

// S cut to Width pixels with "..." as ElideToWidth cuts it (RightToLeft: its end kept); S
// unchanged when it is empty or Width <= 0.
QString ShortenString(const TTextWidth& Measure, const QString& S, int Width,
                      bool RightToLeft = false);

// Text as a word-wrapped block Width x Height shows it in Font: whole lines only (at least
// one), wrapped as Qt wraps words (WrapText; a word wider than Width overflows its line); when
// text is left over, the last shown line ends in "...". The text itself when it fits, else the
// lines shown, joined by line feeds. Measures only what the block can show.
QString FitWrappedText(const QFont& Font, const QString& Text, int Width, int Height);

// Text as a block Width x Height shows it in Font without wrapping: one line per line feed, as
// many as fit (at least one), each cut with "..." when wider than Width; when lines are left
// over, the last shown line ends in "...". The text itself when it fits.
QString FitLines(const QFont& Font, const QString& Text, int Width, int Height);

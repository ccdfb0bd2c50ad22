#pragma once
// The tree's fitting of texts into the room they have, on the shared routines of
// platform/gui/textfit.h: a caption of megabytes costs about what a short one does.

#include <QFont>
#include <QFontMetrics>
#include <QString>
#include <QStringView>
#include <utility>
#include <vector>

#include "platform/gui/textfit.h"

// Text widths are told apart up to this many pixels: a text as wide or wider is wider than any
// cell or screen shows, and its width counts as this. Far below Qt's coordinate range.
constexpr int MaxTextWidth = 1 << 15;

// S cut to Width pixels with "..." as ElideToWidth cuts it (RightToLeft: its end kept); S
// unchanged when it is empty or Width <= 0.
QString ShortenString(const TTextWidth& Measure, const QString& S, int Width,
                      bool RightToLeft = false);

// Line as one line Width pixels wide shows it: Line itself when it fits and More is false,
// else its longest fitting prefix followed by "..." (More: text that cannot show follows it).
// Looks at no more than Width + 2 units of Line.
QString FitLine(const TTextWidth& Measure, QStringView Line, int Width, bool More);

// The first lines of a text word-wrapped to a width.
struct TWrappedLines {
    std::vector<std::pair<qsizetype, qsizetype>> Lines; // start and length of each line
    bool More = false;                                  // text follows the lines
};

// Text word-wrapped to Width pixels in Font (line feeds end lines), as far as its first
// MaxLines lines (MaxLines >= 1). A line running on for more units than a line can show
// (several times Width: a word far wider than Width, or blanks) is cut there and ends the
// lines, as if text that cannot show followed it. Lays out only a part of Text that settles
// the lines asked for: about twice what they take.
TWrappedLines WrapLines(const QFont& Font, QStringView Text, int Width, int MaxLines);

// Text as a word-wrapped block Width x Height shows it in Font: whole lines only (at least
// one); when text is left over, the last shown line ends in "...". The text itself when it
// fits, else the lines shown, joined by line feeds. Lays out and measures only what the block
// can show.
QString FitWrappedText(const QFont& Font, const QString& Text, int Width, int Height);

// Text as a block Width x Height shows it in Font without wrapping: one line per line feed, as
// many as fit (at least one), each cut with "..." when wider than Width; when lines are left
// over, the last shown line ends in "...". The text itself when it fits.
QString FitLines(const QFont& Font, const QString& Text, int Width, int Height);

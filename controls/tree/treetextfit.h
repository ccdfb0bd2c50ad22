#pragma once
// Fitting texts into the room they have, measuring no more of a text than can show: widths up
// to a limit, a text cut to a width with an ellipsis, and word-wrapped blocks of a few lines.
// A caption of megabytes costs about what a short one does.

#include <QFont>
#include <QFontMetrics>
#include <QString>
#include <QStringView>
#include <functional>
#include <utility>
#include <vector>

// Text measuring for the fitting routines: width of a text in pixels.
using TTextMeasure = std::function<int(QStringView Text)>;
// Measuring by Metrics, which must outlive the function.
TTextMeasure FontMeasure(const QFontMetrics& Metrics);

// Text widths are told apart up to this many pixels: a text as wide or wider is wider than any
// cell or screen shows, and its width counts as this. Far below Qt's coordinate range.
constexpr int MaxTextWidth = 1 << 15;

// A part of a text and its width (pixels).
struct TTextExtent {
    qsizetype Length = 0; // UTF-16 units
    int Width = 0;
};

// A prefix of S (FromEnd: a suffix) wider than Width pixels, with its width; S whole when it is
// not wider. Measures parts that grow from a few characters, so no more than about Width + 1
// characters (more only where characters of no width are many).
TTextExtent MeasureUpTo(const TTextMeasure& Measure, QStringView S, int Width,
                        bool FromEnd = false);

// Width of S in pixels, or Limit when it is at least Limit (Limit > 0); measures as
// MeasureUpTo does.
int TextWidthUpTo(const TTextMeasure& Measure, QStringView S, int Limit);

// The longest prefix of S that fits Width together with "..." followed by "..." (right to left:
// "..." followed by the longest fitting suffix). S unchanged when it fits, is empty or Width
// <= 0. Cuts only between characters (grapheme clusters), never inside a surrogate pair.
// Measures no more than Width + 1 characters at a time while those do not all fit, and looks
// for characters only near the kept end.
QString ShortenString(const TTextMeasure& Measure, const QString& S, int Width,
                      bool RightToLeft = false);

// Line as one line Width pixels wide shows it: Line itself when it fits and More is false,
// else its longest fitting prefix followed by "..." (More: text that cannot show follows it).
// Looks at no more than Width + 2 units of Line.
QString FitLine(const TTextMeasure& Measure, QStringView Line, int Width, bool More);

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

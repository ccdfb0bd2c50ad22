#pragma once
// Fitting a user's text into the room a window gives it: widths measured up to a limit, one
// line cut to a width with "...", word-wrapped lines in a box, a hint of a bounded number of
// lines. None of them measures, decodes or lays out more of a text than can show: a part of a
// few characters is measured first and grown by what it measured, never past width + 1
// characters (grapheme clusters) while fewer were measured, which is all that fits when each
// is a pixel wide or more; only characters of no width let it grow further. A text of
// megabytes costs no more than a short one.

#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

class QFontMetrics;
class QFontMetricsF;

// The width of a text in pixels.
using TTextWidth = std::function<int(QStringView text)>;
// Widths in the font of metrics (horizontal advance); metrics must outlive the result.
TTextWidth TextWidthOf(const QFontMetrics& metrics);
// The same rounded up: a text fits a width in them exactly when Qt lays it out on a line of
// that width, for texts Qt word-wraps again.
TTextWidth TextWidthOf(const QFontMetricsF& metrics);

// A part of a text and its width (pixels).
struct TTextExtent {
    qsizetype Length = 0; // UTF-16 units
    int Width = 0;
};

// A start of text (fromEnd: an end) wider than width pixels, whole grapheme clusters, with its
// width; text whole when it is not wider.
TTextExtent MeasureUpTo(const TTextWidth& widthOf, QStringView text, int width,
                        bool fromEnd = false);
// The width of text in pixels, or limit when it is at least limit (limit > 0); measures as
// MeasureUpTo does.
int TextWidthUpTo(const TTextWidth& widthOf, QStringView text, int limit);

// The longest start of text (whole grapheme clusters, never half a surrogate pair) that fits
// width pixels measured together with "..." after it, followed by "..."; with keepEnd "..."
// followed by the longest end that fits after it. text itself when it fits whole; "" for an
// empty text; "..." alone when not even its first character fits with it.
QString ElideToWidth(const TTextWidth& widthOf, QStringView text, int width, bool keepEnd = false);

// The first line of the UTF-8 text that pieces make up one after the other (a line break ends
// it), cut to width pixels as ElideToWidth does; "..." also follows a line that fits when more
// text follows its line break. Decodes no more of the pieces than it measures.
QString FirstLineToWidth(const TTextWidth& widthOf, std::initializer_list<std::string_view> pieces,
                         int width);

// How WrapText treats a word wider than a line.
enum class TLongWords {
    Break,    // broken inside, between characters (one at least on a line)
    Overflow, // whole on a line of its own, wider than the line, as Qt's word wrap leaves it; a
              // word (or run of blanks) of more than several lines' width ends the lines there
};

// The first lines of a word-wrapped text.
struct TWrappedText {
    // The lines as shown, without the blanks and line break that end each; when More, the
    // last one is the rest of its paragraph cut with "..." as FirstLineToWidth cuts it.
    QStringList Lines;
    // The text as given as far as the lines reach, with a line break added only where a line
    // ends inside a word, so that Qt wraps it into the same lines; its last line as in Lines.
    // The whole text when it fits.
    QString Kept;
    bool More = false; // text other than blanks and line breaks follows the lines
};

// text (UTF-8 or UTF-16) word-wrapped into at most maxLines (>= 1) lines of width pixels as
// Qt's layout wraps words: a line ends at a line break of the text, else at the last place
// Qt may break it (where Unicode's line breaking allows, and after every run of blanks) where
// it fits but for the blanks at its end and shows more than blanks; a word wider than the
// line is treated as longWords says. Reads and measures no more of the text than the lines
// hold.
TWrappedText WrapText(const TTextWidth& widthOf, std::string_view text, int width, int maxLines,
                      TLongWords longWords);
TWrappedText WrapText(const TTextWidth& widthOf, QStringView text, int width, int maxLines,
                      TLongWords longWords);
// The lines of the UTF-8 text as WrapText gives them, words wider than a line broken inside.
QStringList WrapToLines(const TTextWidth& widthOf, std::string_view text, int width, int maxLines);

// The most lines and characters per line that a hint shows.
inline constexpr int HintMaxLines = 20;
inline constexpr int HintMaxLineChars = 160;
// A multi-line hint (lines separated by "\n" or "\n\r") with at most maxLines lines of at
// most maxLineChars characters: a longer line is cut with "..." and ends the hint; lines
// beyond maxLines give way to a last line "...". Reads no more of hint than it keeps.
std::string LimitHintLines(std::string_view hint, int maxLines = HintMaxLines,
                           int maxLineChars = HintMaxLineChars);

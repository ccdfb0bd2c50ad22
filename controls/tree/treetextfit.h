#pragma once
// Fitting texts into the room they have, measuring no more of a text than can show: widths up
// to a limit and a text cut to a width with an ellipsis. A caption of megabytes costs about
// what a short one does.

#include <QString>
#include <QStringView>
#include <functional>

// Text measuring for the fitting routines: width of a text in pixels.
using TTextMeasure = std::function<int(QStringView Text)>;

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

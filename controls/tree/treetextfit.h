#pragma once
// Fitting texts into the room they have: a text cut to a width with an ellipsis.

#include <QString>
#include <QStringView>
#include <functional>

// Text measuring for the fitting routines: width of a text in pixels.
using TTextMeasure = std::function<int(QStringView Text)>;

// The longest prefix of S that fits Width together with "..." followed by "..." (right to left:
// "..." followed by the longest fitting suffix). S unchanged when it fits, is empty or Width
// <= 0. Cuts only between characters (grapheme clusters), never inside a surrogate pair.
// Measures no more than Width + 1 characters at a time while those do not all fit, and looks
// for characters only near the kept end.
QString ShortenString(const TTextMeasure& Measure, const QString& S, int Width,
                      bool RightToLeft = false);

#pragma once
// Conversions between the program's colour values ($00BBGGRR, system colours $FF0000nn) and
// Qt colours, and the fixed palette the windows draw with.

#include <QColor>
#include <QPalette>

#include "platform/colors.h"

// The Qt colour of c (system colours through the fixed table, alpha 255). clNone and clDefault
// give an invalid QColor: the caller keeps what it had.
QColor ColorToQColor(TColor c);
// As above, but clNone and clDefault give fallback.
QColor ColorToQColor(TColor c, const QColor& fallback);
// The $00BBGGRR value of a Qt colour (alpha dropped); an invalid colour gives clNone.
TColor QColorToColor(const QColor& c);

// A palette built from the fixed system colours (window, button face, highlight, tool tip,
// disabled texts ...), the same on every machine.
QPalette SystemPalette();

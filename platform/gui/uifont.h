#pragma once
// The windows' font: a font with Tahoma's metrics, the face whose sizes the windows' pixel
// layouts were made for (day names, captions and status texts fit their boxes with it). The
// program carries one in its resources (the regular face of Wine's Tahoma, from the Debian
// package fonts-wine, when the build found it; bold is drawn from it); else a "Tahoma" that
// fontconfig knows is taken; else DejaVu Sans.

#include <QFont>
#include <QString>

// The family to use: "Tahoma" when one is carried or installed, else "DejaVu Sans". Registers
// the carried font with the application on first use (needs the application object; before
// it exists the answer is not kept).
QString TahomaFamily();

// The font at pixelSize pixels; 11 pixels is 8 points at 96 dpi.
QFont TahomaFont(int pixelSize = 11);

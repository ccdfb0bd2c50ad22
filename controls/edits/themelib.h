#pragma once
// The visual-styles library of the edit buttons. On this platform the "library" is the
// toolkit's style facade of platform/gui/themes.h: loading it needs a running application,
// and the user's switch (SetThemesEnabled) stands for the active theme. The four entry points
// the buttons use answer "not available" while the library is not loaded or themes are off,
// so callers fall back to their classic drawing.

#include <QPainter>
#include <QRect>
#include <memory>
#include <string>

class QWidget;

// Whether the library is loaded.
bool ThemeLibraryLoaded();
// Loads the library once (a QApplication must exist, else it stays unloaded); true when loaded.
bool LoadThemeLibrary();
// Unloads it; open theme data stays harmless (drawing with it answers false).
void FreeThemeLibrary();

// An open theme class ("button", "combobox").
struct TThemeData {
    std::string ClassName;
};
using HTHEME = std::unique_ptr<TThemeData>;

// True while the library is loaded and themes are switched on.
bool IsThemeActive();
// The theme data of a class for a window; empty when not available or the class is unknown.
HTHEME OpenThemeData(QWidget* window, const std::string& classList);
// Draws part (1: the push button of "button", the drop-down button of "combobox") in state
// (1 normal, 2 hot, 3 pressed, 4 disabled) over rect. False when nothing was drawn.
bool DrawThemeBackground(const HTHEME& theme, QPainter& p, int part, int state, const QRect& rect);
void CloseThemeData(HTHEME& theme);

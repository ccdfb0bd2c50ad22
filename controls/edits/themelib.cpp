#include "controls/edits/themelib.h"

#include <QApplication>

#include "platform/gui/themes.h"

namespace {

bool loaded = false;

TThemeState StateOf(int state) {
    switch (state) {
    case 2:
        return TThemeState::Hot;
    case 3:
        return TThemeState::Pressed;
    case 4:
        return TThemeState::Disabled;
    default:
        return TThemeState::Normal;
    }
}

} // namespace

bool ThemeLibraryLoaded() {
    return loaded;
}

bool LoadThemeLibrary() {
    if (!loaded && qobject_cast<QApplication*>(QCoreApplication::instance()) && ThemeStyle())
        loaded = true;
    return loaded;
}

void FreeThemeLibrary() {
    loaded = false;
}

bool IsThemeActive() {
    return loaded && ThemesEnabled();
}

HTHEME OpenThemeData(QWidget*, const std::string& classList) {
    if (!IsThemeActive() || (classList != "button" && classList != "combobox"))
        return nullptr;
    return std::make_unique<TThemeData>(TThemeData{classList});
}

bool DrawThemeBackground(const HTHEME& theme, QPainter& p, int part, int state, const QRect& rect) {
    if (!theme || !IsThemeActive() || part != 1)
        return false;
    if (theme->ClassName == "combobox")
        DrawComboDropDown(p, rect, StateOf(state));
    else
        DrawButtonFace(p, rect, StateOf(state));
    return true;
}

void CloseThemeData(HTHEME& theme) {
    theme.reset();
}

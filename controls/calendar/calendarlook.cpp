#include "controls/calendar/calendarlook.h"

#include "platform/gui/themes.h"

namespace {

// One row of the colour presets. Color is clNone where the preset leaves the control's colour.
struct TCalendarColorPreset {
    TColor GradientStartColor, GradientEndColor;
    TColor MonthGradientStartColor, MonthGradientEndColor;
    TColor InActiveColor, DateSelectColor, DateHoverColor, DateDownColor, SelectFontColor;
    bool Line3D;
    TColor Color;
    bool BothVertical; // both gradient directions become gdVertical
};

constexpr int CalendarPresetCount = 11;

constexpr TColor C(uint32_t bits) {
    return ColorValue(bits);
}

// clang-format off
constexpr TCalendarColorPreset Presets[CalendarPresetCount] = {
    // gradient             caption-band gradient   InActive  DateSelect   DateHover    DateDown     SelectFont   Line3D Color        vertical
    {clWhite, clBtnFace,     clNone, clNone,         clTeal,   clHighlight, clInfoBk,    clHighlight, clWhite,     true,  clNone,      false},
    {clBtnFace, clNone,      clNone, clNone,         clTeal,   clHighlight, clInfoBk,    clHighlight, clBlack,     true,  clNone,      false},
    {C(0xFCE1CB), C(0xE0A57D), C(0xFCE1CB), C(0xE0A57D), clWhite, C(0x71BFFF), C(0xC2EEFF), C(0x087FE8), clWhite, false, clNone,  false},
    {C(0xCFF0EA), C(0x8CC0B1), C(0xCFF0EA), C(0x8CC0B1), clWhite, C(0x71BFFF), C(0xC2EEFF), C(0x087FE8), clWhite, false, clNone,  false},
    {C(0xECE2E1), C(0xB39698), C(0xECE2E1), C(0xB39698), clWhite, C(0x71BFFF), C(0xC2EEFF), C(0x087FE8), clWhite, false, clNone,  false},
    {clWhite, C(0xC9D1D5),   clWhite, C(0xC9D1D5),   clWhite,  clGray,      C(0xD2BDB6), C(0xB59285), clWhite,     false, clNone,      false},
    {clBtnFace, clNone,      clBtnFace, clNone,      clWhite,  clInfoBk,    clNone,      clNone,      clBlack,     false, clBtnFace,   false},
    {C(0xFFD9B3), clNone,    C(0x6580DA), C(0xF807F1), clWhite, clHighlight, clNone,     clNone,      clWhite,     true,  C(0xFFD9B3), false},
    {C(0xF5F9FA), C(0xA8C0C0), C(0xF5F9FA), C(0xA8C0C0), clGray, C(0x71BFFF), C(0xC2EEFF), C(0x087FE8), clWhite,  false, clNone,      false},
    {C(0xFFF4E3), C(0xEDD9C8), C(0xFFEFE3), C(0xFFD2AF), clWhite, C(0xBBEEFF), C(0x78DAFF), C(0x087FE8), C(0x723708), false, clNone, true},
    {C(0xF1F0E6), C(0xC6BCB5), C(0xF2F1F0), C(0xC9C2BD), clWhite, C(0xBBEEFF), C(0x78DAFF), C(0x087FE8), C(0x433C37), false, clNone, true},
};
// clang-format on

} // namespace

void TCalGlyphs::Assign(const TCalGlyphs& source) {
    nextMonth_ = source.nextMonth_;
    prevMonth_ = source.prevMonth_;
    nextYear_ = source.nextYear_;
    prevYear_ = source.prevYear_;
    if (OnChange)
        OnChange();
}

bool ApplyColorPresetTo(int preset, TCalendarAppearance& look, TColor& color) {
    if (preset < 0 || preset >= CalendarPresetCount)
        return false;
    const TCalendarColorPreset& p = Presets[preset];
    look.GradientStartColor = p.GradientStartColor;
    look.GradientEndColor = p.GradientEndColor;
    look.MonthGradientStartColor = p.MonthGradientStartColor;
    look.MonthGradientEndColor = p.MonthGradientEndColor;
    look.InActiveColor = p.InActiveColor;
    look.DateSelectColor = p.DateSelectColor;
    look.DateHoverColor = p.DateHoverColor;
    look.DateDownColor = p.DateDownColor;
    look.SelectFontColor = p.SelectFontColor;
    look.Line3D = p.Line3D;
    if (p.Color != clNone)
        color = p.Color;
    if (p.BothVertical) {
        look.GradientDirection = gdVertical;
        look.MonthGradientDirection = gdVertical;
    }
    return true;
}

int CurrentColorScheme() {
    return ThemesEnabled() ? 0 : 4;
}

int SchemeToPreset(int scheme) {
    switch (scheme) {
    case 1:
        return 2;
    case 2:
        return 3;
    case 3:
        return 4;
    case 4:
        return 0;
    default:
        return 1;
    }
}

int StyleToPreset(int style) {
    static constexpr int map[8] = {2, 4, 3, 5, 9, 10, 0, 8};
    int s = style & 0x7F;
    return s < 8 ? map[s] : -1;
}

void IStyledComponent::ApplyStyle(int Style) {
    int preset = StyleToPreset(Style);
    if (preset >= 0)
        ApplyColorPreset(preset);
}

void IStyledComponent::ThemeAdapt() {
    ApplyColorPreset(SchemeToPreset(CurrentColorScheme()));
}

void IStyledComponent::SetAutoThemeAdapt(bool v) {
    autoThemeAdapt_ = v;
    if (v)
        ThemeAdapt();
}

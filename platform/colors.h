#pragma once
// Colour values as the program stores them: 32-bit $00BBGGRR. A value with the high byte $FF
// names a system colour by its index in the low byte; clNone leaves a colour unchanged.
// System colours resolve through a fixed table (the classic Windows scheme), so drawings are
// the same on every machine.

#include <cstdint>

using TColor = int32_t;

constexpr TColor ColorValue(uint32_t bits) {
    return static_cast<TColor>(bits);
}
constexpr TColor RGB(int r, int g, int b) {
    return ColorValue((uint32_t(r) & 0xFF) | ((uint32_t(g) & 0xFF) << 8) |
                      ((uint32_t(b) & 0xFF) << 16));
}
constexpr int GetRValue(TColor c) {
    return uint32_t(c) & 0xFF;
}
constexpr int GetGValue(TColor c) {
    return (uint32_t(c) >> 8) & 0xFF;
}
constexpr int GetBValue(TColor c) {
    return (uint32_t(c) >> 16) & 0xFF;
}

constexpr uint32_t clSystemColor = 0xFF000000;
constexpr TColor SystemColor(int index) {
    return ColorValue(clSystemColor | uint32_t(index));
}

constexpr TColor clScrollBar = SystemColor(0);
constexpr TColor clBackground = SystemColor(1);
constexpr TColor clActiveCaption = SystemColor(2);
constexpr TColor clInactiveCaption = SystemColor(3);
constexpr TColor clMenu = SystemColor(4);
constexpr TColor clWindow = SystemColor(5);
constexpr TColor clWindowFrame = SystemColor(6);
constexpr TColor clMenuText = SystemColor(7);
constexpr TColor clWindowText = SystemColor(8);
constexpr TColor clCaptionText = SystemColor(9);
constexpr TColor clActiveBorder = SystemColor(10);
constexpr TColor clInactiveBorder = SystemColor(11);
constexpr TColor clAppWorkSpace = SystemColor(12);
constexpr TColor clHighlight = SystemColor(13);
constexpr TColor clHighlightText = SystemColor(14);
constexpr TColor clBtnFace = SystemColor(15);
constexpr TColor clBtnShadow = SystemColor(16);
constexpr TColor clGrayText = SystemColor(17);
constexpr TColor clBtnText = SystemColor(18);
constexpr TColor clInactiveCaptionText = SystemColor(19);
constexpr TColor clBtnHighlight = SystemColor(20);
constexpr TColor cl3DDkShadow = SystemColor(21);
constexpr TColor cl3DLight = SystemColor(22);
constexpr TColor clInfoText = SystemColor(23);
constexpr TColor clInfoBk = SystemColor(24);
constexpr TColor clHotLight = SystemColor(26);
constexpr TColor clGradientActiveCaption = SystemColor(27);
constexpr TColor clGradientInactiveCaption = SystemColor(28);
constexpr TColor clMenuHighlight = SystemColor(29);
constexpr TColor clMenuBar = SystemColor(30);
constexpr int SystemColorCount = 31;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clLtGray = clSilver;
constexpr TColor clDkGray = clGray;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// True for $FF0000nn values.
constexpr bool IsSystemColor(TColor c) {
    return (uint32_t(c) & 0xFF000000) == clSystemColor;
}

// The $00BBGGRR value of a system colour index from the fixed table; 0 (black) for an index
// outside it.
TColor GetSysColor(int index);

// A plain $00BBGGRR value: system colours resolved through the table, others unchanged
// (clNone and clDefault included, as the original conversion leaves them).
TColor ColorToRGB(TColor c);

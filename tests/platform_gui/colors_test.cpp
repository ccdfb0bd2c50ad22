#include <gtest/gtest.h>

#include "platform/gui/qtcolors.h"

TEST(Colors, ValuesAreBlueGreenRed) {
    EXPECT_EQ(RGB(0x12, 0x34, 0x56), 0x563412);
    EXPECT_EQ(GetRValue(0x563412), 0x12);
    EXPECT_EQ(GetGValue(0x563412), 0x34);
    EXPECT_EQ(GetBValue(0x563412), 0x56);
    QColor red = ColorToQColor(clRed);
    EXPECT_EQ(red, QColor(255, 0, 0));
    EXPECT_EQ(ColorToQColor(clBlue), QColor(0, 0, 255));
    EXPECT_EQ(ColorToQColor(0xFBFBFB), QColor(0xFB, 0xFB, 0xFB));
    EXPECT_EQ(QColorToColor(QColor(1, 2, 3)), RGB(1, 2, 3));
    for (TColor c : {clBlack, clWhite, clMaroon, clTeal, TColor(0xABCDEF)})
        EXPECT_EQ(QColorToColor(ColorToQColor(c)), c);
}

TEST(Colors, SystemColorsComeFromTheFixedTable) {
    EXPECT_EQ(clWindowText, ColorValue(0xFF000008));
    EXPECT_TRUE(IsSystemColor(clBtnFace));
    EXPECT_FALSE(IsSystemColor(clWhite));
    EXPECT_FALSE(IsSystemColor(clNone));
    EXPECT_EQ(ColorToRGB(clBtnFace), RGB(212, 208, 200));
    EXPECT_EQ(ColorToRGB(clWindow), clWhite);
    EXPECT_EQ(ColorToRGB(clWindowText), clBlack);
    EXPECT_EQ(ColorToRGB(clInfoBk), RGB(255, 255, 225));
    EXPECT_EQ(ColorToRGB(clHighlight), RGB(10, 36, 106));
    EXPECT_EQ(ColorToQColor(clBtnShadow), QColor(128, 128, 128));
    // An index past the table is black; plain colours pass unchanged.
    EXPECT_EQ(ColorToRGB(SystemColor(200)), clBlack);
    EXPECT_EQ(ColorToRGB(0x00C0FFEE), 0x00C0FFEE);
}

TEST(Colors, NoneLeavesTheColourToTheCaller) {
    EXPECT_EQ(clNone, 0x1FFFFFFF);
    EXPECT_FALSE(ColorToQColor(clNone).isValid());
    EXPECT_FALSE(ColorToQColor(clDefault).isValid());
    EXPECT_EQ(ColorToQColor(clNone, Qt::green), QColor(Qt::green));
    EXPECT_EQ(ColorToQColor(clRed, Qt::green), QColor(Qt::red));
    EXPECT_EQ(QColorToColor(QColor()), clNone);
    EXPECT_EQ(ColorToRGB(clNone), clNone);
}

TEST(Colors, PaletteIsTheClassicScheme) {
    QPalette p = SystemPalette();
    EXPECT_EQ(p.color(QPalette::Button), QColor(212, 208, 200));
    EXPECT_EQ(p.color(QPalette::Base), QColor(255, 255, 255));
    EXPECT_EQ(p.color(QPalette::Highlight), QColor(10, 36, 106));
    EXPECT_EQ(p.color(QPalette::ToolTipBase), QColor(255, 255, 225));
    EXPECT_EQ(p.color(QPalette::Disabled, QPalette::Text), QColor(128, 128, 128));
}

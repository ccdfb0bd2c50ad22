#include <gtest/gtest.h>

#include "platform/gui/qtcolors.h"

TEST(Colors, ValuesAreBlueGreenRedAndRoundTripThroughQt) {
    EXPECT_EQ(RGB(0x12, 0x34, 0x56), 0x563412);
    EXPECT_EQ(GetRValue(0x563412), 0x12);
    EXPECT_EQ(GetBValue(0x563412), 0x56);
    EXPECT_EQ(ColorToQColor(clRed), QColor(255, 0, 0));
    for (TColor c : {clBlack, clWhite, clMaroon, clTeal, TColor(0xABCDEF)})
        EXPECT_EQ(QColorToColor(ColorToQColor(c)), c);
}

TEST(Colors, SystemColorsComeFromTheFixedTable) {
    EXPECT_TRUE(IsSystemColor(clBtnFace));
    EXPECT_FALSE(IsSystemColor(clWhite));
    EXPECT_FALSE(IsSystemColor(clNone));
    EXPECT_EQ(ColorToRGB(clBtnFace), RGB(212, 208, 200));
    EXPECT_EQ(ColorToQColor(clBtnShadow), QColor(128, 128, 128));
    EXPECT_EQ(SystemPalette().color(QPalette::Highlight), ColorToQColor(clHighlight));
    // An index past the table is black; plain colours pass unchanged.
    EXPECT_EQ(ColorToRGB(SystemColor(200)), clBlack);
    EXPECT_EQ(ColorToRGB(0x00C0FFEE), 0x00C0FFEE);
}

TEST(Colors, NoneLeavesTheColourToTheCaller) {
    EXPECT_FALSE(ColorToQColor(clNone).isValid());
    EXPECT_FALSE(ColorToQColor(clDefault).isValid());
    EXPECT_EQ(ColorToQColor(clNone, Qt::green), QColor(Qt::green));
    EXPECT_EQ(ColorToQColor(clRed, Qt::green), QColor(Qt::red));
    EXPECT_EQ(QColorToColor(QColor()), clNone);
    EXPECT_EQ(ColorToRGB(clNone), clNone);
}

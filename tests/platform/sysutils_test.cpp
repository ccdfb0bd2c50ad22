#include <gtest/gtest.h>

#include "platform/sysutils.h"
#include "testutil.h"

TEST(SysUtils, IntegerTexts) {
    EXPECT_EQ(StrToInt(" -42 "), -42);
    EXPECT_EQ(StrToInt("+7"), 7);
    EXPECT_THROW(StrToInt("4x"), EConvertError);
    EXPECT_THROW(StrToInt("2147483648"), EConvertError);
    EXPECT_EQ(StrToIntDef("", 5), 5);
    EXPECT_EQ(MessageOf<EConvertError>([] { StrToInt("abc"); }),
              "'abc' is not a valid integer value");
}

TEST(SysUtils, CaseMappingCoversNonAsciiLetters) {
    EXPECT_EQ(LowerCase("MÄRZ"), "mÄrz"); // ASCII only
    EXPECT_EQ(Utf8LowerCase("MÄRZ"), "märz");
    EXPECT_EQ(Utf8LowerCase("ЯНВАРЬ"), "январь");
    EXPECT_EQ(Utf8UpperCase("straße"), "STRAßE");
    EXPECT_TRUE(AnsiSameText("Март", "МАРТ"));
    EXPECT_EQ(Utf8LowerCase(std::string("A\xff"
                                        "B")),
              std::string("a\xff"
                          "b")); // stray byte kept
    EXPECT_EQ(Utf8Length("März"), 4u);
}

TEST(SysUtils, TrimAndReplace) {
    EXPECT_EQ(Trim("\t a b \r\n"), "a b");
    EXPECT_EQ(ReplaceText("a,b,,c", ",", ", "), "a, b, , c");
    EXPECT_EQ(ReplaceText("abc", "", "x"), "abc");
    EXPECT_EQ(ReplaceText("aaa", "aa", "b"), "ba");
    EXPECT_EQ(ReplaceText("aXa", "a", "aa"), "aaXaa"); // the new text is not searched again
    EXPECT_EQ(ReplaceText("abc", "b", "b"), "abc");
    EXPECT_EQ(ReplaceText("abc", "b", ""), "ac");
    EXPECT_EQ(ReplaceText("", "b", "x"), "");
    EXPECT_EQ(Format("%d-%s", 3, "x"), "3-x");
}

TEST(SysUtils, HintLineBreaks) {
    EXPECT_EQ(HintLineBreaks("Tockwell\n\rNearest alert:\n\r"), "Tockwell\nNearest alert:\n");
    EXPECT_EQ(HintLineBreaks("a\n\r\n\rb"), "a\n\nb"); // an empty line between
    // Lone breaks and the other order are not the separator; pairs are read from the left.
    EXPECT_EQ(HintLineBreaks("a\nb\rc\r\nd"), "a\nb\rc\r\nd");
    EXPECT_EQ(HintLineBreaks("a\r\n\rb"), "a\r\nb");
    EXPECT_EQ(HintLineBreaks("a\n\r\nb"), "a\n\nb");
}

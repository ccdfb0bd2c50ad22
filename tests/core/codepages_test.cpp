#include <gtest/gtest.h>

#include "core/codepages.h"
#include "platform/sysutils.h"

namespace {
const std::string kGruss = "Gr\xC3\xBC\xC3\x9F"
                           "e \xE2\x82\xAC"; // "Grüße €"
}

TEST(CodePages, ConvertsBothWays) {
    EXPECT_EQ(WideToMultiByteText(kGruss, 1252), "Gr\xFC\xDF"
                                                 "e \x80");
    EXPECT_EQ(MultiByteToWideText("Gr\xFC\xDF"
                                  "e \x80",
                                  1252),
              kGruss);
    EXPECT_EQ(WideToMultiByteText(kGruss, CP_ACP), WideToMultiByteText(kGruss, "CP1252"));
    // DOS code page 437: u-umlaut is 0x81, sharp s 0xE1, and there is no euro sign.
    EXPECT_EQ(WideToMultiByteText(kGruss, CP_OEMCP), "Gr\x81\xE1"
                                                     "e ?");
    EXPECT_EQ(MultiByteToWideText("\x81", CP_OEMCP), "\xC3\xBC");
    // Cyrillic and a double-byte code page round-trip.
    const std::string privet = "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";
    EXPECT_EQ(WideToMultiByteText(privet, 1251), "\xEF\xF0\xE8\xE2\xE5\xF2");
    EXPECT_EQ(MultiByteToWideText(WideToMultiByteText(privet, 1251), 1251), privet);
    const std::string nihon = "\xE6\x97\xA5\xE6\x9C\xAC";
    EXPECT_EQ(MultiByteToWideText(WideToMultiByteText(nihon, 932), 932), nihon);
    EXPECT_EQ(MultiByteToWideText(kGruss, CP_UTF8), kGruss);
    EXPECT_EQ(WideToMultiByteText("", 1252), "");
    EXPECT_EQ(WideToMultiByteText("ab", 1200), std::string("a\0b\0", 4));
}

TEST(CodePages, BadInputIsReplacedNotLost) {
    // 0x81 is unassigned in 1252; the rest of the text stays.
    EXPECT_EQ(MultiByteToWideText("a\x81"
                                  "b",
                                  1252),
              "a\xEF\xBF\xBD"
              "b");
    // Not UTF-8 (a lone lead byte, a stray continuation byte) on the way out.
    EXPECT_EQ(WideToMultiByteText("a\xC3"
                                  "b\x80"
                                  "c",
                                  1252),
              "a?b?c");
    EXPECT_EQ(WideToMultiByteText("x\xE2\x82", 1252), "x?"); // cut at the end
    // A character missing from the target is one replacement, in the target's encoding.
    EXPECT_EQ(WideToMultiByteText("\xE2\x82\xAC", "UTF-16LE"), std::string("\xAC\x20", 2));
    EXPECT_EQ(WideToMultiByteText("\xF0\x9F\x98\x80", 1252), "?");
    EXPECT_EQ(CodePageName(28605), "ISO-8859-15");
    EXPECT_EQ(CodePageName(866), "CP866");
    EXPECT_THROW(MultiByteToWideText("x", 99999), Exception);
    EXPECT_THROW(WideToMultiByteText("x", "NO-SUCH-CHARSET"), Exception);
}

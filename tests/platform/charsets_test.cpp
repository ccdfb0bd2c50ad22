#include <gtest/gtest.h>

#include "platform/charsets.h"

TEST(Charsets, Utf8ChecksAndRepair) {
    EXPECT_TRUE(IsValidUtf8("Grüße"));
    EXPECT_FALSE(IsValidUtf8("\xc0\xaf"));     // overlong
    EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80")); // surrogate
    EXPECT_FALSE(IsValidUtf8("\xe2\x82"));     // cut short
    EXPECT_EQ(ValidUtf8("a\xc0\xaf"
                        "b\xe2\x82"),
              "a\xEF\xBF\xBD\xEF\xBF\xBD"
              "b\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_TRUE(IsPlainAscii("plain"));
    EXPECT_FALSE(IsPlainAscii("Grüße"));
}

TEST(Charsets, ExactConversionRefusesWhatItCannotKeep) {
    EXPECT_EQ(ConvertCharset("Grüße", "ISO-8859-1", "UTF-8"), "Gr\xFC\xDF"
                                                              "e");
    EXPECT_EQ(ConvertCharset("€", "ISO-8859-1", "UTF-8"), std::nullopt);     // no counterpart
    EXPECT_EQ(ConvertCharset("a\xC3", "ISO-8859-1", "UTF-8"), std::nullopt); // cut short
    EXPECT_EQ(ConvertCharset("x", "NO-SUCH-SET", "UTF-8"), std::nullopt);
    // With a replacement (empty: dropped), conversion goes on.
    EXPECT_EQ(ConvertCharset("a€b", "ISO-8859-1", "UTF-8", ""), "ab");
}

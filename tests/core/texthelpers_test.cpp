#include <gtest/gtest.h>

#include "core/texthelpers.h"
#include "platform/classes.h"

TEST(TextHelpers, TokensSplitAtEveryDelimiter) {
    EXPECT_EQ(TokenCount("MO TU", " "), 2);
    EXPECT_EQ(TokenCount("MO  TU", " "), 3); // the middle piece is empty
    EXPECT_EQ(TokenCount("MO ", " "), 1);
    EXPECT_EQ(TokenCount(" MO", " "), 2);
    EXPECT_EQ(TokenCount("MO", " "), 1);
    EXPECT_EQ(TokenCount("", " "), 0);
    EXPECT_EQ(TokenCount("MO", ""), 0);
    EXPECT_EQ(TokenCount("a<>b<>c", "<>"), 3);

    EXPECT_EQ(ExtractToken("MO  TU", " ", 1), "MO");
    EXPECT_EQ(ExtractToken("MO  TU", " ", 2), "");
    EXPECT_EQ(ExtractToken("MO  TU", " ", 3), "TU");
    EXPECT_EQ(ExtractToken("MO  TU", " ", 4), "");
    EXPECT_EQ(ExtractToken("MO  TU", " ", 0), "");
    EXPECT_EQ(ExtractToken("a<>b<>c", "<>", 2), "b");
    EXPECT_EQ(ExtractToken("abc", "", 1), "abc");
    // Every piece TokenCount counts can be extracted and rebuilds the text.
    std::string text = "x,,y,z";
    std::string joined;
    for (int i = 1; i <= TokenCount(text, ","); ++i)
        joined += (i > 1 ? "," : "") + ExtractToken(text, ",", i);
    EXPECT_EQ(joined, text);
}

TEST(TextHelpers, TruncateWithEllipsisCountsCharacters) {
    EXPECT_EQ(TruncateWithEllipsis("abcdef", 3), "abc...");
    EXPECT_EQ(TruncateWithEllipsis("abcdef", 6), "abcdef");
    EXPECT_EQ(TruncateWithEllipsis("abcdef", 10), "abcdef");
    EXPECT_EQ(TruncateWithEllipsis("abcdef", -1), "abcdef");
    EXPECT_EQ(TruncateWithEllipsis("abcdef", 0), "...");
    EXPECT_EQ(TruncateWithEllipsis("", 0), "");
    // "Grüße €" in UTF-8: no character is cut in two.
    EXPECT_EQ(TruncateWithEllipsis("Gr\xC3\xBC\xC3\x9F"
                                   "e \xE2\x82\xAC",
                                   3),
              "Gr\xC3\xBC...");
    EXPECT_EQ(TruncateWithEllipsis("Gr\xC3\xBC\xC3\x9F"
                                   "e \xE2\x82\xAC",
                                   7),
              "Gr\xC3\xBC\xC3\x9F"
              "e \xE2\x82\xAC");
}

TEST(TextHelpers, XorWithKeyIsItsOwnInverse) {
    EXPECT_EQ(XorWithKey("", CredentialsXorKey), "");
    EXPECT_EQ(XorWithKey("abc", ""), "abc");
    std::string text;
    for (int i = 0; i < 300; ++i) // longer than the key, every byte value
        text += static_cast<char>(i);
    std::string scrambled = XorWithKey(text, CredentialsXorKey);
    EXPECT_EQ(scrambled.size(), text.size());
    EXPECT_NE(scrambled, text);
    EXPECT_EQ(XorWithKey(scrambled, CredentialsXorKey), text);
    // The key repeats: byte i and byte i + 128 use the same key byte.
    EXPECT_EQ(scrambled[5] ^ text[5], scrambled[133] ^ text[133]);
    // A text byte equal to the key byte gives 0, which must survive.
    std::string k1(CredentialsXorKey.substr(0, 1));
    EXPECT_EQ(XorWithKey(k1, CredentialsXorKey), std::string(1, '\0'));
}

TEST(TextHelpers, TextInStringsIgnoresUnicodeCase) {
    TStringList l{"Holiday", "\xC3\x84pfel"}; // "Äpfel"
    EXPECT_TRUE(TextInStrings("HOLIDAY", l));
    EXPECT_TRUE(TextInStrings("\xC3\xA4PFEL", l)); // "äPFEL"
    EXPECT_FALSE(TextInStrings("Holidays", l));
    EXPECT_FALSE(TextInStrings("", l));
    EXPECT_FALSE(TextInStrings("x", TStringList{}));
}

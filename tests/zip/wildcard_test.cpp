#include "zip/wildcard.h"

#include <gtest/gtest.h>

TEST(Wildcard, MatchesNames) {
    struct Case {
        const char* mask;
        const char* name;
        bool match;
    } cases[] = {
        {"*.*", "readme.txt", true},
        {"*.*", "readme", false},
        {"*", "", true},
        {"*", "anything", true},
        {"", "", true},
        {"", "x", false},
        {"zipdata", "ZIPDATA", true}, // ASCII case is ignored
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"*.txt", "notes.txt.bak", false},
        {"*.t?t", "a.txt", true},
        {"a*b*c", "axxbyyc", true},
        {"a*b*c", "axxbyy", false},
        {"[!A-C]*", "DATA", true},
        {"[!A-C]*", "BOOK", false},
        {"[^a-c]x", "dx", true},
        {"[C-A]X", "BX", true},
        {"[abc]", "b", true},
        {"[abc]", "d", false},
        {"*[0-9].log", "run7.log", true},
        {"*[0-9].log", "run.log", false},
        {"*?", "a", true}, // a trailing '?' after a star is a wildcard too
        {"*?", "", false},
        {"A[", "AB", false},
        {"[]", "x", false},
        {"[a-]", "a", false},
        {"[AB-]", "a", true}, // members after the match are not read
        {"[AB-]", "b", false},
        {"*a*a*a*a*a*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MatchesMask(c.mask, c.name), c.match) << c.mask << " vs " << c.name;
}

TEST(Wildcard, ReportsHowAMatchEnded) {
    EXPECT_EQ(MatchMask("abc", "abcd"), mrPatternEnd);
    EXPECT_EQ(MatchMask("abcd", "abc"), mrTextEnd);
    EXPECT_EQ(MatchMask("a[xy]", "az"), mrSetMismatch);
    EXPECT_EQ(MatchMask("abc", "abd"), mrLiteralMismatch);
    EXPECT_EQ(MatchMask("A[", "AB"), mrBadPattern);
    EXPECT_EQ(MatchMask("[]", "x"), mrBadPattern);
    EXPECT_EQ(MatchMask("[AB-]", "B"), mrBadPattern);
    EXPECT_EQ(MatchMask("[!AB-]x", "Ax"), mrSetMismatch);
    EXPECT_TRUE(HasWildcards("a*"));
    EXPECT_TRUE(HasWildcards("[x"));
    EXPECT_TRUE(HasWildcards("x]"));
    EXPECT_FALSE(HasWildcards("plain.txt"));
}

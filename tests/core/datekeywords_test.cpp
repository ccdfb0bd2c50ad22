#include <gtest/gtest.h>

#include <vector>

#include "core/datekeywords.h"
#include "core/datetokenizer.h"
#include "datetestsettings.h"

namespace {
using P = TDatePart;

struct Tok {
    std::string Text;
    TTokenKind Kind;
    size_t Start;
};

std::vector<Tok> Tokens(const TDateKeywordTable& table, std::string_view text, bool keepUnknown) {
    TDateParser parser(table);
    parser.KeepUnknownWords = keepUnknown;
    std::vector<Tok> out;
    for (parser.SetText(text); !parser.IsEnd(); parser.NextToken())
        out.push_back({parser.TokenText(), parser.TokenKind(), parser.TokenStart()});
    return out;
}

std::string Texts(const std::vector<Tok>& tokens) {
    std::string s;
    for (const Tok& t : tokens)
        s += (s.empty() ? "" : "|") + t.Text + "/" + std::to_string(t.Kind);
    return s;
}
} // namespace

TEST(DateKeywords, DateOrderFromShortDateFormat) {
    EXPECT_EQ(DetermineDateOrder("M/d/yyyy"), (TDateOrder{P::Month, P::Day, P::Year}));
    EXPECT_EQ(DetermineDateOrder("dd.MM.yyyy"), (TDateOrder{P::Day, P::Month, P::Year}));
    EXPECT_EQ(DetermineDateOrder("yyyy-MM-dd"), (TDateOrder{P::Year, P::Month, P::Day}));
    EXPECT_EQ(DetermineDateOrder("MMMM yyyy"), (TDateOrder{P::Day, P::Month, P::Year}));
    // Quoted text is no part of the order.
    EXPECT_EQ(DetermineDateOrder("\"Day\" d/M/yy"), (TDateOrder{P::Day, P::Month, P::Year}));
    EXPECT_EQ(DetermineDateOrder("'yr' M/d/yyyy"), (TDateOrder{P::Month, P::Day, P::Year}));
    const TDateOrder ymd{P::Year, P::Month, P::Day};
    EXPECT_EQ(NextExpected(ymd, P::Day), P::Year);
    EXPECT_EQ(NextExpected(ymd, P::Year), P::Month);
    EXPECT_EQ(PrecedingPart(ymd, P::Year), P::Year);
    EXPECT_EQ(PrecedingPart(ymd, P::Month), P::Year);
}

TEST(DateKeywords, RegistrationOrderAndFirstMatch) {
    TDateKeywordTable de = BuildDateKeywords(GermanSettings(), &EnglishFormatSettings());
    const char* head[] = {"SONNTAG", "SO",     "SUNDAY", "SUN",     "JAN",
                          "JANUAR",  "JANUAR", "JAN",    "JANUARY", "MONTAG"};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(de.Entry(i).Keyword, head[i]) << i;
    EXPECT_EQ(de.KeywordIndex("JAN"), 4); // the first registration wins
    EXPECT_GE(de.KeywordIndex("MÄRZ"), 0);
    EXPECT_GE(de.KeywordIndex("MARCH"), 0);
    EXPECT_EQ(de.KeywordIndex("märz"), -1); // keywords are upper case
    EXPECT_EQ(de.Entry(de.Count() - 1).Keyword, "NOW");
    EXPECT_EQ(de.Entry(de.Count() - 2).Keyword, "TODAY");
    EXPECT_EQ(de.DateOrder(), (TDateOrder{P::Day, P::Month, P::Year}));

    // English names are registered once when the locale's names are English.
    TDateKeywordTable us = BuildDateKeywords(UsSettings(), &EnglishFormatSettings());
    const char* usHead[] = {"SUNDAY", "SUN", "JAN", "JANUARY", "JANUARY", "MONDAY"};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(us.Entry(i).Keyword, usHead[i]) << i;
    EXPECT_EQ(us.Count() + 2 * 7 + 2 * 12, de.Count());

    // Designators are registered as written: lower-case ones never match a token.
    TDateKeywordTable gb = BuildDateKeywords(GbSettings(), &EnglishFormatSettings());
    bool found = false;
    for (int i = 0; i < gb.Count(); ++i)
        found = found || gb.Entry(i).Keyword == "pm";
    EXPECT_TRUE(found);
    EXPECT_LT(gb.KeywordIndex("PM"), gb.KeywordIndex("pm"));
}

TEST(DateTokenizer, KindsAndSkipping) {
    TDateKeywordTable de = BuildDateKeywords(GermanSettings(), &EnglishFormatSettings());
    // A word mixing ASCII and other letters is one word.
    EXPECT_EQ(Texts(Tokens(de, "Termin 5. März 10:30", true)), "Termin/3|5/0|MÄRZ/1|10/0|:/4|30/0");
    EXPECT_EQ(Texts(Tokens(de, "Termin 5. märz 10:30", false)), "5/0|MÄRZ/1|10/0|:/4|30/0");
    EXPECT_EQ(Texts(Tokens(de, "Straße", true)), "Straße/3");
    // The time separator counts only after a number below 24, trimmed.
    EXPECT_EQ(Texts(Tokens(de, "25:30 10 : 30 x:1", true)), "25/0|30/0|10/0|:/4|30/0|x/3|1/0");
    // Non-ASCII punctuation separates; a stray byte is a letter.
    EXPECT_EQ(Texts(Tokens(de, "«tomorrow»—10\u00a0am", false)), "TOMORROW/1|10/0|AM/1");
    EXPECT_EQ(Texts(Tokens(de,
                           "a\xff"
                           "b",
                           true)),
              "a\xff"
              "b/3");
    EXPECT_EQ(Texts(Tokens(de, "o'clock", true)), "o'clock/3");
    EXPECT_TRUE(Tokens(de, "", true).empty());
    EXPECT_TRUE(Tokens(de, " ,;- ", true).empty());
}

TEST(DateTokenizer, QuotedPiecesAndPositions) {
    TDateKeywordTable us = BuildDateKeywords(UsSettings(), &EnglishFormatSettings());
    TDateParser parser(us);
    parser.KeepUnknownWords = true;
    parser.SetText("x \"a 5 pm\" 7 \"b");
    ASSERT_EQ(parser.TokenText(), "x");
    EXPECT_EQ(parser.TokenStart(), 0u);
    parser.NextToken();
    EXPECT_EQ(parser.TokenText(), "7");
    EXPECT_EQ(parser.TokenStart(), 11u); // mapped back past the two removed quotes
    EXPECT_EQ(parser.TokenEnd(), 12u);
    parser.NextToken();
    EXPECT_TRUE(parser.IsEnd()); // an unclosed quote runs to the end
    EXPECT_EQ(parser.Text(), "x a 5 pm 7 b");
    // A separator holding a quoted piece is never a time separator.
    EXPECT_EQ(Texts(Tokens(us, "10\":\"30", true)), "10/0|30/0");
}

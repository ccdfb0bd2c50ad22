#include <gtest/gtest.h>

#include <map>

#include "core/dateparser.h"
#include "core/datetokenizer.h"
#include "datetestsettings.h"
#include "testutil.h"

namespace {

enum class Order { DMY, MDY, YMD };

const TDateKeywordTable& Table(Order order) {
    static const std::map<Order, TDateKeywordTable> tables = [] {
        std::map<Order, TDateKeywordTable> t;
        t.emplace(Order::DMY, BuildDateKeywords(GbSettings(), &EnglishFormatSettings()));
        t.emplace(Order::MDY, BuildDateKeywords(UsSettings(), &EnglishFormatSettings()));
        t.emplace(Order::YMD, BuildDateKeywords(IsoSettings(), &EnglishFormatSettings()));
        return t;
    }();
    return tables.at(order);
}

const char* Name(Order order) {
    return order == Order::DMY ? "DMY" : order == Order::MDY ? "MDY" : "YMD";
}

struct PhraseCase {
    const char* Text;
    TDateTime Base;
    const char* Title;
    TDateTime Expected;
};

void Check(Order order, const PhraseCase& c) {
    TParsedPhrase r = ParsePhrase(c.Text, c.Base, Table(order));
    SCOPED_TRACE(std::string(Name(order)) + " \"" + c.Text + "\" from " + Show(c.Base));
    EXPECT_EQ(r.Title, c.Title);
    EXPECT_EQ(Show(r.FirstDate), Show(c.Expected));
}

// Wednesday 13 May 2026, 09:00.
const TDateTime Wed = At(2026, 5, 13, 9);

} // namespace

TEST(ParsePhrase, SameResultInEveryDateOrder) {
    const PhraseCase cases[] = {
        {"tomorrow", Wed, "", At(2026, 5, 14)},
        {"call mom tomorrow 10 am", Wed, "call mom", At(2026, 5, 14, 10)},
        {"call mom, tomorrow 10 am", Wed, "call mom,", At(2026, 5, 14, 10)},
        {"  call mom   tomorrow 10 AM  ", Wed, "call mom", At(2026, 5, 14, 10)},
        {"tomorrow call mom", Wed, "tomorrow call mom", 0},
        {"call mom", Wed, "call mom", 0},
        {"call mom!", Wed, "call mom!", 0},
        {"", Wed, "", 0},
        {"\"meet at 5\" tomorrow", Wed, "meet at 5", At(2026, 5, 14)},
        {"remember \"the milk\"", Wed, "remember the milk", 0},
        {"call mom\"tomorrow\"", Wed, "call mom tomorrow", 0},
        {"call mom   \"tomorrow\"  ", Wed, "call mom tomorrow", 0},
        {"call mom \"to\"\"morrow\"!", Wed, "call mom to morrow!", 0},
        {"call mom\"\"", Wed, "call mom", 0},
        {"in 2 hours", Wed, "", At(2026, 5, 13, 11)},
        {"in 3 days", Wed, "", At(2026, 5, 16)},
        {"after 3 days", Wed, "", At(2026, 5, 16)},
        {"in 45 min", Wed, "", At(2026, 5, 13, 9, 45)},
        {"in 5 m", Wed, "", At(2026, 5, 13, 9, 5)},
        {"next week", Wed, "", At(2026, 5, 20)},
        {"friday", Wed, "", At(2026, 5, 15)},
        {"before friday", Wed, "", At(2026, 5, 15)},
        {"next friday", Wed, "", At(2026, 5, 22)},
        {"wednesday", Wed, "", At(2026, 5, 13)},
        {"tomorrow tomorrow", Wed, "", At(2026, 5, 14)},
        {"tomorrow at 5 pm", Wed, "", At(2026, 5, 14, 17)},
        {"5 pm tomorrow", Wed, "", At(2026, 5, 14, 17)},
        {"12 pm", Wed, "", At(2026, 5, 13, 12)},
        {"12 am", Wed, "", At(2026, 5, 14, 0)}, // 00:00 passed: tomorrow
        {"15 pm", Wed, "", At(2026, 5, 13, 15)},
        {"10 am 3 pm", Wed, "", At(2026, 5, 13, 15)},
        {"pm", Wed, "", At(2026, 5, 13, 21)},
        {"10:30", Wed, "", At(2026, 5, 13, 10, 30)},
        {"10:30 pm", Wed, "", At(2026, 5, 13, 22, 30)},
        {"9: pm", Wed, "", At(2026, 5, 13, 21)},
        {"8:15", Wed, "", At(2026, 5, 13, 8, 15)}, // 45 minutes past: still today
        {"7:30", Wed, "", At(2026, 5, 14, 7, 30)}, // an hour or more past: tomorrow
        {"dentist today 16:45", Wed, "dentist", At(2026, 5, 13, 16, 45)},
        {"now", Wed, "", Wed},
        {"buy a car tomorrow", Wed, "buy a car", At(2026, 5, 14)},
        // A one-letter word between date words does not split them, counted in letters.
        {"tomorrow x 10 am", Wed, "", At(2026, 5, 14, 10)},
        {"tomorrow é 10 am", Wed, "", At(2026, 5, 14, 10)},
        // Seconds after an assembled time.
        {"10:20:15", Wed, "", At(2026, 5, 13, 10, 20, 15)},
        // Number-led spans work although the numbers are first taken as dates.
        {"2 hours 30 min", Wed, "", At(2026, 5, 13, 11, 30)},
        {"call bob in 2 hours 30 min", Wed, "call bob", At(2026, 5, 13, 11, 30)},
        // Year end, leap day, month end.
        {"tomorrow", At(2026, 12, 31, 20), "", At(2027, 1, 1)},
        {"next week", At(2026, 12, 31, 20), "", At(2027, 1, 7)},
        {"friday", At(2026, 12, 31, 20), "", At(2027, 1, 1)},
        {"in 5 hours", At(2026, 12, 31, 20), "", At(2027, 1, 1, 1)},
        {"january", At(2026, 12, 31, 20), "", At(2027, 1, 31)},
        {"tomorrow", At(2028, 2, 28, 8), "", At(2028, 2, 29)},
        {"in 1 year", At(2028, 2, 29, 8), "", At(2029, 2, 28)},
        {"in 1 month", At(2026, 1, 31, 8), "", At(2026, 2, 28)},
        {"february", At(2026, 1, 31, 8), "", At(2026, 2, 28)},
    };
    for (Order order : {Order::DMY, Order::MDY, Order::YMD})
        for (const PhraseCase& c : cases)
            Check(order, c);
}

TEST(ParsePhrase, KeepsTimesAloneInTheFuture) {
    const PhraseCase cases[] = {
        {"at 5 pm", At(2026, 5, 13, 19), "", At(2026, 5, 14, 17)},
        {"at 5 pm", At(2026, 5, 13, 17, 30), "", At(2026, 5, 13, 17)},
        {"tomorrow at 5 pm", At(2026, 5, 13, 19), "", At(2026, 5, 14, 17)},
        {"am", At(2026, 5, 13, 15), "", At(2026, 5, 14, 3)},
        {"10:30", At(2026, 5, 13, 12), "", At(2026, 5, 14, 10, 30)},
        {"friday", At(2026, 5, 15, 12), "", At(2026, 5, 15)},
        {"next friday", At(2026, 5, 15, 12), "", At(2026, 5, 22)},
    };
    for (Order order : {Order::DMY, Order::MDY, Order::YMD})
        for (const PhraseCase& c : cases)
            Check(order, c);
}

// Hours run below 24, minutes below 60 and twelve-hour clock hours up to 12: a number at the
// limit is no time part, however many leading zeros it has.
TEST(ParsePhrase, HourAndMinuteNumbersAtTheirLimits) {
    EXPECT_TRUE(DigitsBelow("23", 24));
    EXPECT_FALSE(DigitsBelow("24", 24));
    EXPECT_TRUE(DigitsBelow("0059", 60));
    EXPECT_FALSE(DigitsBelow("60", 60));
    EXPECT_TRUE(DigitsBelow("12", 13));
    EXPECT_FALSE(DigitsBelow("013", 13));
    EXPECT_FALSE(DigitsBelow("", 24));
    EXPECT_FALSE(DigitsBelow("99999999999999999999999", 24));
    // Only an hour number is followed by a time separator token.
    auto kinds = [](const char* text) {
        TDateParser parser(Table(Order::DMY));
        std::string k;
        for (parser.SetText(text); !parser.IsEnd(); parser.NextToken())
            k += std::to_string(parser.TokenKind());
        return k;
    };
    EXPECT_EQ(kinds("23:30"), "040");
    EXPECT_EQ(kinds("24:30"), "00");

    const PhraseCase cases[] = {
        {"23:30", Wed, "", At(2026, 5, 13, 23, 30)},
        {"24:30", Wed, "", At(2026, 5, 30)}, // day 24, then day 30: no time
        {"10:59", Wed, "", At(2026, 5, 13, 10, 59)},
        {"10:60", Wed, "", At(2060, 5, 13, 10)}, // 10 o'clock, then the year 60
        {"12 am", Wed, "", At(2026, 5, 14)},
        {"13 am", Wed, "", At(2026, 5, 13, 9)}, // the 13th; "am" keeps the time
        {"23 pm", Wed, "", At(2026, 5, 13, 23)},
        {"24 pm", Wed, "", At(2026, 5, 24, 9)},
    };
    for (const PhraseCase& c : cases)
        Check(Order::DMY, c);
}

TEST(ParsePhrase, DayMonthYearNumbersAndMonthNames) {
    const PhraseCase cases[] = {
        {"5 march", Wed, "", At(2027, 3, 5)}, // March already passed this year
        {"march 5", Wed, "", At(2027, 3, 5)},
        {"5 june", Wed, "", At(2026, 6, 5)},
        {"june", Wed, "", At(2026, 6, 13)},
        {"march", Wed, "", At(2027, 3, 13)},
        {"5 march 2027", Wed, "", At(2027, 3, 5)},
        {"march 5 2027", Wed, "", At(2027, 3, 5)},
        {"5 mar 27", Wed, "", At(2027, 3, 5)},
        {"31 april", Wed, "", At(2027, 4, 30)},
        {"31 april", At(2026, 2, 10), "", At(2026, 4, 30)},
        {"29 february 2028", Wed, "", At(2028, 2, 29)},
        {"29 february 2028", At(2026, 1, 10), "", At(2028, 2, 29)},
        {"29 february", Wed, "", At(2027, 2, 28)},
        {"5 13", At(2026, 1, 20), "", At(2026, 5, 13)}, // the 5 becomes the month
        {"13 5", At(2026, 1, 20), "", At(2026, 5, 13)},
        {"13 5 2027", At(2026, 1, 20), "", At(2027, 5, 13)},
        {"31", At(2026, 4, 10), "", At(2026, 5, 31)}, // the next month that has a 31st
        {"31", At(2026, 6, 10), "", At(2026, 7, 31)},
        {"30", At(2026, 2, 10), "", At(2026, 3, 30)},
        {"29", At(2026, 2, 10), "", At(2026, 3, 29)},
        {"29", At(2028, 2, 10), "", At(2028, 2, 29)},
        {"next june", Wed, "", At(2027, 6, 13)},
        {"next march", Wed, "", At(2028, 3, 13)},
        {"lunch 5 june 12:30", Wed, "lunch", At(2026, 6, 5, 12, 30)},
    };
    for (const PhraseCase& c : cases)
        Check(Order::DMY, c);

    Check(Order::MDY, {"5 13", At(2026, 1, 20), "", At(2026, 5, 13)});
    Check(Order::MDY, {"5 13 2027", At(2026, 1, 20), "", At(2027, 5, 13)});
    Check(Order::MDY, {"march 5", Wed, "", At(2027, 3, 5)});
    Check(Order::MDY, {"13 5", At(2026, 1, 20), "", At(2026, 5, 13)});
    // Year first: a bare leading number is a year, a number after a word is the day.
    Check(Order::YMD, {"5", Wed, "", At(2005, 5, 13)});
    Check(Order::YMD, {"on 5", Wed, "", At(2026, 5, 5)});
    Check(Order::YMD, {"2027 3 5", Wed, "", At(2027, 3, 5)});
}

TEST(ParsePhrase, NumbersThatCannotFormADate) {
    const PhraseCase cases[] = {
        // The day/month swap would give 30 February: the 30 stays a plain day.
        {"2 hours 30 min", At(2026, 5, 13, 9), "", At(2026, 5, 13, 11, 30)},
        {"4 31", At(2026, 5, 13, 9), "", At(2026, 5, 31)},
        // Beyond 32 bits, a year above 9999, or past the calendar's end: the whole text.
        {"call 99999999999 tomorrow", Wed, "call 99999999999 tomorrow", 0},
        {"pay 20000", Wed, "pay 20000", 0},
        {"in 10000 minutes", Wed, "in 10000 minutes", 0},
        {"in 9999 years", Wed, "in 9999 years", 0},
        {" tomorrow ", At(9999, 12, 31, 9), "tomorrow", 0},
        {"next december", At(9999, 5, 1), "next december", 0},
    };
    for (Order order : {Order::DMY, Order::MDY, Order::YMD})
        for (const PhraseCase& c : cases)
            if (order == Order::DMY || std::string(c.Text) != "4 31")
                Check(order, c);
}

TEST(ParsePhrase, ZeroBaseDateMeansNow) {
    FixedClock clock(Wed);
    TParsedPhrase r = ParsePhrase("call mom tomorrow 10 am", 0, Table(Order::DMY));
    EXPECT_EQ(r.Title, "call mom");
    EXPECT_EQ(Show(r.FirstDate), Show(At(2026, 5, 14, 10)));
}

TEST(ParseDateTimeText, DatesTimesAndPhrases) {
    const TDateKeywordTable& us = Table(Order::MDY);
    FixedClock clock(At(2026, 5, 13, 11));
    EXPECT_EQ(Show(ParseDateTimeText("9:00", us)), Show(At(2026, 5, 14, 9)));
    EXPECT_EQ(Show(ParseDateTimeText(" 5/14/2026 ", us)), Show(At(2026, 5, 14)));
    EXPECT_EQ(Show(ParseDateTimeText("5/14/2026 10:30", us)), Show(At(2026, 5, 14, 10, 30)));
    EXPECT_EQ(Show(ParseDateTimeText("tomorrow 3 pm", us)), Show(At(2026, 5, 14, 15)));
    EXPECT_EQ(ParseDateTimeText("no date here", us), 0);
    EXPECT_EQ(ParseDateTimeText("", us), 0);

    TDateTime midnight = ParseDateTimeText("0:00", us); // tomorrow, as a time
    EXPECT_DOUBLE_EQ(midnight, At(2026, 5, 14) + 1e-8);
    clock.Set(At(2026, 5, 13, 0, 30));
    EXPECT_DOUBLE_EQ(ParseDateTimeText("0:00", us), At(2026, 5, 13) + 1e-8);
    clock.Set(At(2026, 5, 13, 9, 30));
    EXPECT_EQ(Show(ParseDateTimeText("9:00", us)), Show(At(2026, 5, 13, 9)));
}

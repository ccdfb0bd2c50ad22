#include <gtest/gtest.h>

#include "core/durationtexts.h"
#include "datetestsettings.h"

namespace {
TDateTime Span(int days, int hours, int minutes, int seconds = 0) {
    return days + EncodeTime(hours, minutes, seconds, 0);
}
} // namespace

TEST(ParseDuration, ReadsTypedSpans) {
    const TFormatSettings us = UsSettings();
    struct Case {
        const char* Text;
        bool AllowSeconds;
        TDateTime Expected;
    } cases[] = {
        {"90", false, Span(0, 1, 30)},
        {"1", false, Span(0, 1, 0)},
        {"1.5", false, Span(0, 1, 30)},
        {"1.2", false, Span(0, 1, 12)}, // not 1:11 through binary rounding
        {"2 mo", false, Span(56, 0, 0)},
        {"1.5w", false, Span(10, 0, 0)},
        {"30s", false, 0},
        {"30s", true, Span(0, 0, 0, 30)},
        {"90 sec", true, Span(0, 0, 1, 30)},
        {"75 min", false, Span(0, 1, 15)},
        {"", false, 0},
        {"   ", false, 0},
        {"1h 30m", false, Span(0, 1, 30)},
        {"1 hour 30 minutes", false, Span(0, 1, 30)},
        {"1 30", false, Span(0, 1, 30)},
        {"2 days", false, Span(2, 0, 0)},
        {"1.5 days", false, Span(1, 12, 0)},
        {"2d 3h 4m", false, Span(2, 3, 4)},
        {"26 hours", false, Span(1, 2, 0)},
        {"5 min. 3", false, Span(0, 0, 3)},     // a later bare number of the unit replaces it
        {"70000", false, Span(48, 14, 40)},     // no 16-bit wrap
        {"70000 min", false, Span(48, 14, 40)}, //
        {"100000 w", false, Span(700000, 0, 0)},
        {"abc", false, 0},
        {"1.2.3 h", false, 0}, // not a number
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_NEAR(ParseDuration(c.Text, c.AllowSeconds, us), c.Expected, 1e-9);
    }
}

TEST(ParseDuration, UsesTheSettingsDecimalSeparator) {
    const TFormatSettings de = GermanSettings();
    EXPECT_NEAR(ParseDuration("1,5", false, de), Span(0, 1, 30), 1e-9);
    EXPECT_NEAR(ParseDuration("1,5 h", false, de), Span(0, 1, 30), 1e-9);
    EXPECT_NEAR(ParseDuration("1, 5", false, de), Span(0, 1, 5), 1e-9); // comma + blank: a list
    EXPECT_NEAR(ParseDuration("1.5", false, de), Span(0, 1, 5), 1e-9);  // '.' separates here
    EXPECT_NEAR(ParseDuration("1. 5", false, UsSettings()), Span(0, 1, 5), 1e-9);
}

TEST(FormatDuration, WritesSpans) {
    struct Case {
        bool UseDays, UseWeeks, Approximate, ShowSeconds;
        TDateTime Value;
        const char* Expected;
    } cases[] = {
        {true, true, false, false, Span(0, 1, 30), "1 hour, 30 min"},
        {true, true, false, false, Span(9, 0, 0), "1 week, 2 days"},
        {true, false, false, false, Span(9, 0, 0), "9 days"},
        {false, true, false, false, Span(2, 3, 0), "51 hours"},
        {true, true, false, false, Span(0, 0, 0, 25), ""},
        {true, true, false, false, Span(0, 0, 0, 30), "1 min"},
        {true, true, false, true, Span(0, 0, 1, 5), "1 min, 5 sec"},
        {true, true, true, false, Span(1, 13, 0), "2 days"},
        {true, true, true, false, Span(1, 11, 0), "1 day"},
        {true, true, true, false, Span(0, 2, 31), "3 hours"},
        {true, true, true, false, Span(0, 2, 30), "2 hours"}, // the limits themselves
        {true, true, true, false, Span(0, 2, 30, 30), "2 hours"},
        {true, true, true, false, Span(1, 12, 0), "2 days"},
        {true, true, true, false, Span(1, 11, 59), "1 day"},
        {true, true, true, false, Span(0, 0, 45), "45 min"},
        {true, true, true, false, Span(15, 20, 0), "2 weeks"},
        {true, true, true, true, Span(0, 0, 0, 40), "40 sec"},
        {true, true, false, false, Span(14, 2, 0), "2 weeks, 2 hours"},
        {true, true, false, false, 0, ""},
        {true, true, false, false, -Span(0, 0, 10), "10 min"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Expected);
        EXPECT_EQ(FormatDuration(c.UseDays, c.UseWeeks, c.Approximate, c.ShowSeconds, c.Value),
                  c.Expected);
    }
    EXPECT_EQ(PluralSuffix(0), "");
    EXPECT_EQ(PluralSuffix(1), "");
    EXPECT_EQ(PluralSuffix(2), "s");
    EXPECT_EQ(ListSeparatorIfNotEmpty(""), "");
    EXPECT_EQ(ListSeparatorIfNotEmpty("x"), ", ");
}

TEST(FormatDuration, RoundingCarriesIntoTheNextUnit) {
    struct Case {
        bool UseDays, UseWeeks, Approximate;
        TDateTime Value;
        const char* Expected;
    } cases[] = {
        {true, true, false, Span(0, 1, 59, 30), "2 hours"},
        {true, true, false, Span(0, 0, 59, 40), "1 hour"},
        {true, true, false, Span(1, 23, 59, 30), "2 days"},
        {false, false, false, Span(1, 23, 59, 30), "48 hours"},
        {true, false, false, Span(13, 23, 59, 30), "14 days"},
        {true, true, false, Span(13, 23, 59, 30), "2 weeks"},
        {true, true, true, 13.99999, "2 weeks"},
        {true, true, true, Span(6, 23, 59, 59), "1 week"},
        {true, true, true, Span(0, 23, 45), "1 day"},
        {true, true, true, Span(0, 0, 59, 45), "1 hour"},
        // A unit already rounded up by the one below is not carried into a second time.
        {true, true, true, Span(0, 1, 59, 45), "2 hours"},
        {true, true, true, Span(1, 23, 59, 45), "2 days"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Expected);
        EXPECT_EQ(FormatDuration(c.UseDays, c.UseWeeks, c.Approximate, false, c.Value), c.Expected);
    }
}

TEST(FormatDueIn, OverdueNowAndAhead) {
    const TDateTime now = At(2026, 5, 13, 9);
    EXPECT_EQ(FormatDueIn(now, now - Span(0, 0, 10)), "10 min overdue");
    EXPECT_EQ(FormatDueIn(now, now + Span(0, 0, 0, 20)), "now");
    EXPECT_EQ(FormatDueIn(now, now - Span(0, 0, 0, 20)), "now");
    EXPECT_EQ(FormatDueIn(now, 0), "");
    EXPECT_EQ(FormatDueIn(now, now + Span(8, 1, 0)), "1 week, 1 day, 1 hour");
    // Whole minutes survive the binary rounding of the subtraction.
    EXPECT_EQ(FormatDueIn(At(2026, 5, 13, 9, 59), At(2026, 5, 13, 10, 9)), "10 min");
}

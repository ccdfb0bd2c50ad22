#include <gtest/gtest.h>

#include <cmath>

#include "core/datetexts.h"
#include "datetestsettings.h"
#include "platform/sysutils.h"
#include "testutil.h"

TEST(DateTexts, TimePartsAndPrecision) {
    EXPECT_NEAR(TimePart(At(2026, 5, 13, 6)), 0.25, 1e-12);
    EXPECT_NEAR(TimePart(-1.25), 0.25, 1e-12); // before 1899-12-30 the time counts forward too
    EXPECT_FALSE(HasTimePart(At(2026, 5, 13)));
    EXPECT_TRUE(HasTimePart(At(2026, 5, 13) + 1e-8));
    const TDateTime v = EncodeDateTime(2026, 5, 13, 9, 30, 45, 678);
    EXPECT_EQ(TrimTimePrecision(false, true, v), EncodeDateTime(2026, 5, 13, 9, 30, 45, 0));
    EXPECT_EQ(TrimTimePrecision(true, false, v), EncodeDateTime(2026, 5, 13, 9, 30, 0, 0));
    // 23:59:59.9996 rounds to the next day, not to midnight of the same one.
    EXPECT_EQ(TrimTimePrecision(true, true, At(2026, 5, 13) + 1 - 0.4 * OneMillisecond),
              At(2026, 5, 14));
    // The calendar covers the years 1..9999.
    EXPECT_TRUE(InCalendarRange(EncodeDate(1, 1, 1)));
    EXPECT_TRUE(InCalendarRange(EncodeDateTime(9999, 12, 31, 23, 59, 59, 0)));
    EXPECT_FALSE(InCalendarRange(EncodeDate(1, 1, 1) - 0.5));
    EXPECT_FALSE(InCalendarRange(EncodeDate(9999, 12, 31) + 1));
    EXPECT_FALSE(InCalendarRange(std::nan("")));
    EXPECT_EQ(CountDigits("a1b22-333"), 6);
    EXPECT_EQ(CountDigits(""), 0);
}

TEST(DateTexts, LocaleHelpers) {
    EXPECT_EQ(LocaleTimeFormatNoSeconds(UsSettings()), "h:mm AMPM");
    EXPECT_EQ(LocaleTimeFormatNoSeconds(GbSettings()), "hh:nn");
    TFormatSettings fi = GbSettings();
    fi.TimeSeparator = ".";
    fi.LongTimeFormat = "H.mm.S";
    EXPECT_EQ(LocaleTimeFormatNoSeconds(fi), "H.mm");
    EXPECT_EQ(LocaleFirstDayOfWeek(UsSettings()), 7); // Sunday
    EXPECT_EQ(LocaleFirstDayOfWeek(GermanSettings()), 1);
}

TEST(DateTexts, FormatOrEmpty) {
    const TFormatSettings gb = GbSettings();
    EXPECT_EQ(FormatDateTimeOrEmpty("yyyy-mm-dd", "yyyy-mm-dd hh:nn", 0, gb), "");
    EXPECT_EQ(FormatDateTimeOrEmpty("yyyy-mm-dd", "yyyy-mm-dd hh:nn", At(2026, 5, 13), gb),
              "2026-05-13");
    EXPECT_EQ(FormatDateTimeOrEmpty("yyyy-mm-dd", "yyyy-mm-dd hh:nn", At(2026, 5, 13, 9, 5), gb),
              "2026-05-13 09:05");
    EXPECT_EQ(FormatTimeOrEmpty("hh:nn", At(2026, 5, 13), gb), "");
    EXPECT_EQ(FormatTimeOrEmpty("hh:nn", At(2026, 5, 13, 17, 45), gb), "17:45");
}

TEST(RelativeDayName, NamesDaysAroundToday) {
    const TFormatSettings gb = GbSettings();
    FixedClock clock(At(2026, 5, 13, 9)); // a Wednesday
    const int all = rdoToday | rdoTomorrow | rdoYesterday | rdoWeekdayNames;
    EXPECT_EQ(RelativeDayName(rdoToday | rdoTomorrow, true, false, At(2026, 5, 14, 9), Now(), gb),
              "tomorrow 09:00");
    EXPECT_EQ(RelativeDayName(all, false, true, At(2026, 5, 13, 9), Now(), gb),
              "today (13/05/2026)");
    EXPECT_EQ(
        RelativeDayName(all | rdoTimeOnlyForToday, false, true, At(2026, 5, 13, 18), Now(), gb),
        "18:00");
    EXPECT_EQ(RelativeDayName(all, false, false, At(2026, 5, 12), Now(), gb), "yesterday");
    EXPECT_EQ(RelativeDayName(all, true, true, At(2026, 5, 16, 8), Now(), gb),
              "Saturday (16/05/2026) 08:00");
    EXPECT_EQ(RelativeDayName(all, false, false, At(2026, 5, 11), Now(), gb), "Monday");
    EXPECT_EQ(RelativeDayName(all, false, false, At(2026, 5, 18), Now(), gb), "18/05/2026");
    EXPECT_EQ(RelativeDayName(0, true, false, At(2026, 5, 14, 9), Now(), gb), "14/05/2026 09:00");
    EXPECT_EQ(RelativeDayName(all, true, true, 0, Now(), gb), "");

    // Weeks across a year end are ISO weeks: the same week number a year away is no
    // weekday of this week, and the days of this week in the next year are.
    clock.Set(At(2026, 1, 1, 9)); // Thursday of ISO week 2026-01
    EXPECT_EQ(RelativeDayName(rdoWeekdayNames, false, false, At(2026, 12, 29), Now(), gb),
              "29/12/2026");
    clock.Set(At(2025, 12, 29, 9)); // Monday of ISO week 2026-01
    EXPECT_EQ(RelativeDayName(rdoWeekdayNames, false, false, At(2026, 1, 2), Now(), gb), "Friday");
}

TEST(DateGroupIndex, GroupsOfTheRemindersList) {
    FixedClock clock(At(2026, 5, 13, 9)); // Wednesday
    struct Case {
        TDateTime Date;
        int Group;
    } cases[] = {
        {At(2026, 5, 12, 23), 13}, {At(2026, 5, 13, 23), 0}, {At(2026, 5, 14), 1},
        {At(2026, 5, 15), 6},      {At(2026, 5, 16), 7},     {At(2026, 5, 17), 8},
        {At(2026, 5, 18), 9},      {At(2026, 5, 24), 9},     {At(2026, 5, 25), 10},
        {At(2026, 6, 1), 11},      {At(2026, 6, 30), 11},    {At(2026, 7, 1), 12},
        {At(2027, 5, 13), 12},     {At(2020, 1, 1), 13},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DateGroupIndex(c.Date, Now()), c.Group) << Show(c.Date);

    // Year ends compare (ISO year, ISO week) pairs.
    clock.Set(At(2026, 1, 1, 9));                           // Thursday, ISO 2026-W01
    EXPECT_EQ(DateGroupIndex(At(2026, 1, 3), Now()), 7);    // Saturday of this week
    EXPECT_EQ(DateGroupIndex(At(2026, 12, 29), Now()), 12); // ISO 2027-W01: a year away
    clock.Set(At(2025, 12, 29, 9));                         // Monday, ISO 2026-W01
    EXPECT_EQ(DateGroupIndex(At(2026, 1, 2), Now()), 6);    // Friday of this week
    EXPECT_EQ(DateGroupIndex(At(2026, 1, 5), Now()), 9);    // next week
    EXPECT_EQ(DateGroupIndex(At(2026, 1, 12), Now()), 11);  // next month
    clock.Set(At(2025, 12, 25, 9));                         // Thursday, next week is ISO 2026-W01
    EXPECT_EQ(DateGroupIndex(At(2026, 1, 1), Now()), 9);
    EXPECT_EQ(DateGroupIndex(At(2026, 12, 29), Now()), 12); // ISO 2027-W01, not next week
    clock.Set(At(2028, 2, 28, 9));                          // leap year, Monday
    EXPECT_EQ(DateGroupIndex(At(2028, 2, 29), Now()), 1);
    EXPECT_EQ(DateGroupIndex(At(2028, 3, 1), Now()), 4);
}

TEST(ParseTimeText, TypedTimesOfDay) {
    FixedClock clock(At(2026, 5, 13, 9, 15));
    const TFormatSettings us = UsSettings(), gb = GbSettings();
    struct Case {
        const char* Text;
        const TFormatSettings& Fs;
        int Hour, Minute, Second;
    } cases[] = {
        {"930", us, 9, 30, 0},    {"12", us, 12, 0, 0},      {"3", us, 15, 0, 0},
        {"3a", us, 3, 0, 0},      {"11p", us, 23, 0, 0},     {"7", us, 7, 0, 0},
        {"12a", us, 0, 0, 0},     {"1230", us, 12, 30, 0},   {"9:30 pm", us, 21, 30, 0},
        {"15:10", us, 15, 10, 0}, {"3", gb, 3, 0, 0},        {"0930", gb, 9, 30, 0},
        {"9.05", gb, 9, 5, 0},    {"9:30:15", gb, 9, 30, 0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(ParseTimeText(c.Text, false, c.Fs), EncodeTime(c.Hour, c.Minute, c.Second, 0),
                    1e-9)
            << c.Text;
    EXPECT_NEAR(ParseTimeText("9:30:15", true, gb), EncodeTime(9, 30, 15, 0), 1e-9);
    EXPECT_NEAR(ParseTimeText("now", false, gb), EncodeTime(9, 15, 0, 0), 1e-9);
    EXPECT_NEAR(ParseTimeText("in 2h", false, gb), EncodeTime(11, 15, 0, 0), 1e-9);
    EXPECT_NEAR(ParseTimeText("10 min", false, gb), EncodeTime(9, 25, 0, 0), 1e-9);
    EXPECT_NEAR(ParseTimeText("+15", false, gb), EncodeTime(9, 30, 0, 0), 1e-9);
    EXPECT_NEAR(ParseTimeText("in 20 hours", false, gb), 1 + EncodeTime(5, 15, 0, 0), 1e-9);
    try {
        ParseTimeText("25:99", false, gb);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "\"25:99:00\" is not a valid time ");
    }
}

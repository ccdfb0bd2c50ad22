#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "core/recurrencepattern.h"
#include "platform/datetimeformat.h"
#include "testutil.h"

namespace {

// Dismissal as the reminder does it: count, force a step, one step, completed "now".
TDateTime Dismiss(TRecurrencePattern& p, TDateTime due, TDateTime now) {
    return p.NextOccurrence(true, true, due, now, 1);
}

void MakePattern(TRecurrencePattern& p, TRecurrenceType type, TDateTime start) {
    p.Reset(start);
    p.SetRecurrenceType(type);
    p.SetPatternStartDate(start);
}

} // namespace

TEST(NextOccurrence, DailyWeeklyAndTheirIntervals) {
    TRecurrencePattern daily;
    MakePattern(daily, rtDaily, At(2024, 3, 1));
    daily.SetInterval(3);
    EXPECT_EQ(daily.NextOccurrence(true, true, At(2024, 3, 1, 10, 30), At(2024, 3, 2), 1),
              At(2024, 3, 4, 10, 30));
    EXPECT_EQ(daily.GetGeneratedCount(), 2);

    // Mon+Thu every two weeks from a Thursday: past Saturday to the Sunday two weeks on.
    TRecurrencePattern weekly;
    MakePattern(weekly, rtWeekly, At(2024, 3, 7));
    weekly.SetInterval(2);
    weekly.SetDayOfWeekMask(DayOfWeekBit(2) | DayOfWeekBit(5));
    ASSERT_EQ(DayOfWeek(At(2024, 3, 7)), 5);
    EXPECT_EQ(Dismiss(weekly, At(2024, 3, 7, 9), At(2024, 3, 7, 9)), At(2024, 3, 18, 9));
    // Without a forced step a due day in the mask is its own answer.
    EXPECT_EQ(weekly.NextOccurrence(false, false, At(2024, 3, 7, 9), 0, 1), At(2024, 3, 7, 9));
    // A mask with the unused bit 0 only names no weekday: refused, not looped on.
    weekly.SetDayOfWeekMask(1);
    EXPECT_THROW(
        {
            try {
                Dismiss(weekly, At(2024, 3, 7), At(2024, 3, 7));
            } catch (const TExRecurrencePattern& e) {
                EXPECT_EQ(e.Message, "DayOfWeekMask is empty");
                throw;
            }
        },
        TExRecurrencePattern);
    weekly.SetDayOfWeekMask(0);
    EXPECT_THROW(Dismiss(weekly, At(2024, 3, 7), At(2024, 3, 7)), TExRecurrencePattern);
    // Completion-based weekly steps whole weeks from the completion day, mask unused.
    weekly.SetUseCompletionDate(true);
    EXPECT_EQ(Dismiss(weekly, At(2024, 3, 7, 9), At(2024, 3, 9, 14, 5)), At(2024, 3, 23, 14, 5));
}

TEST(NextOccurrence, MonthlyAndYearlyByDayOfMonth) {
    TRecurrencePattern p;
    MakePattern(p, rtMonthly, At(2023, 1, 31));
    p.SetDayOfMonth(31);
    TDateTime feb = Dismiss(p, At(2023, 1, 31, 8), At(2023, 1, 31, 8));
    EXPECT_EQ(feb, At(2023, 2, 28, 8));
    EXPECT_EQ(Dismiss(p, feb, feb), At(2023, 3, 31, 8));
    p.SetUseCompletionDate(true); // steps from the completion day, clamping to month end
    EXPECT_EQ(Dismiss(p, At(2023, 3, 31, 8), At(2024, 1, 31, 7)), At(2024, 2, 29, 7));

    // Yearly on 29 February from a non-leap year: the 28th while still ahead.
    TRecurrencePattern y;
    MakePattern(y, rtYearly, At(2023, 1, 10));
    y.SetDayOfMonth(29);
    y.SetMonthOfYear(2);
    EXPECT_EQ(y.NextOccurrence(false, false, At(2023, 1, 10), 0, 1), At(2023, 2, 28));
    EXPECT_EQ(y.NextOccurrence(false, false, At(2023, 3, 1), 0, 1), At(2024, 2, 29));
    EXPECT_EQ(y.NextOccurrence(false, true, At(2024, 2, 29), 0, 1), At(2025, 2, 28));
}

TEST(NextOccurrence, NthWeekday) {
    TRecurrencePattern p;
    MakePattern(p, rtMonthNth, At(2024, 3, 1));
    p.SetDayOfWeekMask(DayOfWeekBit(6)); // Friday
    p.SetPatternInstance(5);             // the last one
    // After March's last Friday (the 29th): April's last Friday.
    EXPECT_EQ(p.NextOccurrence(false, false, At(2024, 3, 30), 0, 1), At(2024, 4, 26));
    EXPECT_EQ(p.NthWeekdayInMonth(2024, 5), At(2024, 5, 31));
    // First working day of the month.
    p.SetDayOfWeekMask(DayOfWeekBits & ~(DayOfWeekBit(1) | DayOfWeekBit(7)));
    p.SetPatternInstance(1);
    EXPECT_EQ(p.NthWeekdayInMonth(2024, 6), At(2024, 6, 3));
    // An empty mask gives the last day (instances 1..4) or the first (instance 5).
    p.SetDayOfWeekMask(0);
    EXPECT_EQ(p.NthWeekdayInMonth(2024, 2), At(2024, 2, 29));
    p.SetPatternInstance(5);
    EXPECT_EQ(p.NthWeekdayInMonth(2024, 2), At(2024, 2, 1));
    // A month out of range read from a file is refused, not used as an index.
    TRecurrencePattern y;
    MakePattern(y, rtYearNth, At(2024, 3, 1));
    TMemoryStream s;
    y.WriteToStream(s);
    s.SetPosition(4 + 4 + 8 + 8 + 4 * 3 + 2);
    s.WriteValue<int32_t>(13);
    s.SetPosition(0);
    y.ReadFromStream(s);
    EXPECT_EQ(y.GetMonthOfYear(), 13);
    EXPECT_THROW(y.NextOccurrence(false, true, At(2024, 3, 1), 0, 1), TExRecurrencePattern);
}

TEST(NextOccurrence, EndsByCountAndByInclusiveDate) {
    TRecurrencePattern p;
    MakePattern(p, rtDaily, At(2024, 1, 1));
    p.SetOccurrences(3);
    p.SetGeneratedCount(3);
    EXPECT_EQ(Dismiss(p, At(2024, 1, 3, 9), At(2024, 1, 3, 9)), 0);
    EXPECT_EQ(p.GetGeneratedCount(), 3);

    p.SetPatternEndDate(At(2024, 12, 31, 17)); // whole days; clears the count
    EXPECT_EQ(p.GetOccurrences(), -1);
    EXPECT_EQ(Dismiss(p, At(2024, 12, 30, 9), At(2024, 12, 30, 9)), At(2024, 12, 31, 9));
    EXPECT_EQ(Dismiss(p, At(2024, 12, 31, 9), At(2024, 12, 31, 9)), 0);
    EXPECT_FALSE(p.IsPastEnd(At(2024, 12, 31, 23, 59)));
    EXPECT_TRUE(p.IsPastEnd(At(2025, 1, 1)));
}

TEST(NextOccurrence, StartingPointKeptTimeAndSteps) {
    TRecurrencePattern p;
    MakePattern(p, rtDaily, At(2024, 5, 1));
    // Steps 0: the base day at midnight.
    EXPECT_EQ(p.NextOccurrence(true, true, At(2024, 5, 1, 10, 30), 0, 0), At(2024, 5, 1));
    EXPECT_EQ(p.GetGeneratedCount(), 1);
    p.SetUseCompletionDate(true);
    // A due date without a time of day: the stepped completion day at midnight.
    EXPECT_EQ(Dismiss(p, At(2024, 5, 1), At(2024, 5, 3, 16, 45)), At(2024, 5, 4));
    // With one: the completion's time of day.
    EXPECT_EQ(Dismiss(p, At(2024, 5, 1, 8), At(2024, 5, 3, 16, 45)), At(2024, 5, 4, 16, 45));
    p.SetUseCompletionDate(false);
    EXPECT_EQ(p.NextOccurrence(false, true, At(2024, 5, 1, 7), 0, 5), At(2024, 5, 6, 7));

    p.SetRecurrenceType(rtUnused);
    int before = p.GetGeneratedCount();
    EXPECT_THROW(Dismiss(p, At(2024, 5, 1), 0), TExRecurrencePattern);
    EXPECT_EQ(p.GetGeneratedCount(), before + 1); // the failed step had been counted
    p.SetRecurrenceType(static_cast<TRecurrenceType>(8));
    EXPECT_THROW(Dismiss(p, At(2024, 5, 1), 0), TExRecurrencePattern);
}

TEST(NextOccurrence, StepsBeyondTheCalendarEndThePattern) {
    TRecurrencePattern p;
    MakePattern(p, rtYearly, At(9998, 6, 1));
    p.SetDayOfMonth(1);
    p.SetMonthOfYear(6);
    p.SetInterval(5);
    EXPECT_EQ(Dismiss(p, At(9998, 6, 1), 0), 0);
    EXPECT_EQ(p.GetGeneratedCount(), 1);
    p.SetRecurrenceType(rtWeekly);
    p.SetInterval(INT32_MAX);
    EXPECT_EQ(Dismiss(p, At(9998, 6, 1), 0), 0);
    p.SetRecurrenceType(rtDaily);
    EXPECT_EQ(Dismiss(p, At(9998, 6, 1), 0), 0);
    // A base that is no date at all has no next occurrence.
    EXPECT_EQ(Dismiss(p, std::nan(""), 0), 0);
    EXPECT_EQ(Dismiss(p, 1e300, 0), 0);
}

TEST(NextOccurrence, HourlyHeldToOpenHours) {
    TRecurrencePattern p;
    MakePattern(p, rtHourly, At(2024, 3, 4));
    // Without a schedule: reference plus the step, the due date unused.
    EXPECT_EQ(Dismiss(p, At(2020, 1, 1), At(2024, 3, 4, 7, 20)), At(2024, 3, 4, 8, 20));

    // Closed until 09:00 every day: 07:20 + 1h = 08:20, held to the 09:00 opening.
    auto& s = p.GetSchedule();
    for (int d = 0; d < DaysPerWeek; ++d)
        s.SetRange(d, false, 0, EncodeTime(9, 0, 0, 0));
    EXPECT_TIME(Dismiss(p, 0, At(2024, 3, 4, 7, 20)), At(2024, 3, 4, 9, 0));

    // Saturday evening to Monday morning: Sunday closed, Saturday closed from 18:00.
    s.SetAllOpen();
    s.SetRange(0, false, 0, 0);                       // Sunday
    s.SetRange(6, false, EncodeTime(18, 0, 0, 0), 0); // Saturday 18:00..24:00
    s.SetRange(1, false, 0, EncodeTime(8, 0, 0, 0));  // Monday until 08:00
    ASSERT_EQ(DayOfWeek(At(2024, 3, 9)), 7);
    EXPECT_TIME(Dismiss(p, 0, At(2024, 3, 9, 17, 30)), At(2024, 3, 11, 8, 0));
    // The week wraps from Saturday (day 6) to Sunday (day 0): 00:50 is held to 10:00.
    s.SetRange(0, true, EncodeTime(10, 0, 0, 0), 0);
    EXPECT_TIME(Dismiss(p, 0, At(2024, 3, 9, 23, 50)), At(2024, 3, 10, 10, 0));
    // Steps always count from the reference: further steps give the same time.
    EXPECT_TIME(p.NextOccurrence(false, true, 0, At(2024, 3, 9, 16, 0), 3), At(2024, 3, 9, 17));

    // Closed all week: no further occurrence, and that non-step is not counted.
    s.SetAllClosed();
    int before = p.GetGeneratedCount();
    EXPECT_EQ(Dismiss(p, 0, At(2024, 3, 9, 12)), 0);
    EXPECT_EQ(p.AdvanceToOpenHours(At(2024, 3, 9, 12)), 0);
    EXPECT_EQ(p.GetGeneratedCount(), before);
    p.FreeSchedule();
    EXPECT_EQ(p.AdvanceToOpenHours(At(2024, 3, 9, 12)), At(2024, 3, 9, 12));
}

// The walk against the grid itself: from any moment, the answer is the first moment that the
// grid has open (checked minute by minute), and 0 only for a week without an open slot.
TEST(NextOccurrence, OpenHoursWalkFindsEveryOpeningOfTheGrid) {
    TRecurrencePattern p;
    MakePattern(p, rtHourly, At(2024, 3, 4));
    auto& s = p.GetSchedule();
    const TDateTime monday = At(2024, 3, 4);
    ASSERT_EQ(DayOfWeek(monday), 2);
    auto checkFrom = [&](TDateTime t) {
        const TDateTime r = p.AdvanceToOpenHours(t);
        ASSERT_NE(r, 0) << DateTimeToStr(t);
        ASSERT_TRUE(s.IsOpen(r, true)) << DateTimeToStr(t) << " -> " << DateTimeToStr(r);
        ASSERT_GE(r, t);
        ASSERT_LT(r - t, 7.0);
        for (TDateTime x = t; x < r - OneSecond; x += OneMinute)
            ASSERT_FALSE(s.IsOpen(x, true)) << DateTimeToStr(t) << " passes " << DateTimeToStr(x);
    };

    // A single five-minute opening, Wednesday 10:05-10:10, from points all round the week.
    s.SetAllClosed();
    s.SetRange(3, true, EncodeTime(10, 5, 0, 0), EncodeTime(10, 10, 0, 0));
    for (TDateTime t = monday + 13 * OneSecond; t < monday + 8; t += 37 * OneMinute + OneSecond)
        checkFrom(t);
    EXPECT_TIME(p.AdvanceToOpenHours(At(2024, 3, 6, 10, 4, 59)), At(2024, 3, 6, 10, 5));
    EXPECT_TIME(p.AdvanceToOpenHours(At(2024, 3, 6, 10, 7, 30)), At(2024, 3, 6, 10, 7, 30));
    EXPECT_TIME(p.AdvanceToOpenHours(At(2024, 3, 6, 10, 10)), At(2024, 3, 13, 10, 5));

    // One open slot anywhere in the week, the week's first and last among them, is found
    // from every start; only a grid with nothing open gives 0.
    for (int day = 0; day < DaysPerWeek; ++day)
        for (int slot : {0, 1, 143, 286, 287}) {
            s.SetAllClosed();
            s.SetSlot(day, slot, true);
            for (TDateTime t = monday; t < monday + 7; t += 5 * OneHour + 7 * OneMinute)
                checkFrom(t);
        }
    s.SetAllClosed();
    for (TDateTime t = monday; t < monday + 7; t += OneHour)
        EXPECT_EQ(p.AdvanceToOpenHours(t), 0);

    // Sparse random grids (fixed seed).
    std::mt19937 gen(12);
    for (int round = 0; round < 20; ++round) {
        s.SetAllClosed();
        for (int i = 0; i < 1 + round % 4; ++i)
            s.SetSlot(gen() % DaysPerWeek, gen() % SlotsPerDay, true);
        for (int i = 0; i < 20; ++i)
            checkFrom(monday + (gen() % 1000000) / 100000.0);
    }
}

TEST(NextOccurrence, HourlyRandomSpreadIsInjectedAndBounded) {
    TRecurrencePattern p;
    MakePattern(p, rtHourly, At(2024, 3, 4));
    p.SetHourlyDelta(OneHour);             // 60 minutes -> lo 61
    p.SetHourlyDeltaRandomTo(2 * OneHour); // 120 minutes -> hi 121
    std::vector<int64_t> asked;
    auto fixed = [&](int64_t r) {
        return [&asked, r](int64_t n) {
            asked.push_back(n);
            return r;
        };
    };
    TDateTime ref = At(2024, 3, 4, 10);
    EXPECT_TIME(p.NextOccurrence(false, true, 0, ref, 1, fixed(0)), At(2024, 3, 4, 11, 1));
    EXPECT_TIME(p.NextOccurrence(false, true, 0, ref, 1, fixed(59)), At(2024, 3, 4, 12, 0));
    EXPECT_EQ(asked, (std::vector<int64_t>{60, 60}));
    // Bounds given the other way round are swapped; an injected draw out of range is held.
    p.SetHourlyDelta(2 * OneHour);
    p.SetHourlyDeltaRandomTo(OneHour);
    EXPECT_TIME(p.NextOccurrence(false, true, 0, ref, 1, fixed(1000)), At(2024, 3, 4, 12, 0));
    // Equal bounds draw nothing.
    p.SetHourlyDeltaRandomTo(2 * OneHour);
    asked.clear();
    EXPECT_TIME(p.RandomHourlyDelta(ref, fixed(5)), At(2024, 3, 4, 12, 1));
    EXPECT_TRUE(asked.empty());
    // Spans that went through the 9-decimal number text keep their whole minutes.
    p.SetHourlyDelta(0.006944444); // 10 minutes
    EXPECT_TIME(p.RandomHourlyDelta(ref, fixed(0)), At(2024, 3, 4, 10, 11));
    // The process generator stays within the range.
    p.SetHourlyDelta(OneMinute * 10);
    p.SetHourlyDeltaRandomTo(OneMinute * 20);
    for (int i = 0; i < 200; ++i) {
        int64_t m = MinutesBetween(ref, p.NextOccurrence(false, true, 0, ref, 1));
        EXPECT_GE(m, 11);
        EXPECT_LE(m, 20);
    }
}

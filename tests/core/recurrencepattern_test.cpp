#include <gtest/gtest.h>

#include <cmath>

#include "core/recurrencepattern.h"
#include "testutil.h"

namespace {

// A pattern with every field away from its default, and a schedule.
void Fill(TRecurrencePattern& p) {
    p.Reset(EncodeDate(2024, 3, 14));
    p.SetRecurrenceType(rtMonthNth);
    p.SetPatternStartDate(EncodeDateTime(2024, 3, 14, 9, 30, 0, 0));
    p.SetOccurrences(7);
    p.SetInterval(3);
    p.SetPatternInstance(5);
    p.SetDayOfWeekMask(DayOfWeekBit(2) | DayOfWeekBit(6));
    p.SetDayOfMonth(31);
    p.SetMonthOfYear(11);
    p.SetUseCompletionDate(true);
    p.SetGeneratedCount(4);
    p.SetModeFlagB(true);
    p.SetHourlyDelta(OneHour * 2.5);
    p.SetHourlyDeltaRandomTo(OneHour * 4);
    p.SetByteOption(0xA5);
    p.SetChoiceOption(2);
    p.GetSchedule().SetRange(1, false, EncodeTime(12, 0, 0, 0), EncodeTime(13, 0, 0, 0));
}

void ExpectSame(const TRecurrencePattern& a, const TRecurrencePattern& b) {
    EXPECT_EQ(a.GetRecurrenceType(), b.GetRecurrenceType());
    EXPECT_EQ(a.GetPatternStartDate(), b.GetPatternStartDate());
    EXPECT_EQ(a.GetPatternEndDate(), b.GetPatternEndDate());
    EXPECT_EQ(a.GetOccurrences(), b.GetOccurrences());
    EXPECT_EQ(a.GetInterval(), b.GetInterval());
    EXPECT_EQ(a.GetPatternInstance(), b.GetPatternInstance());
    EXPECT_EQ(a.GetDayOfWeekMask(), b.GetDayOfWeekMask());
    EXPECT_EQ(a.GetDayOfMonth(), b.GetDayOfMonth());
    EXPECT_EQ(a.GetMonthOfYear(), b.GetMonthOfYear());
    EXPECT_EQ(a.GetUseCompletionDate(), b.GetUseCompletionDate());
    EXPECT_EQ(a.GetGeneratedCount(), b.GetGeneratedCount());
    EXPECT_EQ(a.GetHourlyDelta(), b.GetHourlyDelta());
    EXPECT_EQ(a.GetHourlyDeltaRandomTo(), b.GetHourlyDeltaRandomTo());
    ASSERT_EQ(a.HasSchedule(), b.HasSchedule());
}

} // namespace

TEST(RecurrencePattern, DefaultsComeFromTheGivenDateOrNow) {
    TRecurrencePattern p;
    p.Reset(EncodeDate(2007, 3, 14)); // a Wednesday
    EXPECT_EQ(p.GetRecurrenceType(), rtWeekly);
    EXPECT_EQ(p.GetInterval(), 1);
    EXPECT_EQ(p.GetDayOfWeekMask(), DayOfWeekBit(4));
    EXPECT_EQ(p.GetDayOfMonth(), 14);
    EXPECT_EQ(p.GetMonthOfYear(), 3);
    EXPECT_EQ(p.GetOccurrences(), -1);
    EXPECT_EQ(p.GetPatternEndDate(), 0);
    EXPECT_TRUE(p.IsStartDateEmpty());
    EXPECT_TRUE(p.IsEndless());
    EXPECT_EQ(p.GetGeneratedCount(), 1);
    EXPECT_EQ(p.GetHourlyDelta(), OneHour);
    EXPECT_EQ(p.GetHourlyDeltaRandomTo(), 0);
    EXPECT_EQ(p.GetModeFlags(), 1);
    EXPECT_EQ(p.GetPatternInstance(), 1);
    EXPECT_FALSE(p.HasSchedule());

    FixedClock clock(EncodeDateTime(2024, 12, 25, 18, 0, 0, 0)); // a Wednesday too
    TRecurrencePattern q;
    EXPECT_EQ(q.GetDayOfMonth(), 25);
    EXPECT_EQ(q.GetMonthOfYear(), 12);
    EXPECT_EQ(q.GetDayOfWeekMask(), DayOfWeekBit(4));
}

TEST(RecurrencePattern, SettersCheckRangesAndKeepTheOldValue) {
    TRecurrencePattern p;
    p.Reset(EncodeDate(2024, 3, 14));
    EXPECT_EQ(MessageOf<TExRecurrencePattern>([&] { p.SetDayOfMonth(0); }),
              "DayOfMonth out of range");
    EXPECT_EQ(MessageOf<TExRecurrencePattern>([&] { p.SetDayOfMonth(32); }),
              "DayOfMonth out of range");
    EXPECT_EQ(MessageOf<TExRecurrencePattern>([&] { p.SetDayOfMonth(256 + 5); }),
              "DayOfMonth out of range");
    EXPECT_EQ(p.GetDayOfMonth(), 14);
    EXPECT_EQ(MessageOf<TExRecurrencePattern>([&] { p.SetMonthOfYear(13); }),
              "MonthOfYear out of range");
    EXPECT_EQ(MessageOf<TExRecurrencePattern>([&] { p.SetPatternInstance(6); }),
              "PatternInstance out of range");
    p.SetPatternInstance(5);
    EXPECT_EQ(p.GetPatternInstance(), 5);
    // Steps that would not move are refused.
    EXPECT_EQ(MessageOf<TExRecurrencePattern>([&] { p.SetInterval(0); }), "Interval out of range");
    EXPECT_EQ(MessageOf<TExRecurrencePattern>([&] { p.SetInterval(-2); }), "Interval out of range");
    EXPECT_EQ(p.GetInterval(), 1);
    EXPECT_EQ(MessageOf<TExRecurrencePattern>([&] { p.SetHourlyDelta(0); }),
              "HourlyDelta out of range");
    EXPECT_EQ(MessageOf<TExRecurrencePattern>([&] { p.SetHourlyDelta(-OneHour); }),
              "HourlyDelta out of range");
    EXPECT_EQ(MessageOf<TExRecurrencePattern>([&] { p.SetHourlyDelta(std::nan("")); }),
              "HourlyDelta out of range");
    EXPECT_EQ(MessageOf<TExRecurrencePattern>([&] { p.SetHourlyDeltaRandomTo(-OneHour); }),
              "HourlyDeltaRandomTo out of range");
    EXPECT_EQ(p.GetHourlyDelta(), OneHour);

    p.SetChoiceOption(7);
    EXPECT_EQ(p.GetChoiceOption(), 0);
    p.SetChoiceOption(-1);
    EXPECT_EQ(p.GetChoiceOption(), 0);
    p.SetChoiceOption(2);
    EXPECT_EQ(p.GetChoiceOption(), 2);

    p.SetModeFlagB(true);
    EXPECT_FALSE(p.GetModeFlagA());
    EXPECT_EQ(p.GetModeFlags(), 2);
    p.SetModeFlags(3);
    EXPECT_EQ(p.GetModeFlags(), 0);
}

TEST(RecurrencePattern, EndDateAndCountExcludeEachOther) {
    TRecurrencePattern p;
    p.SetPatternEndDate(EncodeDateTime(2024, 5, 1, 15, 0, 0, 0));
    EXPECT_EQ(p.GetPatternEndDate(), EncodeDate(2024, 5, 1));
    p.SetOccurrences(5);
    EXPECT_EQ(p.GetPatternEndDate(), 0);
    p.SetPatternEndDate(0);
    EXPECT_EQ(p.GetOccurrences(), 5);
    p.SetPatternEndDate(EncodeDate(2024, 6, 1));
    EXPECT_EQ(p.GetOccurrences(), -1);
    EXPECT_FALSE(p.IsEndless());

    p.SetPatternStartDate(EncodeDateTime(2024, 5, 1, 8, 0, 0, 0));
    EXPECT_EQ(p.GetPatternStartDay(), EncodeDate(2024, 5, 1));
    p.SetPatternStartDay(EncodeDateTime(2024, 5, 2, 8, 0, 0, 0));
    EXPECT_EQ(p.GetPatternStartDate(), EncodeDate(2024, 5, 2));
}

TEST(RecurrencePattern, AssignCopiesEverythingThroughTheSetters) {
    TRecurrencePattern a, b;
    Fill(a);
    b.Assign(a);
    ExpectSame(a, b);
    EXPECT_EQ(b.GetModeFlags(), 2);
    EXPECT_EQ(b.GetByteOption(), 0xA5);
    EXPECT_EQ(b.GetChoiceOption(), 2);
    EXPECT_EQ(b.GetSchedule(), a.GetSchedule());
    // Without a schedule in the source the copy drops its own.
    TRecurrencePattern c;
    b.Assign(c);
    EXPECT_FALSE(b.HasSchedule());
}

TEST(RecurrencePattern, StreamRoundTripKeepsEveryField) {
    TRecurrencePattern a, b;
    Fill(a);
    TMemoryStream s;
    a.WriteToStream(s);
    EXPECT_EQ(s.Size(), 4 + 4 + 8 + 8 + 4 * 3 + 2 + 4 + 2 + 4 + 1 + 8 + 1 + 4 + 8 + 1 + 1 + 4 +
                            OpenHoursGridSize);
    s.SetPosition(0);
    b.ReadFromStream(s);
    ExpectSame(a, b);
    EXPECT_EQ(b.GetPatternStartDate(), EncodeDateTime(2024, 3, 14, 9, 30, 0, 0)); // time kept
    EXPECT_EQ(b.GetModeFlags(), 2);
    EXPECT_EQ(b.GetByteOption(), 0xA5);
    EXPECT_EQ(b.GetChoiceOption(), 2);
    EXPECT_EQ(b.GetSchedule(), a.GetSchedule());
    EXPECT_EQ(s.Remaining(), 0);

    // Without a schedule: the has-schedule byte is 0 and nothing follows.
    a.FreeSchedule();
    TMemoryStream t;
    a.WriteToStream(t);
    EXPECT_EQ(t.Bytes().back(), 0);
    t.SetPosition(0);
    b.ReadFromStream(t);
    EXPECT_FALSE(b.HasSchedule());
}

namespace {

// A record of the given version with the fields every version has.
TMemoryStream OldRecord(int version) {
    TMemoryStream s;
    s.WriteValue<int32_t>(version);
    s.WriteValue<int32_t>(0x102); // low byte 2: monthly
    s.WriteValue<double>(EncodeDate(2010, 1, 5));
    s.WriteValue<double>(0);
    s.WriteValue<int32_t>(4); // occurrences
    s.WriteValue<int32_t>(0); // interval 0: read as 1
    s.WriteValue<int32_t>(2); // instance
    s.WriteValue<uint8_t>(DayOfWeekBit(3));
    s.WriteValue<uint8_t>(40); // out of range: kept, as streams are not validated
    s.WriteValue<int32_t>(6);
    s.WriteValue<uint8_t>(1);
    s.WriteValue<uint8_t>(0);
    s.WriteValue<int32_t>(3);
    return s;
}

} // namespace

TEST(RecurrencePattern, ReadsOlderRecordsAndRefusesNewerOnes) {
    FixedClock clock(EncodeDate(2024, 3, 14));
    TRecurrencePattern p;
    TMemoryStream v1 = OldRecord(1);
    v1.SetPosition(0);
    p.GetSchedule();
    p.ReadFromStream(v1);
    EXPECT_EQ(p.GetRecurrenceType(), rtMonthly);
    EXPECT_EQ(p.GetPatternStartDate(), EncodeDate(2010, 1, 5));
    EXPECT_EQ(p.GetOccurrences(), 4);
    EXPECT_EQ(p.GetInterval(), 1);
    EXPECT_EQ(p.GetDayOfMonth(), 40);
    EXPECT_TRUE(p.GetUseCompletionDate());
    EXPECT_EQ(p.GetModeFlags(), 0);
    EXPECT_EQ(p.GetGeneratedCount(), 3);
    EXPECT_EQ(p.GetHourlyDelta(), OneHour);
    EXPECT_EQ(p.GetHourlyDeltaRandomTo(), 0);
    EXPECT_FALSE(p.HasSchedule());
    // Its out-of-range day is refused when copied.
    TRecurrencePattern q;
    EXPECT_EQ(MessageOf<TExRecurrencePattern>([&] { q.Assign(p); }), "DayOfMonth out of range");

    // Version 3 adds flag B and the hourly step (0 here: read as one hour) and options.
    TMemoryStream v3 = OldRecord(3);
    v3.WriteValue<uint8_t>(1);
    v3.WriteValue<double>(0);
    v3.WriteValue<uint8_t>(9);
    v3.WriteValue<int32_t>(1);
    v3.SetPosition(0);
    p.ReadFromStream(v3);
    EXPECT_EQ(p.GetModeFlags(), 2);
    EXPECT_EQ(p.GetHourlyDelta(), OneHour);
    EXPECT_EQ(p.GetByteOption(), 9);
    EXPECT_EQ(p.GetChoiceOption(), 1);

    // Version 4 with bad spans: a negative random bound reads as none, NaN dates as none.
    TMemoryStream v4;
    v4.WriteValue<int32_t>(4);
    v4.WriteValue<int32_t>(7);
    v4.WriteValue<double>(std::nan(""));
    v4.WriteValue<double>(INFINITY);
    for (int32_t v : {-1, -5, 1})
        v4.WriteValue<int32_t>(v);
    v4.WriteValue<uint8_t>(0);
    v4.WriteValue<uint8_t>(1);
    v4.WriteValue<int32_t>(1);
    v4.WriteValue<uint8_t>(0);
    v4.WriteValue<uint8_t>(1);
    v4.WriteValue<int32_t>(1);
    v4.WriteValue<uint8_t>(0);
    v4.WriteValue<double>(-OneHour);
    v4.WriteValue<uint8_t>(0);
    v4.WriteValue<int32_t>(0);
    v4.WriteValue<double>(-OneHour);
    v4.WriteValue<uint8_t>(0);
    v4.SetPosition(0);
    p.ReadFromStream(v4);
    EXPECT_EQ(p.GetRecurrenceType(), rtHourly);
    EXPECT_EQ(p.GetPatternStartDate(), 0);
    EXPECT_EQ(p.GetPatternEndDate(), 0);
    EXPECT_EQ(p.GetInterval(), 1);
    EXPECT_EQ(p.GetHourlyDelta(), OneHour);
    EXPECT_EQ(p.GetHourlyDeltaRandomTo(), 0);

    TMemoryStream v5;
    v5.WriteValue<int32_t>(5);
    v5.SetPosition(0);
    EXPECT_EQ(MessageOf<TExRecurrencePattern>([&] { p.ReadFromStream(v5); }),
              "This file was created with newer version of Tockwell. Please download new "
              "version of application from https://tockwell.org/ to read this file. "
              "(RecurrencePattern object)");
}

TEST(RecurrencePattern, TruncatedRecordsRaiseReadErrors) {
    TRecurrencePattern a;
    Fill(a);
    TMemoryStream full;
    a.WriteToStream(full);
    std::string bytes = full.AsString();
    // Every cut short of the whole record fails with a read error and nothing else.
    for (size_t cut = 0; cut < bytes.size(); cut += (cut < 80 ? 1 : 97)) {
        TMemoryStream s(std::string_view(bytes).substr(0, cut));
        TRecurrencePattern b;
        EXPECT_THROW(b.ReadFromStream(s), EReadError) << cut;
    }
}

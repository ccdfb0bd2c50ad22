#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>

#include "platform/datetime.h"
#include "platform/sysutils.h"
#include "testutil.h"

namespace {

struct Ymd {
    int y, m, d;
};

Ymd ParseYmd(const std::string& s) {
    return {std::stoi(s.substr(0, 4)), std::stoi(s.substr(5, 2)), std::stoi(s.substr(8, 2))};
}

double ParseDouble(const std::string& s) {
    double v = 0;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    EXPECT_TRUE(ec == std::errc() && ptr == s.data() + s.size()) << s;
    return v;
}

std::vector<std::string> OracleLines(char kind) {
    std::ifstream in(SourcePath("tests/platform/data/date_oracle.txt"));
    EXPECT_TRUE(in.good()) << "oracle table missing; run tests/platform/gen_date_oracle.py";
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line))
        if (!line.empty() && line[0] == kind)
            lines.push_back(line);
    return lines;
}

} // namespace

// Serials, weekdays, ISO weeks and day counts against Python's calendar.
TEST(DateTime, CalendarMatchesOracle) {
    auto lines = OracleLines('D');
    ASSERT_GT(lines.size(), 1000u);
    for (const std::string& line : lines) {
        std::istringstream in(line);
        std::string kind, date;
        int64_t serial;
        int weekday, isoWeekday, isoWeek, isoYear, dayOfYear, daysInMonth, leap;
        in >> kind >> serial >> date >> weekday >> isoWeekday >> isoWeek >> isoYear >> dayOfYear >>
            daysInMonth >> leap;
        Ymd e = ParseYmd(date);
        SCOPED_TRACE(line);
        EXPECT_EQ(EncodeDate(e.y, e.m, e.d), static_cast<double>(serial));
        TDateParts p = DecodeDate(static_cast<double>(serial));
        EXPECT_EQ(p.Year, e.y);
        EXPECT_EQ(p.Month, e.m);
        EXPECT_EQ(p.Day, e.d);
        // A time of day does not change the date, before the epoch either.
        TDateTime withTime = EncodeDateTime(e.y, e.m, e.d, 18, 30, 0, 0);
        EXPECT_EQ(DayOf(withTime), e.d);
        EXPECT_EQ(HourOf(withTime), 18);
        EXPECT_EQ(DayOfWeek(withTime), weekday);
        EXPECT_EQ(DayOfTheWeek(withTime), isoWeekday);
        int y = 0;
        EXPECT_EQ(WeekOfTheYear(withTime, y), isoWeek);
        EXPECT_EQ(y, isoYear);
        EXPECT_EQ(DayOfTheYear(withTime), dayOfYear);
        EXPECT_EQ(DaysInAMonth(e.y, e.m), daysInMonth);
        EXPECT_EQ(IsLeapYear(e.y), leap == 1);
    }
}

// Time decoding, rounded to the nearest millisecond, against Python's datetime.
TEST(DateTime, TimesMatchOracle) {
    auto lines = OracleLines('T');
    ASSERT_GT(lines.size(), 100u);
    for (const std::string& line : lines) {
        std::istringstream in(line);
        std::string kind, serialText, date, time;
        in >> kind >> serialText >> date >> time;
        SCOPED_TRACE(line);
        double serial = ParseDouble(serialText);
        Ymd e = ParseYmd(date);
        int h = std::stoi(time.substr(0, 2)), n = std::stoi(time.substr(3, 2)),
            s = std::stoi(time.substr(6, 2)), z = std::stoi(time.substr(9, 3));
        int y, m, d, hh, nn, ss, zz;
        DecodeDateTime(serial, y, m, d, hh, nn, ss, zz);
        EXPECT_EQ(y, e.y);
        EXPECT_EQ(m, e.m);
        EXPECT_EQ(d, e.d);
        EXPECT_EQ(hh, h);
        EXPECT_EQ(nn, n);
        EXPECT_EQ(ss, s);
        EXPECT_EQ(zz, z);
        // Encoding the decoded parts gives the same moment back (-1.9999999 and 0 are both
        // 1899-12-30 00:00 once rounded to the millisecond).
        EXPECT_EQ(MilliSecondsBetween(EncodeDateTime(y, m, d, hh, nn, ss, zz), serial), 0);
    }
}

TEST(DateTime, MonthStepsMatchOracle) {
    auto lines = OracleLines('M');
    ASSERT_GT(lines.size(), 50u);
    for (const std::string& line : lines) {
        std::istringstream in(line);
        std::string kind, from, to;
        int months;
        in >> kind >> from >> months >> to;
        SCOPED_TRACE(line);
        Ymd f = ParseYmd(from), t = ParseYmd(to);
        TDateTime start = EncodeDateTime(f.y, f.m, f.d, 7, 45, 0, 0);
        TDateTime result = IncMonth(start, months);
        EXPECT_EQ(DateOf(result), EncodeDate(t.y, t.m, t.d));
        EXPECT_NEAR(TimeOf(result), 7 * OneHour + 45 * OneMinute, 1e-12);
    }
}

TEST(DateTime, TimeParts) {
    TTimeParts t = DecodeTime(90.0 / 1440);
    EXPECT_EQ(t.Hour, 1);
    EXPECT_EQ(t.Minute, 30);
    EXPECT_EQ(t.Second, 0);
    EXPECT_EQ(t.MilliSecond, 0);
    EXPECT_EQ(EncodeTime(1, 30, 0, 0), 90.0 / 1440);
    EXPECT_EQ(EncodeTime(24, 0, 0, 0), 1.0);
    EXPECT_THROW(EncodeTime(24, 0, 0, 1), EConvertError);
    EXPECT_THROW(EncodeTime(1, 60, 0, 0), EConvertError);
    EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
    EXPECT_THROW(EncodeDate(0, 1, 1), EConvertError);
    EXPECT_THROW(EncodeDate(10000, 1, 1), EConvertError);
    // -1.25 is 1899-12-29 06:00: the fraction counts forward from midnight.
    EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
    EXPECT_EQ(ComposeDateTime(-1, 0.25), -1.25);
    EXPECT_EQ(ComposeDateTime(2, 0.25), 2.25);
    EXPECT_EQ(DateOf(-1.25), -1.0);
    EXPECT_EQ(TimeOf(-1.25), 0.25);
    EXPECT_EQ(DateOf(-0.5), 0.0); // 1899-12-30 12:00
    EXPECT_EQ(HourOf(-0.5), 12);
}

TEST(DateTime, StepsKeepTimeAndClampDays) {
    TDateTime jan31 = EncodeDateTime(2024, 1, 31, 22, 15, 0, 0);
    EXPECT_EQ(IncMonth(jan31), EncodeDateTime(2024, 2, 29, 22, 15, 0, 0));
    EXPECT_EQ(IncMonth(EncodeDate(2023, 1, 31)), EncodeDate(2023, 2, 28));
    EXPECT_EQ(IncYear(EncodeDate(2024, 2, 29)), EncodeDate(2025, 2, 28));
    EXPECT_EQ(IncYear(EncodeDate(2024, 2, 29), 4), EncodeDate(2028, 2, 29));
    EXPECT_EQ(IncMonth(EncodeDate(2024, 3, 31), -1), EncodeDate(2024, 2, 29));
    // Held within the calendar's range instead of failing.
    EXPECT_EQ(IncMonth(EncodeDate(9999, 11, 30), 5), EncodeDate(9999, 12, 30));
    EXPECT_EQ(IncMonth(EncodeDate(1, 2, 1), -5), EncodeDate(1, 1, 1));
    EXPECT_EQ(IncWeek(EncodeDate(2024, 12, 30), 1), EncodeDate(2025, 1, 6));
    EXPECT_DOUBLE_EQ(IncHour(EncodeDateTime(2024, 3, 9, 23, 0, 0, 0), 2),
                     EncodeDateTime(2024, 3, 10, 1, 0, 0, 0));
    EXPECT_DOUBLE_EQ(IncMinute(EncodeDate(2024, 1, 1), -1),
                     EncodeDateTime(2023, 12, 31, 23, 59, 0, 0));
    EXPECT_DOUBLE_EQ(IncSecond(EncodeDate(2024, 1, 1), 90),
                     EncodeDateTime(2024, 1, 1, 0, 1, 30, 0));

    EXPECT_EQ(RecodeMonth(EncodeDate(2024, 1, 31), 2), EncodeDate(2024, 2, 29));
    EXPECT_EQ(RecodeDay(EncodeDate(2024, 4, 1), 31), EncodeDate(2024, 4, 30));
    EXPECT_EQ(RecodeYear(EncodeDate(2024, 2, 29), 2023), EncodeDate(2023, 2, 28));
    EXPECT_DOUBLE_EQ(RecodeTime(EncodeDateTime(2024, 5, 6, 1, 2, 3, 0), 7, 8, 9, 0),
                     EncodeDateTime(2024, 5, 6, 7, 8, 9, 0));
    EXPECT_THROW(RecodeMonth(EncodeDate(2024, 1, 1), 13), EConvertError);
}

// Day steps that cross 1899-12-30 keep the time of day (plain addition would turn
// 06:00 into 18:00 there).
TEST(DateTime, DayStepsAcrossTheEpoch) {
    TDateTime before = EncodeDateTime(1899, 12, 29, 6, 0, 0, 0); // -1.25
    EXPECT_EQ(IncDay(before, 2), EncodeDateTime(1899, 12, 31, 6, 0, 0, 0));
    EXPECT_EQ(IncDay(EncodeDateTime(1899, 12, 31, 6, 0, 0, 0), -2), before);
    EXPECT_EQ(IncDay(EncodeDateTime(1899, 12, 30, 6, 0, 0, 0), -1), before);
    EXPECT_EQ(IncWeek(EncodeDateTime(1899, 12, 25, 18, 0, 0, 0), 1),
              EncodeDateTime(1900, 1, 1, 18, 0, 0, 0));
    EXPECT_EQ(IncMonth(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), 1),
              EncodeDateTime(1900, 1, 29, 6, 0, 0, 0));
    EXPECT_EQ(HoursBetween(before, EncodeDateTime(1899, 12, 31, 6, 0, 0, 0)), 48);
}

TEST(DateTime, UnitsBetweenAreWholeAndSymmetric) {
    TDateTime a = EncodeDateTime(2024, 1, 1, 10, 0, 0, 0);
    TDateTime b = EncodeDateTime(2024, 1, 1, 9, 59, 0, 0);
    EXPECT_EQ(MinutesBetween(a, b), 1);
    EXPECT_EQ(MinutesBetween(b, a), 1);
    EXPECT_EQ(SecondsBetween(a, b), 60);
    EXPECT_EQ(HoursBetween(a, b), 0);
    EXPECT_EQ(DaysBetween(EncodeDate(2024, 3, 1), EncodeDate(2024, 2, 1)), 29);
    EXPECT_EQ(DaysBetween(EncodeDateTime(2024, 3, 1, 11, 0, 0, 0), EncodeDate(2024, 2, 29)), 1);
    EXPECT_EQ(MilliSecondsBetween(a, a + OneMillisecond * 3), 3);
    EXPECT_TRUE(SameDate(EncodeDateTime(2024, 1, 1, 23, 59, 0, 0), EncodeDate(2024, 1, 1)));
    EXPECT_FALSE(SameDate(EncodeDate(2024, 1, 2), EncodeDate(2024, 1, 1)));
}

TEST(DateTime, IsoWeeksAndYearLengths) {
    EXPECT_EQ(WeeksInYear(2020), 53);
    EXPECT_EQ(WeeksInYear(2021), 52);
    EXPECT_EQ(WeeksInYear(2026), 53);
    EXPECT_EQ(DaysInAYear(1900), 365);
    EXPECT_EQ(DaysInAYear(2000), 366);
    EXPECT_EQ(DaysInAMonth(2024, 13), 0);
    EXPECT_TRUE(IsValidDate(2024, 2, 29));
    EXPECT_FALSE(IsValidDate(2100, 2, 29));
}

// Values that no calendar holds (a corrupt file, a failed computation) decode without
// undefined behaviour.
TEST(DateTime, OutOfRangeValuesDecodeSafely) {
    for (double v : {std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity(), -1e300, 1e300, 1e18}) {
        TDateParts p = DecodeDate(v);
        TTimeParts t = DecodeTime(v);
        EXPECT_GE(p.Month, 1);
        EXPECT_LE(p.Month, 12);
        EXPECT_GE(t.Hour, 0);
        EXPECT_LT(t.Hour, 24);
        (void)DayOfWeek(v);
        (void)WeekOfTheYear(v);
    }
    EXPECT_EQ(DecodeDate(std::numeric_limits<double>::quiet_NaN()).Year, 1899);
}

TEST(DateTime, ClockIsInjectable) {
    TDateTime fixed = EncodeDateTime(2024, 7, 1, 13, 45, 10, 0);
    {
        FixedClock clock(fixed);
        EXPECT_EQ(Now(), fixed);
        EXPECT_EQ(Date(), EncodeDate(2024, 7, 1));
        EXPECT_DOUBLE_EQ(Time(), EncodeTime(13, 45, 10, 0));
        clock.Advance(OneHour);
        EXPECT_EQ(HourOf(Now()), 14);
    }
    // Back on the system clock, which reads a current date.
    EXPECT_GT(Now(), EncodeDate(2020, 1, 1));
    EXPECT_LT(std::fabs(Now() - SystemNow()), OneMinute);
}

#pragma once
// TDateTime: days since 1899-12-30 in a double, local time without zone; the fraction is
// the time of day. For days before the epoch the fraction still counts forward from
// midnight (-1.25 is 1899-12-29 06:00). Decoding rounds to the nearest millisecond.

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>

using TDateTime = double;

constexpr double HoursPerDay = 24;
constexpr double MinsPerDay = 24 * 60;
constexpr double SecsPerDay = 24 * 60 * 60;
constexpr double MSecsPerDay = SecsPerDay * 1000;
constexpr TDateTime OneHour = 1.0 / HoursPerDay;
constexpr TDateTime OneMinute = 1.0 / MinsPerDay;
constexpr TDateTime OneSecond = 1.0 / SecsPerDay;
constexpr TDateTime OneMillisecond = 1.0 / MSecsPerDay;

// ---- The clock ------------------------------------------------------------------------
// Every reading of "now" goes through this one clock, so tests can fix it.
TDateTime Now();       // date and time
TDateTime Date();      // whole days of Now()
TDateTime Time();      // time of day of Now()
TDateTime SystemNow(); // the real local wall clock, whatever the clock is set to
using TClockFunc = std::function<TDateTime()>;
void SetClock(TClockFunc clock); // an empty function restores SystemNow

// A local date-time placed in the system's time zone: seconds since 1970-01-01 UTC and the
// zone's offset east of UTC then (seconds). Nothing when the C library cannot place it.
struct TZonedTime {
    std::time_t Unix;
    long UtcOffset;
};
std::optional<TZonedTime> PlaceLocalTime(TDateTime local);

// ---- Calendar -------------------------------------------------------------------------
bool IsLeapYear(int year);
int DaysInAMonth(int year, int month);                  // 28..31
int DaysInAYear(int year);                              // 365 or 366
bool IsValidDate(int year, int month, int day);         // year 1..9999
bool IsValidTime(int hour, int min, int sec, int msec); // 24:00:00.000 is valid

// Raise EConvertError "Invalid argument to date encode" / "... time encode".
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int min, int sec, int msec);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec);
// A whole day and a time of day (a fraction of a day) put together; before the epoch the time
// still counts forward from midnight (ComposeDateTime(-1, 0.25) is -1.25).
TDateTime ComposeDateTime(TDateTime date, TDateTime time);
bool TryEncodeDate(int year, int month, int day, TDateTime& value);
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& value);

struct TDateParts {
    int Year, Month, Day;
};
struct TTimeParts {
    int Hour, Minute, Second, MilliSecond;
};
TDateParts DecodeDate(TDateTime value);
TTimeParts DecodeTime(TDateTime value);
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& min, int& sec, int& msec);
void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& min, int& sec,
                    int& msec);

TDateTime DateOf(TDateTime value); // midnight of its day
TDateTime TimeOf(TDateTime value); // time of day, 0 <= t < 1

int YearOf(TDateTime value);
int MonthOf(TDateTime value);
int DayOf(TDateTime value);
int HourOf(TDateTime value);
int MinuteOf(TDateTime value);
int SecondOf(TDateTime value);
int MilliSecondOf(TDateTime value);

int DayOfWeek(TDateTime value);    // 1 = Sunday .. 7 = Saturday
int DayOfTheWeek(TDateTime value); // ISO: 1 = Monday .. 7 = Sunday
int DayOfTheYear(TDateTime value); // 1..366
// ISO 8601 week number (1..53); isoYear receives the year that week belongs to.
int WeekOfTheYear(TDateTime value);
int WeekOfTheYear(TDateTime value, int& isoYear);
int WeeksInYear(int isoYear); // 52 or 53

// Month and year steps keep the time of day and clamp the day to the target month's length
// (Jan 31 + 1 month = Feb 28/29).
TDateTime IncMonth(TDateTime value, int months = 1);
TDateTime IncYear(TDateTime value, int years = 1);
TDateTime IncWeek(TDateTime value, int weeks = 1);
TDateTime IncDay(TDateTime value, int days = 1);
TDateTime IncHour(TDateTime value, int64_t hours = 1);
TDateTime IncMinute(TDateTime value, int64_t minutes = 1);
TDateTime IncSecond(TDateTime value, int64_t seconds = 1);

// Whole units between two times, always >= 0 (order does not matter); computed on
// millisecond-rounded values so that 10:00 - 09:59 is exactly one minute.
int64_t DaysBetween(TDateTime a, TDateTime b);
int64_t HoursBetween(TDateTime a, TDateTime b);
int64_t MinutesBetween(TDateTime a, TDateTime b);
int64_t SecondsBetween(TDateTime a, TDateTime b);
int64_t MilliSecondsBetween(TDateTime a, TDateTime b);

// Replace one field, keeping the rest; the day is clamped to the month's length
// (RecodeMonth(Jan 31, 2) gives Feb 28/29; RecodeDay(x, 31) in April gives Apr 30).
TDateTime RecodeYear(TDateTime value, int year);
TDateTime RecodeMonth(TDateTime value, int month);
TDateTime RecodeDay(TDateTime value, int day);
TDateTime RecodeTime(TDateTime value, int hour, int min, int sec, int msec);

bool SameDate(TDateTime a, TDateTime b); // same calendar day

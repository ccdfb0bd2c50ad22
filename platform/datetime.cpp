#include "platform/datetime.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <sys/time.h>

#include "platform/sysutils.h"

namespace {

TClockFunc& ClockFunc() {
    static TClockFunc clock;
    return clock;
}

// Days from 0001-01-01 (day 1) to 1899-12-30, as the original runtime counts them.
constexpr int64_t DateDelta = 693594;

// Proleptic Gregorian day number: 0001-01-01 is 1.
int64_t DayNumber(int y, int m, int d) {
    static const int cum[2][13] = {{0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
                                   {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366}};
    int64_t py = y - 1;
    return py * 365 + py / 4 - py / 100 + py / 400 + cum[IsLeapYear(y)][m - 1] + d;
}

// The serial split into whole days (relative to 0001-01-01 = 1) and milliseconds of the day,
// rounded to the nearest millisecond.
struct Stamp {
    int64_t day;
    int64_t msec;
};

// Serials beyond this many days (about 27 million years) are held at it, and values that
// are not numbers count as 0, so that decoding never overflows.
constexpr double MaxSerial = 1e10;

Stamp ToStamp(TDateTime value) {
    if (!std::isfinite(value))
        value = 0;
    value = std::clamp(value, -MaxSerial, MaxSerial);
    // Negative serials keep their fraction as the time of day counted forward.
    double whole = std::trunc(value);
    double frac = std::fabs(value - whole);
    int64_t ms = std::llround(frac * MSecsPerDay);
    int64_t day = static_cast<int64_t>(whole);
    if (ms >= static_cast<int64_t>(MSecsPerDay)) {
        // Rounded up to the next midnight: the next calendar day on either side of the epoch.
        ms -= static_cast<int64_t>(MSecsPerDay);
        day += 1;
    }
    return {day + DateDelta, ms};
}

TDateTime FromStamp(int64_t day, int64_t msec) {
    return ComposeDateTime(static_cast<double>(day - DateDelta),
                           static_cast<double>(msec) / MSecsPerDay);
}

// Plain addition moves whole days while the value stays on one side of the epoch; across
// it the time of day would turn around (-0.25 is 06:00, 0.75 is 18:00), so the day and the
// time are shifted apart.
TDateTime ShiftDays(TDateTime value, int64_t days) {
    TDateTime sum = value + static_cast<double>(days);
    if ((value < 0) == (sum < 0))
        return sum;
    Stamp s = ToStamp(value);
    return FromStamp(s.day + days, s.msec);
}

void CivilFromDayNumber(int64_t n, int& y, int& m, int& d) {
    // n = 1 is 0001-01-01; shift to days since 0000-03-01.
    int64_t z = n + 305;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

// Whole milliseconds since 0001-01-01 of a value, and back.
int64_t TotalMs(TDateTime value) {
    Stamp s = ToStamp(value);
    return s.day * static_cast<int64_t>(MSecsPerDay) + s.msec;
}

TDateTime FromTotalMs(int64_t ms) {
    constexpr int64_t perDay = static_cast<int64_t>(MSecsPerDay);
    int64_t day = ms >= 0 ? ms / perDay : -((-ms + perDay - 1) / perDay);
    return FromStamp(day, ms - day * perDay);
}

TDateTime ClampedDate(int y, int m, int d, TDateTime timeSource) {
    if (y < 1)
        y = 1;
    if (y > 9999)
        y = 9999;
    int dim = DaysInAMonth(y, m);
    if (d > dim)
        d = dim;
    if (d < 1)
        d = 1;
    return ComposeDateTime(EncodeDate(y, m, d), TimeOf(timeSource));
}

} // namespace

TDateTime SystemNow() {
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    struct tm lt;
    time_t secs = tv.tv_sec;
    localtime_r(&secs, &lt);
    return EncodeDate(lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday) +
           EncodeTime(lt.tm_hour, lt.tm_min, lt.tm_sec == 60 ? 59 : lt.tm_sec,
                      static_cast<int>(tv.tv_usec / 1000));
}

TDateTime Now() {
    const TClockFunc& f = ClockFunc();
    return f ? f() : SystemNow();
}

TDateTime Date() {
    return DateOf(Now());
}
TDateTime Time() {
    return TimeOf(Now());
}

void SetClock(TClockFunc clock) {
    ClockFunc() = std::move(clock);
}

std::optional<TZonedTime> PlaceLocalTime(TDateTime local) {
    int y, mo, d, h, mi, s, ms;
    DecodeDateTime(local, y, mo, d, h, mi, s, ms);
    std::tm t{};
    t.tm_year = y - 1900;
    t.tm_mon = mo - 1;
    t.tm_mday = d;
    t.tm_hour = h;
    t.tm_min = mi;
    t.tm_sec = s;
    t.tm_isdst = -1;
    std::time_t seconds = std::mktime(&t);
    if (seconds == static_cast<std::time_t>(-1))
        return std::nullopt;
    return TZonedTime{seconds, t.tm_gmtoff};
}

bool IsLeapYear(int year) {
    return (year % 4 == 0) && (year % 100 != 0 || year % 400 == 0);
}

int DaysInAMonth(int year, int month) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return days[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

int DaysInAYear(int year) {
    return IsLeapYear(year) ? 366 : 365;
}

bool IsValidDate(int year, int month, int day) {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= DaysInAMonth(year, month);
}

bool IsValidTime(int hour, int min, int sec, int msec) {
    if (hour == 24 && min == 0 && sec == 0 && msec == 0)
        return true;
    return hour >= 0 && hour < 24 && min >= 0 && min < 60 && sec >= 0 && sec < 60 && msec >= 0 &&
           msec < 1000;
}

bool TryEncodeDate(int year, int month, int day, TDateTime& value) {
    if (!IsValidDate(year, month, day))
        return false;
    value = static_cast<double>(DayNumber(year, month, day) - DateDelta);
    return true;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& value) {
    if (!IsValidTime(hour, min, sec, msec))
        return false;
    value = (hour * 3600000.0 + min * 60000.0 + sec * 1000.0 + msec) / MSecsPerDay;
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime v;
    if (!TryEncodeDate(year, month, day, v))
        throw EConvertError("Invalid argument to date encode");
    return v;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
    TDateTime v;
    if (!TryEncodeTime(hour, min, sec, msec, v))
        throw EConvertError("Invalid argument to time encode");
    return v;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec) {
    return ComposeDateTime(EncodeDate(year, month, day), EncodeTime(hour, min, sec, msec));
}

TDateTime ComposeDateTime(TDateTime date, TDateTime time) {
    return date < 0 ? date - time : date + time;
}

TDateParts DecodeDate(TDateTime value) {
    TDateParts p{};
    CivilFromDayNumber(ToStamp(value).day, p.Year, p.Month, p.Day);
    return p;
}

TTimeParts DecodeTime(TDateTime value) {
    int64_t ms = ToStamp(value).msec;
    TTimeParts p{};
    p.Hour = static_cast<int>(ms / 3600000);
    p.Minute = static_cast<int>(ms / 60000 % 60);
    p.Second = static_cast<int>(ms / 1000 % 60);
    p.MilliSecond = static_cast<int>(ms % 1000);
    return p;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
    TDateParts p = DecodeDate(value);
    year = p.Year;
    month = p.Month;
    day = p.Day;
}

void DecodeTime(TDateTime value, int& hour, int& min, int& sec, int& msec) {
    TTimeParts p = DecodeTime(value);
    hour = p.Hour;
    min = p.Minute;
    sec = p.Second;
    msec = p.MilliSecond;
}

void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& min, int& sec,
                    int& msec) {
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, min, sec, msec);
}

TDateTime DateOf(TDateTime value) {
    return FromStamp(ToStamp(value).day, 0);
}

TDateTime TimeOf(TDateTime value) {
    return ToStamp(value).msec / MSecsPerDay;
}

int YearOf(TDateTime value) {
    return DecodeDate(value).Year;
}
int MonthOf(TDateTime value) {
    return DecodeDate(value).Month;
}
int DayOf(TDateTime value) {
    return DecodeDate(value).Day;
}
int HourOf(TDateTime value) {
    return DecodeTime(value).Hour;
}
int MinuteOf(TDateTime value) {
    return DecodeTime(value).Minute;
}
int SecondOf(TDateTime value) {
    return DecodeTime(value).Second;
}
int MilliSecondOf(TDateTime value) {
    return DecodeTime(value).MilliSecond;
}

int DayOfWeek(TDateTime value) {
    // Day 1 (0001-01-01) was a Monday, day 7 a Sunday.
    int64_t day = ToStamp(value).day;
    return static_cast<int>(((day % 7) + 7) % 7) + 1;
}

int DayOfTheWeek(TDateTime value) {
    int d = DayOfWeek(value);
    return d == 1 ? 7 : d - 1;
}

int DayOfTheYear(TDateTime value) {
    Stamp s = ToStamp(value);
    int y, m, d;
    CivilFromDayNumber(s.day, y, m, d);
    return static_cast<int>(s.day - DayNumber(y, 1, 1) + 1);
}

int WeekOfTheYear(TDateTime value, int& isoYear) {
    // The ISO week belongs to the year of its Thursday.
    int64_t day = ToStamp(value).day;
    int iso = DayOfTheWeek(value);
    int64_t thursday = day - iso + 4;
    int y, m, d;
    CivilFromDayNumber(thursday, y, m, d);
    isoYear = y;
    return static_cast<int>((thursday - DayNumber(y, 1, 1)) / 7 + 1);
}

int WeekOfTheYear(TDateTime value) {
    int y;
    return WeekOfTheYear(value, y);
}

int WeeksInYear(int isoYear) {
    int y;
    return WeekOfTheYear(EncodeDate(isoYear, 12, 28), y);
}

TDateTime IncMonth(TDateTime value, int months) {
    TDateParts p = DecodeDate(value);
    int64_t total = static_cast<int64_t>(p.Year) * 12 + (p.Month - 1) + months;
    total = std::clamp<int64_t>(total, 12, 9999 * 12 + 11); // held within 0001-01..9999-12
    int y = static_cast<int>(total / 12);
    int m = static_cast<int>(total % 12) + 1;
    return ClampedDate(y, m, p.Day, value);
}

TDateTime IncYear(TDateTime value, int years) {
    return IncMonth(value, years * 12);
}
TDateTime IncWeek(TDateTime value, int weeks) {
    return ShiftDays(value, weeks * int64_t{7});
}
TDateTime IncDay(TDateTime value, int days) {
    return ShiftDays(value, days);
}
TDateTime IncHour(TDateTime value, int64_t hours) {
    return FromTotalMs(TotalMs(value) + hours * 3600000);
}
TDateTime IncMinute(TDateTime value, int64_t minutes) {
    return FromTotalMs(TotalMs(value) + minutes * 60000);
}
TDateTime IncSecond(TDateTime value, int64_t seconds) {
    return FromTotalMs(TotalMs(value) + seconds * 1000);
}

int64_t MilliSecondsBetween(TDateTime a, TDateTime b) {
    int64_t d = TotalMs(a) - TotalMs(b);
    return d < 0 ? -d : d;
}
int64_t SecondsBetween(TDateTime a, TDateTime b) {
    return MilliSecondsBetween(a, b) / 1000;
}
int64_t MinutesBetween(TDateTime a, TDateTime b) {
    return MilliSecondsBetween(a, b) / 60000;
}
int64_t HoursBetween(TDateTime a, TDateTime b) {
    return MilliSecondsBetween(a, b) / 3600000;
}
int64_t DaysBetween(TDateTime a, TDateTime b) {
    return MilliSecondsBetween(a, b) / static_cast<int64_t>(MSecsPerDay);
}

TDateTime RecodeYear(TDateTime value, int year) {
    TDateParts p = DecodeDate(value);
    return ClampedDate(year, p.Month, p.Day, value);
}

TDateTime RecodeMonth(TDateTime value, int month) {
    TDateParts p = DecodeDate(value);
    if (month < 1 || month > 12)
        throw EConvertError("Invalid argument to date encode");
    return ClampedDate(p.Year, month, p.Day, value);
}

TDateTime RecodeDay(TDateTime value, int day) {
    TDateParts p = DecodeDate(value);
    return ClampedDate(p.Year, p.Month, day, value);
}

TDateTime RecodeTime(TDateTime value, int hour, int min, int sec, int msec) {
    return ComposeDateTime(DateOf(value), EncodeTime(hour, min, sec, msec));
}

bool SameDate(TDateTime a, TDateTime b) {
    return ToStamp(a).day == ToStamp(b).day;
}

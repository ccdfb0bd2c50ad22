#pragma once
// Date and time texts the windows show and read: relative day names, the date groups of
// the reminders list, a typed time of day, and small date and locale helpers. "Now" comes
// from Now(); the user's settings are passed in (LocaleSettings() by default).

#include <string>
#include <string_view>

#include "platform/datetime.h"
#include "platform/formatsettings.h"

// The serials of 0001-01-01 and of the day after 9999-12-31: the calendar the date routines
// cover.
constexpr TDateTime FirstCalendarDay = -693593;
constexpr TDateTime EndOfCalendar = 2958466;
// True when value is a serial of the years 1..9999 (false for a value that is no number).
bool InCalendarRange(TDateTime value);

// Value minus its whole days: the time of day (for dates before 1899-12-30 as well), 0..1.
TDateTime TimePart(TDateTime value);
// True when the time of day is above 1e-13 day.
bool HasTimePart(TDateTime value);

// Value with milliseconds (dropMilliseconds) or seconds and milliseconds (dropSeconds)
// zeroed; the date stays. Values outside the years 1..9999 come back unchanged.
TDateTime TrimTimePrecision(bool dropSeconds, bool dropMilliseconds, TDateTime value);

// The settings' long time format without its seconds ("h:mm:ss AMPM" -> "h:mm AMPM").
std::string LocaleTimeFormatNoSeconds(const TFormatSettings& fs = LocaleSettings());

// The first day of the week: 1 = Monday .. 7 = Sunday.
int LocaleFirstDayOfWeek(const TFormatSettings& fs = LocaleSettings());

// Number of ASCII digits in text.
int CountDigits(std::string_view text);

// Option bits of RelativeDayName.
enum TRelativeDayOptions : int {
    rdoTimeOnlyForToday = 1, // today's times as the short time alone
    rdoToday = 2,            // "today"
    rdoTomorrow = 4,         // "tomorrow"
    rdoYesterday = 8,        // "yesterday"
    rdoWeekdayNames = 16,    // weekday names within this (ISO) week
};

// A day's name relative to the day of now: "today", "tomorrow 09:00", "Friday (3/14/2025)"
// or the short date; addTime appends the short time when date has one, addDate the short
// date in brackets. 0 gives the empty text.
std::string RelativeDayName(int options, bool addTime, bool addDate, TDateTime date, TDateTime now,
                            const TFormatSettings& fs = LocaleSettings());

// The values ClassifyDateGroup hands back for each group.
struct TDateGroupValues {
    int Today, Tomorrow, Monday, Earlier, Later, NextMonth, ThisMonth, NextWeek, Sunday, Saturday,
        Friday, Thursday, Wednesday, Tuesday;
};

// The date range that date falls in, seen from the day of now: earlier, today, tomorrow, a
// later weekday of this ISO week, next week, later this month, next month, or later. Weeks
// are compared as (ISO year, ISO week) pairs.
int ClassifyDateGroup(const TDateGroupValues& values, TDateTime date, TDateTime now);

// ClassifyDateGroup's ranges worked out once, seen from the day of now, for many dates.
class TDateGroupClassifier {
public:
    explicit TDateGroupClassifier(TDateTime now);
    // As ClassifyDateGroup with now's day as today.
    int Classify(const TDateGroupValues& values, TDateTime date) const;

private:
    double today_;          // whole days
    double weekStart_;      // Monday of today's ISO week
    double nextMonth_;      // the first day of next month
    double monthAfterNext_; // the first day of the month after next
};

// The reminders list's groups: 0 today, 1 tomorrow, 2..8 Monday..Sunday of this week,
// 9 next week, 10 later this month, 11 next month, 12 later, 13 earlier; seen from the day
// of now.
int DateGroupIndex(TDateTime date, TDateTime now);
// The same, seen from the day groups was made for.
int DateGroupIndex(TDateTime date, const TDateGroupClassifier& groups);

// A typed time of day: "930", "9:30", "3p", "12" (noon with a 12-hour format), "now", or a
// span from now ("in 2h", "+15", any text containing "in"), which may pass midnight.
// Raises Exception "\"<text>\" is not a valid time " when the text is no time.
TDateTime ParseTimeText(std::string_view text, bool allowSeconds,
                        const TFormatSettings& fs = LocaleSettings());

// Empty for 0; otherwise value formatted with dateTimeFormat when it has a time of day,
// else with dateFormat.
std::string FormatDateTimeOrEmpty(std::string_view dateFormat, std::string_view dateTimeFormat,
                                  TDateTime value, const TFormatSettings& fs = LocaleSettings());

// The time of day formatted with timeFormat, or empty when value has none.
std::string FormatTimeOrEmpty(std::string_view timeFormat, TDateTime value,
                              const TFormatSettings& fs = LocaleSettings());

#pragma once
// The dates a data file may hold, and the spans and steps from which the program computes
// dates. Both readers check every one of them in what they take in: a date outside the years 1
// to 9999 (or no number at all) would fire at once or lie thousands of years ahead, and could
// be neither shown nor written back as a date; a longer span or step would compute such a date.
// Counts (occurrences, alerts so far, the repetition limit) compute no date and take any value.

#include <functional>
#include <string>
#include <vector>

#include "core/datetexts.h"
#include "core/tockwellitem.h"

// The longest span a data file may hold, either way, in days: the whole calendar of the years 1
// to 9999. Used for the repetition interval, the hourly step and its random upper bound.
inline constexpr TDateTime MaxDataFileSpan = EndOfCalendar - FirstCalendarDay; // 3652059
// The largest recurrence interval, in the pattern's unit (days, weeks, months or years): a
// step of the calendar's days, which no unit needs to exceed.
inline constexpr int MaxDataFileInterval = static_cast<int>(MaxDataFileSpan);

// The last moment of 9999-12-31 that the XML form still writes as a moment of that day: it
// writes 15 significant digits, which leave 8 decimals for days of seven digits; a later moment
// would be written as the day after.
inline constexpr TDateTime LastDataFileMoment = EndOfCalendar - 1e-8;

// True for 0 (no date) and every moment of the years 1 to 9999 up to LastDataFileMoment; false
// for NaN and infinities.
bool IsDataFileDate(TDateTime value);
// True for spans of at most MaxDataFileSpan days either way; false for NaN and infinities.
bool IsDataFileSpan(TDateTime span);

// The values DropValuesOutOfRange checks, for a reader to find the text that held one.
enum class TDataFileValue {
    Created,
    Updated,
    AlertTime,
    NextAlert,
    LastAlert,
    RepetitionInterval,
    RecurrenceStart,
    RecurrenceEnd,
    HourlyStep,
    HourlyStepRandomTo,
};
// How a message names a refused value: the text the file holds for it, given which value it is
// and the number read.
using TValueNamer = std::function<std::string(TDataFileValue which, double value)>;

// "%.17g" of value: enough digits to read back as the same double, which is how a binary file
// holds it.
std::string ExactNumberText(double value);

// "<what> <valueText> is not a date of the years 1 to 9999".
std::string DateOutOfRangeMessage(const char* what, const std::string& valueText);

// Each date of the reminder record that IsDataFileDate refuses (the alert time, the next alert,
// the last alert, the recurrence's start and end) becomes 0, no date; a repetition interval
// that IsDataFileSpan refuses turns repetition off with interval 0; a recurrence interval above
// MaxDataFileInterval becomes 1, an hourly step that IsDataFileSpan refuses one hour, its random
// upper bound 0; a day of the month, month or instance outside its setter's range (which only
// the stream record holds) becomes 1. Returns a message naming each value refused (none when
// every value was sound), a date or span by what name gives for it.
std::vector<std::string> DropValuesOutOfRange(TReminderItem& reminder, const TValueNamer& name);
// The same for an entry: its created and updated times, then its reminder record.
std::vector<std::string> DropValuesOutOfRange(TTockwellItem& item, const TValueNamer& name);

// "Reminder <number>" with the caption in quotes when there is one, cut to 40 bytes: where
// a reader's message about one entry says it stands.
std::string DataFileEntryPlace(int number, const std::string& caption);

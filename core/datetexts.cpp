#include "core/datetexts.h"

#include <cmath>

#include "core/durationtexts.h"
#include "platform/datetimeformat.h"
#include "platform/sysutils.h"

namespace {

// The (ISO year, ISO week) of a day, as one comparable number.
int IsoWeekKey(TDateTime day) {
    int isoYear = 0;
    int week = WeekOfTheYear(day, isoYear);
    return isoYear * 100 + week;
}

// True when a time pattern writes a 12-hour clock ("am/pm", "a/p", "ampm"), quoted text aside.
bool IsTwelveHourFormat(std::string_view format) {
    char quote = 0;
    for (char c : format) {
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == 'a' || c == 'A') {
            return true;
        }
    }
    return false;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

bool InCalendarRange(TDateTime value) {
    return value >= FirstCalendarDay && value < EndOfCalendar;
}

TDateTime TimePart(TDateTime value) {
    return std::fabs(value - std::trunc(value));
}

bool HasTimePart(TDateTime value) {
    return TimePart(value) > 1e-13;
}

TDateTime TrimTimePrecision(bool dropSeconds, bool dropMilliseconds, TDateTime value) {
    if (!InCalendarRange(value))
        return value;
    int y, mo, d, h, mi, s, ms;
    DecodeDateTime(value, y, mo, d, h, mi, s, ms);
    if (dropSeconds)
        s = 0;
    if (dropSeconds || dropMilliseconds)
        ms = 0;
    TDateTime result;
    TDateTime time;
    if (!TryEncodeDate(y, mo, d, result) || !TryEncodeTime(h, mi, s, ms, time))
        return value;
    return ComposeDateTime(result, time);
}

std::string LocaleTimeFormatNoSeconds(const TFormatSettings& fs) {
    std::string format = fs.LongTimeFormat;
    for (const char* seconds : {"ss", "SS", "s", "S"})
        format = ReplaceText(format, fs.TimeSeparator + seconds, "");
    return format;
}

int LocaleFirstDayOfWeek(const TFormatSettings& fs) {
    return fs.FirstDayOfWeek + 1;
}

int CountDigits(std::string_view text) {
    int n = 0;
    for (char c : text)
        n += IsDigit(c) ? 1 : 0;
    return n;
}

std::string RelativeDayName(int options, bool addTime, bool addDate, TDateTime date, TDateTime now,
                            const TFormatSettings& fs) {
    if (date == 0 || !InCalendarRange(date))
        return "";
    double d = std::trunc(date);
    double today = std::trunc(now);
    bool timed = HasTimePart(date);
    if ((options & rdoTimeOnlyForToday) && d == today && timed)
        return FormatDateTime("t", date, fs);
    std::string time = addTime && timed ? " " + FormatDateTime("t", date, fs) : "";
    std::string suffix = addDate ? " (" + FormatDateTime("ddddd", d, fs) + ")" : "";
    if ((options & rdoToday) && d == today)
        return "today" + suffix + time;
    if ((options & rdoTomorrow) && d == today + 1)
        return "tomorrow" + suffix + time;
    if ((options & rdoYesterday) && d == today - 1)
        return "yesterday" + suffix + time;
    if ((options & rdoWeekdayNames) && IsoWeekKey(d) == IsoWeekKey(today))
        return FormatDateTime("dddd", d, fs) + suffix + time;
    return FormatDateTime("ddddd", d, fs) + time;
}

TDateGroupClassifier::TDateGroupClassifier(TDateTime now) {
    today_ = std::trunc(now);
    weekStart_ = today_ - (DayOfTheWeek(today_) - 1);
    TDateParts tp = DecodeDate(today_);
    const TDateTime first = EncodeDate(tp.Year, tp.Month, 1);
    nextMonth_ = IncMonth(first, 1);
    monthAfterNext_ = IncMonth(first, 2);
}

int TDateGroupClassifier::Classify(const TDateGroupValues& values, TDateTime date) const {
    if (!InCalendarRange(date))
        return date > 0 ? values.Later : values.Earlier; // no number: earlier
    const double d = std::trunc(date);
    if (d < today_)
        return values.Earlier;
    if (d == today_)
        return values.Today;
    if (d == today_ + 1)
        return values.Tomorrow;
    // ISO weeks run from Monday to Sunday.
    if (d <= weekStart_ + 6) {
        const int weekdays[] = {values.Monday, values.Tuesday,  values.Wednesday, values.Thursday,
                                values.Friday, values.Saturday, values.Sunday};
        return weekdays[static_cast<int>(d - weekStart_)];
    }
    if (d <= weekStart_ + 13)
        return values.NextWeek;
    if (d < nextMonth_)
        return values.ThisMonth;
    if (d < monthAfterNext_)
        return values.NextMonth;
    return values.Later;
}

int ClassifyDateGroup(const TDateGroupValues& values, TDateTime date, TDateTime now) {
    return TDateGroupClassifier(now).Classify(values, date);
}

namespace {

const TDateGroupValues DateGroupIndexValues{0, 1, 2, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3};

} // namespace

int DateGroupIndex(TDateTime date, TDateTime now) {
    return ClassifyDateGroup(DateGroupIndexValues, date, now);
}

int DateGroupIndex(TDateTime date, const TDateGroupClassifier& groups) {
    return groups.Classify(DateGroupIndexValues, date);
}

TDateTime ParseTimeText(std::string_view text, bool allowSeconds, const TFormatSettings& fs) {
    std::string t = LowerCase(Trim(text));
    if (t.find("in") != std::string::npos || t.find('+') != std::string::npos)
        return Time() + ParseDuration(t, allowSeconds, fs);
    if (t.find("now") != std::string::npos)
        return Time();

    bool markerTyped = false;
    std::string marker;
    if (t.find('a') != std::string::npos) {
        marker = fs.TimeAMString;
        markerTyped = true;
    }
    if (t.find('p') != std::string::npos) {
        marker = fs.TimePMString;
        markerTyped = true;
    }

    std::string groups[3];
    if (t.size() == 3 && IsDigit(t[0]) && IsDigit(t[1]) && IsDigit(t[2])) {
        groups[0] = t.substr(0, 1);
        groups[1] = t.substr(1);
    } else {
        int g = 0;
        for (char c : t) {
            if (IsDigit(c)) {
                if (groups[g].size() == 2 && ++g == 3)
                    break;
                groups[g] += c;
            } else if (!groups[g].empty() && ++g == 3) {
                break;
            }
        }
    }
    for (std::string& group : groups)
        if (group.empty())
            group = "0";
    if (!allowSeconds)
        groups[2] = "00";

    if (IsTwelveHourFormat(fs.ShortTimeFormat)) {
        int h = std::stoi(groups[0]);
        if (h == 0 || h > 12)
            marker.clear();
        else if (!markerTyped)
            marker = h == 12 || h <= 5 ? fs.TimePMString : fs.TimeAMString;
    }

    const std::string& sep = fs.TimeSeparator;
    std::string composed = Trim(groups[0] + sep + groups[1] + sep + groups[2] + " " + marker);
    TDateTime value;
    if (!TryStrToTime(composed, value, fs))
        throw Exception("\"" + composed + "\" is not a valid time ");
    return value;
}

std::string FormatDateTimeOrEmpty(std::string_view dateFormat, std::string_view dateTimeFormat,
                                  TDateTime value, const TFormatSettings& fs) {
    if (value == 0)
        return "";
    return FormatDateTime(HasTimePart(value) ? dateTimeFormat : dateFormat, value, fs);
}

std::string FormatTimeOrEmpty(std::string_view timeFormat, TDateTime value,
                              const TFormatSettings& fs) {
    if (!HasTimePart(value))
        return "";
    return FormatDateTime(timeFormat, TimePart(value), fs);
}

#include "core/durationtexts.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/datetimeformat.h"
#include "platform/sysutils.h"

namespace {

// Unit counts above this are clamped: far beyond any useful span, far below int64 overflow.
constexpr double MaxUnitCount = 1e12;

// A typed unit's value: the number text read with the settings, 0 when it is none.
double UnitValue(const std::string& text, const TFormatSettings& fs) {
    if (text.empty())
        return 0;
    double v = 0;
    if (!TryStrToFloat(text, v, fs) || !std::isfinite(v) || v < 0)
        return 0;
    return std::min(v, MaxUnitCount);
}

// Whole part of a product of a fraction, tolerant of binary rounding (0.2 * 60 is 12, not 11).
int64_t WholeOf(double v) {
    return static_cast<int64_t>(std::trunc(v + 1e-9));
}

double Frac(double v) {
    return v - std::trunc(v);
}

} // namespace

TDateTime ParseDuration(std::string_view text, bool allowSeconds, const TFormatSettings& fs) {
    const std::string& dec = fs.DecimalSeparator;
    // A decimal separator followed by a blank ends a sentence, it is no decimal point.
    std::string s = ReplaceText(LowerCase(Trim(text)), dec + " ", "  ");
    if (s.empty())
        return 0;

    enum { Weeks, Days, Hours, Months, Minutes, Seconds, UnitCount };
    std::string units[UnitCount];
    std::string buffer;
    auto commit = [&](char unit, char next) {
        if (buffer.empty())
            return;
        int slot;
        switch (unit) {
        case 'w':
            slot = Weeks;
            break;
        case 'd':
            slot = Days;
            break;
        case 'h':
            slot = Hours;
            break;
        case 'm':
            slot = next == 'o' ? Months : Minutes;
            break;
        case 's':
            slot = Seconds;
            break;
        default:
            slot = UnitValue(buffer, fs) < 2 ? Hours : Minutes;
            break;
        }
        units[slot] = buffer;
        buffer.clear();
    };

    bool separated = false;
    for (size_t i = 0; i < s.size();) {
        char c = s[i];
        bool isDecimal = !dec.empty() && s.compare(i, dec.size(), dec) == 0;
        if ((c >= '0' && c <= '9') || isDecimal) {
            if (separated)
                commit(0, 0);
            size_t n = isDecimal ? dec.size() : 1;
            buffer.append(s, i, n);
            i += n;
            separated = false;
        } else if (c == ' ' || c == ',' || c == '.' || c == ';') {
            separated = true;
            ++i;
        } else {
            separated = false;
            commit(c, i + 1 < s.size() ? s[i + 1] : 0);
            ++i;
        }
    }
    commit(0, 0);

    double weeks = UnitValue(units[Weeks], fs), days = UnitValue(units[Days], fs);
    double hours = UnitValue(units[Hours], fs), months = UnitValue(units[Months], fs);
    double minutes = UnitValue(units[Minutes], fs), seconds = UnitValue(units[Seconds], fs);

    int64_t d = WholeOf(months * 28) + WholeOf(weeks * 7) + WholeOf(days);
    int64_t h = WholeOf(hours) + WholeOf(Frac(days) * 24);
    int64_t m = WholeOf(minutes) + WholeOf(Frac(hours) * 60);
    int64_t sec = WholeOf(seconds) + WholeOf(Frac(minutes) * 60);

    m += sec / 60;
    sec %= 60;
    h += m / 60;
    m %= 60;
    d += h / 24;
    h %= 24;
    if (!allowSeconds)
        sec = 0;
    return static_cast<double>(d) +
           EncodeTime(static_cast<int>(h), static_cast<int>(m), static_cast<int>(sec), 0);
}

std::string PluralSuffix(long long count) {
    return count > 1 ? "s" : "";
}

std::string ListSeparatorIfNotEmpty(std::string_view text) {
    return text.empty() ? "" : ", ";
}

std::string FormatDuration(bool useDays, bool useWeeks, bool approximate, bool showSeconds,
                           TDateTime value) {
    double v = std::fabs(value);
    if (!(v > 0))
        return "";
    constexpr int64_t msPerDay = static_cast<int64_t>(MSecsPerDay);
    int64_t total = std::llround(std::min(v, 1e9) * MSecsPerDay);
    int64_t days = total / msPerDay;
    int64_t rest = total % msPerDay;
    int64_t weeks = 0;
    if (useDays && useWeeks) {
        weeks = days / 7;
        days -= weeks * 7;
    }
    int64_t hours = rest / 3600000;
    int64_t minutes = rest / 60000 % 60;
    int64_t seconds = rest / 1000 % 60;
    if (!useDays) {
        hours += 24 * days;
        days = 0;
    }

    // A unit that rounds up the one above it is used up, so a later carry cannot count it twice.
    if (approximate && days > 0 && hours >= 12) {
        ++days;
        hours = minutes = seconds = 0;
    }
    if (approximate && hours > 0 && minutes >= 31) {
        ++hours;
        minutes = seconds = 0;
    }
    if (!showSeconds && seconds >= 30)
        ++minutes;
    // Rounding may fill a unit; it then carries into the next ("2 hours", not "1 hour, 60 min").
    if (minutes == 60) {
        minutes = 0;
        ++hours;
    }
    if (useDays && hours == 24) {
        hours = 0;
        ++days;
    }
    if (useDays && useWeeks && days == 7) {
        days = 0;
        ++weeks;
    }

    std::string s;
    auto add = [&](int64_t count, const char* unit, bool plural) {
        if (count == 0 || (approximate && !s.empty()))
            return;
        s += ListSeparatorIfNotEmpty(s) + std::to_string(count) + " " + unit;
        if (plural)
            s += PluralSuffix(count);
    };
    add(weeks, "week", true);
    add(days, "day", true);
    add(hours, "hour", true);
    add(minutes, "min", false);
    if (showSeconds)
        add(seconds, "sec", false);
    return s;
}

std::string FormatDueIn(TDateTime now, TDateTime due) {
    if (due == 0)
        return "";
    std::string s = FormatDuration(true, true, false, false, std::fabs(due - now));
    if (s.empty())
        return "now";
    if (due < now)
        s += " overdue";
    return s;
}

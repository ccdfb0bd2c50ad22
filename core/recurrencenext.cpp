// The next-occurrence computation of TRecurrencePattern: one step rule per kind, the end
// test, and the hourly step held to a place's open hours.

#include <algorithm>
#include <climits>
#include <cmath>

#include "core/datetexts.h"
#include "core/recurrencepattern.h"

namespace {

constexpr int64_t MaxYear = 9999;
// More minutes than the calendar holds; spans are clamped to it before converting.
constexpr double MaxSpanMinutes = 6.0e9;

TDateTime WholeDays(TDateTime value) {
    return std::trunc(value);
}

void CheckMonth(int month) {
    if (month < 1 || month > 12)
        throw TExRecurrencePattern("MonthOfYear out of range");
}

// The first day of the month `months` after year/month; EndOfCalendar past year 9999.
TDateTime AddMonthsToFirst(int year, int month, int64_t months, int& newYear, int& newMonth) {
    int64_t total = int64_t(year) * 12 + (month - 1) + months;
    if (total / 12 > MaxYear || total < 12)
        return EndOfCalendar;
    newYear = static_cast<int>(total / 12);
    newMonth = static_cast<int>(total % 12) + 1;
    return EncodeDate(newYear, newMonth, 1);
}

// day of year/month, or the month's last day when the month has no such day.
TDateTime DayOrLastDay(int year, int month, int day) {
    CheckMonth(month);
    int last = DaysInAMonth(year, month);
    return EncodeDate(year, month, day >= 1 && day <= last ? day : last);
}

// date moved by whole months, its day kept or clamped to the target month's length.
TDateTime AddMonthsClamped(TDateTime date, int64_t months) {
    TDateParts p = DecodeDate(date);
    int y = 0, m = 0;
    if (AddMonthsToFirst(p.Year, p.Month, months, y, m) >= EndOfCalendar)
        return EndOfCalendar;
    return DayOrLastDay(y, m, p.Day);
}

} // namespace

bool TRecurrencePattern::IsDayInMask(TDateTime date) const {
    return (dayOfWeekMask_ >> DayOfWeek(date)) & 1;
}

bool TRecurrencePattern::IsPastEnd(TDateTime date) const {
    if (IsEndless())
        return false;
    TDateTime endDay = GetPatternEndDate();
    if (endDay == 0)
        return occurrences_ >= 1 && generatedCount_ > occurrences_;
    return WholeDays(date) > endDay;
}

TDateTime TRecurrencePattern::NextWeekly(TDateTime date, bool forceStep) const {
    if (useCompletionDate_)
        return date + 7.0 * interval_;
    // Bit 0 names no weekday: a mask without bits 1..7 could never be met.
    if ((dayOfWeekMask_ & DayOfWeekBits) == 0)
        throw TExRecurrencePattern("DayOfWeekMask is empty");
    if (!forceStep && IsDayInMask(date))
        return date;
    do {
        if (DayOfWeek(date) == 7)
            date = date - 6 + 7.0 * interval_; // the Sunday opening the week Interval weeks on
        else
            date += 1;
    } while (InCalendarRange(date) && !IsDayInMask(date));
    return date;
}

TDateTime TRecurrencePattern::NextByDayOfMonth(TDateTime date, bool yearly, bool forceStep) const {
    int64_t step = yearly ? int64_t(interval_) * 12 : interval_;
    if (useCompletionDate_)
        return AddMonthsClamped(date, step);
    TDateParts p = DecodeDate(date);
    int month = yearly ? monthOfYear_ : p.Month;
    TDateTime candidate = DayOrLastDay(p.Year, month, dayOfMonth_);
    if (candidate < date || (forceStep && candidate == date)) {
        int y = 0, m = 0;
        if (AddMonthsToFirst(p.Year, month, step, y, m) >= EndOfCalendar)
            return EndOfCalendar;
        candidate = DayOrLastDay(y, yearly ? monthOfYear_ : m, dayOfMonth_);
    }
    return candidate;
}

TDateTime TRecurrencePattern::NextByNthWeekday(TDateTime date, bool yearly, bool forceStep) const {
    TDateParts p = DecodeDate(date);
    int month = yearly ? monthOfYear_ : p.Month;
    CheckMonth(month);
    TDateTime candidate = NthWeekdayInMonth(p.Year, month);
    if (candidate < date || (forceStep && candidate == date)) {
        int y = 0, m = 0;
        int64_t step = yearly ? int64_t(interval_) * 12 : interval_;
        if (AddMonthsToFirst(p.Year, month, step, y, m) >= EndOfCalendar)
            return EndOfCalendar;
        candidate = NthWeekdayInMonth(y, m);
    }
    return candidate;
}

TDateTime TRecurrencePattern::NthWeekdayInMonth(int year, int month) const {
    CheckMonth(month);
    int days = DaysInAMonth(year, month);
    TDateTime first = EncodeDate(year, month, 1);
    if (patternInstance_ >= 5) {
        for (int d = days; d >= 1; --d)
            if (IsDayInMask(first + d - 1))
                return first + d - 1;
        return first;
    }
    int found = 0;
    for (int d = 1; d <= days; ++d)
        if (IsDayInMask(first + d - 1) && ++found == patternInstance_)
            return first + d - 1;
    return first + days - 1;
}

TDateTime TRecurrencePattern::RandomHourlyDelta(TDateTime referenceDate,
                                                const TRandomFunc& random) const {
    // Whole minutes, with a tolerance well below a millisecond so that a span that went
    // through the 9-decimal number text (10 minutes as 0.006944444) keeps its minute.
    auto minutes = [](TDateTime span) {
        double m = std::trunc(span * MinsPerDay + (span >= 0 ? 1e-5 : -1e-5));
        if (!std::isfinite(m))
            m = 0;
        return static_cast<int64_t>(std::clamp(m, -MaxSpanMinutes, MaxSpanMinutes)) + 1;
    };
    int64_t lo = minutes(hourlyDelta_);
    int64_t hi = minutes(hourlyDeltaRandomTo_);
    if (lo > hi)
        std::swap(lo, hi);
    int64_t n = lo;
    if (hi > lo) {
        int64_t r = random ? random(hi - lo) : RecurrenceRandom(hi - lo);
        n += std::clamp<int64_t>(r, 0, hi - lo - 1);
    }
    return referenceDate + n / MinsPerDay;
}

TDateTime TRecurrencePattern::AdvanceToOpenHours(TDateTime t) const {
    if (!schedule_ || schedule_->IsOpen(t, true))
        return t;
    if (!InCalendarRange(t))
        return 0;
    // Walk the grid's slots after t's own, once round the week; the answer is the start of
    // the first open one, so even a single five-minute opening is found.
    const TDateTime midnight = DateOf(t);
    const int day = DayOfWeek(t) - 1;
    const int slot = static_cast<int>(std::llround(TimeOf(t) * MSecsPerDay) / 60000) / 5;
    for (int k = slot + 1; k < slot + OpenHoursGridSize; ++k) {
        if (!schedule_->GetSlot((day + k / SlotsPerDay) % DaysPerWeek, k % SlotsPerDay))
            continue;
        const TDateTime x =
            ComposeDateTime(midnight + k / SlotsPerDay,
                            TTaskPlaceOpenCloseSchedule::SlotStartTime(k % SlotsPerDay));
        return InCalendarRange(x) ? x : 0;
    }
    return 0;
}

TDateTime TRecurrencePattern::StepOnce(TDateTime date, TDateTime& keptTime, bool forceStep,
                                       TDateTime referenceDate, const TRandomFunc& random) const {
    switch (recurrenceType_) {
    case rtDaily:
        return date + interval_;
    case rtWeekly:
        return NextWeekly(date, forceStep);
    case rtMonthly:
        return NextByDayOfMonth(date, false, forceStep);
    case rtMonthNth:
        return NextByNthWeekday(date, false, forceStep);
    case rtYearly:
        return NextByDayOfMonth(date, true, forceStep);
    case rtYearNth:
        return NextByNthWeekday(date, true, forceStep);
    case rtHourly: {
        TDateTime t = hourlyDeltaRandomTo_ == 0 ? referenceDate + hourlyDelta_
                                                : RandomHourlyDelta(referenceDate, random);
        if (!InCalendarRange(t))
            return EndOfCalendar;
        if (schedule_) {
            t = AdvanceToOpenHours(t);
            if (t == 0) // closed all week: no further occurrence
                return EndOfCalendar;
        }
        keptTime = TimeOf(t);
        return t;
    }
    default:
        throw TExRecurrencePattern("Unknown RecurrenceType.");
    }
}

TDateTime TRecurrencePattern::NextOccurrence(bool count, bool forceStep, TDateTime dueDate,
                                             TDateTime referenceDate, int steps,
                                             const TRandomFunc& random) {
    TDateTime base;
    TDateTime keptTime;
    if (useCompletionDate_) {
        base = referenceDate;
        keptTime = HasTimePart(dueDate) && InCalendarRange(base) ? TimeOf(base) : 0;
    } else {
        base = dueDate;
        keptTime = InCalendarRange(base) ? TimeOf(base) : 0;
    }
    // A starting point outside the calendar has no next occurrence.
    if (!InCalendarRange(base))
        return 0;
    TDateTime date = WholeDays(base);
    if (steps <= 0)
        return date;
    for (int i = 0; i < steps; ++i) {
        bool counted = count && generatedCount_ < INT_MAX;
        if (counted)
            ++generatedCount_;
        date = StepOnce(date, keptTime, forceStep, referenceDate, random);
        // A step past year 9999 or a place that never opens ends the pattern, as does the end
        // test; the step is then not counted.
        bool ended = !InCalendarRange(date);
        if (!ended) {
            date = ComposeDateTime(WholeDays(date), keptTime);
            ended = IsPastEnd(date);
        }
        if (ended) {
            if (counted)
                --generatedCount_;
            return 0;
        }
    }
    return date;
}

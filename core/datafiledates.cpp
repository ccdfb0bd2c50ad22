#include "core/datafiledates.h"

#include <cmath>

#include "core/recurrencepattern.h"
#include "platform/sysutils.h"

namespace {

// Checks a record's dates and spans, noting each refused value as the file holds it.
class TValueCheck {
public:
    explicit TValueCheck(const TValueNamer& name) : name_(name) {}

    // Notes what and its value when value is no data file date; true then.
    bool DateRefused(const char* what, TDataFileValue which, TDateTime value) {
        if (IsDataFileDate(value))
            return false;
        problems.push_back(DateOutOfRangeMessage(what, name_(which, value)));
        return true;
    }

    // The same for a span.
    bool SpanRefused(const char* what, TDataFileValue which, TDateTime span) {
        if (IsDataFileSpan(span))
            return false;
        problems.push_back(Format("%s %s is not a span of at most %.0f days", what,
                                  name_(which, span).c_str(), MaxDataFileSpan));
        return true;
    }

    std::vector<std::string> problems;

private:
    const TValueNamer& name_;
};

} // namespace

bool IsDataFileDate(TDateTime value) {
    return value >= FirstCalendarDay && value <= LastDataFileMoment; // false for NaN
}

bool IsDataFileSpan(TDateTime span) {
    return std::fabs(span) <= MaxDataFileSpan; // false for NaN
}

std::string ExactNumberText(double value) {
    return Format("%.17g", value);
}

std::string DateOutOfRangeMessage(const char* what, const std::string& valueText) {
    return Format("%s %s is not a date of the years 1 to 9999", what, valueText.c_str());
}

std::vector<std::string> DropValuesOutOfRange(TReminderItem& r, const TValueNamer& name) {
    using enum TDataFileValue;
    TValueCheck check(name);
    if (check.DateRefused("the alert time", AlertTime, r.GetReminderDateTime()))
        r.SetReminderDateTimeValue(0);
    if (check.DateRefused("the next alert", NextAlert, r.GetNextAlertDateTime()))
        r.SetNextAlertDateTime(0);
    if (check.DateRefused("the last alert", LastAlert, r.GetLatestAlertDateTime()))
        r.SetLatestAlertDateTime(0);
    if (check.SpanRefused("the repetition interval", RepetitionInterval, r.GetAutoAlertDelta()))
        r.SetAutoAlert(false, 0);
    if (r.HasRecurrencePattern()) {
        TRecurrencePattern& p = r.RecurrencePattern();
        if (check.DateRefused("the recurrence start", RecurrenceStart, p.GetPatternStartDate()))
            p.SetPatternStartDate(0);
        if (check.DateRefused("the recurrence end", RecurrenceEnd, p.GetPatternEndDate()))
            p.SetPatternEndDate(0);
        if (p.GetInterval() > MaxDataFileInterval) {
            check.problems.push_back(
                Format("the recurrence interval %d is not an interval of at most %d",
                       p.GetInterval(), MaxDataFileInterval));
            p.SetInterval(1);
        }
        if (check.SpanRefused("the hourly step", HourlyStep, p.GetHourlyDelta()))
            p.SetHourlyDelta(OneHour);
        if (check.SpanRefused("the hourly step's random upper bound", HourlyStepRandomTo,
                              p.GetHourlyDeltaRandomTo()))
            p.SetHourlyDeltaRandomTo(0);
        for (std::string& more : p.ResetFieldsOutOfRange())
            check.problems.push_back(std::move(more));
    }
    return std::move(check.problems);
}

std::vector<std::string> DropValuesOutOfRange(TTockwellItem& item, const TValueNamer& name) {
    TValueCheck check(name);
    if (check.DateRefused("the created time", TDataFileValue::Created, item.Created))
        item.Created = 0;
    if (check.DateRefused("the updated time", TDataFileValue::Updated, item.Updated))
        item.Updated = 0;
    if (item.HasReminder())
        for (std::string& more : DropValuesOutOfRange(item.GetReminder(), name))
            check.problems.push_back(std::move(more));
    return std::move(check.problems);
}

std::string DataFileEntryPlace(int number, const std::string& caption) {
    std::string place = Format("Reminder %d", number);
    if (caption.empty())
        return place;
    constexpr size_t MaxCaption = 40;
    const std::string_view kept = Utf8BytePrefix(caption, MaxCaption);
    return place + " \"" + std::string(kept) + (kept.size() < caption.size() ? "..." : "") + "\"";
}

#include "core/datafiledates.h"

#include <cmath>

#include "core/recurrencepattern.h"
#include "platform/sysutils.h"

namespace {

// Notes what and its value in problems when value is no data file date; true then.
bool Refused(std::vector<std::string>& problems, const char* what, TDateTime value) {
    if (IsDataFileDate(value))
        return false;
    problems.push_back(DateOutOfRangeMessage(what, value));
    return true;
}

// The same for a span.
bool SpanRefused(std::vector<std::string>& problems, const char* what, TDateTime span) {
    if (IsDataFileSpan(span))
        return false;
    problems.push_back(
        Format("%s %.15g is not a span of at most %.0f days", what, span, MaxDataFileSpan));
    return true;
}

} // namespace

bool IsDataFileDate(TDateTime value) {
    return value >= FirstCalendarDay && value <= LastDataFileMoment; // false for NaN
}

bool IsDataFileSpan(TDateTime span) {
    return std::fabs(span) <= MaxDataFileSpan; // false for NaN
}

std::string DateOutOfRangeMessage(const char* what, double value) {
    return Format("%s %.15g is not a date of the years 1 to 9999", what, value);
}

std::vector<std::string> DropValuesOutOfRange(TReminderItem& r) {
    std::vector<std::string> problems;
    if (Refused(problems, "the alert time", r.GetReminderDateTime()))
        r.SetReminderDateTimeValue(0);
    if (Refused(problems, "the next alert", r.GetNextAlertDateTime()))
        r.SetNextAlertDateTime(0);
    if (Refused(problems, "the last alert", r.GetLatestAlertDateTime()))
        r.SetLatestAlertDateTime(0);
    if (SpanRefused(problems, "the repetition interval", r.GetAutoAlertDelta()))
        r.SetAutoAlert(false, 0);
    if (r.HasRecurrencePattern()) {
        TRecurrencePattern& p = r.RecurrencePattern();
        if (Refused(problems, "the recurrence start", p.GetPatternStartDate()))
            p.SetPatternStartDate(0);
        if (Refused(problems, "the recurrence end", p.GetPatternEndDate()))
            p.SetPatternEndDate(0);
        if (p.GetInterval() > MaxDataFileInterval) {
            problems.push_back(Format("the recurrence interval %d is not an interval of at most %d",
                                      p.GetInterval(), MaxDataFileInterval));
            p.SetInterval(1);
        }
        if (SpanRefused(problems, "the hourly step", p.GetHourlyDelta()))
            p.SetHourlyDelta(OneHour);
        if (SpanRefused(problems, "the hourly step's random upper bound",
                        p.GetHourlyDeltaRandomTo()))
            p.SetHourlyDeltaRandomTo(0);
        for (std::string& more : p.ResetFieldsOutOfRange())
            problems.push_back(std::move(more));
    }
    return problems;
}

std::vector<std::string> DropValuesOutOfRange(TTockwellItem& item) {
    std::vector<std::string> problems;
    if (Refused(problems, "the created time", item.Created))
        item.Created = 0;
    if (Refused(problems, "the updated time", item.Updated))
        item.Updated = 0;
    if (item.HasReminder())
        for (std::string& more : DropValuesOutOfRange(item.GetReminder()))
            problems.push_back(std::move(more));
    return problems;
}

std::string DataFileEntryPlace(int number, const std::string& caption) {
    std::string place = Format("Reminder %d", number);
    if (caption.empty())
        return place;
    constexpr size_t MaxCaption = 40;
    const std::string_view kept = Utf8BytePrefix(caption, MaxCaption);
    return place + " \"" + std::string(kept) + (kept.size() < caption.size() ? "..." : "") + "\"";
}

// The reminder setup dialog's texts and rules, apart from its controls.
#include <string>

#include "app/frmremindersetup.h"
#include "core/dateparser.h"
#include "core/durationtexts.h"
#include "platform/datetimeformat.h"
#include "platform/sysutils.h"

// ---- Texts and rules ------------------------------------------------------------------------

TDateTime DefaultTimeOfDay(TDateTime date, TDateTime now) {
    TDateTime time = TimeOf(now);
    if (DateOf(date) == DateOf(now))
        time += 10 * OneMinute;
    return time;
}

TDateTime DefaultReminderTime(TDateTime value, TDateTime now) {
    if (value == 0)
        value = DateOf(now);
    if (TimeOf(value) == 0)
        value += DefaultTimeOfDay(value, now);
    return value;
}

std::string FormatReminderDate(TDateTime value) {
    if (value == 0)
        return {};
    if (TimeOf(value) == 0)
        return FormatDateTime("ddddd", value);
    return FormatDateTime("ddddd t", value);
}

std::string TimeDifferenceText(TDateTime date, TDateTime now) {
    const TDateTime difference = date - now;
    if (difference <= 0)
        return {};
    return "in ~ " + FormatDuration(true, true, true, false, difference);
}

void AddRecentEmail(TStringList& recent, const std::string& address) {
    const std::string text = Trim(address);
    bool listed = false;
    for (int i = 0; i < recent.Count() && !listed; ++i)
        listed = AnsiSameText(recent[i], text);
    if (!text.empty() && !listed)
        recent.Insert(0, text);
    while (recent.Count() > MaxRecentEmails)
        recent.Delete(recent.Count() - 1);
}

TDateTime ParseReminderDate(const std::string& text, TDateTime now) {
    return DefaultReminderTime(ParseDateTimeText(text), now);
}

#pragma once
// The small language of time spans that the user types and reads: snooze boxes, repeat and
// hourly intervals, lead times ("1h 30m", "90", "1.5", "2 days"), and the due-in text.
// Texts are English; digits are ASCII; typed numbers use the settings' decimal separator.

#include <string>
#include <string_view>

#include "platform/datetime.h"
#include "platform/formatsettings.h"

// Reads a span ("1h 30m", "1 hour 30 minutes", "90", "1.5", "2 mo", "1.5w", "1 30") and
// returns it in days. A bare number below 2 counts hours, any other bare number minutes; a
// month is 28 days. Seconds are dropped unless allowSeconds. Unreadable parts count 0; the
// result is never negative and never raises.
TDateTime ParseDuration(std::string_view text, bool allowSeconds,
                        const TFormatSettings& fs = LocaleSettings());

// Writes a span (days) as "1 week, 2 days, 3 hours, 4 min, 5 sec". Without useDays the days
// become hours; useWeeks counts only with useDays. approximate keeps only the largest unit
// (weeks may stand alone) and rounds it; seconds appear only with showSeconds, else they
// round the minutes. A unit that rounding fills carries into the next (60 min into an hour,
// 24 hours into a day, 7 days into a week), so "2 hours", never "1 hour, 60 min". 0 (or
// anything that rounds to no unit) gives the empty text. A negative span is written by its size.
std::string FormatDuration(bool useDays, bool useWeeks, bool approximate, bool showSeconds,
                           TDateTime value);

// "s" when count > 1, else empty.
std::string PluralSuffix(long long count);

// ", " when text is not empty, else empty.
std::string ListSeparatorIfNotEmpty(std::string_view text);

// How far due lies from now: empty when due is 0; "now" when the distance rounds to no
// minute; else the span, with " overdue" when due lies before now ("10 min overdue").
std::string FormatDueIn(TDateTime now, TDateTime due);

#pragma once
// TDateTime to and from Qt's date and time types, and the locale's formats for the date and
// time editors.

#include <QDate>
#include <QString>
#include <QTime>

#include <string_view>

#include "platform/datetime.h"
#include "platform/formatsettings.h"

// The calendar day of value; an invalid QDate for a value outside years 1..9999.
QDate ToQDate(TDateTime value);
// Midnight of date; 0 for an invalid date.
TDateTime FromQDate(const QDate& date);
// The time of day of value, to the millisecond.
QTime ToQTime(TDateTime value);
// The time of day as a fraction of a day; 0 for an invalid time.
TDateTime FromQTime(const QTime& time);

// A pattern of the runtime's language (platform/datetimeformat.h) as a QDateTimeEdit display
// format that shows the same text: separators, literal text and designators of fs written
// as Qt literals, "ddddd", "t" and the like expanded one level. A one- or two-digit year
// becomes "yyyy", so that the editor can show every year it holds.
QString QtDateTimeFormat(std::string_view pattern, const TFormatSettings& fs);

// The program's short date format, and its short time format without seconds
// (LocaleSettings()), as QDateEdit and QTimeEdit take them: the same texts as
// FormatDateTime("ddddd") and FormatDateTime("t") give.
QString LocaleDateEditFormat();
QString LocaleTimeEditFormat();

#pragma once
// TDateTime to and from Qt's date and time types, and the locale's formats for the date and
// time editors.

#include <QDate>
#include <QString>
#include <QTime>

#include "platform/datetime.h"

// The calendar day of value; an invalid QDate for a value outside years 1..9999.
QDate ToQDate(TDateTime value);
// Midnight of date; 0 for an invalid date.
TDateTime FromQDate(const QDate& date);
// The time of day of value, to the millisecond.
QTime ToQTime(TDateTime value);
// The time of day as a fraction of a day; 0 for an invalid time.
TDateTime FromQTime(const QTime& time);

// The system locale's short date format, and its short time format without seconds, as
// QDateEdit and QTimeEdit take them.
QString LocaleDateEditFormat();
QString LocaleTimeEditFormat();

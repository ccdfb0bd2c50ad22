#pragma once
// The main window's calendar view: days coloured from the database's holidays, workdays and
// custom colours, reminder days with their hints, navigation, the status line of the selected
// days and the holiday, workday and colour commands on them. The rules are here; the window's
// own share (TfrmMain) is in calendarview.cpp.

#include <QFont>
#include <string>
#include <utility>
#include <vector>

#include "platform/colors.h"
#include "platform/datetime.h"

class TAgendaCalendarGroup;
class TTockwellDB;

// The commands on the calendar's selected days.
enum TDayOperation {
    doMarkHoliday,
    doMarkWorkday,
    doResetSelection,
    doResetAll,
    doSetCustomColor,
    doRemoveCustomColor,
    doRemoveAllCustomColors,
};

// The font colour the database gives day while custom colours are on: its custom colour,
// else the holiday colour for a holiday, else the workday colour for a marked workday. False
// (color unchanged) for other days, and for every day while custom colours are off.
bool DayFontColor(const TTockwellDB& db, TDateTime day, TColor& color);

// The status line of the selected days (whole days), seen from today: for one day the date
// ("ddddd ") followed, unless it is today, by " (in <days>)" for a later day or " (- <days>)"
// for an earlier one; otherwise "Days selected: <count>".
std::string SelectionStatusText(const std::vector<TDateTime>& days, TDateTime today);
// The status line's hint for several days: "Workdays: <n>\nHolidays: <n>", where a day is a
// holiday when marked so, or when unmarked and a Saturday or Sunday. Empty for one day or none.
std::string SelectionStatusHint(const TTockwellDB& db, const std::vector<TDateTime>& days);

// The yes/no questions asked before the operation runs (the second only after a Yes to the
// first); empty texts where none is asked.
std::pair<std::string, std::string> DayOperationQuestions(TDayOperation operation);
// Runs the operation on the database: marking, resetting and colouring act on each day;
// resetting all days and removing all colours act once, whatever the days (none included).
void ApplyDayOperation(TTockwellDB& db, TDayOperation operation, const std::vector<TDateTime>& days,
                       TColor color);

// The font for day names centred in cells cellWidth pixels wide: font, or when two neighbouring
// names would come closer than 3 pixels, font with its letters placed freely and, where that
// is not enough, smaller (down to 8 pixels). The font needs a pixel size.
QFont DayNamesFont(const QFont& font, const std::vector<std::string>& names, int cellWidth);

// The main window's calendar look: two months of 180 x 180 pixels side by side, flat, without
// splitters, bevels, week numbers or month and year menus, three-letter English day names
// that stand apart, several days selectable, today framed, reminder days in bold without a
// marker, weekends grey.
void SetMainCalendarLook(TAgendaCalendarGroup& group);

#pragma once
// The month calendar's model without any drawing: the shown month, the focused (display) and
// selected dates, the selection and event collections, the date limits, the weekend, the week
// numbers and the mapping between days and the 7 x 6 grid of cells.
//
// Dates are TDateTime; whole days are kept (times are dropped where a day is stored). The grid
// has columns 1..7 (the first is StartDay) and rows 1..6 and shows the display date's month.

#include <optional>
#include <string>

#include "controls/calendar/calendarparts.h"
#include "controls/calendar/seldates.h"

enum class TCellMonth { Previous, Shown, Next };

// The day a cell shows and the month it belongs to.
struct TCellDay {
    TDateTime Date = 0;
    TCellMonth Month = TCellMonth::Shown;
};

// A cell of the grid: Col 1..7, Row 1..6 (may lie outside for days not on the grid).
struct TCellPos {
    int Col = 0, Row = 0;
    bool operator==(const TCellPos&) const = default;
};

// Whether date's day lies between 1 January of year 1 and 31 December 9999, the days a
// calendar shows.
bool IsCalendarDay(TDateTime date);
// date's whole day, moved to the nearer of those two days when it lies outside them.
TDateTime ClampToCalendarDays(TDateTime date);

class TCalendarModel {
public:
    // Display and selected date start as today (Date()); owner receives the collections'
    // change reports (may be null).
    explicit TCalendarModel(ISelDateOwner* owner = nullptr);
    TCalendarModel(const TCalendarModel&) = delete;
    TCalendarModel& operator=(const TCalendarModel&) = delete;

    // ---- Settings ------------------------------------------------------------------------
    // First weekday of a row: 1 = Monday .. 7 = Sunday; the setter clamps to 1..7.
    int StartDay() const { return startDay_; }
    void SetStartDay(int value);
    bool ShowDaysBefore = true; // the previous month's trailing days are shown
    bool ShowDaysAfter = true;  // the next month's leading days are shown
    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool value); // False empties the selection

    TSelDateItems Dates;  // the selection
    TSelDateItems Events; // the event days
    TMinMaxDate MinDate, MaxDate;
    TYearStartAt YearStartAt;
    TWeekDays InActiveDays;
    TNameOfDays NameOfDays;
    TNameOfMonths NameOfMonths;

    // ---- Dates ---------------------------------------------------------------------------
    // The focused day; its month is the month shown. Setting keeps the whole day (held within
    // the calendar days) and refreshes the ISO year starts when the year changes.
    TDateTime DisplayDate() const { return displayDate_; }
    void SetDisplayDate(TDateTime date);
    TDateTime SelectedDate() const { return selectedDate_; }
    void SetSelectedDate(TDateTime date) { selectedDate_ = date; }
    // Display and selected date together.
    void MoveTo(TDateTime date);
    // The selected date at the last SetDateParts.
    TDateTime PrevSelectedDate() const { return prevSelectedDate_; }

    // Display and selected date := the date (EConvertError when the parts form none); it
    // becomes the previous selected date and the only selected day.
    void SetDateParts(int Day, int Month, int Year);

    // One month (Delta < 0: back) from the display date, the day cut to the month's length;
    // a result outside MinDate..MaxDate is moved to the limit it passed. Years outside
    // 1..9999 leave the dates unchanged. The new date becomes display and selected date.
    void ChangeMonth(int Delta);
    // Delta years (29 February becomes 28); applied only when within MinDate..MaxDate.
    // Returns whether the dates changed.
    bool ChangeYear(int Delta);

    // ---- Grid ----------------------------------------------------------------------------
    int ShownYear() const;
    int ShownMonth() const;
    TDateTime FirstOfMonth() const;
    // Cells of the previous month before day 1 (0..6).
    int Lead() const;
    // The day of cell (col 1..7, row 1..6).
    TCellDay CellDay(int col, int row) const;
    // The cell of date's day (rows below 1 or above 6 for days off the grid).
    TCellPos DateToCell(TDateTime date) const;
    // The day under a point of the grid: column col0 and row row0 counted from 0 and clamped
    // to 0..6 and 0..5.
    TCellDay DayAt(int col0, int row0) const;

    // ---- Rules ---------------------------------------------------------------------------
    // False when an in-use MinDate is later or an in-use MaxDate earlier than date's day, and
    // for a day that is no calendar day.
    bool DateInRange(TDateTime date) const;
    // The same with MinDate's month start and MaxDate's month end.
    bool MonthInRange(TDateTime date) const;
    // The first (Delta >= 0) or last (Delta < 0) day of the month Delta months from the shown;
    // none outside years 1..9999.
    std::optional<TDateTime> MonthBoundary(int Delta) const;
    // The display date Delta years on, the day cut to the month's length; none outside years
    // 1..9999.
    std::optional<TDateTime> YearShifted(int Delta) const;
    // Whether the browse buttons may step: MonthBoundary(Delta), respectively
    // YearShifted(Delta), is a day within MinDate..MaxDate.
    bool CanChangeMonth(int Delta) const;
    bool CanChangeYear(int Delta) const;
    // A day may be selected when it lies in the shown month, or before it with
    // ShowDaysBefore, or after it with ShowDaysAfter (years and months compared), and is a
    // calendar day.
    bool IsSelectable(TDateTime date) const;
    // The weekday of date is one of InActiveDays.
    bool IsInActiveDay(TDateTime date) const;

    // ---- Week numbers --------------------------------------------------------------------
    // The last day of grid row 1..6.
    TDateTime WeekReferenceDay(int row) const;
    // The week number of grid row 1..6, counted from the year start (YearStartAt) that the
    // row's last day falls after; with ISOWeekNumber it is that day's ISO 8601 week.
    int WeekNumber(int row) const;

    // ---- Texts and selection -------------------------------------------------------------
    // Month name + " " + year, at most 20 characters.
    std::string CaptionText() const;
    // The selection, sorted ascending.
    TSelDateItems& GetDates();
    // The sorted selection in the locale's short date format; a run of consecutive days is
    // written first "-" last; entries are joined by ",".
    std::string GetDatesAsText();

private:
    TDateTime YearStart(int year, int day, int month) const;
    int startDay_ = 7;
    bool multiSelect_ = false;
    TDateTime displayDate_ = 0, selectedDate_ = 0, prevSelectedDate_ = 0;
};

#include "controls/calendar/calendarmodel.h"

#include <algorithm>
#include <cmath>

#include "platform/datetimeformat.h"

namespace {

int MonthIndex(TDateTime date) {
    TDateParts p = DecodeDate(date);
    return p.Year * 12 + p.Month - 1;
}

// Whether the month Delta months from date's lies within years 1..9999.
bool MonthExists(TDateTime date, int64_t Delta) {
    int64_t total = MonthIndex(date) + Delta;
    return total >= 12 && total < 10000 * 12;
}

// Floor division for possibly negative numbers.
int FloorDiv(int a, int b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

const TDateTime firstCalendarDay = EncodeDate(1, 1, 1);
const TDateTime lastCalendarDay = EncodeDate(9999, 12, 31);

} // namespace

bool IsCalendarDay(TDateTime date) {
    const double day = DayNumber(date);
    return day >= firstCalendarDay && day <= lastCalendarDay;
}

TDateTime ClampToCalendarDays(TDateTime date) {
    return std::clamp(DayNumber(date), firstCalendarDay, lastCalendarDay);
}

TCalendarModel::TCalendarModel(ISelDateOwner* owner) : Dates(owner), Events(owner) {
    displayDate_ = selectedDate_ = prevSelectedDate_ = ::Date();
}

void TCalendarModel::SetStartDay(int value) {
    startDay_ = std::clamp(value, 1, 7);
}

void TCalendarModel::SetMultiSelect(bool value) {
    multiSelect_ = value;
    if (!value)
        Dates.Clear();
}

void TCalendarModel::SetDisplayDate(TDateTime date) {
    int oldYear = ShownYear();
    displayDate_ = ClampToCalendarDays(date);
    if (ShownYear() != oldYear)
        YearStartAt.RefreshISOStarts(ShownYear());
}

void TCalendarModel::MoveTo(TDateTime date) {
    SetDisplayDate(date);
    selectedDate_ = displayDate_;
}

void TCalendarModel::SetDateParts(int Day, int Month, int Year) {
    TDateTime date = EncodeDate(Year, Month, Day);
    MoveTo(date);
    prevSelectedDate_ = date;
    Dates.BeginUpdate();
    Dates.Clear();
    Dates.AddDate(date);
    Dates.EndUpdate();
}

void TCalendarModel::ChangeMonth(int Delta) {
    if (!MonthExists(displayDate_, Delta))
        return;
    TDateTime date = IncMonth(displayDate_, Delta);
    if (MinDate.InUse() && date < MinDate.Date())
        date = MinDate.Date();
    else if (MaxDate.InUse() && date > MaxDate.Date())
        date = MaxDate.Date();
    MoveTo(date);
}

bool TCalendarModel::ChangeYear(int Delta) {
    if (!CanChangeYear(Delta))
        return false;
    MoveTo(*YearShifted(Delta));
    return true;
}

int TCalendarModel::ShownYear() const {
    return YearOf(displayDate_);
}

int TCalendarModel::ShownMonth() const {
    return MonthOf(displayDate_);
}

TDateTime TCalendarModel::FirstOfMonth() const {
    return EncodeDate(ShownYear(), ShownMonth(), 1);
}

int TCalendarModel::Lead() const {
    int lead = (DayOfWeek(FirstOfMonth()) - 1 - startDay_) % 7;
    return lead < 0 ? lead + 7 : lead;
}

TCellDay TCalendarModel::CellDay(int col, int row) const {
    TDateTime first = FirstOfMonth();
    int k = (row - 1) * 7 + col; // 1-based cell index
    int lead = Lead();
    int dim = DaysInAMonth(ShownYear(), ShownMonth());
    TCellDay cell;
    cell.Date = first + (k - lead - 1);
    cell.Month = k <= lead         ? TCellMonth::Previous
                 : k <= lead + dim ? TCellMonth::Shown
                                   : TCellMonth::Next;
    return cell;
}

TCellPos TCalendarModel::DateToCell(TDateTime date) const {
    int n = int(DayNumber(date) - (FirstOfMonth() - Lead())) + 1;
    // Columns 1..7, rows from 1; days before the grid get rows below 1.
    int row = FloorDiv(n - 1, 7) + 1;
    return {n - (row - 1) * 7, row};
}

TCellDay TCalendarModel::DayAt(int col0, int row0) const {
    return CellDay(std::clamp(col0, 0, 6) + 1, std::clamp(row0, 0, 5) + 1);
}

bool TCalendarModel::DateInRange(TDateTime date) const {
    double day = DayNumber(date);
    if (!IsCalendarDay(day))
        return false;
    if (MinDate.InUse() && MinDate.Date() > day)
        return false;
    if (MaxDate.InUse() && MaxDate.Date() < day)
        return false;
    return true;
}

bool TCalendarModel::MonthInRange(TDateTime date) const {
    double day = DayNumber(date);
    if (MinDate.InUse()) {
        TDateParts p = DecodeDate(MinDate.Date());
        if (EncodeDate(p.Year, p.Month, 1) > day)
            return false;
    }
    if (MaxDate.InUse()) {
        TDateParts p = DecodeDate(MaxDate.Date());
        if (EncodeDate(p.Year, p.Month, DaysInAMonth(p.Year, p.Month)) < day)
            return false;
    }
    return true;
}

std::optional<TDateTime> TCalendarModel::MonthBoundary(int Delta) const {
    if (!MonthExists(displayDate_, Delta))
        return std::nullopt;
    TDateTime first = IncMonth(FirstOfMonth(), Delta);
    return Delta >= 0 ? first : first + DaysInAMonth(YearOf(first), MonthOf(first)) - 1;
}

std::optional<TDateTime> TCalendarModel::YearShifted(int Delta) const {
    if (!MonthExists(displayDate_, int64_t{Delta} * 12))
        return std::nullopt;
    return IncYear(displayDate_, Delta);
}

bool TCalendarModel::CanChangeMonth(int Delta) const {
    std::optional<TDateTime> date = MonthBoundary(Delta);
    return date && DateInRange(*date);
}

bool TCalendarModel::CanChangeYear(int Delta) const {
    std::optional<TDateTime> date = YearShifted(Delta);
    return date && DateInRange(*date);
}

bool TCalendarModel::IsSelectable(TDateTime date) const {
    if (!IsCalendarDay(date))
        return false;
    int month = MonthIndex(date), shown = MonthIndex(displayDate_);
    if (month > shown && !ShowDaysAfter)
        return false;
    if (month < shown && !ShowDaysBefore)
        return false;
    return true;
}

bool TCalendarModel::IsInActiveDay(TDateTime date) const {
    return InActiveDays.Has(DayOfWeek(date));
}

TDateTime TCalendarModel::WeekReferenceDay(int row) const {
    return CellDay(7, row).Date;
}

TDateTime TCalendarModel::YearStart(int year, int day, int month) const {
    if (month == 12)
        --year;
    month = std::clamp(month, 1, 12);
    year = std::clamp(year, 1, 9999);
    return EncodeDate(year, month, std::clamp(day, 1, DaysInAMonth(year, month)));
}

int TCalendarModel::WeekNumber(int row) const {
    TDateTime ref = WeekReferenceDay(row);
    int y = ShownYear();
    if (YearStartAt.ISOWeekNumber() && y > 1 && y < 9999)
        return WeekOfTheYear(ref);
    const TYearStartAt& s = YearStartAt;
    TDateTime start = YearStart(y, s.StartDay(), s.StartMonth());
    TDateTime next = YearStart(y + 1, s.NextYearStartDay(), s.NextYearStartMonth());
    TDateTime prev = YearStart(y - 1, s.PrevYearStartDay(), s.PrevYearStartMonth());
    TDateTime from = ref < start ? prev : ref >= next ? next : start;
    return FloorDiv(int(std::lround(ref - from)), 7) + 1;
}

std::string TCalendarModel::CaptionText() const {
    std::string text = NameOfMonths.Name(ShownMonth()) + " " + std::to_string(ShownYear());
    // At most 20 characters (UTF-8 sequences kept whole).
    size_t chars = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && ++chars > 20)
            return text.substr(0, i);
    }
    return text;
}

TSelDateItems& TCalendarModel::GetDates() {
    Dates.Sort();
    return Dates;
}

std::string TCalendarModel::GetDatesAsText() {
    TSelDateItems& dates = GetDates();
    std::string text;
    int i = 0, n = dates.Count();
    while (i < n) {
        double first = DayNumber(dates[i]->Date());
        int j = i;
        while (j + 1 < n && DayNumber(dates[j + 1]->Date()) <= DayNumber(dates[j]->Date()) + 1)
            ++j;
        double last = DayNumber(dates[j]->Date());
        if (!text.empty())
            text += ",";
        text += DateToStr(first);
        if (last != first)
            text += "-" + DateToStr(last);
        i = j + 1;
    }
    return text;
}

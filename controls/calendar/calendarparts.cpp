#include "controls/calendar/calendarparts.h"

#include "platform/formatsettings.h"
#include "platform/gui/messageboxes.h"

namespace {

const std::string emptyName;

// The Monday that starts ISO week 1 of year: the Monday of the week holding 4 January.
TDateTime ISOWeekOneMonday(int year) {
    TDateTime jan4 = EncodeDate(year, 1, 4);
    return jan4 - (DayOfTheWeek(jan4) - 1);
}

} // namespace

// ---- TMinMaxDate -------------------------------------------------------------------------

void TMinMaxDate::SetDate(TDateTime date) {
    TDateParts p = DecodeDate(date);
    day_ = p.Day;
    month_ = p.Month;
    year_ = p.Year;
    if (OnChange)
        OnChange();
}

bool TMinMaxDate::InUse() const {
    return use_ && IsValidDate(year_, month_, day_);
}

TDateTime TMinMaxDate::Date() const {
    TDateTime d = 0;
    return TryEncodeDate(year_, month_, day_, d) ? d : 0;
}

// ---- TYearStartAt ------------------------------------------------------------------------

void TYearStartAt::SetISOWeekNumber(bool v) {
    iso_ = v;
    if (OnChange)
        OnChange();
}

void TYearStartAt::StoreDay(int& field, int v) {
    if (v < 1 || v > 31) {
        MessageDlg("Invalid day. Should be in [1..31]", mtError, Buttons(mbOK));
        return;
    }
    field = v;
    if (OnChange)
        OnChange();
}

void TYearStartAt::StoreMonth(int& field, int v) {
    if (v < 1 || v > 12) {
        MessageDlg("Invalid month. Should be in [1..12]", mtError, Buttons(mbOK));
        return;
    }
    field = v;
    if (OnChange)
        OnChange();
}

void TYearStartAt::RefreshISOStarts(int year) {
    if (!iso_ || year < 2 || year > 9998)
        return;
    auto set = [](int& day, int& month, TDateTime monday) {
        TDateParts p = DecodeDate(monday);
        day = p.Day;
        month = p.Month;
    };
    set(startDay_, startMonth_, ISOWeekOneMonday(year));
    set(prevDay_, prevMonth_, ISOWeekOneMonday(year - 1));
    set(nextDay_, nextMonth_, ISOWeekOneMonday(year + 1));
    if (OnChange)
        OnChange();
}

void TYearStartAt::Assign(const TYearStartAt& source) {
    iso_ = source.iso_;
    startDay_ = source.startDay_;
    startMonth_ = source.startMonth_;
    prevDay_ = source.prevDay_;
    prevMonth_ = source.prevMonth_;
    nextDay_ = source.nextDay_;
    nextMonth_ = source.nextMonth_;
    if (OnChange)
        OnChange();
}

// ---- Names -------------------------------------------------------------------------------

TNameOfDays::TNameOfDays() {
    const auto& english = EnglishFormatSettings().ShortDayNames; // [0] = Sunday
    for (int i = 1; i <= 7; ++i)
        names_[size_t(i - 1)] = english[size_t(i % 7)];
    SetUseIntlNames(true);
}

const std::string& TNameOfDays::Name(int i) const {
    if (i < 1 || i > 14)
        return emptyName;
    return names_[size_t((i - 1) % 7)];
}

void TNameOfDays::SetName(int i, std::string name) {
    if (i < 1 || i > 7)
        return;
    names_[size_t(i - 1)] = std::move(name);
    if (OnChange)
        OnChange();
}

void TNameOfDays::SetUseIntlNames(bool v) {
    useIntl_ = v;
    if (!v)
        return;
    const auto& locale = LocaleSettings().ShortDayNames; // [0] = Sunday
    for (int i = 1; i <= 7; ++i)
        names_[size_t(i - 1)] = locale[size_t(i % 7)];
    if (OnChange)
        OnChange();
}

void TNameOfDays::Assign(const TNameOfDays& source) {
    names_ = source.names_;
    useIntl_ = source.useIntl_;
    if (OnChange)
        OnChange();
}

TNameOfMonths::TNameOfMonths() {
    names_ = EnglishFormatSettings().ShortMonthNames;
    SetUseIntlNames(true);
}

const std::string& TNameOfMonths::Name(int month) const {
    if (month < 1 || month > 12)
        return emptyName;
    return names_[size_t(month - 1)];
}

void TNameOfMonths::SetName(int month, std::string name) {
    if (month < 1 || month > 12)
        return;
    names_[size_t(month - 1)] = std::move(name);
    if (OnChange)
        OnChange();
}

void TNameOfMonths::SetUseIntlNames(bool v) {
    useIntl_ = v;
    if (!v)
        return;
    names_ = LocaleSettings().ShortMonthNames;
    if (OnChange)
        OnChange();
}

void TNameOfMonths::Assign(const TNameOfMonths& source) {
    names_ = source.names_;
    useIntl_ = source.useIntl_;
    if (OnChange)
        OnChange();
}

// ---- Browsers and weekdays ---------------------------------------------------------------

void TCalendarBrowsers::Assign(const TCalendarBrowsers& source) {
    prevMonth_ = source.prevMonth_;
    prevYear_ = source.prevYear_;
    nextMonth_ = source.nextMonth_;
    nextYear_ = source.nextYear_;
    if (OnChange)
        OnChange();
}

TWeekDays::TWeekDays() {
    days_[0] = true; // Sunday
    days_[6] = true; // Saturday
}

bool TWeekDays::Has(int dayOfWeek) const {
    return dayOfWeek >= 1 && dayOfWeek <= 7 && days_[size_t(dayOfWeek - 1)];
}

void TWeekDays::Set(int dayOfWeek, bool on) {
    if (dayOfWeek < 1 || dayOfWeek > 7)
        return;
    days_[size_t(dayOfWeek - 1)] = on;
    if (OnChange)
        OnChange();
}

void TWeekDays::Assign(const TWeekDays& source) {
    days_ = source.days_;
    if (OnChange)
        OnChange();
}

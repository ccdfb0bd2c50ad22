#pragma once
// The calendar's small settings objects: date limits, year starts for week numbers, day and
// month names, browse buttons and the weekend days. Each reports a stored change through
// OnChange (the calendar repaints).

#include <array>
#include <functional>
#include <string>

#include "platform/datetime.h"

// A lower or upper date limit; it takes part only while Use is set and its parts form a date.
class TMinMaxDate {
public:
    int Day() const { return day_; }
    int Month() const { return month_; }
    int Year() const { return year_; }
    bool Use() const { return use_; }
    void SetDay(int v) { Store(day_, v); }
    void SetMonth(int v) { Store(month_, v); }
    void SetYear(int v) { Store(year_, v); }
    void SetUse(bool v) { Store(use_, v); }
    // Sets the three parts from date (Use is left as it is).
    void SetDate(TDateTime date);
    // True while Use is set and Year/Month/Day form a valid date.
    bool InUse() const;
    // The limit's date; 0 when the parts form no date.
    TDateTime Date() const;
    std::function<void()> OnChange;

private:
    template <class T> void Store(T& field, T v) {
        field = v;
        if (OnChange)
            OnChange();
    }
    int day_ = 0, month_ = 0, year_ = 0;
    bool use_ = false;
};

// Where each year's week 1 starts. Day setters accept 1..31, month setters 1..12; another value
// shows an error box ("Invalid day. Should be in [1..31]" / "Invalid month. Should be in
// [1..12]") and keeps the old value.
class TYearStartAt {
public:
    bool ISOWeekNumber() const { return iso_; }
    int StartDay() const { return startDay_; }
    int StartMonth() const { return startMonth_; }
    int PrevYearStartDay() const { return prevDay_; }
    int PrevYearStartMonth() const { return prevMonth_; }
    int NextYearStartDay() const { return nextDay_; }
    int NextYearStartMonth() const { return nextMonth_; }
    void SetISOWeekNumber(bool v);
    void SetStartDay(int v) { StoreDay(startDay_, v); }
    void SetStartMonth(int v) { StoreMonth(startMonth_, v); }
    void SetPrevYearStartDay(int v) { StoreDay(prevDay_, v); }
    void SetPrevYearStartMonth(int v) { StoreMonth(prevMonth_, v); }
    void SetNextYearStartDay(int v) { StoreDay(nextDay_, v); }
    void SetNextYearStartMonth(int v) { StoreMonth(nextMonth_, v); }
    // With ISOWeekNumber: sets the starts of year - 1, year and year + 1 to the Monday of
    // their ISO week 1 (29 December .. 4 January; a December start belongs to the next year).
    void RefreshISOStarts(int year);
    void Assign(const TYearStartAt& source);
    std::function<void()> OnChange;

private:
    void StoreDay(int& field, int v);
    void StoreMonth(int& field, int v);
    bool iso_ = false;
    int startDay_ = 1, startMonth_ = 1, prevDay_ = 1, prevMonth_ = 1, nextDay_ = 1, nextMonth_ = 1;
};

// Short day names, index 1 = Monday .. 7 = Sunday. UseIntlNames (on at creation) takes the
// locale's names.
class TNameOfDays {
public:
    TNameOfDays();
    // Name of day ((i - 1) mod 7) + 1 for i in 1..14 (so StartDay + column - 1 may be passed);
    // "" outside.
    const std::string& Name(int i) const;
    void SetName(int i, std::string name); // i in 1..7; others ignored
    bool UseIntlNames() const { return useIntl_; }
    // True copies the locale's short day names (LocaleSettings) and reports a change.
    void SetUseIntlNames(bool v);
    void Assign(const TNameOfDays& source);
    std::function<void()> OnChange;

private:
    std::array<std::string, 7> names_;
    bool useIntl_ = true;
};

// Short month names, index 1 = January .. 12. UseIntlNames as for the day names.
class TNameOfMonths {
public:
    TNameOfMonths();
    const std::string& Name(int month) const; // "" outside 1..12
    void SetName(int month, std::string name);
    bool UseIntlNames() const { return useIntl_; }
    void SetUseIntlNames(bool v);
    void Assign(const TNameOfMonths& source);
    std::function<void()> OnChange;

private:
    std::array<std::string, 12> names_;
    bool useIntl_ = true;
};

// Which browse buttons the caption shows (all at creation).
class TCalendarBrowsers {
public:
    bool PrevMonth() const { return prevMonth_; }
    bool PrevYear() const { return prevYear_; }
    bool NextMonth() const { return nextMonth_; }
    bool NextYear() const { return nextYear_; }
    void SetPrevMonth(bool v) { Store(prevMonth_, v); }
    void SetPrevYear(bool v) { Store(prevYear_, v); }
    void SetNextMonth(bool v) { Store(nextMonth_, v); }
    void SetNextYear(bool v) { Store(nextYear_, v); }
    void Assign(const TCalendarBrowsers& source);
    std::function<void()> OnChange;

private:
    void Store(bool& field, bool v) {
        field = v;
        if (OnChange)
            OnChange();
    }
    bool prevMonth_ = true, prevYear_ = true, nextMonth_ = true, nextYear_ = true;
};

// A set of weekdays (the calendar's weekend: Saturday and Sunday at creation).
class TWeekDays {
public:
    TWeekDays();
    // dayOfWeek: 1 = Sunday .. 7 = Saturday (as DayOfWeek); false outside.
    bool Has(int dayOfWeek) const;
    void Set(int dayOfWeek, bool on);
    bool Sun() const { return Has(1); }
    bool Mon() const { return Has(2); }
    bool Tue() const { return Has(3); }
    bool Wed() const { return Has(4); }
    bool Thu() const { return Has(5); }
    bool Fri() const { return Has(6); }
    bool Sat() const { return Has(7); }
    void SetSun(bool v) { Set(1, v); }
    void SetMon(bool v) { Set(2, v); }
    void SetTue(bool v) { Set(3, v); }
    void SetWed(bool v) { Set(4, v); }
    void SetThu(bool v) { Set(5, v); }
    void SetFri(bool v) { Set(6, v); }
    void SetSat(bool v) { Set(7, v); }
    void Assign(const TWeekDays& source);
    std::function<void()> OnChange;

private:
    std::array<bool, 7> days_{};
};

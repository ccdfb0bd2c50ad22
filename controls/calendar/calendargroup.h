#pragma once
// A group of ColCount x RowCount month calendars side by side, each one month after the one
// before (row by row). The group hands its look to the calendars, forwards their events to the
// host, keeps one selection and one event collection across them, shifts all months together
// when the user browses, and fits the number of calendars to its own size.

#include <QWidget>
#include <algorithm>
#include <memory>
#include <vector>

#include "controls/calendar/agendacalendar.h"

class TSplitterPanel;

class TAgendaCalendarGroup : public TCustomCalendarPanel,
                             public TAppearanceProperties<TAgendaCalendarGroup>,
                             public IStyledComponent {
    Q_OBJECT
public:
    explicit TAgendaCalendarGroup(QWidget* parent = nullptr);
    ~TAgendaCalendarGroup() override;

    // The calendars in list order (row by row).
    int CalendarCount() const { return int(calendars_.size()); }
    TAgendaCalendar* Calendar(int index) const;

    // ---- Grid -----------------------------------------------------------------------------
    // Counts and sizes rebuild the calendars (values below 1 are ignored).
    int ColCount() const { return colCount_; }
    int RowCount() const { return rowCount_; }
    int CalendarWidth() const { return calendarWidth_; }
    int CalendarHeight() const { return calendarHeight_; }
    void SetColCount(int v);
    void SetRowCount(int v);
    void SetCalendarWidth(int v);
    void SetCalendarHeight(int v);
    void SetBevelWidth(int v) override;
    void SetBorderWidth(int v) override;
    // The splitter bars below (SpliterV) and right of (SpliterH) the calendars; values above
    // half the calendar height (width) are ignored.
    int SpliterV() const { return spliterV_; }
    int SpliterH() const { return spliterH_; }
    void SetSpliterV(int v);
    void SetSpliterH(int v);
    TColor SplitterColor() const { return splitterColor_; }
    void SetSplitterColor(TColor v);
    bool SplitterBevel() const { return splitterBevel_; }
    void SetSplitterBevel(bool v);
    // The exact size for the current counts.
    QSize sizeHint() const override;

    // ---- Months and dates -----------------------------------------------------------------
    // The first month shown; setting re-months the calendars and clears their selections.
    // The calendars show months of years 1..9999 only: a first month whose last calendar
    // would pass December 9999 moves back until it shows December 9999.
    int StartMonth() const { return startMonth_; }
    int StartYear() const { return startYear_; }
    void SetStartMonth(int v);
    void SetStartYear(int v);
    // Gives the calendars consecutive months from StartMonth/StartYear, keeping the selection
    // of days still shown.
    void ApplyMonths();
    // The group's date parts: setting one makes that month the first shown (as far as years
    // 1..9999 allow) and selects the date in the calendar that shows it. An impossible date
    // raises EConvertError and changes nothing.
    int Day() const { return day_; }
    int Month() const;
    int Year() const;
    void SetDay(int v) { SetGroupDate(v, month_, year_); }
    void SetMonth(int v) { SetGroupDate(day_, v, year_); }
    void SetYear(int v) { SetGroupDate(day_, month_, v); }
    // The selection of all calendars, each calendar's sorted, in list order.
    TSelDateItems& GetDates();
    // The first selected day, 0 when none.
    TDateTime GetDate();
    // Selects Date alone (in the calendar that shows its month, if any).
    void SetDate(TDateTime Date);
    // Hands the group's selection to the calendars that show each day's month.
    void DistributeDates();
    // The event days of all calendars; each change reaches every calendar.
    TSelDateItems& Events() { return events_; }
    void EventsChanged() override;
    void RepaintDate(TDateTime Date) override;

    // ---- Behaviour and look (copied into every calendar) ----------------------------------
    int StartDay() const { return startDay_; }
    void SetStartDay(int v) { Store(startDay_, std::clamp(v, 1, 7)); }
    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool v) { Store(multiSelect_, v); }
    bool KeyboardMultiSelect() const { return keyboardMultiSelect_; }
    void SetKeyboardMultiSelect(bool v) { Store(keyboardMultiSelect_, v); }
    bool ShowSelection() const { return showSelection_; }
    void SetShowSelection(bool v) { Store(showSelection_, v); }
    bool ShowToday() const { return showToday_; }
    void SetShowToday(bool v) { Store(showToday_, v); }
    bool ShowWeeks() const { return showWeeks_; }
    void SetShowWeeks(bool v) { Store(showWeeks_, v); }
    bool EventHints() const { return eventHints_; }
    void SetEventHints(bool v) { Store(eventHints_, v); }
    bool WeekSelect() const { return weekSelect_; }
    void SetWeekSelect(bool v) { Store(weekSelect_, v); }
    bool AllDaySelect() const { return allDaySelect_; }
    void SetAllDaySelect(bool v) { Store(allDaySelect_, v); }
    bool ShowMonthSelector() const { return showMonthSelector_; }
    void SetShowMonthSelector(bool v) { Store(showMonthSelector_, v); }
    bool ShowYearSelector() const { return showYearSelector_; }
    void SetShowYearSelector(bool v) { Store(showYearSelector_, v); }
    TBevelCut CalendarBevelInner() const { return calBevelInner_; }
    void SetCalendarBevelInner(TBevelCut v) { Store(calBevelInner_, v); }
    TBevelCut CalendarBevelOuter() const { return calBevelOuter_; }
    void SetCalendarBevelOuter(TBevelCut v) { Store(calBevelOuter_, v); }
    TBorderStyle CalendarBorderStyle() const { return calBorderStyle_; }
    void SetCalendarBorderStyle(TBorderStyle v) { Store(calBorderStyle_, v); }
    int CalendarBorderWidth() const { return calBorderWidth_; }
    void SetCalendarBorderWidth(int v) { Store(calBorderWidth_, std::max(0, v)); }
    int CalendarBevelWidth() const { return calBevelWidth_; }
    void SetCalendarBevelWidth(int v) { Store(calBevelWidth_, std::max(1, v)); }
    const QFont& DayFont() const { return dayFont_; }
    void SetDayFont(const QFont& v) { Store(dayFont_, v); }
    const QFont& WeekFont() const { return weekFont_; }
    void SetWeekFont(const QFont& v) { Store(weekFont_, v); }
    TBackGroundPosition BackgroundPosition() const { return backgroundPosition_; }
    void SetBackgroundPosition(TBackGroundPosition v) { Store(backgroundPosition_, v); }
    TEnhImage& Background() { return background_; }
    TCalGlyphs& Glyphs() { return glyphs_; }
    TCalendarBrowsers& Browsers() { return browsers_; }
    TNameOfDays& NameOfDays() { return nameOfDays_; }
    TNameOfMonths& NameOfMonths() { return nameOfMonths_; }
    TYearStartAt& YearStartAt() { return yearStartAt_; }
    std::string Version() const { return "1.7.2.0"; }

    // Copies the look and behaviour into every calendar.
    void UpdateCalendars();
    void UpdateCalendar() override { UpdateCalendars(); }
    void AppearanceChanged() { UpdateCalendars(); }
    // Frees and creates the calendars for the counts and sizes.
    void BuildCalendars();

    // Sets preset 0..10 on the group and its calendars.
    void ApplyColorPreset(int Preset) override;
    int ColorPreset() const { return colorPreset_; }

    // ---- Events (Sender: the calendar unless said) ----------------------------------------
    TCellDrawEvent OnBeforeCellDraw, OnCellDraw;
    TDaySelectEvent OnDaySelect;
    TNotifyEvent OnMonthSelect;
    TGetDateEvent OnGetDateHint;
    TGetDateEventHint OnGetDateHintString;
    TDateChangeEvent OnMonthChange, OnYearChange; // Sender: the group
    TDateChangeEvent OnDayChange, OnDateChange;
    TCancelledChangeEvent OnCancelledChange;
    TNotifyEvent OnWeekSelect; // Sender: the group
    TNotifyEvent OnAllDaySelect;
    TNotifyEvent OnDblClick; // Sender: the group
    TKeyEvent OnKeyDown, OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TMouseEvent OnMouseDown, OnMouseUp;
    TMouseMoveEvent OnMouseMove;

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    int IndexOf(const TAgendaCalendar* calendar) const;
    QSize ExactSize() const;
    void PlaceSplitters();
    void HookCalendar(TAgendaCalendar* calendar);
    void ApplyNamesAndBrowsers();
    void ApplyBrowsers(TAgendaCalendar* calendar, int index);
    void SetGroupDate(int day, int month, int year);
    TDateTime GroupDate() const;
    bool CtrlHeld() const;
    // The calendars' events.
    void CalendarDaySelect(TAgendaCalendar* calendar, TDateTime SelDate);
    void CalendarDayChange(TAgendaCalendar* calendar, TDateTime newDate);
    void CalendarMonthChange(TAgendaCalendar* calendar, TDateTime origDate, TDateTime newDate);
    void CalendarWeekSelect(TAgendaCalendar* calendar);
    void CalendarKeyOutOfMonth(TAgendaCalendar* calendar, int key);
    void MoveIntoCalendar(TAgendaCalendar* calendar, TDateTime date);

    std::vector<std::unique_ptr<TAgendaCalendar>> calendars_;
    TSplitterPanel* hSplitter_ = nullptr; // children owned by the group
    TSplitterPanel* vSplitter_ = nullptr;
    bool updating_ = false, ctrlHeld_ = false, resizing_ = false;
    int colCount_ = 2, rowCount_ = 1, calendarWidth_ = 180, calendarHeight_ = 180;
    int spliterV_ = 2, spliterH_ = 2;
    TColor splitterColor_ = clBtnFace;
    bool splitterBevel_ = true;
    int startDay_ = 7, startMonth_ = 1, startYear_ = 2000;
    int day_ = 1, month_ = 1, year_ = 2000;
    TDateTime lastNotifiedDay_ = 0;
    TSelDateItems dates_, events_;
    bool multiSelect_ = false, keyboardMultiSelect_ = false, showSelection_ = true;
    bool showToday_ = false, showWeeks_ = false, eventHints_ = false, weekSelect_ = false;
    bool allDaySelect_ = false, showMonthSelector_ = true, showYearSelector_ = true;
    TBevelCut calBevelInner_ = bvNone, calBevelOuter_ = bvRaised;
    TBorderStyle calBorderStyle_ = bsNone;
    int calBorderWidth_ = 1, calBevelWidth_ = 1;
    QFont dayFont_, weekFont_;
    TBackGroundPosition backgroundPosition_ = bpTiled;
    TEnhImage background_;
    TCalGlyphs glyphs_;
    TCalendarBrowsers browsers_;
    TNameOfDays nameOfDays_;
    TNameOfMonths nameOfMonths_;
    TYearStartAt yearStartAt_;
    int colorPreset_ = -1;
};

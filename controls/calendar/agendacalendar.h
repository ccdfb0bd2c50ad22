#pragma once
// The self-painted month calendar: a caption with month, year and browse buttons, a row of day
// names, an optional week column, a 7 x 6 grid of days and an optional go-to-today line. The
// model (dates, selection, limits, grid mapping) is TCalendarModel; painting is
// TCalendarPainter; mouse, keys, menus and hints are TCalendarInput.
//
// The default fonts are the Tahoma-metric font at 11 pixels (8 points at 96 dpi), the face and
// size the layout numbers are made for (a 180 x 180 calendar has 24 x 23 pixel cells below a
// 16 pixel grid top); see platform/gui/uifont.h.

#include <QCursor>
#include <QFont>
#include <QWidget>
#include <memory>
#include <string>

#include "controls/calendar/calendarlayout.h"
#include "controls/calendar/calendarlook.h"
#include "controls/calendar/calendarmodel.h"
#include "controls/calendar/enhimage.h"

class QMenu;
class TCalendarInput;

// The common base of the calendar and the calendar group: a panel with bevels, a border and a
// colour, and the look of event days.
class TCustomCalendarPanel : public QWidget, public ISelDateOwner {
    Q_OBJECT
public:
    explicit TCustomCalendarPanel(QWidget* parent = nullptr);

    TColor EventDayColor() const override { return eventDayColor_; }
    TColor EventMarkerColor() const override { return eventMarkerColor_; }
    TEventShape EventMarkerShape() const override { return eventMarkerShape_; }
    void SetEventDayColor(TColor v) { Store(eventDayColor_, v); }
    void SetEventMarkerColor(TColor v) { Store(eventMarkerColor_, v); }
    void SetEventMarkerShape(TEventShape v) { Store(eventMarkerShape_, v); }

    // Repaints everything (the group also hands its look to its calendars).
    virtual void UpdateCalendar() { update(); }
    void EventsChanged() override {}
    void RepaintDate(TDateTime) override {}

    // The panel: an outer bevel, a ring of BorderWidth pixels in Color, an inner bevel.
    TColor Color() const { return color_; }
    void SetColor(TColor v) { Store(color_, v); }
    TBevelCut BevelInner() const { return bevelInner_; }
    TBevelCut BevelOuter() const { return bevelOuter_; }
    int BevelWidth() const { return bevelWidth_; }
    int BorderWidth() const { return borderWidth_; }
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBevelInner(TBevelCut v) { Store(bevelInner_, v); }
    void SetBevelOuter(TBevelCut v) { Store(bevelOuter_, v); }
    virtual void SetBevelWidth(int v) { Store(bevelWidth_, std::max(1, v)); }
    virtual void SetBorderWidth(int v) { Store(borderWidth_, std::max(0, v)); }
    void SetBorderStyle(TBorderStyle v) { Store(borderStyle_, v); }

    // A context menu shown on a right click (not owned; nullptr passes the click to the parent).
    QMenu* PopupMenu = nullptr;

protected:
    template <class T> void Store(T& field, const T& v) {
        if (field == v)
            return;
        field = v;
        UpdateCalendar();
    }
    // Paints the bevels and the border ring and fills the inside with Color.
    void PaintPanel(QPainter& p) const;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    TColor eventDayColor_ = clBlack, eventMarkerColor_ = clYellow;
    TEventShape eventMarkerShape_ = evsCircle;
    TColor color_ = clBtnFace;
    TBevelCut bevelInner_ = bvNone, bevelOuter_ = bvRaised;
    int bevelWidth_ = 1, borderWidth_ = 0;
    TBorderStyle borderStyle_ = bsNone;
};

// The caption's hot spans, measured from the first day column (x' = x - week column width).
struct TCaptionSpans {
    int TextLeft = 0, YearLeft = 0, TextRight = 0;
};

class TAgendaCalendar : public TCustomCalendarPanel,
                        public TAppearanceProperties<TAgendaCalendar>,
                        public IStyledComponent {
    Q_OBJECT
public:
    explicit TAgendaCalendar(QWidget* parent = nullptr);
    ~TAgendaCalendar() override;

    TCalendarModel& Model() { return model_; }
    const TCalendarModel& Model() const { return model_; }
    TCalendarInput& Input() { return *input_; }
    const TCalendarInput& Input() const { return *input_; }

    // ---- Date and selection ---------------------------------------------------------------
    TDateTime GetDate() const { return model_.SelectedDate(); }
    // Selects Value's day alone and shows its month (the time part is dropped).
    void SetDate(TDateTime Value);
    // Parts of the selected date. Setting one re-positions the calendar; an impossible date
    // raises Exception "Invalid date d/m/y" (with the new value in its place).
    int Day() const { return DayOf(GetDate()); }
    int Month() const { return MonthOf(GetDate()); }
    int Year() const { return YearOf(GetDate()); }
    void SetDay(int v);
    void SetMonth(int v);
    void SetYear(int v);
    TDateTime DisplayDate() const { return model_.DisplayDate(); }
    TSelDateItems& Dates() { return model_.Dates; }
    TSelDateItems& Events() { return model_.Events; }
    // The selection sorted ascending.
    TSelDateItems& GetDates() { return model_.GetDates(); }
    std::string GetDatesAsText() { return model_.GetDatesAsText(); }
    // Month and year steps of the display date (see TCalendarModel), repainting.
    void ChangeMonth(int Delta);
    void ChangeYear(int Delta);

    // ---- Behaviour ------------------------------------------------------------------------
    int StartDay() const { return model_.StartDay(); }
    void SetStartDay(int v);
    bool MultiSelect() const { return model_.MultiSelect(); }
    void SetMultiSelect(bool v);
    bool MultiSelectCtrlKey = false; // multi-select: Space without Ctrl replaces the selection
    bool ReturnIsSelect = false;     // Enter selects like Space
    bool KeyboardMultiSelect = false;
    bool ShowDaysBefore() const { return model_.ShowDaysBefore; }
    bool ShowDaysAfter() const { return model_.ShowDaysAfter; }
    void SetShowDaysBefore(bool v) { StoreModel(model_.ShowDaysBefore, v); }
    void SetShowDaysAfter(bool v) { StoreModel(model_.ShowDaysAfter, v); }
    bool ShowSelection() const { return showSelection_; }
    void SetShowSelection(bool v) { Store(showSelection_, v); }
    bool ShowToday() const { return showToday_; }
    void SetShowToday(bool v) { Store(showToday_, v); }
    bool ShowWeeks() const { return showWeeks_; }
    void SetShowWeeks(bool v) { Store(showWeeks_, v); }
    bool ShowGotoToday() const { return showGotoToday_; }
    void SetShowGotoToday(bool v) { Store(showGotoToday_, v); }
    const std::string& TodayFormat() const { return todayFormat_; }
    void SetTodayFormat(const std::string& v) { Store(todayFormat_, v); }
    bool ShowMonthSelector() const { return showMonthSelector_; }
    bool ShowYearSelector() const { return showYearSelector_; }
    void SetShowMonthSelector(bool v) { showMonthSelector_ = v; }
    void SetShowYearSelector(bool v) { showYearSelector_ = v; }
    // False: the calendar ignores mouse and keys (the host's mouse events still fire).
    bool Enable() const { return enable_; }
    void SetEnable(bool v) { enable_ = v; }
    bool EventHints() const { return eventHints_; }
    void SetEventHints(bool v) { eventHints_ = v; }
    bool WeekSelect() const { return weekSelect_; }
    void SetWeekSelect(bool v) { weekSelect_ = v; }
    bool AllDaySelect() const { return allDaySelect_; }
    void SetAllDaySelect(bool v) { allDaySelect_ = v; }
    // OnCellDraw replaces the drawing of day numbers only while this is set.
    bool OwnerDraw() const { return ownerDraw_; }
    void SetOwnerDraw(bool v) { Store(ownerDraw_, v); }

    TMinMaxDate& MinDate() { return model_.MinDate; }
    TMinMaxDate& MaxDate() { return model_.MaxDate; }
    TYearStartAt& YearStartAt() { return model_.YearStartAt; }
    TWeekDays& InActiveDays() { return model_.InActiveDays; }
    TNameOfDays& NameOfDays() { return model_.NameOfDays; }
    TNameOfMonths& NameOfMonths() { return model_.NameOfMonths; }
    TCalendarBrowsers& Browsers() { return browsers_; }
    const TCalendarBrowsers& Browsers() const { return browsers_; }
    TCalGlyphs& Glyphs() { return glyphs_; }
    const TCalGlyphs& Glyphs() const { return glyphs_; }

    // ---- Look (colours and looks: TAppearanceProperties) ----------------------------------
    void AppearanceChanged() { update(); }
    bool Caption3D() const { return caption3D_; }
    void SetCaption3D(bool v) { Store(caption3D_, v); }
    // A themed border (the border colour of a themed edit box) while themes are on.
    bool BorderXP() const { return borderXP_; }
    void SetBorderXP(bool v) { Store(borderXP_, v); }
    TEnhImage& Background() { return background_; }
    const TEnhImage& Background() const { return background_; }
    TBackGroundPosition BackgroundPosition() const { return backgroundPosition_; }
    void SetBackgroundPosition(TBackGroundPosition v) { Store(backgroundPosition_, v); }
    // Font is the widget's font (caption, day numbers, go-to-today line).
    const QFont& DayFont() const { return dayFont_; }   // day names and week name
    const QFont& WeekFont() const { return weekFont_; } // week numbers
    void SetDayFont(const QFont& v) { Store(dayFont_, v); }
    void SetWeekFont(const QFont& v) { Store(weekFont_, v); }
    std::string Version() const { return "1.7.2.0"; }

    // ---- Colour presets -------------------------------------------------------------------
    // Sets the look of preset 0..10 (other numbers are ignored) and remembers the number.
    void ApplyColorPreset(int Preset) override;
    int ColorPreset() const { return colorPreset_; }

    // ---- Extension points -----------------------------------------------------------------
    // Whether date is an event day (OnGetDateHint, the Events collection, OnGetEventProp);
    // Event gets the day's item or nullptr.
    virtual bool IsEventDay(TDateTime Date, TEventProp*& Event);
    virtual void DoMonthChange(TDateTime OrigDate, TDateTime NewDate);
    virtual void DoYearChange(TDateTime OrigDate, TDateTime NewDate);
    virtual bool IsInActiveDay(TDateTime Date) { return model_.IsInActiveDay(Date); }
    void EventsChanged() override { update(); }
    // Repaints date's cell (nothing while locked).
    void RepaintDate(TDateTime Date) override;
    // OnDayChange, DoMonthChange and DoYearChange for the parts that differ.
    void DoChangeEvents(TDateTime OrigDate, TDateTime NewDate);

    // While locked nothing is painted; the last EndUpdate repaints. ResetUpdate unlocks
    // without painting.
    void BeginUpdate() { ++updateLock_; }
    void EndUpdate();
    void ResetUpdate() { updateLock_ = 0; }
    int UpdateLock() const { return updateLock_; }

    // ---- Geometry -------------------------------------------------------------------------
    TCalendarLayout Layout() const;
    TCaptionSpans CaptionSpans() const;
    TBrowseButtons BrowseButtons() const;
    // The rectangle of date's cell; empty for a day off the grid.
    QRect DateRect(TDateTime date) const;

    // ---- Menus ----------------------------------------------------------------------------
    // The month menu (commands 1..12) and the year menu (commands 16..25, the years -4..+5
    // around the display year); out-of-range entries are disabled. Each action's data() is its
    // command id.
    std::unique_ptr<QMenu> CreateMonthMenu();
    std::unique_ptr<QMenu> CreateYearMenu();
    // Command 1..12: the first of that month; 15..25: the year id + display year - 20.
    void MenuCommand(int id);

    // ---- Events ---------------------------------------------------------------------------
    TCellDrawEvent OnCellDraw;
    TCellDrawEvent OnBeforeCellDraw;
    TDaySelectEvent OnDaySelect;
    TNotifyEvent OnMonthSelect;
    TGetDateEvent OnGetDateHint;
    TGetDateEventHint OnGetDateHintString;
    TEventPropEvent OnGetEventProp;
    TDateChangeEvent OnMonthChange, OnYearChange, OnDayChange, OnDateChange;
    TCancelledChangeEvent OnCancelledChange;
    TNotifyEvent OnWeekSelect, OnAllDaySelect, OnDblClick;
    TKeyEvent OnKeyDown, OnKeyUp;
    TKeyPressEvent OnKeyPress;
    TMouseEvent OnMouseDown, OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TKeyOutOfMonthEvent OnKeyOutOfMonth;

protected:
    // Shows menu at the global point and returns the command id chosen (0: none).
    virtual int RunPopupMenu(QMenu& menu, const QPoint& globalPos);

    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    friend class TCalendarInput;
    friend class TCalendarPainter;
    template <class T> void StoreModel(T& field, const T& v) {
        field = v;
        update();
    }
    void SetDateParts(int day, int month, int year);
    void SetPart(int day, int month, int year);

    TCalendarModel model_;
    std::unique_ptr<TCalendarInput> input_;
    TCalendarBrowsers browsers_;
    TCalGlyphs glyphs_;
    TEnhImage background_;
    TBackGroundPosition backgroundPosition_ = bpTiled;
    QFont dayFont_, weekFont_;
    std::string todayFormat_ = "\"Today\" DDD/mm, YYYY";
    bool showSelection_ = true, showToday_ = false, showWeeks_ = false, showGotoToday_ = false;
    bool showMonthSelector_ = true, showYearSelector_ = true, enable_ = true;
    bool eventHints_ = false, weekSelect_ = false, allDaySelect_ = false, ownerDraw_ = true;
    bool caption3D_ = false, borderXP_ = true;
    int colorPreset_ = -1;
    int updateLock_ = 0;
    QCursor savedCursor_; // restored when the pointer leaves a hot spot
};

// The calendar's default font: the Tahoma-metric font at 11 pixels.
QFont CalendarDefaultFont();

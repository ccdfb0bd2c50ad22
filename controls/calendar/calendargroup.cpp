#include "controls/calendar/calendargroup.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>

#include "platform/gui/canvas.h"

// A splitter bar of the group: dragging it resizes the group, which then fits its calendars.
class TSplitterPanel : public QWidget {
public:
    TSplitterPanel(TAgendaCalendarGroup* group, Qt::Orientation bar)
        : QWidget(group), group_(group), bar_(bar) {
        setCursor(bar == Qt::Horizontal ? Qt::SizeVerCursor : Qt::SizeHorCursor);
    }
    TColor Color = clBtnFace;
    bool Bevel = true;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QRect r = rect();
        if (Bevel)
            Frame3D(p, r, clBtnHighlight, clBtnShadow, 1);
        FillRect(p, r, Color);
    }
    void mousePressEvent(QMouseEvent* e) override {
        start_ = e->globalPosition().toPoint();
        startSize_ = group_->size();
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (!(e->buttons() & Qt::LeftButton))
            return;
        QPoint d = e->globalPosition().toPoint() - start_;
        if (bar_ == Qt::Horizontal)
            move(x(), startSize_.height() + d.y() - height());
        else
            move(startSize_.width() + d.x() - width(), y());
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        QPoint d = e->globalPosition().toPoint() - start_;
        if (bar_ == Qt::Horizontal)
            group_->resize(startSize_.width(), std::max(1, startSize_.height() + d.y()));
        else
            group_->resize(std::max(1, startSize_.width() + d.x()), startSize_.height());
    }

private:
    TAgendaCalendarGroup* group_;
    Qt::Orientation bar_;
    QPoint start_;
    QSize startSize_;
};

namespace {

TCalendarAppearance GroupAppearance() {
    TCalendarAppearance a;
    a.LineColor = clSilver;
    a.HeaderColor = clBtnFace;
    a.InversColor = clWhite;
    a.CaptionTextColor = clNone;
    return a;
}

// A calendar's handler that hands the call to the group's event target, read when the
// calendar fires (the group outlives its calendars).
template <class... Args>
std::function<void(Args...)> PassOn(const std::function<void(Args...)>& target) {
    return [&target](Args... args) {
        if (target)
            target(args...);
    };
}

// Moves month (1..12) and year on by delta months (back when negative).
void AddMonths(int& month, int& year, int delta) {
    int total = year * 12 + (month - 1) + delta;
    year = total / 12 - (total % 12 < 0);
    month = total - year * 12 + 1;
}

// Moves the first of count consecutive months (month 1..12 of year) so that all of them lie
// between January of year 1 and December 9999, the months a calendar can show.
void FitMonths(int& month, int& year, int count) {
    constexpr int first = 12, last = 9999 * 12 + 11;
    const int total =
        std::clamp(year * 12 + (month - 1), first, std::max(first, last - std::max(count, 1) + 1));
    year = total / 12;
    month = total % 12 + 1;
}

// Keeps calendars from painting while it lives; at its end each is unlocked and, with
// repaint, repainted whole, also when an exception ends it, so that none stays blank.
class TCalendarsLocked {
public:
    TCalendarsLocked(const std::vector<std::unique_ptr<TAgendaCalendar>>& calendars, bool repaint)
        : calendars_(calendars), repaint_(repaint) {
        for (auto& c : calendars_)
            c->BeginUpdate();
    }
    ~TCalendarsLocked() {
        for (auto& c : calendars_) {
            c->ResetUpdate();
            if (repaint_)
                c->update();
        }
    }
    TCalendarsLocked(const TCalendarsLocked&) = delete;
    TCalendarsLocked& operator=(const TCalendarsLocked&) = delete;

private:
    const std::vector<std::unique_ptr<TAgendaCalendar>>& calendars_;
    bool repaint_;
};

} // namespace

TAgendaCalendarGroup::TAgendaCalendarGroup(QWidget* parent)
    : TCustomCalendarPanel(parent), TAppearanceProperties(GroupAppearance()), events_(this) {
    hSplitter_ = new TSplitterPanel(this, Qt::Horizontal);
    vSplitter_ = new TSplitterPanel(this, Qt::Vertical);
    SetBevelOuter(bvNone);
    SetColor(clWhite);
    setFont(CalendarDefaultFont());
    dayFont_ = weekFont_ = CalendarDefaultFont();
    TDateParts today = DecodeDate(Date());
    startMonth_ = month_ = today.Month;
    startYear_ = year_ = today.Year;
    day_ = today.Day;
    auto update = [this] { UpdateCalendars(); };
    glyphs_.OnChange = update;
    background_.OnChange = update;
    yearStartAt_.OnChange = update;
    nameOfDays_.OnChange = [this] { ApplyNamesAndBrowsers(); };
    nameOfMonths_.OnChange = [this] { ApplyNamesAndBrowsers(); };
    browsers_.OnChange = [this] { ApplyNamesAndBrowsers(); };
    BuildCalendars();
    ApplyMonths();
}

TAgendaCalendarGroup::~TAgendaCalendarGroup() {
    updating_ = true;
    calendars_.clear();
}

TAgendaCalendar* TAgendaCalendarGroup::Calendar(int index) const {
    if (index < 0 || index >= CalendarCount())
        return nullptr;
    return calendars_[size_t(index)].get();
}

int TAgendaCalendarGroup::IndexOf(const TAgendaCalendar* calendar) const {
    for (size_t i = 0; i < calendars_.size(); ++i)
        if (calendars_[i].get() == calendar)
            return int(i);
    return -1;
}

// ---- Building ------------------------------------------------------------------------------

QSize TAgendaCalendarGroup::ExactSize() const {
    int edge = 2 * (BevelWidth() + BorderWidth());
    return QSize(edge + calendarWidth_ * colCount_ + spliterH_,
                 edge + calendarHeight_ * rowCount_ + spliterV_);
}

QSize TAgendaCalendarGroup::sizeHint() const {
    return ExactSize();
}

void TAgendaCalendarGroup::PlaceSplitters() {
    int edge = 2 * (BevelWidth() + BorderWidth());
    vSplitter_->setGeometry(edge + calendarWidth_ * colCount_, 0, spliterH_, height());
    hSplitter_->setGeometry(0, edge + calendarHeight_ * rowCount_, width(), spliterV_);
    vSplitter_->setVisible(spliterH_ > 0);
    hSplitter_->setVisible(spliterV_ > 0);
    vSplitter_->Color = hSplitter_->Color = splitterColor_;
    vSplitter_->Bevel = hSplitter_->Bevel = splitterBevel_;
    vSplitter_->update();
    hSplitter_->update();
}

void TAgendaCalendarGroup::BuildCalendars() {
    updating_ = true;
    calendars_.clear();
    if (colCount_ == 0 || rowCount_ == 0) {
        updating_ = false;
        return;
    }
    int inset = BevelWidth() + BorderWidth();
    resize(ExactSize());
    PlaceSplitters();
    FitMonths(startMonth_, startYear_, colCount_ * rowCount_);
    {
        // The calendars below are added to the lock as they are made.
        const TCalendarsLocked locked(calendars_, true);
        int month = startMonth_, year = startYear_;
        for (int row = 1; row <= rowCount_; ++row) {
            for (int col = 1; col <= colCount_; ++col) {
                auto cal = std::make_unique<TAgendaCalendar>(this);
                cal->BeginUpdate();
                TAgendaCalendar* raw = cal.get();
                calendars_.push_back(std::move(cal));
                raw->SetShowDaysBefore(false);
                raw->SetShowDaysAfter(false);
                raw->setFont(font());
                raw->setGeometry(inset + (col - 1) * calendarWidth_,
                                 inset + (row - 1) * calendarHeight_, calendarWidth_,
                                 calendarHeight_);
                raw->SetDate(EncodeDate(year, month, 1));
                AddMonths(month, year, 1);
                raw->SetOwnerDraw(bool(OnCellDraw));
                raw->SetEventHints(eventHints_);
                raw->Dates().Clear();
                HookCalendar(raw);
                raw->show();
            }
        }
        UpdateCalendars();
    }
    setFocusProxy(calendars_.front().get());
    dates_.Clear();
    updating_ = false;
}

void TAgendaCalendarGroup::HookCalendar(TAgendaCalendar* c) {
    c->OnCellDraw = PassOn(OnCellDraw);
    c->OnBeforeCellDraw = PassOn(OnBeforeCellDraw);
    c->OnDblClick = [this](QObject*) {
        if (OnDblClick)
            OnDblClick(this);
    };
    c->OnMonthSelect = PassOn(OnMonthSelect);
    c->OnGetDateHint = PassOn(OnGetDateHint);
    c->OnGetDateHintString = PassOn(OnGetDateHintString);
    c->OnDateChange = PassOn(OnDateChange);
    c->OnCancelledChange = PassOn(OnCancelledChange);
    c->OnAllDaySelect = PassOn(OnAllDaySelect);
    c->OnKeyPress = PassOn(OnKeyPress);
    c->OnMouseMove = PassOn(OnMouseMove);
    c->OnMouseDown = PassOn(OnMouseDown);
    c->OnMouseUp = PassOn(OnMouseUp);
    c->OnDaySelect = [this, c](QObject*, TDateTime d) { CalendarDaySelect(c, d); };
    c->OnDayChange = [this, c](QObject*, TDateTime, TDateTime b) { CalendarDayChange(c, b); };
    c->OnMonthChange = [this, c](QObject*, TDateTime a, TDateTime b) {
        CalendarMonthChange(c, a, b);
    };
    // A change of month and year arrives through OnMonthChange alone.
    c->OnYearChange = [this, c](QObject*, TDateTime a, TDateTime b) {
        if (MonthOf(a) == MonthOf(b))
            CalendarMonthChange(c, a, b);
    };
    c->OnWeekSelect = [this, c](QObject*) { CalendarWeekSelect(c); };
    c->OnKeyDown = [this](QObject* s, int& key, Qt::KeyboardModifiers m) {
        if (m & Qt::ControlModifier)
            ctrlHeld_ = true;
        if (OnKeyDown)
            OnKeyDown(s, key, m);
    };
    c->OnKeyUp = [this](QObject* s, int& key, Qt::KeyboardModifiers m) {
        ctrlHeld_ = false;
        if (OnKeyUp)
            OnKeyUp(s, key, m);
    };
    c->OnKeyOutOfMonth = [this, c](QObject*, int key) { CalendarKeyOutOfMonth(c, key); };
}

void TAgendaCalendarGroup::ApplyBrowsers(TAgendaCalendar* c, int index) {
    bool first = index == 0, lastOfFirstRow = index == colCount_ - 1;
    TCalendarBrowsers& b = c->Browsers();
    b.SetPrevMonth(first && browsers_.PrevMonth());
    b.SetPrevYear(first && browsers_.PrevYear());
    b.SetNextMonth(lastOfFirstRow && browsers_.NextMonth());
    b.SetNextYear(lastOfFirstRow && browsers_.NextYear());
}

void TAgendaCalendarGroup::ApplyNamesAndBrowsers() {
    for (size_t i = 0; i < calendars_.size(); ++i) {
        TAgendaCalendar* c = calendars_[i].get();
        c->NameOfDays().Assign(nameOfDays_);
        c->NameOfMonths().Assign(nameOfMonths_);
        ApplyBrowsers(c, int(i));
    }
    update();
}

void TAgendaCalendarGroup::UpdateCalendars() {
    const TCalendarsLocked locked(calendars_, true);
    for (size_t i = 0; i < calendars_.size(); ++i) {
        TAgendaCalendar* c = calendars_[i].get();
        c->SetAppearance(look_);
        c->SetDayFont(dayFont_);
        c->SetWeekFont(weekFont_);
        c->Glyphs().Assign(glyphs_);
        c->SetColor(Color());
        c->SetBevelInner(calBevelInner_);
        c->SetBevelOuter(calBevelOuter_);
        c->SetBorderStyle(calBorderStyle_);
        c->SetBorderWidth(calBorderWidth_);
        c->SetBevelWidth(calBevelWidth_);
        c->SetMultiSelect(multiSelect_);
        c->SetShowToday(showToday_);
        c->SetAllDaySelect(allDaySelect_);
        c->SetWeekSelect(weekSelect_);
        c->SetStartDay(startDay_);
        c->SetShowSelection(showSelection_);
        c->SetShowWeeks(showWeeks_);
        c->SetEventHints(eventHints_);
        c->SetEventDayColor(EventDayColor());
        c->SetEventMarkerColor(EventMarkerColor());
        c->SetEventMarkerShape(EventMarkerShape());
        c->YearStartAt().Assign(yearStartAt_);
        c->YearStartAt().RefreshISOStarts(c->Model().ShownYear());
        c->SetShowMonthSelector(showMonthSelector_);
        c->SetShowYearSelector(showYearSelector_);
        c->KeyboardMultiSelect = keyboardMultiSelect_;
        c->NameOfDays().Assign(nameOfDays_);
        c->NameOfMonths().Assign(nameOfMonths_);
        ApplyBrowsers(c, int(i));
        if (!background_.Empty())
            c->Background().Assign(&background_);
        c->SetBackgroundPosition(backgroundPosition_);
    }
    PlaceSplitters();
    update();
}

// ---- Grid properties ------------------------------------------------------------------------

void TAgendaCalendarGroup::SetColCount(int v) {
    if (v < 1 || v == colCount_)
        return;
    colCount_ = v;
    BuildCalendars();
}

void TAgendaCalendarGroup::SetRowCount(int v) {
    if (v < 1)
        return;
    rowCount_ = v;
    BuildCalendars();
}

void TAgendaCalendarGroup::SetCalendarWidth(int v) {
    if (v < 1 || v == calendarWidth_)
        return;
    calendarWidth_ = v;
    BuildCalendars();
}

void TAgendaCalendarGroup::SetCalendarHeight(int v) {
    if (v < 1 || v == calendarHeight_)
        return;
    calendarHeight_ = v;
    BuildCalendars();
}

void TAgendaCalendarGroup::SetBevelWidth(int v) {
    TCustomCalendarPanel::SetBevelWidth(v);
    BuildCalendars();
}

void TAgendaCalendarGroup::SetBorderWidth(int v) {
    TCustomCalendarPanel::SetBorderWidth(v);
    BuildCalendars();
}

void TAgendaCalendarGroup::SetSpliterV(int v) {
    if (v < 0 || v > calendarHeight_ / 2)
        return;
    spliterV_ = v;
    resize(ExactSize());
    PlaceSplitters();
}

void TAgendaCalendarGroup::SetSpliterH(int v) {
    if (v < 0 || v > calendarWidth_ / 2)
        return;
    spliterH_ = v;
    resize(ExactSize());
    PlaceSplitters();
}

void TAgendaCalendarGroup::SetSplitterColor(TColor v) {
    splitterColor_ = v;
    PlaceSplitters();
}

void TAgendaCalendarGroup::SetSplitterBevel(bool v) {
    splitterBevel_ = v;
    PlaceSplitters();
}

// ---- Months and selection -------------------------------------------------------------------

void TAgendaCalendarGroup::ApplyMonths() {
    TSelDateItems copy;
    copy.Notify = false;
    copy.Assign(GetDates());
    FitMonths(startMonth_, startYear_, CalendarCount());
    {
        const TCalendarsLocked locked(calendars_, true);
        int month = startMonth_, year = startYear_;
        for (auto& c : calendars_) {
            c->SetShowSelection(showSelection_);
            c->SetDate(EncodeDate(year, month, 1));
            c->YearStartAt().RefreshISOStarts(year);
            c->Dates().Clear();
            AddMonths(month, year, 1);
        }
    }
    dates_.Assign(copy);
    DistributeDates();
}

void TAgendaCalendarGroup::SetStartMonth(int v) {
    if (v < 1 || v > 12)
        return;
    startMonth_ = v;
    if (!calendars_.empty())
        startYear_ = calendars_.front()->Model().ShownYear();
    ApplyMonths();
}

void TAgendaCalendarGroup::SetStartYear(int v) {
    if (v < 1 || v > 9999)
        return;
    startYear_ = v;
    if (!calendars_.empty())
        startMonth_ = calendars_.front()->Model().ShownMonth();
    ApplyMonths();
}

int TAgendaCalendarGroup::Month() const {
    return calendars_.empty() ? month_ : calendars_.front()->Month();
}

int TAgendaCalendarGroup::Year() const {
    return calendars_.empty() ? year_ : calendars_.front()->Year();
}

TDateTime TAgendaCalendarGroup::GroupDate() const {
    TDateTime d = 0;
    return TryEncodeDate(year_, month_, day_, d) ? d : 0;
}

void TAgendaCalendarGroup::SetGroupDate(int day, int month, int year) {
    TDateTime date = EncodeDate(year, month, day);
    day_ = day;
    month_ = month;
    year_ = year;
    if (calendars_.empty())
        return;
    startMonth_ = month;
    startYear_ = year;
    ApplyMonths();
    // The first calendar, unless the months had to start earlier (near December 9999).
    TAgendaCalendar* shown = calendars_.front().get();
    for (auto& c : calendars_)
        if (c->Model().ShownYear() == year && c->Model().ShownMonth() == month) {
            shown = c.get();
            break;
        }
    shown->SetDate(date);
    CalendarDaySelect(shown, date);
}

TSelDateItems& TAgendaCalendarGroup::GetDates() {
    dates_.BeginUpdate();
    dates_.Clear();
    for (auto& c : calendars_) {
        TSelDateItems& own = c->GetDates();
        for (int i = 0; i < own.Count(); ++i)
            dates_.AddDate(own[i]->Date());
    }
    dates_.ResetUpdate();
    return dates_;
}

TDateTime TAgendaCalendarGroup::GetDate() {
    TSelDateItems& dates = GetDates();
    return dates.Count() > 0 ? dates[0]->Date() : 0;
}

void TAgendaCalendarGroup::SetDate(TDateTime Date) {
    dates_.Clear();
    DistributeDates();
    dates_.AddDate(DayNumber(Date));
    DistributeDates();
    // The calendar showing the day also focuses it, so keys go on from there.
    for (auto& c : calendars_)
        if (c->Dates().Contains(Date))
            c->Model().MoveTo(Date);
}

void TAgendaCalendarGroup::DistributeDates() {
    for (auto& c : calendars_) {
        TSelDateItems& own = c->Dates();
        own.BeginUpdate();
        own.Clear();
        int year = c->Model().ShownYear(), month = c->Model().ShownMonth();
        for (int i = 0; i < dates_.Count(); ++i) {
            TDateTime d = dates_[i]->Date();
            if (YearOf(d) == year && MonthOf(d) == month)
                own.AddDate(d);
        }
        if (!multiSelect_ && dates_.Count() == 1)
            c->SetShowSelection(true);
        own.EndUpdate();
        own.Changed();
    }
}

void TAgendaCalendarGroup::EventsChanged() {
    for (auto& c : calendars_)
        c->Events().Assign(events_);
}

void TAgendaCalendarGroup::RepaintDate(TDateTime Date) {
    {
        const TCalendarsLocked locked(calendars_, false);
        for (auto& c : calendars_)
            c->Events().Assign(events_);
    }
    for (auto& c : calendars_)
        c->RepaintDate(Date);
}

// ---- The calendars' events ------------------------------------------------------------------

bool TAgendaCalendarGroup::CtrlHeld() const {
    return ctrlHeld_ || (QGuiApplication::keyboardModifiers() & Qt::ControlModifier);
}

void TAgendaCalendarGroup::CalendarDaySelect(TAgendaCalendar* calendar, TDateTime SelDate) {
    TDateTime old = GroupDate();
    if (!multiSelect_)
        SetDate(SelDate);
    day_ = calendar->Day();
    month_ = calendar->Month();
    year_ = calendar->Year();
    calendar->Model().SetDisplayDate(calendar->GetDate());
    if (OnDayChange && SelDate != lastNotifiedDay_)
        OnDayChange(calendar, old, SelDate);
    lastNotifiedDay_ = SelDate;
    bool ctrl = CtrlHeld();
    for (auto& c : calendars_) {
        if (c.get() == calendar)
            continue;
        c->SetShowSelection(multiSelect_);
        if (!ctrl)
            c->Dates().Clear();
    }
    calendar->SetShowSelection(showSelection_);
    if (OnDaySelect)
        OnDaySelect(calendar, SelDate);
}

void TAgendaCalendarGroup::CalendarDayChange(TAgendaCalendar* calendar, TDateTime newDate) {
    if (OnDayChange && newDate != lastNotifiedDay_)
        OnDayChange(calendar, GroupDate(), newDate);
    lastNotifiedDay_ = newDate;
}

void TAgendaCalendarGroup::CalendarMonthChange(TAgendaCalendar* calendar, TDateTime origDate,
                                               TDateTime newDate) {
    TDateParts p = DecodeDate(newDate);
    day_ = p.Day;
    month_ = p.Month;
    year_ = p.Year;
    int month = p.Month, year = p.Year;
    AddMonths(month, year, -std::max(0, IndexOf(calendar)));
    startMonth_ = month;
    startYear_ = year;
    ApplyMonths();
    if (YearOf(origDate) == p.Year) {
        if (MonthOf(origDate) != p.Month && OnMonthChange)
            OnMonthChange(this, origDate, newDate);
    } else {
        if (OnYearChange)
            OnYearChange(this, origDate, newDate);
        if (OnMonthChange)
            OnMonthChange(this, origDate, newDate);
    }
}

void TAgendaCalendarGroup::CalendarWeekSelect(TAgendaCalendar* calendar) {
    bool ctrl = CtrlHeld();
    for (auto& c : calendars_) {
        if (c.get() != calendar && !ctrl)
            c->Dates().Clear();
        c->SetShowSelection(multiSelect_);
    }
    if (OnWeekSelect)
        OnWeekSelect(this);
}

void TAgendaCalendarGroup::MoveIntoCalendar(TAgendaCalendar* calendar, TDateTime date) {
    calendar->SetDate(date);
    CalendarDaySelect(calendar, date);
    calendar->setFocus(Qt::OtherFocusReason);
}

void TAgendaCalendarGroup::CalendarKeyOutOfMonth(TAgendaCalendar* calendar, int key) {
    int index = IndexOf(calendar);
    if (index < 0)
        return;
    int month = calendar->Model().ShownMonth(), year = calendar->Model().ShownYear();
    if (key == Qt::Key_Left || key == Qt::Key_Up) {
        AddMonths(month, year, -1);
        if (year < 1)
            return;
        int last = DaysInAMonth(year, month);
        if (index == 0)
            SetGroupDate(last, month, year);
        else
            MoveIntoCalendar(calendars_[size_t(index - 1)].get(), EncodeDate(year, month, last));
    } else if (key == Qt::Key_Right || key == Qt::Key_Down) {
        AddMonths(month, year, 1);
        if (year > 9999)
            return;
        if (index == CalendarCount() - 1)
            SetGroupDate(1, month, year);
        else
            MoveIntoCalendar(calendars_[size_t(index + 1)].get(), EncodeDate(year, month, 1));
    }
}

// ---- Presets ----------------------------------------------------------------------------------

void TAgendaCalendarGroup::ApplyColorPreset(int Preset) {
    TCalendarAppearance look = look_;
    TColor color = Color();
    if (!ApplyColorPresetTo(Preset, look, color))
        return;
    colorPreset_ = Preset;
    look_ = look;
    SetColor(color);
    UpdateCalendars();
    for (auto& c : calendars_)
        c->ApplyColorPreset(Preset);
}

// ---- Qt events ----------------------------------------------------------------------------------

void TAgendaCalendarGroup::paintEvent(QPaintEvent*) {
    QPainter p(this);
    PaintPanel(p);
}

void TAgendaCalendarGroup::resizeEvent(QResizeEvent* e) {
    TCustomCalendarPanel::resizeEvent(e);
    if (updating_ || resizing_)
        return;
    int cols = std::max(1, width() / calendarWidth_);
    int rows = std::max(1, height() / calendarHeight_);
    if (cols != colCount_ || rows != rowCount_) {
        TSelDateItems events, dates;
        events.Notify = dates.Notify = false;
        events.Assign(events_);
        dates.Assign(GetDates());
        colCount_ = cols;
        rowCount_ = rows;
        BuildCalendars();
        events_.Assign(events);
        dates_.Assign(dates);
        DistributeDates();
    }
    if (size() != ExactSize()) {
        resizing_ = true;
        resize(ExactSize());
        resizing_ = false;
    }
    PlaceSplitters();
}

void TAgendaCalendarGroup::changeEvent(QEvent* e) {
    if (e->type() == QEvent::FontChange && !calendars_.empty())
        BuildCalendars();
    if (e->type() == QEvent::StyleChange && AutoThemeAdapt())
        ThemeAdapt();
    TCustomCalendarPanel::changeEvent(e);
}

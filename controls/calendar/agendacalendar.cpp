#include "controls/calendar/agendacalendar.h"

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include "controls/calendar/calendarinput.h"
#include "controls/calendar/calendarpainter.h"
#include "platform/gui/canvas.h"
#include "platform/gui/uifont.h"
#include "platform/sysutils.h"

QFont CalendarDefaultFont() {
    return TahomaFont(11);
}

// ---- TCustomCalendarPanel -----------------------------------------------------------------

TCustomCalendarPanel::TCustomCalendarPanel(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TCustomCalendarPanel::PaintPanel(QPainter& p) const {
    QRect r = rect();
    if (borderStyle_ == bsSingle)
        Frame3D(p, r, clWindowFrame, clWindowFrame, 1);
    auto bevel = [&](TBevelCut cut) {
        if (cut == bvNone)
            return;
        if (cut == bvSpace) {
            Frame3D(p, r, color_, color_, bevelWidth_);
            return;
        }
        bool raised = cut == bvRaised;
        Frame3D(p, r, raised ? clBtnHighlight : clBtnShadow, raised ? clBtnShadow : clBtnHighlight,
                bevelWidth_);
    };
    bevel(bevelOuter_);
    if (borderWidth_ > 0)
        Frame3D(p, r, color_, color_, borderWidth_);
    bevel(bevelInner_);
    FillRect(p, r, color_);
}

void TCustomCalendarPanel::contextMenuEvent(QContextMenuEvent* e) {
    if (!PopupMenu) {
        e->ignore();
        return;
    }
    PopupMenu->exec(e->globalPos());
}

// ---- TAgendaCalendar: creation and properties ---------------------------------------------

TAgendaCalendar::TAgendaCalendar(QWidget* parent)
    : TCustomCalendarPanel(parent), model_(this), input_(std::make_unique<TCalendarInput>(*this)) {
    SetBorderWidth(1);
    SetBevelOuter(bvNone);
    SetColor(clBtnFace);
    resize(180, 180);
    setFont(CalendarDefaultFont());
    dayFont_ = weekFont_ = CalendarDefaultFont();
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    auto repaint = [this] { update(); };
    model_.MinDate.OnChange = repaint;
    model_.MaxDate.OnChange = repaint;
    model_.YearStartAt.OnChange = repaint;
    model_.InActiveDays.OnChange = repaint;
    model_.NameOfDays.OnChange = repaint;
    model_.NameOfMonths.OnChange = repaint;
    browsers_.OnChange = repaint;
    glyphs_.OnChange = repaint;
    background_.OnChange = repaint;
    savedCursor_ = cursor();
}

TAgendaCalendar::~TAgendaCalendar() = default;

void TAgendaCalendar::SetDateParts(int day, int month, int year) {
    RepaintDate(model_.SelectedDate());
    model_.SetDateParts(day, month, year);
    update();
}

void TAgendaCalendar::SetDate(TDateTime Value) {
    TDateParts p = DecodeDate(Value);
    SetDateParts(p.Day, p.Month, p.Year);
}

void TAgendaCalendar::SetPart(int day, int month, int year) {
    try {
        SetDateParts(day, month, year);
    } catch (const EConvertError&) {
        throw Exception(Format("Invalid date %d/%d/%d", day, month, year));
    }
}

void TAgendaCalendar::SetDay(int v) {
    SetPart(v, Month(), Year());
}

void TAgendaCalendar::SetMonth(int v) {
    SetPart(Day(), v, Year());
}

void TAgendaCalendar::SetYear(int v) {
    SetPart(Day(), Month(), v);
}

void TAgendaCalendar::ChangeMonth(int Delta) {
    model_.ChangeMonth(Delta);
    update();
}

void TAgendaCalendar::ChangeYear(int Delta) {
    if (model_.ChangeYear(Delta))
        EventsChanged();
}

void TAgendaCalendar::SetStartDay(int v) {
    model_.SetStartDay(v);
    update();
}

void TAgendaCalendar::SetMultiSelect(bool v) {
    if (v == model_.MultiSelect())
        return;
    model_.SetMultiSelect(v);
    update();
}

void TAgendaCalendar::ApplyColorPreset(int Preset) {
    TCalendarAppearance look = look_;
    TColor color = Color();
    if (!ApplyColorPresetTo(Preset, look, color))
        return;
    SetColor(color);
    SetAppearance(look);
    colorPreset_ = Preset;
}

// ---- Events and repainting ----------------------------------------------------------------

bool TAgendaCalendar::IsEventDay(TDateTime Date, TEventProp*& Event) {
    Event = nullptr;
    bool isEvent = false;
    if (OnGetDateHint)
        OnGetDateHint(this, Date, isEvent);
    if (eventHints_ && isEvent && OnGetDateHintString) {
        std::string hint; // the hover hint is the mouse's business, not painting's
        OnGetDateHintString(this, Date, isEvent, hint);
    }
    if (TSelDateItem* item = model_.Events.FindDate(Date)) {
        isEvent = true;
        Event = item;
    }
    if (isEvent) {
        model_.Events.BeginUpdate();
        if (OnGetEventProp)
            OnGetEventProp(this, Date, Event);
        model_.Events.ResetUpdate();
    }
    return isEvent;
}

void TAgendaCalendar::DoMonthChange(TDateTime OrigDate, TDateTime NewDate) {
    if (OnMonthChange)
        OnMonthChange(this, OrigDate, NewDate);
}

void TAgendaCalendar::DoYearChange(TDateTime OrigDate, TDateTime NewDate) {
    if (OnYearChange)
        OnYearChange(this, OrigDate, NewDate);
}

void TAgendaCalendar::DoChangeEvents(TDateTime OrigDate, TDateTime NewDate) {
    TDateParts a = DecodeDate(OrigDate), b = DecodeDate(NewDate);
    if (a.Day != b.Day && OnDayChange)
        OnDayChange(this, OrigDate, NewDate);
    if (a.Month != b.Month)
        DoMonthChange(OrigDate, NewDate);
    if (a.Year != b.Year)
        DoYearChange(OrigDate, NewDate);
}

void TAgendaCalendar::RepaintDate(TDateTime Date) {
    if (updateLock_ > 0)
        return;
    QRect r = DateRect(Date);
    if (!r.isEmpty())
        update(r);
}

void TAgendaCalendar::EndUpdate() {
    if (updateLock_ > 0 && --updateLock_ == 0)
        update();
}

// ---- Geometry ------------------------------------------------------------------------------

TCalendarLayout TAgendaCalendar::Layout() const {
    return TCalendarLayout::Compute(width(), height(), showWeeks_, showGotoToday_, BorderWidth());
}

TCaptionSpans TAgendaCalendar::CaptionSpans() const {
    TCalendarLayout l = Layout();
    QFontMetrics fm(font());
    int tw = fm.horizontalAdvance(QString::fromStdString(model_.CaptionText()));
    TCaptionSpans s;
    s.TextLeft = (l.Width - tw - l.WeekColWidth) / 2;
    s.YearLeft = s.TextLeft + tw - fm.horizontalAdvance(QStringLiteral(" 9999"));
    s.TextRight = s.TextLeft + tw;
    return s;
}

TBrowseButtons TAgendaCalendar::BrowseButtons() const {
    TBrowseButtons b;
    b.PrevMonth = browsers_.PrevMonth();
    b.PrevYear = browsers_.PrevYear();
    b.NextMonth = browsers_.NextMonth();
    b.NextYear = browsers_.NextYear();
    b.PM = glyphs_.PrevMonth().size();
    b.PY = glyphs_.PrevYear().size();
    b.NM = glyphs_.NextMonth().size();
    b.NY = glyphs_.NextYear().size();
    return b;
}

QRect TAgendaCalendar::DateRect(TDateTime date) const {
    TCellPos c = model_.DateToCell(date);
    if (c.Row < 1 || c.Row > 6)
        return QRect();
    return Layout().CellRect(c.Col, c.Row);
}

// ---- Menus ---------------------------------------------------------------------------------

std::unique_ptr<QMenu> TAgendaCalendar::CreateMonthMenu() {
    auto menu = std::make_unique<QMenu>();
    int year = YearOf(model_.SelectedDate());
    for (int m = 1; m <= 12; ++m) {
        QAction* a = menu->addAction(QString::fromStdString(model_.NameOfMonths.Name(m)));
        a->setData(m);
        a->setEnabled(model_.MonthInRange(EncodeDate(year, m, 1)));
    }
    return menu;
}

std::unique_ptr<QMenu> TAgendaCalendar::CreateYearMenu() {
    auto menu = std::make_unique<QMenu>();
    int year = model_.ShownYear();
    for (int i = 0; i < 10; ++i) {
        QAction* a = menu->addAction(QString::number(year - 4 + i));
        a->setData(16 + i);
        a->setEnabled(model_.CanChangeYear(i - 4));
    }
    return menu;
}

void TAgendaCalendar::MenuCommand(int id) {
    TDateTime old = model_.SelectedDate();
    if (id >= 1 && id <= 12) {
        model_.MoveTo(EncodeDate(model_.ShownYear(), id, 1));
        update();
        DoMonthChange(old, model_.SelectedDate());
    } else if (id >= 15 && id <= 25) {
        std::optional<TDateTime> date = model_.YearShifted(id - 20);
        if (!date)
            return;
        model_.MoveTo(*date);
        update();
        DoYearChange(old, model_.SelectedDate());
    }
}

int TAgendaCalendar::RunPopupMenu(QMenu& menu, const QPoint& globalPos) {
    QAction* chosen = menu.exec(globalPos);
    return chosen ? chosen->data().toInt() : 0;
}

// ---- Qt events -----------------------------------------------------------------------------

bool TAgendaCalendar::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip && input_->ShowHint(static_cast<QHelpEvent*>(e)))
        return true;
    return TCustomCalendarPanel::event(e);
}

void TAgendaCalendar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    TCalendarPainter(*this, p).Paint();
}

void TAgendaCalendar::mouseMoveEvent(QMouseEvent* e) {
    QPoint pt = e->position().toPoint();
    if (OnMouseMove)
        OnMouseMove(this, e->modifiers(), pt.x(), pt.y());
    input_->MouseMove(pt.x(), pt.y(), e->buttons());
}

void TAgendaCalendar::mousePressEvent(QMouseEvent* e) {
    QPoint pt = e->position().toPoint();
    if (OnMouseDown)
        OnMouseDown(this, e->button(), e->modifiers(), pt.x(), pt.y());
    input_->MouseDown(e->button(), e->modifiers(), pt.x(), pt.y());
}

void TAgendaCalendar::mouseReleaseEvent(QMouseEvent* e) {
    QPoint pt = e->position().toPoint();
    if (OnMouseUp)
        OnMouseUp(this, e->button(), e->modifiers(), pt.x(), pt.y());
    input_->MouseUp(e->button(), pt.x(), pt.y());
}

void TAgendaCalendar::mouseDoubleClickEvent(QMouseEvent* e) {
    mousePressEvent(e);
    if (e->button() == Qt::LeftButton) {
        if (OnDblClick)
            OnDblClick(this);
        input_->DoubleClick();
    }
}

void TAgendaCalendar::keyPressEvent(QKeyEvent* e) {
    int key = e->key();
    if (OnKeyDown)
        OnKeyDown(this, key, e->modifiers());
    bool used = key != 0 && enable_ && input_->KeyDown(key, e->modifiers());
    QString text = e->text();
    if (!text.isEmpty()) {
        QChar ch = text.front();
        if (OnKeyPress)
            OnKeyPress(this, ch);
        if (!ch.isNull() && enable_ && input_->KeyPress(ch))
            used = true;
    }
    e->setAccepted(used || key == 0);
}

void TAgendaCalendar::keyReleaseEvent(QKeyEvent* e) {
    int key = e->key();
    if (OnKeyUp)
        OnKeyUp(this, key, e->modifiers());
    e->ignore();
}

void TAgendaCalendar::focusInEvent(QFocusEvent*) {
    EventsChanged();
}

void TAgendaCalendar::focusOutEvent(QFocusEvent*) {
    EventsChanged();
}

void TAgendaCalendar::leaveEvent(QEvent*) {
    input_->MouseLeave();
}

void TAgendaCalendar::changeEvent(QEvent* e) {
    if (e->type() == QEvent::FontChange)
        update();
    if (e->type() == QEvent::StyleChange && AutoThemeAdapt())
        ThemeAdapt();
    TCustomCalendarPanel::changeEvent(e);
}

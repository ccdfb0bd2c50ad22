#include "controls/calendar/calendarinput.h"

#include <QHelpEvent>
#include <QMenu>
#include <QTextDocument>
#include <QToolTip>
#include <cstdlib>

#include "controls/calendar/agendacalendar.h"
#include "platform/datetimeformat.h"
#include "platform/sysutils.h"

namespace {

constexpr QPoint FarAway{32767, 32767};

// A hint as tooltip text, one line per "\n\r"-separated line.
QString HintText(const std::string& text) {
    QString s = QString::fromStdString(HintLineBreaks(text));
    return Qt::convertFromPlainText(s, Qt::WhiteSpaceNormal);
}

} // namespace

bool TCalendarInput::InCaption(int xp, int y) const {
    TCaptionSpans s = cal_.CaptionSpans();
    return xp >= s.TextLeft && xp <= s.TextRight && y >= 1 && y <= 14;
}

bool TCalendarInput::OnGotoToday(int y) const {
    TCalendarLayout l = cal_.Layout();
    return cal_.ShowGotoToday() && y > 8 * l.CellHeight - l.CellHeight / 2;
}

void TCalendarInput::RepaintCaption() {
    cal_.update(0, 0, cal_.width(), cal_.Layout().CellHeight);
}

void TCalendarInput::RepaintTodayLine() {
    TCalendarLayout l = cal_.Layout();
    cal_.update(0, cal_.height() - l.CellHeight - 4, cal_.width(), l.CellHeight + 4);
}

// ---- Mouse move ----------------------------------------------------------------------------

void TCalendarInput::TrackButtons(int x, int y, const TCalendarLayout& l) {
    const TCalendarModel& m = cal_.Model();
    TBrowseButtons buttons = cal_.BrowseButtons();
    const TCalendarAppearance& look = cal_.Appearance();
    struct Button {
        TBrowseButton which;
        bool* hot;
        bool allowed;
        const std::string* hint;
    };
    Button all[] = {
        {TBrowseButton::PrevMonth, &HotPrevMonth, m.CanChangeMonth(-1), &look.HintPrevMonth},
        {TBrowseButton::NextMonth, &HotNextMonth, m.CanChangeMonth(1), &look.HintNextMonth},
        {TBrowseButton::PrevYear, &HotPrevYear, m.CanChangeYear(-1), &look.HintPrevYear},
        {TBrowseButton::NextYear, &HotNextYear, m.CanChangeYear(1), &look.HintNextYear},
    };
    for (Button& b : all) {
        TBrowseZone zone = BrowseZone(b.which, l, buttons);
        if (zone.Right <= zone.Left)
            continue;
        bool inside = zone.Contains(x, y);
        if (inside) {
            if (b.allowed)
                cal_.setCursor(Qt::PointingHandCursor);
            ButtonHint = *b.hint;
            bool next = b.which == TBrowseButton::NextMonth || b.which == TBrowseButton::NextYear;
            // Qt hangs a tip a cursor's height below the point it is given; from the foot of
            // the button the tip stays clear of the mouse, which would take it away at once.
            HintPoint = QPoint(next ? zone.Right : zone.Left, zone.Height);
            if (cal_.ShowWeeks())
                HintPoint.rx() += cal_.width() / 8;
        } else if (*b.hot) {
            cal_.setCursor(cal_.savedCursor_);
        }
        if (*b.hot != inside) {
            *b.hot = inside;
            cal_.update(zone.Rect().adjusted(-2, 0, 2, 2));
        }
    }
    bool anyHot = HotPrevMonth || HotNextMonth || HotPrevYear || HotNextYear;
    if (!anyHot && !HotGotoToday && cal_.cursor().shape() != cal_.savedCursor_.shape())
        cal_.setCursor(cal_.savedCursor_);
}

void TCalendarInput::MouseMove(int x, int y, Qt::MouseButtons buttons) {
    TCalendarLayout l = cal_.Layout();
    TCalendarModel& m = cal_.Model();
    int xp = x - l.WeekColWidth;
    ButtonHint.clear();
    DateHint.clear();
    if (!cal_.Enable())
        return;
    if (cal_.ShowMonthSelector() || cal_.ShowYearSelector()) {
        bool hot = InCaption(xp, y);
        if (hot != HotCaption) {
            HotCaption = hot;
            RepaintCaption();
        }
    }
    if (cal_.ShowGotoToday()) {
        QFontMetrics fm(cal_.font());
        int tw =
            fm.horizontalAdvance(QString::fromStdString(FormatDateTime(cal_.TodayFormat(), Now())));
        bool hot = OnGotoToday(y) && xp > l.WeekColWidth && xp < l.WeekColWidth + tw;
        if (hot) {
            if (!HotGotoToday) {
                HotGotoToday = true;
                RepaintTodayLine();
            }
            cal_.setCursor(Qt::PointingHandCursor);
            if (HoverDate != 0) {
                cal_.RepaintDate(HoverDate);
                HoverDate = 0;
            }
            return;
        }
        if (HotGotoToday) {
            HotGotoToday = false;
            cal_.setCursor(cal_.savedCursor_);
            cal_.update();
        }
    }
    TrackButtons(x, y, l);
    if (y > l.DayAreaTop()) {
        if (LastDown != FarAway && (buttons & Qt::LeftButton))
            LastDown = QPoint(xp, y);
        int col = l.ColumnAt(xp), row = l.RowAt(y);
        TDateTime date = m.DayAt(col, row).Date;
        if (date != HoverDate) {
            if (HoverDate != 0)
                cal_.RepaintDate(HoverDate);
            HoverDate = date;
            cal_.RepaintDate(date);
        }
        if (TSelDateItem* item = m.Events.FindDate(date))
            DateHint = item->Hint();
        if ((col != HoverCol || row != HoverRow) && HintShowing) {
            QToolTip::hideText();
            HintShowing = false;
        }
        HoverCol = col;
        HoverRow = row;
        if (LeftHeld && date != DragEnd && m.DateInRange(date)) {
            m.Dates.BeginUpdate();
            if (DragEnd != -1)
                m.Dates.DeleteRange(DragEnd, Anchor);
            DragEnd = date;
            double from = std::min(DayNumber(Anchor), date), to = std::max(DayNumber(Anchor), date);
            for (double d = from; d <= to; ++d)
                if (m.IsSelectable(d) && !m.Dates.Contains(d))
                    m.Dates.AddDate(d);
            m.Dates.EndUpdate();
        }
        if (cal_.OnGetDateHintString) {
            bool isEvent = false;
            cal_.OnGetDateHintString(&cal_, date, isEvent, DateHint);
        }
    }
    if (DateHint.empty() && ButtonHint.empty())
        QToolTip::hideText();
}

// ---- Mouse down and up ---------------------------------------------------------------------

bool TCalendarInput::ClickButtons(int x, int y, const TCalendarLayout& l) {
    TBrowseButtons buttons = cal_.BrowseButtons();
    if (BrowseZone(TBrowseButton::PrevMonth, l, buttons).Contains(x, y))
        cal_.ChangeMonth(-1);
    else if (BrowseZone(TBrowseButton::PrevYear, l, buttons).Contains(x, y))
        cal_.ChangeYear(-1);
    else if (BrowseZone(TBrowseButton::NextMonth, l, buttons).Contains(x, y))
        cal_.ChangeMonth(1);
    else if (BrowseZone(TBrowseButton::NextYear, l, buttons).Contains(x, y))
        cal_.ChangeYear(1);
    else
        return false;
    return true;
}

void TCalendarInput::SelectColumn(int xp, int y, Qt::KeyboardModifiers shift) {
    TCalendarModel& m = cal_.Model();
    TCalendarLayout l = cal_.Layout();
    TDateTime first = m.DayAt(l.ColumnAt(xp), 0).Date;
    Anchor = first;
    LastDown = QPoint(xp, y);
    m.Dates.BeginUpdate();
    if (!(shift & Qt::ControlModifier))
        m.Dates.Clear();
    bool all = true;
    for (int i = 0; i < 6; ++i)
        all = all && m.Dates.Contains(first + 7 * i);
    for (int i = 0; i < 6; ++i) {
        TDateTime d = first + 7 * i;
        if (all)
            m.Dates.DeleteRange(d, d);
        else if (m.IsSelectable(d) && !m.Dates.Contains(d))
            m.Dates.AddDate(d);
    }
    m.Dates.EndUpdate();
    cal_.update();
    if (cal_.OnAllDaySelect)
        cal_.OnAllDaySelect(&cal_);
}

void TCalendarInput::SelectRow(int y, Qt::KeyboardModifiers shift, const TCalendarLayout& l) {
    TCalendarModel& m = cal_.Model();
    TDateTime d = m.DayAt(l.ColumnAt(l.WeekColWidth), l.RowAt(y)).Date;
    m.Dates.BeginUpdate();
    if (!(shift & Qt::ControlModifier))
        m.Dates.Clear();
    bool all = true;
    for (TDateTime x = d - 1; x <= d + 5; ++x)
        all = all && m.Dates.Contains(x);
    if (all) {
        m.Dates.DeleteRange(d - 1, d + 5);
    } else {
        for (TDateTime x = d - 1; x <= d + 5; ++x)
            if (m.IsSelectable(x) && !m.Dates.Contains(x))
                m.Dates.AddDate(x);
    }
    m.Dates.EndUpdate();
    cal_.update();
    if (cal_.OnWeekSelect)
        cal_.OnWeekSelect(&cal_);
}

void TCalendarInput::ClickDay(int xp, int y, Qt::KeyboardModifiers shift, TDateTime oldDate) {
    TCalendarModel& m = cal_.Model();
    TCalendarLayout l = cal_.Layout();
    LastDown = QPoint(xp, y);
    TCellDay cell = m.DayAt(l.ColumnAt(xp), l.RowAt(y));
    TDateTime date = cell.Date;
    if (cell.Month == TCellMonth::Previous && m.ShowDaysBefore)
        cal_.ChangeMonth(-1);
    else if (cell.Month == TCellMonth::Next && m.ShowDaysAfter)
        cal_.ChangeMonth(1);
    Anchor = date;
    if (!m.IsSelectable(date) || !m.DateInRange(date))
        return;
    TDateTime old = oldDate;
    if ((shift & Qt::ControlModifier) && m.MultiSelect()) {
        if (!m.Dates.Contains(date)) {
            m.Dates.AddDate(date);
            m.SetSelectedDate(date);
        } else {
            m.Dates.Delete(m.Dates.IndexOf(date));
            old = date;
        }
    } else {
        m.Dates.BeginUpdate();
        m.Dates.DeleteRange(oldDate, oldDate);
        m.MoveTo(date);
        m.Dates.Clear();
        m.Dates.AddDate(date);
        m.Dates.EndUpdate();
    }
    cal_.update();
    cal_.DoChangeEvents(old, m.SelectedDate());
}

void TCalendarInput::MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
    if (button != Qt::LeftButton || !cal_.Enable())
        return;
    TCalendarModel& m = cal_.Model();
    TCalendarLayout l = cal_.Layout();
    int xp = x - l.WeekColWidth;
    cal_.setCursor(cal_.savedCursor_);
    TDateTime oldDate = m.SelectedDate();
    LastDown = FarAway;
    if (!cal_.hasFocus())
        cal_.setFocus(Qt::MouseFocusReason);

    TCaptionSpans spans = cal_.CaptionSpans();
    if (y >= 1 && y <= 14) {
        bool inMonth = xp >= spans.TextLeft && xp < spans.YearLeft;
        bool inYear = xp >= spans.YearLeft && xp <= spans.TextRight;
        if ((inMonth && cal_.ShowMonthSelector()) || (inYear && cal_.ShowYearSelector())) {
            std::unique_ptr<QMenu> menu = inMonth ? cal_.CreateMonthMenu() : cal_.CreateYearMenu();
            int left = (inMonth ? spans.TextLeft : spans.YearLeft) + l.WeekColWidth;
            int id = cal_.RunPopupMenu(*menu, cal_.mapToGlobal(QPoint(left, 0)));
            if (id != 0)
                cal_.MenuCommand(id);
            return;
        }
    }
    if (ClickButtons(x, y, l)) {
        cal_.DoChangeEvents(oldDate, m.SelectedDate());
        return;
    }
    if (m.MultiSelect())
        LeftHeld = true;
    DragEnd = -1;

    if (y > 15 && y < l.DayAreaTop() && xp > 0) {
        if (cal_.AllDaySelect() && m.MultiSelect())
            SelectColumn(xp, y, shift);
    } else if (xp < 0 && y > l.DayAreaTop()) {
        if (cal_.ShowWeeks() && cal_.WeekSelect() && m.MultiSelect())
            SelectRow(y, shift, l);
    } else if (OnGotoToday(y)) {
        TDateTime now = Now();
        Anchor = now;
        cal_.SetDate(now);
        if (m.MultiSelect())
            cal_.update();
        if (cal_.OnDayChange)
            cal_.OnDayChange(&cal_, oldDate, m.SelectedDate());
        if (cal_.OnDateChange)
            cal_.OnDateChange(&cal_, oldDate, m.SelectedDate());
    } else if (y > l.DayAreaTop() && xp > 0) {
        ClickDay(xp, y, shift, oldDate);
    }
}

void TCalendarInput::MouseUp(Qt::MouseButton button, int x, int y) {
    if (button != Qt::LeftButton)
        return;
    LeftHeld = false;
    if (!cal_.Enable())
        return;
    TCalendarModel& m = cal_.Model();
    int xp = x - cal_.Layout().WeekColWidth;
    if (std::abs(xp - LastDown.x()) <= 3 && std::abs(y - LastDown.y()) <= 3 && cal_.OnDaySelect &&
        m.IsSelectable(Anchor)) {
        LastDown = FarAway;
        cal_.OnDaySelect(&cal_, Anchor);
    } else if (OnGotoToday(y)) {
        cal_.SetDate(Now());
        if (m.MultiSelect())
            cal_.update();
        if (cal_.OnDaySelect)
            cal_.OnDaySelect(&cal_, m.SelectedDate());
    }
}

// ---- Keys ----------------------------------------------------------------------------------

bool TCalendarInput::KeyDown(int key, Qt::KeyboardModifiers shift) {
    TCalendarModel& m = cal_.Model();
    bool multi = m.MultiSelect() && cal_.KeyboardMultiSelect;
    TDateTime old = m.SelectedDate();
    TDateTime display = m.DisplayDate();
    bool arrow = true;
    TDateTime next = display;
    switch (key) {
    case Qt::Key_Left:
        next = display - 1;
        break;
    case Qt::Key_Up:
        next = display - 7;
        break;
    case Qt::Key_Right:
        next = display + 1;
        break;
    case Qt::Key_Down:
        next = display + 7;
        break;
    default:
        arrow = false;
    }
    bool select = key == Qt::Key_Space ||
                  ((key == Qt::Key_Return || key == Qt::Key_Enter) && cal_.ReturnIsSelect);
    bool page = key == Qt::Key_PageUp || key == Qt::Key_PageDown;
    if (!arrow && !select && !page)
        return false;
    if (!m.IsSelectable(next)) {
        if (cal_.OnKeyOutOfMonth)
            cal_.OnKeyOutOfMonth(&cal_, key);
        if (cal_.OnCancelledChange)
            cal_.OnCancelledChange(&cal_, next);
        return true;
    }
    if (!m.DateInRange(next))
        return true;
    m.SetDisplayDate(next);
    if (select) {
        if (!m.Dates.Contains(next)) {
            m.Dates.BeginUpdate();
            if (!multi || (!(shift & Qt::ControlModifier) && cal_.MultiSelectCtrlKey))
                m.Dates.Clear();
            m.Dates.AddDate(next);
            m.Dates.EndUpdate();
        } else {
            m.Dates.Delete(m.Dates.IndexOf(next));
        }
        cal_.update();
        m.SetSelectedDate(next);
        if (cal_.OnDaySelect)
            cal_.OnDaySelect(&cal_, next);
    }
    if (arrow) {
        m.SetSelectedDate(next);
        if ((shift & Qt::ShiftModifier) && multi) {
            if (DragEnd == -1) {
                Anchor = old;
                m.Dates.AddRange(next, Anchor);
                DragEnd = next;
            } else {
                m.Dates.BeginUpdate();
                m.Dates.DeleteRange(old, Anchor);
                m.Dates.AddRange(next, Anchor);
                m.Dates.EndUpdate();
            }
        } else if (!multi) {
            DragEnd = -1;
        } else {
            Anchor = next;
            cal_.SetDate(next);
            DragEnd = -1;
        }
        cal_.update();
    }
    if (key == Qt::Key_PageUp)
        cal_.ChangeMonth(-1);
    else if (key == Qt::Key_PageDown)
        cal_.ChangeMonth(1);
    if ((arrow || page) && cal_.OnDateChange)
        cal_.OnDateChange(&cal_, old, m.SelectedDate());
    cal_.DoChangeEvents(old, m.SelectedDate());
    return true;
}

bool TCalendarInput::KeyPress(QChar key) {
    if (key != QChar(27))
        return false;
    cal_.Model().SetSelectedDate(cal_.Model().PrevSelectedDate());
    cal_.update();
    return true;
}

// ---- Leaving and hints ---------------------------------------------------------------------

void TCalendarInput::MouseLeave() {
    if (HoverDate != 0)
        cal_.RepaintDate(HoverDate);
    HoverDate = 0;
    bool* flags[] = {&HotPrevMonth, &HotNextMonth, &HotCaption,
                     &HotPrevYear,  &HotNextYear,  &HotGotoToday};
    bool any = false;
    for (bool* f : flags) {
        any = any || *f;
        *f = false;
    }
    if (any) {
        cal_.update(0, 0, cal_.width(), cal_.height() / 7);
        if (cal_.ShowGotoToday())
            RepaintTodayLine();
    }
}

bool TCalendarInput::ShowHint(QHelpEvent* e) {
    if (!cal_.EventHints() && ButtonHint.empty())
        return false;
    TCalendarLayout l = cal_.Layout();
    HintShowing = !DateHint.empty() && HoverCol >= 0;
    // The hints stay as long as the control's tooltips do.
    const int duration = cal_.toolTipDuration();
    if (!ButtonHint.empty()) {
        QToolTip::showText(cal_.mapToGlobal(HintPoint), HintText(ButtonHint), &cal_, QRect(),
                           duration);
    } else if (HintShowing) {
        QPoint at((HoverCol + 1) * l.CellWidth, HoverRow * l.CellHeight + l.GridTop);
        QToolTip::showText(cal_.mapToGlobal(at), HintText(DateHint), &cal_, QRect(), duration);
    } else {
        QToolTip::hideText();
        e->ignore();
    }
    return true;
}

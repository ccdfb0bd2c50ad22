#pragma once
// How the month calendar reacts to the user: hot-tracking of caption, browse buttons, the
// go-to-today line and day cells; clicks that browse, select a day, toggle days with Ctrl,
// select a week row or a weekday column or drag a range; arrow, page and selection keys; the
// month and year menus; day and button hints. X' below is x minus the week column width.

#include <QPoint>
#include <string>

#include "controls/calendar/calendarlayout.h"
#include "platform/datetime.h"

class QHelpEvent;
class QMouseEvent;
class TAgendaCalendar;

class TCalendarInput {
public:
    explicit TCalendarInput(TAgendaCalendar& calendar) : cal_(calendar) {}

    // ---- State that painting reads --------------------------------------------------------
    TDateTime HoverDate = 0; // 0: none
    int HoverCol = -1, HoverRow = -1;
    bool HotPrevMonth = false, HotNextMonth = false, HotCaption = false;
    bool HotPrevYear = false, HotNextYear = false, HotGotoToday = false;
    bool HintShowing = false;
    TDateTime Anchor = 0;
    TDateTime DragEnd = -1; // -1: no range in progress
    bool LeftHeld = false;
    // Where the last day press was (x', y); far away when the press was not on a day.
    QPoint LastDown{32767, 32767};
    std::string DateHint, ButtonHint;
    QPoint HintPoint;

    // ---- Handlers (the calendar fires the host's mouse and key events first) --------------
    void MouseMove(int x, int y, Qt::MouseButtons buttons);
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void MouseUp(Qt::MouseButton button, int x, int y);
    // The calendar's part of a double click after the press handling.
    void DoubleClick() { LeftHeld = false; }
    // Returns whether the key was used.
    bool KeyDown(int key, Qt::KeyboardModifiers shift);
    bool KeyPress(QChar key);
    void MouseLeave();
    // Answers a tool-tip request; false when the calendar shows none of its own.
    bool ShowHint(QHelpEvent* e);

private:
    bool InCaption(int xp, int y) const;
    bool OnGotoToday(int y) const;
    void TrackButtons(int x, int y, const TCalendarLayout& l);
    bool ClickButtons(int x, int y, const TCalendarLayout& l);
    void SelectColumn(int xp, int y, Qt::KeyboardModifiers shift);
    void SelectRow(int y, Qt::KeyboardModifiers shift, const TCalendarLayout& l);
    void ClickDay(int xp, int y, Qt::KeyboardModifiers shift, TDateTime oldDate);
    void RepaintCaption();
    void RepaintTodayLine();

    TAgendaCalendar& cal_;
};

#include "controls/calendar/calendarlayout.h"

#include <algorithm>

TCalendarLayout TCalendarLayout::Compute(int width, int height, bool showWeeks, bool showGotoToday,
                                         int borderWidth, int gridTop) {
    TCalendarLayout l;
    l.Width = width;
    l.Height = height;
    l.ColCount = showWeeks ? 8 : 7;
    l.RowCount = showGotoToday ? 9 : 8;
    l.CellWidth = std::max(0, (width - l.ColCount) / l.ColCount);
    l.CellHeight = std::max(0, (height + 8) / l.RowCount);
    l.WeekColWidth = showWeeks ? l.CellWidth : borderWidth;
    l.GridTop = gridTop;
    return l;
}

QRect TCalendarLayout::CellRect(int col, int row) const {
    int left = (col - 1) * CellWidth + WeekColWidth;
    int top = row * CellHeight + GridTop - 2;
    return QRect(left, top, CellWidth + 2, CellHeight);
}

QRect TCalendarLayout::TodayFrame(int col, int row) const {
    int x1 = (col - 1) * CellWidth + WeekColWidth + 4;
    int y1 = row * CellHeight - 2 + GridTop;
    int x2 = col * CellWidth + WeekColWidth + 2;
    int y2 = (row + 1) * CellHeight - 3 + GridTop;
    return QRect(QPoint(x1, y1), QPoint(x2, y2));
}

int TCalendarLayout::RowAt(int y) const {
    return CellHeight > 0 ? (y - GridTop - CellHeight) / CellHeight : 0;
}

TBrowseZone BrowseZone(TBrowseButton b, const TCalendarLayout& l, const TBrowseButtons& buttons) {
    auto w = [](const QSize& s) { return s.isEmpty() ? 0 : s.width(); };
    auto h = [](const QSize& s) { return s.isEmpty() ? 0 : s.height(); };
    bool pm = !buttons.PM.isEmpty(), py = !buttons.PY.isEmpty();
    bool nm = !buttons.NM.isEmpty(), ny = !buttons.NY.isEmpty();
    int x0 = l.WeekColWidth; // previous buttons are measured from the first day column
    TBrowseZone z;
    switch (b) {
    case TBrowseButton::PrevMonth: {
        if (!buttons.PrevMonth)
            return {};
        int left, right;
        if (pm && py) {
            left = w(buttons.PY) + 10;
            right = left + w(buttons.PM);
        } else if (pm) {
            left = 25;
            right = w(buttons.PM) + 25;
        } else if (py) {
            left = 25;
            right = w(buttons.PY) + 25;
        } else {
            left = 25;
            right = 35;
        }
        if (!buttons.PrevYear) {
            left -= 20;
            right -= 20;
        }
        z = {x0 + left, x0 + right, pm ? h(buttons.PM) : 15};
        break;
    }
    case TBrowseButton::PrevYear:
        if (!buttons.PrevYear)
            return {};
        z = {x0 + 5, x0 + (py ? w(buttons.PY) + 5 : 15), py ? h(buttons.PY) : 15};
        break;
    case TBrowseButton::NextMonth: {
        if (!buttons.NextMonth)
            return {};
        int a, c;
        if (nm && ny) {
            c = w(buttons.NY) + 10;
            a = c + w(buttons.NM);
        } else if (nm) {
            a = w(buttons.NM) + 25;
            c = 25;
        } else if (ny) {
            a = w(buttons.NY) + 15;
            c = w(buttons.NY) + 10;
        } else {
            a = 30;
            c = 25;
        }
        if (!buttons.NextYear) {
            a -= 20;
            c -= 20;
        }
        z = {l.Width - a, l.Width - c, nm ? h(buttons.NM) : 15};
        break;
    }
    case TBrowseButton::NextYear:
        if (!buttons.NextYear)
            return {};
        z = {l.Width - (ny ? w(buttons.NY) + 5 : 15), l.Width - 5, ny ? h(buttons.NY) : 15};
        break;
    }
    return z;
}

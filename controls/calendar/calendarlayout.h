#pragma once
// The month calendar's pixel geometry, recomputed from its size at each paint and each mouse
// event: cell size, week column, the rectangles of the day cells, of the today frame, and the
// hot zones of the four browse buttons. All values are client pixels.

#include <QRect>
#include <QSize>

enum class TBrowseButton { PrevMonth, NextMonth, PrevYear, NextYear };

struct TCalendarLayout {
    int Width = 0, Height = 0;
    int ColCount = 7, RowCount = 8; // grid columns (8 with week numbers), rows with caption
    int CellWidth = 0, CellHeight = 0;
    int WeekColWidth = 0; // the week column, or the border width without week numbers
    int GridTop = 16;

    // Layout of a width x height calendar.
    static TCalendarLayout Compute(int width, int height, bool showWeeks, bool showGotoToday,
                                   int borderWidth, int gridTop = 16);

    // The rectangle of day cell col 1..7, row 1..6 (neighbours overlap by two pixels).
    QRect CellRect(int col, int row) const;
    // The frame drawn around today's cell: the outer corners (x1, y1) and (x2, y2), inclusive.
    QRect TodayFrame(int col, int row) const;
    // Y below which (exclusive) the day cells start.
    int DayAreaTop() const { return CellHeight + GridTop; }
    // The 0-based column and row under x' (measured from the first day column) and y, not
    // clamped.
    int ColumnAt(int xp) const { return CellWidth > 0 ? xp / CellWidth : 0; }
    int RowAt(int y) const;
};

// Which browse buttons are shown and the sizes of their bitmaps (an empty size: no bitmap).
struct TBrowseButtons {
    bool PrevMonth = true, PrevYear = true, NextMonth = true, NextYear = true;
    QSize PM, PY, NM, NY;
};

// The hot zone of a button: Left < X < Right and 0 < Y < Height, X in client pixels.
struct TBrowseZone {
    int Left = 0, Right = 0, Height = 0;
    bool Contains(int x, int y) const { return x > Left && x < Right && y > 0 && y < Height; }
    QRect Rect() const { return QRect(Left, 0, Right - Left + 1, Height + 1); }
};

// The hot zone of button b of a calendar laid out as l; a hidden button has an empty zone.
TBrowseZone BrowseZone(TBrowseButton b, const TCalendarLayout& l, const TBrowseButtons& buttons);

#pragma once
// Paints a month calendar: panel and themed border, background picture or gradients, caption
// band with month, year and browse buttons, day-name header, grid lines, week numbers, the 42
// day cells (selection, hover, weekend, out-of-range and event-day looks, the host's cell
// events), the focus rectangle, the today frame and the go-to-today line.

#include <QColor>
#include <QFont>
#include <QRect>

#include "controls/calendar/calendarlayout.h"
#include "controls/calendar/calendartypes.h"

class QPainter;
class TAgendaCalendar;

class TCalendarPainter {
public:
    TCalendarPainter(TAgendaCalendar& calendar, QPainter& painter);
    // Paints everything (only the panel while the calendar's update lock is held).
    void Paint();

    // The colour of a themed edit box's border (drawn through the themed style).
    static QColor ThemedBorderColor();
    // The event marker in rect shrunk by one pixel: rectangle, circle, diamond or triangle.
    static void DrawEventMarker(QPainter& p, const QRect& rect, TColor color, TEventShape shape);

private:
    QRect InnerRect() const;
    void PaintBackground(const QRect& inner);
    void PaintMonth();
    void PaintBrowseButtons();
    void PaintCaption();
    void PaintHeader(int textHeight);
    void PaintWeekNumbers();
    void PaintCell(int col, int row);
    void PaintTodayFrame(int col, int row);
    void PaintTodayLine();
    void Triangle(QPoint a, QPoint b, QPoint c, TColor color);
    void Glyph(const QImage& image, int x, int y);
    // A GDI-style rectangle: one-pixel outline in pen, inside filled with brush (either may be
    // invalid to leave it out).
    void Rectangle(const QRect& r, const QColor& pen, const QColor& brush);
    void Text(const QString& text, QRect rect, unsigned flags, const QFont& font, TColor color);

    TAgendaCalendar& cal_;
    QPainter& p_;
    TCalendarLayout l_;
    QColor hoverPen_{Qt::black};
    TDateTime today_ = 0;
};

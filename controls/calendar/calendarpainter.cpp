#include "controls/calendar/calendarpainter.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPolygon>

#include "controls/calendar/agendacalendar.h"
#include "controls/calendar/calendarinput.h"
#include "platform/datetimeformat.h"
#include "platform/gui/canvas.h"
#include "platform/gui/qtcolors.h"
#include "platform/gui/themes.h"

namespace {

QColor Q(TColor c) {
    return ColorToQColor(c);
}

// Text colours: clNone writes in the window-text colour.
QColor TextQ(TColor c) {
    return ColorToQColor(c, ColorToQColor(clWindowText));
}

constexpr unsigned CellTextFlags = DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX;

} // namespace

TCalendarPainter::TCalendarPainter(TAgendaCalendar& calendar, QPainter& painter)
    : cal_(calendar), p_(painter) {
    l_ = cal_.Layout();
    today_ = Date();
}

QColor TCalendarPainter::ThemedBorderColor() {
    QImage image(12, 12, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter ip(&image);
        DrawEditFrame(ip, QRect(0, 0, 10, 10), TThemeState::Normal);
    }
    return QColor(image.pixel(0, 5));
}

QRect TCalendarPainter::InnerRect() const {
    int inset = cal_.BorderWidth();
    if (cal_.BevelInner() != bvNone || cal_.BevelOuter() != bvNone)
        inset += cal_.BevelWidth();
    return cal_.rect().adjusted(inset, inset, -inset, -inset);
}

void TCalendarPainter::Paint() {
    p_.setRenderHint(QPainter::Antialiasing, false);
    cal_.PaintPanel(p_);
    hoverPen_ = Qt::black;
    if (cal_.UpdateLock() > 0)
        return;
    if (ThemesEnabled() && cal_.BorderXP()) {
        hoverPen_ = ThemedBorderColor();
        Rectangle(cal_.rect(), hoverPen_, QColor());
    }
    QRect inner = InnerRect();
    FillRect(p_, inner, cal_.Color());
    PaintBackground(inner);
    const TCalendarAppearance& look = cal_.Appearance();
    if (look.CaptionColor != clNone) {
        int bw = cal_.BorderWidth();
        int th = QFontMetrics(cal_.font()).height();
        QRect band(QPoint(bw, bw), QPoint(cal_.width() - bw - 1, th + 5 - 1));
        Rectangle(band, cal_.Caption3D() ? Q(clGray) : Q(look.CaptionColor), Q(look.CaptionColor));
        if (cal_.Caption3D()) {
            p_.fillRect(band.left(), band.top(), band.width(), 1, Qt::white);
            p_.fillRect(band.left(), band.top(), 1, band.height(), Qt::white);
        }
    }
    PaintMonth();
    if (cal_.ShowGotoToday())
        PaintTodayLine();
}

void TCalendarPainter::PaintBackground(const QRect& inner) {
    const TEnhImage& picture = cal_.Background();
    if (!picture.Picture().isNull()) {
        int pw = picture.Width(), ph = picture.Height();
        int right = std::max(inner.left(), inner.right() + 1 - pw);
        int bottom = std::max(inner.top(), inner.bottom() + 1 - ph);
        p_.save();
        p_.setClipRect(inner, Qt::IntersectClip);
        switch (cal_.BackgroundPosition()) {
        case bpTopLeft:
            picture.Draw(p_, QRect(inner.left(), inner.top(), pw, ph));
            break;
        case bpTopRight:
            picture.Draw(p_, QRect(right, inner.top(), pw, ph));
            break;
        case bpBottomLeft:
            picture.Draw(p_, QRect(inner.left(), bottom, pw, ph));
            break;
        case bpBottomRight:
            picture.Draw(p_, QRect(right, bottom, pw, ph));
            break;
        case bpTiled:
            for (int y = inner.top(); y <= inner.bottom(); y += ph)
                for (int x = inner.left(); x <= inner.right(); x += pw)
                    picture.Draw(p_, QRect(x, y, pw, ph));
            break;
        case bpStretched:
            picture.Draw(p_, inner);
            break;
        case bpCenter:
            picture.Draw(p_, QRect(inner.left() + (inner.width() - pw) / 2,
                                   inner.top() + (inner.height() - ph) / 2, pw, ph));
            break;
        }
        p_.restore();
        return;
    }
    const TCalendarAppearance& look = cal_.Appearance();
    int th = QFontMetrics(cal_.font()).height();
    int bandBottom = (cal_.height() + l_.RowCount) / l_.RowCount + th - 4;
    if (look.MonthGradientStartColor != clNone && look.MonthGradientEndColor != clNone)
        DrawGradient(p_, look.MonthGradientStartColor, look.MonthGradientEndColor, 80,
                     QRect(inner.left(), inner.top(), inner.width(), bandBottom - inner.top()),
                     look.MonthGradientDirection == gdHorizontal);
    if (look.GradientStartColor != clNone && look.GradientEndColor != clNone) {
        int top = look.MonthGradientStartColor != clNone ? bandBottom : inner.top();
        DrawGradient(p_, look.GradientStartColor, look.GradientEndColor, 80,
                     QRect(inner.left(), top, inner.width(), inner.bottom() + 1 - top),
                     look.GradientDirection == gdHorizontal);
    }
}

void TCalendarPainter::PaintMonth() {
    PaintBrowseButtons();
    PaintCaption();
    QFontMetrics dm(cal_.DayFont());
    int textHeight = dm.height();
    PaintHeader(textHeight);
    for (int col = 1; col <= 7; ++col)
        for (int row = 1; row <= 6; ++row)
            PaintCell(col, row);
}

void TCalendarPainter::Triangle(QPoint a, QPoint b, QPoint c, TColor color) {
    QColor q = TextQ(color);
    p_.setPen(q);
    p_.setBrush(q);
    p_.drawPolygon(QPolygon({a, b, c}));
    p_.setBrush(Qt::NoBrush);
}

void TCalendarPainter::Glyph(const QImage& image, int x, int y) {
    if (image.hasAlphaChannel())
        p_.drawImage(QPoint(x, y), image);
    else
        DrawTransparent(p_, QPoint(x, y), image, AutoTransparentColor(image));
}

void TCalendarPainter::PaintBrowseButtons() {
    const TCalendarModel& m = cal_.Model();
    const TCalendarAppearance& look = cal_.Appearance();
    const TCalendarInput& in = cal_.Input();
    const TCalGlyphs& g = cal_.Glyphs();
    const TCalendarBrowsers& b = cal_.Browsers();
    int bw = cal_.BorderWidth(), wcw = l_.WeekColWidth, w = cal_.width();
    auto color = [&](bool hot, bool ok) {
        return !ok ? look.InActiveColor : hot ? look.SelectColor : look.CaptionTextColor;
    };
    bool pm = !g.PrevMonth().isNull(), py = !g.PrevYear().isNull();
    bool nm = !g.NextMonth().isNull(), ny = !g.NextYear().isNull();
    if (b.PrevMonth()) {
        TColor c = color(in.HotPrevMonth, m.CanChangeMonth(-1));
        int x0 = wcw + (b.PrevYear() && !pm ? 20 : 0);
        if (!pm) {
            if (!py || !b.PrevYear()) {
                Triangle({x0 + 10, bw + 3}, {x0 + 5, bw + 8}, {x0 + 10, bw + 13}, c);
            } else {
                int p = x0 + g.PrevYear().width();
                Triangle({p + 5, bw + 1}, {p, bw + 6}, {p + 5, bw + 11}, c);
            }
        } else if (py && b.PrevYear()) {
            Glyph(g.PrevMonth(), x0 + g.PrevYear().width() + 10, bw + 1);
        } else {
            Glyph(g.PrevMonth(), x0 + 5, bw + 1);
        }
    }
    if (b.NextMonth()) {
        TColor c = color(in.HotNextMonth, m.CanChangeMonth(1));
        int o = b.NextYear() ? 25 : 5;
        if (!nm) {
            if (!ny || !b.NextYear()) {
                Triangle({w - 5 - o, bw + 3}, {w - 5 - o, bw + 13}, {w - o, bw + 8}, c);
            } else {
                int q = w - g.NextYear().width();
                Triangle({q - 15, bw + 1}, {q - 15, bw + 11}, {q - 10, bw + 6}, c);
            }
        } else if (ny && b.NextYear()) {
            Glyph(g.NextMonth(), w - g.NextMonth().width() - g.NextYear().width() - 10, bw + 1);
        } else {
            Glyph(g.NextMonth(), w - o - g.NextMonth().width(), bw + 1);
        }
    }
    if (b.PrevYear()) {
        TColor c = color(in.HotPrevYear, m.CanChangeYear(-1));
        if (!py) {
            for (int d : {0, 5})
                Triangle({wcw + d + 10, bw + 3}, {wcw + d + 5, bw + 8}, {wcw + d + 10, bw + 13}, c);
        } else {
            Glyph(g.PrevYear(), wcw + 5, bw + 1);
        }
    }
    if (b.NextYear()) {
        TColor c = color(in.HotNextYear, m.CanChangeYear(1));
        if (!ny) {
            for (int d : {0, 5})
                Triangle({w - d - 10, bw + 3}, {w - d - 10, bw + 13}, {w - d - 5, bw + 8}, c);
        } else {
            Glyph(g.NextYear(), w - g.NextYear().width() - 5, bw + 1);
        }
    }
}

void TCalendarPainter::PaintCaption() {
    const TCalendarAppearance& look = cal_.Appearance();
    QString text = QString::fromStdString(cal_.Model().CaptionText());
    QFontMetrics fm(cal_.font());
    TCaptionSpans spans = cal_.CaptionSpans();
    p_.setFont(cal_.font());
    p_.setPen(TextQ(cal_.Input().HotCaption ? look.SelectColor : look.CaptionTextColor));
    p_.drawText(QPoint(spans.TextLeft + l_.WeekColWidth, 2 + fm.ascent()), text);
}

void TCalendarPainter::PaintHeader(int textHeight) {
    const TCalendarAppearance& look = cal_.Appearance();
    int bw = cal_.BorderWidth(), cw = l_.CellWidth, ch = l_.CellHeight, wcw = l_.WeekColWidth;
    int w = cal_.width(), h = cal_.height();
    if (look.Look == look3D) {
        QRect header(QPoint(bw + 1, ch - 4), QPoint(w - bw - 2, textHeight + ch - 5));
        if (look.HeaderColor != clNone)
            FillRect(
                p_,
                QRect(QPoint(wcw + 2, l_.GridTop), QPoint(cw * 7 + wcw + 3, ch + l_.GridTop - 9)),
                look.HeaderColor);
        Frame3D(p_, header, clWhite, clGray, 1);
    }
    for (int c = 1; c <= 7; ++c) {
        QRect r(QPoint((c - 1) * cw + wcw, ch - 6),
                QPoint((c - 1) * cw + wcw + cw - 1, 2 * ch - 1));
        Text(QString::fromStdString(cal_.Model().NameOfDays.Name(cal_.StartDay() + c - 1)), r,
             DT_SINGLELINE | DT_CENTER | DT_NOPREFIX | DT_NOCLIP, cal_.DayFont(), look.TextColor);
    }
    int lineY = ch + textHeight - 4;
    p_.fillRect(bw, lineY, w - 2 * bw, 1, TextQ(look.LineColor));
    if (look.Line3D)
        p_.fillRect(bw, lineY + 1, w - 2 * bw, 1, Qt::white);
    if (cal_.ShowWeeks()) {
        p_.fillRect(cw, lineY, 1, h - 2 - lineY, TextQ(look.LineColor));
        if (look.Line3D)
            p_.fillRect(cw + 1, lineY, 1, h - 2 - lineY, Qt::white);
        PaintWeekNumbers();
    }
}

void TCalendarPainter::PaintWeekNumbers() {
    const TCalendarAppearance& look = cal_.Appearance();
    int cw = l_.CellWidth, ch = l_.CellHeight;
    Text(QString::fromStdString(look.WeekName),
         QRect(QPoint(2, ch - 6), QPoint(cw + 1, 2 * ch - 1)),
         DT_SINGLELINE | DT_CENTER | DT_NOPREFIX | DT_NOCLIP, cal_.DayFont(), look.TextColor);
    for (int r = 1; r <= 6; ++r) {
        int top = r * ch + l_.GridTop - 2;
        Text(QString::number(cal_.Model().WeekNumber(r)), QRect(0, top, cw, ch - 2), CellTextFlags,
             cal_.WeekFont(), look.TextColor);
    }
}

void TCalendarPainter::Text(const QString& text, QRect rect, unsigned flags, const QFont& font,
                            TColor color) {
    p_.setFont(font);
    p_.setPen(TextQ(color));
    DrawText(p_, text, rect, flags);
}

void TCalendarPainter::Rectangle(const QRect& r, const QColor& pen, const QColor& brush) {
    if (r.width() <= 0 || r.height() <= 0)
        return;
    if (pen.isValid()) {
        p_.fillRect(r.left(), r.top(), r.width(), 1, pen);
        p_.fillRect(r.left(), r.bottom(), r.width(), 1, pen);
        p_.fillRect(r.left(), r.top(), 1, r.height(), pen);
        p_.fillRect(r.right(), r.top(), 1, r.height(), pen);
        if (brush.isValid())
            p_.fillRect(r.adjusted(1, 1, -1, -1), brush);
    } else if (brush.isValid()) {
        p_.fillRect(r, brush);
    }
}

void TCalendarPainter::DrawEventMarker(QPainter& p, const QRect& rect, TColor color,
                                       TEventShape shape) {
    if (shape == evsNone || color == clNone)
        return;
    QRect r = rect.adjusted(1, 1, -1, -1);
    QColor q = ColorToQColor(color);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(q);
    p.setBrush(q);
    int cx = r.left() + r.width() / 2, cy = r.top() + r.height() / 2;
    switch (shape) {
    case evsRectangle:
        p.fillRect(r, q);
        break;
    case evsCircle:
        p.drawEllipse(r.adjusted(0, 0, -1, -1));
        break;
    case evsSquare:
        p.drawPolygon(QPolygon({QPoint(cx, r.top()), QPoint(r.right(), cy), QPoint(cx, r.bottom()),
                                QPoint(r.left(), cy)}));
        break;
    case evsTriangle:
        p.drawPolygon(QPolygon(
            {QPoint(cx, r.top()), QPoint(r.right(), r.bottom()), QPoint(r.left(), r.bottom())}));
        break;
    case evsNone:
        break;
    }
    p.restore();
}

void TCalendarPainter::PaintCell(int col, int row) {
    TCalendarModel& m = cal_.Model();
    const TCalendarAppearance& look = cal_.Appearance();
    const TCalendarInput& in = cal_.Input();
    TCellDay cell = m.CellDay(col, row);
    TDateTime day = cell.Date;
    if (!m.IsSelectable(day))
        return;
    QRect rect = l_.CellRect(col, row);
    bool inMonth = cell.Month == TCellMonth::Shown;
    bool selected = cal_.ShowSelection() && m.Dates.Contains(day);
    bool hover =
        in.HoverDate != 0 && DayNumber(in.HoverDate) == day && look.DateHoverColor != clNone;
    bool inRange = m.DateInRange(day);
    QFont font = cal_.font();
    TColor color = look.TextColor;
    TEventProp* item = nullptr;
    bool isEvent = false;
    auto eventLook = [&] {
        isEvent = cal_.IsEventDay(day, item);
        if (!isEvent)
            return;
        font.setBold(true);
        color = cal_.EventDayColor();
        if (item) {
            DrawEventMarker(p_, rect, item->MarkerColor(), item->MarkerShape());
            color = item->DayColor();
        } else {
            DrawEventMarker(p_, rect, cal_.EventMarkerColor(), cal_.EventMarkerShape());
        }
    };
    auto hoverFrame = [&] {
        if (hover)
            Rectangle(rect, hoverPen_, Q(selected ? look.DateDownColor : look.DateHoverColor));
    };
    auto frame3D = [&] {
        if (look.Look == look3D) {
            QRect r = rect;
            Frame3D(p_, r, clWhite, clGray, 1);
        }
    };
    if (inMonth) {
        eventLook();
        if (!selected) {
            hoverFrame();
            color = cal_.IsInActiveDay(day) ? look.WeekendColor : look.TextColor;
            if (!inRange)
                color = look.InActiveColor;
        } else {
            FillRect(p_, rect, look.DateSelectColor);
            color = inRange ? look.SelectFontColor : look.InActiveColor;
            hoverFrame();
        }
        frame3D();
    } else {
        // A neighbour month's day; a selected one of the next month is written in the select
        // font colour.
        if (selected)
            FillRect(p_, rect, look.DateSelectColor);
        hoverFrame();
        color =
            selected && cell.Month == TCellMonth::Next ? look.SelectFontColor : look.InversColor;
        eventLook();
        if (!inRange)
            color = look.InActiveColor;
    }
    TCellCanvas canvas{&p_, font, color};
    if (cal_.OnCellDraw && cal_.OwnerDraw()) {
        p_.save();
        cal_.OnCellDraw(&cal_, canvas, day, false, isEvent, inMonth, rect);
        p_.restore();
    } else {
        if (cal_.OnBeforeCellDraw) {
            p_.save();
            cal_.OnBeforeCellDraw(&cal_, canvas, day, false, isEvent, false, rect);
            p_.restore();
        }
        Text(QString::number(DayOf(day)), rect, CellTextFlags, canvas.Font, canvas.FontColor);
    }
    if (inMonth && cal_.hasFocus() && day == DayNumber(m.DisplayDate()))
        DrawFocusRect(p_, rect);
    if (inMonth && cal_.ShowToday() && day == DayNumber(today_))
        PaintTodayFrame(col, row);
}

void TCalendarPainter::PaintTodayFrame(int col, int row) {
    const TCalendarAppearance& look = cal_.Appearance();
    QRect f = l_.TodayFrame(col, row);
    int x1 = f.left(), y1 = f.top(), x2 = f.right(), y2 = f.bottom();
    QColor topLeft, bottomRight;
    switch (look.TodayStyle) {
    case tsSunken:
        topLeft = Q(clGray);
        bottomRight = Qt::white;
        break;
    case tsRaised:
        topLeft = Qt::white;
        bottomRight = Q(clGray);
        break;
    case tsFlat:
        topLeft = bottomRight = TextQ(look.LineColor);
        break;
    }
    p_.fillRect(x1, y1, 1, y2 - y1 + 1, topLeft);
    p_.fillRect(x1, y1, x2 - x1, 1, topLeft);
    p_.fillRect(x2, y1, 1, y2 - y1 + 1, bottomRight);
    p_.fillRect(x1 + 1, y2, x2 - x1, 1, bottomRight);
}

void TCalendarPainter::PaintTodayLine() {
    const TCalendarAppearance& look = cal_.Appearance();
    QFont font = cal_.font();
    bool hot = cal_.Input().HotGotoToday;
    font.setUnderline(hot);
    QFontMetrics fm(font);
    p_.setFont(font);
    p_.setPen(TextQ(hot ? look.SelectColor : look.TextColor));
    QString text = QString::fromStdString(FormatDateTime(cal_.TodayFormat(), Now()));
    p_.drawText(QPoint(l_.WeekColWidth + 2, 8 * l_.CellHeight - 4 + fm.ascent()), text);
}

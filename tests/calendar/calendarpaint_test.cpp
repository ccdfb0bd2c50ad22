// A month rendered into an image, checked at a few pixel positions of the layout.
#include <gtest/gtest.h>

#include "calendartestutil.h"
#include "controls/calendar/agendacalendar.h"
#include "controls/calendar/calendarinput.h"
#include "platform/gui/themes.h"
#include "testutil.h"

namespace {

// May 2024 (1 May is a Wednesday; with Sunday first the month leads by three cells), today
// the 15th.
struct PaintTest : ::testing::Test {
    FixedClock clock{D(2024, 5, 15) + 0.4};
    TAgendaCalendar cal;
    PaintTest() {
        PinFonts(cal);
        cal.SetDate(D(2024, 5, 20));
    }
    QRect Cell(TDateTime d) { return cal.DateRect(d); }
};

const QColor Holiday(200, 0, 100);

} // namespace

TEST_F(PaintTest, TodaySelectionRemindersAndHolidays) {
    cal.SetShowToday(true);
    cal.Events().AddDate(D(2024, 5, 8));
    cal.OnBeforeCellDraw = [](QObject*, TCellCanvas& c, TDateTime day, bool selected, bool,
                              bool inMonth, const QRect&) {
        EXPECT_FALSE(selected);
        EXPECT_FALSE(inMonth);
        if (day == D(2024, 5, 27))
            c.FontColor = QColorToColor(Holiday);
    };
    QImage image = Render(cal, "month");

    // Today (15th: column 4, row 3): a sunken frame, grey left edge and white right edge.
    EXPECT_EQ(cal.DateRect(D(2024, 5, 15)), cal.Layout().CellRect(4, 3));
    QRect frame = cal.Layout().TodayFrame(4, 3);
    EXPECT_EQ(frame, QRect(QPoint(77, 83), QPoint(99, 105)));
    EXPECT_EQ(Pixel(image, 77, 94), Q(clGray));
    EXPECT_EQ(Pixel(image, 88, 83), Q(clGray));
    EXPECT_EQ(Pixel(image, 99, 94), Q(clWhite));

    // The selected 20th is filled with the selection colour, its number in the select font
    // colour.
    QRect sel = Cell(D(2024, 5, 20));
    EXPECT_EQ(sel, QRect(25, 106, 26, 23));
    EXPECT_EQ(Pixel(image, sel.left() + 1, sel.top() + 1), Q(clTeal));
    EXPECT_GT(CountColor(image, sel, Q(clWhite)), 5);

    // The reminder day is bold (more ink than the plain number) with the default marker.
    TAgendaCalendar plain;
    PinFonts(plain);
    plain.SetDate(D(2024, 5, 20));
    QImage plainImage = Render(plain);
    QRect ev = Cell(D(2024, 5, 8));
    int bold = CountColor(image, ev, Q(clBlack)), regular = CountColor(plainImage, ev, Q(clBlack));
    EXPECT_GT(bold, regular + 5);
    EXPECT_GT(CountColor(image, ev, Q(clYellow)), 100);

    // The host's colour through the before-cell-draw event; weekends in the weekend colour.
    EXPECT_GT(CountColor(image, Cell(D(2024, 5, 27)), Holiday), 5);
    EXPECT_EQ(CountColor(image, Cell(D(2024, 5, 28)), Holiday), 0);
    EXPECT_GT(CountColor(image, Cell(D(2024, 5, 18)), Q(clRed)), 5);
    EXPECT_EQ(CountColor(image, Cell(D(2024, 5, 17)), Q(clRed)), 0);
}

TEST_F(PaintTest, SelectedWeekendAndNeighbourDays) {
    cal.SetDate(D(2024, 5, 18)); // a Saturday
    cal.Dates().AddDate(D(2024, 6, 1));
    cal.SetDateHoverColor(clAqua);
    cal.Input().HoverDate = D(2024, 5, 22);
    cal.SetTodayStyle(tsFlat);
    QImage image = Render(cal);
    QRect sat = Cell(D(2024, 5, 18));
    EXPECT_EQ(CountColor(image, sat, Q(clRed)), 0);
    EXPECT_GT(CountColor(image, sat, Q(clWhite)), 5);
    // Next month's selected day is filled as well; other neighbour days take InversColor.
    QRect june1 = Cell(D(2024, 6, 1));
    EXPECT_EQ(Pixel(image, june1.left() + 1, june1.top() + 1), Q(clTeal));
    EXPECT_GT(CountColor(image, Cell(D(2024, 4, 29)), Q(clTeal)), 5);
    // The hovered day: a frame in the hover pen filled with the hover colour.
    QRect hover = Cell(D(2024, 5, 22));
    EXPECT_EQ(Pixel(image, hover.left() + 2, hover.top() + 2), Q(clAqua));
}

TEST_F(PaintTest, CellDrawReplacesTheNumbers) {
    int before = 0, cells = 0, inMonth = 0;
    cal.OnBeforeCellDraw = [&](QObject*, TCellCanvas&, TDateTime, bool, bool, bool, const QRect&) {
        ++before;
    };
    cal.OnCellDraw = [&](QObject* sender, TCellCanvas& c, TDateTime, bool, bool, bool in,
                         const QRect& r) {
        EXPECT_EQ(sender, &cal);
        ++cells;
        inMonth += in;
        c.Painter->fillRect(r.adjusted(3, 3, -3, -3), Holiday);
    };
    QImage image = Render(cal);
    EXPECT_EQ(before, 0);
    EXPECT_EQ(cells, 42);
    EXPECT_EQ(inMonth, 31);
    QRect day = Cell(D(2024, 5, 9));
    EXPECT_EQ(CountColor(image, day, Q(clBlack)), 0);
    EXPECT_GT(CountColor(image, day, Holiday), 100);
    // Without the owner-draw switch the numbers come back and the other event is asked.
    cal.SetOwnerDraw(false);
    image = Render(cal);
    EXPECT_EQ(before, 42);
    EXPECT_GT(CountColor(image, day, Q(clBlack)), 5);
}

TEST_F(PaintTest, BrowseButtonsOutsideTheLimitsAreGreyed) {
    cal.SetInActiveColor(clRed);
    QImage image = Render(cal);
    // The previous-month triangle (20 pixels right of the two previous-year triangles).
    EXPECT_EQ(Pixel(image, 30, 8), Q(clBlack));
    cal.MinDate().SetDate(D(2024, 5, 3));
    cal.MinDate().SetUse(true);
    image = Render(cal, "limits");
    EXPECT_EQ(Pixel(image, 30, 8), Q(clRed));
    EXPECT_EQ(Pixel(image, 12, 8), Q(clRed)); // the previous-year triangles too
    EXPECT_EQ(Pixel(image, 170, 8), Q(clBlack));
    // Days before the limit are written in the inactive colour.
    EXPECT_GT(CountColor(image, Cell(D(2024, 5, 2)), Q(clRed)), 5);
}

TEST_F(PaintTest, PresetsBackgroundAndThemes) {
    cal.ApplyColorPreset(7);
    EXPECT_EQ(cal.ColorPreset(), 7);
    EXPECT_EQ(cal.Color(), ColorValue(0xFFD9B3));
    EXPECT_EQ(cal.MonthGradientEndColor(), ColorValue(0xF807F1));
    EXPECT_TRUE(cal.Line3D());
    cal.ApplyColorPreset(11); // no such preset
    EXPECT_EQ(cal.ColorPreset(), 7);
    cal.ApplyStyle(0x80 | 4); // style 4: preset 9
    EXPECT_EQ(cal.ColorPreset(), 9);
    EXPECT_EQ(cal.SelectFontColor(), ColorValue(0x723708));
    EXPECT_EQ(cal.GradientDirection(), gdVertical);
    EXPECT_EQ(cal.MonthGradientDirection(), gdVertical);

    SetThemesEnabled(false);
    cal.SetAutoThemeAdapt(true);
    EXPECT_EQ(cal.ColorPreset(), 0);
    SetThemesEnabled(true);
    cal.ThemeAdapt();
    EXPECT_EQ(cal.ColorPreset(), 1);

    // A stretched background picture replaces the gradients.
    QImage red(4, 4, QImage::Format_RGB32);
    red.fill(Qt::red);
    cal.Background().LoadFromBytes(EncodeImage(red, "PNG"));
    cal.SetBackgroundPosition(bpStretched);
    QImage image = Render(cal, "background");
    QRect day = Cell(D(2024, 5, 9));
    EXPECT_EQ(Pixel(image, day.left() + 1, day.top() + 1), QColor(Qt::red));
}

TEST_F(PaintTest, DayNamesAndCaptionsFitTheirBoxesInTheTahomaMetricFont) {
    // The carried Tahoma-metric face is the calendar's font (the renders above are drawn in
    // it).
    EXPECT_EQ(QFontInfo(CalendarDefaultFont()).family(), "Tahoma");
    EXPECT_EQ(CalendarDefaultFont().pixelSize(), 11); // 8 points at 96 dpi
    const TCalendarLayout l = cal.Layout();
    ASSERT_EQ(l.CellWidth, 24);

    // Every day name within its column; drawn, the names stand apart (no ink where two
    // columns meet).
    const QFontMetrics days(CalendarDefaultFont());
    for (int i = 1; i <= 7; ++i) {
        const QString name = QString::fromStdString(cal.NameOfDays().Name(i));
        EXPECT_LE(days.horizontalAdvance(name), l.CellWidth) << name.toStdString();
    }
    const QImage image = Render(cal, "daynames");
    const int nameTop = l.CellHeight - 6, nameBottom = l.CellHeight + days.height() - 6;
    for (int c = 1; c < 7; ++c) {
        const int edge = c * l.CellWidth + l.WeekColWidth;
        EXPECT_EQ(CountColor(image, QRect(edge - 1, nameTop, 2, nameBottom - nameTop), Qt::black),
                  0)
            << "between columns " << c << " and " << c + 1;
    }

    // Every month's caption between the browse buttons.
    const TBrowseButtons buttons = cal.BrowseButtons();
    const int left = BrowseZone(TBrowseButton::PrevMonth, l, buttons).Right;
    const int right = cal.width() - 30; // the next-month button's zone starts here
    for (int month = 1; month <= 12; ++month) {
        cal.SetDate(D(2028, month, 1));
        const TCaptionSpans spans = cal.CaptionSpans();
        EXPECT_GE(spans.TextLeft + l.WeekColWidth, left) << month;
        EXPECT_LE(spans.TextRight + l.WeekColWidth, right) << month;
    }
}

#include <QImage>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include "core/windows/openclosedplaces.h"
#include "gui/guitestutil.h"
#include "platform/formatsettings.h"
#include "platform/gui/qtcolors.h"
#include "testutil.h"

namespace {

// 2024-03-13 is a Wednesday (day 3 counted from Sunday).
const TDateTime Wednesday10 = At(2024, 3, 13, 10, 7);

QPoint CellCentre(int column, int row) {
    return TOpenClosedPlaces::CellRect(column, row).center();
}

struct Grid {
    TTaskPlaceOpenCloseSchedule schedule;
    TOpenClosedPlaces grid;
    int changes = 0;
    Grid() {
        grid.SetSchedule(&schedule);
        grid.OnChange = [this](TOpenClosedPlaces&) { ++changes; };
    }
    void Drag(QPoint from, QPoint to) {
        QTest::mousePress(&grid, Qt::LeftButton, {}, from);
        QTest::mouseMove(&grid, to);
        QTest::mouseRelease(&grid, Qt::LeftButton, {}, to);
    }
    bool Cell(int column, int row) const { return schedule.GetCell(grid.ColumnDay(column), row); }
};

} // namespace

TEST(OpenClosedPlaces, GeometryAndDayMapping) {
    TOpenClosedPlaces g;
    EXPECT_EQ(g.size(), QSize(288, 481));
    EXPECT_EQ(TOpenClosedPlaces::CellAt(0, 0), (TGridCell{0, 0}));
    EXPECT_EQ(TOpenClosedPlaces::CellAt(40, 4), (TGridCell{0, 0}));
    EXPECT_EQ(TOpenClosedPlaces::CellAt(41, 5), (TGridCell{1, 1}));
    EXPECT_EQ(TOpenClosedPlaces::CellAt(286, 479), (TGridCell{6, 95}));
    EXPECT_FALSE(TOpenClosedPlaces::CellAt(287, 10).Valid());
    EXPECT_FALSE(TOpenClosedPlaces::CellAt(10, 480).Valid());
    EXPECT_FALSE(TOpenClosedPlaces::CellAt(-1, 10).Valid());
    EXPECT_EQ(TOpenClosedPlaces::CellRect(1, 2), QRect(QPoint(42, 11), QPoint(81, 14)));

    // Monday first by default; 7 and above mean Monday, 0 Sunday.
    EXPECT_EQ(g.ColumnDay(0), 1);
    EXPECT_EQ(g.ColumnDay(6), 0);
    g.SetFirstDayOfWeek(0);
    EXPECT_EQ(g.ColumnDay(0), 0);
    EXPECT_EQ(g.ColumnDay(6), 6);
    g.SetFirstDayOfWeek(7);
    EXPECT_EQ(g.FirstDayOfWeek(), 1);
    g.SetFirstDayOfWeek(-3);
    EXPECT_EQ(g.ColumnDay(0), 1);
}

TEST(OpenClosedPlaces, ColoursFollowTheTimeOfDayAndMarkNow) {
    Grid g;
    g.schedule.SetAllClosed();
    g.schedule.SetCell(1, 0, true);  // Monday 00:00, column 0
    g.schedule.SetCell(3, 40, true); // Wednesday 10:00, column 2: the current cell
    EXPECT_EQ(g.grid.CellColor(0, 0, Wednesday10), 0xB56405);
    EXPECT_EQ(g.grid.CellColor(0, 1, Wednesday10), RGB(0x35, 0x35, 0x35));
    EXPECT_EQ(g.grid.CellColor(1, 48, Wednesday10), RGB(0x8A, 0x8A, 0x8A));
    EXPECT_EQ(g.grid.CellColor(1, 95, Wednesday10), RGB(0x46, 0x46, 0x46));
    EXPECT_EQ(TOpenClosedPlaces::OpenColor(95), 0xB46404);
    EXPECT_EQ(TOpenClosedPlaces::ClosedColor(94), RGB(0x45, 0x45, 0x45));
    EXPECT_TRUE(g.grid.IsCurrentCell(2, 40, Wednesday10));
    EXPECT_FALSE(g.grid.IsCurrentCell(2, 41, Wednesday10));
    EXPECT_EQ(g.grid.CellColor(2, 40, Wednesday10), 0x44CD00);
    g.schedule.SetCell(3, 40, false);
    EXPECT_EQ(g.grid.CellColor(2, 40, Wednesday10), 0x020145);

    // What is painted is what the mapping says (now fixed on the current cell).
    FixedClock clock(Wednesday10);
    QImage img = g.grid.grab().toImage();
    EXPECT_EQ(QColor(img.pixel(CellCentre(0, 0))), ColorToQColor(0xB56405));
    EXPECT_EQ(QColor(img.pixel(CellCentre(2, 40))), ColorToQColor(0x020145));
    EXPECT_EQ(QColor(img.pixel(0, 0)), ColorToQColor(TOpenClosedPlaces::HourLineColor));
    EXPECT_EQ(QColor(img.pixel(20, 5)), ColorToQColor(TOpenClosedPlaces::GridLineColor));
    EXPECT_EQ(QColor(img.pixel(20, 20)), ColorToQColor(TOpenClosedPlaces::HourLineColor));

    // Without a schedule every cell shows closed and the mouse does nothing.
    TOpenClosedPlaces bare;
    EXPECT_EQ(bare.CellColor(0, 0, Wednesday10), RGB(0x35, 0x35, 0x35));
    QTest::mouseClick(&bare, Qt::LeftButton, {}, CellCentre(0, 0));
    EXPECT_FALSE(bare.Dragging());
}

TEST(OpenClosedPlaces, DragsSetTheRectangleToTheOppositeOfTheStartCell) {
    Grid g; // always open
    // A click toggles one cell.
    QTest::mouseClick(&g.grid, Qt::LeftButton, {}, CellCentre(3, 10));
    EXPECT_FALSE(g.Cell(3, 10));
    EXPECT_TRUE(g.Cell(3, 11));
    EXPECT_EQ(g.changes, 1);

    // From an open cell over closed and open ones: the whole rectangle closes, dragged
    // backwards as well.
    g.Drag(CellCentre(4, 12), CellCentre(2, 8));
    for (int c = 2; c <= 4; ++c)
        for (int r = 8; r <= 12; ++r)
            EXPECT_FALSE(g.Cell(c, r)) << c << "," << r;
    EXPECT_TRUE(g.Cell(1, 8));
    EXPECT_TRUE(g.Cell(5, 12));
    EXPECT_TRUE(g.Cell(2, 13));
    EXPECT_EQ(g.changes, 2);

    // From a closed cell: the rectangle opens again.
    g.Drag(CellCentre(3, 10), CellCentre(4, 12));
    for (int c = 3; c <= 4; ++c)
        for (int r = 10; r <= 12; ++r)
            EXPECT_TRUE(g.Cell(c, r));
    EXPECT_FALSE(g.Cell(2, 10));

    // While dragging, the rectangle shows the target state before the schedule changes.
    QTest::mousePress(&g.grid, Qt::LeftButton, {}, CellCentre(0, 0));
    QTest::mouseMove(&g.grid, CellCentre(1, 1));
    EXPECT_TRUE(g.grid.Dragging());
    EXPECT_FALSE(g.grid.ShownState(1, 1));
    EXPECT_TRUE(g.Cell(1, 1));
    QTest::mouseRelease(&g.grid, Qt::LeftButton, {}, CellCentre(1, 1));
    EXPECT_FALSE(g.Cell(1, 1));
    EXPECT_FALSE(g.grid.Dragging());
}

TEST(OpenClosedPlaces, DragStartedOutsideBeginsAtTheFirstCellEntered) {
    Grid g;
    g.grid.resize(300, 490); // room outside the cells
    QTest::mousePress(&g.grid, Qt::LeftButton, {}, QPoint(295, 485));
    EXPECT_TRUE(g.grid.Dragging());
    EXPECT_FALSE(g.grid.AnchorCell().Valid());
    QTest::mouseMove(&g.grid, CellCentre(6, 95));
    EXPECT_EQ(g.grid.AnchorCell(), (TGridCell{6, 95}));
    QTest::mouseMove(&g.grid, CellCentre(5, 94));
    QTest::mouseRelease(&g.grid, Qt::LeftButton, {}, CellCentre(5, 94));
    EXPECT_FALSE(g.Cell(5, 94));
    EXPECT_FALSE(g.Cell(6, 95));
    EXPECT_TRUE(g.Cell(4, 94));

    // A press and release outside changes nothing.
    g.changes = 0;
    QTest::mouseClick(&g.grid, Qt::LeftButton, {}, QPoint(295, 485));
    EXPECT_EQ(g.changes, 0);
}

TEST(OpenClosedPlaces, WholeGridOperationsAndTexts) {
    Grid g;
    g.grid.SetAllClosed();
    EXPECT_FALSE(g.Cell(0, 0));
    g.grid.InvertAll();
    EXPECT_TRUE(g.Cell(6, 95));
    g.schedule.SetCell(2, 5, false);
    g.grid.InvertAll();
    EXPECT_TRUE(g.schedule.GetCell(2, 5));
    EXPECT_FALSE(g.schedule.GetCell(2, 6));
    g.grid.SetAllOpen();
    EXPECT_TRUE(g.schedule.GetCell(2, 6));

    TFormatSettings fs = EnglishFormatSettings();
    fs.ShortTimeFormat = "hh:nn";
    const TFormatSettings saved = LocaleSettings();
    SetLocaleSettings(fs);
    EXPECT_EQ(TOpenClosedPlaces::CellTimeText(0), "00:00 - 00:15");
    EXPECT_EQ(TOpenClosedPlaces::CellTimeText(95), "23:45 - 00:00");
    EXPECT_EQ(g.grid.CellHint(2, 40, Wednesday10), "Wednesday (Now)\r\n10:00 - 10:15\r\n[opened]");
    g.schedule.SetCell(0, 41, false);
    EXPECT_EQ(g.grid.CellHint(6, 41, Wednesday10), "Sunday\r\n10:15 - 10:30\r\n[closed]");

    QWidget days, times;
    times.resize(71, 481);
    g.grid.CreateDayLabels(&days, 71, 10);
    g.grid.CreateTimeLabels(&times, 4);
    auto dayLabels = days.findChildren<QLabel*>();
    ASSERT_EQ(dayLabels.size(), 7);
    EXPECT_EQ(dayLabels[0]->text(), "Mon");
    EXPECT_EQ(dayLabels[6]->text(), "Sun");
    EXPECT_TRUE(dayLabels[6]->styleSheet().contains("red"));
    EXPECT_TRUE(dayLabels[5]->styleSheet().contains("red"));
    EXPECT_FALSE(dayLabels[0]->styleSheet().contains("red"));
    EXPECT_EQ(dayLabels[0]->y(), 10);
    // Centred over their columns.
    EXPECT_NEAR(dayLabels[0]->geometry().center().x(), 71 + 20, 1);
    EXPECT_NEAR(dayLabels[3]->geometry().center().x(), 71 + 3 * 41 + 20, 1);
    auto timeLabels = times.findChildren<QLabel*>();
    ASSERT_EQ(timeLabels.size(), 24);
    EXPECT_EQ(timeLabels[1]->text(), "01:00");
    EXPECT_EQ(timeLabels[1]->y(), 20);
    EXPECT_EQ(timeLabels[1]->x() + timeLabels[1]->width(), 61);
    SetLocaleSettings(saved);
}

TEST(OpenClosedPlaces, CellHintsHideAfterTheApplicationsPause) {
    Grid g;
    g.grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&g.grid));
    EXPECT_TRUE(HintHidesAfterThePause([&] { QTest::mouseMove(&g.grid, CellCentre(2, 40)); }));
}

// The calendar group: months side by side, one selection across them, browsing, keys that
// leave a month, resizing and the before-cell-draw event.
#include <QTest>
#include <gtest/gtest.h>
#include <vector>

#include "calendartestutil.h"
#include "controls/calendar/calendargroup.h"
#include "testutil.h"

namespace {

// A group set up as the main window sets it: two months, no splitters, multi-select.
struct GroupTest : ::testing::Test {
    FixedClock clock{D(2024, 5, 15) + 0.4};
    TAgendaCalendarGroup group;
    std::vector<std::pair<QObject*, TDateTime>> monthChanges;
    GroupTest() {
        group.setFont(PinnedFont());
        group.SetSpliterV(0);
        group.SetSpliterH(0);
        group.SetMultiSelect(true);
        group.SetKeyboardMultiSelect(true);
        group.SetShowToday(true);
        group.OnMonthChange = [this](QObject* s, TDateTime, TDateTime n) {
            monthChanges.push_back({s, n});
        };
        group.SetRowCount(1);
        group.show();
    }
    TAgendaCalendar* Cal(int i) { return group.Calendar(i); }
    QPoint At(int i, TDateTime d) { return Cal(i)->DateRect(d).center(); }
    std::vector<TDateTime> Selection() {
        std::vector<TDateTime> v;
        TSelDateItems& dates = group.GetDates();
        for (int i = 0; i < dates.Count(); ++i)
            v.push_back(dates[i]->Date());
        return v;
    }
};

} // namespace

TEST_F(GroupTest, TwoConsecutiveMonthsInTheMainWindowSize) {
    EXPECT_EQ(group.size(), QSize(362, 182));
    ASSERT_EQ(group.CalendarCount(), 2);
    EXPECT_EQ(Cal(0)->geometry(), QRect(1, 1, 180, 180));
    EXPECT_EQ(Cal(1)->geometry(), QRect(181, 1, 180, 180));
    EXPECT_EQ(Cal(0)->Model().ShownMonth(), 5);
    EXPECT_EQ(Cal(1)->Model().ShownMonth(), 6);
    EXPECT_TRUE(Cal(0)->Browsers().PrevMonth());
    EXPECT_FALSE(Cal(0)->Browsers().NextMonth());
    EXPECT_TRUE(Cal(1)->Browsers().NextYear());
    EXPECT_FALSE(Cal(0)->ShowDaysAfter());
    EXPECT_EQ(Cal(1)->LineColor(), clSilver); // the group's look reached the calendars
    group.SetWeekendColor(ColorValue(0x8A8A8A));
    EXPECT_EQ(Cal(1)->WeekendColor(), ColorValue(0x8A8A8A));

    group.SetStartMonth(12);
    EXPECT_EQ(Cal(0)->Model().ShownYear(), 2024);
    EXPECT_EQ(Cal(1)->Model().ShownMonth(), 1);
    EXPECT_EQ(Cal(1)->Model().ShownYear(), 2025);
}

TEST_F(GroupTest, NextMonthButtonShiftsBothCalendars) {
    QTest::mouseClick(Cal(1), Qt::LeftButton, {}, QPoint(152, 7));
    EXPECT_EQ(Cal(0)->Model().ShownMonth(), 6);
    EXPECT_EQ(Cal(1)->Model().ShownMonth(), 7);
    ASSERT_EQ(monthChanges.size(), 1u);
    EXPECT_EQ(monthChanges[0].first, &group);
    // Previous year from the first calendar: one event each for year and month.
    int years = 0;
    group.OnYearChange = [&](QObject* s, TDateTime, TDateTime) {
        EXPECT_EQ(s, &group);
        ++years;
    };
    QTest::mouseClick(Cal(0), Qt::LeftButton, {}, QPoint(10, 7));
    EXPECT_EQ(Cal(0)->Model().ShownYear(), 2023);
    EXPECT_EQ(Cal(0)->Model().ShownMonth(), 6);
    EXPECT_EQ(years, 1);
    EXPECT_EQ(monthChanges.size(), 2u);
}

TEST_F(GroupTest, OneSelectionAcrossTheMonths) {
    std::vector<QObject*> daySelects;
    group.OnDaySelect = [&](QObject* s, TDateTime) { daySelects.push_back(s); };
    group.SetDate(D(2024, 5, 10));
    EXPECT_EQ(group.GetDate(), D(2024, 5, 10));
    QTest::mouseClick(Cal(1), Qt::LeftButton, {}, At(1, D(2024, 6, 12)));
    EXPECT_EQ(Selection(), std::vector<TDateTime>{D(2024, 6, 12)});
    EXPECT_EQ(daySelects, std::vector<QObject*>{Cal(1)});
    EXPECT_EQ(group.Day(), 12);
    EXPECT_EQ(group.Month(), 5); // the first calendar's month
    QTest::mouseClick(Cal(1), Qt::LeftButton, {}, At(1, D(2024, 6, 14)));
    QTest::mouseClick(Cal(0), Qt::LeftButton, Qt::ControlModifier, At(0, D(2024, 5, 3)));
    EXPECT_EQ(Selection(), (std::vector<TDateTime>{D(2024, 5, 3), D(2024, 6, 14)}));

    // A day in neither month selects nothing.
    group.SetDate(D(2024, 8, 1));
    EXPECT_TRUE(Selection().empty());
    EXPECT_EQ(group.GetDate(), 0);
    // A day set from outside is where the keys go on from.
    group.SetDate(D(2024, 6, 20));
    EXPECT_EQ(Cal(1)->DisplayDate(), D(2024, 6, 20));
    QTest::keyClick(Cal(1), Qt::Key_Right);
    EXPECT_EQ(Selection(), std::vector<TDateTime>{D(2024, 6, 21)});

    // Event days reach every calendar.
    group.Events().AddDate(D(2024, 6, 3));
    EXPECT_TRUE(Cal(1)->Events().Contains(D(2024, 6, 3)));
    EXPECT_TRUE(Cal(0)->Events().Contains(D(2024, 6, 3)));
}

TEST_F(GroupTest, ArrowKeysCrossMonths) {
    group.SetDate(D(2024, 5, 1));
    QTest::keyClick(Cal(0), Qt::Key_Left); // before the first month: everything moves back
    EXPECT_EQ(Cal(0)->Model().ShownMonth(), 4);
    EXPECT_EQ(Selection(), std::vector<TDateTime>{D(2024, 4, 30)});
    EXPECT_EQ(monthChanges.size(), 0u);

    group.SetDate(D(2024, 4, 30));
    QTest::keyClick(Cal(0), Qt::Key_Right); // into the second calendar
    EXPECT_EQ(Cal(0)->Model().ShownMonth(), 4);
    EXPECT_EQ(Selection(), std::vector<TDateTime>{D(2024, 5, 1)});
    QTest::keyClick(Cal(1), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(Selection().size(), 8u);
}

TEST_F(GroupTest, ResizingFitsTheCalendarsAndKeepsTheSelection) {
    group.SetDate(D(2024, 6, 5));
    group.resize(362 + 180, 182);
    ASSERT_EQ(group.CalendarCount(), 3);
    EXPECT_EQ(group.size(), QSize(542, 182));
    EXPECT_EQ(Cal(2)->Model().ShownMonth(), 7);
    EXPECT_TRUE(Cal(2)->Browsers().NextMonth());
    EXPECT_FALSE(Cal(1)->Browsers().NextMonth());
    EXPECT_EQ(Selection(), std::vector<TDateTime>{D(2024, 6, 5)});
    group.resize(400, 400);
    EXPECT_EQ(group.CalendarCount(), 4);
    EXPECT_EQ(group.size(), QSize(362, 362));
    EXPECT_EQ(Cal(3)->Model().ShownMonth(), 8);

    group.ApplyColorPreset(9);
    EXPECT_EQ(Cal(3)->SelectFontColor(), ColorValue(0x723708));
    EXPECT_EQ(Cal(0)->ColorPreset(), 9);
}

TEST_F(GroupTest, BeforeCellDrawColoursDays) {
    const QColor holiday(0, 160, 0);
    int inMonth = 0;
    group.OnBeforeCellDraw = [&](QObject* sender, TCellCanvas& c, TDateTime day, bool, bool,
                                 bool in, const QRect&) {
        EXPECT_TRUE(sender == Cal(0) || sender == Cal(1));
        inMonth += in;
        if (day == D(2024, 6, 19))
            c.FontColor = QColorToColor(holiday);
    };
    group.SetRowCount(1);
    group.SetDate(D(2024, 6, 19));
    QImage image = Render(group, "group");
    QRect cell = Cal(1)->DateRect(D(2024, 6, 19)).translated(Cal(1)->pos());
    EXPECT_GT(CountColor(image, cell, holiday), 5);
    EXPECT_EQ(Pixel(image, cell.left() + 1, cell.top() + 1), Q(clTeal)); // still selected
    EXPECT_EQ(inMonth, 0);
}

TEST_F(GroupTest, MonthsStayWithinTheCalendarsYearsAndNeverStayLocked) {
    auto shown = [&](int i) {
        return YearOf(Cal(i)->DisplayDate()) * 100 + MonthOf(Cal(i)->DisplayDate());
    };
    auto unlocked = [&] { return Cal(0)->UpdateLock() + Cal(1)->UpdateLock() == 0; };
    // A first month whose second would be January 10000: the last two months instead.
    group.SetStartYear(9999);
    group.SetStartMonth(12);
    EXPECT_EQ(shown(0), 999911);
    EXPECT_EQ(shown(1), 999912);
    EXPECT_TRUE(unlocked());
    // The date parts select the day in the calendar that shows it; a third month fits too.
    group.SetYear(9999);
    group.SetMonth(12);
    EXPECT_EQ(shown(0), 999911);
    EXPECT_EQ(Selection(), std::vector<TDateTime>{D(9999, 12, 15)});
    group.resize(542, 182);
    EXPECT_EQ(shown(2), 999912);
    EXPECT_EQ(Selection(), std::vector<TDateTime>{D(9999, 12, 15)});

    // A failure while the months change leaves every calendar painting.
    Cal(1)->Dates().OnChange = [] { throw Exception("failed"); };
    EXPECT_THROW(group.SetStartMonth(3), Exception);
    EXPECT_TRUE(unlocked());
}

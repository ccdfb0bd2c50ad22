// Mouse, keys, menus and hints of the month calendar, driven through Qt's test events.
#include <QHelpEvent>
#include <QMenu>
#include <QTest>
#include <QToolTip>
#include <gtest/gtest.h>
#include <vector>

#include "calendartestutil.h"
#include "controls/calendar/calendarinput.h"
#include "testutil.h"

namespace {

// A calendar whose pop-up menus answer from a queue instead of opening.
class TestCalendar : public TAgendaCalendar {
public:
    std::vector<int> menuAnswers;
    std::vector<std::vector<bool>> menusShown; // enabled state of each item
protected:
    int RunPopupMenu(QMenu& menu, const QPoint&) override {
        std::vector<bool> items;
        for (QAction* a : menu.actions())
            items.push_back(a->isEnabled());
        menusShown.push_back(items);
        if (menuAnswers.empty())
            return 0;
        int id = menuAnswers.front();
        menuAnswers.erase(menuAnswers.begin());
        return id;
    }
};

struct InputTest : ::testing::Test {
    FixedClock clock{D(2024, 5, 15) + 0.4};
    TestCalendar cal;
    std::vector<TDateTime> selected, cancelled;
    std::vector<std::pair<TDateTime, TDateTime>> dayChanges, monthChanges;
    std::vector<int> outOfMonth;
    InputTest() {
        PinFonts(cal);
        cal.SetDate(D(2024, 5, 20));
        cal.OnDaySelect = [this](QObject*, TDateTime d) { selected.push_back(d); };
        cal.OnDayChange = [this](QObject*, TDateTime a, TDateTime b) {
            dayChanges.push_back({a, b});
        };
        cal.OnMonthChange = [this](QObject*, TDateTime a, TDateTime b) {
            monthChanges.push_back({a, b});
        };
        cal.OnKeyOutOfMonth = [this](QObject*, int key) { outOfMonth.push_back(key); };
        cal.OnCancelledChange = [this](QObject*, TDateTime d) { cancelled.push_back(d); };
        cal.show();
    }
    QPoint At(TDateTime d) { return cal.DateRect(d).center(); }
    void Click(TDateTime d, Qt::KeyboardModifiers m = {}) {
        QTest::mouseClick(&cal, Qt::LeftButton, m, At(d));
    }
    void Key(int key, Qt::KeyboardModifiers m = {}) { QTest::keyClick(&cal, Qt::Key(key), m); }
    std::vector<TDateTime> Selection() {
        std::vector<TDateTime> v;
        TSelDateItems& dates = cal.GetDates();
        for (int i = 0; i < dates.Count(); ++i)
            v.push_back(dates[i]->Date());
        return v;
    }
};

} // namespace

TEST_F(InputTest, ClickSelectsOneDayAndBrowseButtonsMoveTheMonth) {
    Click(D(2024, 5, 22));
    EXPECT_EQ(selected, std::vector<TDateTime>{D(2024, 5, 22)});
    EXPECT_EQ(Selection(), std::vector<TDateTime>{D(2024, 5, 22)});
    EXPECT_EQ(cal.GetDate(), D(2024, 5, 22));
    ASSERT_EQ(dayChanges.size(), 1u);
    EXPECT_EQ(dayChanges[0].second, D(2024, 5, 22));

    QTest::mouseClick(&cal, Qt::LeftButton, {}, QPoint(152, 7)); // next month
    EXPECT_EQ(selected.size(), 1u);
    EXPECT_EQ(cal.DisplayDate(), D(2024, 6, 22));
    ASSERT_EQ(monthChanges.size(), 1u);
    EXPECT_EQ(monthChanges[0].first, D(2024, 5, 22));
    QTest::mouseClick(&cal, Qt::LeftButton, {}, QPoint(10, 7)); // previous year
    EXPECT_EQ(cal.DisplayDate(), D(2023, 6, 22));
    EXPECT_EQ(monthChanges.size(), 1u);
    // A neighbour month's day moves the calendar to that month.
    Click(D(2023, 7, 1));
    EXPECT_EQ(cal.DisplayDate(), D(2023, 7, 1));
    EXPECT_EQ(cal.Model().ShownMonth(), 7);

    cal.SetEnable(false);
    int downs = 0;
    cal.OnMouseDown = [&](QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) { ++downs; };
    Click(D(2023, 7, 12));
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(cal.GetDate(), D(2023, 7, 1));
}

TEST_F(InputTest, CtrlClickTogglesAndDragSelectsARange) {
    cal.SetMultiSelect(true);
    Click(D(2024, 5, 6));
    Click(D(2024, 5, 8), Qt::ControlModifier);
    EXPECT_EQ(Selection(), (std::vector<TDateTime>{D(2024, 5, 6), D(2024, 5, 8)}));
    EXPECT_EQ(cal.GetDate(), D(2024, 5, 8));
    Click(D(2024, 5, 6), Qt::ControlModifier); // removes it, keeps the selected date
    EXPECT_EQ(Selection(), std::vector<TDateTime>{D(2024, 5, 8)});
    EXPECT_EQ(cal.GetDate(), D(2024, 5, 8));

    selected.clear();
    QTest::mousePress(&cal, Qt::LeftButton, {}, At(D(2024, 5, 13)));
    QTest::mouseMove(&cal, At(D(2024, 5, 14)));
    QTest::mouseMove(&cal, At(D(2024, 5, 16)));
    QTest::mouseMove(&cal, At(D(2024, 5, 15)));
    QTest::mouseRelease(&cal, Qt::LeftButton, {}, At(D(2024, 5, 15)));
    EXPECT_EQ(Selection(),
              (std::vector<TDateTime>{D(2024, 5, 13), D(2024, 5, 14), D(2024, 5, 15)}));
    EXPECT_EQ(selected, std::vector<TDateTime>{D(2024, 5, 13)});
}

TEST_F(InputTest, ArrowKeysMoveOrExtendTheSelection) {
    cal.SetMultiSelect(true);
    cal.KeyboardMultiSelect = true;
    std::vector<std::pair<TDateTime, TDateTime>> dateChanges;
    cal.OnDateChange = [&](QObject*, TDateTime a, TDateTime b) { dateChanges.push_back({a, b}); };
    Key(Qt::Key_Right);
    EXPECT_EQ(Selection(), std::vector<TDateTime>{D(2024, 5, 21)});
    Key(Qt::Key_Right, Qt::ShiftModifier);
    Key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(Selection(),
              (std::vector<TDateTime>{D(2024, 5, 21), D(2024, 5, 22), D(2024, 5, 23)}));
    Key(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(Selection(), (std::vector<TDateTime>{D(2024, 5, 21), D(2024, 5, 22)}));
    Key(Qt::Key_Down);
    EXPECT_EQ(Selection(), std::vector<TDateTime>{D(2024, 5, 29)});
    ASSERT_EQ(dateChanges.size(), 5u);
    EXPECT_EQ(dateChanges.back(), std::make_pair(D(2024, 5, 22), D(2024, 5, 29)));
    Key(Qt::Key_PageDown);
    EXPECT_EQ(cal.DisplayDate(), D(2024, 6, 29));
    EXPECT_EQ(monthChanges.size(), 1u);

    // Without keyboard multi-selection the arrows move only the focus; Space selects and Esc
    // takes the selected date back.
    cal.SetDate(D(2024, 5, 20));
    cal.KeyboardMultiSelect = false;
    Key(Qt::Key_Right);
    EXPECT_EQ(Selection(), std::vector<TDateTime>{D(2024, 5, 20)});
    EXPECT_EQ(cal.GetDate(), D(2024, 5, 21));
    Key(Qt::Key_Escape);
    EXPECT_EQ(cal.GetDate(), D(2024, 5, 20));
    selected.clear();
    Key(Qt::Key_Space);
    EXPECT_EQ(Selection(), std::vector<TDateTime>{D(2024, 5, 21)});
    EXPECT_EQ(selected, std::vector<TDateTime>{D(2024, 5, 21)});
}

TEST_F(InputTest, KeysDoNotLeaveTheShownDays) {
    cal.SetShowDaysAfter(false);
    cal.SetDate(D(2024, 5, 31));
    Key(Qt::Key_Right);
    EXPECT_EQ(outOfMonth, std::vector<int>{Qt::Key_Right});
    EXPECT_EQ(cancelled, std::vector<TDateTime>{D(2024, 6, 1)});
    EXPECT_EQ(cal.DisplayDate(), D(2024, 5, 31));

    // December before January: compared with the year, the step back is refused.
    cal.SetShowDaysAfter(true);
    cal.SetShowDaysBefore(false);
    cal.SetDate(D(2025, 1, 1));
    Key(Qt::Key_Left);
    EXPECT_EQ(outOfMonth.size(), 2u);
    EXPECT_EQ(cal.DisplayDate(), D(2025, 1, 1));

    cal.MaxDate().SetDate(D(2025, 1, 3));
    cal.MaxDate().SetUse(true);
    Key(Qt::Key_Down); // beyond the limit: dropped
    EXPECT_EQ(cal.DisplayDate(), D(2025, 1, 1));
}

TEST_F(InputTest, KeysAndClicksStayWithinYearsOneTo9999) {
    // The grid's days after December 9999 and before January of year 1 are not taken.
    for (const TDateTime end : {D(9999, 12, 31), D(1, 1, 1)}) {
        const TDateTime beyond = end == D(1, 1, 1) ? end - 1 : end + 1;
        cal.SetDate(end);
        selected.clear();
        for (int key : {Qt::Key_Right, Qt::Key_Down, Qt::Key_Left, Qt::Key_Up}) {
            Key(key);
            cal.SetDate(end);
        }
        Click(beyond);
        EXPECT_EQ(cal.DisplayDate(), end);
        EXPECT_EQ(Selection(), std::vector<TDateTime>{end});
        EXPECT_TRUE(selected.empty());
    }
    cal.Model().SetDisplayDate(D(9999, 12, 31) + 40);
    EXPECT_EQ(cal.DisplayDate(), D(9999, 12, 31));
}

TEST_F(InputTest, MonthAndYearMenus) {
    cal.MaxDate().SetDate(D(2024, 8, 20));
    cal.MaxDate().SetUse(true);
    cal.menuAnswers = {8};
    TCaptionSpans spans = cal.CaptionSpans();
    int x = spans.TextLeft + cal.Layout().WeekColWidth + 3;
    QTest::mouseClick(&cal, Qt::LeftButton, {}, QPoint(x, 8));
    ASSERT_EQ(cal.menusShown.size(), 1u);
    std::vector<bool> months = cal.menusShown[0];
    ASSERT_EQ(months.size(), 12u);
    EXPECT_TRUE(months[7]);
    EXPECT_FALSE(months[8]); // September lies past the limit
    EXPECT_EQ(cal.DisplayDate(), D(2024, 8, 1));
    ASSERT_EQ(monthChanges.size(), 1u);
    EXPECT_EQ(monthChanges[0], std::make_pair(D(2024, 5, 20), D(2024, 8, 1)));

    cal.menuAnswers = {16};
    x = cal.CaptionSpans().YearLeft + cal.Layout().WeekColWidth + 8;
    QTest::mouseClick(&cal, Qt::LeftButton, {}, QPoint(x, 8));
    ASSERT_EQ(cal.menusShown.size(), 2u);
    std::vector<bool> years = cal.menusShown[1];
    ASSERT_EQ(years.size(), 10u);
    EXPECT_TRUE(years[4]);  // 2024
    EXPECT_FALSE(years[5]); // 2025 lies past the limit
    EXPECT_EQ(cal.DisplayDate(), D(2020, 8, 1));

    cal.SetShowYearSelector(false);
    QTest::mouseClick(&cal, Qt::LeftButton, {}, QPoint(x, 8));
    EXPECT_EQ(cal.menusShown.size(), 2u);
    cal.MenuCommand(15); // the year five before
    EXPECT_EQ(cal.DisplayDate(), D(2015, 8, 1));
}

TEST_F(InputTest, WeekRowsAndWeekdayColumns) {
    cal.SetMultiSelect(true);
    cal.SetShowWeeks(true);
    cal.SetWeekSelect(true);
    cal.SetAllDaySelect(true);
    int weeks = 0, columns = 0;
    cal.OnWeekSelect = [&](QObject*) { ++weeks; };
    cal.OnAllDaySelect = [&](QObject*) { ++columns; };
    TCalendarLayout l = cal.Layout();
    QRect row2 = l.CellRect(1, 2);
    QTest::mouseClick(&cal, Qt::LeftButton, {}, QPoint(5, row2.center().y()));
    EXPECT_EQ(weeks, 1);
    std::vector<TDateTime> week;
    for (int d = 5; d <= 11; ++d)
        week.push_back(D(2024, 5, d));
    EXPECT_EQ(Selection(), week);
    QTest::mouseClick(&cal, Qt::LeftButton, Qt::ControlModifier, QPoint(5, row2.center().y()));
    EXPECT_TRUE(Selection().empty()); // all selected: the row is removed

    QRect monday = l.CellRect(2, 1);
    QTest::mouseClick(&cal, Qt::LeftButton, {}, QPoint(monday.center().x(), 25));
    EXPECT_EQ(columns, 1);
    EXPECT_EQ(Selection(), (std::vector<TDateTime>{D(2024, 4, 29), D(2024, 5, 6), D(2024, 5, 13),
                                                   D(2024, 5, 20), D(2024, 5, 27), D(2024, 6, 3)}));
}

TEST_F(InputTest, HoverHintsAndTheTodayLine) {
    cal.SetEventHints(true);
    cal.SetHintNextMonth("Next Month");
    cal.OnGetDateHintString = [](QObject*, TDateTime d, bool& isEvent, std::string& hint) {
        if (d == D(2024, 5, 9)) {
            isEvent = true;
            hint = "Dentist\n\rLunch";
        }
    };
    QTest::mouseMove(&cal, At(D(2024, 5, 9)));
    EXPECT_EQ(cal.Input().HoverDate, D(2024, 5, 9));
    EXPECT_EQ(cal.Input().DateHint, "Dentist\n\rLunch");
    QHelpEvent help(QEvent::ToolTip, At(D(2024, 5, 9)), cal.mapToGlobal(At(D(2024, 5, 9))));
    QApplication::sendEvent(&cal, &help);
    EXPECT_TRUE(QToolTip::text().contains("Dentist"));
    EXPECT_TRUE(cal.Input().HintShowing);
    QTest::mouseMove(&cal, At(D(2024, 5, 10)));
    EXPECT_TRUE(cal.Input().DateHint.empty());
    QTest::mouseMove(&cal, QPoint(152, 7));
    EXPECT_TRUE(cal.Input().HotNextMonth);
    EXPECT_EQ(cal.Input().ButtonHint, "Next Month");
    EXPECT_EQ(cal.cursor().shape(), Qt::PointingHandCursor);
    // The button's tip shows clear of the mouse (a tip under the mouse would go at once).
    cal.SetHintPrevMonth("Previous Month");
    const QPoint low(30, 13);
    QTest::mouseMove(&cal, low);
    QHelpEvent buttonHelp(QEvent::ToolTip, low, cal.mapToGlobal(low));
    QApplication::sendEvent(&cal, &buttonHelp);
    EXPECT_TRUE(QToolTip::text().contains("Previous Month"));
    int tips = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "qtooltip_label" && w->isVisible()) {
            ++tips;
            EXPECT_FALSE(w->geometry().contains(cal.mapToGlobal(low)));
        }
    EXPECT_EQ(tips, 1);
    QTest::mouseMove(&cal, QPoint(90, 100));
    EXPECT_FALSE(cal.Input().HotNextMonth);
    EXPECT_NE(cal.cursor().shape(), Qt::PointingHandCursor);
    QToolTip::hideText();

    cal.SetShowGotoToday(true);
    cal.SetDate(D(2024, 5, 2));
    selected.clear();
    int y = 8 * cal.Layout().CellHeight;
    QTest::mouseClick(&cal, Qt::LeftButton, {}, QPoint(20, y));
    EXPECT_EQ(cal.GetDate(), D(2024, 5, 15));
    EXPECT_EQ(selected, std::vector<TDateTime>{D(2024, 5, 15)});
}

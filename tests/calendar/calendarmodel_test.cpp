// The calendar's model without drawing: grid mapping, month and year steps, limits,
// selection rules, week numbers, texts and the date collections.
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "calendartestutil.h"
#include "controls/calendar/calendarlayout.h"
#include "controls/calendar/calendarmodel.h"
#include "fakemessageboxes.h"
#include "platform/sysutils.h"
#include "testutil.h"

namespace {

// A model showing date (selected alone).
struct Model : TCalendarModel {
    explicit Model(TDateTime date) { SetDateParts(DayOf(date), MonthOf(date), YearOf(date)); }
};

struct CountingOwner : ISelDateOwner {
    int changes = 0;
    std::vector<TDateTime> repaints;
    void EventsChanged() override { ++changes; }
    void RepaintDate(TDateTime d) override { repaints.push_back(d); }
    TColor EventMarkerColor() const override { return clBlue; }
    TEventShape EventMarkerShape() const override { return evsTriangle; }
    TColor EventDayColor() const override { return clGreen; }
};

} // namespace

TEST(CalendarModel, GridMapsDaysToCellsAndBack) {
    Model m(D(2024, 9, 10)); // September 2024 begins on a Sunday
    m.SetStartDay(7);
    EXPECT_EQ(m.Lead(), 0);
    for (int c = 1; c <= 7; ++c) {
        EXPECT_EQ(m.CellDay(c, 1).Date, D(2024, 9, c));
        EXPECT_EQ(m.CellDay(c, 1).Month, TCellMonth::Shown);
    }
    m.SetStartDay(1); // Monday first: six days of August lead
    EXPECT_EQ(m.Lead(), 6);
    EXPECT_EQ(m.CellDay(1, 1).Date, D(2024, 8, 26));
    EXPECT_EQ(m.CellDay(1, 1).Month, TCellMonth::Previous);
    EXPECT_EQ(m.CellDay(7, 1).Date, D(2024, 9, 1));
    EXPECT_EQ(m.CellDay(7, 6).Date, D(2024, 10, 6));
    EXPECT_EQ(m.CellDay(7, 6).Month, TCellMonth::Next);
    m.SetStartDay(0);
    EXPECT_EQ(m.StartDay(), 1);
    m.SetStartDay(9);
    EXPECT_EQ(m.StartDay(), 7);

    // Every cell maps back to itself, whatever the month and first weekday; times are ignored.
    for (int month = 1; month <= 12; ++month) {
        Model n(D(2023, month, 15));
        for (int start = 1; start <= 7; ++start) {
            n.SetStartDay(start);
            for (int r = 1; r <= 6; ++r)
                for (int c = 1; c <= 7; ++c) {
                    TDateTime day = n.CellDay(c, r).Date;
                    ASSERT_EQ(n.DateToCell(day + 0.75), (TCellPos{c, r}));
                    ASSERT_EQ(n.DayAt(c - 1, r - 1).Date, day);
                }
        }
    }
    EXPECT_EQ(m.DayAt(-3, 9).Date, m.CellDay(1, 6).Date); // clamped
}

TEST(CalendarModel, MonthAndYearSteps) {
    Model m(D(2024, 1, 31));
    m.ChangeMonth(1);
    EXPECT_EQ(m.DisplayDate(), D(2024, 2, 29));
    EXPECT_EQ(m.SelectedDate(), D(2024, 2, 29));
    Model n(D(2023, 1, 31));
    n.ChangeMonth(1);
    EXPECT_EQ(n.DisplayDate(), D(2023, 2, 28));
    n.ChangeMonth(-2);
    EXPECT_EQ(n.DisplayDate(), D(2022, 12, 28));
    // Large steps back cross years correctly.
    Model far(D(2024, 3, 15));
    far.ChangeMonth(-27);
    EXPECT_EQ(far.DisplayDate(), D(2021, 12, 15));
    far.ChangeMonth(-12 * 3000); // before year 1: nothing changes
    EXPECT_EQ(far.DisplayDate(), D(2021, 12, 15));
    far.ChangeMonth(1213);
    EXPECT_EQ(far.DisplayDate(), D(2123, 1, 15));

    Model leap(D(2008, 2, 29));
    EXPECT_TRUE(leap.ChangeYear(1));
    EXPECT_EQ(leap.DisplayDate(), D(2009, 2, 28));

    // Limits: month steps are clamped to the limit passed, year steps refused.
    Model lim(D(2024, 5, 20));
    lim.MaxDate.SetDate(D(2024, 6, 10));
    lim.MaxDate.SetUse(true);
    lim.MinDate.SetDate(D(2024, 4, 25));
    lim.MinDate.SetUse(true);
    lim.ChangeMonth(1);
    EXPECT_EQ(lim.DisplayDate(), D(2024, 6, 10));
    lim.ChangeMonth(-2);
    EXPECT_EQ(lim.DisplayDate(), D(2024, 4, 25));
    EXPECT_FALSE(lim.ChangeYear(1));
    EXPECT_EQ(lim.DisplayDate(), D(2024, 4, 25));
    EXPECT_EQ(lim.MonthBoundary(-1), D(2024, 3, 31));
    EXPECT_EQ(lim.MonthBoundary(1), D(2024, 5, 1));
    EXPECT_FALSE(lim.CanChangeMonth(-1));
    EXPECT_TRUE(lim.CanChangeMonth(1));
    EXPECT_FALSE(lim.CanChangeYear(-1));
    // The year before 1900-12-30 is day 0 of the date scale, a day like any other.
    Model early(D(1900, 12, 30));
    EXPECT_TRUE(early.ChangeYear(-1));
    EXPECT_EQ(early.DisplayDate(), D(1899, 12, 30));
}

TEST(CalendarModel, LimitsAndSelectableDays) {
    Model m(D(2025, 1, 15));
    m.MinDate.SetDate(D(2025, 1, 10));
    EXPECT_TRUE(m.DateInRange(D(2000, 1, 1))); // not in use
    m.MinDate.SetUse(true);
    EXPECT_FALSE(m.DateInRange(D(2025, 1, 9)));
    EXPECT_TRUE(m.DateInRange(D(2025, 1, 10) + 0.9));
    EXPECT_TRUE(m.MonthInRange(D(2025, 1, 1)));
    EXPECT_FALSE(m.MonthInRange(D(2024, 12, 31)));
    m.MinDate.SetMonth(2);
    m.MinDate.SetDay(30); // no such date: the limit takes no part
    EXPECT_FALSE(m.MinDate.InUse());
    EXPECT_TRUE(m.DateInRange(D(1990, 1, 1)));

    // Neighbour months are compared with their years: December 2024 lies before January 2025.
    m.ShowDaysBefore = false;
    m.ShowDaysAfter = true;
    EXPECT_FALSE(m.IsSelectable(D(2024, 12, 30)));
    EXPECT_TRUE(m.IsSelectable(D(2025, 2, 1)));
    EXPECT_TRUE(m.IsSelectable(D(2025, 1, 31)));
    m.ShowDaysBefore = true;
    m.ShowDaysAfter = false;
    EXPECT_TRUE(m.IsSelectable(D(2024, 12, 30)));
    EXPECT_FALSE(m.IsSelectable(D(2025, 2, 1)));

    EXPECT_TRUE(m.IsInActiveDay(D(2025, 1, 18))); // Saturday
    EXPECT_FALSE(m.IsInActiveDay(D(2025, 1, 17)));
    m.InActiveDays.SetFri(true);
    EXPECT_TRUE(m.IsInActiveDay(D(2025, 1, 17)));
}

TEST(CalendarModel, SelectionAndTexts) {
    Model m(D(2024, 3, 5));
    m.SetMultiSelect(true);
    m.Dates.AddRange(D(2024, 3, 9), D(2024, 3, 7)); // ends swapped
    EXPECT_EQ(m.Dates.Count(), 4);
    m.SetDateParts(12, 3, 2024);
    ASSERT_EQ(m.Dates.Count(), 1);
    EXPECT_EQ(m.Dates.IndexOf(D(2024, 3, 12) + 0.6), 0);
    EXPECT_EQ(m.PrevSelectedDate(), D(2024, 3, 12));
    EXPECT_THROW(m.SetDateParts(31, 4, 2024), EConvertError);

    m.Dates.AddDate(D(2024, 3, 20));
    m.Dates.AddRange(D(2024, 3, 1), D(2024, 3, 3));
    m.Dates.AddDate(D(2024, 3, 13));
    EXPECT_EQ(m.GetDatesAsText(), "3/1/2024-3/3/2024,3/12/2024-3/13/2024,3/20/2024");
    EXPECT_EQ(m.GetDates()[0]->Date(), D(2024, 3, 1));
    m.Dates.DeleteRange(D(2024, 3, 13), D(2024, 3, 2));
    EXPECT_EQ(m.GetDatesAsText(), "3/1/2024,3/20/2024");
    m.SetMultiSelect(false);
    EXPECT_EQ(m.Dates.Count(), 0);
    EXPECT_EQ(m.CaptionText(), "Mar 2024");
    m.NameOfMonths.SetUseIntlNames(false);
    m.NameOfMonths.SetName(3, "Marchmarchmarchmarch");
    EXPECT_EQ(m.CaptionText(), "Marchmarchmarchmarch"); // 20 characters at most
    EXPECT_EQ(m.NameOfDays.Name(1), "Mon");
    EXPECT_EQ(m.NameOfDays.Name(14), "Sun");
    EXPECT_EQ(m.NameOfDays.Name(15), "");
}

TEST(CalendarModel, CollectionsReportToTheirOwner) {
    CountingOwner owner;
    TSelDateItems items(&owner);
    TSelDateItem* a = items.AddDate(D(2024, 1, 2));
    EXPECT_EQ(owner.changes, 1);
    EXPECT_EQ(a->MarkerColor(), clBlue); // the owner's defaults
    EXPECT_EQ(a->MarkerShape(), evsTriangle);
    EXPECT_EQ(a->DayColor(), clGreen);
    items.BeginUpdate();
    items.AddRange(D(2024, 1, 3), D(2024, 1, 6));
    items.Delete(0);
    EXPECT_EQ(owner.changes, 1);
    items.EndUpdate();
    EXPECT_EQ(owner.changes, 2);
    items[0]->SetDayColor(clRed);
    ASSERT_EQ(owner.repaints.size(), 1u);
    EXPECT_EQ(owner.repaints[0], D(2024, 1, 3));
    items.BeginUpdate();
    items[0]->SetMarkerColor(clRed); // no repaint inside an update
    items.ResetUpdate();
    EXPECT_EQ(owner.repaints.size(), 1u);
    EXPECT_EQ(owner.changes, 2);

    TSelDateItems copy;
    copy.Notify = false;
    copy.Assign(items);
    ASSERT_EQ(copy.Count(), 4);
    EXPECT_EQ(copy[0]->MarkerColor(), clRed);
    EXPECT_EQ(copy.FindDate(D(2024, 1, 9)), nullptr);
    EXPECT_THROW(copy.GetItem(4), Exception);
}

TEST(CalendarModel, YearStartsAndErrorBoxes) {
    FakeMessageBoxesGuard boxes;
    TYearStartAt y;
    y.SetStartDay(32);
    y.SetNextYearStartMonth(0);
    ASSERT_EQ(boxes->Boxes.size(), 2u);
    EXPECT_EQ(boxes->Boxes[0].text, "Invalid day. Should be in [1..31]");
    EXPECT_EQ(boxes->Boxes[0].type, mtError);
    EXPECT_EQ(boxes->Boxes[1].text, "Invalid month. Should be in [1..12]");
    EXPECT_EQ(y.StartDay(), 1);
    EXPECT_EQ(y.NextYearStartMonth(), 1);

    y.SetISOWeekNumber(true);
    y.RefreshISOStarts(2010); // 1 January 2010 is a Friday: week 1 starts on 4 January
    EXPECT_EQ(y.StartDay(), 4);
    EXPECT_EQ(y.StartMonth(), 1);
    y.RefreshISOStarts(2015); // a Thursday: week 1 starts on Monday 29 December 2014
    EXPECT_EQ(y.StartDay(), 29);
    EXPECT_EQ(y.StartMonth(), 12);
}

// Week numbers with ISO weeks on, against the ISO weeks Python gives (gen_isoweeks.py).
TEST(CalendarModel, IsoWeekNumbersMatchTheOracle) {
    std::ifstream in(SourcePath("tests/calendar/data/isoweeks.txt"));
    ASSERT_TRUE(in.good());
    std::string line;
    int checked = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream s(line);
        int year, month, start;
        s >> year >> month >> start;
        Model m(D(year, month, 1));
        m.YearStartAt.SetISOWeekNumber(true);
        m.SetStartDay(start);
        for (int row = 1; row <= 6; ++row) {
            int expected;
            s >> expected;
            ASSERT_EQ(m.WeekNumber(row), expected) << line << " row " << row;
            ++checked;
        }
    }
    EXPECT_EQ(checked, 31 * 12 * 7 * 6);
}

TEST(CalendarModel, WeekNumbersFromPlainYearStarts) {
    Model m(D(2023, 1, 10)); // 1 January 2023 is a Sunday
    m.SetStartDay(7);
    EXPECT_EQ(m.WeekNumber(1), 1); // 1..7 January
    EXPECT_EQ(m.WeekNumber(2), 2);
    Model dec(D(2023, 12, 10));
    dec.SetStartDay(7);
    EXPECT_EQ(dec.WeekNumber(5), 52); // 24..30 December
    EXPECT_EQ(dec.WeekNumber(6), 1);  // ends on 6 January 2024, counted from the next start
    // A year start of 31 February is cut to the month's end instead of failing.
    dec.YearStartAt.SetStartMonth(2);
    dec.YearStartAt.SetStartDay(31);
    EXPECT_EQ(dec.WeekNumber(1), 40); // 2 December is day 277 after 28 February
}

TEST(CalendarLayout, CellsAndBrowseZones) {
    TCalendarLayout l = TCalendarLayout::Compute(180, 180, false, false, 1);
    EXPECT_EQ(l.CellWidth, 24);
    EXPECT_EQ(l.CellHeight, 23);
    EXPECT_EQ(l.WeekColWidth, 1);
    EXPECT_EQ(l.CellRect(1, 1), QRect(1, 37, 26, 23));
    EXPECT_EQ(l.CellRect(7, 6), QRect(145, 152, 26, 23));
    EXPECT_EQ(l.DayAreaTop(), 39);
    EXPECT_EQ(l.TodayFrame(1, 1), QRect(QPoint(5, 37), QPoint(27, 59)));
    TCalendarLayout w = TCalendarLayout::Compute(180, 180, true, true, 1);
    EXPECT_EQ(w.CellWidth, 21);
    EXPECT_EQ(w.CellHeight, 20);
    EXPECT_EQ(w.WeekColWidth, 21);

    TBrowseButtons b;
    EXPECT_TRUE(BrowseZone(TBrowseButton::PrevYear, l, b).Contains(10, 7));
    EXPECT_TRUE(BrowseZone(TBrowseButton::PrevMonth, l, b).Contains(30, 7));
    EXPECT_TRUE(BrowseZone(TBrowseButton::NextMonth, l, b).Contains(152, 7));
    EXPECT_TRUE(BrowseZone(TBrowseButton::NextYear, l, b).Contains(170, 7));
    EXPECT_FALSE(BrowseZone(TBrowseButton::NextYear, l, b).Contains(170, 15));
    b.PrevYear = false;
    EXPECT_TRUE(BrowseZone(TBrowseButton::PrevMonth, l, b).Contains(10, 7));
    EXPECT_FALSE(BrowseZone(TBrowseButton::PrevYear, l, b).Contains(10, 7));
    b.NY = QSize(12, 10);
    b.NM = QSize(8, 10);
    TBrowseZone nm = BrowseZone(TBrowseButton::NextMonth, l, b);
    EXPECT_EQ(nm.Left, 180 - 30);
    EXPECT_EQ(nm.Right, 180 - 22);
    EXPECT_EQ(nm.Height, 10);
}

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/remindertreefilter.h"
#include "core/tockwelldb.h"
#include "testutil.h"

namespace {

// An entry due at `due`, with its next alert at `next`.
TTockwellItemPtr Entry(const std::string& caption, TDateTime due, TDateTime next) {
    TTockwellItemPtr item = TTockwellDB::NewItem(caption, due);
    item->GetReminder().SetNextAlertDateTime(next);
    return item;
}

TTockwellItemPtr Entry(const std::string& caption, TDateTime due) {
    return Entry(caption, due, due);
}

// Each group as "<caption>: <item captions>", in sorted order.
std::vector<std::string> Tree(const TFilterTreeManager& tree) {
    std::vector<std::string> out;
    for (const TFilterTreeItemPtr& group : tree.Root.Children) {
        std::string line = group->GetCaption() + ":";
        for (const TFilterTreeItemPtr& item : group->Children)
            line += " " + item->GetCaption();
        out.push_back(line);
    }
    return out;
}

std::vector<std::string> Fill(const std::vector<TTockwellItemPtr>& entries) {
    TFilterTreeManager tree;
    for (const TTockwellItemPtr& entry : entries)
        AddReminderToTree(tree, entry, Now());
    return Tree(tree);
}

const TReminderTreeGroup& GroupAt(const TFilterTreeManager& tree, int index) {
    return dynamic_cast<const TReminderTreeGroup&>(*tree.Root.Children.Items(index));
}

} // namespace

TEST(ReminderTreeFilter, GroupsAcrossTheYearEnd) {
    FixedClock clock(At(2024, 12, 27, 15)); // a Friday; next week runs Dec 30 to Jan 5
    const std::vector<TTockwellItemPtr> entries = {
        Entry("jan10", At(2025, 1, 10, 9)),    Entry("jan3", At(2025, 1, 3, 9)),
        Entry("dec27b", At(2024, 12, 27, 18)), Entry("dec27a", At(2024, 12, 27, 8, 30)),
        Entry("dec29", At(2024, 12, 29)),      Entry("dec28", At(2024, 12, 28, 7)),
        Entry("dec30", At(2024, 12, 30, 12)),  Entry("feb1", At(2025, 2, 1)),
        Entry("old", At(2024, 12, 20), 0),     Entry("missed", At(2024, 12, 26, 9)),
        Entry("far", At(2031, 5, 5, 5)),       Entry("dec31", At(2024, 12, 31, 23, 59)),
    };
    const std::vector<std::string> expected = {
        "Dismissed: old missed",
        "today (12/27/2024): dec27a dec27b",
        "tomorrow (12/28/2024): dec28",
        "Sunday (12/29/2024): dec29",
        "Next Week: dec30 dec31 jan3",
        "Next Month (January): jan10",
        "Later: feb1 far",
    };
    EXPECT_EQ(Fill(entries), expected);
    // The order in which reminders are filed does not move any of them.
    EXPECT_EQ(Fill({entries.rbegin(), entries.rend()}), expected);

    TFilterTreeManager tree;
    for (const TTockwellItemPtr& entry : entries)
        AddReminderToTree(tree, entry, Now());
    ASSERT_EQ(tree.Groups.size(), 7u);
    EXPECT_EQ(tree.Groups[0]->GetCaption(), "Next Month (January)"); // creation order
    const TReminderTreeGroup& dismissed = GroupAt(tree, 0);
    EXPECT_EQ(dismissed.StartDate, 0);
    EXPECT_EQ(dismissed.EndDate, At(2024, 12, 26));
    const TReminderTreeGroup& nextWeek = GroupAt(tree, 4);
    EXPECT_EQ(nextWeek.StartDate, At(2024, 12, 30));
    EXPECT_EQ(nextWeek.EndDate, At(2025, 1, 5));
    const TReminderTreeGroup& nextMonth = GroupAt(tree, 5);
    EXPECT_EQ(nextMonth.StartDate, At(2025, 1, 1));
    EXPECT_EQ(nextMonth.EndDate, At(2025, 1, 31));
    const TReminderTreeGroup& later = GroupAt(tree, 6);
    EXPECT_EQ(later.StartDate, At(2025, 2, 1));
    EXPECT_EQ(later.EndDate, TReminderTreeGroup::LaterEndDate);
    // A reminder's caption is its entry's.
    TFilterTreeItem& first = *dismissed.Children.Items(0);
    first.SetCaption("renamed");
    EXPECT_EQ(entries[8]->Caption, "renamed");
    EXPECT_FALSE(first.IsGroup());
    EXPECT_TRUE(dismissed.IsGroup());

    tree.Clear();
    EXPECT_TRUE(tree.Groups.empty());
    EXPECT_EQ(tree.Root.Children.Count(), 0);
}

TEST(ReminderTreeFilter, SundayTomorrowAndLaterThisMonth) {
    // On a Sunday tomorrow is the first day of next week: it keeps its own group, sorted
    // before the week.
    FixedClock clock(At(2024, 12, 29, 10));
    EXPECT_EQ(Fill({Entry("wed", At(2025, 1, 1, 9)), Entry("mon", At(2024, 12, 30, 9)),
                    Entry("mon2", At(2024, 12, 30, 8))}),
              (std::vector<std::string>{"tomorrow (12/30/2024): mon2 mon", "Next Week: wed"}));

    // Early in the month: later this month starts the Monday after next week.
    clock.Set(At(2024, 12, 3, 10)); // Tuesday; next week Dec 9 to 15
    TFilterTreeManager tree;
    for (const TTockwellItemPtr& entry :
         {Entry("xmas", At(2024, 12, 25)), Entry("dec16", At(2024, 12, 16)),
          Entry("dec15", At(2024, 12, 15)), Entry("jan", At(2025, 1, 31, 23)),
          Entry("thu", At(2024, 12, 5))})
        AddReminderToTree(tree, entry, Now());
    EXPECT_EQ(Tree(tree), (std::vector<std::string>{"Thursday (12/5/2024): thu", "Next Week: dec15",
                                                    "This Month (December): dec16 xmas",
                                                    "Next Month (January): jan"}));
    const TReminderTreeGroup& month = GroupAt(tree, 2);
    EXPECT_EQ(month.StartDate, At(2024, 12, 16));
    EXPECT_EQ(month.EndDate, At(2024, 12, 31));
}

TEST(ReminderTreeFilter, ItemsSortByReminderTimeToTheMinute) {
    FixedClock clock(At(2024, 3, 15, 8));
    // Next alerts on the same day; reminder times differ (a snoozed one, seconds).
    TTockwellItemPtr a = Entry("a", At(2024, 3, 15, 11, 0, 59), At(2024, 3, 15, 9));
    TTockwellItemPtr b = Entry("b", At(2024, 3, 15, 11, 0, 1), At(2024, 3, 15, 12));
    TTockwellItemPtr c = Entry("c", At(2024, 3, 15, 10, 59, 59), At(2024, 3, 15, 13));
    TTockwellItemPtr none = std::make_shared<TTockwellItem>(); // no reminder: no next alert
    none->Caption = "none";
    // a and b are equal to the minute: the one filed later comes first.
    EXPECT_EQ(Fill({a, b, c, none}),
              (std::vector<std::string>{"Dismissed: none", "today (3/15/2024): c b a"}));
}

TEST(ReminderTreeFilter, OtherYearEndsGiveEachReminderOneGroup) {
    // Wednesday 26 December 2018: next week runs Dec 31 to Jan 6.
    FixedClock clock(At(2018, 12, 26, 10));
    const std::vector<TTockwellItemPtr> late2018 = {
        Entry("dec30", At(2018, 12, 30, 9)), Entry("dec31", At(2018, 12, 31, 9)),
        Entry("jan6", At(2019, 1, 6, 23)),   Entry("jan7", At(2019, 1, 7)),
        Entry("jan31", At(2019, 1, 31)),     Entry("feb1", At(2019, 2, 1)),
    };
    EXPECT_EQ(Fill(late2018),
              (std::vector<std::string>{"Sunday (12/30/2018): dec30", "Next Week: dec31 jan6",
                                        "Next Month (January): jan7 jan31", "Later: feb1"}));

    // Tuesday 1 January 2019: yesterday is dismissed; the month's rest after next week is
    // "This Month (January)".
    clock.Set(At(2019, 1, 1, 8));
    EXPECT_EQ(Fill({Entry("dec31", At(2018, 12, 31, 22)), Entry("jan1", At(2019, 1, 1, 20)),
                    Entry("jan2", At(2019, 1, 2, 1)), Entry("jan6", At(2019, 1, 6)),
                    Entry("jan7", At(2019, 1, 7)), Entry("jan14", At(2019, 1, 14)),
                    Entry("jan31", At(2019, 1, 31, 23)), Entry("feb1", At(2019, 2, 1)),
                    Entry("mar1", At(2019, 3, 1))}),
              (std::vector<std::string>{"Dismissed: dec31", "today (1/1/2019): jan1",
                                        "tomorrow (1/2/2019): jan2", "Sunday (1/6/2019): jan6",
                                        "Next Week: jan7", "This Month (January): jan14 jan31",
                                        "Next Month (February): feb1", "Later: mar1"}));

    // Seen from Monday 30 December 2024, January's first days are this week's weekdays.
    clock.Set(At(2024, 12, 30, 9));
    EXPECT_EQ(Fill({Entry("jan2", At(2025, 1, 2, 9)), Entry("jan5", At(2025, 1, 5, 9)),
                    Entry("jan6", At(2025, 1, 6, 9))}),
              (std::vector<std::string>{"Thursday (1/2/2025): jan2", "Sunday (1/5/2025): jan5",
                                        "Next Week: jan6"}));
}

TEST(ReminderTreeFilter, GroupsStartingTheSameDaySortByStartDateAloneTheLaterOpenedFirst) {
    // Wednesday 26 April 2028: next week and next month both start on Monday 1 May.
    FixedClock clock(At(2028, 4, 26, 10));
    TTockwellItemPtr week = Entry("may3", At(2028, 5, 3, 9));
    TTockwellItemPtr month = Entry("may20", At(2028, 5, 20, 9));
    EXPECT_EQ(Fill({week, month}),
              (std::vector<std::string>{"Next Month (May): may20", "Next Week: may3"}));
    EXPECT_EQ(Fill({month, week}),
              (std::vector<std::string>{"Next Week: may3", "Next Month (May): may20"}));
}

TEST(ReminderTreeFilter, FilingAllAtOnceGivesTheTreeOfFilingOneByOne) {
    FixedClock clock(At(2024, 12, 27, 15));
    // Many equal reminder times (to the minute) in every group, in no order; groups short
    // and long (those are sorted by another way).
    std::vector<TTockwellItemPtr> entries;
    for (int i = 0; i < 2000; ++i) {
        const TDateTime next = i % 13 == 0 ? 0 : At(2024, 12, 20) + (i * 7 % 90) * 0.5;
        entries.push_back(Entry("r" + std::to_string(i), next + (i % 3) * OneSecond, next));
    }
    TFilterTreeManager tree;
    AddRemindersToTree(tree, entries, Now());
    EXPECT_EQ(Tree(tree), Fill(entries));
    std::vector<std::string> created, expected;
    TFilterTreeManager oneByOne;
    for (const TTockwellItemPtr& entry : entries)
        AddReminderToTree(oneByOne, entry, Now());
    for (size_t g = 0; g < tree.Groups.size(); ++g) {
        created.push_back(tree.Groups[g]->GetCaption());
        expected.push_back(oneByOne.Groups[g]->GetCaption());
    }
    EXPECT_EQ(created, expected);
    EXPECT_EQ(tree.Groups.size(), 7u);
}

TEST(ReminderTreeFilter, GroupsAreSeenFromTheNowGivenNotTheClock) {
    FixedClock clock(At(2024, 12, 27, 15));
    TFilterTreeManager tree;
    AddReminderToTree(tree, Entry("dec27", At(2024, 12, 27, 18)), At(2024, 12, 28, 9));
    AddReminderToTree(tree, Entry("dec28", At(2024, 12, 28, 18)), At(2024, 12, 28, 9));
    EXPECT_EQ(Tree(tree),
              (std::vector<std::string>{"Dismissed: dec27", "today (12/28/2024): dec28"}));
    EXPECT_EQ(GroupAt(tree, 0).EndDate, At(2024, 12, 27));
}

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "core/sortedlists.h"
#include "core/tockwelldb.h"
#include "fakealertwindows.h"
#include "platform/datetimeformat.h"
#include "testutil.h"

namespace {

std::vector<std::string> Captions(const TSortedTockwelDB& list) {
    std::vector<std::string> out;
    for (const auto& item : list)
        out.push_back(item->Caption);
    return out;
}

std::vector<std::string> Lines(const std::string& hint) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t pos; (pos = hint.find("\n\r", start)) != std::string::npos; start = pos + 2)
        out.push_back(hint.substr(start, pos - start));
    out.push_back(hint.substr(start));
    return out;
}

} // namespace

TEST(SortedLists, FindAddAndDuplicates) {
    TSortedDates days;
    int index = -1;
    EXPECT_FALSE(days.Find(5, index));
    EXPECT_EQ(index, 0);

    EXPECT_EQ(days.AddDate(45000.75), 0);
    EXPECT_EQ(days.AddDate(44000), 0);
    EXPECT_EQ(days.AddDate(45000.1), -1); // the same day
    EXPECT_EQ(days.Count(), 2);
    EXPECT_TRUE(days.HasDate(45000.99));
    EXPECT_EQ(days.IndexOf(45000), 1);
    EXPECT_FALSE(days.Find(44500, index));
    EXPECT_EQ(index, 1); // insertion point
    days.RemoveDate(45000.5);
    days.RemoveDate(1); // absent: nothing
    EXPECT_EQ(days.Count(), 1);

    // Signed order, so dates before 1899-12-30 sort first.
    TListSortedPointers values;
    for (int v : {3, -7, 2000000000, 0, -2000000000})
        values.Add(v);
    std::vector<int32_t> sorted(values.begin(), values.end());
    EXPECT_EQ(sorted, (std::vector<int32_t>{-2000000000, -7, 0, 3, 2000000000}));

    EXPECT_EQ(WholeDay(-1.25), -1);
    EXPECT_EQ(WholeDay(1e300), 0);
    EXPECT_EQ(WholeDay(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(SortedLists, AlertIndexKeepsEqualKeysAndFindsTheFirst) {
    TSortedTockwelDB index;
    std::vector<TTockwellItemPtr> held; // the index holds no references
    auto make = [&](const std::string& caption, TDateTime next) {
        auto item = std::make_shared<TTockwellItem>();
        item->Caption = caption;
        item->GetReminder().SetNextAlertDateTime(next);
        held.push_back(item);
        return item;
    };
    index.Add(make("b1", 10));
    index.Add(make("c", 20));
    index.Add(make("b2", 10));
    index.Add(make("a", 5));
    index.Add(make("b3", 10));
    // Equal keys: each new one goes before the others (Find gives the first equal).
    EXPECT_EQ(Captions(index), (std::vector<std::string>{"a", "b3", "b2", "b1", "c"}));
    int at = -1;
    EXPECT_TRUE(index.Find(make("probe", 10), at));
    EXPECT_EQ(at, 1);
    EXPECT_EQ(index.FindFirstAtOrAfter(10), 1);
    EXPECT_EQ(index.FindFirstAtOrAfter(11), 4);
    EXPECT_EQ(index.FindFirstAtOrAfter(21), 5);

    // An entry without a reminder sorts as one without a next alert; nothing is created.
    auto bare = std::make_shared<TTockwellItem>();
    bare->Caption = "none";
    EXPECT_EQ(index.Add(bare), 0);
    EXPECT_FALSE(bare->HasReminder());
    EXPECT_TRUE(index.Remove(bare.get()));
    EXPECT_FALSE(index.Remove(bare.get()));
}

TEST(SortedLists, AlertIndexRebuiltAtOnceMatchesOneByOne) {
    std::vector<TTockwellItemPtr> items;
    const double keys[] = {7, 3, 0, 7, -2, std::numeric_limits<double>::quiet_NaN(), 3, 7, 1};
    int n = 0;
    for (double key : keys) {
        auto item = std::make_shared<TTockwellItem>();
        item->Caption = std::to_string(n++);
        item->GetReminder().SetNextAlertDateTime(key);
        items.push_back(item);
    }
    items.push_back(std::make_shared<TTockwellItem>()); // no reminder
    items.back()->Caption = "bare";

    TSortedTockwelDB oneByOne, atOnce;
    for (const auto& item : items)
        oneByOne.Add(item);
    atOnce.Assign(items);
    EXPECT_EQ(Captions(atOnce), Captions(oneByOne));
    EXPECT_EQ(Captions(atOnce),
              (std::vector<std::string>{"4", "bare", "5", "2", "8", "6", "1", "7", "3", "0"}));
}

TEST(ReminderDatabase, HolidaysWorkdaysAndColours) {
    TTockwellDB db;
    const TDateTime day = At(2024, 7, 3, 15, 30); // a Wednesday
    db.SetHoliday(day);
    db.SetHoliday(DateOf(day));
    EXPECT_EQ(db.Holidays.Count(), 1);
    EXPECT_TRUE(db.IsHoliday(DateOf(day) + 0.9, false));
    db.SetWorkday(day); // moves it
    EXPECT_EQ(db.Holidays.Count(), 0);
    EXPECT_TRUE(db.IsWorkday(day, false));
    db.RemoveWorkday(day);
    EXPECT_FALSE(db.IsWorkday(day, false));
    EXPECT_TRUE(db.IsWorkday(day, true));
    EXPECT_FALSE(db.IsHoliday(day, true));
    EXPECT_TRUE(db.IsHoliday(At(2024, 7, 6), true)); // Saturday
    EXPECT_TRUE(db.IsHoliday(At(2024, 7, 7), true)); // Sunday
    EXPECT_FALSE(db.IsWorkday(At(2024, 7, 7), true));

    int32_t color = 0;
    EXPECT_FALSE(db.GetDateColor(color, day));
    db.SetDateColor(0x00FF00, day);
    db.SetDateColor(0x0000FF, DateOf(day) + 0.1);
    EXPECT_EQ(db.CustomColors.Count(), 1);
    EXPECT_TRUE(db.GetDateColor(color, day));
    EXPECT_EQ(color, 0x0000FF);
    EXPECT_EQ(db.CustomColors.Items(0).Date, DateOf(day));
    db.RemoveDateColor(day);
    EXPECT_FALSE(db.GetDateColor(color, day));

    // Clear keeps the days and colours.
    db.SetHoliday(day);
    db.SetDateColor(1, day);
    db.Clear();
    EXPECT_EQ(db.Holidays.Count(), 1);
    EXPECT_EQ(db.CustomColors.Count(), 1);
    db.ClearHolidaysWorkdays();
    db.ClearDateColors();
    EXPECT_EQ(db.Holidays.Count() + db.CustomColors.Count(), 0);
}

TEST(ReminderDatabase, NewEntriesAndIndexes) {
    FixedClock clock(At(2024, 7, 1, 8, 0));
    TTockwellDB db;
    auto active = db.AddNew("active", At(2024, 7, 3, 9, 0));
    EXPECT_EQ(active->GetReminder().GetReminderState(), rsActive);
    EXPECT_EQ(active->GetReminder().GetNextAlertDateTime(), At(2024, 7, 3, 9, 0));
    EXPECT_EQ(active->Created, Now());
    EXPECT_EQ(active->Updated, Now());
    auto undated = db.AddNew("undated", 0);
    auto early = db.AddNew("early", At(2024, 7, 2, 18, 0));
    auto bare = std::make_shared<TTockwellItem>();
    bare->Caption = "no reminder";
    db.Add(bare);
    db.Add(bare); // once only
    EXPECT_EQ(db.Count(), 4);

    EXPECT_EQ(db.GetNextAlertItem(), nullptr); // indexes not built yet
    db.RebuildIndexes();
    EXPECT_EQ(db.GetNextAlertItem(), early);
    EXPECT_TRUE(db.HasRemindersOnDay(At(2024, 7, 3)));
    EXPECT_TRUE(db.HasRemindersOnDay(0)); // the undated entry
    EXPECT_FALSE(db.HasRemindersOnDay(At(2024, 7, 4)));
    EXPECT_EQ(db.AlertIndex.Count(), 4);
    EXPECT_FALSE(bare->HasReminder());

    early->GetReminder().Dismiss();
    active->GetReminder().Dismiss();
    db.RebuildIndexes();
    EXPECT_EQ(db.GetNextAlertItem(), nullptr);

    // An entry belongs to one database.
    TTockwellDB other;
    EXPECT_THROW(other.Add(early), Exception);
    EXPECT_FALSE(other.Remove(early));
    EXPECT_EQ(db.IndexOf(early), 2);
}

TEST(ReminderDatabase, DayHints) {
    SetLocaleSettings(EnglishFormatSettings());
    TTockwellDB db;
    const std::string thirty(30, 'x');
    db.AddNew("second", At(2024, 7, 3, 10, 0));
    db.AddNew(thirty, At(2024, 7, 3, 9, 0));
    db.AddNew(thirty + "y", At(2024, 7, 3, 11, 0));
    db.AddNew("fourth", At(2024, 7, 3, 12, 0));
    db.AddNew("fifth", At(2024, 7, 3, 13, 0));
    db.AddNew("next day", At(2024, 7, 4, 0, 0));
    db.AddNew("Über äöü ÄÖÜ ß — long enough to cut", At(2024, 7, 5, 8, 0));
    db.RebuildIndexes();

    std::string hint;
    EXPECT_FALSE(db.GetDayHint(At(2024, 7, 6), hint, 3));
    ASSERT_TRUE(db.GetDayHint(At(2024, 7, 3, 17, 0), hint, 3));
    EXPECT_EQ(db.DayItems.Count(), 5);
    EXPECT_EQ(Lines(hint), (std::vector<std::string>{"9:00 AM - " + thirty, "10:00 AM - second",
                                                     "11:00 AM - " + thirty + "...", "..."}));
    ASSERT_TRUE(db.GetDayHint(At(2024, 7, 3), hint, 5));
    EXPECT_EQ(Lines(hint).size(), 5u);
    ASSERT_TRUE(db.GetDayHint(At(2024, 7, 4), hint, 3));
    EXPECT_EQ(hint, "12:00 AM - next day");
    // Captions are cut by characters, not bytes.
    ASSERT_TRUE(db.GetDayHint(At(2024, 7, 5), hint, 3));
    EXPECT_EQ(hint, "8:00 AM - Über äöü ÄÖÜ ß — long enough t..."); // 30 characters kept
}

TEST(ReminderDatabase, DeletingAnEntryLeavesNothingBehind) {
    FakeAlertEnvironment env;
    TTockwellDB db;
    auto a = db.AddNew("a", At(2024, 7, 3, 9, 0));
    auto b = db.AddNew("b", At(2024, 7, 3, 10, 0));
    db.RebuildIndexes();
    db.CollectDayItems(At(2024, 7, 3));
    ASSERT_EQ(db.DayItems.Count(), 2);

    std::weak_ptr<TTockwellItem> weak = a;
    a->Delete();
    EXPECT_EQ(db.Count(), 1);
    EXPECT_TRUE(a->IsRemoved());
    EXPECT_EQ(Captions(db.AlertIndex), std::vector<std::string>{"b"});
    EXPECT_EQ(Captions(db.DayItems), std::vector<std::string>{"b"});
    EXPECT_EQ(db.GetNextAlertItem(), b);
    a->Delete(); // a second delete does nothing
    EXPECT_EQ(db.Count(), 1);
    a.reset();
    EXPECT_TRUE(weak.expired()); // the database kept no reference

    // Entries held elsewhere after Clear or the database's end are marked removed.
    auto held = db.GetItem(0);
    db.Clear();
    EXPECT_TRUE(held->IsRemoved());
    EXPECT_EQ(db.AlertIndex.Count() + db.DayItems.Count() + db.Count(), 0);
    TTockwellItemPtr survivor;
    {
        TTockwellDB other;
        survivor = other.AddNew("x", 0);
    }
    EXPECT_TRUE(survivor->IsRemoved());
    survivor->Delete(); // its database is gone: nothing happens
    // Adding again brings it back.
    db.Add(survivor);
    EXPECT_FALSE(survivor->IsRemoved());
    survivor->Delete();
    EXPECT_EQ(db.Count(), 0);
}

TEST(ReminderDatabase, WalkSkipsEntriesDeletedDuringIt) {
    TTockwellDB db;
    auto a = db.AddNew("a", 0);
    auto b = db.AddNew("b", 0);
    auto c = db.AddNew("c", 0);
    std::vector<std::string> seen;
    db.ForEachItem([&](const IReminderAwareItemPtr& item) {
        seen.push_back(item->GetCaption());
        if (item == a) {
            b->Delete();
            db.AddNew("d", 0);
        }
    });
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(db.Count(), 3);
}

TEST(ReminderDatabase, AnEntryWithoutReminderStillWritesARecord) {
    TTockwellItem quiet, item;
    quiet.Caption = "q";
    item.Notes = "after";
    TMemoryStream stream;
    quiet.SaveToStream(stream);
    EXPECT_FALSE(quiet.HasReminder());
    item.SaveToStream(stream);
    stream.SetPosition(0);
    TTockwellItem s1, s2;
    s1.LoadFromStream(stream);
    s2.LoadFromStream(stream);
    EXPECT_EQ(stream.Position(), stream.Size());
    EXPECT_EQ(s1.Caption, "q");
    EXPECT_EQ(s2.Notes, "after");
}

// The index is sorted only when a key or the list moved; every rebuild leaves it in the order
// of the keys as they are then.
TEST(ReminderDatabase, AlertIndexFollowsChangesAndSortsOnlyAfterOne) {
    TTockwellDB db;
    auto keysInOrder = [&] {
        std::vector<TDateTime> keys;
        for (const auto& entry : db.AlertIndex) {
            EXPECT_EQ(entry.Key, TSortedTockwelDB::Key(*entry.Item)) << entry->Caption;
            keys.push_back(entry.Key);
        }
        EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
        return keys.size();
    };
    auto a = db.AddNew("a", At(2024, 7, 3, 9, 0));
    auto b = db.AddNew("b", At(2024, 7, 1, 9, 0));
    auto c = db.AddNew("c", At(2024, 7, 2, 9, 0));
    EXPECT_TRUE(db.RebuildIndexes());
    EXPECT_EQ(Captions(db.AlertIndex), (std::vector<std::string>{"b", "c", "a"}));
    EXPECT_FALSE(db.RebuildIndexes()); // nothing moved: no sort

    // A moved next alert is found by the next rebuild, also the day list's.
    b->GetReminder().SetNextAlertDateTime(At(2024, 7, 9, 9, 0));
    EXPECT_TRUE(db.RebuildIndexes());
    EXPECT_EQ(Captions(db.AlertIndex), (std::vector<std::string>{"c", "a", "b"}));
    EXPECT_EQ(keysInOrder(), 3u);
    EXPECT_FALSE(db.HasRemindersOnDay(At(2024, 7, 1)));
    EXPECT_TRUE(db.HasRemindersOnDay(At(2024, 7, 9)));
    EXPECT_FALSE(db.RebuildIndexes());

    // The last entry replaced by one with the same key: the keys by position are as before,
    // but the index must name the new entry, not the removed one.
    db.Remove(c);
    auto d = db.AddNew("d", At(2024, 7, 2, 9, 0));
    EXPECT_TRUE(db.RebuildIndexes());
    EXPECT_EQ(Captions(db.AlertIndex), (std::vector<std::string>{"d", "a", "b"}));
    EXPECT_EQ(db.GetNextAlertItem(), d);

    // Equal keys (all three now): the one added last first, as Add gives them one by one.
    a->GetReminder().SetNextAlertDateTime(At(2024, 7, 2, 9, 0));
    b->GetReminder().SetNextAlertDateTime(At(2024, 7, 2, 9, 0));
    EXPECT_TRUE(db.RebuildIndexes());
    EXPECT_EQ(Captions(db.AlertIndex), (std::vector<std::string>{"d", "b", "a"}));
    EXPECT_EQ(keysInOrder(), 3u);
    EXPECT_EQ(db.ReminderDays.Count(), 1);
}

// A few moved keys are merged into the index; many have it sorted anew. Either way it is the
// order a sort of the current keys gives (equal keys: the one added last first), and the day
// list follows.
TEST(ReminderDatabase, AlertIndexAfterFewOrManyMovedKeys) {
    TTockwellDB db;
    const TDateTime base = At(2024, 7, 1);
    for (int i = 0; i < 200; ++i)
        db.AddNew(std::to_string(i), i % 7 == 0 ? 0 : base + (i * 37 % 50) / 4.0);
    db.RebuildIndexes();
    auto expectSorted = [&] {
        std::vector<std::pair<TDateTime, int>> expected; // key, then the later entry first
        std::vector<int32_t> days;
        for (int i = 0; i < db.Count(); ++i) {
            expected.emplace_back(db.GetItem(i)->NextAlertDateTime(), -i);
            days.push_back(WholeDay(db.GetItem(i)->NextAlertDateTime()));
        }
        std::sort(expected.begin(), expected.end());
        std::sort(days.begin(), days.end());
        days.erase(std::unique(days.begin(), days.end()), days.end());
        std::vector<std::string> captions;
        for (const auto& e : expected)
            captions.push_back(std::to_string(-e.second));
        EXPECT_EQ(Captions(db.AlertIndex), captions);
        EXPECT_EQ(std::vector<int32_t>(db.ReminderDays.begin(), db.ReminderDays.end()), days);
    };
    expectSorted();
    // Three moved: to the front, to the back, and onto a key others have.
    db.GetItem(150)->GetReminder().SetNextAlertDateTime(base - 3);
    db.GetItem(3)->GetReminder().SetNextAlertDateTime(base + 40);
    db.GetItem(4)->GetReminder().SetNextAlertDateTime(db.GetItem(10)->NextAlertDateTime());
    EXPECT_TRUE(db.RebuildIndexes());
    expectSorted();
    EXPECT_EQ(db.GetNextAlertItem(), db.GetItem(150));
    // Most moved.
    for (int i = 0; i < db.Count(); i += 2)
        db.GetItem(i)->GetReminder().SetNextAlertDateTime(base + 100 - i / 8.0);
    EXPECT_TRUE(db.RebuildIndexes());
    expectSorted();
    EXPECT_FALSE(db.RebuildIndexes());
}

// The manager's short list comes from the index, in list order. Entries added since the last
// build are taken in, and one whose next alert was cleared or moved beyond the horizon since
// (a reminder that fired) is left out.
TEST(ReminderDatabase, DueEntriesInListOrderFromTheIndex) {
    TTockwellDB db;
    const TDateTime now = At(2024, 7, 3, 9, 0);
    auto late = db.AddNew("late", now + 50 * OneMinute);
    auto beyond = db.AddNew("beyond", now + 2 * OneHour);
    db.AddNew("none", 0);
    auto early = db.AddNew("early", now - OneHour);
    db.AddNew("before 1899", -5);
    db.Add(std::make_shared<TTockwellItem>()); // no reminder
    db.RebuildIndexes();
    late->GetReminder().SetNextAlertDateTime(0);
    early->GetReminder().SetNextAlertDateTime(now + 3 * OneHour);
    auto added = db.AddNew("added", now + 10 * OneMinute);

    auto due = [&] {
        std::vector<IReminderAwareItemPtr> items;
        db.CollectDue(now + OneHour, items);
        std::vector<std::string> captions;
        for (const auto& item : items)
            captions.push_back(item->GetCaption());
        return captions;
    };
    EXPECT_EQ(due(), (std::vector<std::string>{"before 1899", "added"}));
    EXPECT_FALSE(db.RebuildIndexes()); // the addition had the index rebuilt
    EXPECT_EQ(db.GetNextAlertItem()->Caption, "before 1899");

    beyond->GetReminder().SetNextAlertDateTime(now + 5 * OneMinute);
    EXPECT_TRUE(db.RebuildIndexes());
    EXPECT_EQ(due(), (std::vector<std::string>{"beyond", "before 1899", "added"}));
    db.Remove(beyond);
    EXPECT_EQ(due(), (std::vector<std::string>{"before 1899", "added"}));
    EXPECT_EQ(added.use_count(), 2); // the database and added: the walk kept none
}

#include <gtest/gtest.h>

#include <cmath>

#include "core/remindermanager.h"
#include "core/tockwelldb.h"
#include "fakealertwindows.h"
#include "testutil.h"

namespace {

const TDateTime T0 = At(2024, 3, 4, 9, 0);

// The main window's wiring: events first, then 30, 60 and 9; after a pass that fired, the
// queued actions run and the data file is saved.
struct Engine {
    Engine() : clock(T0) {
        manager.OnAfterFire = [this] {
            ++afterFire;
            env.Window->RunQueued();
            ++saves;
        };
        manager.SetRebuildReminderListEverNMin(30);
        manager.SetProcessDBForRemindersDueNextNMinutes(60);
        manager.SetCheckEveryNSeconds(9);
    }
    // The 2-second timer for the given span.
    int Tick(TDateTime span) {
        int fired = 0;
        const TDateTime start = clock.Get();
        const long ticks = std::lround(span / (2 * OneSecond));
        for (long i = 1; i <= ticks; ++i) {
            clock.Set(start + i * 2 * OneSecond);
            fired += manager.CheckReminders(db) ? 1 : 0;
        }
        return fired;
    }
    TTockwellItemPtr Add(const std::string& caption, TDateTime due) {
        return db.AddNew(caption, due);
    }
    // Fired reminders in posting order, one caption per posted window action.
    std::vector<std::string> FiredCaptions() const {
        std::vector<std::string> out;
        for (const auto& a : env.Window->Posted)
            if (a.Kind == akActivateReminderWnd)
                out.push_back(a.Item->GetCaption());
        return out;
    }

    FakeAlertEnvironment env;
    FixedClock clock;
    TTockwellDB db;
    TReminderManager manager; // after the window, so it hooks its events
    int afterFire = 0;
    int saves = 0;
};

} // namespace

TEST(ReminderManager, RebuildIntervalMustBeShorterThanTheHorizon) {
    TReminderManager m;
    EXPECT_EQ(MessageOf([&] { m.SetRebuildReminderListEverNMin(60); }),
              "ReminderManager error: RebuildReminderListEverNMin should be less "
              "then ProcessDBForRemindersDueNextNMinutes.");
    EXPECT_EQ(m.GetRebuildReminderListEverNMin(), 60); // stored before the check
}

TEST(ReminderManager, PassesAndRebuildsFollowTheClock) {
    Engine e;
    e.Add("later", T0 + 50 * OneMinute);
    e.Add("far", T0 + 100 * OneMinute);

    e.manager.CheckReminders(e.db); // first tick: rebuild and pass
    EXPECT_EQ(e.manager.GetLastRebuild(), T0);
    EXPECT_EQ(e.manager.GetLastProcess(), T0);
    EXPECT_EQ(e.manager.GetHorizon(), T0 + OneHour);
    EXPECT_EQ(e.manager.Count(), 1);
    EXPECT_EQ(e.env.Window->RefreshCount, 1);

    // A 2-second timer with passes at least 9 s apart: one pass every 10 s.
    e.Tick(60 * OneSecond);
    EXPECT_EQ(e.env.Window->RefreshCount, 7);
    EXPECT_EQ(MilliSecondsBetween(e.manager.GetLastProcess(), T0 + 60 * OneSecond), 0);

    // The rebuild comes when 30 whole minutes have passed; it takes the far reminder in.
    e.Tick(28 * OneMinute + 58 * OneSecond);
    EXPECT_EQ(e.manager.GetLastRebuild(), T0);
    e.Tick(2 * OneSecond);
    EXPECT_EQ(MilliSecondsBetween(e.manager.GetLastRebuild(), T0 + 30 * OneMinute), 0);
    EXPECT_EQ(e.manager.Count(), 1); // "far" is still beyond the 90-min horizon
    e.Tick(30 * OneMinute);
    EXPECT_EQ(e.manager.Count(), 1); // "later" fired and was dropped; "far" came in
    EXPECT_EQ(e.manager.Items(0)->GetCaption(), "far");
    EXPECT_EQ(e.FiredCaptions(), std::vector<std::string>{"later"});

    // Clear makes the next check rebuild at once.
    e.manager.Clear();
    EXPECT_EQ(e.manager.Count(), 0);
    EXPECT_EQ(e.manager.GetLastRebuild(), 0);
    e.Tick(2 * OneSecond);
    EXPECT_EQ(e.manager.Count(), 1);
}

TEST(ReminderManager, ChangedReminderBeyondTheDefaultHorizonWaitsForTheRebuild) {
    Engine e;
    e.manager.CheckReminders(e.db);
    e.Tick(60 * OneSecond);
    auto item = e.Add("in 45 min", Now() + 45 * OneMinute);
    EXPECT_FALSE(e.manager.ReminderChanged(item)); // default horizon: 30 minutes
    EXPECT_EQ(e.manager.Count(), 0);

    e.Tick(30 * OneMinute);
    EXPECT_EQ(e.manager.IndexOf(item), 0); // the rebuild picked it up
    EXPECT_TRUE(e.FiredCaptions().empty());
    e.Tick(16 * OneMinute);
    EXPECT_EQ(e.FiredCaptions(), std::vector<std::string>{"in 45 min"});

    // A reminder changed to be due now is listed and fires at once.
    auto now = e.Add("now", Now());
    EXPECT_TRUE(e.manager.ReminderChanged(now));
    EXPECT_EQ(e.FiredCaptions(), (std::vector<std::string>{"in 45 min", "now"}));
    EXPECT_FALSE(e.manager.ReminderChanged(now)); // already listed
}

// Alerts moved while the database's indexes are not rebuilt (every save fails) are still
// found by the manager's rebuilds: a snooze beyond the changed reminder's horizon, an edit that
// brings a far alert near.
TEST(ReminderManager, AlertsMovedSinceTheLastIndexBuildFire) {
    Engine e;
    auto snoozed = e.Add("snoozed", T0 + OneMinute);
    auto edited = e.Add("edited", T0 + 1);
    e.Tick(2 * OneMinute);
    ASSERT_EQ(e.FiredCaptions(), std::vector<std::string>{"snoozed"});
    e.db.RebuildIndexes(); // the save after the fire, the last one that works

    snoozed->GetReminder().Snooze(45 * OneMinute);
    EXPECT_FALSE(e.manager.ReminderChanged(snoozed));
    edited->GetReminder().SetReminderDateTimeIfChanged(Now() + 40 * OneMinute);
    EXPECT_FALSE(e.manager.ReminderChanged(edited));
    EXPECT_EQ(e.Tick(OneHour), 2);
    EXPECT_EQ(e.FiredCaptions(), (std::vector<std::string>{"snoozed", "edited", "snoozed"}));
}

// An entry added without a reminder gets one later: the database hears of its alert.
TEST(ReminderManager, AReminderGivenToAnEntryAlreadyHeldFires) {
    Engine e;
    auto bare = std::make_shared<TTockwellItem>();
    bare->Caption = "bare";
    e.db.Add(bare);
    e.Tick(2 * OneMinute); // the index holds it without an alert
    bare->GetReminder().SetReminderDateTime(true, Now() + 40 * OneMinute);
    EXPECT_EQ(e.Tick(OneHour), 1);
    EXPECT_EQ(e.FiredCaptions(), std::vector<std::string>{"bare"});
}

TEST(ReminderManager, TwoRemindersInOnePassFireTogether) {
    Engine e;
    auto a = e.Add("first", T0 + 5 * OneMinute);
    auto b = e.Add("second", T0 + 4 * OneMinute);
    a->GetReminder().Action<TAlertActShowAlertWnd>().Enabled = true;
    b->GetReminder().Action<TAlertActShowAlertWnd>().Enabled = true;
    e.manager.CheckReminders(e.db);
    e.clock.Set(T0 + 6 * OneMinute);
    EXPECT_TRUE(e.manager.CheckReminders(e.db));
    EXPECT_EQ(e.afterFire, 1);
    EXPECT_EQ(e.saves, 1);

    // Fourteen actions: the first entry's seven in kind order, then the second's.
    ASSERT_EQ(e.env.Window->Posted.size(), 14u);
    for (size_t i = 0; i < 14; ++i) {
        EXPECT_EQ(e.env.Window->Posted[i].Kind, TAlertKind(i % 7)) << i;
        EXPECT_EQ(e.env.Window->Posted[i].Item, i < 7 ? a : b) << i;
    }
    // Run inside the after-fire handler, before the save.
    EXPECT_TRUE(e.env.Window->Queue.empty());
    EXPECT_EQ(e.env.Window->Rows.size(), 2u);
    ASSERT_EQ(e.env.Alerts->Messages.size(), 2u);
    EXPECT_EQ(e.env.Alerts->Messages[0].Text, "first");
    EXPECT_EQ(e.env.Window->ShowCount, 2);

    // Both stay listed until the next rebuild; nothing fires again.
    EXPECT_EQ(e.manager.Count(), 2);
    e.Tick(10 * OneMinute);
    EXPECT_EQ(e.afterFire, 1);
}

TEST(ReminderManager, AFailingActionStopsNeitherTheOthersNorTheSave) {
    Engine e;
    auto item = e.Add("Report", T0);
    TReminderItem& r = item->GetReminder();
    r.Action<TAlertActSendEmail>().Enabled = true;
    r.Action<TAlertActSendEmail>().Emails = "boss@example.org";
    r.Action<TAlertActRunApp>().Enabled = true;
    r.Action<TAlertActRunApp>().AppPath = "missing-program";
    r.Action<TAlertActShowModalDialog>().Enabled = true;
    e.env.MailError = "Mail server down";
    e.env.RunResult = false;

    EXPECT_TRUE(e.manager.CheckReminders(e.db));
    EXPECT_EQ(e.env.Dialogs->Errors,
              (std::vector<std::string>{"Mail server down",
                                        "Reminder error in task \"Report\". Can not run "
                                        "application: \"missing-program\""}));
    EXPECT_EQ(e.env.Dialogs->Modal, std::vector<std::string>{"\"Report\""});
    EXPECT_EQ(e.env.Window->Rows.size(), 1u);
    EXPECT_EQ(e.saves, 1);
}

TEST(ReminderManager, DeletionWhileActionsAreQueued) {
    Engine e;
    e.manager.OnAfterFire = nullptr; // the actions stay queued
    auto item = e.Add("Doomed", T0);
    auto other = e.Add("Other", T0);
    item->GetReminder().Action<TAlertActShowAlertWnd>().Enabled = true;
    std::weak_ptr<TTockwellItem> weak = item;
    EXPECT_TRUE(e.manager.CheckReminders(e.db));
    EXPECT_EQ(e.env.Window->Queue.size(), 14u);

    // The list window's delete: the manager lets go, then the entry leaves the database.
    EXPECT_TRUE(e.manager.RemoveReminder(item));
    item->Delete();
    e.db.RebuildIndexes();
    item.reset();
    EXPECT_FALSE(weak.expired()); // still held by the queued messages, not freed

    e.env.Window->RunQueued();
    EXPECT_EQ(e.env.Window->Rows, std::vector<IReminderAwareItemPtr>{other});
    EXPECT_TRUE(e.env.Alerts->Messages.empty());
    e.env.Window->Posted.clear();
    EXPECT_TRUE(weak.expired()); // nothing points at it any more
    EXPECT_EQ(e.manager.IndexOf(other), 0);

    // Deleted straight from the database (no RemoveReminder): its row goes with the next pass.
    other->Delete();
    EXPECT_TRUE(e.env.Window->HasReminderRow(other));
    e.Tick(10 * OneSecond);
    EXPECT_FALSE(e.env.Window->HasReminderRow(other));
    EXPECT_EQ(e.manager.Count(), 0);
}

TEST(ReminderManager, OpeningAnotherFileLeavesNoOldEntryBehind) {
    Engine e;
    e.manager.OnAfterFire = nullptr;
    auto listed = e.Add("Listed", T0 - OneHour);
    auto queued = e.Add("Queued", T0);
    e.manager.CheckReminders(e.db);
    TQueuedAlertAction first = e.env.Window->Queue.front();
    e.env.Window->Queue.erase(e.env.Window->Queue.begin());
    first.Run(); // "Listed" gets its row
    ASSERT_EQ(e.env.Window->Rows.size(), 1u);

    // NewDataFile: the manager's Clear, then the database's.
    e.manager.Clear();
    e.db.Clear();
    EXPECT_TRUE(e.env.Window->Rows.empty());
    EXPECT_FALSE(listed->GetReminder().GetPlacedToReminderWnd());
    EXPECT_EQ(e.manager.Count(), 0);
    e.env.Window->RunQueued();
    EXPECT_TRUE(e.env.Window->Rows.empty());

    // The new file's fired reminders come back through ShowFiredReminders.
    auto shown = e.Add("Shown", T0 - OneHour);
    shown->GetReminder().SetPlacedToReminderWnd(true);
    e.Add("Hidden", T0 - OneHour);
    const int shows = e.env.Window->ShowCount;
    e.manager.ShowFiredReminders(e.db);
    EXPECT_EQ(e.env.Window->Rows, std::vector<IReminderAwareItemPtr>{shown});
    EXPECT_EQ(e.env.Window->Selected, shown);
    EXPECT_EQ(e.env.Window->ShowCount, shows + 1);
}

TEST(ReminderManager, DismissedHandlerCallingReminderChangedStartsNoNestedPass) {
    Engine e;
    // A daily reminder without the window action: firing dismisses it, which re-activates it
    // for tomorrow and raises the dismissed event during the pass.
    auto daily = e.Add("Daily", T0);
    TReminderItem& r = daily->GetReminder();
    r.GetAction(akActivateReminderWnd).Enabled = false;
    r.RecurrencePattern().Reset(T0);
    r.RecurrencePattern().SetRecurrenceType(rtDaily);
    r.RecurrencePattern().SetPatternStartDate(DateOf(T0));
    auto late = e.Add("Late", T0);
    auto removed = e.Add("Removed", T0);

    std::vector<bool> inPass;
    e.manager.OnReminderDismissed = [&](const IReminderAwareItemPtr& item) {
        inPass.push_back(e.manager.InPass());
        e.manager.ReminderChanged(item);              // the main window's reminder-changed step
        e.manager.ReminderChanged(late);              // already listed
        e.manager.RemoveReminder(removed);            // the pass's own list shrinks
        EXPECT_FALSE(e.manager.CheckReminders(e.db)); // refused inside the pass
    };
    EXPECT_TRUE(e.manager.CheckReminders(e.db));
    EXPECT_EQ(inPass, std::vector<bool>{true});
    EXPECT_EQ(e.FiredCaptions(), (std::vector<std::string>{"Daily", "Late"})); // once each
    EXPECT_EQ(e.afterFire, 1);
    EXPECT_FALSE(e.manager.InPass());
    EXPECT_EQ(r.GetReminderState(), rsActive);
    EXPECT_EQ(MilliSecondsBetween(r.GetNextAlertDateTime(), T0 + 1), 0);
    EXPECT_EQ(e.manager.IndexOf(removed), -1);

    e.Tick(OneMinute);
    EXPECT_EQ(e.afterFire, 1);
    e.clock.Set(T0 + 1);
    e.Tick(10 * OneSecond);
    EXPECT_EQ(e.FiredCaptions(), (std::vector<std::string>{"Daily", "Late", "Daily"}));
}

TEST(ReminderManager, ModalAlertsNestedEventLoopStartsNoPass) {
    Engine e;
    auto modal = e.Add("Modal", T0);
    modal->GetReminder().Action<TAlertActShowModalDialog>().Enabled = true;
    auto next = e.Add("Next", T0 + OneMinute);
    int nestedChecks = 0;
    e.env.Dialogs->DuringModal = [&] {
        // The user leaves the box open for two minutes while the timer keeps ticking.
        for (int i = 0; i < 60; ++i) {
            e.clock.Advance(2 * OneSecond);
            nestedChecks += e.manager.CheckReminders(e.db) ? 1 : 0;
        }
    };
    EXPECT_TRUE(e.manager.CheckReminders(e.db));
    EXPECT_EQ(nestedChecks, 0);
    EXPECT_EQ(e.afterFire, 1);
    EXPECT_EQ(e.FiredCaptions(), std::vector<std::string>{"Modal"});

    e.env.Dialogs->DuringModal = nullptr;
    e.Tick(2 * OneSecond);
    EXPECT_EQ(e.FiredCaptions(), (std::vector<std::string>{"Modal", "Next"}));
    EXPECT_EQ(e.afterFire, 2);
}

TEST(ReminderManager, AReminderThatRaisesDoesNotStopThePass) {
    Engine e;
    // Dismissing after the alert asks a weekly pattern without weekdays for its next date.
    auto broken = e.Add("Broken", T0);
    TReminderItem& r = broken->GetReminder();
    r.GetAction(akActivateReminderWnd).Enabled = false;
    r.RecurrencePattern().SetRecurrenceType(rtWeekly);
    r.RecurrencePattern().SetDayOfWeekMask(0);
    r.RecurrencePattern().SetPatternStartDate(DateOf(T0));
    e.Add("Fine", T0);

    EXPECT_THROW(e.manager.CheckReminders(e.db), TExRecurrencePattern);
    EXPECT_EQ(e.FiredCaptions(), (std::vector<std::string>{"Broken", "Fine"}));
    EXPECT_EQ(e.afterFire, 1);
    EXPECT_EQ(e.saves, 1);
    EXPECT_FALSE(e.manager.InPass());
    e.Tick(10 * OneSecond); // the next pass runs normally
    EXPECT_EQ(e.env.Window->RefreshCount, 2);
}

TEST(ReminderManager, ReminderChangedAndRemoveReminderKeepTheRowsRight) {
    Engine e;
    auto item = e.Add("Call", T0 - OneMinute);
    e.manager.CheckReminders(e.db);
    ASSERT_TRUE(e.env.Window->HasReminderRow(item));

    // Snoozed from the window: the row goes, the reminder stays listed.
    e.env.Window->ClickSnooze(item, 5 * OneMinute);
    EXPECT_FALSE(e.env.Window->HasReminderRow(item));
    EXPECT_FALSE(e.manager.ReminderChanged(item));
    EXPECT_EQ(e.manager.IndexOf(item), 0);
    e.Tick(5 * OneMinute + 10 * OneSecond);
    EXPECT_TRUE(e.env.Window->HasReminderRow(item));

    // Moved to the future by the user: its row goes.
    item->GetReminder().SetReminderDateTimeIfChanged(Now() + OneHour);
    EXPECT_FALSE(e.manager.ReminderChanged(item));
    EXPECT_FALSE(e.env.Window->HasReminderRow(item));

    // Dismissed: not active, row gone, not added.
    e.env.Window->AddOrUpdateReminder(item, false, true);
    item->GetReminder().Dismiss();
    EXPECT_FALSE(e.manager.ReminderChanged(item));
    EXPECT_FALSE(e.env.Window->HasReminderRow(item));

    // RemoveReminder removes the row also when the entry is not in the short list.
    e.env.Window->AddOrUpdateReminder(item, false, true);
    EXPECT_TRUE(e.manager.RemoveReminder(item));
    EXPECT_FALSE(e.manager.RemoveReminder(item));
    EXPECT_FALSE(e.env.Window->HasReminderRow(item));
    EXPECT_FALSE(e.manager.ReminderChanged(nullptr));
}

TEST(ReminderManager, WindowEventsReachTheManagerWhileItExists) {
    FakeAlertEnvironment env;
    auto item = std::make_shared<TTockwellItem>();
    std::vector<std::string> events;
    {
        TReminderManager m;
        m.OnEditReminder = [&](const IReminderAwareItemPtr&) { events.push_back("edit"); };
        m.OnReminderDismissed = [&](const IReminderAwareItemPtr&) { events.push_back("dis"); };
        m.OnReminderSnoozed = [&](const IReminderAwareItemPtr&) { events.push_back("snz"); };
        env.Window->OpenReminder(item);
        env.Window->ClickDismiss(item);
        env.Window->ClickSnooze(item, OneMinute);
        env.Window->ShowAndActivate();
        m.ShowRemindersWindow();
        EXPECT_EQ(env.Window->ShowCount, 2);
    }
    EXPECT_EQ(events, (std::vector<std::string>{"edit", "dis", "snz"}));
    env.Window->OpenReminder(item); // the manager is gone: nothing happens
    env.Window->ClickDismiss(item);
    EXPECT_EQ(events.size(), 3u);
}

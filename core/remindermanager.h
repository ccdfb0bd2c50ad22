#pragma once
// Decides when reminders fire. Keeps a short list of the entries whose next alert lies within
// a look-ahead horizon, rebuilds it from the database at a fixed interval, and on each
// processing pass asks every listed reminder whether it is due. Driven by the main window's
// 2-second timer; passes the reminders window's open, dismissed and snoozed events on.
// A pass never starts inside another pass (an event handler or a modal alert's nested event
// loop asking for one is refused), and each pass walks a copy of the short list.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/reminderaware.h"
#include "platform/datetime.h"

class TReminderManager {
public:
    // The defaults (checks every 10 s, rebuilds every 30 min, looks 60 min ahead); hooks the
    // reminders window's OnOpenReminder, OnReminderDismissed and OnReminderSnoozed when a
    // window is set.
    TReminderManager();
    // The hooked events do nothing once the manager is gone.
    ~TReminderManager();
    TReminderManager(const TReminderManager&) = delete;
    TReminderManager& operator=(const TReminderManager&) = delete;

    // The timer entry: rebuilds the short list when it was never built or is
    // RebuildReminderListEverNMin whole minutes old, then runs a pass unless the last one is
    // fewer than CheckEveryNSeconds whole seconds ago. True when a reminder fired. Refused
    // (false) inside a pass.
    bool CheckReminders(IReminderAwareDatabase& db);
    // One pass at now: every listed entry that is still listed and in its database is asked
    // (CheckAlert); entries removed from their database leave the list; then the window
    // refreshes its rows and, when any fired, OnAfterFire runs.
    // Refused (false) inside a pass. A reminder that raises does not stop the pass; the first
    // such error is raised again at its end.
    bool ProcessReminders(TDateTime now);
    // Lists every entry whose reminder has a next alert other than 0 at or before horizon, in
    // the database's order (IReminderAwareDatabase::CollectDue).
    void RebuildList(IReminderAwareDatabase& db, TDateTime horizon);
    // Empties the short list (the next check rebuilds) and removes every row of the reminders
    // window: another data file is opened.
    void Clear();
    // Removes item from the short list (true when it was there) and its window row.
    bool RemoveReminder(const IReminderAwareItemPtr& item);
    // Re-evaluates one reminder after the user changed it; horizon 0 means now +
    // RebuildReminderListEverNMin minutes. True when it was added to the short list. Inside a
    // pass it is listed but not processed (the next pass does that).
    bool ReminderChanged(const IReminderAwareItemPtr& item, TDateTime horizon = 0);
    // Lists every entry whose reminder has PlacedToReminderWnd in the reminders window
    // (selected), then shows the window when it has rows.
    void ShowFiredReminders(IReminderAwareDatabase& db);
    void ShowRemindersWindow();

    // ---- Short list ---------------------------------------------------------------------
    int Count() const { return static_cast<int>(items_.size()); }
    const IReminderAwareItemPtr& Items(int index) const { return items_.at(index); }
    int IndexOf(const IReminderAwareItemPtr& item) const;
    bool InPass() const { return inPass_; }
    // True while a pass asks its reminders whether they are due; a pass that fires one raises
    // OnAfterFire after that.
    bool Firing() const { return firing_; }

    // ---- Settings -----------------------------------------------------------------------
    TDateTime GetHorizon() const { return horizon_; }
    int GetCheckEveryNSeconds() const { return checkEveryNSeconds_; }
    void SetCheckEveryNSeconds(int value) { checkEveryNSeconds_ = value; }
    int GetRebuildReminderListEverNMin() const { return rebuildEveryNMin_; }
    // Stores value, then raises Exception "ReminderManager error: RebuildReminderListEverNMin
    // should be less then ProcessDBForRemindersDueNextNMinutes." when it is not below the
    // look-ahead.
    void SetRebuildReminderListEverNMin(int value);
    int GetProcessDBForRemindersDueNextNMinutes() const { return lookAheadNMin_; }
    void SetProcessDBForRemindersDueNextNMinutes(int value) { lookAheadNMin_ = value; }
    TDateTime GetLastRebuild() const { return lastRebuild_; }
    TDateTime GetLastProcess() const { return lastProcess_; }

    // ---- Events -------------------------------------------------------------------------
    TReminderItemEvent OnEditReminder;      // the user asked to open a reminder
    std::function<void()> OnAfterFire;      // a pass fired at least one reminder
    TReminderItemEvent OnReminderDismissed; // dismissed in the reminders window
    TReminderItemEvent OnReminderSnoozed;   // snoozed in the reminders window

private:
    void HookWindow();

    std::vector<IReminderAwareItemPtr> items_;
    TDateTime horizon_ = 0;
    int checkEveryNSeconds_ = 10;
    int rebuildEveryNMin_ = 30;
    TDateTime lastRebuild_ = 0;
    TDateTime lastProcess_ = 0;
    int lookAheadNMin_ = 60;
    bool inPass_ = false;
    bool firing_ = false;
    uint64_t listVersion_ = 0; // counts changes of items_
    // Lets the window's event handlers find out whether the manager still exists.
    std::shared_ptr<TReminderManager*> self_;
};

#include "core/remindermanager.h"

#include <exception>
#include <vector>

#include "core/alertwindows.h"
#include "core/reminderitem.h"
#include "platform/sysutils.h"

namespace {

// Sets a flag for its lifetime.
class TPassGuard {
public:
    explicit TPassGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~TPassGuard() { flag_ = false; }
    TPassGuard(const TPassGuard&) = delete;
    TPassGuard& operator=(const TPassGuard&) = delete;

private:
    bool& flag_;
};

// Holds the reminders window's updates back for its lifetime.
class TWindowUpdate {
public:
    explicit TWindowUpdate(IRemindersWindow& window) : window_(window) { window_.BeginUpdate(); }
    ~TWindowUpdate() { window_.EndUpdate(); }
    TWindowUpdate(const TWindowUpdate&) = delete;
    TWindowUpdate& operator=(const TWindowUpdate&) = delete;

private:
    IRemindersWindow& window_;
};

} // namespace

TReminderManager::TReminderManager() : self_(std::make_shared<TReminderManager*>(this)) {
    HookWindow();
}

TReminderManager::~TReminderManager() = default;

void TReminderManager::HookWindow() {
    auto window = RemindersWindow();
    if (!window)
        return;
    // Each window event raises the manager's matching event while the manager exists.
    auto forward = [weak = std::weak_ptr<TReminderManager*>(self_)](
                       TReminderItemEvent TReminderManager::*event) {
        return [weak, event](const IReminderAwareItemPtr& item) {
            if (auto self = weak.lock())
                if (const TReminderItemEvent& handler = (*self)->*event)
                    handler(item);
        };
    };
    window->SetOnOpenReminder(forward(&TReminderManager::OnEditReminder));
    window->SetOnReminderDismissed(forward(&TReminderManager::OnReminderDismissed));
    window->SetOnReminderSnoozed(forward(&TReminderManager::OnReminderSnoozed));
}

// ---- Passes -------------------------------------------------------------------------------

bool TReminderManager::CheckReminders(IReminderAwareDatabase& db) {
    if (inPass_)
        return false;
    const TDateTime now = Now();
    if (lastRebuild_ == 0 || MinutesBetween(lastRebuild_, now) >= rebuildEveryNMin_)
        RebuildList(db, now + lookAheadNMin_ / MinsPerDay);
    if (lastProcess_ != 0 && SecondsBetween(lastProcess_, now) < checkEveryNSeconds_)
        return false;
    return ProcessReminders(now);
}

bool TReminderManager::ProcessReminders(TDateTime now) {
    if (inPass_)
        return false;
    bool fired = false;
    std::exception_ptr firstError;
    {
        TPassGuard guard(inPass_);
        lastProcess_ = Now();
        const std::vector<IReminderAwareItemPtr> snapshot = items_;
        const uint64_t version = listVersion_;
        {
            TPassGuard firing(firing_);
            for (const IReminderAwareItemPtr& item : snapshot) {
                // Earlier reminders' events may have taken this one off the list meanwhile.
                if (listVersion_ != version && IndexOf(item) < 0)
                    continue;
                if (item->IsRemoved() || !item->HasReminder())
                    continue;
                try {
                    if (item->GetReminder().CheckAlert(item, now))
                        fired = true;
                } catch (...) {
                    if (!firstError)
                        firstError = std::current_exception();
                }
            }
        }
        // Entries deleted from their database since the last pass leave the list.
        const size_t before = items_.size();
        std::erase_if(items_, [](const IReminderAwareItemPtr& item) { return item->IsRemoved(); });
        if (items_.size() != before)
            ++listVersion_;
        if (auto window = RemindersWindow())
            window->RefreshRows();
        if (fired && OnAfterFire)
            OnAfterFire();
    }
    if (firstError)
        std::rethrow_exception(firstError);
    return fired;
}

void TReminderManager::RebuildList(IReminderAwareDatabase& db, TDateTime horizon) {
    items_.clear();
    ++listVersion_;
    horizon_ = horizon;
    db.CollectDue(horizon, items_);
    lastRebuild_ = Now();
}

void TReminderManager::Clear() {
    items_.clear();
    ++listVersion_;
    lastRebuild_ = 0;
    if (auto window = RemindersWindow())
        window->RemoveAllRows();
}

int TReminderManager::IndexOf(const IReminderAwareItemPtr& item) const {
    for (int i = 0; i < Count(); ++i)
        if (items_[i] == item)
            return i;
    return -1;
}

bool TReminderManager::RemoveReminder(const IReminderAwareItemPtr& item) {
    const int index = IndexOf(item);
    if (index >= 0) {
        items_.erase(items_.begin() + index);
        ++listVersion_;
    }
    if (auto window = RemindersWindow())
        window->RemoveReminderRow(item);
    return index >= 0;
}

bool TReminderManager::ReminderChanged(const IReminderAwareItemPtr& item, TDateTime horizon) {
    if (!item)
        return false;
    const TDateTime now = Now();
    if (horizon == 0)
        horizon = now + rebuildEveryNMin_ / MinsPerDay;
    auto window = RemindersWindow();
    if (item->IsRemoved() || !item->HasReminder() || !item->GetReminder().IsActive()) {
        if (window)
            window->RemoveReminderRow(item);
        return false;
    }
    TReminderItem& reminder = item->GetReminder();
    if (reminder.GetReminderDateTime() > now && window)
        window->RemoveReminderRow(item);
    if (reminder.GetNextAlertDateTime() > horizon)
        return false;
    bool added = false;
    if (IndexOf(item) < 0) {
        items_.push_back(item);
        ++listVersion_;
        added = true;
    }
    if (!inPass_)
        ProcessReminders(Now());
    if (window && window->HasReminderRow(item))
        window->UpdateReminderRow(item);
    return added;
}

void TReminderManager::ShowFiredReminders(IReminderAwareDatabase& db) {
    auto window = RemindersWindow();
    if (!window)
        return;
    {
        // Listed as one batch: the window selects and refreshes once, not once per row.
        TWindowUpdate update(*window);
        db.ForEachItem([&](const IReminderAwareItemPtr& item) {
            if (item && item->HasReminder() && item->GetReminder().GetPlacedToReminderWnd())
                window->AddOrUpdateReminder(item, true, true);
        });
    }
    if (window->RowCount() > 0)
        window->ShowAndActivate();
}

void TReminderManager::ShowRemindersWindow() {
    if (auto window = RemindersWindow())
        window->ShowAndActivate();
}

void TReminderManager::SetRebuildReminderListEverNMin(int value) {
    rebuildEveryNMin_ = value;
    if (value >= lookAheadNMin_)
        throw Exception("ReminderManager error: RebuildReminderListEverNMin should be less then "
                        "ProcessDBForRemindersDueNextNMinutes.");
}

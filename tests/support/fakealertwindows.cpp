#include "fakealertwindows.h"

#include <algorithm>
#include <utility>

#include "core/alertactions.h"
#include "core/reminderitem.h"
#include "platform/sysutils.h"

// ---- FakeRemindersWindow ------------------------------------------------------------------

void FakeRemindersWindow::PostAlertAction(const TQueuedAlertAction& action) {
    Queue.push_back(action);
    Posted.push_back(action);
}

int FakeRemindersWindow::RunQueued() {
    int ran = 0;
    while (!Queue.empty()) {
        const TQueuedAlertAction action = Queue.front();
        Queue.erase(Queue.begin());
        action.Run();
        ++ran;
    }
    return ran;
}

bool FakeRemindersWindow::HasReminderRow(const IReminderAwareItemPtr& item) const {
    return std::find(Rows.begin(), Rows.end(), item) != Rows.end();
}

void FakeRemindersWindow::AddOrUpdateReminder(const IReminderAwareItemPtr& item, bool select,
                                              bool addIfMissing) {
    if (!item || item->IsRemoved())
        return;
    const bool listed = HasReminderRow(item);
    if (!listed && !addIfMissing)
        return;
    if (!listed)
        Rows.push_back(item);
    item->GetReminder().SetPlacedToReminderWnd(true);
    if (select)
        Selected = item;
}

bool FakeRemindersWindow::RemoveReminderRow(const IReminderAwareItemPtr& item) {
    auto it = std::find(Rows.begin(), Rows.end(), item);
    if (it == Rows.end())
        return false;
    if (item->HasReminder())
        item->GetReminder().SetPlacedToReminderWnd(false);
    if (Selected == item) {
        // The row below, else the one above.
        auto next = it + 1 != Rows.end() ? it + 1 : (it == Rows.begin() ? Rows.end() : it - 1);
        Selected = next == Rows.end() ? nullptr : *next;
    }
    Rows.erase(it);
    return true;
}

void FakeRemindersWindow::RemoveAllRows() {
    while (!Rows.empty())
        RemoveReminderRow(Rows.back());
}

void FakeRemindersWindow::DismissIfNotListed(const IReminderAwareItemPtr& item) {
    if (!item || HasReminderRow(item))
        return;
    item->GetReminder().SetReminderState(rsDismissed);
    if (OnReminderDismissed)
        OnReminderDismissed(item);
}

void FakeRemindersWindow::RefreshRows() {
    ++RefreshCount;
    for (size_t i = Rows.size(); i-- > 0;)
        if (Rows[i]->IsRemoved())
            RemoveReminderRow(Rows[i]);
}

void FakeRemindersWindow::OpenReminder(const IReminderAwareItemPtr& item) {
    if (item && OnOpenReminder)
        OnOpenReminder(item);
}

void FakeRemindersWindow::PlayReminderSound(const std::string& fileName) {
    Played.push_back(fileName);
    if (!PlayError.empty())
        throw Exception("Can not play reminder sound: " + PlayError);
    if (!fileName.empty())
        Playing = fileName;
}

void FakeRemindersWindow::StopReminderSound(const std::string& fileName) {
    Stopped.push_back(fileName);
    if (fileName.empty() || fileName == Playing)
        Playing.clear();
}

void FakeRemindersWindow::ClickDismiss(const IReminderAwareItemPtr& item) {
    item->GetReminder().Dismiss();
    RemoveReminderRow(item);
    if (OnReminderDismissed)
        OnReminderDismissed(item);
}

void FakeRemindersWindow::ClickSnooze(const IReminderAwareItemPtr& item, double delta) {
    item->GetReminder().Snooze(delta);
    RemoveReminderRow(item);
    if (OnReminderSnoozed)
        OnReminderSnoozed(item);
}

// ---- FakeAlertDialogs ---------------------------------------------------------------------

void FakeAlertDialogs::ShowModalMessage(const std::string& text) {
    Modal.push_back(text);
    if (DuringModal)
        DuringModal();
}

void FakeAlertDialogs::ShowErrorBox(const std::string& text) {
    Errors.push_back(text);
    if (DuringError)
        DuringError();
}

// ---- FakeAlertEnvironment -----------------------------------------------------------------

FakeAlertEnvironment::FakeAlertEnvironment(std::string programFolder) {
    SetRemindersWindow(Window);
    SetDesktopAlertQueue(Alerts);
    SetAlertDialogs(Dialogs);
    SetAlertProgramFolder(std::move(programFolder));
    SetRunProgramFunc([this](const std::string& commandLine) {
        Programs.push_back(commandLine);
        return RunResult;
    });
    SetSendMailFunc([this](const std::string& keyPath, const std::string& recipients,
                           const std::string& subject, const std::string& body,
                           TMailDoneEvent done) {
        Mails.push_back({keyPath, recipients, subject, body});
        if (done)
            done(MailError);
    });
}

FakeAlertEnvironment::~FakeAlertEnvironment() {
    SetSendMailFunc(nullptr);
    SetRunProgramFunc(nullptr);
    SetAlertProgramFolder("");
    SetAlertDialogs(nullptr);
    SetDesktopAlertQueue(nullptr);
    SetRemindersWindow(nullptr);
}

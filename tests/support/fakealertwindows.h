#pragma once
// Fakes of the windows the engine calls (core/alertwindows.h), recording every call, and a
// scope that installs them (with a fixed program folder, program runner and mailer) and puts
// the previous objects back.

#include <memory>
#include <string>
#include <vector>

#include "core/alertwindows.h"

// The reminders window without a window: rows, queued alert actions and sound calls are
// kept in memory. Rows behave as the real window's do (PlacedToReminderWnd kept, dismissing
// and snoozing through the user's buttons raise the events).
class FakeRemindersWindow : public IRemindersWindow {
public:
    void PostAlertAction(const TQueuedAlertAction& action) override;
    void ShowAndActivate() override { ++ShowCount; }
    int RowCount() const override { return static_cast<int>(Rows.size()); }
    bool HasReminderRow(const IReminderAwareItemPtr& item) const override;
    void AddOrUpdateReminder(const IReminderAwareItemPtr& item, bool select,
                             bool addIfMissing) override;
    bool RemoveReminderRow(const IReminderAwareItemPtr& item) override;
    void RemoveAllRows() override;
    void DismissIfNotListed(const IReminderAwareItemPtr& item) override;
    void RefreshRows() override;
    void OpenReminder(const IReminderAwareItemPtr& item) override;
    void PlayReminderSound(const std::string& fileName) override;
    void StopReminderSound(const std::string& fileName) override;
    std::string DefaultSoundFile() const override { return SoundFile; }
    void SetOnOpenReminder(TReminderItemEvent handler) override { OnOpenReminder = handler; }
    void SetOnReminderDismissed(TReminderItemEvent handler) override {
        OnReminderDismissed = handler;
    }
    void SetOnReminderSnoozed(TReminderItemEvent handler) override { OnReminderSnoozed = handler; }

    // Runs the queued actions in order, also those queued while running (the message pump).
    // Returns how many ran.
    int RunQueued();
    // The user's buttons on item's row: dismiss or snooze its reminder, delete the row, raise
    // the event. Snooze delta in days.
    void ClickDismiss(const IReminderAwareItemPtr& item);
    void ClickSnooze(const IReminderAwareItemPtr& item, double delta);

    std::vector<TQueuedAlertAction> Queue;   // posted, not yet run
    std::vector<TQueuedAlertAction> Posted;  // every action ever posted
    std::vector<IReminderAwareItemPtr> Rows; // in row order
    IReminderAwareItemPtr Selected;
    std::vector<std::string> Played, Stopped; // sound file names asked for
    std::string Playing;                      // what plays now ("" = nothing)
    std::string SoundFile = "Tockwell.wav";
    std::string PlayError; // when set, PlayReminderSound raises with it
    int ShowCount = 0;
    int RefreshCount = 0; // RefreshRows calls (one per processing pass)
    TReminderItemEvent OnOpenReminder, OnReminderDismissed, OnReminderSnoozed;
};

class FakeDesktopAlertQueue : public IDesktopAlertQueue {
public:
    struct Message {
        std::string Text;
        IReminderAwareItemPtr Item;
        TReminderItemEvent Click;
    };
    void AddMessage(const std::string& text, IReminderAwareItemPtr item,
                    TReminderItemEvent click) override {
        Messages.push_back({text, std::move(item), std::move(click)});
    }
    std::vector<Message> Messages;
};

class FakeAlertDialogs : public IAlertDialogs {
public:
    void ShowModalMessage(const std::string& text) override;
    void ShowErrorBox(const std::string& text) override;
    std::vector<std::string> Modal, Errors;
    // Run inside ShowModalMessage and ShowErrorBox, as a box's nested event loop would.
    std::function<void()> DuringModal, DuringError;
};

// Installs fresh fakes for its lifetime: the reminders window, the desktop-alert queue, the
// dialogs, a program runner that records command lines and starts nothing (its result is
// RunResult), a mailer that records messages and ends each send at once (failing with
// MailError when set), and programFolder
// as the program's folder for sound files. Restores the defaults at the end.
class FakeAlertEnvironment {
public:
    explicit FakeAlertEnvironment(std::string programFolder = "/nonexistent-program-folder/");
    ~FakeAlertEnvironment();
    FakeAlertEnvironment(const FakeAlertEnvironment&) = delete;
    FakeAlertEnvironment& operator=(const FakeAlertEnvironment&) = delete;

    struct Mail {
        std::string KeyPath, Recipients, Subject, Body;
    };

    std::shared_ptr<FakeRemindersWindow> Window = std::make_shared<FakeRemindersWindow>();
    std::shared_ptr<FakeDesktopAlertQueue> Alerts = std::make_shared<FakeDesktopAlertQueue>();
    std::shared_ptr<FakeAlertDialogs> Dialogs = std::make_shared<FakeAlertDialogs>();
    std::vector<std::string> Programs;
    bool RunResult = true;
    std::vector<Mail> Mails;
    std::string MailError;
};

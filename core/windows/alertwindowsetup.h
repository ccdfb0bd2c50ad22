#pragma once
// The real objects behind the engine's window interfaces (core/alertwindows.h): the desktop
// alert queue over TTranspMsgBoxManager, the alert dialogs over the message boxes, and the
// start-up and exit of the process-wide reminders window and desktop-alert queue.

#include <memory>
#include <string>

#include "core/alertwindows.h"
#include "core/windows/reminderswnd.h"

class TTranspMsgBoxManager;

// The desktop-alert queue of the engine, shown by manager (which must outlive it).
class TDesktopAlertQueue : public IDesktopAlertQueue {
public:
    explicit TDesktopAlertQueue(TTranspMsgBoxManager& manager) : manager_(manager) {}
    void AddMessage(const std::string& text, IReminderAwareItemPtr item,
                    TReminderItemEvent click) override;

private:
    TTranspMsgBoxManager& manager_;
};

// The alert dialogs through MessageBoxes(): the modal message is an information box
// captioned with the application's name, shown with the stay-on-top windows lowered; the
// error box is the application's.
class TMessageBoxAlertDialogs : public IAlertDialogs {
public:
    void ShowModalMessage(const std::string& text) override;
    void ShowErrorBox(const std::string& text) override;
};

// The engine's mail outbox: sends on threads of their own, outcomes as queued calls to the
// GUI thread (the thread that calls this).
std::shared_ptr<IMailOutbox> MakeMailOutbox();

// Creates the desktop-alert queue (TranspMsgBoxManager) and the hidden reminders window and
// installs them, with the alert dialogs and the mail outbox, as the engine's
// RemindersWindow(), DesktopAlertQueue(), AlertDialogs() and MailOutbox(). Call once the
// application object exists and before the main window is made; a second call first frees
// what the first made. soundPlayerFactory replaces the Qt sound player (tests).
void InitAlertWindows(TSoundPlayerFactory soundPlayerFactory = {});
// Waits for the e-mails being sent to end, at most the mailer's time-out (WaitForMailSends),
// then uninstalls and frees them (before the application object goes), dropping the sends'
// outcomes; safe to call twice.
void DoneAlertWindows();
// Uninstalls them without freeing them, for a process that ends by exit() while the
// application object still exists (Qt's end when the display connection breaks): destroyed
// among the statics, windows would reach Qt's already destroyed ones.
void AbandonAlertWindows();
// The reminders window installed by InitAlertWindows, or null.
TfrmRemindersWnd* frmRemindersWnd();

// InitAlertWindows for its lifetime, DoneAlertWindows at its end (for main()).
class TAlertWindowsScope {
public:
    explicit TAlertWindowsScope(TSoundPlayerFactory soundPlayerFactory = {}) {
        InitAlertWindows(std::move(soundPlayerFactory));
    }
    ~TAlertWindowsScope() { DoneAlertWindows(); }
    TAlertWindowsScope(const TAlertWindowsScope&) = delete;
    TAlertWindowsScope& operator=(const TAlertWindowsScope&) = delete;
};

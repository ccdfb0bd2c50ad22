#pragma once
// What the engine calls in windows, as small interfaces the window code implements: the
// reminders window (alert dispatcher, rows, sound), the desktop-alert queue, message and
// error boxes, the outbox that sends e-mails off the GUI thread. Also the engine's other
// outward calls that tests replace: starting a program and sending an e-mail. The program
// installs the real objects at start-up; tests install fakes
// (tests/support/fakealertwindows.h). Everything here is called on the GUI thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/reminderaware.h"

// The seven alert kinds; the kind is also the action's index in its reminder.
enum TAlertKind : uint8_t {
    akActivateReminderWnd = 0, // list the reminder in the reminders window
    akShowAlertWnd = 1,        // queue a desktop alert
    akSendEmail = 2,           // send an e-mail
    akRunApp = 3,              // start a program
    akShowModalDialog = 4,     // show a modal message
    akPlaySound = 5,           // play a sound
    akAnimateInTray = 6,       // animate the tray icon (no effect of its own)
};
inline constexpr int AlertKindCount = 7;

// One posted alert action (window message 2025): the entry and the kind of its action.
// Holding the entry keeps it alive while the message waits.
struct TQueuedAlertAction {
    IReminderAwareItemPtr Item;
    TAlertKind Kind = akActivateReminderWnd;

    // Executes the entry's current action of this kind (which acts only when enabled).
    // Does nothing when the entry was removed from its database or has no reminder. A
    // failing action does not raise: its message is shown in an error box of the entry's
    // (ShowAlertError with Item as owner).
    void Run() const;
};

// The reminders window as the engine sees it.
class IRemindersWindow {
public:
    virtual ~IRemindersWindow() = default;

    // Window message 2025: queues the action; the window calls action.Run() later on the GUI
    // thread, in posting order.
    virtual void PostAlertAction(const TQueuedAlertAction& action) = 0;

    // Shows the window, restores it when minimised, brings it to the front.
    virtual void ShowAndActivate() = 0;
    virtual int RowCount() const = 0;
    virtual bool HasReminderRow(const IReminderAwareItemPtr& item) const = 0;
    // With a row for item, or none and addIfMissing (a new row at the end): sets its caption,
    // marks the reminder PlacedToReminderWnd, selects it when select, refreshes the rows.
    // Otherwise nothing. An entry that IsRemoved() gets no row.
    virtual void AddOrUpdateReminder(const IReminderAwareItemPtr& item, bool select,
                                     bool addIfMissing) = 0;
    void UpdateReminderRow(const IReminderAwareItemPtr& item) {
        AddOrUpdateReminder(item, false, false);
    }
    // Deletes item's row (its reminder loses PlacedToReminderWnd; the window hides when no
    // row is left); true when there was one.
    virtual bool RemoveReminderRow(const IReminderAwareItemPtr& item) = 0;
    // Deletes every row as RemoveReminderRow does (another data file is opened).
    virtual void RemoveAllRows() = 0;
    // When item has no row: its reminder's state becomes dismissed (SetReminderState(2)) and
    // the window's OnReminderDismissed is raised.
    virtual void DismissIfNotListed(const IReminderAwareItemPtr& item) = 0;
    // Deletes the rows of entries that IsRemoved() (as RemoveReminderRow does), then rewrites
    // the due texts of all rows and the details of the selected one.
    virtual void RefreshRows() = 0;
    // Between BeginUpdate and the matching EndUpdate (they nest) the window may hold back
    // showing itself, selecting and refreshing rows; EndUpdate then does each once, with the
    // outcome the calls in between would have had. Rows are added and removed at once.
    virtual void BeginUpdate() {}
    virtual void EndUpdate() {}
    // Shows a box that waits for the user (box() returns once it is closed), the window first
    // standing as the updates held back so far would leave it. Boxes come one at a time, in
    // the order asked for; a window may show one later, once this call has returned (the
    // real one does, from its event loop). A box of an owner (the reminder whose box it is)
    // or with a key (what the box is and says) is dropped while another box of the same
    // owner (or none) and key waits or is open. The base shows it at once.
    virtual void ShowBoxInTurn(std::function<void()> box, const IReminderAwareItemPtr& /*owner*/,
                               const std::string& /*key*/) {
        box();
    }
    // ShowBoxInTurn for a box of no reminder's that goes ahead of the boxes waiting: it
    // follows only the box open. The base shows it at once.
    virtual void ShowBoxNext(std::function<void()> box) { box(); }
    // Between HoldBoxes and the matching ReleaseBoxes (they nest) no box is shown, neither from
    // a box or dialog opened meanwhile: the boxes asked for wait, and the last release lets
    // them come from the event loop. For the due check, whose boxes come after it has ended.
    virtual void HoldBoxes() {}
    virtual void ReleaseBoxes() {}
    // Raises the window's OnOpenReminder with item (the desktop alert's click handler).
    virtual void OpenReminder(const IReminderAwareItemPtr& item) = 0;

    // Plays an existing sound file (a missing file plays nothing). Raises Exception "Can not
    // play reminder sound: <reason>" when the player fails.
    virtual void PlayReminderSound(const std::string& fileName) = 0;
    // PlayReminderSound for owner's sound alert: a failure after the sound started is shown
    // later in owner's error box (ShowAlertError). The base plays it without an owner.
    virtual void PlayAlertSound(const std::string& fileName,
                                const IReminderAwareItemPtr& /*owner*/) {
        PlayReminderSound(fileName);
    }
    // Stops the playback unless fileName is not empty and differs from the file playing.
    virtual void StopReminderSound(const std::string& fileName) = 0;
    // The options' sound file, the default sound of the sound alert ("Tockwell.wav").
    virtual std::string DefaultSoundFile() const = 0;

    // The user opened, dismissed or snoozed a listed reminder. The manager sets these.
    virtual void SetOnOpenReminder(TReminderItemEvent handler) = 0;
    virtual void SetOnReminderDismissed(TReminderItemEvent handler) = 0;
    virtual void SetOnReminderSnoozed(TReminderItemEvent handler) = 0;
};

// The queue of desktop alerts, shown one at a time.
class IDesktopAlertQueue {
public:
    virtual ~IDesktopAlertQueue() = default;
    // Queues an alert showing text; a click on the text calls click(item) when assigned.
    virtual void AddMessage(const std::string& text, IReminderAwareItemPtr item,
                            TReminderItemEvent click) = 0;
};

// Modal boxes of the alerts.
class IAlertDialogs {
public:
    virtual ~IAlertDialogs() = default;
    // Lowers top-most windows, shows text in a modal message box, restores them.
    virtual void ShowModalMessage(const std::string& text) = 0;
    // An error box (error icon, OK button) with text.
    virtual void ShowErrorBox(const std::string& text) = 0;
};

class TMailer;

// The outcome of a send, given on the GUI thread: "" when the server took the message, else
// the failure's message.
using TMailDoneEvent = std::function<void(const std::string& error)>;

// Sends finished e-mails away from the GUI thread, so that a slow server holds nothing up.
class IMailOutbox {
public:
    virtual ~IMailOutbox() = default;
    // Takes mail over (settings loaded, message composed) and sends its Message with its SMTP
    // client. done runs later on the GUI thread, unless the outbox is freed first: freeing it
    // abandons the sends in progress.
    virtual void Send(std::unique_ptr<TMailer> mail, TMailDoneEvent done) = 0;
};

// The process-wide objects. Null until set; the engine skips what it would ask of a missing
// window (a missing dialogs object writes errors to stderr).
std::shared_ptr<IRemindersWindow> RemindersWindow();
void SetRemindersWindow(std::shared_ptr<IRemindersWindow> window);
std::shared_ptr<IDesktopAlertQueue> DesktopAlertQueue();
void SetDesktopAlertQueue(std::shared_ptr<IDesktopAlertQueue> queue);
std::shared_ptr<IAlertDialogs> AlertDialogs();
void SetAlertDialogs(std::shared_ptr<IAlertDialogs> dialogs);
std::shared_ptr<IMailOutbox> MailOutbox();
void SetMailOutbox(std::shared_ptr<IMailOutbox> outbox);

// Holds the boxes of RemindersWindow() (HoldBoxes) for its lifetime.
class TAlertBoxesHeld {
public:
    TAlertBoxesHeld() : window_(RemindersWindow()) {
        if (window_)
            window_->HoldBoxes();
    }
    ~TAlertBoxesHeld() {
        if (window_)
            window_->ReleaseBoxes();
    }
    TAlertBoxesHeld(const TAlertBoxesHeld&) = delete;
    TAlertBoxesHeld& operator=(const TAlertBoxesHeld&) = delete;

private:
    std::shared_ptr<IRemindersWindow> window_;
};

// Shows a box of the alerts that waits for the user (a modal message, an error box) through
// the reminders window's ShowBoxInTurn (owner: the reminder whose box it is, or null; key:
// what the box is and says); without a window at once.
void ShowAlertBox(std::function<void()> box, const IReminderAwareItemPtr& owner = nullptr,
                  const std::string& key = {});
// Shows a box ahead of the alert boxes waiting, after the one open (ShowBoxNext); without a
// window at once.
void ShowAlertBoxNext(std::function<void()> box);
// Shows text in the error box of AlertDialogs() (through ShowAlertBox), or on stderr without
// one. The box is dropped while a box of the same owner (the reminder that failed, or none)
// and text waits or is open; the owner's other boxes do not count.
void ShowAlertError(const std::string& text, const IReminderAwareItemPtr& owner = nullptr);

// Starts a command line without waiting; false when it cannot be started. The default runs
// it with RunCommandLine (platform/shell.h); an empty function restores the default.
using TRunProgramFunc = std::function<bool(const std::string& commandLine)>;
void SetRunProgramFunc(TRunProgramFunc run);
bool RunAlertProgram(const std::string& commandLine);

// Sends one plain-text e-mail with the SMTP account stored under keyPath; done (when set)
// gets the outcome. The default makes the message now with a TMailer (core/mailer.h) and
// hands it to MailOutbox(), or sends it at once when there is none; an empty function
// restores it.
using TSendMailFunc =
    std::function<void(const std::string& keyPath, const std::string& recipients,
                       const std::string& subject, const std::string& body, TMailDoneEvent done)>;
void SetSendMailFunc(TSendMailFunc send);
void SendAlertMail(const std::string& keyPath, const std::string& recipients,
                   const std::string& subject, const std::string& body, TMailDoneEvent done);

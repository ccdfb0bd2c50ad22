#pragma once
// The reminders window: lists the reminders that fired and lets the user open, dismiss or
// snooze them. It is also the alert dispatcher (posted WM_RUN_ALERT_ACTION messages run the
// alert actions on the GUI thread) and the player of alert sounds. One process-wide instance
// lives from start-up to exit (core/windows/alertwindowsetup.h); closing it only hides it.
//
// Each row holds a reference to its entry; an entry taken out of its database gets no row,
// and its row goes at the next RefreshRows. Rows are found through an index by entry.
//
// The alert actions delivered in one run (all those posted and not yet delivered) form one
// update: the window shows itself, selects the last row asked for and refreshes the rows once,
// at its end, so that listing n reminders costs time in proportion to n.

#include <QPointer>
#include <QWidget>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "core/alertwindows.h"
#include "platform/datetime.h"
#include "platform/gui/keypreview.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class ISoundPlayer;
class TReminderItem;

inline constexpr const char* ReminderOptionsKey =
    "Software\\Fernhollow\\Tockwell\\Settings\\Reminder";

// The reminder options: the default sound of the sound alert and the settings key they
// belong to.
class TReminderOptions {
public:
    explicit TReminderOptions(std::string registryKey)
        : SoundFile("Tockwell.wav"), RegistryKey(std::move(registryKey)) {}
    std::string SoundFile;
    std::string RegistryKey;
};

// Makes the sound player on first use (the window's is TQtSoundPlayer unless given one).
using TSoundPlayerFactory = std::function<std::unique_ptr<ISoundPlayer>()>;

class TfrmRemindersWnd : public QWidget, public IRemindersWindow {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TfrmRemindersWnd& sender)>;

    // A hidden top-level window with its own taskbar button, its client area centred on the
    // screen once; hidden (closed) and shown again, it stays where it was.
    explicit TfrmRemindersWnd(TSoundPlayerFactory soundPlayerFactory = {});
    ~TfrmRemindersWnd() override;

    // Components.
    QLabel* lbTaskCaption;
    QLabel* lbTaskDue;
    QLabel* lbNextAlert;
    QTreeWidget* lvReminders; // columns "Subject" and "Due in"
    QPushButton* btnOpenTask;
    QPushButton* btnDismiss;
    QLabel* lbSnoozeTime; // "&Remind again in:"
    QComboBox* cbSnoozeTime;
    QPushButton* btnSnooze;

    std::unique_ptr<TReminderOptions> Options;

    // ---- IRemindersWindow ---------------------------------------------------------------
    // Posts WM_RUN_ALERT_ACTION carrying the action; it runs when the message is delivered.
    void PostAlertAction(const TQueuedAlertAction& action) override;
    void ShowAndActivate() override;
    int RowCount() const override;
    bool HasReminderRow(const IReminderAwareItemPtr& item) const override {
        return RowOf(item) != nullptr;
    }
    void AddOrUpdateReminder(const IReminderAwareItemPtr& item, bool select,
                             bool addIfMissing) override;
    bool RemoveReminderRow(const IReminderAwareItemPtr& item) override;
    void RemoveAllRows() override;
    void DismissIfNotListed(const IReminderAwareItemPtr& item) override;
    void RefreshRows() override;
    void BeginUpdate() override;
    void EndUpdate() override;
    // Queues box (a box that waits for the user; box() returns once it is closed) and shows
    // it from the event loop, never inside this call, so the due check that fired it ends
    // first. Boxes come one at a time, in the order asked for: one asked for while another
    // is open (whose loop goes on delivering alert actions and ticks) follows it. A box of an
    // owner that has one of the same key waiting or open is dropped. Before each box the
    // window catches up with the updates held back; while a box is open, showing the window
    // does not bring it in front: that waits until the last waiting box has closed. Nothing
    // is shown once the program is leaving.
    void ShowBoxInTurn(std::function<void()> box, const IReminderAwareItemPtr& owner,
                       const std::string& key) override;
    // ShowBoxInTurn, the box going ahead of those waiting.
    void ShowBoxNext(std::function<void()> box) override;
    void HoldBoxes() override { ++boxHolds_; }
    void ReleaseBoxes() override;
    // Raises OnOpenReminder for an entry still in its database.
    void OpenReminder(const IReminderAwareItemPtr& item) override;
    // A file that does not exist (or "") plays nothing; otherwise plays it and raises
    // OnStartPlayingAlertSound. Raises Exception "Can not play reminder sound: <reason>".
    // A failure after the sound started comes as an error box of no reminder's.
    void PlayReminderSound(const std::string& fileName) override;
    // PlayReminderSound; a failure after the sound started comes in owner's error box, in
    // turn with the other boxes.
    void PlayAlertSound(const std::string& fileName, const IReminderAwareItemPtr& owner) override;
    // Stops the sound playing unless fileName is not empty and differs from its file (exact
    // comparison); raises OnStopPlayingAlertSound in every case.
    void StopReminderSound(const std::string& fileName) override;
    std::string DefaultSoundFile() const override { return Options->SoundFile; }
    void SetOnOpenReminder(TReminderItemEvent handler) override {
        OnOpenReminder = std::move(handler);
    }
    void SetOnReminderDismissed(TReminderItemEvent handler) override {
        OnReminderDismissed = std::move(handler);
    }
    void SetOnReminderSnoozed(TReminderItemEvent handler) override {
        OnReminderSnoozed = std::move(handler);
    }
    void SetOnStartPlayingAlertSound(TNotifyEvent handler) {
        OnStartPlayingAlertSound = std::move(handler);
    }
    void SetOnStopPlayingAlertSound(TNotifyEvent handler) {
        OnStopPlayingAlertSound = std::move(handler);
    }

    // Delivers now the alert actions posted to this window, in posting order, then shows the
    // boxes they asked for (as the event loop would).
    void ProcessPendingAlertActions();
    // Runs one posted alert action (the handler of WM_RUN_ALERT_ACTION), also while another
    // one's box waits for the user (ShowBoxInTurn keeps their boxes apart); none once the
    // program is leaving.
    void WMRunAlertAction(const TQueuedAlertAction& action);

    // ---- Rows ---------------------------------------------------------------------------
    // Index of item's row, -1 when none.
    int FindReminderRow(const IReminderAwareItemPtr& item) const;
    // True while updates are held back (BeginUpdate, or alert actions being delivered).
    bool Updating() const { return updateCount_ > 0; }
    // The entry of row index (0 .. RowCount() - 1), else null.
    IReminderAwareItemPtr RowItem(int index) const;
    // The selected row's index, -1 when none.
    int SelectedRow() const;
    // For a valid index: the reminder loses PlacedToReminderWnd, a selected row passes its
    // selection to its neighbour, the row goes, and the window hides when none is left.
    void DeleteRow(int index);
    // Selects row index + 1, or index - 1 for the last row; nothing when that is below 0.
    void SelectNeighbourRow(int index);
    void CloseIfEmpty();
    // The due-in text of item at time (0 = now) from the moment it fired:
    // "12 min overdue", "now", "" without a reminder or alert time.
    std::string GetDueText(const IReminderAwareItemPtr& item, TDateTime time) const;
    void UpdateDetails();
    void ClearDetails();
    // The short time on today's date, else the long date, two blanks and the short time.
    static std::string FormatAlertTime(TDateTime dateTime);
    IReminderAwareItemPtr GetSelectedReminder() const;

    // ---- Handlers -----------------------------------------------------------------------
    void lvRemindersChange();
    void btnOpenTaskClick();
    void btnDismissClick();
    // Raises Exception "Invalide snooze time" when the snooze text reads as no time.
    void btnSnoozeClick();
    // Rewrites the snooze text as the duration it reads as ("90m" -> "1 hour, 30 min").
    void cbSnoozeTimeExit();
    void cbSnoozeTimeKeyDown(int key);
    void FormKeyDown(int key, Qt::KeyboardModifiers shift);

    TReminderItemEvent OnOpenReminder, OnReminderDismissed, OnReminderSnoozed;
    TNotifyEvent OnStartPlayingAlertSound, OnStopPlayingAlertSound;

    // The sound player, once made.
    ISoundPlayer* SoundPlayer() const { return player_.get(); }

protected:
    void closeEvent(QCloseEvent* e) override;
    void customEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void FormCreate();
    QTreeWidgetItem* Row(int index) const;
    void SelectRow(int index);
    void SelectRow(QTreeWidgetItem* row);
    // The row of item, or null.
    QTreeWidgetItem* RowOf(const IReminderAwareItemPtr& item) const;
    // Shows caption in row and in the details the row's selection shows, each cut to its width.
    void ShowCaption(QTreeWidgetItem* row, const std::string& caption);
    // Takes item's row out of the index and marks the entry as no longer listed.
    void ForgetRow(const IReminderAwareItemPtr& item);
    // Deletes every row whose entry matches, as DeleteRow would one by one from the last.
    void DeleteRowsWhere(const std::function<bool(const IReminderAwareItemPtr&)>& match);
    // Shows the window; brings it forward unless an alert box waits, else once the last
    // waiting box has closed.
    void ShowAndActivateNow();
    // Raises and activates the window and focuses the list.
    void BringForward();
    // Whether the waiting boxes may be shown now: not while held, nor while a box is open
    // (they follow it).
    bool BoxesMayShow() const { return boxHolds_ == 0 && !boxOpen_; }
    // Posts ShowWaitingBoxes when boxes wait and may be shown.
    void PostWaitingBoxes();
    // Shows the boxes queued by ShowBoxInTurn one after another (its posted event).
    void ShowWaitingBoxes();
    // True when a box of owner with key waits or is open.
    bool HasBoxOf(const IReminderAwareItemPtr& owner, const std::string& key) const;
    void RefreshRowsNow();
    // Does what the updates held back so far asked for.
    void CatchUp();
    // The user's answer to item's reminder: change runs on it (unless the entry was deleted
    // meanwhile), its row goes, and done is raised when change ran.
    void SettleReminder(const IReminderAwareItemPtr& item,
                        const std::function<void(TReminderItem&)>& change,
                        const TReminderItemEvent& done);

    TKeyPreview keyPreview_;

    TSoundPlayerFactory playerFactory_;
    std::unique_ptr<ISoundPlayer> player_;
    std::weak_ptr<IReminderAwareItem> soundOwner_; // whose sound alert played last

    struct TWaitingBox {
        std::function<void()> Box;
        IReminderAwareItemPtr Owner; // null: a box of no reminder's
        std::string Key;             // tells the owner's boxes apart
    };
    bool boxOpen_ = false;                 // an alert box or its successors are shown
    bool boxWaiting_ = false;              // an alert box waits for the user
    bool boxesPosted_ = false;             // ShowWaitingBoxes is posted
    int boxHolds_ = 0;                     // HoldBoxes calls not yet released
    bool activatePending_ = false;         // to come forward once the boxes close
    IReminderAwareItemPtr openOwner_;      // the owner of the box waiting for the user
    std::string openKey_;                  // and its key
    std::deque<TWaitingBox> waitingBoxes_; // asked for, not shown yet

    // Entries' rows by entry.
    std::unordered_map<const IReminderAwareItem*, QTreeWidgetItem*> rowIndex_;

    // Updates held back: BeginUpdate calls not yet ended, alert actions posted and not yet
    // delivered, and what the calls in between asked for.
    int updateCount_ = 0;
    int postedActions_ = 0;
    bool actionsUpdate_ = false; // delivering alert actions holds an update
    bool showPending_ = false;
    bool refreshPending_ = false;
    IReminderAwareItemPtr selectPending_;
};

#pragma once
// TfrmTockwellDatabaseList, the "Manage Reminders" window: every reminder of the database in
// a tree grouped by date range (core/remindertreefilter.h), limited by a predefined range or
// a From/To date pair, with commands to open, add and delete reminders. A top-level window
// with its own taskbar entry; closing only hides it. The main window gives it the database
// and the four events and refreshes it after every change.

#include <QWidget>
#include <functional>
#include <vector>

#include "core/reminderaware.h"
#include "core/remindertreefilter.h"
#include "platform/datetime.h"

class QComboBox;
class QMenu;
class QPushButton;
class QRadioButton;
class QStatusBar;
class TAgendaDatePicker;
class TLeanStringTree;
class TTockwellDB;
struct TLeanNode;

// The predefined ranges of the range list, in its order.
enum TPredefinedRange {
    prAll,
    prToday,
    prTomorrow,
    prNext7Days,
    prThisWeek,
    prNextWeek,
    prThisMonth,
    prNextMonth
};

// The From and To days (whole days, 0 for none) of range seen from today (a whole day).
void PredefinedRangeDates(TPredefinedRange range, TDateTime today, TDateTime& fromDate,
                          TDateTime& toDate);

// Whether a reminder whose next alert is next belongs in the range From .. To (whole days, 0
// for an open end): From <= next < To + 1, so the whole To day counts and the next midnight
// does not. Without From, reminders without a next alert (0) are listed too.
bool InDateRange(TDateTime next, TDateTime fromDate, TDateTime toDate);

class TfrmTockwellDatabaseList : public QWidget {
public:
    using TReminderItemEvent = std::function<void(const IReminderAwareItemPtr& Item)>;
    using TNotifyEvent = std::function<void()>;

    // The least width "Reminder" can be dragged to.
    static constexpr int ReminderColumnMinWidth = 100;

    TfrmTockwellDatabaseList();
    ~TfrmTockwellDatabaseList() override;

    // The database the window lists (not owned; nullptr lists nothing).
    void SetDatabase(TTockwellDB* db) { db_ = db; }
    // Fills the filter from the database, then rebuilds the tree. Deferred while a delete
    // runs (it refreshes once at its end).
    void Refresh();
    // Refresh while the window is shown; while hidden the list is emptied (letting go of the
    // entries) and filled when the window shows next.
    void RefreshWhenShown();
    // Whether the list waits for the next show to be filled.
    bool OutOfDate() const { return outOfDate_; }
    // Checks the custom range, deselects the predefined range and sets both pickers (whole
    // days, 0 for none); the caller then refreshes and shows the window.
    void SetDateRange(TDateTime fromDate, TDateTime toDate);
    // Chooses a predefined range: checks its radio button, sets the pickers and refreshes.
    void SelectPredefinedRange(TPredefinedRange range);

    // ---- commands ----
    // OnOpenReminder with the focused node's reminder (groups open nothing).
    void OpenCommand();
    void NewCommand();
    // Asks "Delete selected reminder?" and, with more than one reminder selected, "You
    // selected %d reminders. Do you wish to delete them?" (Yes/No each), then deletes them.
    // Nothing selected, it asks nothing. A refresh asked for while a question is open runs
    // after the deletion.
    void DeleteCommand();
    // Deletes the selected reminders without asking; the focus moves to the node before the
    // first selected one (its previous sibling, else its parent).
    void DeleteSelected();

    // ---- picker handling (also what the tests drive) ----
    // Leaving a picker: its text parsed; no day empties it, else the formatted day; then the
    // range check for that picker.
    void PickerExit(TAgendaDatePicker* picker);
    // After a picker change: custom range checked; a From later than To moves To to it (and
    // the reverse for a changed To); then refresh.
    void RangeCheck(TAgendaDatePicker* changed);
    // The pickers' days (whole days, 0 when empty).
    TDateTime FromDate() const;
    TDateTime ToDate() const;
    // Sets the From (or To) picker as a change by the user: the range check follows.
    void SetPickerDate(bool toPicker, TDateTime day);

    TReminderItemEvent OnOpenReminder;
    TNotifyEvent OnNewReminder;
    TReminderItemEvent OnDeleteReminder;
    TNotifyEvent OnRemindersDeleted;

    // ---- components ----
    QRadioButton* rgPredefinedRange = nullptr;
    QComboBox* cbPredefinedRange = nullptr;
    QRadioButton* rgCustomRange = nullptr;
    TAgendaDatePicker* dtpFrom = nullptr;
    TAgendaDatePicker* dtpTo = nullptr;
    QPushButton* sbRefresh = nullptr;
    QPushButton* SpeedButton1 = nullptr;
    TLeanStringTree* LTV = nullptr;
    QStatusBar* StatusBar = nullptr;
    QMenu* PopupMenu = nullptr;

    // The filter's objects; rebuilt by each refresh.
    TFilterTreeManager& Filter() { return filter_; }
    // The filter object of a node (group or reminder).
    TFilterTreeItem* NodeObject(TLeanNode* node) const;
    // The reminder entry of a node; nullptr for groups.
    TTockwellItemPtr NodeReminder(TLeanNode* node) const;

    // Gives "Next Alert Time" the width the longest date and time of the user's format needs
    // in the list's font, at least 120 pixels; done at each show.
    void FitNextAlertColumn();
    // Gives "How soon" the width its longest text ("in 24 hours", "in 9999 days") needs in
    // the list's font, at least 100 pixels; done at each show.
    void FitHowSoonColumn();

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void CreateComponents();
    QWidget* CreateRangePanel();
    void ConnectRangeControls();
    // Clears the pickers' handlers: a window freed while shown (the program ending) is hidden
    // by the base class, which moves the focus out of a picker after this part is gone.
    void DisconnectPickers();
    bool PickerEvent(QObject* watched, int key, Qt::KeyboardModifiers shift);
    void SetupTree();
    void FillReminderList();
    void RebuildTree();
    void PickerButton(TAgendaDatePicker* picker);
    void PickerDaySelect(TAgendaDatePicker* picker);
    bool PickerKey(TAgendaDatePicker* picker, int key, Qt::KeyboardModifiers shift);
    bool TreeKey(int key, Qt::KeyboardModifiers shift);

    TTockwellDB* db_ = nullptr;
    TFilterTreeManager filter_;
    bool lastPressOnButton_ = false; // the double-click flag: the press hit an expand button
    int rangeUpdating_ = 0;          // re-entrancy counter of the range controls
    bool deleting_ = false;
    bool refreshPending_ = false;
    bool outOfDate_ = false; // emptied while hidden: filled at the next show
};

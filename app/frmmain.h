#pragma once
// TfrmMain: the program's main window. A borderless, stay-on-top tool window (no taskbar
// entry) with a gradient caption bar, the calendar panel, a button panel with the today and
// navigation labels and the console, and a status line; a tray icon stands for it while it is
// hidden. Its creation builds the engine (reminder manager, database, data file, timers); its
// 2000 ms timer drives the due check. The program's window messages 2024-2029 and WM_HOTKEY
// arrive as posted events. GUI thread only.
//
// The window's code is shared out by subject: frmmain.cpp (creation, tick, messages, showing,
// data file), calendarview.cpp (calendar, status line, day commands), captionnotification.cpp
// (nearest alert, blinking, tray, hot key), mainlayout.cpp (collapse, console, months, stored
// layout), mainmenus.cpp (actions and menus) and mainreminders.cpp (console, adding, editing,
// snoozing and dismissing reminders).

#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/calendarview.h"
#include "app/frmtockwelloptions.h"
#include "app/mainmenus.h"
#include "core/reminderaware.h"
#include "platform/colors.h"
#include "platform/datetime.h"
#include "platform/gui/keypreview.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QTimer;
class TAgendaCalendarGroup;
class TCoolTrayIcon;
class TDataFileStore;
class TFlyPanelController;
class TGlobalHotKey;
class TGradientCaption;
class THookHelpSystem;
class TPaintBox;
class TReminderManager;
class TSimpleTimer;
class TSpeedButtonEnh;
class TTockwellDB;
class TfrmTockwellDatabaseList;

// The id of the program's global hot key.
constexpr int AppHotKeyId = 0xB000;

// A hint text as a tooltip: lines separated by "\n", or by "\n\r" as the engine's hints
// have them; at most HintMaxLines lines of HintMaxLineChars characters (LimitHintLines).
QString HintToolTip(const std::string& hint);

class TfrmMain : public QWidget, public TMainMenus, public IOptionsHost {
    Q_OBJECT
public:
    // Builds the window and the engine, loads the layout (showing the window unless
    // RunMinimized) and opens the data file: params[0] when given, else the last one used
    // ("LatestDataFile"), else the default file.
    explicit TfrmMain(const QStringList& params = {});
    // Writes the layout settings and frees the engine. The data file is not written.
    ~TfrmMain() override;

    // Shows the window (restoring it from a minimised state): with activate brought to the
    // front and focused (unless a modal dialog is open), without activate shown without taking
    // the focus; with expand a collapsed window is expanded. Kept inside the work area.
    void ShowMainWindow(bool expand, bool activate);
    // Hides the window to the tray; the first time in a run a balloon says that the program
    // still runs. Without a tray to come back by, the window is minimised to a taskbar entry.
    void HideToTray();
    // The Exit command: hides and closes the window, which ends the program.
    void Exit();

    // ---- Layout (mainlayout.cpp) ----------------------------------------------------------
    // Collapses the window to its caption bar or expands it again; stops a pending open of
    // the nearest reminder either way.
    void SetCollapsed(bool collapse);
    bool Collapsed() const;
    // Shows or hides the console below the calendar; the window grows or shrinks by its
    // height.
    void ShowConsole(bool show);
    bool ConsoleShown() const;
    // Adds (delta 1) or removes (-1) a column or row of months: the window grows or shrinks by
    // one month and stays inside the work area; a collapsed window shows the change when it
    // expands. Only while the window is active; a removal only while at least one and a half
    // months remain.
    void ChangeMonthColumns(int delta);
    void ChangeMonthRows(int delta);

    // ---- Calendar view (calendarview.cpp) -------------------------------------------------
    // Selects date; its month becomes visible (with forceFirstMonth always the first shown,
    // otherwise only when not shown yet). Nothing when date is selected already. A date
    // outside years 1..9999 selects the nearer of their first and last day.
    void GoToDate(bool forceFirstMonth, TDateTime date);
    void GoToToday();
    // Runs the operation on the selected days after its confirmation, then repaints the
    // calendar and saves the data file (or turns custom colours on, which does both). color
    // is the colour of doSetCustomColor; clNone asks for it with the colour dialog.
    void ApplyToSelection(TDayOperation operation, TColor color = clNone);
    // Turns the custom day colours on or off, repaints the calendar and saves the data file.
    void SetCustomColorsEnabled(bool enabled);
    TAgendaCalendarGroup& Calendar() { return *CalendarGroup; }
    QLabel& StatusBar() { return *lbStatusBar; }

    // ---- Caption notification, tray hints, hot key (captionnotification.cpp) --------------
    // The balloon after adding a reminder: its date, the time until it and its caption.
    void ShowAddedBalloon(const IReminderAwareItemPtr& item);
    // Registers the options' global hot key unless it is registered already (force: again).
    void UpdateHotKey(bool force);
    // A press of the global hot key: brings the window up, or, while it is active after an
    // earlier press, puts things back as they were before that press.
    void HotKeyPressed();
    TGlobalHotKey& HotKey() { return *hotKey_; }
    QLabel& CaptionNotification() { return *lbCaptionNotification; }
    // The nearest alert that the hints show (0 without one).
    TDateTime NearestAlertTime() const { return nearestTime_; }
    bool TodayIndicatorShown() const;

    // ---- Data file ------------------------------------------------------------------------
    // Opens the data file named by the data file's name (the default file when empty) and
    // applies what it holds to the window: options, the reminders window, the hints.
    void OpenDataFile();
    // True from the window's creation until its data file is opened: after the window's
    // first paint (so that a large file does not keep an unpainted window on the screen), at
    // once when it starts hidden, and after StartupOpenWaitMs when no paint comes.
    bool DataFileOpenPending() const { return openPending_; }
    // Opens the data file named at creation now when that is still pending.
    void OpenPendingDataFile();
    static constexpr int StartupOpenWaitMs = 1000;
    // Switches to fileName; true when it was read or is new. A file that cannot be read
    // leaves the file open now in place (TDataFileStore::OpenOther).
    bool OpenOtherDataFile(const std::string& fileName);
    // Writes the database safely (see TDataFileStore::Save: a failure's error box and save
    // dialog come from the event loop), then refreshes the hints.
    void SaveDataFile(bool deleteBackup = false);
    // Saves to fileName, which becomes the current file; the format stays. A failure's error
    // box and save dialog come inside the call. True when written (to fileName or to the file
    // chosen instead).
    bool SaveDataFileAs(const std::string& fileName);
    TDataFileStore& DataFile() { return *dataFile_; }
    // A settings store that cannot be read or written: the first time in a run a warning box
    // (shown once the event loop runs) names the file and the reason; every time a line goes
    // to stderr. The program goes on with default settings.
    void SettingsStoreError(const std::string& message);

    // ---- Console and reminders (mainreminders.cpp) ----------------------------------------
    // The console's phrase: a date alone moves the calendar there and shows the date; with
    // a title it adds a reminder (with the setup dialog when showDialog). A phrase without
    // date falls on the selected day; without time, on DefaultReminderTime.
    void ProcessConsole(bool showDialog);
    // Adds a reminder with subject at date (a past date becomes now + 10 minutes) and the
    // default alerts; with showDialog the user sets it up first. Then saved, the "added"
    // balloon shown, the console cleared and, with CloseAfterCreateNewReminder, the window
    // hidden to the tray. False (nothing added) when the dialog was cancelled.
    bool AddReminder(const std::string& subject, bool showDialog, TDateTime date);
    // Edits item in the setup dialog (with showDialog); with updateAfter then ReminderChanged.
    // False when cancelled. With "Save as default alerts" the database's default alerts
    // take the reminder's.
    bool EditReminderAndShow(const IReminderAwareItemPtr& item, bool showDialog, bool updateAfter,
                             bool isNew);
    // After a change of item: the manager re-evaluates it, the views refresh, the data file
    // is saved.
    void ReminderChanged(const IReminderAwareItemPtr& item);
    // The time of day a reminder on date gets: now's, plus 10 minutes on today.
    TDateTime DefaultReminderTime(TDateTime date) const;
    // The caption menu's commands on the nearest reminder (nothing without one). A snooze
    // takes the reminder's row out of the reminders window, as a snooze there does.
    void SnoozeNearestReminder(int minutes);
    void DismissNearestReminder();
    QLineEdit& Console() { return *edConsole; }

    // ---- Options (mainoptions.cpp) --------------------------------------------------------
    // The "Options..." command: the options dialog; a change is applied and saved.
    void OptionsCommand();
    TTockwellOptions& Options() override;
    void ApplyOptionsAndSave() override;
    std::string CurrentDataFileName() override;
    std::string AskOpenDataFileName() override;
    std::string AskSaveDataFileName() override;
    bool SwitchDataFile(const std::string& fileName) override;
    bool SaveDataFileTo(const std::string& fileName) override;

    // ---- Engine ---------------------------------------------------------------------------
    // The 2000 ms tick: the manager's due check, the tray balloon's lifetime, every 15th tick
    // the hints and the today label, and while a caption notification shows its hint and
    // blinking. A tick that arrives inside another one (through a nested event loop) is
    // skipped. A failure of the tick is shown after it in an error box in turn with the alert
    // boxes (ShowAlertError): a failure whose box of the same text waits or is open adds none.
    void tmTockwellSystemTimerTimer();
    // After a pass fired reminders: runs their queued alert actions (only those), then saves
    // the data file and refreshes the list window. The pass's changes are saved before any
    // of its alert boxes waits for the user; a failed save's box comes after the tick.
    void ManagerAfterFire();
    // A reminder was snoozed or dismissed in the reminders window.
    void ManagerReminderChanged(const IReminderAwareItemPtr& item);
    // The user asked to open a reminder.
    void ManagerEditReminder(const IReminderAwareItemPtr& item);

    TReminderManager& Manager() { return *manager_; }
    TTockwellDB& DB() { return *db_; }
    // The reminders list window (created with the main window, hidden until asked for).
    TfrmTockwellDatabaseList& ListWindow() { return *listWindow_; }
    // "Manage reminders..." (F6): a shown list window hides, a minimised one is restored, a
    // hidden one shows refreshed.
    void ToggleListWindow();
    // The calendar menu's "Manage reminders...": the list window limited to the earliest to the
    // latest selected day (today when none is), refreshed and shown.
    void ShowListWindowForSelection();
    TCoolTrayIcon& CoolTrayIcon() { return *CoolTrayIcon_; }
    QTimer& SystemTimer() { return *tmTockwellSystemTimer; }
    QLabel& TodayLabel() { return *lbToday; }
    // Ticks counted towards the next refresh (0-14).
    int TickCount() const { return tickCount_; }
    // True while the window stands in the taskbar (minimised without a tray).
    bool HasTaskbarEntry() const { return taskbarEntry_; }
    // When the tray balloon was shown (0 = none shown now).
    TDateTime BalloonStart() const { return balloonStart_; }

    // Called when the window has closed: the program ends.
    std::function<void()> OnClosed;

protected:
    // Takes the nearest alert into the today indicator, the tray hint and the caption.
    virtual void RefreshAll();
    // Rewrites the hints of the nearest alert and the caption notification.
    virtual void UpdateNearestAlertHint();
    // Starts a blink burst of the caption notification when one is due.
    virtual void UpdateCaptionBlink();
    // One step of a blink burst (the blink timer's tick).
    void tmCaptionBlinkTimer();
    // Opens the nearest reminder after a click on the caption notification.
    void tmTodayIndicatorTimer();
    TSimpleTimer& CaptionBlinkTimer() { return *tmCaptionBlink; }
    TSimpleTimer& TodayIndicatorTimer() { return *tmTodayIndicator; }
    // Runs the alert actions queued for the reminders window (message 2025), and only them.
    virtual void RunPendingAlertActions();
    // Asks for a day colour with the colour dialog; false when cancelled.
    virtual bool ChooseDayColor(TColor& color);
    // Runs the reminder setup dialog on item; true on OK.
    virtual bool RunReminderSetupDialog(const IReminderAwareItemPtr& item, bool isNew,
                                        bool& saveAsDefault);
    // The window is the one the user works in (hot key, month columns and rows).
    virtual bool WindowIsActive() const;

    void customEvent(QEvent* e) override;
    void changeEvent(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    // Tab and Shift+Tab: the calendars in order, then the console, and round again.
    bool focusNextPrevChild(bool next) override;

private:
    void CreateComponents();
    void ConnectCommands();
    void CreateTrayIcon();
    void HookRemindersWindowSound();
    void LayoutPanels();
    // The calendar panel's size in the expanded window.
    QSize CalendarArea() const;
    void FormActivate();
    void ApplicationDeactivate();
    void DisplayChanged();
    // Gives the window a taskbar entry (minimising without a tray) or takes it away again.
    void SetTaskbarEntry(bool value);
    bool ModalDialogOpen() const;
    bool CaptionNotificationShown() const;
    void RefreshTodayLabel();
    // Applies the options of the data file to the window.
    void ApplyOptions();
    // The work of tmTockwellSystemTimerTimer; it may throw.
    void SystemTick();
    void LoadLayoutSettings();
    void SaveLayoutSettings();
    // The window's keys, seen before its controls; true when used.
    bool FormKeyDown(int key, Qt::KeyboardModifiers shift);
    // A click on one of the button panel's labels.
    void LabelClick(QLabel* label);

    // Calendar view (calendarview.cpp).
    void SetupCalendarGroup();
    void CalendarBeforeCellDraw(TDateTime day, TColor& fontColor);
    void CalendarGetDateHint(TDateTime day, bool& isEvent);
    void CalendarGetDateHintString(TDateTime day, bool& isEvent, std::string& hint);
    void CalendarMouseDown(QObject* sender, Qt::MouseButton button, int x, int y);
    void CalendarKeyDown(int& key, Qt::KeyboardModifiers shift);
    void MoveSelection(int days);
    void MoveSelectionByMonths(int months);
    void UpdateStatusBar();
    void RepaintCalendar();
    std::vector<TDateTime> SelectedDays();

    // Caption notification and tray (captionnotification.cpp).
    void RefreshNearestAlert(const std::string& dueText);
    void SetTodayIndicatorVisible(bool visible);
    void OpenNearestReminder();
    // Mouse and context-menu events of the caption bar and its notification; true when used.
    bool CaptionMouseEvent(QObject* watched, QEvent* e);
    void CoolTrayIconMouseMove();
    void CoolTrayIconBalloonHintHide();
    void CoolTrayIconBalloonHintClick();

    // Steps whose windows come with the console, the list window and the help.
    void CreateHelpHook();
    void FreeHelpHook();
    // "Help...", "About..." and the maker's online links (mainhelp.cpp).
    void ConnectHelpCommands();
    void SetupListWindow();
    void RefreshListWindow();
    // After the data file was read: its options applied, its fired reminders listed, the
    // views refreshed.
    void ShowOpenedDataFile();
    // Shows the list window refreshed, restored and in front.
    void ShowListWindow();
    void FocusConsoleOrCalendar();

    // Console and reminders (mainreminders.cpp).
    void SetupConsole();
    void ConnectReminderCommands();
    // The console's keys; true when used.
    bool ConsoleKeyDown(int key, Qt::KeyboardModifiers shift);
    void AddReminderCommand();

    // The engine (owned for the window's lifetime).
    std::unique_ptr<TReminderManager> manager_;
    std::unique_ptr<TTockwellDB> db_;
    std::unique_ptr<TDataFileStore> dataFile_;
    std::unique_ptr<TFlyPanelController> FlyPanel;
    std::unique_ptr<TSimpleTimer> tmTodayIndicator;
    std::unique_ptr<TSimpleTimer> tmCaptionBlink;
    std::unique_ptr<TGlobalHotKey> hotKey_;
    std::unique_ptr<THookHelpSystem> helpHook_;
    std::unique_ptr<TfrmTockwellDatabaseList> listWindow_; // the reminders list window

    // Components (owned by their Qt parents).
    TPaintBox* pnlContainer = nullptr;
    TGradientCaption* pnlCaption = nullptr;
    QLabel* lbCaptionNotification = nullptr;
    TSpeedButtonEnh* sbDropDown = nullptr;
    QWidget* pnlControl = nullptr;
    TAgendaCalendarGroup* CalendarGroup = nullptr;
    QWidget* pnlButtons = nullptr;
    QLabel* lbToday = nullptr;
    QLabel* imgTodayEvents = nullptr; // the today-events indicator
    QLabel* lbPriorDay = nullptr;
    QLabel* lbPriorWeek = nullptr;
    QLabel* lbNextDay = nullptr;
    QLabel* lbNextWeek = nullptr;
    QLabel* lbConsole = nullptr;
    QLineEdit* edConsole = nullptr;
    QLabel* lbStatusBar = nullptr;
    TCoolTrayIcon* CoolTrayIcon_ = nullptr;
    QTimer* tmTockwellSystemTimer = nullptr;

    int tickCount_ = 0;
    bool inTick_ = false;
    bool openPending_ = false; // the data file named at creation is not open yet
    bool openQueued_ = false;  // its open follows the first paint
    TDateTime balloonStart_ = 0;
    int balloonLifetime_ = 3; // seconds
    bool stillRunningBalloonShown_ = false;
    IReminderAwareItemPtr balloonItem_; // the reminder a click on the balloon opens
    bool taskbarEntry_ = false;
    bool closing_ = false;
    bool settingsErrorShown_ = false;
    int layoutLoading_ = 0;
    bool daySelected_ = false; // a day was picked in the calendar

    // The nearest alert.
    IReminderAwareItemPtr nearestItem_;
    TDateTime nearestTime_ = 0;
    std::string nearestCaption_;
    // The caption notification's blinking.
    std::string savedCaption_;
    int blinkCount_ = 0;
    TDateTime lastBlink_ = 0;
    // A press on the caption bar waiting for a drag (on the notification also for the
    // double-click time).
    bool captionPressed_ = false;
    QPoint captionPressPos_;
    // The global hot key: the key registered last, and what the first press found.
    uint16_t hotKeyCode_ = 0, hotKeyShifts_ = 0;
    bool hotKeyKept_ = false, keptVisible_ = false;
    uint32_t keptForeground_ = 0;
    // The X time stamp of the user action that shows the window next (0: none known).
    uint32_t activationTime_ = 0;
    TKeyPreview keyPreview_;
};

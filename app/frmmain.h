#pragma once
// TfrmMain: the program's main window. A borderless, stay-on-top tool window (no taskbar
// entry) with a gradient caption bar, the calendar panel, a button panel with the today and
// navigation labels and the console, and a status line; a tray icon stands for it while it is
// hidden. Its creation builds the engine (reminder manager, database, data file, timers); its
// 2000 ms timer drives the due check. The program's window messages 2024-2029 arrive as posted
// events. GUI thread only.

#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "core/reminderaware.h"
#include "platform/datetime.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QTimer;
class TCoolTrayIcon;
class TDataFileStore;
class TFlyPanelController;
class TGradientCaption;
class TPaintBox;
class TReminderManager;
class TSimpleTimer;
class TSpeedButtonEnh;
class TTockwellDB;

class TfrmMain : public QWidget {
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
    // Collapses the window to its caption bar or expands it again.
    void SetCollapsed(bool collapse);
    bool Collapsed() const;
    // The Exit command: hides and closes the window, which ends the program.
    void Exit();

    // ---- Data file ------------------------------------------------------------------------
    // Opens the data file named by the data file's name (the default file when empty) and
    // applies what it holds to the window: options, the reminders window, the hints.
    void OpenDataFile();
    // Switches to fileName; true when it was read or is new.
    bool OpenOtherDataFile(const std::string& fileName);
    // Writes the database safely (see TDataFileStore::Save), then refreshes the hints.
    void SaveDataFile(bool deleteBackup = false);
    // Saves to fileName, which becomes the current file; the format stays.
    void SaveDataFileAs(const std::string& fileName);
    TDataFileStore& DataFile() { return *dataFile_; }

    // ---- Engine ---------------------------------------------------------------------------
    // The 2000 ms tick: the manager's due check, the tray balloon's lifetime, every 15th tick
    // the hints and the today label, and while a caption notification shows its hint and
    // blinking. A tick that arrives inside another one (through a nested event loop) is
    // skipped.
    void tmTockwellSystemTimerTimer();
    // After a pass fired reminders: runs their queued alert actions (only those), then saves
    // the data file and refreshes the list window.
    void ManagerAfterFire();
    // A reminder was snoozed or dismissed in the reminders window.
    void ManagerReminderChanged(const IReminderAwareItemPtr& item);
    // The user asked to open a reminder.
    void ManagerEditReminder(const IReminderAwareItemPtr& item);

    TReminderManager& Manager() { return *manager_; }
    TTockwellDB& DB() { return *db_; }
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

    // Commands available before the menus are complete.
    QAction* actShowCalendar;
    QAction* actRemindersWindow;
    QAction* actHide;
    QAction* actExit;
    QAction* actStopPlayingSound;
    QAction* actCaptionStopBllinking;

protected:
    // Hint and caption refreshes of the nearest alert.
    virtual void RefreshAll();
    virtual void UpdateNearestAlertHint();
    virtual void UpdateCaptionBlink();
    // Runs the alert actions queued for the reminders window (message 2025), and only them.
    virtual void RunPendingAlertActions();

    void customEvent(QEvent* e) override;
    void changeEvent(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void CreateComponents();
    void CreateMenus();
    void CreateTrayIcon();
    void HookRemindersWindowSound();
    void LayoutPanels();
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
    void LoadLayoutSettings();
    void SaveLayoutSettings();

    // Steps whose windows and commands come with the calendar, the console, the list window,
    // the help and the hot key.
    void CreateHelpHook();
    void FreeHelpHook();
    void SetupCalendarGroup();
    void GoToToday();
    void SetupListWindow();
    void RefreshListWindow();
    void ShowConsole(bool show);
    void FocusConsoleOrCalendar();
    void UpdateHotKey(bool force);
    void UnregisterHotKey();
    void tmTodayIndicatorTimer();
    void tmCaptionBlinkTimer();
    void CoolTrayIconMouseMove();
    void CoolTrayIconBalloonHintHide();
    void CoolTrayIconBalloonHintClick();
    bool EditReminderAndShow(const IReminderAwareItemPtr& item, bool showDialog, bool updateAfter,
                             bool isNew);

    // The engine (owned for the window's lifetime).
    std::unique_ptr<TReminderManager> manager_;
    std::unique_ptr<TTockwellDB> db_;
    std::unique_ptr<TDataFileStore> dataFile_;
    std::unique_ptr<TFlyPanelController> FlyPanel;
    std::unique_ptr<TSimpleTimer> tmTodayIndicator;
    std::unique_ptr<TSimpleTimer> tmCaptionBlink;

    // Components (owned by their Qt parents).
    TPaintBox* pnlContainer = nullptr;
    TGradientCaption* pnlCaption = nullptr;
    QLabel* lbCaptionNotification = nullptr;
    TSpeedButtonEnh* sbDropDown = nullptr;
    QWidget* pnlControl = nullptr;
    QWidget* CalendarGroup = nullptr; // the place of the month calendar group
    QWidget* pnlButtons = nullptr;
    QLabel* lbToday = nullptr;
    QLabel* lbPriorDay = nullptr;
    QLabel* lbPriorWeek = nullptr;
    QLabel* lbNextDay = nullptr;
    QLabel* lbNextWeek = nullptr;
    QLabel* lbConsole = nullptr;
    QLineEdit* edConsole = nullptr;
    QLabel* lbStatusBar = nullptr;
    QMenu* pmnuTray = nullptr;
    QMenu* pmnuDownArrow = nullptr;
    TCoolTrayIcon* CoolTrayIcon_ = nullptr;
    QTimer* tmTockwellSystemTimer = nullptr;

    int tickCount_ = 0;
    bool inTick_ = false;
    TDateTime balloonStart_ = 0;
    int balloonLifetime_ = 3; // seconds
    bool stillRunningBalloonShown_ = false;
    bool taskbarEntry_ = false;
    bool closing_ = false;
    int layoutLoading_ = 0;
};

#include "app/frmmain.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <cstdio>

#include "app/cooltrayicon.h"
#include "app/datafilestore.h"
#include "app/flypanelcontroller.h"
#include "app/gradientcaption.h"
#include "app/programicons.h"
#include "app/simpletimer.h"
#include "core/alertwindows.h"
#include "core/productinfo.h"
#include "core/registrymanager.h"
#include "core/remindermanager.h"
#include "core/tockwelldb.h"
#include "core/windows/alertwindowsetup.h"
#include "core/windows/altkeyrepaint.h"
#include "core/windows/speedbuttonenh.h"
#include "core/windows/transparentmsgbox.h"
#include "core/windows/windowposition.h"
#include "platform/datetimeformat.h"
#include "platform/fileutils.h"
#include "platform/gui/application.h"
#include "platform/gui/formhelpers.h"
#include "platform/gui/paintbox.h"
#include "platform/gui/qtcolors.h"
#include "platform/gui/windowmessages.h"

namespace {

constexpr int kSystemTimerMs = 2000;
constexpr int kRefreshEveryNTicks = 15;
constexpr int kMinExpandedSize = 150;
constexpr int kWorkAreaMargin = 50;
constexpr int kBalloonSeconds = 10;

// The window's flags: a borderless, stay-on-top tool window, which has no taskbar entry.
constexpr Qt::WindowFlags kMainWindowFlags =
    Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
// The same window while it stands in the taskbar (minimised without a tray).
constexpr Qt::WindowFlags kTaskbarWindowFlags =
    Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;

struct TFlagGuard {
    explicit TFlagGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~TFlagGuard() { flag_ = false; }
    bool& flag_;
};

QLabel* GreyLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, ColorToQColor(TFlyPanelController::LabelColor));
    label->setPalette(pal);
    return label;
}

} // namespace

TfrmMain::TfrmMain(const QStringList& params) : QWidget(nullptr, kMainWindowFlags) {
    // 1. State, caption and the application's activation events.
    setWindowTitle(QStringLiteral("Tockwell"));
    setWindowIcon(ProgramIcon());
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                CallGuarded([&] {
                    if (state == Qt::ApplicationActive)
                        FormActivate();
                    else
                        ApplicationDeactivate();
                });
            });
    // 2. Help.
    CreateHelpHook();
    // 3. The Alt-key repaint fix posts its repaints here.
    SetMainWindowHandle(this);
    // 4. The today-indicator and caption-blink timers, created disabled.
    tmTodayIndicator = std::make_unique<TSimpleTimer>();
    tmTodayIndicator->SetOnTimer([this](TSimpleTimer&) { tmTodayIndicatorTimer(); });
    tmCaptionBlink = std::make_unique<TSimpleTimer>();
    tmCaptionBlink->SetOnTimer([this](TSimpleTimer&) { tmCaptionBlinkTimer(); });
    // 5. The reminder manager and the fly-out panel controller on the caption bar.
    manager_ = std::make_unique<TReminderManager>();
    FlyPanel = std::make_unique<TFlyPanelController>();
    CreateComponents();
    pnlCaption->SetCaptionPainter(FlyPanel.get());
    // 6. The manager's events and settings.
    manager_->OnEditReminder = [this](const IReminderAwareItemPtr& item) {
        ManagerEditReminder(item);
    };
    manager_->OnReminderSnoozed = [this](const IReminderAwareItemPtr& item) {
        ManagerReminderChanged(item);
    };
    manager_->OnReminderDismissed = manager_->OnReminderSnoozed;
    manager_->OnAfterFire = [this] { ManagerAfterFire(); };
    manager_->SetRebuildReminderListEverNMin(30);
    manager_->SetProcessDBForRemindersDueNextNMinutes(60);
    manager_->SetCheckEveryNSeconds(9);
    // 7. The reminders window's sound events enable "Stop playing sound".
    HookRemindersWindowSound();
    // 8. The database and its options.
    db_ = std::make_unique<TTockwellDB>();
    db_->DBSettings.LoadRunMinimized();
    dataFile_ = std::make_unique<TDataFileStore>(*db_, *manager_);
    // 9. The reminders list window.
    SetupListWindow();
    // 10. The calendar group and the today label.
    SetupCalendarGroup();
    RefreshTodayLabel();
    // 11. The balloon lifetime (balloonLifetime_) is 3 seconds; the data file starts in XML.
    // 12. The system timer.
    tmTockwellSystemTimer = new QTimer(this);
    tmTockwellSystemTimer->setInterval(kSystemTimerMs);
    connect(tmTockwellSystemTimer, &QTimer::timeout, this,
            [this] { CallGuarded([this] { tmTockwellSystemTimerTimer(); }); });
    tmTockwellSystemTimer->start();
    // 13. The panels.
    LayoutPanels();
    actStopPlayingSound->setEnabled(false);
    CreateTrayIcon();
    // 14. Today in the calendar; the layout, which shows the window unless RunMinimized.
    GoToToday();
    LoadLayoutSettings();
    // 15. The data file: the command line's (taken from the current folder), else the last one
    // used, else the default.
    std::string fileName =
        params.isEmpty() ? std::string() : ExpandFileName(params.first().toStdString());
    if (fileName.empty())
        fileName = ReadRegistryString(TockwellSettingsKey, "LatestDataFile", "");
    dataFile_->SetFileName(fileName);
    OpenDataFile();
    // 16. The check mark of "Blink in caption".
    actCaptionStopBllinking->setChecked(db_->DBSettings.BlinkAlertInCaption);

    for (QScreen* screen : QGuiApplication::screens())
        connect(screen, &QScreen::availableGeometryChanged, this, [this] { DisplayChanged(); });
    connect(qApp, &QGuiApplication::screenAdded, this, [this] { DisplayChanged(); });
    connect(qApp, &QGuiApplication::screenRemoved, this, [this] { DisplayChanged(); });
}

TfrmMain::~TfrmMain() {
    tmTockwellSystemTimer->stop();
    try {
        SaveLayoutSettings();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Tockwell: %s\n", e.what());
    }
    UnregisterHotKey();
    FreeHelpHook();
    if (MainWindowHandle() == this)
        SetMainWindowHandle(nullptr);
    tmTodayIndicator.reset();
    tmCaptionBlink.reset();
    // The manager goes before the database it lists; the reminders window, which outlives
    // both, no longer reaches the manager's handlers.
    dataFile_.reset();
    manager_.reset();
    pnlCaption->SetCaptionPainter(nullptr);
    FlyPanel.reset();
    db_.reset();
}

// ---- Components -----------------------------------------------------------------------------

void TfrmMain::CreateComponents() {
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ColorToQColor(FlyPanel->WindowColor));
    setPalette(pal);
    setAutoFillBackground(true);
    setMouseTracking(true);

    pnlContainer = new TPaintBox(this);
    pnlContainer->OnPaint = [this](TPaintBox& box, QPainter& p) {
        FlyPanel->DrawPanelFrame(p, box.size(), false);
    };

    pnlCaption = new TGradientCaption(pnlContainer);
    pnlCaption->setFixedHeight(22);
    QPalette cap = pnlCaption->palette();
    cap.setColor(QPalette::Window, ColorToQColor(FlyPanel->CaptionColor));
    pnlCaption->setPalette(cap);
    auto* captionRow = new QHBoxLayout(pnlCaption);
    captionRow->setContentsMargins(8, 2, 6, 2);
    lbCaptionNotification = new QLabel(QStringLiteral("Tockwell"), pnlCaption);
    captionRow->addWidget(lbCaptionNotification, 1);
    sbDropDown = new TSpeedButtonEnh(pnlCaption);
    sbDropDown->setFixedSize(16, 16);
    sbDropDown->SetFlat(true);
    sbDropDown->SetAllowDropDown(true);
    sbDropDown->SetDropDownWidth(16);
    captionRow->addWidget(sbDropDown);
    pnlCaption->installEventFilter(this);
    lbCaptionNotification->installEventFilter(this);

    pnlControl = new QWidget(pnlContainer);
    CalendarGroup = new QWidget(pnlControl);
    CalendarGroup->setObjectName(QStringLiteral("CalendarGroup"));
    CalendarGroup->setGeometry(0, 0, 182, 150);
    pnlControl->resize(CalendarGroup->size());

    pnlButtons = new QWidget(pnlContainer);
    auto* buttons = new QVBoxLayout(pnlButtons);
    buttons->setContentsMargins(2, 2, 2, 2);
    buttons->setSpacing(2);
    auto* navigation = new QHBoxLayout;
    lbToday = GreyLabel(QString(), pnlButtons);
    lbToday->setToolTip(QStringLiteral("Goto today"));
    lbPriorWeek = GreyLabel(QStringLiteral("-w"), pnlButtons);
    lbPriorDay = GreyLabel(QStringLiteral("-d"), pnlButtons);
    lbNextDay = GreyLabel(QStringLiteral("+d"), pnlButtons);
    lbNextWeek = GreyLabel(QStringLiteral("+w"), pnlButtons);
    navigation->addWidget(lbToday);
    navigation->addStretch(1);
    for (QLabel* l : {lbPriorWeek, lbPriorDay, lbNextDay, lbNextWeek})
        navigation->addWidget(l);
    buttons->addLayout(navigation);
    lbConsole = GreyLabel(QStringLiteral("console >>"), pnlButtons);
    buttons->addWidget(lbConsole);
    edConsole = new QLineEdit(pnlButtons);
    edConsole->hide();
    buttons->addWidget(edConsole);
    lbStatusBar = GreyLabel(QString(), pnlButtons);
    buttons->addWidget(lbStatusBar);
    pnlButtons->setFixedHeight(pnlButtons->sizeHint().height());

    CreateMenus();
}

void TfrmMain::CreateMenus() {
    actShowCalendar = new QAction(QStringLiteral("Show calendar"), this);
    connect(actShowCalendar, &QAction::triggered, this,
            [this] { CallGuarded([this] { ShowMainWindow(true, true); }); });
    actRemindersWindow = new QAction(QStringLiteral("Reminders window..."), this);
    connect(actRemindersWindow, &QAction::triggered, this,
            [this] { CallGuarded([this] { manager_->ShowRemindersWindow(); }); });
    actHide = new QAction(QStringLiteral("Hide"), this);
    connect(actHide, &QAction::triggered, this, [this] { CallGuarded([this] { HideToTray(); }); });
    actExit = new QAction(QStringLiteral("Exit"), this);
    connect(actExit, &QAction::triggered, this, [this] { CallGuarded([this] { Exit(); }); });
    actStopPlayingSound = new QAction(QStringLiteral("Stop playing sound"), this);
    connect(actStopPlayingSound, &QAction::triggered, this, [] {
        CallGuarded([] {
            if (auto window = RemindersWindow())
                window->StopReminderSound({});
        });
    });
    actCaptionStopBllinking = new QAction(QStringLiteral("Blink in caption"), this);
    actCaptionStopBllinking->setCheckable(true);
    connect(actCaptionStopBllinking, &QAction::toggled, this,
            [this](bool checked) { db_->DBSettings.BlinkAlertInCaption = checked; });

    pmnuTray = new QMenu(this);
    pmnuTray->addAction(actShowCalendar);
    pmnuTray->setDefaultAction(actShowCalendar);
    pmnuTray->addAction(actRemindersWindow);
    pmnuTray->addAction(actStopPlayingSound);
    pmnuTray->addSeparator();
    pmnuTray->addAction(actExit);

    pmnuDownArrow = new QMenu(this);
    pmnuDownArrow->addAction(actHide);
    pmnuDownArrow->addAction(actRemindersWindow);
    pmnuDownArrow->addAction(actStopPlayingSound);
    pmnuDownArrow->addAction(actCaptionStopBllinking);
    pmnuDownArrow->addSeparator();
    pmnuDownArrow->addAction(actExit);
    sbDropDown->OnDropChanged = [this](TSpeedButtonEnh& sender) {
        if (!sender.DroppedDown())
            return;
        pmnuDownArrow->exec(sender.mapToGlobal(QPoint(0, sender.height())));
        sender.SetDroppedDown(false);
    };
}

void TfrmMain::CreateTrayIcon() {
    CoolTrayIcon_ = new TCoolTrayIcon(this);
    CoolTrayIcon_->SetIcon(ProgramIcon());
    CoolTrayIcon_->SetIconIndex(0);
    CoolTrayIcon_->SetCycleInterval(0);
    CoolTrayIcon_->SetPopupMenu(pmnuTray);
    CoolTrayIcon_->SetHint("Tockwell");
    CoolTrayIcon_->OnClick = [this](TCoolTrayIcon&) { ShowMainWindow(true, true); };
    CoolTrayIcon_->OnMouseMove = [this](TCoolTrayIcon&, Qt::KeyboardModifiers, int, int) {
        CoolTrayIconMouseMove();
    };
    CoolTrayIcon_->OnBalloonHintHide = [this](TCoolTrayIcon&) { CoolTrayIconBalloonHintHide(); };
    CoolTrayIcon_->OnBalloonHintClick = [this](TCoolTrayIcon&) { CoolTrayIconBalloonHintClick(); };
    CoolTrayIcon_->SetIconVisible(true);
    // The window decides itself whether it shows (LoadLayoutSettings).
    CoolTrayIcon_->OnStartup = [](TCoolTrayIcon&, bool& showMainForm) { showMainForm = false; };
    CoolTrayIcon_->Loaded();
}

void TfrmMain::HookRemindersWindowSound() {
    TfrmRemindersWnd* window = frmRemindersWnd();
    if (!window)
        return;
    QPointer<QAction> action = actStopPlayingSound;
    window->SetOnStartPlayingAlertSound([action](TfrmRemindersWnd&) {
        if (action)
            action->setEnabled(true);
    });
    window->SetOnStopPlayingAlertSound([action](TfrmRemindersWnd&) {
        if (action)
            action->setEnabled(false);
    });
}

void TfrmMain::LayoutPanels() {
    // The form is sized round the calendar; the controller then places the panels in it.
    if (!Collapsed())
        resize(FlyPanel->Geometry.FittedClientSize(CalendarGroup->size(), pnlButtons->height(),
                                                   pnlCaption->height()));
    FlyPanel->Layout(this, pnlCaption, pnlContainer, pnlControl, pnlButtons);
    if (!Collapsed())
        setMinimumSize(kMinExpandedSize, kMinExpandedSize);
}

// ---- Showing and hiding ---------------------------------------------------------------------

bool TfrmMain::ModalDialogOpen() const {
    return QApplication::activeModalWidget() != nullptr;
}

void TfrmMain::ShowMainWindow(bool expand, bool activate) {
    PostWindowMessage(this, WM_HIDE_TASKBAR_WINDOW);
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    if (activate) {
        show();
        raise();
        if (!ModalDialogOpen())
            activateWindow();
    } else {
        setAttribute(Qt::WA_ShowWithoutActivating, true);
        show();
        setAttribute(Qt::WA_ShowWithoutActivating, false);
    }
    if (expand && Collapsed())
        SetCollapsed(false);
    KeepFormInWorkArea(this, true, kWorkAreaMargin);
    FocusConsoleOrCalendar();
}

void TfrmMain::HideToTray() {
    if (!CoolTrayIcon_->CanHideToTray()) {
        // Without a tray there would be no way back: minimise to a taskbar entry instead.
        SetTaskbarEntry(true);
        showMinimized();
        return;
    }
    hide();
    if (!stillRunningBalloonShown_) {
        stillRunningBalloonShown_ = true;
        CoolTrayIcon_->ShowBalloonHint("Tockwell still running in tray",
                                       "Click on tray icon to open Tockwell", bitInfo,
                                       kBalloonSeconds);
        balloonStart_ = Now();
    }
}

void TfrmMain::SetTaskbarEntry(bool value) {
    if (value == taskbarEntry_)
        return;
    taskbarEntry_ = value;
    const bool visible = isVisible();
    const QRect bounds = geometry();
    setWindowFlags(value ? kTaskbarWindowFlags : kMainWindowFlags);
    setGeometry(bounds);
    if (visible && !value)
        show();
}

bool TfrmMain::Collapsed() const {
    return FlyPanel && FlyPanel->Collapsed();
}

void TfrmMain::SetCollapsed(bool collapse) {
    tmTodayIndicator->Stop(true);
    PostWindowMessage(this, WM_STOP_TODAY_INDICATOR);
    if (collapse == Collapsed())
        return;
    if (collapse)
        setMinimumSize(0, 0);
    FlyPanel->ToggleCollapse(this, pnlCaption, pnlControl, pnlButtons);
    if (!collapse)
        setMinimumSize(kMinExpandedSize, kMinExpandedSize);
}

void TfrmMain::Exit() {
    hide();
    close();
}

void TfrmMain::FormActivate() {
    FocusConsoleOrCalendar();
    if (ModalDialogOpen() || !isVisible())
        return;
    // Back on top without moving or activating.
    raise();
}

void TfrmMain::ApplicationDeactivate() {
    // The desktop alert on screen fades out with the application's activation.
    if (TTranspMsgBoxManager* alerts = TranspMsgBoxManager())
        alerts->DeactivateCurrent();
}

void TfrmMain::DisplayChanged() {
    if (isVisible())
        KeepFormInWorkArea(this, false, kWorkAreaMargin);
}

// ---- Layout settings ------------------------------------------------------------------------

void TfrmMain::LoadLayoutSettings() {
    ++layoutLoading_;
    const bool collapsed = ReadRegistryBool(TockwellSettingsKey, "Collapsed", false);
    if (!LoadWindowPosition(this, TockwellSettingsKey, {})) {
        QRect area = WorkAreaOf(this);
        move(area.right() + 1 - frameGeometry().width(),
             area.bottom() + 1 - frameGeometry().height());
    }
    KeepFormInWorkArea(this, false, kWorkAreaMargin);
    ShowConsole(ReadRegistryBool(TockwellSettingsKey, "ShowConsole", true));
    if (!db_->DBSettings.RunMinimized) {
        if (collapsed)
            SetCollapsed(true);
        ShowMainWindow(false, true);
    }
    --layoutLoading_;
}

void TfrmMain::SaveLayoutSettings() {
    SaveWindowPosition(TockwellSettingsKey, x(), y(), width(), FlyPanel->ExpandedHeight(this), {});
    WriteRegistryBool(TockwellSettingsKey, "Collapsed", Collapsed());
    WriteRegistryBool(TockwellSettingsKey, "ShowConsole", !edConsole->isHidden());
}

// ---- Data file ------------------------------------------------------------------------------

void TfrmMain::OpenDataFile() {
    dataFile_->Open();
    ApplyOptions();
    manager_->ShowFiredReminders(*db_);
    RefreshAll();
}

bool TfrmMain::OpenOtherDataFile(const std::string& fileName) {
    dataFile_->SetFileName(fileName);
    OpenDataFile();
    return dataFile_->SaveRedirect().empty() && !dataFile_->FileName().empty();
}

void TfrmMain::SaveDataFile(bool deleteBackup) {
    dataFile_->Save(deleteBackup);
    RefreshAll();
}

void TfrmMain::SaveDataFileAs(const std::string& fileName) {
    dataFile_->SetFileName(fileName);
    SaveDataFile(false);
}

void TfrmMain::ApplyOptions() {
    if (db_->DBSettings.HotKeyActive)
        UpdateHotKey(true);
    RefreshTodayLabel();
    actCaptionStopBllinking->setChecked(db_->DBSettings.BlinkAlertInCaption);
}

// ---- The tick and the manager's events ------------------------------------------------------

void TfrmMain::tmTockwellSystemTimerTimer() {
    // Alert actions, error boxes and the save dialog run nested event loops in which the timer
    // goes on ticking; such a tick must not start another check.
    if (inTick_)
        return;
    TFlagGuard guard(inTick_);
    manager_->CheckReminders(*db_);
    if (balloonStart_ != 0 && SecondsBetween(Now(), balloonStart_) >= balloonLifetime_) {
        balloonStart_ = 0;
        CoolTrayIcon_->HideBalloonHint();
    }
    if (++tickCount_ >= kRefreshEveryNTicks) {
        RefreshAll();
        tickCount_ = 0;
        RefreshTodayLabel();
    }
    if (CaptionNotificationShown()) {
        UpdateNearestAlertHint();
        UpdateCaptionBlink();
    }
}

void TfrmMain::RunPendingAlertActions() {
    auto window = RemindersWindow();
    if (auto* receiver = dynamic_cast<QObject*>(window.get()))
        ProcessPendingMessages(receiver, WM_RUN_ALERT_ACTION);
}

void TfrmMain::ManagerAfterFire() {
    RunPendingAlertActions();
    SaveDataFile();
    RefreshListWindow();
}

void TfrmMain::ManagerReminderChanged(const IReminderAwareItemPtr&) {
    RefreshListWindow();
    SaveDataFile();
}

void TfrmMain::ManagerEditReminder(const IReminderAwareItemPtr& item) {
    EditReminderAndShow(item, true, true, false);
}

bool TfrmMain::CaptionNotificationShown() const {
    return !lbCaptionNotification->toolTip().isEmpty();
}

void TfrmMain::RefreshTodayLabel() {
    lbToday->setText(QString::fromStdString(FormatDateTime(
        db_ ? db_->DBSettings.TodayLabelFormat : TTockwellOptions().TodayLabelFormat, Date())));
}

// ---- Window messages and input --------------------------------------------------------------

void TfrmMain::customEvent(QEvent* e) {
    TMessageEvent* m = AsMessage(e);
    if (!m)
        return QWidget::customEvent(e);
    switch (m->Msg) {
    case WM_HIDE_TASKBAR_WINDOW:
        if (!isMinimized())
            SetTaskbarEntry(false);
        break;
    case WM_STOP_TODAY_INDICATOR:
        tmTodayIndicator->Stop(true);
        break;
    case WM_ACTIVATE_INSTANCE:
        ShowMainWindow(true, true);
        break;
    case WM_REPAINT_CONTROLS:
        HandleRepaintControlsMessage(e);
        break;
    case WM_HIDE_TO_TRAY:
        HideToTray();
        break;
    default:
        QWidget::customEvent(e);
    }
}

void TfrmMain::changeEvent(QEvent* e) {
    // Restored from the taskbar: the entry goes again.
    if (e->type() == QEvent::WindowStateChange && taskbarEntry_ && !isMinimized())
        PostWindowMessage(this, WM_HIDE_TASKBAR_WINDOW);
    QWidget::changeEvent(e);
}

void TfrmMain::closeEvent(QCloseEvent* e) {
    e->accept();
    if (closing_)
        return;
    closing_ = true;
    tmTockwellSystemTimer->stop();
    if (OnClosed)
        QTimer::singleShot(0, this, [this] { OnClosed(); });
}

void TfrmMain::paintEvent(QPaintEvent*) {
    QPainter p(this);
    FlyPanel->DrawFormFrame(p, size());
}

void TfrmMain::mouseMoveEvent(QMouseEvent* e) {
    if (!FlyPanel->HandleMouse(this, e, true, !Collapsed()))
        QWidget::mouseMoveEvent(e);
}

void TfrmMain::mousePressEvent(QMouseEvent* e) {
    if (!FlyPanel->HandleMouse(this, e, true, !Collapsed()))
        QWidget::mousePressEvent(e);
}

void TfrmMain::keyPressEvent(QKeyEvent* e) {
    HandleAltKeyForRepaint(this, e->key(), e->modifiers());
    QWidget::keyPressEvent(e);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* e) {
    const bool caption = watched == pnlCaption || watched == lbCaptionNotification;
    if (caption &&
        (e->type() == QEvent::MouseButtonDblClick || e->type() == QEvent::MouseButtonPress)) {
        auto* m = static_cast<QMouseEvent*>(e);
        if (m->button() == Qt::LeftButton) {
            // A double click toggles the collapse state; a press drags the window.
            if (e->type() == QEvent::MouseButtonDblClick)
                CallGuarded([this] { SetCollapsed(!Collapsed()); });
            else
                StartFormDragMove(this, m->globalPosition().toPoint());
            return true;
        }
    }
    return QWidget::eventFilter(watched, e);
}

// ---- Steps that the calendar, console, list window, help and hot key fill in ----------------

void TfrmMain::CreateHelpHook() {
    // The help hook on Tockwell.chm beside the program.
}

void TfrmMain::FreeHelpHook() {
    // Frees the help hook and closes the help windows.
}

void TfrmMain::SetupCalendarGroup() {
    // First weekday, before-cell-draw handler, one row of months, pop-up menu, today style 2,
    // weekend colour TFlyPanelController::WeekendColor, keyboard multi-select.
}

void TfrmMain::GoToToday() {
    // The calendar goes to today (selected).
}

void TfrmMain::SetupListWindow() {
    // The reminders list window gets the database and its open, new and delete events.
}

void TfrmMain::RefreshListWindow() {
    // Refreshes the reminders list window.
}

void TfrmMain::ShowConsole(bool) {
    // Shows or hides the console and grows or shrinks the window by its height.
}

void TfrmMain::FocusConsoleOrCalendar() {
    // Focuses the console when it is shown, else the calendar.
}

void TfrmMain::UpdateHotKey(bool) {
    // Registers the options' global hot key.
}

void TfrmMain::UnregisterHotKey() {
    // Unregisters the global hot key.
}

void TfrmMain::tmTodayIndicatorTimer() {
    // Opens the nearest reminder after a click on the caption notification.
    tmTodayIndicator->Stop(true);
}

void TfrmMain::tmCaptionBlinkTimer() {
    // One step of the caption notification's blinking.
    tmCaptionBlink->Stop(true);
}

void TfrmMain::CoolTrayIconMouseMove() {
    // Brings the tray hint up to date.
}

void TfrmMain::CoolTrayIconBalloonHintHide() {
    // The balloon of an added reminder is gone.
}

void TfrmMain::CoolTrayIconBalloonHintClick() {
    // Shows the window and opens the balloon's reminder.
}

bool TfrmMain::EditReminderAndShow(const IReminderAwareItemPtr&, bool, bool, bool) {
    // Edits the reminder in the reminder setup dialog.
    return false;
}

void TfrmMain::RefreshAll() {
    // Takes the nearest alert into the today indicator, the tray hint and the caption.
}

void TfrmMain::UpdateNearestAlertHint() {
    // Rewrites the hints of the nearest alert.
}

void TfrmMain::UpdateCaptionBlink() {
    // Starts a blink burst of the caption notification when one is due.
}

#include "app/frmmain.h"
#include "app/frmdatabaselist.h"

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
#include <QScopedValueRollback>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <utility>

#include "app/calendarview.h"
#include "app/cooltrayicon.h"
#include "app/datafilestore.h"
#include "app/flypanelcontroller.h"
#include "app/frmabout.h"
#include "app/gradientcaption.h"
#include "app/helpsystem.h"
#include "app/mainlayout.h"
#include "app/programicons.h"
#include "app/simpletimer.h"
#include "controls/calendar/calendargroup.h"
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
#include "platform/gui/globalhotkey.h"
#include "platform/gui/hintpause.h"
#include "platform/gui/messageboxes.h"
#include "platform/gui/paintbox.h"
#include "platform/gui/qtcolors.h"
#include "platform/gui/textfit.h"
#include "platform/gui/uifont.h"
#include "platform/gui/windowmessages.h"
#include "platform/sysutils.h"

namespace {

constexpr int kSystemTimerMs = 2000;
constexpr int kRefreshEveryNTicks = 15;
constexpr int kHintHidePauseMs = 5000;

// The window's flags: a borderless, stay-on-top tool window, which has no taskbar entry.
constexpr Qt::WindowFlags kMainWindowFlags =
    Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
// The same window while it stands in the taskbar (minimised without a tray).
constexpr Qt::WindowFlags kTaskbarWindowFlags =
    Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;

QLabel* GreyLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, ColorToQColor(TFlyPanelController::LabelColor));
    label->setPalette(pal);
    return label;
}

} // namespace

QString HintToolTip(const std::string& hint) {
    return QString::fromStdString(HintLineBreaks(LimitHintLines(hint)));
}

TfrmMain::TfrmMain(const QStringList& params) : QWidget(nullptr, kMainWindowFlags) {
    // 1. State, caption and the application's activation events.
    setWindowTitle(QStringLiteral("Tockwell"));
    setWindowIcon(ProgramIcon());
    SetHintHidePause(kHintHidePauseMs);
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
    hotKey_ = std::make_unique<TGlobalHotKey>(this);
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
    if (std::string error = TRegistryStore(RegistryStoreFolder()).CheckReadable(); !error.empty())
        SettingsStoreError(error);
    db_->DBSettings.LoadRunMinimized();
    dataFile_ = std::make_unique<TDataFileStore>(*db_, *manager_);
    dataFile_->OnSettingsError = [this](const std::string& message) {
        SettingsStoreError(message);
    };
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
            [this] { tmTockwellSystemTimerTimer(); });
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
    // 16. The file is read once the window has painted itself; with it the check mark of
    // "Blink in caption" (OpenPendingDataFile).
    openPending_ = true;
    QTimer::singleShot(isVisible() ? StartupOpenWaitMs : 0, this,
                       [this] { CallGuarded([this] { OpenPendingDataFile(); }); });
    // Keys of the window come before those of its controls.
    qApp->installEventFilter(this);

    for (QScreen* screen : QGuiApplication::screens())
        connect(screen, &QScreen::availableGeometryChanged, this, [this] { DisplayChanged(); });
    connect(qApp, &QGuiApplication::screenAdded, this, [this] { DisplayChanged(); });
    connect(qApp, &QGuiApplication::screenRemoved, this, [this] { DisplayChanged(); });
    SetOptionsHost(this);
}

TfrmMain::~TfrmMain() {
    if (OptionsHost() == this)
        SetOptionsHost(nullptr);
    tmTockwellSystemTimer->stop();
    try {
        SaveLayoutSettings();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Tockwell: %s\n", e.what());
    }
    qApp->removeEventFilter(this);
    hotKey_.reset(); // releases the hot key
    FreeHelpHook();
    if (MainWindowHandle() == this)
        SetMainWindowHandle(nullptr);
    tmTodayIndicator.reset();
    tmCaptionBlink.reset();
    // The manager goes before the database it lists; the reminders window, which outlives
    // both, no longer reaches the manager's handlers.
    listWindow_.reset();
    dataFile_.reset();
    manager_.reset();
    pnlCaption->SetCaptionPainter(nullptr);
    FlyPanel.reset();
    db_.reset();
}

// ---- Components -----------------------------------------------------------------------------

void TfrmMain::CreateComponents() {
    setFont(TahomaFont()); // the form's 8-point Tahoma
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
    lbCaptionNotification->setTextFormat(Qt::PlainText); // a caption is no markup
    lbCaptionNotification->setMinimumWidth(1);
    lbCaptionNotification->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    lbCaptionNotification->setMouseTracking(true);
    captionRow->addWidget(lbCaptionNotification, 1);
    sbDropDown = new TSpeedButtonEnh(pnlCaption);
    sbDropDown->setFixedSize(16, 16);
    sbDropDown->SetFlat(true);
    sbDropDown->SetAllowDropDown(true);
    sbDropDown->SetDropDownWidth(16);
    captionRow->addWidget(sbDropDown);
    pnlCaption->installEventFilter(this);
    lbCaptionNotification->installEventFilter(this);

    // The calendar group fills the control panel (and then fits itself to whole months).
    pnlControl = new QWidget(pnlContainer);
    CalendarGroup = new TAgendaCalendarGroup(pnlControl);
    CalendarGroup->setObjectName(QStringLiteral("CalendarGroup"));
    pnlControl->resize(CalendarGroup->size());
    pnlControl->installEventFilter(this);

    pnlButtons = new QWidget(pnlContainer);
    auto* buttons = new QVBoxLayout(pnlButtons);
    buttons->setContentsMargins(2, 2, 2, 2);
    buttons->setSpacing(2);
    auto* navigation = new QHBoxLayout;
    lbToday = GreyLabel(QString(), pnlButtons);
    lbToday->setToolTip(QStringLiteral("Goto today"));
    imgTodayEvents = new QLabel(pnlButtons);
    imgTodayEvents->setPixmap(QPixmap::fromImage(DrawProgramIcon(14)));
    imgTodayEvents->setCursor(Qt::PointingHandCursor);
    imgTodayEvents->hide();
    lbPriorWeek = GreyLabel(QStringLiteral("-w"), pnlButtons);
    lbPriorDay = GreyLabel(QStringLiteral("-d"), pnlButtons);
    lbNextDay = GreyLabel(QStringLiteral("+d"), pnlButtons);
    lbNextWeek = GreyLabel(QStringLiteral("+w"), pnlButtons);
    navigation->addWidget(lbToday);
    navigation->addWidget(imgTodayEvents);
    navigation->addStretch(1);
    for (QLabel* l : {lbPriorWeek, lbPriorDay, lbNextDay, lbNextWeek})
        navigation->addWidget(l);
    buttons->addLayout(navigation);
    lbConsole = GreyLabel(QStringLiteral("console >>"), pnlButtons);
    buttons->addWidget(lbConsole);
    edConsole = new QLineEdit(pnlButtons);
    edConsole->hide();
    SetupConsole();
    buttons->addWidget(edConsole);
    lbStatusBar = GreyLabel(QString(), pnlButtons);
    buttons->addWidget(lbStatusBar);
    pnlButtons->setFixedHeight(pnlButtons->sizeHint().height());
    // The labels act as links: underlined under the mouse, a click runs them.
    for (QLabel* l :
         {lbToday, imgTodayEvents, lbPriorWeek, lbPriorDay, lbNextDay, lbNextWeek, lbConsole}) {
        l->installEventFilter(this);
        l->setCursor(Qt::PointingHandCursor);
    }

    CreateMainMenus(this);
    ConnectCommands();
}

void TfrmMain::ConnectCommands() {
    auto on = [this](QAction* action, auto handler) {
        connect(action, &QAction::triggered, this, [handler] { CallGuarded(handler); });
    };
    on(actShowCalendar, [this] { ShowMainWindow(true, true); });
    on(ActAddReminder, [this] { AddReminderCommand(); });
    on(actCollapseExpand, [this] {
        if (isVisible())
            SetCollapsed(!Collapsed());
        else
            ShowMainWindow(true, true);
    });
    on(actHide, [this] { HideToTray(); });
    on(actRemindersWindow, [this] { manager_->ShowRemindersWindow(); });
    on(actRemindersManager, [this] { ToggleListWindow(); });
    on(actRemindersManagerFilter, [this] { ShowListWindowForSelection(); });
    on(actExit, [this] { Exit(); });
    on(actOptions, [this] { OptionsCommand(); });
    on(actStopPlayingSound, [] {
        if (auto window = RemindersWindow())
            window->StopReminderSound({});
    });
    connect(actCaptionStopBllinking, &QAction::toggled, this,
            [this](bool checked) { db_->DBSettings.BlinkAlertInCaption = checked; });
    on(actMarkHoliday, [this] { ApplyToSelection(doMarkHoliday); });
    on(actMarkWorkday, [this] { ApplyToSelection(doMarkWorkday); });
    on(actResetSelection, [this] { ApplyToSelection(doResetSelection); });
    on(actResetAll, [this] { ApplyToSelection(doResetAll); });
    on(actSetCustomColor, [this] { ApplyToSelection(doSetCustomColor); });
    on(actRemoveCustomColor, [this] { ApplyToSelection(doRemoveCustomColor); });
    on(actRemoveAllCustomColors, [this] { ApplyToSelection(doRemoveAllCustomColors); });
    on(actEnableCustomColors,
       [this] { SetCustomColorsEnabled(!db_->DBSettings.CustomColorsEnabled); });
    on(actAddColumn, [this] { ChangeMonthColumns(1); });
    on(actRemoveColumn, [this] { ChangeMonthColumns(-1); });
    on(actAddRow, [this] { ChangeMonthRows(1); });
    on(acrRemoveRow, [this] { ChangeMonthRows(-1); });
    on(actOpenCloseConsoleShortcut, [this] { ShowConsole(!ConsoleShown()); });
    ConnectHelpCommands();
    ConnectReminderCommands();

    sbDropDown->OnDropChanged = [this](TSpeedButtonEnh& sender) {
        if (!sender.DroppedDown())
            return;
        pmnuDownArrow->exec(sender.mapToGlobal(QPoint(0, sender.height())));
        sender.SetDroppedDown(false);
    };
}

void TfrmMain::CreateTrayIcon() {
    CoolTrayIcon_ = new TCoolTrayIcon(this);
    CoolTrayIcon_->SetIcon(windowIcon());
    CoolTrayIcon_->SetIconIndex(0);
    CoolTrayIcon_->SetCycleInterval(0);
    CoolTrayIcon_->SetPopupMenu(pmnuTray);
    CoolTrayIcon_->SetHint("Tockwell");
    CoolTrayIcon_->OnClick = [this](TCoolTrayIcon&) { ShowMainWindow(true, true); };
    CoolTrayIcon_->OnDblClick = [this](TCoolTrayIcon&) {
        ShowMainWindow(true, true);
        AddReminderCommand();
    };
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

// ---- Showing and hiding ---------------------------------------------------------------------

bool TfrmMain::ModalDialogOpen() const {
    return QApplication::activeModalWidget() != nullptr;
}

void TfrmMain::ShowMainWindow(bool expand, bool activate) {
    PostWindowMessage(this, WM_HIDE_TASKBAR_WINDOW);
    if (isMinimized() || taskbarEntry_) {
        // Back from the taskbar in one step: hidden, restored and out of the taskbar (a new
        // native window), then shown once below. Restoring it on the screen first would map,
        // withdraw and map it again in quick succession, which a busy window manager can end
        // with the window withdrawn for good.
        hide();
        setWindowState(windowState() & ~Qt::WindowMinimized);
    }
    // Out of the taskbar before showing: that makes a new native window, which would not have
    // the activation asked for below.
    SetTaskbarEntry(false);
    if (activate) {
        show();
        raise();
        if (!ModalDialogOpen()) {
            activateWindow();
            // Also as the user's own request, which the window manager lets take the focus
            // from another program's window.
            ActivateDesktopWindow(uint32_t(winId()), std::exchange(activationTime_, 0));
        }
    } else {
        setAttribute(Qt::WA_ShowWithoutActivating, true);
        show();
        setAttribute(Qt::WA_ShowWithoutActivating, false);
    }
    if (expand && Collapsed())
        SetCollapsed(false);
    KeepFormInWorkArea(this, true, WorkAreaMargin);
    FocusConsoleOrCalendar();
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

void TfrmMain::Exit() {
    hide();
    close();
}

void TfrmMain::FormActivate() {
    FocusConsoleOrCalendar();
    if (ModalDialogOpen())
        return;
    // Back on top without moving or activating; an open about box comes forward with it.
    if (isVisible())
        raise();
    if (TAboutDlg* about = AboutDlg(); about && about->isVisible()) {
        about->raise();
        about->activateWindow();
    }
}

void TfrmMain::ApplicationDeactivate() {
    // The desktop alert on screen fades out with the application's activation.
    if (TTranspMsgBoxManager* alerts = TranspMsgBoxManager())
        alerts->DeactivateCurrent();
}

void TfrmMain::DisplayChanged() {
    if (isVisible())
        KeepFormInWorkArea(this, false, WorkAreaMargin);
}

// ---- Data file ------------------------------------------------------------------------------

void TfrmMain::OpenDataFile() {
    dataFile_->Open();
    ShowOpenedDataFile();
}

void TfrmMain::ShowOpenedDataFile() {
    ApplyOptions();
    manager_->ShowFiredReminders(*db_);
    RefreshAll();
    // The list window must not keep showing the entries of the file before.
    RefreshListWindow();
}

void TfrmMain::OpenPendingDataFile() {
    if (!openPending_)
        return;
    openPending_ = false;
    OpenDataFile();
    actCaptionStopBllinking->setChecked(db_->DBSettings.BlinkAlertInCaption);
}

bool TfrmMain::OpenOtherDataFile(const std::string& fileName) {
    // The file open now stays when the other cannot be read: it must have been read itself.
    OpenPendingDataFile();
    if (!dataFile_->OpenOther(fileName))
        return false;
    ShowOpenedDataFile();
    // A file that could not be read has its saves redirected.
    return dataFile_->SaveRedirect().empty();
}

void TfrmMain::SaveDataFile(bool deleteBackup) {
    // Never write the file over before it was read.
    OpenPendingDataFile();
    dataFile_->Save(deleteBackup);
    RefreshAll();
}

bool TfrmMain::SaveDataFileAs(const std::string& fileName) {
    const bool written = dataFile_->SaveAs(fileName);
    RefreshAll();
    return written;
}

void TfrmMain::SettingsStoreError(const std::string& message) {
    std::fprintf(stderr, "Tockwell: %s\n", message.c_str());
    if (settingsErrorShown_)
        return;
    settingsErrorShown_ = true;
    const std::string text = "Tockwell cannot use its settings file.\n\n" + message +
                             "\n\nTockwell goes on with default settings and does not keep "
                             "changes to them. Reminders still fire and are saved in the data "
                             "file.";
    // Never inside the caller (it may be the due check), and in turn with the alert boxes.
    QTimer::singleShot(
        0, this, [text] { ShowAlertBox([text] { MessageDlg(text, mtWarning, Buttons(mbOK)); }); });
}

void TfrmMain::ApplyOptions() {
    const TTockwellOptions& options = db_->DBSettings;
    CalendarGroup->SetStartDay(options.FirstDayOfWeek);
    RefreshTodayLabel();
    // An active hot key is registered again in any case; an inactive one goes.
    UpdateHotKey(options.HotKeyActive);
    actEnableCustomColors->setChecked(options.CustomColorsEnabled);
    actCaptionStopBllinking->setChecked(options.BlinkAlertInCaption);
}

// ---- The tick and the manager's events ------------------------------------------------------

void TfrmMain::tmTockwellSystemTimerTimer() {
    // A box or dialog opened inside the tick runs a nested event loop in which the timer goes
    // on ticking; such a tick must not start another check. Nothing inside the tick waits
    // for the user: alert boxes wait until it has ended, also those a box or dialog of the
    // tick would deliver, and a failed save's error box comes from the event loop, so
    // reminders go on firing while one waits.
    if (inTick_)
        return;
    try {
        SystemTick();
    } catch (...) {
        // Not at once: an alert box may be open, and the next tick may fail the same way.
        ShowAlertError(ExceptionText(std::current_exception()));
    }
}

void TfrmMain::SystemTick() {
    const QScopedValueRollback guard(inTick_, true);
    const TAlertBoxesHeld boxesHeld;
    manager_->CheckReminders(*db_);
    if (balloonStart_ != 0 && SecondsBetween(Now(), balloonStart_) >= balloonLifetime_) {
        balloonStart_ = 0;
        CoolTrayIcon_->HideBalloonHint();
    }
    if (++tickCount_ >= kRefreshEveryNTicks) {
        RefreshAll();
        tickCount_ = 0;
        RefreshTodayLabel();
        UpdateStatusBar(); // its distance from today may have changed
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
    // The actions' boxes wait for the user only after this save: the reminders window shows
    // them from the event loop.
    RunPendingAlertActions();
    SaveDataFile();
    RefreshListWindow();
}

void TfrmMain::ManagerReminderChanged(const IReminderAwareItemPtr&) {
    // Reminders dismissed as they fire (their reminders-window action off) are saved and
    // shown once, by the after-fire handling of their pass, not once each.
    if (manager_->Firing())
        return;
    RefreshListWindow();
    SaveDataFile();
}

void TfrmMain::ManagerEditReminder(const IReminderAwareItemPtr& item) {
    EditReminderAndShow(item, true, true, false);
}

void TfrmMain::RefreshTodayLabel() {
    lbToday->setText(
        QString::fromStdString(FormatDateTime(db_->DBSettings.TodayLabelFormat, Date())));
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
    case WM_HOTKEY:
        if (m->WParam == AppHotKeyId)
            HotKeyPressed();
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

bool TfrmMain::event(QEvent* e) {
    const bool result = QWidget::event(e);
    if (e->type() == QEvent::Paint && openPending_ && !openQueued_) {
        // Queued: it runs once this paint has gone to the screen.
        openQueued_ = true;
        QTimer::singleShot(0, this, [this] { CallGuarded([this] { OpenPendingDataFile(); }); });
    }
    return result;
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
    // The file is read before the user's first key or click acts: a change made before the
    // read would give way to what the file holds.
    if (openPending_) {
        switch (e->type()) {
        case QEvent::KeyPress:
        case QEvent::ShortcutOverride:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::ContextMenu:
        case QEvent::Drop:
            CallGuarded([this] { OpenPendingDataFile(); });
            break;
        default:
            break;
        }
    }
    if (e->type() == QEvent::KeyPress) {
        // Key preview: the window's keys before its controls see them, each key once (a key
        // that a control leaves unhandled goes on to its parents).
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget->window() != this)
            return false;
        auto* key = static_cast<QKeyEvent*>(e);
        if (keyPreview_.SeenBefore(widget, key))
            return false;
        bool used = false;
        CallGuarded([&] { used = FormKeyDown(key->key(), key->modifiers()); });
        keyPreview_.Record(widget, key, used);
        return used;
    }
    if (watched == pnlControl && e->type() == QEvent::Resize) {
        CalendarGroup->setGeometry(pnlControl->rect());
        return false;
    }
    if (watched == pnlCaption || watched == lbCaptionNotification) {
        bool used = false;
        if (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonDblClick ||
            e->type() == QEvent::MouseMove || e->type() == QEvent::MouseButtonRelease ||
            e->type() == QEvent::ContextMenu)
            CallGuarded([&] { used = CaptionMouseEvent(watched, e); });
        return used;
    }
    const bool labelEvent = e->type() == QEvent::Enter || e->type() == QEvent::Leave ||
                            e->type() == QEvent::MouseButtonRelease;
    auto* label = labelEvent ? qobject_cast<QLabel*>(watched) : nullptr;
    if (label && label->parentWidget() == pnlButtons) {
        const bool navigation = label == lbToday || label == lbPriorWeek || label == lbPriorDay ||
                                label == lbNextDay || label == lbNextWeek;
        if ((e->type() == QEvent::Enter || e->type() == QEvent::Leave) && navigation) {
            // Only the navigation labels underline under the mouse.
            QFont font = label->font();
            font.setUnderline(e->type() == QEvent::Enter);
            label->setFont(font);
        } else if (e->type() == QEvent::MouseButtonRelease &&
                   static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton &&
                   label->rect().contains(static_cast<QMouseEvent*>(e)->position().toPoint())) {
            CallGuarded([&] { LabelClick(label); });
            return true;
        }
    }
    return QWidget::eventFilter(watched, e);
}

// ---- Help and the steps that the list window fills in -------------------------------------

void TfrmMain::CreateHelpHook() {
    // The help hook on the help pages beside the program.
    helpHook_ =
        std::make_unique<THookHelpSystem>(HelpEnvironment().HelpFolder, "", HostTypeHtmlHelp);
}

void TfrmMain::FreeHelpHook() {
    helpHook_.reset();
}

void TfrmMain::SetupListWindow() {
    listWindow_ = std::make_unique<TfrmTockwellDatabaseList>();
    listWindow_->SetDatabase(db_.get());
    listWindow_->OnOpenReminder = [this](const IReminderAwareItemPtr& item) {
        CallGuarded([&] { EditReminderAndShow(item, true, true, false); });
    };
    listWindow_->OnNewReminder = [this] {
        CallGuarded(
            [this] { AddReminder("New Reminder", true, Date() + DefaultReminderTime(Now())); });
    };
    listWindow_->OnDeleteReminder = [this](const IReminderAwareItemPtr& item) {
        manager_->RemoveReminder(item);
    };
    listWindow_->OnRemindersDeleted = [this] {
        CallGuarded([this] {
            SaveDataFile();
            RefreshAll();
        });
    };
}

void TfrmMain::RefreshListWindow() {
    // A hidden list is filled when it shows.
    if (listWindow_)
        listWindow_->RefreshWhenShown();
}

void TfrmMain::ToggleListWindow() {
    TfrmTockwellDatabaseList& list = *listWindow_;
    // Hiding keeps the minimised state: a hidden window shows refreshed, minimised before or not.
    if (!list.isVisible())
        ShowListWindow();
    else if (list.isMinimized())
        list.showNormal();
    else
        list.hide();
}

void TfrmMain::ShowListWindowForSelection() {
    const std::vector<TDateTime> days = SelectedDays();
    if (days.empty()) {
        listWindow_->SetDateRange(Date(), Date());
    } else {
        const auto [first, last] = std::minmax_element(days.begin(), days.end());
        listWindow_->SetDateRange(*first, *last);
    }
    ShowListWindow();
}

void TfrmMain::ShowListWindow() {
    TfrmTockwellDatabaseList& list = *listWindow_;
    list.Refresh();
    if (list.isMinimized())
        list.showNormal();
    else
        list.show();
    list.raise();
    list.activateWindow();
}

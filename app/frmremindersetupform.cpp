// The reminder setup dialog's controls: their creation, layout and wiring.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/frmremindersetup.h"
#include "controls/edits/agendadatepicker.h"
#include "platform/datetimeformat.h"
#include "platform/gui/application.h"
#include "platform/gui/windowmessages.h"

namespace {

constexpr int kTopPanelHeight = 112;
constexpr int kSummaryPanelHeight = 40;
constexpr int kAlertsPanelHeight = 279;
constexpr int kButtonPanelHeight = 33;
constexpr int kDialogWidth = 500;

constexpr const char* IntervalItems[] = {"5 min",  "10 min", "15 min",  "20 min",
                                         "30 min", "1 hour", "2 hours", "3 hours"};

QLabel* Label(const char* caption, QWidget* buddy, QWidget* parent) {
    auto* l = new QLabel(QString::fromUtf8(caption), parent);
    if (buddy)
        l->setBuddy(buddy);
    return l;
}

QCheckBox* Check(const char* caption, QWidget* parent) {
    return new QCheckBox(QString::fromUtf8(caption), parent);
}

// A blue label that acts as a link.
QLabel* LinkLabel(QWidget* parent) {
    auto* l = new QLabel(parent);
    QPalette pal = l->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        pal.setColor(group, QPalette::WindowText, Qt::blue);
    l->setPalette(pal);
    l->setCursor(Qt::PointingHandCursor);
    return l;
}

// The play button's glyph: a green triangle pointing right.
QIcon PlayGlyph() {
    QPixmap pm(12, 12);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.moveTo(2, 1);
    path.lineTo(11, 6);
    path.lineTo(2, 11);
    path.closeSubpath();
    p.fillPath(path, QColor(0, 128, 0));
    return QIcon(pm);
}

QHBoxLayout* Row(std::initializer_list<QWidget*> widgets, bool stretch = true) {
    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    for (QWidget* w : widgets)
        row->addWidget(w);
    if (stretch)
        row->addStretch(1);
    return row;
}

} // namespace

void TReminderSetupDlg::CreateComponents() {
    setFixedWidth(kDialogWidth);
    auto* form = new QVBoxLayout(this);
    form->setContentsMargins(0, 0, 0, 0);
    form->setSpacing(0);

    // Top panel: time, caption, notes.
    pnlTop = new QWidget(this);
    pnlTop->setFixedHeight(kTopPanelHeight);
    auto* top = new QGridLayout(pnlTop);
    top->setContentsMargins(8, 8, 8, 4);
    top->setVerticalSpacing(4);
    dtReminderDateTime = new TAgendaDatePicker(pnlTop);
    dtReminderDateTime->setObjectName(QStringLiteral("dtReminderDateTime"));
    dtReminderDateTime->SetButtonWidth(16);
    dtReminderDateTime->HideCalendarAfterSelection = true;
    dtReminderDateTime->setToolTip(QStringLiteral(
        "Possible inputs: \"in 5 min\", \"tomorrow 2pm\", \"next Fri 5pm\",  \"Jan26 3pm\" etc"));
    dtReminderDateTime->setMinimumWidth(170);
    lbTimeDifference = new QLabel(pnlTop);
    edCaption = new QLineEdit(pnlTop);
    memNotes = new QPlainTextEdit(pnlTop);
    memNotes->setTabChangesFocus(true);
    memNotes->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    top->addWidget(Label("&Time:", dtReminderDateTime, pnlTop), 0, 0);
    auto* timeRow = new QHBoxLayout;
    timeRow->addWidget(dtReminderDateTime);
    timeRow->addWidget(lbTimeDifference, 1);
    top->addLayout(timeRow, 0, 1);
    top->addWidget(Label("&Caption:", edCaption, pnlTop), 1, 0);
    top->addWidget(edCaption, 1, 1);
    top->addWidget(Label("&Notes:", memNotes, pnlTop), 2, 0, Qt::AlignTop);
    top->addWidget(memNotes, 2, 1);
    top->setRowStretch(2, 1);
    form->addWidget(pnlTop);

    // The alerts summary, shown while the alerts panel is hidden.
    pnlAlertsSummary = new QWidget(this);
    pnlAlertsSummary->setFixedHeight(kSummaryPanelHeight);
    auto* summary = new QHBoxLayout(pnlAlertsSummary);
    summary->setContentsMargins(8, 2, 8, 2);
    lbAlertsDesc = LinkLabel(pnlAlertsSummary);
    lbAlertsDesc->setWordWrap(true);
    summary->addWidget(lbAlertsDesc);
    form->addWidget(pnlAlertsSummary);

    // The alerts panel: the actions, the repetition, the defaults and the recurrence.
    pnlAlerts = new QWidget(this);
    pnlAlerts->setFixedHeight(kAlertsPanelHeight);
    auto* alerts = new QVBoxLayout(pnlAlerts);
    alerts->setContentsMargins(8, 0, 8, 0);
    alerts->setSpacing(2);
    auto* group = new QGroupBox(QStringLiteral("Alert Actions "), pnlAlerts);
    GroupBox1 = group;
    auto* actions = new QVBoxLayout(group);
    actions->setContentsMargins(8, 4, 8, 4);
    actions->setSpacing(2);
    cbActivateRemindWnd = Check("Activate in Reminders &Window", group);
    cbShowAlertWnd = Check("S&how Desktop Alert", group);
    cbSentEmail = Check("&Send e-mail to:", group);
    cbEmails = new QComboBox(group);
    cbEmails->setEditable(true);
    cbEmails->setInsertPolicy(QComboBox::NoInsert);
    cbEmails->setMaxVisibleItems(15);
    cbEmails->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    cbEmails->setMinimumContentsLength(10);
    btnSMTPsetup = new QPushButton(QStringLiteral("Setup..."), group);
    cbRunApp = Check("R&un application", group);
    edAppPath = new QLineEdit(group);
    cbModalDialog = Check("Show &modal dialog", group);
    cbPlaySound = Check("&Play sound", group);
    edAudioFile = new QLineEdit(group);
    btnBrowseAudioFile = new QPushButton(QStringLiteral("..."), group);
    btnBrowseAudioFile->setFixedWidth(24);
    sbPlay = new QToolButton(group);
    sbPlay->setIcon(PlayGlyph());
    sbPlay->setAutoRaise(true);
    sbPlay->setFixedSize(22, 22);
    cbAnimateInTray = Check("&Animate in tray", group);
    cbAnimateInTray->hide();
    Button1 = new QPushButton(QStringLiteral("Alert window options..."), group);
    Button1->hide();
    actions->addWidget(cbActivateRemindWnd);
    actions->addWidget(cbShowAlertWnd);
    actions->addLayout(Row({cbSentEmail, cbEmails, btnSMTPsetup}, false));
    actions->addLayout(Row({cbRunApp, edAppPath}, false));
    actions->addWidget(cbModalDialog);
    actions->addLayout(Row({cbPlaySound, edAudioFile, btnBrowseAudioFile, sbPlay}, false));
    actions->addWidget(cbAnimateInTray);
    actions->addWidget(Button1);
    alerts->addWidget(group);

    cbIsAutoAlertEnabled = Check("R&epeat Alert Actions", pnlAlerts);
    alerts->addWidget(cbIsAutoAlertEnabled);
    pnlRepeatAlert = new QWidget(pnlAlerts);
    auto* repeat = new QHBoxLayout(pnlRepeatAlert);
    repeat->setContentsMargins(18, 0, 0, 0);
    repeat->setSpacing(4);
    cbAutoAlertDelta = new QComboBox(pnlRepeatAlert);
    cbAutoAlertDelta->setEditable(true);
    cbAutoAlertDelta->setInsertPolicy(QComboBox::NoInsert);
    for (const char* item : IntervalItems)
        cbAutoAlertDelta->addItem(QString::fromUtf8(item));
    cbAutoAlertDelta->setFixedWidth(80);
    cbLimitAutoAlertCount = Check("S&top alerts after ", pnlRepeatAlert);
    edMaxAutoAlertCount = new QLineEdit(QStringLiteral("3"), pnlRepeatAlert);
    edMaxAutoAlertCount->setFixedWidth(36);
    repeat->addWidget(Label("Repeat alerts e&very ", cbAutoAlertDelta, pnlRepeatAlert));
    repeat->addWidget(cbAutoAlertDelta);
    repeat->addSpacing(8);
    repeat->addWidget(cbLimitAutoAlertCount);
    repeat->addWidget(edMaxAutoAlertCount);
    repeat->addWidget(Label("occurrences", nullptr, pnlRepeatAlert));
    repeat->addStretch(1);
    alerts->addWidget(pnlRepeatAlert);

    cbSaveAsDefault = Check("Save as &default alerts", pnlAlerts);
    alerts->addWidget(cbSaveAsDefault);
    btnReccur = new QPushButton(QStringLiteral("&Recurrence..."), pnlAlerts);
    lbReccur = LinkLabel(pnlAlerts);
    lbReccur->setToolTip(QStringLiteral("Reminder reoccurs once dismissed."));
    alerts->addLayout(Row({btnReccur, lbReccur}));
    alerts->addStretch(1);
    form->addWidget(pnlAlerts);

    // Buttons.
    pnlButtons = new QWidget(this);
    pnlButtons->setFixedHeight(kButtonPanelHeight);
    auto* buttons = new QHBoxLayout(pnlButtons);
    buttons->setContentsMargins(8, 4, 8, 4);
    btnAlerts = new QPushButton(QStringLiteral("Advanced >>"), pnlButtons);
    btnDismiss = new QPushButton(QStringLiteral("D&ismiss..."), pnlButtons);
    btnOK = new QPushButton(QStringLiteral("OK"), pnlButtons);
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), pnlButtons);
    buttons->addWidget(btnAlerts);
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    buttons->addWidget(btnDismiss);
    form->addWidget(pnlButtons);

    // The tab order follows the form: time, caption, notes, actions, repetition, buttons.
    QWidget* order[] = {dtReminderDateTime,
                        edCaption,
                        memNotes,
                        cbActivateRemindWnd,
                        cbShowAlertWnd,
                        cbSentEmail,
                        cbEmails,
                        btnSMTPsetup,
                        cbRunApp,
                        edAppPath,
                        cbModalDialog,
                        cbPlaySound,
                        edAudioFile,
                        btnBrowseAudioFile,
                        sbPlay,
                        cbIsAutoAlertEnabled,
                        cbAutoAlertDelta,
                        cbLimitAutoAlertCount,
                        edMaxAutoAlertCount,
                        cbSaveAsDefault,
                        btnReccur,
                        btnOK,
                        btnCancel,
                        btnDismiss,
                        btnAlerts};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TReminderSetupDlg::ConnectHandlers() {
    auto guarded = [this](auto* sender, auto signal, auto handler) {
        connect(sender, signal, this, [handler] { CallGuarded(handler); });
    };
    guarded(btnOK, &QPushButton::clicked, [this] { btnOKClick(); });
    guarded(btnCancel, &QPushButton::clicked, [this] { btnCancelClick(); });
    guarded(btnDismiss, &QPushButton::clicked, [this] { btnDismissClick(); });
    guarded(btnAlerts, &QPushButton::clicked, [this] { btnAlertsClick(); });
    guarded(btnReccur, &QPushButton::clicked, [this] { btnReccurClick(); });
    guarded(btnSMTPsetup, &QPushButton::clicked, [this] { btnSMTPsetupClick(); });
    guarded(btnBrowseAudioFile, &QPushButton::clicked, [this] { btnBrowseAudioFileClick(); });
    guarded(sbPlay, &QToolButton::clicked, [this] { sbPlayClick(); });
    for (QCheckBox* box : {cbSentEmail, cbRunApp, cbPlaySound, cbIsAutoAlertEnabled})
        guarded(box, &QCheckBox::toggled, [this] { UpdateDependentControls(); });
    // A box that turns on focuses its edit.
    connect(cbRunApp, &QCheckBox::clicked, this, [this](bool on) {
        if (on)
            edAppPath->setFocus();
    });
    connect(cbPlaySound, &QCheckBox::clicked, this, [this](bool on) {
        if (on)
            edAudioFile->setFocus();
    });
    connect(cbEmails, &QComboBox::currentTextChanged, this,
            [this] { CallGuarded([this] { cbEmailsChange(); }); });

    dtReminderDateTime->OnChange = [this](QObject*) { dateChanged_ = true; };
    dtReminderDateTime->OnExit = [this](QObject*) { CallGuarded([this] { DateFieldExit(); }); };
    dtReminderDateTime->OnKeyDown = [this](QObject*, int& key, Qt::KeyboardModifiers shift) {
        const bool alt = shift & Qt::AltModifier;
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (shift & Qt::ControlModifier)
                return; // the form's Ctrl+Enter
            key = 0;
            CallGuarded([this] { DateFieldConfirmKey(); });
        } else if (key == Qt::Key_Up || key == Qt::Key_Down) {
            key = 0;
            CallGuarded([this, alt] { DateFieldNavigateKey(alt); });
        } else if (key == Qt::Key_Escape) {
            key = 0;
            btnCancel->click();
        }
    };
    dtReminderDateTime->OnClickBtn = [this](QObject*) {
        CallGuarded([this] {
            DateFieldExit();
            keptDate_ = FieldDate(Now());
            dtReminderDateTime->SetDate(keptDate_);
            PostWindowMessage(this, WM_UPDATE_DATE_TEXT);
        });
    };
    dtReminderDateTime->OnDaySelect = [this](QObject*, TDateTime) {
        CallGuarded([this] {
            ApplyPickedDay();
            DateFieldExit();
            // The time is selected, so that typing replaces it.
            const QString text = dtReminderDateTime->text();
            const QString time = QString::fromStdString(FormatDateTime("t", keptDate_));
            const int at = time.isEmpty() ? -1 : text.lastIndexOf(time);
            if (at >= 0)
                dtReminderDateTime->setSelection(at, int(time.size()));
        });
    };

    cbAutoAlertDelta->installEventFilter(this);
    cbAutoAlertDelta->lineEdit()->installEventFilter(this);
    lbAlertsDesc->installEventFilter(this);
    lbReccur->installEventFilter(this);

    for (const QKeySequence& keys :
         {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, btnOK, &QPushButton::click);
    }
}

// The recurrence dialog's controls: their creation, layout, lists and change handlers.
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "app/frmrecurpattern.h"
#include "app/helpsystem.h"
#include "platform/formatsettings.h"
#include "platform/gui/dialogplacement.h"
#include "platform/gui/qtdatetime.h"

namespace {

constexpr const char* DurationItems[] = {"10 min",   "15 min", "30 min",  "1 hour",
                                         "1h 15min", "1h 30m", "2 hours", "4 hours",
                                         "8 hours",  "1d 12h", "3d"};
constexpr const char* InstanceItems[] = {"first", "second", "third", "fourth", "last"};

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

QRadioButton* Radio(const char* caption, QWidget* parent) {
    return new QRadioButton(QString::fromUtf8(caption), parent);
}

QLineEdit* NumberEdit(const char* text, QWidget* parent) {
    auto* e = new QLineEdit(QString::fromUtf8(text), parent);
    e->setFixedWidth(40);
    return e;
}

QComboBox* DropDown(QWidget* parent) {
    auto* c = new QComboBox(parent);
    c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return c;
}

QComboBox* DurationCombo(const char* text, QWidget* parent) {
    auto* c = new QComboBox(parent);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    for (const char* item : DurationItems)
        c->addItem(QString::fromUtf8(item));
    c->setEditText(QString::fromUtf8(text));
    c->setMinimumWidth(110);
    return c;
}

QLabel* Text(const char* caption, QWidget* parent) {
    return new QLabel(QString::fromUtf8(caption), parent);
}

// One row of controls, left-aligned.
QHBoxLayout* Row(std::initializer_list<QWidget*> widgets) {
    auto* row = new QHBoxLayout;
    for (QWidget* w : widgets)
        row->addWidget(w);
    row->addStretch(1);
    return row;
}

} // namespace

// ---- Creation -------------------------------------------------------------------------------

TfrmTaskRecurPattern::TfrmTaskRecurPattern(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmTaskRecurPattern"));
    setWindowTitle(QStringLiteral("Reminder Recurrence"));
    SetHelpContext(this, HelpContextRecurrence);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    PlaceDialog(this);
    CreateComponents();
    FillLists();
    ConnectHandlers();
}

TfrmTaskRecurPattern::~TfrmTaskRecurPattern() = default;

void TfrmTaskRecurPattern::CreateComponents() {
    auto* main = new QVBoxLayout(this);

    // The pattern: type radios on the left, the type's page on the right.
    gbPattern = new QGroupBox(QStringLiteral("&Recurrence pattern "), this);
    auto* patternRow = new QHBoxLayout(gbPattern);
    auto* types = new QVBoxLayout;
    rbHourly = Radio("&Hourly", gbPattern);
    rbDaily = Radio("&Daily", gbPattern);
    rbWeekly = Radio("&Weekly", gbPattern);
    rbMonthly = Radio("&Monthly", gbPattern);
    rbYearly = Radio("&Yearly", gbPattern);
    rbDaily->setChecked(true);
    for (QRadioButton* r : {rbHourly, rbDaily, rbWeekly, rbMonthly, rbYearly})
        types->addWidget(r);
    types->addStretch(1);
    patternRow->addLayout(types);
    auto* separator = new QFrame(gbPattern);
    separator->setFrameShape(QFrame::VLine);
    separator->setFrameShadow(QFrame::Sunken);
    patternRow->addWidget(separator);
    nbPatternPages = new QStackedWidget(gbPattern);
    patternRow->addWidget(nbPatternPages, 1);

    // Hourly.
    pgHourly = new QWidget;
    {
        auto* l = new QVBoxLayout(pgHourly);
        rgHourly = Radio("E&very", pgHourly);
        rgHourly->setChecked(true);
        cbHourly = DurationCombo("1 hour", pgHourly);
        l->addLayout(Row({rgHourly, cbHourly}));
        rgHourlyRandom = Radio("&Random from", pgHourly);
        cbHourlyRand1 = DurationCombo("1 hour", pgHourly);
        auto* to = Text("&to", pgHourly);
        cbHourlyRand2 = DurationCombo("2 hours", pgHourly);
        to->setBuddy(cbHourlyRand2);
        l->addLayout(Row({rgHourlyRandom, cbHourlyRand1, to, cbHourlyRand2}));
        cbOpenCloseHours = new QCheckBox(QStringLiteral("&Consider open closed hours"), pgHourly);
        l->addWidget(cbOpenCloseHours);
        pnlOpenCloseHours = new QWidget(pgHourly);
        auto* hours = new QVBoxLayout(pnlOpenCloseHours);
        hours->setContentsMargins(20, 0, 0, 0);
        Button1 = new QPushButton(QStringLiteral("&Open && closed hours..."), pnlOpenCloseHours);
        Button1->setAutoDefault(false);
        hours->addLayout(Row({Button1}));
        lbOpenCloseText = new QLabel(pnlOpenCloseHours);
        lbOpenCloseText->setWordWrap(true);
        lbOpenCloseText->setCursor(Qt::PointingHandCursor);
        lbOpenCloseText->setStyleSheet(QStringLiteral("color: blue"));
        lbOpenCloseText->installEventFilter(this);
        hours->addWidget(lbOpenCloseText);
        l->addWidget(pnlOpenCloseHours);
        l->addStretch(1);
    }

    // Daily.
    pgDaily = new QWidget;
    {
        auto* l = new QVBoxLayout(pgDaily);
        rbEveryD = Radio("E&very", pgDaily);
        rbEveryD->setChecked(true);
        edIntervalD = NumberEdit("1", pgDaily);
        l->addLayout(Row({rbEveryD, edIntervalD, Text("day(s)", pgDaily)}));
        rbEveryWeekD = Radio("&Every weekday", pgDaily);
        l->addWidget(rbEveryWeekD);
        rbRegenD = Radio("Re&generate new task", pgDaily);
        edIntervalDc = NumberEdit("1", pgDaily);
        l->addLayout(
            Row({rbRegenD, edIntervalDc, Text("day(s) after each task is completed", pgDaily)}));
        l->addStretch(1);
    }

    // Weekly.
    pgWeekly = new QWidget;
    {
        auto* l = new QVBoxLayout(pgWeekly);
        rbEveryW = Radio("Re&cur every ", pgWeekly);
        rbEveryW->setChecked(true);
        edIntervalW = NumberEdit("1", pgWeekly);
        l->addLayout(Row({rbEveryW, edIntervalW, Text("week(s) on", pgWeekly)}));
        auto* days = new QGridLayout;
        days->setContentsMargins(20, 0, 0, 0);
        const auto& names = EnglishFormatSettings().LongDayNames;
        // Monday first, as a working week reads.
        for (int i = 0; i < 7; ++i) {
            cbWeekDays[i] = new QCheckBox(Q(names[i]), pgWeekly);
            int pos = (i + 6) % 7;
            days->addWidget(cbWeekDays[i], pos / 4, pos % 4);
        }
        l->addLayout(days);
        rbRegenW = Radio("Re&generate new task", pgWeekly);
        edIntervalWc = NumberEdit("1", pgWeekly);
        l->addLayout(
            Row({rbRegenW, edIntervalWc, Text("week(s) after each task is completed", pgWeekly)}));
        l->addStretch(1);
    }

    // Monthly.
    pgMonthly = new QWidget;
    {
        auto* l = new QVBoxLayout(pgMonthly);
        rbDay = Radio("D&ay", pgMonthly);
        rbDay->setChecked(true);
        edDayOfMonthM = NumberEdit("1", pgMonthly);
        edIntervalM = NumberEdit("1", pgMonthly);
        l->addLayout(Row({rbDay, edDayOfMonthM, Text("of every", pgMonthly), edIntervalM,
                          Text("month(s)", pgMonthly)}));
        rbTheM = Radio("Th&e", pgMonthly);
        cbInstanceM = DropDown(pgMonthly);
        cbWeekDaysMaskM = DropDown(pgMonthly);
        edIntervalMi = NumberEdit("1", pgMonthly);
        l->addLayout(Row({rbTheM, cbInstanceM, cbWeekDaysMaskM, Text("of every", pgMonthly),
                          edIntervalMi, Text("month(s)", pgMonthly)}));
        rbRegenM = Radio("Re&generate new task", pgMonthly);
        edIntervalMc = NumberEdit("1", pgMonthly);
        l->addLayout(Row(
            {rbRegenM, edIntervalMc, Text("month(s) after each task is completed", pgMonthly)}));
        l->addStretch(1);
    }

    // Yearly.
    pgYearly = new QWidget;
    {
        auto* l = new QVBoxLayout(pgYearly);
        rbEveryY = Radio("E&very", pgYearly);
        rbEveryY->setChecked(true);
        cbMonthOfYear = DropDown(pgYearly);
        edDayOfMonthY = NumberEdit("1", pgYearly);
        l->addLayout(Row({rbEveryY, cbMonthOfYear, edDayOfMonthY}));
        rbTheY = Radio("Th&e", pgYearly);
        cbInstanceY = DropDown(pgYearly);
        cbWeekDaysMaskY = DropDown(pgYearly);
        cbMonthOfYeari = DropDown(pgYearly);
        l->addLayout(
            Row({rbTheY, cbInstanceY, cbWeekDaysMaskY, Text("of", pgYearly), cbMonthOfYeari}));
        rbRegenY = Radio("Re&generate new task", pgYearly);
        edIntervalYc = NumberEdit("1", pgYearly);
        l->addLayout(
            Row({rbRegenY, edIntervalYc, Text("years(s) after each task is completed", pgYearly)}));
        l->addStretch(1);
    }
    for (QWidget* page : {pgHourly, pgDaily, pgWeekly, pgMonthly, pgYearly})
        nbPatternPages->addWidget(page);
    pgHourly->setObjectName(QStringLiteral("pgHourly"));
    pgDaily->setObjectName(QStringLiteral("pgDaily"));
    pgWeekly->setObjectName(QStringLiteral("pgWeekly"));
    pgMonthly->setObjectName(QStringLiteral("pgMonthly"));
    pgYearly->setObjectName(QStringLiteral("pgYearly"));
    main->addWidget(gbPattern);

    // The next occurrence.
    auto* gbNext = new QGroupBox(QStringLiteral("Next occurrence"), this);
    auto* dueLabel = Text("Date and ti&me:", gbNext);
    dtDueDate = new QDateEdit(gbNext);
    dtDueDate->setDisplayFormat(LocaleDateEditFormat());
    dtDueDate->setCalendarPopup(true);
    dtDueTime = new QTimeEdit(gbNext);
    dtDueTime->setDisplayFormat(LocaleTimeEditFormat());
    dueLabel->setBuddy(dtDueDate);
    auto* nextRow = Row({dueLabel, dtDueDate, dtDueTime});
    gbNext->setLayout(nextRow);
    main->addWidget(gbNext);

    // The end.
    auto* gbEnd = new QGroupBox(QStringLiteral(" End occurrences "), this);
    auto* end = new QGridLayout(gbEnd);
    rbNoEndDate = Radio("N&o end date", gbEnd);
    rbNoEndDate->setChecked(true);
    rbEndAfter = Radio("End a&fter", gbEnd);
    edStopOccurrences = NumberEdit("10", gbEnd);
    rbEndBy = Radio("End &by", gbEnd);
    dtpEndDate = new QDateEdit(gbEnd);
    dtpEndDate->setDisplayFormat(LocaleDateEditFormat());
    dtpEndDate->setCalendarPopup(true);
    end->addWidget(rbNoEndDate, 0, 0);
    end->addWidget(rbEndAfter, 1, 0);
    end->addLayout(Row({edStopOccurrences, Text("occurrences", gbEnd)}), 1, 1);
    end->addWidget(rbEndBy, 2, 0);
    end->addLayout(Row({dtpEndDate}), 2, 1);
    end->setColumnStretch(1, 1);
    main->addWidget(gbEnd);

    // The buttons.
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnRemoveRecurrence = new QPushButton(QStringLiteral("Remove Rec&urrence"), this);
    btnAdvancedOptions = new QPushButton(QStringLiteral("Advanced options..."), this);
    btnAdvancedOptions->hide();
    for (QPushButton* b : {btnCancel, btnRemoveRecurrence, btnAdvancedOptions})
        b->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* b : {btnOK, btnCancel, btnRemoveRecurrence, btnAdvancedOptions})
        buttons->addWidget(b);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmTaskRecurPattern::FillLists() {
    const TFormatSettings& fs = LocaleSettings();
    for (QComboBox* c : {cbInstanceM, cbInstanceY}) {
        for (const char* item : InstanceItems)
            c->addItem(QString::fromUtf8(item));
    }
    for (QComboBox* c : {cbWeekDaysMaskM, cbWeekDaysMaskY}) {
        c->addItems(
            {QStringLiteral("day"), QStringLiteral("weekday"), QStringLiteral("weekend day")});
        for (const std::string& name : fs.LongDayNames)
            c->addItem(Q(name));
    }
    for (QComboBox* c : {cbMonthOfYear, cbMonthOfYeari})
        for (const std::string& name : fs.LongMonthNames)
            c->addItem(Q(name));
}

void TfrmTaskRecurPattern::ConnectHandlers() {
    for (QRadioButton* r : {rbHourly, rbDaily, rbWeekly, rbMonthly, rbYearly})
        connect(r, &QRadioButton::clicked, this, [this] { TypeClick(); });

    auto edit = [this](QLineEdit* e, QRadioButton* radio) {
        connect(e, &QLineEdit::textChanged, this, [this, radio] { ChangedFor(radio); });
    };
    auto list = [this](QComboBox* c, QRadioButton* radio) {
        connect(c, &QComboBox::currentIndexChanged, this, [this, radio] { ChangedFor(radio); });
    };
    edit(edIntervalD, rbEveryD);
    edit(edIntervalDc, rbRegenD);
    edit(edIntervalW, rbEveryW);
    edit(edIntervalWc, rbRegenW);
    edit(edDayOfMonthM, rbDay);
    edit(edIntervalM, rbDay);
    list(cbInstanceM, rbTheM);
    list(cbWeekDaysMaskM, rbTheM);
    edit(edIntervalMi, rbTheM);
    edit(edIntervalMc, rbRegenM);
    list(cbMonthOfYear, rbEveryY);
    edit(edDayOfMonthY, rbEveryY);
    list(cbInstanceY, rbTheY);
    list(cbWeekDaysMaskY, rbTheY);
    list(cbMonthOfYeari, rbTheY);
    edit(edIntervalYc, rbRegenY);
    edit(edStopOccurrences, rbEndAfter);

    for (QRadioButton* r : {rbEveryD, rbEveryWeekD, rbEveryW, rbDay, rbTheM, rbEveryY, rbTheY})
        connect(r, &QRadioButton::clicked, this, [this] { ChangedFor(nullptr); });
    for (QCheckBox* c : cbWeekDays)
        connect(c, &QCheckBox::clicked, this, [this] { ChangedFor(nullptr); });
    for (QRadioButton* r : {rbRegenD, rbRegenW, rbRegenM, rbRegenY})
        connect(r, &QRadioButton::clicked, this, [this] { RegenClick(); });
    connect(dtpEndDate, &QDateEdit::dateChanged, this, [this] {
        if (updating_ == 0)
            rbEndBy->setChecked(true);
    });
    connect(cbHourly, &QComboBox::editTextChanged, this, [this] {
        if (updating_ == 0)
            rgHourly->setChecked(true);
    });
    for (QComboBox* c : {cbHourlyRand1, cbHourlyRand2})
        connect(c, &QComboBox::editTextChanged, this, [this] {
            if (updating_ == 0)
                rgHourlyRandom->setChecked(true);
        });
    for (QComboBox* c : {cbHourly, cbHourlyRand1, cbHourlyRand2}) {
        c->lineEdit()->installEventFilter(this);
        connect(c, &QComboBox::activated, this, [this, c] {
            FormatDurationCombo(c);
            btnOK->setDefault(true);
        });
    }
    connect(cbOpenCloseHours, &QCheckBox::toggled, this, [this] {
        if (updating_ == 0)
            UpdateHoursPanel();
    });
    // The end radios change which end controls apply.
    for (QRadioButton* r : {rbNoEndDate, rbEndAfter, rbEndBy})
        connect(r, &QRadioButton::toggled, this, [this] {
            if (updating_ == 0)
                UpdateEndControls();
        });

    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnRemoveRecurrence, &QPushButton::clicked, this,
            [this] { btnRemoveRecurrenceClick(); });
}

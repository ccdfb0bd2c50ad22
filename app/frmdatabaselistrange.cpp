// The top panel of the reminders list window: the predefined ranges, the date pickers and
// their rules. Kept apart from the tree's source: the edit and tree headers do not mix.
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cmath>
#include <vector>

#include "app/frmdatabaselist.h"
#include "controls/edits/agendadatepicker.h"
#include "core/dateparser.h"
#include "platform/datetime.h"

namespace {

TDateTime WeekMonday(TDateTime day) {
    return day - (DayOfTheWeek(day) - 1);
}

TDateTime FirstOfMonth(TDateTime day, int monthsAhead) {
    int y, m, d;
    DecodeDate(day, y, m, d);
    return IncMonth(EncodeDate(y, m, 1), monthsAhead);
}

TDateTime LastOfMonth(TDateTime first) {
    int y, m, d;
    DecodeDate(first, y, m, d);
    return EncodeDate(y, m, DaysInAMonth(y, m));
}

// A range's scope guard: the range controls ignore their own changes while it lives.
class TRangeUpdate {
public:
    explicit TRangeUpdate(int& counter) : counter_(counter) { ++counter_; }
    ~TRangeUpdate() { --counter_; }
    TRangeUpdate(const TRangeUpdate&) = delete;
    TRangeUpdate& operator=(const TRangeUpdate&) = delete;

private:
    int& counter_;
};

// The range panel (height 32): its controls keep their sizes, and the window is never
// narrower than they need, so that every one of them stays in reach.
class TRangePanel : public QWidget {
public:
    explicit TRangePanel(QWidget* parent) : QWidget(parent) {
        setFixedHeight(32);
        setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    }
    QSize minimumSizeHint() const override { return sizeHint(); }
};

} // namespace

void PredefinedRangeDates(TPredefinedRange range, TDateTime today, TDateTime& fromDate,
                          TDateTime& toDate) {
    today = std::trunc(today);
    switch (range) {
    case prAll:
        fromDate = toDate = 0;
        break;
    case prToday:
        fromDate = toDate = today;
        break;
    case prTomorrow:
        fromDate = toDate = today + 1;
        break;
    case prNext7Days:
        fromDate = today;
        toDate = today + 6;
        break;
    case prThisWeek:
        fromDate = WeekMonday(today);
        toDate = fromDate + 6;
        break;
    case prNextWeek:
        fromDate = WeekMonday(today) + 7;
        toDate = fromDate + 6;
        break;
    case prThisMonth:
        fromDate = FirstOfMonth(today, 0);
        toDate = LastOfMonth(fromDate);
        break;
    case prNextMonth:
        fromDate = FirstOfMonth(today, 1);
        toDate = LastOfMonth(fromDate);
        break;
    }
}

bool InDateRange(TDateTime next, TDateTime fromDate, TDateTime toDate) {
    if (fromDate != 0 && next < fromDate)
        return false;
    return toDate == 0 || next < toDate + 1;
}

QWidget* TfrmTockwellDatabaseList::CreateRangePanel() {
    auto* top = new TRangePanel(this);
    auto* row = new QHBoxLayout(top);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(4);
    rgPredefinedRange = new QRadioButton(QStringLiteral("Predefined range:"), top);
    rgPredefinedRange->setChecked(true);
    cbPredefinedRange = new QComboBox(top);
    cbPredefinedRange->addItems({"All", "today", "tomorrow", "next 7 days", "this week",
                                 "next week", "this month", "next month"});
    cbPredefinedRange->setCurrentIndex(0);
    rgCustomRange = new QRadioButton(QStringLiteral("From:"), top);
    dtpFrom = new TAgendaDatePicker(top);
    dtpFrom->setFixedWidth(132);
    dtpFrom->SetEmptyText("None");
    auto* toLabel = new QLabel(QStringLiteral("To:"), top);
    dtpTo = new TAgendaDatePicker(top);
    dtpTo->setFixedWidth(122);
    dtpTo->SetEmptyText("None");
    sbRefresh = new QPushButton(QStringLiteral("Refresh"), top);
    SpeedButton1 = new QPushButton(QStringLiteral("Close"), top);
    for (QWidget* w : std::initializer_list<QWidget*>{rgPredefinedRange, cbPredefinedRange,
                                                      rgCustomRange, dtpFrom, toLabel, dtpTo})
        row->addWidget(w);
    row->addStretch(1);
    for (QPushButton* button : {sbRefresh, SpeedButton1}) {
        // Speed buttons: as wide as their caption needs.
        button->setFixedWidth(button->fontMetrics().horizontalAdvance(button->text()) + 20);
        row->addWidget(button);
    }
    return top;
}

void TfrmTockwellDatabaseList::ConnectRangeControls() {
    connect(cbPredefinedRange, &QComboBox::activated, this, [this](int index) {
        if (rangeUpdating_ == 0)
            SelectPredefinedRange(static_cast<TPredefinedRange>(index));
    });
    connect(rgPredefinedRange, &QRadioButton::clicked, this, [this] {
        if (rangeUpdating_ != 0)
            return;
        cbPredefinedRange->setFocus();
        cbPredefinedRange->showPopup();
    });
    connect(rgCustomRange, &QRadioButton::clicked, this, [this] {
        if (rangeUpdating_ != 0)
            return;
        dtpFrom->setFocus();
        dtpFrom->DropDown();
    });
    for (TAgendaDatePicker* picker : {dtpFrom, dtpTo}) {
        picker->OnClickBtn = [this, picker](QObject*) { PickerButton(picker); };
        picker->OnExit = [this, picker](QObject*) { PickerExit(picker); };
        picker->OnDaySelect = [this, picker](QObject*, TDateTime) { PickerDaySelect(picker); };
        picker->installEventFilter(this);
    }
}

void TfrmTockwellDatabaseList::DisconnectPickers() {
    for (TAgendaDatePicker* picker : {dtpFrom, dtpTo}) {
        picker->OnClickBtn = nullptr;
        picker->OnExit = nullptr;
        picker->OnDaySelect = nullptr;
    }
}

TDateTime TfrmTockwellDatabaseList::FromDate() const {
    return std::trunc(dtpFrom->Date());
}

TDateTime TfrmTockwellDatabaseList::ToDate() const {
    return std::trunc(dtpTo->Date());
}

void TfrmTockwellDatabaseList::SetPickerDate(bool toPicker, TDateTime day) {
    TAgendaDatePicker* picker = toPicker ? dtpTo : dtpFrom;
    {
        TRangeUpdate update(rangeUpdating_);
        picker->SetDate(day);
    }
    RangeCheck(picker);
}

bool TfrmTockwellDatabaseList::PickerEvent(QObject* watched, int key, Qt::KeyboardModifiers shift) {
    for (TAgendaDatePicker* picker : {dtpFrom, dtpTo})
        if (watched == picker)
            return PickerKey(picker, key, shift);
    return false;
}

// ---- range controls -----------------------------------------------------------------------

void TfrmTockwellDatabaseList::SetDateRange(TDateTime fromDate, TDateTime toDate) {
    TRangeUpdate update(rangeUpdating_);
    rgCustomRange->setChecked(true);
    cbPredefinedRange->setCurrentIndex(-1);
    dtpFrom->SetDate(fromDate);
    dtpTo->SetDate(toDate);
}

void TfrmTockwellDatabaseList::SelectPredefinedRange(TPredefinedRange range) {
    {
        TRangeUpdate update(rangeUpdating_);
        rgPredefinedRange->setChecked(true);
        cbPredefinedRange->setCurrentIndex(range);
        TDateTime fromDate = 0, toDate = 0;
        PredefinedRangeDates(range, Date(), fromDate, toDate);
        dtpFrom->SetDate(fromDate);
        dtpTo->SetDate(toDate);
    }
    Refresh();
}

void TfrmTockwellDatabaseList::PickerButton(TAgendaDatePicker* picker) {
    picker->setFocus();
    PickerExit(picker);
    if (picker->Date() == 0) {
        TRangeUpdate update(rangeUpdating_);
        picker->SetDate(Date());
    }
}

void TfrmTockwellDatabaseList::PickerExit(TAgendaDatePicker* picker) {
    if (rangeUpdating_ != 0)
        return;
    {
        TRangeUpdate update(rangeUpdating_);
        const TDateTime day = std::trunc(ParseDateTimeText(picker->text().toStdString()));
        picker->SetDate(day > 0 ? day : 0);
    }
    RangeCheck(picker);
}

void TfrmTockwellDatabaseList::PickerDaySelect(TAgendaDatePicker* picker) {
    if (rangeUpdating_ != 0)
        return;
    // Several days picked: the range from the earliest to the latest.
    std::vector<TDateTime> days;
    const TSelDateItems& dates = picker->Calendar().Dates();
    for (int i = 0; i < dates.Count(); ++i)
        if (dates[i]->Date() > 0)
            days.push_back(std::trunc(dates[i]->Date()));
    if (days.size() < 2) {
        PickerExit(picker);
        return;
    }
    const auto [first, last] = std::minmax_element(days.begin(), days.end());
    {
        TRangeUpdate update(rangeUpdating_);
        dtpFrom->SetDate(*first);
        dtpTo->SetDate(*last);
    }
    RangeCheck(picker);
}

void TfrmTockwellDatabaseList::RangeCheck(TAgendaDatePicker* changed) {
    {
        TRangeUpdate update(rangeUpdating_);
        rgCustomRange->setChecked(true);
        cbPredefinedRange->setCurrentIndex(-1);
        const TDateTime fromDate = dtpFrom->Date(), toDate = dtpTo->Date();
        if (fromDate != 0 && toDate != 0) {
            if (changed == dtpFrom && fromDate > toDate)
                dtpTo->SetDate(fromDate);
            else if (changed == dtpTo && toDate < fromDate)
                dtpFrom->SetDate(toDate);
        }
    }
    Refresh();
}

bool TfrmTockwellDatabaseList::PickerKey(TAgendaDatePicker* picker, int key,
                                         Qt::KeyboardModifiers shift) {
    const bool altDown = key == Qt::Key_Down && (shift & Qt::AltModifier);
    if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Up && key != Qt::Key_Down)
        return false;
    PickerExit(picker);
    picker->selectAll();
    if (altDown)
        picker->ClickButton(); // as the button: the drop-down knows the field was empty
    return key != Qt::Key_Return && key != Qt::Key_Enter;
}

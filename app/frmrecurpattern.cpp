#include "app/frmrecurpattern.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTimeEdit>
#include <cmath>

#include "app/frmopenclosedhours.h"
#include "core/datetexts.h"
#include "core/durationtexts.h"
#include "core/windows/altkeyrepaint.h"
#include "platform/formatsettings.h"
#include "platform/gui/messageboxes.h"
#include "platform/gui/qtdatetime.h"

namespace {

constexpr int HoursTextLength = 80;
// The most occurrences the end date is worked out for while the user types.
constexpr int MaxCountedOccurrences = 100000;
// Saturday with Sunday, and Monday to Friday.
constexpr TDayOfWeekMask WeekendMask = DayOfWeekBit(1) | DayOfWeekBit(7);
constexpr TDayOfWeekMask WorkdayMask = DayOfWeekBits & ~WeekendMask;

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

int ReadInt(const QLineEdit* edit) {
    return StrToInt(edit->text().toStdString());
}

TDateTime ReadDuration(const QComboBox* combo) {
    return ParseDuration(combo->currentText().toStdString(), false);
}

std::string DurationText(TDateTime span) {
    return FormatDuration(true, false, false, false, span);
}

// Raised by the checks on OK; the faulty control is set before.
class ERecurrenceInput : public Exception {
public:
    using Exception::Exception;
};

} // namespace

TDayOfWeekMask WeekdayListMask(int index) {
    switch (index) {
    case 0:
        return DayOfWeekBits;
    case 1:
        return WorkdayMask;
    case 2:
        return WeekendMask;
    default:
        return index >= 3 && index <= 9 ? DayOfWeekBit(index - 2) : DayOfWeekBits;
    }
}

int WeekdayListIndex(TDayOfWeekMask mask) {
    switch (mask) {
    case DayOfWeekBits:
        return 0;
    case WorkdayMask:
        return 1;
    case WeekendMask:
        return 2;
    default:
        for (int day = 1; day <= 7; ++day)
            if (mask & DayOfWeekBit(day))
                return day + 2;
        return 3;
    }
}

// ---- Loading --------------------------------------------------------------------------------

void TfrmTaskRecurPattern::Prepare(const TRecurrencePattern& pattern, TDateTime dueDate) {
    pattern_.Assign(pattern);
    if (!pattern_.IsStartDateEmpty())
        pattern_.SetPatternStartDate(dueDate);
    else
        pattern_.Reset(dueDate);
    newPattern_ = pattern_.IsStartDateEmpty();
    if (newPattern_) {
        TDateTime due = dueDate == 0 ? Date() : dueDate;
        ++updating_;
        SetPickers(due);
        rbWeekly->setChecked(true);
        --updating_;
        TypeClick();
    } else {
        LoadFromPattern(pattern_);
    }
    UpdateHoursPanel();
    if (pattern_.HasSchedule())
        UpdateHoursLabel();
}

void TfrmTaskRecurPattern::SetPickers(TDateTime dateTime) {
    ++updating_;
    dtDueDate->setDate(ToQDate(dateTime));
    dtDueTime->setTime(ToQTime(dateTime));
    dtDueTime->setEnabled(HasTimePart(dateTime));
    --updating_;
}

TDateTime TfrmTaskRecurPattern::PickedDueDate() const {
    TDateTime time = dtDueTime->isEnabled() ? FromQTime(dtDueTime->time()) : 0;
    return FromQDate(dtDueDate->date()) + time;
}

void TfrmTaskRecurPattern::SeedFromDate(TDateTime date) {
    ++updating_;
    const QString day = QString::number(DayOf(date));
    edDayOfMonthM->setText(day);
    edDayOfMonthY->setText(day);
    cbMonthOfYear->setCurrentIndex(MonthOf(date) - 1);
    cbMonthOfYeari->setCurrentIndex(MonthOf(date) - 1);
    const int dow = DayOfWeek(date); // 1 = Sunday
    for (int i = 0; i < 7; ++i)
        cbWeekDays[i]->setChecked(i + 1 == dow);
    cbWeekDaysMaskM->setCurrentIndex(dow + 2);
    cbWeekDaysMaskY->setCurrentIndex(dow + 2);
    const int week = (DayOf(date) - 1) / 7; // 0 = first .. 4 = fifth (the last)
    cbInstanceM->setCurrentIndex(week);
    cbInstanceY->setCurrentIndex(week);
    --updating_;
}

void TfrmTaskRecurPattern::LoadFromPattern(const TRecurrencePattern& p) {
    ++updating_;
    SetPickers(p.GetPatternStartDate());
    if (p.GetOccurrences() != -1) {
        edStopOccurrences->setText(QString::number(p.GetOccurrences()));
        rbEndAfter->setChecked(true);
    }
    if (p.GetPatternEndDate() != 0) {
        rbEndBy->setChecked(true);
        dtpEndDate->setDate(ToQDate(p.GetPatternEndDate()));
    }
    const int today = DayOfWeek(Date());
    for (int i = 0; i < 7; ++i)
        cbWeekDays[i]->setChecked(i + 1 == today);
    const QString interval = QString::number(p.GetInterval());
    const bool regen = p.GetUseCompletionDate();
    switch (p.GetRecurrenceType()) {
    case rtDaily:
        rbDaily->setChecked(true);
        (regen ? rbRegenD : rbEveryD)->setChecked(true);
        (regen ? edIntervalDc : edIntervalD)->setText(interval);
        break;
    case rtWeekly:
        if (regen) {
            rbWeekly->setChecked(true);
            rbRegenW->setChecked(true);
            edIntervalWc->setText(interval);
        } else if (p.GetDayOfWeekMask() == WorkdayMask && p.GetInterval() == 1) {
            rbDaily->setChecked(true);
            rbEveryWeekD->setChecked(true);
        } else {
            rbWeekly->setChecked(true);
            rbEveryW->setChecked(true);
            edIntervalW->setText(interval);
            for (int i = 0; i < 7; ++i)
                cbWeekDays[i]->setChecked(p.GetDayOfWeekMask() & DayOfWeekBit(i + 1));
        }
        break;
    case rtMonthly:
        rbMonthly->setChecked(true);
        if (regen) {
            rbRegenM->setChecked(true);
            edIntervalMc->setText(interval);
        } else {
            rbDay->setChecked(true);
            edDayOfMonthM->setText(QString::number(p.GetDayOfMonth()));
            edIntervalM->setText(interval);
        }
        break;
    case rtMonthNth:
        rbMonthly->setChecked(true);
        rbTheM->setChecked(true);
        cbWeekDaysMaskM->setCurrentIndex(WeekdayListIndex(p.GetDayOfWeekMask()));
        cbInstanceM->setCurrentIndex(p.GetPatternInstance() - 1);
        edIntervalMi->setText(interval);
        break;
    case rtYearly:
        rbYearly->setChecked(true);
        if (regen) {
            rbRegenY->setChecked(true);
            edIntervalYc->setText(interval);
        } else {
            rbEveryY->setChecked(true);
            edDayOfMonthY->setText(QString::number(p.GetDayOfMonth()));
            cbMonthOfYear->setCurrentIndex(p.GetMonthOfYear() - 1);
        }
        break;
    case rtYearNth:
        rbYearly->setChecked(true);
        rbTheY->setChecked(true);
        cbWeekDaysMaskY->setCurrentIndex(WeekdayListIndex(p.GetDayOfWeekMask()));
        cbInstanceY->setCurrentIndex(p.GetPatternInstance() - 1);
        cbMonthOfYeari->setCurrentIndex(p.GetMonthOfYear() - 1);
        break;
    case rtHourly: {
        rbHourly->setChecked(true);
        (p.GetHourlyDeltaRandomTo() != 0 ? rgHourlyRandom : rgHourly)->setChecked(true);
        const QString delta = Q(DurationText(p.GetHourlyDelta()));
        cbHourly->setEditText(delta);
        cbHourlyRand1->setEditText(delta);
        if (p.GetHourlyDeltaRandomTo() != 0)
            cbHourlyRand2->setEditText(Q(DurationText(p.GetHourlyDeltaRandomTo())));
        break;
    }
    default:
        break;
    }
    ShowTypePage();
    --updating_;
    if (p.GetPatternEndDate() == 0)
        RecomputeEndDate();
    UpdateEndControls();
    ++updating_;
    cbOpenCloseHours->setChecked(p.HasSchedule());
    --updating_;
}

// ---- Building -------------------------------------------------------------------------------

TRecurrenceType TfrmTaskRecurPattern::TypeFromRadios() const {
    if (rbHourly->isChecked())
        return rtHourly;
    if (rbWeekly->isChecked())
        return rtWeekly;
    if (rbMonthly->isChecked())
        return rbTheM->isChecked() ? rtMonthNth : rtMonthly;
    if (rbYearly->isChecked())
        return rbTheY->isChecked() ? rtYearNth : rtYearly;
    return rtDaily;
}

void TfrmTaskRecurPattern::BuildPattern(TRecurrencePattern& p) {
    // The stored options and the schedule survive the reset.
    const int modeFlags = p.GetModeFlags();
    const uint8_t byteOption = p.GetByteOption();
    const int choiceOption = p.GetChoiceOption();
    std::unique_ptr<TTaskPlaceOpenCloseSchedule> schedule;
    if (p.HasSchedule()) {
        schedule = std::make_unique<TTaskPlaceOpenCloseSchedule>();
        schedule->Assign(p.GetSchedule());
    }
    p.Reset(0);
    p.SetModeFlags(modeFlags);
    p.SetByteOption(byteOption);
    p.SetChoiceOption(choiceOption);
    // Checked without hours set yet: the place counts as always open until they are.
    if (cbOpenCloseHours->isChecked()) {
        TTaskPlaceOpenCloseSchedule& hours = p.GetSchedule();
        if (schedule)
            hours.Assign(*schedule);
    }

    const TRecurrenceType type = TypeFromRadios();
    p.SetRecurrenceType(type);
    faulty_ = dtDueDate;
    stepField_ = dtDueDate;
    p.SetPatternStartDate(PickedDueDate());
    p.SetInterval(1);
    p.SetUseCompletionDate(false);

    if (rbEndAfter->isChecked()) {
        faulty_ = edStopOccurrences;
        p.SetOccurrences(ReadInt(edStopOccurrences));
    } else if (rbEndBy->isChecked()) {
        faulty_ = dtpEndDate;
        p.SetPatternEndDate(FromQDate(dtpEndDate->date()));
    }
    auto interval = [&](QLineEdit* e) {
        faulty_ = stepField_ = e;
        p.SetInterval(ReadInt(e));
    };
    switch (type) {
    case rtDaily:
        if (rbEveryWeekD->isChecked()) {
            p.SetRecurrenceType(rtWeekly);
            p.SetDayOfWeekMask(WorkdayMask);
        } else if (rbRegenD->isChecked()) {
            interval(edIntervalDc);
            p.SetUseCompletionDate(true);
        } else {
            interval(edIntervalD);
        }
        break;
    case rtWeekly:
        if (rbRegenW->isChecked()) {
            interval(edIntervalWc);
            p.SetUseCompletionDate(true);
        } else {
            interval(edIntervalW);
            TDayOfWeekMask mask = 0;
            for (int i = 0; i < 7; ++i)
                if (cbWeekDays[i]->isChecked())
                    mask |= DayOfWeekBit(i + 1);
            faulty_ = cbWeekDays[1];
            if (mask == 0)
                throw ERecurrenceInput("Choose at least one day of the week");
            p.SetDayOfWeekMask(mask);
        }
        break;
    case rtMonthly:
        if (rbRegenM->isChecked()) {
            interval(edIntervalMc);
            p.SetUseCompletionDate(true);
        } else {
            faulty_ = edDayOfMonthM;
            p.SetDayOfMonth(ReadInt(edDayOfMonthM));
            interval(edIntervalM);
        }
        break;
    case rtMonthNth:
        p.SetDayOfWeekMask(WeekdayListMask(cbWeekDaysMaskM->currentIndex()));
        p.SetPatternInstance(cbInstanceM->currentIndex() + 1);
        interval(edIntervalMi);
        break;
    case rtYearly:
        if (rbRegenY->isChecked()) {
            interval(edIntervalYc);
            p.SetUseCompletionDate(true);
        } else {
            faulty_ = edDayOfMonthY;
            p.SetDayOfMonth(ReadInt(edDayOfMonthY));
            p.SetMonthOfYear(cbMonthOfYear->currentIndex() + 1);
        }
        break;
    case rtYearNth:
        p.SetDayOfWeekMask(WeekdayListMask(cbWeekDaysMaskY->currentIndex()));
        p.SetPatternInstance(cbInstanceY->currentIndex() + 1);
        p.SetMonthOfYear(cbMonthOfYeari->currentIndex() + 1);
        break;
    case rtHourly:
        if (rgHourlyRandom->isChecked()) {
            faulty_ = stepField_ = cbHourlyRand1;
            p.SetHourlyDelta(ReadDuration(cbHourlyRand1));
            faulty_ = cbHourlyRand2;
            p.SetHourlyDeltaRandomTo(ReadDuration(cbHourlyRand2));
        } else {
            faulty_ = stepField_ = cbHourly;
            p.SetHourlyDelta(ReadDuration(cbHourly));
            p.SetHourlyDeltaRandomTo(0);
        }
        p.SetUseCompletionDate(true);
        break;
    default:
        break;
    }
    // The start moves to the pattern's first date on or after it.
    if (!p.GetUseCompletionDate() && p.GetRecurrenceType() != rtDaily) {
        faulty_ = dtDueDate;
        p.SetPatternStartDate(
            p.NextOccurrence(false, false, p.GetPatternStartDate(), p.GetPatternStartDate(), 1));
    }
    p.SetGeneratedCount(1);
    faulty_ = nullptr;
}

void TfrmTaskRecurPattern::RecomputeEndDate() {
    if (rbEndBy->isChecked())
        return;
    try {
        TRecurrencePattern temp;
        BuildPattern(temp);
        int n = ReadInt(edStopOccurrences);
        // Each keystroke recomputes: a count typed by mistake must not hold the dialog up.
        TDateTime start = temp.GetPatternStartDay();
        TDateTime end = n >= 1 && n <= MaxCountedOccurrences
                            ? temp.NextOccurrence(false, true, start, start, n - 1)
                            : 0;
        if (end != 0) {
            ++updating_;
            dtpEndDate->setDate(ToQDate(end));
            --updating_;
        }
    } catch (const std::exception&) {
        // Half-typed values are checked on OK.
    }
    faulty_ = nullptr;
    UpdateEndControls();
}

// ---- Control state --------------------------------------------------------------------------

void TfrmTaskRecurPattern::ShowTypePage() {
    QWidget* page = pgDaily;
    if (rbHourly->isChecked())
        page = pgHourly;
    else if (rbWeekly->isChecked())
        page = pgWeekly;
    else if (rbMonthly->isChecked())
        page = pgMonthly;
    else if (rbYearly->isChecked())
        page = pgYearly;
    nbPatternPages->setCurrentWidget(page);
}

void TfrmTaskRecurPattern::TypeClick() {
    ShowTypePage();
    SeedFromDate(FromQDate(dtDueDate->date()));
    if (updating_ == 0)
        RecomputeEndDate();
    UpdateEndControls();
}

void TfrmTaskRecurPattern::UpdateEndControls() {
    if (rbHourly->isChecked()) {
        rbEndBy->setEnabled(false);
        dtpEndDate->setEnabled(false);
        return;
    }
    bool regen = (rbDaily->isChecked() && rbRegenD->isChecked()) ||
                 (rbWeekly->isChecked() && rbRegenW->isChecked()) ||
                 (rbMonthly->isChecked() && rbRegenM->isChecked()) ||
                 (rbYearly->isChecked() && rbRegenY->isChecked());
    rbEndBy->setEnabled(!regen);
    dtpEndDate->setEnabled(rbEndBy->isEnabled());
}

void TfrmTaskRecurPattern::ChangedFor(QRadioButton* radio) {
    if (updating_ > 0)
        return;
    if (radio)
        radio->setChecked(true);
    RecomputeEndDate();
}

void TfrmTaskRecurPattern::RegenClick() {
    if (updating_ > 0)
        return;
    if (rbEndBy->isChecked())
        rbNoEndDate->setChecked(true);
    RecomputeEndDate();
}

void TfrmTaskRecurPattern::UpdateHoursPanel() {
    const bool on = cbOpenCloseHours->isChecked();
    pnlOpenCloseHours->setEnabled(on);
    Button1->setEnabled(on);
    lbOpenCloseText->setEnabled(on);
}

QString TfrmTaskRecurPattern::HoursLabelText() {
    if (!pattern_.HasSchedule())
        return {};
    QString text = Q(pattern_.GetSchedule().OpenHoursText(false));
    if (text.size() > HoursTextLength)
        text = text.left(HoursTextLength) + QStringLiteral("...");
    return text;
}

void TfrmTaskRecurPattern::UpdateHoursLabel() {
    lbOpenCloseText->setText(HoursLabelText());
}

void TfrmTaskRecurPattern::FormatDurationCombo(QComboBox* combo) {
    combo->setEditText(Q(DurationText(ReadDuration(combo))));
}

bool TfrmTaskRecurPattern::eventFilter(QObject* watched, QEvent* e) {
    if (watched == lbOpenCloseText) {
        QFont font = lbOpenCloseText->font();
        switch (e->type()) {
        case QEvent::Enter:
        case QEvent::Leave:
            font.setUnderline(e->type() == QEvent::Enter);
            lbOpenCloseText->setFont(font);
            break;
        case QEvent::MouseButtonRelease:
            if (pattern_.HasSchedule())
                ShowOpenHoursText(pattern_.GetSchedule());
            return true;
        default:
            break;
        }
        return false;
    }
    for (QComboBox* c : {cbHourly, cbHourlyRand1, cbHourlyRand2}) {
        if (watched != c->lineEdit())
            continue;
        if (e->type() == QEvent::FocusOut) {
            FormatDurationCombo(c);
            btnOK->setDefault(true);
        } else if (e->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(e);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                FormatDurationCombo(c);
                c->lineEdit()->selectAll();
                return true;
            }
            // While typing a span, Enter must not close the dialog.
            btnOK->setDefault(false);
        }
    }
    return false;
}

void TfrmTaskRecurPattern::keyPressEvent(QKeyEvent* e) {
    HandleAltKeyForRepaint(this, e->key(), e->modifiers());
    QDialog::keyPressEvent(e);
}

// ---- Commands -------------------------------------------------------------------------------

void TfrmTaskRecurPattern::ShowInvalid(const std::string& message) {
    MessageBoxes().ErrorBox("The recurrence pattern is not valid: \"" + message + "\"");
    if (faulty_) {
        faulty_->setFocus();
        if (auto* edit = qobject_cast<QLineEdit*>(faulty_))
            edit->selectAll();
    }
}

void TfrmTaskRecurPattern::btnOKClick() {
    const TDateTime due = PickedDueDate();
    TRecurrencePattern built;
    try {
        faulty_ = dtpEndDate;
        if (rbEndBy->isChecked() && FromQDate(dtpEndDate->date()) < FromQDate(dtDueDate->date()))
            throw ERecurrenceInput("The end date lies before the due date of the next occurrence");
        faulty_ = edStopOccurrences;
        if (rbEndAfter->isChecked() && StrToIntDef(edStopOccurrences->text().toStdString(), 0) < 1)
            throw ERecurrenceInput("The number of occurrences must be at least 1");
        built.Assign(pattern_);
        BuildPattern(built);
        TTaskPlaceOpenCloseSchedule neverOpen;
        neverOpen.SetAllClosed();
        if (built.HasSchedule() && built.GetSchedule() == neverOpen) {
            faulty_ = Button1;
            throw ERecurrenceInput("The place is never open, so the reminder would never recur");
        }
        if (!RecursWithinCalendar(built, due)) {
            faulty_ = stepField_;
            throw ERecurrenceInput("The interval is so large that the reminder would not "
                                   "recur before the end of the calendar (year 9999)");
        }
        // A pattern that never occurs would be stored without a next alert.
        if (built.GetPatternStartDate() == 0) {
            faulty_ = rbEndAfter->isChecked() ? static_cast<QWidget*>(edStopOccurrences)
                      : rbEndBy->isChecked()  ? static_cast<QWidget*>(dtpEndDate)
                                              : static_cast<QWidget*>(dtDueDate);
            throw ERecurrenceInput("The pattern has no occurrence on or after the due date");
        }
    } catch (const std::exception& e) {
        ShowInvalid(e.what());
        return;
    }
    pattern_.Assign(built);
    if (std::abs(pattern_.GetPatternStartDate() - due) * SecsPerDay >= 1) {
        const std::string question =
            "The specified Due Date for the next occurrence of this task does not match the "
            "recurrence pattern you have specified.\n\r\n\rAdjust Due Date automatically "
            "according to the pattern?\n\r\n\rClick \"Yes\" to adjust automatically\n\rClick "
            "\"No\" to correct manually";
        if (MessageDlg(question, mtWarning, mbYesNo) == mrYes) {
            SetPickers(pattern_.GetPatternStartDate());
            MessageDlg("Due Date has been adjusted. Please verify and accept changes.",
                       mtInformation, Buttons(mbOK));
        }
        return;
    }
    accept();
}

void TfrmTaskRecurPattern::btnRemoveRecurrenceClick() {
    if (MessageDlg("Remove recurrence?", mtConfirmation, mbYesNo) != mrYes)
        return;
    pattern_.Reset(0);
    done(RecurrenceRemovedResult);
}

void TfrmTaskRecurPattern::Button1Click() {
    if (ShowOpenClosedHoursDialog(pattern_.GetSchedule(), this))
        UpdateHoursLabel();
}

bool RecursWithinCalendar(const TRecurrencePattern& pattern, TDateTime dueDate) {
    TRecurrencePattern endless;
    endless.Assign(pattern);
    endless.SetPatternEndDate(0);
    endless.SetOccurrences(-1);
    const auto lowest = [](int64_t) -> int64_t { return 0; };
    TDateTime first = endless.GetPatternStartDate();
    if (first == 0) // the end came before the first occurrence: find it without the end
        first = endless.NextOccurrence(false, false, dueDate, dueDate, 1, lowest);
    return first != 0 && endless.NextOccurrence(false, true, first, first, 1, lowest) != 0;
}

bool ShowRecurrenceDialog(TRecurrencePattern& pattern, TDateTime dueDate, QWidget* parent) {
    TfrmTaskRecurPattern dialog(parent);
    dialog.Prepare(pattern, dueDate);
    if (dialog.exec() == QDialog::Rejected)
        return false;
    pattern.Assign(dialog.Pattern());
    return true;
}

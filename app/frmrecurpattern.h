#pragma once
// TfrmTaskRecurPattern: the modal "Reminder Recurrence" dialog in which the user edits a
// reminder's recurrence pattern: its type and the parameters of each type, the date and time
// of the next occurrence, the end of the recurrence and, for hourly patterns, the place's
// open and closed hours. It works on a copy of the pattern; validation on OK keeps the dialog
// open and puts the focus on the offending control. frmrecurpatternform.cpp creates and wires
// the controls; frmrecurpattern.cpp loads, builds and checks the pattern.

#include <QDialog>
#include <array>

#include "core/recurrencepattern.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTimeEdit;
class QWidget;

// The dialog's results besides Accepted and Rejected: "Remove Recurrence" ends with this.
constexpr int RecurrenceRemovedResult = 3;

// The weekday list's masks: "day", "weekday", "weekend day", then one day each from Sunday.
TDayOfWeekMask WeekdayListMask(int index);
// The list index a mask shows as: the three named sets, else the name of its lowest day.
int WeekdayListIndex(TDayOfWeekMask mask);

class TfrmTaskRecurPattern : public QDialog {
    Q_OBJECT
public:
    explicit TfrmTaskRecurPattern(QWidget* parent = nullptr);
    ~TfrmTaskRecurPattern() override;

    // Takes a copy of pattern and the reminder's due date and fills the controls: a pattern
    // without start date is new (the due date, today when 0, goes into the pickers and the
    // weekly page is seeded from it), any other is loaded with the due date as its start.
    void Prepare(const TRecurrencePattern& pattern, TDateTime dueDate);
    // The dialog's pattern: the one handed back after OK or "Remove Recurrence".
    TRecurrencePattern& Pattern() { return pattern_; }
    bool NewPattern() const { return newPattern_; }

    // Fills the controls from pattern (under the re-entrancy counter).
    void LoadFromPattern(const TRecurrencePattern& pattern);
    // Builds p from the controls, keeping p's stored options and schedule. Raises
    // Exception (conversion or range errors) and remembers the control at fault.
    void BuildPattern(TRecurrencePattern& p);
    // The control whose value made the last BuildPattern or OK check fail; null when none.
    QWidget* FaultyControl() const { return faulty_; }
    // The pattern's type as the radios choose it.
    TRecurrenceType TypeFromRadios() const;
    // The due date and time the pickers show.
    TDateTime PickedDueDate() const;
    void SetPickers(TDateTime dateTime);
    // Puts the last day of the counted occurrences into dtpEndDate (unless "End by" is
    // checked); errors are ignored.
    void RecomputeEndDate();
    // Seeds every page from date's day, month, weekday and week of the month.
    void SeedFromDate(TDateTime date);
    // The hours label's text: the schedule's summary cut to 80 characters.
    QString HoursLabelText();

    // OK: validates, builds the pattern, asks to adjust the due date when it is not an
    // occurrence, and closes only when all is well.
    void btnOKClick();
    void btnRemoveRecurrenceClick();
    // "Open & closed hours...": edits the pattern's schedule in the hours dialog.
    void Button1Click();

    // Components.
    QGroupBox* gbPattern;
    QRadioButton *rbHourly, *rbDaily, *rbWeekly, *rbMonthly, *rbYearly;
    QStackedWidget* nbPatternPages;
    QWidget *pgHourly, *pgDaily, *pgWeekly, *pgMonthly, *pgYearly;
    QRadioButton *rgHourly, *rgHourlyRandom;
    QComboBox *cbHourly, *cbHourlyRand1, *cbHourlyRand2;
    QCheckBox* cbOpenCloseHours;
    QWidget* pnlOpenCloseHours;
    QPushButton* Button1;
    QLabel* lbOpenCloseText;
    QRadioButton *rbEveryD, *rbEveryWeekD, *rbRegenD;
    QLineEdit *edIntervalD, *edIntervalDc;
    QRadioButton *rbEveryW, *rbRegenW;
    QLineEdit *edIntervalW, *edIntervalWc;
    std::array<QCheckBox*, 7> cbWeekDays; // cbSunday .. cbSaturday
    QRadioButton *rbDay, *rbTheM, *rbRegenM;
    QLineEdit *edDayOfMonthM, *edIntervalM, *edIntervalMi, *edIntervalMc;
    QComboBox *cbInstanceM, *cbWeekDaysMaskM;
    QRadioButton *rbEveryY, *rbTheY, *rbRegenY;
    QComboBox *cbMonthOfYear, *cbInstanceY, *cbWeekDaysMaskY, *cbMonthOfYeari;
    QLineEdit *edDayOfMonthY, *edIntervalYc;
    QDateEdit* dtDueDate;
    QTimeEdit* dtDueTime;
    QRadioButton *rbNoEndDate, *rbEndAfter, *rbEndBy;
    QLineEdit* edStopOccurrences;
    QDateEdit* dtpEndDate;
    QPushButton *btnOK, *btnCancel, *btnRemoveRecurrence, *btnAdvancedOptions;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void CreateComponents();
    void ConnectHandlers();
    void FillLists();
    void TypeClick();
    void ShowTypePage();
    void UpdateEndControls();
    void UpdateHoursPanel();
    void UpdateHoursLabel();
    // A change of a control that belongs to radio: checks it and recomputes the end date.
    void ChangedFor(QRadioButton* radio);
    void RegenClick();
    void FormatDurationCombo(QComboBox* combo);
    // Shows a failed check in the error box and focuses the control at fault.
    void ShowInvalid(const std::string& message);

    TRecurrencePattern pattern_;
    bool newPattern_ = false;
    int updating_ = 0;
    QWidget* faulty_ = nullptr;
    QWidget* stepField_ = nullptr; // the field of the last built pattern's step
};

// Whether pattern (as BuildPattern made it from dueDate) comes round at least once more
// before the calendar's end, its end conditions set aside: false when its step is so large
// that no occurrence after the first falls within the calendar (year 9999).
bool RecursWithinCalendar(const TRecurrencePattern& pattern, TDateTime dueDate);

// Edits pattern for a reminder due at dueDate. Unless cancelled, pattern takes the dialog's
// pattern and the result is true; after "Remove Recurrence" its start date is empty, which
// tells the caller to drop it.
bool ShowRecurrenceDialog(TRecurrencePattern& pattern, TDateTime dueDate,
                          QWidget* parent = nullptr);

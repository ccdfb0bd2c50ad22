#pragma once
// TReminderSetupDlg: the modal dialog in which the user sets up one reminder: its time (free
// text, read by ParseDateTimeText), caption and notes, its seven alert actions, the automatic
// repetition of the alert, the recurrence, whether these alerts become the defaults, and
// dismissal. It works on a copy and writes into the reminder only after OK, once every field
// has been checked, so OK never leaves a reminder half written. frmremindersetupform.cpp
// creates and lays out the controls; frmremindersetup.cpp holds the logic.

#include <QDialog>
#include <QString>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "core/reminderaware.h"
#include "core/reminderitem.h"
#include "platform/classes.h"
#include "platform/datetime.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class TAgendaDatePicker;

// The dialog's help topic (its "HelpContext" property).
constexpr int ReminderSetupHelpContext = 1005;
// The most recent e-mail recipients kept.
constexpr int MaxRecentEmails = 7;
// The recipients box's last item, which empties the list.
inline constexpr const char* ClearRecentEmailsItem = "<clear list...>";

// The time of day a reminder on date gets when none was typed: now's time of day, plus 10
// minutes when date falls on now's day.
TDateTime DefaultTimeOfDay(TDateTime date, TDateTime now);
// The reminder time a field value stands for: 0 is today; a whole day gets
// DefaultTimeOfDay; a value with a time part stays.
TDateTime DefaultReminderTime(TDateTime value, TDateTime now);
// The reminder time a date field's text stands for: ParseDateTimeText, then
// DefaultReminderTime.
TDateTime ParseReminderDate(const std::string& text, TDateTime now);
// The date field's text: "" for 0, the short date for a whole day, else short date and time.
std::string FormatReminderDate(TDateTime value);
// "in ~ <span>" while date lies after now, else "".
std::string TimeDifferenceText(TDateTime date, TDateTime now);
// Puts the trimmed address at the top of the recent list unless it is empty or listed
// already (letter case ignored); the list then keeps its first MaxRecentEmails items.
void AddRecentEmail(TStringList& recent, const std::string& address);

// What the controls say, checked and converted; written into a reminder without failing.
struct TReminderSetupValues {
    std::string Caption, Notes;
    TDateTime ReminderDateTime = 0;
    bool AutoAlertEnabled = false;
    TDateTime AutoAlertDelta = 0;
    bool LimitAutoAlertCount = false;
    int MaxAutoAlertCount = 0;
    bool Enabled[7] = {};
    std::string Emails, AppPath, AudioFile;
};

class TReminderSetupDlg : public QDialog {
    Q_OBJECT
public:
    explicit TReminderSetupDlg(QWidget* parent = nullptr);
    ~TReminderSetupDlg() override;

    // Fills the controls from item (not null); item's reminder is copied into the working
    // copy. isNew sets the caption "New Reminder" and disables Dismiss.
    void Load(const IReminderAwareItemPtr& item, bool isNew);
    // The working copy: the recurrence being edited and the alerts summary.
    TReminderItem& WorkingCopy() { return copy_; }
    // The fields as they would be written, or, when one cannot be, nothing, with the
    // message shown and the focus on the offending control.
    std::optional<TReminderSetupValues> ReadValues();
    // Writes values into item (caption, notes, timing, actions, recurrence from the working
    // copy). Cannot fail half-way: values come from ReadValues.
    void WriteBack(const IReminderAwareItemPtr& item, const TReminderSetupValues& values);
    bool DismissRequested() const { return dismiss_; }
    bool RemoveAllRequested() const { return removeAll_; }
    bool AlertsShown() const;

    // Handlers (public for the tests).
    void btnOKClick();
    void btnCancelClick();
    void btnDismissClick();
    void btnAlertsClick();
    void btnReccurClick();
    void btnSMTPsetupClick();
    void btnBrowseAudioFileClick();
    void sbPlayClick();
    // The date field's exit handling: parse, default time, reformat, time-difference label.
    void DateFieldExit();
    // Enter in the date field: exit handling with the text selected; a second Enter without
    // typing in between confirms (clicks OK).
    void DateFieldConfirmKey();
    // Up, Down or Alt+Down (dropDown) in the date field: exit handling with the text
    // selected, then Alt+Down drops the calendar. They never confirm the dialog.
    void DateFieldNavigateKey(bool dropDown);
    // The picked day with the kept time of day, into the text.
    void ApplyPickedDay();
    // The reminder time the date field stands for: the time the dialog was loaded with,
    // seconds included, while the field still shows it as loaded; else the field's text read
    // by ParseReminderDate (whole minutes, as shown).
    TDateTime FieldDate(TDateTime now) const;
    void ShowAlerts(bool show);
    void UpdateAlertsSummary();
    void UpdateRecurrenceLabel();

    // Components.
    QWidget* pnlTop;
    QWidget* pnlAlertsSummary;
    QWidget* pnlAlerts;
    QWidget* pnlButtons;
    TAgendaDatePicker* dtReminderDateTime;
    QLabel* lbTimeDifference;
    QLineEdit* edCaption;
    QPlainTextEdit* memNotes;
    QLabel* lbAlertsDesc;
    QWidget* GroupBox1;
    QCheckBox *cbActivateRemindWnd, *cbShowAlertWnd, *cbSentEmail, *cbRunApp, *cbModalDialog,
        *cbPlaySound, *cbAnimateInTray;
    QComboBox* cbEmails;
    QPushButton* btnSMTPsetup;
    QLineEdit* edAppPath;
    QLineEdit* edAudioFile;
    QPushButton* btnBrowseAudioFile;
    QToolButton* sbPlay;
    QPushButton* Button1;
    QCheckBox* cbIsAutoAlertEnabled;
    QWidget* pnlRepeatAlert;
    QComboBox* cbAutoAlertDelta;
    QCheckBox* cbLimitAutoAlertCount;
    QLineEdit* edMaxAutoAlertCount;
    QCheckBox* cbSaveAsDefault;
    QPushButton* btnReccur;
    QLabel* lbReccur;
    QPushButton *btnOK, *btnCancel, *btnDismiss, *btnAlerts;

    // The file chooser for the sound; tests replace it. Returns "" when cancelled.
    std::function<std::string(const std::string& folder)> ChooseSoundFile;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void customEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void CreateComponents();
    void ConnectHandlers();
    void LoadRecentEmails();
    void SaveRecentEmails();
    void cbEmailsChange();
    void cbAutoAlertDeltaExit();
    void UpdateDependentControls();
    // The audio file resolved, or "" with the message shown.
    std::string CheckAudioFile();
    void StopTestSound();
    // Shows the alerts panel and message, focuses control (when given).
    void Fail(const std::string& message, QWidget* control);
    // Puts text into edit, which holds no more of it than its maximum length.
    void LoadEditText(QLineEdit* edit, const std::string& text);
    // The text of edit: the whole text loaded into it while it holds what it took of that.
    std::string EditText(const QLineEdit* edit) const;

    IReminderAwareItemPtr item_;
    TReminderItem copy_;
    TDateTime keptDate_ = 0;
    TDateTime loadedDate_ = 0; // the time the dialog was loaded with
    std::string loadedText_;   // and the date field's text for it
    bool dateChanged_ = false;
    bool emailWasEnabled_ = false;
    std::string playingSound_;
    bool dismiss_ = false;
    bool removeAll_ = false;
    int emailsChanging_ = 0;
    // Texts loaded into line edits, each whole and as far as its edit took it.
    struct TLoadedText {
        std::string Whole;
        QString Held;
    };
    std::map<const QLineEdit*, TLoadedText> loadedTexts_;
};

// Shows the dialog for item (nothing and false when item is null), its calendar starting on
// startDay (1 = Monday .. 7 = Sunday). On OK writes the fields into item and sets
// saveAsDefault from the box; a dismissal (also OK) then clears the pattern when all
// occurrences were to go and dismisses the reminder. True on OK.
bool ShowReminderSetupDialog(const IReminderAwareItemPtr& item, bool isNew, int startDay,
                             bool& saveAsDefault, QWidget* parent = nullptr);

#include "app/frmremindersetup.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QToolButton>
#include <algorithm>

#include "app/frmradiochoice.h"
#include "app/frmrecurpattern.h"
#include "app/frmtockwelloptions.h"
#include "controls/edits/agendadatepicker.h"
#include "core/alertwindows.h"
#include "core/durationtexts.h"
#include "core/mailer.h"
#include "core/productinfo.h"
#include "core/registrymanager.h"
#include "core/tockwellitem.h"
#include "core/windows/altkeyrepaint.h"
#include "platform/datetimeformat.h"
#include "platform/fileutils.h"
#include "platform/gui/application.h"
#include "platform/gui/dialogplacement.h"
#include "platform/gui/messageboxes.h"
#include "platform/gui/windowmessages.h"
#include "platform/sysutils.h"

namespace {

constexpr const char* kDefaultInterval = "15 min";
constexpr int kConfirmRepetitionsAbove = 20;

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

std::string S(const QString& s) {
    return s.toStdString();
}

std::string WithoutQuotes(const std::string& text) {
    std::string s = Trim(text);
    s.erase(std::remove(s.begin(), s.end(), '"'), s.end());
    return s;
}

void SetUnderline(QLabel* label, bool on) {
    QFont font = label->font();
    font.setUnderline(on);
    label->setFont(font);
}

} // namespace

// ---- Creation -------------------------------------------------------------------------------

TReminderSetupDlg::TReminderSetupDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ReminderSetupDlg"));
    setWindowTitle(QStringLiteral("Setup Reminder"));
    setProperty("HelpContext", ReminderSetupHelpContext);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    PlaceDialog(this, TDialogPosition::ScreenCentre);
    CreateComponents();
    ConnectHandlers();
    dtReminderDateTime->Calendar().SetStartDay(LocaleSettings().FirstDayOfWeek + 1);
    LoadRecentEmails();
    ShowAlerts(ReadRegistryBool(ReminderSettingsKey, "ShowAlerts", false));
    ChooseSoundFile = [this](const std::string& folder) {
        return S(QFileDialog::getOpenFileName(
            this, QString(), Q(folder),
            QStringLiteral("Audio files (*.wav, *.mp3) (*.wav *.mp3);;All files (*.*) (*)"),
            nullptr, QFileDialog::ReadOnly));
    };
}

TReminderSetupDlg::~TReminderSetupDlg() {
    // A dialog freed while shown (the program ending during its modal loop) is hidden by
    // the base class, which moves the focus out of the date field: its handlers must not
    // reach this part of the dialog, gone by then.
    dtReminderDateTime->OnExit = nullptr;
    dtReminderDateTime->OnChange = nullptr;
    dtReminderDateTime->OnKeyDown = nullptr;
}

void TReminderSetupDlg::LoadRecentEmails() {
    TRegistryManager reg(SMTPSettingsKey, HKEY_CURRENT_USER, true);
    TStringList recent;
    reg.ReadStringsValue("LastEmails", recent);
    const std::string last = reg.ReadStringDef("LastEmail", "");
    QSignalBlocker block(cbEmails);
    cbEmails->clear();
    for (int i = 0; i < recent.Count(); ++i)
        if (!Trim(recent[i]).empty())
            cbEmails->addItem(Q(recent[i]));
    if (cbEmails->count() > 0)
        cbEmails->addItem(QString::fromUtf8(ClearRecentEmailsItem));
    cbEmails->setCurrentIndex(-1);
    LoadEditText(cbEmails->lineEdit(), last);
}

// ---- Loading --------------------------------------------------------------------------------

void TReminderSetupDlg::LoadEditText(QLineEdit* edit, const std::string& text) {
    edit->setText(Q(text));
    loadedTexts_[edit] = {text, edit->text()};
}

std::string TReminderSetupDlg::EditText(const QLineEdit* edit) const {
    const auto loaded = loadedTexts_.find(edit);
    if (loaded != loadedTexts_.end() && edit->text() == loaded->second.Held)
        return loaded->second.Whole;
    return S(edit->text());
}

void TReminderSetupDlg::Load(const IReminderAwareItemPtr& item, bool isNew) {
    item_ = item;
    TReminderItem& r = item->GetReminder();
    if (isNew)
        setWindowTitle(QStringLiteral("New Reminder"));
    btnDismiss->setEnabled(!isNew);
    copy_.Assign(r, false);
    LoadEditText(edCaption, item->GetCaption());
    memNotes->setPlainText(Q(item->GetNotes()));
    UpdateAlertsSummary();
    const TDateTime now = Now();
    keptDate_ = DefaultReminderTime(copy_.GetReminderDateTime(), now);
    loadedDate_ = keptDate_;
    loadedText_ = FormatReminderDate(keptDate_);
    lbTimeDifference->setText(Q(TimeDifferenceText(keptDate_, now)));
    dtReminderDateTime->setText(Q(loadedText_));

    cbIsAutoAlertEnabled->setChecked(copy_.GetIsAutoAlertEnabled());
    cbAutoAlertDelta->setEditText(
        Q(FormatDuration(true, true, false, false, copy_.GetAutoAlertDelta())));
    cbLimitAutoAlertCount->setChecked(copy_.GetLimitAutoAlertCount());
    edMaxAutoAlertCount->setText(QString::number(copy_.GetMaxAutoAlertCount()));

    cbActivateRemindWnd->setChecked(copy_.GetAction(akActivateReminderWnd).Enabled);
    cbShowAlertWnd->setChecked(copy_.GetAction(akShowAlertWnd).Enabled);
    cbAnimateInTray->setChecked(copy_.GetAction(akAnimateInTray).Enabled);
    cbSentEmail->setChecked(copy_.GetAction(akSendEmail).Enabled);
    if (cbSentEmail->isChecked())
        LoadEditText(cbEmails->lineEdit(), copy_.Action<TAlertActSendEmail>().Emails);
    cbRunApp->setChecked(copy_.GetAction(akRunApp).Enabled);
    LoadEditText(edAppPath, copy_.Action<TAlertActRunApp>().AppPath);
    cbPlaySound->setChecked(copy_.GetAction(akPlaySound).Enabled);
    LoadEditText(edAudioFile, copy_.Action<TAlertActPlaySound>().GetAudioFile());
    cbModalDialog->setChecked(copy_.GetAction(akShowModalDialog).Enabled);
    UpdateDependentControls();
    emailWasEnabled_ = cbSentEmail->isChecked();

    if (cbAutoAlertDelta->currentText().isEmpty())
        cbAutoAlertDelta->setEditText(QString::fromUtf8(kDefaultInterval));
    UpdateRecurrenceLabel();
    dateChanged_ = false;
}

void TReminderSetupDlg::UpdateAlertsSummary() {
    std::string text = "Alerts: " + copy_.GetActionsText() + ".";
    if (copy_.HasRecurrencePattern())
        text += " Recurrent.";
    lbAlertsDesc->setText(Q(text));
}

void TReminderSetupDlg::UpdateRecurrenceLabel() {
    const bool set = copy_.HasRecurrencePattern();
    lbReccur->setEnabled(set);
    lbReccur->setText(set ? QStringLiteral("Recurrence set")
                          : QStringLiteral("Recurrence not set"));
    if (!set)
        SetUnderline(lbReccur, false);
}

void TReminderSetupDlg::UpdateDependentControls() {
    cbEmails->setEnabled(cbSentEmail->isChecked());
    btnSMTPsetup->setEnabled(cbSentEmail->isChecked());
    edAppPath->setEnabled(cbRunApp->isChecked());
    for (QWidget* w : std::initializer_list<QWidget*>{edAudioFile, btnBrowseAudioFile, sbPlay})
        w->setEnabled(cbPlaySound->isChecked());
    pnlRepeatAlert->setEnabled(cbIsAutoAlertEnabled->isChecked());
}

// ---- The date field -------------------------------------------------------------------------

TDateTime TReminderSetupDlg::FieldDate(TDateTime now) const {
    // The text shows whole minutes: read back, it would lose the seconds of a time such as
    // "in 1 minute" although the user did not touch it.
    const std::string text = S(dtReminderDateTime->text());
    if (!loadedText_.empty() && text == loadedText_)
        return loadedDate_;
    return ParseReminderDate(text, now);
}

void TReminderSetupDlg::DateFieldExit() {
    const TDateTime now = Now();
    const TDateTime date = FieldDate(now);
    const bool changed = dateChanged_;
    dtReminderDateTime->setText(Q(FormatReminderDate(date)));
    dateChanged_ = changed; // reformatting is not typing
    lbTimeDifference->setText(Q(TimeDifferenceText(date, now)));
}

void TReminderSetupDlg::DateFieldConfirmKey() {
    DateFieldExit();
    dtReminderDateTime->selectAll();
    const bool typed = dateChanged_;
    dateChanged_ = false;
    if (!typed)
        btnOK->click();
}

void TReminderSetupDlg::DateFieldNavigateKey(bool dropDown) {
    DateFieldExit();
    dtReminderDateTime->selectAll();
    dateChanged_ = false;
    if (dropDown)
        dtReminderDateTime->ClickButton();
}

void TReminderSetupDlg::ApplyPickedDay() {
    const TDateTime day = dtReminderDateTime->Date();
    if (day == 0)
        return;
    keptDate_ = DateOf(day) + TimeOf(keptDate_);
    dtReminderDateTime->setText(Q(FormatReminderDate(keptDate_)));
}

// ---- Panels ---------------------------------------------------------------------------------

bool TReminderSetupDlg::AlertsShown() const {
    return !pnlAlerts->isHidden();
}

void TReminderSetupDlg::ShowAlerts(bool show) {
    if (!show && AlertsShown()) {
        // The summary tells what the controls say now; controls that cannot be read yet
        // (a bad interval) leave the copy as it was.
        for (int kind : {akActivateReminderWnd, akShowAlertWnd, akSendEmail, akRunApp,
                         akShowModalDialog, akPlaySound, akAnimateInTray}) {
            const QCheckBox* boxes[] = {
                cbActivateRemindWnd, cbShowAlertWnd, cbSentEmail,    cbRunApp,
                cbModalDialog,       cbPlaySound,    cbAnimateInTray};
            copy_.GetAction(kind).Enabled = boxes[kind]->isChecked();
        }
        copy_.Action<TAlertActSendEmail>().Emails = EditText(cbEmails->lineEdit());
        copy_.Action<TAlertActRunApp>().AppPath = EditText(edAppPath);
        const TDateTime delta = ParseDuration(S(cbAutoAlertDelta->currentText()), false);
        if (!cbIsAutoAlertEnabled->isChecked() || delta > 0)
            copy_.SetAutoAlert(cbIsAutoAlertEnabled->isChecked(), delta);
        UpdateAlertsSummary();
    }
    pnlAlertsSummary->setVisible(!show);
    pnlAlerts->setVisible(show);
    btnAlerts->setText(show ? QStringLiteral("&Advanced <<") : QStringLiteral("&Advanced >>"));
    setFixedHeight(pnlTop->maximumHeight() +
                   (show ? pnlAlerts->maximumHeight() : pnlAlertsSummary->maximumHeight()) +
                   pnlButtons->maximumHeight());
    if (show && isVisible())
        KeepDialogInWorkArea(this); // moved up so that the bottom stays inside the work area
}

void TReminderSetupDlg::btnAlertsClick() {
    ShowAlerts(!AlertsShown());
}

// ---- Alert controls -------------------------------------------------------------------------

void TReminderSetupDlg::cbEmailsChange() {
    if (emailsChanging_ > 0 || cbEmails->currentText() != QString::fromUtf8(ClearRecentEmailsItem))
        return;
    QScopedValueRollback guard(emailsChanging_, emailsChanging_ + 1);
    if (MessageDlg("Clear list of recent e-mails?", mtConfirmation, mbYesNo) == mrYes)
        cbEmails->clear();
    cbEmails->setCurrentIndex(-1);
    cbEmails->setEditText(QString());
}

void TReminderSetupDlg::cbAutoAlertDeltaExit() {
    cbAutoAlertDelta->setEditText(Q(FormatDuration(
        true, true, false, false, ParseDuration(S(cbAutoAlertDelta->currentText()), false))));
}

void TReminderSetupDlg::btnSMTPsetupClick() {
    ShowOptions("E-mail Account", this);
}

void TReminderSetupDlg::btnBrowseAudioFileClick() {
    if (!ChooseSoundFile)
        return;
    const std::string chosen = ChooseSoundFile(AlertProgramFolder() + "sound");
    if (!chosen.empty())
        edAudioFile->setText(Q(ShortenSoundPath(chosen)));
}

std::string TReminderSetupDlg::CheckAudioFile() {
    const std::string full = ResolveSoundFile(WithoutQuotes(EditText(edAudioFile)));
    if (full.empty())
        MessageDlg("Audio file could not be found: " + S(edAudioFile->text()), mtError,
                   Buttons(mbOK));
    return full;
}

void TReminderSetupDlg::sbPlayClick() {
    const std::string full = CheckAudioFile();
    if (full.empty())
        return;
    if (auto window = RemindersWindow()) {
        window->PlayReminderSound(full);
        playingSound_ = full;
    }
}

void TReminderSetupDlg::StopTestSound() {
    if (playingSound_.empty())
        return;
    if (auto window = RemindersWindow())
        window->StopReminderSound(playingSound_);
    playingSound_.clear();
}

void TReminderSetupDlg::btnReccurClick() {
    const TDateTime due = FieldDate(Now());
    TRecurrencePattern pattern;
    if (copy_.HasRecurrencePattern())
        pattern.Assign(copy_.RecurrencePattern());
    if (!ShowRecurrenceDialog(pattern, due, this))
        return;
    if (pattern.GetPatternStartDate() == 0) {
        copy_.ClearRecurrencePattern();
    } else {
        copy_.RecurrencePattern().Assign(pattern);
        dtReminderDateTime->setText(Q(FormatReminderDate(pattern.GetPatternStartDate())));
        DateFieldExit();
    }
    UpdateRecurrenceLabel();
    UpdateAlertsSummary();
}

// ---- OK, Cancel, Dismiss --------------------------------------------------------------------

void TReminderSetupDlg::Fail(const std::string& message, QWidget* control) {
    ShowAlerts(true);
    if (!message.empty())
        MessageDlg(message, mtError, Buttons(mbOK));
    if (control) {
        control->setFocus();
        if (auto* edit = qobject_cast<QLineEdit*>(control))
            edit->selectAll();
    }
}

std::optional<TReminderSetupValues> TReminderSetupDlg::ReadValues() {
    TReminderSetupValues v;
    v.Caption = EditText(edCaption);
    v.Notes = S(memNotes->toPlainText());
    v.ReminderDateTime = FieldDate(Now());
    v.AutoAlertEnabled = cbIsAutoAlertEnabled->isChecked();
    v.AutoAlertDelta = ParseDuration(S(cbAutoAlertDelta->currentText()), false);
    if (v.AutoAlertEnabled && v.AutoAlertDelta <= 0) {
        Fail("Alert repetition interval is invalid.", cbAutoAlertDelta);
        return std::nullopt;
    }
    v.LimitAutoAlertCount = cbLimitAutoAlertCount->isChecked();
    if (!TryStrToInt(Trim(S(edMaxAutoAlertCount->text())), v.MaxAutoAlertCount)) {
        Fail("The repetition limit must be a whole number.", edMaxAutoAlertCount);
        return std::nullopt;
    }
    // The limit's fields can be edited only while the repetition is on.
    if (v.AutoAlertEnabled && v.LimitAutoAlertCount && v.MaxAutoAlertCount < 1) {
        Fail("The repetition limit must be at least 1.", edMaxAutoAlertCount);
        return std::nullopt;
    }
    const QCheckBox* boxes[] = {cbActivateRemindWnd, cbShowAlertWnd, cbSentEmail,    cbRunApp,
                                cbModalDialog,       cbPlaySound,    cbAnimateInTray};
    for (int kind = 0; kind < AlertKindCount; ++kind)
        v.Enabled[kind] = boxes[kind]->isChecked();
    v.Emails = EditText(cbEmails->lineEdit());
    v.AppPath = EditText(edAppPath);
    v.AudioFile = WithoutQuotes(EditText(edAudioFile));
    return v;
}

void TReminderSetupDlg::WriteBack(const IReminderAwareItemPtr& item,
                                  const TReminderSetupValues& v) {
    item->SetCaption(v.Caption);
    item->SetNotes(v.Notes);
    TReminderItem& r = item->GetReminder();
    r.SetReminderDateTimeIfChanged(v.ReminderDateTime);
    r.SetNextAlertDateTime(r.GetReminderDateTime());
    // Checked by ReadValues: an enabled repetition has an interval above 0.
    r.SetAutoAlert(v.AutoAlertEnabled, v.AutoAlertDelta);
    r.SetLimitAutoAlertCount(v.LimitAutoAlertCount);
    r.SetMaxAutoAlertCount(v.MaxAutoAlertCount);
    r.SetAutoAlertIndex(0);
    for (int kind = 0; kind < AlertKindCount; ++kind)
        r.GetAction(kind).Enabled = v.Enabled[kind];
    r.Action<TAlertActSendEmail>().Emails = v.Emails;
    r.Action<TAlertActRunApp>().AppPath = v.AppPath;
    r.Action<TAlertActPlaySound>().SetAudioFile(v.AudioFile);
    if (copy_.HasRecurrencePattern())
        r.RecurrencePattern().Assign(copy_.RecurrencePattern());
    else
        r.ClearRecurrencePattern();
}

void TReminderSetupDlg::btnOKClick() {
    DateFieldExit();
    const bool anyAction = cbActivateRemindWnd->isChecked() || cbShowAlertWnd->isChecked() ||
                           cbSentEmail->isChecked() || cbRunApp->isChecked() ||
                           cbModalDialog->isChecked() || cbPlaySound->isChecked() ||
                           cbAnimateInTray->isChecked();
    if (!anyAction)
        return Fail("Please select at least one Alert Action.", nullptr);
    if (cbSentEmail->isChecked() && Trim(EditText(cbEmails->lineEdit())).empty())
        return Fail("Please type e-mail address to receive alerts.", cbEmails);
    if (cbSentEmail->isChecked() && !emailWasEnabled_) {
        TMailer mailer(SMTPSettingsKey, true);
        if (Trim(mailer.SMTP.Host).empty()) {
            const int answer = MessageDlg(
                "Can not connect to SMTP server: \"SMTP server is not configured.\". Would you "
                "like to check SMTP server configuration now?",
                mtWarning, mbYesNoCancel);
            if (answer == mrYes) {
                btnSMTPsetupClick();
                return;
            }
            if (answer != mrNo)
                return;
        }
    }
    if (cbRunApp->isChecked() && Trim(EditText(edAppPath)).empty())
        return Fail("Application to run not set.", edAppPath);
    if (cbPlaySound->isChecked() && CheckAudioFile().empty())
        return Fail("", edAudioFile);
    // Every field is read before anything is asked or stored.
    const std::optional<TReminderSetupValues> values = ReadValues();
    if (!values)
        return;
    if (values->AutoAlertEnabled) {
        const int count = values->MaxAutoAlertCount;
        std::string question;
        if (!values->LimitAutoAlertCount)
            question = "The limit of Alert repetition is not set. Are you sure you want to "
                       "repeat all selected alerts without limit?";
        else if (count > kConfirmRepetitionsAbove)
            question = "The limit of Alert repetition is set to " + std::to_string(count) +
                       ". Please confirm that you want to repeat all selected alerts " +
                       std::to_string(count) + " times.";
        if (!question.empty() &&
            MessageDlg(question, mtConfirmation, Buttons(mbYes) | Buttons(mbCancel)) != mrYes)
            return;
    }
    if (cbSaveAsDefault->isChecked() &&
        !ReadRegistryBool(ReminderSettingsKey, "DoNotAskToStoreDefaultAlerts", false)) {
        bool doNotAsk = false;
        const int choice = ShowRadioChoice(
            "Save as Default Alerts",
            "The option \"Save as default alerts\" has been set. Do you want to store these "
            "alerts settings for new reminders as default?",
            "Yes, store current settings as default alerts",
            "No, do not store current settings as default alerts", doNotAsk, 0,
            ReminderSetupHelpContext, true, true, this);
        if (choice < 0)
            return;
        if (choice == 1) {
            cbSaveAsDefault->setChecked(false);
            return;
        }
        WriteRegistryBool(ReminderSettingsKey, "DoNotAskToStoreDefaultAlerts", doNotAsk);
    }
    SaveRecentEmails();
    StopTestSound();
    WriteRegistryBool(ReminderSettingsKey, "ShowAlerts", AlertsShown());
    accept();
}

void TReminderSetupDlg::SaveRecentEmails() {
    TStringList recent;
    for (int i = 0; i < cbEmails->count(); ++i)
        recent.Add(S(cbEmails->itemText(i)));
    if (recent.Count() > 0 && recent[recent.Count() - 1] == ClearRecentEmailsItem)
        recent.Delete(recent.Count() - 1);
    const std::string text = Trim(EditText(cbEmails->lineEdit()));
    AddRecentEmail(recent, text);
    TRegistryManager reg(SMTPSettingsKey);
    reg.WriteStringsValue("LastEmails", recent, MaxRecentEmails);
    reg.WriteStringValue("LastEmail", text);
}

void TReminderSetupDlg::btnCancelClick() {
    StopTestSound();
    reject();
}

void TReminderSetupDlg::btnDismissClick() {
    if (MessageDlg("Dismiss reminder?", mtConfirmation, mbYesNo) != mrYes)
        return;
    // The fields are written back with the dismissal: they must be readable.
    DateFieldExit();
    if (!ReadValues())
        return;
    if (copy_.HasRecurrencePattern()) {
        const int choice = ShowRadioChoiceSimple(
            "Recurrence",
            "This is a recurring reminder. Would you like to remove all future occurrences or "
            "just this one?",
            "Remove all occurrences", "Remove only this one", 1, ReminderSetupHelpContext, true,
            this);
        if (choice < 0)
            return;
        removeAll_ = choice == 0;
    }
    dismiss_ = true;
    StopTestSound();
    accept();
}

// ---- Events ---------------------------------------------------------------------------------

void TReminderSetupDlg::keyPressEvent(QKeyEvent* e) {
    HandleAltKeyForRepaint(this, e->key(), e->modifiers());
    if (e->key() == Qt::Key_Escape) {
        btnCancel->click();
        return;
    }
    QDialog::keyPressEvent(e);
}

void TReminderSetupDlg::customEvent(QEvent* e) {
    if (AsMessage(e, WM_UPDATE_DATE_TEXT)) {
        CallGuarded([this] { ApplyPickedDay(); });
        return;
    }
    QDialog::customEvent(e);
}

bool TReminderSetupDlg::eventFilter(QObject* watched, QEvent* e) {
    if (watched == lbAlertsDesc || watched == lbReccur) {
        auto* label = static_cast<QLabel*>(watched);
        if (e->type() == QEvent::Enter && label->isEnabled())
            SetUnderline(label, true);
        else if (e->type() == QEvent::Leave)
            SetUnderline(label, false);
        else if (e->type() == QEvent::MouseButtonRelease && label->isEnabled())
            CallGuarded([&] {
                if (label == lbAlertsDesc)
                    ShowAlerts(true);
                else
                    btnReccurClick();
            });
        return false;
    }
    if (watched == cbAutoAlertDelta->lineEdit() || watched == cbAutoAlertDelta) {
        if (e->type() == QEvent::FocusOut && watched == cbAutoAlertDelta->lineEdit())
            CallGuarded([this] { cbAutoAlertDeltaExit(); });
        if (e->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(e)->key();
            if ((key == Qt::Key_Return || key == Qt::Key_Enter) &&
                !(static_cast<QKeyEvent*>(e)->modifiers() & Qt::ControlModifier)) {
                CallGuarded([this] { cbAutoAlertDeltaExit(); });
                cbAutoAlertDelta->lineEdit()->selectAll();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, e);
}

// ---- Showing --------------------------------------------------------------------------------

bool ShowReminderSetupDialog(const IReminderAwareItemPtr& item, bool isNew, int startDay,
                             bool& saveAsDefault, QWidget* parent) {
    if (!item)
        return false;
    TReminderSetupDlg dialog(parent);
    dialog.dtReminderDateTime->Calendar().SetStartDay(startDay);
    saveAsDefault = false;
    dialog.Load(item, isNew);
    dialog.dtReminderDateTime->setFocus();
    if (dialog.exec() != QDialog::Accepted)
        return false;
    // The fields were read (and checked) by OK or Dismiss before the dialog closed.
    const std::optional<TReminderSetupValues> values = dialog.ReadValues();
    if (!values)
        return false;
    dialog.WriteBack(item, *values);
    saveAsDefault = dialog.cbSaveAsDefault->isChecked();
    if (dialog.DismissRequested()) {
        TReminderItem& r = item->GetReminder();
        if (dialog.RemoveAllRequested())
            r.ClearRecurrencePattern();
        r.SetReminderState(rsDismissed);
    }
    return true;
}

// The reminder setup dialog: its texts, its OK checks, the copy written back only on OK, the
// defaults, dismissal and the recent recipients.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <cstdlib>
#include <gtest/gtest.h>

#include "app/frmradiochoice.h"
#include "app/frmremindersetup.h"
#include "controls/edits/agendadatepicker.h"
#include "core/mailer.h"
#include "core/productinfo.h"
#include "core/registrymanager.h"
#include "core/tockwelldb.h"
#include "dialogtestutil.h"
#include "fakealertwindows.h"
#include "fakemessageboxes.h"
#include "platform/datetimeformat.h"
#include "testutil.h"

namespace {

class ReminderSetupTest : public ::testing::Test {
protected:
    // An entry due tomorrow at 9:00, listed in the reminders window only.
    TTockwellItemPtr Entry() {
        TTockwellItemPtr item = TTockwellDB::NewItem("Dentist", At(2024, 3, 15, 9));
        item->SetNotes("bring the card");
        return item;
    }
    // The dialog loaded with item, as the OK checks see it.
    std::unique_ptr<TReminderSetupDlg> Dialog(const TTockwellItemPtr& item, bool isNew = false) {
        auto d = std::make_unique<TReminderSetupDlg>();
        d->Load(item, isNew);
        return d;
    }
    bool PassesOK(TReminderSetupDlg& d) {
        d.setResult(0);
        d.btnOKClick();
        return d.result() == QDialog::Accepted;
    }
    std::string LastBox() { return boxes->Boxes.empty() ? "" : boxes->Boxes.back().text; }

    TempRegistry registry;
    FakeAlertEnvironment env;
    FakeMessageBoxesGuard boxes;
    // Thursday, 14 March 2024, noon.
    FixedClock clock{At(2024, 3, 14, 12)};
};

} // namespace

TEST(ReminderSetupTexts, DefaultTimeFormatsAndRecentRecipients) {
    const TDateTime now = At(2024, 3, 14, 12, 30);
    // 0 is today; a whole day gets now's time, plus 10 minutes on today; a time stays.
    EXPECT_DOUBLE_EQ(DefaultReminderTime(0, now), At(2024, 3, 14, 12, 40));
    EXPECT_DOUBLE_EQ(DefaultReminderTime(At(2024, 3, 14), now), At(2024, 3, 14, 12, 40));
    EXPECT_DOUBLE_EQ(DefaultReminderTime(At(2024, 3, 20), now), At(2024, 3, 20, 12, 30));
    EXPECT_DOUBLE_EQ(DefaultReminderTime(At(2024, 3, 20, 8), now), At(2024, 3, 20, 8));
    EXPECT_DOUBLE_EQ(ParseReminderDate("", now), At(2024, 3, 14, 12, 40));

    EXPECT_EQ(FormatReminderDate(0), "");
    EXPECT_EQ(FormatReminderDate(At(2024, 3, 20)), FormatDateTime("ddddd", At(2024, 3, 20)));
    EXPECT_EQ(FormatReminderDate(At(2024, 3, 20, 8, 5)),
              FormatDateTime("ddddd", At(2024, 3, 20)) + " " +
                  FormatDateTime("t", At(2024, 3, 20, 8, 5)));
    // The text reads back as the same time.
    EXPECT_NEAR(ParseReminderDate(FormatReminderDate(At(2024, 3, 20, 8, 5)), now),
                At(2024, 3, 20, 8, 5), OneSecond);

    EXPECT_EQ(TimeDifferenceText(now + 2 * OneHour, now), "in ~ 2 hours");
    EXPECT_EQ(TimeDifferenceText(now - OneHour, now), "");
    EXPECT_EQ(TimeDifferenceText(now, now), "");

    TStringList recent;
    AddRecentEmail(recent, "  ");
    EXPECT_EQ(recent.Count(), 0);
    for (int i = 1; i <= 9; ++i)
        AddRecentEmail(recent, "a" + std::to_string(i) + "@x.org");
    ASSERT_EQ(recent.Count(), MaxRecentEmails);
    EXPECT_EQ(recent[0], "a9@x.org");
    AddRecentEmail(recent, " A5@X.org ");
    EXPECT_EQ(recent.Count(), MaxRecentEmails);
    EXPECT_EQ(recent[0], "a9@x.org");
}

TEST_F(ReminderSetupTest, LoadsTheReminderAndTheRecentRecipients) {
    TRegistryManager(SMTPSettingsKey).WriteStringValue("LastEmails", "a@x.org\r\nb@x.org\r\n");
    TRegistryManager(SMTPSettingsKey).WriteStringValue("LastEmail", "b@x.org");
    TTockwellItemPtr item = Entry();
    auto d = Dialog(item);
    EXPECT_EQ(d->windowTitle(), "Setup Reminder");
    EXPECT_EQ(d->property("HelpContext").toInt(), 1005);
    EXPECT_TRUE(d->btnDismiss->isEnabled());
    EXPECT_EQ(d->edCaption->text(), "Dentist");
    EXPECT_EQ(d->memNotes->toPlainText(), "bring the card");
    EXPECT_EQ(d->dtReminderDateTime->text().toStdString(), FormatReminderDate(At(2024, 3, 15, 9)));
    EXPECT_EQ(d->lbTimeDifference->text(), "in ~ 21 hours");
    EXPECT_EQ(d->cbAutoAlertDelta->currentText(), "15 min");
    EXPECT_EQ(d->edMaxAutoAlertCount->text(), "3");
    EXPECT_TRUE(d->cbActivateRemindWnd->isChecked());
    EXPECT_FALSE(d->cbEmails->isEnabled());
    EXPECT_FALSE(d->pnlRepeatAlert->isEnabled());
    EXPECT_EQ(d->lbReccur->text(), "Recurrence not set");
    EXPECT_EQ(d->lbAlertsDesc->text(), "Alerts: Reminders window.");
    ASSERT_EQ(d->cbEmails->count(), 3);
    EXPECT_EQ(d->cbEmails->itemText(2), "<clear list...>");
    EXPECT_EQ(d->cbEmails->currentText(), "b@x.org");

    // "<clear list...>" asks; No keeps the list, Yes empties it; the text goes either way.
    boxes->Answers = {mrNo, mrYes};
    d->cbEmails->setCurrentIndex(2);
    EXPECT_EQ(LastBox(), "Clear list of recent e-mails?");
    EXPECT_EQ(d->cbEmails->count(), 3);
    EXPECT_EQ(d->cbEmails->currentText(), "");
    d->cbEmails->setCurrentIndex(2);
    EXPECT_EQ(d->cbEmails->count(), 0);
    EXPECT_EQ(d->cbEmails->currentText(), "");

    // A new reminder, and an empty list gets no clear item.
    auto fresh = Dialog(Entry(), true);
    EXPECT_EQ(fresh->windowTitle(), "New Reminder");
    EXPECT_FALSE(fresh->btnDismiss->isEnabled());
}

TEST_F(ReminderSetupTest, OkChecksEachFieldInTurnAndKeepsTheDialogOpen) {
    auto d = Dialog(Entry());
    d->show();

    d->cbActivateRemindWnd->setChecked(false);
    EXPECT_FALSE(PassesOK(*d));
    EXPECT_EQ(LastBox(), "Please select at least one Alert Action.");
    EXPECT_TRUE(d->AlertsShown());
    d->cbActivateRemindWnd->setChecked(true);

    d->cbSentEmail->setChecked(true);
    d->cbEmails->setEditText("");
    EXPECT_FALSE(PassesOK(*d));
    EXPECT_EQ(LastBox(), "Please type e-mail address to receive alerts.");
    EXPECT_EQ(d->focusWidget(), d->cbEmails);
    // Newly enabled e-mail without an SMTP host: Cancel stays, No goes on.
    d->cbEmails->setEditText("me@x.org");
    boxes->Answers = {mrCancel};
    EXPECT_FALSE(PassesOK(*d));
    EXPECT_NE(LastBox().find("SMTP server is not configured."), std::string::npos);
    d->cbSentEmail->setChecked(false);

    d->cbRunApp->setChecked(true);
    d->edAppPath->clear();
    EXPECT_FALSE(PassesOK(*d));
    EXPECT_EQ(LastBox(), "Application to run not set.");
    EXPECT_EQ(d->focusWidget(), d->edAppPath);
    d->cbRunApp->setChecked(false);

    d->cbPlaySound->setChecked(true);
    d->edAudioFile->setText("\"no such sound.wav\"");
    EXPECT_FALSE(PassesOK(*d));
    EXPECT_EQ(LastBox(), "Audio file could not be found: \"no such sound.wav\"");
    d->cbPlaySound->setChecked(false);

    // An interval of 0 matters only with the repetition on.
    d->cbAutoAlertDelta->setEditText("0");
    d->edMaxAutoAlertCount->setText("x");
    d->cbIsAutoAlertEnabled->setChecked(true);
    EXPECT_FALSE(PassesOK(*d));
    EXPECT_EQ(LastBox(), "Alert repetition interval is invalid.");
    EXPECT_EQ(d->focusWidget(), d->cbAutoAlertDelta);
    d->cbAutoAlertDelta->setEditText("10 min");
    // A limit that is no whole number is refused like the other fields.
    EXPECT_FALSE(PassesOK(*d));
    EXPECT_EQ(LastBox(), "The repetition limit must be a whole number.");
    EXPECT_EQ(d->focusWidget(), d->edMaxAutoAlertCount);

    // 20 repetitions need no confirmation, 21 do; no limit at all is asked too.
    d->cbLimitAutoAlertCount->setChecked(true);
    d->edMaxAutoAlertCount->setText("21");
    boxes->Answers = {mrCancel, mrYes};
    size_t before = boxes->Boxes.size();
    EXPECT_FALSE(PassesOK(*d));
    EXPECT_EQ(LastBox(), "The limit of Alert repetition is set to 21. Please confirm that you "
                         "want to repeat all selected alerts 21 times.");
    EXPECT_TRUE(PassesOK(*d));
    EXPECT_EQ(boxes->Boxes.size(), before + 2);
    d->edMaxAutoAlertCount->setText(" 20 ");
    EXPECT_TRUE(PassesOK(*d));
    EXPECT_EQ(boxes->Boxes.size(), before + 2);
    d->cbLimitAutoAlertCount->setChecked(false);
    boxes->Answers = {mrCancel};
    EXPECT_FALSE(PassesOK(*d));
    EXPECT_EQ(LastBox(), "The limit of Alert repetition is not set. Are you sure you want to "
                         "repeat all selected alerts without limit?");
    d->cbIsAutoAlertEnabled->setChecked(false);
    d->cbAutoAlertDelta->setEditText("0");
    EXPECT_TRUE(PassesOK(*d));
    EXPECT_TRUE(ReadRegistryBool(ReminderSettingsKey, "ShowAlerts", false));
}

TEST_F(ReminderSetupTest, WritesBackOnlyOnOkAndNeverHalfway) {
    TTockwellItemPtr item = Entry();
    bool saveAsDefault = true;

    // Cancel: nothing changes, a recurrence set meanwhile included.
    OnModal<TReminderSetupDlg>([](TReminderSetupDlg& d) {
        d.edCaption->setText("Changed");
        d.WorkingCopy().RecurrencePattern().Reset(At(2024, 3, 15, 9));
        d.btnCancel->click();
    });
    EXPECT_FALSE(ShowReminderSetupDialog(item, false, 1, saveAsDefault));
    EXPECT_FALSE(saveAsDefault);
    EXPECT_EQ(item->Caption, "Dentist");
    EXPECT_FALSE(item->GetReminder().HasRecurrencePattern());

    // A bad limit keeps the dialog open with the reminder untouched; fixed, OK writes all.
    OnModal<TReminderSetupDlg>([this](TReminderSetupDlg& d) {
        d.edCaption->setText("Dentist, Dr. Moss");
        d.dtReminderDateTime->setText("3/16/2024 10:15 AM");
        d.cbShowAlertWnd->setChecked(true);
        d.cbIsAutoAlertEnabled->setChecked(true);
        d.cbAutoAlertDelta->setEditText("5 min");
        d.cbLimitAutoAlertCount->setChecked(true);
        d.edMaxAutoAlertCount->setText("2.5");
        d.btnOK->click();
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(LastBox(), "The repetition limit must be a whole number.");
        d.edMaxAutoAlertCount->setText("4");
        d.btnOK->click();
    });
    ASSERT_TRUE(ShowReminderSetupDialog(item, false, 1, saveAsDefault));
    EXPECT_EQ(item->Caption, "Dentist, Dr. Moss");
    TReminderItem& r = item->GetReminder();
    EXPECT_NEAR(r.GetReminderDateTime(), At(2024, 3, 16, 10, 15), OneSecond);
    EXPECT_EQ(r.GetNextAlertDateTime(), r.GetReminderDateTime());
    EXPECT_TRUE(r.IsActive());
    EXPECT_TRUE(r.GetAction(akShowAlertWnd).Enabled);
    EXPECT_TRUE(r.GetIsAutoAlertEnabled());
    EXPECT_NEAR(r.GetAutoAlertDelta(), 5 * OneMinute, OneSecond);
    EXPECT_EQ(r.GetMaxAutoAlertCount(), 4);
}

TEST_F(ReminderSetupTest, TextsLongerThanAnEditHoldsStayWholeUnlessEdited) {
    TTockwellItemPtr item = Entry();
    const std::string caption(100'000, 'c'), path(40'000, 'p');
    item->SetCaption(caption);
    TReminderItem& r = item->GetReminder();
    r.Action<TAlertActRunApp>().Enabled = true;
    r.Action<TAlertActRunApp>().AppPath = path;
    r.Action<TAlertActSendEmail>().Enabled = true;
    r.Action<TAlertActSendEmail>().Emails = "kim@example.org," + std::string(40'000, 'e');
    const std::string emails = r.Action<TAlertActSendEmail>().Emails;
    bool saveAsDefault = false;
    OnModal<TReminderSetupDlg>([](TReminderSetupDlg& d) { d.btnOK->click(); });
    ASSERT_TRUE(ShowReminderSetupDialog(item, false, 1, saveAsDefault));
    EXPECT_EQ(item->Caption, caption);
    EXPECT_EQ(r.Action<TAlertActRunApp>().AppPath, path);
    EXPECT_EQ(r.Action<TAlertActSendEmail>().Emails, emails);
    // Edited, it is what the edit holds.
    OnModal<TReminderSetupDlg>([](TReminderSetupDlg& d) {
        d.edCaption->setText("Dentist");
        d.btnOK->click();
    });
    ASSERT_TRUE(ShowReminderSetupDialog(item, false, 1, saveAsDefault));
    EXPECT_EQ(item->Caption, "Dentist");
    EXPECT_EQ(r.Action<TAlertActRunApp>().AppPath, path);
}

TEST_F(ReminderSetupTest, AnUntouchedTimeKeepsItsSecondsAndTheRecipientsAreWrittenUnticked) {
    // Typed in the console as "in 1 minute" at 12:00:52.
    TTockwellItemPtr item = TTockwellDB::NewItem("Tea", At(2024, 3, 14, 12, 1, 52));
    item->GetReminder().Action<TAlertActSendEmail>().Emails = "old@x.org";
    bool saveAsDefault = false;
    // Enter without typing reformats the field and confirms.
    OnModal<TReminderSetupDlg>([](TReminderSetupDlg& d) {
        EXPECT_FALSE(d.cbSentEmail->isChecked());
        d.cbEmails->setEditText("new@x.org");
        d.DateFieldConfirmKey();
    });
    ASSERT_TRUE(ShowReminderSetupDialog(item, true, 1, saveAsDefault));
    TReminderItem& r = item->GetReminder();
    EXPECT_EQ(r.GetReminderDateTime(), At(2024, 3, 14, 12, 1, 52));
    EXPECT_EQ(r.GetNextAlertDateTime(), At(2024, 3, 14, 12, 1, 52));
    EXPECT_FALSE(r.GetAction(akSendEmail).Enabled);
    EXPECT_EQ(r.Action<TAlertActSendEmail>().Emails, "new@x.org");

    // A time the user edits is taken as shown.
    OnModal<TReminderSetupDlg>([](TReminderSetupDlg& d) {
        d.dtReminderDateTime->setText("3/14/2024 12:05 PM");
        d.btnOK->click();
    });
    ASSERT_TRUE(ShowReminderSetupDialog(item, false, 1, saveAsDefault));
    EXPECT_NEAR(r.GetReminderDateTime(), At(2024, 3, 14, 12, 5), OneSecond / 10);
}

TEST_F(ReminderSetupTest, SaveAsDefaultAsksUnlessToldNotTo) {
    TTockwellItemPtr item = Entry();
    bool saveAsDefault = false;
    // "No" unchecks the box and stays; then "Yes" with "do not ask again".
    OnModal<TReminderSetupDlg>([](TReminderSetupDlg& d) {
        d.cbSaveAsDefault->setChecked(true);
        OnModal<TRadioChoice>([](TRadioChoice& c) {
            EXPECT_EQ(c.windowTitle(), "Save as Default Alerts");
            EXPECT_TRUE(c.rbRadioButton0->isChecked());
            c.rbRadioButton1->setChecked(true);
            c.btnOK->click();
        });
        d.btnOK->click();
        EXPECT_FALSE(d.cbSaveAsDefault->isChecked());
        d.cbSaveAsDefault->setChecked(true);
        OnModal<TRadioChoice>([](TRadioChoice& c) {
            c.cbDoNotAskAgain->setChecked(true);
            c.btnOK->click();
        });
        d.btnOK->click();
    });
    ASSERT_TRUE(ShowReminderSetupDialog(item, false, 1, saveAsDefault));
    EXPECT_TRUE(saveAsDefault);
    EXPECT_TRUE(ReadRegistryBool(ReminderSettingsKey, "DoNotAskToStoreDefaultAlerts", false));
}

TEST_F(ReminderSetupTest, DismissingARecurringReminderBothWays) {
    for (int choice : {0, 1}) {
        TTockwellItemPtr item = Entry();
        TRecurrencePattern& pattern = item->GetReminder().RecurrencePattern();
        pattern.Reset(At(2024, 3, 15, 9));
        pattern.SetPatternStartDate(At(2024, 3, 15, 9));
        boxes->Answers = {mrYes};
        bool saveAsDefault = false;
        OnModal<TReminderSetupDlg>([choice](TReminderSetupDlg& d) {
            OnModal<TRadioChoice>([choice](TRadioChoice& c) {
                EXPECT_EQ(c.windowTitle(), "Recurrence");
                EXPECT_TRUE(c.rbRadioButton1->isChecked());
                (choice == 0 ? c.rbRadioButton0 : c.rbRadioButton1)->setChecked(true);
                c.btnOK->click();
            });
            d.btnDismiss->click();
        });
        ASSERT_TRUE(ShowReminderSetupDialog(item, false, 1, saveAsDefault));
        EXPECT_EQ(boxes->Boxes.back().text, "Dismiss reminder?");
        TReminderItem& r = item->GetReminder();
        if (choice == 0) {
            // All occurrences: the pattern goes before the state becomes dismissed.
            EXPECT_FALSE(r.HasRecurrencePattern());
            EXPECT_EQ(r.GetReminderState(), rsDismissed);
            EXPECT_EQ(r.GetNextAlertDateTime(), 0);
        } else {
            // Only this one: the recurrence brings it back.
            EXPECT_TRUE(r.HasRecurrencePattern());
            EXPECT_TRUE(r.IsActive());
            EXPECT_GT(r.GetNextAlertDateTime(), At(2024, 3, 15, 9));
        }
    }

    // A field that cannot be written back stops the dismissal too.
    TTockwellItemPtr item = Entry();
    auto d = Dialog(item);
    d->edMaxAutoAlertCount->setText("many");
    boxes->Answers = {mrYes};
    d->btnDismissClick();
    EXPECT_FALSE(d->DismissRequested());
    EXPECT_EQ(LastBox(), "The repetition limit must be a whole number.");
}

TEST_F(ReminderSetupTest, DateFieldReformatsOnEnterAndASecondEnterConfirms) {
    auto d = Dialog(Entry());
    d->show();
    // Up and Down reformat but never confirm.
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(d->dtReminderDateTime, &down);
    QApplication::sendEvent(d->dtReminderDateTime, &down);
    EXPECT_NE(d->result(), QDialog::Accepted);
    EXPECT_TRUE(d->isVisible());

    // Typed, the first Enter reformats; the second confirms.
    d->dtReminderDateTime->setFocus();
    d->dtReminderDateTime->selectAll();
    for (QChar c : QStringLiteral("tomorrow 3pm")) {
        QKeyEvent key(QEvent::KeyPress, c.toUpper().unicode(), Qt::NoModifier, QString(c));
        QApplication::sendEvent(d->dtReminderDateTime, &key);
    }
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(d->dtReminderDateTime, &enter);
    EXPECT_EQ(d->dtReminderDateTime->text().toStdString(), FormatReminderDate(At(2024, 3, 15, 15)));
    EXPECT_NE(d->result(), QDialog::Accepted);
    QApplication::sendEvent(d->dtReminderDateTime, &enter);
    EXPECT_EQ(d->result(), QDialog::Accepted);

    // A day without time: today gets now + 10 minutes, another day now's time.
    d->dtReminderDateTime->setText(QString::fromStdString(FormatDateTime("ddddd", Date())));
    d->DateFieldExit();
    EXPECT_EQ(d->dtReminderDateTime->text().toStdString(),
              FormatReminderDate(At(2024, 3, 14, 12, 10)));
    d->dtReminderDateTime->setText(QString::fromStdString(FormatDateTime("ddddd", At(2024, 4, 2))));
    d->DateFieldExit();
    EXPECT_EQ(d->dtReminderDateTime->text().toStdString(), FormatReminderDate(At(2024, 4, 2, 12)));
    EXPECT_EQ(d->lbTimeDifference->text(), "in ~ 2 weeks");
}

TEST_F(ReminderSetupTest, ALimitBelowOneIsRefusedAndNothingWritten) {
    TTockwellItemPtr item = Entry();
    auto d = Dialog(item);
    d->show();
    d->cbIsAutoAlertEnabled->setChecked(true);
    d->cbLimitAutoAlertCount->setChecked(true);
    for (const char* count : {"-5", "0"}) {
        d->edMaxAutoAlertCount->setText(count);
        EXPECT_FALSE(PassesOK(*d));
        EXPECT_EQ(LastBox(), "The repetition limit must be at least 1.");
        EXPECT_EQ(d->focusWidget(), d->edMaxAutoAlertCount);
    }
    EXPECT_EQ(item->GetReminder().GetMaxAutoAlertCount(), 3);
    EXPECT_FALSE(item->GetReminder().GetIsAutoAlertEnabled());
    d->edMaxAutoAlertCount->setText("1");
    EXPECT_TRUE(PassesOK(*d));
}

TEST_F(ReminderSetupTest, OpensCentredOnTheScreen) {
    QWidget owner;
    owner.setGeometry(10, 10, 200, 100);
    owner.show();
    TReminderSetupDlg d(&owner);
    d.Load(Entry(), false);
    d.show();
    QApplication::processEvents();
    const QRect area = d.screen()->availableGeometry();
    EXPECT_LE(std::abs(d.frameGeometry().center().x() - area.center().x()), 1);
    EXPECT_TRUE(area.contains(d.frameGeometry())) << d.frameGeometry().height();
}

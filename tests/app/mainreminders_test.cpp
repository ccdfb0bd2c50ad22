// The main window's console and its add, edit, snooze and dismiss paths, each followed to the
// data file on disk.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <functional>
#include <gtest/gtest.h>

#include "app/cooltrayicon.h"
#include "app/frmremindersetup.h"
#include "apptestutil.h"
#include "controls/calendar/calendargroup.h"
#include "core/productinfo.h"
#include "core/registrymanager.h"
#include "dialogtestutil.h"
#include "mainwindowfixture.h"
#include "platform/datetimeformat.h"

namespace {

// The main window with the setup dialog answered by the test.
class TDialogMain : public TOpenMain {
public:
    using TOpenMain::TOpenMain;
    // Called instead of the dialog; its result is the dialog's. Unset: the real dialog.
    std::function<bool(const IReminderAwareItemPtr&, bool isNew, bool& saveAsDefault)> Dialog;
    int SetupCount = 0;

protected:
    bool RunReminderSetupDialog(const IReminderAwareItemPtr& item, bool isNew,
                                bool& saveAsDefault) override {
        ++SetupCount;
        if (!Dialog)
            return TOpenMain::RunReminderSetupDialog(item, isNew, saveAsDefault);
        return Dialog(item, isNew, saveAsDefault);
    }
};

class MainRemindersTest : public MainWindowFixture {
protected:
    void SetUp() override { clock.Set(At(2024, 3, 14, 12)); }

    std::unique_ptr<TDialogMain> OpenMain() {
        TTockwellDB db;
        db.DBSettings.CloseAfterCreateNewReminder = false;
        return Open<TDialogMain>(&db);
    }
    void Type(TDialogMain& form, const std::string& text) {
        form.Console().setText(QString::fromStdString(text));
    }
    // A key press on the console, through the application's event delivery.
    void Press(TDialogMain& form, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QKeyEvent press(QEvent::KeyPress, key, mods);
        QApplication::sendEvent(&form.Console(), &press);
    }
    // The only reminder of the saved data file.
    TTockwellItemPtr SavedOnly() {
        saved = Saved();
        EXPECT_EQ(saved->Count(), 1);
        return saved->Count() == 1 ? saved->GetItem(0) : nullptr;
    }
    std::unique_ptr<TTockwellDB> saved;
};

} // namespace

TEST_F(MainRemindersTest, ConsolePhrasesAddRemindersOrMoveTheCalendar) {
    auto form = OpenMain();
    form->Dialog = [](const IReminderAwareItemPtr&, bool, bool&) { return true; };

    // A date alone moves the calendar and shows the date; nothing is added.
    Type(*form, "next friday");
    Press(*form, Qt::Key_Return);
    EXPECT_EQ(form->Calendar().GetDate(), At(2024, 3, 22));
    EXPECT_EQ(form->Console().text().toStdString(), FormatDateTime("ddddd", At(2024, 3, 22)));
    EXPECT_EQ(form->DB().Count(), 0);
    EXPECT_EQ(form->SetupCount, 0);

    // A title without time: today at now + 10 minutes (with the dialog on Enter).
    Type(*form, "call mom");
    form->Calendar().SetDate(At(2024, 3, 14));
    Press(*form, Qt::Key_Return);
    EXPECT_EQ(form->SetupCount, 1);
    TTockwellItemPtr item = SavedOnly();
    ASSERT_TRUE(item);
    EXPECT_EQ(item->Caption, "call mom");
    EXPECT_NEAR(item->GetReminder().GetReminderDateTime(), At(2024, 3, 14, 12, 10), OneSecond);
    EXPECT_TRUE(item->GetReminder().IsActive());
    EXPECT_EQ(form->Console().text(), "");
    EXPECT_EQ(form->CoolTrayIcon().Data().InfoTitle, "Tockwell added");
    EXPECT_EQ(form->CoolTrayIcon().Data().Info.toStdString(),
              FormatDateTime("ddddd, t", item->GetReminder().GetReminderDateTime()) +
                  "\nin 10 min\ncall mom");
    EXPECT_TRUE(form->Console().hasFocus() || !form->isActiveWindow());

    // On another day: that day at the current time, with Ctrl+Enter and without the dialog.
    Type(*form, "water plants tomorrow");
    Press(*form, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(form->SetupCount, 1);
    saved = Saved();
    ASSERT_EQ(saved->Count(), 2);
    TTockwellItemPtr plants = saved->GetItem(1);
    EXPECT_EQ(plants->Caption, "water plants");
    EXPECT_NEAR(plants->GetReminder().GetReminderDateTime(), At(2024, 3, 15, 12), OneSecond);

    // A date in the past becomes now + 10 minutes.
    Type(*form, "pay rent yesterday 9am");
    Press(*form, Qt::Key_Enter, Qt::ControlModifier);
    saved = Saved();
    ASSERT_EQ(saved->Count(), 3);
    EXPECT_NEAR(saved->GetItem(0)->GetReminder().GetReminderDateTime(), At(2024, 3, 14, 12, 10),
                OneSecond);

    // Ctrl+Home in the console: the calendar goes to today.
    form->Calendar().SetDate(At(2024, 5, 1));
    Press(*form, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(form->Calendar().GetDate(), At(2024, 3, 14));
}

TEST_F(MainRemindersTest, CancelledDialogAddsNothingAndKeepsTheConsole) {
    auto form = OpenMain();
    form->Dialog = [](const IReminderAwareItemPtr&, bool isNew, bool&) {
        EXPECT_TRUE(isNew);
        return false;
    };
    Type(*form, "call mom tomorrow 10 am");
    Press(*form, Qt::Key_Return);
    EXPECT_EQ(form->SetupCount, 1);
    EXPECT_EQ(form->DB().Count(), 0);
    EXPECT_EQ(form->Console().text(), "call mom tomorrow 10 am");
    EXPECT_EQ(Saved()->Count(), 0);
}

TEST_F(MainRemindersTest, AddedReminderHidesTheWindowWhenAskedAndTakesTheDefaultAlerts) {
    TTockwellDB db;
    db.DefaultAlertSettings.GetAction(akShowAlertWnd).Enabled = true;
    auto form = Open<TDialogMain>(&db);
    ASSERT_TRUE(form->DB().DBSettings.CloseAfterCreateNewReminder);
    ASSERT_TRUE(form->isVisible());
    form->Console().setText("call mom 3pm");
    form->ProcessConsole(false);
    Spin(50); // the posted hide-to-tray message
    EXPECT_TRUE(!form->isVisible() || form->isMinimized());
    TTockwellItemPtr item = SavedOnly();
    ASSERT_TRUE(item);
    EXPECT_TRUE(item->GetReminder().GetAction(akShowAlertWnd).Enabled);
    EXPECT_NEAR(item->GetReminder().GetReminderDateTime(), At(2024, 3, 14, 15), OneSecond);
}

TEST_F(MainRemindersTest, EditSnoozeAndDismissReachTheDataFile) {
    TTockwellDB db;
    db.DBSettings.CloseAfterCreateNewReminder = false;
    db.AddNew("Standup", At(2024, 3, 14, 12, 5));
    auto form = Open<TDialogMain>(&db);
    form->RefreshAll(); // the nearest reminder is known

    // Edited through the real dialog, its alerts kept as defaults.
    WriteRegistryBool(ReminderSettingsKey, "DoNotAskToStoreDefaultAlerts", true);
    TDialogMain* main = form.get();
    OnModal<TReminderSetupDlg>([main](TReminderSetupDlg& d) {
        EXPECT_EQ(d.windowTitle(), "Setup Reminder");
        // A second dialog does not open over it (the tray still takes clicks).
        EXPECT_FALSE(main->EditReminderAndShow(main->DB().GetItemIntf(0), true, true, false));
        d.edCaption->setText("Standup meeting");
        d.cbShowAlertWnd->setChecked(true);
        d.cbSaveAsDefault->setChecked(true);
        d.btnOK->click();
    });
    form->Console().setText("x");
    QKeyEvent altEnter(QEvent::KeyPress, Qt::Key_Return, Qt::AltModifier);
    form->CaptionNotification().setToolTip("shown"); // the caption shows the nearest alert
    QApplication::sendEvent(&form->Console(), &altEnter);
    EXPECT_EQ(form->SetupCount, 1);
    TTockwellItemPtr item = SavedOnly();
    ASSERT_TRUE(item);
    EXPECT_EQ(item->Caption, "Standup meeting");
    EXPECT_TRUE(item->GetReminder().GetAction(akShowAlertWnd).Enabled);
    EXPECT_TRUE(saved->DefaultAlertSettings.GetAction(akShowAlertWnd).Enabled);
    EXPECT_FALSE(saved->DefaultAlertSettings.HasRecurrencePattern());
    EXPECT_EQ(form->Console().text(), "x");

    // Snoozed from the caption menu.
    form->RefreshAll();
    ASSERT_TRUE(form->mnuSnooze10min->isEnabled());
    form->mnuSnooze10min->trigger();
    item = SavedOnly();
    EXPECT_TRUE(item->GetReminder().GetSnoozed());
    EXPECT_NEAR(item->GetReminder().GetNextAlertDateTime(), At(2024, 3, 14, 12, 10), OneSecond);

    // Dismissed from the caption menu.
    form->RefreshAll();
    form->actCaptionDismissReminder->trigger();
    item = SavedOnly();
    EXPECT_EQ(item->GetReminder().GetReminderState(), rsDismissed);
    EXPECT_EQ(item->GetReminder().GetNextAlertDateTime(), 0);
}

TEST_F(MainRemindersTest, AddReminderCommandUsesTheSelectedDayAndTheConsoleText) {
    auto form = OpenMain();
    TDateTime seen = 0;
    form->Dialog = [&](const IReminderAwareItemPtr& item, bool isNew, bool&) {
        EXPECT_TRUE(isNew);
        seen = item->GetReminder().GetReminderDateTime();
        return true;
    };
    ASSERT_TRUE(form->ActAddReminder->isEnabled());
    // A day before today: now + 10 minutes.
    form->Calendar().SetDate(At(2024, 3, 1));
    form->Console().setText("Old day");
    form->ActAddReminder->trigger();
    EXPECT_NEAR(seen, At(2024, 3, 14, 12, 10), OneSecond);
    // A later day: its midnight, which the dialog gives the current time.
    form->Calendar().SetDate(At(2024, 3, 20));
    form->ActAddReminder->trigger();
    EXPECT_EQ(seen, At(2024, 3, 20));
    EXPECT_EQ(Saved()->Count(), 2);
}

TEST_F(MainRemindersTest, ASnoozeFromTheCaptionMenuTakesTheRowOutOfTheRemindersWindow) {
    // Due a minute ago and repeated every 10 minutes: once fired it stays the nearest alert.
    TTockwellDB db;
    TReminderItem& reminder = db.AddNew("Standup", At(2024, 3, 14, 11, 59))->GetReminder();
    reminder.SetAutoAlertDelta(10 * OneMinute);
    reminder.SetIsAutoAlertEnabled(true);
    auto form = Open<TDialogMain>(&db);
    Tick(*form, 1);
    env.Window->RunQueued();
    const IReminderAwareItemPtr item = form->DB().GetItemIntf(0);
    ASSERT_TRUE(env.Window->HasReminderRow(item));

    form->RefreshAll(); // the caption menu acts on the nearest reminder
    ASSERT_TRUE(form->mnuSnooze5min->isEnabled());
    form->mnuSnooze5min->trigger();
    EXPECT_FALSE(env.Window->HasReminderRow(item));
    TTockwellItemPtr saved = SavedOnly();
    ASSERT_TRUE(saved);
    EXPECT_FALSE(saved->GetReminder().GetPlacedToReminderWnd());
    EXPECT_TRUE(saved->GetReminder().GetSnoozed());
}

TEST_F(MainRemindersTest, AReminderAddedBeforeTheStartUpReadJoinsWhatTheFileHeld) {
    TTockwellDB db;
    db.AddNew("in the file", At(2024, 3, 20, 9));
    SaveXMLDataFile(db, file);
    // The window as it starts: the file is not read yet when the first key comes.
    TDialogMain form(QStringList{QString::fromStdString(file)});
    form.SystemTimer().stop();
    Type(form, "water plants tomorrow");
    Press(form, Qt::Key_Return, Qt::ControlModifier);
    form.OpenPendingDataFile(); // the posted read, had it not run yet
    saved = Saved();
    ASSERT_EQ(saved->Count(), 2);
    EXPECT_EQ(form.DB().Count(), 2);
}

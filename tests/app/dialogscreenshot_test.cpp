// Renders the dialogs and checks that their controls fit; with TOCKWELL_SHOTS set to a folder
// the images are saved there for a look.
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

#include "app/frmopenclosedhours.h"
#include "app/frmradiochoice.h"
#include "app/frmrecurpattern.h"
#include "app/frmremindersetup.h"
#include "app/frmtockwelloptions.h"
#include "core/tockwelldb.h"
#include "fakealertwindows.h"
#include "gui/guitestutil.h"
#include "testutil.h"

namespace {

// Shows w and saves its picture (SaveShot).
void Save(QWidget& w, const char* name) {
    w.show();
    SaveShot(w.grab().toImage(), name);
}

// Every visible button lies inside the dialog.
void ExpectButtonsInside(QWidget& w) {
    for (QPushButton* b : w.findChildren<QPushButton*>()) {
        if (!b->isVisibleTo(&w))
            continue;
        QRect r(b->mapTo(&w, QPoint(0, 0)), b->size());
        EXPECT_TRUE(w.rect().contains(r)) << b->text().toStdString();
    }
}

} // namespace

TEST(DialogScreenshots, HoursChoiceAndRecurrence) {
    FixedClock clock(At(2024, 3, 13, 10, 7));
    TfrmOpenClosedHrs hours;
    hours.Schedule().SetAllClosed();
    for (int day = 1; day <= 5; ++day)
        hours.Schedule().SetRange(day, true, At(1899, 12, 30, 9), At(1899, 12, 30, 17, 30));
    Save(hours, "hours.png");
    ExpectButtonsInside(hours);

    TRadioChoice choice;
    choice.setWindowTitle("Dismiss reminder");
    choice.lbMessage->setText("This is a recurring reminder. What do you want to dismiss?");
    choice.rbRadioButton0->setText("Dismiss this occurrence");
    choice.rbRadioButton1->setText("Dismiss the whole series");
    choice.cbDoNotAskAgain->show();
    Save(choice, "radiochoice.png");
    ExpectButtonsInside(choice);

    TRecurrencePattern p;
    p.Reset(At(2024, 3, 13));
    p.SetPatternStartDate(At(2024, 3, 13, 9, 30));
    p.SetDayOfWeekMask(DayOfWeekBit(2) | DayOfWeekBit(4));
    p.SetOccurrences(10);
    TfrmTaskRecurPattern recur;
    recur.Prepare(p, At(2024, 3, 13, 9, 30));
    Save(recur, "recurrence-weekly.png");
    ExpectButtonsInside(recur);
    for (QRadioButton* type : {recur.rbHourly, recur.rbDaily, recur.rbMonthly, recur.rbYearly}) {
        type->click();
        if (type == recur.rbHourly)
            recur.cbOpenCloseHours->setChecked(true);
        Save(recur, ("recurrence-" + type->text().remove('&').toLower() + ".png").toUtf8());
    }
}

TEST(DialogScreenshots, OptionsPages) {
    TempRegistry registry;
    TTockwellOptionsWnd options;
    for (const char* page :
         {"Behaviour", "E-mail Account", "Data File", "General Application Options"}) {
        ASSERT_TRUE(options.SelectSheet(page));
        QString name = QString("options-") + page + ".png";
        Save(options, name.replace(' ', '-').toUtf8());
        ExpectButtonsInside(options);
        for (QWidget* w : options.CurrentSheet()->findChildren<QWidget*>())
            if (w->isVisibleTo(&options)) {
                EXPECT_LE(w->mapTo(&options, QPoint(w->width(), w->height())).y(),
                          options.pnlBottom->y())
                    << page << ": " << w->metaObject()->className();
            }
    }
}

TEST(DialogScreenshots, ReminderSetup) {
    TempRegistry registry;
    FakeAlertEnvironment env;
    FixedClock clock(At(2024, 3, 13, 10, 7));
    TTockwellItemPtr item = TTockwellDB::NewItem("Call mom", At(2024, 3, 14, 10));
    item->SetNotes("Ask about the weekend.");
    TReminderItem& r = item->GetReminder();
    r.GetAction(akShowAlertWnd).Enabled = true;
    r.GetAction(akPlaySound).Enabled = true;
    r.SetAutoAlert(true, 10 * OneMinute);
    TReminderSetupDlg setup;
    setup.Load(item, false);
    Save(setup, "remindersetup-summary.png");
    ExpectButtonsInside(setup);
    setup.btnAlerts->click();
    Save(setup, "remindersetup-alerts.png");
    ExpectButtonsInside(setup);
    // Every visible control lies inside its panel.
    for (QWidget* panel : {setup.pnlTop, setup.pnlAlerts, setup.pnlButtons})
        for (QWidget* w : panel->findChildren<QWidget*>()) {
            if (w->isVisibleTo(&setup) && w->parentWidget() == panel) {
                EXPECT_TRUE(panel->rect().contains(w->geometry()))
                    << w->metaObject()->className() << " " << w->objectName().toStdString();
            }
        }
}

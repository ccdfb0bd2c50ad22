#include <gtest/gtest.h>

#include "core/alertactions.h"
#include "core/windows/alertwindowsetup.h"
#include "mainwindowfixture.h"

namespace {

// The main window counting its saves (each refreshes the hints).
class TSaveCountingMain : public TfrmMain {
public:
    using TfrmMain::TfrmMain;
    int Saves = 0;

protected:
    void RefreshAll() override { ++Saves; }
};

class MainAfterFire : public MainWindowFixture {};

} // namespace

TEST_F(MainAfterFire, RemindersDismissedAsTheyFireAreSavedOnce) {
    auto form = Open<TSaveCountingMain>();
    // Without their reminders-window action, reminders that fire for the last time are
    // dismissed at once.
    for (const char* caption : {"A", "B", "C"}) {
        TTockwellItemPtr item = form->DB().AddNew(caption, Now() + OneSecond);
        item->GetReminder().GetAction(akActivateReminderWnd).Enabled = false;
        item->GetReminder().GetAction(akShowAlertWnd).Enabled = true;
    }
    form->Saves = 0;
    Tick(*form, 1);
    EXPECT_EQ(form->Saves, 1);
    const auto saved = Saved();
    ASSERT_EQ(saved->Count(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(saved->GetItem(i)->GetReminder().GetReminderState(), rsDismissed) << i;
}

TEST_F(MainAfterFire, APassIsSavedBeforeItsAlertBoxesWaitForTheUser) {
    TAlertWindowsScope alertWindows; // the real reminders window, over the fake dialogs
    SetAlertDialogs(env.Dialogs);
    // Their only action the modal message: dismissed as they fire.
    TTockwellDB db;
    for (const char* caption : {"A", "B"}) {
        TReminderItem& r = db.AddNew(caption, Now() + OneSecond)->GetReminder();
        r.GetAction(akActivateReminderWnd).Enabled = false;
        r.GetAction(akShowModalDialog).Enabled = true;
    }
    auto form = Open<TSaveCountingMain>(&db);
    std::vector<int> dismissedOnDisk;
    env.Dialogs->DuringModal = [&] {
        const auto saved = Saved();
        int dismissed = 0;
        for (int i = 0; i < saved->Count(); ++i)
            dismissed += saved->GetItem(i)->GetReminder().GetReminderState() == rsDismissed;
        dismissedOnDisk.push_back(dismissed);
    };
    form->Saves = 0;
    Tick(*form, 1);
    EXPECT_EQ(dismissedOnDisk, (std::vector<int>{2, 2}));
    EXPECT_EQ(form->Saves, 2); // before the first box, and after the pass as ever
}

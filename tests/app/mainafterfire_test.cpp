#include <QCoreApplication>
#include <algorithm>
#include <gtest/gtest.h>

#include "app/datafilestore.h"
#include "core/alertactions.h"
#include "core/windows/alertwindowsetup.h"
#include "mainwindowfixture.h"
#include "platform/gui/soundplayer.h"

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
    QCoreApplication::sendPostedEvents(); // the boxes come from the event loop
    EXPECT_EQ(dismissedOnDisk, (std::vector<int>{2, 2}));
    EXPECT_EQ(form->Saves, 1); // the pass's save, before its boxes
}

TEST_F(MainAfterFire, AReminderDueWhileAnAlertBoxWaitsFiresFullyAndItsBoxWaitsItsTurn) {
    TAlertWindowsScope alertWindows([] { return std::make_unique<TSilentPlayer>(); });
    SetAlertDialogs(env.Dialogs);
    const std::string wav = SourcePath("resources/Tockwell.wav");
    TTockwellDB db;
    db.AddNew("A", Now() + OneSecond)->GetReminder().GetAction(akShowModalDialog).Enabled = true;
    // B: a row (as any new reminder), a sound and a box, due half a minute later.
    TReminderItem& b = db.AddNew("B", Now() + 30 * OneSecond)->GetReminder();
    b.GetAction(akShowModalDialog).Enabled = true;
    b.Action<TAlertActPlaySound>().Enabled = true;
    b.Action<TAlertActPlaySound>().SetStoredAudioFile(wav);
    auto form = Open<TfrmMain>(&db);
    TfrmRemindersWnd& window = *frmRemindersWnd();
    int depth = 0, deepest = 0;
    env.Dialogs->DuringModal = [&] {
        deepest = std::max(deepest, ++depth);
        if (env.Dialogs->Modal.size() == 1) {
            // A's box waits; its loop goes on ticking, and B falls due.
            Tick(*form, 20);
            ASSERT_EQ(window.RowCount(), 2);
            EXPECT_EQ(window.RowItem(1)->GetCaption(), "B");
            ASSERT_NE(window.SoundPlayer(), nullptr);
            EXPECT_EQ(window.SoundPlayer()->FileName(), wav);
            EXPECT_EQ(env.Dialogs->Modal.size(), 1u);
            const auto saved = Saved();
            ASSERT_EQ(saved->Count(), 2);
            EXPECT_NE(saved->GetItem(1)->GetReminder().GetLatestAlertDateTime(), 0);
            EXPECT_TRUE(saved->GetItem(1)->GetReminder().GetPlacedToReminderWnd());
        }
        --depth;
    };
    Tick(*form, 1);
    QCoreApplication::sendPostedEvents(); // the event loop after the tick
    EXPECT_EQ(env.Dialogs->Modal, (std::vector<std::string>{"\"A\"", "\"B\""}));
    EXPECT_EQ(deepest, 1);
}

TEST_F(MainAfterFire, AnAlertBoxWaitsUntilTheTickThatFiredItHasEnded) {
    TAlertWindowsScope alertWindows;
    SetAlertDialogs(env.Dialogs);
    TTockwellDB db;
    db.AddNew("A", Now() + OneSecond)->GetReminder().GetAction(akShowModalDialog).Enabled = true;
    auto form = Open<TfrmMain>(&db);
    // The pass's save fails: its error box, then the save dialog, whose loop delivers the
    // events posted meanwhile.
    form->DataFile().SetFileName("/proc/self/db.tock");
    int asked = 0;
    form->DataFile().OnAskSaveFileName = [&](const std::string&) {
        ++asked;
        QCoreApplication::sendPostedEvents();
        EXPECT_TRUE(env.Dialogs->Modal.empty());
        return file;
    };
    Tick(*form, 1);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(boxes->Boxes.size(), 1u);
    EXPECT_TRUE(env.Dialogs->Modal.empty());
    QCoreApplication::sendPostedEvents(); // the event loop after the tick
    EXPECT_EQ(env.Dialogs->Modal, std::vector<std::string>{"\"A\""});
}

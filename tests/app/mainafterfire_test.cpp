#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

#include "app/datafilestore.h"
#include "core/alertactions.h"
#include "core/windows/alertwindowsetup.h"
#include "dialogtestutil.h"
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

// The main window whose tick fails while Fail is set (at its every fifteenth tick).
class TFailingTickMain : public TfrmMain {
public:
    using TfrmMain::TfrmMain;
    bool Fail = false;
    int Failures = 0;

protected:
    void RefreshAll() override {
        TfrmMain::RefreshAll();
        if (Fail && ++Failures)
            throw Exception("The disk is gone");
    }
};

class MainAfterFire : public MainWindowFixture {};

// Adds a reminder that shows its modal message seconds from now.
TReminderItem& AddMessageReminder(TTockwellDB& db, const char* caption, int seconds) {
    TReminderItem& r = db.AddNew(caption, Now() + seconds * OneSecond)->GetReminder();
    r.GetAction(akShowModalDialog).Enabled = true;
    return r;
}

// Runs the event loop until done() or ms (ten seconds) have passed.
void RunEventsUntil(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done() && elapsed.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Watches the message boxes as they open: the text of each and how many boxes were open with
// it. Answer gets each box with its number (from 0) and answers it.
class TBoxWatch {
public:
    explicit TBoxWatch(std::function<void(size_t, QMessageBox*)> answer) {
        QObject::connect(&poll_, &QTimer::timeout, [this, answer] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || box == last_)
                return;
            last_ = box;
            const QWidgetList windows = QApplication::topLevelWidgets();
            OpenTogether.push_back(
                int(std::count_if(windows.begin(), windows.end(), [](QWidget* w) {
                    return w->isVisible() && qobject_cast<QMessageBox*>(w);
                })));
            Seen.push_back(box->text().toStdString());
            answer(Seen.size() - 1, box);
        });
        poll_.start(5);
    }
    std::vector<std::string> Seen;
    std::vector<int> OpenTogether;

private:
    QPointer<QWidget> last_;
    QTimer poll_;
};

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
    EXPECT_TRUE(env.Dialogs->Modal.empty());
    // The event loop after the tick: the round, then A's box.
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(boxes->Boxes.size(), 1u);
    EXPECT_EQ(env.Dialogs->Modal, std::vector<std::string>{"\"A\""});
}

TEST_F(MainAfterFire, RemindersFireOnTimeWhileASaveErrorBoxAndItsDialogWait) {
    TAlertWindowsScope alertWindows([] { return std::make_unique<TSilentPlayer>(); });
    SetAlertDialogs(env.Dialogs);
    SetMessageBoxes(nullptr); // the real error box and save dialog
    const std::string wav = SourcePath("resources/Tockwell.wav");
    TTockwellDB db;
    AddMessageReminder(db, "First", 20);
    TReminderItem& second = AddMessageReminder(db, "Second", 40);
    second.Action<TAlertActPlaySound>().Enabled = true;
    second.Action<TAlertActPlaySound>().SetStoredAudioFile(wav);
    auto form = Open<TfrmMain>(&db);
    TfrmRemindersWnd& window = *frmRemindersWnd();
    form->DataFile().SetFileName("/proc/self/db.tock");
    const std::string chosen = dir.File("chosen.tock");
    bool boxShown = false, dialogShown = false;
    OnModal<QMessageBox>([&](QMessageBox& box) {
        boxShown = true;
        // First's save failed; while its box waits, Second falls due and its actions run.
        Tick(*form, 10);
        EXPECT_EQ(window.RowCount(), 2);
        EXPECT_EQ(window.SoundPlayer() ? window.SoundPlayer()->FileName() : "", wav);
        QCoreApplication::sendPostedEvents();
        EXPECT_TRUE(env.Dialogs->Modal.empty());
        box.button(QMessageBox::Ok)->click();
    });
    OnModal<QFileDialog>([&](QFileDialog& dialog) {
        dialogShown = true;
        Tick(*form, 1);
        QCoreApplication::sendPostedEvents();
        EXPECT_TRUE(env.Dialogs->Modal.empty());
        dialog.selectFile(QString::fromStdString(chosen));
        static_cast<QDialog&>(dialog).accept(); // as the Save button does
    });
    Tick(*form, 15); // First fires; the tick does not wait for its save's box
    EXPECT_EQ(window.RowCount(), 1);
    EXPECT_FALSE(boxShown);
    RunEventsUntil([&] { return env.Dialogs->Modal.size() >= 2; });
    EXPECT_TRUE(boxShown);
    EXPECT_TRUE(dialogShown);
    EXPECT_EQ(env.Dialogs->Modal, (std::vector<std::string>{"\"First\"", "\"Second\""}));
    // The chosen file has the database as it stood when chosen.
    EXPECT_EQ(form->DataFile().FileName(), chosen);
    TTockwellDB saved;
    LoadXMLDataFile(saved, chosen);
    ASSERT_EQ(saved.Count(), 2);
    EXPECT_NE(saved.GetItem(1)->GetReminder().GetLatestAlertDateTime(), 0);
}

TEST_F(MainAfterFire, AnAlertBoxDueWhileAnEditsSaveErrorBoxWaitsFollowsIt) {
    TAlertWindowsScope alertWindows;
    SetAlertDialogs(env.Dialogs);
    SetMessageBoxes(nullptr);
    TTockwellDB db;
    db.AddNew("Edited", Now() + 1.0);
    AddMessageReminder(db, "Due", 20);
    auto form = Open<TfrmMain>(&db);
    form->DataFile().SetFileName("/proc/self/db.tock");
    bool cancelled = false;
    OnModal<QMessageBox>([&](QMessageBox& box) {
        Tick(*form, 15); // Due fires while the edit's error box waits
        QCoreApplication::sendPostedEvents();
        EXPECT_TRUE(env.Dialogs->Modal.empty());
        box.button(QMessageBox::Ok)->click();
    });
    OnModal<QFileDialog>([&](QFileDialog& dialog) {
        QCoreApplication::sendPostedEvents();
        EXPECT_TRUE(env.Dialogs->Modal.empty());
        cancelled = true;
        dialog.reject();
    });
    form->EditReminderAndShow(form->DB().GetItem(0), false, true, false);
    RunEventsUntil([&] { return !env.Dialogs->Modal.empty(); });
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(env.Dialogs->Modal, std::vector<std::string>{"\"Due\""});
    EXPECT_FALSE(form->DataFile().SaveFailurePending()); // the next change tries again
}

TEST_F(MainAfterFire, AFailedSavesBoxAndDialogWaitForAnOpenAlertBox) {
    TAlertWindowsScope alertWindows([] { return std::make_unique<TSilentPlayer>(); });
    SetMessageBoxes(nullptr); // real boxes for the alerts and the save's round alike
    TTockwellDB db;
    AddMessageReminder(db, "First", 20);
    AddMessageReminder(db, "Second", 40);
    auto form = Open<TfrmMain>(&db);
    const std::string chosen = dir.File("chosen.tock");
    // Each box or dialog as it opens: what it is, and how many are open with it.
    std::vector<std::string> seen;
    std::vector<int> openTogether;
    auto openDialogs = [] {
        const QWidgetList windows = QApplication::topLevelWidgets();
        return std::count_if(windows.begin(), windows.end(), [](QWidget* w) {
            return w->isVisible() && qobject_cast<QDialog*>(w);
        });
    };
    QObject answerer;
    QPointer<QWidget> last;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &answerer, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == last)
            return;
        last = modal;
        openTogether.push_back(int(openDialogs()));
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            seen.push_back("dialog");
            dialog->selectFile(QString::fromStdString(chosen));
            static_cast<QDialog*>(dialog)->accept();
            return;
        }
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box)
            return;
        seen.push_back(box->text().toStdString().substr(0, 23));
        if (seen.size() > 1) {
            box->button(QMessageBox::Ok)->click();
            return;
        }
        // While First's box waits, Second fires and its pass cannot be saved.
        form->DataFile().SetFileName("/proc/self/db.tock");
        Tick(*form, 12);
        EXPECT_TRUE(form->DataFile().SaveFailurePending());
        QTimer::singleShot(300, box, [box] { box->button(QMessageBox::Ok)->click(); });
    });
    poll.start(5);
    Tick(*form, 12); // First fires
    RunEventsUntil([&] { return seen.size() >= 4 && !QApplication::activeModalWidget(); });
    EXPECT_EQ(seen, (std::vector<std::string>{"\"First\"", "Error to save data file", "dialog",
                                              "\"Second\""}));
    EXPECT_EQ(openTogether, (std::vector<int>{1, 1, 1, 1}));
    EXPECT_FALSE(form->DataFile().SaveFailurePending());
    EXPECT_EQ(form->DataFile().FileName(), chosen);
}

TEST_F(MainAfterFire, TheSettingsWarningWaitsForAnOpenAlertBox) {
    TAlertWindowsScope alertWindows([] { return std::make_unique<TSilentPlayer>(); });
    SetMessageBoxes(nullptr);
    TTockwellDB db;
    AddMessageReminder(db, "First", 20);
    auto form = Open<TfrmMain>(&db);
    TBoxWatch boxes([&](size_t n, QMessageBox* box) {
        if (n > 0) {
            box->button(QMessageBox::Ok)->click();
            return;
        }
        // The settings store fails while First's box waits.
        form->DataFile().OnSettingsError("disk full");
        QTimer::singleShot(300, box, [box] { box->button(QMessageBox::Ok)->click(); });
    });
    Tick(*form, 12);
    RunEventsUntil([&] { return boxes.Seen.size() >= 2 && !QApplication::activeModalWidget(); });
    ASSERT_EQ(boxes.Seen.size(), 2u);
    EXPECT_EQ(boxes.Seen[0], "\"First\"");
    EXPECT_TRUE(boxes.Seen[1].starts_with("Tockwell cannot use its settings file"))
        << boxes.Seen[1];
    EXPECT_EQ(boxes.OpenTogether, (std::vector<int>{1, 1}));
}

TEST_F(MainAfterFire, AFailingTickShowsOneErrorBoxAfterTheOpenAlertBox) {
    TAlertWindowsScope alertWindows([] { return std::make_unique<TSilentPlayer>(); });
    SetMessageBoxes(nullptr);
    TTockwellDB db;
    AddMessageReminder(db, "First", 20);
    auto form = Open<TFailingTickMain>(&db);
    TBoxWatch boxes([&](size_t n, QMessageBox* box) {
        if (n == 0) {
            // The timer ticks on in First's loop, each of its refreshing ticks failing.
            form->Fail = true;
            form->SystemTimer().start(5);
            QTimer::singleShot(1000, box, [box] { box->button(QMessageBox::Ok)->click(); });
            return;
        }
        form->Fail = false;
        box->button(QMessageBox::Ok)->click();
    });
    Tick(*form, 12);
    RunEventsUntil([&] { return boxes.Seen.size() >= 2 && !QApplication::activeModalWidget(); });
    // Boxes of ticks that failed meanwhile would still come.
    RunEventsUntil([&] { return boxes.Seen.size() > 2; }, 1000);
    form->SystemTimer().stop();
    EXPECT_GT(form->Failures, 1);
    EXPECT_EQ(boxes.Seen, (std::vector<std::string>{"\"First\"", "The disk is gone."}));
    EXPECT_EQ(boxes.OpenTogether, (std::vector<int>{1, 1}));
}

TEST_F(MainAfterFire, TheStartUpOpensErrorBoxWaitsForAnOpenAlertBox) {
    TAlertWindowsScope alertWindows([] { return std::make_unique<TSilentPlayer>(); });
    SetMessageBoxes(nullptr);
    WriteFileBytes(file, "no data file");
    // The window starts while an alert box (as the settings warning of the start) is open.
    std::unique_ptr<TfrmMain> form;
    TBoxWatch boxes([&](size_t n, QMessageBox* box) {
        if (n == 0) {
            form = std::make_unique<TfrmMain>(QStringList{QString::fromStdString(file)});
            form->SystemTimer().stop();
        }
        QTimer::singleShot(n == 0 ? 2 * TfrmMain::StartupOpenWaitMs : 0, box,
                           [box] { box->button(QMessageBox::Ok)->click(); });
    });
    ShowAlertBox([] { MessageDlg("Waiting", mtWarning, Buttons(mbOK)); });
    RunEventsUntil([&] { return boxes.Seen.size() >= 2 && !QApplication::activeModalWidget(); });
    ASSERT_TRUE(form);
    EXPECT_FALSE(form->DataFile().SaveRedirect().empty());
    EXPECT_EQ(boxes.Seen.size(), 2u);
    ASSERT_GE(boxes.Seen.size(), 2u);
    EXPECT_EQ(boxes.Seen[0], "Waiting");
    EXPECT_EQ(boxes.Seen[1].substr(0, 23), "Error opening data file");
    EXPECT_EQ(boxes.OpenTogether, (std::vector<int>{1, 1}));
}

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "app/cooltrayicon.h"
#include "app/datafilestore.h"
#include "app/frmabout.h"
#include "app/frmdatabaselist.h"
#include "app/frmmain.h"
#include "app/startup.h"
#include "apptestutil.h"
#include "controls/tree/stringtree.h"
#include "core/alertactions.h"
#include "core/remindermanager.h"
#include "core/tockwelldb.h"
#include "core/windows/alertwindowsetup.h"
#include "core/xmldatafile.h"
#include "fakealertwindows.h"
#include "fakemessageboxes.h"
#include "mainwindowfixture.h"
#include "platform/fileutils.h"
#include "platform/gui/formhelpers.h"
#include "platform/gui/soundplayer.h"
#include "platform/gui/textfit.h"
#include "platform/gui/windowmessages.h"
#include "testutil.h"

namespace {

// The fake reminders window, queueing its alert actions as the real one does: as posted
// messages 2025 that run when delivered.
class PostingRemindersWindow : public QObject, public FakeRemindersWindow {
public:
    void PostAlertAction(const TQueuedAlertAction& action) override {
        Posted.push_back(action);
        PostWindowMessage(this, WM_RUN_ALERT_ACTION, 0, 0, action);
    }

protected:
    void customEvent(QEvent* e) override {
        if (TMessageEvent* m = AsMessage(e, WM_RUN_ALERT_ACTION))
            if (auto* action = m->PayloadAs<TQueuedAlertAction>())
                action->Run();
    }
};

// The main window with its hint refreshes and alert-action runs written down.
class TTestMain : public TfrmMain {
public:
    using TfrmMain::TfrmMain;
    std::vector<std::string> Log;

protected:
    void RefreshAll() override { Log.push_back("refresh"); }
    void RunPendingAlertActions() override {
        Log.push_back("actions");
        TfrmMain::RunPendingAlertActions();
    }
};

// The main window noting whether its data file was still unread when it first painted.
class TPaintWatchingMain : public TfrmMain {
public:
    using TfrmMain::TfrmMain;
    int Paints = 0;
    bool PendingAtFirstPaint = false;

protected:
    void paintEvent(QPaintEvent* e) override {
        if (Paints++ == 0)
            PendingAtFirstPaint = DataFileOpenPending();
        TfrmMain::paintEvent(e);
    }
};

// Just before midnight, the reminders window queueing its alert actions as posted messages.
class MainWindowTest : public MainWindowFixture {
protected:
    void SetUp() override {
        clock.Set(EncodeDateTime(2024, 3, 14, 23, 59, 31, 0));
        SetRemindersWindow(window);
    }

    // A reminder due at `due` with the given actions enabled besides the reminders window's.
    TTockwellItemPtr AddReminder(TTockwellDB& db, const std::string& caption, TDateTime due,
                                 std::initializer_list<TAlertKind> kinds = {}) {
        TTockwellItemPtr item = db.AddNew(caption, due);
        for (TAlertKind kind : kinds)
            item->GetReminder().GetAction(kind).Enabled = true;
        return item;
    }

    std::shared_ptr<PostingRemindersWindow> window = std::make_shared<PostingRemindersWindow>();
};

} // namespace

TEST_F(MainWindowTest, TickChecksEveryTenSecondsAndRefreshesEveryFifteenth) {
    auto form = Open<TTestMain>();
    EXPECT_EQ(form->SystemTimer().interval(), 2000);
    // First start: shown in the bottom-right corner of the work area, sized round the calendar.
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->frameGeometry().bottomRight(), WorkAreaOf(form.get()).bottomRight());
    EXPECT_EQ(form->width(), 362 + 2 * (3 + 3));
    EXPECT_EQ(form->Manager().GetCheckEveryNSeconds(), 9);
    EXPECT_EQ(form->Manager().GetRebuildReminderListEverNMin(), 30);
    EXPECT_EQ(form->Manager().GetProcessDBForRemindersDueNextNMinutes(), 60);
    const QString yesterday = form->TodayLabel().text();

    // Passes at the 1st, 6th, 11th ... tick: every 10 seconds with a 2-second tick.
    std::vector<int> passes;
    for (int tick = 1; tick <= 30; ++tick) {
        const int before = window->RefreshCount;
        Tick(*form, 1);
        if (window->RefreshCount != before)
            passes.push_back(tick);
        // The clock passes midnight at the 15th tick, and the today label follows then.
        if (tick == 14) {
            EXPECT_EQ(form->TodayLabel().text(), yesterday);
        } else if (tick == 15) {
            EXPECT_NE(form->TodayLabel().text(), yesterday);
        }
    }
    EXPECT_EQ(passes, (std::vector<int>{1, 6, 11, 16, 21, 26}));
    EXPECT_EQ(form->Log, (std::vector<std::string>{"refresh", "refresh"}));
    EXPECT_EQ(form->TickCount(), 0);
}

TEST_F(MainWindowTest, AfterFireRunsBothRemindersActionsInOrderThenSavesOnce) {
    auto form = Open<TTestMain>();
    TTockwellItemPtr first = AddReminder(form->DB(), "First", Now() + OneSecond, {akShowAlertWnd});
    TTockwellItemPtr second =
        AddReminder(form->DB(), "Second", Now() + OneSecond, {akShowAlertWnd});
    // A message for the main window itself waits: the after-fire handler runs alert actions
    // only.
    PostWindowMessage(form.get(), WM_HIDE_TO_TRAY);
    form->Log.clear();

    Tick(*form, 1);

    // The actions, then the save (which refreshes the hints).
    EXPECT_EQ(form->Log, (std::vector<std::string>{"actions", "refresh"}));
    ASSERT_EQ(env.Alerts->Messages.size(), 2u);
    EXPECT_EQ(env.Alerts->Messages[0].Item, first);
    EXPECT_EQ(env.Alerts->Messages[1].Item, second);
    EXPECT_EQ(window->Rows, (std::vector<IReminderAwareItemPtr>{first, second}));
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->HasTaskbarEntry());

    // One save, after the actions: the file records both as listed, and there is no backup.
    ASSERT_TRUE(FileExists(file));
    EXPECT_FALSE(FileExists(file + ".bak"));
    const auto saved = Saved();
    ASSERT_EQ(saved->Count(), 2);
    for (int i = 0; i < 2; ++i) {
        const TReminderItem& r = saved->GetItem(i)->GetReminder();
        EXPECT_TRUE(r.GetPlacedToReminderWnd());
        EXPECT_NE(r.GetLatestAlertDateTime(), 0);
    }
}

TEST_F(MainWindowTest, WithTheRealRemindersWindow) {
    TAlertWindowsScope alertWindows([] { return std::make_unique<TSilentPlayer>(); });
    auto form = Open<TfrmMain>();
    TTockwellItemPtr item = AddReminder(form->DB(), "Listed", Now() + OneSecond);
    Tick(*form, 1);
    TfrmRemindersWnd* reminders = frmRemindersWnd();
    ASSERT_EQ(reminders->RowCount(), 1);
    EXPECT_EQ(reminders->RowItem(0), item);

    // The reminders window's sound enables "Stop playing sound", which stops it.
    EXPECT_FALSE(form->actStopPlayingSound->isEnabled());
    reminders->PlayReminderSound(SourcePath("resources/Tockwell.wav"));
    EXPECT_TRUE(form->actStopPlayingSound->isEnabled());
    form->actStopPlayingSound->trigger();
    EXPECT_FALSE(reminders->SoundPlayer()->Playing());
    EXPECT_FALSE(form->actStopPlayingSound->isEnabled());
}

TEST_F(MainWindowTest, TickInsideANestedEventLoopIsSkipped) {
    auto form = Open<TTestMain>();
    AddReminder(form->DB(), "Modal", Now() + OneSecond, {akShowModalDialog});
    int nested = 0;
    env.Dialogs->DuringModal = [&] {
        // The modal box's event loop delivers timer ticks.
        ++nested;
        Tick(*form, 3);
    };
    Tick(*form, 1);
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(env.Dialogs->Modal.size(), 1u);
    EXPECT_EQ(form->TickCount(), 1);
    EXPECT_EQ(form->Log, (std::vector<std::string>{"actions", "refresh"}));
}

TEST_F(MainWindowTest, WithoutATrayHidingMinimisesToTheTaskbar) {
    auto form = Open<TfrmMain>();
    ASSERT_FALSE(form->CoolTrayIcon().CanHideToTray()); // the offscreen platform has no tray
    EXPECT_TRUE(form->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(form->windowFlags() & Qt::WindowType_Mask, Qt::Tool);

    SendWindowMessage(form.get(), WM_HIDE_TO_TRAY);
    EXPECT_TRUE(form->HasTaskbarEntry());
    EXPECT_EQ(form->windowFlags() & Qt::WindowType_Mask, Qt::Window);
    EXPECT_EQ(form->BalloonStart(), 0);

    // Shown again (what a second start asks for): expanded, and a tool window again.
    form->SetCollapsed(true);
    EXPECT_EQ(AnswerInstanceRequest(form.get(), ActivateRequest), DoneAnswer);
    QCoreApplication::sendPostedEvents(form.get());
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->Collapsed());
    EXPECT_FALSE(form->HasTaskbarEntry());
    EXPECT_EQ(form->windowFlags() & Qt::WindowType_Mask, Qt::Tool);

    // Asked to quit: the window closes once the answer is out, and the program ends.
    bool closed = false;
    form->OnClosed = [&] { closed = true; };
    EXPECT_EQ(AnswerInstanceRequest(nullptr, QuitRequest), StartingAnswer);
    EXPECT_EQ(AnswerInstanceRequest(form.get(), "dance"), UnknownAnswer);
    EXPECT_EQ(AnswerInstanceRequest(form.get(), QuitRequest), DoneAnswer);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(WaitFor([&] { return closed; }, 2000));
    EXPECT_FALSE(form->isVisible());
}

TEST_F(MainWindowTest, AnUnusableSettingsStoreIsReportedOnceAndRemindersGoOn) {
    // The settings file is a folder: nothing can be read from or written to it.
    ASSERT_TRUE(ForceDirectories(registry.FileName()));
    std::unique_ptr<TTestMain> form;
    ASSERT_NO_THROW(form = Open<TTestMain>());
    QCoreApplication::processEvents();
    ASSERT_EQ(boxes->Boxes.size(), 1u);
    EXPECT_EQ(boxes->Boxes[0].type, mtWarning);
    EXPECT_NE(
        boxes->Boxes[0].text.find("\"" + registry.FileName() + "\": " + std::strerror(EISDIR)),
        std::string::npos)
        << boxes->Boxes[0].text;

    // A due reminder fires and is saved; the store's failures on the way show nothing more.
    AddReminder(form->DB(), "Due", Now() + OneSecond);
    Tick(*form, 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(boxes->Boxes.size(), 1u);
    ASSERT_EQ(Saved()->Count(), 1);
    EXPECT_NE(Saved()->GetItem(0)->GetReminder().GetLatestAlertDateTime(), 0);
    EXPECT_NO_THROW(form.reset()); // the layout cannot be stored either
    EXPECT_TRUE(DirectoryExists(registry.FileName()));
}

TEST_F(MainWindowTest, TheWindowPaintsBeforeItsDataFileIsRead) {
    TTockwellDB stored;
    stored.AddNew("Stored", Now() + OneHour);
    SaveXMLDataFile(stored, file);
    {
        TPaintWatchingMain form(QStringList{QString::fromStdString(file)});
        form.SystemTimer().stop();
        EXPECT_TRUE(form.isVisible());
        EXPECT_TRUE(form.DataFileOpenPending());
        EXPECT_EQ(form.DB().Count(), 0);
        QElapsedTimer waited;
        waited.start();
        while (form.DataFileOpenPending() && waited.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        EXPECT_FALSE(form.DataFileOpenPending());
        EXPECT_GE(form.Paints, 1);
        EXPECT_TRUE(form.PendingAtFirstPaint);
        ASSERT_EQ(form.DB().Count(), 1);
        EXPECT_EQ(form.DB().GetItem(0)->Caption, "Stored");
    }
    // A save asked for before the file was read reads it first: nothing stored is lost.
    TfrmMain form(QStringList{QString::fromStdString(file)});
    form.SystemTimer().stop();
    ASSERT_TRUE(form.DataFileOpenPending());
    form.SaveDataFile();
    EXPECT_FALSE(form.DataFileOpenPending());
    ASSERT_EQ(Saved()->Count(), 1);
    EXPECT_EQ(Saved()->GetItem(0)->Caption, "Stored");
}

TEST_F(MainWindowTest, ManageRemindersTogglesTheListWindowAndListsTheSelectedDays) {
    auto form = Open<TOpenMain>();
    TfrmTockwellDatabaseList& list = form->ListWindow();
    form->actRemindersManager->trigger();
    EXPECT_TRUE(list.isVisible());
    form->actRemindersManager->trigger();
    EXPECT_FALSE(list.isVisible());
    form->actRemindersManager->trigger();
    list.showMinimized();
    form->actRemindersManager->trigger();
    EXPECT_TRUE(list.isVisible());
    EXPECT_FALSE(list.isMinimized());
    // F6 also puts away the list window when that is the active one.
    list.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&list));
    QTest::keyClick(&list, Qt::Key_F6);
    EXPECT_FALSE(list.isVisible());

    // The calendar's command: from the earliest to the latest selected day.
    TAgendaCalendar* cal = form->Calendar().Calendar(0);
    const TDateTime first = EncodeDate(2024, 3, 12), last = EncodeDate(2024, 3, 20);
    QTest::mousePress(cal, Qt::LeftButton, {}, cal->DateRect(first).center());
    QTest::mouseMove(cal, cal->DateRect(last).center());
    QTest::mouseRelease(cal, Qt::LeftButton, {}, cal->DateRect(last).center());
    form->actRemindersManagerFilter->trigger();
    EXPECT_TRUE(list.isVisible());
    EXPECT_EQ(list.FromDate(), first);
    EXPECT_EQ(list.ToDate(), last);
}

TEST_F(MainWindowTest, ManageRemindersShowsAListClosedWhileMinimisedRefreshedInFront) {
    auto form = Open<TOpenMain>();
    TfrmTockwellDatabaseList& list = form->ListWindow();
    form->actRemindersManager->trigger();
    list.showMinimized();
    list.close();
    ASSERT_FALSE(list.isVisible());
    form->DB().AddNew("Added meanwhile", Now() + OneHour); // not yet in the list
    form->actRemindersManager->trigger();
    EXPECT_TRUE(list.isVisible());
    EXPECT_FALSE(list.isMinimized());
    EXPECT_TRUE(QTest::qWaitForWindowActive(&list));
    bool listed = false;
    for (PLeanNode n = list.LTV->GetFirst(); n; n = list.LTV->GetNext(n))
        listed |= list.LTV->Text(n, 1) == "Added meanwhile";
    EXPECT_TRUE(listed);
}

TEST_F(MainWindowTest, TheProgramsActivationBringsAnOpenAboutBoxForward) {
    auto form = Open<TfrmMain>();
    QPointer<TAboutDlg> about = ShowAbout(nullptr, true);
    QTest::qWait(50);
    // Left behind the main window; the program's next activation brings it forward.
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_TRUE(QTest::qWaitForWindowActive(about));
    about->close();
}

TEST(MainWindowTexts, HintToolTipShowsSoManyLinesOfSoManyCharacters) {
    std::string lines;
    for (int i = 0; i < 100; ++i)
        lines += "line\n\r";
    EXPECT_EQ(HintToolTip(lines).split('\n').size(), HintMaxLines + 1); // and "..."
    EXPECT_EQ(HintToolTip(std::string(10'000, 'x')).size(), HintMaxLineChars + 3);
}

TEST(MainWindowTexts, HintToolTipBreaksTheEnginesHintLines) {
    EXPECT_EQ(HintToolTip("a\n\rb").split('\n'), QStringList({"a", "b"}));
    EXPECT_EQ(HintToolTip("Tockwell\n\rNearest alert:\n\rtoday"),
              "Tockwell\nNearest alert:\ntoday");
    EXPECT_EQ(HintToolTip("one line"), "one line");
}

// The program's end: under a window manager with a large data file, Exit, "--quit" and a
// termination signal end it in every state, the file whole, and the alerts of one reminder
// that fire together all show; a termination signal while it fires many past-due reminders;
// an e-mail being sent at the end; a change that a failed save left unwritten; the exit
// watchdog; "--quit" with an instance that takes no request.
#include <QProcess>
#include <QStringList>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <optional>
#include <pthread.h>
#include <sched.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>

#include "app/programexit.h"
#include "app/startup.h"
#include "apptestutil.h"
#include "core/alertactions.h"
#include "core/alertwindows.h"
#include "core/filehelpers.h"
#include "core/mailer.h"
#include "core/tockwelldb.h"
#include "core/xmldatafile.h"
#include "fakesmtpserver.h"
#include "gui/xvfbserver.h"
#include "platform/fileutils.h"
#include "platform/gui/singleinstance.h"
#include "platform/registrystore.h"
#include "programtestutil.h"
#include "testutil.h"
#include "windowmanagersession.h"

namespace {

// How long the program may take to end once asked to (its exit watchdog's grace is 3 s).
constexpr int kEndDeadlineMs = 10000;

// The bytes of a data file of n reminders ahead and, first, one due a minute ago that lists
// itself in the reminders window and shows a desktop alert.
std::string LargeDataFile(int n) {
    TTockwellDB db;
    TReminderItem& due = db.AddNew("Due now", Now() - 1.0 / 1440)->GetReminder();
    due.GetAction(akActivateReminderWnd).Enabled = true;
    due.GetAction(akShowAlertWnd).Enabled = true;
    for (int i = 0; i < n; ++i)
        db.AddNew("Reminder " + std::to_string(i), Now() + 1 + (i % 700) * 0.37);
    TempDir dir;
    SaveXMLDataFile(db, dir.File("db.tock"));
    return ReadFileBytes(dir.File("db.tock"));
}

// Makes one thread of another process crawl, as on a far slower machine, for its lifetime: the
// thread goes to one processor at the lowest priority, beside a thread of the test that keeps
// that processor busy. The process's other threads (its exit watchdog's) run as before.
class TCrawlingThread {
public:
    explicit TCrawlingThread(pid_t tid) {
        cpu_set_t own;
        CPU_ZERO(&own);
        ::sched_getaffinity(0, sizeof own, &own);
        int cpu = 0;
        while (cpu < CPU_SETSIZE - 1 && !CPU_ISSET(cpu, &own))
            ++cpu;
        CPU_ZERO(&one_);
        CPU_SET(cpu, &one_);
        Crawls = ::sched_setaffinity(tid, sizeof one_, &one_) == 0 &&
                 ::setpriority(PRIO_PROCESS, id_t(tid), 19) == 0;
        busy_ = std::thread([this] {
            ::pthread_setaffinity_np(::pthread_self(), sizeof one_, &one_);
            while (!stop_)
                ;
        });
    }
    ~TCrawlingThread() {
        stop_ = true;
        busy_.join();
    }
    bool Crawls = false;

private:
    cpu_set_t one_;
    std::atomic<bool> stop_{false};
    std::thread busy_;
};

class ProgramEnd : public WindowManager {
protected:
    static constexpr int kReminders = 10000;
    static const std::string& DataFile() {
        static const std::string bytes = LargeDataFile(kReminders);
        return bytes;
    }

    // Starts the program on a fresh copy of the data file in a home of its own (one per
    // start); true once the fired reminder shows in the reminders window and as a desktop
    // alert.
    bool StartFired(QProcess& program) {
        ++starts_;
        home_ = dir.File("home" + std::to_string(starts_));
        file_ = dir.File("db" + std::to_string(starts_) + ".tock");
        WriteFileBytes(file_, DataFile());
        session.Start(program, home_, {QString::fromStdString(file_)});
        main_ = WaitForWindow(program, "^Tockwell$");
        reminders_ = WaitForWindow(program, "^Tockwell - Reminders$");
        alert_ = WaitForWindow(program, "Desktop Alert");
        return main_ && reminders_ && alert_;
    }
    // Ends within the deadline, leaving the data file whole with the fired reminder saved;
    // with normalWay not through the exit watchdog (which a program still busy needs).
    ::testing::AssertionResult EndsWhole(QProcess& program, bool normalWay = true) {
        if (!program.waitForFinished(kEndDeadlineMs))
            return ::testing::AssertionFailure() << "still running";
        if (program.exitStatus() != QProcess::NormalExit || (normalWay && program.exitCode() != 0))
            return ::testing::AssertionFailure() << "ended with code " << program.exitCode();
        try {
            TTockwellDB db;
            LoadXMLDataFile(db, file_);
            if (db.Count() != kReminders + 1)
                return ::testing::AssertionFailure() << db.Count() << " reminders";
            bool fired = false;
            for (int i = 0; i < db.Count(); ++i)
                fired |= db.GetItem(i)->Caption == "Due now" &&
                         db.GetItem(i)->GetReminder().GetLatestAlertDateTime() != 0;
            if (!fired)
                return ::testing::AssertionFailure() << "the fired reminder is not saved";
        } catch (const std::exception& e) {
            return ::testing::AssertionFailure() << e.what();
        }
        return ::testing::AssertionSuccess();
    }
    // Chooses a command of the main window's caption menu with keys (after a click on its
    // drop-down button, the menu takes the keyboard whichever window is active).
    ::testing::AssertionResult CaptionCommand(const QProcess& program, const QStringList& keys) {
        const TWindowBox box = session.Box(main_);
        const QStringList before = WindowsOf(program.processId());
        session.XDo({"mousemove", QString::number(box.X + box.Width - 14),
                     QString::number(box.Y + 12), "click", "1"});
        // The menu is the window that was not there before.
        if (!WaitFor(
                [&] {
                    const QStringList now = WindowsOf(program.processId());
                    return std::any_of(now.begin(), now.end(),
                                       [&](const QString& w) { return !before.contains(w); });
                },
                kAnswerDeadlineMs))
            return ::testing::AssertionFailure() << "no caption menu";
        QStringList args;
        for (const QString& key : keys)
            args << "key" << key;
        session.XDo(args);
        return ::testing::AssertionSuccess();
    }
    // Opens the list window ("Manage reminders...", the fifth item of the caption menu);
    // true once it shows.
    ::testing::AssertionResult OpenListWindow(const QProcess& program) {
        if (auto r = CaptionCommand(program, {"Down", "Down", "Down", "Down", "Down", "Return"});
            !r)
            return r;
        list_ = WaitForWindow(program, "^Manage Reminders$");
        if (!list_)
            return ::testing::AssertionFailure() << "no list window";
        return ::testing::AssertionSuccess();
    }
    // Puts the mouse on the desktop alert's text, which keeps the alert on the screen.
    bool PointAtAlert() {
        const TWindowBox box = session.Box(alert_);
        return session.XDo({"mousemove", QString::number(box.X + 60), QString::number(box.Y + 30)})
            .has_value();
    }
    // A click on the alert's text opens its reminder in the setup dialog, a modal dialog
    // that holds the alert while it is open; true once the dialog shows.
    bool OpenFromAlert(const QProcess& program) {
        return PointAtAlert() && session.XDo({"click", "1"}) &&
               WaitForWindow(program, "^Setup Reminder$") != 0;
    }
    // The visible windows of pid.
    QStringList WindowsOf(qint64 pid) const {
        return session.XDo({"search", "--onlyvisible", "--pid", QString::number(pid)})
            .value_or(QString())
            .split('\n', Qt::SkipEmptyParts);
    }

    int starts_ = 0;
    std::string home_, file_;
    unsigned long main_ = 0, reminders_ = 0, alert_ = 0, list_ = 0;
};

} // namespace

TEST_F(ProgramEnd, BothAlertsOfOneReminderShowAndATerminationSignalEndsAModalDialog) {
    QProcess program;
    Stopper stop{program};
    ASSERT_TRUE(StartFired(program));
    // The desktop alert fades in fully while the reminders window, listing the same
    // reminder, is the active window.
    EXPECT_TRUE(WaitForActive(reminders_));
    EXPECT_TRUE(WaitFor([&] { return session.Opacity(alert_) > 0.9; }, kAnswerDeadlineMs))
        << session.Opacity(alert_);

    // With the reminder opened from its alert, a termination signal ends it all the same.
    ASSERT_TRUE(OpenFromAlert(program));
    ::kill(pid_t(program.processId()), SIGTERM);
    EXPECT_TRUE(EndsWhole(program));
}

TEST_F(ProgramEnd, ExitAndQuitEndItWithTheListWindowShownOrHidden) {
    // Exit from the caption menu, with the list and reminders windows on the screen.
    {
        QProcess program;
        Stopper stop{program};
        ASSERT_TRUE(StartFired(program));
        ASSERT_TRUE(OpenListWindow(program));
        ASSERT_TRUE(CaptionCommand(program, {"Up", "Return"})); // the last item, Exit
        EXPECT_TRUE(EndsWhole(program));
    }
    // "--quit" once the list window was opened and put away again, with the reminder opened
    // from its alert.
    {
        QProcess program;
        Stopper stop{program};
        ASSERT_TRUE(StartFired(program));
        ASSERT_TRUE(PointAtAlert());
        ASSERT_TRUE(OpenListWindow(program));
        ASSERT_TRUE(Activate(list_));
        ASSERT_TRUE(session.XDo({"key", "Escape"}));
        ASSERT_TRUE(WaitFor([&] { return !session.WindowOf(program.processId(), "^Manage"); },
                            kAnswerDeadlineMs));
        ASSERT_TRUE(OpenFromAlert(program));
        ASSERT_EQ(AskToQuit(session.ProgramEnv(home_), kStartDeadlineMs), 0);
        EXPECT_TRUE(EndsWhole(program));
    }
}

TEST_F(ProgramEnd, ATerminationSignalDuringASaveLetsTheSaveFinish) {
    QProcess program;
    Stopper stop{program};
    file_ = dir.File("saving.tock");
    WriteFileBytes(file_, DataFile());
    session.Start(program, dir.File("home"), {QString::fromStdString(file_)});
    ASSERT_TRUE(program.waitForStarted(kStartDeadlineMs));
    // The fired reminder is saved soon after the start: the signal comes while that save
    // writes its temporary file (the program may still be busy after it).
    const std::string temp = file_ + TempFileExt;
    ASSERT_TRUE(WaitUntil([&] { return FileExists(temp); }, kStartDeadlineMs));
    ::kill(pid_t(program.processId()), SIGTERM);
    EXPECT_TRUE(EndsWhole(program, false));
    EXPECT_FALSE(FileExists(temp));
}

TEST_F(ProgramEnd, ATerminationSignalEndsItWhileItIsBusy) {
    // Reading 100,000 reminders keeps the program busy for a while once its window shows.
    TTockwellDB db;
    for (int i = 0; i < 100000; ++i)
        db.AddNew("Reminder " + std::to_string(i), Now() + 1 + (i % 700) * 0.37);
    const std::string file = dir.File("busy.tock");
    SaveXMLDataFile(db, file);
    const std::string before = ReadFileBytes(file);
    QProcess program;
    Stopper stop{program};
    session.Start(program, dir.File("home"), {QString::fromStdString(file)});
    ASSERT_NE(WaitForWindow(program, "^Tockwell$"), 0u);
    ::kill(pid_t(program.processId()), SIGTERM);
    // Within the watchdog's grace and a little more, whatever the program was doing.
    EXPECT_TRUE(program.waitForFinished(5000));
    EXPECT_EQ(ReadFileBytes(file), before);
}

TEST(ProgramFiring, ATerminationSignalEndsItWithinTheGraceWhileItFiresPastDueReminders) {
    if (!FileExists(kProgram))
        GTEST_SKIP() << "needs the program";
    constexpr int kDue = 30000;
    TProgramHome h;
    {
        TTockwellDB db;
        for (int i = 0; i < kDue; ++i)
            db.AddNew("Due " + std::to_string(i), Now() - 1.0 / 1440);
        SaveXMLDataFile(db, h.dataFile);
    }
    const std::string before = ReadFileBytes(h.dataFile);
    QProcess program;
    Stopper stop{program};
    // Its standard error tells when the watchdog ends it.
    const std::string errors = h.dir.File("stderr.txt");
    ASSERT_TRUE(h.Start(program, h.env, errors));
    ASSERT_TRUE(WaitUntil(
        [&] {
            return FileExists(h.settingsFile) &&
                   ReadFileBytes(h.settingsFile).find("LatestDataFile") != std::string::npos;
        },
        kStartDeadlineMs));
    // The file is read; from here on the GUI thread runs as on a far slower machine. The next
    // tick, within 2 s, fires every reminder: it is still at it when the signal comes, and
    // long after the grace, so the pass's save (which the end would wait for) never starts
    // within it.
    const pid_t pid = pid_t(program.processId());
    auto crawl = std::make_optional<TCrawlingThread>(pid);
    ASSERT_TRUE(crawl->Crawls);
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    ASSERT_EQ(program.state(), QProcess::Running);
    ASSERT_TRUE(ReadFileBytes(h.dataFile) == before) << "the firing ended before the signal";
    ::kill(pid, SIGTERM);
    // Within the watchdog's grace and a little more, the program ends: the watchdog says so
    // and ends the process. Taking down a crawling process may take long after that, which is
    // the machine's, not the program's: the crawl ends once the end is under way.
    const std::string said = "did not end in time";
    const bool ending = WaitUntil(
        [&] {
            return program.state() == QProcess::NotRunning || program.waitForFinished(5) ||
                   (FileExists(errors) && ReadFileBytes(errors).find(said) != std::string::npos);
        },
        ExitGraceMs + 2000);
    crawl.reset();
    EXPECT_TRUE(ending) << "still running";
    EXPECT_TRUE(program.state() == QProcess::NotRunning || program.waitForFinished(kEndDeadlineMs));
    // The watchdog's end (exit code 1) follows its word; 0 would be the normal way.
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), ReadFileBytes(errors).find(said) != std::string::npos ? 1 : 0)
        << ReadFileBytes(errors);
    // The data file as it was, or as saved.
    TTockwellDB saved;
    EXPECT_NO_THROW(LoadXMLDataFile(saved, h.dataFile));
    EXPECT_EQ(saved.Count(), kDue);
}

TEST(ProgramMail, AnEMailBeingSentGoesOutBeforeTheEndUnlessASignalEndsIt) {
    if (!FileExists(kProgram))
        GTEST_SKIP() << "needs the program";
    for (const bool bySignal : {false, true}) {
        SCOPED_TRACE(bySignal ? "SIGTERM" : "--quit");
        // Replies 800 ms late: the message is through some 4 s after the connection, later
        // than the exit grace allows.
        TFakeSmtpServer server(TSmtpMisbehaviour::None, 800);
        TProgramHome h;
        h.WriteMailAccount(server.Port());
        {
            TTockwellDB db;
            TReminderItem& r = db.AddNew("Mail me", Now() - 1.0 / 1440)->GetReminder();
            r.Action<TAlertActSendEmail>().Enabled = true;
            r.Action<TAlertActSendEmail>().Emails = "ann@example.org";
            SaveXMLDataFile(db, h.dataFile);
        }
        QProcess program;
        Stopper stop{program};
        ASSERT_TRUE(h.Start(program));
        ASSERT_TRUE(WaitUntil([&] { return server.Connections() == 1; }, kStartDeadlineMs));
        const auto asked = std::chrono::steady_clock::now();
        if (bySignal) {
            ::kill(pid_t(program.processId()), SIGTERM);
            // Within the watchdog's grace and a little more, the e-mail or not.
            EXPECT_TRUE(program.waitForFinished(ExitGraceMs + 2000)) << "still running";
            continue;
        }
        ASSERT_EQ(AskToQuit(h.env, kStartDeadlineMs), 0);
        ASSERT_TRUE(program.waitForFinished(kAnswerDeadlineMs));
        // The normal way, not the watchdog's, after the e-mail went out.
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
        EXPECT_EQ(server.Messages(), 1);
        EXPECT_GT(SecondsSince(asked) * 1000, ExitGraceMs);
    }
}

// A reminder that runs a program fires while its data file's folder cannot be written; the
// save error box is still open when the folder comes back and the program is asked to end, or
// its display goes: the end writes the fired reminder. With every change saved, the end writes
// nothing.
TEST(ProgramUnwritten, TheEndWritesWhatAFailedSaveLeftAndNothingElse) {
    if (!FileExists(kProgram))
        GTEST_SKIP() << "needs the program";
    enum TEnd { Quit, Signal, DisplayGoes };
    struct Road {
        TEnd end;
        bool fails;
    };
    for (const Road road :
         {Road{Quit, true}, Road{Signal, true}, Road{DisplayGoes, true}, Road{Quit, false}}) {
        const char* names[] = {"--quit", "SIGTERM", "the display goes"};
        SCOPED_TRACE(std::string(names[road.end]) + (road.fails ? ", a save failed" : ""));
        TProgramHome h;
        const std::string folder = h.dir.File("data"), ran = h.dir.File("ran");
        h.dataFile = folder + "/once.tock";
        ForceDirectories(folder);
        {
            TTockwellDB db;
            TReminderItem& r = db.AddNew("Once", Now() + 6 * OneSecond)->GetReminder();
            r.Action<TAlertActRunApp>().Enabled = true;
            r.Action<TAlertActRunApp>().AppPath = "/usr/bin/touch " + ran;
            SaveXMLDataFile(db, h.dataFile);
        }
        QProcessEnvironment env = h.env;
        std::optional<TXvfbServer> x;
        if (road.end == DisplayGoes) {
            x.emplace("1024x768x24");
            if (x->Display().empty())
                continue; // no Xvfb here
            env.remove("QT_QPA_PLATFORM");
            env.insert("DISPLAY", x->DisplayName());
        } else {
            env.insert("QT_QPA_PLATFORM", "offscreen");
        }
        QProcess program;
        Stopper stop{program};
        ASSERT_TRUE(h.Start(program, env));
        ASSERT_TRUE(WaitUntil(
            [&] {
                return FileExists(h.settingsFile) &&
                       ReadFileBytes(h.settingsFile).find("LatestDataFile") != std::string::npos;
            },
            kStartDeadlineMs));
        if (road.fails) { // a plain file takes the folder's place: the save after the firing fails
            ASSERT_TRUE(RenameFile(folder, folder + ".away"));
            WriteFileBytes(folder, "x");
        }
        ASSERT_FALSE(FileExists(ran)) << "fired before the folder was blocked";
        ASSERT_TRUE(WaitUntil([&] { return FileExists(ran); }, kAnswerDeadlineMs));
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        if (road.fails) {
            DeleteFile(folder);
            ASSERT_TRUE(RenameFile(folder + ".away", folder));
        }
        ASSERT_EQ(h.Fired(), !road.fails);
        struct stat before {};
        ::stat(h.dataFile.c_str(), &before);
        const std::string backup = road.fails ? "" : ReadFileBytes(h.dataFile + BackupFileExt);

        if (road.end == Quit) {
            ASSERT_EQ(AskToQuit(env, kStartDeadlineMs), 0);
        } else if (road.end == Signal) {
            program.terminate();
        } else {
            x->Kill();
        }
        ASSERT_TRUE(program.waitForFinished(kEndDeadlineMs));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        if (road.end != DisplayGoes) { // Qt ends a program whose display went with exit(1)
            EXPECT_EQ(program.exitCode(), 0);
        }
        EXPECT_TRUE(h.Fired()) << ReadFileBytes(h.dataFile);
        EXPECT_TRUE(h.DataFileWhole());
        if (!road.fails) { // not written again: the same file, the backup still the first file
            struct stat after {};
            ::stat(h.dataFile.c_str(), &after);
            EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
            EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
            EXPECT_EQ(ReadFileBytes(h.dataFile + BackupFileExt), backup);
        }
    }
}

// Work under way (e-mails being sent) holds the end off past the grace, which then starts
// again; not when a termination signal asked for the end, nor once one comes.
TEST(ExitWatchdog, WorkUnderWayHoldsTheEndOffUnlessASignalAsks) {
    using namespace std::chrono_literals;
    using TClock = std::chrono::steady_clock;
    // How long after Arm(firstBySignal) it expires, with a signal after signalAfter (if any).
    auto expiresAfter = [](bool firstBySignal, std::chrono::milliseconds signalAfter) {
        const auto start = TClock::now();
        std::atomic<TClock::time_point> expiredAt{TClock::time_point()};
        TExitWatchdog watchdog(200ms);
        watchdog.HoldUntil = [start] { return start + 800ms; };
        watchdog.OnExpired = [&] { expiredAt = TClock::now(); };
        watchdog.Arm(firstBySignal);
        if (signalAfter.count() > 0) {
            std::this_thread::sleep_for(signalAfter);
            watchdog.Arm(true);
        }
        EXPECT_TRUE(
            WaitUntil([&] { return expiredAt.load() != TClock::time_point(); }, kAnswerDeadlineMs));
        return expiredAt.load() - start;
    };
    EXPECT_GE(expiresAfter(false, 0ms), 950ms); // the hold's end, then the grace
    EXPECT_LT(expiresAfter(true, 0ms), 700ms);
    const auto signalDuringHold = expiresAfter(false, 450ms);
    EXPECT_GE(signalDuringHold, 450ms);
    EXPECT_LT(signalDuringHold, 750ms);
}

TEST(ExitWatchdog, EndsOnlyOnceArmedAfterItsGraceAndAWriteUnderWay) {
    using namespace std::chrono_literals;
    std::atomic<int> expired{0};
    // Never armed, or stopped within the grace: nothing happens.
    {
        TExitWatchdog idle(10ms);
        idle.OnExpired = [&] { ++expired; };
        std::this_thread::sleep_for(50ms);
    }
    {
        TExitWatchdog stopped(5s);
        stopped.OnExpired = [&] { ++expired; };
        stopped.Arm();
    }
    EXPECT_EQ(expired, 0);

    // Armed (again later, which changes nothing), it waits past its grace for the write.
    TExitWatchdog watchdog(100ms);
    std::atomic<bool> writing{true}, endedWhileWriting{false};
    watchdog.OnExpired = [&] {
        endedWhileWriting = writing.load();
        ++expired;
    };
    std::unique_lock write(watchdog.WriteLock());
    watchdog.Arm();
    std::this_thread::sleep_for(400ms);
    watchdog.Arm();
    EXPECT_EQ(expired, 0);
    writing = false;
    write.unlock();
    EXPECT_TRUE(WaitUntil([&] { return expired == 1; }, kAnswerDeadlineMs));
    EXPECT_FALSE(endedWhileWriting);
}

TEST(QuitRunningInstance, SignalsAnInstanceThatTakesNoRequest) {
    // An instance that holds the lock, records its process id and never answers, as one
    // busy all along.
    TempDir dir;
    const std::string lock = dir.File("tockwell.lock");
    QProcess busy;
    busy.start("/usr/bin/python3", {"-c",
                                    "import fcntl, os, sys, time\n"
                                    "f = open(sys.argv[1], 'a+')\n"
                                    "fcntl.flock(f, fcntl.LOCK_EX)\n"
                                    "f.truncate(0); f.write(str(os.getpid())); f.flush()\n"
                                    "time.sleep(60)\n",
                                    QString::fromStdString(lock)});
    ASSERT_TRUE(busy.waitForStarted(kStartDeadlineMs));
    TSingleInstance later("tockwell", dir.Path().string());
    ASSERT_TRUE(
        WaitFor([&] { return later.RunningInstancePid() == busy.processId(); }, kStartDeadlineMs));
    EXPECT_FALSE(later.TryLock());

    EXPECT_TRUE(QuitRunningInstance(later));
    EXPECT_TRUE(busy.waitForFinished(kAnswerDeadlineMs));
    EXPECT_EQ(busy.exitStatus(), QProcess::CrashExit); // ended by the signal
    EXPECT_FALSE(later.InstanceRunning());
}

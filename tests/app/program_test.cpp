// The program itself, started under a virtual X server with a home of its own.
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "app/startup.h"
#include "apptestutil.h"
#include "core/alertwindows.h"
#include "core/dateparser.h"
#include "core/registrymanager.h"
#include "core/tockwelldb.h"
#include "core/xmldatafile.h"
#include "gui/xvfbserver.h"
#include "platform/fileutils.h"
#include "platform/registrystore.h"
#include "platform/xmldom.h"
#include "programtestutil.h"
#include "testutil.h"

namespace {

// Its keys do not repeat for a minute: a busy machine may hold xdotool up between a key's
// press and its release.
class TXServer : public TXvfbServer {
public:
    TXServer() : TXvfbServer("1024x768x24", {"-ardelay", "60000"}) {}
};

} // namespace

TEST(Program, EndsWithoutACrashWhenTheDisplayGoesOrOnTermination) {
    if (!FileExists(kProgram) || std::system("command -v Xvfb >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs the program and Xvfb";
    TProgramHome h;
    h.WriteDueReminder();
    QProcessEnvironment env = h.env;
    env.remove("QT_QPA_PLATFORM");
    // Starts the program on the data file on x's display; false when it did not start.
    auto start = [&](QProcess& program, const TXServer& x) {
        env.insert("DISPLAY", QString::fromStdString(x.Display()));
        return h.Start(program, env);
    };

    // The X server goes while the reminders window and a desktop alert are up.
    {
        TXServer x;
        ASSERT_FALSE(x.Display().empty());
        QProcess program;
        ASSERT_TRUE(start(program, x));
        EXPECT_TRUE(WaitFor([&] { return h.Fired(); }, 30000));
        Spin(1000); // the alert windows show
        ASSERT_EQ(program.state(), QProcess::Running);
        x.Kill();
        ASSERT_TRUE(program.waitForFinished(10000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_TRUE(h.DataFileWhole()) << ReadFileBytes(h.dataFile);
    }

    // A termination signal (as at logout) ends it the clean way.
    {
        TXServer x;
        ASSERT_FALSE(x.Display().empty());
        QProcess program;
        ASSERT_TRUE(start(program, x));
        EXPECT_TRUE(WaitFor(
            [&] {
                return FileExists(h.settingsFile) &&
                       ReadFileBytes(h.settingsFile).find("LatestDataFile") != std::string::npos;
            },
            10000));
        Spin(500);
        program.terminate();
        ASSERT_TRUE(program.waitForFinished(10000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
        EXPECT_TRUE(h.DataFileWhole()) << ReadFileBytes(h.dataFile);
    }
}

TEST(Program, RunsOnWithAnUnusableSettingsStoreOrPastTheFileSizeLimit) {
    if (!FileExists(kProgram))
        GTEST_SKIP() << "needs the program";

    // The settings file is a folder: reminders still fire and are saved.
    {
        TProgramHome h;
        h.WriteDueReminder();
        ForceDirectories(h.settingsFile);
        QProcess program;
        program.setProcessEnvironment(h.env);
        program.start(QString::fromStdString(kProgram), {QString::fromStdString(h.dataFile)});
        ASSERT_TRUE(program.waitForStarted(10000));
        std::string errors;
        EXPECT_TRUE(WaitFor(
            [&] {
                errors += program.readAllStandardError().toStdString();
                return h.Fired() || program.state() == QProcess::NotRunning;
            },
            30000));
        EXPECT_TRUE(h.DataFileWhole());
        EXPECT_NE(errors.find("Cannot read the settings file \"" + h.settingsFile + "\""),
                  std::string::npos)
            << errors;
        ASSERT_EQ(program.state(), QProcess::Running) << errors;
        program.terminate();
        ASSERT_TRUE(program.waitForFinished(10000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
        EXPECT_TRUE(DirectoryExists(h.settingsFile));
    }

    // Under a file-size limit smaller than any file it writes, every write fails with its
    // reason, and the program runs on; the data file stays as it was, with no temporary file.
    {
        TProgramHome h;
        h.WriteDueReminder();
        const std::string before = ReadFileBytes(h.dataFile);
        QProcess program;
        program.setProcessEnvironment(h.env);
        program.setChildProcessModifier([] {
            rlimit limit{64, 64};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
        program.start(QString::fromStdString(kProgram), {QString::fromStdString(h.dataFile)});
        ASSERT_TRUE(program.waitForStarted(10000));
        std::string errors;
        WaitFor(
            [&] {
                errors += program.readAllStandardError().toStdString();
                return program.state() == QProcess::NotRunning;
            },
            8000); // the reminder fires at the first tick and its save fails
        EXPECT_EQ(program.state(), QProcess::Running);
        EXPECT_NE(errors.find(std::strerror(EFBIG)), std::string::npos) << errors;
        EXPECT_EQ(ReadFileBytes(h.dataFile), before);
        EXPECT_FALSE(FileExists(h.dataFile + ".~TockwellTmp~"));
        program.kill(); // an error box waits for the user
        program.waitForFinished(5000);
    }
}

TEST(Program, FiresAndSavesHandsOverToASecondStartAndQuitsOnRequest) {
    if (!FileExists(kProgram) || std::system("command -v xvfb-run >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs the program and xvfb-run";
    TempRegistry registry; // the test's own writes
    TempDir dir;
    const std::string home = dir.File("home"), run = dir.File("run");
    QProcessEnvironment env =
        ProgramEnvironment(QProcessEnvironment::systemEnvironment(), home, run);
    env.remove("DISPLAY");
    // A socket file left by a crashed instance does not keep the program out.
    {
        int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, (run + "/tockwell.socket").c_str(), sizeof addr.sun_path - 1);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        ::close(fd);
    }

    // A data file with one reminder, due a minute ago.
    const std::string fileName = dir.File("due.tock");
    {
        TTockwellDB db;
        db.AddNew("Due now", Now() - 1.0 / 1440);
        SaveXMLDataFile(db, fileName);
    }

    QProcessEnvironment displayEnv = env;
    displayEnv.remove("QT_QPA_PLATFORM");
    env.insert("QT_QPA_PLATFORM", "offscreen"); // the later starts need no screen

    QProcess first;
    first.setProcessEnvironment(displayEnv);
    first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    first.start("xvfb-run", {"-a", "-s", "-screen 0 1024x768x24", QString::fromStdString(kProgram),
                             QString::fromStdString(fileName)});
    ASSERT_TRUE(first.waitForStarted(10000));

    // The reminder fires within a few ticks, and the file records it.
    TXMLDocument doc;
    bool fired = WaitFor(
        [&] {
            IXMLNode alerts = ReminderAlerts(doc, fileName);
            return alerts && alerts.Attribute("PlacedToReminderWnd") == "-1" &&
                   !alerts.Attribute("LatestAlertDateTime").empty();
        },
        30000);
    EXPECT_TRUE(fired) << ReadFileBytes(fileName);
    EXPECT_EQ(first.state(), QProcess::Running);

    // A second start hands over to the first and ends at once.
    QProcess second;
    second.setProcessEnvironment(env);
    second.start(QString::fromStdString(kProgram), {});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);

    // With the debug value AllowMultipleInstances a further start runs beside the first; a
    // termination signal ends it the clean way.
    const std::string settingsFile = home + "/.config/Tockwell/registry";
    SetRegistryStoreFolder(home + "/.config/Tockwell");
    WriteRegistryString(DebugSettingsKey, AllowMultipleInstancesValue, "");
    SetRegistryStoreFolder(registry.Folder());
    const std::string anotherFile = dir.File("another.tock");
    QProcess another;
    another.setProcessEnvironment(env);
    another.start(QString::fromStdString(kProgram), {QString::fromStdString(anotherFile)});
    EXPECT_TRUE(WaitFor(
        [&] {
            return ReadFileBytes(settingsFile).find("\"LatestDataFile\"=\"" + anotherFile) !=
                   std::string::npos;
        },
        10000));
    EXPECT_EQ(another.state(), QProcess::Running);
    another.terminate();
    ASSERT_TRUE(another.waitForFinished(10000));
    EXPECT_EQ(another.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(another.exitCode(), 0);

    // Asked to quit, the first ends cleanly: it writes its layout on the way out.
    ASSERT_EQ(AskToQuit(env, 10000), 0);
    ASSERT_TRUE(first.waitForFinished(15000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
    EXPECT_NE(ReadFileBytes(settingsFile).find("\"WndPosLeft\""), std::string::npos);
    TTockwellDB saved; // the data file is whole
    EXPECT_NO_THROW(LoadXMLDataFile(saved, fileName));
    EXPECT_EQ(saved.Count(), 1);

    // With nothing running, --quit starts nothing.
    EXPECT_EQ(AskToQuit(env, 10000), 0);
}

TEST(Program, TheDebugSwitchStartsTheLogAndIsNoDataFileName) {
    if (!FileExists(kProgram))
        GTEST_SKIP() << "needs the program";
    TProgramHome h;
    h.WriteDueReminder();
    const std::string log = h.home + "/.local/state/Tockwell/HHDebug.txt";
    QProcess program;
    program.setProcessEnvironment(h.env);
    // The switch comes first; the data file is still the first of the other parameters.
    program.start(QString::fromStdString(kProgram),
                  {QStringLiteral("-debug"), QString::fromStdString(h.dataFile)});
    ASSERT_TRUE(program.waitForStarted(10000));
    EXPECT_TRUE(
        WaitFor([&] { return h.Fired() || program.state() == QProcess::NotRunning; }, 30000));
    EXPECT_TRUE(h.Fired());
    EXPECT_FALSE(FileExists(h.dir.File("-debug")));
    const std::string text = FileExists(log) ? ReadFileBytes(log) : "";
    EXPECT_NE(text.find("! Log File: " + log + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("!   1: -debug\n"), std::string::npos) << text;
    EXPECT_NE(text.find("THookHelpSystem.Create(\""), std::string::npos) << text;
    program.terminate();
    ASSERT_TRUE(program.waitForFinished(10000));
}

TEST(Program, PhrasesTypedIntoTheConsoleAreSavedWithAndWithoutTheDialog) {
    if (!FileExists(kProgram) || std::system("command -v Xvfb >/dev/null 2>&1") != 0 ||
        std::system("command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs the program, Xvfb and xdotool";
    TProgramHome h;
    const std::string dataFile = h.dir.File("new.tock");
    {
        TTockwellDB db; // the window stays up after each reminder
        db.DBSettings.CloseAfterCreateNewReminder = false;
        SaveXMLDataFile(db, dataFile);
    }
    TXServer x;
    ASSERT_FALSE(x.Display().empty());
    QProcessEnvironment env = h.env;
    env.remove("QT_QPA_PLATFORM");
    env.insert("DISPLAY", QString::fromStdString(x.Display()));
    QProcess program;
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QString::fromStdString(kProgram), {QString::fromStdString(dataFile)});
    ASSERT_TRUE(program.waitForStarted(10000));

    // Deadlines are generous: a busy machine holds the program and xdotool up, and an idle
    // one meets each condition at once.
    constexpr int Deadline = 60000;
    // xdotool on the test's display; its output.
    auto xdotool = [&](const QStringList& args) {
        QProcess tool;
        tool.setProcessEnvironment(env);
        tool.start("xdotool", args);
        tool.waitForFinished(Deadline);
        return tool.readAllStandardOutput().trimmed();
    };
    auto visibleWindow = [&](const QString& title) {
        return xdotool({"search", "--onlyvisible", "--name", title}).split('\n')[0];
    };
    auto findWindow = [&](const QString& title) {
        QByteArray window;
        WaitFor([&] { return !(window = visibleWindow(title)).isEmpty(); }, Deadline);
        return window;
    };
    // Gives window the keyboard, asking again every half second until the X server says it
    // has it: keys typed before then go elsewhere.
    auto focus = [&](const QByteArray& window) {
        QElapsedTimer asked;
        bool focused = false;
        WaitFor(
            [&] {
                focused = focused || xdotool({"getwindowfocus"}) == window;
                if (!focused && (!asked.isValid() || asked.elapsed() > 500)) {
                    xdotool({"windowfocus", window});
                    asked.start();
                }
                return focused;
            },
            Deadline);
        return focused;
    };
    TTockwellDB db;
    auto savedCount = [&](int count) {
        return WaitFor(
            [&] {
                try {
                    db.Clear();
                    LoadXMLDataFile(db, dataFile);
                    return db.Count() == count;
                } catch (const std::exception&) {
                    return false;
                }
            },
            Deadline);
    };
    auto finish = [&] {
        program.terminate();
        program.waitForFinished(10000);
    };

    const QByteArray main = findWindow("^Tockwell$");
    const bool mainFocused = !main.isEmpty() && focus(main);
    if (!mainFocused)
        finish();
    ASSERT_TRUE(mainFocused) << main.toStdString();

    // Enter opens the dialog on the phrase; Ctrl+Enter anywhere in it confirms it.
    xdotool({"type", "--delay", "30", "dentist friday 9am"});
    xdotool({"key", "Return"});
    const QByteArray dialog = findWindow("^New Reminder$");
    if (dialog.isEmpty())
        finish();
    ASSERT_FALSE(dialog.isEmpty());
    const bool dialogFocused = focus(dialog);
    if (!dialogFocused)
        finish();
    ASSERT_TRUE(dialogFocused);
    xdotool({"key", "Tab"});
    xdotool({"key", "ctrl+Return"});
    if (!savedCount(1))
        finish();
    ASSERT_EQ(db.Count(), 1) << ReadFileBytes(dataFile);
    EXPECT_EQ(db.GetItem(0)->Caption, "dentist");

    // Ctrl+Enter adds at once, once the dialog is gone.
    EXPECT_TRUE(WaitFor([&] { return visibleWindow("^New Reminder$").isEmpty(); }, Deadline));
    EXPECT_TRUE(focus(main));
    const std::string phrase = "call mom tomorrow 10 am";
    xdotool({"type", "--delay", "30", QString::fromStdString(phrase)});
    xdotool({"key", "ctrl+Return"});
    const bool saved = savedCount(2);
    finish();
    ASSERT_TRUE(saved) << ReadFileBytes(dataFile);
    const TParsedPhrase expected = ParsePhrase(phrase);
    EXPECT_EQ(expected.Title, "call mom");
    TTockwellItemPtr added = db.GetItem(0)->Caption == "call mom" ? db.GetItem(0) : db.GetItem(1);
    EXPECT_EQ(added->Caption, expected.Title);
    EXPECT_NEAR(added->GetReminder().GetReminderDateTime(), expected.FirstDate, OneSecond);
    EXPECT_TRUE(added->GetReminder().IsActive());
}

TEST(Program, StartsWithEveryUserFolderInItsOwnHome) {
    QProcessEnvironment caller;
    for (const TUserFolderVariable& v : kUserFolderVariables)
        caller.insert(v.Name, QStringLiteral("/elsewhere") + v.BelowHome);
    TempDir dir;
    const std::string home = dir.File("home");
    const QProcessEnvironment env = ProgramEnvironment(caller, home, dir.File("run"));
    EXPECT_EQ(env.value("HOME").toStdString(), home);
    for (const TUserFolderVariable& v : kUserFolderVariables)
        EXPECT_EQ(env.value(v.Name).toStdString(), home + v.BelowHome) << v.Name;
}

TEST(Program, ANamedPipeAsTheDataFileHoldsNothingUp) {
    if (!FileExists(kProgram))
        GTEST_SKIP() << "needs the program";
    TProgramHome h;
    const std::string pipe = h.dir.File("pipe.tock"), errors = h.dir.File("errors.txt");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    QProcess program;
    program.setProcessEnvironment(h.env);
    program.setStandardErrorFile(QString::fromStdString(errors));
    program.start(QString::fromStdString(kProgram), {QString::fromStdString(pipe)});
    ASSERT_TRUE(program.waitForStarted(10000));
    // Read and refused: its name is kept as the last one used.
    EXPECT_TRUE(WaitFor(
        [&] {
            return FileExists(h.settingsFile) &&
                   ReadFileBytes(h.settingsFile).find("pipe.tock") != std::string::npos;
        },
        20000));
    // Asked to quit, it ends the normal way, not through the exit watchdog.
    EXPECT_EQ(AskToQuit(h.env, 30000), 0);
    EXPECT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_EQ(ReadFileBytes(errors).find("did not end in time"), std::string::npos);
    program.kill();
    program.waitForFinished(5000);
}

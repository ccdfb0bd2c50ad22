// The program itself, started under a virtual X server with a home of its own.
#include <QProcess>
#include <QProcessEnvironment>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "app/startup.h"
#include "apptestutil.h"
#include "core/registrymanager.h"
#include "core/tockwelldb.h"
#include "core/xmldatafile.h"
#include "platform/fileutils.h"
#include "platform/registrystore.h"
#include "platform/xmldom.h"
#include "testutil.h"

namespace {

// The reminder element's attributes in the data file, or a null node.
IXMLNode ReminderAlerts(TXMLDocument& doc, const std::string& fileName) {
    try {
        doc.LoadFromFile(fileName);
    } catch (const std::exception&) {
        return {};
    }
    IXMLNode reminders = doc.DocumentElement().FindChild("Reminders");
    if (!reminders || reminders.ChildCount() == 0)
        return {};
    return reminders.Child(0).FindChild("Alerts");
}

} // namespace

TEST(Program, FiresAndSavesHandsOverToASecondStartAndQuitsOnRequest) {
    const std::string program = std::string(TOCKWELL_BINARY_DIR) + "/app/tockwell";
    if (!FileExists(program) || std::system("command -v xvfb-run >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs the program and xvfb-run";
    TempRegistry registry; // the test's own writes
    TempDir dir;
    const std::string home = dir.File("home"), run = dir.File("run");
    ForceDirectories(home);
    ::mkdir(run.c_str(), 0700);
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

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", QString::fromStdString(home));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(home + "/.config"));
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(run));
    env.remove("DISPLAY");
    env.insert("LSAN_OPTIONS",
               QString::fromStdString("suppressions=" + SourcePath("tests/app/program.lsan.supp")));
    QProcessEnvironment displayEnv = env;
    displayEnv.remove("QT_QPA_PLATFORM");
    env.insert("QT_QPA_PLATFORM", "offscreen"); // the later starts need no screen

    QProcess first;
    first.setProcessEnvironment(displayEnv);
    first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    first.start("xvfb-run", {"-a", "-s", "-screen 0 1024x768x24", QString::fromStdString(program),
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
    second.start(QString::fromStdString(program), {});
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
    another.start(QString::fromStdString(program), {QString::fromStdString(anotherFile)});
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
    QProcess quit;
    quit.setProcessEnvironment(env);
    quit.start(QString::fromStdString(program), {"--quit"});
    ASSERT_TRUE(quit.waitForFinished(10000));
    EXPECT_EQ(quit.exitCode(), 0);
    ASSERT_TRUE(first.waitForFinished(15000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
    EXPECT_NE(ReadFileBytes(settingsFile).find("\"WndPosLeft\""), std::string::npos);

    // With nothing running, --quit starts nothing.
    QProcess idle;
    idle.setProcessEnvironment(env);
    idle.start(QString::fromStdString(program), {"--quit"});
    ASSERT_TRUE(idle.waitForFinished(10000));
    EXPECT_EQ(idle.exitCode(), 0);
}

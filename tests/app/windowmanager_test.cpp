// The program under a window manager: a virtual X server with openbox, driven with xdotool.
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QStringList>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <sys/stat.h>

#include "apptestutil.h"
#include "platform/fileutils.h"
#include "programtestutil.h"
#include "testutil.h"

namespace {

// Where a window is and how big.
struct TWindowBox {
    int X = 0, Y = 0, Width = 0, Height = 0;
};

// xvfb-run with openbox on it, for the test's lifetime.
class WindowManagerSession {
public:
    WindowManagerSession() {
        for (const char* tool : {"xvfb-run", "Xvfb", "openbox", "xdotool"})
            if (QStandardPaths::findExecutable(tool).isEmpty())
                Missing += std::string(Missing.empty() ? "" : ", ") + tool;
        if (!Missing.empty())
            return;
        // The shell reports the display, runs openbox, and ends it (and with it the server)
        // when the test closes its input.
        session_.start("xvfb-run",
                       {"-a", "-s", "-screen 0 1280x1024x24", "sh", "-c",
                        "echo \"$DISPLAY $XAUTHORITY\"; openbox --sm-disable >/dev/null 2>&1 & "
                        "read line; kill $!"});
        if (!session_.waitForStarted(10000))
            return;
        QByteArray line;
        while (!line.contains('\n') && session_.waitForReadyRead(15000))
            line += session_.readAllStandardOutput();
        const QStringList parts = QString::fromUtf8(line).trimmed().split(' ');
        if (parts.size() != 2)
            return;
        env_ = QProcessEnvironment::systemEnvironment();
        env_.remove("QT_QPA_PLATFORM");
        env_.insert("DISPLAY", parts[0]);
        env_.insert("XAUTHORITY", parts[1]);
        // The window manager is up once it publishes its desktops.
        Ready = WaitFor([&] { return XDo({"get_num_desktops"}).has_value(); }, 15000);
    }
    ~WindowManagerSession() {
        if (session_.state() == QProcess::NotRunning)
            return;
        session_.closeWriteChannel();
        if (!session_.waitForFinished(10000))
            session_.kill();
    }

    // xdotool with args on the session's display: its output, nullopt when it failed.
    std::optional<QString> XDo(const QStringList& args) const {
        QProcess p;
        p.setProcessEnvironment(env_);
        p.start("xdotool", args);
        if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit ||
            p.exitCode() != 0)
            return std::nullopt;
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    // The active window's id (0 when there is none).
    unsigned long Active() const { return XDo({"getactivewindow"}).value_or("0").toULong(); }
    // The visible window of the process pid (0 when none).
    unsigned long WindowOf(qint64 pid) const {
        const QString ids =
            XDo({"search", "--onlyvisible", "--pid", QString::number(pid)}).value_or("0");
        return ids.split('\n').first().toULong();
    }
    TWindowBox Box(unsigned long window) const {
        TWindowBox box;
        const QString text =
            XDo({"getwindowgeometry", "--shell", QString::number(window)}).value_or(QString());
        for (const QString& line : text.split('\n')) {
            const QStringList kv = line.split('=');
            if (kv.size() != 2)
                continue;
            const int v = kv[1].toInt();
            if (kv[0] == "X")
                box.X = v;
            else if (kv[0] == "Y")
                box.Y = v;
            else if (kv[0] == "WIDTH")
                box.Width = v;
            else if (kv[0] == "HEIGHT")
                box.Height = v;
        }
        return box;
    }

    // Starts the program with a home of its own (one instance per home) on the display.
    void Start(QProcess& program, const std::string& home, const QStringList& args = {}) const {
        ForceDirectories(home + "/.config");
        program.setProcessEnvironment(ProgramEnvironment(env_, home, home + "/run"));
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QString::fromStdString(kProgram), args);
    }

    std::string Missing; // the tools that are not installed
    bool Ready = false;

private:
    QProcess session_;
    QProcessEnvironment env_;
};

// Ends a started program at the end of the test.
struct Stopper {
    QProcess& P;
    ~Stopper() {
        if (P.state() == QProcess::NotRunning)
            return;
        P.terminate();
        if (!P.waitForFinished(10000))
            P.kill();
    }
};

class WindowManager : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(session.Missing.empty())
            << "not installed: " << session.Missing << " (scripts/install-deps.sh installs them)";
        ASSERT_TRUE(session.Ready) << "xvfb-run with openbox did not come up";
    }
    // The program's window once it shows (0 when it does not within 15 s).
    unsigned long WaitForWindow(const QProcess& program) {
        unsigned long window = 0;
        WaitFor([&] { return (window = session.WindowOf(program.processId())) != 0; }, 15000);
        return window;
    }
    ::testing::AssertionResult WaitForActive(unsigned long window) {
        if (WaitFor([&] { return session.Active() == window; }, 5000))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "active window " << session.Active() << ", expected " << window;
    }

    TempDir dir;
    WindowManagerSession session;
};

} // namespace

TEST_F(WindowManager, DoubleClickOnTheCaptionCollapsesAndADragMovesTheWindow) {
    QProcess program;
    Stopper stop{program};
    session.Start(program, dir.File("home"), {QString::fromStdString(dir.File("db.tock"))});
    const unsigned long window = WaitForWindow(program);
    ASSERT_NE(window, 0u);
    const TWindowBox expanded = session.Box(window);
    ASSERT_GT(expanded.Height, 200);
    const QString x = QString::number(expanded.X + 60), y = QString::number(expanded.Y + 15);

    // A double click on the caption bar collapses the window; another expands it again.
    ASSERT_TRUE(session.XDo({"mousemove", x, y, "click", "--repeat", "2", "--delay", "80", "1"}));
    EXPECT_TRUE(WaitFor([&] { return session.Box(window).Height < 40; }, 5000))
        << session.Box(window).Height;
    ASSERT_TRUE(session.XDo({"mousemove", x, y, "click", "--repeat", "2", "--delay", "80", "1"}));
    EXPECT_TRUE(WaitFor([&] { return session.Box(window).Height == expanded.Height; }, 5000));

    // A single click leaves it as it is; pressed and moved, the window follows the mouse.
    ASSERT_TRUE(session.XDo({"mousemove", x, y, "click", "1"}));
    Spin(600);
    EXPECT_EQ(session.Box(window).Height, expanded.Height);
    ASSERT_TRUE(session.XDo({"mousemove", x, y, "mousedown", "1", "mousemove_relative", "--", "-30",
                             "-40", "sleep", "0.3", "mousemove_relative", "--", "-50", "-50",
                             "sleep", "0.3", "mouseup", "1"}));
    EXPECT_TRUE(WaitFor(
        [&] {
            const TWindowBox b = session.Box(window);
            // A window manager's move starts where the mouse has gone by then.
            return b.X <= expanded.X - 50 && b.X >= expanded.X - 80 && b.Y <= expanded.Y - 50 &&
                   b.Y >= expanded.Y - 90;
        },
        5000))
        << session.Box(window).X << "," << session.Box(window).Y;
    EXPECT_EQ(session.Box(window).Height, expanded.Height);
}

TEST_F(WindowManager, HotKeyAndASecondStartActivateTheWindow) {
    // The program (its hot key is Win+Down) and another program's window in front of it.
    QProcess program, other;
    Stopper stopProgram{program}, stopOther{other};
    const std::string home = dir.File("home");
    const QStringList args{QString::fromStdString(dir.File("db.tock"))};
    session.Start(program, home, args);
    const unsigned long window = WaitForWindow(program);
    ASSERT_NE(window, 0u);
    EXPECT_TRUE(WaitForActive(window));
    session.Start(other, dir.File("other"), {QString::fromStdString(dir.File("other.tock"))});
    const unsigned long otherWindow = WaitForWindow(other);
    ASSERT_NE(otherWindow, 0u);
    ASSERT_TRUE(WaitForActive(otherWindow));
    // The other window stands apart, and the user works in it.
    ASSERT_TRUE(session.XDo({"windowmove", QString::number(otherWindow), "100", "100"}));
    auto workInOther = [&] {
        // Clicks on one day closer than the double-click time would add a reminder there.
        Spin(600);
        const TWindowBox b = session.Box(otherWindow);
        ASSERT_TRUE(session.XDo({"mousemove", QString::number(b.X + 100),
                                 QString::number(b.Y + 100), "click", "1", "type", "abc"}));
        ASSERT_TRUE(WaitForActive(otherWindow));
    };
    workInOther();

    // The hot key brings the window to the front, active; a second press gives the focus back.
    ASSERT_TRUE(session.XDo({"key", "super+Down"}));
    EXPECT_TRUE(WaitForActive(window));
    ASSERT_TRUE(session.XDo({"key", "super+Down"}));
    EXPECT_TRUE(WaitForActive(otherWindow));
    EXPECT_TRUE(WaitFor([&] { return session.Box(window).Height < 40; }, 5000));

    // Put away with Escape (collapse, then away; without a tray it is minimised), the window
    // comes back active through the hot key.
    ASSERT_TRUE(session.XDo({"key", "super+Down"}));
    ASSERT_TRUE(WaitForActive(window));
    ASSERT_TRUE(session.XDo({"key", "Escape", "sleep", "0.3", "key", "Escape"}));
    EXPECT_TRUE(WaitFor([&] { return session.WindowOf(program.processId()) == 0; }, 5000));
    Spin(1000); // the window settles in its new state
    workInOther();
    ASSERT_TRUE(session.XDo({"key", "super+Down"}));
    EXPECT_TRUE(WaitFor([&] { return session.WindowOf(program.processId()) != 0; }, 5000));
    const unsigned long shown = session.WindowOf(program.processId());
    EXPECT_TRUE(WaitForActive(shown));
    EXPECT_GT(session.Box(shown).Height, 200);

    // A second start hands over to the running program, whose window comes to the front.
    workInOther();
    QProcess second;
    session.Start(second, home, args);
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(WaitForActive(session.WindowOf(program.processId())));
}

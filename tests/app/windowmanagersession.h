#pragma once
// The program under a window manager: a virtual X server with openbox, driven with xdotool.
// Every wait polls until its condition holds, so the deadlines are generous (a busy machine
// may take long) without slowing an idle one.

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringList>
#include <algorithm>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

#include "apptestutil.h"
#include "gui/xvfbserver.h"
#include "platform/fileutils.h"
#include "programtestutil.h"
#include "testutil.h"

// Deadlines of the waits, in milliseconds: for a program or server to come up, and for a
// running program to answer the user.
inline constexpr int kStartDeadlineMs = 60000;
inline constexpr int kAnswerDeadlineMs = 30000;

// Where a window is and how big.
struct TWindowBox {
    int X = 0, Y = 0, Width = 0, Height = 0;
};

// A virtual X server with openbox on it, for the object's lifetime.
class WindowManagerSession {
public:
    WindowManagerSession() {
        for (const char* tool : {"Xvfb", "openbox", "xdotool", "xprop"})
            if (QStandardPaths::findExecutable(tool).isEmpty())
                Missing += std::string(Missing.empty() ? "" : ", ") + tool;
        if (!Missing.empty())
            return;
        const std::string& display = server_.Display();
        if (display.empty())
            return;
        env_ = QProcessEnvironment::systemEnvironment();
        env_.remove("QT_QPA_PLATFORM");
        env_.remove("XAUTHORITY");
        env_.insert("DISPLAY", QString::fromStdString(display));
        windowManager_.setProcessEnvironment(env_);
        windowManager_.setStandardOutputFile(QProcess::nullDevice());
        windowManager_.setStandardErrorFile(QProcess::nullDevice());
        windowManager_.start("openbox", {"--sm-disable"});
        // The window manager is up once it publishes its desktops.
        Ready = WaitFor([&] { return XDo({"get_num_desktops"}).has_value(); }, kStartDeadlineMs);
    }
    ~WindowManagerSession() {
        if (windowManager_.state() != QProcess::NotRunning) {
            windowManager_.terminate();
            if (!windowManager_.waitForFinished(kAnswerDeadlineMs))
                windowManager_.kill();
            windowManager_.waitForFinished(kAnswerDeadlineMs);
        }
    }

    // program with args on the session's display: its output, nullopt when it failed.
    std::optional<QString> Run(const QString& program, const QStringList& args) const {
        QProcess p;
        p.setProcessEnvironment(env_);
        p.start(program, args);
        if (!p.waitForFinished(kAnswerDeadlineMs) || p.exitStatus() != QProcess::NormalExit ||
            p.exitCode() != 0)
            return std::nullopt;
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    std::optional<QString> XDo(const QStringList& args) const { return Run("xdotool", args); }
    // The active window's id (0 when there is none).
    unsigned long Active() const { return XDo({"getactivewindow"}).value_or("0").toULong(); }
    // The id of the window with the keyboard focus.
    unsigned long Focus() const { return XDo({"getwindowfocus"}).value_or("0").toULong(); }
    // The first visible window of the process pid (0 when none), with title matching the
    // regular expression name when given.
    unsigned long WindowOf(qint64 pid, const QString& name = {}) const {
        const std::vector<unsigned long> windows = WindowsOf(pid, name);
        return windows.empty() ? 0 : windows.front();
    }
    // All of them, in the order the window manager lists them.
    std::vector<unsigned long> WindowsOf(qint64 pid, const QString& name = {}) const {
        QStringList args{"search", "--onlyvisible", "--pid", QString::number(pid)};
        if (!name.isEmpty())
            args << "--all"
                 << "--name" << name;
        std::vector<unsigned long> windows;
        for (const QString& id : XDo(args).value_or(QString()).split('\n', Qt::SkipEmptyParts))
            windows.push_back(id.toULong());
        return windows;
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
    // Where the window asks the window manager to put it: the position and gravity of its
    // size hints, one per line ("" when it asks for none).
    QString RequestedPlace(unsigned long window) const {
        const QString hints =
            Run("xprop", {"-id", QString::number(window), "WM_NORMAL_HINTS"}).value_or(QString());
        QStringList place;
        for (const QString& line : hints.split('\n'))
            if (line.contains("location") || line.contains("gravity"))
                place << line.trimmed();
        return place.join('\n');
    }
    // The window's frame as the window manager draws it around the window.
    TWindowBox Frame(unsigned long window) const {
        TWindowBox box = Box(window);
        const QString text = Run("xprop", {"-id", QString::number(window), "_NET_FRAME_EXTENTS"})
                                 .value_or(QString());
        const QStringList e = text.mid(text.indexOf('=') + 1).split(',');
        if (text.contains('=') && e.size() == 4) {
            box.X -= e[0].trimmed().toInt();
            box.Y -= e[2].trimmed().toInt();
            box.Width += e[0].trimmed().toInt() + e[1].trimmed().toInt();
            box.Height += e[2].trimmed().toInt() + e[3].trimmed().toInt();
        }
        return box;
    }
    // The screen's size.
    TWindowBox Screen() const {
        const QStringList size = XDo({"getdisplaygeometry"}).value_or("0 0").split(' ');
        return {0, 0, size.value(0).toInt(), size.value(1).toInt()};
    }
    // Whether the window says it is a dialog.
    bool IsDialog(unsigned long window) const {
        return Run("xprop", {"-id", QString::number(window), "_NET_WM_WINDOW_TYPE"})
            .value_or(QString())
            .contains("_NET_WM_WINDOW_TYPE_DIALOG");
    }
    // The icon the window gives the window manager, drawn in text ("" when it gives none).
    QString Icon(unsigned long window) const {
        const QString text =
            Run("xprop", {"-id", QString::number(window), "_NET_WM_ICON"}).value_or(QString());
        return text.contains('=') ? text.mid(text.indexOf('=') + 1) : QString();
    }
    // The width of the window manager's label showing the window's title: the widest window
    // in its frame's title bar, the frame's window with the most windows in it (0 when none).
    int TitleLabelWidth(unsigned long window) const {
        auto tree = [&](const QString& id) {
            return Run("xwininfo", {"-tree", "-id", id}).value_or(QString()).split('\n');
        };
        QString frame;
        for (const QString& line : tree(QString::number(window)))
            if (line.contains("Parent window id:"))
                frame = line.section(':', 1).trimmed().section(' ', 0, 0);
        // The frame's windows, each followed by those in it, indented deeper.
        static const QRegularExpression listed(R"(^(\s+)0x\w+ .*\s(\d+)x(\d+)[+-]\d+[+-]\d+\s)");
        std::vector<std::vector<int>> widths; // of the windows in each of the frame's windows
        int indent = -1;
        for (const QString& line : tree(frame)) {
            const QRegularExpressionMatch m = listed.match(line);
            if (!m.hasMatch())
                continue;
            if (indent < 0)
                indent = int(m.capturedLength(1));
            if (int(m.capturedLength(1)) == indent)
                widths.emplace_back();
            else if (m.captured(3).toInt() >= 8) // not a border's or grip's sliver
                widths.back().push_back(m.captured(2).toInt());
        }
        const auto bar = std::max_element(widths.begin(), widths.end(),
                                          [](auto& a, auto& b) { return a.size() < b.size(); });
        return bar == widths.end() || bar->empty() ? 0
                                                   : *std::max_element(bar->begin(), bar->end());
    }
    // The window manager's windows from bottom to top.
    std::vector<unsigned long> Stacking() const {
        const QString text =
            Run("xprop", {"-root", "_NET_CLIENT_LIST_STACKING"}).value_or(QString());
        std::vector<unsigned long> ids;
        const qsizetype hash = text.indexOf('#');
        if (hash >= 0)
            for (const QString& id : text.mid(hash + 1).split(',', Qt::SkipEmptyParts))
                ids.push_back(id.trimmed().toULong(nullptr, 16));
        return ids;
    }
    // The window's opacity property as a fraction (1 when it has none, -1 when unknown).
    double Opacity(unsigned long window) const {
        const std::optional<QString> text =
            Run("xprop", {"-id", QString::number(window), "_NET_WM_WINDOW_OPACITY"});
        if (!text)
            return -1;
        const qsizetype eq = text->indexOf('=');
        return eq < 0 ? 1.0 : text->mid(eq + 1).trimmed().toDouble() / 0xFFFFFFFFu;
    }

    // Starts the program with a home of its own (one instance per home) on the display.
    void Start(QProcess& program, const std::string& home, const QStringList& args = {}) const {
        ForceDirectories(home + "/.config");
        program.setProcessEnvironment(ProgramEnvironment(env_, home, home + "/run"));
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QString::fromStdString(kProgram), args);
    }
    // The environment in which Start runs the program with that home.
    QProcessEnvironment ProgramEnv(const std::string& home) const {
        return ProgramEnvironment(env_, home, home + "/run");
    }

    std::string Missing; // the tools that are not installed
    bool Ready = false;

private:
    TXvfbServer server_{"1280x1024x24", {}, kStartDeadlineMs};
    QProcess windowManager_;
    QProcessEnvironment env_;
};

// Ends a started program at the end of the test.
struct Stopper {
    QProcess& P;
    ~Stopper() {
        if (P.state() == QProcess::NotRunning)
            return;
        P.terminate();
        if (!P.waitForFinished(kAnswerDeadlineMs))
            P.kill();
        P.waitForFinished(kAnswerDeadlineMs);
    }
};

// A test with the session; it fails at once when the tools are missing or it does not come up.
class WindowManager : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(session.Missing.empty())
            << "not installed: " << session.Missing << " (scripts/install-deps.sh installs them)";
        ASSERT_TRUE(session.Ready) << "Xvfb with openbox did not come up";
    }
    // The program's first visible window (with a title matching name when given) once it
    // shows; 0 when it does not.
    unsigned long WaitForWindow(const QProcess& program, const QString& name = {}) {
        unsigned long window = 0;
        WaitFor([&] { return (window = session.WindowOf(program.processId(), name)) != 0; },
                kStartDeadlineMs);
        return window;
    }
    // The window manager made window the active one and the window took the keyboard focus
    // (which it does when its program answers the window manager).
    ::testing::AssertionResult WaitForActive(unsigned long window) {
        if (WaitFor([&] { return session.Active() == window && session.Focus() == window; },
                    kAnswerDeadlineMs))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "active window " << session.Active() << ", expected " << window;
    }

    // Asks the window manager to activate window, again each second, until WaitForActive
    // holds (a busy window manager or program may miss a request).
    ::testing::AssertionResult Activate(unsigned long window) {
        QElapsedTimer asked;
        WaitFor(
            [&] {
                if (session.Active() == window && session.Focus() == window)
                    return true;
                if (!asked.isValid() || asked.elapsed() > 1000) {
                    session.XDo({"windowactivate", QString::number(window)});
                    asked.start();
                }
                return false;
            },
            kAnswerDeadlineMs);
        return WaitForActive(window);
    }

    TempDir dir;
    WindowManagerSession session;
};

// Nodes dragged with the mouse between two string trees on an X server of the test's own (Xvfb,
// driven by xdotool): a plain drag copies, a drag with Shift moves, a VCL drag leaves the next
// click working, a second button cancels, a drop target gone before the drag returns is none.
// The trees live in the drag host program (tests/support/gui/treedraghost.cpp).
// With TREE_SCREENSHOT set, the host saves the screen during the first drag.
#include <QElapsedTimer>
#include <QPoint>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <gtest/gtest.h>
#include <map>
#include <memory>

#include "gui/xvfbserver.h"

namespace {

// Polls Condition every 20 ms up to TimeoutMs; the waits are long for a busy machine.
template <class Condition> bool Poll(Condition condition, int TimeoutMs = 30000) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > TimeoutMs)
            return false;
        QThread::msleep(20);
    }
    return true;
}

// An X server of the test's own, driven with xdotool.
class TVirtualDisplay : public TXvfbServer {
public:
    TVirtualDisplay() : TXvfbServer("800x600x24"), Name(DisplayName()) {}
    // Runs xdotool with Args on the display; false when it failed.
    bool XDo(const QStringList& Args) const {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", Name);
        p.setProcessEnvironment(env);
        p.start("xdotool", Args);
        return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit &&
               p.exitCode() == 0;
    }
    const QString Name;
};

// The host program on the display: its lines as they come, its row positions by name.
class TDragHost {
public:
    explicit TDragHost(const QString& Display) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", Display);
        env.insert("QT_QPA_PLATFORM", "xcb");
        host_.setProcessEnvironment(env);
        host_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        host_.start(TREE_DRAG_HOST, {});
    }
    ~TDragHost() {
        host_.closeWriteChannel(); // the host ends with its input
        if (!host_.waitForFinished(10000))
            host_.kill();
    }
    // Waits for a line starting with Prefix that came after the ones already taken; true and
    // Line set when it came.
    bool Expect(const QString& Prefix, QString* Line = nullptr, int TimeoutMs = 30000) {
        return Poll(
            [&] {
                host_.waitForReadyRead(20);
                while (host_.canReadLine()) {
                    QString l = QString::fromUtf8(host_.readLine()).trimmed();
                    if (l.startsWith("point ")) {
                        QStringList f = l.split(' ');
                        if (f.size() == 5)
                            Points[f[1] + "/" + f[2]] = QPoint(f[3].toInt(), f[4].toInt());
                    }
                    lines_ << l;
                }
                for (; taken_ < lines_.size(); ++taken_)
                    if (lines_[taken_].startsWith(Prefix)) {
                        if (Line)
                            *Line = lines_[taken_];
                        ++taken_;
                        return true;
                    }
                return false;
            },
            TimeoutMs);
    }
    void Send(const QByteArray& Command) { host_.write(Command + "\n"); }
    std::map<QString, QPoint> Points; // "left/Bravo", "right/below"

private:
    QProcess host_;
    QStringList lines_;
    qsizetype taken_ = 0;
};

QStringList Coordinates(QPoint p) {
    return {QString::number(p.x()), QString::number(p.y())};
}

// Presses the left button on From, moves across in steps to To (with Shift held when asked)
// and keeps moving a pixel to the right until the host says the drag is over Over.
bool PressAndDragOver(TVirtualDisplay& display, TDragHost& host, QPoint from, QPoint to,
                      const QString& over, bool shift = false) {
    QStringList moves{"mousemove"};
    moves << Coordinates(from) << "mousedown"
          << "1";
    if (shift)
        moves << "keydown"
              << "shift";
    for (int i = 1; i <= 8; ++i)
        moves << "sleep"
              << "0.05"
              << "mousemove" << Coordinates(from + (to - from) * i / 8);
    EXPECT_TRUE(display.XDo(moves));
    // Moves keep coming until the target has seen one (with the key state).
    return Poll(
        [&] {
            display.XDo({"mousemove_relative", "--", "1", "0"});
            return host.Expect("over " + over, nullptr, 200);
        },
        30000);
}

TEST(TreeDragOnScreen, CopyMoveAndAVCLDragBetweenTwoTrees) {
    if (QStandardPaths::findExecutable("Xvfb").isEmpty())
        GTEST_SKIP() << "Xvfb is not installed";
    ASSERT_FALSE(QStandardPaths::findExecutable("xdotool").isEmpty())
        << "xdotool is not installed (scripts/install-deps.sh installs it)";
    TVirtualDisplay display;
    ASSERT_FALSE(display.Name.isEmpty()) << "Xvfb did not start";
    TDragHost host(display.Name);
    ASSERT_TRUE(host.Expect("ready"));
    const bool shot = !qEnvironmentVariableIsEmpty("TREE_SCREENSHOT");

    // Presses on a row, moves across in steps to the empty space of the right tree, waits
    // until the right tree has seen the drag, releases (with Shift held when asked) and
    // returns the host's report of both trees.
    auto drag = [&](const QString& row, bool shift, bool waitForShot) {
        QPoint from = host.Points.at("left/" + row), to = host.Points.at("right/below");
        EXPECT_TRUE(PressAndDragOver(display, host, from, to, "right", shift));
        if (waitForShot) {
            EXPECT_TRUE(host.Expect("shot "));
        }
        EXPECT_TRUE(display.XDo({"mouseup", "1"}));
        if (shift) {
            EXPECT_TRUE(display.XDo({"keyup", "shift"}));
        }
        // The left tree hears where the drag ended: on the right tree, where the mouse let go
        // (moved a pixel to the right per step above).
        QString end;
        EXPECT_TRUE(host.Expect("end left ", &end));
        QStringList f = end.split(' ');
        EXPECT_EQ(f.size(), 5);
        if (f.size() == 5) {
            EXPECT_EQ(f[2].toStdString(), "right");
            EXPECT_GE(f[3].toInt(), to.x()) << end.toStdString();
            EXPECT_EQ(f[4].toInt(), to.y()) << end.toStdString();
        }
        QString state;
        EXPECT_TRUE(host.Expect("state ", &state));
        return state;
    };

    // No key: a drag to the other tree copies.
    EXPECT_EQ(drag("Bravo", false, shot),
              "state left=Alpha|Bravo|Charlie|Delta right=One|Two|Bravo");
    // Shift: it moves.
    EXPECT_EQ(drag("Charlie", true, false),
              "state left=Alpha|Bravo|Delta right=One|Two|Bravo|Charlie");
    // A VCL drag takes the same road, and the next click focuses as usual.
    host.Send("vcl");
    ASSERT_TRUE(host.Expect("ack vcl"));
    EXPECT_EQ(drag("Delta", true, false),
              "state left=Alpha|Bravo right=One|Two|Bravo|Charlie|Delta");
    QStringList click{"mousemove"};
    click << Coordinates(host.Points.at("left/Alpha")) << "click"
          << "1";
    EXPECT_TRUE(display.XDo(click));
    EXPECT_TRUE(host.Expect("focus left Alpha"));
}

// The drag host on a display of the test's own, started for each test.
class TreeDragHostOnScreen : public ::testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable("Xvfb").isEmpty())
            GTEST_SKIP() << "Xvfb is not installed";
        ASSERT_FALSE(QStandardPaths::findExecutable("xdotool").isEmpty())
            << "xdotool is not installed (scripts/install-deps.sh installs it)";
        display = std::make_unique<TVirtualDisplay>();
        ASSERT_FALSE(display->Name.isEmpty()) << "Xvfb did not start";
        host = std::make_unique<TDragHost>(display->Name);
        ASSERT_TRUE(host->Expect("ready"));
    }
    // Drags the left tree's Bravo to the point named To until the host says it is over Over.
    bool DragBravoOver(const QString& To, const QString& Over) {
        return PressAndDragOver(*display, *host, host->Points.at("left/Bravo"), host->Points.at(To),
                                Over);
    }
    static constexpr const char* Unchanged = "state left=Alpha|Bravo|Charlie|Delta right=One|Two";
    std::unique_ptr<TVirtualDisplay> display;
    std::unique_ptr<TDragHost> host; // ends before its display
};

// The right button pressed while the left one drags cancels the drag at once: no drop.
TEST_F(TreeDragHostOnScreen, ASecondButtonCancelsTheDrag) {
    ASSERT_TRUE(DragBravoOver("right/below", "right"));
    EXPECT_TRUE(display->XDo({"mousedown", "3"}));
    QString end, state;
    EXPECT_TRUE(host->Expect("end left ", &end, 5000)); // before either button is let go
    EXPECT_TRUE(display->XDo({"mouseup", "3", "mouseup", "1"}));
    EXPECT_TRUE(end.startsWith("end left none ")) << end.toStdString();
    EXPECT_TRUE(host->Expect("state ", &state));
    EXPECT_EQ(state.toStdString(), Unchanged);
    // No button stays down in the tree: the next click focuses as usual.
    QStringList click{"mousemove"};
    click << Coordinates(host->Points.at("left/Alpha")) << "click"
          << "1";
    EXPECT_TRUE(display->XDo(click));
    EXPECT_TRUE(host->Expect("focus left Alpha"));
}

// A drop target that deletes itself in its drop handler is gone when the drag returns: the
// tree hands on no target rather than the freed one.
TEST_F(TreeDragHostOnScreen, ADropTargetGoneBeforeTheDragReturnsIsNone) {
    ASSERT_TRUE(DragBravoOver("bin/here", "bin"));
    EXPECT_TRUE(display->XDo({"mouseup", "1"}));
    EXPECT_TRUE(host->Expect("dropped bin"));
    QString end, state;
    EXPECT_TRUE(host->Expect("end left ", &end));
    EXPECT_TRUE(end.startsWith("end left none ")) << end.toStdString();
    EXPECT_TRUE(host->Expect("state ", &state));
    EXPECT_EQ(state.toStdString(), Unchanged); // a copy: the source keeps its node
}

} // namespace

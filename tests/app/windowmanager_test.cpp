// The program under a window manager: a virtual X server with openbox, driven with xdotool.
#include <QFont>
#include <QFontMetrics>
#include <QProcess>
#include <QStringList>
#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "apptestutil.h"
#include "core/alertactions.h"
#include "testutil.h"
#include "windowmanagersession.h"

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
    EXPECT_TRUE(WaitFor([&] { return session.Box(window).Height < 40; }, kAnswerDeadlineMs))
        << session.Box(window).Height;
    ASSERT_TRUE(session.XDo({"mousemove", x, y, "click", "--repeat", "2", "--delay", "80", "1"}));
    EXPECT_TRUE(
        WaitFor([&] { return session.Box(window).Height == expanded.Height; }, kAnswerDeadlineMs));

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
        kAnswerDeadlineMs))
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
    EXPECT_TRUE(WaitFor([&] { return session.Box(window).Height < 40; }, kAnswerDeadlineMs));

    // Put away with Escape (collapse, then away; without a tray it is minimised), the window
    // comes back active through the hot key.
    ASSERT_TRUE(session.XDo({"key", "super+Down"}));
    ASSERT_TRUE(WaitForActive(window));
    ASSERT_TRUE(session.XDo({"key", "Escape", "sleep", "0.3", "key", "Escape"}));
    EXPECT_TRUE(
        WaitFor([&] { return session.WindowOf(program.processId()) == 0; }, kAnswerDeadlineMs));
    // The window manager has iconified it, and the window settles in its new state.
    EXPECT_TRUE(WaitFor(
        [&] {
            const QString ids =
                session.XDo({"search", "--pid", QString::number(program.processId())})
                    .value_or(QString());
            for (const QString& id : ids.split('\n', Qt::SkipEmptyParts))
                if (session.Run("xprop", {"-id", id, "WM_STATE"}).value_or("").contains("Iconic"))
                    return true;
            return false;
        },
        kAnswerDeadlineMs));
    Spin(1000);
    workInOther();
    ASSERT_TRUE(session.XDo({"key", "super+Down"}));
    EXPECT_TRUE(
        WaitFor([&] { return session.WindowOf(program.processId()) != 0; }, kAnswerDeadlineMs));
    const unsigned long shown = session.WindowOf(program.processId());
    EXPECT_TRUE(WaitForActive(shown));
    EXPECT_GT(session.Box(shown).Height, 200);

    // A second start hands over to the running program, whose window comes to the front.
    workInOther();
    QProcess second;
    session.Start(second, home, args);
    ASSERT_TRUE(second.waitForFinished(kStartDeadlineMs));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(WaitForActive(session.WindowOf(program.processId())));
}

TEST_F(WindowManager, TheRemindersWindowStaysWhereItWasAcrossHideAndShow) {
    QProcess host; // the reminders window alone, shown and hidden (closed) on command
    Stopper stop{host};
    host.setProcessEnvironment(session.ProgramEnv(dir.File("home")));
    host.start(REMINDERS_WND_HOST, QStringList{});
    QByteArray said;
    auto command = [&](const QByteArray& c) {
        host.write(c + '\n');
        return WaitFor([&] { return (said += host.readAllStandardOutput()).contains("done " + c); },
                       kStartDeadlineMs);
    };
    // Shows the window (closing it made its native window go) and gives it once active.
    auto show = [&] {
        unsigned long window = 0;
        if (command("show"))
            WaitFor(
                [&] {
                    window = session.WindowOf(host.processId());
                    return window && session.Active() == window;
                },
                kAnswerDeadlineMs);
        return window;
    };

    // Closes the window and shows it again; the window manager's box of it then, once it
    // equals want and the window asks for place (when given).
    auto showAgain = [&](const TWindowBox& want, const QString& place = {}) {
        EXPECT_TRUE(command("hide"));
        EXPECT_TRUE(
            WaitFor([&] { return session.WindowOf(host.processId()) == 0; }, kAnswerDeadlineMs));
        const unsigned long w = show();
        TWindowBox b;
        WaitFor(
            [&] {
                b = session.Box(w);
                return b.X == want.X && b.Y == want.Y &&
                       (place.isEmpty() || session.RequestedPlace(w) == place);
            },
            kAnswerDeadlineMs);
        return std::pair(w, b);
    };

    const unsigned long window = show();
    ASSERT_NE(window, 0u);
    const TWindowBox first = session.Box(window);
    // Asked for in the same terms each time: a window manager placing by the frame would show
    // it elsewhere otherwise.
    const QString place = session.RequestedPlace(window);
    for (int round = 1; round <= 2; ++round) {
        const auto [again, box] = showAgain(first, place);
        ASSERT_NE(again, 0u);
        EXPECT_EQ(std::pair(box.X, box.Y), std::pair(first.X, first.Y)) << "round " << round;
        EXPECT_EQ(session.RequestedPlace(again).toStdString(), place.toStdString())
            << "round " << round;
    }

    // Moved by the user, it stays at its new place.
    const unsigned long shown = session.WindowOf(host.processId());
    ASSERT_TRUE(session.XDo({"windowmove", QString::number(shown), "100", "120"}));
    TWindowBox moved;
    ASSERT_TRUE(WaitFor(
        [&] {
            moved = session.Box(shown);
            return moved.X != first.X && moved.Y != first.Y;
        },
        kAnswerDeadlineMs));
    Spin(1000); // time for the program to hear of the move
    const TWindowBox box = showAgain(moved).second;
    EXPECT_EQ(std::pair(box.X, box.Y), std::pair(moved.X, moved.Y));
}

TEST_F(WindowManager, ErrorBoxesOfTheOptionsWindowComeInFrontOfItWithTheFocus) {
    // A file that is no data file, and a folder that cannot be made: a file is in its way.
    const std::string bad = dir.File("bad.tock");
    WriteFileBytes(bad, "no data file");
    QProcess program;
    Stopper stop{program};
    session.Start(program, dir.File("home"), {QString::fromStdString(dir.File("db.tock"))});
    const unsigned long window = WaitForWindow(program);
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(WaitForActive(window));

    // Options... from the caption's drop-down menu, then its Data File page.
    const TWindowBox main = session.Box(window);
    ASSERT_TRUE(session.XDo({"mousemove", QString::number(main.X + main.Width - 14),
                             QString::number(main.Y + 11), "click", "1"}));
    Spin(1000);
    ASSERT_TRUE(session.XDo(
        {"key", "--delay", "150", "Down", "Down", "Down", "Down", "Down", "Down", "Return"}));
    const unsigned long options = WaitForWindow(program, "^Options$");
    ASSERT_NE(options, 0u);
    ASSERT_TRUE(WaitForActive(options));
    ASSERT_TRUE(session.XDo({"type", "Data File"}));
    Spin(500);

    // A box comes over the options window, active and with the keyboard focus; OK closes it.
    auto expectBoxInFront = [&](const char* what) {
        const unsigned long box = WaitForWindow(program, "^Error$");
        ASSERT_NE(box, 0u) << what;
        EXPECT_TRUE(WaitForActive(box)) << what;
        const std::vector<unsigned long> stacking = session.Stacking();
        const auto at = [&](unsigned long w) {
            return std::find(stacking.begin(), stacking.end(), w) - stacking.begin();
        };
        EXPECT_GT(at(box), at(options)) << what;
        EXPECT_GT(at(box), at(window)) << what;
        ASSERT_TRUE(session.XDo({"key", "Return"}));
        EXPECT_TRUE(WaitFor([&] { return session.WindowOf(program.processId(), "^Error$") == 0; },
                            kAnswerDeadlineMs))
            << what;
    };
    // Asks the file dialog that the page's button opened for name.
    auto answerFileDialog = [&](const QString& title, const std::string& name) {
        const unsigned long dialog = WaitForWindow(program, title);
        ASSERT_NE(dialog, 0u) << title.toStdString();
        ASSERT_TRUE(WaitForActive(dialog));
        ASSERT_TRUE(session.XDo({"type", QString::fromStdString(name)}));
        ASSERT_TRUE(session.XDo({"key", "Return"}));
    };

    // Open... (two keys back from the page list) of a file that cannot be read.
    ASSERT_TRUE(session.XDo({"key", "shift+Tab", "shift+Tab", "space"}));
    answerFileDialog("^Open data file$", bad);
    expectBoxInFront("open");
    ASSERT_TRUE(WaitForActive(options));

    // Save as... (the next key on) into a folder that cannot be made.
    ASSERT_TRUE(session.XDo({"key", "Tab", "space"}));
    answerFileDialog("^Save data file as$", bad + "/folder/new.tock");
    expectBoxInFront("save as");
    // The dialog for another file follows the box; cancelled, the options window is back.
    const unsigned long another = WaitForWindow(program, "^Save data file as$");
    ASSERT_NE(another, 0u);
    ASSERT_TRUE(WaitForActive(another));
    ASSERT_TRUE(session.XDo({"key", "Escape"}));
    EXPECT_TRUE(WaitForActive(options));
}

TEST_F(WindowManager, AlertBoxesFitTheScreenComeAboveTheMainWindowAndCarryTheIcon) {
    // A message of a 100 KB caption; then, once its box is closed, the error box of a program
    // that cannot start comes from the queue while nothing of the program is active; then a
    // short message, whose narrow box still shows its title.
    std::string caption;
    while (caption.size() < 100'000)
        caption += "Renew the passport at the town hall ";
    TTockwellDB db;
    TReminderItem& message = db.AddNew(caption, Now() - 2.0 / 1440)->GetReminder();
    message.GetAction(akActivateReminderWnd).Enabled = false;
    message.GetAction(akShowModalDialog).Enabled = true;
    auto& run = db.AddNew("Back up", Now() - 1.0 / 1440)->GetReminder().Action<TAlertActRunApp>();
    run.Enabled = true;
    run.AppPath = dir.File("no-such-program");
    db.AddNew("Tea", Now() - 0.5 / 1440)->GetReminder().GetAction(akShowModalDialog).Enabled = true;
    const std::string file = dir.File("db.tock");
    SaveXMLDataFile(db, file);
    QProcess program;
    Stopper stop{program};
    session.Start(program, dir.File("home"), {QString::fromStdString(file)});
    // The main window: the window titled "Tockwell" that is no dialog.
    unsigned long window = 0;
    WaitFor(
        [&] {
            for (unsigned long w : session.WindowsOf(program.processId(), "^Tockwell$"))
                if (!session.IsDialog(w))
                    window = w;
            return window != 0;
        },
        kStartDeadlineMs);
    ASSERT_NE(window, 0u);
    // The program's boxes on the screen.
    auto boxesShown = [&] {
        std::vector<unsigned long> boxes = session.WindowsOf(program.processId());
        std::erase_if(boxes, [&](unsigned long w) { return !session.IsDialog(w); });
        return boxes;
    };

    const TWindowBox screen = session.Screen();
    const QString icon = session.Icon(window); // the program's, set by the main window
    ASSERT_FALSE(icon.isEmpty());
    unsigned long previous = 0;
    for (const char* what : {"message", "error", "tea"}) {
        SCOPED_TRACE(what);
        std::vector<unsigned long> boxes;
        ASSERT_TRUE(WaitFor(
            [&] {
                boxes = boxesShown();
                return boxes.size() == 1 && boxes[0] != previous;
            },
            kStartDeadlineMs));
        const unsigned long box = previous = boxes[0];
        const TWindowBox frame = session.Frame(box);
        EXPECT_TRUE(frame.X >= 0 && frame.Y >= 0 && frame.X + frame.Width <= screen.Width &&
                    frame.Y + frame.Height <= screen.Height)
            << frame.X << "," << frame.Y << " " << frame.Width << "x" << frame.Height;
        const std::vector<unsigned long> stacking = session.Stacking();
        const auto at = [&](unsigned long w) {
            return std::find(stacking.begin(), stacking.end(), w) - stacking.begin();
        };
        EXPECT_GT(at(box), at(window));
        EXPECT_TRUE(session.Icon(box) == icon) << "not the program's icon";
        if (std::string(what) == "tea") {
            // A short title shown whole: the label holds it in openbox's title font.
            QFont titleFont("Sans");
            titleFont.setPointSize(8);
            titleFont.setBold(true);
            EXPECT_GE(session.TitleLabelWidth(box),
                      QFontMetrics(titleFont).horizontalAdvance("Tockwell"));
        }
        ASSERT_TRUE(Activate(box));
        ASSERT_TRUE(session.XDo({"key", "Return"}));
    }
    // The program's other windows carry its icon too.
    const unsigned long reminders = WaitForWindow(program, "^Tockwell - Reminders$");
    ASSERT_NE(reminders, 0u);
    EXPECT_TRUE(session.Icon(reminders) == icon) << "not the program's icon";
}

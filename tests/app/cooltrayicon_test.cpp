#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QStyleHints>
#include <QWidget>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "app/cooltrayicon.h"
#include "app/programicons.h"
#include "apptestutil.h"
#include "guardedtext.h"
#include "platform/gui/textfit.h"

namespace {

// A short double-click time for the test's lifetime.
struct ShortDoubleClick {
    int previous = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    ShortDoubleClick() { QGuiApplication::styleHints()->setMouseDoubleClickInterval(40); }
    ~ShortDoubleClick() { QGuiApplication::styleHints()->setMouseDoubleClickInterval(previous); }
};

} // namespace

TEST(CoolTrayIcon, ClickAtOnceWithoutDoubleClickHandler) {
    TCoolTrayIcon icon;
    std::vector<std::string> log;
    icon.OnClick = [&](TCoolTrayIcon&) { log.push_back("click"); };
    icon.OnMouseDown = [&](TCoolTrayIcon&, Qt::MouseButton b, Qt::KeyboardModifiers, int, int) {
        log.push_back(b == Qt::LeftButton ? "down" : "down-other");
    };
    icon.OnMouseUp = [&](TCoolTrayIcon&, Qt::MouseButton b, Qt::KeyboardModifiers, int, int) {
        log.push_back(b == Qt::LeftButton ? "up" : "up-other");
    };
    icon.OnMouseMove = [&](TCoolTrayIcon&, Qt::KeyboardModifiers, int, int) {
        log.push_back("move");
    };
    emit icon.Tray()->activated(QSystemTrayIcon::Trigger);
    EXPECT_EQ(log, (std::vector<std::string>{"move", "down", "click", "up"}));

    log.clear();
    emit icon.Tray()->activated(QSystemTrayIcon::Context);
    EXPECT_EQ(log, (std::vector<std::string>{"move", "down-other", "up-other"}));

    // Disabled: the tray's reports are ignored.
    log.clear();
    icon.SetEnabled(false);
    emit icon.Tray()->activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(log.empty());
}

TEST(CoolTrayIcon, ClickWaitsForTheDoubleClickTime) {
    ShortDoubleClick shortTime;
    TCoolTrayIcon icon;
    int clicks = 0, doubles = 0, defaults = 0;
    icon.OnClick = [&](TCoolTrayIcon&) { ++clicks; };
    icon.OnDblClick = [&](TCoolTrayIcon&) { ++doubles; };
    QMenu menu;
    QAction* show = menu.addAction("Show calendar");
    menu.addAction("Exit");
    QObject::connect(show, &QAction::triggered, [&] { ++defaults; });
    menu.setDefaultAction(show);
    icon.SetPopupMenu(&menu);

    // A single click arrives after the double-click time.
    emit icon.Tray()->activated(QSystemTrayIcon::Trigger);
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(WaitFor([&] { return clicks == 1; }, 1000));

    // A double click: no click, the double click and the menu's default item.
    emit icon.Tray()->activated(QSystemTrayIcon::Trigger);
    emit icon.Tray()->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_EQ(doubles, 1);
    EXPECT_EQ(defaults, 1);
    Spin(120);
    EXPECT_EQ(clicks, 1);

    // With the menu on the left button the default item does not run.
    icon.SetLeftPopup(true);
    icon.TrayMessage(TTrayMessage::LButtonDblClk);
    EXPECT_EQ(doubles, 2);
    EXPECT_EQ(defaults, 1);
    menu.hide();
}

TEST(CoolTrayIcon, HintIconsAndBalloonTexts) {
    TCoolTrayIcon icon;
    icon.SetHint("Tockwell\n\rNearest alert:");
    EXPECT_EQ(icon.Data().Tip, "Tockwell\nNearest alert:");
    EXPECT_EQ(icon.Tray()->toolTip(), icon.Data().Tip);
    icon.SetHint(std::string(200, 'x'));
    EXPECT_EQ(icon.Data().Tip.size(), 127);
    icon.SetShowHint(false);
    EXPECT_TRUE(icon.Data().Tip.isEmpty());
    // Without an icon of its own the program icon stands in.
    EXPECT_FALSE(icon.Data().Icon.isNull());

    // The index is clamped to the list; cycling walks through it and wraps.
    std::vector<QIcon> frames = ProgramIconFrames();
    ASSERT_EQ(frames.size(), 4u);
    icon.SetIconIndex(3);
    EXPECT_EQ(icon.IconIndex(), 0); // no list
    icon.SetIconList(frames);
    icon.SetIconIndex(9);
    EXPECT_EQ(icon.IconIndex(), 3);
    EXPECT_EQ(icon.Icon().cacheKey(), frames[3].cacheKey());
    std::vector<int> next;
    icon.OnCycle = [&](TCoolTrayIcon&, int n) { next.push_back(n); };
    icon.SetCycleInterval(5);
    icon.SetCycleIcons(true);
    EXPECT_EQ(icon.IconIndex(), 0);
    EXPECT_TRUE(WaitFor([&] { return next.size() >= 5; }, 2000));
    icon.SetCycleIcons(false);
    EXPECT_EQ(std::vector<int>(next.begin(), next.begin() + 5), (std::vector<int>{1, 2, 3, 0, 1}));

    // Balloon texts are cut to what the tray takes.
    icon.ShowBalloonHint(std::string(70, 't'), std::string(300, 'b'), bitInfo, 10);
    EXPECT_EQ(icon.Data().InfoTitle.size(), 63);
    EXPECT_EQ(icon.Data().Info.size(), 255);
    EXPECT_EQ(icon.Data().TimeoutMs, 10000);
    EXPECT_EQ(icon.Data().InfoIcon, bitInfo);
}

TEST(CoolTrayIcon, HintsAndBalloonsReadNoMoreThanTheyShow) {
    TCoolTrayIcon icon;
    const TGuardedText huge(4096);
    icon.ShowBalloonHint(huge.View(), huge.View(), bitInfo, 10);
    EXPECT_EQ(icon.Data().InfoTitle, QString(63, 'x'));
    EXPECT_EQ(icon.Data().Info, QString(255, 'x'));
    std::string lines;
    for (int i = 0; i < 50; ++i)
        lines += "a\n";
    icon.SetHint(lines);
    EXPECT_EQ(icon.Data().Tip.split('\n').size(), HintMaxLines + 1);
    icon.ShowBalloonHint("Tockwell", lines, bitInfo, 10);
    EXPECT_EQ(icon.Data().Info.split('\n').size(), HintMaxLines + 1);
}

TEST(CoolTrayIcon, WithoutATrayTheOwnerIsMinimisedNotHidden) {
    QWidget owner;
    owner.show();
    auto* icon = new TCoolTrayIcon(&owner);
    if (TCoolTrayIcon::TrayAvailable())
        GTEST_SKIP() << "a system tray is running";
    icon->SetIconVisible(true);
    EXPECT_FALSE(icon->CanHideToTray());
    icon->DoMinimizeToTray();
    EXPECT_TRUE(owner.isMinimized());
    EXPECT_FALSE(owner.isHidden());
}

TEST(ProgramIcons, DrawnClockWithRockingFrames) {
    QImage upright = DrawProgramIcon(32);
    EXPECT_EQ(upright.size(), QSize(32, 32));
    EXPECT_EQ(qAlpha(upright.pixel(0, 0)), 0);                        // transparent corner
    EXPECT_EQ(QColor(upright.pixel(10, 20)).lightness() > 200, true); // the white face
    QImage right = DrawProgramIcon(32, 1), left = DrawProgramIcon(32, 3);
    EXPECT_NE(right, upright);
    EXPECT_NE(right, left);
    EXPECT_EQ(DrawProgramIcon(32, 2), upright);
    if (QString dir = qEnvironmentVariable("TOCKWELL_RENDER_DIR"); !dir.isEmpty())
        for (int f = 0; f < 4; ++f)
            DrawProgramIcon(128, f).save(QString("%1/icon-%2.png").arg(dir).arg(f));
}

namespace {
// A tray icon whose desktop shows balloons.
class TBalloonTrayIcon : public TCoolTrayIcon {
protected:
    bool CanShowMessages() const override { return true; }
};
} // namespace

TEST(CoolTrayIcon, BalloonShownHiddenTimedOutAndClicked) {
    TBalloonTrayIcon icon;
    std::vector<std::string> log;
    icon.OnBalloonHintShow = [&](TCoolTrayIcon&) { log.push_back("show"); };
    icon.OnBalloonHintHide = [&](TCoolTrayIcon&) { log.push_back("hide"); };
    icon.OnBalloonHintTimeout = [&](TCoolTrayIcon&) { log.push_back("timeout"); };
    icon.OnBalloonHintClick = [&](TCoolTrayIcon&) { log.push_back("click"); };
    // Not while the icon is not in the tray.
    EXPECT_FALSE(icon.ShowBalloonHint("Tockwell", "text", bitInfo, 10));
    icon.SetIconVisible(true);
    EXPECT_TRUE(icon.ShowBalloonHint("Tockwell", "text", bitInfo, 10));
    // A new balloon replaces the shown one; hiding ends it; the events come from the queue.
    EXPECT_TRUE(icon.ShowBalloonHint("Tockwell added", "text", bitInfo, 10));
    icon.HideBalloonHint();
    EXPECT_TRUE(log.empty());
    Spin(20);
    EXPECT_EQ(log, (std::vector<std::string>{"show", "hide", "show", "hide"}));

    log.clear();
    icon.ShowBalloonHint("Tockwell", "text", bitInfo, 0);
    EXPECT_TRUE(WaitFor([&] { return log.size() == 2; }, 1000));
    EXPECT_EQ(log, (std::vector<std::string>{"show", "timeout"}));
    icon.HideBalloonHint(); // timed out: nothing to hide
    emit icon.Tray()->messageClicked();
    Spin(20);
    EXPECT_EQ(log, (std::vector<std::string>{"show", "timeout", "click"}));
}

TEST(CoolTrayIcon, AReplacedBalloonIsNotReportedHiddenOnceTheNextOneIsUp) {
    TBalloonTrayIcon icon;
    icon.SetIconVisible(true);
    // As the main window keeps its balloon: marked up after showing it, cleared when hidden.
    bool up = false;
    icon.OnBalloonHintHide = [&](TCoolTrayIcon&) { up = false; };
    auto show = [&](const char* title) {
        EXPECT_TRUE(icon.ShowBalloonHint(title, "text", bitInfo, 10));
        up = true;
    };
    show("Tockwell added");
    Spin(20);
    show("Tockwell still running in tray"); // replaces the first
    Spin(20);
    EXPECT_TRUE(up);
    // Hidden, and a new one shown before the report arrives.
    icon.HideBalloonHint();
    show("Tockwell added");
    Spin(20);
    EXPECT_TRUE(up);
    icon.HideBalloonHint();
    Spin(20);
    EXPECT_FALSE(up);
}

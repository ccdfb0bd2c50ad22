#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include "app/captionnotification.h"
#include "app/cooltrayicon.h"
#include "core/productinfo.h"
#include "mainwindowfixture.h"
#include "platform/datetimeformat.h"
#include "platform/gui/globalhotkey.h"
#include "platform/gui/windowmessages.h"

namespace {

std::string Text(QLabel& label) {
    return label.text().toStdString();
}

class CaptionNotificationTest : public MainWindowFixture {
protected:
    TTockwellDB db;
    // Runs the blink timer's ticks until the burst ends; the number of dark phases.
    int RunBurst(TOpenMain& form) {
        int dark = 0;
        for (int i = 0; i < 20 && form.CaptionBlinkTimer().Enabled(); ++i) {
            form.tmCaptionBlinkTimer();
            dark += form.CaptionNotification().text().isEmpty();
        }
        return dark;
    }
};

} // namespace

TEST(CaptionNotificationRules, LeadTimesTextsAndBlinkSteps) {
    const TDateTime now = EncodeDateTime(2024, 3, 14, 12, 0, 0, 0);
    EXPECT_TRUE(AlertIsNear(now, now + 1));
    EXPECT_TRUE(AlertIsNear(now, now - 3)); // past alerts count
    EXPECT_FALSE(AlertIsNear(now, now + 1 + OneSecond));
    EXPECT_FALSE(AlertIsNear(now, 0));

    TTockwellOptions options;
    EXPECT_TRUE(CaptionShowsAlert(options, now, now + 9 * OneMinute));
    EXPECT_TRUE(CaptionShowsAlert(options, now, now + 10 * OneMinute + 18 * OneSecond));
    EXPECT_FALSE(CaptionShowsAlert(options, now, now + 10 * OneMinute + 19 * OneSecond));
    EXPECT_FALSE(CaptionShowsAlert(options, now, now + 20 * OneMinute));
    options.ShowNextAlertInCaption = false;
    EXPECT_FALSE(CaptionShowsAlert(options, now, now + OneMinute));

    EXPECT_EQ(NearestAlertDueText(now, now + 9 * OneMinute), "9 min");
    EXPECT_EQ(NearestAlertDueText(now, now + 65 * OneMinute), "1 hour, 5 min");
    EXPECT_EQ(NearestAlertDueText(now, now + 20 * OneSecond), "a few sec");
    EXPECT_EQ(NearestAlertDueText(now, now - OneMinute), "a few sec");
    const TDateTime at = now + 9 * OneMinute;
    EXPECT_EQ(NearestAlertHint("9 min", at, std::string(31, 'x')),
              "Nearest alert:\nin 9 min\n" + FormatDateTime("t", at) + " - " +
                  std::string(30, 'x') + "...");
    EXPECT_EQ(TrayHint(""), std::string("Tockwell\n") + TockwellWebAddress);
    EXPECT_EQ(TrayHint("Nearest alert:"), "Tockwell\nNearest alert:");
    EXPECT_EQ(CaptionNotificationText("9 min", "Call"), "in 9 min: Call");
    EXPECT_EQ(AddedBalloonText(now, now + 2.5 / 24, "Call"),
              FormatDateTime("ddddd, t", now + 2.5 / 24) + "\nin 2 hours, 30 min\nCall");
    EXPECT_EQ(AddedBalloonText(now, now - 1, "Old"), FormatDateTime("ddddd, t", now - 1) + "\nOld");

    // A burst: four dark phases of 400 ms between light ones of 600 ms, ending in the light.
    std::string text = "in 9 min: Call", saved;
    int count = options.BlinkCount;
    std::vector<unsigned> steps;
    for (unsigned next = 1; next != 0 && steps.size() < 20;)
        steps.push_back(next = BlinkStep(text, saved, count, options));
    EXPECT_EQ(steps, (std::vector<unsigned>{400, 600, 400, 600, 400, 600, 400, 600, 0}));
    EXPECT_EQ(text, "in 9 min: Call");
}

TEST_F(CaptionNotificationTest, NearAlertInCaptionFarOneInHintsRefreshedEveryFifteenTicks) {
    db.AddNew("Later", Now() + 20 * OneMinute);
    auto form = Open(&db);
    // 20 minutes ahead: the indicator and the tray hint, not the caption.
    EXPECT_TRUE(form->TodayIndicatorShown());
    EXPECT_EQ(Text(form->CaptionNotification()), "Tockwell");
    EXPECT_EQ(form->CoolTrayIcon().Hint(), "Tockwell\nNearest alert:\nin 20 min\n" +
                                               FormatDateTime("t", form->NearestAlertTime()) +
                                               " - Later");

    // Ten minutes on, it is within the lead time, but the caption follows only at the 15th
    // tick; a hidden window comes up collapsed with it, without taking the focus.
    clock.Advance(10 * OneMinute);
    Tick(*form, 14);
    EXPECT_EQ(Text(form->CaptionNotification()), "Tockwell");
    form->hide();
    Tick(*form, 1);
    EXPECT_EQ(Text(form->CaptionNotification()), "in 10 min: Later");
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->Collapsed());
    EXPECT_FALSE(form->isActiveWindow());
    EXPECT_EQ(form->CaptionNotification().toolTip().toStdString(),
              "Nearest alert:\nin 10 min\n" + FormatDateTime("t", form->NearestAlertTime()) +
                  " - Later");

    // Gone from the database: the next refresh clears everything.
    form->DB().Clear();
    form->DB().RebuildIndexes();
    Tick(*form, 15);
    EXPECT_FALSE(form->TodayIndicatorShown());
    EXPECT_EQ(form->NearestAlertTime(), 0);
    EXPECT_EQ(Text(form->CaptionNotification()), "Tockwell");
    EXPECT_EQ(form->CoolTrayIcon().Hint(), TrayHint(""));
}

TEST_F(CaptionNotificationTest, AHugeCaptionShowsCutAndTheTicksStayQuick) {
    std::string huge;
    while (huge.size() < 10'000'000)
        huge += "Meeting notes ";
    db.AddNew(huge, Now() + 9 * OneMinute);
    db.DBSettings.BlinkAlertInCaption = false; // the text stays in the light
    auto form = Open(&db);
    QElapsedTimer timer;
    timer.start();
    Tick(*form, 15);
    form->grab();
    EXPECT_LT(timer.elapsed(), 3000);
    const QLabel& label = form->CaptionNotification();
    const QString text = label.text();
    EXPECT_TRUE(text.startsWith("in 9 min: Meeting notes") && text.endsWith("..."))
        << text.toStdString();
    EXPECT_LE(label.fontMetrics().horizontalAdvance(text), label.width());
    EXPECT_TRUE(label.toolTip().endsWith(" - Meeting notes Meeting notes Me..."));
}

TEST_F(CaptionNotificationTest, ACaptionThatLooksLikeMarkupShowsAsItIs) {
    db.AddNew("<h1>Dentist</h1>", Now() + 9 * OneMinute);
    auto form = Open(&db);
    const QLabel& label = form->CaptionNotification();
    EXPECT_EQ(Text(form->CaptionNotification()), "in 9 min: <h1>Dentist</h1>");
    EXPECT_GE(label.sizeHint().width(), label.fontMetrics().horizontalAdvance(label.text()));
    EXPECT_LE(label.sizeHint().height(), label.fontMetrics().height() + 2);
}

TEST_F(CaptionNotificationTest, CaptionBlinksInBurstsAMinuteApart) {
    db.AddNew("Soon", Now() + 9 * OneMinute);
    auto form = Open(&db);
    EXPECT_EQ(Text(form->CaptionNotification()), "in 9 min: Soon");
    EXPECT_FALSE(form->CaptionBlinkTimer().Enabled());

    Tick(*form, 1);
    ASSERT_TRUE(form->CaptionBlinkTimer().Enabled());
    EXPECT_EQ(form->CaptionBlinkTimer().Interval(), 600u);
    form->tmCaptionBlinkTimer();
    EXPECT_EQ(Text(form->CaptionNotification()), "");
    EXPECT_EQ(form->CaptionBlinkTimer().Interval(), 400u);
    // A refresh in the dark phase waits for the light one.
    clock.Advance(30 * OneSecond);
    Tick(*form, 1);
    EXPECT_EQ(Text(form->CaptionNotification()), "");
    form->tmCaptionBlinkTimer();
    EXPECT_EQ(Text(form->CaptionNotification()), "in 8 min: Soon");
    EXPECT_EQ(RunBurst(*form), 3);
    EXPECT_EQ(Text(form->CaptionNotification()), "in 8 min: Soon");

    // The next burst comes a minute after the last one began.
    Tick(*form, 1);
    EXPECT_FALSE(form->CaptionBlinkTimer().Enabled());
    clock.Advance(40 * OneSecond);
    Tick(*form, 1);
    EXPECT_TRUE(form->CaptionBlinkTimer().Enabled());
    EXPECT_EQ(RunBurst(*form), 4);

    // "Blink in caption" off: no more bursts.
    form->actCaptionStopBllinking->trigger();
    EXPECT_FALSE(form->DB().DBSettings.BlinkAlertInCaption);
    clock.Advance(OneMinute);
    Tick(*form, 1);
    EXPECT_FALSE(form->CaptionBlinkTimer().Enabled());
}

TEST_F(CaptionNotificationTest, CaptionClicksBalloonsAndHotKeyPresses) {
    db.AddNew("Soon", Now() + 5 * OneMinute);
    auto form = Open(&db);
    QLabel& caption = form->CaptionNotification();

    // A press on the notification waits the double-click time to open the reminder; a double
    // click collapses the window instead.
    QTest::mousePress(&caption, Qt::LeftButton);
    EXPECT_TRUE(form->TodayIndicatorTimer().Enabled());
    EXPECT_EQ(form->TodayIndicatorTimer().Interval(),
              unsigned(QApplication::doubleClickInterval()));
    QTest::mouseDClick(&caption, Qt::LeftButton);
    EXPECT_FALSE(form->TodayIndicatorTimer().Enabled());
    EXPECT_TRUE(form->Collapsed());

    // The balloon of an added reminder goes after 3 seconds.
    form->ShowAddedBalloon(form->DB().GetItemIntf(0));
    EXPECT_EQ(form->CoolTrayIcon().Data().InfoTitle, "Tockwell added");
    EXPECT_NE(form->BalloonStart(), 0);
    Tick(*form, 1);
    EXPECT_NE(form->BalloonStart(), 0);
    Tick(*form, 1);
    EXPECT_EQ(form->BalloonStart(), 0);
    EXPECT_TRUE(form->CoolTrayIcon().Data().Info.isEmpty());

    // Offscreen there is no X server: the hot key is not registered, and nobody is told.
    form->UpdateHotKey(true);
    EXPECT_FALSE(form->HotKey().Registered(AppHotKeyId));
    EXPECT_TRUE(boxes->Errors.empty());

    // A first press brings the hidden window up expanded; a second one, while it is active,
    // collapses it and hides it again.
    form->hide();
    form->Active = false;
    SendWindowMessage(form.get(), WM_HOTKEY, AppHotKeyId);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->Collapsed());
    // Active, with the console focused.
    EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
    EXPECT_TRUE(qobject_cast<QLineEdit*>(QApplication::focusWidget()));
    SendWindowMessage(form.get(), WM_HOTKEY, AppHotKeyId + 1); // not ours
    form->Active = true;
    SendWindowMessage(form.get(), WM_HOTKEY, AppHotKeyId);
    EXPECT_TRUE(form->Collapsed());
    EXPECT_FALSE(form->isVisible());
}

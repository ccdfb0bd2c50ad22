#include <QElapsedTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include "alerttestutil.h"
#include "core/registrymanager.h"
#include "core/windows/transparentmsgbox.h"
#include "fakemessageboxes.h"
#include "platform/gui/topmosts.h"
#include "testutil.h"

namespace {

// Alerts need a reminder item only by identity: any shared object stands in for one.
std::shared_ptr<IReminderAwareItem> FakeItem() {
    auto owner = std::make_shared<int>(0);
    return std::shared_ptr<IReminderAwareItem>(owner,
                                               reinterpret_cast<IReminderAwareItem*>(owner.get()));
}

struct Phases {
    int in = 0, shown = 0, out = 0;
    std::vector<int> alphas; // alpha after each fading tick
};

// Ticks the alert by hand until it closes; counts the ticks of each phase.
Phases RunToClose(TTransparentMsgBox* box) {
    Phases ph;
    QPointer<TTransparentMsgBox> alive(box);
    for (int guard = 0; guard < 1000 && alive && box->isVisible(); ++guard) {
        auto before = box->State;
        box->Timer1Timer();
        if (before == TTransparentMsgBox::fsFadeIn)
            ++ph.in;
        else if (before == TTransparentMsgBox::fsShown)
            ++ph.shown;
        else
            ++ph.out;
        if (alive && box->isVisible() && before != TTransparentMsgBox::fsShown)
            ph.alphas.push_back(box->Alpha());
    }
    return ph;
}

class DesktopAlert : public testing::Test {
protected:
    TempRegistry registry;
    QRect Work() const { return QGuiApplication::primaryScreen()->availableGeometry(); }
};

} // namespace

TEST_F(DesktopAlert, AHugeTextShowsWrappedIntoItsLinesAndCutQuickly) {
    std::string huge;
    while (huge.size() < 10'000'000)
        huge += "Meeting notes ";
    TTranspMsgBoxManager manager;
    QElapsedTimer timer;
    timer.start();
    manager.AddMessage(huge, nullptr, nullptr);
    TTransparentMsgBox* box = manager.Current();
    ASSERT_NE(box, nullptr);
    box->grab();
    EXPECT_LT(timer.elapsed(), 3000);
    QLabel* label = box->lbMessage;
    const QStringList lines = label->text().split('\n');
    EXPECT_EQ(lines.size(), label->height() / label->fontMetrics().lineSpacing());
    for (const QString& line : lines) {
        EXPECT_TRUE(line.startsWith("Meeting notes")) << line.toStdString();
        EXPECT_LE(label->fontMetrics().horizontalAdvance(line), label->width());
    }
    EXPECT_TRUE(lines.last().endsWith("...")) << lines.last().toStdString();
    box->close();
    FreeClosedWindows();
}

TEST_F(DesktopAlert, FadesInStaysAndFadesOut) {
    TTranspMsgBoxManager manager;
    manager.AddMessage("Dentist at 10:00", nullptr, nullptr);
    ASSERT_TRUE(manager.Showing());
    TTransparentMsgBox* box = manager.Current(); // the queue knows the window it shows
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->lbMessage->text(), "Dentist at 10:00");
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->Alpha(), 0);
    EXPECT_TRUE(box->Timer1->isActive());
    EXPECT_EQ(box->Timer1->interval(), 100);
    EXPECT_EQ(box->size(), QSize(327, 67));
    EXPECT_EQ(box->windowTitle(), "Fernhollow - Desktop Alert");
    EXPECT_TRUE(box->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(box->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(box->testAttribute(Qt::WA_ShowWithoutActivating));

    Phases ph = RunToClose(box);
    EXPECT_EQ(ph.in, 8);
    EXPECT_EQ(ph.shown, 41);
    EXPECT_EQ(ph.out, 30);
    std::vector<int> expectIn = {32, 64, 96, 128, 160, 192, 224, 240};
    EXPECT_EQ(std::vector<int>(ph.alphas.begin(), ph.alphas.begin() + 8), expectIn);
    EXPECT_EQ(ph.alphas[8], 232);
    EXPECT_EQ(ph.alphas.back(), 8);
    FreeClosedWindows();
    EXPECT_EQ(manager.Current(), nullptr);
    EXPECT_FALSE(manager.Showing());
    EXPECT_EQ(TopMostLevel(), 0);
}

TEST_F(DesktopAlert, QueuedAlertsShowOneAfterAnotherSpedUpWhileOthersWait) {
    TTranspMsgBoxManager manager;
    manager.AddMessage("first", nullptr, nullptr);
    TTransparentMsgBox* first = manager.Current();
    EXPECT_EQ(first->FadeInStep, 32);
    manager.AddMessage("second", nullptr, nullptr);
    manager.AddMessage("third", nullptr, nullptr);
    EXPECT_EQ(manager.Current(), first);
    EXPECT_EQ(manager.Count(), 2);
    // The shown alert is sped up as soon as another arrives.
    EXPECT_EQ(first->FadeInStep, 96);
    EXPECT_EQ(first->FadeOutStep, 64);
    EXPECT_EQ(first->ShowTicks, 15);
    Phases ph = RunToClose(first);
    EXPECT_EQ(ph.in, 3);
    EXPECT_EQ(ph.shown, 16);
    EXPECT_EQ(ph.out, 4);
    EXPECT_EQ(ph.alphas, (std::vector<int>{96, 192, 240, 176, 112, 48}));
    EXPECT_EQ(manager.Current(), first); // freed only when the deferred delete runs
    FreeClosedWindows();

    TTransparentMsgBox* second = manager.Current();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->lbMessage->text(), "second");
    EXPECT_EQ(second->ShowTicks, 15); // shown sped up: the third one waits
    ph = RunToClose(second);
    EXPECT_EQ(ph.in + ph.shown + ph.out, 3 + 16 + 4);
    FreeClosedWindows();

    TTransparentMsgBox* third = manager.Current();
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third->lbMessage->text(), "third");
    EXPECT_EQ(third->ShowTicks, 40); // alone: normal speed
    ph = RunToClose(third);
    EXPECT_EQ(ph.in + ph.shown + ph.out, 8 + 41 + 30);
    FreeClosedWindows();
    EXPECT_FALSE(manager.Showing());
    EXPECT_EQ(manager.Current(), nullptr);
}

TEST_F(DesktopAlert, HoverAndActivationHoldItFullyVisible) {
    TTranspMsgBoxManager manager;
    manager.AddMessage("hover", nullptr, nullptr);
    TTransparentMsgBox* box = manager.Current();
    box->Timer1Timer();
    box->lbMessageMouseEnter();
    EXPECT_EQ(box->State, TTransparentMsgBox::fsShown);
    EXPECT_EQ(box->Alpha(), 255);
    EXPECT_FALSE(box->Timer1->isActive());
    box->lbMessageMouseLeave();
    EXPECT_EQ(box->State, TTransparentMsgBox::fsFadeOut);
    EXPECT_EQ(box->Alpha(), 240);
    box->FormMouseMove(); // full opacity, same state
    EXPECT_EQ(box->Alpha(), 255);
    EXPECT_EQ(box->State, TTransparentMsgBox::fsFadeOut);
    box->Timer1Timer();
    EXPECT_EQ(box->Alpha(), 247);
    // While busy, activation changes do nothing.
    box->Busy = 1;
    box->OnWndEnter();
    EXPECT_EQ(box->State, TTransparentMsgBox::fsFadeOut);
    box->Busy = 0;
    box->StartShown();
    // The application lost activation: the queue fades the shown alert out.
    manager.DeactivateCurrent();
    EXPECT_EQ(box->State, TTransparentMsgBox::fsFadeOut);
}

TEST_F(DesktopAlert, PointerOverItHoldsItOpaqueAndThePaintBoxDoesNotDragIt) {
    TTranspMsgBoxManager manager;
    manager.AddMessage("hover", nullptr, nullptr);
    TTransparentMsgBox* box = manager.Current();
    for (QWidget* w : {(QWidget*)box->Image1, (QWidget*)box->Image2, (QWidget*)box->pnlPanel,
                       (QWidget*)box->sbClose}) {
        box->StartFadeOut();
        box->Timer1Timer();
        ASSERT_EQ(box->Alpha(), 232);
        SendMouse(w, QEvent::MouseMove, {3, 3}, Qt::NoButton);
        EXPECT_EQ(box->Alpha(), 255) << w->metaObject()->className();
    }
    auto drag = [&](QWidget* w, QPoint from) {
        const QPoint before = box->pos();
        SendMouse(w, QEvent::MouseButtonPress, from);
        SendMouse(w, QEvent::MouseMove, from + QPoint(40, 2));
        SendMouse(w, QEvent::MouseButtonRelease, from + QPoint(40, 2));
        return box->pos() != before;
    };
    EXPECT_FALSE(drag(box->pbEffort, {10, 50}));
    EXPECT_TRUE(drag(box->Image2, {120, 3}));
}

TEST_F(DesktopAlert, ClickingTheTextOpensTheReminderAndHoldsTheAlert) {
    TTranspMsgBoxManager manager;
    auto item = FakeItem();
    std::vector<IReminderAwareItem*> opened;
    TTransparentMsgBox* box = nullptr;
    int heldTicks = 0;
    manager.AddMessage("Call mom", item, [&](const std::shared_ptr<IReminderAwareItem>& it) {
        opened.push_back(it.get());
        // As if a modal dialog ran here: its event loop would tick the timer and the user
        // could close the alert. Neither may free the alert under this handler.
        for (int i = 0; i < 200; ++i) {
            box->Timer1Timer();
            ++heldTicks;
        }
        box->close();
        FreeClosedWindows();
        EXPECT_TRUE(box->isVisible());
        EXPECT_TRUE(box->Holding());
    });
    manager.AddMessage("next", nullptr, nullptr);
    box = manager.Current();
    EXPECT_EQ(box->lbMessage->cursor().shape(), Qt::PointingHandCursor);
    box->StartShown();
    QPoint inLabel = box->lbMessage->rect().center();
    ClickAt(box->lbMessage, inLabel);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], item.get());
    EXPECT_EQ(heldTicks, 200);
    // The close asked for during the handler happens after it.
    EXPECT_FALSE(box->isVisible());
    FreeClosedWindows();
    ASSERT_NE(manager.Current(), nullptr);
    EXPECT_EQ(manager.Current()->lbMessage->text(), "next");
    EXPECT_EQ(TopMostLevel(), 1); // the next alert holds the top-most windows normalised
}

TEST_F(DesktopAlert, ClickHandlerFailureIsShownAndTheAlertStays) {
    FakeMessageBoxesGuard boxes;
    TTranspMsgBoxManager manager;
    manager.AddMessage("x", nullptr,
                       [](const std::shared_ptr<IReminderAwareItem>&) { throw Exception("boom"); });
    TTransparentMsgBox* box = manager.Current();
    box->lbMessageClick();
    EXPECT_EQ(boxes->Errors, (std::vector<std::string>{"boom."}));
    EXPECT_TRUE(box->isVisible());
    EXPECT_FALSE(box->Holding());
    box->Timer1Timer();
    EXPECT_EQ(box->Alpha(), 32); // fading goes on
}

TEST_F(DesktopAlert, WithoutAClickHandlerTheTextDragsAndClicksDoNothing) {
    TTranspMsgBoxManager manager;
    manager.AddMessage("plain", nullptr, nullptr);
    TTransparentMsgBox* box = manager.Current();
    EXPECT_NE(box->lbMessage->cursor().shape(), Qt::PointingHandCursor);
    QPoint before = box->pos();
    QPoint inLabel = box->lbMessage->rect().center();
    ClickAt(box->lbMessage, inLabel); // starts a drag that ends at once: nothing happens
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->pos(), before);
    box->lbMessageClick();
    EXPECT_TRUE(box->isVisible());
}

TEST_F(DesktopAlert, EscTheCloseButtonAndTheLabelCloseAndStartTheNext) {
    TTranspMsgBoxManager manager;
    for (const char* t : {"a", "b", "c", "d"})
        manager.AddMessage(t, nullptr, nullptr);
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(manager.Current(), &esc);
    FreeClosedWindows();
    EXPECT_EQ(manager.Current()->lbMessage->text(), "b");
    ClickAt(manager.Current()->sbClose, {5, 5});
    FreeClosedWindows();
    EXPECT_EQ(manager.Current()->lbMessage->text(), "c");
    manager.Current()->lbCloseMouseDown();
    FreeClosedWindows();
    EXPECT_EQ(manager.Current()->lbMessage->text(), "d");
    EXPECT_EQ(manager.Current()->sbClose->toolTip(), "Close");
    EXPECT_TRUE(manager.Current()->sbClose->Flat());
}

TEST_F(DesktopAlert, PositionIsStoredAndKeptOnTheScreen) {
    QRect work = Work();
    TTranspMsgBoxManager manager;
    manager.AddMessage("where", nullptr, nullptr);
    TTransparentMsgBox* box = manager.Current();
    // First time: bottom-right corner of the work area, 80 pixels up.
    EXPECT_EQ(box->pos(),
              QPoint(work.left() + work.width() - 327, work.top() + work.height() - 67 - 80));
    box->move(work.left() + 40, work.top() + 30);
    box->close();
    FreeClosedWindows();
    EXPECT_EQ(ReadRegistryInteger(DesktopAlertSettingsKey, "TranspDesktopAlertLeft", -1),
              work.left() + 40);
    EXPECT_EQ(ReadRegistryInteger(DesktopAlertSettingsKey, "TranspDesktopAlertTop", -1),
              work.top() + 30);
    manager.AddMessage("again", nullptr, nullptr);
    EXPECT_EQ(manager.Current()->pos(), QPoint(work.left() + 40, work.top() + 30));
    manager.Current()->close();
    FreeClosedWindows();
    // A position off the screen is pulled back inside the work area.
    {
        TRegistryManager reg(DesktopAlertSettingsKey);
        reg.WriteIntegerValue("TranspDesktopAlertLeft", work.right() + 5000);
        reg.WriteIntegerValue("TranspDesktopAlertTop", -300);
    }
    manager.AddMessage("pulled back", nullptr, nullptr);
    EXPECT_EQ(manager.Current()->pos(), QPoint(work.left() + work.width() - 327, work.top()));
}

TEST_F(DesktopAlert, AnUnwritableSettingsStoreDoesNotKeepTheAlertOpen) {
    // The store's folder is a file: every write fails.
    std::filesystem::create_directories(std::filesystem::path(registry.Folder()).parent_path());
    WriteFileBytes(registry.Folder(), "not a folder");
    TTranspMsgBoxManager manager;
    manager.AddMessage("one", nullptr, nullptr);
    manager.AddMessage("two", nullptr, nullptr);
    manager.Current()->close();
    FreeClosedWindows();
    ASSERT_NE(manager.Current(), nullptr);
    EXPECT_EQ(manager.Current()->lbMessage->text(), "two");
}

TEST_F(DesktopAlert, ManagerGoingAwayClosesTheAlert) {
    QPointer<TTransparentMsgBox> box;
    {
        TTranspMsgBoxManager manager;
        manager.AddMessage("one", nullptr, nullptr);
        manager.AddMessage("two", nullptr, nullptr);
        box = manager.Current();
        EXPECT_EQ(TopMostLevel(), 1);
    }
    FreeClosedWindows();
    EXPECT_TRUE(box.isNull());
    EXPECT_EQ(TopMostLevel(), 0);
    InitTranspMsgBoxManager();
    ASSERT_NE(TranspMsgBoxManager(), nullptr);
    TranspMsgBoxManager()->AddMessage("global", nullptr, nullptr);
    EXPECT_TRUE(TranspMsgBoxManager()->Showing());
    DoneTranspMsgBoxManager();
    EXPECT_EQ(TranspMsgBoxManager(), nullptr);
}

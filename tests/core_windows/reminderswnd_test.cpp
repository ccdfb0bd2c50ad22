#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "core/alertactions.h"
#include "core/remindermanager.h"
#include "core/tockwelldb.h"
#include "core/windows/alertwindowsetup.h"
#include "core/windows/altkeyrepaint.h"
#include "core/windows/transparentmsgbox.h"
#include "fakealertwindows.h"
#include "fakemessageboxes.h"
#include "platform/datetimeformat.h"
#include "platform/gui/application.h"
#include "platform/gui/soundplayer.h"
#include "platform/gui/topmosts.h"
#include "platform/gui/windowmessages.h"
#include "testutil.h"

namespace {

const TDateTime T0 = EncodeDateTime(2024, 3, 4, 9, 0, 0, 0);

class FakeSoundPlayer : public ISoundPlayer {
public:
    void Play(const std::string& fileName) override {
        file_ = fileName;
        if (!Error.empty())
            throw Exception(Error);
        Plays.push_back(fileName);
        playing_ = true;
    }
    bool Playing() const override { return playing_; }
    void Stop() override {
        playing_ = false;
        ++Stops;
    }
    std::string FileName() const override { return file_; }

    std::vector<std::string> Plays;
    int Stops = 0;
    std::string Error;

private:
    bool playing_ = false;
    std::string file_;
};

// The real window installed as the engine's reminders window, over the fakes of everything
// else; entries live in a database, Now() is fixed at T0.
class RemindersWnd : public testing::Test {
protected:
    RemindersWnd() {
        wnd = std::shared_ptr<TfrmRemindersWnd>(new TfrmRemindersWnd([this] {
            auto p = std::make_unique<FakeSoundPlayer>();
            player = p.get();
            return p;
        }));
        SetRemindersWindow(wnd);
        wnd->SetOnOpenReminder([this](const IReminderAwareItemPtr& i) { Log("open", i); });
        wnd->SetOnReminderDismissed([this](const IReminderAwareItemPtr& i) { Log("dismiss", i); });
        wnd->SetOnReminderSnoozed([this](const IReminderAwareItemPtr& i) { Log("snooze", i); });
    }
    void Log(const std::string& what, const IReminderAwareItemPtr& item) {
        events.push_back(what + " " + item->GetCaption());
    }
    // A due entry fired at T0 and listed through its queued actions.
    TTockwellItemPtr Fire(const std::string& caption) {
        TTockwellItemPtr item = db.AddNew(caption, T0);
        item->GetReminder().CheckAlert(item, T0);
        wnd->ProcessPendingAlertActions();
        return item;
    }
    std::string Text(QWidget* w) const {
        if (auto* l = qobject_cast<QLabel*>(w))
            return l->text().toStdString();
        return qobject_cast<QComboBox*>(w)->currentText().toStdString();
    }
    void Select(int row) { wnd->lvReminders->setCurrentItem(wnd->lvReminders->topLevelItem(row)); }
    void Key(QWidget* w, int key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(w, &press);
    }

    TempRegistry registry;
    FakeAlertEnvironment env;
    FixedClock clock{T0};
    TTockwellDB db;
    std::shared_ptr<TfrmRemindersWnd> wnd;
    FakeSoundPlayer* player = nullptr;
    std::vector<std::string> events;
};

} // namespace

TEST_F(RemindersWnd, StartsHiddenWithNothingSelected) {
    EXPECT_FALSE(wnd->isVisible());
    EXPECT_FALSE(wnd->testAttribute(Qt::WA_QuitOnClose));
    EXPECT_EQ(Text(wnd->lbTaskDue), "No reminders selected");
    for (QWidget* w : {(QWidget*)wnd->btnOpenTask, (QWidget*)wnd->btnDismiss,
                       (QWidget*)wnd->btnSnooze, (QWidget*)wnd->cbSnoozeTime})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    QComboBox* cb = wnd->cbSnoozeTime;
    EXPECT_EQ(Text(cb), "10 minutes");
    ASSERT_EQ(cb->count(), 14);
    EXPECT_EQ(cb->itemText(13), "2 weeks");
    EXPECT_EQ(wnd->Options->SoundFile, "Tockwell.wav");
    EXPECT_EQ(wnd->Options->RegistryKey, "Software\\Fernhollow\\Tockwell\\Settings\\Reminder");
}

TEST_F(RemindersWnd, PostedActionsRunInOrderOnlyWhenProcessed) {
    TTockwellItemPtr a = db.AddNew("Alpha", T0), b = db.AddNew("Beta", T0);
    a->GetReminder().CheckAlert(a, T0);
    b->GetReminder().CheckAlert(b, T0);
    EXPECT_EQ(wnd->RowCount(), 0);
    EXPECT_FALSE(wnd->isVisible());
    wnd->ProcessPendingAlertActions();
    ASSERT_EQ(wnd->RowCount(), 2);
    EXPECT_EQ(wnd->RowItem(0), a);
    EXPECT_EQ(wnd->RowItem(1), b);
    EXPECT_TRUE(wnd->isVisible());
    EXPECT_EQ(wnd->SelectedRow(), 1); // each listing selects its row
    EXPECT_TRUE(a->GetReminder().GetPlacedToReminderWnd());

    // A second alert of the same reminder refreshes and selects its row only.
    wnd->PostAlertAction({a, akActivateReminderWnd});
    wnd->PostAlertAction({a, akActivateReminderWnd});
    EXPECT_EQ(wnd->SelectedRow(), 1);
    wnd->ProcessPendingAlertActions();
    EXPECT_EQ(wnd->RowCount(), 2);
    EXPECT_EQ(wnd->SelectedRow(), 0);

    // The main window's wiring: after a pass that fired, the actions run at once.
    TReminderManager manager;
    manager.OnAfterFire = [this] { wnd->ProcessPendingAlertActions(); };
    TTockwellItemPtr c = db.AddNew("Gamma", T0);
    EXPECT_TRUE(manager.ReminderChanged(c));
    EXPECT_EQ(wnd->RowCount(), 3);
    EXPECT_EQ(wnd->RowItem(2), c);
    wnd->close();
    EXPECT_FALSE(wnd->isVisible());
    EXPECT_EQ(wnd->RowCount(), 3); // closing only hides
}

TEST_F(RemindersWnd, AnActionWaitingInItsBoxHoldsBackTheNextOnes) {
    // A modal box delivers further messages while it waits; the boxes of those actions come
    // after it, in order, rather than inside it.
    std::vector<TTockwellItemPtr> items;
    for (const char* caption : {"One", "Two", "Three"}) {
        items.push_back(db.AddNew(caption, T0));
        items.back()->GetReminder().GetAction(akShowModalDialog).Enabled = true;
    }
    int depth = 0, deepest = 0;
    env.Dialogs->DuringModal = [&] {
        deepest = std::max(deepest, ++depth);
        wnd->ProcessPendingAlertActions();
        --depth;
    };
    for (const auto& item : items)
        wnd->PostAlertAction({item, akShowModalDialog});
    wnd->ProcessPendingAlertActions();
    EXPECT_EQ(deepest, 1);
    ASSERT_EQ(env.Dialogs->Modal.size(), 3u);
    for (size_t i = 0; i < items.size(); ++i)
        EXPECT_NE(env.Dialogs->Modal[i].find(items[i]->GetCaption()), std::string::npos) << i;
}

TEST_F(RemindersWnd, WhileAMessageBoxWaitsOtherAlertsRunAndOtherBoxesWaitTheirTurn) {
    const std::string wav = SourcePath("resources/Tockwell.wav");
    auto boxAndSound = [&](const char* caption) {
        TTockwellItemPtr item = db.AddNew(caption, T0);
        TReminderItem& r = item->GetReminder();
        r.GetAction(akShowModalDialog).Enabled = true;
        r.Action<TAlertActPlaySound>().Enabled = true;
        r.Action<TAlertActPlaySound>().SetStoredAudioFile(wav);
        return item;
    };
    TTockwellItemPtr a = boxAndSound("A"), b = boxAndSound("B");
    b->GetReminder().GetAction(akShowAlertWnd).Enabled = true;
    a->GetReminder().CheckAlert(a, T0);
    int depth = 0, deepest = 0;
    env.Dialogs->DuringModal = [&] {
        deepest = std::max(deepest, ++depth);
        if (env.Dialogs->Modal.size() == 1) {
            // The box's loop delivers A's sound, then all of B but its box.
            wnd->ProcessPendingAlertActions();
            ASSERT_NE(player, nullptr);
            EXPECT_EQ(player->Plays.size(), 1u);
            b->GetReminder().CheckAlert(b, T0);
            wnd->ProcessPendingAlertActions();
            EXPECT_EQ(wnd->RowCount(), 2);
            EXPECT_EQ(wnd->GetSelectedReminder(), b);
            EXPECT_TRUE(wnd->isVisible());
            ASSERT_EQ(env.Alerts->Messages.size(), 1u);
            EXPECT_EQ(env.Alerts->Messages[0].Item, b);
            EXPECT_EQ(player->Plays.size(), 2u);
            EXPECT_EQ(env.Dialogs->Modal.size(), 1u);
        }
        --depth;
    };
    wnd->ProcessPendingAlertActions();
    EXPECT_EQ(deepest, 1);
    EXPECT_EQ(env.Dialogs->Modal, (std::vector<std::string>{"\"A\"", "\"B\""}));
    EXPECT_FALSE(wnd->Updating());
}

TEST_F(RemindersWnd, BoxesOfLaterPassesShowButNoneOfDeletedRemindersOrWhenLeaving) {
    auto due = [&](const char* caption) {
        TTockwellItemPtr item = db.AddNew(caption, T0);
        item->GetReminder().GetAction(akShowModalDialog).Enabled = true;
        item->GetReminder().CheckAlert(item, T0);
        return item;
    };
    const std::vector<std::string>& shown = env.Dialogs->Modal;
    due("A");
    wnd->ProcessPendingAlertActions();
    due("B");
    wnd->ProcessPendingAlertActions();
    EXPECT_EQ(shown, (std::vector<std::string>{"\"A\"", "\"B\""}));

    // Deleted while its box waits behind another: its box does not show.
    due("C");
    TTockwellItemPtr d = due("D");
    env.Dialogs->DuringModal = [&] { db.Remove(d); };
    wnd->ProcessPendingAlertActions();
    EXPECT_EQ(shown.back(), "\"C\"");
    EXPECT_EQ(shown.size(), 3u);

    // The program leaves with a box queued (its event not yet delivered), then one asked for.
    struct TLeaving {
        TLeaving() { SetApplicationLeaving(); }
        ~TLeaving() { SetApplicationLeaving(false); }
    };
    env.Dialogs->DuringModal = nullptr;
    due("E");
    ProcessPendingMessages(wnd.get(), WM_RUN_ALERT_ACTION);
    const TLeaving leaving;
    ShowAlertError("late");
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(shown.size(), 3u);
    EXPECT_TRUE(env.Dialogs->Errors.empty());
}

TEST_F(RemindersWnd, AReminderHasAtMostOneMessageBoxWaitingOrOpen) {
    // "Pills": a message and a sound every 5 minutes without limit, first behind another box.
    TTockwellItemPtr other = db.AddNew("Other", T0), pills = db.AddNew("Pills", T0);
    other->GetReminder().GetAction(akShowModalDialog).Enabled = true;
    TReminderItem& r = pills->GetReminder();
    r.GetAction(akShowModalDialog).Enabled = true;
    r.Action<TAlertActPlaySound>().Enabled = true;
    r.Action<TAlertActPlaySound>().SetStoredAudioFile(SourcePath("resources/Tockwell.wav"));
    r.SetAutoAlert(true, 5 * OneMinute);
    r.SetLimitAutoAlertCount(false);
    TDateTime t = T0;
    auto repeat = [&] {
        t += 5 * OneMinute;
        ASSERT_TRUE(r.CheckAlert(pills, t));
        wnd->ProcessPendingAlertActions();
    };
    other->GetReminder().CheckAlert(other, T0);
    r.CheckAlert(pills, T0);
    env.Dialogs->DuringModal = [&] {
        for (int i = 0; i < 3 && env.Dialogs->Modal.size() <= 2; ++i)
            repeat();
    };
    wnd->ProcessPendingAlertActions();
    EXPECT_EQ(env.Dialogs->Modal, (std::vector<std::string>{"\"Other\"", "\"Pills\""}));
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(player->Plays.size(), 7u); // the repetitions' other actions ran
    // Its box closed: the next repetition brings one again.
    env.Dialogs->DuringModal = nullptr;
    repeat();
    EXPECT_EQ(env.Dialogs->Modal.size(), 3u);
}

TEST_F(RemindersWnd, AReminderHasAtMostOneErrorBoxOfATextWaitingOrOpen) {
    // Every minute without limit: two reminders alike whose program cannot start (one with a
    // message too), one whose sound fails and whose mail's failure comes back later.
    env.RunResult = false;
    std::vector<TMailDoneEvent> sends;
    SetSendMailFunc([&](const std::string&, const std::string&, const std::string&,
                        const std::string&, TMailDoneEvent done) { sends.push_back(done); });
    const std::string wav = SourcePath("resources/Tockwell.wav");
    wnd->PlayReminderSound(wav);
    player->Error = "no audio device";
    std::vector<TTockwellItemPtr> items;
    auto failing = [&](const char* caption, std::vector<TAlertKind> kinds) {
        items.push_back(db.AddNew(caption, T0));
        TReminderItem& r = items.back()->GetReminder();
        for (TAlertKind kind : kinds)
            r.GetAction(kind).Enabled = true;
        r.Action<TAlertActPlaySound>().SetStoredAudioFile(wav);
        r.SetAutoAlert(true, OneMinute);
        r.SetLimitAutoAlertCount(false);
    };
    failing("Backup", {akRunApp, akShowModalDialog});
    failing("Backup", {akRunApp});
    failing("Mail", {akSendEmail, akPlaySound});
    TDateTime t = T0;
    auto minute = [&] {
        for (const auto& item : items)
            item->GetReminder().CheckAlert(item, t);
        t += OneMinute;
        ProcessPendingMessages(wnd.get(), WM_RUN_ALERT_ACTION);
        for (const TMailDoneEvent& done : std::exchange(sends, {}))
            done("SMTP server is not configured.");
        wnd->ProcessPendingAlertActions();
    };
    env.Dialogs->DuringError = [&] {
        for (int i = 0; i < 3 && env.Dialogs->Errors.size() == 1; ++i)
            minute();
    };
    minute();
    EXPECT_EQ(env.Dialogs->Errors.size(), 4u);
    EXPECT_EQ(env.Dialogs->Modal.size(), 1u);
    // The boxes closed: the next failures bring one each again.
    env.Dialogs->DuringError = nullptr;
    minute();
    EXPECT_EQ(env.Dialogs->Errors.size(), 8u);
}

TEST_F(RemindersWnd, AWindowAskedForWhileABoxWaitsComesForwardOnceTheBoxCloses) {
    // Real windows: the box is a modal dialog, another program's window covers the list.
    auto settle = [] { QCoreApplication::processEvents(); };
    Fire("Earlier");
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    TTockwellItemPtr a = db.AddNew("A", T0);
    a->GetReminder().GetAction(akActivateReminderWnd).Enabled = false;
    a->GetReminder().GetAction(akShowModalDialog).Enabled = true;
    a->GetReminder().CheckAlert(a, T0);
    TTockwellItemPtr b = db.AddNew("B", T0);
    env.Dialogs->DuringModal = [&] {
        QDialog box;
        box.setModal(true);
        box.show();
        box.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
        b->GetReminder().CheckAlert(b, T0);
        wnd->ProcessPendingAlertActions();
        settle();
        EXPECT_EQ(wnd->GetSelectedReminder(), b);
        EXPECT_EQ(QApplication::activeWindow(), &box); // the box stays in front
    };
    wnd->ProcessPendingAlertActions();
    settle();
    EXPECT_EQ(QApplication::activeWindow(), wnd.get());
    EXPECT_TRUE(wnd->lvReminders->hasFocus());
}

TEST_F(RemindersWnd, ManyFailingAlertsShowTheirBoxesOneAfterAnother) {
    // Programs that cannot start, and e-mails whose failures come back while boxes wait.
    env.RunResult = false;
    std::vector<TMailDoneEvent> sends;
    SetSendMailFunc([&](const std::string&, const std::string&, const std::string&,
                        const std::string&, TMailDoneEvent done) { sends.push_back(done); });
    for (int i = 0; i < 20; ++i) {
        TTockwellItemPtr item = db.AddNew("R" + std::to_string(i), T0);
        TReminderItem& r = item->GetReminder();
        for (TAlertKind kind : {akSendEmail, akRunApp, akShowModalDialog})
            r.GetAction(kind).Enabled = true;
        r.CheckAlert(item, T0);
    }
    int depth = 0, deepest = 0;
    auto boxLoop = [&] {
        deepest = std::max(deepest, ++depth);
        wnd->ProcessPendingAlertActions();
        for (const TMailDoneEvent& done : std::exchange(sends, {}))
            done("Connection refused");
        --depth;
    };
    env.Dialogs->DuringModal = env.Dialogs->DuringError = boxLoop;
    wnd->ProcessPendingAlertActions();
    EXPECT_EQ(deepest, 1);
    EXPECT_EQ(env.Dialogs->Modal.size(), 20u);
    EXPECT_EQ(env.Dialogs->Errors.size(), 40u);
    EXPECT_EQ(wnd->RowCount(), 20);
}

TEST_F(RemindersWnd, DueTextsAndDetails) {
    TTockwellItemPtr a = Fire("Dentist");
    EXPECT_EQ(wnd->lvReminders->topLevelItem(0)->text(0), "Dentist");
    EXPECT_EQ(wnd->lvReminders->topLevelItem(0)->text(1), "now");
    clock.Set(T0 + 12 * OneMinute);
    wnd->RefreshRows();
    EXPECT_EQ(wnd->lvReminders->topLevelItem(0)->text(1), "12 min overdue");
    EXPECT_EQ(Text(wnd->lbTaskCaption), "Dentist");
    EXPECT_EQ(Text(wnd->lbTaskDue), "Due in: 12 min overdue");
    EXPECT_EQ(Text(wnd->lbNextAlert), "");
    a->GetReminder().SetNextAlertDateTime(T0 + OneHour);
    wnd->UpdateDetails();
    EXPECT_EQ(Text(wnd->lbNextAlert),
              "Next alert: " + TfrmRemindersWnd::FormatAlertTime(T0 + OneHour));
    EXPECT_EQ(TfrmRemindersWnd::FormatAlertTime(T0 + OneHour), FormatDateTime("t", T0 + OneHour));
    EXPECT_EQ(TfrmRemindersWnd::FormatAlertTime(T0 + 1),
              FormatDateTime("dddddd", T0 + 1) + "  " + FormatDateTime("t", T0 + 1));
    a->SetCaption("Dentist (moved)");
    wnd->UpdateReminderRow(a);
    EXPECT_EQ(Text(wnd->lbTaskCaption), "Dentist (moved)");
    EXPECT_TRUE(wnd->btnSnooze->isEnabled());
    // A caption wider than the label ends in "...", within the label.
    a->SetCaption(std::string(200, 'W') + " end");
    wnd->UpdateReminderRow(a);
    const QString shown = wnd->lbTaskCaption->text();
    EXPECT_TRUE(shown.startsWith("WWW") && shown.endsWith("...")) << shown.toStdString();
    EXPECT_LE(wnd->lbTaskCaption->fontMetrics().horizontalAdvance(shown),
              wnd->lbTaskCaption->width());
    // So does the row, within its column.
    EXPECT_TRUE(wnd->lvReminders->topLevelItem(0)->text(0).endsWith("..."));
}

TEST_F(RemindersWnd, ACaptionThatLooksLikeMarkupShowsAsItIs) {
    Fire("<h1>Dentist</h1>");
    QLabel* label = wnd->lbTaskCaption;
    EXPECT_EQ(Text(label), "<h1>Dentist</h1>");
    // Taken for markup, it would show "Dentist" alone, in a heading's larger letters.
    EXPECT_GE(label->sizeHint().width(), label->fontMetrics().horizontalAdvance(label->text()));
    EXPECT_LE(label->sizeHint().height(), label->fontMetrics().height() + 2);
}

TEST_F(RemindersWnd, AHugeCaptionShowsCutAndTheWindowUpdatesQuickly) {
    std::string huge;
    while (huge.size() < 10'000'000)
        huge += "Meeting notes ";
    TTockwellItemPtr item = Fire(huge);
    Fire("Buy milk\nand bread");
    wnd->show();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 5; ++i) {
        clock.Advance(OneMinute);
        wnd->RefreshRows();
        Select(i % 2);
        wnd->grab();
    }
    EXPECT_LT(timer.elapsed(), 3000);
    // Each cut to its room with "...": the row to its column, the details to their label.
    auto fitsCut = [](const QString& text, const QFontMetrics& metrics, int room) {
        return text.startsWith("Meeting notes") && text.endsWith("...") &&
               metrics.horizontalAdvance(text) <= room;
    };
    QTreeWidget* list = wnd->lvReminders;
    Select(0);
    const QString row = list->topLevelItem(0)->text(0);
    EXPECT_TRUE(fitsCut(row, list->fontMetrics(), list->columnWidth(0))) << row.toStdString();
    EXPECT_TRUE(fitsCut(wnd->lbTaskCaption->text(), wnd->lbTaskCaption->fontMetrics(),
                        wnd->lbTaskCaption->width()));
    // A wider column shows more; a caption of several lines shows its first.
    list->setColumnWidth(0, 400);
    EXPECT_GT(list->topLevelItem(0)->text(0).size(), row.size());
    EXPECT_EQ(list->topLevelItem(1)->text(0).toStdString(), "Buy milk...");
    Select(1);
    EXPECT_EQ(Text(wnd->lbTaskCaption), "Buy milk...");
}

TEST_F(RemindersWnd, DismissAndSnoozeMoveTheSelectionAndCloseWhenEmpty) {
    TTockwellItemPtr a = Fire("A"), b = Fire("B"), c = Fire("C");
    Select(1);
    wnd->btnDismissClick(); // a middle row: the next one is selected
    EXPECT_EQ(b->GetReminder().GetReminderState(), rsDismissed);
    EXPECT_FALSE(b->GetReminder().GetPlacedToReminderWnd());
    ASSERT_EQ(wnd->RowCount(), 2);
    EXPECT_EQ(wnd->GetSelectedReminder(), c);

    for (const char* bad : {"0", ""}) {
        wnd->cbSnoozeTime->setEditText(bad);
        EXPECT_EQ(MessageOf([&] { wnd->btnSnoozeClick(); }), "Invalide snooze time") << bad;
        EXPECT_EQ(wnd->RowCount(), 2);
    }
    wnd->cbSnoozeTime->setEditText("1.5h"); // the last row: the one above is selected
    wnd->btnSnoozeClick();
    EXPECT_DOUBLE_EQ(c->GetReminder().GetNextAlertDateTime(), T0 + 90 * OneMinute);
    EXPECT_TRUE(c->GetReminder().GetSnoozed());
    EXPECT_EQ(c->GetReminder().GetReminderState(), rsActive);
    EXPECT_EQ(wnd->GetSelectedReminder(), a);
    EXPECT_EQ(events, (std::vector<std::string>{"dismiss B", "snooze C"}));

    // Enter in the snooze box reformats the text and snoozes the last row: the window hides.
    wnd->cbSnoozeTime->setEditText("90m");
    Key(wnd->cbSnoozeTime->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(Text(wnd->cbSnoozeTime), "1 hour, 30 min");
    EXPECT_EQ(wnd->cbSnoozeTime->count(), 14); // nothing added to the list
    EXPECT_EQ(wnd->RowCount(), 0);
    EXPECT_FALSE(wnd->isVisible());
    EXPECT_EQ(Text(wnd->lbTaskDue), "No reminders selected");
    EXPECT_FALSE(wnd->btnDismiss->isEnabled());
    EXPECT_EQ(events.back(), "snooze A");

    // Esc hides; open goes to the handler.
    TTockwellItemPtr d = Fire("D");
    EXPECT_TRUE(wnd->isVisible());
    wnd->btnOpenTask->click();
    EXPECT_EQ(events.back(), "open D");
    Key(wnd->lvReminders, Qt::Key_Escape);
    EXPECT_FALSE(wnd->isVisible());
    EXPECT_EQ(wnd->RowCount(), 1);
}

TEST_F(RemindersWnd, DismissIfNotListed) {
    TTockwellItemPtr listed = Fire("Listed");
    TTockwellItemPtr other = db.AddNew("Other", T0);
    wnd->DismissIfNotListed(listed);
    EXPECT_EQ(listed->GetReminder().GetReminderState(), rsActive);
    wnd->DismissIfNotListed(other);
    EXPECT_EQ(other->GetReminder().GetReminderState(), rsDismissed);
    EXPECT_EQ(events, std::vector<std::string>{"dismiss Other"});
}

TEST_F(RemindersWnd, DeletedEntriesLoseTheirRowsAndQueuedActions) {
    TTockwellItemPtr a = Fire("A"), b = Fire("B");
    db.Remove(a);
    EXPECT_EQ(wnd->RowCount(), 2);
    wnd->RefreshRows();
    ASSERT_EQ(wnd->RowCount(), 1);
    EXPECT_EQ(wnd->RowItem(0), b);
    wnd->AddOrUpdateReminder(a, true, true);
    EXPECT_EQ(wnd->RowCount(), 1);
    wnd->OpenReminder(a);
    EXPECT_TRUE(events.empty());

    // A queued action keeps its entry alive and does nothing once the entry is gone.
    TTockwellItemPtr c = db.AddNew("C", T0);
    c->GetReminder().GetAction(akShowModalDialog).Enabled = true;
    c->GetReminder().CheckAlert(c, T0);
    std::weak_ptr<TTockwellItem> weak = c;
    db.Remove(c);
    c.reset();
    EXPECT_FALSE(weak.expired());
    wnd->ProcessPendingAlertActions();
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(wnd->RowCount(), 1);
    EXPECT_TRUE(env.Dialogs->Modal.empty());

    // The last row going hides the window.
    db.Clear();
    wnd->RefreshRows();
    EXPECT_EQ(wnd->RowCount(), 0);
    EXPECT_FALSE(wnd->isVisible());
}

TEST_F(RemindersWnd, FiredRemindersAreListedInOneUpdate) {
    int selectionChanges = 0;
    QObject::connect(wnd->lvReminders, &QTreeWidget::itemSelectionChanged,
                     [&] { ++selectionChanges; });
    std::vector<TTockwellItemPtr> items;
    for (const char* caption : {"A", "B", "C", "D"})
        items.push_back(db.AddNew(caption, T0));
    items[2]->GetReminder().GetAction(akShowModalDialog).Enabled = true;
    for (const auto& item : items)
        item->GetReminder().CheckAlert(item, T0);
    // The message box comes after the run, the window complete behind it.
    env.Dialogs->DuringModal = [&] {
        EXPECT_TRUE(wnd->isVisible());
        ASSERT_EQ(wnd->RowCount(), 4);
        EXPECT_EQ(wnd->GetSelectedReminder(), items[3]);
        EXPECT_EQ(wnd->lvReminders->topLevelItem(0)->text(1), "now");
    };
    wnd->ProcessPendingAlertActions();
    ASSERT_EQ(wnd->RowCount(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(wnd->RowItem(i), items[size_t(i)]);
        EXPECT_EQ(wnd->lvReminders->topLevelItem(i)->text(1), "now");
        EXPECT_TRUE(items[size_t(i)]->GetReminder().GetPlacedToReminderWnd());
    }
    EXPECT_EQ(wnd->GetSelectedReminder(), items[3]);
    EXPECT_EQ(Text(wnd->lbTaskCaption), "D");
    EXPECT_EQ(env.Dialogs->Modal.size(), 1u);
    // Selected once at the end, not once per reminder.
    EXPECT_EQ(selectionChanges, 1);
    EXPECT_FALSE(wnd->Updating());

    // Delivered by the event loop: the update ends with the last action all the same.
    clock.Set(T0 + 5 * OneMinute);
    TTockwellItemPtr e = db.AddNew("E", T0 + 5 * OneMinute);
    e->GetReminder().CheckAlert(e, T0 + 5 * OneMinute);
    QCoreApplication::sendPostedEvents();
    EXPECT_FALSE(wnd->Updating());
    ASSERT_EQ(wnd->RowCount(), 5);
    EXPECT_EQ(wnd->GetSelectedReminder(), e);
    EXPECT_EQ(wnd->lvReminders->topLevelItem(0)->text(1), "5 min overdue");

    // Listed again at start-up: one update for all of them.
    wnd->RemoveAllRows();
    EXPECT_FALSE(wnd->isVisible());
    for (const auto& item : items)
        item->GetReminder().SetPlacedToReminderWnd(item != items[1]);
    selectionChanges = 0;
    TReminderManager manager;
    manager.ShowFiredReminders(db);
    ASSERT_EQ(wnd->RowCount(), 3);
    EXPECT_EQ(wnd->RowItem(1), items[2]);
    EXPECT_EQ(wnd->GetSelectedReminder(), items[3]);
    EXPECT_TRUE(wnd->isVisible());
    EXPECT_EQ(selectionChanges, 1);
}

TEST_F(RemindersWnd, BehindAnErrorBoxTheWindowStandsComplete) {
    // A program that cannot start and a mail that cannot be sent: each error box waits for
    // the user in front of the window as listed so far.
    env.RunResult = false;
    env.MailError = "Connection refused";
    TTockwellItemPtr a = db.AddNew("Backup", T0);
    TReminderItem& r = a->GetReminder();
    r.Action<TAlertActRunApp>().Enabled = true;
    r.Action<TAlertActRunApp>().AppPath = "/no/such/backup";
    r.Action<TAlertActSendEmail>().Enabled = true;
    r.Action<TAlertActSendEmail>().Emails = "kim@example.com";
    r.CheckAlert(a, T0);
    env.Dialogs->DuringError = [&] {
        EXPECT_TRUE(wnd->isVisible());
        ASSERT_EQ(wnd->RowCount(), 1);
        EXPECT_EQ(wnd->GetSelectedReminder(), a);
        EXPECT_EQ(wnd->lvReminders->topLevelItem(0)->text(1), "now");
    };
    wnd->ProcessPendingAlertActions();
    EXPECT_EQ(env.Dialogs->Errors.size(), 2u);
}

TEST_F(RemindersWnd, RowsOfRemovedEntriesGoTogether) {
    std::vector<TTockwellItemPtr> items;
    for (const char* caption : {"A", "B", "C", "D", "E"})
        items.push_back(Fire(caption));
    // A deleted selected row passes its selection to the next row that stays ...
    Select(1);
    db.Remove(items[1]);
    db.Remove(items[2]);
    wnd->RefreshRows();
    ASSERT_EQ(wnd->RowCount(), 3);
    EXPECT_EQ(wnd->GetSelectedReminder(), items[3]);
    EXPECT_FALSE(items[1]->GetReminder().GetPlacedToReminderWnd());
    EXPECT_FALSE(wnd->HasReminderRow(items[2]));
    // ... else to the last one before it.
    Select(2);
    db.Remove(items[3]);
    db.Remove(items[4]);
    wnd->RefreshRows();
    ASSERT_EQ(wnd->RowCount(), 1);
    EXPECT_EQ(wnd->GetSelectedReminder(), items[0]);
    EXPECT_EQ(Text(wnd->lbTaskCaption), "A");
    EXPECT_EQ(wnd->FindReminderRow(items[0]), 0);
    EXPECT_TRUE(wnd->isVisible());
}

TEST_F(RemindersWnd, TheSelectedRowKeepsTheSelectionWhenOtherRowsGo) {
    std::vector<TTockwellItemPtr> rows;
    for (const char* caption : {"A", "B", "C", "D", "E", "F"})
        rows.push_back(Fire(caption));
    // Rows below the selected one go: one by one, and those of deleted entries together.
    Select(0);
    EXPECT_TRUE(wnd->RemoveReminderRow(rows[5]));
    EXPECT_EQ(wnd->GetSelectedReminder(), rows[0]);
    db.Remove(rows[4]);
    wnd->RefreshRows();
    EXPECT_EQ(wnd->GetSelectedReminder(), rows[0]);
    // Rows above it go.
    Select(3);
    EXPECT_TRUE(wnd->RemoveReminderRow(rows[0]));
    EXPECT_EQ(wnd->GetSelectedReminder(), rows[3]);
    db.Remove(rows[1]);
    wnd->RefreshRows();
    ASSERT_EQ(wnd->RowCount(), 2);
    EXPECT_EQ(wnd->GetSelectedReminder(), rows[3]);
    EXPECT_EQ(Text(wnd->lbTaskCaption), "D");
}

TEST_F(RemindersWnd, PlaysAndStopsSounds) {
    int starts = 0, stops = 0;
    wnd->SetOnStartPlayingAlertSound([&](TfrmRemindersWnd&) { ++starts; });
    wnd->SetOnStopPlayingAlertSound([&](TfrmRemindersWnd&) { ++stops; });
    wnd->StopReminderSound(""); // no player yet: only the event
    EXPECT_EQ(stops, 1);
    wnd->PlayReminderSound("/nonexistent/sound.wav");
    wnd->PlayReminderSound("");
    ASSERT_NE(player, nullptr);
    EXPECT_TRUE(player->Plays.empty());
    EXPECT_EQ(starts, 0);

    const std::string wav = SourcePath("resources/Tockwell.wav");
    wnd->PlayReminderSound(wav);
    EXPECT_EQ(player->Plays, std::vector<std::string>{wav});
    EXPECT_EQ(starts, 1);
    wnd->StopReminderSound(SourcePath("resources/Other.wav")); // another sound: keeps playing
    EXPECT_TRUE(player->Playing());
    EXPECT_EQ(stops, 2);
    wnd->StopReminderSound(wav);
    EXPECT_FALSE(player->Playing());
    EXPECT_EQ(stops, 3);

    player->Error = "Can not play reminder sound: device busy";
    EXPECT_EQ(MessageOf([&] { wnd->PlayReminderSound(wav); }), player->Error);
    player->Error = "no device";
    EXPECT_EQ(MessageOf([&] { wnd->PlayReminderSound(wav); }),
              "Can not play reminder sound: no device");

    // Through the sound alert the failure reaches the error box.
    TTockwellItemPtr a = db.AddNew("Ring", T0);
    auto& sound = a->GetReminder().Action<TAlertActPlaySound>();
    sound.Enabled = true;
    sound.SetStoredAudioFile(wav);
    a->GetReminder().CheckAlert(a, T0);
    wnd->ProcessPendingAlertActions();
    EXPECT_EQ(env.Dialogs->Errors,
              std::vector<std::string>{"Can not play reminder sound: no device"});
}

TEST_F(RemindersWnd, ASoundFailingLateComesInItsRemindersErrorBoxInTurn) {
    // "Ring": a message and a sound; "Chime": a sound.
    const std::string wav = SourcePath("resources/Tockwell.wav");
    const std::string late = "Can not play reminder sound: Could not determine type of stream.";
    auto sounding = [&](const char* caption) {
        TTockwellItemPtr item = db.AddNew(caption, T0);
        item->GetReminder().Action<TAlertActPlaySound>().Enabled = true;
        item->GetReminder().Action<TAlertActPlaySound>().SetStoredAudioFile(wav);
        return item;
    };
    TTockwellItemPtr ring = sounding("Ring"), chime = sounding("Chime");
    ring->GetReminder().GetAction(akShowModalDialog).Enabled = true;
    ring->GetReminder().CheckAlert(ring, T0);
    std::vector<std::string> errorsInBox;
    env.Dialogs->DuringModal = [&] {
        // Ring's sound fails twice alike while its box waits; Chime's sound fails too.
        wnd->ProcessPendingAlertActions();
        ASSERT_NE(player, nullptr);
        ASSERT_TRUE(player->OnError);
        player->OnError(late);
        player->OnError(late);
        ShowAlertError(late, ring); // as its failing start would
        chime->GetReminder().CheckAlert(chime, T0);
        wnd->ProcessPendingAlertActions();
        player->OnError(late);
        QCoreApplication::sendPostedEvents();
        errorsInBox = env.Dialogs->Errors;
    };
    wnd->ProcessPendingAlertActions();
    EXPECT_TRUE(errorsInBox.empty());
    EXPECT_EQ(env.Dialogs->Errors, (std::vector<std::string>{late, late}));
    // A test play of no reminder's.
    env.Dialogs->DuringModal = nullptr;
    wnd->PlayReminderSound(wav);
    player->OnError(late);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(env.Dialogs->Errors.size(), 3u);
}

TEST_F(RemindersWnd, SoundsOfTwoRemindersFailingLateAlikeShowABoxEach) {
    const std::string wav = SourcePath("resources/Tockwell.wav");
    const std::string late = "Can not play reminder sound: Could not determine type of stream.";
    for (const char* caption : {"Ring", "Chime"}) {
        TTockwellItemPtr item = db.AddNew(caption, T0);
        item->GetReminder().Action<TAlertActPlaySound>().Enabled = true;
        item->GetReminder().Action<TAlertActPlaySound>().SetStoredAudioFile(wav);
        item->GetReminder().CheckAlert(item, T0);
        ProcessPendingMessages(wnd.get(), WM_RUN_ALERT_ACTION); // the alerts, not their boxes
        ASSERT_NE(player, nullptr);
        player->OnError(late);
    }
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(env.Dialogs->Errors, (std::vector<std::string>{late, late}));
}

TEST_F(RemindersWnd, DesktopAlertsOpenTheReminderWhenClicked) {
    TTranspMsgBoxManager manager;
    SetDesktopAlertQueue(std::make_shared<TDesktopAlertQueue>(manager));
    TTockwellItemPtr a = db.AddNew("Call Kim", T0);
    a->GetReminder().GetAction(akShowAlertWnd).Enabled = true;
    a->GetReminder().CheckAlert(a, T0);
    wnd->ProcessPendingAlertActions();
    TTransparentMsgBox* box = manager.Current();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->lbMessage->text(), "Call Kim");
    EXPECT_EQ(box->Item, a);
    ASSERT_TRUE(box->Click);
    box->lbMessageClick();
    EXPECT_EQ(events, std::vector<std::string>{"open Call Kim"});
    SetDesktopAlertQueue(nullptr);
}

TEST(AlertDialogs, ModalMessageLowersTopMostsAndErrorsUseTheErrorBox) {
    struct LevelBoxes : FakeMessageBoxes {
        int MessageBox(const std::string& text, const std::string& caption, TMsgDlgType type,
                       TMsgDlgButtons buttons) override {
            levelDuring = TopMostLevel();
            return FakeMessageBoxes::MessageBox(text, caption, type, buttons);
        }
        int levelDuring = -1;
    };
    auto boxes = std::make_shared<LevelBoxes>();
    auto previous = SetMessageBoxes(boxes);
    TMessageBoxAlertDialogs dialogs;
    dialogs.ShowModalMessage("\"Pay rent\"");
    EXPECT_EQ(boxes->levelDuring, 1);
    ASSERT_EQ(boxes->Boxes.size(), 1u);
    EXPECT_EQ(boxes->Boxes[0].text, "\"Pay rent\"");
    EXPECT_EQ(boxes->Boxes[0].type, mtInformation);
    EXPECT_EQ(boxes->Boxes[0].buttons, Buttons(mbOK));
    EXPECT_EQ(TopMostLevel(), 0);
    dialogs.ShowErrorBox("Can not run application");
    EXPECT_EQ(boxes->Errors, std::vector<std::string>{"Can not run application"});
    SetMessageBoxes(previous);
}

TEST(AlertWindowSetup, InstallsAndFreesTheProcessWideObjects) {
    TempRegistry registry;
    {
        TAlertWindowsScope scope([] { return std::make_unique<FakeSoundPlayer>(); });
        ASSERT_NE(frmRemindersWnd(), nullptr);
        EXPECT_EQ(RemindersWindow().get(), static_cast<IRemindersWindow*>(frmRemindersWnd()));
        EXPECT_NE(dynamic_cast<TDesktopAlertQueue*>(DesktopAlertQueue().get()), nullptr);
        EXPECT_NE(dynamic_cast<TMessageBoxAlertDialogs*>(AlertDialogs().get()), nullptr);
        EXPECT_NE(TranspMsgBoxManager(), nullptr);
        EXPECT_FALSE(frmRemindersWnd()->isVisible());
    }
    EXPECT_EQ(frmRemindersWnd(), nullptr);
    EXPECT_EQ(DesktopAlertQueue(), nullptr);
    EXPECT_EQ(AlertDialogs(), nullptr);
    EXPECT_EQ(TranspMsgBoxManager(), nullptr);
}

TEST_F(RemindersWnd, AltKeysOfItsControlsAskForARepaint) {
    struct Main : QObject {
        void customEvent(QEvent* e) override { repaints += HandleRepaintControlsMessage(e); }
        int repaints = 0;
    } main;
    SetMainWindowHandle(&main);
    SetIsVistaWithThemes(true);
    QKeyEvent alt(QEvent::KeyPress, Qt::Key_D, Qt::AltModifier);
    QApplication::sendEvent(wnd->cbSnoozeTime->lineEdit(), &alt);
    QApplication::sendEvent(wnd->lvReminders, &alt);
    QCoreApplication::sendPostedEvents(&main);
    SetIsVistaWithThemes(false);
    SetMainWindowHandle(nullptr);
    EXPECT_EQ(main.repaints, 2);
}

// E-mail alerts in the main window: a mail server that stalls or misbehaves holds up neither
// the timer, nor other reminders, nor saving; its failure arrives later as an error box.
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include "apptestutil.h"
#include "core/alertactions.h"
#include "core/mailer.h"
#include "core/reminderitem.h"
#include "core/windows/alertwindowsetup.h"
#include "fakesmtpserver.h"
#include "mainwindowfixture.h"
#include "platform/gui/soundplayer.h"

namespace {

// The program's outbox with sessions of 3 seconds instead of 30.
class ShortSessionOutbox : public IMailOutbox {
public:
    void Send(std::unique_ptr<TMailer> mail, TMailDoneEvent done) override {
        mail->SMTP.Timeout = 3000;
        inner_->Send(std::move(mail), std::move(done));
    }

private:
    std::shared_ptr<IMailOutbox> inner_ = MakeMailOutbox();
};

class AlertMailTest : public MainWindowFixture {
protected:
    // The account of the options page, on server's port.
    void StoreAccount(int port) {
        TMailer account(SMTPSettingsKey);
        account.SMTP.Host = "127.0.0.1";
        account.SMTP.Port = port;
        account.Message.From = {"Tockwell", "alerts@example.org"};
        account.SaveSettings();
    }
};

} // namespace

TEST_F(AlertMailTest, AMisbehavingServerHoldsNothingUp) {
    struct Case {
        TSmtpMisbehaviour how;
        const char* name;
        const char* error; // a piece of the error box's text
    };
    const Case cases[] = {
        {TSmtpMisbehaviour::StallAfterData, "stall after DATA", "timed out"},
        {TSmtpMisbehaviour::Garbage, "garbage", "timed out"},
        {TSmtpMisbehaviour::CloseMidSession, "close mid-session", "receiving data"},
        {TSmtpMisbehaviour::EndlessReply, "endless reply", "response"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TFakeSmtpServer server(c.how);
        StoreAccount(server.Port());
        TAlertWindowsScope alertWindows([] { return std::make_unique<TSilentPlayer>(); });
        SetSendMailFunc(nullptr); // the real mailer, through the outbox
        SetMailOutbox(std::make_shared<ShortSessionOutbox>());
        boxes->Errors.clear();

        TTockwellDB empty;
        auto form = Open<TfrmMain>(&empty);
        TTockwellItemPtr mail = form->DB().AddNew("Mail me", Now() + OneSecond);
        mail->GetReminder().Action<TAlertActSendEmail>().Enabled = true;
        mail->GetReminder().Action<TAlertActSendEmail>().Emails = "ann@example.org";
        TTockwellItemPtr next = form->DB().AddNew("Next", Now() + 15 * OneSecond);

        // The tick that sends does not wait for the server, and meanwhile the next reminder
        // fires and is saved.
        QElapsedTimer took;
        took.start();
        Tick(*form, 1);
        EXPECT_NE(mail->GetReminder().GetLatestAlertDateTime(), 0);
        Tick(*form, 10);
        EXPECT_NE(next->GetReminder().GetLatestAlertDateTime(), 0);
        EXPECT_EQ(frmRemindersWnd()->RowCount(), 2);
        EXPECT_NE(Saved()->GetItem(1)->GetReminder().GetLatestAlertDateTime(), 0);
        const bool lasting = c.how == TSmtpMisbehaviour::StallAfterData ||
                             c.how == TSmtpMisbehaviour::Garbage; // until the time is up
        if (lasting && took.elapsed() < 2000) {
            EXPECT_TRUE(boxes->Errors.empty());
            EXPECT_EQ(server.ClosedByClient(), 0);
        }
        if (c.how == TSmtpMisbehaviour::StallAfterData) {
            EXPECT_TRUE(WaitFor([&] { return server.Messages() == 1; }, 3000));
        }

        // The failure comes back as one error box.
        ASSERT_TRUE(WaitFor([&] { return !boxes->Errors.empty(); }, 5000));
        Spin(50);
        ASSERT_EQ(boxes->Errors.size(), 1u);
        EXPECT_NE(boxes->Errors[0].find(c.error), std::string::npos) << boxes->Errors[0];
        EXPECT_EQ(server.Connections(), 1);
    }
}

TEST_F(AlertMailTest, ClosingDuringASendDropsItsOutcome) {
    TFakeSmtpServer server(TSmtpMisbehaviour::StallAfterData);
    StoreAccount(server.Port());
    {
        TAlertWindowsScope alertWindows([] { return std::make_unique<TSilentPlayer>(); });
        SetSendMailFunc(nullptr);
        SetMailOutbox(std::make_shared<ShortSessionOutbox>());
        auto form = Open<TfrmMain>();
        TTockwellItemPtr mail = form->DB().AddNew("Mail me", Now() + OneSecond);
        mail->GetReminder().Action<TAlertActSendEmail>().Enabled = true;
        mail->GetReminder().Action<TAlertActSendEmail>().Emails = "ann@example.org";
        Tick(*form, 1);
        ASSERT_TRUE(WaitFor([&] { return server.Messages() == 1; }, 3000));

        QElapsedTimer took;
        took.start();
        form.reset();
        DoneAlertWindows();
        // The end waits for the session, which runs out of its 3 s.
        EXPECT_GT(took.elapsed(), 1500);
        EXPECT_LT(took.elapsed(), 4500);
    }
    // The session ended in its time; no box comes from it.
    EXPECT_TRUE(WaitFor([&] { return server.ClosedByClient() == 1; }, 1000));
    Spin(200);
    EXPECT_TRUE(boxes->Errors.empty());
}

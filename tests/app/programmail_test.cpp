// The program itself while a mail server stalls: it keeps reminding and saving, and quits
// within the mailer's time-out when asked.
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>
#include <string>

#include "apptestutil.h"
#include "core/alertactions.h"
#include "core/mailer.h"
#include "core/mailoutbox.h"
#include "core/reminderitem.h"
#include "core/tockwelldb.h"
#include "core/xmldatafile.h"
#include "fakesmtpserver.h"
#include "platform/fileutils.h"
#include "platform/registrystore.h"
#include "programtestutil.h"
#include "testutil.h"

TEST(ProgramMail, AStalledMailServerHoldsUpNeitherRemindersNorQuitting) {
    if (!FileExists(kProgram))
        GTEST_SKIP() << "needs the program";
    TempRegistry registry;
    TProgramHome h;
    QProcessEnvironment env = h.env;
    env.insert("QT_QPA_PLATFORM", "offscreen");
    TFakeSmtpServer server(TSmtpMisbehaviour::StallAfterData);

    // The program's account points at the server.
    h.WriteMailAccount(server.Port(), registry.Folder());

    // A reminder that mails, due a minute ago, and one without mail, due a little later.
    const std::string fileName = h.dir.File("mail.tock");
    {
        TTockwellDB db;
        auto mail = db.AddNew("Mail me", Now() - 1.0 / 1440);
        mail->GetReminder().Action<TAlertActSendEmail>().Enabled = true;
        mail->GetReminder().Action<TAlertActSendEmail>().Emails = "ann@example.org";
        db.AddNew("Next", Now() + 5 * OneSecond);
        SaveXMLDataFile(db, fileName);
    }

    QProcess first;
    first.setProcessEnvironment(env);
    first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    first.start(QString::fromStdString(kProgram), {QString::fromStdString(fileName)});
    ASSERT_TRUE(first.waitForStarted(10000));

    // The mail goes out and the server stalls after it.
    ASSERT_TRUE(WaitFor([&] { return server.Messages() == 1; }, 20000));
    // Meanwhile the next reminder fires and the file records it.
    EXPECT_TRUE(WaitFor([&] { return !SavedLatestAlert(fileName, 1).empty(); }, 20000))
        << ReadFileBytes(fileName);
    EXPECT_EQ(server.ClosedByClient(), 0); // the session still waits for the server
    EXPECT_EQ(first.state(), QProcess::Running);

    // Asked to quit, it waits for the session no longer than the mailer's time-out.
    QElapsedTimer asked;
    asked.start();
    ASSERT_EQ(AskToQuit(env, 10000), 0);
    QElapsedTimer took;
    took.start();
    ASSERT_TRUE(first.waitForFinished(10000));
    EXPECT_LT(took.elapsed(), 1000);
    EXPECT_LT(asked.elapsed(), MailExitWaitMs + 3000);
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
    // The connection went with the program (the server sees that on its own time).
    EXPECT_TRUE(WaitFor([&] { return server.ClosedByClient() == 1; }, 5000))
        << server.ClosedByClient();
}

// The program itself while a mail server stalls: it keeps reminding and saving, and quits at
// once when asked.
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

#include "apptestutil.h"
#include "core/alertactions.h"
#include "core/mailer.h"
#include "core/reminderitem.h"
#include "core/tockwelldb.h"
#include "core/xmldatafile.h"
#include "fakesmtpserver.h"
#include "platform/fileutils.h"
#include "platform/registrystore.h"
#include "platform/xmldom.h"
#include "testutil.h"

namespace {

// The saved "LatestAlertDateTime" of the n-th reminder of the data file ("" when unknown).
std::string SavedLatestAlert(const std::string& fileName, int n) {
    TXMLDocument doc;
    try {
        doc.LoadFromFile(fileName);
        IXMLNode reminders = doc.DocumentElement().FindChild("Reminders");
        if (!reminders || reminders.ChildCount() <= n)
            return {};
        IXMLNode alerts = reminders.Child(n).FindChild("Alerts");
        return alerts ? alerts.Attribute("LatestAlertDateTime") : std::string();
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace

TEST(ProgramMail, AStalledMailServerHoldsUpNeitherRemindersNorQuitting) {
    const std::string program = std::string(TOCKWELL_BINARY_DIR) + "/app/tockwell";
    if (!FileExists(program))
        GTEST_SKIP() << "needs the program";
    TempRegistry registry;
    TempDir dir;
    const std::string home = dir.File("home"), run = dir.File("run");
    ForceDirectories(home);
    ::mkdir(run.c_str(), 0700);
    TFakeSmtpServer server(TSmtpMisbehaviour::StallAfterData);

    // The program's account points at the server.
    SetRegistryStoreFolder(home + "/.config/Tockwell");
    {
        TMailer account(SMTPSettingsKey);
        account.SMTP.Host = "127.0.0.1";
        account.SMTP.Port = server.Port();
        account.Message.From = {"Tockwell", "alerts@example.org"};
        account.SaveSettings();
    }
    SetRegistryStoreFolder(registry.Folder());

    // A reminder that mails, due a minute ago, and one without mail, due a little later.
    const std::string fileName = dir.File("mail.tock");
    {
        TTockwellDB db;
        auto mail = db.AddNew("Mail me", Now() - 1.0 / 1440);
        mail->GetReminder().Action<TAlertActSendEmail>().Enabled = true;
        mail->GetReminder().Action<TAlertActSendEmail>().Emails = "ann@example.org";
        db.AddNew("Next", Now() + 5 * OneSecond);
        SaveXMLDataFile(db, fileName);
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", QString::fromStdString(home));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(home + "/.config"));
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(run));
    env.remove("DISPLAY");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("LSAN_OPTIONS",
               QString::fromStdString("suppressions=" + SourcePath("tests/app/program.lsan.supp")));

    QProcess first;
    first.setProcessEnvironment(env);
    first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    first.start(QString::fromStdString(program), {QString::fromStdString(fileName)});
    ASSERT_TRUE(first.waitForStarted(10000));

    // The mail goes out and the server stalls after it.
    ASSERT_TRUE(WaitFor([&] { return server.Messages() == 1; }, 20000));
    // Meanwhile the next reminder fires and the file records it.
    EXPECT_TRUE(WaitFor([&] { return !SavedLatestAlert(fileName, 1).empty(); }, 20000))
        << ReadFileBytes(fileName);
    EXPECT_EQ(server.ClosedByClient(), 0); // the session still waits for the server
    EXPECT_EQ(first.state(), QProcess::Running);

    // Asked to quit, it ends at once, without waiting for the server.
    QProcess quit;
    quit.setProcessEnvironment(env);
    quit.start(QString::fromStdString(program), {"--quit"});
    ASSERT_TRUE(quit.waitForFinished(10000));
    EXPECT_EQ(quit.exitCode(), 0);
    QElapsedTimer took;
    took.start();
    ASSERT_TRUE(first.waitForFinished(10000));
    EXPECT_LT(took.elapsed(), 1000);
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
    // The connection went with the program (the server sees that on its own time).
    EXPECT_TRUE(WaitFor([&] { return server.ClosedByClient() == 1; }, 5000))
        << server.ClosedByClient();
}

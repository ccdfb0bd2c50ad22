#pragma once
// Helpers of the tests that start the program itself: where it is, the environment of a home
// of its own, and what its data file records.

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <string>

#include "core/alertwindows.h"
#include "core/mailer.h"
#include "core/tockwelldb.h"
#include "core/xmldatafile.h"
#include "platform/fileutils.h"
#include "platform/registrystore.h"
#include "platform/xmldom.h"
#include "testprogram.h"
#include "testutil.h"

// The program's binary in the build tree.
inline const std::string kProgram = std::string(TOCKWELL_BINARY_DIR) + "/app/tockwell";

// base with HOME at home, every user folder below it (settings under home/.config, state
// under home/.local/state, ...), the runtime folder at run (home and run are created), and the
// program's leak-check suppressions.
inline QProcessEnvironment ProgramEnvironment(QProcessEnvironment base, const std::string& home,
                                              const std::string& run) {
    for (const auto& [name, value] : MakeUserFolders(home, run))
        base.insert(QString::fromStdString(name), QString::fromStdString(value));
    base.insert("LSAN_OPTIONS", QString::fromStdString("suppressions=" +
                                                       SourcePath("tests/app/program.lsan.supp")));
    return base;
}

// Runs "tockwell --quit" in env, which asks the running program to end, and waits up to
// deadlineMs for it to end; its exit code, or -1 when it did not end in time.
inline int AskToQuit(const QProcessEnvironment& env, int deadlineMs) {
    QProcess quit;
    quit.setProcessEnvironment(env);
    quit.start(QString::fromStdString(kProgram), {"--quit"});
    return quit.waitForFinished(deadlineMs) ? quit.exitCode() : -1;
}

// The "Alerts" element of the data file's n-th reminder, or a null node (also when the file
// does not load).
inline IXMLNode ReminderAlerts(TXMLDocument& doc, const std::string& fileName, int n = 0) {
    try {
        doc.LoadFromFile(fileName);
    } catch (const std::exception&) {
        return {};
    }
    IXMLNode reminders = doc.DocumentElement().FindChild("Reminders");
    if (!reminders || reminders.ChildCount() <= n)
        return {};
    return reminders.Child(n).FindChild("Alerts");
}

// The saved "LatestAlertDateTime" of the data file's n-th reminder ("" when unknown).
inline std::string SavedLatestAlert(const std::string& fileName, int n = 0) {
    TXMLDocument doc;
    IXMLNode alerts = ReminderAlerts(doc, fileName, n);
    return alerts ? alerts.Attribute("LatestAlertDateTime") : std::string();
}

// A home of the program's own under a temporary folder, and the environment to start it in
// (the test's platform, no display).
struct TProgramHome {
    TempDir dir;
    std::string home = dir.File("home"), run = dir.File("run");
    std::string settingsFile = home + "/.config/Tockwell/registry";
    std::string dataFile = dir.File("due.tock");
    QProcessEnvironment env =
        ProgramEnvironment(QProcessEnvironment::systemEnvironment(), home, run);

    TProgramHome() { env.remove("DISPLAY"); }
    // A data file with one reminder, due a minute ago, that also shows a desktop alert.
    void WriteDueReminder() const {
        TTockwellDB db;
        db.AddNew("Due now", Now() - 1.0 / 1440)->GetReminder().GetAction(akShowAlertWnd).Enabled =
            true;
        SaveXMLDataFile(db, dataFile);
    }
    // Starts the program in env on the data file, its output passed through (its standard
    // error into errorsFile when given); false when it did not start.
    bool Start(QProcess& program, const QProcessEnvironment& in,
               const std::string& errorsFile = {}) const {
        program.setProcessEnvironment(in);
        if (errorsFile.empty()) {
            program.setProcessChannelMode(QProcess::ForwardedChannels);
        } else {
            program.setProcessChannelMode(QProcess::ForwardedOutputChannel);
            program.setStandardErrorFile(QString::fromStdString(errorsFile));
        }
        program.start(QString::fromStdString(kProgram), {QString::fromStdString(dataFile)});
        return program.waitForStarted(10000);
    }
    bool Start(QProcess& program) const { return Start(program, env); }
    // Points the program's e-mail account at the SMTP server on this machine's port; the
    // settings store is then folder again.
    void WriteMailAccount(int port, const std::string& folder = {}) const {
        SetRegistryStoreFolder(home + "/.config/Tockwell");
        TMailer account(SMTPSettingsKey);
        account.SMTP.Host = "127.0.0.1";
        account.SMTP.Port = port;
        account.Message.From = {"Tockwell", "alerts@example.org"};
        account.SaveSettings();
        SetRegistryStoreFolder(folder);
    }
    // True once the data file records that the reminder fired.
    bool Fired() const { return !SavedLatestAlert(dataFile).empty(); }
    // The data file reads back whole with its one reminder.
    bool DataFileWhole() const {
        try {
            TTockwellDB db;
            LoadXMLDataFile(db, dataFile);
            return db.Count() == 1;
        } catch (const std::exception&) {
            return false;
        }
    }
};

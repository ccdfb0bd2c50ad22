// The program's start-up flags, the program itself started on the test's platform.
#include <QElapsedTimer>
#include <QProcess>
#include <gtest/gtest.h>

#include "app/startup.h"
#include "apptestutil.h"
#include "programtestutil.h"

TEST(ProgramFlags, ExitWhenPaintedEndsOnceTheMainWindowShowsTheDataFile) {
    if (!FileExists(kProgram))
        GTEST_SKIP() << "needs the program";
    TProgramHome h;
    h.WriteDueReminder();
    QProcess program;
    program.setProcessEnvironment(h.env);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QString::fromStdString(kProgram),
                  {"--exit-when-painted", QString::fromStdString(h.dataFile)});
    ASSERT_TRUE(program.waitForStarted(10000));
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    // The data file was read (its name is kept as the last one used) and left whole.
    EXPECT_NE(ReadFileBytes(h.settingsFile).find("due.tock"), std::string::npos);
    EXPECT_TRUE(h.DataFileWhole());
}

TEST(ProgramFlags, AParameterBeginningWithADashIsAKnownSwitchOrRefused) {
    EXPECT_EQ(UnknownSwitch({"--quit", "--exit-when-painted", "-debug", "/debug", "my.tock"}), "");
    EXPECT_EQ(UnknownSwitch({"./-x.tock", "/tmp/--help"}), "");
    EXPECT_EQ(UnknownSwitch({"my.tock", "--frobnicate", "-zz"}), "--frobnicate");
    EXPECT_EQ(UnknownSwitch({"--help"}), "--help");
    EXPECT_EQ(UnknownSwitch({"-"}), "-");
    EXPECT_EQ(UnknownSwitch({"--Quit"}), "--Quit");
    for (const char* known : {"--quit", "--exit-when-painted", "-debug", "/debug"})
        EXPECT_NE(UsageText().find(known), std::string::npos) << known;
    // Qt's own options, with their values, are none of ours.
    std::vector<std::string> argv = {"tockwell",  "-style=fusion", "--platform",
                                     "offscreen", "-reverse",      "a.tock",
                                     "",          "-zz",           "-display"};
    std::vector<char*> args;
    for (std::string& a : argv)
        args.push_back(a.data());
    EXPECT_EQ(ProgramParameters(int(args.size()), args.data()),
              (std::vector<std::string>{"a.tock", "", "-zz"}));
}

// Answered and ended before anything needs a display: there is none.
TEST(ProgramFlags, SwitchesAreAnsweredWithoutADisplay) {
    if (!FileExists(kProgram))
        GTEST_SKIP() << "needs the program";
    TProgramHome h;
    QProcessEnvironment env = h.env;
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    const auto run = [&](const QStringList& params, int code, const std::string& said) {
        QProcess program;
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(QString::fromStdString(kProgram), params);
        EXPECT_TRUE(program.waitForFinished(30000));
        const std::string output = program.readAll().toStdString();
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << output;
        EXPECT_EQ(program.exitCode(), code) << output;
        EXPECT_NE(output.find(said), std::string::npos) << output;
    };
    run({"--help"}, UsageExitCode, "unknown switch \"--help\".\nUsage: tockwell");
    run({"-style", "fusion", "--frobnicate"}, UsageExitCode, "unknown switch \"--frobnicate\"");
    run({"--quit"}, 0, ""); // nothing runs
}

// Neither a first start nor a later one takes the switch for a data file: nothing is stored or
// created, and the running instance is not asked (here: to quit).
TEST(ProgramFlags, AnUnknownSwitchIsRefusedBeforeAnythingElse) {
    if (!FileExists(kProgram))
        GTEST_SKIP() << "needs the program";
    TProgramHome h;
    auto refused = [&](const QStringList& params) {
        const std::string errors = h.dir.File("errors.txt");
        QProcess program;
        program.setProcessEnvironment(h.env);
        program.setWorkingDirectory(QString::fromStdString(h.dir.Path().string()));
        program.setStandardErrorFile(QString::fromStdString(errors));
        program.start(QString::fromStdString(kProgram), params);
        EXPECT_TRUE(program.waitForStarted(10000));
        EXPECT_TRUE(program.waitForFinished(30000));
        EXPECT_EQ(program.exitCode(), UsageExitCode);
        const std::string text = ReadFileBytes(errors);
        EXPECT_NE(text.find("\"" + params.first().toStdString() + "\""), std::string::npos) << text;
        EXPECT_NE(text.find("--exit-when-painted"), std::string::npos) << text;
        EXPECT_FALSE(FileExists(h.dir.File(params.first().toStdString()))) << text;
    };
    refused({"--frobnicate", "-zz", QString::fromStdString(h.dataFile)});
    refused({"--help"});
    EXPECT_FALSE(FileExists(h.settingsFile));
    EXPECT_FALSE(FileExists(h.dataFile));

    h.WriteDueReminder();
    QProcess first;
    ASSERT_TRUE(h.Start(first));
    ASSERT_TRUE(WaitFor([&] { return h.Fired(); }, 30000));
    refused({"--frobnicate", "--quit"});
    EXPECT_FALSE(first.waitForFinished(1000));
    first.terminate();
    ASSERT_TRUE(first.waitForFinished(10000));
}

// The program's start-up flags, the program itself started on the test's platform.
#include <QElapsedTimer>
#include <QProcess>
#include <gtest/gtest.h>

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

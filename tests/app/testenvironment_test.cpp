// Run directly, as a user runs one test, the window test programs keep to a home of their own:
// the program tests save data files, and a save stores settings.
#include <gtest/gtest.h>

#include "testprogram.h"

TEST(TestEnvironment, RunDirectlyTheProgramTestsLeaveTheCallersHomeAlone) {
    const TDirectRun run =
        RunThisTestProgramDirectly("ProgramFlags.AnUnknownSwitchIsRefusedBeforeAnythingElse");
    EXPECT_EQ(run.ExitCode, 0) << run.Output;
    EXPECT_EQ(run.LeftInHome, std::vector<std::string>());
}

// Run directly, as a user runs one test, the sound tests keep the sound back end's caches and
// settings in a home of their own.
#include <gtest/gtest.h>

#include "testprogram.h"

TEST(TestEnvironment, RunDirectlyTheSoundTestsLeaveTheCallersHomeAlone) {
    const TDirectRun run = RunThisTestProgramDirectly("SoundPlayer.PlaysTheDefaultSoundAndStops");
    EXPECT_EQ(run.ExitCode, 0) << run.Output;
    EXPECT_EQ(run.LeftInHome, std::vector<std::string>());
}

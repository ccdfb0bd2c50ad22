// The suite's own environment: however the program is started and whatever folders the
// caller's environment names, the tests run with a home of their own and every user folder
// below it.
#include <cstdlib>
#include <gtest/gtest.h>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "testprogram.h"

TEST(TestEnvironment, UserFoldersLieUnderTheTestsOwnHome) {
    const char* home = std::getenv("HOME");
    ASSERT_TRUE(home && *home == '/');
    if (const passwd* account = ::getpwuid(::getuid()); account && account->pw_dir) {
        EXPECT_NE(std::string(home), account->pw_dir) << "the account's own home";
    }
    for (const TUserFolderVariable& v : kUserFolderVariables) {
        const char* folder = std::getenv(v.Name);
        ASSERT_TRUE(folder) << v.Name;
        EXPECT_TRUE(std::string(folder).starts_with(std::string(home) + "/"))
            << v.Name << "=" << folder;
    }
    const char* run = std::getenv("XDG_RUNTIME_DIR");
    struct stat info {};
    ASSERT_TRUE(run && ::stat(run, &info) == 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(info.st_uid, ::getuid());
}

TEST(TestEnvironment, RunDirectlyTheTestsLeaveTheCallersHomeAlone) {
    const TDirectRun run = RunThisTestProgramDirectly("TestEnvironment.UserFolders*");
    EXPECT_EQ(run.ExitCode, 0) << run.Output;
    EXPECT_EQ(run.LeftInHome, std::vector<std::string>());
}

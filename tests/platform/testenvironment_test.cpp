// The suite's own environment: whatever folders the caller's environment names, the tests run
// with a home of their own and every user folder below it.
#include <cstdlib>
#include <gtest/gtest.h>
#include <pwd.h>
#include <string>
#include <unistd.h>

#include "testutil.h"

TEST(TestEnvironment, UserFoldersLieUnderTheTestsOwnHome) {
    const char* home = std::getenv("HOME");
    ASSERT_TRUE(home && *home == '/');
    if (const passwd* account = ::getpwuid(::getuid()); account && account->pw_dir) {
        EXPECT_NE(std::string(home), account->pw_dir) << "the account's own home";
    }
    for (const TUserFolderVariable& v : kUserFolderVariables) {
        if (const char* folder = std::getenv(v.Name)) {
            EXPECT_TRUE(std::string(folder).starts_with(std::string(home) + "/"))
                << v.Name << "=" << folder;
        }
    }
}

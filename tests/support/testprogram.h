#pragma once
// The entry every test program shares, and the home its tests keep to however it is started:
// through CTest or directly, with the caller's user folders set or not.

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "testutil.h"

// Creates the folder home (with its parents) and the runtime folder run (mode 0700), and gives
// the environment a test, or a program it starts, keeps to there: HOME at home, every user
// folder variable below it (kUserFolderVariables) and XDG_RUNTIME_DIR at run.
std::vector<std::pair<std::string, std::string>> MakeUserFolders(const std::string& home,
                                                                 const std::string& run);

// For its lifetime the process, and every program it starts, has a home of its own in a fresh
// temporary folder: HOME, each user folder and the runtime folder (mode 0700) point into it,
// whatever the caller set. The folder goes with everything in it.
class TTestHome {
public:
    TTestHome();
    TTestHome(const TTestHome&) = delete;
    TTestHome& operator=(const TTestHome&) = delete;
    std::string Home() const { return dir_.File("home"); }

private:
    TempDir dir_;
};

// Reads GoogleTest's flags from argc and argv, then runs the tests in a TTestHome: run() when
// given (it sets up what the tests need, then returns RUN_ALL_TESTS()), otherwise
// RUN_ALL_TESTS(). A run that only lists the tests sets up nothing. The program's exit code.
int RunTestProgram(int& argc, char** argv, const std::function<int()>& run = {});

// Runs this test program as a user runs it directly, on the tests filter names (GoogleTest's
// --gtest_filter): HOME an empty folder of its own and no XDG_* variable set.
struct TDirectRun {
    int ExitCode = -1;
    std::string Output;
    std::vector<std::string> LeftInHome; // what the run left in that HOME, relative to it
};
TDirectRun RunThisTestProgramDirectly(const std::string& filter);

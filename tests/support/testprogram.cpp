#include "testprogram.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

std::vector<std::pair<std::string, std::string>> MakeUserFolders(const std::string& home,
                                                                 const std::string& run) {
    fs::create_directories(home);
    ::mkdir(run.c_str(), 0700);
    std::vector<std::pair<std::string, std::string>> env = {{"HOME", home}};
    for (const TUserFolderVariable& v : kUserFolderVariables)
        env.emplace_back(v.Name, home + v.BelowHome);
    env.emplace_back("XDG_RUNTIME_DIR", run);
    return env;
}

TTestHome::TTestHome() {
    for (const auto& [name, value] : MakeUserFolders(Home(), dir_.File("run")))
        ::setenv(name.c_str(), value.c_str(), 1);
}

int RunTestProgram(int& argc, char** argv, const std::function<int()>& run) {
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) // test discovery runs without the test environment
        return RUN_ALL_TESTS();
    TTestHome home;
    return run ? run() : RUN_ALL_TESTS();
}

TDirectRun RunThisTestProgramDirectly(const std::string& filter) {
    TempDir home;
    std::string command = "env";
    for (char** var = environ; *var; ++var) {
        const std::string entry = *var;
        if (entry.starts_with("XDG_"))
            command += " -u " + ShellQuote(entry.substr(0, entry.find('=')));
    }
    command += " HOME=" + ShellQuote(home.Path().string()) + " " +
               ShellQuote(fs::read_symlink("/proc/self/exe").string()) +
               " --gtest_filter=" + ShellQuote(filter);
    TDirectRun result;
    const TCommandResult ran = RunCommand(command);
    result.ExitCode = ran.ExitCode;
    result.Output = ran.Output;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(home.Path()))
        result.LeftInHome.push_back(e.path().lexically_relative(home.Path()).string());
    return result;
}

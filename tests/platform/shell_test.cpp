#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <sys/stat.h>
#include <thread>

#include "platform/fileutils.h"
#include "platform/shell.h"
#include "testutil.h"

namespace {

bool WaitForFile(const std::string& name) {
    for (int i = 0; i < 500 && !FileExists(name); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return FileExists(name);
}

} // namespace

TEST(Shell, ProgramFolderHoldsTheRunningProgram) {
    std::string exe = ProgramFileName();
    ASSERT_FALSE(exe.empty());
    EXPECT_TRUE(FileExists(exe));
    EXPECT_EQ(ProgramFolder() + ExtractFileName(exe), exe);
    EXPECT_EQ(ProgramFolder().back(), '/');
}

TEST(Shell, DocumentsFolderFollowsUserDirs) {
    TempDir home;
    std::string h = home.Path().string();
    ScopedEnv envHome("HOME", h.c_str());
    ScopedEnv envConfig("XDG_CONFIG_HOME", nullptr);

    EXPECT_EQ(DocumentsFolder(), h + "/Documents"); // no user-dirs.dirs
    ASSERT_TRUE(ForceDirectories(h + "/.config"));
    WriteFileBytes(h + "/.config/user-dirs.dirs", "# written by xdg-user-dirs-update\n"
                                                  "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                                                  "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    EXPECT_EQ(DocumentsFolder(), h + "/Dokumente");

    WriteFileBytes(h + "/.config/user-dirs.dirs",
                   "XDG_DOCUMENTS_DIR=\"$HOME/old\"\n"
                   "  XDG_DOCUMENTS_DIR=\"$HOME/My \\\"Docs\\\"/\"\n");
    EXPECT_EQ(DocumentsFolder(), h + "/My \"Docs\""); // last line counts, escapes removed

    WriteFileBytes(h + "/.config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"/srv/docs\"\n");
    EXPECT_EQ(DocumentsFolder(), "/srv/docs");

    // XDG_CONFIG_HOME moves the file.
    ASSERT_TRUE(ForceDirectories(h + "/cfg"));
    WriteFileBytes(h + "/cfg/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n");
    ScopedEnv envConfig2("XDG_CONFIG_HOME", (h + "/cfg").c_str());
    EXPECT_EQ(DocumentsFolder(), h + "/Papers");

    // A named pipe in its place is not waited on.
    DeleteFile(h + "/cfg/user-dirs.dirs");
    TNamedPipe pipe(h + "/cfg/user-dirs.dirs");
    EXPECT_EQ(DocumentsFolder(), h + "/Documents");
    EXPECT_FALSE(pipe.Released());
}

TEST(Shell, SplitCommandLineQuotesLikeAShell) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitCommandLine("prog a  b\tc"), (V{"prog", "a", "b", "c"}));
    EXPECT_EQ(SplitCommandLine("  "), V{});
    EXPECT_EQ(SplitCommandLine("'/opt/my app/run' \"x y\" z\\ w"),
              (V{"/opt/my app/run", "x y", "z w"}));
    EXPECT_EQ(SplitCommandLine("a'b'\"c\"d ''"), (V{"abcd", ""}));
    EXPECT_EQ(SplitCommandLine("\"a\\\"b\\\\c\\n$HOME\" '$x \\'"), (V{"a\"b\\c\\n$HOME", "$x \\"}));
    EXPECT_EQ(SplitCommandLine("echo *; rm -rf x"), (V{"echo", "*;", "rm", "-rf", "x"}));
    EXPECT_EQ(SplitCommandLine("a 'open"), std::nullopt);
    EXPECT_EQ(SplitCommandLine("a \"open"), std::nullopt);
}

TEST(Shell, StartsProgramsOrReportsWhyNot) {
    TempDir dir;
    std::string marker = dir.File("made by touch");
    EXPECT_TRUE(RunCommandLine("touch '" + marker + "'"));
    EXPECT_TRUE(WaitForFile(marker));

    // Never through a shell: metacharacters are plain arguments.
    std::string semi = dir.File("x;");
    EXPECT_TRUE(RunCommandLine("touch " + semi + " " + dir.File("y")));
    EXPECT_TRUE(WaitForFile(dir.File("y")));
    EXPECT_TRUE(FileExists(semi));

    errno = 0;
    EXPECT_FALSE(RunCommandLine("tockwell-no-such-program --flag"));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(RunCommandLine(dir.File("missing")));
    WriteFileBytes(dir.File("plain"), "not a program");
    chmod(dir.File("plain").c_str(), 0644);
    EXPECT_FALSE(StartProgram({dir.File("plain")}));
    EXPECT_FALSE(RunCommandLine(""));
    EXPECT_FALSE(RunCommandLine("'unterminated"));
    EXPECT_FALSE(StartProgram({}));
    EXPECT_FALSE(ShellOpen(""));
}

TEST(Shell, StateFolderFollowsXdgStateHome) {
    ScopedEnv envHome("HOME", "/home/ann");
    ScopedEnv envState("XDG_STATE_HOME", nullptr);
    EXPECT_EQ(StateFolder(), "/home/ann/.local/state");
    ScopedEnv relative("XDG_STATE_HOME", "state"); // not absolute: ignored
    EXPECT_EQ(StateFolder(), "/home/ann/.local/state");
    ScopedEnv absolute("XDG_STATE_HOME", "/var/lib/ann/");
    EXPECT_EQ(StateFolder(), "/var/lib/ann");
}

TEST(Shell, AnInstalledOpenerReceivesTargetsUntilRemoved) {
    std::vector<std::string> opened;
    TShellOpener previous = SetShellOpener([&](const std::string& target) {
        opened.push_back(target);
        return target != "fail:";
    });
    EXPECT_FALSE(previous);
    EXPECT_TRUE(ShellOpen("https://tockwell.org/"));
    EXPECT_FALSE(ShellOpen("fail:"));
    EXPECT_FALSE(ShellOpen("")); // never handed on
    EXPECT_EQ(opened, (std::vector<std::string>{"https://tockwell.org/", "fail:"}));
    EXPECT_TRUE(SetShellOpener(nullptr));
}

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

#include "core/filehelpers.h"
#include "platform/classes.h"
#include "platform/fileutils.h"
#include "platform/shell.h"
#include "testutil.h"

namespace {

const std::string kOld = "<old>complete old content</old>\n";
const std::string kNew = "<new>complete new content, somewhat longer</new>\n";

std::string Content(const std::string& name) {
    return FileExists(name) ? ReadFileBytes(name) : "-";
}

// A target with an old content (and an older backup) and a new file beside it; the steps
// check before and after each call that the old or the new content is reachable: under the
// target name, or - only while the target is moved aside where links fail - under the backup
// name. One call ("Rename:2" = the second rename) can be made to fail.
struct TReplaceCase {
    TempDir dir;
    std::string target = dir.File("data.tock");
    std::string temp = target + TempFileExt;
    std::string backup = target + BackupFileExt;
    std::string fail;
    std::map<std::string, int> calls;
    bool movedAside = false;

    explicit TReplaceCase(bool withTarget = true) {
        if (withTarget) {
            WriteFileBytes(target, kOld);
            WriteFileBytes(backup, "older backup");
        }
        WriteFileBytes(temp, kNew);
    }

    void CheckInvariant() {
        std::string t = Content(target);
        if (t == kOld || t == kNew)
            return;
        if (t == "-" && movedAside && Content(backup) == kOld)
            return;
        if (t == "-" && !movedAside && Content(backup) != kOld)
            return; // there never was a target (no-target case)
        ADD_FAILURE() << "target holds \"" << t << "\"";
    }

    template <class F> auto Wrap(const std::string& name, F real) {
        return [this, name, real](const auto&... args) {
            // The checks leave errno as the step leaves it: failures report it.
            int err = errno;
            CheckInvariant();
            errno = err;
            bool ok = name + ":" + std::to_string(++calls[name]) != fail && real(args...);
            err = errno;
            if (ok && name == "Rename")
                Renamed(args...);
            CheckInvariant();
            errno = err;
            return ok;
        };
    }
    void Renamed(const std::string& from, const std::string& to) {
        movedAside = from == target || (movedAside && to != target);
    }
    void Renamed(const std::string&) {}

    TSafeReplaceSteps Steps() {
        TSafeReplaceSteps real = TSafeReplaceSteps::System();
        return {Wrap("SyncFile", real.SyncFile), Wrap("HardLink", real.HardLink),
                Wrap("Rename", real.Rename), Wrap("Delete", real.Delete),
                Wrap("SyncFolder", real.SyncFolder)};
    }

    // Runs the replace; gives the message raised, or "" when none.
    std::string Run(bool deleteBackup = false) { return Run(Steps(), deleteBackup); }
    std::string Run(const TSafeReplaceSteps& steps, bool deleteBackup = false) {
        try {
            SafeReplaceFile(temp, target, BackupFileExt, deleteBackup, steps);
        } catch (const Exception& e) {
            return e.Message;
        }
        return {};
    }
};

} // namespace

TEST(SafeReplaceFile, WithoutTargetTheNewFileTakesTheName) {
    TReplaceCase c(false);
    EXPECT_EQ(c.Run(), "");
    EXPECT_EQ(Content(c.target), kNew);
    EXPECT_FALSE(FileExists(c.temp));
    EXPECT_FALSE(FileExists(c.backup)); // no backup is made
}

TEST(SafeReplaceFile, KeepsTheOldTargetAsBackup) {
    TReplaceCase c;
    EXPECT_EQ(c.Run(), "");
    EXPECT_EQ(Content(c.target), kNew);
    EXPECT_EQ(Content(c.backup), kOld); // the older backup was replaced
    EXPECT_FALSE(FileExists(c.temp));
    EXPECT_EQ(c.calls["Rename"], 1); // linked, not moved aside

    TReplaceCase d;
    EXPECT_EQ(d.Run(true), "");
    EXPECT_EQ(Content(d.target), kNew);
    EXPECT_FALSE(FileExists(d.backup));

    // The system steps, and no backup at all for an empty extension.
    TReplaceCase e;
    SafeReplaceFile(e.temp, e.target, "", false);
    EXPECT_EQ(Content(e.target), kNew);
    EXPECT_EQ(Content(e.backup), "older backup");
}

TEST(SafeReplaceFile, AFailingStepLeavesTheOldOrTheNewFile) {
    const std::string wr = "Can not write file : \"", ov = "Can not override file: \"";
    const std::string older = "older backup";
    struct Step {
        const char* fail;
        const std::string* message; // the prefix raised, nullptr for none
        const std::string& target;
        const std::string& backup;
    };
    const Step steps[] = {
        {"SyncFile:1", &wr, kOld, older},    // new file not flushed: nothing touched
        {"Delete:1", nullptr, kNew, kOld},   // old backup stays: moved aside instead
        {"HardLink:1", nullptr, kNew, kOld}, // no links here: moved aside
        {"Rename:1", &ov, kOld, kOld},       // swap fails: target untouched
        {"SyncFolder:1", &wr, kNew, kOld},   // swapped but not flushed: reported
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.fail);
        TReplaceCase c;
        c.fail = s.fail;
        EXPECT_EQ(c.Run(), s.message ? *s.message + c.target + "\"" : "");
        EXPECT_EQ(Content(c.target), s.target);
        EXPECT_EQ(Content(c.backup), s.backup);
    }

    // Links impossible and the swap fails: the target is moved back.
    {
        TReplaceCase e;
        auto steps = e.Steps();
        steps.HardLink = [](const std::string&, const std::string&) { return false; };
        e.fail = "Rename:2";
        EXPECT_EQ(e.Run(steps), ov + e.target + "\"");
        EXPECT_EQ(Content(e.target), kOld);
        EXPECT_EQ(Content(e.temp), kNew);
    }
    // Links impossible and moving aside fails too: replaced without a backup.
    {
        TReplaceCase e;
        auto steps = e.Steps();
        steps.HardLink = [](const std::string&, const std::string&) { return false; };
        e.fail = "Rename:1";
        EXPECT_EQ(e.Run(steps), "");
        EXPECT_EQ(Content(e.target), kNew);
        EXPECT_FALSE(FileExists(e.backup));
    }

    // A flush that fails says why.
    {
        TReplaceCase e;
        auto steps = e.Steps();
        steps.SyncFolder = [](const std::string&) {
            errno = ENOSPC;
            return false;
        };
        EXPECT_EQ(e.Run(steps), wr + e.target + "\". " + std::strerror(ENOSPC));
        TReplaceCase f;
        steps = f.Steps();
        steps.SyncFile = [](const std::string&) {
            errno = EIO;
            return false;
        };
        EXPECT_EQ(f.Run(steps), wr + f.target + "\". " + std::strerror(EIO));
    }

    // No target and the swap fails.
    TReplaceCase n(false);
    n.fail = "Rename:1";
    EXPECT_EQ(n.Run(), wr + n.target + "\"");
    EXPECT_FALSE(FileExists(n.target));
}

TEST(SafeReplaceFile, TheNewFileGetsTheTargetsPermissions) {
    TReplaceCase c;
    chmod(c.target.c_str(), 0600);
    chmod(c.temp.c_str(), 0644);
    EXPECT_EQ(c.Run(), "");
    struct stat st;
    ASSERT_EQ(stat(c.target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST(SafeReplaceFile, RefusesAMissingNewFileOrAFolderTarget) {
    TReplaceCase c;
    DeleteFile(c.temp);
    EXPECT_EQ(c.Run(), "Can not write file : \"" + c.target + "\"");
    EXPECT_EQ(Content(c.target), kOld);
    EXPECT_EQ(Content(c.backup), "older backup"); // nothing was touched

    TReplaceCase d(false);
    ASSERT_TRUE(ForceDirectories(d.target));
    EXPECT_EQ(d.Run(), "Can not override file: \"" + d.target + "\". Is a directory");
    EXPECT_TRUE(DirectoryExists(d.target));

    // A named pipe or a device keeps its name: no backup is linked to it, and nothing is
    // written beside it.
    TempDir dir;
    TNamedPipe pipe(dir.File("pipe.tock"));
    WriteFileBytes(pipe.Path() + TempFileExt, kNew);
    EXPECT_EQ(MessageOf([&] {
                  SafeReplaceFile(pipe.Path() + TempFileExt, pipe.Path(), BackupFileExt, false);
              }),
              "Can not override file: \"" + pipe.Path() + "\". Is a named pipe");
    EXPECT_FALSE(FileExists(pipe.Path() + BackupFileExt));
    DeleteFile(pipe.Path() + TempFileExt);
    EXPECT_EQ(MessageOf([&] { SafeWriteFileBytes(pipe.Path(), "x"); }),
              "Can not override file: \"" + pipe.Path() + "\". Is a named pipe");
    EXPECT_FALSE(FileExists(pipe.Path() + TempFileExt));
    EXPECT_FALSE(pipe.Released());
    EXPECT_EQ(NotRegularFileReason("/dev/null"), "Is a device");
}

TEST(SafeWriteFile, WritesBesideTheTargetAndCleansUpOnFailure) {
    TempDir dir;
    std::string target = dir.File("db.tock");
    WriteFileBytes(target + TempFileExt, "left over from a crash");
    SafeWriteFileBytes(target, kOld);
    EXPECT_EQ(Content(target), kOld);
    EXPECT_FALSE(FileExists(target + TempFileExt));
    SafeWriteFileBytes(target, kNew);
    EXPECT_EQ(Content(target), kNew);
    EXPECT_EQ(Content(target + BackupFileExt), kOld);

    // The writer fails half-way: the target and its backup stay, the partial file goes.
    EXPECT_THROW(SafeWriteFile(target,
                               [](const std::string& temp) {
                                   WriteFileBytes(temp, "partial");
                                   throw EWriteError("disk full");
                               }),
                 EWriteError);
    EXPECT_EQ(Content(target), kNew);
    EXPECT_EQ(Content(target + BackupFileExt), kOld);
    EXPECT_FALSE(FileExists(target + TempFileExt));

    // A writer that names the temporary file: it is what the callback receives.
    std::string seen;
    SafeWriteFile(target, [&](const std::string& temp) {
        seen = temp;
        WriteFileBytes(temp, "x");
    });
    EXPECT_EQ(seen, target + TempFileExt);

    // A missing folder: the stream's own error, nothing created.
    EXPECT_THROW(SafeWriteFileBytes(dir.File("no/such/db.tock"), "x"), EFCreateError);
    EXPECT_FALSE(DirectoryExists(dir.File("no")));
}

TEST(SafeWriteFile, WritesThroughSymbolicLinksAndKeepsThem) {
    TempDir dir;
    ASSERT_TRUE(ForceDirectories(dir.File("synced")));
    const std::string real = dir.File("synced/db.tock"), link = dir.File("db.tock");
    WriteFileBytes(real, kOld);
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);

    SafeWriteFileBytes(link, kNew);
    struct stat st;
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(Content(real), kNew);
    EXPECT_EQ(Content(real + BackupFileExt), kOld); // the backup lies beside the real file
    EXPECT_FALSE(FileExists(link + BackupFileExt));
    EXPECT_FALSE(FileExists(link + TempFileExt));
    EXPECT_FALSE(FileExists(real + TempFileExt));

    // A relative link to a relative link to a file not made yet: the file is created there.
    ASSERT_EQ(::symlink("synced/second.tock", dir.File("first.tock").c_str()), 0);
    ASSERT_EQ(::symlink("new.tock", dir.File("synced/second.tock").c_str()), 0);
    SafeWriteFileBytes(dir.File("first.tock"), kNew);
    EXPECT_EQ(Content(dir.File("synced/new.tock")), kNew);
    ASSERT_EQ(::lstat(dir.File("first.tock").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));

    // A loop is refused with its reason, and nothing is written.
    ASSERT_EQ(::symlink("loop-b", dir.File("loop-a").c_str()), 0);
    ASSERT_EQ(::symlink("loop-a", dir.File("loop-b").c_str()), 0);
    std::string message = MessageOf([&] { SafeWriteFileBytes(dir.File("loop-a"), kNew); });
    EXPECT_NE(message.find("Can not write file : \"" + dir.File("loop-a") + "\""),
              std::string::npos)
        << message;
    EXPECT_NE(message.find(std::strerror(ELOOP)), std::string::npos) << message;
    EXPECT_FALSE(FileExists(dir.File("loop-a") + TempFileExt));
}

TEST(DeleteFileOrRaise, RaisesOnlyForAFileThatStays) {
    TempDir dir;
    EXPECT_NO_THROW(DeleteFileOrRaise(""));
    EXPECT_NO_THROW(DeleteFileOrRaise(dir.File("missing")));
    WriteFileBytes(dir.File("f"), "x");
    DeleteFileOrRaise(dir.File("f"));
    EXPECT_FALSE(FileExists(dir.File("f")));

    // A file that stays whoever asks: even root cannot unlink in /proc.
    try {
        DeleteFileOrRaise("/proc/self/status");
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Can not delete file: /proc/self/status");
    }
}

TEST(FileHelpers, JoinPathPutsOneSeparator) {
    EXPECT_EQ(JoinPath("/data", "/x.tock"), "/data/x.tock");
    EXPECT_EQ(JoinPath("/data/", "x.tock"), "/data/x.tock");
    EXPECT_EQ(JoinPath("/data/", "/x.tock"), "/data/x.tock");
    EXPECT_EQ(JoinPath("", "x"), "x");
    EXPECT_EQ(JoinPath("", "/x"), "/x");
    EXPECT_EQ(JoinPath("/data", ""), "/data");
}

TEST(FileHelpers, VersionIsCutBeforeTheThirdDot) {
    EXPECT_EQ(VersionText("1.0.4.89", false), "1.0.4");
    EXPECT_EQ(VersionText("1.0.4.89", true), "1.0.4.89");
    EXPECT_EQ(VersionText("1, 0, 4, 89", false), "1.0.4");
    EXPECT_EQ(VersionText("1.0", false), "1.0");
    EXPECT_EQ(VersionText("1.0.4", false), "1.0.4");
    EXPECT_EQ(VersionText("", false), "");
    std::string full = GetOwnFileVersion(true);
    EXPECT_NE(full.find('.'), std::string::npos) << full;
    EXPECT_EQ(GetOwnFileVersion(false), VersionText(full, false));
}

TEST(FileHelpers, DocumentsIsTheOnlyKnownShellFolder) {
    EXPECT_EQ(MyDocumentsPath(), DocumentsFolder());
    EXPECT_EQ(SpecialFolderPath(CSIDL_PERSONAL), DocumentsFolder());
    EXPECT_EQ(SpecialFolderPath(0x1A), "");
}

TEST(FileHelpers, OpenWithShellReportsAnEmptyTarget) {
    EXPECT_FALSE(OpenWithShell(""));
}

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/charsets.h"
#include "platform/registrystore.h"
#include "testutil.h"

namespace fs = std::filesystem;

namespace {

std::string AllBytes() {
    std::string s;
    for (int c = 0; c < 256; ++c)
        s += static_cast<char>(c);
    return s;
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

// Runs fn in a child process; gives its exit status (0 when fn returned normally).
template <class Fn> pid_t Spawn(Fn fn) {
    pid_t pid = ::fork();
    if (pid == 0) {
        int rc = 0;
        try {
            fn();
        } catch (...) {
            rc = 3;
        }
        ::_exit(rc);
    }
    return pid;
}

int WaitFor(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(RegistryHive, TextRoundTripKeepsEveryByte) {
    TRegistryHive hive;
    std::string oddKey = std::string("we[ir]d %20 \"key\"\t\x01 \xC3\xA9 \xFF", 24);
    TRegistryKeyData& k = hive.CreateKey("Software\\" + oddKey + "\\Sub");
    k.SetValue("", rdString, "default value");
    k.SetValue("quote\"back\\slash=eq\nnl\r\x7F", rdString, "line1\r\nline2\t\"q\" \\ \x02");
    k.SetValue("utf8", rdString, "Grüße, Привет, 日本");
    k.SetValue("invalid utf8", rdString, std::string("\xC0\xAF\xED\xA0\x80\xF5 \xE2\x82", 10));
    k.SetValue("all bytes", rdBinary, AllBytes());
    k.SetValue("empty bin", rdBinary, "");
    k.SetValue("empty str", rdString, "");
    k.SetValue("min", rdInteger, RegistryIntegerData(INT32_MIN));
    k.SetValue("max", rdInteger, RegistryIntegerData(INT32_MAX));
    hive.CreateKey("").SetValue("at root", rdInteger, RegistryIntegerData(-1));
    hive.CreateKey("Empty\\Leaf");

    std::string text = hive.Serialize();
    EXPECT_TRUE(IsValidUtf8(text));
    for (char c : text) // control bytes other than the line ends are always escaped
        EXPECT_TRUE(static_cast<unsigned char>(c) >= 0x20 || c == '\n') << int(c);

    int bad = -1;
    TRegistryHive back = TRegistryHive::Parse(text, &bad);
    EXPECT_EQ(bad, 0);
    EXPECT_EQ(back.Serialize(), text);
    const TRegistryKeyData* r = back.FindKey("software\\" + oddKey + "\\SUB");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Path, "Software\\" + oddKey + "\\Sub");
    ASSERT_EQ(r->Values.size(), k.Values.size());
    for (size_t i = 0; i < k.Values.size(); ++i) {
        EXPECT_EQ(r->Values[i].Name, k.Values[i].Name);
        EXPECT_EQ(r->Values[i].DataType, k.Values[i].DataType);
        EXPECT_EQ(r->Values[i].Data, k.Values[i].Data) << k.Values[i].Name;
    }
    EXPECT_EQ(RegistryDataInteger(back.FindKey("")->FindValue("AT ROOT")->Data), -1);
    EXPECT_NE(back.FindKey("empty\\leaf"), nullptr);
    EXPECT_NE(back.FindKey("Software"), nullptr); // parents exist
}

TEST(RegistryHive, FileIsReadableText) {
    EXPECT_EQ(RegistryIntegerData(0x01020304), "\x04\x03\x02\x01"); // little-endian
    EXPECT_EQ(RegistryDataInteger("\xFE\xFF\xFF\xFF"), -2);
    TRegistryHive hive;
    TRegistryKeyData& k = hive.CreateKey("Software\\Fernhollow\\Tockwell\\Settings");
    k.SetValue("RunMinimized", rdInteger, RegistryIntegerData(1));
    k.SetValue("LatestDataFile", rdString, "/home/me/Tockwell/TockwellDB.tock");
    k.SetValue("SMTPPwd", rdBinary, "\x0a\x1b\x2c");
    std::string text = hive.Serialize();
    EXPECT_NE(text.find("\n[Software\\Fernhollow\\Tockwell\\Settings]\n"
                        "\"RunMinimized\"=int:1\n"
                        "\"LatestDataFile\"=\"/home/me/Tockwell/TockwellDB.tock\"\n"
                        "\"SMTPPwd\"=hex:0a1b2c\n"),
              std::string::npos)
        << text;
}

TEST(RegistryHive, UnreadableLinesAreSkippedAndCounted) {
    std::string text = "\"before any key\"=int:1\n"
                       "[Good]\r\n"
                       "\"a\"=int:5\r\n"
                       "\"big\"=int:99999999999\n"
                       "\"odd hex\"=hex:abc\n"
                       "\"bad hex\"=hex:zz\n"
                       "\"open=\"text\n"
                       "\"escape\"=\"\\q\"\n"
                       "\"trailing\"=\"x\" junk\n"
                       "no quotes=int:1\n"
                       "  \"indented\"=int:1\n"
                       "[Bad%zz]\n"
                       "\"under bad key\"=int:2\n"
                       "[Open\n"
                       "; comment\n"
                       "# comment\n"
                       "\n"
                       "[Good\\Child]\n"
                       "\"b\"=\"ok\"\n"
                       "\"B\"=\"last wins\"";
    int bad = 0;
    TRegistryHive hive = TRegistryHive::Parse(text, &bad);
    EXPECT_EQ(bad, 12);
    ASSERT_NE(hive.FindKey("good"), nullptr);
    ASSERT_EQ(hive.FindKey("good")->Values.size(), 1u);
    EXPECT_EQ(RegistryDataInteger(hive.FindKey("good")->Values[0].Data), 5);
    const TRegistryKeyData* child = hive.FindKey("Good\\Child");
    ASSERT_NE(child, nullptr);
    ASSERT_EQ(child->Values.size(), 1u);
    EXPECT_EQ(child->Values[0].Name, "b"); // name as first written, data as last written
    EXPECT_EQ(child->Values[0].Data, "last wins");
    EXPECT_EQ(hive.KeyCount(), 3); // root, Good, Good\Child
}

TEST(RegistryHive, KeysAndValuesIgnoreCaseAndDeleteWholeSubtrees) {
    TRegistryHive hive;
    hive.CreateKey("\\Software\\\\Tockwell\\").SetValue("Value", rdInteger, RegistryIntegerData(1));
    hive.CreateKey("SOFTWARE\\TOCKWELL\\Settings");
    hive.CreateKey("Software\\TockwellX");
    hive.CreateKey("Software\\Tockwell X");
    EXPECT_EQ(hive.FindKey("software\\tockwell\\settings")->Path,
              "Software\\Tockwell\\Settings"); // parents keep their first case
    TRegistryKeyData* k = hive.FindKey("SOFTWARE\\tockwell");
    ASSERT_NE(k, nullptr);
    EXPECT_NE(k->FindValue("VALUE"), nullptr);
    EXPECT_FALSE(k->SetValue("vALUE", rdInteger, RegistryIntegerData(1))); // unchanged
    EXPECT_TRUE(k->SetValue("vALUE", rdString, "now a string"));
    EXPECT_EQ(k->Values.size(), 1u);
    EXPECT_EQ(k->Values[0].Name, "Value");
    EXPECT_TRUE(k->DeleteValue("value"));
    EXPECT_FALSE(k->DeleteValue("value"));

    EXPECT_EQ(NormalizeKeyPath("\\A\\\\B\\"), "A\\B");
    EXPECT_EQ(NormalizeKeyPath("\\"), "");
    EXPECT_TRUE(hive.DeleteKey("software\\tockwell"));
    EXPECT_EQ(hive.FindKey("Software\\Tockwell\\Settings"), nullptr);
    EXPECT_NE(hive.FindKey("Software\\TockwellX"), nullptr); // siblings sharing a prefix stay
    EXPECT_NE(hive.FindKey("Software\\Tockwell X"), nullptr);
    EXPECT_FALSE(hive.DeleteKey("Software\\Tockwell"));
    EXPECT_FALSE(hive.DeleteKey("")); // the root stays
    EXPECT_NE(hive.FindKey(""), nullptr);

    // An overlong encoding of '\\' in a name is not a separator, even after case folding.
    hive.CreateKey("a\\b").SetValue("v", rdString, "two keys");
    hive.CreateKey("A\xC1\x9C"
                   "b")
        .SetValue("v", rdString, "one key");
    EXPECT_EQ(hive.FindKey("a\\b")->FindValue("v")->Data, "two keys");
    EXPECT_EQ(hive.FindKey("a\xC1\x9C"
                           "B")
                  ->FindValue("v")
                  ->Data,
              "one key");
}

TEST(RegistryStore, LoadCreatesNothingAndUpdateCreatesPrivateFiles) {
    TempDir dir;
    std::string folder = dir.File("cfg/Tockwell");
    TRegistryStore store(folder);
    EXPECT_EQ(store.Load().KeyCount(), 1);
    EXPECT_FALSE(fs::exists(dir.File("cfg")));

    mode_t old = ::umask(0); // the modes must not depend on the umask
    store.Update([](TRegistryHive& h) {
        h.CreateKey("A").SetValue("v", rdString, "x");
        return true;
    });
    ::umask(old);
    EXPECT_EQ(ModeOf(folder), 0700u);
    EXPECT_EQ(ModeOf(store.FileName()), 0600u);
    EXPECT_EQ(ModeOf(folder + "/registry.lock"), 0600u);
    EXPECT_FALSE(fs::exists(store.FileName() + ".tmp"));

    // A fresh object reading the file sees the value (as after a restart).
    TRegistryStore again(folder);
    EXPECT_EQ(again.Load().FindKey("a")->FindValue("V")->Data, "x");

    // An update that changes nothing leaves the file alone.
    struct stat before {
    }, after{};
    ::stat(store.FileName().c_str(), &before);
    again.Update([](TRegistryHive& h) { return h.CreateKey("A").SetValue("v", rdString, "x"); });
    ::stat(store.FileName().c_str(), &after);
    EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST(RegistryStore, FailedReplaceLeavesTheOldFile) {
    TempDir dir;
    TRegistryStore store(dir.File("Tockwell"));
    store.Update([](TRegistryHive& h) {
        h.CreateKey("K").SetValue("v", rdString, "old");
        return true;
    });
    std::string oldText = ReadFileBytes(store.FileName());

    // A failure after the temporary file is written and before it replaces the store.
    store.BeforeReplace = [] { throw ERegistryException("simulated crash"); };
    EXPECT_THROW(store.Update([](TRegistryHive& h) {
        h.CreateKey("K").SetValue("v", rdString, "new");
        return true;
    }),
                 ERegistryException);
    EXPECT_EQ(ReadFileBytes(store.FileName()), oldText);
    EXPECT_FALSE(fs::exists(store.FileName() + ".tmp"));

    // A change that raises writes nothing either.
    store.BeforeReplace = nullptr;
    EXPECT_THROW(store.Update([](TRegistryHive& h) -> bool {
        h.CreateKey("K").SetValue("v", rdString, "half done");
        throw Exception("change failed");
    }),
                 Exception);
    EXPECT_EQ(ReadFileBytes(store.FileName()), oldText);

    // A temporary file left by a process that died before renaming is ignored by readers and
    // replaced by the next writer.
    WriteFileBytes(store.FileName() + ".tmp", "[K]\n\"v\"=\"from a crashed writer\n");
    EXPECT_EQ(store.Load().FindKey("K")->FindValue("v")->Data, "old");
    store.Update([](TRegistryHive& h) { return h.CreateKey("K").SetValue("v", rdString, "new"); });
    EXPECT_EQ(TRegistryStore(dir.File("Tockwell")).Load().FindKey("K")->FindValue("v")->Data,
              "new");
    EXPECT_FALSE(fs::exists(store.FileName() + ".tmp"));
}

TEST(RegistryStore, WriterKilledAtAnyMomentLeavesAWholeFile) {
    TempDir dir;
    std::string folder = dir.File("Tockwell");
    TRegistryStore store(folder);
    std::mt19937 rng(12345);
    for (int round = 0; round < 15; ++round) {
        pid_t pid = Spawn([&] {
            TRegistryStore s(folder);
            for (int i = 0;; ++i)
                s.Update([&](TRegistryHive& h) {
                    TRegistryKeyData& k = h.CreateKey("Crash");
                    k.SetValue("a", rdInteger, RegistryIntegerData(i));
                    k.SetValue("b", rdString, std::to_string(i) + std::string(i % 500, 'x'));
                    return true;
                });
        });
        ::usleep(std::uniform_int_distribution<int>(500, 20000)(rng));
        ::kill(pid, SIGKILL);
        WaitFor(pid);
        if (!fs::exists(store.FileName()))
            continue;
        int bad = -1;
        TRegistryHive h = TRegistryHive::Parse(ReadFileBytes(store.FileName()), &bad);
        EXPECT_EQ(bad, 0);
        const TRegistryKeyData* k = h.FindKey("Crash");
        ASSERT_NE(k, nullptr);
        int a = RegistryDataInteger(k->FindValue("a")->Data);
        EXPECT_EQ(k->FindValue("b")->Data, std::to_string(a) + std::string(a % 500, 'x'));
    }
}

TEST(RegistryStore, ConcurrentWritersLoseNothing) {
    TempDir dir;
    std::string folder = dir.File("Tockwell");
    auto writer = [&](const std::string& prefix) {
        return Spawn([&, prefix] {
            TRegistryStore s(folder);
            for (int i = 0; i < 60; ++i)
                s.Update([&](TRegistryHive& h) {
                    return h.CreateKey("Shared\\" + prefix)
                        .SetValue(prefix + std::to_string(i), rdInteger, RegistryIntegerData(i));
                });
        });
    };
    pid_t a = writer("A"), b = writer("B"), c = writer("C");
    EXPECT_EQ(WaitFor(a), 0);
    EXPECT_EQ(WaitFor(b), 0);
    EXPECT_EQ(WaitFor(c), 0);
    TRegistryHive h = TRegistryStore(folder).Load();
    for (const char* p : {"A", "B", "C"}) {
        const TRegistryKeyData* k = h.FindKey(std::string("shared\\") + p);
        ASSERT_NE(k, nullptr);
        EXPECT_EQ(k->Values.size(), 60u) << p;
    }
}

TEST(RegistryStore, DamagedOrUnreadableFiles) {
    TempDir dir;
    TRegistryStore store(dir.File("Tockwell"));
    fs::create_directories(store.Folder());
    std::string damaged = "[K]\n\"kept\"=int:7\nthis line is damaged\n";
    WriteFileBytes(store.FileName(), damaged);
    EXPECT_EQ(store.Load().FindKey("K")->Values.size(), 1u);
    store.Update([](TRegistryHive& h) { return h.CreateKey("K").SetValue("new", rdString, ""); });
    EXPECT_EQ(ReadFileBytes(store.Folder() + "/registry.bad"), damaged); // nothing lost
    EXPECT_EQ(store.Load().FindKey("K")->Values.size(), 2u);

    // A store file that cannot be read is never overwritten.
    TRegistryStore other(dir.File("Other"));
    fs::create_directories(other.FileName()); // a folder where the file should be
    EXPECT_EQ(other.Load().KeyCount(), 1);
    EXPECT_THROW(other.Update([](TRegistryHive& h) {
        h.CreateKey("K");
        return true;
    }),
                 ERegistryException);
    EXPECT_TRUE(fs::is_directory(other.FileName()));
}

// A damaged line costs only itself; every damaged file is set aside, beside the earlier ones.
TEST(RegistryStore, ReadingGoesOnAfterABadLineAndEarlierBadCopiesStay) {
    TempDir dir;
    TRegistryStore store(dir.File("Tockwell"));
    fs::create_directories(store.Folder());
    const std::string first =
        "[Alert]\n\"Note\"=\"unterminated\n\"TranspDesktopAlertLeft\"=int:40\n"
        "\"Open\"=\"\\x4\n\"TranspDesktopAlertTop\"=int:50\n";
    WriteFileBytes(store.FileName(), first);
    auto values = [&] {
        const TRegistryHive hive = store.Load();
        const TRegistryKeyData* k = hive.FindKey("Alert");
        return k ? k->Values.size() : 0u;
    };
    ASSERT_EQ(values(), 2u);
    const TRegistryHive loaded = store.Load();
    EXPECT_EQ(RegistryDataInteger(loaded.FindKey("Alert")->Values[1].Data), 50);
    std::vector<std::string> damaged{first};
    for (int n = 1; n <= 11; ++n) {
        store.Update([n](TRegistryHive& h) {
            return h.CreateKey("Alert").SetValue("v" + std::to_string(n), rdString, "");
        });
        ASSERT_EQ(values(), 2u + n);
        damaged.push_back(ReadFileBytes(store.FileName()) + "damage " + std::to_string(n) + "\n");
        WriteFileBytes(store.FileName(), damaged.back());
    }
    const std::string bad = store.Folder() + "/registry.bad";
    EXPECT_EQ(ReadFileBytes(bad), first);
    for (int n = 1; n <= 8; ++n)
        EXPECT_EQ(ReadFileBytes(bad + "." + std::to_string(n)), damaged[n]) << n;
    EXPECT_EQ(ReadFileBytes(bad + ".9"), damaged[10]); // the last one free is reused
    EXPECT_FALSE(fs::exists(bad + ".10"));
}

// The fuzz target's check over its seed corpus: what a seed reads writes a text that reads
// back whole and unchanged.
TEST(RegistryHive, EverySeedOfTheFuzzCorpusWritesAStableText) {
    int seeds = 0;
    for (const auto& entry :
         fs::directory_iterator(SourcePath("tests/fuzz/corpus/fuzz_registry_text"))) {
        const std::string text =
            TRegistryHive::Parse(ReadFileBytes(entry.path().string())).Serialize();
        int bad = -1;
        EXPECT_EQ(TRegistryHive::Parse(text, &bad).Serialize(), text) << entry.path();
        EXPECT_EQ(bad, 0) << entry.path();
        ++seeds;
    }
    EXPECT_GE(seeds, 3);
}

TEST(RegistryStore, WritesThroughASymbolicLink) {
    TempDir dir;
    TRegistryStore store(dir.File("Tockwell"));
    fs::create_directories(store.Folder());
    fs::create_directories(dir.File("dotfiles"));
    WriteFileBytes(dir.File("dotfiles/registry"), "[K]\n");
    fs::create_symlink(dir.File("dotfiles/registry"), store.FileName());
    store.Update([](TRegistryHive& h) { return h.CreateKey("K").SetValue("v", rdString, "x"); });
    EXPECT_TRUE(fs::is_symlink(store.FileName()));
    EXPECT_NE(ReadFileBytes(dir.File("dotfiles/registry")).find("\"v\"=\"x\""), std::string::npos);
    EXPECT_FALSE(fs::exists(dir.File("dotfiles/registry.tmp")));

    // A relative link to a file not made yet: the file is made there, the link stays.
    TRegistryStore fresh(dir.File("Fresh"));
    fs::create_directories(fresh.Folder());
    fs::create_symlink("../dotfiles/fresh", fresh.FileName());
    fresh.Update([](TRegistryHive& h) { return h.CreateKey("K").SetValue("v", rdString, "y"); });
    EXPECT_TRUE(fs::is_symlink(fresh.FileName()));
    EXPECT_NE(ReadFileBytes(dir.File("dotfiles/fresh")).find("\"v\"=\"y\""), std::string::npos);
    EXPECT_EQ(fresh.CheckReadable(), "");

    // A link loop can be neither read nor written, and says so.
    TRegistryStore loop(dir.File("Loop"));
    fs::create_directories(loop.Folder());
    fs::create_symlink("registry", loop.FileName());
    EXPECT_NE(loop.CheckReadable().find(std::strerror(ELOOP)), std::string::npos);
    EXPECT_THROW(loop.Update([](TRegistryHive& h) {
        h.CreateKey("K");
        return true;
    }),
                 ERegistryException);
    EXPECT_TRUE(fs::is_symlink(loop.FileName()));
}

TEST(RegistryStore, AFailedFlushFailsTheWrite) {
    TempDir dir;
    TRegistryStore store(dir.File("Tockwell"));
    store.Update([](TRegistryHive& h) { return h.CreateKey("K").SetValue("v", rdString, "old"); });
    const std::string oldText = ReadFileBytes(store.FileName());
    auto change = [](TRegistryHive& h) { return h.CreateKey("K").SetValue("v", rdString, "new"); };

    // The new file's data cannot be flushed: it never replaces the old one.
    store.Steps.SyncFile = [](int) {
        errno = EIO;
        return false;
    };
    std::string message = MessageOf<ERegistryException>([&] { store.Update(change); });
    EXPECT_NE(message.find(std::strerror(EIO)), std::string::npos) << message;
    EXPECT_EQ(ReadFileBytes(store.FileName()), oldText);
    EXPECT_FALSE(fs::exists(store.FileName() + ".tmp"));

    // The folder cannot be flushed after the rename: the write is not reported as done.
    store.Steps = TRegistryStoreSteps::System();
    store.Steps.SyncFolder = [](const std::string&) {
        errno = EIO;
        return false;
    };
    EXPECT_THROW(store.Update(change), ERegistryException);

    store.Steps = TRegistryStoreSteps::System();
    EXPECT_NO_THROW(store.Update(
        [](TRegistryHive& h) { return h.CreateKey("K").SetValue("v", rdString, "last"); }));
}

TEST(RegistryStore, CheckReadableNamesTheFileAndTheReason) {
    TempDir dir;
    TRegistryStore store(dir.File("Tockwell"));
    EXPECT_EQ(store.CheckReadable(), ""); // missing is fine
    fs::create_directories(store.FileName());
    EXPECT_EQ(store.CheckReadable(), "Cannot read the settings file \"" + store.FileName() +
                                         "\": " + std::strerror(EISDIR));

    // A named pipe in its place is refused, never waited on, and never written over.
    fs::remove(store.FileName());
    TNamedPipe pipe(store.FileName());
    EXPECT_EQ(store.CheckReadable(),
              "Cannot read the settings file \"" + store.FileName() + "\": Is a named pipe");
    EXPECT_EQ(store.Load().KeyCount(), 1);
    EXPECT_THROW(
        store.Update([](TRegistryHive& h) { return h.CreateKey("K").SetValue("v", rdString, ""); }),
        ERegistryException);
    EXPECT_FALSE(pipe.Released());
}

TEST(RegistryStore, FolderComesFromTheOverrideThenXdgThenHome) {
    ScopedEnv xdg("XDG_CONFIG_HOME", "/tmp/xdg"), home("HOME", "/home/someone");
    SetRegistryStoreFolder({});
    EXPECT_EQ(RegistryStoreFolder(), "/tmp/xdg/Tockwell");
    ::setenv("XDG_CONFIG_HOME", "relative/path", 1); // not absolute: ignored
    EXPECT_EQ(RegistryStoreFolder(), "/home/someone/.config/Tockwell");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(RegistryStoreFolder(), "/home/someone/.config/Tockwell");
    SetRegistryStoreFolder("/tmp/override");
    EXPECT_EQ(RegistryStoreFolder(), "/tmp/override");
    SetRegistryStoreFolder({});
}

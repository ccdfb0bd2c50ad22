#include <cerrno>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/classes.h"
#include "testutil.h"

TEST(MemoryStream, WritesReadsAndSeeks) {
    TMemoryStream m;
    m.WriteValue<int32_t>(0x01020304);
    m.WriteBuffer("abc", 3);
    EXPECT_EQ(m.Size(), 7);
    EXPECT_EQ(m.AsString().substr(0, 4), std::string("\x04\x03\x02\x01", 4)); // little-endian
    m.SetPosition(0);
    EXPECT_EQ(m.ReadValue<int32_t>(), 0x01020304);
    EXPECT_EQ(m.Remaining(), 3);
    char buf[8];
    EXPECT_THROW(m.ReadBuffer(buf, 4), EReadError); // short read raises
    m.SetPosition(10);                              // past the end: reads nothing
    EXPECT_EQ(m.Read(buf, 1), 0);
    EXPECT_EQ(m.Remaining(), 0);
    EXPECT_THROW(m.Seek(-1, TSeekOrigin::soBeginning), EStreamError);
}

TEST(MemoryStream, WritesOverwriteInsideAndExtendPastTheEnd) {
    TMemoryStream m;
    m.WriteBuffer("abcdef", 6);
    m.SetPosition(4);
    m.WriteBuffer("XYZ", 3); // two bytes overwritten, one appended
    EXPECT_EQ(m.AsString(), "abcdXYZ");
    m.SetPosition(1);
    m.WriteBuffer("-", 1);
    EXPECT_EQ(m.AsString(), "a-cdXYZ");
    m.SetPosition(9); // past the end: the gap reads as zeros
    m.WriteBuffer("!", 1);
    EXPECT_EQ(m.AsString(), std::string("a-cdXYZ\0\0!", 10));
    EXPECT_EQ(m.Position(), 10);
    m.Reserve(1000); // room only: size and data stay
    EXPECT_EQ(m.AsString(), std::string("a-cdXYZ\0\0!", 10));
}

TEST(FileStream, RoundTripAndOpenFailures) {
    TempDir dir;
    {
        TFileStream f(dir.File("a.bin"), fmCreate);
        f.WriteBuffer("hello", 5);
    }
    TMemoryStream m;
    m.LoadFromFile(dir.File("a.bin"));
    EXPECT_EQ(m.AsString(), "hello");
    EXPECT_THROW(TFileStream(dir.File("missing"), fmOpenRead), EFOpenError);
    EXPECT_THROW(TFileStream(dir.File("no/such/dir/x"), fmCreate), EFCreateError);
    EXPECT_THROW(TFileStream(dir.Path().string(), fmOpenRead), EFOpenError);
}

TEST(StringList, TextSplitsEveryLineBreakAndJoinsWithCrLf) {
    TStringList l;
    l.SetText("a\r\nb\nc\rd\r\n");
    ASSERT_EQ(l.Count(), 4);
    EXPECT_EQ(l[3], "d");
    EXPECT_EQ(l.Text(), "a\r\nb\r\nc\r\nd\r\n");
    EXPECT_EQ(l.IndexOf("B"), 1);
    l.CaseSensitive = true;
    EXPECT_EQ(l.IndexOf("B"), -1);
    l.SetText("");
    EXPECT_EQ(l.Count(), 0);
    EXPECT_EQ(l.Text(), "");
}

TEST(FileStream, WriteErrorsCarryTheSystemsReason) {
    // A full disk.
    TFileStream full("/dev/full", fmOpenWrite);
    const char data[100] = {};
    EXPECT_EQ(MessageOf<EWriteError>([&] { full.WriteBuffer(data, sizeof data); }),
              std::string("Stream write error: ") + std::strerror(ENOSPC));

    // Past the file-size limit, with the limit's signal ignored (as the program does): the
    // write fails with its reason instead of the signal ending the process.
    TempDir dir;
    const std::string fileName = dir.File("big");
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::string message;
        try {
            TFileStream f(fileName, fmCreate);
            std::string big(4000, 'x');
            f.WriteBuffer(big.data(), static_cast<int64_t>(big.size()));
        } catch (const EWriteError& e) {
            message = e.Message;
        }
        ::_exit(message == std::string("Stream write error: ") + std::strerror(EFBIG) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(FileStream, OnlyARegularFileOpensAndNothingWaitsOnAPipeOrDevice) {
    TempDir dir;
    TNamedPipe pipe(dir.File("pipe"));
    const auto opening = [](const std::string& name, unsigned mode) {
        try {
            TFileStream f(name, mode);
            return std::string();
        } catch (const EFOpenError& e) {
            return e.Message;
        } catch (const EFCreateError& e) {
            return e.Message;
        }
    };
    const std::string quoted = "\"" + pipe.Path() + "\". Is a named pipe";
    EXPECT_EQ(opening(pipe.Path(), fmOpenRead), "Cannot open file " + quoted);
    EXPECT_EQ(opening(pipe.Path(), fmOpenWrite), "Cannot open file " + quoted);
    EXPECT_EQ(opening(pipe.Path(), fmOpenReadWrite), "Cannot open file " + quoted);
    EXPECT_EQ(opening(pipe.Path(), fmCreate), "Cannot create file " + quoted);
    EXPECT_FALSE(pipe.Released());
    EXPECT_EQ(opening("/dev/null", fmOpenRead), "Cannot open file \"/dev/null\". Is a device");
    EXPECT_EQ(opening(dir.Path().string(), fmOpenRead),
              "Cannot open file \"" + dir.Path().string() + "\". Is a directory");
    // Written to only, a device is what the caller asked for (the full disk above).
    EXPECT_EQ(opening("/dev/null", fmOpenWrite), "");
}

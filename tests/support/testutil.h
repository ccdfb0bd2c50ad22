#pragma once
// Helpers shared by the tests: temporary folders, a fixed clock, paths of test data, dates,
// raised messages, parsed XML elements, and waiting on other threads.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/datetime.h"
#include "platform/sysutils.h"
#include "platform/xmldom.h"

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Points the settings store (the registry stand-in) at a private folder for its lifetime.
class TempRegistry {
public:
    TempRegistry();
    ~TempRegistry();
    TempRegistry(const TempRegistry&) = delete;
    TempRegistry& operator=(const TempRegistry&) = delete;
    // The store's folder (not created until the first write) and its file.
    std::string Folder() const;
    std::string FileName() const;

private:
    TempDir dir_;
};

// Fixes Now() for its lifetime; Set() moves it.
class FixedClock {
public:
    explicit FixedClock(TDateTime now);
    ~FixedClock();
    FixedClock(const FixedClock&) = delete;
    FixedClock& operator=(const FixedClock&) = delete;
    void Set(TDateTime now) { now_ = now; }
    void Advance(TDateTime span) { now_ += span; }
    TDateTime Get() const { return now_; }

private:
    TDateTime now_;
};

// Absolute path of a file in the source tree, e.g. SourcePath("tests/core/data/x.xml").
std::string SourcePath(const std::string& relative);

// Sets (or unsets, for nullptr) an environment variable for its lifetime.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_, old_;
    bool hadOld_;
};

// The variables naming a user's folders besides HOME, each with its folder below a home. A
// test, and any program it starts, keeps every one of them under a home of its own.
struct TUserFolderVariable {
    const char* Name;
    const char* BelowHome;
};
inline constexpr TUserFolderVariable kUserFolderVariables[] = {
    {"XDG_CONFIG_HOME", "/.config"},     {"XDG_STATE_HOME", "/.local/state"},
    {"XDG_DATA_HOME", "/.local/share"},  {"XDG_CACHE_HOME", "/.cache"},
    {"XDG_DOCUMENTS_DIR", "/Documents"},
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

// A local date-time without milliseconds.
inline TDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return EncodeDateTime(y, mo, d, h, mi, s, 0);
}

// Equal to the millisecond, as the date routines decode.
#define EXPECT_TIME(actual, expected)                                                              \
    EXPECT_EQ(MilliSecondsBetween((actual), (expected)), 0) << (actual) << " vs " << (expected)

// The message of the E that f raises; "(nothing raised)" when it raises nothing.
template <class E = Exception, class F> std::string MessageOf(F f) {
    try {
        f();
    } catch (const E& e) {
        return e.Message;
    }
    return "(nothing raised)";
}

// Parses xml and hands its document element to f.
template <class F> void WithElement(const std::string& xml, F f) {
    TXMLDocument doc;
    doc.LoadFromText(xml);
    f(doc.DocumentElement());
}

// Seconds of the steady clock since start.
inline double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Sleeps in steps of 5 ms until done() holds or ms milliseconds have passed; returns done().
// For work on other threads: no event loop runs meanwhile.
template <class Pred> bool WaitUntil(Pred done, int ms) {
    const auto start = std::chrono::steady_clock::now();
    while (!done() && SecondsSince(start) * 1000 < ms)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return done();
}

// Exit code and standard output (with standard error) of a shell command.
struct TCommandResult {
    int ExitCode = -1;
    std::string Output;
};
TCommandResult RunCommand(const std::string& command);
// True when the program is on the PATH.
bool HaveTool(const std::string& program);
// Single-quoted for the shell.
std::string ShellQuote(const std::string& s);

// A named pipe at path for the object's lifetime. Should anything still wait on opening it
// after waitMs, the pipe is opened from this side for a moment, which lets it go (a reader
// then reads nothing), and Released() tells so: a test of code that must not wait on it
// fails instead of hanging.
class TNamedPipe {
public:
    explicit TNamedPipe(std::string path, int waitMs = 10000);
    ~TNamedPipe();
    TNamedPipe(const TNamedPipe&) = delete;
    TNamedPipe& operator=(const TNamedPipe&) = delete;
    const std::string& Path() const { return path_; }
    bool Released() const { return released_; }

private:
    std::string path_;
    std::atomic<bool> released_{false};
    std::mutex mutex_;
    std::condition_variable stop_;
    bool stopping_ = false;
    std::thread thread_;
};

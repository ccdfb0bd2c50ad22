#include "testutil.h"

#include "platform/registrystore.h"

#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::random_device rd;
    fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path p = base / ("tockwell-test-" + std::to_string(rd()));
        if (fs::create_directory(p)) {
            path_ = p;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ec;
    // Make read-only folders made by tests removable again.
    for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::end(it);
         it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

TempRegistry::TempRegistry() {
    SetRegistryStoreFolder(Folder());
}

TempRegistry::~TempRegistry() {
    SetRegistryStoreFolder({});
}

std::string TempRegistry::Folder() const {
    return dir_.File("config/Tockwell");
}

std::string TempRegistry::FileName() const {
    return TRegistryStore(Folder()).FileName();
}

FixedClock::FixedClock(TDateTime now) : now_(now) {
    SetClock([this] { return now_; });
}

FixedClock::~FixedClock() {
    SetClock({});
}

std::string SourcePath(const std::string& relative) {
    return (fs::path(TOCKWELL_SOURCE_DIR) / relative).string();
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
    const char* old = std::getenv(name);
    hadOld_ = old != nullptr;
    if (old)
        old_ = old;
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
    if (hadOld_)
        setenv(name_.c_str(), old_.c_str(), 1);
    else
        unsetenv(name_.c_str());
}

TCommandResult RunCommand(const std::string& command) {
    TCommandResult r;
    std::string full = command + " 2>&1";
    FILE* pipe = ::popen(full.c_str(), "r");
    if (!pipe)
        return r;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0)
        r.Output.append(buf.data(), n);
    int status = ::pclose(pipe);
    r.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

bool HaveTool(const std::string& program) {
    return RunCommand("command -v " + ShellQuote(program) + " >/dev/null").ExitCode == 0;
}

std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

TNamedPipe::TNamedPipe(std::string path, int waitMs) : path_(std::move(path)) {
    if (::mkfifo(path_.c_str(), 0600) != 0)
        throw std::runtime_error("cannot make the named pipe " + path_);
    thread_ = std::thread([this, waitMs] {
        std::unique_lock lock(mutex_);
        if (stop_.wait_for(lock, std::chrono::milliseconds(waitMs), [this] { return stopping_; }))
            return;
        // A writer let go writes into a pipe whose reader is gone: an error, not the signal.
        std::signal(SIGPIPE, SIG_IGN);
        while (!stopping_) {
            const int fd = ::open(path_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
            released_ = true;
            stop_.wait_for(lock, std::chrono::milliseconds(200), [this] { return stopping_; });
            char buf[4096];
            while (fd >= 0 && ::read(fd, buf, sizeof buf) > 0) {
            }
            if (fd >= 0)
                ::close(fd);
        }
    });
}

TNamedPipe::~TNamedPipe() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    stop_.notify_all();
    thread_.join();
    ::unlink(path_.c_str());
}

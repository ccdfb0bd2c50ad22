#include "platform/shell.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <pwd.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

#include "platform/fileutils.h"

extern char** environ;

std::string ProgramFileName() {
    std::string buf(256, '\0');
    for (;;) {
        ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0)
            return {};
        if (static_cast<size_t>(n) < buf.size()) {
            buf.resize(static_cast<size_t>(n));
            return buf;
        }
        if (buf.size() > 65536)
            return {};
        buf.resize(buf.size() * 2);
    }
}

std::string ProgramFolder() {
    return ExtractFilePath(ProgramFileName());
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    std::vector<char> buf(16384);
    struct passwd pw, *found = nullptr;
    if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found &&
        found->pw_dir && *found->pw_dir)
        return found->pw_dir;
    return {};
}

namespace {

// The value of one "XDG_..._DIR=" line of user-dirs.dirs: a quoted, backslash-escaped path,
// either absolute or "$HOME/..." (relative paths are taken from the home folder).
std::string UserDirValue(std::string_view value, const std::string& home) {
    std::string raw(value);
    while (!raw.empty() && (raw.back() == ' ' || raw.back() == '\t' || raw.back() == '\r'))
        raw.pop_back();
    if (raw.size() >= 2 && raw.front() == '"' && raw.back() == '"')
        raw = raw.substr(1, raw.size() - 2);
    std::string path;
    size_t i = 0;
    if (raw.starts_with("$HOME") && (raw.size() == 5 || raw[5] == '/')) {
        path = home;
        i = 5;
    } else if (!raw.empty() && raw.front() != '/') {
        path = IncludeTrailingPathDelimiter(home);
    }
    for (; i < raw.size(); ++i) {
        if (raw[i] == '\\' && i + 1 < raw.size())
            ++i;
        path += raw[i];
    }
    return path;
}

} // namespace

std::string DocumentsFolder() {
    std::string home = HomeFolder();
    if (home.empty())
        return {};
    std::string config;
    if (const char* c = std::getenv("XDG_CONFIG_HOME"); c && *c == '/')
        config = c;
    else
        config = IncludeTrailingPathDelimiter(home) + ".config";

    std::string found, text, reason;
    ReadRegularFile(IncludeTrailingPathDelimiter(config) + "user-dirs.dirs", text, reason);
    std::istringstream in(text);
    static constexpr std::string_view key = "XDG_DOCUMENTS_DIR=";
    for (std::string line; std::getline(in, line);) {
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#')
            continue;
        std::string_view l = std::string_view(line).substr(start);
        if (l.starts_with(key)) {
            std::string value = UserDirValue(l.substr(key.size()), home);
            if (!value.empty())
                found = value; // the last assignment counts, as in the shell
        }
    }
    if (!found.empty())
        return ExcludeTrailingPathDelimiter(found);
    return IncludeTrailingPathDelimiter(home) + "Documents";
}

std::string StateFolder() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/')
        return ExcludeTrailingPathDelimiter(state);
    std::string home = HomeFolder();
    if (home.empty())
        return {};
    return IncludeTrailingPathDelimiter(home) + ".local/state";
}

std::optional<std::vector<std::string>> SplitCommandLine(std::string_view s) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            if (inWord)
                words.push_back(std::move(word));
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '\\') {
            if (++i < s.size() && s[i] != '\n')
                word += s[i];
        } else if (c == '\'') {
            size_t end = s.find('\'', i + 1);
            if (end == std::string_view::npos)
                return std::nullopt;
            word.append(s.substr(i + 1, end - i - 1));
            i = end;
        } else if (c == '"') {
            for (++i;; ++i) {
                if (i >= s.size())
                    return std::nullopt;
                if (s[i] == '"')
                    break;
                if (s[i] == '\\' && i + 1 < s.size() &&
                    std::string_view("\"\\$`\n").find(s[i + 1]) != std::string_view::npos) {
                    if (s[++i] != '\n')
                        word += s[i];
                } else {
                    word += s[i];
                }
            }
        } else {
            word += c;
        }
    }
    if (inWord)
        words.push_back(std::move(word));
    return words;
}

bool StartProgram(const std::vector<std::string>& argv) {
    if (argv.empty() || argv[0].empty()) {
        errno = ENOENT;
        return false;
    }
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    // The child starts with no blocked and no ignored signals, in a session of its own, and
    // with none of our open files beyond the standard three.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr,
                             POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#endif
    pid_t pid = 0;
    int rc = ::posix_spawnp(&pid, args[0], &actions, &attr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) {
        errno = rc;
        return false;
    }
    std::thread([pid] {
        int status;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

bool RunCommandLine(std::string_view commandLine) {
    auto argv = SplitCommandLine(commandLine);
    if (!argv || argv->empty()) {
        errno = EINVAL;
        return false;
    }
    return StartProgram(*argv);
}

namespace {

TShellOpener& ShellOpener() {
    static TShellOpener opener;
    return opener;
}

} // namespace

TShellOpener SetShellOpener(TShellOpener opener) {
    return std::exchange(ShellOpener(), std::move(opener));
}

bool ShellOpen(const std::string& target) {
    if (target.empty()) {
        errno = EINVAL;
        return false;
    }
    if (const TShellOpener& opener = ShellOpener())
        return opener(target);
    return StartProgram({"xdg-open", target});
}

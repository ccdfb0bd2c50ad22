#include "platform/fileutils.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

bool StatMode(const std::string& name, mode_t& mode) {
    struct stat st;
    if (name.empty() || ::stat(name.c_str(), &st) != 0)
        return false;
    mode = st.st_mode;
    return true;
}

bool SyncPath(const std::string& name, int flags, bool folder) {
    if (name.empty())
        return false;
    int fd;
    do
        fd = ::open(name.c_str(), flags | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return false;
    int rc = ::fsync(fd);
    int err = errno;
    ::close(fd);
    // Some file systems cannot flush a folder; that is no failure of ours.
    return rc == 0 || (folder && (err == EINVAL || err == ENOTSUP || err == EROFS));
}

} // namespace

bool FileExists(const std::string& fileName) {
    mode_t m;
    return StatMode(fileName, m) && !S_ISDIR(m);
}

bool DirectoryExists(const std::string& dir) {
    mode_t m;
    return StatMode(dir, m) && S_ISDIR(m);
}

bool ForceDirectories(const std::string& dir) {
    if (dir.empty())
        return false;
    std::string path = ExcludeTrailingPathDelimiter(dir);
    if (DirectoryExists(path))
        return true;
    std::string parent = ExtractFileDir(path);
    if (!parent.empty() && parent != path && !ForceDirectories(parent))
        return false;
    if (::mkdir(path.c_str(), 0777) == 0)
        return true;
    return errno == EEXIST && DirectoryExists(path);
}

bool CanForceDirectories(const std::string& dir) {
    std::string path = ExcludeTrailingPathDelimiter(dir);
    if (path.empty())
        return false;
    for (bool missing = false;; missing = true) {
        struct stat st;
        if (::stat(path.c_str(), &st) == 0)
            return S_ISDIR(st.st_mode) && (!missing || ::access(path.c_str(), W_OK | X_OK) == 0);
        // Only a missing name can be made; a file in the path (ENOTDIR) or a folder that
        // cannot be searched stops it.
        if (errno != ENOENT)
            return false;
        std::string parent = ExtractFileDir(path);
        if (parent.empty() || parent == path)
            return false;
        path = parent;
    }
}

bool DeleteFile(const std::string& fileName) {
    return !fileName.empty() && ::unlink(fileName.c_str()) == 0;
}

bool RenameFile(const std::string& oldName, const std::string& newName) {
    return !oldName.empty() && !newName.empty() && ::rename(oldName.c_str(), newName.c_str()) == 0;
}

std::string ExtractFilePath(std::string_view fileName) {
    size_t slash = fileName.rfind('/');
    return slash == std::string_view::npos ? std::string()
                                           : std::string(fileName.substr(0, slash + 1));
}

std::string ExtractFileDir(std::string_view fileName) {
    size_t slash = fileName.rfind('/');
    if (slash == std::string_view::npos)
        return {};
    return std::string(fileName.substr(0, slash == 0 ? 1 : slash));
}

std::string ExtractFileName(std::string_view fileName) {
    size_t slash = fileName.rfind('/');
    return std::string(slash == std::string_view::npos ? fileName : fileName.substr(slash + 1));
}

std::string ExtractFileExt(std::string_view fileName) {
    size_t dot = fileName.rfind('.');
    size_t slash = fileName.rfind('/');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return {};
    return std::string(fileName.substr(dot));
}

std::string ChangeFileExt(std::string_view fileName, std::string_view extension) {
    std::string ext = ExtractFileExt(fileName);
    std::string s(fileName.substr(0, fileName.size() - ext.size()));
    s += extension;
    return s;
}

std::string IncludeTrailingPathDelimiter(std::string_view path) {
    std::string s(path);
    if (!s.empty() && s.back() != '/')
        s += '/';
    return s;
}

std::string ExcludeTrailingPathDelimiter(std::string_view path) {
    std::string s(path);
    if (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

std::string GetCurrentDir() {
    std::vector<char> buf(4096);
    while (::getcwd(buf.data(), buf.size()) == nullptr) {
        if (errno != ERANGE || buf.size() > (1u << 20))
            return {};
        buf.resize(buf.size() * 2);
    }
    return buf.data();
}

std::string ExpandFileName(std::string_view fileName) {
    if (fileName.empty())
        return {};
    std::string full;
    if (fileName.front() != '/') {
        full = GetCurrentDir();
        if (full.empty())
            return std::string(fileName);
        full += '/';
    }
    full += fileName;

    std::vector<std::string_view> parts;
    std::string_view rest = full;
    while (!rest.empty()) {
        size_t slash = rest.find('/');
        std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string out;
    for (std::string_view p : parts) {
        out += '/';
        out += p;
    }
    bool trailing = fileName.ends_with('/') || fileName.ends_with("/.") ||
                    fileName.ends_with("/..") || fileName == "." || fileName == "..";
    if (out.empty() || trailing)
        out += '/';
    return out;
}

std::string ResolveFileLinks(const std::string& fileName) {
    std::string name = fileName;
    for (int hops = 0; hops <= 40; ++hops) {
        struct stat st;
        if (name.empty() || ::lstat(name.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return name;
        char buf[PATH_MAX];
        ssize_t n = ::readlink(name.c_str(), buf, sizeof buf);
        if (n <= 0 || static_cast<size_t>(n) >= sizeof buf) {
            if (n >= 0)
                errno = n == 0 ? ENOENT : ENAMETOOLONG;
            return {};
        }
        std::string target(buf, static_cast<size_t>(n));
        name = target.front() == '/' ? target : ExtractFilePath(name) + target;
    }
    errno = ELOOP;
    return {};
}

std::string NotRegularFileReason(unsigned mode) {
    const auto m = static_cast<mode_t>(mode);
    if (S_ISREG(m))
        return {};
    if (S_ISDIR(m))
        return std::strerror(EISDIR);
    if (S_ISFIFO(m))
        return "Is a named pipe";
    if (S_ISCHR(m) || S_ISBLK(m))
        return "Is a device";
    if (S_ISSOCK(m))
        return "Is a socket";
    return "Is no regular file";
}

std::string NotRegularFileReason(const std::string& fileName) {
    mode_t m;
    return StatMode(fileName, m) ? NotRegularFileReason(m) : std::string();
}

int OpenRegularFile(const std::string& fileName, int flags, unsigned mode, std::string& reason) {
    // A character device written to only (/dev/null, /dev/full) cannot hold anything up.
    const auto refused = [&](mode_t m) {
        if (S_ISREG(m) || ((flags & O_ACCMODE) == O_WRONLY && S_ISCHR(m)))
            return false;
        reason = NotRegularFileReason(m);
        errno = S_ISDIR(m) ? EISDIR : EINVAL;
        return true;
    };
    reason.clear();
    // Looked at before it is opened: opening a named pipe waits for its other end, and a
    // device may act on being opened.
    mode_t m;
    if (StatMode(fileName, m) && refused(m))
        return -1;
    int fd;
    do
        fd = ::open(fileName.c_str(), flags | O_CLOEXEC | O_NONBLOCK, static_cast<mode_t>(mode));
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        reason = std::strerror(errno);
        return -1;
    }
    // Another file may have taken the name meanwhile.
    struct stat st;
    if (::fstat(fd, &st) != 0 || refused(st.st_mode)) {
        const int err = errno;
        if (reason.empty())
            reason = std::strerror(err);
        ::close(fd);
        errno = err;
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool ReadRegularFile(const std::string& fileName, std::string& out, std::string& reason) {
    out.clear();
    const int fd = OpenRegularFile(fileName, O_RDONLY, 0, reason);
    if (fd < 0)
        return false;
    char buf[65536];
    int err = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0)
            out.append(buf, static_cast<size_t>(n));
        else if (n == 0)
            break;
        else if (errno != EINTR) {
            err = errno;
            break;
        }
    }
    ::close(fd);
    if (err) {
        reason = std::strerror(err);
        errno = err;
    }
    return err == 0;
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

int WriteNewFile(const std::string& fileName, std::string_view data, unsigned mode,
                 const std::function<bool(int fd)>& sync) {
    ::unlink(fileName.c_str()); // a leftover of an interrupted write, or a planted link
    int fd = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                    static_cast<mode_t>(mode));
    if (fd < 0)
        return errno;
    errno = 0;
    bool ok =
        ::fchmod(fd, static_cast<mode_t>(mode)) == 0 && WriteAll(fd, data) && (!sync || sync(fd));
    int err = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok)
        return 0;
    ::unlink(fileName.c_str());
    return err ? err : EIO;
}

bool SyncFile(const std::string& fileName) {
    return SyncPath(fileName, O_RDONLY, false);
}

bool SyncFolder(const std::string& dir) {
    return SyncPath(dir.empty() ? std::string(".") : dir, O_RDONLY | O_DIRECTORY, true);
}

#include "zip/zipfileutils.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/fileutils.h"
#include "zip/wildcard.h"
#include "zip/ziperrors.h"
#include "zip/ziprecords.h"

namespace fs = std::filesystem;

namespace {

bool HasWriteAccess(unsigned mode) {
    return mode == fmCreate || (mode & 3) != fmOpenRead;
}

void CheckArchiveSize(int64_t size) {
    if (size >= MaxZipArchiveSize)
        throw EZipError("Archives of 4 GiB or more are not supported");
}

// Opens a fresh temporary file beside fileName; returns its descriptor and name.
int CreateTempBeside(const std::string& fileName, std::string& tempName) {
    std::string base = fileName + ".~" + std::to_string(::getpid()) + "-";
    for (int n = 0; n < 1000; ++n) {
        tempName = base + std::to_string(n) + ".tmp";
        int fd = ::open(tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0)
            return fd;
        if (errno != EEXIST)
            break;
    }
    throw EFCreateError("Cannot create file \"" + tempName + "\". " + std::strerror(errno));
}

} // namespace

// ---- TLFNFileStream -------------------------------------------------------------------

TLFNFileStream::TLFNFileStream(std::string fileName, unsigned mode)
    : fileName_(std::move(fileName)), mode_(mode), writable_(HasWriteAccess(mode)) {
    if (mode == fmCreate)
        return;
    TFileStream file(fileName_, fmOpenRead);
    Load(file);
}

TLFNFileStream::TLFNFileStream(TStream& image, bool read) : writable_(!read), image_(&image) {
    mode_ = read ? fmOpenRead : fmCreate;
    if (!read)
        return;
    image.SetPosition(0);
    Load(image);
}

void TLFNFileStream::Load(TStream& source) {
    int64_t size = source.Size();
    CheckArchiveSize(size);
    SetSize(size);
    source.ReadBuffer(Memory(), size);
    SetPosition(0);
}

void TLFNFileStream::Commit() {
    if (!writable_)
        return;
    if (image_) {
        image_->SetSize(0);
        image_->SetPosition(0);
        image_->WriteBuffer(Memory(), Size());
        return;
    }
    ReplaceFileContent(fileName_, Memory(), static_cast<size_t>(Size()));
}

std::string ZipCreateTempBeside(const std::string& fileName) {
    std::string temp;
    ::close(CreateTempBeside(fileName, temp));
    return temp;
}

void ReplaceFileContent(const std::string& fileName, const uint8_t* data, size_t size) {
    std::string temp;
    int fd = CreateTempBeside(fileName, temp);
    auto fail = [&](const char* what) {
        std::string reason = std::strerror(errno);
        ::close(fd);
        ::unlink(temp.c_str());
        throw EWriteError(std::string(what) + " \"" + fileName + "\". " + reason);
    };
    struct stat st;
    if (::stat(fileName.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        ::fchmod(fd, st.st_mode & 07777);
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            fail("Cannot write file");
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0)
        fail("Cannot flush file");
    if (::close(fd) != 0) {
        std::string reason = std::strerror(errno);
        ::unlink(temp.c_str());
        throw EWriteError("Cannot write file \"" + fileName + "\". " + reason);
    }
    if (::rename(temp.c_str(), fileName.c_str()) != 0) {
        int err = errno;
        ::unlink(temp.c_str());
        throw EOSError("Cannot replace file \"" + fileName + "\". " + std::strerror(err), err);
    }
}

// ---- Directory walk -------------------------------------------------------------------

TSearchData::TSearchData(std::string directory, std::string mask)
    : directory_(IncludeTrailingPathDelimiter(directory)), mask_(std::move(mask)) {
    std::error_code ec;
    fs::directory_iterator it(directory_.empty() ? "." : directory_, ec);
    if (ec) {
        failed_ = true;
        return;
    }
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            break;
        TEntry e;
        e.Name = it->path().filename().string();
        std::error_code sec;
        fs::file_status own = it->symlink_status(sec);
        fs::file_status target = it->status(sec);
        if (fs::is_directory(own)) {
            e.IsDirectory = true;
        } else if (fs::is_regular_file(target)) {
            e.Size = static_cast<int64_t>(it->file_size(sec));
        } else {
            continue; // links to folders, devices, pipes, sockets, broken links
        }
        entries_.push_back(std::move(e));
    }
    std::sort(entries_.begin(), entries_.end(),
              [](const TEntry& a, const TEntry& b) { return a.Name < b.Name; });
}

const TSearchData::TEntry* TSearchData::Current() const {
    return index_ < entries_.size() ? &entries_[index_] : nullptr;
}

TDirSearch::TDirSearch(const std::string& directory, bool recurse, const std::string& mask)
    : mask_(mask), recurse_(recurse) {
    levels_.push_back(std::make_unique<TSearchData>(directory, mask));
}

std::optional<TFoundFile> TDirSearch::Next() {
    while (!levels_.empty()) {
        TSearchData& level = *levels_.back();
        const TSearchData::TEntry* e = level.Current();
        if (!e) {
            levels_.pop_back();
            if (!levels_.empty())
                levels_.back()->FindNext();
            continue;
        }
        if (e->IsDirectory && recurse_ && e->Name[0] != '.') {
            // The folder's own level comes first; this one moves on when that one is used up.
            levels_.push_back(std::make_unique<TSearchData>(level.Directory() + e->Name, mask_));
            continue;
        }
        level.FindNext(); // e stays valid: the level's entries do not change
        if (e->IsDirectory)
            continue;
        std::string test = e->Name;
        if (test.find('.') == std::string::npos)
            test += '.';
        if (MatchesMask(mask_, test))
            return TFoundFile{e->Name, level.Directory() + e->Name, e->Size};
    }
    return std::nullopt;
}

// ---- Helpers --------------------------------------------------------------------------

int ZipPercentage(int64_t done, int64_t total) {
    if (total < 1)
        return 0;
    double p = std::round(double(done) * 100.0 / double(total));
    return p > 100 ? 100 : p < 0 ? 0 : static_cast<int>(p);
}

void ZipForceDirectories(const std::string& dir) {
    if (dir.empty())
        return;
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec || !fs::is_directory(dir, ec))
        throw EFCreateError("Cannot create folder \"" + dir + "\". " +
                            (ec ? ec.message() : std::string("Not a folder")));
}

bool ZipFileExists(const std::string& fileName) {
    std::error_code ec;
    return !fileName.empty() && fs::is_regular_file(fileName, ec);
}

std::string ZipCurrentDir() {
    std::error_code ec;
    fs::path p = fs::current_path(ec);
    return ec ? std::string("./") : IncludeTrailingPathDelimiter(p.string());
}

namespace {

// The name under which folder lists the entry that folder/name reaches (folder "" is the
// current one): name itself when listed so, else the listed entry that is the same file (a
// file system that ignores case finds "readme" as "README"); name when the folder cannot be
// read. Nothing when folder/name does not exist.
std::optional<std::string> ListedName(const std::string& folder, const std::string& name) {
    const std::string dir = folder.empty() ? "." : folder;
    struct stat target {};
    if (::lstat((IncludeTrailingPathDelimiter(dir) + name).c_str(), &target) != 0)
        return std::nullopt;
    std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(dir.c_str()), ::closedir);
    if (!listing)
        return name; // found but not listable: as given
    while (const dirent* e = ::readdir(listing.get()))
        if (name == e->d_name)
            return name;
    ::rewinddir(listing.get());
    while (const dirent* e = ::readdir(listing.get())) {
        struct stat st {};
        if (::fstatat(::dirfd(listing.get()), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            st.st_dev == target.st_dev && st.st_ino == target.st_ino)
            return std::string(e->d_name);
    }
    return name;
}

} // namespace

std::string ZipShortOrLongPath(const std::string& path, bool shortNames) {
    (void)shortNames; // one name per entry here: the short names are the long ones
    std::string result;
    bool found = true; // every component so far was found
    size_t start = 0;
    for (;;) {
        const size_t end = path.find('/', start);
        const std::string part = path.substr(start, end == std::string::npos ? end : end - start);
        if (found && !part.empty() && part != "." && part != "..") {
            // The folder as given so far: the listed spellings reach the same entries.
            std::optional<std::string> listed = ListedName(path.substr(0, start), part);
            found = listed.has_value();
            result += listed ? *listed : part;
        } else {
            result += part;
        }
        if (end == std::string::npos)
            return result;
        result += '/';
        start = end + 1;
    }
}

#include "platform/classes.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/fileutils.h"

int64_t TStream::Size() {
    int64_t pos = Position();
    int64_t size = Seek(0, TSeekOrigin::soEnd);
    SetPosition(pos);
    return size;
}

int64_t TStream::Remaining() {
    int64_t r = Size() - Position();
    return r > 0 ? r : 0;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
    if (count < 0 || (count > 0 && Read(buffer, count) != count))
        throw EReadError("Stream read error");
}

namespace {

// "Stream write error", followed by the system's reason when errno holds one.
[[noreturn]] void RaiseWriteError(int err) {
    if (err == 0)
        throw EWriteError("Stream write error");
    throw EWriteError(std::string("Stream write error: ") + std::strerror(err));
}

} // namespace

void TStream::WriteBuffer(const void* buffer, int64_t count) {
    if (count < 0)
        RaiseWriteError(0);
    errno = 0;
    if (count > 0 && Write(buffer, count) != count)
        RaiseWriteError(errno);
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    char buf[65536];
    int64_t left = count;
    while (left > 0) {
        int64_t n = std::min<int64_t>(left, sizeof buf);
        source.ReadBuffer(buf, n);
        WriteBuffer(buf, n);
        left -= n;
    }
    return count;
}

TMemoryStream::TMemoryStream(std::string_view bytes) : data_(bytes.begin(), bytes.end()) {}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
    if (count <= 0 || pos_ >= Size())
        return 0;
    int64_t n = std::min(count, Size() - pos_);
    std::memcpy(buffer, data_.data() + pos_, static_cast<size_t>(n));
    pos_ += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
    if (count <= 0)
        return 0;
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    const auto at = static_cast<size_t>(pos_), n = static_cast<size_t>(count);
    if (at > data_.size())
        data_.resize(at); // the gap after a seek past the end reads as zeros
    // What lies within the data is overwritten; the rest is appended, written once.
    const size_t inside = std::min(n, data_.size() - at);
    if (inside > 0) // an empty vector's data() may be null
        std::memcpy(data_.data() + at, bytes, inside);
    data_.insert(data_.end(), bytes + inside, bytes + n);
    pos_ += count;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    int64_t base = origin == TSeekOrigin::soBeginning ? 0
                   : origin == TSeekOrigin::soCurrent ? pos_
                                                      : Size();
    if (base + offset < 0)
        throw EStreamError("Stream seek error");
    pos_ = base + offset;
    return pos_;
}

void TMemoryStream::SetSize(int64_t size) {
    if (size < 0)
        throw EStreamError("Stream size error");
    data_.resize(static_cast<size_t>(size));
    if (pos_ > size)
        pos_ = size;
}

void TMemoryStream::Clear() {
    data_.clear();
    pos_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
    TFileStream f(fileName, fmOpenRead);
    LoadFromStream(f);
}

void TMemoryStream::SaveToFile(const std::string& fileName) const {
    TFileStream f(fileName, fmCreate);
    f.WriteBuffer(data_.data(), static_cast<int64_t>(data_.size()));
}

void TMemoryStream::LoadFromStream(TStream& source) {
    source.SetPosition(0);
    int64_t size = source.Size();
    std::vector<uint8_t> data(static_cast<size_t>(size));
    source.ReadBuffer(data.data(), size);
    data_ = std::move(data);
    pos_ = 0;
}

TFileStream::TFileStream(const std::string& fileName, unsigned mode) : fileName_(fileName) {
    int flags = 0;
    if (mode == fmCreate)
        flags = O_RDWR | O_CREAT | O_TRUNC;
    else if ((mode & 3) == fmOpenWrite)
        flags = O_WRONLY;
    else if ((mode & 3) == fmOpenReadWrite)
        flags = O_RDWR;
    else
        flags = O_RDONLY;
    std::string reason;
    fd_ = OpenRegularFile(fileName, flags, 0666, reason);
    if (fd_ < 0) {
        if (mode == fmCreate)
            throw EFCreateError("Cannot create file \"" + fileName + "\". " + reason);
        throw EFOpenError("Cannot open file \"" + fileName + "\". " + reason);
    }
}

TFileStream::~TFileStream() {
    if (fd_ >= 0)
        ::close(fd_);
}

namespace {

// Repeats a read or write of count bytes (step(done) moves the next part) until all moved,
// a step moves nothing or fails; an interrupted step is tried again. Returns the bytes moved.
template <class F> int64_t Repeat(int64_t count, F step) {
    int64_t done = 0;
    while (done < count) {
        ssize_t n = step(done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

} // namespace

int64_t TFileStream::Read(void* buffer, int64_t count) {
    auto* p = static_cast<char*>(buffer);
    return Repeat(count, [&](int64_t done) {
        return ::read(fd_, p + done, static_cast<size_t>(count - done));
    });
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
    auto* p = static_cast<const char*>(buffer);
    return Repeat(count, [&](int64_t done) {
        return ::write(fd_, p + done, static_cast<size_t>(count - done));
    });
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
    int whence = origin == TSeekOrigin::soBeginning ? SEEK_SET
                 : origin == TSeekOrigin::soCurrent ? SEEK_CUR
                                                    : SEEK_END;
    off_t r = ::lseek(fd_, offset, whence);
    if (r < 0)
        throw EStreamError("Stream seek error");
    return r;
}

void TFileStream::SetSize(int64_t size) {
    if (::ftruncate(fd_, size) != 0)
        RaiseWriteError(errno);
}

void TFileStream::Sync() {
    if (::fsync(fd_) != 0)
        throw EWriteError("Cannot flush file \"" + fileName_ + "\". " + std::strerror(errno));
}

TStringList::TStringList(std::initializer_list<std::string> items) {
    for (const auto& s : items)
        Add(s);
}

int TStringList::Add(std::string text) {
    return AddObject(std::move(text), {});
}

int TStringList::AddObject(std::string text, std::any object) {
    items_.push_back({std::move(text), std::move(object)});
    return Count() - 1;
}

void TStringList::Insert(int index, std::string text) {
    items_.insert(items_.begin() + index, Item{std::move(text), {}});
}

void TStringList::Delete(int index) {
    items_.erase(items_.begin() + index);
}

void TStringList::Exchange(int a, int b) {
    std::swap(items_.at(a), items_.at(b));
}

int TStringList::IndexOf(std::string_view text) const {
    for (int i = 0; i < Count(); ++i)
        if (CaseSensitive ? items_[i].text == text : SameText(items_[i].text, text))
            return i;
    return -1;
}

std::string TStringList::Text() const {
    std::string out;
    for (const auto& it : items_) {
        out += it.text;
        out += "\r\n";
    }
    return out;
}

void TStringList::SetText(std::string_view text) {
    items_.clear();
    size_t i = 0;
    while (i < text.size()) {
        size_t e = text.find_first_of("\r\n", i);
        if (e == std::string_view::npos) {
            Add(std::string(text.substr(i)));
            break;
        }
        Add(std::string(text.substr(i, e - i)));
        i = e + 1;
        if (text[e] == '\r' && i < text.size() && text[i] == '\n')
            ++i;
    }
}

std::string TStringList::Join(std::string_view sep) const {
    std::string out;
    for (size_t i = 0; i < items_.size(); ++i) {
        if (i)
            out += sep;
        out += items_[i].text;
    }
    return out;
}

#include "platform/registrystore.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "platform/charsets.h"
#include "platform/fileutils.h"
#include "platform/shell.h"

namespace {

// ---- escaping ----

// The case-folded form names are compared by. Only valid UTF-8 is mapped, so that no byte
// sequence can fold into a path separator.
std::string Fold(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (size_t i = 0; i < name.size();) {
        char c = name[i];
        size_t n = static_cast<unsigned char>(c) < 0x80 ? 0 : Utf8SequenceAt(name, i);
        if (n == 0) {
            out += c >= 'A' && c <= 'Z' ? char(c + 32) : c;
            ++i;
        } else {
            out += Utf8LowerCase(name.substr(i, n));
            i += n;
        }
    }
    return out;
}

// Appends the byte as two lower-case hex digits.
void AppendHex(std::string& out, unsigned char c) {
    static constexpr char digits[] = "0123456789abcdef";
    out += digits[c >> 4];
    out += digits[c & 15];
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Appends the byte that the two hex digits after s[i] give and moves i to the second digit;
// false when they are not two hex digits.
bool AppendHexByte(std::string_view s, size_t& i, std::string& out) {
    int h = i + 2 < s.size() ? HexDigit(s[i + 1]) : -1;
    int l = h >= 0 ? HexDigit(s[i + 2]) : -1;
    if (l < 0)
        return false;
    out += char(h * 16 + l);
    i += 2;
    return true;
}

// Appends s with every control byte, DEL, byte outside valid UTF-8 and byte in `extra` escaped:
// by named(c) when that gives a text, else by `escape` and two hex digits.
void AppendEscaped(std::string& out, std::string_view s, const char* escape, std::string_view extra,
                   const char* (*named)(unsigned char)) {
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c >= 0x80) {
            if (size_t n = Utf8SequenceAt(s, i)) {
                out.append(s.substr(i, n));
                i += n;
                continue;
            }
        } else if (c >= 0x20 && c != 0x7F && extra.find(char(c)) == std::string_view::npos) {
            out += char(c);
            ++i;
            continue;
        }
        if (const char* e = named(c)) {
            out += e;
        } else {
            out += escape;
            AppendHex(out, c);
        }
        ++i;
    }
}

const char* QuoteEscape(unsigned char c) {
    switch (c) {
    case '\\':
        return "\\\\";
    case '"':
        return "\\\"";
    case '\n':
        return "\\n";
    case '\r':
        return "\\r";
    case '\t':
        return "\\t";
    default:
        return nullptr;
    }
}

const char* NoNamedEscape(unsigned char) {
    return nullptr;
}

std::string Quote(std::string_view s) {
    std::string out = "\"";
    AppendEscaped(out, s, "\\x", "\\\"", QuoteEscape);
    return out + "\"";
}

std::string EscapeKeyPath(std::string_view path) {
    std::string out;
    AppendEscaped(out, path, "%", "%[]", NoNamedEscape);
    return out;
}

// Reads a quoted text starting at s[i] (the opening quote); i ends after the closing quote.
bool Unquote(std::string_view s, size_t& i, std::string& out) {
    if (i >= s.size() || s[i] != '"')
        return false;
    out.clear();
    for (++i; i < s.size(); ++i) {
        char c = s[i];
        if (c == '"') {
            ++i;
            return true;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= s.size())
            return false;
        switch (s[i]) {
        case '\\':
        case '"':
            out += s[i];
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'x':
            if (!AppendHexByte(s, i, out))
                return false;
            break;
        default:
            return false;
        }
    }
    return false;
}

bool UnescapeKeyPath(std::string_view s, std::string& out) {
    out.clear();
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out += s[i];
            continue;
        }
        if (!AppendHexByte(s, i, out))
            return false;
    }
    return true;
}

// Reads the part after "name"= of a value line.
bool ParseValueData(std::string_view s, TRegDataType& type, std::string& data) {
    if (!s.empty() && s[0] == '"') {
        size_t i = 0;
        type = rdString;
        return Unquote(s, i, data) && i == s.size();
    }
    if (s.starts_with("int:")) {
        s.remove_prefix(4);
        int32_t v = 0;
        auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
        if (s.empty() || ec != std::errc() || p != s.data() + s.size())
            return false;
        type = rdInteger;
        data = RegistryIntegerData(v);
        return true;
    }
    if (s.starts_with("hex:")) {
        s.remove_prefix(4);
        if (s.size() % 2)
            return false;
        data.clear();
        for (size_t i = 0; i < s.size(); i += 2) {
            int h = HexDigit(s[i]), l = HexDigit(s[i + 1]);
            if (h < 0 || l < 0)
                return false;
            data += char(h * 16 + l);
        }
        type = rdBinary;
        return true;
    }
    return false;
}

// ---- files ----

[[noreturn]] void RaiseFileError(const std::string& what, const std::string& file,
                                 const std::string& reason) {
    throw ERegistryException("Cannot " + what + " the settings file \"" + file + "\": " + reason);
}

[[noreturn]] void RaiseFileError(const std::string& what, const std::string& file, int err) {
    RaiseFileError(what, file, std::string(std::strerror(err)));
}

// Creates the folder and its missing parents with mode 0700.
void MakeFolders(const std::string& folder) {
    struct stat st;
    if (folder.empty() || ::stat(folder.c_str(), &st) == 0)
        return;
    size_t sep = folder.find_last_of('/');
    if (sep != std::string::npos && sep > 0)
        MakeFolders(folder.substr(0, sep));
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        throw ERegistryException("Cannot create the settings folder \"" + folder +
                                 "\": " + std::strerror(errno));
}

// An exclusive flock on the store's lock file for the object's lifetime.
class TStoreLock {
public:
    explicit TStoreLock(const std::string& name) {
        fd_ = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd_ < 0)
            RaiseFileError("lock", name, errno);
        while (::flock(fd_, LOCK_EX) != 0) {
            if (errno != EINTR) {
                int err = errno;
                ::close(fd_);
                RaiseFileError("lock", name, err);
            }
        }
    }
    ~TStoreLock() { ::close(fd_); } // closing releases the lock
    TStoreLock(const TStoreLock&) = delete;
    TStoreLock& operator=(const TStoreLock&) = delete;

private:
    int fd_ = -1;
};

// Writes data to a new file (mode 0600) and syncs it; removes it on failure.
void WriteNewFile(const std::string& temp, std::string_view data,
                  const std::function<bool(int fd)>& sync) {
    if (int err = ::WriteNewFile(temp, data, 0600, sync))
        RaiseFileError("write", temp, err);
}

// Where the copy of a file with unreadable lines goes: the first free of registry.bad,
// registry.bad.1 to registry.bad.9, so that earlier copies stay; the last when none is free.
std::string BadCopyName(const std::string& dir) {
    constexpr int LastCopy = 9;
    std::string name = dir + "/registry.bad";
    struct stat st;
    for (int n = 1; n <= LastCopy && ::lstat(name.c_str(), &st) == 0; ++n)
        name = dir + "/registry.bad." + std::to_string(n);
    return name;
}

std::mutex& FolderMutex() {
    static std::mutex m;
    return m;
}

std::string& FolderOverride() {
    static std::string folder;
    return folder;
}

} // namespace

// ---- keys and the tree ----

std::string RegistryIntegerData(int32_t value) {
    auto u = static_cast<uint32_t>(value);
    return {char(u & 0xFF), char((u >> 8) & 0xFF), char((u >> 16) & 0xFF), char(u >> 24)};
}

int32_t RegistryDataInteger(std::string_view data) {
    uint32_t u = 0;
    for (int k = 3; k >= 0; --k)
        u = (u << 8) | static_cast<unsigned char>(data[k]);
    return static_cast<int32_t>(u);
}

int TRegistryKeyData::IndexOf(std::string_view name) const {
    std::string folded = Fold(name);
    for (size_t i = 0; i < Values.size(); ++i)
        if (Fold(Values[i].Name) == folded)
            return static_cast<int>(i);
    return -1;
}

const TRegistryValue* TRegistryKeyData::FindValue(std::string_view name) const {
    int i = IndexOf(name);
    return i < 0 ? nullptr : &Values[i];
}

bool TRegistryKeyData::SetValue(std::string_view name, TRegDataType type, std::string data) {
    int i = IndexOf(name);
    if (i < 0) {
        Values.push_back({std::string(name), type, std::move(data)});
        return true;
    }
    TRegistryValue& v = Values[i];
    if (v.DataType == type && v.Data == data)
        return false;
    v.DataType = type;
    v.Data = std::move(data);
    return true;
}

bool TRegistryKeyData::DeleteValue(std::string_view name) {
    int i = IndexOf(name);
    if (i < 0)
        return false;
    Values.erase(Values.begin() + i);
    return true;
}

std::string NormalizeKeyPath(std::string_view path) {
    std::string out;
    size_t i = 0;
    while (i <= path.size()) {
        size_t sep = path.find('\\', i);
        if (sep == std::string_view::npos)
            sep = path.size();
        if (sep > i) {
            if (!out.empty())
                out += '\\';
            out.append(path.substr(i, sep - i));
        }
        i = sep + 1;
    }
    return out;
}

TRegistryHive::TRegistryHive() {
    keys_[""].Path = "";
}

const TRegistryKeyData* TRegistryHive::FindKey(std::string_view path) const {
    auto it = keys_.find(Fold(NormalizeKeyPath(path)));
    return it == keys_.end() ? nullptr : &it->second;
}

TRegistryKeyData* TRegistryHive::FindKey(std::string_view path) {
    return const_cast<TRegistryKeyData*>(std::as_const(*this).FindKey(path));
}

TRegistryKeyData& TRegistryHive::CreateKey(std::string_view path) {
    std::string norm = NormalizeKeyPath(path);
    std::string folded = Fold(norm);
    if (auto it = keys_.find(folded); it != keys_.end())
        return it->second;
    // Walk down from the root; existing parents keep the case they were created with.
    TRegistryKeyData* key = &keys_.at("");
    size_t start = 0;
    while (start < norm.size()) {
        size_t sep = std::min(norm.find('\\', start), norm.size());
        std::string_view name = std::string_view(norm).substr(start, sep - start);
        auto [it, added] = keys_.try_emplace(Fold(norm.substr(0, sep)));
        if (added)
            it->second.Path =
                key->Path.empty() ? std::string(name) : key->Path + "\\" + std::string(name);
        key = &it->second;
        start = sep + 1;
    }
    return *key;
}

bool TRegistryHive::DeleteKey(std::string_view path) {
    std::string folded = Fold(NormalizeKeyPath(path));
    auto it = keys_.find(folded);
    if (folded.empty() || it == keys_.end())
        return false;
    keys_.erase(it);
    // Subkeys sort together after the prefix (not right after the key: "a b" < "a\\b").
    std::string prefix = folded + "\\";
    for (it = keys_.lower_bound(prefix); it != keys_.end() && it->first.starts_with(prefix);)
        it = keys_.erase(it);
    return true;
}

std::string TRegistryHive::Serialize() const {
    std::string out = "; Tockwell settings. Values: \"name\"=\"text\", \"name\"=int:<number>, "
                      "\"name\"=hex:<bytes>.\n";
    for (const auto& [folded, key] : keys_) {
        if (folded.empty() && key.Values.empty())
            continue;
        out += "\n[" + EscapeKeyPath(key.Path) + "]\n";
        for (const auto& v : key.Values) {
            out += Quote(v.Name) + "=";
            if (v.DataType == rdInteger && v.Data.size() == 4) {
                out += "int:" + std::to_string(RegistryDataInteger(v.Data));
            } else if (v.DataType == rdBinary) {
                out += "hex:";
                for (unsigned char c : v.Data)
                    AppendHex(out, c);
            } else {
                out += Quote(v.Data);
            }
            out += '\n';
        }
    }
    return out;
}

TRegistryHive TRegistryHive::Parse(std::string_view text, int* badLines) {
    TRegistryHive hive;
    int bad = 0;
    TRegistryKeyData* key = nullptr;
    std::string name, data, path;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line[0] == '[') {
            key = nullptr;
            if (line.size() >= 2 && line.back() == ']' &&
                UnescapeKeyPath(line.substr(1, line.size() - 2), path))
                key = &hive.CreateKey(path);
            else
                ++bad;
            continue;
        }
        size_t i = 0;
        TRegDataType type;
        if (key && Unquote(line, i, name) && i < line.size() && line[i] == '=' &&
            ParseValueData(line.substr(i + 1), type, data))
            key->SetValue(name, type, data);
        else
            ++bad;
    }
    if (badLines)
        *badLines = bad;
    return hive;
}

// ---- the store ----

TRegistryStoreSteps TRegistryStoreSteps::System() {
    TRegistryStoreSteps s;
    s.SyncFile = [](int fd) { return ::fsync(fd) == 0; };
    s.SyncFolder = [](const std::string& dir) { return ::SyncFolder(dir); };
    return s;
}

TRegistryStore::TRegistryStore(std::string folder) : folder_(std::move(folder)) {}

std::string TRegistryStore::CheckReadable() const {
    std::string file = ResolveFileLinks(FileName());
    std::string reason = std::strerror(errno), text;
    if (!file.empty() && (ReadRegularFile(file, text, reason) || errno == ENOENT))
        return {};
    return "Cannot read the settings file \"" + FileName() + "\": " + reason;
}

TRegistryHive TRegistryStore::Load() const {
    std::string text, reason;
    if (!ReadRegularFile(FileName(), text, reason))
        return {};
    return TRegistryHive::Parse(text);
}

void TRegistryStore::Update(const std::function<bool(TRegistryHive&)>& change) {
    MakeFolders(folder_);
    TStoreLock lock(folder_ + "/registry.lock");

    // Write through a symbolic link (also one to a file not made yet) to where the file
    // really is; the link stays.
    std::string file = ResolveFileLinks(FileName());
    if (file.empty())
        RaiseFileError("read", FileName(), errno);

    std::string text, reason;
    if (!ReadRegularFile(file, text, reason)) {
        if (errno != ENOENT)
            RaiseFileError("read", file, reason);
        text.clear();
    }
    int bad = 0;
    TRegistryHive hive = TRegistryHive::Parse(text, &bad);
    if (!change(hive))
        return;

    std::string dir = file.substr(0, file.find_last_of('/'));
    if (bad > 0) // keep what could not be read before it is dropped
        WriteNewFile(BadCopyName(dir), text, Steps.SyncFile);
    std::string temp = file + ".tmp";
    WriteNewFile(temp, hive.Serialize(), Steps.SyncFile);
    try {
        if (BeforeReplace)
            BeforeReplace();
    } catch (...) {
        ::unlink(temp.c_str());
        throw;
    }
    if (::rename(temp.c_str(), file.c_str()) != 0) {
        int err = errno;
        ::unlink(temp.c_str());
        RaiseFileError("replace", file, err);
    }
    errno = 0;
    if (!Steps.SyncFolder(dir))
        RaiseFileError("write", file, errno ? errno : EIO);
}

std::string RegistryStoreFolder() {
    {
        std::lock_guard<std::mutex> guard(FolderMutex());
        if (!FolderOverride().empty())
            return FolderOverride();
    }
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/')
        return std::string(xdg) + "/Tockwell";
    return HomeFolder() + "/.config/Tockwell";
}

void SetRegistryStoreFolder(std::string folder) {
    std::lock_guard<std::mutex> guard(FolderMutex());
    FolderOverride() = std::move(folder);
}

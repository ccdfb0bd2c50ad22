#include "platform/inifile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/fileutils.h"
#include "platform/sysutils.h"

int TCustomIniFile::ReadInteger(const std::string& section, const std::string& ident, int def) {
    return StrToIntDef(Trim(ReadString(section, ident, "")), def);
}

void TCustomIniFile::WriteInteger(const std::string& section, const std::string& ident, int value) {
    WriteString(section, ident, IntToStr(value));
}

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {
    std::string text, reason;
    if (ReadRegularFile(fileName_, text, reason))
        Parse(text);
}

TIniFile::Section* TIniFile::Find(const std::string& section) {
    auto it = sectionIndex_.find(LowerCase(section));
    return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

TIniFile::Section& TIniFile::FindOrAdd(const std::string& section) {
    if (Section* s = Find(section))
        return *s;
    sectionIndex_.emplace(LowerCase(section), sections_.size());
    sections_.push_back({section, {}, {}});
    return sections_.back();
}

void TIniFile::Section::Set(const std::string& ident, const std::string& value) {
    auto [it, added] = Index.emplace(LowerCase(ident), Values.size());
    if (added)
        Values.emplace_back(ident, value);
    else
        Values[it->second].second = value;
}

const std::string* TIniFile::Section::Get(const std::string& ident) const {
    auto it = Index.find(LowerCase(ident));
    return it == Index.end() ? nullptr : &Values[it->second].second;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& ident,
                                 const std::string& def) {
    if (Section* s = Find(section))
        if (const std::string* value = s->Get(ident))
            return *value;
    return def;
}

bool TIniFile::ValueExists(const std::string& section, const std::string& ident) {
    Section* s = Find(section);
    return s && s->Get(ident);
}

void TIniFile::WriteString(const std::string& section, const std::string& ident,
                           const std::string& value) {
    // Line breaks would split the entry; they are written as blanks.
    std::string v = value;
    for (char& c : v)
        if (c == '\n' || c == '\r')
            c = ' ';
    FindOrAdd(section).Set(ident, v);
    dirty_ = true;
}

std::string TIniFile::Serialize() const {
    std::string out;
    for (const Section& s : sections_) {
        out += "[" + s.Name + "]\n";
        for (const auto& [name, value] : s.Values)
            out += name + "=" + value + "\n";
        out += "\n";
    }
    return out;
}

void TIniFile::Parse(const std::string& text) {
    sections_.clear();
    sectionIndex_.clear();
    std::istringstream in(text);
    std::string line;
    Section* current = nullptr;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::string t = Trim(line);
        if (t.empty() || t[0] == ';' || t[0] == '#')
            continue;
        if (t.front() == '[' && t.back() == ']') {
            current = &FindOrAdd(Trim(t.substr(1, t.size() - 2)));
            continue;
        }
        size_t eq = line.find('=');
        if (!current || eq == std::string::npos)
            continue;
        current->Set(Trim(line.substr(0, eq)), line.substr(eq + 1));
    }
}

void TIniFile::UpdateFile() {
    if (!dirty_)
        return;
    ForceDirectories(ExtractFileDir(fileName_));
    // A symbolic link stays: the file it leads to is replaced, with the temporary file beside it.
    const std::string file = ResolveFileLinks(fileName_);
    if (file.empty()) {
        const int err = errno;
        throw EFCreateError("Cannot create file \"" + fileName_ + "\": " + std::strerror(err));
    }
    const std::string temp = file + ".tmp";
    if (int err = WriteNewFile(temp, Serialize(), 0600, [](int fd) { return ::fsync(fd) == 0; }))
        throw EFCreateError("Cannot create file \"" + fileName_ + "\": " + std::strerror(err));
    if (std::rename(temp.c_str(), file.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        throw EWriteError("Cannot write file \"" + fileName_ + "\": " + std::strerror(err));
    }
    dirty_ = false;
}

std::string TRegistryIniFile::ReadString(const std::string& section, const std::string& ident,
                                         const std::string& def) {
    TRegistry reg;
    if (!reg.OpenKeyReadOnly("\\" + key_ + "\\" + section) || !reg.ValueExists(ident))
        return def;
    if (reg.GetDataType(ident) == rdInteger)
        return IntToStr(reg.ReadInteger(ident));
    if (reg.GetDataType(ident) != rdString)
        return def;
    return reg.ReadString(ident);
}

bool TRegistryIniFile::ValueExists(const std::string& section, const std::string& ident) {
    TRegistry reg;
    return reg.OpenKeyReadOnly("\\" + key_ + "\\" + section) && reg.ValueExists(ident);
}

void TRegistryIniFile::WriteString(const std::string& section, const std::string& ident,
                                   const std::string& value) {
    TRegistry reg;
    if (!reg.OpenKey("\\" + key_ + "\\" + section, true))
        throw ERegistryException("Failed to set data for '" + ident + "'");
    reg.WriteString(ident, value);
}

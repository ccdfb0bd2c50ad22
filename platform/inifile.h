#pragma once
// Settings files of the INI kind and the same access over the registry store.
//
// TIniFile reads and writes a UTF-8 text file of "[Section]" headers and "Name=Value" lines
// (';' or '#' starts a comment line; section and value names compare without regard to
// case). Changes are kept in memory and written by UpdateFile (atomically: a temporary file,
// created exclusively and never through a link, renamed over the old one); the destructor
// does not write.
// TRegistryIniFile keeps each section as a subkey of its key in the registry store and
// writes at once.

#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/registry.h"

class TCustomIniFile {
public:
    virtual ~TCustomIniFile() = default;
    // A missing value reads as def.
    virtual std::string ReadString(const std::string& section, const std::string& ident,
                                   const std::string& def) = 0;
    virtual void WriteString(const std::string& section, const std::string& ident,
                             const std::string& value) = 0;
    // Whether the section holds a value of that name.
    virtual bool ValueExists(const std::string& section, const std::string& ident) = 0;
    // A missing value or one that is not an integer reads as def.
    int ReadInteger(const std::string& section, const std::string& ident, int def);
    void WriteInteger(const std::string& section, const std::string& ident, int value);
    // Writes pending changes; raises EFCreateError / EWriteError when the file cannot be
    // written. Nothing to do for the registry.
    virtual void UpdateFile() {}
};

class TIniFile : public TCustomIniFile {
public:
    // Reads fileName when it exists (a missing or unreadable file reads as empty).
    explicit TIniFile(std::string fileName);
    const std::string& FileName() const { return fileName_; }

    std::string ReadString(const std::string& section, const std::string& ident,
                           const std::string& def) override;
    void WriteString(const std::string& section, const std::string& ident,
                     const std::string& value) override;
    bool ValueExists(const std::string& section, const std::string& ident) override;
    // Creates the folder when missing and replaces the file through <file>.tmp (mode 0600).
    // A file name that is a symbolic link is written through (ResolveFileLinks): the file it
    // leads to is replaced, through that file's name + ".tmp", and the link stays.
    void UpdateFile() override;

    // The file text of the contents.
    std::string Serialize() const;
    // Parses a file text (values keep their blanks inside; names are trimmed). Linear in the
    // text's length: sections and names are looked up through an index.
    void Parse(const std::string& text);

private:
    struct Section {
        std::string Name;
        std::vector<std::pair<std::string, std::string>> Values;
        std::unordered_map<std::string, size_t> Index; // lower-case name -> position in Values
        // Replaces the value of that name, or appends it.
        void Set(const std::string& ident, const std::string& value);
        const std::string* Get(const std::string& ident) const;
    };
    Section* Find(const std::string& section);
    // The section of that name, appended when missing.
    Section& FindOrAdd(const std::string& section);
    std::string fileName_;
    std::vector<Section> sections_;
    std::unordered_map<std::string, size_t> sectionIndex_; // lower-case name -> position
    bool dirty_ = false;
};

class TRegistryIniFile : public TCustomIniFile {
public:
    // key: a path below HKEY_CURRENT_USER; sections become its subkeys.
    explicit TRegistryIniFile(std::string key) : key_(std::move(key)) {}
    std::string ReadString(const std::string& section, const std::string& ident,
                           const std::string& def) override;
    // Raises ERegistryException when the store cannot be written.
    void WriteString(const std::string& section, const std::string& ident,
                     const std::string& value) override;
    bool ValueExists(const std::string& section, const std::string& ident) override;

private:
    std::string key_;
};

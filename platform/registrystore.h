#pragma once
// The settings store behind the registry key class: a typed tree of keys and values kept in
// one text file, <config folder>/Tockwell/registry. Key paths are names joined by '\'; key
// and value names compare without regard to case and keep the case they were created with.
//
// File format (UTF-8 text, one item a line; ';' or '#' starts a comment line):
//   [Software\Fernhollow\Tockwell\Settings]    a key (its parents exist as well); [] is the root
//   "RunMinimized"=int:1                       a 32-bit integer, decimal
//   "LatestDataFile"="/home/me/x.tock"         a string
//   "SMTPPwd"=hex:0a1b2c                       binary bytes
// In quoted texts \\ \" \n \r \t and \xHH stand for bytes; in key names %HH does. Control
// bytes and bytes that are not UTF-8 are always written escaped.
//
// Writers take an exclusive lock (flock on registry.lock), re-read the file, change it and
// replace it atomically (temporary file with mode 0600, fsync, rename, fsync of the folder),
// so concurrent processes lose none of each other's values and a crash leaves the old file.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sysutils.h"

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

// A failed registry read or write.
class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

// One value: its name, its type and its bytes (an integer as 4 little-endian bytes).
struct TRegistryValue {
    std::string Name;
    TRegDataType DataType = rdUnknown;
    std::string Data;
};

// The data of an integer value (its 4 bytes, little-endian), and the integer of such data
// (data of 4 bytes).
std::string RegistryIntegerData(int32_t value);
int32_t RegistryDataInteger(std::string_view data);

// One key: its path as first created ("" for the root) and its values in creation order.
struct TRegistryKeyData {
    std::string Path;
    std::vector<TRegistryValue> Values;

    // The value of that name (case-insensitive), or nullptr.
    const TRegistryValue* FindValue(std::string_view name) const;
    // Adds the value or replaces type and data of the existing one; false when nothing changed.
    bool SetValue(std::string_view name, TRegDataType type, std::string data);
    // False when there was no such value.
    bool DeleteValue(std::string_view name);
    // Position of the value of that name in Values, or -1.
    int IndexOf(std::string_view name) const;
};

// Splits a key path on '\', drops empty names and joins the rest with '\'
// ("\A\\B\" gives "A\B"; "" and "\" give the root "").
std::string NormalizeKeyPath(std::string_view path);

// The whole tree of keys. Paths passed in are normalized first; the root always exists.
class TRegistryHive {
public:
    TRegistryHive();

    const TRegistryKeyData* FindKey(std::string_view path) const;
    TRegistryKeyData* FindKey(std::string_view path);
    // Creates the key and its missing parents; gives the key.
    TRegistryKeyData& CreateKey(std::string_view path);
    // Removes the key with all its subkeys; false when it does not exist or is the root.
    bool DeleteKey(std::string_view path);
    int KeyCount() const { return static_cast<int>(keys_.size()); }

    // The file text of the tree.
    std::string Serialize() const;
    // Reads a file text. Lines that cannot be read (an unterminated quote, say) are skipped
    // and counted in badLines; reading goes on at the next line. The values under a key line
    // that cannot be read count as unreadable too.
    static TRegistryHive Parse(std::string_view text, int* badLines = nullptr);

private:
    std::map<std::string, TRegistryKeyData> keys_; // by case-folded path
};

// The flushes of TRegistryStore::Update, each true on success (errno tells why not).
// System() gives the real ones; tests replace one to make it fail.
struct TRegistryStoreSteps {
    std::function<bool(int fd)> SyncFile;                   // a written file's data
    std::function<bool(const std::string& dir)> SyncFolder; // the folder after the rename
    static TRegistryStoreSteps System();
};

// The store file in a folder. Several objects, threads and processes may use one folder.
class TRegistryStore {
public:
    explicit TRegistryStore(std::string folder);

    const std::string& Folder() const { return folder_; }
    std::string FileName() const { return folder_ + "/registry"; }

    // The tree as the file holds it now. A missing, unreadable or partly unreadable file gives
    // what can be read (an empty tree at worst); nothing is created.
    TRegistryHive Load() const;
    // "" when the file can be read or does not exist; otherwise why it cannot be read
    // ("Cannot read the settings file \"<file>\": <reason>").
    std::string CheckReadable() const;
    // Under the lock: re-reads the file, lets change edit the tree and, when change returns
    // true, replaces the file atomically. Creates the folder (mode 0700) when missing. A file
    // that had unreadable lines is first copied to registry.bad, or when that exists to the
    // first free of registry.bad.1 to registry.bad.9 (the last one is replaced when none is). A
    // store file that is a symbolic link is written through: the temporary file lies beside the
    // link's target, which is replaced, and the link stays. Raises ERegistryException when the file
    // cannot be read or written, or a flush (Steps) fails (before the rename the old file then
    // stays as it was); exceptions from change pass through and nothing is written.
    void Update(const std::function<bool(TRegistryHive&)>& change);

    // The flushes Update makes.
    TRegistryStoreSteps Steps = TRegistryStoreSteps::System();

    // Called after the temporary file is complete and synced, just before it replaces the
    // store file; an exception from it aborts the write. Lets tests simulate a crash there.
    std::function<void()> BeforeReplace;

private:
    std::string folder_;
};

// The folder of the settings store: the one set by SetRegistryStoreFolder, else
// $XDG_CONFIG_HOME/Tockwell when that is an absolute path, else ~/.config/Tockwell.
std::string RegistryStoreFolder();
// Points every registry object created afterwards at folder; empty restores the default.
void SetRegistryStoreFolder(std::string folder);

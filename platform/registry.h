#pragma once
// The registry key class. HKEY_CURRENT_USER is the settings store of platform/registrystore.h;
// the other root keys hold nothing and cannot be written.
//
// Key paths join names with '\'. A path starting with '\', or any path while no key is open,
// is taken from the root key; otherwise from the open key. Key and value names compare
// without regard to case. Every call sees the store as it is on disk at that moment, so
// values written by other objects or processes show at once.

#include <cstdint>
#include <string>

#include "platform/registrystore.h"

enum HKEY : uint32_t {
    HKEY_CLASSES_ROOT = 0x80000000,
    HKEY_CURRENT_USER = 0x80000001,
    HKEY_LOCAL_MACHINE = 0x80000002,
};

class TRegistry {
public:
    // Root HKEY_CURRENT_USER, no key open; the store is the one of RegistryStoreFolder().
    TRegistry();
    virtual ~TRegistry() = default;
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    HKEY RootKey() const { return root_; }
    // Closes the open key.
    void SetRootKey(HKEY root);
    // Path of the open key from the root ("" when none is open or the root itself is).
    const std::string& CurrentPath() const { return path_; }
    bool HasCurrentKey() const { return open_; }

    // Opens the key for reading and writing, creating it and its parents when canCreate.
    // False (the previous key stays open) when it does not exist or cannot be created.
    bool OpenKey(const std::string& key, bool canCreate);
    // Opens an existing key for reading only; never creates anything. False when missing.
    bool OpenKeyReadOnly(const std::string& key);
    void CloseKey();
    bool KeyExists(const std::string& key) const;
    // Deletes the key with all its subkeys; false when it does not exist or cannot be deleted.
    bool DeleteKey(const std::string& key);

    // Value operations act on the open key; with none open no value exists.
    bool ValueExists(const std::string& name) const;
    // False when the value does not exist or the key is read-only.
    bool DeleteValue(const std::string& name);
    // rdUnknown when the value does not exist.
    TRegDataType GetDataType(const std::string& name) const;
    // Bytes of the value's data (4 for an integer, the text's bytes plus a terminating zero
    // for a string); -1 when the value does not exist.
    int GetDataSize(const std::string& name) const;

    // Typed reads raise ERegistryException "Failed to get data for '<name>'" when the value
    // does not exist and "Invalid data type for '<name>'" when it has another type.
    int ReadInteger(const std::string& name) const;
    bool ReadBool(const std::string& name) const; // an integer value, non-zero = true
    std::string ReadString(const std::string& name) const;
    // Copies a binary value into buffer and gives its size; 0 when the value does not exist.
    // A value of another type or larger than bufSize raises "Invalid data type for '<name>'".
    int ReadBinaryData(const std::string& name, void* buffer, int bufSize) const;

    // Writes raise ERegistryException "Failed to set data for '<name>'" (with the reason)
    // when no key is open, the key is read-only or was deleted, or the store cannot be saved.
    void WriteInteger(const std::string& name, int value);
    void WriteBool(const std::string& name, bool value); // the integer 0 or 1
    void WriteString(const std::string& name, const std::string& value);
    void WriteBinaryData(const std::string& name, const void* buffer, int size);

private:
    bool Backed() const { return root_ == HKEY_CURRENT_USER; }
    std::string Resolve(const std::string& key) const;
    // The open key's value of that name as the store holds it now, or false.
    bool FindValue(const std::string& name, TRegistryValue& value) const;
    void WriteValue(const std::string& name, TRegDataType type, std::string data);

    TRegistryStore store_;
    HKEY root_ = HKEY_CURRENT_USER;
    bool open_ = false;
    bool readOnly_ = false;
    std::string path_;
    std::string openError_; // why the last OpenKey with creation failed
};

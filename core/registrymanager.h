#pragma once
// Settings access: a registry key object that puts a prefix before value names and turns
// every failed read into the caller's default, and one-shot helpers for single values.
// Reading never creates a key; writing through a key opened for writing creates it.

#include <string>

#include "platform/classes.h"
#include "platform/registry.h"

class TRegistryManager : public TRegistry {
public:
    // Sets the root and, when key is not empty, opens it: read-only when readOnly, else
    // creating missing keys. A key that cannot be opened is not reported: reads give their
    // defaults and writes raise ERegistryException.
    explicit TRegistryManager(const std::string& key, HKEY rootKey = HKEY_CURRENT_USER,
                              bool readOnly = false, std::string valueNamePrefix = {});

    // Put before the name by the typed reads and writes below (not by the binary ones).
    std::string ValueNamePrefix;

    // The value prefix + name; def when it is missing, has another type or cannot be read.
    bool ReadBoolDef(const std::string& name, bool def) const;
    int ReadIntegerDef(const std::string& name, int def) const;
    std::string ReadStringDef(const std::string& name, const std::string& def) const;
    // value := Read*Def(name, value).
    void ReadBoolValue(const std::string& name, bool& value) const;
    void ReadIntegerValue(const std::string& name, int& value) const;
    void ReadStringValue(const std::string& name, std::string& value) const;
    // The string value's lines (CR LF, LF or CR separated) replace the list's items; the list
    // stays as it is when the value cannot be read.
    void ReadStringsValue(const std::string& name, TStringList& strings) const;
    // The binary value named exactly name: "" when missing; ERegistryException when it has
    // another type or more than MaxBinaryStringSize bytes.
    std::string ReadBinaryString(const std::string& name) const;

    // Writes raise ERegistryException when no key is open for writing or the store fails.
    void WriteIntegerValue(const std::string& name, int value);
    void WriteBoolValue(const std::string& name, bool value); // integer 0 or 1
    void WriteStringValue(const std::string& name, const std::string& value);
    // When 0 < maxCount < strings.Count(), first deletes the caller's items after the first
    // maxCount; then writes the list's text (each line ended by CR LF) as one string value.
    void WriteStringsValue(const std::string& name, TStringList& strings, int maxCount);
    // Writes s as a binary value named exactly name. Raises ERegistryException, writing
    // nothing, when s is longer than MaxBinaryStringSize (it could not be read back).
    void WriteBinaryString(const std::string& name, const std::string& s);

    static constexpr int MaxBinaryStringSize = 1024;
};

// One-shot helpers on HKEY_CURRENT_USER without prefix. Reads open the key read-only and
// never create it; writes create it.
bool ReadRegistryBool(const std::string& key, const std::string& name, bool def);
void WriteRegistryBool(const std::string& key, const std::string& name, bool value);
std::string ReadRegistryString(const std::string& key, const std::string& name,
                               const std::string& def);
void WriteRegistryString(const std::string& key, const std::string& name, const std::string& value);
int ReadRegistryInteger(const std::string& key, const std::string& name, int def);
bool RegistryValueExists(const std::string& key, const std::string& name);

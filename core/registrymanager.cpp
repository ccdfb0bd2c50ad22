#include "core/registrymanager.h"

TRegistryManager::TRegistryManager(const std::string& key, HKEY rootKey, bool readOnly,
                                   std::string valueNamePrefix)
    : ValueNamePrefix(std::move(valueNamePrefix)) {
    SetRootKey(rootKey);
    if (key.empty())
        return;
    if (readOnly)
        OpenKeyReadOnly(key);
    else
        OpenKey(key, true);
}

bool TRegistryManager::ReadBoolDef(const std::string& name, bool def) const {
    std::string full = ValueNamePrefix + name;
    try {
        if (ValueExists(full))
            return ReadBool(full);
    } catch (const Exception&) {
    }
    return def;
}

int TRegistryManager::ReadIntegerDef(const std::string& name, int def) const {
    std::string full = ValueNamePrefix + name;
    try {
        if (ValueExists(full))
            return ReadInteger(full);
    } catch (const Exception&) {
    }
    return def;
}

std::string TRegistryManager::ReadStringDef(const std::string& name, const std::string& def) const {
    std::string full = ValueNamePrefix + name;
    try {
        if (ValueExists(full))
            return ReadString(full);
    } catch (const Exception&) {
    }
    return def;
}

void TRegistryManager::ReadBoolValue(const std::string& name, bool& value) const {
    value = ReadBoolDef(name, value);
}

void TRegistryManager::ReadIntegerValue(const std::string& name, int& value) const {
    value = ReadIntegerDef(name, value);
}

void TRegistryManager::ReadStringValue(const std::string& name, std::string& value) const {
    value = ReadStringDef(name, value);
}

void TRegistryManager::ReadStringsValue(const std::string& name, TStringList& strings) const {
    std::string full = ValueNamePrefix + name;
    try {
        if (ValueExists(full))
            strings.SetText(ReadString(full));
    } catch (const Exception&) {
    }
}

std::string TRegistryManager::ReadBinaryString(const std::string& name) const {
    std::string s(MaxBinaryStringSize, '\0');
    s.resize(static_cast<size_t>(ReadBinaryData(name, s.data(), MaxBinaryStringSize)));
    return s;
}

void TRegistryManager::WriteIntegerValue(const std::string& name, int value) {
    WriteInteger(ValueNamePrefix + name, value);
}

void TRegistryManager::WriteBoolValue(const std::string& name, bool value) {
    WriteBool(ValueNamePrefix + name, value);
}

void TRegistryManager::WriteStringValue(const std::string& name, const std::string& value) {
    WriteString(ValueNamePrefix + name, value);
}

void TRegistryManager::WriteStringsValue(const std::string& name, TStringList& strings,
                                         int maxCount) {
    if (maxCount > 0 && maxCount < strings.Count())
        for (int i = strings.Count() - 1; i >= maxCount; --i)
            strings.Delete(i);
    WriteStringValue(name, strings.Text());
}

void TRegistryManager::WriteBinaryString(const std::string& name, const std::string& s) {
    if (s.size() > static_cast<size_t>(MaxBinaryStringSize))
        throw ERegistryException("Failed to set data for '" + name +
                                 "': the value is longer than " +
                                 std::to_string(MaxBinaryStringSize) + " bytes");
    WriteBinaryData(name, s.data(), static_cast<int>(s.size()));
}

bool ReadRegistryBool(const std::string& key, const std::string& name, bool def) {
    TRegistryManager reg(key, HKEY_CURRENT_USER, true);
    bool value = def;
    reg.ReadBoolValue(name, value);
    return value;
}

void WriteRegistryBool(const std::string& key, const std::string& name, bool value) {
    TRegistryManager reg(key, HKEY_CURRENT_USER, false);
    reg.WriteBoolValue(name, value);
}

std::string ReadRegistryString(const std::string& key, const std::string& name,
                               const std::string& def) {
    TRegistryManager reg(key, HKEY_CURRENT_USER, true);
    std::string value = def;
    reg.ReadStringValue(name, value);
    return value;
}

void WriteRegistryString(const std::string& key, const std::string& name,
                         const std::string& value) {
    TRegistryManager reg(key, HKEY_CURRENT_USER, false);
    reg.WriteStringValue(name, value);
}

int ReadRegistryInteger(const std::string& key, const std::string& name, int def) {
    TRegistryManager reg(key, HKEY_CURRENT_USER, true);
    int value = def;
    reg.ReadIntegerValue(name, value);
    return value;
}

bool RegistryValueExists(const std::string& key, const std::string& name) {
    TRegistryManager reg(key, HKEY_CURRENT_USER, true);
    return reg.ValueExists(name);
}

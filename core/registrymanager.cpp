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

namespace {

// Runs read on the value named full when it exists; a read that fails is ignored.
template <class Read> void ReadIfPresent(const TRegistry& reg, const std::string& full, Read read) {
    try {
        if (reg.ValueExists(full))
            read(full);
    } catch (const Exception&) {
    }
}

} // namespace

bool TRegistryManager::ReadBoolDef(const std::string& name, bool def) const {
    ReadIfPresent(*this, ValueNamePrefix + name, [&](const std::string& n) { def = ReadBool(n); });
    return def;
}

int TRegistryManager::ReadIntegerDef(const std::string& name, int def) const {
    ReadIfPresent(*this, ValueNamePrefix + name,
                  [&](const std::string& n) { def = ReadInteger(n); });
    return def;
}

std::string TRegistryManager::ReadStringDef(const std::string& name, const std::string& def) const {
    std::string value = def;
    ReadIfPresent(*this, ValueNamePrefix + name,
                  [&](const std::string& n) { value = ReadString(n); });
    return value;
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
    ReadIfPresent(*this, ValueNamePrefix + name,
                  [&](const std::string& n) { strings.SetText(ReadString(n)); });
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
    if (maxCount > 0)
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
    return TRegistryManager(key, HKEY_CURRENT_USER, true).ReadBoolDef(name, def);
}

void WriteRegistryBool(const std::string& key, const std::string& name, bool value) {
    TRegistryManager(key, HKEY_CURRENT_USER, false).WriteBoolValue(name, value);
}

std::string ReadRegistryString(const std::string& key, const std::string& name,
                               const std::string& def) {
    return TRegistryManager(key, HKEY_CURRENT_USER, true).ReadStringDef(name, def);
}

void WriteRegistryString(const std::string& key, const std::string& name,
                         const std::string& value) {
    TRegistryManager(key, HKEY_CURRENT_USER, false).WriteStringValue(name, value);
}

int ReadRegistryInteger(const std::string& key, const std::string& name, int def) {
    return TRegistryManager(key, HKEY_CURRENT_USER, true).ReadIntegerDef(name, def);
}

bool RegistryValueExists(const std::string& key, const std::string& name) {
    return TRegistryManager(key, HKEY_CURRENT_USER, true).ValueExists(name);
}

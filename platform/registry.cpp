#include "platform/registry.h"

#include <algorithm>
#include <cstring>

namespace {

[[noreturn]] void RaiseGetFailed(const std::string& name) {
    throw ERegistryException("Failed to get data for '" + name + "'");
}

[[noreturn]] void RaiseInvalidType(const std::string& name) {
    throw ERegistryException("Invalid data type for '" + name + "'");
}

[[noreturn]] void RaiseSetFailed(const std::string& name, const std::string& reason) {
    throw ERegistryException("Failed to set data for '" + name + "'" +
                             (reason.empty() ? "" : ": " + reason));
}

} // namespace

TRegistry::TRegistry() : store_(RegistryStoreFolder()) {}

void TRegistry::SetRootKey(HKEY root) {
    CloseKey();
    root_ = root;
}

std::string TRegistry::Resolve(const std::string& key) const {
    if (!open_ || (!key.empty() && key[0] == '\\'))
        return NormalizeKeyPath(key);
    return NormalizeKeyPath(path_ + "\\" + key);
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
    std::string path = Resolve(key);
    openError_.clear();
    if (!Backed()) {
        openError_ = "the key cannot be created";
        return false;
    }
    TRegistryHive hive = store_.Load();
    const TRegistryKeyData* found = hive.FindKey(path);
    std::string stored = found ? found->Path : std::string();
    if (!found) {
        if (!canCreate)
            return false;
        try {
            store_.Update([&](TRegistryHive& h) {
                bool existed = h.FindKey(path) != nullptr;
                stored = h.CreateKey(path).Path;
                return !existed;
            });
        } catch (const ERegistryException& e) {
            openError_ = e.Message;
            return false;
        }
    }
    open_ = true;
    readOnly_ = false;
    path_ = stored;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
    if (!Backed())
        return false;
    TRegistryHive hive = store_.Load();
    const TRegistryKeyData* found = hive.FindKey(Resolve(key));
    if (!found)
        return false;
    open_ = true;
    readOnly_ = true;
    path_ = found->Path;
    return true;
}

void TRegistry::CloseKey() {
    open_ = false;
    readOnly_ = false;
    path_.clear();
}

bool TRegistry::KeyExists(const std::string& key) const {
    return Backed() && store_.Load().FindKey(Resolve(key)) != nullptr;
}

bool TRegistry::DeleteKey(const std::string& key) {
    std::string path = Resolve(key);
    if (!Backed() || path.empty() || !KeyExists("\\" + path))
        return false;
    bool deleted = false;
    try {
        store_.Update([&](TRegistryHive& h) { return deleted = h.DeleteKey(path); });
    } catch (const ERegistryException&) {
        return false;
    }
    return deleted;
}

bool TRegistry::FindValue(const std::string& name, TRegistryValue& value) const {
    if (!open_ || !Backed())
        return false;
    TRegistryHive hive = store_.Load();
    const TRegistryKeyData* key = hive.FindKey(path_);
    const TRegistryValue* v = key ? key->FindValue(name) : nullptr;
    if (!v)
        return false;
    value = *v;
    return true;
}

bool TRegistry::ValueExists(const std::string& name) const {
    TRegistryValue v;
    return FindValue(name, v);
}

bool TRegistry::DeleteValue(const std::string& name) {
    if (!open_ || readOnly_ || !Backed() || !ValueExists(name))
        return false;
    bool deleted = false;
    try {
        store_.Update([&](TRegistryHive& h) {
            TRegistryKeyData* key = h.FindKey(path_);
            return deleted = key && key->DeleteValue(name);
        });
    } catch (const ERegistryException&) {
        return false;
    }
    return deleted;
}

TRegDataType TRegistry::GetDataType(const std::string& name) const {
    TRegistryValue v;
    return FindValue(name, v) ? v.DataType : rdUnknown;
}

int TRegistry::GetDataSize(const std::string& name) const {
    TRegistryValue v;
    if (!FindValue(name, v))
        return -1;
    int size = static_cast<int>(v.Data.size());
    return v.DataType == rdString || v.DataType == rdExpandString ? size + 1 : size;
}

int TRegistry::ReadInteger(const std::string& name) const {
    TRegistryValue v;
    if (!FindValue(name, v))
        RaiseGetFailed(name);
    if (v.DataType != rdInteger || v.Data.size() != 4)
        RaiseInvalidType(name);
    return RegistryDataInteger(v.Data);
}

bool TRegistry::ReadBool(const std::string& name) const {
    return ReadInteger(name) != 0;
}

std::string TRegistry::ReadString(const std::string& name) const {
    TRegistryValue v;
    if (!FindValue(name, v))
        RaiseGetFailed(name);
    if (v.DataType != rdString && v.DataType != rdExpandString)
        RaiseInvalidType(name);
    return v.Data;
}

int TRegistry::ReadBinaryData(const std::string& name, void* buffer, int bufSize) const {
    TRegistryValue v;
    if (!FindValue(name, v))
        return 0;
    if (v.DataType != rdBinary || v.Data.size() > static_cast<size_t>(std::max(bufSize, 0)))
        RaiseInvalidType(name);
    if (!v.Data.empty())
        std::memcpy(buffer, v.Data.data(), v.Data.size());
    return static_cast<int>(v.Data.size());
}

void TRegistry::WriteValue(const std::string& name, TRegDataType type, std::string data) {
    if (!open_)
        RaiseSetFailed(name, openError_.empty() ? "no key is open" : openError_);
    if (readOnly_)
        RaiseSetFailed(name, "the key is open for reading only");
    if (!Backed())
        RaiseSetFailed(name, "the key cannot be written");
    bool keyGone = false;
    try {
        store_.Update([&](TRegistryHive& h) {
            TRegistryKeyData* key = h.FindKey(path_);
            keyGone = key == nullptr;
            return key && key->SetValue(name, type, std::move(data));
        });
    } catch (const ERegistryException& e) {
        RaiseSetFailed(name, e.Message);
    }
    if (keyGone)
        RaiseSetFailed(name, "the key \"" + path_ + "\" no longer exists");
}

void TRegistry::WriteInteger(const std::string& name, int value) {
    WriteValue(name, rdInteger, RegistryIntegerData(value));
}

void TRegistry::WriteBool(const std::string& name, bool value) {
    WriteInteger(name, value ? 1 : 0);
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    WriteValue(name, rdString, value);
}

void TRegistry::WriteBinaryData(const std::string& name, const void* buffer, int size) {
    if (size < 0)
        RaiseSetFailed(name, "invalid size");
    WriteValue(name, rdBinary,
               size ? std::string(static_cast<const char*>(buffer), size) : std::string());
}

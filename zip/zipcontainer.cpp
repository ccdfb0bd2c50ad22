#include "zip/zipcontainer.h"

#include <map>
#include <mutex>

namespace {

struct TRegistry {
    std::mutex lock;
    std::map<std::string, TRegisterRec> classes;
};

TRegistry& Registry() {
    static TRegistry registry;
    return registry;
}

std::optional<TRegisterRec> FindClass(const std::string& className) {
    TRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.lock);
    auto it = r.classes.find(className);
    if (it == r.classes.end())
        return std::nullopt;
    return it->second;
}

constexpr size_t MaxClassNameLength = 63;

} // namespace

void RegisterZipClass(const std::string& className, TZipCreateProc create, TZipReadProc read,
                      TZipWriteProc write) {
    TRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.lock);
    r.classes[className] = TRegisterRec{std::move(create), std::move(read), std::move(write)};
}

void UnregisterZipClass(const std::string& className) {
    TRegistry& r = Registry();
    std::lock_guard<std::mutex> guard(r.lock);
    r.classes.erase(className);
}

bool IsZipClassRegistered(const std::string& className) {
    return FindClass(className).has_value();
}

void WriteZipObject(TStream& stream, const TZipObject* object) {
    if (!object)
        throw EClassNotFound("Nil Source Class!");
    std::string name = object->ClassName();
    auto rec = FindClass(name);
    if (!rec)
        throw EClassNotFound(Format("Source Class <%s> not registered", name.c_str()));
    if (name.size() > MaxClassNameLength)
        name.resize(MaxClassNameLength);
    stream.WriteValue<uint8_t>(static_cast<uint8_t>(name.size()));
    stream.WriteBuffer(name.data(), static_cast<int64_t>(name.size()));
    rec->Write(*object, stream);
}

TZipObjectPtr ReadZipObject(TStream& stream) {
    uint8_t len = stream.ReadValue<uint8_t>();
    std::string name(len, '\0');
    stream.ReadBuffer(name.data(), len);
    auto rec = FindClass(name);
    if (!rec || !rec->Create)
        throw EClassNotFound(Format("Class <%s> not registered", name.c_str()));
    TZipObjectPtr object = rec->Create();
    if (rec->Read)
        rec->Read(*object, stream);
    return object;
}

// ---- TObjectList ----------------------------------------------------------------------

void TObjectList::Error(int index) const {
    throw EListError(Format("Index %d is out of range", index));
}

void TObjectList::Grow() {
    int delta = capacity_ > 8 ? 16 : capacity_ > 4 ? 8 : 4;
    int target = capacity_ + delta;
    if (target >= MaxListSize)
        target = MaxListSize - 1;
    if (target <= capacity_)
        Error(capacity_);
    SetCapacity(target);
}

void TObjectList::SetCapacity(int capacity) {
    if (capacity < Count() || capacity >= MaxListSize)
        Error(capacity);
    items_.reserve(static_cast<size_t>(capacity));
    capacity_ = capacity;
}

void TObjectList::SetCount(int count) {
    if (count < 0 || count >= MaxListSize)
        Error(count);
    if (count > capacity_)
        SetCapacity(count);
    items_.resize(static_cast<size_t>(count));
}

const TZipObjectPtr& TObjectList::Items(int index) const {
    if (index < 0 || index >= Count())
        Error(index);
    return items_[static_cast<size_t>(index)];
}

void TObjectList::Put(int index, TZipObjectPtr item) {
    if (index < 0 || index >= Count())
        Error(index);
    items_[static_cast<size_t>(index)] = std::move(item);
}

int TObjectList::Add(TZipObjectPtr item) {
    int index = Count();
    InsertAt(index, std::move(item));
    return index;
}

void TObjectList::Insert(int index, TZipObjectPtr item) {
    InsertAt(index, std::move(item));
}

void TObjectList::InsertAt(int index, TZipObjectPtr item) {
    if (index < 0 || index > Count())
        Error(index);
    if (Count() == capacity_)
        Grow();
    items_.insert(items_.begin() + index, std::move(item));
}

void TObjectList::Delete(int index) {
    if (index < 0 || index >= Count())
        Error(index);
    items_.erase(items_.begin() + index);
}

void TObjectList::Clear() {
    items_.clear();
    items_.shrink_to_fit();
    capacity_ = 0;
}

int TObjectList::IndexOf(const TZipObject* item) const {
    for (int i = 0; i < Count(); ++i)
        if (items_[static_cast<size_t>(i)].get() == item)
            return i;
    return -1;
}

void TObjectList::WriteToStream(TStream& stream) const {
    stream.WriteValue<uint8_t>(OwnsObjects ? 1 : 0);
    stream.WriteValue<int32_t>(Count());
    for (const auto& item : items_)
        WriteZipObject(stream, item.get());
}

void TObjectList::ReadFromStream(TStream& stream) {
    bool owns = stream.ReadValue<uint8_t>() != 0;
    int32_t count = stream.ReadValue<int32_t>();
    // Each object takes at least its name's length byte.
    if (count < 0 || count >= MaxListSize || count > stream.Remaining())
        throw EReadError("Stream read error");
    Clear();
    OwnsObjects = owns;
    SetCapacity(count);
    for (int32_t i = 0; i < count; ++i)
        Add(ReadZipObject(stream));
}

std::optional<std::string> TObjectList::StoredProperty() const {
    if (Count() < 1)
        return std::nullopt;
    TMemoryStream s;
    WriteToStream(s);
    return s.AsString();
}

TZipObjectPtr TObjectList::First() const {
    return items_.empty() ? nullptr : items_.front();
}

TZipObjectPtr TObjectList::Last() const {
    return items_.empty() ? nullptr : items_.back();
}

TZipObjectPtr TObjectList::Neighbour(const TZipObject* item, bool forward) const {
    if (!item)
        return forward ? First() : Last();
    int i = TObjectList::IndexOf(item);
    if (i < 0)
        throw EListError(Format("tObject %s not in item list", item->ClassName().c_str()));
    int j = forward ? i + 1 : i - 1;
    if (j < 0 || j >= Count())
        return nullptr;
    return items_[static_cast<size_t>(j)];
}

// ---- TSortedObjectList ----------------------------------------------------------------

void TSortedObjectList::Put(int, TZipObjectPtr) {
    throw EListError("Cannot <Put> an Object in a sorted list!");
}

int TSortedObjectList::Add(TZipObjectPtr item) {
    if (!item)
        throw EListError("Cannot add nothing to a sorted list");
    TFindResult f = Find(*item);
    if (f.Found) {
        if (Duplicates == dupIgnore)
            return f.Index;
        if (Duplicates == dupError)
            throw EListError("Duplicate Object index");
        // dupAccept: after its equals, so equal keys keep their insertion order.
        while (f.Index < Count() && Compare(*items_[static_cast<size_t>(f.Index)], *item) == 0)
            ++f.Index;
    }
    InsertAt(f.Index, std::move(item));
    return f.Index;
}

void TSortedObjectList::Insert(int, TZipObjectPtr item) {
    Add(std::move(item));
}

int TSortedObjectList::IndexOf(const TZipObject* item) const {
    if (!item)
        return -1;
    TFindResult f = Find(*item);
    for (int i = f.Index; f.Found && i < Count(); ++i) {
        const TZipObject& at = *items_[static_cast<size_t>(i)];
        if (&at == item)
            return i;
        if (Compare(at, *item) != 0)
            break;
    }
    // Orders whose ties never compare equal (dates, sizes) need the plain search.
    return TObjectList::IndexOf(item);
}

void TSortedObjectList::WriteToStream(TStream& stream) const {
    stream.WriteValue<uint8_t>(static_cast<uint8_t>(Duplicates));
    TObjectList::WriteToStream(stream);
}

void TSortedObjectList::ReadFromStream(TStream& stream) {
    uint8_t d = stream.ReadValue<uint8_t>();
    if (d > dupError)
        throw EReadError("Stream read error");
    Duplicates = static_cast<TDuplicates>(d);
    TObjectList::ReadFromStream(stream);
}

TFindResult TSortedObjectList::Find(const TZipObject& key) const {
    int lo = 0;
    int hi = Count() - 1;
    bool found = false;
    while (lo <= hi) {
        int mid = lo + (hi - lo) / 2;
        int c = Compare(*items_[static_cast<size_t>(mid)], key);
        if (c < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == 0)
                found = true;
        }
    }
    return {found, lo};
}

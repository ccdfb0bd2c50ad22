#pragma once
// The list classes under the zip library's entry lists: TObjectList, a list of shared objects
// that can stream itself by class name, and TSortedObjectList, which keeps its objects ordered
// through a virtual comparison and finds them by binary search. Plus the process-wide class
// registry through which objects are written to and read from streams by class name.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/classes.h"
#include "zip/ziperrors.h"

// The base of every object the lists hold; ClassName() is the name the registry knows it by.
class TZipObject {
public:
    virtual ~TZipObject() = default;
    virtual std::string ClassName() const = 0;
};
using TZipObjectPtr = std::shared_ptr<TZipObject>;

// ---- Class registry -------------------------------------------------------------------

using TZipCreateProc = std::function<TZipObjectPtr()>;
using TZipReadProc = std::function<void(TZipObject&, TStream&)>;
using TZipWriteProc = std::function<void(const TZipObject&, TStream&)>;

// What the registry holds for one class.
struct TRegisterRec {
    TZipCreateProc Create;
    TZipReadProc Read;
    TZipWriteProc Write;
};

// Registers (or re-registers) a class by name; names compare exactly.
void RegisterZipClass(const std::string& className, TZipCreateProc create, TZipReadProc read,
                      TZipWriteProc write);
void UnregisterZipClass(const std::string& className);
bool IsZipClassRegistered(const std::string& className);

// Writes the class name (a length byte and up to 63 characters) and then the object by its
// class's write procedure. Raises EClassNotFound "Nil Source Class!" for no object and
// "Source Class <%s> not registered" for an unknown class.
void WriteZipObject(TStream& stream, const TZipObject* object);
// Reads a class name, creates an instance of it and fills it by its read procedure. Raises
// EClassNotFound "Class <%s> not registered" for an unknown name, EReadError on a short read.
TZipObjectPtr ReadZipObject(TStream& stream);

// ---- TObjectList ----------------------------------------------------------------------

// A list of objects by index. Objects are shared: the list keeps each one alive while it holds
// it, and another list (a sorted view) may hold the same objects. OwnsObjects is the flag the
// stream form carries. Indexes out of range raise EListError "Index %d is out of range".
class TObjectList {
public:
    // The capacity stays below this many items.
    static constexpr int MaxListSize = 65535;

    explicit TObjectList(bool ownsObjects = true) : OwnsObjects(ownsObjects) {}
    virtual ~TObjectList() = default;
    TObjectList(const TObjectList&) = delete;
    TObjectList& operator=(const TObjectList&) = delete;

    int Count() const { return static_cast<int>(items_.size()); }
    int Capacity() const { return capacity_; }
    // A capacity below the count or of MaxListSize or more raises EListError.
    void SetCapacity(int capacity);
    // Grows the capacity when needed; new slots hold no object.
    void SetCount(int count);

    const TZipObjectPtr& Items(int index) const;
    const TZipObjectPtr& operator[](int index) const { return Items(index); }

    // Replaces the item at index.
    virtual void Put(int index, TZipObjectPtr item);
    // Appends, growing the capacity when full; returns the index.
    virtual int Add(TZipObjectPtr item);
    // Inserts at index 0..Count, moving the tail up.
    virtual void Insert(int index, TZipObjectPtr item);
    // Removes the item at index.
    void Delete(int index);
    // Empties the list; count and capacity become 0.
    virtual void Clear();
    // Index of this very object (linear search), -1 when absent.
    virtual int IndexOf(const TZipObject* item) const;

    // Stream form: the owns-objects byte, the count as 32 bits, then each object by the
    // registry (WriteZipObject). Reading replaces the content; a count that does not fit the
    // stream or the list raises EReadError before anything is allocated.
    virtual void WriteToStream(TStream& stream) const;
    virtual void ReadFromStream(TStream& stream);

    // The list as its owner's stored property: "ObjectContainer" with the stream form, or
    // nothing when the list is empty.
    static constexpr const char* StoredPropertyName = "ObjectContainer";
    std::optional<std::string> StoredProperty() const;

    // First and last item; nothing when the list is empty.
    TZipObjectPtr First() const;
    TZipObjectPtr Last() const;
    // The item after (forward) or before a given one; with no object given the first or the
    // last item; nothing past either end. An object not in the list raises EListError
    // "tObject %s not in item list" with its class name.
    TZipObjectPtr Neighbour(const TZipObject* item, bool forward) const;

    bool OwnsObjects;

protected:
    [[noreturn]] virtual void Error(int index) const;
    // Raises the capacity by 16 above 8, by 8 above 4, else by 4.
    virtual void Grow();
    void InsertAt(int index, TZipObjectPtr item);

    std::vector<TZipObjectPtr> items_;
    int capacity_ = 0;
};

// ---- TSortedObjectList ----------------------------------------------------------------

enum TDuplicates : uint8_t { dupIgnore = 0, dupAccept = 1, dupError = 2 };

struct TFindResult {
    bool Found;
    int Index; // the first item not less than the key, or where it would go
};

// A list ordered by Compare. Add and Insert put each object where Find says: an equal key is
// dropped (dupIgnore), kept after its equals (dupAccept) or refused with EListError
// "Duplicate Object index" (dupError). Put raises EListError.
class TSortedObjectList : public TObjectList {
public:
    explicit TSortedObjectList(TDuplicates duplicates, bool ownsObjects = true)
        : TObjectList(ownsObjects), Duplicates(duplicates) {}

    void Put(int index, TZipObjectPtr item) override;
    // Returns the index the object went to (for dupIgnore, the index of its equal).
    int Add(TZipObjectPtr item) override;
    // The index is ignored: the object goes where Find puts it.
    void Insert(int index, TZipObjectPtr item) override;
    // Finds this very object (by Find, then among its equals), -1 when absent.
    int IndexOf(const TZipObject* item) const override;

    // The duplicates byte, then the list's stream form.
    void WriteToStream(TStream& stream) const override;
    void ReadFromStream(TStream& stream) override;

    // Binary search for key.
    virtual TFindResult Find(const TZipObject& key) const;
    // Order of two objects: < 0 when a goes before b, 0 when equal, > 0 after.
    virtual int Compare(const TZipObject& a, const TZipObject& b) const = 0;

    TDuplicates Duplicates;
};

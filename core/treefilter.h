#pragma once
// A small object model that turns a flat list into a two-level tree: groups holding the
// objects they accept, each level kept sorted. The reminders list window shows it; the
// reminder-specific group and object are in remindertreefilter.h.

#include <cstddef>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "core/sortedlists.h"

class TFilterTreeItem;

// Frees a tree object: deletes it, or, for one a manager made in its blocks (TFilterTreeManager
// ::Make), only destroys it (the manager frees the block).
struct TFilterTreeItemDeleter {
    TFilterTreeItemDeleter() = default;
    template <class U> TFilterTreeItemDeleter(const std::default_delete<U>&) {}
    void operator()(TFilterTreeItem* item) const;
};
using TFilterTreeItemPtr = std::unique_ptr<TFilterTreeItem, TFilterTreeItemDeleter>;

// Children in ascending order of the first one's Compare, owned; equal entries are all kept
// (a new one before those equal to it).
class TFilterTreeItems : public TListSorted<TFilterTreeItemPtr> {
public:
    TFilterTreeItems() { Duplicates = dupAccept; }

protected:
    int Compare(const TFilterTreeItemPtr& a, const TFilterTreeItemPtr& b) const override;
    bool SortKey(const TFilterTreeItemPtr& item, double& key) const override;
};

// A node of the tree: a group or an object, with its sorted children.
class TFilterTreeItem {
public:
    TFilterTreeItem() = default;
    virtual ~TFilterTreeItem() = default;
    TFilterTreeItem(const TFilterTreeItem&) = delete;
    TFilterTreeItem& operator=(const TFilterTreeItem&) = delete;

    virtual void SetCaption(const std::string& /*caption*/) {}
    virtual std::string GetCaption() const { return {}; }
    virtual bool IsGroup() const { return false; }
    // Negative when this sorts before other, 0 when equal, positive after.
    virtual int Compare(const TFilterTreeItem& /*other*/) const { return 0; }
    // A group takes its range (and caption) from the first object it is opened for.
    virtual void InitFromItem(const TFilterTreeItem& /*item*/) {}
    // Whether a group takes the object.
    virtual bool Accepts(const TFilterTreeItem& /*item*/) const { return false; }
    // An object whose Compare orders by a number may give it (true) to speed up sorting; it
    // must order as Compare does against every other object that gives one.
    virtual bool SortKey(double& /*key*/) const { return false; }

    TFilterTreeItems Children;

private:
    friend class TFilterTreeManager;
    friend struct TFilterTreeItemDeleter;
    bool inBlock_ = false; // made by TFilterTreeManager::Make
};

// An object the tree shows.
class TFilterTreeObject : public TFilterTreeItem {
public:
    bool IsGroup() const override { return false; }
};

// A group with a caption that takes every object and sorts before everything.
class TFilterTreeGroup : public TFilterTreeItem {
public:
    void SetCaption(const std::string& caption) override { Caption = caption; }
    std::string GetCaption() const override { return Caption; }
    bool IsGroup() const override { return true; }
    int Compare(const TFilterTreeItem& /*other*/) const override { return -1; }
    bool Accepts(const TFilterTreeItem& /*item*/) const override { return true; }

    std::string Caption;
};

class TFilterTreeManager;

// Files many objects at once: each Add files its object as FindGroupFor, and AddGroup with a
// group from newGroup where none accepts it, would, giving the same tree; each group's new
// children are sorted once, by Finish (or at the end of the batch). n objects cost
// O(n log n) plus the Accepts calls. The tree changes in no other way during the batch.
class TFilterTreeBatch {
public:
    TFilterTreeBatch(TFilterTreeManager& tree, std::function<TFilterTreeItemPtr()> newGroup);
    ~TFilterTreeBatch() { Finish(); }
    TFilterTreeBatch(const TFilterTreeBatch&) = delete;
    TFilterTreeBatch& operator=(const TFilterTreeBatch&) = delete;

    void Add(TFilterTreeItemPtr item);
    // The groups' new children go in, sorted (done at the end of the batch too).
    void Finish();

private:
    // One group's new children in filing order, and their SortKey numbers while each one has
    // one.
    struct TFiled {
        std::vector<TFilterTreeItemPtr> items;
        std::vector<double> keys;
        bool keyed = true;
    };
    TFilterTreeManager& tree_;
    std::function<TFilterTreeItemPtr()> newGroup_;
    std::vector<TFiled> filed_; // by the group's place in Groups
};

// The tree: Root's children are the groups in sorted order; Groups lists the same groups in
// the order they were added.
class TFilterTreeManager {
public:
    TFilterTreeManager() = default;
    ~TFilterTreeManager();
    TFilterTreeManager(const TFilterTreeManager&) = delete;
    TFilterTreeManager& operator=(const TFilterTreeManager&) = delete;

    // Empties both, freeing the groups and their objects; the blocks of Make stay for the
    // next objects (freed with the manager).
    void Clear();
    // A new T(args...) placed in this manager's blocks, which spares many objects a heap
    // allocation each. It must be freed (filed here, or dropped) before the next Clear.
    template <class T, class... Args> TFilterTreeItemPtr Make(Args&&... args) {
        void* place = Allocate(sizeof(T), alignof(T));
        T* item = new (place) T(std::forward<Args>(args)...);
        item->inBlock_ = true;
        return TFilterTreeItemPtr(item);
    }
    // The first group in creation order that accepts item: item moves into its children and
    // the group is returned. nullptr, item left with the caller, when none accepts it.
    TFilterTreeItem* FindGroupFor(TFilterTreeItemPtr& item);
    // group->InitFromItem(*item); item becomes the group's child, the group Root's child and
    // the last of Groups. Returns the group.
    TFilterTreeItem* AddGroup(TFilterTreeItemPtr group, TFilterTreeItemPtr item);

private:
    // size bytes aligned to align (at most that of std::max_align_t) in the current block.
    void* Allocate(size_t size, size_t align);

    // Blocks of Make, freed after the objects in them (declared before Root); those up to
    // blocks_[block_] are in use, the last of them up to blockUsed_ bytes.
    std::vector<std::unique_ptr<std::byte[]>> blocks_;
    size_t block_ = 0;
    size_t blockUsed_ = 0;

public:
    TFilterTreeItem Root;
    std::vector<TFilterTreeItem*> Groups; // owned by Root.Children

private:
    friend class TFilterTreeBatch;
    // Initialises group from item and makes it Root's child and the last of Groups.
    TFilterTreeItem* OpenGroup(TFilterTreeItemPtr group, const TFilterTreeItem& item);
};

#pragma once
// A small object model that turns a flat list into a two-level tree: groups holding the
// objects they accept, each level kept sorted. The reminders list window shows it; the
// reminder-specific group and object are in remindertreefilter.h.

#include <memory>
#include <string>
#include <vector>

#include "core/sortedlists.h"

class TFilterTreeItem;
using TFilterTreeItemPtr = std::unique_ptr<TFilterTreeItem>;

// Children in ascending order of the first one's Compare, owned; equal entries are all kept
// (a new one before those equal to it).
class TFilterTreeItems : public TListSorted<TFilterTreeItemPtr> {
public:
    TFilterTreeItems() { Duplicates = dupAccept; }

protected:
    int Compare(const TFilterTreeItemPtr& a, const TFilterTreeItemPtr& b) const override;
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

    TFilterTreeItems Children;
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

// The tree: Root's children are the groups in sorted order; Groups lists the same groups in
// the order they were added.
class TFilterTreeManager {
public:
    // Empties both (freeing the groups and their objects).
    void Clear();
    // The first group in creation order that accepts item: item moves into its children and
    // the group is returned. nullptr, item left with the caller, when none accepts it.
    TFilterTreeItem* FindGroupFor(TFilterTreeItemPtr& item);
    // group->InitFromItem(*item); item becomes the group's child, the group Root's child and
    // the last of Groups. Returns the group.
    TFilterTreeItem* AddGroup(TFilterTreeItemPtr group, TFilterTreeItemPtr item);

    TFilterTreeItem Root;
    std::vector<TFilterTreeItem*> Groups; // owned by Root.Children
};

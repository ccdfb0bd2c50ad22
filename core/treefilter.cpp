#include "core/treefilter.h"

#include <cstdint>

int TFilterTreeItems::Compare(const TFilterTreeItemPtr& a, const TFilterTreeItemPtr& b) const {
    return a->Compare(*b);
}

bool TFilterTreeItems::SortKey(const TFilterTreeItemPtr& item, double& key) const {
    return item->SortKey(key);
}

namespace {

constexpr size_t BlockSize = 64 * 1024;

} // namespace

void TFilterTreeItemDeleter::operator()(TFilterTreeItem* item) const {
    if (item->inBlock_)
        item->~TFilterTreeItem();
    else
        delete item;
}

TFilterTreeManager::~TFilterTreeManager() {
    Clear();
}

void* TFilterTreeManager::Allocate(size_t size, size_t align) {
    static_assert(BlockSize % alignof(std::max_align_t) == 0);
    if (size > BlockSize || align > alignof(std::max_align_t))
        throw std::bad_alloc();
    blockUsed_ = (blockUsed_ + align - 1) / align * align;
    if (blocks_.empty() || blockUsed_ + size > BlockSize) {
        if (!blocks_.empty())
            ++block_;
        if (block_ == blocks_.size())
            blocks_.push_back(std::make_unique_for_overwrite<std::byte[]>(BlockSize));
        blockUsed_ = 0;
    }
    void* place = blocks_[block_].get() + blockUsed_;
    blockUsed_ += size;
    return place;
}

void TFilterTreeManager::Clear() {
    Groups.clear();
    // The groups hold their objects in sorted order, not in the order they were made: freed
    // in turn, many of them would be reached all over memory. They are freed in the order of
    // their addresses instead.
    std::vector<TFilterTreeItemPtr> objects;
    for (const TFilterTreeItemPtr& group : Root.Children)
        for (TFilterTreeItemPtr& object : group->Children.TakeAll())
            objects.push_back(std::move(object));
    std::vector<TSortKey> order(objects.size());
    for (size_t i = 0; i < objects.size(); ++i)
        order[i] = {reinterpret_cast<uintptr_t>(objects[i].get()), static_cast<uint32_t>(i)};
    StableSortKeys(order);
    for (const TSortKey& key : order)
        objects[key.second].reset();
    Root.Children.Clear();
    block_ = 0;
    blockUsed_ = 0;
}

TFilterTreeItem* TFilterTreeManager::FindGroupFor(TFilterTreeItemPtr& item) {
    for (TFilterTreeItem* group : Groups)
        if (group->Accepts(*item)) {
            group->Children.Add(std::move(item));
            return group;
        }
    return nullptr;
}

TFilterTreeItem* TFilterTreeManager::OpenGroup(TFilterTreeItemPtr group,
                                               const TFilterTreeItem& item) {
    group->InitFromItem(item);
    TFilterTreeItem* raw = group.get();
    Root.Children.Add(std::move(group));
    Groups.push_back(raw);
    return raw;
}

TFilterTreeItem* TFilterTreeManager::AddGroup(TFilterTreeItemPtr group, TFilterTreeItemPtr item) {
    TFilterTreeItem* raw = OpenGroup(std::move(group), *item);
    raw->Children.Add(std::move(item));
    return raw;
}

// ---- TFilterTreeBatch ---------------------------------------------------------------------

TFilterTreeBatch::TFilterTreeBatch(TFilterTreeManager& tree,
                                   std::function<TFilterTreeItemPtr()> newGroup)
    : tree_(tree), newGroup_(std::move(newGroup)), filed_(tree.Groups.size()) {}

void TFilterTreeBatch::Add(TFilterTreeItemPtr item) {
    const std::vector<TFilterTreeItem*>& groups = tree_.Groups;
    size_t g = 0;
    while (g < groups.size() && !groups[g]->Accepts(*item))
        ++g;
    if (g == groups.size())
        tree_.OpenGroup(newGroup_(), *item);
    if (filed_.size() < groups.size())
        filed_.resize(groups.size());
    // The key is taken now, while the object is at hand.
    TFiled& filed = filed_[g];
    double key = 0;
    filed.keyed = filed.keyed && item->SortKey(key);
    if (filed.keyed)
        filed.keys.push_back(key);
    filed.items.push_back(std::move(item));
}

void TFilterTreeBatch::Finish() {
    for (size_t g = 0; g < filed_.size(); ++g) {
        TFiled& filed = filed_[g];
        if (!filed.items.empty())
            tree_.Groups[g]->Children.AddAll(std::move(filed.items),
                                             filed.keyed ? filed.keys : std::vector<double>());
        filed = TFiled();
    }
}

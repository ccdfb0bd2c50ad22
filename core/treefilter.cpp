#include "core/treefilter.h"

int TFilterTreeItems::Compare(const TFilterTreeItemPtr& a, const TFilterTreeItemPtr& b) const {
    return a->Compare(*b);
}

void TFilterTreeManager::Clear() {
    Groups.clear();
    Root.Children.Clear();
}

TFilterTreeItem* TFilterTreeManager::FindGroupFor(TFilterTreeItemPtr& item) {
    for (TFilterTreeItem* group : Groups)
        if (group->Accepts(*item)) {
            group->Children.Add(std::move(item));
            return group;
        }
    return nullptr;
}

TFilterTreeItem* TFilterTreeManager::AddGroup(TFilterTreeItemPtr group, TFilterTreeItemPtr item) {
    group->InitFromItem(*item);
    group->Children.Add(std::move(item));
    TFilterTreeItem* raw = group.get();
    Root.Children.Add(std::move(group));
    Groups.push_back(raw);
    return raw;
}

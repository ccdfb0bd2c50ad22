// Sorting: a stable merge sort of sibling lists along their NextSibling links, ordered by the
// host's compare event. Nodes are relinked, never copied.
#include <vector>

#include "controls/tree/leantree.h"

using enum TLeanTreeState;

namespace {

struct TSorter {
    TBaseLeanTree& tree;
    TColumnIndex column;
    bool ascending;

    // B goes first only when it is strictly before A: equal nodes keep their order.
    bool TakeSecond(PLeanNode a, PLeanNode b) const {
        int r = tree.DoCompareNodes(a, b, column);
        return ascending ? r > 0 : r < 0;
    }

    PLeanNode Merge(PLeanNode a, PLeanNode b) const {
        TLeanNode head{};
        PLeanNode tail = &head;
        while (a && b) {
            if (TakeSecond(a, b)) {
                tail->NextSibling = b;
                b = b->NextSibling;
            } else {
                tail->NextSibling = a;
                a = a->NextSibling;
            }
            tail = tail->NextSibling;
        }
        tail->NextSibling = a ? a : b;
        return head.NextSibling;
    }

    // Sorts the first Count nodes of List, taking them off it; returns the sorted chain.
    PLeanNode SortList(PLeanNode& list, uint32_t count) const {
        if (count < 2) {
            PLeanNode n = list;
            list = n->NextSibling;
            n->NextSibling = nullptr;
            return n;
        }
        PLeanNode first = SortList(list, count / 2);
        PLeanNode second = SortList(list, (count + 1) / 2);
        return Merge(first, second);
    }
};

} // namespace

void TBaseLeanTree::Sort(PLeanNode Node, TColumnIndex Column, TSortDirection Direction,
                         bool DoInit) {
    InterruptValidation();
    DropPendingEdit();
    if (IsEditing() && !DoEndEdit())
        return;
    if (!Node)
        Node = FRoot;
    if (!(Node->States & vsHasChildren))
        return;
    if (DoInit)
        InitAllChildren(Node, false);
    if (Node->ChildCount > 1) {
        StopValidation();
        PLeanNode list = Node->FirstChild;
        TSorter sorter{*this, Column, Direction == sdAscending};
        PLeanNode sorted = sorter.SortList(list, Node->ChildCount);
        // The links back, the indexes and the last child follow the new order.
        PLeanNode prev = nullptr;
        uint32_t index = 0;
        for (PLeanNode n = sorted; n; n = n->NextSibling) {
            n->PrevSibling = prev;
            n->Index = index++;
            prev = n;
        }
        Node->FirstChild = sorted;
        Node->LastChild = prev;
        InvalidateCache();
    }
    if (FUpdateCount == 0) {
        ValidateCache();
        InvalidateTree();
    }
}

void TBaseLeanTree::SortTree(TColumnIndex Column, TSortDirection Direction, bool DoInit) {
    // The count is raised by hand: EndUpdate would sort again under toAutoSort.
    ++FUpdateCount;
    try {
        if (Column > InvalidColumn) {
            std::vector<PLeanNode> pending{FRoot};
            while (!pending.empty()) {
                PLeanNode n = pending.back();
                pending.pop_back();
                Sort(n, Column, Direction, DoInit);
                for (PLeanNode c = n->FirstChild; c; c = c->NextSibling) {
                    if (DoInit)
                        InitIfNeeded(c);
                    if (c->States & vsInitialized)
                        pending.push_back(c);
                }
            }
        }
        InvalidateCache();
    } catch (...) {
        --FUpdateCount;
        throw;
    }
    if (--FUpdateCount == 0) {
        ValidateCache();
        InvalidateTree();
    }
}

// Sorting: a stable merge sort of sibling lists, ordered by the host's compare event. Nodes
// are relinked, never copied.
#include <vector>

#include "controls/tree/leantree.h"

using enum TLeanTreeState;

namespace {

// The merge sort runs on an array of the siblings, split and merged exactly as on the
// NextSibling chain (the first Count div 2, then the rest; ties keep the first half's node),
// so the host sees the same comparisons in the same order. The array lets the merge fetch the
// nodes it compares next ahead of time.
struct TSorter {
    TBaseLeanTree& tree;
    TColumnIndex column;
    bool ascending;
    size_t dataOffset; // where the host's bytes start in a node

    // B goes first only when it is strictly before A: equal nodes keep their order.
    bool TakeSecond(PLeanNode a, PLeanNode b) const {
        int r = tree.DoCompareNodes(a, b, column);
        return ascending ? r > 0 : r < 0;
    }

    void Prefetch(PLeanNode n) const {
        __builtin_prefetch(reinterpret_cast<const char*>(n) + dataOffset);
    }

    void Merge(PLeanNode* a, size_t na, PLeanNode* b, size_t nb, PLeanNode* out) const {
        constexpr size_t Ahead = 8;
        size_t i = 0, j = 0, k = 0;
        while (i < na && j < nb) {
            if (i + Ahead < na)
                Prefetch(a[i + Ahead]);
            if (j + Ahead < nb)
                Prefetch(b[j + Ahead]);
            // Without a branch on the outcome: the host's answers are not predictable.
            size_t second = TakeSecond(a[i], b[j]);
            out[k++] = second ? b[j] : a[i];
            j += second;
            i += 1 - second;
        }
        while (i < na)
            out[k++] = a[i++];
        while (j < nb)
            out[k++] = b[j++];
    }

    // Sorts the N nodes of Src into Dst; both hold the same nodes on entry.
    void SplitMerge(PLeanNode* src, PLeanNode* dst, size_t n) const {
        if (n < 2)
            return;
        size_t half = n / 2;
        SplitMerge(dst, src, half);
        SplitMerge(dst + half, src + half, n - half);
        Merge(src, half, src + half, n - half, dst);
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
        // The siblings are gathered from both ends at once: two independent chains of loads
        // take about half the time of one when the nodes lie scattered in memory.
        size_t count = Node->ChildCount;
        std::vector<PLeanNode> nodes(count);
        PLeanNode front = Node->FirstChild, back = Node->LastChild;
        for (size_t i = 0, j = count - 1; i < j; ++i, --j) {
            nodes[i] = front;
            nodes[j] = back;
            front = front->NextSibling;
            back = back->PrevSibling;
        }
        if (count % 2)
            nodes[count / 2] = front;
        std::vector<PLeanNode> work(nodes);
        TSorter sorter{*this, Column, Direction == sdAscending,
                       sizeof(TLeanNode) + FInternalDataSize};
        sorter.SplitMerge(work.data(), nodes.data(), nodes.size());

        // The links, the indexes and the last child follow the new order.
        constexpr size_t Ahead = 16; // the nodes lie scattered: fetch them early for writing
        PLeanNode prev = nullptr;
        uint32_t index = 0;
        for (size_t i = 0; i < count; ++i) {
            if (i + Ahead < count)
                __builtin_prefetch(nodes[i + Ahead], 1);
            PLeanNode n = nodes[i];
            n->PrevSibling = prev;
            if (prev)
                prev->NextSibling = n;
            n->Index = index++;
            prev = n;
        }
        prev->NextSibling = nullptr;
        PLeanNode sorted = nodes.front();
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

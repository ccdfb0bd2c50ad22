// Sorting: a stable merge sort of sibling lists, ordered by the host's compare event. Nodes
// are relinked, never copied.
#include <algorithm>
#include <vector>

#include "controls/tree/leantree.h"

using enum TLeanTreeState;

namespace {

// The merge sort runs on an array of the siblings, split exactly as on the NextSibling chain
// (the first Count div 2, then the rest). A merge takes the first node of the first half (A)
// unless the second half's (B) first node is strictly before it, so equal nodes keep their
// order. The host's comparisons dominate the time, and a merge that waits for each answer
// before it asks the next leaves the processor idle most of the time. So a large merge is cut
// in two parts of equal output (a binary search finds how many of the first half's nodes the
// first part takes), and each part runs from both ends at once: the front takes the earlier of
// the two heads, the back the later of the two tails (A's only when strictly after). The four
// chains of comparisons are independent and overlap; the result is the same as one merge from
// the front, at a few dozen comparisons more. Should the host's answers contradict each other,
// a part whose two ends crossed is merged again from the front alone, so every node is kept
// exactly once whatever it answers. The arrays have Pad spare entries at each end, so that the
// nodes ahead can be fetched without bounds checks.
struct TSorter {
    static constexpr ptrdiff_t Ahead = 16; // nodes fetched ahead of the merge
    static constexpr size_t Pad = Ahead;
    static constexpr size_t Small = 64; // smaller merges run from the front only

    TBaseLeanTree& tree;
    TColumnIndex column;
    bool ascending;
    size_t dataOffset; // where the host's bytes start in a node

    // B goes first only when it is strictly before A.
    bool TakeSecond(PLeanNode a, PLeanNode b) const {
        int r = tree.DoCompareNodes(a, b, column);
        return ascending ? r > 0 : r < 0;
    }

    void Prefetch(PLeanNode n) const {
        __builtin_prefetch(reinterpret_cast<const char*>(n) + dataOffset);
    }

    void MergeFront(PLeanNode* a, size_t na, PLeanNode* b, size_t nb, PLeanNode* out) const {
        PLeanNode* const aEnd = a + na;
        PLeanNode* const bEnd = b + nb;
        while (a < aEnd && b < bEnd) {
            Prefetch(a[Ahead]);
            Prefetch(b[Ahead]);
            const PLeanNode x = *a, y = *b;
            // Without a branch on the outcome: the host's answers are not predictable.
            const bool second = TakeSecond(x, y);
            *out++ = second ? y : x;
            b += second;
            a += !second;
        }
        while (a < aEnd)
            *out++ = *a++;
        while (b < bEnd)
            *out++ = *b++;
    }

    // One end of a part being merged: where it reads in A and in B and where it writes.
    struct TEnd {
        PLeanNode *a, *b, *out;
    };
    // One step from the front: the earlier head.
    void Front(TEnd& e) const {
        Prefetch(e.a[Ahead]);
        Prefetch(e.b[Ahead]);
        const PLeanNode x = *e.a, y = *e.b;
        const bool second = TakeSecond(x, y);
        *e.out++ = second ? y : x;
        e.b += second;
        e.a += !second;
    }
    // One step from the back: the later tail.
    void Back(TEnd& e) const {
        Prefetch(e.a[-Ahead]);
        Prefetch(e.b[-Ahead]);
        const PLeanNode u = *e.a, v = *e.b;
        const bool first = TakeSecond(u, v);
        *e.out-- = first ? u : v;
        e.a -= first;
        e.b -= !first;
    }
    // Ends the merge of the part A[0, na) and B[0, nb) into Out after its steps from the front
    // (up to f) and the back (down to k): what is left in the middle is merged from the front.
    void FinishPart(PLeanNode* a, size_t na, PLeanNode* b, size_t nb, PLeanNode* out, const TEnd& f,
                    const TEnd& k) const {
        if (f.a > k.a + 1 || f.b > k.b + 1) // the ends crossed: answers that contradict
            MergeFront(a, na, b, nb, out);
        else
            MergeFront(f.a, size_t(k.a + 1 - f.a), f.b, size_t(k.b + 1 - f.b), f.out);
    }

    // How many of the first k nodes of the merge of A and B come from A, searched between lo
    // and hi.
    size_t FromFirst(PLeanNode* a, PLeanNode* b, size_t k, size_t lo, size_t hi) const {
        while (lo < hi) {
            const size_t i = lo + (hi - lo) / 2;
            // a[i] is among the first k unless b[k - i - 1] is strictly before it.
            if (TakeSecond(a[i], b[k - i - 1]))
                hi = i;
            else
                lo = i + 1;
        }
        return lo;
    }

    void Merge(PLeanNode* a, size_t na, PLeanNode* b, size_t nb, PLeanNode* out) const {
        const size_t n = na + nb;
        if (n < Small) {
            MergeFront(a, na, b, nb, out);
            return;
        }
        // Part 1: A[0, i) with B[0, j) into Out[0, k); part 2: the rest.
        const size_t k = n / 2;
        const size_t i = FromFirst(a, b, k, k > nb ? k - nb : 0, std::min(k, na)), j = k - i;
        // Each end of a part takes as many steps as the part's smaller input has nodes: no
        // end can run out of its inputs before then.
        const size_t steps1 = std::min(i, j), steps2 = std::min(na - i, nb - j);
        // (Pointers one before a range stay inside the arrays: the spare entries.)
        TEnd f1{a, b, out}, k1{a + i - 1, b + j - 1, out + k - 1};
        TEnd f2{a + i, b + j, out + k}, k2{a + na - 1, b + nb - 1, out + n - 1};
        const size_t both = std::min(steps1, steps2);
        for (size_t step = 0; step < both; ++step) {
            Front(f1);
            Back(k1);
            Front(f2);
            Back(k2);
        }
        for (size_t step = both; step < steps1; ++step) {
            Front(f1);
            Back(k1);
        }
        for (size_t step = both; step < steps2; ++step) {
            Front(f2);
            Back(k2);
        }
        FinishPart(a, i, b, j, out, f1, k1);
        FinishPart(a + i, na - i, b + j, nb - j, out + k, f2, k2);
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
        const size_t count = Node->ChildCount, pad = TSorter::Pad;
        std::vector<PLeanNode> all(count + 2 * pad), work(count + 2 * pad);
        PLeanNode* nodes = all.data() + pad;
        PLeanNode front = Node->FirstChild, back = Node->LastChild;
        for (size_t i = 0, j = count - 1; i < j; ++i, --j) {
            nodes[i] = front;
            nodes[j] = back;
            front = front->NextSibling;
            back = back->PrevSibling;
        }
        if (count % 2)
            nodes[count / 2] = front;
        std::copy(nodes, nodes + count, work.data() + pad);
        TSorter sorter{*this, Column, Direction == sdAscending,
                       sizeof(TLeanNode) + FInternalDataSize};
        sorter.SplitMerge(work.data() + pad, nodes, count);

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
        PLeanNode sorted = nodes[0];
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

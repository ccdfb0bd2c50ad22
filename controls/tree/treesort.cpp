// Sorting: a stable merge sort of sibling lists, ordered by the host's compare event. Nodes
// are relinked, never copied.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "controls/tree/leantree.h"

using enum TLeanTreeState;

namespace {

constexpr size_t SortPad = 16; // spare entries at each end of the sort's arrays

// How the sort asks the host: through the virtual DoCompareNodes, or straight through the
// event when DoCompareNodes is not overridden (one call less per comparison: the calls take
// most of a sort's time).
struct TVirtualCompare {
    TBaseLeanTree& tree;
    TColumnIndex column;
    int operator()(PLeanNode a, PLeanNode b) const { return tree.DoCompareNodes(a, b, column); }
};
struct TEventCompare {
    TBaseLeanTree* tree;
    const TLTCompareEvent& event;
    TColumnIndex column;
    int operator()(PLeanNode a, PLeanNode b) const {
        int result = 0;
        event(tree, a, b, column, result);
        return result;
    }
};

// True when Events' DoCompareNodes is the events' own. GCC names the function a virtual call
// reaches; elsewhere the answer is false and the virtual call is always made.
bool ComparesThroughEvent(TLeanTreeEvents& Events) {
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpmf-conversions"
    using TFunction = int (*)(TLeanTreeEvents*, PLeanNode, PLeanNode, TColumnIndex);
    return (TFunction)(Events.*(&TLeanTreeEvents::DoCompareNodes)) ==
           (TFunction)(&TLeanTreeEvents::DoCompareNodes);
#pragma GCC diagnostic pop
#else
    (void)Events;
    return false;
#endif
}

// The merge sort runs on an array of the siblings. A merge takes the first node of the first
// run (A) unless the second run's (B) first node is strictly before it, so equal nodes keep
// their order. The host's comparisons dominate the time, and a merge that waits for each answer
// before it asks the next leaves the processor idle most of the time; so every merge runs as
// four independent chains of comparisons that overlap. Blocks of up to Block nodes are sorted
// bottom up, two merges at a time, each from both ends: the front takes the earlier of the two
// heads, the back the later of the two tails (A's only when strictly after). Above the blocks
// a merge is cut in two parts of equal output (a binary search finds how many of A's nodes the
// first part takes), each part run from both ends. The result is that of one merge from the
// front, at a few comparisons more. Should the host's answers contradict each other, a part
// whose two ends crossed is merged again from the front alone, so every node is kept exactly
// once whatever it answers. The arrays have SortPad spare entries at each end, so that the nodes
// ahead can be fetched without bounds checks.
template <typename TCompare, bool Ascending> struct TSorter {
    static constexpr ptrdiff_t Ahead = SortPad; // nodes fetched ahead of a large merge
    static constexpr size_t Block = 1024;       // sorted bottom up, its nodes fetched at the start
    static constexpr size_t Together = 2;       // merges run at once in a block

    TCompare compare;
    size_t dataOffset; // where the host's bytes start in a node

    // B goes first only when it is strictly before A.
    bool TakeSecond(PLeanNode a, PLeanNode b) const {
        const int r = compare(a, b);
        return Ascending ? r > 0 : r < 0;
    }
    void Prefetch(PLeanNode n) const {
        __builtin_prefetch(reinterpret_cast<const char*>(n) + dataOffset);
    }

    // One end of a part being merged: where it reads in A and in B and where it writes.
    struct TEnd {
        PLeanNode *a, *b, *out;
    };
    // One step from the front: the earlier head.
    template <bool Fetch> void Front(TEnd& e) const {
        if constexpr (Fetch) {
            Prefetch(e.a[Ahead]);
            Prefetch(e.b[Ahead]);
        }
        const PLeanNode x = *e.a, y = *e.b;
        // Without a branch on the outcome: the host's answers are not predictable.
        const bool second = TakeSecond(x, y);
        *e.out++ = second ? y : x;
        e.b += second;
        e.a += !second;
    }
    // One step from the back: the later tail.
    template <bool Fetch> void Back(TEnd& e) const {
        if constexpr (Fetch) {
            Prefetch(e.a[-Ahead]);
            Prefetch(e.b[-Ahead]);
        }
        const PLeanNode u = *e.a, v = *e.b;
        const bool first = TakeSecond(u, v);
        *e.out-- = first ? u : v;
        e.a -= first;
        e.b -= !first;
    }
    void MergeFront(PLeanNode* a, size_t na, PLeanNode* b, size_t nb, PLeanNode* out) const {
        PLeanNode* const aEnd = a + na;
        PLeanNode* const bEnd = b + nb;
        TEnd e{a, b, out};
        while (e.a < aEnd && e.b < bEnd)
            Front<true>(e);
        e.out = std::copy(e.a, aEnd, e.out);
        std::copy(e.b, bEnd, e.out);
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

    // Written out rather than as MergeMany<2> over the two parts: with the four ends in plain
    // variables the compiler keeps them in registers, and the large merges, which take half
    // the sort's time, run markedly faster than through MergeMany's arrays.
    void Merge(PLeanNode* a, size_t na, PLeanNode* b, size_t nb, PLeanNode* out) const {
        const size_t n = na + nb;
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
            Front<true>(f1);
            Back<true>(k1);
            Front<true>(f2);
            Back<true>(k2);
        }
        for (size_t step = both; step < steps1; ++step) {
            Front<true>(f1);
            Back<true>(k1);
        }
        for (size_t step = both; step < steps2; ++step) {
            Front<true>(f2);
            Back<true>(k2);
        }
        FinishPart(a, i, b, j, out, f1, k1);
        FinishPart(a + i, na - i, b + j, nb - j, out + k, f2, k2);
    }

    // A merge of A[0, na) and B[0, nb) into Out.
    struct TPart {
        PLeanNode *a, *b, *out;
        size_t na, nb;
    };
    // K merges at once, each from both ends. The front takes as many steps as the merge's
    // smaller input has nodes, the back one fewer: then at most one node is left between them.
    template <size_t K> void MergeMany(const TPart* p) const {
        TEnd f[K], k[K];
        size_t steps[K], backs[K], both = SIZE_MAX;
        for (size_t m = 0; m < K; ++m) {
            f[m] = TEnd{p[m].a, p[m].b, p[m].out};
            k[m] =
                TEnd{p[m].a + p[m].na - 1, p[m].b + p[m].nb - 1, p[m].out + p[m].na + p[m].nb - 1};
            steps[m] = std::min(p[m].na, p[m].nb);
            backs[m] = steps[m] - (steps[m] > 0);
            both = std::min(both, backs[m]);
        }
        for (size_t step = 0; step < both; ++step)
            for (size_t m = 0; m < K; ++m) {
                Front<false>(f[m]);
                Back<false>(k[m]);
            }
        for (size_t m = 0; m < K; ++m) {
            for (size_t step = both; step < backs[m]; ++step) {
                Front<false>(f[m]);
                Back<false>(k[m]);
            }
            if (steps[m])
                Front<false>(f[m]);
            FinishPart(p[m].a, p[m].na, p[m].b, p[m].nb, p[m].out, f[m], k[m]);
        }
    }

    // Sorts the M nodes of Src into Dst bottom up (both hold the same nodes on entry): runs of
    // 1, 2, 4... nodes are merged in pairs, Together merges at a time. The block's nodes are
    // fetched first; a block fits in the processor's cache.
    void BlockSort(PLeanNode* src, PLeanNode* dst, size_t m) const {
        for (size_t i = 0; i < m; ++i)
            Prefetch(src[i]);
        int levels = 0;
        for (size_t w = 1; w < m; w *= 2)
            ++levels;
        // The last level writes Dst.
        PLeanNode* from = levels % 2 ? src : dst;
        PLeanNode* to = levels % 2 ? dst : src;
        // Pairs first: their comparisons are all independent.
        if (m > 1) {
            size_t i = 0;
            for (; i + 1 < m; i += 2) {
                const bool second = TakeSecond(from[i], from[i + 1]);
                to[i] = second ? from[i + 1] : from[i];
                to[i + 1] = second ? from[i] : from[i + 1];
            }
            if (i < m)
                to[i] = from[i];
            std::swap(from, to);
        }
        for (size_t w = 2; w < m; w *= 2) {
            auto partAt = [&](size_t i) {
                const size_t na = std::min(w, m - i), nb = std::min(w, m - i - na);
                return TPart{from + i, from + i + na, to + i, na, nb};
            };
            for (size_t i = 0; i < m;) {
                TPart parts[Together];
                size_t count = 0;
                for (; count < Together && i < m; ++count) {
                    parts[count] = partAt(i);
                    i += parts[count].na + parts[count].nb;
                }
                if (count == Together)
                    MergeMany<Together>(parts);
                else
                    for (size_t j = 0; j < count; ++j)
                        MergeMany<1>(parts + j);
            }
            std::swap(from, to);
        }
    }

    // Sorts the N nodes of Src into Dst; both hold the same nodes on entry.
    void SplitMerge(PLeanNode* src, PLeanNode* dst, size_t n) const {
        if (n <= Block) {
            BlockSort(src, dst, n);
            return;
        }
        size_t half = n / 2;
        SplitMerge(dst, src, half);
        SplitMerge(dst + half, src + half, n - half);
        Merge(src, half, src + half, n - half, dst);
    }
};

// Sorts the Count nodes of Nodes by Compare; Work is as large and holds the same nodes, both with
// SortPad spare entries at each end.
template <typename TCompare>
void SortNodes(PLeanNode* Nodes, PLeanNode* Work, size_t Count, TCompare Compare, bool Ascending,
               size_t DataOffset) {
    if (Ascending)
        TSorter<TCompare, true>{Compare, DataOffset}.SplitMerge(Work, Nodes, Count);
    else
        TSorter<TCompare, false>{Compare, DataOffset}.SplitMerge(Work, Nodes, Count);
}

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
        const size_t count = Node->ChildCount, pad = SortPad;
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
        const bool ascending = Direction == sdAscending;
        const size_t dataOffset = sizeof(TLeanNode) + FInternalDataSize;
        if (!ComparesThroughEvent(*this))
            SortNodes(nodes, work.data() + pad, count, TVirtualCompare{*this, Column}, ascending,
                      dataOffset);
        else if (OnCompareNodes) // without a handler every node equals every other
            SortNodes(nodes, work.data() + pad, count, TEventCompare{this, OnCompareNodes, Column},
                      ascending, dataOffset);

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

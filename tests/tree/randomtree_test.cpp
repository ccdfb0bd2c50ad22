// Seeded random sequences of structural operations, with the store's invariants checked after
// every step and the walks and position look-ups compared with plain scans of the links.
#include <algorithm>
#include <random>

#include "controls/tree/treeheader.h"
#include "treetestutil.h"

namespace {

using enum TLTSelectionOption;

class TRandomTreeRun {
public:
    TRandomTreeRun(uint32_t seed) : rng_(seed) {
        tree_.TreeOptions().SetSelectionOptions({toMultiSelect});
    }

    PLeanNode Pick(bool allowRoot) {
        auto all = AllNodes(tree_);
        if (all.empty() || (allowRoot && Chance(10)))
            return allowRoot ? nullptr : nullptr;
        return all[Uniform(all.size())];
    }
    bool Chance(int percent) { return int(Uniform(100)) < percent; }
    size_t Uniform(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }
    TLTNodeAttachMode Mode() { return TLTNodeAttachMode(1 + Uniform(4)); }

    void Step() {
        size_t total = tree_.TotalCount();
        int op = int(Uniform(15));
        if (total > 400 && op < 3)
            op = 3; // keep the tree small enough for the scans
        if (total < 80 && (op == 3 || op == 4))
            op = 0; // and large enough to have depth
        lastOp_ = op;
        switch (op) {
        case 0:
        case 1: {
            PLeanNode n = Pick(true);
            tree_.SetChildCount(n, uint32_t(Uniform(9)));
            break;
        }
        case 2:
            tree_.InsertNode(Pick(true), Mode());
            break;
        case 3:
        case 4:
            tree_.DeleteNode(Pick(false));
            break;
        case 5: {
            PLeanNode s = Pick(false), t = Pick(true);
            if (!s)
                break;
            try {
                tree_.MoveTo(s, t, Mode(), Chance(20));
            } catch (const ELeanTreeError& e) {
                EXPECT_EQ(e.HelpContext, 2001);
            }
            break;
        }
        case 6:
        case 7:
            if (PLeanNode n = Pick(false))
                tree_.ToggleNode(n);
            break;
        case 8:
            tree_.SetNodeHeight(Pick(false), uint32_t(1 + Uniform(40)));
            break;
        case 9:
            if (Chance(2))
                tree_.Clear();
            else if (Chance(50))
                tree_.FullExpand(Pick(true));
            else
                tree_.FullCollapse(Pick(true));
            break;
        case 10:
            tree_.SetSelected(Pick(false), Chance(70));
            break;
        case 11:
            tree_.AddHidden(Pick(true), Chance(50) ? amAddChildLast : Mode());
            break;
        case 12:
            if (Chance(10))
                tree_.DeleteSelectedNodes();
            else
                tree_.SetFocusedNode(Pick(false));
            break;
        case 13:
            if (updates_ < 3 && Chance(60)) {
                tree_.BeginUpdate();
                ++updates_;
            } else if (updates_ > 0) {
                tree_.EndUpdate();
                --updates_;
            }
            break;
        case 14:
            if (PLeanNode n = Pick(false)) {
                if (Chance(50) && tree_.GetFullyVisible(n)) {
                    auto rows = ShownRows(tree_);
                    PLeanNode other = rows[Uniform(rows.size())];
                    tree_.SelectNodes(n, other, Chance(50));
                } else {
                    tree_.SetCheckType(n, TCheckType(1 + Uniform(3)));
                    tree_.SetCheckState(n, Chance(50) ? csCheckedNormal : csUncheckedNormal);
                }
            }
            break;
        }
    }

    void Finish() {
        while (updates_ > 0) {
            tree_.EndUpdate();
            --updates_;
        }
    }

    // Walks and look-ups against scans of the links.
    void CompareWalks() {
        auto rows = ShownRows(tree_);
        ASSERT_EQ(rows.size(), tree_.VisibleCount());
        std::vector<PLeanNode> walked;
        for (PLeanNode n = tree_.GetFirstVisibleNoInit(); n && walked.size() <= rows.size();
             n = tree_.GetNextVisibleNoInit(n))
            walked.push_back(n);
        ASSERT_EQ(walked, rows);
        std::vector<PLeanNode> back;
        for (PLeanNode n = tree_.GetLastVisibleNoInit(); n && back.size() <= rows.size();
             n = tree_.GetPreviousVisibleNoInit(n))
            back.push_back(n);
        std::reverse(back.begin(), back.end());
        ASSERT_EQ(back, rows);
        // From a hidden node the walks continue from its place in the display order.
        auto all = AllNodes(tree_);
        for (size_t i = 0; i < all.size(); i += 1 + Uniform(7)) {
            if (tree_.GetFullyVisible(all[i]))
                continue;
            PLeanNode next = nullptr, prev = nullptr;
            for (size_t j = i + 1; j < all.size() && !next; ++j)
                if (tree_.GetFullyVisible(all[j]))
                    next = all[j];
            for (size_t j = i; j-- > 0 && !prev;)
                if (tree_.GetFullyVisible(all[j]))
                    prev = all[j];
            ASSERT_EQ(tree_.GetNextVisibleNoInit(all[i]), next);
            ASSERT_EQ(tree_.GetPreviousVisibleNoInit(all[i]), prev);
        }
        // Tree order and the node at a position.
        for (int k = 0; k < 5 && all.size() > 1; ++k) {
            size_t a = Uniform(all.size()), b = Uniform(all.size());
            int c = tree_.CompareNodePositions(all[a], all[b]);
            ASSERT_EQ(c < 0, a < b);
            ASSERT_EQ(c == 0, a == b);
            ASSERT_EQ(tree_.AbsoluteIndex(all[a]), a);
        }
        int range = tree_.RangeY();
        for (int k = 0; k < 5; ++k) {
            int y = int(Uniform(size_t(range) + 10)) - 3;
            PLeanNode expect = nullptr;
            int top = 0, expectTop = 0;
            for (PLeanNode r : rows) {
                if (std::max(y, 0) < top + int(r->NodeHeight)) {
                    expect = r;
                    expectTop = top;
                    break;
                }
                top += r->NodeHeight;
            }
            int gotTop = -1;
            ASSERT_EQ(tree_.GetNodeAt(0, y, false, gotTop), expect) << "y " << y;
            if (expect) {
                ASSERT_EQ(gotTop, expectTop);
            }
        }
    }

    TTestTree tree_;
    std::mt19937 rng_;
    int updates_ = 0;
    int lastOp_ = -1;
};

TEST(RandomTree, InvariantsHoldAfterEveryOperation) {
    for (uint32_t seed : {1u, 2u, 3u, 42u, 4711u}) {
        SCOPED_TRACE(seed);
        TRandomTreeRun run(seed);
        uint32_t maxTotal = 0;
        for (int step = 0; step < 3000; ++step) {
            SCOPED_TRACE(step);
            run.Step();
            maxTotal = std::max(maxTotal, run.tree_.TotalCount());
            SCOPED_TRACE(run.lastOp_);
            EXPECT_TREE_VALID(run.tree_);
            if (run.updates_ == 0 && step % 10 == 0) {
                ASSERT_NO_FATAL_FAILURE(run.CompareWalks());
            }
        }
        run.Finish();
        EXPECT_TREE_VALID(run.tree_);
        ASSERT_NO_FATAL_FAILURE(run.CompareWalks());
        EXPECT_GT(maxTotal, 100u); // the sequence built trees of some size
    }
}

TEST(RandomTree, LargeTreesUseTheWorkersCache) {
    TRandomTreeRun run(7);
    TTestTree& t = run.tree_;
    t.SetRootNodeCount(3000);
    for (int i = 0; i < 40; ++i)
        t.SetChildCount(AllNodes(t)[size_t(i * 50)], 30);
    t.FullExpand();
    for (int round = 0; round < 30; ++round) {
        for (int k = 0; k < 20; ++k)
            run.Step();
        run.Finish();
        if (t.VisibleCount() < CacheThreshold)
            t.SetRootNodeCount(t.RootNodeCount() + 2 * CacheThreshold);
        ASSERT_TRUE(WaitForCache(t));
        ASSERT_GT(t.PositionCache().size(), 1u);
        EXPECT_TREE_VALID(t);
        ASSERT_NO_FATAL_FAILURE(run.CompareWalks());
    }
    for (int round = 0; round < 0; ++round) {
        ASSERT_NO_FATAL_FAILURE(run.CompareWalks());
    }
}

} // namespace

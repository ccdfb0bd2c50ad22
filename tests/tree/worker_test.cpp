// The position cache and the worker thread: marks, look-ups through the cache, and trees
// that are changed, cleared or destroyed while the worker walks them (run under ASan/TSan).
#include <memory>
#include <random>

#include "controls/tree/treeworker.h"
#include "treetestutil.h"

namespace {

TEST(PositionCache, MarksEverySpacingRowsPlusTheLast) {
    TTestTree t;
    t.SetRootNodeCount(CacheThreshold);
    ASSERT_TRUE(WaitForCache(t));
    EXPECT_TRUE(t.PositionCache().empty());
    t.SetRootNodeCount(CacheThreshold + 1);
    ASSERT_TRUE(WaitForCache(t));
    const auto& c = t.PositionCache();
    const size_t marks = (CacheThreshold + CacheMarkSpacing) / CacheMarkSpacing;
    ASSERT_EQ(c.size(), marks + 1);
    EXPECT_EQ(c[0].Node, t.GetFirstNoInit());
    EXPECT_EQ(c[1].AbsoluteTop, CacheMarkSpacing * 18);
    EXPECT_EQ(c[marks - 1].AbsoluteTop, (marks - 1) * CacheMarkSpacing * 18);
    EXPECT_EQ(c[marks].Node, t.RootNode()->LastChild);
    EXPECT_TREE_VALID(t);
}

TEST(PositionCache, LookUpsMatchAScanWithVaryingHeights) {
    TTestTree t;
    t.SetRootNodeCount(500);
    std::mt19937 rng(5);
    for (PLeanNode n = t.GetFirstNoInit(); n; n = n->NextSibling) {
        t.SetChildCount(n, 1 + rng() % 20);
        if (rng() % 3)
            t.ToggleNode(n);
        for (PLeanNode c = n->FirstChild; c; c = c->NextSibling)
            t.SetNodeHeight(c, 5 + rng() % 30);
    }
    ASSERT_TRUE(WaitForCache(t));
    EXPECT_TREE_VALID(t);
    auto rows = ShownRows(t);
    std::vector<int> tops;
    int top = 0;
    for (PLeanNode r : rows) {
        tops.push_back(top);
        top += r->NodeHeight;
    }
    for (int k = 0; k < 2000; ++k) {
        int y = int(rng() % uint32_t(top));
        size_t i = size_t(std::upper_bound(tops.begin(), tops.end(), y) - tops.begin()) - 1;
        int got;
        ASSERT_EQ(t.GetNodeAt(0, y, false, got), rows[i]);
        ASSERT_EQ(got, tops[i]);
        ASSERT_EQ(t.GetDisplayRect(rows[i], NoColumn, false).top() - t.OffsetY(), tops[i]);
    }
    int dummy;
    EXPECT_EQ(t.GetNodeAt(0, top + 5, false, dummy), nullptr);
    EXPECT_EQ(t.GetNodeAt(0, -20, false, dummy), rows.front());
}

TEST(WorkerThread, OneThreadForAllTreesEndsWithTheLast) {
    ASSERT_EQ(TWorkerThread::Instance(), nullptr);
    {
        TTestTree a;
        TWorkerThread* w = TWorkerThread::Instance();
        ASSERT_NE(w, nullptr);
        TTestTree b;
        EXPECT_EQ(TWorkerThread::Instance(), w);
        EXPECT_EQ(w->RefCount(), 2);
    }
    EXPECT_EQ(TWorkerThread::Instance(), nullptr);
    TTestTree c;
    EXPECT_NE(TWorkerThread::Instance(), nullptr);
}

TEST(WorkerThread, TreesChangedClearedAndDestroyedWhileItWalks) {
    std::mt19937 rng(11);
    auto keep = std::make_unique<TTestTree>(); // keeps the worker alive throughout
    for (int round = 0; round < 60; ++round) {
        auto t = std::make_unique<TTestTree>();
        t->SetRootNodeCount(20000 + rng() % 5000);
        auto tops = AllNodes(*t);
        for (int i = 0; i < 200; ++i)
            t->SetChildCount(tops[size_t(rng() % 1000)], 3);
        t->FullExpand();
        // The worker now walks this tree; change it in the ways that free nodes.
        switch (round % 6) {
        case 0:
            t.reset();
            break;
        case 1:
            t->Clear();
            break;
        case 2:
            for (int i = 0; i < 50; ++i)
                t->DeleteNode(t->RootNode()->LastChild); // leaves
            break;
        case 3:
            t->DeleteChildren(t->GetFirstNoInit());
            break;
        case 4:
            t->FullCollapse();
            break;
        case 5: {
            t->TreeOptions().SetSelectionOptions({TLTSelectionOption::toMultiSelect});
            for (int i = 0; i < 100; ++i)
                t->SetSelected(t->RootNode()->LastChild->PrevSibling, i % 2);
            t->SetNodeHeight(t->GetFirstNoInit(), 40);
            break;
        }
        }
        if (t) {
            if (t->VisibleCount() > CacheThreshold) {
                ASSERT_TRUE(WaitForCache(*t));
            }
            EXPECT_TREE_VALID(*t);
        }
        QCoreApplication::processEvents();
    }
}

TEST(WorkerThread, SynchronousBuildMatchesTheWorker) {
    TTestTree t;
    t.SetRootNodeCount(10000);
    ASSERT_TRUE(WaitForCache(t));
    std::vector<TCacheEntry> mine;
    ASSERT_TRUE(t.BuildPositionCache(mine, nullptr));
    ASSERT_EQ(mine.size(), t.PositionCache().size());
    for (size_t i = 0; i < mine.size(); ++i) {
        EXPECT_EQ(mine[i].Node, t.PositionCache()[i].Node);
        EXPECT_EQ(mine[i].AbsoluteTop, t.PositionCache()[i].AbsoluteTop);
    }
}

} // namespace

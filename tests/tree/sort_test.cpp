// Sorting: stable order with equal keys in both directions, relinked siblings, the whole tree,
// automatic sorting and a sort refused by a running edit.
#include <algorithm>
#include <functional>
#include <random>

#include "treetestutil.h"

namespace {

using enum TLTAutoOption;

// Keys live in the node data; ties are broken by nothing, so stability shows.
class SortTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree.OnCompareNodes = [this](TBaseLeanTree*, PLeanNode a, PLeanNode b, TColumnIndex,
                                     int& r) {
            ++compares;
            r = (Key(a) > Key(b)) - (Key(a) < Key(b));
        };
    }
    int Key(PLeanNode n) { return tree.Data(n) / 1000; } // the thousands are the key
    std::vector<int> Values(PLeanNode parent) {
        std::vector<int> v;
        for (PLeanNode c = (parent ? parent : tree.RootNode())->FirstChild; c; c = c->NextSibling)
            v.push_back(tree.Data(c));
        return v;
    }
    TTestTree tree;
    int compares = 0;
};

TEST_F(SortTest, EqualKeysKeepTheirOrderInBothDirections) {
    std::mt19937 rng(5);
    for (int size : {0, 1, 2, 3, 7, 64, 1000}) {
        tree.Clear();
        tree.SetRootNodeCount(uint32_t(size));
        int i = 0;
        for (PLeanNode n = tree.GetFirst(); n; n = n->NextSibling)
            tree.Data(n) = int(rng() % 5) * 1000 + i++; // key 0..4, then the original place
        std::vector<int> before = Values(nullptr);
        for (TSortDirection dir : {sdAscending, sdDescending}) {
            tree.Sort(nullptr, NoColumn, dir);
            std::vector<int> expected = before;
            std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
                return dir == sdAscending ? a / 1000 < b / 1000 : a / 1000 > b / 1000;
            });
            ASSERT_EQ(Values(nullptr), expected) << size;
            EXPECT_TREE_VALID(tree); // PrevSibling, Index, LastChild follow the new order
            tree.Sort(nullptr, NoColumn, sdAscending); // back to a known state
            std::vector<int> asc = before;
            std::stable_sort(asc.begin(), asc.end(),
                             [](int a, int b) { return a / 1000 < b / 1000; });
            before = asc;
        }
    }
}

// Presorted, reversed, all-equal and few-valued lists of sizes around the point where merges
// are split and run from both ends: each gives the stable order.
TEST_F(SortTest, OrderedAndEqualInputsGiveTheStableOrder) {
    // Here the ten-thousands are the key: the places go up to 4096.
    auto key = [](int value) { return value / 10000; };
    tree.OnCompareNodes = [&](TBaseLeanTree*, PLeanNode a, PLeanNode b, TColumnIndex, int& r) {
        r = (key(tree.Data(a)) > key(tree.Data(b))) - (key(tree.Data(a)) < key(tree.Data(b)));
    };
    const std::vector<std::function<int(int, int)>> keys = {
        [](int i, int) { return i; }, [](int i, int size) { return size - i; },
        [](int, int) { return 0; }, [](int i, int) { return i % 3; },
        [](int i, int) { return i < 50 ? 1 : 0; }};
    for (int size : {63, 64, 65, 130, 4097})
        for (const auto& keyOf : keys)
            for (TSortDirection dir : {sdAscending, sdDescending}) {
                tree.Clear();
                tree.SetRootNodeCount(uint32_t(size));
                int i = 0;
                for (PLeanNode n = tree.GetFirst(); n; n = n->NextSibling, ++i)
                    tree.Data(n) = keyOf(i, size) * 10000 + i;
                std::vector<int> expected = Values(nullptr);
                std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
                    return dir == sdAscending ? key(a) < key(b) : key(a) > key(b);
                });
                tree.Sort(nullptr, NoColumn, dir);
                ASSERT_EQ(Values(nullptr), expected) << size;
                EXPECT_TREE_VALID(tree);
            }
}

// A handler whose answers contradict each other gets no nil or foreign node and loses none.
TEST_F(SortTest, ContradictoryAnswersKeepEveryNodeOnce) {
    std::mt19937 rng(11);
    tree.SetRootNodeCount(3000);
    int i = 0;
    for (PLeanNode n = tree.GetFirst(); n; n = n->NextSibling)
        tree.Data(n) = i++;
    bool foreign = false;
    tree.OnCompareNodes = [&](TBaseLeanTree*, PLeanNode a, PLeanNode b, TColumnIndex, int& r) {
        foreign |= !a || !b || a->Parent != tree.RootNode() || b->Parent != tree.RootNode();
        r = int(rng() % 3) - 1;
    };
    for (TSortDirection dir : {sdAscending, sdDescending}) {
        tree.Sort(nullptr, NoColumn, dir);
        EXPECT_FALSE(foreign);
        std::vector<int> values = Values(nullptr);
        std::sort(values.begin(), values.end());
        for (int k = 0; k < 3000; ++k)
            ASSERT_EQ(values[size_t(k)], k);
        EXPECT_TREE_VALID(tree);
    }
}

// A descendant's own DoCompareNodes decides the order, not the event behind it.
class TOwnCompareTree : public TTestTree {
public:
    int DoCompareNodes(PLeanNode a, PLeanNode b, TColumnIndex) override {
        int x = Data(a) % 7, y = Data(b) % 7;
        return (x > y) - (x < y);
    }
};

TEST(SortOverride, AnOverriddenCompareDecidesTheOrder) {
    for (int size : {50, 5000}) {
        TOwnCompareTree tree;
        bool asked = false;
        tree.OnCompareNodes = [&](TBaseLeanTree*, PLeanNode, PLeanNode, TColumnIndex, int& r) {
            asked = true;
            r = 0;
        };
        tree.SetRootNodeCount(uint32_t(size));
        std::vector<int> expected;
        int i = 0;
        for (PLeanNode n = tree.GetFirst(); n; n = n->NextSibling)
            expected.push_back(tree.Data(n) = (i++ * 31) % 1000);
        std::stable_sort(expected.begin(), expected.end(),
                         [](int a, int b) { return a % 7 > b % 7; });
        tree.Sort(nullptr, NoColumn, sdDescending);
        std::vector<int> values;
        for (PLeanNode n = tree.GetFirst(); n; n = n->NextSibling)
            values.push_back(tree.Data(n));
        EXPECT_EQ(values, expected) << size;
        EXPECT_FALSE(asked);
        EXPECT_TREE_VALID(tree);
    }
}

TEST_F(SortTest, WithoutHandlerTheOrderStays) {
    tree.SetRootNodeCount(50);
    int i = 50;
    for (PLeanNode n = tree.GetFirst(); n; n = n->NextSibling)
        tree.Data(n) = (i--) * 1000;
    std::vector<int> before = Values(nullptr);
    tree.OnCompareNodes = nullptr;
    tree.Sort(nullptr, NoColumn, sdAscending);
    EXPECT_EQ(Values(nullptr), before);
    tree.Sort(nullptr, NoColumn, sdDescending);
    EXPECT_EQ(Values(nullptr), before);
}

TEST_F(SortTest, SortTreeSortsEveryInitialisedLevel) {
    tree.SetRootNodeCount(3);
    int v = 0;
    for (PLeanNode n = tree.GetFirst(); n; n = n->NextSibling) {
        tree.Data(n) = (9 - v++) * 1000;
        tree.SetChildCount(n, 4);
        int w = 0;
        for (PLeanNode c = tree.GetFirstChild(n); c; c = c->NextSibling)
            tree.Data(c) = (9 - w++) * 1000;
    }
    tree.FullExpand();
    tree.SortTree(NoColumn, sdAscending);
    EXPECT_EQ(Values(nullptr), (std::vector<int>{7000, 8000, 9000}));
    for (PLeanNode n = tree.GetFirst(); n; n = n->NextSibling)
        EXPECT_EQ(Values(n), (std::vector<int>{6000, 7000, 8000, 9000}));
    EXPECT_TREE_VALID(tree);
    // Column -2 sorts nothing.
    compares = 0;
    tree.SortTree(InvalidColumn, sdDescending);
    EXPECT_EQ(compares, 0);
    EXPECT_EQ(Values(nullptr), (std::vector<int>{7000, 8000, 9000}));
}

TEST_F(SortTest, AutoSortSortsNewChildrenAndAfterUpdates) {
    tree.OnInitNode = [this](TBaseLeanTree*, PLeanNode, PLeanNode n, TLeanNodeInitStates&) {
        tree.Data(n) = int(100 - n->Index) * 1000;
    };
    tree.TreeOptions().SetAutoOptions(tree.TreeOptions().AutoOptions() | toAutoSort);
    tree.SetRootNodeCount(5);
    EXPECT_EQ(Values(nullptr), (std::vector<int>{96000, 97000, 98000, 99000, 100000}));
    EXPECT_TREE_VALID(tree);
    tree.BeginUpdate();
    for (PLeanNode n = tree.GetFirst(); n; n = n->NextSibling)
        tree.Data(n) = -tree.Data(n);
    tree.EndUpdate();
    EXPECT_EQ(Values(nullptr), (std::vector<int>{-100000, -99000, -98000, -97000, -96000}));
    EXPECT_TREE_VALID(tree);
}

// An edit link that may refuse to end.
struct TStubLink : ILTEditLink {
    bool allowEnd = true;
    int ends = 0;
    bool BeginEdit() override { return true; }
    bool CancelEdit() override { return true; }
    bool EndEdit() override {
        ++ends;
        return allowEnd;
    }
    bool PrepareEdit(TBaseLeanTree*, PLeanNode, TColumnIndex) override { return true; }
    QRect GetBounds() const override { return {}; }
    void ProcessMessage(QEvent*) override {}
    void SetBounds(QRect) override {}
};

TEST_F(SortTest, ARunningEditThatCannotEndStopsTheSort) {
    tree.SetRootNodeCount(3);
    int v = 3;
    for (PLeanNode n = tree.GetFirst(); n; n = n->NextSibling)
        tree.Data(n) = (v--) * 1000;
    auto link = std::make_shared<TStubLink>();
    link->allowEnd = false;
    tree.OnCreateEditor = [&](TBaseLeanTree*, PLeanNode, TColumnIndex,
                              std::shared_ptr<ILTEditLink>& l) { l = link; };
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() | TLTMiscOption::toEditable);
    ASSERT_TRUE(tree.EditNode(tree.GetFirst(), NoColumn));
    tree.Sort(nullptr, NoColumn, sdAscending);
    EXPECT_EQ(Values(nullptr), (std::vector<int>{3000, 2000, 1000}));
    link->allowEnd = true;
    tree.Sort(nullptr, NoColumn, sdAscending);
    EXPECT_FALSE(tree.IsEditing());
    EXPECT_EQ(Values(nullptr), (std::vector<int>{1000, 2000, 3000}));
}

} // namespace

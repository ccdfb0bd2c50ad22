// Moving nodes into another tree through a node stream: the node arrives where it was sent
// whatever the target's options, and a failure on the way loses no node and leaves neither
// tree inside an update.
#include <stdexcept>

#include "platform/classes.h"
#include "treetestutil.h"

namespace {

using enum TLTMiscOption;

// A stream tree that can be made read-only.
class TStreamTree : public TStreamTestTree {
public:
    void SetReadOnly(bool on) {
        auto misc = TreeOptions().MiscOptions();
        TreeOptions().SetMiscOptions(on ? misc | toReadOnly : misc - toReadOnly);
    }
};

TEST(NodeMove, AReadOnlyTargetReceivesTheNodeWhereItWasSent) {
    for (TLTNodeAttachMode mode :
         {amAddChildFirst, amAddChildLast, amInsertBefore, amInsertAfter}) {
        SCOPED_TRACE(int(mode));
        TStreamTree from, to;
        from.Fill(1, 2);
        to.Fill(7, 2);
        to.SetReadOnly(true);
        from.MoveTo(from.Top(0), to.Top(1), mode, false);
        ASSERT_EQ(to.TotalCount(), 6u);
        EXPECT_EQ(from.Values(), (std::vector<int>{2, 200}));
        std::vector<int> expected = mode == amInsertBefore   ? std::vector{7, 700, 1, 100, 8, 800}
                                    : mode == amInsertAfter  ? std::vector{7, 700, 8, 800, 1, 100}
                                    : mode == amAddChildLast ? std::vector{7, 700, 8, 800, 1, 100}
                                                             : std::vector{7, 700, 8, 1, 100, 800};
        EXPECT_EQ(to.Values(), expected);
        EXPECT_TREE_VALID(from);
        EXPECT_TREE_VALID(to);
    }
    // Onto the root of a read-only tree, and with trees that keep different amounts of data.
    TStreamTree from, to;
    from.Fill(1, 2);
    to.SetNodeDataSize(8);
    to.Fill(7, 1);
    to.SetReadOnly(true);
    from.MoveTo(from.Top(1), &to, amAddChildFirst, false);
    EXPECT_EQ(to.Values(), (std::vector<int>{2, 200, 7, 700}));
    EXPECT_EQ(from.Values(), (std::vector<int>{1, 100}));
    EXPECT_TREE_VALID(to);
}

TEST(NodeMove, AFailureOnTheWayLosesNoNodeAndEndsBothUpdates) {
    TStreamTree from, to;
    from.Fill(1, 2);
    to.Fill(7, 1);
    auto load = to.OnLoadNode;
    int loads = 0, failAt = 2;
    to.OnLoadNode = [&](TBaseLeanTree* t, PLeanNode n, TStream& s) {
        if (++loads == failAt)
            throw std::runtime_error("no room");
        load(t, n, s);
    };
    EXPECT_THROW(from.MoveTo(from.Top(0), to.Top(0), amInsertAfter, false), std::runtime_error);
    EXPECT_EQ(from.Values(), (std::vector<int>{1, 100, 2, 200}));
    EXPECT_EQ(to.Values(), (std::vector<int>{7, 700}));
    EXPECT_EQ(from.UpdateCount(), 0u);
    EXPECT_EQ(to.UpdateCount(), 0u);
    EXPECT_FALSE(to.TreeStates().Contains(TLeanTreeState::tsUpdating));
    EXPECT_TREE_VALID(from);
    EXPECT_TREE_VALID(to);

    // Moving several children, the one that fails stays behind with those after it.
    loads = 0;
    PLeanNode parent = from.Top(0);
    from.SetChildCount(parent, 3);
    for (PLeanNode c = parent->FirstChild; c; c = c->NextSibling)
        from.Data(c) = 10 + int(c->Index);
    EXPECT_THROW(from.MoveTo(parent, to.Top(0), amAddChildLast, true), std::runtime_error);
    EXPECT_EQ(from.Values(), (std::vector<int>{1, 11, 12, 2, 200}));
    EXPECT_EQ(to.Values(), (std::vector<int>{7, 700, 10}));
    EXPECT_EQ(from.UpdateCount() + to.UpdateCount(), 0u);

    // The source's host failing to write: nothing moves.
    from.OnSaveNode = [](TBaseLeanTree*, PLeanNode, TStream&) { throw std::runtime_error("io"); };
    EXPECT_THROW(from.MoveTo(from.Top(1), &to, amAddChildLast, false), std::runtime_error);
    EXPECT_EQ(from.Values(), (std::vector<int>{1, 11, 12, 2, 200}));
    EXPECT_EQ(from.UpdateCount() + to.UpdateCount(), 0u);
    EXPECT_TREE_VALID(from);
    EXPECT_TREE_VALID(to);

    // A host's structure notice that raises as the update ends leaves the tree painting.
    to.OnStructureChange = [](TBaseLeanTree*, PLeanNode, TChangeReason) {
        throw std::runtime_error("notice");
    };
    to.BeginUpdate();
    to.Fill(9, 1);
    EXPECT_THROW(to.EndUpdate(), std::runtime_error);
    EXPECT_TRUE(to.updatesEnabled());
}

} // namespace

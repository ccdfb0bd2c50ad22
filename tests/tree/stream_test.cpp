// Node streams: round trips of random trees with host data (the store's invariants checked
// after each read), the format's details, and every kind of malformed stream refused with the
// tree left as it was.
#include <random>

#include "controls/tree/treestreamformat.h"
#include "platform/classes.h"
#include "treetestutil.h"

namespace {

using enum TLTMiscOption;
using enum TLTSelectionOption;

// Hand-made streams.
struct TBytes {
    std::string s;
    TBytes& U8(uint8_t v) { return s.push_back(char(v)), *this; }
    TBytes& U16(uint16_t v) { return Raw(&v, 2); }
    TBytes& U32(uint32_t v) { return Raw(&v, 4); }
    TBytes& Raw(const void* p, size_t n) {
        s.append(static_cast<const char*>(p), n);
        return *this;
    }
    TBytes& Header(uint16_t version = 2) {
        return U16(0x2045).U16('V').U16('T').U16(version).U16(' ').U16(0x2046);
    }
    TBytes& Chunk(uint32_t type, int32_t size) { return U32(type).U32(uint32_t(size)); }
};

// A base chunk of version 2 with the given children (complete node chunks).
std::string BaseChunk(uint32_t childCount, uint16_t states, const std::string& children,
                      uint32_t height = 18, uint8_t checkState = 0, uint8_t checkType = 0) {
    TBytes b;
    b.Chunk(2, int32_t(17 + children.size()))
        .U32(childCount)
        .U32(height)
        .U16(states)
        .U8(50)
        .U8(checkState)
        .U8(checkType)
        .U32(0);
    return b.s + children;
}

std::string NodeChunk(const std::string& inner) {
    TBytes b;
    b.Chunk(1, int32_t(inner.size()));
    return b.s + inner;
}

std::string Leaf(uint16_t states = vsVisible | vsInitialized) {
    return NodeChunk(BaseChunk(0, states, {}));
}

std::string Stream(uint32_t count, const std::string& nodes, uint16_t version = 2) {
    TBytes b;
    b.Header(version);
    if (version >= 2)
        b.U32(count);
    return b.s + nodes;
}

// One line per node: level, counts, states kept by the stream, height, check, data.
std::vector<std::string> Signature(TTestTree& t) {
    std::vector<std::string> out;
    for (PLeanNode n : AllNodes(t))
        out.push_back(Format("%u:%u:%04x:%u:%u:%u:%d", t.GetNodeLevel(n), n->ChildCount,
                             n->States & (vsInitialized | vsDisabled | vsExpanded | vsHasChildren |
                                          vsVisible | vsSelected | vsMultiline),
                             n->NodeHeight, n->CheckState, n->CheckType, t.Data(n)));
    return out;
}

// The first line where two signatures differ ("" when equal).
std::string FirstDifference(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        std::string x = i < a.size() ? a[i] : "-", y = i < b.size() ? b[i] : "-";
        if (x != y)
            return Format("line %zu: %s / %s", i, x.c_str(), y.c_str());
    }
    return {};
}

class StreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (TTestTree* t : {&tree, &other}) {
            t->OnSaveNode = [](TBaseLeanTree* s, PLeanNode n, TStream& st) {
                int v = *s->GetNodeData<int>(n);
                if (v != 0) // nodes with 0 write nothing: no user chunk
                    st.WriteValue<int32_t>(v);
            };
            t->OnLoadNode = [](TBaseLeanTree* s, PLeanNode n, TStream& st) {
                *s->GetNodeData<int>(n) = st.ReadValue<int32_t>();
            };
        }
    }
    // A random tree of about Size nodes with random states, heights, checks and data.
    void BuildRandom(TTestTree& t, std::mt19937& rng, int size) {
        t.Clear();
        t.SetRootNodeCount(1 + rng() % 5);
        std::vector<PLeanNode> nodes(AllNodes(t));
        while (int(t.TotalCount()) < size) {
            PLeanNode p = nodes[rng() % nodes.size()];
            t.SetChildCount(p, p->ChildCount + 1 + rng() % 4);
            nodes = AllNodes(t);
        }
        for (PLeanNode n : nodes) {
            t.InitNode(n);
            t.Data(n) = int(rng() % 3 == 0 ? 0 : rng());
            t.SetNodeHeight(n, 10 + rng() % 30);
            if (rng() % 4 == 0)
                t.SetCheckType(n, TCheckType(1 + rng() % 4));
            if (rng() % 3 == 0)
                n->CheckState = uint8_t(rng() % 6);
            if (rng() % 5 == 0)
                t.SetDisabled(n, true);
        }
        for (PLeanNode n : nodes)
            if (n->ChildCount && rng() % 2)
                t.ToggleNode(n);
        for (PLeanNode n : nodes)
            if (rng() % 7 == 0) // hidden: not shown, not counted
                t.AddHidden(n, amAddChildLast);
        for (PLeanNode n : AllNodes(t))
            if (rng() % 6 == 0 && !(n->States & vsDisabled))
                t.SetSelected(n, true);
    }
    void ExpectRefused(const std::string& bytes, int code) {
        SCOPED_TRACE(code);
        std::vector<std::string> before = Signature(tree);
        uint32_t visible = tree.VisibleCount();
        TMemoryStream s(bytes);
        try {
            tree.LoadFromStream(s);
            ADD_FAILURE() << "accepted";
        } catch (const ELeanTreeError& e) {
            EXPECT_EQ(e.HelpContext, code) << e.what();
        }
        EXPECT_EQ(FirstDifference(Signature(tree), before), "");
        EXPECT_EQ(tree.VisibleCount(), visible);
        EXPECT_TREE_VALID(tree);
    }
    TTestTree tree, other;
};

TEST_F(StreamTest, RandomTreesRoundTrip) {
    std::mt19937 rng(11);
    for (int round = 0; round < 25; ++round) {
        SCOPED_TRACE(round);
        tree.TreeOptions().SetSelectionOptions(round % 2 ? TLTSelectionOptions{toMultiSelect}
                                                         : TLTSelectionOptions{});
        other.TreeOptions().SetSelectionOptions(tree.TreeOptions().SelectionOptions());
        BuildRandom(tree, rng, 20 + int(rng() % 200));
        if (round % 2 == 0)
            tree.ClearSelection(); // a single-selection tree reads no selection back
        EXPECT_TREE_VALID(tree);
        TMemoryStream s;
        tree.SaveToStream(s);
        s.SetPosition(0);
        other.SetRootNodeCount(3); // replaced by the load
        other.LoadFromStream(s);
        EXPECT_EQ(s.Position(), s.Size());
        EXPECT_TREE_VALID(other);
        EXPECT_EQ(FirstDifference(Signature(other), Signature(tree)), "");
        EXPECT_EQ(other.VisibleCount(), tree.VisibleCount());
        EXPECT_EQ(other.RangeY(), tree.RangeY());
        // Writing the copy gives the same bytes.
        TMemoryStream again;
        other.SaveToStream(again);
        EXPECT_TRUE(again.AsString() == s.AsString());
        // Added below an existing node, the same subtree appears there.
        PLeanNode target = other.GetFirst();
        s.SetPosition(0);
        uint32_t added = other.AddFromStream(s, target);
        EXPECT_EQ(added, tree.RootNodeCount());
        EXPECT_TREE_VALID(other);
        EXPECT_EQ(other.TotalCount(), 2 * tree.TotalCount());
    }
}

TEST_F(StreamTest, FormatDetails) {
    // A host that writes nothing leaves only the base chunk: 8 + 8 + 17 bytes a node.
    tree.SetRootNodeCount(3);
    TMemoryStream s;
    tree.SaveToStream(s);
    EXPECT_EQ(s.Size(), int64_t(12 + 4 + 3 * 33));
    // A single node goes out with count 1 and comes back as one top-level node with children.
    PLeanNode first = tree.GetFirst();
    tree.SetChildCount(first, 2);
    tree.Data(first->FirstChild) = 7;
    TMemoryStream one;
    tree.SaveToStream(one, first);
    EXPECT_EQ(NodeStream::GetU32(one.Memory() + 12), 1u);
    one.SetPosition(0);
    other.LoadFromStream(one);
    ASSERT_EQ(other.RootNodeCount(), 1u);
    EXPECT_EQ(other.GetFirst()->ChildCount, 2u);
    EXPECT_EQ(other.Data(other.GetFirst()->FirstChild), 7);
    EXPECT_TREE_VALID(other);
    // Version 1: no count, one-byte states, every node visible.
    TBytes v1;
    v1.Header(1);
    for (int i = 0; i < 4; ++i) {
        TBytes base;
        base.Chunk(2, 13).U32(0).U32(20).U8(vsInitialized).U8(50).U8(0).U8(0).U8(0);
        v1.s += NodeChunk(base.s);
    }
    TMemoryStream s1(v1.s);
    other.LoadFromStream(s1);
    EXPECT_EQ(other.RootNodeCount(), 4u);
    EXPECT_EQ(other.VisibleCount(), 4u);
    EXPECT_EQ(other.RangeY(), 80);
    EXPECT_TREE_VALID(other);
    // Unknown chunks are skipped.
    TBytes unknown;
    unknown.Chunk(77, 5).U32(1).U8(2);
    std::string node = NodeChunk(BaseChunk(0, vsVisible, {}) + unknown.s);
    TMemoryStream s2(Stream(2, node + node));
    other.LoadFromStream(s2);
    EXPECT_EQ(other.RootNodeCount(), 2u);
    EXPECT_TREE_VALID(other);
    // A single-selection tree reads no selection; a multi-selection tree all of it.
    tree.TreeOptions().SetSelectionOptions({toMultiSelect});
    tree.SetSelected(tree.GetFirst(), true);
    tree.SetSelected(tree.GetNext(tree.GetFirst()), true);
    TMemoryStream sel;
    tree.SaveToStream(sel);
    sel.SetPosition(0);
    other.LoadFromStream(sel);
    EXPECT_EQ(other.SelectedCount(), 0u);
    EXPECT_TREE_VALID(other);
    other.TreeOptions().SetSelectionOptions({toMultiSelect});
    sel.SetPosition(0);
    other.LoadFromStream(sel);
    EXPECT_EQ(other.SelectedCount(), 2u);
    EXPECT_TREE_VALID(other);
    // Skipping a node moves past its chunk, children and host data included.
    TMemoryStream skip;
    tree.SaveToStream(skip);
    skip.SetPosition(16);
    tree.SkipNode(skip);
    tree.SkipNode(skip);
    tree.SkipNode(skip);
    EXPECT_EQ(skip.Position(), skip.Size());
    EXPECT_THROW(tree.SkipNode(skip), ELeanTreeError);
    // Nothing under toReadOnly.
    uint32_t count = other.RootNodeCount();
    other.TreeOptions().SetMiscOptions(other.TreeOptions().MiscOptions() | toReadOnly);
    TMemoryStream s3(Stream(1, Leaf()));
    other.LoadFromStream(s3);
    EXPECT_EQ(other.RootNodeCount(), count);
}

TEST_F(StreamTest, MalformedStreamsAreRefusedAndChangeNothing) {
    tree.SetRootNodeCount(3);
    tree.SetChildCount(tree.GetFirst(), 2);
    tree.FullExpand();
    tree.Data(tree.GetFirst()) = 5;
    std::string leaf = Leaf();
    ExpectRefused(Stream(1, leaf).substr(0, 11), 2004);
    std::string wrong = Stream(1, leaf);
    wrong[2] = 'X';
    ExpectRefused(wrong, 2002);
    ExpectRefused(Stream(1, leaf, 0), 2003);
    ExpectRefused(Stream(1, leaf, 3), 2003);
    ExpectRefused(Stream(0xFFFFFFFF, leaf), 2004);  // a huge count
    ExpectRefused(Stream(0x80000000u, leaf), 2004); // negative as a signed count
    ExpectRefused(Stream(2, leaf), 2004);           // fewer nodes than announced
    ExpectRefused(Stream(1, leaf).substr(0, 20), 2004);
    ExpectRefused(Stream(1, BaseChunk(0, vsVisible, {})), 2005); // no anchor chunk
    // A node chunk that announces more than there is, or a negative size.
    TBytes big;
    big.Chunk(1, 1000);
    ExpectRefused(Stream(1, big.s + BaseChunk(0, vsVisible, {})), 2004);
    TBytes negative;
    negative.Chunk(1, -8);
    ExpectRefused(Stream(1, negative.s + leaf), 2006);
    // A base chunk smaller than the base data it must hold.
    TBytes small;
    small.Chunk(2, 10).U32(0).U32(18).U16(vsVisible);
    ExpectRefused(Stream(1, NodeChunk(small.s)), 2006);
    // A child count far beyond what the chunk holds, and children overrunning their chunk.
    ExpectRefused(Stream(1, NodeChunk(BaseChunk(100000, vsVisible | vsHasChildren, leaf))), 2006);
    std::string base = BaseChunk(1, vsVisible | vsHasChildren, leaf);
    base[4] = char(17 + leaf.size() - 4); // the base chunk ends inside its child
    ExpectRefused(Stream(1, NodeChunk(base)), 2006);
    // An unknown chunk with a negative size (-8 would read the same header for ever).
    TBytes back;
    back.Chunk(99, -8);
    ExpectRefused(Stream(1, NodeChunk(BaseChunk(0, vsVisible, {}) + back.s)), 2006);
    // Children without the has-children state could never be reached.
    ExpectRefused(Stream(1, NodeChunk(BaseChunk(1, vsVisible, leaf))), 2006);
    // Values the node cannot hold.
    ExpectRefused(Stream(1, NodeChunk(BaseChunk(0, vsVisible, {}, 70000))), 2006);
    ExpectRefused(Stream(1, NodeChunk(BaseChunk(0, vsVisible, {}, 18, 9))), 2006);
    ExpectRefused(Stream(1, NodeChunk(BaseChunk(0, vsVisible, {}, 18, 0, 12))), 2006);
    // Two base chunks in one node.
    ExpectRefused(Stream(1, NodeChunk(BaseChunk(0, vsVisible, {}) + BaseChunk(0, vsVisible, {}))),
                  2006);
    // Unbounded nesting: each level one child deep.
    std::string deep = leaf;
    for (int i = 0; i < 5000; ++i)
        deep = NodeChunk(BaseChunk(1, vsVisible | vsHasChildren, deep));
    ExpectRefused(Stream(1, deep), 2006);
    // Nesting within the limit loads.
    std::string fine = leaf;
    for (int i = 0; i < 100; ++i)
        fine = NodeChunk(BaseChunk(1, vsVisible | vsHasChildren | vsExpanded, fine));
    TMemoryStream ok(Stream(1, fine));
    other.LoadFromStream(ok);
    EXPECT_EQ(other.TotalCount(), 101u);
    EXPECT_EQ(other.VisibleCount(), 101u);
    EXPECT_TREE_VALID(other);
}

TEST_F(StreamTest, MendsOfTheWriterAndReader) {
    // An uninitialised node with children (written without initialising) keeps them.
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() - toInitOnSave);
    tree.SetRootNodeCount(2);
    PLeanNode second = tree.GetFirstNoInit()->NextSibling;
    tree.SetChildCount(second, 3);
    ASSERT_FALSE(second->States & vsInitialized);
    TMemoryStream s;
    tree.SaveToStream(s);
    s.SetPosition(0);
    other.LoadFromStream(s);
    EXPECT_EQ(other.TotalCount(), 5u);
    EXPECT_TREE_VALID(other);
    // Transient state bits in a stream do not survive: the node can still be toggled.
    std::string busy = NodeChunk(
        BaseChunk(1, vsVisible | vsHasChildren | vsToggling | vsClearing | 0x8000, Leaf()));
    TMemoryStream s2(Stream(1, busy));
    other.LoadFromStream(s2);
    PLeanNode n = other.GetFirst();
    EXPECT_EQ(n->States & (vsToggling | vsClearing | 0x8000), 0);
    other.ToggleNode(n);
    EXPECT_TRUE(other.GetExpanded(n));
    EXPECT_TREE_VALID(other);
    // An expanded node without children keeps its state; it collapses and expands again.
    TMemoryStream s3(Stream(1, NodeChunk(BaseChunk(0, vsVisible | vsExpanded, {}))));
    other.LoadFromStream(s3);
    EXPECT_TRUE(other.GetExpanded(other.GetFirst()));
    EXPECT_LOADED_TREE_VALID(other);
    other.ToggleNode(other.GetFirst());
    EXPECT_FALSE(other.GetExpanded(other.GetFirst()));
    EXPECT_TREE_VALID(other);
    // Heights that would overflow the tree's totals are refused.
    std::string tall = NodeChunk(BaseChunk(0, vsVisible, {}, 65535));
    std::string many;
    for (int i = 0; i < 33000; ++i)
        many += tall;
    ExpectRefused(Stream(33000, many), 2006);
}

TEST_F(StreamTest, DamagedStreamsLoadWholeOrNotAtAll) {
    std::mt19937 rng(23);
    BuildRandom(tree, rng, 60);
    TMemoryStream good;
    tree.SaveToStream(good);
    std::string bytes = good.AsString();
    other.SetRootNodeCount(2);
    for (int round = 0; round < 3000; ++round) {
        std::string bad = bytes;
        int edits = 1 + int(rng() % 4);
        for (int e = 0; e < edits && bad.size() > 17; ++e) {
            size_t at = 16 + rng() % (bad.size() - 16);
            switch (rng() % 3) {
            case 0:
                bad[at] = char(rng());
                break;
            case 1:
                bad[at] ^= char(1 << (rng() % 8));
                break;
            default:
                bad.resize(at);
                break;
            }
        }
        std::vector<std::string> before = Signature(other);
        TMemoryStream s(bad);
        try {
            other.LoadFromStream(s);
        } catch (const ELeanTreeError& e) {
            ASSERT_GE(e.HelpContext, 2002);
            ASSERT_LE(e.HelpContext, 2006);
            ASSERT_EQ(FirstDifference(Signature(other), before), "");
        }
        EXPECT_LOADED_TREE_VALID(other);
    }
}

TEST_F(StreamTest, HostDataThatFailsAddsNothing) {
    tree.SetRootNodeCount(2);
    int i = 1;
    for (PLeanNode n = tree.GetFirst(); n; n = tree.GetNext(n))
        tree.Data(n) = i++;
    tree.SetChildCount(tree.GetFirst(), 3);
    for (PLeanNode n = tree.GetFirst(); n; n = tree.GetNext(n))
        tree.Data(n) = i++;
    TMemoryStream s;
    tree.SaveToStream(s);
    // The reading host expects 8 bytes where 4 were written.
    other.SetRootNodeCount(4);
    std::vector<std::string> before = Signature(other);
    int freed = 0;
    other.OnFreeNode = [&](TBaseLeanTree*, PLeanNode) { ++freed; };
    other.OnLoadNode = [](TBaseLeanTree* t, PLeanNode n, TStream& st) {
        *t->GetNodeData<int>(n) = st.ReadValue<int32_t>();
        if (n->Parent != t->RootNode() || n->Index > 0)
            st.ReadValue<int32_t>();
    };
    s.SetPosition(0);
    EXPECT_THROW(other.AddFromStream(s, nullptr), ELeanTreeError);
    EXPECT_EQ(FirstDifference(Signature(other), before), "");
    EXPECT_EQ(s.Position(), 0);
    EXPECT_TREE_VALID(other);
    EXPECT_GT(freed, 0); // the nodes the host had loaded were freed through it

    // A host that writes into the data it is handed: refused, and told so as it is.
    other.OnLoadNode = [](TBaseLeanTree*, PLeanNode, TStream& st) { st.WriteValue<int32_t>(1); };
    s.SetPosition(0);
    try {
        other.AddFromStream(s, nullptr);
        ADD_FAILURE() << "the write was taken";
    } catch (const ELeanTreeError& e) {
        ADD_FAILURE() << "reported as damaged data: " << e.what();
    } catch (const EStreamError& e) {
        EXPECT_STREQ(e.what(), "Can't write to a read-only resource stream");
    }
    EXPECT_EQ(FirstDifference(Signature(other), before), "");
    other.OnLoadNode = [](TBaseLeanTree*, PLeanNode, TStream& st) { st.SetSize(0); };
    s.SetPosition(0);
    EXPECT_THROW(other.AddFromStream(s, nullptr), EWriteError);

    // A seek that fails on the host's data is damaged data like a short read.
    other.OnLoadNode = [](TBaseLeanTree*, PLeanNode n, TStream& st) {
        if (n->Index > 0)
            st.Seek(-1, TSeekOrigin::soBeginning);
    };
    s.SetPosition(0);
    try {
        other.AddFromStream(s, nullptr);
        ADD_FAILURE() << "the failed seek was not reported";
    } catch (const ELeanTreeError& e) {
        EXPECT_EQ(e.HelpContext, 2006);
    }
    EXPECT_EQ(FirstDifference(Signature(other), before), "");
    EXPECT_TREE_VALID(other);
}

TEST_F(StreamTest, StoredStatesComeBackAsTheyWere) {
    // Deleting inside an update settles every node's hidden-children flag at its end: leaves
    // carry it too. A round trip keeps it on every node.
    tree.SetRootNodeCount(3);
    tree.SetChildCount(tree.GetFirst(), 2);
    tree.BeginUpdate();
    tree.DeleteNode(tree.GetFirst()->FirstChild);
    tree.EndUpdate();
    ASSERT_TRUE(tree.GetLast()->States & vsAllChildrenHidden);
    TMemoryStream s;
    tree.SaveToStream(s);
    s.SetPosition(0);
    other.LoadFromStream(s);
    std::vector<PLeanNode> a = AllNodes(tree), b = AllNodes(other);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i)
        EXPECT_EQ(b[i]->States & (vsExpanded | vsAllChildrenHidden),
                  a[i]->States & (vsExpanded | vsAllChildrenHidden))
            << i;
    // An expanded node whose children are still to be made, and a flag the children do not
    // bear out, are read and written again byte for byte.
    const uint16_t open = vsInitialized | vsVisible | vsExpanded | vsHasChildren;
    std::string bytes = Stream(2, NodeChunk(BaseChunk(0, open, {})) +
                                      NodeChunk(BaseChunk(1, open | vsAllChildrenHidden, Leaf())));
    other.TreeOptions().SetMiscOptions(other.TreeOptions().MiscOptions() - toInitOnSave);
    TMemoryStream in(bytes);
    other.LoadFromStream(in);
    EXPECT_TRUE(other.GetExpanded(other.GetFirst()));
    EXPECT_LOADED_TREE_VALID(other);
    TMemoryStream out;
    other.SaveToStream(out);
    EXPECT_EQ(out.AsString(), bytes);
}

TEST_F(StreamTest, NestingUpToTheLimit) {
    // A chain of Levels nodes, each the only child of the one before.
    auto chain = [](size_t levels) {
        std::string node = Leaf();
        for (size_t i = 1; i < levels; ++i)
            node = NodeChunk(BaseChunk(1, vsVisible | vsInitialized | vsHasChildren, node));
        return Stream(1, node);
    };
    TMemoryStream deepest(chain(NodeStream::MaxNesting));
    other.LoadFromStream(deepest);
    EXPECT_EQ(other.TotalCount(), NodeStream::MaxNesting);
    EXPECT_EQ(other.GetNodeLevel(other.GetLast()), NodeStream::MaxNesting - 1);
    EXPECT_TREE_VALID(other);
    ExpectRefused(chain(NodeStream::MaxNesting + 1), 2006);

    // Open chains added below the deepest node make a tree far deeper than one stream holds:
    // the checks, counts and folds walk it without running out of stack.
    std::string node = Leaf();
    for (size_t i = 1; i < NodeStream::MaxNesting; ++i)
        node =
            NodeChunk(BaseChunk(1, vsVisible | vsInitialized | vsHasChildren | vsExpanded, node));
    const std::string open = Stream(1, node);
    other.FullExpand();
    for (int i = 0; i < 24; ++i) {
        PLeanNode last = other.GetLast();
        TMemoryStream s(open);
        ASSERT_EQ(other.AddFromStream(s, last), 1u);
        other.ToggleNode(last);
    }
    const uint32_t total = 25 * NodeStream::MaxNesting;
    EXPECT_EQ(other.TotalCount(), total);
    EXPECT_EQ(other.VisibleCount(), total);
    EXPECT_TREE_VALID(other);
    other.ToggleNode(other.GetFirst());
    EXPECT_EQ(other.VisibleCount(), 1u);
    other.ToggleNode(other.GetFirst());
    EXPECT_EQ(other.VisibleCount(), total);
    EXPECT_TREE_VALID(other);
}

} // namespace

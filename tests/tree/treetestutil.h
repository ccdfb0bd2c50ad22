#pragma once
// Helpers of the tree tests: a tree that opens its protected operations, the invariant check
// as an assertion, reference walks computed from the links alone, and waiting for the worker.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <vector>

#include "controls/tree/leantree.h"
#include "controls/tree/treeinvariants.h"
#include "platform/classes.h"

class TTestTree : public TBaseLeanTree {
public:
    TTestTree() { SetNodeDataSize(sizeof(int)); }
    using TBaseLeanTree::InitNode;
    using TBaseLeanTree::InternalConnectNode;
    using TBaseLeanTree::InternalDisconnectNode;
    using TBaseLeanTree::MakeNewNode;
    // Every label is LabelWidth pixels wide (for hit tests and the rubber band).
    int LabelWidth = 0;
    int DoGetNodeWidth(PLeanNode, TColumnIndex, QPainter*) override { return LabelWidth; }
    // Adds a new node that is hidden (invisible) with the given mode.
    PLeanNode AddHidden(PLeanNode Destination, TLTNodeAttachMode Mode) {
        PLeanNode n = MakeNewNode();
        n->States &= ~vsVisible;
        if (!Destination && (Mode == amInsertBefore || Mode == amInsertAfter))
            Mode = amAddChildLast;
        InternalConnectNode(n, Destination ? Destination : RootNode(), Mode, this);
        InvalidateCache();
        ValidateCache();
        return n;
    }
    int& Data(PLeanNode n) { return *GetNodeData<int>(n); }
};

#define EXPECT_TREE_VALID(tree)                                                                    \
    do {                                                                                           \
        std::string why = TTreeInvariants::Check(tree);                                            \
        ASSERT_EQ(why, "");                                                                        \
    } while (0)
// The same for a tree read from a stream that may hold any expanded and hidden-children states.
#define EXPECT_LOADED_TREE_VALID(tree)                                                             \
    do {                                                                                           \
        std::string why = TTreeInvariants::Check(tree, true);                                      \
        ASSERT_EQ(why, "");                                                                        \
    } while (0)

// All nodes in tree order, from the links alone.
inline std::vector<PLeanNode> AllNodes(const TBaseLeanTree& t) {
    std::vector<PLeanNode> out;
    std::vector<PLeanNode> stack;
    for (PLeanNode c = t.RootNode()->LastChild; c; c = c->PrevSibling)
        stack.push_back(c);
    while (!stack.empty()) {
        PLeanNode n = stack.back();
        stack.pop_back();
        out.push_back(n);
        for (PLeanNode c = n->LastChild; c; c = c->PrevSibling)
            stack.push_back(c);
    }
    return out;
}

// A tree whose int data travels in node streams (OnSaveNode, OnLoadNode).
class TStreamTestTree : public TTestTree {
public:
    TStreamTestTree() {
        OnSaveNode = [this](TBaseLeanTree*, PLeanNode n, TStream& s) { s.WriteValue(Data(n)); };
        OnLoadNode = [this](TBaseLeanTree*, PLeanNode n, TStream& s) {
            Data(n) = s.ReadValue<int>();
        };
    }
    // Top-level nodes first .. first+count-1, each with one child 100 * its number.
    void Fill(int first, int count) {
        for (int i = 0; i < count; ++i) {
            PLeanNode n = AddChild(nullptr);
            Data(n) = first + i;
            Data(AddChild(n)) = 100 * (first + i);
        }
    }
    // The data of every node in tree order.
    std::vector<int> Values() {
        std::vector<int> out;
        for (PLeanNode n : AllNodes(*this))
            out.push_back(Data(n));
        return out;
    }
    // The i-th top-level node.
    PLeanNode Top(int i) {
        PLeanNode n = RootNode()->FirstChild;
        while (i-- > 0)
            n = n->NextSibling;
        return n;
    }
};

// The shown rows in display order, from the links alone.
inline std::vector<PLeanNode> ShownRows(const TBaseLeanTree& t) {
    std::vector<PLeanNode> out;
    for (PLeanNode n : AllNodes(t))
        if (t.GetFullyVisible(n))
            out.push_back(n);
    return out;
}

// Processes events until the tree's cache is in use (or two seconds pass).
inline bool WaitForCache(TBaseLeanTree& t) {
    QElapsedTimer timer;
    timer.start();
    while (!t.UsesCache() && timer.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return t.UsesCache();
}

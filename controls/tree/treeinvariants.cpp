// The invariant checker of the node store.
#include "controls/tree/treeinvariants.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "controls/tree/leantree.h"

namespace {

struct TChecker {
    const TBaseLeanTree& tree;
    bool storedStates; // the expanded and hidden-children states may be as a stream held them
    PLeanNode root;
    std::unordered_set<PLeanNode> nodes;
    std::string error;
    uint32_t visible = 0, selected = 0;
    uint64_t rowTop = 0;                              // running top of the shown rows
    std::vector<std::pair<PLeanNode, uint64_t>> tops; // every shown row with its top

    bool Fail(const std::string& what, PLeanNode n) {
        if (error.empty())
            error = Format("%s (node %p, index %u, level %u)", what.c_str(), static_cast<void*>(n),
                           n ? n->Index : 0u, n ? tree.GetNodeLevel(n) : 0u);
        return false;
    }

    // What a node's check still needs once its children are done.
    struct Frame {
        PLeanNode node;
        bool childrenShown;
        PLeanNode next = nullptr, prev = nullptr; // next child to visit, last child visited
        uint32_t count = 0;
        uint64_t totalCount = 1, heights = 0;
        bool anyVisible = false;
    };

    // Counts Node (Shown: all ancestors expanded and visible) and pushes its frame.
    bool Enter(PLeanNode node, bool shown, std::vector<Frame>& stack) {
        if (node != root) {
            if (!nodes.insert(node).second)
                return Fail("node reached twice", node);
            if (shown && (node->States & vsVisible)) {
                ++visible;
                tops.emplace_back(node, rowTop);
                rowTop += node->NodeHeight;
            }
            if (node->States & vsSelected)
                ++selected;
        }
        bool childrenShown =
            (node == root || (shown && (node->States & vsVisible))) && (node->States & vsExpanded);
        stack.push_back({node, childrenShown, node->FirstChild});
        return true;
    }

    // The checks of a node whose children have all been visited.
    bool Leave(const Frame& f) {
        PLeanNode node = f.node;
        if (node->LastChild != f.prev)
            return Fail("LastChild is wrong", node);
        if (!node->FirstChild != !node->LastChild)
            return Fail("FirstChild and LastChild disagree", node);
        if (node->ChildCount != f.count)
            return Fail(Format("ChildCount %u, counted %u", node->ChildCount, f.count), node);
        if (node->TotalCount != f.totalCount)
            return Fail(Format("TotalCount %u, expected %llu", node->TotalCount,
                               (unsigned long long)f.totalCount),
                        node);
        uint64_t height = node->NodeHeight + ((node->States & vsExpanded) ? f.heights : 0);
        if (node->TotalHeight != height)
            return Fail(Format("TotalHeight %u, expected %llu", node->TotalHeight,
                               (unsigned long long)height),
                        node);
        if (node != root) {
            if (f.count > 0 && bool(node->States & vsAllChildrenHidden) == f.anyVisible &&
                tree.UpdateCount() == 0 && !storedStates)
                return Fail("vsAllChildrenHidden does not match the children", node);
            if ((node->States & vsExpanded) && f.count == 0 && !storedStates)
                return Fail("expanded without children", node);
            if (f.count > 0 && !(node->States & vsHasChildren))
                return Fail("children without vsHasChildren", node);
        }
        return true;
    }

    // Checks the whole tree depth first with a stack of its own: any depth fits.
    bool Walk() {
        std::vector<Frame> stack;
        Enter(root, true, stack);
        while (!stack.empty()) {
            Frame& f = stack.back();
            if (PLeanNode c = f.next) {
                if (c->Parent != f.node)
                    return Fail("child's Parent is wrong", c);
                if (c->PrevSibling != f.prev)
                    return Fail("PrevSibling is wrong", c);
                if (c->Index != f.count)
                    return Fail(Format("Index %u, expected %u", c->Index, f.count), c);
                f.next = c->NextSibling;
                if (!Enter(c, f.childrenShown, stack))
                    return false;
                continue; // f is not used after this
            }
            Frame done = f;
            stack.pop_back();
            if (!Leave(done))
                return false;
            if (stack.empty())
                break;
            Frame& parent = stack.back();
            PLeanNode c = done.node;
            ++parent.count;
            parent.totalCount += c->TotalCount;
            if (c->States & vsVisible) {
                parent.heights += c->TotalHeight;
                parent.anyVisible = true;
            }
            parent.prev = c;
            if (parent.count > 100000000)
                return Fail("sibling chain loops", parent.node);
        }
        return true;
    }
};

} // namespace

std::string TTreeInvariants::Check(const TBaseLeanTree& Tree, bool StoredStates) {
    PLeanNode root = Tree.FRoot;
    TChecker c{Tree, StoredStates, root, {}, {}, 0, 0, 0, {}};
    if (root->PrevSibling != root || root->NextSibling != root || root->Parent)
        return "root links are wrong";
    const uint16_t rootStates = vsInitialized | vsExpanded | vsVisible;
    if ((root->States & rootStates) != rootStates)
        return "root states are wrong";
    if (TreeFromNode(root) != &Tree)
        return "root does not name its tree";
    c.Walk();
    if (!c.error.empty())
        return c.error;
    if (c.visible != Tree.FVisibleCount)
        return Format("VisibleCount %u, counted %u", Tree.FVisibleCount, c.visible);
    // The selection: address order, each entry selected and in the tree, nothing else marked.
    if (Tree.FUpdateCount == 0) {
        if (Tree.FSelection.size() != Tree.FSelectionCount)
            return "selection count differs from the array";
        for (size_t i = 0; i < Tree.FSelection.size(); ++i) {
            PLeanNode n = Tree.FSelection[i];
            if (reinterpret_cast<uintptr_t>(n) & 1)
                return "selection holds a marked entry outside an update";
            if (!c.nodes.count(n))
                return "selection holds a node that is not in the tree";
            if (!(n->States & vsSelected))
                return "selection holds a node without vsSelected";
            if (i > 0 && !(reinterpret_cast<uintptr_t>(Tree.FSelection[i - 1]) <
                           reinterpret_cast<uintptr_t>(n)))
                return "selection is not in address order";
        }
        if (c.selected != Tree.FSelectionCount)
            return Format("%u nodes have vsSelected, selection holds %u", c.selected,
                          Tree.FSelectionCount);
    }
    for (PLeanNode n : {Tree.FFocusedNode, Tree.FRangeAnchor, Tree.FDropTargetNode,
                        Tree.FLastChangedNode, Tree.FLastStructureChangeNode})
        if (n && !c.nodes.count(n))
            return "a node reference of the tree points outside the tree";
    if (Tree.UsesCache()) {
        if (Tree.FVisibleCount > CacheThreshold && Tree.FPositionCache.empty())
            return "cache in use but empty for a large tree";
        for (size_t i = 0; i < Tree.FPositionCache.size(); ++i) {
            const TCacheEntry& e = Tree.FPositionCache[i];
            auto it = std::find_if(c.tops.begin(), c.tops.end(),
                                   [&](const auto& t) { return t.first == e.Node; });
            if (it == c.tops.end())
                return Format("cache mark %zu is not a shown row", i);
            if (it->second != e.AbsoluteTop)
                return Format("cache mark %zu has top %u, row top is %llu", i, e.AbsoluteTop,
                              (unsigned long long)it->second);
        }
    }
    return {};
}

#pragma once
// TLeanTreeNodes: the read side of a tree's node store. It holds the hidden root, the layout of
// a node's bytes and the marks of the position cache, and answers every question that needs no
// initialisation and no change of a node: the NoInit walks, levels, tree order and the cache
// look-ups. The worker thread walks a tree's nodes through these alone. TBaseLeanTree, which
// derives from it, keeps the fields up to date.
// Node arguments: nullptr stands for the root where a function says so ("nil = root").

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "controls/tree/treetypes.h"

// One mark of the position cache.
struct TCacheEntry {
    PLeanNode Node;
    uint32_t AbsoluteTop; // sum of the heights of the visible rows above Node
};
// Trees with more visible rows than this keep a position cache.
constexpr uint32_t CacheThreshold = 2000;
// Rows between two marks of the cache: a look-up walks at most half of them.
constexpr uint32_t CacheMarkSpacing = 8;

class TLeanTreeNodes {
public:
    // ---- node layout ----
    PLeanNode RootNode() const { return FRoot; }
    uint32_t TotalCount() const { return FRoot->TotalCount - 1; }
    uint32_t VisibleCount() const { return FVisibleCount; }
    int NodeDataSize() const { return FNodeDataSize; }
    int InternalDataSize() const { return FInternalDataSize; }
    uint32_t ChildCount(PLeanNode Node) const { return (Node ? Node : FRoot)->ChildCount; }
    // Address of Node's host bytes; nil for nil and the root.
    void* GetNodeData(PLeanNode Node) const {
        if (!Node || Node == FRoot)
            return nullptr;
        LTAssert(FNodeDataSize > 0, "NodeDataSize not initialized.");
        return reinterpret_cast<char*>(Node) + sizeof(TLeanNode) + FInternalDataSize;
    }
    template <typename T> T* GetNodeData(PLeanNode Node) const {
        return static_cast<T*>(GetNodeData(Node));
    }

    // ---- node states and tree order ----
    bool GetFullyVisible(PLeanNode Node) const;
    bool HasVisibleParents(PLeanNode Node) const;
    bool GetSelected(PLeanNode Node) const { return Node && (Node->States & vsSelected); }
    TCheckState GetCheckState(PLeanNode Node) const { return TCheckState(Node->CheckState); }
    bool GetDisabled(PLeanNode Node) const { return Node && (Node->States & vsDisabled); }
    bool GetExpanded(PLeanNode Node) const { return Node && (Node->States & vsExpanded); }
    // Tree order: negative when Node1 comes first, 0 for the same node, positive after.
    int CompareNodePositions(PLeanNode Node1, PLeanNode Node2) const;
    bool IsFirstVisibleChild(PLeanNode Parent, PLeanNode Node) const;
    bool IsLastVisibleChild(PLeanNode Parent, PLeanNode Node) const;
    bool HasVisibleNextSibling(PLeanNode Node) const;

    // ---- walks that initialise nothing (treeiteration.cpp) ----
    PLeanNode GetFirstNoInit() const;
    PLeanNode GetFirstInitialized() const;
    PLeanNode GetFirstVisibleNoInit() const;
    PLeanNode GetLastChildNoInit(PLeanNode Node) const;
    PLeanNode GetLastNoInit(PLeanNode Node = nullptr) const;
    PLeanNode GetLastVisibleChildNoInit(PLeanNode Node) const;
    PLeanNode GetLastVisibleNoInit(PLeanNode Node = nullptr) const;
    PLeanNode GetNextNoInit(PLeanNode Node) const;
    PLeanNode GetNextInitialized(PLeanNode Node) const;
    PLeanNode GetNextVisibleNoInit(PLeanNode Node) const;
    PLeanNode GetNextVisibleSiblingNoInit(PLeanNode Node) const;
    PLeanNode GetPreviousNoInit(PLeanNode Node) const;
    PLeanNode GetPreviousVisibleNoInit(PLeanNode Node) const;
    PLeanNode GetPreviousVisibleSiblingNoInit(PLeanNode Node) const;
    PLeanNode GetVisibleParent(PLeanNode Node) const;
    // For a node that is not shown: the node that holds its place in the display order.
    PLeanNode HiddenPlace(PLeanNode Node, bool& Collapsed) const;
    bool HasAsParent(PLeanNode Node, PLeanNode PotentialParent) const;
    uint32_t GetNodeLevel(PLeanNode Node) const;
    // Number of nodes before Node in tree order (0 for the first node, nil and the root).
    uint32_t AbsoluteIndex(PLeanNode Node) const;
    int GetLevelDifference(PLeanNode Node1, PLeanNode Node2) const;

    // ---- position cache look-ups (treecache.cpp) ----
    const std::vector<TCacheEntry>& PositionCache() const { return FPositionCache; }
    // Last mark not after Node (tree order), or not below Position; {nullptr, 0} when empty.
    TCacheEntry FindInPositionCache(PLeanNode Node) const;
    TCacheEntry FindInPositionCache(uint32_t Position) const;
    uint32_t CalculateCacheEntryCount() const;
    // Builds the cache on the calling thread into Cache; false when stopped or empty. The
    // worker calls it; tests and benchmarks may too (GUI thread, no worker queued).
    bool BuildPositionCache(std::vector<TCacheEntry>& Cache, const std::atomic<bool>* Stop) const;

protected:
    TLeanTreeNodes() = default;
    ~TLeanTreeNodes() = default;
    TLeanTreeNodes(const TLeanTreeNodes&) = delete;
    TLeanTreeNodes& operator=(const TLeanTreeNodes&) = delete;

    PLeanNode FRoot = nullptr;
    int FNodeDataSize = -1;
    size_t FInternalDataSize = 0;
    uint32_t FVisibleCount = 0;
    std::vector<TCacheEntry> FPositionCache;
};

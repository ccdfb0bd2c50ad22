#pragma once
// The tree's node allocator: every node of a tree has the same size (the node record, the
// internal data and the host's bytes), so nodes are carved from large blocks and freed nodes
// are kept for reuse. Dropping a whole tree releases its blocks at once. One pool per tree;
// GUI thread only (the worker only reads nodes).

#include <cstddef>
#include <vector>

class TNodePool {
public:
    TNodePool() = default;
    ~TNodePool() { ReleaseAll(); }
    TNodePool(const TNodePool&) = delete;
    TNodePool& operator=(const TNodePool&) = delete;

    // Bytes per node (rounded up to 8). Only while no node is allocated; otherwise ignored.
    void SetNodeSize(size_t size);
    size_t NodeSize() const { return nodeSize_; }
    // A zero-filled node of NodeSize bytes; throws std::bad_alloc when memory runs out.
    void* Allocate();
    // Returns one node for reuse.
    void Free(void* node);
    // Forgets every node at once (all become invalid); the blocks are kept for the next nodes.
    void Reset();
    // Releases every block: all nodes of the pool become invalid at once.
    void ReleaseAll();
    size_t LiveCount() const { return live_; }

private:
    static constexpr size_t BlockBytes = size_t(2) << 20;
    std::vector<char*> blocks_;
    size_t current_ = 0; // index of the block next_ points into
    char* next_ = nullptr;
    char* end_ = nullptr;
    void* freeList_ = nullptr;
    size_t nodeSize_ = 64;
    size_t live_ = 0;
};

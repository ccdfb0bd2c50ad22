#pragma once
// The tree's node allocator: every node of a tree has the same size (the node record, the
// internal data and the host's bytes), so nodes are carved from blocks that grow from 64 KiB
// to 8 MiB, and freed nodes are kept for reuse. Blocks of 2 MiB and more lie on huge-page
// boundaries, so that a large tree costs few page faults. Dropping a whole tree forgets its
// nodes at once. One pool per tree; GUI thread only (the worker only reads nodes).

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
    struct TBlock {
        char* data;
        size_t bytes;
        bool mapped; // from mmap (huge-page aligned), else from malloc
    };
    void NextBlock();
    std::vector<TBlock> blocks_;
    size_t current_ = 0; // the block next_ points into
    char* next_ = nullptr;
    char* end_ = nullptr;
    void* freeList_ = nullptr;
    size_t nodeSize_ = 64;
    size_t live_ = 0;
};

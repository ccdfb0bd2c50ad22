// The tree's node allocator.
#include "controls/tree/nodepool.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>

namespace {

// A block aligned to the huge-page size where the kernel offers huge pages on request: a
// large tree then costs one page fault per 2 MiB instead of one per 4 KiB.
char* NewBlock(size_t bytes) {
    constexpr size_t Huge = size_t(2) << 20;
    if (bytes % Huge == 0) {
        void* p = std::aligned_alloc(Huge, bytes);
        if (p)
            madvise(p, bytes, MADV_HUGEPAGE);
        return static_cast<char*>(p);
    }
    return static_cast<char*>(std::malloc(bytes));
}

} // namespace

void TNodePool::SetNodeSize(size_t size) {
    size = (size + 7) & ~size_t(7);
    if (size == nodeSize_ || live_ > 0)
        return;
    ReleaseAll();
    nodeSize_ = size;
}

void* TNodePool::Allocate() {
    void* p;
    if (freeList_) {
        p = freeList_;
        std::memcpy(&freeList_, p, sizeof(void*));
    } else {
        if (size_t(end_ - next_) < nodeSize_) {
            size_t bytes = std::max(BlockBytes, nodeSize_);
            if (next_ && current_ + 1 < blocks_.size()) {
                ++current_; // a block kept by Reset
            } else {
                char* block = NewBlock(bytes);
                if (!block)
                    throw std::bad_alloc();
                blocks_.push_back(block);
                current_ = blocks_.size() - 1;
            }
            next_ = blocks_[current_];
            end_ = next_ + bytes;
        }
        p = next_;
        next_ += nodeSize_;
    }
    std::memset(p, 0, nodeSize_);
    ++live_;
    return p;
}

void TNodePool::Free(void* node) {
    std::memcpy(node, &freeList_, sizeof(void*));
    freeList_ = node;
    --live_;
}

void TNodePool::Reset() {
    current_ = 0;
    next_ = end_ = nullptr;
    if (!blocks_.empty()) {
        next_ = blocks_[0];
        end_ = next_ + std::max(BlockBytes, nodeSize_);
    }
    freeList_ = nullptr;
    live_ = 0;
}

void TNodePool::ReleaseAll() {
    for (char* b : blocks_)
        std::free(b);
    blocks_.clear();
    current_ = 0;
    next_ = end_ = nullptr;
    freeList_ = nullptr;
    live_ = 0;
}

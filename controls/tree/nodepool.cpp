// The tree's node allocator.
#include "controls/tree/nodepool.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>
#if __has_include(<sanitizer/asan_interface.h>)
#include <sanitizer/asan_interface.h>
#endif
#ifndef ASAN_POISON_MEMORY_REGION
#define ASAN_POISON_MEMORY_REGION(addr, size) ((void)(addr), (void)(size))
#define ASAN_UNPOISON_MEMORY_REGION(addr, size) ((void)(addr), (void)(size))
#endif

// Under AddressSanitizer memory that holds no live node is poisoned, so that a node used after
// it was freed is reported as such.

namespace {

constexpr size_t FirstBlock = size_t(64) << 10;
constexpr size_t LastBlock = size_t(8) << 20;
constexpr size_t HugePage = size_t(2) << 20;

// bytes (a multiple of HugePage) on a huge-page boundary: a larger mapping is trimmed.
char* MapAligned(size_t bytes) {
    size_t total = bytes + HugePage;
    void* p = mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        return nullptr;
    auto start = reinterpret_cast<uintptr_t>(p);
    uintptr_t aligned = (start + HugePage - 1) & ~(HugePage - 1);
    if (aligned > start)
        munmap(p, aligned - start);
    size_t tail = start + total - (aligned + bytes);
    if (tail)
        munmap(reinterpret_cast<void*>(aligned + bytes), tail);
    madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);
    return reinterpret_cast<char*>(aligned);
}

} // namespace

void TNodePool::SetNodeSize(size_t size) {
    size = (size + 7) & ~size_t(7);
    if (size == nodeSize_ || live_ > 0)
        return;
    ReleaseAll();
    nodeSize_ = size;
}

void TNodePool::NextBlock() {
    if (next_ && current_ + 1 < blocks_.size()) {
        ++current_; // a block kept by Reset
    } else {
        size_t bytes = blocks_.empty() ? FirstBlock : std::min(blocks_.back().bytes * 2, LastBlock);
        bytes = std::max(bytes, nodeSize_);
        TBlock b{nullptr, bytes, bytes % HugePage == 0};
        b.data = b.mapped ? MapAligned(bytes) : static_cast<char*>(std::malloc(bytes));
        if (!b.data)
            throw std::bad_alloc();
        ASAN_POISON_MEMORY_REGION(b.data, b.bytes);
        blocks_.push_back(b);
        current_ = blocks_.size() - 1;
    }
    next_ = blocks_[current_].data;
    end_ = next_ + blocks_[current_].bytes;
}

void* TNodePool::Allocate() {
    void* p;
    if (freeList_) {
        p = freeList_;
        ASAN_UNPOISON_MEMORY_REGION(p, nodeSize_);
        std::memcpy(&freeList_, p, sizeof(void*));
    } else {
        if (size_t(end_ - next_) < nodeSize_)
            NextBlock();
        p = next_;
        next_ += nodeSize_;
        ASAN_UNPOISON_MEMORY_REGION(p, nodeSize_);
    }
    std::memset(p, 0, nodeSize_);
    ++live_;
    return p;
}

void TNodePool::Free(void* node) {
    std::memcpy(node, &freeList_, sizeof(void*));
    ASAN_POISON_MEMORY_REGION(node, nodeSize_);
    freeList_ = node;
    --live_;
}

void TNodePool::Reset() {
    for (const TBlock& b : blocks_)
        ASAN_POISON_MEMORY_REGION(b.data, b.bytes);
    current_ = 0;
    next_ = end_ = nullptr;
    if (!blocks_.empty()) {
        next_ = blocks_[0].data;
        end_ = next_ + blocks_[0].bytes;
    }
    freeList_ = nullptr;
    live_ = 0;
}

void TNodePool::ReleaseAll() {
    for (const TBlock& b : blocks_) {
        ASAN_UNPOISON_MEMORY_REGION(b.data, b.bytes);
        if (b.mapped)
            munmap(b.data, b.bytes);
        else
            std::free(b.data);
    }
    blocks_.clear();
    current_ = 0;
    next_ = end_ = nullptr;
    freeList_ = nullptr;
    live_ = 0;
}

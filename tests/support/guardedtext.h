#pragma once
// A text whose first bytes may be read and whose 10 MB after them may not: any read past the
// readable bytes faults, which shows that a routine reads no further than it should.

#include <cstring>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>

class TGuardedText {
public:
    // readable bytes of 'x' (rounded up to whole pages), then 10 MB that may not be read.
    explicit TGuardedText(size_t readable) {
        const size_t page = size_t(::sysconf(_SC_PAGESIZE));
        readable_ = (readable + page - 1) / page * page;
        size_ = readable_ + (10u << 20);
        base_ = static_cast<char*>(
            ::mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        std::memset(base_, 'x', readable_);
        ::mprotect(base_ + readable_, size_ - readable_, PROT_NONE);
    }
    ~TGuardedText() { ::munmap(base_, size_); }
    TGuardedText(const TGuardedText&) = delete;
    TGuardedText& operator=(const TGuardedText&) = delete;
    // The whole text, readable bytes and guarded ones.
    std::string_view View() const { return {base_, size_}; }

private:
    char* base_;
    size_t readable_, size_;
};

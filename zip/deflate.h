#pragma once
// Deflate compressor (RFC 1951): hash-chained LZ77 over a 32 KiB window, a greedy loop for
// levels 0-3 and a lazy loop for 4-9, and per block the smallest of stored, fixed-code and
// dynamic-code coding. Level 0 is the quickest greedy search, not a store-only mode. A
// one-block entry that deflate cannot shrink is stored whole.

#include <cstdint>
#include <memory>

#include "zip/codecio.h"

// What one Compress call produced, for the entry's headers.
struct TDeflateResult {
    // 8 (deflated) or 0 (stored: the output is the input as it stands, no block headers).
    uint16_t Method = 8;
    // General purpose flag bits to set in the entry's headers: bit 1 (0x0002) for levels 8
    // and 9, bit 2 (0x0004) for levels 0 to 2; 0 when the entry is stored.
    uint16_t Flags = 0;
    // Internal file attributes: 1 when the input looks like text, 0 for binary.
    uint16_t InternalAttributes = 0;
    // CRC-32 of the input (the finished value to store).
    uint32_t Crc = 0;
    uint64_t InSize = 0;  // bytes read from the input
    uint64_t OutSize = 0; // bytes handed to the output (the compressed size)
};

class TDeflater {
public:
    // level 0-9 (6 is the usual default); raises EZipError outside that range.
    explicit TDeflater(int level = 6);
    ~TDeflater();
    TDeflater(const TDeflater&) = delete;
    TDeflater& operator=(const TDeflater&) = delete;

    // Raises EZipError outside 0-9. Takes effect at the next Compress.
    void SetLevel(int level);
    int Level() const { return level_; }

    // Compresses everything in yields (until its Read returns 0) into out, as one entry.
    // Output is handed on in pieces of up to 64 KiB. Raises EZipError when the input or the
    // output reaches 4 GiB (no Zip64), EInvalidMatch on an internal consistency failure
    // (a match that disagrees with the window, a window overflow, a code that cannot be
    // sent); whatever in and out raise passes through. The buffers (about 400 KiB) are
    // allocated on first use and kept for the next entry.
    TDeflateResult Compress(IZipInput& in, IZipOutput& out);

    struct TState; // matcher, trees and bit writer (deflate.cpp)

private:
    int level_;
    std::unique_ptr<TState> state_;
};

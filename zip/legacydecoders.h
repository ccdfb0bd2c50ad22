#pragma once
// Decoders of the older PKZIP methods and stored entries: stored (0), shrunk (1), reduced
// (2-5) and imploded (6), plus a dispatcher over every method the reader knows (with 8,
// deflated). Each pulls compressed bytes from an IZipInput and pushes decoded bytes to an
// IZipOutput. Decoders that end by size stop at exactly the declared uncompressed size.
// Corrupt data raises EFatalUnzipError; whatever in and out raise passes through.

#include <cstdint>
#include <memory>

#include "zip/codecio.h"

// Method 0: copies exactly size bytes from in to out and returns size.
uint64_t ZipCopyStored(IZipInput& in, IZipOutput& out, uint64_t size);

// Method 1: dynamic LZW with 9- to 13-bit codes, code size increments and partial clears.
class TUnshrinker {
public:
    TUnshrinker();
    ~TUnshrinker();
    // Decodes until uncompressedSize bytes are written; returns that count. Codes that are
    // not defined (free entries, codes beyond the next free one) and string chains that do
    // not end raise EFatalUnzipError.
    uint64_t Decode(IZipInput& in, IZipOutput& out, uint64_t uncompressedSize);

    struct TState;

private:
    std::unique_ptr<TState> state_;
};

// Methods 2-5: follower sets and the escape-byte state machine with compression factor
// 1-4 (method less 1).
class TUnreducer {
public:
    // factor 1-4; raises EZipError outside that range.
    explicit TUnreducer(int factor);
    // Decodes until uncompressedSize bytes are written; returns that count. A match from
    // before the first byte yields zero bytes.
    uint64_t Decode(IZipInput& in, IZipOutput& out, uint64_t uncompressedSize);

private:
    int factor_;
};

// Method 6: Shannon-Fano coded LZ77 with a 4 KiB or 8 KiB dictionary and two or three trees.
class TExploder {
public:
    // flags: the entry's general purpose flags (bit 1: 8 KiB dictionary; bit 2: literal
    // tree present). compressedSize chooses the distance table's lookup width.
    TExploder(uint16_t flags, uint64_t compressedSize);
    // Decodes until uncompressedSize bytes are written; returns that count. Trees whose
    // lengths do not fill their codes exactly raise EFatalUnzipError; a match from before the
    // first byte yields zero bytes (as PKZIP and Info-ZIP read it).
    uint64_t Decode(IZipInput& in, IZipOutput& out, uint64_t uncompressedSize);

private:
    uint16_t flags_;
    uint64_t compressedSize_;
};

// Decodes one entry's data (encryption header already taken off) by method: 0 stored
// (copies compressedSize bytes), 1 shrunk, 2-5 reduced, 6 imploded, 8 deflated (at most
// uncompressedSize bytes). Returns the number of bytes written. Any other method raises
// EZipError "Unknown Compression Method"; sizes of 4 GiB or more raise EZipError.
uint64_t ZipDecodeEntry(uint16_t method, uint16_t flags, uint64_t compressedSize,
                        uint64_t uncompressedSize, IZipInput& in, IZipOutput& out);

#pragma once
// Inflate decoder (RFC 1951): stored, fixed-code and dynamic-code blocks, decoded through
// multi-level lookup tables (shared with the implode decoder) and a 64-bit bit buffer.

#include <cstdint>
#include <memory>

#include "zip/codecio.h"

// Largest output any entry may have: sizes are 32-bit (no Zip64).
inline constexpr uint64_t ZipMaxEntrySize = 0xFFFFFFFFu;

class TInflater {
public:
    TInflater();
    ~TInflater();
    TInflater(const TInflater&) = delete;
    TInflater& operator=(const TInflater&) = delete;

    // Decodes one raw deflate stream from in to out, up to and including its final block,
    // and returns the number of bytes written. Reads from in only what the stream needs
    // (plus read-ahead within what in offers). Failures:
    // - EZipError when the stream would produce more than maxOutput bytes (the declared
    //   uncompressed size); nothing past maxOutput is written.
    // - EFatalUnzipError for data that cannot be decoded: a bad block type, a stored length
    //   that does not match its complement, bad or over-subscribed or incomplete codes, a
    //   distance further back than the data, and running out of input ("Premature end of
    //   file reached"; an input whose Read returns 0 counts as run out).
    // Whatever in and out raise passes through. A short stream is not an error here: the
    // caller compares the result with the declared size and the CRC.
    uint64_t Inflate(IZipInput& in, IZipOutput& out, uint64_t maxOutput = ZipMaxEntrySize);

    // Compressed bytes that the last Inflate used (read-ahead past the final block excluded).
    uint64_t ConsumedBytes() const { return consumed_; }

    struct TState; // window, bit buffer and tables (inflate.cpp)

private:
    uint64_t consumed_ = 0;
    std::unique_ptr<TState> state_;
};

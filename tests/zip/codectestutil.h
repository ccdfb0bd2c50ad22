#pragma once
// Memory inputs and outputs for the codec tests, zlib as the oracle, and test data.

#include <cstdint>
#include <string>
#include <vector>

#include "zip/codecio.h"

using TBytes = std::vector<uint8_t>;

// Hands out data in pieces of at most chunk bytes. At the end it returns 0 (a compressor's
// source) or raises EFatalUnzipError like the archive reader (a decoder's source).
class TMemInput : public IZipInput {
public:
    TMemInput(const TBytes& data, bool raiseAtEnd, size_t chunk = SIZE_MAX)
        : data_(data), raise_(raiseAtEnd), chunk_(chunk) {}
    size_t Read(uint8_t* buf, size_t max) override;
    size_t Position() const { return pos_; }

private:
    const TBytes& data_;
    bool raise_;
    size_t chunk_;
    size_t pos_ = 0;
};

class TMemOutput : public IZipOutput {
public:
    void Write(const uint8_t* buf, size_t count) override {
        Data.insert(Data.end(), buf, buf + count);
    }
    TBytes Data;
};

// Packs bits least significant first, as deflate and the older methods read them.
class TBitPack {
public:
    void Bits(uint32_t v, int count); // the low count bits of v
    void Align();                     // zero bits up to a whole byte
    TBytes Done();                    // Align, then the bytes

private:
    TBytes out_;
    uint32_t acc_ = 0;
    int n_ = 0;
};

// zlib raw deflate (negative window bits) with the given level, window bits (9-15),
// strategy and, every flushEvery input bytes, the given flush (Z_NO_FLUSH for none).
TBytes ZlibDeflateRaw(const TBytes& in, int level, int windowBits = 15, int strategy = 0,
                      size_t flushEvery = 0, int flush = 0);
// zlib raw deflate with the given level's loop and the search limits of deflateTune.
TBytes ZlibDeflateRawTuned(const TBytes& in, int level, int good, int lazy, int nice, int chain);
// zlib raw inflate; false when zlib refuses the data or it does not end.
bool ZlibInflateRaw(const TBytes& in, TBytes& out);

// Our codecs over memory.
TBytes OurDeflate(const TBytes& in, int level, uint16_t* method = nullptr);
TBytes OurInflate(const TBytes& in, uint64_t maxOutput = UINT64_MAX, size_t chunk = SIZE_MAX);

// Test data, deterministic for a seed.
TBytes RandomBytes(size_t n, uint32_t seed);
TBytes TextBytes(size_t n, uint32_t seed);   // words, lines, punctuation
TBytes RecordBytes(size_t n, uint32_t seed); // binary records with tagged fields and texts
TBytes SkewedBytes(size_t n, uint32_t seed); // few symbols, long runs
TBytes ToBytes(const std::string& s);

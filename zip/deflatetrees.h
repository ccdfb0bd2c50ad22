#pragma once
// The Huffman half of the deflate compressor: symbol buffers and frequencies of the current
// block, tree building with length limits, block choice (stored, fixed, dynamic) and the
// bit writer. Internal to the zip codecs.

#include <cstdint>
#include <vector>

#include "zip/codecio.h"

class TDeflateTrees {
public:
    TDeflateTrees();

    // Starts an entry that writes to out.
    void Init(IZipOutput& out);
    // Levels 3 and above may end a block early when it compresses well.
    void SetLevel(int level) { level_ = level; }

    // Record one literal or one match (distance 1-32768, length 3-258); true when the block
    // should be flushed now.
    bool TallyLiteral(uint8_t c);
    bool TallyMatch(unsigned dist, unsigned length);

    // Whether the literals of the current block look like text (few bytes 0-6 and 128-255).
    bool LooksLikeText() const;

    // Ends the current block. buf (null when no longer in the window) holds its storedLen
    // input bytes. With canStoreWhole (the last block is the whole entry, nothing written
    // yet) the bytes go out as they stand, without any block header, when that is not
    // larger than coding them; returns true then. Otherwise writes the smallest of a stored,
    // fixed or dynamic block; after the last block the output is padded to a byte and
    // handed on. Raises EInvalidMatch when a code length cannot be sent.
    bool FlushBlock(const uint8_t* buf, uint32_t storedLen, bool last, bool canStoreWhole);

    // Bytes handed to the output so far in this entry.
    uint64_t OutTotal() const { return outTotal_; }

private:
    static constexpr int LCodes = 286 + 2; // literal/length codes with the two unused
    static constexpr int DCodes = 30;
    static constexpr int BlCodes = 19;
    static constexpr int HeapSize = 2 * LCodes + 1;
    static constexpr int MaxBits = 15;
    static constexpr int MaxBlBits = 7;
    static constexpr unsigned LitBufSize = 32768;

    struct TTree {
        std::vector<uint32_t> freq;
        std::vector<uint16_t> code;
        std::vector<uint16_t> len;
        std::vector<uint16_t> dad;
        int elems = 0;
        int maxCode = 0;
        const uint16_t* staticLen = nullptr; // fixed-code lengths (null for the length tree)
        const uint8_t* extraBits = nullptr;
        int extraBase = 0;
        int maxLength = 0;
        void Resize(int n);
    };

    void InitBlock();
    void BuildTree(TTree& t);
    void GenBitLen(TTree& t);
    void GenCodes(TTree& t);
    void ScanTree(TTree& t, int maxCode);
    void SendTree(TTree& t, int maxCode);
    int BuildBlTree();
    void SendAllTrees(int lcodes, int dcodes, int blcodes);
    void CompressBlock(const uint16_t* lcode, const uint16_t* llen, const uint16_t* dcode,
                       const uint16_t* dlen);
    void SendBlCode(int c);

    void SendBits(uint32_t value, unsigned length) {
        bitBuf_ |= uint64_t(value) << bitCount_;
        bitCount_ += length;
        if (bitCount_ >= 32) {
            PutBytes32(uint32_t(bitBuf_));
            bitBuf_ >>= 32;
            bitCount_ -= 32;
        }
    }
    void PutBytes32(uint32_t v);
    void WindUp(); // pads to a byte boundary
    void PutRaw(const uint8_t* p, uint32_t n);
    void FlushOut();

    int level_ = 6;
    IZipOutput* out_ = nullptr;
    std::vector<uint8_t> outBuf_;
    size_t outPos_ = 0;
    uint64_t outTotal_ = 0;
    uint64_t bitBuf_ = 0;
    unsigned bitCount_ = 0;
    bool anyWritten_ = false;

    TTree ltree_, dtree_, bltree_;
    std::vector<uint8_t> lbuf_;
    std::vector<uint16_t> dbuf_;
    unsigned lastLit_ = 0, lastDist_ = 0;
    uint32_t blockInput_ = 0;
    uint64_t optLen_ = 0, staticLen_ = 0;
    int heap_[HeapSize];
    int heapLen_ = 0, heapMax_ = 0;
    uint8_t depth_[HeapSize];
    uint16_t blCount_[MaxBits + 1];
};

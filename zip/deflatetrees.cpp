#include "zip/deflatetrees.h"

#include <algorithm>
#include <cstring>

#include "zip/deflateformat.h"
#include "zip/ziperrors.h"

namespace {

constexpr int Literals = 256;
constexpr int EndBlock = 256;
constexpr int LengthCodes = 29;
constexpr int Rep3_6 = 16, RepZ3_10 = 17, RepZ11_138 = 18;
constexpr uint64_t SizeLimit = uint64_t(1) << 32;
constexpr size_t OutBufSize = 1 << 16;

constexpr uint8_t ExtraBlBits[19] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 3, 7};

unsigned Reverse(unsigned code, int len) {
    unsigned r = 0;
    for (int i = 0; i < len; ++i, code >>= 1)
        r = (r << 1) | (code & 1);
    return r;
}

// Code tables of RFC 1951, filled once.
struct TStaticTables {
    uint8_t lengthCode[256];
    uint8_t distCode[512];
    uint16_t baseLength[LengthCodes];
    uint16_t baseDist[30];
    uint16_t ltreeCode[288], ltreeLen[288];
    uint16_t dtreeCode[30], dtreeLen[30];

    TStaticTables() {
        int length = 0, code;
        for (code = 0; code < LengthCodes - 1; ++code) {
            baseLength[code] = uint16_t(length);
            for (int n = 0; n < (1 << DeflateLengthExtraBits[code]); ++n)
                lengthCode[length++] = uint8_t(code);
        }
        baseLength[LengthCodes - 1] = 0;
        lengthCode[length - 1] = uint8_t(code); // 258 has a code of its own
        int dist = 0;
        for (code = 0; code < 16; ++code) {
            baseDist[code] = uint16_t(dist);
            for (int n = 0; n < (1 << DeflateDistanceExtraBits[code]); ++n)
                distCode[dist++] = uint8_t(code);
        }
        dist >>= 7;
        for (; code < 30; ++code) {
            baseDist[code] = uint16_t(dist << 7);
            for (int n = 0; n < (1 << (DeflateDistanceExtraBits[code] - 7)); ++n)
                distCode[256 + dist++] = uint8_t(code);
        }
        uint16_t count[16] = {};
        for (int n = 0; n < 288; ++n) {
            ltreeLen[n] = uint16_t(DeflateFixedLiteralLength(n));
            ++count[ltreeLen[n]];
        }
        uint16_t next[16] = {};
        unsigned c = 0;
        for (int bits = 1; bits <= 15; ++bits)
            next[bits] = uint16_t(c = (c + count[bits - 1]) << 1);
        for (int n = 0; n < 288; ++n)
            ltreeCode[n] = uint16_t(Reverse(next[ltreeLen[n]]++, ltreeLen[n]));
        for (int n = 0; n < 30; ++n) {
            dtreeLen[n] = 5;
            dtreeCode[n] = uint16_t(Reverse(unsigned(n), 5));
        }
    }
    unsigned DCode(unsigned dist) const { // dist is distance less 1
        return dist < 256 ? distCode[dist] : distCode[256 + (dist >> 7)];
    }
};

const TStaticTables& Static() {
    static const TStaticTables t;
    return t;
}

// Walks the code lengths len[0..maxCode] in the runs the bit-length tree codes (up to 138
// zeros, up to 6 repeats of the length before, else up to 7 equal lengths) and calls
// visit(length, count, length before, whether the run is long enough for a repeat code).
template <class F> void ForEachLengthRun(const std::vector<uint16_t>& len, int maxCode, F visit) {
    int prevLen = -1, nextLen = len[0], count = 0, maxCount = 7, minCount = 4;
    if (nextLen == 0) {
        maxCount = 138;
        minCount = 3;
    }
    for (int n = 0; n <= maxCode; ++n) {
        int curLen = nextLen;
        nextLen = n + 1 <= maxCode ? len[size_t(n + 1)] : 0xFFFF;
        if (++count < maxCount && curLen == nextLen)
            continue;
        visit(curLen, count, prevLen, count >= minCount);
        count = 0;
        prevLen = curLen;
        if (nextLen == 0) {
            maxCount = 138;
            minCount = 3;
        } else if (curLen == nextLen) {
            maxCount = 6;
            minCount = 3;
        } else {
            maxCount = 7;
            minCount = 4;
        }
    }
}

} // namespace

void TDeflateTrees::TTree::Resize(int n) {
    freq.assign(size_t(n), 0);
    code.assign(size_t(n), 0);
    len.assign(size_t(n), 0);
    dad.assign(size_t(n), 0);
}

TDeflateTrees::TDeflateTrees() {
    const TStaticTables& st = Static();
    ltree_.Resize(HeapSize);
    ltree_.elems = LCodes;
    ltree_.staticLen = st.ltreeLen;
    ltree_.extraBits = DeflateLengthExtraBits;
    ltree_.extraBase = Literals + 1;
    ltree_.maxLength = MaxBits;
    dtree_.Resize(2 * DCodes + 1);
    dtree_.elems = DCodes;
    dtree_.staticLen = st.dtreeLen;
    dtree_.extraBits = DeflateDistanceExtraBits;
    dtree_.extraBase = 0;
    dtree_.maxLength = MaxBits;
    bltree_.Resize(2 * BlCodes + 1);
    bltree_.elems = BlCodes;
    bltree_.extraBits = ExtraBlBits;
    bltree_.extraBase = 0;
    bltree_.maxLength = MaxBlBits;
    lbuf_.resize(LitBufSize);
    dbuf_.resize(LitBufSize);
    outBuf_.resize(OutBufSize + 16);
}

void TDeflateTrees::Init(IZipOutput& out) {
    out_ = &out;
    outPos_ = 0;
    outTotal_ = 0;
    bitBuf_ = 0;
    bitCount_ = 0;
    anyWritten_ = false;
    InitBlock();
}

void TDeflateTrees::InitBlock() {
    std::fill(ltree_.freq.begin(), ltree_.freq.end(), 0);
    std::fill(dtree_.freq.begin(), dtree_.freq.end(), 0);
    std::fill(bltree_.freq.begin(), bltree_.freq.end(), 0);
    ltree_.freq[EndBlock] = 1;
    optLen_ = staticLen_ = 0;
    lastLit_ = lastDist_ = 0;
    blockInput_ = 0;
}

bool TDeflateTrees::TallyLiteral(uint8_t c) {
    lbuf_[lastLit_] = c;
    dbuf_[lastLit_++] = 0;
    ++ltree_.freq[c];
    ++blockInput_;
    return lastLit_ == LitBufSize - 1;
}

bool TDeflateTrees::TallyMatch(unsigned dist, unsigned length) {
    const TStaticTables& st = Static();
    lbuf_[lastLit_] = uint8_t(length - 3);
    dbuf_[lastLit_++] = uint16_t(dist);
    ++lastDist_;
    ++ltree_.freq[st.lengthCode[length - 3] + Literals + 1];
    ++dtree_.freq[st.DCode(dist - 1)];
    blockInput_ += length;
    if (level_ > 2 && (lastLit_ & 0xFFF) == 0) {
        // End the block early when it already compresses to less than half.
        uint64_t outLength = uint64_t(lastLit_) * 8;
        for (int d = 0; d < DCodes; ++d)
            outLength += uint64_t(dtree_.freq[size_t(d)]) * (5 + DeflateDistanceExtraBits[d]);
        outLength >>= 3;
        if (lastDist_ < lastLit_ / 2 && outLength < blockInput_ / 2)
            return true;
    }
    return lastLit_ == LitBufSize - 1 || lastDist_ == LitBufSize;
}

bool TDeflateTrees::LooksLikeText() const {
    uint64_t ascii = 0, bin = 0;
    for (int n = 0; n < 7; ++n)
        bin += ltree_.freq[size_t(n)];
    for (int n = 7; n < 128; ++n)
        ascii += ltree_.freq[size_t(n)];
    for (int n = 128; n < Literals; ++n)
        bin += ltree_.freq[size_t(n)];
    return bin <= (ascii >> 2);
}

// Heap of tree nodes ordered by frequency, then by depth.
#define TW_SMALLER(t, n, m)                                                                        \
    ((t).freq[size_t(n)] < (t).freq[size_t(m)] ||                                                  \
     ((t).freq[size_t(n)] == (t).freq[size_t(m)] && depth_[n] <= depth_[m]))

void TDeflateTrees::BuildTree(TTree& t) {
    auto downHeap = [&](int k) {
        int v = heap_[k];
        int j = k << 1;
        while (j <= heapLen_) {
            if (j < heapLen_ && TW_SMALLER(t, heap_[j + 1], heap_[j]))
                ++j;
            if (TW_SMALLER(t, v, heap_[j]))
                break;
            heap_[k] = heap_[j];
            k = j;
            j <<= 1;
        }
        heap_[k] = v;
    };
    const int elems = t.elems;
    int maxCode = -1;
    heapLen_ = 0;
    heapMax_ = HeapSize;
    for (int n = 0; n < elems; ++n) {
        if (t.freq[size_t(n)] != 0) {
            heap_[++heapLen_] = maxCode = n;
            depth_[n] = 0;
        } else {
            t.len[size_t(n)] = 0;
        }
    }
    // At least two codes, so that a code is never empty.
    while (heapLen_ < 2) {
        int node = heap_[++heapLen_] = (maxCode < 2 ? ++maxCode : 0);
        t.freq[size_t(node)] = 1;
        depth_[node] = 0;
        --optLen_;
        if (t.staticLen)
            staticLen_ -= t.staticLen[node];
    }
    t.maxCode = maxCode;
    for (int n = heapLen_ / 2; n >= 1; --n)
        downHeap(n);
    int node = elems;
    do {
        int n = heap_[1];
        heap_[1] = heap_[heapLen_--];
        downHeap(1);
        int m = heap_[1];
        heap_[--heapMax_] = n;
        heap_[--heapMax_] = m;
        t.freq[size_t(node)] = t.freq[size_t(n)] + t.freq[size_t(m)];
        depth_[node] = uint8_t(std::max(depth_[n], depth_[m]) + 1);
        t.dad[size_t(n)] = t.dad[size_t(m)] = uint16_t(node);
        heap_[1] = node++;
        downHeap(1);
    } while (heapLen_ >= 2);
    heap_[--heapMax_] = heap_[1];
    GenBitLen(t);
    GenCodes(t);
}
#undef TW_SMALLER

void TDeflateTrees::GenBitLen(TTree& t) {
    std::fill(blCount_, blCount_ + MaxBits + 1, 0);
    t.len[size_t(heap_[heapMax_])] = 0; // root
    int overflow = 0;
    int h;
    for (h = heapMax_ + 1; h < HeapSize; ++h) {
        int n = heap_[h];
        int bits = t.len[t.dad[size_t(n)]] + 1;
        if (bits > t.maxLength) {
            bits = t.maxLength;
            ++overflow;
        }
        t.len[size_t(n)] = uint16_t(bits);
        if (n > t.maxCode)
            continue; // not a leaf
        ++blCount_[bits];
        int xbits = n >= t.extraBase ? t.extraBits[n - t.extraBase] : 0;
        uint64_t f = t.freq[size_t(n)];
        optLen_ += f * uint64_t(bits + xbits);
        if (t.staticLen)
            staticLen_ += f * uint64_t(t.staticLen[n] + xbits);
    }
    if (overflow == 0)
        return;
    // Move leaves down until the lengths fit, then give the longest to the rarest symbols.
    do {
        int bits = t.maxLength - 1;
        while (blCount_[bits] == 0)
            --bits;
        --blCount_[bits];
        blCount_[bits + 1] += 2;
        --blCount_[t.maxLength];
        overflow -= 2;
    } while (overflow > 0);
    h = HeapSize;
    for (int bits = t.maxLength; bits != 0; --bits) {
        int n = blCount_[bits];
        while (n != 0) {
            int m = heap_[--h];
            if (m > t.maxCode)
                continue;
            if (t.len[size_t(m)] != bits) {
                optLen_ += (int64_t(bits) - t.len[size_t(m)]) * int64_t(t.freq[size_t(m)]);
                t.len[size_t(m)] = uint16_t(bits);
            }
            --n;
        }
    }
}

void TDeflateTrees::GenCodes(TTree& t) {
    uint16_t next[MaxBits + 1];
    unsigned code = 0;
    for (int bits = 1; bits <= MaxBits; ++bits)
        next[bits] = uint16_t(code = (code + blCount_[bits - 1]) << 1);
    for (int n = 0; n <= t.maxCode; ++n) {
        int len = t.len[size_t(n)];
        if (len == 0)
            continue;
        t.code[size_t(n)] = uint16_t(Reverse(next[len]++, len));
    }
}

void TDeflateTrees::ScanTree(TTree& t, int maxCode) {
    ForEachLengthRun(t.len, maxCode, [this](int curLen, int count, int prevLen, bool repeat) {
        if (!repeat) {
            bltree_.freq[size_t(curLen)] += uint32_t(count);
        } else if (curLen != 0) {
            if (curLen != prevLen)
                ++bltree_.freq[size_t(curLen)];
            ++bltree_.freq[Rep3_6];
        } else if (count <= 10) {
            ++bltree_.freq[RepZ3_10];
        } else {
            ++bltree_.freq[RepZ11_138];
        }
    });
}

void TDeflateTrees::SendBlCode(int c) {
    const int len = bltree_.len[size_t(c)];
    if (len == 0 || len > MaxBlBits)
        throw EInvalidMatch(Format("Length out of range! - %d", c));
    SendBits(bltree_.code[size_t(c)], unsigned(len));
}

void TDeflateTrees::SendTree(TTree& t, int maxCode) {
    ForEachLengthRun(t.len, maxCode, [this](int curLen, int count, int prevLen, bool repeat) {
        if (!repeat) {
            do
                SendBlCode(curLen);
            while (--count != 0);
        } else if (curLen != 0) {
            if (curLen != prevLen) {
                SendBlCode(curLen);
                --count;
            }
            SendBlCode(Rep3_6);
            SendBits(uint32_t(count - 3), 2);
        } else if (count <= 10) {
            SendBlCode(RepZ3_10);
            SendBits(uint32_t(count - 3), 3);
        } else {
            SendBlCode(RepZ11_138);
            SendBits(uint32_t(count - 11), 7);
        }
    });
}

int TDeflateTrees::BuildBlTree() {
    ScanTree(ltree_, ltree_.maxCode);
    ScanTree(dtree_, dtree_.maxCode);
    BuildTree(bltree_);
    int maxBlIndex;
    for (maxBlIndex = BlCodes - 1; maxBlIndex >= 3; --maxBlIndex)
        if (bltree_.len[DeflateCodeLengthOrder[maxBlIndex]] != 0)
            break;
    optLen_ += 3 * (uint64_t(maxBlIndex) + 1) + 5 + 5 + 4;
    return maxBlIndex;
}

void TDeflateTrees::SendAllTrees(int lcodes, int dcodes, int blcodes) {
    SendBits(uint32_t(lcodes - 257), 5);
    SendBits(uint32_t(dcodes - 1), 5);
    SendBits(uint32_t(blcodes - 4), 4);
    for (int rank = 0; rank < blcodes; ++rank)
        SendBits(bltree_.len[DeflateCodeLengthOrder[rank]], 3);
    SendTree(ltree_, lcodes - 1);
    SendTree(dtree_, dcodes - 1);
}

void TDeflateTrees::CompressBlock(const uint16_t* lcode, const uint16_t* llen,
                                  const uint16_t* dcode, const uint16_t* dlen) {
    const TStaticTables& st = Static();
    for (unsigned i = 0; i < lastLit_; ++i) {
        const unsigned dist = dbuf_[i];
        const unsigned lc = lbuf_[i];
        if (dist == 0) {
            SendBits(lcode[lc], llen[lc]);
            continue;
        }
        unsigned code = st.lengthCode[lc];
        const unsigned sym = code + Literals + 1;
        // Length code, length extra, distance code and distance extra: at most 48 bits.
        uint64_t bits = lcode[sym];
        unsigned n = llen[sym];
        if (DeflateLengthExtraBits[code]) {
            bits |= uint64_t(lc - st.baseLength[code]) << n;
            n += DeflateLengthExtraBits[code];
        }
        const unsigned d = dist - 1;
        code = st.DCode(d);
        bits |= uint64_t(dcode[code]) << n;
        n += dlen[code];
        SendBits(uint32_t(bits), std::min(n, 32u));
        if (n > 32)
            SendBits(uint32_t(bits >> 32), n - 32);
        if (DeflateDistanceExtraBits[code])
            SendBits(d - st.baseDist[code], DeflateDistanceExtraBits[code]);
    }
    SendBits(lcode[EndBlock], llen[EndBlock]);
}

bool TDeflateTrees::FlushBlock(const uint8_t* buf, uint32_t storedLen, bool last,
                               bool canStoreWhole) {
    BuildTree(ltree_);
    BuildTree(dtree_);
    const int maxBlIndex = BuildBlTree();
    uint64_t optLenB = (optLen_ + 3 + 7) >> 3;
    const uint64_t staticLenB = (staticLen_ + 3 + 7) >> 3;
    if (staticLenB <= optLenB)
        optLenB = staticLenB;
    bool storedWhole = false;
    if (canStoreWhole && !anyWritten_ && storedLen <= optLenB) {
        PutRaw(buf, storedLen);
        storedWhole = true;
    } else if (storedLen + 4 <= optLenB && buf && storedLen <= 0xFFFF) {
        SendBits(last ? 1 : 0, 3); // stored block
        WindUp();
        uint8_t hdr[4] = {uint8_t(storedLen), uint8_t(storedLen >> 8), uint8_t(~storedLen),
                          uint8_t(~storedLen >> 8)};
        PutRaw(hdr, 4);
        PutRaw(buf, storedLen);
    } else if (staticLenB == optLenB) {
        const TStaticTables& st = Static();
        SendBits((1 << 1) + (last ? 1 : 0), 3);
        CompressBlock(st.ltreeCode, st.ltreeLen, st.dtreeCode, st.dtreeLen);
    } else {
        SendBits((2 << 1) + (last ? 1 : 0), 3);
        SendAllTrees(ltree_.maxCode + 1, dtree_.maxCode + 1, maxBlIndex + 1);
        CompressBlock(ltree_.code.data(), ltree_.len.data(), dtree_.code.data(), dtree_.len.data());
    }
    anyWritten_ = true;
    InitBlock();
    if (last) {
        WindUp();
        FlushOut();
    }
    return storedWhole;
}

void TDeflateTrees::PutBytes32(uint32_t v) {
    std::memcpy(outBuf_.data() + outPos_, &v, 4);
    outPos_ += 4;
    if (outPos_ >= OutBufSize)
        FlushOut();
}

void TDeflateTrees::WindUp() {
    while (bitCount_ > 0) {
        outBuf_[outPos_++] = uint8_t(bitBuf_);
        bitBuf_ >>= 8;
        bitCount_ = bitCount_ > 8 ? bitCount_ - 8 : 0;
    }
    bitBuf_ = 0;
    if (outPos_ >= OutBufSize)
        FlushOut();
}

void TDeflateTrees::PutRaw(const uint8_t* p, uint32_t n) {
    while (n) {
        size_t k = std::min<size_t>(n, OutBufSize - outPos_);
        std::memcpy(outBuf_.data() + outPos_, p, k);
        outPos_ += k;
        p += k;
        n -= uint32_t(k);
        if (outPos_ >= OutBufSize)
            FlushOut();
    }
}

void TDeflateTrees::FlushOut() {
    if (outPos_ == 0)
        return;
    outTotal_ += outPos_;
    if (outTotal_ >= SizeLimit)
        throw EZipError("The entry is too large for a zip archive (4 GiB or more)");
    out_->Write(outBuf_.data(), outPos_);
    outPos_ = 0;
}

#include "zip/inflate.h"

#include <cstring>
#include <vector>

#include "zip/deflateformat.h"
#include "zip/huffmantable.h"
#include "zip/ziperrors.h"

namespace {

constexpr int LitBits = 10; // main-table widths
constexpr int DistBits = 8;
constexpr int PreBits = 7;
constexpr size_t InSize = size_t(1) << 16;
constexpr size_t InPad = 8;
constexpr size_t History = 32768;
constexpr size_t OutCap = size_t(1) << 18; // output kept between flushes, history included
constexpr size_t OutPad = 64;              // room for wide copies that run past their end
constexpr size_t FastOut = 258 + 32;       // output room the fast loop needs per symbol
constexpr size_t FastIn = 24;              // input the fast loop needs per symbol

constexpr uint16_t LenBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint16_t DistBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                   33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                   1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};

inline uint64_t Mask(unsigned n) {
    return (uint64_t(1) << n) - 1;
}

inline uint64_t Load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

[[noreturn]] void Corrupt(const char* what) {
    throw EFatalUnzipError(std::string("Invalid compressed data (") + what + ")");
}

} // namespace

struct TInflater::TState {
    std::vector<uint8_t> in = std::vector<uint8_t>(InSize + InPad);
    std::vector<uint8_t> out = std::vector<uint8_t>(OutCap + OutPad);
    std::vector<uint32_t> lit, dist, pre, fixedLit, fixedDist;
    uint32_t litLeaves[288];
    uint32_t distLeaves[32];
    uint32_t preLeaves[19];

    TState() {
        using namespace huff;
        for (uint32_t s = 0; s < 256; ++s)
            litLeaves[s] = Leaf(s, 0, Literal);
        litLeaves[256] = Leaf(0, 0, EndOfBlock);
        for (uint32_t s = 257; s < 286; ++s)
            litLeaves[s] = Leaf(LenBase[s - 257], DeflateLengthExtraBits[s - 257], 0);
        litLeaves[286] = litLeaves[287] = Leaf(0, 0, Invalid);
        for (uint32_t s = 0; s < 30; ++s)
            distLeaves[s] = Leaf(DistBase[s], DeflateDistanceExtraBits[s], 0);
        distLeaves[30] = distLeaves[31] = Leaf(0, 0, Invalid);
        for (uint32_t s = 0; s < 19; ++s)
            preLeaves[s] = Leaf(s, 0, 0);
        uint8_t lens[288];
        for (int s = 0; s < 288; ++s)
            lens[s] = uint8_t(DeflateFixedLiteralLength(s));
        Build(lens, 288, litLeaves, LitBits, false, fixedLit);
        std::memset(lens, 5, 32);
        Build(lens, 32, distLeaves, DistBits, false, fixedDist);
    }
};

namespace {

// One Inflate call: the bit reader over the input buffer and the output window.
class TDecoder {
public:
    TDecoder(TInflater::TState& st, IZipInput& src, IZipOutput& dst, uint64_t limit)
        : st_(st), src_(src), dst_(dst), limit_(limit) {
        ip_ = iend_ = st_.in.data();
        win_ = op_ = flushed_ = st_.out.data();
        SetOutEnd();
    }

    uint64_t Run() {
        bool last = false;
        while (!last) {
            last = Bits(1) != 0;
            switch (Bits(2)) {
            case 0:
                StoredBlock();
                break;
            case 1:
                HuffmanBlock(st_.fixedLit.data(), st_.fixedDist.data());
                break;
            case 2:
                ReadDynamicTables();
                HuffmanBlock(st_.lit.data(), st_.dist.data());
                break;
            default:
                Corrupt("bad block type");
            }
        }
        Flush();
        return winTotal_ + uint64_t(op_ - win_);
    }

    uint64_t Consumed() const { return totalRead_ - uint64_t(iend_ - ip_) - (bitcnt_ >> 3); }

private:
    TInflater::TState& st_;
    IZipInput& src_;
    IZipOutput& dst_;
    const uint64_t limit_;
    const uint8_t* ip_;
    const uint8_t* iend_;
    uint64_t totalRead_ = 0;
    uint64_t bitbuf_ = 0; // bits above bitcnt_ are zero outside the fast loop
    unsigned bitcnt_ = 0;
    uint8_t* win_;
    uint8_t* op_;
    uint8_t* flushed_;
    uint8_t* oend_;         // writes may not pass this (buffer end or the size limit)
    uint64_t winTotal_ = 0; // output count at win_

    void SetOutEnd() {
        const uint64_t room = limit_ - winTotal_; // limit_ >= winTotal_ always
        oend_ = win_ + (room < OutCap ? size_t(room) : OutCap);
    }
    bool LimitBound() const { return oend_ < win_ + OutCap; }
    [[noreturn]] void TooLong() {
        throw EZipError("Compressed data yields more than the declared size");
    }

    void Flush() {
        if (op_ > flushed_)
            dst_.Write(flushed_, size_t(op_ - flushed_));
        flushed_ = op_;
    }
    // Hands the decoded bytes on and keeps the last 32 KiB as history.
    void FlushAndShift() {
        Flush();
        if (size_t(op_ - win_) > History) {
            winTotal_ += uint64_t(op_ - win_) - History;
            std::memmove(win_, op_ - History, History);
            op_ = flushed_ = win_ + History;
            SetOutEnd();
        }
    }

    void Pull() {
        size_t n = src_.Read(st_.in.data(), InSize);
        if (n == 0)
            throw EFatalUnzipError("Premature end of file reached");
        if (n > InSize)
            n = InSize;
        totalRead_ += n;
        ip_ = st_.in.data();
        iend_ = ip_ + n;
    }
    void FillFromBuffer() {
        while (bitcnt_ <= 56 && ip_ < iend_) {
            bitbuf_ |= uint64_t(*ip_++) << bitcnt_;
            bitcnt_ += 8;
        }
    }
    void Need(unsigned n) {
        while (bitcnt_ < n) {
            if (ip_ == iend_)
                Pull();
            bitbuf_ |= uint64_t(*ip_++) << bitcnt_;
            bitcnt_ += 8;
        }
    }
    void Drop(unsigned n) {
        bitbuf_ >>= n;
        bitcnt_ -= n;
    }
    uint32_t Bits(unsigned n) {
        Need(n);
        uint32_t v = uint32_t(bitbuf_ & Mask(n));
        Drop(n);
        return v;
    }

    // Looks up one code, pulling input only when the code needs more bits than are here.
    // Returns the leaf with the main-table bits of a sub-table link already dropped.
    uint32_t DecodeSlow(const uint32_t* table, unsigned mainBits) {
        for (;;) {
            FillFromBuffer();
            uint32_t e = table[bitbuf_ & Mask(mainBits)];
            if (e & huff::SubTable) {
                if (bitcnt_ >= mainBits) {
                    uint32_t e2 =
                        table[huff::Value(e) + ((bitbuf_ >> mainBits) & Mask(huff::TotalBits(e)))];
                    if (bitcnt_ >= mainBits + huff::CodeLength(e2)) {
                        if (e2 & huff::Invalid)
                            Corrupt("invalid code");
                        Drop(mainBits);
                        return e2;
                    }
                }
            } else if (bitcnt_ >= huff::CodeLength(e)) {
                if (e & huff::Invalid)
                    Corrupt("invalid code");
                return e;
            }
            Pull(); // the buffer is empty: FillFromBuffer stops only then or above 56 bits
        }
    }
    // Takes a leaf's code and extra bits; returns value plus extra.
    uint32_t TakeLeaf(uint32_t e) {
        const unsigned total = huff::TotalBits(e);
        Need(total);
        uint32_t v = huff::Value(e) + uint32_t((bitbuf_ & Mask(total)) >> huff::CodeLength(e));
        Drop(total);
        return v;
    }

    void StoredBlock() {
        Drop(bitcnt_ & 7);
        const uint32_t len = Bits(16);
        const uint32_t nlen = Bits(16);
        if (len != (~nlen & 0xFFFF))
            Corrupt("stored block length does not match its complement");
        if (winTotal_ + uint64_t(op_ - win_) + len > limit_)
            TooLong();
        uint32_t left = len;
        while (left) {
            if (op_ == win_ + OutCap)
                FlushAndShift();
            size_t room = size_t(win_ + OutCap - op_);
            if (bitcnt_ >= 8) {
                *op_++ = uint8_t(bitbuf_);
                Drop(8);
                --left;
                continue;
            }
            if (ip_ == iend_)
                Pull();
            size_t n = size_t(iend_ - ip_);
            if (n > left)
                n = left;
            if (n > room)
                n = room;
            std::memcpy(op_, ip_, n);
            op_ += n;
            ip_ += n;
            left -= uint32_t(n);
        }
    }

    void ReadDynamicTables() {
        const unsigned nlit = Bits(5) + 257;
        const unsigned ndist = Bits(5) + 1;
        const unsigned npre = Bits(4) + 4;
        if (nlit > 286 || ndist > 30)
            Corrupt("too many length or distance codes");
        uint8_t preLens[19] = {};
        for (unsigned i = 0; i < npre; ++i)
            preLens[DeflateCodeLengthOrder[i]] = uint8_t(Bits(3));
        if (huff::Build(preLens, 19, st_.preLeaves, PreBits, false, st_.pre) !=
            huff::TBuildResult::Ok)
            Corrupt("bad code lengths code");
        uint8_t lens[286 + 30] = {};
        unsigned n = 0;
        while (n < nlit + ndist) {
            const uint32_t sym = TakeLeaf(DecodeSlow(st_.pre.data(), PreBits));
            if (sym < 16) {
                lens[n++] = uint8_t(sym);
                continue;
            }
            unsigned repeat;
            uint8_t value = 0;
            if (sym == 16) {
                if (n == 0)
                    Corrupt("repeat with no first length");
                value = lens[n - 1];
                repeat = 3 + Bits(2);
            } else if (sym == 17) {
                repeat = 3 + Bits(3);
            } else {
                repeat = 11 + Bits(7);
            }
            if (n + repeat > nlit + ndist)
                Corrupt("too many code lengths");
            std::memset(lens + n, value, repeat);
            n += repeat;
        }
        if (lens[256] == 0)
            Corrupt("no end-of-block code");
        huff::TBuildResult r = huff::Build(lens, int(nlit), st_.litLeaves, LitBits, true, st_.lit);
        if (r == huff::TBuildResult::OverSubscribed)
            Corrupt("over-subscribed literal/length code");
        if (r == huff::TBuildResult::Incomplete)
            Corrupt("incomplete literal/length code");
        r = huff::Build(lens + nlit, int(ndist), st_.distLeaves, DistBits, true, st_.dist);
        if (r == huff::TBuildResult::OverSubscribed)
            Corrupt("over-subscribed distance code");
        if (r == huff::TBuildResult::Incomplete)
            Corrupt("incomplete distance code");
    }

    static void CopyMatch(uint8_t* op, size_t dist, size_t len) {
        const uint8_t* s = op - dist;
        uint8_t* end = op + len;
        if (dist >= 16) {
            do {
                std::memcpy(op, s, 16);
                op += 16;
                s += 16;
            } while (op < end);
        } else if (dist >= 8) {
            do {
                std::memcpy(op, s, 8);
                op += 8;
                s += 8;
            } while (op < end);
        } else if (dist == 1) {
            uint64_t v = 0x0101010101010101ull * *s;
            do {
                std::memcpy(op, &v, 8);
                op += 8;
            } while (op < end);
        } else {
            do {
                *op++ = *s++;
            } while (op < end);
        }
    }

    // Decodes symbols while there is room for the widest one in input and output; returns
    // true at the end of the block.
    bool FastLoop(const uint32_t* lit, const uint32_t* dist) {
        if (size_t(iend_ - ip_) < FastIn || size_t(oend_ - op_) < FastOut)
            return false;
        const uint8_t* ip = ip_;
        const uint8_t* const ipLimit = iend_ - FastIn;
        uint8_t* op = op_;
        uint8_t* const opLimit = oend_ - FastOut;
        uint8_t* const win = win_;
        uint64_t bb = bitbuf_;
        unsigned bc = bitcnt_;
        bool eob = false;
        constexpr uint64_t litMask = (1u << LitBits) - 1;
        constexpr uint64_t distMask = (1u << DistBits) - 1;

#define TW_REFILL()                                                                                \
    do {                                                                                           \
        bb |= Load64(ip) << bc;                                                                    \
        ip += (63 - bc) >> 3;                                                                      \
        bc |= 56;                                                                                  \
    } while (0)
#define TW_LOOKUP(e, table, mask, mainBits)                                                        \
    do {                                                                                           \
        e = table[bb & mask];                                                                      \
        if (e & huff::SubTable) {                                                                  \
            bb >>= mainBits;                                                                       \
            bc -= mainBits;                                                                        \
            e = table[huff::Value(e) + (bb & Mask(huff::TotalBits(e)))];                           \
        }                                                                                          \
    } while (0)

        while (ip < ipLimit && op < opLimit) {
            TW_REFILL();
            uint32_t e;
            TW_LOOKUP(e, lit, litMask, LitBits);
            if (e & huff::Literal) {
                bb >>= huff::TotalBits(e);
                bc -= huff::TotalBits(e);
                *op++ = uint8_t(huff::Value(e));
                TW_LOOKUP(e, lit, litMask, LitBits);
                if (e & huff::Literal) {
                    bb >>= huff::TotalBits(e);
                    bc -= huff::TotalBits(e);
                    *op++ = uint8_t(huff::Value(e));
                    TW_LOOKUP(e, lit, litMask, LitBits);
                    if (e & huff::Literal) {
                        bb >>= huff::TotalBits(e);
                        bc -= huff::TotalBits(e);
                        *op++ = uint8_t(huff::Value(e));
                        continue;
                    }
                    if (bc < 20)
                        TW_REFILL();
                }
            }
            if (e & (huff::EndOfBlock | huff::Invalid)) {
                if (e & huff::Invalid) {
                    ip_ = ip;
                    Corrupt("invalid literal/length code");
                }
                bb >>= huff::TotalBits(e);
                bc -= huff::TotalBits(e);
                eob = true;
                break;
            }
            unsigned total = huff::TotalBits(e);
            const size_t len = huff::Value(e) + ((bb & Mask(total)) >> huff::CodeLength(e));
            bb >>= total;
            bc -= total;
            if (bc < 28)
                TW_REFILL();
            TW_LOOKUP(e, dist, distMask, DistBits);
            if (e & huff::Invalid)
                Corrupt("invalid distance code");
            total = huff::TotalBits(e);
            const size_t d = huff::Value(e) + ((bb & Mask(total)) >> huff::CodeLength(e));
            bb >>= total;
            bc -= total;
            if (d > size_t(op - win))
                Corrupt("distance too far back");
            CopyMatch(op, d, len);
            op += len;
        }
#undef TW_REFILL
#undef TW_LOOKUP
        // Give back the whole bytes the bit buffer holds beyond what is valid.
        ip_ = ip;
        op_ = op;
        bitbuf_ = bb & Mask(bc);
        bitcnt_ = bc;
        return eob;
    }

    void HuffmanBlock(const uint32_t* lit, const uint32_t* dist) {
        for (;;) {
            if (FastLoop(lit, dist))
                return;
            // One symbol at a time near the ends of the buffers.
            if (size_t(win_ + OutCap - op_) < FastOut && !LimitBound())
                FlushAndShift();
            const uint32_t e = DecodeSlow(lit, LitBits);
            if (e & huff::Literal) {
                Drop(huff::TotalBits(e));
                if (op_ == oend_) {
                    if (!LimitBound())
                        FlushAndShift();
                    if (op_ == oend_)
                        TooLong();
                }
                *op_++ = uint8_t(huff::Value(e));
                continue;
            }
            if (e & huff::EndOfBlock) {
                Drop(huff::TotalBits(e));
                return;
            }
            const size_t len = TakeLeaf(e);
            const size_t d = TakeLeaf(DecodeSlow(dist, DistBits));
            if (d > size_t(op_ - win_))
                Corrupt("distance too far back");
            if (size_t(oend_ - op_) < len) {
                if (!LimitBound())
                    FlushAndShift();
                if (size_t(oend_ - op_) < len)
                    TooLong();
            }
            const uint8_t* from = op_ - d;
            for (size_t i = 0; i < len; ++i)
                op_[i] = from[i];
            op_ += len;
        }
    }
};

} // namespace

TInflater::TInflater() = default;
TInflater::~TInflater() = default;

uint64_t TInflater::Inflate(IZipInput& in, IZipOutput& out, uint64_t maxOutput) {
    if (!state_)
        state_ = std::make_unique<TState>();
    consumed_ = 0;
    TDecoder dec(*state_, in, out, maxOutput < ZipMaxEntrySize ? maxOutput : ZipMaxEntrySize);
    uint64_t n = dec.Run();
    consumed_ = dec.Consumed();
    return n;
}

#include "zip/legacydecoders.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "zip/huffmantable.h"
#include "zip/inflate.h"
#include "zip/ziperrors.h"

namespace {

constexpr size_t InSize = 16384;

[[noreturn]] void Corrupt(const char* method, const char* what) {
    throw EFatalUnzipError(std::string("Invalid ") + method + " data (" + what + ")");
}

// Least-significant-bit-first reader that pulls input only when a read needs it.
class TBitReader {
public:
    explicit TBitReader(IZipInput& in) : in_(in), buf_(InSize) {}

    uint8_t Byte() { // a whole byte (only used while the bit buffer is empty)
        if (pos_ == end_)
            Pull();
        return buf_[pos_++];
    }
    void Need(unsigned n) {
        while (bc_ < n) {
            bb_ |= uint64_t(Byte()) << bc_;
            bc_ += 8;
        }
    }
    uint32_t Bits(unsigned n) {
        Need(n);
        uint32_t v = uint32_t(bb_ & ((uint64_t(1) << n) - 1));
        bb_ >>= n;
        bc_ -= n;
        return v;
    }
    // Decodes a code of a table built for inverted bits (implode's Shannon-Fano codes).
    uint32_t DecodeInverted(const std::vector<uint32_t>& table, unsigned mainBits) {
        for (;;) {
            while (bc_ <= 56 && pos_ < end_) {
                bb_ |= uint64_t(buf_[pos_++]) << bc_;
                bc_ += 8;
            }
            const uint64_t inv = ~bb_;
            uint32_t e = table[inv & ((uint64_t(1) << mainBits) - 1)];
            unsigned need = huff::CodeLength(e);
            if (e & huff::SubTable) {
                if (bc_ >= mainBits) {
                    uint32_t e2 =
                        table[huff::Value(e) +
                              ((inv >> mainBits) & ((uint64_t(1) << huff::TotalBits(e)) - 1))];
                    if (bc_ >= mainBits + huff::CodeLength(e2)) {
                        if (e2 & huff::Invalid)
                            Corrupt("imploded", "invalid code");
                        Drop(mainBits + huff::CodeLength(e2));
                        return huff::Value(e2);
                    }
                }
            } else if (bc_ >= need) {
                if (e & huff::Invalid)
                    Corrupt("imploded", "invalid code");
                Drop(need);
                return huff::Value(e);
            }
            Pull();
        }
    }

private:
    void Drop(unsigned n) {
        bb_ >>= n;
        bc_ -= n;
    }
    void Pull() {
        size_t n = in_.Read(buf_.data(), buf_.size());
        if (n == 0)
            throw EFatalUnzipError("Premature end of file reached");
        pos_ = 0;
        end_ = std::min(n, buf_.size());
    }
    IZipInput& in_;
    std::vector<uint8_t> buf_;
    size_t pos_ = 0, end_ = 0;
    uint64_t bb_ = 0;
    unsigned bc_ = 0;
};

// Output with history for back references: bytes before the first one read as zero.
class TOutWindow {
public:
    TOutWindow(IZipOutput& out, uint64_t size) : out_(out), size_(size), buf_(Cap) {}
    uint64_t Left() const { return size_ - done_ - pos_ + flushed_; }
    void Put(uint8_t c) {
        if (pos_ == Cap)
            Shift();
        buf_[pos_++] = c;
    }
    // Copies n bytes from dist back (1-based).
    void Copy(size_t dist, size_t n) {
        for (size_t i = 0; i < n; ++i) {
            if (pos_ == Cap)
                Shift();
            const uint64_t have = done_ - flushed_ + pos_; // total bytes produced so far
            buf_[pos_] = dist > have ? 0 : buf_[pos_ - dist];
            ++pos_;
        }
    }
    void Finish() {
        out_.Write(buf_.data() + flushed_, pos_ - flushed_);
        done_ += pos_ - flushed_;
        flushed_ = pos_;
    }

private:
    static constexpr size_t History = 16384;
    static constexpr size_t Cap = 65536;
    void Shift() {
        Finish();
        std::memmove(buf_.data(), buf_.data() + Cap - History, History);
        pos_ = flushed_ = History;
    }
    IZipOutput& out_;
    uint64_t size_;
    std::vector<uint8_t> buf_;
    size_t pos_ = 0, flushed_ = 0;
    uint64_t done_ = 0; // bytes handed on
};

void CheckSize(uint64_t size) {
    if (size > ZipMaxEntrySize)
        throw EZipError("The entry is too large for a zip archive (4 GiB or more)");
}

} // namespace

uint64_t ZipCopyStored(IZipInput& in, IZipOutput& out, uint64_t size) {
    CheckSize(size);
    std::vector<uint8_t> buf(InSize);
    uint64_t left = size;
    while (left) {
        size_t n = in.Read(buf.data(), size_t(std::min<uint64_t>(left, buf.size())));
        if (n == 0)
            throw EFatalUnzipError("Premature end of file reached");
        n = size_t(std::min<uint64_t>({n, left, buf.size()}));
        out.Write(buf.data(), n);
        left -= n;
    }
    return size;
}

// ---- Shrink ----

struct TUnshrinker::TState {
    static constexpr unsigned HSize = 8192;
    static constexpr uint16_t Bogus = 256;
    static constexpr uint16_t Free = HSize;
    uint16_t parent[HSize];
    uint8_t value[HSize];
    bool hasChild[HSize];
    uint8_t stack[HSize];
};

TUnshrinker::TUnshrinker() : state_(std::make_unique<TState>()) {}
TUnshrinker::~TUnshrinker() = default;

uint64_t TUnshrinker::Decode(IZipInput& in, IZipOutput& out, uint64_t uncompressedSize) {
    CheckSize(uncompressedSize);
    if (uncompressedSize == 0)
        return 0;
    TState& s = *state_;
    constexpr unsigned HSize = TState::HSize;
    for (unsigned c = 0; c < TState::Bogus; ++c) {
        s.value[c] = uint8_t(c);
        s.parent[c] = TState::Bogus;
    }
    for (unsigned c = TState::Bogus; c < HSize; ++c)
        s.parent[c] = TState::Free;
    std::memset(s.hasChild, 0, sizeof s.hasChild);

    TBitReader br(in);
    TOutWindow w(out, uncompressedSize);
    unsigned codeSize = 9;
    unsigned lastFree = TState::Bogus;
    unsigned oldCode = br.Bits(codeSize);
    if (oldCode >= 256)
        Corrupt("shrunk", "first code is not a byte");
    uint8_t finalVal = uint8_t(oldCode);
    w.Put(finalVal);
    while (w.Left() > 0) {
        unsigned code = br.Bits(codeSize);
        if (code == TState::Bogus) {
            const unsigned ctl = br.Bits(codeSize);
            if (ctl == 1) {
                if (++codeSize > 13)
                    Corrupt("shrunk", "code size above 13 bits");
            } else if (ctl == 2) {
                // Partial clear: free every code that no other code extends.
                for (unsigned c = TState::Bogus + 1; c <= lastFree && c < HSize; ++c)
                    if (s.parent[c] != TState::Free && s.parent[c] > TState::Bogus)
                        s.hasChild[s.parent[c]] = true;
                for (unsigned c = TState::Bogus + 1; c <= lastFree && c < HSize; ++c) {
                    if (s.hasChild[c])
                        s.hasChild[c] = false;
                    else
                        s.parent[c] = TState::Free;
                }
                lastFree = TState::Bogus;
            } else {
                Corrupt("shrunk", "unknown control code");
            }
            continue;
        }
        // The code the next new string will take.
        unsigned next = lastFree + 1;
        while (next < HSize && s.parent[next] != TState::Free)
            ++next;
        if (next >= HSize)
            Corrupt("shrunk", "string table full");

        size_t top = HSize; // the string is built back to front in stack[top..HSize)
        const unsigned curCode = code;
        if (s.parent[code] == TState::Free) {
            if (code != next) // only the string being defined may be used before it exists
                Corrupt("shrunk", "undefined code");
            s.stack[--top] = finalVal;
            code = oldCode;
        }
        while (code != TState::Bogus) {
            if (top == 0)
                Corrupt("shrunk", "string chain does not end");
            if (s.parent[code] == TState::Free)
                Corrupt("shrunk", "string refers to a free code");
            s.stack[--top] = s.value[code];
            code = s.parent[code];
        }
        finalVal = s.stack[top];
        const uint64_t n = std::min<uint64_t>(HSize - top, w.Left());
        for (uint64_t i = 0; i < n; ++i)
            w.Put(s.stack[top + i]);

        s.value[next] = finalVal;
        s.parent[next] = uint16_t(oldCode);
        lastFree = next;
        oldCode = curCode;
    }
    w.Finish();
    return uncompressedSize;
}

// ---- Reduce ----

TUnreducer::TUnreducer(int factor) : factor_(factor) {
    if (factor < 1 || factor > 4)
        throw EZipError(Format("Invalid reduce factor %d", factor));
}

uint64_t TUnreducer::Decode(IZipInput& in, IZipOutput& out, uint64_t uncompressedSize) {
    CheckSize(uncompressedSize);
    if (uncompressedSize == 0)
        return 0;
    static constexpr uint8_t LenMask[5] = {0, 0x7F, 0x3F, 0x1F, 0x0F};
    static constexpr uint8_t DistShift[5] = {0, 7, 6, 5, 4};
    static constexpr uint8_t DistMask[5] = {0, 0x01, 0x03, 0x07, 0x0F};
    constexpr uint8_t Dle = 144;
    TBitReader br(in);
    TOutWindow w(out, uncompressedSize);
    std::vector<uint8_t> followers(256 * 64, 0);
    uint8_t setLen[256];
    for (int x = 255; x >= 0; --x) {
        setLen[x] = uint8_t(br.Bits(6));
        for (unsigned i = 0; i < setLen[x]; ++i)
            followers[size_t(x) * 64 + i] = uint8_t(br.Bits(8));
    }
    auto indexBits = [](unsigned n) {
        unsigned b = 1;
        while ((1u << b) < n)
            ++b;
        return b;
    };
    unsigned last = 0, state = 0, len = 0, v = 0;
    while (w.Left() > 0) {
        unsigned c;
        if (setLen[last] == 0) {
            c = br.Bits(8);
        } else if (br.Bits(1)) {
            c = br.Bits(8);
        } else {
            unsigned idx = br.Bits(indexBits(setLen[last]));
            if (idx >= setLen[last])
                Corrupt("reduced", "follower index out of range");
            c = followers[size_t(last) * 64 + idx];
        }
        switch (state) {
        case 0:
            if (c != Dle)
                w.Put(uint8_t(c));
            else
                state = 1;
            break;
        case 1:
            if (c != 0) {
                v = c;
                len = v & LenMask[factor_];
                state = len == LenMask[factor_] ? 2 : 3;
            } else {
                w.Put(Dle);
                state = 0;
            }
            break;
        case 2:
            len += c;
            state = 3;
            break;
        default: {
            const size_t dist = (((v >> DistShift[factor_]) & DistMask[factor_]) << 8) + c + 1;
            w.Copy(dist, size_t(std::min<uint64_t>(len + 3, w.Left())));
            state = 0;
            break;
        }
        }
        last = c;
    }
    w.Finish();
    return uncompressedSize;
}

// ---- Implode ----

TExploder::TExploder(uint16_t flags, uint64_t compressedSize)
    : flags_(flags), compressedSize_(compressedSize) {}

namespace {

// Reads one Shannon-Fano tree: a count byte, then bytes of (repeat - 1, length - 1) nibbles.
void ReadTree(TBitReader& br, int count, const uint32_t* leaves, int mainBits,
              std::vector<uint32_t>& table) {
    uint8_t lens[256];
    int k = 0;
    int groups = br.Byte() + 1;
    while (groups--) {
        const uint8_t b = br.Byte();
        const int len = (b & 0x0F) + 1;
        int repeat = (b >> 4) + 1;
        if (k + repeat > count)
            Corrupt("imploded", "tree has too many lengths");
        while (repeat--)
            lens[k++] = uint8_t(len);
    }
    if (k != count)
        Corrupt("imploded", "tree has too few lengths");
    if (huff::Build(lens, count, leaves, mainBits, false, table) != huff::TBuildResult::Ok)
        Corrupt("imploded", "tree lengths do not fill the code");
}

} // namespace

uint64_t TExploder::Decode(IZipInput& in, IZipOutput& out, uint64_t uncompressedSize) {
    CheckSize(uncompressedSize);
    if (uncompressedSize == 0)
        return 0;
    const bool bigDict = flags_ & 0x0002;
    const bool litTree = flags_ & 0x0004;
    const unsigned lowBits = bigDict ? 7 : 6;
    const unsigned minMatch = litTree ? 3 : 2;
    const int distBits = compressedSize_ > 200000 ? 8 : 7;
    uint32_t leaves[256];
    for (uint32_t s = 0; s < 256; ++s)
        leaves[s] = huff::Leaf(s, 0, 0);
    TBitReader br(in);
    std::vector<uint32_t> lit, len, dist;
    if (litTree)
        ReadTree(br, 256, leaves, 9, lit);
    ReadTree(br, 64, leaves, 7, len);
    ReadTree(br, 64, leaves, distBits, dist);
    TOutWindow w(out, uncompressedSize);
    while (w.Left() > 0) {
        if (br.Bits(1)) {
            w.Put(uint8_t(litTree ? br.DecodeInverted(lit, 9) : br.Bits(8)));
            continue;
        }
        size_t d = br.Bits(lowBits);
        d += (size_t(br.DecodeInverted(dist, unsigned(distBits))) << lowBits) + 1;
        size_t n = br.DecodeInverted(len, 7);
        if (n == 63)
            n += br.Bits(8);
        n += minMatch;
        w.Copy(d, size_t(std::min<uint64_t>(n, w.Left())));
    }
    w.Finish();
    return uncompressedSize;
}

uint64_t ZipDecodeEntry(uint16_t method, uint16_t flags, uint64_t compressedSize,
                        uint64_t uncompressedSize, IZipInput& in, IZipOutput& out) {
    CheckSize(compressedSize);
    CheckSize(uncompressedSize);
    switch (method) {
    case 0:
        return ZipCopyStored(in, out, compressedSize);
    case 1:
        return TUnshrinker().Decode(in, out, uncompressedSize);
    case 2:
    case 3:
    case 4:
    case 5:
        return TUnreducer(method - 1).Decode(in, out, uncompressedSize);
    case 6:
        return TExploder(flags, compressedSize).Decode(in, out, uncompressedSize);
    case 8:
        return TInflater().Inflate(in, out, uncompressedSize);
    default:
        throw EZipError("Unknown Compression Method");
    }
}

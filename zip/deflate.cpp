#include "zip/deflate.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "zip/crc32.h"
#include "zip/deflatetrees.h"
#include "zip/ziperrors.h"

namespace {

constexpr unsigned WSize = 32768;
constexpr unsigned WMask = WSize - 1;
constexpr unsigned WindowSize = 2 * WSize;
constexpr unsigned HashBits = 15;
constexpr unsigned HashSize = 1u << HashBits;
constexpr unsigned HashMask = HashSize - 1;
constexpr unsigned HashShift = 5; // three shifts push a byte out of the hash
constexpr unsigned MinMatch = 3;
constexpr unsigned MaxMatch = 258;
constexpr unsigned MinLookahead = MaxMatch + MinMatch + 1;
constexpr unsigned MaxDist = WSize - MinLookahead;
constexpr unsigned TooFar = 4096;
constexpr uint64_t SizeLimit = uint64_t(1) << 32;

// Per level: previous match length above which the chain search is cut to a quarter; longest
// match searched lazily (greedy loop: longest match whose positions go into the hash); match
// length that ends the search; chain length. Level 0's zeros mean no practical chain limit,
// the first longer match ends the search, and no match goes into the hash.
struct TLevel {
    uint16_t good, lazy, nice, chain;
};
constexpr TLevel Levels[10] = {{0, 0, 0, 0},        {4, 4, 8, 4},      {4, 5, 16, 8},
                               {4, 6, 32, 32},      {4, 4, 16, 16},    {8, 16, 32, 32},
                               {8, 16, 128, 128},   {8, 32, 128, 256}, {32, 128, 258, 1024},
                               {32, 258, 258, 4096}};

inline uint64_t Load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

[[noreturn]] void TooLarge() {
    throw EZipError("The entry is too large for a zip archive (4 GiB or more)");
}

} // namespace

struct TDeflater::TState {
    // Matcher.
    std::vector<uint8_t> window = std::vector<uint8_t>(WindowSize + MaxMatch + 16);
    std::vector<uint16_t> prev = std::vector<uint16_t>(WSize);
    std::vector<uint16_t> head = std::vector<uint16_t>(HashSize);
    unsigned insH = 0;
    unsigned strstart = 0, lookahead = 0, matchStart = 0;
    long blockStart = 0;
    bool eof = false;
    unsigned goodMatch = 0, maxLazy = 0, niceMatch = 0, maxChain = 0;

    TDeflateTrees trees;
    IZipInput* src = nullptr;
    uint64_t inTotal = 0;
    TZipCrc32 crc;
    bool stored = false; // the whole entry went out as it stands
    int textState = -1;  // -1 unknown, 0 binary, 1 text

    void Init(IZipInput& in, IZipOutput& out, const TLevel& lv);
    unsigned ReadInput(uint8_t* buf, unsigned size);
    void FillWindow();
    unsigned LongestMatch(unsigned curMatch, unsigned prevLength);
    void CheckMatch(unsigned start, unsigned match, unsigned length) const;
    void InsertString(unsigned pos, unsigned& hashHead) {
        insH = ((insH << HashShift) ^ window[pos + MinMatch - 1]) & HashMask;
        hashHead = prev[pos & WMask] = head[insH];
        head[insH] = uint16_t(pos);
    }
    void FlushBlock(bool last);
    void Greedy();
    void Lazy();
};

void TDeflater::TState::Init(IZipInput& in, IZipOutput& out, const TLevel& lv) {
    src = &in;
    inTotal = 0;
    crc.Reset();
    stored = false;
    textState = -1;
    std::fill(head.begin(), head.end(), 0);
    std::fill(window.begin(), window.end(), 0);
    goodMatch = lv.good;
    maxLazy = lv.lazy;
    niceMatch = lv.nice;
    maxChain = lv.chain;
    strstart = 0;
    blockStart = 0;
    matchStart = 0;
    eof = false;
    trees.Init(out);
    lookahead = ReadInput(window.data(), WindowSize);
    if (lookahead == 0) {
        eof = true;
        return;
    }
    while (lookahead < MinLookahead && !eof)
        FillWindow();
    insH = 0;
    for (unsigned j = 0; j < MinMatch - 1; ++j)
        insH = ((insH << HashShift) ^ window[j]) & HashMask;
}

unsigned TDeflater::TState::ReadInput(uint8_t* buf, unsigned size) {
    unsigned got = 0;
    while (got < size) {
        size_t n = src->Read(buf + got, size - got);
        if (n == 0)
            break;
        n = std::min<size_t>(n, size - got);
        crc.Update(buf + got, n);
        got += unsigned(n);
        inTotal += n;
        if (inTotal >= SizeLimit)
            TooLarge();
    }
    return got;
}

void TDeflater::TState::FillWindow() {
    unsigned more = WindowSize - lookahead - strstart;
    if (strstart >= WSize + MaxDist) {
        std::memcpy(window.data(), window.data() + WSize, WSize);
        matchStart -= WSize;
        strstart -= WSize;
        blockStart -= long(WSize);
        for (auto& h : head)
            h = uint16_t(h >= WSize ? h - WSize : 0);
        for (auto& p : prev)
            p = uint16_t(p >= WSize ? p - WSize : 0);
        more += WSize;
    }
    if (eof)
        return;
    if (strstart + lookahead + more > WindowSize)
        throw EInvalidMatch("out of range for window!");
    unsigned n = ReadInput(window.data() + strstart + lookahead, more);
    if (n == 0)
        eof = true;
    else
        lookahead += n;
}

unsigned TDeflater::TState::LongestMatch(unsigned curMatch, unsigned prevLength) {
    // 16 bits, counted down before the test: a chain of 0 (level 0) walks as far as 65,535.
    uint16_t chain = uint16_t(maxChain);
    const uint8_t* const base = window.data();
    const uint8_t* const scan = base + strstart;
    unsigned bestLen = prevLength;
    const unsigned limit = strstart > MaxDist ? strstart - MaxDist : 0;
    unsigned nice = std::min(niceMatch, lookahead);
    if (prevLength >= goodMatch)
        chain >>= 2;
    uint16_t scanStart, scanEnd;
    std::memcpy(&scanStart, scan, 2);
    std::memcpy(&scanEnd, scan + bestLen - 1, 2);
    do {
        const uint8_t* match = base + curMatch;
        uint16_t m;
        std::memcpy(&m, match + bestLen - 1, 2);
        if (m != scanEnd)
            continue;
        std::memcpy(&m, match, 2);
        if (m != scanStart)
            continue;
        // Extend eight bytes at a time; the window has room past its end for the reads.
        unsigned len = 2;
        for (;;) {
            uint64_t x = Load64(scan + len) ^ Load64(match + len);
            if (x) {
                len += unsigned(__builtin_ctzll(x)) >> 3;
                break;
            }
            len += 8;
            if (len >= MaxMatch)
                break;
        }
        if (len > MaxMatch)
            len = MaxMatch;
        if (len > bestLen) {
            matchStart = curMatch;
            bestLen = len;
            if (len >= nice)
                break;
            std::memcpy(&scanEnd, scan + bestLen - 1, 2);
        }
    } while ((curMatch = prev[curMatch & WMask]) > limit && --chain != 0);
    return bestLen;
}

void TDeflater::TState::CheckMatch(unsigned start, unsigned match, unsigned length) const {
    if (match >= start || start - match > WSize ||
        std::memcmp(window.data() + match, window.data() + start, length) != 0)
        throw EInvalidMatch(Format("Start: %u, Match: %u, Length: %u", start, match, length));
}

void TDeflater::TState::FlushBlock(bool last) {
    const uint8_t* buf = blockStart >= 0 ? window.data() + blockStart : nullptr;
    const uint32_t storedLen = uint32_t(long(strstart) - blockStart);
    if (textState < 0)
        textState = trees.LooksLikeText() ? 1 : 0;
    if (trees.FlushBlock(buf, storedLen, last, last && inTotal == storedLen && buf))
        stored = true;
    blockStart = long(strstart);
}

void TDeflater::TState::Greedy() {
    unsigned hashHead = 0;
    unsigned matchLength = 0;
    while (lookahead != 0) {
        InsertString(strstart, hashHead);
        if (hashHead != 0 && strstart - hashHead <= MaxDist) {
            matchLength = LongestMatch(hashHead, MinMatch - 1);
            if (matchLength > lookahead)
                matchLength = lookahead;
        }
        bool flush;
        if (matchLength >= MinMatch) {
            CheckMatch(strstart, matchStart, matchLength);
            flush = trees.TallyMatch(strstart - matchStart, matchLength);
            lookahead -= matchLength;
            if (matchLength <= maxLazy && lookahead >= MinMatch) {
                --matchLength;
                do {
                    ++strstart;
                    InsertString(strstart, hashHead);
                } while (--matchLength != 0);
                ++strstart;
            } else {
                strstart += matchLength;
                matchLength = 0;
                insH = window[strstart];
                insH = ((insH << HashShift) ^ window[strstart + 1]) & HashMask;
            }
        } else {
            flush = trees.TallyLiteral(window[strstart]);
            --lookahead;
            ++strstart;
        }
        if (flush)
            FlushBlock(false);
        while (lookahead < MinLookahead && !eof)
            FillWindow();
    }
    FlushBlock(true);
}

void TDeflater::TState::Lazy() {
    unsigned hashHead = 0;
    unsigned matchLength = MinMatch - 1;
    bool matchAvailable = false;
    while (lookahead != 0) {
        InsertString(strstart, hashHead);
        unsigned prevLength = matchLength;
        const unsigned prevMatch = matchStart;
        matchLength = MinMatch - 1;
        if (hashHead != 0 && prevLength < maxLazy && strstart - hashHead <= MaxDist) {
            matchLength = LongestMatch(hashHead, prevLength);
            if (matchLength > lookahead)
                matchLength = lookahead;
            if (matchLength == MinMatch && strstart - matchStart > TooFar)
                --matchLength;
        }
        if (prevLength >= MinMatch && matchLength <= prevLength) {
            CheckMatch(strstart - 1, prevMatch, prevLength);
            const bool flush = trees.TallyMatch(strstart - 1 - prevMatch, prevLength);
            lookahead -= prevLength - 1;
            prevLength -= 2;
            do {
                ++strstart;
                InsertString(strstart, hashHead);
            } while (--prevLength != 0);
            ++strstart;
            matchAvailable = false;
            matchLength = MinMatch - 1;
            if (flush)
                FlushBlock(false);
        } else if (matchAvailable) {
            if (trees.TallyLiteral(window[strstart - 1]))
                FlushBlock(false);
            ++strstart;
            --lookahead;
        } else {
            matchAvailable = true;
            ++strstart;
            --lookahead;
        }
        while (lookahead < MinLookahead && !eof)
            FillWindow();
    }
    if (matchAvailable)
        trees.TallyLiteral(window[strstart - 1]);
    FlushBlock(true);
}

TDeflater::TDeflater(int level) : level_(6) {
    SetLevel(level);
}
TDeflater::~TDeflater() = default;

void TDeflater::SetLevel(int level) {
    if (level < 0 || level > 9)
        throw EZipError(Format("Invalid compression level %d", level));
    level_ = level;
}

TDeflateResult TDeflater::Compress(IZipInput& in, IZipOutput& out) {
    if (!state_)
        state_ = std::make_unique<TState>();
    TState& s = *state_;
    s.trees.SetLevel(level_);
    s.Init(in, out, Levels[level_]);
    if (level_ <= 3)
        s.Greedy();
    else
        s.Lazy();
    TDeflateResult r;
    r.Method = s.stored ? 0 : 8;
    r.Flags = s.stored ? 0 : level_ >= 8 ? 0x0002 : level_ <= 2 ? 0x0004 : 0;
    r.InternalAttributes = s.textState == 0 ? 0 : 1;
    r.Crc = s.crc.Value();
    r.InSize = s.inTotal;
    r.OutSize = s.trees.OutTotal();
    s.src = nullptr;
    return r;
}

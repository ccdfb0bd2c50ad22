#include "legacyencoders.h"

#include <algorithm>
#include <map>
#include <queue>
#include <stdexcept>

namespace {

// Huffman code lengths (at most 16 bits) for the given counts; every symbol gets a code.
std::vector<int> CodeLengths(std::vector<uint64_t> freq) {
    const size_t n = freq.size();
    uint64_t top = *std::max_element(freq.begin(), freq.end());
    for (auto& f : freq) // flatten so that no code grows beyond 16 bits
        f = 1 + f * 500 / (top ? top : 1);
    struct TNode {
        uint64_t f;
        int id;
        bool operator>(const TNode& o) const { return f != o.f ? f > o.f : id > o.id; }
    };
    std::priority_queue<TNode, std::vector<TNode>, std::greater<TNode>> q;
    std::vector<int> parent(2 * n, -1);
    for (size_t i = 0; i < n; ++i)
        q.push({freq[i], int(i)});
    int next = int(n);
    while (q.size() > 1) {
        TNode a = q.top();
        q.pop();
        TNode b = q.top();
        q.pop();
        parent[size_t(a.id)] = parent[size_t(b.id)] = next;
        q.push({a.f + b.f, next++});
    }
    std::vector<int> len(n);
    for (size_t i = 0; i < n; ++i) {
        int d = 0;
        for (int p = int(i); parent[size_t(p)] >= 0; p = parent[size_t(p)])
            ++d;
        if (d > 16)
            throw std::runtime_error("code too long");
        len[i] = d;
    }
    return len;
}

// Canonical codes sent as implode sends them: bit-reversed and inverted.
struct TSfCode {
    std::vector<int> len;
    std::vector<uint32_t> bits;
    explicit TSfCode(const std::vector<int>& lengths) : len(lengths), bits(lengths.size()) {
        uint32_t code = 0;
        for (int l = 1; l <= 16; ++l) {
            for (size_t s = 0; s < len.size(); ++s)
                if (len[s] == l) {
                    uint32_t rev = 0;
                    for (int b = 0; b < l; ++b)
                        rev |= ((code >> b) & 1u) << (l - 1 - b);
                    bits[s] = ~rev & ((1u << l) - 1);
                    ++code;
                }
            code <<= 1;
        }
    }
    void Put(TBitPack& w, size_t s) const { w.Bits(bits[s], len[s]); }
};

void PutTree(TBytes& out, const std::vector<int>& len) {
    TBytes groups;
    for (size_t i = 0; i < len.size();) {
        size_t j = i;
        while (j < len.size() && len[j] == len[i] && j - i < 16)
            ++j;
        groups.push_back(uint8_t(((j - i - 1) << 4) | size_t(len[i] - 1)));
        i = j;
    }
    out.push_back(uint8_t(groups.size() - 1));
    out.insert(out.end(), groups.begin(), groups.end());
}

struct TToken {
    int len; // 0: literal
    uint32_t dist;
    uint8_t lit;
};

} // namespace

TBytes ImplodeForTest(const TBytes& data, bool bigDictionary, bool literalTree) {
    const unsigned lowBits = bigDictionary ? 7 : 6;
    const uint32_t maxDist = bigDictionary ? 8192 : 4096;
    const int minMatch = literalTree ? 3 : 2;
    const int maxLen = minMatch + 63 + 255;
    std::vector<TToken> toks;
    std::map<uint32_t, size_t> last; // last position of each 3-byte prefix
    size_t pos = 0;
    // Leading zeros: a match reaching before the first byte yields zeros.
    size_t zeros = 0;
    while (zeros < data.size() && zeros < size_t(maxLen) && data[zeros] == 0)
        ++zeros;
    if (zeros >= size_t(minMatch)) {
        toks.push_back({int(zeros), 100, 0});
        pos = zeros;
    }
    while (pos < data.size()) {
        int bestLen = 0;
        uint32_t bestDist = 0;
        if (pos + 3 <= data.size()) {
            uint32_t key =
                uint32_t(data[pos]) | uint32_t(data[pos + 1]) << 8 | uint32_t(data[pos + 2]) << 16;
            auto it = last.find(key);
            if (it != last.end() && pos - it->second <= maxDist) {
                size_t m = it->second;
                int l = 0;
                while (pos + size_t(l) < data.size() && l < maxLen &&
                       data[m + size_t(l)] == data[pos + size_t(l)])
                    ++l;
                if (l >= minMatch) {
                    bestLen = l;
                    bestDist = uint32_t(pos - m);
                }
            }
            last[key] = pos;
        }
        if (bestLen) {
            toks.push_back({bestLen, bestDist, 0});
            for (int i = 1; i < bestLen && pos + size_t(i) + 3 <= data.size(); ++i)
                last[uint32_t(data[pos + size_t(i)]) | uint32_t(data[pos + size_t(i) + 1]) << 8 |
                     uint32_t(data[pos + size_t(i) + 2]) << 16] = pos + size_t(i);
            pos += size_t(bestLen);
        } else {
            toks.push_back({0, 0, data[pos++]});
        }
    }
    std::vector<uint64_t> litF(256), lenF(64), distF(64);
    for (const TToken& t : toks) {
        if (!t.len) {
            ++litF[t.lit];
            continue;
        }
        ++distF[(t.dist - 1) >> lowBits];
        ++lenF[std::min(t.len - minMatch, 63)];
    }
    TBytes out;
    std::vector<int> litL, lenL = CodeLengths(lenF), distL = CodeLengths(distF);
    if (literalTree) {
        litL = CodeLengths(litF);
        PutTree(out, litL);
    }
    PutTree(out, lenL);
    PutTree(out, distL);
    TSfCode litC(literalTree ? litL : std::vector<int>(256, 8)), lenC(lenL), distC(distL);
    TBitPack w;
    for (const TToken& t : toks) {
        if (!t.len) {
            w.Bits(1, 1);
            if (literalTree)
                litC.Put(w, t.lit);
            else
                w.Bits(t.lit, 8);
            continue;
        }
        w.Bits(0, 1);
        w.Bits((t.dist - 1) & ((1u << lowBits) - 1), int(lowBits));
        distC.Put(w, (t.dist - 1) >> lowBits);
        const int l = t.len - minMatch;
        lenC.Put(w, size_t(std::min(l, 63)));
        if (l >= 63)
            w.Bits(uint32_t(l - 63), 8);
    }
    const TBytes bits = w.Done();
    out.insert(out.end(), bits.begin(), bits.end());
    return out;
}

TBytes ShrinkForTest(const TBytes& data, int clearEvery, TShrinkStats* stats) {
    constexpr unsigned HSize = 8192, Bogus = 256, Free = HSize;
    std::vector<unsigned> parent(HSize, Free);
    std::vector<uint8_t> value(HSize);
    std::map<std::pair<unsigned, uint8_t>, unsigned> dict;
    for (unsigned c = 0; c < 256; ++c)
        parent[c] = Bogus;
    TShrinkStats st;
    TBitPack w;
    if (data.empty())
        return {};
    int codeSize = 9;
    unsigned lastFree = Bogus;
    auto nextFree = [&] {
        unsigned c = lastFree + 1;
        while (c < HSize && parent[c] != Free)
            ++c;
        return c;
    };
    auto emit = [&](unsigned code) {
        while (code >= (1u << codeSize)) {
            w.Bits(Bogus, codeSize);
            w.Bits(1, codeSize);
            ++codeSize;
        }
        w.Bits(code, codeSize);
    };
    auto chainValid = [&](unsigned code) {
        for (unsigned steps = 0; code != Bogus; code = parent[code], ++steps)
            if (code >= HSize || parent[code] == Free || steps > HSize)
                return false;
        return true;
    };
    auto stringOf = [&](unsigned code) {
        std::vector<uint8_t> s;
        while (code != Bogus) {
            s.push_back(value[code]);
            code = parent[code];
        }
        std::reverse(s.begin(), s.end());
        return s;
    };
    // As Info-ZIP's decoder: only codes up to the last one assigned are looked at, and a
    // child mark set on a code above them stays until a later clear reaches it.
    std::vector<bool> hasChild(HSize);
    auto partialClear = [&] {
        w.Bits(Bogus, codeSize);
        w.Bits(2, codeSize);
        for (unsigned c = Bogus + 1; c <= lastFree && c < HSize; ++c)
            if (parent[c] != Free && parent[c] > Bogus)
                hasChild[parent[c]] = true;
        for (unsigned c = Bogus + 1; c <= lastFree && c < HSize; ++c) {
            if (hasChild[c])
                hasChild[c] = false;
            else
                parent[c] = Free;
        }
        lastFree = Bogus;
        dict.clear(); // rebuild from what is left, keeping only chains that reach a byte
        for (unsigned c = Bogus + 1; c < HSize; ++c) {
            if (parent[c] == Free)
                continue;
            if (chainValid(c))
                dict.emplace(std::make_pair(parent[c], value[c]), c);
        }
        ++st.PartialClears;
    };
    unsigned oldCode = data[0];
    emit(oldCode);
    size_t pos = 1;
    int sinceClear = 0;
    while (pos < data.size()) {
        if (nextFree() >= HSize || (clearEvery && ++sinceClear >= clearEvery)) {
            partialClear();
            sinceClear = 0;
        }
        unsigned code = data[pos];
        size_t len = 1;
        while (pos + len < data.size()) {
            auto it = dict.find({code, data[pos + len]});
            if (it == dict.end())
                break;
            code = it->second;
            ++len;
        }
        const unsigned f = nextFree();
        // The string being defined (previous string plus its own first byte) may be longer.
        if (chainValid(oldCode)) {
            std::vector<uint8_t> k = stringOf(oldCode);
            k.push_back(k[0]);
            if (k.size() > len && pos + k.size() <= data.size() &&
                std::equal(k.begin(), k.end(), data.begin() + long(pos))) {
                code = f;
                len = k.size();
                ++st.KwKwK;
            }
        }
        emit(code);
        const uint8_t first = data[pos];
        value[f] = first;
        parent[f] = oldCode;
        lastFree = f;
        if (chainValid(oldCode))
            dict.emplace(std::make_pair(oldCode, first), f);
        oldCode = code;
        pos += len;
    }
    st.MaxCodeSize = codeSize;
    if (stats)
        *stats = st;
    return w.Done();
}

#include "zip/huffmantable.h"

namespace huff {

TBuildResult Build(const uint8_t* lens, int count, const uint32_t* leaves, int mainBits,
                   bool allowIncomplete, std::vector<uint32_t>& table) {
    if (count > 512)
        return TBuildResult::OverSubscribed;
    int lengthCount[MaxCodeLength + 1] = {};
    for (int s = 0; s < count; ++s) {
        if (lens[s] > MaxCodeLength)
            return TBuildResult::OverSubscribed;
        ++lengthCount[lens[s]];
    }
    lengthCount[0] = 0;

    int maxLen = 0;
    int left = 1;
    for (int len = 1; len <= MaxCodeLength; ++len) {
        left <<= 1;
        left -= lengthCount[len];
        if (left < 0)
            return TBuildResult::OverSubscribed;
        if (lengthCount[len])
            maxLen = len;
    }
    if (left > 0) {
        bool single = maxLen <= 1; // no code, or one code of length 1
        if (!allowIncomplete || !single)
            return TBuildResult::Incomplete;
    }

    // Symbols sorted by length, then by value: the canonical order.
    int offsets[MaxCodeLength + 2] = {};
    for (int len = 1; len <= MaxCodeLength; ++len)
        offsets[len + 1] = offsets[len] + lengthCount[len];
    uint16_t sorted[512];
    for (int s = 0; s < count; ++s)
        if (lens[s])
            sorted[offsets[lens[s]]++] = static_cast<uint16_t>(s);

    const size_t mainSize = size_t(1) << mainBits;
    table.assign(mainSize, Invalid | (1u << 8) | 1u);

    uint32_t code = 0; // canonical code, most significant bit first
    int idx = 0;
    uint32_t subPrefix = ~0u; // main-table index of the current sub-table
    size_t subStart = 0;
    int subBits = 0;
    int remaining[MaxCodeLength + 1];
    for (int len = 0; len <= MaxCodeLength; ++len)
        remaining[len] = lengthCount[len];

    for (int len = 1; len <= maxLen; ++len) {
        for (int k = 0; k < lengthCount[len]; ++k, ++idx) {
            const uint32_t sym = sorted[idx];
            uint32_t rev = 0; // code reversed: deflate sends codes from the top bit
            for (int b = 0; b < len; ++b)
                rev |= ((code >> b) & 1u) << (len - 1 - b);
            const uint32_t leaf = leaves[sym];
            if (len <= mainBits) {
                const uint32_t e = leaf + (uint32_t(len) << 8) + uint32_t(len);
                for (size_t i = rev; i < mainSize; i += size_t(1) << len)
                    table[i] = e;
            } else {
                const uint32_t prefix = rev & uint32_t(mainSize - 1);
                if (prefix != subPrefix) {
                    // Width of the new sub-table: enough for the codes that share its prefix.
                    int cur = len - mainBits;
                    int room = 1 << cur;
                    while (cur + mainBits < maxLen) {
                        room -= remaining[cur + mainBits];
                        if (room <= 0)
                            break;
                        ++cur;
                        room <<= 1;
                    }
                    subBits = cur;
                    subStart = table.size();
                    table.resize(subStart + (size_t(1) << subBits),
                                 Invalid | (uint32_t(subBits) << 8) | uint32_t(subBits));
                    subPrefix = prefix;
                    table[prefix] = (uint32_t(subStart) << 16) | SubTable |
                                    (uint32_t(mainBits) << 8) | uint32_t(subBits);
                }
                const int subLen = len - mainBits;
                const uint32_t e = leaf + (uint32_t(subLen) << 8) + uint32_t(subLen);
                for (size_t i = rev >> mainBits; i < (size_t(1) << subBits);
                     i += size_t(1) << subLen)
                    table[subStart + i] = e;
            }
            --remaining[len];
            ++code;
        }
        code <<= 1;
    }
    return TBuildResult::Ok;
}

} // namespace huff

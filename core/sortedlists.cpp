#include "core/sortedlists.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

int32_t WholeDay(TDateTime date) {
    const double day = std::trunc(date);
    if (!(day >= -2147483648.0 && day <= 2147483647.0))
        return 0;
    return static_cast<int32_t>(day);
}

void TSortedDates::RemoveDate(TDateTime date) {
    const int index = IndexOf(WholeDay(date));
    if (index >= 0)
        Delete(index);
}

uint64_t OrderedBits(double value) {
    if (value == 0)
        value = 0; // -0 sorts with 0
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    // Negative numbers: all bits turned round; positive ones: above every negative one.
    return (bits >> 63) != 0 ? ~bits : bits | (uint64_t(1) << 63);
}

void StableSortKeys(std::vector<TSortKey>& keys) {
    if (keys.size() < 256) {
        std::stable_sort(keys.begin(), keys.end(),
                         [](const TSortKey& a, const TSortKey& b) { return a.first < b.first; });
        return;
    }
    // Least significant byte first; a byte that all numbers share needs no pass.
    constexpr int Bytes = 8;
    std::array<std::array<uint32_t, 256>, Bytes> counts{};
    for (const TSortKey& key : keys)
        for (int b = 0; b < Bytes; ++b)
            ++counts[b][(key.first >> (8 * b)) & 0xFF];
    std::vector<TSortKey> buffer(keys.size());
    for (int b = 0; b < Bytes; ++b) {
        std::array<uint32_t, 256>& count = counts[b];
        if (*std::max_element(count.begin(), count.end()) == keys.size())
            continue;
        uint32_t start = 0;
        for (uint32_t& c : count)
            start += std::exchange(c, start);
        for (const TSortKey& key : keys)
            buffer[count[(key.first >> (8 * b)) & 0xFF]++] = key;
        keys.swap(buffer);
    }
}

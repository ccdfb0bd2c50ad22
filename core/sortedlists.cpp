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

namespace {

// Sorts values stably by their bits from lowBit up to highBit (exclusive), the bits below
// lowBit left as they come, with passes of up to 11 bits (a least significant digit first
// radix sort; a digit that all values share needs no pass).
template <class T, class Bits>
void RadixSort(std::vector<T>& values, int lowBit, int highBit, Bits bits) {
    constexpr int DigitBits = 11;
    std::vector<T> buffer(values.size());
    std::vector<uint32_t> count(size_t(1) << DigitBits);
    for (int shift = lowBit; shift < highBit; shift += DigitBits) {
        const uint64_t mask = (uint64_t(1) << std::min(DigitBits, highBit - shift)) - 1;
        std::fill(count.begin(), count.end(), 0);
        for (const T& value : values)
            ++count[(bits(value) >> shift) & mask];
        if (*std::max_element(count.begin(), count.end()) == values.size())
            continue;
        uint32_t start = 0;
        for (uint32_t& c : count)
            start += std::exchange(c, start);
        for (const T& value : values)
            buffer[count[(bits(value) >> shift) & mask]++] = value;
        values.swap(buffer);
    }
}

int BitLength(uint64_t value) {
    int length = 0;
    for (; value != 0; value >>= 1)
        ++length;
    return length;
}

} // namespace

void StableSortKeys(std::vector<TSortKey>& keys) {
    if (keys.size() < 256) {
        std::stable_sort(keys.begin(), keys.end(),
                         [](const TSortKey& a, const TSortKey& b) { return a.first < b.first; });
        return;
    }
    const auto [low, high] =
        std::minmax_element(keys.begin(), keys.end(),
                            [](const TSortKey& a, const TSortKey& b) { return a.first < b.first; });
    const uint64_t base = low->first, range = high->first - base;
    if (range >> 32 == 0) {
        // Numbers less than 2^32 apart: each key packed into one word, the number above its
        // position, so that the passes move half the memory and skip the positions' bits.
        std::vector<uint64_t> packed(keys.size());
        for (size_t i = 0; i < keys.size(); ++i)
            packed[i] = (keys[i].first - base) << 32 | keys[i].second;
        RadixSort(packed, 32, 32 + BitLength(range), [](uint64_t p) { return p; });
        for (size_t i = 0; i < keys.size(); ++i)
            keys[i] = {(packed[i] >> 32) + base, static_cast<uint32_t>(packed[i])};
        return;
    }
    RadixSort(keys, 0, BitLength(range), [base](const TSortKey& key) { return key.first - base; });
}

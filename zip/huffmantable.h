#pragma once
// Two-level lookup tables for canonical prefix codes read least-significant bit first, as
// deflate stores them; the implode decoder uses them with inverted bits. Internal to the
// zip codecs.

#include <cstddef>
#include <cstdint>
#include <vector>

// One table entry (32 bits):
//   bits 0-4   bits to consume: code length plus extra bits (for a sub-table link: the
//              sub-table's index width)
//   bit 5      literal (value is the byte)
//   bit 6      link to a sub-table starting at value; consume the main width first
//   bit 7      end of block
//   bits 8-12  code length (within its table)
//   bit 13     no code has this bit pattern
//   bits 16-31 value: literal, length or distance base, or sub-table start
namespace huff {

constexpr uint32_t Literal = 1u << 5;
constexpr uint32_t SubTable = 1u << 6;
constexpr uint32_t EndOfBlock = 1u << 7;
constexpr uint32_t Invalid = 1u << 13;
constexpr int MaxCodeLength = 16;

inline uint32_t TotalBits(uint32_t e) {
    return e & 31;
}
inline uint32_t CodeLength(uint32_t e) {
    return (e >> 8) & 31;
}
inline uint32_t Value(uint32_t e) {
    return e >> 16;
}

// A symbol's decoded meaning before the lengths are known: value, extra-bit count, flags.
inline uint32_t Leaf(uint32_t value, uint32_t extraBits, uint32_t flags) {
    return (value << 16) | flags | extraBits;
}

enum class TBuildResult { Ok, OverSubscribed, Incomplete };

// Builds the table for code lengths lens[0..count) (0 = unused, at most 16) with a main
// table of mainBits index bits. leaves[s] is Leaf() of symbol s. The table grows as
// sub-tables need. An incomplete code is refused unless allowIncomplete: then it may have
// no code at all or a single code of length 1 (unused patterns decode as Invalid).
TBuildResult Build(const uint8_t* lens, int count, const uint32_t* leaves, int mainBits,
                   bool allowIncomplete, std::vector<uint32_t>& table);

} // namespace huff

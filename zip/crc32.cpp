#include "zip/crc32.h"

#include <array>
#include <cstring>

namespace {

constexpr uint32_t Poly = 0xEDB88320u;
constexpr int Slices = 16;

using TCrcTables = std::array<std::array<uint32_t, 256>, Slices>;

// tables[0] is the classic byte table; tables[k][b] is the CRC of byte b followed by k zeros.
constexpr TCrcTables MakeTables() {
    TCrcTables t{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (c >> 1) ^ Poly : c >> 1;
        t[0][n] = c;
    }
    for (int s = 1; s < Slices; ++s)
        for (uint32_t n = 0; n < 256; ++n)
            t[s][n] = (t[s - 1][n] >> 8) ^ t[0][t[s - 1][n] & 0xFF];
    return t;
}

constexpr TCrcTables Tables = MakeTables();
static_assert(Tables[0][1] == 0x77073096u && Tables[0][255] == 0x2D02EF8Du);

inline uint64_t Load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v; // little-endian host
}

} // namespace

uint32_t ZipCrc32Byte(uint32_t reg, uint8_t b) {
    return Tables[0][(reg ^ b) & 0xFF] ^ (reg >> 8);
}

uint32_t ZipCrc32(uint32_t crc, const void* data, size_t len) {
    static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "slicing assumes little-endian");
    const auto* p = static_cast<const uint8_t*>(data);
    uint32_t c = ~crc;
    while (len >= 16) {
        uint64_t a = Load64(p) ^ c;
        uint64_t b = Load64(p + 8);
        c = Tables[15][a & 0xFF] ^ Tables[14][(a >> 8) & 0xFF] ^ Tables[13][(a >> 16) & 0xFF] ^
            Tables[12][(a >> 24) & 0xFF] ^ Tables[11][(a >> 32) & 0xFF] ^
            Tables[10][(a >> 40) & 0xFF] ^ Tables[9][(a >> 48) & 0xFF] ^ Tables[8][a >> 56] ^
            Tables[7][b & 0xFF] ^ Tables[6][(b >> 8) & 0xFF] ^ Tables[5][(b >> 16) & 0xFF] ^
            Tables[4][(b >> 24) & 0xFF] ^ Tables[3][(b >> 32) & 0xFF] ^
            Tables[2][(b >> 40) & 0xFF] ^ Tables[1][(b >> 48) & 0xFF] ^ Tables[0][b >> 56];
        p += 16;
        len -= 16;
    }
    while (len--)
        c = Tables[0][(c ^ *p++) & 0xFF] ^ (c >> 8);
    return ~c;
}

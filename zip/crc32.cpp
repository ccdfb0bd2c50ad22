#include "zip/crc32.h"

#include <array>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TW_CRC_CLMUL 1
#endif

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

namespace {

// Slicing by 16 on the raw register.
uint32_t CrcTables(uint32_t c, const uint8_t* p, size_t len) {
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
    return c;
}

#ifdef TW_CRC_CLMUL
#define TW_CLMUL __attribute__((target("pclmul,sse4.1"), always_inline)) inline
TW_CLMUL __m128i load(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
// x multiplied by the two halves of k (folded forward by the distance k stands for) plus next.
TW_CLMUL __m128i fold(__m128i x, __m128i k, __m128i next) {
    __m128i lo = _mm_clmulepi64_si128(x, k, 0x00);
    __m128i hi = _mm_clmulepi64_si128(x, k, 0x11);
    return _mm_xor_si128(_mm_xor_si128(hi, lo), next);
}

// Carry-less multiplication folding (four 128-bit lanes, then one, then Barrett reduction)
// on the raw register; len is at least 64 and a multiple of 16.
__attribute__((target("pclmul,sse4.1"))) uint32_t CrcClmul(uint32_t crc, const uint8_t* buf,
                                                           size_t len) {
    alignas(16) static const uint64_t k1k2[] = {0x0154442bd4, 0x01c6e41596};
    alignas(16) static const uint64_t k3k4[] = {0x01751997d0, 0x00ccaa009e};
    alignas(16) static const uint64_t k5k0[] = {0x0163cd6124, 0x0000000000};
    alignas(16) static const uint64_t poly[] = {0x01db710641, 0x01f7011641};
    __m128i x1 = load(buf), x2 = load(buf + 16), x3 = load(buf + 32), x4 = load(buf + 48);
    x1 = _mm_xor_si128(x1, _mm_cvtsi32_si128(int(crc)));
    __m128i k = _mm_load_si128(reinterpret_cast<const __m128i*>(k1k2));
    buf += 64;
    len -= 64;
    while (len >= 64) {
        x1 = fold(x1, k, load(buf));
        x2 = fold(x2, k, load(buf + 16));
        x3 = fold(x3, k, load(buf + 32));
        x4 = fold(x4, k, load(buf + 48));
        buf += 64;
        len -= 64;
    }
    k = _mm_load_si128(reinterpret_cast<const __m128i*>(k3k4));
    x1 = fold(x1, k, x2);
    x1 = fold(x1, k, x3);
    x1 = fold(x1, k, x4);
    while (len >= 16) {
        x1 = fold(x1, k, load(buf));
        buf += 16;
        len -= 16;
    }
    // 128 to 64 bits.
    __m128i x2b = _mm_clmulepi64_si128(x1, k, 0x10);
    const __m128i mask32 = _mm_setr_epi32(~0, 0, ~0, 0);
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), x2b);
    k = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(k5k0));
    x2b = _mm_srli_si128(x1, 4);
    x1 = _mm_and_si128(x1, mask32);
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(x1, k, 0x00), x2b);
    // Barrett reduction to 32 bits.
    k = _mm_load_si128(reinterpret_cast<const __m128i*>(poly));
    x2b = _mm_and_si128(x1, mask32);
    x2b = _mm_clmulepi64_si128(x2b, k, 0x10);
    x2b = _mm_and_si128(x2b, mask32);
    x2b = _mm_clmulepi64_si128(x2b, k, 0x00);
    x1 = _mm_xor_si128(x1, x2b);
    return uint32_t(_mm_extract_epi32(x1, 1));
}

const bool HasClmul = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
#endif

} // namespace

uint32_t ZipCrc32(uint32_t crc, const void* data, size_t len) {
    static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "slicing assumes little-endian");
    const auto* p = static_cast<const uint8_t*>(data);
    uint32_t c = ~crc;
#ifdef TW_CRC_CLMUL
    if (len >= 64 && HasClmul) {
        size_t bulk = len & ~size_t(15);
        c = CrcClmul(c, p, bulk);
        p += bulk;
        len -= bulk;
    }
#endif
    return ~CrcTables(c, p, len);
}

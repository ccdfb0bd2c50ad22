#pragma once
// Fixed tables of the deflate format that the compressor and the decoder share. Internal to the
// zip codecs.

#include <cstdint>

// Extra bits of the 29 length codes (symbols 257-285) and of the 30 distance codes.
inline constexpr uint8_t DeflateLengthExtraBits[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                       2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
inline constexpr uint8_t DeflateDistanceExtraBits[30] = {0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                         4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                         9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// The order in which a dynamic block header sends the lengths of the code-length code.
inline constexpr uint8_t DeflateCodeLengthOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                       11, 4,  12, 3, 13, 2, 14, 1, 15};
// Length of literal/length symbol s (0-287) in the fixed code; the fixed distance codes all
// have 5 bits.
constexpr int DeflateFixedLiteralLength(int s) {
    return s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
}

#pragma once
// CRC-32 of PKZIP: reflected polynomial 0xEDB88320, register preset to 0xFFFFFFFF and
// complemented at the end. The tables are computed at compile time.

#include <cstddef>
#include <cstdint>

// Continues a finished CRC-32 value over len more bytes and returns the new finished value
// (the zlib convention: start with 0, feed the data in any number of pieces).
uint32_t ZipCrc32(uint32_t crc, const void* data, size_t len);

// One-byte step on the raw (uncomplemented) register: table[(reg ^ b) & 0xFF] ^ (reg >> 8).
uint32_t ZipCrc32Byte(uint32_t reg, uint8_t b);

// The running CRC of one entry: starts at 0xFFFFFFFF; Value() is the CRC to store.
class TZipCrc32 {
public:
    // Back to the preset 0xFFFFFFFF (start of an entry).
    void Reset() { reg_ = 0xFFFFFFFFu; }
    // Feeds len bytes (any length, any alignment).
    void Update(const void* data, size_t len) { reg_ = ~ZipCrc32(~reg_, data, len); }
    void Update(uint8_t b) { reg_ = ZipCrc32Byte(reg_, b); }
    // The finished CRC of everything fed since Reset (the register complemented).
    uint32_t Value() const { return ~reg_; }
    // The raw register.
    uint32_t Register() const { return reg_; }

private:
    uint32_t reg_ = 0xFFFFFFFFu;
};

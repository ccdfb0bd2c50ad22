#pragma once
// Traditional PKWARE encryption: three 32-bit keys driven by the plain bytes.
// An encrypted entry's data starts with a 12-byte header whose last plain byte is a check byte.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

// Source of the header's ten random bytes (0..255 each); injected so tests can fix it.
using TZipRandomByte = std::function<uint8_t()>;

class TZipCrypto {
public:
    static constexpr size_t HeaderSize = 12;
    using THeader = std::array<uint8_t, HeaderSize>;

    // Keys initialised from the password (an empty password gives the three constants).
    explicit TZipCrypto(std::string_view password = {}) { InitKeys(password); }

    // key0 = 0x12345678, key1 = 0x23456789, key2 = 0x34567890, then one key update per
    // password byte (the bytes as the string holds them).
    void InitKeys(std::string_view password);
    // Feeds one plain byte into the keys.
    void UpdateKeys(uint8_t plain);
    // The current key stream byte.
    uint8_t KeyByte() const;

    // Decrypts one byte and feeds the plain byte into the keys.
    uint8_t DecryptByte(uint8_t c);
    // Decrypts len bytes in place.
    void Decrypt(uint8_t* buf, size_t len);
    // Encrypts one byte and feeds the plain byte into the keys.
    uint8_t EncryptByte(uint8_t p);
    // Encrypts len bytes in place.
    void Encrypt(uint8_t* buf, size_t len);

    // The byte an entry's decrypted header must end with: the high byte of the DOS time
    // when the data-descriptor flag (bit 3) is set, otherwise the high byte of the CRC.
    static uint8_t CheckByte(uint16_t flags, uint32_t crc, uint32_t dosDateTime);

    // Writer side: initialises the keys from the password and returns the encrypted header:
    // ten bytes from random, then CRC bits 16-23 and 24-31. The keys are then ready to
    // encrypt the entry's data.
    THeader MakeHeader(std::string_view password, uint32_t crc, const TZipRandomByte& random);

    // Reader side: initialises the keys from the password, decrypts a copy of the header and
    // tells whether its last byte equals checkByte. On true the keys are ready to decrypt
    // the entry's data (on false they are not meaningful).
    bool CheckHeader(std::string_view password, const uint8_t* header, uint8_t checkByte);

    uint32_t Key0() const { return k0_; }
    uint32_t Key1() const { return k1_; }
    uint32_t Key2() const { return k2_; }

private:
    uint32_t k0_ = 0, k1_ = 0, k2_ = 0;
};

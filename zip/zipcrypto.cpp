#include "zip/zipcrypto.h"

#include "zip/crc32.h"

void TZipCrypto::InitKeys(std::string_view password) {
    k0_ = 0x12345678u;
    k1_ = 0x23456789u;
    k2_ = 0x34567890u;
    for (char ch : password)
        UpdateKeys(static_cast<uint8_t>(ch));
}

void TZipCrypto::UpdateKeys(uint8_t plain) {
    k0_ = ZipCrc32Byte(k0_, plain);
    k1_ = (k1_ + (k0_ & 0xFF)) * 134775813u + 1;
    k2_ = ZipCrc32Byte(k2_, static_cast<uint8_t>(k1_ >> 24));
}

uint8_t TZipCrypto::KeyByte() const {
    uint32_t t = (k2_ & 0xFFFF) | 2;
    return static_cast<uint8_t>((t * (t ^ 1)) >> 8);
}

uint8_t TZipCrypto::DecryptByte(uint8_t c) {
    uint8_t p = c ^ KeyByte();
    UpdateKeys(p);
    return p;
}

void TZipCrypto::Decrypt(uint8_t* buf, size_t len) {
    for (size_t i = 0; i < len; ++i)
        buf[i] = DecryptByte(buf[i]);
}

uint8_t TZipCrypto::EncryptByte(uint8_t p) {
    uint8_t c = p ^ KeyByte();
    UpdateKeys(p);
    return c;
}

void TZipCrypto::Encrypt(uint8_t* buf, size_t len) {
    for (size_t i = 0; i < len; ++i)
        buf[i] = EncryptByte(buf[i]);
}

uint8_t TZipCrypto::CheckByte(uint16_t flags, uint32_t crc, uint32_t dosDateTime) {
    if (flags & 0x0008)
        return static_cast<uint8_t>((dosDateTime >> 8) & 0xFF); // high byte of the DOS time
    return static_cast<uint8_t>(crc >> 24);
}

TZipCrypto::THeader TZipCrypto::MakeHeader(std::string_view password, uint32_t crc,
                                           const TZipRandomByte& random) {
    InitKeys(password);
    THeader h{};
    for (size_t i = 0; i < 10; ++i)
        h[i] = EncryptByte(random());
    h[10] = EncryptByte(static_cast<uint8_t>(crc >> 16));
    h[11] = EncryptByte(static_cast<uint8_t>(crc >> 24));
    return h;
}

bool TZipCrypto::CheckHeader(std::string_view password, const uint8_t* header, uint8_t checkByte) {
    InitKeys(password);
    uint8_t last = 0;
    for (size_t i = 0; i < HeaderSize; ++i)
        last = DecryptByte(header[i]);
    return last == checkByte;
}

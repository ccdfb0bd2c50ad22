#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>

#include "codectestutil.h"
#include "testutil.h"
#include "zip/zipcrypto.h"
#include "ziplocal.h"

TEST(ZipCrypto, KeysHeaderAndRoundTrip) {
    TZipCrypto empty("");
    EXPECT_EQ(empty.Key0(), 0x12345678u);
    EXPECT_EQ(empty.Key1(), 0x23456789u);
    EXPECT_EQ(empty.Key2(), 0x34567890u);

    const TBytes plain = TextBytes(3000, 1);
    const uint32_t crc = crc32(0, plain.data(), unsigned(plain.size()));
    uint8_t seq = 0;
    TZipCrypto enc;
    TZipCrypto::THeader h = enc.MakeHeader("s3cret", crc, [&] { return seq += 37; });
    TBytes data = plain;
    enc.Encrypt(data.data(), data.size());
    EXPECT_NE(data, plain);

    TZipCrypto dec;
    ASSERT_TRUE(dec.CheckHeader("s3cret", h.data(), TZipCrypto::CheckByte(0, crc, 0)));
    dec.Decrypt(data.data(), data.size());
    EXPECT_EQ(data, plain);
    // The check byte is the CRC's high byte, or the time's when sizes follow the data.
    EXPECT_EQ(TZipCrypto::CheckByte(0, 0xAB000000, 0x1234CD00), 0xAB);
    EXPECT_EQ(TZipCrypto::CheckByte(8, 0xAB000000, 0x1234CD00), 0xCD);
    // Wrong passwords are (almost always) caught by the check byte.
    int caught = 0;
    for (int i = 0; i < 50; ++i)
        caught += !TZipCrypto().CheckHeader("wrong" + std::to_string(i), h.data(),
                                            TZipCrypto::CheckByte(0, crc, 0));
    EXPECT_GE(caught, 45);
    // The injected generator decides the header: the same bytes give the same header.
    seq = 0;
    EXPECT_EQ(TZipCrypto().MakeHeader("s3cret", crc, [&] { return seq += 37; }), h);
}

TEST(ZipCrypto, AgreesWithInfoZip) {
    TempDir dir;
    const TBytes plain = RecordBytes(20000, 2);
    const uint32_t crc = crc32(0, plain.data(), unsigned(plain.size()));
    // Ours -> unzip.
    TZipCrypto enc;
    uint8_t seq = 11;
    TZipCrypto::THeader h = enc.MakeHeader("pa55", crc, [&] { return seq *= 3; });
    TBytes body(h.begin(), h.end());
    TBytes data = plain;
    enc.Encrypt(data.data(), data.size());
    body.insert(body.end(), data.begin(), data.end());
    const TBytes zip = MakeZip("DATA", 0, 1, body, crc, uint32_t(plain.size()));
    WriteFileBytes(dir.File("ours.zip"), std::string(zip.begin(), zip.end()));
    const std::string out = dir.File("out.bin");
    ASSERT_EQ(std::system(
                  ("unzip -P pa55 -p -qq '" + dir.File("ours.zip") + "' > '" + out + "'").c_str()),
              0);
    EXPECT_EQ(ToBytes(ReadFileBytes(out)), plain);

    // zip -> ours (stored, so the decrypted bytes are the file).
    WriteFileBytes(dir.File("plain.bin"), std::string(plain.begin(), plain.end()));
    ASSERT_EQ(
        std::system(
            ("cd '" + dir.Path().string() + "' && zip -q -0 -P w0rd theirs.zip plain.bin").c_str()),
        0);
    const std::vector<TLocalEntry> entries =
        ReadLocalEntries(ToBytes(ReadFileBytes(dir.File("theirs.zip"))));
    ASSERT_EQ(entries.size(), 1u);
    const TLocalEntry& e = entries[0];
    ASSERT_EQ(e.Flags & 1, 1);
    TZipCrypto dec;
    ASSERT_TRUE(dec.CheckHeader("w0rd", e.Data.data(),
                                TZipCrypto::CheckByte(e.Flags, e.Crc, e.DosDateTime)));
    TBytes got(e.Data.begin() + 12, e.Data.end());
    dec.Decrypt(got.data(), got.size());
    EXPECT_EQ(got, plain);
}

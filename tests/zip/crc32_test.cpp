#include <gtest/gtest.h>
#include <zlib.h>

#include "codectestutil.h"
#include "zip/crc32.h"
#include "zip/zipcrypto.h"

TEST(Crc32, AgreesWithZlibForEveryLengthAlignmentAndSplit) {
    const TBytes data = RandomBytes(5000, 9);
    EXPECT_EQ(ZipCrc32(0, "123456789", 9), 0xCBF43926u);
    EXPECT_EQ(ZipCrc32(0, nullptr, 0), 0u);
    for (size_t off = 0; off < 16; ++off)
        for (size_t len = 0; len + off <= data.size(); len += (len < 300 ? 1 : 97))
            ASSERT_EQ(ZipCrc32(0, data.data() + off, len),
                      crc32(0, data.data() + off, unsigned(len)))
                << off << " " << len;
    // Any split of the data gives the same value, through the function and the class.
    const uint32_t whole = crc32(0, data.data(), unsigned(data.size()));
    for (size_t cut : {size_t(0), size_t(1), size_t(63), size_t(64), size_t(1000), size_t(4999)}) {
        EXPECT_EQ(ZipCrc32(ZipCrc32(0, data.data(), cut), data.data() + cut, data.size() - cut),
                  whole);
        TZipCrc32 c;
        c.Update(data.data(), cut);
        for (size_t i = cut; i < data.size(); ++i)
            c.Update(data[i]);
        EXPECT_EQ(c.Value(), whole);
        c.Reset();
        EXPECT_EQ(c.Value(), 0u);
    }
}

#include <gtest/gtest.h>
#include <zlib.h>

#include "codectestutil.h"
#include "zip/deflate.h"
#include "zip/inflate.h"
#include "zip/ziperrors.h"

TEST(Deflate, EveryLevelInflatesWithZlibAndOurs) {
    const std::vector<TBytes> inputs = {ToBytes("a"),
                                        ToBytes("hello hello hello hello"),
                                        TextBytes(300000, 11),
                                        RecordBytes(200000, 12),
                                        RandomBytes(100000, 13),
                                        SkewedBytes(400000, 14),
                                        TBytes(200000, 0)};
    for (const TBytes& in : inputs)
        for (int level = 0; level <= 9; ++level) {
            uint16_t method = 0;
            TBytes z = OurDeflate(in, level, &method);
            TBytes back;
            if (method == 8) {
                ASSERT_TRUE(ZlibInflateRaw(z, back)) << in.size() << " level " << level;
                ASSERT_EQ(back, in) << in.size() << " level " << level;
                ASSERT_EQ(OurInflate(z, in.size()), in);
            } else {
                ASSERT_EQ(method, 0);
                ASSERT_EQ(z, in);
            }
        }
}

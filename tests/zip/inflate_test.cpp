#include <gtest/gtest.h>
#include <zlib.h>

#include "codectestutil.h"
#include "zip/inflate.h"
#include "zip/ziperrors.h"

TEST(Inflate, DecodesZlibAtEveryLevelWindowAndStrategy) {
    const std::vector<TBytes> inputs = {TBytes{},
                                        ToBytes("a"),
                                        TextBytes(100000, 1),
                                        RecordBytes(150000, 2),
                                        RandomBytes(70000, 3),
                                        SkewedBytes(200000, 4)};
    const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
    for (const TBytes& in : inputs)
        for (int level = 0; level <= 9; ++level)
            for (int wbits = 9; wbits <= 15; wbits += (level == 6 ? 1 : 3))
                for (int strategy : strategies) {
                    TBytes z = ZlibDeflateRaw(in, level, wbits, strategy);
                    ASSERT_FALSE(z.empty());
                    ASSERT_EQ(OurInflate(z), in) << "size " << in.size() << " level " << level
                                                 << " wbits " << wbits << " strategy " << strategy;
                }
}

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>

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

namespace {

// A given number of zero bytes, made as they are read (4 GiB and more without the memory).
class TZeroInput : public IZipInput {
public:
    explicit TZeroInput(uint64_t size) : left_(size) {}
    size_t Read(uint8_t* buf, size_t max) override {
        const size_t n = size_t(std::min<uint64_t>(max, left_));
        std::memset(buf, 0, n);
        left_ -= n;
        return n;
    }

private:
    uint64_t left_;
};
// An output that keeps only a count.
class TCountOutput : public IZipOutput {
public:
    void Write(const uint8_t*, size_t n) override { Count += n; }
    uint64_t Count = 0;
};

TDeflateResult Compress1(const TBytes& in, int level, TBytes* out = nullptr) {
    TDeflater d(level);
    TMemInput src(in, false, 5000); // the compressor must cope with short reads
    TMemOutput dst;
    TDeflateResult r = d.Compress(src, dst);
    EXPECT_EQ(r.OutSize, dst.Data.size());
    EXPECT_EQ(r.InSize, in.size());
    EXPECT_EQ(r.Crc, crc32(0, in.data(), unsigned(in.size())));
    if (out)
        *out = dst.Data;
    return r;
}

} // namespace

TEST(Deflate, ResultFlagsMethodAndTextDetection) {
    const TBytes text = TextBytes(50000, 3), bin = RandomBytes(20000, 4);
    // Speed bits of the general purpose flags: 4 for levels 0-2, 2 for levels 8-9.
    const uint16_t speed[10] = {4, 4, 4, 0, 0, 0, 0, 0, 2, 2};
    for (int level = 0; level <= 9; ++level) {
        TDeflateResult r = Compress1(text, level);
        EXPECT_EQ(r.Method, 8) << level;
        EXPECT_EQ(r.Flags, speed[level]) << level;
        EXPECT_EQ(r.InternalAttributes, 1) << level;
        TBytes z;
        r = Compress1(bin, level, &z);
        EXPECT_EQ(r.InternalAttributes, 0) << level;
        // Random data in one block cannot shrink: it is stored whole, as it stands.
        EXPECT_EQ(r.Method, 0) << level;
        EXPECT_EQ(z, bin);
        EXPECT_EQ(r.Flags, 0);
    }
    // An empty input is stored with size 0.
    TDeflateResult e = Compress1(TBytes{}, 6);
    EXPECT_EQ(e.Method, 0);
    EXPECT_EQ(e.OutSize, 0u);
    // Random data over several blocks stays deflated, in stored blocks, and barely grows.
    TBytes z;
    const TBytes big = RandomBytes(300000, 5);
    TDeflateResult r = Compress1(big, 6, &z);
    EXPECT_EQ(r.Method, 8);
    EXPECT_LT(z.size(), big.size() + big.size() / 1000);
    TBytes back;
    ASSERT_TRUE(ZlibInflateRaw(z, back));
    EXPECT_EQ(back, big);
    EXPECT_THROW(TDeflater(10), EZipError);
    EXPECT_THROW(TDeflater(-1), EZipError);
}

// Level 0 is the quickest greedy search: coded blocks that zlib and we inflate, never a copy.
TEST(Deflate, LevelZeroCodesRatherThanStores) {
    for (const TBytes& in :
         {ToBytes("hello hello hello hello"), TextBytes(300000, 21), RecordBytes(100000, 22),
          SkewedBytes(200000, 23), TBytes(70000, 'x')}) {
        TBytes z;
        const TDeflateResult r = Compress1(in, 0, &z);
        EXPECT_EQ(r.Method, 8) << in.size();
        EXPECT_EQ(r.Flags, 4) << in.size();
        ASSERT_LT(z.size(), in.size());
        EXPECT_NE((z[0] >> 1) & 3, 0) << in.size() << ": the first block is stored";
        TBytes back;
        ASSERT_TRUE(ZlibInflateRaw(z, back)) << in.size();
        EXPECT_EQ(back, in);
        EXPECT_EQ(OurInflate(z, in.size()), in);
    }
}

TEST(Deflate, SizesComparableToZlibAndTheObjectIsReusable) {
    TDeflater d(6);
    const std::vector<TBytes> inputs = {TextBytes(400000, 7), RecordBytes(400000, 8),
                                        SkewedBytes(400000, 9)};
    for (const TBytes& in : inputs) {
        TMemInput src(in, false);
        TMemOutput dst;
        d.Compress(src, dst);
        const size_t ref = ZlibDeflateRaw(in, 6).size();
        EXPECT_LT(double(dst.Data.size()), ref * 1.01);
        EXPECT_EQ(OurInflate(dst.Data), in);
    }
    // Each level searches within its own limits, as zlib's level of the same number does; level
    // 0 as zlib's greedy loop given level 0's limits, all zero (no chain limit, the first longer
    // match ends the search, no match goes into the hash). Another level's limits, or a chain
    // counter too narrow for the long chains, move the size by more than 0.5 %.
    for (int level = 0; level <= 9; ++level) {
        d.SetLevel(level);
        for (size_t i = 0; i < inputs.size(); ++i) {
            TMemInput src(inputs[i], false);
            TMemOutput dst;
            d.Compress(src, dst);
            const TBytes ref = level == 0 ? ZlibDeflateRawTuned(inputs[i], 1, 0, 0, 0, 0)
                                          : ZlibDeflateRaw(inputs[i], level);
            ASSERT_FALSE(ref.empty());
            EXPECT_NEAR(double(dst.Data.size()) / double(ref.size()), 1.0, 0.005)
                << "level " << level << ", input " << i;
        }
    }
}

TEST(Deflate, InputsOfFourGibibytesAreRefused) {
#if defined(__SANITIZE_ADDRESS__)
    // Every level compresses: 4 GiB under the sanitizers outlasts the test time-out.
    GTEST_SKIP() << "compressing 4 GiB under the sanitizers takes minutes";
#endif
    constexpr uint64_t limit = uint64_t(1) << 32;
    for (int level : {0, 1}) {
        TDeflater d(level);
        TZeroInput exactly(limit);
        TCountOutput dst;
        EXPECT_THROW(d.Compress(exactly, dst), EZipError) << level;
        TZeroInput below(limit - 1);
        TCountOutput kept;
        const TDeflateResult r = d.Compress(below, kept);
        EXPECT_EQ(r.InSize, limit - 1) << level;
        EXPECT_EQ(r.OutSize, kept.Count) << level;
    }
}

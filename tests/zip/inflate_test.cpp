#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

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

namespace {

std::string InflateError(const TBytes& z, uint64_t max = UINT64_MAX) {
    try {
        OurInflate(z, max);
    } catch (const EFatalUnzipError& e) {
        return std::string("fatal: ") + e.what();
    } catch (const EZipError& e) {
        return std::string("zip: ") + e.what();
    }
    return "ok";
}

} // namespace

TEST(Inflate, SyncAndFullFlushesAndInputInTinyPieces) {
    const TBytes in = RecordBytes(300000, 21);
    for (int flush : {Z_SYNC_FLUSH, Z_FULL_FLUSH, Z_PARTIAL_FLUSH, Z_BLOCK})
        for (size_t every : {size_t(1000), size_t(77777)}) {
            TBytes z = ZlibDeflateRaw(in, 6, 15, Z_DEFAULT_STRATEGY, every, flush);
            ASSERT_EQ(OurInflate(z), in) << flush << " " << every;
        }
    TBytes z = ZlibDeflateRaw(in, 9);
    for (size_t chunk : {size_t(1), size_t(3), size_t(8), size_t(4099)})
        ASSERT_EQ(OurInflate(z, UINT64_MAX, chunk), in) << chunk;
    // What the stream used, and no more, is reported even when the input holds more.
    TBytes padded = z;
    padded.resize(z.size() + 100, 0xAB);
    TInflater inf;
    TMemInput src(padded, true);
    TMemOutput dst;
    EXPECT_EQ(inf.Inflate(src, dst), in.size());
    EXPECT_EQ(inf.ConsumedBytes(), z.size());
}

TEST(Inflate, StoredFixedAndDynamicBlocksAndTheFarthestMatch) {
    // An empty fixed block, an empty stored block (which ends on a byte), then zlib's
    // dynamic block of a text.
    TBitPack p;
    p.Bits(0, 1);
    p.Bits(1, 2);
    p.Bits(0, 7); // end of block in the fixed code
    p.Bits(0, 1);
    p.Bits(0, 2);
    p.Align();
    p.Bits(0, 16);
    p.Bits(0xFFFF, 16);
    TBytes z = p.Done();
    const TBytes text = TextBytes(5000, 3);
    const TBytes tail = ZlibDeflateRaw(text, 9, 15, Z_DEFAULT_STRATEGY);
    z.insert(z.end(), tail.begin(), tail.end());
    EXPECT_EQ(OurInflate(z), text);

    // 32768 random bytes in a stored block, then a fixed block of 1000 matches of length 258
    // at distance 32768 (zlib never reaches that far): the output window wraps many times.
    const TBytes head = RandomBytes(32768, 5);
    TBitPack m;
    m.Bits(0, 1);
    m.Bits(0, 2);
    m.Align();
    m.Bits(32768, 16);
    m.Bits(32767, 16);
    for (uint8_t b : head)
        m.Bits(b, 8);
    auto code = [&](uint32_t c, int len) { // Huffman codes go out from their top bit
        for (int i = len - 1; i >= 0; --i)
            m.Bits((c >> i) & 1, 1);
    };
    m.Bits(1, 1);
    m.Bits(1, 2);
    for (int i = 0; i < 1000; ++i) {
        code(0xC5, 8);    // length symbol 285: 258
        code(29, 5);      // distance code 29
        m.Bits(8191, 13); // 24577 + 8191 = 32768
    }
    code(0, 7);
    TBytes expect = head;
    expect.resize(32768 + 258000);
    for (size_t i = 32768; i < expect.size(); ++i)
        expect[i] = expect[i - 32768];
    EXPECT_EQ(OurInflate(m.Done()), expect);
}

TEST(Inflate, FailuresAreExceptionsNotSuccess) {
    TBitPack bad;
    bad.Bits(1, 1);
    bad.Bits(3, 2); // block type 3
    EXPECT_EQ(InflateError(bad.Done()).rfind("fatal: Invalid compressed data (bad block", 0), 0u);

    TBitPack stored;
    stored.Bits(1, 1);
    stored.Bits(0, 2);
    stored.Align();
    stored.Bits(5, 16);
    stored.Bits(0x1234, 16); // not the complement
    EXPECT_NE(InflateError(stored.Done()).find("complement"), std::string::npos);

    // Dynamic header whose code-length code is over-subscribed: four codes of length 1.
    TBitPack over;
    over.Bits(1, 1);
    over.Bits(2, 2);
    over.Bits(0, 5);
    over.Bits(0, 5);
    over.Bits(0, 4); // four code-length codes
    for (int i = 0; i < 4; ++i)
        over.Bits(1, 3);
    EXPECT_NE(InflateError(over.Done()).find("fatal:"), std::string::npos);

    // Incomplete literal code: only the end-of-block and one literal, each of length 2.
    TBitPack inc;
    inc.Bits(1, 1);
    inc.Bits(2, 2);
    inc.Bits(0, 5);  // 257 literal/length codes
    inc.Bits(0, 5);  // 1 distance code
    inc.Bits(14, 4); // 18 code-length codes (order up to length 1)
    // Lengths for the code-length alphabet in its order 16,17,18,0,8,7,9,6,10,5,11,4,12,3,13,2,14,1
    const int cl[18] = {0, 0, 2, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2};
    for (int v : cl)
        inc.Bits(uint32_t(v), 3);
    // Canonical codes of the code-length code: 0 -> 00, 1 -> 01, 2 -> 10, 18 -> 11, sent
    // from the top bit. Literal 'a' and the end-of-block get length 2: an incomplete code.
    auto sym = [&](int s) {
        const uint32_t c = s == 0 ? 0 : s == 1 ? 1 : s == 2 ? 2 : 3;
        inc.Bits(((c & 1) << 1) | (c >> 1), 2);
    };
    sym(18);
    inc.Bits(97 - 11, 7);
    sym(2);
    sym(18);
    inc.Bits(138 - 11, 7);
    sym(18);
    inc.Bits(20 - 11, 7); // up to 255
    sym(2);               // 256
    sym(1);               // the distance code
    EXPECT_NE(InflateError(inc.Done()).find("incomplete literal/length"), std::string::npos);

    // A distance further back than the output: a fixed block with a match at the start.
    TBitPack far;
    far.Bits(1, 1);
    far.Bits(1, 2);
    far.Bits(0x40, 7); // length 3 (symbol 257: code 0000001 reversed)
    far.Bits(0, 5);    // distance 1 with nothing before it
    EXPECT_NE(InflateError(far.Done()).find("distance too far"), std::string::npos);

    // Running out of input, at every cut of a real stream.
    const TBytes in = TextBytes(20000, 8);
    const TBytes z = ZlibDeflateRaw(in, 6);
    for (size_t cut = 0; cut < z.size(); cut += (cut < 64 ? 1 : 37)) {
        TBytes t(z.begin(), z.begin() + long(cut));
        EXPECT_NE(InflateError(t).find("fatal:"), std::string::npos) << cut;
    }
    // An input that returns 0 instead of raising counts as run out too.
    TInflater inf;
    TBytes half(z.begin(), z.begin() + long(z.size() / 2));
    TMemInput quiet(half, false);
    TMemOutput out;
    EXPECT_THROW(inf.Inflate(quiet, out), EFatalUnzipError);
}

TEST(Inflate, OutputNeverExceedsTheDeclaredSize) {
    for (const TBytes& in : {TextBytes(100000, 2), TBytes(70000, 'x'), RandomBytes(70000, 1)}) {
        const TBytes z = ZlibDeflateRaw(in, 6);
        EXPECT_EQ(OurInflate(z, in.size()), in);
        for (uint64_t limit : {uint64_t(0), uint64_t(1), in.size() / 2, in.size() - 1}) {
            TInflater inf;
            TMemInput src(z, true);
            TMemOutput dst;
            EXPECT_THROW(inf.Inflate(src, dst, limit), EZipError) << limit;
            EXPECT_LE(dst.Data.size(), limit);
        }
    }
}

TEST(Inflate, DamagedStreamsRaiseOrMismatchButNeverCrash) {
    const std::vector<TBytes> inputs = {TextBytes(40000, 31), RecordBytes(40000, 32),
                                        SkewedBytes(40000, 33)};
    std::mt19937 rng(99);
    int raised = 0, mismatched = 0;
    for (const TBytes& in : inputs)
        for (int level : {1, 6, 9}) {
            const TBytes z = ZlibDeflateRaw(in, level);
            for (int trial = 0; trial < 150; ++trial) {
                TBytes d = z;
                const int flips = 1 + int(rng() % 4);
                for (int f = 0; f < flips; ++f)
                    d[rng() % d.size()] ^= uint8_t(1u << (rng() % 8));
                try {
                    TBytes out = OurInflate(d, in.size());
                    if (crc32(0, out.data(), unsigned(out.size())) !=
                        crc32(0, in.data(), unsigned(in.size())))
                        ++mismatched;
                } catch (const EFatalUnzipError&) {
                    ++raised;
                } catch (const EZipError&) {
                    ++raised;
                }
            }
        }
    EXPECT_GT(raised, 0);
    EXPECT_GT(raised + mismatched, 9 * 150 * 9 / 10);
}

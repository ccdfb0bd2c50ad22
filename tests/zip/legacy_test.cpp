#include <gtest/gtest.h>
#include <zlib.h>

#include "codectestutil.h"
#include "legacyencoders.h"
#include "testutil.h"
#include "zip/legacydecoders.h"
#include "zip/ziperrors.h"
#include "ziplocal.h"

#include <cstdio>

namespace {

TBytes Decode(const TLocalEntry& e) {
    TMemInput in(e.Data, true);
    TMemOutput out;
    EXPECT_EQ(ZipDecodeEntry(e.Method, e.Flags, e.CompressedSize, e.UncompressedSize, in, out),
              e.Method == 0 ? e.CompressedSize : e.UncompressedSize);
    return out.Data;
}

// The sample archives made by an early PKZIP (tests/zip/data, see its README and LICENSE).
TBytes ReadSample(const std::string& name) {
    return ToBytes(ReadFileBytes(SourcePath("tests/zip/data/" + name)));
}

// What Info-ZIP unzip extracts from a one-entry archive (empty when it fails).
TBytes UnzipOracle(const TBytes& zip, TempDir& dir) {
    const std::string path = dir.File("oracle.zip");
    WriteFileBytes(path, std::string(zip.begin(), zip.end()));
    TBytes out;
    FILE* p = popen(("unzip -p -qq '" + path + "' 2>/dev/null").c_str(), "r");
    if (!p)
        return out;
    uint8_t buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.insert(out.end(), buf, buf + n);
    pclose(p);
    return out;
}

TBytes Mixed(size_t n, uint32_t seed) {
    TBytes a = TextBytes(n / 3, seed), b = RecordBytes(n / 3, seed + 1),
           c = RandomBytes(n - 2 * (n / 3), seed + 2);
    for (size_t i = 0; i < c.size(); ++i) // random, but with repeats for the matcher
        if (i % 7 < 3 && i >= 5000)
            c[i] = c[i - 4000 - (i % 97)];
    TBytes d(200, 0);
    d.insert(d.end(), a.begin(), a.end());
    d.insert(d.end(), b.begin(), b.end());
    d.insert(d.end(), c.begin(), c.end());
    return d;
}

} // namespace

TEST(LegacyDecoders, EveryEntryOfTheSampleArchivesDecodesToItsCrc) {
    struct TCase {
        const char* file;
        uint16_t method;
    };
    const TCase cases[] = {{"shrink.zip", 1},  {"reduce1.zip", 2}, {"reduce2.zip", 3},
                           {"reduce3.zip", 4}, {"reduce4.zip", 5}, {"implode.zip", 6}};
    int implodeKinds = 0;
    for (const TCase& c : cases) {
        const std::vector<TLocalEntry> entries = ReadLocalEntries(ReadSample(c.file));
        ASSERT_GE(entries.size(), 3u) << c.file;
        int withMethod = 0;
        for (const TLocalEntry& e : entries) {
            if (e.UncompressedSize == 0)
                continue;
            withMethod += e.Method == c.method;
            if (e.Method == 6)
                implodeKinds |= 1 << ((e.Flags >> 1) & 3);
            const TBytes data = Decode(e);
            ASSERT_EQ(data.size(), e.UncompressedSize) << c.file << " " << e.Name;
            EXPECT_EQ(crc32(0, data.data(), unsigned(data.size())), e.Crc)
                << c.file << " " << e.Name << " method " << e.Method;
        }
        EXPECT_GE(withMethod, 1) << c.file;
    }
    // The samples hold a 4K dictionary with two trees and an 8K one with three; the other
    // two kinds come from the generated cases below.
    EXPECT_EQ(implodeKinds, 0x9);
}

TEST(LegacyDecoders, ImplodeOfEveryKindAndAboveTwoHundredThousandBytes) {
    TempDir dir;
    for (int kind = 0; kind < 4; ++kind) {
        const bool big = kind & 1, lit = kind & 2;
        const uint16_t flags = uint16_t((big ? 2 : 0) | (lit ? 4 : 0));
        for (size_t size : {size_t(1), size_t(5000), size_t(150000), size_t(420000)}) {
            if (size == 420000 && kind != 3 && kind != 0)
                continue;
            const TBytes data = size == 1 ? TBytes{42} : Mixed(size, uint32_t(size + kind));
            const TBytes packed = ImplodeForTest(data, big, lit);
            if (size == 420000) { // the distance tree is looked up with 8 bits
                EXPECT_GT(packed.size(), 200000u);
            }
            TMemInput in(packed, true, 999);
            TMemOutput out;
            TExploder(flags, packed.size()).Decode(in, out, data.size());
            ASSERT_EQ(out.Data, data) << "kind " << kind << " size " << size;
            const uint32_t crc = crc32(0, data.data(), unsigned(data.size()));
            if (size == 150000) { // Info-ZIP agrees that the test encoder writes real implode
                EXPECT_EQ(UnzipOracle(
                              MakeZip("I.BIN", 6, flags, packed, crc, uint32_t(data.size())), dir),
                          data)
                    << "kind " << kind;
            }
        }
    }
}

TEST(LegacyDecoders, ShrinkWithPartialClearsAndThirteenBitCodes) {
    TempDir dir;
    // Clears when the table is full (mixed data fills it fast) and clears sent early (text).
    const TBytes mixed = Mixed(300000, 5), plain = TextBytes(300000, 6);
    for (int clearEvery : {0, 700, 3000}) {
        const TBytes& text = clearEvery ? plain : mixed;
        TShrinkStats st;
        const TBytes packed = ShrinkForTest(text, clearEvery, &st);
        EXPECT_GE(st.PartialClears, 1) << clearEvery;
        if (clearEvery == 0) {
            EXPECT_EQ(st.MaxCodeSize, 13);
            EXPECT_GE(st.KwKwK, 1);
        }
        TMemInput in(packed, true, 777);
        TMemOutput out;
        TUnshrinker().Decode(in, out, text.size());
        ASSERT_EQ(out.Data, text) << clearEvery;
        const uint32_t crc = crc32(0, text.data(), unsigned(text.size()));
        EXPECT_EQ(UnzipOracle(MakeZip("S.BIN", 1, 0, packed, crc, uint32_t(text.size())), dir),
                  text)
            << clearEvery;
    }
}

TEST(LegacyDecoders, ReducedSamplesUseTheEscapeByteAsALiteral) {
    for (const char* f : {"reduce1.zip", "reduce4.zip"})
        for (const TLocalEntry& e : ReadLocalEntries(ReadSample(f)))
            if (e.Method >= 2 && e.Method <= 5 && e.Name == "TEST.EXE") {
                const TBytes data = Decode(e);
                EXPECT_NE(std::count(data.begin(), data.end(), 144), 0);
            }
}

TEST(LegacyDecoders, BadShrinkCodesAreRefused) {
    auto decode = [](const TBytes& packed, uint64_t size) {
        TMemInput in(packed, true);
        TMemOutput out;
        TUnshrinker().Decode(in, out, size);
    };
    // 9-bit codes, least significant bit first.
    auto pack = [](std::initializer_list<unsigned> codes) {
        TBitPack p;
        for (unsigned c : codes)
            p.Bits(c, 9);
        return p.Done();
    };
    EXPECT_THROW(decode(pack({'a', 300}), 10), EFatalUnzipError);    // not defined yet
    EXPECT_THROW(decode(pack({300}), 10), EFatalUnzipError);         // first code not a byte
    EXPECT_THROW(decode(pack({'a', 256, 7}), 10), EFatalUnzipError); // unknown control
    EXPECT_THROW(decode(pack({'a', 'b'}), 10), EFatalUnzipError);    // runs out
    // A cleared table whose next string names itself: the chain would never end.
    EXPECT_THROW(decode(pack({'a', 'b', 256, 2, 257, 257, 257}), 100), EFatalUnzipError);
    // Code sizes beyond 13 bits.
    EXPECT_THROW(decode(pack({'a', 256, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), 100), EFatalUnzipError);
    EXPECT_NO_THROW(decode(pack({'a', 'b', 257}), 4)); // "ab" then the new code "ab"
}

TEST(LegacyDecoders, GarbageNeverHangsOrOverruns) {
    for (uint32_t seed = 1; seed <= 300; ++seed) {
        const TBytes junk = RandomBytes(50 + seed * 7, seed);
        for (uint16_t method : {0, 1, 2, 3, 4, 5, 6}) {
            for (uint16_t flags : {0, 2, 4, 6}) {
                if (method != 6 && flags)
                    continue;
                TMemInput in(junk, true);
                TMemOutput out;
                try {
                    ZipDecodeEntry(method, flags, junk.size(), 3000, in, out);
                } catch (const EFatalUnzipError&) {
                } catch (const EZipError&) {
                }
                ASSERT_LE(out.Data.size(), method == 0 ? junk.size() : 3000u);
            }
        }
    }
}

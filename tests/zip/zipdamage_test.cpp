// The reader on unusual and damaged archives: recovery from a missing or misplaced directory,
// refusals, legacy methods, and damage of every kind, which must raise one of the library's
// exceptions (or read the right data), never crash or hang.

#include <filesystem>
#include <gtest/gtest.h>
#include <set>

#include "legacyencoders.h"
#include "testutil.h"
#include "zip/crc32.h"
#include "zip/zipcomponent.h"
#include "zip/zipstream.h"
#include "ziplocal.h"
#include "ziptestutil.h"

namespace {

const std::map<std::string, std::string>& SmallFiles() {
    static const std::map<std::string, std::string> files = {
        {"a.txt", SampleText(3000)},
        {"b.bin", SampleBinary(800, 5)},
        {"c/empty", ""},
    };
    return files;
}

// The bytes of an archive of files written by our writer.
std::string MakeArchive(const std::map<std::string, std::string>& files, int level = 6,
                        const std::string& password = "") {
    TempDir dir;
    WriteSampleFiles(dir.File("src"), files);
    TSuperZip zip;
    zip.SetZipName(dir.File("x.zip"));
    zip.SetPackLevel(level);
    zip.Password = password;
    zip.SetRootDir(dir.File("src"));
    zip.SetRelativePaths(true);
    zip.FilesList.Add(dir.File("src") + "/*");
    zip.Zip();
    return ReadFileBytes(dir.File("x.zip"));
}

// Reads damaged bytes: either one of the library's exceptions, or entries whose content is one
// of the originals (a damaged name or date can still read right). Anything else fails the test.
void ReadDamaged(const std::string& bytes, const std::string& password = "") {
    TFakeZipPromptsGuard prompts; // a damaged method's box
    std::set<std::string> contents;
    for (const auto& [name, content] : SmallFiles())
        contents.insert(content);
    for (TIncompleteZipMode mode : {izAssumeMulti, izAssumeBad}) {
        try {
            for (const auto& [name, content] : ReadAllInMemory(bytes, password, mode))
                EXPECT_TRUE(contents.count(content)) << name;
        } catch (const Exception&) {
        }
    }
}

struct TArchiveMap {
    std::vector<size_t> Locals, Centrals;
    size_t End = 0;
};

TArchiveMap MapArchive(const std::string& bytes) {
    TArchiveMap m;
    for (size_t i = 0; i + 4 <= bytes.size(); ++i) {
        uint32_t sig = Get32(bytes, i);
        if (sig == LocalHeaderSignature)
            m.Locals.push_back(i);
        else if (sig == CentralHeaderSignature)
            m.Centrals.push_back(i);
        else if (sig == EndCentralSignature)
            m.End = i;
    }
    return m;
}

} // namespace

TEST(ZipReader, RecoversFromAMissingOrMisplacedDirectory) {
    std::string archive = MakeArchive(SmallFiles());
    std::map<std::string, std::string> files = SmallFiles();
    EXPECT_EQ(ReadAllInMemory(archive), files);

    // Without its end record: an incomplete archive, unless told to read the local headers.
    std::string cut = archive.substr(0, MapArchive(archive).End);
    try {
        ReadAllInMemory(cut);
        FAIL();
    } catch (const EIncompleteZip& e) {
        EXPECT_STREQ(e.what(), "Incomplete Zip File");
    }
    EXPECT_EQ(ReadAllInMemory(cut, "", izAssumeBad), files);
    TMemoryStream image(cut);
    TMemoryUnZip asked(image);
    asked.OnInCompleteZip = [](TSuperUnZip&, TIncompleteZipMode& mode) { mode = izAssumeBad; };
    EXPECT_EQ(asked.Count(), 3);

    // Bytes in front (a self-extractor's stub) shift every offset: the local headers are found
    // by scanning and the directory read where they end.
    EXPECT_EQ(ReadAllInMemory(std::string(1000, 'S') + archive), files);
    // Bytes after the end record do not hide it.
    EXPECT_EQ(ReadAllInMemory(archive + "trailing bytes"), files);
}

TEST(ZipReader, RefusesZip64AndSpannedArchives) {
    std::string archive = MakeArchive(SmallFiles());
    TArchiveMap m = MapArchive(archive);
    auto message = [](const std::string& bytes) {
        try {
            ReadAllInMemory(bytes);
        } catch (const EZipError& e) {
            return std::string(e.what());
        }
        return std::string("read");
    };
    std::string locator = "PK\x06\x07" + std::string(16, '\0');
    EXPECT_EQ(message(archive.substr(0, m.End) + locator + archive.substr(m.End)),
              "Zip64 archives are not supported");
    std::string z64 = archive;
    Put32(z64, m.Centrals[1] + 20, 0xFFFFFFFF);
    EXPECT_EQ(message(z64), "Zip64 archives are not supported");
    std::string spanned = archive;
    Put16(spanned, m.End + 4, 1);
    EXPECT_EQ(message(spanned), "Archives spanning several disks are not supported");
    std::string disk = archive;
    Put16(disk, m.Centrals[0] + 34, 2);
    EXPECT_EQ(message(disk), "Archives spanning several disks are not supported");
}

TEST(ZipReader, ReadsLegacyMethodsAndRefusesUnknownOnes) {
    TBytes data = ToBytes(SampleText(20000));
    std::string plain(data.begin(), data.end());
    uint32_t crc = ZipCrc32(0, data.data(), data.size());
    auto read = [&](uint16_t method, uint16_t flags, const TBytes& packed) {
        TBytes zip = MakeZip("legacy.txt", method, flags, packed, crc, uint32_t(data.size()));
        return ReadAllInMemory(std::string(zip.begin(), zip.end()))["legacy.txt"];
    };
    EXPECT_EQ(read(1, 0, ShrinkForTest(data, 300)), plain);
    EXPECT_EQ(read(6, 0x0006, ImplodeForTest(data, true, true)), plain);
    EXPECT_EQ(read(6, 0, ImplodeForTest(data, false, false)), plain);
    {
        TFakeZipPromptsGuard prompts;
        EXPECT_EQ(read(9, 0, data), ""); // skipped after its box
        ASSERT_EQ(prompts->Asked.size(), 1u);
        EXPECT_EQ(prompts->Asked[0].Text, "Unknown Compression Method");
    }
    // Sizes that the method cannot produce are refused before anything is decoded.
    TBytes zip = MakeZip("big", 8, 0, TBytes(10, 0), 0, 0xFFFFFFF0u);
    EXPECT_THROW(ReadAllInMemory(std::string(zip.begin(), zip.end())), EZipError);
    zip = MakeZip("stored", 0, 0, TBytes(10, 0), 0, 11);
    EXPECT_THROW(ReadAllInMemory(std::string(zip.begin(), zip.end())), EZipError);
}

TEST(ZipDamage, TruncatedArchivesRaise) {
    for (const std::string& archive :
         {MakeArchive(SmallFiles()), MakeArchive(SmallFiles(), 0, "pw")}) {
        for (size_t n = 0; n < archive.size(); ++n) {
            SCOPED_TRACE(n);
            ReadDamaged(archive.substr(0, n), "pw");
        }
    }
}

TEST(ZipDamage, FlippedBitsRaiseOrReadRight) {
    for (const std::string& archive :
         {MakeArchive(SmallFiles()), MakeArchive(SmallFiles(), 9, "pw")}) {
        TArchiveMap m = MapArchive(archive);
        std::set<size_t> headerBytes;
        for (size_t at : m.Locals)
            for (size_t i = at; i < at + LocalHeaderSize; ++i)
                headerBytes.insert(i);
        for (size_t at : m.Centrals)
            for (size_t i = at; i < at + CentralHeaderSize; ++i)
                headerBytes.insert(i);
        for (size_t i = m.End; i < archive.size(); ++i)
            headerBytes.insert(i);
        for (size_t i = 0; i < archive.size(); ++i) {
            for (int bit = 0; bit < 8; ++bit) {
                if (!headerBytes.count(i) && bit != int(i % 8))
                    continue; // data bytes: one bit each
                std::string damaged = archive;
                damaged[i] = char(damaged[i] ^ (1 << bit));
                SCOPED_TRACE(std::to_string(i) + ":" + std::to_string(bit));
                ReadDamaged(damaged, "pw");
            }
        }
    }
}

TEST(ZipDamage, AbsurdSizesAndCountsRaise) {
    std::string archive = MakeArchive(SmallFiles());
    TArchiveMap m = MapArchive(archive);
    const uint32_t values[] = {0, 1, 0x7FFF, 0xFFFF, 0x7FFFFFFF, 0xFFFFFFFE, 0xFFFFFFFF};
    struct Field {
        size_t offset;
        int width;
    };
    std::vector<Field> fields;
    for (size_t at : m.Locals)
        for (Field f : {Field{18, 4}, Field{22, 4}, Field{26, 2}, Field{28, 2}})
            fields.push_back({at + f.offset, f.width});
    for (size_t at : m.Centrals)
        for (Field f :
             {Field{20, 4}, Field{24, 4}, Field{28, 2}, Field{30, 2}, Field{32, 2}, Field{42, 4}})
            fields.push_back({at + f.offset, f.width});
    for (Field f : {Field{8, 2}, Field{10, 2}, Field{12, 4}, Field{16, 4}, Field{20, 2}})
        fields.push_back({m.End + f.offset, f.width});
    for (const Field& f : fields) {
        for (uint32_t v : values) {
            std::string damaged = archive;
            if (f.width == 2)
                Put16(damaged, f.offset, uint16_t(v));
            else
                Put32(damaged, f.offset, v);
            SCOPED_TRACE(std::to_string(f.offset) + "=" + std::to_string(v));
            ReadDamaged(damaged);
        }
    }
}

// An entry whose sizes reach past the end of the archive is refused as such before any of it
// is read, also when a CRC handler would take a damaged entry's failure; data that ends right
// at the archive's end is read (and here fails its CRC: reported, and what was written kept).
TEST(ZipDamage, DataRunningPastTheEndIsRefusedWithItsOwnMessage) {
    const std::string pastEnd =
        "The zip archive is damaged: the data of \"a.txt\" runs past the end of the archive";
    const TBytes noise = RandomBytes(3000, 7); // stored: deflate cannot shrink it
    const std::string original = MakeArchive({{"a.txt", std::string(noise.begin(), noise.end())}});
    const TArchiveMap m = MapArchive(original);
    ASSERT_EQ(m.Centrals.size(), 1u);
    ASSERT_EQ(Get16(original, m.Locals[0] + 8), 0); // method
    const size_t start =
        m.Locals[0] + 30 + Get16(original, m.Locals[0] + 26) + Get16(original, m.Locals[0] + 28);
    const uint32_t toEnd = uint32_t(original.size() - start);
    for (uint32_t size : {toEnd + 1, toEnd + 1000, uint32_t(0xFFFFFFFE), toEnd}) {
        std::string archive = original;
        for (size_t at : {m.Locals[0] + 18, m.Centrals[0] + 20}) {
            Put32(archive, at, size);
            Put32(archive, at + 4, size);
        }
        for (bool handler : {false, true}) {
            SCOPED_TRACE(std::to_string(size) + (handler ? " with a CRC handler" : ""));
            TMemoryStream image(archive);
            TMemoryUnZip unzip(image);
            int badCrc = 0;
            if (handler)
                unzip.OnBadCRC = [&](TSuperUnZip&, uint32_t, uint32_t, int) { ++badCrc; };
            TMemoryStream out;
            std::string message;
            try {
                unzip.UnzipEntryToStream(out, "a.txt");
            } catch (const EZipError& e) {
                message = e.Message;
            }
            if (size == toEnd) {
                EXPECT_EQ(message, "");
                EXPECT_EQ(out.Size(), int64_t(toEnd));
                EXPECT_EQ(badCrc, handler ? 1 : 0);
            } else {
                EXPECT_EQ(message, pastEnd);
                EXPECT_EQ(out.Size(), 0);
                EXPECT_EQ(badCrc, 0);
            }
        }
    }
}

// Data that ends before its decoder is done is damage: the extraction stops there with the
// decoder's error, no CRC error is reported and no part of the entry is left behind.
TEST(ZipDamage, DataEndingEarlyStopsTheExtraction) {
    auto cutFirstEntry = [](std::string archive) {
        const TArchiveMap m = MapArchive(archive);
        EXPECT_EQ(Get16(archive, m.Centrals[0] + 10), 8); // deflated
        const uint32_t cut = Get32(archive, m.Centrals[0] + 20) / 2;
        Put32(archive, m.Locals[0] + 18, cut);
        Put32(archive, m.Centrals[0] + 20, cut);
        return archive;
    };
    const std::string premature = "Premature end of file reached";
    TempDir dir;
    WriteFileBytes(dir.File("cut.zip"),
                   cutFirstEntry(MakeArchive({{"a.txt", SampleText(60000)}, {"b.txt", "b"}})));
    TSuperUnZip unzip;
    unzip.SetZipName(dir.File("cut.zip"));
    unzip.SetDestDir(dir.File("out"));
    unzip.DoAll = true;
    int reported = 0;
    unzip.OnBadCRC = [&](TSuperUnZip&, uint32_t, uint32_t, int) { ++reported; };
    EXPECT_EQ(MessageOf<EFatalUnzipError>([&] { unzip.UnZip(); }), premature);
    EXPECT_EQ(reported, 0);
    EXPECT_TRUE(ReadTree(dir.File("out")).empty());

    // The one-entry container leaves its destination as it was.
    TMemoryStream payload(SampleText(800000)), image, dest(std::string("kept"));
    CompressStreamTo(payload, image, "");
    TMemoryStream damaged(cutFirstEntry(image.AsString()));
    dest.SetPosition(dest.Size());
    EXPECT_EQ(MessageOf<EFatalUnzipError>([&] { DecompressStreamTo(damaged, dest, ""); }),
              premature);
    EXPECT_EQ(dest.AsString(), "kept");
}

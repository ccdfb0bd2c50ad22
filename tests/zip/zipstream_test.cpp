#include "zip/zipstream.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "testutil.h"
#include "zip/zipcomponent.h"
#include "ziptestutil.h"

namespace fs = std::filesystem;

namespace {

// Where the one central entry of an archive starts.
size_t CentralOf(const std::string& archive) {
    TMemoryStream s(archive);
    TEndCentral end;
    EXPECT_TRUE(FindEndCentral(s, end));
    return end.CentralOffset;
}

std::string Compressed(const std::string& content, const std::string& password = "") {
    TMemoryStream s(content);
    CompressStream(s, password);
    return s.AsString();
}

std::string Decompressed(const std::string& archive, const std::string& password = "") {
    TMemoryStream s(archive);
    DecompressStream(s, password);
    EXPECT_EQ(s.Position(), 0);
    return s.AsString();
}

template <class E> std::string FailureOf(const std::string& archive, const std::string& pw = "") {
    TMemoryStream s(archive);
    try {
        DecompressStream(s, pw);
    } catch (const E& e) {
        EXPECT_EQ(s.AsString(), archive); // the stream keeps its content
        return e.Message;
    }
    ADD_FAILURE() << "no exception";
    return {};
}

} // namespace

TEST(ZipStream, RoundTripsEmptySmallAndLargeStreams) {
    std::string large = SampleText(3000000) + SampleBinary(2000000, 9);
    for (const std::string& content : {std::string(), std::string("x"), large}) {
        TMemoryStream s(content);
        CompressStream(s, "");
        EXPECT_EQ(s.Position(), 0);
        EXPECT_EQ(Decompressed(s.AsString()), content);
        EXPECT_EQ(Decompressed(Compressed(content, "pass word"), "pass word"), content);
    }
    TMemoryStream empty;
    DecompressStream(empty, "");
    EXPECT_EQ(empty.Size(), 0);
}

TEST(ZipStream, ArchiveHoldsOneEntryDatedTodayAtMidnight) {
    FixedClock clock(EncodeDateTime(2024, 3, 15, 14, 30, 10, 0));
    std::string text = SampleText(5000);
    for (const std::string& content : {std::string(), text}) {
        std::string a = Compressed(content);
        TMemoryStream s(a);
        TZipHeaderInfo local, central;
        ASSERT_TRUE(ReadLocalHeader(s, local));
        TEndCentral end;
        ASSERT_TRUE(FindEndCentral(s, end));
        EXPECT_EQ(end.TotalEntries, 1);
        s.SetPosition(end.CentralOffset);
        ASSERT_TRUE(ReadCentralEntry(s, central));
        for (const TZipHeaderInfo* h : {&local, &central}) {
            EXPECT_EQ(h->FullName(), "ZIPDATA");
            EXPECT_EQ(h->Flags, 0);
            EXPECT_EQ(h->UncompressedSize, content.size());
            EXPECT_EQ(h->Date(), EncodeDate(2024, 3, 15));
            EXPECT_EQ(h->Method, content.empty() ? 0 : 8);
            EXPECT_EQ(h->VersionNeeded, 20);
        }
        EXPECT_EQ(central.VersionMadeBy, 20);
        EXPECT_EQ(central.ExternalAttributes, 0x20u);
        if (!content.empty()) {
            EXPECT_EQ(central.InternalAttributes, 1); // text
        }
        EXPECT_EQ(central.LocalHeaderOffset, 0u);
        EXPECT_EQ(s.Position() + EndCentralSize, int64_t(a.size()));
        if (content.empty()) {
            EXPECT_EQ(central.CompressedSize, 0u);
        }

        // With a password: bit 0 and twelve more bytes.
        std::string p = Compressed(content, "secret");
        EXPECT_EQ(Get16(p, 6), zfEncrypted);
        EXPECT_EQ(Get32(p, 18), central.CompressedSize + 12);
        EXPECT_EQ(Get32(p, CentralOf(p) + 20), central.CompressedSize + 12);
    }
}

// A renamed entry, a wrong CRC and a cut archive: see the binary data file test.
TEST(ZipStream, FailuresRaiseInsteadOfGivingEmptyOrDamagedData) {
    std::string content = SampleText(20000);
    std::string good = Compressed(content);
    // A header that a wrong password passes once in 256 times is made anew.
    std::string locked;
    do
        locked = Compressed(content, "right");
    while (CheckByteAdmits(locked, "wrong") || CheckByteAdmits(locked, ""));

    EXPECT_EQ(FailureOf<EZipError>(locked, "wrong"), "Wrong password for \"ZIPDATA\"");
    EXPECT_EQ(FailureOf<EZipError>(locked), "Wrong password for \"ZIPDATA\"");

    std::string unknown = good;
    Put16(unknown, CentralOf(good) + 10, 99);
    EXPECT_EQ(FailureOf<EZipError>(unknown), "Unknown Compression Method");

    std::string damaged = good;
    for (size_t at = 40; at < 60; ++at)
        damaged[at] = char(0xFF);
    EXPECT_FALSE(FailureOf<EZipError>(damaged).empty());
}

// One component, two extractions: the second is not told the first one's failure.
TEST(ZipStream, EachExtractionReportsItsOwnFailure) {
    TSuperZip zip;
    std::string other = Compressed("data");
    for (size_t at = 0; (at = other.find("ZIPDATA", at)) != std::string::npos;)
        other[at + 6] = 'B';
    TMemoryStream renamed(other), good(Compressed("data")), out;
    EXPECT_EQ(MessageOf<EZipError>([&] { zip.ExtractToStream(renamed, out); }),
              "The zip archive has no entry named \"ZIPDATA\"");
    zip.OnStartUnZipInfo = [](TSuperUnZip&, int, int64_t, bool& stop) { stop = true; };
    EXPECT_EQ(MessageOf<EZipError>([&] { zip.ExtractToStream(good, out); }),
              "The entry \"ZIPDATA\" was not extracted");
}

TEST(ZipStream, NeverTouchesTheFileSystem) {
    TempDir dir;
    fs::path old = fs::current_path();
    fs::current_path(dir.Path());
    // A file named like the in-memory archive, holding an archive of its own.
    std::string stray = Compressed("from the disk");
    WriteFileBytes("ZIPSTREAM", stray);
    std::string a = Compressed("from memory");
    EXPECT_EQ(Decompressed(a), "from memory");
    fs::current_path(old);
    EXPECT_EQ(ReadFileBytes(dir.File("ZIPSTREAM")), stray);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

TEST(ZipStream, ComponentGetsItsNameBackWhateverHappens) {
    TSuperZip zip;
    zip.SetZipName("/nowhere/kept.zip");
    TMemoryStream source(std::string("payload")), archive, back;
    zip.CompressToStream(source, archive);
    EXPECT_EQ(zip.ZipName(), "/nowhere/kept.zip");
    zip.ExtractToStream(archive, back);
    EXPECT_EQ(back.AsString(), "payload");
    EXPECT_EQ(zip.ZipName(), "/nowhere/kept.zip");
    TMemoryStream junk(std::string("junk")), out;
    EXPECT_THROW(zip.ExtractToStream(junk, out), EIncompleteZip);
    EXPECT_EQ(zip.ZipName(), "/nowhere/kept.zip");
    EXPECT_THROW(zip.Count(), EFOpenError); // back on its own (missing) archive
}

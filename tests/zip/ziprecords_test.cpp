#include "zip/ziprecords.h"

#include <gtest/gtest.h>

#include "zip/zipnames.h"

namespace {

void Put16(std::string& s, uint16_t v) {
    s += char(v & 0xFF);
    s += char(v >> 8);
}
void Put32(std::string& s, uint32_t v) {
    Put16(s, uint16_t(v));
    Put16(s, uint16_t(v >> 16));
}

// A central entry built by hand, with an extra field and a comment.
std::string CentralEntry(const std::string& name, uint16_t flags, const std::string& extra,
                         const std::string& comment) {
    std::string s;
    Put32(s, CentralHeaderSignature);
    Put16(s, 0x031E); // made by Unix
    Put16(s, 20);
    Put16(s, flags);
    Put16(s, 8);
    Put32(s, 0x5A2B6000);
    Put32(s, 0xCAFEBABE);
    Put32(s, 10);
    Put32(s, 20);
    Put16(s, uint16_t(name.size()));
    Put16(s, uint16_t(extra.size()));
    Put16(s, uint16_t(comment.size()));
    Put16(s, 0);
    Put16(s, 1);
    Put32(s, 0x81A40000);
    Put32(s, 1234);
    return s + name + extra + comment;
}

std::string EndRecord(uint16_t entries, uint32_t size, uint32_t offset,
                      const std::string& comment) {
    std::string s;
    Put32(s, EndCentralSignature);
    Put16(s, 0);
    Put16(s, 0);
    Put16(s, entries);
    Put16(s, entries);
    Put32(s, size);
    Put32(s, offset);
    Put16(s, uint16_t(comment.size()));
    return s + comment;
}

} // namespace

TEST(ZipRecords, HeaderFieldsAndNames) {
    TZipHeaderInfo h;
    h.SetPath("docs/sub");
    EXPECT_EQ(h.Path(), "docs/sub/");
    h.SetFileName("a.txt");
    EXPECT_EQ(h.FileNameLength(), 14);
    h.SetFullName("x/y/z.bin");
    EXPECT_EQ(h.Path(), "x/y/");
    EXPECT_EQ(h.FileName(), "z.bin");
    EXPECT_THROW(h.SetFileName(std::string(70000, 'a')), EZipError);
    EXPECT_THROW(h.SetComment(std::string(70000, 'a')), EZipError);
}

TEST(ZipRecords, DosDates) {
    TDateTime t = EncodeDateTime(2024, 2, 29, 13, 45, 58, 0);
    uint32_t dos = DateTimeToDosDateTime(t);
    EXPECT_EQ(dos >> 16, uint32_t(((2024 - 1980) << 9) | (2 << 5) | 29));
    EXPECT_EQ(dos & 0xFFFF, uint32_t((13 << 11) | (45 << 5) | 29));
    EXPECT_DOUBLE_EQ(DosDateTimeToDateTime(dos), t);
    EXPECT_EQ(DosDateTimeToDateTime(0), 0); // month 0 is not a date
    EXPECT_EQ(DateTimeToDosDateTime(EncodeDate(1970, 1, 1)), uint32_t(0x00210000));
}

TEST(ZipRecords, LocalAndCentralRoundTrip) {
    TMemoryStream s;
    s.WriteBuffer("junk", 4);
    TZipHeaderInfo h;
    h.SetFullName("folder/Grüße.txt");
    h.CRC = 0x12345678;
    h.CompressedSize = 7;
    h.UncompressedSize = 9;
    h.DateTime = 0x5A2B6000;
    h.SetComment("Ünïcode comment");
    WriteLocalHeader(s, h);
    EXPECT_EQ(h.LocalHeaderOffset, 4u);
    EXPECT_TRUE(h.Flags & zfUtf8); // not plain ASCII: bit 11
    int64_t central = s.Position();
    WriteCentralEntry(s, h);
    int64_t after = s.Position();

    TZipHeaderInfo l;
    s.SetPosition(4);
    ASSERT_TRUE(ReadLocalHeader(s, l));
    EXPECT_EQ(l.FullName(), "folder/Grüße.txt");
    EXPECT_EQ(l.CRC, 0x12345678u);
    EXPECT_EQ(l.LocalHeaderOffset, 4u);
    EXPECT_EQ(l.VersionMadeBy, 0);
    EXPECT_EQ(s.Position(), 4 + LocalHeaderSize + int64_t(l.FullName().size()));

    TZipHeaderInfo c;
    s.SetPosition(central);
    ASSERT_TRUE(ReadCentralEntry(s, c));
    EXPECT_EQ(c.FullName(), "folder/Grüße.txt");
    EXPECT_EQ(c.Comment(), "Ünïcode comment");
    EXPECT_EQ(c.CentralRecordPosition, uint32_t(central));
    EXPECT_EQ(s.Position(), after);

    // A plain ASCII name clears bit 11 again.
    h.SetFullName("plain.txt");
    h.SetComment("");
    TMemoryStream t;
    WriteLocalHeader(t, h);
    EXPECT_FALSE(h.Flags & zfUtf8);

    // Readers fail without raising and leave the stream where it was.
    s.SetPosition(0);
    EXPECT_FALSE(ReadLocalHeader(s, l));
    EXPECT_EQ(s.Position(), 0);
    s.SetPosition(central);
    EXPECT_FALSE(ReadLocalHeader(s, l));
    EXPECT_EQ(s.Position(), central);
    TMemoryStream cut(s.AsString().substr(0, size_t(after) - 3));
    cut.SetPosition(central);
    EXPECT_FALSE(ReadCentralEntry(cut, c));
    EXPECT_EQ(cut.Position(), central);
}

TEST(ZipRecords, ForeignNamesExtraFieldsAndComments) {
    // Without bit 11 a name is code page 437; backslashes become slashes.
    std::string bytes = CentralEntry("dir\\\x81"
                                     "ber.txt",
                                     0, std::string(9, 'x'), "note") +
                        CentralEntry("next", 0, "", "");
    TMemoryStream s(bytes);
    TZipHeaderInfo c;
    ASSERT_TRUE(ReadCentralEntry(s, c));
    EXPECT_EQ(c.Path(), "dir/");
    EXPECT_EQ(c.FileName(), "über.txt");
    EXPECT_EQ(c.ExtraFieldLength, 9);
    EXPECT_EQ(c.Comment(), "note");
    EXPECT_EQ(c.VersionMadeBy, 0x031E);
    EXPECT_EQ(c.ExternalAttributes, 0x81A40000u);
    EXPECT_EQ(c.LocalHeaderOffset, 1234u);
    ASSERT_TRUE(ReadCentralEntry(s, c)); // placed at the next entry
    EXPECT_EQ(c.FullName(), "next");

    // Bit 11 with bytes that are not UTF-8 falls back to code page 437.
    EXPECT_EQ(DecodeZipText("\x82t\xe9", true), "étΘ");
    EXPECT_EQ(DecodeZipText("caf\xc3\xa9", true), "café");
    EXPECT_EQ(DecodeZipText("caf\xc3\xa9", false), "caf├⌐");
    // Kept names and comments are written back as they were stored.
    TMemoryStream again;
    s.SetPosition(0);
    ASSERT_TRUE(ReadCentralEntry(s, c));
    c.ExtraFieldLength = 0;
    WriteCentralEntry(again, c);
    EXPECT_EQ(again.AsString(), CentralEntry("dir\\\x81"
                                             "ber.txt",
                                             0, "", "note"));
    c.SetComment("ünïcode"); // a new text that needs UTF-8: the name goes as UTF-8 too
    TMemoryStream fresh;
    WriteCentralEntry(fresh, c);
    EXPECT_TRUE(c.Flags & zfUtf8);
    fresh.SetPosition(0);
    TZipHeaderInfo d;
    ASSERT_TRUE(ReadCentralEntry(fresh, d));
    EXPECT_EQ(d.FullName(), "dir/über.txt");
    EXPECT_EQ(d.Comment(), "ünïcode");

    // An extra field that runs past the end fails the read.
    std::string cut = CentralEntry("a", 0, std::string(50, 'x'), "");
    TMemoryStream t(cut.substr(0, cut.size() - 10));
    EXPECT_FALSE(ReadCentralEntry(t, c));
}

TEST(ZipRecords, FindsTheEndRecord) {
    TEndCentral e;
    TMemoryStream tiny(std::string(21, '\0'));
    EXPECT_FALSE(FindEndCentral(tiny, e));

    // The longest comment still leaves the record inside the searched block.
    std::string comment(65535, 'c');
    std::string archive = std::string(100, 'z') + EndRecord(3, 46, 7, comment);
    TMemoryStream s(archive);
    s.SetPosition(5);
    ASSERT_TRUE(FindEndCentral(s, e));
    EXPECT_EQ(s.Position(), 5);
    EXPECT_EQ(e.TotalEntries, 3);
    EXPECT_EQ(e.CentralSize, 46u);
    EXPECT_EQ(e.CentralOffset, 7u);
    EXPECT_EQ(e.Comment(), comment);
    EXPECT_EQ(e.RecordPosition, 100u);
    EXPECT_EQ(e.EndPosition, uint32_t(archive.size() - comment.size()));

    // A comment that holds a record of its own: the record whose directory ends where it
    // begins wins.
    std::string fake = EndRecord(9, 0, 0, "");
    TMemoryStream f(std::string(10, 'd') + EndRecord(1, 10, 0, fake));
    ASSERT_TRUE(FindEndCentral(f, e));
    EXPECT_EQ(e.TotalEntries, 1);
    EXPECT_FALSE(HasZip64Locator(f, e));

    // Bytes after the record: it is still found.
    TMemoryStream g(EndRecord(4, 0, 0, "") + "trailing");
    ASSERT_TRUE(FindEndCentral(g, e));
    EXPECT_EQ(e.TotalEntries, 4);

    TEndCentral w;
    w.TotalEntries = w.EntriesThisDisk = 2;
    w.SetComment("archive note");
    TMemoryStream out;
    WriteEndCentral(out, w);
    EXPECT_EQ(out.Size(), EndCentralSize + 12);
    ASSERT_TRUE(FindEndCentral(out, e));
    EXPECT_EQ(e.Comment(), "archive note");
}

TEST(ZipRecords, SortModes) {
    auto make = [](const std::string& name, uint32_t offset, uint32_t csize, uint32_t usize,
                   TDateTime date) {
        auto h = std::make_shared<TZipHeaderInfo>();
        h->SetFullName(name);
        h->LocalHeaderOffset = offset;
        h->CompressedSize = csize;
        h->UncompressedSize = usize;
        h->DateTime = DateTimeToDosDateTime(date);
        return h;
    };
    TDateTime d = EncodeDate(2020, 5, 1);
    auto a = make("b/Zeta.txt", 300, 50, 100, d);
    auto b = make("a/alpha.txt", 100, 10, 100, d + 2);
    auto c = make("c/Alpha.txt", 200, 50, 100, d);
    auto order = [&](TZipSortMode mode) {
        TSortedZip l(mode);
        for (auto& h : {a, b, c})
            l.Add(h);
        std::string names;
        for (int i = 0; i < l.Count(); ++i)
            names += l.Header(i)->FileName() + " ";
        return names;
    };
    EXPECT_EQ(order(TZipSortMode::ByNone), "alpha.txt Alpha.txt Zeta.txt ");
    EXPECT_EQ(order(TZipSortMode::ByName), "alpha.txt Zeta.txt Alpha.txt ");
    EXPECT_EQ(order(TZipSortMode::ByFileName), "Alpha.txt alpha.txt Zeta.txt ");
    EXPECT_EQ(order(TZipSortMode::ByDate), "alpha.txt Zeta.txt Alpha.txt "); // ties in order
    EXPECT_EQ(order(TZipSortMode::ByCompressedSize), "Zeta.txt Alpha.txt alpha.txt ");
    EXPECT_EQ(order(TZipSortMode::ByRate), "Zeta.txt Alpha.txt alpha.txt ");
    EXPECT_EQ(CompressionRate(*a), 50);

    // Names that differ only in case are different entries.
    TSortedZip byName(TZipSortMode::ByName, dupError);
    byName.Add(b);
    EXPECT_NO_THROW(byName.Add(make("a/ALPHA.txt", 0, 0, 0, d)));
    EXPECT_THROW(byName.Add(make("a/alpha.txt", 0, 0, 0, d)), EListError);
    EXPECT_EQ(byName.IndexOfName("a/ALPHA.txt"), 0);
}

TEST(ZipNames, SafeNames) {
    for (const char* ok : {"a.txt", "dir/file", "dir/sub/", "a..b", "..x/y", "./x"})
        EXPECT_TRUE(IsSafeEntryName(ok)) << ok;
    for (const char* bad : {"", "../x", "a/../../x", "a/..", "..", "/etc/passwd", "C:/x", "c:x"})
        EXPECT_FALSE(IsSafeEntryName(bad)) << bad;
    EXPECT_FALSE(IsSafeEntryName(std::string("a\0b", 3)));
}

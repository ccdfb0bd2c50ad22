// Archives split over several files by Info-ZIP (zip -s), read through the host's answers for
// each disk.

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

#include "testutil.h"
#include "zip/zipcomponent.h"
#include "ziptestutil.h"

namespace fs = std::filesystem;

namespace {

// Bytes that do not compress, so that an entry's data runs over a disk's end.
std::string Noise(size_t n) {
    std::string s(n, '\0');
    uint32_t x = 2463534242u;
    for (char& c : s) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = char(x);
    }
    return s;
}

// Three entries whose data runs over disk ends, and enough small ones with long names that the
// central directory starts on one disk and ends on the next; split into 64 KiB disks.
struct TSplitArchive {
    TempDir dir;
    std::map<std::string, std::string> files;
    std::vector<std::string> disks; // a.z01, a.z02, ..., a.zip

    TSplitArchive() {
        files["big1.bin"] = Noise(150000);
        files["big2.bin"] = SampleBinary(90000, 2);
        files["text.txt"] = SampleText(200000);
        for (int i = 0; i < 500; ++i)
            files[Format("small/entry-with-a-rather-long-name-to-fill-the-directory-%03d.txt", i)] =
                "entry " + std::to_string(i);
        WriteSampleFiles(dir.File("src"), files);
    }
    // False when zip is missing or fails.
    bool Split() {
        if (!HaveTool("zip"))
            return false;
        TCommandResult r = RunCommand("cd " + ShellQuote(dir.File("src")) +
                                      " && zip -q -r -D -s 64k ../a.zip big1.bin big2.bin "
                                      "text.txt small");
        if (r.ExitCode != 0)
            return false;
        for (int n = 1; fs::exists(dir.File(Format("a.z%02d", n))); ++n)
            disks.push_back(dir.File(Format("a.z%02d", n)));
        disks.push_back(dir.File("a.zip"));
        return true;
    }
    // A reader on the last disk that answers each question with the disk's file and records
    // the disk numbers asked.
    void Answer(TSuperUnZip& unzip, std::vector<int>& asked) {
        unzip.SetZipName(disks.back());
        unzip.OnGetNextDisk = [this, &asked](TSuperUnZip&, int disk, std::string& name) {
            asked.push_back(disk);
            name = disks.at(size_t(disk - 1));
        };
    }
};

} // namespace

TEST(ZipSpanned, ReadsEveryEntryAcrossTheDisks) {
    TSplitArchive a;
    if (!a.Split())
        GTEST_SKIP() << "Info-ZIP zip is missing";
    ASSERT_GE(a.disks.size(), 3u);

    TSuperUnZip unzip;
    std::vector<int> asked;
    a.Answer(unzip, asked);
    ASSERT_EQ(unzip.Count(), int(a.files.size()));
    EXPECT_EQ(unzip.NumberOfDisks(), int(a.disks.size()));
    EXPECT_FALSE(asked.empty()); // the directory starts on an earlier disk

    // The entries are taken in the order of the disks, each disk asked for once.
    asked.clear();
    unzip.SetSortMode(TZipSortMode::ByName);
    unzip.SetDestDir(a.dir.File("out"));
    unzip.DoAll = true;
    unzip.RecreateDirs = true;
    EXPECT_EQ(unzip.UnZip(), int(a.files.size()));
    EXPECT_EQ(ReadTree(a.dir.File("out")), a.files);
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.front(), 1);
    for (size_t i = 1; i < asked.size(); ++i)
        EXPECT_LT(asked[i - 1], asked[i]);
    EXPECT_EQ(unzip.FileName(0), "big1.bin"); // the sorted view is back

    // One entry into a stream, from the disk the reader stands on.
    TMemoryStream out;
    EXPECT_EQ(unzip.UnzipEntryToStream(out, "big2.bin"), 1);
    EXPECT_EQ(out.AsString(), a.files["big2.bin"]);

    // The writer leaves split archives alone.
    const std::string refused = "Archives split over several disks cannot be updated";
    const std::string lastDisk = ReadFileBytes(a.disks.back());
    TSuperZip zip;
    zip.SetZipName(a.disks.back());
    zip.OnGetNextDisk = unzip.OnGetNextDisk;
    zip.FilesList.Add(a.dir.File("src/text.txt"));
    EXPECT_EQ(MessageOf<EZipError>([&] { zip.Zip(); }), refused);
    EXPECT_EQ(ReadFileBytes(a.disks.back()), lastDisk);
    // A comment change was marked and then refused at every later change of name: it is
    // refused at once, and the writer can move on.
    EXPECT_EQ(MessageOf([&] { zip.SetZipComment("new"); }), refused);
    EXPECT_EQ(MessageOf([&] { zip.SetFileComment(0, "new"); }), refused);
    EXPECT_EQ(zip.FileComment(0), "");
    EXPECT_NO_THROW(zip.SetZipName(a.dir.File("other.zip")));
    EXPECT_EQ(zip.ZipName(), a.dir.File("other.zip"));
}

TEST(ZipSpanned, EmptyAnswerCancelsAndAMissingFileIsAskedForAgain) {
    TSplitArchive a;
    if (!a.Split())
        GTEST_SKIP() << "Info-ZIP zip is missing";
    auto canceled = [](TSuperUnZip& unzip) {
        try {
            unzip.Count();
        } catch (const EUserCanceled& e) {
            return std::string(e.what());
        }
        return std::string("read");
    };
    {
        TSuperUnZip unzip; // no handler
        unzip.SetZipName(a.disks.back());
        EXPECT_EQ(canceled(unzip), "User canceled loading new disk.");
    }
    TSuperUnZip unzip;
    unzip.SetZipName(a.disks.back());
    unzip.OnGetNextDisk = [&](TSuperUnZip&, int, std::string& name) { EXPECT_EQ(name, ""); };
    EXPECT_EQ(canceled(unzip), "User canceled loading new disk.");

    // Asked for the disk holding big1.bin: a name that does not exist, then the right one.
    std::vector<int> asked;
    unzip.SetZipName(a.disks.back());
    unzip.OnGetNextDisk = [&](TSuperUnZip&, int disk, std::string& name) {
        asked.push_back(disk);
        if (disk == 1 && std::count(asked.begin(), asked.end(), 1) == 1)
            name = a.dir.File("gone.z01");
        else
            name = a.disks.at(size_t(disk - 1));
    };
    TMemoryStream out;
    EXPECT_EQ(unzip.UnzipEntryToStream(out, "big1.bin"), 1);
    EXPECT_EQ(out.AsString(), a.files["big1.bin"]);
    EXPECT_EQ(std::count(asked.begin(), asked.end(), 1), 2);
}

// The last disk cut short, its end record kept: in the central directory, and (a size that says
// so) in an entry's data. Either is damage, and no disk after the last is asked for.
TEST(ZipSpanned, ATruncatedLastDiskIsDamage) {
    TSplitArchive a;
    if (!a.Split())
        GTEST_SKIP() << "Info-ZIP zip is missing";
    const int disks = int(a.disks.size());
    std::vector<int> asked;
    auto reader = [&](TSuperUnZip& unzip) {
        unzip.SetZipName(a.disks.back());
        unzip.OnGetNextDisk = [&](TSuperUnZip&, int disk, std::string& name) {
            asked.push_back(disk);
            if (disk <= disks)
                name = a.disks[size_t(disk - 1)];
        };
    };
    const std::string last = ReadFileBytes(a.disks.back());
    const size_t end = last.rfind(std::string("PK\x05\x06", 4));
    ASSERT_GT(end, 1000u);
    WriteFileBytes(a.disks.back(), last.substr(0, end - 1000) + last.substr(end));
    {
        TSuperUnZip unzip;
        reader(unzip);
        EXPECT_EQ(MessageOf<EZipError>([&] { unzip.Count(); }),
                  "The zip archive is damaged: its central directory is cut short");
    }

    // A small stored entry whose central entry on the last disk says 200,000 bytes.
    std::string bytes = last;
    const size_t central = bytes.rfind(std::string("PK\x01\x02", 4));
    ASSERT_EQ(Get16(bytes, central + 10), 0); // stored
    const std::string name = bytes.substr(central + CentralHeaderSize, Get16(bytes, central + 28));
    Put32(bytes, central + 20, 200000);
    Put32(bytes, central + 24, 200000);
    WriteFileBytes(a.disks.back(), bytes);
    TSuperUnZip unzip;
    reader(unzip);
    TMemoryStream out;
    EXPECT_EQ(MessageOf<EZipError>([&] { unzip.UnzipEntryToStream(out, name); }),
              "The zip archive is damaged: the data of \"" + name +
                  "\" runs past the end of the archive");
    EXPECT_FALSE(asked.empty());
    for (int disk : asked)
        EXPECT_LE(disk, disks);
}

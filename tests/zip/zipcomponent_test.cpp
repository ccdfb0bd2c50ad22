// The archive components on files: adding, updating, extracting, their options and events.

#include "zip/zipcomponent.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>

#include "codectestutil.h"
#include "platform/fileutils.h"
#include "testutil.h"
#include "zip/crc32.h"
#include "zip/zipcrypto.h"
#include "zip/zipstream.h"
#include "ziptestutil.h"

namespace fs = std::filesystem;

namespace {

// A folder with the sample files, an archive name and an extraction folder.
struct TZipFixture {
    TempDir dir;
    std::string src = dir.File("src");
    std::string zipName = dir.File("a.zip");
    std::string out = dir.File("out");
    std::map<std::string, std::string> files = SampleFiles();

    TZipFixture() { WriteSampleFiles(src, files); }

    // Zips the whole source folder with relative paths; returns the count added.
    int ZipAll(TSuperZip& zip) {
        zip.SetZipName(zipName);
        zip.SetRootDir(src);
        zip.SetRelativePaths(true);
        zip.FilesList.Clear();
        zip.FilesList.Add(src + "/*");
        return zip.Zip();
    }
    int ZipAll(const std::string& password = "") {
        TSuperZip zip;
        zip.Password = password;
        zip.RandomByte = SeededRandomByte(1);
        return ZipAll(zip);
    }
    int UnzipAll(TSuperUnZip& unzip) {
        unzip.SetZipName(zipName);
        unzip.SetDestDir(out);
        unzip.DoAll = true;
        unzip.RecreateDirs = true;
        return unzip.UnZip();
    }
};

std::vector<std::string> Names(TSuperUnZip& z) {
    std::vector<std::string> names;
    for (int i = 0; i < z.Count(); ++i)
        names.push_back(z.FileName(i));
    return names;
}

} // namespace

TEST(ZipComponent, ZipsAndUnzipsAFolder) {
    TZipFixture f;
    TSuperZip zip;
    std::vector<std::string> ended;
    zip.OnEndZip = [&](TSuperZip&, const std::string& name, uint32_t usize, uint32_t, int64_t) {
        ended.push_back(ExtractFileName(name) + ":" + std::to_string(usize));
    };
    int zipTotal = -1;
    zip.OnTotalPercentDone = [&](TSuperUnZip&, int p) {
        EXPECT_GE(p, zipTotal);
        zipTotal = p;
    };
    EXPECT_EQ(f.ZipAll(zip), 5);
    EXPECT_EQ(zipTotal, 100);
    EXPECT_EQ(ended.size(), 5u);
    EXPECT_EQ(ended[0], "Grüße.txt:15");

    TSuperUnZip unzip;
    unzip.SetZipName(f.zipName);
    EXPECT_EQ(Names(unzip), (std::vector<std::string>{"Grüße.txt", "data.bin", "empty.dat",
                                                      "notes.txt", "sub/dir/nested.bin"}));
    unzip.SetSortMode(TZipSortMode::ByUnCompressedSize);
    EXPECT_EQ(unzip.FileName(0), "data.bin");
    EXPECT_THROW(unzip.FileName(5), EListError);

    int starts = 0, lastTotal = -1;
    int64_t announced = 0;
    unzip.OnStartUnZipInfo = [&](TSuperUnZip&, int n, int64_t bytes, bool&) {
        starts = n;
        announced = bytes;
    };
    unzip.OnTotalPercentDone = [&](TSuperUnZip&, int p) {
        EXPECT_GE(p, lastTotal);
        lastTotal = p;
    };
    unzip.OnEndUnZip = [](TSuperUnZip& z, int, const std::string&) {
        EXPECT_THROW(z.SetSortMode(TZipSortMode::ByName), EZipError); // busy
        EXPECT_THROW(z.UnZip(), EZipError);
    };
    EXPECT_EQ(f.UnzipAll(unzip), 5);
    EXPECT_EQ(starts, 5);
    EXPECT_EQ(announced, 83015);
    EXPECT_EQ(lastTotal, 100);
    EXPECT_EQ(Listing(ReadTree(f.out)), Listing(f.files));
}

// After a zip the writer lists its entries by name, or in the order it was given; a reader of
// the same archive lists them in physical order.
TEST(ZipComponent, AZipListsItsEntriesByNameUnlessGivenAnOrder) {
    TZipFixture f;
    TSuperZip zip;
    zip.SetZipName(f.zipName);
    for (const char* name : {"notes.txt", "data.bin", "empty.dat"})
        zip.FilesList.Add(f.src + "/" + name);
    ASSERT_EQ(zip.Zip(), 3);
    EXPECT_EQ(Names(zip), (std::vector<std::string>{"data.bin", "empty.dat", "notes.txt"}));
    TSuperUnZip unzip;
    unzip.SetZipName(f.zipName);
    EXPECT_EQ(Names(unzip), (std::vector<std::string>{"notes.txt", "data.bin", "empty.dat"}));

    TSuperZip sized;
    sized.SetZipName(f.zipName);
    sized.SetSortMode(TZipSortMode::ByUnCompressedSize);
    TMemoryStream s(std::string("streamed"));
    ASSERT_EQ(sized.ZipStreamEntry(s, "a.txt"), 1);
    EXPECT_EQ(Names(sized),
              (std::vector<std::string>{"data.bin", "notes.txt", "a.txt", "empty.dat"}));
}

TEST(ZipComponent, StoredPaths) {
    TZipFixture f;
    auto stored = [&](bool storePaths, bool relative, const std::string& root) {
        fs::remove(f.zipName);
        TSuperZip zip;
        zip.SetZipName(f.zipName);
        zip.SetStorePaths(storePaths);
        zip.SetRelativePaths(relative);
        zip.SetRootDir(root);
        zip.Recurse = true;
        zip.FilesList.Add(f.src + "/sub/*.bin");
        zip.Zip();
        return zip.FileName(0);
    };
    EXPECT_EQ(stored(false, false, ""), "nested.bin");
    EXPECT_EQ(stored(true, false, ""), f.src.substr(1) + "/sub/dir/nested.bin");
    EXPECT_EQ(stored(true, true, f.src + "/sub"), "dir/nested.bin");
    EXPECT_EQ(stored(true, true, "/elsewhere"), f.src.substr(1) + "/sub/dir/nested.bin");
    fs::path old = fs::current_path();
    fs::current_path(f.dir.Path());
    EXPECT_EQ(stored(true, true, "src"), "sub/dir/nested.bin"); // a relative root
    fs::current_path(old);
}

// StoreVolumes and Store83Names store the names as the file system lists them (no drives, no
// short names here); Dispose and its event remove nothing.
TEST(ZipComponent, VolumesAndShortNamesStoreTheListedNames) {
    TZipFixture f;
    TSuperZip links;
    links.SetStoreVolumes(true);
    EXPECT_TRUE(links.StorePaths());
    links.SetRelativePaths(true);
    links.SetStorePaths(false);
    EXPECT_FALSE(links.StoreVolumes());
    EXPECT_FALSE(links.RelativePaths());
    links.SetStorePaths(true);
    links.SetStoreVolumes(false);
    EXPECT_TRUE(links.StorePaths());
    EXPECT_FALSE(links.StoreVolumes());

    const std::string file = f.src + "/Long Folder Name/A long file name.text";
    fs::create_directories(ExtractFilePath(file));
    WriteFileBytes(file, "long names");
    auto stored = [&](bool paths, bool volumes, bool shortNames) {
        fs::remove(f.zipName);
        TSuperZip zip;
        zip.SetZipName(f.zipName);
        zip.SetStorePaths(paths);
        zip.SetStoreVolumes(volumes);
        zip.Store83Names = shortNames;
        zip.Dispose = true;
        zip.OnDisposeFile = zip.OnDeleteEntry = [](TSuperZip&, const std::string&, bool&) {
            ADD_FAILURE() << "fired";
        };
        zip.ZipAction = zaReplace;
        for (int pass = 0; pass < 2; ++pass) { // the second pass replaces the entry
            zip.FilesList.Clear();
            zip.FilesList.Add(file);
            EXPECT_EQ(zip.Zip(), 1);
        }
        EXPECT_EQ(zip.Count(), 1);
        return zip.FileName(0);
    };
    EXPECT_EQ(stored(false, false, true), "A long file name.text");
    EXPECT_EQ(stored(true, false, true), file.substr(1));
    EXPECT_EQ(stored(false, true, false), file.substr(1)); // StoreVolumes sets StorePaths
    EXPECT_EQ(stored(true, true, true), file.substr(1));
    EXPECT_EQ(ReadFileBytes(file), "long names");
}

TEST(ZipComponent, MasksSelectEntries) {
    TZipFixture f;
    f.ZipAll();
    auto extract = [&](std::initializer_list<std::string> masks, bool doAll = false) {
        fs::remove_all(f.out);
        fs::create_directories(f.out);
        TSuperUnZip unzip;
        unzip.SetZipName(f.zipName);
        unzip.SetDestDir(f.out);
        for (const auto& m : masks)
            unzip.FilesList.Add(m);
        unzip.DoAll = doAll;
        unzip.UnZip();
        std::string names;
        for (const auto& [name, bytes] : ReadTree(f.out))
            names += name + " ";
        return names;
    };
    EXPECT_EQ(extract({"*.TXT"}), "Grüße.txt notes.txt ");
    EXPECT_EQ(extract({"nested.bin"}), "nested.bin ");  // the file name alone
    EXPECT_EQ(extract({"sub/*.bin"}), "nested.bin ");   // the whole stored name
    EXPECT_EQ(extract({"sub\\dir\\*"}), "nested.bin "); // backslashes count as slashes
    EXPECT_EQ(extract({"dir/*"}), "");
    EXPECT_EQ(extract({"nomatch"}, true), "Grüße.txt data.bin empty.dat nested.bin notes.txt ");
}

// Directory entries were made only with DoAll: a mask that selects a folder's files left its
// empty folders out. With RecreateDirs a mask selects them as it selects files.
TEST(ZipComponent, MasksSelectDirectoryEntriesWithRecreateDirs) {
    TempDir dir;
    WriteSampleFiles(dir.File("src"), {{"docs/a.txt", "a"}, {"top.txt", "top"}});
    fs::create_directories(dir.File("src/docs/empty"));
    fs::create_directories(dir.File("src/other/empty"));
    if (!HaveTool("zip") || RunCommand("cd " + ShellQuote(dir.File("src")) +
                                       " && zip -q -r ../a.zip docs other top.txt")
                                    .ExitCode != 0)
        GTEST_SKIP() << "Info-ZIP zip is missing";
    auto extract = [&](const std::string& mask, bool recreate) {
        fs::remove_all(dir.File("out"));
        TSuperUnZip unzip;
        unzip.SetZipName(dir.File("a.zip"));
        unzip.SetDestDir(dir.File("out"));
        unzip.RecreateDirs = recreate;
        unzip.FilesList.Add(mask);
        unzip.UnZip();
        std::set<std::string> made;
        for (const auto& e : fs::recursive_directory_iterator(dir.File("out")))
            made.insert(fs::relative(e.path(), dir.File("out")).string());
        return made;
    };
    using Names = std::set<std::string>;
    EXPECT_EQ(extract("docs/*", true), (Names{"docs", "docs/a.txt", "docs/empty"}));
    EXPECT_EQ(extract("*", true),
              (Names{"docs", "docs/a.txt", "docs/empty", "other", "other/empty", "top.txt"}));
    EXPECT_EQ(extract("*.txt", true), (Names{"docs", "docs/a.txt", "top.txt"}));
    EXPECT_EQ(extract("docs/*", false), (Names{"a.txt"}));

    // Into a stream goes the first file the mask selects, never a folder.
    TSuperUnZip unzip;
    unzip.SetZipName(dir.File("a.zip"));
    unzip.RecreateDirs = true;
    TMemoryStream out;
    EXPECT_EQ(unzip.UnzipEntryToStream(out, "docs/*"), 1);
    EXPECT_EQ(out.AsString(), "a");
}

// A name the archive does not hold extracts nothing into a stream and says so by its count;
// the one-entry container, which must give its data or raise, raises.
TEST(ZipComponent, AMissingEntryExtractsNothingIntoAStream) {
    TZipFixture f;
    f.ZipAll();
    TSuperUnZip unzip;
    unzip.SetZipName(f.zipName);
    int announced = -1;
    unzip.OnStartUnZipInfo = [&](TSuperUnZip&, int files, int64_t, bool&) { announced = files; };
    TMemoryStream out(std::string("kept"));
    EXPECT_EQ(unzip.UnzipEntryToStream(out, "missing.txt"), 0);
    EXPECT_EQ(announced, 0);
    EXPECT_EQ(out.AsString(), "kept");

    TMemoryStream image(ReadFileBytes(f.zipName)), dest;
    EXPECT_EQ(MessageOf<EZipError>([&] { DecompressStreamTo(image, dest, ""); }),
              "The zip archive has no entry named \"ZIPDATA\"");
    EXPECT_EQ(dest.Size(), 0);
}

TEST(ZipComponent, OverwriteModes) {
    TZipFixture f;
    f.ZipAll();
    fs::create_directories(f.out);
    WriteFileBytes(f.out + "/notes.txt", "mine");
    auto run = [&](TUZOverwriteMode mode, TSuperUnZip& unzip) {
        unzip.SetZipName(f.zipName);
        unzip.SetDestDir(f.out);
        unzip.FilesList.Add("notes.txt");
        unzip.OverwriteMode = mode;
        return unzip.UnZip();
    };
    {
        TSuperUnZip unzip;
        int skipped = 0;
        unzip.OnSkippingFile = [&](TSuperUnZip&, TSkipReason r, int) {
            EXPECT_EQ(r, srNoOverwrite);
            ++skipped;
        };
        EXPECT_EQ(run(TUZOverwriteMode::Never, unzip), 0);
        EXPECT_EQ(skipped, 1);
    }
    {
        TSuperUnZip unzip; // Prompt without a handler keeps the file
        EXPECT_EQ(run(TUZOverwriteMode::Prompt, unzip), 0);
    }
    EXPECT_EQ(ReadFileBytes(f.out + "/notes.txt"), "mine");
    {
        TSuperUnZip unzip;
        unzip.OnPromptForOverwrite = [&](TSuperUnZip&, bool& yes, int, std::string& name) {
            yes = true;
            name = f.out + "/renamed.txt";
        };
        EXPECT_EQ(run(TUZOverwriteMode::Prompt, unzip), 1);
        EXPECT_EQ(ReadFileBytes(f.out + "/renamed.txt"), f.files["notes.txt"]);
        EXPECT_EQ(ReadFileBytes(f.out + "/notes.txt"), "mine");
    }
    {
        TSuperUnZip unzip;
        EXPECT_EQ(run(TUZOverwriteMode::Always, unzip), 1);
        EXPECT_EQ(ReadFileBytes(f.out + "/notes.txt"), f.files["notes.txt"]);
    }
}

TEST(ZipComponent, PasswordsAndRetries) {
    TZipFixture f;
    f.ZipAll("right");
    ASSERT_FALSE(CheckByteAdmits(ReadFileBytes(f.zipName), "wrong"));
    {
        TSuperUnZip unzip; // no handler: each entry is skipped
        unzip.Password = "wrong";
        EXPECT_EQ(f.UnzipAll(unzip), 0);
        EXPECT_FALSE(fs::exists(f.out + "/notes.txt"));
    }
    {
        TSuperUnZip unzip; // skipped entries lower the count
        unzip.Password = "wrong";
        int skipped = 0;
        unzip.OnSkippingFile = [&](TSuperUnZip&, TSkipReason r, int) {
            EXPECT_EQ(r, srBadPassword);
            ++skipped;
        };
        unzip.FilesList.Add("*.bin");
        unzip.SetZipName(f.zipName);
        unzip.SetDestDir(f.out);
        EXPECT_EQ(unzip.UnZip(), 0);
        EXPECT_EQ(skipped, 2);
        EXPECT_FALSE(fs::exists(f.out + "/data.bin"));
    }
    // A wrong password whose check byte happens to fit gets as far as decoding; asking again
    // must start that entry afresh with its full size.
    std::string archive = ReadFileBytes(f.zipName);
    TSuperUnZip probe;
    probe.SetZipName(f.zipName);
    TZipHeaderPtr data;
    for (int i = 0; i < probe.Count(); ++i)
        if (probe.FileName(i) == "data.bin")
            data = probe.Entry(i);
    ASSERT_EQ(data->FullName(), "data.bin");
    size_t at = data->LocalHeaderOffset + 30 + data->FileNameLength();
    const auto* header = reinterpret_cast<const uint8_t*>(archive.data() + at);
    std::string lucky;
    for (int i = 0; lucky.empty(); ++i) {
        TZipCrypto c;
        std::string pw = "guess" + std::to_string(i);
        if (c.CheckHeader(pw, header,
                          TZipCrypto::CheckByte(data->Flags, data->CRC, data->DateTime)))
            lucky = pw;
    }
    for (const std::string& first : {std::string("wrong"), lucky}) {
        TSuperUnZip unzip;
        unzip.Password = first;
        std::vector<int> asked;
        unzip.OnBadPassword = [&](TSuperUnZip&, int index, std::string& pw) {
            asked.push_back(index);
            pw = "right";
        };
        unzip.FilesList.Add("data.bin");
        unzip.SetZipName(f.zipName);
        unzip.SetDestDir(f.out);
        EXPECT_EQ(unzip.UnZip(), 1) << first;
        EXPECT_EQ(asked.size(), 1u);
        EXPECT_EQ(ReadFileBytes(f.out + "/data.bin"), f.files["data.bin"]);
        fs::remove(f.out + "/data.bin");
    }
}

// The same into a stream: the entry starts afresh where the stream stood, and what the wrong
// key decoded is gone.
TEST(ZipComponent, PasswordRetryIntoAStreamStartsAfresh) {
    const TBytes noise = RandomBytes(20000, 31);
    TMemoryStream payload(std::string(noise.begin(), noise.end())), image;
    CompressStreamTo(payload, image, "right");
    TMemoryUnZip probe(image);
    const TZipHeaderPtr e = probe.Entry(0);
    ASSERT_EQ(e->Method, 0); // stored: every byte the wrong key gives reaches the stream
    const std::string bytes = image.AsString();
    const auto* header = reinterpret_cast<const uint8_t*>(bytes.data() + 30 + e->FileNameLength());
    std::string lucky;
    for (int i = 0; lucky.empty(); ++i) {
        TZipCrypto c;
        if (c.CheckHeader("guess" + std::to_string(i), header,
                          TZipCrypto::CheckByte(e->Flags, e->CRC, e->DateTime)))
            lucky = "guess" + std::to_string(i);
    }
    TMemoryUnZip unzip(image);
    unzip.Password = lucky;
    int asked = 0;
    unzip.OnBadPassword = [&](TSuperUnZip&, int, std::string& pw) {
        ++asked;
        pw = "right";
    };
    TMemoryStream out(std::string("head"));
    out.SetPosition(out.Size());
    EXPECT_EQ(unzip.UnzipEntryToStream(out, "ZIPDATA"), 1);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(out.AsString(), "head" + payload.AsString());
}

// Without handlers a wrong password and a CRC mismatch skip their entry only; the in-memory
// container still raises and leaves its destination as it was.
TEST(ZipComponent, FailedEntriesWithoutHandlersAreSkipped) {
    TempDir dir;
    const std::map<std::string, std::string> files = {
        {"a.txt", SampleText(5000)}, {"b.txt", SampleText(6000)}, {"c.txt", SampleText(7000)}};
    WriteSampleFiles(dir.File("src"), files);
    const std::map<std::string, std::string> outer = {*files.begin(), *files.rbegin()};
    auto unzipAll = [&](const std::string& archive, const std::string& out) {
        TSuperUnZip unzip;
        unzip.SetZipName(archive);
        EXPECT_EQ(Names(unzip), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
        unzip.SetDestDir(dir.File(out));
        unzip.DoAll = true;
        unzip.Password = "right";
        EXPECT_EQ(unzip.UnZip(), 2);
        EXPECT_EQ(ReadTree(dir.File(out)), outer);
    };
    TFakeZipPromptsGuard prompts;
    const std::string locked = dir.File("locked.zip");
    for (const auto& [name, password] :
         {std::pair{"a.txt", "right"}, {"b.txt", "other"}, {"c.txt", "right"}}) {
        TSuperZip zip;
        zip.Password = password;
        zip.RandomByte = SeededRandomByte(2);
        zip.SetZipName(locked);
        zip.FilesList.Add(dir.File("src/") + name);
        ASSERT_EQ(zip.Zip(), 1);
    }
    unzipAll(locked, "out1");

    // The middle entry's CRC, as its central entry gives it, is wrong.
    const std::string plain = dir.File("plain.zip");
    std::string bytes;
    {
        TSuperZip zip;
        zip.SetZipName(plain);
        for (const auto& [name, content] : files)
            zip.FilesList.Add(dir.File("src/") + name);
        ASSERT_EQ(zip.Zip(), 3);
        bytes = ReadFileBytes(plain);
        const size_t central = bytes.rfind("b.txt") - CentralHeaderSize;
        ASSERT_EQ(Get32(bytes, central), CentralHeaderSignature);
        Put32(bytes, central + 16, Get32(bytes, central + 16) ^ 1);
        WriteFileBytes(plain, bytes);
    }
    unzipAll(plain, "out2");
    TSuperUnZip unzip;
    unzip.SetZipName(plain);
    TMemoryStream stream;
    EXPECT_EQ(unzip.UnzipEntryToStream(stream, "b.txt"), 0);
    EXPECT_EQ(stream.AsString(), files.at("b.txt")); // what was written is kept
    EXPECT_TRUE(prompts->Asked.empty());

    TMemoryStream payload(std::string("payload")), image, dest(std::string("kept"));
    CompressStreamTo(payload, image, "");
    bytes = image.AsString();
    Put32(bytes, bytes.rfind("ZIPDATA") - CentralHeaderSize + 16, 0);
    TMemoryStream damaged(bytes);
    dest.SetPosition(dest.Size());
    EXPECT_EQ(MessageOf<EZipError>([&] { DecompressStreamTo(damaged, dest, ""); }),
              "CRC error in \"ZIPDATA\": the entry is damaged");
    EXPECT_EQ(dest.AsString(), "kept");
}

TEST(ZipComponent, UpdateActionsAndDuplicates) {
    TZipFixture f;
    FixedClock clock(EncodeDateTime(2024, 6, 1, 9, 0, 0, 0));
    TSuperZip zip;
    zip.SetZipName(f.zipName);
    zip.FilesList.Add(f.src + "/notes.txt");
    zip.FilesList.Add(f.src + "/notes.txt");
    int skipped = 0;
    zip.OnSkippingFile = [&](TSuperUnZip&, TSkipReason, int) { ++skipped; };
    EXPECT_EQ(zip.Zip(), 1); // the same name twice adds one entry
    EXPECT_EQ(skipped, 1);

    WriteFileBytes(f.src + "/notes.txt", "changed");
    auto update = [&](TZipAction action, std::initializer_list<std::string> names) {
        TSuperZip z;
        z.SetZipName(f.zipName);
        z.ZipAction = action;
        for (const auto& n : names)
            z.FilesList.Add(f.src + "/" + n);
        int n = z.Zip();
        TMemoryStream content;
        z.UnzipEntryToStream(content, "notes.txt");
        return std::to_string(n) + " " + std::to_string(z.Count()) + " " +
               content.AsString().substr(0, 7);
    };
    // Dated today: kept by update and freshen; freshen adds no new names.
    EXPECT_EQ(update(zaUpdate, {"notes.txt"}), "0 1 remind ");
    EXPECT_EQ(update(zaFreshen, {"notes.txt", "data.bin"}), "0 1 remind ");
    clock.Set(EncodeDateTime(2024, 6, 2, 9, 0, 0, 0));
    EXPECT_EQ(update(zaFreshen, {"notes.txt", "data.bin"}), "1 1 changed");
    WriteFileBytes(f.src + "/notes.txt", "again!!");
    EXPECT_EQ(update(zaReplace, {"notes.txt", "data.bin"}), "2 2 again!!");

    // A stream always replaces its entry.
    TSuperZip z;
    z.SetZipName(f.zipName);
    TMemoryStream s(std::string("streamed"));
    EXPECT_EQ(z.ZipStreamEntry(s, "notes.txt"), 1);
    TMemoryStream back;
    z.UnzipEntryToStream(back, "notes.txt");
    EXPECT_EQ(back.AsString(), "streamed");
    EXPECT_EQ(z.Count(), 2);
}

TEST(ZipComponent, FailedUpdateLeavesTheArchiveAsItWas) {
    TZipFixture f;
    f.ZipAll();
    std::string before = ReadFileBytes(f.zipName);
    TSuperZip zip;
    zip.SetZipName(f.zipName);
    zip.FilesList.Add(f.src + "/data.bin");
    zip.ZipAction = zaReplace;
    zip.OnEndZip = [](TSuperZip&, const std::string&, uint32_t, uint32_t, int64_t) {
        throw Exception("disk full");
    };
    EXPECT_THROW(zip.Zip(), Exception);
    EXPECT_EQ(ReadFileBytes(f.zipName), before);

    // A cancel request stops the work the same way.
    TSuperZip cancel;
    cancel.SetZipName(f.zipName);
    cancel.FilesList.Add(f.src + "/notes.txt");
    cancel.ZipAction = zaReplace;
    cancel.OnFilePercentDone = [&](TSuperUnZip& z, int) { z.Cancel(); };
    EXPECT_THROW(cancel.Zip(), EUserCanceled);
    EXPECT_EQ(ReadFileBytes(f.zipName), before);

    TSuperZip stop;
    stop.SetZipName(f.zipName);
    WriteFileBytes(f.dir.File("new.txt"), "new");
    stop.FilesList.Add(f.dir.File("new.txt"));
    stop.OnStartZipInfo = [](TSuperZip&, int, int64_t, TEndCentral&, bool& s) { s = true; };
    try {
        stop.Zip();
        FAIL();
    } catch (const EUserCanceled& e) {
        EXPECT_STREQ(e.what(), "User canceled Zip operation.");
    }
    EXPECT_EQ(ReadFileBytes(f.zipName), before);
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(f.dir.Path()))
        left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"a.zip", "new.txt", "src"})); // no temporary files
}

TEST(ZipComponent, CommentsAreWrittenBack) {
    TZipFixture f;
    f.ZipAll();
    {
        TSuperZip zip;
        zip.SetZipName(f.zipName);
        zip.SetFileComment(0, "first entry");
        zip.SetZipComment("the archive");
        zip.SetZipName(f.dir.File("other.zip")); // letting go writes the change
    }
    TSuperUnZip unzip;
    unzip.SetZipName(f.zipName);
    EXPECT_EQ(unzip.FileComment(0), "first entry");
    EXPECT_EQ(unzip.ZipComment(), "the archive");
    EXPECT_EQ(unzip.Count(), 5);
}

TEST(ZipComponent, RefusesNamesThatLeaveTheDestination) {
    TempDir dir;
    std::string out = dir.File("out");
    for (const char* name : {"../evil.txt", "a/../../evil.txt", "/tmp/evil.txt", "C:/evil.txt",
                             "sub/..", "..\\evil.txt", "\\\\server\\share\\evil.txt"}) {
        std::string archive = dir.File("evil.zip");
        ASSERT_EQ(RunOracle(ShellQuote(std::string("names")) + " " + ShellQuote(archive) +
                            " ok.txt " + ShellQuote(name))
                      .ExitCode,
                  0);
        for (bool recreate : {true, false}) {
            TSuperUnZip unzip;
            unzip.SetZipName(archive);
            unzip.SetDestDir(out);
            unzip.DoAll = true;
            unzip.RecreateDirs = recreate;
            try {
                unzip.UnZip();
                ADD_FAILURE() << name;
            } catch (const EZipError& e) {
                EXPECT_NE(std::string(e.what()).find("outside the destination"), std::string::npos);
            }
        }
        EXPECT_FALSE(fs::exists(dir.File("evil.txt")));
        EXPECT_FALSE(fs::exists("/tmp/evil.txt") &&
                     ReadFileBytes("/tmp/evil.txt").find("escaped") == 0);
        // Into a stream the name does not matter.
        TSuperUnZip unzip;
        unzip.SetZipName(archive);
        TMemoryStream s;
        EXPECT_EQ(unzip.UnzipEntryToStream(s, "ok.txt"), 1);
    }
}

TEST(ZipComponent, PackLevelZeroDeflatesWhatShrinks) {
    TZipFixture f;
    TSuperZip zip;
    zip.SetPackLevel(0);
    ASSERT_EQ(f.ZipAll(zip), int(f.files.size()));
    TSuperUnZip unzip;
    EXPECT_EQ(f.UnzipAll(unzip), int(f.files.size()));
    EXPECT_EQ(ReadTree(f.out), f.files);
    for (int i = 0; i < unzip.Count(); ++i) {
        const TZipHeaderPtr e = unzip.Entry(i);
        SCOPED_TRACE(e->FullName());
        // The files of some size shrink; the empty one and the one short line are stored.
        const bool shrinks = e->UncompressedSize > 1000;
        EXPECT_EQ(e->Method, shrinks ? 8 : 0);
        EXPECT_EQ(e->Flags & 4, shrinks ? 4 : 0);
    }
}

TEST(ZipComponent, RetainsDatesAndAttributes) {
    TZipFixture f;
    {
        FixedClock clock(EncodeDateTime(2021, 12, 24, 18, 0, 0, 0));
        f.ZipAll();
    }
    TSuperUnZip unzip;
    f.UnzipAll(unzip);
    struct stat st;
    ASSERT_EQ(::stat((f.out + "/notes.txt").c_str(), &st), 0);
    std::tm tm{};
    ::localtime_r(&st.st_mtime, &tm);
    EXPECT_EQ(tm.tm_year, 121);
    EXPECT_EQ(tm.tm_mon, 11);
    EXPECT_EQ(tm.tm_mday, 24);
    EXPECT_EQ(tm.tm_hour, 0);
}

TEST(ZipComponent, RefusesWhatItCannotDo) {
    TempDir dir;
    TSuperZip zip;
    // Without prompts the file and folder choices are cancelled.
    EXPECT_THROW(zip.SetZipName("pick one?"), EUserCanceled);
    EXPECT_THROW(zip.SetDestDir("?"), EUserCanceled);
    EXPECT_THROW(zip.SetPackLevel(10), EZipError);
    EXPECT_EQ(zip.ThisVersion(), 210);
    zip.SetThisVersion(300);
    EXPECT_EQ(zip.ThisVersion(), 210);
    EXPECT_THROW(zip.Zip(), EZipError); // no archive name

    // Inputs of 4 GiB or more, as archives and as files to add (sparse files).
    std::string big = dir.File("big.zip");
    WriteFileBytes(big, "");
    fs::resize_file(big, uint64_t(1) << 32);
    TSuperUnZip unzip;
    unzip.SetZipName(big);
    try {
        unzip.Count();
        FAIL();
    } catch (const EZipError& e) {
        EXPECT_STREQ(e.what(), "Archives of 4 GiB or more are not supported");
    }
    zip.SetZipName(dir.File("new.zip"));
    zip.FilesList.Add(big);
    EXPECT_THROW(zip.Zip(), EZipError);
    EXPECT_FALSE(fs::exists(dir.File("new.zip")));
}

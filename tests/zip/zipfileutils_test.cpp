#include "zip/zipfileutils.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "testutil.h"
#include "zip/ziperrors.h"

namespace fs = std::filesystem;

TEST(LFNFileStream, LoadsAndCommitsFiles) {
    TempDir dir;
    std::string name = dir.File("data.bin");
    {
        TLFNFileStream out(name, fmCreate);
        out.WriteBuffer("hello", 5);
        EXPECT_FALSE(fs::exists(name)); // nothing is written before Commit
        out.Commit();
    }
    EXPECT_EQ(ReadFileBytes(name), "hello");
    ::chmod(name.c_str(), 0640);
    {
        TLFNFileStream in(name, fmOpenRead);
        EXPECT_EQ(in.AsString(), "hello");
        in.WriteBuffer("XX", 2);
        in.Commit(); // read-only: the file stays as it was
    }
    EXPECT_EQ(ReadFileBytes(name), "hello");
    {
        TLFNFileStream rw(name, fmOpenReadWrite);
        rw.Seek(0, TSeekOrigin::soEnd);
        rw.WriteBuffer(" world", 6);
        rw.Commit();
    }
    EXPECT_EQ(ReadFileBytes(name), "hello world");
    struct stat st;
    ASSERT_EQ(::stat(name.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u); // replacing keeps the permission bits
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
    EXPECT_THROW(TLFNFileStream(dir.File("missing"), fmOpenRead), EFOpenError);
    TLFNFileStream nowhere(dir.File("no/such/folder/x"), fmCreate);
    EXPECT_THROW(nowhere.Commit(), EFCreateError);
}

TEST(LFNFileStream, WorksOnACallersStreamWithoutFiles) {
    TempDir dir;
    fs::path old = fs::current_path();
    fs::current_path(dir.Path());
    WriteFileBytes("ZIPSTREAM", "on disk");
    TMemoryStream image(std::string("archive bytes"));
    image.SetPosition(4);
    {
        TLFNFileStream in(image, true);
        EXPECT_EQ(in.AsString(), "archive bytes");
        EXPECT_EQ(in.Position(), 0);
    }
    {
        TLFNFileStream out(image, false);
        EXPECT_EQ(out.Size(), 0);
        out.WriteBuffer("new", 3);
        out.Commit();
    }
    EXPECT_EQ(image.AsString(), "new");
    EXPECT_EQ(ReadFileBytes("ZIPSTREAM"), "on disk");
    fs::current_path(old);
}

TEST(DirSearch, WalksWithMasksAndRecursion) {
    TempDir dir;
    fs::create_directories(dir.Path() / "sub" / "deeper");
    fs::create_directories(dir.Path() / ".hidden");
    WriteFileBytes(dir.File("a.txt"), "1");
    WriteFileBytes(dir.File("README"), "22");
    WriteFileBytes(dir.File("sub/b.txt"), "333");
    WriteFileBytes(dir.File("sub/deeper/c.TXT"), "4444");
    WriteFileBytes(dir.File(".hidden/d.txt"), "5");
    fs::create_directory_symlink(dir.Path() / "sub", dir.Path() / "loop");

    auto walk = [&](bool recurse, const std::string& mask) {
        TDirSearch search(dir.Path().string(), recurse, mask);
        std::string names;
        while (auto f = search.Next()) {
            names += f->FullName.substr(dir.Path().string().size() + 1) + ":" +
                     std::to_string(f->Size) + " ";
        }
        return names;
    };
    EXPECT_EQ(walk(false, "*.*"), "README:2 a.txt:1 ");
    EXPECT_EQ(walk(false, "*.txt"), "a.txt:1 ");
    EXPECT_EQ(walk(true, "*.txt"), "a.txt:1 sub/b.txt:3 sub/deeper/c.TXT:4 ");
    TDirSearch none(dir.File("missing"), true, "*");
    EXPECT_FALSE(none.Next().has_value());
}

TEST(ZipFileHelpers, PercentagesAndFolders) {
    EXPECT_EQ(ZipPercentage(5, 0), 0);
    EXPECT_EQ(ZipPercentage(3, 2), 100);
    EXPECT_EQ(ZipPercentage(1, 3), 33);
    EXPECT_EQ(ZipPercentage(2, 3), 67);
    EXPECT_EQ(ZipPercentage(int64_t(3) << 33, int64_t(4) << 33), 75);
    TempDir dir;
    ZipForceDirectories(dir.File("p/q/r"));
    EXPECT_TRUE(fs::is_directory(dir.File("p/q/r")));
    EXPECT_FALSE(ZipFileExists(dir.File("p/q")));
    WriteFileBytes(dir.File("f"), "");
    EXPECT_TRUE(ZipFileExists(dir.File("f")));
    EXPECT_THROW(ZipForceDirectories(dir.File("f/g")), EFCreateError);
}

// Each name as its folder lists it; what cannot be looked up, "." and "..", links and a relative
// start stay as given.
TEST(ZipFileHelpers, ShortOrLongPathKeepsTheListedNames) {
    TempDir dir;
    const std::string root = dir.Path().string();
    fs::create_directories(dir.Path() / "Program Files" / "Long Folder Name");
    const std::string file = "Program Files/Long Folder Name/A long file name.text";
    WriteFileBytes(dir.File(file), "x");
    fs::create_directory_symlink(dir.Path() / "Program Files", dir.Path() / "link");
    const fs::path old = fs::current_path();
    fs::current_path(dir.Path());
    for (bool shortNames : {true, false}) {
        SCOPED_TRACE(shortNames);
        for (const std::string& path :
             {root + "/" + file, root + "/Program Files/Long Folder Name/",
              root + "/Program Files/No Such Folder/Nor File.text",
              root + "/link/Long Folder Name/A long file name.text",
              root + "/Program Files/./Long Folder Name/../Long Folder Name/A long file name.text",
              file, "./" + file, "link/../" + file, std::string("missing/..")})
            EXPECT_EQ(ZipShortOrLongPath(path, shortNames), path);
    }
    fs::current_path(old);
}

// Hard links are one file under several names: each name is kept, not the first one listed.
TEST(ZipFileHelpers, ShortOrLongPathKeepsEachNameOfAHardLinkedFile) {
    TempDir dir;
    WriteFileBytes(dir.File("first"), "x");
    fs::create_hard_link(dir.File("first"), dir.File("second"));
    fs::create_hard_link(dir.File("first"), dir.File("third"));
    for (const char* name : {"first", "second", "third"})
        EXPECT_EQ(ZipShortOrLongPath(dir.File(name), false), dir.File(name));
}

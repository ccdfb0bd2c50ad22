#include <cerrno>
#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/fileutils.h"
#include "testutil.h"

TEST(FileUtils, NameParts) {
    EXPECT_EQ(ExtractFilePath("/a/b.txt"), "/a/");
    EXPECT_EQ(ExtractFilePath("b.txt"), "");
    EXPECT_EQ(ExtractFileDir("/a/b.txt"), "/a");
    EXPECT_EQ(ExtractFileDir("/b.txt"), "/");
    EXPECT_EQ(ExtractFileDir("b.txt"), "");
    EXPECT_EQ(ExtractFileName("/a/b.txt"), "b.txt");
    EXPECT_EQ(ExtractFileName("/a/"), "");
    EXPECT_EQ(ExtractFileExt("/a.d/b.tar.gz"), ".gz");
    EXPECT_EQ(ExtractFileExt("/a.d/b"), ""); // a dot in the folder is no extension
    EXPECT_EQ(ExtractFileExt("/a/.bak"), ".bak");
    EXPECT_EQ(ChangeFileExt("/a.d/b.txt", ".bak"), "/a.d/b.bak");
    EXPECT_EQ(ChangeFileExt("/a.d/b", ".bak"), "/a.d/b.bak");
    EXPECT_EQ(ChangeFileExt("/a/b.txt", ""), "/a/b");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/a"), "/a/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/a/"), "/a/");
    EXPECT_EQ(IncludeTrailingPathDelimiter(""), "");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/a/"), "/a");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "/");
}

TEST(FileUtils, ExpandFileNameIsAbsoluteAndLexicallyClean) {
    std::string cwd = GetCurrentDir();
    ASSERT_FALSE(cwd.empty());
    EXPECT_EQ(ExpandFileName("/a/./b//c/../d"), "/a/b/d");
    EXPECT_EQ(ExpandFileName("/a/b/"), "/a/b/");
    EXPECT_EQ(ExpandFileName("/.."), "/");
    EXPECT_EQ(ExpandFileName("/a/.."), "/");
    EXPECT_EQ(ExpandFileName("x.tock"), ExpandFileName(cwd) + "/x.tock");
    EXPECT_EQ(ExpandFileName("./sub/../x"), ExpandFileName(cwd) + "/x");
    EXPECT_EQ(ExpandFileName(""), "");
}

TEST(FileUtils, CreatesRenamesDeletesAndSyncs) {
    TempDir dir;
    std::string deep = dir.File("a/b/c");
    EXPECT_FALSE(DirectoryExists(deep));
    EXPECT_TRUE(ForceDirectories(deep + "/"));
    EXPECT_TRUE(DirectoryExists(deep));
    EXPECT_TRUE(ForceDirectories(deep)); // already there
    EXPECT_FALSE(ForceDirectories(""));
    EXPECT_FALSE(FileExists(deep)); // a folder is no file

    WriteFileBytes(dir.File("f"), "1");
    EXPECT_TRUE(FileExists(dir.File("f")));
    EXPECT_FALSE(DirectoryExists(dir.File("f")));
    EXPECT_FALSE(ForceDirectories(dir.File("f/sub"))); // a file stands in the way
    // Whether a folder could be made, without making it.
    EXPECT_TRUE(CanForceDirectories(deep));
    EXPECT_TRUE(CanForceDirectories(dir.File("x/y/")));
    EXPECT_FALSE(DirectoryExists(dir.File("x")));
    EXPECT_FALSE(CanForceDirectories(dir.File("f")));
    EXPECT_FALSE(CanForceDirectories(dir.File("f/sub/deeper")));
    EXPECT_FALSE(CanForceDirectories(""));

    WriteFileBytes(dir.File("g"), "2");
    EXPECT_TRUE(RenameFile(dir.File("f"), dir.File("g"))); // replaces g
    EXPECT_EQ(ReadFileBytes(dir.File("g")), "1");
    EXPECT_FALSE(FileExists(dir.File("f")));
    EXPECT_FALSE(RenameFile(dir.File("f"), dir.File("h")));

    EXPECT_TRUE(SyncFile(dir.File("g")));
    EXPECT_TRUE(SyncFolder(dir.Path().string()));
    EXPECT_FALSE(SyncFile(dir.File("missing")));
    EXPECT_FALSE(SyncFolder(dir.File("missing")));

    EXPECT_FALSE(DeleteFile(deep)); // not a folder
    EXPECT_TRUE(DeleteFile(dir.File("g")));
    EXPECT_FALSE(DeleteFile(dir.File("g")));
    EXPECT_FALSE(DeleteFile(""));
}

TEST(FileUtils, ResolveFileLinksFollowsEveryLinkToTheLastName) {
    TempDir dir;
    const std::string file = dir.File("file");
    EXPECT_EQ(ResolveFileLinks(file), file); // missing: the name itself
    WriteFileBytes(file, "x");
    EXPECT_EQ(ResolveFileLinks(file), file);
    ASSERT_EQ(::symlink(file.c_str(), dir.File("abs").c_str()), 0);
    ASSERT_EQ(::symlink("abs", dir.File("rel").c_str()), 0);
    EXPECT_EQ(ResolveFileLinks(dir.File("rel")), file);
    ASSERT_EQ(::symlink("../gone", dir.File("dangling").c_str()), 0);
    EXPECT_EQ(ResolveFileLinks(dir.File("dangling")), dir.File("../gone"));
    ASSERT_EQ(::symlink("self", dir.File("self").c_str()), 0);
    errno = 0;
    EXPECT_EQ(ResolveFileLinks(dir.File("self")), "");
    EXPECT_EQ(errno, ELOOP);
}

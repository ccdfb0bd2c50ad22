// What the reader asks and shows through the prompts: the overwrite question, the box for an
// unknown compression method, and the file and folder choices behind "?".

#include <filesystem>
#include <gtest/gtest.h>

#include "testutil.h"
#include "zip/zipcomponent.h"
#include "ziptestutil.h"

namespace fs = std::filesystem;

namespace {

using TAsked = TFakeZipPrompts::TAsked;

// An archive of the sample files, written by our writer.
std::string MakeArchive(const TempDir& dir, const std::map<std::string, std::string>& files) {
    WriteSampleFiles(dir.File("src"), files);
    TSuperZip zip;
    zip.SetZipName(dir.File("a.zip"));
    zip.SetRootDir(dir.File("src"));
    zip.SetRelativePaths(true);
    zip.FilesList.Add(dir.File("src") + "/*");
    zip.Zip();
    return dir.File("a.zip");
}

} // namespace

TEST(ZipPrompts, OverwriteQuestionWithoutAHandler) {
    TempDir dir;
    std::map<std::string, std::string> files = SampleFiles();
    std::string archive = MakeArchive(dir, files);
    std::string out = dir.File("out");
    WriteSampleFiles(out, {{"notes.txt", "mine"}});
    TFakeZipPromptsGuard prompts;
    prompts->Answers = {false, true};
    for (int run = 0; run < 2; ++run) {
        TSuperUnZip unzip;
        unzip.SetZipName(archive);
        unzip.SetDestDir(out);
        unzip.FilesList.Add("notes.txt");
        EXPECT_EQ(unzip.UnZip(), run); // No keeps the file, Yes replaces it
        EXPECT_EQ(ReadFileBytes(out + "/notes.txt"), run ? files["notes.txt"] : "mine");
    }
    ASSERT_EQ(prompts->Asked.size(), 2u);
    EXPECT_EQ(prompts->Asked[0],
              (TAsked{"yesno", "Replace existing file notes.txt?", "File Exists Alert"}));
}

TEST(ZipPrompts, UnknownMethodIsShownAndSkipped) {
    TempDir dir;
    std::map<std::string, std::string> files = SampleFiles();
    std::string archive = MakeArchive(dir, files);
    // The method of "notes.txt" becomes 9 in its local header and its central entry.
    std::string bytes = ReadFileBytes(archive);
    for (size_t at : {bytes.find("notes.txt") - 30, bytes.rfind("notes.txt") - 46}) {
        ASSERT_TRUE(Get32(bytes, at) == LocalHeaderSignature ||
                    Get32(bytes, at) == CentralHeaderSignature);
        Put16(bytes, at + (Get32(bytes, at) == LocalHeaderSignature ? 8 : 10), 9);
    }
    WriteFileBytes(archive, bytes);

    TFakeZipPromptsGuard prompts;
    TSuperUnZip unzip;
    unzip.SetZipName(archive);
    unzip.SetDestDir(dir.File("out"));
    unzip.DoAll = true;
    unzip.RecreateDirs = true;
    EXPECT_EQ(unzip.UnZip(), int(files.size()) - 1);
    files.erase("notes.txt");
    EXPECT_EQ(ReadTree(dir.File("out")), files);
    ASSERT_EQ(prompts->Asked.size(), 1u);
    EXPECT_EQ(prompts->Asked[0], (TAsked{"error", "Unknown Compression Method", "Zip Error"}));
}

TEST(ZipPrompts, QuestionMarkChoosesTheArchiveAndTheFolder) {
    TempDir dir;
    std::string archive = MakeArchive(dir, SampleFiles());
    TFakeZipPromptsGuard prompts;
    TSuperUnZip unzip;
    // Cancelled: nothing changes.
    unzip.SetZipName(archive);
    unzip.SetDestDir(dir.File("out"));
    try {
        unzip.SetZipName(dir.File("src/?"));
        FAIL();
    } catch (const EUserCanceled& e) {
        EXPECT_STREQ(e.what(), "User canceled setting zip file name.");
    }
    EXPECT_THROW(unzip.SetDestDir("?"), EUserCanceled);
    EXPECT_EQ(unzip.ZipName(), archive);
    EXPECT_EQ(unzip.DestDir(), dir.File("out"));
    ASSERT_EQ(prompts->Asked.size(), 2u);
    EXPECT_EQ(prompts->Asked[0].Text, "Open a Zip File");
    EXPECT_EQ(prompts->Asked[0].Caption,
              "Zip Files (*.ZIP)|*.zip|SFX Files (*.EXE)|*.exe|All Files (*.*)|*.* in " +
                  dir.File("src/"));
    EXPECT_EQ(prompts->Asked[1].Kind, "folder");
    EXPECT_EQ(prompts->Asked[1].Caption, ZipCurrentDir()); // out does not exist

    // Chosen: the answers are taken; the folder dialog starts in an existing DestDir.
    prompts->Asked.clear();
    prompts->Choices = {archive, dir.File("src")};
    unzip.SetZipName("/no/such/folder/?");
    EXPECT_EQ(unzip.ZipName(), archive);
    EXPECT_EQ(unzip.Count(), int(SampleFiles().size()));
    unzip.SetDestDir(dir.File("sub"));
    fs::create_directories(dir.File("sub"));
    unzip.SetDestDir("?");
    EXPECT_EQ(unzip.DestDir(), dir.File("src"));
    ASSERT_EQ(prompts->Asked.size(), 2u);
    EXPECT_TRUE(prompts->Asked[0].Caption.ends_with(" in /"));
    EXPECT_EQ(prompts->Asked[1].Caption, dir.File("sub"));
}

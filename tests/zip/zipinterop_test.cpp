// Archives checked against independent readers and writers: Info-ZIP zip and unzip, 7z and
// Python's zipfile, run as commands.

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

#include "testutil.h"
#include "zip/crc32.h"
#include "zip/zipcomponent.h"
#include "zip/zipstream.h"
#include "ziptestutil.h"

namespace fs = std::filesystem;

namespace {

bool HaveOracles() {
    return HaveTool("zip") && HaveTool("unzip") && HaveTool("7z") && fs::exists("/usr/bin/python3");
}

// Python's view of an archive: "name size crc" per file entry, sorted.
std::string PythonListing(const std::string& archive, const std::string& password = "") {
    TCommandResult r = RunOracle("list " + ShellQuote(archive) +
                                 (password.empty() ? "" : " " + ShellQuote(password)));
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    std::istringstream in(r.Output);
    std::string line;
    std::vector<std::string> lines;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string name, size, crc;
        std::getline(fields, name, '\t');
        std::getline(fields, size, '\t');
        std::getline(fields, crc, '\t');
        if (!name.empty() && name.back() != '/')
            lines.push_back(name + " " + size + " " + crc);
    }
    std::sort(lines.begin(), lines.end());
    std::string s;
    for (const auto& l : lines)
        s += l + "\n";
    return s;
}

// Runs another writer's command (ARCHIVE standing for the archive's name) in folder src.
TCommandResult RunWriter(const std::string& command, const std::string& src,
                         const std::string& archive) {
    std::string c = command;
    c.replace(c.find("ARCHIVE"), 7, ShellQuote(archive));
    return RunCommand("cd " + ShellQuote(src) + " && " + c);
}

} // namespace

TEST(ZipInterop, ArchivesWeWritePassTheOracles) {
    if (!HaveOracles())
        GTEST_SKIP() << "zip, unzip, 7z or python3 missing";
    TempDir dir;
    std::string src = dir.File("src");
    auto files = SampleFiles();
    WriteSampleFiles(src, files);
    for (int level = 0; level <= 9; ++level) {
        for (const std::string password : {"", "pa$$ word"}) {
            SCOPED_TRACE("level " + std::to_string(level) + " password '" + password + "'");
            std::string archive = dir.File(Format("l%d%s.zip", level, password.empty() ? "" : "p"));
            TSuperZip zip;
            zip.SetPackLevel(level);
            zip.Password = password;
            zip.SetZipName(archive);
            zip.SetRootDir(src);
            zip.SetRelativePaths(true);
            zip.FilesList.Add(src + "/*.*");
            ASSERT_EQ(zip.Zip(), 5);

            std::string pw = password.empty() ? "" : " -P " + ShellQuote(password);
            TCommandResult t = RunCommand("unzip -t" + pw + " " + ShellQuote(archive));
            EXPECT_EQ(t.ExitCode, 0) << t.Output;
            std::string pw7 = password.empty() ? "" : " " + ShellQuote("-p" + password);
            TCommandResult s = RunCommand("7z t" + pw7 + " " + ShellQuote(archive));
            EXPECT_EQ(s.ExitCode, 0) << s.Output;
            EXPECT_EQ(PythonListing(archive, password), Listing(files));

            std::string out = dir.File(Format("out%d%s", level, password.empty() ? "" : "p"));
            TCommandResult x =
                RunCommand("unzip -q" + pw + " " + ShellQuote(archive) + " -d " + ShellQuote(out));
            EXPECT_EQ(x.ExitCode, 0) << x.Output;
            EXPECT_EQ(Listing(ReadTree(out)), Listing(files));
        }
    }
}

TEST(ZipInterop, InMemoryContainerPassesTheOracles) {
    if (!HaveOracles())
        GTEST_SKIP() << "zip, unzip, 7z or python3 missing";
    TempDir dir;
    std::string content = SampleText(100000) + SampleBinary(100000, 3);
    for (const std::string password : {"", "secret"}) {
        TMemoryStream s(content);
        CompressStream(s, password);
        std::string archive = dir.File(password.empty() ? "plain.zip" : "locked.zip");
        s.SaveToFile(archive);
        std::string pw = password.empty() ? "" : " -P " + password;
        TCommandResult t = RunCommand("unzip -t" + pw + " " + ShellQuote(archive));
        EXPECT_EQ(t.ExitCode, 0) << t.Output;
        TCommandResult z =
            RunCommand("7z t" + std::string(password.empty() ? "" : " -p" + password) + " " +
                       ShellQuote(archive));
        EXPECT_EQ(z.ExitCode, 0) << z.Output;
        EXPECT_EQ(PythonListing(archive, password), Listing({{"ZIPDATA", content}}));
    }
}

TEST(ZipInterop, ReadsArchivesOfOtherWriters) {
    if (!HaveOracles())
        GTEST_SKIP() << "zip, unzip, 7z or python3 missing";
    TempDir dir;
    std::string src = dir.File("src");
    WriteSampleFiles(src, SampleFiles());
    struct Producer {
        std::string name, command, password;
    };
    std::vector<Producer> producers;
    for (int level = 0; level <= 9; ++level)
        producers.push_back(
            {Format("zip-%d", level), Format("zip -q -r -%d ARCHIVE .", level), ""});
    producers.push_back({"zip-P", "zip -q -r -P 'open sesame' ARCHIVE .", "open sesame"});
    producers.push_back({"7z", "7z a -tzip ARCHIVE . >/dev/null", ""});
    producers.push_back({"7z-store", "7z a -tzip -mx=0 ARCHIVE . >/dev/null", ""});
    producers.push_back({"7z-p", "7z a -tzip -mem=ZipCrypto -pkey ARCHIVE . >/dev/null", "key"});
    producers.push_back({"zip-pipe", "cat notes.txt | zip -q -fd ARCHIVE -", ""});
    producers.push_back({"python-stream", OracleCommand() + " stream ARCHIVE deflated .", ""});
    producers.push_back({"python-stream-stored", OracleCommand() + " stream ARCHIVE stored .", ""});
    producers.push_back({"python-cp437", OracleCommand() + " cp437 ARCHIVE", ""});

    for (const auto& p : producers) {
        SCOPED_TRACE(p.name);
        std::string archive = dir.File(p.name + ".zip");
        TCommandResult made = RunWriter(p.command, src, archive);
        ASSERT_EQ(made.ExitCode, 0) << made.Output;

        std::string out = dir.File("out-" + p.name);
        TSuperUnZip unzip;
        unzip.SetZipName(archive);
        unzip.SetDestDir(out);
        unzip.DoAll = true;
        unzip.RecreateDirs = true;
        unzip.Password = p.password;
        fs::create_directories(out);
        unzip.UnZip();
        std::string expected = PythonListing(archive, p.password);
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(Listing(ReadTree(out)), expected);
    }
    // Names without the UTF-8 flag are code page 437.
    TSuperUnZip cp;
    cp.SetZipName(dir.File("python-cp437.zip"));
    EXPECT_EQ(cp.FileName(0), "über.txt");
}

TEST(ZipInterop, UpdatesKeepForeignEntriesIntact) {
    if (!HaveOracles())
        GTEST_SKIP() << "zip, unzip, 7z or python3 missing";
    TempDir dir;
    std::string src = dir.File("src");
    auto files = SampleFiles();
    WriteSampleFiles(src, files);
    // Info-ZIP's local extra fields are longer than its central ones; Python's streamed
    // entries carry data descriptors; 7z's encrypted entries need their own check bytes.
    for (const std::string& command : std::vector<std::string>{
             "zip -q -r ARCHIVE .", OracleCommand() + " stream ARCHIVE deflated .",
             "7z a -tzip -mem=ZipCrypto -pkey ARCHIVE . >/dev/null"}) {
        SCOPED_TRACE(command);
        std::string archive = dir.File("update.zip");
        fs::remove(archive);
        ASSERT_EQ(RunWriter(command, src, archive).ExitCode, 0);
        bool locked = command.find("-pkey") != std::string::npos;
        std::string before = PythonListing(archive, locked ? "key" : "");

        TSuperZip zip;
        zip.SetZipName(archive);
        zip.Password = locked ? "key" : "";
        TMemoryStream extra(std::string("added by us"));
        ASSERT_EQ(zip.ZipStreamEntry(extra, "added.txt"), 1);

        TCommandResult t =
            RunCommand("unzip -t" + std::string(locked ? " -P key " : " ") + ShellQuote(archive));
        EXPECT_EQ(t.ExitCode, 0) << t.Output;
        std::string after = PythonListing(archive, locked ? "key" : "");
        std::string added = Listing({{"added.txt", "added by us"}});
        ASSERT_NE(after.find(added), std::string::npos);
        EXPECT_EQ(after.erase(after.find(added), added.size()), before);
    }
}

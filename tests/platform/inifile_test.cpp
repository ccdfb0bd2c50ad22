#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/inifile.h"
#include "testutil.h"

TEST(IniFile, ReadsWritesAndKeepsOtherEntries) {
    TempDir dir;
    std::string name = dir.File("sub/x.ini");
    {
        TIniFile ini(name);
        EXPECT_EQ(ini.ReadString("S", "a", "def"), "def");
        ini.WriteString("S", "a", "one two ");
        ini.WriteInteger("S", "n", 42);
        ini.WriteString("T", "line", "a\nb");
        ini.UpdateFile(); // creates the folder
    }
    TIniFile ini(name);
    EXPECT_EQ(ini.ReadString("s", "A", ""), "one two "); // names ignore case; blanks stay
    EXPECT_EQ(ini.ReadInteger("S", "n", 0), 42);
    EXPECT_EQ(ini.ReadInteger("S", "a", 7), 7);        // not a number: the default
    EXPECT_EQ(ini.ReadString("T", "line", ""), "a b"); // a line break cannot split the entry
    ini.Parse("; note\n[S]\nx=1\n=skipped\nno equals\n[S]\ny = 2\n");
    EXPECT_EQ(ini.ReadString("S", "x", ""), "1");
    EXPECT_EQ(ini.ReadString("S", "y", ""), " 2");
    EXPECT_EQ(ini.Serialize(), "[S]\nx=1\n=skipped\ny= 2\n\n");
}

TEST(IniFile, UnwritableFileRaises) {
    TempDir dir;
    TIniFile ini(dir.File("x.ini/"));
    ini.WriteString("S", "a", "b");
    EXPECT_THROW(ini.UpdateFile(), EStreamError);
}

TEST(IniFile, ANamedPipeReadsAsEmptyWithoutWaiting) {
    TempDir dir;
    TNamedPipe pipe(dir.File("x.ini"));
    TIniFile ini(pipe.Path());
    EXPECT_EQ(ini.ReadString("S", "a", "def"), "def");
    EXPECT_FALSE(pipe.Released());
}

TEST(IniFile, ManyKeysParseInLinearTime) {
    // 60,000 names in one section: a name-by-name search per line took minutes.
    std::string text = "[Lookup]\n";
    for (int i = 0; i < 60000; ++i)
        text += "LOOKUPVAL" + std::to_string(i) + "=v" + std::to_string(i) + "\n";
    TIniFile ini("");
    const auto start = std::chrono::steady_clock::now();
    ini.Parse(text);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(ini.ReadString("lookup", "lookupval59999", ""), "v59999");
    EXPECT_TRUE(ini.ValueExists("LOOKUP", "LookupVal0"));
    EXPECT_FALSE(ini.ValueExists("Lookup", "LOOKUPVAL60000"));
    EXPECT_FALSE(ini.ValueExists("Other", "LOOKUPVAL0"));
}

TEST(IniFile, SaveNeverWritesThroughAPlantedLink) {
    TempDir dir;
    const std::string name = dir.File("x.ini");
    const std::string victim = dir.File("victim");
    WriteFileBytes(victim, "keep");
    ASSERT_EQ(::symlink(victim.c_str(), (name + ".tmp").c_str()), 0);
    TIniFile ini(name);
    ini.WriteString("S", "a", "b");
    ini.UpdateFile();
    EXPECT_EQ(ReadFileBytes(victim), "keep");
    EXPECT_EQ(ReadFileBytes(name), "[S]\na=b\n\n");
    struct stat st;
    ASSERT_EQ(::lstat(name.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_FALSE(std::filesystem::exists(name + ".tmp"));
}

TEST(IniFile, SaveWritesThroughALinkAtItsNameAndStillNotThroughAPlantedOne) {
    TempDir dir;
    const std::string name = dir.File("conf/x.ini"), target = dir.File("real/x.ini");
    for (const char* folder : {"conf", "real"})
        ASSERT_TRUE(std::filesystem::create_directories(dir.File(folder)));
    WriteFileBytes(target, "[S]\na=old\n");
    ASSERT_EQ(::symlink("../real/x.ini", name.c_str()), 0);
    const std::string victim = dir.File("victim");
    WriteFileBytes(victim, "keep");
    ASSERT_EQ(::symlink(victim.c_str(), (target + ".tmp").c_str()), 0);
    TIniFile ini(name);
    EXPECT_EQ(ini.ReadString("S", "a", ""), "old");
    ini.WriteString("S", "a", "new");
    ini.UpdateFile();
    EXPECT_TRUE(std::filesystem::is_symlink(name));
    EXPECT_EQ(ReadFileBytes(target), "[S]\na=new\n\n");
    EXPECT_EQ(ReadFileBytes(victim), "keep");
    EXPECT_FALSE(std::filesystem::exists(target + ".tmp"));
    EXPECT_FALSE(std::filesystem::exists(name + ".tmp"));
}

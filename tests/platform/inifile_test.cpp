#include <gtest/gtest.h>

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

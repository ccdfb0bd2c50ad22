#include <gtest/gtest.h>

#include <filesystem>

#include "core/registrymanager.h"
#include "testutil.h"

namespace fs = std::filesystem;

namespace {
const std::string kSettings = "Software\\Fernhollow\\Tockwell\\Settings";
const std::string kSmtp = kSettings + "\\SMTPSettings";
} // namespace

TEST(RegistryManager, ReadsGiveTheDefaultOnMissingOrMistypedValues) {
    TempRegistry temp;
    {
        TRegistryManager w(kSettings);
        w.WriteStringValue("Text", "12");
        w.WriteIntegerValue("Number", 7);
        w.WriteBinaryString("Blob", "ab");
    }
    TRegistryManager r(kSettings, HKEY_CURRENT_USER, true);
    EXPECT_EQ(r.ReadIntegerDef("Text", -1), -1); // a string is not an integer, even "12"
    EXPECT_EQ(r.ReadStringDef("Number", "def"), "def");
    EXPECT_TRUE(r.ReadBoolDef("Blob", true));
    EXPECT_FALSE(r.ReadBoolDef("Missing", false));
    EXPECT_EQ(r.ReadIntegerDef("Number", 0), 7);
    EXPECT_TRUE(r.ReadBoolDef("Number", false)); // non-zero integer
    EXPECT_EQ(r.ReadStringDef("Text", ""), "12");

    int n = 5;
    r.ReadIntegerValue("Missing", n);
    EXPECT_EQ(n, 5);
    r.ReadIntegerValue("Number", n);
    EXPECT_EQ(n, 7);
    std::string s = "keep";
    r.ReadStringValue("Number", s);
    EXPECT_EQ(s, "keep");
    bool b = true;
    r.ReadBoolValue("Text", b);
    EXPECT_TRUE(b);

    // A key that does not exist: every read gives its default.
    TRegistryManager none("Software\\Nobody", HKEY_CURRENT_USER, true);
    EXPECT_FALSE(none.HasCurrentKey());
    EXPECT_EQ(none.ReadIntegerDef("Number", 3), 3);
    EXPECT_EQ(none.ReadBinaryString("Blob"), "");
    EXPECT_THROW(none.WriteIntegerValue("Number", 1), ERegistryException);
}

TEST(RegistryManager, ReadingNeverCreatesKeysAndWritingDoes) {
    TempRegistry temp;
    const std::string debug = kSettings + "\\Debug";
    EXPECT_TRUE(ReadRegistryBool(debug, "Flag", true));
    EXPECT_EQ(ReadRegistryInteger(debug, "N", 9), 9);
    EXPECT_EQ(ReadRegistryString(debug, "S", "d"), "d");
    EXPECT_FALSE(RegistryValueExists(debug, "AllowMultipleInstances"));
    TRegistryManager readOnly(debug, HKEY_CURRENT_USER, true);
    EXPECT_FALSE(fs::exists(temp.Folder())); // nothing was created, not even the folder

    WriteRegistryBool(debug, "Flag", false);
    TRegistry reg;
    EXPECT_TRUE(reg.KeyExists(debug));
    EXPECT_FALSE(ReadRegistryBool(debug, "Flag", true));
    EXPECT_TRUE(RegistryValueExists(debug, "flag"));
    WriteRegistryString(kSettings, "LatestDataFile", "/d/x.tock");
    EXPECT_EQ(ReadRegistryString(kSettings, "LatestDataFile", ""), "/d/x.tock");
    EXPECT_EQ(ReadRegistryInteger(kSettings, "LatestDataFile", 4), 4); // wrong type

    // A read-only manager on an existing key still creates nothing below it.
    TRegistryManager sub(debug + "\\Deeper", HKEY_CURRENT_USER, true);
    EXPECT_FALSE(reg.KeyExists(debug + "\\Deeper"));
}

TEST(RegistryManager, AStoreThatCannotBeWrittenGivesDefaultsAndWriteErrors) {
    TempDir dir;
    WriteFileBytes(dir.File("file"), "");
    struct Restore {
        ~Restore() { SetRegistryStoreFolder({}); }
    } restore;
    SetRegistryStoreFolder(dir.File("file/Tockwell")); // a folder below a plain file
    TRegistryManager m(kSettings);
    EXPECT_FALSE(m.HasCurrentKey());
    EXPECT_EQ(m.ReadIntegerDef("WndPosLeft", 12), 12);
    try {
        m.WriteIntegerValue("WndPosLeft", 1);
        ADD_FAILURE() << "the write must fail";
    } catch (const ERegistryException& e) {
        EXPECT_NE(e.Message.find("Failed to set data for 'WndPosLeft': Cannot create the "
                                 "settings folder"),
                  std::string::npos)
            << e.Message;
    }
    EXPECT_THROW(WriteRegistryBool(kSettings, "RunMinimized", true), ERegistryException);
    EXPECT_FALSE(ReadRegistryBool(kSettings, "RunMinimized", false));
}

TEST(RegistryManager, PrefixAppliesToTypedValuesOnly) {
    TempRegistry temp;
    TRegistryManager m(kSettings, HKEY_CURRENT_USER, false, "Main");
    m.WriteIntegerValue("WndPosLeft", 10);
    m.WriteBoolValue("Collapsed", true);
    m.WriteStringValue("Name", "x");
    m.WriteBinaryString("SMTPPwd", "secret");
    TRegistry raw;
    ASSERT_TRUE(raw.OpenKeyReadOnly(kSettings));
    EXPECT_EQ(raw.ReadInteger("MainWndPosLeft"), 10);
    EXPECT_FALSE(raw.ValueExists("WndPosLeft"));
    EXPECT_TRUE(raw.ReadBool("MainCollapsed"));
    EXPECT_EQ(raw.ReadString("MainName"), "x");
    EXPECT_TRUE(raw.ValueExists("SMTPPwd"));
    EXPECT_FALSE(raw.ValueExists("MainSMTPPwd"));
    EXPECT_EQ(m.ReadIntegerDef("WndPosLeft", 0), 10);
    EXPECT_EQ(m.ReadBinaryString("SMTPPwd"), "secret");
    m.ValueNamePrefix.clear();
    EXPECT_EQ(m.ReadIntegerDef("WndPosLeft", -1), -1);
}

TEST(RegistryManager, StringListsAreOneValueTrimmedToMaxCount) {
    TempRegistry temp;
    TRegistryManager m(kSmtp);
    TStringList nine;
    for (int i = 1; i <= 9; ++i)
        nine.Add("user" + std::to_string(i) + "@example.org");
    m.WriteStringsValue("LastEmails", nine, 7);
    EXPECT_EQ(nine.Count(), 7); // the caller's list is trimmed
    EXPECT_EQ(nine[6], "user7@example.org");
    TStringList back;
    m.ReadStringsValue("LastEmails", back);
    EXPECT_EQ(back.Count(), 7);
    EXPECT_EQ(back.Text(), nine.Text());
    EXPECT_EQ(m.ReadStringDef("LastEmails", ""), nine.Text()); // lines ended by CR LF

    TStringList all = {"a", "", "c"};
    m.WriteStringsValue("All", all, 0);
    m.WriteStringsValue("Negative", all, -3);
    m.WriteStringsValue("Exact", all, 3);
    for (const char* name : {"All", "Negative", "Exact"}) {
        TStringList l;
        m.ReadStringsValue(name, l);
        ASSERT_EQ(l.Count(), 3) << name;
        EXPECT_EQ(l[1], "");
    }

    TStringList empty;
    m.WriteStringsValue("Empty", empty, 7);
    EXPECT_EQ(m.ReadStringDef("Empty", "x"), "");
    TStringList keep = {"stays"};
    keep.Objects(0) = 42;
    m.ReadStringsValue("Missing", keep); // no value: the list is left as it is
    EXPECT_EQ(keep.Count(), 1);
    EXPECT_EQ(std::any_cast<int>(keep.Objects(0)), 42);
    m.ReadStringsValue("Empty", keep);
    EXPECT_EQ(keep.Count(), 0);
}

TEST(RegistryManager, BinaryStringsUpTo1024Bytes) {
    TempRegistry temp;
    TRegistryManager m(kSmtp);
    std::string all;
    for (int c = 0; c < 256; ++c)
        all += static_cast<char>(c);
    m.WriteBinaryString("SMTPUsrName", all);
    EXPECT_EQ(m.ReadBinaryString("SMTPUsrName"), all);
    std::string max(1024, '\xA5');
    m.WriteBinaryString("SMTPPwd", max);
    EXPECT_EQ(m.ReadBinaryString("SMTPPwd"), max);
    m.WriteBinaryString("Blank", "");
    EXPECT_EQ(m.ReadBinaryString("Blank"), "");
    EXPECT_EQ(m.ReadBinaryString("Missing"), "");

    // Longer values are refused when written, so a stored value can always be read back...
    EXPECT_THROW(m.WriteBinaryString("SMTPPwd", std::string(1025, 'x')), ERegistryException);
    EXPECT_EQ(m.ReadBinaryString("SMTPPwd"), max);
    // ...and one stored by other means, or a value of another type, raises when read.
    std::string big(1025, 'x');
    m.WriteBinaryData("Big", big.data(), static_cast<int>(big.size()));
    EXPECT_THROW(m.ReadBinaryString("Big"), ERegistryException);
    m.WriteStringValue("Text", "abc");
    EXPECT_THROW(m.ReadBinaryString("Text"), ERegistryException);
}

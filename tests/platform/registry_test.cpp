#include <gtest/gtest.h>

#include <filesystem>

#include "platform/registry.h"
#include "testutil.h"

namespace fs = std::filesystem;

namespace {

const std::string kSettings = "Software\\Fernhollow\\Tockwell\\Settings";

} // namespace

TEST(Registry, OpenResolvesPathsAndKeepsTheCaseOfCreation) {
    TempRegistry temp;
    TRegistry reg;
    EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
    EXPECT_FALSE(reg.HasCurrentKey());
    EXPECT_FALSE(reg.OpenKey(kSettings, false));
    EXPECT_FALSE(reg.OpenKeyReadOnly(kSettings));
    EXPECT_FALSE(fs::exists(temp.Folder())); // failed opens create nothing

    ASSERT_TRUE(reg.OpenKey(kSettings, true));
    EXPECT_EQ(reg.CurrentPath(), kSettings);
    EXPECT_TRUE(reg.OpenKey("SMTPSettings", true)); // relative to the open key
    EXPECT_EQ(reg.CurrentPath(), kSettings + "\\SMTPSettings");
    EXPECT_TRUE(reg.OpenKey("\\software\\FERNHOLLOW", false)); // absolute, any case
    EXPECT_EQ(reg.CurrentPath(), "Software\\Fernhollow");
    EXPECT_FALSE(reg.OpenKey("Missing", false));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Fernhollow"); // a failed open keeps the key
    EXPECT_TRUE(reg.KeyExists("Tockwell\\settings\\smtpsettings"));
    EXPECT_TRUE(reg.KeyExists("\\Software"));
    EXPECT_FALSE(reg.KeyExists("\\Tockwell"));
    reg.CloseKey();
    EXPECT_FALSE(reg.HasCurrentKey());
    EXPECT_TRUE(reg.KeyExists("Software\\Fernhollow\\Tockwell")); // from the root again
}

TEST(Registry, TypedValuesAndTheirFailures) {
    TempRegistry temp;
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kSettings, true));
    reg.WriteInteger("Int", -42);
    reg.WriteBool("Bool", true);
    reg.WriteString("Str", "Grüße\r\nzwei");
    reg.WriteString("Empty", "");
    const char bin[] = {1, 0, 2, static_cast<char>(0xFF)};
    reg.WriteBinaryData("Bin", bin, 4);

    EXPECT_EQ(reg.ReadInteger("INT"), -42);
    EXPECT_TRUE(reg.ReadBool("bool"));
    EXPECT_EQ(reg.ReadInteger("Bool"), 1);
    EXPECT_EQ(reg.ReadString("str"), "Grüße\r\nzwei");
    EXPECT_EQ(reg.ReadString("Empty"), "");
    char buf[4] = {};
    EXPECT_EQ(reg.ReadBinaryData("Bin", buf, 4), 4);
    EXPECT_EQ(std::string(buf, 4), std::string(bin, 4));

    EXPECT_EQ(reg.GetDataType("Int"), rdInteger);
    EXPECT_EQ(reg.GetDataType("Str"), rdString);
    EXPECT_EQ(reg.GetDataType("Bin"), rdBinary);
    EXPECT_EQ(reg.GetDataType("Nope"), rdUnknown);
    EXPECT_EQ(reg.GetDataSize("Int"), 4);
    EXPECT_EQ(reg.GetDataSize("Empty"), 1);
    EXPECT_EQ(reg.GetDataSize("Bin"), 4);
    EXPECT_EQ(reg.GetDataSize("Nope"), -1);

    EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.ReadInteger("Nope"); }),
              "Failed to get data for 'Nope'");
    EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.ReadString("Nope"); }),
              "Failed to get data for 'Nope'");
    EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.ReadInteger("Str"); }),
              "Invalid data type for 'Str'");
    EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.ReadBool("Bin"); }),
              "Invalid data type for 'Bin'");
    EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.ReadString("Int"); }),
              "Invalid data type for 'Int'");
    EXPECT_EQ(reg.ReadBinaryData("Nope", buf, 4), 0); // missing binary: nothing, no error
    EXPECT_THROW(reg.ReadBinaryData("Bin", buf, 3), ERegistryException); // too large
    EXPECT_THROW(reg.ReadBinaryData("Str", buf, 4), ERegistryException); // another type

    EXPECT_TRUE(reg.DeleteValue("str"));
    EXPECT_FALSE(reg.DeleteValue("Str"));
    EXPECT_FALSE(reg.ValueExists("Str"));
    reg.WriteString("int", "replaced by a string"); // same name, any case: one value
    EXPECT_EQ(reg.GetDataType("Int"), rdString);
}

TEST(Registry, WritesNeedAWritableOpenKey) {
    TempRegistry temp;
    TRegistry reg;
    EXPECT_FALSE(reg.ValueExists("X"));
    EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.WriteInteger("X", 1); }),
              "Failed to set data for 'X': no key is open");

    TRegistry writer;
    ASSERT_TRUE(writer.OpenKey(kSettings, true));
    writer.WriteInteger("X", 1);
    ASSERT_TRUE(reg.OpenKeyReadOnly(kSettings));
    EXPECT_EQ(reg.ReadInteger("X"), 1);
    EXPECT_THROW(reg.WriteInteger("X", 2), ERegistryException);
    EXPECT_FALSE(reg.DeleteValue("X"));
    EXPECT_EQ(reg.ReadInteger("X"), 1);

    // Another object deletes the key under the open one.
    TRegistry other;
    EXPECT_TRUE(other.DeleteKey("\\Software\\Fernhollow"));
    EXPECT_FALSE(other.DeleteKey("Software\\Fernhollow"));
    EXPECT_FALSE(writer.ValueExists("X"));
    EXPECT_THROW(writer.WriteInteger("X", 3), ERegistryException);
    EXPECT_FALSE(other.KeyExists(kSettings)); // the write did not bring it back

    // Root keys other than HKEY_CURRENT_USER hold nothing.
    TRegistry machine;
    machine.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(machine.OpenKey("Software", true));
    EXPECT_FALSE(machine.KeyExists("Software"));
    EXPECT_THROW(machine.WriteInteger("X", 1), ERegistryException);
}

TEST(Registry, ValuesAreSharedThroughTheFile) {
    TempRegistry temp;
    {
        TRegistry a;
        ASSERT_TRUE(a.OpenKey(kSettings, true));
        a.WriteString("LatestDataFile", "/data/x.tock");
        TRegistry b; // a second object sees a's values at once
        ASSERT_TRUE(b.OpenKeyReadOnly(kSettings));
        EXPECT_EQ(b.ReadString("LatestDataFile"), "/data/x.tock");
        a.WriteString("LatestDataFile", "/data/y.tock");
        EXPECT_EQ(b.ReadString("LatestDataFile"), "/data/y.tock");
    }
    // As after a restart: only the file remains.
    std::string text = ReadFileBytes(temp.FileName());
    EXPECT_NE(text.find("\"LatestDataFile\"=\"/data/y.tock\""), std::string::npos);
    TRegistry fresh;
    ASSERT_TRUE(fresh.OpenKeyReadOnly(kSettings));
    EXPECT_EQ(fresh.ReadString("LatestDataFile"), "/data/y.tock");
}

#include <QWidget>
#include <gtest/gtest.h>

#include "core/registrymanager.h"
#include "core/windows/windowposition.h"
#include "testutil.h"

namespace {
const std::string Key = "Software\\Fernhollow\\Tockwell\\Settings";
}

TEST(WindowPosition, SavedPositionComesBack) {
    TempRegistry registry;
    QWidget form;
    form.move(120, 80);
    form.resize(300, 200);
    SaveWindowPosition(&form, Key, "List");
    TRegistryManager reg(Key, HKEY_CURRENT_USER, true);
    EXPECT_EQ(reg.ReadIntegerDef("ListWndPosLeft", -1), 120);
    EXPECT_EQ(reg.ReadIntegerDef("ListWndPosHeight", -1), 200);

    QWidget other;
    other.move(1, 1);
    other.resize(50, 50);
    EXPECT_TRUE(LoadWindowPosition(&other, Key, "List"));
    EXPECT_EQ(other.pos(), QPoint(120, 80));
    EXPECT_EQ(other.size(), QSize(300, 200));
    // Another prefix has no values: nothing changes.
    EXPECT_FALSE(LoadWindowPosition(&other, Key, "Main"));
    EXPECT_EQ(other.size(), QSize(300, 200));
}

TEST(WindowPosition, IncompleteOrEmptyValuesChangeNothing) {
    TempRegistry registry;
    QWidget form;
    form.move(10, 10);
    form.resize(100, 100);
    SaveWindowPosition(Key, 5, 6, 0, 40, ""); // width 0
    EXPECT_FALSE(LoadWindowPosition(&form, Key, ""));
    SaveWindowPosition(Key, 5, 6, 40, 0, ""); // height 0
    EXPECT_FALSE(LoadWindowPosition(&form, Key, ""));
    EXPECT_EQ(form.pos(), QPoint(10, 10));
    {
        TRegistryManager reg(Key);
        reg.WriteIntegerValue("WndPosHeight", 30);
        reg.WriteStringValue("WndPosTop", "six"); // wrong type
    }
    EXPECT_FALSE(LoadWindowPosition(&form, Key, ""));
    {
        TRegistryManager reg(Key);
        reg.WriteIntegerValue("WndPosTop", 6);
        reg.DeleteValue("WndPosLeft");
    }
    EXPECT_FALSE(LoadWindowPosition(&form, Key, ""));
    EXPECT_FALSE(LoadWindowPosition(&form, "Software\\Nothing", ""));
    EXPECT_EQ(form.geometry().size(), QSize(100, 100));
    {
        TRegistryManager reg(Key);
        reg.WriteIntegerValue("WndPosLeft", -20);
    }
    EXPECT_TRUE(LoadWindowPosition(&form, Key, ""));
    EXPECT_EQ(form.pos(), QPoint(-20, 6));
    EXPECT_EQ(form.size(), QSize(40, 30));
}

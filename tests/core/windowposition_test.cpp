#include <gtest/gtest.h>

#include "core/registrymanager.h"
#include "core/windowposition.h"
#include "testutil.h"

TEST(WindowPosition, WritesTheFourValuesUnderThePrefix) {
    TempRegistry temp;
    const std::string key = "Software\\Fernhollow\\Tockwell\\Settings";
    SaveWindowPosition(key, -20, 30, 400, 250);
    SaveWindowPosition(key, 1, 2, 3, 4, "List");
    TRegistryManager r(key, HKEY_CURRENT_USER, true);
    EXPECT_EQ(r.ReadIntegerDef("WndPosLeft", 0), -20);
    EXPECT_EQ(r.ReadIntegerDef("WndPosTop", 0), 30);
    EXPECT_EQ(r.ReadIntegerDef("WndPosWidth", 0), 400);
    EXPECT_EQ(r.ReadIntegerDef("WndPosHeight", 0), 250);
    EXPECT_EQ(r.ReadIntegerDef("ListWndPosLeft", 0), 1);
    EXPECT_EQ(r.ReadIntegerDef("ListWndPosHeight", 0), 4);
}

#include "core/windowposition.h"

#include "core/registrymanager.h"

void SaveWindowPosition(const std::string& key, int left, int top, int width, int height,
                        const std::string& prefix) {
    TRegistryManager reg(key, HKEY_CURRENT_USER, false, prefix);
    reg.WriteIntegerValue("WndPosLeft", left);
    reg.WriteIntegerValue("WndPosTop", top);
    reg.WriteIntegerValue("WndPosWidth", width);
    reg.WriteIntegerValue("WndPosHeight", height);
}

#include "core/windows/windowposition.h"

#include <QWidget>

#include "core/registrymanager.h"

void SaveWindowPosition(QWidget* form, const std::string& key, const std::string& prefix) {
    if (!form)
        return;
    SaveWindowPosition(key, form->x(), form->y(), form->width(), form->height(), prefix);
}

bool LoadWindowPosition(QWidget* form, const std::string& key, const std::string& prefix) {
    if (!form)
        return false;
    try {
        TRegistryManager reg(key, HKEY_CURRENT_USER, true);
        int values[4];
        const char* names[4] = {"WndPosLeft", "WndPosTop", "WndPosWidth", "WndPosHeight"};
        for (int i = 0; i < 4; ++i) {
            if (!reg.ValueExists(prefix + names[i]))
                return false;
            values[i] = reg.ReadInteger(prefix + names[i]);
        }
        if (values[2] < 1 || values[3] <= 0)
            return false;
        form->move(values[0], values[1]);
        form->resize(values[2], values[3]);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

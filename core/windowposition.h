#pragma once
// The engine half of remembering a window's place: writing its bounds to the settings. The
// window code reads them back and keeps the window on the screen.

#include <string>

// Opens key under HKEY_CURRENT_USER (creating it) and writes the integers prefix +
// "WndPosLeft", "WndPosTop", "WndPosWidth" and "WndPosHeight" (pixels). Raises
// ERegistryException when the settings cannot be written.
void SaveWindowPosition(const std::string& key, int left, int top, int width, int height,
                        const std::string& prefix = {});

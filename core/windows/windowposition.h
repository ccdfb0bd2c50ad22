#pragma once
// Window positions kept in the settings store: "WndPosLeft", "WndPosTop", "WndPosWidth" and
// "WndPosHeight" (each behind the value-name prefix) under a key of HKEY_CURRENT_USER.
// Left and top are the frame's position, width and height the window's (client) size.

#include <string>

#include "core/windowposition.h"

class QWidget;

// Writes the form's position and size with the engine's SaveWindowPosition (core/windowposition.h).
void SaveWindowPosition(QWidget* form, const std::string& key, const std::string& prefix);

// Reads the four integers; when all exist with width >= 1 and height > 0, moves and sizes
// the form to them and gives true. Otherwise (a missing value, a read error) false, and the
// form is left as it was. Never raises.
bool LoadWindowPosition(QWidget* form, const std::string& key, const std::string& prefix);

#pragma once
// Names the program shares with its files and settings: the maker's web address, the
// registry keys of the engine, and the text that refuses a file of a newer format.

#include <string>

// The maker's web address, named in the newer-version message.
inline constexpr const char* TockwellWebAddress = "https://tockwell.org/";

// The settings key under HKEY_CURRENT_USER, and the reminders window's key below it.
inline constexpr const char* TockwellSettingsKey = "Software\\Fernhollow\\Tockwell\\Settings";
inline constexpr const char* ReminderSettingsKey =
    "Software\\Fernhollow\\Tockwell\\Settings\\Reminder";

// "This file was created with newer version of Tockwell. Please download new version of
// application from <web address> to read this file."
std::string NewerVersionMessage();

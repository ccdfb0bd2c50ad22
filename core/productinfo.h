#pragma once
// Names the program shares with its files and settings: the maker's addresses, the
// registry keys of the engine, and the text that refuses a file of a newer format.

#include <string>

// The maker's web address, named in the newer-version message.
inline constexpr const char* TockwellWebAddress = "https://tockwell.org/";
// The address for feedback and support (the about box's e-mail link).
inline constexpr const char* TockwellSupportEMail = "support@tockwell.org";
// The maker's pages the main window offers under its online links.
inline constexpr const char* TockwellDownloadAddress = "https://tockwell.org/download/";

// The settings key under HKEY_CURRENT_USER, and the reminders window's key below it.
inline constexpr const char* TockwellSettingsKey = "Software\\Fernhollow\\Tockwell\\Settings";
inline constexpr const char* ReminderSettingsKey =
    "Software\\Fernhollow\\Tockwell\\Settings\\Reminder";

// "This file was created with newer version of Tockwell. Please download new version of
// application from <web address> to read this file."
std::string NewerVersionMessage();

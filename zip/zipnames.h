#pragma once
// Entry names of zip archives: their code pages and the checks that keep extraction inside its
// destination folder. Names are held as UTF-8 with '/' between folders.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/charsets.h" // IsPlainAscii, IsValidUtf8

// Each byte of code page 437 as UTF-8 (bytes below 0x80 stay as they are).
std::string Cp437ToUtf8(std::string_view s);

// A stored name or comment as UTF-8: taken as it is when utf8 (general purpose flag bit 11) is
// set and the bytes are valid UTF-8, otherwise read as code page 437.
std::string DecodeZipText(std::string_view stored, bool utf8);

// True when a stored name (path and file name, '/' between folders) is safe to create below a
// destination folder: not empty, no NUL byte, not absolute ('/' first), no drive letter
// ("X:" first) and no ".." among its components.
bool IsSafeEntryName(std::string_view name);

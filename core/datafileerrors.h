#pragma once
// The data file's failures, one class per kind, each with its fixed message. Readers of both
// forms raise them; the main window tells them apart to decide whether another reader may
// try the same file.

#include <string>

#include "core/productinfo.h"
#include "platform/sysutils.h"

inline constexpr const char* InvalidFileFormatMessage = "Invalid file format";
inline constexpr const char* InvalidXMLFormatMessage = "Invalid Tockwell XML format.";

// The file is not a Tockwell data file of the binary form (wrong magic).
class ExInvalidFileFormat : public Exception {
public:
    ExInvalidFileFormat() : Exception(InvalidFileFormatMessage) {}
    using Exception::Exception;
};

// The file's format version is newer than this program reads.
class ExNewerVersionOfFile : public Exception {
public:
    ExNewerVersionOfFile() : Exception(NewerVersionMessage()) {}
    using Exception::Exception;
};

inline constexpr const char* PasswordNeededMessage = "The file is protected by a password";

// The file is password-protected and no password was given.
class ExPasswordNeeded : public Exception {
public:
    ExPasswordNeeded() : Exception(PasswordNeededMessage) {}
    using Exception::Exception;
};

// The document is XML but not a Tockwell data file, or holds values that cannot be read.
// Final: no other reader should try the file.
class ExXMLFormatError : public Exception {
public:
    ExXMLFormatError() : Exception(InvalidXMLFormatMessage) {}
    using Exception::Exception;
};

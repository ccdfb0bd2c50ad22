#pragma once
// Runtime basics the whole program shares: the exception classes and small string helpers.
// Strings are UTF-8 std::string throughout; positions are 0-based.

#include <cstdarg>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

// The general exception: carries a plain English message meant for the user.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : Message(std::move(message)) {}
    const char* what() const noexcept override { return Message.c_str(); }
    std::string Message;
};

// A text that is not a valid number, date or time.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// Stream failures: short reads, failed writes, files that cannot be opened or created.
class EStreamError : public Exception {
public:
    using Exception::Exception;
};
class EReadError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EFCreateError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

// A failed operating-system call; ErrorCode holds errno.
class EOSError : public Exception {
public:
    EOSError(std::string message, int errorCode)
        : Exception(std::move(message)), ErrorCode(errorCode) {}
    int ErrorCode;
};

// Raises EOSError with the text of errno, prefixed by what failed.
[[noreturn]] void RaiseLastOSError(std::string_view what);

// printf-style formatting into a std::string.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* fmt, va_list args);

// White space here is every character <= ' ' (as the original runtime trims).
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

// ASCII-only case mapping; UTF-8 bytes above 0x7F pass unchanged.
std::string LowerCase(std::string_view s);
std::string UpperCase(std::string_view s);
// Full Unicode case mapping of UTF-8 text (German, Cyrillic, ...).
std::string Utf8LowerCase(std::string_view s);
std::string Utf8UpperCase(std::string_view s);

// Case-insensitive comparisons: ASCII (SameText, CompareText) and Unicode (AnsiSameText).
bool SameText(std::string_view a, std::string_view b);
int CompareText(std::string_view a, std::string_view b);
bool AnsiSameText(std::string_view a, std::string_view b);
bool StartsText(std::string_view prefix, std::string_view s);

std::string ReplaceText(std::string_view s, std::string_view from, std::string_view to);
// A multi-line hint with each "\n\r" (its line separator) as one "\n", read from the left; a
// lone "\n" or "\r" and a "\r\n" stay as they are.
std::string HintLineBreaks(std::string_view hint);
bool ContainsText(std::string_view haystack, std::string_view needle); // ASCII case-insensitive

std::string IntToStr(int64_t value);
// Decimal integer text (optional sign, surrounding blanks allowed); EConvertError
// "'<text>' is not a valid integer value" when it is not one or does not fit in 32 bits.
int StrToInt(std::string_view text);
int StrToIntDef(std::string_view text, int def);
bool TryStrToInt(std::string_view text, int& value);
bool TryStrToInt64(std::string_view text, int64_t& value);

// Number of Unicode code points in UTF-8 text.
size_t Utf8Length(std::string_view s);
// The first maxChars characters (a byte and the continuation bytes after it) of UTF-8 text;
// reads no further.
std::string_view Utf8Prefix(std::string_view text, size_t maxChars);
// The longest start of UTF-8 text of at most maxBytes bytes that ends before a character, not
// inside one (text itself when it is no longer); steps back at most the three continuation
// bytes a character may have.
std::string_view Utf8BytePrefix(std::string_view text, size_t maxBytes);

#pragma once
// Character sets: checks of UTF-8 text, and conversions between sets over iconv.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// True when no byte is above 0x7F.
bool IsPlainAscii(std::string_view s);
// The length (1 to 4) of the well-formed UTF-8 sequence that starts at s[i] (i < s.size()),
// 0 when none does.
size_t Utf8SequenceAt(std::string_view s, size_t i);
// True when s is well-formed UTF-8 (no overlong forms, surrogates or code points above
// U+10FFFF).
bool IsValidUtf8(std::string_view s);
// s with every byte that does not start a well-formed UTF-8 sequence replaced by U+FFFD.
std::string ValidUtf8(std::string_view s);

// Converts text from the iconv character set `from` to `to`. With a replacement, each input
// character that is malformed or has no counterpart in `to` becomes the replacement (bytes in
// `to`; empty drops the character) and approximated characters are kept; without one, any
// such character gives nullopt. Also nullopt when iconv knows either set not. Other iconv
// failures raise Exception "Text conversion failed: <from> to <to>".
std::optional<std::string> ConvertCharset(std::string_view text, const std::string& to,
                                          const std::string& from,
                                          std::optional<std::string_view> replacement = {});

#pragma once
// Small text routines the program shares: tokens, shortening, list lookup and the
// reversible scrambling of stored credentials. Texts are UTF-8; positions count bytes unless
// a routine says characters.

#include <string>
#include <string_view>

class TStringList;

// True when an item equals text, ignoring case in the Unicode sense (AnsiSameText).
bool TextInStrings(std::string_view text, const TStringList& strings);

// 0 for an empty text or delimiter; otherwise the number of delimiters found plus one when
// text follows the last of them (a text without delimiter is one token):
// "MO TU" -> 2, "MO  TU" -> 3, "MO " -> 1.
int TokenCount(std::string_view text, std::string_view delimiter);
// The n-th piece (from 1) between delimiters; pieces between adjacent delimiters are empty, and
// so is a piece beyond the last one. An empty delimiter makes the whole text piece 1.
std::string ExtractToken(std::string_view text, std::string_view delimiter, int n);

// The first maxLen characters (code points, so no character is cut in two), followed by "..."
// when text was longer; maxLen < 0 gives text unchanged.
std::string TruncateWithEllipsis(std::string_view text, int maxLen);

// Each byte of text XORed with the key's bytes in turn, the key starting over after its last
// byte; an empty key gives text unchanged. Applying it twice with the same key restores text.
// The result may hold any byte, 0 included.
std::string XorWithKey(std::string_view text, std::string_view key);
// The fixed key that scrambles the stored SMTP user name and password: 128 printable ASCII
// characters. Changing it makes stored credentials unreadable.
extern const std::string_view CredentialsXorKey;

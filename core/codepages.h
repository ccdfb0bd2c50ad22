#pragma once
// Conversions between the program's text (UTF-8, the "wide" side) and 8-bit or multi-byte
// text in a code page, over iconv. A code page is given by its Windows number or by an iconv
// name ("CP1252", "ISO-8859-15").

#include <string>
#include <string_view>

inline constexpr unsigned CP_ACP = 0;   // the ANSI code page of data written on Windows
inline constexpr unsigned CP_OEMCP = 1; // the OEM (DOS) code page of zip entry names
inline constexpr unsigned CP_UTF8 = 65001;

// The iconv name of a Windows code page number: CP_ACP -> "CP1252", CP_OEMCP -> "CP437",
// 65001 -> "UTF-8", 20127 -> "ASCII", 28591..28606 -> "ISO-8859-n", 1200/1201 -> UTF-16LE/BE,
// 20866/21866 -> KOI8-R/U, any other n -> "CPn".
std::string CodePageName(unsigned codePage);

// Text in the code page to UTF-8. Bytes that are not valid in the code page become U+FFFD.
// An unknown code page raises Exception "Unsupported code page: <name>".
std::string MultiByteToWideText(std::string_view text, unsigned codePage);
std::string MultiByteToWideText(std::string_view text, const std::string& codePageName);
// UTF-8 to text in the code page. Characters the code page lacks (and bytes that are not
// UTF-8) become '?'. An unknown code page raises as above.
std::string WideToMultiByteText(std::string_view text, unsigned codePage);
std::string WideToMultiByteText(std::string_view text, const std::string& codePageName);

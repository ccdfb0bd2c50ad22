#include "core/codepages.h"

#include "platform/charsets.h"
#include "platform/sysutils.h"

namespace {

bool IsUtf8Name(const std::string& name) {
    return SameText(name, "UTF-8") || SameText(name, "UTF8");
}

// Unconvertible characters become U+FFFD in UTF-8, else the code page's '?'.
std::string Convert(std::string_view text, const std::string& to, const std::string& from) {
    std::string replacement = "\xEF\xBF\xBD";
    if (!IsUtf8Name(to))
        replacement = ConvertCharset("?", to, "ASCII").value_or("?");
    std::optional<std::string> out = ConvertCharset(text, to, from, replacement);
    if (!out)
        throw Exception("Unsupported code page: " + (IsUtf8Name(to) ? from : to));
    return std::move(*out);
}

} // namespace

std::string CodePageName(unsigned codePage) {
    switch (codePage) {
    case CP_ACP:
        return "CP1252";
    case CP_OEMCP:
        return "CP437";
    case CP_UTF8:
        return "UTF-8";
    case 65000:
        return "UTF-7";
    case 20127:
        return "ASCII";
    case 1200:
        return "UTF-16LE";
    case 1201:
        return "UTF-16BE";
    case 20866:
        return "KOI8-R";
    case 21866:
        return "KOI8-U";
    }
    if (codePage >= 28591 && codePage <= 28606)
        return "ISO-8859-" + std::to_string(codePage - 28590);
    return "CP" + std::to_string(codePage);
}

std::string MultiByteToWideText(std::string_view text, const std::string& codePageName) {
    return Convert(text, "UTF-8", codePageName);
}

std::string MultiByteToWideText(std::string_view text, unsigned codePage) {
    return MultiByteToWideText(text, CodePageName(codePage));
}

std::string WideToMultiByteText(std::string_view text, const std::string& codePageName) {
    return Convert(text, codePageName, "UTF-8");
}

std::string WideToMultiByteText(std::string_view text, unsigned codePage) {
    return WideToMultiByteText(text, CodePageName(codePage));
}

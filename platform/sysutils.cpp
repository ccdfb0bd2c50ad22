#include "platform/sysutils.h"

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cstring>
#include <cwctype>
#include <locale.h>

void RaiseLastOSError(std::string_view what) {
    int err = errno;
    throw EOSError(std::string(what) + ": " + std::strerror(err), err);
}

std::string FormatV(const char* fmt, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    if (n < 0)
        return {};
    std::string out(static_cast<size_t>(n), '\0');
    std::vsnprintf(out.data(), out.size() + 1, fmt, args);
    return out;
}

std::string Format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string s = FormatV(fmt, args);
    va_end(args);
    return s;
}

namespace {
bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}
char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
}
char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 32) : c;
}

locale_t Utf8Locale() {
    static locale_t loc = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr));
        if (!l)
            l = newlocale(LC_CTYPE_MASK, "C", locale_t(nullptr));
        return l;
    }();
    return loc;
}

// Decodes one code point; a byte that does not start a valid sequence comes back as itself.
char32_t DecodeUtf8(std::string_view s, size_t& i) {
    unsigned char c = s[i];
    int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (extra <= 0 || i + static_cast<size_t>(extra) >= s.size()) {
        ++i;
        return c;
    }
    char32_t cp = c & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        unsigned char cc = s[i + k];
        if ((cc & 0xC0) != 0x80) {
            ++i;
            return c;
        }
        cp = (cp << 6) | (cc & 0x3F);
    }
    i += extra + 1;
    return cp;
}

void EncodeUtf8(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

template <class Map> std::string MapUtf8(std::string_view s, Map map) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        size_t start = i;
        char32_t cp = DecodeUtf8(s, i);
        if (cp < 0x80 || i - start > 1)
            EncodeUtf8(map(cp), out);
        else
            out += s[start]; // a stray byte stays as it was
    }
    return out;
}
} // namespace

std::string Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return std::string(s.substr(b, e - b));
}

std::string TrimLeft(std::string_view s) {
    size_t b = 0;
    while (b < s.size() && IsBlank(s[b]))
        ++b;
    return std::string(s.substr(b));
}

std::string TrimRight(std::string_view s) {
    size_t e = s.size();
    while (e > 0 && IsBlank(s[e - 1]))
        --e;
    return std::string(s.substr(0, e));
}

std::string LowerCase(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = AsciiLower(c);
    return out;
}

std::string UpperCase(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = AsciiUpper(c);
    return out;
}

std::string Utf8LowerCase(std::string_view s) {
    return MapUtf8(s, [](char32_t c) { return char32_t(towlower_l(wint_t(c), Utf8Locale())); });
}

std::string Utf8UpperCase(std::string_view s) {
    return MapUtf8(s, [](char32_t c) { return char32_t(towupper_l(wint_t(c), Utf8Locale())); });
}

int CompareText(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = AsciiLower(a[i]), y = AsciiLower(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool SameText(std::string_view a, std::string_view b) {
    return CompareText(a, b) == 0;
}

bool AnsiSameText(std::string_view a, std::string_view b) {
    return Utf8LowerCase(a) == Utf8LowerCase(b);
}

bool StartsText(std::string_view prefix, std::string_view s) {
    return s.size() >= prefix.size() && SameText(prefix, s.substr(0, prefix.size()));
}

std::string ReplaceText(std::string_view s, std::string_view from, std::string_view to) {
    if (from.empty())
        return std::string(s);
    std::string out;
    size_t pos = 0;
    for (;;) {
        size_t hit = s.find(from, pos);
        if (hit == std::string_view::npos)
            break;
        out.append(s.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
    }
    out.append(s.substr(pos));
    return out;
}

std::string HintLineBreaks(std::string_view hint) {
    return ReplaceText(hint, "\n\r", "\n");
}

bool ContainsText(std::string_view haystack, std::string_view needle) {
    return LowerCase(haystack).find(LowerCase(needle)) != std::string::npos;
}

std::string IntToStr(int64_t value) {
    return std::to_string(value);
}

bool TryStrToInt64(std::string_view text, int64_t& value) {
    std::string t = Trim(text);
    std::string_view v = t;
    if (!v.empty() && v[0] == '+')
        v.remove_prefix(1);
    if (v.empty())
        return false;
    auto [ptr, ec] = std::from_chars(v.data(), v.data() + v.size(), value);
    return ec == std::errc() && ptr == v.data() + v.size();
}

bool TryStrToInt(std::string_view text, int& value) {
    int64_t v;
    if (!TryStrToInt64(text, v) || v < INT32_MIN || v > INT32_MAX)
        return false;
    value = static_cast<int>(v);
    return true;
}

int StrToInt(std::string_view text) {
    int v;
    if (!TryStrToInt(text, v))
        throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
    return v;
}

int StrToIntDef(std::string_view text, int def) {
    int v;
    return TryStrToInt(text, v) ? v : def;
}

std::string_view Utf8Prefix(std::string_view text, size_t maxChars) {
    size_t i = 0;
    for (size_t chars = 0; i < text.size() && chars < maxChars; ++chars) {
        ++i;
        while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            ++i;
    }
    return text.substr(0, i);
}

std::string_view Utf8BytePrefix(std::string_view text, size_t maxBytes) {
    if (text.size() <= maxBytes)
        return text;
    size_t end = maxBytes;
    for (int k = 0; k < 3 && end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80; ++k)
        --end;
    return text.substr(0, end);
}

size_t Utf8Length(std::string_view s) {
    size_t n = 0;
    for (size_t i = 0; i < s.size();) {
        DecodeUtf8(s, i);
        ++n;
    }
    return n;
}

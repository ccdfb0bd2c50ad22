#include "core/fixedformats.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "platform/datetimeformat.h"
#include "platform/sysutils.h"

namespace {

TFormatSettings MakeFixed() {
    TFormatSettings fs;
    fs.DateSeparator = "-";
    fs.TimeSeparator = ":";
    fs.DecimalSeparator = ".";
    fs.ThousandSeparator.clear();
    fs.ListSeparator.clear();
    fs.ShortDateFormat = "yyyy-mm-dd";
    fs.LongDateFormat.clear();
    fs.ShortTimeFormat = "hh:nn:ss";
    fs.LongTimeFormat = "hh:nn:ss";
    fs.TimeAMString.clear();
    fs.TimePMString.clear();
    fs.FirstDayOfWeek = 0;
    fs.TwoDigitYearCenturyWindow = 0;
    return fs;
}

TFormatSettings& Fixed() {
    static TFormatSettings fixed = MakeFixed();
    return fixed;
}

} // namespace

const TFormatSettings& FixedFormatSettings() {
    return Fixed();
}

void InitFixedFormatSettings() {
    Fixed() = MakeFixed();
}

std::string DateTimeToXmlText(bool emptyForZero, TDateTime value) {
    if (emptyForZero && value == 0)
        return {};
    return FormatDateTime("yyyy-mm-dd\"T\"hh:nn:ss", value, Fixed());
}

TDateTime XmlTextToDateTime(std::string_view text) {
    std::string t = Trim(text);
    if (t.empty())
        return 0;
    std::string spaced = t;
    for (char& c : spaced)
        if (c == 'T')
            c = ' ';
    TDateTime value;
    if (!TryStrToDateTime(spaced, value, Fixed()))
        throw EConvertError("'" + t + "' is not a valid date and time");
    return value;
}

TDateTime FixedTextToDateTime(std::string_view text) {
    return StrToDateTime(Trim(text), Fixed());
}

std::string FloatToXmlText(double value) {
    if (!std::isfinite(value))
        return "0";
    // Round to 9 decimals first (exact decimal rounding of the binary value) ...
    char fixed[400];
    auto r1 = std::to_chars(fixed, fixed + sizeof fixed, value, std::chars_format::fixed, 9);
    double rounded = 0;
    std::from_chars(fixed, r1.ptr, rounded);
    if (rounded == 0)
        return "0";
    // ... then keep 15 significant digits and write them without an exponent.
    char sci[40];
    auto r2 = std::to_chars(sci, sci + sizeof sci, rounded, std::chars_format::scientific, 14);
    std::string_view s(sci, static_cast<size_t>(r2.ptr - sci));
    bool negative = s[0] == '-';
    if (negative)
        s.remove_prefix(1);
    size_t ePos = s.find('e');
    std::string digits;
    for (char c : s.substr(0, ePos))
        if (c != '.')
            digits += c;
    std::string_view ex = s.substr(ePos + 1);
    if (!ex.empty() && ex[0] == '+')
        ex.remove_prefix(1);
    int exponent = 0;
    std::from_chars(ex.data(), ex.data() + ex.size(), exponent);

    std::string intPart, fracPart;
    if (exponent >= 0) {
        size_t intLen = static_cast<size_t>(exponent) + 1;
        if (digits.size() <= intLen) {
            intPart = digits + std::string(intLen - digits.size(), '0');
        } else {
            intPart = digits.substr(0, intLen);
            fracPart = digits.substr(intLen);
        }
    } else {
        intPart = "0";
        fracPart = std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
    }
    if (fracPart.size() > 9)
        fracPart.resize(9); // only zeros: the value was rounded to 9 decimals
    while (!fracPart.empty() && fracPart.back() == '0')
        fracPart.pop_back();
    std::string out = negative ? "-" : "";
    out += intPart;
    if (!fracPart.empty())
        out += "." + fracPart;
    return out;
}

double XmlTextToFloat(std::string_view text, double def) {
    std::string t;
    t.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c <= ' ')
            continue;
        // No-break spaces (U+00A0, U+202F) as thousand separators.
        if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xA0) {
            ++i;
            continue;
        }
        if (c == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80 &&
            static_cast<unsigned char>(text[i + 2]) == 0xAF) {
            i += 2;
            continue;
        }
        t += c == ',' ? '.' : static_cast<char>(c);
    }
    double value;
    return TryStrToFloat(t, value, Fixed()) ? value : def;
}

std::string BoolToXmlText(bool value) {
    return value ? "-1" : "0";
}

bool TryXmlTextToBool(std::string_view text, bool& value) {
    std::string t = Trim(text);
    if (SameText(t, "True")) {
        value = true;
        return true;
    }
    if (SameText(t, "False")) {
        value = false;
        return true;
    }
    int64_t n;
    if (!TryStrToInt64(t, n))
        return false;
    value = n != 0;
    return true;
}

bool XmlTextToBool(std::string_view text) {
    bool value;
    if (!TryXmlTextToBool(text, value))
        throw EConvertError("'" + std::string(text) + "' is not a valid boolean value");
    return value;
}

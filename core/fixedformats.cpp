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

const TFormatSettings& Fixed() {
    static const TFormatSettings fixed = MakeFixed();
    return fixed;
}

// "h:mm", "hh:mm" or "hh:mm:ss" of a valid time, nothing around it: the value that the
// general scan gives for it, read directly (place hours hold thousands of these).
bool TryPlainTime(std::string_view t, TDateTime& value) {
    auto digit = [&](size_t i) { return i < t.size() && t[i] >= '0' && t[i] <= '9'; };
    auto two = [&](size_t i) { return (t[i] - '0') * 10 + (t[i + 1] - '0'); };
    size_t i = 0;
    int hour = 0;
    if (digit(0) && digit(1)) {
        hour = two(0);
        i = 2;
    } else if (digit(0)) {
        hour = t[0] - '0';
        i = 1;
    } else {
        return false;
    }
    if (i >= t.size() || t[i] != ':' || !digit(i + 1) || !digit(i + 2))
        return false;
    const int minute = two(i + 1);
    i += 3;
    int second = 0;
    if (i < t.size()) {
        if (t[i] != ':' || !digit(i + 1) || !digit(i + 2) || i + 3 != t.size())
            return false;
        second = two(i + 1);
    }
    if (hour > 23 || minute > 59 || second > 59)
        return false;
    return TryEncodeTime(hour, minute, second, 0, value);
}

// "yyyy-mm-ddThh:nn:ss" (or a blank for the "T") of a valid date and time, nothing around
// it: what the general scan gives for it, read directly (two in every reminder entry).
bool TryPlainDateTime(std::string_view t, TDateTime& value) {
    if (t.size() != 19 || t[4] != '-' || t[7] != '-' || (t[10] != 'T' && t[10] != ' '))
        return false;
    int number[3] = {0, 0, 0};
    const size_t starts[3] = {0, 5, 8}, lengths[3] = {4, 2, 2};
    for (int part = 0; part < 3; ++part)
        for (size_t i = starts[part]; i < starts[part] + lengths[part]; ++i) {
            if (t[i] < '0' || t[i] > '9')
                return false;
            number[part] = number[part] * 10 + (t[i] - '0');
        }
    TDateTime date, time;
    if (!TryEncodeDate(number[0], number[1], number[2], date) || !TryPlainTime(t.substr(11), time))
        return false;
    value = ComposeDateTime(date, time);
    return true;
}

} // namespace

const TFormatSettings& FixedFormatSettings() {
    return Fixed();
}

void InitFixedFormatSettings() {
    Fixed();
}

std::string DateTimeToXmlText(bool emptyForZero, TDateTime value) {
    if (emptyForZero && value == 0)
        return {};
    return FormatDateTime("yyyy-mm-dd\"T\"hh:nn:ss", value, Fixed());
}

TDateTime XmlTextToDateTime(std::string_view text) {
    TDateTime plain;
    if (TryPlainDateTime(text, plain))
        return plain;
    std::string t = Trim(text);
    if (t.empty())
        return 0;
    TDateTime value;
    if (!TryStrToDateTime(ReplaceText(t, "T", " "), value, Fixed()))
        throw EConvertError("'" + t + "' is not a valid date and time");
    return value;
}

TDateTime FixedTextToDateTime(std::string_view text) {
    TDateTime value;
    if (TryPlainTime(text, value))
        return value;
    return StrToDateTime(Trim(text), Fixed());
}

std::string FloatToXmlText(double value) {
    if (!std::isfinite(value))
        return "0";
    // Round to 9 decimals first (exact decimal rounding of the binary value), then write the
    // result's 15 significant digits without an exponent.
    char fixed[400];
    auto r = std::to_chars(fixed, fixed + sizeof fixed, value, std::chars_format::fixed, 9);
    double rounded = 0;
    std::from_chars(fixed, r.ptr, rounded);
    return FloatToFixedText(rounded, ".");
}

TDateTime HeldInterval(TDateTime span) {
    return span > 0 && span < OneSecond ? OneSecond : span;
}

namespace {

// The text as XmlTextToFloat reads it: blanks gone, ',' taken as '.'.
std::string NormalizedFloatText(std::string_view text) {
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
    return t;
}

} // namespace

double XmlTextToFloat(std::string_view text, double def) {
    double value;
    return TryStrToFloat(NormalizedFloatText(text), value, Fixed()) ? value : def;
}

double XmlTextToFloatChecked(std::string_view text) {
    double value;
    if (!TryStrToFloat(NormalizedFloatText(text), value, Fixed()))
        throw EConvertError("'" + Trim(text) + "' is not a valid floating point value");
    return value;
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

#include "platform/datetimeformat.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "platform/sysutils.h"

namespace {

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 32) : c;
}

std::string Pad(int64_t value, int width) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    if (static_cast<int>(digits.size()) < width)
        digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
    return value < 0 ? "-" + digits : digits;
}

bool StartsNoCase(std::string_view s, size_t pos, std::string_view word) {
    if (pos + word.size() > s.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (Upper(s[pos + i]) != Upper(word[i]))
            return false;
    return true;
}

// Length of the run of the character at pos.
size_t RunLength(std::string_view s, size_t pos) {
    size_t n = 1;
    while (pos + n < s.size() && s[pos + n] == s[pos])
        ++n;
    return n;
}

// End of a quoted literal that opens at pos (the closing quote's position, or the end).
size_t QuoteEnd(std::string_view s, size_t pos) {
    size_t end = s.find(s[pos], pos + 1);
    return end == std::string_view::npos ? s.size() : end;
}

// True when the pattern holds a day number (d or dd outside quotes): month names then take
// their in-date form.
bool HasDayNumber(std::string_view fmt) {
    for (size_t i = 0; i < fmt.size();) {
        char c = fmt[i];
        if (c == '"' || c == '\'') {
            i = QuoteEnd(fmt, i) + 1;
            continue;
        }
        size_t n = RunLength(fmt, i);
        if (Upper(c) == 'D' && n <= 2)
            return true;
        i += n;
    }
    return false;
}

class Formatter : public TDateTimePatternWalker {
public:
    Formatter(TDateTime value, const TFormatSettings& fs)
        : TDateTimePatternWalker(fs), date_(DecodeDate(value)), time_(DecodeTime(value)),
          dow_(DayOfWeek(value)) {}

    std::string Result() { return std::move(out_); }

protected:
    void Literal(std::string_view text) override { out_.append(text); }

    void Field(const TDateTimeField& f) override {
        switch (f.Letter) {
        case 'Y':
            out_ += f.Count <= 2 ? Pad(date_.Year % 100, 2) : Pad(date_.Year, 4);
            break;
        case 'M':
            if (f.Count <= 2)
                out_ += Pad(date_.Month, static_cast<int>(f.Count));
            else if (f.Count == 3)
                out_ += (f.DayNumber ? fs_.ShortGenitiveMonthNames
                                     : fs_.ShortMonthNames)[date_.Month - 1];
            else
                out_ +=
                    (f.DayNumber ? fs_.GenitiveMonthNames : fs_.LongMonthNames)[date_.Month - 1];
            break;
        case 'D':
            if (f.Count <= 2)
                out_ += Pad(date_.Day, static_cast<int>(f.Count));
            else if (f.Count == 3)
                out_ += fs_.ShortDayNames[dow_ - 1];
            else
                out_ += fs_.LongDayNames[dow_ - 1];
            break;
        case 'H': {
            int hour = time_.Hour;
            if (f.TwelveHour) {
                if (hour == 0)
                    hour = 12;
                else if (hour > 12)
                    hour -= 12;
            }
            out_ += Pad(hour, f.Count == 1 ? 1 : 2);
            break;
        }
        case 'N':
            out_ += Pad(time_.Minute, f.Count == 1 ? 1 : 2);
            break;
        case 'S':
            out_ += Pad(time_.Second, f.Count == 1 ? 1 : 2);
            break;
        case 'Z':
            out_ += Pad(time_.MilliSecond, f.Count == 1 ? 1 : 3);
            break;
        }
    }

    void Designator(TAmPmDesignator kind, std::string_view written) override {
        bool pm = time_.Hour >= 12;
        switch (kind) {
        case TAmPmDesignator::AmPm:
            out_.append(written.substr(pm ? 3 : 0, 2));
            break;
        case TAmPmDesignator::AP:
            out_.append(written.substr(pm ? 2 : 0, 1));
            break;
        case TAmPmDesignator::Settings:
            out_ += pm ? fs_.TimePMString : fs_.TimeAMString;
            break;
        }
    }

    // The time is left out at midnight.
    bool CombinedWithTime() override {
        return time_.Hour != 0 || time_.Minute != 0 || time_.Second != 0;
    }

private:
    TDateParts date_;
    TTimeParts time_;
    int dow_;
    std::string out_;
};

} // namespace

// ---- Reading a pattern --------------------------------------------------------------

void TDateTimePatternWalker::Walk(std::string_view fmt, int level) {
    if (level >= 2) // nested patterns go one level deep
        return;
    bool dayNumber = HasDayNumber(fmt);
    char last = 0;
    size_t i = 0;
    while (i < fmt.size()) {
        char c = fmt[i];
        if (!IsAsciiLetter(c)) {
            if (c == '/') {
                Literal(fs_.DateSeparator);
            } else if (c == ':') {
                Literal(fs_.TimeSeparator);
            } else if (c == '"' || c == '\'') {
                size_t end = QuoteEnd(fmt, i);
                Literal(fmt.substr(i + 1, end - i - 1));
                i = end;
            } else {
                Literal(fmt.substr(i, 1));
            }
            ++i;
            continue;
        }
        char tok = Upper(c);
        if (tok == 'M' && last == 'H')
            tok = 'N';
        last = tok;
        size_t count = RunLength(fmt, i);
        switch (tok) {
        case 'Y':
        case 'M':
        case 'N':
        case 'S':
        case 'Z':
            Field({tok, count, false, dayNumber});
            break;
        case 'H':
            Field({tok, count, TwelveHourAhead(fmt, i + count), dayNumber});
            break;
        case 'D':
            if (count <= 4)
                Field({tok, count, false, dayNumber});
            else
                Walk(count == 5 ? fs_.ShortDateFormat : fs_.LongDateFormat, level + 1);
            break;
        case 'T':
            Walk(count == 1 ? fs_.ShortTimeFormat : fs_.LongTimeFormat, level + 1);
            break;
        case 'C':
            Walk(fs_.ShortDateFormat, level + 1);
            if (CombinedWithTime()) {
                Literal(" ");
                Walk(fs_.LongTimeFormat, level + 1);
            }
            break;
        case 'A':
            count = WalkDesignator(fmt, i);
            break;
        default:
            Literal(fmt.substr(i, count));
            break;
        }
        i += count;
    }
}

// Whether an hour at this point counts 12 hours: the first "a" outside quotes before the next
// hour field starts am/pm, a/p or ampm (ampm only when it writes something).
bool TDateTimePatternWalker::TwelveHourAhead(std::string_view fmt, size_t from) const {
    bool quoted = false;
    for (size_t p = from; p < fmt.size(); ++p) {
        char c = fmt[p];
        if (c == '"' || c == '\'') {
            quoted = !quoted;
        } else if (!quoted && Upper(c) == 'H') {
            return false;
        } else if (!quoted && Upper(c) == 'A') {
            if (StartsNoCase(fmt, p, "am/pm") || StartsNoCase(fmt, p, "a/p"))
                return true;
            return StartsNoCase(fmt, p, "ampm") && !AmPmIsEmpty();
        }
    }
    return false;
}

size_t TDateTimePatternWalker::WalkDesignator(std::string_view fmt, size_t pos) {
    if (StartsNoCase(fmt, pos, "am/pm")) {
        Designator(TAmPmDesignator::AmPm, fmt.substr(pos, 5));
        return 5;
    }
    if (StartsNoCase(fmt, pos, "a/p")) {
        Designator(TAmPmDesignator::AP, fmt.substr(pos, 3));
        return 3;
    }
    if (StartsNoCase(fmt, pos, "ampm")) {
        Designator(TAmPmDesignator::Settings, fmt.substr(pos, 4));
        return 4;
    }
    Literal(fmt.substr(pos, 1));
    return 1;
}

namespace {

// ---- Reading dates and times ----------------------------------------------------------

enum class DateOrder { MDY, DMY, YMD };

// The order of a short date pattern, from the first of d, m and y in it.
DateOrder DateOrderOf(std::string_view fmt) {
    for (size_t i = 0; i < fmt.size(); ++i) {
        char c = Upper(fmt[i]);
        if (fmt[i] == '"' || fmt[i] == '\'')
            i = QuoteEnd(fmt, i);
        else if (c == 'Y' || c == 'E')
            return DateOrder::YMD;
        else if (c == 'M')
            return DateOrder::MDY;
        else if (c == 'D')
            return DateOrder::DMY;
    }
    return DateOrder::MDY;
}

class Scanner {
public:
    explicit Scanner(std::string_view s) : s_(s) {}

    void Blanks() {
        while (pos_ < s_.size() && static_cast<unsigned char>(s_[pos_]) <= ' ')
            ++pos_;
    }
    bool AtEnd() const { return pos_ >= s_.size(); }

    // A run of at most 9 digits after optional blanks.
    bool Number(int& value, int& length) {
        Blanks();
        size_t start = pos_;
        int64_t v = 0;
        while (pos_ < s_.size() && IsDigit(s_[pos_])) {
            if (pos_ - start >= 9)
                return false;
            v = v * 10 + (s_[pos_] - '0');
            ++pos_;
        }
        if (pos_ == start)
            return false;
        value = static_cast<int>(v);
        length = static_cast<int>(pos_ - start);
        return true;
    }

    // A separator after optional blanks; a separator of blanks only needs one blank.
    bool Separator(std::string_view sep) {
        size_t start = pos_;
        Blanks();
        std::string t = Trim(sep);
        if (t.empty())
            return pos_ > start;
        if (s_.substr(pos_, t.size()) == t) {
            pos_ += t.size();
            return true;
        }
        pos_ = start;
        return false;
    }

    // A word after optional blanks, compared without regard to case.
    bool Word(std::string_view word) {
        if (word.empty())
            return false;
        size_t start = pos_;
        Blanks();
        if (pos_ + word.size() <= s_.size() && AnsiSameText(s_.substr(pos_, word.size()), word)) {
            pos_ += word.size();
            return true;
        }
        pos_ = start;
        return false;
    }

    // Fraction digits as milliseconds ("5" is 500).
    bool Milliseconds(int& ms) {
        size_t start = pos_;
        ms = 0;
        int scale = 100;
        while (pos_ < s_.size() && IsDigit(s_[pos_])) {
            ms += (s_[pos_] - '0') * scale;
            scale /= 10;
            ++pos_;
        }
        return pos_ > start;
    }

private:
    std::string_view s_;
    size_t pos_ = 0;
};

bool ScanDate(Scanner& sc, const TFormatSettings& fs, TDateTime& date) {
    int n1, l1, n2, l2, n3, l3;
    if (!sc.Number(n1, l1) || !sc.Separator(fs.DateSeparator) || !sc.Number(n2, l2))
        return false;
    DateOrder order = DateOrderOf(fs.ShortDateFormat);
    int y, m, d, yearLength;
    bool third = sc.Separator(fs.DateSeparator);
    if (third && !sc.Number(n3, l3)) {
        sc.Blanks();
        if (!sc.AtEnd())
            return false;
        third = false; // "5.3." : a day and a month with a closing separator
    }
    if (third) {
        switch (order) {
        case DateOrder::MDY:
            y = n3, yearLength = l3, m = n1, d = n2;
            break;
        case DateOrder::DMY:
            y = n3, yearLength = l3, m = n2, d = n1;
            break;
        default:
            y = n1, yearLength = l1, m = n2, d = n3;
            break;
        }
    } else {
        y = YearOf(Now());
        yearLength = 4;
        if (order == DateOrder::DMY)
            d = n1, m = n2;
        else
            m = n1, d = n2;
    }
    sc.Separator(fs.DateSeparator); // a trailing separator ("2009. 03. 14.")
    sc.Blanks();
    if (yearLength <= 2) {
        int base = YearOf(Now()) - fs.TwoDigitYearCenturyWindow;
        y += base / 100 * 100;
        if (fs.TwoDigitYearCenturyWindow > 0 && y < base)
            y += 100;
    }
    return TryEncodeDate(y, m, d, date);
}

// An AM/PM designator: base hour 0 or 12, else -1.
int ScanAmPm(Scanner& sc, const TFormatSettings& fs) {
    if (sc.Word(fs.TimeAMString) || sc.Word("AM"))
        return 0;
    if (sc.Word(fs.TimePMString) || sc.Word("PM"))
        return 12;
    return -1;
}

bool ScanTime(Scanner& sc, const TFormatSettings& fs, TDateTime& time) {
    int base = ScanAmPm(sc, fs);
    int hour, min = 0, sec = 0, msec = 0, len;
    if (!sc.Number(hour, len))
        return false;
    if (sc.Separator(fs.TimeSeparator)) {
        if (!sc.Number(min, len))
            return false;
        if (sc.Separator(fs.TimeSeparator)) {
            if (!sc.Number(sec, len))
                return false;
            if (sc.Separator(fs.DecimalSeparator) && !sc.Milliseconds(msec))
                return false;
        }
    }
    if (base < 0)
        base = ScanAmPm(sc, fs);
    if (base >= 0) {
        if (hour == 0 || hour > 12)
            return false;
        hour = (hour == 12 ? 0 : hour) + base;
    }
    sc.Blanks();
    return TryEncodeTime(hour, min, sec, msec, time);
}

[[noreturn]] void Invalid(std::string_view text, const char* what) {
    throw EConvertError("'" + std::string(text) + "' is not a valid " + what);
}

} // namespace

std::string FormatDateTime(std::string_view format, TDateTime value, const TFormatSettings& fs) {
    Formatter f(value, fs);
    f.Walk(format.empty() ? std::string_view("c") : format);
    return f.Result();
}

std::string DateToStr(TDateTime value, const TFormatSettings& fs) {
    return FormatDateTime("ddddd", value, fs);
}
std::string TimeToStr(TDateTime value, const TFormatSettings& fs) {
    return FormatDateTime("tt", value, fs);
}
std::string DateTimeToStr(TDateTime value, const TFormatSettings& fs) {
    return FormatDateTime("c", value, fs);
}

bool TryStrToDate(std::string_view text, TDateTime& value, const TFormatSettings& fs) {
    Scanner sc(text);
    TDateTime d;
    if (!ScanDate(sc, fs, d) || !sc.AtEnd())
        return false;
    value = d;
    return true;
}

bool TryStrToTime(std::string_view text, TDateTime& value, const TFormatSettings& fs) {
    Scanner sc(text);
    TDateTime t;
    if (!ScanTime(sc, fs, t) || !sc.AtEnd())
        return false;
    value = t;
    return true;
}

bool TryStrToDateTime(std::string_view text, TDateTime& value, const TFormatSettings& fs) {
    Scanner sc(text);
    TDateTime d, t = 0;
    if (ScanDate(sc, fs, d) && (sc.AtEnd() || (ScanTime(sc, fs, t) && sc.AtEnd()))) {
        value = ComposeDateTime(d, t);
        return true;
    }
    return TryStrToTime(text, value, fs);
}

TDateTime StrToDate(std::string_view text, const TFormatSettings& fs) {
    TDateTime v;
    if (!TryStrToDate(text, v, fs))
        Invalid(text, "date");
    return v;
}

TDateTime StrToTime(std::string_view text, const TFormatSettings& fs) {
    TDateTime v;
    if (!TryStrToTime(text, v, fs))
        Invalid(text, "time");
    return v;
}

TDateTime StrToDateTime(std::string_view text, const TFormatSettings& fs) {
    TDateTime v;
    if (!TryStrToDateTime(text, v, fs))
        Invalid(text, "date and time");
    return v;
}

// ---- Numbers --------------------------------------------------------------------------

namespace {

// A finite non-zero value's 15 significant digits (trailing zeros dropped), its sign and
// its decimal exponent.
struct TDecimalDigits {
    bool negative;
    std::string digits;
    int exponent;
};

TDecimalDigits SignificantDigits(double value) {
    char buf[40];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    std::string_view sci(buf, static_cast<size_t>(res.ptr - buf));
    TDecimalDigits d{sci[0] == '-', {}, 0};
    if (d.negative)
        sci.remove_prefix(1);
    size_t ePos = sci.find('e');
    for (char c : sci.substr(0, ePos))
        if (IsDigit(c))
            d.digits += c;
    std::string_view ex = sci.substr(ePos + 1);
    if (!ex.empty() && ex[0] == '+')
        ex.remove_prefix(1);
    std::from_chars(ex.data(), ex.data() + ex.size(), d.exponent);
    while (d.digits.size() > 1 && d.digits.back() == '0')
        d.digits.pop_back();
    return d;
}

std::string PlainDecimal(const TDecimalDigits& d, std::string_view decimalSeparator) {
    std::string out = d.negative ? "-" : "";
    if (d.exponent >= 0) {
        size_t intLen = static_cast<size_t>(d.exponent) + 1;
        if (d.digits.size() <= intLen) {
            out += d.digits + std::string(intLen - d.digits.size(), '0');
        } else {
            out += d.digits.substr(0, intLen);
            out += decimalSeparator;
            out += d.digits.substr(intLen);
        }
    } else {
        out += "0";
        out += decimalSeparator;
        out += std::string(static_cast<size_t>(-d.exponent - 1), '0') + d.digits;
    }
    return out;
}

} // namespace

std::string FloatToFixedText(double value, std::string_view decimalSeparator) {
    if (!std::isfinite(value) || value == 0)
        return "0";
    return PlainDecimal(SignificantDigits(value), decimalSeparator);
}

std::string FloatToStr(double value, const TFormatSettings& fs) {
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value > 0 ? "INF" : "-INF";
    if (value == 0)
        return "0";
    TDecimalDigits d = SignificantDigits(value);
    if (d.exponent < 15 && d.exponent >= -4)
        return PlainDecimal(d, fs.DecimalSeparator);
    std::string out = d.negative ? "-" : "";
    out += d.digits[0];
    if (d.digits.size() > 1)
        out += fs.DecimalSeparator + d.digits.substr(1);
    out += "E" + std::to_string(d.exponent);
    return out;
}

bool TryStrToFloat(std::string_view text, double& value, const TFormatSettings& fs) {
    std::string t = Trim(text);
    std::string_view v = t;
    std::string ascii;
    size_t i = 0;
    if (i < v.size() && (v[i] == '+' || v[i] == '-')) {
        if (v[i] == '-')
            ascii += '-';
        ++i;
    }
    int digits = 0;
    for (; i < v.size() && IsDigit(v[i]); ++i, ++digits)
        ascii += v[i];
    const std::string& dec = fs.DecimalSeparator;
    if (!dec.empty() && v.substr(i, dec.size()) == dec) {
        ascii += '.';
        i += dec.size();
        for (; i < v.size() && IsDigit(v[i]); ++i, ++digits)
            ascii += v[i];
    }
    if (digits == 0)
        return false;
    bool negativeExponent = false;
    if (i < v.size() && (v[i] == 'e' || v[i] == 'E')) {
        ascii += 'e';
        ++i;
        if (i < v.size() && (v[i] == '+' || v[i] == '-')) {
            negativeExponent = v[i] == '-';
            if (negativeExponent)
                ascii += '-';
            ++i;
        }
        size_t start = i;
        for (; i < v.size() && IsDigit(v[i]); ++i)
            ascii += v[i];
        if (i == start)
            return false;
    }
    if (i != v.size())
        return false;
    double result = 0;
    auto [ptr, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), result);
    if (ec == std::errc::result_out_of_range) {
        if (!negativeExponent)
            return false; // too large
        result = 0;       // too small: underflows to zero
    } else if (ec != std::errc() || ptr != ascii.data() + ascii.size()) {
        return false;
    }
    value = result;
    return true;
}

double StrToFloat(std::string_view text, const TFormatSettings& fs) {
    double v;
    if (!TryStrToFloat(text, v, fs))
        Invalid(text, "floating point value");
    return v;
}

TDateOrder DetermineDateOrder(std::string_view shortDateFormat) {
    TDateOrder order{};
    size_t found = 0;
    bool seen[3] = {false, false, false};
    char quote = 0;
    for (char c : shortDateFormat) {
        if (quote) {
            quote = c == quote ? 0 : quote;
            continue;
        }
        if (c == '"' || c == '\'') {
            quote = c;
            continue;
        }
        const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const int part = lower == 'd' ? 0 : lower == 'm' ? 1 : lower == 'y' ? 2 : -1;
        if (part < 0 || seen[part])
            continue;
        seen[part] = true;
        order[found++] = static_cast<TDatePart>(part);
        if (found == order.size())
            return order;
    }
    return {TDatePart::Day, TDatePart::Month, TDatePart::Year};
}

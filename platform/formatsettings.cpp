#include "platform/formatsettings.h"

#include <cstdint>
#include <langinfo.h>
#include <locale.h>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/charsets.h"
#include "platform/datetime.h"
#include "platform/sysutils.h"

namespace {

TFormatSettings MakeEnglish() {
    TFormatSettings fs; // the member defaults are the US English patterns
    fs.ShortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    fs.LongMonthNames = {"January", "February", "March",     "April",   "May",      "June",
                         "July",    "August",   "September", "October", "November", "December"};
    fs.GenitiveMonthNames = fs.LongMonthNames;
    fs.ShortGenitiveMonthNames = fs.ShortMonthNames;
    fs.ShortDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    fs.LongDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                       "Thursday", "Friday", "Saturday"};
    fs.FirstDayOfWeek = 6;
    return fs;
}

TFormatSettings& CurrentLocaleSettings() {
    static TFormatSettings settings = EnglishFormatSettings();
    return settings;
}

// ---- strftime patterns ----------------------------------------------------------------

// The C locale's D_FMT and T_FMT, for data that has none.
constexpr std::string_view kCDateFormat = "%m/%d/%y";
constexpr std::string_view kCTimeFormat = "%H:%M:%S";

// One piece of a parsed strftime pattern: a field with its category, or literal text.
struct FmtItem {
    // 0 literal; 'D' day number, 'M' month number, 'Y' year, 'a' weekday name,
    // 'b' month name, 'h' hour, 'n' minute, 's' second, 'p' AM/PM, 'z' dropped field.
    char Kind = 0;
    std::string Text; // pattern token, or the literal text
};

void AddLiteral(std::vector<FmtItem>& items, std::string_view text) {
    if (text.empty())
        return;
    if (!items.empty() && items.back().Kind == 0)
        items.back().Text += text;
    else
        items.push_back({0, std::string(text)});
}

void ParseStrftime(std::string_view fmt, const TCLocaleData& data, std::vector<FmtItem>& items,
                   int depth) {
    if (depth > 4)
        return;
    auto expand = [&](std::string_view sub, std::string_view fallback) {
        ParseStrftime(sub.empty() ? fallback : sub, data, items, depth + 1);
    };
    for (size_t i = 0; i < fmt.size(); ++i) {
        if (fmt[i] != '%') {
            AddLiteral(items, fmt.substr(i, 1));
            continue;
        }
        // Flags, width and the E/O modifiers.
        bool unpadded = false;
        size_t j = i + 1;
        while (j < fmt.size() && (fmt[j] == '-' || fmt[j] == '_' || fmt[j] == '0' ||
                                  fmt[j] == '^' || fmt[j] == '#')) {
            unpadded = unpadded || fmt[j] == '-' || fmt[j] == '_';
            ++j;
        }
        while (j < fmt.size() && fmt[j] >= '0' && fmt[j] <= '9')
            ++j;
        if (j < fmt.size() && (fmt[j] == 'E' || fmt[j] == 'O'))
            ++j;
        if (j >= fmt.size()) {
            AddLiteral(items, fmt.substr(i));
            return;
        }
        i = j;
        switch (fmt[j]) {
        case 'a':
            items.push_back({'a', "ddd"});
            break;
        case 'A':
            items.push_back({'a', "dddd"});
            break;
        case 'b':
        case 'h':
            items.push_back({'b', "mmm"});
            break;
        case 'B':
            items.push_back({'b', "mmmm"});
            break;
        case 'd':
            items.push_back({'D', unpadded ? "d" : "dd"});
            break;
        case 'e':
            items.push_back({'D', "d"});
            break;
        case 'm':
            items.push_back({'M', unpadded ? "m" : "mm"});
            break;
        case 'y':
        case 'g':
            items.push_back({'Y', "yy"});
            break;
        case 'Y':
        case 'G':
            items.push_back({'Y', "yyyy"});
            break;
        case 'H':
        case 'I':
            items.push_back({'h', unpadded ? "h" : "hh"});
            break;
        case 'k':
        case 'l':
            items.push_back({'h', "h"});
            break;
        case 'M':
            items.push_back({'n', unpadded ? "n" : "nn"});
            break;
        case 'S':
            items.push_back({'s', unpadded ? "s" : "ss"});
            break;
        case 'p':
        case 'P':
            items.push_back({'p', "ampm"});
            break;
        case 'r':
            expand(data.TimeFormatAmPm, "%I:%M:%S %p");
            break;
        case 'R':
            expand("%H:%M", "");
            break;
        case 'T':
            expand("%H:%M:%S", "");
            break;
        case 'D':
            expand("%m/%d/%y", "");
            break;
        case 'F':
            expand("%Y-%m-%d", "");
            break;
        case 'x':
            expand(data.DateFormat, kCDateFormat);
            break;
        case 'X':
            expand(data.TimeFormat, kCTimeFormat);
            break;
        case 'c':
            expand(data.DateTimeFormat, "%a %b %e %H:%M:%S %Y");
            break;
        case 'n':
        case 't':
            AddLiteral(items, " ");
            break;
        case '%':
            AddLiteral(items, "%");
            break;
        default:
            items.push_back({'z', ""});
            break; // zone, day of year, week numbers ...
        }
    }
}

// The literal text between the first two fields of the given categories ("." in
// "%d.%m.%Y"); empty when there is none.
std::string SeparatorOf(const std::vector<FmtItem>& items, std::string_view kinds) {
    int fields = 0;
    std::string sep;
    for (const FmtItem& it : items) {
        if (it.Kind == 0) {
            if (fields == 1)
                sep = it.Text;
        } else if (kinds.find(it.Kind) != std::string_view::npos) {
            if (++fields == 2)
                return sep;
        } else if (fields == 1) {
            return {};
        }
    }
    return {};
}

// The locale's date (D_FMT) and time (T_FMT) patterns, parsed.
struct DateAndTime {
    std::vector<FmtItem> Date, Time;
};

DateAndTime ParseDateAndTime(const TCLocaleData& data) {
    DateAndTime f;
    ParseStrftime(data.DateFormat.empty() ? kCDateFormat : data.DateFormat, data, f.Date, 0);
    ParseStrftime(data.TimeFormat.empty() ? kCTimeFormat : data.TimeFormat, data, f.Time, 0);
    return f;
}

struct Separators {
    std::string Date, Time;
};

Separators SeparatorsOf(const DateAndTime& formats) {
    Separators s{SeparatorOf(formats.Date, "DMY"), SeparatorOf(formats.Time, "hns")};
    if (s.Date.empty())
        s.Date = "/";
    if (s.Time.empty())
        s.Time = ":";
    return s;
}

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Literal text in the pattern language: letters, quotes and separator characters that
// would be read as the settings' separators are quoted.
std::string QuoteLiteral(std::string_view text, const Separators& seps) {
    if (text == seps.Date || text == seps.Time)
        return std::string(text); // written back as the same characters
    std::string out;
    std::string quoted;
    auto flush = [&] {
        if (!quoted.empty()) {
            out += '"' + quoted + '"';
            quoted.clear();
        }
    };
    for (char c : text) {
        if (c == '"') {
            flush();
            out += "'\"'";
        } else if (IsAsciiLetter(c) || c == '\'' || (c == '/' && seps.Date != "/") ||
                   (c == ':' && seps.Time != ":")) {
            quoted += c;
        } else {
            flush();
            out += c;
        }
    }
    flush();
    return out;
}

std::string Render(const std::vector<FmtItem>& items, const Separators& seps) {
    std::string out;
    for (const FmtItem& it : items)
        out += it.Kind == 0 ? QuoteLiteral(it.Text, seps) : it.Text;
    return out;
}

std::string TrimChars(std::string s, std::string_view chars) {
    size_t b = s.find_first_not_of(chars);
    if (b == std::string::npos)
        return {};
    size_t e = s.find_last_not_of(chars);
    return s.substr(b, e - b + 1);
}

// Long date pattern from D_T_FMT: the time fields dropped, names written in full, the
// day without padding, a comma after a leading weekday name.
std::string LongDateFrom(const TCLocaleData& data, const Separators& seps,
                         const std::string& shortDate) {
    std::vector<FmtItem> all;
    ParseStrftime(data.DateTimeFormat, data, all, 0);
    std::vector<FmtItem> items;
    bool afterMonthName = false;
    bool dropping = false; // inside a run of dropped fields: its separators go too
    for (const FmtItem& it : all) {
        if (it.Kind == 'h' || it.Kind == 'n' || it.Kind == 's' || it.Kind == 'p' ||
            it.Kind == 'z') {
            dropping = true;
            afterMonthName = false;
            continue;
        }
        if (it.Kind == 0) {
            if (dropping)
                continue;
            std::string text = it.Text;
            if (afterMonthName && !text.empty() && text[0] == '.')
                text.erase(0, 1); // "%b." is an abbreviation mark
            AddLiteral(items, text);
        } else if (it.Kind == 'a') {
            items.push_back({'a', "dddd"});
        } else if (it.Kind == 'b') {
            items.push_back({'b', "mmmm"});
        } else if (it.Kind == 'D') {
            items.push_back({'D', "d"});
        } else {
            items.push_back(it);
        }
        dropping = false;
        afterMonthName = it.Kind == 'b';
    }
    // Separators left behind by the dropped time fields.
    while (!items.empty() && items.back().Kind == 0) {
        items.back().Text = TrimChars(items.back().Text, " ,");
        if (!items.back().Text.empty())
            break;
        items.pop_back();
    }
    while (!items.empty() && items.front().Kind == 0) {
        items.front().Text = TrimChars(items.front().Text, " ,");
        if (!items.front().Text.empty())
            break;
        items.erase(items.begin());
    }
    bool hasDay = false, hasMonth = false, hasYear = false;
    for (const FmtItem& it : items) {
        hasDay = hasDay || it.Kind == 'D';
        hasMonth = hasMonth || it.Kind == 'b' || it.Kind == 'M';
        hasYear = hasYear || it.Kind == 'Y';
    }
    if (!hasDay || !hasMonth || !hasYear)
        return "dddd, " + shortDate;
    if (items.size() > 1 && items[0].Kind == 'a' && items[1].Kind == 0 && items[1].Text == " ")
        items[1].Text = ", ";
    return Render(items, seps);
}

// The time pattern without its seconds field and the separator before it.
std::string WithoutSeconds(std::vector<FmtItem> items, const Separators& seps) {
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].Kind != 's')
            continue;
        items.erase(items.begin() + static_cast<std::ptrdiff_t>(i));
        if (i > 0 && items[i - 1].Kind == 0 && items[i - 1].Text == seps.Time)
            items.erase(items.begin() + static_cast<std::ptrdiff_t>(i - 1));
        break;
    }
    return Render(items, seps);
}

// ---- C library access -----------------------------------------------------------------

struct LocaleDeleter {
    void operator()(locale_t loc) const { freelocale(loc); }
};
using LocalePtr = std::unique_ptr<std::remove_pointer_t<locale_t>, LocaleDeleter>;

} // namespace

const TFormatSettings& EnglishFormatSettings() {
    static const TFormatSettings english = MakeEnglish();
    return english;
}

const TFormatSettings& LocaleSettings() {
    return CurrentLocaleSettings();
}

void SetLocaleSettings(const TFormatSettings& settings) {
    CurrentLocaleSettings() = settings;
}

bool ReadCLocaleData(const std::string& localeName, TCLocaleData& data) {
    LocalePtr loc(newlocale(LC_ALL_MASK, localeName.c_str(), static_cast<locale_t>(nullptr)));
    if (!loc)
        return false;
    locale_t l = loc.get();
    std::string codeset = nl_langinfo_l(CODESET, l);
    const bool convert = codeset != "UTF-8" && codeset != "ANSI_X3.4-1968";
    // Text of the locale's code set in UTF-8; bytes that do not convert are dropped.
    auto get = [&](nl_item item) {
        const char* text = nl_langinfo_l(item, l);
        std::string in = text ? text : "";
        return convert ? ConvertCharset(in, "UTF-8", codeset, "").value_or(in) : in;
    };

    TCLocaleData d;
    for (int i = 0; i < 7; ++i) {
        d.Days[i] = get(DAY_1 + i);
        d.AbDays[i] = get(ABDAY_1 + i);
    }
    for (int i = 0; i < 12; ++i) {
        d.Months[i] = get(MON_1 + i);
        d.AbMonths[i] = get(ABMON_1 + i);
        d.AltMonths[i] = get(ALTMON_1 + i);
        d.AbAltMonths[i] = get(_NL_ABALTMON_1 + i);
    }
    d.DateFormat = get(D_FMT);
    d.TimeFormat = get(T_FMT);
    d.TimeFormatAmPm = get(T_FMT_AMPM);
    d.DateTimeFormat = get(D_T_FMT);
    d.AmString = get(AM_STR);
    d.PmString = get(PM_STR);
    d.RadixChar = get(RADIXCHAR);
    d.ThousandsSep = get(THOUSEP);
    // _NL_TIME_WEEK_1STDAY is a number stored in the pointer itself.
    d.Week1stDay = static_cast<int>(
        static_cast<uint32_t>(reinterpret_cast<uintptr_t>(nl_langinfo_l(_NL_TIME_WEEK_1STDAY, l))));
    const char* first = nl_langinfo_l(_NL_TIME_FIRST_WEEKDAY, l);
    d.FirstWeekday = first && *first ? static_cast<unsigned char>(*first) : 1;
    data = std::move(d);
    return true;
}

std::string StrftimeToPattern(const std::string& strftimeFormat, const TCLocaleData& data) {
    std::vector<FmtItem> items;
    ParseStrftime(strftimeFormat, data, items, 0);
    return Render(items, SeparatorsOf(ParseDateAndTime(data)));
}

TFormatSettings FormatSettingsFromCLocaleData(const TCLocaleData& data) {
    const TFormatSettings& en = EnglishFormatSettings();
    TFormatSettings fs = en;
    auto pick = [](const std::string& value, const std::string& fallback) {
        return value.empty() ? fallback : value;
    };
    for (int i = 0; i < 7; ++i) {
        fs.LongDayNames[i] = pick(data.Days[i], en.LongDayNames[i]);
        fs.ShortDayNames[i] = pick(data.AbDays[i], en.ShortDayNames[i]);
    }
    for (int i = 0; i < 12; ++i) {
        fs.GenitiveMonthNames[i] = pick(data.Months[i], en.LongMonthNames[i]);
        fs.ShortGenitiveMonthNames[i] = pick(data.AbMonths[i], en.ShortMonthNames[i]);
        fs.LongMonthNames[i] = pick(data.AltMonths[i], fs.GenitiveMonthNames[i]);
        fs.ShortMonthNames[i] = pick(data.AbAltMonths[i], fs.ShortGenitiveMonthNames[i]);
    }

    DateAndTime formats = ParseDateAndTime(data);
    Separators seps = SeparatorsOf(formats);
    fs.DateSeparator = seps.Date;
    fs.TimeSeparator = seps.Time;
    fs.ShortDateFormat = Render(formats.Date, seps);
    fs.LongDateFormat = LongDateFrom(data, seps, fs.ShortDateFormat);
    fs.LongTimeFormat = Render(formats.Time, seps);
    fs.ShortTimeFormat = WithoutSeconds(formats.Time, seps);

    bool twelveHour = false;
    for (const FmtItem& it : formats.Time)
        twelveHour = twelveHour || it.Kind == 'p';
    fs.TimeAMString = twelveHour ? pick(data.AmString, "AM") : "";
    fs.TimePMString = twelveHour ? pick(data.PmString, "PM") : "";

    fs.DecimalSeparator = pick(data.RadixChar, ".");
    fs.ThousandSeparator = data.ThousandsSep;
    fs.ListSeparator = fs.DecimalSeparator == "," ? ";" : ",";

    // The week starts FirstWeekday - 1 days after the weekday of Week1stDay.
    int y = data.Week1stDay / 10000, m = data.Week1stDay / 100 % 100, d = data.Week1stDay % 100;
    TDateTime base;
    if (!TryEncodeDate(y, m, d, base))
        base = EncodeDate(1997, 11, 30); // a Sunday
    int first = data.FirstWeekday >= 1 && data.FirstWeekday <= 7 ? data.FirstWeekday : 1;
    int sundayBased = (DayOfWeek(base) - 1 + first - 1) % 7; // 0 = Sunday
    fs.FirstDayOfWeek = (sundayBased + 6) % 7;
    return fs;
}

bool FormatSettingsFromCLocale(const std::string& localeName, TFormatSettings& settings) {
    TCLocaleData data;
    if (!ReadCLocaleData(localeName, data))
        return false;
    settings = FormatSettingsFromCLocaleData(data);
    return true;
}

#pragma once
// Locale settings for texts of dates, times and numbers, in the original runtime's shape.
// Two sets matter: the user's locale (injectable; filled from the C library at start-up)
// and fixed sets built by the code that needs them (data files use '-', ':', '.').

#include <array>
#include <string>

struct TFormatSettings {
    std::string DateSeparator = "/";
    std::string TimeSeparator = ":";
    std::string DecimalSeparator = ".";
    std::string ThousandSeparator = ",";
    std::string ListSeparator = ",";
    // Patterns in the runtime's language: d dd ddd dddd ddddd dddddd m mm mmm mmmm
    // yy yyyy h hh n nn s ss z zzz t tt am/pm a/p ampm "/" ":" and quoted text.
    std::string ShortDateFormat = "M/d/yyyy";
    std::string LongDateFormat = "dddd, MMMM d, yyyy";
    std::string ShortTimeFormat = "h:mm AMPM";
    std::string LongTimeFormat = "h:mm:ss AMPM";
    // Designators of a 12-hour clock; both empty in 24-hour locales.
    std::string TimeAMString = "AM";
    std::string TimePMString = "PM";
    std::array<std::string, 12> ShortMonthNames; // [0] = January
    std::array<std::string, 12> LongMonthNames;
    // Month names as they stand inside a date ("1 marca" in Polish); equal to
    // LongMonthNames where the language has no such form.
    std::array<std::string, 12> GenitiveMonthNames;
    std::array<std::string, 12> ShortGenitiveMonthNames;
    std::array<std::string, 7> ShortDayNames; // [0] = Sunday
    std::array<std::string, 7> LongDayNames;
    // First day of the week as the locale says it: 0 = Monday .. 6 = Sunday.
    int FirstDayOfWeek = 6;
    // A two-digit year read from text lands within this many years before the current year
    // and the years after it (50: in 2026, "75" is 2075 and "76" is 1976); 0 puts it in the
    // current century.
    int TwoDigitYearCenturyWindow = 50;
};

// US English settings with English names; always available.
const TFormatSettings& EnglishFormatSettings();

// The user's locale settings. Starts as EnglishFormatSettings until set. Set them at
// start-up, before other threads read them.
const TFormatSettings& LocaleSettings();
void SetLocaleSettings(const TFormatSettings& settings);

// Locale data as the C library gives it (UTF-8 texts, strftime patterns). Filled by
// ReadCLocaleData; tests fill it by hand.
struct TCLocaleData {
    std::array<std::string, 7> Days, AbDays;            // [0] = Sunday
    std::array<std::string, 12> Months, AbMonths;       // in-date (genitive) forms
    std::array<std::string, 12> AltMonths, AbAltMonths; // stand-alone forms; may be empty
    std::string DateFormat;                             // D_FMT, e.g. "%d.%m.%Y"
    std::string TimeFormat;                             // T_FMT, e.g. "%T"
    std::string TimeFormatAmPm;                         // T_FMT_AMPM, e.g. "%I:%M:%S %p"
    std::string DateTimeFormat;                         // D_T_FMT, e.g. "%a %d %b %Y %T %Z"
    std::string AmString, PmString;
    std::string RadixChar, ThousandsSep;
    int Week1stDay = 19971130; // a date (yyyymmdd) whose weekday starts the week count
    int FirstWeekday = 1;      // 1-based offset from Week1stDay's weekday
};

// Reads the C library's data for the named locale ("de_DE.UTF-8"), or the environment's
// locale when name is empty; texts are converted to UTF-8. False when not installed.
bool ReadCLocaleData(const std::string& localeName, TCLocaleData& data);

// Builds settings from C library data: names (stand-alone month names as LongMonthNames,
// in-date forms as GenitiveMonthNames), patterns converted from strftime, separators and
// date order taken from D_FMT/T_FMT, AM/PM only for 12-hour time formats.
TFormatSettings FormatSettingsFromCLocaleData(const TCLocaleData& data);

// Converts a strftime pattern into the runtime's pattern language ("%d.%m.%Y" ->
// "dd/mm/yyyy" with DateSeparator "."); composite conversions expand through data.
std::string StrftimeToPattern(const std::string& strftimeFormat, const TCLocaleData& data);

// ReadCLocaleData followed by FormatSettingsFromCLocaleData. Returns false when the locale
// is not installed (settings unchanged).
bool FormatSettingsFromCLocale(const std::string& localeName, TFormatSettings& settings);

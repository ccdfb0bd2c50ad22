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
    std::string TimeAMString = "AM";
    std::string TimePMString = "PM";
    std::array<std::string, 12> ShortMonthNames;    // [0] = January
    std::array<std::string, 12> LongMonthNames;
    // Month names as they stand inside a date ("1 marca" in Polish); equal to
    // LongMonthNames where the language has no such form.
    std::array<std::string, 12> GenitiveMonthNames;
    std::array<std::string, 12> ShortGenitiveMonthNames;
    std::array<std::string, 7> ShortDayNames;       // [0] = Sunday
    std::array<std::string, 7> LongDayNames;
    // First day of the week as the locale says it: 0 = Monday .. 6 = Sunday.
    int FirstDayOfWeek = 6;
};

// US English settings with English names; always available.
const TFormatSettings& EnglishFormatSettings();

// The user's locale settings. Starts as EnglishFormatSettings until set.
const TFormatSettings& LocaleSettings();
void SetLocaleSettings(const TFormatSettings& settings);

// Builds settings from the C library's data for the named locale ("de_DE.UTF-8"), or for
// the environment's locale when name is empty. Returns false when the locale is not
// installed (settings unchanged).
bool FormatSettingsFromCLocale(const std::string& localeName, TFormatSettings& settings);

#include <gtest/gtest.h>

#include "localesamples.h"
#include "platform/datetimeformat.h"
#include "platform/formatsettings.h"

namespace {

const TDateTime Sample = EncodeDateTime(2025, 3, 5, 15, 7, 9, 0); // a Wednesday

// The names of settings as the C library holds them: in-date month forms as its months,
// stand-alone forms as its alternative months.
TCLocaleData NamesOf(const TFormatSettings& fs) {
    TCLocaleData d;
    d.Days = fs.LongDayNames;
    d.AbDays = fs.ShortDayNames;
    d.Months = fs.GenitiveMonthNames;
    d.AbMonths = fs.ShortGenitiveMonthNames;
    d.AltMonths = fs.LongMonthNames;
    d.AbAltMonths = fs.ShortMonthNames;
    return d;
}

// Locale data as glibc 2.36 holds it for de_DE, ru_RU and en_US (the parts that matter).
TCLocaleData GermanData() {
    TCLocaleData d = NamesOf(GermanSettings());
    d.DateFormat = "%d.%m.%Y";
    d.TimeFormat = "%T";
    d.DateTimeFormat = "%a %d %b %Y %T %Z";
    d.RadixChar = ",";
    d.ThousandsSep = ".";
    d.Week1stDay = 19971130;
    d.FirstWeekday = 2;
    return d;
}

TCLocaleData RussianData() {
    TCLocaleData d = NamesOf(RussianSettings());
    d.Days = {"Воскресенье", "Понедельник", "Вторник", "Среда", "Четверг", "Пятница", "Суббота"};
    d.DateFormat = "%d.%m.%Y";
    d.TimeFormat = "%T";
    d.DateTimeFormat = "%a %d %b %Y %T";
    d.RadixChar = ",";
    d.ThousandsSep = "\u202f";
    d.Week1stDay = 19971130;
    d.FirstWeekday = 2;
    return d;
}

TCLocaleData UsData() {
    TCLocaleData d = NamesOf(EnglishFormatSettings());
    d.DateFormat = "%m/%d/%Y";
    d.TimeFormat = "%r";
    d.TimeFormatAmPm = "%I:%M:%S %p";
    d.DateTimeFormat = "%a %d %b %Y %r %Z";
    d.AmString = "AM";
    d.PmString = "PM";
    d.RadixChar = ".";
    d.ThousandsSep = ",";
    return d;
}

} // namespace

TEST(FormatSettings, EnglishAndProcessWideSet) {
    const TFormatSettings& en = EnglishFormatSettings();
    EXPECT_EQ(en.ShortDateFormat, "M/d/yyyy");
    EXPECT_EQ(en.LongMonthNames[11], "December");
    EXPECT_EQ(en.ShortDayNames[0], "Sun");
    EXPECT_EQ(en.FirstDayOfWeek, 6);

    TFormatSettings saved = LocaleSettings();
    TFormatSettings de = FormatSettingsFromCLocaleData(GermanData());
    SetLocaleSettings(de);
    EXPECT_EQ(FormatDateTime("c", Sample), "05.03.2025 15:07:09");
    EXPECT_EQ(FloatToStr(2.5), "2,5");
    EXPECT_EQ(EnglishFormatSettings().LongDayNames[3], "Wednesday"); // English stays at hand
    SetLocaleSettings(saved);
    EXPECT_EQ(FloatToStr(2.5), "2.5");
}

TEST(FormatSettings, GermanFromLocaleData) {
    TFormatSettings fs = FormatSettingsFromCLocaleData(GermanData());
    EXPECT_EQ(fs.ShortDateFormat, "dd.mm.yyyy");
    EXPECT_EQ(fs.LongDateFormat, "dddd, d mmmm yyyy");
    EXPECT_EQ(fs.LongTimeFormat, "hh:nn:ss");
    EXPECT_EQ(fs.ShortTimeFormat, "hh:nn");
    EXPECT_EQ(fs.DateSeparator, ".");
    EXPECT_EQ(fs.TimeSeparator, ":");
    EXPECT_EQ(fs.TimeAMString, "");
    EXPECT_EQ(fs.TimePMString, "");
    EXPECT_EQ(fs.DecimalSeparator, ",");
    EXPECT_EQ(fs.ThousandSeparator, ".");
    EXPECT_EQ(fs.ListSeparator, ";");
    EXPECT_EQ(fs.FirstDayOfWeek, 0); // Monday
    EXPECT_EQ(FormatDateTime("dddddd", Sample, fs), "Mittwoch, 5 März 2025");
    EXPECT_EQ(FormatDateTime("ddd t", Sample, fs), "Mi 15:07");
}

TEST(FormatSettings, RussianMonthForms) {
    TFormatSettings fs = FormatSettingsFromCLocaleData(RussianData());
    EXPECT_EQ(fs.LongMonthNames[2], "Март");
    EXPECT_EQ(fs.GenitiveMonthNames[2], "марта");
    EXPECT_EQ(fs.ShortMonthNames[4], "май");
    EXPECT_EQ(fs.ShortGenitiveMonthNames[4], "мая");
    EXPECT_EQ(fs.LongDayNames[3], "Среда");
    EXPECT_EQ(fs.ThousandSeparator, "\u202f");
    EXPECT_EQ(FormatDateTime("dddddd", Sample, fs), "Среда, 5 марта 2025");
    EXPECT_EQ(FormatDateTime("mmmm yyyy", Sample, fs), "Март 2025");
    // Without stand-alone forms the in-date names serve for both.
    TCLocaleData d = RussianData();
    d.AltMonths = {};
    d.AbAltMonths = {};
    fs = FormatSettingsFromCLocaleData(d);
    EXPECT_EQ(fs.LongMonthNames[2], "марта");
    EXPECT_EQ(fs.ShortMonthNames[4], "мая");
}

TEST(FormatSettings, TwelveHourLocale) {
    TFormatSettings fs = FormatSettingsFromCLocaleData(UsData());
    EXPECT_EQ(fs.ShortDateFormat, "mm/dd/yyyy");
    EXPECT_EQ(fs.LongTimeFormat, "hh:nn:ss ampm");
    EXPECT_EQ(fs.ShortTimeFormat, "hh:nn ampm");
    EXPECT_EQ(fs.TimeAMString, "AM");
    EXPECT_EQ(fs.TimePMString, "PM");
    EXPECT_EQ(fs.FirstDayOfWeek, 6); // Sunday
    EXPECT_EQ(FormatDateTime("c", Sample, fs), "03/05/2025 03:07:09 PM");
    EXPECT_DOUBLE_EQ(StrToDateTime("03/05/2025 03:07:09 PM", fs), Sample);
}

TEST(FormatSettings, StrftimeConversion) {
    TCLocaleData d = GermanData();
    EXPECT_EQ(StrftimeToPattern("%e. %B %Y", d), "d. mmmm yyyy");
    EXPECT_EQ(StrftimeToPattern("%-d.%-m.%y", d), "d.m.yy");
    EXPECT_EQ(StrftimeToPattern("%A, %x %X", d), "dddd, dd.mm.yyyy hh:nn:ss");
    EXPECT_EQ(StrftimeToPattern("%l:%M %P", d), "h:nn ampm");
    EXPECT_EQ(StrftimeToPattern("%Hh%M", d), "hh\"h\"nn"); // letters quoted
    EXPECT_EQ(StrftimeToPattern("%d de %B de %Y", d), "dd \"de\" mmmm \"de\" yyyy");
    EXPECT_EQ(StrftimeToPattern("%d/%m \"%Z\" 100%%", d), "dd\"/\"mm '\"''\"' 100%");
    EXPECT_EQ(StrftimeToPattern("%Y년 %m월 %d일", d), "yyyy년 mm월 dd일");
    EXPECT_EQ(StrftimeToPattern("%Ey %Od %", d), "yy dd %");
    // The patterns write what strftime writes.
    TFormatSettings fs = FormatSettingsFromCLocaleData(d);
    EXPECT_EQ(FormatDateTime(StrftimeToPattern("%d de %B de %Y", d), Sample, fs),
              "05 de März de 2025");
    EXPECT_EQ(FormatDateTime(StrftimeToPattern("%Hh%M", d), Sample, fs), "15h07");
}

TEST(FormatSettings, OtherSeparatorsAndLongDates) {
    TCLocaleData fi = GermanData();
    fi.TimeFormat = "%H.%M.%S";
    fi.DateTimeFormat = "%a %e. %Bta %Y %H.%M.%S";
    TFormatSettings fs = FormatSettingsFromCLocaleData(fi);
    EXPECT_EQ(fs.TimeSeparator, ".");
    EXPECT_EQ(fs.LongTimeFormat, "hh.nn.ss");
    EXPECT_EQ(fs.ShortTimeFormat, "hh.nn");
    EXPECT_EQ(fs.LongDateFormat, "dddd, d. mmmm\"ta\" yyyy");
    EXPECT_DOUBLE_EQ(StrToTime("15.07.09", fs), EncodeTime(15, 7, 9, 0));

    TCLocaleData hu = GermanData();
    hu.DateFormat = "%Y. %m. %d.";
    hu.DateTimeFormat = "%Y. %b. %-e., %A, %H:%M:%S %Z";
    fs = FormatSettingsFromCLocaleData(hu);
    EXPECT_EQ(fs.DateSeparator, ". ");
    EXPECT_EQ(fs.LongDateFormat, "yyyy. mmmm d., dddd");
    EXPECT_EQ(FormatDateTime("ddddd", Sample, fs), "2025. 03. 05.");
    EXPECT_DOUBLE_EQ(StrToDate("2025. 03. 05.", fs), EncodeDate(2025, 3, 5));

    TCLocaleData plain = GermanData();
    plain.DateTimeFormat = "%a %b %e %H:%M:%S %Y"; // the C locale's
    EXPECT_EQ(FormatSettingsFromCLocaleData(plain).LongDateFormat, "dddd, mmmm d yyyy");
    // Without date fields of its own the long date is the short one with the weekday.
    plain.DateTimeFormat = "%c";
    EXPECT_EQ(FormatSettingsFromCLocaleData(plain).LongDateFormat, "dddd, dd.mm.yyyy");
    plain.DateTimeFormat = "%H:%M";
    EXPECT_EQ(FormatSettingsFromCLocaleData(plain).LongDateFormat, "dddd, dd.mm.yyyy");
}

TEST(FormatSettings, FirstDayOfWeek) {
    TCLocaleData d = GermanData();
    auto first = [&](int week1st, int firstWeekday) {
        d.Week1stDay = week1st;
        d.FirstWeekday = firstWeekday;
        return FormatSettingsFromCLocaleData(d).FirstDayOfWeek;
    };
    EXPECT_EQ(first(19971130, 1), 6); // Sunday
    EXPECT_EQ(first(19971130, 2), 0); // Monday
    EXPECT_EQ(first(19971201, 1), 0); // Monday-based week, first day 1
    EXPECT_EQ(first(19971130, 7), 5); // Saturday
    EXPECT_EQ(first(0, 2), 0);        // broken data falls back to a Sunday base
    EXPECT_EQ(first(19971130, 0), 6);
}

// The C library's own data: C.UTF-8 is built in; other locales are used when installed.
TEST(FormatSettings, FromTheCLibrary) {
    TFormatSettings fs;
    fs.ShortDateFormat = "unchanged";
    EXPECT_FALSE(FormatSettingsFromCLocale("xx_NOWHERE.UTF-8", fs));
    EXPECT_EQ(fs.ShortDateFormat, "unchanged");
    if (!FormatSettingsFromCLocale("C.UTF-8", fs))
        GTEST_SKIP() << "C.UTF-8 is not available";
    EXPECT_EQ(fs.ShortDateFormat, "mm/dd/yy");
    EXPECT_EQ(fs.LongTimeFormat, "hh:nn:ss");
    EXPECT_EQ(fs.LongMonthNames[0], "January");
    EXPECT_EQ(fs.ShortDayNames[6], "Sat");
    EXPECT_EQ(fs.DecimalSeparator, ".");
    EXPECT_EQ(fs.TimeAMString, "");
}

TEST(FormatSettings, InstalledGermanAndRussianLocales) {
    TFormatSettings de, ru;
    bool haveDe = FormatSettingsFromCLocale("de_DE.UTF-8", de);
    bool haveRu = FormatSettingsFromCLocale("ru_RU.UTF-8", ru);
    if (!haveDe && !haveRu)
        GTEST_SKIP() << "neither de_DE.UTF-8 nor ru_RU.UTF-8 is installed";
    if (haveDe) {
        EXPECT_EQ(de.DateSeparator, ".");
        EXPECT_EQ(de.DecimalSeparator, ",");
        EXPECT_EQ(de.LongMonthNames[2], "März");
        EXPECT_EQ(de.FirstDayOfWeek, 0);
        EXPECT_EQ(FormatDateTime("ddddd", Sample, de), "05.03.2025");
    }
    if (haveRu) {
        EXPECT_EQ(ru.GenitiveMonthNames[2], "марта");
        EXPECT_NE(ru.LongMonthNames[2], ru.GenitiveMonthNames[2]);
        EXPECT_EQ(FormatDateTime("d mmmm", Sample, ru), "5 марта");
        EXPECT_DOUBLE_EQ(StrToDateTime(FormatDateTime("c", Sample, ru), ru), Sample);
    }
}

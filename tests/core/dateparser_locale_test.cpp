#include <gtest/gtest.h>

#include "core/dateparser.h"
#include "datetestsettings.h"
#include "platform/sysutils.h"

namespace {
const TDateTime Wed = At(2026, 5, 13, 9); // Wednesday 13 May 2026, 09:00

void Expect(const TDateKeywordTable& table, const std::string& text, const std::string& title,
            TDateTime expected) {
    TParsedPhrase r = ParsePhrase(text, Wed, table);
    EXPECT_EQ(r.Title, title) << text;
    EXPECT_EQ(Show(r.FirstDate), Show(expected)) << text;
}
} // namespace

TEST(ParsePhraseLocale, GermanNamesBesideEnglishOnes) {
    const TDateKeywordTable de = BuildDateKeywords(GermanSettings(), &EnglishFormatSettings());
    Expect(de, "Zahnarzt 5. März 14:30", "Zahnarzt", At(2027, 3, 5, 14, 30));
    Expect(de, "Zahnarzt 5. MÄRZ", "Zahnarzt", At(2027, 3, 5));
    Expect(de, "Zahnarzt 5 mär", "Zahnarzt", At(2027, 3, 5));
    Expect(de, "Zahnarzt 5 march", "Zahnarzt", At(2027, 3, 5));
    Expect(de, "Müll rausbringen Freitag", "Müll rausbringen", At(2026, 5, 15));
    Expect(de, "Müll rausbringen next fr 7:00", "Müll rausbringen", At(2026, 5, 22, 7));
    Expect(de, "Bäcker tomorrow 10 am", "Bäcker", At(2026, 5, 14, 10));
    Expect(de, "Geburtstag 24. Dezember", "Geburtstag", At(2026, 12, 24));
    Expect(de, "Treffen 13.5.2027 18:00", "Treffen", At(2027, 5, 13, 18));
    // The locale has no designators: English "am"/"pm" still work.
    Expect(de, "Anruf 3 pm", "Anruf", At(2026, 5, 13, 15));
}

TEST(ParsePhraseLocale, CyrillicNames) {
    const TDateKeywordTable ru = BuildDateKeywords(RussianSettings(), &EnglishFormatSettings());
    Expect(ru, "позвонить маме 5 марта", "позвонить маме", At(2027, 3, 5));
    Expect(ru, "позвонить маме 5 МАРТА 2026", "позвонить маме", At(2026, 3, 5));
    Expect(ru, "встреча пятница 10:00", "встреча", At(2026, 5, 15, 10));
    Expect(ru, "встреча в пятница", "встреча в", At(2026, 5, 15));
    Expect(ru, "отчёт июнь", "отчёт", At(2026, 6, 13));
    Expect(ru, "отчёт 20 июня", "отчёт", At(2026, 6, 20));
    Expect(ru, "отчёт tomorrow", "отчёт", At(2026, 5, 14));
    Expect(ru, "купить хлеб", "купить хлеб", 0);
}

// Settings built from the C library's locale data, for the locales installed here: every
// month and weekday name the locale writes must be understood.
TEST(ParsePhraseLocale, SettingsFromTheCLibrary) {
    int tested = 0;
    for (const char* name :
         {"de_DE.UTF-8", "ru_RU.UTF-8", "fr_FR.UTF-8", "en_GB.UTF-8", "C.UTF-8"}) {
        TFormatSettings fs;
        if (!FormatSettingsFromCLocale(name, fs))
            continue;
        ++tested;
        SCOPED_TRACE(name);
        const TDateKeywordTable table = BuildDateKeywords(fs, &EnglishFormatSettings());
        for (int m = 1; m <= 12; ++m) {
            const std::string& month = fs.LongMonthNames[static_cast<size_t>(m - 1)];
            TParsedPhrase r = ParsePhrase("task 15 " + month + " 2030", Wed, table);
            EXPECT_EQ(r.Title, "task") << month;
            EXPECT_EQ(Show(r.FirstDate), Show(At(2030, m, 15))) << month;
        }
        for (int d = 1; d <= 7; ++d) {
            const std::string& day = fs.LongDayNames[static_cast<size_t>(d - 1)];
            TParsedPhrase r = ParsePhrase("task " + Utf8UpperCase(day), Wed, table);
            EXPECT_EQ(DayOfWeek(r.FirstDate), d) << day;
        }
    }
    if (tested == 0)
        GTEST_SKIP() << "none of the locales is installed";
}

// The process-wide table follows the locale settings it was built from at start-up.
TEST(ParsePhraseLocale, ProcessWideTableFromLocaleSettings) {
    const TFormatSettings saved = LocaleSettings();
    SetLocaleSettings(GermanSettings());
    InitDateKeywords();
    TParsedPhrase r = ParsePhrase("Zahnarzt 5. März", Wed);
    TDateTime field = ParseDateTimeText("24.12.2026 18:00");
    SetLocaleSettings(saved);
    InitDateKeywords();
    EXPECT_EQ(r.Title, "Zahnarzt");
    EXPECT_EQ(Show(r.FirstDate), Show(At(2027, 3, 5)));
    EXPECT_EQ(Show(field), Show(At(2026, 12, 24, 18)));
    EXPECT_EQ(ParsePhrase("Zahnarzt 5. März", Wed).FirstDate, 0); // English again
}

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "core/dateparser.h"
#include "core/datetexts.h"
#include "core/durationtexts.h"
#include "datetestsettings.h"
#include "platform/sysutils.h"
#include "testutil.h"

namespace {

bool IsValidResult(TDateTime v) {
    if (v == 0)
        return true;
    if (!std::isfinite(v) || v < -693593 || v >= 2958466)
        return false;
    TDateParts p = DecodeDate(v);
    return IsValidDate(p.Year, p.Month, p.Day);
}

std::string RandomText(std::mt19937& rng) {
    static const std::vector<std::string> words = {
        "next",    "in",       "after",  "before",  "on",       "at",      "day",   "days",
        "d",       "month",    "months", "m",       "year",     "years",   "y",     "week",
        "weeks",   "tomorrow", "w",      "am",      "a",        "pm",      "p",     "h",
        "hr",      "hrs",      "hours",  "hour",    "minute",   "minutes", "min",   "mins",
        "today",   "now",      "friday", "sun",     "february", "feb",     "march", "dec",
        "März",    "Mittwoch", "марта",  "пятница", "call",     "mom",     "x",     "é",
        "o'clock", "meet",     "Straße", "\xff",    "\xc3"};
    static const std::vector<std::string> separators = {
        " ", " ", " ", ":", ": ", ",", ".", "-", "/", "\"", "'", "«", "\u2014", "\t", ""};
    std::uniform_int_distribution<int> pieces(0, 8), kind(0, 9), pick(0, 1 << 30);
    std::string text;
    for (int i = pieces(rng); i > 0; --i) {
        int k = kind(rng);
        if (k < 4)
            text += words[static_cast<size_t>(pick(rng)) % words.size()];
        else if (k < 6)
            text += std::to_string(pick(rng) % 40);
        else if (k == 6)
            text += std::to_string(pick(rng) % 12000);
        else if (k == 7)
            text += std::to_string(pick(rng)) + std::to_string(pick(rng)); // up to 20 digits
        else
            text += "29";
        text += separators[static_cast<size_t>(pick(rng)) % separators.size()];
    }
    return text;
}

} // namespace

// Random mixes of words, numbers, separators and quotes never crash and always give 0 or a
// valid date; the other typed-text readers hold up the same way.
TEST(DatePhraseFuzz, RandomPhrasesGiveZeroOrAValidDate) {
    std::vector<TDateKeywordTable> tables;
    for (const TFormatSettings& fs :
         {GbSettings(), UsSettings(), IsoSettings(), GermanSettings(), RussianSettings()})
        tables.push_back(BuildDateKeywords(fs, &EnglishFormatSettings()));
    const TDateTime bases[] = {
        At(2026, 5, 13, 9),       At(2026, 12, 31, 23, 30), At(2028, 2, 29, 12), At(1, 1, 1),
        At(9999, 12, 31, 23, 59), At(2026, 1, 31, 1),       At(1899, 12, 29, 6), 0};
    FixedClock clock(At(2026, 3, 31, 12));
    std::mt19937 rng(20260513);
    for (int i = 0; i < 40000; ++i) {
        std::string text = RandomText(rng);
        const TDateKeywordTable& table = tables[static_cast<size_t>(i) % tables.size()];
        TDateTime base = bases[static_cast<size_t>(rng()) % std::size(bases)];
        TParsedPhrase r;
        ASSERT_NO_THROW(r = ParsePhrase(text, base, table)) << text;
        ASSERT_TRUE(IsValidResult(r.FirstDate)) << text << " -> " << r.FirstDate;
        ASSERT_LE(r.Title.size(), text.size()) << text;

        TDateTime field = 0;
        ASSERT_NO_THROW(field = ParseDateTimeText(text, table)) << text;
        ASSERT_TRUE(std::isfinite(field)) << text;

        TDateTime span = ParseDuration(text, i % 2 == 0, table.Settings());
        ASSERT_TRUE(std::isfinite(span) && span >= 0) << text;
        ASSERT_NO_THROW(FormatDuration(true, true, i % 3 == 0, i % 2 == 0, span));
        try {
            TDateTime t = ParseTimeText(text, i % 2 == 0, table.Settings());
            ASSERT_TRUE(std::isfinite(t)) << text;
        } catch (const Exception&) {
            // a text that is no time is reported as such
        }
    }
}

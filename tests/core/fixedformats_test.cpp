#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "core/fixedformats.h"
#include "platform/datetimeformat.h"
#include "platform/sysutils.h"
#include "testutil.h"

namespace {

// Runs a test body with a German user locale, restoring the previous one afterwards.
class GermanUserLocale {
public:
    GermanUserLocale() : saved_(LocaleSettings()) {
        TFormatSettings de = EnglishFormatSettings();
        de.DateSeparator = ".";
        de.ShortDateFormat = "dd.mm.yyyy";
        de.DecimalSeparator = ",";
        de.ThousandSeparator = ".";
        de.TimeSeparator = ".";
        de.TimeAMString = de.TimePMString = "";
        SetLocaleSettings(de);
    }
    ~GermanUserLocale() { SetLocaleSettings(saved_); }

private:
    TFormatSettings saved_;
};

} // namespace

TEST(FixedFormats, DateTimeTexts) {
    GermanUserLocale locale; // the user's settings play no part
    TDateTime v = EncodeDateTime(2009, 3, 14, 8, 5, 0, 0);
    EXPECT_EQ(DateTimeToXmlText(false, v), "2009-03-14T08:05:00");
    EXPECT_EQ(DateTimeToXmlText(true, 0), "");
    EXPECT_EQ(DateTimeToXmlText(false, 0), "1899-12-30T00:00:00");
    EXPECT_EQ(DateTimeToXmlText(true, EncodeDate(2024, 2, 29)), "2024-02-29T00:00:00");
    EXPECT_EQ(DateTimeToXmlText(false, -1.25), "1899-12-29T06:00:00");
    // Milliseconds are not written; 59.9996 s rounds to the next minute first.
    EXPECT_EQ(DateTimeToXmlText(false, v + 700 * OneMillisecond), "2009-03-14T08:05:00");
    EXPECT_EQ(DateTimeToXmlText(false, v - 0.4 * OneMillisecond), "2009-03-14T08:05:00");

    EXPECT_DOUBLE_EQ(XmlTextToDateTime("2009-03-14T08:05:00"), v);
    EXPECT_DOUBLE_EQ(XmlTextToDateTime(" 2009-03-14 08:05:00 "), v);
    EXPECT_DOUBLE_EQ(XmlTextToDateTime("2009-03-14"), EncodeDate(2009, 3, 14));
    EXPECT_DOUBLE_EQ(XmlTextToDateTime("1899-12-29T06:00:00"), -1.25);
    EXPECT_EQ(XmlTextToDateTime(""), 0);
    EXPECT_EQ(XmlTextToDateTime("  \t"), 0);
    EXPECT_THROW(XmlTextToDateTime("14.03.2009"), EConvertError);
    EXPECT_THROW(XmlTextToDateTime("2009-02-30T08:00:00"), EConvertError);
    EXPECT_EQ(MessageOf<EConvertError>([] { XmlTextToDateTime(" 2009-03-14Tnoon "); }),
              "'2009-03-14Tnoon' is not a valid date and time");

    EXPECT_NEAR(FixedTextToDateTime("09:30"), 0.3958333333, 1e-9);
    EXPECT_DOUBLE_EQ(FixedTextToDateTime(" 2024-01-02 "), EncodeDate(2024, 1, 2));
    EXPECT_DOUBLE_EQ(FixedTextToDateTime("2024-01-02 23:59:59"),
                     EncodeDateTime(2024, 1, 2, 23, 59, 59, 0));
    EXPECT_THROW(FixedTextToDateTime("9.30"), EConvertError);
}

// Plain times are read without the general scan: the same values, bit for bit, and what is
// not a plain valid time still goes through it.
TEST(FixedFormats, PlainTimesReadAsTheGeneralScanReadsThem) {
    auto two = [](int v) { return std::string(v < 10 ? "0" : "") + std::to_string(v); };
    for (int h = 0; h < 24; ++h)
        for (int m = 0; m < 60; ++m)
            for (const std::string& text : {std::to_string(h) + ":" + two(m), two(h) + ":" + two(m),
                                            two(h) + ":" + two(m) + ":" + two((h * 7 + m) % 60)}) {
                const TDateTime general = StrToDateTime(text, FixedFormatSettings());
                const TDateTime read = FixedTextToDateTime(text);
                ASSERT_EQ(std::memcmp(&read, &general, sizeof read), 0) << text;
            }
    for (const char* text : {"24:00", "23:60", "7:5", "12:00:60", "12:00:", "1:00 "})
        EXPECT_EQ(
            MessageOf<EConvertError>([&] { FixedTextToDateTime(text); }),
            MessageOf<EConvertError>([&] { StrToDateTime(Trim(text), FixedFormatSettings()); }))
            << text;
    EXPECT_DOUBLE_EQ(FixedTextToDateTime(" 1:00 "), OneHour);

    // Date and time texts as the data file writes them, over the whole calendar.
    uint32_t seed = 12345;
    auto next = [&](int range) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 8) % static_cast<uint32_t>(range));
    };
    for (int n = 0; n < 20000; ++n) {
        char text[80]; // room for any int in every field, as the compiler checks it
        std::snprintf(text, sizeof text, "%04d-%02d-%02d%c%02d:%02d:%02d", 1 + next(9999),
                      1 + next(12), 1 + next(n % 10 == 0 ? 31 : 28), n % 3 ? 'T' : ' ', next(24),
                      next(60), next(60));
        std::string general = text;
        general[10] = ' ';
        TDateTime expected = 0;
        const bool valid = TryStrToDateTime(general, expected, FixedFormatSettings());
        if (!valid) {
            EXPECT_THROW(XmlTextToDateTime(text), EConvertError) << text;
            continue;
        }
        const TDateTime read = XmlTextToDateTime(text);
        ASSERT_EQ(std::memcmp(&read, &expected, sizeof read), 0) << text;
    }
}

TEST(FixedFormats, DateTimeTextRoundTrip) {
    for (int i = 0; i < 2000; ++i) {
        // Whole seconds spread over four centuries, both sides of the epoch.
        int64_t secs = (static_cast<int64_t>(i) * 7919 * 86413 + i * 37) % (400LL * 365 * 86400);
        TDateTime v = IncSecond(EncodeDate(1800, 1, 1), secs);
        std::string text = DateTimeToXmlText(false, v);
        ASSERT_EQ(MilliSecondsBetween(XmlTextToDateTime(text), v), 0) << text;
    }
}

TEST(FixedFormats, FloatTextsAreFixedPoint) {
    GermanUserLocale locale;
    EXPECT_EQ(FloatToXmlText(0), "0");
    EXPECT_EQ(FloatToXmlText(-0.0), "0");
    EXPECT_EQ(FloatToXmlText(OneSecond), "0.000011574");
    EXPECT_EQ(FloatToXmlText(OneHour), "0.041666667");
    EXPECT_EQ(FloatToXmlText(OneMinute), "0.000694444");
    EXPECT_EQ(FloatToXmlText(1.0 / 3), "0.333333333");
    EXPECT_EQ(FloatToXmlText(-1.0 / 3), "-0.333333333");
    EXPECT_EQ(FloatToXmlText(1.5), "1.5");
    EXPECT_EQ(FloatToXmlText(-2), "-2");
    EXPECT_EQ(FloatToXmlText(1e-10), "0"); // below the 9th decimal
    EXPECT_EQ(FloatToXmlText(-4e-10), "0");
    EXPECT_EQ(FloatToXmlText(6e-10), "0.000000001");
    EXPECT_EQ(FloatToXmlText(1e20), "100000000000000000000");
    EXPECT_EQ(FloatToXmlText(1.5e17), "150000000000000000");
    EXPECT_EQ(FloatToXmlText(0.1 + 0.2), "0.3");
    // A date serial keeps 9 decimals (about 0.1 ms).
    EXPECT_EQ(FloatToXmlText(EncodeDateTime(2024, 2, 29, 13, 0, 0, 0)), "45351.541666667");
    EXPECT_EQ(FloatToXmlText(1234567.123456789), "1234567.12345679"); // 15 digits
    EXPECT_EQ(FloatToXmlText(std::numeric_limits<double>::quiet_NaN()), "0");
    EXPECT_EQ(FloatToXmlText(std::numeric_limits<double>::infinity()), "0");
    for (double x : {OneSecond, OneHour, 1.0 / 3, -7.25, 45351.541666667, 1e-9, 123456.000000001}) {
        std::string text = FloatToXmlText(x);
        EXPECT_EQ(text.find_first_of("eE,"), std::string::npos) << text;
        EXPECT_NEAR(XmlTextToFloat(text, -1), x, 5e-10) << text;
    }
}

TEST(FixedFormats, ReadingFloatTexts) {
    GermanUserLocale locale;
    EXPECT_EQ(XmlTextToFloat("1,5", 0), 1.5);
    EXPECT_EQ(XmlTextToFloat("1.5", 0), 1.5);
    EXPECT_EQ(XmlTextToFloat("1 000.25", 0), 1000.25);
    EXPECT_EQ(XmlTextToFloat(" -0.041666667 ", 0), -0.041666667);
    EXPECT_EQ(XmlTextToFloat("1\u00a0000,5", 0), 1000.5);
    EXPECT_EQ(XmlTextToFloat("1.1574E-5", 0), 1.1574e-5); // exponent form of older files
    EXPECT_EQ(XmlTextToFloat("abc", 0), 0);
    EXPECT_EQ(XmlTextToFloat("", 7), 7);
    EXPECT_EQ(XmlTextToFloat("1,000.5", 7), 7); // two decimal points
    EXPECT_EQ(XmlTextToFloat("1e999", 7), 7);
    EXPECT_EQ(XmlTextToFloat("nan", 7), 7);
}

TEST(FixedFormats, BooleanTexts) {
    EXPECT_EQ(BoolToXmlText(true), "-1");
    EXPECT_EQ(BoolToXmlText(false), "0");
    EXPECT_TRUE(XmlTextToBool("-1"));
    EXPECT_FALSE(XmlTextToBool("0"));
    EXPECT_TRUE(XmlTextToBool("True"));
    EXPECT_TRUE(XmlTextToBool("TRUE"));
    EXPECT_FALSE(XmlTextToBool("false"));
    EXPECT_TRUE(XmlTextToBool(" 1 "));
    EXPECT_TRUE(XmlTextToBool("42"));
    bool v = true;
    for (const char* bad : {"", "yes", "1.5", "-", "truee"})
        EXPECT_FALSE(TryXmlTextToBool(bad, v)) << bad;
    EXPECT_TRUE(v);
    EXPECT_EQ(MessageOf<EConvertError>([] { XmlTextToBool("yes"); }),
              "'yes' is not a valid boolean value");
}

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "localesamples.h"
#include "platform/datetimeformat.h"
#include "platform/sysutils.h"
#include "testutil.h"

namespace {

const TFormatSettings& En() {
    return EnglishFormatSettings();
}

// Wednesday 2025-03-05 15:07:09.042
const TDateTime Sample = EncodeDateTime(2025, 3, 5, 15, 7, 9, 42);

} // namespace

TEST(FormatDateTime, EnglishPatterns) {
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd", Sample, En()), "2025-03-05");
    EXPECT_EQ(FormatDateTime("hh:nn:ss", Sample, En()), "15:07:09");
    EXPECT_EQ(FormatDateTime("hh:mm", Sample, En()), "15:07"); // m after h is minutes
    EXPECT_EQ(FormatDateTime("h:m:s.zzz", Sample, En()), "15:7:9.042");
    EXPECT_EQ(FormatDateTime("c", Sample, En()), "3/5/2025 3:07:09 PM");
    EXPECT_EQ(FormatDateTime("", Sample, En()), "3/5/2025 3:07:09 PM");
    EXPECT_EQ(FormatDateTime("c", DateOf(Sample), En()), "3/5/2025"); // midnight: date only
    EXPECT_EQ(FormatDateTime("t", Sample, En()), "3:07 PM");
    EXPECT_EQ(FormatDateTime("tt", Sample, En()), "3:07:09 PM");
    EXPECT_EQ(FormatDateTime("ddddd", Sample, En()), "3/5/2025");
    EXPECT_EQ(FormatDateTime("dddddd", Sample, En()), "Wednesday, March 5, 2025");
    EXPECT_EQ(FormatDateTime("dddd", Sample, En()), "Wednesday");
    EXPECT_EQ(FormatDateTime("ddd d mmm", Sample, En()), "Wed 5 Mar");
    EXPECT_EQ(FormatDateTime("mmmm", Sample, En()), "March");
    EXPECT_EQ(FormatDateTime("DDD/mmm d", Sample, En()), "Wed/Mar 5");
    EXPECT_EQ(FormatDateTime("\"Today\" DDD/mm, YYYY", Sample, En()), "Today Wed/03, 2025");
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd\"T\"hh:nn:ss", Sample, En()), "2025-03-05T15:07:09");
    EXPECT_EQ(FormatDateTime("'at' h 'o''clock'", Sample, En()), "at 15 oclock");
    EXPECT_EQ(FormatDateTime("yy/m/d", Sample, En()), "25/3/5");
    EXPECT_EQ(FormatDateTime("ddddd t", Sample, En()), "3/5/2025 3:07 PM");
    EXPECT_EQ(FormatDateTime("dd.mm \"unterminated", Sample, En()), "05.03 unterminated");
}

TEST(FormatDateTime, TwelveHourClock) {
    TDateTime midnight = EncodeDate(2025, 3, 5);
    TDateTime noon = midnight + 0.5;
    EXPECT_EQ(FormatDateTime("h am/pm", Sample, En()), "3 pm");
    EXPECT_EQ(FormatDateTime("h AM/PM", midnight, En()), "12 AM");
    EXPECT_EQ(FormatDateTime("hh:nn a/p", noon, En()), "12:00 p");
    EXPECT_EQ(FormatDateTime("h:nn A/P", midnight + 9 * OneHour, En()), "9:00 A");
    EXPECT_EQ(FormatDateTime("h ampm", noon, En()), "12 PM");
    // The designator decides only for the hours before it.
    EXPECT_EQ(FormatDateTime("h \"am/pm\" h", Sample, En()), "15 am/pm 15");
    EXPECT_EQ(FormatDateTime("h h ampm", Sample, En()), "15 3 PM");
    // A 24-hour locale writes no designator and keeps the 24-hour count.
    EXPECT_EQ(FormatDateTime("h:nn ampm", Sample, GermanSettings()), "15:07 ");
}

TEST(FormatDateTime, LocaleSeparatorsAndNames) {
    TFormatSettings de = GermanSettings();
    EXPECT_EQ(FormatDateTime("c", Sample, de), "05.03.2025 15:07:09");
    EXPECT_EQ(FormatDateTime("dddddd", Sample, de), "Mittwoch, 5. März 2025");
    EXPECT_EQ(FormatDateTime("dd/mm/yyyy", Sample, de), "05.03.2025");
    de.TimeSeparator = ".";
    EXPECT_EQ(FormatDateTime("hh:nn", Sample, de), "15.07");

    TFormatSettings ru = RussianSettings();
    EXPECT_EQ(FormatDateTime("dddddd", Sample, ru), "5 марта 2025 г.");
    EXPECT_EQ(FormatDateTime("d mmmm", Sample, ru), "5 марта");      // in-date form
    EXPECT_EQ(FormatDateTime("mmmm yyyy", Sample, ru), "Март 2025"); // stand-alone
    EXPECT_EQ(FormatDateTime("d mmm", EncodeDate(2025, 5, 9), ru), "9 мая");
    EXPECT_EQ(FormatDateTime("mmm", EncodeDate(2025, 5, 9), ru), "май");
    EXPECT_EQ(FormatDateTime("dddd", Sample, ru), "среда");
    EXPECT_EQ(FormatDateTime("t", Sample, ru), "15:07");
}

TEST(FormatDateTime, NestedPatternsStopAtOneLevel) {
    TFormatSettings fs = En();
    fs.ShortDateFormat = "ddddd";
    fs.LongTimeFormat = "tt c";
    EXPECT_EQ(FormatDateTime("c", Sample, fs), "   ");
    EXPECT_EQ(FormatDateTime("x", Sample, fs), "x");
}

TEST(StrToDate, EnglishOrderAndYears) {
    FixedClock clock(EncodeDate(2026, 6, 15));
    EXPECT_EQ(StrToDate("3/5/2025", En()), EncodeDate(2025, 3, 5));
    EXPECT_EQ(StrToDate(" 3 / 5 / 2025 ", En()), EncodeDate(2025, 3, 5));
    EXPECT_EQ(StrToDate("3/5", En()), EncodeDate(2026, 3, 5));
    EXPECT_EQ(StrToDate("3/5/25", En()), EncodeDate(2025, 3, 5));
    EXPECT_EQ(StrToDate("3/5/75", En()), EncodeDate(2075, 3, 5));
    EXPECT_EQ(StrToDate("3/5/76", En()), EncodeDate(1976, 3, 5));
    EXPECT_EQ(StrToDate("2/29/2024", En()), EncodeDate(2024, 2, 29));
    EXPECT_EQ(StrToDate("12/29/1899", En()), -1.0);
    TDateTime v = 123;
    EXPECT_FALSE(TryStrToDate("2/29/2023", v, En()));
    EXPECT_FALSE(TryStrToDate("13/5/2025", v, En()));
    EXPECT_FALSE(TryStrToDate("3-5-2025", v, En()));
    EXPECT_FALSE(TryStrToDate("3/5/2025 x", v, En()));
    EXPECT_FALSE(TryStrToDate("", v, En()));
    EXPECT_FALSE(TryStrToDate("3/5/12345678901", v, En()));
    EXPECT_EQ(v, 123);
    EXPECT_EQ(MessageOf<EConvertError>([] { StrToDate("13/5/2025", En()); }),
              "'13/5/2025' is not a valid date");
}

TEST(StrToDate, OtherOrdersAndSeparators) {
    FixedClock clock(EncodeDate(2026, 6, 15));
    TFormatSettings de = GermanSettings();
    EXPECT_EQ(StrToDate("05.03.2025", de), EncodeDate(2025, 3, 5));
    EXPECT_EQ(StrToDate("5.3.", de), EncodeDate(2026, 3, 5));
    EXPECT_THROW(StrToDate("3/5/2025", de), EConvertError);

    TFormatSettings ymd = En();
    ymd.ShortDateFormat = "yyyy. mm. dd.";
    ymd.DateSeparator = ". ";
    EXPECT_EQ(StrToDate("2025. 03. 05.", ymd), EncodeDate(2025, 3, 5));
    EXPECT_EQ(StrToDate("2025.3.5", ymd), EncodeDate(2025, 3, 5));
    EXPECT_EQ(StrToDate("3.5", ymd), EncodeDate(2026, 3, 5)); // month, day

    TFormatSettings quoted = En();
    quoted.ShortDateFormat = "\"Day\" d/m/yyyy"; // quoted letters do not decide the order
    EXPECT_EQ(StrToDate("5/3/2025", quoted), EncodeDate(2025, 3, 5));
}

TEST(StrToTime, DesignatorsAndParts) {
    const TFormatSettings& en = En();
    EXPECT_DOUBLE_EQ(StrToTime("3:07 PM", en), EncodeTime(15, 7, 0, 0));
    EXPECT_DOUBLE_EQ(StrToTime("3:07pm", en), EncodeTime(15, 7, 0, 0));
    EXPECT_DOUBLE_EQ(StrToTime("pm 3:07", en), EncodeTime(15, 7, 0, 0));
    EXPECT_DOUBLE_EQ(StrToTime("12:00 AM", en), 0.0);
    EXPECT_DOUBLE_EQ(StrToTime("12 PM", en), 0.5);
    EXPECT_DOUBLE_EQ(StrToTime("9", en), 9 * OneHour);
    EXPECT_DOUBLE_EQ(StrToTime("15:07:09", en), EncodeTime(15, 7, 9, 0));
    EXPECT_DOUBLE_EQ(StrToTime("15:07:09.5", en), EncodeTime(15, 7, 9, 500));
    EXPECT_DOUBLE_EQ(StrToTime(" 09 : 30 ", en), EncodeTime(9, 30, 0, 0));
    TDateTime v;
    EXPECT_FALSE(TryStrToTime("13:00 PM", v, en));
    EXPECT_FALSE(TryStrToTime("0:30 AM", v, en));
    EXPECT_FALSE(TryStrToTime("25:00", v, en));
    EXPECT_FALSE(TryStrToTime("10:60", v, en));
    EXPECT_FALSE(TryStrToTime("10:", v, en));
    EXPECT_FALSE(TryStrToTime("10:30 x", v, en));
    EXPECT_EQ(MessageOf<EConvertError>([] { StrToTime("10:60", En()); }),
              "'10:60' is not a valid time");

    // A 24-hour locale still understands the English designators; a locale's own designator
    // is matched without regard to case.
    EXPECT_DOUBLE_EQ(StrToTime("3:07 PM", GermanSettings()), EncodeTime(15, 7, 0, 0));
    TFormatSettings gr = En();
    gr.TimeAMString = "ΠΜ";
    gr.TimePMString = "ΜΜ";
    EXPECT_DOUBLE_EQ(StrToTime("3:07 μμ", gr), EncodeTime(15, 7, 0, 0));
    TFormatSettings fi = GermanSettings();
    fi.TimeSeparator = ".";
    EXPECT_DOUBLE_EQ(StrToTime("15.07.09,25", fi), EncodeTime(15, 7, 9, 250));
}

TEST(StrToDateTime, DateTimeOrTimeAlone) {
    FixedClock clock(EncodeDate(2026, 6, 15));
    const TFormatSettings& en = En();
    EXPECT_DOUBLE_EQ(StrToDateTime("3/5/2025 3:07:09 PM", en),
                     EncodeDateTime(2025, 3, 5, 15, 7, 9, 0));
    EXPECT_DOUBLE_EQ(StrToDateTime("3/5/2025", en), EncodeDate(2025, 3, 5));
    EXPECT_DOUBLE_EQ(StrToDateTime("10:30", en), EncodeTime(10, 30, 0, 0));
    EXPECT_DOUBLE_EQ(StrToDateTime("12/29/1899 6:00", en), -1.25);
    EXPECT_EQ(MessageOf<EConvertError>([] { StrToDateTime("3/5/2025 x", En()); }),
              "'3/5/2025 x' is not a valid date and time");
    EXPECT_THROW(StrToDateTime("tomorrow", en), EConvertError);
    TDateTime v;
    EXPECT_FALSE(TryStrToDateTime("3/5/2025 10:30 11", v, en));
}

// What a locale writes it reads back.
TEST(DateTimeText, RoundTripsInEachLocale) {
    FixedClock clock(EncodeDate(2026, 6, 15));
    for (const TFormatSettings& fs : {En(), GermanSettings(), RussianSettings()}) {
        for (TDateTime v :
             {EncodeDateTime(2025, 3, 5, 15, 7, 9, 0), EncodeDateTime(2024, 2, 29, 0, 0, 1, 0),
              EncodeDateTime(1999, 12, 31, 23, 59, 59, 0), EncodeDate(2000, 1, 1),
              EncodeDateTime(2030, 7, 4, 12, 0, 0, 0), EncodeDateTime(2030, 7, 4, 0, 30, 0, 0),
              EncodeDateTime(1899, 12, 29, 6, 0, 0, 0)}) {
            std::string text = FormatDateTime("c", v, fs);
            SCOPED_TRACE(text);
            EXPECT_DOUBLE_EQ(StrToDateTime(text, fs), v);
            EXPECT_DOUBLE_EQ(StrToDate(FormatDateTime("ddddd", v, fs), fs), DateOf(v));
            EXPECT_NEAR(StrToTime(FormatDateTime("tt", v, fs), fs), TimeOf(v), 1e-12);
            EXPECT_NEAR(StrToTime(FormatDateTime("t", v, fs), fs),
                        TimeOf(v) - SecondOf(v) * OneSecond, 1e-12);
        }
    }
}

TEST(FloatText, GeneralFormat) {
    const TFormatSettings& en = En();
    EXPECT_EQ(FloatToStr(0, en), "0");
    EXPECT_EQ(FloatToStr(-0.0, en), "0");
    EXPECT_EQ(FloatToStr(1.5, en), "1.5");
    EXPECT_EQ(FloatToStr(-2.25, en), "-2.25");
    EXPECT_EQ(FloatToStr(100, en), "100");
    EXPECT_EQ(FloatToStr(1.0 / 3, en), "0.333333333333333");
    EXPECT_EQ(FloatToStr(2.0 / 3, en), "0.666666666666667");
    EXPECT_EQ(FloatToStr(0.1 + 0.2, en), "0.3");
    EXPECT_EQ(FloatToStr(0.0001, en), "0.0001");
    EXPECT_EQ(FloatToStr(0.00001, en), "1E-5");
    EXPECT_EQ(FloatToStr(-1.5e-7, en), "-1.5E-7");
    EXPECT_EQ(FloatToStr(1e14, en), "100000000000000");
    EXPECT_EQ(FloatToStr(123456789012345.0, en), "123456789012345");
    EXPECT_EQ(FloatToStr(1e15, en), "1E15");
    EXPECT_EQ(FloatToStr(1.5e20, en), "1.5E20");
    EXPECT_EQ(FloatToStr(1.5, GermanSettings()), "1,5");
    EXPECT_EQ(FloatToStr(std::numeric_limits<double>::quiet_NaN(), en), "NAN");
    EXPECT_EQ(FloatToStr(-std::numeric_limits<double>::infinity(), en), "-INF");
}

TEST(FloatText, Reading) {
    const TFormatSettings& en = En();
    EXPECT_EQ(StrToFloat("1.5", en), 1.5);
    EXPECT_EQ(StrToFloat(" -2.25 ", en), -2.25);
    EXPECT_EQ(StrToFloat("+3", en), 3);
    EXPECT_EQ(StrToFloat(".5", en), 0.5);
    EXPECT_EQ(StrToFloat("5.", en), 5);
    EXPECT_EQ(StrToFloat("1e3", en), 1000);
    EXPECT_EQ(StrToFloat("1.5E-7", en), 1.5e-7);
    EXPECT_EQ(StrToFloat("1e-999", en), 0);
    EXPECT_EQ(StrToFloat("1,5", GermanSettings()), 1.5);
    double v = 7;
    for (const char* bad : {"", "-", ".", "1e", "1e+", "1.2.3", "1,000.5", "1 000", "0x10", "1e999",
                            "nan", "inf", "1.5x"})
        EXPECT_FALSE(TryStrToFloat(bad, v, en)) << bad;
    EXPECT_EQ(v, 7);
    EXPECT_FALSE(TryStrToFloat("1.5", v, GermanSettings()));
    EXPECT_EQ(MessageOf<EConvertError>([] { StrToFloat("1,5", En()); }),
              "'1,5' is not a valid floating point value");
    // Every value written reads back exactly to 15 digits.
    for (double x : {1.0 / 3, -123.456, 6.02214076e23, 1.1574074074074e-5, 45000.5123456789})
        EXPECT_NEAR(StrToFloat(FloatToStr(x, en), en), x, std::fabs(x) * 1e-14);
}

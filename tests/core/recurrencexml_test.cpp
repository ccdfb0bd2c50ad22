// The recurrence pattern's XML element "R".

#include <gtest/gtest.h>

#include "core/recurrencepattern.h"
#include "testutil.h"

namespace {

TDateTime T(int h, int m) {
    return EncodeTime(h, m, 0, 0);
}

} // namespace

namespace {

void Fill(TRecurrencePattern& p) {
    p.Reset(EncodeDate(2024, 3, 14));
    p.SetRecurrenceType(rtHourly);
    p.SetPatternStartDate(EncodeDateTime(2024, 3, 14, 9, 30, 0, 0));
    p.SetPatternEndDate(EncodeDate(2025, 1, 31));
    p.SetInterval(2);
    p.SetPatternInstance(4);
    p.SetDayOfWeekMask(DayOfWeekBit(2) | DayOfWeekBit(3));
    p.SetDayOfMonth(30);
    p.SetMonthOfYear(9);
    p.SetUseCompletionDate(true);
    p.SetGeneratedCount(6);
    p.SetHourlyDelta(OneHour * 1.5);
    p.SetHourlyDeltaRandomTo(OneHour * 3);
}

std::string PatternXml(const TRecurrencePattern& p) {
    TXMLDocument doc;
    p.WriteXml(doc.CreateRoot("R"));
    return doc.SaveToText();
}

} // namespace

TEST(RecurrencePatternXml, WritesEveryAttributeInOrder) {
    TRecurrencePattern p;
    Fill(p);
    std::string xml = PatternXml(p);
    EXPECT_NE(xml.find("<R RecurrenceType=\"7\" PatternStartDate=\"45365\" "
                       "PatternEndDate=\"45688\" Occurrences=\"-1\" Interval=\"2\" "
                       "PatternInstance=\"4\" DayOfWeekMask=\"12\" DayOfMonth=\"30\" "
                       "MonthOfYear=\"9\" UseCompletionDate=\"-1\" GeneratedCount=\"6\" "
                       "HourlyDelta=\"0.0625\" HourlyDeltaRandomTo=\"0.125\" />"),
              std::string::npos)
        << xml;
    p.SetHourlyDeltaRandomTo(0);
    p.SetUseCompletionDate(false);
    xml = PatternXml(p);
    EXPECT_EQ(xml.find("HourlyDeltaRandomTo"), std::string::npos);
    EXPECT_NE(xml.find("UseCompletionDate=\"0\""), std::string::npos);
    EXPECT_EQ(xml.find("Hours"), std::string::npos);
}

TEST(RecurrencePatternXml, RoundTripWithAndWithoutSchedule) {
    TRecurrencePattern a;
    Fill(a);
    a.GetSchedule().SetAllClosed();
    a.GetSchedule().SetRange(3, true, T(9, 0), T(12, 0));
    TRecurrencePattern b;
    b.Reset(EncodeDate(2001, 1, 1));
    WithElement(PatternXml(a), [&](IXMLNode n) { b.ReadXml(n); });
    EXPECT_EQ(b.GetRecurrenceType(), rtHourly);
    EXPECT_EQ(b.GetPatternStartDate(), EncodeDate(2024, 3, 14)); // time of day lost
    EXPECT_EQ(b.GetPatternEndDate(), EncodeDate(2025, 1, 31));
    EXPECT_EQ(b.GetOccurrences(), -1);
    EXPECT_EQ(b.GetInterval(), 2);
    EXPECT_EQ(b.GetPatternInstance(), 4);
    EXPECT_EQ(b.GetDayOfWeekMask(), a.GetDayOfWeekMask());
    EXPECT_EQ(b.GetDayOfMonth(), 30);
    EXPECT_EQ(b.GetMonthOfYear(), 9);
    EXPECT_TRUE(b.GetUseCompletionDate());
    EXPECT_EQ(b.GetGeneratedCount(), 6);
    EXPECT_NEAR(b.GetHourlyDelta(), OneHour * 1.5, 1e-9);
    EXPECT_NEAR(b.GetHourlyDeltaRandomTo(), OneHour * 3, 1e-9);
    ASSERT_TRUE(b.HasSchedule());
    EXPECT_EQ(b.GetSchedule(), a.GetSchedule());

    // No random bound written: the reader keeps its own; no "Hours": its schedule stays.
    a.SetHourlyDeltaRandomTo(0);
    a.FreeSchedule();
    WithElement(PatternXml(a), [&](IXMLNode n) { b.ReadXml(n); });
    EXPECT_NEAR(b.GetHourlyDeltaRandomTo(), OneHour * 3, 1e-9);
    EXPECT_TRUE(b.HasSchedule());

    // A count and an empty "Hours" (always open).
    TRecurrencePattern c;
    WithElement("<R Occurrences=' 9 ' PatternEndDate='' UseCompletionDate='True'><Hours/></R>",
                [&](IXMLNode n) { c.ReadXml(n); });
    EXPECT_EQ(c.GetOccurrences(), 9);
    EXPECT_TRUE(c.GetUseCompletionDate());
    ASSERT_TRUE(c.HasSchedule());
    EXPECT_EQ(c.GetSchedule(), TTaskPlaceOpenCloseSchedule());
}

TEST(RecurrencePatternXml, BadValuesAreRefusedOrMadeSafe) {
    auto readInto = [](TRecurrencePattern& p, const std::string& attrs) {
        WithElement("<R " + attrs + "/>", [&](IXMLNode n) { p.ReadXml(n); });
    };
    TRecurrencePattern p;
    p.Reset(EncodeDate(2024, 3, 14));
    // A day of month does not wrap round a byte.
    EXPECT_EQ(MessageOf([&] { readInto(p, "DayOfMonth='257'"); }), "DayOfMonth out of range");
    EXPECT_EQ(p.GetDayOfMonth(), 14);
    EXPECT_EQ(MessageOf([&] { readInto(p, "DayOfWeekMask='258'"); }), "DayOfWeekMask out of range");
    EXPECT_EQ(MessageOf([&] { readInto(p, "RecurrenceType='263'"); }),
              "RecurrenceType out of range");
    EXPECT_EQ(MessageOf([&] { readInto(p, "MonthOfYear='0'"); }), "MonthOfYear out of range");
    EXPECT_THROW(readInto(p, "Interval='two'"), EConvertError);
    EXPECT_THROW(readInto(p, "UseCompletionDate='maybe'"), EConvertError);
    // Steps that would not move read as the defaults.
    readInto(p, "Interval='0' HourlyDelta='0' HourlyDeltaRandomTo='-0.5'");
    EXPECT_EQ(p.GetInterval(), 1);
    EXPECT_EQ(p.GetHourlyDelta(), OneHour);
    EXPECT_EQ(p.GetHourlyDeltaRandomTo(), 0);
    readInto(p, "Interval='-4' HourlyDelta='abc'");
    EXPECT_EQ(p.GetInterval(), 1);
    EXPECT_EQ(p.GetHourlyDelta(), OneHour);
    // Boolean texts.
    readInto(p, "UseCompletionDate='-1'");
    EXPECT_TRUE(p.GetUseCompletionDate());
    readInto(p, "UseCompletionDate='0'");
    EXPECT_FALSE(p.GetUseCompletionDate());
    readInto(p, "UseCompletionDate='5'");
    EXPECT_TRUE(p.GetUseCompletionDate());
}

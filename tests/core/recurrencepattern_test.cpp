// The recurrence pattern's fields, its stream record and its XML element "R".

#include <gtest/gtest.h>

#include <cmath>

#include "core/recurrencepattern.h"
#include "sampledata.h"
#include "testutil.h"

namespace {

// A pattern with every field away from its default, and a schedule.
void Fill(TRecurrencePattern& p) {
    p.Reset(EncodeDate(2024, 3, 14));
    p.SetRecurrenceType(rtHourly);
    p.SetPatternStartDate(At(2024, 3, 14, 9, 30));
    p.SetPatternEndDate(EncodeDate(2025, 1, 31));
    p.SetInterval(2);
    p.SetPatternInstance(4);
    p.SetDayOfWeekMask(DayOfWeekBit(2) | DayOfWeekBit(3));
    p.SetDayOfMonth(30);
    p.SetMonthOfYear(9);
    p.SetUseCompletionDate(true);
    p.SetGeneratedCount(6);
    p.SetModeFlagB(true);
    p.SetHourlyDelta(OneHour * 1.5);
    p.SetHourlyDeltaRandomTo(OneHour * 3);
    p.SetByteOption(0xA5);
    p.SetChoiceOption(2);
    p.GetSchedule().SetRange(1, false, EncodeTime(12, 0, 0, 0), EncodeTime(13, 0, 0, 0));
}

// Every field the XML element carries; withStreamOnly adds those only the stream keeps.
void ExpectSame(TRecurrencePattern& a, TRecurrencePattern& b, bool withStreamOnly) {
    ExpectSamePattern(a, b);
    if (withStreamOnly) {
        EXPECT_EQ(a.GetPatternStartDate(), b.GetPatternStartDate());
        EXPECT_EQ(a.GetModeFlags(), b.GetModeFlags());
        EXPECT_EQ(a.GetByteOption(), b.GetByteOption());
        EXPECT_EQ(a.GetChoiceOption(), b.GetChoiceOption());
    }
}

std::string PatternXml(const TRecurrencePattern& p) {
    TXMLDocument doc;
    p.WriteXml(doc.CreateRoot("R"));
    return doc.SaveToText();
}

} // namespace

TEST(RecurrencePattern, DefaultsComeFromTheGivenDateOrNow) {
    TRecurrencePattern p;
    p.Reset(EncodeDate(2007, 3, 14)); // a Wednesday
    EXPECT_EQ(p.GetRecurrenceType(), rtWeekly);
    EXPECT_EQ(p.GetDayOfWeekMask(), DayOfWeekBit(4));
    EXPECT_EQ(p.GetDayOfMonth(), 14);
    EXPECT_EQ(p.GetMonthOfYear(), 3);
    EXPECT_TRUE(p.IsStartDateEmpty());
    EXPECT_TRUE(p.IsEndless());
    EXPECT_FALSE(p.HasSchedule());

    FixedClock clock(At(2024, 12, 25, 18)); // a Wednesday too
    TRecurrencePattern q;
    EXPECT_EQ(q.GetDayOfMonth(), 25);
    EXPECT_EQ(q.GetMonthOfYear(), 12);
    EXPECT_EQ(q.GetDayOfWeekMask(), DayOfWeekBit(4));
}

TEST(RecurrencePattern, SettersCheckRangesAndKeepTheOldValue) {
    TRecurrencePattern p;
    p.Reset(EncodeDate(2024, 3, 14));
    const std::pair<std::function<void()>, const char*> refused[] = {
        {[&] { p.SetDayOfMonth(0); }, "DayOfMonth out of range"},
        {[&] { p.SetDayOfMonth(256 + 5); }, "DayOfMonth out of range"},
        {[&] { p.SetMonthOfYear(13); }, "MonthOfYear out of range"},
        {[&] { p.SetPatternInstance(6); }, "PatternInstance out of range"},
        {[&] { p.SetInterval(0); }, "Interval out of range"}, // steps that would not move
        {[&] { p.SetHourlyDelta(-OneHour); }, "HourlyDelta out of range"},
        {[&] { p.SetHourlyDelta(std::nan("")); }, "HourlyDelta out of range"},
        {[&] { p.SetHourlyDeltaRandomTo(-OneHour); }, "HourlyDeltaRandomTo out of range"},
    };
    for (const auto& [set, message] : refused)
        EXPECT_EQ(MessageOf<TExRecurrencePattern>(set), message);
    EXPECT_EQ(p.GetDayOfMonth(), 14);
    EXPECT_EQ(p.GetInterval(), 1);
    EXPECT_EQ(p.GetHourlyDelta(), OneHour);

    p.SetChoiceOption(7);
    EXPECT_EQ(p.GetChoiceOption(), 0);
    p.SetModeFlagB(true);
    EXPECT_FALSE(p.GetModeFlagA());
    p.SetModeFlags(3);
    EXPECT_EQ(p.GetModeFlags(), 0);
}

TEST(RecurrencePattern, EndDateAndCountExcludeEachOther) {
    TRecurrencePattern p;
    p.SetPatternEndDate(At(2024, 5, 1, 15));
    EXPECT_EQ(p.GetPatternEndDate(), EncodeDate(2024, 5, 1));
    p.SetOccurrences(5);
    EXPECT_EQ(p.GetPatternEndDate(), 0);
    p.SetPatternEndDate(0);
    EXPECT_EQ(p.GetOccurrences(), 5);
    p.SetPatternEndDate(EncodeDate(2024, 6, 1));
    EXPECT_EQ(p.GetOccurrences(), -1);
    EXPECT_FALSE(p.IsEndless());

    p.SetPatternStartDay(At(2024, 5, 2, 8));
    EXPECT_EQ(p.GetPatternStartDate(), EncodeDate(2024, 5, 2));
}

TEST(RecurrencePattern, AssignAndStreamRoundTripKeepEveryField) {
    TRecurrencePattern a, b;
    Fill(a);
    b.Assign(a);
    ExpectSame(a, b, true);

    TMemoryStream s;
    a.WriteToStream(s);
    s.SetPosition(0);
    TRecurrencePattern c;
    c.ReadFromStream(s);
    ExpectSame(a, c, true);
    EXPECT_EQ(s.Remaining(), 0);

    // Without a schedule: the has-schedule byte is 0 and nothing follows; a copy drops its own.
    a.FreeSchedule();
    TMemoryStream t;
    a.WriteToStream(t);
    EXPECT_EQ(t.Bytes().back(), 0);
    t.SetPosition(0);
    c.ReadFromStream(t);
    EXPECT_FALSE(c.HasSchedule());
    b.Assign(a);
    EXPECT_FALSE(b.HasSchedule());
}

namespace {

// A record of the given version with the fields every version has.
TMemoryStream OldRecord(int version) {
    TMemoryStream s;
    s.WriteValue<int32_t>(version);
    s.WriteValue<int32_t>(0x102); // low byte 2: monthly
    s.WriteValue<double>(EncodeDate(2010, 1, 5));
    s.WriteValue<double>(0);
    s.WriteValue<int32_t>(4); // occurrences
    s.WriteValue<int32_t>(0); // interval 0: read as 1
    s.WriteValue<int32_t>(2); // instance
    s.WriteValue<uint8_t>(DayOfWeekBit(3));
    s.WriteValue<uint8_t>(40); // out of range: kept, as streams are not validated
    s.WriteValue<int32_t>(6);
    s.WriteValue<uint8_t>(1);
    s.WriteValue<uint8_t>(0);
    s.WriteValue<int32_t>(3);
    return s;
}

} // namespace

TEST(RecurrencePattern, ReadsOlderRecordsAndRefusesNewerOnes) {
    FixedClock clock(EncodeDate(2024, 3, 14));
    TRecurrencePattern p;
    TMemoryStream v1 = OldRecord(1);
    v1.SetPosition(0);
    p.GetSchedule();
    p.ReadFromStream(v1);
    EXPECT_EQ(p.GetRecurrenceType(), rtMonthly);
    EXPECT_EQ(p.GetPatternStartDate(), EncodeDate(2010, 1, 5));
    EXPECT_EQ(p.GetOccurrences(), 4);
    EXPECT_EQ(p.GetInterval(), 1);
    EXPECT_EQ(p.GetDayOfMonth(), 40);
    EXPECT_TRUE(p.GetUseCompletionDate());
    EXPECT_EQ(p.GetModeFlags(), 0);
    EXPECT_EQ(p.GetGeneratedCount(), 3);
    EXPECT_EQ(p.GetHourlyDelta(), OneHour);
    EXPECT_FALSE(p.HasSchedule());
    // Its out-of-range day is refused when copied.
    TRecurrencePattern q;
    EXPECT_EQ(MessageOf<TExRecurrencePattern>([&] { q.Assign(p); }), "DayOfMonth out of range");

    // Version 3 adds flag B and the hourly step (0 here: read as one hour) and options.
    TMemoryStream v3 = OldRecord(3);
    v3.WriteValue<uint8_t>(1);
    v3.WriteValue<double>(0);
    v3.WriteValue<uint8_t>(9);
    v3.WriteValue<int32_t>(1);
    v3.SetPosition(0);
    p.ReadFromStream(v3);
    EXPECT_EQ(p.GetModeFlags(), 2);
    EXPECT_EQ(p.GetHourlyDelta(), OneHour);
    EXPECT_EQ(p.GetByteOption(), 9);
    EXPECT_EQ(p.GetChoiceOption(), 1);

    // Version 4 with bad spans: a negative random bound reads as none, NaN dates as none.
    TMemoryStream v4;
    v4.WriteValue<int32_t>(4);
    v4.WriteValue<int32_t>(7);
    v4.WriteValue<double>(std::nan(""));
    v4.WriteValue<double>(INFINITY);
    for (int32_t v : {-1, -5, 1})
        v4.WriteValue<int32_t>(v);
    for (uint8_t v : {0, 1})
        v4.WriteValue<uint8_t>(v);
    v4.WriteValue<int32_t>(1);
    for (uint8_t v : {0, 1})
        v4.WriteValue<uint8_t>(v);
    v4.WriteValue<int32_t>(1);
    v4.WriteValue<uint8_t>(0);
    v4.WriteValue<double>(-OneHour);
    v4.WriteValue<uint8_t>(0);
    v4.WriteValue<int32_t>(0);
    v4.WriteValue<double>(-OneHour);
    v4.WriteValue<uint8_t>(0);
    v4.SetPosition(0);
    p.ReadFromStream(v4);
    EXPECT_EQ(p.GetRecurrenceType(), rtHourly);
    EXPECT_EQ(p.GetPatternStartDate(), 0);
    EXPECT_EQ(p.GetPatternEndDate(), 0);
    EXPECT_EQ(p.GetInterval(), 1);
    EXPECT_EQ(p.GetHourlyDelta(), OneHour);
    EXPECT_EQ(p.GetHourlyDeltaRandomTo(), 0);

    TMemoryStream v5;
    v5.WriteValue<int32_t>(5);
    v5.SetPosition(0);
    EXPECT_EQ(MessageOf<TExRecurrencePattern>([&] { p.ReadFromStream(v5); }),
              "This file was created with newer version of Tockwell. Please download new "
              "version of application from https://tockwell.org/ to read this file. "
              "(RecurrencePattern object)");
}

TEST(RecurrencePattern, TruncatedRecordsRaiseReadErrors) {
    TRecurrencePattern a;
    Fill(a);
    TMemoryStream full;
    a.WriteToStream(full);
    std::string bytes = full.AsString();
    for (size_t cut = 0; cut < bytes.size(); cut += (cut < 80 ? 1 : 97)) {
        TMemoryStream s(std::string_view(bytes).substr(0, cut));
        TRecurrencePattern b;
        EXPECT_THROW(b.ReadFromStream(s), EReadError) << cut;
    }
}

TEST(RecurrencePatternXml, WritesEveryAttributeInOrder) {
    TRecurrencePattern p;
    Fill(p);
    p.FreeSchedule();
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
}

TEST(RecurrencePatternXml, RoundTripWithAndWithoutSchedule) {
    TRecurrencePattern a;
    Fill(a);
    TRecurrencePattern b;
    b.Reset(EncodeDate(2001, 1, 1));
    WithElement(PatternXml(a), [&](IXMLNode n) { b.ReadXml(n); });
    ExpectSame(a, b, false);
    EXPECT_EQ(b.GetPatternStartDate(), EncodeDate(2024, 3, 14)); // time of day lost

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
    TRecurrencePattern p;
    p.Reset(EncodeDate(2024, 3, 14));
    auto load = [&](const std::string& attrs) {
        WithElement("<R " + attrs + "/>", [&](IXMLNode n) { p.ReadXml(n); });
    };
    auto read = [&](const std::string& attrs) { return MessageOf([&] { load(attrs); }); };
    // A number does not wrap round a byte.
    EXPECT_EQ(read("DayOfMonth='257'"), "DayOfMonth out of range");
    EXPECT_EQ(p.GetDayOfMonth(), 14);
    EXPECT_EQ(read("DayOfWeekMask='258'"), "DayOfWeekMask out of range");
    EXPECT_EQ(read("RecurrenceType='263'"), "RecurrenceType out of range");
    EXPECT_EQ(read("MonthOfYear='0'"), "MonthOfYear out of range");
    EXPECT_THROW(load("Interval='two'"), EConvertError);
    EXPECT_THROW(load("UseCompletionDate='maybe'"), EConvertError);
    // Steps that would not move read as the defaults.
    for (const char* attrs : {"Interval='0' HourlyDelta='0' HourlyDeltaRandomTo='-0.5'",
                              "Interval='-4' HourlyDelta='abc' HourlyDeltaRandomTo='-1'"}) {
        p.SetInterval(3);
        p.SetHourlyDelta(2 * OneHour);
        p.SetHourlyDeltaRandomTo(OneHour);
        load(attrs);
        EXPECT_EQ(p.GetInterval(), 1) << attrs;
        EXPECT_EQ(p.GetHourlyDelta(), OneHour) << attrs;
        EXPECT_EQ(p.GetHourlyDeltaRandomTo(), 0) << attrs;
    }
    // Boolean texts: any number but 0 is true.
    for (const auto& [text, value] : {std::pair{"-1", true}, {"0", false}, {"5", true}}) {
        load(std::string("UseCompletionDate='") + text + "'");
        EXPECT_EQ(p.GetUseCompletionDate(), value) << text;
    }
}

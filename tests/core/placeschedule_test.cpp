// The open hours of a place: the slot grid, its stream form and its XML element "Hours".

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "core/placeschedule.h"
#include "platform/formatsettings.h"
#include "testutil.h"

namespace {

TDateTime T(int h, int m) {
    return EncodeTime(h, m, 0, 0);
}

// The open slots of one day as "first-last" runs, e.g. "108-203".
std::string Runs(const TTaskPlaceOpenCloseSchedule& s, int day) {
    std::string out;
    for (int slot = 0; slot < SlotsPerDay; ++slot) {
        if (!s.GetSlot(day, slot) || (slot > 0 && s.GetSlot(day, slot - 1)))
            continue;
        int end = slot;
        while (end + 1 < SlotsPerDay && s.GetSlot(day, end + 1))
            ++end;
        out += (out.empty() ? "" : " ") + std::to_string(slot) + "-" + std::to_string(end);
    }
    return out;
}

// The "Hours" element a schedule writes, as text.
std::string HoursXml(const TTaskPlaceOpenCloseSchedule& s) {
    TXMLDocument doc;
    s.WriteXml(doc.CreateRoot("Hours"));
    std::string text = doc.SaveToText();
    return text.substr(text.find("<Hours"));
}

TTaskPlaceOpenCloseSchedule HoursFrom(const std::string& xml, bool lowerCase = false,
                                      const TScheduleReadQuery& query = {}) {
    TTaskPlaceOpenCloseSchedule s;
    WithElement(xml, [&](IXMLNode n) { s.ReadXml(n, lowerCase, query); });
    return s;
}

TTaskPlaceOpenCloseSchedule ThroughXml(const TTaskPlaceOpenCloseSchedule& s) {
    TXMLDocument doc;
    s.WriteXml(doc.CreateRoot("Hours"));
    return HoursFrom(doc.SaveToText());
}

TTaskPlaceOpenCloseSchedule OfficeHours() {
    TTaskPlaceOpenCloseSchedule s;
    s.SetAllClosed();
    for (int d = 1; d <= 5; ++d)
        s.SetRange(d, true, T(9, 0), T(17, 0));
    return s;
}

} // namespace

TEST(PlaceSchedule, NewScheduleIsAlwaysOpenAndCellsCoverThreeSlots) {
    TTaskPlaceOpenCloseSchedule s;
    EXPECT_TRUE(s.IsOpen(EncodeDateTime(2024, 3, 9, 23, 59, 59, 0), true));
    s.SetAllClosed();
    EXPECT_FALSE(s.IsOpen(EncodeDate(2024, 3, 10), false));
    // Monday 09:00-09:15 is cell 36 of day 1: slots 108..110.
    s.SetCell(1, 36, true);
    EXPECT_EQ(Runs(s, 1), "108-110");
    EXPECT_TRUE(s.GetCell(1, 36));
    EXPECT_FALSE(s.GetCell(1, 37));
    TDateTime monday = EncodeDate(2024, 3, 11);
    EXPECT_TRUE(s.IsOpen(monday + T(9, 14) + 59 * OneSecond, true)); // seconds ignored
    EXPECT_FALSE(s.IsOpen(monday + T(9, 15), true));
    EXPECT_TRUE(s.IsOpen(monday + T(3, 0), false)); // any slot of the day
    EXPECT_FALSE(s.IsOpen(std::nan(""), false));
    s.SetSlot(1, 109, false);
    EXPECT_TRUE(s.GetCell(1, 36)); // one open slot is enough
    s.InvertAll();
    EXPECT_FALSE(s.GetSlot(1, 108));
    EXPECT_TRUE(s.GetSlot(1, 109));
    EXPECT_THROW(s.GetCell(7, 0), Exception);
    EXPECT_THROW(s.SetCell(0, 96, true), Exception);
}

TEST(PlaceSchedule, SetRangeSwapsAndTakesOnlyMidnightAsTheEndOfTheDay) {
    TTaskPlaceOpenCloseSchedule s;
    s.SetAllClosed();
    s.SetRange(2, true, T(17, 0), T(9, 0)); // swapped
    EXPECT_EQ(Runs(s, 2), "108-203");
    s.SetRange(3, true, T(10, 0), 0); // not swapped: to the end of the day
    EXPECT_EQ(Runs(s, 3), "120-287");
    s.SetRange(4, true, T(22, 0), 1.0); // 24:00
    EXPECT_EQ(Runs(s, 4), "264-287");
    s.SetRange(5, true, 0, T(0, 5)); // the first slot alone, not the whole day
    EXPECT_EQ(Runs(s, 5), "0-0");
    s.SetRange(6, true, T(8, 2), T(8, 3)); // within one slot
    EXPECT_EQ(Runs(s, 6), "96-96");
    s.SetRange(0, true, T(8, 0), T(8, 0) + 30 * OneSecond); // ends inside 08:00: nothing
    EXPECT_EQ(Runs(s, 0), "");
}

TEST(PlaceSchedule, SlotTimesAndDayCodes) {
    EXPECT_EQ(TTaskPlaceOpenCloseSchedule::SlotStartTime(0), 0);
    EXPECT_EQ(TTaskPlaceOpenCloseSchedule::SlotStartTime(109), T(9, 5));
    EXPECT_EQ(TTaskPlaceOpenCloseSchedule::SlotEndTime(109), T(9, 10));
    EXPECT_EQ(TTaskPlaceOpenCloseSchedule::SlotEndTime(287), 1.0);
    EXPECT_EQ(TTaskPlaceOpenCloseSchedule::DayIndexToCode(0), "SU");
    EXPECT_EQ(TTaskPlaceOpenCloseSchedule::DayIndexToCode(9), "SA");
    EXPECT_EQ(TTaskPlaceOpenCloseSchedule::DayIndexToCode(-1), "SA");
    EXPECT_EQ(TTaskPlaceOpenCloseSchedule::DayCodeToIndex(" fr "), 5);
    EXPECT_EQ(MessageOf([] { TTaskPlaceOpenCloseSchedule::DayCodeToIndex("XX"); }),
              "Can not decode day of week: XX. The following codes are supported: SU, MO, TU, "
              "WE, TH, FR, SA.");
}

TEST(PlaceSchedule, StreamFormFollowsTheOwnersVersion) {
    TTaskPlaceOpenCloseSchedule a, b;
    a.SetRange(3, false, T(12, 0), T(14, 30));
    TMemoryStream s;
    a.WriteToStream(s, 1);
    EXPECT_EQ(s.Size(), 0);
    a.WriteToStream(s, 4);
    EXPECT_EQ(s.AsString(), std::string(1, '\0'));
    s.Clear();
    a.WriteToStream(s, INT32_MAX);
    ASSERT_EQ(s.Size(), 1 + 4 + OpenHoursGridSize);
    EXPECT_EQ(s.Memory()[5 + 3 * SlotsPerDay + 144], 0); // Wednesday 12:00, day-major
    s.SetPosition(0);
    b.ReadFromStream(s, 5);
    EXPECT_EQ(a, b);

    // Refusals: an active block under version 5, a wrong size, a short grid.
    TMemoryStream old;
    old.WriteValue<uint8_t>(1);
    old.SetPosition(0);
    EXPECT_EQ(MessageOf([&] { b.ReadFromStream(old, 4); }),
              "Invalid KVZ data file format. Format Version<5, however "
              "TTaskPlaceOpenCloseSchedule.Active = TRUE.");
    TMemoryStream size;
    size.WriteValue<uint8_t>(1);
    size.WriteValue<int32_t>(2015);
    size.SetPosition(0);
    EXPECT_EQ(MessageOf([&] { b.ReadFromStream(size, 5); }),
              "Invalid stream: SizeOf PlaceCalendar Array inconsistent");
    std::string cut = s.AsString().substr(0, 1000);
    TMemoryStream shortGrid(cut);
    TTaskPlaceOpenCloseSchedule c;
    c.SetAllClosed();
    EXPECT_THROW(c.ReadFromStream(shortGrid, 5), EReadError);
    EXPECT_EQ(Runs(c, 0), ""); // untouched

    // Bytes other than 0 and 1 read as open.
    std::string odd = s.AsString();
    odd[5] = 7;
    TMemoryStream oddStream(odd);
    c.ReadFromStream(oddStream, 5);
    EXPECT_EQ(c.Grid()[0][0], 1);
}

TEST(PlaceScheduleXml, WriterShapes) {
    TTaskPlaceOpenCloseSchedule s;
    EXPECT_EQ(HoursXml(s), "<Hours />\n");
    s.SetAllClosed();
    EXPECT_EQ(HoursXml(s), "<Hours>\n  <AlwaysClosed />\n</Hours>\n");
    EXPECT_EQ(HoursXml(OfficeHours()),
              "<Hours>\n  <Open Days=\"MO TU WE TH FR\" StartTime=\"09:00\" EndTime=\"17:00\" "
              "/>\n</Hours>\n");
    // Days with equal times share an element; a day's second range has one of its own.
    s = OfficeHours();
    s.SetRange(1, true, T(18, 0), T(19, 0));
    s.SetRange(6, true, T(10, 0), 0);
    EXPECT_EQ(HoursXml(s),
              "<Hours>\n"
              "  <Open Days=\"MO\" StartTime=\"18:00\" EndTime=\"19:00\" />\n"
              "  <Open Days=\"MO TU WE TH FR\" StartTime=\"09:00\" EndTime=\"17:00\" />\n"
              "  <Open Days=\"SA\" StartTime=\"10:00\" EndTime=\"00:00\" />\n"
              "</Hours>\n");
    // Every day open round the clock but one slot: written day by day, not as "always open".
    TTaskPlaceOpenCloseSchedule most;
    most.SetSlot(3, 0, false);
    EXPECT_NE(HoursXml(most).find("Days=\"SU MO TU TH FR SA\" StartTime=\"00:00\" "
                                  "EndTime=\"00:00\""),
              std::string::npos);
}

TEST(PlaceScheduleXml, SummaryTexts) {
    SetLocaleSettings(EnglishFormatSettings());
    TTaskPlaceOpenCloseSchedule s = OfficeHours();
    EXPECT_EQ(s.OpenHoursText(false), "Open hours:MO TU WE TH FR: 9:00 AM-5:00 PM ");
    s.SetRange(6, true, 0, 0);
    EXPECT_EQ(s.OpenHoursText(true),
              "Open hours:\n\rMO TU WE TH FR: 9:00 AM-5:00 PM \n\rSA: Always open ");
    s.SetAllClosed();
    EXPECT_EQ(s.OpenHoursText(true), "Always closed");
    TTimeRange r;
    r.StartTime = T(22, 0);
    r.EndTime = 1.0;
    EXPECT_EQ(TTaskPlaceOpenCloseSchedule::DayOpenHoursText(r), "10:00 PM-12:00 AM");
}

TEST(PlaceScheduleXml, RoundTripsAnyGrid) {
    TTaskPlaceOpenCloseSchedule s;
    EXPECT_EQ(ThroughXml(s), s);
    s.SetAllClosed();
    EXPECT_EQ(ThroughXml(s), s);
    // A lone first slot reads back as that slot, not as the whole day.
    s.SetSlot(2, 0, true);
    EXPECT_EQ(ThroughXml(s), s);
    s.SetSlot(4, 287, true);
    EXPECT_EQ(ThroughXml(s), s);
    std::mt19937 rng(7);
    for (int round = 0; round < 40; ++round) {
        TTaskPlaceOpenCloseSchedule g;
        // Runs of growing length, so grids range from fragmented to blocky.
        int run = 1 + round * 3;
        for (int d = 0; d < DaysPerWeek; ++d) {
            bool open = rng() % 2;
            for (int slot = 0; slot < SlotsPerDay; ++slot) {
                if (rng() % run == 0)
                    open = !open;
                g.SetSlot(d, slot, open);
            }
        }
        ASSERT_EQ(ThroughXml(g), g) << round;
        TMemoryStream m;
        g.WriteToStream(m, INT32_MAX);
        m.SetPosition(0);
        TTaskPlaceOpenCloseSchedule h;
        h.ReadFromStream(m, 5);
        ASSERT_EQ(h, g);
    }
}

TEST(PlaceScheduleXml, ReaderAcceptsCaseAndSwapsTimes) {
    auto s = HoursFrom("<Hours><OPEN Days=' mo fr ' StartTime='17:00' EndTime='09:00'/></Hours>");
    EXPECT_TRUE(s.GetSlot(1, 108));
    EXPECT_TRUE(s.GetSlot(5, 203));
    EXPECT_FALSE(s.GetSlot(5, 204));
    EXPECT_FALSE(s.GetSlot(2, 150));
    s = HoursFrom("<Hours><Open Days='SU' StartTime='22:00' EndTime='00:00'/></Hours>");
    EXPECT_FALSE(s.GetSlot(0, 263));
    EXPECT_TRUE(s.GetSlot(0, 264));
    EXPECT_TRUE(s.GetSlot(0, 287));
    // Lower-case names as other writers use them.
    s = HoursFrom("<Hours><open days='TU' startTime='08:00' endTime='08:30'/></Hours>", true);
    EXPECT_TRUE(s.GetSlot(2, 96));
    EXPECT_FALSE(s.GetSlot(2, 102));
    s = HoursFrom("<Hours><alwaysClosed/></Hours>", true);
    EXPECT_FALSE(s.IsOpen(EncodeDate(2024, 1, 1), false));
    // Other elements are not ranges; with none the place is always open.
    s = HoursFrom("<Hours><Note/></Hours>");
    EXPECT_EQ(s, TTaskPlaceOpenCloseSchedule());
}

TEST(PlaceScheduleXml, BadElementsAskOrRaise) {
    const std::string xml = "<Hours><Open Days='MO' StartTime='9h' EndTime='10:00'/>"
                            "<Open Days='TU' StartTime='09:00' EndTime='10:00'/></Hours>";
    std::string asked;
    auto s = HoursFrom(xml, false, [&](const std::string& q) {
        asked = q;
        return true;
    });
    EXPECT_EQ(asked.rfind("Error reading place Open/Close schedule XML: ", 0), 0u);
    EXPECT_NE(asked.find("9h"), std::string::npos);
    EXPECT_EQ(asked.substr(asked.size() - 23), ". Continue reading XML?");
    EXPECT_FALSE(s.GetSlot(1, 108)); // skipped
    EXPECT_TRUE(s.GetSlot(2, 108));
    EXPECT_THROW(HoursFrom(xml, false, [](const std::string&) { return false; }), EConvertError);
    EXPECT_THROW(HoursFrom(xml), EConvertError);

    // Unknown codes, including the empty one between two blanks, go to the caller.
    const std::string codeMessage = "Can not decode day of week: . The following codes are "
                                    "supported: SU, MO, TU, WE, TH, FR, SA.";
    EXPECT_EQ(MessageOf([] {
                  HoursFrom("<Hours><Open Days='MO  FR' StartTime='09:00' EndTime='10:00'/>"
                            "</Hours>");
              }),
              codeMessage);
    EXPECT_THROW(HoursFrom("<Hours><Open Days='XX' StartTime='09:00' EndTime='10:00'/></Hours>"),
                 Exception);
}

#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "core/placeschedule.h"
#include "platform/formatsettings.h"
#include "testutil.h"

namespace {

TDateTime T(int h, int m) {
    return EncodeTime(h, m, 0, 0);
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

TEST(PlaceScheduleXml, WriterShapes) {
    TTaskPlaceOpenCloseSchedule s;
    EXPECT_EQ(HoursXml(s), "<Hours />\n");
    s.SetAllClosed();
    EXPECT_EQ(HoursXml(s), "<Hours>\n  <AlwaysClosed />\n</Hours>\n");
    EXPECT_EQ(HoursXml(OfficeHours()),
              "<Hours>\n  <Open Days=\"MO TU WE TH FR\" StartTime=\"09:00\" EndTime=\"17:00\" "
              "/>\n</Hours>\n");
    s.SetRange(6, true, T(22, 0), 0);
    s.SetRange(1, true, T(6, 0), T(6, 5));
    EXPECT_EQ(HoursXml(s), "<Hours>\n"
                           "  <Open Days=\"MO\" StartTime=\"06:00\" EndTime=\"06:05\" />\n"
                           "  <Open Days=\"SA\" StartTime=\"22:00\" EndTime=\"00:00\" />\n"
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

#include <gtest/gtest.h>

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

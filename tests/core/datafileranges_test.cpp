#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "core/binarydatafile.h"
#include "core/datafiledates.h"
#include "core/xmldatafile.h"
#include "fakealertwindows.h"
#include "testutil.h"

namespace {

std::string Write(const TTockwellDB& db, bool xml) {
    if (xml) {
        TXMLDocument doc;
        BuildXMLDataFile(db, doc);
        return doc.SaveToText();
    }
    TMemoryStream s;
    db.SaveToStream(s, "", BinaryDataFileVersion);
    return s.AsString();
}

// The load's error, "" when it loaded.
std::string Read(TTockwellDB& db, const std::string& file, bool xml) {
    return MessageOf([&] {
        if (xml) {
            TXMLDocument doc;
            doc.LoadFromText(file);
            db.LoadFromXML(doc.DocumentElement());
        } else {
            TMemoryStream s(file);
            db.LoadFromStream(s, "");
        }
    });
}

constexpr const char* Loaded = "(nothing raised)";

} // namespace

// Each value a data file holds from which a date is computed, at its extremes: the largest
// accepted one loads, fires and writes a file that reads back; the first refused one (and 1e300)
// is refused on load as a date outside the years 1 to 9999 is, in both forms.
TEST(DataFileRanges, ExtremeValuesLoadFireAndReadBack) {
    TempRegistry registry;
    FakeAlertEnvironment env;
    const TDateTime now = At(2024, 3, 15, 12);
    FixedClock clock(now);
    const auto pattern = [](TReminderItem& r, TRecurrenceType type) -> TRecurrencePattern& {
        r.RecurrencePattern().SetRecurrenceType(type);
        r.RecurrencePattern().SetPatternStartDate(r.GetReminderDateTime());
        return r.RecurrencePattern();
    };
    struct Case {
        const char* what;
        std::function<void(TReminderItem&, double)> set;
        double accepted, refused;
    };
    const TDateTime maxSpan = MaxDataFileSpan;
    const std::vector<Case> cases = {
        {"the repetition interval", [](TReminderItem& r, double v) { r.SetAutoAlert(true, v); },
         maxSpan, maxSpan + OneSecond},
        {"the repetition interval", [](TReminderItem& r, double v) { r.SetAutoAlert(true, v); },
         OneMinute, 1e300},
        {"the next alert",
         [](TReminderItem& r, double v) {
             r.SetAutoAlert(true, OneMinute);
             r.SetReminderDateTime(true, v);
         },
         LastDataFileMoment, EndOfCalendar - 1e-9},
        {"the hourly step",
         [&](TReminderItem& r, double v) { pattern(r, rtHourly).SetHourlyDelta(v); }, maxSpan,
         maxSpan + OneSecond},
        {"the hourly step's random upper bound",
         [&](TReminderItem& r, double v) { pattern(r, rtHourly).SetHourlyDeltaRandomTo(v); },
         maxSpan, maxSpan + OneSecond},
        {"the recurrence interval",
         [&](TReminderItem& r, double v) { pattern(r, rtDaily).SetInterval(int(v)); },
         MaxDataFileInterval, MaxDataFileInterval + 1},
        {"snoozed", [&](TReminderItem& r, double v) { r.SetReminderDateTime(true, v); },
         LastDataFileMoment - OneHour, NAN},
    };
    for (const Case& c : cases)
        for (const double value : {c.accepted, c.refused})
            for (const bool xml : {true, false}) {
                if (std::isnan(value))
                    continue;
                SCOPED_TRACE(Format("%s %.15g in %s", c.what, value, xml ? "XML" : "binary"));
                clock.Set(now);
                TTockwellDB source;
                c.set(source.AddNew("due", now)->GetReminder(), value);
                TTockwellDB db;
                const std::string error = Read(db, Write(source, xml), xml);
                if (value == c.accepted)
                    EXPECT_EQ(error, Loaded);
                else
                    for (const std::string& part : {std::string("Reminder 1 \"due\": "),
                                                    Format("%s %.15g is not ", c.what, value)})
                        EXPECT_NE(error.find(part), std::string::npos) << error;
                // Fire what loaded at its next alert, then snooze or dismiss it.
                for (int i = 0; i < db.Count(); ++i) {
                    const TTockwellItemPtr item = db.GetItem(i);
                    TReminderItem& r = item->GetReminder();
                    if (r.GetNextAlertDateTime() == 0)
                        continue; // its value was dropped
                    clock.Set(r.GetNextAlertDateTime());
                    EXPECT_TRUE(r.CheckAlert(item, Now()));
                    if (std::string(c.what) == "snoozed")
                        r.Snooze(2 * OneHour);
                    else if (r.GetNextAlertDateTime() == 0)
                        r.Dismiss();
                }
                TTockwellDB back;
                EXPECT_EQ(Read(back, Write(db, xml), xml), Loaded);
            }
}

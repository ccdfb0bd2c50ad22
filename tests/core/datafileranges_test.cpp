#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
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

// Each reminder of db is snoozed exactly when it has a next alert.
bool SnoozedAsNextAlert(const TTockwellDB& db) {
    for (int i = 0; i < db.Count(); ++i) {
        const TReminderItem& r = db.GetItem(i)->GetReminder();
        if (r.GetSnoozed() != (r.GetNextAlertDateTime() != 0))
            return false;
    }
    return true;
}

} // namespace

// Each value a data file holds from which a date is computed, at its extremes: the largest
// accepted one loads, fires and writes a file that reads back; the first refused one (and 1e300)
// is refused on load as a date outside the years 1 to 9999 is, in both forms, and named as the
// file holds it. A snooze past the year 9999 leaves no next alert and the reminder unsnoozed.
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
        // The refused value as the XML file holds it: attribute="text" replaces what was written.
        const char* attribute = nullptr;
        const char* text = nullptr;
    };
    const TDateTime maxSpan = MaxDataFileSpan;
    const std::vector<Case> cases = {
        {"the repetition interval", [](TReminderItem& r, double v) { r.SetAutoAlert(true, v); },
         maxSpan, maxSpan + OneSecond, "AutoAlertDelta", "3652059.0000115741"},
        {"the repetition interval", [](TReminderItem& r, double v) { r.SetAutoAlert(true, v); },
         OneMinute, 1e300, "AutoAlertDelta", "1e300"},
        {"the next alert",
         [](TReminderItem& r, double v) {
             r.SetAutoAlert(true, OneMinute);
             r.SetReminderDateTime(true, v);
         },
         LastDataFileMoment, EndOfCalendar - 1e-9, "NextAlertDateTime", "2958465.9999999995"},
        {"the hourly step",
         [&](TReminderItem& r, double v) { pattern(r, rtHourly).SetHourlyDelta(v); }, maxSpan,
         maxSpan + OneSecond, "HourlyDelta", "3652059.0000115741"},
        {"the hourly step's random upper bound",
         [&](TReminderItem& r, double v) { pattern(r, rtHourly).SetHourlyDeltaRandomTo(v); },
         maxSpan, maxSpan + OneSecond, "HourlyDeltaRandomTo", "3652059.0000115741"},
        {"the recurrence interval",
         [&](TReminderItem& r, double v) { pattern(r, rtDaily).SetInterval(int(v)); },
         MaxDataFileInterval, MaxDataFileInterval + 1, "Interval", "3652060"},
        {"snoozed", [&](TReminderItem& r, double v) { r.SetReminderDateTime(true, v); },
         LastDataFileMoment - OneHour, NAN},
    };
    for (const Case& c : cases)
        for (const double value : {c.accepted, c.refused})
            for (const bool xml : {true, false}) {
                if (std::isnan(value))
                    continue;
                const bool refused = value != c.accepted;
                const std::string held = refused && xml ? c.text : Format("%.17g", value);
                SCOPED_TRACE(Format("%s %s in %s", c.what, held.c_str(), xml ? "XML" : "binary"));
                clock.Set(now);
                const bool snoozed = std::string(c.what) == "snoozed";
                TTockwellDB source;
                c.set(source.AddNew("due", now)->GetReminder(), value);
                std::string file = Write(source, xml);
                if (refused && xml) {
                    const size_t at =
                        file.find(Format(" %s=\"", c.attribute), file.find("<ReminderItem"));
                    ASSERT_NE(at, std::string::npos) << file;
                    const size_t from = at + strlen(c.attribute) + 3;
                    file.replace(from, file.find('"', from) - from, c.text);
                }
                TTockwellDB db;
                const std::string error = Read(db, file, xml);
                if (!refused)
                    EXPECT_EQ(error, Loaded);
                else
                    for (const std::string& part : {std::string("Reminder 1 \"due\": "),
                                                    Format("%s %s is not ", c.what, held.c_str())})
                        EXPECT_NE(error.find(part), std::string::npos) << error;
                // Fire what loaded at its next alert, then snooze or dismiss it.
                for (int i = 0; i < db.Count(); ++i) {
                    const TTockwellItemPtr item = db.GetItem(i);
                    TReminderItem& r = item->GetReminder();
                    if (r.GetNextAlertDateTime() == 0)
                        continue; // its value was dropped
                    clock.Set(r.GetNextAlertDateTime());
                    EXPECT_TRUE(r.CheckAlert(item, Now()));
                    if (snoozed) {
                        r.Snooze(2 * OneHour);
                        EXPECT_TRUE(SnoozedAsNextAlert(db));
                    } else if (r.GetNextAlertDateTime() == 0)
                        r.Dismiss();
                }
                TTockwellDB back;
                EXPECT_EQ(Read(back, Write(db, xml), xml), Loaded);
                if (snoozed) {
                    EXPECT_TRUE(SnoozedAsNextAlert(back));
                }
            }
}

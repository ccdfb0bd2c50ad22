#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/datafileerrors.h"
#include "core/xmldatafile.h"
#include "fakealertwindows.h"
#include "sampledata.h"
#include "testutil.h"

namespace {

// Fresh settings store and alert fakes for every test.
class XmlDataFile : public ::testing::Test {
protected:
    TempRegistry registry;
    FakeAlertEnvironment env;
    TempDir dir;
    FixedClock clock{At(2024, 3, 15, 12)};
};

// The names of the element's children, in order.
std::vector<std::string> ChildNames(IXMLNode node) {
    std::vector<std::string> names;
    for (int i = 0; i < node.ChildCount(); ++i)
        names.push_back(node.Child(i).NodeName());
    return names;
}

// The attribute names of the first start tag "<element " found from pos, in order.
std::vector<std::string> AttributeNames(const std::string& xml, const std::string& element,
                                        size_t pos = 0) {
    std::vector<std::string> names;
    size_t at = xml.find("<" + element + " ", pos);
    if (at == std::string::npos)
        return names;
    const size_t end = xml.find('>', at);
    for (size_t eq; (eq = xml.find("=\"", at)) < end; at = xml.find('"', eq + 2) + 1) {
        size_t start = xml.find_last_of(" \n", eq) + 1;
        names.push_back(xml.substr(start, eq - start));
    }
    return names;
}

// Lets db read a document given as text.
void LoadText(TTockwellDB& db, const std::string& xml) {
    TXMLDocument doc;
    doc.LoadFromText(xml);
    db.LoadFromXML(doc.DocumentElement());
}

// The message of the ExXMLFormatError f raises ("" when it raises none).
std::string FormatError(const std::function<void()>& f) {
    try {
        f();
    } catch (const ExXMLFormatError& e) {
        return e.Message;
    }
    return {};
}

const std::string Declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

} // namespace

TEST_F(XmlDataFile, RoundTripKeepsEveryField) {
    TTockwellDB db;
    FillSampleDatabase(db);
    const std::string file = dir.File("data.tock");
    SaveXMLDataFile(db, file);
    EXPECT_EQ(std::system(("xmllint --noout '" + file + "'").c_str()), 0);

    TTockwellDB back;
    LoadXMLDataFile(back, file);
    ExpectSameDatabase(db, back);
    const TTockwellOptions &o = db.DBSettings, &p = back.DBSettings;
    EXPECT_EQ(o.HotKeyActive, p.HotKeyActive);
    EXPECT_EQ(o.AppHotKey, p.AppHotKey);
    EXPECT_EQ(o.AppHotKeyShifts, p.AppHotKeyShifts);
    EXPECT_EQ(o.ShowNextAlertInCaption, p.ShowNextAlertInCaption);
    EXPECT_EQ(o.BlinkAlertInCaption, p.BlinkAlertInCaption);
    EXPECT_EQ(o.CloseAfterCreateNewReminder, p.CloseAfterCreateNewReminder);
    EXPECT_EQ(o.RunMinimized, p.RunMinimized);
    // The indexes were rebuilt: the earliest pending alert is the hourly one.
    ASSERT_NE(back.GetNextAlertItem(), nullptr);
    EXPECT_EQ(back.GetNextAlertItem()->Caption, "Water the plants");
    EXPECT_TRUE(back.HasRemindersOnDay(At(2024, 3, 20)));

    // Written again it is the same document; the previous one is kept as the backup.
    const std::string first = ReadFileBytes(file);
    back.GetItem(0)->Caption = "changed";
    SaveXMLDataFile(back, file);
    EXPECT_EQ(ReadFileBytes(file + ".bak"), first);
    EXPECT_NE(ReadFileBytes(file), first);
    EXPECT_FALSE(std::filesystem::exists(file + ".~TockwellTmp~"));
    back.GetItem(0)->Caption = db.GetItem(0)->Caption;
    TXMLDocument doc;
    BuildXMLDataFile(back, doc);
    EXPECT_EQ(doc.SaveToText(), first);

    // A failed save leaves the file as it was.
    EXPECT_THROW(SaveXMLDataFile(back, dir.File("missing/data.tock")), Exception);
    EXPECT_FALSE(std::filesystem::exists(dir.File("missing")));
}

TEST_F(XmlDataFile, DocumentNamesAndOrder) {
    TTockwellDB db;
    FillSampleDatabase(db);
    TXMLDocument doc;
    BuildXMLDataFile(db, doc);
    const std::string xml = doc.SaveToText();
    EXPECT_EQ(xml.rfind(Declaration, 0), 0u);

    IXMLNode root = doc.DocumentElement();
    EXPECT_EQ(root.NodeName(), "Tockwell-xml");
    EXPECT_EQ(AttributeNames(xml, "Tockwell-xml"), std::vector<std::string>{"ver"});
    EXPECT_EQ(root.Attribute("ver"), "1.0");
    EXPECT_EQ(ChildNames(root),
              (std::vector<std::string>{"DefaultAlertSettings", "HolidaysWorkdays", "CustomColors",
                                        "Reminders", "DBSettings"}));

    IXMLNode days = root.FindChild("HolidaysWorkdays");
    EXPECT_EQ(ChildNames(days), (std::vector<std::string>{"Holidays", "Workdays"}));
    EXPECT_EQ(ChildNames(days.FindChild("Holidays")), (std::vector<std::string>{"h", "h"}));
    EXPECT_EQ(days.FindChild("Holidays").Child(1).Attribute("d"), "2025-01-01T00:00:00");
    EXPECT_EQ(days.FindChild("Workdays").Child(0).Attribute("d"), "2024-12-28T00:00:00");
    IXMLNode colors = root.FindChild("CustomColors");
    EXPECT_EQ(ChildNames(colors), (std::vector<std::string>{"cc", "cc"}));
    EXPECT_EQ(AttributeNames(xml, "cc"), (std::vector<std::string>{"d", "c"}));
    EXPECT_EQ(colors.Child(0).Attribute("d"), "2024-03-08T00:00:00");
    EXPECT_EQ(colors.Child(0).Attribute("c"), "255");
    EXPECT_EQ(colors.Child(1).Attribute("c"), "-16777208");

    IXMLNode reminders = root.FindChild("Reminders");
    ASSERT_EQ(reminders.ChildCount(), 4);
    IXMLNode first = reminders.Child(0);
    EXPECT_EQ(ChildNames(first),
              (std::vector<std::string>{"Caption", "Notes", "Created", "Updated", "Alerts"}));
    EXPECT_EQ(first.FindChild("Created").Text(), "2024-01-02T03:04:05");
    EXPECT_EQ(ChildNames(reminders.Child(2)),
              (std::vector<std::string>{"Caption", "Created", "Updated", "Alerts"}));
    const std::vector<std::string> reminderAttributes = {
        "ReminderDateTime",   "NextAlertDateTime", "Snoozed",
        "IsAutoAlertEnabled", "AutoAlertDelta",    "LimitAutoAlertCount",
        "MaxAutoAlertCount",  "AutoAlertIndex",    "ReminderState"};
    EXPECT_EQ(AttributeNames(xml, "DefaultAlertSettings"), reminderAttributes);
    EXPECT_EQ(AttributeNames(xml, "Alerts"), reminderAttributes);
    std::vector<std::string> placed = reminderAttributes;
    placed.insert(placed.end(), {"PlacedToReminderWnd", "LatestAlertDateTime"});
    EXPECT_EQ(AttributeNames(xml, "Alerts", xml.find("Water the plants")), placed);

    EXPECT_EQ(ChildNames(first.FindChild("Alerts")), std::vector<std::string>(7, "Alert"));
    EXPECT_EQ(first.FindChild("Alerts").Child(6).Attribute("AlertType"), "6");
    IXMLNode hourly = reminders.Child(1).FindChild("Alerts");
    EXPECT_EQ(ChildNames(hourly), (std::vector<std::string>{"Alert", "R"}));
    EXPECT_EQ(ChildNames(hourly.FindChild("R")), std::vector<std::string>{"Hours"});

    // An empty database: empty day and colour sections, options at their defaults.
    TTockwellDB empty;
    TXMLDocument emptyDoc;
    BuildXMLDataFile(empty, emptyDoc);
    IXMLNode emptyRoot = emptyDoc.DocumentElement();
    EXPECT_EQ(emptyRoot.FindChild("HolidaysWorkdays").ChildCount(), 0);
    EXPECT_EQ(emptyRoot.FindChild("CustomColors").ChildCount(), 0);
    EXPECT_EQ(emptyRoot.FindChild("Reminders").ChildCount(), 0);
    EXPECT_EQ(ChildNames(emptyRoot.FindChild("DBSettings")),
              (std::vector<std::string>{"AppHotKey", "AppHotKeyShifts"}));
    EXPECT_EQ(ChildNames(emptyRoot.FindChild("DefaultAlertSettings")),
              std::vector<std::string>{"Alert"});
}

TEST_F(XmlDataFile, ForeignRootChangesNothing) {
    TTockwellDB db;
    FillSampleDatabase(db);
    EXPECT_EQ(FormatError([&] { LoadText(db, "<Tockwell><Reminders/></Tockwell>"); }),
              "Invalid Tockwell XML format.");
    EXPECT_EQ(db.Count(), 4);
    EXPECT_EQ(db.Holidays.Count(), 2);
    EXPECT_FALSE(db.DBSettings.HotKeyActive);

    // A file that is no XML at all is not a format error: another reader may try it.
    const std::string file = dir.File("binary.tock");
    WriteFileBytes(file, std::string("TockwellDataFile\x01\0\0\0", 20));
    EXPECT_THROW(LoadXMLDataFile(db, file), EXMLDocError);
    EXPECT_THROW(LoadXMLDataFile(db, dir.File("absent.tock")), EFOpenError);
    EXPECT_EQ(db.Count(), 4);

    // The root's name in capitals is accepted; an empty document keeps defaults and options.
    LoadText(db, "<TOCKWELL-XML ver='9.9'/>");
    EXPECT_EQ(db.Count(), 0);
    EXPECT_EQ(db.Holidays.Count(), 2);
    EXPECT_TRUE(db.DefaultAlertSettings.GetAction(akPlaySound).Enabled);
    EXPECT_EQ(db.DBSettings.AppHotKey, 112);
    EXPECT_FALSE(db.DBSettings.HotKeyActive);
    EXPECT_FALSE(db.DBSettings.RunMinimized); // nothing stored it
}

TEST_F(XmlDataFile, SectionsReplaceWhatAnotherFileLeft) {
    TTockwellDB db;
    FillSampleDatabase(db);
    LoadText(db, R"(<Tockwell-xml>
      <DefaultAlertSettings ReminderDateTime="0"><Alert AlertType="3" AppPath=" run "/>
      </DefaultAlertSettings>
      <HolidaysWorkdays><Holidays><x d="2024-06-01T10:00:00"/><h d="1899-12-30T00:00:00"/>
        <h d=""/><h/></Holidays></HolidaysWorkdays>
      <CustomColors/>
      <Reminders><reminderitem><Caption>a</Caption></reminderitem><Other/>
        <ReminderItem/></Reminders>
      <DBSettings><AppHotKey>65</AppHotKey></DBSettings>
    </Tockwell-xml>)");
    // The file's defaults only: nothing of the previous ones stays enabled.
    TReminderItem& d = db.DefaultAlertSettings;
    for (int kind = 0; kind < AlertKindCount; ++kind)
        EXPECT_EQ(d.GetAction(kind).Enabled, kind == akRunApp) << kind;
    EXPECT_EQ(d.Action<TAlertActRunApp>().AppPath, "run");
    EXPECT_FALSE(d.GetIsAutoAlertEnabled());
    EXPECT_EQ(d.GetMaxAutoAlertCount(), 3);
    // Days: any element name, time dropped, day 0 and empty texts skipped; no workdays left.
    EXPECT_EQ(std::vector<int32_t>(db.Holidays.begin(), db.Holidays.end()),
              std::vector<int32_t>{static_cast<int32_t>(At(2024, 6, 1))});
    EXPECT_EQ(db.Workdays.Count(), 0);
    EXPECT_EQ(db.CustomColors.Count(), 0);
    // Entries: names compared without case, others ignored, an empty element kept as new.
    ASSERT_EQ(db.Count(), 2);
    EXPECT_EQ(db.GetItem(0)->Caption, "a");
    EXPECT_EQ(db.GetItem(1)->Created, At(2024, 3, 15, 12));
    // Options: a missing HotKeyActive turns the hot key on, the others keep their values.
    EXPECT_TRUE(db.DBSettings.HotKeyActive);
    EXPECT_EQ(db.DBSettings.AppHotKey, 65);
    EXPECT_EQ(db.DBSettings.AppHotKeyShifts, 3);
    EXPECT_FALSE(db.DBSettings.BlinkAlertInCaption);
}

TEST_F(XmlDataFile, UnreadableValuesCostOnlyThemselves) {
    TTockwellDB db;
    const std::string message = FormatError([&] {
        LoadText(db, R"(<Tockwell-xml>
          <HolidaysWorkdays><Holidays><h d="2024-13-01T00:00:00"/><h d="2024-12-24T00:00:00"/>
          </Holidays></HolidaysWorkdays>
          <CustomColors>
            <cc d="2024-01-01T00:00:00" c=""/><cc d="" c="5"/><cc c="6"/>
            <cc d="2024-01-02T00:00:00" c="red"/>
            <cc d="2024-01-03T00:00:00" c="4278190088"/>
            <cc d="2024-01-03T00:00:00" c="7"/>
            <cc d="2024-01-04T00:00:00" c=" -1 "/>
          </CustomColors>
          <Reminders>
            <ReminderItem><Caption>one</Caption><Alerts ReminderDateTime="45371.5"/></ReminderItem>
            <ReminderItem><Caption>two</Caption>
              <Alerts ReminderDateTime="45372.5" NextAlertDateTime="4537x" ReminderState="1"/>
            </ReminderItem>
            <ReminderItem><Caption>three</Caption><Created>yesterday</Created>
              <Alerts MaxAutoAlertCount="x3"/></ReminderItem>
            <ReminderItem><Caption>four</Caption><Alerts><Alert AlertType="9"/></Alerts>
            </ReminderItem>
            <ReminderItem><Caption>five</Caption><Alerts NextAlertDateTime="45373,25"/>
            </ReminderItem>
          </Reminders>
          <DBSettings><AppHotKey>70</AppHotKey></DBSettings>
        </Tockwell-xml>)");
    });
    // Everything readable was read: the good day, the colours after the empty attributes and
    // the bad one, all five entries and the options.
    EXPECT_EQ(db.Holidays.Count(), 1);
    ASSERT_EQ(db.CustomColors.Count(), 2);
    EXPECT_EQ(db.CustomColors.Items(0).Color, static_cast<int32_t>(0xFF000008)); // first kept
    EXPECT_EQ(db.CustomColors.Items(1).Color, -1);
    ASSERT_EQ(db.Count(), 5);
    EXPECT_EQ(db.GetItem(0)->GetReminder().GetReminderDateTime(), 45371.5);
    // The bad number leaves its field as it was instead of clearing the alert.
    EXPECT_EQ(db.GetItem(1)->Caption, "two");
    EXPECT_EQ(db.GetItem(1)->GetReminder().GetReminderDateTime(), 45372.5);
    EXPECT_EQ(db.GetItem(2)->Caption, "three");
    EXPECT_EQ(db.GetItem(4)->GetReminder().GetNextAlertDateTime(), 45373.25);
    EXPECT_EQ(db.DBSettings.AppHotKey, 70);
    // The error names each place.
    for (const char* part : {"Holiday 1: ", "Custom colour 4: 'red' is not a valid colour value",
                             "Reminder 2 \"two\": '4537x' is not a valid floating point value",
                             "Reminder 3 \"three\": ", "Reminder 4 \"four\": Internal error"})
        EXPECT_NE(message.find(part), std::string::npos) << part << "\n" << message;
    EXPECT_EQ(message.find("Reminder 5"), std::string::npos);
}

// A date outside the years 1 to 9999 fired at once (-1e9) or was listed thousands of years
// ahead and written back as a 301-digit number (1e300): it is refused and reads as no date;
// the rest of its entry is read.
TEST_F(XmlDataFile, DatesOutsideTheYears1To9999AreRefused) {
    TTockwellDB db;
    const std::string message = FormatError([&] {
        LoadText(db, R"(<Tockwell-xml>
          <DefaultAlertSettings ReminderDateTime="1e300" MaxAutoAlertCount="6"/>
          <Reminders>
            <ReminderItem><Caption>far off</Caption>
              <Alerts ReminderDateTime="-1e9" NextAlertDateTime="1e300" ReminderState="1"
                      PlacedToReminderWnd="-1" LatestAlertDateTime="-693594">
                <R PatternStartDate="1e300" PatternEndDate="2958466" Interval="2"/>
              </Alerts></ReminderItem>
            <ReminderItem><Caption>fine</Caption>
              <Alerts ReminderDateTime="45371.5" NextAlertDateTime="2958465.5"/></ReminderItem>
          </Reminders>
        </Tockwell-xml>)");
    });
    for (const char* part : {"Default alert settings: the alert time 1e300",
                             "Reminder 1 \"far off\": the alert time -1e9",
                             "Reminder 1 \"far off\": the next alert 1e300",
                             "Reminder 1 \"far off\": the last alert -693594",
                             "Reminder 1 \"far off\": the recurrence start 1e300",
                             "Reminder 1 \"far off\": the recurrence end 2958466"})
        EXPECT_NE(message.find(std::string(part) + " is not a date of the years 1 to 9999"),
                  std::string::npos)
            << part << "\n"
            << message;
    EXPECT_EQ(message.find("Reminder 2"), std::string::npos) << message;

    EXPECT_EQ(db.DefaultAlertSettings.GetReminderDateTime(), 0);
    EXPECT_EQ(db.DefaultAlertSettings.GetMaxAutoAlertCount(), 6);
    ASSERT_EQ(db.Count(), 2);
    TReminderItem& r = db.GetItem(0)->GetReminder();
    EXPECT_EQ(r.GetReminderDateTime(), 0);
    EXPECT_EQ(r.GetNextAlertDateTime(), 0);
    EXPECT_EQ(r.GetLatestAlertDateTime(), 0);
    EXPECT_TRUE(r.GetPlacedToReminderWnd());
    EXPECT_TRUE(r.RecurrencePattern().IsStartDateEmpty());
    EXPECT_EQ(r.RecurrencePattern().GetPatternEndDate(), 0);
    EXPECT_EQ(r.RecurrencePattern().GetInterval(), 2);
    EXPECT_EQ(db.GetItem(1)->GetReminder().GetNextAlertDateTime(), 2958465.5);
    ASSERT_NE(db.GetNextAlertItem(), nullptr);
    EXPECT_EQ(db.GetNextAlertItem()->Caption, "fine");

    // What was kept writes a document that reads back without a problem.
    TXMLDocument doc;
    BuildXMLDataFile(db, doc);
    TTockwellDB again;
    EXPECT_EQ(FormatError([&] { LoadText(again, doc.SaveToText()); }), "");

    // A refused date or span is named by the file's own text, not a rounding of it.
    TTockwellDB exact;
    const std::string named = FormatError([&] {
        LoadText(exact, R"(<Tockwell-xml><Reminders><ReminderItem><Caption>exact</Caption>
          <Alerts NextAlertDateTime="2958465.9999999995" AutoAlertDelta=" 4e6 ">
            <R HourlyDelta="3652059.000011574074"/></Alerts></ReminderItem></Reminders>
        </Tockwell-xml>)");
    });
    for (const char* part :
         {"the next alert 2958465.9999999995 is not a date of the years 1 to 9999",
          "the repetition interval 4e6 is not a span of at most 3652059 days",
          "the hourly step 3652059.000011574074 is not a span of at most 3652059 days"})
        EXPECT_NE(named.find(std::string("Reminder 1 \"exact\": ") + part), std::string::npos)
            << part << "\n"
            << named;
}

TEST_F(XmlDataFile, AnUnwritableSettingsStoreDoesNotKeepTheDataFileFromBeingSaved) {
    // The store's folder is a file: every settings write fails.
    std::filesystem::create_directories(std::filesystem::path(registry.Folder()).parent_path());
    WriteFileBytes(registry.Folder(), "not a folder");
    TTockwellDB db;
    db.AddNew("Kept", 0);
    db.DBSettings.RunMinimized = true;

    const std::string xml = dir.File("data.tock");
    SaveXMLDataFile(db, xml);
    TMemoryStream stream;
    db.SaveToStream(stream, "", 1);

    TTockwellDB reread;
    LoadXMLDataFile(reread, xml);
    ASSERT_EQ(reread.Count(), 1);
    EXPECT_GT(stream.Size(), 16);
    stream.SetPosition(0);
    TTockwellDB fromStream;
    fromStream.LoadFromStream(stream, "");
    ASSERT_EQ(fromStream.Count(), 1);
    EXPECT_EQ(fromStream.GetItem(0)->Caption, "Kept");
}

// A load error names an entry by its caption up to 40 bytes; a longer one is cut there.
TEST_F(XmlDataFile, LoadErrorsCutCaptionsAfter40Bytes) {
    const std::string forty(40, 'c');
    TTockwellDB db;
    const std::string message = FormatError([&] {
        LoadText(db, "<Tockwell-xml><Reminders><ReminderItem><Caption>" + forty +
                         "</Caption><Alerts NextAlertDateTime='1e300'/></ReminderItem>"
                         "<ReminderItem><Caption>" +
                         forty +
                         "d</Caption><Alerts NextAlertDateTime='1e300'/></ReminderItem>"
                         "</Reminders></Tockwell-xml>");
    });
    for (const std::string& place :
         {"Reminder 1 \"" + forty + "\": ", "Reminder 2 \"" + forty + "...\": "})
        EXPECT_NE(message.find(place), std::string::npos) << place << "\n" << message;
}

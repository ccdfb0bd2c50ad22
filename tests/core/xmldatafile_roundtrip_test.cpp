#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/recurrencepattern.h"
#include "core/xmldatafile.h"
#include "fakealertwindows.h"
#include "sampledata.h"
#include "tests/fuzz/xmldatafilecheck.h"
#include "testutil.h"

namespace fs = std::filesystem;

namespace {

class XmlRoundTrip : public ::testing::Test {
protected:
    TempRegistry registry;
    FakeAlertEnvironment env;
    FixedClock clock{At(2024, 3, 15, 12)};
};

void Load(TTockwellDB& db, const std::string& xml) {
    TXMLDocument doc;
    doc.LoadFromText(xml);
    db.LoadFromXML(doc.DocumentElement());
}

} // namespace

// The fuzz target's check over its seed corpus: whatever a seed loads writes a document that
// reads back and writes again unchanged.
TEST_F(XmlRoundTrip, EverySeedOfTheFuzzCorpusWritesAStableDocument) {
    std::vector<fs::path> seeds;
    for (const auto& entry :
         fs::directory_iterator(SourcePath("tests/fuzz/corpus/fuzz_xml_datafile")))
        if (entry.is_regular_file())
            seeds.push_back(entry.path());
    std::sort(seeds.begin(), seeds.end());
    ASSERT_GE(seeds.size(), 5u);
    for (const fs::path& seed : seeds)
        EXPECT_EQ(xmlcheck::CheckXmlDataFileRoundTrip(ReadFileBytes(seed.string())), "")
            << seed.filename();
}

// Intervals shorter than the written precision were accepted, written as "0" and then
// refused (or read as "off"); they are now held at one second, which the file keeps.
TEST_F(XmlRoundTrip, IntervalsBelowOneSecondAreHeldAtOneSecond) {
    const std::string xml =
        "<Tockwell-xml><DefaultAlertSettings IsAutoAlertEnabled=\"-1\" AutoAlertDelta=\"1e-12\"/>"
        "<Reminders><ReminderItem><Caption>c</Caption><Alerts IsAutoAlertEnabled=\"-1\" "
        "AutoAlertDelta=\".0000000001\"><R RecurrenceType=\"7\" HourlyDelta=\".0000000001\" "
        "HourlyDeltaRandomTo=\"0.0000004\"/></Alerts></ReminderItem></Reminders></Tockwell-xml>";
    TTockwellDB first, second;
    Load(first, xml);
    Load(second, xmlcheck::WriteXmlDataFile(first));
    for (TTockwellDB* db : {&first, &second}) {
        SCOPED_TRACE(db == &first ? "loaded" : "reloaded");
        EXPECT_TRUE(db->DefaultAlertSettings.GetIsAutoAlertEnabled());
        EXPECT_DOUBLE_EQ(db->DefaultAlertSettings.GetAutoAlertDelta(), OneSecond);
        ASSERT_EQ(db->Count(), 1);
        TReminderItem& r = db->GetItem(0)->GetReminder();
        EXPECT_TRUE(r.GetIsAutoAlertEnabled());
        EXPECT_DOUBLE_EQ(r.GetAutoAlertDelta(), OneSecond);
        ASSERT_TRUE(r.HasRecurrencePattern());
        EXPECT_DOUBLE_EQ(r.RecurrencePattern().GetHourlyDelta(), OneSecond);
        EXPECT_DOUBLE_EQ(r.RecurrencePattern().GetHourlyDeltaRandomTo(), OneSecond);
    }
}

// The binary record keeps the same rule, so either file form holds what the other can write.
TEST_F(XmlRoundTrip, BinaryRecordsHoldShortIntervalsAtOneSecondToo) {
    TReminderItem a;
    a.SetAutoAlert(true, 1e-10);
    a.RecurrencePattern().SetRecurrenceType(rtHourly);
    a.RecurrencePattern().SetHourlyDelta(1e-10);
    a.RecurrencePattern().SetHourlyDeltaRandomTo(2e-10);
    TMemoryStream s;
    a.SaveToStream(s);
    s.SetPosition(0);
    TReminderItem b;
    b.LoadFromStream(s);
    EXPECT_TRUE(b.GetIsAutoAlertEnabled());
    EXPECT_DOUBLE_EQ(b.GetAutoAlertDelta(), OneSecond);
    EXPECT_DOUBLE_EQ(b.RecurrencePattern().GetHourlyDelta(), OneSecond);
    EXPECT_DOUBLE_EQ(b.RecurrencePattern().GetHourlyDeltaRandomTo(), OneSecond);
}

// XML cannot hold NUL: a note held one and lost everything after it. Only the NULs go; the
// binary form keeps them.
TEST_F(XmlRoundTrip, NulCharactersAreDroppedAndTheRestKept) {
    using namespace std::string_literals;
    TTockwellDB db;
    TTockwellItemPtr item = db.AddNew("cap\0tion"s, At(2024, 3, 16, 9));
    item->Notes = "first\0second\0\0third"s;
    TTockwellDB back;
    Load(back, xmlcheck::WriteXmlDataFile(db));
    ASSERT_EQ(back.Count(), 1);
    EXPECT_EQ(back.GetItem(0)->Caption, "caption");
    EXPECT_EQ(back.GetItem(0)->Notes, "firstsecondthird");

    TMemoryStream s;
    db.SaveToStream(s, "", 1);
    s.SetPosition(0);
    TTockwellDB binary;
    binary.LoadFromStream(s, "");
    ASSERT_EQ(binary.Count(), 1);
    EXPECT_EQ(binary.GetItem(0)->Notes, "first\0second\0\0third"s);
}

// The alert actions' texts go the same way: only their NULs are dropped.
TEST_F(XmlRoundTrip, NulCharactersInAlertActionTextsAreDroppedAndTheRestKept) {
    using namespace std::string_literals;
    TTockwellDB db;
    TReminderItem& r = db.AddNew("c", At(2024, 3, 16, 9))->GetReminder();
    r.Action<TAlertActSendEmail>().Enabled = r.Action<TAlertActRunApp>().Enabled =
        r.Action<TAlertActPlaySound>().Enabled = true;
    r.Action<TAlertActSendEmail>().Emails = "a@example.org;\0b@example.org\0"s;
    r.Action<TAlertActRunApp>().AppPath = "notify-send\0 \0\0done"s;
    r.Action<TAlertActPlaySound>().SetStoredAudioFile("/sounds/be\0ll.wav"s);
    TTockwellDB back;
    Load(back, xmlcheck::WriteXmlDataFile(db));
    ASSERT_EQ(back.Count(), 1);
    TReminderItem& b = back.GetItem(0)->GetReminder();
    EXPECT_EQ(b.Action<TAlertActSendEmail>().Emails, "a@example.org;b@example.org");
    EXPECT_EQ(b.Action<TAlertActRunApp>().AppPath, "notify-send done");
    EXPECT_EQ(b.Action<TAlertActPlaySound>().StoredAudioFile(), "/sounds/bell.wav");
}

// Control characters were written as "&#01;" and the like, which XML 1.0 forbids: other
// readers refused the whole file. They are dropped; tabs, line breaks, emoji and
// right-to-left text are kept, in texts and in attributes alike.
TEST_F(XmlRoundTrip, ControlCharactersAreDroppedAndOtherReadersAcceptTheFile) {
    const std::string emoji = "\xF0\x9F\x93\x85", hebrew = "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D";
    TTockwellDB db;
    TTockwellItemPtr item = db.AddNew("bell\x07 \x1B[1mbold\x01", At(2024, 3, 16, 9));
    item->Notes = "tab\there\nline\x0B two " + emoji + " " + hebrew + "\x1F\nend";
    TReminderItem& r = item->GetReminder();
    r.Action<TAlertActSendEmail>().Enabled = r.Action<TAlertActRunApp>().Enabled = true;
    r.Action<TAlertActSendEmail>().Emails = "a@example.org;\x0C " + hebrew + "@example.org";
    r.Action<TAlertActRunApp>().AppPath = "notify-send \x02\"" + emoji + "\tx\"";
    TempDir dir;
    const std::string file = dir.File("data.tock");
    SaveXMLDataFile(db, file);
    TCommandResult lint = RunCommand("xmllint --noout " + ShellQuote(file) + " 2>&1");
    EXPECT_EQ(lint.ExitCode, 0) << lint.Output;

    TTockwellDB back;
    LoadXMLDataFile(back, file);
    ASSERT_EQ(back.Count(), 1);
    EXPECT_EQ(back.GetItem(0)->Caption, "bell [1mbold");
    EXPECT_EQ(back.GetItem(0)->Notes, "tab\there\nline two " + emoji + " " + hebrew + "\nend");
    TReminderItem& b = back.GetItem(0)->GetReminder();
    EXPECT_EQ(b.Action<TAlertActSendEmail>().Emails, "a@example.org; " + hebrew + "@example.org");
    EXPECT_EQ(b.Action<TAlertActRunApp>().AppPath, "notify-send \"" + emoji + "\tx\"");
}

// A CR in any text was written as it stood and read back as LF: "\r\n" lost its CR, and a
// file read and written again differed from the first write.
TEST_F(XmlRoundTrip, CarriageReturnsInEveryTextReadBackAsWritten) {
    for (const std::string br : {"\r", "\r\n", "\n\r"}) {
        SCOPED_TRACE(::testing::PrintToString(br));
        TTockwellDB db;
        auto setTexts = [&](TReminderItem& r, const std::string& tag) {
            r.Action<TAlertActSendEmail>().Enabled = r.Action<TAlertActRunApp>().Enabled =
                r.Action<TAlertActPlaySound>().Enabled = true;
            r.Action<TAlertActSendEmail>().Emails = tag + "a@example.org;" + br + "b@example.org";
            r.Action<TAlertActRunApp>().AppPath = tag + "notify-send '" + br + "'" + br + "x";
            r.Action<TAlertActPlaySound>().SetStoredAudioFile(tag + "/sounds/a" + br + "b.wav");
        };
        setTexts(db.DefaultAlertSettings, "default ");
        TTockwellItemPtr item = db.AddNew(br + "caption" + br, At(2024, 3, 16, 9));
        item->Notes = br + "line one" + br + br + "line two" + br;
        setTexts(item->GetReminder(), "");
        db.AddNew(br, At(2024, 3, 17, 9))->Notes = br;

        const std::string written = xmlcheck::WriteXmlDataFile(db);
        TTockwellDB back;
        Load(back, written);
        ASSERT_EQ(back.Count(), 2);
        ExpectSameDatabase(db, back); // captions, notes and every action's text
        EXPECT_EQ(xmlcheck::WriteXmlDataFile(back), written);
    }
    // A file's own character references come through a read and two writes.
    EXPECT_EQ(xmlcheck::CheckXmlDataFileRoundTrip(
                  "<Tockwell-xml><Reminders><ReminderItem><Caption>a&#13;b</Caption>"
                  "<Notes>c&#13;&#10;d&#10;&#13;</Notes><Alerts ReminderDateTime=\"45371.5\">"
                  "<Alert AlertType=\"3\" AppPath=\"x&#13;y\"/></Alerts></ReminderItem>"
                  "</Reminders></Tockwell-xml>"),
              "");
}

#include <gtest/gtest.h>

#include "core/productinfo.h"
#include "core/reminderitem.h"
#include "core/tockwelldb.h"
#include "core/tockwellitem.h"
#include "fakealertwindows.h"
#include "sampledata.h"
#include "testutil.h"

namespace {

TTockwellItemPtr Due(TDateTime when) {
    auto item = std::make_shared<TTockwellItem>();
    item->Caption = "Dentist";
    item->GetReminder().SetReminderDateTime(true, when);
    return item;
}

// Every field away from its default, all seven actions enabled, and a recurrence pattern.
void Fill(TReminderItem& r) {
    r.SetReminderDateTime(true, At(2024, 5, 6, 7, 8));
    r.SetNextAlertDateTime(At(2024, 5, 6, 7, 23));
    r.SetSnoozed(true);
    r.SetAutoAlert(true, 15 * OneMinute);
    r.SetLimitAutoAlertCount(false);
    r.SetMaxAutoAlertCount(9);
    r.SetAutoAlertIndex(2);
    r.SetPlacedToReminderWnd(true);
    r.SetLatestAlertDateTime(At(2024, 5, 6, 7, 8));
    for (int kind = 0; kind < AlertKindCount; ++kind)
        r.GetAction(kind).Enabled = true;
    r.Action<TAlertActSendEmail>().Emails = "a@b.c; d@e.f";
    r.Action<TAlertActRunApp>().AppPath = "/usr/bin/xmessage \"Zeit für den Zahnarzt\"";
    r.Action<TAlertActPlaySound>().SetStoredAudioFile("/home/u/ding.wav");
    TRecurrencePattern& p = r.RecurrencePattern();
    p.Reset(At(2024, 5, 6));
    p.SetRecurrenceType(rtMonthNth);
    p.SetPatternStartDate(At(2024, 5, 6)); // the XML form keeps whole days
    p.SetPatternInstance(2);
    p.SetDayOfWeekMask(DayOfWeekBit(3));
    p.SetOccurrences(12);
}

std::vector<TAlertKind> Kinds(const std::vector<TQueuedAlertAction>& actions) {
    std::vector<TAlertKind> kinds;
    for (const auto& a : actions)
        kinds.push_back(a.Kind);
    return kinds;
}

} // namespace

TEST(ReminderItem, ActionsText) {
    TReminderItem r;
    EXPECT_EQ(r.GetReminderState(), rsInactive);
    EXPECT_EQ(r.GetActionsText(), "Reminders window");
    EXPECT_THROW(r.GetAction(7), Exception);
    EXPECT_THROW(r.GetAction(-1), Exception);

    r.GetAction(akActivateReminderWnd).Enabled = false;
    r.SetAutoAlert(true, OneHour);
    EXPECT_EQ(r.GetActionsText(), "; Repeat Alert actions");
    r.Action<TAlertActSendEmail>().Enabled = true;
    r.Action<TAlertActSendEmail>().Emails = "x@y";
    r.Action<TAlertActPlaySound>().Enabled = true;
    EXPECT_EQ(r.GetActionsText(), "Send e-mail to: x@y; Play sound; Repeat Alert actions");
}

TEST(ReminderItem, FiringPostsAllSevenActionsInOrder) {
    FakeAlertEnvironment env;
    const TDateTime due = At(2024, 1, 10, 9, 0);
    auto item = Due(due);
    TReminderItem& r = item->GetReminder();
    r.SetSnoozed(true);

    EXPECT_FALSE(r.CheckAlert(item, due - OneSecond));
    EXPECT_TRUE(env.Window->Posted.empty());
    EXPECT_TRUE(r.CheckAlert(item, due)); // due exactly now fires
    EXPECT_EQ(Kinds(env.Window->Posted),
              (std::vector<TAlertKind>{akActivateReminderWnd, akShowAlertWnd, akSendEmail, akRunApp,
                                       akShowModalDialog, akPlaySound, akAnimateInTray}));
    for (const auto& a : env.Window->Posted)
        EXPECT_EQ(a.Item, item);
    EXPECT_EQ(r.GetLatestAlertDateTime(), due);
    EXPECT_EQ(r.GetNextAlertDateTime(), 0);
    EXPECT_FALSE(r.GetSnoozed());
    EXPECT_EQ(r.GetReminderState(), rsActive); // waits for acknowledgement
    EXPECT_FALSE(r.CheckAlert(item, due + 1)); // no further alert

    // Inactive and dismissed reminders never fire.
    auto inactive = Due(due);
    inactive->GetReminder().SetReminderState(rsInactive);
    inactive->GetReminder().SetNextAlertDateTime(due);
    EXPECT_FALSE(inactive->GetReminder().CheckAlert(inactive, due + 1));
}

TEST(ReminderItem, RepetitionAndItsLimit) {
    FakeAlertEnvironment env;
    TDateTime now = At(2024, 1, 10, 9, 0);
    auto item = Due(now);
    TReminderItem& r = item->GetReminder();
    r.SetAutoAlert(true, 5 * OneMinute);

    int fired = 0;
    for (int pass = 0; pass < 20; ++pass, now += OneMinute)
        fired += r.CheckAlert(item, now) ? 1 : 0;
    EXPECT_EQ(fired, 3); // MaxAutoAlertCount 3, the first alert included
    EXPECT_EQ(r.GetNextAlertDateTime(), 0);
    EXPECT_EQ(r.GetAutoAlertIndex(), 3);

    // Without the limit it goes on every interval until dismissed.
    auto endless = Due(now);
    TReminderItem& e = endless->GetReminder();
    e.SetAutoAlert(true, 5 * OneMinute);
    e.SetLimitAutoAlertCount(false);
    fired = 0;
    for (int pass = 0; pass < 60; ++pass, now += OneMinute)
        fired += e.CheckAlert(endless, now) ? 1 : 0;
    EXPECT_EQ(fired, 12);
    EXPECT_NE(e.GetNextAlertDateTime(), 0);
    e.Dismiss();
    EXPECT_EQ(e.GetNextAlertDateTime(), 0);
    EXPECT_FALSE(e.CheckAlert(endless, now + 1));
}

TEST(ReminderItem, RepetitionNeedsAPositiveInterval) {
    TReminderItem r;
    EXPECT_THROW(r.SetIsAutoAlertEnabled(true), Exception); // interval 0
    EXPECT_FALSE(r.GetIsAutoAlertEnabled());
    EXPECT_THROW(r.SetAutoAlert(true, -OneMinute), Exception);
    r.SetAutoAlertDelta(-1); // harmless while repetition is off
    r.SetAutoAlert(true, OneMinute);
    EXPECT_THROW(r.SetAutoAlertDelta(0), Exception);
    EXPECT_EQ(r.GetAutoAlertDelta(), OneMinute);

    // A stored record with repetition and interval 0 loads without repetition, so it cannot
    // fire on every pass.
    TMemoryStream stream;
    r.SaveToStream(stream);
    std::string bytes = stream.AsString();
    const double zero = 0;
    bytes.replace(4 + 8 + 8 + 1 + 1, 8, reinterpret_cast<const char*>(&zero), 8);
    TMemoryStream patched(bytes);
    TReminderItem loaded;
    loaded.LoadFromStream(patched);
    EXPECT_FALSE(loaded.GetIsAutoAlertEnabled());

    TXMLDocument doc;
    IXMLNode node = doc.CreateRoot("Alerts");
    node.SetAttribute("IsAutoAlertEnabled", "-1");
    node.SetAttribute("AutoAlertDelta", "-0.5");
    TReminderItem fromXml;
    fromXml.LoadFromXML(node);
    EXPECT_FALSE(fromXml.GetIsAutoAlertEnabled());

    // Also when reading stops at a bad value or a short stream after the flag.
    node.SetAttribute("AutoAlertDelta", "0.5x");
    TReminderItem stopped;
    EXPECT_THROW(stopped.LoadFromXML(node), EConvertError);
    EXPECT_FALSE(stopped.GetIsAutoAlertEnabled());
    TMemoryStream shortRecord(bytes.substr(0, 4 + 8 + 8 + 1 + 1 + 4));
    EXPECT_THROW(stopped.LoadFromStream(shortRecord), EReadError);
    EXPECT_FALSE(stopped.GetIsAutoAlertEnabled());
    node.SetAttribute("AutoAlertDelta", "-0.5");

    FakeAlertEnvironment env;
    auto item = Due(At(2024, 1, 1));
    item->GetReminder().LoadFromXML(node);
    EXPECT_TRUE(item->GetReminder().CheckAlert(item, At(2024, 1, 2)));
    EXPECT_FALSE(item->GetReminder().CheckAlert(item, At(2024, 1, 2)));
}

TEST(ReminderItem, DisabledWindowActionDismissesUnlessListed) {
    FakeAlertEnvironment env;
    int dismissed = 0;
    env.Window->OnReminderDismissed = [&](const IReminderAwareItemPtr&) { ++dismissed; };
    const TDateTime due = At(2024, 1, 10, 9, 0);

    auto quiet = Due(due);
    quiet->GetReminder().GetAction(akActivateReminderWnd).Enabled = false;
    EXPECT_TRUE(quiet->GetReminder().CheckAlert(quiet, due));
    EXPECT_EQ(quiet->GetReminder().GetReminderState(), rsDismissed);
    EXPECT_EQ(dismissed, 1);

    auto listed = Due(due);
    listed->GetReminder().GetAction(akActivateReminderWnd).Enabled = false;
    env.Window->AddOrUpdateReminder(listed, false, true);
    EXPECT_TRUE(listed->GetReminder().CheckAlert(listed, due));
    EXPECT_EQ(listed->GetReminder().GetReminderState(), rsActive);

    // With a repetition still to come it stays active.
    auto repeating = Due(due);
    repeating->GetReminder().GetAction(akActivateReminderWnd).Enabled = false;
    repeating->GetReminder().SetAutoAlert(true, OneMinute);
    EXPECT_TRUE(repeating->GetReminder().CheckAlert(repeating, due));
    EXPECT_EQ(repeating->GetReminder().GetReminderState(), rsActive);
    EXPECT_EQ(dismissed, 1);
}

TEST(ReminderItem, DismissAdvancesARecurringReminder) {
    FakeAlertEnvironment env;
    FixedClock clock(At(2024, 1, 10, 9, 5));
    const TDateTime due = At(2024, 1, 10, 9, 0);

    TReminderItem plain;
    plain.SetReminderDateTime(true, due);
    std::vector<int> changes;
    plain.OnStateChange = [&](TReminderItem&, uint8_t old) { changes.push_back(old); };
    plain.Dismiss();
    EXPECT_EQ(plain.GetReminderState(), rsDismissed);
    EXPECT_EQ(plain.GetNextAlertDateTime(), 0);
    EXPECT_EQ(changes, std::vector<int>{rsActive});

    TReminderItem daily;
    daily.SetReminderDateTime(true, due);
    TRecurrencePattern& p = daily.RecurrencePattern();
    p.Reset(due);
    p.SetRecurrenceType(rtDaily);
    p.SetPatternStartDate(DateOf(due));
    daily.SetAutoAlertIndex(2);
    changes.clear();
    daily.OnStateChange = [&](TReminderItem&, uint8_t old) { changes.push_back(old); };
    daily.Dismiss();
    EXPECT_EQ(daily.GetReminderState(), rsActive);
    EXPECT_TIME(daily.GetReminderDateTime(), At(2024, 1, 11, 9, 0));
    EXPECT_TIME(daily.GetNextAlertDateTime(), At(2024, 1, 11, 9, 0));
    EXPECT_EQ(daily.GetAutoAlertIndex(), 0);
    EXPECT_TRUE(changes.empty()); // active before and after

    // A pattern without a start date is not in use.
    TReminderItem unused;
    unused.SetReminderDateTime(true, due);
    unused.RecurrencePattern().SetRecurrenceType(rtDaily);
    unused.Dismiss();
    EXPECT_EQ(unused.GetReminderState(), rsDismissed);
}

// Setting a date that is already set changes nothing on an active reminder, but makes any
// other active again; new entries and XML reminders without a state start active by it.
TEST(ReminderItem, SettingTheSameDateAgainActivatesWhatIsNotActive) {
    FakeAlertEnvironment env;
    FixedClock clock(At(2024, 1, 10, 9, 0));
    const TDateTime due = At(2024, 1, 10, 12, 0);

    TReminderItem r;
    r.SetReminderDateTime(true, due);
    r.SetAutoAlertIndex(2);
    r.Snooze(OneHour);
    r.SetReminderDateTimeIfChanged(due); // active, same date: the snooze stays
    EXPECT_EQ(r.GetAutoAlertIndex(), 2);
    EXPECT_TIME(r.GetNextAlertDateTime(), At(2024, 1, 10, 10, 0));

    r.Dismiss();
    ASSERT_EQ(r.GetReminderState(), rsDismissed);
    r.SetReminderDateTimeIfChanged(due);
    EXPECT_EQ(r.GetReminderState(), rsActive);
    EXPECT_TIME(r.GetNextAlertDateTime(), due);
    EXPECT_EQ(r.GetAutoAlertIndex(), 0);

    r.SetAutoAlertIndex(1);
    r.SetReminderDateTimeIfChanged(due + 1); // active, another date
    EXPECT_EQ(r.GetAutoAlertIndex(), 0);
    EXPECT_TIME(r.GetNextAlertDateTime(), due + 1);

    EXPECT_EQ(TTockwellDB::NewItem("undated", 0)->GetReminder().GetReminderState(), rsActive);
    TTockwellDB db;
    TXMLDocument doc;
    doc.LoadFromText("<Tockwell-xml><Reminders><ReminderItem><Caption>x</Caption>"
                     "<Alerts ReminderDateTime=\"45301.5\"/></ReminderItem></Reminders>"
                     "</Tockwell-xml>");
    db.LoadFromXML(doc.DocumentElement());
    ASSERT_EQ(db.Count(), 1);
    EXPECT_EQ(db.GetItem(0)->GetReminder().GetReminderState(), rsActive);
}

TEST(ReminderItem, SnoozeAndTheAlertSound) {
    FakeAlertEnvironment env;
    FixedClock clock(At(2024, 1, 10, 9, 0));
    auto item = Due(At(2024, 1, 10, 8, 0));
    TReminderItem& r = item->GetReminder();
    ASSERT_TRUE(r.CheckAlert(item, Now()));

    r.Snooze(10 * OneMinute);
    EXPECT_TRUE(r.GetSnoozed());
    EXPECT_EQ(r.GetReminderState(), rsActive);
    EXPECT_TIME(r.GetNextAlertDateTime(), At(2024, 1, 10, 9, 10));
    EXPECT_TRUE(env.Window->Stopped.empty()); // no sound action enabled

    EXPECT_FALSE(r.CheckAlert(item, At(2024, 1, 10, 9, 9)));
    EXPECT_TRUE(r.CheckAlert(item, At(2024, 1, 10, 9, 10)));
    EXPECT_FALSE(r.GetSnoozed());

    // With the sound action enabled, snoozing and dismissing stop its file.
    TempDir dir;
    SetAlertProgramFolder(dir.Path().string());
    WriteFileBytes(dir.File("Tockwell.wav"), "RIFF");
    r.Action<TAlertActPlaySound>().Enabled = true;
    r.Snooze(OneMinute);
    r.Dismiss();
    EXPECT_EQ(env.Window->Stopped,
              (std::vector<std::string>{dir.File("Tockwell.wav"), dir.File("Tockwell.wav")}));
}

TEST(ReminderItem, AssignCopiesSettingsAndOptionallyState) {
    TReminderItem source;
    Fill(source);
    source.SetReminderState(rsActive);

    TReminderItem full;
    full.Assign(source, false);
    EXPECT_EQ(full.GetReminderDateTime(), source.GetReminderDateTime());
    EXPECT_EQ(full.GetAutoAlertIndex(), 2);
    EXPECT_EQ(full.GetReminderState(), rsActive);
    EXPECT_FALSE(full.GetPlacedToReminderWnd()); // never copied
    EXPECT_EQ(full.GetLatestAlertDateTime(), 0);
    EXPECT_TRUE(full.HasRecurrencePattern());
    EXPECT_EQ(full.Action<TAlertActRunApp>().AppPath, source.Action<TAlertActRunApp>().AppPath);
    EXPECT_TRUE(full.GetAction(akAnimateInTray).Enabled);

    TReminderItem kept;
    kept.SetReminderDateTime(true, 42);
    kept.Assign(source, true);
    EXPECT_EQ(kept.GetReminderDateTime(), 42);
    EXPECT_EQ(kept.GetAutoAlertIndex(), 0);
    EXPECT_TRUE(kept.GetIsAutoAlertEnabled());
    EXPECT_EQ(kept.GetMaxAutoAlertCount(), 9);

    TReminderItem noPattern;
    kept.Assign(noPattern, true);
    EXPECT_FALSE(kept.HasRecurrencePattern());
}

TEST(ReminderItem, StreamRecordRoundTrip) {
    TReminderItem r;
    Fill(r);
    TMemoryStream stream;
    r.SaveToStream(stream);
    EXPECT_EQ(stream.Size(), stream.Position());
    EXPECT_EQ(*reinterpret_cast<const int32_t*>(stream.Memory()), 2);

    stream.SetPosition(0);
    TReminderItem back;
    back.LoadFromStream(stream);
    EXPECT_EQ(stream.Position(), stream.Size());
    ExpectSameReminder(r, back);

    // Without a pattern, the flag byte is 0 and loading drops an existing pattern.
    TReminderItem plain;
    TMemoryStream plainStream;
    plain.SaveToStream(plainStream);
    plainStream.SetPosition(0);
    back.LoadFromStream(plainStream);
    EXPECT_FALSE(back.HasRecurrencePattern());

    // Every shorter prefix is a read error, never a crash.
    const std::string bytes = stream.AsString();
    for (size_t n = 0; n < bytes.size(); ++n) {
        TMemoryStream cut(bytes.substr(0, n));
        TReminderItem x;
        EXPECT_THROW(x.LoadFromStream(cut), Exception) << n;
    }
}

TEST(ReminderItem, StreamRecordVersions) {
    TReminderItem r;
    Fill(r);
    TMemoryStream stream;
    r.SaveToStream(stream);
    std::string bytes = stream.AsString();

    bytes[0] = 3;
    TMemoryStream newer(bytes);
    TReminderItem x;
    try {
        x.LoadFromStream(newer);
        FAIL() << "newer version accepted";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, NewerVersionMessage());
        EXPECT_NE(e.Message.find(TockwellWebAddress), std::string::npos);
    }
    EXPECT_EQ(x.GetReminderDateTime(), 0);

    // Version 1 ends after the actions.
    TMemoryStream actionsOnly;
    TReminderItem y;
    Fill(y);
    y.SaveToStream(actionsOnly);
    std::string v1 = actionsOnly.AsString();
    v1[0] = 1;
    TMemoryStream head;
    y.ClearRecurrencePattern();
    y.SetPlacedToReminderWnd(false);
    y.SaveToStream(head);
    v1.resize(head.Size() - 1 - 8 - 1); // without placed, latest and pattern flag
    TMemoryStream old(v1);
    TReminderItem z;
    z.LoadFromStream(old);
    EXPECT_EQ(old.Position(), old.Size());
    EXPECT_EQ(z.Action<TAlertActPlaySound>().StoredAudioFile(), "/home/u/ding.wav");
    EXPECT_FALSE(z.HasRecurrencePattern());
    EXPECT_FALSE(z.GetPlacedToReminderWnd());
}

TEST(ReminderItem, XmlRoundTrip) {
    TReminderItem r;
    Fill(r);
    TXMLDocument doc;
    IXMLNode node = doc.CreateRoot("Alerts");
    r.SaveToXML(node);
    EXPECT_EQ(node.Attribute("AutoAlertDelta"), "0.010416667");
    EXPECT_EQ(node.Attribute("IsAutoAlertEnabled"), "-1");
    EXPECT_EQ(node.Attribute("LimitAutoAlertCount"), "0");
    EXPECT_EQ(node.Attribute("PlacedToReminderWnd"), "-1");
    ASSERT_EQ(node.ChildCount(), 8); // seven "Alert" and "R"
    EXPECT_EQ(node.Child(7).NodeName(), "R");

    TXMLDocument reread;
    reread.LoadFromText(doc.SaveToText());
    TReminderItem back;
    back.LoadFromXML(reread.DocumentElement());
    ExpectSameReminder(r, back);

    // Defaults write no PlacedToReminderWnd and only the window action.
    TReminderItem plain;
    TXMLDocument doc2;
    IXMLNode n2 = doc2.CreateRoot("DefaultAlertSettings");
    plain.SaveToXML(n2);
    EXPECT_FALSE(n2.HasAttribute("PlacedToReminderWnd"));
    ASSERT_EQ(n2.ChildCount(), 1);
    EXPECT_EQ(n2.Child(0).Attribute("AlertType"), "0");
}

TEST(ReminderItem, XmlPartialElementsAndErrors) {
    TXMLDocument doc;
    doc.LoadFromText("<Alerts ReminderDateTime=' 45000,5 '>"
                     "<alert AlertType='3' AppPath='x'/><Other/><ALERT AlertType='6'/></Alerts>");
    TReminderItem r;
    r.SetMaxAutoAlertCount(7);
    r.LoadFromXML(doc.DocumentElement());
    EXPECT_EQ(r.GetReminderDateTime(), 45000.5);
    EXPECT_EQ(r.GetNextAlertDateTime(), 0);
    EXPECT_EQ(r.GetMaxAutoAlertCount(), 7);
    EXPECT_FALSE(r.GetAction(akActivateReminderWnd).Enabled);
    EXPECT_TRUE(r.GetAction(akRunApp).Enabled);
    EXPECT_TRUE(r.GetAction(akAnimateInTray).Enabled);
    EXPECT_FALSE(r.GetAction(akSendEmail).Enabled);

    TXMLDocument bad;
    bad.LoadFromText("<Alerts><Alert AlertType='9'/></Alerts>");
    EXPECT_THROW(r.LoadFromXML(bad.DocumentElement()), Exception);
    bad.LoadFromText("<Alerts><Alert AlertType='x'/></Alerts>");
    EXPECT_THROW(r.LoadFromXML(bad.DocumentElement()), EConvertError);
    bad.LoadFromText("<Alerts Snoozed='maybe'/>");
    EXPECT_THROW(r.LoadFromXML(bad.DocumentElement()), EConvertError);
    // A number that cannot be read is an error, not a silent 0 (which clears the alert).
    bad.LoadFromText("<Alerts NextAlertDateTime='45001.5a'/>");
    r.SetNextAlertDateTime(45001.5);
    EXPECT_THROW(r.LoadFromXML(bad.DocumentElement()), EConvertError);
    EXPECT_EQ(r.GetNextAlertDateTime(), 45001.5);
}

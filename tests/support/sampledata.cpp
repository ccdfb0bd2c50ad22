#include "sampledata.h"

#include <gtest/gtest.h>

#include "testutil.h"

void FillSampleDatabase(TTockwellDB& db) {
    db.SetHoliday(At(2024, 12, 25));
    db.SetHoliday(At(2025, 1, 1, 13)); // the time of day is dropped
    db.SetWorkday(At(2024, 12, 28));
    db.SetDateColor(255, At(2024, 3, 8));
    db.SetDateColor(static_cast<int32_t>(0xFF000008), At(2024, 5, 1)); // a system colour

    TReminderItem& defaults = db.DefaultAlertSettings;
    defaults.Action<TAlertActShowAlertWnd>().Enabled = true;
    defaults.Action<TAlertActPlaySound>().Enabled = true;
    defaults.Action<TAlertActPlaySound>().SetStoredAudioFile("chime.wav");
    defaults.SetAutoAlert(true, 5 * OneMinute);
    defaults.SetMaxAutoAlertCount(4);

    // Every action, with their texts; repetition without a limit.
    auto all = db.AddNew("Zahnarzt <10:00> & \"Ärger\"", At(2024, 3, 20, 10));
    all->Notes = "line 1\nline 2\tend";
    all->Created = At(2024, 1, 2, 3, 4, 5);
    all->Updated = At(2024, 2, 3, 4, 5, 6);
    TReminderItem& r = all->GetReminder();
    for (int kind = 0; kind < AlertKindCount; ++kind)
        r.GetAction(kind).Enabled = true;
    r.Action<TAlertActSendEmail>().Emails = "a@example.org; b@example.org";
    r.Action<TAlertActRunApp>().AppPath = "/usr/bin/xmessage \"hi\"";
    r.Action<TAlertActPlaySound>().SetStoredAudioFile("/home/u/ding.wav");
    r.SetAutoAlert(true, OneHour / 4);
    r.SetLimitAutoAlertCount(false);
    r.SetAutoAlertIndex(2);
    r.SetSnoozed(true);
    r.SetNextAlertDateTime(At(2024, 3, 20, 10, 45));

    // An hourly recurrence held to a place's hours, listed in the reminders window.
    auto hourly = db.AddNew("Water the plants", At(2024, 3, 16, 9));
    hourly->Created = hourly->Updated = At(2024, 3, 1, 8);
    TReminderItem& h = hourly->GetReminder();
    h.SetPlacedToReminderWnd(true);
    h.SetLatestAlertDateTime(At(2024, 3, 15, 9));
    TRecurrencePattern& p = h.RecurrencePattern();
    p.SetRecurrenceType(rtHourly);
    p.SetPatternStartDay(At(2024, 3, 1));
    p.SetHourlyDelta(2 * OneHour);
    p.SetHourlyDeltaRandomTo(3 * OneHour);
    p.SetOccurrences(40);
    p.SetGeneratedCount(7);
    TTaskPlaceOpenCloseSchedule& hours = p.GetSchedule();
    hours.SetAllClosed();
    for (int day = 1; day <= 5; ++day)
        hours.SetRange(day, true, 9 * OneHour, 17.5 * OneHour);
    hours.SetRange(6, true, 10 * OneHour, 12 * OneHour);

    // Monthly on the last Friday until an end date; dismissed; no notes.
    auto monthly = db.AddNew("Pay rent", At(2024, 3, 29, 8));
    monthly->Created = monthly->Updated = At(2024, 2, 1);
    TRecurrencePattern& m = monthly->GetReminder().RecurrencePattern();
    m.SetRecurrenceType(rtMonthNth);
    m.SetDayOfWeekMask(DayOfWeekBit(6));
    m.SetPatternInstance(5);
    m.SetInterval(2);
    m.SetPatternStartDay(At(2024, 1, 1));
    m.SetPatternEndDate(At(2025, 6, 30));
    m.SetUseCompletionDate(true);
    monthly->GetReminder().SetNextAlertDateTime(0);

    // An entry whose reminder is at its defaults.
    auto plain = db.AddNew("", 0);
    plain->Created = plain->Updated = At(2024, 3, 15, 12);

    db.DBSettings.HotKeyActive = false;
    db.DBSettings.AppHotKey = 112;
    db.DBSettings.AppHotKeyShifts = 3;
    db.DBSettings.ShowNextAlertInCaption = false;
    db.DBSettings.BlinkAlertInCaption = false;
    db.DBSettings.CloseAfterCreateNewReminder = false;
    db.DBSettings.RunMinimized = true;
}

void ExpectSamePattern(TRecurrencePattern& a, TRecurrencePattern& b) {
    EXPECT_EQ(a.GetRecurrenceType(), b.GetRecurrenceType());
    EXPECT_EQ(a.GetDayOfMonth(), b.GetDayOfMonth());
    EXPECT_EQ(a.GetMonthOfYear(), b.GetMonthOfYear());
    EXPECT_EQ(a.GetPatternInstance(), b.GetPatternInstance());
    EXPECT_EQ(a.GetInterval(), b.GetInterval());
    EXPECT_EQ(a.GetDayOfWeekMask(), b.GetDayOfWeekMask());
    EXPECT_EQ(a.GetOccurrences(), b.GetOccurrences());
    EXPECT_EQ(a.GetPatternEndDate(), b.GetPatternEndDate());
    EXPECT_EQ(a.GetPatternStartDay(), b.GetPatternStartDay());
    EXPECT_EQ(a.GetUseCompletionDate(), b.GetUseCompletionDate());
    EXPECT_EQ(a.GetGeneratedCount(), b.GetGeneratedCount());
    EXPECT_NEAR(a.GetHourlyDelta(), b.GetHourlyDelta(), 1e-9);
    EXPECT_NEAR(a.GetHourlyDeltaRandomTo(), b.GetHourlyDeltaRandomTo(), 1e-9);
    ASSERT_EQ(a.HasSchedule(), b.HasSchedule());
    if (a.HasSchedule()) {
        EXPECT_TRUE(a.GetSchedule() == b.GetSchedule());
    }
}

void ExpectSameReminder(TReminderItem& a, TReminderItem& b) {
    EXPECT_NEAR(a.GetReminderDateTime(), b.GetReminderDateTime(), 1e-9);
    EXPECT_NEAR(a.GetNextAlertDateTime(), b.GetNextAlertDateTime(), 1e-9);
    EXPECT_EQ(a.GetSnoozed(), b.GetSnoozed());
    EXPECT_EQ(a.GetIsAutoAlertEnabled(), b.GetIsAutoAlertEnabled());
    EXPECT_NEAR(a.GetAutoAlertDelta(), b.GetAutoAlertDelta(), 1e-9);
    EXPECT_EQ(a.GetLimitAutoAlertCount(), b.GetLimitAutoAlertCount());
    EXPECT_EQ(a.GetMaxAutoAlertCount(), b.GetMaxAutoAlertCount());
    EXPECT_EQ(a.GetAutoAlertIndex(), b.GetAutoAlertIndex());
    EXPECT_EQ(a.GetReminderState(), b.GetReminderState());
    EXPECT_EQ(a.GetPlacedToReminderWnd(), b.GetPlacedToReminderWnd());
    EXPECT_NEAR(a.GetLatestAlertDateTime(), b.GetLatestAlertDateTime(), 1e-9);
    for (int kind = 0; kind < AlertKindCount; ++kind)
        EXPECT_EQ(a.GetAction(kind).Enabled, b.GetAction(kind).Enabled) << "kind " << kind;
    EXPECT_EQ(a.Action<TAlertActSendEmail>().Emails, b.Action<TAlertActSendEmail>().Emails);
    EXPECT_EQ(a.Action<TAlertActRunApp>().AppPath, b.Action<TAlertActRunApp>().AppPath);
    EXPECT_EQ(a.Action<TAlertActPlaySound>().StoredAudioFile(),
              b.Action<TAlertActPlaySound>().StoredAudioFile());
    ASSERT_EQ(a.HasRecurrencePattern(), b.HasRecurrencePattern());
    if (a.HasRecurrencePattern())
        ExpectSamePattern(a.RecurrencePattern(), b.RecurrencePattern());
}

void ExpectSameDatabase(TTockwellDB& a, TTockwellDB& b) {
    EXPECT_EQ(std::vector<int32_t>(a.Holidays.begin(), a.Holidays.end()),
              std::vector<int32_t>(b.Holidays.begin(), b.Holidays.end()));
    EXPECT_EQ(std::vector<int32_t>(a.Workdays.begin(), a.Workdays.end()),
              std::vector<int32_t>(b.Workdays.begin(), b.Workdays.end()));
    ASSERT_EQ(a.CustomColors.Count(), b.CustomColors.Count());
    for (int i = 0; i < a.CustomColors.Count(); ++i) {
        EXPECT_EQ(a.CustomColors.Items(i).Date, b.CustomColors.Items(i).Date);
        EXPECT_EQ(a.CustomColors.Items(i).Color, b.CustomColors.Items(i).Color);
    }
    ExpectSameReminder(a.DefaultAlertSettings, b.DefaultAlertSettings);
    ASSERT_EQ(a.Count(), b.Count());
    for (int i = 0; i < a.Count(); ++i) {
        SCOPED_TRACE("entry " + std::to_string(i));
        const TTockwellItemPtr& x = a.GetItem(i);
        const TTockwellItemPtr& y = b.GetItem(i);
        EXPECT_EQ(x->Caption, y->Caption);
        EXPECT_EQ(x->Notes, y->Notes);
        EXPECT_EQ(x->Created, y->Created);
        EXPECT_EQ(x->Updated, y->Updated);
        ExpectSameReminder(x->GetReminder(), y->GetReminder());
    }
}

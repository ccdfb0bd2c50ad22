#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTimeEdit>
#include <gtest/gtest.h>

#include "app/frmopenclosedhours.h"
#include "app/frmrecurpattern.h"
#include "dialogtestutil.h"
#include "fakemessageboxes.h"
#include "platform/datetimeformat.h"
#include "platform/gui/qtdatetime.h"
#include "sampledata.h"
#include "testutil.h"

namespace {

// Wednesday 13 March 2024, 09:30.
const TDateTime Due = At(2024, 3, 13, 9, 30);

struct Dialog {
    FixedClock clock{At(2024, 3, 10, 8, 0)};
    FakeMessageBoxesGuard boxes;
    TfrmTaskRecurPattern d;
    explicit Dialog(const TRecurrencePattern& p, TDateTime due = Due) {
        d.Prepare(p, due);
        d.show();
        d.activateWindow();
    }
    // OK; true when the dialog closed with OK.
    bool Ok() {
        d.setResult(0);
        d.btnOKClick();
        return d.result() == QDialog::Accepted;
    }
    std::string LastError() { return boxes->Errors.empty() ? std::string() : boxes->Errors.back(); }
};

TRecurrencePattern& Pattern(TRecurrencePattern& p, TRecurrenceType type, TDateTime start = Due) {
    p.Reset(start);
    p.SetRecurrenceType(type);
    p.SetPatternStartDate(start);
    return p;
}

} // namespace

TEST(RecurrenceDialog, WeekdayListsAndMasks) {
    EXPECT_EQ(WeekdayListMask(0), 254);
    EXPECT_EQ(WeekdayListMask(1), 124);
    EXPECT_EQ(WeekdayListMask(2), 130);
    EXPECT_EQ(WeekdayListMask(3), DayOfWeekBit(1));
    EXPECT_EQ(WeekdayListMask(9), DayOfWeekBit(7));
    EXPECT_EQ(WeekdayListIndex(254), 0);
    EXPECT_EQ(WeekdayListIndex(124), 1);
    EXPECT_EQ(WeekdayListIndex(130), 2);
    EXPECT_EQ(WeekdayListIndex(DayOfWeekBit(4)), 6);
    EXPECT_EQ(WeekdayListIndex(DayOfWeekBit(3) | DayOfWeekBit(6)), 5); // its lowest day

    TfrmTaskRecurPattern d;
    EXPECT_EQ(d.windowTitle(), "Reminder Recurrence");
    EXPECT_EQ(d.cbInstanceM->count(), 5);
    EXPECT_EQ(d.cbInstanceM->itemText(4), "last");
    EXPECT_EQ(d.cbWeekDaysMaskY->count(), 10);
    EXPECT_EQ(d.cbWeekDaysMaskY->itemText(2), "weekend day");
    EXPECT_EQ(d.cbMonthOfYear->count(), 12);
    EXPECT_EQ(d.cbHourly->currentText(), "1 hour");
    EXPECT_EQ(d.cbHourlyRand2->currentText(), "2 hours");
    EXPECT_TRUE(d.rbDaily->isChecked());
    EXPECT_TRUE(d.btnAdvancedOptions->isHidden());
}

TEST(RecurrenceDialog, NewPatternStartsWeeklyOnTheDueDay) {
    TRecurrencePattern empty;
    Dialog t(empty);
    EXPECT_TRUE(t.d.NewPattern());
    EXPECT_TRUE(t.d.rbWeekly->isChecked());
    EXPECT_EQ(t.d.nbPatternPages->currentWidget(), t.d.pgWeekly);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(t.d.cbWeekDays[i]->isChecked(), i == 3) << i; // Wednesday only
    EXPECT_EQ(t.d.edDayOfMonthM->text(), "13");
    EXPECT_EQ(t.d.cbMonthOfYeari->currentIndex(), 2);
    EXPECT_EQ(t.d.cbInstanceM->currentIndex(), 1);     // the second Wednesday
    EXPECT_EQ(t.d.cbWeekDaysMaskM->currentIndex(), 6); // "Wednesday"
    EXPECT_EQ(t.d.PickedDueDate(), Due);
    EXPECT_TRUE(t.Ok());
    EXPECT_EQ(t.d.Pattern().GetRecurrenceType(), rtWeekly);
    EXPECT_EQ(t.d.Pattern().GetDayOfWeekMask(), DayOfWeekBit(4));
    EXPECT_EQ(t.d.Pattern().GetPatternStartDate(), Due);
    EXPECT_TRUE(t.d.Pattern().IsEndless());

    // A reminder without date starts today, all day: the time picker is off.
    TRecurrencePattern none;
    Dialog today(none, 0);
    EXPECT_EQ(today.d.PickedDueDate(), At(2024, 3, 10));
    EXPECT_FALSE(today.d.dtDueTime->isEnabled());
}

TEST(RecurrenceDialog, DailyAndWorkdayPatternsRoundTrip) {
    TRecurrencePattern p;
    Pattern(p, rtDaily).SetInterval(2);
    p.SetOccurrences(5);
    {
        Dialog t(p);
        EXPECT_TRUE(t.d.rbDaily->isChecked());
        EXPECT_TRUE(t.d.rbEveryD->isChecked());
        EXPECT_EQ(t.d.edIntervalD->text(), "2");
        EXPECT_TRUE(t.d.rbEndAfter->isChecked());
        EXPECT_EQ(t.d.edStopOccurrences->text(), "5");
        // The fifth day, every other day from the 13th.
        EXPECT_EQ(FromQDate(t.d.dtpEndDate->date()), At(2024, 3, 21));
        t.d.edIntervalDc->setText("4"); // typing there chooses "regenerate"
        EXPECT_TRUE(t.d.rbRegenD->isChecked());
        ASSERT_TRUE(t.Ok()) << t.LastError();
        TRecurrencePattern& r = t.d.Pattern();
        EXPECT_EQ(r.GetRecurrenceType(), rtDaily);
        EXPECT_TRUE(r.GetUseCompletionDate());
        EXPECT_EQ(r.GetInterval(), 4);
        EXPECT_EQ(r.GetOccurrences(), 5);
        EXPECT_EQ(r.GetPatternStartDate(), Due);
    }

    // Monday to Friday every week shows as "every weekday" and is saved weekly again.
    TRecurrencePattern w;
    Pattern(w, rtWeekly).SetDayOfWeekMask(124);
    w.SetModeFlags(2);
    w.SetChoiceOption(2);
    Dialog t(w);
    EXPECT_TRUE(t.d.rbDaily->isChecked());
    EXPECT_TRUE(t.d.rbEveryWeekD->isChecked());
    ASSERT_TRUE(t.Ok()) << t.LastError();
    EXPECT_EQ(t.d.Pattern().GetRecurrenceType(), rtWeekly);
    EXPECT_EQ(t.d.Pattern().GetDayOfWeekMask(), 124);
    EXPECT_EQ(t.d.Pattern().GetInterval(), 1);
    // Stored options the dialog does not show are kept.
    EXPECT_EQ(t.d.Pattern().GetModeFlags(), 2);
    EXPECT_EQ(t.d.Pattern().GetChoiceOption(), 2);
}

TEST(RecurrenceDialog, DueDateOffThePatternIsAdjustedOnRequest) {
    TRecurrencePattern p;
    Pattern(p, rtWeekly).SetDayOfWeekMask(DayOfWeekBit(2)); // Mondays; due is a Wednesday
    Dialog t(p);
    EXPECT_TRUE(t.d.cbWeekDays[1]->isChecked());
    EXPECT_FALSE(t.d.cbWeekDays[3]->isChecked());

    t.boxes->Answers = {mrNo};
    EXPECT_FALSE(t.Ok());
    ASSERT_EQ(t.boxes->Boxes.size(), 1u);
    EXPECT_NE(t.boxes->Boxes[0].text.find("Click \"No\" to correct manually"), std::string::npos);
    // Each "\n\r" of the question is one line break.
    EXPECT_EQ(t.boxes->Boxes[0].text,
              "The specified Due Date for the next occurrence of this task does not match the "
              "recurrence pattern you have specified.\n\nAdjust Due Date automatically according "
              "to the pattern?\n\nClick \"Yes\" to adjust automatically\nClick \"No\" to "
              "correct manually");
    EXPECT_EQ(t.d.PickedDueDate(), Due);

    t.boxes->Answers = {mrYes, mrOk};
    EXPECT_FALSE(t.Ok());
    EXPECT_EQ(t.boxes->Boxes.back().text,
              "Due Date has been adjusted. Please verify and accept changes.");
    EXPECT_EQ(t.d.PickedDueDate(), At(2024, 3, 18, 9, 30));
    ASSERT_TRUE(t.Ok());
    EXPECT_EQ(t.d.Pattern().GetPatternStartDate(), At(2024, 3, 18, 9, 30));
}

TEST(RecurrenceDialog, MonthlyYearlyAndHourlyRoundTrip) {
    {
        TRecurrencePattern p;
        Pattern(p, rtMonthNth).SetDayOfWeekMask(DayOfWeekBit(4)); // Wednesdays
        p.SetPatternInstance(2);
        p.SetInterval(3);
        Dialog t(p);
        EXPECT_TRUE(t.d.rbMonthly->isChecked());
        EXPECT_TRUE(t.d.rbTheM->isChecked());
        EXPECT_EQ(t.d.cbInstanceM->currentIndex(), 1);
        EXPECT_EQ(t.d.edIntervalMi->text(), "3");
        t.d.cbWeekDaysMaskM->setCurrentIndex(1); // weekday
        t.d.cbInstanceM->setCurrentIndex(4);     // last
        t.boxes->Answers = {mrYes, mrOk};        // the last weekday of March is the 29th
        EXPECT_FALSE(t.Ok());
        ASSERT_TRUE(t.Ok()) << t.LastError();
        TRecurrencePattern& r = t.d.Pattern();
        EXPECT_EQ(r.GetRecurrenceType(), rtMonthNth);
        EXPECT_EQ(r.GetDayOfWeekMask(), 124);
        EXPECT_EQ(r.GetPatternInstance(), 5);
        EXPECT_EQ(r.GetInterval(), 3);
        EXPECT_EQ(r.GetPatternStartDate(), At(2024, 3, 29, 9, 30));
    }
    {
        TRecurrencePattern p;
        Pattern(p, rtYearly).SetDayOfMonth(13);
        p.SetMonthOfYear(3);
        Dialog t(p);
        EXPECT_TRUE(t.d.rbYearly->isChecked());
        EXPECT_TRUE(t.d.rbEveryY->isChecked());
        EXPECT_EQ(t.d.edDayOfMonthY->text(), "13");
        t.d.rbTheY->click();
        t.d.cbInstanceY->setCurrentIndex(0);
        t.d.cbWeekDaysMaskY->setCurrentIndex(3); // Sunday
        t.d.cbMonthOfYeari->setCurrentIndex(4);  // May
        t.boxes->Answers = {mrYes, mrOk};
        EXPECT_FALSE(t.Ok());
        ASSERT_TRUE(t.Ok()) << t.LastError();
        TRecurrencePattern& r = t.d.Pattern();
        EXPECT_EQ(r.GetRecurrenceType(), rtYearNth);
        EXPECT_EQ(r.GetMonthOfYear(), 5);
        EXPECT_EQ(r.GetDayOfWeekMask(), DayOfWeekBit(1));
        EXPECT_EQ(r.GetPatternStartDate(), At(2024, 5, 5, 9, 30));
    }
    {
        TRecurrencePattern p;
        Pattern(p, rtHourly).SetHourlyDelta(30 * OneMinute);
        p.SetUseCompletionDate(true);
        p.GetSchedule().SetAllClosed();
        p.GetSchedule().SetCell(3, 40, true);
        Dialog t(p);
        EXPECT_TRUE(t.d.rbHourly->isChecked());
        EXPECT_TRUE(t.d.rgHourly->isChecked());
        EXPECT_EQ(t.d.cbHourly->currentText(), "30 min");
        EXPECT_TRUE(t.d.cbOpenCloseHours->isChecked());
        EXPECT_TRUE(t.d.Button1->isEnabled());
        EXPECT_FALSE(t.d.rbEndBy->isEnabled());
        EXPECT_TRUE(t.d.lbOpenCloseText->text().startsWith("Open hours:"));
        t.d.cbHourlyRand2->setEditText("3 hours");
        EXPECT_TRUE(t.d.rgHourlyRandom->isChecked());
        ASSERT_TRUE(t.Ok()) << t.LastError();
        TRecurrencePattern& r = t.d.Pattern();
        EXPECT_EQ(r.GetRecurrenceType(), rtHourly);
        EXPECT_NEAR(r.GetHourlyDelta(), 30 * OneMinute, 1e-9);
        EXPECT_NEAR(r.GetHourlyDeltaRandomTo(), 3 * OneHour, 1e-9);
        ASSERT_TRUE(r.HasSchedule());
        EXPECT_TRUE(r.GetSchedule().GetCell(3, 40));
        EXPECT_FALSE(r.GetSchedule().GetCell(3, 41));
    }
}

TEST(RecurrenceDialog, EndDateFollowsTheOccurrenceCount) {
    TRecurrencePattern p;
    Pattern(p, rtWeekly).SetDayOfWeekMask(DayOfWeekBit(4));
    p.SetOccurrences(10);
    Dialog t(p);
    // The tenth Wednesday from 13 March.
    EXPECT_EQ(FromQDate(t.d.dtpEndDate->date()), At(2024, 5, 15));
    t.d.edStopOccurrences->setText("3");
    EXPECT_EQ(FromQDate(t.d.dtpEndDate->date()), At(2024, 3, 27));
    EXPECT_TRUE(t.d.rbEndAfter->isChecked());
    // A huge count typed in passing is not stepped through; the end date stays.
    QElapsedTimer timer;
    timer.start();
    t.d.edStopOccurrences->setText("2000000000");
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_EQ(FromQDate(t.d.dtpEndDate->date()), At(2024, 3, 27));
    t.d.edStopOccurrences->setText("3");

    // Choosing "regenerate" while "End by" is checked falls back to no end.
    t.d.rbEndBy->setChecked(true);
    t.d.rbRegenW->click();
    EXPECT_TRUE(t.d.rbNoEndDate->isChecked());
    EXPECT_FALSE(t.d.rbEndBy->isEnabled());
    t.d.rbHourly->click();
    EXPECT_FALSE(t.d.dtpEndDate->isEnabled());
    t.d.rbWeekly->click();
    EXPECT_TRUE(t.d.rbEndBy->isEnabled() == !t.d.rbRegenW->isChecked());
}

TEST(RecurrenceDialog, InvalidInputKeepsTheDialogOpenAndFocusesTheField) {
    TRecurrencePattern p;
    Pattern(p, rtDaily);
    Dialog t(p);
    const std::string prefix = "The recurrence pattern is not valid: \"";

    t.d.edIntervalD->setText("x1");
    EXPECT_FALSE(t.Ok());
    EXPECT_EQ(t.LastError().rfind(prefix, 0), 0u) << t.LastError();
    EXPECT_NE(t.LastError().find("x1"), std::string::npos) << t.LastError();
    EXPECT_EQ(t.d.focusWidget(), t.d.edIntervalD);
    t.d.edIntervalD->setText("0");
    EXPECT_FALSE(t.Ok());
    EXPECT_EQ(t.LastError(), prefix + "Interval out of range\"");
    t.d.edIntervalD->setText("1");

    // A weekly pattern without a day.
    t.d.rbWeekly->click();
    for (QCheckBox* c : t.d.cbWeekDays)
        c->setChecked(false);
    EXPECT_FALSE(t.Ok());
    EXPECT_EQ(t.LastError(), prefix + "Choose at least one day of the week\"");
    EXPECT_EQ(t.d.focusWidget(), t.d.cbWeekDays[1]);
    t.d.cbWeekDays[3]->setChecked(true);

    t.d.rbMonthly->click();
    t.d.edDayOfMonthM->setText("32");
    EXPECT_FALSE(t.Ok());
    EXPECT_EQ(t.LastError(), prefix + "DayOfMonth out of range\"");
    EXPECT_EQ(t.d.focusWidget(), t.d.edDayOfMonthM);
    t.d.edDayOfMonthM->setText("13");

    // Ends that come before the first occurrence.
    t.d.rbEndBy->setChecked(true);
    t.d.dtpEndDate->setDate(ToQDate(At(2024, 3, 12)));
    EXPECT_FALSE(t.Ok());
    EXPECT_EQ(t.LastError(),
              prefix + "The end date lies before the due date of the next occurrence\"");
    EXPECT_EQ(t.d.focusWidget(), t.d.dtpEndDate);
    t.d.edDayOfMonthM->setText("20");
    t.d.dtpEndDate->setDate(ToQDate(At(2024, 3, 15)));
    EXPECT_FALSE(t.Ok());
    EXPECT_EQ(t.LastError(), prefix + "The pattern has no occurrence on or after the due date\"");
    EXPECT_EQ(t.d.focusWidget(), t.d.dtpEndDate);
    t.d.rbEndAfter->setChecked(true);
    t.d.edStopOccurrences->setText("0");
    EXPECT_FALSE(t.Ok());
    EXPECT_EQ(t.LastError(), prefix + "The number of occurrences must be at least 1\"");
    EXPECT_EQ(t.d.focusWidget(), t.d.edStopOccurrences);

    // An hourly pattern held to hours that are never open.
    t.d.rbHourly->click();
    t.d.cbOpenCloseHours->setChecked(true);
    t.d.Pattern().GetSchedule().SetAllClosed();
    t.d.rbNoEndDate->setChecked(true);
    EXPECT_FALSE(t.Ok());
    EXPECT_NE(t.LastError().find("never open"), std::string::npos);
    EXPECT_EQ(t.d.focusWidget(), t.d.Button1);
    EXPECT_EQ(t.boxes->Errors.size(), 8u);
    EXPECT_TRUE(t.boxes->Boxes.empty());
}

TEST(RecurrenceDialog, ShowHandsBackOnOkOnlyAndRemovesOnRequest) {
    FixedClock clock(At(2024, 3, 10, 8, 0));
    FakeMessageBoxesGuard boxes;
    TRecurrencePattern p, before;
    Pattern(p, rtDaily).SetInterval(2);
    before.Assign(p);

    OnModal<TfrmTaskRecurPattern>([](TfrmTaskRecurPattern& d) {
        d.edIntervalD->setText("5");
        d.btnCancel->click();
    });
    EXPECT_FALSE(ShowRecurrenceDialog(p, Due));
    ExpectSamePattern(p, before);

    OnModal<TfrmTaskRecurPattern>([](TfrmTaskRecurPattern& d) {
        d.edIntervalD->setText("5");
        d.btnOK->click();
    });
    EXPECT_TRUE(ShowRecurrenceDialog(p, Due + 1));
    EXPECT_EQ(p.GetInterval(), 5);
    EXPECT_EQ(p.GetPatternStartDate(), Due + 1);

    // Hours edited in the hours dialog go into the pattern.
    OnModal<TfrmTaskRecurPattern>([](TfrmTaskRecurPattern& d) {
        d.rbHourly->click();
        d.cbOpenCloseHours->setChecked(true);
        OnModal<TfrmOpenClosedHrs>([](TfrmOpenClosedHrs& h) {
            h.btnInverse->click();
            h.Schedule().SetCell(2, 0, true);
            h.btnOK->click();
        });
        d.Button1->click();
        EXPECT_EQ(d.lbOpenCloseText->text().left(11), "Open hours:");
        d.btnOK->click();
    });
    EXPECT_TRUE(ShowRecurrenceDialog(p, Due));
    ASSERT_TRUE(p.HasSchedule());
    EXPECT_EQ(p.GetRecurrenceType(), rtHourly);
    EXPECT_TRUE(p.GetSchedule().GetCell(2, 0));
    EXPECT_FALSE(p.GetSchedule().GetCell(2, 1));

    // Holding to the hours without editing them keeps the choice (always open so far).
    TRecurrencePattern fresh;
    Pattern(fresh, rtDaily);
    OnModal<TfrmTaskRecurPattern>([](TfrmTaskRecurPattern& d) {
        d.rbHourly->click();
        d.cbOpenCloseHours->setChecked(true);
        d.btnOK->click();
    });
    EXPECT_TRUE(ShowRecurrenceDialog(fresh, Due));
    ASSERT_TRUE(fresh.HasSchedule());
    EXPECT_TRUE(fresh.GetSchedule().GetCell(4, 50));

    boxes->Answers = {mrYes};
    OnModal<TfrmTaskRecurPattern>([](TfrmTaskRecurPattern& d) { d.btnRemoveRecurrence->click(); });
    EXPECT_TRUE(ShowRecurrenceDialog(p, Due));
    EXPECT_TRUE(p.IsStartDateEmpty());
    EXPECT_EQ(boxes->Boxes.back().text, "Remove recurrence?");
}

TEST(RecurrenceDialog, AnIntervalBeyondTheCalendarIsRefused) {
    TRecurrencePattern p;
    Pattern(p, rtDaily);
    Dialog t(p);
    t.d.edIntervalD->setText("99999999");
    EXPECT_FALSE(t.Ok());
    EXPECT_NE(t.LastError().find("would not recur before the end of the calendar"),
              std::string::npos)
        << t.LastError();
    EXPECT_EQ(t.d.focusWidget(), t.d.edIntervalD);
    // Weekly, from a due day that is not one of the pattern's days.
    t.d.rbWeekly->click();
    for (QCheckBox* c : t.d.cbWeekDays)
        c->setChecked(false);
    t.d.cbWeekDays[1]->setChecked(true); // Monday; the due day is a Wednesday
    t.d.edIntervalW->setText("99999999");
    EXPECT_FALSE(t.Ok());
    EXPECT_EQ(t.d.focusWidget(), t.d.edIntervalW);
    EXPECT_EQ(t.boxes->Errors.size(), 2u);
    // From the due day itself, 400,000 weeks on still lies within the calendar.
    t.d.cbWeekDays[1]->setChecked(false);
    t.d.cbWeekDays[3]->setChecked(true);
    t.d.edIntervalW->setText("400000");
    EXPECT_TRUE(t.Ok()) << t.LastError();
    EXPECT_EQ(t.d.Pattern().GetInterval(), 400000);
}

TEST(RecurrenceDialog, DateAndTimeShowTheProgramsShortFormats) {
    const TFormatSettings saved = LocaleSettings();
    TFormatSettings german = saved;
    german.ShortDateFormat = "dd/mm/yyyy";
    german.DateSeparator = ".";
    german.ShortTimeFormat = "hh:nn";
    german.TimeAMString = german.TimePMString = "";
    TFormatSettings us = saved;
    us.ShortDateFormat = "M/d/yyyy";
    us.DateSeparator = "/";
    us.ShortTimeFormat = "h:mm AMPM";
    us.TimeAMString = "AM";
    us.TimePMString = "PM";
    const TDateTime due = At(2026, 12, 18, 15, 0);
    for (const TFormatSettings& fs : {german, us}) {
        SetLocaleSettings(fs);
        TRecurrencePattern p;
        Pattern(p, rtDaily, due);
        Dialog t(p, due);
        EXPECT_EQ(t.d.dtDueDate->text().toStdString(), FormatDateTime("ddddd", due));
        EXPECT_EQ(t.d.dtDueTime->text().toStdString(), FormatDateTime("t", due));
        EXPECT_EQ(t.d.dtpEndDate->displayFormat(), t.d.dtDueDate->displayFormat());
    }
    SetLocaleSettings(saved);
    EXPECT_EQ(QtDateTimeFormat("dd/mm/yy 'at' hh:nn:ss", german),
              "dd'.'MM'.'yyyy' at 'HH':'mm':'ss");
}

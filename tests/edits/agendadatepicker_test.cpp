// The date picker: date part rules, the keys, the pop-up and picking a day.
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

#include "controls/edits/agendadatepicker.h"
#include "edittestutil.h"
#include "platform/datetimeformat.h"
#include "testutil.h"

TEST(DatePickerRules, CaretPart) {
    EXPECT_EQ(DatePartIndexAt("12/25/2026", 0, "/"), 0);
    EXPECT_EQ(DatePartIndexAt("12/25/2026", 2, "/"), 0);
    EXPECT_EQ(DatePartIndexAt("12/25/2026", 3, "/"), 1);
    EXPECT_EQ(DatePartIndexAt("12/25/2026", 5, "/"), 1);
    EXPECT_EQ(DatePartIndexAt("12/25/2026", 10, "/"), 2);
    EXPECT_EQ(DatePartIndexAt("2026-12-25", 7, "-"), 1);
    EXPECT_EQ(DatePartIndexAt("2026-12-25", 8, "-"), 2);
}

TEST(DatePickerRules, EmptyMaskUsesTheLocaleSeparator) {
    EXPECT_TRUE(IsEmptyDateText("", "/"));
    EXPECT_TRUE(IsEmptyDateText("  /  /  ", "/"));
    EXPECT_TRUE(IsEmptyDateText("  .  .  ", "."));
    EXPECT_FALSE(IsEmptyDateText("  /  /  ", "."));
    EXPECT_FALSE(IsEmptyDateText("1.", "."));
}

TEST(DatePickerRules, PopupPositionStaysInTheWorkArea) {
    QRect work(0, 0, 1000, 800);
    QSize popup(180, 180), picker(180, 21);
    EXPECT_EQ(DropDownPosition({100, 200}, popup, picker, work), QPoint(100, 200));
    // Near the bottom it opens above the edit.
    EXPECT_EQ(DropDownPosition({100, 700}, popup, picker, work), QPoint(100, 700 - 180 - 21 + 3));
    // Near the right edge the right edges line up.
    QSize narrow(120, 21);
    EXPECT_EQ(DropDownPosition({900, 200}, popup, narrow, work), QPoint(900 - 60, 200));
}

namespace {

struct PickerFixture : ::testing::Test {
    FixedClock clock{D(2026, 3, 15) + 0.5};
    Host host;
    TAgendaDatePicker* picker = new TAgendaDatePicker(&host);
    void SetUp() override {
        picker->move(20, 20);
        picker->show();
    }
    void Use(const TFormatSettings& fs, TDateTime d) {
        picker->SetDateFormat(fs);
        picker->SetDate(d);
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(picker, static_cast<Qt::Key>(key), mods);
    }
    // Steps the part at caret by one key and gives the new date as y-m-d.
    std::string Step(int caret, int key) {
        picker->setCursorPosition(caret);
        Key(key);
        EXPECT_EQ(picker->cursorPosition(), caret);
        return FormatDateTime("yyyy-mm-dd", picker->Date());
    }
};

} // namespace

TEST_F(PickerFixture, DateProperty) {
    picker->SetDateFormat(UsDates());
    EXPECT_EQ(picker->Date(), 0);
    EXPECT_EQ(picker->Text(), "");
    picker->SetDate(D(2026, 7, 4));
    EXPECT_EQ(picker->Text(), "7/4/2026");
    EXPECT_EQ(picker->Date(), D(2026, 7, 4));
    picker->SetDate(0);
    EXPECT_EQ(picker->Text(), "");
    EXPECT_EQ(picker->Date(), 0);
    EXPECT_EQ(picker->Version(), "1.6.0.0");
}

TEST_F(PickerFixture, CalendarStartsOnTheLocalesFirstWeekday) {
    const TFormatSettings saved = LocaleSettings();
    for (int first : {0, 6}) { // Monday, Sunday
        TFormatSettings fs = saved;
        fs.FirstDayOfWeek = first;
        SetLocaleSettings(fs);
        TAgendaDatePicker other(&host);
        EXPECT_EQ(other.Calendar().StartDay(), first + 1);
    }
    SetLocaleSettings(saved);
}

TEST_F(PickerFixture, UpAndDownStepThePartUnderTheCaretInEveryOrder) {
    picker->setFocus();
    Use(UsDates(), D(2026, 1, 31));               // 1/31/2026
    EXPECT_EQ(Step(0, Qt::Key_Up), "2026-02-28"); // month, day cut to the month
    Use(UsDates(), D(2026, 1, 31));
    EXPECT_EQ(Step(3, Qt::Key_Up), "2026-02-01"); // day
    Use(UsDates(), D(2026, 1, 31));
    EXPECT_EQ(Step(8, Qt::Key_Down), "2025-01-31"); // year

    Use(GermanDates(), D(2026, 1, 31));           // 31.01.2026
    EXPECT_EQ(Step(1, Qt::Key_Up), "2026-02-01"); // day
    Use(GermanDates(), D(2026, 1, 31));
    EXPECT_EQ(Step(4, Qt::Key_Up), "2026-02-28"); // month
    Use(GermanDates(), D(2026, 1, 31));
    EXPECT_EQ(Step(9, Qt::Key_Up), "2027-01-31"); // year

    Use(IsoDates(), D(2026, 1, 31)); // 2026-01-31
    EXPECT_EQ(picker->Text(), "2026-01-31");
    EXPECT_EQ(Step(2, Qt::Key_Up), "2027-01-31"); // year
    Use(IsoDates(), D(2026, 1, 31));
    EXPECT_EQ(Step(6, Qt::Key_Down), "2025-12-31"); // month
    Use(IsoDates(), D(2026, 1, 31));
    EXPECT_EQ(Step(9, Qt::Key_Up), "2026-02-01"); // day

    // The last day there is stays.
    Use(UsDates(), D(9999, 12, 31));
    EXPECT_EQ(Step(4, Qt::Key_Up), "9999-12-31");
}

TEST_F(PickerFixture, UpOnAnEmptyFieldStartsAtToday) {
    picker->SetDateFormat(UsDates());
    picker->setFocus();
    Key(Qt::Key_Up);
    EXPECT_EQ(picker->Date(), D(2026, 3, 15));
}

TEST_F(PickerFixture, TypingMovesTheCalendar) {
    Use(GermanDates(), D(2026, 1, 1));
    picker->setFocus();
    picker->selectAll();
    QTest::keyClicks(picker, "24.12.2026");
    EXPECT_EQ(picker->Date(), D(2026, 12, 24));
    EXPECT_EQ(picker->Calendar().DisplayDate(), D(2026, 12, 24));
    // A partial date leaves the calendar where it was.
    picker->setText("3.");
    EXPECT_EQ(picker->Date(), D(2026, 12, 24));
    // The empty mask in the locale's separator clears the date.
    picker->setText("  .  .  ");
    EXPECT_EQ(picker->Date(), 0);
}

TEST_F(PickerFixture, ButtonDropsDownWithTodayOrTheTextsDate) {
    picker->SetDateFormat(UsDates());
    int clicks = 0;
    picker->OnClickBtn = [&](QObject*) { ++clicks; };
    QTest::mouseClick(picker->ButtonPart()->Button(), Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    ASSERT_TRUE(picker->PopupShown());
    EXPECT_EQ(picker->Calendar().GetDate(), D(2026, 3, 15));
    picker->CloseUp();
    EXPECT_FALSE(picker->PopupShown());

    picker->SetDate(D(2025, 8, 9));
    picker->DropDown();
    EXPECT_EQ(picker->Calendar().DisplayDate(), D(2025, 8, 9));
    picker->CloseUp();

    // A text that is no date leaves no date; dropping down replaces it with today.
    picker->setText("soon");
    EXPECT_EQ(picker->Date(), 0);
    picker->DropDown();
    EXPECT_EQ(picker->Text(), "3/15/2026");
    picker->CloseUp();

    // Today outside the limits: the nearer bound.
    picker->SetDate(0);
    picker->Calendar().MinDate().SetDate(D(2026, 6, 1));
    picker->Calendar().MinDate().SetUse(true);
    picker->DropDown();
    EXPECT_EQ(picker->Calendar().GetDate(), D(2026, 6, 1));
    picker->CloseUp();
}

TEST_F(PickerFixture, F4OpensOnceAndCloses) {
    picker->SetDateFormat(UsDates());
    picker->setFocus();
    int clicks = 0;
    picker->OnClickBtn = [&](QObject*) { ++clicks; };
    Key(Qt::Key_F4);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(picker->PopupShown());
    picker->CloseUp();
    Key(Qt::Key_F4, Qt::AltModifier);
    Key(Qt::Key_F4, Qt::ControlModifier);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(picker->PopupShown());
    Key(Qt::Key_F4);
    ASSERT_TRUE(picker->PopupShown());
    // While shown, F4 (reaching the picker) closes it without another click event.
    QKeyEvent f4(QEvent::KeyPress, Qt::Key_F4, Qt::NoModifier);
    QApplication::sendEvent(picker, &f4);
    EXPECT_FALSE(picker->PopupShown());
    EXPECT_EQ(clicks, 2);
}

TEST_F(PickerFixture, PickingADayWritesItAndCloses) {
    picker->SetDateFormat(UsDates());
    picker->SetDate(D(2026, 3, 10));
    std::vector<TDateTime> picked;
    picker->OnDaySelect = [&](QObject*, TDateTime d) { picked.push_back(d); };
    picker->DropDown();
    ASSERT_TRUE(picker->PopupShown());
    TAgendaCalendar& cal = picker->Calendar();
    QRect cell = cal.DateRect(D(2026, 3, 20));
    ASSERT_FALSE(cell.isEmpty());
    QTest::mouseClick(&cal, Qt::LeftButton, Qt::NoModifier, cell.center());
    EXPECT_EQ(picker->Text(), "3/20/2026");
    EXPECT_EQ(picker->Date(), D(2026, 3, 20));
    EXPECT_FALSE(picker->PopupShown());
    ASSERT_EQ(picked.size(), 1u);
    EXPECT_EQ(picked[0], D(2026, 3, 20));

    // Enter in the calendar picks its current day; Esc only closes.
    picker->DropDown();
    QTest::keyClick(&cal, Qt::Key_Right);
    QTest::keyClick(&cal, Qt::Key_Return);
    EXPECT_EQ(picker->Date(), D(2026, 3, 21));
    EXPECT_FALSE(picker->PopupShown());
    picker->DropDown();
    QTest::keyClick(&cal, Qt::Key_Right);
    QTest::keyClick(&cal, Qt::Key_Escape);
    EXPECT_FALSE(picker->PopupShown());
    EXPECT_EQ(picker->Text(), "3/21/2026");
    EXPECT_EQ(picked.size(), 2u);
}

TEST_F(PickerFixture, ClosedWithoutAPickTheFieldStaysAsItWas) {
    picker->SetDateFormat(UsDates());
    picker->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return picker->hasFocus(); }));
    TAgendaCalendar& cal = picker->Calendar();
    // A host that writes today into an empty field when its button is clicked.
    picker->OnClickBtn = [&](QObject*) {
        if (picker->Date() == 0)
            picker->SetDate(D(2026, 3, 15));
    };
    // Opened by the button or F4, or by the host; closed by Esc, F4 or a click elsewhere.
    const std::function<void()> opens[] = {
        [&] { QTest::mouseClick(picker->ButtonPart()->Button(), Qt::LeftButton); },
        [&] { Key(Qt::Key_F4); }, [&] { picker->DropDown(); }};
    const std::function<void()> closes[] = {[&] { QTest::keyClick(&cal, Qt::Key_Escape); },
                                            [&] {
                                                QKeyEvent f4(QEvent::KeyPress, Qt::Key_F4,
                                                             Qt::NoModifier);
                                                QApplication::sendEvent(picker, &f4);
                                            },
                                            [&] { picker->Popup().close(); }};
    for (int way = 0; way < 3; ++way) {
        opens[way]();
        ASSERT_TRUE(picker->PopupShown()) << way;
        EXPECT_EQ(cal.GetDate(), D(2026, 3, 15)) << way; // the calendar shows today
        QTest::keyClick(&cal, Qt::Key_Right);
        closes[way]();
        EXPECT_FALSE(picker->PopupShown()) << way;
        EXPECT_EQ(picker->Text(), "") << way;
        EXPECT_EQ(picker->Date(), 0) << way;
        if (way < 2) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return picker->hasFocus(); })) << way;
        }
    }
    // A date stays, also after the calendar moved.
    picker->SetDate(D(2026, 3, 10));
    picker->DropDown();
    QTest::keyClick(&cal, Qt::Key_Right);
    QTest::keyClick(&cal, Qt::Key_Escape);
    EXPECT_EQ(picker->Text(), "3/10/2026");
    EXPECT_EQ(picker->Date(), D(2026, 3, 10));
}

TEST_F(PickerFixture, ExitOnABadTextKeepsTheText) {
    picker->SetDateFormat(UsDates());
    picker->SetDate(D(2026, 3, 10));
    auto* other = new TEnhEdit(&host);
    other->move(20, 100);
    other->show();
    int exits = 0;
    std::string seen;
    picker->OnExit = [&](QObject*) {
        ++exits;
        seen = picker->Text();
    };
    picker->setFocus();
    picker->selectAll();
    QTest::keyClicks(picker, "31/31/31x");
    other->setFocus();
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(seen, "31/31/31x");
    EXPECT_EQ(picker->Text(), "31/31/31x");
    EXPECT_EQ(picker->Date(), 0); // no date while the text is none
}

TEST_F(PickerFixture, StylesPickCalendarPresets) {
    picker->ApplyStyle(1);
    EXPECT_EQ(picker->Calendar().ColorPreset(), 4);
    picker->ApplyStyle(0x80 | 7);
    EXPECT_EQ(picker->Calendar().ColorPreset(), 8);
    picker->ApplyStyle(9);
    EXPECT_EQ(picker->Calendar().ColorPreset(), 8);
}

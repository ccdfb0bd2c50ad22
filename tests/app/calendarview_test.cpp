#include <QAction>
#include <QApplication>
#include <QFontInfo>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolTip>
#include <algorithm>
#include <gtest/gtest.h>

#include "app/calendarview.h"
#include "localesamples.h"
#include "mainwindowfixture.h"
#include "platform/datetimeformat.h"
#include "platform/gui/hintpause.h"
#include "platform/gui/textfit.h"

namespace {

TDateTime D(int day, int month = 3) {
    return EncodeDate(2024, month, day);
}

// Pixels of the day's cell in the rendered group that pass test (the first calendar unless a
// later one shows the day's month).
template <class Test>
int CountIn(const QImage& image, TAgendaCalendarGroup& group, TDateTime day, Test test) {
    TAgendaCalendar* cal = group.Calendar(0);
    for (int i = 1; i < group.CalendarCount(); ++i)
        if (group.Calendar(i)->Model().ShownMonth() == MonthOf(day) &&
            group.Calendar(i)->Model().ShownYear() == YearOf(day))
            cal = group.Calendar(i);
    QRect cell = cal->DateRect(day).translated(cal->pos()).intersected(image.rect());
    int n = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.left(); x <= cell.right(); ++x)
            n += test(QColor(image.pixel(x, y)));
    return n;
}

bool Red(const QColor& c) {
    return c.red() > 150 && c.green() < 90 && c.blue() < 90;
}
bool Green(const QColor& c) {
    return c.green() > 110 && c.red() < 90 && c.blue() < 90;
}
bool Dark(const QColor& c) {
    return c.red() < 70 && c.green() < 70 && c.blue() < 70;
}

QImage Render(TfrmMain& form) {
    return form.Calendar().grab().toImage().convertToFormat(QImage::Format_RGB32);
}

class CalendarViewTest : public MainWindowFixture {
protected:
    // Drags the mouse over the days from..to in the first calendar.
    void DragSelect(TfrmMain& form, TDateTime from, TDateTime to) {
        TAgendaCalendar* cal = form.Calendar().Calendar(0);
        QTest::mousePress(cal, Qt::LeftButton, {}, cal->DateRect(from).center());
        QTest::mouseMove(cal, cal->DateRect(to).center());
        QTest::mouseRelease(cal, Qt::LeftButton, {}, cal->DateRect(to).center());
    }
    std::string Hint(TfrmMain& form) { return form.StatusBar().toolTip().toStdString(); }
};

} // namespace

TEST(CalendarViewRules, ColoursStatusTextsAndDayOperations) {
    FixedClock clock(D(14) + 0.5);
    TTockwellDB db;
    db.SetHoliday(D(20));
    db.SetWorkday(D(16));
    db.SetDateColor(0x00A000, D(20));
    TColor color = clNone;
    EXPECT_TRUE(DayFontColor(db, D(20), color)); // the custom colour comes first
    EXPECT_EQ(color, 0x00A000);
    EXPECT_TRUE(DayFontColor(db, D(16), color));
    EXPECT_EQ(color, clWindowText);
    EXPECT_FALSE(DayFontColor(db, D(17), color));
    db.DBSettings.CustomColorsEnabled = false;
    EXPECT_FALSE(DayFontColor(db, D(20), color));

    EXPECT_EQ(SelectionStatusText({D(14)}, D(14)), FormatDateTime("ddddd ", D(14)));
    EXPECT_EQ(SelectionStatusText({D(24)}, D(14)),
              FormatDateTime("ddddd ", D(24)) + " (in 10 days)");
    EXPECT_EQ(SelectionStatusText({D(13)}, D(14)), FormatDateTime("ddddd ", D(13)) + " (- 1 day)");
    EXPECT_EQ(SelectionStatusText({}, D(14)), "Days selected: 0");
    // Fri 15 to Mon 18: the marked Saturday is a workday, Sunday a holiday by the weekend rule.
    const std::vector<TDateTime> days{D(15), D(16), D(17), D(18)};
    EXPECT_EQ(SelectionStatusText(days, D(14)), "Days selected: 4");
    EXPECT_EQ(SelectionStatusHint(db, days), "Workdays: 3\nHolidays: 1");
    EXPECT_EQ(SelectionStatusHint(db, {D(15)}), "");

    // Resetting everything and removing all colours act once, also without a selected day.
    ApplyDayOperation(db, doResetAll, {}, clNone);
    EXPECT_EQ(db.Holidays.Count() + db.Workdays.Count(), 0);
    ApplyDayOperation(db, doRemoveAllCustomColors, {}, clNone);
    EXPECT_EQ(db.CustomColors.Count(), 0);
    ApplyDayOperation(db, doSetCustomColor, days, 0x0000FF);
    EXPECT_EQ(db.CustomColors.Count(), 4);
    EXPECT_EQ(DayOperationQuestions(doMarkHoliday).first, "");
    EXPECT_EQ(DayOperationQuestions(doResetAll).second,
              "This will reset entire calendar to default holiday/workday state. Continue?");
}

TEST_F(CalendarViewTest, DaysTakeTheirColoursAndReminderDaysAreBold) {
    TTockwellDB db;
    db.SetHoliday(D(20));
    db.SetWorkday(D(16)); // a Saturday
    db.SetDateColor(0x00A000, D(22));
    db.AddNew("Dentist", D(19) + 10.0 / 24);
    db.AddNew("Second", D(19) + 11.0 / 24);
    auto form = Open(&db);
    TAgendaCalendarGroup& group = form->Calendar();
    EXPECT_EQ(group.size(), QSize(362, 182));
    EXPECT_EQ(group.ColCount(), 2);
    EXPECT_EQ(group.GetDate(), D(14)); // today, selected

    QImage image = Render(*form);
    EXPECT_GT(CountIn(image, group, D(20), Red), 5);
    EXPECT_GT(CountIn(image, group, D(22), Green), 5);
    // The marked Saturday is written in the workday colour, the next one in weekend grey.
    EXPECT_GT(CountIn(image, group, D(16), Dark), 5);
    EXPECT_EQ(CountIn(image, group, D(23), Dark), 0);
    const int boldInk = CountIn(image, group, D(19), Dark);

    // The day hint lists the day's reminders.
    bool isEvent = false;
    std::string hint;
    group.OnGetDateHintString(group.Calendar(0), D(19), isEvent, hint);
    EXPECT_TRUE(isEvent);
    EXPECT_EQ(hint, FormatDateTime("t", D(19) + 10.0 / 24) + " - Dentist\n\r" +
                        FormatDateTime("t", D(19) + 11.0 / 24) + " - Second");
    // Captions of many lines make a hint of no more lines than a hint shows.
    for (int i = 0; i < 3; ++i)
        form->DB().AddNew(std::string(15, '\n') + "x", D(21) + i / 24.0);
    form->DB().RebuildIndexes();
    group.OnGetDateHintString(group.Calendar(0), D(21), isEvent, hint);
    EXPECT_EQ(QString::fromStdString(HintLineBreaks(hint)).split('\n').size(), HintMaxLines + 1);

    // A selected holiday keeps the selection's fill, its number the holiday colour.
    form->GoToDate(false, D(20));
    image = Render(*form);
    TAgendaCalendar* cal = group.Calendar(0);
    QRect cell = cal->DateRect(D(20)).translated(cal->pos());
    EXPECT_EQ(QColor(image.pixel(cell.left() + 1, cell.top() + 1)), QColor(128, 128, 128));
    EXPECT_GT(CountIn(image, group, D(20), Red), 5);

    // Without the reminders the 19th is plain: less ink.
    form->DB().Clear();
    form->DB().RebuildIndexes();
    image = Render(*form);
    EXPECT_LT(CountIn(image, group, D(19), Dark), boldInk);
    // With custom colours off, the holiday is plain as well.
    form->SetCustomColorsEnabled(false);
    EXPECT_EQ(CountIn(Render(*form), group, D(20), Red), 0);
    EXPECT_FALSE(form->actEnableCustomColors->isChecked());
}

TEST_F(CalendarViewTest, StatusLineAndCommandsSaveAfterEach) {
    auto form = Open();
    EXPECT_EQ(form->StatusBar().text().toStdString(), FormatDateTime("ddddd ", D(14)));

    DragSelect(*form, D(15), D(18));
    EXPECT_EQ(form->StatusBar().text(), "Days selected: 4");
    EXPECT_EQ(Hint(*form), "Workdays: 2\nHolidays: 2");

    form->actMarkHoliday->trigger();
    EXPECT_EQ(Saved()->Holidays.Count(), 4);
    EXPECT_EQ(Hint(*form), "Workdays: 0\nHolidays: 4");
    EXPECT_TRUE(boxes->Boxes.empty());

    // Reset after a No keeps them; after a Yes the weekend counts as holidays again.
    boxes->Answers = {mrNo, mrYes};
    form->actResetSelection->trigger();
    EXPECT_EQ(Saved()->Holidays.Count(), 4);
    form->actResetSelection->trigger();
    EXPECT_EQ(Saved()->Holidays.Count(), 0);
    ASSERT_EQ(boxes->Boxes.size(), 2u);
    EXPECT_EQ(boxes->Boxes[1].text, "Reset selection to default holiday/workday state?");
    EXPECT_EQ(Hint(*form), "Workdays: 2\nHolidays: 2");

    form->actMarkWorkday->trigger();
    EXPECT_EQ(Saved()->Workdays.Count(), 4);

    // A colour for the selection; the cancelled dialog changes nothing.
    form->DialogColor = 0x123456;
    form->actSetCustomColor->trigger();
    EXPECT_EQ(Saved()->CustomColors.Count(), 4);
    form->DialogColor.reset();
    form->GoToDate(false, D(25));
    form->actSetCustomColor->trigger();
    EXPECT_EQ(Saved()->CustomColors.Count(), 4);
    EXPECT_EQ(form->DialogCount, 2);

    // Resetting all and removing all colours work without a selected day (two questions
    // for the reset).
    form->Calendar().SetDate(EncodeDate(2030, 1, 1));
    boxes->Boxes.clear();
    boxes->Answers = {mrYes, mrYes, mrYes};
    form->actResetAll->trigger();
    EXPECT_EQ(Saved()->Workdays.Count(), 0);
    EXPECT_EQ(form->StatusBar().text(), "Days selected: 0");
    form->actRemoveAllCustomColors->trigger();
    EXPECT_EQ(Saved()->CustomColors.Count(), 0);
    ASSERT_EQ(boxes->Boxes.size(), 3u);
    EXPECT_EQ(boxes->Boxes[0].text,
              "Are you sure you want to remove all custom Holidays and Workdays?");
    EXPECT_EQ(boxes->Boxes[2].text, "Remove all custom colors?");

    // Setting a colour while custom colours are off turns them on.
    form->actEnableCustomColors->trigger();
    EXPECT_FALSE(form->DB().DBSettings.CustomColorsEnabled);
    form->GoToDate(false, D(26));
    form->DialogColor = 0x00FF00;
    form->actSetCustomColor->trigger();
    EXPECT_TRUE(form->DB().DBSettings.CustomColorsEnabled);
    EXPECT_TRUE(form->actEnableCustomColors->isChecked());
    int32_t color = 0;
    EXPECT_TRUE(Saved()->GetDateColor(color, D(26)));
    EXPECT_EQ(color, 0x00FF00);
}

TEST_F(CalendarViewTest, SingleDayStatusAndNavigationKeys) {
    auto form = Open();
    TAgendaCalendarGroup& group = form->Calendar();
    TAgendaCalendar* cal = group.Calendar(0);

    form->GoToDate(false, D(17));
    EXPECT_EQ(form->StatusBar().text().toStdString(),
              FormatDateTime("ddddd ", D(17)) + " (in 3 days)");
    EXPECT_EQ(form->StatusBar().toolTip(), "");

    // Page keys: the same day a month later, in the second calendar and then further on.
    QTest::keyClick(cal, Qt::Key_PageDown);
    EXPECT_EQ(group.GetDate(), D(17, 4));
    EXPECT_EQ(group.StartMonth(), 3);
    QTest::keyClick(cal, Qt::Key_PageDown);
    EXPECT_EQ(group.GetDate(), D(17, 5));
    EXPECT_EQ(group.StartMonth(), 5);
    QTest::keyClick(cal, Qt::Key_PageUp);
    EXPECT_EQ(group.GetDate(), D(17, 4));
    // Alt+Up and Home go to today.
    QTest::keyClick(cal, Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(group.GetDate(), D(14));
    form->GoToDate(true, D(2, 2));
    EXPECT_EQ(group.StartMonth(), 2);
    EXPECT_EQ(form->StatusBar().text().toStdString(),
              FormatDateTime("ddddd ", D(2, 2)) + " (- 41 days)");
    QTest::keyClick(group.Calendar(0), Qt::Key_Home);
    EXPECT_EQ(group.GetDate(), D(14));

    // Under the mouse the navigation labels underline, the status line does not.
    QEvent enter(QEvent::Enter), leave(QEvent::Leave);
    QCoreApplication::sendEvent(&form->TodayLabel(), &enter);
    EXPECT_TRUE(form->TodayLabel().font().underline());
    QCoreApplication::sendEvent(&form->TodayLabel(), &leave);
    EXPECT_FALSE(form->TodayLabel().font().underline());
    QCoreApplication::sendEvent(&form->StatusBar(), &enter);
    EXPECT_FALSE(form->StatusBar().font().underline());

    // Escape collapses the window, and hides a collapsed one.
    QTest::keyClick(cal, Qt::Key_Escape);
    EXPECT_TRUE(form->Collapsed());
    EXPECT_TRUE(form->isVisible());
    QTest::keyClick(form.get(), Qt::Key_Escape);
    EXPECT_TRUE(form->HasTaskbarEntry()); // no tray offscreen: minimised instead
}

TEST_F(CalendarViewTest, StatusTextsFitTheStatusLineOfTheNarrowestWindow) {
    auto form = Open();
    EXPECT_EQ(QFontInfo(form->StatusBar().font()).family(), "Tahoma");
    EXPECT_EQ(form->StatusBar().font().pixelSize(), 11);
    while (form->Calendar().ColCount() > 1)
        form->ChangeMonthColumns(-1);
    const QFontMetrics metrics(form->StatusBar().font());
    const int width = form->StatusBar().contentsRect().width();
    std::vector<std::string> texts{"Days selected: 366"};
    for (double distance : {1.0, 45.0, 400.0, 1000.0, -45.0, -400.0, -1000.0, 3000.0})
        texts.push_back(SelectionStatusText({D(14) + distance}, D(14)));
    for (const std::string& text : texts)
        EXPECT_LE(metrics.horizontalAdvance(QString::fromStdString(text)), width) << text;
}

TEST_F(CalendarViewTest, DayNamesAreEnglishAndStandApart) {
    const TFormatSettings saved = LocaleSettings();
    SetLocaleSettings(GermanSettings());
    auto form = Open();
    SetLocaleSettings(saved);
    TAgendaCalendar* cal = form->Calendar().Calendar(0);
    EXPECT_EQ(cal->NameOfDays().Name(4), "Thu");
    EXPECT_EQ(cal->Model().CaptionText(), "Mär 2024"); // the months are the user's

    // Between the middles of two neighbouring names there is a blank of three pixel columns
    // at least (above the line under the names).
    const QImage image = cal->grab().toImage();
    const TCalendarLayout l = cal->Layout();
    const int lineY = l.CellHeight + QFontMetrics(cal->DayFont()).height() - 4;
    auto blank = [&](int x) {
        for (int y = l.CellHeight - 6; y < lineY; ++y)
            if (qGray(image.pixel(x, y)) < 224)
                return false;
        return true;
    };
    for (int c = 0; c < 6; ++c) {
        int run = 0, longest = 0;
        for (int x = l.WeekColWidth + c * l.CellWidth + l.CellWidth / 2;
             x < l.WeekColWidth + (c + 1) * l.CellWidth + l.CellWidth / 2; ++x)
            longest = std::max(longest, run = blank(x) ? run + 1 : 0);
        EXPECT_GE(longest, 3) << cal->NameOfDays().Name(cal->StartDay() + c);
    }
}

TEST_F(CalendarViewTest, HintsHideAfterTheApplicationsPause) {
    TTockwellDB db;
    db.AddNew("Dentist", D(19) + 10.0 / 24);
    auto form = Open(&db);
    EXPECT_EQ(HintHidePause(), 5000);
    // The same in less time (Qt's own pause is 10 seconds at least).
    SetHintHidePause(300);
    auto showsThenHides = [](QWidget* widget, QPoint at) {
        QHelpEvent help(QEvent::ToolTip, at, widget->mapToGlobal(at));
        QCoreApplication::sendEvent(widget, &help);
        return QToolTip::isVisible() &&
               QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 3000);
    };
    TAgendaCalendar* cal = form->Calendar().Calendar(0);
    const QPoint day = cal->DateRect(D(19)).center();
    QTest::mouseMove(cal, day);
    EXPECT_TRUE(showsThenHides(cal, day));
    DragSelect(*form, D(15), D(18));
    EXPECT_TRUE(showsThenHides(&form->StatusBar(), QPoint(2, 2)));
    SetHintHidePause(5000);
}

TEST_F(CalendarViewTest, ConsoleDatesInTheLastMonthsLeaveTheMonthsPainted) {
    auto form = Open();
    TAgendaCalendarGroup& group = form->Calendar();
    // Added at once (Ctrl+Enter), each on a day of the last two months there are.
    for (const auto& [text, day] : {std::pair("call mom 1 y dec 5 9999", EncodeDate(9999, 12, 5)),
                                    std::pair("call mom y nov 5 9999", EncodeDate(9999, 11, 5))}) {
        form->Console().setText(text);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::ControlModifier);
        QApplication::sendEvent(&form->Console(), &enter);
        EXPECT_EQ(boxes->Errors, std::vector<std::string>{}) << text;
        EXPECT_EQ(group.Calendar(0)->Model().ShownMonth(), 11) << text;
        EXPECT_EQ(group.Calendar(1)->Model().ShownYear(), 9999) << text;
        EXPECT_EQ(group.Calendar(1)->Model().ShownMonth(), 12) << text;
        EXPECT_EQ(group.GetDate(), day) << text;
        const QImage image = Render(*form);
        EXPECT_GT(CountIn(image, group, EncodeDate(9999, 11, 17), Dark), 5) << text;
        EXPECT_GT(CountIn(image, group, EncodeDate(9999, 12, 15), Dark), 5) << text;
    }
    EXPECT_EQ(Saved()->Count(), 2);

    // A week on from the last day there is, or back from the first, stays on it.
    auto click = [&](const QString& text) {
        for (QLabel* label : form->findChildren<QLabel*>())
            if (label->text() == text)
                QTest::mouseClick(label, Qt::LeftButton);
    };
    form->GoToDate(false, EncodeDate(9999, 12, 31));
    click("+w");
    EXPECT_EQ(group.GetDate(), EncodeDate(9999, 12, 31));
    form->GoToDate(false, EncodeDate(1, 1, 1));
    click("-w");
    EXPECT_EQ(group.GetDate(), EncodeDate(1, 1, 1));
}

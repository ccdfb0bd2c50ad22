#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include "app/mainlayout.h"
#include "core/productinfo.h"
#include "core/registrymanager.h"
#include "mainwindowfixture.h"
#include "platform/datetimeformat.h"
#include "platform/gui/formhelpers.h"

TEST(MainLayoutRules, MonthStepsAndTheWorkArea) {
    EXPECT_EQ(MonthStep(360, 180, 1), 180);
    EXPECT_EQ(MonthStep(360, 180, -1), -180);
    EXPECT_EQ(MonthStep(270, 180, -1), -180);
    EXPECT_EQ(MonthStep(269, 180, -1), 0); // less than one and a half months stay
    EXPECT_EQ(MonthStep(900, 180, 0), 0);
    EXPECT_EQ(ClampedToWorkArea(QSize(100000, 300), QSize(1024, 740)), QSize(1024, 300));
    EXPECT_EQ(ClampedToWorkArea(QSize(400, 300), QSize(100, 100)), QSize(150, 150));
}

class MainLayoutTest : public MainWindowFixture {};

TEST_F(MainLayoutTest, LayoutIsStoredAndComesBackCollapsed) {
    int expandedHeight = 0, consoleHeight = 0;
    QPoint position;
    {
        auto form = Open();
        // First start: console shown, in the bottom-right corner.
        EXPECT_TRUE(form->ConsoleShown());
        EXPECT_EQ(form->frameGeometry().bottomRight(), WorkAreaOf(form.get()).bottomRight());
        const int height = form->height();
        form->ShowConsole(false);
        consoleHeight = height - form->height();
        EXPECT_GT(consoleHeight, 10);
        form->ChangeMonthColumns(1);
        EXPECT_EQ(form->Calendar().ColCount(), 3);
        EXPECT_EQ(form->width(), 3 * 180 + 2 + 12);
        expandedHeight = form->height();
        form->move(40, 30);
        position = form->pos();
        form->SetCollapsed(true);
        EXPECT_LT(form->height(), 40);
    }
    EXPECT_TRUE(ReadRegistryBool(TockwellSettingsKey, "Collapsed", false));
    EXPECT_FALSE(ReadRegistryBool(TockwellSettingsKey, "ShowConsole", true));

    auto form = Open();
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->Collapsed());
    EXPECT_FALSE(form->ConsoleShown());
    EXPECT_EQ(form->pos(), position);
    EXPECT_EQ(form->Calendar().ColCount(), 3);
    // Today is selected on this start too, and stays so at the next refresh of the status.
    EXPECT_EQ(form->Calendar().GetDate(), Date());
    Tick(*form, 15);
    EXPECT_EQ(form->StatusBar().text().toStdString(), FormatDateTime("ddddd ", Date()));
    form->SetCollapsed(false);
    EXPECT_EQ(form->height(), expandedHeight);
    form->ShowConsole(true);
    EXPECT_EQ(form->height(), expandedHeight + consoleHeight);

    // Month columns and rows: down to one column, never less; only while active.
    form->ChangeMonthColumns(-1);
    form->ChangeMonthColumns(-1);
    EXPECT_EQ(form->Calendar().ColCount(), 1);
    form->ChangeMonthColumns(-1);
    EXPECT_EQ(form->Calendar().ColCount(), 1);
    form->ChangeMonthRows(1);
    EXPECT_EQ(form->Calendar().RowCount(), 2);
    form->Active = false;
    form->ChangeMonthRows(-1);
    EXPECT_EQ(form->Calendar().RowCount(), 2);
    form->Active = true;
    form->ChangeMonthRows(-1);
    EXPECT_EQ(form->Calendar().RowCount(), 1);
    // With the console shown the window is taller than one and a half months, the calendar
    // is not: the last row stays.
    ASSERT_GT(form->height(), 270);
    form->ChangeMonthRows(-1);
    EXPECT_EQ(form->Calendar().RowCount(), 1);
}

TEST_F(MainLayoutTest, TabWalksTheCalendarsAndTheConsoleInTurn) {
    auto form = Open();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    TAgendaCalendarGroup& group = form->Calendar();
    ASSERT_EQ(group.CalendarCount(), 2);
    QWidget* first = group.Calendar(0);
    QWidget* second = group.Calendar(1);
    QWidget* console = QApplication::focusWidget();
    ASSERT_TRUE(qobject_cast<QLineEdit*>(console)); // shown with the console focused

    auto press = [](int key, Qt::KeyboardModifiers shift = {}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), shift);
        return QApplication::focusWidget();
    };
    EXPECT_EQ(press(Qt::Key_Tab), first);
    EXPECT_EQ(press(Qt::Key_Tab), second);
    EXPECT_EQ(press(Qt::Key_Tab), console);
    EXPECT_EQ(press(Qt::Key_Tab), first);
    EXPECT_EQ(press(Qt::Key_Backtab, Qt::ShiftModifier), console);
    EXPECT_EQ(press(Qt::Key_Backtab, Qt::ShiftModifier), second);
    EXPECT_EQ(press(Qt::Key_Backtab, Qt::ShiftModifier), first);

    // Without the console the calendars take turns.
    form->ShowConsole(false);
    EXPECT_EQ(QApplication::focusWidget(), first);
    EXPECT_EQ(press(Qt::Key_Tab), second);
    EXPECT_EQ(press(Qt::Key_Tab), first);
}

TEST_F(MainLayoutTest, MonthColumnsAndRowsChangeWhileCollapsedToo) {
    auto form = Open();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    const QSize expanded = form->size();
    form->SetCollapsed(true);
    const int collapsedHeight = form->height();
    QTest::keyClick(form.get(), Qt::Key_Right, Qt::AltModifier);
    form->actAddRow->trigger();
    EXPECT_EQ(form->size(), QSize(expanded.width() + 180, collapsedHeight));
    form->SetCollapsed(false);
    EXPECT_EQ(form->size(), expanded + QSize(180, 180));
    EXPECT_EQ(form->Calendar().ColCount(), 3);
    EXPECT_EQ(form->Calendar().RowCount(), 2);

    form->SetCollapsed(true);
    QTest::keyClick(form.get(), Qt::Key_Left, Qt::AltModifier);
    form->acrRemoveRow->trigger();
    form->SetCollapsed(false);
    EXPECT_EQ(form->size(), expanded);
    EXPECT_EQ(form->Calendar().ColCount(), 2);
    EXPECT_EQ(form->Calendar().RowCount(), 1);
}

// The reminders list window's date pickers: typed text, days picked in the calendar and the
// empty pickers' cue text.
// Apart from the tree's tests: the edit and tree headers do not mix.
#include <QComboBox>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "app/frmdatabaselist.h"
#include "controls/calendar/agendacalendar.h"
#include "controls/edits/agendadatepicker.h"
#include "core/tockwelldb.h"
#include "gui/guitestutil.h"
#include "testutil.h"

TEST(DatabaseListPickers, TypedTextAndPickedDaysSetTheRange) {
    FixedClock clock(At(2024, 12, 27, 15));
    TTockwellDB db;
    TfrmTockwellDatabaseList window;
    window.SetDatabase(&db);

    // Leaving a picker: its text becomes the formatted day; no day empties it.
    window.dtpFrom->setText("1/5/2025");
    window.PickerExit(window.dtpFrom);
    EXPECT_EQ(window.FromDate(), At(2025, 1, 5));
    EXPECT_EQ(window.dtpFrom->text().toStdString(), "1/5/2025");
    window.dtpTo->setText("12/30/2024");
    window.PickerExit(window.dtpTo); // To before From moves From
    EXPECT_EQ(window.FromDate(), At(2024, 12, 30));
    window.dtpFrom->setText("no date here");
    window.PickerExit(window.dtpFrom);
    EXPECT_EQ(window.FromDate(), 0);
    EXPECT_EQ(window.ToDate(), At(2024, 12, 30));

    // Several days picked in a calendar: From the earliest, To the latest.
    TSelDateItems& days = window.dtpFrom->Calendar().Dates(); // From is empty
    days.Clear();
    days.AddDate(At(2025, 1, 9));
    days.AddDate(At(2025, 1, 3));
    days.AddDate(At(2025, 1, 6));
    window.dtpFrom->OnDaySelect(window.dtpFrom, At(2025, 1, 6));
    EXPECT_EQ(window.FromDate(), At(2025, 1, 3));
    EXPECT_EQ(window.ToDate(), At(2025, 1, 9));
}

TEST(DatabaseListPickers, AWindowFreedWhileAPickerHasTheFocusRunsNoPickerHandler) {
    FixedClock clock(At(2024, 12, 27, 15));
    TTockwellDB db;
    auto window = std::make_unique<TfrmTockwellDatabaseList>();
    window->SetDatabase(&db);
    window->show();
    window->activateWindow();
    window->dtpFrom->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->dtpFrom->hasFocus(); }));
    window->dtpFrom->setText("1/5/2025");
    // As at the program's end; a picker handler run on the freed part is caught by the
    // sanitizers.
    window.reset();
}

// An empty picker shows its grey "None" at the text's corner only while it has no focus.
TEST(DatabaseListPickers, EmptyPickersShowNoneOnlyWithoutTheFocus) {
    FixedClock clock(At(2024, 12, 27, 15));
    TTockwellDB db;
    TfrmTockwellDatabaseList window;
    window.SetDatabase(&db);
    window.show();
    window.activateWindow();
    window.cbPredefinedRange->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.cbPredefinedRange->hasFocus(); }));
    auto cue = [](TAgendaDatePicker* picker) {
        const QImage image = Render(*picker);
        // Clear of the frame and of the drop-down button.
        return CountPixels(image, QRect(3, 3, 50, image.height() - 6), [](const QColor& c) {
            return c.red() == c.green() && c.green() == c.blue() && c.red() >= 0x60 &&
                   c.red() <= 0xB0;
        });
    };
    for (TAgendaDatePicker* picker : {window.dtpFrom, window.dtpTo}) {
        EXPECT_EQ(picker->EmptyText(), "None");
        EXPECT_TRUE(picker->placeholderText().isEmpty());
        EXPECT_GT(cue(picker), 10);
    }
    window.dtpFrom->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.dtpFrom->hasFocus(); }));
    EXPECT_EQ(cue(window.dtpFrom), 0);
    EXPECT_GT(cue(window.dtpTo), 10);
}

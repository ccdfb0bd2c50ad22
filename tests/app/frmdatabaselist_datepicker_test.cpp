// The reminders list window's date pickers dropped down and closed again without a day.
// Apart from the tree's tests: the edit and tree headers do not mix.
#include <QComboBox>
#include <QTest>
#include <gtest/gtest.h>

#include "app/frmdatabaselist.h"
#include "controls/edits/agendadatepicker.h"
#include "core/tockwelldb.h"
#include "core/treefilter.h"
#include "gui/guitestutil.h"
#include "testutil.h"

TEST(DatabaseListPickers, ADropDownClosedWithoutADayLeavesTheRangeAsItWas) {
    FixedClock clock(At(2024, 12, 27, 15));
    TTockwellDB db;
    db.AddNew("today", At(2024, 12, 27, 18));
    db.AddNew("dismissed", At(2024, 12, 20, 9))->GetReminder().SetNextAlertDateTime(0);
    TfrmTockwellDatabaseList window;
    window.SetDatabase(&db);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.Refresh();
    ASSERT_EQ(window.Filter().Groups.size(), 2u); // without a From date, "Dismissed" too
    TAgendaDatePicker* from = window.dtpFrom;
    // By the button, and by Alt+Down in the field, which the window handles itself.
    for (const bool byKey : {false, true}) {
        SCOPED_TRACE(byKey ? "Alt+Down" : "button");
        from->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([&] { return from->hasFocus(); }));
        if (byKey)
            QTest::keyClick(from, Qt::Key_Down, Qt::AltModifier);
        else
            QTest::mouseClick(from->ButtonPart()->Button(), Qt::LeftButton);
        ASSERT_TRUE(from->PopupShown());
        QTest::keyClick(&from->Calendar(), Qt::Key_Escape);
        EXPECT_FALSE(from->PopupShown());
        EXPECT_TRUE(QTest::qWaitFor([&] { return from->hasFocus(); }));
        window.cbPredefinedRange->setFocus(); // leaving the field reads it
        ASSERT_TRUE(QTest::qWaitFor([&] { return !from->hasFocus(); }));
        EXPECT_EQ(from->Text(), "");
        EXPECT_EQ(window.FromDate(), 0);
        EXPECT_EQ(window.Filter().Groups.size(), 2u);
    }
}

// The reminders list window: filling and grouping by range, the range rules, deleting with
// its confirmations, and its events reaching the main window and the data file.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "app/frmdatabaselist.h"
#include "controls/edits/agendadatepicker.h"
#include "controls/tree/stringtree.h"
#include "controls/tree/treecolumns.h"
#include "controls/tree/treeheader.h"
#include "core/tockwelldb.h"
#include "gui/guitestutil.h"
#include "mainwindowfixture.h"
#include "platform/datetimeformat.h"
#include "platform/gui/uifont.h"

namespace {

TTockwellItemPtr Entry(const std::string& caption, TDateTime next) {
    TTockwellItemPtr item = TTockwellDB::NewItem(caption, next != 0 ? next : At(2024, 12, 1));
    item->GetReminder().SetNextAlertDateTime(next);
    return item;
}

// The tree's rows: groups as "<caption>", reminders as "  <caption>" (children of collapsed
// groups too).
std::vector<std::string> Rows(TfrmTockwellDatabaseList& w) {
    std::vector<std::string> out;
    for (PLeanNode n = w.LTV->GetFirst(); n; n = w.LTV->GetNext(n)) {
        const std::string text = w.LTV->Text(n, 1).toStdString();
        out.push_back(n->Parent == w.LTV->RootNode() ? text : "  " + text);
    }
    return out;
}

// The reminder node of the given caption.
PLeanNode NodeOf(TfrmTockwellDatabaseList& w, const std::string& caption) {
    for (PLeanNode n = w.LTV->GetFirst(); n; n = w.LTV->GetNext(n))
        if (w.NodeReminder(n) && w.LTV->Text(n, 1).toStdString() == caption)
            return n;
    return nullptr;
}

// Message boxes that run OnBox while they are open, as the user acting in the window.
struct TRefreshingBoxes : FakeMessageBoxes {
    std::function<void()> OnBox;
    int MessageBox(const std::string& text, const std::string& caption, TMsgDlgType type,
                   TMsgDlgButtons buttons) override {
        OnBox();
        return FakeMessageBoxes::MessageBox(text, caption, type, buttons);
    }
};

class DatabaseListTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Friday 27 December 2024; the week runs Monday 23 to Sunday 29 December.
        for (auto [caption, next] : std::initializer_list<std::pair<const char*, TDateTime>>{
                 {"dismissed", 0},
                 {"missed", At(2024, 12, 26, 9)},
                 {"today", At(2024, 12, 27, 18)},
                 {"todayLate", At(2024, 12, 27, 23, 59)},
                 {"tomorrow", At(2024, 12, 28, 0)},
                 {"sunday", At(2024, 12, 29, 10)},
                 {"monday", At(2024, 12, 30, 0)},
                 {"newYear", At(2025, 1, 1, 9)},
                 {"jan10", At(2025, 1, 10, 9)},
                 {"feb", At(2025, 2, 3, 9)}})
            db.Add(Entry(caption, next));
        window.SetDatabase(&db);
    }

    FixedClock clock{At(2024, 12, 27, 15)};
    TTockwellDB db;
    TfrmTockwellDatabaseList window;
};

} // namespace

TEST_F(DatabaseListTest, EveryPredefinedRangeListsItsDaysInDateGroups) {
    window.SelectPredefinedRange(prAll);
    EXPECT_EQ(Rows(window), (std::vector<std::string>{
                                "Dismissed", "  dismissed", "  missed", "today (12/27/2024)",
                                "  today", "  todayLate", "tomorrow (12/28/2024)", "  tomorrow",
                                "Sunday (12/29/2024)", "  sunday", "Next Week", "  monday",
                                "  newYear", "Next Month (January)", "  jan10", "Later", "  feb"}));
    // Dismissed starts collapsed, the others expanded.
    PLeanNode first = window.LTV->GetFirst();
    EXPECT_FALSE(window.LTV->GetExpanded(first));
    EXPECT_TRUE(window.LTV->GetExpanded(window.LTV->GetNextSibling(first)));

    // Every range other than "All" has a From date: no dismissed reminders, and missed ones
    // only when the range starts before today.
    const std::pair<TPredefinedRange, std::vector<std::string>> ranges[] = {
        {prToday, {"today (12/27/2024)", "  today", "  todayLate"}},
        {prTomorrow, {"tomorrow (12/28/2024)", "  tomorrow"}},
        {prNext7Days,
         {"today (12/27/2024)", "  today", "  todayLate", "tomorrow (12/28/2024)", "  tomorrow",
          "Sunday (12/29/2024)", "  sunday", "Next Week", "  monday", "  newYear"}},
        {prThisWeek, // from Monday: the missed one of Thursday too
         {"Dismissed", "  missed", "today (12/27/2024)", "  today", "  todayLate",
          "tomorrow (12/28/2024)", "  tomorrow", "Sunday (12/29/2024)", "  sunday"}},
        {prNextWeek, {"Next Week", "  monday", "  newYear"}},
        {prThisMonth,
         {"Dismissed", "  missed", "today (12/27/2024)", "  today", "  todayLate",
          "tomorrow (12/28/2024)", "  tomorrow", "Sunday (12/29/2024)", "  sunday", "Next Week",
          "  monday"}},
        {prNextMonth, {"Next Week", "  newYear", "Next Month (January)", "  jan10"}},
    };
    for (const auto& [range, rows] : ranges) {
        window.SelectPredefinedRange(range);
        EXPECT_EQ(Rows(window), rows) << "range " << range;
        EXPECT_TRUE(window.rgPredefinedRange->isChecked());
        EXPECT_EQ(window.cbPredefinedRange->currentIndex(), range);
    }
    TDateTime from = 0, to = 0;
    PredefinedRangeDates(prNextMonth, At(2024, 12, 27, 15), from, to);
    EXPECT_EQ(from, At(2025, 1, 1));
    EXPECT_EQ(to, At(2025, 1, 31));
    PredefinedRangeDates(prThisWeek, At(2024, 12, 29), from, to); // a Sunday
    EXPECT_EQ(from, At(2024, 12, 23));
    EXPECT_EQ(to, At(2024, 12, 29));
}

TEST_F(DatabaseListTest, AToDateIncludesItsWholeDayButNotTheNextMidnight) {
    EXPECT_TRUE(InDateRange(At(2024, 12, 27, 23, 59, 59), At(2024, 12, 27), At(2024, 12, 27)));
    EXPECT_FALSE(InDateRange(At(2024, 12, 28), At(2024, 12, 27), At(2024, 12, 27)));
    EXPECT_FALSE(InDateRange(At(2024, 12, 28, 0, 0, 1), At(2024, 12, 27), At(2024, 12, 27)));
    EXPECT_TRUE(InDateRange(0, 0, At(2024, 12, 27)));
    EXPECT_FALSE(InDateRange(0, At(2024, 12, 27), 0));

    window.SetDateRange(0, At(2024, 12, 27));
    window.Refresh();
    EXPECT_EQ(Rows(window),
              (std::vector<std::string>{"Dismissed", "  dismissed", "  missed",
                                        "today (12/27/2024)", "  today", "  todayLate"}));
    EXPECT_TRUE(window.rgCustomRange->isChecked());
    EXPECT_EQ(window.cbPredefinedRange->currentIndex(), -1);
}

TEST_F(DatabaseListTest, AFromAfterToMovesToAndAToBeforeFromMovesFrom) {
    window.SetDateRange(At(2024, 12, 27), At(2024, 12, 29));
    window.SetPickerDate(false, At(2025, 1, 1));
    EXPECT_EQ(window.FromDate(), At(2025, 1, 1));
    EXPECT_EQ(window.ToDate(), At(2025, 1, 1));
    EXPECT_EQ(Rows(window), (std::vector<std::string>{"Next Week", "  newYear"}));

    window.SetPickerDate(true, At(2024, 12, 28));
    EXPECT_EQ(window.FromDate(), At(2024, 12, 28));
    EXPECT_EQ(window.ToDate(), At(2024, 12, 28));
    EXPECT_EQ(Rows(window), (std::vector<std::string>{"tomorrow (12/28/2024)", "  tomorrow"}));

    // Emptying one end leaves the other alone.
    window.SetPickerDate(false, 0);
    EXPECT_EQ(window.FromDate(), 0);
    EXPECT_EQ(window.ToDate(), At(2024, 12, 28));
    EXPECT_TRUE(window.rgCustomRange->isChecked());
}

TEST_F(DatabaseListTest, DeleteAsksOnceForOneAndTwiceForSeveralAndFocusesTheNeighbour) {
    FakeMessageBoxesGuard boxes;
    std::vector<std::string> deletedEvents;
    int deletedCalls = 0;
    window.OnDeleteReminder = [&](const IReminderAwareItemPtr& item) {
        deletedEvents.push_back(std::dynamic_pointer_cast<TTockwellItem>(item)->Caption);
        window.Refresh(); // held back while the nodes are deleted
    };
    window.OnRemindersDeleted = [&] { ++deletedCalls; };
    window.SelectPredefinedRange(prAll);

    // "No" keeps everything.
    window.LTV->SetSelected(NodeOf(window, "sunday"), true);
    boxes->Answers = {mrNo};
    window.DeleteCommand();
    ASSERT_EQ(boxes->Boxes.size(), 1u);
    EXPECT_EQ(boxes->Boxes[0].text, "Delete selected reminder?");
    EXPECT_EQ(db.Count(), 10);

    // One reminder, the only one of its group: the group row stays, the focus on it.
    boxes->Answers = {mrYes};
    window.DeleteCommand();
    EXPECT_EQ(boxes->Boxes.size(), 2u);
    EXPECT_EQ(db.Count(), 9);
    EXPECT_EQ(deletedEvents, std::vector<std::string>{"sunday"});
    EXPECT_EQ(deletedCalls, 1);
    ASSERT_NE(window.LTV->FocusedNode(), nullptr);
    EXPECT_EQ(window.LTV->Text(window.LTV->FocusedNode(), 1), "Sunday (12/29/2024)");

    // Several: the second question names the count; "No" there keeps them.
    window.LTV->ClearSelection();
    window.LTV->SetSelected(NodeOf(window, "todayLate"), true);
    window.LTV->SetSelected(NodeOf(window, "tomorrow"), true);
    window.LTV->SetSelected(NodeOf(window, "monday"), true);
    boxes->Answers = {mrYes, mrNo};
    window.DeleteCommand();
    ASSERT_EQ(boxes->Boxes.size(), 4u);
    EXPECT_EQ(boxes->Boxes[3].text, "You selected 3 reminders. Do you wish to delete them?");
    EXPECT_EQ(db.Count(), 9);

    boxes->Answers = {mrYes, mrYes};
    deletedEvents.clear();
    window.DeleteCommand();
    EXPECT_EQ(db.Count(), 6);
    EXPECT_EQ(deletedEvents, (std::vector<std::string>{"monday", "tomorrow", "todayLate"}));
    // The first selected reminder's previous sibling.
    EXPECT_EQ(window.LTV->FocusedNode(), NodeOf(window, "today"));
    EXPECT_EQ(window.LTV->SelectedCount(), 1u);
    for (int i = 0; i < db.Count(); ++i)
        for (const char* gone : {"sunday", "todayLate", "tomorrow", "monday"})
            EXPECT_NE(db.GetItem(i)->Caption, gone);

    // Groups alone are not reminders: nothing is asked.
    window.LTV->ClearSelection();
    window.LTV->SetSelected(window.LTV->GetFirst(), true);
    window.DeleteCommand();
    EXPECT_EQ(boxes->Boxes.size(), 6u);
}

// ---- through the main window -------------------------------------------------------------

namespace {

class TListMain : public TOpenMain {
public:
    using TOpenMain::TOpenMain;
    std::vector<std::pair<std::string, bool>> Dialogs; // caption, isNew
    std::vector<TDateTime> DialogDates;                // the reminder times

protected:
    bool RunReminderSetupDialog(const IReminderAwareItemPtr& item, bool isNew, bool&) override {
        Dialogs.emplace_back(std::dynamic_pointer_cast<TTockwellItem>(item)->Caption, isNew);
        DialogDates.push_back(item->GetReminder().GetReminderDateTime());
        return false;
    }
};

class DatabaseListMainTest : public MainWindowFixture {
protected:
    std::unique_ptr<TListMain> OpenMain() {
        TTockwellDB db;
        for (auto [caption, next] :
             std::initializer_list<std::pair<const char*, TDateTime>>{{"a", At(2024, 3, 14, 13)},
                                                                      {"b", At(2024, 3, 14, 14)},
                                                                      {"c", At(2024, 3, 14, 15)},
                                                                      {"d", At(2024, 3, 20, 9)}})
            db.Add(Entry(caption, next));
        return Open<TListMain>(&db);
    }
    std::vector<std::string> SavedCaptions() {
        auto db = Saved();
        std::vector<std::string> out;
        for (int i = 0; i < db->Count(); ++i)
            out.push_back(db->GetItem(i)->Caption);
        return out;
    }
};

} // namespace

TEST_F(DatabaseListMainTest, TheCommandsOpenTheWindowAndItsEventsReachTheMainWindow) {
    auto form = OpenMain();
    TfrmTockwellDatabaseList& list = form->ListWindow();
    EXPECT_FALSE(list.isVisible());
    ASSERT_TRUE(form->actRemindersManager->isEnabled());
    ASSERT_TRUE(form->actRemindersManagerFilter->isEnabled());
    form->actRemindersManager->trigger();
    EXPECT_TRUE(list.isVisible());
    EXPECT_TRUE(list.isWindow());
    EXPECT_EQ(Rows(list).size(), 6u); // today with a, b, c; Wednesday with d
    list.close();
    EXPECT_FALSE(list.isVisible());

    // Open: the focused reminder goes to the setup dialog; a group opens nothing.
    list.LTV->SetFocusedNode(NodeOf(list, "b"));
    list.OpenCommand();
    list.LTV->SetFocusedNode(list.LTV->GetFirst());
    list.OpenCommand();
    // Add: a new reminder.
    list.NewCommand();
    ASSERT_EQ(form->Dialogs.size(), 2u);
    EXPECT_EQ(form->Dialogs[0], (std::pair<std::string, bool>{"b", false}));
    EXPECT_TRUE(form->Dialogs[1].second);

    // The filtered command limits the list to the calendar's day.
    form->Calendar().SetDate(At(2024, 3, 20));
    form->actRemindersManagerFilter->trigger();
    EXPECT_EQ(list.FromDate(), At(2024, 3, 20));
    EXPECT_EQ(Rows(list), (std::vector<std::string>{"Next Week", "  d"}));
}

TEST_F(DatabaseListMainTest, DeletedRemindersAreGoneFromTheSavedDataFile) {
    auto form = OpenMain();
    TfrmTockwellDatabaseList& list = form->ListWindow();
    form->actRemindersManager->trigger();
    list.LTV->SetSelected(NodeOf(list, "b"), true);
    list.LTV->SetSelected(NodeOf(list, "c"), true);
    boxes->Answers = {mrYes, mrYes};
    list.DeleteCommand();
    EXPECT_EQ(SavedCaptions(), (std::vector<std::string>{"a", "d"}));
    EXPECT_EQ(list.LTV->FocusedNode(), NodeOf(list, "a"));

    list.LTV->ClearSelection();
    list.LTV->SetSelected(NodeOf(list, "d"), true);
    boxes->Answers = {mrYes};
    list.DeleteCommand();
    EXPECT_EQ(SavedCaptions(), std::vector<std::string>{"a"});
    // The main window's refresh after the change lists what is left.
    list.Refresh();
    EXPECT_EQ(Rows(list), (std::vector<std::string>{"today (3/14/2024)", "  a"}));
}

TEST_F(DatabaseListTest, KeysOpenDeleteAndHide) {
    FakeMessageBoxesGuard boxes;
    std::vector<std::string> opened;
    window.OnOpenReminder = [&](const IReminderAwareItemPtr& item) {
        opened.push_back(std::dynamic_pointer_cast<TTockwellItem>(item)->Caption);
    };
    window.SelectPredefinedRange(prToday);
    window.show();
    window.LTV->SetFocusedNode(NodeOf(window, "todayLate"));
    window.LTV->SetSelected(NodeOf(window, "todayLate"), true);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(window.LTV, &enter);
    EXPECT_EQ(opened, std::vector<std::string>{"todayLate"});
    boxes->Answers = {mrNo};
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(window.LTV, &del);
    EXPECT_EQ(boxes->Boxes.size(), 1u);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(window.LTV, &escape);
    EXPECT_FALSE(window.isVisible());
}

// Ctrl+Delete typed in a date field is the field's key; in the tree it asks and deletes.
// Nothing selected, Delete asks nothing.
TEST_F(DatabaseListTest, CtrlDeleteBelongsToTheTreeAndDeleteAsksOnlyWhenItWillDelete) {
    FakeMessageBoxesGuard boxes;
    window.SelectPredefinedRange(prAll);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.LTV->setFocus();
    QTest::keyClick(window.LTV, Qt::Key_Delete);
    QTest::keyClick(window.LTV, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(boxes->Boxes.empty());

    window.LTV->SetSelected(NodeOf(window, "sunday"), true);
    boxes->DefaultAnswer = mrYes;
    for (TAgendaDatePicker* field : {window.dtpFrom, window.dtpTo}) {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Delete, Qt::ControlModifier);
    }
    EXPECT_TRUE(boxes->Boxes.empty());
    EXPECT_EQ(db.Count(), 10);

    window.LTV->setFocus(); // leaving the field refreshed the tree
    window.LTV->SetSelected(NodeOf(window, "sunday"), true);
    QTest::keyClick(window.LTV, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(boxes->Boxes.size(), 1u);
    EXPECT_EQ(db.Count(), 9);
    EXPECT_EQ(NodeOf(window, "sunday"), nullptr);
}

// A refresh while the question is open (a date field left as the box takes the focus) does
// not lose what was asked about: "Yes" deletes it, and the refresh comes after.
TEST_F(DatabaseListTest, ARefreshDuringTheQuestionComesAfterTheDelete) {
    auto boxes = std::make_shared<TRefreshingBoxes>();
    boxes->DefaultAnswer = mrYes;
    const std::shared_ptr<IMessageBoxes> previous = SetMessageBoxes(boxes);
    window.SelectPredefinedRange(prAll);
    int refreshes = 0;
    boxes->OnBox = [&] {
        window.Refresh();
        ++refreshes;
    };
    window.LTV->SetSelected(NodeOf(window, "sunday"), true);
    window.LTV->SetSelected(NodeOf(window, "monday"), true);
    window.DeleteCommand();
    SetMessageBoxes(previous);
    EXPECT_EQ(boxes->Boxes.size(), 2u);
    EXPECT_EQ(refreshes, 2);
    EXPECT_EQ(db.Count(), 8);
    EXPECT_EQ(NodeOf(window, "sunday"), nullptr);
    const std::vector<std::string> rows = Rows(window);
    EXPECT_EQ(
        std::count_if(rows.begin(), rows.end(), [](const std::string& r) { return r[0] == ' '; }),
        8);
}

// A range chosen while the question is open is the one listed after "Yes".
TEST_F(DatabaseListTest, ARangeChosenDuringTheQuestionIsListedAfterTheDelete) {
    auto boxes = std::make_shared<TRefreshingBoxes>();
    boxes->DefaultAnswer = mrYes;
    boxes->OnBox = [&] { window.SelectPredefinedRange(prToday); };
    const std::shared_ptr<IMessageBoxes> previous = SetMessageBoxes(boxes);
    window.SelectPredefinedRange(prAll);
    window.LTV->SetSelected(NodeOf(window, "todayLate"), true);
    window.DeleteCommand();
    SetMessageBoxes(previous);
    EXPECT_EQ(db.Count(), 9);
    EXPECT_EQ(Rows(window), (std::vector<std::string>{"today (12/27/2024)", "  today"}));
}

// A caption of megabytes costs a click, an arrow key or a move into a date field and back
// about what a short one does.
TEST(DatabaseListCosts, ACaptionOfMegabytesIsCheapToClickAndMoveThrough) {
    FixedClock clock(At(2024, 12, 27, 15));
    auto cost = [](const std::string& caption) {
        TTockwellDB db;
        for (int i = 0; i < 3; ++i)
            db.Add(Entry(i == 1 ? caption : "short", At(2024, 12, 27, 16 + i)));
        TfrmTockwellDatabaseList window;
        window.SetDatabase(&db);
        window.Refresh();
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        window.LTV->setFocus();
        QApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        for (PLeanNode n = window.LTV->GetFirst(); n; n = window.LTV->GetNext(n)) {
            QTest::mouseClick(window.LTV->viewport(), Qt::LeftButton, {},
                              window.LTV->GetDisplayRect(n, 1, false).center());
            QApplication::processEvents();
        }
        for (Qt::Key key : {Qt::Key_Up, Qt::Key_Up, Qt::Key_Down, Qt::Key_Down}) {
            QTest::keyClick(window.LTV, key);
            QApplication::processEvents();
        }
        for (QWidget* w : std::initializer_list<QWidget*>{window.dtpFrom, window.LTV}) {
            w->setFocus();
            QApplication::processEvents();
        }
        return timer.elapsed();
    };
    const qint64 shortCost = cost("short");
    EXPECT_LT(cost(std::string(8'000'000, 'x')), 10 * shortCost + 500) << shortCost;
}

TEST(DatabaseListShot, AFewHundredReminders) {
    FixedClock clock(At(2024, 12, 27, 15));
    TTockwellDB db;
    for (int i = 0; i < 300; ++i) {
        TTockwellItemPtr entry = Entry("Reminder number " + std::to_string(i) +
                                           (i % 7 == 0 ? " with a longer text" : ""),
                                       i % 50 == 0 ? 0 : At(2024, 12, 26) + i * 0.37);
        if (i % 3 == 0)
            entry->GetReminder().RecurrencePattern();
        db.Add(entry);
    }
    TfrmTockwellDatabaseList window;
    window.SetDatabase(&db);
    window.Refresh();
    window.show();
    EXPECT_GT(window.LTV->RootNodeCount(), 5u);
    SaveShot(window.grab().toImage(), "databaselist.png");
    for (int width : {450, 900}) {
        window.resize(width, 443);
        QApplication::processEvents();
        SaveShot(window.grab().toImage(),
                 ("databaselist-" + std::to_string(width) + ".png").c_str());
    }
}

TEST_F(DatabaseListTest, ADoubleClickOpensAReminderButNotAfterAPressOnAnExpandButton) {
    std::vector<std::string> opened;
    window.OnOpenReminder = [&](const IReminderAwareItemPtr& item) {
        opened.push_back(std::dynamic_pointer_cast<TTockwellItem>(item)->Caption);
    };
    window.SelectPredefinedRange(prToday);
    window.show();
    auto click = [&](QPoint p, QEvent::Type type) {
        QMouseEvent e(type, p, window.LTV->viewport()->mapToGlobal(p), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.LTV->viewport(), &e);
    };
    const QPoint onText = window.LTV->GetDisplayRect(NodeOf(window, "today"), 1, true).center();
    click(onText, QEvent::MouseButtonPress);
    click(onText, QEvent::MouseButtonRelease);
    click(onText, QEvent::MouseButtonDblClick);
    EXPECT_EQ(opened, std::vector<std::string>{"today"});

    // The group's expand button: the press toggles the group, the double-click opens nothing.
    PLeanNode group = window.LTV->GetFirst();
    const QRect row = window.LTV->GetDisplayRect(group, 1, false);
    QPoint onButton;
    for (int x = 0; x < row.left() + 40 && onButton.isNull(); ++x)
        if (window.LTV->GetHitTestInfoAt(x, row.center().y(), true)
                .HitPositions.Contains(THitPosition::hiOnItemButton))
            onButton = QPoint(x, row.center().y());
    ASSERT_FALSE(onButton.isNull());
    click(onButton, QEvent::MouseButtonPress);
    click(onButton, QEvent::MouseButtonDblClick);
    EXPECT_EQ(opened.size(), 1u);
}

TEST_F(DatabaseListTest, RowsAskForTheImageOfTheirKindOfReminder) {
    TTockwellItemPtr recurring = Entry("recurring", At(2024, 12, 27, 20));
    recurring->GetReminder().RecurrencePattern();
    db.Add(recurring);
    window.Refresh();
    ASSERT_TRUE(window.LTV->Images());
    EXPECT_EQ(window.LTV->Images()->Count(), 3);
    EXPECT_EQ(window.LTV->Images()->Width(), 16);

    // Reminder column, then repeat column; the other columns show none.
    auto images = [this](PLeanNode node) {
        std::vector<int> out;
        for (TColumnIndex column = 0; column < 5; ++column)
            out.push_back(window.LTV->GetImageIndexInfo(node, ikNormal, column).Index);
        return out;
    };
    EXPECT_EQ(images(NodeOf(window, "recurring")), (std::vector<int>{-1, 1, -1, -1, 0}));
    EXPECT_EQ(images(NodeOf(window, "today")), (std::vector<int>{-1, 1, -1, -1, -1}));
    EXPECT_EQ(images(NodeOf(window, "dismissed")), (std::vector<int>{-1, 2, -1, -1, -1}));
    PLeanNode selected = NodeOf(window, "recurring");
    window.LTV->SetSelected(selected, true);
    EXPECT_EQ(window.LTV->GetImageIndexInfo(selected, ikSelected, 4).Index, 0);
    EXPECT_EQ(window.LTV->GetImageIndexInfo(selected, ikState, 1).Index, -1);
    for (PLeanNode n = window.LTV->GetFirst(); n; n = window.LTV->GetNextSibling(n))
        EXPECT_EQ(images(n), (std::vector<int>(5, -1))) << window.LTV->Text(n, 1).toStdString();
}

TEST_F(DatabaseListTest, EveryColumnIsReachableAndTheNextAlertTimeIsNeverCut) {
    // The longest texts of the format: two-digit month and day, two-digit hours, PM.
    db.Add(Entry("widest", At(2024, 12, 28, 22, 58)));
    db.Add(Entry("later", At(2025, 11, 30, 23, 59)));
    for (int i = 0; i < 40; ++i) // enough rows for a vertical scroll bar
        db.Add(Entry("r" + std::to_string(i), At(2025, 1, 2, 8) + i * OneHour));
    TLeanTreeColumns& columns = window.LTV->Header().Columns();
    // Filled while hidden with rows enough for a vertical scroll bar: once shown, the columns
    // fit beside it.
    window.SelectPredefinedRange(prAll);
    window.show();
    EXPECT_LE(columns.TotalWidth(), window.LTV->ClientWidth());
    EXPECT_FALSE(window.LTV->horizontalScrollBar()->isVisible());
    // The window is never narrower than its top bar: "To:", Refresh and Close stay in reach.
    const int least = window.minimumWidth();
    EXPECT_GT(least, 450);
    EXPECT_LE(least, 719);
    for (int width : {450, 719, 900}) {
        window.resize(width, 443);
        QApplication::processEvents();
        ASSERT_EQ(window.width(), std::max(width, least));
        const QRect close(window.SpeedButton1->mapTo(&window, QPoint(0, 0)),
                          window.SpeedButton1->size());
        EXPECT_TRUE(window.rect().contains(close)) << width;
        const int client = window.LTV->ClientWidth();
        EXPECT_EQ(columns.Items(0).Width(), 20);
        EXPECT_EQ(columns.Items(4).Width(), 20);
        EXPECT_GE(columns.Items(2).Width(), 120);
        // Rows and the widest text of the format fit without being shortened.
        EXPECT_LE(window.LTV->GetMaxColumnWidth(2), columns.Items(2).Width()) << width;
        const QString widest =
            QString::fromStdString(FormatDateTime("ddddd t", At(2024, 12, 28, 22, 58)));
        EXPECT_LE(window.LTV->Margin() + 2 * window.LTV->TextMargin() +
                      QFontMetrics(window.LTV->font()).horizontalAdvance(widest),
                  columns.Items(2).Width());
        // "Reminder" keeps its width; nothing is out of reach.
        EXPECT_LE(columns.TotalWidth(), client) << width;
        EXPECT_FALSE(window.LTV->horizontalScrollBar()->isVisible()) << width;
        EXPECT_LE(columns.Items(4).Left() + 20, client);
        // Column 0 is not fixed: it scrolls with the others.
        EXPECT_FALSE(columns.Items(0).Options().Contains(TLTColumnOption::coFixed));
        EXPECT_TRUE(window.LTV->verticalScrollBar()->isVisible());
        // The range controls keep their sizes.
        EXPECT_EQ(window.dtpFrom->width(), 132);
    }
    // Asked for less, the window keeps its least width, and every column is in reach.
    window.resize(200, 443);
    QApplication::processEvents();
    ASSERT_EQ(window.width(), least);
    EXPECT_GE(window.LTV->ClientWidth() + window.LTV->horizontalScrollBar()->maximum(),
              columns.TotalWidth());
    EXPECT_GE(columns.Items(1).Width(), TfrmTockwellDatabaseList::ReminderColumnMinWidth);
    SaveShot(window.grab().toImage(), "databaselist-narrow.png");
}

TEST_F(DatabaseListTest, TheHeaderHasItsOwnOptionsAndTheTahomaFont) {
    const TLTHeader& header = window.LTV->Header();
    EXPECT_EQ(header.Options(),
              TLTHeaderOptions({TLTHeaderOption::hoColumnResize, TLTHeaderOption::hoDblClickResize,
                                TLTHeaderOption::hoDrag, TLTHeaderOption::hoVisible}));
    EXPECT_EQ(header.Font().family().toStdString(), TahomaFamily().toStdString());
    EXPECT_EQ(header.Font().pixelSize(), 11);
    // Without automatic resizing "Reminder" keeps its width in a wider window.
    window.show();
    window.resize(900, 443);
    QApplication::processEvents();
    EXPECT_EQ(header.Columns().Items(1).Width(), 320);
}

TEST_F(DatabaseListTest, NextSevenDaysEndsOnTheSeventhDay) {
    db.Add(Entry("seventh", At(2025, 1, 2, 23, 59)));
    db.Add(Entry("eighth", At(2025, 1, 3, 0, 0)));
    db.Add(Entry("eighthLater", At(2025, 1, 3, 0, 1)));
    window.SelectPredefinedRange(prNext7Days);
    EXPECT_EQ(window.ToDate(), At(2025, 1, 2));
    EXPECT_NE(NodeOf(window, "seventh"), nullptr);
    EXPECT_EQ(NodeOf(window, "eighth"), nullptr); // the midnight that ends the seventh day
    EXPECT_EQ(NodeOf(window, "eighthLater"), nullptr);
}

TEST_F(DatabaseListTest, DeletingExactlyTwoAsksTheSecondQuestion) {
    FakeMessageBoxesGuard boxes;
    window.SelectPredefinedRange(prAll);
    window.LTV->SetSelected(NodeOf(window, "today"), true);
    window.LTV->SetSelected(NodeOf(window, "feb"), true);
    boxes->Answers = {mrYes, mrNo};
    window.DeleteCommand();
    ASSERT_EQ(boxes->Boxes.size(), 2u);
    EXPECT_EQ(boxes->Boxes[1].text, "You selected 2 reminders. Do you wish to delete them?");
    EXPECT_EQ(db.Count(), 10);
}

TEST_F(DatabaseListTest, AHiddenListIsFilledWhenItShows) {
    window.SelectPredefinedRange(prToday);
    db.Add(Entry("added", At(2024, 12, 27, 20)));
    window.RefreshWhenShown();
    EXPECT_TRUE(window.OutOfDate());
    EXPECT_EQ(window.LTV->RootNodeCount(), 0u);
    EXPECT_TRUE(window.Filter().Groups.empty());
    window.show();
    EXPECT_FALSE(window.OutOfDate());
    EXPECT_EQ(Rows(window), (std::vector<std::string>{"today (12/27/2024)", "  today", "  added",
                                                      "  todayLate"}));
    // Shown, it refreshes at once.
    db.Add(Entry("another", At(2024, 12, 27, 16)));
    window.RefreshWhenShown();
    EXPECT_NE(NodeOf(window, "another"), nullptr);
}

TEST_F(DatabaseListMainTest, AddReminderInTheListAddsANewReminderFromNowOnToday) {
    auto form = OpenMain();
    form->Console().setText("Console text tomorrow");
    form->Calendar().SetDate(At(2024, 3, 20));
    form->ListWindow().NewCommand();
    ASSERT_EQ(form->Dialogs.size(), 1u);
    EXPECT_EQ(form->Dialogs[0], (std::pair<std::string, bool>{"New Reminder", true}));
    EXPECT_NEAR(form->DialogDates[0], At(2024, 3, 14, 12, 10), OneSecond);
}

TEST_F(DatabaseListTest, HowSoonTextsAreNeverCut) {
    // Seen at 3 PM: "in 24 hours", "in 14 hours", "in 59 min".
    for (TDateTime next :
         {At(2024, 12, 28, 14, 40), At(2024, 12, 28, 5, 10), At(2024, 12, 27, 15, 59, 30)})
        db.Add(Entry("soon", next));
    window.SelectPredefinedRange(prAll);
    window.show();
    const TLeanTreeColumn& howSoon = window.LTV->Header().Columns().Items(3);
    EXPECT_GE(howSoon.Width(), 100);
    EXPECT_LE(window.LTV->GetMaxColumnWidth(3), howSoon.Width());
}

TEST_F(DatabaseListMainTest, AFiredReminderWithoutAFurtherAlertIsListedAsDismissed) {
    auto form = OpenMain();
    TfrmTockwellDatabaseList& list = form->ListWindow();
    form->actRemindersManager->trigger();
    // "a" fires at 1 PM with no alert after it; the shown list follows at once.
    clock.Set(At(2024, 3, 14, 13));
    Tick(*form, 1);
    ASSERT_EQ(form->DB().GetItem(0)->Caption, "a");
    EXPECT_EQ(form->DB().GetItem(0)->NextAlertDateTime(), 0);
    EXPECT_EQ(Rows(list), (std::vector<std::string>{"Dismissed", "  a", "today (3/14/2024)", "  b",
                                                    "  c", "Next Week", "  d"}));
    EXPECT_FALSE(list.LTV->GetExpanded(list.LTV->GetFirst()));
}

TEST_F(DatabaseListTest, AContextMenuOverEmptySpaceLeavesNoMarkBehind) {
    window.SelectPredefinedRange(prToday);
    window.show();
    QApplication::setActiveWindow(&window);
    QApplication::processEvents();
    QWidget* viewport = window.LTV->viewport();
    const QPoint empty(viewport->width() / 2, viewport->height() - 20);
    ASSERT_EQ(window.LTV->GetNodeAt(empty.x(), empty.y()), nullptr);
    const QImage before = Render(*viewport);
    // As the window system delivers it: the menu comes with the press and takes the release.
    QTest::mouseClick(window.windowHandle(), Qt::RightButton, {}, viewport->mapTo(&window, empty));
    QApplication::processEvents();
    ASSERT_TRUE(window.PopupMenu->isVisible());
    QTest::keyClick(window.PopupMenu, Qt::Key_Escape);
    ASSERT_FALSE(window.PopupMenu->isVisible());
    QApplication::processEvents();
    const QImage after = Render(*viewport);
    int changed = 0;
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x)
            changed += before.pixel(x, y) != after.pixel(x, y);
    EXPECT_EQ(changed, 0);
}

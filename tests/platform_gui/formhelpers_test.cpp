#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QPushButton>
#include <QWidget>
#include <gtest/gtest.h>

#include "fakemessageboxes.h"
#include "platform/gui/formhelpers.h"

TEST(FormHelpers, KeepWholeWindowInWorkArea) {
    QRect work(0, 0, 800, 560);
    EXPECT_EQ(KeptInWorkArea(QRect(-20, -5, 100, 50), work, true, 50), QPoint(0, 0));
    EXPECT_EQ(KeptInWorkArea(QRect(750, 540, 100, 50), work, true, 50), QPoint(700, 510));
    EXPECT_EQ(KeptInWorkArea(QRect(100, 100, 100, 50), work, true, 50), QPoint(100, 100));
    // A work area that does not start at 0 (a panel at the left and top).
    QRect shifted(40, 30, 760, 570);
    EXPECT_EQ(KeptInWorkArea(QRect(0, 0, 100, 50), shifted, true, 0), QPoint(40, 30));
    EXPECT_EQ(KeptInWorkArea(QRect(5000, 5000, 100, 50), shifted, true, 0), QPoint(700, 550));
}

TEST(FormHelpers, KeepReachablePartInWorkArea) {
    QRect work(0, 0, 800, 560);
    // 60 of 100 pixels still inside on the left: enough for a margin of 50.
    EXPECT_EQ(KeptInWorkArea(QRect(-40, 10, 100, 50), work, false, 50), QPoint(-40, 10));
    // Only 40 reachable: back to the left edge.
    EXPECT_EQ(KeptInWorkArea(QRect(-60, 10, 100, 50), work, false, 50), QPoint(0, 10));
    // Right and bottom: more than the margin out is pulled back whole.
    EXPECT_EQ(KeptInWorkArea(QRect(760, 10, 100, 50), work, false, 50), QPoint(700, 10));
    EXPECT_EQ(KeptInWorkArea(QRect(740, 10, 100, 50), work, false, 50), QPoint(740, 10));
    EXPECT_EQ(KeptInWorkArea(QRect(10, 520, 100, 50), work, false, 50), QPoint(10, 510));
    EXPECT_EQ(KeptInWorkArea(QRect(10, -1, 100, 50), work, false, 50), QPoint(10, 0));
}

TEST(FormHelpers, KeepFormInWorkAreaMovesAWindow) {
    QWidget form(nullptr, Qt::FramelessWindowHint);
    form.resize(327, 67);
    QRect work = WorkAreaOf(&form);
    ASSERT_FALSE(work.isEmpty());
    form.move(work.right() + 500, work.bottom() + 500);
    KeepFormInWorkArea(&form, true, 50);
    EXPECT_EQ(form.pos(),
              QPoint(work.left() + work.width() - 327, work.top() + work.height() - 67));
    form.move(work.left() + 10, work.top() + 10);
    KeepFormInWorkArea(&form, true, 50);
    EXPECT_EQ(form.pos(), QPoint(work.left() + 10, work.top() + 10));
}

TEST(FormHelpers, SetEnabledRecursiveGoesOneLevelDeep) {
    QWidget form;
    auto* panel = new QWidget(&form);
    auto* button = new QPushButton(panel);
    auto* direct = new QPushButton(&form);
    button->setEnabled(true);
    SetEnabledRecursive(&form, false);
    EXPECT_FALSE(form.isEnabled());
    EXPECT_TRUE(panel->testAttribute(Qt::WA_ForceDisabled));
    EXPECT_TRUE(direct->testAttribute(Qt::WA_ForceDisabled));
    // The grandchild was not set itself (it is only disabled through its parent).
    EXPECT_FALSE(button->testAttribute(Qt::WA_ForceDisabled));
    SetEnabledRecursive(&form, true);
    EXPECT_TRUE(panel->isEnabled());
    EXPECT_TRUE(button->isEnabled());
}

TEST(FormHelpers, ConfirmTwice) {
    {
        FakeMessageBoxesGuard boxes;
        EXPECT_TRUE(ConfirmTwice("", "Delete %d items?", 5));
        EXPECT_TRUE(boxes->Boxes.empty());
    }
    {
        FakeMessageBoxesGuard boxes;
        boxes->Answers = {mrNo};
        EXPECT_FALSE(ConfirmTwice("Delete?", "Delete %d items?", 5));
        EXPECT_EQ(boxes->Boxes.size(), 1u);
        EXPECT_EQ(boxes->Boxes[0].type, mtConfirmation);
        EXPECT_EQ(boxes->Boxes[0].buttons, mbYesNo);
    }
    {
        FakeMessageBoxesGuard boxes;
        boxes->Answers = {mrYes};
        EXPECT_TRUE(ConfirmTwice("Delete?", "Delete %d items?", 1)); // asks once
        EXPECT_EQ(boxes->Boxes.size(), 1u);
    }
    {
        FakeMessageBoxesGuard boxes;
        boxes->Answers = {mrYes, mrNo};
        EXPECT_FALSE(ConfirmTwice("Delete?", "Delete %d items (100%%)? %s", 3));
        ASSERT_EQ(boxes->Boxes.size(), 2u);
        EXPECT_EQ(boxes->Boxes[1].text, "Delete 3 items (100%)? %s");
    }
    {
        FakeMessageBoxesGuard boxes;
        boxes->Answers = {mrYes, mrYes};
        EXPECT_TRUE(ConfirmTwice("Delete?", "Really %d?", -1)); // asked as it stands
        ASSERT_EQ(boxes->Boxes.size(), 2u);
        EXPECT_EQ(boxes->Boxes[1].text, "Really %d?");
    }
}

TEST(FormHelpers, ClipboardText) {
    CopyTextToClipboard("Reminder: call mom");
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "Reminder: call mom");
    CopyTextToClipboard("Übung");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("Übung"));
}

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

#include "app/frmopenclosedhours.h"
#include "app/frmradiochoice.h"
#include "core/windows/openclosedplaces.h"
#include "dialogtestutil.h"
#include "fakemessageboxes.h"

TEST(OpenClosedHoursDialog, LayoutAndButtonsWorkOnTheDialogsCopy) {
    TfrmOpenClosedHrs d;
    EXPECT_EQ(d.windowTitle(), "Active hours");
    EXPECT_EQ(d.size(), QSize(470, 528));
    EXPECT_EQ(d.Grid().parentWidget(), d.pnlPlacesHoursGrid);
    EXPECT_EQ(d.Grid().Schedule(), &d.Schedule());
    EXPECT_EQ(d.pnlPlHrTime->findChildren<QLabel*>().size(), 24);
    EXPECT_EQ(d.pnlPlHrDays->findChildren<QLabel*>().size(), 7);
    EXPECT_EQ(d.pnlPlHrDays->findChildren<QLabel*>()[0]->x() >= 71, true);
    EXPECT_TRUE(d.chLockEditing->isHidden());
    EXPECT_TRUE(d.btnOK->isDefault());

    d.btnAlwaysClosed->click();
    EXPECT_FALSE(d.Schedule().GetSlot(3, 100));
    d.btnInverse->click();
    EXPECT_TRUE(d.Schedule().GetSlot(3, 100));
    d.Schedule().SetCell(1, 36, false);
    d.btnAlwaysOpen->click();
    EXPECT_TRUE(d.Schedule().GetCell(1, 36));

    FakeMessageBoxesGuard boxes;
    d.Schedule().SetAllClosed();
    d.btnExplainPlaceHous->click();
    ASSERT_EQ(boxes->Boxes.size(), 1u);
    EXPECT_EQ(boxes->Boxes[0].text, "Always closed");
    EXPECT_EQ(boxes->Boxes[0].type, mtInformation);
    d.Schedule().SetCell(1, 36, true);
    d.Schedule().SetCell(2, 36, true);
    d.btnExplainPlaceHous->click();
    EXPECT_EQ(boxes->Boxes[1].text.rfind("Open hours:\n", 0), 0u) << boxes->Boxes[1].text;
    EXPECT_EQ(boxes->Boxes[1].text.find('\r'), std::string::npos);
}

TEST(OpenClosedHoursDialog, OkCopiesBackAndCancelLeavesTheSchedule) {
    TTaskPlaceOpenCloseSchedule schedule;
    schedule.SetCell(2, 10, false);
    OnModal<TfrmOpenClosedHrs>([](TfrmOpenClosedHrs& d) {
        EXPECT_FALSE(d.Schedule().GetCell(2, 10)); // a copy of the caller's
        d.btnAlwaysClosed->click();
        d.btnCancel->click();
    });
    EXPECT_FALSE(ShowOpenClosedHoursDialog(schedule));
    EXPECT_TRUE(schedule.GetCell(0, 0));

    OnModal<TfrmOpenClosedHrs>([](TfrmOpenClosedHrs& d) {
        // Monday is column 0: a click on its first cell closes it.
        QTest::mouseClick(&d.Grid(), Qt::LeftButton, {},
                          TOpenClosedPlaces::CellRect(0, 0).center());
        d.btnOK->click();
    });
    EXPECT_TRUE(ShowOpenClosedHoursDialog(schedule));
    EXPECT_FALSE(schedule.GetCell(1, 0));
    EXPECT_FALSE(schedule.GetCell(2, 10));
    EXPECT_TRUE(schedule.GetCell(1, 1));
}

TEST(RadioChoice, ReturnsTheCheckedAnswerOnlyOnOk) {
    TRadioChoice plain;
    EXPECT_EQ(plain.size(), QSize(427, 114));
    EXPECT_TRUE(plain.rbRadioButton1->isChecked());
    EXPECT_TRUE(plain.cbDoNotAskAgain->isHidden());

    bool doNotAsk = false;
    OnModal<TRadioChoice>([](TRadioChoice& d) {
        EXPECT_EQ(d.windowTitle(), "Dismiss");
        EXPECT_EQ(d.lbMessage->text(), "What now?");
        EXPECT_EQ(d.rbRadioButton0->text(), "This one");
        EXPECT_TRUE(d.rbRadioButton0->isChecked()); // DefaultIndex 0 wins over the layout
        EXPECT_FALSE(d.cbDoNotAskAgain->isHidden());
        EXPECT_TRUE(d.btnOK->isDefault());
        d.cbDoNotAskAgain->setChecked(true);
        d.btnOK->click();
    });
    EXPECT_EQ(
        ShowRadioChoice("Dismiss", "What now?", "This one", "All", doNotAsk, 0, 0, true, true), 0);
    EXPECT_TRUE(doNotAsk);

    // Cancel and the close box give -1 and leave DoNotAsk alone.
    OnModal<TRadioChoice>([](TRadioChoice& d) {
        d.cbDoNotAskAgain->setChecked(false);
        d.btnCancel->click();
    });
    EXPECT_EQ(ShowRadioChoice("c", "m", "a", "b", doNotAsk, 1, 0, true, true), -1);
    EXPECT_TRUE(doNotAsk);
    OnModal<TRadioChoice>([](TRadioChoice& d) { d.close(); });
    EXPECT_EQ(ShowRadioChoice("c", "m", "a", "b", doNotAsk, 1, 0, true, true), -1);

    OnModal<TRadioChoice>([](TRadioChoice& d) {
        EXPECT_TRUE(d.rbRadioButton1->isChecked());
        EXPECT_FALSE(d.btnOK->isDefault());
        EXPECT_TRUE(d.cbDoNotAskAgain->isHidden());
        d.btnOK->click();
    });
    EXPECT_EQ(ShowRadioChoiceSimple("c", "m", "a", "b", 1, 0, false), 1);
}

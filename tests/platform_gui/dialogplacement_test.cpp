#include <QApplication>
#include <QDialog>
#include <QScreen>
#include <gtest/gtest.h>

#include "platform/gui/dialogplacement.h"
#include "platform/gui/formhelpers.h"

TEST(DialogPlacement, FramesAreBroughtInsideTheWorkArea) {
    const QRect work(40, 30, 760, 570); // right 799, bottom 599
    const QSize none(0, 0);
    EXPECT_EQ(FrameInWorkArea(QRect(100, 100, 300, 200), none, work), QRect(100, 100, 300, 200));
    // Off the bottom-right corner: moved back whole.
    EXPECT_EQ(FrameInWorkArea(QRect(700, 500, 300, 200), none, work), QRect(500, 400, 300, 200));
    EXPECT_EQ(FrameInWorkArea(QRect(0, 0, 300, 200), none, work), QRect(40, 30, 300, 200));
    // Larger than the work area: made as small as the minimum allows; the caption stays in.
    EXPECT_EQ(FrameInWorkArea(QRect(500, 400, 900, 700), none, work), QRect(40, 30, 760, 570));
    EXPECT_EQ(FrameInWorkArea(QRect(500, 400, 900, 700), QSize(850, 100), work),
              QRect(40, 30, 850, 570));
    EXPECT_EQ(FrameCentredIn(QRect(0, 0, 300, 200), work), QRect(270, 215, 300, 200));
    EXPECT_EQ(FrameCentredIn(QRect(0, 0, 900, 200), work).topLeft(), QPoint(40, 215));
}

TEST(DialogPlacement, AGrowingDialogStaysOnScreen) {
    QDialog d;
    PlaceDialog(&d);
    d.resize(300, 200);
    const QRect work = WorkAreaOf(&d);
    d.show();
    d.move(work.right() - 310, work.bottom() - 210);
    QApplication::processEvents();
    d.resize(400, 300); // a page that widens it
    QApplication::processEvents();
    EXPECT_TRUE(work.contains(d.frameGeometry())) << d.frameGeometry().x();
    EXPECT_EQ(d.size(), QSize(400, 300));

    QDialog centred;
    PlaceDialog(&centred, TDialogPosition::ScreenCentre);
    centred.resize(300, 200);
    centred.show();
    QApplication::processEvents();
    EXPECT_EQ(centred.frameGeometry().center(), work.center());
}

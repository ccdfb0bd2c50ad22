// Renders the alert windows and checks what breaks visibly: size, text, glyphs, icon.
// With TOCKWELL_SHOTS set to a folder the images are saved there for a look.
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTreeWidget>
#include <QWidget>
#include <gtest/gtest.h>

#include "alerttestutil.h"
#include "core/tockwelldb.h"
#include "core/windows/reminderswnd.h"
#include "core/windows/transparentmsgbox.h"
#include "fakealertwindows.h"
#include "gui/guitestutil.h"
#include "platform/gui/qtcolors.h"
#include "testutil.h"

namespace {

bool Bluish(const QColor& c) {
    return c.blue() > 150 && c.red() < 120 && c.green() < 120;
}

} // namespace

TEST(Screenshots, DesktopAlertThemedAndClassic) {
    TempRegistry registry;
    for (bool themed : {true, false}) {
        ThemesGuard themes(themed);
        TTranspMsgBoxManager manager;
        manager.AddMessage("Dentist appointment at 10:30 - bring the insurance card and the "
                           "letter from the clinic",
                           nullptr, nullptr);
        TTransparentMsgBox* box = manager.Current();
        QImage img = box->grab().toImage().convertToFormat(QImage::Format_RGB32);
        SaveShot(img, themed ? "alert-themed.png" : "alert-classic.png");
        EXPECT_EQ(img.size(), QSize(327, 67));
        // The message is written in blue inside its label, on two lines.
        QRect text = box->lbMessage->geometry();
        EXPECT_GT(CountPixels(img, text, Bluish), 100);
        EXPECT_GT(CountPixels(img, text.adjusted(0, 16, 0, 0), Bluish), 40);
        EXPECT_EQ(CountPixels(img, QRect(1, 48, 34, 17), Bluish), 0); // below the icon
        // The close cross and the icon are drawn.
        QRect cross = box->sbClose->geometry();
        EXPECT_GT(CountPixels(img, cross, [](QColor c) { return c == QColor(64, 64, 64); }), 8);
        QRect icon = box->Image1->geometry();
        EXPECT_GT(CountPixels(img, icon, [](QColor c) { return c.blue() > c.red() + 40; }), 10);
        // The top band shades from the caption colour.
        EXPECT_EQ(QColor(img.pixel(1, 3)), ColorToQColor(clActiveCaption));
    }
}

TEST(Screenshots, SpeedButtons) {
    QImage sheet(4 * 70, 2 * 30, QImage::Format_RGB32);
    sheet.fill(ColorToQColor(clBtnFace));
    int row = 0;
    for (bool themed : {true, false}) {
        ThemesGuard themes(themed);
        QWidget parent;
        parent.resize(280, 30);
        parent.setPalette(SystemPalette());
        parent.setAutoFillBackground(true);
        const char* captions[] = {"&Open", "Down", "Drop", "Off"};
        for (int i = 0; i < 4; ++i) {
            auto* b = new TSpeedButtonEnh(&parent);
            b->setGeometry(i * 70 + 4, 4, 62, 22);
            b->SetCaption(captions[i]);
            if (i == 1) {
                b->SetGroupIndex(1);
                b->SetDown(true);
            }
            if (i == 2)
                b->SetDropDownWidth(12);
            if (i == 3)
                b->setEnabled(false);
        }
        QImage img = parent.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QPainter p(&sheet);
        p.drawImage(0, row * 30, img);
        // Every button shows its caption in dark ink (the disabled one in grey).
        for (int i = 0; i < 4; ++i) {
            QRect face(i * 70 + 10, 8, 50, 14);
            int ink = CountPixels(img, face, [](QColor c) { return c.value() < 140; });
            EXPECT_GT(ink, 10) << "button " << i << (themed ? " themed" : " classic");
        }
        ++row;
    }
    SaveShot(sheet, "speedbuttons.png");
}

TEST(Screenshots, RemindersWindow) {
    TempRegistry registry;
    FakeAlertEnvironment env;
    const TDateTime t0 = EncodeDateTime(2024, 3, 4, 9, 0, 0, 0);
    FixedClock clock(t0);
    TTockwellDB db;
    auto wnd = std::make_shared<TfrmRemindersWnd>();
    SetRemindersWindow(wnd);
    for (const char* caption : {"Dentist appointment", "Call the plumber", "Pay the rent"}) {
        TTockwellItemPtr item = db.AddNew(caption, t0);
        item->GetReminder().CheckAlert(item, t0);
    }
    wnd->ProcessPendingAlertActions();
    db.GetItem(0)->GetReminder().SetNextAlertDateTime(t0 + 1);
    clock.Set(t0 + 25 * OneMinute);
    wnd->lvReminders->setCurrentItem(wnd->lvReminders->topLevelItem(0));
    wnd->RefreshRows();

    // On a real display (xvfb-run with QT_QPA_PLATFORM=xcb) the screen itself is captured.
    QImage img;
    if (QGuiApplication::platformName() == "xcb") {
        wnd->ShowAndActivate();
        for (int i = 0; i < 20; ++i) {
            QCoreApplication::processEvents();
            QThread::msleep(10);
        }
        QRect r = wnd->geometry();
        img = wnd->screen()->grabWindow(0, r.x(), r.y(), r.width(), r.height()).toImage();
    } else {
        img = wnd->grab().toImage();
    }
    img = img.convertToFormat(QImage::Format_RGB32);
    SaveShot(img, "reminders.png");
    ASSERT_EQ(img.size(), QSize(459, 296));
    // Text is what differs clearly from the background at the area's top-left corner.
    auto ink = [&](QRect area) {
        const QColor bg(img.pixel(area.topLeft()));
        return CountPixels(img, area, [&](QColor c) {
            return std::abs(c.red() - bg.red()) + std::abs(c.green() - bg.green()) +
                       std::abs(c.blue() - bg.blue()) >
                   200;
        });
    };
    EXPECT_GT(ink(wnd->lbTaskCaption->geometry()), 60); // bold caption
    EXPECT_GT(ink(wnd->lbTaskDue->geometry()), 40);
    EXPECT_GT(ink(wnd->lbNextAlert->geometry()), 40);
    EXPECT_GT(ink(wnd->btnDismiss->geometry().adjusted(3, 3, -3, -3)), 20);
    EXPECT_GT(ink(wnd->btnSnooze->geometry().adjusted(3, 3, -3, -3)), 20);
    // Three rows with their due texts, and nothing below the last row.
    QTreeWidget* lv = wnd->lvReminders;
    const QPoint origin = lv->viewport()->mapTo(wnd.get(), QPoint(0, 0));
    for (int row = 0; row < 3; ++row) {
        QRect subject = lv->visualItemRect(lv->topLevelItem(row)).translated(origin);
        subject.setWidth(270);
        QRect due = subject.translated(280, 0);
        due.setWidth(110);
        EXPECT_GT(ink(subject), 30) << "row " << row;
        EXPECT_GT(ink(due), 30) << "row " << row;
    }
    QRect below = lv->visualItemRect(lv->topLevelItem(2)).translated(origin);
    below.moveTop(below.bottom() + 4);
    EXPECT_EQ(ink(below), 0);
    wnd->hide();
}

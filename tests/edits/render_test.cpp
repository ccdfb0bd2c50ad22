// One picture of each control for a look: with TOCKWELL_RENDER_DIR set, a sheet of the plain
// edit (cue text and label), the edit with button (themed and classic) and the open date
// picker is saved there at three times the size. The checks hold on any platform.
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include "controls/edits/agendadatepicker.h"
#include "edittestutil.h"
#include "platform/gui/themes.h"
#include "testutil.h"

namespace {

QImage Scaled(const QImage& image) {
    return image.scaled(image.size() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

} // namespace

TEST(EditRender, SheetOfTheControls) {
    FixedClock clock(D(2026, 3, 15) + 0.5);
    Host host;
    host.resize(460, 330);

    auto* plain = new TEnhEdit(&host);
    plain->setGeometry(90, 10, 160, 21);
    plain->SetEmptyText("None");
    plain->SetLabelCaption("From:");
    plain->SetLabelPosition(lpLeftCenter);
    plain->show();

    auto* themed = new TEnhEditBtn(&host);
    themed->setGeometry(90, 40, 160, 21);
    themed->SetButtonStyle(bsDropDown);
    themed->SetText("themed drop-down");
    themed->show();

    auto* push = new TEnhEditBtn(&host);
    push->setGeometry(270, 40, 170, 21);
    push->SetButtonWidth(30);
    push->SetButtonCaption("...");
    push->SetText("push button");
    push->show();

    auto* picker = new TAgendaDatePicker(&host);
    picker->SetDateFormat(EnglishFormatSettings());
    picker->setGeometry(90, 100, 160, 21);
    picker->show();
    auto* focus = new QWidget(&host); // keeps the focus off the cue-text edit
    focus->setFocusPolicy(Qt::StrongFocus);
    focus->setGeometry(0, 0, 1, 1);
    focus->setFocus();
    picker->SetDate(D(2026, 3, 20));

    QImage top = host.grab(QRect(0, 0, 460, 70)).toImage();
    QImage middle;
    {
        ThemesGuard themesOff(false);
        auto* classic = new TEnhEditBtn(&host);
        classic->setGeometry(90, 70, 160, 21);
        classic->SetButtonStyle(bsDropDown);
        classic->SetText("classic drop-down");
        classic->show();
        auto* classicPush = new TEnhEditBtn(&host);
        classicPush->setGeometry(270, 70, 170, 21);
        classicPush->SetButtonWidth(30);
        classicPush->SetButtonCaption("...");
        classicPush->SetText("classic button");
        classicPush->show();
        middle = host.grab(QRect(0, 70, 460, 25)).toImage();
    }

    picker->DropDown();
    ASSERT_TRUE(picker->PopupShown());
    QApplication::processEvents();
    QImage popup = picker->Popup().grab().toImage();
    QImage bottom = host.grab(QRect(0, 95, 460, 30)).toImage();
    EXPECT_EQ(popup.size(), QSize(180, 180));

    QImage sheet(460, 70 + 25 + 30 + 185, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    {
        QPainter p(&sheet);
        p.drawImage(0, 0, top);
        p.drawImage(0, 70, middle);
        p.drawImage(0, 95, bottom);
        p.drawImage(88, 125, popup); // where the pop-up stands under the picker
    }
    const char* dir = std::getenv("TOCKWELL_RENDER_DIR");
    if (dir) {
        Scaled(sheet).save(QString(dir) + "/edits_sheet.png");
        // What the screen shows (on a real X server): the window with the pop-up over it.
        QTest::qWait(100);
        QPoint origin = host.mapToGlobal(QPoint(0, 0));
        QPixmap screen = host.screen()->grabWindow(0, origin.x(), origin.y(), 460, 330);
        Scaled(screen.toImage()).save(QString(dir) + "/edits_screen.png");
    }
    picker->CloseUp();
}

TEST(EditRender, OpenLookupList) {
    Host host;
    auto* edit = new TEnhEdit(&host);
    edit->setGeometry(20, 20, 160, 21);
    edit->show();
    edit->Lookup().Enabled = true;
    for (const char* s : {"Amsterdam", "Ankara", "Antwerp", "Athens", "Austin", "Berlin"})
        edit->Lookup().DisplayList.Add(s);
    edit->setFocus();
    QTest::keyClicks(edit, "A");
    QTest::keyClick(edit, Qt::Key_N);
    ASSERT_TRUE(edit->LookupShown());
    QImage list = edit->LookupWindow()->grab().toImage();
    EXPECT_EQ(list.height(), 2 * 12 + 4);
    const char* dir = std::getenv("TOCKWELL_RENDER_DIR");
    if (dir) {
        QImage sheet(220, 80, QImage::Format_RGB32);
        sheet.fill(Qt::white);
        QPainter p(&sheet);
        p.drawImage(0, 0, host.grab(QRect(0, 0, 220, 45)).toImage());
        QPoint at = edit->LookupWindow()->pos() - host.mapToGlobal(QPoint(0, 0));
        p.drawImage(at, list);
        p.end();
        Scaled(sheet).save(QString(dir) + "/edits_lookup.png");
    }
}

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/frmabout.h"
#include "app/frmopenurlconfirm.h"
#include "core/filehelpers.h"
#include "fakemessageboxes.h"
#include "fakeshell.h"
#include "gui/guitestutil.h"

namespace {

// The opacity steps the box goes through, one per tick, until its timer stops or it closes.
std::vector<int> TickUntilStopped(TAboutDlg* box, int maxTicks = 60) {
    QPointer<TAboutDlg> guard(box);
    std::vector<int> steps;
    for (int i = 0; i < maxTicks && guard && guard->Timer1().isActive(); ++i) {
        guard->Timer1Timer();
        steps.push_back(guard ? guard->AlphaBlendValue() : -1);
        if (guard && !guard->isVisible())
            steps.back() = -1; // closed
    }
    return steps;
}

// Runs the event loop once so that a box closed with WA_DeleteOnClose is gone.
void FlushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

TEST(AboutDlg, FadesInHoldsAndFadesOutWhenClosed) {
    ThemesGuard themes(true);
    QWidget owner;
    owner.show();
    TAboutDlg* box = ShowAbout(&owner, true);
    ASSERT_TRUE(box);
    EXPECT_EQ(AboutDlg(), box);
    EXPECT_EQ(box->windowTitle(), "About  Fernhollow - Tockwell");
    EXPECT_EQ(box->size(), QSize(392, 196));
    EXPECT_TRUE(box->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(box->lbVersion().text().toStdString(), GetOwnFileVersion(true));
    EXPECT_EQ(box->lbURL().text(), "https://tockwell.org/");
    EXPECT_EQ(box->lbSupportEMail().text(), "support@tockwell.org");
    EXPECT_EQ(box->lbURL().toolTip(), "Check application web site for updates");
    EXPECT_EQ(box->lbSupportEMail().toolTip(), "Send e-mail with your feedback");
    EXPECT_EQ(box->Timer1().interval(), 100);

    // Shown transparent, the owner disabled, the timer running.
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->AlphaBlendValue(), 0);
    EXPECT_DOUBLE_EQ(box->windowOpacity(), 0.0);
    EXPECT_FALSE(owner.isEnabled());
    EXPECT_TRUE(box->Timer1().isActive());

    // Fading in: 55 a tick up to full opacity, where it holds with the timer stopped.
    EXPECT_EQ(TickUntilStopped(box), (std::vector<int>{55, 110, 165, 220, 255}));
    EXPECT_EQ(box->FadeState(), TAboutDlg::fsHolding);
    EXPECT_DOUBLE_EQ(box->windowOpacity(), 1.0);

    // One box at a time.
    EXPECT_EQ(ShowAbout(nullptr, false), box);

    // Close: 100 a tick down, then the box closes and the owner is usable again.
    QTest::mouseClick(&box->Button1(), Qt::LeftButton);
    EXPECT_EQ(box->FadeState(), TAboutDlg::fsFadingOut);
    EXPECT_EQ(TickUntilStopped(box), (std::vector<int>{155, 55, -1}));
    EXPECT_EQ(AboutDlg(), nullptr);
    EXPECT_TRUE(owner.isEnabled());
    QPointer<TAboutDlg> gone(box);
    FlushDeletes();
    EXPECT_TRUE(gone.isNull());
}

TEST(AboutDlg, CloseWhileFadingInStartsFromFullOpacity) {
    ThemesGuard themes(true);
    TAboutDlg* box = ShowAbout(nullptr, false);
    EXPECT_FALSE(box->windowFlags() & Qt::WindowStaysOnTopHint);
    box->Timer1Timer();
    box->Timer1Timer();
    EXPECT_EQ(box->AlphaBlendValue(), 110);
    QTest::keyClick(box, Qt::Key_Escape); // Close is the cancel button
    EXPECT_EQ(box->AlphaBlendValue(), 255);
    EXPECT_EQ(TickUntilStopped(box), (std::vector<int>{155, 55, -1}));
    FlushDeletes();
}

TEST(AboutDlg, WithoutVisualStylesClosesAtOnce) {
    ThemesGuard themes(false);
    QWidget owner;
    TAboutDlg* box = ShowAbout(&owner, false);
    TickUntilStopped(box);
    box->Button1Click();
    EXPECT_EQ(AboutDlg(), nullptr);
    EXPECT_TRUE(owner.isEnabled());
    FlushDeletes();
}

TEST(AboutDlg, AHoldingBoxWhoseTimerRunsFadesOutAfterThirtyTicks) {
    ThemesGuard themes(true);
    TAboutDlg* box = ShowAbout(nullptr, false);
    TickUntilStopped(box);
    box->Timer1().start();
    for (int i = 0; i < 29; ++i)
        box->Timer1Timer();
    EXPECT_EQ(box->FadeState(), TAboutDlg::fsHolding);
    EXPECT_EQ(box->TickCount(), 29);
    box->Timer1Timer();
    EXPECT_EQ(box->FadeState(), TAboutDlg::fsFadingOut);
    EXPECT_EQ(TickUntilStopped(box), (std::vector<int>{155, 55, -1}));
    FlushDeletes();
}

TEST(AboutDlg, LinksOpenTheWebSiteAndASupportMailThroughTheShell) {
    FakeShell shell;
    FakeMessageBoxesGuard boxes;
    TAboutDlg* box = ShowAbout(nullptr, false);
    QTest::mouseClick(&box->lbURL(), Qt::LeftButton);
    QTest::mouseClick(&box->lbSupportEMail(), Qt::LeftButton);
    EXPECT_EQ(shell.Opened,
              (std::vector<std::string>{"https://tockwell.org/",
                                        "mailto:support@tockwell.org?subject=Tockwell support"}));
    EXPECT_EQ(box->lbURL().cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(boxes->Boxes.empty());

    // A shell that cannot open the link says so.
    shell.Result = false;
    box->lbURLClick();
    ASSERT_EQ(boxes->Boxes.size(), 1u);
    EXPECT_EQ(boxes->Boxes[0].text,
              "Could not start the program that opens \"https://tockwell.org/\".");
    box->close();
    FlushDeletes();
}

TEST(OpenURLConfirm, OpensFirstThenOffersTheAddressForCopying) {
    FakeShell shell;
    bool checked = false;
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<TfrmOpenURLConfirm*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dlg);
        // The page went to the shell before the dialog came up.
        EXPECT_EQ(shell.Opened, std::vector<std::string>{"https://tockwell.org/download/"});
        EXPECT_EQ(dlg->windowTitle(), "Open URL in the Internet browser");
        EXPECT_EQ(dlg->lbMessage().text(),
                  "Your Internet browser should open a web page with further instructions. If it "
                  "does not then copy & past the URL into browser's address bar.");
        EXPECT_EQ(dlg->memURL().toPlainText(), "https://tockwell.org/download/");
        EXPECT_TRUE(dlg->memURL().isReadOnly());
        // The address panel starts hidden.
        EXPECT_TRUE(dlg->pnlURL().isHidden());
        EXPECT_EQ(dlg->size(), QSize(404, 201 - 111));
        EXPECT_EQ(dlg->btnShowURL().text(), "Show &URL >>");
        QTest::mouseClick(&dlg->btnShowURL(), Qt::LeftButton);
        EXPECT_FALSE(dlg->pnlURL().isHidden());
        EXPECT_EQ(dlg->size(), QSize(404, 201));
        EXPECT_EQ(dlg->btnShowURL().text(), "Hide &URL <<");
        EXPECT_GT(dlg->btnCancel().y(), dlg->pnlURL().geometry().bottom());
        QTest::mouseClick(&dlg->Button1(), Qt::LeftButton);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), "https://tockwell.org/download/");
        EXPECT_TRUE(dlg->btnCancel().isDefault());
        checked = true;
        QTest::mouseClick(&dlg->btnCancel(), Qt::LeftButton);
    });
    EXPECT_TRUE(ConfirmAndOpenURL("https://tockwell.org/download/"));
    EXPECT_TRUE(checked);

    // A message of the caller's replaces the default one; a shell that fails is reported.
    shell.Result = false;
    QString message;
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<TfrmOpenURLConfirm*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dlg);
        message = dlg->lbMessage().text();
        dlg->accept();
    });
    EXPECT_FALSE(ConfirmAndOpenURL("https://tockwell.org/", "Read the release notes."));
    EXPECT_EQ(message, "Read the release notes.");
}

// Renders both windows: every label's text fits its label, and the links are drawn in blue.
// With TOCKWELL_SHOTS set to a folder the images are saved there for a look.
TEST(AboutDlg, RenderedTextFitsAndLinksAreBlue) {
    TAboutDlg* box = ShowAbout(nullptr, false);
    TickUntilStopped(box);
    QImage img = box->grab().toImage().convertToFormat(QImage::Format_RGB32);
    SaveShot(img, "about.png");
    for (QLabel* label : box->findChildren<QLabel*>()) {
        if (label->pixmap().isNull()) {
            EXPECT_LE(label->sizeHint().width(), label->width()) << label->text().toStdString();
        }
    }
    auto blue = [](const QColor& c) { return c.blue() > 150 && c.red() < 100 && c.green() < 100; };
    EXPECT_GT(CountPixels(img, box->lbURL().geometry(), blue), 50);
    EXPECT_GT(CountPixels(img, box->lbSupportEMail().geometry(), blue), 50);
    box->close();
    FlushDeletes();

    TfrmOpenURLConfirm dlg;
    dlg.memURL().setPlainText("https://tockwell.org/download/");
    dlg.show();
    SaveShot(dlg.grab().toImage(), "openurl-shown.png");
    dlg.btnShowURLClick();
    SaveShot(dlg.grab().toImage(), "openurl-hidden.png");
    EXPECT_LT(dlg.lbMessage().geometry().bottom(), dlg.btnShowURL().y());
    EXPECT_LE(dlg.lbMessage().heightForWidth(dlg.lbMessage().width()), dlg.lbMessage().height());
    for (QPushButton* b : dlg.findChildren<QPushButton*>())
        EXPECT_LE(b->sizeHint().width(), b->width()) << b->text().toStdString();
}

TEST(AboutDlg, AnOwnerThatGoesFirstIsLeftAlone) {
    ThemesGuard themes(false);
    auto owner = std::make_unique<QWidget>();
    TAboutDlg* box = ShowAbout(owner.get(), false);
    EXPECT_FALSE(owner->isEnabled());
    owner.reset();
    box->Button1Click(); // closes without touching the owner that is gone
    EXPECT_EQ(AboutDlg(), nullptr);
    FlushDeletes();
}

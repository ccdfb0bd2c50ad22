#include <QAbstractButton>
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <gtest/gtest.h>

#include "fakemessageboxes.h"
#include "platform/gui/application.h"
#include "platform/gui/messageboxes.h"
#include "platform/gui/windowmessages.h"
#include "platform/sysutils.h"

TEST(MessageBoxes, DialogsAreCaptionedByTheirKindAndAnswered) {
    FakeMessageBoxesGuard boxes;
    boxes->Answers = {mrNo, mrYes};
    EXPECT_EQ(MessageDlg("Delete?", mtConfirmation, mbYesNo), mrNo);
    EXPECT_EQ(MessageDlg("Invalid day. Should be in [1..31]", mtError, Buttons(mbOK)), mrYes);
    EXPECT_EQ(MessageDlg("Note", mtCustom, Buttons(mbOK)), mrOk);
    ASSERT_EQ(boxes->Boxes.size(), 3u);
    EXPECT_EQ(boxes->Boxes[0].caption, "Confirm");
    EXPECT_EQ(boxes->Boxes[0].buttons, Buttons(mbYes) | Buttons(mbNo));
    EXPECT_EQ(boxes->Boxes[1].caption, "Error");
    EXPECT_EQ(boxes->Boxes[1].type, mtError);
    EXPECT_EQ(boxes->Boxes[2].caption, "Tockwell");
}

TEST(MessageBoxes, ExceptionsGetAFullStop) {
    FakeMessageBoxesGuard boxes;
    ShowException(Exception("Invalide snooze time"));
    ShowException(std::string("Clipboard error."));
    ShowException(std::string("Continue?"));
    ShowException(std::string(""));
    EXPECT_EQ(boxes->Errors, (std::vector<std::string>{"Invalide snooze time.", "Clipboard error.",
                                                       "Continue?", ""}));
}

namespace {

class Thrower : public QObject {
protected:
    void customEvent(QEvent* e) override {
        if (TMessageEvent* m = AsMessage(e)) {
            if (m->WParam == 1)
                throw Exception("Can not play reminder sound: broken");
            throw 7;
        }
    }
};

} // namespace

TEST(MessageBoxes, ExceptionsReachingTheEventLoopShowTheErrorBox) {
    ASSERT_NE(qobject_cast<TApplication*>(qApp), nullptr);
    FakeMessageBoxesGuard boxes;
    Thrower t;
    PostWindowMessage(&t, WM_HIDE_TO_TRAY, 1);
    PostWindowMessage(&t, WM_HIDE_TO_TRAY, 2);
    ProcessPendingMessages(); // does not throw
    EXPECT_EQ(boxes->Errors,
              (std::vector<std::string>{"Can not play reminder sound: broken.", "Unknown error."}));
    bool ran = false;
    CallGuarded([&] {
        ran = true;
        throw Exception("x");
    });
    EXPECT_TRUE(ran);
    EXPECT_EQ(boxes->Errors.back(), "x.");
}

TEST(MessageBoxes, RealBoxAnswersWithThePressedButton) {
    // The Qt box, answered by a timer that presses its No button.
    SetMessageBoxes(nullptr);
    QTimer::singleShot(50, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w))
                box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(MessageDlg("Really?", mtConfirmation, mbYesNo), mrNo);
}

TEST(MessageBoxes, RealBoxesAreWideEnoughForTheirTitle) {
    SetMessageBoxes(nullptr);
    // Each box's width as it opens; OK closes it.
    std::vector<int> widths;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            widths.push_back(box->width());
            box->button(QMessageBox::Ok)->click();
        }
    });
    poll.start(5);
    QFont bold = QApplication::font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    // The title whole, and room beside it for the frame's icon and three buttons.
    auto needed = [&](const QString& title) {
        return metrics.horizontalAdvance(title) + 4 * metrics.height();
    };
    const QString title = "Reminder of the yearly check-up";
    MessageBoxes().MessageBox("OK", title.toStdString(), mtInformation, Buttons(mbOK));
    MessageBoxes().ErrorBox("x");
    MessageBoxes().MessageBox("OK", std::string(400, 'W'), mtWarning, Buttons(mbOK));
    ASSERT_EQ(widths.size(), 3u);
    EXPECT_GE(widths[0], needed(title));
    EXPECT_GE(widths[1], needed(QCoreApplication::applicationName()));
    EXPECT_LE(widths[2], QApplication::primaryScreen()->availableGeometry().width());
}

TEST(MessageBoxes, RealBoxesShowMarkupAsTyped) {
    SetMessageBoxes(nullptr);
    const QString text = "Call <b>Kim</b><br><a href=\"file:///etc\">home</a>";
    int shownWidth = 0;
    QTimer::singleShot(50, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        auto* label = box->findChild<QLabel*>("qt_msgbox_label");
        label->setWordWrap(false); // its natural width: that of its one line
        shownWidth = label->sizeHint().width();
        box->button(QMessageBox::Ok)->click();
    });
    MessageBoxes().ErrorBox(text.toStdString());
    // One line with every tag in it: no bold, no break, no link to follow.
    EXPECT_GE(shownWidth, QFontMetrics(QApplication::font()).horizontalAdvance(text));
}

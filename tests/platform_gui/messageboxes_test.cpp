#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
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
    // What openbox's default theme needs to show a title whole in a dialog's title bar: the
    // title in its font (sans, 8 points, bold) and 104 pixels beside it for the frame's icon,
    // three buttons and the space around them (measured under Xvfb, where the window-manager
    // tests look at a box's title bar).
    QFont titleFont("Sans");
    titleFont.setPointSize(8);
    titleFont.setBold(true);
    auto needed = [&](const QString& title) {
        return QFontMetrics(titleFont).horizontalAdvance(title) + 104;
    };
    const QString title = "Reminder of the yearly check-up";
    MessageBoxes().MessageBox("OK", title.toStdString(), mtInformation, Buttons(mbOK));
    MessageBoxes().ErrorBox("x");
    MessageBoxes().MessageBox("OK", std::string(400, 'W'), mtWarning, Buttons(mbOK));
    ASSERT_EQ(widths.size(), 3u);
    EXPECT_GE(widths[0], needed(title));
    EXPECT_GE(widths[1], needed(QCoreApplication::applicationName()));
    const int screenWidth = QApplication::primaryScreen()->availableGeometry().width();
    EXPECT_LT(widths[1], screenWidth / 3); // a short title and text: a narrow box
    EXPECT_LE(widths[2], screenWidth);
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

TEST(MessageBoxes, TextsAreCutToTheLinesTheyMayTake) {
    const QFont font = QApplication::font();
    const QFontMetrics metrics(font);
    const int width = 300, lines = 5;
    // The lines a label of that width shows.
    auto shown = [&](const QString& text) {
        return metrics.boundingRect(QRect(0, 0, width, 100000), Qt::TextWordWrap, text).height() /
               metrics.lineSpacing();
    };
    const std::string fits = "Can not run \"backup\".\n\nCheck its path.";
    EXPECT_EQ(FitTextToLines(fits, font, width, lines).toStdString(), fits);

    std::string words;
    while (words.size() < 100000)
        words += "Pay the rent and call the landlord about the heating, ";
    const QString cut = FitTextToLines(words, font, width, lines);
    EXPECT_TRUE(cut.endsWith("...")) << cut.toStdString();
    EXPECT_EQ(shown(cut), lines);
    EXPECT_FALSE(cut.contains('\n')); // broken where words break, as the label breaks them

    // A word wider than a line is broken inside, the line kept from growing.
    const QString word = FitTextToLines(std::string(10'000'000, 'W') + " end", font, width, lines);
    const QStringList parts = word.split('\n');
    EXPECT_EQ(parts.size(), lines);
    for (const QString& part : parts)
        EXPECT_LE(metrics.horizontalAdvance(part), width);
    EXPECT_TRUE(word.endsWith("W...")) << word.toStdString();
    EXPECT_EQ(shown(word), lines);
}

TEST(MessageBoxes, RealBoxesOfLongTextsFitTheScreenAndOpenAtOnce) {
    SetMessageBoxes(nullptr);
    struct Seen {
        QRect frame;
        QString text;
        qint64 ms;
    };
    std::vector<Seen> seen;
    QElapsedTimer since;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seen.push_back({box->frameGeometry(), box->text(), since.elapsed()});
            box->button(QMessageBox::Ok)->click();
        }
    });
    poll.start(5);
    std::string caption;
    while (caption.size() < 100'000)
        caption += "Renew the passport at the town hall ";
    for (const std::string& text :
         {std::string("Short"), "\"" + caption + "\"", std::string(10'000'000, 'x')}) {
        since.start();
        MessageBoxes().MessageBox(text, "Tockwell", mtInformation, Buttons(mbOK));
        MessageBoxes().ErrorBox(text);
    }
    ASSERT_EQ(seen.size(), 6u);
    const QRect screen = QApplication::primaryScreen()->availableGeometry();
    for (size_t i = 2; i < seen.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(screen.contains(seen[i].frame)) << seen[i].frame.height();
        EXPECT_TRUE(seen[i].text.endsWith("..."));
        EXPECT_LT(seen[i].ms, 10 * std::max(seen[0].ms, seen[1].ms) + 1000);
    }
}

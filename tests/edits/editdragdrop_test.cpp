// Drag and drop between edits in one process: the drag is started with mouse events and
// delivered to the target as Qt's drag events, as the platform's drag loop would.
#include <QDragEnterEvent>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include "controls/edits/enhedit.h"
#include "edittestutil.h"

namespace {

// An edit whose drags land on Target at DropIndex (with Ctrl when CtrlDrop).
class DragEdit : public TEnhEdit {
public:
    using TEnhEdit::TEnhEdit;
    TEnhEdit* Target = nullptr;
    int DropIndex = 0;
    bool CtrlDrop = false;
    Qt::DropAction Reported = Qt::IgnoreAction;

    QPoint PointOf(int index) {
        int start = selectionStart(), length = selectionLength(), caret = cursorPosition();
        setCursorPosition(index);
        QPoint p = cursorRect().center();
        if (length > 0)
            setSelection(start, length);
        else
            setCursorPosition(caret);
        return p;
    }

protected:
    Qt::DropAction ExecDrag(const std::string& text, Qt::DropActions allowed) override {
        Reported = Qt::IgnoreAction;
        if (!Target)
            return Reported;
        TSourceDataObject data(text, "");
        QPoint at = static_cast<DragEdit*>(Target)->PointOf(DropIndex);
        Qt::KeyboardModifiers mods = CtrlDrop ? Qt::ControlModifier : Qt::NoModifier;
        QDragEnterEvent enter(at, allowed, &data, Qt::LeftButton, mods);
        QApplication::sendEvent(Target, &enter);
        if (!enter.isAccepted())
            return Reported;
        QDragMoveEvent move(at, allowed, &data, Qt::LeftButton, mods);
        QApplication::sendEvent(Target, &move);
        QDropEvent drop(at, allowed, &data, Qt::LeftButton, mods);
        QApplication::sendEvent(Target, &drop);
        Reported = drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
        return Reported;
    }
};

// Delivers a drop of data at index of target and gives the reported action.
Qt::DropAction DropOn(DragEdit& target, QMimeData& data, int index) {
    QPoint at = target.PointOf(index);
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(&target, &enter);
    if (!enter.isAccepted())
        return Qt::IgnoreAction;
    QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(&target, &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

struct DragFixture : ::testing::Test {
    Host host;
    DragEdit* a = new DragEdit(&host);
    DragEdit* b = new DragEdit(&host);
    void SetUp() override {
        a->setGeometry(10, 10, 200, 21);
        b->setGeometry(10, 50, 200, 21);
        for (DragEdit* e : {a, b}) {
            e->OleDropSource = true;
            e->SetOleDropTarget(true);
            e->show();
        }
    }
    // Selects [from, to) of a and drags it with the mouse.
    void Drag(int from, int to) {
        a->setFocus();
        a->setSelection(from, to - from);
        QPoint inside = (a->PointOf(from) + a->PointOf(from + 1)) / 2;
        QTest::mousePress(a, Qt::LeftButton, {}, inside);
        QTest::mouseMove(a, inside + QPoint(20, 0));
        QTest::mouseRelease(a, Qt::LeftButton, {}, inside + QPoint(20, 0));
    }
};

} // namespace

TEST_F(DragFixture, MoveAndCopyBetweenTwoEdits) {
    a->SetText("hello world");
    b->SetText("say ");
    a->Target = b;
    b->DropIndex = 4;
    a->DropIndex = 4;
    Drag(6, 11);
    EXPECT_EQ(a->Reported, Qt::MoveAction);
    EXPECT_EQ(b->Text(), "say world");
    EXPECT_EQ(a->Text(), "hello ");
    EXPECT_EQ(b->DropCaret(), -1);

    a->SetText("hello world");
    b->SetText("say ");
    a->CtrlDrop = true;
    Drag(0, 5);
    EXPECT_EQ(a->Reported, Qt::CopyAction);
    EXPECT_EQ(b->Text(), "say hello");
    EXPECT_EQ(a->Text(), "hello world");
}

TEST_F(DragFixture, MoveWithinOneEditMovesTheTextOnce) {
    a->SetText("abcdef");
    a->Target = a;
    a->DropIndex = 5; // between e and f
    Drag(2, 4);       // "cd"
    EXPECT_EQ(a->Text(), "abecdf");
    EXPECT_EQ(a->Reported, Qt::CopyAction); // the edit moved it; the source deletes nothing

    a->SetText("abcdef");
    a->DropIndex = 0;
    Drag(3, 5); // "de" to the front
    EXPECT_EQ(a->Text(), "deabcf");

    a->SetText("abcdef");
    a->DropIndex = 3; // inside the dragged "cd": nothing changes
    Drag(2, 4);
    EXPECT_EQ(a->Text(), "abcdef");

    a->SetText("abcdef");
    a->CtrlDrop = true;
    a->DropIndex = 6;
    Drag(0, 2);
    EXPECT_EQ(a->Text(), "abcdefab");
}

TEST_F(DragFixture, PartialAndRefusedDropsReportACopy) {
    b->SetText("x");
    QMimeData twoLines;
    twoLines.setText("first line\r\nsecond line");
    EXPECT_EQ(DropOn(*b, twoLines, 1), Qt::CopyAction);
    EXPECT_EQ(b->Text(), "xfirst line");

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/tmp/a.txt"), QUrl::fromLocalFile("/tmp/b.txt")});
    EXPECT_EQ(DropOn(*b, files, 0), Qt::CopyAction); // accepted, but the files stay where they are
    EXPECT_EQ(b->Text(), "xfirst line");

    QMimeData image;
    image.setData("image/png", QByteArray("\x89PNG", 4));
    EXPECT_EQ(DropOn(*b, image, 0), Qt::IgnoreAction);

    QMimeData whole;
    whole.setText("!");
    EXPECT_EQ(DropOn(*b, whole, 0), Qt::MoveAction);
    EXPECT_EQ(b->Text(), "!xfirst line");

    // Without OleDropTarget the edit takes nothing.
    b->SetOleDropTarget(false);
    EXPECT_EQ(DropOn(*b, whole, 0), Qt::IgnoreAction);
}

TEST_F(DragFixture, DropsLandBetweenPrefixAndSuffix) {
    // A suffix of characters longer than a byte in UTF-8.
    b->SetPrefix("\xE2\x84\x96 "); // "No "
    b->SetSuffix(" \xE2\x82\xAC"); // " EUR"
    b->SetText("12");
    QMimeData digit;
    digit.setText("3");
    DropOn(*b, digit, 4); // at the end of the value
    EXPECT_EQ(b->Text(), "123");
    DropOn(*b, digit, 7); // inside the suffix: at the value's end
    EXPECT_EQ(b->Text(), "1233");
    DropOn(*b, digit, 0); // inside the prefix: at the value's start
    EXPECT_EQ(b->Text(), "31233");
}

TEST(EditDragData, FormatsOfTheDataObject) {
    TSourceDataObject data("h\xC3\xA9", "");
    EXPECT_TRUE(data.QueryGetData(EditCF::Text));
    EXPECT_TRUE(data.QueryGetData(EditCF::UnicodeText));
    EXPECT_FALSE(data.QueryGetData(RichTextFormat()));
    EXPECT_FALSE(data.GetData(RichTextFormat()));
    EXPECT_EQ(*data.GetData(EditCF::Text), QByteArray("h\xC3\xA9\0", 4));
    QByteArray wide = *data.GetData(EditCF::UnicodeText);
    ASSERT_EQ(wide.size(), 6);
    EXPECT_EQ(wide[2], '\xE9');
    EXPECT_EQ(wide[4], '\0');

    TEnumFormats formats(&data);
    EXPECT_TRUE(formats.HasText());
    EXPECT_FALSE(formats.HasFiles());
    EXPECT_FALSE(formats.HasRTF());
    EXPECT_EQ(formats.Text(EditCF::Text), "h\xC3\xA9");

    TSourceEnumFormatEtc e;
    std::vector<int> got;
    EXPECT_TRUE(e.Next(2, got));
    EXPECT_FALSE(e.Next(2, got));
    EXPECT_EQ(got, (std::vector<int>{EditCF::Text, EditCF::UnicodeText, RichTextFormat()}));
    e.Reset();
    EXPECT_TRUE(e.Skip(3));
    EXPECT_FALSE(e.Skip(1));
    EXPECT_EQ(e.Position(), 3);
    EXPECT_EQ(e.Clone().Position(), 0);

    EXPECT_EQ(TEEDropSource::QueryContinueDrag(true, true), dcCancel);
    EXPECT_EQ(TEEDropSource::QueryContinueDrag(false, false), dcDrop);
    EXPECT_EQ(TEEDropSource::QueryContinueDrag(false, true), dcContinue);
    EXPECT_EQ(TEEDropTarget::EffectFor(true, true), deCopy);
    EXPECT_EQ(TEEDropTarget::EffectFor(true, false), deMove);
    EXPECT_EQ(TEEDropTarget::EffectFor(false, false), deNone);
}

// The enhanced edit as a widget: value, prefix and suffix, typing through keys, cue text,
// label, validation colours, Esc, paste rules and the address look.
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QTest>
#include <gtest/gtest.h>

#include "controls/edits/enhedit.h"
#include "edittestutil.h"
#include "platform/gui/qtcolors.h"
#include "testutil.h"

namespace {

struct EditFixture : ::testing::Test {
    Host host;
    TEnhEdit* edit = new TEnhEdit(&host);
    TEnhEdit* other = new TEnhEdit(&host);
    void SetUp() override {
        edit->setGeometry(100, 20, 150, 21);
        other->setGeometry(100, 60, 150, 21);
        edit->SetFormatSettings(EnglishFormatSettings());
        edit->show();
        other->show();
    }
    void Focus() {
        edit->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(edit->hasFocus());
    }
    void Leave() { other->setFocus(Qt::TabFocusReason); }
    QColor Background() const { return edit->palette().color(QPalette::Base); }
};

// Mid-grey pixels inside the frame (the cue text, antialiased).
int GreyPixels(const QImage& image) {
    int n = 0;
    for (int y = 3; y < image.height() - 3; ++y)
        for (int x = 3; x < image.width() - 3; ++x) {
            QColor c(image.pixel(x, y));
            if (c.red() == c.green() && c.green() == c.blue() && c.red() >= 0x60 && c.red() <= 0xB0)
                ++n;
        }
    return n;
}

} // namespace

TEST_F(EditFixture, EmptyValuesAndCueText) {
    EXPECT_EQ(edit->Version(), "2.7.0.2");
    edit->SetEmptyText("None");
    edit->SetText("");
    EXPECT_EQ(edit->Text(), "");
    EXPECT_GT(GreyPixels(Render(*edit, "edit_cue")), 10);
    Focus();
    EXPECT_EQ(GreyPixels(Render(*edit)), 0);
    Leave();
    edit->SetEditType(etNumeric);
    edit->SetText("");
    EXPECT_EQ(edit->Text(), "0");
}

TEST_F(EditFixture, CueTextGoesByTheValueNotThePrefix) {
    edit->SetPrefix("$");
    edit->SetSuffix(" kg");
    for (const char* value : {"", "5"}) {
        SCOPED_TRACE(value);
        edit->SetText(value);
        edit->SetEmptyText("");
        QImage plain = Render(*edit);
        edit->SetEmptyText("None");
        if (*value)
            EXPECT_EQ(Render(*edit), plain);
        else
            EXPECT_GT(GreyPixels(Render(*edit, "edit_cue_prefix")), GreyPixels(plain) + 10);
    }
}

TEST_F(EditFixture, CueTextSitsAtTheTopLeftCorner) {
    // A tall flat edit: a centred text, or one that starts at the flat look's inset, lies
    // clear of the place where the text cell starts at (2, 2).
    edit->setGeometry(100, 20, 150, 44);
    edit->SetFlat(true);
    edit->SetText("");
    const QImage plain = Render(*edit);
    edit->SetEmptyText("None");
    const QImage cue = Render(*edit, "edit_cue_corner");
    QRect ink;
    for (int y = 0; y < cue.height(); ++y)
        for (int x = 0; x < cue.width(); ++x)
            if (cue.pixel(x, y) != plain.pixel(x, y))
                ink |= QRect(x, y, 1, 1);
    const QFontMetrics fm(QApplication::font());
    const QRect glyphs = fm.tightBoundingRect("None");
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_NEAR(ink.top(), 2 + fm.ascent() + glyphs.top(), 1);
    EXPECT_NEAR(ink.left(), 2 + glyphs.left(), 1);
}

TEST_F(EditFixture, PrefixAndSuffixKeepTheValue) {
    edit->SetEditType(etNumeric);
    edit->SetPrefix("$");
    edit->SetText("12");
    EXPECT_EQ(edit->WindowText(), "$12");
    EXPECT_EQ(edit->Text(), "12");
    Focus();
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClick(edit, Qt::Key_Home);
    EXPECT_EQ(edit->cursorPosition(), 1);
    QTest::keyClick(edit, Qt::Key_Left);
    EXPECT_EQ(edit->cursorPosition(), 1);
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->WindowText(), "$12");
    edit->SetSuffix(" kg");
    EXPECT_EQ(edit->WindowText(), "$12 kg");
    QTest::keyClick(edit, Qt::Key_End);
    EXPECT_EQ(edit->cursorPosition(), 3);
    QTest::keyClick(edit, Qt::Key_Right);
    EXPECT_EQ(edit->cursorPosition(), 3);
    QTest::keyClick(edit, Qt::Key_Delete);
    EXPECT_EQ(edit->WindowText(), "$12 kg");
    // The prefix changes, the value stays.
    edit->SetPrefix("EUR ");
    EXPECT_EQ(edit->WindowText(), "EUR 12 kg");
    EXPECT_EQ(edit->Text(), "12");
}

TEST_F(EditFixture, ShiftArrowsStopAtPrefixAndSuffix) {
    edit->SetPrefix("$");
    edit->SetSuffix(" kg");
    edit->SetText("12");
    Focus();
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClick(edit, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(edit, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(edit, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(edit->cursorPosition(), 3);
    EXPECT_FALSE(edit->hasSelectedText());
    QTest::keyClick(edit, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(edit, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(edit, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(edit->cursorPosition(), 1);
    EXPECT_EQ(edit->selectedText().toStdString(), "12");
    // Without Shift, Left at the prefix end is dropped too: the selection stays.
    QTest::keyClick(edit, Qt::Key_Left);
    EXPECT_EQ(edit->selectedText().toStdString(), "12");
}

TEST_F(EditFixture, FloatPrecisionWhileTypingAndLeaving) {
    edit->SetEditType(etFloat);
    edit->SetPrecision(2);
    edit->SetValueAsFloat(3);
    EXPECT_EQ(edit->Text(), "3.00");
    EXPECT_TRUE(edit->Modified());
    Focus();
    edit->setCursorPosition(4);
    QTest::keyClick(edit, Qt::Key_5);
    EXPECT_EQ(edit->Text(), "3.00");
    edit->selectAll();
    QTest::keyClicks(edit, "3.1");
    EXPECT_EQ(edit->Text(), "3.1");
    Leave();
    EXPECT_EQ(edit->Text(), "3.10");
    EXPECT_DOUBLE_EQ(edit->ValueAsFloat(), 3.1);
}

TEST_F(EditFixture, SeparatorJumpLeavesTheEditUnmodified) {
    edit->SetEditType(etFloat);
    edit->SetPrecision(2);
    edit->ShowModified = true;
    edit->SetText("3.14");
    Focus();
    edit->setCursorPosition(1);
    QTest::keyClick(edit, Qt::Key_Period);
    EXPECT_EQ(edit->Text(), "3.14");
    EXPECT_EQ(edit->cursorPosition(), 2);
    EXPECT_FALSE(edit->Modified());
    EXPECT_NE(edit->palette().color(QPalette::Text), ColorToQColor(edit->ModifiedColor));
    // Typing up to MaxLength takes the last character and nothing beyond it.
    edit->SetEditType(etString);
    edit->setMaxLength(4);
    edit->SetText("");
    QTest::keyClicks(edit, "abcde");
    EXPECT_EQ(edit->Text(), "abcd");
    EXPECT_TRUE(edit->Modified());
}

TEST_F(EditFixture, MoneyGroupsWhileTyping) {
    edit->SetEditType(etMoney);
    edit->SetPrecision(2);
    edit->SetText("");
    Focus();
    edit->clear();
    QTest::keyClicks(edit, "1234567");
    EXPECT_EQ(edit->Text(), "1,234,567");
    EXPECT_EQ(edit->cursorPosition(), 9);
    EXPECT_DOUBLE_EQ(edit->ValueAsFloat(), 1234567);
}

TEST_F(EditFixture, MaxLengthKeepsWhatTheEditFormats) {
    edit->SetMaxLength(4);
    edit->SetSigned(true);
    edit->SetEditType(etMoney);
    Focus();
    edit->clear();
    QTest::keyClicks(edit, "12345");
    EXPECT_EQ(edit->Text(), "1,234");
    EXPECT_DOUBLE_EQ(edit->ValueAsFloat(), 1234);
    edit->SetEditType(etNumeric);
    edit->SetMaxLength(3);
    edit->SetText("123");
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClick(edit, Qt::Key_Minus);
    EXPECT_EQ(edit->Text(), "-123");
    edit->SetEditType(etFloat);
    edit->SetPrecision(2);
    edit->SetMaxLength(1);
    edit->clear();
    QTest::keyClick(edit, Qt::Key_Period);
    EXPECT_EQ(edit->Text(), "0.");
    // Pastes and drops are the user's input: they stay within the limit.
    edit->SetEditType(etString);
    edit->SetMaxLength(5);
    edit->SetText("ab");
    QTest::keyClick(edit, Qt::Key_End);
    EXPECT_FALSE(edit->PasteText("cdef"));
    EXPECT_TRUE(edit->PasteText("cde"));
    EXPECT_EQ(edit->Text(), "abcde");
    edit->SetOleDropTarget(true);
    edit->SetText("abc");
    EXPECT_FALSE(edit->DropTarget()->DropText(QPoint(140, 10), "defgh", false));
    EXPECT_EQ(edit->Text(), "abcde");
    edit->SetText("abc");
    edit->setCursorPosition(3);
    QInputMethodEvent composed;
    composed.setCommitString("xyz");
    QApplication::sendEvent(edit, &composed);
    EXPECT_EQ(edit->Text(), "abcxy");
    edit->SetText("longer than five");
    EXPECT_EQ(edit->Text(), "longer than five");
}

TEST_F(EditFixture, SignAndCaseThroughKeys) {
    edit->SetEditType(etNumeric);
    edit->SetText("5");
    Focus();
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClick(edit, Qt::Key_Minus);
    EXPECT_EQ(edit->Text(), "5");
    edit->SetSigned(true);
    QTest::keyClick(edit, Qt::Key_Minus);
    EXPECT_EQ(edit->Text(), "-5");
    EXPECT_TRUE(edit->Modified());
    edit->SetEditType(etMixedCase);
    edit->SetText("");
    QTest::keyClicks(edit, "mary o'hara");
    EXPECT_EQ(edit->Text(), "Mary O'hara");
}

TEST_F(EditFixture, PasteFollowsTheType) {
    edit->SetEditType(etNumeric);
    edit->SetText("1");
    Focus();
    QTest::keyClick(edit, Qt::Key_End);
    EXPECT_FALSE(edit->PasteText("2a"));
    EXPECT_TRUE(edit->PasteText("23"));
    EXPECT_EQ(edit->Text(), "123");
    edit->SetEditType(etAlphaNumeric);
    EXPECT_FALSE(edit->PasteText("a-b"));
    edit->SetEditType(etString);
    EXPECT_TRUE(edit->PasteText(" any, text!"));
    EXPECT_EQ(edit->Text(), "123 any, text!");
    std::string offered;
    edit->OnClipboardPaste = [&](QObject*, const std::string& v, bool& allow) {
        offered = v;
        allow = false;
    };
    edit->selectAll();
    EXPECT_FALSE(edit->PasteText("x"));
    EXPECT_EQ(offered, "x");
    EXPECT_EQ(edit->Text(), "123 any, text!");
    // The clipboard shortcut goes through the same rules.
    edit->OnClipboardPaste = nullptr;
    edit->SetEditType(etNumeric);
    edit->SetText("7");
    QApplication::clipboard()->setText("z");
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->Text(), "7");
}

TEST(EditLabel, PlacementTable) {
    QRect e(100, 50, 80, 20);
    QSize l(30, 14);
    EXPECT_EQ(LabelRect(lpLeftTop, e, l, 4), QRect(66, 50, 30, 14));
    EXPECT_EQ(LabelRect(lpLeftCenter, e, l, 4), QRect(66, 53, 30, 14));
    EXPECT_EQ(LabelRect(lpLeftBottom, e, l, 4), QRect(66, 56, 30, 14));
    EXPECT_EQ(LabelRect(lpTopLeft, e, l, 4), QRect(100, 32, 30, 14));
    EXPECT_EQ(LabelRect(lpBottomLeft, e, l, 4), QRect(100, 74, 30, 14));
    EXPECT_EQ(LabelRect(lpLeftTopLeft, e, l, 4), QRect(96, 50, 30, 14));
    EXPECT_EQ(LabelRect(lpLeftCenterLeft, e, l, 4), QRect(96, 53, 30, 14));
    EXPECT_EQ(LabelRect(lpLeftBottomLeft, e, l, 4), QRect(96, 56, 30, 14));
    EXPECT_EQ(LabelRect(lpTopCenter, e, l, 4), QRect(125, 32, 30, 14));
    EXPECT_EQ(LabelRect(lpBottomCenter, e, l, 4), QRect(125, 74, 30, 14));
}

TEST_F(EditFixture, LabelFollowsTheEdit) {
    int clicks = 0;
    edit->OnLabelClick = [&](QObject* sender) {
        EXPECT_EQ(sender, edit);
        ++clicks;
    };
    edit->SetLabelCaption("Name:");
    ASSERT_TRUE(edit->Label());
    EXPECT_EQ(edit->Label()->parentWidget(), &host);
    EXPECT_EQ(edit->Label()->geometry().right(), 100 - 4 - 1);
    edit->move(150, 30);
    EXPECT_EQ(edit->Label()->geometry().right(), 150 - 4 - 1);
    EXPECT_EQ(edit->Label()->y(), 30);
    edit->SetLabelPosition(lpTopLeft);
    EXPECT_EQ(edit->Label()->x(), 150);
    EXPECT_LT(edit->Label()->geometry().bottom(), 30 - 4);
    edit->setEnabled(false);
    EXPECT_FALSE(edit->Label()->isEnabled());
    edit->setEnabled(true);
    edit->setVisible(false);
    EXPECT_FALSE(edit->Label()->isVisible());
    edit->setVisible(true);
    QTest::mouseClick(edit->Label(), Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
}

TEST_F(EditFixture, ErrorColoursFollowValidation) {
    edit->SetShowError(true);
    edit->Loaded();
    edit->OnValueValidate = [](QObject*, const std::string& v, bool& ok) { ok = v != "bad"; };
    QColor normal = Background();
    Focus();
    QTest::keyClicks(edit, "bad");
    EXPECT_TRUE(edit->Error());
    EXPECT_EQ(Background(), ColorToQColor(edit->ErrorColor));
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_FALSE(edit->Error());
    EXPECT_EQ(Background(), normal);
    // A validator that asks again is answered without recursion.
    edit->OnValueValidate = [this](QObject*, const std::string& v, bool& ok) {
        ok = edit->IsValid(v);
    };
    EXPECT_TRUE(edit->IsValid("x"));
}

TEST_F(EditFixture, ShowErrorNeedsNoLoading) {
    // Windows build their edits in code; nothing streams them in and calls Loaded.
    edit->SetShowError(true);
    edit->OnValueValidate = [](QObject*, const std::string& v, bool& ok) { ok = v != "bad"; };
    Focus();
    QTest::keyClicks(edit, "bad");
    EXPECT_TRUE(edit->Error());
    EXPECT_EQ(Background(), ColorToQColor(edit->ErrorColor));
}

TEST_F(EditFixture, EscRestoresTheTextAtFocusEntry) {
    edit->SetText("before");
    Focus();
    edit->selectAll();
    QTest::keyClicks(edit, "after");
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_EQ(edit->Text(), "before");
    EXPECT_FALSE(edit->Modified());
    EXPECT_EQ(edit->selectedText(), "before");
}

TEST_F(EditFixture, AddressLookAndClick) {
    edit->SetShowURL(true);
    edit->SetText("mailto:someone@example.org");
    EXPECT_TRUE(edit->URLLook());
    EXPECT_TRUE(edit->font().underline());
    std::string clicked;
    edit->OnURLClick = [&](QObject*, const std::string& url, bool& show) {
        clicked = url;
        show = false; // nothing is opened during the test
    };
    Focus();
    QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(clicked, "mailto:someone@example.org");
    edit->SelectAll();
    EXPECT_EQ(edit->selectedText(), "someone@example.org");
    edit->SetText("plain");
    EXPECT_FALSE(edit->URLLook());
}

TEST_F(EditFixture, EnterAndReturnIsTab) {
    Focus();
    std::vector<QChar> pressed;
    edit->OnKeyPress = [&](QObject*, QChar& c) { pressed.push_back(c); };
    QTest::keyClick(edit, Qt::Key_Return);
    ASSERT_EQ(pressed.size(), 1u);
    EXPECT_EQ(pressed[0], QChar(13));
    EXPECT_EQ(edit->Text(), "");
    edit->ReturnIsTab = true;
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_TRUE(other->hasFocus());
}

TEST_F(EditFixture, PrecisionRewritesNumbersButKeepsWords) {
    edit->SetText("2.5");
    edit->SetPrecision(2);
    EXPECT_EQ(edit->Text(), "2.50");
    edit->SetText("two and a half");
    edit->SetPrecision(3);
    EXPECT_EQ(edit->Text(), "two and a half");
    // Types without a precision ignore it.
    edit->SetEditType(etNumeric);
    edit->SetPrecision(4);
    EXPECT_EQ(edit->Precision(), 0);
}

TEST_F(EditFixture, UnwritableSettingsDoNotStopTheEditGoingAway) {
    TempDir dir;
    auto* e = new TEnhEdit(&host);
    e->setObjectName("edName");
    e->Persistence().Enable = true;
    e->Persistence().Key = dir.Path().string(); // a folder, not a file
    e->Persistence().Section = "S";
    e->SetText("typed");
    EXPECT_THROW(e->SavePersist(), Exception);
    delete e; // saving fails again, quietly
    SUCCEED();
}

TEST_F(EditFixture, LabelFontAndParentFont) {
    edit->SetLabelCaption("Label");
    QFont big = edit->font();
    big.setPixelSize(20);
    edit->SetLabelFont(big);
    EXPECT_EQ(edit->Label()->font().pixelSize(), 20);
    int wide = edit->Label()->width();
    edit->SetLabelParentFont(true);
    EXPECT_LT(edit->Label()->width(), wide);
    EXPECT_EQ(edit->Label()->geometry().right(), edit->x() - 4 - 1);
}

namespace {

// Whether the ring inset pixels in from the edge has top and left sides in tl and bottom and
// right sides in br (corners left out).
bool Ring(const QImage& img, int inset, const QColor& tl, const QColor& br) {
    int l = inset, t = inset, r = img.width() - 1 - inset, b = img.height() - 1 - inset;
    for (int x = l + 1; x < r; ++x)
        if (QColor(img.pixel(x, t)) != tl || QColor(img.pixel(x, b)) != br)
            return false;
    for (int y = t + 1; y < b; ++y)
        if (QColor(img.pixel(l, y)) != tl || QColor(img.pixel(r, y)) != br)
            return false;
    return true;
}

} // namespace

TEST_F(EditFixture, FocusBorderShowsWhileHotOrFocused) {
    QColor parent(0x30, 0x60, 0x90);
    QPalette pal = host.palette();
    pal.setColor(QPalette::Window, parent);
    host.setPalette(pal);
    host.setAutoFillBackground(true);
    QColor shadow = ColorToQColor(clBtnShadow), light = ColorToQColor(clBtnHighlight),
           face = ColorToQColor(clBtnFace);
    edit->FocusBorder = true;
    for (bool flat : {false, true}) {
        SCOPED_TRACE(flat ? "flat" : "framed");
        std::string look = flat ? "flat" : "framed";
        edit->SetFlat(flat);
        // Neither hot nor focused: two frames in the parent's colour hide the border.
        QImage idle = Render(*edit, "focusborder_" + look + "_idle");
        EXPECT_TRUE(Ring(idle, 0, parent, parent));
        EXPECT_TRUE(Ring(idle, 1, parent, parent));
        // Hot, then focused: a sunken edge with a button-face frame inside it.
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(edit, &enter);
        QImage hot = Render(*edit, "focusborder_" + look + "_hot");
        EXPECT_TRUE(Ring(hot, 0, shadow, light));
        EXPECT_TRUE(Ring(hot, 1, face, face));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(edit, &leave);
        EXPECT_TRUE(Ring(Render(*edit), 0, parent, parent));
        Focus();
        QImage focused = Render(*edit, "focusborder_" + look + "_focused");
        EXPECT_TRUE(Ring(focused, 0, shadow, light));
        EXPECT_TRUE(Ring(focused, 1, face, face));
        Leave();
    }
    // A focus border colour takes over: its frame while focused, the plain look otherwise.
    edit->FocusBorderColor = clLime;
    Focus();
    EXPECT_TRUE(Ring(Render(*edit), 0, QColor(0, 255, 0), QColor(0, 255, 0)));
}

TEST_F(EditFixture, LargeTextHintHidesAfterTheApplicationsPause) {
    edit->HintShowLargeText = true;
    edit->SetText(std::string(60, 'w')); // wider than the edit
    EXPECT_TRUE(HintHidesAfterThePause([&] {
        QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), edit->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(edit, &help);
    }));
}

TEST_F(EditFixture, InputMethodCommitReplacesTheSelectionOfAFullEdit) {
    edit->SetMaxLength(5);
    edit->SetText("abcde");
    Focus();
    edit->setSelection(2, 2); // "cd"
    QInputMethodEvent commit;
    commit.setCommitString("xy");
    QApplication::sendEvent(edit, &commit);
    EXPECT_EQ(edit->Text(), "abxye");
    edit->setSelection(2, 2); // "xy", by a longer commit: what fits in its room
    QInputMethodEvent longer;
    longer.setCommitString("1234");
    QApplication::sendEvent(edit, &longer);
    EXPECT_EQ(edit->Text(), "ab12e");
}

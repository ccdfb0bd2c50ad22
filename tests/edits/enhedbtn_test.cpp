// The edit with button: the click and F4, the editor switch, the layout and both looks.
#include <QClipboard>
#include <QTest>
#include <gtest/gtest.h>

#include "controls/edits/enhedbtn.h"
#include "controls/edits/themelib.h"
#include "edittestutil.h"
#include "platform/gui/qtcolors.h"
#include "platform/gui/themes.h"

namespace {

struct ButtonFixture : ::testing::Test {
    Host host;
    TEnhEditBtn* edit = new TEnhEditBtn(&host);
    int clicks = 0;
    void SetUp() override {
        edit->setGeometry(20, 20, 150, 21);
        edit->show();
        edit->OnClickBtn = [this](QObject*) { ++clicks; };
    }
};

} // namespace

TEST_F(ButtonFixture, ClickFiresAndFocusesTheEdit) {
    EXPECT_EQ(edit->Version(), "1.3.0.1");
    QTest::mouseClick(edit->ButtonPart()->Button(), Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(edit->hasFocus());
}

TEST_F(ButtonFixture, F4FiresOnceWithoutCtrlOrAlt) {
    edit->setFocus();
    int keyDowns = 0, clicksSeen = -1;
    edit->OnKeyDown = [&](QObject*, int& key, Qt::KeyboardModifiers) {
        if (key != Qt::Key_F4)
            return;
        if (clicksSeen < 0)
            clicksSeen = clicks; // OnKeyDown comes before the click
        ++keyDowns;
    };
    QTest::keyClick(edit, Qt::Key_F4);
    EXPECT_EQ(clicks, 1);
    QTest::keyClick(edit, Qt::Key_F4, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_F4, Qt::AltModifier);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(keyDowns, 3);
    EXPECT_EQ(clicksSeen, 0);
    // A handler that drops the key keeps the button quiet.
    edit->OnKeyDown = [](QObject*, int& key, Qt::KeyboardModifiers) { key = 0; };
    QTest::keyClick(edit, Qt::Key_F4);
    EXPECT_EQ(clicks, 1);
}

TEST_F(ButtonFixture, EditorDisabledRefusesPasteAndCut) {
    edit->setFocus();
    edit->SetText("keep");
    QApplication::clipboard()->setText("pasted");
    edit->EditorEnabled = false;
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(edit->Text(), "keep");
    edit->EditorEnabled = true;
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->Text(), "pasted");
}

TEST_F(ButtonFixture, LayoutGrowsToTheFontAndSpansTheInnerHeight) {
    QFont big = edit->font();
    big.setPixelSize(30);
    edit->setFont(big);
    EXPECT_GE(edit->height(), edit->MinHeight());
    QRect b = edit->ButtonPart()->geometry();
    EXPECT_EQ(b.width(), 16);
    EXPECT_EQ(b.right(), edit->width() - 3);
    EXPECT_EQ(b.top(), 2);
    EXPECT_EQ(b.bottom(), edit->height() - 3);
    EXPECT_EQ(edit->RightInset(), 17); // the text stops before the button
    edit->SetButtonWidth(24);
    EXPECT_EQ(edit->ButtonPart()->width(), 24);
    EXPECT_EQ(edit->RightInset(), 25);
}

TEST_F(ButtonFixture, HintOnlyWhenSet) {
    EXPECT_TRUE(edit->ButtonPart()->Button()->toolTip().isEmpty());
    edit->SetButtonHint("Pick a date");
    EXPECT_EQ(edit->ButtonPart()->Button()->toolTip(), "Pick a date");
    edit->SetButtonHint("");
    EXPECT_TRUE(edit->ButtonPart()->Button()->toolTip().isEmpty());
}

TEST(ThemeLibrary, EntryPointsAnswerNotAvailableWhenOff) {
    ASSERT_TRUE(LoadThemeLibrary());
    {
        ThemesGuard off(false);
        EXPECT_FALSE(IsThemeActive());
        EXPECT_FALSE(OpenThemeData(nullptr, "combobox"));
    }
    ThemesGuard on(true);
    EXPECT_TRUE(IsThemeActive());
    HTHEME theme = OpenThemeData(nullptr, "combobox");
    ASSERT_TRUE(theme);
    EXPECT_FALSE(OpenThemeData(nullptr, "scrollbar"));
    QImage image(16, 20, QImage::Format_RGB32);
    QPainter p(&image);
    EXPECT_TRUE(DrawThemeBackground(theme, p, 1, 1, image.rect()));
    EXPECT_FALSE(DrawThemeBackground(theme, p, 2, 1, image.rect()));
    FreeThemeLibrary();
    EXPECT_FALSE(IsThemeActive());
    EXPECT_FALSE(DrawThemeBackground(theme, p, 1, 1, image.rect()));
    CloseThemeData(theme);
    EXPECT_FALSE(theme);
    EXPECT_TRUE(LoadThemeLibrary());
}

TEST_F(ButtonFixture, DropDownLooksThemedAndClassic) {
    edit->SetButtonStyle(bsDropDown);
    edit->SetText("2026-03-15");
    TEnhSpeedButton* b = edit->ButtonPart()->Button();
    QImage classic, themed;
    {
        ThemesGuard off(false);
        classic = Render(*edit, "editbtn_dropdown_classic");
        QImage button = b->grab().toImage().convertToFormat(QImage::Format_RGB32);
        // The light inner border at the top and left, the face line outside it.
        EXPECT_EQ(QColor(button.pixel(1, 1)), QColor(Qt::white));
        EXPECT_EQ(QColor(button.pixel(3, 1)), QColor(Qt::white));
        EXPECT_EQ(QColor(button.pixel(0, 3)), ColorToQColor(clBtnFace));
    }
    {
        ThemesGuard on(true);
        themed = Render(*edit, "editbtn_dropdown_themed");
    }
    EXPECT_NE(classic, themed);
}

TEST_F(ButtonFixture, PushButtonWithCaptionRenders) {
    edit->SetButtonStyle(bsButton);
    edit->SetButtonWidth(40);
    edit->SetButtonCaption("...");
    ThemesGuard on(true);
    QImage image = Render(*edit, "editbtn_button_themed");
    EXPECT_FALSE(image.isNull());
    ThemesGuard off(false);
    edit->SetFlat(true);
    edit->SetEtched(true);
    Render(*edit, "editbtn_button_flat_classic");
}

#include <QImage>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

#include "alerttestutil.h"
#include "core/windows/speedbuttonenh.h"
#include "gui/guitestutil.h"
#include "platform/gui/qtcolors.h"

namespace {

struct Group {
    QWidget parent;
    TSpeedButtonEnh* b[3];
    int clicks[3] = {0, 0, 0};
    Group(int groupIndex) {
        parent.resize(100, 30);
        for (int i = 0; i < 3; ++i) {
            b[i] = new TSpeedButtonEnh(&parent);
            b[i]->setGeometry(i * 25, 0, 23, 22);
            b[i]->SetGroupIndex(groupIndex);
            b[i]->OnClick = [this, i](TSpeedButtonEnh&) { ++clicks[i]; };
        }
    }
};

QImage Render(QWidget* w) {
    QImage img(w->size(), QImage::Format_RGB32);
    img.fill(Qt::white);
    w->render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    return img;
}

} // namespace

TEST(SpeedButton, InstanceCountAndNoDownWithoutAGroup) {
    int before = TSpeedButtonEnh::InstanceCount();
    {
        TSpeedButtonEnh b(nullptr);
        EXPECT_EQ(TSpeedButtonEnh::InstanceCount(), before + 1);
        // Without a group a button cannot stay down.
        b.SetDown(true);
        EXPECT_FALSE(b.Down());
    }
    EXPECT_EQ(TSpeedButtonEnh::InstanceCount(), before);
}

TEST(SpeedButton, PlainClickAndPressRules) {
    TSpeedButtonEnh b(nullptr);
    b.resize(40, 20);
    int clicks = 0;
    b.OnClick = [&](TSpeedButtonEnh&) { ++clicks; };
    SendMouse(&b, QEvent::MouseButtonPress, {5, 5});
    EXPECT_EQ(b.State(), bsDown);
    SendMouse(&b, QEvent::MouseMove, {60, 5}, Qt::LeftButton); // dragged out: up
    EXPECT_EQ(b.State(), bsUp);
    SendMouse(&b, QEvent::MouseMove, {10, 20}, Qt::LeftButton); // back in (bottom edge counts)
    EXPECT_EQ(b.State(), bsDown);
    SendMouse(&b, QEvent::MouseButtonRelease, {10, 10});
    EXPECT_EQ(b.State(), bsUp);
    EXPECT_EQ(clicks, 1);
    // Released outside: no click. Right button: nothing.
    SendMouse(&b, QEvent::MouseButtonPress, {5, 5});
    SendMouse(&b, QEvent::MouseButtonRelease, {50, 5});
    ClickAt(&b, {5, 5});
    SendMouse(&b, QEvent::MouseButtonPress, {5, 5}, Qt::RightButton);
    SendMouse(&b, QEvent::MouseButtonRelease, {5, 5}, Qt::RightButton);
    EXPECT_EQ(clicks, 2);
    // A disabled button neither presses nor clicks.
    b.setEnabled(false);
    EXPECT_EQ(b.State(), bsDisabled);
    ClickAt(&b, {5, 5});
    EXPECT_EQ(clicks, 2);
    b.setEnabled(true);
    EXPECT_EQ(b.State(), bsUp);
}

TEST(SpeedButton, GroupRules) {
    Group g(1);
    g.b[0]->SetDown(true);
    EXPECT_TRUE(g.b[0]->Down());
    EXPECT_EQ(g.b[0]->State(), bsExclusive);
    // Pressing another releases the first.
    ClickAt(g.b[1], {5, 5});
    EXPECT_FALSE(g.b[0]->Down());
    EXPECT_TRUE(g.b[1]->Down());
    EXPECT_EQ(g.clicks[1], 1);
    // Clicking the down button without AllowAllUp leaves it down (and still clicks).
    ClickAt(g.b[1], {5, 5});
    EXPECT_TRUE(g.b[1]->Down());
    EXPECT_EQ(g.b[1]->State(), bsExclusive);
    EXPECT_EQ(g.clicks[1], 2);
    g.b[1]->SetDown(false);
    EXPECT_TRUE(g.b[1]->Down());
    // AllowAllUp is shared by the group; then the down button can be released.
    g.b[2]->SetAllowAllUp(true);
    EXPECT_TRUE(g.b[0]->AllowAllUp());
    EXPECT_TRUE(g.b[1]->AllowAllUp());
    ClickAt(g.b[1], {5, 5});
    EXPECT_FALSE(g.b[1]->Down());
    EXPECT_EQ(g.b[1]->State(), bsUp);
    // Another group on the same parent is independent.
    auto* other = new TSpeedButtonEnh(&g.parent);
    other->SetGroupIndex(2);
    g.b[0]->SetDown(true);
    other->SetDown(true);
    EXPECT_TRUE(g.b[0]->Down());
    EXPECT_TRUE(other->Down());
    // Joining the group releases the other down button.
    int changes = 0;
    g.b[0]->OnChange = [&](TSpeedButtonEnh&) { ++changes; };
    other->SetGroupIndex(1);
    EXPECT_FALSE(g.b[0]->Down());
    EXPECT_EQ(changes, 1);
}

TEST(SpeedButton, DropDownStrip) {
    TSpeedButtonEnh b(nullptr);
    b.resize(40, 20);
    int clicks = 0, changing = 0, changed = 0;
    bool allow = true;
    b.OnClick = [&](TSpeedButtonEnh&) { ++clicks; };
    b.OnDropChanging = [&](TSpeedButtonEnh&, bool& allowed) {
        ++changing;
        allowed = allow;
    };
    b.OnDropChanged = [&](TSpeedButtonEnh&) { ++changed; };
    // Width 0: the right edge is an ordinary part of the button.
    ClickAt(&b, {39, 5});
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(changing, 0);

    b.SetDropDownWidth(12);
    ClickAt(&b, {30, 5}); // in the strip (x > 40 - 12)
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(b.DroppedDown());
    EXPECT_EQ(b.State(), bsDown);
    EXPECT_EQ(changing, 1);
    EXPECT_EQ(changed, 1);
    ClickAt(&b, {30, 5}); // already dropped: nothing more
    EXPECT_EQ(changing, 1);
    ClickAt(&b, {28, 5}); // x = 28 is not in the strip
    EXPECT_EQ(clicks, 2);

    b.SetDroppedDown(false);
    EXPECT_EQ(b.State(), bsUp);
    EXPECT_EQ(changed, 2);
    // A refused drop keeps the button up and raises no OnDropChanged.
    allow = false;
    ClickAt(&b, {35, 5});
    EXPECT_FALSE(b.DroppedDown());
    EXPECT_EQ(b.State(), bsUp);
    EXPECT_EQ(changing, 3);
    EXPECT_EQ(changed, 2);
}

TEST(SpeedButton, FlatBorderOnlyWhileHovered) {
    ThemesGuard classic(false);
    QWidget parent;
    parent.resize(40, 40);
    auto* b = new TSpeedButtonEnh(&parent);
    b->setGeometry(5, 5, 23, 22);
    b->SetFlat(true);
    QImage idle = Render(b);
    EXPECT_EQ(CountInk(idle, Qt::white), 0); // no glyph, no caption, no border
    QEnterEvent enter(QPointF(5, 5), QPointF(10, 10), QPointF(10, 10));
    QApplication::sendEvent(b, &enter);
    EXPECT_TRUE(b->MouseInControl());
    QImage hot = Render(b);
    EXPECT_EQ(QColor(hot.pixel(0, 0)), ColorToQColor(clBtnHighlight));
    EXPECT_EQ(QColor(hot.pixel(22, 21)), ColorToQColor(clBtnShadow));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(b, &leave);
    EXPECT_FALSE(b->MouseInControl());
    EXPECT_EQ(Render(b), idle);
    // A raised (not flat) button always shows its frame.
    b->SetFlat(false);
    EXPECT_EQ(QColor(Render(b).pixel(0, 0)), ColorToQColor(cl3DLight));
}

TEST(SpeedButton, GlyphStates) {
    ThemesGuard classic(false);
    // A strip of two 8 x 8 images on a magenta background: red (up) and green (disabled).
    QImage strip(16, 8, QImage::Format_RGB32);
    strip.fill(QColor(255, 0, 255));
    for (int y = 2; y < 6; ++y)
        for (int x = 2; x < 6; ++x) {
            strip.setPixelColor(x, y, Qt::red);
            strip.setPixelColor(8 + x, y, Qt::green);
        }
    TSpeedButtonEnh b(nullptr);
    b.resize(20, 20);
    b.SetTransparent(false);
    b.SetGlyph(strip);
    b.SetNumGlyphs(2);
    QImage up = Render(&b);
    EXPECT_EQ(CountColor(up, Qt::red), 16);
    EXPECT_EQ(CountColor(up, QColor(255, 0, 255)), 0); // the transparent colour is left out
    b.setEnabled(false);
    QImage disabled = Render(&b);
    EXPECT_EQ(CountColor(disabled, Qt::red), 0);
    EXPECT_EQ(CountColor(disabled, Qt::green), 16);
    // One image only: the disabled look is made from it (no red left).
    b.SetNumGlyphs(1);
    b.SetGlyph(strip.copy(0, 0, 8, 8));
    EXPECT_EQ(CountColor(Render(&b), Qt::red), 0);
    b.setEnabled(true);
    // Pressed: the glyph moves one pixel right and down.
    QImage before = Render(&b);
    SendMouse(&b, QEvent::MouseButtonPress, {5, 5});
    QImage pressed = Render(&b);
    SendMouse(&b, QEvent::MouseButtonRelease, {5, 5});
    auto firstRed = [](const QImage& img) {
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (QColor(img.pixel(x, y)) == Qt::red)
                    return QPoint(x, y);
        return QPoint(-1, -1);
    };
    EXPECT_EQ(firstRed(pressed), firstRed(before) + QPoint(1, 1));
}

TEST(SpeedButton, HintsHideAfterTheApplicationsPause) {
    QWidget parent;
    auto* b = new TSpeedButtonEnh(&parent);
    b->setGeometry(0, 0, 23, 22);
    b->setToolTip("Snooze");
    b->OnHint = [](TSpeedButtonEnh&, int, std::string& hint) { hint += " all"; };
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    EXPECT_TRUE(HintHidesAfterThePause([&] {
        QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), b->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(b, &help);
        EXPECT_EQ(QToolTip::text(), "Snooze all");
    }));
}

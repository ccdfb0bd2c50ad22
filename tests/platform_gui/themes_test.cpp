#include <QImage>
#include <QPainter>
#include <functional>
#include <gtest/gtest.h>

#include "gui/guitestutil.h"
#include "platform/gui/qtcolors.h"
#include "platform/gui/themes.h"

namespace {

QImage Render(bool themed, const std::function<void(QPainter&, const QRect&)>& draw) {
    ThemesGuard g(themed);
    QImage img(24, 20, QImage::Format_RGB32);
    img.fill(Qt::magenta);
    QPainter p(&img);
    draw(p, QRect(0, 0, 24, 20));
    return img;
}

int Changed(const QImage& img) {
    return CountInk(img, Qt::magenta);
}

} // namespace

TEST(Themes, EveryElementDrawsInBothLooks) {
    using Draw = std::function<void(QPainter&, const QRect&)>;
    std::vector<std::pair<const char*, Draw>> elements = {
        {"button", [](QPainter& p, const QRect& r) { DrawButtonFace(p, r, TThemeState::Normal); }},
        {"pressed",
         [](QPainter& p, const QRect& r) { DrawButtonFace(p, r, TThemeState::Pressed); }},
        {"tool", [](QPainter& p,
                    const QRect& r) { DrawToolButtonFace(p, r, TThemeState::Hot, true, false); }},
        {"combo",
         [](QPainter& p, const QRect& r) { DrawComboDropDown(p, r, TThemeState::Normal); }},
        {"header", [](QPainter& p, const QRect& r) { DrawHeaderItem(p, r, TThemeState::Normal); }},
        {"tree", [](QPainter& p, const QRect& r) { DrawTreeGlyph(p, r, false); }},
        {"edit", [](QPainter& p, const QRect& r) { DrawEditFrame(p, r, TThemeState::Normal); }},
        {"check", [](QPainter& p, const QRect& r) { DrawCheckBox(p, r, 1, TThemeState::Normal); }},
        {"radio",
         [](QPainter& p, const QRect& r) { DrawRadioButton(p, r, true, TThemeState::Normal); }},
        {"info", [](QPainter& p, const QRect& r) { DrawInfoPanel(p, r); }},
    };
    for (auto& [name, draw] : elements) {
        QImage themed = Render(true, draw), classic = Render(false, draw);
        EXPECT_GT(Changed(themed), 0) << name;
        EXPECT_GT(Changed(classic), 0) << name;
        if (std::string(name) != "info") { // the style's tool-tip face is the classic one
            EXPECT_NE(themed, classic) << name;
        }
    }
}

TEST(Themes, ClassicLooks) {
    // A classic raised button: light top-left, dark bottom-right, face in the middle.
    QImage b = Render(
        false, [](QPainter& p, const QRect& r) { DrawButtonFace(p, r, TThemeState::Normal); });
    EXPECT_EQ(QColor(b.pixel(0, 0)), ColorToQColor(cl3DLight));
    EXPECT_EQ(QColor(b.pixel(23, 19)), ColorToQColor(cl3DDkShadow));
    EXPECT_EQ(QColor(b.pixel(12, 10)), ColorToQColor(clBtnFace));
    // A flat tool button draws nothing until hot.
    QImage flat = Render(false, [](QPainter& p, const QRect& r) {
        DrawToolButtonFace(p, r, TThemeState::Normal, true, false);
    });
    EXPECT_EQ(Changed(flat), 0);
    // Plus and minus differ by the vertical bar only.
    QImage plus = Render(false, [](QPainter& p, const QRect& r) { DrawTreeGlyph(p, r, false); });
    QImage minus = Render(false, [](QPainter& p, const QRect& r) { DrawTreeGlyph(p, r, true); });
    EXPECT_EQ(Changed(plus), Changed(minus));
    int differing = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 24; ++x)
            differing += plus.pixel(x, y) != minus.pixel(x, y);
    EXPECT_EQ(differing, 4);
}

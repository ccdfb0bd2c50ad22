#pragma once
// Helpers of the window tests: rendering a widget, counting the pixels of a rendered image,
// switching themed drawing for a scope, and hints that hide after the application's pause.

#include <QColor>
#include <QImage>
#include <QRect>
#include <QTest>
#include <QToolTip>
#include <QWidget>
#include <cstdlib>
#include <functional>
#include <string>

#include "platform/gui/hintpause.h"
#include "platform/gui/themes.h"

// The name of the objects, children of the application, that wait to answer a test's window;
// the test program drops those still waiting when a test ends, so that none answers a window
// of a later test.
inline constexpr const char* TestAnswerName = "test answer";

// The widget drawn into an image; with TOCKWELL_RENDER_DIR set it is also saved there as
// <name>.png for a look.
inline QImage Render(QWidget& w, const std::string& name = {}) {
    QImage image = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const char* dir = std::getenv("TOCKWELL_RENDER_DIR");
    if (dir && !name.empty())
        image.save(QString::fromStdString(std::string(dir) + "/" + name + ".png"));
    return image;
}

// Saves img as name in the folder that TOCKWELL_SHOTS names, for a look; nothing when it is
// not set.
inline void SaveShot(const QImage& img, const char* name) {
    const QByteArray dir = qgetenv("TOCKWELL_SHOTS");
    if (!dir.isEmpty())
        img.save(QString::fromUtf8(dir) + "/" + name);
}

// The pixels of area whose colour satisfies pred; without an area, those of the whole image.
template <class Pred> int CountPixels(const QImage& img, const QRect& area, Pred pred) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += bool(pred(QColor(img.pixel(x, y))));
    return n;
}
template <class Pred> int CountPixels(const QImage& img, Pred pred) {
    return CountPixels(img, img.rect(), pred);
}

// The pixels of the image in color.
inline int CountColor(const QImage& img, const QColor& color) {
    return CountPixels(img, [&](const QColor& c) { return c == color; });
}

// The pixels of the image that differ from the background.
inline int CountInk(const QImage& img, const QColor& background) {
    return CountPixels(img, [&](const QColor& c) { return c != background; });
}

// Themed drawing switched on or off for its lifetime.
class ThemesGuard {
public:
    explicit ThemesGuard(bool on) : was_(ThemesEnabled()) { SetThemesEnabled(on); }
    ~ThemesGuard() { SetThemesEnabled(was_); }
    ThemesGuard(const ThemesGuard&) = delete;
    ThemesGuard& operator=(const ThemesGuard&) = delete;

private:
    bool was_;
};

// Under an application hint pause of 300 ms, show brings up a hint that hides by itself within
// three seconds (Qt's own pause is 10 seconds at least). The pause is unset afterwards.
inline bool HintHidesAfterThePause(const std::function<void()>& show) {
    SetHintHidePause(300);
    show();
    const bool hides =
        QToolTip::isVisible() && QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 3000);
    QToolTip::hideText();
    SetHintHidePause(-1);
    return hides;
}

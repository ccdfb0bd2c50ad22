#pragma once
// Helpers of the calendar tests: dates by their parts, images as file bytes, pinned fonts
// (the calendar's Tahoma-metric font, 11 pixels, no antialiasing, so text pixels have exactly
// the text colour),
// rendering into an image, pixel counts.

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QWidget>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

#include "controls/calendar/agendacalendar.h"
#include "platform/gui/qtcolors.h"

inline TDateTime D(int y, int m, int d) {
    return EncodeDate(y, m, d);
}

// image written in format ("PNG", "JPG" ...) as the bytes of a file.
inline std::string EncodeImage(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format));
    return bytes.toStdString();
}

inline QFont PinnedFont() {
    QFont f = CalendarDefaultFont();
    f.setStyleStrategy(QFont::NoAntialias);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

inline void PinFonts(TAgendaCalendar& c) {
    c.setFont(PinnedFont());
    c.SetDayFont(PinnedFont());
    c.SetWeekFont(PinnedFont());
}

// The widget drawn into an image; with TOCKWELL_RENDER_DIR set it is also saved there as
// <name>.png for a look.
inline QImage Render(QWidget& w, const std::string& name = {}) {
    QImage image = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const char* dir = std::getenv("TOCKWELL_RENDER_DIR");
    if (dir && !name.empty())
        image.save(QString::fromStdString(std::string(dir) + "/" + name + ".png"));
    return image;
}

inline QColor Pixel(const QImage& image, int x, int y) {
    return QColor(image.pixel(x, y));
}

inline QColor Q(TColor c) {
    return ColorToQColor(c);
}

// Pixels of colour within rect.
inline int CountColor(const QImage& image, const QRect& rect, const QColor& color) {
    int n = 0;
    QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (image.pixel(x, y) == color.rgb())
                ++n;
    return n;
}

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

#include "gui/guitestutil.h"

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

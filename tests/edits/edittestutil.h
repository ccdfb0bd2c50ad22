#pragma once
// Helpers of the edit tests: a shown host window, date settings of three date orders, and
// rendering into an image (saved under TOCKWELL_RENDER_DIR for a look when that is set).

#include <QApplication>
#include <QImage>
#include <QTest>
#include <QWidget>
#include <cstdlib>
#include <string>

#include "platform/datetime.h"
#include "platform/formatsettings.h"

inline TDateTime D(int y, int m, int d) {
    return EncodeDate(y, m, d);
}

inline TFormatSettings UsDates() { // M/d/yyyy
    return EnglishFormatSettings();
}

inline TFormatSettings GermanDates() { // dd.MM.yyyy
    TFormatSettings fs = EnglishFormatSettings();
    fs.ShortDateFormat = "dd/MM/yyyy";
    fs.DateSeparator = ".";
    fs.DecimalSeparator = ",";
    fs.ThousandSeparator = ".";
    return fs;
}

inline TFormatSettings IsoDates() { // yyyy-MM-dd
    TFormatSettings fs = EnglishFormatSettings();
    fs.ShortDateFormat = "yyyy/MM/dd";
    fs.DateSeparator = "-";
    return fs;
}

// A top-level window that is shown and active, so that focus works.
class Host : public QWidget {
public:
    Host() {
        resize(400, 300);
        show();
        activateWindow();
        (void)QTest::qWaitForWindowExposed(this);
    }
};

inline QImage Render(QWidget& w, const std::string& name = {}) {
    QImage image = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const char* dir = std::getenv("TOCKWELL_RENDER_DIR");
    if (dir && !name.empty())
        image.save(QString::fromStdString(std::string(dir) + "/" + name + ".png"));
    return image;
}

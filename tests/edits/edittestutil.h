#pragma once
// Helpers of the edit tests: a shown host window and date settings of three date orders.

#include <QApplication>
#include <QImage>
#include <QTest>
#include <QWidget>

#include "platform/datetime.h"
#include "platform/formatsettings.h"

#include "gui/guitestutil.h"

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

#include "platform/gui/qtdatetime.h"

#include <QLocale>
#include <QRegularExpression>

QDate ToQDate(TDateTime value) {
    int y, m, d;
    if (value < -693593 || value >= 2958466) // outside 0001-01-01 .. 9999-12-31
        return {};
    DecodeDate(value, y, m, d);
    return QDate(y, m, d);
}

TDateTime FromQDate(const QDate& date) {
    if (!date.isValid())
        return 0;
    TDateTime value = 0;
    return TryEncodeDate(date.year(), date.month(), date.day(), value) ? value : 0;
}

QTime ToQTime(TDateTime value) {
    int h, n, s, ms;
    DecodeTime(value, h, n, s, ms);
    return QTime(h % 24, n, s, ms);
}

TDateTime FromQTime(const QTime& time) {
    if (!time.isValid())
        return 0;
    return EncodeTime(time.hour(), time.minute(), time.second(), time.msec());
}

QString LocaleDateEditFormat() {
    QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
    // A two-digit year could not show every year the editor can hold.
    if (!format.contains(QStringLiteral("yyyy")))
        format.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return format;
}

QString LocaleTimeEditFormat() {
    QString format = QLocale::system().timeFormat(QLocale::ShortFormat);
    // Drop the seconds with the separator in front of them.
    format.remove(QRegularExpression(QStringLiteral("[^hHmMaApP]?s+")));
    return format;
}

#include "platform/gui/qtdatetime.h"

#include <QRegularExpression>
#include <algorithm>

#include "platform/datetimeformat.h"

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

namespace {

class TQtPattern : public TDateTimePatternWalker {
public:
    using TDateTimePatternWalker::TDateTimePatternWalker;

    QString Result() {
        FlushLiteral();
        return out_;
    }

protected:
    // Text shown as it stands; runs of it are joined into one quoted Qt literal (two quoted
    // pieces side by side would read as a quote).
    void Literal(std::string_view text) override { literal_.append(text); }

    void Field(const TDateTimeField& f) override {
        switch (f.Letter) {
        case 'Y':
            Token(QStringLiteral("yyyy"));
            break;
        case 'M':
            Token(QString(static_cast<int>(std::min<size_t>(f.Count, 4)), QLatin1Char('M')));
            break;
        case 'D':
            Token(QString(static_cast<int>(f.Count), QLatin1Char('d')));
            break;
        case 'H':
            Token(QString(f.Count == 1 ? 1 : 2, QLatin1Char(f.TwelveHour ? 'h' : 'H')));
            break;
        case 'N':
            Token(f.Count == 1 ? QStringLiteral("m") : QStringLiteral("mm"));
            break;
        case 'S':
            Token(f.Count == 1 ? QStringLiteral("s") : QStringLiteral("ss"));
            break;
        case 'Z':
            Token(f.Count == 1 ? QStringLiteral("z") : QStringLiteral("zzz"));
            break;
        }
    }

    // Qt's "AP" / "ap"; "ampm" only where the settings have designators.
    void Designator(TAmPmDesignator kind, std::string_view written) override {
        if (kind == TAmPmDesignator::Settings) {
            if (!AmPmIsEmpty())
                Token(QStringLiteral("AP"));
            return;
        }
        Token(written[0] == 'A' ? QStringLiteral("AP") : QStringLiteral("ap"));
    }

private:
    void Token(const QString& token) {
        FlushLiteral();
        out_ += token;
    }
    void FlushLiteral() {
        if (literal_.empty())
            return;
        QString t = QString::fromStdString(literal_);
        t.replace(QLatin1Char('\''), QStringLiteral("''"));
        out_ += QLatin1Char('\'') + t + QLatin1Char('\'');
        literal_.clear();
    }

    QString out_;
    std::string literal_;
};

} // namespace

QString QtDateTimeFormat(std::string_view pattern, const TFormatSettings& fs) {
    TQtPattern p(fs);
    p.Walk(pattern);
    return p.Result();
}

QString LocaleDateEditFormat() {
    return QtDateTimeFormat("ddddd", LocaleSettings());
}

QString LocaleTimeEditFormat() {
    QString format = QtDateTimeFormat("t", LocaleSettings());
    // Drop the seconds with the literal in front of them.
    format.remove(QRegularExpression(QStringLiteral("('[^']*')?s+")));
    return format;
}

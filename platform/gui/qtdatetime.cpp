#include "platform/gui/qtdatetime.h"

#include <QRegularExpression>
#include <algorithm>

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

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 32) : c;
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool StartsNoCase(std::string_view s, size_t pos, std::string_view word) {
    if (s.size() - pos < word.size())
        return false;
    for (size_t k = 0; k < word.size(); ++k)
        if (Upper(s[pos + k]) != Upper(word[k]))
            return false;
    return true;
}

class TQtPattern {
public:
    explicit TQtPattern(const TFormatSettings& fs) : fs_(fs) {}

    void Append(std::string_view fmt, int level) {
        if (level >= 2) // nested patterns go one level deep, as when formatting
            return;
        char last = 0;
        for (size_t i = 0; i < fmt.size();) {
            const char c = fmt[i];
            if (!IsLetter(c)) {
                if (c == '/') {
                    Literal(fs_.DateSeparator);
                } else if (c == ':') {
                    Literal(fs_.TimeSeparator);
                } else if (c == '"' || c == '\'') {
                    size_t end = fmt.find(c, i + 1);
                    if (end == std::string_view::npos)
                        end = fmt.size();
                    Literal(fmt.substr(i + 1, end - i - 1));
                    i = end;
                } else {
                    Literal(fmt.substr(i, 1));
                }
                ++i;
                continue;
            }
            char tok = Upper(c);
            if (tok == 'M' && last == 'H')
                tok = 'N';
            last = tok;
            size_t count = 1;
            while (i + count < fmt.size() && fmt[i + count] == c)
                ++count;
            switch (tok) {
            case 'Y':
                Token(QStringLiteral("yyyy"));
                break;
            case 'M':
                Token(QString(static_cast<int>(std::min<size_t>(count, 4)), QLatin1Char('M')));
                break;
            case 'D':
                if (count <= 4)
                    Token(QString(static_cast<int>(count), QLatin1Char('d')));
                else
                    Append(count == 5 ? fs_.ShortDateFormat : fs_.LongDateFormat, level + 1);
                break;
            case 'H':
                Token(QString(count == 1 ? 1 : 2,
                              QLatin1Char(TwelveHourAhead(fmt, i + count) ? 'h' : 'H')));
                break;
            case 'N':
                Token(count == 1 ? QStringLiteral("m") : QStringLiteral("mm"));
                break;
            case 'S':
                Token(count == 1 ? QStringLiteral("s") : QStringLiteral("ss"));
                break;
            case 'Z':
                Token(count == 1 ? QStringLiteral("z") : QStringLiteral("zzz"));
                break;
            case 'T':
                Append(count == 1 ? fs_.ShortTimeFormat : fs_.LongTimeFormat, level + 1);
                break;
            case 'C':
                Append(fs_.ShortDateFormat, level + 1);
                Literal(" ");
                Append(fs_.LongTimeFormat, level + 1);
                break;
            case 'A':
                count = AppendAmPm(fmt, i);
                break;
            default:
                Literal(fmt.substr(i, count));
                break;
            }
            i += count;
        }
    }

    QString Result() {
        FlushLiteral();
        return out_;
    }

private:
    // Text shown as it stands; runs of it are joined into one quoted Qt literal (two quoted
    // pieces side by side would read as a quote).
    void Literal(std::string_view text) { literal_.append(text); }
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

    bool AmPmIsEmpty() const { return fs_.TimeAMString.empty() && fs_.TimePMString.empty(); }

    // The hour counts 12 hours when the first "a" after it (before another hour) starts
    // am/pm, a/p or an ampm that writes something.
    bool TwelveHourAhead(std::string_view fmt, size_t from) const {
        bool quoted = false;
        for (size_t p = from; p < fmt.size(); ++p) {
            const char c = fmt[p];
            if (c == '"' || c == '\'')
                quoted = !quoted;
            else if (!quoted && Upper(c) == 'H')
                return false;
            else if (!quoted && Upper(c) == 'A')
                return StartsNoCase(fmt, p, "am/pm") || StartsNoCase(fmt, p, "a/p") ||
                       (StartsNoCase(fmt, p, "ampm") && !AmPmIsEmpty());
        }
        return false;
    }

    // The designator at pos as Qt's "AP" / "ap"; the characters consumed.
    size_t AppendAmPm(std::string_view fmt, size_t pos) {
        const bool upper = fmt[pos] == 'A';
        if (StartsNoCase(fmt, pos, "am/pm") || StartsNoCase(fmt, pos, "a/p")) {
            Token(upper ? QStringLiteral("AP") : QStringLiteral("ap"));
            return StartsNoCase(fmt, pos, "am/pm") ? 5 : 3;
        }
        if (StartsNoCase(fmt, pos, "ampm")) {
            if (!AmPmIsEmpty())
                Token(QStringLiteral("AP"));
            return 4;
        }
        Literal(fmt.substr(pos, 1));
        return 1;
    }

    const TFormatSettings& fs_;
    QString out_;
    std::string literal_;
};

} // namespace

QString QtDateTimeFormat(std::string_view pattern, const TFormatSettings& fs) {
    TQtPattern p(fs);
    p.Append(pattern, 0);
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

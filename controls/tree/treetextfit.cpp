// Fitting texts into the room they have.
#include "controls/tree/treetextfit.h"

#include <QStringList>
#include <QTextLayout>
#include <algorithm>

namespace {

// Lines of LineSeparator: the line feeds of a text as the layout takes them.
QString LaidText(QStringView Text) {
    QString laid = Text.toString();
    laid.replace(QLatin1Char('\n'), QChar::LineSeparator);
    return laid;
}

} // namespace

QString ShortenString(const TTextWidth& Measure, const QString& S, int Width, bool RightToLeft) {
    if (S.isEmpty() || Width <= 0)
        return S;
    return ElideToWidth(Measure, S, Width, RightToLeft);
}

QString FitLine(const TTextWidth& Measure, QStringView Line, int Width, bool More) {
    // Characters are a pixel wide or more: what follows the first Width + 1 cannot show.
    const qsizetype room = qsizetype(std::max(Width, 0)) + 2;
    if (Line.size() > room) {
        Line = Line.left(room);
        More = true;
    }
    // With "..." added, a prefix that fits with another "..." never reaches into the added
    // one: the line with "..." would have fitted.
    return ShortenString(Measure, More ? Line.toString() + QStringLiteral("...") : Line.toString(),
                         Width);
}

TWrappedLines WrapLines(const QFont& Font, QStringView Text, int Width, int MaxLines) {
    Width = std::max(1, Width);
    MaxLines = std::max(1, MaxLines);
    // A line shows no more characters than it has pixels; one running on several times that
    // is a word far too wide, or blanks.
    const qsizetype longLine = 4 * qsizetype(Width) + 64;
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    // The part laid out grows until it settles the lines asked for: a line follows them (their
    // ends no longer change with what comes after), the last of them runs on too long to
    // show, or the part is the whole text.
    for (qsizetype n = std::min<qsizetype>(Text.size(), 4096);; n = std::min(2 * n, Text.size())) {
        const bool whole = n == Text.size();
        QTextLayout layout(LaidText(Text.left(n)), Font);
        layout.setTextOption(option);
        TWrappedLines result;
        bool settled = true;
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(Width);
            if (int(result.Lines.size()) == MaxLines) {
                result.More = true;
                break;
            }
            const qsizetype start = line.textStart(), length = line.textLength();
            if (length >= longLine) {
                result.Lines.emplace_back(start, length);
                result.More = true;
                break;
            }
            if (!whole && start + length >= n) {
                settled = false; // reaches the part's end: what follows decides where it ends
                break;
            }
            result.Lines.emplace_back(start, length);
        }
        layout.endLayout();
        if (settled)
            return result;
    }
}

QString FitWrappedText(const QFont& Font, const QString& Text, int Width, int Height) {
    Width = std::max(1, Width);
    QFontMetrics fm(Font);
    const int lineCount = std::max(1, (Height + fm.leading()) / std::max(1, fm.lineSpacing()));
    const TWrappedLines wrapped = WrapLines(Font, Text, Width, lineCount);
    if (!wrapped.More)
        return Text;
    // Line breaks inside a shown line are blanks; blanks at its end go.
    auto lineText = [&](qsizetype start, qsizetype length) {
        QString t = Text.mid(start, length);
        t.replace(QLatin1Char('\n'), QLatin1Char(' '));
        t.replace(QChar::LineSeparator, QLatin1Char(' '));
        while (!t.isEmpty() && t.back().isSpace())
            t.chop(1);
        return t;
    };
    QStringList shown;
    const size_t last = wrapped.Lines.size() - 1;
    for (size_t i = 0; i < last; ++i)
        shown.push_back(lineText(wrapped.Lines[i].first, wrapped.Lines[i].second));
    // The last line: what follows of its paragraph (as much as one line can show), cut to
    // leave room for "...".
    const qsizetype start = wrapped.Lines[last].first;
    const QStringView ahead = QStringView(Text).mid(start, qsizetype(Width) + 2);
    qsizetype end = ahead.size();
    for (QChar stop : {QChar(QLatin1Char('\n')), QChar(QChar::LineSeparator)})
        if (qsizetype i = ahead.indexOf(stop); i >= 0)
            end = std::min(end, i);
    const QString rest = lineText(start, end);
    QString line = FitLine(TextWidthOf(fm), rest, Width, true);
    // Laid out whole, the line may come out a little wider than its parts measured (kerning,
    // rounding), and wrap: it gives up a pixel more until it fits.
    const QFontMetricsF exact(Font);
    for (int room = Width - 1; room > 0 && exact.horizontalAdvance(line) > Width; --room)
        line = FitLine(TextWidthOf(fm), rest, room, true);
    shown.push_back(line);
    return shown.join(QLatin1Char('\n'));
}

QString FitLines(const QFont& Font, const QString& Text, int Width, int Height) {
    Width = std::max(1, Width);
    QFontMetrics fm(Font);
    const TTextWidth measure = TextWidthOf(fm);
    const int lineCount = std::max(1, (Height + fm.leading()) / std::max(1, fm.lineSpacing()));
    QStringList shown;
    bool changed = false;
    for (qsizetype start = 0;;) {
        qsizetype end = Text.indexOf(QLatin1Char('\n'), start);
        const bool last = end < 0;
        if (last)
            end = Text.size();
        const bool more = !last && int(shown.size()) + 1 == lineCount;
        const QStringView line = QStringView(Text).mid(start, end - start);
        QString fitted = FitLine(measure, line, Width, more);
        changed = changed || more || fitted.size() != line.size();
        shown.push_back(std::move(fitted));
        if (last || more)
            break;
        start = end + 1;
    }
    return changed ? shown.join(QLatin1Char('\n')) : Text;
}

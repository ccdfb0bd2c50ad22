// Fitting texts into the room they have.
#include "controls/tree/treetextfit.h"

#include <QStringList>
#include <algorithm>

QString ShortenString(const TTextWidth& Measure, const QString& S, int Width, bool RightToLeft) {
    if (S.isEmpty() || Width <= 0)
        return S;
    return ElideToWidth(Measure, S, Width, RightToLeft);
}

QString FitWrappedText(const QFont& Font, const QString& Text, int Width, int Height) {
    QFontMetrics fm(Font);
    const int lineCount = std::max(1, (Height + fm.leading()) / std::max(1, fm.lineSpacing()));
    // Measured as Qt lays the lines out again when it draws them.
    const QFontMetricsF exact(Font);
    const TWrappedText wrapped =
        WrapText(TextWidthOf(exact), Text, std::max(1, Width), lineCount, TLongWords::Overflow);
    return wrapped.More ? wrapped.Lines.join(QLatin1Char('\n')) : Text;
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
        // Characters are a pixel wide or more: of a line that more lines follow, what lies past
        // its first Width + 1 cannot show beside the "..." added.
        QString fitted =
            more ? ElideToWidth(measure, line.left(Width + 2).toString() + QStringLiteral("..."),
                                Width)
                 : ElideToWidth(measure, line, Width);
        changed = changed || more || fitted.size() != line.size();
        shown.push_back(std::move(fitted));
        if (last || more)
            break;
        start = end + 1;
    }
    return changed ? shown.join(QLatin1Char('\n')) : Text;
}

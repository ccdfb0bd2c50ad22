// Fitting texts into the room they have.
#include "controls/tree/treetextfit.h"

#include <QStringList>
#include <QTextBoundaryFinder>
#include <QTextLayout>
#include <algorithm>

namespace {

// Cut positions between the characters (grapheme clusters) of a text, from one end on: cut k
// ends (from the end: begins) the part of k + 1 characters. Only a window at that end is
// looked through, widened as more cuts are asked for.
class TCharacterCuts {
public:
    TCharacterCuts(QStringView S, bool FromEnd) : s_(S), fromEnd_(FromEnd) {}
    // At least Count cuts known, or all there are (the last one then the text's far end).
    void Reach(size_t Count);
    size_t Size() const { return cuts_.size(); }
    qsizetype operator[](size_t k) const { return cuts_[k]; }
    // Whether cut k is the text's far end.
    bool IsEnd(size_t k) const { return cuts_[k] == (fromEnd_ ? 0 : s_.size()); }

private:
    // A cut that close to a window's open start may lack the characters before it (a run of
    // flags, an emoji sequence).
    static constexpr qsizetype Context = 32;
    QStringView s_;
    bool fromEnd_;
    std::vector<qsizetype> cuts_;
};

void TCharacterCuts::Reach(size_t Count) {
    // Most characters take one or two units; the window doubles where they take more.
    for (qsizetype window = 2 * qsizetype(Count) + 2 * Context;; window *= 2) {
        window = std::min(window, s_.size());
        const bool whole = window == s_.size();
        cuts_.clear();
        if (fromEnd_) {
            const qsizetype start = s_.size() - window;
            QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, s_.mid(start));
            finder.toEnd();
            for (qsizetype p = finder.toPreviousBoundary(); p >= (whole ? 0 : Context);
                 p = finder.toPreviousBoundary())
                cuts_.push_back(start + p);
        } else {
            // The window's end is no cut unless the text ends there.
            QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, s_.left(window));
            for (qsizetype p = finder.toNextBoundary(); p > 0 && (whole || p < window);
                 p = finder.toNextBoundary())
                cuts_.push_back(p);
        }
        if (cuts_.size() >= Count || whole)
            return;
    }
}

// How many characters to measure after Count of them measured Width pixels, short of Room:
// grown by their average width to about what should cover Room (an eighth more), at least
// doubled and at most eight times. Characters are a pixel wide or more, so no more than Room + 1
// while fewer were measured; beyond that only characters of no width are left to grow by.
qsizetype NextPart(qsizetype Count, int Width, int Room) {
    const qsizetype enough = qsizetype(std::max(Room, 0)) + 1;
    const qsizetype guess = Count * enough / std::max(Width, 1);
    qsizetype next = std::clamp(guess + guess / 8 + 1, 2 * Count, 8 * Count);
    return Count < enough ? std::min(next, enough) : next;
}

// The first part measured: a few characters, and no more than Room + 1.
qsizetype FirstPart(int Room) {
    return std::min<qsizetype>(64, qsizetype(std::max(Room, 0)) + 1);
}

// Lines of LineSeparator: the line feeds of a text as the layout takes them.
QString LaidText(QStringView Text) {
    QString laid = Text.toString();
    laid.replace(QLatin1Char('\n'), QChar::LineSeparator);
    return laid;
}

} // namespace

TTextMeasure FontMeasure(const QFontMetrics& Metrics) {
    return [&Metrics](QStringView t) { return Metrics.horizontalAdvance(t.toString()); };
}

TTextExtent MeasureUpTo(const TTextMeasure& Measure, QStringView S, int Width, bool FromEnd) {
    qsizetype n = std::min(S.size(), FirstPart(Width));
    for (;;) {
        const int w = Measure(FromEnd ? S.right(n) : S.left(n));
        if (w > Width || n == S.size())
            return {n, w};
        n = std::min(NextPart(n, w, Width), S.size());
    }
}

int TextWidthUpTo(const TTextMeasure& Measure, QStringView S, int Limit) {
    return std::min(MeasureUpTo(Measure, S, Limit - 1).Width, Limit);
}

QString ShortenString(const TTextMeasure& Measure, const QString& S, int Width, bool RightToLeft) {
    if (S.isEmpty() || Width <= 0)
        return S;
    TCharacterCuts cuts(S, RightToLeft);
    int width = 0;
    auto part = [&](size_t k) {
        if (k == 0)
            return QStringView();
        return RightToLeft ? QStringView(S).mid(cuts[k - 1]) : QStringView(S).left(cuts[k - 1]);
    };
    // Parts of a few characters first, grown by what they measured, until one does not fit.
    size_t measured = 0;
    for (size_t count = size_t(FirstPart(Width));;
         count = size_t(NextPart(qsizetype(measured), width, Width))) {
        cuts.Reach(count);
        measured = std::min(count, cuts.Size());
        width = Measure(part(measured));
        if (width > Width)
            break;
        if (cuts.IsEnd(measured - 1))
            return S;
    }
    const QString ellipsis = QStringLiteral("...");
    const int room = Width - Measure(ellipsis);
    // Halving over the number of characters kept: prefixes (or suffixes) grow with it. The
    // last part measured does not fit.
    size_t lo = 0, hi = measured - 1;
    while (lo < hi) {
        size_t mid = (lo + hi + 1) / 2;
        if (Measure(part(mid)) <= room)
            lo = mid;
        else
            hi = mid - 1;
    }
    return RightToLeft ? ellipsis + part(lo).toString() : part(lo).toString() + ellipsis;
}

QString FitLine(const TTextMeasure& Measure, QStringView Line, int Width, bool More) {
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
    QString line = FitLine(FontMeasure(fm), rest, Width, true);
    // Laid out whole, the line may come out a little wider than its parts measured (kerning,
    // rounding), and wrap: it gives up a pixel more until it fits.
    const QFontMetricsF exact(Font);
    for (int room = Width - 1; room > 0 && exact.horizontalAdvance(line) > Width; --room)
        line = FitLine(FontMeasure(fm), rest, room, true);
    shown.push_back(line);
    return shown.join(QLatin1Char('\n'));
}

QString FitLines(const QFont& Font, const QString& Text, int Width, int Height) {
    Width = std::max(1, Width);
    QFontMetrics fm(Font);
    const TTextMeasure measure = FontMeasure(fm);
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

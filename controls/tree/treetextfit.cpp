// Fitting texts into the room they have.
#include "controls/tree/treetextfit.h"

#include <QTextBoundaryFinder>
#include <vector>

QString ShortenString(const TTextMeasure& Measure, const QString& S, int Width, bool RightToLeft) {
    if (S.isEmpty() || Width <= 0)
        return S;
    // Cut positions between characters (grapheme clusters), from the kept end on: the part of
    // k characters ends (right to left: begins) at cuts[k - 1]. Found only as far as needed.
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, S);
    if (RightToLeft)
        finder.toEnd();
    const qsizetype wholeCut = RightToLeft ? 0 : S.size();
    std::vector<qsizetype> cuts;
    auto part = [&](size_t k) {
        if (k == 0)
            return QStringView();
        return RightToLeft ? QStringView(S).mid(cuts[k - 1]) : QStringView(S).left(cuts[k - 1]);
    };
    // Characters are a pixel wide or more, so no more than Width of them fit: only that many
    // (and one) are measured. Should they fit all the same (characters of no width), the
    // measured part doubles, up to the whole text.
    for (size_t limit = size_t(Width) + 1;; limit *= 2) {
        while (cuts.size() < limit && (cuts.empty() || cuts.back() != wholeCut))
            cuts.push_back(RightToLeft ? finder.toPreviousBoundary() : finder.toNextBoundary());
        if (Measure(part(cuts.size())) > Width)
            break;
        if (cuts.back() == wholeCut)
            return S;
    }
    const QString ellipsis = QStringLiteral("...");
    const int room = Width - Measure(ellipsis);
    // Halving over the number of characters kept: prefixes (or suffixes) grow with it. The
    // last part measured does not fit.
    size_t lo = 0, hi = cuts.size() - 1;
    while (lo < hi) {
        size_t mid = (lo + hi + 1) / 2;
        if (Measure(part(mid)) <= room)
            lo = mid;
        else
            hi = mid - 1;
    }
    return RightToLeft ? ellipsis + part(lo).toString() : part(lo).toString() + ellipsis;
}

#include "platform/gui/textfit.h"

#include <QFontMetrics>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <vector>

#include "platform/sysutils.h"

namespace {

QString Ellipsis() {
    return QStringLiteral("...");
}

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The grapheme clusters of a text, found from one end on and only as far as asked: the text
// is analysed (and, given as UTF-8, decoded) in windows that grow with what is asked for.
class TClusters {
public:
    // UTF-8 pieces read as one text, from its start.
    explicit TClusters(std::initializer_list<std::string_view> pieces) : pieces_(pieces) {}
    // UTF-16 text, read from its start or (fromEnd) from its end.
    TClusters(QStringView text, bool fromEnd) : text_(text), utf8_(false), fromEnd_(fromEnd) {}

    // Finds clusters until count are known or the text has no more.
    void Read(size_t count) {
        while (!whole_ && cuts_.size() < count) {
            const qsizetype want = std::max(window_, qsizetype(count - cuts_.size()) + 8);
            const size_t before = cuts_.size();
            if (fromEnd_)
                ReadBackward(want);
            else
                ReadForward(want);
            if (cuts_.size() == before)
                window_ *= 2; // one cluster longer than the window
        }
    }
    size_t Known() const { return cuts_.size(); }
    // True once every cluster is known.
    bool Whole() const { return whole_; }
    // The text of clusters from .. to - 1 (from <= to <= Known()), counted from the end read
    // from.
    QStringView Span(size_t from, size_t to) const {
        const qsizetype a = Cut(from), b = Cut(to);
        return fromEnd_ ? View().mid(b, a - b) : View().mid(a, b - a);
    }
    // Cluster i (< Known()) ends a line.
    bool IsLineBreak(size_t i) const {
        const QStringView s = Span(i, i + 1);
        return s == u"\n" || s == u"\r" || s == u"\r\n" || s == u"\u2028" || s == u"\u2029" ||
               s == u"\u0085";
    }
    // Cluster i (< Known()) is white space within a line.
    bool IsBlank(size_t i) const { return Span(i, i + 1).front().isSpace() && !IsLineBreak(i); }

private:
    QStringView View() const { return utf8_ ? QStringView(decoded_) : text_; }
    // Where cluster k begins (from the end: where cluster k - 1 begins; 0: the end read from).
    qsizetype Cut(size_t k) const {
        if (k == 0)
            return fromEnd_ ? text_.size() : 0;
        return cuts_[k - 1];
    }

    // Makes n units available when the text has that many; the number available.
    qsizetype Units(qsizetype n) {
        if (!utf8_)
            return text_.size();
        while (decoded_.size() < n && piece_ < pieces_.size()) {
            const std::string_view rest = pieces_[piece_].substr(offset_);
            size_t take =
                std::min(rest.size(), size_t(std::max<qsizetype>(n - decoded_.size(), 256)));
            // Whole sequences only: the cut moves back to the start of one.
            for (int k = 0; k < 3 && take < rest.size() && IsContinuationByte(rest[take]); ++k)
                --take;
            decoded_ += QString::fromUtf8(rest.data(), qsizetype(take));
            offset_ += take;
            if (offset_ >= pieces_[piece_].size()) {
                ++piece_;
                offset_ = 0;
            }
        }
        return decoded_.size();
    }

    void ReadForward(qsizetype want) {
        const qsizetype from = Cut(cuts_.size());
        qsizetype end = from + want;
        // One unit more tells whether the window ends the text.
        const qsizetype have = Units(end + 1);
        const bool last = have <= end;
        if (last)
            end = have;
        else if (View()[end - 1].isHighSurrogate() && View()[end].isLowSurrogate())
            ++end; // a pair stays whole
        // Analysed from a cut on: no cluster reaches back over one.
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, View().mid(from, end - from));
        for (qsizetype p = finder.toNextBoundary(); p > 0; p = finder.toNextBoundary()) {
            if (p == end - from && !last)
                break; // the window's end need not be a cut
            cuts_.push_back(from + p);
        }
        whole_ = last;
    }

    void ReadBackward(qsizetype want) {
        const qsizetype to = Cut(cuts_.size());
        auto pairStart = [&](qsizetype at) {
            return at > 0 && at < to && text_[at].isLowSurrogate() &&
                           text_[at - 1].isHighSurrogate()
                       ? at - 1
                       : at;
        };
        const qsizetype start = pairStart(std::max<qsizetype>(0, to - want));
        // Clusters that reach back (flags in pairs, joined emoji) are told apart with some text
        // before the window.
        const qsizetype context = pairStart(std::max<qsizetype>(0, start - ContextUnits));
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text_.mid(context, to - context));
        finder.toEnd();
        for (qsizetype p = finder.toPreviousBoundary(); p >= 0 && context + p >= start;
             p = finder.toPreviousBoundary()) {
            cuts_.push_back(context + p);
            if (context + p == 0)
                break;
        }
        whole_ = start == 0;
    }

    static constexpr qsizetype ContextUnits = 32;

    std::vector<std::string_view> pieces_;
    size_t piece_ = 0, offset_ = 0; // where decoding goes on
    QString decoded_;
    QStringView text_;
    bool utf8_ = true;
    bool fromEnd_ = false;
    std::vector<qsizetype> cuts_; // where cluster k + 1 begins (from the end: where k begins)
    bool whole_ = false;
    qsizetype window_ = 64; // units analysed at least at a time
};

// Clusters from .. from + count - 1 with "..." after them (keepEnd: before them).
QString WithEllipsis(const TClusters& c, size_t from, size_t count, bool keepEnd) {
    QString text = keepEnd ? Ellipsis() : QString();
    text.append(c.Span(from, from + count));
    if (!keepEnd)
        text.append(Ellipsis());
    return text;
}

// The most clusters from `from` on, up to most, that fit width (with "..." when dots); the
// widths of longer parts are taken to be larger.
size_t MostThatFit(const TClusters& c, const TTextWidth& widthOf, size_t from, size_t most,
                   int width, bool dots, bool keepEnd) {
    size_t lo = 0, hi = most;
    while (lo < hi) {
        const size_t mid = (lo + hi + 1) / 2;
        const int w =
            dots ? widthOf(WithEllipsis(c, from, mid, keepEnd)) : widthOf(c.Span(from, from + mid));
        if (w <= width)
            lo = mid;
        else
            hi = mid - 1;
    }
    return lo;
}

// How many clusters to measure first: a few, and no more than room + 1.
size_t FirstPart(int room) {
    return std::min<size_t>(64, size_t(std::max(room, 0)) + 1);
}

// How many clusters to measure after count of them measured width pixels, short of room:
// grown by their average width to about what should cover room (an eighth more), at least
// doubled and at most eight times. Characters are a pixel wide or more, so no more than
// room + 1 while fewer were measured; beyond that only characters of no width are left to
// grow by.
size_t NextPart(size_t count, int width, int room) {
    const size_t enough = size_t(std::max(room, 0)) + 1;
    const size_t guess = count * enough / size_t(std::max(width, 1));
    const size_t next = std::clamp(guess + guess / 8 + 1, 2 * count, 8 * count);
    return count < enough ? std::min(next, enough) : next;
}

// A line from cluster From on: clusters From .. End - 1, up to a line break (cluster End,
// when Break) or the text's end.
struct TLine {
    size_t From = 0, End = 0;
    int Width = 0;      // of clusters From .. End - 1
    bool Fits = false;  // all of them fit the width
    bool Break = false; // cluster End is a line break
    bool More = false;  // text is left after the line
};

// Reads the line from cluster from on no further than needed to know that it does not fit
// width, in parts grown from a few clusters (FirstPart, NextPart). Line breaks count when
// lineBreaks.
TLine ReadLine(TClusters& c, const TTextWidth& widthOf, size_t from, int width, bool lineBreaks) {
    TLine line{from, from};
    size_t scanned = from; // clusters looked at for a line break
    for (size_t count = FirstPart(width);; count = NextPart(line.End - from, line.Width, width)) {
        c.Read(from + count);
        line.End = std::min(c.Known(), from + count);
        for (; lineBreaks && !line.Break && scanned < line.End; ++scanned)
            if (c.IsLineBreak(scanned)) {
                line.End = scanned;
                line.Break = true;
            }
        line.Width = widthOf(c.Span(from, line.End));
        line.Fits = line.Width <= width;
        if (!line.Fits || line.Break || (c.Whole() && line.End == c.Known())) {
            if (line.Break)
                c.Read(line.End + 2);
            line.More = !line.Fits || (line.Break && c.Known() > line.End + 1);
            return line;
        }
    }
}

// The line cut with "..." to width, as much of it as fits.
QString CutLine(const TClusters& c, const TTextWidth& widthOf, const TLine& line, int width,
                bool keepEnd) {
    // Of a line that does not fit whole, its last cluster read does not fit.
    size_t most = line.End - line.From;
    if (!line.Fits && most > 0)
        --most;
    return WithEllipsis(c, line.From,
                        MostThatFit(c, widthOf, line.From, most, width, true, keepEnd), keepEnd);
}

QString FitLine(TClusters& c, const TTextWidth& widthOf, int width, bool keepEnd, bool lineBreaks) {
    c.Read(1);
    if (c.Known() == 0)
        return {};
    const TLine line = ReadLine(c, widthOf, 0, width, lineBreaks);
    if (!line.More)
        return c.Span(0, line.End).toString();
    return CutLine(c, widthOf, line, width, keepEnd);
}

} // namespace

TTextWidth TextWidthOf(const QFontMetrics& metrics) {
    return [&metrics](QStringView text) {
        return metrics.horizontalAdvance(QString::fromRawData(text.data(), text.size()));
    };
}

TTextExtent MeasureUpTo(const TTextWidth& widthOf, QStringView text, int width, bool fromEnd) {
    // A text no longer than the first part is measured whole, its characters not looked for.
    if (text.size() <= qsizetype(FirstPart(width)))
        return {text.size(), widthOf(text)};
    TClusters clusters(text, fromEnd);
    const TLine line = ReadLine(clusters, widthOf, 0, width, false);
    return {clusters.Span(0, line.End).size(), line.Width};
}

int TextWidthUpTo(const TTextWidth& widthOf, QStringView text, int limit) {
    return std::min(MeasureUpTo(widthOf, text, limit - 1).Width, limit);
}

QString ElideToWidth(const TTextWidth& widthOf, QStringView text, int width, bool keepEnd) {
    TClusters clusters(text, keepEnd);
    return FitLine(clusters, widthOf, width, keepEnd, false);
}

QString FirstLineToWidth(const TTextWidth& widthOf, std::initializer_list<std::string_view> pieces,
                         int width) {
    TClusters clusters(pieces);
    return FitLine(clusters, widthOf, width, false, true);
}

QStringList WrapToLines(const TTextWidth& widthOf, std::string_view text, int width, int maxLines) {
    TClusters c({text});
    width = std::max(width, 0);
    QStringList lines;
    size_t from = 0;
    while (lines.size() < std::max(maxLines, 1)) {
        const bool last = lines.size() + 1 >= maxLines;
        const TLine line = ReadLine(c, widthOf, from, width, true);
        if (line.Fits && !(last && line.More)) {
            lines << c.Span(from, line.End).toString();
            if (!line.More)
                break;
            from = line.End + 1;
            continue;
        }
        if (last) {
            lines << CutLine(c, widthOf, line, width, false);
            break;
        }
        // Too wide: the line ends at its last blank that fits (one just past the edge counts,
        // being dropped), else inside its word.
        const size_t end =
            from + MostThatFit(c, widthOf, from, line.End - from - 1, width, false, false);
        size_t blank = end;
        while (blank > from && !c.IsBlank(blank))
            --blank;
        if (blank > from) {
            lines << c.Span(from, blank).toString();
            from = blank + 1;
        } else {
            const size_t cut = std::max(end, from + 1);
            lines << c.Span(from, cut).toString();
            from = cut;
        }
    }
    return lines;
}

std::string LimitHintLines(std::string_view hint, int maxLines, int maxLineChars) {
    const size_t lineChars = size_t(std::max(maxLineChars, 0));
    std::string out;
    for (int lines = 0; !hint.empty(); ++lines) {
        if (lines == maxLines) {
            out += "...";
            break;
        }
        // A line break is looked for only where the line may still end.
        const std::string_view head = Utf8Prefix(hint, lineChars + 1);
        const size_t lineEnd = head.find('\n');
        if (lineEnd == std::string_view::npos) {
            const std::string_view kept = Utf8Prefix(head, lineChars);
            out += kept;
            if (kept.size() < hint.size())
                out += "...";
            break;
        }
        // The line break, with the "\r" that follows it in the engine's hints.
        const size_t breakSize = hint.substr(lineEnd, 2) == "\n\r" ? 2 : 1;
        out += hint.substr(0, lineEnd + breakSize);
        hint.remove_prefix(lineEnd + breakSize);
    }
    return out;
}

#include "platform/gui/textfit.h"

#include <QFontMetrics>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/sysutils.h"

namespace {

QString Ellipsis() {
    return QStringLiteral("...");
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
        switch (s.front().unicode()) {
        case u'\n':
        case u'\u2028':
        case u'\u2029':
        case u'\u0085':
            return s.size() == 1;
        case u'\r':
            return s.size() == 1 || s == u"\r\n";
        default:
            return false;
        }
    }
    // Cluster i (< Known()) is white space within a line where a line may break (not a
    // no-break space).
    bool IsBlank(size_t i) const {
        const QChar ch = Span(i, i + 1).front();
        return ch.isSpace() && ch.decompositionTag() != QChar::NoBreak && !IsLineBreak(i);
    }

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
            // Whole sequences only: the cut moves back to the start of one.
            const size_t take =
                Utf8BytePrefix(rest, size_t(std::max<qsizetype>(n - decoded_.size(), 256))).size();
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

// The most of n parts that fit, where fits(k) (1 <= k <= n) holds for k up to the answer and
// no further: tried at guess and the one after first, so that a good guess costs two tries,
// then by halving.
template <typename TFits> size_t MostThatFit(size_t n, size_t guess, const TFits& fits) {
    size_t lo = 0, hi = n; // the answer lies in lo .. hi
    for (size_t k = std::max<size_t>(guess, 1); k <= guess + 1 && k > lo && k <= hi; ++k) {
        if (!fits(k)) {
            hi = k - 1;
            break;
        }
        lo = k;
    }
    while (lo < hi) {
        const size_t mid = (lo + hi + 1) / 2;
        if (fits(mid))
            lo = mid;
        else
            hi = mid - 1;
    }
    return lo;
}

// The most clusters from `from` on, up to most, that fit width (with "..." when dots); the
// widths of longer parts are taken to be larger. Looked for from what the average width
// (measured clusters, pixels) lets fit.
size_t ClustersThatFit(const TClusters& c, const TTextWidth& widthOf, size_t from, size_t most,
                       int width, bool dots, bool keepEnd, size_t measured, int measuredWidth) {
    size_t guess = measured * size_t(std::max(width, 0)) / size_t(std::max(measuredWidth, 1));
    if (dots)
        guess = guess > 2 ? guess - 2 : 0; // about what "..." takes
    return MostThatFit(most, guess, [&](size_t n) {
        return (dots ? widthOf(WithEllipsis(c, from, n, keepEnd))
                     : widthOf(c.Span(from, from + n))) <= width;
    });
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
// width, in parts grown from a few clusters (FirstPart, or expect when fewer), by NextPart.
// Line breaks count when lineBreaks.
TLine ReadLine(TClusters& c, const TTextWidth& widthOf, size_t from, int width, bool lineBreaks,
               size_t expect = SIZE_MAX) {
    TLine line{from, from};
    size_t scanned = from; // clusters looked at for a line break
    for (size_t count = std::clamp<size_t>(expect, 1, FirstPart(width));;
         count = NextPart(line.End - from, line.Width, width)) {
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
                        ClustersThatFit(c, widthOf, line.From, most, width, true, keepEnd,
                                        line.End - line.From, line.Width),
                        keepEnd);
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

// How many clusters a word or a run of blanks may take on a wrapped line before the line
// counts as running on too long to show: several lines' width, each character a pixel wide at
// least.
size_t LongRun(int width) {
    return 4 * size_t(std::max(width, 0)) + 64;
}

// Where a line may break between the clusters from .. end - 1 of a text, as Qt's layout
// breaks lines: where Unicode's line breaking allows it, and after every run of blanks. Looks
// at those clusters only: a break before cluster end - 1 or earlier, or before end where the
// text ends there.
class TBreaks {
public:
    TBreaks(const TClusters& c, size_t from, size_t end)
        : c_(c), from_(from), finder_(QTextBoundaryFinder::Line, c.Span(from, end)) {}
    // A line may break before cluster k (from < k <= end).
    bool Before(size_t k) {
        if (c_.IsBlank(k - 1) && (k == c_.Known() || !c_.IsBlank(k)))
            return true;
        finder_.setPosition(c_.Span(from_, k).size());
        return finder_.isAtBoundary();
    }

private:
    const TClusters& c_;
    size_t from_;
    QTextBoundaryFinder finder_;
};

// Cluster k moved back over the blanks before it, no further than from.
size_t BeforeBlanks(const TClusters& c, size_t from, size_t k) {
    while (k > from && c.IsBlank(k - 1))
        --k;
    return k;
}

// Cluster k moved on over the blanks from it on (read as needed), no further than most.
size_t AfterBlanks(TClusters& c, size_t k, size_t most) {
    for (; k < most; ++k) {
        c.Read(k + 1);
        if (k >= c.Known() || !c.IsBlank(k))
            break;
    }
    return k;
}

// A wrapped line: clusters From .. End - 1 show (no blank ends them); the next line starts at
// Next, after the blanks and the line break that end this one.
struct TWrappedLine {
    size_t From = 0, End = 0, Next = 0;
    bool InsideWord = false; // ends inside a word wider than a line
};

// The wrapped line from cluster from on that ends before cluster at (after it, when it is a
// line break).
TWrappedLine EndingAt(const TClusters& c, size_t from, size_t at) {
    const bool lineBreak = at < c.Known() && c.IsLineBreak(at);
    return {from, BeforeBlanks(c, from, at), lineBreak ? at + 1 : at};
}

// Wraps the line from cluster from on (text is left there, expect clusters of it likely to
// fit) into wrapped; false when it runs on too long to find its end (longWords Overflow, a word
// or blanks past LongRun).
bool WrapLine(TClusters& c, const TTextWidth& widthOf, size_t from, int width, TLongWords longWords,
              size_t expect, TWrappedLine& wrapped) {
    const TLine line = ReadLine(c, widthOf, from, width, true, expect);
    if (line.Fits) {
        wrapped = EndingAt(c, from, line.End);
        return true;
    }
    // The places the line may end in the part read and the blanks after it, which hang past
    // the edge; each is told with the cluster after it.
    const size_t longest = from + LongRun(width);
    const size_t end = AfterBlanks(c, line.End, longest);
    c.Read(end + 2);
    std::vector<size_t> ends;
    {
        TBreaks breaks(c, from, std::min(c.Known(), end + 2));
        // A line shows something: blanks it starts with go with the word after them.
        for (size_t k = from + 1; k <= end; ++k)
            if (((k == end && k < c.Known() && c.IsLineBreak(k)) || breaks.Before(k)) &&
                BeforeBlanks(c, from, k) > from)
                ends.push_back(k);
    }
    // The last of them where the line fits but for the blanks that end it (the line grows
    // with where it ends), looked for from where the part read would be cut by its average
    // width.
    const qsizetype units = c.Span(from, line.End).size();
    size_t guess = 0;
    while (guess < ends.size() &&
           c.Span(from, std::min(ends[guess], line.End)).size() * line.Width <= units * width)
        ++guess;
    const size_t fitting = MostThatFit(ends.size(), guess, [&](size_t n) {
        return widthOf(c.Span(from, BeforeBlanks(c, from, ends[n - 1]))) <= width;
    });
    if (fitting > 0) {
        wrapped = EndingAt(c, from, ends[fitting - 1]);
        return true;
    }
    // A word wider than the line.
    if (longWords == TLongWords::Break) {
        // Inside it, as much as fits, one character of it at least.
        size_t least = from;
        while (least + 1 < line.End && c.IsBlank(least))
            ++least;
        const size_t cut = std::max(
            least + 1, from + ClustersThatFit(c, widthOf, from, line.End - from - (line.End > from),
                                              width, false, false, line.End - from, line.Width));
        if (c.IsBlank(cut - 1) || (cut < c.Known() && c.IsBlank(cut))) {
            // At blanks after the word: they hang past the edge, and the line ends after them.
            wrapped = EndingAt(c, from, AfterBlanks(c, cut, longest));
        } else {
            wrapped = {from, cut, cut, true};
        }
        return true;
    }
    if (!ends.empty()) {
        wrapped = EndingAt(c, from, ends.front());
        return true;
    }
    c.Read(longest + 2);
    const size_t look = std::min(c.Known(), longest + 2);
    const bool textEnds = c.Whole() && look == c.Known();
    TBreaks breaks(c, from, look);
    for (size_t k = end + 1; k <= std::min(longest, look); ++k)
        if (k == look ? textEnds : c.IsLineBreak(k) || breaks.Before(k)) {
            wrapped = EndingAt(c, from, k);
            return true;
        }
    return false;
}

// Text other than blanks and line breaks follows cluster from, or more than most clusters do.
bool NonBlankFollows(TClusters& c, size_t from, size_t most) {
    for (size_t k = from; k < from + most; ++k) {
        c.Read(k + 1);
        if (k >= c.Known())
            return false;
        if (!c.IsBlank(k) && !c.IsLineBreak(k))
            return true;
    }
    return true;
}

// The last line shown of a text that goes on: from cluster from on to the end of its
// paragraph (without the blanks that end it), cut with "...".
QString LastLine(TClusters& c, const TTextWidth& widthOf, size_t from, int width) {
    TLine line = ReadLine(c, widthOf, from, width, true);
    if (line.Fits)
        line.End = BeforeBlanks(c, from, line.End);
    return CutLine(c, widthOf, line, width, false);
}

TWrappedText Wrap(TClusters& c, const TTextWidth& widthOf, int width, int maxLines,
                  TLongWords longWords) {
    width = std::max(width, 0);
    TWrappedText wrapped;
    std::vector<TWrappedLine> lines;
    size_t from = 0, expect = SIZE_MAX;
    for (c.Read(1); from < c.Known(); c.Read(from + 1)) {
        if (lines.size() >= size_t(std::max(maxLines, 1))) {
            wrapped.More = NonBlankFollows(c, from, LongRun(width));
            break;
        }
        TWrappedLine line;
        if (!WrapLine(c, widthOf, from, width, longWords, expect, line)) {
            lines.push_back({from, from, from});
            wrapped.More = true;
            break;
        }
        lines.push_back(line);
        // A line that follows is likely about as long: a little more is measured first.
        expect = line.Next - from + (line.Next - from) / 4 + 4;
        from = line.Next;
    }
    const bool rest = from < c.Known(); // blanks, unless More
    for (size_t i = 0; i < lines.size(); ++i) {
        const TWrappedLine& line = lines[i];
        if (i + 1 == lines.size() && wrapped.More) {
            wrapped.Lines << LastLine(c, widthOf, line.From, width);
            wrapped.Kept += wrapped.Lines.back();
            break;
        }
        wrapped.Lines << c.Span(line.From, line.End).toString();
        if (i + 1 < lines.size()) {
            wrapped.Kept += c.Span(line.From, lines[i + 1].From);
            if (line.InsideWord)
                wrapped.Kept += u'\n';
        } else {
            wrapped.Kept += c.Span(line.From, rest ? line.End : c.Known());
        }
    }
    return wrapped;
}

} // namespace

TTextWidth TextWidthOf(const QFontMetrics& metrics) {
    return [&metrics](QStringView text) {
        return metrics.horizontalAdvance(QString::fromRawData(text.data(), text.size()));
    };
}

TTextWidth TextWidthOf(const QFontMetricsF& metrics) {
    return [&metrics](QStringView text) {
        qreal width = metrics.horizontalAdvance(QString::fromRawData(text.data(), text.size()));
        // A last glyph that reaches past its advance (a slash, a slant) takes the room it
        // reaches into, as Qt's layout counts it.
        if (!text.isEmpty() && !text.back().isSurrogate())
            width += std::max<qreal>(0, -metrics.rightBearing(text.back()));
        return int(std::ceil(width));
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

TWrappedText WrapText(const TTextWidth& widthOf, std::string_view text, int width, int maxLines,
                      TLongWords longWords) {
    TClusters clusters({text});
    return Wrap(clusters, widthOf, width, maxLines, longWords);
}

TWrappedText WrapText(const TTextWidth& widthOf, QStringView text, int width, int maxLines,
                      TLongWords longWords) {
    TClusters clusters(text, false);
    return Wrap(clusters, widthOf, width, maxLines, longWords);
}

QStringList WrapToLines(const TTextWidth& widthOf, std::string_view text, int width, int maxLines) {
    return WrapText(widthOf, text, width, maxLines, TLongWords::Break).Lines;
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

#include "platform/gui/canvas.h"

#include <QFontMetrics>
#include <QTextLayout>
#include <QVector>
#include <algorithm>
#include <cmath>

#include "platform/gui/qtcolors.h"

namespace {

// One-pixel lines of a border ring: top-left sides first, then bottom-right sides, which own
// the top-right and bottom-left corners. r/b are exclusive.
void DrawRing(QPainter& p, int l, int t, int r, int b, const QColor& tl, const QColor& br,
              unsigned sides) {
    if (r <= l || b <= t)
        return;
    if (tl.isValid()) {
        if (sides & BF_TOP)
            p.fillRect(l, t, r - l, 1, tl);
        if (sides & BF_LEFT)
            p.fillRect(l, t, 1, b - t, tl);
    }
    if (br.isValid()) {
        if (sides & BF_BOTTOM)
            p.fillRect(l, b - 1, r - l, 1, br);
        if (sides & BF_RIGHT)
            p.fillRect(r - 1, t, 1, b - t, br);
    }
}

struct RingColors {
    QColor tl, br;
};

RingColors OuterColors(unsigned edge, unsigned flags) {
    auto c = [](TColor x) { return ColorToQColor(x); };
    if (flags & BF_MONO)
        return {c(clWindowFrame), c(clWindowFrame)};
    if (flags & BF_FLAT)
        return {c(clBtnShadow), c(clBtnShadow)};
    bool soft = flags & BF_SOFT;
    if (edge & BDR_RAISEDOUTER)
        return {c(soft ? clBtnHighlight : cl3DLight), c(cl3DDkShadow)};
    if (edge & BDR_SUNKENOUTER)
        return {c(soft ? cl3DDkShadow : clBtnShadow), c(clBtnHighlight)};
    return {};
}

RingColors InnerColors(unsigned edge, unsigned flags) {
    auto c = [](TColor x) { return ColorToQColor(x); };
    if (flags & BF_MONO)
        return {c(clWindow), c(clWindow)};
    if (flags & BF_FLAT)
        return {c(clBtnFace), c(clBtnFace)};
    bool soft = flags & BF_SOFT;
    if (edge & BDR_RAISEDINNER)
        return {c(soft ? cl3DLight : clBtnHighlight), c(clBtnShadow)};
    if (edge & BDR_SUNKENINNER)
        return {c(soft ? clBtnShadow : cl3DDkShadow), c(cl3DLight)};
    return {};
}

struct TextLine {
    QString text;
    int start = 0; // position of the line in the prefix-stripped text
    bool lastOfParagraph = true;
};

QFontMetrics MetricsOf(QPainter& p) {
    return p.device() ? QFontMetrics(p.font(), p.device()) : QFontMetrics(p.font());
}

// Splits into lines: paragraphs at line breaks, then words to width when wrapping.
std::vector<TextLine> LayoutLines(QPainter& p, const QString& text, int width, unsigned flags) {
    std::vector<TextLine> lines;
    QStringList paragraphs;
    QVector<int> starts;
    if (flags & DT_SINGLELINE) {
        QString s = text;
        paragraphs << s;
        starts << 0;
    } else {
        int start = 0;
        for (int i = 0; i <= text.size(); ++i) {
            if (i == text.size() || text[i] == u'\n' || text[i] == u'\r') {
                paragraphs << text.mid(start, i - start);
                starts << start;
                if (i < text.size() && text[i] == u'\r' && i + 1 < text.size() &&
                    text[i + 1] == u'\n')
                    ++i;
                start = i + 1;
            }
        }
    }
    for (int k = 0; k < paragraphs.size(); ++k) {
        const QString& par = paragraphs[k];
        if (!(flags & DT_WORDBREAK) || par.isEmpty()) {
            lines.push_back({par, starts[k], true});
            continue;
        }
        QTextLayout layout(par, p.font(), p.device());
        QTextOption opt;
        opt.setWrapMode((flags & DT_EDITCONTROL) ? QTextOption::WrapAtWordBoundaryOrAnywhere
                                                 : QTextOption::WordWrap);
        layout.setTextOption(opt);
        layout.beginLayout();
        for (;;) {
            QTextLine line = layout.createLine();
            if (!line.isValid())
                break;
            line.setLineWidth(std::max(width, 0));
            QString s = par.mid(line.textStart(), line.textLength());
            while (!s.isEmpty() && s.back() == u' ')
                s.chop(1);
            lines.push_back({s, starts[k] + line.textStart(), false});
        }
        layout.endLayout();
        if (!lines.empty())
            lines.back().lastOfParagraph = true;
    }
    return lines;
}

} // namespace

void DrawEdge(QPainter& p, QRect& rect, unsigned edge, unsigned flags) {
    int l = rect.left(), t = rect.top(), r = rect.left() + rect.width(),
        b = rect.top() + rect.height();
    unsigned sides = flags & BF_RECT;
    RingColors outer = OuterColors(edge, flags);
    RingColors inner = InnerColors(edge, flags);
    bool hasOuter = (edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER)) || (flags & (BF_FLAT | BF_MONO));
    bool hasInner = (edge & (BDR_RAISEDINNER | BDR_SUNKENINNER)) || (flags & (BF_FLAT | BF_MONO));
    auto shrink = [&] {
        if (sides & BF_LEFT)
            ++l;
        if (sides & BF_TOP)
            ++t;
        if (sides & BF_RIGHT)
            --r;
        if (sides & BF_BOTTOM)
            --b;
    };
    if (hasOuter) {
        DrawRing(p, l, t, r, b, outer.tl, outer.br, sides);
        shrink();
    }
    if (hasInner) {
        DrawRing(p, l, t, r, b, inner.tl, inner.br, sides);
        shrink();
    }
    if ((flags & BF_MIDDLE) && r > l && b > t)
        p.fillRect(l, t, r - l, b - t, ColorToQColor((flags & BF_MONO) ? clWindow : clBtnFace));
    if (flags & BF_ADJUST)
        rect = QRect(l, t, std::max(r - l, 0), std::max(b - t, 0));
}

void Frame3D(QPainter& p, QRect& rect, TColor topColor, TColor bottomColor, int width) {
    QColor tl = ColorToQColor(topColor), br = ColorToQColor(bottomColor);
    int l = rect.left(), t = rect.top(), r = rect.left() + rect.width(),
        b = rect.top() + rect.height();
    for (int i = 0; i < width; ++i) {
        DrawRing(p, l, t, r, b, tl, br, BF_RECT);
        ++l, ++t, --r, --b;
    }
    rect = QRect(l, t, std::max(r - l, 0), std::max(b - t, 0));
}

void DrawFocusRect(QPainter& p, const QRect& rect) {
    if (rect.isEmpty())
        return;
    p.save();
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    QColor white(255, 255, 255);
    int l = rect.left(), t = rect.top(), r = rect.right(), b = rect.bottom();
    auto dot = [&](int x, int y) {
        if (((x - l) + (y - t)) % 2 == 0)
            p.fillRect(x, y, 1, 1, white);
    };
    for (int x = l; x <= r; ++x) {
        dot(x, t);
        if (b != t)
            dot(x, b);
    }
    for (int y = t + 1; y < b; ++y) {
        dot(l, y);
        if (r != l)
            dot(r, y);
    }
    p.restore();
}

void FillRect(QPainter& p, const QRect& rect, TColor color) {
    QColor c = ColorToQColor(color);
    if (c.isValid())
        p.fillRect(rect, c);
}

void DrawGradient(QPainter& p, TColor fromColor, TColor toColor, int steps, const QRect& rect,
                  bool horizontal) {
    if (rect.isEmpty())
        return;
    if (steps <= 0)
        steps = 1;
    TColor a = ColorToRGB(fromColor), z = ColorToRGB(toColor);
    double dr = double(GetRValue(z) - GetRValue(a)) / steps;
    double dg = double(GetGValue(z) - GetGValue(a)) / steps;
    double db = double(GetBValue(z) - GetBValue(a)) / steps;
    double size = double(horizontal ? rect.width() : rect.height()) / steps;
    p.save();
    p.setClipRect(rect, Qt::IntersectClip);
    int bandWidth = int(std::ceil(size)) + 1;
    for (int i = 0; i < steps; ++i) {
        QColor c(std::clamp(GetRValue(a) + int(std::lround(i * dr)), 0, 255),
                 std::clamp(GetGValue(a) + int(std::lround(i * dg)), 0, 255),
                 std::clamp(GetBValue(a) + int(std::lround(i * db)), 0, 255));
        int start = int(std::lround(i * size));
        if (horizontal)
            p.fillRect(rect.left() + start, rect.top(), bandWidth, rect.height(), c);
        else
            p.fillRect(rect.left(), rect.top() + start, rect.width(), bandWidth, c);
    }
    p.restore();
}

QColor AutoTransparentColor(const QImage& image) {
    if (image.isNull())
        return QColor();
    return QColor(image.pixel(0, image.height() - 1)).toRgb();
}

QImage MakeTransparent(const QImage& image, const QColor& key) {
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    if (!key.isValid())
        return out;
    QRgb k = key.rgb() & 0xFFFFFF;
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((line[x] & 0xFFFFFF) == k)
                line[x] = 0;
    }
    return out;
}

void DrawTransparent(QPainter& p, const QPoint& pos, const QImage& image, const QColor& key) {
    if (image.isNull())
        return;
    p.drawImage(pos, MakeTransparent(image, key));
}

QString StripPrefixes(const QString& text, int* mnemonicIndex) {
    QString out;
    out.reserve(text.size());
    int index = -1;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == u'&') {
            if (i + 1 < text.size() && text[i + 1] == u'&') {
                out += u'&';
                ++i;
                continue;
            }
            if (i + 1 < text.size() && index < 0)
                index = int(out.size());
            continue;
        }
        out += text[i];
    }
    if (mnemonicIndex)
        *mnemonicIndex = index;
    return out;
}

int DrawText(QPainter& p, const QString& text, QRect& rect, unsigned flags) {
    int mnemonic = -1;
    QString plain = (flags & DT_NOPREFIX) ? text : StripPrefixes(text, &mnemonic);
    if (flags & DT_HIDEPREFIX)
        mnemonic = -1;
    if (flags & DT_SINGLELINE) {
        plain.replace(u'\r', u' ');
        plain.replace(u'\n', u' ');
    }
    QFontMetrics fm = MetricsOf(p);
    int lineHeight = fm.height();
    std::vector<TextLine> lines = LayoutLines(p, plain, rect.width(), flags);
    int textHeight = lineHeight * int(lines.size());

    if (flags & DT_CALCRECT) {
        int widest = 0;
        for (const TextLine& l : lines)
            widest = std::max(widest, fm.horizontalAdvance(l.text));
        // Wrapped text: narrower text shrinks the width, a word wider than it widens it.
        rect.setWidth(widest);
        rect.setHeight(textHeight);
        return textHeight;
    }

    bool elide = flags & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS);
    Qt::TextElideMode mode = (flags & DT_PATH_ELLIPSIS) ? Qt::ElideMiddle : Qt::ElideRight;
    if (elide && (flags & DT_WORDBREAK)) {
        // Keep the lines that fit; the last of them takes the rest of the text, shortened.
        int fit = std::max(1, rect.height() / std::max(lineHeight, 1));
        if (int(lines.size()) > fit) {
            TextLine& last = lines[fit - 1];
            last.text = plain.mid(last.start).simplified();
            lines.resize(fit);
            last.text = fm.elidedText(last.text, mode, rect.width());
            textHeight = lineHeight * fit;
        }
        for (TextLine& l : lines)
            if (fm.horizontalAdvance(l.text) > rect.width())
                l.text = fm.elidedText(l.text, mode, rect.width());
    } else if (elide) {
        for (TextLine& l : lines)
            l.text = fm.elidedText(l.text, mode, rect.width());
    }

    int y = rect.top();
    if (flags & DT_SINGLELINE) {
        if (flags & DT_VCENTER)
            y = rect.top() + (rect.height() - lineHeight) / 2;
        else if (flags & DT_BOTTOM)
            y = rect.top() + rect.height() - lineHeight;
    }
    p.save();
    if (!(flags & DT_NOCLIP))
        p.setClipRect(rect, Qt::IntersectClip);
    for (const TextLine& l : lines) {
        int w = fm.horizontalAdvance(l.text);
        int x = rect.left();
        if (flags & DT_CENTER)
            x = rect.left() + (rect.width() - w) / 2;
        else if (flags & DT_RIGHT)
            x = rect.left() + rect.width() - w;
        int baseline = y + fm.ascent();
        if (flags & DT_RTLREADING)
            p.drawText(QRect(x, y, w + 1, lineHeight), Qt::TextForceRightToLeft | Qt::AlignLeft,
                       l.text);
        else
            p.drawText(QPoint(x, baseline), l.text);
        int at = mnemonic - l.start;
        if (mnemonic >= 0 && at >= 0 && at < l.text.size() &&
            plain.mid(l.start, at + 1) == l.text.left(at + 1)) {
            int ux = x + fm.horizontalAdvance(l.text.left(at));
            int uw = fm.horizontalAdvance(l.text.mid(at, 1));
            int uy = baseline + std::max(1, fm.underlinePos());
            p.fillRect(QRect(ux, uy, uw, std::max(1, fm.lineWidth())), p.pen().color());
        }
        y += lineHeight;
    }
    p.restore();
    return textHeight;
}

int DrawText(QPainter& p, const std::string& text, QRect& rect, unsigned flags) {
    return DrawText(p, QString::fromStdString(text), rect, flags);
}

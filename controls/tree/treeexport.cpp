// The export writers: text, Unicode text, HTML and RTF.
#include "controls/tree/treeexport.h"

#include <QHash>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <unordered_map>

#include "controls/tree/treehelpers.h"

namespace {

// ---- output sinks: UTF-8 (char) and UTF-16 (char16_t) ----

void AppendUtf8(TBufferedString& out, QStringView s) {
    char buf[256];
    size_t n = 0;
    auto flush = [&] {
        out.Add(std::string_view(buf, n));
        n = 0;
    };
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (n > sizeof(buf) - 4)
            flush();
        uint32_t c = s[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < s.size() && s[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), s[++i].unicode());
        else if (QChar::isSurrogate(c))
            c = 0xFFFD; // a lone half is no character
        if (c < 0x80) {
            buf[n++] = char(c);
        } else if (c < 0x800) {
            buf[n++] = char(0xC0 | (c >> 6));
            buf[n++] = char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            buf[n++] = char(0xE0 | (c >> 12));
            buf[n++] = char(0x80 | ((c >> 6) & 0x3F));
            buf[n++] = char(0x80 | (c & 0x3F));
        } else {
            buf[n++] = char(0xF0 | (c >> 18));
            buf[n++] = char(0x80 | ((c >> 12) & 0x3F));
            buf[n++] = char(0x80 | ((c >> 6) & 0x3F));
            buf[n++] = char(0x80 | (c & 0x3F));
        }
    }
    flush();
}

void AppendText(TBufferedString& out, QStringView s) {
    AppendUtf8(out, s);
}
void AppendText(TWideBufferedString& out, QStringView s) {
    out.Add(std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size())));
}

template <typename Buffer> void AppendChar(Buffer& out, char16_t c) {
    AppendText(out, QStringView(&c, 1));
}

template <typename Buffer> void AppendRepeated(Buffer& out, char16_t c, size_t count) {
    for (size_t i = 0; i < count; ++i)
        AppendChar(out, c);
}

// A cell as RFC 4180 wants it: quoted when it holds the separator, a quote or a line break.
template <typename Buffer> void AppendField(Buffer& out, const QString& text, char16_t sep) {
    bool quote = false;
    for (QChar ch : text) {
        char16_t c = ch.unicode();
        if (c == sep || c == u'"' || c == u'\r' || c == u'\n') {
            quote = true;
            break;
        }
    }
    if (!quote) {
        AppendText(out, text);
        return;
    }
    AppendChar(out, u'"');
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i] == u'"') {
            AppendText(out, QStringView(text).mid(start, i + 1 - start));
            AppendChar(out, u'"');
            start = i + 1;
        }
    AppendText(out, QStringView(text).mid(start));
    AppendChar(out, u'"');
}

uint32_t DeepestLevel(const TExportContent& c) {
    uint32_t l = 0;
    for (const auto& r : c.Rows)
        l = std::max(l, r.Level);
    return l;
}

const QString& CellText(const TExportRow& r, size_t i) {
    static const QString empty;
    return i < r.Cells.size() ? r.Cells[i] : empty;
}

template <typename Buffer> void WriteText(Buffer& out, const TExportContent& c, char16_t sep) {
    const uint32_t L = DeepestLevel(c);
    const size_t columns = std::max<size_t>(1, c.Columns.size());
    const size_t main = c.Columns.empty() ? 0 : std::min(c.MainColumn, columns - 1);
    if (!c.Columns.empty()) {
        for (size_t i = 0; i < columns; ++i) {
            AppendField(out, c.Columns[i].Text, sep);
            if (i == main)
                AppendRepeated(out, sep, L);
            if (i + 1 < columns)
                AppendChar(out, sep);
        }
        out.AddNewLine();
    }
    for (const auto& r : c.Rows) {
        if (c.Columns.empty()) {
            // One field per line, after its level's separators.
            AppendRepeated(out, sep, r.Level);
            AppendField(out, CellText(r, 0), sep);
            out.AddNewLine();
            continue;
        }
        for (size_t i = 0; i < columns; ++i) {
            if (i == main) {
                AppendRepeated(out, sep, r.Level);
                AppendField(out, CellText(r, i), sep);
                AppendRepeated(out, sep, L - r.Level);
            } else {
                AppendField(out, CellText(r, i), sep);
            }
            if (i + 1 < columns)
                AppendChar(out, sep);
        }
        out.AddNewLine();
    }
}

// ---- HTML ----

std::string Printf(const char* fmt, auto... args) {
    char buf[128];
    int n = std::snprintf(buf, sizeof buf, fmt, args...);
    return std::string(buf, size_t(std::clamp(n, 0, int(sizeof buf) - 1)));
}

std::string HtmlColor(TColor c) {
    uint32_t rgb = GetRGBColor(c);
    return Printf("#%02X%02X%02X", rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

// Text for element content and double-quoted attribute values.
void AppendEscaped(TBufferedString& out, QStringView s) {
    qsizetype start = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char* rep = nullptr;
        switch (s[i].unicode()) {
        case u'&':
            rep = "&amp;";
            break;
        case u'<':
            rep = "&lt;";
            break;
        case u'>':
            rep = "&gt;";
            break;
        case u'"':
            rep = "&quot;";
            break;
        case u'\'':
            rep = "&#39;";
            break;
        default:
            continue;
        }
        AppendUtf8(out, s.mid(start, i - start));
        out.Add(std::string_view(rep));
        start = i + 1;
    }
    AppendUtf8(out, s.mid(start));
}

// A font name as a CSS string in Quote; characters that could end the string, the attribute
// or the style element are written as CSS escapes.
std::string CssFontName(const QString& name, char quote) {
    TBufferedString out;
    out.Add(quote);
    for (QChar ch : name) {
        char16_t c = ch.unicode();
        if (c == u'"' || c == u'\'' || c == u'\\' || c == u'<' || c == u'>' || c == u'&' ||
            c < 0x20)
            out.Add(std::string_view(Printf("\\%X ", unsigned(c))));
        else
            AppendUtf8(out, QStringView(&ch, 1));
    }
    out.Add(quote);
    return out.AsString();
}

std::string FontCss(const TExportFont& f, char quote) {
    std::string s = "font:";
    if (f.Underline)
        s += " underline";
    if (f.Italic)
        s += " italic";
    if (f.Bold)
        s += " bold";
    s += Printf(" %dpt ", f.Size) + CssFontName(f.Name, quote) + ";color:" + HtmlColor(f.Color) +
         ";";
    return s;
}

std::string AlignAttributes(const TExportColumn& col) {
    std::string s;
    if (col.RightToLeft)
        s += " dir=\"rtl\"";
    s += col.Alignment == taRightJustify ? " align=\"right\""
         : col.Alignment == taCenter     ? " align=\"center\""
                                         : " align=\"left\"";
    return s;
}

const TExportFont* CellFont(const TExportContent& c, const TExportRow& r, size_t i) {
    if (i < r.Fonts.size() && r.Fonts[i] >= 0 && size_t(r.Fonts[i]) < c.CellFonts.size())
        return &c.CellFonts[size_t(r.Fonts[i])];
    return nullptr;
}

// The columns to write: the visible ones, or one standing for the tree without columns.
std::vector<TExportColumn> EffectiveColumns(const TExportContent& c) {
    if (!c.Columns.empty())
        return c.Columns;
    TExportColumn col;
    col.Alignment = c.Alignment;
    col.Width = c.ClientWidth;
    return {col};
}

// ---- RTF ----

class TRtfWriter {
public:
    explicit TRtfWriter(const TExportContent& c) : content_(c) {}
    std::string Write();

private:
    // A font's entries in the font and colour tables.
    struct TIndexes {
        int font = -1, color = -1;
    };
    void Run(const TExportFont& f, TIndexes at, const QString& text);
    int FontIndex(const QString& name);
    int ColorIndex(TColor c);
    void Align(TAlignment a) {
        if (a == taRightJustify)
            out_.append("\\qr");
        else if (a == taCenter)
            out_.append("\\qc");
    }
    // The font a cell is written in, with its entries.
    std::pair<const TExportFont&, TIndexes> CellLook(const TExportRow& r, size_t i) const {
        const TExportFont* f = CellFont(content_, r, i);
        if (!f)
            return {content_.Font, fontAt_};
        return {*f, cellFontAt_[size_t(r.Fonts[i])]};
    }
    const TExportContent& content_;
    // The tables: the fonts and colours of the runs in the order they are first used, found
    // before the runs are written (the document starts with them), each font of the content
    // looked up once. Returns the most bytes the document can take.
    size_t CollectTables(const std::vector<TExportColumn>& cols);
    std::string out_;
    std::vector<QString> fonts_;
    std::vector<TColor> colors_;
    QHash<QString, int> fontIndex_;                // name -> index in fonts_
    std::unordered_map<uint32_t, int> colorIndex_; // RGB -> index in colors_
    TIndexes headerFontAt_, fontAt_;
    std::vector<TIndexes> cellFontAt_; // per entry of CellFonts
    int lastFont_ = -1, lastColor_ = -1, lastSize_ = -1;
};

int TRtfWriter::FontIndex(const QString& name) {
    if (auto it = fontIndex_.constFind(name); it != fontIndex_.constEnd())
        return *it;
    fonts_.push_back(name);
    return fontIndex_[name] = int(fonts_.size()) - 1;
}

int TRtfWriter::ColorIndex(TColor c) {
    auto [it, added] = colorIndex_.try_emplace(GetRGBColor(c), int(colors_.size()));
    if (added)
        colors_.push_back(c);
    return it->second;
}

void TRtfWriter::Run(const TExportFont& f, TIndexes at, const QString& text) {
    if (f.Underline)
        out_.append("\\ul");
    if (f.Italic)
        out_.append("\\i");
    if (f.Bold)
        out_.append("\\b");
    if (at.font != lastFont_) {
        out_.append(Printf("\\f%d", at.font));
        lastFont_ = at.font;
    }
    if (at.color != lastColor_) {
        out_.append(Printf("\\cf%d", at.color + 1));
        lastColor_ = at.color;
    }
    if (f.Size != lastSize_) {
        out_.append(Printf("\\fs%d", 2 * f.Size));
        lastSize_ = f.Size;
    }
    out_ += ' ';
    // Every UTF-16 unit as a signed 16-bit \u value with a '?' for readers without Unicode
    // (characters above U+FFFF become their pair), written in pieces of a few hundred bytes.
    char buf[256];
    size_t n = 0;
    for (QChar ch : text) {
        if (n > sizeof(buf) - 16) {
            out_.append(buf, n);
            n = 0;
        }
        int v = int16_t(ch.unicode());
        buf[n++] = '\\';
        buf[n++] = 'u';
        if (v < 0)
            buf[n++] = '-', v = -v;
        char digits[8];
        int d = 0;
        do
            digits[d++] = char('0' + v % 10);
        while ((v /= 10) > 0);
        while (d > 0)
            buf[n++] = digits[--d];
        std::memcpy(buf + n, "\\'3f", 4);
        n += 4;
    }
    out_.append(buf, n);
    if (f.Underline)
        out_.append("\\ul0");
    if (f.Italic)
        out_.append("\\i0");
    if (f.Bold)
        out_.append("\\b0");
}

// A font name for the font table: ASCII as is, the rest as \u escapes, no group characters.
std::string RtfFontName(const QString& name) {
    std::string s;
    for (QChar ch : name) {
        char16_t c = ch.unicode();
        if (c == u'\\' || c == u'{' || c == u'}')
            s += '\\', s += char(c);
        else if (c == u';' || c < 0x20)
            continue;
        else if (c < 0x80)
            s += char(c);
        else
            s += Printf("\\u%d\\'3f", int(int16_t(c)));
    }
    return s;
}

size_t TRtfWriter::CollectTables(const std::vector<TExportColumn>& cols) {
    auto use = [&](const TExportFont& f, TIndexes& at) {
        if (at.font < 0)
            at = {FontIndex(f.Name), ColorIndex(f.Color)};
    };
    cellFontAt_.resize(content_.CellFonts.size());
    // The most the document can take: a character is at most 12 bytes, a cell's control words
    // at most 80, a level 4.
    size_t room = 256 + 120 * cols.size();
    if (!content_.Columns.empty())
        use(content_.HeaderFont, headerFontAt_);
    for (const auto& col : cols)
        room += 12 * size_t(col.Text.size());
    for (const auto& r : content_.Rows) {
        room += 8 + 4 * size_t(r.Level) + 80 * cols.size();
        for (size_t i = 0; i < cols.size(); ++i) {
            if (const TExportFont* f = CellFont(content_, r, i))
                use(*f, cellFontAt_[size_t(r.Fonts[i])]);
            else
                use(content_.Font, fontAt_);
            room += 12 * size_t(CellText(r, i).size());
        }
    }
    for (const QString& name : fonts_)
        room += 24 + 12 * size_t(name.size());
    return room + 40 * colors_.size();
}

std::string TRtfWriter::Write() {
    const auto cols = EffectiveColumns(content_);
    const bool hasColumns = !content_.Columns.empty();
    const size_t main = hasColumns ? std::min(content_.MainColumn, cols.size() - 1) : 0;
    const int ppi = content_.PixelsPerInch > 0 ? content_.PixelsPerInch : 96;
    // One buffer reserved for the whole document: no copy and no reallocation.
    const size_t room = CollectTables(cols);
    out_.reserve(room);
    AdviseLargeBuffer(out_.data(), out_.capacity());

    out_.append("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1043{\\fonttbl");
    for (size_t i = 0; i < fonts_.size(); ++i)
        out_.append(Printf("{\\f%d ", int(i)) + RtfFontName(fonts_[i]) + ";}");
    out_.append("}{\\colortbl;");
    for (TColor c : colors_) {
        uint32_t rgb = GetRGBColor(c);
        out_.append(
            Printf("\\red%u\\green%u\\blue%u;", rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF));
    }
    out_.append("}\\uc1\\trowd\\trgaph70");
    long sum = 0;
    for (const auto& col : cols) {
        sum += col.Width;
        out_.append(Printf("\\cellx%ld", std::lround(sum * 1440.0 / ppi)));
    }
    if (hasColumns) {
        for (const auto& col : cols) {
            out_.append("\\pard\\intbl");
            Align(col.Alignment);
            Run(content_.HeaderFont, headerFontAt_, col.Text);
            out_.append("\\cell");
        }
        out_.append("\\row");
    }
    for (const auto& r : content_.Rows) {
        for (size_t i = 0; i < cols.size(); ++i) {
            out_.append("\\pard\\intbl");
            Align(cols[i].Alignment);
            if (i == main)
                for (uint32_t l = 0; l < r.Level; ++l)
                    out_.append("\\tab");
            const auto [font, at] = CellLook(r, i);
            Run(font, at, CellText(r, i));
            out_.append("\\cell");
        }
        out_.append("\\row");
    }
    out_.append("\\pard\\par}");
    return std::move(out_);
}

} // namespace

std::string ContentToText(const TExportContent& Content, char16_t Separator) {
    TBufferedString out;
    WriteText(out, Content, Separator);
    return out.Take();
}

std::u16string ContentToUnicode(const TExportContent& Content, char16_t Separator) {
    TWideBufferedString out;
    WriteText(out, Content, Separator);
    return out.Take();
}

std::string ContentToHTML(const TExportContent& Content, const QString& Caption) {
    const TExportContent& c = Content;
    const auto cols = EffectiveColumns(c);
    const bool hasColumns = !c.Columns.empty();
    const size_t main = hasColumns ? std::min(c.MainColumn, cols.size() - 1) : 0;
    const uint32_t L = DeepestLevel(c);
    const std::string padding = Printf("padding-left:%dpx;padding-right:%dpx;", c.Margin, c.Margin);
    const std::string lineStyle = c.SolidLines ? "solid" : "dotted";
    TBufferedString out;
    auto add = [&](std::string_view s) { out.Add(s); };

    add("<style type=\"text/css\">");
    add(".default{" + FontCss(c.Font, '"') + "}");
    add(".header{" + FontCss(c.HeaderFont, '"') + "}");
    if (c.HorzGridLines)
        add(".noborder{border-style:" + lineStyle +
            "; border-bottom:1;border-left:0;border-right:0; border-top:0;" + padding + "}");
    else
        add(".noborder{border-style:none;" + padding + "}");
    add(".normalborder {border-top:none; border-left:none; " +
        (c.VertGridLines ? "border-right:1 " + lineStyle + ";"
                         : std::string("border-right:none;")) +
        (c.HorzGridLines ? "border-bottom:1 " + lineStyle + ";"
                         : std::string("border-bottom:none;")) +
        padding + "}");
    add("</style>");

    add("<table class=\"default\" bgcolor=\"" + HtmlColor(c.Color) + "\" style=\"" + padding +
        "\"");
    if (!Caption.isEmpty()) {
        add(" caption=\"");
        AppendEscaped(out, Caption);
        add("\"");
    }
    if (c.BorderWidth >= 0)
        add(Printf(" border=\"%d\" frame=\"box\"", c.BorderWidth + 1));
    add(Printf(" cellspacing=\"0\" cellpadding=\"%d\">", c.Margin));

    if (hasColumns) {
        add("<tr class=\"header\" style=\"" + padding + "\">");
        for (size_t i = 0; i < cols.size(); ++i) {
            add(Printf("<th height=\"%dpx\"", c.HeaderHeight) + AlignAttributes(cols[i]));
            if (i == main && L > 0)
                add(Printf(" colspan=\"%u\"", L + 1));
            add(" bgcolor=\"" + HtmlColor(c.HeaderColor) + "\"" +
                Printf(" width=\"%dpx\">", cols[i].Width));
            AppendEscaped(out, cols[i].Text);
            add("</th>");
        }
        add("</tr>");
    }

    // What every cell of a column carries after its height (alignment; its colour after the
    // main column's span), and the main column's indent cells.
    std::vector<std::string> cellAlign, cellColor;
    for (const auto& col : cols) {
        cellAlign.push_back(AlignAttributes(col));
        cellColor.push_back(!col.ParentColor && hasColumns
                                ? " bgcolor=\"" + HtmlColor(col.Color) + "\""
                                : std::string());
    }
    const TExportColumn& mainCol = cols[main];
    const bool plainIndent = mainCol.ParentColor || !hasColumns;
    const std::string indentTail =
        plainIndent ? std::string() : " bgcolor=\"" + HtmlColor(mainCol.Color) + "\">&nbsp;</td>";
    std::string height; // rows mostly share one height: format it when it changes
    int lastHeight = -1;
    for (const auto& r : c.Rows) {
        add(" <tr class=\"default\">");
        if (height.empty() || r.Height != lastHeight) {
            height = Printf(" height=\"%dpx\"", r.Height);
            lastHeight = r.Height;
        }
        for (size_t i = 0; i < cols.size(); ++i) {
            if (i == main) {
                for (uint32_t l = 0; l < r.Level; ++l) {
                    if (plainIndent) {
                        if (l == 0)
                            add(" <td" + height + ">&nbsp;</td>");
                        else
                            add(" <td>&nbsp;</td>");
                    } else {
                        add(Printf("<td class=\"noborder\" width=\"%d\"", c.Indent) + height);
                        add(indentTail);
                    }
                }
            }
            add(" <td class=\"normalborder\" ");
            if (const TExportFont* f = CellFont(c, r, i))
                add(" style=\"" + FontCss(*f, '\'') + "\"");
            add(height);
            add(cellAlign[i]);
            if (i == main && r.Level < L)
                add(Printf(" colspan=\"%u\"", L - r.Level + 1));
            add(cellColor[i]);
            add(">");
            AppendEscaped(out, CellText(r, i));
            add("</td>");
        }
        add(" </tr>");
    }
    add("</table>");
    return out.Take();
}

std::string HTMLDocument(const std::string& Fragment) {
    return "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">"
           "<html><head><META http-equiv=Content-Type content=\"text/html; charset=utf-8\">"
           "</head><body><!--StartFragment-->" +
           Fragment + "<!--EndFragment--></body></html>";
}

std::string ContentToRTF(const TExportContent& Content) {
    return TRtfWriter(Content).Write();
}

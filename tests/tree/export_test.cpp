// The export writers against a small tree with awkward cells: text and CSV (read back with
// Python's csv module), Unicode text, HTML (parsed by xmllint), RTF (read back by a small
// reader); ShortenString's cuts; the buffer's growth.
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <limits>
#include <regex>
#include <sys/wait.h>

#include "controls/tree/treeexport.h"
#include "controls/tree/treehelpers.h"
#include "controls/tree/treetextfit.h"
#include "testutil.h"

namespace {

const QString Smile = QString::fromUtf8("\xF0\x9F\x98\x80"); // U+1F600, a surrogate pair

// Name (main), Note, Size; levels 0, 1, 2, 0.
TExportContent AwkwardTree() {
    TExportContent c;
    c.Columns = {{QStringLiteral("Name")},
                 {QStringLiteral("Note \"q\"")},
                 {QStringLiteral("Size"), taRightJustify}};
    c.MainColumn = 0;
    c.Rows = {{0, 18, {"Plain", "a,b", "1"}, {}},
              {1, 18, {"He said \"hi\"", "<b>&", "2"}, {}},
              {2, 18, {"two\r\nlines", Smile + " smile", "3"}, {}},
              {0, 18, {"x", "", "4"}, {}}};
    return c;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Python's csv reading of a file: one line per row, fields joined by '|', "\n" for line breaks.
std::string ReadCsvWithPython(const std::string& path) {
    std::string script =
        "import csv,sys\n"
        "rows=list(csv.reader(open(sys.argv[1],newline='',encoding='utf-8')))\n"
        "print('\\n'.join('|'.join(f.replace('\\r\\n','<NL>') for f in r) for r in rows))\n";
    TempDir dir;
    WriteFile(dir.File("read.py"), script);
    TCommandResult r =
        RunCommand("PYTHONIOENCODING=utf-8 /usr/bin/python3 " + dir.File("read.py") + " " + path);
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    return r.Output;
}

TEST(TreeExport, CsvIsRfc4180AndReadsBackWithPython) {
    TExportContent c = AwkwardTree();
    std::string csv = ContentToText(c, u',');
    EXPECT_EQ(csv, "Name,,,\"Note \"\"q\"\"\",Size\r\n"
                   "Plain,,,\"a,b\",1\r\n"
                   ",\"He said \"\"hi\"\"\",,<b>&,2\r\n"
                   ",,\"two\r\nlines\"," +
                       Smile.toStdString() +
                       " smile,3\r\n"
                       "x,,,,4\r\n");
    TempDir dir;
    WriteFile(dir.File("t.csv"), csv);
    EXPECT_EQ(ReadCsvWithPython(dir.File("t.csv")), "Name|||Note \"q\"|Size\n"
                                                    "Plain|||a,b|1\n"
                                                    "|He said \"hi\"||<b>&|2\n"
                                                    "||two<NL>lines|" +
                                                        Smile.toStdString() +
                                                        " smile|3\n"
                                                        "x||||4\n");

    // The main column last: the header row still has as many fields as the data rows.
    std::swap(c.Columns[0], c.Columns[2]);
    for (auto& r : c.Rows)
        std::swap(r.Cells[0], r.Cells[2]);
    c.MainColumn = 2;
    WriteFile(dir.File("last.csv"), ContentToText(c, u','));
    std::string back = ReadCsvWithPython(dir.File("last.csv"));
    EXPECT_EQ(back.substr(0, back.find('\n')), "Size|Note \"q\"|Name||");
    size_t start = 0;
    for (size_t end; (end = back.find('\n', start)) != std::string::npos; start = end + 1)
        EXPECT_EQ(std::count(back.begin() + long(start), back.begin() + long(end), '|'), 4);
}

TEST(TreeExport, TextAndUnicodeWithTabs) {
    TExportContent c = AwkwardTree();
    std::string text = ContentToText(c, u'\t');
    EXPECT_EQ(text.substr(0, text.find("\r\n")), "Name\t\t\t\"Note \"\"q\"\"\"\tSize");
    EXPECT_NE(text.find("\r\n\t\"He said \"\"hi\"\"\"\t\t<b>&\t2\r\n"), std::string::npos);
    std::u16string wide = ContentToUnicode(c, u'\t');
    EXPECT_EQ(QString::fromStdU16String(wide).toStdString(), text);

    // Without columns: one line per node, indented by one separator per level.
    TExportContent plain;
    plain.Rows = {{0, 18, {"root"}, {}}, {1, 18, {"child"}, {}}, {0, 18, {"a;b"}, {}}};
    EXPECT_EQ(ContentToText(plain, u';'), "root\r\n;child\r\n\"a;b\"\r\n");
}

// A tree without columns: levels 0, 1, 2, 0 with awkward cells; fonts listed but not used.
TExportContent PlainTree() {
    TExportContent c;
    c.Rows = {{0, 18, {"a,\"b\""}, {}},
              {1, 18, {"<}>"}, {}},
              {2, 18, {"\r"}, {}}, // a lone CR
              {0, 20, {Smile}, {}}};
    c.HeaderFont.Name = QStringLiteral("Header Only");
    c.CellFonts = {TExportFont{QStringLiteral("Unused"), 12, true}};
    return c;
}

TEST(TreeExport, TreeWithoutColumnsByteForByte) {
    TExportContent c = PlainTree();
    const std::string smile = Smile.toStdString();
    EXPECT_EQ(ContentToText(c, u','), "\"a,\"\"b\"\"\"\r\n,<}>\r\n,,\"\r\"\r\n" + smile + "\r\n");
    EXPECT_EQ(ContentToText(c, u'\t'),
              "\"a,\"\"b\"\"\"\r\n\t<}>\r\n\t\t\"\r\"\r\n" + smile + "\r\n");
    EXPECT_EQ(ContentToUnicode(c, u'\t'),
              QString::fromStdString(ContentToText(c, u'\t')).toStdU16String());

    EXPECT_EQ(ContentToHTML(c, QString()),
              "<style type=\"text/css\">"
              ".default{font: 9pt \"Sans Serif\";color:#000000;}"
              ".header{font: 9pt \"Header Only\";color:#000000;}"
              ".noborder{border-style:none;padding-left:4px;padding-right:4px;}"
              ".normalborder {border-top:none; border-left:none; border-right:none;"
              "border-bottom:none;padding-left:4px;padding-right:4px;}</style>"
              "<table class=\"default\" bgcolor=\"#FFFFFF\" "
              "style=\"padding-left:4px;padding-right:4px;\" cellspacing=\"0\" cellpadding=\"4\">"
              " <tr class=\"default\"> <td class=\"normalborder\"  height=\"18px\" align=\"left\""
              " colspan=\"3\">a,&quot;b&quot;</td> </tr>"
              " <tr class=\"default\"> <td height=\"18px\">&nbsp;</td>"
              " <td class=\"normalborder\"  height=\"18px\" align=\"left\" colspan=\"2\">"
              "&lt;}&gt;</td> </tr>"
              " <tr class=\"default\"> <td height=\"18px\">&nbsp;</td> <td>&nbsp;</td>"
              " <td class=\"normalborder\"  height=\"18px\" align=\"left\">\r</td> </tr>"
              " <tr class=\"default\"> <td class=\"normalborder\"  height=\"20px\" align=\"left\""
              " colspan=\"3\">" +
                  smile + "</td> </tr></table>");

    // Every character escaped, '}' included; only the font and colour the cells use.
    EXPECT_EQ(ContentToRTF(c),
              "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1043{\\fonttbl{\\f0 Sans Serif;}}"
              "{\\colortbl;\\red0\\green0\\blue0;}\\uc1\\trowd\\trgaph70\\cellx3000"
              "\\pard\\intbl\\f0\\cf1\\fs18 \\u97\\'3f\\u44\\'3f\\u34\\'3f\\u98\\'3f\\u34\\'3f"
              "\\cell\\row"
              "\\pard\\intbl\\tab \\u60\\'3f\\u125\\'3f\\u62\\'3f\\cell\\row"
              "\\pard\\intbl\\tab\\tab \\u13\\'3f\\cell\\row"
              "\\pard\\intbl \\u-10179\\'3f\\u-8704\\'3f\\cell\\row\\pard\\par}");
}

// ---- HTML ----

std::string XPath(const std::string& file, const std::string& expr) {
    TCommandResult r = RunCommand("xmllint --html --xpath '" + expr + "' " + file);
    if (!r.Output.empty() && r.Output.back() == '\n')
        r.Output.pop_back();
    return r.Output;
}

TEST(TreeExport, HtmlIsEscapedAndParses) {
    TExportContent c = AwkwardTree();
    c.Font.Name = QStringLiteral("My \"Font\"");
    c.CellFonts = {TExportFont{QStringLiteral("Bold's"), 10, true}};
    c.Rows[3].Fonts = {0};
    c.Columns[1].ParentColor = false;
    c.Columns[1].Color = RGB(0x12, 0x34, 0x56);
    c.BorderWidth = 1;
    std::string fragment = ContentToHTML(c, QStringLiteral("Cap \"1\" <&>"));
    EXPECT_NE(fragment.find("&lt;b&gt;&amp;"), std::string::npos);
    EXPECT_NE(fragment.find("He said &quot;hi&quot;"), std::string::npos);
    EXPECT_EQ(fragment.find("<b>"), std::string::npos);
    EXPECT_NE(fragment.find(Smile.toStdString()), std::string::npos);

    TempDir dir;
    std::string file = dir.File("t.html");
    WriteFile(file, HTMLDocument(fragment));
    TCommandResult lint = RunCommand("xmllint --html --noout " + file);
    EXPECT_EQ(lint.ExitCode, 0) << lint.Output;
    EXPECT_EQ(lint.Output, "");
    EXPECT_EQ(XPath(file, "string(//table/@caption)"), "Cap \"1\" <&>");
    EXPECT_EQ(XPath(file, "string(//table/@bgcolor)"), "#FFFFFF");
    EXPECT_EQ(XPath(file, "string(//table/@border)"), "2");
    // The deepest node is at level 2: the main column's header spans three cells.
    EXPECT_EQ(XPath(file, "string(//th[1]/@colspan)"), "3");
    EXPECT_EQ(XPath(file, "string(//th[2])"), "Note \"q\"");
    EXPECT_EQ(XPath(file, "string(//th[3]/@align)"), "right");
    EXPECT_EQ(XPath(file, "count(//tr)"), "5");
    EXPECT_EQ(XPath(file, "string(//tr[3]/td[@class=\"normalborder\"][1])"), "He said \"hi\"");
    EXPECT_EQ(XPath(file, "string(//tr[3]/td[@class=\"normalborder\"][2])"), "<b>&");
    EXPECT_EQ(XPath(file, "string(//tr[3]/td[@class=\"normalborder\"][2]/@bgcolor)"), "#123456");
    EXPECT_EQ(XPath(file, "string(//tr[3]/td[@class=\"normalborder\"][1]/@colspan)"), "2");
    EXPECT_EQ(XPath(file, "count(//tr[4]/td)"), "5"); // two indent cells, three cells
    // The font names stay inside their CSS strings.
    EXPECT_NE(XPath(file, "string(//style)").find(".default{font: 9pt \"My \\22 Font\\22 \";"),
              std::string::npos);
    EXPECT_EQ(XPath(file, "string(//tr[5]/td[1]/@style)"),
              "font: bold 10pt 'Bold\\27 s';color:#000000;");
}

// ---- RTF ----

// Reads the cells of an RTF table: rows of cells, each cell's text in UTF-16; tabs kept.
std::vector<std::vector<std::u16string>> ReadRtfTable(const std::string& rtf) {
    std::vector<std::vector<std::u16string>> rows;
    std::vector<std::u16string> row;
    std::u16string cell;
    int skipDepth = -1, depth = 0, fallback = 0;
    size_t i = 0;
    auto skipFallback = [&] {
        if (fallback > 0) {
            --fallback;
            return true;
        }
        return false;
    };
    while (i < rtf.size()) {
        char ch = rtf[i];
        if (ch == '{') {
            ++depth, ++i;
            if (rtf.compare(i, 8, "\\fonttbl") == 0 || rtf.compare(i, 9, "\\colortbl") == 0)
                skipDepth = depth;
            continue;
        }
        if (ch == '}') {
            if (depth == skipDepth)
                skipDepth = -1;
            --depth, ++i;
            continue;
        }
        if (ch == '\\') {
            ++i;
            if (rtf[i] == '\'') { // \'hh
                i += 3;
                if (!skipFallback() && skipDepth < 0)
                    cell += char16_t(std::stoi(rtf.substr(i - 2, 2), nullptr, 16));
                continue;
            }
            if (!isalpha(uint8_t(rtf[i]))) {
                if (skipDepth < 0 && !skipFallback())
                    cell += char16_t(rtf[i]);
                ++i;
                continue;
            }
            size_t start = i;
            while (i < rtf.size() && isalpha(uint8_t(rtf[i])))
                ++i;
            std::string word = rtf.substr(start, i - start);
            size_t numStart = i;
            if (i < rtf.size() && rtf[i] == '-')
                ++i;
            while (i < rtf.size() && isdigit(uint8_t(rtf[i])))
                ++i;
            std::string num = rtf.substr(numStart, i - numStart);
            if (i < rtf.size() && rtf[i] == ' ')
                ++i; // the delimiter
            if (skipDepth >= 0)
                continue;
            if (word == "u") {
                int v = std::stoi(num);
                cell += char16_t(v < 0 ? v + 65536 : v);
                fallback = 1;
            } else if (word == "tab") {
                cell += u'\t';
            } else if (word == "cell") {
                row.push_back(cell), cell.clear();
            } else if (word == "row") {
                rows.push_back(row), row.clear();
            }
            continue;
        }
        if (ch != '\r' && ch != '\n' && skipDepth < 0 && !skipFallback())
            cell += char16_t(uint8_t(ch));
        ++i;
    }
    return rows;
}

TEST(TreeExport, RtfReadsBackWithSignedUnicodeAndOneBlank) {
    TExportContent c = AwkwardTree();
    std::string rtf = ContentToRTF(c);
    EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1043{\\fonttbl{\\f0 ", 0), 0u);
    EXPECT_NE(rtf.find("\\cellx750\\cellx1500\\cellx2250"), std::string::npos);
    // U+1F600 as its surrogate pair, each unit a signed 16-bit value.
    EXPECT_NE(rtf.find("\\u-10179\\'3f\\u-8704\\'3f"), std::string::npos);
    auto rows = ReadRtfTable(rtf);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0], (std::vector<std::u16string>{u"Name", u"Note \"q\"", u"Size"}));
    EXPECT_EQ(rows[1], (std::vector<std::u16string>{u"Plain", u"a,b", u"1"}));
    EXPECT_EQ(rows[2], (std::vector<std::u16string>{u"\tHe said \"hi\"", u"<b>&", u"2"}));
    EXPECT_EQ(rows[3][0], u"\t\ttwo\r\nlines");
    EXPECT_EQ(rows[3][1], Smile.toStdU16String() + u" smile");
    EXPECT_EQ(rows[4], (std::vector<std::u16string>{u"x", u"", u"4"}));
}

// Thousands of cell looks (a colour a row, each colour on three rows, two font names): each
// font and colour stands once in its table, in the order of first use, and every cell is
// written in its own.
TEST(TreeExport, RtfTablesHoldEachLookOnceInTheOrderOfFirstUse) {
    TExportContent c;
    c.Columns = {{QStringLiteral("A")}};
    for (int i = 0; i < 3000; ++i) {
        TExportFont f;
        f.Name = i % 2 ? QStringLiteral("Odd") : QStringLiteral("Even");
        f.Color = TColor(i % 1000); // $00BBGGRR
        c.CellFonts.push_back(f);
        c.Rows.push_back({0, 18, {QString::number(i)}, {i}});
    }
    const std::string rtf = ContentToRTF(c);
    std::vector<std::string> fonts;
    const std::regex font(R"(\{\\f\d+ ([^;]*);\})"), color(R"(\\red(\d+)\\green(\d+)\\blue0;)");
    for (std::sregex_iterator m(rtf.begin(), rtf.end(), font), end; m != end; ++m)
        fonts.push_back((*m)[1]);
    EXPECT_EQ(fonts, (std::vector<std::string>{"Sans Serif", "Even", "Odd"})); // header first
    std::vector<int> colors;
    for (std::sregex_iterator m(rtf.begin(), rtf.end(), color), end; m != end; ++m)
        colors.push_back(std::stoi((*m)[1]) + 256 * std::stoi((*m)[2]));
    ASSERT_EQ(colors.size(), 1000u);
    for (int k = 0; k < 1000; ++k)
        ASSERT_EQ(colors[size_t(k)], k);
    // The font and colour in force at each cell.
    const std::regex word(R"(\\([a-z]+)(\d*))");
    int f = -1, cf = -1, cells = 0;
    for (std::sregex_iterator m(rtf.begin() + long(rtf.find("\\trowd")), rtf.end(), word), end;
         m != end; ++m) {
        const std::string w = (*m)[1];
        if (w == "f")
            f = std::stoi((*m)[2]);
        else if (w == "cf")
            cf = std::stoi((*m)[2]);
        else if (const int row = cells - 1; w == "cell" && ++cells && row >= 0) {
            ASSERT_EQ(f, 1 + row % 2) << row; // row -1: the header's cell
            ASSERT_EQ(cf, 1 + row % 1000) << row;
        }
    }
    EXPECT_EQ(cells, 3001);
}

// ---- ShortenString ----

// Ten pixels per UTF-16 unit: a surrogate pair is twenty.
int UnitWidth(QStringView s) {
    return int(s.size()) * 10;
}

TEST(TreeExport, ShortenStringCutsBetweenCharacters) {
    QString s = "ab" + Smile + "cdef";                   // 80 pixels
    EXPECT_EQ(ShortenString(UnitWidth, s, 60), "ab..."); // room for three units: not "ab\xD83D"
    EXPECT_EQ(ShortenString(UnitWidth, s, 70), "ab" + Smile + "...");
    EXPECT_EQ(ShortenString(UnitWidth, s, 60, true), "...def");
    EXPECT_EQ(ShortenString(UnitWidth, "xyz" + Smile, 40, true), "..."); // not the low half
    EXPECT_EQ(ShortenString(UnitWidth, s, 1000), s);
    EXPECT_EQ(ShortenString(UnitWidth, s, 0), s);
    EXPECT_EQ(ShortenString(UnitWidth, QString(), 10), QString());
    // A combining accent stays with its letter.
    QString accent = QString::fromUtf8("xe\xCC\x81yzw");
    EXPECT_EQ(ShortenString(UnitWidth, accent, 50), "x...");
    EXPECT_EQ(ShortenString(UnitWidth, "abcdef", 50), "ab...");

    // The font-measured version never leaves half a pair either.
    QFontMetrics m{QFont()};
    QString smiles = Smile + Smile + Smile + Smile + Smile + Smile;
    for (int w = 1; w < m.horizontalAdvance(smiles); ++w) {
        QString r = ShortenString(m, smiles, w);
        ASSERT_TRUE(r.endsWith("..."));
        ASSERT_EQ((r.size() - 3) % 2, 0) << w;
    }
}

// What is kept is measured together with its "...": a measure that is more than the sum of its
// parts (kerning, rounding) never gets a result wider than the room.
TEST(TreeExport, ShortenStringMeasuresWhatItKeepsWithItsEllipsis) {
    auto kerned = [](QStringView s) { return int(s.size()) * 10 + 5 * int(s.count(u"x.")); };
    EXPECT_EQ(ShortenString(kerned, "xxxxxxxx", 60), "xx...");
}

// A caption of megabytes is measured only as far as can fit; characters of no width still
// count as what they are.
TEST(TreeExport, ShortenStringMeasuresNoMoreThanCanFit) {
    const QString huge(10'000'000, QLatin1Char('x'));
    qsizetype measured = 0;
    auto counted = [&](QStringView s) {
        measured += s.size();
        return int(s.size() - s.count(QLatin1Char('z'))) * 7; // 'z' has no width
    };
    const QString kept(39, QLatin1Char('x')); // 300 px less 21 for "..."
    EXPECT_EQ(ShortenString(counted, huge, 300), kept + "...");
    EXPECT_EQ(ShortenString(counted, huge, 300, true), "..." + kept);
    EXPECT_LT(measured, 20'000);
    QString zeros(1000, QLatin1Char('z'));
    EXPECT_EQ(ShortenString(counted, zeros + "xxxx", 28), zeros + "xxxx");
    EXPECT_EQ(ShortenString(counted, zeros + "xxxxxx", 35), zeros + "xx...");
    EXPECT_EQ(ShortenString(counted, "xxxxxx" + zeros, 35, true), "...xx" + zeros);

    QElapsedTimer timer;
    timer.start();
    QFontMetrics m{QFont()};
    EXPECT_TRUE(ShortenString(m, huge, 200).endsWith("..."));
    EXPECT_LT(timer.elapsed(), 1000);
}

// Characters are looked for only near the kept end: a text of megabytes costs about what a
// short one does (the least of a few runs, against the text's length times ten thousand).
TEST(TreeExport, ShortenStringLooksForCharactersOnlyNearTheKeptEnd) {
    auto cost = [](const QString& s) {
        qint64 least = std::numeric_limits<qint64>::max();
        for (int run = 0; run < 5; ++run) {
            QElapsedTimer timer;
            timer.start();
            for (bool rtl : {false, true})
                EXPECT_TRUE(ShortenString(UnitWidth, s, 300, rtl).contains("..."));
            least = std::min(least, timer.nsecsElapsed());
        }
        return least;
    };
    const qint64 small = cost(QString(1'000, QLatin1Char('x')));
    EXPECT_LT(cost(QString(10'000'000, QLatin1Char('x'))), 20 * small + 2'000'000) << small;
}

TEST(TreeExport, BufferKeepsTextAcrossBlocksAndHandsOverExactSize) {
    // Pieces from one unit to several blocks, so that some straddle block boundaries.
    TBufferedString b;
    std::string expected;
    size_t length = 1;
    for (int i = 0; i < 400; ++i) {
        std::string piece(length, char('a' + i % 26));
        if (i % 3 == 0)
            b.Add(piece[0]), expected += piece[0];
        else
            b.Add(std::string_view(piece)), expected += piece;
        length = (length * 7 + 13) % (3 * TBufferedString::BlockSize);
        ASSERT_EQ(b.Size(), expected.size());
    }
    ASSERT_GT(expected.size(), 20 * TBufferedString::BlockSize);
    EXPECT_EQ(b.AsString(), expected);
    b.AddNewLine(); // writing goes on after the text was put together
    expected += "\r\n";
    std::string taken = b.Take();
    EXPECT_EQ(taken, expected);
    EXPECT_EQ(taken.capacity(), taken.size()); // no room reserved beyond the text
    EXPECT_EQ(b.Size(), 0u);
    EXPECT_TRUE(b.Take().empty());

    // Two million single units take a linear time (a fixed increment would not).
    TWideBufferedString w;
    for (int i = 0; i < 2000000; ++i)
        w.Add(u'x');
    EXPECT_EQ(w.Take(), std::u16string(2000000, u'x'));
}

} // namespace

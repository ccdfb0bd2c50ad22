// The string tree: texts and measuring, ellipsis and multi-line heights, in-place editing,
// incremental search on text, the captions chunk, and the exports from a real tree.
#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QTest>

#include "controls/tree/stringtree.h"
#include "controls/tree/treecolumns.h"
#include "controls/tree/treedrag.h"
#include "controls/tree/treeheader.h"
#include "controls/tree/treehint.h"
#include "platform/classes.h"
#include "treetestutil.h"

namespace {

// A string tree whose texts live in a vector indexed by the node's int data; it records what
// it draws.
class TTextTree : public TLeanStringTree {
public:
    TTextTree() {
        SetNodeDataSize(sizeof(int));
        OnGetText = [this](TBaseLeanTree*, PLeanNode n, TColumnIndex c, TVSTTextType type,
                           QString& text) {
            int i = *GetNodeData<int>(n);
            if (type == ttStatic)
                text = statics.value(i);
            else if (c <= 0)
                text = texts.value(i);
            else
                text = QStringLiteral("c%1").arg(c);
        };
        OnNewText = [this](TBaseLeanTree*, PLeanNode n, TColumnIndex, const QString& t) {
            newTexts.push_back(t);
            int i = *GetNodeData<int>(n);
            if (i >= 0 && i < texts.size())
                texts[i] = t;
        };
    }
    PLeanNode Add(PLeanNode parent, const QString& text) {
        PLeanNode n = AddChild(parent);
        *GetNodeData<int>(n) = int(texts.size());
        texts.push_back(text);
        return n;
    }
    void DrawCellText(QPainter& c, const QRect& r, const QString& t, int flags) override {
        drawn.push_back(t);
        TLeanStringTree::DrawCellText(c, r, t, flags);
    }
    int MeasureTextWidth(QPainter* c, PLeanNode n, TColumnIndex col, const QString& t) override {
        measured += t.size();
        return TLeanStringTree::MeasureTextWidth(c, n, col, t);
    }
    // One visible column Width pixels wide.
    void AddColumn(int Width) {
        Header().Columns().Add().SetWidth(Width);
        Header().SetOptions(Header().Options() | TLTHeaderOption::hoVisible);
    }
    // Paints Window (tree coordinates) into a scratch image.
    void PaintWindow(const QRect& Window) {
        QImage img(Window.size(), QImage::Format_ARGB32_Premultiplied);
        QPainter p(&img);
        PaintTree(p, Window, QPoint(0, 0), AllPaintOptions);
    }
    QStringList texts, statics, drawn, newTexts;
    qsizetype measured = 0; // units of text measured
};

int Width(const QFont& f, const QString& s) {
    return QFontMetrics(f).horizontalAdvance(s);
}

TEST(StringTree, TextsAndMeasuredWidths) {
    TTextTree tree;
    tree.resize(300, 200);
    PLeanNode a = tree.Add(nullptr, "alpha");
    EXPECT_EQ(tree.Text(a, NoColumn), "alpha");
    EXPECT_THROW(tree.Text(nullptr, NoColumn), EAssertionFailed);

    // Without OnGetText a cell shows DefaultText.
    TLeanStringTree plain;
    plain.SetNodeDataSize(4);
    PLeanNode p = plain.AddChild(nullptr);
    EXPECT_EQ(plain.Text(p, NoColumn), "Node");
    plain.SetDefaultText("x");
    EXPECT_EQ(plain.Text(p, NoColumn), "x");

    int margin = tree.TextMargin();
    EXPECT_EQ(tree.DoGetNodeWidth(a, NoColumn, nullptr), Width(tree.font(), "alpha") + 2 * margin);
    EXPECT_EQ(*tree.GetNodeData<int>(a), 0); // the cached width lives outside the host's bytes
    // The width is cached until the node is invalidated or gets a new text.
    tree.texts[0] = "a much longer text";
    EXPECT_EQ(tree.DoGetNodeWidth(a, NoColumn, nullptr), Width(tree.font(), "alpha") + 2 * margin);
    tree.InvalidateNode(a);
    EXPECT_EQ(tree.DoGetNodeWidth(a, NoColumn, nullptr),
              Width(tree.font(), "a much longer text") + 2 * margin);
    tree.SetText(a, NoColumn, "b");
    EXPECT_EQ(tree.DoGetNodeWidth(a, NoColumn, nullptr), Width(tree.font(), "b") + 2 * margin);
    // A font set by OnPaintText is the one measured.
    QFont big = tree.font();
    big.setPointSize(big.pointSize() * 3);
    tree.OnPaintText = [&](TBaseLeanTree*, QPainter& c, PLeanNode, TColumnIndex, TVSTTextType) {
        c.setFont(big);
    };
    tree.InvalidateNode(a);
    EXPECT_EQ(tree.DoGetNodeWidth(a, NoColumn, nullptr), Width(big, "b") + 2 * margin);
    // A new font clears the widths and the metrics follow it.
    tree.OnPaintText = nullptr;
    tree.setFont(big);
    EXPECT_EQ(tree.DoGetNodeWidth(a, NoColumn, nullptr), Width(big, "b") + 2 * margin);
    EXPECT_EQ(tree.EllipsisWidth(), Width(big, "..."));
    EXPECT_EQ(tree.TextHeight(), QFontMetrics(big).height());
    // A new main column forgets the measured widths.
    tree.Header().Columns().Add();
    tree.Header().Columns().Add();
    tree.texts[0] = "wider than before";
    EXPECT_EQ(tree.DoGetNodeWidth(a, 0, nullptr), Width(big, "b") + 2 * margin);
    tree.Header().SetMainColumn(1);
    tree.Header().SetMainColumn(0);
    EXPECT_EQ(tree.DoGetNodeWidth(a, 0, nullptr), Width(big, "wider than before") + 2 * margin);
    // Empty cells.
    tree.texts[0].clear();
    EXPECT_TRUE(tree.DoGetCellIsEmpty(a, NoColumn));
    EXPECT_FALSE(tree.DoGetCellIsEmpty(tree.Add(nullptr, "y"), NoColumn));
    // A handler decides only for cells without text.
    bool empty = true;
    tree.OnGetCellIsEmpty = [&](TBaseLeanTree*, PLeanNode, TColumnIndex, bool& isEmpty) {
        isEmpty = empty;
    };
    EXPECT_FALSE(tree.DoGetCellIsEmpty(tree.GetLast(), NoColumn));
    EXPECT_TRUE(tree.DoGetCellIsEmpty(a, NoColumn));
    empty = false;
    EXPECT_FALSE(tree.DoGetCellIsEmpty(a, NoColumn));
}

TEST(StringTree, PaintingShortensWithAnEllipsisAndShowsStaticText) {
    TTextTree tree;
    tree.resize(400, 200);
    tree.Header().Columns().Add().SetWidth(120);
    tree.Header().Columns().Add().SetWidth(60);
    tree.Header().SetOptions(tree.Header().Options() | TLTHeaderOption::hoVisible);
    tree.Header().SetMainColumn(0);
    PLeanNode a = tree.Add(nullptr, "");
    int contentWidth =
        tree.GetDisplayRect(a, 0, false).width() - 2 * tree.TextMargin() -
        (tree.GetDisplayRect(a, 0, true).left() - tree.GetDisplayRect(a, 0, false).left());
    // A text exactly one character too long for the cell.
    QString fits;
    while (Width(tree.font(), fits + "W") <= contentWidth)
        fits += "W";
    tree.texts[0] = fits + "W";
    tree.InvalidateNode(a);
    QImage img(400, 200, QImage::Format_ARGB32_Premultiplied);
    {
        QPainter p(&img);
        tree.PaintTree(p, QRect(0, 0, 400, 18), QPoint(0, 0), AllPaintOptions);
    }
    ASSERT_GE(tree.drawn.size(), 1);
    QString shown = tree.drawn[0];
    ASSERT_TRUE(shown.endsWith("...")) << shown.toStdString();
    QString prefix = shown.chopped(3);
    EXPECT_TRUE(fits.startsWith(prefix));
    EXPECT_LE(Width(tree.font(), shown), contentWidth);
    EXPECT_GT(Width(tree.font(), fits.left(prefix.size() + 1) + "..."), contentWidth);
    EXPECT_EQ(tree.drawn[1], "c1"); // the second column fits

    // A fitting text is drawn whole; the static text follows it when asked for.
    tree.texts[0] = "short";
    tree.statics = QStringList{"(static)"};
    tree.InvalidateNode(a);
    tree.drawn.clear();
    tree.SetStringOptions(tree.StringOptions() | TLTStringOption::toShowStaticText);
    {
        QPainter p(&img);
        tree.PaintTree(p, QRect(0, 0, 400, 18), QPoint(0, 0), AllPaintOptions);
    }
    EXPECT_EQ(tree.drawn.mid(0, 2), (QStringList{"short", "(static)"}));
}

TEST(StringTree, MultiLineNodesWrapToTheColumn) {
    TTextTree tree;
    tree.resize(400, 300);
    tree.Header().Columns().Add().SetWidth(120);
    tree.Header().SetOptions(tree.Header().Options() | TLTHeaderOption::hoVisible);
    QString longText = "one two three four five six seven eight nine ten eleven twelve";
    PLeanNode a = tree.Add(nullptr, longText);
    PLeanNode b = tree.Add(nullptr, "short");
    int line = QFontMetrics(tree.font()).height();
    int h = tree.ComputeNodeHeight(nullptr, a, 0);
    EXPECT_GE(h, 3 * line);
    EXPECT_EQ(tree.ComputeNodeHeight(nullptr, b, 0), line);
    EXPECT_EQ(tree.ComputeNodeHeight(nullptr, b, 0, longText), h);
    // A multi-line node is as wide as its column.
    a->States |= vsMultiline;
    EXPECT_EQ(tree.DoGetNodeWidth(a, 0, nullptr), 120);
    // Heights measured in OnMeasureItem become the rows' heights.
    tree.OnMeasureItem = [&](TBaseLeanTree*, QPainter* c, PLeanNode n, int& height) {
        if (n->States & vsMultiline)
            height = tree.ComputeNodeHeight(c, n, 0) + 4;
    };
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() |
                                      TLTMiscOption::toVariableNodeHeight);
    tree.InvalidateNode(a);
    EXPECT_EQ(int(tree.GetNodeHeight(a)), h + 4);
    EXPECT_EQ(int(tree.GetNodeHeight(b)), 18);
    // Painted wrapped, not shortened.
    QImage img(400, 300, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    tree.PaintTree(p, QRect(0, 0, 400, 300), QPoint(0, 0), AllPaintOptions);
    EXPECT_TRUE(tree.drawn.contains(longText));
}

// A caption of megabytes is measured only as far as a cell can show: wider than MaxTextWidth,
// its width counts as that.
TEST(StringTree, ACaptionOfMegabytesIsMeasuredOnlyAsFarAsACellShows) {
    TTextTree tree;
    PLeanNode n = tree.Add(nullptr, QString(8'000'000, QLatin1Char('x')));
    EXPECT_EQ(tree.DoGetNodeWidth(n, NoColumn, nullptr), MaxTextWidth + 2 * tree.TextMargin());
    EXPECT_LT(tree.measured, 100'000);
}

// Captions whose width is past Qt's coordinates are drawn cut with "...", in a column and
// without columns.
TEST(StringTree, CaptionsOfMegabytesEndInAnEllipsis) {
    for (qsizetype size : {5'500'000, 8'000'000})
        for (bool columns : {true, false}) {
            TTextTree tree;
            tree.resize(400, 100);
            if (columns)
                tree.AddColumn(200);
            tree.Add(nullptr, QString(size, QLatin1Char('x')));
            tree.PaintWindow(QRect(0, 0, 400, 18));
            ASSERT_FALSE(tree.drawn.isEmpty());
            EXPECT_TRUE(tree.drawn[0].endsWith("...")) << size << " " << columns;
            EXPECT_LT(tree.drawn[0].size(), 10'000);
        }
}

// A cell too narrow for any of its text draws none of it: a caption of megabytes is not laid
// out whole there either.
TEST(StringTree, ACellWithNoRoomDrawsNoneOfItsText) {
    TTextTree tree;
    tree.resize(400, 100);
    tree.AddColumn(4);
    tree.Add(nullptr, QString(5'000'000, QLatin1Char('x')));
    tree.PaintWindow(QRect(0, 0, 400, 18));
    EXPECT_TRUE(tree.drawn.isEmpty());
}

// A static text of megabytes is drawn only as far as it reaches over the rest of its cell.
TEST(StringTree, AStaticTextOfMegabytesIsDrawnOnlyAsFarAsItsCellReaches) {
    TTextTree tree;
    tree.resize(400, 100);
    tree.AddColumn(300);
    tree.SetStringOptions(tree.StringOptions() | TLTStringOption::toShowStaticText);
    tree.statics = QStringList{QString(5'000'000, QLatin1Char('x'))};
    tree.Add(nullptr, "short");
    tree.PaintWindow(QRect(0, 0, 400, 18));
    ASSERT_EQ(tree.drawn.size(), 2);
    EXPECT_EQ(tree.drawn[0], "short");
    EXPECT_TRUE(tree.statics[0].startsWith(tree.drawn[1]));
    EXPECT_GT(Width(tree.font(), tree.drawn[1]), 300 - Width(tree.font(), "short"));
    EXPECT_LT(tree.drawn[1].size(), 1'000);
    EXPECT_LT(tree.measured, 10'000);
}

// A word-wrapped text of megabytes is laid out only as far as a row can hold (65535 pixels),
// and a word of megabytes, far wider than its column, shows its start and "...".
TEST(StringTree, AWrappedTextOfMegabytesIsLaidOutOnlyAsFarAsARowHolds) {
    TTextTree tree;
    tree.resize(400, 100);
    tree.AddColumn(120);
    const QString words = QString("word ").repeated(40'000); // taller than a row can be
    PLeanNode a = tree.Add(nullptr, words.repeated(25));
    const int tallest = tree.ComputeNodeHeight(nullptr, a, 0);
    EXPECT_LE(tallest, 0xFFFF);
    EXPECT_EQ(tree.ComputeNodeHeight(nullptr, a, 0, words), tallest);

    PLeanNode b = tree.Add(nullptr, QString(5'000'000, QLatin1Char('x')));
    b->States |= vsMultiline;
    tree.PaintWindow(tree.GetDisplayRect(b, 0, false));
    ASSERT_EQ(tree.drawn.size(), 1);
    EXPECT_TRUE(tree.drawn[0].endsWith("..."));
    EXPECT_LT(tree.drawn[0].size(), 1'000);
}

// The tooltip of a caption of megabytes is no wider than the screen, its text cut there.
TEST(StringTree, TheTooltipOfACaptionOfMegabytesIsCutToTheScreen) {
    TTextTree tree;
    tree.resize(300, 100);
    tree.AddColumn(200);
    tree.HintMode = hmTooltip;
    tree.HintAnimation = hatNone;
    TLTHintData data;
    data.Node = tree.Add(nullptr, QString(5'000'000, QLatin1Char('x')));
    data.Column = 0;
    TLeanTreeHintWindow* hint = tree.HintWindow();
    const QRect desktop = TLeanTreeHintWindow::Desktop(tree);
    const QRect r = hint->CalcHintRect(200, {}, data);
    EXPECT_LE(r.width(), desktop.width() + 2); // the frame
    hint->ActivateHint(QRect(desktop.topLeft(), r.size()), {}, desktop);
    hint->grab();
    ASSERT_FALSE(tree.drawn.isEmpty());
    EXPECT_TRUE(tree.drawn.back().endsWith("..."));
    EXPECT_LT(tree.drawn.back().size(), 10'000);
}

class StringTreeInteraction : public ::testing::Test {
protected:
    void SetUp() override {
        tree.resize(300, 200);
        for (const char* s : {"apple", "Banana", "berry", "cherry"})
            tree.Add(nullptr, s);
        tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() |
                                          TLTMiscOption::toEditable);
        tree.show();
        tree.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&tree));
    }
    PLeanNode Row(int i) {
        PLeanNode n = tree.GetFirst();
        while (i-- > 0)
            n = tree.GetNextSibling(n);
        return n;
    }
    TTextTree tree;
};

TEST_F(StringTreeInteraction, EditingGoesThroughTheStringEditLink) {
    tree.SetFocusedNode(Row(1));
    ASSERT_TRUE(tree.EditNode(Row(1), NoColumn));
    auto link = std::dynamic_pointer_cast<TStringEditLink>(tree.EditLink());
    ASSERT_TRUE(link);
    ASSERT_TRUE(link->Edit());
    EXPECT_EQ(link->Edit()->text(), "Banana");
    EXPECT_GE(link->GetBounds().width(), TLTLineEditLink::MinWidth);
    EXPECT_LE(link->GetBounds().right(), tree.ClientWidth());
    // The editor grows with its text, never past the client area.
    int before = link->GetBounds().width();
    QTest::keyClicks(link->Edit(), "a rather long text that needs more room than the cell has");
    EXPECT_GT(link->GetBounds().width(), before);
    EXPECT_LE(link->GetBounds().right(), tree.ClientWidth());
    link->Edit()->clear();
    QTest::keyClicks(link->Edit(), "Kiwi ");
    link->Edit()->insert(QString::fromUtf8("\xc3\xa9"));
    QTest::keyClick(link->Edit(), Qt::Key_Return);
    EXPECT_FALSE(tree.IsEditing());
    EXPECT_EQ(tree.newTexts, QStringList{QString::fromUtf8("Kiwi \xc3\xa9")});
    EXPECT_EQ(tree.Text(Row(1), NoColumn), QString::fromUtf8("Kiwi \xc3\xa9"));

    // Escape keeps the text; losing the focus without auto-accept cancels.
    ASSERT_TRUE(tree.EditNode(Row(2), NoColumn));
    link = std::dynamic_pointer_cast<TStringEditLink>(tree.EditLink());
    QTest::keyClicks(link->Edit(), "zzz");
    QTest::keyClick(link->Edit(), Qt::Key_Escape);
    EXPECT_EQ(tree.newTexts.size(), 1);
    tree.SetStringOptions({TLTStringOption::toSaveCaptions});
    ASSERT_TRUE(tree.EditNode(Row(3), NoColumn));
    link = std::dynamic_pointer_cast<TStringEditLink>(tree.EditLink());
    EXPECT_FALSE(link->AutoAcceptEditChange);
    QTest::keyClicks(link->Edit(), "zzz");
    tree.setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(tree.IsEditing());
    EXPECT_EQ(tree.newTexts.size(), 1);
    // The link edits string trees only.
    TTestTree other;
    TStringEditLink foreign;
    EXPECT_FALSE(foreign.PrepareEdit(&other, other.AddChild(nullptr), NoColumn));
}

TEST_F(StringTreeInteraction, EditorTakesWindowTextDirectionAndModifiedText) {
    // The editor writes in the window-text colour; without columns it reads as the tree does.
    QPalette palette = tree.palette();
    palette.setColor(QPalette::Text, Qt::red);
    palette.setColor(QPalette::WindowText, Qt::blue);
    tree.setPalette(palette);
    tree.setLayoutDirection(Qt::RightToLeft);
    ASSERT_TRUE(tree.EditNode(Row(0), NoColumn));
    auto link = std::dynamic_pointer_cast<TStringEditLink>(tree.EditLink());
    ASSERT_TRUE(link && link->Edit());
    EXPECT_EQ(link->Edit()->palette().color(QPalette::Text), QColor(Qt::blue));
    EXPECT_EQ(link->Edit()->layoutDirection(), Qt::RightToLeft);
    // A text typed back to what it was is still the user's: the host hears of it.
    QTest::keyClicks(link->Edit(), "x");
    QTest::keyClick(link->Edit(), Qt::Key_Backspace);
    ASSERT_EQ(link->Edit()->text(), "");
    QTest::keyClicks(link->Edit(), "apple");
    QTest::keyClick(link->Edit(), Qt::Key_Return);
    EXPECT_EQ(tree.newTexts, QStringList{"apple"});
    // Untouched, it is not.
    ASSERT_TRUE(tree.EditNode(Row(1), NoColumn));
    EXPECT_TRUE(tree.EndEditNode());
    EXPECT_EQ(tree.newTexts, QStringList{"apple"});
}

// A text longer than a line editor holds by default is edited whole: nothing of it is cut.
TEST_F(StringTreeInteraction, ALongTextIsEditedWhole) {
    const QString longText(100'000, QLatin1Char('x'));
    tree.texts[0] = longText;
    tree.InvalidateNode(Row(0));
    ASSERT_TRUE(tree.EditNode(Row(0), NoColumn));
    auto link = std::dynamic_pointer_cast<TStringEditLink>(tree.EditLink());
    ASSERT_TRUE(link && link->Edit());
    EXPECT_EQ(link->Edit()->text().size(), longText.size());
    EXPECT_LE(link->GetBounds().right(), tree.ClientWidth());
    link->Edit()->end(false);
    QTest::keyClicks(link->Edit(), "y");
    QTest::keyClick(link->Edit(), Qt::Key_Return);
    ASSERT_EQ(tree.newTexts.size(), 1);
    EXPECT_TRUE(tree.newTexts[0] == longText + "y");
}

TEST(StringTree, AnEditEndingWithTheTreeKeepsItsTextUnderAutoAccept) {
    QStringList kept;
    for (bool autoAccept : {true, false}) {
        auto tree = std::make_unique<TTextTree>();
        tree->Add(nullptr, "apple");
        tree->TreeOptions().SetMiscOptions(tree->TreeOptions().MiscOptions() |
                                           TLTMiscOption::toEditable);
        if (!autoAccept)
            tree->SetStringOptions({TLTStringOption::toSaveCaptions});
        tree->OnNewText = [&](TBaseLeanTree*, PLeanNode, TColumnIndex, const QString& t) {
            kept.push_back(t);
        };
        tree->show();
        ASSERT_TRUE(tree->EditNode(tree->GetFirst(), NoColumn));
        auto link = std::dynamic_pointer_cast<TStringEditLink>(tree->EditLink());
        ASSERT_TRUE(link && link->Edit());
        QTest::keyClicks(link->Edit(), autoAccept ? "pear" : "plum");
        tree.reset();
    }
    EXPECT_EQ(kept, QStringList{"pear"});
}

TEST_F(StringTreeInteraction, IncrementalSearchMatchesTextPrefixesIgnoringCase) {
    tree.SetIncrementalSearch(isAll);
    tree.SetFocusedNode(Row(0));
    uint64_t t = 1000;
    tree.HandleIncrementalSearch(u'b', t += 100);
    EXPECT_EQ(tree.FocusedNode(), Row(1)); // "Banana"
    tree.HandleIncrementalSearch(u'e', t += 100);
    EXPECT_EQ(tree.FocusedNode(), Row(2)); // "be"rry
    tree.HandleIncrementalSearch(u'x', t += 100);
    EXPECT_EQ(tree.FocusedNode(), Row(2)); // nothing matches "bex": the focus stays
    tree.StopIncrementalSearch();
    tree.HandleIncrementalSearch(u'C', t += 5000);
    EXPECT_EQ(tree.FocusedNode(), Row(3));
    // A host's own search event wins.
    tree.OnIncrementalSearch = [](TBaseLeanTree*, PLeanNode, const std::u16string&, int& r) {
        r = 1;
    };
    tree.StopIncrementalSearch();
    tree.HandleIncrementalSearch(u'a', t += 5000);
    EXPECT_EQ(tree.FocusedNode(), Row(3));
}

TEST(StringTree, CaptionsTravelInNodeStreams) {
    TTextTree source;
    PLeanNode r = source.Add(nullptr, QString::fromUtf8("r\xc3\xa9sum\xc3\xa9 \xf0\x9f\x98\x80"));
    source.Add(r, "child");
    source.Add(nullptr, "");
    TMemoryStream stream;
    source.SaveToStream(stream);

    TTextTree target;
    target.texts = QStringList{"x", "x", "x"};
    target.OnLoadNode = [&](TBaseLeanTree*, PLeanNode n, TStream&) {
        *target.GetNodeData<int>(n) = -1;
    };
    stream.Seek(0, TSeekOrigin::soBeginning);
    target.LoadFromStream(stream);
    // A node's children come inside its base chunk, before its captions.
    EXPECT_EQ(
        target.newTexts,
        (QStringList{"child", QString::fromUtf8("r\xc3\xa9sum\xc3\xa9 \xf0\x9f\x98\x80"), ""}));
    EXPECT_EQ(target.TotalCount(), 3u);

    // Without toSaveCaptions no captions chunk is written.
    source.SetStringOptions({});
    TMemoryStream bare;
    source.SaveToStream(bare);
    EXPECT_LT(bare.Size(), stream.Size());
    target.newTexts.clear();
    bare.Seek(0, TSeekOrigin::soBeginning);
    target.LoadFromStream(bare);
    EXPECT_TRUE(target.newTexts.isEmpty());
}

TEST(StringTree, ExportsFromARealTree) {
    TTextTree tree;
    tree.resize(400, 200);
    PLeanNode a = tree.Add(nullptr, "a,b");
    tree.Add(a, "say \"hi\"");
    tree.Add(nullptr, "<tag>");
    // Without columns: one line per node, a separator per level before the text.
    EXPECT_EQ(tree.ContentToText(rsAll, u','), "\"a,b\"\r\n,\"say \"\"hi\"\"\"\r\n<tag>\r\n");
    std::u16string u = tree.ContentToUnicode(rsAll, u'\t');
    EXPECT_EQ(u, u"a,b\r\n\t\"say \"\"hi\"\"\"\r\n<tag>\r\n");
    std::string html = tree.ContentToHTML(rsAll);
    EXPECT_NE(html.find("&lt;tag&gt;"), std::string::npos);
    EXPECT_EQ(html.find("<tag>"), std::string::npos);
    // The table has the tree's colour and, with the default single border, border 1.
    tree.SetColor(clYellow);
    html = tree.ContentToHTML(rsAll);
    EXPECT_NE(html.find("bgcolor=\"#FFFF00\""), std::string::npos);
    EXPECT_NE(html.find(" border=\"1\" frame=\"box\""), std::string::npos);
    tree.SetBorderStyle(bsNone);
    EXPECT_EQ(tree.ContentToHTML(rsAll).find(" border="), std::string::npos);
    EXPECT_NE(tree.ContentToRTF(rsAll).find("{\\rtf1"), std::string::npos);
    // A cell the host paints bold and red carries that look into RTF and HTML.
    tree.OnPaintText = [&](TBaseLeanTree*, QPainter& c, PLeanNode n, TColumnIndex, TVSTTextType) {
        if (n == a) {
            QFont f = c.font();
            f.setBold(true);
            c.setFont(f);
            c.setPen(Qt::red);
        }
    };
    std::string rtf = tree.ContentToRTF(rsAll);
    EXPECT_NE(rtf.find("{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue0;}"),
              std::string::npos);
    EXPECT_NE(rtf.find("\\b\\f0\\cf1\\fs"), std::string::npos); // the first row, bold and red
    EXPECT_NE(tree.ContentToHTML(rsAll).find(" style=\"font: bold "), std::string::npos);
    // Fonts sized in pixels export in points at the tree's resolution (96 dpi offscreen): the
    // tree's 20 px is 15 pt, a cell's 40 px 30 pt.
    ASSERT_EQ(tree.logicalDpiY(), 96);
    QFont pixels = tree.font();
    pixels.setPixelSize(20);
    tree.setFont(pixels);
    tree.OnPaintText = [&](TBaseLeanTree*, QPainter& c, PLeanNode n, TColumnIndex, TVSTTextType) {
        if (n == a) {
            QFont f = c.font();
            f.setPixelSize(40);
            c.setFont(f);
        }
    };
    rtf = tree.ContentToRTF(rsAll);
    EXPECT_NE(rtf.find("\\fs60 "), std::string::npos);
    EXPECT_NE(rtf.find("\\fs30 "), std::string::npos);
    html = tree.ContentToHTML(rsAll);
    EXPECT_NE(html.find(".default{font: 15pt "), std::string::npos);
    EXPECT_NE(html.find("style=\"font: 30pt "), std::string::npos);
    tree.OnPaintText = nullptr;

    // Through the data object: the selection when dragging, the cut/copy set for the clipboard.
    tree.SetSelected(tree.GetLast(), true);
    auto drag = std::make_unique<TLTDataObject>(&tree, false);
    EXPECT_EQ(drag->data(MimePlainText), QByteArray("<tag>\r\n"));
    EXPECT_EQ(drag->data(MimeCSV), QByteArray("<tag>\r\n"));
    EXPECT_NE(drag->data(MimeHTML).indexOf("&lt;tag&gt;"), -1);
    EXPECT_TRUE(drag->data(MimeRTF).startsWith("{\\rtf1"));
    tree.GetFirst()->States |= vsCutOrCopy;
    tree.DoStateChange(TLeanTreeState::tsCopyPending);
    auto clip = std::make_unique<TLTDataObject>(&tree, true);
    EXPECT_EQ(clip->data(MimePlainText), QByteArray("a,b\r\n"));
    clip.reset(); // the tree's copy is cancelled with it
    EXPECT_FALSE(tree.GetFirst()->States & vsCutOrCopy);
    // Nothing to render: no data.
    tree.ClearSelection();
    EXPECT_TRUE(std::make_unique<TLTDataObject>(&tree, false)->data(MimePlainText).isEmpty());
}

TEST(StringTree, AHeaderFontSizedInPixelsExportsInPoints) {
    TTextTree tree;
    tree.Add(nullptr, "row");
    tree.Header().Columns().Add().SetText("Name");
    tree.Header().Columns().Add().SetText("Kind");
    tree.Header().SetOptions(tree.Header().Options() | TLTHeaderOption::hoVisible);
    ASSERT_EQ(tree.logicalDpiY(), 96);
    QFont pixels = tree.font();
    pixels.setPixelSize(28); // 21 pt at 96 dpi
    tree.Header().SetFont(pixels);
    EXPECT_NE(tree.ContentToHTML(rsAll).find(".header{font: 21pt "), std::string::npos);
    std::string rtf = tree.ContentToRTF(rsAll);
    std::string headerRow = rtf.substr(0, rtf.find("\\row"));
    EXPECT_NE(headerRow.find("\\fs42 \\u78"), std::string::npos) << headerRow; // "N" of "Name"
}

} // namespace

namespace {

// Two string trees side by side during a drag from the left one to the right one: the right
// shows the drop mark below its second row. With TREE_SCREENSHOT set the picture is saved there
// with "-strings" before the extension.
TEST(StringTree, TwoTreesDuringADragOnScreen) {
    QWidget window;
    window.resize(520, 220);
    TTextTree left, right;
    for (TTextTree* t : {&left, &right}) {
        t->setParent(&window);
        t->TreeOptions().SetSelectionOptions({TLTSelectionOption::toMultiSelect});
        t->OnDragOver = [](TBaseLeanTree*, TBaseLeanTree*, Qt::KeyboardModifiers,
                           TBaseLeanTree::TDragState, QPoint, TBaseLeanTree::TDropMode,
                           Qt::DropAction&, bool& accept) { accept = true; };
    }
    left.setGeometry(0, 0, 250, 220);
    right.setGeometry(270, 0, 250, 220);
    for (const char* s : {"Pay the rent", "Call the dentist about a very long appointment text",
                          "Water the plants"})
        left.Add(nullptr, s);
    PLeanNode group = right.Add(nullptr, "Weekly");
    right.Add(group, "Bins out");
    right.Add(nullptr, "Renew passport");
    right.FullExpand();
    left.SetSelected(left.GetFirst(), true);
    window.show();
    std::unique_ptr<QMimeData> data = left.BeginOLEDrag();
    QRect row = right.GetDisplayRect(right.GetNext(right.GetFirst()), NoColumn, false);
    TLTDragInfo info;
    info.Allowed = Qt::CopyAction | Qt::MoveAction;
    info.Pt = QPoint(row.left() + 4, row.bottom() - 2); // in the indentation
    ASSERT_TRUE(right.DragEnter(&left, data.get(), info));
    right.DragOver(&left, info, 1);
    EXPECT_EQ(right.LastDropMode(), TBaseLeanTree::dmBelow);
    QImage shot = window.grab().toImage();
    EXPECT_FALSE(shot.isNull());
    if (!qEnvironmentVariableIsEmpty("TREE_SCREENSHOT")) {
        QString path = qEnvironmentVariable("TREE_SCREENSHOT");
        path.insert(path.lastIndexOf('.'), "-strings");
        shot.save(path);
    }
    right.DragLeave();
    left.EndOLEDrag(Qt::IgnoreAction);
    EXPECT_EQ(left.TotalCount(), 3u);
}

} // namespace

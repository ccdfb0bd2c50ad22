// The string tree's painting: a selected row's text where the selection is not drawn and on
// the drop target, texts spanning empty cells, and multi-line texts cut with an ellipsis and
// written from the top. With TOCKWELL_SHOTS set a tree showing these and the check image kinds
// is saved there as stringtree-cells.png.
#include <QApplication>
#include <QMimeData>
#include <QTest>

#include "controls/tree/stringtree.h"
#include "controls/tree/treecolumns.h"
#include "controls/tree/treedrag.h"
#include "controls/tree/treeheader.h"
#include "gui/guitestutil.h"
#include "platform/gui/qtcolors.h"
#include "treetestutil.h"

namespace {

using enum TLTHeaderOption;

// The cells of a row come from a list per node; the tree records what it draws.
class TCellTree : public TLeanStringTree {
public:
    TCellTree() {
        SetNodeDataSize(sizeof(int));
        OnGetText = [this](TBaseLeanTree*, PLeanNode n, TColumnIndex c, TVSTTextType type,
                           QString& text) {
            if (type == ttNormal)
                text = cells[size_t(*GetNodeData<int>(n))].value(std::max(0, c));
        };
    }
    PLeanNode Add(PLeanNode parent, const QStringList& row) {
        PLeanNode n = AddChild(parent);
        *GetNodeData<int>(n) = int(cells.size());
        cells.push_back(row);
        return n;
    }
    void AddColumns(std::initializer_list<int> widths) {
        for (int w : widths)
            Header().Columns().Add().SetWidth(w);
        Header().SetOptions(Header().Options() | hoVisible);
    }
    void DrawCellText(QPainter& c, const QRect& r, const QString& t, int flags) override {
        drawn.push_back(t);
        TLeanStringTree::DrawCellText(c, r, t, flags);
    }
    QImage Render() {
        drawn.clear();
        QImage img(width(), height(), QImage::Format_RGB32);
        QPainter p(&img);
        PaintTree(p, img.rect(), QPoint(0, 0), AllPaintOptions);
        return img;
    }
    std::vector<QStringList> cells;
    QStringList drawn;
};

// Pixels of area in img far from colour c (text, not its anti-aliased fringe).
int InkOn(const QImage& img, const QRect& area, const QColor& c) {
    return CountPixels(img, area, [&](const QColor& p) {
        return std::abs(p.red() - c.red()) + std::abs(p.green() - c.green()) +
                   std::abs(p.blue() - c.blue()) >
               150;
    });
}

// Pixels of area in img that are nearly white (light text).
int Light(const QImage& img, const QRect& area) {
    return CountPixels(img, area, [](const QColor& p) {
        return std::min({p.red(), p.green(), p.blue()}) > 200;
    });
}

int Width(const QFont& f, const QString& s) {
    return QFontMetrics(f).horizontalAdvance(s);
}

TEST(StringTreePaint, SelectedTextIsReadableWhereverSelectionIsDrawnOrNot) {
    TCellTree tree;
    tree.resize(300, 200);
    tree.Add(nullptr, {"first row"});
    PLeanNode sel = tree.Add(nullptr, {"Selected row"});
    tree.show();
    tree.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&tree));
    tree.setFocus();
    ASSERT_TRUE(tree.hasFocus());
    tree.SetSelected(sel, true);
    QRect label = tree.GetDisplayRect(sel, NoColumn, true);
    QColor window = ColorToQColor(clWindow);
    // Drawn selection: light text on the selection colour.
    QImage img = tree.Render();
    EXPECT_GT(Light(img, label), 10);
    // Hidden selection: the text in the normal colour on the background.
    auto paint = tree.TreeOptions().PaintOptions();
    tree.TreeOptions().SetPaintOptions(paint | TLTPaintOption::toAlwaysHideSelection);
    EXPECT_GT(InkOn(tree.Render(), label, window), 10);
    // Hidden without the focus, also in popup mode (which shows selected texts as focused).
    tree.TreeOptions().SetPaintOptions(paint | TLTPaintOption::toHideSelection |
                                       TLTPaintOption::toPopupMode);
    EXPECT_GT(Light(tree.Render(), label), 10); // focused: drawn
    tree.clearFocus();
    ASSERT_FALSE(tree.hasFocus());
    EXPECT_GT(InkOn(tree.Render(), label, window), 10);
    tree.TreeOptions().SetPaintOptions(paint);

    // The drop target (a drop on the node) in its own colour with the selection text colour.
    tree.setFocus();
    tree.Colors().Set(TLTColors::DropTargetColor, clRed);
    tree.OnDragOver = [](TBaseLeanTree*, TBaseLeanTree*, Qt::KeyboardModifiers,
                         TBaseLeanTree::TDragState, QPoint, TBaseLeanTree::TDropMode,
                         Qt::DropAction&, bool& accept) { accept = true; };
    PLeanNode target = tree.GetFirst();
    QRect targetLabel = tree.GetDisplayRect(target, NoColumn, true);
    QMimeData foreign;
    TLTDragInfo info;
    info.Allowed = Qt::CopyAction;
    info.Pt = targetLabel.center();
    ASSERT_TRUE(tree.DragEnter(nullptr, &foreign, info));
    ASSERT_EQ(tree.LastDropMode(), TBaseLeanTree::dmOnNode);
    img = tree.Render();
    EXPECT_GT(CountColor(img.copy(targetLabel), QColor(Qt::red)), 20);
    EXPECT_GT(Light(img, targetLabel), 10);
    tree.DragLeave();
}

TEST(StringTreePaint, TextsSpanEmptyCellsAndMultiLineTextsAreCut) {
    TCellTree tree;
    tree.resize(400, 200);
    tree.AddColumns({80, 120, 60});
    QString text = "spans wider";
    int room = 80 - 18 - 4 - 2 * tree.TextMargin(); // indentation, margin, text margins
    ASSERT_GT(Width(tree.font(), text), room);
    ASSERT_LT(Width(tree.font(), text), room + 120);
    tree.Add(nullptr, {text, "", "c"}); // the middle cell is empty
    tree.Add(nullptr, {text, "b", "c"});
    tree.Render();
    ASSERT_EQ(tree.drawn.size(), 5);
    EXPECT_TRUE(tree.drawn[0].endsWith("...")); // no spanning without the option
    tree.TreeOptions().SetAutoOptions(tree.TreeOptions().AutoOptions() |
                                      TLTAutoOption::toAutoSpanColumns);
    tree.Render();
    EXPECT_EQ(tree.drawn, (QStringList{text, "c", tree.drawn[2], "b", "c"}));
    EXPECT_TRUE(tree.drawn[2].endsWith("..."));

    // A multi-line node two lines high shows two whole lines, the second ending in "...".
    tree.TreeOptions().SetAutoOptions(tree.TreeOptions().AutoOptions() -
                                      TLTAutoOption::toAutoSpanColumns);
    tree.Clear();
    tree.cells.clear();
    QFontMetrics fm(tree.font());
    PLeanNode m = tree.Add(nullptr, {"one two three four five six seven eight nine ten eleven"});
    m->States |= vsMultiline;
    tree.SetNodeHeight(m, uint32_t(2 * fm.lineSpacing() + 2));
    tree.Render();
    ASSERT_FALSE(tree.drawn.isEmpty());
    QStringList lines = tree.drawn[0].split('\n');
    ASSERT_EQ(lines.size(), 2) << tree.drawn[0].toStdString();
    EXPECT_TRUE(lines[1].endsWith("..."));
    for (const QString& line : lines)
        EXPECT_LE(Width(tree.font(), line), room);
    // A fitting text is written whole, from the top of its cell.
    tree.cells[0][0] = "short";
    tree.SetNodeHeight(m, uint32_t(4 * fm.lineSpacing()));
    QImage img = tree.Render();
    EXPECT_EQ(tree.drawn[0], "short");
    QColor window = ColorToQColor(clWindow);
    EXPECT_GT(InkOn(img, QRect(22, 0, 58, fm.lineSpacing()), window), 5);
    EXPECT_EQ(InkOn(img, QRect(22, 2 * fm.lineSpacing(), 58, 2 * fm.lineSpacing()), window), 0);
}

TEST(StringTreePaint, TheEditedCellHidesItsTextWhateverColumnHasTheFocus) {
    TCellTree tree;
    tree.resize(300, 100);
    tree.AddColumns({100, 100});
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() | TLTMiscOption::toEditable);
    PLeanNode n = tree.Add(nullptr, {"first", "second"});
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    tree.SetFocusedColumn(0);
    ASSERT_TRUE(tree.EditNode(n, 1));
    ASSERT_EQ(tree.FocusedColumn(), 0);
    tree.Render();
    EXPECT_EQ(tree.drawn, QStringList{"first"});
    ASSERT_TRUE(tree.CancelEditNode());
    tree.SetFocusedColumn(1);
    ASSERT_TRUE(tree.EditNode(n, 0));
    tree.Render();
    EXPECT_EQ(tree.drawn, QStringList{"second"});
    ASSERT_TRUE(tree.CancelEditNode());
    // With the header hidden the row is one cell, the edited one.
    tree.Header().SetOptions(tree.Header().Options() - hoVisible);
    ASSERT_TRUE(tree.EditNode(n, 0));
    tree.Render();
    EXPECT_TRUE(tree.drawn.isEmpty());
    ASSERT_TRUE(tree.CancelEditNode());
}

// A string tree with a spanning header row, multi-line rows and one check box of each kind,
// rendered on screen for a look.
TEST(StringTreePaint, SpanningMultiLineAndCheckKindsOnScreen) {
    ThemesGuard classic{false};
    TCellTree tree;
    tree.resize(460, 330);
    tree.AddColumns({190, 110, 150});
    tree.Header().Columns().Items(0).SetText("Reminder");
    tree.Header().Columns().Items(1).SetText("Kind");
    tree.Header().Columns().Items(2).SetText("Next alert");
    auto& o = tree.TreeOptions();
    o.SetAutoOptions(o.AutoOptions() | TLTAutoOption::toAutoSpanColumns);
    o.SetMiscOptions(o.MiscOptions() | TLTMiscOption::toCheckSupport);
    o.SetPaintOptions(o.PaintOptions() | TLTPaintOption::toShowVertGridLines |
                      TLTPaintOption::toShowHorzGridLines);
    QString title = "This week: a group title that spans the empty cells";
    PLeanNode group = tree.Add(nullptr, {title});
    const char* kinds[] = {"light check", "dark check", "light tick", "dark tick",
                           "flat",        "XP",         "system",     "system flat"};
    for (const char* k : kinds)
        tree.SetCheckState(tree.Add(group, {"Water the plants", k, "12/8/2026 11:30 PM"}),
                           csCheckedNormal);
    PLeanNode multi = tree.Add(
        nullptr, {"A note of several lines: call the dentist about moving the appointment to "
                  "a later week, and ask about the bill that came twice",
                  "multi-line", ""});
    multi->States |= vsMultiline;
    tree.SetNodeHeight(multi, uint32_t(3 * QFontMetrics(tree.font()).lineSpacing() + 2));
    tree.FullExpand();
    // One check box look per row: the kinds are drawn from their lists by the host.
    tree.OnAfterCellPaint = [&](TBaseLeanTree*, QPainter& p, PLeanNode n, TColumnIndex c, QRect r) {
        if (c != 0 || n->Parent != group)
            return;
        TCheckImageKind kind[] = {ckLightCheck, ckDarkCheck, ckLightTick, ckDarkTick,
                                  ckFlat,       ckXP,        ckSystem,    ckSystemFlat};
        auto list = tree.GetCheckImageListFor(kind[n->Index]);
        p.fillRect(QRect(r.left() + 40, r.top(), 18, r.height()), ColorToQColor(clWindow));
        list->Draw(p, r.left() + 40, r.top() + (r.height() - list->Height()) / 2,
                   tree.GetCheckImage(n), false);
    };
    for (PLeanNode n = group->FirstChild; n; n = n->NextSibling)
        tree.SetCheckType(n, ctCheckBox);
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    tree.SetSelected(group->FirstChild->NextSibling, true);
    QApplication::processEvents();
    QImage shot = tree.grab().toImage();
    SaveShot(shot, "stringtree-cells.png");
    EXPECT_TRUE(tree.drawn.contains(title)); // whole: it has the empty cells' room
}

} // namespace

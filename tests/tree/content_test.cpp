// A tree's export content: the render sources, levels, visible columns in display order, and the
// CSV of a small tree end to end.
#include "controls/tree/treeclipboard.h"
#include "controls/tree/treecolumns.h"
#include "controls/tree/treecontent.h"
#include "controls/tree/treeheader.h"
#include "treetestutil.h"

namespace {

// root0 (child0.0 (leaf0.0.0), child0.1), root1; texts "<node data>:<column>".
class ContentTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree.resize(400, 300);
        PLeanNode r0 = tree.AddChild(nullptr);
        PLeanNode c00 = tree.AddChild(r0);
        tree.AddChild(c00);
        tree.AddChild(r0);
        tree.AddChild(nullptr);
        int i = 0;
        for (PLeanNode n = tree.GetFirst(); n; n = tree.GetNext(n))
            tree.Data(n) = i++;
    }
    QString Text(PLeanNode n, TColumnIndex c) {
        return QString::number(tree.Data(n)) + ":" + QString::number(c);
    }
    std::vector<QString> Column(const TExportContent& c, size_t i) {
        std::vector<QString> out;
        for (const auto& r : c.Rows)
            out.push_back(r.Cells.at(i));
        return out;
    }
    TLTCellTextGetter Getter() {
        return [this](PLeanNode n, TColumnIndex c) { return Text(n, c); };
    }
    TTestTree tree;
};

TEST_F(ContentTest, RenderSourcesAndLevels) {
    TExportContent all = GatherExportContent(tree, rsAll, Getter());
    EXPECT_TRUE(all.Columns.empty());
    EXPECT_EQ(Column(all, 0), (std::vector<QString>{"0:-1", "1:-1", "2:-1", "3:-1", "4:-1"}));
    std::vector<uint32_t> levels;
    for (const auto& r : all.Rows)
        levels.push_back(r.Level);
    EXPECT_EQ(levels, (std::vector<uint32_t>{0, 1, 2, 1, 0}));
    EXPECT_EQ(all.Rows[0].Height, 18);

    // Collapsed: only the top level shows.
    EXPECT_EQ(Column(GatherExportContent(tree, rsVisible, Getter()), 0),
              (std::vector<QString>{"0:-1", "4:-1"}));
    tree.FullExpand();
    EXPECT_EQ(GatherExportContent(tree, rsVisible, Getter()).Rows.size(), 5u);

    tree.TreeOptions().SetSelectionOptions({TLTSelectionOption::toMultiSelect});
    PLeanNode second = tree.GetNext(tree.GetFirst());
    tree.SetSelected(tree.GetLast(), true);
    tree.SetSelected(second, true);
    EXPECT_EQ(Column(GatherExportContent(tree, rsSelected, Getter()), 0),
              (std::vector<QString>{"1:-1", "4:-1"}));
    EXPECT_TRUE(GatherExportContent(tree, rsCutCopySet, Getter()).Rows.empty());
    EXPECT_EQ(GatherExportContent(tree, rsInitialized, Getter()).Rows.size(), 5u);
}

TEST_F(ContentTest, VisibleColumnsInDisplayOrderAndCsv) {
    tree.Header().SetOptions(tree.Header().Options() | TLTHeaderOption::hoVisible);
    auto& cols = tree.Header().Columns();
    for (const char* name : {"Name", "Hidden", "Due, at"}) {
        TLeanTreeColumn& c = cols.Add();
        c.SetText(name);
        c.SetWidth(60);
    }
    cols.Items(1).SetOptions(cols.Items(1).Options() - TLTColumnOption::coVisible);
    cols.Items(2).SetPosition(0); // "Due, at" first
    cols.Items(2).SetAlignment(taRightJustify);
    tree.Header().SetMainColumn(0);
    tree.SetRootNodeCount(0);
    PLeanNode a = tree.AddChild(nullptr);
    PLeanNode b = tree.AddChild(a);
    tree.Data(a) = 7, tree.Data(b) = 8;

    TExportContent c = GatherExportContent(tree, rsAll, [&](PLeanNode n, TColumnIndex col) {
        return col == 0 ? (n == a ? QString("Plan \"A\"") : QString("sub\nitem"))
                        : QString::number(tree.Data(n)) + ",00";
    });
    ASSERT_EQ(c.Columns.size(), 2u);
    EXPECT_EQ(c.Columns[0].Text, "Due, at");
    EXPECT_EQ(c.Columns[0].Alignment, taRightJustify);
    EXPECT_EQ(c.MainColumn, 1u);
    EXPECT_EQ(ContentToText(c, u','), "\"Due, at\",Name,\r\n"
                                      "\"7,00\",\"Plan \"\"A\"\"\",\r\n"
                                      "\"8,00\",,\"sub\nitem\"\r\n");
}

TEST_F(ContentTest, ClipboardRenderings) {
    TExportContent c = GatherExportContent(tree, rsAll, Getter());
    auto render = [&](std::string_view name) {
        QByteArray data;
        int fmt = 0;
        EXPECT_NE(TClipboardFormatList::FindFormat(name, fmt), nullptr) << name;
        return ContentToClipboard(fmt, c, u';', data) ? data : QByteArray("(none)");
    };
    EXPECT_EQ(render("Plain text"), "0:-1\r\n\t1:-1\r\n\t\t2:-1\r\n\t3:-1\r\n4:-1\r\n");
    EXPECT_EQ(render("Unicode text"), render("Plain text"));
    EXPECT_TRUE(render("CSV").startsWith("0:-1\r\n;1:-1\r\n"));
    EXPECT_TRUE(render("Rich Text Format").startsWith("{\\rtf1"));
    EXPECT_EQ(render("Rich Text Format Without Objects"), render("Rich Text Format"));
    QByteArray html = render("HTML Format");
    EXPECT_TRUE(html.startsWith("<!DOCTYPE HTML"));
    EXPECT_TRUE(html.endsWith("</html>"));
    EXPECT_EQ(render("Lean Tree Data"), "(none)");
    c.Rows.clear();
    EXPECT_EQ(render("Plain text"), "(none)");
}

} // namespace

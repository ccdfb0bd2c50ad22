// A tree of 100,000 nodes on screen: labels, lines, buttons, check boxes, a selection and the
// focus rectangle, after scrolling and expanding. With TREE_SCREENSHOT set the window's picture
// is saved there (run on a real X server to look at it).
#include <QApplication>
#include <QTest>

#include "treetestutil.h"

namespace {

using enum TLTMiscOption;

class TLabelTree : public TTestTree {
public:
    void DoPaintNode(TLTPaintInfo& info) override {
        info.Canvas->setPen(GetSelected(info.Node) ? Qt::white : Qt::black);
        info.Canvas->drawText(info.ContentRect, Qt::AlignLeft | Qt::AlignVCenter, Text(info.Node));
    }
    int DoGetNodeWidth(PLeanNode n, TColumnIndex, QPainter*) override {
        return QFontMetrics(font()).horizontalAdvance(Text(n)) + 4;
    }
    QString Text(PLeanNode n) const {
        return n->Parent == RootNode()
                   ? QStringLiteral("Group %1").arg(n->Index)
                   : QStringLiteral("Reminder %1.%2").arg(n->Parent->Index).arg(n->Index);
    }
};

TEST(TreeOnScreen, HundredThousandNodes) {
    TLabelTree tree;
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() | toCheckSupport);
    tree.OnInitNode = [&](TBaseLeanTree*, PLeanNode parent, PLeanNode node,
                          TLeanNodeInitStates& states) {
        if (!parent)
            states |= TLeanNodeInitState::ivsHasChildren;
        else if (node->Index % 3 == 0)
            tree.SetCheckType(node, ctCheckBox);
    };
    tree.OnInitChildren = [](TBaseLeanTree*, PLeanNode, uint32_t& count) { count = 999; };
    tree.SetRootNodeCount(100);
    tree.resize(420, 360);
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    EXPECT_EQ(tree.TotalCount(), 100u);
    // Expand two groups far down, scroll to them, select and focus a reminder.
    PLeanNode g = tree.GetFirst();
    for (int i = 0; i < 57; ++i)
        g = tree.GetNextSibling(g);
    tree.ToggleNode(g->PrevSibling);
    tree.ToggleNode(g);
    EXPECT_EQ(tree.TotalCount(), 100u + 2 * 999u);
    tree.SetTopNode(g->PrevSibling->LastChild->PrevSibling->PrevSibling);
    PLeanNode pick = g->FirstChild->NextSibling->NextSibling->NextSibling;
    tree.SetCheckState(g->FirstChild, csCheckedNormal);
    tree.activateWindow();
    tree.setFocus();
    tree.SetFocusedNode(pick);
    tree.SetSelected(pick, true);
    QApplication::processEvents();
    QImage img = tree.grab().toImage();
    if (!qEnvironmentVariableIsEmpty("TREE_SCREENSHOT"))
        img.save(qEnvironmentVariable("TREE_SCREENSHOT"));
    EXPECT_EQ(tree.TopNode(), g->PrevSibling->LastChild->PrevSibling->PrevSibling);
    // All nodes exist once every group is expanded.
    tree.FullExpand();
    EXPECT_EQ(tree.TotalCount(), 100000u);
}

} // namespace

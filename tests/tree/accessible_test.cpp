// The tree read as assistive tools read it (through QAccessible): rows and cells with their
// names, states and counts, following the tree's changes; the item queries; F1's help context.
#include <QAccessible>
#include <QTest>

#include "controls/tree/stringtree.h"
#include "controls/tree/treeaccessible.h"
#include "controls/tree/treecolumns.h"
#include "controls/tree/treeheader.h"
#include "platform/gui/helprequests.h"
#include "treetestutil.h"

namespace {

// A string tree whose cells read "<name>" in the main column and "<name>:<column>" elsewhere.
class TNamedTree : public TLeanStringTree {
public:
    TNamedTree() {
        SetNodeDataSize(sizeof(int));
        OnGetText = [this](TBaseLeanTree*, PLeanNode n, TColumnIndex c, TVSTTextType,
                           QString& text) {
            text = names.value(*GetNodeData<int>(n));
            if (c > 0)
                text += QStringLiteral(":%1").arg(c);
        };
    }
    PLeanNode Add(PLeanNode parent, const QString& name) {
        PLeanNode n = AddChild(parent);
        *GetNodeData<int>(n) = int(names.size());
        names.push_back(name);
        return n;
    }
    QStringList names;
};

QStringList RowNames(QAccessibleInterface* tree) {
    QStringList out;
    for (int i = 0; i < tree->childCount(); ++i)
        out << tree->child(i)->text(QAccessible::Name);
    return out;
}

TEST(TreeAccessibility, RowsNamesAndStates) {
    TNamedTree tree;
    tree.resize(300, 200);
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() |
                                      TLTMiscOption::toCheckSupport);
    PLeanNode a = tree.Add(nullptr, "a");
    PLeanNode a1 = tree.Add(a, "a1");
    tree.Add(a, "a2");
    PLeanNode b = tree.Add(nullptr, "b");
    tree.SetExpanded(a, true);
    tree.SetCheckType(a1, ctCheckBox);
    tree.SetCheckState(a1, csCheckedNormal);
    tree.SetCheckType(b, ctTriStateCheckBox);
    tree.SetCheckState(b, csMixedNormal);
    tree.SetSelected(a1, true);
    tree.show();

    QAccessibleInterface* acc = QAccessible::queryAccessibleInterface(&tree);
    ASSERT_NE(acc, nullptr);
    EXPECT_EQ(acc->role(), QAccessible::Tree);
    EXPECT_EQ(RowNames(acc), (QStringList{"a", "a1", "a2", "b"}));
    QAccessibleInterface* rowA = acc->child(0);
    QAccessibleInterface* rowA1 = acc->child(1);
    EXPECT_EQ(rowA->role(), QAccessible::TreeItem);
    EXPECT_EQ(rowA->parent(), acc);
    EXPECT_EQ(acc->indexOfChild(acc->child(3)), 3);
    EXPECT_EQ(acc->child(1), rowA1); // one interface per row
    EXPECT_EQ(rowA->childCount(), 0);
    EXPECT_TRUE(rowA->state().expandable && rowA->state().expanded);
    EXPECT_FALSE(rowA->state().selected || rowA->state().checkable);
    EXPECT_TRUE(rowA1->state().selected && rowA1->state().checked);
    EXPECT_FALSE(rowA1->state().expandable);
    EXPECT_TRUE(acc->child(3)->state().checkStateMixed);
    QRect r;
    ASSERT_TRUE(tree.GetItemRect(a1, false, r));
    EXPECT_EQ(rowA1->rect(), QRect(tree.viewport()->mapToGlobal(r.topLeft()), r.size()));
    EXPECT_EQ(acc->childAt(rowA1->rect().center().x(), rowA1->rect().center().y()), rowA1);

    // The rows follow collapsing and deleting; a deleted row's interface is gone.
    tree.SetExpanded(a, false);
    EXPECT_TRUE(rowA->state().collapsed);
    EXPECT_EQ(RowNames(acc), (QStringList{"a", "b"}));
    QAccessible::Id id = QAccessible::uniqueId(rowA1);
    tree.DeleteNode(a1);
    EXPECT_EQ(QAccessible::accessibleInterface(id), nullptr);
    tree.SetExpanded(a, true);
    EXPECT_EQ(RowNames(acc), (QStringList{"a", "a2", "b"}));
    tree.Clear();
    EXPECT_EQ(acc->childCount(), 0);
}

TEST(TreeAccessibility, CellsOfColumns) {
    TNamedTree tree;
    tree.resize(300, 200);
    auto& cols = tree.Header().Columns();
    for (int i = 0; i < 3; ++i)
        cols.Add().SetWidth(80);
    cols.Items(1).SetPosition(2); // display order 0, 2, 1
    tree.Header().SetOptions(tree.Header().Options() | TLTHeaderOption::hoVisible);
    tree.Add(nullptr, "x");
    tree.show();
    QAccessibleInterface* row = QAccessible::queryAccessibleInterface(&tree)->child(0);
    EXPECT_EQ(row->text(QAccessible::Name), "x");
    ASSERT_EQ(row->childCount(), 3);
    EXPECT_EQ(row->child(0)->role(), QAccessible::Cell);
    EXPECT_EQ(row->child(1)->text(QAccessible::Name), "x:2");
    EXPECT_EQ(row->child(2)->text(QAccessible::Name), "x:1");
    EXPECT_EQ(row->indexOfChild(row->child(2)), 2);
    EXPECT_EQ(row->child(2)->parent(), row);
}

TEST(TreeAccessibility, ItemQueriesAndHelpKey) {
    TNamedTree tree;
    tree.resize(300, 200);
    PLeanNode a = tree.Add(nullptr, "a");
    PLeanNode a1 = tree.Add(a, "a1");
    PLeanNode b = tree.Add(nullptr, "b");
    EXPECT_EQ(tree.GetNextItem(TVGN_ROOT, nullptr), a);
    EXPECT_EQ(tree.GetNextItem(TVGN_NEXT, a), b);
    EXPECT_EQ(tree.GetNextItem(TVGN_PREVIOUS, b), a);
    EXPECT_EQ(tree.GetNextItem(TVGN_PARENT, a), nullptr);
    EXPECT_EQ(tree.GetNextItem(TVGN_PARENT, a1), a);
    EXPECT_EQ(tree.GetNextItem(TVGN_CHILD, a), a1);
    EXPECT_EQ(tree.GetNextItem(TVGN_NEXTVISIBLE, a), b); // a is collapsed
    EXPECT_EQ(tree.GetNextItem(TVGN_LASTVISIBLE, nullptr), b);
    EXPECT_EQ(tree.GetNextItem(TVGN_CARET, nullptr), nullptr);
    EXPECT_EQ(tree.GetItemText(a1, NoColumn), "a1");
    QRect r;
    EXPECT_TRUE(tree.GetItemRect(a1, true, r));
    EXPECT_TRUE(r.isEmpty()); // under a collapsed parent
    EXPECT_FALSE(tree.GetItemRect(nullptr, false, r));

    // F1: the focused node, then its parent, are asked for a help context.
    std::vector<int> shown;
    THelpEvent previous = SetApplicationHelpHandler([&](int command, intptr_t data, bool& call) {
        if (command == HELP_CONTEXT)
            shown.push_back(int(data));
        call = false;
        return true;
    });
    std::vector<QString> asked;
    tree.OnGetHelpContext = [&](TBaseLeanTree*, PLeanNode n, TColumnIndex, int& context) {
        asked.push_back(tree.GetItemText(n, NoColumn));
        if (n == a)
            context = 77;
    };
    tree.show();
    tree.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&tree));
    tree.setFocus();
    tree.SetFocusedNode(a1);
    SetHelpContext(&tree, 5); // the tree's own context yields to the nodes'
    QTest::keyClick(&tree, Qt::Key_F1);
    EXPECT_EQ(asked, (std::vector<QString>{"a1", "a"}));
    EXPECT_EQ(shown, std::vector<int>{77});
    tree.OnGetHelpContext = nullptr;
    QTest::keyClick(&tree, Qt::Key_F1);
    EXPECT_EQ(shown, (std::vector<int>{77, 5}));
    SetApplicationHelpHandler(previous);
}

} // namespace

// In-place editing: when an edit may start, the line-edit link's commit and cancel by Enter,
// Escape and focus loss (never twice, never after Escape), the editors' keys, its bounds, the
// delayed start by mouse, and edits that end because their node goes away.
#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "controls/tree/treeediting.h"
#include "controls/tree/treeheader.h"
#include "treetestutil.h"

namespace {

using enum TLTMiscOption;

class EditingTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree.resize(300, 200);
        tree.LabelWidth = 40;
        tree.SetRootNodeCount(5);
        tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() | toEditable);
        tree.OnCreateEditor = [this](TBaseLeanTree*, PLeanNode, TColumnIndex,
                                     std::shared_ptr<ILTEditLink>& link) {
            auto l = std::make_shared<TLTLineEditLink>();
            l->AutoAcceptEditChange = autoAccept;
            l->OnGetText = [](PLeanNode n, TColumnIndex) {
                return "node " + std::to_string(n->Index);
            };
            l->OnNewText = [this](PLeanNode n, TColumnIndex, const std::string& text) {
                commits.push_back(Format("%u=%s", n->Index, text.c_str()));
            };
            created.push_back(l);
            link = l;
        };
        tree.OnEdited = [this](TBaseLeanTree*, PLeanNode, TColumnIndex) { ++edited; };
        tree.OnEditCancelled = [this](TBaseLeanTree*, TColumnIndex) { ++cancelled; };
        tree.show();
        tree.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&tree));
    }
    TLTEdit* Editor() { return created.empty() ? nullptr : created.back()->Edit(); }
    PLeanNode Row(int i) {
        PLeanNode n = tree.GetFirst();
        while (i-- > 0)
            n = tree.GetNextSibling(n);
        return n;
    }
    TTestTree tree;
    bool autoAccept = true;
    std::vector<std::shared_ptr<TLTLineEditLink>> created;
    std::vector<std::string> commits;
    int edited = 0, cancelled = 0;
};

TEST_F(EditingTest, WhenAnEditMayStart) {
    tree.SetDisabled(Row(1), true);
    EXPECT_FALSE(tree.EditNode(Row(1), NoColumn));
    EXPECT_TRUE(created.empty());
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() - toEditable);
    EXPECT_FALSE(tree.EditNode(Row(0), NoColumn));
    // The host may allow it all the same.
    tree.OnEditing = [](TBaseLeanTree*, PLeanNode, TColumnIndex, bool& allowed) { allowed = true; };
    EXPECT_TRUE(tree.EditNode(Row(0), NoColumn));
    EXPECT_TRUE(tree.EditNode(Row(2), NoColumn)); // already editing: nothing reopened
    EXPECT_EQ(created.size(), 1u);
    EXPECT_EQ(tree.FocusedNode(), Row(0));
    EXPECT_THROW(tree.EditNode(nullptr, NoColumn), EAssertionFailed);
    EXPECT_THROW(tree.EditNode(Row(0), 3), EAssertionFailed);
    // A handler that gives no link is an error.
    ASSERT_TRUE(tree.CancelEditNode());
    tree.OnCreateEditor = [](TBaseLeanTree*, PLeanNode, TColumnIndex,
                             std::shared_ptr<ILTEditLink>&) {};
    try {
        tree.EditNode(Row(3), NoColumn);
        ADD_FAILURE();
    } catch (const ELeanTreeError& e) {
        EXPECT_EQ(e.HelpContext, 2000);
    }
    EXPECT_FALSE(tree.IsEditing());
}

TEST_F(EditingTest, EnterCommitsOnceEscapeNever) {
    ASSERT_TRUE(tree.EditNode(Row(2), NoColumn));
    ASSERT_TRUE(Editor());
    EXPECT_EQ(Editor()->text(), "node 2");
    EXPECT_TRUE(Editor()->hasFocus());
    QTest::keyClicks(Editor(), "x");
    QPointer<TLTEdit> editor = Editor();
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_FALSE(tree.IsEditing());
    EXPECT_EQ(commits, std::vector<std::string>{"2=x"});
    EXPECT_EQ(edited, 1);
    EXPECT_TRUE(tree.hasFocus());
    // Nothing that follows commits again: the focus moving, a second end, the editor going.
    EXPECT_TRUE(tree.EndEditNode());
    created.clear(); // the link goes, and its editor with it
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(editor.isNull());
    EXPECT_EQ(commits.size(), 1u);

    ASSERT_TRUE(tree.EditNode(Row(3), NoColumn));
    QTest::keyClicks(Editor(), "changed");
    QTest::keyClick(Editor(), Qt::Key_Escape);
    EXPECT_FALSE(tree.IsEditing());
    EXPECT_EQ(cancelled, 1);
    created.clear(); // the link goes; its editor with it
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(commits.size(), 1u);
    // An unchanged text is not committed.
    ASSERT_TRUE(tree.EditNode(Row(4), NoColumn));
    QTest::keyClick(Editor(), Qt::Key_Enter);
    EXPECT_EQ(commits.size(), 1u);
    EXPECT_EQ(edited, 2);
}

TEST_F(EditingTest, FocusLossAcceptsOrCancels) {
    ASSERT_TRUE(tree.EditNode(Row(1), NoColumn));
    QTest::keyClicks(Editor(), "a");
    tree.setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(tree.IsEditing());
    EXPECT_EQ(commits, std::vector<std::string>{"1=a"});

    autoAccept = false;
    ASSERT_TRUE(tree.EditNode(Row(2), NoColumn));
    QTest::keyClicks(Editor(), "b");
    tree.setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(tree.IsEditing());
    EXPECT_EQ(commits.size(), 1u);
    EXPECT_EQ(cancelled, 1);
}

TEST_F(EditingTest, EditorKeysOnSingleAndMultiLineNodes) {
    // A single-line node: Up and Down move like Left and Right, Tab stays in the editor.
    ASSERT_TRUE(tree.EditNode(Row(1), NoColumn));
    TLTEdit* edit = Editor();
    ASSERT_TRUE(edit);
    edit->setCursorPosition(3);
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(edit->cursorPosition(), 2);
    QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_Down);
    EXPECT_EQ(edit->cursorPosition(), 4);
    QTest::keyClick(edit, Qt::Key_Tab);
    EXPECT_TRUE(tree.IsEditing());
    EXPECT_TRUE(edit->hasFocus());
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_FALSE(tree.IsEditing());

    // A multi-line node: Enter starts a line, Tab adds nothing, Ctrl+Enter ends the edit.
    Row(2)->States |= vsMultiline;
    ASSERT_TRUE(tree.EditNode(Row(2), NoColumn));
    EXPECT_FALSE(created.back()->Edit());
    TLTMultiLineEdit* memo = created.back()->MultiLineEdit();
    ASSERT_TRUE(memo);
    EXPECT_TRUE(memo->hasFocus());
    memo->moveCursor(QTextCursor::End);
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo, "x");
    QTest::keyClick(memo, Qt::Key_Tab);
    QTest::keyClick(memo, Qt::Key_Up); // a line up, not a character back
    QTest::keyClicks(memo, "y");
    EXPECT_TRUE(tree.IsEditing());
    EXPECT_EQ(memo->text(), "nyode 2\nx");
    QTest::keyClick(memo, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_FALSE(tree.IsEditing());
    EXPECT_EQ(commits, std::vector<std::string>{"2=nyode 2\nx"});
    EXPECT_TRUE(tree.hasFocus());
}

TEST_F(EditingTest, EditorKeepsItsMinimumWidthInsideTheClient) {
    ASSERT_TRUE(tree.EditNode(Row(0), NoColumn));
    QRect r = Editor()->geometry();
    EXPECT_GE(r.width(), TLTLineEditLink::MinWidth);
    // A cell at the right edge: clamped to the client, but still 30 pixels wide.
    created.back()->SetBounds(QRect(tree.ClientWidth() - 10, 5, 8, 18));
    r = Editor()->geometry();
    EXPECT_EQ(r.width(), TLTLineEditLink::MinWidth);
    EXPECT_EQ(r.right(), tree.ClientWidth() - 1);
    created.back()->SetBounds(QRect(-20, 5, 300, 18));
    r = Editor()->geometry();
    EXPECT_EQ(r.left(), 0);
    EXPECT_LE(r.right(), tree.ClientWidth() - 1);
}

TEST_F(EditingTest, SecondClickStartsTheEditAfterTheDelay) {
    tree.EditDelay = 1000;
    QPoint label(18 + 4 + 10, 5); // level 0: root indent 18, margin 4, then the label
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, label);
    EXPECT_EQ(tree.FocusedNode(), Row(0));
    EXPECT_FALSE(tree.EditTimerActive()); // the first click only selects
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, label + QPoint(0, 0), 600);
    EXPECT_TRUE(tree.EditTimerActive());
    EXPECT_FALSE(tree.IsEditing()); // not before the delay
    tree.EditTimerExpired();
    EXPECT_TRUE(tree.IsEditing());
    // A click elsewhere ends the edit (accepting it) and moves on.
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, label + QPoint(0, 18 * 2));
    EXPECT_FALSE(tree.IsEditing());
    EXPECT_EQ(tree.FocusedNode(), Row(2));
}

// A link that refuses to end.
struct TStubbornLink : ILTEditLink {
    bool BeginEdit() override { return true; }
    bool CancelEdit() override { return cancelOk; }
    bool EndEdit() override { return false; }
    bool PrepareEdit(TBaseLeanTree*, PLeanNode, TColumnIndex) override { return true; }
    QRect GetBounds() const override { return {}; }
    void ProcessMessage(QEvent*) override {}
    void SetBounds(QRect) override {}
    bool cancelOk = false;
};

TEST_F(EditingTest, ARefusingLinkKeepsFocusAndSelection) {
    auto link = std::make_shared<TStubbornLink>();
    tree.OnCreateEditor = [&](TBaseLeanTree*, PLeanNode, TColumnIndex,
                              std::shared_ptr<ILTEditLink>& l) { l = link; };
    tree.SetSelected(Row(1), true);
    ASSERT_TRUE(tree.EditNode(Row(1), NoColumn));
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, QPoint(30, 18 * 3 + 5));
    EXPECT_EQ(tree.FocusedNode(), Row(1));
    EXPECT_TRUE(tree.GetSelected(Row(1)));
    EXPECT_FALSE(tree.GetSelected(Row(3)));
    tree.SetFocusedNode(Row(4));
    EXPECT_EQ(tree.FocusedNode(), Row(1));
    // Deleting the edited node ends the edit all the same.
    tree.DeleteNode(Row(1));
    EXPECT_FALSE(tree.IsEditing());
    EXPECT_EQ(tree.FocusedNode(), nullptr);
    EXPECT_TREE_VALID(tree);
}

TEST_F(EditingTest, FocusingTheEditedNodeAgainAcceptsTheEdit) {
    ASSERT_TRUE(tree.EditNode(Row(1), NoColumn));
    QTest::keyClicks(Editor(), "q");
    tree.SetFocusedNode(Row(1));
    EXPECT_FALSE(tree.IsEditing());
    EXPECT_EQ(commits, std::vector<std::string>{"1=q"});
    EXPECT_EQ(edited, 1);
    EXPECT_EQ(cancelled, 0);
}

TEST_F(EditingTest, AnotherColumnEndsTheEditAndAScrollDropsAPendingEdit) {
    tree.Header().SetOptions({TLTHeaderOption::hoVisible});
    for (int i = 0; i < 2; ++i)
        tree.Header().Columns().Add().SetWidth(120);
    ASSERT_TRUE(tree.EditNode(Row(1), 0));
    QTest::keyClicks(Editor(), "q");
    tree.SetFocusedNodeAndColumn(Row(1), 1); // no editor left over the old column
    EXPECT_FALSE(tree.IsEditing());
    EXPECT_EQ(cancelled, 0);
    EXPECT_EQ(commits, std::vector<std::string>{"1=q"});
    // A second click on the label waits for the delay; a scroll meanwhile drops it.
    tree.SetRootNodeCount(50);
    tree.UpdateScrollBars(true);
    tree.SetFocusedNodeAndColumn(Row(0), 0);
    QPoint label(18 + 4 + 10, 5);
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, label);
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, label, 600);
    ASSERT_TRUE(tree.EditTimerActive());
    tree.SetOffsetY(-18);
    EXPECT_FALSE(tree.EditTimerActive());
    EXPECT_FALSE(tree.TreeStates().Contains(TLeanTreeState::tsEditPending));
}

TEST_F(EditingTest, ClosingTheWindowKeepsAnAutoAcceptedEdit) {
    ASSERT_TRUE(tree.EditNode(Row(1), NoColumn));
    QTest::keyClicks(Editor(), "q");
    tree.close(); // the editor loses the focus with its window
    EXPECT_FALSE(tree.IsEditing());
    EXPECT_EQ(commits, std::vector<std::string>{"1=q"});
}

TEST_F(EditingTest, ClearAndResetCancelTheEdit) {
    ASSERT_TRUE(tree.EditNode(Row(1), NoColumn));
    QTest::keyClicks(Editor(), "q");
    tree.Clear();
    EXPECT_FALSE(tree.IsEditing());
    EXPECT_TRUE(commits.empty()); // the typed text goes with its node
    EXPECT_EQ(cancelled, 1);
    tree.SetRootNodeCount(2);
    ASSERT_TRUE(tree.EditNode(Row(1), NoColumn));
    tree.ResetNode(Row(1));
    EXPECT_FALSE(tree.IsEditing());
    EXPECT_EQ(cancelled, 2);
}

} // namespace

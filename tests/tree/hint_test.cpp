// Hints: which hint shows in each mode, where the window goes, and its animations.
#include <QKeyEvent>
#include <QTest>

#include "controls/tree/treehint.h"
#include "platform/gui/hintpause.h"
#include "treetestutil.h"

namespace {

using enum TLeanTreeState;

class HintTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree.resize(300, 200);
        tree.LabelWidth = 40;
        tree.SetRootNodeCount(3);
        tree.Hint = "Plain hint";
        tree.HintAnimation = hatNone;
        tree.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    }
    QWidget* Window() { return tree.HintWindow(); }
    TTestTree tree;
};

TEST_F(HintTest, DefaultModeShowsTheControlsHintBelowThePointer) {
    ASSERT_TRUE(tree.ShowHintAt(QPoint(50, 10)));
    EXPECT_TRUE(Window()->isVisible());
    EXPECT_TRUE(tree.TreeStates().Contains(tsHint));
    EXPECT_EQ(tree.HintWindow()->HintData().HintText, "Plain hint");
    QPoint p = tree.viewport()->mapToGlobal(QPoint(50, 10));
    EXPECT_EQ(Window()->geometry().topLeft(), p + QPoint(0, 20));
    // Width: the text, the margins on both sides and the frame; height: text + 6.
    QFontMetrics fm(Window()->font());
    EXPECT_EQ(Window()->height(), fm.height() + 6);
    EXPECT_GE(Window()->width(), fm.horizontalAdvance("Plain hint") + 2 * tree.TextMargin());

    tree.CancelHint();
    EXPECT_FALSE(Window()->isVisible());
    EXPECT_FALSE(tree.TreeStates().Contains(tsHint));

    tree.Hint.clear();
    EXPECT_FALSE(tree.ShowHintAt(QPoint(60, 30)));
}

TEST_F(HintTest, NodeHintsFollowTheMode) {
    tree.HintMode = hmHint;
    ASSERT_TRUE(tree.ShowHintAt(QPoint(50, 20))); // row 1
    EXPECT_EQ(tree.HintWindow()->HintData().Node, tree.GetFirstNoInit()->NextSibling);
    // Inside the same row nothing changes; below the rows hmHint shows nothing.
    EXPECT_TRUE(tree.ShowHintAt(QPoint(120, 30)));
    EXPECT_FALSE(tree.ShowHintAt(QPoint(50, 150)));
    EXPECT_FALSE(Window()->isVisible());
    tree.HintMode = hmHintAndDefault;
    EXPECT_TRUE(tree.ShowHintAt(QPoint(50, 160)));
    EXPECT_EQ(tree.HintWindow()->HintData().HintText, "Plain hint");
}

TEST_F(HintTest, ALongHintStaysOnOneLineUnlessMultiLineIsForced) {
    const QString text = QString("a long hint ").repeated(40).trimmed();
    tree.Hint = text;
    tree.HintMode = hmHint; // the node's hint, hlbDefault
    ASSERT_TRUE(tree.ShowHintAt(QPoint(50, 10)));
    QFontMetrics fm(Window()->font());
    EXPECT_EQ(Window()->height(), fm.height() + 6);
    // As wide as the text, or about as the screen when the text is wider (cut there).
    const int desktop = TLeanTreeHintWindow::Desktop(tree).width();
    EXPECT_GE(Window()->width(),
              std::min(fm.horizontalAdvance(text), desktop - fm.horizontalAdvance("hint ...")));
    EXPECT_LE(Window()->width(), desktop);
    TLTHintData data;
    data.DefaultHint = text;
    data.LineBreakStyle = hlbForceMultiLine;
    QRect r = tree.HintWindow()->CalcHintRect(200, text, data);
    EXPECT_GE(r.height(), 3 * fm.height() + 6);
    EXPECT_LE(r.width(), 200 + 2 * tree.TextMargin() + 2);
}

// A hint of megabytes is measured and kept only as far as the screen shows it, on one line or
// wrapped.
TEST_F(HintTest, AHintOfMegabytesIsCutToTheScreen) {
    const QString text = QString("hint ").repeated(1'000'000);
    const QRect desktop = TLeanTreeHintWindow::Desktop(tree);
    for (auto style : {hlbDefault, hlbForceMultiLine}) {
        TLTHintData data;
        data.DefaultHint = text;
        data.LineBreakStyle = style;
        const QRect r = tree.HintWindow()->CalcHintRect(200, text, data);
        EXPECT_LE(r.width(), desktop.width());
        EXPECT_LE(r.height(), desktop.height() + 6);
        const QString& shown = tree.HintWindow()->HintData().HintText;
        EXPECT_TRUE(shown.endsWith("...")) << style;
        EXPECT_LT(shown.size(), 100'000);
    }
}

TEST_F(HintTest, AnOrdinaryHintIsDrawnOnOneLineUnlessMultiLineIsForced) {
    const QString text = QString("word ").repeated(30).trimmed();
    auto* w = tree.HintWindow();
    // The height of the band of rows holding text, in a window narrower and taller than the
    // text needs (inside the frame, clear of the shadow).
    auto inkHeight = [&](TLTTooltipLineBreakStyle style) {
        TLTHintData data;
        data.DefaultHint = text;
        data.LineBreakStyle = style;
        w->CalcHintRect(200, text, data);
        int line = QFontMetrics(w->font()).height();
        w->ActivateHint(QRect(20, 20, 150, 6 * line), text, QRect(0, 0, 4000, 4000));
        QImage shot = w->grab().toImage();
        int first = -1, last = -1;
        for (int y = 1; y < shot.height() - 1 - TLeanTreeHintWindow::ShadowSize; ++y)
            for (int x = 1; x < shot.width() - 1 - TLeanTreeHintWindow::ShadowSize; ++x)
                if (qGray(shot.pixel(x, y)) < 100) {
                    first = first < 0 ? y : first;
                    last = y;
                }
        return first < 0 ? 0 : last - first + 1;
    };
    int single = inkHeight(hlbDefault);
    int line = QFontMetrics(w->font()).height();
    EXPECT_GT(single, 0);
    EXPECT_LE(single, line);
    EXPECT_GT(inkHeight(hlbForceMultiLine), 2 * line);
}

TEST_F(HintTest, TooltipOnlyForACutOffCellAndDrawnWhereItLies) {
    tree.HintMode = hmTooltip;
    EXPECT_FALSE(tree.ShowHintAt(QPoint(50, 10))); // the label fits
    tree.LabelWidth = 400;                         // now it runs past the client area
    ASSERT_TRUE(tree.ShowHintAt(QPoint(50, 10)));
    QRect text = tree.GetDisplayRect(tree.GetFirstNoInit(), NoColumn, true, true);
    QRect g = Window()->geometry();
    EXPECT_EQ(g.topLeft(), tree.viewport()->mapToGlobal(text.topLeft()) - QPoint(1, 1));
    EXPECT_EQ(g.size(), text.size() + QSize(2, 2));
}

TEST_F(HintTest, AHintHidesAfterTheApplicationsPauseUntilTheMouseLeavesItsRow) {
    struct PauseGuard {
        PauseGuard() { SetHintHidePause(300); } // Qt's own pause is 10 seconds at least
        ~PauseGuard() { SetHintHidePause(-1); }
    } pause;
    auto hides = [&] { return QTest::qWaitFor([&] { return !Window()->isVisible(); }, 3000); };
    tree.HintMode = hmHint;
    ASSERT_TRUE(tree.ShowHintAt(QPoint(50, 20))); // row 1
    EXPECT_TRUE(hides());
    EXPECT_FALSE(tree.TreeStates().Contains(tsHint));
    EXPECT_FALSE(tree.ShowHintAt(QPoint(51, 21))); // the same row keeps it hidden
    EXPECT_FALSE(Window()->isVisible());
    ASSERT_TRUE(tree.ShowHintAt(QPoint(50, 40))); // row 2, and back to row 1
    EXPECT_TRUE(tree.ShowHintAt(QPoint(50, 20)));
    EXPECT_TRUE(hides());
    EXPECT_FALSE(tree.TreeStates().Contains(tsHint));
    // A pause of 0 is Qt's own, long pause: the hint stays, but not for good.
    SetHintHidePause(0);
    ASSERT_TRUE(tree.ShowHintAt(QPoint(50, 40)));
    QTest::qWait(100);
    EXPECT_TRUE(Window()->isVisible());
    EXPECT_TRUE(tree.TreeStates().Contains(tsHint));
    EXPECT_GE(tree.HintWindow()->HidePause(), 10000);
}

TEST_F(HintTest, WindowStaysOnTheDesktop) {
    auto* w = tree.HintWindow();
    TLTHintData data;
    data.DefaultHint = "Some hint text";
    QRect r = w->CalcHintRect(200, data.DefaultHint, data);
    ASSERT_FALSE(r.isEmpty());
    QRect desktop(0, 0, 800, 600);
    w->ActivateHint(QRect(QPoint(780, 590), r.size()), data.DefaultHint, desktop);
    EXPECT_EQ(w->geometry().bottom(), 599);
    EXPECT_EQ(w->geometry().right(), 799);
    w->ActivateHint(QRect(QPoint(-30, 10), r.size()), data.DefaultHint, desktop);
    EXPECT_EQ(w->geometry().left(), 0);
    EXPECT_EQ(w->geometry().top(), 10);
    w->ActivateHint(QRect(), data.DefaultHint, desktop);
    EXPECT_FALSE(w->isVisible());
    // No text, no window.
    data.DefaultHint.clear();
    tree.Hint.clear();
    EXPECT_TRUE(w->CalcHintRect(200, QString(), data).isEmpty());
}

TEST_F(HintTest, FadeAndSlideEndAtTheFullWindow) {
    tree.SetAnimationDuration(20);
    auto* w = tree.HintWindow();
    TLTHintData data;
    data.DefaultHint = "Animated";
    QRect r = w->CalcHintRect(200, data.DefaultHint, data);
    QRect desktop(0, 0, 800, 600);
    int heights = 0;
    tree.HintAnimation = hatSlide;
    tree.OnStateChange = [&](TBaseLeanTree*, TLeanTreeStates enter, TLeanTreeStates) {
        if (enter.Contains(tsInAnimation))
            ++heights;
    };
    w->ActivateHint(QRect(QPoint(100, 100), r.size()), data.DefaultHint, desktop);
    EXPECT_EQ(heights, 1);
    EXPECT_EQ(w->geometry(), QRect(QPoint(100, 100), r.size()));
    EXPECT_FALSE(tree.TreeStates().Contains(tsInAnimation));

    tree.HintAnimation = hatFade;
    w->ActivateHint(QRect(QPoint(120, 100), r.size()), data.DefaultHint, desktop);
    EXPECT_EQ(heights, 2);
    EXPECT_DOUBLE_EQ(w->windowOpacity(), 1.0);
    EXPECT_EQ(w->geometry(), QRect(QPoint(120, 100), r.size()));

    // A cancelled animation still leaves the window whole.
    tree.HintAnimation = hatSlide;
    tree.OnStateChange = [&](TBaseLeanTree* t, TLeanTreeStates enter, TLeanTreeStates) {
        if (enter.Contains(tsInAnimation))
            t->CancelHint();
    };
    w->ActivateHint(QRect(QPoint(140, 100), r.size()), data.DefaultHint, desktop);
    EXPECT_FALSE(tree.TreeStates().Contains(tsInAnimation));
}

TEST_F(HintTest, OnlyTheActiveWindowsTreeHints) {
    tree.HintMode = hmTooltip;
    tree.LabelWidth = 400; // cut off: a tooltip is due
    auto move = [&](QPoint p) {
        QMouseEvent e(QEvent::MouseMove, QPointF(p), tree.viewport()->mapToGlobal(QPointF(p)),
                      Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(tree.viewport(), &e);
    };
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    move(QPoint(50, 10));
    EXPECT_FALSE(Window()->isVisible());
    EXPECT_FALSE(tree.TreeStates().Contains(tsHint));
    tree.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&tree));
    move(QPoint(50, 12));
    EXPECT_TRUE(Window()->isVisible());
}

TEST_F(HintTest, KeysReachTheTreeWhileAHintFades) {
    tree.SetRootNodeCount(100);
    tree.UpdateScrollBars(true);
    tree.setFocus();
    tree.SetAnimationDuration(30);
    tree.HintAnimation = hatFade;
    bool sent = false;
    tree.OnStateChange = [&](TBaseLeanTree* t, TLeanTreeStates enter, TLeanTreeStates) {
        if (enter.Contains(tsInAnimation) && !sent) {
            sent = true;
            QCoreApplication::postEvent(
                t, new QKeyEvent(QEvent::KeyPress, Qt::Key_PageDown, Qt::ControlModifier));
        }
    };
    tree.Hint = "Fading";
    EXPECT_FALSE(tree.ShowHintAt(QPoint(50, 10))); // the key's scroll cancelled it
    EXPECT_TRUE(sent);
    EXPECT_EQ(tree.OffsetY(), -tree.ClientHeight()); // handled during the animation
    EXPECT_FALSE(tree.HintWindow()->isVisible());
    EXPECT_FALSE(tree.TreeStates().Contains(tsHint));
}

// Paints each cell from its node's data: a hint left over a freed node reads freed memory.
class TDataPaintingTree : public TTestTree {
public:
    void DoPaintNode(TLTPaintInfo& Info) override { Painted += Data(Info.Node); }
    int Painted = 0;
};

TEST(HintNodes, AHintGoesWithItsNode) {
    TDataPaintingTree tree;
    tree.resize(300, 200);
    tree.LabelWidth = 400; // cut off, so that the tooltip shows
    tree.HintMode = hmTooltip;
    tree.HintAnimation = hatNone;
    tree.Hint = "Cell";
    tree.SetRootNodeCount(3);
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    auto* w = tree.HintWindow();
    ASSERT_TRUE(tree.ShowHintAt(QPoint(50, 10)));
    ASSERT_EQ(w->HintData().Node, tree.GetFirstNoInit());
    tree.DeleteNode(tree.GetFirstNoInit());
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->HintData().Node, nullptr);
    EXPECT_FALSE(tree.TreeStates().Contains(tsHint));
    w->grab(); // paints from the hint's data
    // Clearing drops all nodes at once; the hint goes too, and shows again over a new node.
    ASSERT_TRUE(tree.ShowHintAt(QPoint(50, 10)));
    tree.Clear();
    EXPECT_FALSE(w->isVisible());
    w->grab();
    tree.SetRootNodeCount(1);
    EXPECT_TRUE(tree.ShowHintAt(QPoint(50, 10)));
}

} // namespace

namespace {

TEST(HintShadow, FiveBlendsDeepestAtTheEdge) {
    QImage img(20, 4, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    TLeanTreeHintWindow::DrawShadow(img, QRect(12, 0, 8, 4), Qt::RightEdge, Qt::black);
    // 255 blended toward 0 at 5, then 10, 20, 35 and 50: 250, 241, 223, 193, 156.
    const int expected[20] = {255, 255, 255, 255, 255, 255, 255, 255, 255, 255,
                              255, 255, 250, 241, 223, 193, 156, 156, 156, 156};
    for (int x = 0; x < 20; ++x)
        EXPECT_EQ(qRed(img.pixel(x, 2)), expected[x]) << x;
    img.fill(Qt::white);
    TLeanTreeHintWindow::DrawShadow(img, QRect(0, 1, 20, 3), Qt::BottomEdge, Qt::black);
    EXPECT_EQ(qGreen(img.pixel(5, 0)), 255);
    EXPECT_EQ(qGreen(img.pixel(5, 1)), 250);
    EXPECT_EQ(qGreen(img.pixel(5, 3)), 223); // a thin strip takes only as many blends
}

TEST_F(HintTest, TheHintIsShadedAlongItsRightAndBottomEdges) {
    ASSERT_TRUE(tree.ShowHintAt(QPoint(50, 10)));
    QImage shot = Window()->grab().toImage();
    int w = shot.width(), h = shot.height();
    // Row 2 and column 2 lie in the margin, clear of the text.
    int plain = qGray(shot.pixel(w - 8, 2));
    EXPECT_LT(qGray(shot.pixel(w - 6, 2)), plain);
    EXPECT_LT(qGray(shot.pixel(w - 2, 2)), qGray(shot.pixel(w - 6, 2)));
    EXPECT_LT(qGray(shot.pixel(2, h - 2)), qGray(shot.pixel(2, h - 6)));
    EXPECT_EQ(qGray(shot.pixel(2, 2)), plain);
}

} // namespace

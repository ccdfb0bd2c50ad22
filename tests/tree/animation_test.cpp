// Animations with their clock driven by hand: how Animate spreads its steps over the time, and
// the rows below a node moving step by step while it opens and closes; what a resize repaints.
#include <QPaintEvent>
#include <QTest>

#include "controls/tree/treeanimation.h"
#include "platform/gui/qtcolors.h"
#include "treetestutil.h"

namespace {

using enum TLeanTreeState;

// A clock that moves on by Step milliseconds at each pause, after running OnWait.
class THandTimer : public TLTAnimationTimer {
public:
    uint64_t Now() override { return Time; }
    void Wait(bool) override {
        if (OnWait)
            OnWait();
        Time += Step;
    }
    uint64_t Time = 0, Step = 10;
    std::function<void()> OnWait;
};

TEST(TreeAnimation, StepsShareTheTimeAndCatchUp) {
    TTestTree tree;
    auto timer = std::make_shared<THandTimer>();
    tree.SetAnimationTimer(timer);
    std::vector<std::pair<uint32_t, uint32_t>> steps;
    auto record = [&](uint32_t step, uint32_t size) {
        steps.push_back({step, size});
        EXPECT_TRUE(tree.TreeStates().Contains(tsInAnimation));
        return true;
    };
    // On time: one step per share of the duration, a pause after each but the last.
    tree.Animate(5, 50, record);
    EXPECT_EQ(steps,
              (std::vector<std::pair<uint32_t, uint32_t>>{{1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}}));
    EXPECT_EQ(timer->Time, 40u);
    EXPECT_FALSE(tree.TreeStates().Contains(tsInAnimation));
    // More steps than milliseconds take several at once; behind time, the rest go at once.
    steps.clear();
    timer->Step = 100;
    tree.Animate(100, 20, record);
    EXPECT_EQ(steps, (std::vector<std::pair<uint32_t, uint32_t>>{{5, 5}, {100, 95}}));
    // A callback that refuses ends it.
    steps.clear();
    tree.Animate(10, 100, [&](uint32_t step, uint32_t size) { return record(step, size), false; });
    EXPECT_EQ(steps.size(), 1u);
}

// Top-level rows in colours of their own, children in grey.
class TColourRows : public TTestTree {
public:
    static QColor Colour(PLeanNode n) {
        return QColor::fromHsv(int(n->Index) * 45 % 360, 255, 200);
    }
    void DoPaintNode(TLTPaintInfo& info) override {
        info.Canvas->fillRect(info.ContentRect,
                              info.Node->Parent == RootNode() ? Colour(info.Node) : Qt::gray);
    }
};

TEST(TreeAnimation, OpeningAndClosingMoveTheRowsBelowStepByStep) {
    TColourRows tree;
    tree.resize(200, 300);
    tree.SetRootNodeCount(6);
    PLeanNode node = tree.GetFirst()->NextSibling, after = node->NextSibling;
    tree.SetChildCount(node, 3); // 54 pixels of children
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    tree.SetAnimationDuration(60); // switches toAnimatedToggle on
    auto timer = std::make_shared<THandTimer>();
    tree.SetAnimationTimer(timer);
    const QRgb gap = ColorToQColor(tree.Color()).rgb();
    const QRgb next = TColourRows::Colour(after).rgb();
    // At each pause: where the row after the node shows, with only the gap above it.
    std::vector<int> tops;
    timer->OnWait = [&] {
        QImage shot = tree.viewport()->grab().toImage();
        int y = 36;
        while (y < shot.height() && shot.pixel(100, y) != next) {
            EXPECT_EQ(shot.pixel(100, y), gap) << y;
            ++y;
        }
        tops.push_back(y);
    };
    tree.ToggleNode(node);
    ASSERT_GE(tops.size(), 3u);
    EXPECT_TRUE(std::is_sorted(tops.begin(), tops.end()) && tops.front() < tops.back());
    EXPECT_GT(tops.front(), 36);
    EXPECT_LT(tops.back(), 36 + 54);
    EXPECT_TRUE(tree.GetExpanded(node));
    EXPECT_FALSE(tree.TreeStates().Contains(tsInAnimation));
    QImage opened = tree.viewport()->grab().toImage();
    EXPECT_EQ(opened.pixel(100, 36 + 9), QColor(Qt::gray).rgb()); // the children
    EXPECT_EQ(opened.pixel(100, 90 + 9), next);

    // Closing moves the row up from where it is; the gap opens at the bottom.
    tops.clear();
    timer->OnWait = [&] {
        QImage shot = tree.viewport()->grab().toImage();
        int y = 36;
        while (y < shot.height() && shot.pixel(100, y) != next)
            ++y;
        tops.push_back(y);
        EXPECT_EQ(shot.pixel(100, shot.height() - 1), gap);
    };
    tree.ToggleNode(node);
    ASSERT_GE(tops.size(), 3u);
    EXPECT_TRUE(std::is_sorted(tops.rbegin(), tops.rend()) && tops.front() > tops.back());
    EXPECT_LT(tops.front(), 90);
    EXPECT_GT(tops.back(), 36);
    EXPECT_FALSE(tree.GetExpanded(node));
    EXPECT_EQ(tree.viewport()->grab().toImage().pixel(100, 36 + 9), next);
}

// The area a resize repaints: everything, or without toFullRepaintOnResize only what it adds.
TEST(TreeResize, FullRepaintOnResizeDecidesWhatIsRepainted) {
    class TPaintRecorder : public QObject {
    public:
        QRegion Painted;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint)
                Painted += static_cast<QPaintEvent*>(e)->region();
            return false;
        }
    } recorder;
    QWidget window; // the tree is a child: a window's own resize repaints it all
    window.resize(400, 100);
    TTestTree tree;
    tree.setParent(&window);
    tree.resize(200, 100);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window)); // focus repaints come before the count
    QCoreApplication::processEvents();
    tree.viewport()->installEventFilter(&recorder);
    auto resizeTo = [&](int width) {
        recorder.Painted = QRegion();
        tree.resize(width, 100);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !recorder.Painted.isEmpty(); }, 10000));
        QCoreApplication::processEvents();
        return recorder.Painted;
    };
    QRegion full = resizeTo(240);
    EXPECT_EQ(full, QRegion(tree.viewport()->rect()));
    tree.TreeOptions().SetMiscOptions(tree.TreeOptions().MiscOptions() -
                                      TLTMiscOption::toFullRepaintOnResize);
    int before = tree.ClientWidth();
    QRegion painted = resizeTo(280);
    EXPECT_FALSE(painted.intersects(QRect(0, 0, before, tree.ClientHeight())));
}

} // namespace

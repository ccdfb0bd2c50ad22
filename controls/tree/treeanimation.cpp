// The animation loop with its clock, and the animated opening and closing of nodes.
#include "controls/tree/treeanimation.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QPointer>
#include <QThread>

#include "controls/tree/leantree.h"
#include "controls/tree/treecolumns.h"
#include "controls/tree/treeheader.h"
#include "platform/gui/qtcolors.h"

using enum TLeanTreeState;

namespace {

// The steady clock, and a pause that handles events and sleeps half a millisecond.
class TDefaultAnimationTimer : public TLTAnimationTimer {
public:
    TDefaultAnimationTimer() { clock_.start(); }
    uint64_t Now() override { return uint64_t(clock_.elapsed()); }
    void Wait(bool UserInput) override {
        QCoreApplication::processEvents(
            UserInput ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents, 1);
        QThread::usleep(500);
    }

private:
    QElapsedTimer clock_;
};

} // namespace

TLTAnimationTimer& TBaseLeanTree::AnimationTimer() {
    static TDefaultAnimationTimer standard;
    return FAnimationTimer ? *FAnimationTimer : standard;
}

void TBaseLeanTree::SetAnimationTimer(std::shared_ptr<TLTAnimationTimer> Timer) {
    FAnimationTimer = std::move(Timer);
}

void TBaseLeanTree::Animate(uint32_t Steps, uint32_t Duration,
                            const std::function<bool(uint32_t Step, uint32_t StepSize)>& Callback,
                            bool UserInput) {
    if (FStates.Contains(tsInAnimation) || Duration == 0 || Steps == 0)
        return;
    QPointer<TBaseLeanTree> alive(this);
    std::shared_ptr<TLTAnimationTimer> own = FAnimationTimer; // kept through the loop
    TLTAnimationTimer& timer = AnimationTimer();
    DoStateChange(tsInAnimation);
    uint64_t start = timer.Now();
    uint32_t position = 0;
    while (position < Steps) {
        // The steps left share the time left, at most one per millisecond; once the time is
        // up the rest is one step.
        uint64_t elapsed = timer.Now() - start;
        uint64_t budget = elapsed < Duration ? Duration - elapsed : 0;
        uint32_t left = Steps - position;
        uint32_t count = uint32_t(std::clamp<uint64_t>(budget, 1, left));
        uint32_t size = (left + count - 1) / count;
        position += size;
        if (!Callback(position, size) || QCoreApplication::closingDown() || position >= Steps)
            break;
        uint64_t due = uint64_t(Duration) * position / Steps;
        while (timer.Now() - start < due && !QCoreApplication::closingDown()) {
            timer.Wait(UserInput);
            if (!alive)
                return;
        }
    }
    DoStateChange({}, tsInAnimation);
}

void TLTToggleAnimation::Run(TBaseLeanTree& Tree, PLeanNode Node, int Height, bool Expand) {
    if (!Tree.isVisible() || Tree.UpdateCount() > 0 || Height <= 0 || !Tree.GetFullyVisible(Node))
        return;
    QRect row = Tree.GetDisplayRect(Node, NoColumn, false);
    int bottom = row.top() + row.height();
    int room = Tree.ClientHeight() - bottom;
    if (bottom <= 0 || room <= 0)
        return;
    Tree.CancelHint();
    TLTToggleAnimation animation(Tree, QRect(0, bottom, Tree.ClientWidth(), room));
    Tree.FToggleAnimation = &animation;
    int done = 0;
    Tree.Animate(
        uint32_t(std::min(room, Height)), Tree.AnimationDuration(),
        [&](uint32_t Step, uint32_t) {
            int delta = Expand ? int(Step) - done : done - int(Step);
            done = int(Step);
            // The rows below move by the step; the strip they uncover is repainted as gap.
            animation.shift_ += delta;
            Tree.viewport()->scroll(0, delta, animation.area_);
            return true;
        },
        false);
    Tree.FToggleAnimation = nullptr;
}

void TLTToggleAnimation::FillGap(QPainter& Canvas, QRect Gap) const {
    if (Gap.isEmpty())
        return;
    Canvas.fillRect(Gap, ColorToQColor(tree_.Color()));
    if (!tree_.Header().UseColumns())
        return;
    auto& cols = tree_.Header().Columns();
    for (TColumnIndex c : cols.GetVisibleColumns()) {
        const auto& col = cols.Items(c);
        if (!col.Options().Contains(TLTColumnOption::coParentColor))
            Canvas.fillRect(QRect(col.GetLeft(), Gap.top(), col.Width(), Gap.height()) & Gap,
                            ColorToQColor(col.Color()));
    }
}

void TLTToggleAnimation::Paint(QPainter& Canvas, const QRect& Update) const {
    // Rows of the tree shown moved down by MoveBy pixels in Target.
    auto rows = [&](QRect Target, int MoveBy) {
        Target &= Update;
        if (!Target.isEmpty())
            tree_.PaintTree(Canvas, Target.translated(-tree_.OffsetX(), -tree_.OffsetY() - MoveBy),
                            Target.topLeft(), AllPaintOptions);
    };
    rows(QRect(0, 0, tree_.ClientWidth(), area_.top()), 0);
    if (shift_ >= 0) {
        FillGap(Canvas, QRect(area_.left(), area_.top(), area_.width(), shift_) & Update);
        rows(area_.adjusted(0, shift_, 0, 0), shift_);
    } else {
        rows(area_.adjusted(0, 0, 0, shift_), shift_);
        FillGap(Canvas,
                QRect(area_.left(), area_.bottom() + 1 + shift_, area_.width(), -shift_) & Update);
    }
}

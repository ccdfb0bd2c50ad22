#pragma once
// The tree's animations: the clock and pause that Animate steps with, and the opening and
// closing of a node, which moves the rows below it step by step and fills the gap they leave.

#include <QRect>
#include <cstdint>

#include "controls/tree/treetypes.h"

class QPainter;

// The clock and the pause between the steps of the tree's animations. Trees share a default
// one; tests put in their own to run an animation step by step.
class TLTAnimationTimer {
public:
    virtual ~TLTAnimationTimer() = default;
    // Milliseconds from any fixed start.
    virtual uint64_t Now() = 0;
    // Lets a little time pass while pending events are handled (user input only when asked).
    virtual void Wait(bool UserInput) = 0;
};

// An expand or collapse animation while it runs: the rows in Area (client coordinates, below
// the toggled row) show moved by Shift pixels (down while opening, up while closing) and the
// gap they leave shows the column colours. The tree paints through it meanwhile.
class TLTToggleAnimation {
public:
    // Animates opening (Expand) or closing Node's Height pixels of children in Tree's
    // AnimationDuration, when Node's row is on screen with room below it; user input waits.
    static void Run(TBaseLeanTree& Tree, PLeanNode Node, int Height, bool Expand);
    // Paints the part Update (client coordinates) of the current frame.
    void Paint(QPainter& Canvas, const QRect& Update) const;

private:
    TLTToggleAnimation(TBaseLeanTree& Tree, QRect Area) : tree_(Tree), area_(Area) {}
    void FillGap(QPainter& Canvas, QRect Gap) const;
    TBaseLeanTree& tree_;
    QRect area_;
    int shift_ = 0;
};

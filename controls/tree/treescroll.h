#pragma once
// TLeanTreeScrolling: a tree's scrolling by code and by the mouse: scroll bar codes, auto-scroll
// while the mouse rests at an edge during a drag or rubber band (on the scroll timer), and
// wheel panning with the middle button. TBaseLeanTree derives from it (treescroll.cpp).

#include <QPoint>
#include <Qt>
#include <cstdint>

#include "controls/tree/treescrolltypes.h"

class QTimer;
class QWidget;
class TBaseLeanTree;

class TLeanTreeScrolling {
public:
    // Applies one scroll bar code to the offset of Bar; TrackPos for the thumb codes.
    void HandleScrollCode(Qt::Orientation Bar, TLTScrollCode Code, int TrackPos = 0);
    uint32_t AutoScrollDelay = 1000; // milliseconds in an edge zone before scrolling starts
    uint32_t AutoScrollInterval = 1; // milliseconds between scroll steps (10 at the least)
    virtual bool CanAutoScroll() const;
    // Directions for the client point (X, Y); NowMs is the time in milliseconds.
    virtual TLTScrollDirections DetermineScrollDirections(int X, int Y, uint64_t NowMs);
    // Stores the directions and arms or stops the scroll timer.
    virtual void DoAutoScroll(int X, int Y, uint64_t NowMs);
    // One scroll step for the mouse at Cursor (client coordinates).
    virtual void DoTimerScroll(QPoint Cursor);
    // What a tick of the scroll timer does (tests call it in place of the timer).
    void ScrollTimerTick(QPoint Cursor);
    bool ScrollTimerActive() const;
    int ScrollTimerInterval() const;
    TLTScrollDirections ScrollDirections() const { return FScrollDirections; }
    // Wheel panning around Position (client coordinates).
    virtual void StartWheelPanning(QPoint Position);
    virtual void StopWheelPanning();
    virtual void AdjustPanningCursor(int X, int Y);
    TLTPanningImage PanningCursor() const { return FPanningCursor; }
    QWidget* PanningWindow() const { return FPanningWindow; }

protected:
    TLeanTreeScrolling() = default;
    virtual ~TLeanTreeScrolling() = default;
    TLeanTreeScrolling(const TLeanTreeScrolling&) = delete;
    TLeanTreeScrolling& operator=(const TLeanTreeScrolling&) = delete;

    // The scroll timer's expiry: a tick at the mouse position.
    void OnScrollTimer();

    TLTScrollDirections FScrollDirections = 0;
    uint64_t FDirectionsSince = 0;  // when the mouse entered an edge zone, 0 when not
    QTimer* FScrollTimer = nullptr; // made by the tree with its scroll bars' wiring
    QPoint FPanningStart;           // client coordinates
    QWidget* FPanningWindow = nullptr;
    TLTPanningImage FPanningCursor = piMoveAll;

private:
    // The tree this scrolling belongs to (TBaseLeanTree derives from this class).
    TBaseLeanTree& ScrollTree();
    const TBaseLeanTree& ScrollTree() const;
};

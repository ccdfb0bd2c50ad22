#pragma once
#include <QString>

// The application's hint hide pause: how long a tooltip stays before it hides by itself. Once
// set, it holds for the tooltip of every widget; a control that shows hints of its own on the
// tooltip event passes its widget's toolTipDuration() to QToolTip::showText, one that shows
// them from other events (mouse moves) passes HintHidePause(). GUI thread only.

// Sets the pause in milliseconds; 0 or less gives Qt's own (at least 10 seconds, longer for
// long texts). Needs the application object.
void SetHintHidePause(int ms);
// The pause set last; -1 while none was set.
int HintHidePause();
// How long a hint of Text stays, ms, for a control that hides its hints itself: the pause set,
// or Qt's own (10 seconds, and 40 ms more for each character beyond 100) when it is 0 or less.
int HintHidePauseFor(const QString& Text);

#pragma once
// The main window's layout: collapsed to its caption bar or expanded, the console shown or
// hidden, the columns and rows of months, and the stored position. The window's own share is
// in mainlayout.cpp (TfrmMain); this header holds its rules and stored value names.

#include <QSize>

// Settings values under TockwellSettingsKey (besides the window position).
inline constexpr const char* CollapsedValue = "Collapsed";     // Boolean, default False
inline constexpr const char* ShowConsoleValue = "ShowConsole"; // Boolean, default True

// The margin (pixels) with which the window is kept inside the work area (KeepFormInWorkArea).
inline constexpr int WorkAreaMargin = 50;

// Pixels by which a window grows for a month column or row more (delta 1) or less (-1), given
// the size of its calendar area in that direction: monthSize to add; -monthSize to remove, but
// only while the area holds at least one and a half months; 0 otherwise.
int MonthStep(int calendarArea, int monthSize, int delta);

// The calendar area that a window of size client can hold at most on a screen whose work area
// is workArea (both in pixels): the window is never made larger than the work area.
QSize ClampedToWorkArea(QSize client, QSize workArea);

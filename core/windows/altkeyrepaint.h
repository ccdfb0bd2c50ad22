#pragma once
// Repaint of a window's buttons after the Alt key. Where the window system shows keyboard
// accelerators on Alt and then fails to redraw themed buttons (Windows Vista and later with
// visual styles), every window's key-down handler passes its keys here, and a posted
// WM_REPAINT_CONTROLS asks the main window to repaint that window's buttons once the key has
// been handled. Elsewhere the flag is off and nothing is posted. GUI thread only.

#include <Qt>

class QEvent;
class QObject;
class QWidget;

// Whether the system needs the repaint (decided once at start-up; never on this platform).
bool IsVistaWithThemes();
// Overrides the flag (tests).
void SetIsVistaWithThemes(bool value);

// The main window, which receives WM_REPAINT_CONTROLS; null until the main window sets it.
void SetMainWindowHandle(QObject* mainWindow);
QObject* MainWindowHandle();

// When the flag is set, shift holds Alt and the main window is known: posts
// WM_REPAINT_CONTROLS to the main window with the form as payload. key is not used.
void HandleAltKeyForRepaint(QWidget* form, int key, Qt::KeyboardModifiers shift);

// The main window's handler: true when e is WM_REPAINT_CONTROLS, after repainting the buttons
// of the form it names (nothing when that form is gone).
bool HandleRepaintControlsMessage(QEvent* e);
// RepaintButtons(form) for a non-null form.
void RepaintFormControls(QWidget* form);
// Repaints the buttons at and below control; scroll areas and the inactive pages of tab and
// stacked widgets are skipped.
void RepaintButtons(QWidget* control);
// Repaints control and every widget below it (a widget may be painted more than once).
void RepaintAllControls(QWidget* control);

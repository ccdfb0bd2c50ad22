#pragma once
// Window helpers: keeping a window inside the screen's work area, dragging a borderless window
// with the mouse, enabling a control with its children, shortening text to a width, asking a
// question twice, putting text on the clipboard.
//
// Positions are those of the window frame (QWidget::pos), sizes those of the window frame
// (QWidget::frameGeometry), in global screen coordinates.

#include <QRect>
#include <optional>
#include <string>

class QWidget;

// The work area (screen minus panels) of the screen showing the middle of the window, or of
// the primary screen when no screen does.
QRect WorkAreaOf(const QWidget* form);

// Moves the window into the work area: WholeForm keeps all of it inside; otherwise it is moved
// only when less than Margin pixels of it would be reachable.
void KeepFormInWorkArea(QWidget* form, bool wholeForm, int margin);
// The same rule on a rectangle (left/top/width/height) and a work area: the new left-top.
QPoint KeptInWorkArea(const QRect& bounds, const QRect& workArea, bool wholeForm, int margin);

// Lets the window of control follow the mouse until the left button is released. Call from a
// mouse-press handler; grabPos is where the button went down (global; default: the cursor's
// position). Uses the window system's move when it offers one.
void StartFormDragMove(QWidget* control, std::optional<QPoint> grabPos = std::nullopt);

// Sets Enabled of control and of each of its direct child widgets (one level).
void SetEnabledRecursive(QWidget* control, bool enabled);

// Asks question (question icon, Yes and No); after Yes asks secondQuestion when it is not
// empty and count is -1 (asked as it stands) or above 1 ("%d" in it replaced by count).
// An empty question gives True without asking. True when every question asked got Yes.
bool ConfirmTwice(const std::string& question, const std::string& secondQuestion, int count);

// Puts text on the clipboard as plain text; raises Exception "Clipboard error." when there is
// no clipboard (no GUI application).
void CopyTextToClipboard(const std::string& text);

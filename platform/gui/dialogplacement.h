#pragma once
// Where dialogs open, and keeping them inside the screen's work area while they are shown.
// Every dialog of the program calls PlaceDialog once, in its constructor.
//
// Rectangles are window frames (QWidget::frameGeometry) in global screen coordinates.

#include <QRect>
#include <QSize>

class QWidget;

enum class TDialogPosition {
    OwnerCentre,  // over the owner window (Qt's placement), the primary screen's centre without
    ScreenCentre, // centred in the work area of the owner's screen (the primary one without)
};

// The work area a dialog opens in: that of its owner's screen, else the primary screen's;
// an invalid rectangle when there is no screen.
QRect OwnerWorkArea(const QWidget* dialog);

// The frame a dialog takes so that all of it lies inside workArea: a frame larger than the
// work area is first made as small as the work area and minimum (the smallest frame the
// dialog can take) allow; then it is moved in, its left and top edges staying inside when it
// is still larger, so that the caption can always be reached.
QRect FrameInWorkArea(const QRect& frame, const QSize& minimum, const QRect& workArea);

// frame moved so that it is centred in workArea (its left and top kept inside).
QRect FrameCentredIn(const QRect& frame, const QRect& workArea);

// Places dialog at position when it is first shown and keeps it inside the work area from
// then on: at every show and every change of its size (a page that grows it), the whole
// frame is brought back in (FrameInWorkArea). Moves by the user are left alone. Call once;
// the watcher is a child of dialog.
void PlaceDialog(QWidget* dialog, TDialogPosition position = TDialogPosition::OwnerCentre);

// Brings dialog's whole frame inside the work area of its screen now (FrameInWorkArea).
void KeepDialogInWorkArea(QWidget* dialog);

// The tree's reactions to focus, font, colour and enabling changes: what shows the focus is
// repainted, and the button and line bitmaps follow the font and the palette.
#include <QEvent>
#include <QFocusEvent>
#include <QTimer>

#include "controls/tree/leantree.h"
#include "controls/tree/treeheader.h"
#include "platform/gui/themes.h"

using enum TLeanTreeState;

void TBaseLeanTree::FocusChanged(bool Gained) {
    if (!Gained) {
        if (FExpandTimer)
            FExpandTimer->stop();
        // Panning and auto-scrolling follow the mouse of a focused tree only.
        StopWheelPanning();
        if (FScrollTimer && !FStates.Intersects({tsOLEDragging, tsVCLDragging}) && !FDropTargetNode)
            FScrollTimer->stop();
    }
    if (FSelectionCount == 0 && HasPaint(TLTPaintOption::toGhostedIfUnfocused)) {
        if (FFocusedNode)
            InvalidateNode(FFocusedNode);
    } else {
        InvalidateTree();
    }
}

void TBaseLeanTree::focusInEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusInEvent(e);
    FocusChanged(true);
}

void TBaseLeanTree::changeEvent(QEvent* e) {
    QAbstractScrollArea::changeEvent(e);
    switch (e->type()) {
    case QEvent::FontChange:
    case QEvent::PaletteChange:
        if (!IsLoading()) {
            PrepareBitmaps(true, true);
            InvalidateTree();
        }
        // A header that takes the tree's font follows it.
        if (e->type() == QEvent::FontChange && FHeader && FHeader->ParentFont())
            FHeader->SetFont(font());
        break;
    case QEvent::EnabledChange:
        InvalidateTree();
        break;
    case QEvent::LayoutDirectionChange: {
        // The reading order follows: columns that take the tree's, and the cell without columns.
        TLeanTreeColumns& columns = FHeader->Columns();
        for (int i = 0; i < columns.Count(); ++i)
            columns.Items(i).ParentBiDiModeChanged();
        InvalidateTree();
        break;
    }
    case QEvent::StyleChange: {
        // A new style may bring or drop themed painting, and draws the system check images anew.
        if (HasPaint(TLTPaintOption::toThemeAware) && ThemesEnabled())
            DoStateChange(tsUseThemes);
        else
            DoStateChange({}, tsUseThemes);
        if (auto list = GetCheckImageListFor(FCheckImageKind))
            FCheckImages.Set(std::move(list));
        if (!IsLoading())
            PrepareBitmaps(true, true);
        InvalidateTree();
        break;
    }
    case QEvent::ActivationChange:
        // Another window or application took over: nothing may stay half done.
        if (!isActiveWindow())
            CancelMode();
        break;
    default:
        break;
    }
}

void TBaseLeanTree::MainColumnChanged() {
    if (IsEditing())
        CancelEditNode();
}

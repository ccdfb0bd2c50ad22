// Mouse handling: clicks, double clicks and moves turned into focus, selection, check-box
// clicks, expanding and collapsing, pending edits, the rubber band and drag starts; hot
// tracking; and the Qt input events that feed them.
#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>

#include "controls/tree/leantree.h"
#include "controls/tree/treeheader.h"

using enum TLeanTreeState;
using enum TLTMiscOption;
using enum TLTSelectionOption;
using enum TLTPaintOption;
using enum THitPosition;
using enum TShiftStateMember;

namespace {

TCheckState PressedVariant(uint8_t s) {
    static const TCheckState table[6] = {csUncheckedPressed, csUncheckedPressed, csCheckedPressed,
                                         csCheckedPressed,   csMixedPressed,     csMixedPressed};
    return table[s < 6 ? s : 0];
}

TCheckState NormalVariant(uint8_t s) {
    static const TCheckState table[6] = {csUncheckedNormal, csUncheckedNormal, csCheckedNormal,
                                         csCheckedNormal,   csMixedNormal,     csMixedNormal};
    return table[s < 6 ? s : 0];
}

TShiftState KeysOf(Qt::KeyboardModifiers m) {
    TShiftState s;
    if (m & Qt::ShiftModifier)
        s |= ssShift;
    if (m & Qt::ControlModifier)
        s |= ssCtrl;
    if (m & Qt::AltModifier)
        s |= ssAlt;
    return s;
}

TLTMouseMessage MessageOf(QMouseEvent* e, TMouseButton button) {
    return {button, KeysOf(e->modifiers()), e->position().toPoint()};
}

} // namespace

bool TBaseLeanTree::IsMouseSelecting() const {
    return FStates.Intersects({tsDrawSelPending, tsDrawSelecting});
}

void TBaseLeanTree::HandleCheckPress(PLeanNode Node) {
    if (FStates.Intersects({tsMouseCheckPending, tsKeyCheckPending}) || (Node->States & vsDisabled))
        return;
    TCheckState next =
        DetermineNextCheckState(TCheckType(Node->CheckType), TCheckState(Node->CheckState));
    if (!DoChecking(Node, next))
        return;
    DoStateChange(tsMouseCheckPending);
    FCheckNode = Node;
    FPendingCheckState = next;
    StopValidation();
    Node->CheckState = PressedVariant(Node->CheckState);
    InvalidateNode(Node);
}

void TBaseLeanTree::HandleMouseDown(const TLTMouseMessage& Message, const THitInfo& HitInfo) {
    if (FStates.Intersects({tsWheelPanning, tsWheelScrolling})) {
        StopWheelPanning();
        return;
    }
    if (FStates.Contains(tsEditPending))
        DropPendingEdit();
    else if (IsEditing() && !DoEndEdit())
        return;
    if (!hasFocus() && isEnabled() && focusPolicy() != Qt::NoFocus)
        setFocus(Qt::MouseFocusReason);
    auto& cols = FHeader->Columns();
    cols.ClickIndex = HitInfo.HitColumn;
    PLeanNode node = HitInfo.HitNode;
    const THitPositions& at = HitInfo.HitPositions;

    TColumnIndex newColumn = FFocusedColumn;
    bool fullRow = HasSelection(toFullRowSelect) || HasMisc(toGridExtensions);
    if (at.Contains(hiOnItemLabel) || fullRow) {
        newColumn = HasSelection(toExtendedFocus) ? HitInfo.HitColumn : FHeader->MainColumn();
        if (newColumn == InvalidColumn)
            newColumn = FFocusedColumn;
    }
    bool columnChange = newColumn != FFocusedColumn;

    TShiftState shift = Message.Keys & TShiftState{ssShift, ssAlt, ssCtrl};
    bool alt = shift.Contains(ssAlt);
    shift -= ssAlt;
    bool labelHit = !alt && at.Intersects({hiOnItemLabel, hiOnNormalIcon});
    bool cellHit =
        !alt && !labelHit && node && !at.Intersects({hiOnItemButton, hiOnItemCheckbox}) && fullRow;
    bool anyHit = labelHit || cellHit;
    bool nodeSelected = anyHit && node && (node->States & vsSelected);
    bool multi = HasSelection(toMultiSelect);
    bool shiftEmpty = !shift.Intersects({ssShift, ssCtrl});
    bool rowDrag = HasMisc(toFullRowDrag);

    bool autoDrag = false;
    if (DragMode == dmAutomatic)
        autoDrag = !cellHit || rowDrag;
    else if (node)
        autoDrag = (!cellHit || rowDrag) && DoDragAllowed(node, HitInfo.HitColumn);

    if (node && at.Contains(hiOnItemButton) && (node->States & vsHasChildren)) {
        ToggleNode(node);
        return;
    }
    if (node && at.Contains(hiOnItemCheckbox)) {
        HandleCheckPress(node);
        return;
    }

    // A deferred clearing whose release never came is stale: a new press decides afresh
    // (instead of failing on "pending and direct clearance" inside an input handler).
    DoStateChange({}, tsClearPending);
    if ((FRoot->ChildCount > 0 && shiftEmpty) || FSelectionCount == 0) {
        PLeanNode level = node ? node : GetLastVisibleNoInit();
        FLastSelectionLevel = level ? int(GetNodeLevel(level)) : -1;
    }
    if (multi && shiftEmpty && anyHit && nodeSelected && autoDrag)
        DoStateChange(tsClearPending);

    bool rightPopup =
        Message.Button == mbRight && HasPopupMenu(node, HitInfo.HitColumn, Message.Pos);
    bool emptyClick = !labelHit && !cellHit && !rowDrag && multi && shiftEmpty;
    bool hitClear =
        anyHit && (!nodeSelected || (!autoDrag && !rightPopup)) && (shiftEmpty || !multi);
    if (emptyClick || hitClear) {
        if (node && (nodeSelected || (alt && HitInfo.HitColumn == FHeader->MainColumn()))) {
            uint32_t before = FSelectionCount;
            InternalClearSelection();
            std::vector<PLeanNode> one{node};
            InternalAddToSelection(one, false);
            if (before > 1) {
                InvalidateTree();
                Change(nullptr);
            }
        } else {
            ClearSelection();
        }
    }

    if (hasFocus() && node && nodeSelected && !columnChange && shiftEmpty &&
        (at.Contains(hiOnItemLabel) || (HasMisc(toGridExtensions) && at.Contains(hiOnItem))))
        DoStateChange(tsEditPending);

    if (!HasSelection(toDisableDrawSelection) && !labelHit && !rowDrag && multi) {
        DoStateChange(tsDrawSelPending);
        FSelRectStartColumn = HitInfo.HitColumn;
        QPoint p(Message.Pos.x() - FOffsetX, Message.Pos.y() - FOffsetY);
        FNewSelRect = FLastSelRect = QRect(p, p);
        if (!cellHit)
            return;
    }

    FLastClickPos = Message.Pos;
    if (anyHit && DoFocusChanging(FFocusedNode, node, FFocusedColumn, newColumn)) {
        if (columnChange) {
            InvalidateColumn(FFocusedColumn);
            InvalidateColumn(newColumn);
            FFocusedColumn = newColumn;
        }
        DoStateChange({}, tsVCLDragPending);
        PLeanNode lastFocused = FFocusedNode;
        bool nodeChange = node != FFocusedNode;
        if (nodeChange || columnChange) {
            // Moving the focus drops a pending edit; this click's own waits for the release.
            bool editPending = FStates.Contains(tsEditPending);
            DoFocusNode(node, false);
            if (editPending && FFocusedNode == node)
                DoStateChange(tsEditPending);
        }
        if (FFocusedNode == node) {
            if (!multi || shiftEmpty) {
                if (shiftEmpty)
                    FRangeAnchor = node;
                if (!(node->States & vsSelected))
                    AddToSelection(node);
            } else {
                HandleClickSelection(lastFocused, node, shift, autoDrag);
            }
            if (nodeChange || columnChange)
                DoFocusChanged(FFocusedNode, FFocusedColumn);
        }
    }
    if (autoDrag && anyHit && !FStates.Intersects({tsOLEDragging, tsEditing}))
        BeginDrag(false);
}

void TBaseLeanTree::HandleMouseUp(const TLTMouseMessage& Message, const THitInfo& HitInfo) {
    if (FStates.Contains(tsVCLDragPending))
        return;
    if (IsMouseSelecting()) {
        DoStateChange({}, {tsDrawSelPending, tsDrawSelecting, tsToggleFocusedSelection});
        InvalidateTree();
    }
    if (FStates.Contains(tsClearPending)) {
        bool reselect = FFocusedNode && (FFocusedNode->States & vsSelected);
        ClearSelection();
        if (reselect)
            AddToSelection(FFocusedNode);
    }
    if (FStates.Contains(tsToggleFocusedSelection) && FFocusedNode &&
        HitInfo.HitNode == FFocusedNode) {
        if (FFocusedNode->States & vsSelected)
            RemoveFromSelection(FFocusedNode);
        else
            AddToSelection(FFocusedNode);
        InvalidateNode(FFocusedNode);
    }
    DoStateChange({}, {tsToggleFocusedSelection, tsClearPending, tsDrawSelPending, tsOLEDragging,
                       tsOLEDragPending, tsScrolling, tsScrollPending});
    FScrollTimer->stop();
    FScrollDirections = 0;
    if (FStates.Contains(tsMouseCheckPending)) {
        DoStateChange({}, tsMouseCheckPending);
        PLeanNode node = FCheckNode;
        FCheckNode = nullptr;
        if (node) {
            StopValidation();
            node->CheckState = NormalVariant(node->CheckState);
            if (HitInfo.HitNode == node && HitInfo.HitPositions.Contains(hiOnItem))
                DoCheckClick(node, FPendingCheckState);
            InvalidateNode(node);
        }
    }
    auto& cols = FHeader->Columns();
    if (cols.ClickIndex > NoColumn && cols.ClickIndex == HitInfo.HitColumn)
        DoColumnClick(HitInfo.HitColumn, Message.Keys);
    if (FStates.Contains(tsEditPending)) {
        if (FFocusedNode && HitInfo.HitNode == FFocusedNode &&
            HitInfo.HitPositions.Contains(hiOnItem) && CanEdit(FFocusedNode, HitInfo.HitColumn)) {
            FEditColumn = FFocusedColumn;
            EditTimer()->start(int(EditDelay));
        } else {
            DropPendingEdit();
        }
    }
}

void TBaseLeanTree::HandleMouseDblClick(const TLTMouseMessage& Message, const THitInfo& HitInfo) {
    if (FStates.Contains(tsEditPending))
        DropPendingEdit();
    else if (IsEditing() && !DoEndEdit())
        return;
    auto& cols = FHeader->Columns();
    if (cols.ClickIndex > NoColumn && cols.ClickIndex == HitInfo.HitColumn)
        DoColumnDblClick(HitInfo.HitColumn, Message.Keys);
    PLeanNode node = HitInfo.HitNode;
    if (!node)
        return;
    const THitPositions& at = HitInfo.HitPositions;
    if (at.Contains(hiOnItemCheckbox))
        HandleCheckPress(node);
    else if (at.Contains(hiOnItemButton))
        ToggleNode(node);
    else if (HasMisc(toToggleOnDblClick) &&
             (at.Intersects({hiOnItemButton, hiOnItemLabel, hiOnNormalIcon, hiOnStateIcon}) ||
              (HasSelection(toFullRowSelect) && at.Contains(hiOnItem))))
        ToggleNode(node);
}

void TBaseLeanTree::HandleHotTrack(int X, int Y) {
    THitInfo hit = GetHitTestInfoAt(X, Y, true);
    PLeanNode candidate = nullptr;
    if (hit.HitNode && (hit.HitPositions.Intersects({hiOnItemLabel, hiOnItemCheckbox}) ||
                        HasSelection(toFullRowSelect)))
        candidate = hit.HitNode;
    if (candidate == FCurrentHotNode)
        return;
    bool repaint = HasPaint(toHotTrack) || HasMisc(toCheckSupport);
    PLeanNode old = FCurrentHotNode;
    DoHotChange(old, candidate);
    if (repaint && old)
        InvalidateNode(old);
    FCurrentHotNode = candidate;
    if (repaint && candidate)
        InvalidateNode(candidate);
}

bool TBaseLeanTree::CalculateSelectionRect(int X, int Y) {
    if (FStates.Contains(tsDrawSelecting))
        FLastSelRect = FNewSelRect;
    int x = std::clamp(X - FOffsetX, 0, std::max(FRangeX, ClientWidth()));
    int y = std::clamp(Y - FOffsetY, 0, std::max(RangeY(), ClientHeight()));
    FNewSelRect.setBottomRight(QPoint(x, y));
    return FNewSelRect != FLastSelRect;
}

void TBaseLeanTree::BeginDrag(bool Immediate, int Threshold) {
    // Both kinds run through QDrag; a VCL drag keeps its own states and ends in DragFinished.
    if (FStates.Intersects(
            {tsOLEDragging, tsVCLDragging, tsEditing, tsDrawSelPending, tsDrawSelecting}))
        return;
    FDragThreshold = Threshold < 0 ? QApplication::startDragDistance() : Threshold;
    bool vcl = DragType == dtVCL;
    if (Immediate) {
        if (vcl)
            DoStateChange(tsVCLDragging, {tsVCLDragPending, tsClearPending, tsEditPending});
        DoDragging(FLastClickPos);
    } else {
        DoStateChange(vcl ? tsVCLDragPending : tsOLEDragPending);
    }
}

// ---- Qt input ----

void TBaseLeanTree::mousePressEvent(QMouseEvent* e) {
    TMouseButton button;
    switch (e->button()) {
    case Qt::LeftButton:
        button = mbLeft;
        DoStateChange(tsLeftButtonDown);
        break;
    case Qt::RightButton:
        button = mbRight;
        DoStateChange(tsRightButtonDown);
        if (!HasSelection(toRightClickSelect))
            return;
        break;
    case Qt::MiddleButton:
        button = mbMiddle;
        DoStateChange(tsMiddleButtonDown);
        if (!HasSelection(toMiddleClickSelect))
            return;
        break;
    default:
        return;
    }
    TLTMouseMessage m = MessageOf(e, button);
    HandleMouseDown(m, GetHitTestInfoAt(m.Pos.x(), m.Pos.y(), true));
}

void TBaseLeanTree::mouseReleaseEvent(QMouseEvent* e) {
    TMouseButton button;
    switch (e->button()) {
    case Qt::LeftButton:
        button = mbLeft;
        break;
    case Qt::RightButton:
        button = mbRight;
        break;
    case Qt::MiddleButton:
        button = mbMiddle;
        break;
    default:
        return;
    }
    // A VCL drag that never started ends with this release, which DragFinished hands on.
    if (FStates.Contains(tsVCLDragPending)) {
        DragFinishedAt(e->position().toPoint());
        return;
    }
    MouseButtonReleased(MessageOf(e, button));
}

void TBaseLeanTree::MouseButtonReleased(const TLTMouseMessage& Message) {
    switch (Message.Button) {
    case mbLeft:
        DoStateChange({}, tsLeftButtonDown);
        break;
    case mbRight:
        DoStateChange({}, {tsRightButtonDown, tsPopupMenuShown});
        if (!HasSelection(toRightClickSelect))
            return;
        break;
    case mbMiddle:
        DoStateChange({}, tsMiddleButtonDown);
        if (!HasSelection(toMiddleClickSelect))
            return;
        break;
    }
    HandleMouseUp(Message, GetHitTestInfoAt(Message.Pos.x(), Message.Pos.y(), true));
}

void TBaseLeanTree::ReleaseHeldButtons(QPoint P) {
    const std::pair<TLeanTreeState, TMouseButton> held[] = {
        {tsLeftButtonDown, mbLeft}, {tsRightButtonDown, mbRight}, {tsMiddleButtonDown, mbMiddle}};
    for (auto [state, button] : held)
        if (FStates.Contains(state))
            MouseButtonReleased({button, KeysOf(QGuiApplication::keyboardModifiers()), P});
}

void TBaseLeanTree::DragFinished() {
    DragFinishedAt(viewport()->mapFromGlobal(QCursor::pos()));
}

void TBaseLeanTree::DragFinishedAt(QPoint P) {
    TMouseButton button = FStates.Contains(tsRightButtonDown)    ? mbRight
                          : FStates.Contains(tsMiddleButtonDown) ? mbMiddle
                                                                 : mbLeft;
    DoStateChange({}, {tsUserDragObject, tsVCLDragging, tsVCLDragPending});
    MouseButtonReleased({button, KeysOf(QGuiApplication::keyboardModifiers()), P});
}

void TBaseLeanTree::mouseDoubleClickEvent(QMouseEvent* e) {
    TMouseButton button;
    switch (e->button()) {
    case Qt::LeftButton:
        button = mbLeft;
        DoStateChange(tsLeftButtonDown);
        break;
    case Qt::RightButton:
        if (!HasSelection(toRightClickSelect))
            return;
        button = mbRight;
        break;
    case Qt::MiddleButton:
        if (!HasSelection(toMiddleClickSelect))
            return;
        button = mbMiddle;
        break;
    default:
        return;
    }
    TLTMouseMessage m = MessageOf(e, button);
    HandleMouseDblClick(m, GetHitTestInfoAt(m.Pos.x(), m.Pos.y(), true));
}

void TBaseLeanTree::mouseMoveEvent(QMouseEvent* e) {
    QPoint p = e->position().toPoint();
    bool toggle = e->modifiers() & Qt::ControlModifier;
    if (!FStates.Contains(tsDrawSelPending)) {
        if (FStates.Intersects({tsOLEDragPending, tsVCLDragPending})) {
            QPoint d = p - FLastClickPos;
            if (std::abs(d.x()) >= FDragThreshold || std::abs(d.y()) >= FDragThreshold) {
                if (FStates.Contains(tsVCLDragPending))
                    DoStateChange(tsVCLDragging, {tsVCLDragPending, tsClearPending, tsEditPending});
                else
                    DoStateChange({}, tsOLEDragPending);
                DoDragging(FLastClickPos);
                return;
            }
        }
        if (CanAutoScroll()) // near an edge with a rubber band or a drag
            DoAutoScroll(p.x(), p.y(), e->timestamp());
        if (!IsMouseSelecting()) {
            HandleHotTrack(p.x(), p.y());
            UpdateCursor(p);
            // Tooltips of cut-off cells show at once, without the hint pause.
            if (HintMode == hmTooltip && e->buttons() == Qt::NoButton)
                ShowHintAt(p);
            QAbstractScrollArea::mouseMoveEvent(e);
            e->accept(); // the tree tracks the mouse itself
        } else if (!FStates.Contains(tsScrolling) && CalculateSelectionRect(p.x(), p.y())) {
            if (HandleDrawSelection(FNewSelRect, FLastSelRect, toggle))
                InvalidateTree();
            else
                viewport()->update();
        }
        return;
    }
    if (CalculateSelectionRect(p.x(), p.y()))
        viewport()->update();
    QRect r = FNewSelRect;
    int threshold = QApplication::startDragDistance();
    if (std::abs(r.right() - r.left()) >= threshold ||
        std::abs(r.bottom() - r.top()) >= threshold) {
        if (FStates.Contains(tsClearPending)) {
            DoStateChange({}, tsClearPending);
            ClearSelection();
        }
        DoStateChange(tsDrawSelecting, tsDrawSelPending);
        if (HandleDrawSelection(FNewSelRect, FLastSelRect, toggle))
            InvalidateTree();
    }
}

void TBaseLeanTree::keyPressEvent(QKeyEvent* e) {
    Qt::KeyboardModifiers mods = e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier |
                                                   Qt::AltModifier | Qt::MetaModifier);
    if (HandleKeyDown(e->key(), mods)) {
        e->accept();
        return;
    }
    bool searching = FStates.Contains(tsIncrementalSearching);
    QString text = e->text();
    if (FIncrementalSearch != isNone && !(mods & (Qt::ControlModifier | Qt::AltModifier)) &&
        !text.isEmpty()) {
        char16_t c = char16_t(text.at(0).unicode());
        // Outside a search these keys expand, collapse or check.
        bool reserved = c == u'+' || c == u'-' || c == u'*' || c == u'/' || c == 8 ||
                        (c == u' ' && HasMisc(toCheckSupport) && FFocusedNode &&
                         FFocusedNode->CheckType != ctNone);
        if ((c >= 32 && c != 127 && (!reserved || searching)) || (c == 8 && searching)) {
            for (QChar ch : text)
                HandleIncrementalSearch(char16_t(ch.unicode()), e->timestamp());
            e->accept();
            return;
        }
    }
    QAbstractScrollArea::keyPressEvent(e);
}

void TBaseLeanTree::focusOutEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusOutEvent(e);
    FHeader->CancelMouseAction();
    StopIncrementalSearch();
    if (FEditTimer)
        FEditTimer->stop();
    DoStateChange({}, {tsEditPending, tsLeftButtonDown, tsMiddleButtonDown, tsOLEDragPending,
                       tsRightButtonDown, tsScrolling, tsScrollPending, tsVCLDragPending});
    FocusChanged(false);
}

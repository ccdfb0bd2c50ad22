// The keyboard: moving the focus (with Shift a range selection), scrolling with Ctrl,
// expanding and collapsing, checking with Space (the change happens when the key goes up),
// select all and the context menu.
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>

#include "controls/tree/leantree.h"
#include "controls/tree/treecolumns.h"
#include "controls/tree/treeheader.h"

using enum TLeanTreeState;
using enum TLTSelectionOption;
using enum TLTMiscOption;
using enum TShiftStateMember;

namespace {

TCheckState PressedForm(uint8_t s) {
    return s == csCheckedNormal     ? csCheckedPressed
           : s == csMixedNormal     ? csMixedPressed
           : s == csUncheckedNormal ? csUncheckedPressed
                                    : TCheckState(s);
}
TCheckState NormalForm(uint8_t s) {
    return s == csCheckedPressed     ? csCheckedNormal
           : s == csMixedPressed     ? csMixedNormal
           : s == csUncheckedPressed ? csUncheckedNormal
                                     : TCheckState(s);
}

bool IsNavigationKey(int key) {
    switch (key) {
    case Qt::Key_Backspace:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        return true;
    default:
        return false;
    }
}

// Whether Key with Shift is one of the platform's bindings of Standard.
bool IsStandardKey(int Key, TShiftState Shift, QKeySequence::StandardKey Standard) {
    Qt::KeyboardModifiers mods;
    if (Shift.Contains(ssShift))
        mods |= Qt::ShiftModifier;
    if (Shift.Contains(ssCtrl))
        mods |= Qt::ControlModifier;
    if (Shift.Contains(ssAlt))
        mods |= Qt::AltModifier;
    QKeyCombination pressed(mods, Qt::Key(Key));
    for (const QKeySequence& s : QKeySequence::keyBindings(Standard))
        if (s.count() == 1 && s[0] == pressed)
            return true;
    return false;
}

} // namespace

bool TBaseLeanTree::HasPopupMenu(PLeanNode Node, TColumnIndex Column, QPoint Position) {
    return PopupMenu || DoGetPopupMenu(Node, Column, Position);
}

void TBaseLeanTree::DoPopupMenu(PLeanNode Node, TColumnIndex Column, QPoint Position) {
    QMenu* menu = DoGetPopupMenu(Node, Column, Position);
    if (!menu)
        menu = PopupMenu;
    if (menu) {
        // The open menu takes the releases of the buttons held now (a mouse menu comes with
        // the press): the tree finishes them here, before the menu's own state.
        ReleaseHeldButtons(Position);
        DoStateChange(tsPopupMenuShown);
        if (FEditTimer)
            FEditTimer->stop();
        // The open menu takes the button's release; its closing ends the state.
        connect(
            menu, &QMenu::aboutToHide, this, [this] { DoStateChange({}, tsPopupMenuShown); },
            Qt::SingleShotConnection);
        menu->popup(viewport()->mapToGlobal(Position));
    }
}

bool TBaseLeanTree::HandleKeyDown(int Key, Qt::KeyboardModifiers Modifiers) {
    TShiftState shift;
    if (Modifiers & Qt::ShiftModifier)
        shift |= TShiftState{ssShift};
    if (Modifiers & Qt::ControlModifier)
        shift |= TShiftState{ssCtrl};
    if (Modifiers & Qt::AltModifier)
        shift |= TShiftState{ssAlt};
    if (!DoKeyAction(Key, shift))
        return true;
    bool ctrl = shift.Contains(ssCtrl), shifted = shift.Contains(ssShift);
    bool noMods = shift.Empty();

    // Any key but Space gives up a pending keyboard check.
    if (FStates.Contains(tsKeyCheckPending) && Key != Qt::Key_Space) {
        DoStateChange({}, tsKeyCheckPending);
        if (FCheckNode) {
            StopValidation();
            FCheckNode->CheckState = NormalForm(FCheckNode->CheckState);
            InvalidateNode(FCheckNode);
        }
        FCheckNode = nullptr;
    }

    // The edit keys: copy, and unless read-only cut and paste.
    for (auto action : {QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste})
        if (IsStandardKey(Key, shift, action)) {
            ExecuteAction(action);
            return true;
        }
    if (Key == Qt::Key_F2 && noMods && FFocusedNode) {
        if (CanEdit(FFocusedNode, FFocusedColumn)) {
            FEditColumn = FFocusedColumn;
            DoEdit();
        }
        return true;
    }
    if (Key == Qt::Key_Escape) {
        if (FHeader->CancelMouseAction()) // a column drag or resize
            return true;
        if (IsMouseSelecting() || FStates.Intersects({tsOLEDragPending, tsVCLDragPending})) {
            DoStateChange({}, {tsDrawSelPending, tsDrawSelecting, tsOLEDragPending,
                               tsVCLDragPending, tsClearPending});
            InvalidateTree();
        } else {
            CancelEditNode();
        }
        return true;
    }

    if (IsNavigationKey(Key)) {
        if (Key == Qt::Key_Backspace && FStates.Contains(tsIncrementalSearching))
            return false; // the search takes it
        bool multi = HasSelection(toMultiSelect);
        bool rangeSelect = shifted && multi && !IsEditing();
        bool clear = !multi || noMods || Key == Qt::Key_Backspace || Key == Qt::Key_Tab ||
                     Key == Qt::Key_Backtab;
        PLeanNode lastFocused = FFocusedNode;
        if (!lastFocused && !noMods)
            lastFocused = GetFirstVisible();
        if (!FRangeAnchor)
            FRangeAnchor = FSelectionCount ? GetFirstSelected() : GetFirst();
        PLeanNode node = FFocusedNode;
        TLeanTreeColumns& columns = FHeader->Columns();
        bool useColumns = FHeader->UseColumns();
        int rows = std::max(1, ClientHeight() / int(std::max<uint32_t>(1, FDefaultNodeHeight)));
        auto stepRows = [&](PLeanNode from, int count, bool down) {
            PLeanNode n = from, next = from;
            while (count-- > 0 && next) {
                next = down ? GetNextVisible(n) : GetPreviousVisible(n);
                if (next)
                    n = next;
            }
            return n;
        };
        bool moved = true;
        switch (Key) {
        case Qt::Key_Backspace:
            if (node && node->Parent != FRoot)
                node = node->Parent;
            break;
        case Qt::Key_Tab:
        case Qt::Key_Backtab: {
            if (!useColumns || !HasSelection(toExtendedFocus) || !node)
                return false; // the focus chain takes it
            bool back = Key == Qt::Key_Backtab || shifted;
            TColumnIndex col = FFocusedColumn;
            PLeanNode n = node;
            for (;;) {
                col = back ? columns.GetPreviousVisibleColumn(col)
                           : columns.GetNextVisibleColumn(col);
                if (col == InvalidColumn || col < 0) {
                    n = back ? GetPreviousVisible(n) : GetNextVisible(n);
                    if (!n)
                        return true;
                    col = back ? columns.GetLastVisibleColumn() : columns.GetFirstVisibleColumn();
                }
                if (DoFocusChanging(FFocusedNode, n, FFocusedColumn, col))
                    break;
            }
            SetFocusedNodeAndColumn(n, col);
            node = n;
            break;
        }
        case Qt::Key_PageUp:
        case Qt::Key_PageDown: {
            bool down = Key == Qt::Key_PageDown;
            if (ctrl) {
                DoSetOffsetXY(QPoint(FOffsetX, FOffsetY + (down ? -1 : 1) * ClientHeight()));
                return true;
            }
            node = node ? stepRows(node, rows, down) : down ? GetLastVisible() : GetFirstVisible();
            break;
        }
        case Qt::Key_Home:
        case Qt::Key_End: {
            bool end = Key == Qt::Key_End;
            bool grid = HasMisc(toGridExtensions);
            if (ctrl && !grid) {
                if (node)
                    ScrollIntoView(node, false);
                DoSetOffsetXY(QPoint(end ? std::min(0, ClientWidth() - FRangeX) : 0, FOffsetY));
                return true;
            }
            if (!grid || ctrl)
                node = end ? GetLastVisible() : GetFirstVisible();
            if (useColumns && (!grid || !HasSelection(toFullRowSelect))) {
                // The outermost visible column the host allows, walking inwards.
                TColumnIndex col =
                    end ? columns.GetLastVisibleColumn() : columns.GetFirstVisibleColumn();
                for (; col >= 0; col = end ? columns.GetPreviousVisibleColumn(col)
                                           : columns.GetNextVisibleColumn(col))
                    if (DoFocusChanging(FFocusedNode, node, FFocusedColumn, col)) {
                        FFocusedColumn = col;
                        break;
                    }
            }
            break;
        }
        case Qt::Key_Left:
        case Qt::Key_Right: {
            bool right = Key == Qt::Key_Right;
            if (ctrl) {
                DoSetOffsetXY(QPoint(FOffsetX + (right ? -1 : 1) * int(FIndent), FOffsetY));
                return true;
            }
            if (useColumns && HasSelection(toExtendedFocus) && HasMisc(toGridExtensions)) {
                TColumnIndex col = right ? columns.GetNextVisibleColumn(FFocusedColumn)
                                         : columns.GetPreviousVisibleColumn(FFocusedColumn);
                if (col >= 0 && DoFocusChanging(FFocusedNode, node, FFocusedColumn, col))
                    SetFocusedColumn(col);
                return true;
            }
            if (!node)
                return true;
            bool expanded = node->States & vsExpanded;
            bool hasChildren = node->ChildCount > 0 || (node->States & vsHasChildren);
            if (!right) {
                if (expanded && hasChildren && noMods) {
                    ToggleNode(node);
                    moved = false;
                } else if (node->Parent != FRoot) {
                    node = node->Parent;
                }
            } else {
                if (!expanded && hasChildren && noMods) {
                    ToggleNode(node);
                    moved = false;
                } else if (PLeanNode child = GetFirstVisibleChild(node)) {
                    node = child;
                }
            }
            break;
        }
        case Qt::Key_Up:
        case Qt::Key_Down: {
            bool down = Key == Qt::Key_Down;
            if (ctrl) {
                DoSetOffsetXY(
                    QPoint(FOffsetX, FOffsetY + (down ? -1 : 1) * int(FDefaultNodeHeight)));
                return true;
            }
            PLeanNode next = node ? (down ? GetNextVisible(node) : GetPreviousVisible(node))
                                  : (down ? GetFirstVisible() : GetLastVisible());
            if (FFocusedColumn < 0)
                FFocusedColumn = FHeader->MainColumn();
            if (next)
                node = next;
            else if (node)
                InvalidateNode(node);
            break;
        }
        default:
            break;
        }
        if (!moved || !node)
            return true;
        if (node != FFocusedNode)
            DoFocusNode(node, true);
        bool focusMoved = FFocusedNode != lastFocused;
        if (FFocusedNode)
            ScrollIntoView(FFocusedNode, false);
        if (clear && (focusMoved || FSelectionCount > 1))
            ClearSelection();
        if (noMods && FFocusedNode) {
            FRangeAnchor = FFocusedNode;
            FLastSelectionLevel = int(GetNodeLevel(FFocusedNode));
        }
        if (rangeSelect && lastFocused && FFocusedNode)
            ToggleSelection(lastFocused, FFocusedNode);
        if (FFocusedNode && (focusMoved || (clear && FSelectionCount == 0)))
            AddToSelection(FFocusedNode);
        if (rangeSelect || FSelectionCount > 1)
            InvalidateTree();
        return true;
    }

    bool searching = FStates.Contains(tsIncrementalSearching);
    switch (Key) {
    case Qt::Key_Plus:
    case Qt::Key_Minus:
        if (searching)
            return false;
        if (ctrl && shifted) {
            Key == Qt::Key_Plus ? FullExpand(nullptr) : FullCollapse(nullptr);
        } else if (ctrl) {
            if (Key == Qt::Key_Plus)
                FHeader->AutoFitColumns(true);
            else
                FHeader->RestoreColumns();
        } else if (FFocusedNode) {
            bool expanded = FFocusedNode->States & vsExpanded;
            if ((Key == Qt::Key_Plus) != expanded)
                ToggleNode(FFocusedNode);
        }
        return true;
    case Qt::Key_Slash:
    case Qt::Key_Asterisk:
        if (searching)
            return false;
        if (FFocusedNode)
            Key == Qt::Key_Slash ? FullCollapse(FFocusedNode) : FullExpand(FFocusedNode);
        return true;
    case Qt::Key_A:
        if (ctrl && !shifted && HasSelection(toMultiSelect)) {
            SelectAll(true);
            return true;
        }
        return false;
    case Qt::Key_Space:
        if (HasMisc(toCheckSupport) && FFocusedNode && FFocusedNode->CheckType != ctNone &&
            !(FFocusedNode->States & vsDisabled) && !searching &&
            !FStates.Contains(tsKeyCheckPending)) {
            TCheckState next = DetermineNextCheckState(TCheckType(FFocusedNode->CheckType),
                                                       TCheckState(FFocusedNode->CheckState));
            if (DoChecking(FFocusedNode, next)) {
                DoStateChange(tsKeyCheckPending);
                FCheckNode = FFocusedNode;
                FPendingCheckState = next;
                StopValidation();
                FFocusedNode->CheckState = PressedForm(FFocusedNode->CheckState);
                InvalidateNode(FFocusedNode);
            }
            return true;
        }
        return false;
    case Qt::Key_F1:
        return noMods && DoHelpRequest();
    case Qt::Key_Menu:
        if (FFocusedNode) {
            QRect r = GetDisplayRect(FFocusedNode, FFocusedColumn, true);
            DoPopupMenu(FFocusedNode, FFocusedColumn, r.center());
        } else {
            DoPopupMenu(nullptr, NoColumn, QPoint(0, 0));
        }
        return true;
    default:
        return false;
    }
}

void TBaseLeanTree::keyReleaseEvent(QKeyEvent* e) {
    QAbstractScrollArea::keyReleaseEvent(e);
    if (e->key() != Qt::Key_Space || e->isAutoRepeat() || !FStates.Contains(tsKeyCheckPending))
        return;
    DoStateChange({}, tsKeyCheckPending);
    PLeanNode node = FCheckNode;
    FCheckNode = nullptr;
    if (!node)
        return;
    StopValidation();
    node->CheckState = NormalForm(node->CheckState);
    if (node == FFocusedNode)
        DoCheckClick(node, FPendingCheckState);
    InvalidateNode(node);
}

void TBaseLeanTree::contextMenuEvent(QContextMenuEvent* e) {
    DoStateChange({}, {tsClearPending, tsEditPending, tsOLEDragPending, tsVCLDragPending});
    if (FStates.Contains(tsPopupMenuShown))
        return;
    if (e->reason() == QContextMenuEvent::Keyboard) {
        HandleKeyDown(Qt::Key_Menu, Qt::NoModifier);
    } else {
        // Mouse menus come through the viewport, in its coordinates.
        QPoint p = e->pos();
        THitInfo hit = GetHitTestInfoAt(p.x(), p.y(), true);
        DoPopupMenu(hit.HitNode, hit.HitColumn, p);
    }
    e->accept();
}

bool TBaseLeanTree::focusNextPrevChild(bool Next) {
    return WantTabs ? false : QAbstractScrollArea::focusNextPrevChild(Next);
}

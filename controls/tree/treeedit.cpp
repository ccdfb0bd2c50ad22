// The tree's side of editing: when an edit may start, how the host's edit link is obtained,
// placed, begun, ended and cancelled.
#include "controls/tree/treeedit.h"

#include <QScopedValueRollback>
#include <QTimer>

#include "controls/tree/leantree.h"
#include "controls/tree/treeheader.h"
#include "controls/tree/treehelpers.h"

using enum TLeanTreeState;
using enum TLTMiscOption;
using enum TLTPaintOption;
using enum TLTSelectionOption;
using enum TLTAutoOption;

TBaseLeanTree& TLeanTreeEditing::EditTree() {
    return static_cast<TBaseLeanTree&>(*this);
}

QTimer* TLeanTreeEditing::EditTimer() {
    return SingleShotTimer(FEditTimer, &EditTree(), [this] { EditTimerExpired(); });
}

bool TLeanTreeEditing::EditTimerActive() const {
    return FEditTimer && FEditTimer->isActive();
}

void TLeanTreeEditing::EditTimerExpired() {
    if (FEditTimer)
        FEditTimer->stop();
    DoEdit();
}

void TLeanTreeEditing::DropPendingEdit() {
    auto& tree = EditTree();
    if (FEditTimer)
        FEditTimer->stop();
    tree.DoStateChange({}, tsEditPending);
}

bool TLeanTreeEditing::EditNode(PLeanNode Node, TColumnIndex Column) {
    auto& tree = EditTree();
    LTAssert(Node != nullptr, "Node must not be nil.");
    LTAssert(Column >= NoColumn && (Column < tree.FHeader->Columns().Count() || Column == NoColumn),
             "Column must be a valid column index (-1 if no header is shown).");
    if (tree.IsEditing())
        return true;
    if (tree.HasMisc(toReadOnly))
        return false;
    tree.SetFocusedNode(Node);
    if (tree.FFocusedNode != Node || !CanEdit(Node, Column))
        return false;
    FEditColumn = Column;
    tree.InitIfNeeded(Node);
    DoEdit();
    return tree.IsEditing();
}

bool TLeanTreeEditing::CanEdit(PLeanNode Node, TColumnIndex Column) {
    auto& tree = EditTree();
    bool allowed = tree.HasMisc(toEditable) && tree.isEnabled() && !tree.HasMisc(toReadOnly);
    if (tree.OnEditing)
        tree.OnEditing(&tree, Node, Column, allowed);
    return allowed;
}

void TLeanTreeEditing::DoEdit() {
    auto& tree = EditTree();
    tree.CancelHint();
    tree.FScrollTimer->stop();
    DropPendingEdit();
    if (!tree.FFocusedNode || (tree.FFocusedNode->States & vsDisabled) ||
        tree.HasMisc(toReadOnly) || FEditLink)
        return;
    FEditLink = DoCreateEditor(tree.FFocusedNode, FEditColumn);
    if (!FEditLink)
        return;
    tree.DoStateChange(tsEditing, {tsToggleFocusedSelection, tsClearPending, tsDrawSelPending,
                                   tsDrawSelecting, tsMouseCheckPending, tsOLEDragging,
                                   tsOLEDragPending, tsScrolling, tsScrollPending});
    try {
        tree.ScrollIntoView(tree.FFocusedNode, tree.HasSelection(toCenterScrollIntoView),
                            !tree.HasAuto(toDisableAutoscrollOnFocus));
        if (FEditLink->PrepareEdit(&tree, tree.FFocusedNode, FEditColumn)) {
            UpdateEditBounds();
            tree.InvalidateNode(tree.FFocusedNode);
            if (!FEditLink->BeginEdit())
                tree.DoStateChange({}, tsEditing);
        } else {
            tree.DoStateChange({}, tsEditing);
        }
    } catch (...) {
        tree.DoStateChange({}, tsEditing);
        FEditLink.reset();
        throw;
    }
    if (!tree.IsEditing())
        FEditLink.reset();
}

std::shared_ptr<ILTEditLink> TLeanTreeEditing::DoCreateEditor(PLeanNode Node, TColumnIndex Column) {
    auto& tree = EditTree();
    std::shared_ptr<ILTEditLink> link;
    if (tree.OnCreateEditor) {
        tree.OnCreateEditor(&tree, Node, Column, link);
        if (!link)
            throw ELeanTreeError("Edit link must not be nil.", 2000);
    }
    return link;
}

bool TLeanTreeEditing::FinishEdit(bool accept) {
    auto& tree = EditTree();
    DropPendingEdit();
    // A request that arrives while the link is ending or cancelling (say, the editor losing
    // the focus as it hides) is refused: the running one decides.
    if (!tree.IsEditing() || FEditEnding)
        return false;
    bool result;
    {
        QScopedValueRollback ending(FEditEnding, true);
        result = accept ? FEditLink->EndEdit() : FEditLink->CancelEdit();
    }
    if (result) {
        tree.DoStateChange({}, tsEditing);
        FEditLink.reset();
    }
    return result;
}

bool TLeanTreeEditing::DoEndEdit() {
    auto& tree = EditTree();
    if (!FinishEdit(true))
        return false;
    if (tree.OnEdited)
        tree.OnEdited(&tree, tree.FFocusedNode, FEditColumn);
    return true;
}

bool TLeanTreeEditing::DoCancelEdit() {
    auto& tree = EditTree();
    if (!FinishEdit(false))
        return false;
    if (tree.OnEditCancelled)
        tree.OnEditCancelled(&tree, FEditColumn);
    return true;
}

void TLeanTreeEditing::AbandonEdit(bool Accept) {
    auto& tree = EditTree();
    DropPendingEdit();
    if (!tree.IsEditing() || FEditEnding)
        return;
    FEditEnding = true;
    try {
        if (Accept)
            FEditLink->EndEdit();
        else
            FEditLink->CancelEdit();
    } catch (...) {
        // The edit ends regardless: its node or its editor is going away.
    }
    FEditEnding = false;
    tree.DoStateChange({}, tsEditing);
    FEditLink.reset();
    if (tree.OnEditCancelled && !tree.FDestroying && !Accept)
        tree.OnEditCancelled(&tree, FEditColumn);
}

bool TLeanTreeEditing::EndEditNode() {
    auto& tree = EditTree();
    if (tree.IsEditing())
        return DoEndEdit();
    DropPendingEdit(); // a pending edit is simply dropped
    return true;
}

bool TLeanTreeEditing::CancelEditNode() {
    auto& tree = EditTree();
    if (tree.IsEditing())
        return DoCancelEdit();
    DropPendingEdit();
    return true;
}

void TLeanTreeEditing::UpdateEditBounds() {
    auto& tree = EditTree();
    if (!tree.IsEditing() || !tree.FFocusedNode || !FEditLink)
        return;
    bool multiline = tree.FFocusedNode->States & vsMultiline;
    QRect r = tree.GetDisplayRect(tree.FFocusedNode, FEditColumn, !multiline, true);
    if (tree.HasMisc(toGridExtensions)) {
        auto& cols = tree.FHeader->Columns();
        if (tree.FHeader->UseColumns() && cols.IsValidColumn(FEditColumn)) {
            const auto& c = cols.Items(FEditColumn);
            if (c.BiDiMode() != bdLeftToRight)
                r.setRight(c.GetLeft() + c.Width() - 1);
            else
                r.setLeft(c.GetLeft());
        } else {
            r.setLeft(tree.FOffsetX);
        }
    }
    if (tree.HasPaint(toShowHorzGridLines))
        r.setBottom(r.bottom() - 1);
    FEditLink->SetBounds(r);
}

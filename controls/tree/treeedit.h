#pragma once
// TLeanTreeEditing: the tree's side of in-place editing (the editors themselves are in
// treeediting.h). An edit starts now (EditNode) or after EditDelay (the edit timer); the host's
// edit link (ILTEditLink) is obtained, placed over the cell, begun, and ended or cancelled.
// TBaseLeanTree derives from it (treeedit.cpp).

#include <cstdint>
#include <memory>

#include "controls/tree/treeinput.h"

class QTimer;

class TLeanTreeEditing {
public:
    // Starts editing Node's Column (-1 without columns); true when an edit runs afterwards.
    // Fails an assertion for a nil node or an invalid column.
    virtual bool EditNode(PLeanNode Node, TColumnIndex Column);
    virtual bool CanEdit(PLeanNode Node, TColumnIndex Column);
    // Accepts (EndEditNode) or cancels (CancelEditNode) a pending or running edit; true when
    // none is left. A link that refuses keeps the edit open (false).
    bool EndEditNode();
    bool CancelEditNode();
    TColumnIndex EditColumn() const { return FEditColumn; }
    const std::shared_ptr<ILTEditLink>& EditLink() const { return FEditLink; }
    // Moves the editor over the focused node's cell.
    virtual void UpdateEditBounds();
    bool EditTimerActive() const;
    // The edit timer's expiry: opens the editor (DoEdit).
    void EditTimerExpired();
    uint32_t EditDelay = 1000; // milliseconds

protected:
    TLeanTreeEditing() = default;
    virtual ~TLeanTreeEditing() = default;
    TLeanTreeEditing(const TLeanTreeEditing&) = delete;
    TLeanTreeEditing& operator=(const TLeanTreeEditing&) = delete;

    virtual void DoEdit();
    virtual std::shared_ptr<ILTEditLink> DoCreateEditor(PLeanNode Node, TColumnIndex Column);
    virtual bool DoEndEdit();
    virtual bool DoCancelEdit();
    // Asks the link to end (accept) or cancel the running edit; when it agrees the edit is
    // over and the link released. False when there is no edit, one is ending already, or the
    // link refuses.
    bool FinishEdit(bool accept);
    // Drops a pending edit (edit timer stopped, tsEditPending left).
    void DropPendingEdit();
    // Ends a running edit for good before its node or the editor goes away: cancelled (Accept:
    // ended, the link keeping a changed text, with no edit event), and released even when the
    // link refuses.
    void AbandonEdit(bool Accept = false);
    QTimer* EditTimer(); // made on first use, a child of the tree

    std::shared_ptr<ILTEditLink> FEditLink;
    TColumnIndex FEditColumn = NoColumn;
    QTimer* FEditTimer = nullptr;
    bool FEditEnding = false; // the link is ending or cancelling the edit

private:
    // The tree this editing belongs to (TBaseLeanTree derives from this class).
    TBaseLeanTree& EditTree();
};

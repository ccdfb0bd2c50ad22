// Moving a subtree inside a tree or into another tree.
#include <algorithm>
#include <cstring>

#include "controls/tree/leantree.h"
#include "controls/tree/treestreamformat.h"
#include "platform/classes.h"

using enum TLTMiscOption;

PLeanNode TBaseLeanTree::CopySubtreeTo(PLeanNode Source, TBaseLeanTree* Target,
                                       PLeanNode Destination, TLTNodeAttachMode Mode) {
    // The copy is built detached with its own totals, then linked once, so that the target's
    // ancestors receive the whole subtree's counts and heights in one step.
    struct Builder {
        TBaseLeanTree* from;
        TBaseLeanTree* to;
        PLeanNode Copy(PLeanNode s) {
            PLeanNode c = to->MakeNewNode();
            c->NodeHeight = s->NodeHeight;
            // Only the bits a stored node may carry; the selection belongs to the old tree.
            c->States = uint16_t(s->States & StreamStatesMask & ~vsSelected);
            c->Align = s->Align;
            c->CheckState = s->CheckState;
            c->CheckType = s->CheckType;
            size_t bytes =
                size_t(std::min(std::max(from->FNodeDataSize, 0), std::max(to->FNodeDataSize, 0)));
            if (bytes)
                std::memcpy(to->GetNodeData(c), from->GetNodeData(s), bytes);
            uint64_t heights = 0;
            uint32_t count = 0;
            for (PLeanNode child = s->FirstChild; child; child = child->NextSibling) {
                PLeanNode cc = Copy(child);
                cc->Parent = c;
                cc->Index = count++;
                cc->PrevSibling = c->LastChild;
                if (c->LastChild)
                    c->LastChild->NextSibling = cc;
                else
                    c->FirstChild = cc;
                c->LastChild = cc;
                c->TotalCount += cc->TotalCount;
                if (cc->States & vsVisible)
                    heights += cc->TotalHeight;
            }
            c->ChildCount = count;
            c->TotalHeight = c->NodeHeight + ((c->States & vsExpanded) ? uint32_t(heights) : 0);
            if (count && !(c->States & vsHasChildren))
                c->States |= vsHasChildren;
            return c;
        }
    } builder{this, Target};
    PLeanNode copy = builder.Copy(Source);
    Target->InternalConnectNode(copy, Destination, Mode, Target);
    if (copy->Parent != Target->FRoot)
        Target->DetermineHiddenChildrenFlag(copy->Parent);
    return copy;
}

void TBaseLeanTree::MoveTo(PLeanNode Source, TBaseLeanTree* Tree, TLTNodeAttachMode Mode,
                           bool ChildrenOnly) {
    MoveTo(Source, Tree ? Tree->FRoot : FRoot, Mode, ChildrenOnly);
}

void TBaseLeanTree::MoveTo(PLeanNode Source, PLeanNode Target, TLTNodeAttachMode Mode,
                           bool ChildrenOnly) {
    if (!Source || Source == FRoot || Mode == amNoWhere || HasMisc(toReadOnly))
        return;
    LTAssert(TreeFromNode(Source) == this, "The source tree must contain the source node.");
    if (Target == Source && (Mode == amInsertBefore || Mode == amInsertAfter) && !ChildrenOnly)
        return;
    TBaseLeanTree* targetTree = this;
    if (!Target) { // nil: the first child of this tree's root
        Target = FRoot;
        Mode = amAddChildFirst;
    } else {
        targetTree = TreeFromNode(Target);
    }
    if (Target == targetTree->FRoot) {
        if (Mode == amInsertBefore)
            Mode = amAddChildFirst;
        else if (Mode == amInsertAfter)
            Mode = amAddChildLast;
    } else {
        targetTree->InitIfNeeded(Target);
        if ((Target->States & vsHasChildren) && Target->ChildCount == 0)
            targetTree->InitChildren(Target);
    }
    if (!DoNodeMoving(Source, Target == targetTree->FRoot ? nullptr : Target))
        return;
    // The nodes to move, in the order that keeps their order at the target: nodes added as
    // first child or after the target are attached in reverse.
    std::vector<PLeanNode> nodes;
    if (ChildrenOnly)
        for (PLeanNode c = Source->FirstChild; c; c = c->NextSibling)
            nodes.push_back(c);
    else
        nodes.push_back(Source);
    if (Mode == amAddChildFirst || Mode == amInsertAfter)
        std::reverse(nodes.begin(), nodes.end());
    if (targetTree == this) {
        bool intoItself = Target == Source && !ChildrenOnly;
        if (HasAsParent(Target, Source) || intoItself)
            throw ELeanTreeError("Target node cannot be a child node of the node to be moved.",
                                 2001);
        InterruptValidation();
        for (PLeanNode n : nodes) {
            InternalDisconnectNode(n, true, true);
            InternalConnectNode(n, Target, Mode, this);
            DoNodeMoved(n);
        }
        if (ChildrenOnly && Source->ChildCount == 0)
            DetermineHiddenChildrenFlag(Source);
    } else {
        InterruptValidation();
        // Where the host takes part in node streams, or the trees keep different amounts of
        // host data, the nodes travel as a node stream (OnSaveNode here, OnLoadNode there) and
        // leave this tree as deleted nodes; otherwise the host's bytes move over unchanged.
        bool viaStream =
            OnSaveNode || targetTree->OnLoadNode || FNodeDataSize != targetTree->FNodeDataSize;
        targetTree->BeginUpdate();
        BeginUpdate();
        try {
            for (PLeanNode n : nodes) {
                PLeanNode copy;
                if (viaStream) {
                    TMemoryStream stream;
                    NodeStream::WriteHeader(stream);
                    stream.WriteValue<uint32_t>(1);
                    WriteNode(stream, n);
                    stream.Seek(0, TSeekOrigin::soBeginning);
                    // Read in full before the source lets go of the node.
                    targetTree->ReadStreamNodes(stream, Target, false, Mode, &copy);
                    DeleteNode(n, true);
                } else {
                    copy = CopySubtreeTo(n, targetTree, Target, Mode);
                    // A moved node leaves this tree: its host bytes now live in the copy.
                    FSilentFree = true;
                    try {
                        DeleteNode(n, true);
                    } catch (...) {
                        FSilentFree = false;
                        throw;
                    }
                    FSilentFree = false;
                }
                targetTree->DoNodeMoved(copy);
            }
        } catch (...) {
            // The first failure is the one reported; both brackets end regardless.
            for (TBaseLeanTree* t : {this, targetTree})
                try {
                    t->EndUpdate();
                } catch (...) {
                }
            throw;
        }
        EndUpdate();
        targetTree->InvalidateCache();
        targetTree->EndUpdate();
        targetTree->StructureChange(nullptr, crNodeMoved);
        Source = nullptr;
    }
    InvalidateCache();
    if (FUpdateCount == 0) {
        ValidateCache();
        UpdateScrollBars(true);
        InvalidateTree();
        targetTree->InvalidateTree();
    }
    StructureChange(Source, crNodeMoved);
}

// Walking the nodes in tree order: the initialising walks and their NoInit twins, levels,
// visible counts and the sorted selection.
#include "controls/tree/leantree.h"

using enum TLeanTreeState;

namespace {

// The next node in tree order after Node's subtree.
PLeanNode NextAfterSubtree(PLeanNode Node, PLeanNode Root) {
    while (Node != Root) {
        if (Node->NextSibling)
            return Node->NextSibling;
        Node = Node->Parent;
    }
    return nullptr;
}

// The last node of the chain from n that next(node) walks down (children of children), or
// nullptr when n is nullptr.
template <class TNext> PLeanNode Deepest(PLeanNode n, TNext next) {
    PLeanNode last = nullptr;
    while (n) {
        last = n;
        n = next(n);
    }
    return last;
}

} // namespace

PLeanNode TBaseLeanTree::GetFirst() {
    PLeanNode n = FRoot->FirstChild;
    if (n)
        InitIfNeeded(n);
    return n;
}

PLeanNode TLeanTreeNodes::GetFirstNoInit() const {
    return FRoot->FirstChild;
}

PLeanNode TBaseLeanTree::GetFirstChild(PLeanNode Node) {
    if (!Node)
        Node = FRoot;
    InitIfNeeded(Node);
    if (!(Node->States & vsHasChildren))
        return nullptr;
    if (Node->ChildCount == 0)
        InitChildren(Node);
    PLeanNode n = Node->FirstChild;
    if (n)
        InitIfNeeded(n);
    return n;
}

PLeanNode TLeanTreeNodes::GetFirstInitialized() const {
    PLeanNode n = GetFirstNoInit();
    return n && !(n->States & vsInitialized) ? GetNextInitialized(n) : n;
}

PLeanNode TBaseLeanTree::GetFirstSelected() {
    return GetNextSelected(nullptr);
}

PLeanNode TBaseLeanTree::GetFirstCutCopy() {
    return GetNextCutCopy(nullptr);
}

PLeanNode TBaseLeanTree::GetFirstVisible() {
    PLeanNode n = GetFirstVisibleNoInit();
    if (n)
        InitIfNeeded(n);
    return n;
}

PLeanNode TLeanTreeNodes::GetFirstVisibleNoInit() const {
    if (!(FRoot->States & vsHasChildren))
        return nullptr;
    PLeanNode n = FRoot->FirstChild;
    while (n && !(n->States & vsVisible))
        n = n->NextSibling;
    return n;
}

PLeanNode TBaseLeanTree::GetFirstVisibleChild(PLeanNode Node) {
    PLeanNode n = GetFirstChild(Node);
    if (n && !(n->States & vsVisible))
        n = GetNextVisibleSibling(n);
    return n;
}

PLeanNode TBaseLeanTree::GetLastChild(PLeanNode Node) {
    if (!Node)
        Node = FRoot;
    InitIfNeeded(Node);
    if ((Node->States & vsHasChildren) && Node->ChildCount == 0)
        InitChildren(Node);
    PLeanNode n = Node->LastChild;
    if (n)
        InitIfNeeded(n);
    return n;
}

PLeanNode TLeanTreeNodes::GetLastChildNoInit(PLeanNode Node) const {
    if (!Node)
        Node = FRoot;
    return (Node->States & vsHasChildren) ? Node->LastChild : nullptr;
}

PLeanNode TBaseLeanTree::GetLast(PLeanNode Node) {
    return Deepest(GetLastChild(Node), [this](PLeanNode n) { return GetLastChild(n); });
}

PLeanNode TLeanTreeNodes::GetLastNoInit(PLeanNode Node) const {
    return Deepest(GetLastChildNoInit(Node), [this](PLeanNode n) { return GetLastChildNoInit(n); });
}

PLeanNode TBaseLeanTree::GetLastVisibleChild(PLeanNode Node) {
    if (!Node)
        Node = FRoot;
    if (Node != FRoot && !(GetFullyVisible(Node) && (Node->States & vsExpanded)))
        return nullptr;
    PLeanNode n = GetLastChild(Node);
    while (n && !(n->States & vsVisible)) {
        n = n->PrevSibling;
        if (n)
            InitIfNeeded(n);
    }
    return n;
}

PLeanNode TLeanTreeNodes::GetLastVisibleChildNoInit(PLeanNode Node) const {
    if (!Node)
        Node = FRoot;
    if (Node != FRoot && !(GetFullyVisible(Node) && (Node->States & vsExpanded)))
        return nullptr;
    PLeanNode n = GetLastChildNoInit(Node);
    while (n && !(n->States & vsVisible))
        n = n->PrevSibling;
    return n;
}

PLeanNode TBaseLeanTree::GetLastVisible(PLeanNode Node) {
    return Deepest(GetLastVisibleChild(Node),
                   [this](PLeanNode n) { return GetLastVisibleChild(n); });
}

PLeanNode TLeanTreeNodes::GetLastVisibleNoInit(PLeanNode Node) const {
    return Deepest(GetLastVisibleChildNoInit(Node),
                   [this](PLeanNode n) { return GetLastVisibleChildNoInit(n); });
}

PLeanNode TBaseLeanTree::GetNext(PLeanNode Node) {
    if (!Node)
        return nullptr;
    LTAssert(Node != FRoot, "Node must not be the hidden root node.");
    if ((Node->States & vsHasChildren) && Node->ChildCount == 0)
        InitChildren(Node);
    PLeanNode n = Node->FirstChild ? Node->FirstChild : NextAfterSubtree(Node, FRoot);
    if (n)
        InitIfNeeded(n);
    return n;
}

PLeanNode TLeanTreeNodes::GetNextNoInit(PLeanNode Node) const {
    if (!Node)
        return nullptr;
    LTAssert(Node != FRoot, "Node must not be the hidden root node.");
    return Node->FirstChild ? Node->FirstChild : NextAfterSubtree(Node, FRoot);
}

PLeanNode TLeanTreeNodes::GetNextInitialized(PLeanNode Node) const {
    do
        Node = GetNextNoInit(Node);
    while (Node && !(Node->States & vsInitialized));
    return Node;
}

PLeanNode TBaseLeanTree::GetNextSelected(PLeanNode Node) {
    if (FSelectionCount == 0)
        return nullptr;
    Node = (!Node || Node == FRoot) ? GetFirstNoInit() : GetNextNoInit(Node);
    while (Node && !(Node->States & vsSelected))
        Node = GetNextNoInit(Node);
    if (Node)
        InitIfNeeded(Node);
    return Node;
}

PLeanNode TBaseLeanTree::GetNextCutCopy(PLeanNode Node) {
    if (!FStates.Intersects({tsCutPending, tsCopyPending}))
        return nullptr;
    Node = (!Node || Node == FRoot) ? GetFirstNoInit() : GetNextNoInit(Node);
    while (Node && !(Node->States & vsCutOrCopy))
        Node = GetNextNoInit(Node);
    if (Node)
        InitIfNeeded(Node);
    return Node;
}

PLeanNode TBaseLeanTree::GetNextSibling(PLeanNode Node) {
    LTAssert(Node != FRoot, "Node must not be the hidden root node.");
    PLeanNode n = Node ? Node->NextSibling : nullptr;
    if (n)
        InitIfNeeded(n);
    return n;
}

// A node that is not shown has no row; its place in the display order is held by the
// topmost node of the hidden part: a collapsed visible ancestor (whose row comes just before
// the place and whose subtree ends it), or an invisible node under a shown, expanded parent.
PLeanNode TLeanTreeNodes::HiddenPlace(PLeanNode Node, bool& Collapsed) const {
    PLeanNode p = GetVisibleParent(Node);
    Collapsed = p != FRoot && !(p->States & vsExpanded);
    if (Collapsed)
        return p;
    while (Node->Parent != p)
        Node = Node->Parent;
    return Node;
}

PLeanNode TLeanTreeNodes::GetNextVisibleNoInit(PLeanNode Node) const {
    if (!Node)
        return nullptr;
    LTAssert(Node != FRoot, "Node must not be the hidden root node.");
    bool descend = true;
    if (!GetFullyVisible(Node)) {
        bool collapsed;
        Node = HiddenPlace(Node, collapsed);
        descend = false;
    }
    if (descend && (Node->States & vsExpanded) && Node->FirstChild) {
        PLeanNode c = Node->FirstChild;
        if (c->States & vsVisible)
            return c;
        Node = c;
    }
    for (;;) {
        while (Node != FRoot && !Node->NextSibling)
            Node = Node->Parent;
        if (Node == FRoot)
            return nullptr;
        Node = Node->NextSibling;
        if (Node->States & vsVisible)
            return Node;
    }
}

PLeanNode TBaseLeanTree::GetNextVisible(PLeanNode Node) {
    if (!Node)
        return nullptr;
    LTAssert(Node != FRoot, "Node must not be the hidden root node.");
    bool descend = true;
    if (!GetFullyVisible(Node)) {
        bool collapsed;
        Node = HiddenPlace(Node, collapsed);
        descend = false;
    }
    if (descend && (Node->States & vsExpanded)) {
        if ((Node->States & vsHasChildren) && Node->ChildCount == 0)
            InitChildren(Node);
        if (PLeanNode c = Node->FirstChild) {
            InitIfNeeded(c);
            if (c->States & vsVisible)
                return c;
            Node = c;
        }
    }
    for (;;) {
        while (Node != FRoot && !Node->NextSibling)
            Node = Node->Parent;
        if (Node == FRoot)
            return nullptr;
        Node = Node->NextSibling;
        InitIfNeeded(Node);
        if (Node->States & vsVisible)
            return Node;
    }
}

PLeanNode TBaseLeanTree::GetNextVisibleSibling(PLeanNode Node) {
    LTAssert(Node && Node != FRoot, "Invalid parameter.");
    do {
        Node = Node->NextSibling;
        if (Node)
            InitIfNeeded(Node);
    } while (Node && !(Node->States & vsVisible));
    return Node;
}

PLeanNode TLeanTreeNodes::GetNextVisibleSiblingNoInit(PLeanNode Node) const {
    LTAssert(Node && Node != FRoot, "Invalid parameter.");
    do
        Node = Node->NextSibling;
    while (Node && !(Node->States & vsVisible));
    return Node;
}

PLeanNode TBaseLeanTree::GetPrevious(PLeanNode Node) {
    if (!Node)
        return nullptr;
    LTAssert(Node != FRoot, "Node must not be the hidden root node.");
    PLeanNode n;
    if (Node->PrevSibling) {
        n = Node->PrevSibling;
        InitIfNeeded(n);
        if (PLeanNode last = GetLast(n))
            n = last;
    } else {
        n = Node->Parent == FRoot ? nullptr : Node->Parent;
    }
    if (n)
        InitIfNeeded(n);
    return n;
}

PLeanNode TLeanTreeNodes::GetPreviousNoInit(PLeanNode Node) const {
    if (!Node)
        return nullptr;
    LTAssert(Node != FRoot, "Node must not be the hidden root node.");
    if (Node->PrevSibling) {
        PLeanNode last = GetLastNoInit(Node->PrevSibling);
        return last ? last : Node->PrevSibling;
    }
    return Node->Parent == FRoot ? nullptr : Node->Parent;
}

PLeanNode TBaseLeanTree::GetPreviousSibling(PLeanNode Node) {
    LTAssert(Node != FRoot, "Node must not be the hidden root node.");
    PLeanNode n = Node ? Node->PrevSibling : nullptr;
    if (n)
        InitIfNeeded(n);
    return n;
}

PLeanNode TLeanTreeNodes::GetPreviousVisibleNoInit(PLeanNode Node) const {
    if (!Node)
        return nullptr;
    LTAssert(Node != FRoot, "Node must not be the hidden root node.");
    if (!GetFullyVisible(Node)) {
        bool collapsed;
        Node = HiddenPlace(Node, collapsed);
        if (collapsed)
            return Node;
    }
    for (PLeanNode s = Node->PrevSibling; s; s = s->PrevSibling) {
        if (s->States & vsVisible) {
            PLeanNode last = GetLastVisibleNoInit(s);
            return last ? last : s;
        }
    }
    return Node->Parent == FRoot ? nullptr : Node->Parent;
}

PLeanNode TBaseLeanTree::GetPreviousVisible(PLeanNode Node) {
    if (!Node)
        return nullptr;
    LTAssert(Node != FRoot, "Node must not be the hidden root node.");
    if (!GetFullyVisible(Node)) {
        bool collapsed;
        Node = HiddenPlace(Node, collapsed);
        if (collapsed)
            return Node;
    }
    for (PLeanNode s = Node->PrevSibling; s; s = s->PrevSibling) {
        InitIfNeeded(s);
        if (s->States & vsVisible) {
            PLeanNode last = GetLastVisible(s);
            return last ? last : s;
        }
    }
    return Node->Parent == FRoot ? nullptr : Node->Parent;
}

PLeanNode TBaseLeanTree::GetPreviousVisibleSibling(PLeanNode Node) {
    LTAssert(Node && Node != FRoot, "Invalid parameter.");
    do {
        Node = Node->PrevSibling;
        if (Node)
            InitIfNeeded(Node);
    } while (Node && !(Node->States & vsVisible));
    return Node;
}

PLeanNode TLeanTreeNodes::GetPreviousVisibleSiblingNoInit(PLeanNode Node) const {
    LTAssert(Node && Node != FRoot, "Invalid parameter.");
    do
        Node = Node->PrevSibling;
    while (Node && !(Node->States & vsVisible));
    return Node;
}

PLeanNode TLeanTreeNodes::GetVisibleParent(PLeanNode Node) const {
    LTAssert(Node != nullptr, "Node must not be nil.");
    if (Node == FRoot)
        return FRoot;
    // The topmost ancestor (or the node) that is hidden or collapsed decides: its parent is
    // the nearest node shown with all its ancestors.
    PLeanNode result = Node;
    for (PLeanNode run = Node; run != FRoot; run = run->Parent) {
        if (!(run->States & vsVisible))
            result = run->Parent;
        else if (run != Node && !(run->States & vsExpanded))
            result = run;
    }
    return result;
}

bool TLeanTreeNodes::HasAsParent(PLeanNode Node, PLeanNode PotentialParent) const {
    if (!Node || !PotentialParent || Node == PotentialParent || Node == FRoot)
        return false;
    if (PotentialParent == FRoot)
        return true;
    for (PLeanNode run = Node->Parent; run && run != FRoot; run = run->Parent)
        if (run == PotentialParent)
            return true;
    return false;
}

uint32_t TLeanTreeNodes::GetNodeLevel(PLeanNode Node) const {
    uint32_t level = 0;
    if (Node && Node != FRoot)
        for (Node = Node->Parent; Node != FRoot; Node = Node->Parent)
            ++level;
    return level;
}

uint32_t TLeanTreeNodes::AbsoluteIndex(PLeanNode Node) const {
    uint32_t result = 0;
    for (; Node && Node != FRoot; Node = Node->Parent) {
        for (PLeanNode s = Node->PrevSibling; s; s = s->PrevSibling)
            result += s->TotalCount;
        if (Node->Parent != FRoot)
            ++result;
    }
    return result;
}

int TLeanTreeNodes::GetLevelDifference(PLeanNode Node1, PLeanNode Node2) const {
    LTAssert(Node1 && Node2, "Both nodes must be Assigned.");
    return int(GetNodeLevel(Node2)) - int(GetNodeLevel(Node1));
}

uint32_t TBaseLeanTree::CountVisibleChildren(PLeanNode Node) const {
    if (!(Node->States & vsExpanded))
        return 0;
    // Depth first along the links, without recursion: any depth fits.
    uint32_t count = 0;
    for (PLeanNode c = Node->FirstChild; c;) {
        if (c->States & vsVisible) {
            ++count;
            if ((c->States & vsExpanded) && c->FirstChild) {
                c = c->FirstChild;
                continue;
            }
        }
        while (c != Node && !c->NextSibling)
            c = c->Parent;
        c = c == Node ? nullptr : c->NextSibling;
    }
    return count;
}

void TBaseLeanTree::DetermineHiddenChildrenFlag(PLeanNode Node) {
    bool hidden;
    if (Node->ChildCount > 0) {
        hidden = true;
        for (PLeanNode c = Node->FirstChild; c && hidden; c = c->NextSibling)
            hidden = !(c->States & vsVisible);
    } else {
        hidden = !(Node->States & vsHasChildren);
    }
    StopValidation();
    if (hidden)
        Node->States |= vsAllChildrenHidden;
    else
        Node->States &= ~vsAllChildrenHidden;
}

void TBaseLeanTree::DetermineHiddenChildrenFlagAllNodes() {
    for (PLeanNode n = GetFirstNoInit(); n; n = GetNextNoInit(n))
        DetermineHiddenChildrenFlag(n);
}

std::vector<PLeanNode> TBaseLeanTree::GetSortedSelection(bool Resolve) const {
    std::vector<PLeanNode> result;
    result.reserve(FSelectionCount);
    PLeanNode n = GetFirstNoInit();
    while (n && result.size() < FSelectionCount) {
        if (n->States & vsSelected) {
            result.push_back(n);
            if (Resolve) {
                n = NextAfterSubtree(n, FRoot);
                continue;
            }
        }
        n = GetNextNoInit(n);
    }
    return result;
}

std::vector<PLeanNode> TBaseLeanTree::GetSortedCutCopySet(bool Resolve) const {
    std::vector<PLeanNode> result;
    PLeanNode n = GetFirstNoInit();
    while (n) {
        if (n->States & vsCutOrCopy) {
            result.push_back(n);
            if (Resolve) {
                n = NextAfterSubtree(n, FRoot);
                continue;
            }
        }
        n = GetNextNoInit(n);
    }
    return result;
}

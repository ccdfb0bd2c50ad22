// Check-state changes with tri-state tracking, click selection with Shift and Ctrl, and the
// rubber-band selection.
#include <algorithm>

#include "controls/tree/leantree.h"
#include "controls/tree/treehelpers.h"

using enum TLeanTreeState;
using enum TLTAutoOption;
using enum TLTSelectionOption;
using enum TShiftStateMember;

namespace {

bool IsChecked(uint8_t s) {
    return s == csCheckedNormal || s == csCheckedPressed;
}
bool IsMixed(uint8_t s) {
    return s == csMixedNormal || s == csMixedPressed;
}
bool TakesPart(PLeanNode n) {
    return n->CheckType == ctTriStateCheckBox || n->CheckType == ctCheckBox;
}
// The normal partner of a pressed state and back.
TCheckState NormalPartner(uint8_t s) {
    static const TCheckState table[6] = {csUncheckedNormal, csUncheckedNormal, csCheckedNormal,
                                         csCheckedNormal,   csMixedNormal,     csMixedNormal};
    return table[s < 6 ? s : 0];
}

} // namespace

TCheckState TBaseLeanTree::DetermineNextCheckState(TCheckType CheckType, TCheckState CheckState) {
    switch (CheckType) {
    case ctTriStateCheckBox:
    case ctCheckBox:
        return CheckState == csCheckedNormal ? csUncheckedNormal : csCheckedNormal;
    case ctRadioButton:
        return csCheckedNormal;
    case ctButton:
        return csUncheckedNormal;
    default:
        return csMixedNormal;
    }
}

bool TBaseLeanTree::DoCheckClick(PLeanNode Node, TCheckState NewCheckState) {
    // A node being changed is not changed again (stops cycles); a disabled one never.
    if (!Node || Node == FRoot || (Node->States & (vsChecking | vsDisabled)))
        return false;
    StopValidation();
    Node->States |= vsChecking;
    InitIfNeeded(Node);
    if (FCheckPropagationCount++ == 0)
        DoStateChange(tsCheckPropagation);
    TCheckState old = TCheckState(Node->CheckState);
    bool tracking = HasAuto(toAutoTristateTracking);
    if (Node->CheckType == ctTriStateCheckBox && tracking && Node->ChildCount > 0) {
        if (IsChecked(NewCheckState) || NewCheckState == csUncheckedNormal ||
            NewCheckState == csUncheckedPressed) {
            TCheckState down = IsChecked(NewCheckState) ? csCheckedNormal : csUncheckedNormal;
            for (PLeanNode c = Node->FirstChild; c; c = c->NextSibling)
                if (TakesPart(c))
                    SetCheckState(c, down);
        }
        int unchecked = 0, checked = 0, mixed = 0;
        for (PLeanNode c = Node->FirstChild; c; c = c->NextSibling) {
            if (!TakesPart(c))
                continue;
            if (IsChecked(c->CheckState))
                ++checked;
            else if (IsMixed(c->CheckState))
                ++mixed;
            else
                ++unchecked;
        }
        if (mixed > 0 || (checked > 0 && unchecked > 0))
            NewCheckState = csMixedNormal;
        else if (checked > 0)
            NewCheckState = csCheckedNormal;
        else if (unchecked > 0)
            NewCheckState = csUncheckedNormal;
    }
    if (Node->CheckType == ctRadioButton && IsChecked(NewCheckState)) {
        for (PLeanNode s = Node->Parent->FirstChild; s; s = s->NextSibling)
            if (s != Node && s->CheckType == ctRadioButton)
                s->CheckState = csUncheckedNormal;
        InvalidateTree();
    }
    Node->CheckState = NewCheckState;
    bool result = true;
    PLeanNode parent = Node->Parent;
    if (parent != FRoot)
        InitIfNeeded(parent);
    if (tracking && TakesPart(Node) && parent != FRoot &&
        !(parent->States & (vsChecking | vsDisabled)) && parent->CheckType == ctTriStateCheckBox)
        result = CheckParentCheckState(Node, NewCheckState);
    if (!result)
        Node->CheckState = NormalPartner(old);
    InvalidateNode(Node);
    Node->States &= ~vsChecking;
    if (--FCheckPropagationCount == 0)
        DoStateChange({}, tsCheckPropagation);
    if (result && Node->CheckState != old)
        DoChecked(Node);
    return result;
}

bool TBaseLeanTree::CheckParentCheckState(PLeanNode Node, TCheckState NewCheckState) {
    PLeanNode parent = Node->Parent;
    // Only a real, enabled tri-state parent follows its children.
    if (parent == FRoot || (parent->States & (vsDisabled | vsChecking)) ||
        parent->CheckType != ctTriStateCheckBox)
        return true;
    int count = 0, checked = 0;
    bool mixed = false;
    for (PLeanNode c = parent->FirstChild; c; c = c->NextSibling) {
        if (!TakesPart(c))
            continue;
        uint8_t s = c == Node ? uint8_t(NewCheckState) : c->CheckState;
        ++count;
        if (IsChecked(s))
            ++checked;
        else if (IsMixed(s))
            mixed = true;
    }
    if (count == 0)
        return true;
    TCheckState state = mixed || (checked > 0 && checked < count) ? csMixedNormal
                        : checked == count                        ? csCheckedNormal
                                                                  : csUncheckedNormal;
    if (state == parent->CheckState)
        return true;
    if (!DoChecking(parent, state))
        return false;
    StopValidation();
    parent->CheckState = state;
    InitIfNeeded(parent);
    InvalidateNode(parent);
    return CheckParentCheckState(parent, state);
}

void TBaseLeanTree::HandleClickSelection(PLeanNode LastFocused, PLeanNode NewNode,
                                         TShiftState Shift, bool DragPending) {
    (void)LastFocused;
    bool ctrl = Shift.Contains(ssCtrl), shift = Shift.Contains(ssShift);
    if (!ctrl && !shift) {
        if (!(NewNode->States & vsSelected))
            AddToSelection(NewNode);
        FRangeAnchor = NewNode;
    } else if (shift && !ctrl) {
        if (!FRangeAnchor)
            FRangeAnchor = GetFirst();
        if (FRangeAnchor) {
            SelectNodes(FRangeAnchor, NewNode, false);
            InvalidateTree();
        }
    } else if (ctrl && !shift) {
        if (!HasSelection(toSiblingSelectConstraint))
            FRangeAnchor = NewNode;
        if (DragPending)
            DoStateChange(tsToggleFocusedSelection);
        else if (NewNode->States & vsSelected)
            RemoveFromSelection(NewNode);
        else
            AddToSelection(NewNode);
    } else {
        if (!FRangeAnchor)
            FRangeAnchor = GetFirst();
        if (FRangeAnchor)
            SelectNodes(FRangeAnchor, NewNode, true);
        InvalidateTree();
    }
}

void TBaseLeanTree::CollectNodesInBand(const QRect& R, std::vector<PLeanNode>& Out) {
    int top;
    PLeanNode n = GetNodeAt(0, R.top(), false, top);
    while (n && top <= R.bottom()) {
        Out.push_back(n);
        top += n->NodeHeight;
        n = GetNextVisible(n);
    }
}

bool TBaseLeanTree::HandleDrawSelection(QRect Rect, QRect OldRect, bool Toggle) {
    if (FRoot->TotalCount <= 2)
        return false;
    QRect now = OrderRect(Rect), old = OrderRect(OldRect);
    QRect all = now.united(old);
    std::vector<PLeanNode> rows;
    CollectNodesInBand(all, rows);
    auto& cols = FHeader->Columns();
    TColumnIndex main = FHeader->MainColumn();
    int columnLeft = 0;
    bool rtl = !FHeader->UseColumns() && BiDiMode() != bdLeftToRight;
    TAlignment align = FAlignment;
    int columnWidth = std::max(ClientWidth(), FRangeX);
    if (FHeader->UseColumns() && cols.IsValidColumn(main)) {
        const auto& c = cols.Items(main);
        columnLeft = c.Left();
        columnWidth = c.Width();
        rtl = c.BiDiMode() != bdLeftToRight;
        align = c.Alignment();
    }
    bool changed = false;
    std::vector<PLeanNode> add;
    int top = 0;
    if (!rows.empty()) {
        int t;
        GetNodeAt(0, all.top(), false, t);
        top = t;
    }
    for (PLeanNode n : rows) {
        int content = TextOffset(n, main, true);
        int w = DoGetNodeWidth(n, main, nullptr);
        int left;
        if (rtl)
            left = columnLeft + columnWidth - content - w;
        else if (align == taRightJustify)
            left = columnLeft + columnWidth - w;
        else if (align == taCenter)
            left = columnLeft + (content + columnWidth - w) / 2;
        else
            left = columnLeft + content;
        QRect area(left, top, std::max(w, 1), int(n->NodeHeight));
        top += n->NodeHeight;
        bool inNew = area.intersects(now), inOld = area.intersects(old);
        if (inNew == inOld)
            continue;
        bool select = Toggle ? !(n->States & vsSelected) : inNew;
        if (select && !(n->States & vsSelected))
            add.push_back(n);
        else if (!select && (n->States & vsSelected))
            InternalRemoveFromSelection(n);
        else
            continue;
        changed = true;
    }
    PackSelection();
    if (!add.empty())
        AddNodesToSelection(add, false);
    if (changed)
        Change(nullptr);
    return changed;
}

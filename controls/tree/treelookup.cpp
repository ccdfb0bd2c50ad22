// Look-ups by position: the node at a vertical position, hit tests, display rectangles and
// the widths that columns need.
#include <algorithm>

#include "controls/tree/leantree.h"
#include "controls/tree/treeheader.h"

using enum TLTPaintOption;
using enum TLTMiscOption;
using enum THitPosition;

PLeanNode TBaseLeanTree::GetNodeAt(int X, int Y) {
    int top;
    return GetNodeAt(X, Y, true, top);
}

PLeanNode TBaseLeanTree::GetNodeAt(int, int Y, bool Relative, int& NodeTop) {
    int64_t y = Relative ? int64_t(Y) - FOffsetY : Y;
    if (y < 0)
        y = 0;
    PLeanNode node;
    int64_t top;
    if (UsesCache() && !FPositionCache.empty()) {
        const auto& c = FPositionCache;
        auto it = std::upper_bound(c.begin(), c.end(), y, [](int64_t v, const TCacheEntry& e) {
            return v < int64_t(e.AbsoluteTop);
        });
        node = it == c.begin() ? GetFirstVisibleNoInit() : (it - 1)->Node;
        top = it == c.begin() ? 0 : (it - 1)->AbsoluteTop;
        // Closer to the next mark: walk back from there, skipping whole subtrees before it
        // and entering a subtree from its end, so that only rows between y and the mark
        // are passed.
        if (it != c.end() && it != c.begin() && int64_t(it->AbsoluteTop) - y < y - top) {
            PLeanNode parent = it->Node->Parent, s = it->Node->PrevSibling;
            int64_t end = it->AbsoluteTop; // rows from here on lie after y
            for (;;) {
                while (s && !(s->States & vsVisible))
                    s = s->PrevSibling;
                if (!s) {
                    if (parent == FRoot)
                        break; // cannot happen for a sound cache; the forward walk decides
                    end -= parent->NodeHeight;
                    if (y >= end) {
                        NodeTop = int(end + (Relative ? FOffsetY : 0));
                        return parent;
                    }
                    s = parent->PrevSibling;
                    parent = parent->Parent;
                    continue;
                }
                int64_t start = end - s->TotalHeight;
                if (y < start) {
                    end = start;
                    s = s->PrevSibling;
                } else if ((s->States & vsExpanded) && s->LastChild) {
                    parent = s;
                    s = s->LastChild;
                } else {
                    NodeTop = int(start + (Relative ? FOffsetY : 0));
                    return s;
                }
            }
        }
    } else {
        node = GetFirstVisibleNoInit();
        top = 0;
    }
    while (node) {
        bool visible = node->States & vsVisible;
        if (visible && top + node->TotalHeight > y) {
            if (top + node->NodeHeight > y || node->ChildCount == 0 ||
                !(node->States & vsExpanded)) {
                NodeTop = int(top + (Relative ? FOffsetY : 0));
                return node;
            }
            top += node->NodeHeight;
            node = node->FirstChild;
            continue;
        }
        if (visible)
            top += node->TotalHeight;
        while (node != FRoot && !node->NextSibling)
            node = node->Parent;
        if (node == FRoot)
            break;
        node = node->NextSibling;
    }
    NodeTop = 0;
    return nullptr;
}

// The top of a shown node's row in tree coordinates.
static int64_t NodeTopOf(const TBaseLeanTree& tree, PLeanNode Node) {
    PLeanNode root = tree.RootNode();
    if (tree.UsesCache() && !tree.PositionCache().empty()) {
        TCacheEntry e = tree.FindInPositionCache(Node);
        if (e.Node) {
            int64_t top = e.AbsoluteTop;
            for (PLeanNode n = e.Node; n && n != Node; n = tree.GetNextVisibleNoInit(n))
                top += n->NodeHeight;
            return top;
        }
    }
    int64_t top = 0;
    for (PLeanNode n = Node; n != root; n = n->Parent) {
        for (PLeanNode s = n->PrevSibling; s; s = s->PrevSibling)
            if (s->States & vsVisible)
                top += s->TotalHeight;
        if (n->Parent != root)
            top += n->Parent->NodeHeight;
    }
    return top;
}

int TBaseLeanTree::NodeContentLeft(PLeanNode Node) const {
    int indent = int(GetNodeLevel(Node) + (HasPaint(toShowRoot) ? 1 : 0)) * int(FIndent);
    return indent + FMargin + CheckImageRoom(Node);
}

QRect TBaseLeanTree::GetDisplayRect(PLeanNode Node, TColumnIndex Column, bool TextOnly,
                                    bool Unclipped) {
    LTAssert(Node != nullptr, "Node must not be nil.");
    LTAssert(Node != FRoot, "Node must not be the hidden root node.");
    InitIfNeeded(Node);
    for (PLeanNode n = Node; n != FRoot; n = n->Parent) {
        if (!(n->States & vsVisible) || (n->Parent != FRoot && !(n->Parent->States & vsExpanded)))
            return QRect(0, 0, 0, 0);
    }
    auto& cols = FHeader->Columns();
    bool useColumns = FHeader->UseColumns() && cols.IsValidColumn(Column);
    bool mainColumn = Column == FHeader->MainColumn() || !FHeader->UseColumns();
    int top = int(NodeTopOf(*this, Node)) + FOffsetY;
    int left, right;
    if (useColumns) {
        const auto& c = cols.Items(Column);
        left = c.GetLeft();
        right = left + c.Width();
    } else {
        left = FOffsetX;
        right = std::max(ClientWidth(), FRangeX) + FOffsetX;
    }
    QRect r(QPoint(left, top), QPoint(right - 1, top + int(Node->NodeHeight) - 1));
    if (!TextOnly)
        return r;
    int offset = TextOffset(Node, Column, mainColumn);
    TAlignment align = useColumns ? cols.Items(Column).Alignment() : FAlignment;
    bool rtl = useColumns ? cols.Items(Column).BiDiMode() != bdLeftToRight
                          : !FHeader->UseColumns() && BiDiMode() != bdLeftToRight;
    if (rtl) {
        r.setRight(r.right() - offset);
        align = align == taLeftJustify    ? taRightJustify
                : align == taRightJustify ? taLeftJustify
                                          : taCenter;
    } else {
        r.setLeft(r.left() + offset);
    }
    int w = DoGetNodeWidth(Node, Column, nullptr);
    bool narrow = Unclipped ? r.width() < w : r.width() > w;
    if (Unclipped && narrow)
        align = rtl ? taRightJustify : taLeftJustify;
    if (narrow || Unclipped) {
        if (align == taRightJustify)
            r.setLeft(r.right() + 1 - w);
        else if (align == taCenter) {
            r.setLeft((r.left() + r.right() + 1 - w) / 2);
            r.setWidth(w);
        } else {
            r.setWidth(w);
        }
    }
    return r;
}

THitInfo TBaseLeanTree::GetHitTestInfoAt(int X, int Y, bool Relative) {
    THitInfo info;
    if (X < 0)
        info.HitPositions |= hiToLeft;
    else if (X > std::max(ClientWidth(), FRangeX))
        info.HitPositions |= hiToRight;
    if (Y < 0)
        info.HitPositions |= hiAbove;
    else if (Y > std::max(ClientHeight(), RangeY()))
        info.HitPositions |= hiBelow;
    if (!info.HitPositions.Empty())
        return info;
    auto& cols = FHeader->Columns();
    int treeX = X;
    if (Relative && X >= cols.GetVisibleFixedWidth())
        treeX -= FOffsetX;
    int treeY = Relative ? Y - FOffsetY : Y;
    int top;
    info.HitNode = GetNodeAt(treeX, treeY, false, top);
    int columnLeft = 0, columnRight = std::max(ClientWidth(), FRangeX);
    TAlignment align = FAlignment;
    if (info.HitNode)
        InitIfNeeded(info.HitNode);
    if (FHeader->UseColumns()) {
        info.HitColumn = cols.GetColumnAndBounds(QPoint(X, 0), columnLeft, columnRight, Relative);
        if (info.HitColumn >= 0 && info.HitNode && HasAuto(TLTAutoOption::toAutoSpanColumns)) {
            while (DoGetCellIsEmpty(info.HitNode, info.HitColumn)) {
                TColumnIndex prev = cols.GetPreviousVisibleColumn(info.HitColumn);
                if (prev < 0)
                    break;
                info.HitColumn = prev;
                columnLeft = cols.Items(prev).GetLeft();
            }
            for (TColumnIndex next = cols.GetNextVisibleColumn(info.HitColumn);
                 next >= 0 && DoGetCellIsEmpty(info.HitNode, next);
                 next = cols.GetNextVisibleColumn(next))
                columnRight = cols.Items(next).GetLeft() + cols.Items(next).Width();
        }
        if (info.HitColumn >= 0)
            align = cols.Items(info.HitColumn).Alignment();
    } else {
        columnLeft = Relative ? FOffsetX : 0;
    }
    if (!info.HitNode || info.HitColumn == InvalidColumn) {
        info.HitPositions |= hiNowhere;
        return info;
    }
    info.HitPositions = hiOnItem;
    PLeanNode node = info.HitNode;
    bool mainColumn = !FHeader->UseColumns() || info.HitColumn == FHeader->MainColumn();
    // Offset: X inside the column; right-to-left columns measure the indentation, check box
    // and images from the right edge (their mirror image), the label zones stay physical.
    int offset = X - columnLeft, right = columnRight - columnLeft;
    const int physical = offset;
    const bool rtl = FHeader->UseColumns()
                         ? cols.IsValidColumn(info.HitColumn) &&
                               cols.Items(info.HitColumn).BiDiMode() != bdLeftToRight
                         : BiDiMode() != bdLeftToRight;
    if (rtl) {
        offset = right - 1 - offset;
        align = align == taLeftJustify    ? taRightJustify
                : align == taRightJustify ? taLeftJustify
                                          : taCenter;
    }
    int indent =
        mainColumn ? int(GetNodeLevel(node) + (HasPaint(toShowRoot) ? 1 : 0)) * int(FIndent) : 0;
    if (offset < indent) {
        if (HasPaint(toShowButtons) && (node->States & vsHasChildren) &&
            offset >= indent - int(FIndent))
            info.HitPositions |= hiOnItemButton;
        else
            info.HitPositions |= hiOnItemIndent;
        return info;
    }
    int edge = indent + FMargin;
    int checkRoom = mainColumn ? CheckImageRoom(node) : 0;
    bool check = checkRoom > 0;
    edge += checkRoom;
    if (offset < edge) {
        if (check)
            info.HitPositions |= hiOnItemCheckbox;
        return info;
    }
    TLTImageInfo state, normal;
    GetNodeImages(node, info.HitColumn, state, normal);
    edge += state.Room();
    if (offset < edge) {
        info.HitPositions |= hiOnStateIcon;
        return info;
    }
    edge += normal.Room();
    if (offset < edge) {
        info.HitPositions |= hiOnNormalIcon;
        return info;
    }
    // The label's room: [lo, hi) in physical column coordinates. All of it counts as the
    // label; beside a text that fits, the side of the text is noted too.
    int w = DoGetNodeWidth(node, info.HitColumn, nullptr);
    const int lo = rtl ? 0 : edge, hi = rtl ? right - edge : right;
    if (w <= hi - lo) {
        int start = align == taRightJustify ? hi - w : align == taCenter ? (lo + hi - w) / 2 : lo;
        if (physical < start)
            info.HitPositions |= hiOnItemLeft;
        else if (physical >= start + w)
            info.HitPositions |= hiOnItemRight;
    }
    info.HitPositions |= hiOnItemLabel;
    return info;
}

int TBaseLeanTree::GetMaxColumnWidth(TColumnIndex Column) {
    bool main = !FHeader->UseColumns() || Column == FHeader->MainColumn();
    int result = 0;
    for (PLeanNode n = GetFirstVisible(); n; n = GetNextVisible(n)) {
        int w = TextOffset(n, Column, main) + DoGetNodeWidth(n, Column, nullptr);
        result = std::max(result, w);
    }
    return result + (HasPaint(toShowVertGridLines) ? 1 : 0);
}

int TBaseLeanTree::GetMaxRightExtent() {
    int top;
    PLeanNode n = GetNodeAt(0, 0, true, top);
    int result = 0;
    int images = 0; // the room of each list in use
    for (const auto* list : {&StateImages(), &Images()})
        if (*list)
            images += (*list)->Width() + 2;
    while (n && top < height()) {
        result = std::max(result, NodeContentLeft(n) - FMargin + images +
                                      DoGetNodeWidth(n, NoColumn, nullptr));
        top += n->NodeHeight;
        n = GetNextVisibleNoInit(n);
    }
    return result + FMargin;
}

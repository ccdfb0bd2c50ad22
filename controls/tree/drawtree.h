#pragma once
// TCustomLeanDrawTree: the tree-list control whose cells the host draws. Painting a cell hands
// its paint information to OnDrawNode; a label's width starts at 2 x TextMargin and
// OnGetNodeWidth may change it; hints of cells come from OnGetHintSize and OnDrawHint.

#include "controls/tree/leantree.h"

using TLTDrawNodeEvent = std::function<void(TBaseLeanTree* Sender, const TLTPaintInfo& PaintInfo)>;
// Canvas carries the tree's font (the caller's canvas, or one of the tree's own).
using TLTGetNodeWidthEvent = std::function<void(
    TBaseLeanTree* Sender, QPainter& Canvas, PLeanNode Node, TColumnIndex Column, int& NodeWidth)>;
using TLTGetHintSizeEvent =
    std::function<void(TBaseLeanTree* Sender, PLeanNode Node, TColumnIndex Column, QRect& R)>;
using TLTDrawHintEvent = std::function<void(TBaseLeanTree* Sender, QPainter& HintCanvas,
                                            PLeanNode Node, QRect R, TColumnIndex Column)>;

class TCustomLeanDrawTree : public TBaseLeanTree {
public:
    using TBaseLeanTree::TBaseLeanTree;

    // Hands the cell to OnDrawNode.
    void DoPaintNode(TLTPaintInfo& PaintInfo) override;
    // 2 x TextMargin, or what OnGetNodeWidth makes of it (pixels).
    int DoGetNodeWidth(PLeanNode Node, TColumnIndex Column, QPainter* Canvas) override;
    // The hint rectangle from OnGetHintSize (starting empty: a text hint).
    QRect DoGetHintSize(PLeanNode Node, TColumnIndex Column) override;
    void DoDrawHint(QPainter& Canvas, PLeanNode Node, const QRect& R, TColumnIndex Column) override;

    TLTDrawNodeEvent OnDrawNode;
    TLTGetNodeWidthEvent OnGetNodeWidth;
    TLTGetHintSizeEvent OnGetHintSize;
    TLTDrawHintEvent OnDrawHint;
};

class TLeanDrawTree : public TCustomLeanDrawTree {
public:
    using TCustomLeanDrawTree::TCustomLeanDrawTree;
};

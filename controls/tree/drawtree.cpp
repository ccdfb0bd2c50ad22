// TCustomLeanDrawTree: cells, label widths and hints come from the host's events.
#include "controls/tree/drawtree.h"

#include <QPainter>

void TCustomLeanDrawTree::DoPaintNode(TLTPaintInfo& PaintInfo) {
    if (OnDrawNode)
        OnDrawNode(this, PaintInfo);
}

int TCustomLeanDrawTree::DoGetNodeWidth(PLeanNode Node, TColumnIndex Column, QPainter* Canvas) {
    int width = 2 * TextMargin();
    if (!OnGetNodeWidth || !Node || Node == RootNode())
        return width;
    if (Canvas) {
        OnGetNodeWidth(this, *Canvas, Node, Column, width);
        return width;
    }
    QImage scratch(1, 1, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&scratch);
    p.setFont(font());
    OnGetNodeWidth(this, p, Node, Column, width);
    return width;
}

QRect TCustomLeanDrawTree::DoGetHintSize(PLeanNode Node, TColumnIndex Column) {
    QRect r;
    if (OnGetHintSize)
        OnGetHintSize(this, Node, Column, r);
    return r;
}

void TCustomLeanDrawTree::DoDrawHint(QPainter& Canvas, PLeanNode Node, const QRect& R,
                                     TColumnIndex Column) {
    if (OnDrawHint)
        OnDrawHint(this, Canvas, Node, R, Column);
}

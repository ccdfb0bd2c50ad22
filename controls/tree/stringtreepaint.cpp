// TCustomLeanStringTree painting: the normal text (shortened with "..." or word-wrapped on
// multi-line nodes) and the static text after it.
#include <QPainter>

#include "controls/tree/stringtree.h"
#include "controls/tree/treecolumns.h"
#include "controls/tree/treeheader.h"
#include "platform/gui/qtcolors.h"

namespace {

int AlignFlag(TAlignment a) {
    return a == taRightJustify ? Qt::AlignRight : a == taCenter ? Qt::AlignHCenter : Qt::AlignLeft;
}

} // namespace

void TCustomLeanStringTree::DrawCellText(QPainter& Canvas, const QRect& R, const QString& Text,
                                         int Flags) {
    Canvas.drawText(R, Flags, Text);
}

void TCustomLeanStringTree::PrepareTextFont(QPainter& Canvas, PLeanNode Node, TColumnIndex Column) {
    QFont f = font();
    QColor color = ColorToQColor(clWindowText);
    if (HasPaint(TLTPaintOption::toHotTrack) && Node == HotNode()) {
        f.setUnderline(true);
        color = ColorToQColor(Colors().Get(TLTColors::HotColor));
    }
    bool focusedColumn =
        Column == FocusedColumn() || HasSelection(TLTSelectionOption::toFullRowSelect);
    if (focusedColumn && (Node->States & vsSelected) &&
        (hasFocus() || HasPaint(TLTPaintOption::toPopupMode)))
        color = ColorToQColor(clHighlightText);
    if ((Node->States & vsDisabled) || !isEnabled())
        color = ColorToQColor(Colors().Get(TLTColors::DisabledColor));
    Canvas.setFont(f);
    Canvas.setPen(color);
}

void TCustomLeanStringTree::PaintNormalText(TLTPaintInfo& PaintInfo, const QString& Text) {
    QPainter& c = *PaintInfo.Canvas;
    PLeanNode node = PaintInfo.Node;
    bool rtl = PaintInfo.BidiMode != bdLeftToRight;
    QRect r = PaintInfo.ContentRect.adjusted(TextMargin(), 0, -TextMargin(), 0);
    PrepareTextFont(c, node, PaintInfo.Column);
    FFontChanged = false;
    DoPaintText(c, node, PaintInfo.Column, ttNormal);
    if ((node->States & vsDisabled) || !isEnabled())
        c.setPen(ColorToQColor(Colors().Get(TLTColors::DisabledColor)));
    int nodeWidth = PaintInfo.NodeWidth;
    if (FFontChanged) {
        // The host changed the font: measure in it.
        nodeWidth = 2 * TextMargin() + MeasureTextWidth(&c, node, PaintInfo.Column, Text);
        PaintInfo.NodeWidth = nodeWidth;
    }
    int flags = 0;
    QString shown = Text;
    if (node->States & vsMultiline) {
        flags = AlignFlag(PaintInfo.Alignment) | Qt::AlignVCenter | Qt::TextWordWrap;
        // No end ellipsis for wrapped text in Qt: the lines that do not fit are clipped.
        c.save();
        c.setClipRect(r, Qt::IntersectClip);
        DrawCellText(c, r, shown, flags);
        c.restore();
        return;
    }
    flags = Qt::AlignVCenter | Qt::TextSingleLine;
    bool noColumns = !Header().UseColumns();
    if (noColumns || nodeWidth - 2 * TextMargin() <= r.width()) {
        flags |= AlignFlag(PaintInfo.Alignment);
    } else {
        shown = DoShortenString(&c, node, PaintInfo.Column, Text, r.width(), rtl);
        flags |= (PaintInfo.Alignment == taRightJustify || rtl) ? Qt::AlignRight : Qt::AlignLeft;
    }
    DrawCellText(c, r, shown, flags);
}

void TCustomLeanStringTree::PaintStaticText(TLTPaintInfo& PaintInfo, const QString& Text) {
    QPainter& c = *PaintInfo.Canvas;
    PLeanNode node = PaintInfo.Node;
    bool rtl = PaintInfo.BidiMode != bdLeftToRight;
    PrepareTextFont(c, node, PaintInfo.Column);
    DoPaintText(c, node, PaintInfo.Column, ttStatic);
    if ((node->States & vsDisabled) || !isEnabled())
        c.setPen(ColorToQColor(Colors().Get(TLTColors::DisabledColor)));
    QRect r = PaintInfo.ContentRect;
    int offset = PaintInfo.NodeWidth + TextMargin();
    if (rtl)
        r.setRight(r.right() - offset);
    else
        r.setLeft(r.left() + offset);
    if (r.width() <= 0)
        return;
    DrawCellText(c, r, Text,
                 Qt::AlignVCenter | Qt::TextSingleLine | (rtl ? Qt::AlignRight : Qt::AlignLeft));
}

void TCustomLeanStringTree::DoPaintNode(TLTPaintInfo& PaintInfo) {
    QPainter& c = *PaintInfo.Canvas;
    c.save();
    c.setFont(font());
    QString text = DoGetText(PaintInfo.Node, PaintInfo.Column, ttNormal);
    if (!text.isEmpty())
        PaintNormalText(PaintInfo, text);
    c.restore();
    bool allRtl = Header().UseColumns() && PaintInfo.BidiMode != bdLeftToRight;
    if (!allRtl && !(PaintInfo.Node->States & vsMultiline) &&
        HasString(TLTStringOption::toShowStaticText)) {
        QString st = DoGetText(PaintInfo.Node, PaintInfo.Column, ttStatic);
        if (!st.isEmpty()) {
            c.save();
            c.setFont(font());
            PaintStaticText(PaintInfo, st);
            c.restore();
        }
    }
}

// TCustomLeanStringTree painting: the normal text (shortened with "..." or word-wrapped on
// multi-line nodes) and the static text after it.
#include <QPainter>

#include "controls/tree/stringtree.h"
#include "controls/tree/treecolumns.h"
#include "controls/tree/treeheader.h"
#include "controls/tree/treetextfit.h"
#include "platform/gui/qtcolors.h"

namespace {

int AlignFlag(TAlignment a) {
    return a == taRightJustify ? Qt::AlignRight : a == taCenter ? Qt::AlignHCenter : Qt::AlignLeft;
}

// The placement of a cell's text: right-to-left cells mirror the alignment (left-justified text
// starts at the right), as the hit tests take it.
int CellAlignFlag(const TLTPaintInfo& PaintInfo) {
    TAlignment a = PaintInfo.Alignment;
    if (PaintInfo.BidiMode == bdLeftToRight)
        return AlignFlag(a);
    a = a == taLeftJustify ? taRightJustify : a == taRightJustify ? taLeftJustify : taCenter;
    return AlignFlag(a) | Qt::AlignAbsolute;
}

} // namespace

void TCustomLeanStringTree::DrawCellText(QPainter& Canvas, const QRect& R, const QString& Text,
                                         int Flags) {
    Canvas.drawText(R, Flags, Text);
}

void TCustomLeanStringTree::PrepareTextFont(QPainter& Canvas, const TLTPaintInfo& PaintInfo) {
    PLeanNode node = PaintInfo.Node;
    QFont f = font();
    QColor color = ColorToQColor(clWindowText);
    if (HasPaint(TLTPaintOption::toHotTrack) && node == HotNode()) {
        f.setUnderline(true);
        color = ColorToQColor(Colors().Get(TLTColors::HotColor));
    }
    // Selection colours only where the selection (or the drop target) is drawn.
    bool selected = node->States & vsSelected;
    if (PaintInfo.PaintOptions.Contains(TLTInternalPaintOption::poDrawSelection) &&
        IsSelectionColumn(PaintInfo.Column)) {
        bool highlight = node == DropTargetNode()
                             ? LastDropMode() == dmOnNode || selected
                             : selected && (hasFocus() || HasPaint(TLTPaintOption::toPopupMode));
        if (highlight)
            color = ColorToQColor(clHighlightText);
    }
    if ((node->States & vsDisabled) || !isEnabled())
        color = ColorToQColor(Colors().Get(TLTColors::DisabledColor));
    Canvas.setFont(f);
    Canvas.setPen(color);
}

void TCustomLeanStringTree::PaintNormalText(TLTPaintInfo& PaintInfo, const QString& Text) {
    QPainter& c = *PaintInfo.Canvas;
    PLeanNode node = PaintInfo.Node;
    bool rtl = PaintInfo.BidiMode != bdLeftToRight;
    QRect r = PaintInfo.ContentRect.adjusted(TextMargin(), 0, -TextMargin(), 0);
    PrepareTextFont(c, PaintInfo);
    FFontChanged = false;
    DoPaintText(c, node, PaintInfo.Column, ttNormal);
    if ((node->States & vsDisabled) || !isEnabled())
        c.setPen(ColorToQColor(Colors().Get(TLTColors::DisabledColor)));
    int nodeWidth = PaintInfo.NodeWidth;
    if (FFontChanged) {
        // The host changed the font: measure in it.
        nodeWidth = 2 * TextMargin() + TextWidth(&c, node, PaintInfo.Column, Text);
        PaintInfo.NodeWidth = nodeWidth;
    }
    int flags = 0;
    QString shown = Text;
    if (node->States & vsMultiline) {
        // Wrapped from the top; only whole lines show, the last of them ending in "..." when
        // the text goes on.
        flags = CellAlignFlag(PaintInfo) | Qt::AlignTop | Qt::TextWordWrap;
        shown = FitWrappedText(c.font(), Text, r.width(), r.height());
        c.save();
        c.setClipRect(r, Qt::IntersectClip);
        DrawCellText(c, r, shown, flags);
        c.restore();
        return;
    }
    flags = Qt::AlignVCenter | Qt::TextSingleLine;
    bool noColumns = !Header().UseColumns();
    // A text measured only up to MaxTextWidth is wider than any cell: always shortened.
    bool measuredWhole = nodeWidth - 2 * TextMargin() < MaxTextWidth;
    if (measuredWhole && (noColumns || nodeWidth - 2 * TextMargin() <= r.width())) {
        flags |= CellAlignFlag(PaintInfo);
    } else if (r.width() <= 0) {
        return; // no room: none of it shows (a caption of megabytes is not laid out whole)
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
    PrepareTextFont(c, PaintInfo);
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
    // The text is clipped to the rest of the cell: only what reaches over it is drawn.
    const qsizetype shown =
        MeasureUpTo(CellMeasure(&c, node, PaintInfo.Column), Text, r.width(), rtl).Length;
    DrawCellText(c, r, rtl ? Text.right(shown) : Text.left(shown),
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

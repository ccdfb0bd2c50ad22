// Painting of the header row: cell faces, the layout of column image, text and sort glyph,
// the drop mark of a column drag, the host's own and advanced header drawing, and fixed
// columns lying over the scrolled ones.
#include <QPainter>
#include <algorithm>

#include "controls/tree/leantree.h"
#include "controls/tree/treeheader.h"
#include "controls/tree/treehelpers.h"
#include "controls/tree/treetextfit.h"
#include "platform/gui/qtcolors.h"
#include "platform/gui/themes.h"

using enum TLTHeaderOption;
using enum TLTColumnOption;
using enum THeaderPaintElement;

namespace {

// The sort arrow: pointing up for ascending, down for descending, filled.
void DrawSortGlyph(QPainter& p, QPoint At, TSortDirection Direction, const QColor& Color) {
    int w = SortGlyphSize.width(), h = SortGlyphSize.height();
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(Color);
    p.setRenderHint(QPainter::Antialiasing, false);
    // Rows of shrinking width give a crisp triangle at any size.
    for (int row = 0; row < h; ++row) {
        int half = (w / 2) * row / std::max(1, h - 1);
        int y = Direction == sdAscending ? At.y() + row : At.y() + h - 1 - row;
        p.drawRect(QRect(At.x() + w / 2 - half, y, 2 * half + 1, 1));
    }
    p.restore();
}

// Header faces come from the theme when the tree paints themed.
bool UseThemes(const TBaseLeanTree& Tree) {
    return ThemesEnabled() && Tree.HasPaint(TLTPaintOption::toThemeAware);
}

int TextAlignFlags(TAlignment Alignment, bool RightToLeft) {
    if (Alignment == taCenter)
        return Qt::AlignHCenter;
    bool right = (Alignment == taRightJustify) != RightToLeft;
    return right ? Qt::AlignRight : Qt::AlignLeft;
}

} // namespace

THeaderLayout TLeanTreeColumn::ComputeHeaderLayout(const QFontMetrics& Metrics, const QRect& Client,
                                                   bool UseHeaderGlyph, bool UseSortGlyph) const {
    const auto& images = owner_->Header()->Images();
    bool glyph = UseHeaderGlyph && images;
    bool text = !text_.empty();
    int gw = glyph ? images->Width() : 0, gh = glyph ? images->Height() : 0;
    int sw = UseSortGlyph ? SortGlyphSize.width() : 0, sh = SortGlyphSize.height();
    int th = Metrics.height();
    int gap = glyph && text ? spacing_ : 0; // between the image and the text
    bool vertical = layout_ == blGlyphTop || layout_ == blGlyphBottom;
    int sortRoom = UseSortGlyph ? spacing_ + sw : 0;
    int room = Client.width() - 2 * margin_;
    // The text gives way when the whole does not fit between the margins: it is measured only
    // as far as there is room.
    int others = (vertical ? 0 : gw + gap) + sortRoom;
    int textRoom = std::max(room - others, 0);
    int tw = 0;
    if (text) {
        const QString caption = QString::fromStdString(text_);
        tw = std::min(MeasureUpTo(TextWidthOf(Metrics), caption, textRoom).Width, textRoom);
    }
    int blockWidth = vertical ? std::max(gw, tw) : gw + gap + tw;
    int blockHeight = vertical ? gh + gap + th : std::max(gh, th);
    int all = blockWidth + sortRoom;
    int x = Client.left() + margin_;
    if (alignment_ == taRightJustify)
        x = Client.right() + 1 - margin_ - all;
    else if (alignment_ == taCenter)
        x = Client.left() + (Client.width() - all) / 2;
    // Vertical centring by half the free height, rounded toward zero.
    auto centre = [&](int height) { return Client.top() + (Client.height() - height) / 2; };
    THeaderLayout r;
    int textX = x, textY = centre(th);
    switch (layout_) {
    case blGlyphLeft:
        r.GlyphPos = QPoint(x, centre(gh));
        textX = x + gw + gap;
        break;
    case blGlyphRight:
        r.GlyphPos = QPoint(x + tw + gap, centre(gh));
        break;
    case blGlyphTop:
    case blGlyphBottom: {
        int top = centre(blockHeight);
        int glyphY = layout_ == blGlyphTop ? top : top + th + gap;
        textY = layout_ == blGlyphTop ? top + gh + gap : top;
        r.GlyphPos = QPoint(x + (blockWidth - gw) / 2, glyphY);
        textX = x + (blockWidth - tw) / 2;
        break;
    }
    }
    r.TextBounds = QRect(textX, textY, tw, th);
    r.SortGlyphPos = QPoint(x + blockWidth + spacing_, centre(sh));
    if (bidi_ != bdLeftToRight) {
        // Right-to-left reading: the mirror image within the cell.
        auto mirror = [&](int left, int width) {
            return 2 * Client.left() + Client.width() - left - width;
        };
        r.GlyphPos.setX(mirror(r.GlyphPos.x(), gw));
        r.SortGlyphPos.setX(mirror(r.SortGlyphPos.x(), sw));
        r.TextBounds.moveLeft(mirror(r.TextBounds.left(), tw));
    }
    return r;
}

void TLTHeader::Paint(QPainter& p, const QRect& r) {
    bool advanced = options_.Contains(hoOwnerDraw) && tree_->OnHeaderDrawQueryElements &&
                    tree_->OnAdvancedHeaderDraw;
    // Background right of the last column.
    std::vector<TColumnIndex> order = columns_->GetPaintOrder();
    int right = 0;
    for (TColumnIndex i : order) {
        const TLeanTreeColumn& c = columns_->Items(i);
        right = std::max(right, c.GetLeft() + c.Width());
    }
    QRect rest(right, 0, std::max({area_->width(), r.right() + 1}) - right, height_);
    if (rest.width() > 0 && rest.intersects(r))
        PaintBackground(p, rest, advanced);
    p.setFont(font_);
    // Scrolling columns show only between the fixed ones, which are painted last.
    int areaLeft, areaRight;
    columns_->GetScrolledArea(areaLeft, areaRight);
    QRect scrolled(areaLeft, 0, areaRight - areaLeft, height_);
    TColumnIndex last = columns_->GetLastVisibleColumn();
    for (TColumnIndex i : order) {
        TLeanTreeColumn& c = columns_->Items(i);
        QRect cell(c.GetLeft(), 0, c.Width(), height_);
        QRect clip = cell;
        if (columns_->GetColumnPlace(i) == TColumnPlace::cpScrolled)
            clip &= scrolled;
        if (!clip.intersects(r))
            continue;
        p.save();
        p.setClipRect(clip, Qt::IntersectClip);
        PaintColumn(p, c, cell, advanced, i == last);
        p.restore();
    }
}

void TLTHeader::PaintBackground(QPainter& p, const QRect& Rest, bool Advanced) {
    if (Advanced) {
        THeaderPaintInfo info;
        info.TargetCanvas = &p;
        info.PaintRectangle = Rest;
        info.ShowRightBorder = false;
        THeaderPaintElements elements;
        tree_->DoHeaderDrawQueryElements(info, elements);
        if (elements.Contains(hpeBackground)) {
            tree_->DoAdvancedHeaderDraw(info, THeaderPaintElements{hpeBackground});
            return;
        }
    }
    // The theme's face comes before the own XP one.
    if (UseThemes(*tree_))
        DrawHeaderItem(p, Rest, TThemeState::Normal);
    else if (style_ == hsXPStyle)
        DrawXPButton(p, Rest, false, false, false); // a resting face, no splitter
    else
        p.fillRect(Rest, ColorToQColor(background_));
}

void TLTHeader::PaintColumn(QPainter& p, TLeanTreeColumn& c, const QRect& Cell, bool Advanced,
                            bool Last) {
    TColumnIndex i = c.Index();
    bool down = i == columns_->DownIndex || i == columns_->ClickIndex;
    bool hover = i == columns_->HoverIndex && c.Options().Contains(coAllowClick);
    bool enabled = c.Options().Contains(coEnabled);
    TLTDropMarkMode mark = i == columns_->DropTarget && c.Options().Contains(coShowDropMark)
                               ? (columns_->DropBefore ? dmmLeft : dmmRight)
                               : dmmNone;
    if (!Advanced && options_.Contains(hoOwnerDraw) && tree_->OnHeaderDraw) {
        tree_->DoHeaderDraw(p, &c, Cell, hover, down, mark);
        return;
    }
    const auto& images = Images();
    bool showGlyph = options_.Contains(hoShowImages) && images && c.ImageIndex() >= 0 &&
                     c.ImageIndex() < images->Count();
    bool showSort = options_.Contains(hoShowSortGlyphs) && i == sortColumn_;
    THeaderLayout layout = c.ComputeHeaderLayout(p.fontMetrics(), Cell, showGlyph, showSort);
    if (down) { // a pressed cell's content moves down and right by a pixel
        layout.GlyphPos += QPoint(1, 1);
        layout.SortGlyphPos += QPoint(1, 1);
        layout.TextBounds.translate(1, 1);
    }
    THeaderPaintInfo info;
    info.TargetCanvas = &p;
    info.Column = &c;
    info.PaintRectangle = Cell;
    info.TextRectangle = layout.TextBounds;
    info.IsHoverIndex = hover;
    info.IsDownIndex = down;
    info.IsEnabled = enabled;
    info.ShowHeaderGlyph = showGlyph;
    info.ShowSortGlyph = showSort;
    info.ShowRightBorder = !Last;
    info.DropMark = mark;
    info.GlyphPos = layout.GlyphPos;
    info.SortGlyphPos = layout.SortGlyphPos;
    THeaderPaintElements host;
    if (Advanced)
        tree_->DoHeaderDrawQueryElements(info, host);
    if (host.Contains(hpeBackground))
        tree_->DoAdvancedHeaderDraw(info, THeaderPaintElements{hpeBackground});
    else if (UseThemes(*tree_))
        DrawHeaderItem(p, Cell,
                       down    ? TThemeState::Pressed
                       : hover ? TThemeState::Hot
                               : TThemeState::Normal);
    else if (style_ == hsXPStyle)
        DrawXPButton(p, Cell, true, down, hover);
    else
        DrawHeaderEdge(p, Cell, style_, down, hover, !Last);
    if (showGlyph && !host.Contains(hpeHeaderGlyph))
        images->Draw(p, layout.GlyphPos.x(), layout.GlyphPos.y(), c.ImageIndex(), !enabled);
    if (!host.Contains(hpeText) && !layout.TextBounds.isEmpty()) {
        // A text that does not fit ends in an ellipsis; disabled text is drawn embossed.
        const QRect& t = layout.TextBounds;
        QString s = ShortenString(p.fontMetrics(), QString::fromStdString(c.Text()), t.width());
        int align = Qt::AlignVCenter | TextAlignFlags(c.Alignment(), c.BiDiMode() != bdLeftToRight);
        if (!enabled) {
            p.setPen(ColorToQColor(clBtnHighlight));
            p.drawText(t.translated(1, 1), align, s);
            p.setPen(ColorToQColor(clBtnShadow));
        } else {
            p.setPen(hover ? ColorToQColor(tree_->Colors().Get(TLTColors::HeaderHotColor))
                           : ColorToQColor(FontColor));
        }
        p.drawText(t, align, s);
    }
    if (showSort && !host.Contains(hpeSortGlyph))
        DrawSortGlyph(p, layout.SortGlyphPos, sortDirection_, ColorToQColor(clBtnShadow));
    if (mark != dmmNone && !host.Contains(hpeDropMark)) {
        int x = mark == dmmLeft ? Cell.left() : Cell.right() - 1;
        p.fillRect(QRect(x, Cell.top(), 2, Cell.height()),
                   ColorToQColor(tree_->Colors().Get(TLTColors::DropMarkColor)));
    }
    THeaderPaintElements rest = host - hpeBackground;
    if (!rest.Empty())
        tree_->DoAdvancedHeaderDraw(info, rest);
}

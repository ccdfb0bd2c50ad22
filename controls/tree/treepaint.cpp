// Painting of the tree: the paint event, PaintTree over the rows that meet a rectangle, and
// the per-cell painters (lines, buttons, check images, selection, focus rectangle, grid lines,
// background picture); the look settings themselves are TLeanTreeLook's (treelook.cpp).
#include <QPaintEvent>
#include <algorithm>

#include "controls/tree/leantree.h"
#include "controls/tree/treeanimation.h"
#include "controls/tree/treeheader.h"
#include "controls/tree/treehelpers.h"
#include "platform/gui/qtcolors.h"
#include "platform/gui/themes.h"

using enum TLeanTreeState;
using enum TLTPaintOption;
using enum TLTSelectionOption;
using enum TLTMiscOption;
using enum TLTAutoOption;
using enum TLTInternalPaintOption;

namespace {

QColor Q(TColor c) {
    return ColorToQColor(c);
}

// The background picture over R (tree colour around a static one): rows and the area below them.
void PaintBackgroundPicture(const TBaseLeanTree& Tree, QPainter& Canvas, const QRect& R) {
    if (Tree.HasPaint(TLTPaintOption::toStaticBackground))
        PaintStaticBackground(Canvas, R, Tree.Background(),
                              QPoint(Tree.BackgroundOffsetX() - Tree.OffsetX(),
                                     Tree.BackgroundOffsetY() - Tree.OffsetY()),
                              Q(Tree.Color()));
    else
        PaintTiledBackground(Canvas, R, Tree.Background(), Tree.BackgroundOffsetX(),
                             Tree.BackgroundOffsetY());
}

} // namespace

// ---- properties ----

void TBaseLeanTree::SetBorderStyle(TBorderStyle Value) {
    if (Value == BorderStyle())
        return;
    setFrameShape(Value == bsSingle ? StyledPanel : NoFrame);
    UpdateHeaderRect(); // the header sits inside the frame
    UpdateScrollBars(true);
}

// ---- bitmaps and lines ----

void TBaseLeanTree::SetTopNode(PLeanNode Node) {
    if (!Node || Node == FRoot)
        return;
    for (PLeanNode p = Node->Parent; p != FRoot; p = p->Parent)
        if (!(p->States & vsExpanded))
            ToggleNode(p);
    QRect r = GetDisplayRect(Node, FHeader->UseColumns() ? FHeader->MainColumn() : NoColumn, false);
    SetOffsetY(FOffsetY - r.top());
}

int TBaseLeanTree::DetermineLineImageAndSelectLevel(PLeanNode Node,
                                                    std::vector<TLTLineType>& LineImage) const {
    std::vector<PLeanNode> chain;
    int selected = 0;
    for (PLeanNode n = Node; n != FRoot; n = n->Parent) {
        chain.push_back(n);
        if (n != Node && (n->States & vsSelected))
            ++selected;
    }
    std::reverse(chain.begin(), chain.end());
    if (!HasPaint(toShowRoot))
        chain.erase(chain.begin());
    LineImage.assign(chain.size(), ltNone);
    if (!HasPaint(toShowTreeLines))
        return selected; // no lines; the entry count still places the button
    for (size_t i = 0; i + 1 < chain.size(); ++i)
        LineImage[i] = HasVisibleNextSibling(chain[i]) ? ltTopDown : ltNone;
    if (!chain.empty()) {
        bool next = HasVisibleNextSibling(Node);
        bool firstTop = Node->Parent == FRoot && GetPreviousVisibleSiblingNoInit(Node) == nullptr;
        if (firstTop)
            LineImage.back() = next ? ltBottomRight : ltRight;
        else
            LineImage.back() = next ? ltTopDownRight : ltTopRight;
    }
    return selected;
}

// ---- painting ----

void TBaseLeanTree::paintEvent(QPaintEvent* e) {
    QPainter p(viewport());
    QRect update = e->rect();
    if (FToggleAnimation)
        return FToggleAnimation->Paint(p, update);
    PaintTree(p, update.translated(-FOffsetX, -FOffsetY), update.topLeft(), AllPaintOptions);
}

void TBaseLeanTree::DrawHorizontalLine(QPainter& Canvas, int Left, int Right, int Y) {
    if (Right < Left)
        std::swap(Left, Right);
    Canvas.fillRect(QRect(Left, Y, Right - Left + 1, 1), Canvas.brush());
}

void TBaseLeanTree::DrawVerticalLine(QPainter& Canvas, int Top, int Bottom, int X) {
    if (Bottom < Top)
        std::swap(Top, Bottom);
    Canvas.fillRect(QRect(X, Top, 1, Bottom - Top + 1), Canvas.brush());
}

void TBaseLeanTree::PaintTreeLines(const TLTPaintInfo& PaintInfo, int IndentSize) {
    QPainter& c = *PaintInfo.Canvas;
    const QRect& cell = PaintInfo.CellRect;
    bool rtl = PaintInfo.BidiMode != bdLeftToRight;
    int indent = int(FIndent);
    int cy = cell.top() + PaintInfo.CentreY; // the arm meets the button's centre
    c.setBrush(FLineMode == lmBands ? QBrush(Q(FColors->Get(TLTColors::GridLineColor)))
                                    : FLineBrush);
    int levels = int(PaintInfo.LineImage.size());
    // A node whose shown children follow keeps its band open below its row.
    bool openBelow = PaintInfo.Node && (PaintInfo.Node->States & vsExpanded) &&
                     !(PaintInfo.Node->States & vsAllChildrenHidden);
    for (int i = 0; i < IndentSize && i < levels; ++i) {
        TLTLineType t = PaintInfo.LineImage[size_t(i)];
        int x0 = rtl ? cell.right() + 1 - (i + 1) * indent : cell.left() + i * indent;
        int x1 = x0 + indent - 1;
        int cx = x0 + indent / 2;
        int hl = rtl ? x0 : cx, hr = rtl ? cx : x1; // the horizontal arm toward the content
        if (FLineMode == lmBands) {
            // Bands: a line along each level's leading edge, closed below the level's last node
            // and its shown children.
            if (i == levels - 1 && openBelow)
                t = ltLeft;
            else if (t == ltTopRight || t == ltRight)
                t = ltLeftBottom;
            else if (t == ltTopDown || t == ltTopDownRight || t == ltBottomRight)
                t = ltLeft;
            if (t == ltLeft || t == ltLeftBottom)
                DrawVerticalLine(c, cell.top(), cell.bottom(), rtl ? x1 : x0);
            if (t == ltLeftBottom)
                DrawHorizontalLine(c, x0, x1, cell.bottom());
            continue;
        }
        switch (t) {
        case ltTopDown:
            DrawVerticalLine(c, cell.top(), cell.bottom(), cx);
            break;
        case ltTopDownRight:
            DrawVerticalLine(c, cell.top(), cell.bottom(), cx);
            DrawHorizontalLine(c, hl, hr, cy);
            break;
        case ltTopRight:
            DrawVerticalLine(c, cell.top(), cy, cx);
            DrawHorizontalLine(c, hl, hr, cy);
            break;
        case ltBottomRight:
            DrawVerticalLine(c, cy, cell.bottom(), cx);
            DrawHorizontalLine(c, hl, hr, cy);
            break;
        case ltRight:
            DrawHorizontalLine(c, hl, hr, cy);
            break;
        case ltLeft:
            DrawVerticalLine(c, cell.top(), cell.bottom(), rtl ? x1 : x0);
            break;
        case ltLeftBottom:
            DrawVerticalLine(c, cell.top(), cell.bottom(), rtl ? x1 : x0);
            DrawHorizontalLine(c, x0, x1, cell.bottom());
            break;
        case ltNone:
            break;
        }
    }
}

void TBaseLeanTree::PaintNodeButton(QPainter& Canvas, PLeanNode Node, bool RightToLeft,
                                    const QRect& CellRect, int ButtonX, int ButtonY) {
    const QImage& bm = (Node->States & vsExpanded) ? MinusBitmap() : PlusBitmap();
    int x = RightToLeft ? CellRect.right() + 1 - ButtonX - bm.width() : CellRect.left() + ButtonX;
    Canvas.drawImage(x, CellRect.top() + ButtonY, bm);
}

void TBaseLeanTree::PaintCheckImage(const TLTPaintInfo& PaintInfo) {
    const auto& list = FCheckImages.List();
    int index = GetCheckImage(PaintInfo.Node);
    if (!list || index < 0 || PaintInfo.CheckX < 0)
        return;
    const QRect& cell = PaintInfo.CellRect;
    int x = PaintInfo.BidiMode != bdLeftToRight
                ? cell.right() + 1 - PaintInfo.CheckX - list->Width()
                : cell.left() + PaintInfo.CheckX;
    list->Draw(*PaintInfo.Canvas, x, cell.top() + PaintInfo.CentreY - list->Height() / 2, index,
               false);
}

void TBaseLeanTree::PaintDropMark(QPainter& Canvas, PLeanNode, const QRect& R) {
    if ((FLastDropMode != dmAbove && FLastDropMode != dmBelow) || R.width() < 2)
        return;
    // A two-pixel bar along the edge, widening to six pixels at both ends.
    QColor mark = Q(FColors->Get(TLTColors::DropMarkColor));
    bool above = FLastDropMode == dmAbove;
    auto strip = [&](int x, int width, int height) {
        height = std::min(height, R.height());
        int y = above ? R.top() : R.bottom() + 1 - height;
        Canvas.fillRect(QRect(x, y, width, height), mark);
    };
    strip(R.left(), R.width(), 2);
    int ends = std::min(4, R.width() / 2);
    for (int i = 0; i < ends; ++i) {
        strip(R.left() + i, 1, 6 - i);
        strip(R.right() - i, 1, 6 - i);
    }
}

void TBaseLeanTree::AdjustPaintCellRect(TLTPaintInfo& PaintInfo, TColumnIndex& NextNonEmpty) {
    auto& cols = FHeader->Columns();
    NextNonEmpty = cols.IsValidColumn(PaintInfo.Column)
                       ? cols.GetNextVisibleColumn(PaintInfo.Column)
                       : NoColumn;
    if (!HasAuto(toAutoSpanColumns) || !FHeader->UseColumns() ||
        !cols.IsValidColumn(PaintInfo.Column) || PaintInfo.BidiMode != bdLeftToRight)
        return;
    while (NextNonEmpty >= 0) {
        const auto& next = cols.Items(NextNonEmpty);
        // A span stays within its group: scrolling columns, or the fixed ones on either side.
        if (next.BiDiMode() != bdLeftToRight ||
            cols.GetColumnPlace(NextNonEmpty) != cols.GetColumnPlace(PaintInfo.Column) ||
            !DoGetCellIsEmpty(PaintInfo.Node, NextNonEmpty))
            break;
        PaintInfo.CellRect.setWidth(PaintInfo.CellRect.width() + next.Width());
        NextNonEmpty = cols.GetNextVisibleColumn(NextNonEmpty);
    }
}

void TBaseLeanTree::DoPaintNode(TLTPaintInfo&) {}

bool TBaseLeanTree::IsSelectionColumn(TColumnIndex Column) const {
    if (!FHeader->UseColumns() || HasSelection(toFullRowSelect) || Column == FFocusedColumn)
        return true;
    auto& cols = FHeader->Columns();
    bool focusShown = cols.IsValidColumn(FFocusedColumn) && cols.Items(FFocusedColumn).Visible();
    return !focusShown && Column == FHeader->MainColumn();
}

void TBaseLeanTree::PaintSelectionRectangle(QPainter& Canvas, int, const QRect& Rect,
                                            const QRect& VisibleRect) {
    QRect r = OrderRect(Rect) & VisibleRect;
    if (r.isEmpty())
        return;
    if (FDrawSelectionMode == smBlendedRectangle || FStates.Contains(tsUseThemes)) {
        BlendRect(Canvas, r, Q(FColors->Get(TLTColors::SelectionRectangleBlendColor)),
                  SelectionBlendFactor);
        Canvas.setPen(Q(FColors->Get(TLTColors::SelectionRectangleBorderColor)));
        Canvas.setBrush(Qt::NoBrush);
        Canvas.drawRect(OrderRect(Rect).adjusted(0, 0, -1, -1));
    } else {
        Canvas.save();
        Canvas.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        DrawDottedFrame(Canvas, OrderRect(Rect), Qt::white);
        Canvas.restore();
    }
}

void TBaseLeanTree::PaintBackgroundArea(QPainter& Canvas, const QRect& R) {
    if (R.isEmpty())
        return;
    bool handled = false;
    if (OnPaintBackground)
        OnPaintBackground(this, Canvas, R, handled);
    if (handled)
        return;
    if (HasPaint(toShowBackground) && !FBackground.isNull()) {
        PaintBackgroundPicture(*this, Canvas, R);
        return;
    }
    Canvas.fillRect(R, Q(FColor));
    if (!FHeader->UseColumns())
        return;
    auto& cols = FHeader->Columns();
    // Scrolling columns only between the fixed ones, which lie over them.
    int areaLeft, areaRight;
    cols.GetScrolledArea(areaLeft, areaRight);
    QRect area(areaLeft - FOffsetX, R.top(), areaRight - areaLeft, R.height());
    for (TColumnIndex c : cols.GetPaintOrder()) {
        const auto& col = cols.Items(c);
        QRect strip(col.GetLeft() - FOffsetX, R.top(), col.Width(), R.height());
        QRect clip = strip & R;
        if (cols.GetColumnPlace(c) == TColumnPlace::cpScrolled)
            clip &= area;
        bool parent = col.Options().Contains(TLTColumnOption::coParentColor);
        Canvas.fillRect(clip, Q(parent ? FColor : col.Color()));
        bool autoLast = FHeader->Options().Contains(TLTHeaderOption::hoAutoResize) &&
                        c == FHeader->AutoSizeIndex();
        if (HasPaint(toShowVertGridLines) && !autoLast)
            Canvas.fillRect(QRect(strip.right(), R.top(), 1, R.height()) & clip,
                            Q(FColors->Get(TLTColors::GridLineColor)));
    }
}

void TBaseLeanTree::ItemErase(QPainter& Canvas, PLeanNode Node, const QRect& R, bool Selected,
                              bool Focused, const QRect& Window) {
    TColor color = FColor;
    TItemEraseAction action = eaDefault;
    if (OnBeforeItemErase)
        OnBeforeItemErase(this, Canvas, Node, R, color, action);
    if (action == eaColor) {
        Canvas.fillRect(R, Q(color));
    } else if (action == eaDefault) {
        // The picture first, when shown (OnPaintBackground is for below the rows); a selected
        // row's band goes over it so that the row stays visible and its highlight text readable.
        bool picture = HasPaint(toShowBackground) && !FBackground.isNull();
        if (picture)
            PaintBackgroundPicture(*this, Canvas, R);
        if (Selected && HasSelection(toFullRowSelect) && !HasPaint(toUseBlendedSelection)) {
            if (!picture)
                Canvas.fillRect(R, Q(FColor));
            QRect band(std::min(0, Window.left()), R.top(),
                       std::max({ClientWidth(), FRangeX, Window.right() + 1}) -
                           std::min(0, Window.left()),
                       R.height() - (HasPaint(toShowHorzGridLines) ? 1 : 0));
            auto fill =
                Focused ? TLTColors::FocusedSelectionColor : TLTColors::UnfocusedSelectionColor;
            auto border = Focused ? TLTColors::FocusedSelectionBorderColor
                                  : TLTColors::UnfocusedSelectionBorderColor;
            Canvas.setPen(Q(FColors->Get(border)));
            Canvas.setBrush(Q(FColors->Get(fill)));
            if (FSelectionCurveRadius > 0) {
                Canvas.setRenderHint(QPainter::Antialiasing, true);
                Canvas.drawRoundedRect(QRectF(band).adjusted(0.5, 0.5, -0.5, -0.5),
                                       FSelectionCurveRadius, FSelectionCurveRadius);
                Canvas.setRenderHint(QPainter::Antialiasing, false);
            } else {
                Canvas.drawRect(band.adjusted(0, 0, -1, -1));
            }
        } else if (!picture) {
            Canvas.fillRect(R, Q(color));
        }
    }
    if (OnAfterItemErase)
        OnAfterItemErase(this, Canvas, Node, R);
}

void TBaseLeanTree::PaintTree(QPainter& TargetCanvas, QRect Window, QPoint Target,
                              TLTInternalPaintOptions PaintOptions) {
    if (Window.isEmpty())
        return;
    DoStateChange(tsPainting);
    if (OnBeforePaint)
        OnBeforePaint(this, TargetCanvas);
    bool themed = HasPaint(toThemeAware) && ThemesEnabled();
    if (!FButtonsValid || FButtonsThemed != themed)
        PrepareBitmaps(true, false);
    if (!FLinesValid)
        PrepareBitmaps(false, true);
    bool focused = hasFocus();
    bool selFocused = focused || HasPaint(toPopupMode); // selection drawn as focused
    if (HasPaint(toAlwaysHideSelection) || (HasPaint(toHideSelection) && !focused))
        PaintOptions -= poDrawSelection;
    if (HasPaint(toHideFocusRect))
        PaintOptions -= poDrawFocusRect;

    QPainter& c = TargetCanvas;
    c.save();
    c.translate(Target - Window.topLeft()); // from here on, tree coordinates
    c.setClipRect(Window, Qt::IntersectClip);
    c.setRenderHint(QPainter::Antialiasing, false);
    QRect band = OrderRect(CurrentSelectionRect());
    bool drawBand = FStates.Intersects({tsDrawSelecting, tsDrawSelPending}) && !band.isEmpty() &&
                    band.intersects(Window);

    auto& cols = FHeader->Columns();
    bool useColumns = FHeader->UseColumns();
    // Scrolling columns first, clipped to the room between the fixed ones; the fixed ones last.
    std::vector<TColumnIndex> columns =
        useColumns ? cols.GetPaintOrder() : std::vector<TColumnIndex>{NoColumn};
    std::vector<bool> scrolls(size_t(cols.Count()));
    int areaLeft = 0, areaRight = 0;
    if (useColumns) {
        cols.GetScrolledArea(areaLeft, areaRight);
        for (TColumnIndex col : columns)
            scrolls[size_t(col)] = cols.GetColumnPlace(col) == TColumnPlace::cpScrolled;
    }
    TColumnIndex mainColumn = useColumns ? FHeader->MainColumn() : NoColumn;
    bool checkImages = HasMisc(toCheckSupport) && FCheckImages.List();
    bool spanning = useColumns && HasAuto(toAutoSpanColumns);
    int showRoot = HasPaint(toShowRoot) ? 1 : 0;
    int fullWidth = std::max({ClientWidth(), FRangeX, Window.right() + 1});
    QColor gridColor = Q(FColors->Get(TLTColors::GridLineColor));
    auto selColor = Q(FColors->Get(selFocused ? TLTColors::FocusedSelectionColor
                                              : TLTColors::UnfocusedSelectionColor));
    auto selBorder = Q(FColors->Get(selFocused ? TLTColors::FocusedSelectionBorderColor
                                               : TLTColors::UnfocusedSelectionBorderColor));

    int top = 0;
    PLeanNode node = GetNodeAt(0, Window.top(), false, top);
    TLTPaintInfo info;
    info.Canvas = &c;
    while (node && top <= Window.bottom()) {
        InitIfNeeded(node);
        if (HasMisc(toVariableNodeHeight) && !(node->States & vsHeightMeasured))
            MeasureItemHeight(&c, node);
        int h = int(node->NodeHeight);
        int selectLevel = DetermineLineImageAndSelectLevel(node, info.LineImage);
        if (node->States & vsSelected)
            ++selectLevel;
        bool paint = !PaintOptions.Contains(poSelectedOnly) || selectLevel > 0;
        QRect rowRect(Window.left(), top, Window.width(), h);
        bool custom = false;
        if (paint && OnBeforeItemPaint)
            OnBeforeItemPaint(this, c, node, rowRect, custom);
        if (paint && !custom) {
            bool selected = (node->States & vsSelected) && PaintOptions.Contains(poDrawSelection);
            ItemErase(c, node, rowRect, selected, selFocused, Window);
            int level = int(GetNodeLevel(node)) + showRoot;
            // The drop target (on the node, or selected) is highlighted in its own colours.
            bool dropTarget = node == FDropTargetNode &&
                              (FLastDropMode == dmOnNode || (node->States & vsSelected));
            info.Node = node;
            std::vector<char> spanned; // columns that a cell on their left extends over
            for (TColumnIndex col : columns) {
                if (col >= 0 && size_t(col) < spanned.size() && spanned[size_t(col)])
                    continue;
                int left = 0, width = fullWidth;
                TBiDiMode bidi = BiDiMode(); // without columns: the tree's reading order
                TAlignment align = FAlignment;
                if (col >= 0) {
                    const auto& column = cols.Items(col);
                    left = column.GetLeft() - FOffsetX;
                    width = column.Width();
                    bidi = column.BiDiMode();
                    align = column.Alignment();
                    if (PaintOptions.Contains(poMainOnly) && col != mainColumn)
                        continue;
                }
                bool isMain = col == mainColumn;
                info.Column = col;
                info.BidiMode = bidi;
                info.Alignment = align;
                info.PaintOptions = PaintOptions;
                if (spanning && col >= 0) {
                    info.CellRect = QRect(left, top, width, h);
                    TColumnIndex next = NoColumn;
                    AdjustPaintCellRect(info, next);
                    width = info.CellRect.width();
                    spanned.resize(size_t(cols.Count()));
                    for (TColumnIndex n = cols.GetNextVisibleColumn(col); n >= 0 && n != next;
                         n = cols.GetNextVisibleColumn(n))
                        spanned[size_t(n)] = 1;
                }
                QRect cell(left, top, width, h);
                QRect clip = cell;
                if (col >= 0 && scrolls[size_t(col)])
                    clip &= QRect(areaLeft - FOffsetX, top, areaRight - areaLeft, h);
                if (clip.left() > Window.right() || clip.right() < Window.left() || clip.isEmpty())
                    continue;
                // The edited cell is the edit column's (the row's only cell without columns).
                bool editing = FStates.Contains(tsEditing) && node == FFocusedNode &&
                               (col == FEditColumn || col == NoColumn);
                if (editing)
                    info.PaintOptions -= poDrawSelection;
                if (col >= 0) {
                    c.save();
                    c.setClipRect(clip, Qt::IntersectClip);
                }
                bool rtl = bidi != bdLeftToRight;
                if (PaintOptions.Contains(poGridLines)) {
                    if (HasPaint(toShowHorzGridLines)) {
                        // Bands draw their own lines in the indentation, on the reading side.
                        int gl = cell.left(), gr = cell.right();
                        int indentation = FLineMode == lmBands && isMain ? level * int(FIndent) : 0;
                        if (rtl)
                            gr -= indentation;
                        else
                            gl += indentation;
                        if (gr >= gl)
                            c.fillRect(QRect(gl, cell.bottom(), gr - gl + 1, 1), gridColor);
                        cell.setBottom(cell.bottom() - 1);
                    }
                    bool autoLast = FHeader->Options().Contains(TLTHeaderOption::hoAutoResize) &&
                                    col == FHeader->Columns().AutoSizeColumn();
                    // An empty right-to-left cell runs on into the cell on its right, as an
                    // empty cell after a left-to-right one is taken into that one.
                    if (col >= 0 && HasPaint(toShowVertGridLines) && !autoLast &&
                        (!rtl || !DoGetCellIsEmpty(node, col))) {
                        c.fillRect(QRect(cell.right(), cell.top(), 1, cell.height() + 1),
                                   gridColor);
                        cell.setRight(cell.right() - 1);
                    }
                }
                info.CellRect = cell;
                if (col >= 0 && PaintOptions.Contains(poColumnColor) &&
                    !cols.Items(col).Options().Contains(TLTColumnOption::coParentColor) &&
                    !(selected && HasSelection(toFullRowSelect)))
                    c.fillRect(cell, Q(cols.Items(col).Color()));
                if (OnBeforeCellPaint)
                    OnBeforeCellPaint(this, c, node, col, cell);
                info.NodeWidth = DoGetNodeWidth(node, col, &c);
                int imagesLeft = isMain ? NodeContentLeft(node) : FMargin;
                PlaceNodeImages(info, imagesLeft);
                int contentLeft = imagesLeft + info.StateImage.Room() + info.NormalImage.Room();
                info.ContentRect = rtl ? cell.adjusted(0, 0, -contentLeft, 0)
                                       : cell.adjusted(contentLeft, 0, 0, 0);
                info.CheckX = -1;
                if (isMain && checkImages && GetCheckImage(node) >= 0)
                    info.CheckX = level * int(FIndent) + FMargin;
                // Selection and focus cover the label, or the whole row under full-row select.
                QRect label = info.ContentRect;
                if (!HasSelection(toFullRowSelect) || col >= 0) {
                    if (rtl)
                        label.setLeft(std::max(label.left(), label.right() + 1 - info.NodeWidth));
                    else
                        label.setWidth(std::min(label.width(), info.NodeWidth));
                }
                if (HasSelection(toFullRowSelect))
                    label = cell;
                bool highlight = (node->States & vsSelected) || dropTarget;
                if (highlight && info.PaintOptions.Contains(poDrawSelection) &&
                    IsSelectionColumn(col)) {
                    QColor fill =
                        dropTarget ? Q(FColors->Get(TLTColors::DropTargetColor)) : selColor;
                    QColor frame =
                        dropTarget ? Q(FColors->Get(TLTColors::DropTargetBorderColor)) : selBorder;
                    if (HasPaint(toUseBlendedSelection)) {
                        BlendRect(c, label, fill, SelectionBlendFactor);
                        c.setPen(frame);
                        c.setBrush(Qt::NoBrush);
                        c.drawRect(label.adjusted(0, 0, -1, -1));
                    } else if ((dropTarget || !HasSelection(toFullRowSelect)) && !label.isEmpty()) {
                        c.setPen(frame);
                        c.setBrush(fill);
                        c.drawRect(label.adjusted(0, 0, -1, -1));
                    }
                }
                if (isMain) {
                    int lineLevels = int(info.LineImage.size());
                    info.ButtonX =
                        (lineLevels - 1) * int(FIndent) + int(FIndent) / 2 - ButtonSize / 2;
                    info.ButtonY = info.CentreY - PlusBitmap().height() / 2;
                    if (HasPaint(toShowTreeLines)) // the band lines as well
                        PaintTreeLines(info, lineLevels);
                    bool button =
                        HasPaint(toShowButtons) && (node->States & vsHasChildren) &&
                        !((node->States & vsAllChildrenHidden) && HasAuto(toAutoHideButtons));
                    if (button && lineLevels > 0)
                        PaintNodeButton(c, node, rtl, cell, info.ButtonX, info.ButtonY);
                    if (info.CheckX >= 0)
                        PaintCheckImage(info);
                }
                PaintImage(info, info.StateImage);
                PaintImage(info, info.NormalImage);
                if (!editing)
                    DoPaintNode(info);
                if (node == FFocusedNode && focused && PaintOptions.Contains(poDrawFocusRect) &&
                    (isMain || HasSelection(toFullRowSelect) || col == FFocusedColumn) &&
                    !label.isEmpty()) {
                    // Inverting dots, visible on any fill.
                    c.save();
                    c.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
                    DrawDottedFrame(c, label, Qt::white);
                    c.restore();
                }
                if (OnAfterCellPaint)
                    OnAfterCellPaint(this, c, node, col, cell);
                if (col >= 0)
                    c.restore();
            }
            if (OnAfterItemPaint)
                OnAfterItemPaint(this, c, node, rowRect);
            if (node == FDropTargetNode && HasPaint(toShowDropmark) &&
                PaintOptions.Contains(poDrawDropMark))
                PaintDropMark(c, node, QRect(0, top, fullWidth, h));
            if (drawBand)
                PaintSelectionRectangle(c, 0, band, rowRect);
        }
        top += h;
        node = GetNextVisibleNoInit(node); // initialised when its row is reached
    }
    if (top <= Window.bottom()) {
        QRect rest(Window.left(), std::max(top, Window.top()), Window.width(),
                   Window.bottom() + 1 - std::max(top, Window.top()));
        PaintBackgroundArea(c, rest);
        if (drawBand)
            PaintSelectionRectangle(c, 0, band, rest);
    }
    c.restore();
    DoStateChange({}, tsPainting);
    if (OnAfterPaint)
        OnAfterPaint(this, TargetCanvas);
}

// How the tree fits into its surroundings: loading stored settings, copying another tree's
// settings, scaling for a new screen resolution, the check image index, ending pending mouse
// actions, the mouse cursor and rendering the tree into an image.
#include <QCursor>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "controls/tree/leantree.h"
#include "controls/tree/treecolumns.h"
#include "controls/tree/treeheader.h"

using enum TLeanTreeState;
using enum TLTMiscOption;

namespace {

// a * m / d rounded to the nearest integer.
int MulDiv(int a, int m, int d) {
    int64_t p = int64_t(a) * m;
    int64_t r = p >= 0 ? (p + d / 2) / d : (p - d / 2) / d;
    return int(std::clamp<int64_t>(r, INT32_MIN, INT32_MAX));
}

void ScaleFont(QFont& f, int M, int D) {
    // Point sizes follow the screen by themselves; pixel sizes do not.
    if (f.pixelSize() > 0)
        f.setPixelSize(std::max(1, MulDiv(f.pixelSize(), M, D)));
}

constexpr int MaxImageExtent = 32767;

} // namespace

void TBaseLeanTree::BeginLoading() {
    FLoading = true;
}

void TBaseLeanTree::Loaded() {
    if (!FLoading)
        return;
    FLoading = false;
    const std::optional<int> resize = std::exchange(FLoadedNodeDataSize, std::nullopt);
    if (resize || FStates.Contains(tsNeedRootCountUpdate)) {
        uint32_t count =
            FStates.Contains(tsNeedRootCountUpdate) ? FLoadedRootCount : FRoot->ChildCount;
        DoStateChange({}, tsNeedRootCountUpdate);
        TLTMiscOptions misc = FOptions->MiscOptions();
        bool readOnly = misc.Contains(toReadOnly);
        if (readOnly)
            FOptions->SetMiscOptions(misc - TLTMiscOptions{toReadOnly});
        BeginUpdate();
        InterruptValidation();
        if (resize) {
            // The nodes present were made with the old size: they are made again.
            Clear();
            FNodeDataSize = *resize;
        }
        SetChildCount(FRoot, count);
        EndUpdate();
        if (readOnly)
            FOptions->SetMiscOptions(misc);
        FLoadedRootCount = 0;
    }
    FHeader->Columns().FixPositions();
    FHeader->Loaded();
    FHeader->RecalculateHeader();
    if (FHeader->Options().Contains(TLTHeaderOption::hoAutoResize))
        FHeader->Columns().AdjustAutoSize(InvalidColumn);
    PrepareBitmaps(true, true);
    UpdateScrollBars(true);
    InvalidateTree();
}

void TBaseLeanTree::Assign(const TBaseLeanTree& Source) {
    if (&Source == this)
        return;
    BeginUpdate();
    SetAlignment(Source.FAlignment);
    SetAnimationDuration(Source.FAnimationDuration);
    AutoExpandDelay = Source.AutoExpandDelay;
    AutoScrollDelay = Source.AutoScrollDelay;
    AutoScrollInterval = Source.AutoScrollInterval;
    SetBackground(Source.FBackground);
    SetBackgroundOffsetX(Source.FBackgroundOffsetX);
    SetBackgroundOffsetY(Source.FBackgroundOffsetY);
    SetBorderStyle(Source.BorderStyle());
    SetButtonFillMode(Source.FButtonFillMode);
    SetButtonStyle(Source.FButtonStyle);
    ChangeDelay = Source.ChangeDelay;
    FColors->Assign(*Source.FColors);
    SetColor(Source.FColor);
    SetDefaultNodeHeight(Source.FDefaultNodeHeight);
    DefaultPasteMode = Source.DefaultPasteMode;
    DragImageKind = Source.DragImageKind;
    DragWidth = Source.DragWidth;
    DragHeight = Source.DragHeight;
    DragOperations = Source.DragOperations;
    DragType = Source.DragType;
    DragMode = Source.DragMode;
    SetDrawSelectionMode(Source.FDrawSelectionMode);
    EditDelay = Source.EditDelay;
    HintMode = Source.HintMode;
    HintAnimation = Source.HintAnimation;
    Hint = Source.Hint;
    Cursor = Source.Cursor;
    HotCursor = Source.HotCursor;
    SetIncrementalSearch(Source.FIncrementalSearch);
    IncrementalSearchDirection = Source.IncrementalSearchDirection;
    IncrementalSearchStart = Source.IncrementalSearchStart;
    IncrementalSearchTimeout = Source.IncrementalSearchTimeout;
    SetIndent(Source.FIndent);
    SetLineMode(Source.FLineMode);
    SetLineStyle(Source.FLineStyle);
    SetMargin(Source.FMargin);
    SetTextMargin(Source.FTextMargin);
    SetNodeAlignment(Source.FNodeAlignment);
    SelectionBlendFactor = Source.SelectionBlendFactor;
    SetSelectionCurveRadius(Source.FSelectionCurveRadius);
    SetCustomCheckImages(Source.CustomCheckImages());
    SetCheckImageKind(Source.FCheckImageKind);
    FScrollBarOptions->Assign(*Source.FScrollBarOptions);
    FOptions->Assign(*Source.FOptions);
    FClipboardFormats.Assign(Source.FClipboardFormats.Names()); // names this class accepts
    FHeader->Assign(*Source.FHeader);
    EndUpdate();
    InvalidateTree();
}

void TBaseLeanTree::ChangeScale(int M, int D) {
    if (M == D || M <= 0 || D <= 0 ||
        !FOptions->AutoOptions().Contains(TLTAutoOption::toAutoChangeScale))
        return;
    if (FLoading && !FStates.Contains(tsNeedScale))
        return;
    SetDefaultNodeHeight(uint32_t(std::max(1, MulDiv(int(FDefaultNodeHeight), M, D))));
    QFont f = font();
    ScaleFont(f, M, D);
    if (f != font())
        setFont(f);
    // The header: its height, font and column widths.
    QFont headerFont = FHeader->Font();
    ScaleFont(headerFont, M, D);
    FHeader->SetFont(headerFont);
    TLeanTreeColumns& columns = FHeader->Columns();
    for (int i = 0; i < columns.Count(); ++i) {
        TLeanTreeColumn& c = columns.Items(i);
        int width = MulDiv(c.Width(), M, D);
        if (M > D) {
            c.SetMaxWidth(std::max(c.MaxWidth(), MulDiv(c.MaxWidth(), M, D)));
            c.SetMinWidth(MulDiv(c.MinWidth(), M, D));
        } else {
            c.SetMinWidth(MulDiv(c.MinWidth(), M, D));
            c.SetMaxWidth(MulDiv(c.MaxWidth(), M, D));
        }
        c.SetWidth(width);
    }
    FHeader->SetHeight(std::max(1, MulDiv(FHeader->Height(), M, D)));
    UpdateHeaderRect();
    UpdateScrollBars(true);
    InvalidateTree();
}

void TBaseLeanTree::GetTextInfo(PLeanNode, TColumnIndex, QFont& Font, QRect& R, QString& Text) {
    Font = font();
    R = QRect();
    Text.clear();
}

int TBaseLeanTree::GetCheckImage(PLeanNode Node) const {
    if (!Node || Node == FRoot || Node->CheckType == ctNone)
        return -1;
    // Within each band of four: normal, hot, pressed, disabled.
    TCheckState state = TCheckState(Node->CheckState);
    bool pressed =
        state == csUncheckedPressed || state == csCheckedPressed || state == csMixedPressed;
    bool checked = state == csCheckedNormal || state == csCheckedPressed;
    bool mixed = state == csMixedNormal || state == csMixedPressed;
    int band;
    if (Node->CheckType == ctRadioButton)
        band = checked ? 5 : 1;
    else if (Node->CheckType == ctButton)
        band = 17;
    else
        band = mixed ? 21 : checked ? 13 : 9;
    if ((Node->States & vsDisabled) || !isEnabled())
        return band + 3;
    if (pressed)
        return band + 2;
    if (Node == FCurrentHotNode)
        return band + 1;
    return band;
}

void TBaseLeanTree::CancelMode() {
    if (FExpandTimer)
        FExpandTimer->stop();
    if (FEditTimer)
        FEditTimer->stop();
    if (FScrollTimer)
        FScrollTimer->stop();
    FScrollDirections = 0;
    FDirectionsSince = 0;
    StopIncrementalSearch();
    if (FStates.Intersects({tsWheelPanning, tsWheelScrolling}))
        StopWheelPanning();
    FHeader->CancelMouseAction();
    bool band = FStates.Intersects({tsDrawSelPending, tsDrawSelecting});
    DoStateChange({}, {tsClearPending, tsDrawSelPending, tsDrawSelecting, tsEditPending,
                       tsIncrementalSearching, tsOLEDragPending, tsVCLDragPending, tsScrolling,
                       tsScrollPending, tsLeftButtonDown, tsMiddleButtonDown, tsRightButtonDown});
    if (band) {
        FNewSelRect = FLastSelRect = QRect();
        InvalidateTree();
    }
}

Qt::CursorShape TBaseLeanTree::DoGetCursor(QPoint) {
    Qt::CursorShape c = Cursor;
    if (FCurrentHotNode && HasPaint(TLTPaintOption::toHotTrack) && HotCursor)
        c = *HotCursor;
    if (OnGetCursor)
        OnGetCursor(this, c);
    return c;
}

void TBaseLeanTree::UpdateCursor(QPoint P) {
    if (FStates.Intersects({tsWheelPanning, tsWheelScrolling}))
        return;
    Qt::CursorShape c = DoGetCursor(P);
    if (viewport()->cursor().shape() != c)
        viewport()->setCursor(c);
}

void TBaseLeanTree::MouseLeft() {
    if (PLeanNode old = FCurrentHotNode) {
        DoHotChange(old, nullptr);
        FCurrentHotNode = nullptr;
        InvalidateNode(old);
    }
    if (!FStates.Intersects({tsWheelPanning, tsWheelScrolling}) &&
        viewport()->cursor().shape() != Cursor)
        viewport()->setCursor(Cursor);
}

QImage TBaseLeanTree::PaintToImage(QRect Window, bool WithHeader) {
    if (Window.isEmpty())
        Window = QRect(0, 0, std::max({RangeX(), GetMaxRightExtent(), ClientWidth(), 1}),
                       std::max(RangeY(), 1));
    int headerHeight = WithHeader ? FHeader->VisibleHeight() : 0;
    if (Window.width() > MaxImageExtent || int64_t(Window.height()) + headerHeight > MaxImageExtent)
        return {};
    QImage image(Window.width(), Window.height() + headerHeight,
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    if (headerHeight > 0) {
        // The header paints in client coordinates, which include the horizontal offset.
        p.save();
        p.translate(-Window.left() - FOffsetX, 0);
        FHeader->Paint(p, QRect(Window.left() + FOffsetX, 0, Window.width(), headerHeight));
        p.restore();
    }
    PaintTree(p, Window, QPoint(0, headerHeight), AllPaintOptions);
    return image;
}

QImage TBaseLeanTree::PaintToImage(PLeanNode First, PLeanNode Last, bool WithHeader) {
    if (!First || !Last || First == FRoot || Last == FRoot || !GetFullyVisible(First) ||
        !GetFullyVisible(Last))
        return {};
    if (CompareNodePositions(First, Last) > 0)
        std::swap(First, Last);
    QRect a = GetDisplayRect(First, NoColumn, false, true).translated(-FOffsetX, -FOffsetY);
    QRect b = GetDisplayRect(Last, NoColumn, false, true).translated(-FOffsetX, -FOffsetY);
    int width = std::max({RangeX(), GetMaxRightExtent(), ClientWidth(), 1});
    return PaintToImage(QRect(0, a.top(), width, b.bottom() - a.top() + 1), WithHeader);
}

// The look of a tree: the settings of its buttons, lines, colour, background and image lists,
// and the button bitmaps and line brush built from them.
#include "controls/tree/treelook.h"

#include <algorithm>

#include "controls/tree/leantree.h"
#include "controls/tree/treecolumns.h"
#include "controls/tree/treeheader.h"
#include "platform/gui/qtcolors.h"
#include "platform/gui/themes.h"

namespace {

QColor Q(TColor c) {
    return ColorToQColor(c);
}

} // namespace

TBaseLeanTree& TLeanTreeLook::LookTree() {
    return static_cast<TBaseLeanTree&>(*this);
}

// ---- buttons, lines, colour and background ----

void TLeanTreeLook::SetButtonStyle(TLTButtonStyle Value) {
    if (FButtonStyle == Value)
        return;
    FButtonStyle = Value;
    PrepareBitmaps(true, false);
    LookTree().InvalidateTree();
}

void TLeanTreeLook::SetButtonFillMode(TLTButtonFillMode Value) {
    if (FButtonFillMode == Value)
        return;
    FButtonFillMode = Value;
    PrepareBitmaps(true, false);
    LookTree().InvalidateTree();
}

void TLeanTreeLook::SetLineStyle(TLTLineStyle Value) {
    if (FLineStyle == Value)
        return;
    FLineStyle = Value;
    PrepareBitmaps(false, true);
    LookTree().InvalidateTree();
}

void TLeanTreeLook::SetLineMode(TLTLineMode Value) {
    if (FLineMode != Value) {
        FLineMode = Value;
        LookTree().InvalidateTree();
    }
}

void TLeanTreeLook::SetDrawSelectionMode(TLTDrawSelectionMode Value) {
    FDrawSelectionMode = Value;
}

void TLeanTreeLook::SetSelectionCurveRadius(int Value) {
    Value = std::max(0, Value);
    if (FSelectionCurveRadius != Value) {
        FSelectionCurveRadius = Value;
        LookTree().InvalidateTree();
    }
}

void TLeanTreeLook::SetColor(TColor Value) {
    if (FColor == Value)
        return;
    FColor = Value;
    TLeanTreeColumns& columns = LookTree().Header().Columns();
    for (int i = 0; i < columns.Count(); ++i)
        columns.Items(i).ParentColorChanged();
    PrepareBitmaps(true, true); // the buttons may be filled with the tree's colour
    LookTree().InvalidateTree();
}

void TLeanTreeLook::SetBackground(const QImage& Value) {
    FBackground = Value.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    LookTree().InvalidateTree();
}

void TLeanTreeLook::SetBackgroundOffsetX(int Value) {
    if (FBackgroundOffsetX != Value) {
        FBackgroundOffsetX = Value;
        LookTree().InvalidateTree();
    }
}

void TLeanTreeLook::SetBackgroundOffsetY(int Value) {
    if (FBackgroundOffsetY != Value) {
        FBackgroundOffsetY = Value;
        LookTree().InvalidateTree();
    }
}

void TLeanTreeLook::PrepareBitmaps(bool NeedButtons, bool NeedLines) {
    TBaseLeanTree& tree = LookTree();
    if (NeedButtons) {
        bool themed = tree.HasPaint(TLTPaintOption::toThemeAware) && ThemesEnabled();
        if (themed) {
            FMinusBM = MakeThemedButton(true);
            FPlusBM = MakeThemedButton(false);
        } else if (FButtonStyle == bsRectangle && FButtonFillMode == fmShaded) {
            FMinusBM = MakeShadedButton(true);
            FPlusBM = MakeShadedButton(false);
        } else {
            QColor fill;
            switch (FButtonFillMode) {
            case fmTreeColor:
                fill = Q(FColor);
                break;
            case fmWindowColor:
            case fmShaded: // triangles have no face
                fill = Q(clWindow);
                break;
            case fmTransparent:
                break;
            }
            QColor frame = Q(tree.Colors().Get(TLTColors::TreeLineColor));
            QColor ink = tree.palette().color(QPalette::WindowText);
            FMinusBM = MakeClassicButton(true, FButtonStyle, fill, frame, ink);
            FPlusBM = MakeClassicButton(false, FButtonStyle, fill, frame, ink);
        }
        FButtonsThemed = themed;
        FButtonsValid = true;
        if (tree.OnGetPlusBitmap)
            tree.OnGetPlusBitmap(&tree, FPlusBM);
        if (tree.OnGetMinusBitmap)
            tree.OnGetMinusBitmap(&tree, FMinusBM);
    }
    if (NeedLines) {
        FLinePattern = FLineStyle == lsSolid ? SolidLinePattern : DottedLinePattern;
        if (FLineStyle == lsCustomStyle && tree.OnGetLineStyle)
            tree.OnGetLineStyle(&tree, FLinePattern);
        FLineBrush = MakeLineBrush(FLinePattern, Q(tree.Colors().Get(TLTColors::TreeLineColor)));
        FLinesValid = true;
    }
}

const QImage& TLeanTreeLook::PlusBitmap() {
    if (!FButtonsValid)
        PrepareBitmaps(true, false);
    return FPlusBM;
}

const QImage& TLeanTreeLook::MinusBitmap() {
    if (!FButtonsValid)
        PrepareBitmaps(true, false);
    return FMinusBM;
}

// ---- image lists ----

void TLeanTreeLook::SetImages(std::shared_ptr<TLTImageList> Value) {
    if (FImages.List() == Value)
        return;
    FImages.Set(std::move(Value));
    ImagesChanged();
}

void TLeanTreeLook::SetStateImages(std::shared_ptr<TLTImageList> Value) {
    if (FStateImages.List() == Value)
        return;
    FStateImages.Set(std::move(Value));
    ImagesChanged();
}

void TLeanTreeLook::ImagesChanged() {
    TBaseLeanTree& tree = LookTree();
    if (!tree.IsDestroying() && tree.UpdateCount() == 0)
        tree.InvalidateTree();
}

std::shared_ptr<TLTImageList> TLeanTreeLook::GetCheckImageListFor(TCheckImageKind Kind) const {
    return CheckImageListFor(Kind);
}

void TLeanTreeLook::SetCheckImageKind(TCheckImageKind Value) {
    if (FCheckImageKind == Value)
        return;
    FCheckImageKind = Value;
    auto list = GetCheckImageListFor(Value);
    FCheckImages.Set(list ? list : FCustomCheckImages.List());
    ImagesChanged();
}

void TLeanTreeLook::SetCustomCheckImages(std::shared_ptr<TLTImageList> Value) {
    if (FCustomCheckImages.List() == Value)
        return;
    FCustomCheckImages.Set(Value);
    if (FCheckImageKind == ckCustom) {
        FCheckImages.Set(std::move(Value));
        ImagesChanged();
    }
}

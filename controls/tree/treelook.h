#pragma once
// TLeanTreeLook: how a tree's rows look, the settings and what is built from them: the
// expand/collapse buttons, the tree lines, the control's colour and background picture, the
// selection's drawing and the image lists the rows' images and check boxes come from.
// TBaseLeanTree derives from it; a change repaints the tree (treelook.cpp).

#include <QBrush>
#include <QImage>
#include <memory>

#include "controls/tree/treecheckimages.h"
#include "controls/tree/treeimages.h"
#include "controls/tree/treepainthelpers.h"
#include "platform/colors.h"

class TBaseLeanTree;

class TLeanTreeLook {
public:
    // ---- buttons, lines, colour and background ----
    TLTButtonStyle ButtonStyle() const { return FButtonStyle; }
    void SetButtonStyle(TLTButtonStyle Value);
    TLTButtonFillMode ButtonFillMode() const { return FButtonFillMode; }
    void SetButtonFillMode(TLTButtonFillMode Value);
    TLTLineStyle LineStyle() const { return FLineStyle; }
    void SetLineStyle(TLTLineStyle Value);
    TLTLineMode LineMode() const { return FLineMode; }
    void SetLineMode(TLTLineMode Value);
    TLTDrawSelectionMode DrawSelectionMode() const { return FDrawSelectionMode; }
    void SetDrawSelectionMode(TLTDrawSelectionMode Value);
    int SelectionCurveRadius() const { return FSelectionCurveRadius; }
    void SetSelectionCurveRadius(int Value); // negative becomes 0
    // The control's background colour (clWindow by default).
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    // The background picture, shown with toShowBackground (tiled, or static at the offsets).
    const QImage& Background() const { return FBackground; }
    void SetBackground(const QImage& Value);
    int BackgroundOffsetX() const { return FBackgroundOffsetX; }
    void SetBackgroundOffsetX(int Value);
    int BackgroundOffsetY() const { return FBackgroundOffsetY; }
    void SetBackgroundOffsetY(int Value);
    // The 9 x 9 button bitmaps (built on first use and whenever their look may change).
    const QImage& PlusBitmap();
    const QImage& MinusBitmap();
    // Rebuilds the buttons (then OnGetPlusBitmap and OnGetMinusBitmap run) and the line brush.
    void PrepareBitmaps(bool NeedButtons, bool NeedLines);
    // The line pattern in force (the host's for lsCustomStyle).
    const TLTLinePattern& LinePattern() const { return FLinePattern; }

    // ---- state and normal images ----
    // The lists the rows' images come from (shared; nil for none). A change repaints the tree.
    const std::shared_ptr<TLTImageList>& Images() const { return FImages.List(); }
    void SetImages(std::shared_ptr<TLTImageList> Value);
    const std::shared_ptr<TLTImageList>& StateImages() const { return FStateImages.List(); }
    void SetStateImages(std::shared_ptr<TLTImageList> Value);

    // ---- check images ----
    // The look of the check boxes; a change repaints the tree (not during an update).
    TCheckImageKind CheckImageKind() const { return FCheckImageKind; }
    void SetCheckImageKind(TCheckImageKind Value);
    // The host's check images, in force with ckCustom (laid out as CheckImageCount describes).
    const std::shared_ptr<TLTImageList>& CustomCheckImages() const {
        return FCustomCheckImages.List();
    }
    void SetCustomCheckImages(std::shared_ptr<TLTImageList> Value);
    // The list the check boxes are drawn from; nil (no check boxes shown) for ckCustom without
    // CustomCheckImages.
    const std::shared_ptr<TLTImageList>& CheckImages() const { return FCheckImages.List(); }
    // The process-wide list of Kind; nil for ckCustom.
    virtual std::shared_ptr<TLTImageList> GetCheckImageListFor(TCheckImageKind Kind) const;

protected:
    TLeanTreeLook() = default;
    virtual ~TLeanTreeLook() = default;
    TLeanTreeLook(const TLeanTreeLook&) = delete;
    TLeanTreeLook& operator=(const TLeanTreeLook&) = delete;

    // An image list changed or was replaced: the tree repaints (not while it goes or updates).
    void ImagesChanged();

    TLTButtonStyle FButtonStyle = bsRectangle;
    TLTButtonFillMode FButtonFillMode = fmTreeColor;
    TLTLineStyle FLineStyle = lsDotted;
    TLTLineMode FLineMode = lmNormal;
    TLTDrawSelectionMode FDrawSelectionMode = smDottedRectangle;
    int FSelectionCurveRadius = 0;
    TColor FColor = clWindow;
    QImage FBackground;
    int FBackgroundOffsetX = 0, FBackgroundOffsetY = 0;
    QImage FPlusBM, FMinusBM;
    bool FButtonsValid = false, FButtonsThemed = false;
    TLTLinePattern FLinePattern = DottedLinePattern;
    QBrush FLineBrush;
    bool FLinesValid = false;
    TLTImageLink FImages{[this] { ImagesChanged(); }};
    TLTImageLink FStateImages{[this] { ImagesChanged(); }};
    TCheckImageKind FCheckImageKind = ckLightCheck;
    TLTImageLink FCustomCheckImages{[this] { ImagesChanged(); }};
    TLTImageLink FCheckImages{[this] { ImagesChanged(); }};

private:
    // The tree this look belongs to (TBaseLeanTree derives from this class).
    TBaseLeanTree& LookTree();
};

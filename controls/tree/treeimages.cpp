// Image lists and the tree's state and normal images: where a row's images come from, the
// room they take before the label and their painting (the list settings: treelook.cpp).
#include "controls/tree/treeimages.h"

#include <QPainter>
#include <algorithm>

#include "controls/tree/leantree.h"

using enum TLTPaintOption;

// ---- TLTImageList ----

TLTImageList::TLTImageList(int Width, int Height)
    : FWidth(Width < 1 ? 16 : Width), FHeight(Height < 1 ? 16 : Height) {}

int TLTImageList::Add(const QImage& Image) {
    FImages.emplace_back();
    Replace(Count() - 1, Image);
    return Count() - 1;
}

bool TLTImageList::Replace(int Index, const QImage& Image) {
    if (Index < 0 || Index >= Count())
        return false;
    QImage img;
    if (Image.isNull()) {
        img = QImage(FWidth, FHeight, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
    } else {
        img = Image.size() == QSize(FWidth, FHeight)
                  ? Image
                  : Image.scaled(FWidth, FHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        img = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    FImages[size_t(Index)] = std::move(img);
    Changed();
    return true;
}

void TLTImageList::Clear() {
    FImages.clear();
    Changed();
}

QImage TLTImageList::Image(int Index) const {
    return Index >= 0 && Index < Count() ? FImages[size_t(Index)] : QImage();
}

void TLTImageList::Draw(QPainter& P, int X, int Y, int Index, bool Ghosted) const {
    if (Index < 0 || Index >= Count())
        return;
    if (!Ghosted) {
        P.drawImage(X, Y, FImages[size_t(Index)]);
        return;
    }
    qreal opacity = P.opacity();
    P.setOpacity(opacity / 2);
    P.drawImage(X, Y, FImages[size_t(Index)]);
    P.setOpacity(opacity);
}

void TLTImageList::Changed() {
    // A notice may drop a link; run over a copy.
    auto links = FLinks;
    for (auto& [owner, notify] : links)
        if (notify)
            notify();
}

void TLTImageLink::Set(std::shared_ptr<TLTImageList> Value) {
    if (FList == Value)
        return;
    if (FList) {
        auto& links = FList->FLinks;
        links.erase(std::remove_if(links.begin(), links.end(),
                                   [this](const auto& l) { return l.first == this; }),
                    links.end());
    }
    FList = std::move(Value);
    if (FList)
        FList->FLinks.emplace_back(this, FOnChange);
}

// ---- the tree's images ----

TLTImageInfo TBaseLeanTree::GetImageIndexInfo(PLeanNode Node, TLTImageKind Kind,
                                              TColumnIndex Column) {
    TLTImageInfo info;
    info.Images = Kind == ikState ? FStateImages.List() : FImages.List();
    if (!info.Images && !OnGetImageIndexEx)
        return info; // nothing to show from
    if (OnGetImageIndexEx) {
        std::shared_ptr<TLTImageList> list;
        OnGetImageIndexEx(this, Node, Kind, Column, info.Ghosted, info.Index, list);
        if (list)
            info.Images = std::move(list);
    } else {
        info.Index = DoGetImageIndex(Node, Kind, Column, info.Ghosted);
    }
    if (!info.Shown())
        info.Index = -1;
    return info;
}

void TBaseLeanTree::GetNodeImages(PLeanNode Node, TColumnIndex Column, TLTImageInfo& State,
                                  TLTImageInfo& Normal) {
    State = GetImageIndexInfo(Node, ikState, Column);
    // A selected node may show another image while selected.
    Normal = TLTImageInfo();
    if (Node->States & vsSelected)
        Normal = GetImageIndexInfo(Node, ikSelected, Column);
    if (!Normal.Shown())
        Normal = GetImageIndexInfo(Node, ikNormal, Column);
    // Cut nodes show blended images; with the focus elsewhere, selected ones show ghosted.
    bool ghost = (HasPaint(toUseBlendedImages) && (Node->States & vsCutOrCopy)) ||
                 (HasPaint(toGhostedIfUnfocused) && !hasFocus() && (Node->States & vsSelected));
    State.Ghosted |= ghost;
    Normal.Ghosted |= ghost;
}

int TBaseLeanTree::TextOffset(PLeanNode Node, TColumnIndex Column, bool MainColumn) {
    TLTImageInfo state, normal;
    GetNodeImages(Node, Column, state, normal);
    return (MainColumn ? NodeContentLeft(Node) : FMargin) + state.Room() + normal.Room();
}

void TBaseLeanTree::PaintImage(const TLTPaintInfo& PaintInfo, const TLTImageInfo& Image) {
    if (!Image.Shown())
        return;
    const QRect& cell = PaintInfo.CellRect;
    int x = PaintInfo.BidiMode != bdLeftToRight
                ? cell.right() + 1 - Image.XPos - Image.Images->Width()
                : cell.left() + Image.XPos;
    Image.Images->Draw(*PaintInfo.Canvas, x, cell.top() + Image.YPos, Image.Index, Image.Ghosted);
}

void TBaseLeanTree::PlaceNodeImages(TLTPaintInfo& PaintInfo, int ImagesLeft) {
    GetNodeImages(PaintInfo.Node, PaintInfo.Column, PaintInfo.StateImage, PaintInfo.NormalImage);
    // One centre for the row's button and images: placed by the drawn image's height, else
    // by the button's.
    int item = 0;
    if (PaintInfo.NormalImage.Shown())
        item = PaintInfo.NormalImage.Images->Height();
    else if (PaintInfo.StateImage.Shown())
        item = PaintInfo.StateImage.Images->Height();
    else if (HasPaint(TLTPaintOption::toShowButtons))
        item = PlusBitmap().height();
    PaintInfo.CentreY = NodeItemCentre(FNodeAlignment, PaintInfo.Node->Align,
                                       int(PaintInfo.Node->NodeHeight), item);
    int x = ImagesLeft;
    for (TLTImageInfo* img : {&PaintInfo.StateImage, &PaintInfo.NormalImage}) {
        if (!img->Shown())
            continue;
        img->XPos = x;
        img->YPos = PaintInfo.CentreY - img->Images->Height() / 2;
        x += img->Room();
    }
}

bool TBaseLeanTree::HasImage(PLeanNode Node, TLTImageKind Kind, TColumnIndex Column) {
    bool ghosted = false;
    int index = -1;
    if (OnGetImageIndexEx) {
        std::shared_ptr<TLTImageList> list;
        OnGetImageIndexEx(this, Node, Kind, Column, ghosted, index, list);
    } else {
        index = DoGetImageIndex(Node, Kind, Column, ghosted);
    }
    return index > -1;
}

// ---- check images ----

int TBaseLeanTree::CheckImageRoom(PLeanNode Node) const {
    const auto& list = FCheckImages.List();
    if (!list || !HasMisc(TLTMiscOption::toCheckSupport) || !Node || Node->CheckType == ctNone)
        return 0;
    return list->Width() + 2;
}

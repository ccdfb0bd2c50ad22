// The drag manager, the drag image and the pictures of dragged nodes and columns.
#include "controls/tree/treedrag.h"

#include <QDrag>
#include <QPainter>
#include <cmath>

#include "controls/tree/leantree.h"
#include "controls/tree/treecolumns.h"
#include "controls/tree/treeheader.h"
#include "controls/tree/treehelpers.h"
#include "platform/gui/qtcolors.h"

// ---- the tree's share ----

TLTDragManager& TBaseLeanTree::DragManager() {
    if (!FDragManager) {
        std::unique_ptr<TLTDragManager> manager = DoCreateDragManager();
        if (!manager)
            manager = std::make_unique<TLTDragManager>(this);
        FDragManager.reset(manager.release());
        FDragManager->OnDragEnter = [this](TBaseLeanTree* Source, const QMimeData* Data,
                                           TLTDragInfo& Info) {
            return DragEnter(Source, Data, Info);
        };
        FDragManager->OnDragOver = [this](TBaseLeanTree* Source, TLTDragInfo& Info) {
            DragOver(Source, Info, FDragNow);
        };
        FDragManager->OnDragLeave = [this] { DragLeave(); };
        FDragManager->OnDragDrop = [this](TBaseLeanTree* Source, const QMimeData* Data,
                                          TLTDragInfo& Info) {
            return DragDrop(Source, Data, Info);
        };
    }
    return *FDragManager;
}

TLTDragImage& TBaseLeanTree::DragImage() {
    if (!FDragImage) {
        FDragImage.reset(new TLTDragImage());
        FDragImage->SetTreeDefaults();
    }
    return *FDragImage;
}

// ---- TLTDragManager ----

bool TLTDragManager::DragEnter(const QMimeData* DataObject, TLTDragInfo& Info) {
    dataObject_ = DataObject;
    isDropTarget_ = true;
    dragSource_ = GetTreeFromDataObject(DataObject);
    if (!OnDragEnter)
        return false;
    return OnDragEnter(dragSource_.data(), DataObject, Info);
}

void TLTDragManager::DragOver(TLTDragInfo& Info) {
    if (OnDragOver)
        OnDragOver(dragSource_.data(), Info);
}

void TLTDragManager::DragLeave() {
    if (OnDragLeave)
        OnDragLeave();
    EndTarget();
}

bool TLTDragManager::Drop(const QMimeData* DataObject, TLTDragInfo& Info) {
    bool result = false;
    if (OnDragDrop) {
        // The source may have gone since DragEnter; ask the data object again.
        TBaseLeanTree* source = GetTreeFromDataObject(DataObject);
        result = OnDragDrop(source, DataObject, Info);
    }
    EndTarget();
    return result;
}

void TLTDragManager::EndTarget() {
    dragSource_ = nullptr;
    dataObject_ = nullptr;
    isDropTarget_ = false;
}

TLTDragQueryResult TLTDragManager::QueryContinueDrag(bool EscapePressed, Qt::MouseButtons Buttons) {
    bool left = Buttons.testFlag(Qt::LeftButton), right = Buttons.testFlag(Qt::RightButton);
    if (EscapePressed || (left && right))
        return dqCancel;
    if (left || right)
        return dqContinue;
    return dqDrop;
}

std::unique_ptr<QMimeData> TLTDragManager::CreateDataObject() {
    if (OnCreateDataObject)
        if (auto data = OnCreateDataObject(owner_))
            return data;
    if (auto data = owner_->DoCreateDataObject())
        return data;
    return std::make_unique<TLTDataObject>(owner_, false);
}

QDrag* TLTDragManager::PrepareDrag(std::unique_ptr<QMimeData> DataObject,
                                   const TLTDragImage* Image) {
    auto* drag = new QDrag(owner_);
    drag->setMimeData(DataObject.release());
    if (Image && Image->Prepared() && !Image->Picture().isNull()) {
        drag->setPixmap(Image->Pixmap());
        drag->setHotSpot(Image->HotSpot());
    }
    return drag;
}

// ---- TLTDragImage ----

void TLTDragImage::SetTreeDefaults() {
    Transparency = 200;
    Fade = true;
}

void TLTDragImage::SetHeaderDefaults() {
    Transparency = 140;
    PreBlendBias = -50;
    Fade = false;
}

namespace {
bool MatchesKey(QRgb px, TColor key) {
    if (key == clNone)
        return false;
    uint32_t c = GetRGBColor(key); // $00BBGGRR
    return qRed(px) == int(c & 0xFF) && qGreen(px) == int((c >> 8) & 0xFF) &&
           qBlue(px) == int((c >> 16) & 0xFF);
}
} // namespace

void TLTDragImage::MakeAlphaChannel(const QImage& Source, QImage& Target, TColor ColorKey) {
    Target = Source.convertToFormat(QImage::Format_ARGB32);
    int w = Target.width(), h = Target.height();
    double size = std::max(w, h);
    if (size <= 0)
        return;
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(Target.scanLine(y));
        double dy = (y - h / 2) / size;
        for (int x = 0; x < w; ++x) {
            QRgb px = line[x];
            int alpha = 0;
            if (!MatchesKey(px, ColorKey)) {
                double dx = (x - w / 2) / size;
                alpha = int(std::lround(255.0 * std::exp(-8.0 * std::sqrt(dx * dx + dy * dy))));
            }
            line[x] = qRgba(qRed(px), qGreen(px), qBlue(px), alpha);
        }
    }
}

void TLTDragImage::PrepareDrag(const QImage& DragImage, QPoint ImagePosition, QPoint HotSpot) {
    EndDrag();
    if (DragImage.isNull())
        return;
    // Straight colours, fully opaque, for the blends below.
    QImage img = DragImage.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            line[x] |= 0xFF000000u;
    }
    if (PreBlendBias != 0)
        AlphaBlend(&img, img, img.rect(), QPoint(0, 0), bmConstantAlpha, 255, PreBlendBias);
    bool perPixel = Fade || ColorKey != clNone;
    if (Fade)
        MakeAlphaChannel(img, img, ColorKey);
    else
        for (int y = 0; y < img.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x)
                line[x] = (line[x] & 0x00FFFFFFu) |
                          (MatchesKey(line[x], ColorKey) ? 0u : uint32_t(Transparency) << 24);
        }
    // Blend over transparent black: the colours come out premultiplied by the alpha used.
    picture_ = QImage(img.size(), QImage::Format_ARGB32_Premultiplied);
    picture_.fill(0);
    AlphaBlend(&img, picture_, img.rect(), QPoint(0, 0),
               perPixel ? bmPerPixelAlpha : bmConstantAlpha, Transparency, PostBlendBias);
    for (int y = 0; y < img.height(); ++y) {
        const auto* s = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        auto* d = reinterpret_cast<QRgb*>(picture_.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            int a = qAlpha(s[x]);
            if (!perPixel)
                a = Transparency;
            d[x] = qRgba(std::min(qRed(d[x]), a), std::min(qGreen(d[x]), a),
                         std::min(qBlue(d[x]), a), a);
        }
    }
    image_ = img;
    position_ = ImagePosition;
    lastPosition_ = HotSpot;
    prepared_ = true;
    hidden_ = true;
}

bool TLTDragImage::DragTo(QPoint P, bool ForceRepaint) {
    QPoint move = P - lastPosition_;
    if (MoveRestriction == dmrHorizontalOnly)
        move.setY(0);
    else if (MoveRestriction == dmrVerticalOnly)
        move.setX(0);
    bool moved = !move.isNull();
    if ((moved || ForceRepaint) && prepared_)
        position_ += move;
    lastPosition_ += move;
    return moved;
}

void TLTDragImage::ShowDragImage() {
    if (prepared_)
        hidden_ = false;
}

void TLTDragImage::HideDragImage() {
    hidden_ = true;
}

void TLTDragImage::EndDrag() {
    prepared_ = false;
    hidden_ = false;
    image_ = QImage();
    picture_ = QImage();
}

QRect TLTDragImage::GetDragImageRect() const {
    return Visible() ? QRect(position_, picture_.size()) : QRect();
}

bool TLTDragImage::WillMove(QPoint P) const {
    if (!Visible())
        return false;
    switch (MoveRestriction) {
    case dmrHorizontalOnly:
        return P.x() != lastPosition_.x();
    case dmrVerticalOnly:
        return P.y() != lastPosition_.y();
    default:
        return P != lastPosition_;
    }
}

void TLTDragImage::Paint(QPainter& p) const {
    if (Visible())
        p.drawImage(position_, picture_);
}

// ---- pictures ----

QImage CreateNodesDragPicture(TBaseLeanTree& Tree, const std::vector<PLeanNode>& Nodes,
                              const TLTNodePicturePainter& Painter, QPoint& ImagePosition) {
    QRect client(0, 0, Tree.ClientWidth(), Tree.ClientHeight());
    QRect area;
    std::vector<QRect> rows;
    for (PLeanNode n : Nodes) {
        if (!n || !Tree.GetFullyVisible(n))
            continue;
        QRect r = Tree.GetDisplayRect(n, NoColumn, false).intersected(client);
        if (r.isEmpty())
            continue;
        rows.push_back(r);
        area = area.united(r);
    }
    if (area.isEmpty())
        return {};
    QImage img(area.size(), QImage::Format_ARGB32_Premultiplied);
    img.fill(ColorToQColor(Tree.Color()));
    QPainter p(&img);
    if (Painter) {
        Painter(Tree, p, area, Nodes);
    } else {
        using enum TLTInternalPaintOption;
        const TLTInternalPaintOptions options{poBackground, poColumnColor, poDrawSelection,
                                              poGridLines};
        for (const QRect& r : rows)
            Tree.PaintTree(p, r.translated(-Tree.OffsetX(), -Tree.OffsetY()),
                           r.topLeft() - area.topLeft(), options);
    }
    p.end();
    ImagePosition = area.topLeft();
    return img;
}

QImage CreateColumnDragPicture(TBaseLeanTree& Tree, TColumnIndex Column, QPoint& ImagePosition) {
    TLTHeader& header = Tree.Header();
    if (!header.Columns().IsValidColumn(Column) || !header.Area())
        return {};
    TLeanTreeColumn& c = header.Columns().Items(Column);
    QRect cell(c.GetLeft(), 0, c.Width(), header.Height());
    if (cell.isEmpty())
        return {};
    QImage img(cell.size(), QImage::Format_ARGB32_Premultiplied);
    img.fill(ColorToQColor(header.Background()));
    QPainter p(&img);
    p.translate(-cell.topLeft());
    p.setClipRect(cell);
    header.Paint(p, cell);
    p.end();
    ImagePosition = cell.topLeft();
    return img;
}

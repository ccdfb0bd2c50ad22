#pragma once
// Drag and drop of the trees: the drag manager (the tree's drop target and drag source, holding
// the data object of the running drag) and the drag image, the semi-transparent picture of the
// dragged nodes or of a header column that the control composites itself. A node drag hands the
// picture to QDrag as its pixmap; a header column drag paints it over the tree (Paint).

#include <QImage>
#include <QMimeData>
#include <QPixmap>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

#include "controls/tree/treetypes.h"
#include "platform/colors.h"

class QDrag;
class QPainter;
class TBaseLeanTree;

// What the tree learns about a drag step; the handlers set Effect.
struct TLTDragInfo {
    Qt::KeyboardModifiers Keys;
    Qt::MouseButtons Buttons;
    QPoint Pt; // tree client coordinates
    Qt::DropActions Allowed;
    Qt::DropAction Effect = Qt::IgnoreAction;
};

enum TLTDragQueryResult { dqContinue, dqDrop, dqCancel };

// A host may hand the tree a manager of its own (OnCreateDragManager), derived from this one;
// the tree sets the handlers below on whichever manager it gets.
class TLTDragManager {
public:
    explicit TLTDragManager(TBaseLeanTree* Owner) : owner_(Owner) {}
    virtual ~TLTDragManager() = default;
    TLTDragManager(const TLTDragManager&) = delete;
    TLTDragManager& operator=(const TLTDragManager&) = delete;
    TBaseLeanTree* Owner() const { return owner_; }

    // Drop target side. DragEnter keeps the data object (borrowed for the drag) and finds the
    // drag source tree through its tree reference; each step returns the handler's answer.
    virtual bool DragEnter(const QMimeData* DataObject, TLTDragInfo& Info);
    virtual void DragOver(TLTDragInfo& Info);
    virtual void DragLeave();
    virtual bool Drop(const QMimeData* DataObject, TLTDragInfo& Info);
    void ForceDragLeave() {} // no shell helper to tell
    // Qt draws the default cursors.
    bool GiveFeedback() const { return true; }
    // Cancel on Escape or with both main buttons down; go on while one is down; else drop.
    static TLTDragQueryResult QueryContinueDrag(bool EscapePressed, Qt::MouseButtons Buttons);

    // The running drag's data object, or nil.
    const QMimeData* DataObject() const { return dataObject_.data(); }
    // A new data object for a drag: this manager's OnCreateDataObject, else the tree's
    // (DoCreateDataObject), else a TLTDataObject.
    virtual std::unique_ptr<QMimeData> CreateDataObject();
    TBaseLeanTree* DragSource() const { return dragSource_.data(); }
    bool DropTargetHelperSupported() const { return false; }
    bool IsDropTarget() const { return isDropTarget_; }

    // Drag source side: a QDrag carrying DataObject and, when Image is prepared, its picture
    // and hot spot. Parented to the tree; the caller runs exec() and then deletes it.
    virtual QDrag* PrepareDrag(std::unique_ptr<QMimeData> DataObject,
                               const class TLTDragImage* Image);

    // The tree's handlers of the drop target steps (Source: the tree the data comes from, nil
    // for foreign data).
    std::function<bool(TBaseLeanTree* Source, const QMimeData* Data, TLTDragInfo& Info)>
        OnDragEnter;
    std::function<void(TBaseLeanTree* Source, TLTDragInfo& Info)> OnDragOver;
    std::function<void()> OnDragLeave;
    std::function<bool(TBaseLeanTree* Source, const QMimeData* Data, TLTDragInfo& Info)> OnDragDrop;
    std::function<std::unique_ptr<QMimeData>(TBaseLeanTree* Sender)> OnCreateDataObject;

private:
    void EndTarget();
    TBaseLeanTree* owner_;
    QPointer<TBaseLeanTree> dragSource_;
    QPointer<const QMimeData> dataObject_;
    bool isDropTarget_ = false;
};

enum TLTDragMoveRestriction : uint8_t { dmrNone, dmrHorizontalOnly, dmrVerticalOnly };

class TLTDragImage {
public:
    TLTDragImage() = default;
    uint8_t Transparency = 128;
    int8_t PreBlendBias = 0;
    int8_t PostBlendBias = 0;
    bool Fade = false;
    TLTDragMoveRestriction MoveRestriction = dmrNone;
    TColor ColorKey = clNone;
    // The settings of a node drag (200, fade) and of a header column drag (140, bias -50).
    void SetTreeDefaults();
    void SetHeaderDefaults();

    // Takes the image (any format) at ImagePosition with the mouse at HotSpot (both in owner
    // coordinates), applies the pre-blend bias and the fade, and makes the picture. An empty
    // image leaves the drag unprepared.
    void PrepareDrag(const QImage& DragImage, QPoint ImagePosition, QPoint HotSpot);
    // Follows the mouse to P within MoveRestriction; true when the image moved.
    bool DragTo(QPoint P, bool ForceRepaint = false);
    void ShowDragImage();
    void HideDragImage();
    void EndDrag();
    bool Prepared() const { return prepared_; }
    bool Visible() const { return prepared_ && !hidden_; }
    // The image's rectangle while visible, else empty.
    QRect GetDragImageRect() const;
    bool WillMove(QPoint P) const;
    // The semi-transparent picture (premultiplied ARGB) and where the mouse holds it.
    const QImage& Picture() const { return picture_; }
    QPixmap Pixmap() const { return QPixmap::fromImage(picture_); }
    QPoint HotSpot() const { return lastPosition_ - position_; }
    // Draws the picture at its position while visible.
    void Paint(QPainter& p) const;

    // Sets Target's alpha channel to a radial fade from the centre of Source (0 on pixels of
    // ColorKey); Target becomes a copy of Source in Format_ARGB32.
    static void MakeAlphaChannel(const QImage& Source, QImage& Target, TColor ColorKey);

private:
    QImage image_, picture_;
    QPoint position_, lastPosition_;
    bool prepared_ = false, hidden_ = false;
};

// Paints the rows of Nodes lying in Area (tree client coordinates) into Target, whose origin is
// Area's top left corner.
using TLTNodePicturePainter = std::function<void(
    TBaseLeanTree& Tree, QPainter& Target, const QRect& Area, const std::vector<PLeanNode>& Nodes)>;
// The picture of the nodes' visible rows, painted by Painter or else as the tree shows them;
// ImagePosition gets its place in the tree's client area. Null when none is visible.
QImage CreateNodesDragPicture(TBaseLeanTree& Tree, const std::vector<PLeanNode>& Nodes,
                              const TLTNodePicturePainter& Painter, QPoint& ImagePosition);
// The picture of a header column as the header paints it; ImagePosition gets its place in the
// header area. Null for an invalid column.
QImage CreateColumnDragPicture(TBaseLeanTree& Tree, TColumnIndex Column, QPoint& ImagePosition);

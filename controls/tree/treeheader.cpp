// The tree's column header: properties, the area above the viewport, mouse rules (resize,
// auto-fit, column drag with its picture, hot tracking, clicks, hints).
#include "controls/tree/treeheader.h"

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "controls/tree/leantree.h"
#include "controls/tree/treedrag.h"
#include "controls/tree/treehint.h"

using enum TLTHeaderOption;
using enum TLTColumnOption;
using enum THeaderState;
using enum TLTSelectionOption;
using enum TLeanTreeState;

namespace {

TShiftState ShiftFrom(Qt::KeyboardModifiers m) {
    TShiftState s;
    if (m & Qt::ShiftModifier)
        s |= TShiftStateMember::ssShift;
    if (m & Qt::ControlModifier)
        s |= TShiftStateMember::ssCtrl;
    if (m & Qt::AltModifier)
        s |= TShiftStateMember::ssAlt;
    return s;
}

TMouseButton ButtonFrom(Qt::MouseButton b) {
    return b == Qt::RightButton ? mbRight : b == Qt::MiddleButton ? mbMiddle : mbLeft;
}

// The widget in the scroll area's top margin; it hands its events to the header.
class THeaderArea : public QWidget {
public:
    THeaderArea(TLTHeader* header, QWidget* parent) : QWidget(parent), header_(header) {
        setMouseTracking(true);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent* e) override {
        QPainter p(this);
        header_->Paint(p, e->rect());
    }
    void mousePressEvent(QMouseEvent* e) override {
        // The header never takes the focus itself: a press focuses the tree, which hands
        // Escape and its focus loss back to the header.
        TBaseLeanTree* tree = header_->Tree();
        if ((tree->focusPolicy() & Qt::ClickFocus) && tree->isEnabled() && !tree->hasFocus())
            tree->setFocus(Qt::MouseFocusReason);
        header_->MousePress(e->position().toPoint(), ButtonFrom(e->button()),
                            ShiftFrom(e->modifiers()));
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        header_->MouseMove(e->position().toPoint(), ShiftFrom(e->modifiers()),
                           e->buttons() & Qt::LeftButton);
        TColumnIndex split =
            header_->Options().Contains(hoColumnResize) && header_->States().Empty()
                ? header_->DetermineSplitterIndex(e->position().toPoint())
                : InvalidColumn;
        Qt::CursorShape cursor = split >= 0 ? Qt::SplitHCursor : header_->Tree()->Cursor;
        header_->Tree()->DoGetHeaderCursor(cursor);
        if (header_->States().Empty() || header_->States().Contains(hsTracking))
            setCursor(cursor);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        header_->MouseRelease(e->position().toPoint(), e->globalPosition().toPoint(),
                              ButtonFrom(e->button()), ShiftFrom(e->modifiers()));
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        header_->DoubleClick(e->position().toPoint(), ButtonFrom(e->button()),
                             ShiftFrom(e->modifiers()));
    }
    void leaveEvent(QEvent*) override { header_->MouseLeave(); }

private:
    TLTHeader* header_;
};

// Covers the tree while a column is dragged and shows the column's picture; the mouse passes
// through to the header below.
class TDragImageOverlay : public QWidget {
public:
    TDragImageOverlay(TLTHeader* header, QWidget* parent) : QWidget(parent), header_(header) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.translate(header_->Area()->pos()); // the image lies in header coordinates
        header_->DragImage().Paint(p);
    }

private:
    TLTHeader* header_;
};

} // namespace

TLTHeader::TLTHeader(TBaseLeanTree* owner)
    : tree_(owner), columns_(std::make_unique<TLeanTreeColumns>(this)),
      dragImage_(std::make_unique<TLTDragImage>()), images_([this] {
          if (!tree_->IsDestroying())
              Invalidate(nullptr);
      }) {
    area_ = new THeaderArea(this, owner);
    area_->hide();
    dragOverlay_ = new TDragImageOverlay(this, owner);
    dragOverlay_->hide();
    dragImage_->SetHeaderDefaults();
    font_ = owner->font();
}

TLTHeader::~TLTHeader() = default;

void TLTHeader::SetFont(const QFont& value) {
    if (value == font_)
        return;
    font_ = value;
    Invalidate(nullptr);
}

void TLTHeader::SetParentFont(bool value) {
    parentFont_ = value;
    if (value)
        SetFont(tree_->font());
}

bool TLTHeader::UseColumns() const {
    return options_.Contains(hoVisible) && columns_->Count() > 0;
}

int TLTHeader::VisibleHeight() const {
    return options_.Contains(hoVisible) ? height_ : 0;
}

void TLTHeader::SetHeight(int value) {
    if (value != height_) {
        height_ = value;
        if (!tree_->IsLoading())
            RecalculateHeader();
    }
}

void TLTHeader::SetOptions(TLTHeaderOptions value) {
    TLTHeaderOptions changed = value ^ options_;
    if (changed.Empty())
        return;
    options_ = value;
    if (changed.Contains(hoAutoResize) && columns_->Count() > 0) {
        columns_->AdjustAutoSize(InvalidColumn);
        tree_->UpdateScrollBars(false);
        if (value.Contains(hoAutoResize))
            tree_->InvalidateTree();
    }
    if (!tree_->IsLoading() && changed.Contains(hoVisible))
        RecalculateHeader();
    Invalidate(nullptr);
    tree_->InvalidateTree();
}

void TLTHeader::SetStyle(TLTHeaderStyle value) {
    if (value != style_) {
        style_ = value;
        Invalidate(nullptr);
    }
}

void TLTHeader::SetImages(std::shared_ptr<TLTImageList> Value) {
    if (Value != images_.List()) {
        images_.Set(std::move(Value));
        Invalidate(nullptr);
    }
}

void TLTHeader::SetBackground(TColor value) {
    if (value != background_) {
        background_ = value;
        Invalidate(nullptr);
    }
}

void TLTHeader::SetAutoSizeIndex(TColumnIndex value) {
    if (value != autoSizeIndex_) {
        autoSizeIndex_ = value;
        if (options_.Contains(hoAutoResize))
            columns_->AdjustAutoSize(InvalidColumn);
    }
}

void TLTHeader::SetMainColumn(TColumnIndex value) {
    if (tree_->IsLoading()) {
        mainColumn_ = value;
        return;
    }
    if (columns_->Count() == 0)
        value = NoColumn;
    else
        value = std::clamp(value, 0, columns_->Count() - 1);
    if (value == mainColumn_)
        return;
    mainColumn_ = value;
    tree_->MainColumnChanged();
    if (!tree_->IsLoading()) {
        if (!tree_->HasSelection(toExtendedFocus))
            tree_->FFocusedColumn = value;
        tree_->InvalidateTree();
    }
}

void TLTHeader::Loaded() {
    int count = columns_->Count();
    mainColumn_ = count ? std::clamp(mainColumn_, 0, count - 1) : NoColumn;
}

void TLTHeader::SetSortColumn(TColumnIndex value) {
    value = std::clamp(value, -1, columns_->Count() - 1);
    if (value == sortColumn_)
        return;
    if (columns_->IsValidColumn(sortColumn_))
        Invalidate(&columns_->Items(sortColumn_));
    sortColumn_ = value;
    if (columns_->IsValidColumn(sortColumn_))
        Invalidate(&columns_->Items(sortColumn_));
    AutoSort();
}

void TLTHeader::SetSortDirection(TSortDirection value) {
    if (value != sortDirection_) {
        sortDirection_ = value;
        if (columns_->IsValidColumn(sortColumn_))
            Invalidate(&columns_->Items(sortColumn_));
        AutoSort();
    }
}

void TLTHeader::AutoSort() {
    if (tree_->HasAuto(TLTAutoOption::toAutoSort) && tree_->UpdateCount() == 0 &&
        !tree_->IsLoading() && !states_.Contains(hsLoading))
        tree_->SortTree(sortColumn_, sortDirection_, true);
}

void TLTHeader::RecalculateHeader() {
    tree_->UpdateHeaderRect();
}

TColumnIndex TLTHeader::DetermineSplitterIndex(QPoint P) {
    // The fixed columns first (they lie over the others), then from the last column leftwards;
    // a scrolling column's edge counts only where it shows.
    int areaLeft, areaRight;
    columns_->GetScrolledArea(areaLeft, areaRight);
    auto order = columns_->GetPaintOrder();
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        TLeanTreeColumn& c = columns_->Items(*it);
        int right = c.GetLeft() + c.Width();
        if (columns_->GetColumnPlace(*it) == TColumnPlace::cpScrolled &&
            (right < areaLeft || right > areaRight))
            continue;
        if (P.x() > right - 3 && P.x() < right + 5) {
            if (!c.Options().Contains(coResizable))
                return InvalidColumn;
            columns_->TrackIndex = *it;
            trackLeft_ = c.GetLeft();
            return *it;
        }
    }
    return InvalidColumn;
}

void TLTHeader::Invalidate(TLeanTreeColumn* Column) {
    if (!area_->isVisible())
        return;
    if (!Column)
        area_->update();
    else
        area_->update(QRect(Column->GetLeft(), 0, Column->Width(), height_));
}

void TLTHeader::AutoFitColumns(bool Animated) {
    for (TColumnIndex i : columns_->GetVisibleColumns()) {
        TLeanTreeColumn& c = columns_->Items(i);
        if (!c.Options().Contains(coResizable))
            continue;
        int w = tree_->GetMaxColumnWidth(i);
        if (Animated)
            columns_->AnimatedResize(i, w);
        else
            c.SetWidth(w);
    }
}

void TLTHeader::RestoreColumns() {
    for (int p = columns_->Count() - 1; p >= 0; --p) {
        TLeanTreeColumn& c = columns_->Items(columns_->ColumnFromPosition(uint32_t(p)));
        if (c.Visible() && c.Options().Contains(coResizable))
            c.RestoreLastWidth();
    }
}

void TLTHeader::ResizeColumns() {
    int width = tree_->ClientWidth();
    int delta = width - lastHeaderWidth_;
    if (options_.Contains(hoAutoSpring) && lastHeaderWidth_ > 0 && delta != 0) {
        int count = 0;
        for (int i = 0; i < columns_->Count(); ++i) {
            const auto& c = columns_->Items(i);
            if (c.Visible() && c.Options().Contains(coAutoSpring))
                ++count;
        }
        if (count > 0) {
            float share = float(std::abs(delta)) / float(count);
            float remaining = float(std::abs(delta));
            for (int i = 0; i < columns_->Count() && remaining >= 0; ++i) {
                auto& c = columns_->Items(i);
                if (!c.Visible() || !c.Options().Contains(coAutoSpring))
                    continue;
                float value = c.SpringRest + share;
                if (value >= 1) {
                    int whole = int(value);
                    c.SetWidth(c.Width() + (delta > 0 ? whole : -whole));
                }
                c.SpringRest = value - std::floor(value);
                remaining -= share;
            }
        }
    }
    lastHeaderWidth_ = width;
}

void TLTHeader::Assign(const TLTHeader& source) {
    autoSizeIndex_ = source.autoSizeIndex_;
    background_ = source.background_;
    columns_->Assign(*source.columns_);
    SetFont(source.font_);
    height_ = source.height_;
    mainColumn_ = source.mainColumn_;
    images_.Set(source.Images());
    SetParentFont(source.parentFont_);
    PopupMenu = source.PopupMenu;
    sortColumn_ = source.sortColumn_;
    sortDirection_ = source.sortDirection_;
    style_ = source.style_;
    SetOptions(source.options_);
    RecalculateHeader();
}

void TLTHeader::MousePress(QPoint P, TMouseButton Button, TShiftState Shift) {
    HideColumnHint();
    tree_->CancelHint();
    swallowRelease_ = false;
    // A press in the header ends the tree's auto-scrolling and a pending edit.
    if (tree_->FScrollTimer)
        tree_->FScrollTimer->stop();
    tree_->DoStateChange({}, {tsScrolling, tsScrollPending});
    tree_->DropPendingEdit();
    tree_->DoHeaderMouseDown(Button, Shift, P.x(), P.y());
    if (Button != mbLeft)
        return;
    if (options_.Contains(hoColumnResize) && DetermineSplitterIndex(P) >= 0) {
        columns_->HoverIndex = NoColumn;
        trackStart_ = P;
        states_ |= hsTrackPending;
        return;
    }
    columns_->AdjustDownColumn(P);
    TColumnIndex down = columns_->DownIndex;
    if (options_.Contains(hoDrag) && down >= 0 &&
        columns_->Items(down).Options().Contains(coDraggable)) {
        dragStart_ = P;
        states_ |= hsDragPending;
    }
}

void TLTHeader::StartColumnDrag(QPoint P) {
    states_ -= hsDragPending;
    states_ |= hsDragging;
    TColumnIndex dragged = columns_->DownIndex;
    columns_->HoverIndex = NoColumn;
    columns_->TrackIndex = dragged; // the dragged column
    columns_->DownIndex = NoColumn;
    Invalidate(nullptr);
    // The picture of the column's cell as it looks unpressed, held where it was pressed.
    QPoint at;
    QImage picture = CreateColumnDragPicture(*tree_, dragged, at);
    dragImage_->MoveRestriction = options_.Contains(hoRestrictDrag) ? dmrHorizontalOnly : dmrNone;
    dragImage_->PrepareDrag(picture, at, dragStart_);
    dragImage_->ShowDragImage();
    dragImage_->DragTo(P);
    dragOverlay_->setGeometry(tree_->rect());
    dragOverlay_->show();
    dragOverlay_->raise();
    dragOverlay_->update();
}

void TLTHeader::EndColumnDrag() {
    dragImage_->HideDragImage();
    dragImage_->EndDrag();
    dragOverlay_->hide();
}

void TLTHeader::MouseMove(QPoint P, TShiftState Shift, bool LeftDown) {
    if (swallowRelease_ && LeftDown)
        return;
    if (states_.Contains(hsTrackPending)) {
        states_ -= hsTrackPending;
        states_ |= hsTracking;
    }
    if (states_.Contains(hsTracking)) {
        if (columns_->IsValidColumn(columns_->TrackIndex))
            columns_->Items(columns_->TrackIndex).SetWidth(P.x() - trackLeft_);
        return;
    }
    if (states_.Contains(hsDragPending)) {
        QPoint d = P - dragStart_;
        if (tree_->DoHeaderDragging(columns_->DownIndex) &&
            (std::abs(d.x()) > QApplication::startDragDistance() ||
             std::abs(d.y()) > QApplication::startDragDistance()))
            StartColumnDrag(P);
        return;
    }
    if (states_.Contains(hsDragging)) {
        QRect old = dragImage_->GetDragImageRect();
        if (dragImage_->DragTo(P))
            dragOverlay_->update(
                old.united(dragImage_->GetDragImageRect()).translated(area_->pos()));
        int l, r;
        TColumnIndex target = columns_->GetColumnAndBounds(QPoint(P.x(), 0), l, r);
        bool before = target >= 0 && P.x() < (l + r) / 2;
        if (target != columns_->DropTarget || before != columns_->DropBefore) {
            columns_->DropTarget = target;
            columns_->DropBefore = before;
            Invalidate(nullptr);
        }
        return;
    }
    tree_->DoHeaderMouseMove(Shift, P.x(), P.y());
    columns_->AdjustHoverColumn(P);
    if (LeftDown)
        columns_->AdjustDownColumn(P);
    else if (options_.Contains(hoShowHint) && tree_->ShowHint)
        ShowColumnHint(P);
}

void TLTHeader::ShowColumnHint(QPoint P) {
    TColumnIndex column = columns_->ColumnFromPosition(P);
    if (column == hintColumn_)
        return;
    hintColumn_ = column;
    QString hint = column >= 0 ? QString::fromStdString(columns_->Items(column).Hint()) : QString();
    if (hint.isEmpty()) {
        tree_->CancelHint();
        return;
    }
    TLTHintData data;
    data.Tree = tree_;
    data.Column = column;
    data.DefaultHint = hint;
    TLeanTreeHintWindow* window = tree_->HintWindow();
    QScreen* screen = area_->screen();
    QRect desktop = screen ? screen->availableGeometry() : QRect(0, 0, 1 << 15, 1 << 15);
    QRect r = window->CalcHintRect(std::max(1, desktop.width() / 2), hint, data);
    if (r.isEmpty()) {
        tree_->CancelHint();
        return;
    }
    QPoint at = area_->mapToGlobal(P) + QPoint(0, 20); // below the mouse pointer
    window->ActivateHint(QRect(at, r.size()), hint, desktop);
    tree_->DoStateChange(tsHint);
}

void TLTHeader::HideColumnHint() {
    if (hintColumn_ != NoColumn) {
        hintColumn_ = NoColumn;
        tree_->CancelHint();
    }
}

void TLTHeader::MouseRelease(QPoint P, QPoint Global, TMouseButton Button, TShiftState Shift) {
    if (Button == mbRight) {
        columns_->HandleClick(P, mbRight, false, true, Shift);
        tree_->DoHeaderMouseUp(mbRight, Shift, P.x(), P.y());
        columns_->DownIndex = columns_->TrackIndex = NoColumn;
        if (PopupMenu) {
            columns_->HoverIndex = NoColumn;
            PopupMenu->popup(Global);
        }
        return;
    }
    if (Button == mbMiddle) {
        columns_->HandleClick(P, mbMiddle, false, true, Shift);
        tree_->DoHeaderMouseUp(mbMiddle, Shift, P.x(), P.y());
        columns_->DownIndex = NoColumn;
        return;
    }
    if (swallowRelease_) {
        // The action this button started was cancelled: no click, no drop.
        swallowRelease_ = false;
        tree_->DoHeaderMouseUp(mbLeft, Shift, P.x(), P.y());
        columns_->TrackIndex = columns_->DownIndex = NoColumn;
        Invalidate(nullptr);
        return;
    }
    if (states_.Contains(hsDragging)) {
        EndColumnDrag();
        TColumnIndex dragged = columns_->TrackIndex;
        TColumnIndex target = columns_->DropTarget;
        if (target >= 0 && target != dragged && columns_->IsValidColumn(dragged) &&
            tree_->rect().contains(tree_->mapFromGlobal(Global))) {
            TLeanTreeColumn& c = columns_->Items(dragged);
            uint32_t old = c.Position(), tp = columns_->Items(target).Position();
            uint32_t pos;
            if (columns_->DropBefore)
                pos = old > tp ? tp : tp - 1;
            else
                pos = old > tp ? tp + 1 : tp;
            c.SetPosition(pos);
            tree_->DoHeaderDragged(dragged, int(old));
        } else if (columns_->IsValidColumn(dragged)) {
            tree_->DoHeaderDraggedOut(dragged, Global);
        }
        columns_->DropTarget = NoColumn;
    } else if (!states_.Intersects({hsTracking, hsTrackPending})) {
        columns_->HandleClick(P, mbLeft, false, false, Shift);
    }
    tree_->DoHeaderMouseUp(mbLeft, Shift, P.x(), P.y());
    columns_->TrackIndex = columns_->DownIndex = NoColumn;
    states_ -= {hsDragging, hsDragPending, hsTracking, hsTrackPending};
    Invalidate(nullptr);
}

void TLTHeader::DoubleClick(QPoint P, TMouseButton Button, TShiftState Shift) {
    TColumnIndex split =
        options_.Contains(hoDblClickResize) ? DetermineSplitterIndex(P) : InvalidColumn;
    if (split >= 0) {
        TLeanTreeColumn& c = columns_->Items(split);
        columns_->AnimatedResize(split, std::max(c.MinWidth(), tree_->GetMaxColumnWidth(split)));
        columns_->ClickIndex = NoColumn;
    } else {
        columns_->HandleClick(P, Button, true, true, Shift);
    }
    if (columns_->ClickIndex >= 0)
        tree_->DoHeaderDblClick(columns_->ClickIndex, Button, Shift | TShiftStateMember::ssDouble,
                                P.x(), P.y());
}

void TLTHeader::MouseLeave() {
    HideColumnHint();
    if (!states_.Empty())
        return;
    columns_->HoverIndex = columns_->ClickIndex = columns_->DownIndex = NoColumn;
    Invalidate(nullptr);
}

bool TLTHeader::CancelMouseAction() {
    if (states_.Contains(hsDragging)) {
        EndColumnDrag();
        states_ -= {hsDragging, hsDragPending};
        columns_->DropTarget = NoColumn;
        columns_->TrackIndex = NoColumn;
        swallowRelease_ = true;
        Invalidate(nullptr);
        return true;
    }
    if (states_.Intersects({hsTracking, hsTrackPending})) {
        states_ -= {hsTracking, hsTrackPending};
        columns_->TrackIndex = NoColumn;
        swallowRelease_ = true;
        return true;
    }
    return false;
}

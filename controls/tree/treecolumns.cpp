// The tree's columns: properties, display order, left edges, look-up by position and the
// auto-size column.
#include "controls/tree/treecolumns.h"

#include <QThread>
#include <algorithm>

#include "controls/tree/leantree.h"
#include "controls/tree/treeheader.h"

using enum TLTColumnOption;
using enum TLTHeaderOption;

// ---- TLeanTreeColumn ----

TLeanTreeColumn::TLeanTreeColumn(TLeanTreeColumns* owner) : owner_(owner) {
    position_ = uint32_t(owner->Count()); // the collection's count - 1 once added
    // The parent's reading order and colour from the start (both options are on).
    TBaseLeanTree* tree = owner->header_->tree_;
    bidi_ = tree->BiDiMode();
    color_ = tree->Color();
}

int TLeanTreeColumn::Index() const {
    for (int i = 0; i < owner_->Count(); ++i)
        if (&owner_->Items(i) == this)
            return i;
    return NoColumn;
}

void TLeanTreeColumn::SetIndex(int Value) {
    int old = Index();
    Value = std::clamp(Value, 0, owner_->Count() - 1);
    if (Value == old)
        return;
    owner_->header_->tree_->CancelEditNode(); // the edit names its column by index
    owner_->InitializePositionArray();
    auto& items = owner_->items_;
    std::unique_ptr<TLeanTreeColumn> self = std::move(items[size_t(old)]);
    items.erase(items.begin() + old);
    items.insert(items.begin() + Value, std::move(self));
    owner_->IndexChanged(old, Value);
    owner_->Update(nullptr);
}

void TLeanTreeColumn::Changed() {
    owner_->Update(this);
}

void TLeanTreeColumn::SetText(const std::string& value) {
    if (value != text_) {
        text_ = value;
        Changed();
    }
}

void TLeanTreeColumn::SetWidth(int value) {
    value = std::clamp(value, minWidth_, std::max(minWidth_, maxWidth_));
    if (value == width_)
        return;
    TLTHeader* header = owner_->header_;
    lastWidth_ = width_;
    int index = Index();
    bool autoResize = header->options_.Contains(hoAutoResize);
    if (!(autoResize && index == owner_->AutoSizeColumn()))
        width_ = value;
    owner_->UpdatePositions();
    TBaseLeanTree* tree = header->tree_;
    if (!tree->IsLoading() && owner_->updateCount_ == 0) {
        if (autoResize)
            owner_->AdjustAutoSize(index);
        tree->DoColumnResize(index);
    }
}

void TLeanTreeColumn::SetPosition(uint32_t value) {
    TBaseLeanTree* tree = owner_->header_->tree_;
    if (tree->IsLoading()) {
        // Stored only; the display order is rebuilt from the positions when loading ends.
        position_ = value;
        owner_->fixPositions_ = true;
        return;
    }
    if (owner_->Count() == 0)
        return;
    value = std::min<uint32_t>(value, uint32_t(owner_->Count() - 1));
    if (value == position_)
        return;
    owner_->InitializePositionArray();
    tree->CancelEditNode();
    owner_->AdjustPosition(*this, value);
    Changed();
    if (tree->UpdateCount() == 0) {
        owner_->header_->Invalidate(nullptr);
        tree->InvalidateTree();
    }
    // A column placed next to fixed columns takes their fixed state.
    TColumnIndex neighbour = NoColumn;
    if (options_.Contains(coFixed) && position_ > 0)
        neighbour = owner_->ColumnFromPosition(position_ - 1);
    else
        neighbour = owner_->ColumnFromPosition(position_ + 1);
    if (neighbour >= 0 && neighbour != Index()) {
        auto o = options_;
        if (owner_->Items(neighbour).options_.Contains(coFixed))
            o |= coFixed;
        else
            o -= coFixed;
        SetOptions(o);
    }
}

void TLeanTreeColumn::SetMinWidth(int value) {
    value = std::clamp(value, 0, maxWidth_);
    if (value != minWidth_) {
        minWidth_ = value;
        SetWidth(width_);
    }
}

void TLeanTreeColumn::SetMaxWidth(int value) {
    value = std::max(value, minWidth_);
    if (value != maxWidth_) {
        maxWidth_ = value;
        SetWidth(width_);
    }
}

void TLeanTreeColumn::SetBiDiMode(TBiDiMode value) {
    options_ -= coParentBidiMode;
    if (value != bidi_) {
        bidi_ = value;
        Changed();
        owner_->header_->tree_->InvalidateTree();
    }
}

namespace {

// Stores a changed value; true when it changed.
template <class T> bool Store(T& field, T value) {
    if (field == value)
        return false;
    field = value;
    return true;
}

} // namespace

void TLeanTreeColumn::SetStyle(TLeanTreeColumnStyle value) {
    if (Store(style_, value))
        Changed();
}

void TLeanTreeColumn::SetImageIndex(int value) {
    if (Store(imageIndex_, value))
        Changed();
}

void TLeanTreeColumn::SetLayout(TLTHeaderColumnLayout value) {
    if (Store(layout_, value))
        Changed();
}

void TLeanTreeColumn::SetSpacing(int value) {
    if (Store(spacing_, value))
        Changed();
}

void TLeanTreeColumn::SetTag(int value) {
    if (Store(tag_, value))
        Changed();
}

void TLeanTreeColumn::SetMargin(int value) {
    if (value < 0)
        value = 4;
    if (value != margin_) {
        margin_ = value;
        Changed();
    }
}

void TLeanTreeColumn::SetAlignment(TAlignment value) {
    if (value != alignment_) {
        alignment_ = value;
        Changed();
        owner_->header_->tree_->InvalidateTree();
    }
}

void TLeanTreeColumn::SetColor(TColor value) {
    options_ -= coParentColor;
    if (value != color_) {
        color_ = value;
        Changed();
        owner_->header_->tree_->InvalidateTree();
    }
}

void TLeanTreeColumn::SetOptions(TLTColumnOptions value) {
    if (value == options_)
        return;
    TLTColumnOptions added = value - options_;
    TLTColumnOptions changed = value ^ options_;
    options_ = value;
    TBaseLeanTree* tree = owner_->header_->tree_;
    if (added.Contains(coParentBidiMode))
        bidi_ = tree->BiDiMode();
    if (added.Contains(coParentColor))
        color_ = tree->Color();
    if (added.Contains(coAutoSpring))
        SpringRest = 0;
    Changed();
    if (changed.Intersects({coVisible, coParentColor}) && tree->UpdateCount() == 0) {
        tree->InvalidateTree();
        if (changed.Contains(coVisible))
            tree->UpdateScrollBars(true);
    }
}

std::string TLeanTreeColumn::GetDisplayName() const {
    for (size_t i = 0; i < text_.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text_[i]);
        // UTF-8 lead bytes above 0xC3 encode code points above 255.
        if (c >= 0xC4)
            return Format("Column %d", Index());
    }
    return text_;
}

QRect TLeanTreeColumn::GetRect() const {
    return QRect(left_, 0, width_, owner_->header_->Height());
}

int TLeanTreeColumn::GetLeft() const {
    return left_ + owner_->GetDisplayShift(Index());
}

void TLeanTreeColumn::ParentBiDiModeChanged() {
    TBiDiMode mode = owner_->header_->tree_->BiDiMode();
    if (options_.Contains(coParentBidiMode) && mode != bidi_) {
        bidi_ = mode;
        Changed();
    }
}

void TLeanTreeColumn::ParentColorChanged() {
    TColor color = owner_->header_->tree_->Color();
    if (options_.Contains(coParentColor) && color != color_) {
        color_ = color;
        Changed();
    }
}

void TLeanTreeColumn::RestoreLastWidth() {
    owner_->AnimatedResize(Index(), lastWidth_);
}

void TLeanTreeColumn::Assign(const TLeanTreeColumn& source) {
    options_ = {};
    text_ = source.text_;
    hint_ = source.hint_;
    minWidth_ = source.minWidth_;
    maxWidth_ = source.maxWidth_;
    width_ = source.width_;
    style_ = source.style_;
    imageIndex_ = source.imageIndex_;
    bidi_ = source.bidi_;
    layout_ = source.layout_;
    margin_ = source.margin_;
    spacing_ = source.spacing_;
    tag_ = source.tag_;
    alignment_ = source.alignment_;
    color_ = source.color_;
    position_ = source.position_;
    options_ = source.options_;
    Changed();
}

bool TLeanTreeColumn::Equals(const TLeanTreeColumn& o) const {
    return text_ == o.text_ && hint_ == o.hint_ && width_ == o.width_ && minWidth_ == o.minWidth_ &&
           maxWidth_ == o.maxWidth_ && style_ == o.style_ && imageIndex_ == o.imageIndex_ &&
           bidi_ == o.bidi_ && layout_ == o.layout_ && margin_ == o.margin_ &&
           spacing_ == o.spacing_ && options_ == o.options_ && tag_ == o.tag_ &&
           alignment_ == o.alignment_ && color_ == o.color_ && position_ == o.position_;
}

// ---- TLeanTreeColumns ----

std::unique_ptr<TLeanTreeColumn> TBaseLeanTree::GetColumnClass(TLeanTreeColumns* Owner) {
    return std::make_unique<TLeanTreeColumn>(Owner);
}

TLeanTreeColumns::TLeanTreeColumns(TLTHeader* header) : header_(header) {}

TLeanTreeColumns::~TLeanTreeColumns() = default;

TLeanTreeColumn& TLeanTreeColumns::Add() {
    items_.push_back(header_->tree_->GetColumnClass(this));
    Update(nullptr);
    return *items_.back();
}

template <class F> void TLeanTreeColumns::RenumberReferences(F Renumber) {
    for (TColumnIndex* c : {&HoverIndex, &DownIndex, &TrackIndex, &ClickIndex, &DropTarget,
                            &header_->autoSizeIndex_, &header_->sortColumn_})
        Renumber(*c, NoColumn);
    TColumnIndex& main = header_->mainColumn_;
    Renumber(main, Count() > 1 ? 0 : NoColumn); // a deleted one: the first remaining column
    Renumber(header_->tree_->FFocusedColumn, main);
}

void TLeanTreeColumns::RemoveReferences(int index) {
    RenumberReferences([index](TColumnIndex& c, TColumnIndex Gone) {
        if (c == index)
            c = Gone;
        else if (c > index)
            --c;
    });
}

void TLeanTreeColumns::IndexChanged(int OldIndex, int NewIndex) {
    if (NewIndex < 0) {
        RemoveReferences(OldIndex);
        auto it = std::find(positionToIndex_.begin(), positionToIndex_.end(), OldIndex);
        if (it != positionToIndex_.end())
            positionToIndex_.erase(it);
        for (int& i : positionToIndex_)
            if (i > OldIndex)
                --i;
        return;
    }
    // The columns between the two places move up or down by one.
    auto move = [OldIndex, NewIndex](int& i) {
        if (i == OldIndex)
            i = NewIndex;
        else if (OldIndex < NewIndex && i > OldIndex && i <= NewIndex)
            --i;
        else if (NewIndex < OldIndex && i >= NewIndex && i < OldIndex)
            ++i;
    };
    for (int& i : positionToIndex_)
        move(i);
    RenumberReferences([&move](TColumnIndex& c, TColumnIndex) {
        if (c >= 0)
            move(c);
    });
}

void TLeanTreeColumns::Delete(int index) {
    if (!IsValidColumn(index))
        return;
    InitializePositionArray();
    IndexChanged(index, NoColumn);
    items_.erase(items_.begin() + index);
    UpdatePositions(true);
    Update(nullptr);
}

void TLeanTreeColumns::Clear() {
    clearing_ = true;
    HoverIndex = DownIndex = TrackIndex = ClickIndex = DropTarget = NoColumn;
    if (!header_->states_.Contains(THeaderState::hsLoading))
        header_->autoSizeIndex_ = header_->mainColumn_ = header_->sortColumn_ = NoColumn;
    items_.clear();
    positionToIndex_.clear();
    clearing_ = false;
    Update(nullptr);
}

void TLeanTreeColumns::Assign(const TLeanTreeColumns& source) {
    BeginUpdate();
    items_.clear();
    for (const auto& c : source.items_) {
        items_.push_back(header_->tree_->GetColumnClass(this));
        items_.back()->Assign(*c);
    }
    positionToIndex_ = source.positionToIndex_;
    EndUpdate();
    UpdatePositions(true);
}

void TLeanTreeColumns::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0)
        Update(nullptr);
}

void TLeanTreeColumns::InitializePositionArray() {
    int count = Count();
    int old = int(positionToIndex_.size());
    if (old == count)
        return;
    if (old < count) {
        for (int i = old; i < count; ++i)
            positionToIndex_.push_back(i);
    } else {
        positionToIndex_.resize(size_t(count));
        // Entries that now point past the end move down until every index is valid.
        bool again = true;
        while (again) {
            again = false;
            for (int& i : positionToIndex_)
                if (i >= count) {
                    --i;
                    again = true;
                }
        }
    }
}

void TLeanTreeColumns::UpdatePositions(bool Force) {
    if (fixPositions_ || (updateCount_ > 0 && !Force))
        return;
    InitializePositionArray();
    int left = 0;
    for (size_t p = 0; p < positionToIndex_.size(); ++p) {
        TLeanTreeColumn& c = *items_[size_t(positionToIndex_[p])];
        c.position_ = uint32_t(p);
        c.left_ = left;
        if (c.Visible())
            left += c.width_;
    }
}

void TLeanTreeColumns::FixPositions() {
    // By the stored positions; equal ones keep the collection order.
    positionToIndex_.resize(items_.size());
    for (size_t i = 0; i < items_.size(); ++i)
        positionToIndex_[i] = int(i);
    std::stable_sort(positionToIndex_.begin(), positionToIndex_.end(), [this](int a, int b) {
        return items_[size_t(a)]->position_ < items_[size_t(b)]->position_;
    });
    fixPositions_ = false;
    UpdatePositions(true);
}

void TLeanTreeColumns::AdjustPosition(TLeanTreeColumn& Column, uint32_t NewPosition) {
    int index = Column.Index();
    auto it = std::find(positionToIndex_.begin(), positionToIndex_.end(), index);
    positionToIndex_.erase(it);
    positionToIndex_.insert(positionToIndex_.begin() + NewPosition, index);
    Column.position_ = NewPosition;
}

void TLeanTreeColumns::Update(TLeanTreeColumn* Item) {
    InitializePositionArray();
    if (header_->tree_->IsLoading())
        fixPositions_ = true;
    else
        UpdatePositions();
    if (header_->mainColumn_ < 0 && Count() > 0)
        header_->mainColumn_ = 0;
    if (updateCount_ > 0)
        return;
    TBaseLeanTree* tree = header_->tree_;
    if (header_->options_.Contains(hoAutoResize))
        AdjustAutoSize(InvalidColumn);
    if (!Item) {
        tree->UpdateScrollBars(false);
        header_->Invalidate(nullptr);
        tree->InvalidateTree();
    } else {
        header_->Invalidate(Item);
    }
}

TColumnIndex TLeanTreeColumns::GetFirstVisibleColumn() const {
    for (int i : positionToIndex_)
        if (items_[size_t(i)]->Visible())
            return i;
    return InvalidColumn;
}

TColumnIndex TLeanTreeColumns::GetLastVisibleColumn() const {
    for (auto it = positionToIndex_.rbegin(); it != positionToIndex_.rend(); ++it)
        if (items_[size_t(*it)]->Visible())
            return *it;
    return InvalidColumn;
}

TColumnIndex TLeanTreeColumns::GetNextColumn(TColumnIndex Column) const {
    if (!IsValidColumn(Column))
        return InvalidColumn;
    uint32_t p = items_[size_t(Column)]->position_ + 1;
    return p < positionToIndex_.size() ? positionToIndex_[p] : InvalidColumn;
}

TColumnIndex TLeanTreeColumns::GetNextVisibleColumn(TColumnIndex Column) const {
    do
        Column = GetNextColumn(Column);
    while (Column >= 0 && !items_[size_t(Column)]->Visible());
    return Column;
}

TColumnIndex TLeanTreeColumns::GetPreviousColumn(TColumnIndex Column) const {
    if (!IsValidColumn(Column))
        return InvalidColumn;
    uint32_t p = items_[size_t(Column)]->position_;
    return p > 0 ? positionToIndex_[p - 1] : InvalidColumn;
}

TColumnIndex TLeanTreeColumns::GetPreviousVisibleColumn(TColumnIndex Column) const {
    do
        Column = GetPreviousColumn(Column);
    while (Column >= 0 && !items_[size_t(Column)]->Visible());
    return Column;
}

std::vector<TColumnIndex> TLeanTreeColumns::GetVisibleColumns() const {
    std::vector<TColumnIndex> result;
    for (int i : positionToIndex_)
        if (items_[size_t(i)]->Visible())
            result.push_back(i);
    return result;
}

int TLeanTreeColumns::GetVisibleFixedWidth() const {
    int w = 0;
    for (const auto& c : items_)
        if (c->Visible() && c->options_.Contains(coFixed))
            w += c->width_;
    return w;
}

TColumnIndex TLeanTreeColumns::ColumnFromPosition(uint32_t Position) const {
    return Position < positionToIndex_.size() ? positionToIndex_[Position] : NoColumn;
}

namespace {

constexpr int FarRight = 1 << 28; // beyond any client area

TColumnPlace PlaceAt(int FirstScrolled, int LastScrolled, int Position, bool Fixed) {
    if (!Fixed)
        return TColumnPlace::cpScrolled;
    if (FirstScrolled < 0 || Position < FirstScrolled)
        return TColumnPlace::cpFixedLeft;
    return Position > LastScrolled ? TColumnPlace::cpFixedRight : TColumnPlace::cpScrolled;
}

} // namespace

TLeanTreeColumns::TFixedGroups TLeanTreeColumns::GetFixedGroups() const {
    TFixedGroups g;
    for (size_t p = 0; p < positionToIndex_.size(); ++p) {
        const TLeanTreeColumn& c = *items_[size_t(positionToIndex_[p])];
        if (c.Visible() && !c.options_.Contains(coFixed)) {
            if (g.FirstScrolled < 0)
                g.FirstScrolled = int(p);
            g.LastScrolled = int(p);
        }
    }
    for (size_t p = 0; p < positionToIndex_.size(); ++p) {
        const TLeanTreeColumn& c = *items_[size_t(positionToIndex_[p])];
        if (!c.Visible())
            continue;
        switch (PlaceAt(g.FirstScrolled, g.LastScrolled, int(p), c.options_.Contains(coFixed))) {
        case TColumnPlace::cpFixedLeft:
            g.LeftWidth += c.width_;
            break;
        case TColumnPlace::cpFixedRight:
            if (g.RightStart < 0)
                g.RightStart = c.left_;
            break;
        case TColumnPlace::cpScrolled:
            break;
        }
    }
    if (g.RightStart >= 0) {
        // Pinned to the client's right end while the columns are wider than the client, but
        // never over the fixed columns on the left.
        int client = header_->tree_->ClientWidth();
        g.RightShift = std::min(0, std::max(client - TotalWidth(), g.LeftWidth - g.RightStart));
    }
    return g;
}

TColumnPlace TLeanTreeColumns::GetColumnPlace(TColumnIndex Column) const {
    if (!IsValidColumn(Column))
        return TColumnPlace::cpScrolled;
    const TLeanTreeColumn& c = *items_[size_t(Column)];
    if (!c.Visible() || !c.options_.Contains(coFixed))
        return TColumnPlace::cpScrolled;
    TFixedGroups g = GetFixedGroups();
    return PlaceAt(g.FirstScrolled, g.LastScrolled, int(c.position_), true);
}

int TLeanTreeColumns::GetDisplayShift(TColumnIndex Column) const {
    switch (GetColumnPlace(Column)) {
    case TColumnPlace::cpFixedLeft:
        return 0;
    case TColumnPlace::cpFixedRight:
        return GetFixedGroups().RightShift;
    case TColumnPlace::cpScrolled:
        break;
    }
    return header_->tree_->OffsetX();
}

void TLeanTreeColumns::GetScrolledArea(int& Left, int& Right) const {
    TFixedGroups g = GetFixedGroups();
    Left = g.LeftWidth;
    Right = g.RightStart >= 0 ? g.RightStart + g.RightShift : FarRight;
}

std::vector<TColumnIndex> TLeanTreeColumns::GetPaintOrder() const {
    TFixedGroups g = GetFixedGroups();
    std::vector<TColumnIndex> scrolled, fixed;
    for (size_t p = 0; p < positionToIndex_.size(); ++p) {
        int i = positionToIndex_[p];
        const TLeanTreeColumn& c = *items_[size_t(i)];
        if (!c.Visible())
            continue;
        bool isFixed = PlaceAt(g.FirstScrolled, g.LastScrolled, int(p),
                               c.options_.Contains(coFixed)) != TColumnPlace::cpScrolled;
        (isFixed ? fixed : scrolled).push_back(i);
    }
    scrolled.insert(scrolled.end(), fixed.begin(), fixed.end());
    return scrolled;
}

TColumnIndex TLeanTreeColumns::GetColumnAndBounds(QPoint P, int& Left, int& Right,
                                                  bool Relative) const {
    Left = Right = 0;
    if (P.x() < 0 || P.y() < 0)
        return InvalidColumn;
    TFixedGroups g = GetFixedGroups();
    int offset = Relative ? header_->tree_->OffsetX() : 0;
    int areaLeft = g.LeftWidth,
        areaRight = g.RightStart >= 0 ? g.RightStart + g.RightShift : FarRight;
    for (size_t p = 0; p < positionToIndex_.size(); ++p) {
        int i = positionToIndex_[p];
        const TLeanTreeColumn& c = *items_[size_t(i)];
        if (!c.Visible())
            continue;
        int l = c.left_;
        if (Relative) {
            // Columns where they show; scrolling ones only between the fixed groups.
            switch (
                PlaceAt(g.FirstScrolled, g.LastScrolled, int(p), c.options_.Contains(coFixed))) {
            case TColumnPlace::cpFixedLeft:
                break;
            case TColumnPlace::cpFixedRight:
                l += g.RightShift;
                break;
            case TColumnPlace::cpScrolled:
                if (P.x() < areaLeft || P.x() >= areaRight)
                    continue;
                l += offset;
                break;
            }
        }
        int r = l + c.width_;
        if (r > P.x() && l <= P.x()) {
            Left = l;
            Right = r;
            return i;
        }
    }
    return InvalidColumn;
}

TColumnIndex TLeanTreeColumns::ColumnFromPosition(QPoint P, bool Relative) const {
    int l, r;
    return GetColumnAndBounds(P, l, r, Relative);
}

int TLeanTreeColumns::TotalWidth() const {
    TColumnIndex last = GetLastVisibleColumn();
    if (last < 0)
        return 0;
    const TLeanTreeColumn& c = *items_[size_t(last)];
    return c.left_ + c.width_;
}

void TLeanTreeColumns::GetColumnBounds(TColumnIndex Column, int& Left, int& Right) const {
    if (Column < 0 || !IsValidColumn(Column)) {
        Left = 0;
        Right = header_->tree_->ClientWidth();
        return;
    }
    const TLeanTreeColumn& c = *items_[size_t(Column)];
    Left = c.left_;
    Right = c.left_ + c.width_;
}

void TLeanTreeColumns::AdjustAutoSize(TColumnIndex CurrentIndex, bool Force) {
    if (items_.empty())
        return;
    TColumnIndex autoIndex = AutoSizeColumn();
    if (IsValidColumn(CurrentIndex) &&
        items_[size_t(CurrentIndex)]->position_ >= items_[size_t(autoIndex)]->position_) {
        autoIndex = GetNextVisibleColumn(CurrentIndex);
        if (autoIndex < 0)
            return;
    }
    TLeanTreeColumn& c = *items_[size_t(autoIndex)];
    int others = 0;
    for (size_t i = 0; i < items_.size(); ++i)
        if (int(i) != autoIndex && items_[i]->Visible())
            others += items_[i]->width_;
    int width = header_->tree_->ClientWidth() - others;
    width = std::max(std::min(width, c.maxWidth_), c.minWidth_);
    if (!Force && width == c.width_)
        return;
    c.lastWidth_ = c.width_;
    c.width_ = width;
    UpdatePositions(true);
    header_->tree_->DoColumnResize(autoIndex);
}

TColumnIndex TLeanTreeColumns::AutoSizeColumn() const {
    TColumnIndex index = header_->autoSizeIndex_;
    return IsValidColumn(index) ? index : Count() - 1;
}

void TLeanTreeColumns::AnimatedResize(TColumnIndex Column, int NewWidth) {
    if (!IsValidColumn(Column))
        return;
    TLeanTreeColumn& c = *items_[size_t(Column)];
    NewWidth = std::clamp(NewWidth, c.minWidth_, std::max(c.minWidth_, c.maxWidth_));
    if (NewWidth == c.width_)
        return;
    // Steps of the animation: the intermediate widths are shown without notifications, the
    // header and the rows from the column's left edge on following each step.
    TBaseLeanTree* tree = header_->tree_;
    int old = c.width_, step = (NewWidth - old) / 32;
    if (tree->isVisible() && step != 0) {
        QWidget* rows = tree->viewport();
        for (int i = 1; i < 32; ++i) {
            c.width_ = old + step * i;
            UpdatePositions(true);
            header_->Area()->repaint();
            int left = std::max(0, c.GetLeft());
            rows->repaint(QRect(left, 0, std::max(0, rows->width() - left), rows->height()));
            QThread::msleep(1);
        }
        c.width_ = old;
        UpdatePositions(true);
    }
    c.SetWidth(NewWidth);
}

void TLeanTreeColumns::HandleClick(QPoint P, TMouseButton Button, bool DblClick, bool Force,
                                   TShiftState Shift) {
    TColumnIndex column = ColumnFromPosition(P);
    TColumnIndex old = ClickIndex;
    if (column >= 0 && items_[size_t(column)]->options_.Contains(coAllowClick) &&
        (column == DownIndex || Force)) {
        ClickIndex = column;
        if (DblClick)
            Shift |= TShiftStateMember::ssDouble;
        header_->tree_->DoHeaderClick(column, Button, Shift, P.x(), P.y());
        header_->Invalidate(items_[size_t(column)].get());
    } else {
        ClickIndex = NoColumn;
    }
    if (old >= 0 && old != ClickIndex && IsValidColumn(old))
        header_->Invalidate(items_[size_t(old)].get());
}

bool TLeanTreeColumns::AdjustHoverColumn(QPoint P) {
    TColumnIndex column = ColumnFromPosition(P);
    if (column == HoverIndex)
        return false;
    if (IsValidColumn(HoverIndex))
        header_->Invalidate(items_[size_t(HoverIndex)].get());
    HoverIndex = column;
    if (IsValidColumn(column))
        header_->Invalidate(items_[size_t(column)].get());
    return true;
}

bool TLeanTreeColumns::AdjustDownColumn(QPoint P) {
    TColumnIndex column = ColumnFromPosition(P);
    if (column >= 0) {
        const auto& o = items_[size_t(column)]->options_;
        if (!o.Contains(coAllowClick) || !o.Contains(coEnabled))
            column = InvalidColumn;
    }
    if (column == DownIndex)
        return false;
    if (IsValidColumn(DownIndex))
        header_->Invalidate(items_[size_t(DownIndex)].get());
    DownIndex = column;
    if (IsValidColumn(column))
        header_->Invalidate(items_[size_t(column)].get());
    return true;
}

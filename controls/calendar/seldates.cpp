#include "controls/calendar/seldates.h"

#include <algorithm>

#include "platform/sysutils.h"

void TSelDateItem::Repaint(TDateTime day) {
    if (!collection_ || !collection_->Notify || collection_->updateCount_ > 0)
        return;
    if (collection_->owner_)
        collection_->owner_->RepaintDate(day);
}

void TSelDateItem::SetDate(TDateTime value) {
    if (value == date_)
        return;
    TDateTime old = date_;
    date_ = value;
    Repaint(old);
    Repaint(value);
}

void TSelDateItem::SetMarkerColor(TColor value) {
    markerColor_ = value;
    Repaint(date_);
}

void TSelDateItem::SetMarkerShape(TEventShape value) {
    markerShape_ = value;
    Repaint(date_);
}

void TSelDateItem::SetDayColor(TColor value) {
    dayColor_ = value;
    Repaint(date_);
}

void TSelDateItem::Assign(const TSelDateItem& source) {
    if (&source == this)
        return;
    SetDate(source.date_);
    hint_ = source.hint_;
    SetMarkerColor(source.markerColor_);
    SetMarkerShape(source.markerShape_);
    SetDayColor(source.dayColor_);
}

TSelDateItem* TSelDateItems::GetItem(int index) const {
    if (index < 0 || index >= Count())
        throw Exception("List index out of bounds (" + std::to_string(index) + ")");
    return items_[size_t(index)].get();
}

TSelDateItem* TSelDateItems::AddDate() {
    auto item = std::make_unique<TSelDateItem>(this);
    if (owner_) {
        item->markerColor_ = owner_->EventMarkerColor();
        item->markerShape_ = owner_->EventMarkerShape();
        item->dayColor_ = owner_->EventDayColor();
    }
    items_.push_back(std::move(item));
    Changed();
    return items_.back().get();
}

TSelDateItem* TSelDateItems::AddDate(TDateTime date) {
    BeginUpdate();
    TSelDateItem* item = AddDate();
    item->date_ = date;
    EndUpdate();
    return item;
}

int TSelDateItems::IndexOf(TDateTime date) const {
    double day = DayNumber(date);
    for (size_t i = 0; i < items_.size(); ++i)
        if (DayNumber(items_[i]->date_) == day)
            return int(i);
    return -1;
}

TSelDateItem* TSelDateItems::FindDate(TDateTime date) const {
    int i = IndexOf(date);
    return i < 0 ? nullptr : items_[size_t(i)].get();
}

void TSelDateItems::AddRange(TDateTime FromDate, TDateTime ToDate) {
    double from = DayNumber(FromDate), to = DayNumber(ToDate);
    if (from > to)
        std::swap(from, to);
    BeginUpdate();
    for (double d = from; d <= to; ++d)
        if (!Contains(d))
            AddDate(d);
    EndUpdate();
}

void TSelDateItems::DeleteRange(TDateTime FromDate, TDateTime ToDate) {
    double from = DayNumber(FromDate), to = DayNumber(ToDate);
    if (from > to)
        std::swap(from, to);
    BeginUpdate();
    std::erase_if(items_, [&](const std::unique_ptr<TSelDateItem>& item) {
        double d = DayNumber(item->date_);
        return d >= from && d <= to;
    });
    EndUpdate();
}

void TSelDateItems::Delete(int index) {
    GetItem(index);
    items_.erase(items_.begin() + index);
    Changed();
}

void TSelDateItems::Clear() {
    if (items_.empty())
        return;
    items_.clear();
    Changed();
}

void TSelDateItems::Sort() {
    std::stable_sort(items_.begin(), items_.end(),
                     [](const auto& a, const auto& b) { return a->date_ < b->date_; });
}

void TSelDateItems::Assign(const TSelDateItems& source) {
    if (&source == this)
        return;
    BeginUpdate();
    items_.clear();
    for (const auto& s : source.items_) {
        auto item = std::make_unique<TSelDateItem>(this);
        item->date_ = s->date_;
        item->hint_ = s->hint_;
        item->markerColor_ = s->markerColor_;
        item->markerShape_ = s->markerShape_;
        item->dayColor_ = s->dayColor_;
        items_.push_back(std::move(item));
    }
    EndUpdate();
}

void TSelDateItems::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0)
        Changed();
}

void TSelDateItems::ResetUpdate() {
    if (updateCount_ > 0)
        --updateCount_;
}

void TSelDateItems::Changed() {
    if (updateCount_ > 0 || !Notify)
        return;
    if (owner_)
        owner_->EventsChanged();
    if (OnChange)
        OnChange();
}

#pragma once
// Lists kept in ascending order by a comparison each descendant supplies, with binary search
// for lookup and insertion: whole-day sets (TSortedDates) and custom day colours
// (TCustomDateColorList). The database's alert index builds on them too.

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>
#include <vector>

#include "platform/datetime.h"

enum TListDuplicates : uint8_t {
    dupIgnore = 0, // Add of an item equal to one present inserts nothing
    dupAccept = 1, // equal items are kept, the newest before the others
};

// A number to sort by and the position it belongs to.
using TSortKey = std::pair<uint64_t, uint32_t>;

// The bits of a number (not NaN) as an unsigned number in the same order; 0 and -0 alike.
uint64_t OrderedBits(double value);

// Sorts keys by their numbers, keeping equal numbers in their order, in O(n) (a radix sort;
// short lists are sorted by comparison).
void StableSortKeys(std::vector<TSortKey>& keys);

template <class T> class TListSorted {
public:
    virtual ~TListSorted() = default;

    int Count() const { return static_cast<int>(items_.size()); }
    bool Empty() const { return items_.empty(); }
    // index 0 .. Count() - 1, else std::out_of_range.
    const T& Items(int index) const { return items_.at(index); }
    typename std::vector<T>::const_iterator begin() const { return items_.begin(); }
    typename std::vector<T>::const_iterator end() const { return items_.end(); }

    // Binary search. True when an equal item exists; index is then its position (with
    // dupAccept the first of the equal items), otherwise the insertion point.
    bool Find(const T& item, int& index) const {
        return FindBy([&](const T& x) { return Compare(x, item); }, index);
    }
    // Inserts item in order and returns its index; -1 (nothing inserted) when an equal item
    // exists and Duplicates is dupIgnore.
    int Add(T item) {
        int index = 0;
        if (Find(item, index) && Duplicates != dupAccept)
            return -1;
        items_.insert(items_.begin() + index, std::move(item));
        return index;
    }
    // Adds every item as Add would one after the other, in items' order, with the same
    // result (the order of equal items and what dupIgnore drops included), in
    // O((Count() + n) log n) for n items. Returns the number of items inserted.
    // keys, when it holds one for each item, are the items' SortKey numbers, worked out by
    // the caller while the items were at hand.
    int AddAll(std::vector<T> items, const std::vector<double>& keys = {}) {
        const auto before = [this](const T& a, const T& b) { return Compare(a, b) < 0; };
        if (Duplicates == dupAccept) {
            // Add puts an item before those equal to it: among equal items the one added last
            // comes first, and the new ones come before those present.
            if (!SortByKeys(items, keys, true)) {
                std::reverse(items.begin(), items.end());
                std::stable_sort(items.begin(), items.end(), before);
            }
        } else {
            // The first of equal items wins, and none equal to an item present is added.
            std::stable_sort(items.begin(), items.end(), before);
            const auto same = [this](const T& a, const T& b) { return Compare(a, b) == 0; };
            items.erase(std::unique(items.begin(), items.end(), same), items.end());
            std::erase_if(items, [this](const T& item) { return IndexOf(item) >= 0; });
        }
        const int inserted = static_cast<int>(items.size());
        if (items_.empty()) {
            items_ = std::move(items);
        } else {
            std::vector<T> merged;
            merged.reserve(items_.size() + items.size());
            // std::merge takes from its first range among equal items: the new ones.
            std::merge(std::make_move_iterator(items.begin()), std::make_move_iterator(items.end()),
                       std::make_move_iterator(items_.begin()),
                       std::make_move_iterator(items_.end()), std::back_inserter(merged), before);
            items_ = std::move(merged);
        }
        return inserted;
    }
    // The index Find gives for an equal item, else -1.
    int IndexOf(const T& item) const {
        int index = 0;
        return Find(item, index) ? index : -1;
    }
    // index 0 .. Count() - 1, else std::out_of_range.
    void Delete(int index) {
        (void)items_.at(index);
        items_.erase(items_.begin() + index);
    }
    void Clear() { items_.clear(); }
    // Empties the list and hands its items over, in order.
    std::vector<T> TakeAll() { return std::exchange(items_, {}); }
    // Replaces the content with items, which the caller has already put in this list's order
    // (each once unless dupAccept); the order is not checked.
    void AssignOrdered(std::vector<T> items) { items_ = std::move(items); }

    uint8_t Duplicates = dupIgnore;

protected:
    // Negative when a sorts before b, 0 when equal, positive after.
    virtual int Compare(const T& a, const T& b) const = 0;
    // A descendant whose Compare orders items as numbers may give an item's number (true), so
    // that AddAll sorts the numbers side by side instead of following the items; false (the
    // default) leaves the sorting to Compare.
    virtual bool SortKey(const T& /*item*/, double& /*key*/) const { return false; }

    // The binary search over cmp(x), which compares item x with the sought key.
    template <class F> bool FindBy(F cmp, int& index) const {
        int l = 0;
        int h = Count() - 1;
        bool found = false;
        while (l <= h) {
            const int i = l + (h - l) / 2;
            const int c = cmp(items_[i]);
            if (c < 0) {
                l = i + 1;
            } else {
                h = i - 1;
                if (c == 0) {
                    found = true;
                    if (Duplicates != dupAccept)
                        l = i;
                }
            }
        }
        index = l;
        return found;
    }

    std::vector<T> items_;

private:
    // Sorts items stably by their numbers (given, else SortKey's), those with equal numbers
    // in reverse order when reversed is set; false, items untouched, when an item has no
    // number (or one that is not a number).
    bool SortByKeys(std::vector<T>& items, const std::vector<double>& given, bool reversed) const {
        const size_t n = items.size();
        const bool isGiven = given.size() == n;
        std::vector<TSortKey> keys(n);
        for (size_t i = 0; i < n; ++i) {
            const size_t at = reversed ? n - 1 - i : i;
            double key = 0;
            if (isGiven)
                key = given[at];
            else if (!SortKey(items[at], key))
                return false;
            if (key != key)
                return false;
            keys[i] = {OrderedBits(key), static_cast<uint32_t>(at)};
        }
        StableSortKeys(keys);
        std::vector<T> sorted;
        sorted.reserve(items.size());
        for (const TSortKey& key : keys)
            sorted.push_back(std::move(items[key.second]));
        items = std::move(sorted);
        return true;
    }
};

// -1, 0 or 1 as a is below, equal to or above b.
template <class T> int CompareValues(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// 32-bit values in ascending signed order, each once.
class TListSortedPointers : public TListSorted<int32_t> {
protected:
    int Compare(const int32_t& a, const int32_t& b) const override { return CompareValues(a, b); }
};

// The whole-day number of a date (its integral part); 0 for values that are not a number or
// do not fit in 32 bits.
int32_t WholeDay(TDateTime date);

// Whole-day numbers, each once.
class TSortedDates : public TListSortedPointers {
public:
    // Adds the whole day of date; its index, or -1 when present.
    int AddDate(TDateTime date) { return Add(WholeDay(date)); }
    bool HasDate(TDateTime date) const { return IndexOf(WholeDay(date)) >= 0; }
    // Deletes the whole day of date when present.
    void RemoveDate(TDateTime date);
};

// A colour for one day: Date holds whole days only.
struct TDateColor {
    TDateColor(TDateTime date, int32_t color) : Date(WholeDay(date)), Color(color) {}
    TDateTime Date;
    int32_t Color; // a 32-bit colour value ($00BBGGRR, or a system colour)
};

// Custom day colours in date order, one per day.
class TCustomDateColorList : public TListSorted<TDateColor> {
public:
    // The index of the day's colour, or -1.
    int IndexOfDate(TDateTime date) const { return IndexOf(TDateColor(date, 0)); }
    // Replaces the colour of an existing entry.
    void SetColor(int index, int32_t color) { items_.at(index).Color = color; }

protected:
    int Compare(const TDateColor& a, const TDateColor& b) const override {
        return CompareValues(a.Date, b.Date);
    }
};

#pragma once
// The calendar's date collections: the selection and the event days. Items compare by whole
// day (the time part is ignored). Changes are reported to the owning calendar through
// ISelDateOwner unless the collection is inside an update or its notify switch is off.

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/calendar/calendartypes.h"

// What a collection reports to and reads from the calendar that owns it.
class ISelDateOwner {
public:
    virtual ~ISelDateOwner() = default;
    virtual void EventsChanged() = 0;             // the collection changed as a whole
    virtual void RepaintDate(TDateTime Date) = 0; // one item's day changed its look
    virtual TColor EventMarkerColor() const = 0;  // defaults of new items
    virtual TEventShape EventMarkerShape() const = 0;
    virtual TColor EventDayColor() const = 0;
};

class TSelDateItems;

// One day of a collection with its hint and the marker look of an event day.
class TSelDateItem {
public:
    explicit TSelDateItem(TSelDateItems* collection) : collection_(collection) {}

    TDateTime Date() const { return date_; }
    const std::string& Hint() const { return hint_; }
    TColor MarkerColor() const { return markerColor_; }
    TEventShape MarkerShape() const { return markerShape_; }
    TColor DayColor() const { return dayColor_; }
    // Setters of Date, MarkerColor, MarkerShape and DayColor repaint the day (old and new day
    // for Date) unless the collection is in an update.
    void SetDate(TDateTime value);
    void SetHint(std::string value) { hint_ = std::move(value); }
    void SetMarkerColor(TColor value);
    void SetMarkerShape(TEventShape value);
    void SetDayColor(TColor value);
    // Copies all fields (with repaints as the setters do).
    void Assign(const TSelDateItem& source);

private:
    friend class TSelDateItems;
    void Repaint(TDateTime day);
    TSelDateItems* collection_;
    TDateTime date_ = 0;
    std::string hint_;
    TColor markerColor_ = clYellow;
    TEventShape markerShape_ = evsCircle;
    TColor dayColor_ = clBlack;
};

class TSelDateItems {
public:
    // owner may be null: nothing is reported and new items get the default marker look.
    explicit TSelDateItems(ISelDateOwner* owner = nullptr) : owner_(owner) {}
    TSelDateItems(const TSelDateItems&) = delete;
    TSelDateItems& operator=(const TSelDateItems&) = delete;

    int Count() const { return int(items_.size()); }
    // Item at index (0-based); raises Exception "List index out of bounds (i)" outside.
    TSelDateItem* GetItem(int index) const;
    TSelDateItem* operator[](int index) const { return GetItem(index); }

    // Appends an item (date 0) with the owner's marker colour, marker shape and day colour.
    TSelDateItem* AddDate();
    // Appends an item for date (whole day kept as given).
    TSelDateItem* AddDate(TDateTime date);
    // Position of the item of date's day, -1 when absent.
    int IndexOf(TDateTime date) const;
    // The item of date's day, nullptr when absent.
    TSelDateItem* FindDate(TDateTime date) const;
    bool Contains(TDateTime date) const { return IndexOf(date) >= 0; }
    // Adds each missing day from FromDate to ToDate (ends swapped when From > To).
    void AddRange(TDateTime FromDate, TDateTime ToDate);
    // Removes each present day from FromDate to ToDate (either order).
    void DeleteRange(TDateTime FromDate, TDateTime ToDate);
    void Delete(int index);
    void Clear();
    // Sorts ascending by date (stable).
    void Sort();
    // Replaces the items by copies of source's.
    void Assign(const TSelDateItems& source);

    // Updates nest; the last EndUpdate reports the change. ResetUpdate leaves one level
    // without reporting.
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    void ResetUpdate();
    int UpdateCount() const { return updateCount_; }
    // Reports a change (owner's EventsChanged and OnChange) when not in an update.
    void Changed();

    ISelDateOwner* Owner() const { return owner_; }
    void SetOwner(ISelDateOwner* owner) { owner_ = owner; }
    // Off: nothing is reported (temporary copies).
    bool Notify = true;
    std::function<void()> OnChange;

private:
    friend class TSelDateItem;
    ISelDateOwner* owner_;
    std::vector<std::unique_ptr<TSelDateItem>> items_;
    int updateCount_ = 0;
};

// The whole-day number of a date: its integer part (the fraction is the time of day).
inline double DayNumber(TDateTime date) {
    return std::trunc(date);
}

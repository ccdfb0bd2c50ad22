#include "core/tockwelldb.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

#include "core/texthelpers.h"
#include "platform/datetimeformat.h"
#include "platform/sysutils.h"

namespace {

constexpr int HintCaptionLength = 30;
constexpr const char* HintLineBreak = "\n\r";

} // namespace

// ---- TSortedTockwelDB ---------------------------------------------------------------------

TAlertIndexEntry::TAlertIndexEntry(const TTockwellItemPtr& item)
    : Key(TSortedTockwelDB::Key(*item)), Item(item.get()), HasReminder(item->HasReminder()) {}

TDateTime TSortedTockwelDB::Key(const TTockwellItem& item) {
    const TDateTime next = item.NextAlertDateTime();
    return std::isnan(next) ? 0 : next;
}

int TSortedTockwelDB::Compare(const TAlertIndexEntry& a, const TAlertIndexEntry& b) const {
    return CompareValues(a.Key, b.Key);
}

void TSortedTockwelDB::Assign(const std::vector<TTockwellItemPtr>& items) {
    std::vector<TAlertIndexEntry> entries;
    entries.reserve(items.size());
    for (size_t i = 0; i < items.size(); ++i)
        entries.emplace_back(Key(*items[i]), items[i].get(), static_cast<uint32_t>(i),
                             items[i]->HasReminder());
    std::sort(entries.begin(), entries.end(), Before);
    items_ = std::move(entries);
}

int TSortedTockwelDB::FindFirstAtOrAfter(TDateTime t) const {
    int index = 0;
    FindBy([t](const TAlertIndexEntry& x) { return CompareValues(x.Key, t); }, index);
    return index;
}

bool TSortedTockwelDB::Remove(const TTockwellItem* item) {
    for (int i = 0; i < Count(); ++i)
        if (items_[i].Item == item) {
            Delete(i);
            return true;
        }
    return false;
}

// ---- TTockwellDB --------------------------------------------------------------------------

TTockwellDB::TTockwellDB() = default;

TTockwellDB::~TTockwellDB() {
    for (const TTockwellItemPtr& item : *items_)
        item->MarkRemoved();
}

TTockwellDB::TItemList& TTockwellDB::MutableItems() {
    if (items_.use_count() > 1)
        items_ = std::make_shared<TItemList>(*items_);
    return *items_;
}

TTockwellItemPtr TTockwellDB::NewItem(const std::string& caption, TDateTime date) {
    auto item = std::make_shared<TTockwellItem>();
    item->Caption = caption;
    TReminderItem& reminder = item->GetReminder();
    reminder.SetReminderDateTimeIfChanged(date);
    if (date != 0)
        reminder.SetReminderState(rsActive);
    return item;
}

void TTockwellDB::Add(const TTockwellItemPtr& item) {
    if (!item || item->Owner() == this)
        return;
    if (item->Owner())
        throw Exception("The reminder belongs to another database.");
    item->MarkAdded(this);
    item->OnDelete = [this](const IReminderAwareItemPtr& entry) { Remove(entry); };
    MutableItems().push_back(item);
    ++listVersion_;
}

TTockwellItemPtr TTockwellDB::AddNew(const std::string& caption, TDateTime date) {
    TTockwellItemPtr item = NewItem(caption, date);
    Add(item);
    return item;
}

int TTockwellDB::IndexOf(const IReminderAwareItemPtr& item) const {
    for (int i = 0; i < Count(); ++i)
        if (static_cast<IReminderAwareItem*>((*items_)[i].get()) == item.get())
            return i;
    return -1;
}

bool TTockwellDB::Remove(const IReminderAwareItemPtr& item) {
    if (!item || !item->GetObject() || item->GetObject()->Owner() != this)
        return false;
    const int index = IndexOf(item);
    if (index < 0)
        return false;
    const TTockwellItemPtr entry = (*items_)[index];
    TItemList& items = MutableItems();
    items.erase(items.begin() + index);
    ++listVersion_;
    AlertIndex.Remove(entry.get());
    DayItems.Remove(entry.get());
    entry->MarkRemoved();
    return true;
}

void TTockwellDB::ForEachItem(const TReminderItemEvent& proc) {
    const std::shared_ptr<const TItemList> list = items_;
    for (const TTockwellItemPtr& item : *list)
        if (!item->IsRemoved())
            proc(item);
}

void TTockwellDB::Clear() {
    const std::shared_ptr<const TItemList> old =
        std::exchange(items_, std::make_shared<TItemList>());
    ++listVersion_;
    for (const TTockwellItemPtr& item : *old)
        item->MarkRemoved();
    DayItems.Clear();
    RebuildIndexes();
}

// ---- Indexes ------------------------------------------------------------------------------

bool TTockwellDB::RebuildIndexes() {
    // One pass in list order (the order the entries were allocated in) reads each key into a
    // flat array and compares it with the last build's; entries further on are prefetched.
    const TItemList& items = *items_;
    const size_t n = items.size();
    keysMoved_ = false;
    const bool sameList = indexedVersion_ == listVersion_ && indexedKeys_.size() == n &&
                          static_cast<size_t>(AlertIndex.Count()) == n;
    // The positions whose key moved, while few enough to merge into the sorted index.
    const size_t mergeLimit = n / 16;
    std::vector<uint32_t> moved;
    bool resort = !sameList;
    indexedKeys_.resize(n);
    indexedHasReminder_.resize(n);
    constexpr size_t Ahead = 16;
    for (size_t i = 0; i < n; ++i) {
        if (i + 2 * Ahead < n)
            __builtin_prefetch(items[i + 2 * Ahead].get());
        if (i + Ahead < n)
            if (const TReminderItem* ahead = items[i + Ahead]->FindReminder())
                __builtin_prefetch(&ahead->NextAlertDateTimeRef());
        const TTockwellItem& item = *items[i];
        const TDateTime key = TSortedTockwelDB::Key(item);
        const bool hasReminder = item.HasReminder();
        // Keys are never NaN, so == tells a moved key (0 and -0 sort the same).
        if (!resort && !(indexedKeys_[i] == key && indexedHasReminder_[i] == hasReminder)) {
            if (moved.size() < mergeLimit)
                moved.push_back(static_cast<uint32_t>(i));
            else
                resort = true;
        }
        indexedKeys_[i] = key;
        indexedHasReminder_[i] = hasReminder;
    }
    indexedVersion_ = listVersion_;
    if (!resort && moved.empty())
        return false;

    std::vector<TAlertIndexEntry> entries;
    entries.reserve(n);
    if (resort) {
        for (size_t i = 0; i < n; ++i)
            entries.emplace_back(indexedKeys_[i], items[i].get(), static_cast<uint32_t>(i),
                                 indexedHasReminder_[i] != 0);
        std::sort(entries.begin(), entries.end(), TSortedTockwelDB::Before);
    } else {
        // A few keys moved: the rest of the index stays in order; the moved ones are sorted
        // on their own and merged in.
        std::vector<uint8_t> isMoved(n, 0);
        std::vector<TAlertIndexEntry> changed;
        changed.reserve(moved.size());
        for (uint32_t i : moved) {
            isMoved[i] = 1;
            changed.emplace_back(indexedKeys_[i], items[i].get(), i, indexedHasReminder_[i] != 0);
        }
        std::sort(changed.begin(), changed.end(), TSortedTockwelDB::Before);
        std::vector<TAlertIndexEntry> kept;
        kept.reserve(n - moved.size());
        for (const TAlertIndexEntry& entry : AlertIndex)
            if (entry.Order < n && !isMoved[entry.Order])
                kept.push_back(entry);
        std::merge(kept.begin(), kept.end(), changed.begin(), changed.end(),
                   std::back_inserter(entries), TSortedTockwelDB::Before);
    }

    // The days follow from the sorted keys; entries without a reminder add none.
    std::vector<int32_t> days;
    for (const TAlertIndexEntry& entry : entries)
        if (entry.HasReminder) {
            const int32_t day = WholeDay(entry.Key);
            if (days.empty() || days.back() != day)
                days.push_back(day);
        }
    ReminderDays.AssignOrdered(std::move(days));
    AlertIndex.AssignOrdered(std::move(entries));
    return true;
}

void TTockwellDB::CollectDue(TDateTime horizon, std::vector<IReminderAwareItemPtr>& out) {
    if (indexedVersion_ != listVersion_ || keysMoved_)
        RebuildIndexes();
    // Keys before 1899-12-30 come first, then those without a next alert (0), then the rest:
    // the negative ones and the positive ones up to horizon are candidates.
    std::vector<const TAlertIndexEntry*> candidates;
    const int count = AlertIndex.Count();
    for (int i = 0; i < count && AlertIndex.Items(i).Key < 0 && AlertIndex.Items(i).Key <= horizon;
         ++i)
        candidates.push_back(&AlertIndex.Items(i));
    for (int i = AlertIndex.FindFirstAtOrAfter(std::nextafter(0.0, 1.0));
         i < count && AlertIndex.Items(i).Key <= horizon; ++i)
        candidates.push_back(&AlertIndex.Items(i));
    // The candidates lie anywhere in memory: fetch them all before reading their keys.
    for (const TAlertIndexEntry* entry : candidates)
        __builtin_prefetch(entry->Item);
    for (const TAlertIndexEntry* entry : candidates)
        if (const TReminderItem* reminder = entry->Item->FindReminder())
            __builtin_prefetch(&reminder->NextAlertDateTimeRef());
    std::vector<uint32_t> due;
    for (const TAlertIndexEntry* entry : candidates) {
        const TDateTime next = TSortedTockwelDB::Key(*entry->Item);
        if (next != 0 && next <= horizon)
            due.push_back(entry->Order);
    }
    std::sort(due.begin(), due.end());
    // The index was built from the list as it is, so Order is each entry's position.
    const TItemList& items = *items_;
    out.reserve(out.size() + due.size());
    for (uint32_t position : due)
        out.push_back(items.at(position));
}

TTockwellItemPtr TTockwellDB::GetNextAlertItem() const {
    // Keys run: before 1899-12-30, none (0), after; the first that is not 0.
    if (AlertIndex.Empty())
        return nullptr;
    if (AlertIndex.Items(0).Key != 0)
        return AlertIndex.Items(0)->shared_from_this();
    const int index = AlertIndex.FindFirstAtOrAfter(std::nextafter(0.0, 1.0));
    return index < AlertIndex.Count() ? AlertIndex.Items(index)->shared_from_this() : nullptr;
}

void TTockwellDB::CollectDayItems(TDateTime day) {
    DayItems.Clear();
    const int32_t whole = WholeDay(day);
    for (int i = AlertIndex.FindFirstAtOrAfter(whole); i < AlertIndex.Count(); ++i) {
        const TAlertIndexEntry& entry = AlertIndex.Items(i);
        if (WholeDay(TSortedTockwelDB::Key(*entry.Item)) == whole)
            DayItems.Add(TAlertIndexEntry(TSortedTockwelDB::Key(*entry.Item), entry.Item, 0,
                                          entry.HasReminder));
    }
}

bool TTockwellDB::GetDayHint(TDateTime date, std::string& hint, int maxLines) {
    if (!ReminderDays.HasDate(date))
        return false;
    CollectDayItems(date);
    hint.clear();
    int lines = 0;
    for (const TAlertIndexEntry& item : DayItems) {
        if (lines >= maxLines)
            break;
        if (lines > 0)
            hint += HintLineBreak;
        hint += FormatDateTime("t", item->NextAlertDateTime()) + " - " +
                TruncateWithEllipsis(item->Caption, HintCaptionLength);
        ++lines;
    }
    if (DayItems.Count() > maxLines) {
        if (!hint.empty())
            hint += HintLineBreak;
        hint += "...";
    }
    return true;
}

// ---- Days and colours ---------------------------------------------------------------------

void TTockwellDB::SetHoliday(TDateTime date) {
    Workdays.RemoveDate(date);
    Holidays.AddDate(date);
}

void TTockwellDB::SetWorkday(TDateTime date) {
    Holidays.RemoveDate(date);
    Workdays.AddDate(date);
}

void TTockwellDB::ClearHolidaysWorkdays() {
    Holidays.Clear();
    Workdays.Clear();
}

bool TTockwellDB::IsHoliday(TDateTime date, bool weekendIsHoliday) const {
    if (Holidays.HasDate(date))
        return true;
    const int dow = DayOfWeek(WholeDay(date));
    return weekendIsHoliday && (dow == 1 || dow == 7);
}

bool TTockwellDB::IsWorkday(TDateTime date, bool weekdayIsWorkday) const {
    if (Workdays.HasDate(date))
        return true;
    const int dow = DayOfWeek(WholeDay(date));
    return weekdayIsWorkday && dow >= 2 && dow <= 6;
}

void TTockwellDB::SetDateColor(int32_t color, TDateTime date) {
    const int index = CustomColors.IndexOfDate(date);
    if (index >= 0)
        CustomColors.SetColor(index, color);
    else
        CustomColors.Add(TDateColor(date, color));
}

bool TTockwellDB::GetDateColor(int32_t& color, TDateTime date) const {
    const int index = CustomColors.IndexOfDate(date);
    if (index < 0)
        return false;
    color = CustomColors.Items(index).Color;
    return true;
}

void TTockwellDB::RemoveDateColor(TDateTime date) {
    const int index = CustomColors.IndexOfDate(date);
    if (index >= 0)
        CustomColors.Delete(index);
}

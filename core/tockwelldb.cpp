#include "core/tockwelldb.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/texthelpers.h"
#include "platform/datetimeformat.h"
#include "platform/sysutils.h"

namespace {

constexpr int HintCaptionLength = 30;
constexpr const char* HintLineBreak = "\n\r";

} // namespace

// ---- TSortedTockwelDB ---------------------------------------------------------------------

TDateTime TSortedTockwelDB::Key(const TTockwellItem& item) {
    const TDateTime next = item.NextAlertDateTime();
    return std::isnan(next) ? 0 : next;
}

int TSortedTockwelDB::Compare(const TTockwellItemPtr& a, const TTockwellItemPtr& b) const {
    return CompareValues(Key(*a), Key(*b));
}

void TSortedTockwelDB::Assign(const std::vector<TTockwellItemPtr>& items) {
    items_.assign(items.rbegin(), items.rend());
    std::stable_sort(
        items_.begin(), items_.end(),
        [](const TTockwellItemPtr& a, const TTockwellItemPtr& b) { return Key(*a) < Key(*b); });
}

int TSortedTockwelDB::FindFirstAtOrAfter(TDateTime t) const {
    int index = 0;
    FindBy([t](const TTockwellItemPtr& x) { return CompareValues(Key(*x), t); }, index);
    return index;
}

bool TSortedTockwelDB::Remove(const TTockwellItem* item) {
    for (int i = 0; i < Count(); ++i)
        if (items_[i].get() == item) {
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
    for (const TTockwellItemPtr& item : *old)
        item->MarkRemoved();
    DayItems.Clear();
    RebuildIndexes();
}

// ---- Indexes ------------------------------------------------------------------------------

void TTockwellDB::RebuildIndexes() {
    ReminderDays.Clear();
    for (const TTockwellItemPtr& item : *items_)
        if (item->HasReminder())
            ReminderDays.AddDate(item->NextAlertDateTime());
    AlertIndex.Assign(*items_);
}

TTockwellItemPtr TTockwellDB::GetNextAlertItem() const {
    // Keys run: before 1899-12-30, none (0), after; the first that is not 0.
    if (AlertIndex.Empty())
        return nullptr;
    if (TSortedTockwelDB::Key(*AlertIndex.Items(0)) != 0)
        return AlertIndex.Items(0);
    const int index = AlertIndex.FindFirstAtOrAfter(std::nextafter(0.0, 1.0));
    return index < AlertIndex.Count() ? AlertIndex.Items(index) : nullptr;
}

void TTockwellDB::CollectDayItems(TDateTime day) {
    DayItems.Clear();
    const int32_t whole = WholeDay(day);
    for (int i = AlertIndex.FindFirstAtOrAfter(whole); i < AlertIndex.Count(); ++i) {
        const TTockwellItemPtr& item = AlertIndex.Items(i);
        if (WholeDay(TSortedTockwelDB::Key(*item)) == whole)
            DayItems.Add(item);
    }
}

bool TTockwellDB::GetDayHint(TDateTime date, std::string& hint, int maxLines) {
    if (!ReminderDays.HasDate(date))
        return false;
    CollectDayItems(date);
    hint.clear();
    int lines = 0;
    for (const TTockwellItemPtr& item : DayItems) {
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

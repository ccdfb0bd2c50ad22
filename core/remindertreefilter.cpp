#include "core/remindertreefilter.h"

#include <cmath>
#include <typeinfo>

#include "core/datetexts.h"
#include "core/sortedlists.h"
#include "platform/datetimeformat.h"

namespace {

constexpr int DayGroupLast = 8; // groups 0..8 are single days
constexpr int NextWeekGroup = 9;
constexpr int ThisMonthGroup = 10;
constexpr int NextMonthGroup = 11;
constexpr int LaterGroup = 12;
constexpr int DismissedGroup = 13;

// Filing and sorting ask this of every reminder many times: the exact type is checked first,
// which is much quicker than the general cast.
const TReminderTreeItem* AsReminder(const TFilterTreeItem& item) {
    if (typeid(item) == typeid(TReminderTreeItem))
        return static_cast<const TReminderTreeItem*>(&item);
    return dynamic_cast<const TReminderTreeItem*>(&item);
}

TDateTime FirstOfMonth(TDateTime day) {
    int y, m, d;
    DecodeDate(day, y, m, d);
    return EncodeDate(y, m, 1);
}

TDateTime LastOfMonth(TDateTime day) {
    int y, m, d;
    DecodeDate(day, y, m, d);
    return EncodeDate(y, m, DaysInAMonth(y, m));
}

} // namespace

// ---- TReminderTreeItem --------------------------------------------------------------------

std::string TReminderTreeItem::GetCaption() const {
    return Data ? Data->Caption : std::string();
}

void TReminderTreeItem::SetCaption(const std::string& caption) {
    if (Data)
        Data->Caption = caption;
}

TReminderTreeItem::TReminderTreeItem(TTockwellItemPtr entry, TDateTime now)
    : TReminderTreeItem(std::move(entry), TDateGroupClassifier(now)) {}

TReminderTreeItem::TReminderTreeItem(TTockwellItemPtr entry, const TDateGroupClassifier& groups)
    : Data(std::move(entry)) {
    dateGroup_ = DateGroupIndex(NextAlertDateTime(), groups);
    TimeKey();
}

TDateTime TReminderTreeItem::NextAlertDateTime() const {
    return Data ? Data->NextAlertDateTime() : 0;
}

TDateTime TReminderTreeItem::ReminderDateTime() const {
    const TReminderItem* reminder = Data ? Data->FindReminder() : nullptr;
    return reminder ? reminder->GetReminderDateTime() : 0;
}

int TReminderTreeItem::DateGroup() const {
    return dateGroup_;
}

TDateTime TReminderTreeItem::TimeKey() const {
    if (!hasSortKey_) {
        sortKey_ = TrimTimePrecision(true, true, ReminderDateTime());
        hasSortKey_ = true;
    }
    return sortKey_;
}

bool TReminderTreeItem::SortKey(double& key) const {
    const TDateTime time = TimeKey();
    // Whole minutes within the calendar: a minute apart is 1 apart, well above the product's
    // rounding, so the order and the equal keys are TimeKey's.
    if (!InCalendarRange(time))
        return false;
    key = std::round(time * MinsPerDay);
    return true;
}

int TReminderTreeItem::Compare(const TFilterTreeItem& other) const {
    const TReminderTreeItem* o = AsReminder(other);
    if (!o)
        return 0;
    return CompareValues(TimeKey(), o->TimeKey());
}

// ---- TReminderTreeGroup -------------------------------------------------------------------

int TReminderTreeGroup::Compare(const TFilterTreeItem& other) const {
    const TReminderTreeGroup* o = dynamic_cast<const TReminderTreeGroup*>(&other);
    if (!o)
        return TFilterTreeGroup::Compare(other);
    return CompareValues(StartDate, o->StartDate);
}

void TReminderTreeGroup::InitFromItem(const TFilterTreeItem& item) {
    const TReminderTreeItem* reminder = AsReminder(item);
    const TDateTime next = reminder ? reminder->NextAlertDateTime() : 0;
    const TDateTime today = std::trunc(now_);
    const TDateTime weekStart = today - (DayOfTheWeek(today) - 1); // Monday
    GroupIndex = reminder ? reminder->DateGroup() : DateGroupIndex(next, now_);
    StartDate = WholeDay(next);
    if (GroupIndex <= DayGroupLast) {
        EndDate = StartDate;
        SetCaption(RelativeDayName(rdoToday | rdoTomorrow | rdoYesterday | rdoWeekdayNames, false,
                                   true, StartDate, now_));
        return;
    }
    switch (GroupIndex) {
    case NextWeekGroup:
        StartDate = weekStart + 7;
        EndDate = StartDate + 6;
        SetCaption("Next Week");
        break;
    case ThisMonthGroup:
        StartDate = weekStart + 14;
        EndDate = LastOfMonth(StartDate);
        SetCaption("This Month (" + FormatDateTime("mmmm", EndDate) + ")");
        break;
    case NextMonthGroup:
        StartDate = IncMonth(FirstOfMonth(today), 1);
        EndDate = LastOfMonth(StartDate);
        SetCaption("Next Month (" + FormatDateTime("mmmm", EndDate) + ")");
        break;
    case LaterGroup:
        StartDate = IncMonth(FirstOfMonth(today), 2);
        EndDate = LaterEndDate;
        SetCaption("Later");
        break;
    case DismissedGroup:
    default:
        StartDate = 0;
        EndDate = today - 1;
        SetCaption("Dismissed");
        break;
    }
}

bool TReminderTreeGroup::Accepts(const TFilterTreeItem& item) const {
    const TReminderTreeItem* reminder = AsReminder(item);
    return reminder && GroupIndex >= 0 && reminder->DateGroup() == GroupIndex;
}

TFilterTreeItem* AddReminderToTree(TFilterTreeManager& tree, const TTockwellItemPtr& entry,
                                   TDateTime now) {
    TFilterTreeItemPtr item = std::make_unique<TReminderTreeItem>(entry, now);
    if (TFilterTreeItem* group = tree.FindGroupFor(item))
        return group;
    return tree.AddGroup(std::make_unique<TReminderTreeGroup>(now), std::move(item));
}

TFilterTreeBatch ReminderTreeBatch(TFilterTreeManager& tree, TDateTime now) {
    return TFilterTreeBatch(tree, [now] { return std::make_unique<TReminderTreeGroup>(now); });
}

void AddRemindersToTree(TFilterTreeManager& tree, const std::vector<TTockwellItemPtr>& entries,
                        TDateTime now) {
    const TDateGroupClassifier groups(now);
    TFilterTreeBatch batch = ReminderTreeBatch(tree, now);
    for (const TTockwellItemPtr& entry : entries)
        batch.Add(tree.Make<TReminderTreeItem>(entry, groups));
}

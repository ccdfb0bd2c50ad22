#pragma once
// The reminders list's tree: reminder entries grouped by the date range of their next alert
// (today, tomorrow, the later days of this week, next week, later this month, next month,
// later, and "Dismissed" for none or a past one), as seen from a given now. Groups sort by their
// start date (one opened later before one that starts the same day), reminders within a
// group by reminder time.

#include <climits>
#include <vector>

#include "core/datetexts.h"
#include "core/tockwellitem.h"
#include "core/treefilter.h"
#include "platform/datetime.h"

// One reminder entry in the tree.
class TReminderTreeItem : public TFilterTreeObject {
public:
    // The date group of the next alert is the one seen from now.
    TReminderTreeItem(TTockwellItemPtr entry, TDateTime now);
    // For filing many at one moment: the date group seen from the day groups was made for,
    // and the sort key, worked out at once.
    TReminderTreeItem(TTockwellItemPtr entry, const TDateGroupClassifier& groups);

    // The entry's caption ("" without an entry); setting changes the entry's caption.
    std::string GetCaption() const override;
    void SetCaption(const std::string& caption) override;
    // By the reminder time with seconds and milliseconds dropped: -1, 0 or 1 (0 against
    // anything that is not a reminder).
    int Compare(const TFilterTreeItem& other) const override;
    // TimeKey in whole minutes, which sort in fewer passes; none outside the calendar.
    bool SortKey(double& key) const override;

    // The reminder's next alert and reminder time; 0 without entry or reminder.
    TDateTime NextAlertDateTime() const;
    TDateTime ReminderDateTime() const;
    // DateGroupIndex of the next alert (worked out when made), and the reminder time with
    // seconds and milliseconds dropped (Compare's key, worked out at its first call and kept),
    // as the tree is filed at one moment and rebuilt by each refresh.
    int DateGroup() const;
    TDateTime TimeKey() const;

    TTockwellItemPtr Data; // the entry the node stands for

private:
    int dateGroup_ = -1;
    mutable bool hasSortKey_ = false;
    mutable TDateTime sortKey_ = 0;
};

// A date range of the tree. StartDate and EndDate are whole days.
class TReminderTreeGroup : public TFilterTreeGroup {
public:
    // The ranges and captions are seen from the day of now.
    explicit TReminderTreeGroup(TDateTime now) : now_(now) {}
    // By StartDate alone: -1, 0 or 1. Of two groups that start the same day (a Sunday's
    // tomorrow and next week; next week and next month), the one opened later sorts first.
    int Compare(const TFilterTreeItem& other) const override;
    // Takes the date group of the reminder's next alert (DateGroupIndex) and sets the range
    // and caption: one day (0 today .. 8 the last day of this week) named by its relative
    // name and date; 9 "Next Week" (Monday to Sunday); 10 "This Month (<month>)" from the
    // Monday after next week to the month's end; 11 "Next Month (<month>)"; 12 "Later" (the
    // first of the month after next on, EndDate LaterEndDate); 13 "Dismissed" (StartDate 0 to
    // yesterday).
    void InitFromItem(const TFilterTreeItem& item) override;
    // A reminder whose next alert falls in the same date group. The ranges of "tomorrow" and
    // "Next Week", and of "Next Week" and "Next Month", can share days; the date group keeps
    // each reminder in its own range whatever the order of filing.
    bool Accepts(const TFilterTreeItem& item) const override;

    static constexpr TDateTime LaterEndDate = INT_MAX;

    TDateTime StartDate = 0;
    TDateTime EndDate = 0;
    int GroupIndex = -1; // DateGroupIndex of the range; -1 before InitFromItem

private:
    TDateTime now_;
};

// Wraps entry in a TReminderTreeItem and files it under the first group that accepts it,
// opening a TReminderTreeGroup for it when none does, all seen from now. Returns the group.
TFilterTreeItem* AddReminderToTree(TFilterTreeManager& tree, const TTockwellItemPtr& entry,
                                   TDateTime now);
// A batch that files TReminderTreeItems as AddReminderToTree would one after the other,
// opening TReminderTreeGroups seen from now, in O(n log n).
TFilterTreeBatch ReminderTreeBatch(TFilterTreeManager& tree, TDateTime now);
// Wraps the entries in TReminderTreeItems seen from now and files them in one batch.
void AddRemindersToTree(TFilterTreeManager& tree, const std::vector<TTockwellItemPtr>& entries,
                        TDateTime now);

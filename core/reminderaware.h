#pragma once
// The interfaces through which the reminder manager, the alert windows and the list window
// reach reminder entries (IReminderAwareItem) and walk the database (IReminderAwareDatabase).
// Entries are shared: the database, the manager's short list, window rows and queued alert
// actions each hold a reference, so none of them can outlive the entry it names.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/datetime.h"

class TReminderItem;
class TTockwellItem;
class IReminderAwareItem;

using IReminderAwareItemPtr = std::shared_ptr<IReminderAwareItem>;
// The reminder events: open, dismissed, snoozed, deleted; called with the entry.
using TReminderItemEvent = std::function<void(const IReminderAwareItemPtr& item)>;

class IReminderAwareItem {
public:
    virtual ~IReminderAwareItem() = default;

    // The entry object itself; nullptr for implementations that are not database entries.
    virtual TTockwellItem* GetObject() = 0;
    // Asks the owner to remove the entry (raises the entry's OnDelete when assigned).
    virtual void Delete() = 0;
    virtual std::string GetCaption() const = 0;
    virtual void SetCaption(const std::string& value) = 0;
    virtual std::string GetNotes() const = 0;
    virtual void SetNotes(const std::string& value) = 0;
    // Whether the reminder record exists; GetReminder creates it on first use.
    virtual bool HasReminder() const = 0;
    virtual TReminderItem& GetReminder() = 0;
    // True once the entry was taken out of its database (deleted, database cleared or freed).
    // Alert actions still queued for such an entry do nothing, and windows list no row for it.
    virtual bool IsRemoved() const = 0;
};

class IReminderAwareDatabase {
public:
    virtual ~IReminderAwareDatabase() = default;
    // Calls proc with every entry in list order. proc may add or delete entries: the walk
    // covers the entries present when it began.
    virtual void ForEachItem(const TReminderItemEvent& proc) = 0;
    // Appends to out every entry whose reminder has a next alert other than 0 at or before
    // horizon, in list order. The default walks ForEachItem.
    virtual void CollectDue(TDateTime horizon, std::vector<IReminderAwareItemPtr>& out);
};

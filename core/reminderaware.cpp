#include "core/reminderaware.h"

#include "core/reminderitem.h"

void IReminderAwareDatabase::CollectDue(TDateTime horizon,
                                        std::vector<IReminderAwareItemPtr>& out) {
    ForEachItem([&](const IReminderAwareItemPtr& item) {
        if (!item || item->IsRemoved() || !item->HasReminder())
            return;
        const TDateTime next = item->GetReminder().GetNextAlertDateTime();
        if (next != 0 && next <= horizon)
            out.push_back(item);
    });
}

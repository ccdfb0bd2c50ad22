#pragma once
// The images of the reminders list: a 16 x 16 list drawn in code, and which image a row shows
// in which column.

#include <memory>

#include "controls/tree/treetypes.h"

class TFilterTreeItem;
class TLTImageList;

// The indices of ReminderListImages.
enum TReminderListImage { rliRecurring = 0, rliActive = 1, rliNoNextAlert = 2 };

// A new list of the three images in TReminderListImage order: circular arrows (recurring),
// a bell (active), a clock with a dash for its hands (no next alert).
std::shared_ptr<TLTImageList> ReminderListImages();

// The image a row of object shows in column: in the reminder column (1) rliNoNextAlert for a
// reminder without next alert, else rliActive; in the repeat column (4) rliRecurring for a
// reminder with a recurrence pattern. -1 for none: groups, other columns, nullptr.
int ReminderListImageIndex(const TFilterTreeItem* object, TColumnIndex column);

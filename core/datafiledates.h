#pragma once
// The dates a data file may hold. Both readers check every date of what they take in: one
// outside the years 1 to 9999 (or no number at all) would fire at once or lie thousands of
// years ahead, and could be neither shown nor written back as a date.

#include <string>
#include <vector>

#include "core/tockwellitem.h"

// True for 0 (no date) and every moment of the years 1 to 9999; false for NaN and infinities.
bool IsDataFileDate(TDateTime value);

// "<what> <value> is not a date of the years 1 to 9999" ("%.15g" of the value).
std::string DateOutOfRangeMessage(const char* what, double value);

// Sets each date of the reminder record that IsDataFileDate refuses (the alert time, the next
// alert, the last alert, the recurrence's start and end) to 0, no date, and returns their
// DateOutOfRangeMessage texts (none when every date was sound).
std::vector<std::string> DropDatesOutOfRange(TReminderItem& reminder);
// The same for an entry: its created and updated times, then its reminder record.
std::vector<std::string> DropDatesOutOfRange(TTockwellItem& item);

// "Reminder <number>" with the caption in quotes when there is one, cut to 40 bytes: where
// a reader's message about one entry says it stands.
std::string DataFileEntryPlace(int number, const std::string& caption);

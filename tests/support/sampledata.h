#pragma once
// A reminder database with every kind of content the data files carry, and field-by-field
// comparisons of reminders and databases for the round-trip tests.

#include "core/tockwelldb.h"

// Holidays, a workday, two date colours (one a system colour), changed default alert
// settings and four entries: "Zahnarzt <10:00> & \"Ärger\"" with every action and its texts
// and endless repetition; "Water the plants", hourly within a place's hours, listed in the
// reminders window; "Pay rent", monthly on the last Friday until an end date, no alert due;
// and an entry whose reminder is at its defaults. The options differ from their defaults.
void FillSampleDatabase(TTockwellDB& db);

// Every stored field, times to within the 9 decimals of the XML number texts. Pattern start
// days are compared as days.
void ExpectSamePattern(TRecurrencePattern& a, TRecurrencePattern& b);
void ExpectSameReminder(TReminderItem& a, TReminderItem& b);
// Days, colours, default alert settings and entries (not the options).
void ExpectSameDatabase(TTockwellDB& a, TTockwellDB& b);

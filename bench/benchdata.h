#pragma once
// The generated reminder databases the benchmarks work on.

#include <cstdint>

#include "core/tockwelldb.h"

// The "now" the generated reminders are due around: 2024-03-15 12:00.
inline constexpr TDateTime BenchNow = 45366.5;

// Adds n reminders with captions, notes, every action kind, repetition, states and recurrence
// patterns of every type (some hourly ones held to a place's hours), due around BenchNow, and
// a holiday, a workday and a date colour. The same seed gives the same database.
void GenerateReminders(TTockwellDB& db, int n, uint32_t seed);

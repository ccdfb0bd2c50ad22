#pragma once
// The generated reminder databases the benchmarks work on.

#include <cstdint>

#include "core/tockwelldb.h"

// The "now" the generated reminders are due around: 2024-03-15 12:00.
inline constexpr TDateTime BenchNow = 45366.5;

// The generated databases: "mixed" as a user's file tends to be (some notes, a quarter of the
// actions enabled, two in five reminders recurring); "full" with every field filled (notes,
// every action enabled with its texts, repetition, and a recurrence pattern held to a place's
// hours on every reminder).
enum class TBenchCorpus { Mixed, Full };
const char* CorpusName(TBenchCorpus corpus);

// Adds n reminders of the corpus with captions, notes, every action kind, repetition, states
// and recurrence patterns of every type, due around BenchNow, and a holiday, a workday and a
// date colour. The same seed gives the same database.
void GenerateReminders(TTockwellDB& db, int n, uint32_t seed,
                       TBenchCorpus corpus = TBenchCorpus::Mixed);

// The mixed database of n reminders (seed n), generated in memory in list order on first use
// and kept for the run.
TTockwellDB& GeneratedDatabase(int n);

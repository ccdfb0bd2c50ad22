// Occurrence sequences against dateutil.rrule (tests/core/gen_recurrence_oracle.py writes
// tests/core/data/recurrence_oracle.txt).

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "core/recurrencepattern.h"
#include "testutil.h"

namespace {

struct OracleCase {
    std::string line;
    std::string name;
    int type, interval, mask, dayOfMonth, month, instance, occurrences;
    TDateTime endDate; // 0 when none
    TDateTime start;
    std::vector<TDateTime> expected;
};

std::vector<std::string> Split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(s);
    while (std::getline(in, part, sep))
        parts.push_back(part);
    if (!s.empty() && s.back() == sep)
        parts.emplace_back();
    return parts;
}

TDateTime ParseStamp(const std::string& s) {
    int y, mo, d, h = 0, mi = 0;
    int n = std::sscanf(s.c_str(), "%d-%d-%dT%d:%d", &y, &mo, &d, &h, &mi);
    if (n != 3 && n != 5)
        throw std::runtime_error("bad stamp " + s);
    return EncodeDateTime(y, mo, d, h, mi, 0, 0);
}

std::vector<OracleCase> LoadCases() {
    std::ifstream in(SourcePath("tests/core/data/recurrence_oracle.txt"));
    std::vector<OracleCase> cases;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        auto f = Split(line, '|');
        if (f.size() != 11)
            throw std::runtime_error("bad line " + line);
        OracleCase c;
        c.line = line.substr(0, 120);
        c.name = f[0];
        c.type = std::stoi(f[1]);
        c.interval = std::stoi(f[2]);
        c.mask = std::stoi(f[3]);
        c.dayOfMonth = std::stoi(f[4]);
        c.month = std::stoi(f[5]);
        c.instance = std::stoi(f[6]);
        c.occurrences = std::stoi(f[7]);
        c.endDate = f[8] == "-" ? 0 : ParseStamp(f[8]);
        c.start = ParseStamp(f[9]);
        if (!f[10].empty())
            for (const auto& s : Split(f[10], ','))
                c.expected.push_back(ParseStamp(s));
        cases.push_back(std::move(c));
    }
    return cases;
}

void Configure(TRecurrencePattern& p, const OracleCase& c) {
    p.Reset(c.start);
    p.SetRecurrenceType(static_cast<TRecurrenceType>(c.type));
    p.SetPatternStartDate(c.start);
    p.SetInterval(c.interval);
    p.SetDayOfWeekMask(static_cast<TDayOfWeekMask>(c.mask));
    p.SetDayOfMonth(c.dayOfMonth);
    p.SetMonthOfYear(c.month);
    p.SetPatternInstance(c.instance);
    if (c.occurrences != -1)
        p.SetOccurrences(c.occurrences);
    if (c.endDate != 0)
        p.SetPatternEndDate(c.endDate);
}

std::string Show(TDateTime t) {
    if (t == 0)
        return "none";
    int y, mo, d, h, mi, s, ms;
    DecodeDateTime(t, y, mo, d, h, mi, s, ms);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", y, mo, d, h, mi, s, ms);
    return buf;
}

} // namespace

// The first occurrence is the start itself for a daily pattern and the first match on or
// after it otherwise; each dismissal then steps once (counting, forcing a step) until the
// pattern ends.
TEST(RecurrenceOracle, SequencesMatchRrule) {
    auto cases = LoadCases();
    ASSERT_GE(cases.size(), 200u);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        TRecurrencePattern p;
        Configure(p, c);
        TDateTime occurrence =
            c.type == rtDaily ? c.start : p.NextOccurrence(false, false, c.start, c.start, 1);
        std::vector<TDateTime> got;
        while (occurrence != 0 && got.size() < c.expected.size() + 1) {
            got.push_back(occurrence);
            occurrence = p.NextOccurrence(true, true, occurrence, occurrence + 0.3, 1);
        }
        bool bounded = c.occurrences != -1 || c.endDate != 0;
        size_t compared = bounded ? got.size() : std::min(got.size(), c.expected.size());
        ASSERT_EQ(compared, c.expected.size());
        for (size_t i = 0; i < compared; ++i)
            ASSERT_EQ(Show(got[i]), Show(c.expected[i])) << "occurrence " << i;
        if (c.occurrences != -1 && !c.expected.empty()) {
            EXPECT_EQ(p.GetGeneratedCount(), c.occurrences); // the refused step is not counted
        }
    }
}

// Several steps in one call land where as many single steps do; a bounded pattern gives 0
// one step past its last occurrence when the end is a date.
TEST(RecurrenceOracle, MultipleStepsMatchSingleSteps) {
    for (const auto& c : LoadCases()) {
        if (c.expected.size() < 2 || c.occurrences != -1)
            continue;
        SCOPED_TRACE(c.line);
        TRecurrencePattern p;
        Configure(p, c);
        int last = static_cast<int>(c.expected.size()) - 1;
        TDateTime first = c.expected[0];
        EXPECT_EQ(Show(p.NextOccurrence(false, true, first, first, last)), Show(c.expected[last]));
        if (c.endDate != 0) {
            EXPECT_EQ(p.NextOccurrence(false, true, first, first, last + 1), 0);
        }
        EXPECT_EQ(p.GetGeneratedCount(), 1); // previews do not count
    }
}

#pragma once
// The benchmarks' report: Google Benchmark's usual table, then a summary worked out from the
// times, mostly ratios against a peer measured in the same run, each goal marked met or not.

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

// Keeps one time per benchmark (by its function name): with repetitions the chosen aggregate
// ("median" unless told otherwise), else the one run's; then runs the summary after the table.
class TTimesReporter : public benchmark::ConsoleReporter {
public:
    using TSummary = std::function<void(const TTimesReporter&)>;
    explicit TTimesReporter(TSummary summary, std::string aggregate = "median")
        : summary_(std::move(summary)), aggregate_(std::move(aggregate)) {}

    // Seconds the benchmark name took; negative when it did not run.
    double Time(const std::string& name) const {
        auto it = results_.find(name);
        return it == results_.end() ? -1 : it->second.seconds;
    }
    // Seconds of the benchmark's aggregate statistic ("min" where registered, "median", ...);
    // negative when there is none.
    double Time(const std::string& name, const std::string& statistic) const {
        auto it = results_.find(name);
        if (it == results_.end())
            return -1;
        auto s = it->second.statistics.find(statistic);
        return s == it->second.statistics.end() ? -1 : s->second;
    }
    // The benchmark's counter, 0 when it has none.
    double Counter(const std::string& name, const std::string& counter) const {
        auto it = results_.find(name);
        if (it == results_.end())
            return 0;
        auto c = it->second.counters.find(counter);
        return c == it->second.counters.end() ? 0 : double(c->second);
    }
    // Calls each(name, ours, peer) for every benchmark whose name holds ours and that has a
    // twin with peer in its place (times in seconds), in name order.
    void ForEachPair(const std::string& ours, const std::string& peer,
                     const std::function<void(const std::string&, double, double)>& each) const {
        for (const auto& [name, result] : results_) {
            const size_t at = name.find(ours);
            if (at == std::string::npos)
                continue;
            const double other = Time(name.substr(0, at) + peer + name.substr(at + ours.size()));
            if (other > 0)
                each(name, result.seconds, other);
        }
    }

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            const bool chosen = r.run_type == Run::RT_Aggregate && r.aggregate_name == aggregate_;
            if (!r.error_occurred && r.run_type == Run::RT_Aggregate &&
                r.aggregate_unit == benchmark::kTime)
                results_[r.run_name.function_name].statistics[r.aggregate_name] =
                    r.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(r.time_unit);
            if (r.error_occurred || (r.run_type == Run::RT_Aggregate && !chosen))
                continue;
            TResult& result = results_[r.run_name.function_name];
            if (result.fromAggregate && !chosen)
                continue; // a repetition after its aggregate: the aggregate stands
            result.fromAggregate = chosen;
            result.seconds =
                r.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(r.time_unit);
            result.counters = r.counters;
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        if (summary_)
            summary_(*this);
    }

private:
    struct TResult {
        double seconds = 0;
        benchmark::UserCounters counters;
        bool fromAggregate = false;
        std::map<std::string, double> statistics; // seconds by aggregate name
    };
    TSummary summary_;
    std::string aggregate_;
    std::map<std::string, TResult> results_;
};

// The fastest of the repetitions' times, registered as the statistic "min".
inline double Fastest(const std::vector<double>& times) {
    return times.empty() ? 0 : *std::min_element(times.begin(), times.end());
}

// Prints one summary line: what, the ratio and, when goal > 0, whether it is at most goal.
inline void PrintRatioLine(const std::string& what, double ratio, double goal) {
    std::printf("  %-44s %7.3f", what.c_str(), ratio);
    if (goal > 0)
        std::printf("  (<= %.2f: %s)", goal, ratio <= goal ? "met" : "NOT met");
    std::printf("\n");
}

// Prints the time ratio of benchmarks a / b as a summary line, from the given aggregate
// statistic or else the reporter's; nothing when either is missing.
inline void PrintRatio(const TTimesReporter& times, const std::string& a, const std::string& b,
                       const std::string& what, double goal, const std::string& statistic = {}) {
    const double x = statistic.empty() ? times.Time(a) : times.Time(a, statistic),
                 y = statistic.empty() ? times.Time(b) : times.Time(b, statistic);
    if (x >= 0 && y > 0)
        PrintRatioLine(what, x / y, goal);
}

// Prints how the code grows from the smaller size to the larger one (time big / small), how a
// plain reference doing the same memory traffic grows in the same run (refBig / refSmall) and
// the ratio of the two; the goal is met when the growth is at most 12 or at most 1.2 times the
// reference's: a larger size that leaves the processor's caches slows the reference as much as
// the code, which is the host's memory, not the code. Times from the given aggregate statistic
// or else the reporter's; nothing when the code's are missing, the growth alone (against 12)
// when the reference's are.
inline void PrintGrowth(const TTimesReporter& times, const std::string& big,
                        const std::string& small, const std::string& refBig,
                        const std::string& refSmall, const std::string& what,
                        const std::string& statistic = {}) {
    constexpr double Goal = 12, GoalToReference = 1.2;
    auto time = [&](const std::string& name) {
        return statistic.empty() ? times.Time(name) : times.Time(name, statistic);
    };
    const double a = time(big), b = time(small), c = time(refBig), d = time(refSmall);
    if (a < 0 || b <= 0)
        return;
    const double growth = a / b, reference = c >= 0 && d > 0 ? c / d : -1;
    const bool met = growth <= Goal || (reference > 0 && growth <= GoalToReference * reference);
    std::printf("  %-44s %7.3f", what.c_str(), growth);
    if (reference > 0)
        std::printf("  reference %7.3f  ratio %5.3f", reference, growth / reference);
    else
        std::printf("  reference       -  ratio     -");
    std::printf("  (<= %.0f or ratio <= %.1f: %s)\n", Goal, GoalToReference,
                met ? "met" : "NOT met");
}

// Prints each ours/peer pair's time ratio under a heading, each against the goal that GoalOf
// gives for the pair's name (0: printed for information, without a goal; negative: left out,
// for a pair the caller prints itself).
inline void PrintPairRatios(const TTimesReporter& times, const std::string& ours,
                            const std::string& peer,
                            const std::function<double(const std::string&)>& GoalOf) {
    std::printf("\nRatios (%s / %s, time; goals in brackets)\n", ours.c_str(), peer.c_str());
    times.ForEachPair("/" + ours + "/", "/" + peer + "/",
                      [&GoalOf](const std::string& name, double a, double b) {
                          const double goal = GoalOf(name);
                          if (goal >= 0)
                              PrintRatioLine(name, a / b, goal);
                      });
}

// Prints each ours/peer pair's time ratio under a heading, each against goal.
inline void PrintPairRatios(const TTimesReporter& times, const std::string& ours,
                            const std::string& peer, double goal) {
    PrintPairRatios(times, ours, peer, [goal](const std::string&) { return goal; });
}

// The text trees' exports at scale: 10,000 and 100,000 text nodes (two columns, levels 0 to 3,
// mixed texts with separators, quotes and non-ASCII characters) written as text, HTML, RTF and
// CSV. The time must grow linearly: after the run the ratio 100,000 / 10,000 is printed for
// each format (goal <= 12), from the fastest repetition of each size. Every iteration builds
// and frees its whole output, as an export does.
// Both sizes are measured under the same conditions:
// - ten repetitions of every case (whatever --benchmark_repetitions says: the fastest of three
//   is not enough on a busy machine), those of all sizes and formats in random order, so a busy
//   spell on the machine falls on either size alike;
// - every round starts with cold caches (the tree's texts and the output of the round before
//   out of them), as an export follows other work; otherwise 10,000 nodes would stay in the
//   last-level cache between rounds and 100,000 not;
// - every round ends with its output written back to main memory, in the timing: the
//   100,000-node RTF (about 35 MB) is larger than the last-level cache, so most of it reaches
//   memory during its round, while a 3 MB output would stay in the cache and be written back
//   in the next round's eviction, outside the timing;
// - every output comes from the heap, whatever its size: glibc hands blocks above its mmap
//   threshold (at most 32 MiB) fresh from the system each time, and the system zeroes and
//   maps every page again, so the 100,000-node RTF (its buffer about 65 MB) would pay that each
//   round while the smaller outputs reuse freed heap memory. KeepHeapMemory in main turns that
//   off, so both sizes reuse it; a warm-up round of each case grows the heap before the timing.
//   The page faults per round are reported as a counter ("faults", 0 in the steady state).
// Names: tree/export_<format>/lean/<nodes>.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cstdio>
#include <map>
#include <string>

#include "benchreport.h"
#include "benchrun.h"
#include "controls/tree/treeexport.h"

namespace {

TExportContent MakeContent(int n) {
    TExportContent c;
    c.Columns = {{QStringLiteral("Reminder")}, {QStringLiteral("Due"), taRightJustify}};
    c.MainColumn = 0;
    c.Rows.reserve(size_t(n));
    const QString samples[] = {
        QStringLiteral("Call the dentist"), QStringLiteral("Pay rent, \"now\""),
        QString::fromUtf8("Caf\xC3\xA9 <with> Jos\xC3\xA9"), QStringLiteral("Water the plants")};
    for (int i = 0; i < n; ++i) {
        TExportRow r;
        r.Level = uint32_t(i % 4);
        r.Cells = {samples[i % 4] + QString::number(i),
                   QStringLiteral("2026-12-%1 09:30").arg(1 + i % 28)};
        c.Rows.push_back(std::move(r));
    }
    return c;
}

const TExportContent& Content(int n) {
    static std::map<int, TExportContent> contents;
    auto it = contents.find(n);
    if (it == contents.end())
        it = contents.emplace(n, MakeContent(n)).first;
    return it->second;
}

// Times one export of n nodes, its output written back to memory; the output size and the page
// faults per round are reported as counters.
template <class TExport> void Export(benchmark::State& state, int n, TExport exportContent) {
    const TExportContent& c = Content(n);
    size_t bytes = 0;
    const long faults = PageFaults();
    for (auto _ : state) {
        EvictCaches(state);
        auto out = exportContent(c);
        bytes = out.size();
        WriteBack(out.data(), bytes);
        benchmark::DoNotOptimize(out);
    }
    state.counters["bytes"] = double(bytes);
    state.counters["faults"] = double(PageFaults() - faults) / double(state.iterations());
}
void ExportText(benchmark::State& state, int n) {
    Export(state, n, [](const TExportContent& c) { return ContentToText(c, u'\t'); });
}
void ExportHtml(benchmark::State& state, int n) {
    Export(state, n, [](const TExportContent& c) { return ContentToHTML(c, QString()); });
}
void ExportRtf(benchmark::State& state, int n) {
    Export(state, n, [](const TExportContent& c) { return ContentToRTF(c); });
}
void ExportCsv(benchmark::State& state, int n) {
    Export(state, n, [](const TExportContent& c) { return ContentToText(c, u','); });
}

// After the table: how each export grows from 10,000 to 100,000 nodes.
void PrintSummary(const TTimesReporter& times) {
    std::printf("\nRatios (time / time, fastest of the repetitions; goals in brackets)\n");
    for (const char* f : {"text", "html", "rtf", "csv"}) {
        const std::string base = std::string("tree/export_") + f + "/lean/";
        PrintRatio(times, base + "100000", base + "10000",
                   std::string("export ") + f + " 100,000 / 10,000", 12);
    }
}

} // namespace

int main(int argc, char** argv) {
    KeepHeapMemory(); // see above
    UseBenchEnvironment();
    QGuiApplication app(argc, argv); // system colours come from the palette
    using TBench = void (*)(benchmark::State&, int);
    const std::pair<const char*, TBench> runs[] = {
        {"text", ExportText}, {"html", ExportHtml}, {"rtf", ExportRtf}, {"csv", ExportCsv}};
    for (const auto& [name, fn] : runs)
        for (int n : {10000, 100000}) {
            // The same share of the timing for both sizes: about 100 ms a repetition.
            benchmark::RegisterBenchmark(
                ("tree/export_" + std::string(name) + "/lean/" + std::to_string(n)).c_str(), fn, n)
                ->Iterations(n >= 100000 ? 4 : 40)
                ->Repetitions(10)
                ->ComputeStatistics("min", Fastest)
                ->DisplayAggregatesOnly(true)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
    // The warm-up: the contents made, the code run and the heap grown to the largest output.
    for (int n : {10000, 100000}) {
        const TExportContent& c = Content(n);
        benchmark::DoNotOptimize(ContentToText(c, u'\t'));
        benchmark::DoNotOptimize(ContentToHTML(c, QString()));
        benchmark::DoNotOptimize(ContentToRTF(c));
        benchmark::DoNotOptimize(ContentToText(c, u','));
    }
    InitializeInterleaved(argc, argv);
    TTimesReporter reporter(PrintSummary, "min");
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

// The text trees' exports at scale: 10,000 and 100,000 text nodes (two columns, levels 0 to 3,
// mixed texts with separators, quotes and non-ASCII characters) written as text, HTML, RTF and
// CSV. The time must grow linearly: after the run the ratio 100,000 / 10,000 is printed for
// each format (goal <= 12), from the fastest repetition of each size. Both sizes get the same
// warm-up and the same number of repetitions (10, or --benchmark_repetitions); every iteration
// builds and frees its whole output, as an export does.
// Names: tree/export_<format>/lean/<nodes>.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "benchreport.h"
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

// Times one export of n nodes; the output size is reported as a counter.
template <class TExport> void Export(benchmark::State& state, int n, TExport exportContent) {
    const TExportContent& c = Content(n);
    size_t bytes = 0;
    for (auto _ : state) {
        auto out = exportContent(c);
        bytes = out.size();
        benchmark::DoNotOptimize(out);
    }
    state.counters["bytes"] = double(bytes);
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
        const double big = times.Time(base + "100000"), small = times.Time(base + "10000");
        if (big < 0 || small <= 0)
            continue;
        const double r = big / small;
        std::printf("  export %-5s 100,000 / 10,000 %6.2f  (<= 12: %s)\n", f, r,
                    r <= 12 ? "met" : "NOT met");
    }
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // system colours come from the palette
    bool repetitionsGiven = false;
    for (int i = 1; i < argc; ++i)
        repetitionsGiven |= std::strncmp(argv[i], "--benchmark_repetitions", 23) == 0;
    using TBench = void (*)(benchmark::State&, int);
    const std::pair<const char*, TBench> runs[] = {
        {"text", ExportText}, {"html", ExportHtml}, {"rtf", ExportRtf}, {"csv", ExportCsv}};
    for (const auto& [name, fn] : runs)
        for (int n : {10000, 100000}) {
            auto* b = benchmark::RegisterBenchmark(
                ("tree/export_" + std::string(name) + "/lean/" + std::to_string(n)).c_str(), fn, n);
            if (!repetitionsGiven)
                b->Repetitions(10);
            b->MinWarmUpTime(0.2)
                ->ComputeStatistics("min",
                                    [](const std::vector<double>& v) {
                                        return *std::min_element(v.begin(), v.end());
                                    })
                ->DisplayAggregatesOnly(true)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
    benchmark::Initialize(&argc, argv);
    TTimesReporter reporter(PrintSummary, "min");
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

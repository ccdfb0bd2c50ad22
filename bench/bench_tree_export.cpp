// The text trees' exports at scale: 10,000 and 100,000 text nodes (two columns, levels 0 to 3,
// mixed texts with separators, quotes and non-ASCII characters) written as text, HTML, RTF and
// CSV. The time must grow linearly: after the run the growth 100,000 / 10,000 is printed for
// each format, from the fastest repetition of each size, beside that of a plain reference of
// the same memory traffic: the same cell texts read and the same number of bytes written into
// the same kind of buffer (the text formats' blocks joined at the end, the RTF's one buffer of
// the same room), without formatting. The goal: growth <= 12, or <= 1.2 times the reference's
// (a 100,000-node output leaves the processor's cache, which slows both alike). Every
// iteration builds and frees its whole output, as an export does.
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
// Names: tree/export_<format>/<lean|plain>/<nodes>.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "benchreport.h"
#include "benchrun.h"
#include "controls/tree/treeexport.h"
#include "controls/tree/treehelpers.h"

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

using TExporter = std::string (*)(const TExportContent&);
struct TFormat {
    const char* name;
    TExporter write;
    bool oneBuffer; // the whole output in one buffer reserved up front (else joined blocks)
};
const TFormat Formats[] = {
    {"text", [](const TExportContent& c) { return ContentToText(c, u'\t'); }, false},
    {"html", [](const TExportContent& c) { return ContentToHTML(c, QString()); }, false},
    {"rtf", [](const TExportContent& c) { return ContentToRTF(c); }, true},
    {"csv", [](const TExportContent& c) { return ContentToText(c, u','); }, false}};

void ExportLean(benchmark::State& state, const TFormat& format, int n) {
    Export(state, n, format.write);
}

// What the plain reference writes for an export: the export's size, the room of its buffer and
// its first bytes (repeated to fill the output).
struct TOutputShape {
    size_t size = 0, room = 0;
    std::string head;
};
const TOutputShape& OutputShape(const TFormat& format, int n) {
    static std::map<std::pair<std::string, int>, TOutputShape> shapes;
    TOutputShape& shape = shapes[{format.name, n}];
    if (!shape.size) {
        const std::string out = format.write(Content(n));
        shape = {out.size(), out.capacity(), out.substr(0, 4096)};
    }
    return shape;
}

// The export's memory traffic without its formatting: each row's cell texts read, then the
// row's share of the output's bytes (those of its head) added by Add.
template <class TAdd>
void WritePlain(const TExportContent& c, const TOutputShape& shape, TAdd add) {
    size_t at = 0;
    auto write = [&](size_t count) {
        for (size_t n; count; count -= n, at = (at + n) % shape.head.size()) {
            n = std::min(count, shape.head.size() - at);
            add(std::string_view(shape.head).substr(at, n));
        }
    };
    const size_t rows = std::max<size_t>(1, c.Rows.size()), share = shape.size / rows;
    write(shape.size - share * rows);
    char16_t sum = 0;
    for (const TExportRow& r : c.Rows) {
        for (const QString& cell : r.Cells)
            for (QChar ch : cell)
                sum = char16_t(sum + ch.unicode());
        write(share);
    }
    benchmark::DoNotOptimize(sum);
}

void ExportPlain(benchmark::State& state, const TFormat& format, int n) {
    const TOutputShape& shape = OutputShape(format, n);
    Export(state, n, [&](const TExportContent& c) {
        if (format.oneBuffer) {
            std::string out;
            out.reserve(shape.room);
            AdviseLargeBuffer(out.data(), out.capacity());
            WritePlain(c, shape, [&out](std::string_view s) { out.append(s); });
            return out;
        }
        TBufferedString out;
        WritePlain(c, shape, [&out](std::string_view s) { out.Add(s); });
        return out.Take();
    });
}

// After the table: how each export grows from 10,000 to 100,000 nodes.
void PrintSummary(const TTimesReporter& times) {
    std::printf("\nGrowth (time / time, fastest of the repetitions; goals in brackets)\n");
    for (const TFormat& f : Formats) {
        const std::string base = std::string("tree/export_") + f.name + "/";
        PrintGrowth(times, base + "lean/100000", base + "lean/10000", base + "plain/100000",
                    base + "plain/10000", std::string("export ") + f.name + " 100,000 / 10,000",
                    "min");
    }
}

} // namespace

int main(int argc, char** argv) {
    KeepHeapMemory(); // see above
    UseBenchEnvironment();
    QGuiApplication app(argc, argv); // system colours come from the palette
    using TBench = void (*)(benchmark::State&, const TFormat&, int);
    for (const TFormat& format : Formats)
        for (const auto& [kind, fn] : {std::pair<const char*, TBench>{"lean", ExportLean},
                                       std::pair<const char*, TBench>{"plain", ExportPlain}})
            for (int n : {10000, 100000}) {
                // The same share of the timing for both sizes: about 100 ms a repetition.
                benchmark::RegisterBenchmark(("tree/export_" + std::string(format.name) + "/" +
                                              kind + "/" + std::to_string(n))
                                                 .c_str(),
                                             fn, std::cref(format), n)
                    ->Iterations(n >= 100000 ? 4 : 40)
                    ->Repetitions(10)
                    ->ComputeStatistics("min", Fastest)
                    ->DisplayAggregatesOnly(true)
                    ->Unit(benchmark::kMillisecond)
                    ->UseRealTime();
            }
    // The warm-up: the contents made, the code run, the plain references' shapes taken and the
    // heap grown to the largest output.
    for (int n : {10000, 100000})
        for (const TFormat& format : Formats)
            OutputShape(format, n);
    InitializeInterleaved(argc, argv);
    TTimesReporter reporter(PrintSummary, "min");
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

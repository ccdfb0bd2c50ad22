// The reminders list window at scale: its fill (Refresh: grouping, sorting and the tree's
// nodes) against a QTreeWidget filled with the same grouped rows (their texts made before the
// timing), for 10,000 and 100,000 reminders, and the fill's growth between them, each round
// starting with cold caches, every block from the heap and freed memory kept for the next round
// (KeepHeapMemory in main), after a warm-up fill of each size has grown the heap: otherwise
// glibc returns the larger fill's freed memory to the system and the next round takes about
// 1,200 page faults to get it back, zeroed, while the smaller fill reuses its memory (the
// page faults per round are reported as a counter, "faults", 0 in the steady state); and the
// program's start with a 100,000-reminder XML data file, from the start of the process to its
// main window painted with the file's data (the program's --exit-when-painted), against
// `xmllint --noout` on the same file. The ratios are printed after the run, from the medians
// of the repetitions, those of all benchmarks run in random order so that a busy spell on the
// machine falls on each alike. The fill's growth compares the fastest repetitions: other
// programs' memory traffic slows the larger fill, which works from main memory, more than the
// smaller one, and the fastest round is the one they disturbed least. It is printed beside the
// QTreeWidget fill's growth, the reference of the same rows in the same run (goal: growth
// <= 12, or <= 1.2 times the reference's: the larger fill leaving the processor's caches slows
// both alike).
// Names: listwin/fill/<lean|qtreewidget>/<n>, listwin/start/<tockwell|xmllint>/<n>.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFont>
#include <QTreeWidget>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/frmdatabaselist.h"
#include "bench/benchdata.h"
#include "benchreport.h"
#include "benchrun.h"
#include "controls/tree/stringtree.h"
#include "core/xmldatafile.h"

namespace {

constexpr int FillSizes[] = {10000, 100000};
constexpr int StartSize = 100000;

TDateTime BenchClock() {
    return BenchNow;
}

// ---- Fill ----

// A group row and its reminder rows, each as the texts of columns 1 to 3.
struct TGroupRows {
    QString caption;
    std::vector<std::array<QString, 3>> rows;
};

// The rows the list window shows for the database of n reminders.
const std::vector<TGroupRows>& Rows(int n) {
    static std::map<int, std::vector<TGroupRows>> all;
    auto& rows = all[n];
    if (rows.empty()) {
        TfrmTockwellDatabaseList window;
        window.SetDatabase(&GeneratedDatabase(n));
        window.Refresh();
        TLeanStringTree& tree = *window.LTV;
        for (PLeanNode g = tree.GetFirstChild(nullptr); g; g = tree.GetNextSibling(g)) {
            TGroupRows group{tree.Text(g, 1), {}};
            for (PLeanNode r = tree.GetFirstChild(g); r; r = tree.GetNextSibling(r))
                group.rows.push_back({tree.Text(r, 1), tree.Text(r, 2), tree.Text(r, 3)});
            rows.push_back(std::move(group));
        }
    }
    return rows;
}

void FillLean(benchmark::State& state, int n) {
    TfrmTockwellDatabaseList window;
    window.resize(719, 443);
    window.SetDatabase(&GeneratedDatabase(n));
    window.Refresh(); // the rounds refill, as the program does after each change
    size_t listed = 0;
    const long faults = PageFaults();
    for (auto _ : state) {
        EvictCaches(state);
        window.Refresh();
        listed = window.LTV->TotalCount();
    }
    if (listed != size_t(n) + Rows(n).size())
        state.SkipWithError("not every reminder listed");
    state.counters["rows"] = double(listed);
    state.counters["faults"] = double(PageFaults() - faults) / double(state.iterations());
}

// Fills w with the grouped rows, the groups expanded, as the list window shows them.
void FillWidgetRows(QTreeWidget& w, const std::vector<TGroupRows>& groups) {
    w.clear();
    QList<QTreeWidgetItem*> top;
    for (const TGroupRows& g : groups) {
        auto* group = new QTreeWidgetItem;
        group->setText(1, g.caption);
        QList<QTreeWidgetItem*> children;
        children.reserve(qsizetype(g.rows.size()));
        for (const auto& row : g.rows) {
            auto* item = new QTreeWidgetItem;
            for (int c = 0; c < 3; ++c)
                item->setText(c + 1, row[size_t(c)]);
            children.push_back(item);
        }
        group->addChildren(children);
        top.push_back(group);
    }
    w.addTopLevelItems(top);
    for (QTreeWidgetItem* group : top)
        group->setExpanded(true);
}

void FillWidget(benchmark::State& state, int n) {
    QTreeWidget w;
    w.resize(719, 443);
    w.setColumnCount(5);
    w.setUniformRowHeights(true);
    const std::vector<TGroupRows>& groups = Rows(n);
    FillWidgetRows(w, groups); // the rounds refill, as the lean rounds do
    const long faults = PageFaults();
    for (auto _ : state) {
        EvictCaches(state);
        FillWidgetRows(w, groups);
    }
    state.counters["faults"] = double(PageFaults() - faults) / double(state.iterations());
}

// The warm-up before the timing: the databases and rows made, and the heap grown by fills of
// every size on both sides, so that no timed round is the first to need that memory.
void WarmUpFills() {
    for (int n : FillSizes) {
        TfrmTockwellDatabaseList window;
        window.resize(719, 443);
        window.SetDatabase(&GeneratedDatabase(n));
        QTreeWidget w;
        w.resize(719, 443);
        w.setColumnCount(5);
        w.setUniformRowHeights(true);
        for (int round = 0; round < 2; ++round) {
            window.Refresh();
            FillWidgetRows(w, Rows(n));
        }
    }
}

// ---- Start ----

const std::string& DataFile() {
    static const std::string file = [] {
        const std::string name = WorkFolder() + "/reminders.tock";
        SaveXMLDataFile(GeneratedDatabase(StartSize), name);
        return name;
    }();
    return file;
}

// The program beside this one's folder in the build tree.
std::string ProgramPath() {
    const auto self = std::filesystem::read_symlink("/proc/self/exe");
    return (self.parent_path().parent_path() / "app" / "tockwell").string();
}

// The program with a home of its own (settings, runtime folder), no display.
std::vector<std::string> ProgramEnvironment() {
    const std::string home = WorkFolder() + "/home", run = WorkFolder() + "/run";
    std::filesystem::create_directories(home);
    std::filesystem::create_directories(run);
    std::filesystem::permissions(run, std::filesystem::perms::owner_all);
    std::vector<std::string> env = {"HOME=" + home, "XDG_CONFIG_HOME=" + home + "/.config",
                                    "XDG_RUNTIME_DIR=" + run, "QT_QPA_PLATFORM=offscreen",
                                    "TZ=UTC"};
    for (const char* keep : {"PATH", "LANG", "LC_ALL"})
        if (const char* value = std::getenv(keep))
            env.push_back(std::string(keep) + "=" + value);
    return env;
}

void StartProgram(benchmark::State& state) {
    const std::string program = ProgramPath();
    if (!std::filesystem::exists(program)) {
        state.SkipWithError("the program is not built");
        return;
    }
    const std::string& file = DataFile();
    const std::vector<std::string> env = ProgramEnvironment();
    for (auto _ : state)
        if (!RunProcess({program, "--exit-when-painted", file}, env)) {
            state.SkipWithError("the program failed");
            break;
        }
}

void XmlLint(benchmark::State& state) {
    const std::string& file = DataFile();
    for (auto _ : state)
        if (!RunProcess({"xmllint", "--noout", file}, {"PATH=/usr/bin:/bin"})) {
            state.SkipWithError("xmllint failed");
            break;
        }
}

// ---- Report ----

void PrintSummary(const TTimesReporter& times) {
    std::printf("\nRatios (time / time; goals in brackets)\n");
    for (int n : FillSizes) {
        const std::string s = "/" + std::to_string(n);
        PrintRatio(times, "listwin/fill/lean" + s, "listwin/fill/qtreewidget" + s,
                   "fill lean / qtreewidget" + s, 1.0);
    }
    PrintRatio(times, "listwin/start/tockwell/100000", "listwin/start/xmllint/100000",
               "start to painted / xmllint --noout /100000", 1.0);
    std::printf("\nGrowth (time / time, fastest of the repetitions; goals in brackets)\n");
    PrintGrowth(times, "listwin/fill/lean/100000", "listwin/fill/lean/10000",
                "listwin/fill/qtreewidget/100000", "listwin/fill/qtreewidget/10000",
                "fill lean 100,000 / 10,000", "min");
}

} // namespace

int main(int argc, char** argv) {
    KeepHeapMemory(); // see above
    UseBenchEnvironment();
    QApplication app(argc, argv);
    app.setFont(QFont("DejaVu Sans", 9));
    SetClock(BenchClock);
    using TFill = void (*)(benchmark::State&, int);
    const std::pair<const char*, TFill> fills[] = {{"lean", FillLean}, {"qtreewidget", FillWidget}};
    for (int n : FillSizes)
        for (const auto& [name, fn] : fills)
            benchmark::RegisterBenchmark(
                ("listwin/fill/" + std::string(name) + "/" + std::to_string(n)).c_str(), fn, n)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(n >= 100000 ? 8 : 60)
                ->Repetitions(7)
                ->ComputeStatistics("min", Fastest);
    using TStart = void (*)(benchmark::State&);
    const std::pair<const char*, TStart> starts[] = {{"tockwell", StartProgram},
                                                     {"xmllint", XmlLint}};
    for (const auto& [name, fn] : starts)
        benchmark::RegisterBenchmark(
            ("listwin/start/" + std::string(name) + "/" + std::to_string(StartSize)).c_str(), fn)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3)
            ->Repetitions(5)
            ->UseRealTime();
    WarmUpFills();
    InitializeInterleaved(argc, argv);
    TTimesReporter reporter(PrintSummary);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::filesystem::remove_all(WorkFolder());
    return 0;
}

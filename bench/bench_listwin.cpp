// The reminders list window at scale: its fill (Refresh: grouping, sorting and the tree's
// nodes) against a QTreeWidget filled with the same grouped rows (their texts made before the
// timing), for 10,000 and 100,000 reminders, and the fill's growth between them, each round
// starting with cold caches; and the program's start with a 100,000-reminder XML data file,
// from the start of the process to its main window painted with the file's data (the
// program's --exit-when-painted), against `xmllint --noout` on the same file. The ratios are
// printed after the run.
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
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "app/frmdatabaselist.h"
#include "bench/benchdata.h"
#include "benchreport.h"
#include "controls/tree/stringtree.h"
#include "core/xmldatafile.h"

extern char** environ;

namespace {

constexpr int FillSizes[] = {10000, 100000};
constexpr int StartSize = 100000;

TDateTime BenchClock() {
    return BenchNow;
}

TTockwellDB& Database(int n) {
    static std::map<int, std::unique_ptr<TTockwellDB>> dbs;
    auto& db = dbs[n];
    if (!db) {
        db = std::make_unique<TTockwellDB>();
        GenerateReminders(*db, n, static_cast<uint32_t>(n));
    }
    return *db;
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
        window.SetDatabase(&Database(n));
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

// Walks a buffer larger than the processor's caches. In the program a refresh follows other
// work, so each round starts with the data out of the caches; it also keeps the two sizes
// alike, as 10,000 reminders would otherwise stay in the last-level cache and 100,000 not.
void EvictCaches(benchmark::State& state) {
    static const std::vector<char> junk(std::size_t(96) << 20, 1);
    state.PauseTiming();
    // Read, not written: the caches hold no lines of it that would have to be written back.
    long sum = 0;
    for (std::size_t i = 0; i < junk.size(); i += 64)
        sum += junk[i];
    benchmark::DoNotOptimize(sum);
    state.ResumeTiming();
}

void FillLean(benchmark::State& state, int n) {
    TfrmTockwellDatabaseList window;
    window.resize(719, 443);
    window.SetDatabase(&Database(n));
    window.Refresh(); // the rounds refill, as the program does after each change
    size_t listed = 0;
    for (auto _ : state) {
        EvictCaches(state);
        window.Refresh();
        listed = window.LTV->TotalCount();
    }
    if (listed != size_t(n) + Rows(n).size())
        state.SkipWithError("not every reminder listed");
    state.counters["rows"] = double(listed);
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
    for (auto _ : state) {
        EvictCaches(state);
        FillWidgetRows(w, groups);
    }
}

// ---- Start ----

const std::string& WorkFolder() {
    static const std::string folder = [] {
        std::string base = std::filesystem::is_directory("/dev/shm")
                               ? std::string("/dev/shm")
                               : std::filesystem::temp_directory_path().string();
        std::string pattern = base + "/tockwell-listwin.XXXXXX";
        if (!mkdtemp(pattern.data()))
            std::abort();
        return pattern;
    }();
    return folder;
}

const std::string& DataFile() {
    static const std::string file = [] {
        const std::string name = WorkFolder() + "/reminders.tock";
        SaveXMLDataFile(Database(StartSize), name);
        return name;
    }();
    return file;
}

// The program beside this one's folder in the build tree.
std::string ProgramPath() {
    const auto self = std::filesystem::read_symlink("/proc/self/exe");
    return (self.parent_path().parent_path() / "app" / "tockwell").string();
}

// Runs argv as a process with environment env to its end; false when it failed.
bool Run(std::vector<std::string> args, const std::vector<std::string>& env) {
    std::vector<char*> argv, envp;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envCopy = env;
    for (std::string& e : envCopy)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0)
        return false;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
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
        if (!Run({program, "--exit-when-painted", file}, env)) {
            state.SkipWithError("the program failed");
            break;
        }
}

void XmlLint(benchmark::State& state) {
    const std::string& file = DataFile();
    for (auto _ : state)
        if (!Run({"xmllint", "--noout", file}, {"PATH=/usr/bin:/bin"})) {
            state.SkipWithError("xmllint failed");
            break;
        }
}

// ---- Report ----

void PrintRatio(const TTimesReporter& times, const std::string& a, const std::string& b,
                const std::string& what, double goal) {
    const double x = times.Time(a), y = times.Time(b);
    if (x < 0 || y <= 0)
        return;
    const double r = x / y;
    std::printf("  %-44s %6.3f  (<= %.1f: %s)\n", what.c_str(), r, goal,
                r <= goal ? "met" : "NOT met");
}

void PrintSummary(const TTimesReporter& times) {
    std::printf("\nRatios (time / time; goals in brackets)\n");
    for (int n : FillSizes) {
        const std::string s = "/" + std::to_string(n);
        PrintRatio(times, "listwin/fill/lean" + s, "listwin/fill/qtreewidget" + s,
                   "fill lean / qtreewidget" + s, 1.0);
    }
    PrintRatio(times, "listwin/fill/lean/100000", "listwin/fill/lean/10000",
               "fill lean 100,000 / 10,000", 12);
    PrintRatio(times, "listwin/start/tockwell/100000", "listwin/start/xmllint/100000",
               "start to painted / xmllint --noout /100000", 1.0);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    app.setFont(QFont("DejaVu Sans", 9));
    SetClock(BenchClock);
    for (int n : FillSizes) {
        const std::string s = "/" + std::to_string(n);
        const int iterations = n >= 100000 ? 8 : 60;
        benchmark::RegisterBenchmark(("listwin/fill/lean" + s).c_str(), FillLean, n)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(iterations)
            ->Repetitions(7);
        benchmark::RegisterBenchmark(("listwin/fill/qtreewidget" + s).c_str(), FillWidget, n)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(iterations)
            ->Repetitions(7);
    }
    const std::string s = "/" + std::to_string(StartSize);
    benchmark::RegisterBenchmark(("listwin/start/tockwell" + s).c_str(), StartProgram)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3)
        ->Repetitions(5)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("listwin/start/xmllint" + s).c_str(), XmlLint)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3)
        ->Repetitions(5)
        ->UseRealTime();
    // The repetitions of all benchmarks in random order: on a busy machine a quiet or a busy
    // spell then falls on each of them alike, not on one size or one peer. A flag given on
    // the command line comes later and wins.
    std::vector<char*> args(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    TTimesReporter reporter(PrintSummary);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::filesystem::remove_all(WorkFolder());
    return 0;
}

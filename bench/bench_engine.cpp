// The reminder engine at scale: saving and loading generated databases of 10,000 and 100,000
// reminders (mixed recurrence and actions) as XML data files, timed against `xmllint
// --noout` parsing the same file; the reminder manager's rebuild and processing pass; and
// the memory a loaded reminder entry costs. After the run the ratios are printed.
// Names: <operation>/<reminders>.

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "bench/benchdata.h"
#include "core/remindermanager.h"
#include "core/xmldatafile.h"
#include "platform/registrystore.h"

extern char** environ;

namespace {

constexpr TDateTime BaseTime = BenchNow;

// Files go to a memory file system where there is one, so a save's flush to the disk does
// not time the disk.
const std::string& WorkFolder() {
    static const std::string folder = [] {
        std::string base = std::filesystem::is_directory("/dev/shm")
                               ? std::string("/dev/shm")
                               : std::filesystem::temp_directory_path().string();
        std::string pattern = base + "/tockwell-bench.XXXXXX";
        if (!mkdtemp(pattern.data()))
            std::abort();
        return pattern;
    }();
    return folder;
}

std::string DataFile(int n) {
    return WorkFolder() + "/reminders-" + std::to_string(n) + ".tock";
}

// The generated database of n reminders and its data file, made once.
TTockwellDB& Database(int n) {
    static std::map<int, std::unique_ptr<TTockwellDB>> dbs;
    auto& db = dbs[n];
    if (!db) {
        // As the program has it: loaded from its file.
        {
            TTockwellDB generated;
            GenerateReminders(generated, n, static_cast<uint32_t>(n));
            SaveXMLDataFile(generated, DataFile(n));
        }
        db = std::make_unique<TTockwellDB>();
        LoadXMLDataFile(*db, DataFile(n));
    }
    return *db;
}

// ---- XML data file ----

void Save(benchmark::State& state, int n) {
    TTockwellDB& db = Database(n);
    const std::string file = WorkFolder() + "/save.tock";
    for (auto _ : state) {
        TXMLDocument doc;
        BuildXMLDataFile(db, doc);
        doc.SaveToFile(file);
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(file));
}

void SafeSave(benchmark::State& state, int n) {
    TTockwellDB& db = Database(n);
    const std::string file = WorkFolder() + "/safe-save.tock";
    for (auto _ : state)
        SaveXMLDataFile(db, file);
}

void Load(benchmark::State& state, int n) {
    Database(n);
    for (auto _ : state) {
        auto db = std::make_unique<TTockwellDB>();
        LoadXMLDataFile(*db, DataFile(n));
        if (db->Count() != n)
            state.SkipWithError("wrong entry count");
        state.PauseTiming();
        db.reset();
        state.ResumeTiming();
    }
}

// xmllint parsing the same file, started as a process.
void XmlLint(benchmark::State& state, int n) {
    Database(n);
    std::string file = DataFile(n);
    char arg0[] = "xmllint", arg1[] = "--noout";
    char* argv[] = {arg0, arg1, file.data(), nullptr};
    for (auto _ : state) {
        pid_t pid;
        if (posix_spawnp(&pid, "xmllint", nullptr, nullptr, argv, environ) != 0) {
            state.SkipWithError("xmllint cannot be started");
            break;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("xmllint failed");
            break;
        }
    }
}

// ---- Reminder manager ----

void Rebuild(benchmark::State& state, int n) {
    TTockwellDB& db = Database(n);
    TReminderManager manager;
    for (auto _ : state)
        manager.RebuildList(db, BaseTime + OneHour);
    state.counters["listed"] = manager.Count();
}

// A pass over the same short list (100 reminders due within the hour, none yet due) in a
// database of n entries.
void Process(benchmark::State& state, int n) {
    TTockwellDB db;
    for (int i = 0; i < n; ++i) {
        const bool listed = i % (n / 100) == 0;
        db.AddNew("r" + std::to_string(i),
                  listed ? BaseTime + (1 + i % 50) * OneMinute : BaseTime + 1 + i % 300);
    }
    TReminderManager manager;
    manager.RebuildList(db, BaseTime + OneHour);
    for (auto _ : state)
        benchmark::DoNotOptimize(manager.ProcessReminders(BaseTime));
    state.counters["listed"] = manager.Count();
}

// ---- Memory ----

long StatusKb(const char* field) {
    std::ifstream f("/proc/self/status");
    std::string line;
    const size_t len = std::strlen(field);
    while (std::getline(f, line))
        if (line.compare(0, len, field) == 0 && line[len] == ':')
            return std::atol(line.c_str() + len + 1);
    return 0;
}

size_t HeapBytes() {
    struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

// In a fresh process: loads the file, prints the peak resident growth during the load and
// the heap the database keeps afterwards, both in bytes per entry.
int MemoryProbe(const std::string& file) {
    const long rss = StatusKb("VmRSS");
    const size_t heap = HeapBytes();
    TTockwellDB db;
    LoadXMLDataFile(db, file);
    const double n = db.Count();
    std::printf("%.0f %.0f %d\n", (StatusKb("VmHWM") - rss) * 1024.0 / n, (HeapBytes() - heap) / n,
                db.Count());
    return 0;
}

// ---- Report ----

class TRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)
            if (!r.error_occurred)
                times_[r.run_name.function_name] = r.GetAdjustedRealTime();
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nRatios (time / time; goals in brackets)\n");
        for (int n : {10000, 100000}) {
            const std::string s = "/" + std::to_string(n);
            Ratio("load" + s, "xmllint" + s, "load / xmllint parse" + s, 1.5);
            Ratio("save" + s, "xmllint" + s, "save / xmllint parse" + s, 2.0);
            Ratio("safe_save" + s, "xmllint" + s, "safe save / xmllint parse" + s, 0);
        }
        Ratio("rebuild/100000", "rebuild/10000", "rebuild 100,000 / 10,000", 12);
        Ratio("process/100000", "process/1000", "pass in 100,000 / in 1,000", 1.5);
    }

private:
    void Ratio(const std::string& a, const std::string& b, const std::string& what, double goal) {
        auto x = times_.find(a), y = times_.find(b);
        if (x == times_.end() || y == times_.end())
            return;
        const double r = x->second / y->second;
        std::printf("  %-34s %6.2f", what.c_str(), r);
        if (goal > 0)
            std::printf("  (<= %.1f: %s)", goal, r <= goal ? "met" : "NOT met");
        std::printf("\n");
    }
    std::map<std::string, double> times_;
};

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--memory-probe") == 0) {
        SetRegistryStoreFolder(std::filesystem::path(argv[2]).parent_path().string());
        return MemoryProbe(argv[2]);
    }
    SetRegistryStoreFolder(WorkFolder()); // RunMinimized stays out of the real settings

    using benchmark::RegisterBenchmark;
    for (int n : {10000, 100000}) {
        const int it = n == 10000 ? 20 : 5;
        const std::string s = "/" + std::to_string(n);
        using TBench = void (*)(benchmark::State&, int);
        const std::pair<const char*, TBench> runs[] = {
            {"xmllint", XmlLint}, {"load", Load}, {"save", Save}, {"safe_save", SafeSave}};
        for (const auto& [name, fn] : runs)
            RegisterBenchmark((name + s).c_str(), fn, n)->Iterations(it)->UseRealTime();
    }
    for (int n : {10000, 100000})
        RegisterBenchmark(("rebuild/" + std::to_string(n)).c_str(), Rebuild, n);
    for (int n : {1000, 100000})
        RegisterBenchmark(("process/" + std::to_string(n)).c_str(), Process, n);

    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    // Memory per entry, measured in a fresh process loading the 100,000-reminder file.
    Database(100000);
    const std::string command = std::filesystem::read_symlink("/proc/self/exe").string() +
                                " --memory-probe " + DataFile(100000);
    if (FILE* probe = popen(command.c_str(), "r")) {
        double peak = 0, kept = 0;
        int count = 0;
        if (std::fscanf(probe, "%lf %lf %d", &peak, &kept, &count) == 3)
            std::printf("  memory per entry (%d loaded): peak %.0f bytes during the load, "
                        "%.0f bytes kept by the database\n",
                        count, peak, kept);
        pclose(probe);
    }
    benchmark::Shutdown();
    std::filesystem::remove_all(WorkFolder());
    return 0;
}

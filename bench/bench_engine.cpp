// The reminder engine at scale: saving and loading generated databases of 10,000 and 100,000
// reminders as XML data files, timed against `xmllint --noout` parsing the same file, for two
// corpora ("mixed": as a user's file tends to be; "full": every field filled); the reminder
// manager's rebuild (1,000 to 300,000 entries), the index sort after a change and the
// processing pass; and the memory a loaded database costs. After the run the ratios, the
// rebuild's growth 100,000 / 10,000 beside that of its plain reference (the same memory
// traffic without the work; goal: growth <= 12, or <= 1.2 times the reference's) and the
// rebuild's cost per entry are printed; with --benchmark_repetitions they use the medians, the
// repetitions of all benchmarks run in random order so that a busy spell on the machine falls
// on each alike.
// Names: <operation>/<corpus>/<reminders> for the data files, <operation>/<reminders> else,
// rebuild/plain/<reminders> for the reference.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/benchdata.h"
#include "benchreport.h"
#include "benchrun.h"
#include "core/binarydatafile.h"
#include "core/remindermanager.h"
#include "core/xmldatafile.h"
#include "platform/registrystore.h"

namespace {

constexpr TDateTime BaseTime = BenchNow;

std::string DataFile(TBenchCorpus corpus, int n, const char* ext = ".tock") {
    return WorkFolder() + "/reminders-" + CorpusName(corpus) + "-" + std::to_string(n) + ext;
}

// The generated database of n reminders and its data files (XML, and binary with the
// extension ".bin"), made once.
TTockwellDB& Database(TBenchCorpus corpus, int n) {
    static std::map<std::pair<TBenchCorpus, int>, std::unique_ptr<TTockwellDB>> dbs;
    auto& db = dbs[{corpus, n}];
    if (!db) {
        // As the program has it: loaded from its file.
        {
            TTockwellDB generated;
            GenerateReminders(generated, n, static_cast<uint32_t>(n), corpus);
            SaveXMLDataFile(generated, DataFile(corpus, n));
            SaveBinaryDataFile(generated, DataFile(corpus, n, ".bin"));
        }
        db = std::make_unique<TTockwellDB>();
        LoadXMLDataFile(*db, DataFile(corpus, n));
    }
    return *db;
}

// ---- XML data file ----

void Save(benchmark::State& state, TBenchCorpus corpus, int n) {
    TTockwellDB& db = Database(corpus, n);
    const std::string file = WorkFolder() + "/save.tock";
    for (auto _ : state) {
        TXMLDocument doc;
        BuildXMLDataFile(db, doc);
        doc.SaveToFile(file);
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(file));
}

void SafeSave(benchmark::State& state, TBenchCorpus corpus, int n) {
    TTockwellDB& db = Database(corpus, n);
    const std::string file = WorkFolder() + "/safe-save.tock";
    for (auto _ : state)
        SaveXMLDataFile(db, file);
}

void Load(benchmark::State& state, TBenchCorpus corpus, int n) {
    Database(corpus, n);
    for (auto _ : state) {
        auto db = std::make_unique<TTockwellDB>();
        LoadXMLDataFile(*db, DataFile(corpus, n));
        if (db->Count() != n)
            state.SkipWithError("wrong entry count");
        state.PauseTiming();
        db.reset();
        state.ResumeTiming();
    }
}

// xmllint parsing the same file, started as a process.
void XmlLint(benchmark::State& state, TBenchCorpus corpus, int n) {
    Database(corpus, n);
    const std::string file = DataFile(corpus, n);
    for (auto _ : state)
        if (!RunProcess({"xmllint", "--noout", file})) {
            state.SkipWithError("xmllint failed");
            break;
        }
}

// The whole load as a process, as xmllint is timed: this program started to load the file,
// free the database and end.
void LoadProcess(benchmark::State& state, TBenchCorpus corpus, int n) {
    Database(corpus, n);
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string file = DataFile(corpus, n);
    for (auto _ : state)
        if (!RunProcess({self, "--load", file})) {
            state.SkipWithError("the load process failed");
            break;
        }
}

// ---- Reminder manager ----

// The timer's rebuild of the short list: a walk over every entry's next alert.
void Rebuild(benchmark::State& state, int n) {
    TTockwellDB& db = GeneratedDatabase(n);
    TReminderManager manager;
    for (auto _ : state)
        manager.RebuildList(db, BaseTime + OneHour);
    state.counters["listed"] = manager.Count();
    state.counters["entries"] = n;
}

// The rebuild's reference: its memory traffic without its work. The same entries of the index
// walked in its order (those before 1899-12-30, then those from the first after 0 up to the
// horizon), each one's key read from its reminder and the handle of each due one copied into
// the list; nothing prefetched, nothing sorted.
void RebuildPlain(benchmark::State& state, int n) {
    TTockwellDB& db = GeneratedDatabase(n);
    db.RebuildIndexes(); // as the rebuild finds it
    const TSortedTockwelDB& index = db.AlertIndex;
    const TDateTime horizon = BaseTime + OneHour;
    std::vector<IReminderAwareItemPtr> listed;
    auto list = [&](int i) {
        const TDateTime key = TSortedTockwelDB::Key(*index.Items(i).Item);
        if (key != 0 && key <= horizon)
            listed.push_back(db.GetItemIntf(int(index.Items(i).Order)));
    };
    for (auto _ : state) {
        listed.clear();
        int i = 0;
        for (; i < index.Count() && index.Items(i).Key < 0; ++i)
            list(i);
        for (i = index.FindFirstAtOrAfter(std::nextafter(0.0, 1.0));
             i < index.Count() && index.Items(i).Key <= horizon; ++i)
            list(i);
        benchmark::DoNotOptimize(listed.data());
    }
    state.counters["listed"] = double(listed.size());
}

// The index build after one next alert moved (the walk and the merge), as after a change.
void IndexAfterChange(benchmark::State& state, int n) {
    TTockwellDB& db = GeneratedDatabase(n);
    TReminderItem& moved = db.GetItem(n / 2)->GetReminder();
    const TDateTime next = moved.GetNextAlertDateTime();
    int sorted = 0;
    for (auto _ : state) {
        moved.SetNextAlertDateTime(moved.GetNextAlertDateTime() == next ? next + 1 : next);
        sorted += db.RebuildIndexes() ? 1 : 0;
    }
    moved.SetNextAlertDateTime(next);
    db.RebuildIndexes();
    if (sorted != state.iterations())
        state.SkipWithError("the index was not sorted after a change");
    state.counters["entries"] = n;
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

// In a fresh process: loads the file (XML, or binary when binary is set), then prints the
// resident size while idle after the load (kB), the peak resident growth during the load and
// the heap the database keeps afterwards (both in bytes per entry), and the entry count.
int MemoryProbe(const std::string& file, bool binary) {
    const long rss = StatusKb("VmRSS");
    const size_t heap = HeapBytes();
    TTockwellDB db;
    if (binary)
        LoadBinaryDataFile(db, file);
    else
        LoadXMLDataFile(db, file);
    const double n = db.Count();
    std::printf("%ld %.0f %.0f %d\n", StatusKb("VmRSS"), (StatusKb("VmHWM") - rss) * 1024.0 / n,
                (HeapBytes() - heap) / n, db.Count());
    return 0;
}

struct TProbe {
    long idleKb = 0;
    double peak = 0, kept = 0;
    int count = 0;
};

bool RunProbe(const std::string& file, bool binary, TProbe& probe) {
    const std::string command = std::filesystem::read_symlink("/proc/self/exe").string() +
                                " --memory-probe " + (binary ? "bin " : "xml ") + file;
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return false;
    const bool ok = std::fscanf(p, "%ld %lf %lf %d", &probe.idleKb, &probe.peak, &probe.kept,
                                &probe.count) == 4;
    return pclose(p) == 0 && ok;
}

// ---- Report ----

constexpr int RebuildSizes[] = {1000, 3000, 10000, 30000, 100000, 300000};

std::string PerEntry(double seconds, int n) {
    char text[32] = "-";
    if (seconds >= 0)
        std::snprintf(text, sizeof text, "%.2f", seconds * 1e9 / n);
    return text;
}

// After the table: the ratios and the rebuild's cost per entry.
void PrintSummary(const TTimesReporter& times) {
    std::printf("\nRatios (time / time; goals in brackets)\n");
    for (const char* corpus : {"mixed", "full"})
        for (int n : {10000, 100000}) {
            const std::string s = std::string("/") + corpus + "/" + std::to_string(n);
            const bool full = std::string(corpus) == "full";
            PrintRatio(times, "load" + s, "xmllint" + s, "load / xmllint parse" + s,
                       full ? 0.7 : 1.5);
            PrintRatio(times, "load_process" + s, "xmllint" + s, "load process / xmllint" + s,
                       full ? 0.7 : 0);
            PrintRatio(times, "save" + s, "xmllint" + s, "save / xmllint parse" + s, 2.0);
            PrintRatio(times, "safe_save" + s, "xmllint" + s, "safe save / xmllint parse" + s, 0);
        }
    PrintRatio(times, "process/100000", "process/1000", "pass in 100,000 / in 1,000", 1.5);
    std::printf("\nGrowth (time / time; goals in brackets)\n");
    PrintGrowth(times, "rebuild/100000", "rebuild/10000", "rebuild/plain/100000",
                "rebuild/plain/10000", "rebuild 100,000 / 10,000");

    std::printf("\nCost per entry (ns)     rebuild   index after a change\n");
    for (int n : RebuildSizes) {
        const std::string s = "/" + std::to_string(n);
        const double rebuild = times.Time("rebuild" + s), index = times.Time("index" + s);
        if (rebuild < 0 && index < 0)
            continue;
        std::printf("  %7d entries    %10s   %10s\n", n, PerEntry(rebuild, n).c_str(),
                    PerEntry(index, n).c_str());
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--load") == 0) {
        SetRegistryStoreFolder(std::filesystem::path(argv[2]).parent_path().string());
        TTockwellDB db;
        LoadXMLDataFile(db, argv[2]);
        return db.Count() > 0 ? 0 : 1;
    }
    if (argc == 4 && std::strcmp(argv[1], "--memory-probe") == 0) {
        SetRegistryStoreFolder(std::filesystem::path(argv[3]).parent_path().string());
        return MemoryProbe(argv[3], std::strcmp(argv[2], "bin") == 0);
    }
    UseBenchEnvironment();
    SetRegistryStoreFolder(WorkFolder()); // RunMinimized stays out of the real settings

    using benchmark::RegisterBenchmark;
    for (TBenchCorpus corpus : {TBenchCorpus::Mixed, TBenchCorpus::Full})
        for (int n : {10000, 100000}) {
            const int it = n == 10000 ? 20 : 5;
            const std::string s = std::string("/") + CorpusName(corpus) + "/" + std::to_string(n);
            using TBench = void (*)(benchmark::State&, TBenchCorpus, int);
            const std::pair<const char*, TBench> runs[] = {{"xmllint", XmlLint},
                                                           {"load", Load},
                                                           {"load_process", LoadProcess},
                                                           {"save", Save},
                                                           {"safe_save", SafeSave}};
            for (const auto& [name, fn] : runs)
                RegisterBenchmark((name + s).c_str(), fn, corpus, n)->Iterations(it)->UseRealTime();
        }
    for (int n : RebuildSizes) {
        RegisterBenchmark(("rebuild/" + std::to_string(n)).c_str(), Rebuild, n);
        RegisterBenchmark(("index/" + std::to_string(n)).c_str(), IndexAfterChange, n);
    }
    for (int n : {10000, 100000})
        RegisterBenchmark(("rebuild/plain/" + std::to_string(n)).c_str(), RebuildPlain, n);
    // Each repetition builds its database anew, and where the listed reminders fall in the
    // processor's caches differs from one build to the next: a pass takes a microsecond or
    // two, and the median of nine builds is steadier than that of the three asked for.
    for (int n : {1000, 100000})
        RegisterBenchmark(("process/" + std::to_string(n)).c_str(), Process, n)->Repetitions(9);

    InitializeInterleaved(argc, argv);
    TTimesReporter reporter(PrintSummary);
    benchmark::RunSpecifiedBenchmarks(&reporter);

    // Memory, measured in fresh processes loading the 100,000-reminder files.
    std::printf("\nMemory with 100,000 reminders (fresh process each)\n");
    for (TBenchCorpus corpus : {TBenchCorpus::Mixed, TBenchCorpus::Full}) {
        Database(corpus, 100000);
        TProbe xml, bin;
        if (!RunProbe(DataFile(corpus, 100000), false, xml) ||
            !RunProbe(DataFile(corpus, 100000, ".bin"), true, bin))
            continue;
        std::printf("  %-5s idle resident after the load: XML %.1f MB, binary %.1f MB "
                    "(XML / binary %.2f; goal <= 1.10: %s)\n",
                    CorpusName(corpus), xml.idleKb / 1024.0, bin.idleKb / 1024.0,
                    double(xml.idleKb) / bin.idleKb,
                    xml.idleKb <= 1.10 * bin.idleKb ? "met" : "NOT met");
        std::printf("        per entry: XML load peak %.0f bytes, binary load peak %.0f bytes; "
                    "kept by the database %.0f bytes\n",
                    xml.peak, bin.peak, xml.kept);
    }
    benchmark::Shutdown();
    std::filesystem::remove_all(WorkFolder());
    return 0;
}

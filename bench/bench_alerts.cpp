// Many reminders already due when the program starts: from a loaded database of n reminders
// due a minute ago, each listing itself in the reminders window, the manager's check fires them
// all and the main window's after-fire handling runs their posted alert actions, until the
// reminders window holds every one of them; for 2,000 and 20,000 reminders. After the run the
// growth 20,000 / 2,000 is printed from the fastest repetitions (other programs' work slows the
// larger round, which works from main memory and spans more of the scheduler's time slices,
// more than the smaller one; the fastest round is the one they disturbed least). Both sizes
// are measured alike: ten repetitions each, all in random order; every round starts with cold
// caches; and every block comes from the heap, freed memory kept for the next round
// (KeepHeapMemory in main), after a warm-up round has grown it, so that the larger round's big
// blocks are not mapped and zeroed afresh by the system each time while the smaller one's are
// reused. Beside the growth that of a plain reference of the same memory traffic is printed,
// measured alike (goal: growth <= 12, or <= 1.2 times the reference's: the larger round leaving
// the processor's caches slows both alike).
// Names: alerts/past-due/<n>, alerts/past-due/plain/<n> for the reference.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFont>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench/benchdata.h"
#include "benchreport.h"
#include "benchrun.h"
#include "core/reminderitem.h"
#include "core/remindermanager.h"
#include "core/tockwellitem.h"
#include "core/windows/alertwindowsetup.h"
#include "core/xmldatafile.h"
#include "platform/gui/windowmessages.h"
#include "platform/registrystore.h"

namespace {

constexpr int Sizes[] = {2000, 20000};
constexpr TDateTime DueTime = BenchNow - 1.0 / (24 * 60);

TDateTime BenchClock() {
    return BenchNow;
}

// Qt's messages, less the offscreen platform's word at every showing that it cannot raise a
// window.
void QtMessages(QtMsgType, const QMessageLogContext&, const QString& text) {
    if (!text.contains(QLatin1String("does not support raise")))
        std::fprintf(stderr, "%s\n", qPrintable(text));
}

// The database of n reminders due a minute ago (only the reminders-window action enabled, as
// a new reminder has it), loaded from its XML data file as the program loads it.
TTockwellDB& PastDueDatabase(int n) {
    static std::map<int, std::unique_ptr<TTockwellDB>> dbs;
    auto& db = dbs[n];
    if (!db) {
        const std::string file = WorkFolder() + "/past-due-" + std::to_string(n) + ".tock";
        {
            TTockwellDB generated;
            for (int i = 0; i < n; ++i)
                generated.AddNew("Past-due reminder " + std::to_string(i + 1), DueTime);
            SaveXMLDataFile(generated, file);
        }
        db = std::make_unique<TTockwellDB>();
        LoadXMLDataFile(*db, file);
    }
    return *db;
}

// Every reminder due again and not listed, the window empty; a new manager, as at the start.
// The event loop's work between two checks is done too: among it, the queue of posted events
// drops the entries of those delivered (otherwise it would grow from round to round).
std::unique_ptr<TReminderManager> ResetToPastDue(TTockwellDB& db, TfrmRemindersWnd& window) {
    window.RemoveAllRows();
    ProcessPendingMessages();
    for (int i = 0; i < db.Count(); ++i)
        db.GetItem(i)->GetReminder().SetReminderDateTime(true, DueTime);
    auto manager = std::make_unique<TReminderManager>();
    // The main window's after-fire handling: the posted alert actions run at once.
    manager->OnAfterFire = [&window] { ProcessPendingMessages(&window, WM_RUN_ALERT_ACTION); };
    return manager;
}

// The heap bytes a round keeps per reminder (its row in the window, its place in the manager's
// list), measured in a round after a warm-up round; once per size.
size_t KeptPerReminder(int n) {
    static std::map<int, size_t> kept;
    if (!kept.count(n)) {
        TTockwellDB& db = PastDueDatabase(n);
        TfrmRemindersWnd& window = *frmRemindersWnd();
        ResetToPastDue(db, window)->CheckReminders(db);
        std::unique_ptr<TReminderManager> manager = ResetToPastDue(db, window);
        const size_t before = HeapBytes();
        manager->CheckReminders(db);
        kept[n] = HeapBytes() > before ? (HeapBytes() - before) / size_t(n) : 0;
        ResetToPastDue(db, window);
    }
    return kept[n];
}

void PastDue(benchmark::State& state, int n) {
    TTockwellDB& db = PastDueDatabase(n);
    TfrmRemindersWnd& window = *frmRemindersWnd();
    int listed = 0;
    KeptPerReminder(n); // the warm-up rounds
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<TReminderManager> manager = ResetToPastDue(db, window);
        state.ResumeTiming();
        EvictCaches(state);
        manager->CheckReminders(db);
        listed = window.RowCount();
    }
    ResetToPastDue(db, window);
    if (listed != n)
        state.SkipWithError("not every reminder listed");
    state.counters["rows"] = listed;
}

// Reads a byte of every cache line of the Size bytes at Data; returns their sum.
unsigned TouchLines(const void* Data, size_t Size) {
    const auto* p = static_cast<const unsigned char*>(Data);
    unsigned sum = p[Size - 1];
    for (size_t i = 0; i < Size; i += 64)
        sum += p[i];
    return sum;
}

// The round's reference: its memory traffic without its work. Every entry in list order, the
// entry and its reminder read and its handle copied into a list (as the manager lists and
// fires it), and a block of the rest of the bytes a round keeps per reminder written (as the
// window's row); then every row again, its entry's reminder read and the row rewritten (as
// the window's refresh of its rows at the end of the update).
void PastDuePlain(benchmark::State& state, int n) {
    TTockwellDB& db = PastDueDatabase(n);
    const size_t rowBytes = std::max(KeptPerReminder(n), 2 * sizeof(IReminderAwareItemPtr)) -
                            sizeof(IReminderAwareItemPtr);
    std::vector<IReminderAwareItemPtr> listed;
    std::vector<std::unique_ptr<char[]>> rows;
    for (auto _ : state) {
        state.PauseTiming();
        listed.clear(); // the blocks freed outside the timing, as the window's rows are
        rows.clear();
        state.ResumeTiming();
        EvictCaches(state);
        listed.reserve(size_t(n));
        unsigned sum = 0;
        for (int i = 0; i < n; ++i) {
            const TTockwellItemPtr& item = db.GetItem(i);
            sum += TouchLines(item.get(), sizeof(TTockwellItem)) +
                   TouchLines(&item->GetReminder(), sizeof(TReminderItem));
            listed.push_back(item);
            rows.push_back(std::make_unique_for_overwrite<char[]>(rowBytes));
            std::memset(rows.back().get(), i, rowBytes);
        }
        for (int i = 0; i < n; ++i) {
            sum += TouchLines(&listed[size_t(i)]->GetReminder(), sizeof(TReminderItem));
            std::memset(rows[size_t(i)].get(), ~i, rowBytes);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["row bytes"] = double(rowBytes);
    state.counters["entry bytes"] = double(sizeof(TTockwellItem) + sizeof(TReminderItem));
}

void PrintSummary(const TTimesReporter& times) {
    std::printf("\nGrowth (time / time, fastest of the repetitions; goal in brackets)\n");
    PrintGrowth(times, "alerts/past-due/20000", "alerts/past-due/2000",
                "alerts/past-due/plain/20000", "alerts/past-due/plain/2000",
                "past-due 20,000 / 2,000", "min");
}

} // namespace

int main(int argc, char** argv) {
    KeepHeapMemory(); // see above
    UseBenchEnvironment();
    qInstallMessageHandler(QtMessages);
    QApplication app(argc, argv);
    app.setFont(QFont("DejaVu Sans", 9));
    SetRegistryStoreFolder(WorkFolder()); // the settings stay out of the user's
    SetClock(BenchClock);
    InitAlertWindows();
    using TBench = void (*)(benchmark::State&, int);
    for (int n : Sizes)
        for (const auto& [name, fn] : {std::pair<std::string, TBench>{"", PastDue},
                                       std::pair<std::string, TBench>{"plain/", PastDuePlain}})
            benchmark::RegisterBenchmark(("alerts/past-due/" + name + std::to_string(n)).c_str(),
                                         fn, n)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(n >= 20000 ? 3 : 20)
                ->Repetitions(10)
                ->ComputeStatistics("min", Fastest);
    InitializeInterleaved(argc, argv);
    TTimesReporter reporter(PrintSummary);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    DoneAlertWindows();
    std::filesystem::remove_all(WorkFolder());
    return 0;
}

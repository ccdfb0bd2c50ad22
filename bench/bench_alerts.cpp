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
// reused.
// Names: alerts/past-due/<n>.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFont>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "bench/benchdata.h"
#include "benchreport.h"
#include "benchrun.h"
#include "core/remindermanager.h"
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

void PastDue(benchmark::State& state, int n) {
    TTockwellDB& db = PastDueDatabase(n);
    TfrmRemindersWnd& window = *frmRemindersWnd();
    int listed = 0;
    ResetToPastDue(db, window)->CheckReminders(db); // the warm-up round
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

void PrintSummary(const TTimesReporter& times) {
    std::printf("\nGrowth (time / time; goal in brackets)\n");
    PrintRatio(times, "alerts/past-due/20000", "alerts/past-due/2000",
               "past-due 20,000 / 2,000 (fastest)", 12, "min");
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
    for (int n : Sizes)
        benchmark::RegisterBenchmark(("alerts/past-due/" + std::to_string(n)).c_str(), PastDue, n)
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

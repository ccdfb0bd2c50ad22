// The tree-list control against QTreeView over a minimal QAbstractItemModel holding the same
// data, in one run. Names: tree/<operation>/<lean|qtreeview>/<n>. After the run the ratios
// (lean / qtreeview) are printed, from the medians of the repetitions (the lookups' from the
// fastest), with the lean tree's bytes per node beyond the host's bytes and the time of one
// synchronous position-cache build at one million rows.
#include <QAbstractItemModel>
#include <QApplication>
#include <QScrollBar>
#include <QTreeView>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <malloc.h>
#include <map>
#include <memory>
#include <random>
#include <unistd.h>

#include "benchreport.h"
#include "benchrun.h"
#include "controls/tree/leantree.h"

namespace {

constexpr int Million = 1000000;
constexpr int Lookups = 10000;

// ---- the peer: a minimal model over flat storage ----

struct TItem {
    int parent, row, first, count, height;
};

class TMiniModel : public QAbstractItemModel {
public:
    std::vector<TItem> items; // top-level items first, then each parent's children in a block
    int roots = 0;
    bool varying = false;

    QModelIndex index(int row, int column, const QModelIndex& parent) const override {
        int id = parent.isValid() ? items[parent.internalId() - 1].first + row : row;
        return createIndex(row, column, quintptr(id + 1));
    }
    QModelIndex parent(const QModelIndex& child) const override {
        if (!child.isValid())
            return {};
        int p = items[child.internalId() - 1].parent;
        return p < 0 ? QModelIndex() : createIndex(items[size_t(p)].row, 0, quintptr(p + 1));
    }
    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? items[parent.internalId() - 1].count : roots;
    }
    int columnCount(const QModelIndex&) const override { return 1; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::SizeHintRole && varying)
            return QSize(50, items[index.internalId() - 1].height);
        return {};
    }
    void AddRoots(int n) {
        beginInsertRows({}, roots, roots + n - 1);
        items.reserve(size_t(n));
        for (int i = 0; i < n; ++i)
            items.push_back({-1, roots + i, 0, 0, 18});
        roots += n;
        endInsertRows();
    }
    void AddChildren(int parent, int n) {
        beginInsertRows(createIndex(items[size_t(parent)].row, 0, quintptr(parent + 1)), 0, n - 1);
        items[size_t(parent)].first = int(items.size());
        items[size_t(parent)].count = n;
        for (int i = 0; i < n; ++i)
            items.push_back({parent, i, 0, 0, 18});
        endInsertRows();
    }
    void ClearAll() {
        beginResetModel();
        items.clear();
        items.shrink_to_fit();
        roots = 0;
        endResetModel();
    }
};

struct TPeer {
    TMiniModel model;
    QTreeView view;
    explicit TPeer(bool uniform) {
        view.setUniformRowHeights(uniform);
        view.setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
        view.resize(400, 600);
        view.setModel(&model);
    }
};

// Parents x children under the lean tree's root, all collapsed.
void BuildLean(TBaseLeanTree& t, int parents, int children) {
    t.BeginUpdate();
    t.SetRootNodeCount(uint32_t(parents));
    if (children > 0)
        for (PLeanNode n = t.GetFirstNoInit(); n; n = n->NextSibling)
            t.SetChildCount(n, uint32_t(children));
    t.EndUpdate();
}

void BuildPeer(TPeer& p, int parents, int children) {
    p.model.AddRoots(parents);
    for (int i = 0; i < parents && children > 0; ++i)
        p.model.AddChildren(i, children);
    p.view.doItemsLayout();
}

void WaitForCache(TBaseLeanTree& t) {
    while (!t.UsesCache())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

std::unique_ptr<TBaseLeanTree> NewLean() {
    auto t = std::make_unique<TBaseLeanTree>();
    t->SetNodeDataSize(4);
    t->resize(400, 600);
    return t;
}

// ---- add ----

void AddLean(benchmark::State& st) {
    for (auto _ : st) {
        st.PauseTiming();
        auto t = NewLean();
        st.ResumeTiming();
        t->SetRootNodeCount(Million);
        benchmark::DoNotOptimize(t->RangeY());
        st.PauseTiming();
        t.reset();
        st.ResumeTiming();
    }
}

void AddPeer(benchmark::State& st) {
    for (auto _ : st) {
        st.PauseTiming();
        auto p = std::make_unique<TPeer>(true);
        st.ResumeTiming();
        p->model.AddRoots(Million);
        p->view.doItemsLayout();
        benchmark::DoNotOptimize(p->view.verticalScrollBar()->maximum());
        st.PauseTiming();
        p.reset();
        st.ResumeTiming();
    }
}

// ---- full expand and full collapse of 1,000 x 1,000 ----

void ExpandLean(benchmark::State& st) {
    auto t = NewLean();
    BuildLean(*t, 1000, 1000);
    for (auto _ : st) {
        t->FullExpand();
        benchmark::DoNotOptimize(t->VisibleCount());
        st.PauseTiming();
        t->FullCollapse();
        st.ResumeTiming();
    }
}

void ExpandPeer(benchmark::State& st) {
    TPeer p(true);
    BuildPeer(p, 1000, 1000);
    for (auto _ : st) {
        p.view.expandAll();
        p.view.doItemsLayout();
        st.PauseTiming();
        p.view.collapseAll();
        p.view.doItemsLayout();
        st.ResumeTiming();
    }
}

void CollapseLean(benchmark::State& st) {
    auto t = NewLean();
    BuildLean(*t, 1000, 1000);
    for (auto _ : st) {
        st.PauseTiming();
        t->FullExpand();
        st.ResumeTiming();
        t->FullCollapse();
        benchmark::DoNotOptimize(t->VisibleCount());
    }
}

void CollapsePeer(benchmark::State& st) {
    TPeer p(true);
    BuildPeer(p, 1000, 1000);
    for (auto _ : st) {
        st.PauseTiming();
        p.view.expandAll();
        p.view.doItemsLayout();
        st.ResumeTiming();
        p.view.collapseAll();
        p.view.doItemsLayout();
    }
}

// ---- the node at a random vertical position ----
// Both trees have the same rows in the same order with the same heights, and answer the same
// query sequence. Every round starts with cold caches, after an untimed pass over the first
// tenth of the queries before the rounds (first uses are not timed on either side).

constexpr int ViewHeight = 600;

// The height of every row in the order shown (each parent followed by its children): 18 pixels
// each, or when varying 12 to 31.
std::vector<int> RowHeights(bool varying) {
    std::vector<int> heights(size_t(1000) * 1001, 18);
    std::mt19937 rng(3);
    if (varying)
        for (int& h : heights)
            h = int(12 + rng() % 20);
    return heights;
}

// The query sequence: positions in the range both trees can be scrolled to.
std::vector<int> Positions(const std::vector<int>& heights) {
    int64_t total = 0;
    for (int h : heights)
        total += h;
    const auto range = uint32_t(total - ViewHeight);
    std::mt19937 rng(17);
    std::vector<int> ys(Lookups);
    for (int& y : ys)
        y = int(rng() % range);
    return ys;
}

void NodeAtLean(benchmark::State& st, bool varying) {
    auto t = NewLean();
    BuildLean(*t, 1000, 1000);
    t->FullExpand();
    const std::vector<int> heights = RowHeights(varying);
    if (varying) {
        t->BeginUpdate();
        size_t i = 0;
        for (PLeanNode n = t->GetFirstNoInit(); n; n = t->GetNextNoInit(n))
            t->SetNodeHeight(n, uint32_t(heights[i++]));
        t->EndUpdate();
    }
    WaitForCache(*t);
    const std::vector<int> ys = Positions(heights);
    auto lookUp = [&](int count) {
        int top = 0;
        for (int i = 0; i < count; ++i)
            benchmark::DoNotOptimize(t->GetNodeAt(0, ys[size_t(i)], false, top));
    };
    lookUp(Lookups / 10);
    for (auto _ : st) {
        EvictCaches(st);
        lookUp(Lookups);
    }
}

void NodeAtPeer(benchmark::State& st, bool varying) {
    TPeer p(!varying);
    p.model.varying = varying;
    BuildPeer(p, 1000, 1000);
    const std::vector<int> heights = RowHeights(varying);
    size_t i = 0;
    for (int parent = 0; parent < 1000; ++parent) {
        TItem& item = p.model.items[size_t(parent)];
        item.height = heights[i++];
        for (int c = 0; c < item.count; ++c)
            p.model.items[size_t(item.first + c)].height = heights[i++];
    }
    p.view.expandAll();
    p.view.doItemsLayout();
    QScrollBar* bar = p.view.verticalScrollBar();
    const std::vector<int> ys = Positions(heights);
    auto lookUp = [&](int count) {
        for (int i = 0; i < count; ++i) {
            bar->setValue(ys[size_t(i)]);
            benchmark::DoNotOptimize(p.view.indexAt(QPoint(1, 0)));
        }
    };
    lookUp(Lookups / 10);
    for (auto _ : st) {
        EvictCaches(st);
        lookUp(Lookups);
    }
}

// ---- clear ----

void ClearLean(benchmark::State& st) {
    for (auto _ : st) {
        st.PauseTiming();
        auto t = NewLean();
        t->SetRootNodeCount(Million);
        WaitForCache(*t); // the worker is idle: Clear is measured, not an interruption
        st.ResumeTiming();
        t->Clear();
        st.PauseTiming();
        t.reset();
        st.ResumeTiming();
    }
}

void ClearPeer(benchmark::State& st) {
    for (auto _ : st) {
        st.PauseTiming();
        auto p = std::make_unique<TPeer>(true);
        p->model.AddRoots(Million);
        p->view.doItemsLayout();
        st.ResumeTiming();
        p->model.ClearAll();
        p->view.doItemsLayout();
        st.PauseTiming();
        p.reset();
        st.ResumeTiming();
    }
}

// Heap bytes per node beyond the host's 4 bytes, and one synchronous cache build.
struct TFigures {
    double bytesPerNode = 0;
    double syncBuildMs = 0;
};

TFigures MeasureFigures() {
    TFigures f;
    auto t = NewLean();
    malloc_trim(0);
    auto used = [] { // resident bytes of the process
        long pages = 0, resident = 0;
        if (FILE* f = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
                resident = 0;
            std::fclose(f);
        }
        return size_t(resident) * size_t(sysconf(_SC_PAGESIZE));
    };
    size_t before = used();
    t->SetRootNodeCount(Million);
    size_t after = used();
    f.bytesPerNode = double(after - before) / Million - 4;
    t->Clear();
    BuildLean(*t, 1000, 1000);
    t->FullExpand();
    std::vector<TCacheEntry> cache;
    auto start = std::chrono::steady_clock::now();
    t->BuildPositionCache(cache, nullptr);
    f.syncBuildMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return f;
}

// After the table: the lean/QTreeView ratios and the memory and cache figures. The lookups
// compare the fastest repetitions: they wait on main memory for nearly every row they pass,
// and other programs' memory traffic slows either side by half or more in a busy spell; the
// fastest round is the one they disturbed least.
void PrintSummary(const TTimesReporter& times, const TFigures& figures) {
    PrintPairRatios(times, "lean", "qtreeview", [](const std::string& name) {
        return name.starts_with("tree/nodeat") ? -1.0 : 1.0;
    });
    for (const char* lookup : {"nodeat-uniform", "nodeat-varying"}) {
        const std::string base = std::string("tree/") + lookup;
        PrintRatio(times, base + "/lean/1000000", base + "/qtreeview/1000000",
                   base + "/lean/1000000 (fastest)", 1.0, "min");
    }
    std::printf("Bytes per node beyond the host's bytes: %.1f (goal <= 80)\n",
                figures.bytesPerNode);
    std::printf("Synchronous position-cache build, 1,000,000 visible rows: %.1f ms\n",
                figures.syncBuildMs);
}

} // namespace

int main(int argc, char** argv) {
    UseBenchEnvironment();
    QApplication app(argc, argv);
    auto reg = [](const char* name, auto fn) {
        return benchmark::RegisterBenchmark(name, fn)
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(3)
            ->ComputeStatistics("min", Fastest)
            ->ReportAggregatesOnly(true);
    };
    reg("tree/add/lean/1000000", AddLean)->Iterations(2);
    reg("tree/add/qtreeview/1000000", AddPeer)->Iterations(2);
    reg("tree/expand/lean/1000000", ExpandLean)->Iterations(2);
    reg("tree/expand/qtreeview/1000000", ExpandPeer)->Iterations(2);
    reg("tree/collapse/lean/1000000", CollapseLean)->Iterations(2);
    reg("tree/collapse/qtreeview/1000000", CollapsePeer)->Iterations(2);
    // The lookups: ten repetitions on either side where a round takes milliseconds.
    reg("tree/nodeat-uniform/lean/1000000", [](benchmark::State& s) { NodeAtLean(s, false); })
        ->Iterations(20)
        ->Repetitions(10);
    reg("tree/nodeat-uniform/qtreeview/1000000", [](benchmark::State& s) { NodeAtPeer(s, false); })
        ->Iterations(20)
        ->Repetitions(10);
    reg("tree/nodeat-varying/lean/1000000", [](benchmark::State& s) {
        NodeAtLean(s, true);
    })->Iterations(20);
    reg("tree/nodeat-varying/qtreeview/1000000", [](benchmark::State& s) {
        NodeAtPeer(s, true);
    })->Iterations(1);
    reg("tree/clear/lean/1000000", ClearLean)->Iterations(2);
    reg("tree/clear/qtreeview/1000000", ClearPeer)->Iterations(2);
    // Not interleaved: among the others in random order, some rounds of the 1,000,000-node add
    // take three to four times as long (its node blocks take fresh huge pages from the system
    // right after another benchmark freed its memory), which is the host's state, not the tree's.
    benchmark::Initialize(&argc, argv);
    const TFigures figures = MeasureFigures();
    TTimesReporter reporter([&figures](const TTimesReporter& t) { PrintSummary(t, figures); });
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

// The tree-list control's data operations against QTreeView over a minimal QAbstractItemModel
// holding the same data, in one run: sorting 1,000,000 siblings (the model's own stable sort,
// which QTreeView::sortByColumn calls, and a QSortFilterProxyModel: "sort-proxy") and writing and
// reading 1,000,000 nodes to a memory stream (the node stream against QDataStream writing the same
// fields of each node). Names: tree/<operation>/<lean|qtreeview>/<n>. After the run the ratios
// (lean / qtreeview) are printed, from the medians of five repetitions, those of all benchmarks
// run in random order so that a busy spell on the machine falls on either side alike. Each is
// held to a goal of 1 but the plain sort's, which is shown for information.
#include <QAbstractItemModel>
#include <QApplication>
#include <QBuffer>
#include <QDataStream>
#include <QSortFilterProxyModel>
#include <QTreeView>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <memory>
#include <numeric>
#include <random>

#include "benchreport.h"
#include "benchrun.h"
#include "controls/tree/leantree.h"
#include "platform/classes.h"

namespace {

constexpr int Million = 1000000;

// Each node's data: the sort key and its first place (to restore the unsorted order).
struct TData {
    int key;
    int first;
};

std::vector<int> Keys() {
    std::mt19937 rng(29);
    std::vector<int> keys(Million);
    for (int& k : keys)
        k = int(rng() % 100000); // many equal keys
    return keys;
}

// ---- the peer: a flat model that sorts itself ----

class TFlatModel : public QAbstractItemModel {
public:
    std::vector<TData> rows;
    bool byFirst = false;

    QModelIndex index(int row, int column, const QModelIndex& parent) const override {
        return parent.isValid() ? QModelIndex() : createIndex(row, column);
    }
    QModelIndex parent(const QModelIndex&) const override { return {}; }
    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : int(rows.size());
    }
    int columnCount(const QModelIndex&) const override { return 1; }
    QVariant data(const QModelIndex& index, int role) const override {
        return role == Qt::DisplayRole ? QVariant(rows[size_t(index.row())].key) : QVariant();
    }
    void sort(int, Qt::SortOrder order) override {
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        std::vector<int> perm(rows.size());
        std::iota(perm.begin(), perm.end(), 0);
        auto key = [this](int i) { return byFirst ? rows[size_t(i)].first : rows[size_t(i)].key; };
        if (order == Qt::AscendingOrder)
            std::stable_sort(perm.begin(), perm.end(),
                             [&](int a, int b) { return key(a) < key(b); });
        else
            std::stable_sort(perm.begin(), perm.end(),
                             [&](int a, int b) { return key(a) > key(b); });
        std::vector<TData> sorted(rows.size());
        std::vector<int> newRow(rows.size());
        for (size_t i = 0; i < perm.size(); ++i) {
            sorted[i] = rows[size_t(perm[i])];
            newRow[size_t(perm[i])] = int(i);
        }
        rows = std::move(sorted);
        QModelIndexList from = persistentIndexList(), to;
        for (const QModelIndex& i : from)
            to.push_back(createIndex(newRow[size_t(i.row())], i.column()));
        changePersistentIndexList(from, to);
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }
    using QAbstractItemModel::beginResetModel;
    using QAbstractItemModel::endResetModel;
    void Fill(const std::vector<int>& keys) {
        beginResetModel();
        rows.resize(keys.size());
        for (size_t i = 0; i < keys.size(); ++i)
            rows[i] = {keys[i], int(i)};
        endResetModel();
    }
};

struct TPeer {
    TFlatModel model;
    QTreeView view;
    TPeer() {
        view.setUniformRowHeights(true);
        view.resize(400, 600);
        view.setModel(&model);
    }
};

std::unique_ptr<TBaseLeanTree> NewLean(const std::vector<int>& keys) {
    auto t = std::make_unique<TBaseLeanTree>();
    t->SetNodeDataSize(sizeof(TData));
    t->resize(400, 600);
    t->SetRootNodeCount(uint32_t(keys.size()));
    int i = 0;
    for (PLeanNode n = t->GetFirstNoInit(); n; n = n->NextSibling, ++i)
        *t->GetNodeData<TData>(n) = {keys[size_t(i)], i};
    return t;
}

// ---- sort ----

void SortLean(benchmark::State& st) {
    auto t = NewLean(Keys());
    bool byFirst = false;
    t->OnCompareNodes = [&](TBaseLeanTree* s, PLeanNode a, PLeanNode b, TColumnIndex, int& r) {
        const TData* x = s->GetNodeData<TData>(a);
        const TData* y = s->GetNodeData<TData>(b);
        int u = byFirst ? x->first : x->key, v = byFirst ? y->first : y->key;
        r = (u > v) - (u < v);
    };
    for (auto _ : st) {
        t->Sort(nullptr, 0, sdAscending, false);
        benchmark::DoNotOptimize(t->GetFirstNoInit());
        st.PauseTiming();
        byFirst = true;
        t->Sort(nullptr, 0, sdAscending, false);
        byFirst = false;
        st.ResumeTiming();
    }
}

void SortPeer(benchmark::State& st) {
    TPeer p;
    p.model.Fill(Keys());
    p.view.doItemsLayout();
    for (auto _ : st) {
        p.view.sortByColumn(0, Qt::AscendingOrder);
        p.view.doItemsLayout();
        st.PauseTiming();
        p.model.byFirst = true;
        p.model.sort(0, Qt::AscendingOrder);
        p.model.byFirst = false;
        st.ResumeTiming();
    }
}

// The same through a QSortFilterProxyModel, which asks the model for each compared value
// (as the lean tree asks its host).
void SortProxyPeer(benchmark::State& st) {
    TFlatModel model;
    model.Fill(Keys());
    QSortFilterProxyModel proxy;
    proxy.setSourceModel(&model);
    QTreeView view;
    view.setUniformRowHeights(true);
    view.resize(400, 600);
    view.setModel(&proxy);
    view.doItemsLayout();
    for (auto _ : st) {
        proxy.sort(0, Qt::AscendingOrder);
        view.doItemsLayout();
        st.PauseTiming();
        proxy.sort(-1); // back to the model's order
        view.doItemsLayout();
        st.ResumeTiming();
    }
}

// ---- write and read ----

void HookStreams(TBaseLeanTree& t) {
    t.OnSaveNode = [](TBaseLeanTree* s, PLeanNode n, TStream& st) {
        st.WriteValue<int32_t>(s->GetNodeData<TData>(n)->key);
    };
    t.OnLoadNode = [](TBaseLeanTree* s, PLeanNode n, TStream& st) {
        s->GetNodeData<TData>(n)->key = st.ReadValue<int32_t>();
    };
}

void WriteLean(benchmark::State& st) {
    auto t = NewLean(Keys());
    HookStreams(*t);
    int64_t bytes = 0;
    for (auto _ : st) {
        TMemoryStream s;
        t->SaveToStream(s);
        bytes = s.Size();
        benchmark::DoNotOptimize(s.Memory());
    }
    st.counters["bytes"] = double(bytes);
}

// The peer writes what the node stream holds of a node: its child count, height, state bits,
// alignment, check state and type, and the host's key.
struct TPeerItem {
    quint32 children = 0;
    quint32 height = 18;
    quint16 states = 0x81;
    quint8 align = 50, checkState = 0, checkType = 0;
};

void WritePeerItems(const TFlatModel& m, QDataStream& ds) {
    ds << quint32(m.rows.size());
    TPeerItem it;
    for (const TData& r : m.rows)
        ds << it.children << it.height << it.states << it.align << it.checkState << it.checkType
           << qint32(r.key);
}

void WritePeer(benchmark::State& st) {
    TPeer p;
    p.model.Fill(Keys());
    int64_t bytes = 0;
    for (auto _ : st) {
        QByteArray b;
        QBuffer buffer(&b);
        buffer.open(QIODevice::WriteOnly);
        QDataStream ds(&buffer);
        WritePeerItems(p.model, ds);
        bytes = b.size();
        benchmark::DoNotOptimize(b.data());
    }
    st.counters["bytes"] = double(bytes);
}

void ReadLean(benchmark::State& st) {
    auto source = NewLean(Keys());
    HookStreams(*source);
    TMemoryStream s;
    source->SaveToStream(s);
    source.reset();
    auto t = std::make_unique<TBaseLeanTree>();
    t->SetNodeDataSize(sizeof(TData));
    t->resize(400, 600);
    HookStreams(*t);
    for (auto _ : st) {
        s.SetPosition(0);
        t->LoadFromStream(s);
        benchmark::DoNotOptimize(t->TotalCount());
        st.PauseTiming();
        t->Clear();
        st.ResumeTiming();
    }
}

void ReadPeer(benchmark::State& st) {
    QByteArray b;
    {
        TFlatModel m;
        m.Fill(Keys());
        QBuffer buffer(&b);
        buffer.open(QIODevice::WriteOnly);
        QDataStream ds(&buffer);
        WritePeerItems(m, ds);
    }
    TPeer p;
    for (auto _ : st) {
        QBuffer buffer(&b);
        buffer.open(QIODevice::ReadOnly);
        QDataStream ds(&buffer);
        quint32 count;
        ds >> count;
        p.model.beginResetModel();
        p.model.rows.clear();
        p.model.rows.reserve(count);
        for (quint32 i = 0; i < count && ds.status() == QDataStream::Ok; ++i) {
            TPeerItem it;
            qint32 key;
            ds >> it.children >> it.height >> it.states >> it.align >> it.checkState >>
                it.checkType >> key;
            p.model.rows.push_back({key, int(i)});
        }
        p.model.endResetModel();
        p.view.doItemsLayout();
        benchmark::DoNotOptimize(p.model.rows.data());
        st.PauseTiming();
        p.model.beginResetModel();
        p.model.rows.clear();
        p.model.rows.shrink_to_fit();
        p.model.endResetModel();
        st.ResumeTiming();
    }
}

} // namespace

int main(int argc, char** argv) {
    UseBenchEnvironment();
    QApplication app(argc, argv);
    auto reg = [](const char* name, auto fn) {
        return benchmark::RegisterBenchmark(name, fn)
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(5)
            ->ReportAggregatesOnly(true);
    };
    reg("tree/sort/lean/1000000", SortLean)->Iterations(2);
    reg("tree/sort/qtreeview/1000000", SortPeer)->Iterations(2);
    reg("tree/sort-proxy/lean/1000000", SortLean)->Iterations(2);
    reg("tree/sort-proxy/qtreeview/1000000", SortProxyPeer)->Iterations(2);
    reg("tree/write/lean/1000000", WriteLean)->Iterations(3);
    reg("tree/write/qtreeview/1000000", WritePeer)->Iterations(3);
    reg("tree/read/lean/1000000", ReadLean)->Iterations(3);
    reg("tree/read/qtreeview/1000000", ReadPeer)->Iterations(3);
    InitializeInterleaved(argc, argv);
    // The tree asks its host for every comparison; the model sorts its own keys directly. That
    // pair is shown for information; the proxy, which asks the model for each value as the
    // tree asks its host, is the peer held to the goal.
    TTimesReporter reporter([](const TTimesReporter& t) {
        PrintPairRatios(t, "lean", "qtreeview", [](const std::string& name) {
            return name.starts_with("tree/sort/") ? 0.0 : 1.0;
        });
    });
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

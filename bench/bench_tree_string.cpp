// The string tree against QTreeWidget with the same 1,000,000 strings: filling, painting one
// viewport in the middle, and sorting; and copy + paste of 100,000 nodes through the tree's
// clipboard format within one tree (no peer: its time alone).
// Names: tree/<operation>/<lean|qtreewidget>/<n>. The ratios are printed after the run.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QClipboard>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QTreeWidget>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "benchreport.h"
#include "benchrun.h"
#include "controls/tree/stringtree.h"

namespace {

constexpr int ViewWidth = 800, ViewHeight = 600;
constexpr int Rows = 1000000;

// Deterministic words of 6 to 20 letters from a fixed seed.
const std::vector<QString>& Strings() {
    static std::vector<QString> all = [] {
        std::vector<QString> out;
        out.reserve(Rows);
        uint64_t x = 0x2545F4914F6CDD1Dull;
        for (int i = 0; i < Rows; ++i) {
            x ^= x << 13, x ^= x >> 7, x ^= x << 17;
            int len = 6 + int(x % 15);
            QString s(len, QChar(u'a'));
            uint64_t y = x;
            for (int k = 0; k < len; ++k) {
                y = y * 6364136223846793005ull + 1442695040888963407ull;
                s[k] = QChar(u'a' + char16_t((y >> 33) % 26));
            }
            out.push_back(s);
        }
        return out;
    }();
    return all;
}

// Node data: the index of the node's string.
class TBenchStringTree : public TLeanStringTree {
public:
    std::vector<QString> extra; // texts that arrive by paste
    TBenchStringTree() {
        SetNodeDataSize(sizeof(int));
        OnInitNode = [this](TBaseLeanTree*, PLeanNode parent, PLeanNode node,
                            TLeanNodeInitStates&) {
            if (!parent)
                *GetNodeData<int>(node) = int(node->Index);
        };
        OnGetText = [this](TBaseLeanTree*, PLeanNode n, TColumnIndex, TVSTTextType type,
                           QString& text) {
            if (type != ttNormal)
                return;
            int i = *GetNodeData<int>(n);
            text = i >= 0 ? Strings()[size_t(i)] : extra[size_t(-i - 1)];
        };
        OnNewText = [this](TBaseLeanTree*, PLeanNode n, TColumnIndex, const QString& t) {
            extra.push_back(t);
            *GetNodeData<int>(n) = -int(extra.size());
        };
        OnCompareNodes = [this](TBaseLeanTree*, PLeanNode a, PLeanNode b, TColumnIndex,
                                int& result) {
            result = Text(a, NoColumn).compare(Text(b, NoColumn));
        };
    }
    void Fill(int n) {
        Clear();
        SetRootNodeCount(uint32_t(n));
        // Every node made ready, as the widget's items are.
        for (PLeanNode node = GetFirst(); node; node = GetNextSibling(node)) {
        }
    }
};

void FillWidget(QTreeWidget& w, int n) {
    w.clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(n);
    const auto& s = Strings();
    for (int i = 0; i < n; ++i) {
        auto* item = new QTreeWidgetItem;
        item->setText(0, s[size_t(i)]);
        items.push_back(item);
    }
    w.addTopLevelItems(items);
}

void FillLean(benchmark::State& st) {
    TBenchStringTree tree;
    Strings();
    for (auto _ : st)
        tree.Fill(Rows);
}

void FillWidgetBench(benchmark::State& st) {
    QTreeWidget w;
    w.setUniformRowHeights(true);
    Strings();
    for (auto _ : st)
        FillWidget(w, Rows);
}

void Render(QWidget* viewport, QImage& target) {
    QPainter p(&target);
    viewport->render(&p, QPoint(), QRegion(), QWidget::RenderFlags());
}

void PaintLean(benchmark::State& st) {
    TBenchStringTree tree;
    tree.resize(ViewWidth, ViewHeight);
    tree.Fill(Rows);
    tree.show();
    while (!tree.UsesCache())
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    tree.UpdateScrollBars(true);
    QScrollBar* bar = tree.verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    QApplication::processEvents();
    QImage img(tree.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : st)
        Render(tree.viewport(), img);
}

void PaintWidget(benchmark::State& st) {
    QTreeWidget w;
    w.setHeaderHidden(true);
    w.setUniformRowHeights(true);
    w.resize(ViewWidth, ViewHeight);
    FillWidget(w, Rows);
    w.show();
    QApplication::processEvents();
    QScrollBar* bar = w.verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    QApplication::processEvents();
    QImage img(w.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : st)
        Render(w.viewport(), img);
}

// Each round sorts the unsorted strings (refilled outside the timing).
void SortLean(benchmark::State& st) {
    TBenchStringTree tree;
    for (auto _ : st) {
        st.PauseTiming();
        tree.Fill(Rows);
        st.ResumeTiming();
        tree.SortTree(NoColumn, sdAscending);
    }
}

void SortWidget(benchmark::State& st) {
    QTreeWidget w;
    w.setUniformRowHeights(true);
    for (auto _ : st) {
        st.PauseTiming();
        w.setSortingEnabled(false);
        FillWidget(w, Rows);
        st.ResumeTiming();
        w.sortItems(0, Qt::AscendingOrder);
    }
}

// Copy 100,000 top-level nodes and paste them into the same tree; the pasted ones are removed
// outside the timing.
void CopyPaste(benchmark::State& st) {
    constexpr int N = 100000;
    TBenchStringTree tree;
    tree.TreeOptions().SetSelectionOptions({TLTSelectionOption::toMultiSelect});
    tree.Fill(N);
    for (auto _ : st) {
        tree.SelectAll(false);
        tree.CopyToClipboard();
        tree.SetFocusedNode(nullptr);
        if (!tree.PasteFromClipboard())
            st.SkipWithError("paste failed");
        st.PauseTiming();
        if (tree.RootNodeCount() != 2 * N)
            st.SkipWithError("wrong count");
        tree.BeginUpdate();
        while (tree.RootNodeCount() > N)
            tree.DeleteNode(tree.GetLastChild(nullptr));
        tree.EndUpdate();
        tree.extra.clear();
        QApplication::clipboard()->clear();
        st.ResumeTiming();
    }
}

} // namespace

int main(int argc, char** argv) {
    UseBenchEnvironment();
    QApplication app(argc, argv);
    app.setFont(QFont("DejaVu Sans", 9));
    auto reg = [](const char* name, void (*fn)(benchmark::State&), benchmark::TimeUnit unit,
                  int iterations) {
        auto* b = benchmark::RegisterBenchmark(name, fn)->Unit(unit);
        if (iterations)
            b->Iterations(iterations)->Repetitions(3)->ReportAggregatesOnly(true);
    };
    reg("tree/string_fill/lean/1000000", FillLean, benchmark::kMillisecond, 2);
    reg("tree/string_fill/qtreewidget/1000000", FillWidgetBench, benchmark::kMillisecond, 2);
    reg("tree/string_paint/lean/1000000", PaintLean, benchmark::kMicrosecond, 0);
    reg("tree/string_paint/qtreewidget/1000000", PaintWidget, benchmark::kMicrosecond, 0);
    reg("tree/string_sort/lean/1000000", SortLean, benchmark::kMillisecond, 1);
    reg("tree/string_sort/qtreewidget/1000000", SortWidget, benchmark::kMillisecond, 1);
    reg("tree/copy_paste/lean/100000", CopyPaste, benchmark::kMillisecond, 2);
    benchmark::Initialize(&argc, argv);
    TTimesReporter reporter(
        [](const TTimesReporter& t) { PrintPairRatios(t, "lean", "qtreewidget", 1.0); });
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

// Painting and scrolling of the tree-list control against QTreeView over a minimal model of
// the same data: one full viewport painted at the top, the middle and the end of a
// 1,000,000-row tree (1,000 parents of 999 children, all expanded), and a sweep by pages
// through 10,000 rows, painting each page.
// Names: tree/<operation>/<lean|qtreeview>/<rows>. After the run the ratios are printed, with
// the lean tree's end/top ratio (painting must not grow with the row count).

#include <benchmark/benchmark.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QTreeView>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "benchreport.h"
#include "benchrun.h"
#include "controls/tree/leantree.h"

namespace {

constexpr int ViewWidth = 800, ViewHeight = 600;

// Row labels as both controls show them; zero-padded, so that every viewport draws the same
// amount of text wherever it lies.
QString Label(int parent, int child) {
    return child < 0 ? QStringLiteral("Group %1").arg(parent, 4, 10, QChar('0'))
                     : QStringLiteral("Item %1.%2")
                           .arg(parent, 4, 10, QChar('0'))
                           .arg(child, 3, 10, QChar('0'));
}

// The lean tree with a text painter: node data holds the parent and child numbers.
class TBenchTree : public TBaseLeanTree {
public:
    TBenchTree(int parents, int children) {
        SetNodeDataSize(2 * sizeof(int));
        OnInitNode = [this, children](TBaseLeanTree*, PLeanNode parent, PLeanNode node,
                                      TLeanNodeInitStates& states) {
            int* d = GetNodeData<int>(node);
            if (!parent) {
                d[0] = int(node->Index);
                d[1] = -1;
                if (children > 0)
                    states |= {TLeanNodeInitState::ivsHasChildren, TLeanNodeInitState::ivsExpanded};
            } else {
                d[0] = GetNodeData<int>(parent)[0];
                d[1] = int(node->Index);
            }
        };
        OnInitChildren = [children](TBaseLeanTree*, PLeanNode, uint32_t& count) {
            count = uint32_t(children);
        };
        SetRootNodeCount(uint32_t(parents));
        FullExpand();
        labelWidth_ = QFontMetrics(font()).horizontalAdvance("Item 0999.999");
    }
    int DoGetNodeWidth(PLeanNode, TColumnIndex, QPainter*) override { return labelWidth_; }
    void DoPaintNode(TLTPaintInfo& info) override {
        const int* d = GetNodeData<int>(info.Node);
        info.Canvas->setPen(palette().color(QPalette::Text));
        info.Canvas->drawText(info.ContentRect, Qt::AlignLeft | Qt::AlignVCenter,
                              Label(d[0], d[1]));
    }

private:
    int labelWidth_ = 0;
};

// The same data as a minimal model: internal id 0 for parents, parent + 1 for children.
class TBenchModel : public QAbstractItemModel {
public:
    TBenchModel(int parents, int children) : parents_(parents), children_(children) {}
    QModelIndex index(int row, int column, const QModelIndex& parent) const override {
        if (column != 0)
            return {};
        if (!parent.isValid())
            return createIndex(row, 0, quintptr(0));
        return createIndex(row, 0, quintptr(parent.row() + 1));
    }
    QModelIndex parent(const QModelIndex& child) const override {
        if (!child.isValid() || child.internalId() == 0)
            return {};
        return createIndex(int(child.internalId() - 1), 0, quintptr(0));
    }
    int rowCount(const QModelIndex& parent) const override {
        if (!parent.isValid())
            return parents_;
        return parent.internalId() == 0 ? children_ : 0;
    }
    int columnCount(const QModelIndex&) const override { return 1; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        if (index.internalId() == 0)
            return Label(index.row(), -1);
        return Label(int(index.internalId() - 1), index.row());
    }

private:
    int parents_, children_;
};

struct TViews {
    std::unique_ptr<TBenchTree> lean;
    std::unique_ptr<TBenchModel> model;
    std::unique_ptr<QTreeView> view;
};

// The views made so far, kept for all runs; main frees them before the application object.
std::map<std::pair<int, int>, TViews>& AllViews() {
    static std::map<std::pair<int, int>, TViews> all;
    return all;
}

TViews& Views(int parents, int children) {
    TViews& v = AllViews()[{parents, children}];
    if (!v.lean) {
        v.lean = std::make_unique<TBenchTree>(parents, children);
        v.lean->resize(ViewWidth, ViewHeight);
        v.lean->show();
        while (!v.lean->UsesCache())
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        v.lean->UpdateScrollBars(true);
        v.model = std::make_unique<TBenchModel>(parents, children);
        v.view = std::make_unique<QTreeView>();
        v.view->setHeaderHidden(true);
        v.view->setUniformRowHeights(true);
        v.view->setModel(v.model.get());
        v.view->resize(ViewWidth, ViewHeight);
        v.view->show();
        QApplication::processEvents();
        // Parent by parent from the first: each expansion inserts its rows near the end of
        // the view's row list (expandAll takes minutes on a million rows).
        for (int p = 0; p < parents; ++p)
            v.view->setExpanded(v.model->index(p, 0, QModelIndex()), true);
        QApplication::processEvents();
    }
    return v;
}

// Where a viewport is painted: 0 top, 1 middle, 2 end.
void Place(TViews& v, int where) {
    QScrollBar* lean = v.lean->verticalScrollBar();
    QScrollBar* view = v.view->verticalScrollBar();
    for (QScrollBar* b : {lean, view}) {
        int value = where == 0 ? 0 : where == 1 ? b->maximum() / 2 : b->maximum();
        b->setValue(value);
    }
    QApplication::processEvents();
}

void Render(QWidget* viewport, QImage& target) {
    QPainter p(&target);
    viewport->render(&p, QPoint(), QRegion(), QWidget::RenderFlags());
}

void PaintLean(benchmark::State& st, int where) {
    TViews& v = Views(1000, 999);
    Place(v, where);
    QImage img(v.lean->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : st)
        Render(v.lean->viewport(), img);
}

void PaintView(benchmark::State& st, int where) {
    TViews& v = Views(1000, 999);
    Place(v, where);
    QImage img(v.view->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : st)
        Render(v.view->viewport(), img);
}

// From the top to the end by pages, each page painted.
void ScrollPages(benchmark::State& st, bool lean) {
    TViews& v = Views(100, 99);
    QAbstractScrollArea* area = lean ? static_cast<QAbstractScrollArea*>(v.lean.get())
                                     : static_cast<QAbstractScrollArea*>(v.view.get());
    QScrollBar* bar = area->verticalScrollBar();
    QImage img(area->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    int pages = 0;
    for (auto _ : st) {
        bar->triggerAction(QAbstractSlider::SliderToMinimum);
        pages = 1;
        Render(area->viewport(), img);
        while (bar->value() < bar->maximum()) {
            bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
            Render(area->viewport(), img);
            ++pages;
        }
    }
    st.counters["pages"] = pages;
}

// After the table: the lean/QTreeView ratios and whether painting stays flat in the row count.
void PrintSummary(const TTimesReporter& times) {
    PrintPairRatios(times, "lean", "qtreeview", 1.0);
    const double top = times.Time("tree/paint_top/lean/1000000"),
                 end = times.Time("tree/paint_end/lean/1000000");
    if (top > 0 && end > 0)
        std::printf("  lean painting end / top: %.3fx (flat in the row count when near 1)\n",
                    end / top);
}

} // namespace

int main(int argc, char** argv) {
    UseBenchEnvironment();
    QApplication app(argc, argv);
    app.setFont(QFont("DejaVu Sans", 9));
    const char* where[] = {"top", "middle", "end"};
    for (int w = 0; w < 3; ++w) {
        std::string op = std::string("tree/paint_") + where[w];
        benchmark::RegisterBenchmark((op + "/lean/1000000").c_str(), PaintLean, w)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark((op + "/qtreeview/1000000").c_str(), PaintView, w)
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::RegisterBenchmark("tree/scroll_pages/lean/10000", ScrollPages, true)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("tree/scroll_pages/qtreeview/10000", ScrollPages, false)
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    TTimesReporter reporter(PrintSummary);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    // Widgets must go while the application object exists.
    AllViews().clear();
    return 0;
}

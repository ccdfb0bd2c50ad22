// Cut, copy and paste through the clipboard and drag and drop within a tree and between two
// trees of this process: nodes are moved once and never lost, damaged or forged data adds
// nothing, and the Qt drag events reach the drop target steps.
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDragEnterEvent>
#include <QPainter>
#include <QTest>

#include "controls/tree/treeclipboard.h"
#include "controls/tree/treedrag.h"
#include "platform/classes.h"
#include "platform/gui/qtcolors.h"
#include "treetestutil.h"

namespace {

// A stream tree with multi-selection that accepts every drag and drops through ProcessDrop.
class TDataTree : public TStreamTestTree {
public:
    TDataTree() {
        resize(300, 400);
        TreeOptions().SetSelectionOptions({TLTSelectionOption::toMultiSelect});
        OnDragOver = [](TBaseLeanTree*, TBaseLeanTree*, Qt::KeyboardModifiers, TDragState, QPoint,
                        TDropMode, Qt::DropAction&, bool& accept) { accept = true; };
        OnDragDrop = [](TBaseLeanTree* t, TBaseLeanTree* source, const QMimeData* data,
                        const TFormatArray&, Qt::KeyboardModifiers, QPoint, Qt::DropAction& effect,
                        TDropMode) { t->ProcessDrop(source, data, effect); };
    }
};

class DragDropTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        uint64_t seed = 7;
        InitializeTreeReferenceToken([&] { return seed++ * 0x9E3779B97F4A7C15ull; });
    }
    void SetUp() override {
        a.Fill(1, 3);
        b.Fill(7, 2);
    }
    void TearDown() override { QApplication::clipboard()->clear(); }
    TDataTree a, b;
};

TEST_F(DragDropTest, CopyAndPasteWithinOneTreeAndIntoAnother) {
    a.SetSelected(a.Top(0), true);
    a.SetSelected(a.Top(2), true);
    a.CopyToClipboard();
    EXPECT_TRUE(a.TreeStates().Contains(TLeanTreeState::tsCopyPending));
    EXPECT_TRUE(a.Top(0)->States & vsCutOrCopy);

    // Pasted as last children of the focused node, with their subtrees.
    a.SetFocusedNode(a.Top(1));
    ASSERT_TRUE(a.PasteFromClipboard());
    EXPECT_EQ(a.Values(), (std::vector<int>{1, 100, 2, 200, 1, 100, 3, 300, 3, 300}));
    EXPECT_FALSE(a.TreeStates().Contains(TLeanTreeState::tsCopyPending));
    EXPECT_TREE_VALID(a);

    // The pasted nodes come selected, as they were: select the first two again.
    a.ClearSelection();
    a.SetSelected(a.Top(0), true);
    a.SetSelected(a.Top(2), true);
    a.CopyToClipboard();
    b.DefaultPasteMode = amInsertBefore;
    b.SetFocusedNode(b.Top(1));
    ASSERT_TRUE(b.PasteFromClipboard());
    EXPECT_EQ(b.Values(), (std::vector<int>{7, 700, 1, 100, 3, 300, 8, 800}));
    EXPECT_EQ(a.TotalCount(), 10u); // a copy leaves the source alone
    EXPECT_TREE_VALID(b);
}

TEST_F(DragDropTest, ARefusedCopyIsRemovedAgain) {
    std::vector<PLeanNode> targets;
    b.OnNodeCopying = [&](TBaseLeanTree* t, PLeanNode n, PLeanNode target, bool& allowed) {
        targets.push_back(target);
        allowed = *t->GetNodeData<int>(n) != 3;
    };
    std::vector<PLeanNode> copied;
    b.OnNodeCopied = [&](TBaseLeanTree*, PLeanNode n) { copied.push_back(n); };
    a.SetSelected(a.Top(0), true);
    a.SetSelected(a.Top(2), true);
    a.CopyToClipboard();
    ASSERT_TRUE(b.PasteFromClipboard()); // no focused node: under the root
    EXPECT_EQ(b.Values(), (std::vector<int>{7, 700, 8, 800, 1, 100}));
    EXPECT_EQ(targets, (std::vector<PLeanNode>{nullptr, nullptr}));
    EXPECT_EQ(copied, std::vector<PLeanNode>{b.Top(2)}); // each kept node, no load notice
    EXPECT_TREE_VALID(b);
}

TEST_F(DragDropTest, StandardActionsAndClearingWithNodesOnTheClipboard) {
    a.SetSelected(a.Top(0), true);
    EXPECT_TRUE(a.ExecuteAction(QKeySequence::Copy));
    ASSERT_TRUE(QApplication::clipboard()->mimeData()->hasFormat(MimeLeanTreeData));
    // The nodes go, and the clipboard with them.
    a.Clear();
    EXPECT_FALSE(a.TreeStates().Contains(TLeanTreeState::tsCopyPending));
    const QMimeData* data = QApplication::clipboard()->mimeData();
    EXPECT_TRUE(!data || !data->hasFormat(MimeLeanTreeData));
    a.Fill(1, 3);
    EXPECT_TRUE(a.ExecuteAction(QKeySequence::SelectAll));
    EXPECT_EQ(a.SelectedCount(), 6u);
    a.TreeOptions().SetMiscOptions(a.TreeOptions().MiscOptions() | TLTMiscOption::toReadOnly);
    EXPECT_FALSE(a.ExecuteAction(QKeySequence::Delete));
    a.TreeOptions().SetMiscOptions(a.TreeOptions().MiscOptions() - TLTMiscOption::toReadOnly);
    EXPECT_TRUE(a.ExecuteAction(QKeySequence::Delete));
    EXPECT_EQ(a.TotalCount(), 0u);
    EXPECT_FALSE(a.ExecuteAction(QKeySequence::Undo));
}

TEST_F(DragDropTest, AMoveToATreeWithStreamHandlersGoesThroughThem) {
    int loaded = 0, freed = 0;
    auto load = b.OnLoadNode;
    b.OnLoadNode = [&](TBaseLeanTree* t, PLeanNode n, TStream& s) {
        ++loaded;
        load(t, n, s);
    };
    a.OnFreeNode = [&](TBaseLeanTree*, PLeanNode) { ++freed; };
    a.SetSelected(a.Top(0), true);
    a.MoveTo(a.Top(0), b.Top(1), amInsertBefore, false);
    EXPECT_EQ(b.Values(), (std::vector<int>{7, 700, 1, 100, 8, 800}));
    EXPECT_EQ(a.Values(), (std::vector<int>{2, 200, 3, 300}));
    EXPECT_EQ(loaded, 2);
    EXPECT_EQ(freed, 2); // the source's host data is released as for any deleted node
    // The selection stays with the old tree.
    EXPECT_EQ(b.SelectedCount(), 0u);
    EXPECT_TREE_VALID(a);
    EXPECT_TREE_VALID(b);
    // The same without stream handlers.
    a.OnSaveNode = nullptr;
    b.OnLoadNode = nullptr;
    a.SetSelected(a.Top(0), true);
    a.MoveTo(a.Top(0), b.Top(0), amInsertBefore, false);
    EXPECT_EQ(b.Values(), (std::vector<int>{2, 200, 7, 700, 1, 100, 8, 800}));
    EXPECT_EQ(b.SelectedCount(), 0u);
    EXPECT_TREE_VALID(b);
}

TEST_F(DragDropTest, CutAndPasteMovesOnceAndLosesNothing) {
    // Within one tree: the cut nodes move, none is deleted.
    a.SetSelected(a.Top(0), true);
    a.CutToClipboard();
    a.DefaultPasteMode = amInsertAfter;
    a.SetFocusedNode(a.Top(2));
    ASSERT_TRUE(a.PasteFromClipboard());
    EXPECT_EQ(a.Values(), (std::vector<int>{2, 200, 3, 300, 1, 100}));
    EXPECT_FALSE(a.TreeStates().Contains(TLeanTreeState::tsCutPending));
    EXPECT_TREE_VALID(a);

    // Into another tree: moved, the source keeps none and deletes nothing more.
    a.ClearSelection();
    a.SetSelected(a.Top(0), true);
    a.SetSelected(a.Top(1), true);
    a.CutToClipboard();
    b.SetFocusedNode(nullptr);
    ASSERT_TRUE(b.PasteFromClipboard());
    EXPECT_EQ(b.Values(), (std::vector<int>{7, 700, 8, 800, 2, 200, 3, 300}));
    EXPECT_EQ(a.Values(), (std::vector<int>{1, 100}));
    EXPECT_FALSE(a.TreeStates().Contains(TLeanTreeState::tsCutPending));
    for (PLeanNode n : AllNodes(b))
        EXPECT_FALSE(n->States & vsCutOrCopy);
    EXPECT_TREE_VALID(a);
    EXPECT_TREE_VALID(b);
    // A second paste of the spent clipboard finds no marked nodes and moves nothing.
    b.PasteFromClipboard();
    EXPECT_EQ(a.Values(), (std::vector<int>{1, 100}));
    EXPECT_TREE_VALID(b);
}

TEST_F(DragDropTest, DamagedOrForgedDataAddsNothing) {
    a.SetSelected(a.Top(0), true);
    QByteArray good;
    ASSERT_TRUE(a.WriteClipboardNodes(good, false));
    auto values = b.Values();
    auto paste = [&](const QByteArray& bytes, const QByteArray& reference = {}) {
        auto* data = new QMimeData;
        data->setData(MimeLeanTreeData, bytes);
        if (!reference.isEmpty())
            data->setData(MimeLeanTreeReference, reference);
        QApplication::clipboard()->setMimeData(data);
        return b.PasteFromClipboard();
    };
    // Cut short, a wrong count, a broken chunk: nothing is added.
    EXPECT_FALSE(paste(good.left(good.size() - 3)));
    QByteArray wrongCount = good;
    wrongCount[0] = char(wrongCount[0] + 4);
    EXPECT_FALSE(paste(wrongCount));
    QByteArray broken = good;
    broken[4 + 8 + 4] = char(0x7f); // the base chunk's size
    EXPECT_FALSE(paste(broken));
    EXPECT_FALSE(paste(QByteArray("\x00\x00\x00\x00", 4)));
    EXPECT_EQ(b.Values(), values);
    EXPECT_TREE_VALID(b);

    // A reference that is not ours is never followed: a's cut stays where it is, the stream
    // is read as a copy.
    a.CutToClipboard();
    QByteArray forged = MakeTreeReference(a);
    ASSERT_FALSE(forged.isEmpty());
    forged[0] = char(forged[0] ^ 0x55);
    EXPECT_TRUE(paste(good, forged));
    EXPECT_EQ(a.TotalCount(), 6u);
    EXPECT_EQ(b.Values(), (std::vector<int>{7, 700, 8, 800, 1, 100}));
    QApplication::clipboard()->clear();
    EXPECT_THROW(b.PasteFromClipboard(), ELeanTreeError);
    // Nothing pasted under toReadOnly.
    b.TreeOptions().SetMiscOptions(b.TreeOptions().MiscOptions() | TLTMiscOption::toReadOnly);
    EXPECT_FALSE(b.PasteFromClipboard());
}

// Delivers a drag to Target's viewport at P with Qt's events; returns the accepted action.
Qt::DropAction DragTo(TBaseLeanTree& target, QMimeData* data, QPoint p, Qt::DropActions allowed,
                      Qt::KeyboardModifiers keys = {}) {
    QDragEnterEvent enter(p, allowed, data, Qt::LeftButton, keys);
    QApplication::sendEvent(target.viewport(), &enter);
    if (!enter.isAccepted())
        return Qt::IgnoreAction;
    QDragMoveEvent move(p, allowed, data, Qt::LeftButton, keys);
    QApplication::sendEvent(target.viewport(), &move);
    if (!move.isAccepted())
        return Qt::IgnoreAction;
    QDropEvent drop(QPointF(p), allowed, data, Qt::LeftButton, keys);
    drop.setDropAction(move.dropAction());
    QApplication::sendEvent(target.viewport(), &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

TEST_F(DragDropTest, DragAndDropWithinATreeAndBetweenTrees) {
    a.show();
    b.show();
    // Within a: a move onto the lower half of the last row (left of its label) lands after it;
    // the source deletes nothing (the nodes moved).
    a.SetSelected(a.Top(0), true);
    std::unique_ptr<QMimeData> data = a.BeginOLEDrag();
    ASSERT_EQ(a.DragSelection().size(), 1u);
    QRect last = a.GetDisplayRect(a.Top(2), NoColumn, false);
    Qt::DropAction r = DragTo(a, data.get(), QPoint(last.left() + 2, last.bottom() - 2),
                              Qt::CopyAction | Qt::MoveAction);
    EXPECT_EQ(a.LastDropMode(), TBaseLeanTree::dmBelow);
    a.EndOLEDrag(r == Qt::IgnoreAction ? Qt::MoveAction : r);
    EXPECT_EQ(a.Values(), (std::vector<int>{2, 200, 3, 300, 1, 100}));
    EXPECT_TREE_VALID(a);

    // Onto its own child: nothing moves.
    a.ClearSelection();
    a.SetSelected(a.Top(0), true);
    a.FullExpand();
    data = a.BeginOLEDrag();
    QRect child = a.GetDisplayRect(a.Top(0)->FirstChild, NoColumn, true);
    DragTo(a, data.get(), child.center(), Qt::MoveAction);
    a.EndOLEDrag(Qt::MoveAction);
    EXPECT_EQ(a.Values(), (std::vector<int>{2, 200, 3, 300, 1, 100}));
    EXPECT_TREE_VALID(a);

    // From a to b with Shift: moved once; with toAutoDeleteMovedNodes the source deletes
    // nothing more (the nodes left already).
    a.ClearSelection();
    a.SetSelected(a.Top(1), true);
    data = a.BeginOLEDrag();
    QRect onB = b.GetDisplayRect(b.Top(0), NoColumn, false);
    r = DragTo(b, data.get(), QPoint(onB.left() + 2, onB.top() + 1),
               Qt::CopyAction | Qt::MoveAction, Qt::ShiftModifier);
    a.EndOLEDrag(Qt::MoveAction);
    EXPECT_EQ(b.Values(), (std::vector<int>{3, 300, 7, 700, 8, 800}));
    EXPECT_EQ(a.Values(), (std::vector<int>{2, 200, 1, 100}));
    EXPECT_TREE_VALID(a);
    EXPECT_TREE_VALID(b);

    // A copy from b to a: b keeps its nodes.
    b.ClearSelection();
    b.SetSelected(b.Top(2), true);
    data = b.BeginOLEDrag();
    r = DragTo(a, data.get(), QPoint(5, 390), Qt::CopyAction | Qt::MoveAction);
    EXPECT_EQ(r, Qt::CopyAction);
    b.EndOLEDrag(r);
    EXPECT_EQ(a.Values(), (std::vector<int>{2, 200, 1, 100, 8, 800}));
    EXPECT_EQ(b.TotalCount(), 6u);

    // A refusing host: no drop.
    a.OnDragOver = nullptr;
    data = b.BeginOLEDrag();
    EXPECT_EQ(DragTo(a, data.get(), QPoint(5, 5), Qt::CopyAction), Qt::IgnoreAction);
    b.EndOLEDrag(Qt::IgnoreAction);
    EXPECT_EQ(a.TotalCount(), 6u);
}

TEST_F(DragDropTest, DragEventsFrameEachDragAndDropsListTheirFormats) {
    using enum TLeanTreeState;
    a.show();
    b.show();
    QCursor::setPos(a.viewport()->mapToGlobal(QPoint(40, 25)));
    int made = 0;
    a.OnCreateDataObject = [&](TBaseLeanTree*, std::unique_ptr<QMimeData>&) { ++made; };
    QStringList log;
    a.OnStartDrag = [&](TBaseLeanTree* t, std::unique_ptr<QMimeData>&) {
        log << QString("start %1").arg(a.DragSelection().size());
        EXPECT_EQ(t, &a);
    };
    a.OnEndDrag = [&](TBaseLeanTree*, QObject* target, int x, int y) {
        log << QString("end %1 %2 %3").arg(target != nullptr).arg(x).arg(y);
    };
    a.SetSelected(a.Top(1), true);
    for (TLTDragType type : {dtOLE, dtVCL}) {
        a.DragType = type;
        log.clear();
        a.BeginDrag(true); // the offscreen platform ends the drag at once
        EXPECT_EQ(log, QStringList({"start 1", "end 0 40 25"})) << type;
        EXPECT_FALSE(a.TreeStates().Intersects({tsOLEDragging, tsVCLDragging, tsUserDragObject}));
    }
    EXPECT_EQ(made, 2);
    // The host's own drag object is dragged in place of the tree's, and the state that says so
    // ends with either kind of drag.
    bool userObject = false;
    a.OnStartDrag = [&](TBaseLeanTree*, std::unique_ptr<QMimeData>& object) {
        object = std::make_unique<QMimeData>();
    };
    a.OnEndDrag = [&](TBaseLeanTree* t, QObject*, int, int) {
        userObject = t->TreeStates().Contains(tsUserDragObject);
    };
    for (TLTDragType type : {dtOLE, dtVCL}) {
        a.DragType = type;
        userObject = false;
        a.BeginDrag(true);
        EXPECT_EQ(made, 2);
        EXPECT_TRUE(userObject) << type;
        EXPECT_FALSE(a.TreeStates().Contains(tsUserDragObject)) << type;
    }

    // A drop hands the host the formats of the dropped data.
    TFormatArray formats;
    b.OnDragDrop = [&](TBaseLeanTree*, TBaseLeanTree*, const QMimeData*, const TFormatArray& f,
                       Qt::KeyboardModifiers, QPoint, Qt::DropAction&, TDropMode) { formats = f; };
    a.OnStartDrag = nullptr;
    std::unique_ptr<QMimeData> data = a.BeginOLEDrag();
    ASSERT_NE(DragTo(b, data.get(), QPoint(5, 5), Qt::CopyAction), Qt::IgnoreAction);
    a.EndOLEDrag(Qt::IgnoreAction);
    int treeData = 0;
    TClipboardFormatList::FindFormat(CFSTR_LEANTREEDATA, treeData);
    EXPECT_EQ(formats, TFormatArray({treeData}));
    QMimeData foreign;
    foreign.setText("text");
    foreign.setData("text/uri-list", "file:///tmp\r\n");
    ASSERT_NE(DragTo(b, &foreign, QPoint(5, 5), Qt::CopyAction), Qt::IgnoreAction);
    ASSERT_EQ(formats.size(), 2u);
    EXPECT_EQ(formats[0], CF_TEXT);
    EXPECT_EQ(ClipboardFormatName(formats[1]), "text/uri-list");
}

TEST_F(DragDropTest, DropModesEffectsAndAutoExpand) {
    a.show();
    QRect row = a.GetDisplayRect(a.Top(1), NoColumn, false);
    QRect label = a.GetDisplayRect(a.Top(1), NoColumn, true);
    QMimeData foreign;
    TLTDragInfo info;
    info.Allowed = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    // Left of the label: above or below by the half of the row.
    info.Pt = QPoint(row.left() + 2, row.top() + 2);
    ASSERT_TRUE(a.DragEnter(nullptr, &foreign, info));
    EXPECT_EQ(a.LastDropMode(), TBaseLeanTree::dmAbove);
    EXPECT_EQ(a.DropTargetNode(), a.Top(1));
    EXPECT_EQ(info.Effect, Qt::CopyAction); // from elsewhere: copy
    info.Pt = QPoint(row.left() + 2, row.bottom() - 1);
    a.DragOver(nullptr, info, 10);
    EXPECT_EQ(a.LastDropMode(), TBaseLeanTree::dmBelow);
    {
        // The drop mark: a line at the bottom of the target row.
        QImage img(300, 400, QImage::Format_ARGB32_Premultiplied);
        QPainter p(&img);
        a.PaintTree(p, QRect(0, 0, 300, 400), QPoint(0, 0), AllPaintOptions);
        p.end();
        QColor mark = ColorToQColor(a.Colors().Get(TLTColors::DropMarkColor));
        EXPECT_EQ(img.pixelColor(row.center().x(), row.bottom()).rgb(), mark.rgb());
        EXPECT_NE(img.pixelColor(row.center().x(), row.top()).rgb(), mark.rgb());
    }
    a.LabelWidth = 40;
    info.Pt = QPoint(label.left() + 2, row.center().y());
    a.DragOver(nullptr, info, 20);
    EXPECT_EQ(a.LastDropMode(), TBaseLeanTree::dmOnNode);
    // Beside the short label is still on it; without the drop mark every row point is.
    info.Pt = QPoint(row.right() - 2, row.bottom() - 1);
    a.DragOver(nullptr, info, 21);
    EXPECT_EQ(a.LastDropMode(), TBaseLeanTree::dmOnNode);
    a.TreeOptions().SetPaintOptions(a.TreeOptions().PaintOptions() -
                                    TLTPaintOption::toShowDropmark);
    info.Pt = QPoint(row.left() + 2, row.bottom() - 1);
    a.DragOver(nullptr, info, 22);
    EXPECT_EQ(a.LastDropMode(), TBaseLeanTree::dmOnNode);
    a.TreeOptions().SetPaintOptions(a.TreeOptions().PaintOptions() |
                                    TLTPaintOption::toShowDropmark);
    info.Keys = Qt::ShiftModifier;
    a.DragOver(&a, info, 30);
    EXPECT_EQ(info.Effect, Qt::MoveAction);
    info.Keys = Qt::ControlModifier;
    a.DragOver(&a, info, 40);
    EXPECT_EQ(info.Effect, Qt::CopyAction);
    info.Keys = Qt::AltModifier;
    a.DragOver(&a, info, 50);
    EXPECT_EQ(info.Effect, Qt::LinkAction);
    info.Keys = {};
    a.DragOver(&a, info, 60);
    EXPECT_EQ(info.Effect, Qt::MoveAction); // within the tree: move

    // Over a collapsed parent the expand timer runs; its expiry opens the node.
    EXPECT_TRUE(a.ExpandTimerActive());
    EXPECT_FALSE(a.GetExpanded(a.Top(1)));
    a.DoDragExpand();
    EXPECT_TRUE(a.GetExpanded(a.Top(1)));
    a.DragLeave();
    EXPECT_EQ(a.DropTargetNode(), nullptr);
    EXPECT_FALSE(a.ExpandTimerActive());
}

TEST_F(DragDropTest, AReportTakesDropsOnlyOnLabels) {
    a.show();
    a.LabelWidth = 40;
    a.TreeOptions().SetMiscOptions(a.TreeOptions().MiscOptions() | TLTMiscOption::toReportMode);
    QRect label = a.GetDisplayRect(a.Top(1), NoColumn, true);
    QMimeData foreign;
    TLTDragInfo info;
    info.Allowed = Qt::CopyAction;
    info.Pt = label.center();
    ASSERT_TRUE(a.DragEnter(nullptr, &foreign, info));
    EXPECT_EQ(a.DropTargetNode(), a.Top(1));
    EXPECT_EQ(a.LastDropMode(), TBaseLeanTree::dmOnNode);
    info.Pt = QPoint(label.left() - 2, label.center().y()); // the row, left of the label
    a.DragOver(nullptr, info, 10);
    EXPECT_EQ(a.DropTargetNode(), nullptr);
    EXPECT_EQ(a.LastDropMode(), TBaseLeanTree::dmNowhere);
    info.Pt = QPoint(label.right() + 20, label.center().y()); // beside the short label: on it
    a.DragOver(nullptr, info, 20);
    EXPECT_EQ(a.DropTargetNode(), a.Top(1));
    EXPECT_EQ(a.LastDropMode(), TBaseLeanTree::dmOnNode);
    a.DragLeave();
}

TEST_F(DragDropTest, AutoScrollEndsWithTheDrag) {
    a.Fill(10, 100);
    a.TreeOptions().SetAutoOptions(a.TreeOptions().AutoOptions() | TLTAutoOption::toAutoScroll);
    a.show();
    a.UpdateScrollBars(true);
    QMimeData foreign;
    TLTDragInfo info;
    info.Allowed = Qt::CopyAction;
    info.Pt = QPoint(50, a.ClientHeight() - 2);
    for (bool drop : {false, true}) {
        ASSERT_TRUE(a.DragManager().DragEnter(&foreign, info));
        a.DragManager().DragOver(info);
        EXPECT_TRUE(a.ScrollTimerActive());
        if (drop)
            a.DragManager().Drop(&foreign, info);
        else
            a.DragManager().DragLeave();
        EXPECT_FALSE(a.ScrollTimerActive()) << drop;
    }
}

} // namespace

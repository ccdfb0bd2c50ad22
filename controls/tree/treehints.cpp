// The tree's side of hints: the host's hint queries and which hint shows where, in which mode.
#include "controls/tree/treehints.h"

#include <QApplication>

#include "controls/tree/leantree.h"
#include "controls/tree/treeheader.h"
#include "controls/tree/treehint.h"

using enum TLeanTreeState;

TBaseLeanTree& TLeanTreeHints::HintTree() {
    return static_cast<TBaseLeanTree&>(*this);
}

const TBaseLeanTree& TLeanTreeHints::HintTree() const {
    return static_cast<const TBaseLeanTree&>(*this);
}

TLTHintAnimationType TLeanTreeHints::DoGetAnimationType() {
    if (HintAnimation != hatSystemDefault)
        return HintAnimation;
    if (!QApplication::isEffectEnabled(Qt::UI_AnimateTooltip))
        return hatNone;
    return QApplication::isEffectEnabled(Qt::UI_FadeTooltip) ? hatFade : hatSlide;
}

QString TLeanTreeHints::DoGetNodeHint(PLeanNode, TColumnIndex,
                                      TLTTooltipLineBreakStyle& LineBreakStyle) {
    LineBreakStyle = hlbDefault;
    return Hint;
}

QRect TLeanTreeHints::DoGetHintSize(PLeanNode, TColumnIndex) {
    return QRect();
}

void TLeanTreeHints::DoDrawHint(QPainter&, PLeanNode, const QRect&, TColumnIndex) {}

QFont TLeanTreeHints::DoGetHintFont(PLeanNode, TColumnIndex) {
    return HintTree().font();
}

QString TLeanTreeHints::DoGetNodeTooltip(PLeanNode Node, TColumnIndex Column,
                                         TLTTooltipLineBreakStyle& LineBreakStyle) {
    return DoGetNodeHint(Node, Column, LineBreakStyle);
}

TLeanTreeHintWindow* TLeanTreeHints::HintWindow() {
    if (!FHintWindow)
        FHintWindow = GetHintWindowClass();
    return FHintWindow;
}

TLeanTreeHintWindow* TLeanTreeHints::GetHintWindowClass() {
    return new TLeanTreeHintWindow(&HintTree());
}

bool TLeanTreeHints::HintShowing() const {
    return HintTree().TreeStates().Contains(tsHint) || (FHintWindow && FHintWindow->isVisible());
}

void TLeanTreeHints::CancelHint() {
    FLastHintRect = QRect(); // the next rest of the mouse decides afresh
    if (FHintWindow && FHintWindow->isVisible()) {
        HintTree().DoStateChange(tsCancelHintAnimation);
        FHintWindow->hide();
    }
    HintTree().DoStateChange({}, tsHint);
}

void TLeanTreeHints::HintPauseElapsed() {
    const QRect shown = FLastHintRect;
    CancelHint();
    FLastHintRect = shown;
}

bool TLeanTreeHints::ShowHintAt(QPoint P) {
    TBaseLeanTree& tree = HintTree();
    if (!FLastHintRect.isEmpty() && FLastHintRect.contains(P))
        return tree.TreeStates().Contains(tsHint);
    auto hide = [this] {
        FLastHintRect = QRect();
        CancelHint();
        return false;
    };
    // Only the active window's tree hints (tooltips from mouse moves as well).
    if (!ShowHint || !tree.isActiveWindow() || QWidget::mouseGrabber() ||
        tree.TreeStates().Intersects({tsOLEDragPending, tsVCLDragPending}))
        return hide();
    THitInfo hit = tree.GetHitTestInfoAt(P.x(), P.y(), true);
    if (tree.IsEditing() && hit.HitNode == tree.FocusedNode())
        return hide();
    TLTHintData data;
    data.Tree = &tree;
    QRect cursorRect(0, 0, tree.ClientWidth(), tree.ClientHeight());
    QString defaultHint;
    bool show = false;
    if (HintMode == hmDefault) {
        defaultHint = Hint;
        show = !Hint.isEmpty();
    } else if (hit.HitNode && (hit.HitColumn >= NoColumn)) {
        int left = 0, right = tree.ClientWidth();
        auto& cols = tree.Header().Columns();
        if (tree.Header().UseColumns() && cols.IsValidColumn(hit.HitColumn)) {
            left = cols.Items(hit.HitColumn).GetLeft();
            right = left + cols.Items(hit.HitColumn).Width();
            if (tree.HasAuto(TLTAutoOption::toAutoSpanColumns))
                for (TColumnIndex n = cols.GetNextVisibleColumn(hit.HitColumn);
                     n >= 0 && tree.DoGetCellIsEmpty(hit.HitNode, n);
                     n = cols.GetNextVisibleColumn(n))
                    right = cols.Items(n).GetLeft() + cols.Items(n).Width();
        }
        QRect row = tree.GetDisplayRect(hit.HitNode, NoColumn, false);
        cursorRect = QRect(left, row.top(), right - left, row.height());
        data.Node = hit.HitNode;
        data.Column = tree.Header().UseColumns() ? hit.HitColumn : NoColumn;
        data.HintRect = DoGetHintSize(data.Node, data.Column);
        if (HintMode == hmTooltip) {
            if (hit.HitNode->States & vsMultiline) {
                show = true;
            } else {
                QRect text = tree.GetDisplayRect(hit.HitNode, data.Column, true, true);
                QRect bounds(left, 0, right - left, tree.ClientHeight());
                bounds &= QRect(0, 0, tree.ClientWidth(), tree.ClientHeight());
                show = !text.isEmpty() && !bounds.contains(text);
            }
        } else {
            show = true;
        }
    } else if (HintMode == hmHintAndDefault && !Hint.isEmpty()) {
        defaultHint = Hint;
        show = true;
    }
    if (!show)
        return hide();
    TLeanTreeHintWindow* w = HintWindow();
    data.DefaultHint = defaultHint;
    const QRect desktop = TLeanTreeHintWindow::Desktop(tree);
    QRect r = w->CalcHintRect(std::max(1, desktop.width() / 2), defaultHint, data);
    if (r.isEmpty())
        return hide();
    QPoint at;
    if (HintMode == hmTooltip && data.Node) {
        QRect text = tree.GetDisplayRect(data.Node, data.Column, true, true);
        at = tree.viewport()->mapToGlobal(text.topLeft()) + r.topLeft();
    } else {
        at = tree.viewport()->mapToGlobal(P) + QPoint(0, 20); // below the mouse pointer
    }
    w->ActivateHint(QRect(at, r.size()), defaultHint, desktop);
    if (!w->isVisible())
        return hide(); // cancelled while it opened
    FLastHintRect = cursorRect;
    tree.DoStateChange(tsHint);
    return true;
}

// The trees for assistive tools: the tree's item queries, the help key, and the accessible
// interfaces of the tree, its rows and its cells.
#include "controls/tree/treeaccessible.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <QWindow>
#include <algorithm>
#include <limits>
#include <vector>

#include "controls/tree/leantree.h"
#include "controls/tree/treecolumns.h"
#include "controls/tree/treeheader.h"
#include "platform/gui/helprequests.h"

// ---- the tree's item queries and help ----

bool TBaseLeanTree::GetItemRect(PLeanNode Node, bool TextOnly, QRect& R) {
    if (!Node || Node == FRoot)
        return false;
    InitIfNeeded(Node);
    if (!(Node->States & vsVisible))
        return false;
    R = GetDisplayRect(Node, NoColumn, TextOnly);
    return true;
}

PLeanNode TBaseLeanTree::GetNextItem(int Code, PLeanNode Node) {
    if (Node == FRoot)
        Node = nullptr;
    switch (Code) {
    case TVGN_ROOT:
        return GetFirst();
    case TVGN_NEXT:
        return Node ? GetNextSibling(Node) : nullptr;
    case TVGN_PREVIOUS:
        return Node ? GetPreviousSibling(Node) : nullptr;
    case TVGN_PARENT:
        return Node && Node->Parent != FRoot ? Node->Parent : nullptr;
    case TVGN_CHILD:
        return Node ? GetFirstChild(Node) : nullptr;
    case TVGN_FIRSTVISIBLE:
        return GetFirstVisible();
    case TVGN_NEXTVISIBLE:
        return Node ? GetNextVisible(Node) : nullptr;
    case TVGN_PREVIOUSVISIBLE:
        return Node ? GetPreviousVisible(Node) : nullptr;
    case TVGN_DROPHILITE:
        return FDropTargetNode;
    case TVGN_CARET:
        return FFocusedNode;
    case TVGN_LASTVISIBLE:
        return GetLastVisible();
    default:
        return nullptr;
    }
}

QString TBaseLeanTree::GetItemText(PLeanNode, TColumnIndex) {
    return {};
}

TLTAccessibleItems& TBaseLeanTree::AccessibleItems() {
    if (!FAccessibleItems)
        FAccessibleItems = std::make_unique<TLTAccessibleItems>(this);
    return *FAccessibleItems;
}

bool TBaseLeanTree::DoHelpRequest() {
    int context = 0;
    if (OnGetHelpContext)
        for (PLeanNode n = FFocusedNode; n && n != FRoot && context == 0; n = n->Parent)
            OnGetHelpContext(this, n, 0, context);
    if (context == 0)
        context = HelpContextOf(this);
    return context != 0 && ApplicationHelpContext(context);
}

namespace {

// The rectangle r of the tree's viewport in screen coordinates.
QRect ToScreen(const TBaseLeanTree& tree, const QRect& r) {
    return QRect(tree.viewport()->mapToGlobal(r.topLeft()), r.size());
}

// A row (Column NoColumn) or a cell of a tree.
class TLTAccessibleItem : public QAccessibleInterface {
public:
    TLTAccessibleItem(TBaseLeanTree* tree, PLeanNode node, TColumnIndex column)
        : tree_(tree), node_(node), column_(column) {}

    PLeanNode Node() const { return node_; }
    TColumnIndex Column() const { return column_; }
    TBaseLeanTree* Tree() const { return tree_; }

    bool isValid() const override { return !tree_.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return tree_ ? tree_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        if (!tree_)
            return nullptr;
        if (column_ == NoColumn)
            return QAccessible::queryAccessibleInterface(tree_.data());
        return tree_->AccessibleItems().Item(node_);
    }
    int childCount() const override { return int(Cells().size()); }
    QAccessibleInterface* child(int index) const override {
        std::vector<TColumnIndex> cells = Cells();
        if (index < 0 || size_t(index) >= cells.size())
            return nullptr;
        return tree_->AccessibleItems().Item(node_, cells[size_t(index)]);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        auto* item = dynamic_cast<const TLTAccessibleItem*>(child);
        if (!item || item->node_ != node_ || item->tree_ != tree_)
            return -1;
        std::vector<TColumnIndex> cells = Cells();
        auto it = std::find(cells.begin(), cells.end(), item->column_);
        return it == cells.end() ? -1 : int(it - cells.begin());
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        for (int i = 0; i < childCount(); ++i)
            if (QAccessibleInterface* c = child(i); c && c->rect().contains(x, y))
                return c;
        return nullptr;
    }
    QString text(QAccessible::Text t) const override {
        if (!tree_ || t != QAccessible::Name)
            return {};
        return tree_->GetItemText(node_, column_);
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!tree_)
            return {};
        QRect r;
        if (column_ == NoColumn) {
            if (!tree_->GetItemRect(node_, false, r))
                return {};
        } else {
            r = tree_->GetDisplayRect(node_, column_, false);
        }
        return ToScreen(*tree_, r);
    }
    QAccessible::Role role() const override {
        return column_ == NoColumn ? QAccessible::TreeItem : QAccessible::Cell;
    }
    QAccessible::State state() const override {
        // The states are one-bit fields: every value goes in as a bool.
        QAccessible::State s;
        if (!tree_) {
            s.invalid = true;
            return s;
        }
        const uint16_t states = node_->States;
        s.selectable = true;
        s.selected = (states & vsSelected) != 0;
        s.multiSelectable = tree_->HasSelection(TLTSelectionOption::toMultiSelect);
        s.focusable = true;
        s.focused = tree_->hasFocus() && tree_->FocusedNode() == node_;
        s.disabled = (states & vsDisabled) != 0 || !tree_->isEnabled();
        if (column_ == NoColumn) {
            if (states & vsHasChildren) {
                s.expandable = true;
                s.expanded = (states & vsExpanded) != 0;
                s.collapsed = !s.expanded;
            }
            if (tree_->HasMisc(TLTMiscOption::toCheckSupport) && node_->CheckType != ctNone) {
                s.checkable = true;
                const auto check = TCheckState(node_->CheckState);
                s.checked = check == csCheckedNormal || check == csCheckedPressed;
                s.checkStateMixed = check == csMixedNormal || check == csMixedPressed;
            }
        }
        QRect r;
        if (!tree_->GetItemRect(node_, false, r) || r.isEmpty())
            s.invisible = true;
        else if (!r.intersects(tree_->viewport()->rect()))
            s.offscreen = true;
        return s;
    }

private:
    // The visible columns in display order (none for a cell or a tree without columns).
    std::vector<TColumnIndex> Cells() const {
        if (!tree_ || column_ != NoColumn || !tree_->Header().UseColumns())
            return {};
        return tree_->Header().Columns().GetVisibleColumns();
    }
    QPointer<TBaseLeanTree> tree_;
    PLeanNode node_;
    TColumnIndex column_;
};

// The tree: its children are the shown rows in display order.
class TLTAccessibleTree : public QAccessibleWidget {
public:
    explicit TLTAccessibleTree(TBaseLeanTree* tree) : QAccessibleWidget(tree, QAccessible::Tree) {}

    int childCount() const override { return int(Tree()->VisibleCount()); }
    QAccessibleInterface* child(int index) const override {
        PLeanNode n = Tree()->AccessibleItems().RowAt(index);
        return n ? Tree()->AccessibleItems().Item(n) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        auto* item = dynamic_cast<const TLTAccessibleItem*>(child);
        if (!item || item->Tree() != Tree() || item->Column() != NoColumn)
            return -1;
        return Tree()->AccessibleItems().IndexOfRow(item->Node());
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        QPoint p = Tree()->viewport()->mapFromGlobal(QPoint(x, y));
        if (!Tree()->viewport()->rect().contains(p))
            return nullptr;
        int top;
        PLeanNode n = Tree()->GetNodeAt(p.x(), p.y(), true, top);
        return n ? Tree()->AccessibleItems().Item(n) : nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        PLeanNode n = Tree()->FocusedNode();
        return Tree()->hasFocus() && n ? Tree()->AccessibleItems().Item(n) : nullptr;
    }

private:
    TBaseLeanTree* Tree() const { return static_cast<TBaseLeanTree*>(widget()); }
};

QAccessibleInterface* TreeAccessibleFactory(const QString&, QObject* object) {
    if (auto* tree = dynamic_cast<TBaseLeanTree*>(object))
        return new TLTAccessibleTree(tree);
    return nullptr;
}

} // namespace

void InstallTreeAccessibility() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(TreeAccessibleFactory);
}

// ---- the items of one tree ----

TLTAccessibleItems::~TLTAccessibleItems() {
    ForgetAll();
}

QAccessibleInterface* TLTAccessibleItems::Item(PLeanNode Node, TColumnIndex Column) {
    if (!Node || Node == tree_->RootNode())
        return nullptr;
    auto key = std::make_pair(Node, Column);
    auto it = items_.find(key);
    if (it != items_.end())
        return QAccessible::accessibleInterface(it->second);
    auto* item = new TLTAccessibleItem(tree_, Node, Column);
    items_.emplace(key, QAccessible::registerAccessibleInterface(item));
    return item;
}

void TLTAccessibleItems::Forget(PLeanNode Node) {
    if (Node == cursorNode_)
        cursorNode_ = nullptr;
    auto it = items_.lower_bound(std::make_pair(Node, std::numeric_limits<TColumnIndex>::min()));
    while (it != items_.end() && it->first.first == Node) {
        QAccessible::deleteAccessibleInterface(it->second);
        it = items_.erase(it);
    }
}

void TLTAccessibleItems::ForgetAll() {
    cursorNode_ = nullptr;
    for (const auto& [key, id] : items_)
        QAccessible::deleteAccessibleInterface(id);
    items_.clear();
}

bool TLTAccessibleItems::CursorValid() const {
    return cursorNode_ && cursorRows_ == tree_->VisibleCount() &&
           cursorTotal_ == tree_->TotalCount() && cursorHeight_ == uint32_t(tree_->RangeY());
}

void TLTAccessibleItems::SetCursor(int Index, PLeanNode Node) {
    cursorIndex_ = Index;
    cursorNode_ = Node;
    cursorRows_ = tree_->VisibleCount();
    cursorTotal_ = tree_->TotalCount();
    cursorHeight_ = uint32_t(tree_->RangeY());
}

PLeanNode TLTAccessibleItems::RowAt(int Index) {
    if (Index < 0 || uint32_t(Index) >= tree_->VisibleCount())
        return nullptr;
    PLeanNode n;
    int i;
    if (CursorValid() && cursorIndex_ <= Index) {
        n = cursorNode_, i = cursorIndex_;
    } else if (CursorValid() && Index > cursorIndex_ - Index) {
        n = cursorNode_, i = cursorIndex_; // nearer to the last row asked for: walk back
        while (n && i > Index) {
            n = tree_->GetNextItem(TVGN_PREVIOUSVISIBLE, n);
            --i;
        }
    } else {
        n = tree_->GetNextItem(TVGN_FIRSTVISIBLE, nullptr), i = 0;
    }
    while (n && i < Index) {
        n = tree_->GetNextItem(TVGN_NEXTVISIBLE, n);
        ++i;
    }
    if (n)
        SetCursor(i, n);
    return n;
}

int TLTAccessibleItems::IndexOfRow(PLeanNode Node) {
    if (CursorValid() && Node == cursorNode_)
        return cursorIndex_;
    int i = 0;
    for (PLeanNode n = tree_->GetNextItem(TVGN_FIRSTVISIBLE, nullptr); n;
         n = tree_->GetNextItem(TVGN_NEXTVISIBLE, n), ++i)
        if (n == Node) {
            SetCursor(i, n);
            return i;
        }
    return -1;
}

void TLTAccessibleItems::NotifyFocus(PLeanNode Node) {
    if (!Node || !QAccessible::isActive())
        return;
    QAccessibleEvent event(Item(Node), QAccessible::Focus);
    QAccessible::updateAccessibility(&event);
}

#pragma once
// The trees as assistive tools see them: the tree (role tree) holds its shown rows in display
// order (role tree item, named by the main column's text, with the selected, focused, expanded
// and checked states), and with header columns each row holds its cells (role cell, named by
// their texts). The items come from the tree's own item queries (GetNextItem, GetItemRect,
// GetItemText). A factory installed once makes the interface for every tree.

#include <QAccessible>
#include <map>
#include <utility>

#include "controls/tree/treetypes.h"

class TBaseLeanTree;

// The codes of the tree's next-item query (GetNextItem).
enum TTreeViewNextItem {
    TVGN_ROOT = 0,            // the first top-level node
    TVGN_NEXT = 1,            // the next sibling
    TVGN_PREVIOUS = 2,        // the previous sibling
    TVGN_PARENT = 3,          // the parent (nil for a top-level node)
    TVGN_CHILD = 4,           // the first child
    TVGN_FIRSTVISIBLE = 5,    // the first shown row
    TVGN_NEXTVISIBLE = 6,     // the next shown row
    TVGN_PREVIOUSVISIBLE = 7, // the previous shown row
    TVGN_DROPHILITE = 8,      // the drop target
    TVGN_CARET = 9,           // the focused node
    TVGN_LASTVISIBLE = 10     // the last shown row
};

// Installs the factory that gives every tree its accessible interface; later calls do nothing.
void InstallTreeAccessibility();

// The item interfaces of one tree, kept while their nodes live: each row and cell has one id in
// Qt's accessibility cache. The tree drops a node's items when it frees the node.
class TLTAccessibleItems {
public:
    explicit TLTAccessibleItems(TBaseLeanTree* Tree) : tree_(Tree) {}
    ~TLTAccessibleItems();
    TLTAccessibleItems(const TLTAccessibleItems&) = delete;
    TLTAccessibleItems& operator=(const TLTAccessibleItems&) = delete;

    // The row of Node (Column NoColumn) or one of its cells; made on first use.
    QAccessibleInterface* Item(PLeanNode Node, TColumnIndex Column = NoColumn);
    // Drops Node's row and cells (the node is being freed).
    void Forget(PLeanNode Node);
    // Drops every item (all nodes went at once).
    void ForgetAll();

    // The Index-th shown row (0-based), nil past the last; and the index of a shown row (-1
    // when it is not shown). A walk resumes from the last row asked for while the tree's rows
    // stay as they were.
    PLeanNode RowAt(int Index);
    int IndexOfRow(PLeanNode Node);

    // Tells assistive tools that Node became the focused row.
    void NotifyFocus(PLeanNode Node);

private:
    bool CursorValid() const;
    void SetCursor(int Index, PLeanNode Node);
    TBaseLeanTree* tree_;
    std::map<std::pair<PLeanNode, TColumnIndex>, QAccessible::Id> items_;
    // The last row found by its index, with what the tree's rows were then.
    int cursorIndex_ = -1;
    PLeanNode cursorNode_ = nullptr;
    uint32_t cursorRows_ = 0, cursorTotal_ = 0, cursorHeight_ = 0;
};

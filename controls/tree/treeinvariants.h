#pragma once
// The node store's invariants, checked in one pass: links, Index, ChildCount, TotalCount,
// TotalHeight, the hidden-children flag, VisibleCount, the selection array and the tree's
// node references, and a filled position cache against the real row tops. For tests and
// debugging; GUI thread, outside an update bracket for the deferred parts.

#include <string>

class TBaseLeanTree;

struct TTreeInvariants {
    // Empty when every invariant holds, else a description of the first violation found.
    // StoredStates: the tree was read from a stream, whose nodes keep the expanded state and
    // the hidden-children flag they were stored with; those two are then not checked.
    static std::string Check(const TBaseLeanTree& Tree, bool StoredStates = false);
};

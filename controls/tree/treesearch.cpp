// Incremental search: typed characters collect in a buffer that is matched against the nodes
// (through DoIncrementalSearch) from a start node on, in the chosen direction, wrapping once
// around the tree. The search ends after IncrementalSearchTimeout without a key.
#include "controls/tree/treesearch.h"

#include <QApplication>
#include <QTimer>

#include "controls/tree/leantree.h"
#include "controls/tree/treehelpers.h"

using enum TLeanTreeState;

TBaseLeanTree& TLeanTreeSearch::SearchTree() {
    return static_cast<TBaseLeanTree&>(*this);
}

QTimer* TLeanTreeSearch::SearchTimer() {
    return SingleShotTimer(FSearchTimer, &SearchTree(), [this] { StopIncrementalSearch(); });
}

bool TLeanTreeSearch::SearchTimerActive() const {
    return FSearchTimer && FSearchTimer->isActive();
}

void TLeanTreeSearch::StopIncrementalSearch() {
    if (FSearchTimer)
        FSearchTimer->stop();
    FSearchBuffer.clear();
    FSearchTimeKnown = false;
    SearchTree().DoStateChange({}, {tsIncrementalSearching, tsIncrementalSearchPending});
}

void TLeanTreeSearch::SetIncrementalSearch(TLTIncrementalSearch Value) {
    if (Value == FIncrementalSearch)
        return;
    FIncrementalSearch = Value;
    if (Value == isNone)
        StopIncrementalSearch();
}

void TLeanTreeSearch::Beep() {
    QApplication::beep();
}

void TLeanTreeSearch::HandleIncrementalSearch(char16_t CharCode, uint64_t Time) {
    if (FSearchTimer)
        FSearchTimer->stop();
    if (FIncrementalSearch == isNone)
        return;
    TBaseLeanTree& tree = SearchTree();
    // A key that comes after the time-out starts a new search even when the timer has not
    // been served yet.
    if (FSearchTimeKnown && Time >= FLastSearchTime &&
        Time - FLastSearchTime >= IncrementalSearchTimeout) {
        FSearchBuffer.clear();
        tree.DoStateChange({}, tsIncrementalSearching);
    }
    FLastSearchTime = Time;
    FSearchTimeKnown = true;
    auto restart = [this] { SearchTimer()->start(int(IncrementalSearchTimeout)); };
    if (CharCode == 0) {
        restart();
        return;
    }
    tree.DoStateChange(tsIncrementalSearching);
    bool backspace = CharCode == 8;
    if (backspace && FSearchBuffer.size() <= 1) {
        restart();
        return;
    }

    PLeanNode start = nullptr;
    if (IncrementalSearchStart == ssLastHit)
        start = FLastSearchNode;
    else if (IncrementalSearchStart == ssFocusedNode)
        start = tree.FocusedNode();
    if (start && FIncrementalSearch == isInitializedOnly && !(start->States & vsInitialized))
        start = nullptr;
    if (start && FIncrementalSearch == isVisibleOnly && !tree.GetFullyVisible(start))
        start = nullptr;

    // The same letter again cycles through the nodes starting with it, unless the start node
    // matches the letter twice.
    bool repeated = false;
    if (!backspace && start && FSearchBuffer.size() == 1 && FSearchBuffer[0] == CharCode) {
        std::u16string twice = FSearchBuffer + CharCode;
        repeated = tree.DoIncrementalSearch(start, twice) != 0;
    }

    bool forward = IncrementalSearchDirection == sdForward;
    auto first = [&]() -> PLeanNode {
        switch (FIncrementalSearch) {
        case isVisibleOnly:
            return forward ? tree.GetFirstVisible() : tree.GetLastVisible();
        case isInitializedOnly:
            return forward ? tree.GetFirstNoInit() : tree.GetLastNoInit();
        default:
            return forward ? tree.GetFirst() : tree.GetLast();
        }
    };
    auto next = [&](PLeanNode n) -> PLeanNode {
        switch (FIncrementalSearch) {
        case isVisibleOnly:
            return forward ? tree.GetNextVisible(n) : tree.GetPreviousVisible(n);
        case isInitializedOnly:
            return forward ? tree.GetNextNoInit(n) : tree.GetPreviousNoInit(n);
        default:
            return forward ? tree.GetNext(n) : tree.GetPrevious(n);
        }
    };

    bool advance = FSearchBuffer.empty() || !start || backspace || repeated;
    if (backspace)
        FSearchBuffer.pop_back();
    else if (!repeated)
        FSearchBuffer.push_back(CharCode);

    PLeanNode run = start;
    if (advance || !run)
        run = start ? next(start) : nullptr;
    if (!run)
        run = first();
    // One round at most: back at the first node tried, or as many steps as there are nodes
    // (a walk that cannot come back to where it began must not run for ever).
    PLeanNode found = nullptr;
    uint64_t steps = 0, limit = uint64_t(tree.RootNode()->TotalCount) + 1;
    for (PLeanNode begin = run; run && steps <= limit; ++steps) {
        if (tree.DoIncrementalSearch(run, FSearchBuffer) == 0) {
            found = run;
            break;
        }
        run = next(run);
        if (!run)
            run = first();
        if (run == begin)
            break;
    }
    if (found) {
        tree.ClearSelection();
        FLastSearchNode = found;
        tree.SetFocusedNode(found);
        tree.SetSelected(found, true);
    } else if (!start || tree.DoIncrementalSearch(start, FSearchBuffer) != 0) {
        Beep();
    }
    restart();
}

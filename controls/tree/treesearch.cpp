// Incremental search: typed characters collect in a buffer that is matched against the nodes
// (through DoIncrementalSearch) from a start node on, in the chosen direction, wrapping once
// around the tree. The search ends after IncrementalSearchTimeout without a key.
#include <QApplication>
#include <QTimer>

#include "controls/tree/leantree.h"

using enum TLeanTreeState;

QTimer* TBaseLeanTree::SearchTimer() {
    if (!FSearchTimer) {
        FSearchTimer = new QTimer(this);
        FSearchTimer->setSingleShot(true);
        connect(FSearchTimer, &QTimer::timeout, this, [this] { StopIncrementalSearch(); });
    }
    return FSearchTimer;
}

bool TBaseLeanTree::SearchTimerActive() const {
    return FSearchTimer && FSearchTimer->isActive();
}

void TBaseLeanTree::StopIncrementalSearch() {
    if (FSearchTimer)
        FSearchTimer->stop();
    FSearchBuffer.clear();
    FSearchTimeKnown = false;
    DoStateChange({}, {tsIncrementalSearching, tsIncrementalSearchPending});
}

void TBaseLeanTree::SetIncrementalSearch(TLTIncrementalSearch Value) {
    if (Value == FIncrementalSearch)
        return;
    FIncrementalSearch = Value;
    if (Value == isNone)
        StopIncrementalSearch();
}

void TBaseLeanTree::Beep() {
    QApplication::beep();
}

void TBaseLeanTree::HandleIncrementalSearch(char16_t CharCode, uint64_t Time) {
    if (FSearchTimer)
        FSearchTimer->stop();
    if (FIncrementalSearch == isNone)
        return;
    // A key that comes after the time-out starts a new search even when the timer has not
    // been served yet.
    if (FSearchTimeKnown && Time >= FLastSearchTime &&
        Time - FLastSearchTime >= IncrementalSearchTimeout) {
        FSearchBuffer.clear();
        DoStateChange({}, tsIncrementalSearching);
    }
    FLastSearchTime = Time;
    FSearchTimeKnown = true;
    auto restart = [this] { SearchTimer()->start(int(IncrementalSearchTimeout)); };
    if (CharCode == 0) {
        restart();
        return;
    }
    DoStateChange(tsIncrementalSearching);
    bool backspace = CharCode == 8;
    if (backspace && FSearchBuffer.size() <= 1) {
        restart();
        return;
    }

    PLeanNode start = nullptr;
    if (IncrementalSearchStart == ssLastHit)
        start = FLastSearchNode;
    else if (IncrementalSearchStart == ssFocusedNode)
        start = FFocusedNode;
    if (start && FIncrementalSearch == isInitializedOnly && !(start->States & vsInitialized))
        start = nullptr;
    if (start && FIncrementalSearch == isVisibleOnly && !GetFullyVisible(start))
        start = nullptr;

    // The same letter again cycles through the nodes starting with it, unless the start node
    // matches the letter twice.
    bool repeated = false;
    if (!backspace && start && FSearchBuffer.size() == 1 && FSearchBuffer[0] == CharCode) {
        std::u16string twice = FSearchBuffer + CharCode;
        repeated = DoIncrementalSearch(start, twice) != 0;
    }

    bool forward = IncrementalSearchDirection == sdForward;
    auto first = [&]() -> PLeanNode {
        switch (FIncrementalSearch) {
        case isVisibleOnly:
            return forward ? GetFirstVisible() : GetLastVisible();
        case isInitializedOnly:
            return forward ? GetFirstNoInit() : GetLastNoInit();
        default:
            return forward ? GetFirst() : GetLast();
        }
    };
    auto next = [&](PLeanNode n) -> PLeanNode {
        switch (FIncrementalSearch) {
        case isVisibleOnly:
            return forward ? GetNextVisible(n) : GetPreviousVisible(n);
        case isInitializedOnly:
            return forward ? GetNextNoInit(n) : GetPreviousNoInit(n);
        default:
            return forward ? GetNext(n) : GetPrevious(n);
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
    uint64_t steps = 0, limit = uint64_t(FRoot->TotalCount) + 1;
    for (PLeanNode begin = run; run && steps <= limit; ++steps) {
        if (DoIncrementalSearch(run, FSearchBuffer) == 0) {
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
        ClearSelection();
        FLastSearchNode = found;
        SetFocusedNode(found);
        SetSelected(found, true);
    } else if (!start || DoIncrementalSearch(start, FSearchBuffer) != 0) {
        Beep();
    }
    restart();
}

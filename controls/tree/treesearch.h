#pragma once
// TLeanTreeSearch: a tree's incremental search. Typed characters collect in a buffer that is
// matched against the nodes (DoIncrementalSearch) from a start node on, in the chosen
// direction, wrapping once around the tree; the search ends IncrementalSearchTimeout after the
// last key. TBaseLeanTree derives from it (treesearch.cpp).

#include <cstdint>
#include <string>

#include "controls/tree/treeinput.h"

class QTimer;

class TLeanTreeSearch {
public:
    // Incremental search with one typed character (UTF-16 code unit; 8 is backspace, 0 only
    // restarts the time-out). Time is the key's time stamp in milliseconds: a key that comes
    // IncrementalSearchTimeout or more after the previous one starts a new search.
    virtual void HandleIncrementalSearch(char16_t CharCode, uint64_t Time);
    // Ends a running search: the buffer is emptied (the search timer's expiry).
    void StopIncrementalSearch();
    const std::u16string& SearchBuffer() const { return FSearchBuffer; }
    bool SearchTimerActive() const;
    TLTIncrementalSearch IncrementalSearch() const { return FIncrementalSearch; }
    void SetIncrementalSearch(TLTIncrementalSearch Value); // isNone ends a running search
    TLTSearchDirection IncrementalSearchDirection = sdForward;
    TLTSearchStart IncrementalSearchStart = ssFocusedNode;
    uint32_t IncrementalSearchTimeout = 1000; // milliseconds

protected:
    TLeanTreeSearch() = default;
    virtual ~TLeanTreeSearch() = default;
    TLeanTreeSearch(const TLeanTreeSearch&) = delete;
    TLeanTreeSearch& operator=(const TLeanTreeSearch&) = delete;

    // A search that finds nothing beeps.
    virtual void Beep();

    TLTIncrementalSearch FIncrementalSearch = isNone;
    std::u16string FSearchBuffer;
    PLeanNode FLastSearchNode = nullptr; // the last match (ssLastHit starts after it)
    uint64_t FLastSearchTime = 0;        // milliseconds, when FSearchTimeKnown
    bool FSearchTimeKnown = false;

private:
    // The tree this search belongs to (TBaseLeanTree derives from this class).
    TBaseLeanTree& SearchTree();
    QTimer* SearchTimer(); // made on first use, a child of the tree
    QTimer* FSearchTimer = nullptr;
};

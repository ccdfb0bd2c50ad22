// Tree states and the position cache: state changes, invalidation, validation on the worker
// thread and the cache look-ups.
#include <algorithm>

#include "controls/tree/leantree.h"
#include "controls/tree/treeworker.h"

using enum TLeanTreeState;
using enum TLTMiscOption;

void TBaseLeanTree::DoStateChange(TLeanTreeStates Enter, TLeanTreeStates Leave) {
    if (OnStateChange && !((Enter - FStates) | (FStates & Leave)).Empty())
        OnStateChange(this, Enter, Leave);
    FStates = (FStates | Enter) - Leave;
}

void TBaseLeanTree::InvalidateCache() {
    DoStateChange(tsValidationNeeded, tsUseCache);
}

void TBaseLeanTree::ValidateCache() {
    InterruptValidation();
    FStartIndex = 0;
    if (!FStates.Contains(tsValidationNeeded) || FDestroying)
        return;
    if (FVisibleCount <= CacheThreshold) {
        // Small trees keep an empty cache: nothing for the worker to do.
        FPositionCache.clear();
        DoStateChange(tsUseCache, {tsStopValidation, tsValidating, tsValidationNeeded});
        return;
    }
    TWorkerThread* w = TWorkerThread::Instance();
    if (!w)
        return;
    FStopFlag = false;
    FCacheQueued = true;
    DoStateChange(tsValidating, tsStopValidation);
    w->AddTree(this);
}

void TBaseLeanTree::InterruptValidation() {
    DoStateChange(tsStopValidation, tsUseCache);
    TWorkerThread* w = TWorkerThread::Instance();
    if (!w || !FCacheQueued)
        return;
    FStopFlag = true;
    w->RemoveTree(this);
    FCacheQueued = false;
    DoStateChange(tsValidationNeeded, tsValidating);
    // A change that needs no new layout (a state bit, a hidden row) stopped a validation that
    // nothing else restarts: start it again once the change is done.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (FUpdateCount == 0 && !FCacheQueued && FStates.Contains(tsValidationNeeded))
                ValidateCache();
        },
        Qt::QueuedConnection);
}

void TBaseLeanTree::ApplyCacheResult(uint64_t Generation, std::vector<TCacheEntry>&& Cache,
                                     bool Ok) {
    if (!FCacheQueued || Generation != FCacheGeneration)
        return; // the tree changed after the worker started
    FCacheQueued = false;
    if (Ok) {
        FPositionCache = std::move(Cache);
        DoStateChange(tsUseCache, {tsStopValidation, tsValidating, tsValidationNeeded});
        if (HasMisc(toVariableNodeHeight))
            UpdateScrollBars(true);
    } else {
        DoStateChange({}, {tsStopValidation, tsValidating});
    }
}

uint32_t TLeanTreeNodes::CalculateCacheEntryCount() const {
    if (FVisibleCount < 2)
        return 0;
    return (FVisibleCount + CacheMarkSpacing - 1) / CacheMarkSpacing;
}

bool TLeanTreeNodes::BuildPositionCache(std::vector<TCacheEntry>& Cache,
                                        const std::atomic<bool>* Stop) const {
    Cache.clear();
    if (FVisibleCount <= CacheThreshold)
        return !(Stop && Stop->load(std::memory_order_relaxed));
    size_t capacity = CalculateCacheEntryCount();
    Cache.reserve(capacity + 1);
    PLeanNode node = GetFirstVisibleNoInit();
    PLeanNode last = nullptr;
    uint32_t top = 0, lastTop = 0, count = 0;
    bool stopped = false;
    while (node && Cache.size() < capacity) {
        if ((count & 1023) == 0 && Stop && Stop->load(std::memory_order_relaxed)) {
            stopped = true;
            break;
        }
        if (count % CacheMarkSpacing == 0)
            Cache.push_back({node, top});
        last = node;
        lastTop = top;
        top += node->NodeHeight;
        ++count;
        node = GetNextVisibleNoInit(node);
    }
    if (stopped || count == 0)
        return false;
    // Past the last full block: walk on to the last visible node for the closing mark.
    while (node) {
        last = node;
        lastTop = top;
        top += node->NodeHeight;
        node = GetNextVisibleNoInit(node);
    }
    Cache.push_back({last, lastTop});
    return !(Stop && Stop->load(std::memory_order_relaxed));
}

TCacheEntry TLeanTreeNodes::FindInPositionCache(PLeanNode Node) const {
    const auto& c = FPositionCache;
    size_t lo = 0, hi = c.size();
    while (lo < hi) {
        size_t mid = (lo + hi) / 2;
        if (CompareNodePositions(c[mid].Node, Node) <= 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo ? c[lo - 1] : TCacheEntry{nullptr, 0};
}

TCacheEntry TLeanTreeNodes::FindInPositionCache(uint32_t Position) const {
    auto it = std::upper_bound(FPositionCache.begin(), FPositionCache.end(), Position,
                               [](uint32_t p, const TCacheEntry& e) { return p < e.AbsoluteTop; });
    return it == FPositionCache.begin() ? TCacheEntry{nullptr, 0} : *(it - 1);
}

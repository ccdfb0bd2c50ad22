#pragma once
// The one worker thread of the process that builds the position caches of all trees in turn.
// It never touches a widget and never runs the host's events: it walks a tree's node chain
// (read only) and posts the result to the tree as a TChangeStateEvent.
//
// Safety: the worker marks the tree it walks as current under its mutex; a tree that is about
// to change its nodes (or be destroyed) removes itself from the queue and waits until the
// worker has left it (RemoveTree), so the worker never reads a node the GUI thread changes.

#include <QEvent>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "controls/tree/leantree.h"
#include "platform/gui/threadhandoff.h"

// The tree's private state-change message: states to enter and leave, and the cache that a
// validation produced for the given generation.
class TChangeStateEvent : public QEvent {
public:
    static QEvent::Type EventType();
    TChangeStateEvent(TLeanTreeStates enter, TLeanTreeStates leave, uint64_t generation,
                      std::vector<TCacheEntry>&& cache)
        : QEvent(EventType()), Enter(enter), Leave(leave), Generation(generation),
          Cache(std::move(cache)) {}
    TLeanTreeStates Enter, Leave;
    uint64_t Generation;
    std::vector<TCacheEntry> Cache;
};

class TWorkerThread {
public:
    // Every tree takes a reference when it is made and releases it when it is destroyed; the
    // first reference starts the thread, the last one ends it. GUI thread only.
    static void AddThreadReference();
    static void ReleaseThreadReference(TBaseLeanTree* Tree);
    // The running worker, or nullptr.
    static TWorkerThread* Instance();

    ~TWorkerThread();
    // Queues Tree (once) for validation and wakes the thread.
    void AddTree(TBaseLeanTree* Tree);
    // Takes Tree out of the queue and waits until the worker is not walking it. Returns the
    // worker's run counter for Tree's generation bookkeeping.
    void RemoveTree(TBaseLeanTree* Tree);
    TBaseLeanTree* CurrentTree();
    int RefCount() const { return refCount_; }

private:
    TWorkerThread();
    void Execute();

    std::mutex mutex_;
    std::condition_variable wake_; // work queued or terminating
    std::condition_variable idle_; // the current tree changed
    std::deque<TBaseLeanTree*> trees_;
    TBaseLeanTree* current_ = nullptr;
    bool terminated_ = false;
    int refCount_ = 0;
    std::thread thread_;
};

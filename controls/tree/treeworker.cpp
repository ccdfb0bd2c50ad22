// The position-cache worker thread.
#include "controls/tree/treeworker.h"

#include <QCoreApplication>
#include <algorithm>
#include <memory>

namespace {

std::unique_ptr<TWorkerThread> worker;

} // namespace

QEvent::Type TChangeStateEvent::EventType() {
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

TWorkerThread* TWorkerThread::Instance() {
    return worker.get();
}

void TWorkerThread::AddThreadReference() {
    if (!worker)
        worker.reset(new TWorkerThread);
    ++worker->refCount_;
}

void TWorkerThread::ReleaseThreadReference(TBaseLeanTree* Tree) {
    if (!worker)
        return;
    --worker->refCount_;
    Tree->InterruptValidation();
    if (worker->refCount_ <= 0)
        worker.reset();
}

TWorkerThread::TWorkerThread() : thread_([this] { Execute(); }) {}

TWorkerThread::~TWorkerThread() {
    {
        std::lock_guard lock(mutex_);
        terminated_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void TWorkerThread::AddTree(TBaseLeanTree* Tree) {
    LTAssert(Tree != nullptr, "Tree must not be nil.");
    {
        std::lock_guard lock(mutex_);
        if (std::find(trees_.begin(), trees_.end(), Tree) == trees_.end())
            trees_.push_back(Tree);
    }
    wake_.notify_one();
}

void TWorkerThread::RemoveTree(TBaseLeanTree* Tree) {
    LTAssert(Tree != nullptr, "Tree must not be nil.");
    std::unique_lock lock(mutex_);
    trees_.erase(std::remove(trees_.begin(), trees_.end(), Tree), trees_.end());
    ++Tree->FCacheGeneration;
    idle_.wait(lock, [&] { return current_ != Tree; });
}

TBaseLeanTree* TWorkerThread::CurrentTree() {
    std::lock_guard lock(mutex_);
    return current_;
}

void TWorkerThread::Execute() {
    using enum TLeanTreeState;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return terminated_ || !trees_.empty(); });
        if (terminated_)
            break;
        TBaseLeanTree* tree = trees_.front();
        trees_.pop_front();
        current_ = tree;
        uint64_t generation = tree->FCacheGeneration;
        lock.unlock();

        std::vector<TCacheEntry> cache;
        bool ok = !tree->FStopFlag.load() && tree->BuildPositionCache(cache, &tree->FStopFlag);
        TLeanTreeStates enter, leave{tsStopValidation, tsValidating};
        if (ok) {
            enter = tsUseCache;
            leave |= tsValidationNeeded;
        }
        // The tree stays alive while it is current: its destructor waits in RemoveTree.
        auto* event = new TChangeStateEvent(enter, leave, generation, std::move(cache));
        HandOffRelease(event);
        QCoreApplication::postEvent(tree, event);

        lock.lock();
        current_ = nullptr;
        idle_.notify_all();
    }
}

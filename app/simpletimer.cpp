#include "app/simpletimer.h"

#include <QScopedValueRollback>
#include <QTimerEvent>
#include <memory>

namespace {
// The process's one handler.
std::unique_ptr<TSimpleTimerHandler> gHandler;
} // namespace

TSimpleTimerHandler::TSimpleTimerHandler() = default;

const TSimpleTimerHandler* TSimpleTimerHandler::Instance() {
    return gHandler.get();
}

TSimpleTimerHandler* TSimpleTimerHandler::AddRef() {
    if (!gHandler)
        gHandler.reset(new TSimpleTimerHandler());
    ++gHandler->refCount_;
    return gHandler.get();
}

void TSimpleTimerHandler::Release() {
    if (!gHandler || --gHandler->refCount_ > 0)
        return;
    if (gHandler->dispatching_ > 0) // the last timer went inside a tick: free after it
        gHandler.release()->deleteLater();
    else
        gHandler.reset();
}

int TSimpleTimerHandler::StartTimer(TSimpleTimer* t, unsigned interval) {
    int id = startTimer(std::chrono::milliseconds(interval));
    if (id != 0)
        timers_[id] = t;
    return id;
}

bool TSimpleTimerHandler::StopTimer(int id) {
    if (id == 0 || timers_.erase(id) == 0)
        return false;
    killTimer(id);
    return true;
}

void TSimpleTimerHandler::timerEvent(QTimerEvent* e) {
    auto it = timers_.find(e->timerId());
    if (it == timers_.end())
        return;
    const QScopedValueRollback guard(dispatching_, dispatching_ + 1);
    it->second->Tick();
}

TSimpleTimer::TSimpleTimer() : handler_(TSimpleTimerHandler::AddRef()) {}

TSimpleTimer::TSimpleTimer(unsigned interval, TTimerEvent onTimer)
    : handler_(TSimpleTimerHandler::AddRef()), interval_(interval), onTimer_(std::move(onTimer)) {}

TSimpleTimer::~TSimpleTimer() {
    if (enabled_ || timerId_ != 0)
        Stop(true);
    TSimpleTimerHandler::Release();
}

bool TSimpleTimer::Start() {
    if (interval_ == 0)
        return false;
    if (timerId_ != 0)
        Stop(false);
    timerId_ = handler_->StartTimer(this, interval_);
    if (timerId_ == 0)
        return false;
    enabled_ = true;
    return true;
}

bool TSimpleTimer::Stop(bool disable) {
    if (disable)
        enabled_ = false;
    bool stopped = handler_->StopTimer(timerId_);
    timerId_ = 0;
    return stopped;
}

void TSimpleTimer::SetEnabled(bool value) {
    if (value)
        Start();
    else
        Stop(true);
}

void TSimpleTimer::SetInterval(unsigned value) {
    if (value == interval_)
        return;
    interval_ = value;
    if (enabled_) {
        Stop(false);
        Start();
    }
}

void TSimpleTimer::SetOnTimer(TTimerEvent value) {
    onTimer_ = std::move(value);
    if (!onTimer_ && enabled_)
        Stop(false);
}

void TSimpleTimer::Tick() {
    if (autoDisable_)
        Stop(true);
    if (onTimer_) {
        // The handler may replace or clear the event, or destroy this timer: call a copy.
        TTimerEvent event = onTimer_;
        event(*this);
    }
}

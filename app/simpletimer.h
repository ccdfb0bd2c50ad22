#pragma once
// TSimpleTimer: a light timer object (no owner, no streaming). All simple timers of the process
// share one hidden handler object, created by the first timer and freed with the last, on whose
// Qt timers the ticks arrive. GUI thread only.

#include <QObject>
#include <functional>
#include <unordered_map>

class TSimpleTimer;

// The shared handler: maps the Qt timer ids of the running simple timers to their objects.
class TSimpleTimerHandler : public QObject {
public:
    // The handler in use; null while no simple timer exists.
    static const TSimpleTimerHandler* Instance();

protected:
    void timerEvent(QTimerEvent* e) override;

private:
    friend class TSimpleTimer;
    TSimpleTimerHandler();
    static TSimpleTimerHandler* AddRef();
    static void Release();
    // Starts a Qt timer for t; the timer id, 0 on failure.
    int StartTimer(TSimpleTimer* t, unsigned interval);
    // Stops the Qt timer id; false when it was not running.
    bool StopTimer(int id);

    int refCount_ = 0;
    int dispatching_ = 0;
    std::unordered_map<int, TSimpleTimer*> timers_;
};

class TSimpleTimer {
public:
    using TTimerEvent = std::function<void(TSimpleTimer& sender)>;

    // Interval 1000 ms, no OnTimer, not enabled, AutoDisable off.
    TSimpleTimer();
    // The same with the given interval (ms) and event.
    TSimpleTimer(unsigned interval, TTimerEvent onTimer);
    ~TSimpleTimer();
    TSimpleTimer(const TSimpleTimer&) = delete;
    TSimpleTimer& operator=(const TSimpleTimer&) = delete;

    // Starts (or restarts) the timer with Interval; false, and nothing started, when Interval is
    // 0 or the timer cannot be set. On success Enabled becomes true.
    bool Start();
    // Stops the timer; with disable, Enabled becomes false. False when it was not running.
    bool Stop(bool disable);

    bool Enabled() const { return enabled_; }
    // True calls Start (an interval of 0 leaves the timer disabled), false Stop(true).
    void SetEnabled(bool value);
    unsigned Interval() const { return interval_; }
    // Milliseconds; a running timer restarts at once with the new period. An interval of 0
    // stops the ticks but leaves Enabled true.
    void SetInterval(unsigned value);
    // When set, the timer stops itself (Stop(true)) before each tick is delivered.
    bool AutoDisable() const { return autoDisable_; }
    void SetAutoDisable(bool value) { autoDisable_ = value; }
    const TTimerEvent& OnTimer() const { return onTimer_; }
    // Clearing the event of an enabled timer stops its ticks (Enabled stays true).
    void SetOnTimer(TTimerEvent value);
    // True while the underlying Qt timer runs.
    bool Running() const { return timerId_ != 0; }

private:
    friend class TSimpleTimerHandler;
    void Tick();

    TSimpleTimerHandler* handler_;
    int timerId_ = 0;
    bool enabled_ = false;
    unsigned interval_ = 1000;
    bool autoDisable_ = false;
    TTimerEvent onTimer_;
};

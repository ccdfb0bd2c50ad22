#pragma once
// The program's way out. Ending is asked for by the Exit command, by a later start
// ("--quit") or by a termination signal (SIGTERM, SIGINT, SIGHUP); each leaves the event loop
// the normal way (LeaveEventLoop). Should that way be blocked (the GUI thread busy with a
// long task or stuck), the exit watchdog ends the process a fixed time after the request,
// once a data file write under way has finished: the data file is replaced in one step after
// every change, so it is whole at every moment. (A change that a failed save left unwritten
// is written once more at the end of every way out but the watchdog's, RunTockwell.) An exit
// that no termination signal asked for also lets the e-mails being sent go out first, for at
// most the mailer's time-out.

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "core/mailoutbox.h"

class QSocketNotifier;

class TExitWatchdog {
public:
    // The expiry's default: a line on stderr, then the process ends at once with exit code 1.
    static void EndProcess();

    // grace: how long the normal way may take after the request. Raises Exception when its
    // pipe or thread cannot be made.
    explicit TExitWatchdog(std::chrono::milliseconds grace);
    // Stops the watchdog; an expiry in progress finishes first.
    ~TExitWatchdog();
    TExitWatchdog(const TExitWatchdog&) = delete;
    TExitWatchdog& operator=(const TExitWatchdog&) = delete;

    // Starts the countdown; later calls change nothing, except that one with bySignal (a
    // termination signal) drops the wait for HoldUntil. Safe in a signal handler.
    void Arm(bool bySignal = false);
    // Held while the data file is written: the expiry waits for it (up to WriteWait).
    std::timed_mutex& WriteLock() { return writeLock_; }
    static constexpr std::chrono::seconds WriteWait{30};

    // Runs on the watchdog's thread when the grace has passed, with WriteLock held (or after
    // WriteWait without it). Set before Arm; EndProcess by default.
    std::function<void()> OnExpired = EndProcess;
    // Asked on the watchdog's thread when the grace has passed and no termination signal came:
    // the time until which work under way may hold the end off. Asked again every 50 ms until
    // that time, or HoldWait, has passed or a signal comes; after a hold the grace starts again
    // (after a signal the end follows at once). Set before Arm; MailSendsEnd (the e-mails being
    // sent) by default.
    std::function<std::chrono::steady_clock::time_point()> HoldUntil;
    // The longest hold: as long as the program's end waits for e-mails being sent.
    static constexpr std::chrono::milliseconds HoldWait{MailExitWaitMs};

private:
    void Run();

    std::chrono::milliseconds grace_;
    int pipe_[2] = {-1, -1}; // commands to the thread: 'A' arm, 'S' stop
    std::timed_mutex writeLock_;
    std::thread thread_;
};

// SIGTERM, SIGINT and SIGHUP arm the watchdog at once (even while the GUI thread is busy) and
// call onSignal on the GUI thread once its event loop runs. One object at a time; restores
// the default handlers when destroyed.
class TTerminationSignals {
public:
    TTerminationSignals(TExitWatchdog& watchdog, std::function<void()> onSignal);
    ~TTerminationSignals();
    TTerminationSignals(const TTerminationSignals&) = delete;
    TTerminationSignals& operator=(const TTerminationSignals&) = delete;

private:
    std::unique_ptr<QSocketNotifier> notifier_;
};

// Hides every window of the program and ends the event loop with every nested one (a modal
// dialog's included). Unlike QCoreApplication::quit(), which first closes every window and
// gives up when one of them refuses, nothing can hold this up.
void LeaveEventLoop();

#pragma once
// The outbox of alert e-mails: each send runs on a thread of its own, and its outcome goes
// back to the GUI thread through a post function that the window side supplies (a queued
// call). Freeing an outbox abandons its sends; the program's end waits for the sends in
// progress (WaitForMailSends), at most the mailer's time-out.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "core/alertwindows.h"
#include "core/mailer.h"

class TBackgroundMailOutbox : public IMailOutbox {
public:
    // Runs call later on the GUI thread. Called on the send threads, never after the outbox
    // is freed.
    using TPostFunc = std::function<void(std::function<void()> call)>;

    explicit TBackgroundMailOutbox(TPostFunc post);
    // Abandons the sends in progress: their outcomes are dropped. Each send's thread owns its
    // mailer and ends by itself within the mailer's session time.
    ~TBackgroundMailOutbox() override;
    TBackgroundMailOutbox(const TBackgroundMailOutbox&) = delete;
    TBackgroundMailOutbox& operator=(const TBackgroundMailOutbox&) = delete;

    // Starts mail's session on a detached thread; done gets its outcome through post. When no
    // thread can be started, done gets that failure at once. The send counts as in progress
    // (MailSendsEnd) until its thread has freed the mailer, at most until its SMTP.Timeout
    // from now and a second.
    void Send(std::unique_ptr<TMailer> mail, TMailDoneEvent done) override;
    // Sends whose outcome has not come back yet.
    int Pending() const { return static_cast<int>(waiting_->size()); }

private:
    // What the send threads share with the outbox: the post function while the outbox lives.
    struct TChannel {
        std::mutex mutex;
        TPostFunc post; // empty once the outbox is gone
    };
    using TWaiting = std::map<uint64_t, TMailDoneEvent>; // GUI thread only

    std::shared_ptr<TChannel> channel_;
    std::shared_ptr<TWaiting> waiting_;
    uint64_t nextId_ = 1;
};

// How long the program's end waits at most for the e-mails being sent: the mailer's time-out.
inline constexpr int MailExitWaitMs = MailerConnectTimeoutMs;

// The latest time by which every e-mail being sent in this process has ended (its session's
// time-out from its start, and a second); the clock's epoch when none is being sent. Any thread.
std::chrono::steady_clock::time_point MailSendsEnd();
// Blocks until no e-mail is being sent in this process, at most until MailSendsEnd() and for
// atMost: at the program's end, so that a send in progress goes out.
void WaitForMailSends(std::chrono::milliseconds atMost = std::chrono::milliseconds(MailExitWaitMs));

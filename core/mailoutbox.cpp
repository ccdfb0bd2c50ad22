#include "core/mailoutbox.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <set>
#include <thread>
#include <utility>

#include "core/mailer.h"

namespace {

using TClock = std::chrono::steady_clock;

// The sends in progress in the process, by the time each has ended at the latest. Shared with
// the send threads, so that one still running after the statics are gone finds it.
struct TSendsInProgress {
    std::mutex mutex;
    std::condition_variable ended;
    std::multiset<TClock::time_point> ends;
};

std::shared_ptr<TSendsInProgress> SendsInProgress() {
    static const auto sends = std::make_shared<TSendsInProgress>();
    return sends;
}

// One send in progress for its lifetime.
class TSendTicket {
public:
    explicit TSendTicket(TClock::time_point end) : sends_(SendsInProgress()) {
        std::lock_guard<std::mutex> lock(sends_->mutex);
        at_ = sends_->ends.insert(end);
    }
    ~TSendTicket() {
        {
            std::lock_guard<std::mutex> lock(sends_->mutex);
            sends_->ends.erase(at_);
        }
        sends_->ended.notify_all();
    }
    TSendTicket(const TSendTicket&) = delete;
    TSendTicket& operator=(const TSendTicket&) = delete;

private:
    std::shared_ptr<TSendsInProgress> sends_;
    std::multiset<TClock::time_point>::iterator at_;
};

// The session, on the send thread; "" or the failure's message.
std::string SendNow(const TMailer& mail) {
    try {
        mail.SMTP.Send(mail.Message);
        return {};
    } catch (const std::exception& e) {
        return *e.what() ? e.what() : "The e-mail could not be sent.";
    } catch (...) {
        return "The e-mail could not be sent.";
    }
}

} // namespace

TBackgroundMailOutbox::TBackgroundMailOutbox(TPostFunc post)
    : channel_(std::make_shared<TChannel>()), waiting_(std::make_shared<TWaiting>()) {
    channel_->post = std::move(post);
}

TBackgroundMailOutbox::~TBackgroundMailOutbox() {
    TPostFunc post;
    {
        std::lock_guard<std::mutex> lock(channel_->mutex);
        post.swap(channel_->post);
    }
}

void TBackgroundMailOutbox::Send(std::unique_ptr<TMailer> mail, TMailDoneEvent done) {
    const uint64_t id = nextId_++;
    waiting_->emplace(id, std::move(done));
    // The thread holds only what it owns: the mailer, the channel, and a weak link to the
    // waiting outcomes, which it never follows itself (the posted call does, on the GUI
    // thread).
    auto deliver = [waiting = std::weak_ptr<TWaiting>(waiting_), id](const std::string& error) {
        auto live = waiting.lock();
        if (!live)
            return;
        auto it = live->find(id);
        if (it == live->end())
            return;
        TMailDoneEvent event = std::move(it->second);
        live->erase(it);
        if (event)
            event(error);
    };
    // The session ends within its time-out; the second is for the thread to finish.
    auto ticket = std::make_shared<TSendTicket>(
        TClock::now() + std::chrono::milliseconds(std::max(mail->SMTP.Timeout, 0)) +
        std::chrono::seconds(1));
    try {
        std::thread([channel = channel_, deliver, ticket = std::move(ticket),
                     mail = std::shared_ptr<TMailer>(std::move(mail))]() mutable {
            const std::string error = SendNow(*mail);
            mail.reset();
            {
                std::lock_guard<std::mutex> lock(channel->mutex);
                if (channel->post)
                    channel->post([deliver, error] { deliver(error); });
            }
            ticket.reset(); // the send has ended
        }).detach();
    } catch (const std::exception& e) {
        deliver(std::string("The e-mail could not be sent: ") + e.what());
    }
}

TClock::time_point MailSendsEnd() {
    const auto sends = SendsInProgress();
    std::lock_guard<std::mutex> lock(sends->mutex);
    return sends->ends.empty() ? TClock::time_point() : *sends->ends.rbegin();
}

void WaitForMailSends(std::chrono::milliseconds atMost) {
    const TClock::time_point limit = TClock::now() + atMost;
    const auto sends = SendsInProgress();
    std::unique_lock<std::mutex> lock(sends->mutex);
    while (!sends->ends.empty()) {
        // A send past its end is overdue: its session should have ended by now.
        const TClock::time_point until = std::min(*sends->ends.rbegin(), limit);
        if (TClock::now() >= until)
            return;
        sends->ended.wait_until(lock, until);
    }
}

#include "core/mailoutbox.h"

#include <exception>
#include <thread>
#include <utility>

#include "core/mailer.h"

namespace {

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
    try {
        std::thread([channel = channel_, deliver,
                     mail = std::shared_ptr<TMailer>(std::move(mail))] {
            std::string error = SendNow(*mail);
            std::lock_guard<std::mutex> lock(channel->mutex);
            if (channel->post)
                channel->post([deliver, error] { deliver(error); });
        }).detach();
    } catch (const std::exception& e) {
        deliver(std::string("The e-mail could not be sent: ") + e.what());
    }
}

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

#include "core/mailer.h"
#include "core/mailoutbox.h"
#include "fakesmtpserver.h"
#include "testutil.h"

namespace {

using Clock = std::chrono::steady_clock;

// Stands in for the GUI thread's queue: the outbox posts calls into it from its threads, and
// the test runs them on its own thread.
class TCallQueue {
public:
    TBackgroundMailOutbox::TPostFunc PostFunc() {
        return [state = state_](std::function<void()> call) {
            std::lock_guard<std::mutex> lock(state->mutex);
            state->calls.push_back(std::move(call));
            ++state->posted;
        };
    }
    int Posted() const {
        std::lock_guard<std::mutex> lock(state_->mutex);
        return state_->posted;
    }
    // Runs the calls queued so far.
    void Run() {
        std::vector<std::function<void()>> calls;
        {
            std::lock_guard<std::mutex> lock(state_->mutex);
            calls.swap(state_->calls);
        }
        for (auto& call : calls)
            call();
    }

private:
    struct TState {
        mutable std::mutex mutex;
        std::vector<std::function<void()>> calls;
        int posted = 0;
    };
    std::shared_ptr<TState> state_ = std::make_shared<TState>();
};

std::unique_ptr<TMailer> FinishedMail(int port, int timeoutMs) {
    auto mail = std::make_unique<TMailer>(SMTPSettingsKey);
    mail->SMTP.Host = "127.0.0.1";
    mail->SMTP.Port = port;
    mail->SMTP.Timeout = timeoutMs;
    mail->Message.From = {"Tockwell", "alerts@example.org"};
    mail->Compose("ann@example.org", "Subject", "Body");
    return mail;
}

} // namespace

TEST(MailOutbox, OutcomesComeBackThroughThePostedCallsOnly) {
    TFakeSmtpServer good(TSmtpMisbehaviour::None), stalled(TSmtpMisbehaviour::StallAfterData);
    TCallQueue gui;
    TBackgroundMailOutbox outbox(gui.PostFunc());
    std::vector<std::string> outcomes;
    const auto start = Clock::now();
    outbox.Send(FinishedMail(stalled.Port(), 1500),
                [&](const std::string& error) { outcomes.push_back("stalled: " + error); });
    outbox.Send(FinishedMail(good.Port(), 1500),
                [&](const std::string& error) { outcomes.push_back("good: " + error); });
    EXPECT_LT(SecondsSince(start), 0.5); // neither waits for its server
    EXPECT_EQ(outbox.Pending(), 2);

    ASSERT_TRUE(WaitUntil([&] { return gui.Posted() == 1; }, 3000));
    EXPECT_TRUE(outcomes.empty()); // nothing runs on the send threads
    gui.Run();
    EXPECT_EQ(outcomes, std::vector<std::string>{"good: "});
    EXPECT_EQ(good.Messages(), 1);
    EXPECT_EQ(outbox.Pending(), 1);

    ASSERT_TRUE(WaitUntil([&] { return gui.Posted() == 2; }, 3000));
    EXPECT_EQ(stalled.Messages(), 1);
    gui.Run();
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_NE(outcomes[1].find("stalled: SMTP session timed out"), std::string::npos)
        << outcomes[1];
    EXPECT_EQ(outbox.Pending(), 0);
    gui.Run(); // nothing more came
    EXPECT_EQ(outcomes.size(), 2u);
}

TEST(MailOutbox, FreeingTheOutboxAbandonsTheSendsInProgress) {
    TFakeSmtpServer stalled(TSmtpMisbehaviour::StallAfterData);
    TCallQueue gui;
    auto held = std::make_shared<int>(0); // stands for what the outcome's handler holds
    std::weak_ptr<int> watch = held;
    Clock::time_point start;
    {
        TBackgroundMailOutbox outbox(gui.PostFunc());
        outbox.Send(FinishedMail(stalled.Port(), 1500), [held](const std::string&) { ++*held; });
        held.reset();
        ASSERT_TRUE(WaitUntil([&] { return stalled.Messages() == 1; }, 3000));
        start = Clock::now();
    } // freed while the server stalls
    EXPECT_LT(SecondsSince(start), 0.5);
    EXPECT_TRUE(watch.expired()); // the handler went with the outbox, on this thread

    // The send's thread still ends the session within its time, and posts nothing.
    EXPECT_TRUE(WaitUntil([&] { return stalled.ClosedByClient() == 1; }, 3000));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(gui.Posted(), 0);
}

TEST(MailOutbox, TheEndWaitsForTheSendsInProgressUpToTheirTimeOuts) {
    using namespace std::chrono_literals;
    EXPECT_LE(MailSendsEnd(), Clock::now()); // none in progress
    TFakeSmtpServer slow(TSmtpMisbehaviour::None, 200), stalled(TSmtpMisbehaviour::StallAfterData);
    TCallQueue gui;
    TBackgroundMailOutbox outbox(gui.PostFunc());
    const auto start = Clock::now();
    outbox.Send(FinishedMail(slow.Port(), 5000), {});
    outbox.Send(FinishedMail(stalled.Port(), 1500), {});
    EXPECT_GE(MailSendsEnd(), start + 6s); // the slow one's time-out, and a second

    // A wait for less time ends first.
    WaitForMailSends(300ms);
    EXPECT_LT(SecondsSince(start), 1.0);
    EXPECT_EQ(slow.Messages(), 0);

    // Seven replies 200 ms late each: the slow server's message goes out; the stalled
    // session runs out of its time. Both outcomes were posted when the wait ends.
    WaitForMailSends();
    EXPECT_GE(SecondsSince(start), 1.4);
    EXPECT_LT(SecondsSince(start), 4.0);
    EXPECT_EQ(slow.Messages(), 1);
    EXPECT_EQ(stalled.Messages(), 1);
    EXPECT_EQ(gui.Posted(), 2);
    EXPECT_LE(MailSendsEnd(), Clock::now());
}

#include <QObject>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "platform/gui/windowmessages.h"

namespace {

// Records the messages it receives as "receiver:msg:wParam".
class Recorder : public QObject {
public:
    Recorder(std::string name, std::vector<std::string>& log) : name_(std::move(name)), log_(log) {}
    std::weak_ptr<int> Seen;

protected:
    void customEvent(QEvent* e) override {
        if (TMessageEvent* m = AsMessage(e)) {
            log_.push_back(name_ + ":" + std::to_string(m->Msg) + ":" + std::to_string(m->WParam));
            if (auto* p = m->PayloadAs<std::shared_ptr<int>>())
                Seen = *p;
            m->Result = m->WParam * 2;
        }
    }

private:
    std::string name_;
    std::vector<std::string>& log_;
};

} // namespace

TEST(WindowMessages, PostedMessagesRunLaterAndInOrder) {
    std::vector<std::string> log;
    Recorder a("a", log), b("b", log);
    EXPECT_TRUE(PostWindowMessage(&a, WM_RUN_ALERT_ACTION, 1));
    EXPECT_TRUE(PostWindowMessage(&b, WM_HIDE_TO_TRAY, 2));
    EXPECT_TRUE(PostWindowMessage(&a, WM_RUN_ALERT_ACTION, 3));
    EXPECT_TRUE(PostWindowMessage(&a, WM_UPDATE_DATE_TEXT, 4));
    EXPECT_FALSE(PostWindowMessage(nullptr, WM_HIDE_TO_TRAY));
    EXPECT_TRUE(log.empty()); // nothing runs at post time
    ProcessPendingMessages();
    EXPECT_EQ(log, (std::vector<std::string>{"a:2025:1", "b:2029:2", "a:2025:3", "a:2026:4"}));
}

TEST(WindowMessages, PendingMessagesOfOneReceiverAndKind) {
    std::vector<std::string> log;
    Recorder a("a", log), b("b", log);
    PostWindowMessage(&a, WM_RUN_ALERT_ACTION, 1);
    PostWindowMessage(&b, WM_RUN_ALERT_ACTION, 2);
    PostWindowMessage(&a, WM_UPDATE_DATE_TEXT, 3);
    PostWindowMessage(&a, WM_RUN_ALERT_ACTION, 4);
    ProcessPendingMessages(&a, WM_RUN_ALERT_ACTION);
    EXPECT_EQ(log, (std::vector<std::string>{"a:2025:1", "a:2025:4"}));
    log.clear();
    ProcessPendingMessages();
    EXPECT_EQ(log, (std::vector<std::string>{"b:2025:2", "a:2026:3"}));
}

TEST(WindowMessages, PayloadKeepsSharedObjectsAliveUntilDelivered) {
    std::vector<std::string> log;
    Recorder a("a", log);
    auto item = std::make_shared<int>(42);
    PostWindowMessage(&a, WM_RUN_ALERT_ACTION, 0, 0, item);
    std::weak_ptr<int> weak = item;
    item.reset();
    EXPECT_FALSE(weak.expired()); // held by the queued message
    ProcessPendingMessages(&a, WM_RUN_ALERT_ACTION);
    EXPECT_EQ(a.Seen.lock(), nullptr); // the message and its payload are gone after delivery
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(log.size(), 1u);
}

TEST(WindowMessages, QueuedMessagesOfADestroyedReceiverAreDropped) {
    std::vector<std::string> log;
    auto a = std::make_unique<Recorder>("a", log);
    auto payload = std::make_shared<int>(1);
    std::weak_ptr<int> weak = payload;
    PostWindowMessage(a.get(), WM_HIDE_TO_TRAY, 0, 0, std::move(payload));
    a.reset();
    ProcessPendingMessages();
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(weak.expired());
}

TEST(WindowMessages, SentMessagesRunAtOnceAndAnswer) {
    std::vector<std::string> log;
    Recorder a("a", log);
    EXPECT_EQ(SendWindowMessage(&a, WM_ACTIVATE_INSTANCE, 21), 42);
    EXPECT_EQ(log, (std::vector<std::string>{"a:2027:21"}));
    EXPECT_EQ(SendWindowMessage(nullptr, WM_ACTIVATE_INSTANCE, 21), 0);
    QEvent other(QEvent::User);
    EXPECT_EQ(AsMessage(&other), nullptr);
}

#pragma once
// A stand-in for the message boxes: records every box and answers from a queue.
// Install with SetMessageBoxes; the real boxes come back when the guard goes.

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/gui/messageboxes.h"

class FakeMessageBoxes : public IMessageBoxes {
public:
    struct Box {
        std::string text, caption;
        TMsgDlgType type;
        TMsgDlgButtons buttons;
    };
    std::vector<Box> Boxes;
    std::vector<std::string> Errors;
    std::deque<int> Answers; // answers in order; mrOk/mrYes... when empty: DefaultAnswer
    int DefaultAnswer = mrOk;

    int MessageBox(const std::string& text, const std::string& caption, TMsgDlgType type,
                   TMsgDlgButtons buttons) override {
        Boxes.push_back({text, caption, type, buttons});
        if (Answers.empty())
            return DefaultAnswer;
        int a = Answers.front();
        Answers.pop_front();
        return a;
    }
    void ErrorBox(const std::string& message) override { Errors.push_back(message); }
};

// Installs a fresh FakeMessageBoxes for its lifetime.
class FakeMessageBoxesGuard {
public:
    FakeMessageBoxesGuard() : fake_(std::make_shared<FakeMessageBoxes>()) {
        previous_ = SetMessageBoxes(fake_);
    }
    ~FakeMessageBoxesGuard() { SetMessageBoxes(previous_); }
    FakeMessageBoxesGuard(const FakeMessageBoxesGuard&) = delete;
    FakeMessageBoxesGuard& operator=(const FakeMessageBoxesGuard&) = delete;
    FakeMessageBoxes* operator->() { return fake_.get(); }
    FakeMessageBoxes& operator*() { return *fake_; }

private:
    std::shared_ptr<FakeMessageBoxes> fake_;
    std::shared_ptr<IMessageBoxes> previous_;
};

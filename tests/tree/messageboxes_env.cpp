// Every tree test runs with message boxes that fail the test at once: an error the tree raises
// in an event handler shows up as a failure instead of a box that waits for a click.
#include <gtest/gtest.h>

#include "platform/gui/messageboxes.h"

namespace {

class TFailingMessageBoxes : public IMessageBoxes {
public:
    int MessageBox(const std::string& text, const std::string& caption, TMsgDlgType,
                   TMsgDlgButtons) override {
        ADD_FAILURE() << "message box \"" << caption << "\": " << text;
        return mrCancel;
    }
    void ErrorBox(const std::string& message) override {
        ADD_FAILURE() << "error box: " << message;
    }
};

class TMessageBoxesEnvironment : public ::testing::Environment {
public:
    void SetUp() override { previous_ = SetMessageBoxes(std::make_shared<TFailingMessageBoxes>()); }
    void TearDown() override { SetMessageBoxes(previous_); }

private:
    std::shared_ptr<IMessageBoxes> previous_;
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new TMessageBoxesEnvironment);

} // namespace

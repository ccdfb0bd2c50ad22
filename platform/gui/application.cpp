#include "platform/gui/application.h"

#include "platform/gui/messageboxes.h"

#include <atomic>

namespace {
std::atomic<bool> leaving{false};
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        HandleException(std::current_exception());
        return false;
    }
}

void HandleException(std::exception_ptr error) {
    MessageBoxes().ErrorBox(ExceptionText(error));
}

std::string ExceptionText(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return ExceptionBoxText(e.what());
    } catch (...) {
        return ExceptionBoxText("Unknown error");
    }
}

void SetApplicationLeaving(bool value) {
    leaving = value;
}

bool ApplicationLeaving() {
    return leaving;
}

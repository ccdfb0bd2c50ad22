#pragma once
// The program's application object: an exception that escapes an event handler is shown in
// the application's error box (MessageBoxes().ErrorBox) and the event loop goes on.

#include <QApplication>
#include <exception>
#include <string>

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    // Delivers the event; an exception thrown by the receiver is shown and swallowed (the event
    // then counts as not handled).
    bool notify(QObject* receiver, QEvent* event) override;
};

// Shows the exception in the application's error box: its message for std::exception, the
// text "Unknown error" for anything else. For use in catch blocks of code that must go on.
void HandleException(std::exception_ptr error);
// The text HandleException shows for error.
std::string ExceptionText(std::exception_ptr error);

// Runs f; an exception it throws is shown by HandleException instead of leaving. For signal
// handlers, where an exception must not unwind through Qt's signal delivery.
template <class F> void CallGuarded(F&& f) {
    try {
        f();
    } catch (...) {
        HandleException(std::current_exception());
    }
}

// Set once the program's event loop has been told to end for good (modal loops end with it):
// work that was waiting for its turn should not start any more.
void SetApplicationLeaving(bool leaving = true);
bool ApplicationLeaving();

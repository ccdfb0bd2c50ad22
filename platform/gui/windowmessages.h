#pragma once
// The program's own window messages as Qt events. Posting keeps its meaning: the message is
// delivered later, in posting order, on the receiver's (GUI) thread, to the receiver's
// customEvent(). A message carries two integer parameters and an optional payload (std::any,
// so it can hold a shared_ptr or a QPointer).

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <any>
#include <cstdint>

constexpr int WM_USER = 0x0400;
constexpr int WM_HIDE_TASKBAR_WINDOW = WM_USER + 1000;  // 2024
constexpr int WM_RUN_ALERT_ACTION = WM_USER + 1001;     // 2025, to the reminders window
constexpr int WM_STOP_TODAY_INDICATOR = WM_USER + 1001; // 2025, to the main window
constexpr int WM_UPDATE_DATE_TEXT = WM_USER + 1002;     // 2026
constexpr int WM_ACTIVATE_INSTANCE = WM_USER + 1003;    // 2027
constexpr int WM_REPAINT_CONTROLS = WM_USER + 1004;     // 2028
constexpr int WM_HIDE_TO_TRAY = WM_USER + 1005;         // 2029

// The Qt event type that carries message msg (QEvent::User + msg; msg from 0 to 64535).
QEvent::Type MessageEventType(int msg);

class TMessageEvent : public QEvent {
public:
    TMessageEvent(int msg, intptr_t wParam, intptr_t lParam, std::any payload);
    int Msg;
    intptr_t WParam;
    intptr_t LParam;
    std::any Payload;
    intptr_t Result = 0; // what a handler answers to a sent message

    // The payload as T, or nullptr when it holds something else.
    template <class T> T* PayloadAs() { return std::any_cast<T>(&Payload); }
};

// The message behind e when e is one of ours (and is msg, when msg is not 0); else nullptr.
TMessageEvent* AsMessage(QEvent* e, int msg = 0);

// Queues msg for receiver; false (and nothing queued) when receiver is null.
bool PostWindowMessage(QObject* receiver, int msg, intptr_t wParam = 0, intptr_t lParam = 0,
                       std::any payload = {});
// Delivers msg to receiver at once (same thread) and returns the handler's Result; 0 for a
// null receiver.
intptr_t SendWindowMessage(QObject* receiver, int msg, intptr_t wParam = 0, intptr_t lParam = 0,
                           std::any payload = {});
// Delivers now the queued messages msg of receiver, in order; others stay queued.
void ProcessPendingMessages(QObject* receiver, int msg);
// Delivers everything queued for the GUI thread and handles pending window-system events.
void ProcessPendingMessages();

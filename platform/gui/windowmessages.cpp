#include "platform/gui/windowmessages.h"

QEvent::Type MessageEventType(int msg) {
    return QEvent::Type(QEvent::User + msg);
}

TMessageEvent::TMessageEvent(int msg, intptr_t wParam, intptr_t lParam, std::any payload)
    : QEvent(MessageEventType(msg)), Msg(msg), WParam(wParam), LParam(lParam),
      Payload(std::move(payload)) {}

TMessageEvent* AsMessage(QEvent* e, int msg) {
    if (!e || e->type() < QEvent::User)
        return nullptr;
    auto* m = dynamic_cast<TMessageEvent*>(e);
    if (!m || (msg != 0 && m->Msg != msg))
        return nullptr;
    return m;
}

bool PostWindowMessage(QObject* receiver, int msg, intptr_t wParam, intptr_t lParam,
                       std::any payload) {
    if (!receiver)
        return false;
    QCoreApplication::postEvent(receiver,
                                new TMessageEvent(msg, wParam, lParam, std::move(payload)));
    return true;
}

intptr_t SendWindowMessage(QObject* receiver, int msg, intptr_t wParam, intptr_t lParam,
                           std::any payload) {
    if (!receiver)
        return 0;
    TMessageEvent e(msg, wParam, lParam, std::move(payload));
    QCoreApplication::sendEvent(receiver, &e);
    return e.Result;
}

void ProcessPendingMessages(QObject* receiver, int msg) {
    QCoreApplication::sendPostedEvents(receiver, MessageEventType(msg));
}

void ProcessPendingMessages() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

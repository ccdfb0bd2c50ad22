#pragma once
// Helpers for the shell-control tests: run the event loop until something happens.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

// Processes events until pred() holds or ms milliseconds have passed; returns pred().
template <class Pred> bool WaitFor(Pred pred, int ms) {
    QElapsedTimer t;
    t.start();
    while (!pred() && t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return pred();
}

// Processes events for ms milliseconds.
inline void Spin(int ms) {
    WaitFor([] { return false; }, ms);
}

#pragma once
// Helpers for the dialog tests: act on a modal dialog once its event loop runs.

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "gui/guitestutil.h"

// Runs act on the first modal dialog of type T that opens within the test (polling every few
// milliseconds); act usually ends with a button click that closes the dialog.
template <class T> void OnModal(std::function<void(T&)> act) {
    auto* timer = new QTimer(qApp);
    timer->setObjectName(TestAnswerName);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, qApp, [timer, act] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(*dialog);
        }
    });
    timer->start();
}

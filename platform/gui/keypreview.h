#pragma once
// Key preview for a window that watches its controls' key presses: a key a control leaves
// unhandled is delivered again to each of its parents, and must be previewed only once.

#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

class TKeyPreview {
public:
    // True when this press already went through the preview on a control below widget.
    bool SeenBefore(const QWidget* widget, const QKeyEvent* key) const {
        return key == key_ && key->timestamp() == time_ && on_ && widget != on_ &&
               widget->isAncestorOf(on_);
    }
    // Records the press previewed on widget; a key the window used goes no further, so it
    // need not be remembered.
    void Record(QWidget* widget, const QKeyEvent* key, bool used) {
        key_ = used ? nullptr : key;
        time_ = key->timestamp();
        on_ = widget;
    }

private:
    const QEvent* key_ = nullptr;
    quint64 time_ = 0;
    QPointer<QWidget> on_;
};

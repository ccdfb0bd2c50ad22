#include "platform/gui/topmosts.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <vector>

namespace {

struct TopMostState {
    int level = 0;
    std::vector<QPointer<QWidget>> normalized;
};

TopMostState& State() {
    static TopMostState state;
    return state;
}

// Changes the stay-on-top hint of the native window only, so the window is not re-created.
void SetOnTop(QWidget* w, bool onTop) {
    QWindow* handle = w->windowHandle();
    if (!handle)
        return;
    Qt::WindowFlags flags = handle->flags();
    handle->setFlags(onTop ? flags | Qt::WindowStaysOnTopHint : flags & ~Qt::WindowStaysOnTopHint);
}

} // namespace

void NormalizeTopMosts() {
    TopMostState& s = State();
    if (s.level++ > 0)
        return;
    s.normalized.clear();
    for (QWidget* w : QApplication::topLevelWidgets()) {
        QWindow* handle = w->windowHandle();
        if (w->isVisible() && handle && (handle->flags() & Qt::WindowStaysOnTopHint)) {
            SetOnTop(w, false);
            s.normalized.emplace_back(w);
        }
    }
}

void RestoreTopMosts() {
    TopMostState& s = State();
    if (s.level == 0 || --s.level > 0)
        return;
    for (auto& w : s.normalized)
        if (w)
            SetOnTop(w, true);
    s.normalized.clear();
}

int TopMostLevel() {
    return State().level;
}

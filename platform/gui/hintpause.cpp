#include "platform/gui/hintpause.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <algorithm>

#include "platform/gui/threadhandoff.h"

namespace {

// Gives each widget the pause just before it shows its tooltip, so that widgets made later
// (and controls rebuilt on the way) follow it too.
class THintPauseFilter : public QObject {
public:
    using QObject::QObject;
    int Pause = -1;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        HandOffAcquire(e); // events posted by other threads (the tree's worker) pass here too
        if (e->type() == QEvent::ToolTip && watched->isWidgetType())
            static_cast<QWidget*>(watched)->setToolTipDuration(Pause > 0 ? Pause : -1);
        return false;
    }
};

QPointer<THintPauseFilter>& Filter() {
    static QPointer<THintPauseFilter> filter;
    return filter;
}

} // namespace

void SetHintHidePause(int ms) {
    if (!qApp)
        return;
    QPointer<THintPauseFilter>& filter = Filter();
    if (!filter) {
        filter = new THintPauseFilter(qApp);
        qApp->installEventFilter(filter);
    }
    filter->Pause = ms;
}

int HintHidePause() {
    const QPointer<THintPauseFilter>& filter = Filter();
    return filter ? filter->Pause : -1;
}

int HintHidePauseFor(const QString& Text) {
    if (const int pause = HintHidePause(); pause > 0)
        return pause;
    return 10000 + 40 * std::max<int>(0, int(Text.size()) - 100);
}

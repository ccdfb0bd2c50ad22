#include "platform/gui/helprequests.h"
#include "platform/gui/threadhandoff.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QVariant>
#include <QWidget>
#include <utility>

namespace {

THelpEvent& Handler() {
    static THelpEvent handler;
    return handler;
}

// Turns F1 into a help request for the focused control (or the active window when nothing
// has the focus). Only the first receiver of the key is looked at, so a key that travels up
// the parents is asked for once.
class THelpKeyFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        // Events posted by other threads (the tree's worker) pass here before their receiver.
        HandOffAcquire(e);
        if (e->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(e);
        if (key->key() != Qt::Key_F1 || (key->modifiers() & ~Qt::KeypadModifier) != 0 ||
            key->isAutoRepeat())
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget)
            return false;
        QWidget* target = QApplication::focusWidget();
        if (!target)
            target = QApplication::activeWindow();
        if (widget != target || widget->property(OwnHelpKeyProperty).toBool())
            return false;
        return HelpKeyPressed(widget);
    }
};

void InstallHelpKey() {
    static QPointer<THelpKeyFilter> filter;
    if (filter || !qApp)
        return;
    filter = new THelpKeyFilter(qApp);
    qApp->installEventFilter(filter);
}

} // namespace

const char* HelpCommandName(int command) {
    switch (command) {
    case HELP_CONTEXT:
        return "HELP_CONTEXT";
    case HELP_QUIT:
        return "HELP_QUIT";
    case HELP_CONTENTS:
        return "HELP_CONTENTS";
    case HELP_HELPONHELP:
        return "HELP_HELPONHELP";
    case HELP_SETCONTENTS:
        return "HELP_SETCONTENTS";
    case HELP_CONTEXTPOPUP:
        return "HELP_CONTEXTPOPUP";
    case HELP_FORCEFILE:
        return "HELP_FORCEFILE";
    case HELP_CONTEXTMENU:
        return "HELP_CONTEXTMENU";
    case HELP_FINDER:
        return "HELP_FINDER";
    case HELP_WM_HELP:
        return "HELP_WM_HELP";
    case HELP_SETPOPUP_POS:
        return "HELP_SETPOPUP_POS";
    case HELP_TCARD_DATA:
        return "HELP_TCARD_DATA";
    case HELP_TCARD_OTHER_CALLER:
        return "HELP_TCARD_OTHER_CALLER";
    case HELP_KEY:
        return "HELP_KEY";
    case HELP_COMMAND:
        return "HELP_COMMAND";
    case HELP_PARTIALKEY:
        return "HELP_PARTIALKEY";
    case HELP_MULTIKEY:
        return "HELP_MULTIKEY";
    case HELP_SETWINPOS:
        return "HELP_SETWINPOS";
    case HELP_TCARD:
        return "HELP_TCARD";
    default:
        return "";
    }
}

THelpEvent SetApplicationHelpHandler(THelpEvent handler) {
    InstallHelpKey();
    return std::exchange(Handler(), std::move(handler));
}

bool ApplicationHelpCommand(int command, intptr_t data) {
    bool callHelp = true;
    bool result = false;
    // A copy: the handler may replace itself.
    if (THelpEvent handler = Handler())
        result = handler(command, data, callHelp);
    // The default help: none on this platform.
    return callHelp ? false : result;
}

bool ApplicationHelpContext(int context) {
    return ApplicationHelpCommand(HELP_CONTEXT, context);
}

void SetHelpContext(QWidget* widget, int context) {
    if (widget)
        widget->setProperty(HelpContextProperty, context);
}

int HelpContextOf(const QWidget* widget) {
    for (; widget; widget = widget->parentWidget()) {
        const int context = widget->property(HelpContextProperty).toInt();
        if (context != 0)
            return context;
    }
    return 0;
}

bool HelpKeyPressed(QWidget* widget) {
    const int context = HelpContextOf(widget);
    return context != 0 && ApplicationHelpContext(context);
}

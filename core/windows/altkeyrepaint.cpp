#include "core/windows/altkeyrepaint.h"

#include <QAbstractButton>
#include <QPointer>
#include <QScrollArea>
#include <QStackedWidget>
#include <QWidget>

#include "platform/gui/windowmessages.h"

namespace {

bool& VistaFlag() {
    // Only Windows 6 and later with visual styles need the repaint; this system never does.
    static bool flag = false;
    return flag;
}

QPointer<QObject>& MainWindow() {
    static QPointer<QObject> window;
    return window;
}

// A page of a stacked widget (a tab sheet) other than the one shown.
bool IsInactivePage(QWidget* w) {
    auto* stack = qobject_cast<QStackedWidget*>(w->parentWidget());
    return stack && stack->currentWidget() != w;
}

} // namespace

bool IsVistaWithThemes() {
    return VistaFlag();
}
void SetIsVistaWithThemes(bool value) {
    VistaFlag() = value;
}

void SetMainWindowHandle(QObject* mainWindow) {
    MainWindow() = mainWindow;
}
QObject* MainWindowHandle() {
    return MainWindow();
}

void HandleAltKeyForRepaint(QWidget* form, int /*key*/, Qt::KeyboardModifiers shift) {
    if (IsVistaWithThemes() && (shift & Qt::AltModifier) && MainWindow())
        PostWindowMessage(MainWindow(), WM_REPAINT_CONTROLS, 0, 0, QPointer<QWidget>(form));
}

bool HandleRepaintControlsMessage(QEvent* e) {
    TMessageEvent* m = AsMessage(e, WM_REPAINT_CONTROLS);
    if (!m)
        return false;
    if (auto* form = m->PayloadAs<QPointer<QWidget>>())
        RepaintFormControls(*form);
    return true;
}

void RepaintFormControls(QWidget* form) {
    RepaintButtons(form); // nothing for null
}

void RepaintButtons(QWidget* control) {
    if (!control || qobject_cast<QScrollArea*>(control))
        return;
    if (qobject_cast<QAbstractButton*>(control)) {
        control->repaint();
        return;
    }
    if (IsInactivePage(control))
        return;
    for (QWidget* child : control->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        RepaintButtons(child);
}

void RepaintAllControls(QWidget* control) {
    if (!control)
        return;
    control->repaint();
    for (QWidget* child : control->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        RepaintAllControls(child);
}

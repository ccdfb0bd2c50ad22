#include "app/mainmenus.h"

#include <QAction>
#include <QMenu>
#include <QWidget>
#include <initializer_list>

namespace {

QAction* Action(QWidget* owner, const char* caption, bool enabled = true,
                const QKeySequence& shortcut = {}) {
    auto* action = new QAction(QString::fromUtf8(caption), owner);
    action->setEnabled(enabled);
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
        owner->addAction(action);
    }
    return action;
}

// Adds the actions to menu in turn; a null stands for a separator.
void AddActions(QMenu* menu, std::initializer_list<QAction*> actions) {
    for (QAction* action : actions) {
        if (action)
            menu->addAction(action);
        else
            menu->addSeparator();
    }
}

} // namespace

void TMainMenus::CreateMainMenus(QWidget* owner) {
    actShowCalendar = Action(owner, "Show calendar");
    ActAddReminder = Action(owner, "Add Reminder...", true, QKeySequence(Qt::Key_Insert));
    actCollapseExpand = Action(owner, "Collapse/Expand");
    actHide = Action(owner, "Hide");
    actRemindersWindow = Action(owner, "Reminders window...");
    actRemindersManager = Action(owner, "Manage reminders...", true, QKeySequence(Qt::Key_F6));
    // F6 also puts the list window away while that window is the active one.
    actRemindersManager->setShortcutContext(Qt::ApplicationShortcut);
    actRemindersManagerFilter = Action(owner, "Manage reminders...");
    actStopPlayingSound = Action(owner, "Stop playing sound");
    actOptions = Action(owner, "Options...");
    actHelp = Action(owner, "Help...");
    actAbout = Action(owner, "About...");
    actWebSite = Action(owner, "Tockwell home page...");
    actCheckForUpdates = Action(owner, "Check for updates...");
    actExit = Action(owner, "Exit");
    actCaptionStopBllinking = Action(owner, "Blink in caption");
    actCaptionStopBllinking->setCheckable(true);
    actCaptionDismissReminder = Action(owner, "Dismiss");
    mnuSnooze5min = Action(owner, "Snooze 5 minutes");
    mnuSnooze10min = Action(owner, "Snooze 10 minutes");
    mnuSnooze15min = Action(owner, "Snooze 15 minutes");
    mnuSnooze20min = Action(owner, "Snooze 20 minutes");
    mnuSnooze30min = Action(owner, "Snooze 30 minutes");

    actMarkHoliday = Action(owner, "Mark as Holiday");
    actMarkWorkday = Action(owner, "Mark as Workday");
    actResetSelection = Action(owner, "Reset selection to default...");
    actResetAll = Action(owner, "Reset all to default...");
    actSetCustomColor = Action(owner, "Set custom color...");
    actRemoveCustomColor = Action(owner, "Remove custom color...");
    actEnableCustomColors = Action(owner, "Enable custom colors");
    actEnableCustomColors->setCheckable(true);
    actRemoveAllCustomColors = Action(owner, "Remove all custom colors...");

    actAddColumn = Action(owner, "Add month column", true, QKeySequence(Qt::ALT | Qt::Key_Right));
    actRemoveColumn =
        Action(owner, "Remove month column", true, QKeySequence(Qt::ALT | Qt::Key_Left));
    actAddRow = Action(owner, "Add month row");
    acrRemoveRow = Action(owner, "Remove month row");
    actOpenCloseConsoleShortcut = Action(owner, "Console");

    // The tray's menu and the caption's drop-down menu share most of their items.
    pmnuTray = new QMenu(owner);
    AddActions(pmnuTray, {actShowCalendar, ActAddReminder, actCollapseExpand});
    pmnuTray->setDefaultAction(actShowCalendar);
    pmnuDownArrow = new QMenu(owner);
    AddActions(pmnuDownArrow, {ActAddReminder, actHide, actCollapseExpand});
    // The drop-down menu has the maker's online links between help and about.
    mnuOnlineLinks = new QMenu(QStringLiteral("Tockwell on the Web"), owner);
    AddActions(mnuOnlineLinks, {actWebSite, actCheckForUpdates});
    for (QMenu* menu : {pmnuTray, pmnuDownArrow}) {
        AddActions(menu, {nullptr, actRemindersWindow, actRemindersManager, actStopPlayingSound,
                          nullptr, actOptions, actHelp});
        if (menu == pmnuDownArrow)
            menu->addMenu(mnuOnlineLinks);
        AddActions(menu, {actAbout, nullptr, actExit});
    }

    pmnuCalendar = new QMenu(owner);
    AddActions(pmnuCalendar, {ActAddReminder, actRemindersManagerFilter, nullptr});
    AddActions(pmnuCalendar->addMenu(QStringLiteral("Holidays && Workdays")),
               {actMarkHoliday, actMarkWorkday, nullptr, actResetSelection, actResetAll});
    AddActions(pmnuCalendar->addMenu(QStringLiteral("Day colors")),
               {actSetCustomColor, actRemoveCustomColor, nullptr, actEnableCustomColors,
                actRemoveAllCustomColors});

    pmnuCaptionMenu = new QMenu(owner);
    AddActions(pmnuCaptionMenu,
               {actCaptionDismissReminder, mnuSnooze5min, mnuSnooze10min, mnuSnooze15min,
                mnuSnooze20min, mnuSnooze30min, nullptr, actCaptionStopBllinking});
}

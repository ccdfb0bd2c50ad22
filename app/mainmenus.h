#pragma once
// The main window's commands and menus: the actions with their captions, shortcuts and check
// marks, and the tray, drop-down, calendar and caption menus built from them. The window
// connects the actions to its handlers; commands whose windows come later (adding reminders,
// the reminders list, help, about, the caption's dismiss and snooze) are there but
// disabled.

class QAction;
class QMenu;
class QWidget;

struct TMainMenus {
    // Creates the actions and menus as children of owner; shortcuts work while owner's window
    // is active, F6 while any window of the program is (and owner is shown).
    void CreateMainMenus(QWidget* owner);

    QAction* actShowCalendar = nullptr;           // "Show calendar"
    QAction* ActAddReminder = nullptr;            // "Add Reminder..." (Insert)
    QAction* actCollapseExpand = nullptr;         // "Collapse/Expand"
    QAction* actHide = nullptr;                   // "Hide"
    QAction* actRemindersWindow = nullptr;        // "Reminders window..."
    QAction* actRemindersManager = nullptr;       // "Manage reminders..." (F6)
    QAction* actRemindersManagerFilter = nullptr; // "Manage reminders..." for the selected days
    QAction* actStopPlayingSound = nullptr;       // "Stop playing sound"
    QAction* actOptions = nullptr;                // "Options..."
    QAction* actHelp = nullptr;                   // "Help..."
    QAction* actAbout = nullptr;                  // "About..."
    QAction* actWebSite = nullptr;                // the maker's web site (drop-down menu)
    QAction* actCheckForUpdates = nullptr;        // the maker's download page (drop-down menu)
    QAction* actExit = nullptr;                   // "Exit"
    QAction* actCaptionStopBllinking = nullptr;   // "Blink in caption" (check item)
    QAction* actCaptionDismissReminder = nullptr; // "Dismiss"
    QAction* mnuSnooze5min = nullptr;
    QAction* mnuSnooze10min = nullptr;
    QAction* mnuSnooze15min = nullptr;
    QAction* mnuSnooze20min = nullptr;
    QAction* mnuSnooze30min = nullptr;
    // Holidays and workdays of the selected days.
    QAction* actMarkHoliday = nullptr;    // "Mark as Holiday"
    QAction* actMarkWorkday = nullptr;    // "Mark as Workday"
    QAction* actResetSelection = nullptr; // "Reset selection to default..."
    QAction* actResetAll = nullptr;       // "Reset all to default..."
    // Day colours.
    QAction* actSetCustomColor = nullptr;        // "Set custom color..."
    QAction* actRemoveCustomColor = nullptr;     // "Remove custom color..."
    QAction* actEnableCustomColors = nullptr;    // "Enable custom colors" (check item)
    QAction* actRemoveAllCustomColors = nullptr; // "Remove all custom colors..."
    // Month columns and rows of the calendar.
    QAction* actAddColumn = nullptr;    // Alt+Right
    QAction* actRemoveColumn = nullptr; // Alt+Left
    QAction* actAddRow = nullptr;
    QAction* acrRemoveRow = nullptr;
    QAction* actOpenCloseConsoleShortcut = nullptr;

    QMenu* pmnuTray = nullptr;
    QMenu* pmnuDownArrow = nullptr;
    QMenu* pmnuCalendar = nullptr;
    QMenu* pmnuCaptionMenu = nullptr;
    QMenu* mnuOnlineLinks = nullptr; // "Tockwell on the Web"
};

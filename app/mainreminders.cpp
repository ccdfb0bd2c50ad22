// The main window's console and the paths that add, edit, snooze and dismiss reminders.
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include "app/frmmain.h"
#include "app/frmremindersetup.h"
#include "controls/calendar/calendargroup.h"
#include "core/alertwindows.h"
#include "core/dateparser.h"
#include "core/remindermanager.h"
#include "core/tockwelldb.h"
#include "platform/datetimeformat.h"
#include "platform/gui/application.h"
#include "platform/gui/topmosts.h"
#include "platform/gui/windowmessages.h"

namespace {

// Hands the key presses of one control to a handler; a press it uses goes no further.
class TKeyPressFilter : public QObject {
public:
    TKeyPressFilter(QObject* parent, std::function<bool(QKeyEvent*)> handler)
        : QObject(parent), handler_(std::move(handler)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, e);
        bool used = false;
        CallGuarded([&] { used = handler_(static_cast<QKeyEvent*>(e)); });
        return used;
    }

private:
    std::function<bool(QKeyEvent*)> handler_;
};

} // namespace

void TfrmMain::SetupConsole() {
    edConsole->installEventFilter(new TKeyPressFilter(
        edConsole, [this](QKeyEvent* e) { return ConsoleKeyDown(e->key(), e->modifiers()); }));
}

void TfrmMain::ConnectReminderCommands() {
    auto on = [this](QAction* action, auto handler) {
        connect(action, &QAction::triggered, this, [handler] { CallGuarded(handler); });
    };
    on(actCaptionDismissReminder, [this] { DismissNearestReminder(); });
    const std::pair<QAction*, int> snoozes[] = {{mnuSnooze5min, 5},
                                                {mnuSnooze10min, 10},
                                                {mnuSnooze15min, 15},
                                                {mnuSnooze20min, 20},
                                                {mnuSnooze30min, 30}};
    for (auto [action, minutes] : snoozes)
        on(action, [this, minutes = minutes] { SnoozeNearestReminder(minutes); });
}

bool TfrmMain::ConsoleKeyDown(int key, Qt::KeyboardModifiers shift) {
    const bool ctrl = shift & Qt::ControlModifier;
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !(shift & Qt::AltModifier)) {
        ProcessConsole(!ctrl);
        return true;
    }
    if (key == Qt::Key_Home && ctrl) {
        GoToToday();
        return true;
    }
    return false;
}

TDateTime TfrmMain::DefaultReminderTime(TDateTime date) const {
    return DefaultTimeOfDay(date, Now());
}

void TfrmMain::ProcessConsole(bool showDialog) {
    const TParsedPhrase phrase = ParsePhrase(edConsole->text().toStdString());
    TDateTime date = phrase.FirstDate;
    if (date == 0) {
        date = DateOf(CalendarGroup->GetDate());
        if (date == 0)
            date = Date();
    }
    if (TimeOf(date) == 0)
        date += DefaultReminderTime(date);
    if (!phrase.Title.empty()) {
        AddReminder(phrase.Title, showDialog, date);
    } else {
        GoToDate(false, date);
        edConsole->setText(QString::fromStdString(FormatDateTime("ddddd", date)));
    }
    edConsole->setFocus();
    edConsole->selectAll();
}

bool TfrmMain::AddReminder(const std::string& subject, bool showDialog, TDateTime date) {
    if (date < Now())
        date = Now() + 10 * OneMinute;
    GoToDate(false, date);
    TTockwellItemPtr entry = TTockwellDB::NewItem(subject, date);
    entry->GetReminder().Assign(db_->DefaultAlertSettings, true);
    if (!EditReminderAndShow(entry, showDialog, false, true))
        return false;
    db_->Add(entry);
    ReminderChanged(entry);
    ShowAddedBalloon(entry);
    edConsole->clear();
    if (db_->DBSettings.CloseAfterCreateNewReminder)
        PostWindowMessage(this, WM_HIDE_TO_TRAY);
    return true;
}

bool TfrmMain::RunReminderSetupDialog(const IReminderAwareItemPtr& item, bool isNew,
                                      bool& saveAsDefault) {
    TTopMostsLowered lowered;
    return ShowReminderSetupDialog(item, isNew, db_->DBSettings.FirstDayOfWeek, saveAsDefault,
                                   this);
}

bool TfrmMain::EditReminderAndShow(const IReminderAwareItemPtr& item, bool showDialog,
                                   bool updateAfter, bool isNew) {
    if (!item)
        return false;
    if (showDialog) {
        // One setup dialog at a time: the tray still takes clicks while one is open.
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* open = qobject_cast<TReminderSetupDlg*>(w); open && open->isVisible()) {
                open->activateWindow();
                return false;
            }
        bool saveAsDefault = false;
        if (!RunReminderSetupDialog(item, isNew, saveAsDefault))
            return false;
        if (saveAsDefault) {
            db_->DefaultAlertSettings.Assign(item->GetReminder(), true);
            db_->DefaultAlertSettings.ClearRecurrencePattern();
        }
    }
    if (updateAfter)
        ReminderChanged(item);
    return true;
}

void TfrmMain::ReminderChanged(const IReminderAwareItemPtr& item) {
    manager_->ReminderChanged(item);
    RefreshListWindow();
    SaveDataFile();
}

void TfrmMain::AddReminderCommand() {
    TDateTime day = DateOf(CalendarGroup->GetDate());
    if (day == 0)
        day = Date();
    AddReminder(edConsole->text().toStdString(), true, day);
}

void TfrmMain::SnoozeNearestReminder(int minutes) {
    const IReminderAwareItemPtr item = nearestItem_;
    if (!item || item->IsRemoved())
        return;
    item->GetReminder().Snooze(minutes * OneMinute);
    // As a snooze in the reminders window: the row goes until the reminder fires again.
    if (auto window = RemindersWindow())
        window->RemoveReminderRow(item);
    ReminderChanged(item);
}

void TfrmMain::DismissNearestReminder() {
    const IReminderAwareItemPtr item = nearestItem_;
    if (!item || item->IsRemoved())
        return;
    item->GetReminder().Dismiss();
    ReminderChanged(item);
}

#include "core/windows/alertwindowsetup.h"

#include <QCoreApplication>
#include <vector>

#include "core/windows/transparentmsgbox.h"
#include "platform/gui/messageboxes.h"
#include "platform/gui/topmosts.h"

void TDesktopAlertQueue::AddMessage(const std::string& text, IReminderAwareItemPtr item,
                                    TReminderItemEvent click) {
    manager_.AddMessage(text, std::move(item), std::move(click));
}

void TMessageBoxAlertDialogs::ShowModalMessage(const std::string& text) {
    TTopMostsLowered lowered;
    MessageBoxes().MessageBox(text, QCoreApplication::applicationName().toStdString(),
                              mtInformation, Buttons(mbOK));
}

void TMessageBoxAlertDialogs::ShowErrorBox(const std::string& text) {
    MessageBoxes().ErrorBox(text);
}

void InitAlertWindows(TSoundPlayerFactory soundPlayerFactory) {
    DoneAlertWindows();
    InitTranspMsgBoxManager();
    SetDesktopAlertQueue(std::make_shared<TDesktopAlertQueue>(*TranspMsgBoxManager()));
    SetRemindersWindow(
        std::shared_ptr<TfrmRemindersWnd>(new TfrmRemindersWnd(std::move(soundPlayerFactory))));
    SetAlertDialogs(std::make_shared<TMessageBoxAlertDialogs>());
}

void DoneAlertWindows() {
    SetAlertDialogs(nullptr);
    SetRemindersWindow(nullptr);
    SetDesktopAlertQueue(nullptr);
    DoneTranspMsgBoxManager();
}

void AbandonAlertWindows() {
    static auto* kept = new std::vector<std::shared_ptr<void>>; // reachable: no leak to report
    kept->push_back(AlertDialogs());
    kept->push_back(RemindersWindow());
    kept->push_back(DesktopAlertQueue());
    SetAlertDialogs(nullptr);
    SetRemindersWindow(nullptr);
    SetDesktopAlertQueue(nullptr);
    AbandonTranspMsgBoxManager();
}

TfrmRemindersWnd* frmRemindersWnd() {
    return dynamic_cast<TfrmRemindersWnd*>(RemindersWindow().get());
}

#include "core/windows/alertwindowsetup.h"

#include <QCoreApplication>
#include <vector>

#include "core/mailoutbox.h"
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

std::shared_ptr<IMailOutbox> MakeMailOutbox() {
    // The outcomes are queued calls on an object of the GUI thread; freeing the outbox frees
    // it, which drops the calls still queued.
    auto receiver = std::make_shared<QObject>();
    return std::make_shared<TBackgroundMailOutbox>([receiver](std::function<void()> call) {
        QMetaObject::invokeMethod(receiver.get(), std::move(call), Qt::QueuedConnection);
    });
}

void InitAlertWindows(TSoundPlayerFactory soundPlayerFactory) {
    DoneAlertWindows();
    InitTranspMsgBoxManager();
    SetDesktopAlertQueue(std::make_shared<TDesktopAlertQueue>(*TranspMsgBoxManager()));
    SetRemindersWindow(
        std::shared_ptr<TfrmRemindersWnd>(new TfrmRemindersWnd(std::move(soundPlayerFactory))));
    SetAlertDialogs(std::make_shared<TMessageBoxAlertDialogs>());
    SetMailOutbox(MakeMailOutbox());
}

void DoneAlertWindows() {
    // An e-mail being sent goes out first; its outcome is dropped with the outbox.
    WaitForMailSends();
    SetMailOutbox(nullptr);
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

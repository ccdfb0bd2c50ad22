#include "core/alertwindows.h"

#include <cstdio>
#include <utility>

#include "core/mailer.h"
#include "platform/shell.h"
#include "platform/sysutils.h"

namespace {

std::shared_ptr<IRemindersWindow>& WindowSlot() {
    static std::shared_ptr<IRemindersWindow> slot;
    return slot;
}
std::shared_ptr<IDesktopAlertQueue>& QueueSlot() {
    static std::shared_ptr<IDesktopAlertQueue> slot;
    return slot;
}
std::shared_ptr<IAlertDialogs>& DialogsSlot() {
    static std::shared_ptr<IAlertDialogs> slot;
    return slot;
}
std::shared_ptr<IMailOutbox>& OutboxSlot() {
    static std::shared_ptr<IMailOutbox> slot;
    return slot;
}
TRunProgramFunc& RunSlot() {
    static TRunProgramFunc slot;
    return slot;
}
TSendMailFunc& MailSlot() {
    static TSendMailFunc slot;
    return slot;
}

void DefaultSendMail(const std::string& keyPath, const std::string& recipients,
                     const std::string& subject, const std::string& body, TMailDoneEvent done) {
    auto mailer = std::make_unique<TMailer>(keyPath, true);
    mailer->Compose(recipients, subject, body);
    if (auto outbox = MailOutbox()) {
        outbox->Send(std::move(mailer), std::move(done));
        return;
    }
    std::string error;
    try {
        mailer->SMTP.Send(mailer->Message);
    } catch (const std::exception& e) {
        error = *e.what() ? e.what() : "The e-mail could not be sent.";
    }
    if (done)
        done(error);
}

} // namespace

std::shared_ptr<IRemindersWindow> RemindersWindow() {
    return WindowSlot();
}
void SetRemindersWindow(std::shared_ptr<IRemindersWindow> window) {
    WindowSlot() = std::move(window);
}
std::shared_ptr<IDesktopAlertQueue> DesktopAlertQueue() {
    return QueueSlot();
}
void SetDesktopAlertQueue(std::shared_ptr<IDesktopAlertQueue> queue) {
    QueueSlot() = std::move(queue);
}
std::shared_ptr<IAlertDialogs> AlertDialogs() {
    return DialogsSlot();
}
void SetAlertDialogs(std::shared_ptr<IAlertDialogs> dialogs) {
    DialogsSlot() = std::move(dialogs);
}

std::shared_ptr<IMailOutbox> MailOutbox() {
    return OutboxSlot();
}
void SetMailOutbox(std::shared_ptr<IMailOutbox> outbox) {
    OutboxSlot() = std::move(outbox);
}

void ShowAlertBox(std::function<void()> box, const IReminderAwareItemPtr& owner,
                  const std::string& key) {
    if (auto window = RemindersWindow())
        window->ShowBoxInTurn(std::move(box), owner, key);
    else
        box();
}

void ShowAlertBoxNext(std::function<void()> box) {
    if (auto window = RemindersWindow())
        window->ShowBoxNext(std::move(box));
    else
        box();
}

void ShowAlertError(const std::string& text, const IReminderAwareItemPtr& owner) {
    ShowAlertBox(
        [text] {
            if (auto dialogs = AlertDialogs())
                dialogs->ShowErrorBox(text);
            else
                std::fprintf(stderr, "Tockwell: %s\n", text.c_str());
        },
        owner, "error: " + text);
}

void SetRunProgramFunc(TRunProgramFunc run) {
    RunSlot() = std::move(run);
}
bool RunAlertProgram(const std::string& commandLine) {
    if (RunSlot())
        return RunSlot()(commandLine);
    return RunCommandLine(commandLine);
}

void SetSendMailFunc(TSendMailFunc send) {
    MailSlot() = std::move(send);
}
void SendAlertMail(const std::string& keyPath, const std::string& recipients,
                   const std::string& subject, const std::string& body, TMailDoneEvent done) {
    if (MailSlot())
        MailSlot()(keyPath, recipients, subject, body, std::move(done));
    else
        DefaultSendMail(keyPath, recipients, subject, body, std::move(done));
}

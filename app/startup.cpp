#include "app/startup.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sys/socket.h>
#include <unistd.h>

#include "app/frmmain.h"
#include "app/helpsystem.h"
#include "app/zipprompts.h"
#include "controls/tree/treeclipboard.h"
#include "core/fixedformats.h"
#include "core/registrymanager.h"
#include "core/windows/alertwindowsetup.h"
#include "platform/gui/application.h"
#include "platform/gui/singleinstance.h"
#include "platform/gui/windowmessages.h"

namespace {

// The signal handler's only way out: the write end of a socket pair that the event loop
// watches. Set while RunTockwell runs.
int terminationPipe[2] = {-1, -1};

extern "C" void OnTerminationSignal(int) {
    char c = 1;
    if (terminationPipe[1] >= 0)
        (void)!::write(terminationPipe[1], &c, 1);
}

// SIGTERM, SIGINT and SIGHUP close the main window as the Exit command does, so the program
// ends through its normal path. Restores the default handlers at the end.
class TTerminationSignals {
public:
    explicit TTerminationSignals(std::function<void()> onSignal) {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, terminationPipe) != 0)
            return;
        notifier_ = std::make_unique<QSocketNotifier>(terminationPipe[0], QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [onSignal] {
            char buffer[16];
            (void)!::read(terminationPipe[0], buffer, sizeof buffer);
            CallGuarded(onSignal);
        });
        struct sigaction sa {};
        sa.sa_handler = OnTerminationSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        for (int sig : {SIGTERM, SIGINT, SIGHUP})
            ::sigaction(sig, &sa, nullptr);
    }
    ~TTerminationSignals() {
        for (int sig : {SIGTERM, SIGINT, SIGHUP})
            std::signal(sig, SIG_DFL);
        notifier_.reset();
        for (int& fd : terminationPipe) {
            if (fd >= 0)
                ::close(fd);
            fd = -1;
        }
    }
    TTerminationSignals(const TTerminationSignals&) = delete;
    TTerminationSignals& operator=(const TTerminationSignals&) = delete;

private:
    std::unique_ptr<QSocketNotifier> notifier_;
};

// The process-wide set-up before the main window: the fixed text formats of data files, the
// reminders window and desktop-alert queue that the alerts drive (freed at the end), and the
// zip library's boxes.
class TUnitInitialization {
public:
    TUnitInitialization() { InitFixedFormatSettings(); }

private:
    TAlertWindowsScope alertWindows_;
    TZipPromptsScope zipPrompts_;
};

// "--exit-when-painted" (for timing the start): the process ends as soon as the main window
// has painted itself with the data file's content.
class TExitWhenPainted : public QObject {
public:
    explicit TExitWhenPainted(TfrmMain& form) : form_(form) { qApp->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (!repaintAsked_) {
            if (!form_.DataFileOpenPending()) {
                repaintAsked_ = true;
                form_.update();
            }
        } else if (e->type() == QEvent::Paint) {
            auto* widget = qobject_cast<QWidget*>(watched);
            // Queued: it runs once this paint has gone to the screen.
            if (widget && widget->window() == &form_)
                QTimer::singleShot(0, [] {
                    std::fflush(nullptr);
                    std::_Exit(0);
                });
        }
        return false;
    }

private:
    TfrmMain& form_;
    bool repaintAsked_ = false;
};

extern "C" void AbandonWindowsAtExit() {
    if (QCoreApplication::instance())
        AbandonAlertWindows();
}

} // namespace

std::string AnswerInstanceRequest(TfrmMain* form, const std::string& request) {
    if (request == ActivateRequest) {
        if (!form)
            return StartingAnswer;
        SendWindowMessage(form, WM_ACTIVATE_INSTANCE);
        return DoneAnswer;
    }
    if (request == QuitRequest) {
        if (!form)
            return StartingAnswer;
        // Closed after the answer went out: closing ends the event loop.
        QTimer::singleShot(0, form, [f = QPointer<TfrmMain>(form)] {
            if (f)
                f->Exit();
        });
        return DoneAnswer;
    }
    return UnknownAnswer;
}

int RunTockwell(int argc, char** argv) {
    // Past a file-size limit a write fails (EFBIG) and the save reports it, instead of the
    // signal ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    TApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Tockwell"));
    app.setQuitOnLastWindowClosed(false);
    // The trees' references to each other carry a random token of this process.
    std::random_device entropy;
    InitializeTreeReferenceToken([&] { return (uint64_t(entropy()) << 32) | entropy(); });
    QStringList params = app.arguments().mid(1);
    const bool quit = params.removeAll(QStringLiteral("--quit")) > 0;
    const bool exitWhenPainted = params.removeAll(QStringLiteral("--exit-when-painted")) > 0;
    // A termination signal closes the main window; one that comes while the window is being
    // made closes it as soon as it exists.
    QPointer<TfrmMain> mainForm;
    bool terminate = false;
    TTerminationSignals terminationSignals([&] {
        if (mainForm)
            mainForm->Exit();
        else
            terminate = true;
    });

    // One instance per user.
    TSingleInstance instance("tockwell");
    bool first = true;
    try {
        first = instance.TryLock();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Tockwell: cannot check for a running instance: %s\n", e.what());
    }
    if (quit) {
        if (first)
            return 0; // nothing runs
        return instance.SendRequest(QuitRequest, InstanceAnswerTimeoutMs) ? 0 : 1;
    }
    if (!first && !RegistryValueExists(DebugSettingsKey, AllowMultipleInstancesValue)) {
        if (!instance.SendRequest(ActivateRequest, InstanceAnswerTimeoutMs))
            std::fprintf(stderr, "Tockwell is already running but does not answer.\n");
        return 0;
    }

    TUnitInitialization unit;
    // The help system's debug log; its switches are not data file names.
    std::vector<std::string> commandLine;
    for (const QString& arg : app.arguments())
        commandLine.push_back(arg.toStdString());
    THelpSystemScope helpSystem(commandLine);
    params.removeIf([](const QString& p) { return IsDebugSwitch(p.toStdString()); });
    // Qt ends the program with exit() when the display connection breaks. The process-wide
    // windows then stay as they are: destroyed among the statics, after statics of Qt and of
    // ours that they use, they would crash. (On every other way out they go with `unit`,
    // before the application object.) The data file was saved after every change.
    static const bool exitHookSet = std::atexit(AbandonWindowsAtExit) == 0;
    (void)exitHookSet;
    instance.OnRequest = [&mainForm](const std::string& request) {
        return AnswerInstanceRequest(mainForm.data(), request);
    };
    TfrmMain form(params);
    mainForm = &form;
    form.OnClosed = [] { QCoreApplication::quit(); };
    if (terminate)
        form.Exit();
    std::unique_ptr<TExitWhenPainted> exitWhenPaintedHook;
    if (exitWhenPainted)
        exitWhenPaintedHook = std::make_unique<TExitWhenPainted>(form);
    return app.exec();
}

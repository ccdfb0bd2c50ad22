#include "app/startup.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <utility>

#include "app/datafilestore.h"
#include "app/frmmain.h"
#include "app/helpsystem.h"
#include "app/programexit.h"
#include "app/programicons.h"
#include "app/zipprompts.h"
#include "controls/tree/treeclipboard.h"
#include "core/fixedformats.h"
#include "core/registrymanager.h"
#include "core/windows/alertwindowsetup.h"
#include "platform/gui/application.h"
#include "platform/gui/singleinstance.h"
#include "platform/gui/windowmessages.h"

namespace {

// The process-wide set-up before the main window: the fixed text formats of data files, the
// reminders window and desktop-alert queue that the alerts drive (freed at the end), the zip
// library's boxes, and the program's icon, which every window and box without one of its own
// carries, owner or not.
class TUnitInitialization {
public:
    TUnitInitialization() {
        InitFixedFormatSettings();
        QApplication::setWindowIcon(ProgramIcon());
    }

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

// The data file of the running main window, for its write at the end (WriteDataFileAtEnd).
TDataFileStore* endingDataFile = nullptr;

class TEndingDataFile {
public:
    explicit TEndingDataFile(TDataFileStore& store) { endingDataFile = &store; }
    ~TEndingDataFile() { endingDataFile = nullptr; }
    TEndingDataFile(const TEndingDataFile&) = delete;
    TEndingDataFile& operator=(const TEndingDataFile&) = delete;
};

// Every way out of the program passes here once: a change that a failed save left unwritten
// is written, without a box.
void WriteDataFileAtEnd() {
    if (TDataFileStore* store = std::exchange(endingDataFile, nullptr))
        store->WriteUnwrittenAtExit();
}

extern "C" void AbandonWindowsAtExit() {
    if (QCoreApplication::instance()) {
        WriteDataFileAtEnd();
        AbandonAlertWindows();
    }
}

// Qt's own options, which its application object takes off the command line, as "-name" or
// "--name": with the next parameter as their value when they take one, or for some of them
// as "-name=value".
struct TQtOption {
    std::string_view Name;
    bool TakesValue = true;
    bool EqualsForm = false;
};
constexpr TQtOption kQtOptions[] = {
    {"platform"},
    {"platformpluginpath"},
    {"platformtheme"},
    {"plugin"},
    {"qwindowgeometry"},
    {"qwindowicon"},
    {"qwindowtitle"},
    {"session"},
    {"style", true, true},
    {"stylesheet", true, true},
    {"qmljsdebugger", true, true},
    {"reverse", false},
    {"widgetcount", false},
    {"testability", false},
    // The X11 platform's.
    {"display"},
    {"geometry"},
    {"title"},
    {"icon"},
    {"name"},
    {"visual"},
    {"nograb", false},
    {"dograb", false},
};

} // namespace

std::vector<std::string> ProgramParameters(int argc, char** argv) {
    std::vector<std::string> params;
    for (int i = 1; i < argc; ++i) {
        const std::string_view p = argv[i];
        const TQtOption* option = nullptr;
        bool valueGiven = false;
        if (p.starts_with('-')) {
            const std::string_view name = p.substr(p.starts_with("--") ? 2 : 1);
            for (const TQtOption& o : kQtOptions) {
                valueGiven = o.EqualsForm && name.starts_with(o.Name) &&
                             name.substr(o.Name.size()).starts_with('=');
                if (name == o.Name || valueGiven) {
                    option = &o;
                    break;
                }
            }
        }
        if (!option)
            params.emplace_back(p);
        else if (option->TakesValue && !valueGiven)
            ++i;
    }
    return params;
}

std::string UnknownSwitch(const std::vector<std::string>& params) {
    for (const std::string& p : params)
        if (p.starts_with('-') && p != "--quit" && p != "--exit-when-painted" && !IsDebugSwitch(p))
            return p;
    return {};
}

std::string UsageText() {
    return "Usage: tockwell [data file] [--quit] [--exit-when-painted] [-debug]\n"
           "  --quit               ask the running Tockwell to exit and wait until it has ended\n"
           "  --exit-when-painted  exit as soon as the main window shows the data file\n"
           "  -debug, /debug       write the help system's debug log\n"
           "A data file whose name begins with \"-\" is given as ./name.\n";
}

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

bool QuitRunningInstance(TSingleInstance& instance) {
    const std::optional<std::string> answer =
        instance.SendRequest(QuitRequest, QuitAnswerTimeoutMs);
    bool signalled = answer == DoneAnswer;
    QDeadlineTimer deadline(QuitWaitMs);
    while (instance.InstanceRunning()) {
        if (deadline.hasExpired()) {
            std::fprintf(stderr, "Tockwell is still running; it did not end when asked to.\n");
            return false;
        }
        // Busy or still starting, it has not taken the request: the signal reaches it anyway.
        if (!signalled)
            if (const int pid = instance.RunningInstancePid(); pid > 0)
                signalled = ::kill(pid, SIGTERM) == 0;
        QThread::msleep(50);
    }
    return true;
}

int RunTockwell(int argc, char** argv) {
    // The switches are decided before anything needs the window system. A mistyped switch is
    // no data file name: refused before anything is stored, created or handed to a running
    // instance.
    const std::vector<std::string> given = ProgramParameters(argc, argv);
    if (const std::string unknown = UnknownSwitch(given); !unknown.empty()) {
        std::fprintf(stderr, "Tockwell: unknown switch \"%s\".\n%s", unknown.c_str(),
                     UsageText().c_str());
        return UsageExitCode;
    }
    const bool quit = std::ranges::count(given, "--quit") > 0;
    const bool exitWhenPainted = std::ranges::count(given, "--exit-when-painted") > 0;
    // Past a file-size limit a write fails (EFBIG) and the save reports it, instead of the
    // signal ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    // Made first, so that it also watches the end of everything made after it.
    TExitWatchdog watchdog{std::chrono::milliseconds(ExitGraceMs)};
    // "--quit" shows no window: it needs no display either.
    const std::unique_ptr<QCoreApplication> app =
        quit ? std::make_unique<QCoreApplication>(argc, argv)
             : std::make_unique<TApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Tockwell"));
    if (!quit)
        QGuiApplication::setQuitOnLastWindowClosed(false);
    // The trees' references to each other carry a random token of this process.
    std::random_device entropy;
    InitializeTreeReferenceToken([&] { return (uint64_t(entropy()) << 32) | entropy(); });
    // A termination signal closes the main window; one that comes while the window is being
    // made closes it as soon as it exists. The watchdog ends the process should that not come
    // about in time.
    QPointer<TfrmMain> mainForm;
    bool terminate = false;
    TTerminationSignals terminationSignals(watchdog, [&] {
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
        return QuitRunningInstance(instance) ? 0 : 1;
    }
    if (!first && !RegistryValueExists(DebugSettingsKey, AllowMultipleInstancesValue)) {
        if (!instance.SendRequest(ActivateRequest, InstanceAnswerTimeoutMs))
            std::fprintf(stderr, "Tockwell is already running but does not answer.\n");
        return 0;
    }

    TUnitInitialization unit;
    // The help system's debug log; its switches are not data file names.
    std::vector<std::string> commandLine{argv[0]};
    commandLine.insert(commandLine.end(), given.begin(), given.end());
    THelpSystemScope helpSystem(commandLine);
    QStringList params;
    for (const std::string& p : given)
        if (p != "--exit-when-painted" && !IsDebugSwitch(p))
            params.push_back(QString::fromLocal8Bit(p));
    // Qt ends the program with exit() when the display connection breaks. The process-wide
    // windows then stay as they are: destroyed among the statics, after statics of Qt and of
    // ours that they use, they would crash. (On every other way out they go with `unit`,
    // before the application object.) The data file is written as on the other ways out.
    static const bool exitHookSet = std::atexit(AbandonWindowsAtExit) == 0;
    (void)exitHookSet;
    instance.OnRequest = [&mainForm, &watchdog](const std::string& request) {
        std::string answer = AnswerInstanceRequest(mainForm.data(), request);
        if (request == QuitRequest && answer == DoneAnswer)
            watchdog.Arm();
        return answer;
    };
    TfrmMain form(params);
    mainForm = &form;
    form.DataFile().WriteLock = &watchdog.WriteLock();
    const TEndingDataFile ending(form.DataFile());
    form.OnClosed = [&watchdog] {
        watchdog.Arm();
        LeaveEventLoop();
    };
    if (terminate)
        form.Exit();
    std::unique_ptr<TExitWhenPainted> exitWhenPaintedHook;
    if (exitWhenPainted)
        exitWhenPaintedHook = std::make_unique<TExitWhenPainted>(form);
    const int code = QCoreApplication::exec();
    // Within the watchdog's grace: its end waits for a write under way (WriteLock).
    WriteDataFileAtEnd();
    return code;
}

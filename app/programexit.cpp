#include "app/programexit.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "core/mailoutbox.h"
#include "platform/gui/application.h"
#include "platform/sysutils.h"

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// What the signal handler reaches: the write end of a socket pair that the event loop watches,
// and the watchdog. Set while a TTerminationSignals exists.
int signalPipe[2] = {-1, -1};
TExitWatchdog* signalWatchdog = nullptr;

extern "C" void OnTerminationSignal(int) {
    const int saved = errno;
    if (signalWatchdog)
        signalWatchdog->Arm(true);
    char c = 1;
    if (signalPipe[1] >= 0)
        (void)!::write(signalPipe[1], &c, 1);
    errno = saved;
}

// One command byte from fd, waiting at most timeoutMs (-1: no limit); 0 on time-out.
char ReadCommand(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    for (;;) {
        const int n = ::poll(&p, 1, timeoutMs);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return 0;
        char c = 0;
        const ssize_t r = ::read(fd, &c, 1);
        if (r < 0 && errno == EINTR)
            continue;
        return r == 1 ? c : 'S'; // a closed pipe stops the thread
    }
}

} // namespace

// ---- TExitWatchdog ----------------------------------------------------------------------

void TExitWatchdog::EndProcess() {
    static const char text[] =
        "Tockwell: the program did not end in time after it was asked to; it ends now.\n";
    (void)!::write(STDERR_FILENO, text, sizeof text - 1);
    ::_exit(1);
}

TExitWatchdog::TExitWatchdog(std::chrono::milliseconds grace)
    : HoldUntil(MailSendsEnd), grace_(grace) {
    if (::pipe2(pipe_, O_CLOEXEC) != 0)
        RaiseLastOSError("Can not create the exit watchdog's pipe");
    // A full pipe must not block a signal handler (one byte is all it takes anyway).
    ::fcntl(pipe_[1], F_SETFL, O_NONBLOCK);
    thread_ = std::thread([this] { Run(); });
}

TExitWatchdog::~TExitWatchdog() {
    const char c = 'S';
    (void)!::write(pipe_[1], &c, 1);
    thread_.join();
    for (int fd : pipe_)
        ::close(fd);
}

void TExitWatchdog::Arm(bool bySignal) {
    const char c = bySignal ? 'T' : 'A';
    (void)!::write(pipe_[1], &c, 1);
}

void TExitWatchdog::Run() {
    using TClock = std::chrono::steady_clock;
    bool armed = false, signalled = false;
    // Takes the next command, waiting at most timeoutMs (-1: no limit); false on 'S'.
    auto command = [&](int timeoutMs) {
        const char c = ReadCommand(pipe_[0], timeoutMs);
        armed |= c == 'A' || c == 'T';
        signalled |= c == 'T';
        return c != 'S';
    };
    auto msUntil = [](TClock::time_point t) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(t - TClock::now()).count();
    };
    // Waits out the grace; false when stopped.
    auto grace = [&] {
        const auto deadline = TClock::now() + grace_;
        for (long long left; (left = msUntil(deadline)) > 0;)
            if (!command(int(left)))
                return false;
        return true;
    };
    while (!armed)
        if (!command(-1))
            return;
    if (!grace())
        return;
    if (!signalled && HoldUntil) {
        // Work under way holds the end off, up to HoldWait; the grace then starts again.
        const auto limit = TClock::now() + HoldWait;
        bool held = false;
        for (long long left; !signalled && (left = msUntil(std::min(HoldUntil(), limit))) > 0;) {
            held = true;
            if (!command(int(std::min<long long>(left, 50))))
                return;
        }
        if (held && !signalled && !grace())
            return;
    }
    std::unique_lock lock(writeLock_, std::defer_lock);
    (void)lock.try_lock_for(WriteWait);
    if (OnExpired)
        OnExpired();
}

// ---- TTerminationSignals ----------------------------------------------------------------

TTerminationSignals::TTerminationSignals(TExitWatchdog& watchdog, std::function<void()> onSignal) {
    signalWatchdog = &watchdog;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) == 0) {
        ::fcntl(signalPipe[1], F_SETFL, O_NONBLOCK);
        notifier_ = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [onSignal] {
            char buffer[16];
            (void)!::read(signalPipe[0], buffer, sizeof buffer);
            CallGuarded(onSignal);
        });
    }
    struct sigaction sa {};
    sa.sa_handler = OnTerminationSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : kSignals)
        ::sigaction(sig, &sa, nullptr);
}

TTerminationSignals::~TTerminationSignals() {
    for (int sig : kSignals)
        std::signal(sig, SIG_DFL);
    signalWatchdog = nullptr;
    notifier_.reset();
    for (int& fd : signalPipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void LeaveEventLoop() {
    SetApplicationLeaving();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            w->hide();
    QCoreApplication::exit(0);
}

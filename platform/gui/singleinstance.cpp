#include "platform/gui/singleinstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/gui/application.h"
#include "platform/sysutils.h"

namespace {

// A connection that sends no complete request within this time is dropped.
constexpr int kRequestWaitMs = 5000;

// True when path is a real folder (not a link) of this user that nobody else can enter.
bool PrivateFolder(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 077) == 0;
}

} // namespace

TSingleInstance::TSingleInstance(std::string name, std::string folder)
    : name_(std::move(name)), folder_(std::move(folder)) {}

TSingleInstance::~TSingleInstance() {
    if (server_)
        server_->close();
    if (lockFd_ >= 0)
        ::close(lockFd_); // releases the lock
}

std::string TSingleInstance::RuntimeFolder() {
    if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && xdg[0] && PrivateFolder(xdg))
        return xdg;
    std::string tmp = QDir::tempPath().toStdString();
    std::string folder = tmp + "/tockwell-" + std::to_string(::getuid());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        RaiseLastOSError("Can not create folder " + folder);
    if (!PrivateFolder(folder))
        throw Exception("The folder " + folder + " is not private to this user.");
    return folder;
}

std::string TSingleInstance::FileName(const char* ext) const {
    return (folder_.empty() ? RuntimeFolder() : folder_) + "/" + name_ + ext;
}

std::string TSingleInstance::LockFileName() const {
    return FileName(".lock");
}

std::string TSingleInstance::SocketName() const {
    return FileName(".socket");
}

bool TSingleInstance::TryLock() {
    if (Owner())
        return true;
    if (folder_.empty())
        folder_ = RuntimeFolder();
    const std::string lockName = LockFileName();
    int fd = ::open(lockName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        RaiseLastOSError("Can not open " + lockName);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK)
            return false;
        errno = err;
        RaiseLastOSError("Can not lock " + lockName);
    }
    lockFd_ = fd;
    // Whoever finds the lock taken can tell which process holds it.
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, pid.data(), pid.size(), 0) < 0)
        std::fprintf(stderr, "Tockwell: cannot record the process id in %s: %s\n", lockName.c_str(),
                     std::strerror(errno));

    // Only the lock holder listens, so a socket file found now was left by a crashed instance.
    const QString socketName = QString::fromStdString(SocketName());
    QLocalServer::removeServer(socketName);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(socketName)) {
        std::string reason = server_->errorString().toStdString();
        delete server_;
        server_ = nullptr;
        ::close(lockFd_);
        lockFd_ = -1;
        throw Exception("Can not listen on " + socketName.toStdString() + ": " + reason);
    }
    connect(server_, &QLocalServer::newConnection, this, [this] { AcceptConnections(); });
    return true;
}

bool TSingleInstance::InstanceRunning() const {
    if (Owner())
        return true;
    const int fd = ::open(LockFileName().c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    // A shared lock is refused exactly while someone holds the exclusive one.
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd); // also drops the shared lock when it was granted
    return held;
}

int TSingleInstance::RunningInstancePid() const {
    if (Owner())
        return int(::getpid());
    if (!InstanceRunning())
        return 0;
    const int fd = ::open(LockFileName().c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return 0;
    char text[24] = {};
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    ::close(fd);
    if (n <= 0)
        return 0;
    char* end = nullptr;
    const long pid = std::strtol(text, &end, 10);
    return pid > 0 && pid <= INT_MAX && end != text && (*end == '\n' || *end == 0) ? int(pid) : 0;
}

void TSingleInstance::AcceptConnections() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(kRequestWaitMs, socket, [socket] { socket->abort(); });
        auto read = [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > MaxRequestBytes)
                    socket->abort();
                return;
            }
            QByteArray line = socket->readLine(MaxRequestBytes + 1);
            if (!line.endsWith('\n')) {
                socket->abort();
                return;
            }
            line.chop(1);
            // Answered once; a second line on the same connection is not read.
            socket->disconnect(this);
            std::string answer;
            QPointer<QLocalSocket> alive(socket);
            CallGuarded([&] {
                if (OnRequest)
                    answer = OnRequest(line.toStdString());
            });
            if (!alive)
                return;
            answer.erase(std::remove(answer.begin(), answer.end(), '\n'), answer.end());
            socket->write(QByteArray::fromStdString(answer + "\n"));
            socket->flush();
            socket->disconnectFromServer();
        };
        connect(socket, &QLocalSocket::readyRead, this, read);
        read(); // the request may have arrived with the connection
    }
}

std::optional<std::string> TSingleInstance::SendRequest(const std::string& request,
                                                        int timeoutMs) const {
    const QString socketName = QString::fromStdString(SocketName());
    QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(socketName);
        if (socket.waitForConnected(int(deadline.remainingTime())))
            break;
        socket.abort();
        if (deadline.hasExpired())
            return std::nullopt;
        // The running instance may not be listening yet.
        QThread::msleep(50);
    }
    socket.write(QByteArray::fromStdString(request + "\n"));
    if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
        return std::nullopt;
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() || socket.state() != QLocalSocket::ConnectedState)
            return std::nullopt;
        socket.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
    }
    QByteArray line = socket.readLine(MaxRequestBytes + 1);
    if (line.endsWith('\n'))
        line.chop(1);
    return line.toStdString();
}

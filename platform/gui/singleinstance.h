#pragma once
// One running instance per user. The first start holds an exclusive lock (flock) on a lock
// file for its lifetime and listens on a local socket beside it; a later start finds the lock
// taken, sends its request over the socket to the running instance and waits for the answer.
// The lock holder records its process id in the lock file. The lock ends with the process, so a
// crashed instance never blocks a new start, and its left-over socket file is removed by the next
// first instance. Both files live in a folder only the user can reach. GUI thread only.

#include <QObject>
#include <functional>
#include <optional>
#include <string>

class QLocalServer;

class TSingleInstance : public QObject {
    Q_OBJECT
public:
    // name: the file names' stem ("<name>.lock", "<name>.socket"); folder: where they live
    // ("" = RuntimeFolder()).
    explicit TSingleInstance(std::string name, std::string folder = {});
    // Stops listening and releases the lock.
    ~TSingleInstance() override;
    TSingleInstance(const TSingleInstance&) = delete;
    TSingleInstance& operator=(const TSingleInstance&) = delete;

    // Takes the lock without waiting. True when this is the first instance: it then removes a
    // stale socket file and listens for requests. False when another process holds the lock.
    // Raises Exception when the folder is not private or the lock file or socket cannot be made.
    bool TryLock();
    // True while this object holds the lock.
    bool Owner() const { return lockFd_ >= 0; }
    // True while any instance (this one included) holds the lock.
    bool InstanceRunning() const;
    // The process id that the lock holder recorded; 0 while nobody holds the lock or when
    // none is recorded yet.
    int RunningInstancePid() const;

    // Sends request (one line, no line break in it) to the running instance and waits up to
    // timeoutMs milliseconds in all for its one-line answer (connecting is retried while the
    // instance is still starting). nullopt when no answer came in time.
    std::optional<std::string> SendRequest(const std::string& request, int timeoutMs) const;

    // Answers a request of a later start (on the GUI thread): returns the answer line. Unset,
    // every request is answered with the empty line.
    std::function<std::string(const std::string& request)> OnRequest;

    std::string LockFileName() const;
    std::string SocketName() const;

    // $XDG_RUNTIME_DIR when it is set and is a folder of the user's own that nobody else can
    // enter; otherwise "<temp>/tockwell-<uid>", created with mode 0700. Raises Exception when
    // that folder exists but is not such a folder.
    static std::string RuntimeFolder();
    // Requests longer than this are dropped unanswered.
    static constexpr int MaxRequestBytes = 4096;

private:
    // "<folder>/<name><ext>".
    std::string FileName(const char* ext) const;
    void AcceptConnections();

    std::string name_;
    std::string folder_;
    int lockFd_ = -1;
    QLocalServer* server_ = nullptr; // child of this object
};

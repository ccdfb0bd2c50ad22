#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocalServer>
#include <future>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/gui/singleinstance.h"
#include "testutil.h"

namespace {

// Runs the event loop until the future is ready (the answering instance lives on this thread).
template <class T> T Await(std::future<T>& f) {
    QElapsedTimer t;
    t.start();
    while (f.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready &&
           t.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return f.get();
}

// A socket file as a crashed process leaves it: bound, never unlinked, nobody listening.
void LeaveStaleSocket(const std::string& path) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(fd);
}

} // namespace

TEST(SingleInstance, SecondStartHandsItsRequestToTheFirst) {
    TempDir dir;
    LeaveStaleSocket(dir.File("t.socket"));

    TSingleInstance first("t", dir.Path().string());
    std::vector<std::string> requests;
    first.OnRequest = [&](const std::string& r) {
        requests.push_back(r);
        return "shown";
    };
    // The stale socket does not keep the first instance out.
    ASSERT_TRUE(first.TryLock());
    EXPECT_TRUE(first.Owner());
    struct stat st {};
    ASSERT_EQ(::stat(first.LockFileName().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    TSingleInstance second("t", dir.Path().string());
    EXPECT_FALSE(second.TryLock());
    EXPECT_FALSE(second.Owner());
    auto answer =
        std::async(std::launch::async, [&] { return second.SendRequest("activate", 5000); });
    EXPECT_EQ(Await(answer), std::optional<std::string>("shown"));
    EXPECT_EQ(requests, std::vector<std::string>{"activate"});

    // An oversized request is dropped without an answer.
    auto big = std::async(std::launch::async, [&] {
        return second.SendRequest(std::string(TSingleInstance::MaxRequestBytes + 10, 'x'), 3000);
    });
    EXPECT_EQ(Await(big), std::nullopt);
    EXPECT_EQ(requests.size(), 1u);
}

TEST(SingleInstance, LockEndsWithTheInstance) {
    TempDir dir;
    TSingleInstance next("t", dir.Path().string());
    {
        TSingleInstance first("t", dir.Path().string());
        ASSERT_TRUE(first.TryLock());
        // Another start can tell that it runs and which process it is.
        EXPECT_TRUE(next.InstanceRunning());
        EXPECT_EQ(next.RunningInstancePid(), int(::getpid()));
    }
    EXPECT_FALSE(next.InstanceRunning());
    EXPECT_EQ(next.RunningInstancePid(), 0);
    EXPECT_TRUE(next.TryLock());

    // Nobody listening, or a listener that never answers: the request gives up in time.
    TSingleInstance lonely("other", dir.Path().string());
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(lonely.SendRequest("activate", 300), std::nullopt);
    QLocalServer mute;
    ASSERT_TRUE(mute.listen(QString::fromStdString(lonely.SocketName())));
    EXPECT_EQ(lonely.SendRequest("activate", 300), std::nullopt);
    EXPECT_LT(t.elapsed(), 3000);
}

TEST(SingleInstance, RuntimeFolderIsPrivate) {
    TempDir dir;
    std::string open = dir.File("open");
    ::mkdir(open.c_str(), 0755);
    std::string tmp = dir.File("tmp");
    ::mkdir(tmp.c_str(), 0777);
    ScopedEnv runtime("XDG_RUNTIME_DIR", open.c_str()); // others may enter: not used
    ScopedEnv tmpdir("TMPDIR", tmp.c_str());
    std::string folder = TSingleInstance::RuntimeFolder();
    EXPECT_EQ(folder, tmp + "/tockwell-" + std::to_string(::getuid()));
    struct stat st {};
    ASSERT_EQ(::lstat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // A folder of that name that others can enter is refused.
    ::chmod(folder.c_str(), 0755);
    EXPECT_THROW(TSingleInstance::RuntimeFolder(), std::exception);
}

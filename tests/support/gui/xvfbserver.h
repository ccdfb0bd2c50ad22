#pragma once
// An X server of a test's own, stopped with the object. Xvfb picks a free display itself
// (-displayfd), so tests run side by side do not clash, and it never resets: by default it
// starts over whenever its last client leaves (an xdotool call, say), refusing whoever
// connects just then.
#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QThread>
#include <algorithm>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

class TXvfbServer {
public:
    // Starts Xvfb with one screen of Geometry ("WxHxDepth") and the Extra arguments. Display()
    // is empty when Xvfb is not installed or took no connection within TimeoutMs.
    explicit TXvfbServer(const QString& Geometry, const QStringList& Extra = {},
                         int TimeoutMs = 30000) {
        if (QStandardPaths::findExecutable("Xvfb").isEmpty())
            return;
        QElapsedTimer clock;
        clock.start();
        auto left = [&] { return int(std::max<qint64>(0, TimeoutMs - clock.elapsed())); };
        server_.setStandardErrorFile(QProcess::nullDevice());
        server_.start("Xvfb", QStringList{"-displayfd", "1", "-nolisten", "tcp", "-noreset"} +
                                  Extra + QStringList{"-screen", "0", Geometry});
        if (!server_.waitForStarted(left()))
            return;
        QByteArray number;
        while (!number.contains('\n') && left() > 0 && server_.waitForReadyRead(left()))
            number += server_.readAllStandardOutput();
        if (number.trimmed().isEmpty())
            return;
        const std::string name = ":" + number.trimmed().toStdString();
        // The number comes once the server listens; a busy machine may still be slow to take
        // the first connection.
        while (!Accepts(name)) {
            if (left() == 0 || server_.state() == QProcess::NotRunning)
                return;
            QThread::msleep(20);
        }
        display_ = name;
    }
    ~TXvfbServer() {
        if (server_.state() != QProcess::NotRunning) {
            server_.terminate();
            if (!server_.waitForFinished(10000))
                Kill();
        }
    }
    TXvfbServer(const TXvfbServer&) = delete;
    TXvfbServer& operator=(const TXvfbServer&) = delete;

    // ":N", or "" when the server did not start.
    const std::string& Display() const { return display_; }
    QString DisplayName() const { return QString::fromStdString(display_); }
    // Ends the server at once, as a crash or a logout would.
    void Kill() {
        if (server_.state() != QProcess::NotRunning) {
            server_.kill();
            server_.waitForFinished(5000);
        }
    }

private:
    static bool Accepts(const std::string& display) {
        const std::string path = "/tmp/.X11-unix/X" + display.substr(1);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        const bool ok = fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&address),
                                             sizeof(address)) == 0;
        if (fd >= 0)
            close(fd);
        return ok;
    }

    std::string display_;
    QProcess server_;
};

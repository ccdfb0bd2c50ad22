#include "fakesmtpserver.h"

#include <arpa/inet.h>
#include <cctype>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Waits until fd is ready for events; false when the stop pipe fired or fd broke.
bool WaitFor(int fd, short events, int stopFd) {
    pollfd p[2] = {{fd, events, 0}, {stopFd, POLLIN, 0}};
    while (true) {
        int n = ::poll(p, 2, -1);
        if (n < 0)
            return false;
        if (p[1].revents)
            return false;
        if (p[0].revents)
            return true;
    }
}

class TConnection {
public:
    TConnection(int fd, int stopFd, int replyDelayMs)
        : fd_(fd), stopFd_(stopFd), replyDelayMs_(replyDelayMs) {}

    // The next line without its CR LF; false when the client went or the server stops.
    bool ReadLine(std::string& line) {
        size_t nl;
        while ((nl = buffer_.find('\n')) == std::string::npos) {
            if (!WaitFor(fd_, POLLIN, stopFd_))
                return false;
            char chunk[4096];
            ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
            if (n <= 0) {
                clientClosed = true;
                return false;
            }
            buffer_.append(chunk, static_cast<size_t>(n));
        }
        line = buffer_.substr(0, nl);
        buffer_.erase(0, nl + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        return true;
    }

    // Sends text after the reply delay; false when the client went or the server stops.
    bool Send(const std::string& text) {
        if (replyDelayMs_ > 0) {
            pollfd stop{stopFd_, POLLIN, 0};
            if (::poll(&stop, 1, replyDelayMs_) != 0)
                return false;
        }
        size_t done = 0;
        while (done < text.size()) {
            if (!WaitFor(fd_, POLLOUT, stopFd_))
                return false;
            ssize_t n = ::send(fd_, text.data() + done, text.size() - done, MSG_NOSIGNAL);
            if (n <= 0) {
                clientClosed = true;
                return false;
            }
            done += static_cast<size_t>(n);
        }
        return true;
    }

    bool clientClosed = false;

private:
    int fd_, stopFd_, replyDelayMs_;
    std::string buffer_;
};

std::string Verb(const std::string& line) {
    std::string verb = line.substr(0, line.find(' '));
    for (char& c : verb)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return verb;
}

} // namespace

TFakeSmtpServer::TFakeSmtpServer(TSmtpMisbehaviour how, int replyDelayMs)
    : how_(how), replyDelayMs_(replyDelayMs) {
    if (::pipe(stopPipe_) != 0)
        throw std::runtime_error("cannot make a pipe");
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        throw std::runtime_error("cannot set up the fake SMTP server's socket");
    port_ = ntohs(a.sin_port);
    acceptor_ = std::thread([this] { Accept(); });
}

TFakeSmtpServer::~TFakeSmtpServer() {
    char c = 1;
    (void)!::write(stopPipe_[1], &c, 1);
    acceptor_.join();
    for (std::thread& t : sessions_)
        t.join();
    ::close(listener_);
    ::close(stopPipe_[0]);
    ::close(stopPipe_[1]);
}

void TFakeSmtpServer::Accept() {
    while (WaitFor(listener_, POLLIN, stopPipe_[0])) {
        int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        ++connections_;
        std::lock_guard<std::mutex> lock(mutex_);
        sessions_.emplace_back([this, fd] {
            Serve(fd);
            ::close(fd);
        });
    }
}

void TFakeSmtpServer::Serve(int fd) {
    TConnection c(fd, stopPipe_[0], replyDelayMs_);
    std::string line;
    bool ok = c.Send("220 fake.localdomain ESMTP\r\n");
    while (ok && c.ReadLine(line)) {
        const std::string verb = Verb(line);
        if (how_ == TSmtpMisbehaviour::Garbage) {
            ok = c.Send("What do you mean, \x01\xfe?\r\n");
        } else if (verb == "EHLO" || verb == "HELO") {
            if (how_ == TSmtpMisbehaviour::EndlessReply) {
                const std::string lines = std::string("250-") + std::string(70, 'x') + "\r\n";
                std::string block;
                for (int i = 0; i < 64; ++i)
                    block += lines;
                while (c.Send(block)) {
                }
                ok = false;
            } else {
                ok = c.Send("250 fake.localdomain\r\n");
            }
        } else if (verb == "MAIL" && how_ == TSmtpMisbehaviour::CloseMidSession) {
            return; // hangs up
        } else if (verb == "MAIL" || verb == "RCPT") {
            ok = c.Send("250 OK\r\n");
        } else if (verb == "DATA") {
            ok = c.Send("354 End data with <CR><LF>.<CR><LF>\r\n");
            while (ok && c.ReadLine(line) && line != ".") {
            }
            if (ok && !c.clientClosed && line == ".") {
                ++messages_;
                if (how_ == TSmtpMisbehaviour::None) {
                    ok = c.Send("250 OK queued\r\n");
                    continue;
                }
                // Stalls: reads whatever comes and never answers.
                while (c.ReadLine(line)) {
                }
                ok = false;
            }
        } else if (verb == "QUIT") {
            c.Send("221 Bye\r\n");
            return;
        } else {
            ok = c.Send("502 Not implemented\r\n");
        }
    }
    if (c.clientClosed)
        ++closedByClient_;
}

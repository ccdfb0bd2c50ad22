#pragma once
// An SMTP server on 127.0.0.1 that misbehaves in one chosen way (or not at all), for the tests of
// what a slow, stalled or broken mail server may do to the program. Each connection is served on a
// thread of its own; the destructor drops every connection and joins the threads at once.

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

enum class TSmtpMisbehaviour {
    None,            // takes every message ("250") and answers QUIT
    StallAfterData,  // takes the whole message, then never answers again (QUIT included)
    Garbage,         // greets, then answers every command with a line that is no reply
    CloseMidSession, // greets and answers EHLO, then hangs up on MAIL FROM
    EndlessReply,    // greets, then answers EHLO with reply lines that never end
};

class TFakeSmtpServer {
public:
    // Each reply (the greeting included) goes out replyDelayMs late. Raises std::runtime_error
    // when no socket can be set up.
    explicit TFakeSmtpServer(TSmtpMisbehaviour how, int replyDelayMs = 0);
    ~TFakeSmtpServer();
    TFakeSmtpServer(const TFakeSmtpServer&) = delete;
    TFakeSmtpServer& operator=(const TFakeSmtpServer&) = delete;

    int Port() const { return port_; }
    // Connections taken so far.
    int Connections() const { return connections_; }
    // Messages received up to their final "." line.
    int Messages() const { return messages_; }
    // Connections that the client closed (or reset) while the server still held them.
    int ClosedByClient() const { return closedByClient_; }

private:
    void Accept();
    void Serve(int fd);

    TSmtpMisbehaviour how_;
    int replyDelayMs_;
    int listener_ = -1;
    int stopPipe_[2] = {-1, -1};
    int port_ = 0;
    std::atomic<int> connections_{0}, messages_{0}, closedByClient_{0};
    std::mutex mutex_;
    std::vector<std::thread> sessions_;
    std::thread acceptor_;
};

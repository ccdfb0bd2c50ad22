#pragma once
// The test SMTP server (tests/core/smtp_test_server.py, Python's aiosmtpd) in a child process
// of its own, listening on 127.0.0.1. Each message it receives is written to a numbered
// folder below the given one, one file per decoded field.

#include <string>
#include <sys/types.h>

class TTestSmtpServer {
public:
    // Starts the server (with a login when user is given) and waits for its port. Running() is
    // false when it could not start; Why() says why.
    TTestSmtpServer(const std::string& folder, const std::string& user = {},
                    const std::string& password = {});
    ~TTestSmtpServer();
    TTestSmtpServer(const TTestSmtpServer&) = delete;
    TTestSmtpServer& operator=(const TTestSmtpServer&) = delete;

    bool Running() const { return port_ > 0; }
    const std::string& Why() const { return why_; }
    int Port() const { return port_; }
    // A decoded field of the n-th message received (from 1); "" when it does not exist.
    std::string Field(int n, const std::string& name) const;
    int Received() const;

private:
    std::string folder_;
    pid_t pid_ = 0;
    int port_ = 0;
    std::string why_;
};

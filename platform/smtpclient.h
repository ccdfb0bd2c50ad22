#pragma once
// An SMTP client over libcurl: one call makes the whole session (connect, greet, STARTTLS
// when the server offers it, log in when asked to, send one message, quit).

#include <atomic>
#include <memory>
#include <string>

#include "platform/mailmessage.h"
#include "platform/sysutils.h"

// A failed SMTP session. Message holds curl's account of the failure followed, when the
// server refused something, by the server's reply ("Login denied: 535 5.7.8 ...").
class ESMTPError : public Exception {
public:
    ESMTPError(std::string message, int curlCode, int replyCode)
        : Exception(std::move(message)), CurlCode(curlCode), ReplyCode(replyCode) {}
    int CurlCode;  // the CURLcode, 0 when the session was not started
    int ReplyCode; // the server's last reply code, 0 when none came
};

// The stored authentication types: none, or log in with the user name and password
// (by the best mechanism the server offers) whenever a user name is set.
enum TSMTPAuthenticationType : int { satNone = 0, satDefault = 1 };

class TSMTPClient {
public:
    std::string Host;
    int Port = 25; // 465 means TLS from the start, any other port STARTTLS when offered
    int AuthType = satDefault;
    std::string Username;
    std::string Password;
    std::string MailAgent;     // the "X-Mailer" header
    int ConnectTimeout = 5000; // ms to set up the connection
    // ms for the whole session, the closing of the connection included, so that a stalled
    // server cannot hold the caller longer (a session that waits for a reply may be ended
    // up to a second before)
    int Timeout = 30000;
    // A session that moves less than a byte a second for this long also fails (seconds).
    int LowSpeedTime = 15;
    // When set, another thread may set the flag to end the session: it stops within about a
    // second (its sockets shut down) and fails with "Sending was cancelled.".
    std::shared_ptr<std::atomic<bool>> Cancel;

    // Sends the message to its recipients, the sender address as the envelope sender.
    // Raises ESMTPError, before connecting, when the host, port or sender address is unusable
    // or there is no recipient; afterwards when the connection, TLS, login or any command
    // fails, the time runs out or the session is cancelled.
    void Send(const TMailMessage& message) const;
};

#include "platform/smtpclient.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <curl/curl.h>
#include <memory>
#include <mutex>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

struct TCurlDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
    void operator()(CURLU* u) const { curl_url_cleanup(u); }
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
using TCurlPtr = std::unique_ptr<CURL, TCurlDeleter>;
using TUrlPtr = std::unique_ptr<CURLU, TCurlDeleter>;
using TSlistPtr = std::unique_ptr<curl_slist, TCurlDeleter>;

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct TUpload {
    std::string_view data;
    size_t pos = 0;
};

size_t ReadUpload(char* buffer, size_t size, size_t count, void* user) {
    auto* up = static_cast<TUpload*>(user);
    size_t n = std::min(size * count, up->data.size() - up->pos);
    std::memcpy(buffer, up->data.data() + up->pos, n);
    up->pos += n;
    return n;
}

// The server's replies as they arrive; the last complete one (its lines joined by blanks, at
// most MaxKept bytes of them) is kept with its code. The reply to QUIT, which follows any
// failure, is not kept.
struct TReplies {
    static constexpr size_t MaxKept = 512;
    std::string partial; // bytes of an unfinished line
    std::string current; // lines of an unfinished multi-line reply
    std::string last;
    int lastCode = 0;
    bool quitting = false;

    void Sent(std::string_view data) {
        if (data.size() >= 4 && data.substr(0, 4) == "QUIT")
            quitting = true;
    }

    void Feed(std::string_view data) {
        if (quitting)
            return;
        partial.append(data);
        size_t nl;
        while ((nl = partial.find('\n')) != std::string::npos) {
            std::string line = partial.substr(0, nl);
            partial.erase(0, nl + 1);
            while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
                line.pop_back();
            if (line.size() < 3 || !std::isdigit(static_cast<unsigned char>(line[0])) ||
                !std::isdigit(static_cast<unsigned char>(line[1])) ||
                !std::isdigit(static_cast<unsigned char>(line[2])))
                continue;
            if (current.empty())
                current = line.substr(0, MaxKept);
            else if (line.size() > 4 && current.size() < MaxKept)
                current += " " + line.substr(4, MaxKept - current.size());
            if (line.size() == 3 || line[3] != '-') {
                last = std::move(current);
                lastCode = std::stoi(line.substr(0, 3));
                current.clear();
            }
        }
    }
};

// Server replies come as CURLINFO_HEADER_IN, our commands as CURLINFO_HEADER_OUT (of which
// only the command name is looked at; credentials are never kept).
int OnDebug(CURL*, curl_infotype type, char* data, size_t size, void* user) {
    auto* replies = static_cast<TReplies*>(user);
    if (type == CURLINFO_HEADER_IN)
        replies->Feed(std::string_view(data, size));
    else if (type == CURLINFO_HEADER_OUT)
        replies->Sent(std::string_view(data, size));
    return 0;
}

// Ends the session once its time is up. libcurl's own time-out does not cover its blocking
// waits for a reply (to the message's end, to QUIT), where it checks progress only about once
// a second; so this check ends the session up to that second early, and shuts the session's
// sockets down so that nothing more waits for the server.
struct TDeadline {
    std::chrono::steady_clock::time_point at;
    bool passed = false;
    const std::atomic<bool>* cancel = nullptr; // set from another thread: end now
    bool cancelled = false;
    std::vector<curl_socket_t> sockets; // open now
};

curl_socket_t OnOpenSocket(void* user, curlsocktype, curl_sockaddr* address) {
    curl_socket_t fd =
        ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    if (fd != CURL_SOCKET_BAD)
        static_cast<TDeadline*>(user)->sockets.push_back(fd);
    return fd;
}

int OnCloseSocket(void* user, curl_socket_t fd) {
    auto& sockets = static_cast<TDeadline*>(user)->sockets;
    sockets.erase(std::remove(sockets.begin(), sockets.end(), fd), sockets.end());
    return ::close(fd);
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* deadline = static_cast<TDeadline*>(user);
    if (deadline->cancel && deadline->cancel->load())
        deadline->cancelled = true;
    else if (std::chrono::steady_clock::now() < deadline->at)
        return 0;
    else
        deadline->passed = true;
    for (curl_socket_t fd : deadline->sockets)
        ::shutdown(fd, SHUT_RDWR);
    return 1;
}

[[noreturn]] void Fail(const std::string& message) {
    throw ESMTPError(message, 0, 0);
}

template <class T> void SetOption(CURL* curl, CURLoption option, T value) {
    CURLcode rc = curl_easy_setopt(curl, option, value);
    if (rc != CURLE_OK)
        throw ESMTPError(std::string("SMTP set-up failed: ") + curl_easy_strerror(rc), rc, 0);
}

} // namespace

void TSMTPClient::Send(const TMailMessage& message) const {
    std::string host = Trim(Host);
    if (host.empty())
        Fail("SMTP server is not configured.");
    if (Port < 1 || Port > 65535)
        Fail("Invalid SMTP port: " + IntToStr(Port));
    std::string sender = CleanAddress(message.From.Address);
    if (sender.empty())
        Fail("The sender's e-mail address is not set.");

    InitCurlOnce();
    TCurlPtr curl(curl_easy_init());
    TUrlPtr url(curl_url());
    if (!curl || !url)
        Fail("SMTP set-up failed: out of memory");

    // The URL is built part by part, so nothing in the host name can reach its other parts.
    std::string urlHost =
        host.find(':') != std::string::npos && host[0] != '[' ? "[" + host + "]" : host;
    if (curl_url_set(url.get(), CURLUPART_SCHEME, Port == 465 ? "smtps" : "smtp", 0) != CURLUE_OK ||
        curl_url_set(url.get(), CURLUPART_HOST, urlHost.c_str(), 0) != CURLUE_OK ||
        curl_url_set(url.get(), CURLUPART_PORT, std::to_string(Port).c_str(), 0) != CURLUE_OK)
        Fail("Invalid SMTP server name: " + host);

    TSlistPtr recipients;
    for (const std::string& r : message.Recipients) {
        std::string address = CleanAddress(r);
        if (address.empty())
            continue;
        curl_slist* grown = curl_slist_append(recipients.get(), ("<" + address + ">").c_str());
        if (!grown)
            Fail("SMTP set-up failed: out of memory");
        recipients.release();
        recipients.reset(grown);
    }
    if (!recipients)
        Fail("No recipient address given.");

    std::string text = message.ComposeText(MailAgent);
    TUpload upload{text};
    TReplies replies;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    std::string from = "<" + sender + ">";
    const long timeout = std::max(Timeout, 1);
    const long margin = std::min(1000L, timeout / 2);
    TDeadline deadline;
    deadline.at = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout - margin);
    deadline.cancel = Cancel.get();
    if (deadline.cancel && deadline.cancel->load())
        Fail("Sending was cancelled.");

    CURL* c = curl.get();
    SetOption(c, CURLOPT_ERRORBUFFER, errorBuffer);
    SetOption(c, CURLOPT_CURLU, url.get());
    SetOption(c, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    SetOption(c, CURLOPT_NOSIGNAL, 1L);
    SetOption(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
    SetOption(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(ConnectTimeout));
    SetOption(c, CURLOPT_TIMEOUT_MS, timeout);
    SetOption(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, (timeout + 999) / 1000);
    SetOption(c, CURLOPT_NOPROGRESS, 0L);
    SetOption(c, CURLOPT_XFERINFOFUNCTION, &OnProgress);
    SetOption(c, CURLOPT_XFERINFODATA, &deadline);
    SetOption(c, CURLOPT_OPENSOCKETFUNCTION, &OnOpenSocket);
    SetOption(c, CURLOPT_OPENSOCKETDATA, &deadline);
    SetOption(c, CURLOPT_CLOSESOCKETFUNCTION, &OnCloseSocket);
    SetOption(c, CURLOPT_CLOSESOCKETDATA, &deadline);
    // The connection is closed before the call returns (and within its time), not kept for
    // a later cleanup that could wait for the server again.
    SetOption(c, CURLOPT_FORBID_REUSE, 1L);
    if (LowSpeedTime > 0) {
        SetOption(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
        SetOption(c, CURLOPT_LOW_SPEED_TIME, static_cast<long>(LowSpeedTime));
    }
    if (AuthType != satNone && !Username.empty()) {
        SetOption(c, CURLOPT_USERNAME, Username.c_str());
        SetOption(c, CURLOPT_PASSWORD, Password.c_str());
    }
    SetOption(c, CURLOPT_MAIL_FROM, from.c_str());
    SetOption(c, CURLOPT_MAIL_RCPT, recipients.get());
    SetOption(c, CURLOPT_UPLOAD, 1L);
    SetOption(c, CURLOPT_READFUNCTION, &ReadUpload);
    SetOption(c, CURLOPT_READDATA, &upload);
    SetOption(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(text.size()));
    SetOption(c, CURLOPT_DEBUGFUNCTION, &OnDebug);
    SetOption(c, CURLOPT_DEBUGDATA, &replies);
    SetOption(c, CURLOPT_VERBOSE, 1L); // feeds OnDebug; nothing is printed

    CURLcode rc = curl_easy_perform(c);
    if (rc == CURLE_OK)
        return;
    std::string reason = errorBuffer[0] ? errorBuffer : curl_easy_strerror(rc);
    if (rc == CURLE_RECV_ERROR && errorBuffer[0]) // "response reading failed" alone says little
        reason = std::string(curl_easy_strerror(rc)) + ": " + errorBuffer;
    if (deadline.cancelled)
        throw ESMTPError("Sending was cancelled.", rc, replies.lastCode);
    if (rc == CURLE_ABORTED_BY_CALLBACK && deadline.passed) {
        rc = CURLE_OPERATION_TIMEDOUT;
        reason = "SMTP session timed out: the server did not answer in time";
    }
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r'))
        reason.pop_back();
    if (replies.lastCode >= 400)
        reason += ": " + replies.last;
    throw ESMTPError(reason, rc, replies.lastCode);
}

#pragma once
// The e-mail sender of the alerts: the SMTP account settings kept under a registry key and
// one plain-text message sent with them.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/mailmessage.h"
#include "platform/smtpclient.h"

// The key (under HKEY_CURRENT_USER) the program keeps its SMTP settings in.
inline constexpr const char* SMTPSettingsKey =
    "Software\\Fernhollow\\Tockwell\\Settings\\SMTPSettings";

// The connect time-out every mailer's client gets, in milliseconds.
inline constexpr int MailerConnectTimeoutMs = 5000;

class TMailer {
public:
    // A client whose mail agent is "Microsoft Office Outlook 11" and connect time-out
    // 5000 ms, and a text/plain message in "windows-1251"; with loadNow, LoadSettings.
    explicit TMailer(std::string keyPath, bool loadNow = false);

    std::string KeyPath;
    TMailMessage Message;
    TSMTPClient SMTP;
    // Random numbers for the message identifier; tests may fix them.
    std::function<uint64_t()> Random;

    // Reads the settings under KeyPath without creating it. A missing or unreadable value
    // gives its default: "" for host, credentials and sender, "windows-1251" for "CharSet",
    // and the client's current port and authentication type. The stored user name and
    // password are unscrambled.
    void LoadSettings();
    // Writes host, port, user name and password (scrambled, binary), sender address, sender
    // name and character set under KeyPath, creating it. Raises ERegistryException when the
    // key cannot be written or a credential exceeds 1024 bytes.
    void SaveSettings();
    // Makes Message the mail of body with the subject to every address of recipients
    // (SplitRecipients), dated Now(), with a new identifier.
    void Compose(std::string_view recipients, const std::string& subject, const std::string& body);
    // Compose, then sends Message with SMTP. Raises ESMTPError on any failure, carrying the
    // server's reply when it sent one.
    void Send(std::string_view recipients, const std::string& subject, const std::string& body);
};

// The addresses of a recipients text: ',' and ';' separate them; blank pieces are skipped
// and each address is trimmed.
std::vector<std::string> SplitRecipients(std::string_view recipients);

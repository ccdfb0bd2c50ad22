#include "core/mailer.h"

#include <random>

#include "core/registrymanager.h"
#include "core/texthelpers.h"
#include "platform/datetime.h"

namespace {

// A scrambled credential; a value that cannot be read (wrong type, too long) counts as
// missing, so the settings can still be loaded and saved over it.
std::string ReadCredential(const TRegistryManager& reg, const std::string& name) {
    try {
        return XorWithKey(reg.ReadBinaryString(name), CredentialsXorKey);
    } catch (const Exception&) {
        return {};
    }
}

} // namespace

TMailer::TMailer(std::string keyPath, bool loadNow) : KeyPath(std::move(keyPath)) {
    SMTP.MailAgent = "Microsoft Office Outlook 11";
    SMTP.ConnectTimeout = MailerConnectTimeoutMs;
    Message.ContentType = "text/plain";
    Message.CharSet = "windows-1251";
    Random = [] {
        std::random_device rd;
        return (static_cast<uint64_t>(rd()) << 32) ^ rd();
    };
    if (loadNow)
        LoadSettings();
}

void TMailer::LoadSettings() {
    TRegistryManager reg(KeyPath, HKEY_CURRENT_USER, true);
    SMTP.Host = reg.ReadStringDef("host", "");
    SMTP.Port = reg.ReadIntegerDef("port", SMTP.Port);
    SMTP.AuthType = reg.ReadIntegerDef("Authentication", SMTP.AuthType);
    SMTP.Username = ReadCredential(reg, "SMTPUsrName");
    SMTP.Password = ReadCredential(reg, "SMTPPwd");
    Message.From.Address = reg.ReadStringDef("EmailFrom", "");
    Message.From.Name = reg.ReadStringDef("NameFrom", "");
    Message.CharSet = reg.ReadStringDef("CharSet", "windows-1251");
}

void TMailer::SaveSettings() {
    TRegistryManager reg(KeyPath, HKEY_CURRENT_USER, false);
    reg.WriteStringValue("host", SMTP.Host);
    reg.WriteIntegerValue("port", SMTP.Port);
    reg.WriteBinaryString("SMTPUsrName", XorWithKey(SMTP.Username, CredentialsXorKey));
    reg.WriteBinaryString("SMTPPwd", XorWithKey(SMTP.Password, CredentialsXorKey));
    reg.WriteStringValue("EmailFrom", Message.From.Address);
    reg.WriteStringValue("NameFrom", Message.From.Name);
    reg.WriteStringValue("CharSet", Message.CharSet);
}

void TMailer::Compose(std::string_view recipients, const std::string& subject,
                      const std::string& body) {
    Message.Recipients = SplitRecipients(recipients);
    Message.Subject = subject;
    Message.Body = body;
    Message.Date = Now();
    Message.MsgId = NewMessageId(Message.From.Address, Message.Date, Random ? Random() : 0);
}

void TMailer::Send(std::string_view recipients, const std::string& subject,
                   const std::string& body) {
    Compose(recipients, subject, body);
    SMTP.Send(Message);
}

std::vector<std::string> SplitRecipients(std::string_view recipients) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= recipients.size()) {
        size_t end = recipients.find_first_of(",;", start);
        if (end == std::string_view::npos)
            end = recipients.size();
        std::string part = Trim(recipients.substr(start, end - start));
        if (!part.empty())
            out.push_back(std::move(part));
        start = end + 1;
    }
    return out;
}

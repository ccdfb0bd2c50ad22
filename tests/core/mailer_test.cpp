#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "core/mailer.h"
#include "core/registrymanager.h"
#include "core/texthelpers.h"
#include "fakesmtpserver.h"
#include "smtptestserver.h"
#include "testutil.h"

namespace {

// A TCP socket on 127.0.0.1 that is bound and, when listening, takes connections into its
// backlog but never accepts or answers them; not listening, it refuses them.
class TSilentSocket {
public:
    explicit TSilentSocket(bool listening) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            (listening && listen(fd_, 8) != 0) ||
            getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            throw std::runtime_error("cannot set up a socket");
        port_ = ntohs(a.sin_port);
    }
    ~TSilentSocket() { close(fd_); }
    int Port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

// Stores account settings the way the options page does and gives a mailer loaded from them.
std::unique_ptr<TMailer> LoadedMailer(int port, const std::string& charset = "windows-1251",
                                      const std::string& user = {},
                                      const std::string& password = {}) {
    TMailer setup(SMTPSettingsKey);
    setup.SMTP.Host = "127.0.0.1";
    setup.SMTP.Port = port;
    setup.SMTP.Username = user;
    setup.SMTP.Password = password;
    setup.Message.From = {"Tockwell Alerts", "alerts@example.org"};
    setup.Message.CharSet = charset;
    setup.SaveSettings();
    return std::make_unique<TMailer>(SMTPSettingsKey, true);
}

} // namespace

TEST(Mailer, SettingsRoundTripThroughTheRegistryWithScrambledCredentials) {
    TempRegistry temp;
    TMailer fresh(SMTPSettingsKey, true); // nothing stored yet
    EXPECT_EQ(fresh.Message.CharSet, "windows-1251");
    EXPECT_EQ(fresh.SMTP.Port, 25);
    EXPECT_EQ(fresh.SMTP.AuthType, satDefault);
    EXPECT_EQ(fresh.SMTP.Host, "");
    EXPECT_EQ(fresh.SMTP.MailAgent, "Microsoft Office Outlook 11");
    EXPECT_EQ(fresh.SMTP.ConnectTimeout, 5000);
    EXPECT_FALSE(TRegistryManager(SMTPSettingsKey, HKEY_CURRENT_USER, true).HasCurrentKey());

    TMailer a(SMTPSettingsKey);
    a.SMTP.Host = "smtp.example.org";
    a.SMTP.Port = 587;
    a.SMTP.Username = "анна@example.org";
    a.SMTP.Password = "pa55 word";
    a.Message.From = {"Anna", "anna@example.org"};
    a.Message.CharSet = "koi8-r";
    a.SaveSettings();

    TMailer b(SMTPSettingsKey, true);
    EXPECT_EQ(b.SMTP.Host, "smtp.example.org");
    EXPECT_EQ(b.SMTP.Port, 587);
    EXPECT_EQ(b.SMTP.Username, "анна@example.org");
    EXPECT_EQ(b.SMTP.Password, "pa55 word");
    EXPECT_EQ(b.Message.From.Address, "anna@example.org");
    EXPECT_EQ(b.Message.From.Name, "Anna");
    EXPECT_EQ(b.Message.From.Text(), "Anna <anna@example.org>");
    EXPECT_EQ(b.Message.CharSet, "koi8-r");

    TRegistryManager reg(SMTPSettingsKey, HKEY_CURRENT_USER, true);
    EXPECT_EQ(reg.GetDataType("SMTPUsrName"), rdBinary);
    std::string stored = reg.ReadBinaryString("SMTPPwd");
    EXPECT_EQ(stored.size(), std::string("pa55 word").size());
    EXPECT_NE(stored, "pa55 word");
    EXPECT_EQ(XorWithKey(stored, CredentialsXorKey), "pa55 word");
    EXPECT_FALSE(reg.ValueExists("Authentication")); // read, never written

    // The stored authentication type is honoured; a credential of the wrong type reads as
    // empty instead of making the settings unloadable.
    {
        TRegistryManager w(SMTPSettingsKey);
        w.WriteIntegerValue("Authentication", satNone);
        w.WriteStringValue("SMTPUsrName", "not binary");
    }
    TMailer c(SMTPSettingsKey, true);
    EXPECT_EQ(c.SMTP.AuthType, satNone);
    EXPECT_EQ(c.SMTP.Username, "");
    EXPECT_EQ(c.SMTP.Password, "pa55 word");
}

TEST(Mailer, RecipientsSplitAtCommasAndSemicolons) {
    EXPECT_EQ(SplitRecipients("ann@x.org, bob@y.org;carl@z.org"),
              (std::vector<std::string>{"ann@x.org", "bob@y.org", "carl@z.org"}));
    EXPECT_EQ(SplitRecipients(" ; ,ann@x.org,, ;"), (std::vector<std::string>{"ann@x.org"}));
    EXPECT_TRUE(SplitRecipients("").empty());
    EXPECT_TRUE(SplitRecipients(" , ; ").empty());

    EXPECT_EQ(CleanAddress("  Ann Smith <ann@x.org> "), "ann@x.org");
    EXPECT_EQ(CleanAddress("ann@x.org\r\nBcc: eve@evil.example"), "ann@x.orgBcc: eve@evil.example");
    EXPECT_EQ(CleanAddress("\tbob@y.org\n"), "bob@y.org");
}

TEST(Mailer, DateHeaderCarriesTheLocalZoneOffset) {
    const char* old = std::getenv("TZ");
    std::string saved = old ? old : "";
    TDateTime t = EncodeDateTime(2024, 3, 15, 9, 30, 5, 0);
    setenv("TZ", "XYZ-3", 1);
    tzset();
    std::string east = FormatMailDate(t);
    setenv("TZ", "ABC+5:30", 1);
    tzset();
    std::string west = FormatMailDate(t);
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    EXPECT_EQ(east, "Fri, 15 Mar 2024 09:30:05 +0300");
    EXPECT_EQ(west, "Fri, 15 Mar 2024 09:30:05 -0530");
}

TEST(Mailer, UnusableServerSettingsFailBeforeConnecting) {
    TempRegistry temp;
    TMailer m(SMTPSettingsKey, true);
    m.Message.From.Address = "a@example.org";
    EXPECT_THROW(m.Send("b@example.org", "s", "b"), ESMTPError); // no host
    m.SMTP.Host = "127.0.0.1";
    EXPECT_THROW(m.Send(" ; ", "s", "b"), ESMTPError); // no recipient
    m.SMTP.Port = 70000;
    try {
        m.Send("b@example.org", "s", "b");
        FAIL() << "an invalid port was accepted";
    } catch (const ESMTPError& e) {
        EXPECT_EQ(e.Message, "Invalid SMTP port: 70000");
    }
    m.SMTP.Port = 25;
    m.SMTP.Host = "bad host/name";
    EXPECT_THROW(m.Send("b@example.org", "s", "b"), ESMTPError);
}

TEST(Mailer, ClosedPortFailsQuickly) {
    TempRegistry temp;
    TSilentSocket closed(false);
    auto m = LoadedMailer(closed.Port());
    auto start = std::chrono::steady_clock::now();
    try {
        m->Send("ann@example.org", "Subject", "Body");
        FAIL() << "sending to a closed port succeeded";
    } catch (const ESMTPError& e) {
        EXPECT_NE(e.Message.find("onnect"), std::string::npos) << e.Message;
    }
    EXPECT_LT(SecondsSince(start), 3.0);
}

TEST(Mailer, StalledServerFailsWithinTheBoundedTime) {
    TempRegistry temp;
    TSilentSocket stalled(true);
    auto m = LoadedMailer(stalled.Port());
    m->SMTP.Timeout = 1500;
    auto start = std::chrono::steady_clock::now();
    try {
        m->Send("ann@example.org", "Subject", "Body");
        FAIL() << "sending to a silent server succeeded";
    } catch (const ESMTPError& e) {
        EXPECT_NE(e.Message.find("timed out"), std::string::npos) << e.Message;
    }
    double took = SecondsSince(start); // at most a second early, never late
    EXPECT_GE(took, 0.7);
    EXPECT_LT(took, 2.0);
}

// Each test gets a server of its own (without login; MailerLoginServer: with one).
class MailerServer : public ::testing::Test {
protected:
    void SetUp() override { Start(); }
    void Start(const std::string& user = {}, const std::string& password = {}) {
        server_ = std::make_unique<TTestSmtpServer>(dir_.Path().string(), user, password);
        if (!server_->Running())
            GTEST_SKIP() << "The test SMTP server needs Python's aiosmtpd (Debian "
                            "python3-aiosmtpd): "
                         << server_->Why();
    }
    TTestSmtpServer& Server() { return *server_; }

    TempRegistry registry_;
    TempDir dir_;
    FixedClock clock_{EncodeDateTime(2024, 3, 15, 9, 30, 0, 0)};
    std::unique_ptr<TTestSmtpServer> server_;
};

TEST_F(MailerServer, CyrillicTextGoesOutInWindows1251WithAllHeaders) {
    auto m = LoadedMailer(Server().Port());
    // Long enough for several encoded words.
    m->Message.From.Name = "Иван Петров-Водкин, главный по напоминаниям и встречам";
    std::string subject = "Напоминание: встреча с отделом продаж в переговорной комнате номер "
                          "двенадцать, не опаздывать!";
    std::string body = "Привет!\nВстреча в 10:00.\r\nНе забудь отчёт.\n";
    m->Send("ann@example.org, bob@example.org;carl@example.org", subject, body);

    ASSERT_EQ(Server().Received(), 1);
    EXPECT_EQ(Server().Field(1, "mail_from"), "alerts@example.org");
    EXPECT_EQ(Server().Field(1, "rcpt_tos"), "ann@example.org\nbob@example.org\ncarl@example.org");
    EXPECT_EQ(Server().Field(1, "to"), "ann@example.org, bob@example.org, carl@example.org");
    EXPECT_EQ(Server().Field(1, "from_name"), m->Message.From.Name);
    EXPECT_EQ(Server().Field(1, "from_addr"), "alerts@example.org");
    EXPECT_EQ(Server().Field(1, "subject"), subject);
    EXPECT_EQ(Server().Field(1, "date"), "2024-03-15T09:30:00+00:00");
    EXPECT_EQ(Server().Field(1, "x_mailer"), "Microsoft Office Outlook 11");
    EXPECT_EQ(Server().Field(1, "mime_version"), "1.0");
    EXPECT_EQ(Server().Field(1, "content_type"), "text/plain");
    EXPECT_EQ(Server().Field(1, "charset"), "windows-1251");
    EXPECT_EQ(Server().Field(1, "cte"), "base64"); // shorter than quoted-printable here
    EXPECT_EQ(Server().Field(1, "body"), "Привет!\nВстреча в 10:00.\nНе забудь отчёт.\n");
    std::string id = Server().Field(1, "message_id");
    EXPECT_EQ(id.front(), '<');
    EXPECT_NE(id.find("@example.org>"), std::string::npos) << id;
    EXPECT_EQ(Server().Field(1, "headers"),
              "From\nTo\nSubject\nDate\nMessage-ID\nMIME-Version\nContent-Type\n"
              "Content-Transfer-Encoding\nX-Mailer");

    // Every line of what went over the wire ends with CR LF and headers stay short.
    std::string raw = Server().Field(1, "raw");
    size_t headerEnd = raw.find("\r\n\r\n");
    ASSERT_NE(headerEnd, std::string::npos);
    size_t start = 0;
    while (start < raw.size()) {
        size_t end = raw.find("\r\n", start);
        ASSERT_NE(end, std::string::npos) << "unterminated last line";
        EXPECT_EQ(raw.substr(start, end - start).find('\n'), std::string::npos);
        EXPECT_LE(end - start, start < headerEnd ? 90u : 76u);
        for (unsigned char c : raw.substr(start, end - start))
            ASSERT_LT(c, 0x80) << "8-bit byte on the wire";
        start = end + 2;
    }
    // A second send with the same mailer goes to its own recipients only.
    m->Send("dora@example.org", "Второе", "Текст");
    ASSERT_EQ(Server().Received(), 2);
    EXPECT_EQ(Server().Field(2, "rcpt_tos"), "dora@example.org");
    EXPECT_NE(Server().Field(2, "message_id"), id);
}

TEST_F(MailerServer, CharacterSetFallsBackToUtf8WhenTheTextDoesNotFit) {
    struct Case {
        std::string charset, body, wantCharset, wantEncoding;
    };
    std::string latin = "Grüße aus München, ça va? " + std::string(120, 'x') + " end   \n" +
                        "Zeile mit = und =?x?= und Tab\t\n";
    const Case cases[] = {
        {"windows-1251", "Grüße aus München ✓\n", "utf-8", ""}, // 1251 lacks ü and ✓
        {"iso-8859-1", latin, "iso-8859-1", "quoted-printable"},
        {"koi8-r", "Съешь же ещё этих мягких французских булок\n", "koi8-r", "base64"},
        {"x-no-such-charset", "Ärger\n", "utf-8", "quoted-printable"},
        {"", "naïve\n", "utf-8", "quoted-printable"},
        {"windows-1251", "Bad bytes \xFF\xC0 here\n", "utf-8", ""},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE("charset " + c.charset);
        auto m = LoadedMailer(Server().Port(), c.charset);
        m->Send("ann@example.org", "Test", c.body);
        ++n;
        ASSERT_EQ(Server().Received(), n);
        EXPECT_EQ(Server().Field(n, "charset"), c.wantCharset);
        if (!c.wantEncoding.empty()) {
            EXPECT_EQ(Server().Field(n, "cte"), c.wantEncoding);
        }
        std::string want = c.body;
        if (c.body.find('\xFF') != std::string::npos)
            want = "Bad bytes \xEF\xBF\xBD\xEF\xBF\xBD here\n";
        EXPECT_EQ(Server().Field(n, "body"), want);
    }
}

TEST_F(MailerServer, AsciiBodyKeepsEveryAwkwardLine) {
    auto m = LoadedMailer(Server().Port());
    std::string body = std::string(300, 'a') +
                       "\n.\n..two dots\nFrom the start\nspaces at end   \n" +
                       "\n\nafter blank lines\rCR only\r\nno final break";
    std::string subject = "A long plain subject that has to be folded somewhere because it goes on "
                          "and on well past the seventy-eight characters a header line should hold";
    m->Send("ann@example.org", subject, body);
    ASSERT_EQ(Server().Received(), 1);
    EXPECT_EQ(Server().Field(1, "cte"), "7bit");
    EXPECT_EQ(Server().Field(1, "subject"), subject);
    EXPECT_EQ(Server().Field(1, "body"), std::string(300, 'a') +
                                             "\n.\n..two dots\nFrom the start\nspaces at end   \n" +
                                             "\n\nafter blank lines\nCR only\nno final break\n");
}

TEST_F(MailerServer, LineBreaksCannotInjectHeaders) {
    auto m = LoadedMailer(Server().Port(), "utf-8\r\nBcc: eve@evil.example");
    m->Message.From.Name = "Eve\r\nBcc: eve@evil.example";
    m->Send("ann@example.org", "Hello\r\nBcc: eve@evil.example\r\n\r\nfake body", "Real body\n");
    ASSERT_EQ(Server().Received(), 1);
    EXPECT_EQ(Server().Field(1, "rcpt_tos"), "ann@example.org");
    EXPECT_EQ(Server().Field(1, "headers").find("Bcc"), std::string::npos);
    EXPECT_EQ(Server().Field(1, "subject"), "Hello Bcc: eve@evil.example fake body");
    EXPECT_EQ(Server().Field(1, "from_name"), "Eve Bcc: eve@evil.example");
    EXPECT_EQ(Server().Field(1, "charset"), "utf-8");
    EXPECT_EQ(Server().Field(1, "body"), "Real body\n");
}

class MailerLoginServer : public MailerServer {
protected:
    void SetUp() override { Start("tockwell", "s3cret pw"); }
};

TEST_F(MailerLoginServer, LogsInWhenTheServerRequiresIt) {
    auto good = LoadedMailer(Server().Port(), "windows-1251", "tockwell", "s3cret pw");
    good->Send("ann@example.org", "Logged in", "Body");
    ASSERT_EQ(Server().Received(), 1);
    EXPECT_EQ(Server().Field(1, "login"), "tockwell");

    auto bad = LoadedMailer(Server().Port(), "windows-1251", "tockwell", "wrong");
    try {
        bad->Send("ann@example.org", "Refused", "Body");
        FAIL() << "a wrong password was accepted";
    } catch (const ESMTPError& e) {
        EXPECT_EQ(e.ReplyCode, 535);
        EXPECT_NE(e.Message.find("535 5.7.8 Wrong user name or password for tests"),
                  std::string::npos)
            << e.Message;
    }

    // The stored type 0 means no login at all, so this server refuses the mail.
    TRegistryManager(SMTPSettingsKey).WriteIntegerValue("Authentication", satNone);
    auto none = std::make_unique<TMailer>(SMTPSettingsKey, true);
    none->SMTP.Password = "s3cret pw";
    try {
        none->Send("ann@example.org", "No login", "Body");
        FAIL() << "a server requiring a login took mail without one";
    } catch (const ESMTPError& e) {
        EXPECT_EQ(e.ReplyCode, 530);
        EXPECT_NE(e.Message.find("Authentication required"), std::string::npos) << e.Message;
    }
    EXPECT_EQ(Server().Received(), 1);
}

// Whatever a server does, the whole session ends within the client's time, the connection
// closed on our side included, with a message that says what went wrong.
TEST(Mailer, MisbehavingServersCannotHoldTheSessionPastItsTime) {
    struct Case {
        TSmtpMisbehaviour how;
        const char* name;
        const char* message; // a piece of the failure's message
        int messages;        // messages the server received in full
    };
    const Case cases[] = {
        {TSmtpMisbehaviour::StallAfterData, "stall after DATA", "timed out", 1},
        {TSmtpMisbehaviour::Garbage, "garbage", "timed out", 0},
        {TSmtpMisbehaviour::CloseMidSession, "close mid-session", "receiving data", 0},
        {TSmtpMisbehaviour::EndlessReply, "endless reply", "response", 0},
    };
    TempRegistry temp;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TFakeSmtpServer server(c.how);
        auto m = LoadedMailer(server.Port());
        m->SMTP.Timeout = 1500;
        auto start = std::chrono::steady_clock::now();
        try {
            m->Send("ann@example.org", "Subject", "Body");
            FAIL() << "the send succeeded";
        } catch (const ESMTPError& e) {
            EXPECT_NE(e.Message.find(c.message), std::string::npos) << e.Message;
            EXPECT_LT(e.Message.size(), 2000u);
        }
        EXPECT_LT(SecondsSince(start), 2.0);
        EXPECT_EQ(server.Connections(), 1);
        EXPECT_EQ(server.Messages(), c.messages);
        if (c.how != TSmtpMisbehaviour::CloseMidSession) {
            // The server sees the connection go within moments.
            WaitUntil([&] { return server.ClosedByClient() != 0; }, 2000);
            EXPECT_EQ(server.ClosedByClient(), 1);
        }
    }
}

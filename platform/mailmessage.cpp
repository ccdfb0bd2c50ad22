#include "platform/mailmessage.h"

#include <cctype>
#include <optional>

#include "platform/charsets.h"
#include "platform/datetimeformat.h"
#include "platform/sysutils.h"

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr size_t kFoldAt = 78;       // preferred longest header line
constexpr size_t kLongestWord = 76;  // longer words go out as encoded words
constexpr size_t kQpLine = 76;       // longest quoted-printable line, soft break included
constexpr size_t kLongestLine = 998; // longest line SMTP carries

// A character-set name that can stand in a MIME parameter as a token (and, having no '/',
// cannot smuggle iconv options in).
bool IsCharsetToken(std::string_view s) {
    if (s.empty() || s.size() > 64)
        return false;
    for (unsigned char c : s)
        if (c <= ' ' || c >= 0x7F ||
            std::string_view("()<>@,;:\\\"/[]?=").find(c) != std::string_view::npos)
            return false;
    return true;
}

// LF, CR LF and lone CR all become CR LF.
std::string CanonicalLineBreaks(std::string_view s) {
    std::string out;
    out.reserve(s.size() + s.size() / 16);
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r') {
            out += kCrLf;
            if (i + 1 < s.size() && s[i + 1] == '\n')
                ++i;
        } else if (s[i] == '\n') {
            out += kCrLf;
        } else {
            out += s[i];
        }
    }
    return out;
}

bool Fits7Bit(std::string_view crlfText) {
    size_t lineLen = 0;
    for (size_t i = 0; i < crlfText.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(crlfText[i]);
        if (c == '\r' && i + 1 < crlfText.size() && crlfText[i + 1] == '\n') {
            lineLen = 0;
            ++i;
            continue;
        }
        if ((c < ' ' && c != '\t') || c >= 0x7F || ++lineLen > kLongestLine)
            return false;
    }
    return true;
}

const char kHex[] = "0123456789ABCDEF";

std::string QuotedPrintable(std::string_view crlfText) {
    std::string out;
    size_t lineLen = 0;
    size_t i = 0;
    while (i < crlfText.size()) {
        if (crlfText.compare(i, 2, kCrLf) == 0) {
            out += kCrLf;
            lineLen = 0;
            i += 2;
            continue;
        }
        unsigned char c = static_cast<unsigned char>(crlfText[i]);
        bool lineEnds = i + 1 == crlfText.size() || crlfText.compare(i + 1, 2, kCrLf) == 0;
        bool literal = (c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !lineEnds);
        std::string token = literal ? std::string(1, static_cast<char>(c))
                                    : std::string{'=', kHex[c >> 4], kHex[c & 15]};
        // Leave room for the soft break '=' unless this token ends the line.
        size_t room = lineEnds ? kQpLine : kQpLine - 1;
        if (lineLen + token.size() > room) {
            out += "=\r\n";
            lineLen = 0;
        }
        out += token;
        lineLen += token.size();
        ++i;
    }
    return out;
}

const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string Base64(std::string_view data) {
    std::string out;
    out.reserve((data.size() + 2) / 3 * 4);
    for (size_t i = 0; i < data.size(); i += 3) {
        uint32_t n = static_cast<unsigned char>(data[i]) << 16;
        if (i + 1 < data.size())
            n |= static_cast<unsigned char>(data[i + 1]) << 8;
        if (i + 2 < data.size())
            n |= static_cast<unsigned char>(data[i + 2]);
        out += kBase64[(n >> 18) & 63];
        out += kBase64[(n >> 12) & 63];
        out += i + 1 < data.size() ? kBase64[(n >> 6) & 63] : '=';
        out += i + 2 < data.size() ? kBase64[n & 63] : '=';
    }
    return out;
}

std::string Base64Lines(std::string_view data) {
    std::string flat = Base64(data), out;
    for (size_t i = 0; i < flat.size(); i += 76) {
        out.append(flat, i, 76);
        out += kCrLf;
    }
    return out;
}

// Header text on one line: every run of CR and LF, and every other control character,
// becomes a blank; malformed UTF-8 becomes U+FFFD.
std::string OneLine(std::string_view s) {
    std::string valid = ValidUtf8(s), out;
    for (size_t i = 0; i < valid.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(valid[i]);
        if (c == '\r' || c == '\n') {
            while (i + 1 < valid.size() && (valid[i + 1] == '\r' || valid[i + 1] == '\n'))
                ++i;
            out += ' ';
        } else {
            out += c < ' ' || c == 0x7F ? ' ' : static_cast<char>(c);
        }
    }
    return out;
}

size_t Utf8SequenceLength(unsigned char c) {
    return c < 0xC0 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
}

// RFC 2047 encoded words ("=?UTF-8?B?...?=") of valid UTF-8 text, each at most 75 characters
// and never splitting a character, separated by blanks (where FoldedHeader may fold).
std::string EncodedWords(std::string_view utf8) {
    constexpr size_t maxBytes = 45; // 60 base64 characters within the 75
    std::string out;
    size_t i = 0;
    while (i < utf8.size()) {
        size_t end = i;
        while (end < utf8.size()) {
            size_t len = Utf8SequenceLength(static_cast<unsigned char>(utf8[end]));
            if (end + len - i > maxBytes && end > i)
                break;
            end += len;
        }
        if (!out.empty())
            out += ' ';
        out += "=?UTF-8?B?" + Base64(utf8.substr(i, end - i)) + "?=";
        i = end;
    }
    return out;
}

// Whether one-line text can stand as it is in an unstructured header: ASCII, nothing that
// reads as an encoded word, and no word too long to fold.
bool PlainHeaderText(std::string_view s) {
    if (!IsPlainAscii(s) || s.find("=?") != std::string_view::npos)
        return false;
    size_t word = 0;
    for (char c : s) {
        word = c == ' ' ? 0 : word + 1;
        if (word > kLongestWord)
            return false;
    }
    return true;
}

// "Name: value" ended by CR LF, the value folded before blanks so that lines stay near
// kFoldAt where it has blanks; no line is left holding nothing but white space.
std::string FoldedHeader(std::string_view name, std::string_view value) {
    std::string out = std::string(name) + ": ";
    size_t lineStart = 0;
    bool lineHasText = false;
    size_t i = 0;
    while (i < value.size()) {
        size_t next = value.find(' ', i + 1);
        if (next == std::string_view::npos)
            next = value.size();
        std::string_view piece = value.substr(i, next - i);
        if (lineHasText && piece[0] == ' ' && out.size() - lineStart + piece.size() > kFoldAt) {
            out += kCrLf;
            lineStart = out.size();
            lineHasText = false;
        }
        out += piece;
        lineHasText = lineHasText || piece.find_first_not_of(' ') != std::string_view::npos;
        i = next;
    }
    return out + kCrLf;
}

// A display name as a phrase: as it is when it is made of atoms, else a quoted string, or
// encoded words when it is not plain ASCII.
std::string Phrase(std::string_view name) {
    std::string text = OneLine(name);
    if (!PlainHeaderText(text))
        return EncodedWords(text);
    bool atoms = true;
    for (unsigned char c : text)
        if (!(std::isalnum(c) ||
              std::string_view(" !#$%&'*+-/=?^_`{|}~").find(c) != std::string_view::npos))
            atoms = false;
    if (atoms)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

std::string MailboxText(const TEmailAddress& a) {
    std::string address = "<" + CleanAddress(a.Address) + ">";
    std::string name = Trim(OneLine(a.Name));
    return name.empty() ? address : Phrase(name) + " " + address;
}

} // namespace

std::string TEmailAddress::Text() const {
    return Name.empty() ? Address : Name + " <" + Address + ">";
}

std::string CleanAddress(std::string_view text) {
    size_t open = text.find('<');
    if (open != std::string_view::npos) {
        size_t close = text.find('>', open + 1);
        if (close != std::string_view::npos)
            text = text.substr(open + 1, close - open - 1);
    }
    std::string out;
    for (unsigned char c : text)
        if (c >= ' ' && c != 0x7F)
            out += static_cast<char>(c);
    return Trim(out);
}

std::string NewMessageId(std::string_view senderAddress, TDateTime now, uint64_t random) {
    std::string address = CleanAddress(senderAddress);
    size_t at = address.rfind('@');
    std::string domain = at == std::string::npos ? "" : address.substr(at + 1);
    bool usable = !domain.empty();
    for (unsigned char c : domain)
        if (!std::isalnum(c) && c != '.' && c != '-')
            usable = false;
    if (!usable)
        domain = "localhost.localdomain";
    int y, mo, d, h, mi, s, ms;
    DecodeDateTime(now, y, mo, d, h, mi, s, ms);
    return Format("%04d%02d%02d%02d%02d%02d.%016llx@", y, mo, d, h, mi, s,
                  static_cast<unsigned long long>(random)) +
           domain;
}

std::string FormatMailDate(TDateTime local) {
    std::string zone = "-0000";
    if (std::optional<TZonedTime> placed = PlaceLocalTime(local)) {
        long offset = placed->UtcOffset / 60;
        char sign = offset < 0 ? '-' : '+';
        if (offset < 0)
            offset = -offset;
        zone = Format("%c%02ld%02ld", sign, offset / 60, offset % 60);
    }
    return FormatDateTime("ddd, dd mmm yyyy hh:nn:ss ", local, EnglishFormatSettings()) + zone;
}

std::string TMailMessage::ComposeText(const std::string& mailAgent) const {
    // The body in the chosen set; UTF-8 when the set is unusable or lacks a character.
    std::string body = CanonicalLineBreaks(ValidUtf8(Body));
    std::string charset = Trim(CharSet);
    std::optional<std::string> converted;
    if (IsCharsetToken(charset)) {
        // Only sets that keep ASCII (and so line breaks) as it is.
        const std::string probe = "Az09 .=\r\n";
        if (ConvertCharset(probe, charset, "UTF-8") == probe)
            converted = ConvertCharset(body, charset, "UTF-8");
    }
    if (converted)
        body = std::move(*converted);
    else
        charset = "UTF-8";

    std::string encoding = "7bit";
    if (!Fits7Bit(body)) {
        std::string qp = QuotedPrintable(body), b64 = Base64Lines(body);
        encoding = qp.size() <= b64.size() ? "quoted-printable" : "base64";
        body = qp.size() <= b64.size() ? std::move(qp) : std::move(b64);
    }
    if (body.size() < 2 || body.compare(body.size() - 2, 2, kCrLf) != 0)
        body += kCrLf;

    std::string text = FoldedHeader("From", MailboxText(From));
    std::string to;
    for (const std::string& r : Recipients) {
        std::string address = CleanAddress(r);
        if (!address.empty())
            to += (to.empty() ? "" : ", ") + address;
    }
    if (!to.empty())
        text += FoldedHeader("To", to);
    std::string subject = OneLine(Subject);
    text += FoldedHeader("Subject", PlainHeaderText(subject) ? subject : EncodedWords(subject));
    text += "Date: " + FormatMailDate(Date) + kCrLf;
    std::string id;
    for (unsigned char c : MsgId)
        if (c > ' ' && c < 0x7F && c != '<' && c != '>')
            id += static_cast<char>(c);
    if (!id.empty())
        text += "Message-ID: <" + id + ">" + kCrLf;
    text += "MIME-Version: 1.0\r\n";
    std::string type = OneLine(ContentType);
    text += "Content-Type: " + (type.empty() ? std::string("text/plain") : type) +
            "; charset=" + charset + kCrLf;
    text += "Content-Transfer-Encoding: " + encoding + kCrLf;
    std::string agent = OneLine(mailAgent);
    if (!agent.empty())
        text += FoldedHeader("X-Mailer", agent);
    return text + kCrLf + body;
}

#pragma once
// A plain-text e-mail message and its composition into the text an SMTP client sends:
// RFC 5322 headers (non-ASCII words encoded per RFC 2047, line breaks removed so no header
// can be injected) and a MIME text/plain body converted to the message's character set.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/datetime.h"

// One mailbox: a display name (UTF-8, may be empty) and an address.
struct TEmailAddress {
    std::string Name;
    std::string Address;
    // name + " <" + address + ">", or the address alone when the name is empty.
    std::string Text() const;
};

class TMailMessage {
public:
    TEmailAddress From;
    std::vector<std::string> Recipients; // addresses, envelope and "To" alike
    std::string Subject;                 // UTF-8
    std::string Body;                    // UTF-8; line breaks LF, CR LF or CR
    std::string ContentType = "text/plain";
    // The body's character set (an iconv/MIME name). When the body cannot be converted to
    // it completely, or iconv does not know it, the body goes out as UTF-8 and is labelled so.
    std::string CharSet = "windows-1251";
    TDateTime Date = 0; // local time of the "Date" header
    std::string MsgId;  // the "Message-ID" without angle brackets; no header when empty

    // The complete message: headers, blank line, encoded body; every line ends with CR LF
    // and none is longer than 998 bytes. mailAgent goes into "X-Mailer" when not empty.
    std::string ComposeText(const std::string& mailAgent) const;
};

// The address of a recipient or sender text: what stands between '<' and '>' when the text
// has them ("Ann <ann@x.org>" -> "ann@x.org"), else the text; control characters (CR and LF
// among them) are removed and the result trimmed.
std::string CleanAddress(std::string_view text);

// A unique message identifier (without angle brackets) from the time, a random number and
// the domain of the sender address ("localhost.localdomain" when it has none usable).
std::string NewMessageId(std::string_view senderAddress, TDateTime now, uint64_t random);

// The "Date" header text of a local time: "Fri, 15 Mar 2024 09:30:00 +0100", the offset that
// of the local time zone at that time ("-0000" when it cannot be found).
std::string FormatMailDate(TDateTime local);

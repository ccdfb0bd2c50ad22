#include "platform/charsets.h"

#include <cerrno>
#include <cstdint>
#include <iconv.h>

#include "platform/sysutils.h"

namespace {

class TIconv {
public:
    TIconv(const std::string& to, const std::string& from)
        : cd_(::iconv_open(to.c_str(), from.c_str())) {}
    ~TIconv() {
        if (ok())
            ::iconv_close(cd_);
    }
    TIconv(const TIconv&) = delete;
    TIconv& operator=(const TIconv&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

bool IsUtf8Name(const std::string& name) {
    return SameText(name, "UTF-8") || SameText(name, "UTF8");
}

// Bytes of one malformed or unmappable input character to skip.
size_t SkipLength(const char* in, size_t left, bool fromUtf8) {
    if (!fromUtf8)
        return 1;
    size_t n = 1;
    while (n < left && n < 4 && (static_cast<unsigned char>(in[n]) & 0xC0) == 0x80)
        ++n;
    return n;
}

} // namespace

size_t Utf8SequenceAt(std::string_view s, size_t i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80)
        return 1;
    size_t len = (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > s.size())
        return 0;
    uint32_t cp = len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
    for (size_t k = 1; k < len; ++k) {
        unsigned char cc = static_cast<unsigned char>(s[i + k]);
        if ((cc & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (cc & 0x3F);
    }
    static constexpr uint32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
    bool ok = cp >= minimum[len] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
    return ok ? len : 0;
}

bool IsPlainAscii(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80)
            return false;
    return true;
}

bool IsValidUtf8(std::string_view s) {
    for (size_t i = 0, len; i < s.size(); i += len)
        if ((len = Utf8SequenceAt(s, i)) == 0)
            return false;
    return true;
}

std::string ValidUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        size_t len = Utf8SequenceAt(s, i);
        if (len != 0) {
            out.append(s.substr(i, len));
            i += len;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

std::optional<std::string> ConvertCharset(std::string_view text, const std::string& to,
                                          const std::string& from,
                                          std::optional<std::string_view> replacement) {
    TIconv cd(to, from);
    if (!cd.ok())
        return std::nullopt;
    std::string out(text.size() + 16, '\0');
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size(), done = 0;
    bool flushing = false;
    for (;;) {
        char* op = out.data() + done;
        size_t outLeft = out.size() - done;
        size_t rc = flushing ? ::iconv(cd.get(), nullptr, nullptr, &op, &outLeft)
                             : ::iconv(cd.get(), &in, &inLeft, &op, &outLeft);
        int err = errno;
        done = out.size() - outLeft;
        if (rc != static_cast<size_t>(-1)) {
            if (rc != 0 && !replacement)
                return std::nullopt; // approximated ("irreversible") conversions
            if (flushing)
                break;
            flushing = true; // end of input: write any closing shift sequence
            continue;
        }
        if (err == E2BIG) {
            out.resize(out.size() * 2 + 16);
        } else if (err == EILSEQ || err == EINVAL) {
            if (!replacement)
                return std::nullopt; // unmappable, malformed or cut short
            size_t skip = SkipLength(in, inLeft, IsUtf8Name(from));
            in += skip;
            inLeft -= skip;
            out.replace(done, 0, *replacement);
            done += replacement->size();
            if (out.size() < done + 16)
                out.resize(done + 16);
        } else {
            throw Exception("Text conversion failed: " + from + " to " + to);
        }
    }
    out.resize(done);
    return out;
}

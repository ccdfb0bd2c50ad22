#include "core/codepages.h"

#include <cerrno>
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

std::string Convert(std::string_view text, const std::string& to, const std::string& from) {
    TIconv cd(to, from);
    if (!cd.ok())
        throw Exception("Unsupported code page: " + (IsUtf8Name(to) ? from : to));
    std::string replacement = "\xEF\xBF\xBD"; // U+FFFD
    if (!IsUtf8Name(to)) {
        TIconv q(to, "ASCII");
        char in[] = "?", out[8];
        char *ip = in, *op = out;
        size_t il = 1, ol = sizeof out;
        replacement = q.ok() && ::iconv(q.get(), &ip, &il, &op, &ol) != static_cast<size_t>(-1)
                          ? std::string(out, op)
                          : "?";
    }

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
            if (flushing)
                break;
            flushing = true; // end of input: write any closing shift sequence
            continue;
        }
        if (err == E2BIG) {
            out.resize(out.size() * 2 + 16);
        } else if (err == EILSEQ || err == EINVAL) {
            size_t skip = SkipLength(in, inLeft, IsUtf8Name(from));
            in += skip;
            inLeft -= skip;
            out.replace(done, 0, replacement);
            done += replacement.size();
            if (out.size() < done + 16)
                out.resize(done + 16);
        } else {
            throw Exception("Text conversion failed: " + from + " to " + to);
        }
    }
    out.resize(done);
    return out;
}

} // namespace

std::string CodePageName(unsigned codePage) {
    switch (codePage) {
    case CP_ACP:
        return "CP1252";
    case CP_OEMCP:
        return "CP437";
    case CP_UTF8:
        return "UTF-8";
    case 65000:
        return "UTF-7";
    case 20127:
        return "ASCII";
    case 1200:
        return "UTF-16LE";
    case 1201:
        return "UTF-16BE";
    case 20866:
        return "KOI8-R";
    case 21866:
        return "KOI8-U";
    }
    if (codePage >= 28591 && codePage <= 28606)
        return "ISO-8859-" + std::to_string(codePage - 28590);
    return "CP" + std::to_string(codePage);
}

std::string MultiByteToWideText(std::string_view text, const std::string& codePageName) {
    return Convert(text, "UTF-8", codePageName);
}

std::string MultiByteToWideText(std::string_view text, unsigned codePage) {
    return MultiByteToWideText(text, CodePageName(codePage));
}

std::string WideToMultiByteText(std::string_view text, const std::string& codePageName) {
    return Convert(text, codePageName, "UTF-8");
}

std::string WideToMultiByteText(std::string_view text, unsigned codePage) {
    return WideToMultiByteText(text, CodePageName(codePage));
}

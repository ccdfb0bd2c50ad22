#include "core/texthelpers.h"

#include "platform/classes.h"
#include "platform/sysutils.h"

const std::string_view CredentialsXorKey =
    "Yx5=5)ccv)!J]]@3*7fU{<<1P!g^0Zd/4PUjpoAE31uHPJu8!QNokbGZ9Uw+S+Hp+}h:Ozr*_]}S+L/<dV<yR{rnlP{"
    "Hk[]~mW@v#R*&=)WG(Y+J;3b,%LuEpG[+pM*0";

bool TextInStrings(std::string_view text, const TStringList& strings) {
    for (int i = 0; i < strings.Count(); ++i)
        if (AnsiSameText(strings[i], text))
            return true;
    return false;
}

int TokenCount(std::string_view text, std::string_view delimiter) {
    if (text.empty() || delimiter.empty())
        return 0;
    int count = 0;
    size_t pos = 0, afterLast = 0;
    while ((pos = text.find(delimiter, pos)) != std::string_view::npos) {
        ++count;
        pos += delimiter.size();
        afterLast = pos;
    }
    return afterLast < text.size() ? count + 1 : count;
}

std::string ExtractToken(std::string_view text, std::string_view delimiter, int n) {
    if (n < 1)
        return {};
    if (delimiter.empty())
        return n == 1 ? std::string(text) : std::string();
    size_t start = 0;
    for (int i = 1; i < n; ++i) {
        size_t d = text.find(delimiter, start);
        if (d == std::string_view::npos)
            return {};
        start = d + delimiter.size();
    }
    size_t end = text.find(delimiter, start);
    return std::string(text.substr(start, end == std::string_view::npos ? end : end - start));
}

std::string TruncateWithEllipsis(std::string_view text, int maxLen) {
    if (maxLen < 0)
        return std::string(text);
    const std::string_view kept = Utf8Prefix(text, size_t(maxLen));
    if (kept.size() == text.size())
        return std::string(text);
    return std::string(kept) + "...";
}

std::string XorWithKey(std::string_view text, std::string_view key) {
    std::string s(text);
    if (key.empty())
        return s;
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<char>(s[i] ^ key[i % key.size()]);
    return s;
}

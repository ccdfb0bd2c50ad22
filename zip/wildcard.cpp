#include "zip/wildcard.h"

#include "platform/sysutils.h"

namespace {

TMatchResult Match(std::string_view m, size_t i, std::string_view n, size_t j);

// The mask from a '*' on: skips stars and question marks (each '?' taking one character),
// then tries every place in the name where the rest of the mask can start.
TMatchResult MatchAfterStar(std::string_view m, size_t i, std::string_view n, size_t j) {
    while (i < m.size() && (m[i] == '*' || m[i] == '?')) {
        if (m[i] == '?') {
            if (j == n.size())
                return mrTextEnd;
            ++j;
        }
        ++i;
    }
    if (i == m.size())
        return mrValid;
    for (; j < n.size(); ++j) {
        if (n[j] != m[i] && m[i] != '[')
            continue;
        TMatchResult r = Match(m, i, n, j);
        // Running out of name here means every later start runs out too.
        if (r == mrValid || r == mrTextEnd || r == mrBadPattern)
            return r;
    }
    return mrTextEnd;
}

// A set starting at m[i] == '['; on success i is past its ']'.
TMatchResult MatchSet(std::string_view m, size_t& i, unsigned char c) {
    ++i;
    bool invert = false;
    if (i < m.size() && (m[i] == '!' || m[i] == '^')) {
        invert = true;
        ++i;
    }
    if (i < m.size() && m[i] == ']')
        return mrBadPattern;
    bool member = false;
    for (;;) {
        if (i >= m.size())
            return mrBadPattern;
        if (m[i] == ']')
            break;
        if (member) {
            // After a match the rest of the set is skipped unread, up to its ']'.
            ++i;
            continue;
        }
        unsigned char lo = static_cast<unsigned char>(m[i++]);
        unsigned char hi = lo;
        if (i < m.size() && m[i] == '-') {
            ++i;
            if (i >= m.size() || m[i] == ']')
                return mrBadPattern;
            hi = static_cast<unsigned char>(m[i++]);
            if (lo > hi)
                std::swap(lo, hi);
        }
        if (c >= lo && c <= hi)
            member = true;
    }
    ++i;
    return member == invert ? mrSetMismatch : mrValid;
}

TMatchResult Match(std::string_view m, size_t i, std::string_view n, size_t j) {
    for (;;) {
        if (i == m.size())
            return j == n.size() ? mrValid : mrPatternEnd;
        if (j == n.size())
            return m[i] == '*' && i + 1 == m.size() ? mrValid : mrTextEnd;
        switch (m[i]) {
        case '?':
            ++i, ++j;
            break;
        case '*':
            return MatchAfterStar(m, i, n, j);
        case '[': {
            TMatchResult r = MatchSet(m, i, static_cast<unsigned char>(n[j]));
            if (r != mrValid)
                return r;
            ++j;
            break;
        }
        default:
            if (m[i] != n[j])
                return mrLiteralMismatch;
            ++i, ++j;
        }
    }
}

} // namespace

TMatchResult MatchMask(std::string_view mask, std::string_view name) {
    std::string m = UpperCase(mask);
    std::string n = UpperCase(name);
    return Match(m, 0, n, 0);
}

bool MatchesMask(std::string_view mask, std::string_view name) {
    return MatchMask(mask, name) == mrValid;
}

bool HasWildcards(std::string_view text) {
    return text.find_first_of("*?[]") != std::string_view::npos;
}

#include "core/datetokenizer.h"

#include "platform/sysutils.h"

namespace {

// One UTF-8 sequence at s[i]: its code point and length. A byte that starts no valid
// sequence is taken alone (length 1) and counts as a letter, as any byte above 127 did in
// the single-byte texts this grammar was made for.
char32_t DecodeAt(std::string_view s, size_t i, size_t& length) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    length = 1;
    if (extra == 0)
        return c;
    if (extra < 0 || i + static_cast<size_t>(extra) >= s.size())
        return 0xFFFF;
    char32_t cp = c & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        unsigned char cc = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
        if ((cc & 0xC0) != 0x80)
            return 0xFFFF;
        cp = (cp << 6) | (cc & 0x3F);
    }
    length = static_cast<size_t>(extra) + 1;
    return cp;
}

// Non-ASCII code points that are spaces, punctuation or symbols rather than letters.
bool IsNonAsciiSeparator(char32_t cp) {
    if (cp >= 0x80 && cp <= 0xBF)
        return cp != 0xAA && cp != 0xB5 && cp != 0xBA; // Latin-1 signs; ª µ º are letters
    return cp == 0xD7 || cp == 0xF7 ||                 // × ÷
           (cp >= 0x2000 && cp <= 0x206F) ||           // spaces, dashes, quotes, bullets
           (cp >= 0x20A0 && cp <= 0x20CF) ||           // currency signs
           (cp >= 0x2190 && cp <= 0x23FF) ||           // arrows, mathematical operators
           (cp >= 0x2500 && cp <= 0x27BF) ||           // boxes, shapes, dingbats
           (cp >= 0x2E00 && cp <= 0x2E7F) ||           // supplemental punctuation
           (cp >= 0x3000 && cp <= 0x303F) ||           // CJK spaces and punctuation
           cp == 0xFEFF ||                             // byte order mark
           (cp >= 0xFF01 && cp <= 0xFF0F) ||           // full-width punctuation
           (cp >= 0x1F000 && cp <= 0x1FAFF);           // emoji and pictographs
}

bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

bool DigitsBelow(std::string_view digits, int limit) {
    size_t i = 0;
    while (i < digits.size() && digits[i] == '0')
        ++i;
    long long value = 0;
    for (; i < digits.size(); ++i) {
        if (!IsAsciiDigit(digits[i]))
            return false;
        value = value * 10 + (digits[i] - '0');
        if (value >= limit)
            return false;
    }
    return !digits.empty();
}

TDateParser::TDateParser(const TDateKeywordTable& keywords) : keywords_(keywords) {}

void TDateParser::SetText(std::string_view text) {
    text_ = std::string(text);
    pos_ = 0;
    removedQuotes_ = 0;
    token_.clear();
    kind_ = tkEnd; // so the first token has "end" before it
    keyword_ = -1;
    start_ = end_ = 0;
    NextToken();
}

TDateParser::TCharClass TDateParser::ClassAt(size_t pos, size_t& length) const {
    char c = text_[pos];
    length = 1;
    if (IsAsciiDigit(c))
        return TCharClass::Digit;
    if (c == '\'' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
        return TCharClass::Word;
    if (static_cast<unsigned char>(c) < 0x80)
        return TCharClass::Separator;
    char32_t cp = DecodeAt(text_, pos, length);
    return IsNonAsciiSeparator(cp) ? TCharClass::Separator : TCharClass::Word;
}

std::string TDateParser::ReadSeparatorRun(bool& quoted) {
    std::string run;
    quoted = false;
    size_t length = 1;
    while (pos_ < text_.size() && ClassAt(pos_, length) == TCharClass::Separator) {
        if (text_[pos_] != '"') {
            run.append(text_, pos_, length);
            pos_ += length;
            continue;
        }
        // A quoted piece: drop both quote characters, keep what lies between in the run.
        quoted = true;
        text_.erase(pos_, 1);
        ++removedQuotes_;
        size_t close = text_.find('"', pos_);
        size_t stop = close == std::string::npos ? text_.size() : close;
        run.append(text_, pos_, stop - pos_);
        pos_ = stop;
        if (close != std::string::npos) {
            text_.erase(pos_, 1);
            ++removedQuotes_;
        }
    }
    return run;
}

void TDateParser::NextToken() {
    previousText_ = token_;
    previousKind_ = kind_;
    keyword_ = -1;
    for (;;) {
        // removedQuotes_ grows only inside separator runs, so a token's start and end map
        // back to the caller's text with the same count.
        start_ = pos_;
        if (pos_ >= text_.size()) {
            token_.clear();
            kind_ = tkEnd;
            end_ = pos_;
            return;
        }
        size_t length = 1;
        TCharClass cls = ClassAt(pos_, length);
        if (cls == TCharClass::Digit) {
            while (pos_ < text_.size() && IsAsciiDigit(text_[pos_]))
                ++pos_;
            end_ = pos_;
            token_ = text_.substr(start_, end_ - start_);
            kind_ = tkNumber;
            return;
        }
        if (cls == TCharClass::Word) {
            while (pos_ < text_.size() && ClassAt(pos_, length) == TCharClass::Word)
                pos_ += length;
            end_ = pos_;
            std::string word = text_.substr(start_, end_ - start_);
            std::string upper = Utf8UpperCase(word);
            int index = keywords_.KeywordIndex(upper);
            if (index >= 0) {
                token_ = upper;
                kind_ = tkKeyword;
                keyword_ = index;
                return;
            }
            if (KeepUnknownWords) {
                token_ = word;
                kind_ = tkUnknownWord;
                return;
            }
            continue;
        }
        bool quoted = false;
        std::string run = ReadSeparatorRun(quoted);
        const std::string& separator = keywords_.Settings().TimeSeparator;
        if (!quoted && !separator.empty() && previousKind_ == tkNumber &&
            DigitsBelow(previousText_, 24) && Trim(run) == separator) {
            // start_ is in the copy before any quote of this run was removed: none was.
            end_ = pos_;
            token_ = separator;
            kind_ = tkTimeSeparator;
            return;
        }
    }
}

#pragma once
// The tokenizer of typed date phrases. Raw tokens are runs of digits, runs of word
// characters (ASCII letters, the apostrophe and non-ASCII letters, mixed freely: "März" is
// one word) and separator runs (everything else). A double quote in a separator run opens a
// quoted piece that runs to the next double quote; the piece joins the run and both quote
// characters are removed from the tokenizer's copy of the text, so quoted words never count.

#include <cstddef>
#include <string>
#include <string_view>

#include "core/datekeywords.h"

enum TTokenKind : int {
    tkNumber = 0,        // a run of digits
    tkKeyword = 1,       // a word in the keyword table (text upper-cased)
    tkEnd = 2,           // end of text
    tkUnknownWord = 3,   // a word that is no keyword (only with KeepUnknownWords)
    tkTimeSeparator = 4, // the settings' time separator right after a number below 24
    tkTime = 5,          // (evaluator) a time assembled from hour, separator and minutes
    tkMonthName = 6,     // (evaluator) a month name without its day
    tkMonthWithDay = 7,  // (evaluator) a month name together with its day
};

class TDateParser {
public:
    explicit TDateParser(const TDateKeywordTable& keywords);

    // Starts over on text and reads the first token (tkEnd at once for a text without one).
    void SetText(std::string_view text);
    // Reads the next token; separator runs, and unknown words unless KeepUnknownWords, are
    // skipped. Stays at tkEnd at the end.
    void NextToken();

    bool IsEnd() const { return kind_ == tkEnd; }
    const std::string& TokenText() const { return token_; }
    TTokenKind TokenKind() const { return kind_; }
    // Index of the current token in the keyword table, -1 when it is no keyword.
    int KeywordIndex() const { return keyword_; }
    // Byte positions of the current token in the text given to SetText (0-based; the end
    // is one past the token's last byte).
    size_t TokenStart() const { return start_ + removedQuotes_; }
    size_t TokenEnd() const { return end_ + removedQuotes_; }
    // The tokenizer's copy of the text: quote characters read so far are removed.
    const std::string& Text() const { return text_; }

    bool KeepUnknownWords = false;

private:
    enum class TCharClass { Digit, Word, Separator };
    // Class of the character at pos and its length in bytes.
    TCharClass ClassAt(size_t pos, size_t& length) const;
    // Reads a separator run from pos_; returns its text and whether it held a quoted piece.
    std::string ReadSeparatorRun(bool& quoted);

    const TDateKeywordTable& keywords_;
    std::string text_;
    size_t pos_ = 0;
    size_t removedQuotes_ = 0;
    std::string token_;
    TTokenKind kind_ = tkEnd;
    int keyword_ = -1;
    size_t start_ = 0, end_ = 0;
    std::string previousText_;
    TTokenKind previousKind_ = tkEnd;
};

// True when text is a run of digits whose value is below limit (any length, no overflow).
bool DigitsBelow(std::string_view digits, int limit);

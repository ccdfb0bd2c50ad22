#pragma once
// Wildcard masks: '*' any run of characters (none included), '?' any one character, and
// bracketed sets ("[abc]", ranges "[a-f]" in either order, inverted with '!' or '^'). ASCII
// case is ignored; set members compare by byte value after upper-casing. Members are read up
// to the first that admits the character; the rest of the set is skipped up to its ']' (so
// "[AB-]" admits 'A', yet is a bad pattern for 'B').

#include <string_view>

// How a match ended; only mrValid is a match.
enum TMatchResult {
    mrValid,           // mask and name used up together
    mrPatternEnd,      // the mask ran out, the name has characters left
    mrTextEnd,         // the name ran out, the mask has characters left
    mrSetMismatch,     // a set did not admit the name's character
    mrLiteralMismatch, // a plain character differed
    mrBadPattern       // an unclosed set, an empty set or a range without an upper end
};

TMatchResult MatchMask(std::string_view mask, std::string_view name);
// True exactly when MatchMask gives mrValid ('*.*' needs a dot; '*' matches every name).
bool MatchesMask(std::string_view mask, std::string_view name);
// True when the text holds any of '*', '?', '[' or ']'.
bool HasWildcards(std::string_view text);

#pragma once
// Typed dates: the console's phrases ("call mom tomorrow 10 am") and the date fields of the
// dialogs ("3/14/2026 9:30", "friday"). Never raises: a text that cannot form a date gives
// FirstDate 0.

#include <string>
#include <string_view>

#include "core/datekeywords.h"
#include "platform/datetime.h"

struct TParsedPhrase {
    std::string Title;       // the words before the date words, trimmed
    TDateTime FirstDate = 0; // 0 when the text holds no date words
};

// Splits a console text into a title and the date its trailing date words name, counted
// from baseDate (0: Now()). A date without a time word comes back at midnight. Numbers that
// cannot form a date (a digit run beyond 32 bits, a year above 9999, a result outside the
// years 1..9999) give FirstDate 0 with the whole trimmed text as title.
TParsedPhrase ParsePhrase(std::string_view text, TDateTime baseDate = 0,
                          const TDateKeywordTable& keywords = DateKeywords());

// A date field's text: a date and/or time in the settings' format ("0:00" counts as a time
// of 1e-8 day; a time alone falls on today, or tomorrow when it is over an hour past),
// else a date phrase counted from now. 0 when the text names no date.
TDateTime ParseDateTimeText(std::string_view text,
                            const TDateKeywordTable& keywords = DateKeywords());

#pragma once
// The evaluator of typed date phrases: splits a text into a title and the date words at its
// end, then walks the date words from a base date. Numbers become days, months or years by
// the user's date order and a small grammar state; keywords run their handlers.

#include <string>
#include <string_view>
#include <vector>

#include "core/datekeywords.h"
#include "core/datetokenizer.h"
#include "platform/datetime.h"

struct TPhraseToken {
    std::string Text; // upper-cased for keywords; the minutes for an assembled time
    TTokenKind Kind;
    TDateTime Value; // the current date-time before this token took effect
};

enum class TTimeUnit { Days, Weeks, Months, Years, Hours, Minutes };

class TDateTimeEvaluator {
public:
    // baseDate is the moment the phrase counts from (years 1..9999).
    TDateTimeEvaluator(TDateTime baseDate, const TDateKeywordTable& keywords);

    // Splits text into Title and date words and evaluates them into FirstDate (0 when the
    // text holds no date words; midnight when no time was given). Raises EConvertError
    // for numbers that cannot form a date: a digit run beyond 32 bits, a year above 9999, a
    // result outside the years 1..9999.
    void Evaluate(std::string_view text);

    TDateTime FirstDate() const { return firstDate_; }
    const std::string& Title() const { return title_; }
    const std::vector<TPhraseToken>& Tokens() const { return tokens_; }
    TDateTime BaseDate() const { return baseDate_; }

    // ---- Keyword handlers: each returns the new current date-time ----
    // "next", "in", "after", "before", "on", "at": no change.
    TDateTime KeepCurrent() const { return current_; }
    // Count words ("days", "w", "hours", "min", ...): the number before the word is the
    // count ("3 days"), else one unit from the token before ("next week").
    TDateTime Increment(TTimeUnit unit);
    TDateTime AmDesignator();
    TDateTime PmDesignator();
    TDateTime Today();
    TDateTime Tomorrow();
    TDateTime NowWord();
    // weekday: 1 = Sunday .. 7 = Saturday.
    TDateTime WeekdayName(int weekday);
    // month: 1..12.
    TDateTime MonthName(int month);

private:
    void Reset();
    void ApplyNumber();
    // Returns false when the parser already holds the next token to process.
    bool ApplyTimeSeparator(TDateParser& parser);

    TDateTime SetDay(TDateTime value, int day);
    TDateTime SetDayInLaterMonth(TDateTime value, int day);
    TDateTime SetMonth(TDateTime value, int month);
    TDateTime SetYear(TDateTime value, int year);
    // Month m set on value, a year later first when no year was given and m lies earlier.
    TDateTime SetMonthOn(TDateTime value, int month);
    TDateTime Add(TDateTime value, TTimeUnit unit, int count) const;

    void TakeBackDateMark();
    const TPhraseToken* TokenBefore(size_t back = 1) const;
    size_t CurrentIndex() const { return tokens_.size() - 1; }

    const TDateKeywordTable& keywords_;
    TDateTime baseDate_;
    TDateTime current_;
    TDateTime firstDate_ = 0;
    std::string title_;
    std::vector<TPhraseToken> tokens_;

    // Grammar state.
    TDatePart expectedPart_ = TDatePart::Day; // what the next bare number is taken as
    int ambiguousDayToken_ = -1;              // a number <= 12 taken as a day, may become month
    int dateMarks_ = 0;                       // above 0 while a date was given
    bool timeGiven_ = false;
    bool yearGiven_ = false;
    bool feb29Pending_ = false; // a 29 February became the 28th and waits for a leap year
};

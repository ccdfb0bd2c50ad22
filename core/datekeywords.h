#pragma once
// The words of typed date phrases: a table of upper-case keywords (day and month names,
// "tomorrow", "next", "pm", "min", ...) with the routine each one runs, and the order in
// which the user's short date format writes day, month and year. The process-wide table is
// built once at start-up from the user's locale and read-only afterwards.

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/datetime.h"
#include "platform/datetimeformat.h"
#include "platform/formatsettings.h"

// The part after part in the order, the first part after the last one.
TDatePart NextExpected(const TDateOrder& order, TDatePart part);
// The part before part in the order; the first part is its own predecessor.
TDatePart PrecedingPart(const TDateOrder& order, TDatePart part);

class TDateTimeEvaluator;
// A keyword's effect: runs on the evaluator whose current token is the keyword and returns
// the new current date-time. May raise EConvertError for a date beyond the years 1..9999.
using TKeywordHandler = std::function<TDateTime(TDateTimeEvaluator&)>;

struct TKeywordEntry {
    std::string Keyword; // compared exactly with the upper-cased token
    TKeywordHandler Handler;
};

// Keywords in registration order, with the settings they were read from (the time
// separator, the date order and the texts of dates and times the evaluator converts).
class TDateKeywordTable {
public:
    explicit TDateKeywordTable(const TFormatSettings& settings);

    // Appends an entry; a keyword registered before keeps its first entry for lookups.
    void RegisterKeyword(std::string keyword, TKeywordHandler handler);
    // Index of the first entry whose keyword equals upperText, -1 when there is none.
    int KeywordIndex(std::string_view upperText) const;
    const TKeywordEntry& Entry(int index) const { return entries_.at(static_cast<size_t>(index)); }
    int Count() const { return static_cast<int>(entries_.size()); }

    const TFormatSettings& Settings() const { return settings_; }
    const TDateOrder& DateOrder() const { return order_; }
    void SetDateOrder(const TDateOrder& order) { order_ = order; }

private:
    TFormatSettings settings_;
    TDateOrder order_;
    std::vector<TKeywordEntry> entries_;
    std::unordered_map<std::string, int> index_;
};

// A table for the user's settings: for each i = 1..12 the local long and short name of
// weekday i (i <= 7) with the English ones after them, then the local short, long and in-date
// name of month i with the English short and long name; then the fixed words and the
// settings' AM/PM designators (as written, not upper-cased). English names are left out when
// english is null or names the same days and months as local. The date order comes from
// local's short date format.
TDateKeywordTable BuildDateKeywords(const TFormatSettings& local, const TFormatSettings* english);

// Builds the process-wide table from LocaleSettings() and EnglishFormatSettings(); run at
// start-up after the locale settings are set (again to pick up changed settings).
void InitDateKeywords();
// The process-wide table; built by InitDateKeywords on first use when start-up did not.
const TDateKeywordTable& DateKeywords();

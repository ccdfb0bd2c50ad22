#include "core/dateparser.h"

#include <cmath>
#include <exception>

#include "core/dateevaluator.h"
#include "core/datetexts.h"
#include "platform/datetimeformat.h"
#include "platform/sysutils.h"

TParsedPhrase ParsePhrase(std::string_view text, TDateTime baseDate,
                          const TDateKeywordTable& keywords) {
    if (baseDate == 0)
        baseDate = Now();
    try {
        TDateTimeEvaluator evaluator(baseDate, keywords);
        evaluator.Evaluate(text);
        return {evaluator.Title(), evaluator.FirstDate()};
    } catch (const std::exception&) {
        return {Trim(text), 0};
    }
}

TDateTime ParseDateTimeText(std::string_view text, const TDateKeywordTable& keywords) {
    const TFormatSettings& fs = keywords.Settings();
    TDateTime value = 0;
    if (!TryStrToDateTime(Trim(text), value, fs) || !std::isfinite(value))
        return ParsePhrase(text, 0, keywords).FirstDate;
    // A typed midnight still counts as a time.
    if (!HasTimePart(value) && !fs.TimeSeparator.empty() &&
        text.find(fs.TimeSeparator) != std::string_view::npos)
        value += 1e-8;
    if (HasTimePart(value) && std::trunc(value) == 0) {
        value += Date();
        if (Now() - value > OneHour)
            value += 1;
    }
    return value;
}

#include "core/datekeywords.h"

#include <algorithm>
#include <memory>

#include "core/dateevaluator.h"
#include "platform/sysutils.h"

namespace {
size_t IndexIn(const TDateOrder& order, TDatePart part) {
    return static_cast<size_t>(std::find(order.begin(), order.end(), part) - order.begin());
}
} // namespace

TDatePart NextExpected(const TDateOrder& order, TDatePart part) {
    return order[(IndexIn(order, part) + 1) % order.size()];
}

TDatePart PrecedingPart(const TDateOrder& order, TDatePart part) {
    size_t i = IndexIn(order, part);
    return i == 0 || i >= order.size() ? part : order[i - 1];
}

TDateKeywordTable::TDateKeywordTable(const TFormatSettings& settings)
    : settings_(settings), order_(DetermineDateOrder(settings.ShortDateFormat)) {}

void TDateKeywordTable::RegisterKeyword(std::string keyword, TKeywordHandler handler) {
    index_.emplace(keyword, static_cast<int>(entries_.size()));
    entries_.push_back({std::move(keyword), std::move(handler)});
}

int TDateKeywordTable::KeywordIndex(std::string_view upperText) const {
    auto it = index_.find(std::string(upperText));
    return it == index_.end() ? -1 : it->second;
}

namespace {

bool SameNames(const TFormatSettings& a, const TFormatSettings& b) {
    return a.LongDayNames == b.LongDayNames && a.ShortDayNames == b.ShortDayNames &&
           a.LongMonthNames == b.LongMonthNames && a.ShortMonthNames == b.ShortMonthNames;
}

TKeywordHandler Stay() {
    return [](TDateTimeEvaluator& e) { return e.KeepCurrent(); };
}
TKeywordHandler Add(TTimeUnit unit) {
    return [unit](TDateTimeEvaluator& e) { return e.Increment(unit); };
}

} // namespace

TDateKeywordTable BuildDateKeywords(const TFormatSettings& local, const TFormatSettings* english) {
    TDateKeywordTable table(local);
    const bool withEnglish = english != nullptr && !SameNames(local, *english);
    auto name = [&table](const std::string& text, TKeywordHandler handler) {
        table.RegisterKeyword(Utf8UpperCase(text), std::move(handler));
    };
    for (int i = 1; i <= 12; ++i) {
        size_t k = static_cast<size_t>(i - 1);
        if (i <= 7) {
            auto weekday = [i](TDateTimeEvaluator& e) { return e.WeekdayName(i); };
            name(local.LongDayNames[k], weekday);
            name(local.ShortDayNames[k], weekday);
            if (withEnglish) {
                name(english->LongDayNames[k], weekday);
                name(english->ShortDayNames[k], weekday);
            }
        }
        auto month = [i](TDateTimeEvaluator& e) { return e.MonthName(i); };
        name(local.ShortMonthNames[k], month);
        name(local.LongMonthNames[k], month);
        name(local.GenitiveMonthNames[k], month);
        if (withEnglish) {
            name(english->ShortMonthNames[k], month);
            name(english->LongMonthNames[k], month);
        }
    }

    for (const char* word : {"NEXT", "IN", "AFTER", "BEFORE", "ON", "AT"})
        table.RegisterKeyword(word, Stay());
    for (const char* word : {"DAY", "DAYS", "D"})
        table.RegisterKeyword(word, Add(TTimeUnit::Days));
    for (const char* word : {"MONTH", "MONTHS"})
        table.RegisterKeyword(word, Add(TTimeUnit::Months));
    table.RegisterKeyword("M", Add(TTimeUnit::Minutes));
    for (const char* word : {"YEAR", "YEARS", "Y"})
        table.RegisterKeyword(word, Add(TTimeUnit::Years));
    for (const char* word : {"WEEK", "WEEKS"})
        table.RegisterKeyword(word, Add(TTimeUnit::Weeks));
    table.RegisterKeyword("TOMORROW", [](TDateTimeEvaluator& e) { return e.Tomorrow(); });
    table.RegisterKeyword("W", Add(TTimeUnit::Weeks));
    auto am = [](TDateTimeEvaluator& e) { return e.AmDesignator(); };
    auto pm = [](TDateTimeEvaluator& e) { return e.PmDesignator(); };
    table.RegisterKeyword("AM", am);
    table.RegisterKeyword("A", am);
    table.RegisterKeyword(local.TimeAMString, am);
    table.RegisterKeyword("PM", pm);
    table.RegisterKeyword("P", pm);
    table.RegisterKeyword(local.TimePMString, pm);
    for (const char* word : {"H", "HR", "HRS", "HOURS", "HOUR"})
        table.RegisterKeyword(word, Add(TTimeUnit::Hours));
    for (const char* word : {"MINUTE", "MINUTES", "MIN", "MINS"})
        table.RegisterKeyword(word, Add(TTimeUnit::Minutes));
    table.RegisterKeyword("TODAY", [](TDateTimeEvaluator& e) { return e.Today(); });
    table.RegisterKeyword("NOW", [](TDateTimeEvaluator& e) { return e.NowWord(); });
    return table;
}

namespace {
std::unique_ptr<TDateKeywordTable>& ProcessTable() {
    static std::unique_ptr<TDateKeywordTable> table;
    return table;
}
} // namespace

void InitDateKeywords() {
    ProcessTable() = std::make_unique<TDateKeywordTable>(
        BuildDateKeywords(LocaleSettings(), &EnglishFormatSettings()));
}

const TDateKeywordTable& DateKeywords() {
    if (!ProcessTable())
        InitDateKeywords();
    return *ProcessTable();
}

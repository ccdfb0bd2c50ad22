// Typed date phrases, date fields, spans and times of day: no crash, no escaped exception
// from the phrase readers, and a phrase's date is 0 or a valid date.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/dateparser.h"
#include "core/datetexts.h"
#include "core/durationtexts.h"
#include "platform/sysutils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const TDateKeywordTable table = BuildDateKeywords(EnglishFormatSettings(), nullptr);
    static const bool clockSet = [] {
        SetClock([] { return EncodeDateTime(2026, 5, 13, 9, 0, 0, 0); });
        return true;
    }();
    (void)clockSet;
    std::string text(reinterpret_cast<const char*>(data), size);
    TParsedPhrase r = ParsePhrase(text, EncodeDateTime(2026, 12, 31, 23, 30, 0, 0), table);
    if (r.FirstDate != 0 && !(r.FirstDate >= -693593 && r.FirstDate < 2958466))
        std::abort();
    if (!std::isfinite(ParseDateTimeText(text, table)))
        std::abort();
    TDateTime span = ParseDuration(text, true, table.Settings());
    if (!(span >= 0))
        std::abort();
    FormatDuration(true, true, false, true, span);
    try {
        ParseTimeText(text, true, table.Settings());
    } catch (const Exception&) {
    }
    return 0;
}

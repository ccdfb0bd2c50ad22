// Date, time and number texts as data files and users supply them: reading never crashes,
// and what the fixed formats read they write back to the same value.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/fixedformats.h"
#include "platform/datetimeformat.h"
#include "platform/sysutils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    const TFormatSettings& en = EnglishFormatSettings();
    TDateTime v;
    double f;
    bool b;
    if (TryStrToDateTime(text, v, en))
        (void)FormatDateTime("c", v, en);
    (void)TryStrToDate(text, v, en);
    (void)TryStrToTime(text, v, en);
    if (TryStrToFloat(text, f, en))
        (void)FloatToStr(f, en);
    (void)TryXmlTextToBool(text, b);
    // The text as a pattern.
    (void)FormatDateTime(text.substr(0, 64), 45351.541666667, en);
    try {
        TDateTime d = XmlTextToDateTime(text);
        // Milliseconds are not written: the text read back is less than a second away.
        if (MilliSecondsBetween(XmlTextToDateTime(DateTimeToXmlText(false, d)), d) >= 1000)
            __builtin_trap();
    } catch (const EConvertError&) {
    }
    double x = XmlTextToFloat(text, 0);
    double back = XmlTextToFloat(FloatToXmlText(x), 0);
    if (std::isfinite(x) && std::fabs(back - x) > 1e-9 + std::fabs(x) * 1e-14)
        __builtin_trap();
    return 0;
}

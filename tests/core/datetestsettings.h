#pragma once
// Locale settings and helpers shared by the date text tests: US, GB and ISO date orders,
// German and Russian names, given as injected settings (no installed locale needed).

#include <cstdio>
#include <string>

#include "localesamples.h"
#include "platform/datetime.h"
#include "platform/formatsettings.h"
#include "testutil.h"

inline TFormatSettings UsSettings() {
    return EnglishFormatSettings();
} // M/d/yyyy, 12-hour

inline TFormatSettings GbSettings() {
    TFormatSettings fs = EnglishFormatSettings();
    fs.ShortDateFormat = "dd/MM/yyyy";
    fs.ShortTimeFormat = "hh:nn";
    fs.LongTimeFormat = "hh:nn:ss";
    fs.TimeAMString = "am";
    fs.TimePMString = "pm";
    fs.FirstDayOfWeek = 0;
    return fs;
}

inline TFormatSettings IsoSettings() { // year, month, day
    TFormatSettings fs = GbSettings();
    fs.ShortDateFormat = "yyyy-MM-dd";
    fs.DateSeparator = "-";
    return fs;
}

// "yyyy-mm-dd hh:nn:ss" (or "0"), for readable comparisons independent of the formatter.
inline std::string Show(TDateTime v) {
    if (v == 0)
        return "0";
    if (!(v > -693594 && v < 2958466))
        return "out of range";
    int y, mo, d, h, mi, s, ms;
    DecodeDateTime(v, y, mo, d, h, mi, s, ms);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, s);
    return buf;
}

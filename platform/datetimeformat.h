#pragma once
// Formatting and reading of date, time and number texts with a TFormatSettings.

#include <string>
#include <string_view>

#include "platform/datetime.h"
#include "platform/formatsettings.h"

// Formats value with a pattern of the runtime's language: "yyyy-mm-dd", "hh:nn:ss",
// "c", "t", "tt", "ddddd", "dddddd", "dddd", "mmmm", 'yyyy-mm-dd"T"hh:nn:ss', "am/pm" etc.
// "m"/"mm" after "h"/"hh" mean minutes. An empty pattern means "c".
std::string FormatDateTime(std::string_view format, TDateTime value,
                           const TFormatSettings& fs = LocaleSettings());

// Reads a date, a time, or a date followed by a time, in the settings' short date order
// and separators. Failure: EConvertError "'<text>' is not a valid date" / "... time" /
// "... date and time".
TDateTime StrToDate(std::string_view text, const TFormatSettings& fs = LocaleSettings());
TDateTime StrToTime(std::string_view text, const TFormatSettings& fs = LocaleSettings());
TDateTime StrToDateTime(std::string_view text, const TFormatSettings& fs = LocaleSettings());
bool TryStrToDate(std::string_view text, TDateTime& value,
                  const TFormatSettings& fs = LocaleSettings());
bool TryStrToTime(std::string_view text, TDateTime& value,
                  const TFormatSettings& fs = LocaleSettings());
bool TryStrToDateTime(std::string_view text, TDateTime& value,
                      const TFormatSettings& fs = LocaleSettings());

// General float text of at most 15 significant digits with the settings' decimal separator.
std::string FloatToStr(double value, const TFormatSettings& fs = LocaleSettings());
// Reads a decimal number with the settings' decimal separator; EConvertError
// "'<text>' is not a valid floating point value".
double StrToFloat(std::string_view text, const TFormatSettings& fs = LocaleSettings());
bool TryStrToFloat(std::string_view text, double& value,
                   const TFormatSettings& fs = LocaleSettings());

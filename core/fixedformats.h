#pragma once
// Date, time, number and Boolean texts of the data files: fixed separators and formats that
// do not depend on the user's locale (date "yyyy-mm-dd", time "hh:nn:ss", '.' decimal).

#include <string>
#include <string_view>

#include "platform/datetime.h"
#include "platform/formatsettings.h"

// The fixed settings: date separator '-', time separator ':', short date "yyyy-mm-dd",
// short and long time "hh:nn:ss", decimal separator '.', everything else empty or zero.
// Built on first use; the user's locale settings are never changed.
const TFormatSettings& FixedFormatSettings();
// Builds the fixed settings; called once at start-up (FixedFormatSettings works without it).
void InitFixedFormatSettings();

// '2009-03-14T08:05:00'; the empty text for exactly 0 when emptyForZero is set.
std::string DateTimeToXmlText(bool emptyForZero, TDateTime value);
// Blank-trimmed empty text gives 0; otherwise every "T" counts as a blank and the text is
// read as a date and/or time with the fixed settings. EConvertError
// "'<text>' is not a valid date and time" when it is neither.
TDateTime XmlTextToDateTime(std::string_view text);
// The trimmed text read as a date and/or time with the fixed settings ('09:30' is 0.3958..).
// EConvertError as above.
TDateTime FixedTextToDateTime(std::string_view text);

// Fixed-point text of value rounded to 9 decimals (at most 15 significant digits), '.' as
// decimal point, no exponent, no trailing zeros: one hour is "0.041666667", one second
// "0.000011574", 0 is "0". Values that are not numbers are written as "0".
std::string FloatToXmlText(double value);
// The data files keep intervals to the second: a positive interval shorter than one second
// (which 9 decimals of a day could write as "0") is read as one second; others stay as they are.
TDateTime HeldInterval(TDateTime span);

// Trims, removes every blank, takes ',' as the decimal point and reads the number (exponent
// form accepted); text that is not a number gives def.
double XmlTextToFloat(std::string_view text, double def);
// The same reading; text that is not a number raises EConvertError
// "'<text>' is not a valid floating point value".
double XmlTextToFloatChecked(std::string_view text);

// Boolean texts: written "-1" (true) and "0" (false).
std::string BoolToXmlText(bool value);
// Reads "True"/"False" in any case and integer texts (non-zero is true), blanks trimmed.
// EConvertError "'<text>' is not a valid boolean value" for anything else.
bool XmlTextToBool(std::string_view text);
bool TryXmlTextToBool(std::string_view text, bool& value);

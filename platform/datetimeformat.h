#pragma once
// Formatting and reading of date, time and number texts with a TFormatSettings.

#include <array>
#include <string>
#include <string_view>

#include "platform/datetime.h"
#include "platform/formatsettings.h"

// The order in which a short date format writes day, month and year: the first "d", "m" and
// "y" (any case) outside quoted text; "M/d/yyyy" gives month, day, year. Day, month, year when
// one of them is missing.
enum class TDatePart { Day, Month, Year };
using TDateOrder = std::array<TDatePart, 3>;
TDateOrder DetermineDateOrder(std::string_view shortDateFormat);

// Formats value with a pattern of the runtime's language (letters in any case):
//   d dd        day number          ddd dddd    short/long weekday name
//   ddddd       ShortDateFormat     dddddd      LongDateFormat
//   m mm        month number        mmm mmmm    short/long month name (in-date form when
//                                               the pattern also holds a day number)
//   yy yyyy     year                h hh n nn s ss z zzz   hour, minute, second, msec
//   m mm right after h/hh are minutes; h/hh count 12 hours when am/pm, a/p or ampm follow
//   (ampm only when the settings have designators: 24-hour locales keep 0..23)
//   am/pm a/p   "am"/"pm" or "a"/"p" in the case written
//   ampm        TimeAMString/TimePMString
//   t tt        ShortTimeFormat/LongTimeFormat
//   c           ShortDateFormat, then " " and LongTimeFormat unless the time is midnight
//   / :         DateSeparator, TimeSeparator
//   "x" 'x'     literal text; any other character is copied
// An empty pattern means "c".
std::string FormatDateTime(std::string_view format, TDateTime value,
                           const TFormatSettings& fs = LocaleSettings());

// One field of a pattern as TDateTimePatternWalker hands it on: Letter (upper case) is Y, M
// (month), D (day number or weekday name, Count 1 to 4), H, N (minutes, also m right after
// h/hh), S or Z; Count is the length of its run of letters. TwelveHour: an hour followed by a
// designator that makes it count 12 hours. DayNumber: the pattern holds a day number (month
// names then take their in-date form).
struct TDateTimeField {
    char Letter;
    size_t Count;
    bool TwelveHour;
    bool DayNumber;
};
// The designators: "am/pm", "a/p" (in the case written) and "ampm" (the settings' strings).
enum class TAmPmDesignator { AmPm, AP, Settings };

// Reads a pattern of the language above for the code that turns it into something: Walk
// hands its pieces in order to the derived class. Separators become the settings' ones;
// ddddd, dddddd, t, tt and c are walked in place, one level deep (deeper ones give nothing).
class TDateTimePatternWalker {
public:
    explicit TDateTimePatternWalker(const TFormatSettings& fs) : fs_(fs) {}
    virtual ~TDateTimePatternWalker() = default;
    void Walk(std::string_view pattern, int level = 0);

protected:
    // Text that stands as it is: separators, quoted text, characters and letters of no field.
    virtual void Literal(std::string_view text) = 0;
    virtual void Field(const TDateTimeField& field) = 0;
    // A designator; written holds its letters as the pattern writes them.
    virtual void Designator(TAmPmDesignator kind, std::string_view written) = 0;
    // Whether "c" adds a blank and the long time after the short date.
    virtual bool CombinedWithTime() { return true; }
    // The settings have no am/pm strings (24-hour locales): "ampm" writes nothing.
    bool AmPmIsEmpty() const { return fs_.TimeAMString.empty() && fs_.TimePMString.empty(); }

    const TFormatSettings& fs_;

private:
    bool TwelveHourAhead(std::string_view pattern, size_t from) const;
    size_t WalkDesignator(std::string_view pattern, size_t pos); // the letters consumed
};
std::string DateToStr(TDateTime value, const TFormatSettings& fs = LocaleSettings());     // "ddddd"
std::string TimeToStr(TDateTime value, const TFormatSettings& fs = LocaleSettings());     // "tt"
std::string DateTimeToStr(TDateTime value, const TFormatSettings& fs = LocaleSettings()); // "c"

// Reads a date, a time, or a date followed by a time, in the settings' short date order
// (the first of d, m, y in ShortDateFormat) and separators; blanks around the parts are
// allowed. A date of two numbers is in the current year (from Now()); a year of one or two
// digits is placed by TwoDigitYearCenturyWindow. A time is h[:n[:s[<decimal>fraction]]]
// with an optional AM/PM designator (the settings' or English "AM"/"PM", any case) before
// or after it. Failure: EConvertError "'<text>' is not a valid date" / "... time" /
// "... date and time". StrToDateTime also accepts a time alone.
TDateTime StrToDate(std::string_view text, const TFormatSettings& fs = LocaleSettings());
TDateTime StrToTime(std::string_view text, const TFormatSettings& fs = LocaleSettings());
TDateTime StrToDateTime(std::string_view text, const TFormatSettings& fs = LocaleSettings());
bool TryStrToDate(std::string_view text, TDateTime& value,
                  const TFormatSettings& fs = LocaleSettings());
bool TryStrToTime(std::string_view text, TDateTime& value,
                  const TFormatSettings& fs = LocaleSettings());
bool TryStrToDateTime(std::string_view text, TDateTime& value,
                      const TFormatSettings& fs = LocaleSettings());

// General float text: at most 15 significant digits with the settings' decimal separator,
// exponent form ("1E-5", "1.5E20") below 0.0001 and from 1E15 on; "NAN", "INF", "-INF".
std::string FloatToStr(double value, const TFormatSettings& fs = LocaleSettings());
// The value in plain decimal form (never an exponent) with at most 15 significant digits,
// trailing zeros dropped; "0" for 0 and for values that are not finite.
std::string FloatToFixedText(double value, std::string_view decimalSeparator);
// Reads a decimal number (blanks around it, optional sign, digits with the settings'
// decimal separator, optional exponent "E-5"); no thousand separators. EConvertError
// "'<text>' is not a valid floating point value".
double StrToFloat(std::string_view text, const TFormatSettings& fs = LocaleSettings());
bool TryStrToFloat(std::string_view text, double& value,
                   const TFormatSettings& fs = LocaleSettings());

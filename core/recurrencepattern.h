#pragma once
// How a reminder repeats: daily, weekly on chosen weekdays, monthly or yearly on a day of the
// month or on the nth matching weekday, or hourly (optionally with a random spread and held
// to a place's open hours); bounded by an end date or a number of occurrences. Holds the
// data, defaults, checked setters, the stream record and the XML element "R", and computes
// the next occurrence.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/placeschedule.h"
#include "platform/classes.h"
#include "platform/datetime.h"
#include "platform/sysutils.h"
#include "platform/xmldom.h"

// Raised by the setters and the next-occurrence computation, always with a fixed message.
class TExRecurrencePattern : public Exception {
public:
    using Exception::Exception;
};

// Any byte value may be stored; only the named ones are stepped, the rest raise
// "Unknown RecurrenceType." when asked for a next occurrence.
enum TRecurrenceType : uint8_t {
    rtDaily = 0,    // every Interval days
    rtWeekly = 1,   // on the mask's weekdays, every Interval weeks (Sunday to Saturday)
    rtMonthly = 2,  // on DayOfMonth, every Interval months
    rtMonthNth = 3, // on the PatternInstance-th mask weekday, every Interval months
    rtUnused = 4,   // rejected
    rtYearly = 5,   // on DayOfMonth of MonthOfYear, every Interval years
    rtYearNth = 6,  // on the PatternInstance-th mask weekday of MonthOfYear
    rtHourly = 7,   // HourlyDelta (or a random span) after the reference time
};

// Bit n is weekday n, 1 = Sunday .. 7 = Saturday (DayOfWeek numbering); bit 0 is unused.
using TDayOfWeekMask = uint8_t;
constexpr TDayOfWeekMask DayOfWeekBits = 0xFE;
constexpr TDayOfWeekMask DayOfWeekBit(int dayOfWeek) {
    return TDayOfWeekMask(1u << dayOfWeek);
}

// Draws a uniform integer in 0 .. n - 1 (n >= 1).
using TRandomFunc = std::function<int64_t(int64_t n)>;
// The process-wide generator, seeded once on first use.
int64_t RecurrenceRandom(int64_t n);

constexpr int RecurrencePatternVersion = 4;

class TRecurrencePattern {
public:
    TRecurrencePattern(); // Reset(0)
    ~TRecurrencePattern();
    TRecurrencePattern(const TRecurrencePattern&) = delete; // copies go through Assign
    TRecurrencePattern& operator=(const TRecurrencePattern&) = delete;

    // Restores the defaults: weekly, interval 1, instance 1, endless, no start date, hourly
    // step one hour, no schedule; mask, day and month from date (Now() when 0).
    void Reset(TDateTime date);
    // Copies every field through the setters (their checks apply, TExRecurrencePattern) and
    // the schedule's grid (or drops this one's schedule).
    void Assign(const TRecurrencePattern& source);

    // ---- Fields -------------------------------------------------------------------------
    TRecurrenceType GetRecurrenceType() const { return recurrenceType_; }
    void SetRecurrenceType(TRecurrenceType value) { recurrenceType_ = value; }
    int GetDayOfMonth() const { return dayOfMonth_; }
    void SetDayOfMonth(int value); // 1..31, else "DayOfMonth out of range"
    int GetMonthOfYear() const { return monthOfYear_; }
    void SetMonthOfYear(int value); // 1..12, else "MonthOfYear out of range"
    int GetPatternInstance() const { return patternInstance_; }
    void SetPatternInstance(int value); // 1..5 (5 = last), else "PatternInstance out of range"
    int GetInterval() const { return interval_; }
    void SetInterval(int value); // >= 1, else "Interval out of range"
    TDayOfWeekMask GetDayOfWeekMask() const { return dayOfWeekMask_; }
    void SetDayOfWeekMask(TDayOfWeekMask value) { dayOfWeekMask_ = value; }
    // -1 = not limited by count; any other value clears the end date.
    int GetOccurrences() const { return occurrences_; }
    void SetOccurrences(int value);
    // Whole days; 0 = no end date. A non-zero end date sets Occurrences to -1.
    TDateTime GetPatternEndDate() const;
    void SetPatternEndDate(TDateTime value);
    TDateTime GetPatternStartDate() const { return patternStartDate_; } // as stored
    TDateTime GetPatternStartDay() const;                               // whole days
    void SetPatternStartDate(TDateTime value) { patternStartDate_ = value; }
    void SetPatternStartDay(TDateTime value);
    bool IsStartDateEmpty() const { return GetPatternStartDay() == 0; }
    bool GetUseCompletionDate() const { return useCompletionDate_; }
    void SetUseCompletionDate(bool value) { useCompletionDate_ = value; }
    int GetGeneratedCount() const { return generatedCount_; }
    void SetGeneratedCount(int value) { generatedCount_ = value; }
    void ResetGeneratedCount() { generatedCount_ = 1; }
    // Days; the step of an hourly pattern (with a random range, its lower bound).
    TDateTime GetHourlyDelta() const { return hourlyDelta_; }
    void SetHourlyDelta(TDateTime value); // > 0, else "HourlyDelta out of range"
    // Days; upper bound of a random hourly step, 0 = none.
    TDateTime GetHourlyDeltaRandomTo() const { return hourlyDeltaRandomTo_; }
    void SetHourlyDeltaRandomTo(TDateTime value); // >= 0, else "HourlyDeltaRandomTo out of range"

    // Stored options without behaviour of their own; kept through Assign and the stream.
    bool GetModeFlagA() const { return modeFlagA_; }
    bool GetModeFlagB() const { return modeFlagB_; }
    void SetModeFlagA(bool value); // True clears B
    void SetModeFlagB(bool value); // True clears A
    int GetModeFlags() const;      // 0 none, 1 A, 2 B
    void SetModeFlags(int value);  // 1 sets A, 2 sets B, else clears both
    uint8_t GetByteOption() const { return byteOption_; }
    void SetByteOption(uint8_t value) { byteOption_ = value; }
    int GetChoiceOption() const { return choiceOption_; }
    void SetChoiceOption(int value); // 0..2; any other value stores 0

    // Sets DayOfMonth, MonthOfYear and PatternInstance to 1 where they lie outside their
    // setters' ranges (the stream record is read without the checks) and returns the setters'
    // messages, none when all three are sound.
    std::vector<std::string> ResetFieldsOutOfRange();

    bool IsEndless() const { return occurrences_ == -1 && GetPatternEndDate() == 0; }

    // The place's open hours, created always open on first request and owned.
    bool HasSchedule() const { return schedule_ != nullptr; }
    TTaskPlaceOpenCloseSchedule& GetSchedule();
    void FreeSchedule() { schedule_.reset(); }

    // ---- Next occurrence ----------------------------------------------------------------
    // The date and time `steps` steps after the due date (or, when UseCompletionDate is set,
    // after the reference date), or 0 when the pattern ends before it. count: add each step
    // to GeneratedCount; forceStep: a candidate on the starting day does not count. Hourly
    // steps always count from referenceDate. steps <= 0 gives the starting day at midnight.
    // Raises TExRecurrencePattern "Unknown RecurrenceType." or "DayOfWeekMask is empty".
    // random draws the hourly spread (RecurrenceRandom when empty).
    TDateTime NextOccurrence(bool count, bool forceStep, TDateTime dueDate, TDateTime referenceDate,
                             int steps, const TRandomFunc& random = {});
    // Whether date lies after the end day, or GeneratedCount went past Occurrences.
    bool IsPastEnd(TDateTime date) const;
    bool IsDayInMask(TDateTime date) const;

    // The step rules (dates are whole days). The first mask weekday on or after date (after,
    // when forceStep), weeks running Sunday to Saturday.
    TDateTime NextWeekly(TDateTime date, bool forceStep) const;
    // DayOfMonth (of MonthOfYear when yearly) on or after date, clamped to the month's end.
    TDateTime NextByDayOfMonth(TDateTime date, bool yearly, bool forceStep) const;
    // The PatternInstance-th mask weekday of the month (of MonthOfYear when yearly).
    TDateTime NextByNthWeekday(TDateTime date, bool yearly, bool forceStep) const;
    // The PatternInstance-th day of the month whose weekday is in the mask (instance 5: the
    // last such day); the month's last day (first, for instance 5) when none matches.
    TDateTime NthWeekdayInMonth(int year, int month) const;
    // referenceDate plus HourlyDelta .. HourlyDeltaRandomTo, in whole minutes, at random.
    TDateTime RandomHourlyDelta(TDateTime referenceDate, const TRandomFunc& random) const;
    // The first moment from t on that lies in an open five-minute slot of the schedule: t
    // itself, or the start of the first open slot after it; t without a schedule; 0 when no
    // slot of the week is open (or the answer lies past the calendar's end).
    TDateTime AdvanceToOpenHours(TDateTime t) const;

    // ---- Persistent forms ---------------------------------------------------------------
    // The stream record, version 4. Reading resets first, refuses a newer version with
    // TExRecurrencePattern, takes fields without the setters' checks except that an
    // Interval below 1 reads as 1, an HourlyDelta not above 0 as one hour, a negative
    // HourlyDeltaRandomTo as 0. EReadError on a short stream.
    void WriteToStream(TStream& stream) const;
    void ReadFromStream(TStream& stream);
    // Attributes of node ("R"), with a child "Hours" when there is a schedule.
    void WriteXml(IXMLNode node) const;
    // Applies every attribute present (no reset) through the setters; conversion and range
    // errors go to the caller, except the clamped values named for ReadFromStream.
    void ReadXml(IXMLNode node, const TScheduleReadQuery& query = {});

private:
    TDateTime StepOnce(TDateTime date, TDateTime& keptTime, bool forceStep, TDateTime referenceDate,
                       const TRandomFunc& random) const;

    uint8_t dayOfMonth_ = 1;
    int occurrences_ = -1;
    int monthOfYear_ = 1;
    int patternInstance_ = 1;
    int interval_ = 1;
    TDateTime patternEndDate_ = 0;
    TDateTime patternStartDate_ = 0;
    TDayOfWeekMask dayOfWeekMask_ = 0;
    TRecurrenceType recurrenceType_ = rtWeekly;
    bool useCompletionDate_ = false;
    int generatedCount_ = 1;
    bool modeFlagA_ = true;
    bool modeFlagB_ = false;
    TDateTime hourlyDelta_ = OneHour;
    uint8_t byteOption_ = 0;
    int choiceOption_ = 0;
    std::unique_ptr<TTaskPlaceOpenCloseSchedule> schedule_;
    TDateTime hourlyDeltaRandomTo_ = 0;
};

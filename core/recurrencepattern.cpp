#include "core/recurrencepattern.h"

#include <cmath>
#include <random>

#include "core/fixedformats.h"
#include "core/productinfo.h"

namespace {

// Whole days of a serial (the time of day dropped, towards zero as the serials count).
TDateTime WholeDays(TDateTime value) {
    return std::trunc(value);
}

// A double read from a stream that is not a number at all gives the fallback.
TDateTime Finite(TDateTime value, TDateTime fallback) {
    return std::isfinite(value) ? value : fallback;
}

} // namespace

int64_t RecurrenceRandom(int64_t n) {
    static std::mt19937_64 generator{std::random_device{}()};
    if (n <= 1)
        return 0;
    return std::uniform_int_distribution<int64_t>(0, n - 1)(generator);
}

TRecurrencePattern::TRecurrencePattern() {
    Reset(0);
}

TRecurrencePattern::~TRecurrencePattern() = default;

void TRecurrencePattern::Reset(TDateTime date) {
    FreeSchedule();
    SetPatternStartDay(0);
    recurrenceType_ = rtWeekly;
    SetPatternEndDate(0);
    SetOccurrences(-1);
    interval_ = 1;
    patternInstance_ = 1;
    useCompletionDate_ = false;
    hourlyDelta_ = OneHour;
    hourlyDeltaRandomTo_ = 0;
    SetModeFlagA(true); // clears B
    byteOption_ = 0;
    choiceOption_ = 0;
    TDateTime d = date == 0 ? Now() : date;
    dayOfWeekMask_ = DayOfWeekBit(DayOfWeek(d));
    dayOfMonth_ = static_cast<uint8_t>(DayOf(d));
    monthOfYear_ = MonthOf(d);
    generatedCount_ = 1;
}

void TRecurrencePattern::Assign(const TRecurrencePattern& source) {
    if (&source == this)
        return;
    SetRecurrenceType(source.recurrenceType_);
    SetPatternStartDate(source.patternStartDate_);
    SetPatternEndDate(source.GetPatternEndDate());
    SetOccurrences(source.occurrences_);
    SetInterval(source.interval_);
    SetPatternInstance(source.patternInstance_);
    SetDayOfWeekMask(source.dayOfWeekMask_);
    SetDayOfMonth(source.dayOfMonth_);
    SetMonthOfYear(source.monthOfYear_);
    SetUseCompletionDate(source.useCompletionDate_);
    SetHourlyDelta(source.hourlyDelta_);
    SetHourlyDeltaRandomTo(source.hourlyDeltaRandomTo_);
    SetModeFlags(source.GetModeFlags());
    SetByteOption(source.byteOption_);
    SetChoiceOption(source.choiceOption_);
    generatedCount_ = source.generatedCount_;
    if (source.schedule_)
        GetSchedule().Assign(*source.schedule_);
    else
        FreeSchedule();
}

void TRecurrencePattern::SetDayOfMonth(int value) {
    if (value < 1 || value > 31)
        throw TExRecurrencePattern("DayOfMonth out of range");
    dayOfMonth_ = static_cast<uint8_t>(value);
}

void TRecurrencePattern::SetMonthOfYear(int value) {
    if (value < 1 || value > 12)
        throw TExRecurrencePattern("MonthOfYear out of range");
    monthOfYear_ = value;
}

void TRecurrencePattern::SetPatternInstance(int value) {
    if (value < 1 || value > 5)
        throw TExRecurrencePattern("PatternInstance out of range");
    patternInstance_ = value;
}

void TRecurrencePattern::SetInterval(int value) {
    // A step of 0 or less would never move past the occurrence being left.
    if (value < 1)
        throw TExRecurrencePattern("Interval out of range");
    interval_ = value;
}

std::vector<std::string> TRecurrencePattern::ResetFieldsOutOfRange() {
    std::vector<std::string> problems;
    const auto check = [&](int value, void (TRecurrencePattern::*set)(int)) {
        try {
            (this->*set)(value);
        } catch (const TExRecurrencePattern& e) {
            problems.push_back(e.Message);
            (this->*set)(1);
        }
    };
    check(dayOfMonth_, &TRecurrencePattern::SetDayOfMonth);
    check(monthOfYear_, &TRecurrencePattern::SetMonthOfYear);
    check(patternInstance_, &TRecurrencePattern::SetPatternInstance);
    return problems;
}

void TRecurrencePattern::SetOccurrences(int value) {
    occurrences_ = value;
    if (value != -1)
        SetPatternEndDate(0);
}

TDateTime TRecurrencePattern::GetPatternEndDate() const {
    return WholeDays(patternEndDate_);
}

void TRecurrencePattern::SetPatternEndDate(TDateTime value) {
    patternEndDate_ = WholeDays(value);
    if (patternEndDate_ != 0)
        SetOccurrences(-1);
}

TDateTime TRecurrencePattern::GetPatternStartDay() const {
    return WholeDays(patternStartDate_);
}

void TRecurrencePattern::SetPatternStartDay(TDateTime value) {
    patternStartDate_ = WholeDays(value);
}

void TRecurrencePattern::SetHourlyDelta(TDateTime value) {
    if (!(value > 0) || !std::isfinite(value))
        throw TExRecurrencePattern("HourlyDelta out of range");
    hourlyDelta_ = value;
}

void TRecurrencePattern::SetHourlyDeltaRandomTo(TDateTime value) {
    if (!(value >= 0) || !std::isfinite(value))
        throw TExRecurrencePattern("HourlyDeltaRandomTo out of range");
    hourlyDeltaRandomTo_ = value;
}

void TRecurrencePattern::SetModeFlagA(bool value) {
    modeFlagA_ = value;
    if (value)
        modeFlagB_ = false;
}

void TRecurrencePattern::SetModeFlagB(bool value) {
    modeFlagB_ = value;
    if (value)
        modeFlagA_ = false;
}

int TRecurrencePattern::GetModeFlags() const {
    return modeFlagA_ ? 1 : modeFlagB_ ? 2 : 0;
}

void TRecurrencePattern::SetModeFlags(int value) {
    modeFlagA_ = value == 1;
    modeFlagB_ = value == 2;
}

void TRecurrencePattern::SetChoiceOption(int value) {
    choiceOption_ = value >= 0 && value <= 2 ? value : 0;
}

TTaskPlaceOpenCloseSchedule& TRecurrencePattern::GetSchedule() {
    if (!schedule_)
        schedule_ = std::make_unique<TTaskPlaceOpenCloseSchedule>();
    return *schedule_;
}

// ---- Stream record ---------------------------------------------------------------------

void TRecurrencePattern::WriteToStream(TStream& stream) const {
    stream.WriteValue<int32_t>(RecurrencePatternVersion);
    stream.WriteValue<int32_t>(recurrenceType_);
    stream.WriteValue<double>(patternStartDate_);
    stream.WriteValue<double>(patternEndDate_);
    stream.WriteValue<int32_t>(occurrences_);
    stream.WriteValue<int32_t>(interval_);
    stream.WriteValue<int32_t>(patternInstance_);
    stream.WriteValue<uint8_t>(dayOfWeekMask_);
    stream.WriteValue<uint8_t>(dayOfMonth_);
    stream.WriteValue<int32_t>(monthOfYear_);
    stream.WriteValue<uint8_t>(useCompletionDate_ ? 1 : 0);
    stream.WriteValue<uint8_t>(modeFlagA_ ? 1 : 0);
    stream.WriteValue<int32_t>(generatedCount_);
    stream.WriteValue<uint8_t>(modeFlagB_ ? 1 : 0);
    stream.WriteValue<double>(hourlyDelta_);
    stream.WriteValue<uint8_t>(byteOption_);
    stream.WriteValue<int32_t>(choiceOption_);
    stream.WriteValue<double>(hourlyDeltaRandomTo_);
    stream.WriteValue<uint8_t>(schedule_ ? 1 : 0);
    if (schedule_)
        schedule_->WriteToStream(stream, INT32_MAX);
}

void TRecurrencePattern::ReadFromStream(TStream& stream) {
    Reset(0);
    int32_t version = stream.ReadValue<int32_t>();
    if (version > RecurrencePatternVersion)
        throw TExRecurrencePattern(NewerVersionMessage() + " (RecurrencePattern object)");
    recurrenceType_ = static_cast<TRecurrenceType>(stream.ReadValue<int32_t>() & 0xFF);
    patternStartDate_ = Finite(stream.ReadValue<double>(), 0);
    patternEndDate_ = Finite(stream.ReadValue<double>(), 0);
    occurrences_ = stream.ReadValue<int32_t>();
    // Steps that would not move are taken as single steps, so older files still open.
    interval_ = std::max<int32_t>(stream.ReadValue<int32_t>(), 1);
    patternInstance_ = stream.ReadValue<int32_t>();
    dayOfWeekMask_ = stream.ReadValue<uint8_t>();
    dayOfMonth_ = stream.ReadValue<uint8_t>();
    monthOfYear_ = stream.ReadValue<int32_t>();
    useCompletionDate_ = stream.ReadValue<uint8_t>() != 0;
    modeFlagA_ = stream.ReadValue<uint8_t>() != 0;
    generatedCount_ = stream.ReadValue<int32_t>();
    if (version >= 2)
        modeFlagB_ = stream.ReadValue<uint8_t>() != 0;
    if (version >= 3) {
        TDateTime delta = stream.ReadValue<double>();
        hourlyDelta_ = std::isfinite(delta) && delta > 0 ? HeldInterval(delta) : OneHour;
        byteOption_ = stream.ReadValue<uint8_t>();
        choiceOption_ = stream.ReadValue<int32_t>();
    }
    if (version >= 4) {
        TDateTime randomTo = stream.ReadValue<double>();
        hourlyDeltaRandomTo_ = std::isfinite(randomTo) && randomTo > 0 ? HeldInterval(randomTo) : 0;
        if (stream.ReadValue<uint8_t>() != 0)
            GetSchedule().ReadFromStream(stream, INT32_MAX);
    }
}

// ---- XML element -----------------------------------------------------------------------

void TRecurrencePattern::WriteXml(IXMLNode node) const {
    node.SetAttribute("RecurrenceType", IntToStr(recurrenceType_));
    TDateTime startDay = GetPatternStartDay();
    node.SetAttribute("PatternStartDate",
                      std::isfinite(startDay) ? Format("%.0f", startDay) : std::string("0"));
    node.SetAttribute("PatternEndDate", FloatToXmlText(patternEndDate_));
    node.SetAttribute("Occurrences", IntToStr(occurrences_));
    node.SetAttribute("Interval", IntToStr(interval_));
    node.SetAttribute("PatternInstance", IntToStr(patternInstance_));
    node.SetAttribute("DayOfWeekMask", IntToStr(dayOfWeekMask_));
    node.SetAttribute("DayOfMonth", IntToStr(dayOfMonth_));
    node.SetAttribute("MonthOfYear", IntToStr(monthOfYear_));
    node.SetAttribute("UseCompletionDate", BoolToXmlText(useCompletionDate_));
    node.SetAttribute("GeneratedCount", IntToStr(generatedCount_));
    node.SetAttribute("HourlyDelta", FloatToXmlText(hourlyDelta_));
    if (hourlyDeltaRandomTo_ != 0)
        node.SetAttribute("HourlyDeltaRandomTo", FloatToXmlText(hourlyDeltaRandomTo_));
    if (schedule_)
        schedule_->WriteXml(node.AddChild("Hours"));
}

namespace {

// An integer attribute that must fit in a byte field; out of range raises rather than wraps.
int ByteValue(const std::string& text, const char* field) {
    int v = StrToInt(text);
    if (v < 0 || v > 255)
        throw TExRecurrencePattern(std::string(field) + " out of range");
    return v;
}

} // namespace

void TRecurrencePattern::ReadXml(IXMLNode node, const TScheduleReadQuery& query) {
    auto read = [&](const char* name, const std::function<void(const std::string&)>& apply) {
        std::string text = Trim(node.Attribute(name));
        if (!text.empty())
            apply(text);
    };
    auto number = [](const std::string& text) { return Finite(XmlTextToFloat(text, 0), 0); };
    read("RecurrenceType", [&](const std::string& t) {
        SetRecurrenceType(static_cast<TRecurrenceType>(ByteValue(t, "RecurrenceType")));
    });
    read("PatternStartDate", [&](const std::string& t) { SetPatternStartDate(number(t)); });
    read("PatternEndDate", [&](const std::string& t) { SetPatternEndDate(number(t)); });
    read("Occurrences", [&](const std::string& t) { SetOccurrences(StrToInt(t)); });
    // Steps that would not move are taken as single steps, so older files still open.
    read("Interval", [&](const std::string& t) { SetInterval(std::max(StrToInt(t), 1)); });
    read("PatternInstance", [&](const std::string& t) { SetPatternInstance(StrToInt(t)); });
    read("DayOfWeekMask", [&](const std::string& t) {
        SetDayOfWeekMask(static_cast<TDayOfWeekMask>(ByteValue(t, "DayOfWeekMask")));
    });
    read("DayOfMonth", [&](const std::string& t) { SetDayOfMonth(StrToInt(t)); });
    read("MonthOfYear", [&](const std::string& t) { SetMonthOfYear(StrToInt(t)); });
    read("UseCompletionDate",
         [&](const std::string& t) { SetUseCompletionDate(XmlTextToBool(t)); });
    read("GeneratedCount", [&](const std::string& t) { generatedCount_ = StrToInt(t); });
    read("HourlyDelta", [&](const std::string& t) {
        TDateTime delta = number(t);
        SetHourlyDelta(delta > 0 ? HeldInterval(delta) : OneHour);
    });
    read("HourlyDeltaRandomTo", [&](const std::string& t) {
        SetHourlyDeltaRandomTo(HeldInterval(std::max(number(t), 0.0)));
    });
    if (IXMLNode hours = node.FindChild("Hours"))
        GetSchedule().ReadXml(hours, false, query);
}

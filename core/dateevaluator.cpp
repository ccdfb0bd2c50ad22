#include "core/dateevaluator.h"

#include <cctype>

#include "core/datetexts.h"
#include "core/datetokenizer.h"
#include "platform/sysutils.h"

namespace {

void RequireDateRange(TDateTime v) {
    if (!InCalendarRange(v))
        throw EConvertError("Date out of range");
}

// The day y-m-d at value's time of day; EConvertError when the day does not exist.
TDateTime WithDate(int year, int month, int day, TDateTime value) {
    return ComposeDateTime(EncodeDate(year, month, day), TimeOf(value));
}

TDateTime AtHour(TDateTime value, int hour) {
    return ComposeDateTime(DateOf(value), EncodeTime(hour, 0, 0, 0));
}

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

bool IsWordChar(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return std::isalnum(u) || u == '\'' || u >= 0x80;
}

// The title followed by the date part without its quote characters. A quote that stood
// between two words leaves a blank, so the words never run together (call mom"tomorrow"
// gives "call mom tomorrow"); blanks before the date part shrink to one, and text typed right
// after the title ("call mom!") stays attached.
std::string JoinTitle(const std::string& title, std::string_view typed) {
    std::string rest;
    char prev = title.empty() ? ' ' : title.back();
    for (size_t i = 0; i < typed.size(); ++i) {
        if (typed[i] != '"') {
            rest += typed[i];
            prev = typed[i];
            continue;
        }
        const char next = i + 1 < typed.size() ? typed[i + 1] : ' ';
        if (IsWordChar(prev) && IsWordChar(next)) {
            rest += ' ';
            prev = ' ';
        }
    }
    if (!rest.empty() && IsBlank(rest.front()))
        return Trim(title + " " + Trim(rest));
    return Trim(title + rest);
}

} // namespace

TDateTimeEvaluator::TDateTimeEvaluator(TDateTime baseDate, const TDateKeywordTable& keywords)
    : keywords_(keywords), baseDate_(baseDate), current_(baseDate) {}

void TDateTimeEvaluator::Reset() {
    tokens_.clear();
    current_ = baseDate_;
    expectedPart_ = keywords_.DateOrder()[0];
    ambiguousDayToken_ = -1;
    dateMarks_ = 0;
    timeGiven_ = yearGiven_ = feb29Pending_ = false;
}

void TDateTimeEvaluator::Evaluate(std::string_view text) {
    Reset();
    title_.clear();
    firstDate_ = 0;
    RequireDateRange(baseDate_);

    // The date words start at the first number or keyword after the last unknown word of
    // two or more letters; quoted words never count.
    TDateParser scan(keywords_);
    scan.KeepUnknownWords = true;
    size_t split = 0;
    bool inDateWords = false;
    for (scan.SetText(text); !scan.IsEnd(); scan.NextToken()) {
        switch (scan.TokenKind()) {
        case tkUnknownWord:
            if (Utf8Length(scan.TokenText()) >= 2) {
                split = scan.TokenEnd();
                inDateWords = false;
            }
            break;
        case tkNumber:
        case tkKeyword:
            if (!inDateWords) {
                split = scan.TokenStart();
                inDateWords = true;
            }
            break;
        default:
            break;
        }
    }
    std::string title = Trim(text.substr(0, split));
    if (title.size() > 2 && title.front() == '"' && title.back() == '"')
        title = title.substr(1, title.size() - 2);

    TDateParser parser(keywords_);
    parser.SetText(text.substr(split));
    if (parser.IsEnd()) {
        // No date words: the rest stays with the title.
        title_ = JoinTitle(title, text.substr(split));
        return;
    }
    title_ = title;

    while (!parser.IsEnd()) {
        tokens_.push_back({parser.TokenText(), parser.TokenKind(), current_});
        bool advance = true;
        switch (parser.TokenKind()) {
        case tkNumber:
            ApplyNumber();
            break;
        case tkTimeSeparator:
            advance = ApplyTimeSeparator(parser);
            break;
        case tkKeyword: {
            current_ = keywords_.Entry(parser.KeywordIndex()).Handler(*this);
            RequireDateRange(current_);
            TTokenKind kind = tokens_.back().Kind;
            if (kind == tkMonthWithDay)
                expectedPart_ = TDatePart::Year;
            else if (kind == tkMonthName)
                expectedPart_ = TDatePart::Day;
            break;
        }
        default:
            break;
        }
        if (advance)
            parser.NextToken();
    }

    firstDate_ = timeGiven_ ? current_ : DateOf(current_);
    // A time alone that already passed today by an hour or more means tomorrow.
    if (dateMarks_ == 0 && firstDate_ < baseDate_ && SameDate(firstDate_, baseDate_) &&
        HoursBetween(firstDate_, baseDate_) >= 1)
        firstDate_ += 1;
    RequireDateRange(firstDate_);
}

// ---- Numbers ------------------------------------------------------------------------------

void TDateTimeEvaluator::ApplyNumber() {
    const size_t index = CurrentIndex();
    const int n = StrToInt(tokens_[index].Text);
    const TDateOrder& order = keywords_.DateOrder();
    TDateParts now = DecodeDate(current_);
    const int daysInMonth = DaysInAMonth(now.Year, now.Month);
    const bool yearDue = expectedPart_ == TDatePart::Year && index != 1;

    if (n >= 1 && !yearDue && n <= daysInMonth) {
        if (expectedPart_ == TDatePart::Month && n <= 12) {
            current_ = SetMonth(current_, n);
            expectedPart_ = NextExpected(order, TDatePart::Month);
            return;
        }
        if (expectedPart_ == TDatePart::Month && ambiguousDayToken_ >= 0) {
            // The earlier day number (<= 12) becomes the month and this one the day, unless
            // that month lacks this day: then this number is a plain day.
            const TPhraseToken& earlier = tokens_[static_cast<size_t>(ambiguousDayToken_)];
            int month = StrToInt(earlier.Text);
            if (n <= DaysInAMonth(YearOf(earlier.Value), month)) {
                current_ = SetDay(SetMonth(earlier.Value, month), n);
                expectedPart_ = TDatePart::Year;
                return;
            }
        }
        current_ = SetDay(current_, n);
        if (n <= 12)
            ambiguousDayToken_ = static_cast<int>(index);
        if (expectedPart_ != TDatePart::Month)
            expectedPart_ = NextExpected(order, TDatePart::Day);
        const TPhraseToken* before = TokenBefore();
        if (before && before->Kind == tkMonthName)
            expectedPart_ = TDatePart::Year;
        return;
    }
    if (n >= 1 && !yearDue && n <= 31) {
        current_ = SetDayInLaterMonth(current_, n);
        expectedPart_ = NextExpected(order, TDatePart::Day);
        return;
    }
    current_ = SetYear(current_, n);
    yearGiven_ = true;
    if (feb29Pending_ && IsLeapYear(YearOf(current_)))
        current_ = SetMonth(SetDay(current_, 29), 2);
    expectedPart_ = NextExpected(order, TDatePart::Year);
    ambiguousDayToken_ = -1;
}

bool TDateTimeEvaluator::ApplyTimeSeparator(TDateParser& parser) {
    const size_t separator = CurrentIndex();
    const TPhraseToken* before = TokenBefore();
    parser.NextToken();
    const bool twoDigitNumber =
        parser.TokenKind() == tkNumber && DigitsBelow(parser.TokenText(), 60);

    if (before && before->Kind == tkTime) {
        // Seconds after an assembled time ("10:20:15"); the time stays as it was otherwise.
        tokens_.pop_back();
        if (!twoDigitNumber)
            return false;
        current_ = IncSecond(current_, StrToInt(parser.TokenText()));
        return true;
    }
    if (!before || before->Kind != tkNumber || !DigitsBelow(before->Text, 24)) {
        // Not after an hour: nothing to assemble.
        tokens_.pop_back();
        return false;
    }

    const int hour = StrToInt(before->Text);
    const TDateTime day = DateOf(before->Value);
    timeGiven_ = true;
    TakeBackDateMark(); // the hour number set no date
    if (twoDigitNumber) {
        const int minutes = StrToInt(parser.TokenText());
        current_ = ComposeDateTime(day, EncodeTime(hour, minutes, 0, 0));
        tokens_[separator].Kind = tkTime;
        tokens_[separator].Text = parser.TokenText();
        return true;
    }
    // The hour stands alone; the token just read is processed in the separator's place.
    current_ = ComposeDateTime(day, EncodeTime(hour, 0, 0, 0));
    tokens_.pop_back();
    return false;
}

// ---- Date operations: each keeps the time of day and marks a date as given -----------

TDateTime TDateTimeEvaluator::SetDay(TDateTime value, int day) {
    TDateParts p = DecodeDate(value);
    ++dateMarks_;
    return WithDate(p.Year, p.Month, day, value);
}

TDateTime TDateTimeEvaluator::SetDayInLaterMonth(TDateTime value, int day) {
    TDateParts p = DecodeDate(value);
    int month = p.Month;
    while (month < 12 && DaysInAMonth(p.Year, month) < day)
        ++month;
    feb29Pending_ = day == 29 && p.Month == 2 && month != 2;
    ++dateMarks_;
    return WithDate(p.Year, month, day, value);
}

TDateTime TDateTimeEvaluator::SetMonth(TDateTime value, int month) {
    TDateParts p = DecodeDate(value);
    int last = DaysInAMonth(p.Year, month);
    int day = p.Day;
    if (day > last) {
        feb29Pending_ = day == 29 && month == 2;
        day = last;
    } else {
        feb29Pending_ = false;
    }
    ++dateMarks_;
    return WithDate(p.Year, month, day, value);
}

TDateTime TDateTimeEvaluator::SetYear(TDateTime value, int year) {
    TDateParts p = DecodeDate(value);
    if (year < 100)
        year += 100 * (p.Year / 100);
    int day = p.Day;
    if (p.Month == 2 && day == 29 && !IsLeapYear(year))
        day = 28;
    ++dateMarks_;
    return WithDate(year, p.Month, day, value);
}

TDateTime TDateTimeEvaluator::SetMonthOn(TDateTime value, int month) {
    if (!yearGiven_ && month < MonthOf(value))
        value = Add(value, TTimeUnit::Years, 1);
    return SetMonth(value, month);
}

TDateTime TDateTimeEvaluator::Add(TDateTime value, TTimeUnit unit, int count) const {
    TDateTime result = value;
    switch (unit) {
    case TTimeUnit::Days:
        result = value + count;
        break;
    case TTimeUnit::Weeks:
        result = value + 7.0 * count;
        break;
    case TTimeUnit::Months:
    case TTimeUnit::Years: {
        int64_t months = unit == TTimeUnit::Years ? int64_t(count) * 12 : count;
        TDateParts p = DecodeDate(value);
        int64_t target = int64_t(p.Year) * 12 + (p.Month - 1) + months;
        if (target < 12 || target >= 10000 * 12) // IncMonth would clamp the year silently
            throw EConvertError("Date out of range");
        result = IncMonth(value, static_cast<int>(months));
        break;
    }
    case TTimeUnit::Hours:
        result = IncHour(value, count);
        break;
    case TTimeUnit::Minutes:
        result = IncMinute(value, count);
        break;
    }
    RequireDateRange(result);
    return result;
}

void TDateTimeEvaluator::TakeBackDateMark() {
    if (dateMarks_ > 0)
        --dateMarks_;
}

const TPhraseToken* TDateTimeEvaluator::TokenBefore(size_t back) const {
    return tokens_.size() > back ? &tokens_[tokens_.size() - 1 - back] : nullptr;
}

// ---- Keyword handlers ---------------------------------------------------------------------

TDateTime TDateTimeEvaluator::Increment(TTimeUnit unit) {
    if (unit == TTimeUnit::Hours || unit == TTimeUnit::Minutes)
        timeGiven_ = true;
    const TPhraseToken* before = TokenBefore();
    if (!before)
        return Add(current_, unit, 1);
    if (before->Kind == tkNumber)
        return Add(before->Value, unit, StrToInt(before->Text));
    return Add(before->Value, unit, 1);
}

TDateTime TDateTimeEvaluator::AmDesignator() {
    timeGiven_ = true;
    const TPhraseToken* before = TokenBefore();
    if (!before || before->Kind == tkTime)
        return HourOf(current_) >= 12 ? IncHour(current_, -12) : current_;
    if (before->Kind == tkNumber && DigitsBelow(before->Text, 13)) {
        TakeBackDateMark();
        int hour = StrToInt(before->Text);
        return AtHour(before->Value, hour == 12 ? 0 : hour);
    }
    return current_;
}

TDateTime TDateTimeEvaluator::PmDesignator() {
    timeGiven_ = true;
    const TPhraseToken* before = TokenBefore();
    if (!before || before->Kind == tkTime)
        return HourOf(current_) < 12 ? IncHour(current_, 12) : current_;
    if (before->Kind == tkNumber && DigitsBelow(before->Text, 24)) {
        TakeBackDateMark();
        int hour = StrToInt(before->Text);
        if (hour == 12)
            hour = 0;
        return AtHour(before->Value, hour < 12 ? hour + 12 : hour);
    }
    return current_;
}

TDateTime TDateTimeEvaluator::Today() {
    ++dateMarks_;
    return timeGiven_ ? ComposeDateTime(DateOf(baseDate_), TimeOf(current_)) : baseDate_;
}

TDateTime TDateTimeEvaluator::Tomorrow() {
    return Add(Today(), TTimeUnit::Days, 1);
}

TDateTime TDateTimeEvaluator::NowWord() {
    timeGiven_ = true;
    return baseDate_;
}

TDateTime TDateTimeEvaluator::WeekdayName(int weekday) {
    const TPhraseToken* before = TokenBefore();
    TDateTime from =
        before && before->Text == "NEXT" ? Add(current_, TTimeUnit::Days, 7) : current_;
    ++dateMarks_;
    int ahead = (weekday - DayOfWeek(from) + 7) % 7;
    return Add(from, TTimeUnit::Days, ahead);
}

TDateTime TDateTimeEvaluator::MonthName(int month) {
    const size_t index = CurrentIndex();
    tokens_[index].Kind = tkMonthName;
    const TDatePart expectedOnEntry = expectedPart_;
    const TDateOrder& order = keywords_.DateOrder();
    const TPhraseToken* before = TokenBefore();

    if (before && before->Text == "NEXT")
        return SetMonthOn(Add(current_, TTimeUnit::Years, 1), month);

    const bool yearBeforeMonth = PrecedingPart(order, TDatePart::Month) == TDatePart::Year;
    const bool dayNumber = before && before->Kind == tkNumber && !yearBeforeMonth;
    int n = 0, monthLength = 0;
    if (dayNumber) {
        n = StrToInt(before->Text);
        monthLength = DaysInAMonth(YearOf(before->Value), month);
    }
    if (dayNumber && n >= monthLength) {
        // The day number reaches the month's end: set the month, then the day if it has it.
        TDateTime value = SetMonthOn(current_, month);
        if (!feb29Pending_) {
            TDateParts p = DecodeDate(value);
            if (n <= DaysInAMonth(p.Year, month)) {
                value = SetDay(value, n);
                tokens_[index].Kind = tkMonthWithDay;
            }
        } else if (PrecedingPart(order, expectedOnEntry) == TDatePart::Day &&
                   before->Text == "29") {
            tokens_[index].Kind = tkMonthWithDay;
        }
        const TPhraseToken* twoBefore = TokenBefore(2);
        if (twoBefore && twoBefore->Text == "NEXT")
            value = Add(value, TTimeUnit::Years, 1);
        return value;
    }
    TDateTime value = SetMonthOn(current_, month);
    if (dayNumber && n < monthLength)
        tokens_[index].Kind = tkMonthWithDay;
    ++dateMarks_;
    return value;
}

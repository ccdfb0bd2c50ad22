#include "core/placeschedule.h"

#include <cmath>

#include "core/datetexts.h"
#include "core/fixedformats.h"
#include "platform/datetimeformat.h"
#include "platform/sysutils.h"

namespace {

const char* const DayCodes[DaysPerWeek] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};

void CheckDay(int day) {
    if (day < 0 || day >= DaysPerWeek)
        throw Exception(Format("Day index out of range: %d", day));
}

void CheckIndex(int index, int count, const char* what) {
    if (index < 0 || index >= count)
        throw Exception(Format("%s index out of range: %d", what, index));
}

// Minutes since midnight of a time of day, seconds ignored; 24:00 gives 0.
int MinuteOfDay(TDateTime time) {
    TTimeParts t = DecodeTime(time);
    return (t.Hour * 60 + t.Minute) % (24 * 60);
}

// "hh:mm" of a time of day; 24:00 is written 00:00.
std::string HourMinuteText(TDateTime time) {
    int64_t minutes = std::llround(TimeOf(time) * MinsPerDay) % (24 * 60);
    return Format("%02d:%02d", static_cast<int>(minutes / 60), static_cast<int>(minutes % 60));
}

bool IsMidnight(TDateTime time) {
    return TimeOf(time) == 0;
}

} // namespace

TTaskPlaceOpenCloseSchedule::TTaskPlaceOpenCloseSchedule() {
    SetAllOpen();
}

bool TTaskPlaceOpenCloseSchedule::IsOpen(TDateTime dateTime, bool checkTime) const {
    // Serials outside the calendar (years 1..9999) belong to no weekday.
    if (!InCalendarRange(dateTime))
        return false;
    const auto& day = grid_[DayOfWeek(dateTime) - 1];
    if (checkTime)
        return day[MinuteOfDay(dateTime) / 5];
    return day.any();
}

TOpenHoursGrid TTaskPlaceOpenCloseSchedule::Grid() const {
    TOpenHoursGrid grid;
    for (int day = 0; day < DaysPerWeek; ++day)
        for (int slot = 0; slot < SlotsPerDay; ++slot)
            grid[day][slot] = grid_[day][slot] ? 1 : 0;
    return grid;
}

bool TTaskPlaceOpenCloseSchedule::GetSlot(int day, int slot) const {
    CheckDay(day);
    CheckIndex(slot, SlotsPerDay, "Slot");
    return grid_[day][slot];
}

void TTaskPlaceOpenCloseSchedule::SetSlot(int day, int slot, bool open) {
    CheckDay(day);
    CheckIndex(slot, SlotsPerDay, "Slot");
    grid_[day][slot] = open;
}

bool TTaskPlaceOpenCloseSchedule::GetCell(int day, int cell) const {
    CheckDay(day);
    CheckIndex(cell, CellsPerDay, "Cell");
    const auto& d = grid_[day];
    return d[cell * 3] || d[cell * 3 + 1] || d[cell * 3 + 2];
}

void TTaskPlaceOpenCloseSchedule::SetCell(int day, int cell, bool open) {
    CheckDay(day);
    CheckIndex(cell, CellsPerDay, "Cell");
    for (int i = 0; i < 3; ++i)
        grid_[day][cell * 3 + i] = open;
}

void TTaskPlaceOpenCloseSchedule::SetRange(int day, bool open, TDateTime startTime,
                                           TDateTime endTime) {
    CheckDay(day);
    if (startTime > endTime && endTime > 0)
        std::swap(startTime, endTime);
    int first = MinuteOfDay(startTime) / 5;
    int endMinute = MinuteOfDay(endTime);
    // Only an end of exactly midnight is the end of the day; 00:05 ends after slot 0.
    int last = endMinute == 0 ? SlotsPerDay - 1 : (endMinute - 1) / 5;
    if (first > last)
        return;
    // Slots first .. last as a mask: all ones, cut to the run's length, moved to its start.
    std::bitset<SlotsPerDay> run;
    run.set();
    run >>= SlotsPerDay - (last - first + 1);
    run <<= first;
    if (open)
        grid_[day] |= run;
    else
        grid_[day] &= ~run;
}

void TTaskPlaceOpenCloseSchedule::SetAllOpen() {
    for (auto& d : grid_)
        d.set();
}

void TTaskPlaceOpenCloseSchedule::SetAllClosed() {
    for (auto& d : grid_)
        d.reset();
}

void TTaskPlaceOpenCloseSchedule::InvertAll() {
    for (auto& d : grid_)
        d.flip();
}

TDateTime TTaskPlaceOpenCloseSchedule::SlotStartTime(int slot) {
    CheckIndex(slot, SlotsPerDay, "Slot");
    return EncodeTime(slot / 12, (slot % 12) * 5, 0, 0);
}

TDateTime TTaskPlaceOpenCloseSchedule::SlotEndTime(int slot) {
    CheckIndex(slot, SlotsPerDay, "Slot");
    return slot == SlotsPerDay - 1 ? 1.0 : SlotStartTime(slot + 1);
}

void TTaskPlaceOpenCloseSchedule::WriteToStream(TStream& stream, int version) const {
    if (version < 2)
        return;
    bool active = version >= 5;
    stream.WriteValue<uint8_t>(active ? 1 : 0);
    if (!active)
        return;
    stream.WriteValue<int32_t>(OpenHoursGridSize);
    for (const auto& d : Grid())
        stream.WriteBuffer(d.data(), SlotsPerDay);
}

void TTaskPlaceOpenCloseSchedule::ReadFromStream(TStream& stream, int version) {
    if (version < 2)
        return;
    if (stream.ReadValue<uint8_t>() == 0)
        return;
    if (version < 5)
        throw Exception("Invalid KVZ data file format. Format Version<5, however "
                        "TTaskPlaceOpenCloseSchedule.Active = TRUE.");
    if (stream.ReadValue<int32_t>() != OpenHoursGridSize)
        throw Exception("Invalid stream: SizeOf PlaceCalendar Array inconsistent");
    if (stream.Remaining() < OpenHoursGridSize)
        throw EReadError("Stream read error");
    TOpenHoursBits grid;
    for (auto& d : grid) {
        std::array<uint8_t, SlotsPerDay> bytes;
        stream.ReadBuffer(bytes.data(), SlotsPerDay);
        for (int slot = 0; slot < SlotsPerDay; ++slot)
            d[slot] = bytes[slot] != 0;
    }
    grid_ = grid;
}

std::vector<TTimeRange> TTaskPlaceOpenCloseSchedule::MergedRanges() const {
    // Runs of open slots, day by day; a run never crosses midnight.
    std::vector<TTimeRange> runs;
    for (int day = 0; day < DaysPerWeek; ++day) {
        int start = -1;
        for (int slot = 0; slot <= SlotsPerDay; ++slot) {
            bool open = slot < SlotsPerDay && grid_[day][slot];
            if (open && start < 0)
                start = slot;
            else if (!open && start >= 0) {
                TTimeRange r;
                r.DayIndex = day;
                r.StartTime = SlotStartTime(start);
                r.EndTime = SlotEndTime(slot - 1);
                runs.push_back(r);
                start = -1;
            }
        }
    }
    // Take the last run, gather every earlier run with the same times in front of its days.
    std::vector<TTimeRange> merged;
    while (!runs.empty()) {
        TTimeRange r = runs.back();
        runs.pop_back();
        r.Days = DayIndexToCode(r.DayIndex);
        for (int i = static_cast<int>(runs.size()) - 1; i >= 0; --i) {
            if (runs[i].StartTime == r.StartTime && runs[i].EndTime == r.EndTime) {
                r.Days = DayIndexToCode(runs[i].DayIndex) + " " + r.Days;
                runs.erase(runs.begin() + i);
            }
        }
        merged.push_back(r);
    }
    return merged;
}

std::string TTaskPlaceOpenCloseSchedule::DayIndexToCode(int index) {
    return index >= 0 && index <= 5 ? DayCodes[index] : DayCodes[6];
}

int TTaskPlaceOpenCloseSchedule::DayCodeToIndex(std::string_view code) {
    for (int i = 0; i < DaysPerWeek; ++i) // as written
        if (code == DayCodes[i])
            return i;
    std::string c = Trim(UpperCase(code));
    for (int i = 0; i < DaysPerWeek; ++i)
        if (c == DayCodes[i])
            return i;
    throw Exception("Can not decode day of week: " + std::string(code) +
                    ". The following codes are supported: SU, MO, TU, WE, TH, FR, SA.");
}

void TTaskPlaceOpenCloseSchedule::WriteXml(IXMLNode node) const {
    auto ranges = MergedRanges();
    if (ranges.empty()) {
        node.AddChild("AlwaysClosed");
        return;
    }
    // Open round the clock all week: an empty element.
    if (ranges.size() == 1 && Trim(ranges[0].Days) == "SU MO TU WE TH FR SA" &&
        IsMidnight(ranges[0].StartTime) && IsMidnight(ranges[0].EndTime))
        return;
    for (auto r = ranges.rbegin(); r != ranges.rend(); ++r) {
        IXMLNode open = node.AddChild("Open");
        open.SetAttribute("Days", r->Days);
        open.SetAttribute("StartTime", HourMinuteText(r->StartTime));
        open.SetAttribute("EndTime", HourMinuteText(r->EndTime));
    }
}

void TTaskPlaceOpenCloseSchedule::ReadXml(IXMLNode node, bool lowerCaseNames,
                                          const TScheduleReadQuery& query) {
    const char* daysName = lowerCaseNames ? "days" : "Days";
    const char* startName = lowerCaseNames ? "startTime" : "StartTime";
    const char* endName = lowerCaseNames ? "endTime" : "EndTime";
    if (node.FindChild(lowerCaseNames ? "alwaysClosed" : "AlwaysClosed")) {
        SetAllClosed();
        return;
    }
    std::vector<TTimeRange> ranges;
    for (int i = 0; i < node.ChildCount(); ++i) {
        IXMLNode child = node.Child(i);
        if (!SameText(child.NodeName(), "open"))
            continue;
        try {
            TTimeRange r;
            r.Days = Trim(child.Attribute(daysName));
            r.StartTime = FixedTextToDateTime(child.Attribute(startName));
            r.EndTime = FixedTextToDateTime(child.Attribute(endName));
            ranges.push_back(r);
        } catch (const Exception& e) {
            std::string question = "Error reading place Open/Close schedule XML: " + e.Message +
                                   ". Continue reading XML?";
            if (!query || !query(question))
                throw;
        }
    }
    if (ranges.empty()) {
        SetAllOpen();
        return;
    }
    SetAllClosed();
    for (const auto& r : ranges) {
        // Codes are split at every single blank; an empty piece is an (unknown) code too.
        size_t from = 0;
        for (;;) {
            size_t blank = r.Days.find(' ', from);
            std::string code =
                r.Days.substr(from, blank == std::string::npos ? blank : blank - from);
            SetRange(DayCodeToIndex(code), true, r.StartTime, r.EndTime);
            if (blank == std::string::npos)
                break;
            from = blank + 1;
        }
    }
}

std::string TTaskPlaceOpenCloseSchedule::DayOpenHoursText(const TTimeRange& range) {
    if (IsMidnight(range.StartTime) && IsMidnight(range.EndTime))
        return "Always open";
    return FormatDateTime("t", range.StartTime) + "-" + FormatDateTime("t", range.EndTime);
}

std::string TTaskPlaceOpenCloseSchedule::OpenHoursText(bool multiline) const {
    auto ranges = MergedRanges();
    if (ranges.empty())
        return "Always closed";
    std::string text = "Open hours:";
    for (auto r = ranges.rbegin(); r != ranges.rend(); ++r) {
        if (multiline)
            text += "\n\r";
        text += r->Days + ": " + DayOpenHoursText(*r) + " ";
    }
    return text;
}

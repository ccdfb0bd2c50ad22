#pragma once
// The weekly opening hours of a place: for each weekday (0 = Sunday .. 6 = Saturday) which
// five-minute slots of the day are open. Held to by hourly recurrence patterns; edited by
// the open/closed-hours grid. Binary form inside the pattern's stream record, XML form as
// the pattern's "Hours" element.

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/classes.h"
#include "platform/datetime.h"
#include "platform/xmldom.h"

constexpr int DaysPerWeek = 7;
constexpr int SlotsPerDay = 288; // five minutes each
constexpr int CellsPerDay = 96;  // fifteen minutes each: three slots
constexpr int OpenHoursGridSize = DaysPerWeek * SlotsPerDay;

// Day-major grid, one byte per slot: 1 open, 0 closed.
using TOpenHoursGrid = std::array<std::array<uint8_t, SlotsPerDay>, DaysPerWeek>;
// The same grid as the schedule holds it, one bit per slot (every hourly reminder of a large
// file may carry one).
using TOpenHoursBits = std::array<std::bitset<SlotsPerDay>, DaysPerWeek>;

// One open interval of one or more days, used to build and read the XML form and the
// summary texts. EndTime 1.0 stands for 24:00.
struct TTimeRange {
    std::string Days;  // day codes joined by one blank, ascending ("MO TU WE")
    int DayIndex = -1; // the day it was found on; -1 when not set
    TDateTime StartTime = 0;
    TDateTime EndTime = 0;
};

// Asked when an "Open" element cannot be read; gets the full question text and answers
// true to skip the element and go on, false to raise the error.
using TScheduleReadQuery = std::function<bool(const std::string& question)>;

class TTaskPlaceOpenCloseSchedule {
public:
    TTaskPlaceOpenCloseSchedule(); // always open

    // Day and cell/slot indexes out of range raise Exception.
    bool IsOpen(TDateTime dateTime, bool checkTime) const; // checkTime false: any slot of the day
    bool GetSlot(int day, int slot) const;
    void SetSlot(int day, int slot, bool open);
    bool GetCell(int day, int cell) const; // any of the cell's three slots open
    void SetCell(int day, int cell, bool open);
    // Sets the slots of one day from start to end (times of day, seconds ignored). When
    // start > end and end > 0 the two are swapped; an end of exactly 00:00 (or 24:00) means
    // the end of the day. Nothing happens when the run is empty.
    void SetRange(int day, bool open, TDateTime startTime, TDateTime endTime);

    void SetAllOpen();
    void SetAllClosed();
    void InvertAll();
    void Assign(const TTaskPlaceOpenCloseSchedule& source) { grid_ = source.grid_; }
    TOpenHoursGrid Grid() const; // a copy, one byte per slot
    bool operator==(const TTaskPlaceOpenCloseSchedule& other) const = default;

    static TDateTime SlotStartTime(int slot); // time of day
    static TDateTime SlotEndTime(int slot);   // slot 287 ends at 1.0

    // Binary form under the owner's format version: nothing below 2; then an Active byte
    // (1 from version 5 on), then int32 2016 and the grid. Reading raises Exception on an
    // Active block under version 5 or a wrong size, EReadError on a short stream; the grid
    // is only changed once the whole block has been read.
    void WriteToStream(TStream& stream, int version) const;
    void ReadFromStream(TStream& stream, int version);

    // XML form inside node ("Hours"): nothing when always open, "AlwaysClosed" when never
    // open, else one "Open" element per merged range (Days, StartTime, EndTime "hh:mm").
    void WriteXml(IXMLNode node) const;
    // Reads what WriteXml wrote (element names compared without regard to case for "Open").
    // A bad "Open" element is put to query (none: the error is raised). An unknown day code
    // raises Exception after the grid was cleared.
    void ReadXml(IXMLNode node, bool lowerCaseNames, const TScheduleReadQuery& query = {});

    // The open intervals, one per run of open slots within a day, merged over days with equal
    // times; in the order the XML writer and the summary walk them backwards.
    std::vector<TTimeRange> MergedRanges() const;
    // "Open hours:" then "<days>: <times> " per range (each on its own line when multiline,
    // lines begun by "\n\r"); "Always closed" when nothing is open.
    std::string OpenHoursText(bool multiline) const;
    // "Always open" for a whole day, else start-end in the user's short time format.
    static std::string DayOpenHoursText(const TTimeRange& range);

    static std::string DayIndexToCode(int index); // indexes outside 0..5 give "SA"
    // Upper-cased and trimmed code to 0..6; an unknown code raises Exception.
    static int DayCodeToIndex(std::string_view code);

private:
    TOpenHoursBits grid_;
};

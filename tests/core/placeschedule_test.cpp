#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "core/placeschedule.h"
#include "testutil.h"

namespace {

TDateTime T(int h, int m) {
    return EncodeTime(h, m, 0, 0);
}

// The open slots of one day as "first-last" runs, e.g. "108-203".
std::string Runs(const TTaskPlaceOpenCloseSchedule& s, int day) {
    std::string out;
    for (int slot = 0; slot < SlotsPerDay; ++slot) {
        if (!s.GetSlot(day, slot) || (slot > 0 && s.GetSlot(day, slot - 1)))
            continue;
        int end = slot;
        while (end + 1 < SlotsPerDay && s.GetSlot(day, end + 1))
            ++end;
        out += (out.empty() ? "" : " ") + std::to_string(slot) + "-" + std::to_string(end);
    }
    return out;
}

} // namespace

TEST(PlaceSchedule, NewScheduleIsAlwaysOpenAndCellsCoverThreeSlots) {
    TTaskPlaceOpenCloseSchedule s;
    EXPECT_TRUE(s.IsOpen(EncodeDateTime(2024, 3, 9, 23, 59, 59, 0), true));
    s.SetAllClosed();
    EXPECT_FALSE(s.IsOpen(EncodeDate(2024, 3, 10), false));
    // Monday 09:00-09:15 is cell 36 of day 1: slots 108..110.
    s.SetCell(1, 36, true);
    EXPECT_EQ(Runs(s, 1), "108-110");
    EXPECT_TRUE(s.GetCell(1, 36));
    EXPECT_FALSE(s.GetCell(1, 37));
    TDateTime monday = EncodeDate(2024, 3, 11);
    EXPECT_TRUE(s.IsOpen(monday + T(9, 14) + 59 * OneSecond, true)); // seconds ignored
    EXPECT_FALSE(s.IsOpen(monday + T(9, 15), true));
    EXPECT_TRUE(s.IsOpen(monday + T(3, 0), false)); // any slot of the day
    EXPECT_FALSE(s.IsOpen(std::nan(""), false));
    s.SetSlot(1, 109, false);
    EXPECT_TRUE(s.GetCell(1, 36)); // one open slot is enough
    s.InvertAll();
    EXPECT_FALSE(s.GetSlot(1, 108));
    EXPECT_TRUE(s.GetSlot(1, 109));
    EXPECT_THROW(s.GetCell(7, 0), Exception);
    EXPECT_THROW(s.SetCell(0, 96, true), Exception);
}

TEST(PlaceSchedule, SetRangeSwapsAndTakesOnlyMidnightAsTheEndOfTheDay) {
    TTaskPlaceOpenCloseSchedule s;
    s.SetAllClosed();
    s.SetRange(2, true, T(17, 0), T(9, 0)); // swapped
    EXPECT_EQ(Runs(s, 2), "108-203");
    s.SetRange(3, true, T(10, 0), 0); // not swapped: to the end of the day
    EXPECT_EQ(Runs(s, 3), "120-287");
    s.SetRange(4, true, T(22, 0), 1.0); // 24:00
    EXPECT_EQ(Runs(s, 4), "264-287");
    s.SetRange(5, true, 0, T(0, 5)); // the first slot alone, not the whole day
    EXPECT_EQ(Runs(s, 5), "0-0");
    s.SetRange(6, true, T(8, 2), T(8, 3)); // within one slot
    EXPECT_EQ(Runs(s, 6), "96-96");
    s.SetRange(0, true, T(8, 0), T(8, 0) + 30 * OneSecond); // ends inside 08:00: nothing
    EXPECT_EQ(Runs(s, 0), "");
}

TEST(PlaceSchedule, SlotTimesAndDayCodes) {
    EXPECT_EQ(TTaskPlaceOpenCloseSchedule::SlotStartTime(0), 0);
    EXPECT_EQ(TTaskPlaceOpenCloseSchedule::SlotStartTime(109), T(9, 5));
    EXPECT_EQ(TTaskPlaceOpenCloseSchedule::SlotEndTime(109), T(9, 10));
    EXPECT_EQ(TTaskPlaceOpenCloseSchedule::SlotEndTime(287), 1.0);
    EXPECT_EQ(TTaskPlaceOpenCloseSchedule::DayIndexToCode(0), "SU");
    EXPECT_EQ(TTaskPlaceOpenCloseSchedule::DayIndexToCode(9), "SA");
    EXPECT_EQ(TTaskPlaceOpenCloseSchedule::DayIndexToCode(-1), "SA");
    EXPECT_EQ(TTaskPlaceOpenCloseSchedule::DayCodeToIndex(" fr "), 5);
    EXPECT_EQ(MessageOf([] { TTaskPlaceOpenCloseSchedule::DayCodeToIndex("XX"); }),
              "Can not decode day of week: XX. The following codes are supported: SU, MO, TU, "
              "WE, TH, FR, SA.");
}

TEST(PlaceSchedule, RangesMergeDaysWithEqualTimes) {
    TTaskPlaceOpenCloseSchedule s;
    s.SetAllClosed();
    for (int d = 1; d <= 5; ++d)
        s.SetRange(d, true, T(9, 0), T(17, 0));
    s.SetRange(1, true, T(18, 0), T(19, 0));
    s.SetRange(6, true, T(10, 0), 0);
    auto r = s.MergedRanges();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].Days, "SA");
    EXPECT_EQ(r[0].EndTime, 1.0);
    EXPECT_EQ(r[1].Days, "MO TU WE TH FR");
    EXPECT_EQ(r[1].StartTime, T(9, 0));
    EXPECT_EQ(r[1].EndTime, T(17, 0));
    EXPECT_EQ(r[2].Days, "MO");
    EXPECT_EQ(r[2].StartTime, T(18, 0));

    TTaskPlaceOpenCloseSchedule open;
    r = open.MergedRanges();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].Days, "SU MO TU WE TH FR SA");
    open.SetAllClosed();
    EXPECT_TRUE(open.MergedRanges().empty());
}

TEST(PlaceSchedule, StreamFormFollowsTheOwnersVersion) {
    TTaskPlaceOpenCloseSchedule a, b;
    a.SetRange(3, false, T(12, 0), T(14, 30));
    TMemoryStream s;
    a.WriteToStream(s, 1);
    EXPECT_EQ(s.Size(), 0);
    a.WriteToStream(s, 4);
    EXPECT_EQ(s.AsString(), std::string(1, '\0'));
    s.Clear();
    a.WriteToStream(s, INT32_MAX);
    ASSERT_EQ(s.Size(), 1 + 4 + OpenHoursGridSize);
    EXPECT_EQ(s.Memory()[5 + 3 * SlotsPerDay + 144], 0); // Wednesday 12:00, day-major
    s.SetPosition(0);
    b.ReadFromStream(s, 5);
    EXPECT_EQ(a, b);

    // Refusals: an active block under version 5, a wrong size, a short grid.
    TMemoryStream old;
    old.WriteValue<uint8_t>(1);
    old.SetPosition(0);
    EXPECT_EQ(MessageOf([&] { b.ReadFromStream(old, 4); }),
              "Invalid KVZ data file format. Format Version<5, however "
              "TTaskPlaceOpenCloseSchedule.Active = TRUE.");
    TMemoryStream size;
    size.WriteValue<uint8_t>(1);
    size.WriteValue<int32_t>(2015);
    size.SetPosition(0);
    EXPECT_EQ(MessageOf([&] { b.ReadFromStream(size, 5); }),
              "Invalid stream: SizeOf PlaceCalendar Array inconsistent");
    std::string cut = s.AsString().substr(0, 1000);
    TMemoryStream shortGrid(cut);
    TTaskPlaceOpenCloseSchedule c;
    c.SetAllClosed();
    EXPECT_THROW(c.ReadFromStream(shortGrid, 5), EReadError);
    EXPECT_EQ(Runs(c, 0), ""); // untouched

    // Bytes other than 0 and 1 read as open.
    std::string odd = s.AsString();
    odd[5] = 7;
    TMemoryStream oddStream(odd);
    c.ReadFromStream(oddStream, 5);
    EXPECT_EQ(c.Grid()[0][0], 1);
}

#include "core/binarydatafile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <random>

#include "core/alertactions.h"
#include "core/datafileerrors.h"
#include "core/productinfo.h"
#include "core/registrymanager.h"
#include "sampledata.h"
#include "testutil.h"
#include "zip/zipstream.h"

namespace {

std::string Saved(const TTockwellDB& db, const std::string& password = "", int32_t version = 1) {
    TMemoryStream s;
    db.SaveToStream(s, password, version);
    return s.AsString();
}

std::string Payload(const TTockwellDB& db) {
    TMemoryStream s;
    WriteDataFilePayload(db, s);
    return s.AsString();
}

template <class T> void Put(std::string& s, T v) {
    s.append(reinterpret_cast<const char*>(&v), sizeof v);
}
template <class T> T Get(const std::string& s, size_t at) {
    T v;
    std::memcpy(&v, s.data() + at, sizeof v);
    return v;
}

// A file around a plain payload, zipped with password, with the given option block.
std::string FileOf(const std::string& plain, const std::string& password = "",
                   const std::string& options = std::string("\x01\x00\x00\x00\x02\x00", 6)) {
    TMemoryStream z(plain);
    CompressStream(z, password);
    std::string f = "TockwellDataFile";
    Put<int32_t>(f, 1);
    f += options;
    Put<int64_t>(f, z.Size());
    return f + z.AsString();
}

void Load(TTockwellDB& db, const std::string& file, const std::string& password = "") {
    TMemoryStream s(file);
    db.LoadFromStream(s, password);
}

template <class E> std::string LoadFailure(TTockwellDB& db, const std::string& file) {
    const std::string before = Payload(db);
    const int count = db.Count();
    try {
        Load(db, file);
    } catch (const E& e) {
        EXPECT_EQ(Payload(db), before) << e.Message;
        EXPECT_EQ(db.Count(), count);
        return e.Message;
    }
    ADD_FAILURE() << "loaded";
    return {};
}

// A database that already holds something of every kind.
void Preload(TTockwellDB& db) {
    db.AddNew("already here", At(2023, 1, 1));
    db.SetHoliday(At(2023, 1, 6));
    db.SetWorkday(At(2023, 1, 7));
    db.SetDateColor(0x123456, At(2024, 6, 1));
    db.SetDateColor(0x654321, At(2023, 2, 2));
}

} // namespace

TEST(BinaryDataFile, RoundTripsEveryKindOfContentAndRunMinimized) {
    TempRegistry registry;
    FixedClock clock(At(2024, 5, 1, 12));
    TTockwellDB db;
    FillSampleDatabase(db);
    const std::string file = Saved(db);
    EXPECT_TRUE(ReadRegistryBool(TockwellSettingsKey, "RunMinimized", false));

    // Header: magic, version 1, one option (tagged Boolean, not protected), payload length.
    EXPECT_EQ(file.substr(0, 16), "TockwellDataFile");
    EXPECT_EQ(Get<int32_t>(file, 16), 1);
    EXPECT_EQ(Get<int32_t>(file, 20), 1);
    EXPECT_EQ(file.substr(24, 2), std::string("\x02\x00", 2));
    EXPECT_EQ(Get<int64_t>(file, 26), int64_t(file.size()) - 34);
    TMemoryStream zipped(file.substr(34));
    DecompressStream(zipped, "");
    const std::string plain = zipped.AsString();
    EXPECT_EQ(plain, Payload(db));
    EXPECT_EQ(Get<int32_t>(plain, 0), 3);
    EXPECT_NE(plain.find(db.GetItem(0)->Caption), std::string::npos); // UTF-8 bytes

    TTockwellDB back;
    Load(back, file);
    ExpectSameDatabase(db, back);
    EXPECT_TRUE(back.DBSettings.RunMinimized);
    EXPECT_EQ(back.GetItem(0)->Owner(), &back);

    // With a password the flag is set and the same password reads it.
    const std::string locked = Saved(db, "secret");
    EXPECT_EQ(locked[25], '\x01');
    TTockwellDB unlocked;
    Load(unlocked, locked, "secret");
    EXPECT_EQ(Payload(unlocked), Payload(db));

    // An empty database: segment 1 is a reminder record and a count 0, then two empty lists
    // and a colour count 0.
    TTockwellDB empty;
    const std::string e = Payload(empty);
    TMemoryStream record;
    empty.DefaultAlertSettings.SaveToStream(record);
    EXPECT_EQ(Get<int64_t>(e, 4), record.Size() + 4);
    const size_t days = 4 + 8 + size_t(record.Size()) + 4;
    EXPECT_EQ(e.substr(days), std::string("\x08\0\0\0\0\0\0\0"
                                          "\0\0\0\0\0\0\0\0"
                                          "\x04\0\0\0\0\0\0\0"
                                          "\0\0\0\0",
                                          28));

    // Through a file, and another program's setting is read back on load.
    TempDir dir;
    SaveBinaryDataFile(db, dir.File("data.tock"));
    WriteRegistryBool(TockwellSettingsKey, "RunMinimized", false);
    TTockwellDB fromFile;
    fromFile.DBSettings.RunMinimized = true;
    LoadBinaryDataFile(fromFile, dir.File("data.tock"));
    EXPECT_EQ(Payload(fromFile), Payload(db));
    EXPECT_FALSE(fromFile.DBSettings.RunMinimized);
    SaveBinaryDataFile(empty, dir.File("data.tock")); // the previous file is kept
    EXPECT_EQ(ReadFileBytes(dir.File("data.tock.bak")), file);
    EXPECT_THROW(LoadBinaryDataFile(fromFile, dir.File("missing.tock")), EFOpenError);
}

TEST(BinaryDataFile, RefusalsComeBeforeAnythingIsRead) {
    TempRegistry registry;
    TTockwellDB source;
    FillSampleDatabase(source);
    TTockwellDB db;
    Preload(db);

    EXPECT_EQ(LoadFailure<ExPasswordNeeded>(db, Saved(source, "secret")),
              "The file is protected by a password");
    EXPECT_EQ(LoadFailure<ExNewerVersionOfFile>(db, Saved(source, "", 2)), NewerVersionMessage());
    EXPECT_EQ(NewerVersionMessage(), "This file was created with newer version of Tockwell. "
                                     "Please download new version of application from " +
                                         std::string(TockwellWebAddress) + " to read this file.");

    std::string wrongCase = Saved(source);
    wrongCase[12] = 'f'; // "TockwellDatafile"
    EXPECT_EQ(LoadFailure<ExInvalidFileFormat>(db, wrongCase), "Invalid file format");
    EXPECT_EQ(LoadFailure<ExInvalidFileFormat>(db, "<?xml"), "Invalid file format");
    EXPECT_EQ(LoadFailure<ExInvalidFileFormat>(db, ""), "Invalid file format");

    // The option must be a tagged Boolean; further options of a newer writer are skipped.
    const std::string plain = Payload(source);
    const std::string badTag("\x01\x00\x00\x00\x00\x01\x00\x00\x00", 9);
    EXPECT_EQ(LoadFailure<Exception>(db, FileOf(plain, "", badTag)),
              "Stream error: unexpected parameter type");
    std::string more("\x03\x00\x00\x00\x02\x00", 6);
    more += std::string("\x03\x02\x00\x00\x00hi", 7) + std::string("\x00\x07\x00\x00\x00", 5);
    TTockwellDB extended;
    Load(extended, FileOf(plain, "", more));
    EXPECT_EQ(Payload(extended), plain);
}

TEST(BinaryDataFile, SegmentCountDecidesWhatIsLoaded) {
    TempRegistry registry;
    TTockwellDB source;
    FillSampleDatabase(source);
    std::string plain = Payload(source);

    // One segment: entries and defaults only; the day lists and colours stay.
    TTockwellDB db;
    Preload(db);
    std::string one = plain;
    one[0] = 1;
    Load(db, FileOf(one));
    ASSERT_EQ(db.Count(), 1 + source.Count());
    EXPECT_EQ(db.GetItem(0)->Caption, "already here");
    EXPECT_EQ(db.GetItem(1)->Caption, source.GetItem(0)->Caption);
    EXPECT_TRUE(db.DefaultAlertSettings.GetIsAutoAlertEnabled());
    EXPECT_TRUE(db.IsHoliday(At(2023, 1, 6), false));
    EXPECT_FALSE(db.IsHoliday(At(2024, 12, 25), false));
    EXPECT_EQ(db.CustomColors.Count(), 2);

    // No segment: nothing changes.
    const std::string before = Payload(db);
    std::string none = plain;
    none[0] = 0;
    Load(db, FileOf(none));
    EXPECT_EQ(Payload(db), before);

    // More segments than present: the three there are read, replacing the days and setting
    // the file's colours; the colours of other days stay.
    TTockwellDB all;
    Preload(all);
    std::string five = plain;
    five[0] = 5;
    Load(all, FileOf(five));
    EXPECT_EQ(all.CustomColors.Count(), 2 + source.CustomColors.Count());
    all.RemoveDateColor(At(2024, 6, 1));
    all.RemoveDateColor(At(2023, 2, 2));
    all.Clear();
    source.Clear();
    ExpectSameDatabase(all, source);
}

TEST(BinaryDataFile, ColorsOfTheFileAreSetDayByDay) {
    TempRegistry registry;
    TTockwellDB source;
    FillSampleDatabase(source);
    source.SetDateColor(0x00FF00, At(2024, 6, 1));
    // Two more for one day, the last one counts.
    std::string plain = Payload(source);
    const size_t colors = plain.size() - 4 - 3 * 12;
    ASSERT_EQ(Get<int32_t>(plain, colors), 3);
    plain.replace(colors, 4, std::string("\x05\0\0\0", 4));
    for (int32_t color : {0x111111, 0x222222}) {
        Put<int32_t>(plain, WholeDay(At(2023, 9, 9)));
        Put<int64_t>(plain, color);
    }
    const int64_t length = 4 + 5 * 12;
    std::memcpy(plain.data() + colors - 8, &length, 8);

    TTockwellDB db;
    Preload(db); // 2023-02-02 and 2024-06-01
    Load(db, FileOf(plain));
    std::vector<std::pair<TDateTime, int32_t>> got;
    for (const TDateColor& c : db.CustomColors)
        got.emplace_back(c.Date, c.Color);
    EXPECT_EQ(got, (std::vector<std::pair<TDateTime, int32_t>>{
                       {At(2023, 2, 2), 0x654321},
                       {At(2023, 9, 9), 0x222222},
                       {At(2024, 3, 8), 255},
                       {At(2024, 5, 1), static_cast<int32_t>(0xFF000008)},
                       {At(2024, 6, 1), 0x00FF00}}));
}

TEST(BinaryDataFile, DamagedPayloadLoadsNothing) {
    TempRegistry registry;
    TTockwellDB source;
    FillSampleDatabase(source);
    TTockwellDB db;
    Preload(db);
    const std::string good = Saved(source);

    // The container: a flipped byte in the deflate data, a wrong checksum, a renamed entry,
    // a cut archive.
    for (size_t at : {size_t(34 + 30 + 7 + 40), good.size() / 2}) {
        std::string damaged = good;
        damaged[at] = char(damaged[at] ^ 0x5A);
        EXPECT_EQ(LoadFailure<ExInvalidFileFormat>(db, damaged).rfind("Invalid file format: ", 0),
                  0u);
    }
    std::string badCrc = good;
    const size_t central = 34 + Get<uint32_t>(good, good.size() - 22 + 16);
    badCrc[central + 16] = char(badCrc[central + 16] ^ 1);
    EXPECT_EQ(LoadFailure<ExInvalidFileFormat>(db, badCrc),
              "Invalid file format: CRC error in \"ZIPDATA\": the entry is damaged");
    std::string renamed = good;
    for (size_t at = 0; (at = renamed.find("ZIPDATA", at)) != std::string::npos;)
        renamed[at + 6] = 'B';
    EXPECT_EQ(LoadFailure<ExInvalidFileFormat>(db, renamed),
              "Invalid file format: The zip archive has no entry named \"ZIPDATA\"");
    std::string cut = good.substr(0, good.size() - 30);
    const int64_t shorter = int64_t(cut.size()) - 34;
    std::memcpy(cut.data() + 26, &shorter, 8);
    EXPECT_EQ(LoadFailure<ExInvalidFileFormat>(db, cut),
              "Invalid file format: Incomplete Zip File");

    // A sound container around a damaged payload: the last entry is cut short; the entries
    // read before it are taken, it is not.
    const std::string plain = Payload(source);
    std::string shortEntries = plain;
    const int64_t l1 = Get<int64_t>(plain, 4);
    shortEntries.erase(size_t(4 + 8 + l1 - 5), 5);
    const int64_t l1short = l1 - 5;
    std::memcpy(shortEntries.data() + 4, &l1short, 8);
    {
        TTockwellDB cut;
        EXPECT_THROW(Load(cut, FileOf(shortEntries)), EReadError);
        ASSERT_EQ(cut.Count(), source.Count() - 1);
        EXPECT_EQ(cut.GetItem(0)->Caption, source.GetItem(0)->Caption);
    }

    // Counts beyond what remains are refused before anything is allocated or read; what came
    // before them (entries and days, or the default alert settings) is taken.
    const std::string badLength = "Stream read error: invalid length";
    std::string hugeColors = plain;
    hugeColors.replace(hugeColors.size() - 4 - 2 * 12, 4, std::string("\xFF\xFF\xFF\x7F", 4));
    {
        TTockwellDB colored;
        Preload(colored);
        EXPECT_EQ(MessageOf([&] { Load(colored, FileOf(hugeColors)); }), badLength);
        EXPECT_EQ(colored.Count(), 1 + source.Count());
        EXPECT_TRUE(colored.IsHoliday(At(2024, 12, 25), false));
        int32_t color = 0;
        EXPECT_TRUE(colored.GetDateColor(color, At(2024, 6, 1)));
        EXPECT_EQ(colored.CustomColors.Count(), 2);
    }
    TMemoryStream defaults;
    source.DefaultAlertSettings.SaveToStream(defaults);
    const size_t entryCount = 4 + 8 + size_t(defaults.Size());
    ASSERT_EQ(Get<int32_t>(plain, entryCount), source.Count());
    for (int32_t count : {INT32_MAX, -1}) {
        std::string hugeEntries = plain;
        std::memcpy(hugeEntries.data() + entryCount, &count, 4);
        const int before = db.Count();
        EXPECT_EQ(MessageOf([&] { Load(db, FileOf(hugeEntries)); }), badLength) << count;
        EXPECT_EQ(db.Count(), before);
        EXPECT_TRUE(db.DefaultAlertSettings.GetIsAutoAlertEnabled());
    }
    std::string hugePayload = good;
    const int64_t huge = INT64_MAX;
    std::memcpy(hugePayload.data() + 26, &huge, 8);
    EXPECT_FALSE(LoadFailure<EReadError>(db, hugePayload).empty());
}

TEST(BinaryDataFile, TruncatedFilesAlwaysRaise) {
    TempRegistry registry;
    TTockwellDB source;
    FillSampleDatabase(source);
    const std::string file = Saved(source);
    TTockwellDB db;
    for (size_t n = 0; n < file.size(); ++n) {
        EXPECT_THROW(Load(db, file.substr(0, n)), Exception) << n;
        ASSERT_EQ(db.Count(), 0) << n;
    }
    // A payload cut short: the entries are taken once their segment is whole.
    const std::string plain = Payload(source);
    const size_t entriesEnd = size_t(4 + 8 + Get<int64_t>(plain, 4));
    for (size_t n = 0; n < plain.size(); n += 7) {
        db.Clear();
        EXPECT_THROW(Load(db, FileOf(plain.substr(0, n))), Exception) << n;
        ASSERT_EQ(db.Count(), n < entriesEnd ? 0 : source.Count()) << n;
    }
}

TEST(BinaryDataFile, AFailedLoadKeepsWhatWasReadWhole) {
    TempRegistry registry;
    TTockwellDB source;
    FillSampleDatabase(source);
    for (int i = 0; i < 4; ++i)
        source.AddNew("more " + std::to_string(i), At(2024, 4, 1 + i, 9));
    const std::string plain = Payload(source);
    // Where entry k's reminder record starts in the payload.
    auto recordOf = [&](int k) {
        TMemoryStream s;
        source.DefaultAlertSettings.SaveToStream(s);
        s.WriteValue<int32_t>(0);
        for (int i = 0; i < k; ++i)
            source.GetItem(i)->SaveToStream(s);
        const TTockwellItem& item = *source.GetItem(k);
        return size_t(4 + 8 + s.Size() + 4 + item.Caption.size() + 4 + item.Notes.size() + 16);
    };

    // Entry 5 holds a reminder record of a newer version: entries 0 to 4 and the default
    // alert settings are taken; entry 5 is not, and days and colours stay as they were.
    std::string newer = plain;
    const int32_t version = 3;
    std::memcpy(newer.data() + recordOf(5), &version, 4);
    TTockwellDB db;
    Preload(db);
    EXPECT_EQ(MessageOf([&] { Load(db, FileOf(newer)); }), NewerVersionMessage());
    ASSERT_EQ(db.Count(), 1 + 5);
    for (int i = 0; i < 5; ++i) {
        TMemoryStream kept, read;
        source.GetItem(i)->SaveToStream(kept);
        db.GetItem(1 + i)->SaveToStream(read);
        EXPECT_EQ(read.AsString(), kept.AsString()) << i;
        EXPECT_EQ(db.GetItem(1 + i)->Owner(), &db);
    }
    EXPECT_TRUE(db.DefaultAlertSettings.GetIsAutoAlertEnabled());
    EXPECT_TRUE(db.IsHoliday(At(2023, 1, 6), false));
    EXPECT_EQ(db.CustomColors.Count(), 2);
    EXPECT_TRUE(db.HasRemindersOnDay(At(2024, 4, 1))); // the indexes know the kept entries
    EXPECT_FALSE(db.HasRemindersOnDay(At(2024, 4, 2)));

    // The holidays are whole but the workdays' count runs past the segment: every entry and
    // the holidays are taken, the workdays stay.
    std::string badWorkdays = plain;
    const size_t days = size_t(4 + 8 + Get<int64_t>(plain, 4)) + 8;
    const size_t workdays = days + 4 + 4 * size_t(Get<int32_t>(plain, days));
    const int32_t tooMany = 1000;
    std::memcpy(badWorkdays.data() + workdays, &tooMany, 4);
    TTockwellDB partly;
    Preload(partly);
    EXPECT_THROW(Load(partly, FileOf(badWorkdays)), EReadError);
    EXPECT_EQ(partly.Count(), 1 + source.Count());
    EXPECT_TRUE(partly.IsHoliday(At(2024, 12, 25), false));
    EXPECT_FALSE(partly.IsHoliday(At(2023, 1, 6), false));
    EXPECT_TRUE(partly.IsWorkday(At(2023, 1, 7), false));
    EXPECT_FALSE(partly.IsWorkday(At(2024, 12, 28), false));
}

TEST(BinaryDataFile, DefaultAlertSettingsCutShortKeepTheDatabasesOwn) {
    TempRegistry registry;
    TTockwellDB source;
    FillSampleDatabase(source); // repetition on, at most 4 alerts
    TMemoryStream record;
    source.DefaultAlertSettings.SaveToStream(record);
    TTockwellDB db;
    db.DefaultAlertSettings.SetMaxAutoAlertCount(7);
    TMemoryStream own;
    db.DefaultAlertSettings.SaveToStream(own);
    // One segment holding the first n bytes of the record.
    for (int64_t n = 0; n < record.Size(); ++n) {
        std::string plain;
        Put<int32_t>(plain, 1);
        Put<int64_t>(plain, n);
        plain += record.AsString().substr(0, size_t(n));
        EXPECT_THROW(Load(db, FileOf(plain)), EReadError) << n;
        TMemoryStream after;
        db.DefaultAlertSettings.SaveToStream(after);
        ASSERT_EQ(after.AsString(), own.AsString()) << n;
    }
}

// The error box shows the message after the file's name: every failure of a damaged,
// truncated or protected file must say why.
TEST(BinaryDataFile, EveryFailureSaysWhy) {
    TempRegistry registry;
    TTockwellDB source;
    FillSampleDatabase(source);
    const std::string file = Saved(source);
    const std::string plain = Payload(source);
    std::vector<std::string> bad = {Saved(source, "secret"), FileOf(plain, "secret")};
    for (size_t n = 0; n < file.size(); ++n) {
        bad.push_back(file.substr(0, n));
        for (char flip : {'\x01', '\xFF'}) {
            std::string damaged = file;
            damaged[n] = char(damaged[n] ^ flip);
            bad.push_back(damaged);
        }
    }
    for (size_t n = 0; n < plain.size(); ++n) {
        bad.push_back(FileOf(plain.substr(0, n)));
        std::string damaged = plain;
        damaged[n] = char(damaged[n] ^ 0xFF);
        bad.push_back(FileOf(damaged));
    }
    int failed = 0;
    for (size_t i = 0; i < bad.size(); ++i) {
        TTockwellDB db;
        try {
            Load(db, bad[i]);
        } catch (const Exception& e) {
            ++failed;
            ASSERT_FALSE(Trim(e.Message).empty()) << i;
        }
    }
    EXPECT_GT(failed, int(file.size()));
}

// Many colours out of order, several for one day: the file's pairs end as SetDateColor for
// each in file order leaves them, the last one of a day winning over earlier ones and over
// the database's own.
TEST(BinaryDataFile, ManyColorsOutOfOrderEndAsSetOneByOne) {
    TempRegistry registry;
    std::mt19937 random(7);
    std::string colors;
    Put<int32_t>(colors, 40);
    TTockwellDB expected;
    Preload(expected);
    for (int32_t i = 0; i < 40; ++i) {
        const TDateTime day = At(2024, 6, 1) + double(random() % 9) - 4; // 2024-06-01 among them
        Put<int32_t>(colors, WholeDay(day));
        Put<int64_t>(colors, 0x010101 * (i + 1));
        expected.SetDateColor(0x010101 * (i + 1), day);
    }
    std::string plain = Payload(TTockwellDB());
    plain.resize(plain.size() - 12); // the empty colour segment
    Put<int64_t>(plain, int64_t(colors.size()));
    plain += colors;

    TTockwellDB db;
    Preload(db);
    Load(db, FileOf(plain));
    std::vector<std::pair<TDateTime, int32_t>> got, want;
    for (const TDateColor& c : db.CustomColors)
        got.emplace_back(c.Date, c.Color);
    for (const TDateColor& c : expected.CustomColors)
        want.emplace_back(c.Date, c.Color);
    EXPECT_EQ(got, want);
    EXPECT_GT(want.size(), 5u);
}

// A date outside the years 1 to 9999 fired at once (-1e9) or was listed thousands of years
// ahead (1e300): the record holding it is refused with where it stands and why (the value in
// digits that read back as it), and what came before it stays.
TEST(BinaryDataFile, DatesOutsideTheYears1To9999AreRefused) {
    TempRegistry registry;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    using Set = std::function<void(TTockwellItem&, double)>;
    const std::vector<std::pair<std::string, Set>> fields = {
        {"the created time", [](TTockwellItem& i, double v) { i.Created = v; }},
        {"the updated time", [](TTockwellItem& i, double v) { i.Updated = v; }},
        {"the alert time",
         [](TTockwellItem& i, double v) { i.GetReminder().SetReminderDateTimeValue(v); }},
        {"the next alert",
         [](TTockwellItem& i, double v) { i.GetReminder().SetNextAlertDateTime(v); }},
        {"the last alert",
         [](TTockwellItem& i, double v) { i.GetReminder().SetLatestAlertDateTime(v); }},
        {"the recurrence start",
         [](TTockwellItem& i, double v) {
             i.GetReminder().RecurrencePattern().SetPatternStartDate(v);
         }},
        {"the recurrence end",
         [](TTockwellItem& i, double v) {
             i.GetReminder().RecurrencePattern().SetPatternEndDate(v);
         }},
    };
    const std::vector<std::pair<double, std::string>> values = {
        {-1e9, "-1000000000"}, {1e300, "1.0000000000000001e+300"},
        {-693594, "-693594"},  {2958466, "2958466"},
        {nan, "nan"},          {inf, "inf"}};
    for (const auto& [what, set] : fields)
        for (const auto& [value, text] : values) {
            if (!std::isfinite(value) && what.starts_with("the recurrence"))
                continue; // read as no date, as ever
            SCOPED_TRACE(what + " " + text);
            TTockwellDB source;
            source.AddNew("fine", At(2024, 5, 1, 9));
            set(*source.AddNew("far off", At(2024, 5, 2, 9)), value);
            TTockwellDB db;
            EXPECT_EQ(MessageOf([&] { Load(db, Saved(source)); }),
                      "Reminder 2 \"far off\": " + what + " " + text +
                          " is not a date of the years 1 to 9999");
            ASSERT_EQ(db.Count(), 1);
            EXPECT_EQ(db.GetItem(0)->Caption, "fine");
        }
    // The first and last days of the years 1 to 9999 are dates.
    TTockwellDB edges;
    edges.AddNew("first", At(2024, 5, 1))->Created = -693593;
    edges.AddNew("last", At(2024, 5, 1))->GetReminder().SetReminderDateTimeValue(2958465.99);
    TTockwellDB back;
    Load(back, Saved(edges));
    EXPECT_EQ(back.Count(), 2);

    // The default alert settings, the day lists and the colours.
    TTockwellDB source;
    source.DefaultAlertSettings.SetNextAlertDateTime(-1e9);
    TTockwellDB db;
    Preload(db);
    EXPECT_EQ(MessageOf([&] { Load(db, Saved(source)); }),
              "Default alert settings: the next alert -1000000000 is not a date of the years 1 "
              "to 9999");
    EXPECT_EQ(db.DefaultAlertSettings.GetNextAlertDateTime(), 0);
    const std::vector<std::pair<std::function<void(TTockwellDB&)>, std::string>> days = {
        {[](TTockwellDB& d) { d.SetHoliday(3000000); }, "Holiday 2: the day 3000000"},
        {[](TTockwellDB& d) { d.SetWorkday(-700000); }, "Workday 1: the day -700000"},
        {[](TTockwellDB& d) { d.SetDateColor(5, 3000000); }, "Custom colour 2: the day 3000000"},
    };
    for (const auto& [add, message] : days) {
        TTockwellDB file;
        file.SetHoliday(At(2024, 12, 25));
        file.SetDateColor(7, At(2024, 12, 25));
        add(file);
        TTockwellDB loaded;
        Preload(loaded);
        EXPECT_EQ(MessageOf([&] { Load(loaded, Saved(file)); }),
                  message + " is not a date of the years 1 to 9999");
        EXPECT_FALSE(loaded.IsHoliday(3000000, false));
        EXPECT_FALSE(loaded.IsWorkday(-700000, false));
        EXPECT_EQ(loaded.CustomColors.Count(), 2);
    }
}

// The stream record is read without the pattern's setters: a day of the month, month or
// instance out of range failed every later step or copy of the reminder. It is refused with the
// message the XML form gives, and what came before it stays.
TEST(BinaryDataFile, PatternFieldsOutOfRangeAreRefused) {
    TempRegistry registry;
    // Offsets in the pattern's record: instance, day of the month, month.
    for (const auto& [offset, field] :
         {std::pair{32, "PatternInstance"}, {37, "DayOfMonth"}, {38, "MonthOfYear"}}) {
        TTockwellDB source;
        source.AddNew("fine", At(2024, 5, 1));
        TRecurrencePattern& p =
            source.AddNew("odd", At(2024, 5, 2))->GetReminder().RecurrencePattern();
        p.SetPatternStartDate(At(2024, 5, 2));
        TMemoryStream record;
        p.WriteToStream(record);
        std::string plain = Payload(source);
        const size_t at = plain.find(record.AsString());
        ASSERT_NE(at, std::string::npos);
        plain[at + offset] = 40;
        TTockwellDB db;
        EXPECT_EQ(MessageOf([&] { Load(db, FileOf(plain)); }),
                  std::string("Reminder 2 \"odd\": ") + field + " out of range");
        ASSERT_EQ(db.Count(), 1);
        EXPECT_EQ(db.GetItem(0)->Caption, "fine");
    }
}

#include "core/binarydatafile.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/datafiledates.h"
#include "core/datafileerrors.h"
#include "core/filehelpers.h"
#include "core/taggedstream.h"
#include "zip/zipstream.h"

namespace {

constexpr int64_t MagicSize = sizeof BinaryDataFileMagic - 1;

// The fewest bytes an entry takes: caption and notes lengths, Created, Updated, and a
// reminder record (version, two dates, two flags, interval, flag, three int32s, seven
// one-byte actions).
constexpr int64_t MinEntryBytes = 4 + 4 + 8 + 8 + (4 + 8 + 8 + 1 + 1 + 8 + 1 + 4 + 4 + 4 + 7);
constexpr int64_t ColorBytes = 4 + 8;

// A refused value is named with the digits that read back as the double the file holds.
std::string StreamValueText(TDataFileValue, double value) {
    return ExactNumberText(value);
}

[[noreturn]] void RaiseBadLength() {
    throw EReadError("Stream read error: invalid length");
}

// A record with a value out of range (DropValuesOutOfRange) is refused with where it stands and
// why.
void CheckValues(const std::string& place, const std::vector<std::string>& problems) {
    if (problems.empty())
        return;
    std::string message = place + ": ";
    for (size_t i = 0; i < problems.size(); ++i)
        message += (i > 0 ? "; " : "") + problems[i];
    throw EConvertError(message);
}

// Each day of the list must be a date of the years 1 to 9999.
void CheckDays(const char* what, const std::vector<int32_t>& days) {
    for (size_t i = 0; i < days.size(); ++i)
        if (!IsDataFileDate(days[i]))
            throw EConvertError(Format("%s %zu: ", what, i + 1) +
                                DateOutOfRangeMessage("the day", ExactNumberText(days[i])));
}

// Segment 1: the default alert settings, then the entries. The settings, and each entry,
// are taken in once read whole, so a failure keeps what came before it.
void ReadEntries(TTockwellDB& db, TMemoryStream& s) {
    const int64_t start = s.Position();
    {
        TReminderItem defaults;
        defaults.LoadFromStream(s);
        CheckValues("Default alert settings", DropValuesOutOfRange(defaults, StreamValueText));
    }
    const int64_t afterDefaults = s.Position();
    s.SetPosition(start);
    db.DefaultAlertSettings.LoadFromStream(s); // read once already: cannot fail
    s.SetPosition(afterDefaults);
    const int32_t count = s.ReadValue<int32_t>();
    if (count < 0 || count > s.Remaining() / MinEntryBytes)
        RaiseBadLength();
    for (int32_t i = 0; i < count; ++i) {
        TTockwellItemPtr item = TTockwellDB::NewItem(std::string(), 0);
        item->LoadFromStream(s);
        CheckValues(DataFileEntryPlace(i + 1, item->Caption),
                    DropValuesOutOfRange(*item, StreamValueText));
        db.Add(item);
    }
}

// Replaces the set's days by the given ones, fed in ascending order so that each insertion
// lands at the end.
void AssignDays(TSortedDates& set, std::vector<int32_t> days) {
    std::sort(days.begin(), days.end());
    set.Clear();
    for (int32_t day : days)
        set.Add(day);
}

// Segment 2: each day list replaces the database's once read whole.
void ReadDays(TTockwellDB& db, TStream& s) {
    std::vector<int32_t> days;
    ReadIntegerList(s, days);
    CheckDays("Holiday", days);
    AssignDays(db.Holidays, std::move(days));
    ReadIntegerList(s, days);
    CheckDays("Workday", days);
    AssignDays(db.Workdays, std::move(days));
}

// Segment 3: the file's colours, read whole, are set day by day: a day of the file takes the
// file's colour (of two for one day the last), other days keep theirs.
void ReadColors(TTockwellDB& db, TStream& s) {
    const int32_t count = s.ReadValue<int32_t>();
    if (count < 0 || count > s.Remaining() / ColorBytes)
        RaiseBadLength();
    std::vector<TDateColor> colors; // in file order
    colors.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        const int32_t day = s.ReadValue<int32_t>();
        const int64_t color = s.ReadValue<int64_t>();
        if (!IsDataFileDate(day))
            throw EConvertError(Format("Custom colour %d: ", i + 1) +
                                DateOutOfRangeMessage("the day", ExactNumberText(day)));
        colors.emplace_back(day, static_cast<int32_t>(color));
    }
    const auto before = [](const TDateColor& a, const TDateColor& b) { return a.Date < b.Date; };
    std::stable_sort(colors.begin(), colors.end(), before);
    // Merged in one pass, as SetDateColor for each in file order would leave them.
    std::vector<TDateColor> kept = db.CustomColors.TakeAll();
    std::vector<TDateColor> merged;
    merged.reserve(kept.size() + colors.size());
    auto k = kept.begin();
    for (size_t i = 0; i < colors.size(); ++i) {
        if (i + 1 < colors.size() && colors[i + 1].Date == colors[i].Date)
            continue;
        for (; k != kept.end() && k->Date <= colors[i].Date; ++k)
            if (k->Date < colors[i].Date)
                merged.push_back(*k);
        merged.push_back(colors[i]);
    }
    merged.insert(merged.end(), k, kept.end());
    db.CustomColors.AssignOrdered(std::move(merged));
}

// Reads the plain payload (already unzipped) into db, each segment as it comes.
void ReadPayload(TStream& payload, TTockwellDB& db) {
    int count = payload.ReadValue<int32_t>();
    TMemoryStream segment;
    if (ReadTaggedSubStream(payload, segment, count))
        ReadEntries(db, segment);
    if (ReadTaggedSubStream(payload, segment, count))
        ReadDays(db, segment);
    if (ReadTaggedSubStream(payload, segment, count))
        ReadColors(db, segment);
}

} // namespace

void WriteDataFilePayload(const TTockwellDB& db, TStream& payload) {
    int count = 0;
    payload.WriteValue<int32_t>(BinaryDataFileSegments);

    TMemoryStream entries;
    db.DefaultAlertSettings.SaveToStream(entries);
    entries.WriteValue<int32_t>(db.Count());
    for (int i = 0; i < db.Count(); ++i)
        db.GetItem(i)->SaveToStream(entries);
    WriteTaggedSubStream(payload, entries, count);

    TMemoryStream days;
    WriteIntegerList(days, std::vector<int32_t>(db.Holidays.begin(), db.Holidays.end()));
    WriteIntegerList(days, std::vector<int32_t>(db.Workdays.begin(), db.Workdays.end()));
    WriteTaggedSubStream(payload, days, count);

    TMemoryStream colors;
    colors.WriteValue<int32_t>(db.CustomColors.Count());
    for (const TDateColor& c : db.CustomColors) {
        colors.WriteValue<int32_t>(WholeDay(c.Date));
        colors.WriteValue<int64_t>(c.Color);
    }
    WriteTaggedSubStream(payload, colors, count);
}

void TTockwellDB::SaveToStream(TStream& stream, const std::string& password,
                               int32_t version) const {
    // Built and zipped first, so that a failure writes nothing to the stream.
    TMemoryStream payload;
    WriteDataFilePayload(*this, payload);
    CompressStream(payload, password);

    stream.WriteBuffer(BinaryDataFileMagic, MagicSize);
    stream.WriteValue<int32_t>(version);
    int options = 0;
    stream.WriteValue<int32_t>(1);
    WriteTaggedBool(stream, !password.empty(), options);
    stream.WriteValue<int64_t>(payload.Size());
    stream.CopyFrom(payload, 0);

    DBSettings.TrySaveRunMinimized();
}

void TTockwellDB::LoadFromStream(TStream& stream, const std::string& password) {
    // A file too short for the magic is no data file either.
    char magic[MagicSize];
    if (stream.Read(magic, MagicSize) != MagicSize ||
        std::memcmp(magic, BinaryDataFileMagic, MagicSize) != 0)
        throw ExInvalidFileFormat();
    if (stream.ReadValue<int32_t>() > BinaryDataFileVersion)
        throw ExNewerVersionOfFile();

    int options = stream.ReadValue<int32_t>();
    bool isProtected = false;
    ReadTaggedBool(stream, isProtected, options, true);
    while (options > 0)
        SkipNextTaggedValue(stream, options);
    if (isProtected && password.empty())
        throw ExPasswordNeeded();

    const int64_t size = stream.ReadValue<int64_t>();
    if (size < 0 || size > stream.Remaining())
        RaiseBadLength();
    TMemoryStream payload;
    if (size > 0)
        payload.CopyFrom(stream, size);
    try {
        DecompressStream(payload, password);
    } catch (const Exception& e) {
        throw ExInvalidFileFormat(std::string(InvalidFileFormatMessage) + ": " + e.Message);
    }

    try {
        ReadPayload(payload, *this);
    } catch (...) {
        RebuildIndexes(); // what was read stays, and is found
        throw;
    }
    DBSettings.LoadRunMinimized();
    RebuildIndexes();
}

void SaveBinaryDataFile(const TTockwellDB& db, const std::string& fileName) {
    SafeWriteFile(fileName, [&](const std::string& tempFile) {
        TFileStream file(tempFile, fmCreate);
        db.SaveToStream(file, std::string(), BinaryDataFileVersion);
        file.Sync();
    });
}

void LoadBinaryDataFile(TTockwellDB& db, const std::string& fileName) {
    TFileStream file(fileName, fmOpenRead);
    db.LoadFromStream(file, std::string());
}

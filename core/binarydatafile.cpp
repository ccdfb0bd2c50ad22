#include "core/binarydatafile.h"

#include <algorithm>
#include <cstring>
#include <vector>

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

[[noreturn]] void RaiseBadLength() {
    throw EReadError("Stream read error: invalid length");
}

// What a payload holds, read and checked in full before the database takes any of it.
struct TPayload {
    bool hasEntries = false;
    TMemoryStream entries; // segment 1, kept to read the default alert settings again
    std::vector<TTockwellItemPtr> items;
    bool hasDays = false;
    std::vector<int32_t> holidays, workdays;
    bool hasColors = false;
    std::vector<std::pair<int32_t, int32_t>> colors; // day, colour, in file order
};

void ReadEntries(TPayload& p) {
    TMemoryStream& s = p.entries;
    TReminderItem defaults;
    defaults.LoadFromStream(s);
    const int32_t count = s.ReadValue<int32_t>();
    if (count < 0 || count > s.Remaining() / MinEntryBytes)
        RaiseBadLength();
    p.items.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        TTockwellItemPtr item = TTockwellDB::NewItem(std::string(), 0);
        item->LoadFromStream(s);
        p.items.push_back(std::move(item));
    }
}

void ReadDays(TStream& s, TPayload& p) {
    ReadIntegerList(s, p.holidays);
    ReadIntegerList(s, p.workdays);
}

void ReadColors(TStream& s, TPayload& p) {
    const int32_t count = s.ReadValue<int32_t>();
    if (count < 0 || count > s.Remaining() / ColorBytes)
        RaiseBadLength();
    p.colors.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        const int32_t day = s.ReadValue<int32_t>();
        const int64_t color = s.ReadValue<int64_t>();
        p.colors.emplace_back(day, static_cast<int32_t>(color));
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

// Reads the plain payload (already unzipped) into p; raises on anything inconsistent.
void ReadPayload(TStream& payload, TPayload& p) {
    int count = payload.ReadValue<int32_t>();
    if ((p.hasEntries = ReadTaggedSubStream(payload, p.entries, count)))
        ReadEntries(p);
    TMemoryStream segment;
    if ((p.hasDays = ReadTaggedSubStream(payload, segment, count)))
        ReadDays(segment, p);
    if ((p.hasColors = ReadTaggedSubStream(payload, segment, count)))
        ReadColors(segment, p);
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

    TPayload p;
    ReadPayload(payload, p);

    // Everything was read: the database takes it over.
    if (p.hasEntries) {
        p.entries.SetPosition(0);
        DefaultAlertSettings.LoadFromStream(p.entries); // read once already: cannot fail
        for (const TTockwellItemPtr& item : p.items)
            Add(item);
    }
    if (p.hasDays) {
        AssignDays(Holidays, std::move(p.holidays));
        AssignDays(Workdays, std::move(p.workdays));
    }
    if (p.hasColors) {
        // The file's colours replace those of the database; of two for one day the last wins.
        std::stable_sort(p.colors.begin(), p.colors.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        ClearDateColors();
        for (size_t i = 0; i < p.colors.size(); ++i)
            if (i + 1 == p.colors.size() || p.colors[i + 1].first != p.colors[i].first)
                CustomColors.Add(TDateColor(p.colors[i].first, p.colors[i].second));
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

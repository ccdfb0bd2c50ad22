#include "zip/ziprecords.h"

#include <algorithm>
#include <vector>

#include "platform/fileutils.h"
#include "zip/zipfileutils.h"
#include "zip/zipnames.h"

namespace {

uint16_t Get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Little-endian record builder.
class TRecord {
public:
    void U16(uint16_t v) {
        bytes_.push_back(static_cast<uint8_t>(v));
        bytes_.push_back(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v) {
        U16(static_cast<uint16_t>(v));
        U16(static_cast<uint16_t>(v >> 16));
    }
    void Text(const std::string& s) { bytes_.insert(bytes_.end(), s.begin(), s.end()); }
    void WriteTo(TStream& stream) const {
        stream.WriteBuffer(bytes_.data(), static_cast<int64_t>(bytes_.size()));
    }

private:
    std::vector<uint8_t> bytes_;
};

uint32_t PositionOf(TStream& stream) {
    int64_t pos = stream.Position();
    if (pos >= MaxZipArchiveSize)
        throw EZipError("Archives of 4 GiB or more are not supported");
    return static_cast<uint32_t>(pos);
}

// Names and comments are stored with 16-bit lengths.
void CheckTextLength(size_t length, const char* what) {
    if (length > static_cast<size_t>(MaxZipCommentLength))
        throw EZipError(Format("The %s is longer than 65,535 bytes", what));
}

// Reads exactly count bytes or restores the position and fails.
bool ReadExact(TStream& stream, void* buffer, int64_t count, int64_t restore) {
    if (count == 0)
        return true;
    if (stream.Read(buffer, count) == count)
        return true;
    stream.SetPosition(restore);
    return false;
}

bool ReadRaw(TStream& stream, uint16_t length, int64_t restore, std::string& out) {
    if (stream.Remaining() < length) {
        stream.SetPosition(restore);
        return false;
    }
    std::string raw(length, '\0');
    if (!ReadExact(stream, raw.data(), length, restore))
        return false;
    out = std::move(raw);
    return true;
}

void SetUtf8Flag(TZipHeaderInfo& h, bool utf8) {
    h.Flags =
        utf8 ? static_cast<uint16_t>(h.Flags | zfUtf8) : static_cast<uint16_t>(h.Flags & ~zfUtf8);
}

// Reads the fixed part of a record that starts with signature into b, or restores the
// position and fails.
bool ReadFixed(TStream& stream, uint8_t* b, int size, uint32_t signature, int64_t start) {
    if (start >= MaxZipArchiveSize || !ReadExact(stream, b, size, start))
        return false;
    if (Get32(b) == signature)
        return true;
    stream.SetPosition(start);
    return false;
}

// The fields local header and central entry share, from the version needed on (p) up to the
// name length.
void ReadSharedFields(const uint8_t* p, TZipHeaderInfo& r) {
    r.VersionNeeded = Get16(p);
    r.Flags = Get16(p + 2);
    r.Method = Get16(p + 4);
    r.DateTime = Get32(p + 6);
    r.CRC = Get32(p + 10);
    r.CompressedSize = Get32(p + 14);
    r.UncompressedSize = Get32(p + 18);
}

// Checks the position and the texts, sets flag bit 11 as the texts need and starts a record
// with signature and, where the entry's version made by goes (central), that version.
TZipHeaderInfo::TStoredTexts BeginEntryRecord(TStream& stream, TZipHeaderInfo& h, TRecord& r,
                                              uint32_t signature) {
    TZipHeaderInfo::TStoredTexts texts = h.StoredTexts();
    PositionOf(stream);
    SetUtf8Flag(h, texts.Utf8);
    r.U32(signature);
    if (signature == CentralHeaderSignature)
        r.U16(h.VersionMadeBy);
    // The fields local header and central entry share, up to the extra field length (0).
    r.U16(h.VersionNeeded);
    r.U16(h.Flags);
    r.U16(h.Method);
    r.U32(h.DateTime);
    r.U32(h.CRC);
    r.U32(h.CompressedSize);
    r.U32(h.UncompressedSize);
    r.U16(static_cast<uint16_t>(texts.Name.size()));
    r.U16(0);
    return texts;
}

int CompareNoCaseThenExact(const std::string& a, const std::string& b) {
    int c = CompareText(a, b);
    if (c != 0)
        return c;
    return a.compare(b);
}

} // namespace

// ---- Dates ----------------------------------------------------------------------------

TDateTime DosDateTimeToDateTime(uint32_t dosDateTime) {
    int sec = static_cast<int>(dosDateTime & 0x1F) * 2;
    int min = static_cast<int>((dosDateTime >> 5) & 0x3F);
    int hour = static_cast<int>((dosDateTime >> 11) & 0x1F);
    int day = static_cast<int>((dosDateTime >> 16) & 0x1F);
    int month = static_cast<int>((dosDateTime >> 21) & 0x0F);
    int year = static_cast<int>((dosDateTime >> 25) & 0x7F) + 1980;
    TDateTime d, t;
    if (!TryEncodeDate(year, month, day, d) || !TryEncodeTime(hour, min, sec, 0, t))
        return 0;
    return d + t;
}

uint32_t DateTimeToDosDateTime(TDateTime value) {
    int y, mo, d, h, mi, s, ms;
    DecodeDateTime(value, y, mo, d, h, mi, s, ms);
    if (y < 1980) {
        y = 1980, mo = 1, d = 1, h = 0, mi = 0, s = 0;
    } else if (y > 2107) {
        y = 2107, mo = 12, d = 31, h = 23, mi = 59, s = 58;
    }
    uint32_t date = static_cast<uint32_t>(((y - 1980) << 9) | (mo << 5) | d);
    uint32_t time = static_cast<uint32_t>((h << 11) | (mi << 5) | (s / 2));
    return (date << 16) | time;
}

// ---- TZipHeaderInfo -------------------------------------------------------------------

void TZipHeaderInfo::SetFileName(std::string name) {
    CheckTextLength(path_.size() + name.size(), "entry name");
    fileName_ = std::move(name);
    hasRawName_ = false;
    rawName_.clear();
}

void TZipHeaderInfo::SetPath(std::string path) {
    if (!path.empty() && path.back() != '/')
        path += '/';
    CheckTextLength(path.size() + fileName_.size(), "entry name");
    path_ = std::move(path);
    hasRawName_ = false;
    rawName_.clear();
}

void TZipHeaderInfo::SetFullName(const std::string& name) {
    fileName_.clear();
    SetPath(ExtractFilePath(name));
    SetFileName(ExtractFileName(name));
}

void TZipHeaderInfo::SetStoredName(std::string stored, bool utf8) {
    std::string name = DecodeZipText(stored, utf8);
    std::replace(name.begin(), name.end(), '\\', '/');
    path_ = ExtractFilePath(name);
    fileName_ = ExtractFileName(name);
    rawName_ = std::move(stored);
    hasRawName_ = true;
}

void TZipHeaderInfo::SetComment(std::string comment) {
    CheckTextLength(comment.size(), "entry comment");
    comment_ = std::move(comment);
    hasRawComment_ = false;
    rawComment_.clear();
}

void TZipHeaderInfo::SetStoredComment(std::string stored, bool utf8) {
    comment_ = DecodeZipText(stored, utf8);
    rawComment_ = std::move(stored);
    hasRawComment_ = true;
}

TZipHeaderInfo::TStoredTexts TZipHeaderInfo::StoredTexts() const {
    std::string name = FullName();
    // Fresh texts say UTF-8 exactly when they need it; stored bytes keep the entry's flag.
    bool flag = hasRawName_ || hasRawComment_ ? (Flags & zfUtf8) != 0
                                              : !IsPlainAscii(name) || !IsPlainAscii(comment_);
    auto fits = [flag](bool raw, const std::string& text) {
        return raw || flag || IsPlainAscii(text);
    };
    TStoredTexts t;
    if (fits(hasRawName_, name) && fits(hasRawComment_, comment_)) {
        t.Name = hasRawName_ ? rawName_ : name;
        t.Comment = hasRawComment_ ? rawComment_ : comment_;
        t.Utf8 = flag;
    } else {
        t.Name = std::move(name);
        t.Comment = comment_;
        t.Utf8 = true;
    }
    CheckTextLength(t.Name.size(), "entry name");
    CheckTextLength(t.Comment.size(), "entry comment");
    return t;
}

// ---- TEndCentral ----------------------------------------------------------------------

void TEndCentral::Reset() {
    Signature = EndCentralSignature;
    ThisDisk = CentralStartDisk = EntriesThisDisk = TotalEntries = 0;
    CentralSize = CentralOffset = EndPosition = RecordPosition = 0;
    Changed = false;
    comment_.clear();
}

void TEndCentral::SetComment(std::string comment) {
    CheckTextLength(comment.size(), "archive comment");
    comment_ = std::move(comment);
}

// ---- Writing --------------------------------------------------------------------------

void WriteLocalHeader(TStream& stream, TZipHeaderInfo& h) {
    TRecord r;
    TZipHeaderInfo::TStoredTexts texts = BeginEntryRecord(stream, h, r, LocalHeaderSignature);
    h.LocalHeaderOffset = PositionOf(stream);
    r.Text(texts.Name);
    r.WriteTo(stream);
}

void WriteCentralEntry(TStream& stream, TZipHeaderInfo& h) {
    TRecord r;
    TZipHeaderInfo::TStoredTexts texts = BeginEntryRecord(stream, h, r, CentralHeaderSignature);
    r.U16(static_cast<uint16_t>(texts.Comment.size()));
    r.U16(h.DiskNumberStart);
    r.U16(h.InternalAttributes);
    r.U32(h.ExternalAttributes);
    r.U32(h.LocalHeaderOffset);
    r.Text(texts.Name);
    r.Text(texts.Comment);
    r.WriteTo(stream);
}

void WriteEndCentral(TStream& stream, const TEndCentral& e) {
    PositionOf(stream);
    TRecord r;
    r.U32(EndCentralSignature);
    r.U16(e.ThisDisk);
    r.U16(e.CentralStartDisk);
    r.U16(e.EntriesThisDisk);
    r.U16(e.TotalEntries);
    r.U32(e.CentralSize);
    r.U32(e.CentralOffset);
    r.U16(e.CommentLength());
    r.Text(e.Comment());
    r.WriteTo(stream);
}

// ---- Reading --------------------------------------------------------------------------

bool ReadLocalHeader(TStream& stream, TZipHeaderInfo& h) {
    int64_t start = stream.Position();
    uint8_t b[LocalHeaderSize];
    std::string name;
    if (!ReadFixed(stream, b, LocalHeaderSize, LocalHeaderSignature, start) ||
        !ReadRaw(stream, Get16(b + 26), start, name))
        return false;
    TZipHeaderInfo r;
    ReadSharedFields(b + 4, r);
    r.VersionMadeBy = 0;
    r.ExtraFieldLength = Get16(b + 28);
    r.InternalAttributes = 0;
    r.ExternalAttributes = 0;
    r.LocalHeaderOffset = static_cast<uint32_t>(start);
    r.SetStoredName(std::move(name), (r.Flags & zfUtf8) != 0);
    h = std::move(r);
    return true;
}

bool ReadCentralEntry(TStream& stream, TZipHeaderInfo& h) {
    int64_t start = stream.Position();
    uint8_t b[CentralHeaderSize];
    std::string name, comment;
    if (!ReadFixed(stream, b, CentralHeaderSize, CentralHeaderSignature, start) ||
        !ReadRaw(stream, Get16(b + 28), start, name))
        return false;
    uint16_t extra = Get16(b + 30);
    if (stream.Remaining() < extra) {
        stream.SetPosition(start);
        return false;
    }
    stream.Seek(extra, TSeekOrigin::soCurrent);
    if (!ReadRaw(stream, Get16(b + 32), start, comment))
        return false;
    TZipHeaderInfo r;
    r.VersionMadeBy = Get16(b + 4);
    ReadSharedFields(b + 6, r);
    r.ExtraFieldLength = extra;
    r.DiskNumberStart = Get16(b + 34);
    r.InternalAttributes = Get16(b + 36);
    r.ExternalAttributes = Get32(b + 38);
    r.LocalHeaderOffset = Get32(b + 42);
    r.CentralRecordPosition = static_cast<uint32_t>(start);
    bool utf8 = (r.Flags & zfUtf8) != 0;
    r.SetStoredName(std::move(name), utf8);
    r.SetStoredComment(std::move(comment), utf8);
    h = std::move(r);
    return true;
}

bool FindEndCentral(TStream& stream, TEndCentral& end) {
    int64_t restore = stream.Position();
    int64_t size = stream.Size();
    if (size < EndCentralSize)
        return false;
    int64_t blockSize = std::min<int64_t>(size, EndCentralSearchSize);
    int64_t blockStart = size - blockSize;
    std::vector<uint8_t> block(static_cast<size_t>(blockSize));
    stream.SetPosition(blockStart);
    if (stream.Read(block.data(), blockSize) != blockSize) {
        stream.SetPosition(restore);
        return false;
    }
    // Candidates from the end backwards: one whose comment ends the stream and whose central
    // directory ends where it begins is best, then one whose comment ends the stream, then
    // one whose comment fits.
    int64_t best = -1;
    int bestScore = 0;
    for (int64_t i = blockSize - EndCentralSize; i >= 0 && bestScore < 3; --i) {
        const uint8_t* p = block.data() + i;
        if (p[0] != 'P' || Get32(p) != EndCentralSignature)
            continue;
        int64_t commentEnd = i + EndCentralSize + Get16(p + 20);
        if (commentEnd > blockSize)
            continue;
        int score = 1;
        if (commentEnd == blockSize)
            score = int64_t(Get32(p + 16)) + Get32(p + 12) == blockStart + i ? 3 : 2;
        if (score > bestScore) {
            best = i;
            bestScore = score;
        }
    }
    stream.SetPosition(restore);
    if (best < 0)
        return false;
    const uint8_t* p = block.data() + best;
    TEndCentral e;
    e.ThisDisk = Get16(p + 4);
    e.CentralStartDisk = Get16(p + 6);
    e.EntriesThisDisk = Get16(p + 8);
    e.TotalEntries = Get16(p + 10);
    e.CentralSize = Get32(p + 12);
    e.CentralOffset = Get32(p + 16);
    uint16_t commentLength = Get16(p + 20);
    const char* comment = reinterpret_cast<const char*>(p + EndCentralSize);
    // The archive comment has no UTF-8 flag: valid UTF-8 is taken as such.
    e.SetComment(DecodeZipText(std::string_view(comment, commentLength), true));
    e.RecordPosition = static_cast<uint32_t>(std::min<int64_t>(blockStart + best, UINT32_MAX));
    e.EndPosition = static_cast<uint32_t>(std::min<int64_t>(size - commentLength, UINT32_MAX));
    end = std::move(e);
    return true;
}

bool HasZip64Locator(TStream& stream, const TEndCentral& end) {
    if (end.RecordPosition < 20)
        return false;
    int64_t restore = stream.Position();
    uint8_t b[4];
    stream.SetPosition(end.RecordPosition - 20);
    bool found = stream.Read(b, 4) == 4 && Get32(b) == Zip64LocatorSignature;
    stream.SetPosition(restore);
    return found;
}

// ---- TSortedZip -----------------------------------------------------------------------

int CompressionRate(const TZipHeaderInfo& h) {
    return ZipPercentage(h.CompressedSize, h.UncompressedSize);
}

int TSortedZip::Compare(const TZipObject& ao, const TZipObject& bo) const {
    const auto* pa = dynamic_cast<const TZipHeaderInfo*>(&ao);
    const auto* pb = dynamic_cast<const TZipHeaderInfo*>(&bo);
    if (!pa || !pb)
        throw EListError("A zip entry list holds only zip entries");
    const TZipHeaderInfo& a = *pa;
    const TZipHeaderInfo& b = *pb;
    // Ties in the date and size orders put the entry already listed (a) first.
    auto descending = [](auto x, auto y) { return x > y ? -1 : x < y ? 1 : -1; };
    switch (SortMode) {
    case TZipSortMode::ByName:
        return CompareNoCaseThenExact(a.FullName(), b.FullName());
    case TZipSortMode::ByFileName:
        return CompareNoCaseThenExact(a.FileName(), b.FileName());
    case TZipSortMode::ByDirectoryName:
        return CompareNoCaseThenExact(a.Path(), b.Path());
    case TZipSortMode::ByDate:
        return descending(a.Date(), b.Date());
    case TZipSortMode::ByCompressedSize:
        return descending(a.CompressedSize, b.CompressedSize);
    case TZipSortMode::ByUnCompressedSize:
        return descending(a.UncompressedSize, b.UncompressedSize);
    case TZipSortMode::ByRate: {
        int ra = CompressionRate(a), rb = CompressionRate(b);
        return ra > rb ? -1 : ra < rb ? 1 : 0;
    }
    case TZipSortMode::ByNone:
        break;
    }
    if (a.DiskNumberStart != b.DiskNumberStart)
        return a.DiskNumberStart < b.DiskNumberStart ? -1 : 1;
    if (a.LocalHeaderOffset != b.LocalHeaderOffset)
        return a.LocalHeaderOffset < b.LocalHeaderOffset ? -1 : 1;
    return 0;
}

TZipHeaderPtr TSortedZip::Header(int index) const {
    auto h = std::dynamic_pointer_cast<TZipHeaderInfo>(Items(index));
    if (!h)
        throw EListError("A zip entry list holds only zip entries");
    return h;
}

int TSortedZip::IndexOfName(const std::string& name) const {
    for (int i = 0; i < Count(); ++i)
        if (Header(i)->FullName() == name)
            return i;
    return -1;
}

#pragma once
// The PKZIP records the library reads and writes (local file header, central directory entry,
// end of central directory record; little-endian), the sorted list of archive entries and the
// enumerations the archive components publish. Names are UTF-8 with '/' between folders; they
// are written with general purpose flag bit 11 when they are not plain ASCII, and names read
// without that bit are taken as code page 437.

#include <cstdint>
#include <string>

#include "platform/classes.h"
#include "platform/datetime.h"
#include "zip/zipcontainer.h"

inline constexpr uint32_t LocalHeaderSignature = 0x04034B50;
inline constexpr uint32_t CentralHeaderSignature = 0x02014B50;
inline constexpr uint32_t EndCentralSignature = 0x06054B50;
inline constexpr uint32_t DataDescriptorSignature = 0x08074B50;
inline constexpr uint32_t Zip64LocatorSignature = 0x07064B50;
inline constexpr int LocalHeaderSize = 30;
inline constexpr int CentralHeaderSize = 46;
inline constexpr int EndCentralSize = 22;
inline constexpr int MaxZipCommentLength = 65535;
// How far from the end the end record can lie: the record and the longest comment.
inline constexpr int EndCentralSearchSize = EndCentralSize + MaxZipCommentLength;
// Archives and entries stay below this size (no Zip64).
inline constexpr int64_t MaxZipArchiveSize = int64_t(1) << 32;

// General purpose flag bits.
inline constexpr uint16_t zfEncrypted = 0x0001;
inline constexpr uint16_t zfDataDescriptor = 0x0008;
inline constexpr uint16_t zfUtf8 = 0x0800;

enum class TZipSortMode {
    ByName,
    ByFileName,
    ByDirectoryName,
    ByDate,
    ByCompressedSize,
    ByUnCompressedSize,
    ByRate,
    ByNone
};
enum class TUZOverwriteMode { Prompt, Always, Never };
enum TIncompleteZipMode { izAssumeMulti, izAssumeBad };
enum TSkipReason { srBadPassword, srNoOverwrite };
enum TZipAction { zaUpdate, zaReplace, zaFreshen };

// DOS date-time (time in the low half, date in the high half, local time) and TDateTime.
// A field that is not a valid date or time converts to 0.
TDateTime DosDateTimeToDateTime(uint32_t dosDateTime);
// Dates before 1980 or after 2107 are clamped to those years' ends; seconds are halved.
uint32_t DateTimeToDosDateTime(TDateTime value);

// One entry: the fields of its local header and central directory entry.
class TZipHeaderInfo : public TZipObject {
public:
    std::string ClassName() const override { return "TZipHeaderInfo"; }

    uint16_t VersionMadeBy = 20;
    uint16_t VersionNeeded = 20;
    uint16_t Flags = 0;
    uint16_t Method = 8;
    uint32_t DateTime = 0; // DOS form
    uint32_t CRC = 0xFFFFFFFF;
    uint32_t CompressedSize = 0; // with the 12-byte encryption header when encrypted
    uint32_t UncompressedSize = 0;
    uint16_t ExtraFieldLength = 0; // as read; written as 0 (no extra bytes are written)
    uint16_t DiskNumberStart = 0;
    uint16_t InternalAttributes = 1;
    uint32_t ExternalAttributes = 0x20;
    uint32_t LocalHeaderOffset = 0;
    uint32_t CentralRecordPosition = 0;
    bool Selected = false;

    // The name without its folder.
    const std::string& FileName() const { return fileName_; }
    // The folder part: empty or ending in '/'.
    const std::string& Path() const { return path_; }
    std::string FullName() const { return path_ + fileName_; }
    // Setting a name whose stored form would exceed 65,535 bytes raises EZipError.
    void SetFileName(std::string name);
    // Appends '/' to a non-empty path that does not end in one.
    void SetPath(std::string path);
    // Splits at the last '/'.
    void SetFullName(const std::string& name);
    // The name as an archive stores it: decoded (bit 11 and valid UTF-8, else code page 437),
    // backslashes taken as '/'. The stored bytes are kept and written again unchanged while
    // the name is not set anew.
    void SetStoredName(std::string stored, bool utf8);
    // Bytes of the stored name (the stored bytes, else the UTF-8 text).
    uint16_t FileNameLength() const {
        return static_cast<uint16_t>(hasRawName_ ? rawName_.size()
                                                 : path_.size() + fileName_.size());
    }

    const std::string& Comment() const { return comment_; }
    // An empty text means no comment; more than 65,535 bytes raise EZipError.
    void SetComment(std::string comment);
    // The comment as stored (decoded like the name; the bytes are kept likewise).
    void SetStoredComment(std::string stored, bool utf8);
    bool HasComment() const { return !comment_.empty(); }
    uint16_t CommentLength() const {
        return static_cast<uint16_t>(hasRawComment_ ? rawComment_.size() : comment_.size());
    }

    // The name and comment bytes to write and whether they need flag bit 11: stored bytes
    // where kept, UTF-8 text elsewhere; when the two cannot share the entry's flag, both as
    // UTF-8 with the flag. Raises EZipError when a text exceeds 65,535 bytes.
    struct TStoredTexts {
        std::string Name, Comment;
        bool Utf8;
    };
    TStoredTexts StoredTexts() const;

    bool Encrypted() const { return (Flags & zfEncrypted) != 0; }
    bool HasDataDescriptor() const { return (Flags & zfDataDescriptor) != 0; }
    // The entry's date as a TDateTime (0 when the stored value is not a date).
    TDateTime Date() const { return DosDateTimeToDateTime(DateTime); }

private:
    std::string fileName_;
    std::string path_;
    std::string comment_;
    std::string rawName_, rawComment_;
    bool hasRawName_ = false, hasRawComment_ = false;
};
using TZipHeaderPtr = std::shared_ptr<TZipHeaderInfo>;

// The end of central directory record.
class TEndCentral {
public:
    TEndCentral() { Reset(); }
    // Signature set, everything else 0, no comment.
    void Reset();

    uint32_t Signature = EndCentralSignature;
    uint16_t ThisDisk = 0;
    uint16_t CentralStartDisk = 0;
    uint16_t EntriesThisDisk = 0;
    uint16_t TotalEntries = 0;
    uint32_t CentralSize = 0;
    uint32_t CentralOffset = 0;
    // Archive size less the comment length, set when the record is found.
    uint32_t EndPosition = 0;
    // Position of the record itself, set when it is found.
    uint32_t RecordPosition = 0;
    // An entry or archive comment changed: the writer rewrites the archive.
    bool Changed = false;

    const std::string& Comment() const { return comment_; }
    void SetComment(std::string comment); // more than 65,535 bytes raise EZipError
    bool HasComment() const { return !comment_.empty(); }
    uint16_t CommentLength() const { return static_cast<uint16_t>(comment_.size()); }

private:
    std::string comment_;
};

// ---- On-disk forms --------------------------------------------------------------------
// Writers raise the stream's exceptions and EZipError when the position reaches 4 GiB.
// Readers never raise: on failure they leave the stream where it was and return false.

// Sets LocalHeaderOffset to the position, then writes the 30 bytes and the name (extra field
// length 0). Sets or clears flag bit 11 as StoredTexts says.
void WriteLocalHeader(TStream& stream, TZipHeaderInfo& header);
// The 46 bytes, the name and the comment (extra field length 0). Sets or clears flag bit 11
// as StoredTexts says.
void WriteCentralEntry(TStream& stream, TZipHeaderInfo& header);
// The 22 bytes and the archive comment.
void WriteEndCentral(TStream& stream, const TEndCentral& end);

// Reads a local header and its name at the position into header (version made by, comment,
// disk, attributes 0; LocalHeaderOffset the position; ExtraFieldLength the local one). The
// stream is left just after the name.
bool ReadLocalHeader(TStream& stream, TZipHeaderInfo& header);
// Reads a central entry, its name and its comment (the extra field is skipped) and sets
// CentralRecordPosition. The stream is left at the next entry.
bool ReadCentralEntry(TStream& stream, TZipHeaderInfo& header);
// Searches the last EndCentralSearchSize bytes for the end record (the last one whose comment
// fits the stream; one ending exactly at the stream's end first) and reads it with its
// comment. False for a stream shorter than 22 bytes or without a record.
bool FindEndCentral(TStream& stream, TEndCentral& end);
// True when a Zip64 end-of-central-directory locator precedes the end record.
bool HasZip64Locator(TStream& stream, const TEndCentral& end);

// ---- TSortedZip -----------------------------------------------------------------------

// A list of entries ordered by a sort mode:
//   ByName: path and file name, ASCII case ignored, then exactly (names differing only in case
//     are different files); ByFileName, ByDirectoryName: likewise on one part;
//   ByDate (newest first), ByCompressedSize, ByUnCompressedSize (largest first): ties keep
//     their insertion order; ByRate: compressed size × 100 / uncompressed size, highest first;
//   ByNone: disk number, then local header offset (the archive's physical order).
class TSortedZip : public TSortedObjectList {
public:
    explicit TSortedZip(TZipSortMode mode = TZipSortMode::ByNone,
                        TDuplicates duplicates = dupAccept)
        : TSortedObjectList(duplicates), SortMode(mode) {}

    int Compare(const TZipObject& a, const TZipObject& b) const override;
    // The entry at index (EListError out of range).
    TZipHeaderPtr Header(int index) const;
    // The index of the entry named name (path and file name, exact), -1 when absent.
    int IndexOfName(const std::string& name) const;

    TZipSortMode SortMode;
};

// Compression rate in percent: 0 for an empty entry, else compressed × 100 / uncompressed,
// rounded, at most 100.
int CompressionRate(const TZipHeaderInfo& header);

#pragma once
// TSuperZip: creates or updates a zip archive. New entries (files named or matched by
// FilesList, or one stream) are deflated and, with a Password, encrypted with the traditional
// PKWARE encryption; the kept entries of an existing archive are copied as they are. The new
// archive is built in memory and then written beside the old one and renamed over it, so that
// a failure leaves the old archive as it was. Entries are dated today at 00:00:00.
//
// The in-memory road (CompressToStream, ExtractToStream) works on the caller's streams only
// and never touches the file system.

#include "zip/deflate.h"
#include "zip/unzipcomponent.h"
#include "zip/zipcrypto.h"

class TSuperZip;

using TStartZipInfoEvent = std::function<void(TSuperZip& Sender, int NumFiles, int64_t TotalBytes,
                                              TEndCentral& EndCentralRecord, bool& StopNow)>;
using TStartZipEvent = std::function<void(TSuperZip& Sender, const std::string& FName,
                                          TZipHeaderInfo& ZipHeader, bool& Skip)>;
using TEndZipEvent =
    std::function<void(TSuperZip& Sender, const std::string& FName, uint32_t UncompressedSize,
                       uint32_t CompressedSize, int64_t CurrentZipSize)>;
using TNoSuchFileEvent = std::function<void(TSuperZip& Sender, const std::string& FName)>;
using TZipFileSkipEvent =
    std::function<void(TSuperZip& Sender, const std::string& FName, bool& Skip)>;

class TSuperZip : public TSuperUnZip {
public:
    TSuperZip();
    ~TSuperZip() override;

    // Deflate level 0-9 (default 6); other values raise EZipError.
    int PackLevel() const { return deflater_.Level(); }
    void SetPackLevel(int level);
    // Masks are searched in the folders below theirs too.
    bool Recurse = false;
    // Store each file's folder with its name (never with a leading '/'). Clearing it clears
    // RelativePaths and StoreVolumes.
    bool StorePaths() const { return storePaths_; }
    void SetStorePaths(bool value);
    // Keep the drive in stored folders. Setting it sets StorePaths. Paths here have no drive,
    // so the stored folders are the same either way.
    bool StoreVolumes() const { return storeVolumes_; }
    void SetStoreVolumes(bool value);
    // Store the short (8.3) names that the file system lists for each folder and file. No
    // file system here lists short names: the names are stored as listed (ZipShortOrLongPath).
    bool Store83Names = false;
    // Kept with the settings only: zipping never removes or changes the source files.
    bool Dispose = false;
    // Store folders relative to RootDir (a folder outside RootDir is stored whole). Setting it
    // sets StorePaths and Recurse.
    bool RelativePaths() const { return relativePaths_; }
    void SetRelativePaths(bool value);
    // An entry that is already in the archive: zaReplace replaces it; zaUpdate and zaFreshen
    // replace it only when it is dated before today; zaFreshen adds no new names.
    TZipAction ZipAction = zaUpdate;

    TStartZipInfoEvent OnStartZipInfo;
    TStartZipEvent OnStartZip;
    TEndZipEvent OnEndZip;
    TNoSuchFileEvent OnNoSuchFile;
    // Kept for callers that assign them; no operation fires them.
    TZipFileSkipEvent OnDisposeFile;
    TZipFileSkipEvent OnDeleteEntry;
    // Source of the encryption header's random bytes (a random device by default).
    TZipRandomByte RandomByte;

    // Before moving to another name, a directory with changed comments is written to the
    // current archive (by Zip with an empty list).
    void SetZipName(const std::string& name) override;

    // Adds the files of FilesList (names, or masks searched with Recurse) to ZipName, creating
    // it or updating it, and returns how many entries were added or replaced. A named file that
    // does not exist goes to OnNoSuchFile. Raises EUserCanceled "User canceled Zip operation."
    // when OnStartZipInfo stops, "User Aborted Operation" on a cancel, EZipError for archives
    // reaching 4 GiB or 65,535 entries and for split archives, and the stream exceptions of reading
    // and writing. Afterwards the new archive's entries are listed by name under ByNone (see
    // SortMode).
    int Zip();
    // Adds source (from its start) as the entry entryName; an entry of that name is replaced.
    // Returns 1 (0 when an event skipped it). Lists the entries as Zip does.
    int ZipStreamEntry(TStream& source, const std::string& entryName);

    // Replaces dest's content by an archive holding all of source as the one entry "ZIPDATA".
    void CompressToStream(TStream& source, TStream& dest);
    // Writes the entry "ZIPDATA" of the archive that source holds into dest. Raises EZipError
    // when there is no such entry, the password is wrong, the data is damaged or the entry is
    // skipped (its compression method unknown: "Unknown Compression Method", after its box),
    // and EFatalUnzipError when its data ends early; dest then ends where it began (at its
    // position then), whatever is raised.
    void ExtractToStream(TStream& source, TStream& dest);

private:
    struct TNewArchive;
    int ZipLoop();
    void ExpandFilesList();
    std::string StoredPath(const std::string& dir) const;
    std::string StoredNameOf(const std::string& listName) const;
    bool AddEntry(const std::string& listName, TNewArchive& out);
    void CopyEntry(const TZipHeaderInfo& entry, TNewArchive& out);
    int CarryOver(TNewArchive& out);
    // Runs work with archive (read when extract, else written) as the archive in place of
    // ZipName; ZipName and the loaded directory are restored afterwards, however work ends.
    void OnMemoryArchive(TStream& archive, bool extract, const std::function<void()>& work);

    bool storePaths_ = false;
    bool relativePaths_ = false;
    bool storeVolumes_ = false;
    TStream* streamSource_ = nullptr; // ZipStreamEntry's source, not owned
    TDeflater deflater_;              // holds the pack level; keeps its buffers from entry to entry
};

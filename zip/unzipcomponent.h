#pragma once
// TSuperUnZip: reads a zip archive's central directory and extracts the entries that match a
// list of masks into files below a destination folder, or one entry into a stream.
//
// Sizes and CRCs come from the central directory (so entries written with a data descriptor
// read correctly); every offset and size is checked against the archive before it is used.
// Extraction refuses entry names that would leave the destination folder ("..", absolute
// names, drive letters). A failed entry is reported and skipped, and extraction goes on with
// the next one: a wrong password goes to OnBadPassword (which may give another) and then to
// OnSkippingFile (srBadPassword); a CRC mismatch or data the decoder cannot read to OnBadCRC;
// an unknown compression method to the "Zip Error" box. A failed file is deleted; a stream
// target keeps what was written. Damage stops the extraction: data that ends before its
// decoder is done raises EFatalUnzipError "Premature end of file reached" (the entry's file
// is deleted, a stream target keeps what was written); damage to the archive itself (headers,
// sizes that run past its end), archives of 4 GiB or more and Zip64 archives raise EZipError.
//
// An archive split over several files ("disks": .z01, .z02, ... and last the one holding the
// central directory, named as ZipName) is read from ZipName on: each time another disk is
// needed, OnGetNextDisk is asked for its file name, which then becomes ZipName.
//
// Questions, boxes and file choices go through ZipPrompts() (zip/zipprompts.h).

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/classes.h"
#include "platform/datetime.h"
#include "zip/ziperrors.h"
#include "zip/zipfileutils.h"
#include "zip/ziprecords.h"

class TSuperUnZip;
class TZipCrypto;

using TStartUnZipInfoEvent =
    std::function<void(TSuperUnZip& Sender, int NumFiles, int64_t TotalBytes, bool& StopNow)>;
using TPercentDoneEvent = std::function<void(TSuperUnZip& Sender, int Percent)>;
using TStartUnZipEvent =
    std::function<void(TSuperUnZip& Sender, int FileIndex, const std::string& FName, bool& Skip)>;
using TEndUnZipEvent =
    std::function<void(TSuperUnZip& Sender, int FileIndex, const std::string& FName)>;
using TPromptForOverwriteEvent =
    std::function<void(TSuperUnZip& Sender, bool& OverWriteIt, int FileIndex, std::string& FName)>;
using TSkippingFileEvent =
    std::function<void(TSuperUnZip& Sender, TSkipReason Reason, int FileIndex)>;
using TBadPasswordEvent =
    std::function<void(TSuperUnZip& Sender, int FileIndex, std::string& NewPassword)>;
using TBadCRCEvent =
    std::function<void(TSuperUnZip& Sender, uint32_t CalcCRC, uint32_t StoredCRC, int FileIndex)>;
using TInCompleteZipEvent =
    std::function<void(TSuperUnZip& Sender, TIncompleteZipMode& IncompleteMode)>;
using TGetNextDiskEvent =
    std::function<void(TSuperUnZip& Sender, int NextDisk, std::string& FName)>;

class TSuperUnZip {
public:
    TSuperUnZip();
    virtual ~TSuperUnZip();
    TSuperUnZip(const TSuperUnZip&) = delete;
    TSuperUnZip& operator=(const TSuperUnZip&) = delete;

    // Always 210.
    int ThisVersion() const { return 210; }
    void SetThisVersion(int) {}

    const std::string& ZipName() const { return zipName_; }
    // Ignored when equal to the current name. Otherwise stores it and drops everything loaded
    // (entries, end record, archive stream). A name ending in '?' asks for the archive in the
    // "Open a Zip File" dialog, starting in that name's folder when it exists, else in "/";
    // cancelling raises EUserCanceled "User canceled setting zip file name.".
    virtual void SetZipName(const std::string& name);
    // The destination folder, kept without a trailing '/' ("" is the current folder). "?" asks
    // for it in a folder dialog, starting in the current DestDir when that exists, else in the
    // current folder; cancelling raises EUserCanceled "User canceled setting destination
    // folder." and keeps DestDir.
    const std::string& DestDir() const { return destDir_; }
    void SetDestDir(const std::string& dir);
    // Leading folder removed from stored paths when extracting with RecreateDirs; kept with a
    // trailing '/'.
    const std::string& RootDir() const { return rootDir_; }
    void SetRootDir(const std::string& dir);
    // Order of the indexed entry operations below; changing it rebuilds the sorted view. Under
    // ByNone the entries come in physical order, except after the writer's Zip, which lists
    // them by name until the directory is read again. Changing the name or the order while an
    // operation runs raises EZipError.
    TZipSortMode SortMode() const { return sortMode_; }
    void SetSortMode(TZipSortMode mode);

    bool RecreateDirs = false;
    TUZOverwriteMode OverwriteMode = TUZOverwriteMode::Prompt;
    // Masks (or names) of the entries to extract: without '/' against the file name, with one
    // against path and file name; ASCII case ignored. With RecreateDirs they select directory
    // entries too (whose file name is empty), so the empty folders they match are made.
    TStringList FilesList;
    bool DoAll = false;
    TIncompleteZipMode IncompleteZipMode = izAssumeMulti;
    bool KeepZipOpen = false;
    // Honour the cancel request during long work (there are no window messages to pump).
    bool DoProcessMessages = true;
    // Give extracted files the stored permission bits (Unix archives) or make them read-only
    // (the DOS read-only attribute).
    bool RetainAttributes = true;
    std::string Password;

    TStartUnZipInfoEvent OnStartUnZipInfo;
    TPercentDoneEvent OnFilePercentDone;
    TPercentDoneEvent OnTotalPercentDone;
    TStartUnZipEvent OnStartUnZip;
    TEndUnZipEvent OnEndUnZip;
    // Without a handler, Prompt asks "Replace existing file <entry name>?" in a Yes/No box
    // captioned "File Exists Alert"; No keeps the file.
    TPromptForOverwriteEvent OnPromptForOverwrite;
    TSkippingFileEvent OnSkippingFile;
    TBadPasswordEvent OnBadPassword;
    TBadCRCEvent OnBadCRC;
    TInCompleteZipEvent OnInCompleteZip;
    // The file of disk NextDisk (counted from 1) of a split archive: FName comes empty and
    // goes back as the file's name. An empty answer (or no handler) raises EUserCanceled "User
    // canceled loading new disk."; a name that does not exist is asked for again (a cancel
    // request ends that with "User Aborted Operation").
    TGetNextDiskEvent OnGetNextDisk;

    // Asks the running operation to stop with EUserCanceled "User Aborted Operation" (honoured
    // while DoProcessMessages is set; cleared when honoured). Safe from any thread.
    void Cancel() { cancel_ = true; }
    bool CancelRequested() const { return cancel_; }
    bool Busy() const { return busy_; }

    // The disk (counted from 0) whose file is ZipName, and how many disks the loaded archive
    // has (1 for an archive in one file).
    int CurrentDisk() const { return currentDisk_; }
    int NumberOfDisks() const { return numberOfDisks_; }

    // Indexed entry operations over the sorted view; they read the directory when none is
    // loaded. Index out of range: EListError "Index %d is out of range".
    int Count();
    std::string FileName(int index); // path and file name
    TDateTime FileDate(int index);   // 0 when the stored date is not a date
    TZipHeaderPtr Entry(int index);
    std::string FileComment(int index);
    // Marks the directory as changed; the writer puts the change into the archive. A split
    // archive cannot be updated: EZipError "Archives split over several disks cannot be
    // updated", and nothing changes.
    void SetFileComment(int index, const std::string& comment);
    std::string ZipComment();
    void SetZipComment(const std::string& comment);

    // Opens the archive (creating the archive stream when none is open) and reads its central
    // directory when none is loaded or the date changed since it was read (a split archive's
    // is read once). Raises EFOpenError, EIncompleteZip "Incomplete Zip File" (no end record
    // with izAssumeMulti), EZipError for damaged, Zip64 or 4 GiB archives and for split ones
    // held in memory, and what asking for a disk raises (OnGetNextDisk).
    void OpenArchive();
    // Drops the archive stream unless KeepZipOpen.
    void CloseArchive();

    // Extracts the entries FilesList selects (all with DoAll) below DestDir; returns how many
    // were extracted (failed and skipped entries not counted). Raises as described at the top
    // and EUserCanceled on a cancel.
    int UnZip();
    // Extracts the entry named entryName into dest (the entry of exactly that name, else the
    // first file entry it selects as a mask, as in FilesList); returns 1, or 0 when the
    // archive has no such entry or it failed or was skipped (as described at the top). Raises
    // EFatalUnzipError or EZipError for damage (as described at the top).
    int UnzipEntryToStream(TStream& dest, const std::string& entryName);

protected:
    // What the in-memory road sets for the duration of one call (see TSuperZip).
    struct TMemoryArchive {
        TStream* Stream = nullptr; // the caller's stream, not owned
        bool Extract = false;      // read from Stream (true) or write into it (false)
    };

    void ReadCentralDirectory();
    // Reads the central directory of a split archive (end: its end record, read from the last
    // disk) into list.
    void ReadSpannedDirectory(const TEndCentral& end, TSortedZip& list);
    // Replaces the archive stream by disk's file (disk counted from 0), asked of OnGetNextDisk.
    void AskForDisk(int disk);
    bool Spanned() const { return numberOfDisks_ > 1; }
    // Raises EZipError "Archives split over several disks cannot be updated" for a split one.
    void CheckUpdatable() const;
    // Reads on from the archive stream's position through the following disks.
    class TSpanReader;
    void ScanLocalHeaders(TSortedZip& list);
    // Builds the sorted view of the loaded entries for mode (none for ByNone: the entries in
    // physical order are the view); without a mode, for SortMode.
    void BuildSortedView() { BuildSortedView(sortMode_); }
    void BuildSortedView(TZipSortMode mode);
    void DropLoaded();
    void CheckCancel();
    // Where the entry's data starts in the archive stream: after its local header's own name
    // and extra field. Raises EZipError when the header is missing or the data runs past the
    // end of the archive.
    uint64_t EntryDataStart(const TZipHeaderInfo& entry);
    // Raises EZipError while an operation runs (an event handler may not start another one,
    // change the archive name or the sort mode).
    void CheckNotBusy() const;
    // Marks the component busy for a scope; raises EZipError when it already is.
    class TBusyGuard {
    public:
        explicit TBusyGuard(TSuperUnZip& owner);
        ~TBusyGuard() { owner_.busy_ = false; }

    private:
        TSuperUnZip& owner_;
    };

    std::string zipName_;
    std::string destDir_;
    std::string rootDir_;
    TZipSortMode sortMode_ = TZipSortMode::ByNone;

    // The archive image, its entries in physical order and the sorted view over them.
    std::unique_ptr<TLFNFileStream> zipStream_;
    std::unique_ptr<TSortedZip> entries_;
    std::unique_ptr<TSortedZip> sorted_;
    TEndCentral endCentral_;
    bool loaded_ = false;
    TDateTime readDate_ = 0;
    int currentDisk_ = 0;
    int numberOfDisks_ = 1;
    TMemoryArchive memory_;
    // Why the last entry failed: a wrong password, a CRC mismatch, damaged data or an unknown
    // method ("" when it did not, or an event skipped it); or that the archive has no entry of
    // the name asked for by UnzipEntryToStream.
    std::string lastSkip_;

    std::atomic<bool> cancel_{false};
    bool busy_ = false;
    // Bytes of the running operation: all of it and done so far (progress events).
    int64_t totalBytes_ = 0;
    int64_t doneBytes_ = 0;

private:
    // The sorted view, or the entries in physical order when there is none (loaded entries
    // only).
    TSortedZip& View() const { return sorted_ ? *sorted_ : *entries_; }
    enum class TEntryResult { Extracted, Skipped, Retry };
    int ExtractLoop(TStream* streamTarget);
    TEntryResult ExtractEntry(int index, TStream* streamTarget);
    bool SelectEntry(const TZipHeaderInfo& entry) const;
    std::string TargetFolder(const TZipHeaderInfo& entry) const;
    // A wrong password: true when OnBadPassword gave another one (the entry is tried again),
    // else false after OnSkippingFile.
    bool AskNewPassword(int index, const std::string& name);
    // Positions the archive at the entry's data (asking for its disk when it lies on another)
    // and returns the stream to read it from. Raises EZipError when its local header is
    // missing or, in one file, the data runs past the end of the archive.
    TStream& SeekEntryData(const TZipHeaderInfo& entry, TSpanReader& spanned);
    // Decodes the dataSize bytes at source's position (past any encryption header) into
    // target; returns "" or why the data could not be decoded. Raises EFatalUnzipError when
    // the data ends before the decoder is done, EZipError when a split archive ends inside it.
    std::string DecodeEntry(const TZipHeaderInfo& entry, TStream& source, uint64_t dataSize,
                            TZipCrypto* crypto, TStream& target, uint32_t& crc, uint64_t& size);
    void FinishTargetFile(const TZipHeaderInfo& entry, const std::string& fileName);
};

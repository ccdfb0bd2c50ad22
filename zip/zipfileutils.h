#pragma once
// File helpers of the zip components: a stream over a memory image of an archive file (or of an
// archive held by the caller), a directory walk with masks, and small path and number helpers.
// Paths use '/'.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/classes.h"
#include "platform/datetime.h"

// The whole content of a file, or of a caller's stream, held in memory. Reading modes copy the
// content in when created; writing modes start empty and put the content in place at Commit.
// Sources of 4 GiB or more raise EZipError (archives are 32-bit).
class TLFNFileStream : public TMemoryStream {
public:
    // fmOpenRead (or any mode without write access): loads the file, raising EFOpenError when
    // it cannot be opened. fmCreate, fmOpenWrite, fmOpenReadWrite: starts empty (ReadWrite and
    // Write load the file first) and touches no file until Commit.
    TLFNFileStream(std::string fileName, unsigned mode);
    // An archive held by the caller: read copies all of image in (from its start); otherwise
    // the stream starts empty and Commit replaces image's content. Touches no file.
    TLFNFileStream(TStream& image, bool read);

    // Puts the content in place. A file is written beside its target under a temporary name,
    // synced and renamed over it, so that a failure leaves the previous file as it was
    // (EFCreateError / EWriteError / EOSError); a caller's stream is emptied and filled. A
    // stream opened for reading only writes nothing.
    void Commit();

    const std::string& FileName() const { return fileName_; }
    unsigned Mode() const { return mode_; }
    bool Writable() const { return writable_; }

private:
    // Copies in all of source (standing at its start) and goes back to position 0.
    void Load(TStream& source);

    std::string fileName_;
    unsigned mode_ = fmOpenRead;
    bool writable_ = false;
    TStream* image_ = nullptr; // the caller's stream, not owned
};

// Writes bytes to fileName through a temporary file beside it that is synced and renamed over
// it. An existing file keeps its permission bits. Raises EFCreateError / EWriteError / EOSError.
void ReplaceFileContent(const std::string& fileName, const uint8_t* data, size_t size);

// Creates a new, empty file beside fileName under a temporary name and returns that name.
// Raises EFCreateError.
std::string ZipCreateTempBeside(const std::string& fileName);

// ---- Directory walk -------------------------------------------------------------------

// A file the walk found.
struct TFoundFile {
    std::string Name;     // without its folder
    std::string FullName; // the folder as given to the walk, then the name
    int64_t Size = 0;
};

// One folder of a walk: its entries, read when the level is created (sorted by name).
class TSearchData {
public:
    // Adds '/' to directory when missing; a folder that cannot be read gives no entries.
    TSearchData(std::string directory, std::string mask);

    struct TEntry {
        std::string Name;
        bool IsDirectory = false; // a real folder (links to folders are not followed)
        int64_t Size = 0;
    };
    const std::string& Directory() const { return directory_; }
    const std::string& Mask() const { return mask_; }
    // The entry at hand, or nothing when the level is used up.
    const TEntry* Current() const;
    void FindNext() { ++index_; }
    bool Failed() const { return failed_; }

private:
    std::string directory_;
    std::string mask_;
    std::vector<TEntry> entries_;
    size_t index_ = 0;
    bool failed_ = false;
};

// Walks a folder (and, with recurse, the folders below it whose names do not begin with '.')
// for files matching a mask. A file without a '.' is matched with one appended, so "*.*"
// finds it. The process's current folder is not changed; links to folders are not followed.
class TDirSearch {
public:
    TDirSearch(const std::string& directory, bool recurse, const std::string& mask);
    // The next matching file; nothing at the end of the walk.
    std::optional<TFoundFile> Next();

private:
    std::vector<std::unique_ptr<TSearchData>> levels_;
    std::string mask_;
    bool recurse_;
};

// ---- Helpers --------------------------------------------------------------------------
// (Zip-prefixed so that they cannot clash with the runtime's file helpers.)

// done × 100 / total, rounded, at most 100; 0 when total is below 1.
int ZipPercentage(int64_t done, int64_t total);
// Creates a folder and its parents; raises EFCreateError when that fails.
void ZipForceDirectories(const std::string& dir);
bool ZipFileExists(const std::string& fileName); // a file or a link to one
// The process's current folder with a trailing '/'.
std::string ZipCurrentDir();
// The path with each folder and file name spelled as the file system lists it in its folder,
// looked up one component at a time: short (8.3) names with shortNames, else long names. No
// file system here lists short names, so both give the listed names. A component that is not
// found and all after it, "." and "..", a relative start and the '/' separators (a trailing
// one too) are kept as given; links are not followed into their targets' names.
std::string ZipShortOrLongPath(const std::string& path, bool shortNames);

#include "zip/unzipcomponent.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/fileutils.h"
#include "zip/legacydecoders.h"
#include "zip/wildcard.h"
#include "zip/zipcrypto.h"
#include "zip/zipentrystreams.h"
#include "zip/zipnames.h"
#include "zip/zipprompts.h"

namespace {

[[noreturn]] void Damaged(const std::string& what) {
    throw EZipError("The zip archive is damaged: " + what);
}

[[noreturn]] void RefuseZip64() {
    throw EZipError("Zip64 archives are not supported");
}

[[noreturn]] void RefuseSpanned() {
    throw EZipError("Archives spanning several disks are not supported");
}

bool IsKnownMethod(uint16_t method) {
    return method <= 6 || method == 8;
}

// The most output one byte of each method's data can give (deflate: 258 bytes from two bits).
uint64_t MaxExpansion(uint16_t method) {
    switch (method) {
    case 0:
        return 1;
    case 1:
        return 8192;
    case 8:
        return 1032;
    default:
        return 1024;
    }
}

void SetFileTime(const std::string& fileName, TDateTime when) {
    if (when == 0)
        return;
    std::optional<TZonedTime> placed = PlaceLocalTime(when);
    if (!placed)
        return;
    const std::time_t t = placed->Unix;
    timespec times[2] = {{t, 0}, {t, 0}};
    ::utimensat(AT_FDCWD, fileName.c_str(), times, 0);
}

// Removes a temporary file unless released.
class TTempFile {
public:
    explicit TTempFile(std::string name) : name_(std::move(name)) {}
    ~TTempFile() {
        if (!name_.empty())
            ::unlink(name_.c_str());
    }
    const std::string& Name() const { return name_; }
    void Release() { name_.clear(); }

private:
    std::string name_;
};

constexpr const char* ZipFileFilter =
    "Zip Files (*.ZIP)|*.zip|SFX Files (*.EXE)|*.exe|All Files (*.*)|*.*";

} // namespace

class TSuperUnZip::TSpanReader : public TStream {
public:
    explicit TSpanReader(TSuperUnZip& owner) : owner_(owner) {}
    // Reads from the current disk and, when it ends before count bytes, from the next ones
    // (up to the last); fewer bytes only at the last disk's end.
    int64_t Read(void* buffer, int64_t count) override {
        auto* out = static_cast<uint8_t*>(buffer);
        int64_t done = 0;
        for (;;) {
            done += owner_.zipStream_->Read(out + done, count - done);
            if (done == count || owner_.currentDisk_ + 1 >= owner_.numberOfDisks_)
                return done;
            owner_.AskForDisk(owner_.currentDisk_ + 1);
        }
    }
    int64_t Write(const void*, int64_t) override {
        throw EZipError("The archive is open for reading only");
    }
    // Positions within the current disk.
    int64_t Seek(int64_t offset, TSeekOrigin origin) override {
        return owner_.zipStream_->Seek(offset, origin);
    }
    void SetSize(int64_t) override { throw EZipError("The archive is open for reading only"); }

private:
    TSuperUnZip& owner_;
};

TSuperUnZip::TBusyGuard::TBusyGuard(TSuperUnZip& owner) : owner_(owner) {
    owner_.CheckNotBusy();
    owner_.busy_ = true;
}

TSuperUnZip::TSuperUnZip() = default;
TSuperUnZip::~TSuperUnZip() = default;

// ---- Properties -----------------------------------------------------------------------

void TSuperUnZip::CheckNotBusy() const {
    if (busy_)
        throw EZipError("The zip component is busy with another operation");
}

void TSuperUnZip::SetZipName(const std::string& name) {
    if (name == zipName_)
        return;
    CheckNotBusy();
    std::string chosen = name;
    if (!name.empty() && name.back() == '?') {
        std::string folder = ExtractFilePath(name);
        chosen = ZipChooseFile("Open a Zip File", ZipFileFilter,
                               !folder.empty() && DirectoryExists(folder) ? folder : "/");
        if (chosen.empty())
            throw EUserCanceled("User canceled setting zip file name.");
    }
    zipName_ = chosen;
    DropLoaded();
}

void TSuperUnZip::SetDestDir(const std::string& dir) {
    std::string d = dir;
    if (dir == "?") {
        d = ZipChooseFolder("Choose a Destination Folder",
                            !destDir_.empty() && DirectoryExists(destDir_) ? destDir_
                                                                           : ZipCurrentDir());
        if (d.empty())
            throw EUserCanceled("User canceled setting destination folder.");
    }
    while (d.size() > 1 && d.back() == '/')
        d.pop_back();
    destDir_ = d;
}

void TSuperUnZip::SetRootDir(const std::string& dir) {
    rootDir_ = IncludeTrailingPathDelimiter(dir);
}

void TSuperUnZip::SetSortMode(TZipSortMode mode) {
    CheckNotBusy();
    sortMode_ = mode;
    if (loaded_)
        BuildSortedView();
}

void TSuperUnZip::DropLoaded() {
    sorted_.reset();
    entries_.reset();
    readDate_ = 0;
    loaded_ = false;
    endCentral_.Reset();
    zipStream_.reset();
    currentDisk_ = 0;
    numberOfDisks_ = 1;
}

void TSuperUnZip::BuildSortedView(TZipSortMode mode) {
    sorted_.reset();
    if (!entries_ || mode == TZipSortMode::ByNone)
        return;
    auto view = std::make_unique<TSortedZip>(mode, dupAccept);
    view->SetCapacity(entries_->Count());
    for (int i = 0; i < entries_->Count(); ++i)
        view->Add(entries_->Items(i));
    sorted_ = std::move(view);
}

void TSuperUnZip::CheckUpdatable() const {
    if (Spanned())
        throw EZipError("Archives split over several disks cannot be updated");
}

void TSuperUnZip::CheckCancel() {
    if (DoProcessMessages && cancel_) {
        cancel_ = false;
        throw EUserCanceled("User Aborted Operation");
    }
}

// ---- Entry access ---------------------------------------------------------------------

int TSuperUnZip::Count() {
    if (!loaded_) {
        OpenArchive();
        CloseArchive();
    }
    return View().Count();
}

TZipHeaderPtr TSuperUnZip::Entry(int index) {
    Count();
    return View().Header(index);
}

std::string TSuperUnZip::FileName(int index) {
    return Entry(index)->FullName();
}
TDateTime TSuperUnZip::FileDate(int index) {
    return Entry(index)->Date();
}
std::string TSuperUnZip::FileComment(int index) {
    return Entry(index)->Comment();
}

void TSuperUnZip::SetFileComment(int index, const std::string& comment) {
    TZipHeaderPtr entry = Entry(index);
    CheckUpdatable();
    entry->SetComment(comment);
    endCentral_.Changed = true;
}

std::string TSuperUnZip::ZipComment() {
    Count();
    return endCentral_.Comment();
}

void TSuperUnZip::SetZipComment(const std::string& comment) {
    Count();
    CheckUpdatable();
    endCentral_.SetComment(comment);
    endCentral_.Changed = true;
}

// ---- Opening --------------------------------------------------------------------------

void TSuperUnZip::OpenArchive() {
    if (!zipStream_) {
        if (memory_.Stream) {
            zipStream_ = std::make_unique<TLFNFileStream>(*memory_.Stream, true);
        } else {
            if (zipName_.empty())
                throw EZipError("No zip file name is set");
            zipStream_ = std::make_unique<TLFNFileStream>(zipName_, fmOpenRead);
        }
    }
    if (!loaded_ || (!Spanned() && readDate_ != Date()))
        ReadCentralDirectory();
}

void TSuperUnZip::CloseArchive() {
    if (!KeepZipOpen)
        zipStream_.reset();
}

void TSuperUnZip::ReadCentralDirectory() {
    TStream& s = *zipStream_;
    sorted_.reset();
    entries_.reset();
    loaded_ = false;
    readDate_ = Date();
    currentDisk_ = 0;
    numberOfDisks_ = 1;
    auto list = std::make_unique<TSortedZip>(TZipSortMode::ByNone, dupAccept);
    TEndCentral end;
    if (!FindEndCentral(s, end)) {
        TIncompleteZipMode mode = IncompleteZipMode;
        if (OnInCompleteZip)
            OnInCompleteZip(*this, mode);
        if (mode == izAssumeMulti)
            throw EIncompleteZip("Incomplete Zip File");
        ScanLocalHeaders(*list);
        end.CentralOffset = static_cast<uint32_t>(s.Position());
        end.TotalEntries = end.EntriesThisDisk = static_cast<uint16_t>(list->Count());
    } else {
        if (HasZip64Locator(s, end) || end.TotalEntries == 0xFFFF || end.ThisDisk == 0xFFFF ||
            end.CentralSize == 0xFFFFFFFF || end.CentralOffset == 0xFFFFFFFF)
            RefuseZip64();
        if (end.ThisDisk != 0) {
            ReadSpannedDirectory(end, *list);
            entries_ = std::move(list);
            endCentral_ = std::move(end);
            loaded_ = true;
            BuildSortedView();
            return;
        }
        if (end.CentralStartDisk != 0 || end.EntriesThisDisk != end.TotalEntries)
            RefuseSpanned();
        bool scanned = false;
        uint8_t sig[4] = {};
        uint64_t centralEnd = uint64_t(end.CentralOffset) + end.CentralSize;
        if (centralEnd <= end.RecordPosition) {
            s.SetPosition(end.CentralOffset);
            s.Read(sig, 4);
        }
        if (end.TotalEntries > 0 && (centralEnd > end.RecordPosition ||
                                     (sig[0] | sig[1] << 8 | sig[2] << 16 |
                                      uint32_t(sig[3]) << 24) != CentralHeaderSignature)) {
            // Offsets that do not fit (data before the archive): find the entries by their
            // local headers, then read the central directory where they end.
            ScanLocalHeaders(*list);
            scanned = true;
        } else {
            s.SetPosition(end.CentralOffset);
        }
        for (int i = 0; i < end.TotalEntries; ++i) {
            auto h = std::make_shared<TZipHeaderInfo>();
            if (!ReadCentralEntry(s, *h) || s.Position() > end.RecordPosition)
                Damaged("its central directory is cut short");
            if (h->CompressedSize == 0xFFFFFFFF || h->UncompressedSize == 0xFFFFFFFF ||
                h->LocalHeaderOffset == 0xFFFFFFFF)
                RefuseZip64();
            if (h->DiskNumberStart != 0)
                RefuseSpanned();
            int at = scanned ? list->IndexOfName(h->FullName()) : -1;
            if (at >= 0) {
                h->LocalHeaderOffset = list->Header(at)->LocalHeaderOffset;
                list->Delete(at);
            }
            list->Add(std::move(h));
        }
    }
    entries_ = std::move(list);
    endCentral_ = std::move(end);
    loaded_ = true;
    BuildSortedView();
}

void TSuperUnZip::ReadSpannedDirectory(const TEndCentral& end, TSortedZip& list) {
    if (memory_.Stream)
        RefuseSpanned();
    if (end.CentralStartDisk > end.ThisDisk)
        Damaged("its end record names a disk after the last one");
    numberOfDisks_ = end.ThisDisk + 1;
    currentDisk_ = end.ThisDisk;
    if (end.CentralStartDisk != currentDisk_)
        AskForDisk(end.CentralStartDisk);
    if (end.CentralOffset > zipStream_->Size())
        Damaged("its central directory lies outside the disk");
    // The directory may go on over the following disks: gather it first.
    zipStream_->SetPosition(end.CentralOffset);
    TSpanReader reader(*this);
    TMemoryStream central;
    std::vector<uint8_t> chunk(65536);
    for (uint64_t left = end.CentralSize; left > 0;) {
        int64_t want = static_cast<int64_t>(std::min<uint64_t>(left, chunk.size()));
        if (reader.Read(chunk.data(), want) != want)
            Damaged("its central directory is cut short");
        central.WriteBuffer(chunk.data(), want);
        left -= static_cast<uint64_t>(want);
    }
    central.SetPosition(0);
    for (int i = 0; i < end.TotalEntries; ++i) {
        auto h = std::make_shared<TZipHeaderInfo>();
        if (!ReadCentralEntry(central, *h))
            Damaged("its central directory is cut short");
        if (h->CompressedSize == 0xFFFFFFFF || h->UncompressedSize == 0xFFFFFFFF ||
            h->LocalHeaderOffset == 0xFFFFFFFF || h->DiskNumberStart == 0xFFFF)
            RefuseZip64();
        if (h->DiskNumberStart > end.ThisDisk)
            Damaged("the entry \"" + h->FullName() + "\" lies on a disk after the last one");
        list.Add(std::move(h));
    }
}

void TSuperUnZip::AskForDisk(int disk) {
    zipStream_.reset();
    for (;;) {
        std::string name;
        if (OnGetNextDisk)
            OnGetNextDisk(*this, disk + 1, name);
        if (name.empty())
            throw EUserCanceled("User canceled loading new disk.");
        if (ZipFileExists(name)) {
            zipStream_ = std::make_unique<TLFNFileStream>(name, fmOpenRead);
            zipName_ = name;
            currentDisk_ = disk;
            readDate_ = Date();
            return;
        }
        CheckCancel();
    }
}

void TSuperUnZip::ScanLocalHeaders(TSortedZip& list) {
    TStream& s = *zipStream_;
    const uint8_t* data = zipStream_->Memory();
    int64_t size = s.Size();
    int64_t pos = 0;
    for (; pos + 4 <= size; ++pos) {
        if (pos % 10240 == 0)
            CheckCancel();
        if (data[pos] == 'P' && data[pos + 1] == 'K' && data[pos + 2] == 3 && data[pos + 3] == 4)
            break;
    }
    while (pos + LocalHeaderSize <= size) {
        s.SetPosition(pos);
        auto h = std::make_shared<TZipHeaderInfo>();
        if (!ReadLocalHeader(s, *h))
            break;
        int64_t next = s.Position() + h->ExtraFieldLength + int64_t(h->CompressedSize);
        list.Add(std::move(h));
        if (next > size)
            break;
        pos = next;
    }
    s.SetPosition(pos > size ? size : pos);
}

// ---- Extraction -----------------------------------------------------------------------

int TSuperUnZip::UnZip() {
    TBusyGuard busy(*this);
    cancel_ = false;
    return ExtractLoop(nullptr);
}

int TSuperUnZip::UnzipEntryToStream(TStream& dest, const std::string& entryName) {
    TBusyGuard busy(*this);
    cancel_ = false;
    FilesList.Clear();
    FilesList.Add(entryName);
    return ExtractLoop(&dest);
}

bool TSuperUnZip::SelectEntry(const TZipHeaderInfo& e) const {
    // A directory entry (no file name) is only ever made with RecreateDirs; then it is
    // selected as any other entry, by DoAll or a mask.
    if (e.FileName().empty() && !RecreateDirs)
        return false;
    if (DoAll)
        return true;
    for (int i = 0; i < FilesList.Count(); ++i) {
        std::string mask = FilesList[i];
        std::replace(mask.begin(), mask.end(), '\\', '/');
        bool whole = mask.find('/') != std::string::npos;
        if (MatchesMask(mask, whole ? e.FullName() : e.FileName()))
            return true;
    }
    return false;
}

int TSuperUnZip::ExtractLoop(TStream* streamTarget) {
    struct TCloser {
        TSuperUnZip& owner;
        ~TCloser() { owner.CloseArchive(); }
    } closer{*this};
    OpenArchive();
    // A split archive is read in its physical order, so that each disk is asked for once.
    std::unique_ptr<TSortedZip> sortedView;
    if (Spanned())
        sortedView = std::move(sorted_);
    struct TViewRestorer {
        TSuperUnZip& owner;
        std::unique_ptr<TSortedZip>& view;
        ~TViewRestorer() {
            if (view)
                owner.sorted_ = std::move(view);
        }
    } restoreView{*this, sortedView};
    TSortedZip& view = View();
    lastSkip_.clear();
    bool saveDoAll = DoAll;
    if (streamTarget)
        DoAll = false;
    totalBytes_ = 0;
    doneBytes_ = 0;
    // Into a stream goes one entry: the one of exactly that name, else the first the mask
    // selects.
    int exact = -1;
    for (int i = 0; streamTarget && exact < 0 && i < view.Count(); ++i)
        if (view.Header(i)->FullName() == FilesList[0])
            exact = i;
    int selected = 0;
    for (int i = 0; i < view.Count(); ++i) {
        TZipHeaderInfo& e = *view.Header(i);
        if (exact >= 0)
            e.Selected = i == exact;
        else
            e.Selected =
                SelectEntry(e) && (!streamTarget || (selected == 0 && !e.FileName().empty()));
        if (e.Selected) {
            ++selected;
            totalBytes_ += e.UncompressedSize;
        }
    }
    DoAll = saveDoAll;
    if (streamTarget && selected == 0)
        lastSkip_ = "The zip archive has no entry named \"" + FilesList.Join(", ") + "\"";
    bool stop = false;
    if (OnStartUnZipInfo)
        OnStartUnZipInfo(*this, selected, totalBytes_, stop);
    if (stop || selected == 0)
        return 0;
    int extracted = 0;
    for (int i = 0; i < view.Count(); ++i) {
        if (!view.Header(i)->Selected)
            continue;
        TEntryResult r;
        do
            r = ExtractEntry(i, streamTarget);
        while (r == TEntryResult::Retry);
        if (r == TEntryResult::Extracted)
            ++extracted;
    }
    return extracted;
}

std::string TSuperUnZip::TargetFolder(const TZipHeaderInfo& e) const {
    std::string dir = destDir_.empty() ? std::string(".") : destDir_;
    if (!RecreateDirs || e.Path().empty())
        return IncludeTrailingPathDelimiter(dir);
    std::string path = e.Path();
    if (!rootDir_.empty() && path.compare(0, rootDir_.size(), rootDir_) == 0)
        path.erase(0, rootDir_.size());
    return IncludeTrailingPathDelimiter(dir) + path;
}

uint64_t TSuperUnZip::EntryDataStart(const TZipHeaderInfo& e) {
    TStream& s = *zipStream_;
    uint64_t size = static_cast<uint64_t>(s.Size());
    TZipHeaderInfo local;
    if (uint64_t(e.LocalHeaderOffset) + LocalHeaderSize > size)
        Damaged("the entry \"" + e.FullName() + "\" lies outside the archive");
    s.SetPosition(e.LocalHeaderOffset);
    if (!ReadLocalHeader(s, local))
        Damaged("the local header of \"" + e.FullName() + "\" is missing");
    uint64_t start = static_cast<uint64_t>(s.Position()) + local.ExtraFieldLength;
    if (start + e.CompressedSize > size)
        Damaged("the data of \"" + e.FullName() + "\" runs past the end of the archive");
    return start;
}

bool TSuperUnZip::AskNewPassword(int index, const std::string& name) {
    if (OnBadPassword) {
        std::string newPassword = Password;
        OnBadPassword(*this, index, newPassword);
        if (newPassword != Password) {
            Password = newPassword;
            return true;
        }
    }
    lastSkip_ = "Wrong password for \"" + name + "\"";
    if (OnSkippingFile)
        OnSkippingFile(*this, srBadPassword, index);
    return false;
}

TStream& TSuperUnZip::SeekEntryData(const TZipHeaderInfo& e, TSpanReader& spanned) {
    if (!Spanned()) {
        zipStream_->SetPosition(static_cast<int64_t>(EntryDataStart(e)));
        return *zipStream_;
    }
    if (e.DiskNumberStart != currentDisk_)
        AskForDisk(e.DiskNumberStart);
    auto missing = [&e] { Damaged("the local header of \"" + e.FullName() + "\" is missing"); };
    if (e.LocalHeaderOffset > zipStream_->Size())
        missing();
    // The header may go on into the next disk, as the data may.
    zipStream_->SetPosition(e.LocalHeaderOffset);
    std::string bytes(LocalHeaderSize, '\0');
    if (spanned.Read(bytes.data(), LocalHeaderSize) != LocalHeaderSize)
        missing();
    const size_t fixed = bytes.size();
    bytes.resize(fixed + (uint8_t(bytes[26]) | uint8_t(bytes[27]) << 8) +
                 (uint8_t(bytes[28]) | uint8_t(bytes[29]) << 8));
    const int64_t rest = static_cast<int64_t>(bytes.size() - fixed);
    if (spanned.Read(bytes.data() + fixed, rest) != rest)
        missing();
    TMemoryStream header(bytes);
    TZipHeaderInfo local;
    if (!ReadLocalHeader(header, local))
        missing();
    return spanned;
}

std::string TSuperUnZip::DecodeEntry(const TZipHeaderInfo& e, TStream& source, uint64_t dataSize,
                                     TZipCrypto* crypto, TStream& target, uint32_t& crc,
                                     uint64_t& size) {
    TZipEntryInput in(source, dataSize, crypto, [this] { CheckCancel(); });
    int64_t done = doneBytes_;
    TZipEntryOutput out(target, e.UncompressedSize, [&](uint64_t total) {
        if (OnFilePercentDone)
            OnFilePercentDone(*this, ZipPercentage(int64_t(total), e.UncompressedSize));
        if (OnTotalPercentDone)
            OnTotalPercentDone(*this, ZipPercentage(done + int64_t(total), totalBytes_));
    });
    std::string failure;
    try {
        ZipDecodeEntry(e.Method, e.Flags, dataSize, e.UncompressedSize, in, out);
    } catch (const EFatalUnzipError& ex) {
        // The last disk of a split archive ending inside the data is damage to the archive;
        // so is data that ends before the decoder is done with it.
        if (in.ArchiveEnded())
            Damaged("the data of \"" + e.FullName() + "\" runs past the end of the archive");
        if (in.RanOut())
            throw;
        failure = ex.Message;
    } catch (const EZipError& ex) {
        failure = ex.Message;
    }
    out.Finish();
    crc = out.Crc();
    size = out.Total();
    return failure;
}

void TSuperUnZip::FinishTargetFile(const TZipHeaderInfo& e, const std::string& fileName) {
    if (RetainAttributes) {
        uint32_t unixMode = e.ExternalAttributes >> 16;
        struct stat st;
        if ((e.VersionMadeBy >> 8) == 3 && S_ISREG(unixMode)) {
            ::chmod(fileName.c_str(), unixMode & 0777);
        } else if ((e.ExternalAttributes & 0x01) && ::stat(fileName.c_str(), &st) == 0) {
            ::chmod(fileName.c_str(), st.st_mode & 0555);
        }
    }
    SetFileTime(fileName, e.Date());
}

TSuperUnZip::TEntryResult TSuperUnZip::ExtractEntry(int index, TStream* streamTarget) {
    TSortedZip& view = View();
    const TZipHeaderInfo e = *view.Header(index);
    const std::string name = e.FullName();
    lastSkip_.clear();
    if (!streamTarget && !IsSafeEntryName(name))
        throw EZipError("Refusing to extract \"" + name +
                        "\": the name leads outside the destination folder");
    if (e.FileName().empty()) {
        if (!streamTarget && RecreateDirs) {
            ZipForceDirectories(TargetFolder(e));
            bool skip = false;
            if (OnStartUnZip)
                OnStartUnZip(*this, index, name, skip);
        }
        return TEntryResult::Extracted;
    }
    if (!IsKnownMethod(e.Method)) {
        // Nothing can be done with it: said once, before any question about it.
        lastSkip_ = "Unknown Compression Method";
        ZipShowError(lastSkip_, "Zip Error");
        return TEntryResult::Skipped;
    }
    TSpanReader spanned(*this);
    TStream& source = SeekEntryData(e, spanned);
    uint64_t dataSize = e.CompressedSize;
    std::unique_ptr<TZipCrypto> crypto;
    if (e.Encrypted()) {
        if (dataSize < TZipCrypto::HeaderSize)
            Damaged("the entry \"" + name + "\" is too short for its encryption header");
        TZipCrypto::THeader header;
        if (source.Read(header.data(), TZipCrypto::HeaderSize) != TZipCrypto::HeaderSize)
            throw EFatalUnzipError("Premature end of file reached");
        dataSize -= TZipCrypto::HeaderSize;
        crypto = std::make_unique<TZipCrypto>();
        uint8_t check = TZipCrypto::CheckByte(e.Flags, e.CRC, e.DateTime);
        if (!crypto->CheckHeader(Password, header.data(), check))
            return AskNewPassword(index, name) ? TEntryResult::Retry : TEntryResult::Skipped;
    }
    if (e.Method == 0 ? dataSize != e.UncompressedSize
                      : e.UncompressedSize > dataSize * MaxExpansion(e.Method) + 1024)
        Damaged("the entry \"" + name + "\" declares more data than it holds");

    std::string fileName;
    if (!streamTarget) {
        std::string folder = TargetFolder(e);
        ZipForceDirectories(folder);
        fileName = folder + e.FileName();
        struct stat st;
        if (::lstat(fileName.c_str(), &st) == 0) {
            bool overwrite = OverwriteMode == TUZOverwriteMode::Always;
            if (OverwriteMode == TUZOverwriteMode::Prompt) {
                if (OnPromptForOverwrite)
                    OnPromptForOverwrite(*this, overwrite, index, fileName);
                else
                    overwrite =
                        ZipAskYesNo("Replace existing file " + name + "?", "File Exists Alert");
            }
            if (!overwrite) {
                if (OnSkippingFile)
                    OnSkippingFile(*this, srNoOverwrite, index);
                return TEntryResult::Skipped;
            }
        }
    }
    bool skip = false;
    if (OnStartUnZip)
        OnStartUnZip(*this, index, name, skip);
    if (skip)
        return TEntryResult::Skipped;

    uint32_t crc = 0;
    uint64_t size = 0;
    std::string failure;
    std::unique_ptr<TTempFile> temp;
    const int64_t streamStart = streamTarget ? streamTarget->Position() : 0;
    if (streamTarget) {
        failure = DecodeEntry(e, source, dataSize, crypto.get(), *streamTarget, crc, size);
    } else {
        temp = std::make_unique<TTempFile>(ZipCreateTempBeside(fileName));
        TFileStream out(temp->Name(), fmOpenWrite);
        failure = DecodeEntry(e, source, dataSize, crypto.get(), out, crc, size);
    }
    if (failure.empty() && crc == e.CRC && size == e.UncompressedSize) {
        if (temp) {
            FinishTargetFile(e, temp->Name());
            if (::rename(temp->Name().c_str(), fileName.c_str()) != 0)
                RaiseLastOSError("Cannot create file \"" + fileName + "\"");
            temp->Release();
        }
        doneBytes_ += static_cast<int64_t>(size);
        if (OnEndUnZip)
            OnEndUnZip(*this, index, name);
        return TEntryResult::Extracted;
    }
    // A failed file is deleted; a stream target keeps what was written, unless the entry is
    // tried again with another password.
    temp.reset();
    if (e.Encrypted()) {
        if (!AskNewPassword(index, name))
            return TEntryResult::Skipped;
        if (streamTarget) {
            streamTarget->SetSize(streamStart);
            streamTarget->SetPosition(streamStart);
        }
        return TEntryResult::Retry;
    }
    lastSkip_ = failure.empty() ? "CRC error in \"" + name + "\": the entry is damaged"
                                : "Cannot extract \"" + name + "\": " + failure;
    if (OnBadCRC)
        OnBadCRC(*this, crc, e.CRC, index);
    return TEntryResult::Skipped;
}

#include "zip/zipcomponent.h"

#include <algorithm>
#include <filesystem>
#include <random>

#include "platform/fileutils.h"
#include "zip/crc32.h"
#include "zip/wildcard.h"
#include "zip/zipentrystreams.h"
#include "zip/zipnames.h"

namespace {

// Entry counts stay below 0xFFFF, which readers take for a Zip64 archive.
constexpr int MaxEntries = 65534;
constexpr int64_t CrcBlockSize = 64001;

std::string AbsoluteName(const std::string& name) {
    std::string full = !name.empty() && name[0] == '/' ? name : ZipCurrentDir() + name;
    return std::filesystem::path(full).lexically_normal().string();
}

uint32_t StreamCrc(TStream& source) {
    std::vector<uint8_t> block(CrcBlockSize);
    uint32_t crc = 0;
    source.SetPosition(0);
    for (;;) {
        int64_t n = source.Read(block.data(), CrcBlockSize);
        if (n <= 0)
            break;
        crc = ZipCrc32(crc, block.data(), static_cast<size_t>(n));
    }
    source.SetPosition(0);
    return crc;
}

// Runs a clean-up when the scope ends, however it ends.
class TScopeExit {
public:
    explicit TScopeExit(std::function<void()> f) : f_(std::move(f)) {}
    ~TScopeExit() { f_(); }
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;

private:
    std::function<void()> f_;
};

void WriteDataDescriptor(TStream& out, const TZipHeaderInfo& h) {
    uint32_t values[4] = {DataDescriptorSignature, h.CRC, h.CompressedSize, h.UncompressedSize};
    for (uint32_t v : values) {
        uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        out.WriteBuffer(b, 4);
    }
}

} // namespace

// The archive being written: its stream, its entries in written order and by name, its end
// record.
struct TSuperZip::TNewArchive {
    std::unique_ptr<TLFNFileStream> Stream;
    std::unique_ptr<TSortedZip> Written = std::make_unique<TSortedZip>(TZipSortMode::ByNone);
    TSortedZip ByName{TZipSortMode::ByName, dupError};
    TEndCentral End;

    void Add(const TZipHeaderPtr& h) {
        if (Written->Count() >= MaxEntries)
            throw EZipError("A zip archive holds at most 65,534 entries");
        if (!ByName.Find(*h).Found)
            ByName.Add(h);
        Written->Add(h);
        End.TotalEntries = End.EntriesThisDisk = static_cast<uint16_t>(Written->Count());
    }
};

TSuperZip::TSuperZip() {
    RandomByte = [device = std::make_shared<std::random_device>()] {
        return static_cast<uint8_t>((*device)() & 0xFF);
    };
}

TSuperZip::~TSuperZip() = default;

void TSuperZip::SetPackLevel(int level) {
    deflater_.SetLevel(level);
}

void TSuperZip::SetStorePaths(bool value) {
    storePaths_ = value;
    if (!value) {
        relativePaths_ = false;
        storeVolumes_ = false;
    }
}

void TSuperZip::SetStoreVolumes(bool value) {
    storeVolumes_ = value;
    if (value)
        storePaths_ = true;
}

void TSuperZip::SetRelativePaths(bool value) {
    relativePaths_ = value;
    if (value) {
        storePaths_ = true;
        Recurse = true;
    }
}

void TSuperZip::SetZipName(const std::string& name) {
    if (name != zipName_ && loaded_ && endCentral_.Changed) {
        {
            TStringList saved = FilesList;
            FilesList.Clear();
            TScopeExit restore([&] { FilesList = saved; });
            ZipLoop();
        }
        endCentral_.Changed = false;
    }
    TSuperUnZip::SetZipName(name);
}

// ---- Public operations ----------------------------------------------------------------

int TSuperZip::Zip() {
    cancel_ = false;
    int added = ZipLoop();
    CloseArchive();
    return added;
}

int TSuperZip::ZipStreamEntry(TStream& source, const std::string& entryName) {
    cancel_ = false;
    streamSource_ = &source;
    TScopeExit forget([this] { streamSource_ = nullptr; });
    source.SetPosition(0);
    FilesList.Clear();
    FilesList.Add(entryName);
    totalBytes_ = source.Size();
    int added = ZipLoop();
    CloseArchive();
    return added;
}

// The in-memory road: the component works on the caller's stream under the name "ZIPSTREAM"
// for one call and is put back on its own archive name afterwards, whatever happens.
void TSuperZip::OnMemoryArchive(TStream& archive, bool extract, const std::function<void()>& work) {
    std::string saved = zipName_;
    SetZipName("ZIPSTREAM");
    TScopeExit restore([this, saved] {
        memory_ = {};
        DropLoaded();
        zipName_ = saved;
    });
    DropLoaded();
    memory_ = {&archive, extract};
    work();
}

void TSuperZip::CompressToStream(TStream& source, TStream& dest) {
    OnMemoryArchive(dest, false, [&] { ZipStreamEntry(source, "ZIPDATA"); });
}

void TSuperZip::ExtractToStream(TStream& source, TStream& dest) {
    OnMemoryArchive(source, true, [&] {
        // The caller relies on getting the data or an exception, never nothing nor a part.
        const int64_t start = dest.Position();
        auto cutBack = [&] {
            if (dest.Position() != start) {
                dest.SetSize(start);
                dest.SetPosition(start);
            }
        };
        int extracted = 0;
        try {
            extracted = UnzipEntryToStream(dest, "ZIPDATA");
        } catch (...) {
            cutBack();
            throw;
        }
        if (extracted == 0) {
            cutBack();
            throw EZipError(lastSkip_.empty() ? "The entry \"ZIPDATA\" was not extracted"
                                              : lastSkip_);
        }
    });
}

// ---- The zip loop ---------------------------------------------------------------------

int TSuperZip::ZipLoop() {
    TBusyGuard busy(*this);
    bool written = false;
    TScopeExit restore([this, sortMode = sortMode_, keepOpen = KeepZipOpen, &written] {
        KeepZipOpen = keepOpen;
        sortMode_ = sortMode;
        // Without an order of its own, the archive just written is shown by name.
        BuildSortedView(written && sortMode == TZipSortMode::ByNone ? TZipSortMode::ByName
                                                                    : sortMode);
    });
    KeepZipOpen = true;
    sortMode_ = TZipSortMode::ByNone;
    sorted_.reset();
    doneBytes_ = 0;

    const bool inMemory = memory_.Stream != nullptr;
    if (inMemory && memory_.Extract)
        throw EZipError("The archive is open for reading only");
    if (!inMemory && zipName_.empty())
        throw EZipError("No zip file name is set");
    const bool update = !inMemory && (zipStream_ || ZipFileExists(zipName_));
    if (update) {
        OpenArchive();
        CheckUpdatable();
    } else {
        entries_.reset();
        loaded_ = false;
    }
    if (!streamSource_)
        ExpandFilesList();

    TNewArchive out;
    out.Stream = inMemory ? std::make_unique<TLFNFileStream>(*memory_.Stream, false)
                          : std::make_unique<TLFNFileStream>(zipName_, fmCreate);
    if (update) {
        out.End = endCentral_;
        out.End.TotalEntries = out.End.EntriesThisDisk = 0;
        out.End.Changed = false;
    }
    int added = update ? CarryOver(out) : 0;

    if (OnStartZipInfo && FilesList.Count() > 0) {
        bool stop = false;
        OnStartZipInfo(*this, FilesList.Count(), totalBytes_, out.End, stop);
        if (stop)
            throw EUserCanceled("User canceled Zip operation.");
    }
    for (int i = 0; i < FilesList.Count(); ++i)
        if (AddEntry(FilesList[i], out))
            ++added;

    TStream& s = *out.Stream;
    int64_t centralStart = s.Position();
    for (int i = 0; i < out.Written->Count(); ++i)
        WriteCentralEntry(s, *out.Written->Header(i));
    out.End.ThisDisk = out.End.CentralStartDisk = 0;
    out.End.CentralOffset = static_cast<uint32_t>(centralStart);
    out.End.CentralSize = static_cast<uint32_t>(s.Position() - centralStart);
    out.End.RecordPosition = static_cast<uint32_t>(s.Position());
    WriteEndCentral(s, out.End);
    if (s.Size() >= MaxZipArchiveSize)
        throw EZipError("Archives of 4 GiB or more are not supported");
    out.End.EndPosition = static_cast<uint32_t>(s.Size() - out.End.CommentLength());
    out.Stream->Commit();

    // The new archive is now the component's archive.
    zipStream_ = std::move(out.Stream);
    entries_ = std::move(out.Written);
    endCentral_ = std::move(out.End);
    loaded_ = true;
    readDate_ = Date();
    written = true;
    return added;
}

std::string TSuperZip::StoredPath(const std::string& dir) const {
    if (!storePaths_)
        return {};
    std::string d = dir;
    if (relativePaths_ && !rootDir_.empty()) {
        // Only a folder that really lies below RootDir loses it; others are stored whole.
        std::string root = IncludeTrailingPathDelimiter(AbsoluteName(rootDir_));
        if (d.compare(0, root.size(), root) == 0)
            d.erase(0, root.size());
    }
    d = std::filesystem::path(d).lexically_normal().string();
    size_t start = d.find_first_not_of('/');
    d = start == std::string::npos ? std::string() : d.substr(start);
    if (d == ".")
        d.clear();
    return IncludeTrailingPathDelimiter(d);
}

std::string TSuperZip::StoredNameOf(const std::string& listName) const {
    // A stream's entry name names no file.
    const std::string name =
        Store83Names && !streamSource_ ? ZipShortOrLongPath(listName, true) : listName;
    return StoredPath(ExtractFilePath(name)) + ExtractFileName(name);
}

void TSuperZip::ExpandFilesList() {
    TStringList kept;
    std::vector<std::string> masks;
    totalBytes_ = 0;
    auto inArchive = [this](const std::string& full) {
        return entries_ && entries_->IndexOfName(StoredNameOf(full)) >= 0;
    };
    auto keep = [&](const std::string& full, int64_t size) {
        if (ZipAction == zaFreshen && !inArchive(full))
            return;
        kept.Add(full);
        totalBytes_ += size;
    };
    for (int i = 0; i < FilesList.Count(); ++i) {
        const std::string& name = FilesList[i];
        if (HasWildcards(name)) {
            masks.push_back(AbsoluteName(name));
            continue;
        }
        std::string full = AbsoluteName(name);
        std::error_code ec;
        if (!ZipFileExists(full)) {
            if (OnNoSuchFile)
                OnNoSuchFile(*this, full);
            continue;
        }
        keep(full, static_cast<int64_t>(std::filesystem::file_size(full, ec)));
    }
    for (const std::string& mask : masks) {
        TDirSearch search(ExtractFilePath(mask), Recurse, ExtractFileName(mask));
        while (auto found = search.Next())
            keep(found->FullName, found->Size);
    }
    FilesList = kept;
}

int TSuperZip::CarryOver(TNewArchive& out) {
    int replaced = 0;
    // The stored names of FilesList, worked out once and kept in step with it.
    std::vector<std::string> stored;
    for (int j = 0; j < FilesList.Count(); ++j)
        stored.push_back(StoredNameOf(FilesList[j]));
    TSortedZip& old = *entries_;
    for (int i = 0; i < old.Count(); ++i) {
        TZipHeaderPtr e = old.Header(i);
        auto match = std::find(stored.begin(), stored.end(), e->FullName());
        if (match != stored.end()) {
            const bool replace = streamSource_ || ZipAction == zaReplace || e->Date() < Date();
            const int nameIndex = static_cast<int>(match - stored.begin());
            std::string listName = FilesList[nameIndex];
            FilesList.Delete(nameIndex);
            stored.erase(match);
            if (replace && AddEntry(listName, out)) {
                ++replaced;
                continue;
            }
        }
        CopyEntry(*e, out);
    }
    return replaced;
}

void TSuperZip::CopyEntry(const TZipHeaderInfo& entry, TNewArchive& out) {
    const uint64_t dataStart = EntryDataStart(entry);
    auto h = std::make_shared<TZipHeaderInfo>(entry);
    h->ExtraFieldLength = 0;
    h->Selected = false;
    TStream& s = *out.Stream;
    WriteLocalHeader(s, *h);
    s.WriteBuffer(zipStream_->Memory() + dataStart, entry.CompressedSize);
    if (h->HasDataDescriptor())
        WriteDataDescriptor(s, *h);
    out.Add(h);
}

bool TSuperZip::AddEntry(const std::string& listName, TNewArchive& out) {
    auto h = std::make_shared<TZipHeaderInfo>();
    h->DateTime = DateTimeToDosDateTime(Date());
    std::unique_ptr<TFileStream> file;
    TStream* source = streamSource_;
    if (!source) {
        file = std::make_unique<TFileStream>(listName, fmOpenRead);
        source = file.get();
    }
    int64_t sourceSize = source->Size();
    if (sourceSize >= MaxZipArchiveSize)
        throw EZipError("Entries of 4 GiB or more are not supported");
    h->UncompressedSize = static_cast<uint32_t>(sourceSize);
    h->SetFullName(StoredNameOf(listName));
    if (!IsPlainAscii(h->FullName())) {
        // Info-ZIP's unzip translates names from a DOS host as OEM text even when they carry
        // the UTF-8 flag: such entries say they come from Unix, as a plain file (0644).
        h->VersionMadeBy = 0x0314;
        h->ExternalAttributes = (0100644u << 16) | 0x20;
    }
    TStream& s = *out.Stream;
    h->LocalHeaderOffset = static_cast<uint32_t>(s.Position());
    h->InternalAttributes = 2;
    h->DiskNumberStart = 0;
    TFindResult dup = out.ByName.Find(*h);
    if (dup.Found) {
        if (OnSkippingFile)
            OnSkippingFile(*this, srNoOverwrite, dup.Index);
        totalBytes_ -= sourceSize;
        return false;
    }
    bool skip = false;
    if (OnStartZip)
        OnStartZip(*this, listName, *h, skip);
    if (skip)
        return false;

    WriteLocalHeader(s, *h);
    std::unique_ptr<TZipCrypto> crypto;
    uint32_t plainCrc = 0;
    if (!Password.empty()) {
        if (!RandomByte)
            throw EZipError("No source of random bytes for the encryption header");
        plainCrc = StreamCrc(*source);
        crypto = std::make_unique<TZipCrypto>();
        TZipCrypto::THeader header = crypto->MakeHeader(Password, plainCrc, RandomByte);
        s.WriteBuffer(header.data(), TZipCrypto::HeaderSize);
    }
    source->SetPosition(0);
    int64_t doneBefore = doneBytes_;
    TZipSourceInput in(*source, [&](uint64_t total) {
        if (OnFilePercentDone)
            OnFilePercentDone(*this, ZipPercentage(int64_t(total), sourceSize));
        if (OnTotalPercentDone)
            OnTotalPercentDone(*this, ZipPercentage(doneBefore + int64_t(total), totalBytes_));
    });
    TZipArchiveOutput data(s, crypto.get(), [this] { CheckCancel(); });
    // The compressor refuses inputs of 4 GiB or more.
    TDeflateResult result = deflater_.Compress(in, data);
    if (crypto && result.Crc != plainCrc)
        throw EZipError("\"" + listName + "\" changed while it was being compressed");
    doneBytes_ += static_cast<int64_t>(result.InSize);

    h->Method = result.Method;
    h->Flags = static_cast<uint16_t>(h->Flags | result.Flags | (crypto ? zfEncrypted : 0));
    h->InternalAttributes = result.InternalAttributes;
    h->CRC = result.Crc;
    h->UncompressedSize = static_cast<uint32_t>(result.InSize);
    uint64_t compressed = data.Total() + (crypto ? TZipCrypto::HeaderSize : 0);
    if (compressed >= uint64_t(MaxZipArchiveSize))
        throw EZipError("Entries of 4 GiB or more are not supported");
    h->CompressedSize = static_cast<uint32_t>(compressed);
    int64_t end = s.Position();
    s.SetPosition(h->LocalHeaderOffset);
    WriteLocalHeader(s, *h);
    s.SetPosition(end);
    out.Add(h);
    file.reset();
    if (OnEndZip)
        OnEndZip(*this, listName, h->UncompressedSize, h->CompressedSize, s.Size());
    return true;
}

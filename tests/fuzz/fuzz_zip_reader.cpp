// Reads arbitrary bytes as a zip archive held in memory: opens it, lists every entry and
// extracts each into memory, with and without a password, and as the one-entry container.
// Then as an archive split over three disk files: the first four bytes give the sizes of the
// first two disks (16 bits each, little-endian), the bytes after them fill the disks in turn.
// Every failure must be one of the library's exceptions; anything else (or a crash, leak,
// overflow, or output beyond an entry's declared size) is a finding.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>

#include "zip/unzipcomponent.h"
#include "zip/zipprompts.h"
#include "zip/zipstream.h"

namespace {

// The reader on an archive held in memory.
class TFuzzUnZip : public TSuperUnZip {
public:
    explicit TFuzzUnZip(TStream& image) {
        memory_ = {&image, true};
        zipName_ = "ZIPSTREAM";
    }
};

// Boxes and questions answered without a word: No, cancel.
class TSilentPrompts : public IZipPrompts {
public:
    bool AskYesNo(const std::string&, const std::string&) override { return false; }
    void ShowError(const std::string&, const std::string&) override {}
    std::string ChooseFile(const std::string&, const std::string&, const std::string&) override {
        return {};
    }
    std::string ChooseFolder(const std::string&, const std::string&) override { return {}; }
};

void ReadAll(TSuperUnZip& unzip, const char* password, TIncompleteZipMode mode) {
    unzip.Password = password;
    unzip.IncompleteZipMode = mode;
    int n = unzip.Count();
    // Extracting by name takes the first entry of that name: the bound is the largest size
    // any entry of the name declares.
    std::map<std::string, int64_t> declared;
    for (int i = 0; i < n; ++i) {
        TZipHeaderPtr e = unzip.Entry(i);
        int64_t& d = declared[e->FullName()];
        d = std::max<int64_t>(d, e->UncompressedSize);
    }
    for (int i = 0; i < n; ++i) {
        TZipHeaderPtr e = unzip.Entry(i);
        unzip.FileDate(i);
        unzip.FileComment(i);
        if (e->FileName().empty())
            continue;
        TMemoryStream out;
        try {
            unzip.UnzipEntryToStream(out, e->FullName());
        } catch (const Exception&) {
        }
        if (out.Size() > declared[e->FullName()])
            std::abort();
    }
}

void ReadInMemory(const std::string& bytes, const char* password, TIncompleteZipMode mode) {
    TMemoryStream image(bytes);
    TFuzzUnZip unzip(image);
    ReadAll(unzip, password, mode);
}

// The folder of the disk files, made once per process and removed at its end.
std::string DiskFolder() {
    static char folder[] = "/tmp/fuzz_zip_XXXXXX";
    static const bool made = [] {
        if (!::mkdtemp(folder))
            std::abort();
        std::atexit([] { std::filesystem::remove_all(folder); });
        return true;
    }();
    (void)made;
    return std::string(folder) + "/";
}

void ReadSplit(const std::string& bytes) {
    if (bytes.size() < 4)
        return;
    size_t sizes[2] = {size_t(uint8_t(bytes[0]) | uint8_t(bytes[1]) << 8),
                       size_t(uint8_t(bytes[2]) | uint8_t(bytes[3]) << 8)};
    std::string rest = bytes.substr(4);
    for (int disk = 1; disk <= 3; ++disk) {
        size_t n = disk < 3 ? std::min(sizes[disk - 1], rest.size()) : rest.size();
        TMemoryStream part(std::string_view(rest).substr(0, n));
        part.SaveToFile(DiskFolder() + "d" + std::to_string(disk));
        rest.erase(0, n);
    }
    TSuperUnZip unzip;
    unzip.SetZipName(DiskFolder() + "d3");
    unzip.OnGetNextDisk = [](TSuperUnZip&, int disk, std::string& name) {
        if (disk >= 1 && disk <= 3)
            name = DiskFolder() + "d" + std::to_string(disk);
    };
    ReadAll(unzip, "", izAssumeMulti);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool silent = (SetZipPrompts(std::make_shared<TSilentPrompts>()), true);
    (void)silent;
    std::string bytes(reinterpret_cast<const char*>(data), size);
    for (const char* password : {"", "fuzz"}) {
        for (TIncompleteZipMode mode : {izAssumeMulti, izAssumeBad}) {
            try {
                ReadInMemory(bytes, password, mode);
            } catch (const Exception&) {
            }
        }
    }
    try {
        TMemoryStream s(bytes);
        DecompressStream(s, "fuzz");
    } catch (const Exception&) {
    }
    try {
        ReadSplit(bytes);
    } catch (const Exception&) {
    }
    return 0;
}

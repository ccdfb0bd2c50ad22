// Reads arbitrary bytes as a zip archive held in memory: opens it, lists every entry and
// extracts each into memory, with and without a password, and as the one-entry container.
// Every failure must be one of the library's exceptions; anything else (or a crash, leak,
// overflow, or output beyond an entry's declared size) is a finding.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

#include "zip/unzipcomponent.h"
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

void ReadAll(const std::string& bytes, const char* password, TIncompleteZipMode mode) {
    TMemoryStream image(bytes);
    TFuzzUnZip unzip(image);
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    for (const char* password : {"", "fuzz"}) {
        for (TIncompleteZipMode mode : {izAssumeMulti, izAssumeBad}) {
            try {
                ReadAll(bytes, password, mode);
            } catch (const Exception&) {
            }
        }
    }
    try {
        TMemoryStream s(bytes);
        DecompressStream(s, "fuzz");
    } catch (const Exception&) {
    }
    return 0;
}

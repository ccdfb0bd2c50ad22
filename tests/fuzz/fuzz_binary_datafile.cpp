// Loads a binary data file from arbitrary bytes. With the first byte odd the rest is a plain
// payload that the target zips and heads itself, so that the segments are reached past the
// container's checksum; with it even the rest is a whole file. A load must succeed or raise
// one of the program's exceptions; a failed load keeps what was there and only whole parts
// of the file. A database that loaded, or kept parts of a failed load, is written and read
// again and must give the same payload.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/binarydatafile.h"
#include "platform/registrystore.h"
#include "platform/sysutils.h"
#include "zip/zipstream.h"

namespace {

void Setup() {
    static bool done = false;
    if (done)
        return;
    done = true;
    // RunMinimized is read from a store that does not exist: the default, no file touched.
    SetRegistryStoreFolder("/nonexistent/tockwell-fuzz");
    SetClock([] { return 45366.5; });
}

std::string Payload(const TTockwellDB& db) {
    TMemoryStream s;
    WriteDataFilePayload(db, s);
    return s.AsString();
}

// A file around a plain payload, as SaveToStream writes it (without its registry write).
std::string FileOf(std::string_view plain) {
    TMemoryStream z(plain);
    CompressStream(z, std::string());
    std::string f(BinaryDataFileMagic);
    auto put = [&](const auto v) { f.append(reinterpret_cast<const char*>(&v), sizeof v); };
    put(int32_t(1));
    put(int32_t(1));
    put(uint8_t(2));
    put(uint8_t(0));
    put(int64_t(z.Size()));
    return f + z.AsString();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    Setup();
    const std::string_view body(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string file = (data[0] & 1) ? FileOf(body) : std::string(body);

    TTockwellDB db;
    db.AddNew("before", 45000);
    db.SetHoliday(45001);
    db.SetDateColor(255, 45002);
    TMemoryStream in(file);
    try {
        db.LoadFromStream(in, std::string());
    } catch (const Exception&) {
        if (db.Count() < 1 || db.GetItem(0)->Caption != "before")
            __builtin_trap();
        const std::string kept = Payload(db);
        TTockwellDB reread;
        TMemoryStream written(FileOf(kept));
        reread.LoadFromStream(written, std::string());
        if (Payload(reread) != kept)
            __builtin_trap();
        return 0;
    }

    // The same file into an empty database, written and read again: nothing changes.
    TTockwellDB fresh;
    TMemoryStream again(file);
    fresh.LoadFromStream(again, std::string());
    const std::string loaded = Payload(fresh);
    TTockwellDB reread;
    TMemoryStream written(FileOf(loaded));
    reread.LoadFromStream(written, std::string());
    if (Payload(reread) != loaded)
        __builtin_trap();
    return 0;
}

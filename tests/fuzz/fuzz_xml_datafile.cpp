// Reads arbitrary bytes as an XML data file into a database. Every failure must be one of the
// program's exceptions (the data file's own or the Exception family); anything else, or a
// crash, hang, leak or overflow, is a finding. Whatever was loaded is then written and read
// back: our own document must read without a problem and write again unchanged.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/xmldatafile.h"
#include "platform/registrystore.h"

namespace {

// A fixed clock, and a private settings store for the run, removed at exit: RunMinimized
// never reaches the real settings.
struct TFuzzSetup {
    TFuzzSetup() {
        SetClock([] { return 45366.5; });
        char pattern[] = "/tmp/fuzz_xml_datafile.XXXXXX";
        if (!mkdtemp(pattern))
            std::abort();
        path = pattern;
        SetRegistryStoreFolder(path);
    }
    ~TFuzzSetup() { std::filesystem::remove_all(path); }
    std::string path;
};

void Setup() {
    static TFuzzSetup setup;
}

std::string Write(const TTockwellDB& db) {
    TXMLDocument doc;
    BuildXMLDataFile(db, doc);
    return doc.SaveToText();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Setup();
    TTockwellDB db;
    try {
        TXMLDocument doc;
        doc.LoadFromText(std::string(reinterpret_cast<const char*>(data), size));
        db.LoadFromXML(doc.DocumentElement());
    } catch (const Exception&) {
        // Loaded in part, or not at all; what there is must still write.
    }

    const std::string first = Write(db);
    TTockwellDB again;
    try {
        TXMLDocument doc;
        doc.LoadFromText(first);
        again.LoadFromXML(doc.DocumentElement());
    } catch (const Exception&) {
        std::abort(); // our own document did not read back
    }
    const std::string second = Write(again);
    if (second != first) {
        std::fprintf(stderr, "== written\n%s\n== written again\n%s\n", first.c_str(),
                     second.c_str());
        std::abort();
    }
    return 0;
}

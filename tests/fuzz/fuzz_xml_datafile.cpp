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

#include "platform/registrystore.h"
#include "xmldatafilecheck.h"

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Setup();
    const std::string failure =
        xmlcheck::CheckXmlDataFileRoundTrip({reinterpret_cast<const char*>(data), size});
    if (!failure.empty()) {
        std::fprintf(stderr, "%s\n", failure.c_str());
        std::abort();
    }
    return 0;
}

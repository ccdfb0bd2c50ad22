// Reads arbitrary bytes as a settings store file. Whatever the input, reading must not fail,
// and what is written back must read again without loss: its text is a fixed point.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/registrystore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    int bad = 0;
    std::string text = TRegistryHive::Parse(input, &bad).Serialize();
    int badAgain = -1;
    TRegistryHive again = TRegistryHive::Parse(text, &badAgain);
    if (badAgain != 0 || again.Serialize() != text)
        std::abort();
    return 0;
}

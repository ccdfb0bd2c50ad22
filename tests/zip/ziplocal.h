#pragma once
// A minimal walk over the local headers of a zip archive, enough to reach entries' data in
// codec tests, and a writer of one-entry archives for the external tools.

#include <string>
#include <vector>

#include "codectestutil.h"

struct TLocalEntry {
    std::string Name;
    uint16_t Flags = 0, Method = 0;
    uint32_t DosDateTime = 0, Crc = 0, CompressedSize = 0, UncompressedSize = 0;
    TBytes Data; // the entry's compressed bytes
};

// Entries in file order; stops at the first record that is not a local header.
std::vector<TLocalEntry> ReadLocalEntries(const TBytes& zip);

// An archive with one entry of the given method, flags and data (sizes and CRC as given).
TBytes MakeZip(const std::string& name, uint16_t method, uint16_t flags, const TBytes& data,
               uint32_t crc, uint32_t uncompressedSize);

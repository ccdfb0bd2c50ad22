#include "ziplocal.h"

#include <stdexcept>

namespace {

uint32_t Get(const TBytes& b, size_t pos, int n) {
    if (pos + size_t(n) > b.size())
        throw std::runtime_error("truncated zip");
    uint32_t v = 0;
    for (int i = 0; i < n; ++i)
        v |= uint32_t(b[pos + size_t(i)]) << (8 * i);
    return v;
}

void Put(TBytes& b, uint32_t v, int n) {
    for (int i = 0; i < n; ++i)
        b.push_back(uint8_t(v >> (8 * i)));
}

} // namespace

std::vector<TLocalEntry> ReadLocalEntries(const TBytes& zip) {
    std::vector<TLocalEntry> out;
    size_t pos = 0;
    while (pos + 30 <= zip.size() && Get(zip, pos, 4) == 0x04034B50) {
        TLocalEntry e;
        e.Flags = uint16_t(Get(zip, pos + 6, 2));
        e.Method = uint16_t(Get(zip, pos + 8, 2));
        e.DosDateTime = Get(zip, pos + 10, 4);
        e.Crc = Get(zip, pos + 14, 4);
        e.CompressedSize = Get(zip, pos + 18, 4);
        e.UncompressedSize = Get(zip, pos + 22, 4);
        const uint32_t nameLen = Get(zip, pos + 26, 2), extraLen = Get(zip, pos + 28, 2);
        pos += 30;
        if (pos + nameLen + extraLen + e.CompressedSize > zip.size())
            throw std::runtime_error("truncated zip");
        e.Name.assign(zip.begin() + long(pos), zip.begin() + long(pos + nameLen));
        pos += nameLen + extraLen;
        e.Data.assign(zip.begin() + long(pos), zip.begin() + long(pos + e.CompressedSize));
        pos += e.CompressedSize;
        out.push_back(std::move(e));
    }
    return out;
}

TBytes MakeZip(const std::string& name, uint16_t method, uint16_t flags, const TBytes& data,
               uint32_t crc, uint32_t uncompressedSize) {
    TBytes z;
    auto header = [&](bool central) {
        Put(z, central ? 0x02014B50 : 0x04034B50, 4);
        if (central)
            Put(z, 10, 2);
        Put(z, 10, 2);
        Put(z, flags, 2);
        Put(z, method, 2);
        Put(z, 0x21 << 16, 4); // 1980-01-01
        Put(z, crc, 4);
        Put(z, uint32_t(data.size()), 4);
        Put(z, uncompressedSize, 4);
        Put(z, uint32_t(name.size()), 2);
        Put(z, 0, 2);
        if (central) {
            Put(z, 0, 2);
            Put(z, 0, 2);
            Put(z, 0, 2);
            Put(z, 0, 4);
            Put(z, 0, 4);
        }
        z.insert(z.end(), name.begin(), name.end());
    };
    header(false);
    z.insert(z.end(), data.begin(), data.end());
    const uint32_t cdStart = uint32_t(z.size());
    header(true);
    Put(z, 0x06054B50, 4);
    Put(z, 0, 2);
    Put(z, 0, 2);
    Put(z, 1, 2);
    Put(z, 1, 2);
    Put(z, uint32_t(z.size()) - cdStart - 12, 4); // size of the central directory
    Put(z, cdStart, 4);
    Put(z, 0, 2);
    return z;
}

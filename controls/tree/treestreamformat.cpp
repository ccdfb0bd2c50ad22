// The node stream's header and errors, and the read-only stream over read tree data.
#include "controls/tree/treestreamformat.h"

namespace NodeStream {

void FailFormat() {
    throw ELeanTreeError("Unable to load tree structure, the format is wrong.", 2002);
}
void FailVersion() {
    throw ELeanTreeError("Unable to load tree structure, the version is unknown.", 2003);
}
void FailShort() {
    throw ELeanTreeError("Unable to load tree structure, not enough data available.", 2004);
}
void FailAnchor() {
    throw ELeanTreeError("Stream data corrupt. A node's anchor chunk is missing.", 2005);
}
void FailCorrupt() {
    throw ELeanTreeError("Stream data corrupt. Unexpected data after node's end position.", 2006);
}

void WriteHeader(TStream& Stream) {
    const uint16_t units[6] = {0x2045, u'V', u'T', Version, u' ', 0x2046};
    Stream.WriteBuffer(units, sizeof units);
}

int ReadHeader(const uint8_t* Data) {
    uint16_t u[6];
    std::memcpy(u, Data, sizeof u);
    if (u[0] != 0x2045 || u[1] != u'V' || u[2] != u'T' || u[5] != 0x2046)
        FailFormat();
    if (u[3] == 0 || u[3] > Version)
        FailVersion();
    return u[3];
}

} // namespace NodeStream

int64_t TOLEMemoryStream::Read(void* buffer, int64_t count) {
    if (count <= 0 || pos_ >= size_)
        return 0;
    int64_t n = std::min(count, size_ - pos_);
    std::memcpy(buffer, data_ + pos_, size_t(n));
    pos_ += n;
    return n;
}

int64_t TOLEMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    int64_t base = origin == TSeekOrigin::soBeginning ? 0
                   : origin == TSeekOrigin::soCurrent ? pos_
                                                      : size_;
    int64_t p = base + offset;
    if (p < 0)
        throw EStreamError("Stream seek error");
    pos_ = p;
    return p;
}

int64_t TOLEMemoryStream::Write(const void*, int64_t) {
    throw EWriteError("Can't write to a read-only resource stream");
}

void TOLEMemoryStream::SetSize(int64_t) {
    throw EWriteError("Stream is read-only");
}

uint32_t NodeStream::ClipboardNodeChunks(const uint8_t* Data, size_t Size, const uint8_t*& Chunks,
                                         size_t& ChunksSize) {
    if (!Data || Size < 4)
        return 0;
    uint32_t n = GetU32(Data);
    if (n == 0 || n > Size - 4)
        return 0;
    const uint8_t* p = Data + 4;
    uint32_t count = 0;
    for (size_t pos = 0; pos < n;) {
        if (n - pos < ChunkHeaderSize || GetU32(p + pos) != NodeChunk)
            return 0;
        int32_t size;
        std::memcpy(&size, p + pos + 4, 4);
        if (size < 0 || size_t(size) > n - pos - ChunkHeaderSize || count == UINT32_MAX)
            return 0;
        pos += ChunkHeaderSize + size_t(size);
        ++count;
    }
    Chunks = p;
    ChunksSize = n;
    return count;
}

#pragma once
// The node stream format of the tree-list control, without Qt, so that the parser can be
// checked on its own. All integers are little-endian.
//
//   header:   six UTF-16 units U+2045 'V' 'T' <version 1 or 2> ' ' U+2046
//   count:    top-level nodes that follow (unsigned 32; version 2 only, version 1 nodes run
//             to the end of the stream)
//   chunk:    type (unsigned 32), size (signed 32: bytes after this 8-byte header)
//   node:     chunk 1 holding a base chunk, a user chunk and chunks of other types
//   base:     chunk 2: child count (u32), node height (u32), states (u16), align, check
//             state, check type (u8 each), reserved (u32); version 1: states and the rest
//             one byte each (13 bytes); then the child count's node chunks
//   user:     chunk 4: the host's bytes for the node
//
// The parser checks every size and count against the bytes that hold it before it hands
// anything on, refuses nesting deeper than MaxNesting, and reports each node to a sink in
// document order: BeginNode, BaseData, UserData, EndNode (children between BaseData and their
// parent's UserData).

#include <bit>
#include <cstring>
#include <vector>

#include "controls/tree/treetypes.h"
#include "platform/classes.h"

static_assert(std::endian::native == std::endian::little, "the node stream is little-endian");

namespace NodeStream {

constexpr uint32_t NodeChunk = 1;
constexpr uint32_t BaseChunk = 2;
constexpr uint32_t UserChunk = 4;
constexpr size_t HeaderSize = 12;
constexpr size_t ChunkHeaderSize = 8;
constexpr size_t BaseDataSize = 17;
constexpr size_t BaseDataSizeV1 = 13;
constexpr uint16_t Version = 2;
constexpr size_t MaxNesting = 4096; // node levels a stream may hold

// The stream errors (ELeanTreeError with the code as help context).
[[noreturn]] void FailFormat();  // 2002
[[noreturn]] void FailVersion(); // 2003
[[noreturn]] void FailShort();   // 2004
[[noreturn]] void FailAnchor();  // 2005
[[noreturn]] void FailCorrupt(); // 2006

// The 12 header bytes for the current version.
void WriteHeader(TStream& Stream);
// Checks the 12 bytes at Data; returns the version (1 or 2). Fails 2002 or 2003.
int ReadHeader(const uint8_t* Data);

// The framing of pasted or dropped tree data: a byte count N (unsigned 32), then N bytes of
// whole top-level node chunks (each then to be parsed in full). Returns the number of node
// chunks, with Chunks and ChunksSize set to them; 0 when the framing is broken or empty.
uint32_t ClipboardNodeChunks(const uint8_t* Data, size_t Size, const uint8_t*& Chunks,
                             size_t& ChunksSize);

struct TBaseData {
    uint32_t ChildCount = 0;
    uint32_t NodeHeight = 0;
    uint16_t States = 0;
    uint8_t Align = 0;
    uint8_t CheckState = 0;
    uint8_t CheckType = 0;
};

inline uint32_t GetU32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// Parses Count top-level nodes (version 1: nodes until Size) from Data[0, Size). Returns the
// bytes used. Sink: Handle BeginNode(Handle Parent) (Parent empty for a top-level node),
// BaseData(Handle, const TBaseData&), UserData(Handle, const uint8_t*, size_t),
// OtherChunk(Handle, uint32_t Type, const uint8_t*, size_t) (a chunk of another type, which
// the sink may skip), EndNode(Handle). Fails with the stream errors; the sink sees only checked
// data.
template <class Sink>
size_t Parse(const uint8_t* Data, size_t Size, int Version, uint64_t Count, Sink& sink) {
    using Handle = typename Sink::Handle;
    struct Frame {
        size_t nodeEnd;
        Handle handle;
        size_t baseEnd = 0;
        uint32_t childrenLeft = 0;
        bool inBase = false;
        bool sawBase = false;
    };
    std::vector<Frame> stack;
    size_t pos = 0;
    const size_t baseSize = Version == 1 ? BaseDataSizeV1 : BaseDataSize;
    auto chunkHeader = [&](size_t limit, uint32_t& type, size_t& size, bool top) {
        if (limit - pos < ChunkHeaderSize)
            top ? FailShort() : FailCorrupt();
        type = GetU32(Data + pos);
        int32_t s = int32_t(GetU32(Data + pos + 4));
        pos += ChunkHeaderSize;
        if (s < 0)
            FailCorrupt(); // would move the reader backwards
        if (size_t(s) > limit - pos)
            top ? FailShort() : FailCorrupt();
        size = size_t(s);
    };
    auto beginNode = [&](size_t limit, Handle parent, bool top) {
        uint32_t type;
        size_t size;
        if (limit - pos >= 4 && GetU32(Data + pos) != NodeChunk)
            FailAnchor();
        chunkHeader(limit, type, size, top);
        if (stack.size() >= MaxNesting)
            FailCorrupt();
        stack.push_back(Frame{pos + size, sink.BeginNode(parent)});
    };
    if (Version >= 2 && Count > Size / ChunkHeaderSize)
        FailShort(); // every node takes at least a chunk header
    uint64_t done = 0;
    while (done < Count) {
        if (pos >= Size) {
            if (Version == 1)
                break;
            FailShort();
        }
        beginNode(Size, Handle{}, true);
        while (!stack.empty()) {
            Frame& f = stack.back();
            if (f.inBase) {
                if (f.childrenLeft > 0) {
                    --f.childrenLeft;
                    Handle parent = f.handle;
                    beginNode(f.baseEnd, parent, false); // f is not used after this
                    continue;
                }
                pos = f.baseEnd; // bytes after the children are skipped
                f.inBase = false;
                continue;
            }
            if (pos < f.nodeEnd) {
                uint32_t type;
                size_t size;
                chunkHeader(f.nodeEnd, type, size, false);
                size_t end = pos + size;
                if (type == BaseChunk) {
                    if (f.sawBase || size < baseSize)
                        FailCorrupt();
                    f.sawBase = true;
                    const uint8_t* p = Data + pos;
                    TBaseData b;
                    b.ChildCount = GetU32(p);
                    b.NodeHeight = GetU32(p + 4);
                    if (Version == 1) {
                        b.States = uint16_t(p[8] | vsVisible);
                        b.Align = p[9];
                        b.CheckState = p[10];
                        b.CheckType = p[11];
                    } else {
                        b.States = uint16_t(p[8] | (p[9] << 8));
                        b.Align = p[10];
                        b.CheckState = p[11];
                        b.CheckType = p[12];
                    }
                    pos += baseSize;
                    if (b.NodeHeight > 0xFFFF || b.CheckState > csMixedPressed ||
                        b.CheckType > ctButton)
                        FailCorrupt();
                    // Children that could never be reached, or more than the chunk can hold.
                    if (b.ChildCount > 0 && !(b.States & vsHasChildren))
                        FailCorrupt();
                    if (b.ChildCount > (end - pos) / ChunkHeaderSize)
                        FailCorrupt();
                    sink.BaseData(f.handle, b);
                    f.inBase = true;
                    f.baseEnd = end;
                    f.childrenLeft = b.ChildCount;
                    continue;
                }
                if (type == UserChunk) {
                    if (size > 0)
                        sink.UserData(f.handle, Data + pos, size);
                } else {
                    sink.OtherChunk(f.handle, type, Data + pos, size);
                }
                pos = end;
                continue;
            }
            sink.EndNode(f.handle);
            stack.pop_back();
        }
        ++done;
    }
    return pos;
}

// A sink that only counts: nodes, nodes with base data and the sum of their heights.
struct TCountingSink {
    using Handle = int;
    uint64_t Nodes = 0;
    uint64_t Bases = 0;
    uint64_t Heights = 0;
    Handle BeginNode(Handle) {
        ++Nodes;
        return 0;
    }
    void BaseData(Handle, const TBaseData& b) {
        ++Bases;
        Heights += b.NodeHeight;
    }
    void UserData(Handle, const uint8_t*, size_t) {}
    void OtherChunk(Handle, uint32_t, const uint8_t*, size_t) {}
    void EndNode(Handle) {}
};

} // namespace NodeStream

// A read-only stream over bytes it does not own (a node's user chunk of read tree data, handed
// to the host). Reads move within the bytes; a seek before the start raises EStreamError;
// writing raises EWriteError "Can't write to a read-only resource stream", SetSize
// EWriteError "Stream is read-only".
class TOLEMemoryStream : public TStream {
public:
    TOLEMemoryStream(const uint8_t* data, size_t size) : data_(data), size_(int64_t(size)) {}
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return size_; }
    void SetSize(int64_t) override;

private:
    const uint8_t* data_;
    int64_t size_;
    int64_t pos_ = 0;
};

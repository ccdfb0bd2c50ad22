// The tree-list control's node stream parser on arbitrary bytes: it either refuses with the
// stream error or hands on a tree whose every count matches what was built.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "controls/tree/treestreamformat.h"

namespace {

struct TBuildSink {
    using Handle = int; // index + 1; 0 for none
    struct TNode {
        int parent;
        uint32_t announced = 0;
        uint32_t children = 0;
        bool ended = false;
    };
    std::vector<TNode> nodes;
    size_t userBytes = 0;
    Handle BeginNode(Handle parent) {
        if (parent) {
            TNode& p = nodes[size_t(parent - 1)];
            if (p.ended || ++p.children > p.announced)
                __builtin_trap();
        }
        nodes.push_back({parent});
        return Handle(nodes.size());
    }
    void BaseData(Handle h, const NodeStream::TBaseData& b) {
        if (b.ChildCount && !(b.States & vsHasChildren))
            __builtin_trap();
        nodes[size_t(h - 1)].announced = b.ChildCount;
    }
    void UserData(Handle, const uint8_t*, size_t size) { userBytes += size; }
    void OtherChunk(Handle, uint32_t, const uint8_t*, size_t size) { userBytes += size; }
    void EndNode(Handle h) {
        TNode& n = nodes[size_t(h - 1)];
        if (n.children != n.announced || n.ended)
            __builtin_trap();
        n.ended = true;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The same bytes as pasted tree data: the framing, then the node chunks it admits.
    try {
        const uint8_t* chunks = nullptr;
        size_t chunksSize = 0;
        uint32_t count = NodeStream::ClipboardNodeChunks(data, size, chunks, chunksSize);
        if (count) {
            if (chunks != data + 4 || chunksSize > size - 4)
                __builtin_trap();
            TBuildSink built;
            NodeStream::Parse(chunks, chunksSize, NodeStream::Version, count, built);
        }
    } catch (const ELeanTreeError& e) {
        if (e.HelpContext < 2002 || e.HelpContext > 2006)
            __builtin_trap();
    }
    try {
        if (size < NodeStream::HeaderSize)
            return 0;
        int version = NodeStream::ReadHeader(data);
        size_t pos = NodeStream::HeaderSize;
        uint64_t count = UINT64_MAX;
        if (version >= 2) {
            if (size - pos < 4)
                return 0;
            count = NodeStream::GetU32(data + pos);
            pos += 4;
        }
        NodeStream::TCountingSink counted;
        size_t used = NodeStream::Parse(data + pos, size - pos, version, count, counted);
        TBuildSink built;
        size_t again = NodeStream::Parse(data + pos, size - pos, version, count, built);
        if (used != again || used > size - pos || built.nodes.size() != counted.Nodes ||
            built.userBytes > size)
            __builtin_trap();
        for (const auto& n : built.nodes)
            if (!n.ended)
                __builtin_trap();
    } catch (const ELeanTreeError& e) {
        if (e.HelpContext < 2002 || e.HelpContext > 2006)
            __builtin_trap();
    }
    return 0;
}

// The tree-list control's node stream parser on arbitrary bytes: it either refuses with the
// stream error or hands on a tree whose every count matches what was built. The same bytes are
// then loaded into a tree (offscreen): it holds every node the parser counted, or none after
// a refusal, and keeps its invariants either way.
#include <QApplication>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "controls/tree/leantree.h"
#include "controls/tree/treeinvariants.h"
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

bool IsStreamError(const ELeanTreeError& e) {
    return e.HelpContext >= 2002 && e.HelpContext <= 2006;
}

// The whole stream through the parser, twice (counting, then building); the nodes counted,
// or -1 when it refused the bytes.
int64_t ParseWhole(const uint8_t* data, size_t size) {
    try {
        if (size < NodeStream::HeaderSize)
            return -1;
        int version = NodeStream::ReadHeader(data);
        size_t pos = NodeStream::HeaderSize;
        uint64_t count = UINT64_MAX;
        if (version >= 2) {
            if (size - pos < 4)
                return -1;
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
        return int64_t(counted.Nodes);
    } catch (const ELeanTreeError& e) {
        if (!IsStreamError(e))
            __builtin_trap();
        return -1;
    }
}

// Loads the bytes into a new tree whose host reads from each node's user data an int, then as
// many bytes more as its top byte says, and seeks back as many as its second byte says: data
// too short for that, or a seek before its start, is damaged data. Inputs of odd length load
// with multiple selection. Nodes is what the parser counted, or -1 when it refused the bytes.
void LoadIntoTree(const uint8_t* data, size_t size, int64_t nodes) {
    TBaseLeanTree tree;
    tree.SetNodeDataSize(sizeof(int32_t));
    tree.resize(200, 100);
    if (size % 2)
        tree.TreeOptions().SetSelectionOptions({TLTSelectionOption::toMultiSelect});
    tree.OnLoadNode = [](TBaseLeanTree* t, PLeanNode n, TStream& s) {
        const uint32_t v = s.ReadValue<uint32_t>();
        *t->GetNodeData<uint32_t>(n) = v;
        std::vector<uint8_t> more(v >> 24);
        s.ReadBuffer(more.data(), int64_t(more.size()));
        s.Seek(-int64_t((v >> 16) & 0xFF), TSeekOrigin::soCurrent);
    };
    TMemoryStream stream(std::string_view(reinterpret_cast<const char*>(data), size));
    bool loaded = true;
    try {
        tree.LoadFromStream(stream);
    } catch (const ELeanTreeError& e) {
        if (!IsStreamError(e))
            __builtin_trap();
        loaded = false;
    }
    // Every node is visited through the links; the counts and the rest are checked.
    uint64_t visited = 0;
    for (PLeanNode n = tree.GetFirstNoInit(); n; n = tree.GetNextNoInit(n)) {
        if (!n->Parent || ++visited > tree.TotalCount())
            __builtin_trap();
    }
    if (visited != tree.TotalCount() || (!loaded && visited != 0) ||
        (loaded && int64_t(visited) != nodes))
        __builtin_trap();
    if (!TTreeInvariants::Check(tree, true).empty())
        __builtin_trap();
}

// Delivers what the tree posted and deletes what it left for later: nothing piles up between
// inputs, as no event loop runs.
void SettleEvents() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // One application for the whole run, on the offscreen platform.
    static int argc = 1;
    static char name[] = "fuzz_tree_stream";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return 0;
}

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
        if (!IsStreamError(e))
            __builtin_trap();
    }
    LoadIntoTree(data, size, ParseWhole(data, size));
    SettleEvents();
    return 0;
}

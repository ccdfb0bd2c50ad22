// Node streams: the tree written as chunks (node, base data with the children, host data) and
// read back. A stream is checked in full before the tree changes; the nodes are then built,
// and a failure while building (the host's data) removes every node added.
#include <limits>

#include "controls/tree/leantree.h"
#include "controls/tree/treestreamformat.h"

using enum TLTMiscOption;
using enum TLTSelectionOption;
using namespace NodeStream;

namespace {

void FinishChunk(TStream& s, int64_t start) {
    int64_t end = s.Position();
    int64_t size = end - start - int64_t(ChunkHeaderSize);
    if (size > std::numeric_limits<int32_t>::max())
        throw EWriteError("Stream write error");
    s.Seek(start + 4, TSeekOrigin::soBeginning);
    s.WriteValue<int32_t>(int32_t(size));
    s.Seek(end, TSeekOrigin::soBeginning);
}

void Put32(uint8_t* p, uint32_t v) {
    std::memcpy(p, &v, 4);
}

} // namespace

void TBaseLeanTree::DoSaveNode(PLeanNode Node, TStream& Stream) {
    if (OnSaveNode)
        OnSaveNode(this, Node == FRoot ? nullptr : Node, Stream);
}

void TBaseLeanTree::DoLoadNode(PLeanNode Node, TStream& Stream) {
    if (OnLoadNode)
        OnLoadNode(this, Node == FRoot ? nullptr : Node, Stream);
}

void TBaseLeanTree::DoNodeCopied(PLeanNode Node) {
    if (OnNodeCopied)
        OnNodeCopied(this, Node);
}

void TBaseLeanTree::WriteNode(TStream& Stream, PLeanNode Node) {
    LTAssert(Node && Node != FRoot, "Node must neither be nil nor the root node.");
    struct Frame {
        PLeanNode node;
        int64_t nodeStart;
        PLeanNode next; // next child to write
    };
    std::vector<Frame> stack;
    auto open = [&](PLeanNode n) {
        if (HasMisc(toInitOnSave)) {
            InitIfNeeded(n);
            if ((n->States & vsHasChildren) && n->ChildCount == 0)
                InitChildren(n);
        }
        // Node chunk header, base chunk header and base data in one write; sizes come later.
        uint8_t b[ChunkHeaderSize * 2 + BaseDataSize] = {};
        Put32(b, NodeChunk);
        Put32(b + 8, BaseChunk);
        uint8_t* d = b + 16;
        // Every child that exists is written, so the count always matches what follows.
        Put32(d, n->ChildCount);
        Put32(d + 4, n->NodeHeight);
        uint16_t states = n->States & StreamStatesMask & ~(vsClearing | vsToggling | 0x8000);
        std::memcpy(d + 8, &states, 2);
        d[10] = n->Align;
        d[11] = n->CheckState;
        d[12] = n->CheckType;
        int64_t start = Stream.Position();
        Stream.WriteBuffer(b, sizeof b);
        stack.push_back({n, start, n->FirstChild});
    };
    open(Node);
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.next) {
            PLeanNode c = f.next;
            f.next = c->NextSibling;
            open(c); // f is not used after this
            continue;
        }
        PLeanNode n = f.node;
        int64_t nodeStart = f.nodeStart;
        stack.pop_back();
        FinishChunk(Stream, nodeStart + int64_t(ChunkHeaderSize)); // the base chunk
        int64_t userStart = Stream.Position();
        const uint32_t user[2] = {UserChunk, 0};
        Stream.WriteBuffer(user, sizeof user);
        DoSaveNode(n, Stream);
        if (Stream.Position() == userStart + int64_t(ChunkHeaderSize)) {
            // The host wrote nothing: no empty user chunk. Only a stream that ends here is
            // cut; inside a longer one the next write covers the header.
            if (Stream.Size() == userStart + int64_t(ChunkHeaderSize))
                Stream.SetSize(userStart);
            Stream.Seek(userStart, TSeekOrigin::soBeginning);
        } else {
            FinishChunk(Stream, userStart);
        }
        FinishChunk(Stream, nodeStart);
    }
}

void TBaseLeanTree::SaveToStream(TStream& Stream, PLeanNode Node) {
    WriteHeader(Stream);
    if (Node && Node != FRoot) {
        Stream.WriteValue<uint32_t>(1);
        WriteNode(Stream, Node);
        return;
    }
    Stream.WriteValue<uint32_t>(FRoot->ChildCount);
    for (PLeanNode c = FRoot->FirstChild; c; c = c->NextSibling)
        WriteNode(Stream, c);
}

// Builds the parsed nodes. A top-level node is linked to the target once its subtree is
// complete; until then it hangs below the target by its parent link only.
struct TNodeStreamBuilder {
    using Handle = PLeanNode;
    TBaseLeanTree& tree;
    PLeanNode target;
    bool multi;
    std::vector<PLeanNode> selected;
    std::vector<PLeanNode> added;
    PLeanNode current = nullptr;

    Handle BeginNode(Handle parent) {
        PLeanNode n = tree.MakeNewNode();
        if (!parent) {
            n->Parent = target;
            current = n;
            return n;
        }
        n->Parent = parent;
        n->PrevSibling = parent->LastChild;
        n->Index = parent->LastChild ? parent->LastChild->Index + 1 : 0;
        if (parent->LastChild)
            parent->LastChild->NextSibling = n;
        else
            parent->FirstChild = n;
        parent->LastChild = n;
        ++parent->ChildCount;
        return n;
    }

    void BaseData(Handle n, const TBaseData& b) {
        const uint16_t keep = vsInitialized | vsDisabled | vsExpanded | vsHasChildren | vsVisible |
                              vsSelected | vsMultiline;
        n->States = b.States & keep;
        if (n->States & vsSelected) {
            n->States &= ~vsSelected; // selected through the selection array below
            if (multi)
                selected.push_back(n);
        }
        n->NodeHeight = uint16_t(b.NodeHeight);
        n->TotalHeight = n->NodeHeight;
        n->Align = b.Align;
        n->CheckState = b.CheckState;
        n->CheckType = b.CheckType;
    }

    void UserData(Handle n, const uint8_t* data, size_t size) {
        TByteViewStream view(data, size);
        try {
            tree.DoLoadNode(n, view);
        } catch (const EStreamError&) {
            FailCorrupt(); // the host's data is shorter than it expects
        }
    }

    void EndNode(Handle n) {
        uint64_t count = 1, heights = 0;
        bool anyVisible = false;
        for (PLeanNode c = n->FirstChild; c; c = c->NextSibling) {
            count += c->TotalCount;
            if (c->States & vsVisible) {
                heights += c->TotalHeight;
                anyVisible = true;
            }
        }
        if (n->ChildCount == 0)
            n->States &= ~(vsExpanded | vsAllChildrenHidden);
        else if (anyVisible)
            n->States &= ~vsAllChildrenHidden;
        else
            n->States |= vsAllChildrenHidden;
        n->TotalCount = uint32_t(count);
        n->TotalHeight = uint32_t(n->NodeHeight + ((n->States & vsExpanded) ? heights : 0));
        if (n == current) {
            current = nullptr;
            tree.InternalConnectNode(n, target, amAddChildLast, &tree);
            added.push_back(n);
        }
    }

    // Removes every node built so far.
    void Rollback() {
        if (current) {
            std::vector<PLeanNode> all{current}, stack{current};
            while (!stack.empty()) {
                PLeanNode n = stack.back();
                stack.pop_back();
                for (PLeanNode c = n->FirstChild; c; c = c->NextSibling) {
                    all.push_back(c);
                    stack.push_back(c);
                }
            }
            for (auto it = all.rbegin(); it != all.rend(); ++it)
                tree.DoFreeNode(*it);
            current = nullptr;
        }
        for (auto it = added.rbegin(); it != added.rend(); ++it)
            tree.DeleteNode(*it);
        added.clear();
    }
};

uint32_t TBaseLeanTree::ReadStreamNodes(TStream& Stream, PLeanNode Target, bool ClearFirst) {
    if (HasMisc(toReadOnly))
        return 0;
    if (!Target)
        Target = FRoot;
    int64_t start = Stream.Position();
    std::vector<uint8_t> copy;
    const uint8_t* data;
    size_t size;
    if (auto* m = dynamic_cast<TMemoryStream*>(&Stream)) {
        data = m->Memory() + start;
        size = size_t(std::max<int64_t>(m->Size() - start, 0));
    } else {
        copy.resize(size_t(Stream.Remaining()));
        Stream.ReadBuffer(copy.data(), int64_t(copy.size()));
        Stream.Seek(start, TSeekOrigin::soBeginning);
        data = copy.data();
        size = copy.size();
    }
    if (size < HeaderSize)
        FailShort();
    int version = ReadHeader(data);
    size_t pos = HeaderSize;
    uint64_t count = std::numeric_limits<uint64_t>::max();
    if (version >= 2) {
        if (size - pos < 4)
            FailShort();
        count = GetU32(data + pos);
        pos += 4;
    }
    // The whole stream is checked before anything changes.
    TCountingSink counted;
    Parse(data + pos, size - pos, version, count, counted);
    uint64_t haveCount = ClearFirst ? 1 : FRoot->TotalCount;
    uint64_t haveHeight = ClearFirst ? FRoot->NodeHeight : FRoot->TotalHeight;
    uint64_t newHeight = counted.Heights + (counted.Nodes - counted.Bases) * FDefaultNodeHeight;
    if (haveCount + counted.Nodes > std::numeric_limits<uint32_t>::max() ||
        haveHeight + newHeight > uint64_t(std::numeric_limits<int32_t>::max()))
        FailCorrupt();

    if (ClearFirst) {
        Clear();
        Target = FRoot;
    }
    BeginUpdate();
    TNodeStreamBuilder builder{*this, Target, HasSelection(toMultiSelect), {}, {}};
    size_t used;
    try {
        used = Parse(data + pos, size - pos, version, count, builder);
    } catch (...) {
        builder.Rollback();
        EndUpdate();
        throw;
    }
    if (!builder.selected.empty())
        AddNodesToSelection(builder.selected, true);
    DoNodeCopied(nullptr);
    EndUpdate();
    Stream.Seek(start + int64_t(pos + used), TSeekOrigin::soBeginning);
    return uint32_t(builder.added.size());
}

void TBaseLeanTree::LoadFromStream(TStream& Stream) {
    ReadStreamNodes(Stream, FRoot, true);
}

uint32_t TBaseLeanTree::AddFromStream(TStream& Stream, PLeanNode Node) {
    return ReadStreamNodes(Stream, Node, false);
}

void TBaseLeanTree::LoadFromFile(const std::string& FileName) {
    TFileStream stream(FileName, fmOpenRead);
    LoadFromStream(stream);
}

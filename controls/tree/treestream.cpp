// Node streams: the tree written as chunks (node, base data with the children, host data) and
// read back. A stream is checked in full before the tree changes; the nodes are then built
// apart from the tree and join it at the end, so a failure while building (the host's data)
// adds nothing.
#include <limits>
#include <new>
#include <stdexcept>

#include "controls/tree/leantree.h"
#include "controls/tree/treestreamformat.h"

using enum TLTMiscOption;
using enum TLTSelectionOption;
using namespace NodeStream;

namespace {

void Put32(uint8_t* p, uint32_t v) {
    std::memcpy(p, &v, 4);
}

} // namespace

void TBaseLeanTree::WriteChunks(TMemoryStream& Stream, PLeanNode Node) {
    // Calls on the buffer are qualified: they need no virtual dispatch.
    TMemoryStream& s = Stream;
    int64_t userStart = s.TMemoryStream::Seek(0, TSeekOrigin::soCurrent);
    const uint32_t user[2] = {UserChunk, 0};
    s.TMemoryStream::Write(user, sizeof user);
    DoSaveNode(Node, s);
    int64_t end = s.TMemoryStream::Seek(0, TSeekOrigin::soCurrent);
    int64_t size = end - userStart - int64_t(ChunkHeaderSize);
    if (size == 0) {
        // The host wrote nothing: no empty user chunk.
        if (s.TMemoryStream::Size() == end)
            s.TMemoryStream::SetSize(userStart);
        s.TMemoryStream::Seek(userStart, TSeekOrigin::soBeginning);
    } else {
        if (size < 0 || size > std::numeric_limits<int32_t>::max())
            throw EWriteError("Stream write error");
        int32_t v = int32_t(size);
        std::memcpy(s.Memory() + userStart + 4, &v, 4);
    }
}

void TBaseLeanTree::WriteNodes(TStream& Stream, PLeanNode First, bool Siblings) {
    // The chunks are built in memory, where their sizes are filled in: at the end of a memory
    // stream directly, else in a buffer that goes to Stream in large pieces between top-level
    // nodes.
    TMemoryStream local;
    auto* memory = dynamic_cast<TMemoryStream*>(&Stream);
    bool direct = memory && memory->Position() == memory->Size();
    TMemoryStream& buffer = direct ? *memory : local;
    struct Frame {
        PLeanNode node;
        int64_t start;
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
        int64_t start = buffer.TMemoryStream::Seek(0, TSeekOrigin::soCurrent);
        buffer.TMemoryStream::Write(b, sizeof b);
        stack.push_back({n, start, n->FirstChild});
    };
    auto patch = [&](int64_t start) {
        int64_t size = buffer.TMemoryStream::Seek(0, TSeekOrigin::soCurrent) - start -
                       int64_t(ChunkHeaderSize);
        if (size > std::numeric_limits<int32_t>::max())
            throw EWriteError("Stream write error");
        int32_t v = int32_t(size);
        std::memcpy(buffer.Memory() + start + 4, &v, 4);
    };
    // Writing all of a node's children into a memory stream, room for all of them is made once
    // the first child is written, at its bytes per node: the stream then need not grow by
    // doubling, each time copying all it holds into fresh memory. Only an estimate: when the
    // room cannot be had, the stream grows as it would.
    const bool allChildren =
        direct && Siblings && First && First->Parent && First == First->Parent->FirstChild;
    const int64_t begin = buffer.TMemoryStream::Size();
    for (PLeanNode top = First; top; top = Siblings ? top->NextSibling : nullptr) {
        if (allChildren && top == First->NextSibling) {
            const int64_t perNode =
                (buffer.TMemoryStream::Size() - begin) / int64_t(First->TotalCount);
            try {
                buffer.Reserve(begin + perNode * (int64_t(First->Parent->TotalCount) - 1));
            } catch (const std::bad_alloc&) {
            } catch (const std::length_error&) {
            }
        }
        open(top);
        while (!stack.empty()) {
            Frame& f = stack.back();
            if (f.next) {
                PLeanNode c = f.next;
                f.next = c->NextSibling;
                open(c); // f is not used after this
                continue;
            }
            PLeanNode n = f.node;
            int64_t start = f.start;
            stack.pop_back();
            patch(start + int64_t(ChunkHeaderSize)); // the base chunk, children included
            WriteChunks(buffer, n);
            patch(start);
        }
        if (!direct && buffer.TMemoryStream::Size() >= (1 << 16)) {
            Stream.WriteBuffer(buffer.Memory(), buffer.TMemoryStream::Size());
            buffer.TMemoryStream::SetSize(0);
        }
    }
    if (!direct)
        Stream.WriteBuffer(buffer.Memory(), buffer.TMemoryStream::Size());
}

void TBaseLeanTree::WriteNode(TStream& Stream, PLeanNode Node) {
    LTAssert(Node && Node != FRoot, "Node must neither be nil nor the root node.");
    WriteNodes(Stream, Node, false);
}

void TBaseLeanTree::SaveToStream(TStream& Stream, PLeanNode Node) {
    WriteHeader(Stream);
    if (Node && Node != FRoot) {
        Stream.WriteValue<uint32_t>(1);
        WriteNodes(Stream, Node, false);
        return;
    }
    Stream.WriteValue<uint32_t>(FRoot->ChildCount);
    WriteNodes(Stream, FRoot->FirstChild, true);
}

void TBaseLeanTree::SkipNode(TStream& Stream) {
    uint32_t header[2];
    if (Stream.Read(header, sizeof header) != int64_t(sizeof header))
        FailShort();
    if (header[0] != NodeChunk)
        FailAnchor();
    int32_t size = int32_t(header[1]);
    if (size < 0)
        FailCorrupt();
    if (size > Stream.Remaining())
        FailShort();
    Stream.Seek(size, TSeekOrigin::soCurrent);
}

bool TBaseLeanTree::ReadChunk(TStream&, int, PLeanNode, uint32_t) {
    return false;
}

// Builds the parsed nodes. The top-level nodes form a chain of their own below the target
// (reached through their parent links only) that joins the target's children once the whole
// stream is read; until then the tree itself is unchanged.
struct TNodeStreamBuilder {
    using Handle = PLeanNode;
    TBaseLeanTree& tree;
    PLeanNode target;
    bool multi;
    int version;
    std::vector<PLeanNode> selected;
    PLeanNode first = nullptr, last = nullptr; // the chain of top-level nodes
    uint32_t count = 0;

    Handle BeginNode(Handle parent) {
        PLeanNode n = tree.MakeNewNode();
        if (!parent) {
            n->Parent = target;
            n->Index = target->ChildCount + count++;
            n->PrevSibling = last;
            if (last)
                last->NextSibling = n;
            else
                first = n;
            last = n;
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
        // The node's stored states; the transient bits stay behind.
        const uint16_t keep = vsInitialized | vsDisabled | vsExpanded | vsHasChildren | vsVisible |
                              vsSelected | vsAllChildrenHidden | vsMultiline;
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

    // Runs a read of the host's chunk: a read or seek that fails on the chunk's bytes (the
    // data is not what the host expects) is damaged data; a write into them is the host's own
    // fault and goes on as it is.
    template <class Read> static void ReadHostChunk(Read&& read) {
        try {
            read();
        } catch (const EWriteError&) {
            throw;
        } catch (const EStreamError&) {
            FailCorrupt();
        }
    }

    void UserData(Handle n, const uint8_t* data, size_t size) {
        TOLEMemoryStream view(data, size);
        ReadHostChunk([&] { tree.DoLoadNode(n, view); });
    }

    void OtherChunk(Handle n, uint32_t type, const uint8_t* data, size_t size) {
        TOLEMemoryStream view(data, size);
        ReadHostChunk([&] { tree.ReadChunk(view, version, n, type); });
    }

    void EndNode(Handle n) {
        // The states stay as stored (an expanded node whose children are yet to be made, the
        // hidden-children flag); only the counts follow from the children.
        uint64_t total = 1, heights = 0;
        for (PLeanNode c = n->FirstChild; c; c = c->NextSibling) {
            total += c->TotalCount;
            if (c->States & vsVisible)
                heights += c->TotalHeight;
        }
        n->TotalCount = uint32_t(total);
        n->TotalHeight = uint32_t(n->NodeHeight + ((n->States & vsExpanded) ? heights : 0));
    }

    // Joins the chain to the target's children and brings the counts up to date.
    void Finish() {
        if (!first)
            return;
        tree.StopValidation();
        uint64_t total = 0, heights = 0;
        for (PLeanNode n = first; n; n = n->NextSibling) {
            total += n->TotalCount;
            if (n->States & vsVisible)
                heights += n->TotalHeight;
        }
        first->PrevSibling = target->LastChild;
        if (target->LastChild)
            target->LastChild->NextSibling = first;
        else
            target->FirstChild = first;
        target->LastChild = last;
        target->ChildCount += count;
        target->States |= vsHasChildren;
        tree.AdjustTotalCount(target, int64_t(total), true);
        if (target->States & vsExpanded)
            tree.AdjustTotalHeight(target, int64_t(heights), true);
        if ((target->States & vsExpanded) &&
            (target == tree.FRoot || tree.GetFullyVisible(target))) {
            uint32_t rows = 0;
            for (PLeanNode n = first; n; n = n->NextSibling)
                if (n->States & vsVisible)
                    rows += 1 + tree.CountVisibleChildren(n);
            tree.FVisibleCount += rows;
        }
        if (target != tree.FRoot)
            tree.DetermineHiddenChildrenFlag(target);
        first = last = nullptr;
    }

    // Frees every node built so far; the tree never saw them.
    void Rollback() {
        std::vector<PLeanNode> all, stack;
        for (PLeanNode n = first; n; n = n->NextSibling)
            stack.push_back(n);
        while (!stack.empty()) {
            PLeanNode n = stack.back();
            stack.pop_back();
            all.push_back(n);
            for (PLeanNode c = n->FirstChild; c; c = c->NextSibling)
                stack.push_back(c);
        }
        for (auto it = all.rbegin(); it != all.rend(); ++it)
            tree.DoFreeNode(*it);
        first = last = nullptr;
    }
};

uint32_t TBaseLeanTree::ReadStreamNodes(TStream& Stream, PLeanNode Target, bool ClearFirst,
                                        TLTNodeAttachMode Mode, PLeanNode* Moved) {
    if (HasMisc(toReadOnly) && !Moved)
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
    // A moved node is read below the parent it will have, so that the host sees it in place.
    PLeanNode parent =
        Moved && (Mode == amInsertBefore || Mode == amInsertAfter) ? Target->Parent : Target;
    TNodeStreamBuilder builder{*this, parent, !Moved && HasSelection(toMultiSelect), version, {}};
    size_t used;
    try {
        used = Parse(data + pos, size - pos, version, count, builder);
        if (Moved && builder.count != 1)
            FailCorrupt();
    } catch (...) {
        builder.Rollback();
        EndUpdate();
        throw;
    }
    uint32_t added = builder.count;
    if (Moved) {
        PLeanNode n = builder.first;
        builder.first = builder.last = nullptr;
        InternalConnectNode(n, Target, Mode, this);
        if (n->Parent != FRoot)
            DetermineHiddenChildrenFlag(n->Parent);
        *Moved = n;
    }
    builder.Finish();
    if (!builder.selected.empty())
        AddNodesToSelection(builder.selected, true);
    if (ClearFirst) // a loaded tree is told once; pasted and dropped nodes one by one
        DoNodeCopied(nullptr);
    EndUpdate();
    Stream.Seek(start + int64_t(pos + used), TSeekOrigin::soBeginning);
    return added;
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

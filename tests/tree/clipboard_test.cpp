// Clipboard formats per tree class and filter, the enumerator, the data object's lazy
// rendering and stored data, and tree references (forged ones refused).
#include <QClipboard>
#include <QGuiApplication>
#include <cstring>
#include <map>
#include <unistd.h>

#include "controls/tree/treeclipboard.h"
#include "treetestutil.h"

namespace {

// A tree of the string tree's class that counts what it renders.
class TRenderingTree : public TTestTree {
public:
    const TLTTreeClass& LeanTreeClass() const override { return CustomLeanStringTreeClass; }
    bool RenderOLEData(int Format, bool ForClipboard, QByteArray& Data) override {
        ++Renders[Format];
        if (TBaseLeanTree::RenderOLEData(Format, ForClipboard, Data))
            return true;
        if (Format == CF_TEXT || Format == CF_UNICODETEXT) {
            Data = ForClipboard ? "clipboard text" : "drag text";
            return true;
        }
        if (Fail)
            throw std::runtime_error("render failed");
        Data = QByteArray("format ") + QByteArray::number(Format);
        return true;
    }
    bool WriteClipboardNodes(QByteArray& Data, bool) override {
        Data = "nodes";
        return true;
    }
    std::map<int, int> Renders;
    bool Fail = false;
};

std::vector<std::string> Names(const std::vector<int>& formats) {
    std::vector<std::string> out;
    for (int f : formats)
        out.push_back(ClipboardFormatName(f));
    return out;
}

// The token is process-wide and set once; every test asks for the same fixed one.
void EnsureToken() {
    uint64_t draws[] = {0x0123456789ABCDEFull, 0x0FEDCBA987654321ull};
    int i = 0;
    InitializeTreeReferenceToken([&] { return draws[i++ % 2]; });
}

TEST(TreeClipboard, FormatsPerClassInPriorityOrder) {
    TTestTree base;
    EXPECT_EQ(Names(base.GetNativeClipboardFormats()),
              (std::vector<std::string>{"Lean Tree Data"}));
    TRenderingTree text;
    EXPECT_EQ(Names(text.GetNativeClipboardFormats()),
              (std::vector<std::string>{"Lean Tree Data", "HTML Format",
                                        "Rich Text Format Without Objects", "Rich Text Format",
                                        "CSV", "Unicode text", "Plain text"}));
    int fmt = 0;
    EXPECT_EQ(TClipboardFormatList::FindFormat("html format", fmt), &CustomLeanStringTreeClass);
    EXPECT_EQ(ClipboardFormatName(fmt), "HTML Format");
    EXPECT_EQ(TClipboardFormatList::FindFormat("Nothing", fmt), nullptr);
    EXPECT_EQ(TClipboardFormatList::EntryOf(MimeCSV)->Description, "CSV");
    EXPECT_EQ(TClipboardFormatList::EntryOf(CF_TEXT)->MimeType, "text/plain");
    // The reference format is a registered name, but no tree offers it through the list.
    EXPECT_EQ(ClipboardFormatName(CF_LTREFERENCE()), "Lean Tree Reference");
    EXPECT_EQ(TClipboardFormatList::EntryOf(CF_LTREFERENCE()), nullptr);
}

TEST(TreeClipboard, ClipboardFormatsFilter) {
    TTestTree base;
    EXPECT_EQ(base.ClipboardFormats().Add("HTML Format"), -1);
    EXPECT_EQ(base.ClipboardFormats().Add("No such format"), -1);
    EXPECT_EQ(base.ClipboardFormats().Count(), 0);

    TRenderingTree text;
    EXPECT_EQ(text.ClipboardFormats().Add("Plain text"), 0);
    EXPECT_EQ(text.ClipboardFormats().Add("CSV"), 0); // sorted
    EXPECT_EQ(text.ClipboardFormats().Add("csv"), 0); // a duplicate
    EXPECT_EQ(text.ClipboardFormats().Count(), 2);
    EXPECT_EQ(Names(text.GetNativeClipboardFormats()),
              (std::vector<std::string>{"CSV", "Plain text"}));
    text.ClipboardFormats().Assign({"Lean Tree Data", "Bogus"});
    EXPECT_EQ(Names(text.GetNativeClipboardFormats()),
              (std::vector<std::string>{"Lean Tree Data"}));

    text.OnGetUserClipboardFormats = [](TBaseLeanTree*, std::vector<int>& f) {
        f.push_back(RegisterClipboardFormatName("My own"));
    };
    EXPECT_EQ(Names(text.GetNativeClipboardFormats()),
              (std::vector<std::string>{"Lean Tree Data", "My own"}));
}

TEST(TreeClipboard, Enumerator) {
    TEnumFormatEtc e({1, 2, 3});
    EXPECT_TRUE(e.Skip(2));
    e.Reset();
    EXPECT_FALSE(e.Skip(4));
    EXPECT_EQ(e.Index(), 0u);
    std::vector<int> got;
    size_t fetched = 0;
    EXPECT_TRUE(e.Next(2, got, &fetched));
    EXPECT_EQ(fetched, 2u);
    auto clone = e.Clone();
    EXPECT_TRUE(e.Next(5, got, &fetched));
    EXPECT_EQ(fetched, 1u);
    EXPECT_EQ(got, (std::vector<int>{1, 2, 3}));
    EXPECT_FALSE(e.Next(1, got, &fetched));
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(clone->Index(), 2u);
}

TEST(TreeClipboard, DataObjectRendersOnlyWhatIsAskedFor) {
    TRenderingTree tree;
    int csv = RegisterClipboardFormatName("CSV");
    auto data = std::make_unique<TLTDataObject>(&tree, false);
    EXPECT_TRUE(data->hasFormat(MimeCSV));
    EXPECT_TRUE(data->formats().contains(MimeRTFApplication));
    EXPECT_TRUE(tree.Renders.empty()); // offering renders nothing
    EXPECT_EQ(data->data(MimeCSV), QByteArray("format ") + QByteArray::number(csv));
    EXPECT_EQ(tree.Renders.size(), 1u);
    EXPECT_EQ(tree.Renders[csv], 1);
    EXPECT_EQ(data->text(), "drag text");
    EXPECT_EQ(data->data(MimeLeanTreeData), "nodes");
    EXPECT_FALSE(data->hasFormat("image/png"));
    EXPECT_TRUE(data->data("image/png").isEmpty());

    // A failing render gives no data, not an exception.
    tree.Fail = true;
    EXPECT_TRUE(data->data(MimeHTML).isEmpty());

    // Data set into the object joins the offer and is handed out as stored.
    data->SetData("application/x-other", "stored");
    data->SetData(MimeCSV, "my csv");
    EXPECT_TRUE(data->QueryGetData("application/x-other"));
    EXPECT_EQ(data->data("application/x-other"), "stored");
    tree.Renders.clear();
    EXPECT_EQ(data->data(MimeCSV), "my csv");
    EXPECT_TRUE(tree.Renders.empty());
    auto e = data->EnumFormatEtc();
    std::vector<int> all;
    e->Next(100, all);
    EXPECT_EQ(all.size(), 8u);
}

TEST(TreeClipboard, DataObjectOutlivesItsTree) {
    auto tree = std::make_unique<TRenderingTree>();
    TLTDataObject data(tree.get(), true);
    data.SetData("application/x-other", "kept");
    tree.reset();
    EXPECT_EQ(data.Owner(), nullptr);
    EXPECT_TRUE(data.data(MimeCSV).isEmpty());
    EXPECT_FALSE(data.hasFormat(MimeLeanTreeReference));
    EXPECT_EQ(data.data("application/x-other"), "kept");
}

TEST(TreeClipboard, ClipboardObjectCancelsCutWhenReplaced) {
    TRenderingTree tree;
    tree.SetRootNodeCount(2);
    tree.GetFirst()->States |= vsCutOrCopy;
    tree.DoStateChange(TLeanTreeState::tsCutPending);
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setMimeData(new TLTDataObject(&tree, true));
    EXPECT_EQ(clipboard->text(), "clipboard text");
    EXPECT_TRUE(tree.TreeStates().Contains(TLeanTreeState::tsCutPending));
    clipboard->setText("someone else's"); // the old object goes
    EXPECT_FALSE(tree.TreeStates().Contains(TLeanTreeState::tsCutPending));
    EXPECT_FALSE(tree.GetFirst()->States & vsCutOrCopy);

    // While the tree flushes the clipboard its cut stays pending.
    tree.DoStateChange(TLeanTreeState::tsCutPending);
    clipboard->setMimeData(new TLTDataObject(&tree, true));
    tree.DoStateChange(TLeanTreeState::tsClipboardFlushing);
    clipboard->clear();
    EXPECT_TRUE(tree.TreeStates().Contains(TLeanTreeState::tsCutPending));
    tree.DoStateChange({}, TLeanTreeState::tsClipboardFlushing);
}

TEST(TreeClipboard, TreeReferences) {
    EnsureToken();
    ASSERT_TRUE(TreeReferenceTokenSet());
    TRenderingTree a, b;
    EXPECT_NE(a.TreeId(), b.TreeId());
    TLTDataObject fromA(&a, false);
    EXPECT_TRUE(fromA.hasFormat(MimeLeanTreeReference));
    EXPECT_EQ(GetTreeFromDataObject(&fromA), &a);
    EXPECT_EQ(GetTreeFromDataObject(nullptr), nullptr);
    QMimeData foreign;
    foreign.setText("text");
    EXPECT_EQ(GetTreeFromDataObject(&foreign), nullptr);

    // No reference while the tree flushes the clipboard.
    a.DoStateChange(TLeanTreeState::tsClipboardFlushing);
    EXPECT_EQ(GetTreeFromDataObject(&fromA), nullptr);
    a.DoStateChange({}, TLeanTreeState::tsClipboardFlushing);

    // A reference to a tree that is gone names nothing, even when the memory is reused.
    QByteArray stale;
    {
        TRenderingTree gone;
        stale = MakeTreeReference(gone);
        EXPECT_EQ(TreeFromReference(stale), &gone);
    }
    TRenderingTree after;
    EXPECT_EQ(TreeFromReference(stale), nullptr);
}

TEST(TreeClipboard, ForgedReferencesAreRefused) {
    EnsureToken();
    TRenderingTree tree;
    QByteArray good = MakeTreeReference(tree);
    ASSERT_EQ(good.size(), 24);
    ASSERT_EQ(TreeFromReference(good), &tree);

    // What the old format carried: a process id and the tree's address.
    QByteArray old(8, '\0');
    uint32_t pid = uint32_t(::getpid());
    auto address = uint32_t(reinterpret_cast<uintptr_t>(&tree));
    memcpy(old.data(), &pid, 4);
    memcpy(old.data() + 4, &address, 4);
    QByteArray wrongToken = good;
    wrongToken[3] = char(wrongToken[3] ^ 0x40);
    QByteArray wrongSecondWord = good;
    wrongSecondWord[12] = char(wrongSecondWord[12] ^ 0x01);
    QByteArray zeroToken = good;
    std::memset(zeroToken.data(), 0, 16);
    QByteArray unknownId = good;
    unknownId[23] = char(0x7F);
    QByteArray longer = good + "x";
    for (const QByteArray& forged : {old, wrongToken, wrongSecondWord, zeroToken, unknownId, longer,
                                     good.left(23), QByteArray()}) {
        EXPECT_EQ(TreeFromReference(forged), nullptr);
        QMimeData data;
        data.setData(MimeLeanTreeReference, forged);
        EXPECT_EQ(GetTreeFromDataObject(&data), nullptr);
    }
    // Set into one of our own data objects it is refused all the same.
    TLTDataObject ours(&tree, false);
    ours.SetData(MimeLeanTreeReference, wrongToken);
    EXPECT_EQ(GetTreeFromDataObject(&ours), nullptr);
}

} // namespace

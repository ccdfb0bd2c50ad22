// The clipboard format registry, the data object and the tree references.
#include "controls/tree/treeclipboard.h"

#include <algorithm>
#include <array>
#include <unordered_map>

#include "controls/tree/leantree.h"
#include "platform/sysutils.h"

const TLTTreeClass BaseLeanTreeClass{"TBaseLeanTree", nullptr};
const TLTTreeClass CustomLeanStringTreeClass{"TCustomLeanStringTree", &BaseLeanTreeClass};

bool TLTTreeClass::InheritsFrom(const TLTTreeClass& Ancestor) const {
    for (const TLTTreeClass* c = this; c; c = c->Parent)
        if (c == &Ancestor)
            return true;
    return false;
}

namespace {

// Names of the predefined formats 1 to 16.
constexpr std::array<std::string_view, 16> PredefinedNames = {"Plain text",
                                                              "Windows bitmap",
                                                              "Windows metafile",
                                                              "Symbolic link",
                                                              "Data interchange format",
                                                              "Tiff image",
                                                              "OEM text",
                                                              "DIB image",
                                                              "Palette data",
                                                              "Pen data",
                                                              "Riff audio data",
                                                              "Wav audio data",
                                                              "Unicode text",
                                                              "Enhanced metafile image",
                                                              "File name(s)",
                                                              "Locale descriptor"};

// Registered format names; number = 0xC000 + index.
std::vector<std::string>& FormatNames() {
    static std::vector<std::string> names;
    return names;
}

std::vector<TClipboardFormatListEntry>& RawList() {
    static std::vector<TClipboardFormatListEntry> list;
    return list;
}

void RegisterStandardFormats() {
    RegisterLTClipboardFormat(CFSTR_LEANTREEDATA, MimeLeanTreeData, BaseLeanTreeClass, 50);
    RegisterLTClipboardFormat(CFSTR_HTML, MimeHTML, CustomLeanStringTreeClass, 80);
    RegisterLTClipboardFormat(CFSTR_RTFNOOBJS, MimeRTFApplication, CustomLeanStringTreeClass, 84);
    RegisterLTClipboardFormat(CFSTR_RTF, MimeRTF, CustomLeanStringTreeClass, 85);
    RegisterLTClipboardFormat(CFSTR_CSV, MimeCSV, CustomLeanStringTreeClass, 90);
    RegisterLTClipboardFormat(PredefinedNames[CF_UNICODETEXT - 1], MimeUTF8Text,
                              CustomLeanStringTreeClass, 95);
    RegisterLTClipboardFormat(PredefinedNames[CF_TEXT - 1], MimePlainText,
                              CustomLeanStringTreeClass, 100);
}

// The list with the standard formats registered on first use.
std::vector<TClipboardFormatListEntry>& List() {
    static bool initialised = false;
    if (!initialised) {
        initialised = true;
        RegisterStandardFormats();
    }
    return RawList();
}

} // namespace

int RegisterClipboardFormatName(std::string_view Description) {
    for (size_t i = 0; i < PredefinedNames.size(); ++i)
        if (AnsiSameText(PredefinedNames[i], Description))
            return int(i) + 1;
    auto& names = FormatNames();
    for (size_t i = 0; i < names.size(); ++i)
        if (AnsiSameText(names[i], Description))
            return 0xC000 + int(i);
    names.emplace_back(Description);
    return 0xC000 + int(names.size()) - 1;
}

std::string ClipboardFormatName(int Format) {
    if (Format >= 1 && Format <= 16)
        return std::string(PredefinedNames[size_t(Format - 1)]);
    auto& names = FormatNames();
    if (Format >= 0xC000 && size_t(Format - 0xC000) < names.size())
        return names[size_t(Format - 0xC000)];
    return {};
}

int CF_LTREFERENCE() {
    static const int format = RegisterClipboardFormatName(CFSTR_LEANTREEREFERENCE);
    return format;
}

int ClipboardFormatOf(const QString& MimeType) {
    if (const auto* e = TClipboardFormatList::EntryOf(MimeType))
        return e->Format;
    if (MimeType.compare(MimeLeanTreeReference, Qt::CaseInsensitive) == 0)
        return CF_LTREFERENCE();
    return RegisterClipboardFormatName(MimeType.toStdString());
}

std::vector<int> DataObjectFormats(const QMimeData* DataObject) {
    std::vector<int> formats;
    if (const auto* own = dynamic_cast<const TLTDataObject*>(DataObject)) {
        std::unique_ptr<TEnumFormatEtc> walk = own->EnumFormatEtc();
        while (walk->Next(1, formats)) {
        }
    } else if (DataObject) {
        for (const QString& m : DataObject->formats()) {
            int f = ClipboardFormatOf(m);
            if (std::find(formats.begin(), formats.end(), f) == formats.end())
                formats.push_back(f);
        }
    }
    return formats;
}

int RegisterLTClipboardFormat(std::string_view Description, const QString& MimeType,
                              const TLTTreeClass& TreeClass, uint32_t Priority) {
    return TClipboardFormatList::Add(Description, MimeType, TreeClass, Priority);
}

int RegisterLTClipboardFormat(int Format, const TLTTreeClass& TreeClass, uint32_t Priority) {
    std::string name = ClipboardFormatName(Format);
    if (name.empty())
        return 0;
    QString mime;
    if (const auto* known = TClipboardFormatList::EntryOf(Format))
        mime = known->MimeType;
    else if (Format == CF_TEXT)
        mime = MimePlainText;
    else if (Format == CF_UNICODETEXT)
        mime = MimeUTF8Text;
    else
        mime = QString::fromStdString(name);
    return TClipboardFormatList::Add(name, mime, TreeClass, Priority);
}

int TClipboardFormatList::Add(std::string_view Description, const QString& MimeType,
                              const TLTTreeClass& TreeClass, uint32_t Priority) {
    int format = RegisterClipboardFormatName(Description);
    auto& list = RawList();
    list.push_back({std::string(Description), MimeType, &TreeClass, Priority, format});
    std::stable_sort(list.begin(), list.end(),
                     [](const auto& a, const auto& b) { return a.Priority < b.Priority; });
    return format;
}

std::vector<TClipboardFormatListEntry>
TClipboardFormatList::EnumerateFormats(const TLTTreeClass& TreeClass,
                                       const QStringList* AllowedFormats) {
    std::vector<TClipboardFormatListEntry> out;
    for (const auto& e : List()) {
        if (!TreeClass.InheritsFrom(*e.TreeClass))
            continue;
        if (AllowedFormats &&
            !AllowedFormats->contains(QString::fromStdString(e.Description), Qt::CaseInsensitive))
            continue;
        out.push_back(e);
    }
    return out;
}

const TLTTreeClass* TClipboardFormatList::FindFormat(std::string_view FormatString, int& Fmt) {
    const auto& list = List();
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        if (AnsiSameText(it->Description, FormatString)) {
            Fmt = it->Format;
            return it->TreeClass;
        }
    return nullptr;
}

const TClipboardFormatListEntry* TClipboardFormatList::EntryOf(int Format) {
    for (const auto& e : List())
        if (e.Format == Format)
            return &e;
    return nullptr;
}

const TClipboardFormatListEntry* TClipboardFormatList::EntryOf(const QString& MimeType) {
    for (const auto& e : List())
        if (e.MimeType.compare(MimeType, Qt::CaseInsensitive) == 0)
            return &e;
    return nullptr;
}

// ---- TClipboardFormats ----

int TClipboardFormats::Add(const QString& S) {
    int fmt = 0;
    const TLTTreeClass* cls = TClipboardFormatList::FindFormat(S.toStdString(), fmt);
    if (!cls || !owner_ || !owner_->LeanTreeClass().InheritsFrom(*cls))
        return -1;
    auto less = [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    };
    auto it = std::lower_bound(names_.begin(), names_.end(), S, less);
    if (it != names_.end() && it->compare(S, Qt::CaseInsensitive) == 0)
        return int(it - names_.begin());
    it = names_.insert(it, S);
    return int(it - names_.begin());
}

void TClipboardFormats::Assign(const QStringList& Names) {
    Clear();
    for (const QString& n : Names)
        Add(n);
}

// ---- TEnumFormatEtc ----

bool TEnumFormatEtc::Next(size_t Celt, std::vector<int>& Elements, size_t* Fetched) {
    size_t n = std::min(Celt, formats_.size() - std::min(index_, formats_.size()));
    Elements.insert(Elements.end(), formats_.begin() + std::ptrdiff_t(index_),
                    formats_.begin() + std::ptrdiff_t(index_ + n));
    index_ += n;
    if (Fetched)
        *Fetched = n;
    return n > 0;
}

bool TEnumFormatEtc::Skip(size_t Celt) {
    if (index_ + Celt > formats_.size())
        return false;
    index_ += Celt;
    return true;
}

// ---- the tree's share ----

std::vector<int> TBaseLeanTree::GetNativeClipboardFormats() {
    const QStringList* allowed = FClipboardFormats.Count() ? &FClipboardFormats.Names() : nullptr;
    std::vector<int> formats;
    for (const auto& e : TClipboardFormatList::EnumerateFormats(LeanTreeClass(), allowed))
        formats.push_back(e.Format);
    if (OnGetUserClipboardFormats)
        OnGetUserClipboardFormats(this, formats);
    return formats;
}

bool TBaseLeanTree::RenderOLEData(int Format, bool ForClipboard, QByteArray& Data) {
    int fmt = 0;
    if (TClipboardFormatList::FindFormat(CFSTR_LEANTREEDATA, fmt) && Format == fmt)
        return WriteClipboardNodes(Data, ForClipboard);
    return DoRenderOLEData(Format, Data, ForClipboard);
}

// ---- TLTDataObject ----

TLTDataObject::TLTDataObject(TBaseLeanTree* Owner, bool ForClipboard)
    : owner_(Owner), forClipboard_(ForClipboard) {
    if (Owner)
        formats_ = Owner->GetNativeClipboardFormats();
}

TLTDataObject::~TLTDataObject() {
    TBaseLeanTree* tree = owner_.data();
    if (forClipboard_ && tree && !tree->IsDestroying() &&
        !tree->TreeStates().Contains(TLeanTreeState::tsClipboardFlushing))
        tree->CancelCutOrCopy();
}

TBaseLeanTree* TLTDataObject::Owner() const {
    return owner_.data();
}

namespace {
QString MimeOf(int Format) {
    const auto* e = TClipboardFormatList::EntryOf(Format);
    return e ? e->MimeType : QString();
}
} // namespace

QStringList TLTDataObject::formats() const {
    QStringList out;
    for (int f : formats_) {
        QString m = MimeOf(f);
        if (!m.isEmpty() && !out.contains(m))
            out << m;
    }
    for (const QString& m : stored_)
        if (!out.contains(m))
            out << m;
    if (owner_ && TreeReferenceTokenSet() && !out.contains(MimeLeanTreeReference))
        out << MimeLeanTreeReference;
    return out;
}

bool TLTDataObject::hasFormat(const QString& MimeType) const {
    return QueryGetData(MimeType);
}

bool TLTDataObject::QueryGetData(const QString& MimeType) const {
    return formats().contains(MimeType, Qt::CaseInsensitive);
}

void TLTDataObject::SetData(const QString& MimeType, const QByteArray& Data) {
    setData(MimeType, Data);
    if (!stored_.contains(MimeType))
        stored_ << MimeType;
}

std::unique_ptr<TEnumFormatEtc> TLTDataObject::EnumFormatEtc() const {
    std::vector<int> all = formats_;
    for (const QString& m : stored_) {
        int f = ClipboardFormatOf(m);
        if (std::find(all.begin(), all.end(), f) == all.end())
            all.push_back(f);
    }
    return std::make_unique<TEnumFormatEtc>(std::move(all));
}

QVariant TLTDataObject::retrieveData(const QString& MimeType, QMetaType Type) const {
    TBaseLeanTree* tree = owner_.data();
    if (MimeType == MimeLeanTreeReference && !stored_.contains(MimeType)) {
        if (!tree || tree->TreeStates().Contains(TLeanTreeState::tsClipboardFlushing))
            return {};
        QByteArray ref = MakeTreeReference(*tree);
        return ref.isEmpty() ? QVariant() : QVariant(ref);
    }
    if (stored_.contains(MimeType))
        return QMimeData::retrieveData(MimeType, Type);
    if (!tree)
        return {};
    for (int f : formats_) {
        if (MimeOf(f).compare(MimeType, Qt::CaseInsensitive) != 0)
            continue;
        QByteArray data;
        try {
            if (!tree->RenderOLEData(f, forClipboard_, data))
                return {};
        } catch (const std::exception&) {
            return {};
        }
        return data;
    }
    return {};
}

// ---- tree references ----

namespace {

struct TReferenceToken {
    uint64_t Words[2] = {0, 0};
    bool Set = false;
};
TReferenceToken& Token() {
    static TReferenceToken token;
    return token;
}

std::unordered_map<uint64_t, TBaseLeanTree*>& LiveTrees() {
    static std::unordered_map<uint64_t, TBaseLeanTree*> trees;
    return trees;
}
uint64_t NextTreeId = 1;

constexpr qsizetype ReferenceSize = 24; // two token words, then the tree id

void PutWord(QByteArray& b, uint64_t v) {
    for (int i = 0; i < 8; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
}
uint64_t GetWord(const QByteArray& b, qsizetype at) {
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
        v |= uint64_t(uint8_t(b[at + i])) << (8 * i);
    return v;
}

} // namespace

void InitializeTreeReferenceToken(const std::function<uint64_t()>& Random) {
    TReferenceToken& t = Token();
    if (t.Set || !Random)
        return;
    t.Words[0] = Random();
    t.Words[1] = Random();
    t.Set = (t.Words[0] | t.Words[1]) != 0; // a zero token would be guessable
}

bool TreeReferenceTokenSet() {
    return Token().Set;
}

TLTTreeRegistration::TLTTreeRegistration(TBaseLeanTree* Tree) : id_(NextTreeId++) {
    LiveTrees()[id_] = Tree;
}

TLTTreeRegistration::~TLTTreeRegistration() {
    LiveTrees().erase(id_);
}

TBaseLeanTree* FindLiveTree(uint64_t Id) {
    auto it = LiveTrees().find(Id);
    return it == LiveTrees().end() ? nullptr : it->second;
}

QByteArray MakeTreeReference(const TBaseLeanTree& Tree) {
    const TReferenceToken& t = Token();
    if (!t.Set)
        return {};
    QByteArray b;
    b.reserve(ReferenceSize);
    PutWord(b, t.Words[0]);
    PutWord(b, t.Words[1]);
    PutWord(b, Tree.TreeId());
    return b;
}

TBaseLeanTree* TreeFromReference(const QByteArray& Reference) {
    const TReferenceToken& t = Token();
    if (!t.Set || Reference.size() != ReferenceSize)
        return nullptr;
    if (GetWord(Reference, 0) != t.Words[0] || GetWord(Reference, 8) != t.Words[1])
        return nullptr;
    return FindLiveTree(GetWord(Reference, 16));
}

TBaseLeanTree* GetTreeFromDataObject(const QMimeData* DataObject) {
    if (!DataObject || !DataObject->hasFormat(MimeLeanTreeReference))
        return nullptr;
    return TreeFromReference(DataObject->data(MimeLeanTreeReference));
}

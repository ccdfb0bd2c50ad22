#pragma once
// Clipboard formats of the trees: the process-wide registry of formats per tree class with
// priorities, the per-tree ClipboardFormats filter, the format enumerator, the data object that
// renders each format only when asked, and the tree reference that lets a tree recognise nodes
// that come from a tree of this very process.
//
// Formats are numbered like the platform's clipboard formats: the predefined ones below 17
// (CF_TEXT 1, CF_UNICODETEXT 13) and registered names from 0xC000 on. Every format travels as
// one MIME type of ours. Everything here runs on the GUI thread.

#include <QMimeData>
#include <QPointer>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TBaseLeanTree;

// A tree class in the registry: its name and the class it descends from (nil for the base).
struct TLTTreeClass {
    const char* Name;
    const TLTTreeClass* Parent;
    // True when this class is Ancestor or descends from it.
    bool InheritsFrom(const TLTTreeClass& Ancestor) const;
};
extern const TLTTreeClass BaseLeanTreeClass;         // TBaseLeanTree
extern const TLTTreeClass CustomLeanStringTreeClass; // TCustomLeanStringTree

// Format names and the MIME types they travel as.
inline constexpr std::string_view CFSTR_LEANTREEDATA = "Lean Tree Data";
inline constexpr std::string_view CFSTR_LEANTREEREFERENCE = "Lean Tree Reference";
inline constexpr std::string_view CFSTR_HTML = "HTML Format";
inline constexpr std::string_view CFSTR_RTFNOOBJS = "Rich Text Format Without Objects";
inline constexpr std::string_view CFSTR_RTF = "Rich Text Format";
inline constexpr std::string_view CFSTR_CSV = "CSV";
inline constexpr int CF_TEXT = 1;
inline constexpr int CF_UNICODETEXT = 13;
inline const QString MimeLeanTreeData = QStringLiteral("application/x-lean-tree-data");
inline const QString MimeLeanTreeReference = QStringLiteral("application/x-lean-tree-reference");
inline const QString MimeHTML = QStringLiteral("text/html");
inline const QString MimeRTF = QStringLiteral("text/rtf");
inline const QString MimeRTFApplication = QStringLiteral("application/rtf");
inline const QString MimeCSV = QStringLiteral("text/csv");
inline const QString MimePlainText = QStringLiteral("text/plain");
inline const QString MimeUTF8Text = QStringLiteral("text/plain;charset=utf-8");

// One registration: a format offered by trees of TreeClass and its descendants.
struct TClipboardFormatListEntry {
    std::string Description; // the format's name
    QString MimeType;        // what it travels as
    const TLTTreeClass* TreeClass;
    uint32_t Priority; // lower comes first
    int Format;        // the format number
};

// The process-wide registry. The trees' standard formats are registered on first use.
class TClipboardFormatList {
public:
    // Adds an entry and keeps the list in ascending priority; returns the format number.
    static int Add(std::string_view Description, const QString& MimeType,
                   const TLTTreeClass& TreeClass, uint32_t Priority);
    // Entries that apply to TreeClass (its own or an ancestor's), in priority order; with
    // AllowedFormats only those whose description it holds (case-insensitive).
    static std::vector<TClipboardFormatListEntry>
    EnumerateFormats(const TLTTreeClass& TreeClass, const QStringList* AllowedFormats = nullptr);
    // The class a description is registered for (searched from the last entry, ignoring case);
    // Fmt gets its number. Nil and Fmt untouched when unknown.
    static const TLTTreeClass* FindFormat(std::string_view FormatString, int& Fmt);
    // The entry of a format number or MIME type; nil when not in the list.
    static const TClipboardFormatListEntry* EntryOf(int Format);
    static const TClipboardFormatListEntry* EntryOf(const QString& MimeType);
};

// Registers Description (a predefined description gives the predefined number) for TreeClass
// and returns its format number.
int RegisterLTClipboardFormat(std::string_view Description, const QString& MimeType,
                              const TLTTreeClass& TreeClass, uint32_t Priority);
// Registers an existing format number for TreeClass under its name (the predefined name, or
// the one it was registered with) and the MIME type it already travels as (for a format known
// only by name: that name). Returns Format; 0 and nothing added for a number naming no format.
int RegisterLTClipboardFormat(int Format, const TLTTreeClass& TreeClass, uint32_t Priority);
// The number of a format name, registered on first use like the platform's own formats.
int RegisterClipboardFormatName(std::string_view Description);
// The name of a format number ("Plain text", "Unicode text", ... for the predefined ones);
// empty when unknown.
std::string ClipboardFormatName(int Format);
// The number of the tree reference format.
int CF_LTREFERENCE();
// The format number MimeType travels as: a registered format's, the tree reference's, else
// the MIME type's own name registered as a format.
int ClipboardFormatOf(const QString& MimeType);
// The format numbers a data object offers: a tree's data object lists them as its enumerator
// does, any other one those of its MIME types, in its order. Empty for nil.
std::vector<int> DataObjectFormats(const QMimeData* DataObject);

// A tree's ClipboardFormats: sorted names, duplicates ignored, each one a format registered for
// the owner's class or an ancestor of it.
class TClipboardFormats {
public:
    explicit TClipboardFormats(const TBaseLeanTree* Owner) : owner_(Owner) {}
    // The name's index; -1 and nothing added when the name does not apply to the owner's class.
    int Add(const QString& S);
    int Insert(int Index, const QString& S) { return (void)Index, Add(S); } // the list is sorted
    void Clear() { names_.clear(); }
    // The list cleared, then each name added.
    void Assign(const QStringList& Names);
    int Count() const { return int(names_.size()); }
    const QStringList& Names() const { return names_; }

private:
    const TBaseLeanTree* owner_;
    QStringList names_;
};

// Walks a list of format numbers.
class TEnumFormatEtc {
public:
    explicit TEnumFormatEtc(std::vector<int> Formats) : formats_(std::move(Formats)) {}
    // Appends up to Celt formats from the current one to Elements and moves on; true when at
    // least one was copied. Fetched, when given, gets the number copied.
    bool Next(size_t Celt, std::vector<int>& Elements, size_t* Fetched = nullptr);
    // Moves on by Celt when that many remain after the current one; false and no move else.
    bool Skip(size_t Celt);
    void Reset() { index_ = 0; }
    std::unique_ptr<TEnumFormatEtc> Clone() const {
        return std::make_unique<TEnumFormatEtc>(*this);
    }
    size_t Index() const { return index_; }

private:
    std::vector<int> formats_;
    size_t index_ = 0;
};

// The data object of the clipboard and of drags. It offers the owner's native formats (taken
// at creation) plus whatever is set into it, and has the owner render a format each time one
// is asked for. It holds the owner weakly: once the tree is gone only set data remains.
class TLTDataObject : public QMimeData {
public:
    TLTDataObject(TBaseLeanTree* Owner, bool ForClipboard);
    // A clipboard object whose tree is not flushing the clipboard cancels the tree's pending
    // cut or copy (the clipboard got other content).
    ~TLTDataObject() override;
    TBaseLeanTree* Owner() const;
    bool ForClipboard() const { return forClipboard_; }
    // Format numbers on offer, in priority order, then those set into the object.
    const std::vector<int>& OfferedFormats() const { return formats_; }
    // True when the MIME type is on offer (the tree reference always is while the tree lives).
    bool QueryGetData(const QString& MimeType) const;
    // Stores Data under MimeType; a type not yet offered joins the offer.
    void SetData(const QString& MimeType, const QByteArray& Data);
    std::unique_ptr<TEnumFormatEtc> EnumFormatEtc() const;

    QStringList formats() const override;
    bool hasFormat(const QString& MimeType) const override;

protected:
    QVariant retrieveData(const QString& MimeType, QMetaType Type) const override;

private:
    QPointer<TBaseLeanTree> owner_;
    bool forClipboard_;
    std::vector<int> formats_;
    QStringList stored_; // MIME types set into the object
};

// ---- tree references ----

// Sets the random token that this process's tree references carry, from two draws of Random;
// call once at start-up (later calls do nothing). Without a token no reference is written and
// none is accepted.
void InitializeTreeReferenceToken(const std::function<uint64_t()>& Random);
bool TreeReferenceTokenSet();

// Lives inside each tree: gives it a process-unique id and lists it as live for that long.
class TLTTreeRegistration {
public:
    explicit TLTTreeRegistration(TBaseLeanTree* Tree);
    ~TLTTreeRegistration();
    TLTTreeRegistration(const TLTTreeRegistration&) = delete;
    TLTTreeRegistration& operator=(const TLTTreeRegistration&) = delete;
    uint64_t Id() const { return id_; }

private:
    uint64_t id_;
};

// The live tree with the given id; nil when none.
TBaseLeanTree* FindLiveTree(uint64_t Id);
// The reference bytes naming Tree (token and tree id); empty without a token.
QByteArray MakeTreeReference(const TBaseLeanTree& Tree);
// The tree a reference names: only when it has the right size, carries our token and names a
// live tree of this process; nil for anything else.
TBaseLeanTree* TreeFromReference(const QByteArray& Reference);
// The source tree of a data object through its tree reference; nil for nil or foreign data.
TBaseLeanTree* GetTreeFromDataObject(const QMimeData* DataObject);

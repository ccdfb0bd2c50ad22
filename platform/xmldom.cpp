#include "platform/xmldom.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <pugixml.hpp>

#include "platform/charsets.h"
#include "platform/classes.h"

// Parsing keeps text and CDATA, decodes entities, normalises line ends and attribute white
// space, and drops comments, processing instructions, the declaration and the white space
// between elements. A white-space-only text that is an element's sole content is kept, so a
// caption of blanks survives a round trip.
static constexpr unsigned kParseOptions = pugi::parse_cdata | pugi::parse_escapes |
                                          pugi::parse_eol | pugi::parse_wconv_attribute |
                                          pugi::parse_ws_pcdata_single;

static constexpr char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// Readers walk children by index; a few cursors per document make sequential walks
// (also nested ones) linear instead of quadratic.
struct TChildCursor {
    pugi::xml_node_struct* parent = nullptr;
    int index = -1; // index of `child`, -1 when no position is known
    pugi::xml_node_struct* child = nullptr;
    int count = -1; // element children of parent, -1 when not counted yet
};

struct TXMLStorage {
    std::unique_ptr<char[]> buffer; // parsed in place; the tree points into it
    pugi::xml_document doc;
    std::array<TChildCursor, 8> cursors; // most recently used first
    // Readers ask for an element's attributes mostly in the order they stand: the next search
    // on the same element starts after the attribute found last (attributes are never
    // removed, so the hint stays valid).
    pugi::xml_node_struct* attributeNode = nullptr;
    pugi::xml_attribute attributeHint;

    TChildCursor* FindCursor(pugi::xml_node_struct* parent) {
        for (auto& c : cursors)
            if (c.parent == parent)
                return &c;
        return nullptr;
    }
    // The cursor of parent, moved to the front; a new one replaces the least recently used.
    TChildCursor& CursorFor(pugi::xml_node_struct* parent) {
        auto it = cursors.begin();
        while (it != cursors.end() - 1 && it->parent != parent)
            ++it;
        if (it->parent != parent)
            *it = TChildCursor{parent};
        std::rotate(cursors.begin(), it, it + 1);
        return cursors.front();
    }
};

namespace {

pugi::xml_node NextElement(pugi::xml_node n) {
    do
        n = n.next_sibling();
    while (n && n.type() != pugi::node_element);
    return n;
}

pugi::xml_node PreviousElement(pugi::xml_node n) {
    do
        n = n.previous_sibling();
    while (n && n.type() != pugi::node_element);
    return n;
}

pugi::xml_node FirstElement(pugi::xml_node parent) {
    pugi::xml_node n = parent.first_child();
    while (n && n.type() != pugi::node_element)
        n = n.next_sibling();
    return n;
}

bool IsText(pugi::xml_node n) {
    return n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata;
}

// 1-based line and column of a byte offset in the source text.
std::string Position(std::string_view source, ptrdiff_t offset) {
    size_t end = std::min(source.size(), static_cast<size_t>(std::max<ptrdiff_t>(offset, 0)));
    int line = 1;
    size_t lineStart = 0;
    for (size_t i = 0; i < end; ++i)
        if (source[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    return Format("line %d, column %d (offset %lld)", line, static_cast<int>(end - lineStart) + 1,
                  static_cast<long long>(offset));
}

// Parses storage's buffer in place. On failure returns the parser's message and offset.
bool Parse(TXMLStorage& s, size_t size, std::string& message, ptrdiff_t& offset) {
    pugi::xml_parse_result r =
        s.doc.load_buffer_inplace(s.buffer.get(), size, kParseOptions, pugi::encoding_auto);
    if (!r) {
        message = r.description();
        offset = r.offset;
        return false;
    }
    pugi::xml_node root = FirstElement(s.doc);
    if (!root) {
        message = "No document element found";
        offset = 0;
        return false;
    }
    if (pugi::xml_node second = NextElement(root)) {
        message = "More than one root element";
        offset = std::max<ptrdiff_t>(second.offset_debug() - 1, 0); // at its '<'
        return false;
    }
    return true;
}

// Collects pugixml's output in chunks and writes it to a file stream; the first failure is
// kept and re-raised after the save returns (nothing is thrown through the library).
class TStreamWriter : public pugi::xml_writer {
public:
    explicit TStreamWriter(TFileStream& f) : f_(f) {}
    void write(const void* data, size_t size) override {
        if (failed_)
            return;
        try {
            f_.WriteBuffer(data, static_cast<int64_t>(size));
        } catch (...) {
            failed_ = std::current_exception();
        }
    }
    void Check() const {
        if (failed_)
            std::rethrow_exception(failed_);
    }

private:
    TFileStream& f_;
    std::exception_ptr failed_;
};

class TStringWriter : public pugi::xml_writer {
public:
    void write(const void* data, size_t size) override {
        text.append(static_cast<const char*>(data), size);
    }
    std::string text;
};

// pugixml writes a CR in text as it stands, and every reader takes a raw CR for a line end
// (LF): passed through this writer it goes out as a character reference and reads back as
// CR. Attribute values reach it with CR, LF and tab escaped already; names never hold a CR.
class TCarriageReturnWriter : public pugi::xml_writer {
public:
    explicit TCarriageReturnWriter(pugi::xml_writer& out) : out_(out) {}
    void write(const void* data, size_t size) override {
        const char* p = static_cast<const char*>(data);
        const char* end = p + size;
        while (p != end) {
            const char* cr =
                static_cast<const char*>(std::memchr(p, '\r', static_cast<size_t>(end - p)));
            if (!cr) {
                out_.write(p, static_cast<size_t>(end - p));
                return;
            }
            if (cr != p)
                out_.write(p, static_cast<size_t>(cr - p));
            out_.write("&#13;", 5);
            p = cr + 1;
        }
    }

private:
    pugi::xml_writer& out_;
};

void Save(const pugi::xml_document& doc, pugi::xml_writer& w) {
    w.write(kDeclaration, sizeof kDeclaration - 1);
    TCarriageReturnWriter escaped(w);
    doc.save(escaped, "  ", pugi::format_indent | pugi::format_no_declaration, pugi::encoding_utf8);
}

} // namespace

// ---- IXMLNode ----

pugi::xml_node_struct* IXMLNode::Checked() const {
    if (!node_)
        throw EXMLDocError("Invalid use of an empty XML node");
    return node_;
}

std::string IXMLNode::NodeName() const {
    return pugi::xml_node(Checked()).name();
}

IXMLNode IXMLNode::AddChild(const std::string& name) {
    pugi::xml_node parent(Checked());
    if (name.empty())
        throw EXMLDocError("An XML element needs a name");
    pugi::xml_node child = parent.append_child(name.c_str());
    if (TChildCursor* c = doc_->FindCursor(node_); c && c->count >= 0)
        ++c->count; // appending keeps the known positions valid
    return IXMLNode(doc_, child.internal_object());
}

int IXMLNode::ChildCount() const {
    pugi::xml_node parent(Checked());
    TChildCursor& c = doc_->CursorFor(node_);
    if (c.count < 0) {
        int n = 0;
        for (pugi::xml_node e = FirstElement(parent); e; e = NextElement(e))
            ++n;
        c.count = n;
    }
    return c.count;
}

IXMLNode IXMLNode::Child(int index) const {
    pugi::xml_node parent(Checked());
    if (index < 0)
        return {};
    TChildCursor& c = doc_->CursorFor(node_);
    if (c.count >= 0 && index >= c.count)
        return {};
    pugi::xml_node n;
    int at;
    if (c.index >= 0 && index >= c.index / 2) { // nearer the cursor than the start
        n = pugi::xml_node(c.child);
        at = c.index;
        while (n && at < index) {
            n = NextElement(n);
            ++at;
        }
        while (n && at > index) {
            n = PreviousElement(n);
            --at;
        }
    } else {
        n = FirstElement(parent);
        at = 0;
        while (n && at < index) {
            n = NextElement(n);
            ++at;
        }
    }
    if (!n)
        return {};
    c.index = index;
    c.child = n.internal_object();
    return IXMLNode(doc_, c.child);
}

IXMLNode IXMLNode::FindChild(const std::string& name) const {
    return FindChild(name.c_str());
}

IXMLNode IXMLNode::FindChild(const char* name) const {
    pugi::xml_node parent(Checked());
    for (pugi::xml_node e = FirstElement(parent); e; e = NextElement(e))
        if (std::strcmp(name, e.name()) == 0)
            return IXMLNode(doc_, e.internal_object());
    return {};
}

std::string IXMLNode::Attribute(const std::string& name) const {
    return Attribute(name.c_str());
}

std::string IXMLNode::Attribute(const char* name) const {
    pugi::xml_node n(Checked());
    if (doc_->attributeNode != node_) {
        doc_->attributeNode = node_;
        doc_->attributeHint = n.first_attribute();
    }
    return n.attribute(name, doc_->attributeHint).value();
}

bool IXMLNode::HasAttribute(const std::string& name) const {
    return static_cast<bool>(pugi::xml_node(Checked()).attribute(name.c_str()));
}

namespace {

// The text as XML 1.0 can hold it. Characters it cannot hold are dropped: NUL (which would
// also end pugixml's C string there) and the other C0 controls but tab, LF and CR, the
// surrogates and U+FFFE/U+FFFF. Bytes that are not UTF-8 become U+FFFD.
std::string XmlCharacters(std::string_view text) {
    std::string kept;
    size_t run = 0; // start of the run of characters kept as they stand
    auto take = [&](size_t end) { kept.append(text.substr(run, end - run)); };
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x80) {
            ++i;
            continue;
        }
        size_t len = 1;
        bool keep = c == '\t' || c == '\n' || c == '\r';
        const char* replacement = nullptr;
        if (c >= 0x80) {
            len = Utf8SequenceAt(text, i);
            const auto next = [&](size_t k) {
                return i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0;
            };
            if (len == 3) {
                keep = !(c == 0xEF && next(1) == 0xBF && (next(2) & 0xFE) == 0xBE);
            } else if (len != 0) {
                keep = true;
            } else if (c == 0xED && (next(1) & 0xE0) == 0xA0 && (next(2) & 0xC0) == 0x80) {
                len = 3; // a surrogate written as if it were a character
            } else {
                len = 1;
                replacement = "\xEF\xBF\xBD";
            }
        }
        if (keep) {
            i += len;
            continue;
        }
        take(i);
        if (replacement)
            kept += replacement;
        i += len;
        run = i;
    }
    if (run == 0)
        return std::string(text);
    take(text.size());
    return kept;
}

} // namespace

void IXMLNode::SetAttribute(const std::string& name, const std::string& value) {
    pugi::xml_node n(Checked());
    if (name.empty())
        throw EXMLDocError("An XML attribute needs a name");
    pugi::xml_attribute a = n.attribute(name.c_str());
    if (!a)
        a = n.append_attribute(name.c_str());
    a.set_value(XmlCharacters(value).c_str());
}

std::string IXMLNode::Text() const {
    pugi::xml_node n(Checked());
    std::string text;
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling())
        if (IsText(c))
            text += c.value();
    return text;
}

void IXMLNode::SetText(const std::string& text) {
    pugi::xml_node n(Checked());
    for (pugi::xml_node c = n.first_child(); c;) {
        pugi::xml_node next = c.next_sibling();
        if (IsText(c))
            n.remove_child(c);
        c = next;
    }
    const std::string kept = XmlCharacters(text);
    if (!kept.empty())
        n.prepend_child(pugi::node_pcdata).set_value(kept.c_str());
}

// ---- TXMLDocument ----

TXMLDocument::TXMLDocument() : storage_(std::make_shared<TXMLStorage>()) {}
TXMLDocument::~TXMLDocument() = default;

void TXMLDocument::Clear() {
    storage_ = std::make_shared<TXMLStorage>();
}

bool TXMLDocument::Active() const {
    return static_cast<bool>(FirstElement(storage_->doc));
}

IXMLNode TXMLDocument::DocumentElement() const {
    pugi::xml_node root = FirstElement(storage_->doc);
    if (!root)
        return {};
    return IXMLNode(storage_, root.internal_object());
}

void TXMLDocument::LoadFromText(const std::string& xml) {
    auto s = std::make_shared<TXMLStorage>();
    s->buffer = std::make_unique_for_overwrite<char[]>(xml.size() + 1);
    std::memcpy(s->buffer.get(), xml.data(), xml.size());
    s->buffer[xml.size()] = '\0';
    std::string message;
    ptrdiff_t offset = 0;
    if (!Parse(*s, xml.size(), message, offset)) {
        Clear();
        throw EXMLDocError(message + " at " + Position(xml, offset), offset);
    }
    storage_ = std::move(s);
}

void TXMLDocument::LoadFromFile(const std::string& fileName) {
    auto s = std::make_shared<TXMLStorage>();
    size_t size;
    {
        TFileStream f(fileName, fmOpenRead);
        size = static_cast<size_t>(f.Size());
        s->buffer = std::make_unique_for_overwrite<char[]>(size + 1);
        f.ReadBuffer(s->buffer.get(), static_cast<int64_t>(size));
        s->buffer[size] = '\0';
    }
    std::string message;
    ptrdiff_t offset = 0;
    if (!Parse(*s, size, message, offset)) {
        Clear();
        // The buffer was changed by parsing in place: count lines in a fresh copy.
        std::string source;
        try {
            TMemoryStream m;
            m.LoadFromFile(fileName);
            source = m.AsString();
        } catch (const Exception&) {
        }
        throw EXMLDocError("Error in XML file \"" + fileName + "\": " + message + " at " +
                               Position(source, offset),
                           offset);
    }
    storage_ = std::move(s);
}

IXMLNode TXMLDocument::CreateRoot(const std::string& name) {
    if (name.empty())
        throw EXMLDocError("An XML element needs a name");
    auto s = std::make_shared<TXMLStorage>();
    pugi::xml_node root = s->doc.append_child(name.c_str());
    storage_ = std::move(s);
    return IXMLNode(storage_, root.internal_object());
}

std::string TXMLDocument::SaveToText() const {
    TStringWriter w;
    Save(storage_->doc, w);
    return std::move(w.text);
}

void TXMLDocument::SaveToFile(const std::string& fileName) const {
    TFileStream f(fileName, fmCreate);
    TStreamWriter w(f);
    Save(storage_->doc, w);
    w.Check();
}

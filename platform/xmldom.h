#pragma once
// The XML document model the data file is written into and read from (over pugixml).
// Elements only: readers never see the white space, comments or processing instructions
// between them.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/sysutils.h"

namespace pugi {
struct xml_node_struct;
}

class TXMLDocument;
struct TXMLStorage; // a parsed document, its source buffer and its walk caches

// Parse failures raise EXMLDocError with the parser's message and position; so does any use
// of a null node. Offset is the byte offset of a parse error in the source (-1 otherwise).
class EXMLDocError : public Exception {
public:
    explicit EXMLDocError(std::string message, int64_t offset = -1)
        : Exception(std::move(message)), Offset(offset) {}
    int64_t Offset;
};

// A handle to one element of a TXMLDocument; copies refer to the same element. A handle keeps
// the tree it came from alive, so it never dangles: after the document is cleared or reloaded
// it still refers to the old, detached tree. A null node (IsNull) is what lookups give when
// nothing is found; every other use of it raises EXMLDocError.
class IXMLNode {
public:
    IXMLNode() = default;
    bool IsNull() const { return node_ == nullptr; }
    explicit operator bool() const { return !IsNull(); }
    // True when both handles name the same element (or both are null).
    bool operator==(const IXMLNode& other) const { return node_ == other.node_; }

    std::string NodeName() const;
    // Appends a child element and returns it; an empty name raises EXMLDocError.
    IXMLNode AddChild(const std::string& name);
    int ChildCount() const;                            // child elements only
    IXMLNode Child(int index) const;                   // 0-based; null when out of range
    IXMLNode FindChild(const std::string& name) const; // first child of that name, or null
    IXMLNode FindChild(const char* name) const;

    // An absent attribute reads as the empty text; setting creates or replaces. Setting an
    // attribute or the text drops the characters XML 1.0 cannot hold (NUL and the other C0
    // controls but tab, LF and CR, surrogates, U+FFFE, U+FFFF) and keeps the rest; bytes that
    // are not UTF-8 become U+FFFD.
    std::string Attribute(const std::string& name) const;
    std::string Attribute(const char* name) const; // the same without a name copy
    bool HasAttribute(const std::string& name) const;
    void SetAttribute(const std::string& name, const std::string& value);

    // The text content of an element that holds only text (all its text and CDATA pieces
    // joined). Line breaks of a parsed file read as LF, as XML requires; a CR that was set
    // is saved as a character reference and reads back as CR, in attributes as well.
    // Setting replaces every text piece; the empty text leaves none.
    std::string Text() const;
    void SetText(const std::string& text);

private:
    friend class TXMLDocument;
    IXMLNode(std::shared_ptr<TXMLStorage> doc, pugi::xml_node_struct* node)
        : doc_(std::move(doc)), node_(node) {}
    pugi::xml_node_struct* Checked() const;

    std::shared_ptr<TXMLStorage> doc_;
    pugi::xml_node_struct* node_ = nullptr;
};

class TXMLDocument {
public:
    TXMLDocument();
    ~TXMLDocument();
    TXMLDocument(const TXMLDocument&) = delete;
    TXMLDocument& operator=(const TXMLDocument&) = delete;

    void Clear();        // empty document, no root
    bool Active() const; // a root element exists
    // Parse a whole document; on failure the document is left empty and EXMLDocError is
    // raised ("<parser message> at line L, column C (offset O)"). More than one root element
    // is an error.
    void LoadFromText(const std::string& xml);
    void LoadFromFile(const std::string& fileName); // raises EXMLDocError / EFOpenError
    IXMLNode DocumentElement() const;               // null when there is none
    // Starts a document with the declaration <?xml version="1.0" encoding="UTF-8"?> and an
    // empty root element of the given name; returns the root.
    IXMLNode CreateRoot(const std::string& name);
    // UTF-8, indented by two blanks, LF line ends, always beginning with the declaration.
    std::string SaveToText() const;
    void SaveToFile(const std::string& fileName) const; // raises EFCreateError / EWriteError

private:
    std::shared_ptr<TXMLStorage> storage_;
};

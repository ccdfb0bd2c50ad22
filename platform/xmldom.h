#pragma once
// The XML document model the data file is written into and read from (over pugixml).
// Elements only: readers never see the white space, comments or processing instructions
// between them.

#include <memory>
#include <string>

class TXMLDocument;

// A handle to one element of a TXMLDocument; copies refer to the same element. A null node
// (IsNull) is what lookups give when nothing is found; it must not be used otherwise.
class IXMLNode {
public:
    IXMLNode() = default;
    bool IsNull() const;
    explicit operator bool() const { return !IsNull(); }

    std::string NodeName() const;
    // Appends a child element and returns it.
    IXMLNode AddChild(const std::string& name);
    int ChildCount() const;                        // child elements only
    IXMLNode Child(int index) const;               // 0-based; null when out of range
    IXMLNode FindChild(const std::string& name) const; // first child of that name, or null

    // An absent attribute reads as the empty text; setting creates or replaces.
    std::string Attribute(const std::string& name) const;
    bool HasAttribute(const std::string& name) const;
    void SetAttribute(const std::string& name, const std::string& value);

    // The text content of an element that holds only text.
    std::string Text() const;
    void SetText(const std::string& text);

private:
    friend class TXMLDocument;
    struct Impl;
    std::shared_ptr<Impl> impl_;
};

// Parse failures raise EXMLDocError (an Exception) with the parser's message and position.
class EXMLDocError;

class TXMLDocument {
public:
    TXMLDocument();
    ~TXMLDocument();
    TXMLDocument(const TXMLDocument&) = delete;
    TXMLDocument& operator=(const TXMLDocument&) = delete;

    void Clear();                          // empty document, no root
    bool Active() const;                   // a root element exists
    void LoadFromText(const std::string& xml);    // raises EXMLDocError
    void LoadFromFile(const std::string& fileName); // raises EXMLDocError / EFOpenError
    IXMLNode DocumentElement() const;      // null when there is none
    // Starts a document with the declaration <?xml version="1.0" encoding="UTF-8"?> and an
    // empty root element of the given name; returns the root.
    IXMLNode CreateRoot(const std::string& name);
    std::string SaveToText() const;        // UTF-8, indented
    void SaveToFile(const std::string& fileName) const; // raises EFCreateError / EWriteError

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

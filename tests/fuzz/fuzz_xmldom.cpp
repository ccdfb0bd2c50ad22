// Loads arbitrary bytes as an XML document, walks every element by index and by name, and
// checks that saving and reloading gives the same text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/xmldom.h"

static void Walk(const IXMLNode& n, int depth) {
    if (depth > 64)
        return;
    n.NodeName();
    n.Text();
    n.Attribute("d");
    for (int i = n.ChildCount() - 1; i >= 0; --i) // backwards, then forwards
        n.Child(i).NodeName();
    for (int i = 0; i < n.ChildCount(); ++i) {
        IXMLNode c = n.Child(i);
        if (n.FindChild(c.NodeName()).IsNull())
            std::abort();
        Walk(c, depth + 1);
    }
    if (!n.Child(n.ChildCount()).IsNull())
        std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TXMLDocument doc;
    try {
        doc.LoadFromText(std::string(reinterpret_cast<const char*>(data), size));
    } catch (const EXMLDocError&) {
        if (doc.Active())
            std::abort();
        return 0;
    }
    Walk(doc.DocumentElement(), 0);
    std::string saved = doc.SaveToText();
    TXMLDocument again;
    again.LoadFromText(saved);
    if (again.SaveToText() != saved)
        std::abort();
    return 0;
}

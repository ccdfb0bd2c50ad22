#pragma once
// The XML data file's write-read-write check, shared by the fuzz target and the unit tests:
// whatever a text loads (in full or in part) is written, read back and written again; our own
// document must read without a problem and write again unchanged.

#include <string>
#include <string_view>

#include "core/xmldatafile.h"

namespace xmlcheck {

inline std::string WriteXmlDataFile(const TTockwellDB& db) {
    TXMLDocument doc;
    BuildXMLDataFile(db, doc);
    return doc.SaveToText();
}

// Empty when the text passes; otherwise what went wrong, with both documents. Failures other
// than the program's exceptions pass through to the caller.
inline std::string CheckXmlDataFileRoundTrip(std::string_view text) {
    TTockwellDB db;
    try {
        TXMLDocument doc;
        doc.LoadFromText(std::string(text));
        db.LoadFromXML(doc.DocumentElement());
    } catch (const Exception&) {
        // Loaded in part, or not at all; what there is must still write.
    }

    const std::string first = WriteXmlDataFile(db);
    TTockwellDB again;
    try {
        TXMLDocument doc;
        doc.LoadFromText(first);
        again.LoadFromXML(doc.DocumentElement());
    } catch (const Exception& e) {
        return "our own document did not read back: " + e.Message + "\n== written\n" + first;
    }
    const std::string second = WriteXmlDataFile(again);
    if (second != first)
        return "== written\n" + first + "\n== written again\n" + second;
    return {};
}

} // namespace xmlcheck

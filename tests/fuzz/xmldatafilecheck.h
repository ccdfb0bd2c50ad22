#pragma once
// The XML data file's write-read-write check, shared by the fuzz target and the unit tests:
// whatever a text loads (in full or in part) is written, read back and written again; our own
// document must hold only characters that XML 1.0 allows, read without a problem and write
// again unchanged.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/xmldatafile.h"
#include "platform/charsets.h"

namespace xmlcheck {

inline bool IsXmlChar(uint32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// Empty when the document holds only characters that XML 1.0 allows, written as they are or
// as character references; otherwise where the first other one stands.
inline std::string FirstNonXmlCharacter(std::string_view xml) {
    for (size_t i = 0; i < xml.size();) {
        const size_t len = Utf8SequenceAt(xml, i);
        if (len == 0)
            return "a byte that is not UTF-8 at offset " + std::to_string(i);
        uint32_t c = static_cast<unsigned char>(xml[i]) & (len == 1 ? 0x7F : 0x3F >> (len - 1));
        for (size_t k = 1; k < len; ++k)
            c = c << 6 | (static_cast<unsigned char>(xml[i + k]) & 0x3F);
        if (c == '&' && xml.substr(i + 1, 1) == "#") {
            const bool hex = xml.substr(i + 2, 1) == "x";
            const size_t end = xml.find(';', i);
            c = static_cast<uint32_t>(std::stoul(
                std::string(xml.substr(i + 2 + hex, end - i - 2 - hex)), nullptr, hex ? 16 : 10));
        }
        if (!IsXmlChar(c))
            return "the character " + std::to_string(c) + " at offset " + std::to_string(i);
        i += len;
    }
    return {};
}

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
    if (std::string bad = FirstNonXmlCharacter(first); !bad.empty())
        return "our own document is not XML 1.0: " + bad + "\n== written\n" + first;
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

// Reads a recurrence pattern record from arbitrary bytes and puts it through everything a
// loaded pattern meets: next occurrences, copies, the stream and XML forms. Input: one byte
// of flags (bit 0 count, bit 1 force a step, bits 2..4 the number of steps), the due and the
// reference date as 8-byte floats, then the record. Every failure must be one of the
// program's exceptions; anything else (or a crash, hang, leak or overflow) is a finding.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "core/recurrencepattern.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 17)
        return 0;
    uint8_t flags = data[0];
    double due, reference;
    std::memcpy(&due, data + 1, 8);
    std::memcpy(&reference, data + 9, 8);
    TMemoryStream stream(std::string_view(reinterpret_cast<const char*>(data) + 17, size - 17));
    TRecurrencePattern p;
    try {
        p.ReadFromStream(stream);
    } catch (const Exception&) {
        return 0;
    }
    int64_t draw = 0;
    TRandomFunc random = [&draw](int64_t n) { return draw++ % n; };
    try {
        p.NextOccurrence(flags & 1, flags & 2, due, reference, (flags >> 2) & 7, random);
    } catch (const Exception&) {
    }
    try {
        TMemoryStream out;
        p.WriteToStream(out);
        TXMLDocument doc;
        p.WriteXml(doc.CreateRoot("R"));
        TRecurrencePattern q;
        q.ReadXml(doc.DocumentElement());
        q.Assign(p);
        q.NextOccurrence(true, true, due, reference, 2, random);
    } catch (const Exception&) {
    }
    return 0;
}

// Reads tagged blocks from arbitrary bytes. Input: one byte N, then N plan bytes naming the
// reads to make in order, then the stream itself. Each block starts with its field count; a
// segment read recurses into a block inside the segment. Every failure must be one of the
// program's exceptions; anything else (or a crash, leak or overflow) is a finding.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/taggedstream.h"

namespace {

enum Op : uint8_t {
    opTagLenient = 0, // 0..4: ReadTypeTag(tag, lenient), then the value when it matched
    opTagStrict = 5,  // 5..9: the same, strict
    opBoolLenient = 10,
    opBoolStrict = 11,
    opString = 12,
    opIntegerList = 13,
    opSegment = 14,
    opSkip = 15,
    opCount = 16, // a fresh field count, as a record nested in a record starts
    opLast = opCount
};

struct Plan {
    std::string_view ops;
    size_t next = 0;
    bool Done() const { return next >= ops.size(); }
    uint8_t Take() { return static_cast<uint8_t>(ops[next++]) % (opLast + 1); }
};

void Check(bool ok) {
    if (!ok)
        std::abort();
}

void ReadValue(TStream& s, uint8_t tag) {
    switch (tag) {
    case sttInteger:
        s.ReadValue<int32_t>();
        break;
    case sttFloat:
        s.ReadValue<double>();
        break;
    case sttBoolean:
        s.ReadValue<uint8_t>();
        break;
    case sttString:
        Check(ReadStreamString(s).size() <= static_cast<size_t>(s.Size()));
        break;
    case sttInt64:
        s.ReadValue<int64_t>();
        break;
    }
}

void ReadBlock(TStream& s, Plan& plan, int depth) {
    int count = s.ReadValue<int32_t>();
    while (!plan.Done()) {
        uint8_t op = plan.Take();
        int before = count;
        if (op < opTagStrict) {
            if (ReadTypeTag(s, op, count, false))
                ReadValue(s, op);
        } else if (op < opBoolLenient) {
            if (ReadTypeTag(s, op - opTagStrict, count, true))
                ReadValue(s, op - opTagStrict);
        } else if (op == opBoolLenient || op == opBoolStrict) {
            bool b = false;
            ReadTaggedBool(s, b, count, op == opBoolStrict);
        } else if (op == opString) {
            ReadStreamString(s);
        } else if (op == opIntegerList) {
            std::vector<int32_t> list;
            ReadIntegerList(s, list);
            Check(list.size() * 4 <= static_cast<size_t>(s.Size()));
        } else if (op == opSegment) {
            TMemoryStream sub;
            if (ReadTaggedSubStream(s, sub, count)) {
                Check(sub.Position() == 0 && sub.Size() <= s.Size());
                if (depth < 8)
                    ReadBlock(sub, plan, depth + 1);
            }
        } else if (op == opSkip) {
            SkipNextTaggedValue(s, count);
        } else {
            count = s.ReadValue<int32_t>();
            before = count;
        }
        // A field read takes at most one off the count, and none once it is used up.
        Check(count == before || (count == before - 1 && before > 0));
    }
    while (count > 0) {
        int before = count;
        SkipNextTaggedValue(s, count);
        Check(count == before - 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    size_t planSize = std::min<size_t>(static_cast<uint8_t>(input[0]), size - 1);
    Plan plan{input.substr(1, planSize)};
    TMemoryStream stream(input.substr(1 + planSize));
    try {
        ReadBlock(stream, plan, 0);
        Check(stream.Position() <= stream.Size());
    } catch (const Exception&) {
        // Bad input is reported by the program's exceptions; nothing else may escape.
    }
    return 0;
}

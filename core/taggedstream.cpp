#include "core/taggedstream.h"

namespace {

[[noreturn]] void RaiseBadTag() {
    throw Exception("Stream error: unexpected parameter type");
}

// A length or count read from the stream that is negative or larger than what remains.
[[noreturn]] void RaiseBadLength() {
    throw EReadError("Stream read error: invalid length");
}

// Checks that count items of itemSize bytes remain before anything is read or allocated.
void CheckRemaining(TStream& stream, int64_t count, int64_t itemSize) {
    if (count < 0 || count > stream.Remaining() / itemSize)
        RaiseBadLength();
}

void SkipBytes(TStream& stream, int64_t count) {
    if (count > stream.Remaining())
        throw EReadError("Stream read error");
    stream.Seek(count, TSeekOrigin::soCurrent);
}

} // namespace

void WriteStreamString(TStream& stream, const std::string& s) {
    if (s.size() > static_cast<size_t>(INT32_MAX))
        throw EWriteError("Stream write error: string too long");
    stream.WriteValue<int32_t>(static_cast<int32_t>(s.size()));
    stream.WriteBuffer(s.data(), static_cast<int64_t>(s.size()));
}

std::string ReadStreamString(TStream& stream) {
    int32_t len = stream.ReadValue<int32_t>();
    CheckRemaining(stream, len, 1);
    std::string s(static_cast<size_t>(len), '\0');
    stream.ReadBuffer(s.data(), len);
    return s;
}

void WriteIntegerList(TStream& stream, const std::vector<int32_t>& list) {
    if (list.size() > static_cast<size_t>(INT32_MAX))
        throw EWriteError("Stream write error: list too long");
    stream.WriteValue<int32_t>(static_cast<int32_t>(list.size()));
    for (int32_t v : list)
        stream.WriteValue<int32_t>(v);
}

void ReadIntegerList(TStream& stream, std::vector<int32_t>& list) {
    list.clear();
    int32_t count = stream.ReadValue<int32_t>();
    CheckRemaining(stream, count, sizeof(int32_t));
    list.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i)
        list.push_back(stream.ReadValue<int32_t>());
}

void WriteTaggedSubStream(TStream& stream, TStream& sub, int& count) {
    int64_t size = sub.Size();
    stream.WriteValue<int64_t>(size);
    if (size > 0) {
        sub.SetPosition(0);
        stream.CopyFrom(sub, size);
    }
    ++count;
}

bool ReadTaggedSubStream(TStream& stream, TMemoryStream& sub, int& count) {
    if (count < 1)
        return false;
    --count;
    sub.Clear();
    int64_t size = stream.ReadValue<int64_t>();
    CheckRemaining(stream, size, 1);
    if (size > 0)
        sub.CopyFrom(stream, size);
    sub.SetPosition(0);
    return true;
}

void WriteTypeTag(TStream& stream, uint8_t tag, int& count) {
    stream.WriteValue<uint8_t>(tag);
    ++count;
}

void WriteTaggedBool(TStream& stream, bool value, int& count) {
    WriteTypeTag(stream, sttBoolean, count);
    stream.WriteValue<uint8_t>(value ? 1 : 0);
}

bool ReadTypeTag(TStream& stream, uint8_t expected, int& count, bool strict) {
    if (count < 1)
        return false;
    uint8_t tag = stream.ReadValue<uint8_t>();
    if (tag == expected) {
        --count;
        return true;
    }
    if (strict)
        RaiseBadTag();
    SkipTaggedValue(stream, tag);
    --count;
    return false;
}

void ReadTaggedBool(TStream& stream, bool& value, int& count, bool strict) {
    if (ReadTypeTag(stream, sttBoolean, count, strict))
        value = stream.ReadValue<uint8_t>() != 0;
}

void SkipTaggedValue(TStream& stream, uint8_t tag) {
    switch (tag) {
    case sttInteger:
        SkipBytes(stream, 4);
        break;
    case sttFloat:
    case sttInt64:
        SkipBytes(stream, 8);
        break;
    case sttBoolean:
        SkipBytes(stream, 1);
        break;
    case sttString: {
        int32_t len = stream.ReadValue<int32_t>();
        CheckRemaining(stream, len, 1);
        SkipBytes(stream, len);
        break;
    }
    default:
        RaiseBadTag();
    }
}

void SkipNextTaggedValue(TStream& stream, int& count) {
    if (count < 1)
        return;
    SkipTaggedValue(stream, stream.ReadValue<uint8_t>());
    --count;
}

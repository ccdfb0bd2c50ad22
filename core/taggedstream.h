#pragma once
// The tagged field stream of the data file's records: length-prefixed strings, counted
// integer lists, length-prefixed segments, and values preceded by a one-byte type tag and
// counted against a field count so that a reader can skip fields a newer writer added.
// All values little-endian. `count` is the caller's field count: writers add one per tagged
// value or segment, readers take one off per field consumed.
// Reading past the end raises EReadError, and so does a length or count that is negative or
// larger than the bytes that remain (checked before anything is allocated).

#include <cstdint>
#include <string>
#include <vector>

#include "platform/classes.h"

enum TStreamTypeTag : uint8_t {
    sttInteger = 0, // 32-bit integer
    sttFloat = 1,   // 8-byte float
    sttBoolean = 2, // 1 byte
    sttString = 3,  // int32 length + bytes
    sttInt64 = 4,   // 8-byte value
};

// int32 byte length, then the bytes (the empty string is four zero bytes).
void WriteStreamString(TStream& stream, const std::string& s);
std::string ReadStreamString(TStream& stream);

// int32 count, then each item as 4 bytes. ReadIntegerList replaces the list's content.
void WriteIntegerList(TStream& stream, const std::vector<int32_t>& list);
void ReadIntegerList(TStream& stream, std::vector<int32_t>& list);

// int64 size of sub, then all of sub from its start; count + 1.
void WriteTaggedSubStream(TStream& stream, TStream& sub, int& count);
// count < 1: false, nothing read. Otherwise count - 1, sub emptied and filled with the
// segment's bytes, positioned at its start; true. The outer stream ends up after the segment.
bool ReadTaggedSubStream(TStream& stream, TMemoryStream& sub, int& count);

void WriteTypeTag(TStream& stream, uint8_t tag, int& count);
void WriteTaggedBool(TStream& stream, bool value, int& count);
// count < 1: false, nothing read. Otherwise reads a tag (count - 1): equal to expected gives
// true; a different tag raises Exception("Stream error: unexpected parameter type") when
// strict, else its value is skipped and false is given.
bool ReadTypeTag(TStream& stream, uint8_t expected, int& count, bool strict);
// When ReadTypeTag(sttBoolean) is true, reads one byte into value; otherwise value keeps.
void ReadTaggedBool(TStream& stream, bool& value, int& count, bool strict);
// Skips the value of a tag; a tag above 4 raises Exception("Stream error: unexpected
// parameter type").
void SkipTaggedValue(TStream& stream, uint8_t tag);
// count > 0: reads a tag, skips its value, count - 1.
void SkipNextTaggedValue(TStream& stream, int& count);

#pragma once
// Packs the whole content of a stream into an in-memory zip archive holding exactly one
// entry, "ZIPDATA", and unpacks it again. Nothing touches the file system. An empty password
// means none.

#include <string>

#include "platform/classes.h"

// Replaces stream's content by the archive of its content, positioned at 0.
void CompressStream(TStream& stream, const std::string& password);
// Replaces stream's content (an archive) by the unpacked "ZIPDATA", positioned at 0. An empty
// stream stays empty. On failure the stream keeps its content and the exception passes on:
// EIncompleteZip, EZipError (no "ZIPDATA", wrong password, CRC mismatch, damaged data,
// unknown method), EFatalUnzipError.
void DecompressStream(TStream& stream, const std::string& password);
// Writes the archive of all of source (from its start) into dest, replacing dest's content.
void CompressStreamTo(TStream& source, TStream& dest, const std::string& password);
// Writes the "ZIPDATA" of the archive in source into dest (at dest's position). An empty
// source writes nothing. Raises as DecompressStream.
void DecompressStreamTo(TStream& source, TStream& dest, const std::string& password);

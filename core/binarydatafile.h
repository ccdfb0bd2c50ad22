#pragma once
// The binary form of the data file: the magic "TockwellDataFile", an int32 format version, an
// option block (a tagged Boolean: password-protected), then an int64 length and the zipped
// plain payload. The payload holds an int32 segment count and up to three segments: the
// entries (default alert settings, int32 count, each entry's record), the days (holidays,
// then workdays, as int32 lists) and the colours (int32 count, then int32 day and int64
// colour per custom colour). Captions and notes are stored as their UTF-8 bytes.
// TTockwellDB::SaveToStream / LoadFromStream (declared in core/tockwelldb.h) are defined
// with these helpers.

#include <cstdint>
#include <string>

#include "core/tockwelldb.h"
#include "platform/classes.h"

// The 16 bytes every binary data file starts with (no terminator is stored).
inline constexpr char BinaryDataFileMagic[] = "TockwellDataFile";
// The format version this program writes, and the newest it reads.
inline constexpr int32_t BinaryDataFileVersion = 1;
// The segments a plain payload holds: entries, days, colours.
inline constexpr int32_t BinaryDataFileSegments = 3;

// Writes db's plain payload (segment count and three segments, uncompressed) at payload's
// position.
void WriteDataFilePayload(const TTockwellDB& db, TStream& payload);

// Writes db as a binary data file, no password, version 1, safely: written to fileName +
// ".~TockwellTmp~" and swapped in, the previous file kept as fileName + ".bak"
// (SafeWriteFile). The folder must exist. On failure (EFCreateError, EWriteError, the safe
// replace's messages) fileName is unchanged.
void SaveBinaryDataFile(const TTockwellDB& db, const std::string& fileName);
// Reads the binary file into db with no password; raises as TTockwellDB::LoadFromStream and
// EFOpenError when the file cannot be opened.
void LoadBinaryDataFile(TTockwellDB& db, const std::string& fileName);

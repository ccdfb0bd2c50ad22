#pragma once
// The XML form of the data file: a UTF-8 document with the root "Tockwell-xml" ver="1.0"
// holding the default alert settings, holidays and workdays, custom day colours, the
// reminder entries and the display options. TTockwellDB::SaveToXML / LoadFromXML fill and
// read the root (defined in xmldatafile.cpp); the calls below handle whole files.

#include <string>

#include "core/datafileerrors.h"
#include "core/tockwelldb.h"
#include "platform/xmldom.h"

inline constexpr const char* XMLDataFileRootName = "Tockwell-xml";
inline constexpr const char* XMLDataFileVersion = "1.0";

// Starts doc afresh with the declaration and the root "Tockwell-xml" ver="1.0" and lets db
// write into it (which stores RunMinimized in the settings store).
void BuildXMLDataFile(const TTockwellDB& db, TXMLDocument& doc);

// Writes db as an XML data file under fileName safely: the document is built, written to
// fileName + ".~TockwellTmp~" and swapped in, the previous file kept as fileName + ".bak"
// (SafeWriteFile). The folder must exist. On failure (Exception family: EFCreateError,
// EWriteError, the safe replace's messages) fileName is unchanged.
void SaveXMLDataFile(const TTockwellDB& db, const std::string& fileName);

// Reads the XML data file fileName into db (TTockwellDB::LoadFromXML). A file that cannot
// be opened (EFOpenError) or is not well-formed XML (EXMLDocError) raises before db changes:
// another reader may try it. ExXMLFormatError is final: a foreign root (db unchanged), or
// values that could not be read (everything else was loaded). The parsed document is freed
// and the free heap pages returned to the system before it returns (ReleaseFreeMemory).
void LoadXMLDataFile(TTockwellDB& db, const std::string& fileName,
                     const TScheduleReadQuery& query = {});

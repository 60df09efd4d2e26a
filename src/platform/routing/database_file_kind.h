#pragma once

#include <string>

namespace norvel::routing {

// What a file named as a data source is, told by its first bytes.
enum class DatabaseFileKind {
  kMissing,           // no such file
  kDirectory,         // a folder
  kSqlite,            // "SQLite format 3\0"
  kJet,               // Access .mdb: "Standard Jet DB" at byte 4
  kAce,               // Access .accdb: "Standard ACE DB" at byte 4
  kCompoundDocument,  // D0 CF 11 E0 A1 B1 1A E1: an Excel 97-2003 workbook and the like
  kZip,               // "PK\3\4": an .xlsx workbook and the like
  kOther,
};

// Looks at the file without changing or creating anything. Throws DatabaseError with the
// system's text when the file exists but cannot be read.
DatabaseFileKind databaseFileKind(const std::string& path);

}  // namespace norvel::routing

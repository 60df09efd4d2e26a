#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/database.h"

namespace norvel::sqlite {

// What the replacement run's set-based strategy needs from an SQLite connection, shared by the
// database files and the workbook's in-memory copy.

// UPDATE … FROM came with SQLite 3.33.
bool hasUpdateFrom();

// The temporary table of DatabaseConnection::createComparableTable: its code columns take the
// declared type (hence the affinity) and the collation of the column the source selects. A
// literal compared with the field takes the field's affinity, and so does a value stored in a
// column of the same declared type: the two compare alike whatever the codes are.
void createComparableTable(sqlite3* db, const std::string& name, const std::string& source);

// `temp."name"`: an unqualified name would find a table of the user's of the same name first
// only if the temporary one were missing, but a qualified one never finds the user's.
std::string temporaryTableReference(const std::string& name);

// Triggers that fire on an UPDATE of the table (or that write it), then unique indexes over the
// field: an expression or partial unique index counts, and so does a rowid or primary key.
PerPairCause perPairCause(sqlite3* db, const std::string& table, const std::string& field);

// NOT NULL on the field; check constraints, foreign keys and generated columns anywhere in the
// table (its definition is read for them, erring on the side of a check).
SetBasedSupport::WrittenValueChecks writtenValueChecks(sqlite3* db, const std::string& table,
                                                       const std::string& field);

// The counting function of SetBasedSupport::rowCountingFunction, registered on a connection;
// it must outlive every statement of the connection that calls it.
class RowCounter {
 public:
  // Registers (again) the function with `positions` counts at zero and no rows kept; returns
  // its name.
  std::string start(sqlite3* db, std::size_t positions);
  const std::vector<std::int64_t>& counts() const { return counts_; }
  // SetBasedSupport::countedRows.
  QueryRows takeRows() { return std::move(rows_); }

 private:
  static void count(sqlite3_context* context, int argc, sqlite3_value** argv);
  std::vector<std::int64_t> counts_;
  QueryRows rows_;
};

// Every row of a read-only query, values as text.
QueryRows queryRows(sqlite3* db, const std::string& sql);

}  // namespace norvel::sqlite

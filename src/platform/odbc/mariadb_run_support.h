#pragma once

#include <string>
#include <vector>

#include "platform/database.h"

namespace norvel::mariadb {

// What the replacement run's set-based strategy needs from a MariaDB or MySQL connection,
// through the connection's own statements. Temporary tables there are created and dropped
// without ending the transaction (other DDL on them would end it, so the index is part of the
// CREATE).

// Whether SQL_DBMS_NAME names MariaDB or MySQL.
bool isMariadbOrMysql(const std::string& dbms_name);

// `name` (pair_position, old_code, new_code) with an index on old_code: new_code typed and
// collated as the column `source` selects, old_code a wide text in the same collation (or a
// BIGINT for whole-number codes). Refused outside strict mode, where a value the field cannot
// hold would be cut rather than refused.
void createComparableTable(DatabaseConnection& connection, const std::string& name,
                           const std::string& source, bool numeric_codes);

std::string quoteIdentifier(const std::string& name);

// Whether the server counts the rows an UPDATE found (the client's found-rows flag) rather
// than those whose value it changed; learnt from an UPDATE of the temporary table `name`, which
// holds rows, that changes nothing.
bool countsFoundRows(DatabaseConnection& connection, const std::string& name);

PerPairCause perPairCause(DatabaseConnection& connection, const std::string& table,
                          const std::string& field);
SetBasedSupport::WrittenValueChecks writtenValueChecks(DatabaseConnection& connection,
                                                       const std::string& table,
                                                       const std::string& field);
// An index that starts with the field.
bool fieldLookupUsesIndex(DatabaseConnection& connection, const std::string& table,
                          const std::string& field);

// The columns of the table's primary key, in key order; empty without one.
std::vector<std::string> primaryKeyColumns(DatabaseConnection& connection,
                                           const std::string& table);

}  // namespace norvel::mariadb

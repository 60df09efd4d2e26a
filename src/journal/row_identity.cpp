#include "journal/row_identity.h"

#include <algorithm>

#include "engine/journal_sql.h"
#include "text/ascii_case.h"

namespace norvel {
namespace {

SqlValue textValue(const std::string& text) {
  return SqlValue{SqlValue::Kind::text, text, ado::adVarWChar};
}

std::string doubleQuoted(const std::string& name) {
  std::string quoted = "\"";
  for (const char c : name) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::vector<std::string> firstColumn(const QueryRows& rows) {
  std::vector<std::string> names;
  for (const auto& row : rows) {
    if (row.empty() || !row[0]) return {};
    names.push_back(*row[0]);
  }
  return names;
}

bool isSqlite(DatabaseConnection& connection) {
  try {
    connection.queryRows(SqlStatement("SELECT sqlite_version()"));
    return true;
  } catch (const DatabaseError&) {
    return false;
  }
}

std::vector<std::string> sqliteIdentity(DatabaseConnection& connection, const std::string& table) {
  const std::vector<std::string> columns = connection.columnNames(table);
  const bool rowid_named = std::any_of(columns.begin(), columns.end(), [](const std::string& c) {
    return equalsIgnoringAsciiCase(c, "rowid");
  });
  if (!rowid_named) {
    try {
      // A WITHOUT ROWID table refuses the column.
      SqlStatement probe("SELECT rowid FROM ");
      probe.appendSql(doubleQuoted(table) + " LIMIT 0");
      connection.queryRows(probe);
      return {"rowid"};
    } catch (const DatabaseError&) {
    }
  }
  SqlStatement key("SELECT name FROM pragma_table_info(");
  key.appendValue(textValue(table));
  key.appendSql(") WHERE pk > 0 ORDER BY pk");
  return firstColumn(connection.queryRows(key));
}

std::vector<std::string> postgresIdentity(DatabaseConnection& connection,
                                          const std::string& table) {
  // The primary key first, then the unique index over the fewest NOT NULL plain columns.
  SqlStatement key(
      "SELECT a.attname FROM pg_catalog.pg_index i JOIN pg_catalog.pg_attribute a ON "
      "a.attrelid = i.indrelid AND a.attnum = ANY(i.indkey) WHERE i.indexrelid = (SELECT "
      "x.indexrelid FROM pg_catalog.pg_index x WHERE x.indrelid = pg_catalog.to_regclass(");
  key.appendValue(textValue(doubleQuoted(table)));
  key.appendSql(
      ")::oid AND x.indisunique AND x.indisvalid AND x.indpred IS NULL AND x.indexprs IS NULL "
      "AND NOT EXISTS (SELECT 1 FROM pg_catalog.pg_attribute n WHERE n.attrelid = x.indrelid AND "
      "n.attnum = ANY(x.indkey) AND NOT n.attnotnull) ORDER BY x.indisprimary DESC, x.indnatts, "
      "x.indexrelid LIMIT 1) ORDER BY pg_catalog.array_position(i.indkey::int2[], a.attnum)");
  return firstColumn(connection.queryRows(key));
}

std::vector<std::string> mariadbIdentity(DatabaseConnection& connection, const std::string& table) {
  SqlStatement key(
      "SELECT s.COLUMN_NAME FROM information_schema.STATISTICS s WHERE s.TABLE_SCHEMA = "
      "DATABASE() AND s.TABLE_NAME = ");
  key.appendValue(textValue(table));
  key.appendSql(
      " AND s.INDEX_NAME = (SELECT x.INDEX_NAME FROM information_schema.STATISTICS x WHERE "
      "x.TABLE_SCHEMA = s.TABLE_SCHEMA AND x.TABLE_NAME = s.TABLE_NAME AND x.NON_UNIQUE = 0 "
      "GROUP BY x.INDEX_NAME HAVING SUM(x.NULLABLE = 'YES' OR x.SUB_PART IS NOT NULL OR "
      "x.COLUMN_NAME IS NULL) = 0 ORDER BY x.INDEX_NAME <> 'PRIMARY', COUNT(*), x.INDEX_NAME "
      "LIMIT 1) ORDER BY s.SEQ_IN_INDEX");
  return firstColumn(connection.queryRows(key));
}

}  // namespace

std::vector<std::string> findRowIdentity(DatabaseConnection& connection, const std::string& table,
                                         const std::string& field) {
  std::vector<std::string> identity;
  try {
    // A worksheet's rows are where they are in the sheet, whatever its fields are called.
    if (connection.worksheetRowName(table)) return kWorksheetIdentity;
    if (connection.identifierQuote() == "`") {
      identity = mariadbIdentity(connection, table);
    } else if (isSqlite(connection)) {
      identity = sqliteIdentity(connection, table);
    } else {
      identity = postgresIdentity(connection, table);
    }
  } catch (const std::exception&) {
    return {};
  }
  if (std::find(identity.begin(), identity.end(), field) != identity.end()) return {};
  return identity;
}

}  // namespace norvel

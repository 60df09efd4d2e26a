#include "platform/odbc/mariadb_run_support.h"

#include "platform/database.h"

namespace norvel::mariadb {
namespace {

SqlValue text(const std::string& value) {
  return SqlValue{SqlValue::Kind::text, value, ado::adVarWChar};
}

// A statement about the table and its field in the current database.
SqlStatement about(const std::string& head, const std::string& table,
                   const std::string& field_condition = {}, const std::string* field = nullptr) {
  SqlStatement statement(head + " WHERE TABLE_SCHEMA = DATABASE() AND TABLE_NAME = ");
  statement.appendValue(text(table));
  if (!field_condition.empty()) statement.appendSql(" AND " + field_condition);
  if (field != nullptr) {
    statement.appendSql(" = ");
    statement.appendValue(text(*field));
  }
  return statement;
}

std::int64_t countOf(DatabaseConnection& connection, const SqlStatement& statement) {
  const QueryRows rows = connection.queryRows(statement);
  if (rows.size() != 1 || rows[0].empty() || !rows[0][0]) return 1;
  return std::stoll(*rows[0][0]);
}

}  // namespace

bool isMariadbOrMysql(const std::string& dbms_name) {
  return dbms_name == "MariaDB" || dbms_name == "MySQL";
}

std::string quoteIdentifier(const std::string& name) {
  std::string quoted = "`";
  for (const char c : name) {
    quoted += c;
    if (c == '`') quoted += c;
  }
  return quoted + "`";
}

void createComparableTable(DatabaseConnection& connection, const std::string& name,
                           const std::string& source, bool numeric_codes) {
  const QueryRows mode = connection.queryRows(SqlStatement("SELECT @@SESSION.sql_mode"));
  if (mode.size() != 1 || !mode[0][0] || mode[0][0]->find("STRICT_") == std::string::npos) {
    throw DatabaseError(DatabaseSituation::strictModeOff);
  }
  // CREATE … SELECT gives the column the field's type, character set and collation.
  const std::string shape = quoteIdentifier(name + "_shape");
  connection.execute("CREATE TEMPORARY TABLE " + shape + " SELECT * FROM (" + source +
                     ") AS norvel_source");
  const QueryRows columns = connection.queryRows(SqlStatement("SHOW FULL COLUMNS FROM " + shape));
  connection.execute("DROP TEMPORARY TABLE " + shape);
  if (columns.size() != 1 || columns[0].size() < 3 || !columns[0][1]) {
    throw DatabaseError(DatabaseSituation::fieldTypeUnknown);
  }
  const std::string type = *columns[0][1];
  const std::string collation = columns[0][2] ? " COLLATE " + *columns[0][2] : std::string();
  const std::string old_type = numeric_codes ? "BIGINT" : "VARCHAR(255)" + collation;
  connection.execute("CREATE TEMPORARY TABLE " + quoteIdentifier(name) +
                     " (pair_position BIGINT NOT NULL, old_code " + old_type + ", new_code " +
                     type + collation + " NULL, INDEX (old_code))");
}

bool countsFoundRows(DatabaseConnection& connection, const std::string& name) {
  return connection.execute("UPDATE " + quoteIdentifier(name) +
                            " SET pair_position = pair_position") > 0;
}

PerPairCause perPairCause(DatabaseConnection& connection, const std::string& table,
                          const std::string& field) {
  // Any trigger of the table, or one whose body names it.
  SqlStatement triggers(
      "SELECT count(*) FROM information_schema.TRIGGERS WHERE TRIGGER_SCHEMA = DATABASE() AND "
      "(EVENT_OBJECT_TABLE = ");
  triggers.appendValue(text(table));
  triggers.appendSql(" OR INSTR(ACTION_STATEMENT, ");
  triggers.appendValue(text(table));
  triggers.appendSql(") > 0)");
  if (countOf(connection, triggers) != 0) return PerPairCause::updateTriggers;
  // A unique index over the field, or over a generated column that may read it.
  SqlStatement unique = SqlStatement(
      "SELECT count(*) FROM information_schema.STATISTICS s WHERE s.TABLE_SCHEMA = DATABASE() "
      "AND s.NON_UNIQUE = 0 AND s.TABLE_NAME = ");
  unique.appendValue(text(table));
  unique.appendSql(" AND (s.COLUMN_NAME = ");
  unique.appendValue(text(field));
  unique.appendSql(
      " OR EXISTS (SELECT 1 FROM information_schema.COLUMNS c WHERE c.TABLE_SCHEMA = "
      "s.TABLE_SCHEMA AND c.TABLE_NAME = s.TABLE_NAME AND c.COLUMN_NAME = s.COLUMN_NAME AND "
      "c.GENERATION_EXPRESSION IS NOT NULL AND c.GENERATION_EXPRESSION <> ''))");
  if (countOf(connection, unique) != 0) return PerPairCause::uniqueIndex;
  return PerPairCause::none;
}

SetBasedSupport::WrittenValueChecks writtenValueChecks(DatabaseConnection& connection,
                                                       const std::string& table,
                                                       const std::string& field) {
  SetBasedSupport::WrittenValueChecks checks;
  checks.refuses_null =
      countOf(connection, about("SELECT count(*) FROM information_schema.COLUMNS", table,
                                "IS_NULLABLE = 'NO' AND COLUMN_NAME", &field)) != 0;
  // Check constraints, foreign keys and generated columns anywhere in the table.
  SqlStatement constrained(
      "SELECT count(*) FROM information_schema.CHECK_CONSTRAINTS WHERE CONSTRAINT_SCHEMA = "
      "DATABASE() AND TABLE_NAME = ");
  constrained.appendValue(text(table));
  checks.checks_values =
      countOf(connection, constrained) +
          countOf(connection,
                  about("SELECT count(*) FROM information_schema.KEY_COLUMN_USAGE", table,
                        "REFERENCED_TABLE_NAME IS NOT NULL AND COLUMN_NAME", &field)) +
          countOf(connection, about("SELECT count(*) FROM information_schema.COLUMNS", table,
                                    "GENERATION_EXPRESSION IS NOT NULL")) !=
      0;
  return checks;
}

bool fieldLookupUsesIndex(DatabaseConnection& connection, const std::string& table,
                          const std::string& field) {
  return countOf(connection, about("SELECT count(*) FROM information_schema.STATISTICS", table,
                                   "SEQ_IN_INDEX = 1 AND COLUMN_NAME", &field)) != 0;
}

std::vector<std::string> primaryKeyColumns(DatabaseConnection& connection,
                                           const std::string& table) {
  SqlStatement statement = about("SELECT COLUMN_NAME FROM information_schema.STATISTICS", table,
                                 "INDEX_NAME = 'PRIMARY'");
  statement.appendSql(" ORDER BY SEQ_IN_INDEX");
  std::vector<std::string> columns;
  for (const auto& row : connection.queryRows(statement)) {
    if (row.size() != 1 || !row[0]) return {};
    columns.push_back(*row[0]);
  }
  return columns;
}

}  // namespace norvel::mariadb

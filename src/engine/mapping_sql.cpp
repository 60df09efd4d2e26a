#include "engine/mapping_sql.h"

#include <algorithm>
#include <utility>

namespace norvel {
namespace {

// Keeps every statement well below the parameter limits of the data sources (SQLite 32,766,
// PostgreSQL 65,535) while sparing most round trips.
constexpr std::size_t kRowsPerInsert = 200;

// The aliases make the field's name unambiguous whatever the code table's columns are called.
constexpr std::string_view kRow = "norvel_row";
constexpr std::string_view kPair = "norvel_pair";

SqlValue positionValue(std::size_t position) {
  return SqlValue{SqlValue::Kind::number, std::to_string(position), 0};
}

void appendCode(SqlStatement& statement, const std::optional<SqlValue>& value) {
  if (value) {
    statement.appendValue(*value);
  } else {
    statement.appendSql("NULL");
  }
}

}  // namespace

MappingSql::MappingSql(std::string_view table, std::string_view field, const NameQuoting& quoting,
                       std::string codes, bool by_join)
    : codes_(std::move(codes)),
      by_join_(by_join),
      delimiters_(delimitersFor(table, quoting)),
      identifier_quote_(quoting.identifier_quote) {
  table_ = quoteName(table, delimiters_, identifier_quote_);
  field_ = quoteName(field, delimiters_, identifier_quote_);
}

std::string MappingSql::keyColumn(const std::string& name) const {
  return quoteName(name, delimiters_, identifier_quote_);
}

std::vector<SqlStatement> MappingSql::inserts(const std::vector<PairValues>& codes,
                                              const std::vector<std::size_t>& positions) const {
  std::vector<SqlStatement> statements;
  for (std::size_t first = 0; first < codes.size(); first += kRowsPerInsert) {
    SqlStatement& insert = statements.emplace_back();
    insert.appendSql("INSERT INTO " + codes_ + " (pair_position, old_code, new_code) VALUES ");
    const std::size_t end = std::min(codes.size(), first + kRowsPerInsert);
    for (std::size_t i = first; i < end; ++i) {
      insert.appendSql(i == first ? "(" : ", (");
      insert.appendValue(positionValue(positions.empty() ? i : positions[i]));
      insert.appendSql(", ");
      appendCode(insert, codes[i].old_value);
      insert.appendSql(", ");
      appendCode(insert, codes[i].new_value);
      insert.appendSql(")");
    }
  }
  return statements;
}

std::string MappingSql::classes(std::string_view compared) const {
  return "SELECT later.pair_position, min(earlier.pair_position), count(*) FROM " + codes_ +
         " AS later JOIN " + codes_ + " AS earlier ON earlier.old_code = later." +
         std::string(compared) + " GROUP BY later.pair_position";
}

SqlStatement MappingSql::oldCodeClasses() const {
  return SqlStatement(classes("old_code"));
}

SqlStatement MappingSql::newCodeClasses() const {
  return SqlStatement(classes("new_code"));
}

SqlStatement MappingSql::histogram() const {
  const std::string row(kRow);
  const std::string pair(kPair);
  return SqlStatement("SELECT " + pair + ".pair_position, count(*) FROM " + codes_ + " AS " + pair +
                      " JOIN " + table_ + " AS " + row + " ON " + row + "." + field_ + " = " +
                      pair + ".old_code GROUP BY " + pair + ".pair_position");
}

namespace {

// The bytes of a value as the field stores it: a number by its text, not rounded to an integer.
std::string bytesOf(const std::string& value, bool numeric) {
  return numeric ? "HEX(CAST(" + value + " AS CHAR))" : "HEX(" + value + ")";
}

}  // namespace

SqlStatement MappingSql::newCodeBytes(bool numeric) const {
  return SqlStatement("SELECT pair_position, " + bytesOf("new_code", numeric) + " FROM " + codes_);
}

SqlStatement MappingSql::histogramByBytes(bool numeric) const {
  const std::string row(kRow);
  const std::string pair(kPair);
  return SqlStatement("SELECT " + pair + ".pair_position, " + bytesOf(row + "." + field_, numeric) +
                      ", count(*) FROM " + codes_ + " AS " + pair + " JOIN " + table_ + " AS " +
                      row + " ON " + row + "." + field_ + " = " + pair + ".old_code GROUP BY 1, 2");
}

SqlStatement MappingSql::nullRows() const {
  return SqlStatement("SELECT count(*) FROM " + table_ + " WHERE " + field_ + " IS NULL");
}

SqlStatement MappingSql::newCodes() const {
  return SqlStatement("SELECT pair_position, new_code FROM " + codes_);
}

SqlStatement MappingSql::rowsOfCodes(const std::vector<std::string>& identity) const {
  const std::string row(kRow);
  const std::string pair(kPair);
  std::string columns;
  for (const std::string& column : identity) {
    columns += ", " + row + "." + quoteName(column, delimiters_, identifier_quote_);
  }
  return SqlStatement("SELECT " + pair + ".pair_position" + columns + ", " + row + "." + field_ +
                      " FROM " + table_ + " AS " + row + " JOIN " + codes_ + " AS " + pair +
                      " ON " + row + "." + field_ + " = " + pair + ".old_code");
}

namespace {

// The columns of the collected rows, named apart from the key columns whatever those are called.
std::string keyCopy(std::size_t i) {
  return "norvel_key_" + std::to_string(i);
}

}  // namespace

SqlStatement MappingSql::collectRows(std::string_view rows, const std::vector<std::string>& key,
                                     bool numeric) const {
  const std::string row(kRow);
  const std::string pair(kPair);
  std::string sql = "CREATE TEMPORARY TABLE " + std::string(rows) + " SELECT ";
  for (std::size_t i = 0; i < key.size(); ++i) {
    sql += row + "." + keyColumn(key[i]) + " AS " + keyCopy(i) + ", ";
  }
  // FOR UPDATE: the rows found are locked as the UPDATE's own scan would lock them, so that no
  // other session changes one between the scan and the UPDATE.
  sql += pair + ".pair_position AS norvel_position, " + pair + ".old_code AS norvel_old, " + pair +
         ".new_code AS norvel_new, " + bytesOf(row + "." + field_, numeric) +
         " AS norvel_bytes FROM " + table_ + " AS " + row + " STRAIGHT_JOIN " + codes_ + " AS " +
         pair + " ON " + row + "." + field_ + " = " + pair + ".old_code FOR UPDATE";
  return SqlStatement(sql);
}

SqlStatement MappingSql::histogramOfRows(std::string_view rows) const {
  return SqlStatement("SELECT norvel_position, norvel_bytes, count(*) FROM " + std::string(rows) +
                      " GROUP BY 1, 2");
}

SqlStatement MappingSql::updateByKey(std::string_view rows,
                                     const std::vector<std::string>& key) const {
  const std::string row(kRow);
  std::string sql = "UPDATE " + std::string(rows) + " AS norvel_found STRAIGHT_JOIN " + table_ +
                    " AS " + row + " ON ";
  for (std::size_t i = 0; i < key.size(); ++i) {
    sql +=
        (i == 0 ? "" : " AND ") + row + "." + keyColumn(key[i]) + " = norvel_found." + keyCopy(i);
  }
  sql += " SET " + row + "." + field_ + " = norvel_found.norvel_new WHERE " + row + "." + field_ +
         " = norvel_found.norvel_old";
  return SqlStatement(sql);
}

std::string MappingSql::updateText(const std::string& value) const {
  const std::string row(kRow);
  const std::string pair(kPair);
  // The field's table is read once, each row looking its code up in the indexed code table.
  if (by_join_) {
    return "UPDATE " + table_ + " AS " + row + " STRAIGHT_JOIN " + codes_ + " AS " + pair + " ON " +
           row + "." + field_ + " = " + pair + ".old_code SET " + row + "." + field_ + " = " +
           value;
  }
  return "UPDATE " + table_ + " AS " + row + " SET " + field_ + " = " + value + " FROM " + codes_ +
         " AS " + pair + " WHERE " + row + "." + field_ + " = " + pair + ".old_code";
}

SqlStatement MappingSql::update() const {
  return SqlStatement(updateText(std::string(kPair) + ".new_code"));
}

SqlStatement MappingSql::updateThrough(std::string_view function,
                                       const std::vector<std::string>& identity) const {
  const std::string row(kRow);
  const std::string pair(kPair);
  std::string row_values;
  for (const std::string& column : identity) {
    row_values += ", " + row + "." + quoteName(column, delimiters_, identifier_quote_);
  }
  if (!identity.empty()) row_values += ", " + row + "." + field_;
  return SqlStatement(updateText(std::string(function) + "(" + pair + ".pair_position, " + pair +
                                 ".new_code" + row_values + ")"));
}

SqlStatement MappingSql::updateCounted() const {
  return SqlStatement("WITH norvel_changed AS (" + updateText(std::string(kPair) + ".new_code") +
                      " RETURNING " + std::string(kPair) +
                      ".pair_position) SELECT pair_position, count(*) FROM norvel_changed GROUP "
                      "BY pair_position");
}

SqlStatement MappingSql::updateReturningRows(const std::vector<std::string>& identity) const {
  const std::string row(kRow);
  const std::string pair(kPair);
  std::string columns;
  for (std::size_t i = 0; i < identity.size(); ++i) {
    columns += ", " + row + "." + keyColumn(identity[i]) + " AS " + keyCopy(i);
  }
  return SqlStatement("WITH norvel_changed AS (" + updateText(pair + ".new_code") + " RETURNING " +
                      pair + ".pair_position AS norvel_position" + columns + ", " + pair +
                      ".old_code AS norvel_old) SELECT * FROM norvel_changed");
}

}  // namespace norvel

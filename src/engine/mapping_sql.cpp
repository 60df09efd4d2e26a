#include "engine/mapping_sql.h"

#include <algorithm>
#include <utility>

namespace norvel {
namespace {

// Keeps every statement well below the parameter limits of the data sources (SQLite 32,766,
// PostgreSQL 65,535) while sparing most round trips.
constexpr std::size_t kRowsPerInsert = 200;

// The aliases make the field's name unambiguous whatever the pair table's columns are called.
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
                       std::string pair_table)
    : pairs_(std::move(pair_table)) {
  const NameDelimiters delimiters = delimitersFor(table, quoting);
  table_ = quoteName(table, delimiters, quoting.identifier_quote);
  field_ = quoteName(field, delimiters, quoting.identifier_quote);
}

std::vector<SqlStatement> MappingSql::inserts(const std::vector<PairValues>& pairs) const {
  std::vector<SqlStatement> statements;
  for (std::size_t first = 0; first < pairs.size(); first += kRowsPerInsert) {
    SqlStatement& insert = statements.emplace_back();
    insert.appendSql("INSERT INTO " + pairs_ + " (pair_position, old_code, new_code) VALUES ");
    const std::size_t end = std::min(pairs.size(), first + kRowsPerInsert);
    for (std::size_t position = first; position < end; ++position) {
      insert.appendSql(position == first ? "(" : ", (");
      insert.appendValue(positionValue(position));
      insert.appendSql(", ");
      appendCode(insert, pairs[position].old_value);
      insert.appendSql(", ");
      appendCode(insert, pairs[position].new_value);
      insert.appendSql(")");
    }
  }
  return statements;
}

SqlStatement MappingSql::conflicts() const {
  const std::string& pairs = pairs_;
  const auto earlier = [&](std::string_view column) {
    return "SELECT count(*) FROM " + pairs + " AS later JOIN " + pairs +
           " AS earlier ON later.old_code = earlier." + std::string(column) +
           " WHERE earlier.pair_position < later.pair_position";
  };
  return SqlStatement(earlier("old_code") + " UNION ALL " + earlier("new_code"));
}

SqlStatement MappingSql::histogram() const {
  const std::string row(kRow);
  const std::string pair(kPair);
  return SqlStatement("SELECT " + pair + ".pair_position, count(*) FROM " + pairs_ + " AS " + pair +
                      " JOIN " + table_ + " AS " + row + " ON " + row + "." + field_ + " = " +
                      pair + ".old_code GROUP BY " + pair + ".pair_position");
}

std::string MappingSql::updateText() const {
  const std::string row(kRow);
  const std::string pair(kPair);
  return "UPDATE " + table_ + " AS " + row + " SET " + field_ + " = " + pair + ".new_code FROM " +
         pairs_ + " AS " + pair + " WHERE " + row + "." + field_ + " = " + pair + ".old_code AND " +
         pair + ".pair_position BETWEEN ";
}

void MappingSql::appendRange(SqlStatement& statement, std::size_t first, std::size_t last) const {
  statement.appendValue(positionValue(first));
  statement.appendSql(" AND ");
  statement.appendValue(positionValue(last));
}

SqlStatement MappingSql::update(std::size_t first, std::size_t last) const {
  SqlStatement statement(updateText());
  appendRange(statement, first, last);
  return statement;
}

SqlStatement MappingSql::updateCounted(std::size_t first, std::size_t last) const {
  SqlStatement statement("WITH norvel_changed AS (" + updateText());
  appendRange(statement, first, last);
  statement.appendSql(" RETURNING " + std::string(kPair) +
                      ".pair_position) SELECT pair_position, count(*) FROM norvel_changed GROUP "
                      "BY pair_position");
  return statement;
}

}  // namespace norvel

#include "platform/sql_statement.h"

namespace norvel {

std::string NullToEmpty(const NullableText& value) {
  return value.value_or(std::string());
}

std::string SqlLiteral(const NullableText& value) {
  const std::string text = NullToEmpty(value);
  if (text.empty()) return "NULL";
  std::string literal = "'";
  for (char c : text) {
    if (c == '\'') literal.push_back('\'');
    literal.push_back(c);
  }
  literal.push_back('\'');
  return literal;
}

SqlStatement& SqlStatement::appendSql(std::string_view sql) {
  texts_.back() += sql;
  return *this;
}

SqlStatement& SqlStatement::appendValue(SqlValue value) {
  values_.push_back(std::move(value));
  texts_.emplace_back();
  return *this;
}

std::string SqlStatement::withLiterals() const {
  std::string sql = texts_.front();
  for (std::size_t i = 0; i < values_.size(); ++i) {
    const SqlValue& value = values_[i];
    sql += value.kind == SqlValue::Kind::text ? SqlLiteral(value.text) : value.text;
    sql += texts_[i + 1];
  }
  return sql;
}

std::string SqlStatement::withMarkers(std::string_view marker) const {
  std::string sql = texts_.front();
  for (std::size_t i = 1; i < texts_.size(); ++i) {
    sql += marker;
    sql += texts_[i];
  }
  return sql;
}

}  // namespace norvel

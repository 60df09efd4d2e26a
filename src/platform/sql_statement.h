#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvel {

// A value that holds a text or null.
using NullableText = std::optional<std::string>;

std::string NullToEmpty(const NullableText& value);

// An SQL text literal; the empty text or null is NULL. An apostrophe inside is doubled so that
// the code stays one literal.
std::string SqlLiteral(const NullableText& value);

// A value of a statement, kept apart from its SQL text so that each database layer writes it the
// one way its data source cannot misread: a literal where the grammar has no escape characters, a
// bound parameter where a server may treat a backslash as one.
struct SqlValue {
  enum class Kind { text, number };
  Kind kind = Kind::text;
  std::string text;     // the code as typed, or a number in general format
  int column_type = 0;  // ADO type code of the column the value is compared with or stored in
};

class SqlStatement {
 public:
  SqlStatement() = default;
  explicit SqlStatement(std::string_view sql) { appendSql(sql); }

  SqlStatement& appendSql(std::string_view sql);
  SqlStatement& appendValue(SqlValue value);

  // Texts between apostrophes (an apostrophe inside doubled), numbers as they are.
  std::string withLiterals() const;
  // A marker in the place of every value; values() gives them in the same order.
  std::string withMarkers(std::string_view marker) const;
  const std::vector<SqlValue>& values() const { return values_; }

 private:
  std::vector<std::string> texts_{std::string()};  // texts_[i] stands before values_[i]
  std::vector<SqlValue> values_;
};

}  // namespace norvel
